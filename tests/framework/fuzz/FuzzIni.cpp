// libFuzzer: text decoding and the ini parser; a parsed file formats and
// parses again to the same text.
#include <cstdlib>

#include "framework/readers/Errors.h"
#include "framework/readers/IniText.h"
#include "framework/readers/TextDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    std::string text = DecodeText(data, size);
    TIniData ini;
    ini.Parse(text);
    std::string formatted = ini.Format();
    TIniData again;
    again.Parse(formatted);
    if (again.Format() != formatted) std::abort();
  } catch (const EReadError&) {
  }
  return 0;
}
