// What the compressed picture kinds (JPEG, PNG) share: the decoded pixels,
// and the device bitmap they are drawn through, made on first need.
#pragma once

#include <memory>

#include "framework/Graphics.h"

class TPixelGraphic : public TGraphic {
public:
  int Width() const override { return FImage.Width; }
  int Height() const override { return FImage.Height; }
  bool Empty() const override { return FImage.Empty(); }
  // To a TBitmap: the pixels as they are (32 bits for a picture with alpha).
  void AssignTo(TPersistent* dest) const override;
  const TPixelImage& Pixels() const { return FImage; }

protected:
  // The pixels changed: the drawing copy goes, and the owner hears of it.
  void PixelsChanged();
  // The copy the picture is drawn from.
  TBitmap* DrawBitmap();
  // What the drawing copy needs beyond the pixels (nothing by default).
  virtual void PrepareDrawBitmap(TBitmap* bitmap) { (void)bitmap; }
  // `pixels` at `bitsPerPixel` (24 or 32), converted when they are stored
  // otherwise.
  static TPixelImage AtDepth(TPixelImage pixels, int bitsPerPixel);

  TPixelImage FImage;
  std::unique_ptr<TBitmap> FBitmap;
};
