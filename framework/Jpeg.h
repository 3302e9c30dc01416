// JPEG pictures over libjpeg.
#pragma once

#include <memory>

#include "framework/Graphics.h"

class TJPEGImage : public TGraphic {
public:
  TJPEGImage();
  ~TJPEGImage() override;
  // From a TBitmap (compressed when saved) or another TJPEGImage.
  void Assign(const TPersistent* source) override;
  // To a TBitmap: decoded, 24 bits.
  void AssignTo(TPersistent* dest) const override;

  int Width() const override { return FImage.Width; }
  int Height() const override { return FImage.Height; }
  bool Empty() const override { return FImage.Empty(); }
  void Draw(TCanvas* canvas, const TRect& r) override;
  // Broken files raise EInvalidGraphic.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

  int CompressionQuality = 90;
  bool Grayscale = false;
  const TPixelImage& Pixels() const { return FImage; }

private:
  TBitmap* DrawBitmap();
  TPixelImage FImage;  // 24 bits
  std::vector<uint8_t> FData;  // the file as read, saved unchanged
  std::unique_ptr<TBitmap> FBitmap;
};
