// Picture conversion between the libraries' pictures and RGB pictures laid
// out as device-independent bitmaps, and copies into and out of a framework
// bitmap. The video hooks, the decoder and the player use it; one thread at
// a time per converter.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Graphics.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct SwsContext;

// A picture record: plane pointers and line sizes. An AVFrame starts with
// the same two arrays, so a frame can be passed where a picture is asked.
struct TAVPicture {
  uint8_t* data[8];
  int linesize[8];
};

// The DIB description of the current RGB picture (the system BITMAP record).
struct TDIBInfo {
  int bmType;
  int bmWidth;
  int bmHeight;
  int bmWidthBytes;
  uint16_t bmPlanes;
  uint16_t bmBitsPixel;
  void* bmBits;
};

class TFormatConverter : public TObject {
public:
  TFormatConverter();
  ~TFormatConverter() override;
  TFormatConverter(const TFormatConverter&) = delete;
  TFormatConverter& operator=(const TFormatConverter&) = delete;

  int BitsPixel() const { return FBitsPixel; }
  // 8, 15, 16, 24 or 32; anything else raises "Invalid BitsPixel %d".
  void SetBitsPixel(int value);
  TPixelFormat BMPPixFmt() const { return FBMPPixFmt; }
  // pf8bit .. pf32bit; anything else raises "Invalid PixelFormat %d".
  void SetBMPPixFmt(TPixelFormat value);
  AVPixelFormat AVPixFmt() const { return FAVPixFmt; }

  TBitmap* Bitmap() { return &FBitmap; }
  const TDIBInfo* DIB() const { return &FDIB; }
  TAVPicture* RGBPicture() { return &FRGBPicture; }
  // The current RGB picture: RGBPicture(), or the caller's picture when it
  // already had the bitmap layout; nullptr before a conversion and after a
  // failure.
  TAVPicture* RGBPictureRef() { return FRGBPictureRef; }
  int RGBBufSize() const { return FRGBBufSize; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }

  bool PictureToRGB(TAVPicture* picture, AVPixelFormat format, bool toBitmap, int height, int width);
  // Copy between the current RGB picture and Bitmap() (raise without one).
  void RGBToBitmap();
  void BitmapToRGB();
  // True when Bitmap() no longer holds the current RGB picture (someone
  // drew on it since RGBToBitmap); false without an RGB picture.
  bool BitmapChanged();
  bool RGBToPicture(TAVPicture* picture, AVPixelFormat format, int height, int width);

  // Bitmap() takes the picture's size now and its pixels only when somebody
  // first reads or draws on it (as PictureToRGB with toBitmap would give
  // them); the picture must stay as it is until EndOnDemand. False, with
  // LastErrMsg, when the size is no picture's.
  bool PictureToBitmapOnDemand(TAVPicture* picture, AVPixelFormat format, int height, int width);
  enum TDemandResult { drUnused, drConverted, drFailed };
  // Whether the bitmap was wanted since PictureToBitmapOnDemand and its
  // conversion worked; an unused one drops its pending pixels.
  TDemandResult EndOnDemand();

private:
  void Reset();
  int RowCopyBytes() const;

  int FBitsPixel = 24;
  AVPixelFormat FAVPixFmt = AV_PIX_FMT_BGR24;
  TPixelFormat FBMPPixFmt = pf24bit;
  TBitmap FBitmap;
  TDIBInfo FDIB{};
  uint8_t* FRGBBuffer = nullptr;
  int FRGBBufSize = 0;
  TAVPicture FRGBPicture{};
  TAVPicture* FRGBPictureRef = nullptr;
  int FWidth = 0;
  int FHeight = 0;
  SwsContext* FtoRGB_convert_ctx = nullptr;
  SwsContext* FfromRGB_convert_ctx = nullptr;
  std::string FLastErrMsg;
  TDemandResult FDemand = drUnused;
};
