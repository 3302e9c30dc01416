// libFuzzer: the BMP reader must raise or decode, never read outside the data.
#include "framework/readers/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    TPixelImage image = DecodeBmp(data, size);
    if (!image.Empty()) EncodeBmp(image.View());
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
