#include "support/gtest.h"

#include <windows.h>

#include <functional>
#include <random>
#include <type_traits>

#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/RealInput.h"
#include "support/Controls.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinSplitter.h"
#include "skin/controls/SkinTabs.h"
#include "skin/controls/spColorCtrls.h"
#include "skin/controls/SkinTimer.h"

namespace {

const COLORREF kParent = RGB(0, 200, 0);

// A windowed and a windowless base control side by side on a form of the
// parent colour.
struct BasesForm {
  TForm form{nullptr};
  TspSkinCustomControl* windowed;
  TspGraphicSkinCustomControl* windowless;
  BasesForm(int w, int h, SIZE windowedSize) {
    form.SetBounds(0, 0, w, h);
    form.SetColor(kParent);
    windowed = AddControl<TspSkinCustomControl>(&form, &form, 10, 10, windowedSize.cx, windowedSize.cy);
    windowless = AddControl<TspGraphicSkinCustomControl>(&form, &form, 100, 10, 40, 20);
  }
};

TEST(TspSkinBases, PaintTheirDefaultLookWithoutSkinData) {
  BasesForm t(300, 200, SIZE{75, 25});
  TForm& form = t.form;
  TspSkinCustomControl* windowed = t.windowed;
  Dib dib(300, 200);
  form.PaintTo(dib.dc, 0, 0);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(face, dib.At(10, 10));
  EXPECT_EQ(face, dib.At(84, 34));
  EXPECT_EQ(kParent, dib.At(85, 35));
  EXPECT_EQ(face, dib.At(100, 10));
  EXPECT_EQ(face, dib.At(139, 29));
  EXPECT_EQ(kParent, dib.At(140, 30));
  EXPECT_EQ(-1, windowed->SkinIndex());
  EXPECT_EQ(0, TspPaintBuffer::LiveCount());
}

TEST(TspSkinBases, AlphaBlendMixesWithWhatLiesBeneath) {
  BasesForm t(200, 100, SIZE{40, 20});
  TForm& form = t.form;
  TspSkinCustomControl* windowed = t.windowed;
  TspGraphicSkinCustomControl* windowless = t.windowless;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF mean = RGB((GetRValue(face) + 0 + 1) / 2, (GetGValue(face) + 200 + 1) / 2, (GetBValue(face) + 1) / 2);
  struct Case {
    int value;
    COLORREF expected;
  };
  for (const Case& c : {Case{255, face}, Case{0, kParent}, Case{128, mean}}) {
    windowed->SetAlphaBlend(true);
    windowed->SetAlphaBlendValue(c.value);
    windowless->SetAlphaBlend(true);
    windowless->SetAlphaBlendValue(c.value);
    Dib dib(200, 100);
    form.PaintTo(dib.dc, 0, 0);
    EXPECT_TRUE(Dib::Near(dib.At(20, 20), c.expected)) << c.value << " windowed " << std::hex << dib.At(20, 20);
    EXPECT_TRUE(Dib::Near(dib.At(120, 20), c.expected)) << c.value << " windowless " << std::hex << dib.At(120, 20);
  }
}

TEST(TspSkinBases, BackgroundRepaintStopsAtAControlWithoutAlphaBlend) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto* outer = AddControl<TspSkinCustomControl>(&form, &form, 0, 0, 150, 80);
  auto* middle = AddControl<TspSkinCustomControl>(&form, outer, 5, 5, 100, 60);
  auto* leaf = AddControl<TspGraphicSkinCustomControl>(&form, middle, 5, 5, 20, 20);
  leaf->SetAlphaBlend(true);
  form.Show();
  Application->ProcessMessages();
  int middleBefore = middle->PaintCount, leafBefore = leaf->PaintCount;
  outer->CheckControlsBackground();
  Application->ProcessMessages();
  EXPECT_EQ(middleBefore, middle->PaintCount);  // not blended: the chain stops here
  EXPECT_EQ(leafBefore, leaf->PaintCount);
  middle->SetAlphaBlend(true);
  Application->ProcessMessages();
  middleBefore = middle->PaintCount;
  leafBefore = leaf->PaintCount;
  outer->CheckControlsBackground();
  Application->ProcessMessages();
  EXPECT_GT(middle->PaintCount, middleBefore);
  EXPECT_GT(leaf->PaintCount, leafBefore);
}

