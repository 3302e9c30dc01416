// The bases against a synthetic skin: flat colour blocks, one colour per
// nine-part cell, a one-pixel marker column in the centre cell so that
// tiling and stretching can be told apart, strips and a mask.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>

#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/Controls.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/controls/SkinTrackBar.h"

namespace {

// Picture colours are 0xRRGGBB; Dib::At gives COLORREF.
COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

const uint32_t kCells[3][3] = {{0xFF0000, 0x00FF00, 0x0000FF},
                               {0xFFFF00, 0x808080, 0x00FFFF},
                               {0xFF00FF, 0x800000, 0x008000}};
const uint32_t kMarker = 0x101010;
const uint32_t kFixed = 0x336699;
const uint32_t kStrip[3] = {0xAA0000, 0x00AA00, 0x0000AA};
// Normal, hot, pressed, checked, unchecked, thumb, hot thumb, progress, track, filled track.
const uint32_t kStates[10] = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xC0B0A0,
                              0x112233, 0x445566, 0x778899, 0x99AA00, 0x00AA99};
const uint32_t kFrames[3] = {0x010203, 0x040506, 0x070809};
enum { sNormal, sHot, sDown, sChecked, sUnchecked, sThumb, sHotThumb, sProgress, sTrack, sFilled };
TspRect Block(int i) { return TspRect{i * 20, 0, i * 20 + 20, 20}; }

struct TestSkin {
  TspSkinData* owned = new TspSkinData(nullptr);
  TspSkinData& data = *owned;
  ~TestSkin() { delete owned; }
  void Free() {
    delete owned;
    owned = nullptr;
  }

  // The element of that name, of kind T.
  template <class T>
  T& Element(const char* name) {
    return static_cast<T&>(*data.CtrlList[data.GetControlIndex(name)]);
  }
  template <class T = TspDataSkinCustomControl>
  T& Add(const std::string& name, int picture, TspRect skin) {
    auto e = std::make_unique<T>(name);
    e->PictureIndex = picture;
    e->SkinRect = skin;
    auto& ref = *e;
    data.CtrlList.push_back(std::move(e));
    return ref;
  }

  TestSkin() {
    // Picture 0: the nine-part element at (0, 0, 30, 30), the fixed one at (30, 0, 50, 20).
    TspPicture p0 = SolidPicture(60, 30, 0);
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i) FillPicture(p0, i * 10, j * 10, i * 10 + 10, j * 10 + 10, kCells[j][i]);
    FillPicture(p0, 10, 10, 11, 20, kMarker);
    FillPicture(p0, 30, 0, 50, 20, kFixed);
    // Picture 1: a horizontal strip; picture 2: a vertical one.
    TspPicture p1 = SolidPicture(30, 10, 0);
    TspPicture p2 = SolidPicture(10, 30, 0);
    for (int i = 0; i < 3; ++i) {
      FillPicture(p1, i * 10, 0, i * 10 + 10, 10, kStrip[i]);
      FillPicture(p2, 0, i * 10, 10, i * 10 + 10, kStrip[i]);
    }
    // Picture 3: a mask whose left half is inside.
    TspPicture p3 = SolidPicture(20, 20, 0xFFFFFF);
    FillPicture(p3, 0, 0, 10, 20, 0x000000);
    // Picture 4: state pictures of the controls, one block each.
    // Then three animation frames side by side.
    TspPicture p4 = SolidPicture(260, 20, 0);
    for (int i = 0; i < 10; ++i) FillPicture(p4, i * 20, 0, i * 20 + 20, 20, kStates[i]);
    for (int i = 0; i < 3; ++i) FillPicture(p4, 200 + i * 20, 0, 220 + i * 20, 20, kFrames[i]);
    // Picture 5: a nine-part mask with the top-left 5 x 5 corner cut off;
    // picture 6: a strip mask whose last three columns are cut off.
    TspPicture p5 = SolidPicture(30, 30, 0x000000);
    FillPicture(p5, 0, 0, 5, 5, 0xFFFFFF);
    TspPicture p6 = SolidPicture(30, 10, 0x000000);
    FillPicture(p6, 27, 0, 30, 10, 0xFFFFFF);
    data.FActivePictures = {std::move(p0), std::move(p1), std::move(p2), std::move(p3),
                            std::move(p4), std::move(p5), std::move(p6)};

    auto& nine = Add("nine", 0, TspRect{0, 0, 30, 30});
    NinePart(&nine, 10, 10, 20, 20);
    auto& stretched = Add("ninestretched", 0, TspRect{0, 0, 30, 30});
    NinePart(&stretched, 10, 10, 20, 20);
    stretched.StretchEffect = true;
    Add("fixed", 0, TspRect{30, 0, 50, 20});
    AcrossEnds(&Add("hstrip", 1, TspRect{0, 0, 30, 10}), 10, 20);
    auto& v = Add("vstrip", 2, TspRect{0, 0, 10, 30});
    v.LTPoint = TspPoint{0, 10};
    v.LBPoint = TspPoint{0, 20};
    Add("masked", 0, TspRect{30, 0, 50, 20}).MaskPictureIndex = 3;
    Add("nopicture", 7, TspRect{0, 0, 30, 30});
    auto& maskedNine = Add("maskednine", 0, TspRect{0, 0, 30, 30});
    NinePart(&maskedNine, 10, 10, 20, 20);
    maskedNine.MaskPictureIndex = 5;
    auto& maskedStrip = Add("maskedstrip", 1, TspRect{0, 0, 30, 10});
    AcrossEnds(&maskedStrip, 10, 20);
    maskedStrip.ClRect = TspRect{10, 0, 20, 10};
    maskedStrip.MaskPictureIndex = 6;

    auto& button = Add<TspDataSkinButtonControl>("button", 4, Block(sNormal));
    button.ActiveSkinRect = Block(sHot);
    button.DownSkinRect = Block(sDown);
    NinePart(&button, 2, 2, 18, 18);
    // A fixed-size button with a mask, a strip button and a button that
    // shows its focus.
    Add<TspDataSkinButtonControl>("fixedbutton", 0, TspRect{30, 0, 50, 20}).MaskPictureIndex = 3;
    auto& stripButton = Add<TspDataSkinButtonControl>("stripbutton", 1, TspRect{0, 0, 30, 10});
    AcrossEnds(&stripButton, 10, 20);
    stripButton.ClRect = TspRect{10, 0, 20, 10};
    auto& focusButton = Add<TspDataSkinButtonControl>("focusbutton", 4, Block(sNormal));
    NinePart(&focusButton, 2, 2, 18, 18);
    focusButton.ShowFocus = true;

