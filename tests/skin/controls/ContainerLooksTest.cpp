// The container and label controls against one synthetic skin whose every
// piece has a colour of its own, so a pixel names the piece that landed
// there; and the same controls in their default look.
#include "support/gtest.h"

#include <windows.h>
#include <windowsx.h>

#include "FakeTimers.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"
#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/Controls.h"
#include "skin/controls/SkinAnimate.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinNotebook.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/controls/SkinSplitter.h"
#include "skin/controls/SkinToolBar.h"

namespace {

COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// Colours of the pieces (0xRRGGBB).
enum : uint32_t {
  kPanelFrame = 0x00C000, kPanelClient = 0x808080, kPanelCaption = 0xC0C000,
  kCheckOn = 0x00FF80, kCheckOff = 0x0080FF,
  kBackground = 0x8000C0,
  kExTop = 0x3030C0, kExEdge = 0x306030, kExClient = 0x40A040, kExBottom = 0x603030,
  kExRollV = 0xA0A000, kExRollH = 0x00A0A0,
  kClose = 0xE00000, kCloseActive = 0xE08000, kCloseDown = 0xE000E0,
  kVRoll = 0x0000E0, kVRestore = 0x00E000, kHRoll = 0x505050, kHRestore = 0xB0B0B0,
  kBarLeft = 0xC00000, kBarMiddle = 0x00C0C0, kBarRight = 0x0000C0,
  kScroll = 0x404080, kScrollActive = 0x4080FF, kScrollDown = 0xFF8040,
  kLabelFrame = 0x602060, kLabelClient = 0xF0E0D0,
  kSplitTop = 0x206020, kSplitMiddle = 0x20A0A0, kSplitBottom = 0x2020A0, kSplitGrip = 0xFFFF00,
  kGrip = 0xFF0080, kStatus = 0x70B070,
};

struct LooksSkin {
  TspSkinData data{nullptr};
  TspPicture p;

  void Fill(int l, int t, int r, int b, uint32_t c) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) p.Pixels[size_t(y) * p.Width + x] = c;
  }
  template <class T>
  T* Add(const char* name, RECT skin) {
    auto e = std::make_unique<T>(name);
    e->PictureIndex = 0;
    e->SkinRect = TspRect{skin.left, skin.top, skin.right, skin.bottom};
    T* raw = e.get();
    data.CtrlList.push_back(std::move(e));
    return raw;
  }

  LooksSkin() {
    p.SetSize(300, 200, 0x000000);
    // "panel" and "groupbox": 30 x 30 at (0, 0), 10-pixel frame, caption in the top frame.
    Fill(0, 0, 30, 30, kPanelFrame);
    Fill(10, 10, 20, 20, kPanelClient);
    Fill(10, 0, 20, 10, kPanelCaption);
    Fill(0, 30, 10, 40, kCheckOn);
    Fill(10, 30, 20, 40, kCheckOff);
    Fill(0, 39, 20, 40, 0x000000);  // the check pieces' transparent colour
    for (const char* name : {"panel", "groupbox"}) {
      auto* e = Add<TspDataSkinPanelControl>(name, RECT{0, 0, 30, 30});
      NinePart(e, 10, 10, 20, 20);
      e->CaptionRect = TspRect{10, 0, 20, 10};
      e->CheckImageRect = TspRect{0, 30, 10, 40};
      e->UnCheckImageRect = TspRect{10, 30, 20, 40};
      e->FontColor = RGB(255, 255, 255);
    }
    // "statusbar": like the panel, with a grip piece.
    Fill(30, 0, 60, 30, kStatus);
    Fill(20, 30, 30, 40, kGrip);
    {
      auto* e = Add<TspDataSkinPanelControl>("statusbar", RECT{30, 0, 60, 30});
      NinePart(e, 5, 5, 25, 25);
      e->GripperRect = TspRect{20, 30, 30, 40};
    }
    // "expanel": 60 x 40 at (40, 40); top band 20 high, bottom band 10.
    Fill(40, 40, 100, 80, kExEdge);
    Fill(40, 40, 100, 60, kExTop);
    Fill(50, 60, 90, 70, kExClient);
    Fill(40, 70, 100, 80, kExBottom);
    Fill(40, 90, 100, 110, kExRollV);
    Fill(110, 40, 130, 100, kExRollH);
    {
      auto* e = Add<TspDataSkinExPanelControl>("expanel", RECT{40, 40, 100, 80});
      NinePart(e, 10, 20, 50, 30);
      e->CaptionRect = TspRect{5, 2, 55, 18};
      e->RollVSkinRect = TspRect{40, 90, 100, 110};
      e->RollLeftOffset = e->RollRightOffset = 5;
      e->RollVCaptionRect = TspRect{5, 2, 55, 18};
      e->RollHSkinRect = TspRect{110, 40, 130, 100};
      e->RollTopOffset = e->RollBottomOffset = 5;
      e->RollHCaptionRect = TspRect{2, 5, 18, 55};
      // The buttons: 10 x 10 pieces side by side from (140, 40).
      const struct {
        TspRect* rect;
        uint32_t colour;
      } buttons[] = {{&e->CloseButtonRect, kClose}, {&e->CloseButtonActiveRect, kCloseActive},
                     {&e->CloseButtonDownRect, kCloseDown}, {&e->VRollButtonRect, kVRoll},
                     {&e->VRestoreButtonRect, kVRestore}, {&e->HRollButtonRect, kHRoll},
                     {&e->HRestoreButtonRect, kHRestore}};
      int left = 140;
      for (const auto& b : buttons) {
        Fill(left, 40, left + 10, 50, b.colour);
        *b.rect = TspRect{left, 40, left + 10, 50};
        left += 10;
      }
      e->FontColor = RGB(255, 255, 255);
    }
    // "toolpanel": a horizontal strip 60 x 25 at (0, 120), ends 10 wide.
    Fill(0, 120, 10, 145, kBarLeft);
    Fill(10, 120, 50, 145, kBarMiddle);
    Fill(50, 120, 60, 145, kBarRight);
    {
      auto* e = Add<TspDataSkinPanelControl>("toolpanel", RECT{0, 120, 60, 145});
      AcrossEnds(e, 10, 50);
      e->ClRect = TspRect{10, 2, 50, 23};
    }
    // "resizebutton", the tool bar's scroll buttons: 12 x 25 nine-part pieces.
    Fill(70, 120, 82, 145, kScroll);
    Fill(82, 120, 94, 145, kScrollActive);
    Fill(94, 120, 106, 145, kScrollDown);
    {
      auto* e = Add<TspDataSkinButtonControl>("resizebutton", RECT{70, 120, 82, 145});
      NinePart(e, 2, 2, 10, 23);
      e->ActiveSkinRect = TspRect{82, 120, 94, 145};
      e->DownSkinRect = TspRect{94, 120, 106, 145};
      e->FontColor = e->ActiveFontColor = e->DownFontColor = RGB(0, 0, 0);
    }
    // "label": 40 x 20 at (120, 120), 3-pixel frame.
    Fill(120, 120, 160, 140, kLabelFrame);
    Fill(123, 123, 157, 137, kLabelClient);
    {
      auto* e = Add<TspDataSkinLabelControl>("label", RECT{120, 120, 160, 140});
      NinePart(e, 3, 3, 37, 17);
      e->FontColor = RGB(0, 0, 0);
    }
    // "vsplitter": a vertical strip 8 x 60 at (200, 100), ends 10 high, grip.
    Fill(200, 100, 208, 110, kSplitTop);
    Fill(200, 110, 208, 150, kSplitMiddle);
    Fill(200, 150, 208, 160, kSplitBottom);
    Fill(210, 100, 216, 106, kSplitGrip);
    {
      auto* e = Add<TspDataSkinSplitterControl>("vsplitter", RECT{200, 100, 208, 160});
      e->LTPoint = TspPoint{0, 10};
      e->LBPoint = TspPoint{0, 50};
      e->GripperRect = TspRect{210, 100, 216, 106};
    }
    {
      auto e = std::make_unique<TspDataSkinStdLabelControl>("stdlabel");
      e->FontColor = RGB(0, 250, 250);
      e->ActiveFontColor = RGB(250, 0, 250);
      e->FontHeight = 20;
      data.CtrlList.push_back(std::move(e));
    }
    data.SkinColors.cBtnShadow = RGB(10, 20, 30);
    data.SkinColors.cBtnHighLight = RGB(230, 220, 210);
    TspPicture bg = SolidPicture(8, 8, kBackground);
    data.FActivePictures = {p, bg};
    data.Empty = false;
  }
};

