// Value, animation and label frame objects: their maths as tables, knob and
// track-bar dragging, the animation timing, and the application's access to
// the objects by name.
#include "support/gtest.h"

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "FrameTestSkin.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/SkinMainMenuItem.h"

using namespace frametest;

namespace {

template <class T>
T* Add(TspSkinData& sd, const char* name, TspRect skinRect) {
  auto r = std::make_unique<T>(name);
  r->SkinRect = skinRect;
  r->ActivePictureIndex = 0;
  T* raw = r.get();
  sd.ObjectList.push_back(std::move(r));
  return raw;
}

// The frame test skin plus one object of every value kind.
struct ValueSkin {
  FrameSkin frame;
  ValueSkin() {
    TspSkinData& sd = frame.data;
    auto* t = Add<TspDataSkinTrackBar>(sd, "volume", TspRect{0, 0, 100, 10});
    t->BeginPoint = TspPoint{10, 5};
    t->EndPoint = TspPoint{90, 5};
    t->MaxValue = 100;
    t->ButtonRect = TspRect{0, 0, 6, 6};
    t->MouseDownChangeValue = true;
    auto* g = Add<TspDataSkinGauge>(sd, "progress", TspRect{0, 0, 100, 10});
    g->MaxValue = 100;
    Add<TspDataSkinSwitch>(sd, "power", TspRect{0, 0, 10, 10});
    auto* k = Add<TspDataSkinFrameRegulatorObject>(sd, "knob", TspRect{0, 0, 100, 100});
    k->MaxValue = 100;
    k->CountFrames = 10;
    k->Kind = rkRound;
    auto* fg = Add<TspDataSkinFrameGaugeObject>(sd, "level", TspRect{0, 0, 10, 10});
    fg->MaxValue = 100;
    fg->CountFrames = 11;
    Add<TspDataSkinLabel>(sd, "title", TspRect{0, 0, 40, 10});
    auto* bl = Add<TspDataSkinBitLabel>(sd, "clock", TspRect{0, 0, 40, 10});
    bl->Symbols = {"0123456789", ":"};
    auto* a = Add<TspDataSkinAnimate>(sd, "spinner", TspRect{0, 0, 10, 10});
    a->CountFrames = 5;
    a->TimerInterval = 100;
    Add<TspDataSkinButton>(sd, "play", TspRect{0, 0, 10, 10});
  }
};

struct Framed {
  TForm* form = new TForm(nullptr);
  TspDynamicSkinForm* sf;
  explicit Framed(TspSkinData* skin) {
    form->SetBounds(100, 100, 300, 200);
    sf = new TspDynamicSkinForm(form);
    sf->SetSkinData(skin);
    form->HandleNeeded();
  }
  ~Framed() { delete form; }
  Framed(const Framed&) = delete;
  Framed& operator=(const Framed&) = delete;
  template <class T>
  T* Get(const std::string& name) {
    return dynamic_cast<T*>(sf->ObjectAt(sf->GetIndex(name)));
  }
};

}  // namespace

