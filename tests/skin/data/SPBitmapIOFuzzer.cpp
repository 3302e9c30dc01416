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
  TspPcxImage img;
  if (DecodePcx8(data, size, img)) {
    if (img.Indexes.size() != size_t(img.Width) * size_t(img.Height)) __builtin_trap();
    // Huge pictures are legal but only slow the search down.
    if (img.Indexes.size() <= (size_t(1) << 22)) PcxToBitmap(img, b);
  }
  return 0;
}
