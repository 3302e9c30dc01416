// libFuzzer: the PNG reader must raise or decode, never read outside the data.
#include "framework/readers/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    DecodePng(data, size);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
