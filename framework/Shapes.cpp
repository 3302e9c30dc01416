#include <windows.h>

#include "framework/Shapes.h"

TShape::TShape(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 65); }

void TShape::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGBValue(FPen.Color()));
  HBRUSH brush = CreateSolidBrush(ColorToRGBValue(FBrush.Color()));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  Rectangle(dc, 0, 0, Width(), Height());
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}