    auto& check = Add<TspDataSkinCheckRadioControl>("checkbox", 4, Block(sNormal));
    check.CheckImageRect = TspRect{sChecked * 20, 0, sChecked * 20 + 12, 12};
    check.UnCheckImageRect = TspRect{sUnchecked * 20, 0, sUnchecked * 20 + 12, 12};
    check.ActiveCheckImageRect = check.CheckImageRect;
    check.ActiveUnCheckImageRect = check.UnCheckImageRect;

    // The bars: a track block with fixed 5-pixel ends.
    auto& bar = Add<TspDataSkinScrollBarControl>("hscrollbar", 4, TspRect{sTrack * 20, 0, sTrack * 20 + 20, 19});
    AcrossEnds(&bar, 5, 15);
    bar.TrackArea = TspRect{5, 0, 15, 19};
    bar.ThumbRect = TspRect{sThumb * 20, 0, sThumb * 20 + 10, 19};
    bar.ActiveThumbRect = TspRect{sHotThumb * 20, 0, sHotThumb * 20 + 10, 19};
    auto& track = Add<TspDataSkinTrackBarControl>("htrackbar", 4, Block(sTrack));
    AcrossEnds(&track, 5, 15);
    track.TrackArea = TspRect{0, 0, 20, 20};
    track.ActiveSkinRect = Block(sFilled);
    track.ButtonRect = TspRect{sThumb * 20, 0, sThumb * 20 + 10, 20};
    auto& gauge = Add<TspDataSkinGaugeControl>("gauge", 4, Block(sTrack));
    AcrossEnds(&gauge, 5, 15);
    gauge.ProgressArea = TspRect{0, 0, 20, 20};
    gauge.ProgressRect = Block(sProgress);
    data.Empty = false;
  }
};

struct Host {
  TForm form{nullptr};
  Host() {
    form.SetBounds(0, 0, 800, 600);
    form.SetColor(RGB(0, 0, 0));
  }
  template <class T>
  T* Add(TestSkin& skin, const std::string& name, int w, int h) {
    auto* c = new T(&form);
    c->SetParent(&form);
    c->SetSkinDataName(name);
    c->SetBounds(0, 0, w, h);
    c->SetSkinData(&skin.data);
    return c;
  }
  Dib Paint(TControl* c) {
    Dib dib(c->Width(), c->Height());
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      SendMessageW(w->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
    } else {
      Dib whole(800, 600);
      form.PaintTo(whole.dc, 0, 0);
      BitBlt(dib.dc, 0, 0, c->Width(), c->Height(), whole.dc, c->Left(), c->Top(), SRCCOPY);
    }
    return dib;
  }
};

TEST(TspSkinLook, NinePartPlacesCornersEdgesAndCentreAtEverySize) {
  TestSkin skin;
  Host host;
  auto* windowed = host.Add<TspSkinCustomControl>(skin, "nine", 30, 30);
  auto* windowless = host.Add<TspGraphicSkinCustomControl>(skin, "nine", 30, 30);
  windowless->SetBounds(320, 150, 30, 30);
  for (TControl* c : std::initializer_list<TControl*>{windowed, windowless}) {
    for (SIZE size : {SIZE{30, 30}, SIZE{75, 25}, SIZE{90, 60}, SIZE{300, 120}}) {
      c->SetBounds(c->Left(), c->Top(), size.cx, size.cy);
      Dib d = host.Paint(c);
      int w = size.cx, h = size.cy;
      EXPECT_EQ(C(kCells[0][0]), d.At(0, 0)) << w;
      EXPECT_EQ(C(kCells[0][2]), d.At(w - 1, 0)) << w;
      EXPECT_EQ(C(kCells[2][0]), d.At(0, h - 1)) << w;
      EXPECT_EQ(C(kCells[2][2]), d.At(w - 1, h - 1)) << w;
      EXPECT_EQ(C(kCells[0][1]), d.At(w / 2, 0)) << w;
      EXPECT_EQ(C(kCells[1][0]), d.At(0, h / 2)) << w;
      if (h > 20) EXPECT_EQ(C(kCells[1][1]), d.At(15, 10 + (h - 20) / 2)) << w;
    }
  }
  // Tiled: the marker column comes back every 10 pixels of the centre.
  windowed->SetBounds(0, 0, 90, 60);
  Dib tiled = host.Paint(windowed);
  EXPECT_EQ(C(kMarker), tiled.At(10, 30));
  EXPECT_EQ(C(kMarker), tiled.At(20, 30));
  EXPECT_EQ(C(kMarker), tiled.At(70, 30));
  // Stretched: it only widens at the start of the centre.
  auto* stretched = host.Add<TspSkinCustomControl>(skin, "ninestretched", 90, 60);
  Dib s = host.Paint(stretched);
  EXPECT_EQ(C(kMarker), s.At(10, 30));
  EXPECT_EQ(C(kMarker), s.At(15, 30));
  EXPECT_EQ(C(kCells[1][1]), s.At(20, 30));
}

TEST(TspSkinLook, FixedAndStripElementsKeepTheirFixedSides) {
  TestSkin skin;
  Host host;
  auto* fixed = host.Add<TspSkinCustomControl>(skin, "fixed", 40, 40);
  fixed->SetBounds(0, 0, 100, 100);
  EXPECT_EQ(20, fixed->Width());
  EXPECT_EQ(20, fixed->Height());
  EXPECT_EQ(C(kFixed), host.Paint(fixed).At(10, 10));

  // A strip keeps its thickness and shows its three parts along its length.
  auto strip = [&](TControl* c, bool across) {
    EXPECT_EQ(10, across ? c->Height() : c->Width());
    Dib d = host.Paint(c);
    const int along[3] = {5, 50, 95};
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(C(kStrip[i]), across ? d.At(along[i], 5) : d.At(5, along[i])) << across << " part " << i;
  };
  auto* h = host.Add<TspSkinCustomControl>(skin, "hstrip", 100, 40);
  h->SetBounds(0, 0, 100, 40);
  strip(h, true);
  auto* v = host.Add<TspGraphicSkinCustomControl>(skin, "vstrip", 40, 100);
  v->SetBounds(200, 0, 40, 100);
  strip(v, false);
}

