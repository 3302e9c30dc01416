// JPEG pictures over libjpeg.
#pragma once

#include <memory>

#include "framework/PixelGraphic.h"

class TJPEGImage : public TPixelGraphic {
public:
  TJPEGImage();
  ~TJPEGImage() override;
  // From a TBitmap (compressed when saved) or another TJPEGImage.
  void Assign(const TPersistent* source) override;
  void Draw(TCanvas* canvas, const TRect& r) override;
  // Broken files raise EInvalidGraphic.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

  int CompressionQuality = 90;
  bool Grayscale = false;

private:
  // FImage holds 24 bits.
  std::vector<uint8_t> FData;  // the file as read, saved unchanged
};
