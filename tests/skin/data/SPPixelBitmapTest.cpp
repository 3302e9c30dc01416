#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "skin/data/SPPixelBitmap.h"
#include "support/DrawModePixel.h"
#include "support/ReferenceBlur.h"

namespace {

void Fill(TspPixelBitmap& b, int w, int h, std::mt19937& rng) {
  b.SetSize(w, h);
  for (int i = 0; i < w * h; ++i) b.Bits()[i] = rng();
}

// Source with pixel (x, y) = 0xFF000000 | x << 8 | y, so a drawn pixel names its source.
void Numbered(TspPixelBitmap& b, int w, int h) {
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, 0xFF000000u | unsigned(x) << 8 | unsigned(y));
}

TEST(PixelBitmap, SizeRules) {
  TspPixelBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetSize(-10, 5);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 5);
  b.SetPixel(3, 3, 0x42);
  TspColor* bits = b.Bits();
  b.SetSize(0, 5);
  b.SetSize(10, 5);
  EXPECT_EQ(b.Bits(), bits);
  EXPECT_EQ(b.GetPixel(3, 3), 0x42u);
  EXPECT_EQ(b.GetPixel(10, 0), 0u);
  EXPECT_EQ(b.GetPixel(-1, 0), 0u);
  try {
    b.SetSize(INT32_MIN, 3);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
  }
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
}

TEST(PixelBitmap, AlphaAndKeyChecks) {
  TspPixelBitmap b;
  b.CheckingAlphaBlend();
  EXPECT_FALSE(b.AlphaBlend());
  b.SetSize(3, 2);
  b.Clear(0xFF000000);
  b.SetPixel(0, 0, 0x00FFFFFF);
  b.CheckingAlphaBlend();
  EXPECT_FALSE(b.AlphaBlend());
  b.SetPixel(2, 1, 0xFE000000);
  b.CheckingAlphaBlend();
  EXPECT_TRUE(b.AlphaBlend());
  b.CheckingAlphaBlend(TspRect(0, 0, 2, 2));  // the rectangle form looks only inside
  EXPECT_FALSE(b.AlphaBlend());

  b.SetPixel(0, 0, 0xFFFA05FF);  // every difference <= 5
  b.SetPixel(1, 0, 0xFFFA06FF);  // green 6 away
  b.CheckingTransparent(0x00FF00FF);
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.GetPixel(0, 0), TransparentKey);
  EXPECT_EQ(b.GetPixel(1, 0), 0xFFFA06FFu);

  EXPECT_EQ(ColorToSpColorRGB(0x0000FF), 0xFFFF0000u);
  EXPECT_EQ(ColorToSpColorAlphaRGB(0x0000FF, 255), 0xFFFF0000u);  // not 254
  EXPECT_EQ(ColorToSpColorAlphaRGB(0x0000FF, 0), 0x00FF0000u);

  b.Clear(0x800000FF);
  b.CheckRGBA2();
  EXPECT_EQ(b.GetPixel(0, 0), 0x80000080u);
  b.Clear(0x40FF20FF);
  b.CheckRGBA();
  EXPECT_EQ(b.GetPixel(0, 0), 0x40402040u);
  b.SetAlpha(7, TspRect(2, 1, 10, 10));
  EXPECT_EQ(b.GetPixel(2, 1) >> 24, 7u);
  EXPECT_EQ(b.GetPixel(1, 1) >> 24, 0x40u);
  b.SetAlpha(9);
  EXPECT_EQ(b.GetPixel(2, 1) >> 24, 9u);
}

TEST(PixelBitmap, AssignCopiesPixelsNameAndFlags) {
  TspPixelBitmap a, b;
  Numbered(a, 3, 2);
  a.SetName("glyph");
  a.SetAlphaBlendFlag(true);
  b.AssignPixels(a);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.GetPixel(2, 1), a.GetPixel(2, 1));
  EXPECT_EQ(b.Name(), "glyph");
  EXPECT_TRUE(b.AlphaBlend());
  TspPixelBitmap empty;
  b.AssignPixels(empty);
  EXPECT_TRUE(b.Empty());
}

