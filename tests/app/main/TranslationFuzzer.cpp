// transl.dat lies beside the program and may be edited by hand: any bytes
// must load or be refused, and every lookup must stay inside the table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/main/AppData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  LoadTranslationTable(bytes);
  for (int language : {-1, 0, 1, 2, 7}) {
    LanguageIndex = language;
    Translate("Convert");
    Translate("");
    if (!TranslationTable.empty() && !TranslationTable[0].empty())
      Translate(TranslationTable[0].back());
  }
  LanguageIndex = 0;
  return 0;
}