TEST(TspSkinLook, MaskCutsTheWindowAndAlphaBlendMixes) {
  TestSkin skin;
  Host host;
  host.form.Show();
  auto* masked = host.Add<TspSkinCustomControl>(skin, "masked", 20, 20);
  masked->SetLeft(50);
  masked->ChangeSkinData();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(masked->Handle(), rgn));
  EXPECT_TRUE(PtInRegion(rgn, 5, 10));
  EXPECT_FALSE(PtInRegion(rgn, 15, 10));
  DeleteObject(rgn);
  // Without the skin the window is rectangular again.
  masked->SetSkinDataName("none");
  masked->ChangeSkinData();
  EXPECT_EQ(ERROR, GetWindowRgn(masked->Handle(), CreateRectRgn(0, 0, 0, 0)));

  auto* fixed = host.Add<TspSkinCustomControl>(skin, "fixed", 20, 20);
  fixed->SetLeft(100);
  const COLORREF mean = RGB((0x33 + 1) / 2, (0x66 + 1) / 2, (0x99 + 1) / 2);
  for (auto [value, want] : {std::pair<int, COLORREF>{255, C(kFixed)}, {0, RGB(0, 0, 0)}, {128, mean}}) {
    fixed->SetAlphaBlend(true);
    fixed->SetAlphaBlendValue(value);
    EXPECT_TRUE(Dib::Near(host.Paint(fixed).At(10, 10), want)) << value;
  }
}

TEST(TspSkinLook, NinePartAndStripMasksFollowTheControlSize) {
  TestSkin skin;
  Host host;
  host.form.Show();
  auto inside = [](TControl* c, int x, int y) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    bool set = GetWindowRgn(static_cast<TWinControl*>(c)->Handle(), rgn) != ERROR;
    bool in = set && PtInRegion(rgn, x, y);
    DeleteObject(rgn);
    EXPECT_TRUE(set);
    return in;
  };
  auto* nine = host.Add<TspSkinCustomControl>(skin, "maskednine", 60, 50);
  nine->ChangeSkinData();
  EXPECT_FALSE(inside(nine, 2, 2));   // the cut corner stays in the corner
  EXPECT_TRUE(inside(nine, 7, 7));
  EXPECT_TRUE(inside(nine, 57, 2));   // the other corners are whole
  EXPECT_TRUE(inside(nine, 57, 47));
  EXPECT_TRUE(inside(nine, 30, 25));  // the client area
  nine->SetBounds(0, 0, 90, 70);      // a new size cuts anew
  EXPECT_TRUE(inside(nine, 87, 67));
  EXPECT_FALSE(inside(nine, 4, 4));

  auto* strip = host.Add<TspSkinCustomControl>(skin, "maskedstrip", 100, 10);
  strip->SetTop(100);
  strip->ChangeSkinData();
  EXPECT_TRUE(inside(strip, 2, 5));
  EXPECT_TRUE(inside(strip, 50, 5));
  EXPECT_TRUE(inside(strip, 96, 5));
  EXPECT_FALSE(inside(strip, 98, 5));  // the cut end moved with the right part
}

TEST(TspSkinLook, SkinChangeRepaintsThroughTheDefaultLookToTheNewElement) {
  TestSkin skin;
  Host host;
  host.form.Show();
  auto* c = host.Add<TspSkinCustomControl>(skin, "fixed", 20, 20);
  std::vector<COLORREF> seen;
  TWndMethod saved = c->WindowProc;
  c->WindowProc = [&](TMessage& m) {
    saved(m);
    if (m.Msg == WM_PAINT) {
      HDC dc = GetDC(c->Handle());
      seen.push_back(GetPixel(dc, 10, 10));
      ReleaseDC(c->Handle(), dc);
    }
  };
  c->Repaint();
  // The form component's order: before the reload, the reload, after it.
  c->BeforeChangeSkinData();
  skin.data.Empty = true;
  c->Repaint();
  FillPicture(skin.data.FActivePictures[0], 30, 0, 50, 20, 0x00FF00);
  skin.data.Empty = false;
  c->ChangeSkinData();
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(C(kFixed), seen.front());
  EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(RGB(0, 255, 0), seen.back());
}

TEST(TspSkinLook, ElementWithoutPictureOrSizeDrawsTheDefaultLook) {
  TestSkin skin;
  Host host;
  auto* c = host.Add<TspSkinCustomControl>(skin, "nopicture", 30, 30);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), host.Paint(c).At(15, 15));
  auto* nine = host.Add<TspSkinCustomControl>(skin, "nine", 30, 30);
  nine->SetBounds(0, 0, 0, 0);
  Dib d(1, 1);
  SendMessageW(nine->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);  // nothing, no crash
  nine->SetBounds(0, 0, 3, 3);
  host.Paint(nine);
  // The skin going away leaves the default look.
  nine->SetBounds(0, 0, 30, 30);
  skin.Free();
  EXPECT_EQ(nullptr, nine->SkinData());
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), host.Paint(nine).At(15, 15));
}

TEST(TspSkinLook, ControlsPaintTheirStatePicturesFromTheSkin) {
  TestSkin skin;
  Host host;
  host.form.Show();
  // Push button: normal, hot, pressed.
  auto* button = host.Add<TspSkinButton>(skin, "button", 75, 25);
  EXPECT_EQ(C(kStates[sNormal]), host.Paint(button).At(1, 1));
  button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(C(kStates[sHot]), host.Paint(button).At(1, 1));
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(C(kStates[sDown]), host.Paint(button).At(1, 1));
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

  // Check box, flat: the check picture follows Checked.
  auto* check = host.Add<TspSkinCheckRadioBox>(skin, "checkbox", 150, 25);
  check->SetTop(40);
  EXPECT_EQ(C(kStates[sUnchecked]), host.Paint(check).At(5, 12));
  check->SetChecked(true);
  EXPECT_EQ(C(kStates[sChecked]), host.Paint(check).At(5, 12));

  // Scroll bar: the element stretched over the bar, the thumb picture, hot on hover.
  auto* bar = host.Add<TspSkinScrollBar>(skin, "hscrollbar", 200, 19);
  bar->SetTop(80);
  bar->SetRange(0, 100, 0, 0);
  bar->CalcRects();
  RECT thumb = bar->Button(TspSkinScrollBar::kThumb).R;
  EXPECT_EQ(5, thumb.left);
  Dib bd = host.Paint(bar);
  EXPECT_EQ(C(kStates[sThumb]), bd.At(thumb.left + 2, 9));
  EXPECT_EQ(C(kStates[sTrack]), bd.At(150, 9));
  SendMessageW(bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(thumb.left + 2, 9));
  EXPECT_EQ(C(kStates[sHotThumb]), host.Paint(bar).At(thumb.left + 2, 9));

  // Track bar: the filled part left of the thumb, the thumb picture.
  auto* track = host.Add<TspSkinTrackBar>(skin, "htrackbar", 100, 20);
  track->SetTop(110);
  track->SetValue(50);
  Dib td = host.Paint(track);
  RECT br = track->ButtonRect();
  EXPECT_EQ(C(kStates[sFilled]), td.At(2, 10));
  EXPECT_EQ(C(kStates[sThumb]), td.At((br.left + br.right) / 2, 10));
  EXPECT_EQ(C(kStates[sTrack]), td.At(97, 10));

  // Gauge: 29 of 100 fills 29 pixels of a 100-pixel progress area.
  auto* gauge = host.Add<TspSkinGauge>(skin, "gauge", 100, 20);
  gauge->SetTop(140);
  gauge->SetValue(29);
  Dib gd = host.Paint(gauge);
  EXPECT_EQ(C(kStates[sProgress]), gd.At(28, 10));
  EXPECT_EQ(C(kStates[sTrack]), gd.At(29, 10));
}

