#include <gtest/gtest.h>

#include <random>

#include "skin/data/SPPixelRows.h"

namespace {

struct BlendCase {
  const char* name;
  TBlendPixel fn;
  TspColor f, b, expected;
};

TEST(PixelRows, BlendPixelCases) {
  const BlendCase cases[] = {
      {"plain half red over black", BlendPixelPlain, 0x80FF0000, 0xFF000000, 0xFF7F0000},
      {"mmx half red over black", BlendPixelMmx, 0x80FF0000, 0xFF000000, 0xBF7F0000},
      {"plain opaque returns F", BlendPixelPlain, 0xFF123456, 0xFF000000, 0xFF123456},
      {"plain zero returns B", BlendPixelPlain, 0x00123456, 0x7F654321, 0x7F654321},
      {"mmx white over black", BlendPixelMmx, 0xFFFFFFFF, 0xFF000000, 0xFFFEFEFE},
  };
  for (const auto& c : cases) EXPECT_EQ(c.fn(c.f, c.b), c.expected) << c.name;
}

// Per-channel reference formulas, written independently of the packed code.
TspColor RefPlain(TspColor f, TspColor b) {
  const unsigned a = f >> 24;
  if (a == 255) return f;
  if (a == 0) return b;
  TspColor r = 0xFF000000;
  for (int s = 0; s < 24; s += 8) r |= (((f >> s & 255) * a + (b >> s & 255) * (255 - a)) / 256) << s;
  return r;
}
TspColor RefMmx(TspColor f, TspColor b) {
  const unsigned a = f >> 24;
  TspColor r = 0;
  for (int s = 0; s < 32; s += 8) {
    const unsigned fc = s == 24 ? a : (f >> s & 255);
    r |= ((fc * a + (b >> s & 255) * (256 - a)) / 256) << s;
  }
  return r;
}

TEST(PixelRows, BlendMatchesReferenceOnRandomPairs) {
  std::mt19937 rng(7);
  for (int i = 0; i < 1000000; ++i) {
    const TspColor f = rng(), b = rng();
    ASSERT_EQ(BlendPixelPlain(f, b), RefPlain(f, b)) << std::hex << f << " " << b;
    ASSERT_EQ(BlendPixelMmx(f, b), RefMmx(f, b)) << std::hex << f << " " << b;
  }
}

TEST(PixelRows, BlendRowSkipsTransparentAndCopiesOpaque) {
  for (auto row : {BlendRowPlain, BlendRowMmx}) {
    const TspColor src[3] = {0x00FFFFFF, 0xFF112233, 0x80FF0000};
    TspColor dst[3] = {0x12345678, 0x12345678, 0xFF000000};
    row(src, dst, 3);
    EXPECT_EQ(dst[0], 0x12345678u);
    EXPECT_EQ(dst[1], 0xFF112233u);
    EXPECT_EQ((dst[2] >> 16) & 255, 127u);
  }
}

TEST(PixelRows, KeyCopyAndRectRoutines) {
  const TspColor src[3] = {0x127F007F, 0x007F007E, 0x00000000};
  TspColor dst[3] = {1, 2, 3};
  KeyCopyRow(src, dst, 3);
  EXPECT_EQ(dst[0], 1u);
  EXPECT_EQ(dst[1], 0xFF7F007Eu);
  EXPECT_EQ(dst[2], 0xFF000000u);

  TspColor bits[4 * 3] = {};
  FillPixelRect(bits, 4, 3, 0xAB, 1, 2, 1, 2);  // one pixel
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bits[i], i == 1 * 4 + 2 ? 0xABu : 0u) << i;
  SetAlphaPixelRect(bits, 4, 3, 0x80, 2, 3, 0, 3);  // the last column
  EXPECT_EQ(bits[3] >> 24, 0x80u);
  EXPECT_EQ(bits[11] >> 24, 0x80u);
  EXPECT_EQ(bits[2] >> 24, 0u);
  FillPixelRect(bits, 4, 3, 0xFF, 0, 1, 0, 2);  // X2 < X1: nothing
  EXPECT_EQ(bits[0], 0u);

  TspColor same[2] = {5, 6};
  CopyRow(same, same, 2);
  EXPECT_EQ(same[0], 5u);
  FillRow(same, 0, 9);
  SetAlphaRow(same, -1, 9);
  EXPECT_EQ(same[1], 6u);
}

TEST(PixelRows, TableFollowsTheProcessor) {
  EXPECT_EQ(MmxEnabled, HasMmx());
  EXPECT_EQ(BlendPixel, MmxEnabled ? &BlendPixelMmx : &BlendPixelPlain);
  EXPECT_EQ(BlendRow, MmxEnabled ? &BlendRowMmx : &BlendRowPlain);
}

}  // namespace
