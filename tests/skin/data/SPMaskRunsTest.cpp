#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "skin/data/SPMaskRuns.h"

namespace {

struct Mask24 {
  int w, h;
  std::vector<uint8_t> bits;
  Mask24(int w_, int h_) : w(w_), h(h_), bits(size_t(Dib24RowInc(w_)) * h_, 0xFF) {}
  uint8_t* at(int x, int y) { return &bits[size_t(y) * Dib24RowInc(w) + x * 3]; }
  void black(int x, int y) { std::memset(at(x, y), 0, 3); }
};

TEST(MaskRuns, RowIncrementAndGap) {
  EXPECT_EQ(Dib24RowInc(1), 4);
  EXPECT_EQ(Dib24RowInc(4), 12);
}

TEST(MaskRuns, OnlyPureBlackIsInside) {
  Mask24 m(5, 2);
  m.black(3, 0), m.black(4, 0);  // a run to the right edge
  m.at(0, 1)[2] = 1;             // red 1: outside
  for (int x = 1; x < 5; ++x) m.at(x, 1)[0] = m.at(x, 1)[1] = m.at(x, 1)[2] = 0;
  const auto runs = CollectMaskRuns(m.bits.data(), Dib24RowInc(5), 5, 2, 10, 20);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], TspRect(13, 20, 15, 21));
  EXPECT_EQ(runs[1], TspRect(11, 21, 15, 22));
  const auto data = BuildRegionData(runs, TspRect(10, 20, 15, 22));
  ASSERT_EQ(data.size(), 32u + 32u);
  const int32_t* h = reinterpret_cast<const int32_t*>(data.data());
  EXPECT_EQ(h[0], 32);
  EXPECT_EQ(h[1], 1);
  EXPECT_EQ(h[2], 2);
  EXPECT_EQ(h[3], 0);
  EXPECT_EQ(h[6], 15);
  EXPECT_EQ(h[8 + 4 + 2], 15);  // second rectangle's right
}

TEST(MaskRuns, NoBlackGivesAnEmptyHeaderOnly) {
  Mask24 m(3, 3);
  const auto runs = CollectMaskRuns(m.bits.data(), Dib24RowInc(3), 3, 3, 0, 0);
  EXPECT_TRUE(runs.empty());
  EXPECT_EQ(BuildRegionData(runs, TspRect(0, 0, 3, 3)).size(), 32u);
}

TEST(MaskRuns, RandomMasksKeepExactlyTheirBlackPixels) {
  std::mt19937 rng(13);
  for (int trial = 0; trial < 40; ++trial) {
    const int w = 1 + int(rng() % 300), h = 1 + int(rng() % 200);
    Mask24 m(w, h);
    std::set<std::pair<int, int>> black;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rng() % 2) m.black(x, y), black.insert({x, y});
    const auto runs = CollectMaskRuns(m.bits.data(), Dib24RowInc(w), w, h, 0, 0);
    std::set<std::pair<int, int>> got;
    for (const auto& r : runs) {
      ASSERT_EQ(RectHeight(r), 1);
      for (int x = r.Left; x < r.Right; ++x) ASSERT_TRUE(got.insert({x, r.Top}).second);
    }
    ASSERT_EQ(got, black) << "trial " << trial;
  }
}

TEST(MaskRuns, MoreThanTenThousandRunsAreAllKept) {
  Mask24 m(400, 120);  // every other pixel black: 200 runs a row, 24,000 in all
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 400; x += 2) m.black(x, y);
  const auto runs = CollectMaskRuns(m.bits.data(), Dib24RowInc(400), 400, 120, 0, 0);
  EXPECT_EQ(runs.size(), 24000u);
  EXPECT_EQ(runs.back(), TspRect(398, 119, 399, 120));
}

TEST(MaskRuns, ThirtyTwoBitMaskIgnoresAlpha) {
  TspPixelBitmap b;
  b.SetSize(3, 1);
  b.Clear(0xFFFFFFFF);
  b.SetPixel(1, 0, 0xFF000000);
  const auto runs = CollectMaskRuns(b, 0, 0);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], TspRect(1, 0, 2, 1));
}

}  // namespace