struct Form {
  TForm form{nullptr};
  explicit Form(int w = 500, int h = 400) {
    form.SetBounds(0, 0, w, h);
    form.SetColor(RGB(0, 0, 0));
  }
  template <class T>
  T* Add(TWinControl* parent, int x, int y, int w, int h) {
    return AddControl<T>(&form, parent, x, y, w, h);
  }
  void Show() {
    form.Show();
    Application->ProcessMessages();
  }
  static Dib Paint(TWinControl* c) {
    Dib d(c->Width(), c->Height());
    SendMessageW(c->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
    return d;
  }
};

struct Probe {
  const char* what;
  int x, y;
  COLORREF want;
};

void ExpectPixels(const Dib& d, std::initializer_list<Probe> probes, const char* look) {
  for (const Probe& p : probes)
    EXPECT_TRUE(Dib::Near(d.At(p.x, p.y), p.want)) << look << ": " << p.what << " at " << p.x << "," << p.y;
}

TEST(ContainerLooks, PanelCaptionBandTransparentAndBackground) {
  LooksSkin skin;
  Form f;
  auto* box = f.Add<TspSkinGroupBox>(&f.form, 10, 10, 150, 100);
  box->SetCaption("Box");
  auto* plain = f.Add<TspSkinPanel>(&f.form, 200, 10, 100, 80);
  f.Show();
  box->SetSkinData(&skin.data);
  plain->SetSkinData(&skin.data);

  // Own caption geometry: the nine-part picture, the caption piece on top.
  ExpectPixels(Form::Paint(box), {{"frame", 2, 50, C(kPanelFrame)}, {"client", 75, 50, C(kPanelClient)}},
               "skin size");
  // The caption band: the "panel" body, a band of the caption piece
  // DefaultCaptionHeight high, the children below it.
  box->SetUseSkinSize(false);
  RECT r;
  box->GetSkinClientRect(r);
  EXPECT_EQ(r.top, 22);
  ExpectPixels(Form::Paint(box),
               {{"band", 130, 12, C(kPanelCaption)}, {"below band", 130, 40, C(kPanelClient)},
                {"frame", 2, 50, C(kPanelFrame)}},
               "caption band");
  // A check box in the caption, its state's piece.
  box->SetCheckedMode(true);
  box->SetChecked(true);
  ExpectPixels(Form::Paint(box), {{"check", 13, 12, C(kCheckOn)}}, "checked");
  box->SetChecked(false);
  ExpectPixels(Form::Paint(box), {{"check", 13, 12, C(kCheckOff)}}, "unchecked");

  // Transparent: the black form shows through, framed in the skin's shadow.
  plain->SetTransparentMode(true);
  plain->GetSkinClientRect(r);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.bottom, 78);
  ExpectPixels(Form::Paint(plain), {{"inside", 50, 40, RGB(0, 0, 0)}, {"frame", 0, 40, RGB(10, 20, 30)}},
               "transparent");
  plain->SetCaption("Frame");
  plain->SetCaptionMode(true);
  {
    Dib d = Form::Paint(plain);
    int y = 0;
    while (y < 30 && !Dib::Near(d.At(99, y), RGB(10, 20, 30))) ++y;
    EXPECT_LT(y, 30) << "right edge of the group frame";
    ExpectPixels(d, {{"inside", 50, 50, RGB(0, 0, 0)}, {"bottom line", 50, 79, RGB(10, 20, 30)},
                     {"above the top line", 99, y - 1, RGB(0, 0, 0)}},
                 "transparent frame");
  }
  plain->SetCaptionMode(false);
  plain->SetTransparentMode(false);

  // A background picture, tiled over the panel; the children use all of it.
  static_cast<TspDataSkinPanelControl*>(skin.data.CtrlList[0].get())->BGPictureIndex = 1;
  ExpectPixels(Form::Paint(plain), {{"background", 50, 40, C(kBackground)}, {"edge", 2, 40, C(kBackground)}},
               "background");
  plain->GetSkinClientRect(r);
  EXPECT_EQ(r.left, 0);
  // The tiled look: the client piece alone, over the whole panel.
  static_cast<TspDataSkinPanelControl*>(skin.data.CtrlList[0].get())->BGPictureIndex = -1;
  plain->SetBorderStyle(bvNone);
  ExpectPixels(Form::Paint(plain), {{"corner", 1, 1, C(kPanelClient)}, {"middle", 50, 40, C(kPanelClient)}},
               "tiled");
}

TEST(ContainerLooks, StatusBarGripPieceFromTheSkin) {
  LooksSkin skin;
  Form f(400, 300);
  auto* bar = new TspSkinStatusBar(&f.form);
  bar->SetParent(&f.form);
  bar->SetSizeGrip(true);
  f.Show();
  bar->SetSkinData(&skin.data);
  RECT g = bar->GripRect();
  RECT s;
  bar->GetSkinClientRect(s);
  EXPECT_EQ(g.right - g.left, 10);
  EXPECT_EQ(g.left, s.right);
  Dib d = Form::Paint(bar);
  ExpectPixels(d, {{"grip", g.left + 5, g.bottom - 5, C(kGrip)}, {"body", 100, 10, C(kStatus)}}, "skin");
}

TEST(ContainerLooks, ExpandablePanelFromTheSkin) {
  LooksSkin skin;
  Form f;
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 10, 10, 150, 100);
  f.Show();
  ex->SetSkinData(&skin.data);
  // The caption area ends at 55 + (150 - 60): the close button sits at its
  // right end, the roll button 2 pixels left of it.
  RECT close = ex->ButtonRect(0), roll = ex->ButtonRect(1);
  EXPECT_EQ(close.right, 145);
  EXPECT_EQ(close.left, 135);
  EXPECT_EQ(roll.right, 133);
  // Children are laid out in the element's client part.
  auto* child = f.Add<TspSkinPanel>(ex, 0, 0, 10, 10);
  child->SetAlign(alClient);
  EXPECT_EQ(child->Top(), 20);
  EXPECT_EQ(child->Top() + child->Height(), 90);
  child->Hide();
  ExpectPixels(Form::Paint(ex),
               {{"top band", 60, 19, C(kExTop)}, {"client", 75, 50, C(kExClient)}, {"bottom", 75, 95, C(kExBottom)},
                {"close", 140, 7, C(kClose)}, {"roll", 128, 7, C(kVRoll)}},
               "expanded");
  // Hot and pressed pictures follow the mouse.
  SendMessageW(ex->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(140, 7));
  EXPECT_TRUE(ex->ButtonHot(0));
  ExpectPixels(Form::Paint(ex), {{"close hot", 140, 7, C(kCloseActive)}}, "hot");
  SendMessageW(ex->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 7));
  ExpectPixels(Form::Paint(ex), {{"close down", 140, 7, C(kCloseDown)}}, "down");
  ex->Perform(CM_MOUSELEAVE, 0, 0);
  SendMessageW(ex->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
  EXPECT_TRUE(ex->Visible());
  ExpectPixels(Form::Paint(ex), {{"close", 140, 7, C(kClose)}}, "left");

  // Rolled up: as high as the rolled picture, drawn from it, restore button.
  ex->SetRollState(true);
  EXPECT_EQ(ex->Height(), 20);
  ExpectPixels(Form::Paint(ex), {{"rolled", 60, 19, C(kExRollV)}, {"restore", 128, 7, C(kVRestore)}}, "rolled");
  ex->SetRollState(false);
  EXPECT_EQ(ex->Height(), 100);
  // Sideways: as wide as the sideways picture, buttons at its top.
  ex->SetRollKind(rkRollHorizontal);
  ex->SetRollState(true);
  EXPECT_EQ(ex->Width(), 20);
  close = ex->ButtonRect(0);
  roll = ex->ButtonRect(1);
  EXPECT_EQ(close.left, 2);
  EXPECT_EQ(close.top, 5);
  EXPECT_EQ(roll.top, close.bottom + 2);
  ExpectPixels(Form::Paint(ex),
               {{"rolled", 1, 80, C(kExRollH)}, {"close", 7, 10, C(kClose)}, {"restore", 7, 22, C(kHRestore)}},
               "sideways");
  ex->SetRollState(false);
  EXPECT_EQ(ex->Width(), 150);
}

