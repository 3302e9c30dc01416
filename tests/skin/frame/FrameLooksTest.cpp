// Client backgrounds, client-skin windows, grouped buttons, linked areas
// and the fade-in of translucent forms.
#include "support/gtest.h"
#include "support/RealInput.h"

#include <windows.h>

#include "FrameTestSkin.h"
#include "framework/Forms.h"
#include "skin/controls/SkinControl.h"
#include "skin/frame/DynamicSkinForm.h"
#include "support/Dib.h"
#include "support/SkinParts.h"

using namespace frametest;

namespace {

void PumpFor(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(5);
  } while (int(GetTickCount() - end) < 0);
}


constexpr uint32_t kTileMark = 0xFF0000, kTileBody = 0x00FF00;

}  // namespace

TEST(FrameBackground, PicturesAreTiledFromTheClientOrigin) {
  FrameSkin skin;
  // Picture 2: 100 x 50, its first column marked.
  TspPicture tile = SolidPicture(100, 50, kTileBody);
  for (int y = 0; y < 50; ++y) tile.Pixels[size_t(y) * 100] = kTileMark;
  skin.data.FActivePictures.push_back(std::move(tile));
  skin.data.BGPictureIndex = 2;
  Frame f(&skin.data);  // client 290 x 165
  Dib dib(300, 200);
  f.Erase(dib);
  for (int x : {0, 100, 200}) EXPECT_EQ(dib.At(x, 10), C(kTileMark)) << x;
  for (int x : {1, 99, 150, 289}) EXPECT_EQ(dib.At(x, 10), C(kTileBody)) << x;
  EXPECT_EQ(dib.At(0, 160), C(kTileMark)) << "rows tile too";

  // Stretched over the whole client area: one marked column only.
  skin.data.StretchEffect = true;
  Dib stretched(300, 200);
  f.Erase(stretched);
  EXPECT_EQ(stretched.At(0, 10), C(kTileMark));
  EXPECT_EQ(stretched.At(200, 10), C(kTileBody));

  // A picture index outside the list paints nothing and fails nothing.
  skin.data.BGPictureIndex = 9;
  Dib none(300, 200);
  f.Erase(none);
  EXPECT_EQ(none.At(50, 50), RGB(0x12, 0x34, 0x56));
}

TEST(FrameBackground, ClientPartOfTheFramePictureAndTheLogo) {
  FrameSkin skin;
  Frame f(&skin.data);
  Dib dib(300, 200);
  f.Erase(dib);
  EXPECT_EQ(dib.At(150, 100), C(kClient));

  TBitmap logo(40, 20);
  logo.Canvas()->Brush()->SetColor(clRed);
  logo.Canvas()->FillRect(TRect{0, 0, 40, 20});
  f.sf->SetLogoBitMap(&logo);
  Dib withLogo(300, 200);
  f.Erase(withLogo);
  // Client 290 x 165: the logo at (125, 72).
  EXPECT_EQ(withLogo.At(125, 72), RGB(255, 0, 0));
  EXPECT_EQ(withLogo.At(124, 72), C(kClient));
  EXPECT_EQ(withLogo.At(164, 91), RGB(255, 0, 0));
  EXPECT_EQ(withLogo.At(165, 91), C(kClient));

  // A logo larger than the client area starts at its corner.
  TBitmap big(400, 300);
  big.Canvas()->Brush()->SetColor(clBlue);
  big.Canvas()->FillRect(TRect{0, 0, 400, 300});
  f.sf->SetLogoBitMap(&big);
  Dib bigLogo(300, 200);
  f.Erase(bigLogo);
  EXPECT_EQ(bigLogo.At(0, 0), RGB(0, 0, 255));

  // Without a skin the default background is the button face.
  Frame plain(nullptr);
  Dib face(300, 200);
  plain.Erase(face);
  EXPECT_EQ(face.At(10, 10), GetSysColor(COLOR_BTNFACE));
}

