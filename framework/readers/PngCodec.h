// PNG files over libpng. The decoded picture is 32 bits (B,G,R,A, straight
// alpha) when the file has any transparency, else 24 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/readers/PixelImage.h"

struct TPngInfo {
  int ColorType = 0;  // as in the IHDR chunk: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int BitDepth = 0;
  bool HasTransparency = false;  // an alpha channel or a tRNS chunk
};

TPixelImage DecodePng(const uint8_t* data, size_t size, TPngInfo* info = nullptr);
// 24-bit pictures are written as RGB, 32-bit ones as RGBA when alpha is
// true (else RGB); other formats are converted to RGB first.
std::vector<uint8_t> EncodePng(const TPixelView& image, bool alpha);