TEST(TspSkinLook, ButtonsWithoutSkinSizeStretchTheirPictureToAnySizeAndDropTheMask) {
  TestSkin skin;
  Host host;
  host.form.Show();
  // The skin's size rules: a fixed element keeps its size and its shape,
  // a strip its height.
  auto* fixed = host.Add<TspSkinButton>(skin, "fixedbutton", 60, 40);
  EXPECT_EQ(20, fixed->Width());
  EXPECT_EQ(20, fixed->Height());
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(ERROR, GetWindowRgn(fixed->Handle(), rgn)) << "the mask shapes it";
  auto* strip = host.Add<TspSkinButton>(skin, "stripbutton", 60, 40);
  EXPECT_EQ(10, strip->Height());

  // Free size: the requested size stays and the state picture covers it.
  for (TspSkinButton* b : {fixed, strip}) {
    b->UseSkinSize = false;
    b->ChangeSkinData();
    b->SetBounds(0, 0, 60, 40);
    EXPECT_EQ(60, b->Width());
    EXPECT_EQ(40, b->Height());
  }
  EXPECT_EQ(ERROR, GetWindowRgn(fixed->Handle(), rgn)) << "a free-size button is never shaped";
  DeleteObject(rgn);
  Dib fd = host.Paint(fixed);
  for (POINT p : {POINT{0, 0}, POINT{59, 39}, POINT{30, 20}}) EXPECT_EQ(C(kFixed), fd.At(p.x, p.y));
  Dib sd = host.Paint(strip);
  EXPECT_EQ(C(kStrip[0]), sd.At(5, 35)) << "the ends keep their width";
  EXPECT_EQ(C(kStrip[1]), sd.At(30, 35)) << "the middle is stretched";
  EXPECT_EQ(C(kStrip[2]), sd.At(55, 35));
  EXPECT_EQ(C(kStrip[0]), sd.At(9, 0));
  EXPECT_EQ(C(kStrip[2]), sd.At(50, 39));
}

TEST(TspSkinLook, AFocusedButtonWhoseElementShowsFocusDrawsADottedFrameInTheSkinsFaceColour) {
  TestSkin skin;
  const COLORREF face = RGB(0x21, 0x43, 0x65);
  skin.data.SkinColors.cBtnFace = static_cast<int32_t>(face);
  Host host;
  host.form.Show();
  auto* shows = host.Add<TspSkinButton>(skin, "focusbutton", 75, 25);
  auto* plain = host.Add<TspSkinButton>(skin, "button", 75, 25);
  plain->SetTop(40);
  auto framePixels = [&](TspSkinButton* b) {
    Dib d = host.Paint(b);
    int n = 0;
    for (int x = 2; x < 73; ++x) n += d.At(x, 2) == face;
    for (int y = 2; y < 23; ++y) n += d.At(2, y) == face;
    return n;
  };
  EXPECT_EQ(0, framePixels(shows)) << "not focused";
  ASSERT_TRUE(shows->SetFocus());
  EXPECT_GT(framePixels(shows), 20) << "the dotted frame along the caption area";
  ASSERT_TRUE(plain->SetFocus());
  EXPECT_EQ(0, framePixels(plain)) << "an element without ShowFocus";
  EXPECT_EQ(0, framePixels(shows));
}

TEST(TspSkinLook, AFlatSpeedButtonAtRestShowsOnlyItsCaptionOverTheParent) {
  TestSkin skin;
  const COLORREF text = RGB(0, 200, 0), shadow = RGB(200, 0, 200);
  skin.data.SkinColors.cBtnText = static_cast<int32_t>(text);
  skin.data.SkinColors.cBtnShadow = static_cast<int32_t>(shadow);
  Host host;
  host.form.Show();
  auto* b = host.Add<TspSkinSpeedButton>(skin, "button", 60, 30);
  b->SetCaption("WWW");
  b->SetFlat(true);
  auto count = [](const Dib& d, COLORREF c) {
    int n = 0;
    for (int y = 0; y < d.h; ++y)
      for (int x = 0; x < d.w; ++x) n += d.At(x, y) == c;
    return n;
  };
  Dib rest = host.Paint(b);
  EXPECT_EQ(0, count(rest, C(kStates[sNormal]))) << "no background at rest";
  EXPECT_EQ(RGB(0, 0, 0), rest.At(1, 1)) << "the parent shows through";
  EXPECT_GT(count(rest, text), 5) << "the caption in the skin's button text colour";
  // Hovered it draws its hot picture; leaving makes it bare again.
  b->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(C(kStates[sHot]), host.Paint(b).At(1, 1));
  b->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(RGB(0, 0, 0), host.Paint(b).At(1, 1));
  // Disabled, the caption takes the skin's shadow colour.
  b->SetEnabled(false);
  Dib off = host.Paint(b);
  EXPECT_GT(count(off, shadow), 5);
  EXPECT_EQ(0, count(off, text));
}

