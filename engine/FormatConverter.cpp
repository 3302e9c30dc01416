#include "engine/FormatConverter.h"

#include <cstring>

#include "engine/AVUtilStubs.h"
#include "engine/SwScaleStubs.h"

namespace {

struct TFormatRow {
  TPixelFormat bitmapFormat;
  int bitsPixel;
  AVPixelFormat avFormat;
};

// A 16-bit DIB keeps blue in its low bits (555, or 565 by bit fields):
// that is the libraries' RGB555/RGB565 little-endian order, not BGR.
const TFormatRow kFormats[] = {
    {pf8bit, 8, AV_PIX_FMT_BGR8},
    {pf15bit, 16, AV_PIX_FMT_RGB555LE},
    {pf16bit, 16, AV_PIX_FMT_RGB565LE},
    {pf24bit, 24, AV_PIX_FMT_BGR24},
    {pf32bit, 32, AV_PIX_FMT_BGRA},
};

const TFormatRow& FormatRow(TPixelFormat f) {
  for (const TFormatRow& row : kFormats)
    if (row.bitmapFormat == f) return row;
  return kFormats[3];
}

// The palette that gives BGR8 pixels (bits BBGGGRRR) their colours.
std::vector<uint32_t> Palette332() {
  std::vector<uint32_t> colours(256);
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t r = (i & 7) * 255 / 7, g = ((i >> 3) & 7) * 255 / 7, b = (i >> 6) * 255 / 3;
    colours[i] = (r << 16) | (g << 8) | b;
  }
  return colours;
}

}  // namespace

TFormatConverter::TFormatConverter() { Reset(); }

TFormatConverter::~TFormatConverter() {
  if (FRGBBuffer) ff::av_free(FRGBBuffer);
  if (FtoRGB_convert_ctx) ff::sws_freeContext(FtoRGB_convert_ctx);
  if (FfromRGB_convert_ctx) ff::sws_freeContext(FfromRGB_convert_ctx);
}

void TFormatConverter::Reset() {
  FDIB = TDIBInfo{};
  FRGBPicture = TAVPicture{};
  FRGBPictureRef = nullptr;
  const TFormatRow& row = FormatRow(FBMPPixFmt);
  FBitsPixel = row.bitsPixel;
  FAVPixFmt = row.avFormat;
  FBitmap.SetPixelFormat(FBMPPixFmt);
  if (FBMPPixFmt == pf8bit) FBitmap.SetPalette(Palette332());
}

void TFormatConverter::SetBitsPixel(int value) {
  if (value == FBitsPixel) return;
  TPixelFormat f;
  switch (value) {
    case 8: f = pf8bit; break;
    case 15: f = pf15bit; break;
    case 16: f = pf16bit; break;
    case 24: f = pf24bit; break;
    case 32: f = pf32bit; break;
    default: throw Exception("Invalid BitsPixel " + std::to_string(value));
  }
  FBMPPixFmt = f;
  Reset();
}

void TFormatConverter::SetBMPPixFmt(TPixelFormat value) {
  if (value == FBMPPixFmt) return;
  if (value < pf8bit || value > pf32bit)
    throw Exception("Invalid PixelFormat " + std::to_string(static_cast<int>(value)));
  FBMPPixFmt = value;
  Reset();
}

int TFormatConverter::RowCopyBytes() const { return FWidth * ((FBitsPixel + 7) / 8); }