// Hit tests with and without the skin, for each of Moveable and Sizeable.
TEST(ContainerLooks, ExpandablePanelHitTests) {
  LooksSkin skin;
  Form f;
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 10, 10, 150, 100);
  f.Show();
  auto hit = [&](int x, int y) {
    POINT p{x, y};
    ClientToScreen(ex->Handle(), &p);
    return SendMessageW(ex->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  };
  struct Case {
    bool skin, moveable, sizeable;
    int x, y;
    LRESULT want;
  };
  for (Case c : {
           // Neither: a plain control.
           Case{false, false, false, 50, 10, HTCLIENT}, Case{false, false, false, 149, 99, HTCLIENT},
           // Default look: caption (2, 2)-(148, 20), edges included; bands 2 pixels.
           Case{false, true, false, 50, 10, HTCAPTION}, Case{false, true, false, 148, 20, HTCAPTION},
           Case{false, true, false, 140, 10, HTCLIENT},  // on the close button
           Case{false, false, true, 149, 50, HTRIGHT}, Case{false, false, true, 50, 98, HTBOTTOM},
           Case{false, false, true, 148, 98, HTBOTTOMRIGHT}, Case{false, false, true, 147, 50, HTCLIENT},
           // Skinned: caption (5, 2)-(145, 18); bands right of 140 and below 90.
           Case{true, true, false, 50, 10, HTCAPTION}, Case{true, true, false, 140, 7, HTCLIENT},
           Case{true, false, true, 145, 50, HTRIGHT}, Case{true, false, true, 70, 95, HTBOTTOM},
           Case{true, false, true, 145, 95, HTBOTTOMRIGHT}, Case{true, false, true, 139, 89, HTCLIENT},
       }) {
    ex->SetSkinData(c.skin ? &skin.data : nullptr);
    ex->Moveable = c.moveable;
    ex->Sizeable = c.sizeable;
    EXPECT_EQ(hit(c.x, c.y), c.want) << c.skin << c.moveable << c.sizeable << " " << c.x << "," << c.y;
  }
  // Rolled, the edges no longer size it.
  ex->SetSkinData(nullptr);
  ex->Sizeable = true;
  ex->Moveable = false;
  ex->SetRollState(true);
  EXPECT_EQ(hit(149, 19), HTCLIENT);
}

