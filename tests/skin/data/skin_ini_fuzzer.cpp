// A whole skin.ini: the model reads it (pictures stubbed) or raises one of
// the skin errors; what it read saves and reads back to the same text, and
// lookups stay inside the lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/data/spSkinModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TspMemIni ini(std::string(reinterpret_cast<const char*>(data), size));
  auto stub = [](const std::string&) {
    TspPicture p;
    p.SetSize(1, 1);
    return p;
  };
  TspSkinModel m;
  try {
    m.ReadSkin(ini, stub);
  } catch (const EspSkinError&) {
    return 0;
  }
  if (m.FActivePictures.size() != m.FActivePicturesNames.size()) abort();
  for (auto& c : m.CtrlList)
    if (m.GetControlIndex(c->IDName) < 0 || size_t(m.GetControlIndex(c->IDName)) >= m.CtrlList.size()) abort();
  TspMemIni out;
  m.SaveToCustomIniFile(out);
  TspSkinModel again;
  again.ReadSkin(TspMemIni(out.GetText()), stub);
  TspMemIni out2;
  again.SaveToCustomIniFile(out2);
  if (out.GetText() != out2.GetText()) abort();
  return 0;
}
