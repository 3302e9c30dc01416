// Skin pictures as plain pixel buffers, with the BMP reader/writer and the
// JPEG reader they are loaded by. Platform-neutral: the same readers serve a
// skin folder, a compressed skin's payload and the fuzzers, and every size
// they take from a file is checked before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/data/spSkinValues.h"

// Images larger than this in either direction are refused as invalid.
constexpr int32_t spMaxPictureSide = 16384;

class EspInvalidGraphic : public EspSkinError {
public:
  explicit EspInvalidGraphic(const std::string& m) : EspSkinError(m) {}
};

// The pixels that the pictures of one skin load hold together (16 MiB of
// pixels; a skin's pictures take a fraction of it). The sizes a file
// declares are checked against what is left before anything is allocated.
constexpr int64_t spMaxSkinPixels = int64_t(1) << 22;

class TspPixelBudget {
public:
  // Raises EspInvalidGraphic when a picture of w x h pixels does not fit.
  void Take(int64_t w, int64_t h);
  int64_t Left() const { return FLeft; }

private:
  int64_t FLeft = spMaxSkinPixels;
};

struct TspPicture {
  int32_t Width = 0, Height = 0;
  // 0xAARRGGBB, top row first. Alpha is kept only when HasAlpha.
  std::vector<uint32_t> Pixels;
  bool HasAlpha = false;

  bool Empty() const { return Width <= 0 || Height <= 0; }
  uint32_t Pixel(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
  void SetSize(int32_t w, int32_t h, uint32_t fill = 0);
  bool operator==(const TspPicture& o) const {
    return Width == o.Width && Height == o.Height && Pixels == o.Pixels;
  }
};

// Length of the BMP file image at data (its headers checked against size);
// raises EspInvalidGraphic when the bytes are no complete BMP image.
size_t spBmpImageLength(const uint8_t* data, size_t size);
// Decodes one BMP file image: 1/4/8/24/32 bits, BI_RGB or BI_BITFIELDS (16/32),
// bottom-up or top-down. Raises EspInvalidGraphic.
TspPicture spDecodeBmp(const uint8_t* data, size_t size, TspPixelBudget* budget = nullptr);
// A complete BMP file: 24 bits bottom-up, or 32 bits when the picture has alpha.
std::vector<uint8_t> spEncodeBmp(const TspPicture& p);
// Baseline and progressive JPEG, grey or colour. Raises EspInvalidGraphic.
TspPicture spDecodeJpeg(const uint8_t* data, size_t size, TspPixelBudget* budget = nullptr);

// True when the name says JPEG (".jpg"/".jpeg", in any letter case).
bool spIsJpegFileName(const std::string& name);

bool spReadFileBytes(const std::string& nativePath, std::vector<uint8_t>& bytes);
bool spWriteFileBytes(const std::string& nativePath, const std::vector<uint8_t>& bytes);
// Reads a picture file: JPEG or BMP by its first bytes, by its name when
// they are neither. Raises EspInvalidGraphic, also for a file that cannot
// be read.
TspPicture spLoadPictureFile(const std::string& nativePath, const std::string& name,
                             TspPixelBudget* budget = nullptr);
