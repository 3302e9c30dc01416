// Value syntax of skin.ini: any text must either read or raise the
// conversion error, and what reads must survive a write and a second read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/data/spSkinModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    TspRect r = ParseRectText(text);
    if (ParseRectText(RectToText(r)) != r) abort();
  } catch (const EspConvertError&) {
  }
  try {
    TspPoint p = ParsePointText(text);
    if (ParsePointText(PointToText(p)) != p) abort();
  } catch (const EspConvertError&) {
  }
  int32_t v;
  if (IniStrToInt(text, v) && data[0] == 0) {
    int32_t again;
    if (!IniStrToInt(std::to_string(v), again) || again != v) abort();
  }
  std::string name, kind;
  TspSkinModel::SplitNameAndKind(text, name, kind);
  TspRect area;
  bool flags[5];
  try {
    TspSkinModel::ParseAreaEntry(text, name, area, flags);
  } catch (const EspConvertError&) {
  }
  StretchTypeFromWord(text);
  MorphKindFromWord(text);
  InActiveEffectFromWord(text);
  StdCommandFromWord(text);
  if (text.find('\0') == std::string::npos) {
    TIniData f("[s]\nk=" + text + "\n");
    ReadBoolValue(f, "s", "k");
    ReadFontStylesValue(f, "s", "k");
    ReadAlignmentValue(f, "s", "k");
  }
  return 0;
}
