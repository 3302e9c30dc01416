// Reading and writing 32-bit pictures: the bitmap stream record and 8-bit
// PCX pictures, and the colour adjustments in hue, saturation and lightness.
// Platform-neutral; every size read from the data is checked against the
// data that is really there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/data/SPPixelBitmap.h"

// Record: n, name (n bytes), width, height (> 0 top-down rows, <= 0
// bottom-up), 4 x width x |height| pixel bytes; little-endian.
std::vector<uint8_t> SaveBitmapRecord(const TspPixelBitmap& Bitmap);
// Reads one record from Data; returns the bytes it took. Short or
// inconsistent data raises Exception("Stream read error") and leaves the
// bitmap as it was.
size_t LoadBitmapRecord(TspPixelBitmap& Bitmap, const uint8_t* Data, size_t Size);

// Run-length expansion of PCX rows, never past OutSize bytes of output nor
// past the input; missing output bytes stay 0.
std::vector<uint8_t> DecodePcxRle(const uint8_t* In, size_t InSize, size_t OutSize);

// An 8-bit PCX picture: palette indexes, rows top to bottom, and its colours.
struct TspPcxImage {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Indexes;   // Width x Height
  uint32_t Palette[256] = {};     // 0x00RRGGBB
};
// False for another manufacturer byte or data that cannot hold a picture
// (sizes of 0 or less or above the bitmap limit, a palette that is not there);
// short pixel data is filled with index 0.
bool DecodePcx8(const uint8_t* Data, size_t Size, TspPcxImage& Image);
// The picture as opaque pixels.
void PcxToBitmap(const TspPcxImage& Image, TspPixelBitmap& Bitmap);

// Colour adjustments of every pixel whose alpha is not 0 (alpha kept).
void ChangeBitmapBrightness(TspPixelBitmap& Bitmap, int DeltaBrightness);
void SetBitmapHue(TspPixelBitmap& Bitmap, int Hue);
void ChangeBitmapSat(TspPixelBitmap& Bitmap, int DeltaSat);
void ChangeBitmapHue(TspPixelBitmap& Bitmap, int DeltaHue);

struct TspHSL {
  float H = 0, S = 0, L = 0;
};
TspHSL SpColorToHSL(TspColor C);
TspColor HSLToSpColor(float L, float S, float H);
