#include "framework/Jpeg.h"

#include "framework/readers/JpegCodec.h"

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FImage = TPixelImage();
    FData.clear();
    FBitmap.reset();
    Changed();
    return;
  }
  if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
    FImage = j->FImage;
    FData = j->FData;
    CompressionQuality = j->CompressionQuality;
    Grayscale = j->Grayscale;
  } else if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    TPixelImage pixels = b->ToPixelImage();
    if (pixels.BitsPerPixel == 24) {
      FImage = std::move(pixels);
    } else if (pixels.Empty()) {
      FImage = TPixelImage();
    } else {
      TPixelImage converted(pixels.Width, pixels.Height, 24);
      ConvertPixels(pixels.View(), converted.View());
      FImage = std::move(converted);
    }
    FImage.HasAlpha = false;
    FData.clear();  // compressed when saved
  } else {
    TGraphic::Assign(source);
    return;
  }
  FBitmap.reset();
  Changed();
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
  if (auto* b = dynamic_cast<TBitmap*>(dest)) {
    b->FromPixelImage(FImage);
    return;
  }
  TGraphic::AssignTo(dest);
}

TBitmap* TJPEGImage::DrawBitmap() {
  if (!FBitmap) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->FromPixelImage(FImage);
  }
  return FBitmap.get();
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
  FBitmap.reset();
  Changed();
}

void TJPEGImage::SaveToStream(TStream* stream) {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty JPEG picture");
  if (FData.empty()) FData = EncodeJpeg(FImage.View(), CompressionQuality, Grayscale);
  stream->WriteBuffer(FData.data(), FData.size());
}
