#include "support/gtest.h"

#include <windows.h>

#include "support/Dib.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinTimer.h"

namespace {

const COLORREF kParent = RGB(0, 200, 0);

TEST(TspSkinBases, PaintTheirDefaultLookWithoutSkinData) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  form.SetColor(kParent);
  auto* windowed = new TspSkinCustomControl(&form);
  windowed->SetBounds(10, 10, 75, 25);
  windowed->SetParent(&form);
  auto* windowless = new TspGraphicSkinCustomControl(&form);
  windowless->SetBounds(100, 10, 40, 20);
  windowless->SetParent(&form);
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
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.SetColor(kParent);
  auto* windowed = new TspSkinCustomControl(&form);
  windowed->SetBounds(10, 10, 40, 20);
  windowed->SetParent(&form);
  auto* windowless = new TspGraphicSkinCustomControl(&form);
  windowless->SetBounds(100, 10, 40, 20);
  windowless->SetParent(&form);
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
  auto* outer = new TspSkinCustomControl(&form);
  outer->SetBounds(0, 0, 150, 80);
  outer->SetParent(&form);
  auto* middle = new TspSkinCustomControl(&form);
  middle->SetBounds(5, 5, 100, 60);
  middle->SetParent(outer);
  auto* leaf = new TspGraphicSkinCustomControl(&form);
  leaf->SetBounds(5, 5, 20, 20);
  leaf->SetParent(middle);
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

}  // namespace