// A skin of one nine-part element, "plate", whose cursor and stretching the
// tests set.
struct PlateSkin {
  TspSkinData data{nullptr};
  TspDataSkinCustomControl* plate = nullptr;
  PlateSkin() {
    TspPicture p = SolidPicture(30, 30, 0x336699);
    data.FActivePictures.push_back(std::move(p));
    auto e = std::make_unique<TspDataSkinCustomControl>("plate");
    e->PictureIndex = 0;
    e->SkinRect = TspRect{0, 0, 30, 30};
    NinePart(e, 5, 5, 25, 25);
    plate = e.get();
    data.CtrlList.push_back(std::move(e));
    data.Empty = false;
  }
};

TEST(TspSkinBases, TheSkinCursorIsTheElementsNumberAmongTheSkinsCursors) {
  PlateSkin skin;
  skin.data.StartCursorIndex = 5;
  TForm form(nullptr);
  auto* c = new TspSkinCustomControl(&form);
  c->SetParent(&form);
  c->SetSkinDataName("plate");
  struct Case {
    bool use;
    int index;
    TCursor want;
  };
  for (const Case& k : {Case{true, 2, 7}, Case{true, 0, 5}, Case{true, -1, crDefault}, Case{false, 2, crCross}}) {
    c->SetCursor(crCross);
    c->UseSkinCursor = k.use;
    skin.plate->CursorIndex = k.index;
    c->SetSkinData(&skin.data);
    EXPECT_EQ(k.want, c->Cursor()) << k.use << " " << k.index;
  }
  // Without a skin the control falls back to the default cursor.
  c->SetCursor(crCross);
  c->UseSkinCursor = true;
  c->SetSkinData(nullptr);
  c->ChangeSkinData();
  EXPECT_EQ(crDefault, c->Cursor());
}

TEST(TspSkinBases, ThePointerOverAControlShowsTheProgramSkinsCursor) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  ASSERT_NE(nullptr, HCURSOR(Screen->Cursors[skin.StartCursorIndex])) << "the skin's own cursor file";
  // The first element with geometry is given the skin's first cursor.
  TspDataSkinCustomControl* element = nullptr;
  for (auto& e : skin.CtrlList)
    if ((element = dynamic_cast<TspDataSkinCustomControl*>(e.get()))) break;
  ASSERT_NE(nullptr, element);
  element->CursorIndex = 0;
  TForm form(nullptr);
  form.SetBounds(60, 60, 300, 200);
  auto* c = AddControl<TspSkinCustomControl>(&form, &form, 20, 20, 120, 60);
  c->SetSkinDataName(element->IDName);
  c->UseSkinCursor = true;
  c->SetSkinData(&skin);
  EXPECT_EQ(skin.StartCursorIndex, c->Cursor());
  form.Show();
  ASSERT_TRUE(real_input::Activate(form.Handle()));
  HCURSOR hand = Screen->Cursors[skin.StartCursorIndex];
  POINT p{c->Width() / 2, c->Height() / 2};
  ClientToScreen(c->Handle(), &p);
  int step = 0;
  EXPECT_TRUE(real_input::PumpUntil([&] {
    if (GetCursor() == hand) return true;
    SetCursorPos(p.x + (++step % 2), p.y);
    return false;
  }));
  // Away from the control the pointer is the form's again.
  POINT away{250, 150};
  ClientToScreen(form.Handle(), &away);
  EXPECT_TRUE(real_input::PumpUntil([&] {
    if (GetCursor() != hand) return true;
    SetCursorPos(away.x + (++step % 2), away.y);
    return false;
  }));
}

