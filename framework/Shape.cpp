#include "framework/Shape.h"

#include <algorithm>

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 65);
  FPen.OnChange = [this](TObject*) { Invalidate(); };
  FBrush.OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.Pen()->Assign(&FPen);
  canvas.Brush()->Assign(&FBrush);
  // The pen lies inside the bounds, as wide as it is.
  const int w = std::max(1, FPen.Width());
  const int inset = w / 2;
  const int right = Width() - inset + (w == 1 ? 0 : 1);
  const int bottom = Height() - inset + (w == 1 ? 0 : 1);
  canvas.Rectangle(inset, inset, std::max(inset + 1, right), std::max(inset + 1, bottom));
  canvas.SetHandle(nullptr);
}