bool TFormatConverter::PictureToRGB(TAVPicture* src, AVPixelFormat format, bool toBitmap, int h, int w) {
  FBitmap.SetSize(w, h);
  FWidth = w;
  FHeight = h;
  const int dibRow = ((w * FBitsPixel + 31) / 32) * 4;
  TAVPicture* rgb;
  if (src && format == FAVPixFmt && w % 2 == 0 && h % 2 == 0 && src->linesize[0] == dibRow) {
    // Already in the bitmap layout: no copy, no conversion.
    rgb = src;
  } else {
    const int size = w > 0 && h > 0 ? ff::av_image_get_buffer_size(FAVPixFmt, w, h, 1) : -1;
    // Without a picture the cached context stays as it is: the library
    // frees it only when it is handed back (or in Destroy).
    SwsContext* ctx = nullptr;
    if (src && size > 0) {
      ctx = ff::sws_getCachedContext(FtoRGB_convert_ctx, w, h, format, w, h, FAVPixFmt, SWS_BICUBIC, nullptr,
                                     nullptr, nullptr);
      FtoRGB_convert_ctx = ctx;
    }
    if (!ctx) {
      FRGBPictureRef = nullptr;
      FLastErrMsg = "Cannot initialize the toRGB conversion context";
      return false;
    }
    if (!FRGBBuffer || FRGBBufSize < size) {
      if (FRGBBuffer) ff::av_free(FRGBBuffer);
      FRGBBuffer = static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(size)));
      FRGBBufSize = FRGBBuffer ? size : 0;
      if (!FRGBBuffer) {
        FRGBPictureRef = nullptr;
        FLastErrMsg = "Cannot allocate the RGB picture";
        return false;
      }
    }
    FRGBPicture = TAVPicture{};
    ff::av_image_fill_arrays(FRGBPicture.data, FRGBPicture.linesize, FRGBBuffer, FAVPixFmt, w, h, 1);
    ff::sws_scale(ctx, src->data, src->linesize, 0, h, FRGBPicture.data, FRGBPicture.linesize);
    rgb = &FRGBPicture;
  }
  FRGBPictureRef = rgb;
  FDIB = TDIBInfo{};
  FDIB.bmWidth = w;
  FDIB.bmHeight = h;
  FDIB.bmWidthBytes = rgb->linesize[0];
  FDIB.bmPlanes = 1;
  FDIB.bmBitsPixel = static_cast<uint16_t>(FBitsPixel);
  FDIB.bmBits = rgb->data[0];
  if (toBitmap) RGBToBitmap();
  return true;
}

bool TFormatConverter::PictureToBitmapOnDemand(TAVPicture* src, AVPixelFormat format, int h, int w) {
  if (!src || w <= 0 || h <= 0) return PictureToRGB(src, format, true, h, w);
  FBitmap.SetSize(w, h);
  FDemand = drUnused;
  FBitmap.SetPendingFill([this, src, format, h, w] {
    FDemand = PictureToRGB(src, format, true, h, w) ? drConverted : drFailed;
  });
  return true;
}

TFormatConverter::TDemandResult TFormatConverter::EndOnDemand() {
  FBitmap.SetPendingFill(nullptr);
  const TDemandResult result = FDemand;
  FDemand = drUnused;
  return result;
}

void TFormatConverter::RGBToBitmap() {
  if (!FRGBPictureRef) throw Exception("No RGB picture to copy");
  const TPixelView view = FBitmap.PixelView();
  const size_t bytes = static_cast<size_t>(RowCopyBytes());
  for (int r = 0; r < FHeight && r < view.Height; ++r)
    std::memcpy(view.Row(r), FRGBPictureRef->data[0] + static_cast<ptrdiff_t>(r) * FRGBPictureRef->linesize[0],
                bytes);
}

void TFormatConverter::BitmapToRGB() {
  if (!FRGBPictureRef) throw Exception("No RGB picture to copy");
  const TPixelView view = FBitmap.PixelView();
  const size_t bytes = static_cast<size_t>(RowCopyBytes());
  for (int r = 0; r < FHeight && r < view.Height; ++r)
    std::memcpy(FRGBPictureRef->data[0] + static_cast<ptrdiff_t>(r) * FRGBPictureRef->linesize[0], view.Row(r),
                bytes);
}

bool TFormatConverter::BitmapChanged() {
  if (!FRGBPictureRef) return false;
  const TPixelView view = FBitmap.PixelView();
  if (view.Width != FWidth || view.Height != FHeight) return true;
  const size_t bytes = static_cast<size_t>(RowCopyBytes());
  for (int r = 0; r < FHeight; ++r)
    if (std::memcmp(FRGBPictureRef->data[0] + static_cast<ptrdiff_t>(r) * FRGBPictureRef->linesize[0], view.Row(r),
                    bytes) != 0)
      return true;
  return false;
}

bool TFormatConverter::RGBToPicture(TAVPicture* dst, AVPixelFormat format, int h, int w) {
  if (!FRGBPictureRef) throw Exception("No RGB picture to convert");
  FfromRGB_convert_ctx = ff::sws_getCachedContext(FfromRGB_convert_ctx, w, h, FAVPixFmt, w, h, format,
                                                  SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!FfromRGB_convert_ctx) {
    FLastErrMsg = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  ff::sws_scale(FfromRGB_convert_ctx, FRGBPictureRef->data, FRGBPictureRef->linesize, 0, h, dst->data,
                dst->linesize);
  return true;
}
