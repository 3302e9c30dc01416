#include "framework/PixelGraphic.h"

void TPixelGraphic::AssignTo(TPersistent* dest) const {
  if (auto* b = dynamic_cast<TBitmap*>(dest)) {
    b->FromPixelImage(FImage);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TPixelGraphic::PixelsChanged() {
  FBitmap.reset();
  Changed();
}

TBitmap* TPixelGraphic::DrawBitmap() {
  if (!FBitmap) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->FromPixelImage(FImage);
    PrepareDrawBitmap(FBitmap.get());
  }
  return FBitmap.get();
}

TPixelImage TPixelGraphic::AtDepth(TPixelImage pixels, int bitsPerPixel) {
  if (pixels.Empty()) return TPixelImage();
  if (pixels.BitsPerPixel == bitsPerPixel) return pixels;
  TPixelImage converted(pixels.Width, pixels.Height, bitsPerPixel);
  ConvertPixels(pixels.View(), converted.View());
  return converted;
}