TEST(ValueMaths, TrackBarPositionsAndValues) {
  struct Row {
    TTrackKind kind;
    TPoint b, e;
    int min, max, value;
    TPoint pos;
  } rows[] = {
      {tkHorizontal, {10, 5}, {90, 5}, 0, 100, 50, {50, 5}},   {tkHorizontal, {10, 5}, {90, 5}, 0, 100, 0, {10, 5}},
      {tkHorizontal, {10, 5}, {90, 5}, 0, 100, 100, {90, 5}},  {tkHorizontal, {10, 5}, {90, 5}, 10, 90, 50, {50, 5}},
      {tkVertical, {5, 90}, {5, 10}, 0, 100, 0, {5, 90}},      {tkVertical, {5, 90}, {5, 10}, 0, 100, 100, {5, 10}},
      {tkVertical, {5, 90}, {5, 10}, 0, 100, 25, {5, 70}},
      // Halves go to the even neighbour: 2.5 -> 2, 1.5 -> 2.
      {tkHorizontal, {0, 0}, {5, 0}, 0, 100, 50, {2, 0}},      {tkHorizontal, {0, 0}, {5, 0}, 0, 100, 30, {2, 0}},
      // An empty range puts the thumb at the start.
      {tkHorizontal, {10, 5}, {90, 5}, 7, 7, 7, {10, 5}},
  };
  for (const Row& r : rows) {
    const TPoint p = spvalue::TrackBarPos(r.kind, r.b, r.e, r.min, r.max, r.value);
    EXPECT_EQ(p.X, r.pos.X) << r.value;
    EXPECT_EQ(p.Y, r.pos.Y) << r.value;
  }
  EXPECT_EQ(spvalue::TrackBarValue(tkHorizontal, {10, 5}, {90, 5}, 0, 100, {30, 5}), 25);
  EXPECT_EQ(spvalue::TrackBarValue(tkVertical, {5, 90}, {5, 10}, 0, 100, {5, 70}), 25);
  EXPECT_EQ(spvalue::TrackBarValue(tkHorizontal, {10, 5}, {10, 5}, 3, 9, {10, 5}), 3);
  EXPECT_EQ(spvalue::TrackKindOf({10, 5}, {90, 5}), tkHorizontal);
  EXPECT_EQ(spvalue::TrackKindOf({5, 90}, {5, 10}), tkVertical);
  EXPECT_EQ(spvalue::TrackKindOf({5, 5}, {5, 5}), tkVertical);
}

TEST(ValueMaths, GaugeFillsFrameNumbersAndAngles) {
  EXPECT_EQ(spvalue::GaugeFill(gkHorizontal, 100, 10, 0, 100, 35).X, 35);
  EXPECT_EQ(spvalue::GaugeFill(gkVertical, 10, 50, 0, 100, 20).Y, 40);
  EXPECT_EQ(spvalue::GaugeFill(gkHorizontal, 100, 10, 5, 5, 5).X, 0);
  EXPECT_EQ(spvalue::GaugeFill(gkVertical, 10, 50, 5, 5, 5).Y, 50);

  struct F {
    int count, min, max, value, frame;
  } frames[] = {{11, 0, 100, 35, 4}, {11, 0, 100, 100, 11}, {11, 0, 100, 0, 1}, {1, 0, 100, 70, 1},
                {0, 0, 100, 70, 1},  {11, 0, 5, 5, 1},       {4, 0, 5, 5, 4},    {10, 0, 100, 100, 10}};
  for (const F& f : frames) EXPECT_EQ(spvalue::FrameForValue(f.count, f.min, f.max, f.value), f.frame) << f.value;

  struct A {
    int x, y, angle;
  } angles[] = {{50, 100, 0}, {0, 50, 90}, {50, 0, 180}, {100, 50, 270}, {0, 100, 45}, {50, 50, 0}, {-20, 200, 45}};
  for (const A& a : angles) EXPECT_EQ(spvalue::PointToAngle(a.x, a.y, 100, 100), a.angle) << a.x << "," << a.y;
}

