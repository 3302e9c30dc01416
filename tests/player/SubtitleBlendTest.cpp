// Bitmap subtitle pixels: palette colours to A-Y-Cb-Cr, and the blend of a
// rectangle into a 4:2:0 picture, with no playback around it.
#include "support/gtest.h"

#include <vector>

#include "player/SubtitlePixels.h"

TEST(SubtitlePixels, PaletteColoursBecomeAlphaLumaAndChroma) {
  struct Case {
    uint32_t argb, ayuv;
  } cases[] = {
      {0xFFFFFFFFu, 0xFFEB8080u},  // white: 235, 128, 128
      {0x80000000u, 0x80108080u},  // half-transparent black: 16, 128, 128
      {0xFFFF0000u, 0xFF515AF0u},  // red: 81, 90, 240
      {0x000000FFu, 0x0029F06Eu},  // invisible blue: 41, 240, 110
  };
  for (const Case& c : cases) EXPECT_EQ(c.ayuv, RGBAToAYUV(c.argb)) << std::hex << c.argb;
}

namespace {

// An 8x8 grey picture (Y 100, Cb 50, Cr 200).
struct TPlanes {
  std::vector<uint8_t> y = std::vector<uint8_t>(64, 100), u = std::vector<uint8_t>(16, 50),
                       v = std::vector<uint8_t>(16, 200);
  uint8_t* data[3] = {y.data(), u.data(), v.data()};
  int linesize[3] = {8, 4, 4};
};

// A rectangle of one opaque colour (Y 200, Cb 150, Cr 0).
struct TRectFixture {
  std::vector<uint8_t> index;
  uint32_t palette[256] = {};
  AVSubtitleRect rect{};
  TRectFixture(int x, int y, int w, int h, uint32_t colour = 0xFFC89600u) {
    index.assign(static_cast<size_t>(w * h), 1);
    palette[1] = colour;
    rect.x = x, rect.y = y, rect.w = w, rect.h = h;
    rect.nb_colors = 2;
    rect.data[0] = index.data();
    rect.data[1] = reinterpret_cast<uint8_t*>(palette);
    rect.linesize[0] = w;
  }
};

}  // namespace

TEST(SubtitlePixels, BlendCoversWholeAndPartlyCoveredChromaBlocksAndClips) {
  {
    // x 1..4, y 0..1: block 0 half covered, block 1 fully, block 2 half.
    TPlanes p;
    TRectFixture r(1, 0, 4, 2);
    BlendSubrect(p.data, p.linesize, &r.rect, 8, 8);
    EXPECT_EQ(100, p.y[0]);
    EXPECT_EQ(200, p.y[1]);
    EXPECT_EQ(200, p.y[8 + 4]);
    EXPECT_EQ(100, p.y[5]);
    // Full block: the subtitle's chroma; half blocks: alpha (2x255)>>2 = 127
    // over two pixels: (50*2*128 + 300*127) / 510 = 99 and (200*2*128) / 510 = 100.
    EXPECT_EQ(150, p.u[1]);
    EXPECT_EQ(0, p.v[1]);
    EXPECT_EQ(99, p.u[0]);
    EXPECT_EQ(100, p.v[0]);
    EXPECT_EQ(99, p.u[2]);
    EXPECT_EQ(50, p.u[3]);
    EXPECT_EQ(50, p.u[4]) << "the next chroma row is untouched";
  }
  {
    // Half transparent, hanging over the right and bottom edges.
    TPlanes p;
    TRectFixture r(6, 6, 5, 5, 0x80C89600u);
    BlendSubrect(p.data, p.linesize, &r.rect, 8, 8);
    EXPECT_EQ((127 * 100 + 200 * 128) / 255, p.y[7 * 8 + 7]);
    EXPECT_EQ(100, p.y[5 * 8 + 5]);
    EXPECT_EQ((50 * 4 * 127 + 600 * 128) / (255 * 4), p.u[3 * 4 + 3]);
    EXPECT_EQ(50, p.u[2 * 4 + 2]);
  }
  {
    // Starting left of and above the picture: only the part inside is drawn.
    TPlanes p;
    TRectFixture r(-3, -3, 4, 4);
    BlendSubrect(p.data, p.linesize, &r.rect, 8, 8);
    EXPECT_EQ(200, p.y[0]);
    EXPECT_EQ(100, p.y[1]);
    EXPECT_EQ(100, p.y[8]);
  }
}
