// A whole skin.ini: the ini reader refuses it or the model reads it (pictures stubbed) or raises one of
// the skin errors; what it read saves and reads back to the same text, and
// lookups stay inside the lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/readers/Errors.h"
#include "skin/data/spSkinModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TIniData ini;
  try {
    ini.Parse(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const EReadError&) {
    return 0;  // a NUL byte: no ini text
  }
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
  TIniData out;
  m.SaveToCustomIniFile(out);
  TspSkinModel again;
  again.ReadSkin(TIniData(out.Format()), stub);
  TIniData out2;
  again.SaveToCustomIniFile(out2);
  if (out.Format() != out2.Format()) abort();
  return 0;
}