TEST(ValueObjects, KnobStepsTenPerThirtySixDegreesAndKeepsDirectionPastTheSeam) {
  ValueSkin skin;
  Framed f(&skin.frame.data);
  auto* k = f.Get<TspSkinFrameRegulatorObject>("knob");
  ASSERT_NE(k, nullptr);
  k->ObjectRect = TRect{0, 0, 100, 100};
  std::vector<int> events;
  f.sf->OnFrameRegulatorChangeValueEvent = [&](const std::string& n, int v) {
    EXPECT_EQ(n, "knob");
    events.push_back(v);
  };
  auto at = [](int deg, int& x, int& y) {
    const double a = deg * M_PI / 180.0;
    x = int(std::lround(50 - 40 * std::sin(a)));
    y = int(std::lround(50 + 40 * std::cos(a)));
  };
  int x, y;
  at(0, x, y);
  k->MouseDown(x, y, mbLeft);
  for (int deg : {20, 37, 74, 111, 148, 185, 222, 259, 296, 333, 350}) {
    at(deg, x, y);
    k->MouseMove(x, y);
  }
  EXPECT_EQ(k->FValue, 90);
  // Across the bottom seam the turn goes on in the same direction.
  at(5, x, y);
  k->MouseMove(x, y);
  EXPECT_EQ(k->FValue, 100);
  k->MouseUp(x, y, mbLeft);
  EXPECT_EQ(events, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  // Out of range or equal values are ignored without an event.
  f.sf->FrameRegulatorSetValue("knob", 150);
  f.sf->FrameRegulatorSetValue("knob", 100);
  EXPECT_EQ(events.size(), 10u);
  EXPECT_EQ(f.sf->FrameRegulatorGetValue("knob"), 100);
}

TEST(ValueObjects, TrackBarClickAndDragStayOnThePath) {
  ValueSkin skin;
  Framed f(&skin.frame.data);
  auto* t = f.Get<TspSkinTrackBarObject>("volume");
  ASSERT_NE(t, nullptr);
  t->ObjectRect = TRect{0, 0, 100, 10};
  EXPECT_EQ(t->FButtonPos.X, 10);
  // A click beside the thumb moves it there, clamped to the path.
  t->MouseDown(95, 5, mbLeft);
  EXPECT_EQ(t->FButtonPos.X, 90);
  EXPECT_EQ(t->FValue, 100);
  t->MouseUp(95, 5, mbLeft);
  // Dragging the thumb back; a move that would leave the path does nothing.
  t->MouseDown(90, 5, mbLeft);
  ASSERT_TRUE(t->MoveActive);
  t->MouseMove(50, 5);
  EXPECT_EQ(t->FValue, 50);
  t->MouseMove(0, 5);
  EXPECT_EQ(t->FButtonPos.X, 50);
  t->MouseUp(0, 5, mbLeft);
  EXPECT_FALSE(t->MoveActive);
}

TEST(ValueObjects, AccessByNameWithMissingNamesAndOtherKinds) {
  ValueSkin skin;
  Framed f(&skin.frame.data);
  TspDynamicSkinForm* sf = f.sf;
  int trackEvents = 0;
  std::vector<TSwitchState> switches;
  sf->OnTrackBarChangeValueEvent = [&](const std::string&, int) { ++trackEvents; };
  sf->OnSwitchChangeStateEvent = [&](const std::string&, TSwitchState s) { switches.push_back(s); };

  // Missing names: setters do nothing, getters give the defaults.
  for (const char* name : {"nothing", "Volume", ""}) {
    sf->TrackBarSetValue(name, 40);
    sf->SwitchSetState(name, swsOn);
    sf->ButtonSetDown(name, true);
    sf->LabelSetText(name, "x");
    sf->AnimateStart(name);
    sf->SetEnabled(name, false);
    EXPECT_EQ(sf->TrackBarGetValue(name), 0);
    EXPECT_EQ(sf->FrameRegulatorGetValue(name), 0);
    EXPECT_EQ(sf->SwitchGetState(name), swsOff);
    EXPECT_FALSE(sf->ButtonGetDown(name));
    EXPECT_EQ(sf->GetIndex(name), -1);
  }
  // Other kinds: a track-bar write to a gauge changes nothing.
  sf->TrackBarSetValue("progress", 40);
  EXPECT_EQ(f.Get<TspSkinGaugeObject>("progress")->FValue, 0);
  EXPECT_EQ(sf->TrackBarGetValue("progress"), 0);
  EXPECT_EQ(sf->SwitchGetState("volume"), swsOff);
  EXPECT_EQ(trackEvents, 0);

  // The right kinds.
  sf->TrackBarSetValue("volume", 150);
  EXPECT_EQ(sf->TrackBarGetValue("volume"), 100);
  EXPECT_EQ(trackEvents, 1);
  sf->GaugeSetValue("progress", 35);
  EXPECT_EQ(f.Get<TspSkinGaugeObject>("progress")->FProgressPos.X, 35);
  sf->FrameGaugeSetValue("level", 101);
  EXPECT_EQ(f.Get<TspSkinFrameGaugeObject>("level")->FValue, 0);
  sf->FrameGaugeSetValue("level", 35);
  EXPECT_EQ(f.Get<TspSkinFrameGaugeObject>("level")->FValue, 35);
  sf->SwitchSetState("power", swsOn);
  EXPECT_EQ(sf->SwitchGetState("power"), swsOn);
  EXPECT_TRUE(f.Get<TspSkinSwitchObject>("power")->Active);
  sf->LabelSetText("title", "Hello");
  EXPECT_EQ(f.Get<TspSkinLabelObject>("title")->FTextValue, "Hello");
  sf->BitLabelSetText("clock", "12:30");
  EXPECT_EQ(f.Get<TspSkinBitLabelObject>("clock")->FTextValue, "12:30");
  // Standard caption buttons are button objects too.
  sf->ButtonSetDown("closebutton", true);
  EXPECT_TRUE(sf->ButtonGetDown("closebutton"));
  sf->ButtonSetDown("play", true);
  EXPECT_TRUE(sf->ButtonGetDown("play"));
  sf->SetEnabled("knob", false);
  EXPECT_FALSE(f.Get<TspSkinFrameRegulatorObject>("knob")->Enabled);
  EXPECT_EQ(switches, (std::vector<TSwitchState>{swsOn}));

  // During a skin change the quiet variants run: no switch event.
  sf->FInChangeSkinData = true;
  sf->SwitchSetState("power", swsOff);
  sf->FInChangeSkinData = false;
  EXPECT_EQ(switches.size(), 1u);
  EXPECT_EQ(GetDynamicSkinForm(f.form), sf);
  EXPECT_EQ(GetDynamicSkinForm(nullptr), nullptr);
}

TEST(ValueObjects, SwitchClickedTwiceReturnsOffWithTwoEvents) {
  ValueSkin skin;
  Framed f(&skin.frame.data);
  std::vector<TSwitchState> states;
  f.sf->OnSwitchChangeStateEvent = [&](const std::string&, TSwitchState s) { states.push_back(s); };
  auto* s = f.Get<TspSkinSwitchObject>("power");
  s->MouseDown(1, 1, mbLeft);
  s->MouseDown(1, 1, mbLeft);
  EXPECT_EQ(s->FState, swsOff);
  EXPECT_EQ(states, (std::vector<TSwitchState>{swsOn, swsOff}));
  s->SimpleSetState(swsOn);
  EXPECT_EQ(states.size(), 2u);
  EXPECT_EQ(s->FMorphKf, 1);
}

TEST(ValueObjects, AnimationFramesFollowTheTimerInterval) {
  ValueSkin skin;
  Framed f(&skin.frame.data);
  auto* a = f.Get<TspSkinAnimateObject>("spinner");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->TimerInterval, 100);
  a->Start();
  std::vector<int> frames;
  for (int i = 0; i < 20; ++i) {
    f.sf->AnimateObjectsTick();
    frames.push_back(a->Frame());
  }
  // 100 ms a frame: every fourth 25 ms tick; without Cycle it stops at 5.
  EXPECT_EQ(frames, (std::vector<int>{1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 5}));
  EXPECT_FALSE(a->Active);
  // With Cycle it wraps and runs until stopped; 10 ms counts as 25.
  a->Cycle = true;
  a->TimerInterval = 25;
  a->Start();
  frames.clear();
  for (int i = 0; i < 6; ++i) {
    f.sf->AnimateObjectsTick();
    frames.push_back(a->Frame());
  }
  EXPECT_EQ(frames, (std::vector<int>{2, 3, 4, 5, 1, 2}));
  f.sf->AnimateStop("spinner");
  EXPECT_EQ(a->Frame(), 1);
  EXPECT_FALSE(a->Active);
  skin.frame.data.ObjectList.push_back(std::make_unique<TspDataSkinAnimate>("fast"));
  static_cast<TspDataSkinAnimate*>(skin.frame.data.ObjectList.back().get())->TimerInterval = 10;
  Framed g(&skin.frame.data);
  EXPECT_EQ(g.Get<TspSkinAnimateObject>("fast")->TimerInterval, 25);
}

