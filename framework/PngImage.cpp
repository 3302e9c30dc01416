#include <windows.h>

#include "framework/PngImage.h"

TPngImage::TPngImage() = default;
TPngImage::~TPngImage() = default;

void TPngImage::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FImage = TPixelImage();
    FInfo = TPngInfo();
  } else if (auto* p = dynamic_cast<const TPngImage*>(source)) {
    FImage = p->FImage;
    FInfo = p->FInfo;
  } else if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    TPixelImage pixels = b->ToPixelImage();
    // A 32-bit bitmap whose alpha bytes are all zero was drawn by GDI, which
    // leaves alpha alone: it is opaque, not invisible.
    bool alpha = pixels.BitsPerPixel == 32 && pixels.HasAlpha;
    FImage = AtDepth(std::move(pixels), alpha ? 32 : 24);
    FImage.HasAlpha = alpha;
    FInfo.ColorType = alpha ? 6 : 2;
    FInfo.BitDepth = 8;
    FInfo.HasTransparency = alpha;
  } else {
    TGraphic::Assign(source);
    return;
  }
  PixelsChanged();
}

void TPngImage::PrepareDrawBitmap(TBitmap* bitmap) {
  if (!FImage.HasAlpha) return;
  TPixelView v = bitmap->PixelView();
  for (int y = 0; y < v.Height; ++y) {
    uint8_t* p = v.Row(y);
    for (int x = 0; x < v.Width; ++x, p += 4) {
      unsigned a = p[3];
      p[0] = uint8_t((p[0] * a + 127) / 255);
      p[1] = uint8_t((p[1] * a + 127) / 255);
      p[2] = uint8_t((p[2] * a + 127) / 255);
    }
  }
}

void TPngImage::Draw(TCanvas* canvas, const TRect& r) {
  if (Empty()) return;
  TBitmap* bitmap = DrawBitmap();
  if (!FImage.HasAlpha) {
    bitmap->Draw(canvas, r);
    return;
  }
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(canvas->Handle(), r.Left, r.Top, r.Width(), r.Height(), bitmap->DC(), 0, 0, Width(), Height(), blend);
}

void TPngImage::LoadFromStream(TStream* stream) {
  std::vector<uint8_t> bytes = stream->ReadRest();
  TPngInfo info;
  TPixelImage image = DecodePng(bytes.data(), bytes.size(), &info);
  FImage = std::move(image);
  FInfo = info;
  PixelsChanged();
}

void TPngImage::SaveToStream(TStream* stream) {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty PNG picture");
  std::vector<uint8_t> bytes = EncodePng(FImage.View(), FImage.HasAlpha);
  stream->WriteBuffer(bytes.data(), bytes.size());
}

void TPngImage::CreateBlank(bool withAlpha, int width, int height) {
  FImage = TPixelImage(width, height, withAlpha ? 32 : 24);
  FImage.HasAlpha = withAlpha;
  FInfo.ColorType = withAlpha ? 6 : 2;
  FInfo.BitDepth = 8;
  FInfo.HasTransparency = withAlpha;
  PixelsChanged();
}

TColor TPngImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return clNone;
  uint32_t argb = FImage.View().PixelARGB(x, y);
  return RGBColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void TPngImage::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  TPixelView v = FImage.View();
  uint32_t alpha = v.PixelARGB(x, y) & 0xFF000000u;
  TColor c = ColorToRGB(color);
  v.SetPixelARGB(x, y, alpha | (uint32_t(ColorRed(c)) << 16) | (uint32_t(ColorGreen(c)) << 8) | ColorBlue(c));
  FBitmap.reset();
}

uint8_t TPngImage::AlphaAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height() || !FImage.HasAlpha) return 255;
  return FImage.Row(y)[x * 4 + 3];
}

void TPngImage::SetAlphaAt(int x, int y, uint8_t alpha) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  CreateAlpha();
  FImage.Row(y)[x * 4 + 3] = alpha;
  FBitmap.reset();
}

void TPngImage::CreateAlpha() {
  if (FImage.HasAlpha || FImage.Empty()) return;
  TPixelImage converted(FImage.Width, FImage.Height, 32);
  ConvertPixels(FImage.View(), converted.View());
  converted.HasAlpha = true;
  FImage = std::move(converted);
  FInfo.ColorType = 6;
  FInfo.HasTransparency = true;
  FBitmap.reset();
}