TEST(ContainerLooks, ExpandablePanelDefaultButtonsLightAndPress) {
  Form f;
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 10, 10, 150, 100);
  f.Show();
  RECT close = ex->ButtonRect(0);
  int x = close.left + 1, y = close.top + 1;
  ExpectPixels(Form::Paint(ex), {{"plain", x, y, GetSysColor(COLOR_BTNFACE)}}, "normal");
  SendMessageW(ex->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  ExpectPixels(Form::Paint(ex), {{"frame", close.left, y, RGB(0, 0, 128)}, {"fill", x, y, RGB(182, 189, 210)}},
               "hot");
  SendMessageW(ex->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ExpectPixels(Form::Paint(ex), {{"fill", x, y, RGB(133, 147, 181)}}, "down");
  ex->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(ex->ButtonHot(0));
  SendMessageW(ex->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  EXPECT_FALSE(ex->Visible());
}

TEST(ContainerLooks, ExpandablePanelCaptionStopsShortOfItsButtons) {
  Form f;
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 10, 10, 150, 100);
  f.Show();
  Dib bare = Form::Paint(ex);
  ex->SetCaption(std::string(60, 'W'));
  Dib captioned = Form::Paint(ex);
  RECT roll = ex->ButtonRect(1), close = ex->ButtonRect(0);
  ASSERT_FALSE(IsEmptyRECT(roll));
  int inked = 0, left = std::min(roll.left, close.left) - 2;
  for (int y = 0; y < roll.bottom; ++y) {
    for (int x = 0; x < left; ++x) inked += bare.At(x, y) != captioned.At(x, y);
    for (int x = left; x < ex->Width(); ++x)
      ASSERT_EQ(bare.At(x, y), captioned.At(x, y)) << "caption ink at " << x << "," << y;
  }
  EXPECT_GT(inked, 0) << "the caption shows left of the buttons";
}

TEST(ContainerLooks, FramedLabelFromTheSkinAndDefault) {
  LooksSkin skin;
  Form f;
  auto* label = f.Add<TspSkinLabel>(&f.form, 10, 10, 100, 30);
  label->SetCaption("Framed");
  TspFontDesc font;
  font.Color = RGB(200, 0, 0);
  font.Height = 16;
  label->SetDefaultFont(font);
  f.Show();
  {
    Dib d = Form::Paint(label);
    ExpectPixels(d, {{"frame", 0, 15, GetSysColor(COLOR_BTNSHADOW)}, {"face", 95, 15, GetSysColor(COLOR_BTNFACE)}},
                 "default");
    int text = 0;
    for (int y = 3; y < 27; ++y)
      for (int x = 3; x < 97; ++x) text += Dib::Near(d.At(x, y), RGB(200, 0, 0), 40);
    EXPECT_GT(text, 20);
  }
  label->SetSkinData(&skin.data);
  EXPECT_EQ(label->Height(), 30);
  ExpectPixels(Form::Paint(label), {{"frame", 1, 15, C(kLabelFrame)}, {"client", 95, 15, C(kLabelClient)}},
               "skin");
  // Auto size: the width follows the caption.
  label->SetAutoSize(true);
  int w = label->Width();
  label->SetCaption("A much longer caption here");
  EXPECT_GT(label->Width(), w);
  label->SetAlign(alClient);
  w = label->Width();
  label->SetCaption("x");
  EXPECT_EQ(label->Width(), w);
}

TEST(ContainerLooks, ButtonLabelGlyphFramesAndColours) {
  LooksSkin skin;
  Form f;
  auto* label = f.Add<TspSkinButtonLabel>(&f.form, 10, 10, 120, 40);
  label->SetCaption("Go");
  label->DefaultFont.Height = 20;
  label->DefaultFont.Color = RGB(250, 250, 0);
  // Four 10 x 10 frames: red, green, blue, white; the bottom-left pixel of
  // each is its transparent colour.
  TBitmap strip;
  strip.SetSize(40, 10);
  const uint32_t frames[4] = {0xC00000, 0x00C000, 0x0000C0, 0xC0C0C0};
  for (int i = 0; i < 4; ++i)
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        strip.Canvas()->SetPixel(i * 10 + x, y, static_cast<TColor>(y < 9 ? C(frames[i]) : RGB(0, 0, 0)));
  label->SetGlyph(&strip);
  label->SetNumGlyphs(4);
  f.Show();
  auto count = [&](COLORREF c) {
    Dib d(f.form.ClientWidth(), f.form.ClientHeight());
    f.form.PaintTo(d.dc, 0, 0);
    int n = 0;
    for (int y = 10; y < 50; ++y)
      for (int x = 10; x < 130; ++x) n += d.At(x, y) == c;
    return n;
  };
  EXPECT_EQ(label->GlyphFrame(), 1);
  EXPECT_GT(count(C(frames[0])), 50);
  EXPECT_GT(count(RGB(250, 250, 0)), 10);
  label->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(label->GlyphFrame(), 4);
  EXPECT_GT(count(C(frames[3])), 50);
  EXPECT_GT(count(RGB(0, 0, 255)), 10);  // the default active colour
  SendMessageW(f.form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_EQ(label->GlyphFrame(), 3);
  SendMessageW(f.form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  label->Perform(CM_MOUSELEAVE, 0, 0);
  // Two frames: the second only when disabled.
  label->SetNumGlyphs(2);
  EXPECT_EQ(label->GlyphFrame(), 1);
  label->SetEnabled(false);
  EXPECT_EQ(label->GlyphFrame(), 2);
  label->SetEnabled(true);
  // Margin below -1 is refused.
  label->SetMargin(-2);
  EXPECT_EQ(label->Margin(), -1);
  // The skin's colours.
  label->SetSkinData(&skin.data);
  EXPECT_EQ(count(RGB(250, 250, 0)), 0);
  EXPECT_GT(count(RGB(0, 250, 250)), 10);
  label->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_GT(count(RGB(250, 0, 250)), 10);
}

// A list picture stands in for the glyph: the active one under the mouse.
TEST(ContainerLooks, ButtonLabelShowsItsListPictures) {
  Form f;
  auto* label = f.Add<TspSkinButtonLabel>(&f.form, 10, 10, 120, 40);
  label->SetCaption("Go");
  auto* images = new TCustomImageList(&f.form, 10, 10);
  TBitmap pic;
  pic.SetSize(20, 10);
  const COLORREF normal = RGB(240, 120, 0), active = RGB(120, 0, 240);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) pic.Canvas()->SetPixel(x, y, static_cast<TColor>(x < 10 ? normal : active));
  ASSERT_EQ(images->Add(&pic, nullptr), 0);
  label->SetImageList(images);
  label->SetImageIndex(0);
  label->ActiveImageIndex = 1;
  f.Show();
  auto count = [&](COLORREF c) {
    Dib d(f.form.ClientWidth(), f.form.ClientHeight());
    f.form.PaintTo(d.dc, 0, 0);
    int n = 0;
    for (int y = 10; y < 50; ++y)
      for (int x = 10; x < 130; ++x) n += d.At(x, y) == c;
    return n;
  };
  EXPECT_EQ(count(normal), 100);
  label->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(count(active), 100);
  label->ActiveImageIndex = 7;  // past the list: the normal picture stays
  EXPECT_EQ(count(normal), 100);
  label->Perform(CM_MOUSELEAVE, 0, 0);
  delete images;
  EXPECT_EQ(label->ImageList(), nullptr);
  EXPECT_EQ(count(normal), 0);
}

TEST(ContainerLooks, SplitterFromTheSkin) {
  LooksSkin skin;
  Form f(400, 200);
  auto* left = f.Add<TspSkinPanel>(&f.form, 0, 0, 100, 10);
  left->SetAlign(alLeft);
  auto* split = f.Add<TspSkinSplitterEx>(&f.form, 100, 0, 10, 10);
  f.Show();
  EXPECT_EQ(split->Width(), 10);
  ExpectPixels(Form::Paint(split), {{"face", 5, 50, GetSysColor(COLOR_BTNFACE)}}, "default");
  split->SetSkinData(&skin.data);
  EXPECT_EQ(split->Width(), 8);
  int h = split->Height(), mid = h / 2;
  ExpectPixels(Form::Paint(split),
               {{"top", 4, 5, C(kSplitTop)}, {"middle", 4, 40, C(kSplitMiddle)}, {"bottom", 4, h - 5, C(kSplitBottom)},
                {"grip", 4, mid, C(kSplitGrip)}},
               "skin");
}

struct ToolBarForm : Form {
  TspSkinToolBar* bar;
  TspSkinSpeedButton* buttons[10];
  ToolBarForm() : Form(500, 200) {
    bar = Add<TspSkinToolBar>(&form, 0, 0, 400, 25);
    for (int i = 0; i < 10; ++i) buttons[i] = Add<TspSkinSpeedButton>(bar, i * 25, 0, 25, 20);
    bar->SetCanScroll(true);
    Show();
    bar->SetBounds(0, 0, 100, 25);
  }
  void Nc(UINT msg, LRESULT hit) { SendMessageW(bar->Handle(), msg, hit, 0); }
};

TEST(ContainerLooks, ToolBarHeldAndHoveredScrollButtons) {
  FakeTimers timers;
  ToolBarForm t;
  TspSkinToolBar* bar = t.bar;
  ASSERT_TRUE(bar->ScrollButtonsShown());
  int cw = bar->ClientWidth();
  // Held: the press starts the timer; each tick scrolls a step.
  t.Nc(WM_NCLBUTTONDOWN, HTSCROLLRIGHT);
  EXPECT_TRUE(bar->ScrollButtonDown(1));
  EXPECT_EQ(bar->ScrollPosition(), 0);
  timers.Advance(50);
  EXPECT_EQ(bar->ScrollPosition(), cw);
  timers.Advance(50);
  EXPECT_EQ(bar->ScrollPosition(), 2 * cw);
  timers.Advance(500);
  // At the end the timer stops by itself.
  EXPECT_EQ(bar->ScrollPosition(), 250 - cw);
  EXPECT_EQ(bar->TimerMode(), 0);
  t.Nc(WM_NCLBUTTONUP, HTSCROLLRIGHT);
  EXPECT_FALSE(bar->ScrollButtonDown(1));

  // Hover scrolling: resting on the left button scrolls back.
  bar->HotScroll = true;
  bar->SetScrollTimerInterval(0);  // refused
  bar->SetScrollOffset(-5);        // refused
  EXPECT_EQ(bar->ScrollTimerInterval(), 50);
  EXPECT_EQ(bar->ScrollOffset(), 0);
  t.Nc(WM_NCMOUSEMOVE, HTSCROLLLEFT);
  EXPECT_TRUE(bar->ScrollButtonHot(0));
  EXPECT_EQ(bar->TimerMode(), 1);
  timers.Advance(50);
  EXPECT_EQ(bar->ScrollPosition(), 250 - 2 * cw);
  // Into the client area: the hover ends and so does the scrolling.
  SendMessageW(bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_FALSE(bar->ScrollButtonHot(0));
  EXPECT_EQ(bar->TimerMode(), 0);
  timers.Advance(200);
  EXPECT_EQ(bar->ScrollPosition(), 250 - 2 * cw);

  // Leaving the bar altogether: the watch timer notices.
  t.Nc(WM_NCMOUSEMOVE, HTSCROLLRIGHT);
  EXPECT_EQ(bar->TimerMode(), 2);
  RECT wr;
  GetWindowRect(bar->Handle(), &wr);
  SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.right - 3, wr.top + 5));
  // The far corner of the screen, where no test puts a window.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  timers.Advance(100);
  EXPECT_FALSE(bar->ScrollButtonHot(1));
  EXPECT_EQ(bar->TimerMode(), 0);
}

TEST(ContainerLooks, ToolBarWideningWhileScrolledFollowsTheGrowth) {
  ToolBarForm t;
  TspSkinToolBar* bar = t.bar;
  for (int i = 0; i < 3; ++i) {
    t.Nc(WM_NCLBUTTONDOWN, HTSCROLLRIGHT);
    t.Nc(WM_NCLBUTTONUP, HTSCROLLRIGHT);
  }
  int pos = bar->ScrollPosition();
  ASSERT_EQ(pos, 250 - bar->ClientWidth());
  // At the end, 20 pixels wider: the content moves right by the growth.
  bar->SetBounds(0, 0, 120, 25);
  EXPECT_EQ(bar->ScrollPosition(), pos - 20);
  EXPECT_EQ(t.buttons[9]->Left() + 25, bar->ClientWidth());
}

TEST(ContainerLooks, ToolBarFromTheSkin) {
  LooksSkin skin;
  ToolBarForm t;
  TspSkinToolBar* bar = t.bar;
  bar->SetBounds(0, 0, 400, 25);
  ASSERT_FALSE(bar->ScrollButtonsShown());
  ExpectPixels(Form::Paint(bar), {{"face", 300, 12, GetSysColor(COLOR_BTNFACE)}}, "default");
  bar->SetSkinData(&skin.data);
  ExpectPixels(Form::Paint(bar),
               {{"left end", 2, 0, C(kBarLeft)}, {"middle", 300, 12, C(kBarMiddle)}, {"right end", 397, 12, C(kBarRight)}},
               "skin");
  // Narrowed: the scroll buttons take the ends, the client shows the middle.
  bar->SetBounds(0, 0, 100, 25);
  ASSERT_TRUE(bar->ScrollButtonsShown());
  ExpectPixels(Form::Paint(bar), {{"middle at the left", 1, 0, C(kBarMiddle)}}, "narrowed");
  // The scroll buttons are drawn from "resizebutton", by state.
  auto ncPixel = [&](int x, int y) {
    SendMessageW(bar->Handle(), WM_NCPAINT, 1, 0);
    HDC dc = GetWindowDC(bar->Handle());
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(bar->Handle(), dc);
    return c;
  };
  EXPECT_TRUE(Dib::Near(ncPixel(1, 12), C(kScroll)));
  EXPECT_TRUE(Dib::Near(ncPixel(98, 12), C(kScroll)));
  t.Nc(WM_NCMOUSEMOVE, HTSCROLLRIGHT);
  EXPECT_TRUE(Dib::Near(ncPixel(98, 12), C(kScrollActive)));
  t.Nc(WM_NCLBUTTONDOWN, HTSCROLLRIGHT);
  EXPECT_TRUE(Dib::Near(ncPixel(98, 12), C(kScrollDown)));
  t.Nc(WM_NCLBUTTONUP, HTSCROLLRIGHT);
  // Default look of the scroll buttons without the element.
  bar->SetSkinData(nullptr);
  SendMessageW(bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(Dib::Near(ncPixel(0, 12), GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_TRUE(Dib::Near(ncPixel(2, 2), GetSysColor(COLOR_BTNFACE)));
}

TEST(ContainerLooks, ToolBarCaptionsWidthsAndCentredBevel) {
  Form f;
  auto* bar = f.Add<TspSkinToolBar>(&f.form, 0, 0, 300, 30);
  auto* b = f.Add<TspSkinSpeedButton>(bar, 0, 0, 25, 20);
  auto* bevel = f.Add<TspSkinBevel>(bar, 30, 0, 2, 16);
  f.Show();
  EXPECT_EQ(bevel->Top(), 7);
  bevel->SetBounds(30, 20, 2, 16);
  EXPECT_EQ(bevel->Top(), 7);
  // Any skinned control, windowless or windowed, is centred by its own
  // bounds change; a bar that does not line up its controls leaves the top.
  auto* windowed = f.Add<TspSkinButton>(bar, 40, 0, 40, 24);
  struct {
    TControl* c;
    int height, top;
  } cases[] = {{b, 20, 5}, {windowed, 24, 3}, {b, 11, 10}};
  for (const auto& c : cases) {
    c.c->SetBounds(c.c->Left(), 21, c.c->Width(), c.height);
    EXPECT_EQ(c.c->Top(), c.top) << c.height;
  }
  bar->AdjustControls = false;
  windowed->SetBounds(40, 2, 40, 24);
  EXPECT_EQ(windowed->Top(), 2);
  bar->AdjustControls = true;
  bar->AutoShowHideCaptions = true;
  bar->SetShowCaptions(true);
  EXPECT_TRUE(b->ShowCaption());
  EXPECT_EQ(bar->Width(), 300);  // no widths given
  bar->WidthWithCaptions = 280;
  bar->WidthWithoutCaptions = 150;
  bar->SetShowCaptions(false);
  EXPECT_FALSE(b->ShowCaption());
  EXPECT_EQ(bar->Width(), 150);
  bar->SetShowCaptions(true);
  EXPECT_EQ(bar->Width(), 280);
  // The bar's image lists let go of a list that goes away.
  auto* images = new TCustomImageList(&f.form, 8, 8);
  bar->SetImages(images);
  bar->SetHotImages(images);
  bar->SetDisabledImages(images);
  delete images;
  EXPECT_EQ(bar->Images(), nullptr);
  EXPECT_EQ(bar->HotImages(), nullptr);
  EXPECT_EQ(bar->DisabledImages(), nullptr);
}

TEST(ContainerLooks, NotebookPageButtonsStackAroundTheShownPage) {
  LooksSkin skin;
  Form f;
  auto* book = f.Add<TspSkinNotebook>(&f.form, 10, 10, 200, 300);
  for (const char* c : {"Two", "Three", "Four", "Five"}) book->AddPage(c);
  book->SetPageIndex(0);
  book->SetButtonsMode(true);
  f.Show();
  ASSERT_EQ(book->ButtonCount(), 5);
  EXPECT_EQ(book->Button(3)->Caption(), "Four");
  book->SetPageIndex(2);
  Application->ProcessMessages();
  TspSkinPage* page = book->Page(2);
  for (int i = 0; i < 5; ++i) {
    TspPageButton* b = book->Button(i);
    EXPECT_EQ(b->Height(), 25);
    if (i <= 2)
      EXPECT_LE(b->Top() + b->Height(), page->Top()) << i;
    else
      EXPECT_GE(b->Top(), page->Top() + page->Height()) << i;
  }
  EXPECT_LT(book->Button(0)->Top(), book->Button(1)->Top());
  EXPECT_LT(book->Button(3)->Top(), book->Button(4)->Top());
  // A click on a button shows its page.
  TspPageButton* b4 = book->Button(4);
  POINT p{b4->Left() + 5, b4->Top() + 5};
  SendMessageW(book->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  SendMessageW(book->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  EXPECT_EQ(book->PageIndex(), 4);
  EXPECT_EQ(book->Button(4)->Align(), alTop);
  // Renaming a page renames its button.
  book->SetPageCaption(1, "Second");
  EXPECT_EQ(book->Button(1)->Caption(), "Second");
  // The pages carry the notebook's skin.
  book->SetSkinData(&skin.data);
  book->SetPageIndex(1);
  EXPECT_EQ(book->Page(1)->SkinData(), &skin.data);
  book->SetButtonsMode(false);
  EXPECT_EQ(book->ButtonCount(), 0);
}

}  // namespace

namespace {

TEST(ContainerLooks, RollingKeepsTheSizeConstraints) {
  Form f;
  auto* panel = f.Add<TspSkinPanel>(&f.form, 10, 10, 200, 120);
  panel->SetCaptionMode(true);
  panel->SetRollUpMode(true);
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 250, 10, 150, 100);
  f.Show();
  for (TControl* c : {static_cast<TControl*>(panel), static_cast<TControl*>(ex)}) {
    c->Constraints()->SetMinHeight(80);
    c->Constraints()->SetMaxWidth(300);
  }
  panel->SetRollUpState(true);
  ex->SetRollState(true);
  // Rolled: down to the caption, whatever the limits say.
  EXPECT_EQ(panel->Height(), 23);
  EXPECT_EQ(ex->Height(), 21);
  EXPECT_EQ(panel->Constraints()->MinHeight(), 0);
  panel->SetRollUpState(false);
  ex->SetRollState(false);
  for (TControl* c : {static_cast<TControl*>(panel), static_cast<TControl*>(ex)}) {
    EXPECT_EQ(c->Constraints()->MinHeight(), 80);
    EXPECT_EQ(c->Constraints()->MaxWidth(), 300);
  }
  EXPECT_EQ(panel->Height(), 120);
  EXPECT_EQ(ex->Height(), 100);
  // The limits hold again once unrolled.
  panel->SetBounds(10, 10, 400, 40);
  EXPECT_EQ(panel->Height(), 80);
  EXPECT_EQ(panel->Width(), 300);
  // Without the mode nothing is rolled and the limits stay.
  panel->SetRollUpMode(false);
  panel->SetRollUpState(true);
  EXPECT_FALSE(panel->RollUpState());
  EXPECT_EQ(panel->Constraints()->MinHeight(), 80);
}

// The whole family on one form: the behaviours that matter, then each
// control's look where it stands, in the default look and in the skin.
TEST(ContainerLooks, TheTestFormInBothLooks) {
  FakeTimers timers;
  LooksSkin skin;
  Form f(640, 480);
  TForm& form = f.form;
  auto* bar = f.Add<TspSkinToolBar>(&form, 0, 0, 640, 25);
  bar->SetAlign(alTop);
  bar->SetCanScroll(true);
  TspSkinSpeedButton* tools[10];
  for (int i = 0; i < 10; ++i) tools[i] = f.Add<TspSkinSpeedButton>(bar, i * 25, 0, 25, 20);
  auto* status = new TspSkinStatusBar(&form);
  status->SetParent(&form);
  status->SetSizeGrip(true);
  auto* left = f.Add<TspSkinPanel>(&form, 0, 0, 140, 10);
  left->SetAlign(alLeft);
  auto* split = f.Add<TspSkinSplitterEx>(&form, 140, 0, 10, 10);
  auto* rolled = f.Add<TspSkinPanel>(left, 5, 5, 130, 100);
  rolled->SetCaptionMode(true);
  rolled->SetRollUpMode(true);
  auto* shown = f.Add<TspSkinPanel>(rolled, 5, 30, 40, 40);
  auto* hidden = f.Add<TspSkinPanel>(rolled, 50, 30, 40, 40);
  hidden->Hide();
  auto* group = f.Add<TspSkinGroupBox>(&form, 160, 40, 150, 80);
  group->SetCaption("Group");
  auto* std = f.Add<TspSkinStdLabel>(&form, 160, 130, 10, 10);
  std->SetCaption("Label");
  auto* link = f.Add<TspSkinLinkLabel>(&form, 220, 130, 10, 10);
  link->SetCaption("Link");
  auto* button = f.Add<TspSkinButtonLabel>(&form, 270, 125, 60, 25);
  button->SetCaption("Button");
  auto* framed = f.Add<TspSkinLabel>(&form, 160, 170, 100, 24);
  framed->SetCaption("Framed");
  auto* bevel = f.Add<TspSkinBevel>(&form, 160, 200, 150, 4);
  bevel->SetShape(bsTopLine);
  auto* anim = f.Add<TspSkinAnimate>(&form, 320, 40, 30, 30);
  auto* ex = f.Add<TspSkinExPanel>(&form, 360, 40, 150, 100);
  auto* book = f.Add<TspSkinNotebook>(&form, 320, 210, 200, 150);
  book->AddPage("Two");
  book->AddPage("Three");
  TEdit* edits[3];
  for (int i = 0; i < 3; ++i) edits[i] = f.Add<TEdit>(book->Page(i), 10, 10, 100, 21);
  book->SetPageIndex(0);
  f.Show();

  // Roll-up changes the height and keeps the hidden child hidden.
  rolled->SetRollUpState(true);
  EXPECT_EQ(rolled->Height(), rolled->DefaultCaptionHeight() + 1);
  EXPECT_FALSE(shown->Visible());
  rolled->SetRollUpState(false);
  EXPECT_EQ(rolled->Height(), 100);
  EXPECT_TRUE(shown->Visible());
  EXPECT_FALSE(hidden->Visible());
  // The splitter resizes its neighbour, down to the snap.
  SendMessageW(split->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(split->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(25, 5));
  SendMessageW(split->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(25, 5));
  EXPECT_EQ(left->Width(), 160);
  // The notebook shows one page and takes the focus along.
  ASSERT_TRUE(edits[0]->SetFocus());
  book->SetPageIndex(1);
  EXPECT_EQ(GetFocus(), edits[1]->Handle());
  int shownPages = 0;
  for (int i = 0; i < 3; ++i) shownPages += book->Page(i)->Visible();
  EXPECT_EQ(shownPages, 1);
  book->SetPageIndex(0);
  // Narrowed, the tool bar scrolls.
  bar->SetAlign(alNone);
  bar->SetBounds(0, 0, 120, 25);
  ASSERT_TRUE(bar->ScrollButtonsShown());
  SendMessageW(bar->Handle(), WM_NCLBUTTONDOWN, HTSCROLLRIGHT, 0);
  SendMessageW(bar->Handle(), WM_NCLBUTTONUP, HTSCROLLRIGHT, 0);
  EXPECT_EQ(tools[0]->Left(), -bar->ClientWidth());
  bar->SetAlign(alTop);
  EXPECT_FALSE(bar->ScrollButtonsShown());

  auto paint = [&] {
    Application->ProcessMessages();
    Dib d(form.ClientWidth(), form.ClientHeight());
    form.PaintTo(d.dc, 0, 0);
    return d;
  };
  int sb = status->Top();
  COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
  ExpectPixels(paint(),
               {{"tool bar", 620, 2, face}, {"status bar", 300, sb + 10, face},
                {"panel frame", 0, 200, shadow}, {"splitter", split->Left() + 5, 300, face},
                {"group box frame", 160, 100, shadow}, {"group box body", 235, 100, face},
                {"framed label frame", 160, 180, shadow}, {"bevel", 200, 200, shadow},
                {"animation frame", 320, 50, shadow}, {"animation body", 335, 55, face},
                {"expandable panel frame", 360, 120, shadow}, {"notebook frame", 320, 300, shadow}},
               "default");

  for (TControl* c : std::initializer_list<TControl*>{bar, status, left, split, rolled, group, framed, ex, book})
    dynamic_cast<TspSkinControlT<TCustomControl>*>(c)->SetSkinData(&skin.data);
  std->SetSkinData(&skin.data);
  link->SetSkinData(&skin.data);
  button->SetSkinData(&skin.data);
  Application->ProcessMessages();
  sb = status->Top();
  RECT g = status->GripRect();
  Dib d = paint();
  ExpectPixels(d,
               {{"tool bar end", 2, 1, C(kBarLeft)}, {"tool bar middle", 620, 1, C(kBarMiddle)},
                {"status bar", 300, sb + 10, C(kStatus)}, {"grip", g.left + 5, sb + g.bottom - 5, C(kGrip)},
                {"panel frame", 2, 200, C(kPanelFrame)}, {"splitter", split->Left() + 4, 300, C(kSplitMiddle)},
                {"group box frame", 162, 100, C(kPanelFrame)}, {"group box client", 235, 80, C(kPanelClient)},
                {"framed label frame", 161, 180, C(kLabelFrame)}, {"expandable panel top", 420, 59, C(kExTop)},
                {"expandable panel client", 435, 90, C(kExClient)}, {"notebook frame", 322, 300, C(kPanelFrame)},
                {"animation placeholder", 335, 55, face}},
               "skin");
  int skinText = 0;
  for (int y = 125; y < 160; ++y)
    for (int x = 160; x < 330; ++x) skinText += d.At(x, y) == RGB(0, 250, 250);
  EXPECT_GT(skinText, 30) << "the labels take the skin's text colour";
}

}  // namespace

namespace {

// An 8 x 8 two-frame strip, red then blue; the bottom row is the
// transparent colour.
TspPicture TwoFrameGlyph() {
  TspPicture g = SolidPicture(16, 9, 0x000000);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) g.Pixels[size_t(y) * 16 + x] = x < 8 ? 0xE00000 : 0x0000E0;
  return g;
}

TEST(ContainerLooks, PanelCaptionGlyphAndFrameStrip) {
  LooksSkin skin;
  Form f;
  auto* p = f.Add<TspSkinPanel>(&f.form, 10, 10, 150, 100);
  p->SetCaption("Cap");
  p->SetCaptionMode(true);
  p->SetGlyph(TwoFrameGlyph());
  p->SetNumGlyphs(2);
  f.Show();
  // Default look: the glyph starts the caption, two pixels in.
  ExpectPixels(Form::Paint(p), {{"glyph", 6, 8, C(0xE00000)}, {"left of glyph", 3, 8, GetSysColor(COLOR_BTNFACE)}},
               "default");
  p->SetEnabled(false);
  ExpectPixels(Form::Paint(p), {{"disabled glyph", 6, 8, C(0x0000E0)}}, "disabled");
  p->SetEnabled(true);
  // Skinned, pinned to the caption's left end while the text is centred.
  p->SetSkinData(&skin.data);
  p->SetImagePosition(spipLeft);
  ExpectPixels(Form::Paint(p), {{"glyph", 14, 4, C(0xE00000)}}, "skin, left");
  // A frame strip behind a left-aligned caption.
  auto* e = static_cast<TspDataSkinPanelControl*>(skin.data.CtrlList[0].get());
  e->Alignment = taLeftJustify;
  e->FrameRect = TspRect{0, 180, 30, 190};
  e->FrameTextRect = TspRect{5, 0, 25, 10};
  e->FrameLeftOffset = e->FrameRightOffset = 5;
  TspPicture& pic = skin.data.FActivePictures[0];
  for (int y = 180; y < 190; ++y)
    for (int x = 0; x < 30; ++x) pic.Pixels[size_t(y) * pic.Width + x] = x < 5 ? 0x102030 : 0x405060;
  p->SetGlyph(TspPicture());
  ExpectPixels(Form::Paint(p), {{"strip end", 11, 1, C(0x102030)}, {"strip middle", 16, 1, C(0x405060)}},
               "frame strip");
}

TEST(ContainerLooks, LinkLabelGlowsInTheActiveColour) {
  LooksSkin skin;
  Form f;
  auto* link = f.Add<TspSkinLinkLabel>(&f.form, 10, 10, 10, 10);
  link->SetCaption("Glowing");
  link->GlowEffect = true;
  link->GlowSize = 6;
  f.Show();
  link->SetSkinData(&skin.data);
  link->SetBounds(10, 10, link->Width(), link->Height() + 12);
  auto countWhere = [&](auto match, int fromRow) {
    Dib d(f.form.ClientWidth(), f.form.ClientHeight());
    f.form.PaintTo(d.dc, 0, 0);
    int n = 0;
    for (int y = 10 + fromRow; y < 10 + link->Height(); ++y)
      for (int x = 10; x < 10 + link->Width(); ++x) n += match(d.At(x, y));
    return n;
  };
  auto count = [&](COLORREF c, int fromRow) { return countWhere([c](COLORREF p) { return p == c; }, fromRow); };
  // The halo is blurred over the black form: the glow colour at any strength.
  auto glowTinted = [&] {
    return countWhere(
        [](COLORREF p) { return GetRValue(p) > 40 && GetBValue(p) > 40 && GetGValue(p) < GetRValue(p) / 2; }, 0);
  };
  EXPECT_EQ(glowTinted(), 0);
  int text = count(RGB(0, 250, 250), 0);
  EXPECT_GT(text, 20);
  // The text sits GlowSize lower: nothing of it in the top rows.
  EXPECT_EQ(count(RGB(0, 250, 250), 0) - count(RGB(0, 250, 250), 6), 0);
  link->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_GT(glowTinted(), 20);
  EXPECT_GT(count(RGB(0, 250, 250), 0), 10);
}

}  // namespace

namespace {

// A splitter between an aligned neighbour and a client panel, dragged by
// `d` pixels along its axis.
TEST(ContainerLooks, SplitterDragsEveryAlignmentAndEscapeEndsTheDrag) {
  struct Case {
    TAlign align;
    int drag, wantSize;
  };
  for (Case c : {Case{alTop, 30, 130}, Case{alBottom, -30, 130}, Case{alLeft, 30, 130}, Case{alRight, -30, 130}}) {
    Form f(400, 400);
    bool vertical = c.align == alTop || c.align == alBottom;
    auto* n = f.Add<TspSkinPanel>(&f.form, 0, 0, 100, 100);
    n->SetAlign(c.align);
    auto* s = f.Add<TspSkinSplitterEx>(&f.form, 0, 0, 10, 10);
    s->SetAlign(c.align);
    // Placed just inside the neighbour, so the layout puts it next to it.
    if (c.align == alTop) s->SetBounds(0, 100, 400, 10);
    if (c.align == alBottom) s->SetBounds(0, 250, 400, 10);
    if (c.align == alLeft) s->SetBounds(100, 0, 10, 400);
    if (c.align == alRight) s->SetBounds(250, 0, 10, 400);
    auto* client = f.Add<TspSkinPanel>(&f.form, 0, 0, 10, 10);
    client->SetAlign(alClient);
    f.Show();
    EXPECT_EQ(s->Cursor(), vertical ? crVSplit : crHSplit) << c.align;
    int x = vertical ? 5 : 5 + c.drag, y = vertical ? 5 + c.drag : 5;
    SendMessageW(s->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(s->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(s->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_EQ(vertical ? n->Height() : n->Width(), c.wantSize) << c.align;
    // The neighbour keeps to its edge of the form.
    if (c.align == alBottom) EXPECT_EQ(n->Top() + n->Height(), f.form.ClientHeight());
    if (c.align == alRight) EXPECT_EQ(n->Left() + n->Width(), f.form.ClientWidth());
  }

  // Esc during a drag: sizing ends, the new size stays, OnMoved fires.
  Form f(400, 200);
  auto* n = f.Add<TspSkinPanel>(&f.form, 0, 0, 100, 10);
  n->SetAlign(alLeft);
  auto* s = f.Add<TspSkinSplitterEx>(&f.form, 100, 0, 10, 10);
  auto* edit = f.Add<TEdit>(&f.form, 200, 10, 100, 21);
  f.Show();
  ASSERT_TRUE(edit->SetFocus());
  int moved = 0;
  s->OnMoved = [&](TObject*) { ++moved; };
  SendMessageW(s->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(s->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(25, 5));
  EXPECT_EQ(n->Width(), 120);
  EXPECT_EQ(moved, 1);
  SendMessageW(edit->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(s->Sizing(), nullptr);
  EXPECT_EQ(moved, 2);
  SendMessageW(s->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 5));
  SendMessageW(s->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, 5));
  EXPECT_EQ(n->Width(), 120);
  // The edit has its own key handling back.
  EXPECT_FALSE(edit->OnKeyDown);
}

}  // namespace

namespace {

TEST(ContainerLooks, ExpandablePanelWithoutTheSkinSizeUsesThePanelLook) {
  LooksSkin skin;
  Form f;
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 10, 10, 150, 100);
  f.Show();
  ex->SetSkinData(&skin.data);
  ex->SetUseSkinSize(false);
  // The children start below a caption bar DefaultCaptionHeight high.
  auto* child = f.Add<TspSkinPanel>(ex, 0, 0, 10, 10);
  child->SetAlign(alClient);
  EXPECT_EQ(child->Top(), 21);
  child->Hide();
  // The "panel" body, the expandable panel's caption picture as the bar,
  // a shadow line under it, buttons in their default look.
  RECT close = ex->ButtonRect(0);
  ExpectPixels(Form::Paint(ex),
               {{"body frame", 2, 50, C(kPanelFrame)}, {"body client", 75, 50, C(kPanelClient)},
                {"bar", 60, 12, C(kExTop)}, {"bar line", 60, 19, RGB(10, 20, 30)},
                {"close", close.left + 1, close.top + 1, GetSysColor(COLOR_BTNFACE)}},
               "panel style");
  // Rolled, it is as high as the caption.
  ex->SetRollState(true);
  EXPECT_EQ(ex->Height(), 21);
}

}  // namespace

namespace {

TEST(ContainerLooks, NotebookPageButtonsTakeTheirPagesImages) {
  Form f;
  auto* images = new TCustomImageList(&f.form, 8, 8);
  TBitmap pic;
  pic.SetSize(16, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) pic.Canvas()->SetPixel(x, y, static_cast<TColor>(x < 8 ? RGB(200, 0, 0) : RGB(0, 0, 200)));
  ASSERT_EQ(images->Add(&pic, nullptr), 0);
  ASSERT_EQ(images->Count(), 2);
  auto* book = f.Add<TspSkinNotebook>(&f.form, 10, 10, 200, 300);
  book->AddPage("Two");
  book->AddPage("Three");
  book->Page(1)->ImageIndex = 1;
  book->Page(2)->ImageIndex = 5;  // past the list: no image
  book->SetImages(images);
  book->SetButtonsMode(true);
  f.Show();
  EXPECT_EQ(book->Button(0)->ImageList(), nullptr);
  EXPECT_EQ(book->Button(1)->ImageList(), images);
  EXPECT_EQ(book->Button(1)->ImageIndex(), 1);
  EXPECT_EQ(book->Button(2)->ImageList(), nullptr);
  EXPECT_EQ(book->Button(2)->ImageIndex(), -1);
  delete images;
  EXPECT_EQ(book->Images(), nullptr);
  EXPECT_EQ(book->Button(1)->ImageList(), nullptr);
}

}  // namespace

namespace {

// A caption shows an image of its list only while it has no glyph.
TEST(ContainerLooks, CaptionImagesOfAListGiveWayToTheGlyph) {
  Form f;
  auto* images = new TCustomImageList(&f.form, 8, 8);
  TBitmap pic;
  pic.SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) pic.Canvas()->SetPixel(x, y, static_cast<TColor>(RGB(0, 200, 0)));
  ASSERT_EQ(images->Add(&pic, nullptr), 0);
  auto* panel = f.Add<TspSkinPanel>(&f.form, 10, 10, 150, 100);
  panel->SetCaption("Cap");
  panel->SetCaptionMode(true);
  auto* ex = f.Add<TspSkinExPanel>(&f.form, 200, 10, 150, 100);
  ex->SetCaption("Cap");
  f.Show();
  panel->SetCaptionImageList(images);
  ex->SetCaptionImageList(images);
  // Out of range: nothing.
  panel->SetCaptionImageIndex(3);
  ex->SetCaptionImageIndex(3);
  ExpectPixels(Form::Paint(panel), {{"no image", 6, 8, GetSysColor(COLOR_BTNFACE)}}, "panel, bad index");
  panel->SetCaptionImageIndex(0);
  ex->SetCaptionImageIndex(0);
  ExpectPixels(Form::Paint(panel), {{"image", 6, 8, RGB(0, 200, 0)}}, "panel, list");
  ExpectPixels(Form::Paint(ex), {{"image", 4, 10, RGB(0, 200, 0)}}, "expandable panel, list");
  panel->SetGlyph(TwoFrameGlyph());
  ex->SetGlyph(TwoFrameGlyph());
  ExpectPixels(Form::Paint(panel), {{"glyph", 6, 8, C(0xE00000)}}, "panel, glyph");
  ExpectPixels(Form::Paint(ex), {{"glyph", 4, 10, C(0xE00000)}}, "expandable panel, glyph");
  delete images;
  EXPECT_EQ(panel->CaptionImageList(), nullptr);
  EXPECT_EQ(ex->CaptionImageList(), nullptr);
}

}  // namespace

namespace {

// A button on a tool bar without a glyph shows the bar's pictures: the hot
// list under the mouse, the disabled list (as drawn, not greyed) when
// disabled, else the normal list; without a disabled list it greys the normal one.
TEST(ContainerLooks, ToolBarButtonsTakeTheBarsImageLists) {
  Form f;
  auto list = [&](COLORREF colour) {
    auto* images = new TCustomImageList(&f.form, 8, 8);
    TBitmap pic;
    pic.SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) pic.Canvas()->SetPixel(x, y, static_cast<TColor>(colour));
    EXPECT_EQ(images->Add(&pic, nullptr), 0);
    return images;
  };
  const COLORREF normal = RGB(200, 0, 0), hot = RGB(0, 200, 0), disabled = RGB(0, 0, 200);
  auto* bar = f.Add<TspSkinToolBar>(&f.form, 0, 0, 200, 40);
  auto* b = f.Add<TspSkinSpeedButton>(bar, 0, 0, 40, 30);
  b->SetCaption("");
  b->SetImageIndex(0);
  bar->SetImages(list(normal));
  f.Show();
  auto centre = [&] {
    Dib d = Form::Paint(bar);
    return d.At(b->Left() + 20, b->Top() + 15);
  };
  EXPECT_EQ(centre(), normal) << "at rest";
  b->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(centre(), normal) << "hot without a hot list";
  bar->SetHotImages(list(hot));
  EXPECT_EQ(centre(), hot) << "hot";
  b->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(centre(), normal) << "left again";
  b->SetEnabled(false);
  EXPECT_NE(centre(), normal) << "disabled without a disabled list greys the normal picture";
  bar->SetDisabledImages(list(disabled));
  EXPECT_EQ(centre(), disabled) << "disabled list drawn as it is";
  b->SetEnabled(true);
  b->SetImageIndex(3);
  EXPECT_NE(centre(), normal) << "an index past the lists shows no picture";
}

}  // namespace

namespace {

// Showing a page, or a control on a page, turns the notebook to that page.
TEST(ContainerLooks, ShowingAControlOnAPageTurnsToIt) {
  Form f;
  auto* book = f.Add<TspSkinNotebook>(&f.form, 10, 10, 200, 150);
  book->AddPage("Two");
  book->AddPage("Three");
  auto* edit = f.Add<TEdit>(book->Page(2), 5, 5, 80, 20);
  f.Show();
  book->SetPageIndex(0);
  ASSERT_EQ(book->PageIndex(), 0);
  book->Page(1)->Show();
  EXPECT_EQ(book->PageIndex(), 1);
  edit->Show();
  EXPECT_EQ(book->PageIndex(), 2);
  EXPECT_TRUE(edit->Showing());
  EXPECT_FALSE(book->Page(1)->Showing());
}

}  // namespace