TEST(TspSkinBases, AStretchedElementAsksItsChildrenToRepaintWhenMovedOrSized) {
  PlateSkin skin;
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* outer = AddControl<TspSkinCustomControl>(&form, &form, 10, 10, 150, 100);
  outer->SetSkinDataName("plate");
  outer->SetSkinData(&skin.data);
  auto* child = AddControl<TspSkinCustomControl>(&form, outer, 10, 10, 30, 20);
  int asked = 0;
  TWndMethod saved = child->WindowProc;
  child->WindowProc = [&](TMessage& m) {
    if (m.Msg == SP_CHECKBACKGROUND) ++asked;
    saved(m);
  };
  form.Show();
  Application->ProcessMessages();
  struct Case {
    bool stretch;
    int asks;
  };
  for (const Case& k : {Case{false, 0}, Case{true, 2}}) {
    skin.plate->StretchEffect = k.stretch;
    outer->ChangeSkinData();
    asked = 0;
    outer->SetBounds(outer->Left() + 1, outer->Top(), outer->Width(), outer->Height());  // moved
    outer->SetBounds(outer->Left(), outer->Top(), outer->Width() + 4, outer->Height());  // sized
    EXPECT_EQ(k.asks, asked) << k.stretch;
  }
  child->WindowProc = saved;
}

TEST(TspSkinBases, TheHintPictureListIsForgottenWhenItGoes) {
  TForm form(nullptr);
  auto* windowed = new TspSkinCustomControl(&form);
  auto* windowless = new TspGraphicSkinCustomControl(&form);
  auto* images = new TImageList(nullptr);
  windowed->SetHintImageList(images);
  windowless->SetHintImageList(images);
  EXPECT_EQ(images, windowed->HintImageList());
  delete images;
  EXPECT_EQ(nullptr, windowed->HintImageList());
  EXPECT_EQ(nullptr, windowless->HintImageList());
}

// Controls over framework windows hold their skin the same way.
TEST(TspSkinBases, EveryKindOfControlForgetsItsSkinWhenItGoes) {
  struct TCase {
    const char* Name;
    std::function<TComponent*(TComponent* owner, TspSkinData* sd)> Make;
    std::function<TspSkinData*(TComponent*)> Held;
  };
  auto kind = [](const char* name, auto make) {
    using T = std::remove_pointer_t<decltype(make(nullptr))>;
    return TCase{name,
                 [make](TComponent* owner, TspSkinData* sd) {
                   T* c = make(owner);
                   c->SetSkinData(sd);
                   return static_cast<TComponent*>(c);
                 },
                 [](TComponent* c) { return static_cast<T*>(c)->SkinData(); }};
  };
  const TCase cases[] = {
      kind("control", [](TComponent* o) { return new TspSkinCustomControl(o); }),
      kind("edit", [](TComponent* o) { return new TspSkinEdit(o); }),
      kind("memo", [](TComponent* o) { return new TspSkinMemo(o); }),
      kind("page control", [](TComponent* o) { return new TspSkinPageControl(o); }),
      kind("bevel", [](TComponent* o) { return new TspSkinBevel(o); }),
      kind("label", [](TComponent* o) { return new TspSkinStdLabel(o); }),
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm form(nullptr);
    auto* sd = new TspSkinData(nullptr);
    TComponent* control = c.Make(&form, sd);
    EXPECT_EQ(sd, c.Held(control));
    delete sd;
    EXPECT_EQ(nullptr, c.Held(control));
  }
}

TEST(TspSkinBases, TheColourDialogKeepsOneSkinInItsOtherRoleUntilItGoes) {
  TspSkinColorDialog dialog(nullptr);
  auto* sd = new TspSkinData(nullptr);
  dialog.SetSkinData(sd);
  dialog.SetCtrlSkinData(sd);
  dialog.SetSkinData(nullptr);
  EXPECT_EQ(sd, dialog.CtrlSkinData());
  delete sd;
  EXPECT_EQ(nullptr, dialog.CtrlSkinData());
}

