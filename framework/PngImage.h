// PNG pictures over libpng, with per-pixel alpha.
#pragma once

#include <memory>

#include "framework/PixelGraphic.h"
#include "framework/readers/PngCodec.h"

class TPngImage : public TPixelGraphic {
public:
  TPngImage();
  ~TPngImage() override;
  // From a TBitmap (32-bit bitmaps keep their alpha) or another TPngImage.
  void Assign(const TPersistent* source) override;
  // Blends with the picture's alpha, stretched into r.
  void Draw(TCanvas* canvas, const TRect& r) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

  const TPngInfo& Header() const { return FInfo; }
  bool HasAlpha() const { return FImage.HasAlpha; }
  // A blank picture; alpha 0 everywhere when withAlpha.
  void CreateBlank(bool withAlpha, int width, int height);
  // 0x00BBGGRR like TColor.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);
  // Alpha of a pixel; 255 when the picture has no alpha.
  uint8_t AlphaAt(int x, int y) const;
  void SetAlphaAt(int x, int y, uint8_t alpha);
  // Adds an alpha channel (opaque) when there is none.
  void CreateAlpha();

protected:
  // AlphaBlend takes premultiplied colours.
  void PrepareDrawBitmap(TBitmap* bitmap) override;

private:
  // FImage holds 24 bits, or 32 with HasAlpha.
  TPngInfo FInfo;
};

using TPNGImage = TPngImage;