TEST(ValueObjects, BitLabelFindsDigitsAndTheColonOnTheirLines) {
  ValueSkin skin;
  Framed f(&skin.frame.data);
  auto* b = f.Get<TspSkinBitLabelObject>("clock");
  int r = -1, c = -1;
  ASSERT_TRUE(b->FindSymbol('7', r, c));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(c, 7);
  ASSERT_TRUE(b->FindSymbol(':', r, c));
  EXPECT_EQ(r, 1);
  EXPECT_EQ(c, 0);
  EXPECT_FALSE(b->FindSymbol('x', r, c));
}

TEST(ClientInActiveEffect, DeactivationCoversTheClientAreaAndActivationRemovesIt) {
  FrameSkin skin;
  Framed f(&skin.data);
  f.sf->ClientInActiveEffect = true;
  ShowWindow(f.form->Handle(), SW_SHOWNA);
  for (TspClientInActiveEffect kind : {spieSemiTransparent, spieBlur}) {
    f.sf->ClientInActiveEffectType = kind;
    SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    TspClientInActivePanel* p = f.sf->FInActivePanel;
    ASSERT_NE(p, nullptr);
    RECT cr;
    GetClientRect(f.form->Handle(), &cr);
    EXPECT_TRUE(p->Visible());
    EXPECT_EQ(p->Width(), cr.right);
    EXPECT_EQ(p->Height(), cr.bottom);
    ASSERT_TRUE(p->Buffer);
    EXPECT_EQ(p->Buffer->Width(), cr.right);
    SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(f.sf->FInActivePanel, nullptr);
  }
  // Without a client area the panel is made but stays hidden.
  SetWindowPos(f.form->Handle(), nullptr, 0, 0, 300, 35, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT cr;
  GetClientRect(f.form->Handle(), &cr);
  ASSERT_EQ(cr.bottom, 0);
  SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  ASSERT_NE(f.sf->FInActivePanel, nullptr);
  EXPECT_FALSE(f.sf->FInActivePanel->Visible());
}

TEST(QuickButtons, LaidOutAtTheCaptionStartAndClickedOnRelease) {
  FrameSkin skin;
  Framed f(&skin.data);
  TCustomImageList images(nullptr, 16, 16);
  TBitmap strip(32, 16);
  images.Add(&strip, nullptr);
  f.sf->SetQuickImageList(&images);
  int clicks = 0;
  TspQuickButtonItem* a = f.sf->QuickButtons().Add();
  a->SetImageIndex(0);
  a->Hint = "first";
  a->OnClick = [&](TObject*) { ++clicks; };
  TspQuickButtonItem* b = f.sf->QuickButtons().Add();
  b->SetImageIndex(1);
  b->SetEnabled(false);
  SendMessageW(f.form->Handle(), WM_NCPAINT, 0, 0);
  auto* cap = f.sf->FirstCaption();
  ASSERT_NE(cap, nullptr);
  // Caption object from (10, 5), 20 high: buttons 20 x 20 from x 15, 24 apart.
  EXPECT_EQ(a->ItemRect.Left, cap->ObjectRect.Left + 5);
  EXPECT_EQ(a->ItemRect.Width(), 20);
  EXPECT_EQ(b->ItemRect.Left, a->ItemRect.Left + 24);
  EXPECT_EQ(cap->CurrentTextRect().Left, cap->TextRct.Left + 2 * 24 + 5);

  const int ax = a->ItemRect.Left + 5, ay = a->ItemRect.Top + 5;
  cap->TestActiveQuickButton(ax, ay);
  EXPECT_TRUE(a->Active);
  // A disabled button never becomes the active one.
  cap->TestActiveQuickButton(b->ItemRect.Left + 5, ay);
  EXPECT_EQ(cap->ActiveQuickButton, -1);
  cap->MouseDown(ax, ay, mbLeft);
  EXPECT_TRUE(a->Down);
  cap->MouseUp(ax, ay, mbLeft);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(a->Down);
  // Pressed, dragged off and released: no click, the button shows idle.
  cap->MouseDown(ax, ay, mbLeft);
  cap->MouseUp(200, ay, mbLeft);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(a->Down);
  EXPECT_FALSE(a->Active);

  // Assigning another collection copies images, hints and flags, not events.
  TspQuickButtonItems other(nullptr);
  other.Assign(f.sf->QuickButtons());
  ASSERT_EQ(other.Count(), 2);
  EXPECT_EQ(other.Items(0)->Hint, "first");
  EXPECT_FALSE(other.Items(1)->Enabled());
  EXPECT_FALSE(other.Items(0)->OnClick);
  EXPECT_EQ(other.Items(5), nullptr);
  // The image list going away leaves the component without one.
  f.sf->SetQuickImageList(nullptr);
  EXPECT_FALSE(cap->HasQuickButtons());
}

TEST(MainMenuItems, FollowEachOtherHideWhenTheyDoNotFitAndClickLeaves) {
  FrameSkin skin;
  Framed f(&skin.data);
  TspDataSkinMainMenuItem rec("MAINMENUITEM");
  rec.SkinRect = TspRect{0, 0, 40, 20};
  rec.TextRct = TspRect{5, 0, 35, 20};
  TMainMenu menu(nullptr);
  std::vector<TspSkinMainMenuItem*> items;
  int clicks = 0;
  for (const char* caption : {"File", "Edit", "Help"}) {
    auto* mi = new TMenuItem(&menu);
    mi->SetCaption(caption);
    menu.Items()->Add(mi);
    auto o = std::make_unique<TspSkinMainMenuItem>(f.sf, &rec);
    o->MenuItem.Set(mi);
    o->IDName = caption;
    items.push_back(o.get());
    f.sf->ObjectList.push_back(std::move(o));
  }
  menu.Items()->Items(2)->OnClick = [&](TObject*) { ++clicks; };
  f.sf->NewMainMenuRect = TRect{10, 30, 400, 50};
  for (auto* o : items) ASSERT_TRUE(o->CalcGeometry(true));
  EXPECT_EQ(items[0]->ObjectRect.Left, 10);
  EXPECT_EQ(items[0]->ObjectRect.Top, 30);
  EXPECT_EQ(items[0]->ObjectRect.Height(), 20);
  EXPECT_EQ(items[1]->ObjectRect.Left, items[0]->ObjectRect.Right);
  EXPECT_EQ(items[2]->ObjectRect.Left, items[1]->ObjectRect.Right);
  // The frame is 10 pixels wider than the caption area around the text.
  TBitmap probe(1, 1);
  probe.Canvas()->Font()->SetName(rec.FontName);
  probe.Canvas()->Font()->SetHeight(rec.FontHeight);
  EXPECT_EQ(items[0]->ObjectRect.Width(), 10 + probe.Canvas()->TextWidth("File") + 2);

  // A narrower area: the last item hides and is disabled; wider again, it
  // comes back with its old enabled state.
  f.sf->NewMainMenuRect.Right = items[2]->ObjectRect.Right - 1;
  EXPECT_FALSE(items[2]->CalcGeometry(true));
  EXPECT_FALSE(items[2]->ItemVisible);
  EXPECT_FALSE(items[2]->Enabled);
  f.sf->NewMainMenuRect.Right = 400;
  EXPECT_TRUE(items[2]->CalcGeometry(true));
  EXPECT_TRUE(items[2]->Enabled);

  // An item without sub-items runs its command on the press.
  items[2]->MouseDown(items[2]->ObjectRect.Left + 2, 35, mbLeft);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(items[2]->FDown);
}

TEST(QuickButtons, TheLayeredCaptionDrawsThemOpaqueAndKeepsTheRestClear) {
  FrameSkin skin;
  Framed f(&skin.data);
  TCustomImageList images(nullptr, 16, 16);
  TBitmap strip(32, 16);
  strip.Canvas()->Brush()->SetColor(TColor(RGB(200, 30, 40)));
  strip.Canvas()->FillRect(TRect{0, 0, 32, 16});
  images.Add(&strip, nullptr);
  f.sf->SetQuickImageList(&images);
  TspQuickButtonItem* a = f.sf->QuickButtons().Add();
  a->SetImageIndex(0);
  TspQuickButtonItem* b = f.sf->QuickButtons().Add();
  b->SetImageIndex(1);
  b->SetEnabled(false);
  auto* cap = f.sf->FirstCaption();
  ASSERT_NE(cap, nullptr);
  // A clear picture of the frame, as the layered border hands it over.
  TspBitmap image;
  image.SetSize(200, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) image.SetPixel(x, y, 0x20000000u);
  cap->DrawAlpha(nullptr, &image);
  ASSERT_EQ(a->ItemRect.Width(), 20);
  const int ax = a->ItemRect.Left + 10, ay = a->ItemRect.Top + 10;
  EXPECT_EQ(image.GetPixel(ax, ay), 0xFFC81E28u) << "the enabled glyph, opaque";
  const int bx = b->ItemRect.Left + 10, by = b->ItemRect.Top + 10;
  EXPECT_EQ(image.GetPixel(bx, by) >> 24, 0x20u) << "a disabled glyph keeps the picture's alpha";
  EXPECT_EQ(image.GetPixel(a->ItemRect.Left, a->ItemRect.Top), 0x20000000u) << "outside the glyph";
}

namespace {

// Pixels of exactly `rgb` (0xRRGGBB, any alpha) in a 32-bit picture.
int CountColour(TspBitmap& image, uint32_t rgb) {
  int n = 0;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) n += (image.GetPixel(x, y) & 0xFFFFFFu) == rgb;
  return n;
}

}  // namespace

