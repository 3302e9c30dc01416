// Bitmap stream records and PCX pictures from untrusted bytes.
#include <cstddef>
#include <cstdint>

#include "skin/data/SPBitmapIO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TspPixelBitmap b;
  try {
    const size_t used = LoadBitmapRecord(b, data, size);
    if (used > size) __builtin_trap();
  } catch (const Exception&) {
  }
  // Huge pictures are legal but only slow the search down: a 128-byte
  // header can ask for 16384 x 16384 pixels, which the decoder then fills.
  if (size >= 12) {
    auto get16 = [&](size_t at) { return int(data[at] | (data[at + 1] << 8)); };
    const long long w = get16(8) - get16(4) + 1, h = get16(10) - get16(6) + 1;
    if (w > 0 && h > 0 && w * h > (1LL << 14)) return 0;
  }
  TspPcxImage img;
  if (DecodePcx8(data, size, img)) {
    if (img.Indexes.size() != size_t(img.Width) * size_t(img.Height)) __builtin_trap();
    PcxToBitmap(img, b);
  }
  return 0;
}
