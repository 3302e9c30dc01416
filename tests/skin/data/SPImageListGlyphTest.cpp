// Glyphs from image lists beside captions, their glow silhouettes, and the
// backgrounds that transparent controls copy from their parents.
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/Streams.h"
#include "skin/data/SPUtils.h"
#include "skin/data/sppngimagelist.h"
#include "support/gtest.h"
#include "support/BitmapPixels.h"
#include "support/Controls.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// 6 x 4 glyphs: picture 0 a red block with a see-through left column,
// picture 1 all blue.
std::unique_ptr<TImageList> Glyphs() {
  auto list = std::make_unique<TImageList>(nullptr, 6, 4);
  TBitmap strip(12, 4, pf24bit);
  TPixelView v = strip.PixelView();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 12; ++x)
      v.SetPixelARGB(x, y, x == 0 ? 0xFFFF00FFu : x < 6 ? 0xFFFF0000u : 0xFF0000FFu);
  list->AddMasked(&strip, clFuchsia);
  return list;
}

std::unique_ptr<TBitmap> WhiteTarget(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf32bit);
  b->Canvas()->Brush()->SetColor(clWhite);
  b->Canvas()->FillRect(Rect(0, 0, w, h));
  return b;
}

TEST(SkinImageListGlyph, GlyphPlacementMarkersAndStates) {
  auto list = Glyphs();
  const uint32_t red = 0xFF0000, shadow = RgbOf(clBtnShadow);
  struct Case {
    const char* name;
    TspButtonLayout layout;
    int margin, index;
    bool down, enabled, marker;
    int gx, gy;  // expected glyph corner; gx < 0: no glyph
  } cases[] = {
      // R = (0, 0, 40, 20): cx 20, cy 10.
      // Centred: hw = (0 + 6 + 5) div 2 = 5, so the glyph starts at 15.
      {"centred", blGlyphLeft, -1, 0, false, true, false, 15, 8},
      {"centred down", blGlyphLeft, -1, 0, true, true, false, 16, 9},
      {"left margin 3", blGlyphLeft, 3, 0, false, true, true, 3, 8},
      {"right margin 3", blGlyphRight, 3, 0, false, true, false, 31, 8},
      {"top margin 2", blGlyphTop, 2, 0, false, true, false, 17, 2},
      {"bottom margin 2", blGlyphBottom, 2, 0, true, true, true, 18, 15},
      {"disabled", blGlyphLeft, -1, 0, false, false, false, 15, 8},
      {"index past the end", blGlyphLeft, -1, 2, false, true, false, -1, -1},
      {"negative index", blGlyphLeft, -1, -1, false, true, false, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = WhiteTarget(40, 20);
    DrawImageListGlyphAndText(b->Canvas(), Rect(0, 0, 40, 20), c.margin, 5, c.layout, "", c.index, list.get(), c.down,
                              c.enabled, c.marker, clGreen);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) {
        uint32_t want = kWhite;
        if (c.gx >= 0) {
          int gx = x - c.gx, gy = y - c.gy;
          bool glyph = gx >= 1 && gx < 6 && gy >= 0 && gy < 4;  // column 0 is see-through
          bool emboss = !c.enabled && gx >= 2 && gx < 7 && gy >= 1 && gy < 5;
          if (glyph)
            want = c.enabled ? red : shadow;
          else if (emboss)
            want = RgbOf(clBtnHighlight);
          if (c.marker && gx >= 0 && gx < 6 && gy >= 2 && gy <= 4) want = RgbOf(clGreen);
        }
        ASSERT_EQ(RgbAt(*b, x, y), want) << x << "," << y;
      }
  }
}

TEST(SkinImageListGlyph, MarkerWithoutGlyphOrCaption) {
  // No list at all: the marker fills a rectangle; down moves its top and
  // bottom one pixel, except in the glowing twin.
  struct Case {
    bool glow, down;
    int top, bottom;
  } cases[] = {{false, false, 4, 16}, {false, true, 5, 17}, {true, false, 4, 16}, {true, true, 4, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.glow ? "glow" : "plain") + (c.down ? " down" : ""));
    auto b = WhiteTarget(30, 20);
    if (c.glow)
      DrawImageListGlyphAndGlowText(b->Canvas(), Rect(0, 0, 30, 20), -1, 2, blGlyphLeft, "", 0, nullptr, c.down, true,
                                    true, clBlue, clYellow, 3);
    else
      DrawImageListGlyphAndText(b->Canvas(), Rect(0, 0, 30, 20), -1, 2, blGlyphLeft, "", 0, nullptr, c.down, true,
                                true, clBlue);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) {
        bool in = x >= 4 && x < 28 && y >= c.top && y < c.bottom;
        ASSERT_EQ(RgbAt(*b, x, y), in ? 0x0000FFu : kWhite) << x << "," << y;
      }
  }
}

