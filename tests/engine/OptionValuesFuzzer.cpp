// The value readers of the transcoder's options see text from profiles,
// preset files and users: none may crash, overrun or loop on any input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/OptionValues.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* c = text.c_str();  // stops at the first zero byte, as the option words do
  (void)ParseAspectText(c);
  uint16_t matrix[64];
  const int failed = ParseMatrixText(c, matrix);
  if (failed < -1 || failed > 62) __builtin_trap();
  std::vector<TRcOverrideItem> items;
  (void)ParseRcOverrideText(c, items);
  int index = 0, value = 0;
  if (ParseStreamIdText(c, index, value) == siOk && (index < 0 || index > 1023 || value < 0)) __builtin_trap();
  for (const std::string& line : PresetLines(text, true)) {
    if (line.empty() || line[0] == '#') __builtin_trap();
    std::string key, v;
    if (SplitPresetLine(line, key, v) && (key.empty() || v.empty())) __builtin_trap();
  }
  if (VideoHookWords(text).size() > 64) __builtin_trap();
  return 0;
}
