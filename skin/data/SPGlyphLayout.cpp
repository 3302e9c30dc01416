#include "skin/data/SPGlyphLayout.h"

void CalcGlyphAndTextPos(TspButtonLayout Layout, const TspRect& R, int GW, int GH, int TW, int TH, int Spacing,
                         int Margin, int& TextX, int& TextY, int& GlyphX, int& GlyphY) {
  if (GW == 0) Spacing = 0;
  const int cx = R.Left + RectWidth(R) / 2, cy = R.Top + RectHeight(R) / 2;
  if (Margin == -1) {
    const int hw = (TW + GW + Spacing) / 2, hh = (TH + GH + Spacing) / 2;
    switch (Layout) {
      case blGlyphLeft: GlyphX = cx - hw, GlyphY = cy - GH / 2, TextX = cx + hw - TW, TextY = cy - TH / 2; break;
      case blGlyphRight: GlyphX = cx + hw - GW, GlyphY = cy - GH / 2, TextX = cx - hw, TextY = cy - TH / 2; break;
      case blGlyphTop: GlyphX = cx - GW / 2, GlyphY = cy - hh, TextX = cx - TW / 2, TextY = cy + hh - TH; break;
      case blGlyphBottom: GlyphX = cx - GW / 2, GlyphY = cy + hh - GH, TextX = cx - TW / 2, TextY = cy - hh; break;
    }
    return;
  }
  switch (Layout) {
    case blGlyphLeft:
      GlyphX = R.Left + Margin, GlyphY = cy - GH / 2, TextX = GlyphX + GW + Spacing, TextY = cy - TH / 2;
      break;
    case blGlyphRight:
      GlyphX = R.Right - GW - Margin, GlyphY = cy - GH / 2, TextX = GlyphX - Spacing - TW, TextY = cy - TH / 2;
      break;
    case blGlyphTop:
      GlyphX = cx - GW / 2, GlyphY = R.Top + Margin, TextX = cx - TW / 2, TextY = GlyphY + GH + Spacing;
      break;
    case blGlyphBottom:
      GlyphX = cx - GW / 2, GlyphY = R.Bottom - GH - Margin, TextX = cx - TW / 2, TextY = GlyphY - Spacing - TH;
      break;
  }
}

namespace {
int CX(const TspRect& R) { return R.Left + RectWidth(R) / 2; }
int CY(const TspRect& R) { return R.Top + RectHeight(R) / 2; }

// A triangle of columns or rows; "pixels a to b" include both ends, so each
// line runs to b + 1.
void Triangle(TspGlyphPainter& P, const TspRect& R, int Direction, int last, int apex) {
  const int cx = CX(R), cy = CY(R);
  for (int i = 0; i <= last; ++i) {
    switch (Direction) {
      case 1: P.Line(cx - apex + i, cy - i, cx - apex + i, cy + i + 1); break;
      case 2: P.Line(cx + apex - i, cy - i, cx + apex - i, cy + i + 1); break;
      case 3: P.Line(cx - i, cy - apex + i, cx + i + 1, cy - apex + i); break;
      case 4: P.Line(cx - i, cy + apex - i, cx + i + 1, cy + apex - i); break;
      default: return;
    }
  }
}
}  // namespace

void LaySmallArrowGlyph(TspGlyphPainter& P, const TspRect& R, int Direction) { Triangle(P, R, Direction, 2, 1); }
void LayArrowGlyph(TspGlyphPainter& P, const TspRect& R, int Direction) { Triangle(P, R, Direction, 3, 2); }

void LayDropDownArrowGlyph(TspGlyphPainter& P, const TspRect& R) {
  const int cx = CX(R), cy = CY(R);
  for (int i = 2; i >= 0; --i) P.Line(cx - i, cy + 2 - i, cx + i + 1, cy + 2 - i);
}

void LayRadioDotGlyph(TspGlyphPainter& P, int X, int Y) { P.Box(X, Y, X + 6, Y + 6, true); }

void LayCheckMarkGlyph(TspGlyphPainter& P, int X, int Y) {
  for (int i = 0; i <= 2; ++i) {
    P.Line(X, Y + 5 - i, X + 2, Y + 7 - i);
    P.Line(X + 2, Y + 7 - i, X + 7, Y + 2 - i);
  }
}

void LayCloseGlyph(TspGlyphPainter& P, int X, int Y) {
  P.Line(X + 1, Y + 1, X + 9, Y + 9);
  P.Line(X + 9, Y + 1, X + 1, Y + 9);
  P.Line(X + 2, Y + 1, X + 10, Y + 9);
  P.Line(X + 8, Y + 1, X, Y + 9);
}

void LayMinimizeGlyph(TspGlyphPainter& P, int X, int Y) {
  P.Line(X + 1, Y + 8, X + 9, Y + 8);
  P.Line(X + 1, Y + 9, X + 9, Y + 9);
}

void LayMaximizeGlyph(TspGlyphPainter& P, int X, int Y) {
  P.Box(X, Y, X + 11, Y + 10, false);
  P.Box(X, Y, X + 11, Y + 2, false);
}

void LayRestoreGlyph(TspGlyphPainter& P, int X, int Y) {
  P.Box(X + 2, Y, X + 10, Y + 6, false);
  P.Box(X + 2, Y, X + 10, Y + 2, false);
  P.Box(X, Y + 4, X + 7, Y + 10, false);
  P.Box(X, Y + 4, X + 7, Y + 6, false);
}

void LaySysMenuGlyph(TspGlyphPainter& P, int X, int Y) { P.Box(X + 1, Y + 3, X + 9, Y + 6, false); }

void LayMinimizeToTrayGlyph(TspGlyphPainter& P, int X, int Y) { P.Box(X + 2, Y + 2, X + 7, Y + 7, true); }

// A solid triangle of five lines, its tip at (X + 5, tipY), each line one
// pixel wider on both sides and `step` (1 down, -1 up) further on.
static void LayTriangle(TspGlyphPainter& P, int X, int tipY, int step) {
  for (int i = 0; i < 5; ++i) P.Line(X + 5 - i, tipY + step * i, X + 5 + i, tipY + step * i);
}

void LayRollDownGlyph(TspGlyphPainter& P, int X, int Y) { LayTriangle(P, X, Y + 6, -1); }

void LayRollUpGlyph(TspGlyphPainter& P, int X, int Y) { LayTriangle(P, X, Y + 2, 1); }

void LayDottedFocusFrame(TspGlyphPainter& P, const TspRect& R) {
  const int l = R.Left, t = R.Top, r = R.Right - 1, b = R.Bottom - 1;
  const int w = r - l, h = b - t;
  bool on = (w % 2 == 0) && (h % 2 == 0);
  auto step = [&](int x, int y) {
    on = !on;
    if (on) P.Pixel(x, y);
  };
  for (int x = l; x <= r; ++x) step(x, t);
  on = !on;
  for (int y = t; y <= b; ++y) step(r, y);
  on = !on;
  for (int x = r; x >= l; --x) step(x, b);
  on = !on;
  for (int y = b; y >= t; --y) step(l, y);
}

TspRect StripFrameRect(int BitmapWidth, int BitmapHeight, int NumGlyphs, int Index) {
  if (NumGlyphs <= 0 || Index < 1 || Index > NumGlyphs || BitmapWidth <= 0 || BitmapHeight <= 0) return TspRect();
  const int fw = BitmapWidth / NumGlyphs;
  return TspRect(fw * (Index - 1), 0, fw * Index, BitmapHeight);
}