TEST(SkinImageListGlyph, CaptionBesideTheGlyph) {
  auto list = Glyphs();
  auto b = WhiteTarget(120, 30);
  TCanvas* c = b->Canvas();
  c->Font()->SetName("Liberation Sans");
  c->Font()->SetHeight(-12);
  c->Font()->SetColor(clBlack);
  // Where the layout puts the glyph, from the caption's measured size.
  TRect m = Rect(0, 0, 120 - 6, 30);
  std::u16string text = u"Go";
  RECT mr{m.Left, m.Top, m.Right, m.Bottom};
  DrawTextW(c->Handle(), reinterpret_cast<LPCWSTR>(text.c_str()), -1, &mr, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
  int tx, ty, gx, gy;
  CalcGlyphAndTextPos(blGlyphLeft, TspRect(0, 0, 120, 30), 6, 4, mr.right - mr.left, mr.bottom - mr.top, 4, -1, tx, ty,
                      gx, gy);
  DrawImageListGlyphAndText(c, Rect(0, 0, 120, 30), -1, 4, blGlyphLeft, "Go", 1, list.get(), false, true, false, 0);
  EXPECT_EQ(RgbAt(*b, gx, gy), 0x0000FFu);
  EXPECT_EQ(RgbAt(*b, gx + 5, gy + 3), 0x0000FFu);
  EXPECT_EQ(RgbAt(*b, gx - 1, gy), kWhite);
  // Some caption ink to the right of the glyph, none to its left.
  int ink = 0, inkLeft = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) {
      uint32_t p = RgbAt(*b, x, y);
      if (p != kWhite && p != 0x0000FFu) (x >= gx + 6 ? ink : inkLeft)++;
    }
  EXPECT_GT(ink, 10);
  EXPECT_EQ(inkLeft, 0);
}

TEST(SkinImageListGlyph, GlowSurroundsTheGlyphOnly) {
  auto list = Glyphs();
  auto b = WhiteTarget(40, 30);
  // Glyph at (17, 13) in (0, 0, 40, 30); glow of 4 pixels around it.
  DrawImageListGlyphAndGlowText(b->Canvas(), Rect(0, 0, 40, 30), -1, 0, blGlyphLeft, "", 1, list.get(), false, true,
                                false, 0, clBlack, 4);
  EXPECT_EQ(RgbAt(*b, 17, 13), 0x0000FFu);
  EXPECT_EQ(RgbAt(*b, 22, 16), 0x0000FFu);
  uint32_t close = RgbAt(*b, 16, 15), distant = RgbAt(*b, 5, 5);
  EXPECT_LT(close & 0xFF, 0xFFu);  // darkened by the black glow
  EXPECT_EQ(distant, kWhite);
  EXPECT_EQ(RgbAt(*b, 17 - 6, 13), kWhite);
  EXPECT_EQ(RgbAt(*b, 23 + 6, 16), kWhite);
}

// The silhouette (red bytes) of a glow shape as ASCII art.
std::string ShapeArt(TspBitmap& t) {
  GdiFlush();
  std::string s;
  for (int y = 0; y < t.Height(); ++y) {
    for (int x = 0; x < t.Width(); ++x) s += (t.GetPixel(x, y) >> 16 & 0xFF) == 0xFF ? '#' : '.';
    s += "\n";
  }
  return s;
}

TEST(SkinImageListGlyph, GlowShapes) {
  // A glyph that covers its top-left corner keeps its shape.
  TImageList plain(nullptr, 3, 2);
  TBitmap art(3, 2, pf24bit);
  TPixelView v = art.PixelView();
  const char* rows[] = {"#.#", "##."};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) v.SetPixelARGB(x, y, rows[y][x] == '#' ? 0xFF000000u : 0xFFFFFFFFu);
  plain.AddMasked(&art, clWhite);

  TspBitmap t;
  t.SetSize(7, 6);
  t.Clear(0);
  DrawImageListGlowShape(&t, &plain, 0, 2);
  EXPECT_EQ(ShapeArt(t),
            ".......\n"
            ".#.#...\n"
            ".##.#..\n"
            "..##.#.\n"
            "...##..\n"
            ".......\n");

  TspBitmap untouched;
  untouched.SetSize(4, 4);
  untouched.Clear(0);
  DrawImageListGlowShape(&untouched, &plain, 1, 1);
  DrawImageListGlowShape(&untouched, nullptr, 0, 1);
  EXPECT_EQ(ShapeArt(untouched), "....\n....\n....\n....\n");

  // A PNG list: the PNG's own alpha, once, clipped to the target.
  TspPngImageList png(nullptr);
  png.SetPngWidth(3);
  png.SetPngHeight(1);
  TPngImage image;
  image.CreateBlank(true, 3, 1);
  for (int x = 0; x < 3; ++x) {
    image.SetPixel(x, 0, 0x000000);
    image.SetAlphaAt(x, 0, uint8_t(x == 1 ? 0 : 200));
  }
  png.Add()->SetPngImage(&image);
  TspBitmap p;
  p.SetSize(4, 2);
  p.Clear(0);
  DrawImageListGlowShape(&p, &png, 0, 1);
  EXPECT_EQ(ShapeArt(p), "....\n.#.#\n");
}

// ---- parent backgrounds ----

// A window that paints a pattern from its own coordinates.
class Pattern : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  unsigned StateWhilePainting = 0;
  static COLORREF ColourAt(int x, int y) { return RGB(x * 3 & 0xFF, y * 5 & 0xFF, 77); }