TEST(TspSkinGeometry, ResizeModeFollowsTheCornerPoints) {
  struct Case {
    RECT skin;
    POINT rt, lb, rb;
    int mode;
  };
  const Case cases[] = {
      {{0, 0, 0, 10}, {5, 0}, {0, 5}, {5, 5}, -1},
      {{0, 0, 40, 20}, {30, 0}, {0, 15}, {30, 15}, 1},
      {{0, 0, 40, 20}, {30, 0}, {0, 0}, {0, 0}, 2},
      {{0, 0, 40, 20}, {0, 0}, {0, 15}, {30, 0}, 3},
      {{0, 0, 40, 20}, {0, 0}, {0, 0}, {0, 0}, 0},
  };
  for (const Case& c : cases) {
    TspSkinGeometry g;
    g.SkinRect = c.skin;
    g.RTPt = c.rt;
    g.LBPt = c.lb;
    g.RBPt = c.rb;
    EXPECT_EQ(c.mode, g.CalcResizeMode());
  }
}

TEST(TspSkinGeometry, SizeFittingPerResizeMode) {
  TspSkinGeometry g;
  g.SkinRect = RECT{10, 10, 50, 30};  // 40 x 20
  g.LTPt = POINT{5, 5};
  g.RTPt = POINT{35, 5};
  g.LBPt = POINT{5, 15};
  g.RBPt = POINT{35, 15};
  g.ClRect = RECT{5, 5, 35, 15};
  struct Case {
    int mode, w, h, outW, outH;
    RECT cl;
  };
  const Case cases[] = {
      {0, 100, 50, 40, 20, {5, 5, 35, 15}},
      {1, 100, 50, 100, 50, {5, 5, 95, 45}},
      {1, 20, 10, 20, 10, {5, 5, 15, 5}},
      {2, 100, 50, 100, 20, {5, 5, 95, 15}},
      {3, 100, 50, 40, 50, {5, 5, 35, 45}},
  };
  for (const Case& c : cases) {
    g.ResizeMode = c.mode;
    g.NewLBPoint = POINT{-1, -1};
    int w = c.w, h = c.h;
    g.CalcSkinSize(true, w, h);
    EXPECT_EQ(c.outW, w) << c.mode;
    EXPECT_EQ(c.outH, h) << c.mode;
    EXPECT_EQ(c.cl.right, g.NewClRect.right) << c.mode;
    EXPECT_EQ(c.cl.bottom, g.NewClRect.bottom) << c.mode;
    if (c.mode == 2) EXPECT_EQ(-1, g.NewLBPoint.x);  // a strip leaves the bottom points alone
  }
  // Without an element nothing changes.
  g.ResizeMode = 0;
  int w = 77, h = 33;
  g.CalcSkinSize(false, w, h);
  EXPECT_EQ(77, w);
  EXPECT_EQ(33, h);
}

TEST(TspSkinGeometry, ResizedRectMovesWithTheQuarterItLiesIn) {
  TspSkinGeometry g;
  g.SkinRect = RECT{0, 0, 40, 20};
  g.LTPt = POINT{10, 5};
  g.RTPt = POINT{30, 5};
  g.LBPt = POINT{10, 15};
  g.RBPt = POINT{30, 15};
  g.ResizeMode = 1;
  struct Case {
    RECT in, out;
  };
  const Case cases[] = {
      {{1, 1, 4, 4}, {1, 1, 4, 4}},          // left-top: stays
      {{32, 1, 36, 4}, {92, 1, 96, 4}},      // right-top: moves right
      {{1, 16, 4, 19}, {1, 46, 4, 49}},      // left-bottom: moves down
      {{32, 16, 36, 19}, {92, 46, 96, 49}},  // right-bottom: moves both ways
      {{2, 1, 35, 4}, {2, 1, 95, 4}},        // top band, left to right quarter: widens
      {{2, 2, 35, 18}, {2, 2, 95, 48}},      // left-top to right-bottom: grows both ways
  };
  for (const Case& c : cases) {
    RECT r = g.CalcResizedRect(c.in, 100, 50);
    EXPECT_EQ(c.out.left, r.left);
    EXPECT_EQ(c.out.top, r.top);
    EXPECT_EQ(c.out.right, r.right);
    EXPECT_EQ(c.out.bottom, r.bottom);
  }
}

