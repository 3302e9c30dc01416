// PNG pictures over libpng, with per-pixel alpha.
#pragma once

#include <memory>

#include "framework/Graphics.h"
#include "framework/readers/PngCodec.h"

class TPngImage : public TGraphic {
public:
  TPngImage();
  ~TPngImage() override;
  // From a TBitmap (32-bit bitmaps keep their alpha) or another TPngImage.
  void Assign(const TPersistent* source) override;
  // To a TBitmap: 32 bits with alpha when the picture has any, else 24.
  void AssignTo(TPersistent* dest) const override;

  int Width() const override { return FImage.Width; }
  int Height() const override { return FImage.Height; }
  bool Empty() const override { return FImage.Empty(); }
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
  const TPixelImage& Pixels() const { return FImage; }

private:
  TBitmap* DrawBitmap();
  TPixelImage FImage;  // 24 bits, or 32 with HasAlpha
  TPngInfo FInfo;
  std::unique_ptr<TBitmap> FBitmap;  // premultiplied copy for drawing
};

using TPNGImage = TPngImage;