protected:
  void Paint() override {
    StateWhilePainting = ControlState;
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x) SetPixelV(PaintDC(), x, y, ColourAt(x, y));
  }
};

// A windowless block of one colour.
class Block : public TGraphicControl {
public:
  Block(TComponent* owner, COLORREF c) : TGraphicControl(owner), Colour(c) {}
  COLORREF Colour;
  unsigned StateWhilePainting = 0;
  bool Throw = false;

protected:
  void Paint() override {
    StateWhilePainting = ControlState;
    if (Throw) throw std::runtime_error("paint failed");
    HBRUSH b = CreateSolidBrush(Colour);
    RECT r{0, 0, Width(), Height()};
    FillRect(PaintDC(), &r, b);
    DeleteObject(b);
  }
};

uint32_t FromColorRef(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

TEST(SkinParentBackground, CopiesTheParentAndTheControlsBelow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 150);
  auto* host = AddControl<Pattern>(&form, &form, 5, 5, 80, 60);
  auto* below = new Block(&form, RGB(200, 0, 0));  // before the control: copied
  below->SetBounds(10, 10, 10, 10);
  below->SetParent(host);
  auto* apart = new Block(&form, RGB(0, 0, 200));  // below, but outside the control: not painted
  apart->SetBounds(60, 40, 5, 5);
  apart->SetParent(host);
  auto* control = new Block(&form, RGB(1, 1, 1));
  control->SetBounds(15, 12, 20, 16);
  control->SetParent(host);
  auto* above = new Block(&form, RGB(0, 200, 0));  // after the control: skipped
  above->SetBounds(25, 20, 10, 10);
  above->SetParent(host);

  auto expect = [&](TBitmap& b, int ox, int oy) {
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        int px = x + ox, py = y + oy;  // in the host's client coordinates
        COLORREF want = Pattern::ColourAt(px, py);
        if (px >= 10 && px < 20 && py >= 10 && py < 20) want = RGB(200, 0, 0);
        ASSERT_EQ(RgbAt(b, x, y), FromColorRef(want)) << x << "," << y;
      }
  };
  TBitmap whole(20, 16, pf32bit);
  PaintParentBackground(control, whole.Canvas());
  expect(whole, 15, 12);
  EXPECT_EQ(apart->PaintCount, 0);
  EXPECT_EQ(above->PaintCount, 0);
  EXPECT_EQ(below->PaintCount, 1);
  EXPECT_TRUE(below->StateWhilePainting & csPaintCopy);
  EXPECT_TRUE(host->StateWhilePainting & csPaintCopy);
  EXPECT_FALSE(below->ControlState & csPaintCopy);
  EXPECT_FALSE(host->ControlState & csPaintCopy);

  // A part of the control: the canvas shows (3, 2) of the control at its origin.
  TBitmap part(8, 6, pf24bit);
  PaintParentBackgroundAt(control, Rect(3, 2, 11, 8), part.Canvas());
  expect(part, 18, 14);

  // The canvas keeps its own origin for whatever it draws next.
  POINT org{1, 1};
  GetViewportOrgEx(whole.Canvas()->Handle(), &org);
  EXPECT_EQ(org.x, 0);
  EXPECT_EQ(org.y, 0);

  // No parent, no control: nothing happens.
  Block orphan(nullptr, RGB(0, 0, 0));
  PaintParentBackground(&orphan, whole.Canvas());
  PaintParentBackground(nullptr, whole.Canvas());
  expect(whole, 15, 12);
}

TEST(SkinParentBackground, FlagsAndOriginComeBackWhenPaintingRaises) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 100);
  auto* host = AddControl<Pattern>(&form, &form, 0, 0, 50, 50);
  auto* bad = new Block(&form, RGB(0, 0, 0));
  bad->SetBounds(0, 0, 10, 10);
  bad->Throw = true;
  bad->SetParent(host);
  auto* control = new Block(&form, RGB(0, 0, 0));
  control->SetBounds(5, 5, 10, 10);
  control->SetParent(host);
  TBitmap b(10, 10, pf32bit);
  EXPECT_THROW(PaintParentBackground(control, b.Canvas()), std::runtime_error);
  EXPECT_FALSE(bad->ControlState & csPaintCopy);
  EXPECT_FALSE(host->ControlState & csPaintCopy);
  POINT org{1, 1};
  GetViewportOrgEx(b.Canvas()->Handle(), &org);
  EXPECT_EQ(org.x, 0);
  EXPECT_EQ(org.y, 0);

  // A form as the parent: its background only (its own painting is not asked for).
  auto* onForm = new Block(&form, RGB(0, 0, 0));
  onForm->SetBounds(60, 60, 4, 4);
  onForm->SetParent(&form);
  form.SetColor(RGB(10, 20, 30));
  TBitmap f(4, 4, pf32bit);
  PaintParentBackground(onForm, f.Canvas());
  EXPECT_EQ(RgbAt(f, 0, 0), 0x0A141Eu);
  EXPECT_EQ(RgbAt(f, 3, 3), 0x0A141Eu);
}

}  // namespace