TEST(MorphLooks, EachKindHalfwayShowsItsOwnTransition) {
  // 40 x 10: both looks have a different left and right half, so that
  // slides, pushes and ramps land different colours on the probe columns.
  const COLORREF A1 = RGB(200, 0, 0), A2 = RGB(0, 200, 0), B1 = RGB(0, 0, 200), B2 = RGB(200, 200, 0);
  const COLORREF m = 0xFFFFFFFF;  // a blend: neither look's own colour
  const COLORREF any = 0xFFFFFFFE;
  const int probes[5] = {0, 10, 20, 30, 39};
  struct Case {
    TMorphKind kind;
    COLORREF at[5];
  } cases[] = {
      {mkDefault, {m, m, m, m, m}},
      {mkGradient, {A1, B1, B2, B2, m}},  // wider than tall: ramps out from the centre half
      {mkLeftGradient, {B1, m, A2, A2, A2}},
      {mkRightGradient, {A1, A1, any, m, B2}},
      {mkLeftSlide, {B2, B2, A2, A2, A2}},
      {mkRightSlide, {A1, A1, B1, B1, B1}},
      {mkPush, {B1, B2, B2, A1, A1}},
  };
  for (const Case& c : cases) {
    TspPaintBuffer normal(40, 10), active(40, 10);
    normal.Fill(RECT{0, 0, 20, 10}, A1);
    normal.Fill(RECT{20, 0, 40, 10}, A2);
    active.Fill(RECT{0, 0, 20, 10}, B1);
    active.Fill(RECT{20, 0, 40, 10}, B2);
    MorphLooks(normal, active, c.kind, 0.5);
    for (int i = 0; i < 5; ++i) {
      const int x = probes[i];
      const COLORREF got = normal.Pixel(x, 5);
      EXPECT_EQ(got, normal.Pixel(x, 0)) << "kind " << int(c.kind) << " x " << x;  // whole columns alike
      if (c.at[i] == any) continue;
      if (c.at[i] == m) {
        EXPECT_NE(x < 20 ? A1 : A2, got) << "kind " << int(c.kind) << " x " << x;
        EXPECT_NE(x < 20 ? B1 : B2, got) << "kind " << int(c.kind) << " x " << x;
      } else {
        EXPECT_EQ(c.at[i], got) << "kind " << int(c.kind) << " x " << x;
      }
    }
  }
  // The plain blend is the exact half; a vertical ramp on a tall picture.
  TspPaintBuffer a(4, 4), b(4, 4);
  a.Fill(a.ClientRect(), RGB(0, 0, 0));
  b.Fill(b.ClientRect(), RGB(200, 100, 50));
  MorphLooks(a, b, mkDefault, 0.5);
  EXPECT_EQ(RGB(100, 50, 25), a.Pixel(1, 1));
  TspPaintBuffer tall(10, 40), tallHot(10, 40);
  tall.Fill(tall.ClientRect(), A1);
  tallHot.Fill(tallHot.ClientRect(), B1);
  MorphLooks(tall, tallHot, mkGradient, 0.5);
  EXPECT_EQ(A1, tall.Pixel(5, 0));
  EXPECT_EQ(B1, tall.Pixel(5, 20));
  // Looks of different sizes leave the normal one alone.
  TspPaintBuffer other(5, 4);
  other.Fill(other.ClientRect(), B1);
  MorphLooks(a, other, mkPush, 0.5);
  EXPECT_EQ(RGB(100, 50, 25), a.Pixel(0, 0));
}