TEST(FrameClientSkin, WholeWindowIsTheSkinPicture) {
  FrameSkin skin(false);
  Frame f(&skin.data, 100, 100, 300, 200, bsSizeable, false);
  RECT client;
  GetClientRect(f.h(), &client);
  RECT window;
  GetWindowRect(f.h(), &window);
  EXPECT_EQ(client.right, window.right - window.left) << "no system frame";
  EXPECT_EQ(client.bottom, window.bottom - window.top);
  Dib dib(client.right, client.bottom);
  f.Erase(dib);
  EXPECT_EQ(dib.At(150, 10), C(kTop));
  EXPECT_EQ(dib.At(2, 100), C(kLeft));
  EXPECT_EQ(dib.At(150, 100), C(kClient));
  EXPECT_EQ(dib.At(150, client.bottom - 2), C(kBottom));
  // Sizing edges in client coordinates; the middle is client area.
  EXPECT_EQ(f.Hit(1, 100), HTLEFT);
  EXPECT_EQ(f.Hit(150, 100), HTCLIENT);
  EXPECT_EQ(f.Hit(client.right - 1, client.bottom - 1), HTBOTTOMRIGHT);
  f.sf->Sizeable = false;
  EXPECT_EQ(f.Hit(1, 100), HTCLIENT);
}

TEST(FrameButtons, GroupedButtonsReleaseEachOther) {
  FrameSkin skin;
  for (const char* name : {"first", "second"}) {
    auto b = std::make_unique<TspDataSkinButton>(name);
    b->GroupIndex = 1;
    b->SkinRect = TspRect{2, 26, 4, 28};
    b->ActivePictureIndex = 0;
    b->DownRect = TspRect{30, 0, 45, 15};
    skin.data.ObjectList.push_back(std::move(b));
  }
  Frame f(&skin.data);
  auto* first = dynamic_cast<TspSkinButtonObject*>(f.sf->ObjectList[5].get());
  auto* second = dynamic_cast<TspSkinButtonObject*>(f.sf->ObjectList[6].get());
  ASSERT_TRUE(first && second);
  first->MouseDown(0, 0, mbLeft);
  first->MouseUp(0, 0, mbLeft);
  EXPECT_TRUE(first->Down()) << "a group button stays down";
  second->MouseDown(0, 0, mbLeft);
  second->MouseUp(0, 0, mbLeft);
  EXPECT_TRUE(second->Down());
  EXPECT_FALSE(first->Down());
  // A disabled button ignores the press.
  first->Enabled = false;
  first->MouseDown(0, 0, mbLeft);
  EXPECT_FALSE(first->Down());
}

TEST(FrameGeometry, LinkedAreasFollowTheirAnchors) {
  FrameSkin skin;
  Frame f(&skin.data);  // dx = 200, dy = 140
  struct Case {
    bool use, bottom, right, top, left;
    TRect want;
  } cases[] = {
      {false, false, false, false, false, {30, 35, 40, 45}},  // no corner region: unchanged
      {true, false, false, false, false, {30, 35, 40, 45}},
      {true, true, false, true, false, {30, 35, 40, 185}},
      {true, true, false, false, false, {30, 175, 40, 185}},
      {true, false, true, false, true, {30, 35, 240, 45}},
      {true, false, true, false, false, {230, 35, 240, 45}},
  };
  for (const Case& c : cases) {
    const TRect r = f.sf->GetNewAreaRect(TRect{30, 35, 40, 45}, c.use, c.bottom, c.right, c.top, c.left);
    EXPECT_TRUE(r == c.want) << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
  }
  EXPECT_TRUE(f.sf->GetAreaRect("nowhere") == TRect{});
}

