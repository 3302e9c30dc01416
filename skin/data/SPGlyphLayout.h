// Where a glyph and its caption go, and the shapes of the library's own
// small glyphs. Platform-neutral: the shapes are given to a painter as the
// canvas's lines and boxes; the Win32 layer draws them on a canvas.
#pragma once

#include <functional>

#include "skin/data/SPGeometry.h"

enum TspButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

void CalcGlyphAndTextPos(TspButtonLayout Layout, const TspRect& R, int GW, int GH, int TW, int TH, int Spacing,
                         int Margin, int& TextX, int& TextY, int& GlyphX, int& GlyphY);

// The canvas operations the glyphs use. Line: move-to (x0, y0), line-to
// (x1, y1): the start pixel included, the end pixel excluded. Box: the
// canvas rectangle, right and bottom exclusive, outlined by the pen and
// filled by the brush when Filled. Pixel: one pixel in the pen colour.
class TspGlyphPainter {
public:
  virtual ~TspGlyphPainter() = default;
  virtual void Line(int x0, int y0, int x1, int y1) = 0;
  virtual void Box(int l, int t, int r, int b, bool Filled) = 0;
  virtual void Pixel(int x, int y) = 0;
};

// Direction: 1 left, 2 right, 3 up, 4 down; other values draw nothing.
void LaySmallArrowGlyph(TspGlyphPainter& P, const TspRect& R, int Direction);
void LayArrowGlyph(TspGlyphPainter& P, const TspRect& R, int Direction);
void LayDropDownArrowGlyph(TspGlyphPainter& P, const TspRect& R);
void LayRadioDotGlyph(TspGlyphPainter& P, int X, int Y);
void LayCheckMarkGlyph(TspGlyphPainter& P, int X, int Y);
void LayCloseGlyph(TspGlyphPainter& P, int X, int Y);
void LayMinimizeGlyph(TspGlyphPainter& P, int X, int Y);
void LayMaximizeGlyph(TspGlyphPainter& P, int X, int Y);
void LayRestoreGlyph(TspGlyphPainter& P, int X, int Y);
void LaySysMenuGlyph(TspGlyphPainter& P, int X, int Y);
void LayMinimizeToTrayGlyph(TspGlyphPainter& P, int X, int Y);
void LayRollDownGlyph(TspGlyphPainter& P, int X, int Y);
void LayRollUpGlyph(TspGlyphPainter& P, int X, int Y);
void LayDottedFocusFrame(TspGlyphPainter& P, const TspRect& R);

// Frame Index (1-based) of a strip of NumGlyphs frames; empty when there is
// no such frame (NumGlyphs of 0 or less, Index outside 1..NumGlyphs).
TspRect StripFrameRect(int BitmapWidth, int BitmapHeight, int NumGlyphs, int Index);