TEST(TspMorph, FadeRunsInFiveStepsAndEndsExactlyAtEitherEnd) {
  FakeTimers timers;
  TspMorph morph;
  bool hot = true;
  int repaints = 0;
  std::vector<double> seen;
  auto start = [&] {
    morph.Start([&] { return hot; }, [] { return true; },
                [&] {
                  ++repaints;
                  seen.push_back(morph.Kf());
                });
  };
  start();
  timers.Advance(200);
  EXPECT_EQ(1.0, morph.Kf());
  EXPECT_EQ(6, repaints);  // five steps and the closing tick
  EXPECT_FALSE(morph.Running());
  EXPECT_EQ(0, timers.ActiveCount());
  hot = false;
  start();
  timers.Advance(120);
  EXPECT_EQ(0.0, morph.Kf());
  EXPECT_EQ(12, repaints);
  for (double kf : seen) {
    EXPECT_GE(kf, 0.0);
    EXPECT_LE(kf, 1.0);
  }
  EXPECT_EQ(0, timers.ActiveCount());
  // Without a fade (no element), the first tick jumps and nothing repaints.
  hot = true;
  morph.Start([&] { return hot; }, [] { return false; }, [&] { ++repaints; });
  timers.Advance(20);
  EXPECT_EQ(1.0, morph.Kf());
  EXPECT_EQ(12, repaints);
}

// The shape of a masked control: its black pixels, whatever the mask. The
// reference joins one rectangle per run into the region, the slow obvious
// way; the builder must give the very same region, also past one band of
// rectangles.
TEST(SkinControlShape, TheMaskRegionIsTheUnionOfItsBlackRunsForEveryMask) {
  struct Mask {
    const char* name;
    int w, h;
    std::function<bool(int, int)> black;
  };
  std::mt19937 rng(7);
  std::vector<bool> noise(64 * 48);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = rng() % 3 == 0;
  const std::vector<Mask> masks = {
      {"one pixel", 1, 1, [](int, int) { return true; }},
      {"all black", 40, 30, [](int, int) { return true; }},
      {"one white pixel in the middle", 9, 9, [](int x, int y) { return x != 4 || y != 4; }},
      {"rounded corners", 24, 16, [](int x, int y) { return !((x == 0 || x == 23) && (y == 0 || y == 15)); }},
      {"columns", 31, 7, [](int x, int) { return x % 3 == 0; }},
      {"checkerboard", 16, 16, [](int x, int y) { return (x + y) % 2 == 0; }},
      {"noise", 64, 48, [&](int x, int y) { return noise[size_t(y) * 64 + size_t(x)]; }},
      {"checkerboard of several bands", 130, 90, [](int x, int y) { return (x + y) % 2 == 1; }},
  };
  for (const Mask& m : masks) {
    std::vector<uint32_t> pixels(size_t(m.w) * size_t(m.h));
    HRGN reference = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < m.h; ++y)
      for (int x = 0; x < m.w; ++x) {
        // Black counts whatever the alpha byte holds; any other colour is outside.
        pixels[size_t(y) * size_t(m.w) + size_t(x)] = m.black(x, y) ? 0xFF000000u : 0x00010000u * uint32_t(1 + x % 200);
        if (!m.black(x, y)) continue;
        HRGN px = CreateRectRgn(x, y, x + 1, y + 1);
        CombineRgn(reference, reference, px, RGN_OR);
        DeleteObject(px);
      }
    TspImageSource src;
    src.Pixels = pixels.data();
    src.Width = m.w;
    src.Height = m.h;
    HRGN built = RegionFromMask(src);
    ASSERT_NE(built, nullptr) << m.name;
    EXPECT_TRUE(EqualRgn(built, reference)) << m.name;
    DeleteObject(built);
    DeleteObject(reference);
  }
  // A mask without black pixels gives no region at all.
  std::vector<uint32_t> white(20 * 10, 0x00FFFFFFu);
  TspImageSource none;
  none.Pixels = white.data();
  none.Width = 20;
  none.Height = 10;
  EXPECT_EQ(RegionFromMask(none), nullptr);
}

}  // namespace