TEST(PixelBitmap, DrawEveryModeOneToOneAndStretched) {
  std::mt19937 rng(3);
  for (TspDrawMode mode : {TspDrawMode::Copy, TspDrawMode::Keyed, TspDrawMode::Alpha}) {
    for (int trial = 0; trial < 200; ++trial) {
      TspPixelBitmap src, dst;
      const int sw = 1 + int(rng() % 9), sh = 1 + int(rng() % 9);
      Fill(src, sw, sh, rng);
      for (int i = 0; i < sw * sh; ++i) {
        if (rng() % 4 == 0) src.Bits()[i] = TransparentKey | (rng() << 24);
        if (rng() % 4 == 0) src.Bits()[i] |= 0xFF000000;
        if (rng() % 4 == 0) src.Bits()[i] &= 0x00FFFFFF;
      }
      src.SetAlphaBlendFlag(mode == TspDrawMode::Alpha);
      src.SetTransparentFlag(mode == TspDrawMode::Keyed);
      Fill(dst, 12, 12, rng);
      TspPixelBitmap before;
      before.AssignPixels(dst);
      const TspRect s(int(rng() % sw), int(rng() % sh), 0, 0);
      const TspRect srcR(s.Left, s.Top, s.Left + 1 + int(rng() % (sw - s.Left)), s.Top + 1 + int(rng() % (sh - s.Top)));
      const bool stretched = trial % 2;
      const int dl = int(rng() % 14) - 3, dt = int(rng() % 14) - 3;
      const TspRect dstR = stretched ? TspRect(dl, dt, dl + 1 + int(rng() % 12), dt + 1 + int(rng() % 12))
                                     : TspRect(dl, dt, dl + RectWidth(srcR), dt + RectHeight(srcR));
      src.Draw(dst, dstR, srcR);
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
          TspColor want = before.GetPixel(x, y);
          if (x >= dstR.Left && x < dstR.Right && y >= dstR.Top && y < dstR.Bottom) {
            const int dw = RectWidth(dstR), dh = RectHeight(dstR);
            int sx, sy;
            if (!stretched) {
              sx = srcR.Left + x - dstR.Left, sy = srcR.Top + y - dstR.Top;
            } else {
              const float rx = float(RectWidth(srcR) - 1) / float(dw - 1);
              const float ry = float(RectHeight(srcR) - 1) / float(dh - 1);
              sx = dw < 2 ? (srcR.Left + srcR.Right - 1) / 2 : int(double(x - dstR.Left) * rx + srcR.Left);
              sy = dh < 2 ? (srcR.Top + srcR.Bottom - 1) / 2 : int(double(y - dstR.Top) * ry + srcR.Top);
            }
            want = ExpectedDrawnPixel(mode, src.GetPixel(sx, sy), want);
          }
          ASSERT_EQ(dst.GetPixel(x, y), want) << int(mode) << " trial " << trial << " at " << x << "," << y;
        }
    }
  }
}

TEST(PixelBitmap, DrawEdgeCases) {
  struct Case {
    const char* name;
    int sw, sh;
    TspRect dst, src;
    std::vector<int> cols;  // source column per destination column of row 0 (-1: untouched)
  };
  const Case cases[] = {
      {"2 to 4 stretch", 2, 2, {0, 0, 4, 4}, {0, 0, 2, 2}, {0, 0, 0, 1}},
      {"1-pixel-wide target takes the middle column", 5, 1, {0, 0, 1, 1}, {0, 0, 5, 1}, {2, -1, -1, -1}},
      {"source past the right edge draws nothing", 4, 1, {0, 0, 4, 1}, {1, 0, 5, 1}, {-1, -1, -1, -1}},
      {"empty source draws nothing", 4, 1, {0, 0, 4, 1}, {2, 0, 2, 1}, {-1, -1, -1, -1}},
      {"target partly outside is clipped", 4, 1, {-2, 0, 2, 1}, {0, 0, 4, 1}, {2, 3, -1, -1}},
  };
  for (const auto& c : cases) {
    TspPixelBitmap src, dst;
    Numbered(src, c.sw, c.sh);
    dst.SetSize(4, 4);
    src.Draw(dst, c.dst, c.src);
    for (int x = 0; x < 4; ++x) {
      const TspColor p = dst.GetPixel(x, 0);
      if (c.cols[x] < 0)
        EXPECT_EQ(p, 0u) << c.name << " column " << x;
      else
        EXPECT_EQ(p, 0xFF000000u | unsigned(c.cols[x]) << 8) << c.name << " column " << x;
    }
  }
  // Rows of the 2 -> 4 stretch: 0, 0, 0, 1.
  TspPixelBitmap src, dst;
  Numbered(src, 2, 2);
  dst.SetSize(4, 4);
  src.Draw(dst, TspRect(0, 0, 4, 4));
  for (int y = 0; y < 4; ++y) EXPECT_EQ(dst.GetPixel(0, y) & 0xFF, y == 3 ? 1u : 0u) << y;
}

TEST(PixelBitmap, TileAndTileClipCells) {
  TspPixelBitmap src, dst;
  Numbered(src, 10, 10);
  dst.SetSize(30, 10);
  src.Tile(dst, TspRect(0, 0, 25, 10), TspRect(0, 0, 10, 10));
  for (int x = 0; x < 30; ++x)
    EXPECT_EQ(dst.GetPixel(x, 4), x < 25 ? (0xFF000000u | unsigned(x % 10) << 8 | 4u) : 0u) << x;

  std::vector<TspRect> cells;
  ForEachTileCell(TspRect(0, 0, 25, 10), TspRect(0, 0, 10, 10),
                  [&](const TspRect& c, const TspRect&) { cells.push_back(c); });
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(RectWidth(cells[2]), 5);

  dst.Clear(0);
  src.TileClip(dst, TspRect(0, 0, 25, 10), TspRect(12, 2, 14, 4), TspRect(0, 0, 10, 10));
  EXPECT_EQ(dst.GetPixel(5, 5), 0u);
  EXPECT_NE(dst.GetPixel(10, 9), 0u);  // the second cell, whole
  EXPECT_NE(dst.GetPixel(19, 0), 0u);
  EXPECT_EQ(dst.GetPixel(20, 0), 0u);
  dst.Clear(0);
  src.TileClip(dst, TspRect(0, 0, 25, 10), TspRect(), TspRect(0, 0, 10, 10));
  EXPECT_NE(dst.GetPixel(24, 9), 0u);
}

