#include "framework/Jpeg.h"

#include "framework/readers/JpegCodec.h"

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FImage = TPixelImage();
    FData.clear();
    PixelsChanged();
    return;
  }
  if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
    FImage = j->FImage;
    FData = j->FData;
    CompressionQuality = j->CompressionQuality;
    Grayscale = j->Grayscale;
  } else if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    FImage = AtDepth(b->ToPixelImage(), 24);
    FImage.HasAlpha = false;
    FData.clear();  // compressed when saved
  } else {
    TGraphic::Assign(source);
    return;
  }
  PixelsChanged();
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& r) {
  if (Empty()) return;
  DrawBitmap()->Draw(canvas, r);
}

void TJPEGImage::LoadFromStream(TStream* stream) {
  std::vector<uint8_t> bytes = stream->ReadRest();
  TJpegInfo info;
  TPixelImage image = DecodeJpeg(bytes.data(), bytes.size(), &info);
  FImage = std::move(image);
  FData = std::move(bytes);
  Grayscale = info.Grayscale;
  PixelsChanged();
}

void TJPEGImage::SaveToStream(TStream* stream) {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty JPEG picture");
  if (FData.empty()) FData = EncodeJpeg(FImage.View(), CompressionQuality, Grayscale);
  stream->WriteBuffer(FData.data(), FData.size());
}