TEST(QuickButtons, TheDividerHoverFaceAndCentredTextShowInBothPaths) {
  FrameSkin skin;
  // The hovered face: the skin's quick-button control, its hot look in the
  // close button's hot block and its pressed look in the down block.
  auto face = std::make_unique<TspDataSkinButtonControl>("officequickbutton");
  face->PictureIndex = 0;
  face->SkinRect = TspRect{0, 0, 15, 15};
  face->ActiveSkinRect = TspRect{15, 0, 30, 15};
  face->DownSkinRect = TspRect{30, 0, 45, 15};
  face->ClRect = TspRect{3, 3, 12, 12};
  skin.data.CtrlList.push_back(std::move(face));
  Framed f(&skin.data);
  f.form->SetCaption("II");
  TCustomImageList images(nullptr, 16, 16);
  TBitmap strip(16, 16);
  strip.Canvas()->Brush()->SetColor(TColor(RGB(200, 30, 40)));
  strip.Canvas()->FillRect(TRect{0, 0, 16, 16});
  images.Add(&strip, nullptr);
  f.sf->SetQuickImageList(&images);
  TspQuickButtonItem* a = f.sf->QuickButtons().Add();
  a->SetImageIndex(0);
  auto* cap = f.sf->FirstCaption();
  ASSERT_NE(cap, nullptr);
  // The divider: 4 x 12, green when active, blue when not, with a keyed
  // column on the right.
  constexpr uint32_t kDivider = 0x10A030, kInactiveDivider = 0x3010A0, kKey = 0xFF00FF;
  TBitmap dividers(8, 12);
  dividers.Canvas()->Brush()->SetColor(C(kDivider));
  dividers.Canvas()->FillRect(TRect{0, 0, 4, 12});
  dividers.Canvas()->Brush()->SetColor(C(kInactiveDivider));
  dividers.Canvas()->FillRect(TRect{4, 0, 8, 12});
  dividers.Canvas()->Brush()->SetColor(C(kKey));
  dividers.Canvas()->FillRect(TRect{3, 0, 4, 12});
  cap->ActivePicture = &dividers;
  cap->DividerRect = TRect{0, 0, 4, 12};
  cap->InActiveDividerRect = TRect{4, 0, 8, 12};
  cap->DividerTransparent = true;
  cap->DividerTransparentColor = C(kKey);
  const int dx = cap->ObjectRect.Left + 3, dy = cap->ObjectRect.Top + cap->TextRct.Height() / 2 - 6;

  // The frame's own drawing: divider, then the button from after it.
  TBitmap target(200, 40);
  target.Canvas()->Brush()->SetColor(clBlack);
  target.Canvas()->FillRect(TRect{0, 0, 200, 40});
  cap->Active = true;
  cap->DrawQuickButtons(target.Canvas());
  EXPECT_EQ(a->ItemRect.Left, cap->ObjectRect.Left + 4 + 6);
  EXPECT_EQ(target.Canvas()->Pixel(dx + 1, dy + 1), C(kDivider));
  EXPECT_EQ(target.Canvas()->Pixel(dx + 3, dy + 1), clBlack) << "the keyed column stays clear";
  EXPECT_EQ(target.Canvas()->Pixel(a->ItemRect.Left + 1, a->ItemRect.Top + 1), clBlack) << "no face at rest";
  cap->TestActiveQuickButton(a->ItemRect.Left + 5, a->ItemRect.Top + 5);
  ASSERT_TRUE(a->Active);
  cap->Active = false;
  cap->DrawQuickButtons(target.Canvas());
  EXPECT_EQ(target.Canvas()->Pixel(dx + 1, dy + 1), C(kInactiveDivider));
  EXPECT_EQ(target.Canvas()->Pixel(a->ItemRect.Left + 1, a->ItemRect.Top + 1), C(kCloseHot)) << "hover face";
  a->Down = true;
  cap->DrawQuickButtons(target.Canvas());
  EXPECT_EQ(target.Canvas()->Pixel(a->ItemRect.Left + 1, a->ItemRect.Top + 1), C(kCloseDown)) << "pressed face";
  a->Down = false;

  // Left-aligned text beside quick buttons is centred in its area.
  cap->Alignment = taLeftJustify;
  cap->FontColor = cap->ActiveFontColor = clWhite;
  const TRect tr = cap->CurrentTextRect();
  TBitmap text(200, 40);
  text.Canvas()->Brush()->SetColor(clBlack);
  text.Canvas()->FillRect(TRect{0, 0, 200, 40});
  cap->Draw(text.Canvas(), true);
  int firstText = -1;
  for (int x = 0; x < 200 && firstText < 0; ++x)
    for (int y = 0; y < 40; ++y)
      if (text.Canvas()->Pixel(x, y) == clWhite) {
        firstText = x;
        break;
      }
  const int areaLeft = cap->ObjectRect.Left + tr.Left;
  EXPECT_GT(firstText, areaLeft + tr.Width() / 4) << "text starts at " << firstText << ", area from " << areaLeft;

  // The layered border's picture: the divider keeps the picture's alpha;
  // light, shadow and reflection copies of the text are drawn too.
  constexpr uint32_t kLight = 0x00FF00, kShadow = 0x0000FF, kReflection = 0xFFFF00;
  cap->Light = true;
  cap->LightColor = cap->ActiveLightColor = C(kLight);
  cap->Shadow = true;
  cap->ShadowColor = cap->ActiveShadowColor = C(kShadow);
  cap->ReflectionColor = cap->ReflectionActiveColor = C(kReflection);
  cap->ReflectionOffset = 0;
  f.sf->FFormActive = true;
  auto layered = [&](bool reflection) {
    cap->ReflectionEffect = reflection;
    auto image = std::make_unique<TspBitmap>();
    image->SetSize(200, 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 200; ++x) image->SetPixel(x, y, 0x20000000u);
    cap->DrawAlpha(nullptr, image.get());
    return image;
  };
  auto plain = layered(false), reflected = layered(true);
  TspBitmap& image = *reflected;
  const int ay = cap->ObjectRect.Top + cap->ObjectRect.Height() / 2 - 6;
  EXPECT_EQ(image.GetPixel(dx + 1, ay + 1), 0x20000000u | kDivider) << "the divider of the active caption";
  EXPECT_EQ(image.GetPixel(dx + 3, ay + 1), 0x20000000u) << "the keyed column leaves the picture";
  EXPECT_GT(CountColour(image, kLight), 0) << "light copy";
  EXPECT_GT(CountColour(image, kShadow), 0) << "shadow copy";
  int changed = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) changed += plain->GetPixel(x, y) != reflected->GetPixel(x, y);
  EXPECT_GT(changed, 0) << "the reflection changes the picture";
}