TEST(PixelBitmap, DibDrawIntoBottomUpRows) {
  TspPixelBitmap src;
  Numbered(src, 3, 2);
  std::vector<TspColor> dib(4 * 3, 0);  // 4 x 3, bottom-up
  DibDrawRect(TspDrawMode::Copy, dib.data(), 4, 3, TspRect(2, 0, 5, 2), src, TspRect(0, 0, 3, 2));
  EXPECT_EQ(dib[2 * 4 + 2], 0xFF000000u);         // image (2, 0) is memory row 2
  EXPECT_EQ(dib[1 * 4 + 3], 0xFF000101u);         // image (3, 1)
  EXPECT_EQ(dib[0 * 4 + 2], 0u);                  // image row 2 untouched
}

TEST(PixelBitmap, MergeFillFlipReflection) {
  TspPixelBitmap top, under;
  top.SetSize(3, 1);
  top.SetPixel(0, 0, 0xFF111111);
  top.SetPixel(1, 0, 0x00222222);
  top.SetPixel(2, 0, 0x80FF0000);
  under.SetSize(3, 1);
  under.Clear(0xFF0000FF);
  top.MergeDraw(under, 0, 0, TspRect(0, 0, 3, 1));
  EXPECT_EQ(top.GetPixel(0, 0), 0xFF111111u);
  EXPECT_EQ(top.GetPixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(top.GetPixel(2, 0), BlendPixel(0x80FF0000, 0xFF0000FF));

  TspPixelBitmap b;
  b.SetSize(4, 4);
  b.FillRect(TspRect(5, 5, 9, 9), 0xFFFFFFFF);
  b.FillRect(TspRect(-3, 3, 2, 9), 0x12345678);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.GetPixel(x, y), (x < 2 && y == 3) ? 0x12345678u : 0u);
  b.Clear(0x80000000);
  b.SetAlphaBlendFlag(true);
  b.FillRect(TspRect(0, 0, 1, 1), 0x80FF0000);
  EXPECT_EQ(b.GetPixel(0, 0), BlendPixel(0x80FF0000, 0x80000000));

  Numbered(b, 1, 4);
  b.FlipVert();
  EXPECT_EQ(b.GetPixel(0, 0) & 0xFF, 3u);
  b.Clear(0xFF000000);
  b.Reflection();
  const unsigned want[4] = {85, 42, 0, 0};
  for (int y = 0; y < 4; ++y) EXPECT_EQ(b.GetPixel(0, y) >> 24, want[y]) << y;
  TspPixelBitmap empty;
  empty.Reflection();  // no division by a zero height
}

TEST(StackBlur, SpotCaseAndFlatColour) {
  TspPixelBitmap b;
  b.SetSize(5, 5);
  b.Clear(0xFF000000);
  b.SetPixel(2, 2, 0xFFFFFFFF);
  StackBlurBitmap(b, 1);
  EXPECT_EQ(b.GetPixel(2, 2), 0xFF3F3F3Fu);
  EXPECT_EQ(b.GetPixel(1, 2), 0xFF1F1F1Fu);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF0F0F0Fu);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF000000u);

  b.Clear(0x10336699);
  StackBlurBitmap(b, 0);
  EXPECT_EQ(b.GetPixel(1, 1), 0x10336699u);
  StackBlurBitmap(b, 3);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(b.Bits()[i], 0xFF336699u);
}

TEST(StackBlur, MatchesReferenceOnRandomImages) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 60; ++trial) {
    TspPixelBitmap a, b;
    Fill(a, 1 + int(rng() % 40), 1 + int(rng() % 30), rng);
    b.AssignPixels(a);
    const int R = 1 + int(rng() % 12);
    StackBlurBitmap(a, R);
    ReferenceBlur(b, R);
    for (int i = 0; i < a.Width() * a.Height(); ++i)
      ASSERT_EQ(a.Bits()[i], b.Bits()[i]) << "trial " << trial << " R " << R << " pixel " << i;
  }
}

TEST(AlphaFromMask, AverageOfTheMaskChannels) {
  TspPixelBitmap b, m;
  b.SetSize(2, 2);
  b.Clear(0xFF808080);
  m.SetSize(1, 1);  // smaller mask: only the overlap changes
  m.SetPixel(0, 0, 0x001F140A);  // red 31, green 20, blue 10
  SetAlphaFromMask(b, m);
  EXPECT_EQ(b.GetPixel(0, 0), 0x14808080u);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF808080u);
  m.SetSize(2, 2);
  m.Clear(0);
  SetAlphaFromMaskPremultiplied(b, m);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b.Bits()[i], 0u);
}

}  // namespace