TEST(FrameFade, PlainFormsNeverBecomeLayered) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.form->Show();
  PumpFor(60);
  EXPECT_EQ(GetWindowLongW(f.h(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  f.form->Hide();
}

TEST(FrameFade, TranslucentFormsFadeToTheirValue) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.sf->SetAlphaBlend(true);
  f.sf->SetAlphaBlendValue(200);
  f.form->Show();
  PumpFor(100);
  ASSERT_NE(GetWindowLongW(f.h(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(f.h(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 200);
  f.form->Hide();

  // An animated show of an opaque form ends without the layered style.
  Frame g(&skin.data);
  g.sf->AlphaBlendAnimation = true;
  g.form->Show();
  PumpFor(300);
  EXPECT_EQ(GetWindowLongW(g.h(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  g.form->Hide();
}

TEST(FrameHover, MouseTimerFollowsTheCursorOverTheButtons) {
  FrameSkin skin;
  Frame f(&skin.data);
  std::vector<std::string> events;
  f.sf->OnMouseEnterEvent = [&](const std::string& n) { events.push_back("enter " + n); };
  f.sf->OnMouseLeaveEvent = [&](const std::string& n) { events.push_back("leave " + n); };
  // The pointer starts away from the form, wherever earlier tests left it.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  f.form->Show();
  SetForegroundWindow(f.h());
  PumpFor(50);
  SendMessageW(f.h(), WM_ACTIVATE, WA_ACTIVE, 0);
  events.clear();
  RECT r;
  GetWindowRect(f.h(), &r);
  SetCursorPos(r.left + 287, r.top + 12);
  f.sf->MouseTimer->SetEnabled(true);
  real_input::PumpUntil([&] { return f.sf->ActiveObject == 1; });
  EXPECT_EQ(f.sf->ActiveObject, 1) << "the close button";
  SetCursorPos(r.left + 270, r.top + 12);
  real_input::PumpUntil([&] { return f.sf->ActiveObject == 2; });
  EXPECT_EQ(f.sf->ActiveObject, 2) << "the maximize button";
  SetCursorPos(r.left + 150, r.top + 100);
  real_input::PumpUntil([&] { return f.sf->ActiveObject == -1; });
  EXPECT_EQ(f.sf->ActiveObject, -1) << "the client area clears the hover";
  const std::vector<std::string> want = {"enter closebutton", "leave closebutton", "enter maxbutton",
                                         "leave maxbutton"};
  EXPECT_EQ(events, want);
  f.form->Hide();
}

// ---------------------------------------------------------------------------
// Timers driven by hand

TEST(FrameTimers, HoverMorphRunsFiveStepsAndStops) {
  FrameSkin skin;
  auto* close = dynamic_cast<TspDataSkinStdButton*>(skin.data.ObjectList[1].get());
  ASSERT_NE(close, nullptr);
  close->Morphing = true;
  Frame f(&skin.data);
  SendMessageW(f.h(), WM_ACTIVATE, WA_ACTIVE, 0);
  TspActiveSkinObject* button = f.sf->ObjectList[1].get();
  f.sf->TestActive(287, 12, true);
  ASSERT_TRUE(button->Active);
  EXPECT_TRUE(f.sf->MorphTimer->Enabled());
  for (int i = 0; i < 5; ++i) f.sf->MorphTimer->Timer();
  EXPECT_DOUBLE_EQ(button->MorphKf(), 1.0);
  EXPECT_TRUE(f.sf->MorphTimer->Enabled());
  f.sf->MorphTimer->Timer();  // nothing left to do
  EXPECT_FALSE(f.sf->MorphTimer->Enabled());
  // Leaving half-way back reverses from the factor reached.
  f.sf->TestActive(150, 100, true);
  f.sf->MorphTimer->Timer();
  f.sf->MorphTimer->Timer();
  EXPECT_NEAR(button->MorphKf(), 0.6, 1e-9);
  f.sf->TestActive(287, 12, true);
  f.sf->MorphTimer->Timer();
  EXPECT_NEAR(button->MorphKf(), 0.8, 1e-9);
}

TEST(FrameTimers, CaptionAnimationStepsThroughItsFrames) {
  FrameSkin skin;
  auto* caption = dynamic_cast<TspDataSkinCaption*>(skin.data.ObjectList[0].get());
  ASSERT_NE(caption, nullptr);
  caption->ActivePictureIndex = 0;
  caption->AnimateSkinRect = TspRect{0, 0, 150, 15};
  caption->FrameCount = 3;
  caption->AnimateInterval = 50;
  caption->InActiveAnimation = true;
  Frame f(&skin.data);
  auto* c = dynamic_cast<TspSkinCaptionObject*>(f.sf->ObjectList[0].get());
  ASSERT_TRUE(c && c->EnableAnimation());
  SendMessageW(f.h(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(c->CurrentFrame, 1);
  EXPECT_TRUE(f.sf->AnimateTimer->Enabled());
  f.sf->AnimateTimer->Timer();  // 25 -> 50 ms counted
  EXPECT_EQ(c->CurrentFrame, 1);
  f.sf->AnimateTimer->Timer();
  EXPECT_EQ(c->CurrentFrame, 2);
  for (int i = 0; i < 6; ++i) f.sf->AnimateTimer->Timer();
  EXPECT_EQ(c->CurrentFrame, 4) << "one past the last frame shows the active look";
  f.sf->AnimateTimer->Timer();
  f.sf->AnimateTimer->Timer();
  EXPECT_FALSE(f.sf->AnimateTimer->Enabled());
  // Deactivated with the backward animation: from the last frame down.
  SendMessageW(f.h(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(c->CurrentFrame, 3);
  for (int i = 0; i < 12; ++i) f.sf->AnimateTimer->Timer();
  EXPECT_EQ(c->CurrentFrame, 0);
  // Frame rectangles stay inside the strip whatever the number.
  EXPECT_TRUE(c->AnimationFrameRect(0) == (TRect{0, 0, 50, 15}));
  EXPECT_TRUE(c->AnimationFrameRect(9) == (TRect{100, 0, 150, 15}));
}

// ---------------------------------------------------------------------------
// The skin-change walk over the form's controls

namespace {

class CountingControl : public TspGraphicSkinControl {
public:
  using TspGraphicSkinControl::TspGraphicSkinControl;
  int Before = 0, Changed = 0;
  void BeforeChangeSkinData() override {
    ++Before;
    TspGraphicSkinControl::BeforeChangeSkinData();
  }
  void ChangeSkinData() override { ++Changed; }
};

}  // namespace

TEST(FrameSkinChange, ControlsOfTheChangedSkinAreTold) {
  FrameSkin skin, other;
  Frame f(&skin.data);
  auto* mine = new CountingControl(f.form);
  mine->SetParent(f.form);
  mine->SetSkinData(&skin.data);
  auto* theirs = new CountingControl(f.form);
  theirs->SetParent(f.form);
  theirs->SetSkinData(&other.data);
  mine->Changed = theirs->Changed = 0;
  SendMessageW(f.h(), WM_BEFORECHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  SendMessageW(f.h(), WM_CHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  EXPECT_EQ(mine->Before, 1);
  EXPECT_EQ(mine->Changed, 1);
  EXPECT_EQ(theirs->Before, 0);
  EXPECT_EQ(theirs->Changed, 0);
  // The walk runs for the other skin's controls too, leaving the frame alone.
  SendMessageW(f.h(), WM_BEFORECHANGESKINDATA, reinterpret_cast<WPARAM>(&other.data), 1000);
  SendMessageW(f.h(), WM_CHANGESKINDATA, reinterpret_cast<WPARAM>(&other.data), 1000);
  EXPECT_EQ(theirs->Before, 1);
  EXPECT_EQ(theirs->Changed, 1);
  EXPECT_EQ(mine->Changed, 1);
}