TEST(TspSkinLook, TheProgramsToolButtonIsBareAtRestWhenFlatAndKeepsAnyFreeSize) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  const COLORREF back = RGB(0x12, 0x34, 0x56);
  form.SetColor(back);
  form.Show();
  auto* b = AddControl<TspSkinSpeedButton>(&form, &form, 10, 10, 32, 32);
  b->SetSkinData(&skin);
  ASSERT_NE(-1, b->SkinIndex()) << "the skin's tool button";
  auto paint = [&] {
    Dib whole(300, 200);
    form.PaintTo(whole.dc, 0, 0);
    return whole.At(10 + 16, 10 + 16);
  };
  EXPECT_NE(back, paint()) << "not flat: the skin picture";
  b->SetFlat(true);
  EXPECT_EQ(back, paint()) << "flat at rest: the form shows through";
  b->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
  EXPECT_NE(back, paint()) << "hovered: the skin picture";
  b->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
  // Without the skin size a push button keeps the size it is given.
  auto* push = new TspSkinButton(&form);
  push->SetParent(&form);
  push->SetSkinData(&skin);
  push->UseSkinSize = false;
  push->SetBounds(60, 10, 203, 57);
  EXPECT_EQ(203, push->Width());
  EXPECT_EQ(57, push->Height());
}

TEST(TspSkinLook, HoverFadeOfAButtonEndsExactlyAtEitherEnd) {
  FakeTimers timers;
  TestSkin skin;
  skin.Element<TspDataSkinButtonControl>("button").Morphing = true;
  Host host;
  host.form.Show();
  auto* button = host.Add<TspSkinButton>(skin, "button", 75, 25);
  host.Paint(button);
  std::vector<double> seen;
  std::vector<COLORREF> pixels;
  TWndMethod saved = button->WindowProc;
  button->WindowProc = [&](TMessage& m) {
    saved(m);
    if (m.Msg == WM_PAINT) seen.push_back(button->MorphKf());
  };
  button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
  for (int i = 0; i < 6; ++i) {
    timers.Advance(20);
    pixels.push_back(host.Paint(button).At(1, 1));
  }
  EXPECT_EQ(1.0, button->MorphKf());
  EXPECT_EQ(0, timers.ActiveCount());
  EXPECT_EQ(C(kStates[sHot]), pixels.back());
  // Halfway the two pictures are mixed.
  EXPECT_NE(C(kStates[sNormal]), pixels[1]);
  EXPECT_NE(C(kStates[sHot]), pixels[1]);
  button->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(button));
  timers.Advance(200);
  EXPECT_EQ(0.0, button->MorphKf());
  EXPECT_EQ(C(kStates[sNormal]), host.Paint(button).At(1, 1));
  for (double kf : seen) {
    EXPECT_GE(kf, 0.0);
    EXPECT_LE(kf, 1.0);
  }
  EXPECT_EQ(0, timers.ActiveCount());
}

TEST(TspSkinLook, ButtonAndCheckBoxFadeWithTheirElementsMorphKind) {
  FakeTimers timers;
  TestSkin skin;
  auto& be = skin.Element<TspDataSkinButtonControl>("button");
  be.Morphing = true;
  be.MorphKind = mkLeftSlide;
  auto& ce = skin.Element<TspDataSkinCheckRadioControl>("checkbox");
  ce.ActiveSkinRect = Block(sHot);
  ce.Morphing = true;
  ce.MorphKind = mkRightSlide;
  Host host;
  host.form.Show();
  auto* button = host.Add<TspSkinButton>(skin, "button", 75, 25);
  auto* check = host.Add<TspSkinCheckRadioBox>(skin, "checkbox", 150, 25);
  check->SetTop(40);
  check->SetFlat(false);
  check->ChangeSkinData();
  for (TControl* c : std::initializer_list<TControl*>{button, check}) c->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(c));
  timers.Advance(40);  // two steps: 0.4 of the way
  ASSERT_DOUBLE_EQ(0.4, button->MorphKf());
  ASSERT_DOUBLE_EQ(0.4, check->MorphKf());
  // The hot look slides in from the left over 30 of 75 columns, unmixed.
  Dib bd = host.Paint(button);
  EXPECT_EQ(C(kStates[sHot]), bd.At(10, 12));
  EXPECT_EQ(C(kStates[sNormal]), bd.At(60, 12));
  // The check box keeps its element's 20 x 20 and slides it in from the
  // right over 8 columns.
  ASSERT_EQ(20, check->Width());
  Dib cd = host.Paint(check);
  EXPECT_EQ(C(kStates[sNormal]), cd.At(3, 16));
  EXPECT_EQ(C(kStates[sNormal]), cd.At(11, 16));
  EXPECT_EQ(C(kStates[sHot]), cd.At(12, 16));
  timers.Advance(200);
  EXPECT_EQ(C(kStates[sHot]), host.Paint(button).At(60, 12));
  EXPECT_EQ(0, timers.ActiveCount());
}

TEST(TspSkinLook, ButtonFramesPlayForwardOnHoverAndBackOnLeave) {
  FakeTimers timers;
  TestSkin skin;
  auto& e = skin.Element<TspDataSkinButtonControl>("button");
  e.AnimateSkinRect = TspRect{200, 0, 260, 20};
  e.FrameCount = 3;
  e.AnimateInterval = 30;
  skin.data.EnableSkinEffects = true;
  Host host;
  host.form.Show();
  auto* button = host.Add<TspSkinButton>(skin, "button", 75, 25);
  auto* flat = host.Add<TspSkinSpeedButton>(skin, "button", 25, 25);
  flat->SetTop(40);
  flat->SetFlat(true);
  auto pixel = [&] { return host.Paint(button).At(1, 1); };
  EXPECT_EQ(C(kStates[sNormal]), pixel());

  button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
  std::vector<COLORREF> seen{pixel()};
  for (int i = 0; i < 4; ++i) {
    timers.Advance(30);
    seen.push_back(pixel());
  }
  const std::vector<COLORREF> forward{C(kFrames[0]), C(kFrames[1]), C(kFrames[2]), C(kStates[sHot]),
                                      C(kStates[sHot])};
  EXPECT_EQ(forward, seen);
  EXPECT_FALSE(button->AnimateRunning());
  EXPECT_EQ(0, button->CurrentFrame());

  button->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(button));
  seen = {pixel()};
  for (int i = 0; i < 3; ++i) {
    timers.Advance(30);
    seen.push_back(pixel());
  }
  const std::vector<COLORREF> backward{C(kFrames[2]), C(kFrames[1]), C(kFrames[0]), C(kStates[sNormal])};
  EXPECT_EQ(backward, seen);
  EXPECT_EQ(0, timers.ActiveCount());

  // A press stops the frames; a flat button never plays them.
  button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
  EXPECT_TRUE(button->AnimateRunning());
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(button->AnimateRunning());
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  flat->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(flat));
  EXPECT_FALSE(flat->AnimateRunning());
  // Without skin effects there is no animation either.
  button->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(button));
  skin.data.EnableSkinEffects = false;
  button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
  EXPECT_FALSE(button->AnimateRunning());
}

