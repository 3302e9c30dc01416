#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "skin/data/SPGlyphLayout.h"

namespace {

// Rasterises the canvas operations by the platform's rules (lines exclude
// their end point; horizontal, vertical and 45-degree lines only).
class AsciiPainter : public TspGlyphPainter {
public:
  AsciiPainter(int w, int h) : rows(size_t(h), std::string(size_t(w), '.')) {}
  void Pixel(int x, int y) override {
    if (y >= 0 && y < int(rows.size()) && x >= 0 && x < int(rows[0].size())) rows[size_t(y)][size_t(x)] = '#';
  }
  void Line(int x0, int y0, int x1, int y1) override {
    const int sx = (x1 > x0) - (x1 < x0), sy = (y1 > y0) - (y1 < y0);
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    EXPECT_TRUE(x0 == x1 || y0 == y1 || std::abs(x1 - x0) == std::abs(y1 - y0));
    for (int i = 0; i < steps; ++i) Pixel(x0 + i * sx, y0 + i * sy);
  }
  void Box(int l, int t, int r, int b, bool filled) override {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x)
        if (filled || y == t || y == b - 1 || x == l || x == r - 1) Pixel(x, y);
  }
  std::string Art() const {
    std::string s;
    for (const auto& r : rows) s += r + "\n";
    return s;
  }
  std::vector<std::string> rows;
};

TEST(GlyphLayout, CalcGlyphAndTextPosTable) {
  struct Case {
    TspButtonLayout layout;
    int margin, spacing, gw, gh, tw, th;
    int textX, textY, glyphX, glyphY;
  };
  const TspRect r(0, 0, 100, 20);  // cx 50, cy 10
  const Case cases[] = {
      {blGlyphLeft, -1, 4, 16, 16, 40, 10, 40, 5, 20, 2},
      {blGlyphRight, -1, 4, 16, 16, 40, 10, 20, 5, 64, 2},
      {blGlyphTop, -1, 4, 16, 16, 40, 10, 30, 15, 42, -5},
      {blGlyphBottom, -1, 4, 16, 16, 40, 10, 30, -5, 42, 9},
      {blGlyphLeft, -1, 4, 0, 0, 40, 10, 30, 5, 30, 10},  // no glyph: spacing ignored, caption centred
      {blGlyphLeft, 3, 4, 16, 16, 40, 10, 23, 5, 3, 2},
      {blGlyphRight, 3, 4, 16, 16, 40, 10, 37, 5, 81, 2},
      {blGlyphTop, 3, 4, 16, 16, 40, 10, 30, 23, 42, 3},
      {blGlyphBottom, 3, 4, 16, 16, 40, 10, 30, -13, 42, 1},
  };
  for (const auto& c : cases) {
    int tx, ty, gx, gy;
    CalcGlyphAndTextPos(c.layout, r, c.gw, c.gh, c.tw, c.th, c.spacing, c.margin, tx, ty, gx, gy);
    EXPECT_EQ(tx, c.textX) << c.layout << " margin " << c.margin;
    EXPECT_EQ(ty, c.textY) << c.layout << " margin " << c.margin;
    EXPECT_EQ(gx, c.glyphX) << c.layout << " margin " << c.margin;
    EXPECT_EQ(gy, c.glyphY) << c.layout << " margin " << c.margin;
  }
}

