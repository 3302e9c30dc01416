// JPEG files over libjpeg. Colour and grey pictures decode to 24 bits;
// CMYK pictures are refused. Warnings (a truncated file, corrupt data) count
// as errors: a half-grey picture is worse than a clear message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/readers/PixelImage.h"

struct TJpegInfo {
  bool Grayscale = false;
  bool Progressive = false;
};

TPixelImage DecodeJpeg(const uint8_t* data, size_t size, TJpegInfo* info = nullptr);
// quality 1..100; grayscale writes one channel.
std::vector<uint8_t> EncodeJpeg(const TPixelView& image, int quality, bool grayscale = false);
