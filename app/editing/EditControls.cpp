#include <windows.h>

#include "app/editing/EditControls.h"

TPreviewPanel::TPreviewPanel(TComponent* owner) : TCustomControl(owner) { SetColor(0); }

void TPreviewPanel::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  HBRUSH brush = CreateSolidBrush(ColorToRGBValue(Color()));
  RECT r{0, 0, Width(), Height()};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}
