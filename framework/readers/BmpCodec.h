// BMP files: the reader accepts the core, info, V4 and V5 headers, 1, 4, 8,
// 16, 24 and 32 bits per pixel uncompressed, 16 and 32 bits with bit
// fields, bottom-up and top-down rows. Compressed (RLE, JPEG, PNG) BMPs are
// refused with EInvalidGraphic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/readers/PixelImage.h"

// `consumed` receives the length of the file within the data (the end of
// its pixels), so that a BMP inside a larger stream can be stepped over.
TPixelImage DecodeBmp(const uint8_t* data, size_t size, size_t* consumed = nullptr);
// A packed DIB (a bitmap resource): the info header, colours and pixels
// without the file header.
TPixelImage DecodeDib(const uint8_t* data, size_t size);
// A complete BMP file (BITMAPINFOHEADER, bottom-up rows); 32-bit pictures
// keep their alpha byte, 16-bit 5-6-5 ones get bit fields.
std::vector<uint8_t> EncodeBmp(const TPixelView& image);