TEST(GlyphLayout, GlyphShapes) {
  struct Case {
    const char* name;
    std::function<void(TspGlyphPainter&)> draw;
    const char* art;
  };
  const TspRect r(0, 0, 11, 11);
  const Case cases[] = {
      {"small arrow down", [&](TspGlyphPainter& p) { LaySmallArrowGlyph(p, r, 4); },
       "...........\n...........\n...........\n...........\n...#####...\n....###....\n.....#.....\n"
       "...........\n...........\n...........\n...........\n"},
      {"small arrow left", [&](TspGlyphPainter& p) { LaySmallArrowGlyph(p, r, 1); },
       "...........\n...........\n...........\n......#....\n.....##....\n....###....\n.....##....\n"
       "......#....\n...........\n...........\n...........\n"},
      {"arrow up", [&](TspGlyphPainter& p) { LayArrowGlyph(p, r, 3); },
       "...........\n...........\n...........\n.....#.....\n....###....\n...#####...\n..#######..\n"
       "...........\n...........\n...........\n...........\n"},
      {"unknown direction draws nothing", [&](TspGlyphPainter& p) { LayArrowGlyph(p, r, 5); },
       "...........\n...........\n...........\n...........\n...........\n...........\n...........\n"
       "...........\n...........\n...........\n...........\n"},
      {"close", [&](TspGlyphPainter& p) { LayCloseGlyph(p, 0, 0); },
       "...........\n.##.....##.\n..##...##..\n...##.##...\n....###....\n....###....\n...##.##...\n"
       "..##...##..\n.##.....##.\n...........\n...........\n"},
      {"maximize", [&](TspGlyphPainter& p) { LayMaximizeGlyph(p, 0, 0); },
       "###########\n###########\n#.........#\n#.........#\n#.........#\n#.........#\n#.........#\n"
       "#.........#\n#.........#\n###########\n...........\n"},
      {"minimize", [&](TspGlyphPainter& p) { LayMinimizeGlyph(p, 0, 0); },
       "...........\n...........\n...........\n...........\n...........\n...........\n...........\n"
       "...........\n.########..\n.########..\n...........\n"},
      {"restore", [&](TspGlyphPainter& p) { LayRestoreGlyph(p, 0, 0); },
       "..########.\n..########.\n..#......#.\n..#......#.\n#######..#.\n##########.\n#.....#....\n"
       "#.....#....\n#.....#....\n#######....\n...........\n"},
      {"roll up (first line sets nothing)", [&](TspGlyphPainter& p) { LayRollUpGlyph(p, 0, 0); },
       "...........\n...........\n...........\n....##.....\n...####....\n..######...\n.########..\n"
       "...........\n...........\n...........\n...........\n"},
      {"check mark", [&](TspGlyphPainter& p) { LayCheckMarkGlyph(p, 0, 0); },
       "...........\n......#....\n.....##....\n#...###....\n##.###.....\n#####......\n.###.......\n"
       "..#........\n...........\n...........\n...........\n"},
      {"dotted focus 10x10", [&](TspGlyphPainter& p) { LayDottedFocusFrame(p, TspRect(0, 0, 10, 10)); },
       "#.#.#.#.#..\n.........#.\n#..........\n.........#.\n#..........\n.........#.\n#..........\n"
       ".........#.\n#..........\n.#.#.#.#.#.\n...........\n"},
  };
  for (const auto& c : cases) {
    AsciiPainter p(11, 11);
    c.draw(p);
    EXPECT_EQ(p.Art(), std::string(c.art)) << c.name << "\n" << p.Art();
  }
}

TEST(GlyphLayout, StripFrames) {
  EXPECT_EQ(StripFrameRect(40, 10, 4, 2), TspRect(10, 0, 20, 10));
  EXPECT_TRUE(RectIsEmpty(StripFrameRect(40, 10, 0, 1)));
  EXPECT_TRUE(RectIsEmpty(StripFrameRect(40, 10, 4, 5)));
  EXPECT_TRUE(RectIsEmpty(StripFrameRect(40, 10, 4, 0)));
}

TEST(Geometry, HelperCases) {
  EXPECT_EQ(RectWidth(TspRect(10, 0, 5, 0)), -5);
  EXPECT_TRUE(RectIsEmpty(TspRect(10, 0, 5, 0)));
  EXPECT_TRUE(PointInRectInclusive(TspRect(0, 0, 10, 10), TspPoint(10, 10)));
  EXPECT_FALSE(RectInsideRect(TspRect(0, 0, 10, 10), TspRect(0, 0, 10, 10)));
  EXPECT_TRUE(RectInsideRect(TspRect(0, 0, 9, 9), TspRect(0, 0, 10, 10)));
  EXPECT_TRUE(PointIsEmpty(TspPoint(5, 0)));
  EXPECT_EQ(AverageColorRGB(0xFFFFFF, 0), 0x7F7F7Fu);
  EXPECT_EQ(DarkenColorRGB(0xFFFFFF, 50), 0x7F7F7Fu);
  EXPECT_EQ(DarkenColorRGB(0x123456, 0), 0x123456u);
  EXPECT_FALSE(IsWindowsXPOrLaterVersion(5, 2));
  EXPECT_TRUE(IsWindows2000OrLaterVersion(5, 2));
  EXPECT_FALSE(IsWindows2000OrLaterVersion(5, 3));
  EXPECT_TRUE(IsWindowsXPOrLaterVersion(6, 0));
  EXPECT_TRUE(IsWindows2000OrLaterVersion(6, 0));
  EXPECT_FALSE(IsWindows7Version(6, 0));
  EXPECT_EQ(MulDivRound(255, 50, 100), 128);
}

}  // namespace