TEST(TspSkinLook, GlyphStripShowsThePictureOfTheState) {
  // Four 16 x 16 pictures; the bottom-left pixel of each is the see-through colour.
  const COLORREF colours[4] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(200, 200, 0)};
  TBitmap strip(64, 16, pf24bit);
  for (int i = 0; i < 4; ++i) {
    strip.Canvas()->Brush()->SetColor(static_cast<TColor>(colours[i]));
    strip.Canvas()->FillRect(TRect{i * 16, 0, i * 16 + 16, 16});
    strip.Canvas()->SetPixel(i * 16, 15, static_cast<TColor>(RGB(255, 0, 255)));
  }
  TestSkin skin;
  Host host;
  host.form.Show();
  for (const char* element : {"none", "button"}) {
    SCOPED_TRACE(element);
    auto* b = host.Add<TspSkinButton>(skin, element, 75, 25);
    b->SetGlyph(&strip);
    b->SetNumGlyphs(4);
    auto centre = [&] { return host.Paint(b).At(37, 12); };
    EXPECT_EQ(colours[0], centre());  // normal
    b->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(colours[3], centre());  // hot
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(colours[2], centre());  // pressed
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    b->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
    b->SetEnabled(false);
    EXPECT_EQ(colours[1], centre());  // disabled
    // Two pictures (each now 32 wide, centred): hot and pressed fall back to the first.
    b->SetEnabled(true);
    b->SetNumGlyphs(2);
    b->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(colours[0], host.Paint(b).At(30, 12));
    // With a caption, a left glyph stands left of the centre and the text right of it.
    b->SetNumGlyphs(4);
    b->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
    b->SetCaption("Go");
    b->SetMargin(4);
    Dib d = host.Paint(b);
    EXPECT_EQ(colours[0], d.At(element == std::string("none") ? 1 + 4 + 8 : 2 + 4 + 8, 12));
    EXPECT_NE(colours[0], d.At(37, 12));
    b->SetTop(b->Top() + 30);
  }
}

TEST(TspSkinLook, GaugeAnimationRunsItsFramesOverTheFillThenPauses) {
  FakeTimers timers;
  TestSkin skin;
  auto& e = skin.Element<TspDataSkinGaugeControl>("gauge");
  e.ProgressAnimationSkinRect = TspRect{200, 0, 260, 20};
  e.ProgressAnimationCountFrames = 3;
  e.ProgressAnimationTimerInterval = 40;
  Host host;
  host.form.Show();
  auto* gauge = host.Add<TspSkinGauge>(skin, "gauge", 100, 20);
  gauge->SetValue(50);
  gauge->SetProgressAnimationPause(100);
  gauge->SetProgressAnimationPause(-5);  // refused
  EXPECT_EQ(100, gauge->ProgressAnimationPause());
  auto fill = [&] { return host.Paint(gauge).At(25, 10); };
  auto empty = [&] { return host.Paint(gauge).At(75, 10); };

  gauge->StartProgressAnimation();
  gauge->SetProgressAnimationPause(500);  // the running animation keeps its pause
  std::vector<COLORREF> seen{fill()};
  for (int i = 0; i < 4; ++i) {
    timers.Advance(40);
    seen.push_back(fill());
  }
  const COLORREF plain = C(kStates[sProgress]);
  const std::vector<COLORREF> frames{plain, C(kFrames[0]), C(kFrames[1]), C(kFrames[2]), plain};
  EXPECT_EQ(frames, seen);
  EXPECT_EQ(C(kStates[sTrack]), empty());  // only the filled part animates
  timers.Advance(99);
  EXPECT_EQ(0, gauge->AnimationFrame());
  timers.Advance(1 + 40);  // the pause is over: the frames run again
  EXPECT_EQ(1, gauge->AnimationFrame());
  EXPECT_EQ(C(kFrames[0]), fill());

  // A skin change restarts it; stopping frees both timers.
  gauge->ChangeSkinData();
  EXPECT_TRUE(gauge->AnimationRunning());
  EXPECT_EQ(0, gauge->AnimationFrame());
  gauge->StopProgressAnimation();
  EXPECT_EQ(0, timers.ActiveCount());
  EXPECT_EQ(plain, fill());

  // Without frames in the skin nothing starts.
  e.ProgressAnimationSkinRect = TspRect{};
  gauge->StartProgressAnimation();
  EXPECT_FALSE(gauge->AnimationRunning());
  EXPECT_EQ(0, timers.ActiveCount());
}

