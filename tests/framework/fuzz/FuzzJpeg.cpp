// libFuzzer: the JPEG reader must raise or decode, never read outside the data.
#include "framework/readers/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    DecodeJpeg(data, size);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