TEST(TspSkinLook, GaugeWithoutSkinSizeStretchesTheFittedPictureOverItsOwnSize) {
  TestSkin skin;
  auto fixed = std::make_unique<TspDataSkinGaugeControl>("fixedgauge");
  fixed->PictureIndex = 4;
  fixed->SkinRect = Block(sTrack);
  fixed->ProgressArea = TspRect{0, 0, 20, 20};
  fixed->ProgressRect = Block(sProgress);
  fixed->MaskPictureIndex = 3;  // left half inside
  fixed->FontColor = static_cast<int32_t>(RGB(255, 255, 255));
  fixed->FontHeight = 18;
  skin.data.CtrlList.push_back(std::move(fixed));
  Host host;
  host.form.Show();
  auto hasRegion = [](TspSkinGauge* g) {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(g->Handle(), r);
    DeleteObject(r);
    return kind != ERROR;
  };

  // With the skin's size a fixed element sets the size and the mask the shape.
  auto* sized = host.Add<TspSkinGauge>(skin, "fixedgauge", 100, 40);
  EXPECT_EQ(20, sized->Width());
  EXPECT_TRUE(hasRegion(sized));

  // Without it: the control keeps 100 x 40, loses the region, and the
  // 20 x 20 picture (half filled at 50) is spread five times across and
  // twice down.
  auto* gauge = new TspSkinGauge(&host.form);
  gauge->UseSkinSize = false;
  gauge->SetParent(&host.form);
  gauge->SetSkinDataName("fixedgauge");
  gauge->SetBounds(0, 50, 100, 40);
  gauge->SetSkinData(&skin.data);
  gauge->SetBounds(0, 50, 100, 40);
  EXPECT_EQ(100, gauge->Width());
  EXPECT_EQ(40, gauge->Height());
  EXPECT_FALSE(hasRegion(gauge));
  Dib d = host.Paint(gauge);
  EXPECT_EQ(C(kStates[sProgress]), d.At(0, 0));
  EXPECT_EQ(C(kStates[sProgress]), d.At(49, 39));
  EXPECT_EQ(C(kStates[sTrack]), d.At(50, 0));
  EXPECT_EQ(C(kStates[sTrack]), d.At(99, 39));

  // A strip element keeps its fitted width and height 20, stretched to 40:
  // 29 of 100 still fills 29 columns, now on every row.
  auto* strip = new TspSkinGauge(&host.form);
  strip->UseSkinSize = false;
  strip->SetParent(&host.form);
  strip->SetSkinDataName("gauge");
  strip->SetBounds(0, 100, 100, 40);
  strip->SetSkinData(&skin.data);
  strip->SetValue(29);
  EXPECT_EQ(40, strip->Height());
  Dib sd = host.Paint(strip);
  EXPECT_EQ(C(kStates[sProgress]), sd.At(28, 39));
  EXPECT_EQ(C(kStates[sTrack]), sd.At(29, 0));

  // The text is written on the stretched picture at its own size: centred
  // in the 40 rows, not doubled in height.
  gauge->SetShowPercent(true);
  Dib td = host.Paint(gauge);
  int top = 40, bottom = -1;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x)
      if (td.At(x, y) == RGB(255, 255, 255)) top = std::min(top, y), bottom = std::max(bottom, y);
  ASSERT_GE(bottom, 0);
  EXPECT_GE(top, 8);
  EXPECT_LE(bottom, 31);
}

TEST(TspSkinLook, GaugeTextOpacity) {
  TestSkin skin;
  auto& e = skin.Element<TspDataSkinGaugeControl>("gauge");
  e.FontColor = static_cast<int32_t>(RGB(255, 255, 255));
  e.FontHeight = 18;
  Host host;
  host.form.Show();
  auto* gauge = host.Add<TspSkinGauge>(skin, "gauge", 100, 20);
  gauge->SetValue(0);
  gauge->SetShowPercent(true);
  // The brightest pixel of the text over the dark track.
  auto brightest = [&] {
    Dib d = host.Paint(gauge);
    int best = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 100; ++x) best = std::max(best, static_cast<int>(GetGValue(d.At(x, y))));
    return best;
  };
  EXPECT_EQ(255, brightest());
  gauge->SetTextAlphaBlend(true);
  gauge->SetTextAlphaBlendValue(128);
  int half = brightest();
  const int track = GetGValue(C(kStates[sTrack]));
  EXPECT_NEAR(track + (255 - track) * 128 / 255, half, 2);
}

TEST(TspSkinLook, NonFlatCheckBoxFadesItsElementAndEndsOnEitherLook) {
  FakeTimers timers;
  TestSkin skin;
  auto& e = skin.Element<TspDataSkinCheckRadioControl>("checkbox");
  e.ActiveSkinRect = Block(sHot);
  e.Morphing = true;
  Host host;
  host.form.Show();
  auto* check = host.Add<TspSkinCheckRadioBox>(skin, "checkbox", 150, 25);
  check->SetFlat(false);
  check->ChangeSkinData();
  auto pixel = [&] { return host.Paint(check).At(15, 15); };
  EXPECT_EQ(C(kStates[sNormal]), pixel());
  check->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(check));
  std::vector<COLORREF> seen;
  for (int i = 0; i < 6; ++i) {
    timers.Advance(20);
    seen.push_back(pixel());
  }
  EXPECT_EQ(1.0, check->MorphKf());
  EXPECT_EQ(C(kStates[sHot]), seen.back());
  EXPECT_NE(C(kStates[sNormal]), seen[1]);  // both looks mixed on the way
  EXPECT_NE(C(kStates[sHot]), seen[1]);
  check->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(check));
  timers.Advance(200);
  EXPECT_EQ(0.0, check->MorphKf());
  EXPECT_EQ(C(kStates[sNormal]), pixel());
  EXPECT_EQ(0, timers.ActiveCount());
}

TEST(TspSkinLook, ButtonsDrawTheirImageListPicture) {
  TestSkin skin;
  Host host;
  host.form.Show();
  auto* images = new TImageList(nullptr, 16, 16);
  const COLORREF colours[2] = {RGB(220, 0, 0), RGB(0, 0, 220)};
  for (COLORREF c : colours) {
    TBitmap b(16, 16, pf24bit);
    b.Canvas()->Brush()->SetColor(static_cast<TColor>(c));
    b.Canvas()->FillRect(TRect{0, 0, 16, 16});
    images->AddMasked(&b, static_cast<TColor>(RGB(255, 0, 255)));
  }
  auto* button = host.Add<TspSkinButton>(skin, "none", 75, 25);
  auto* speed = host.Add<TspSkinSpeedButton>(skin, "none", 25, 25);
  speed->SetTop(40);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(-1, button->ImageIndex());
  EXPECT_EQ(0, speed->ImageIndex());
  button->SetImageList(images);
  speed->SetImageList(images);
  EXPECT_EQ(face, host.Paint(button).At(37, 12));  // index -1: no picture
  EXPECT_EQ(colours[0], host.Paint(speed).At(12, 12));
  button->SetImageIndex(1);
  EXPECT_EQ(colours[1], host.Paint(button).At(37, 12));
  button->SetImageIndex(5);  // past the list: the (empty) glyph strip instead
  EXPECT_EQ(face, host.Paint(button).At(37, 12));
  button->SetImageIndex(0);
  int before = button->PaintCount;
  images->Clear();  // a change of the list repaints the buttons that show it
  EXPECT_GT(button->PaintCount, before);
  delete images;
  EXPECT_EQ(nullptr, button->ImageList());
  EXPECT_EQ(nullptr, speed->ImageList());
  EXPECT_EQ(face, host.Paint(button).At(37, 12));
}

TEST(TspSkinLook, OnPaintDrawsOnTheButtonCanvasAndCanTakeOverTheContent) {
  TestSkin skin;
  Host host;
  host.form.Show();
  for (const char* element : {"none", "button"}) {
    SCOPED_TRACE(element);
    auto* b = host.Add<TspSkinButton>(skin, element, 75, 25);
    b->SetCaption("WWWWWWWW");
    int calls = 0;
    bool takeOver = false;
    b->OnPaint = [&](TObject* sender, TCanvas* canvas, const RECT& r, bool, bool, bool& drawDefault) {
      ++calls;
      EXPECT_EQ(b, sender);
      canvas->Brush()->SetColor(static_cast<TColor>(RGB(1, 2, 3)));
      canvas->FillRect(TRect{r.left, r.top, r.left + 4, r.top + 4});
      drawDefault = !takeOver;
    };
    auto captionPixels = [&](const Dib& d) {
      int n = 0;
      for (int x = 10; x < 65; ++x)
        if (d.At(x, 12) == RGB(0, 0, 0)) ++n;
      return n;
    };
    Dib d = host.Paint(b);
    EXPECT_EQ(RGB(1, 2, 3), d.At(3, 3));
    EXPECT_GT(captionPixels(d), 0);
    takeOver = true;
    EXPECT_EQ(0, captionPixels(host.Paint(b)));
    EXPECT_GE(calls, 2);
    b->OnPaint = nullptr;  // it refers to this round's locals
    b->SetTop(b->Top() + 30);
  }
}

TEST(TspSkinLook, ScrollThumbShowsItsGlyphAndLeavesOutItsTransparentColours) {
  TestSkin skin;
  auto& e = skin.Element<TspDataSkinScrollBarControl>("hscrollbar");
  e.GlyphRect = TspRect{sChecked * 20, 0, sChecked * 20 + 6, 6};
  e.ActiveGlyphRect = TspRect{sUnchecked * 20, 0, sUnchecked * 20 + 6, 6};
  Host host;
  host.form.Show();
  auto* bar = host.Add<TspSkinScrollBar>(skin, "hscrollbar", 200, 19);
  bar->SetRange(0, 100, 0, 0);
  bar->CalcRects();
  RECT thumb = bar->Button(TspSkinScrollBar::kThumb).R;
  const int cx = (thumb.left + thumb.right) / 2, cy = 9;
  Dib d = host.Paint(bar);
  EXPECT_EQ(C(kStates[sChecked]), d.At(cx, cy));          // the glyph, centred
  EXPECT_EQ(C(kStates[sThumb]), d.At(thumb.left, 1));     // the thumb around it
  SendMessageW(bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(thumb.left + 1, 9));
  EXPECT_EQ(C(kStates[sUnchecked]), host.Paint(bar).At(cx, cy));  // hot glyph
  SendMessageW(bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 9));

  e.GlyphTransparent = true;
  e.GlyphTransparentColor = static_cast<int32_t>(C(kStates[sChecked]));
  EXPECT_EQ(C(kStates[sThumb]), host.Paint(bar).At(cx, cy));
  e.ThumbTransparent = true;
  e.ThumbTransparentColor = static_cast<int32_t>(C(kStates[sThumb]));
  Dib t = host.Paint(bar);
  EXPECT_EQ(C(kStates[sTrack]), t.At(thumb.left, 1));  // the track shows through
  EXPECT_EQ(C(kStates[sTrack]), t.At(cx, cy));
}

TEST(TspSkinLook, GlowFrameShowsWhileTheMouseIsOverTheButton) {
  TestSkin skin;
  auto& e = skin.Element<TspDataSkinButtonControl>("button");
  e.GlowLayerPictureIndex = 0;
  e.GlowLayerMaskPictureIndex = 5;
  e.GlowLayerOffsetLeft = e.GlowLayerOffsetTop = e.GlowLayerOffsetRight = e.GlowLayerOffsetBottom = 10;
  e.GlowLayerShowOffsetX = e.GlowLayerShowOffsetY = 5;
  Host host;
  host.form.Show();
  auto* b = host.Add<TspSkinButton>(skin, "button", 75, 25);
  auto hover = [&](bool in) {
    b->Perform(in ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
    Application->ProcessMessages();
    return b->LayerVisible();
  };
  EXPECT_TRUE(hover(true));
  EXPECT_FALSE(hover(false));
  // Glow frames switched off in the skin, unless the button always wants one.
  skin.data.ShowButtonGlowFrames = false;
  EXPECT_FALSE(hover(true));
  hover(false);
  b->AlwaysShowLayeredFrame = true;
  EXPECT_TRUE(hover(true));
  // A skin change takes the frame down at once.
  b->BeforeChangeSkinData();
  EXPECT_FALSE(b->LayerVisible());
  hover(false);
  // No glow picture: no frame.
  e.GlowLayerPictureIndex = -1;
  b->ChangeSkinData();
  EXPECT_FALSE(hover(true));
}

TEST(TspSkinLook, FlatCheckBoxShowsItsImageBeforeTheCaption) {
  TestSkin skin;
  Host host;
  host.form.Show();
  auto* images = new TImageList(nullptr, 16, 16);
  TBitmap red(16, 16, pf24bit);
  red.Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(220, 0, 0)));
  red.Canvas()->FillRect(TRect{0, 0, 16, 16});
  images->AddMasked(&red, static_cast<TColor>(RGB(255, 0, 255)));
  struct Case {
    const char* element;
    int imageLeft;  // 22 in the default look, check picture width + 7 in the skinned one
  };
  for (const Case& c : {Case{"none", 22}, Case{"checkbox", 12 + 7}}) {
    SCOPED_TRACE(c.element);
    auto* check = host.Add<TspSkinCheckRadioBox>(skin, c.element, 150, 25);
    check->SetImages(images);
    EXPECT_NE(RGB(220, 0, 0), host.Paint(check).At(c.imageLeft + 8, 12));  // index -1: none
    check->SetImageIndex(0);
    Dib d = host.Paint(check);
    EXPECT_EQ(RGB(220, 0, 0), d.At(c.imageLeft, 12));
    EXPECT_EQ(RGB(220, 0, 0), d.At(c.imageLeft + 15, 12));
    check->SetTop(check->Top() + 30);
  }
  delete images;  // the boxes forget the list
  EXPECT_EQ(nullptr, static_cast<TspSkinCheckRadioBox*>(host.form.Controls(host.form.ControlCount() - 1))->Images());
}

}  // namespace
