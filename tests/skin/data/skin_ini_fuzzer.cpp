// A whole skin.ini: the ini reader refuses it, or the model reads it
// (pictures stubbed) or raises one of the skin errors; what it read saves
// and, once the reader's adjustments are in, reads back to the same text;
// lookups stay inside the lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/readers/Errors.h"
#include "skin/data/spSkinModel.h"

// Allocation stacks of two frames, a smaller quarantine and no fill of new
// blocks: every run makes and frees thousands of short strings, and
// recording each one's whole stack, filling it and keeping 256 MB of freed
// memory cost more than the run itself.
extern "C" const char* __asan_default_options() {
  return "malloc_context_size=2:quarantine_size_mb=16:max_malloc_fill_size=0";
}

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
  // Reading adjusts some values against others as read (a hit-test corner
  // of 0 takes its frame corner before that corner is pulled onto the
  // client rectangle), so the first save may differ from the file; from
  // then on a save must read back to itself.
  auto resave = [&](const std::string& text) {
    TspSkinModel again;
    again.ReadSkin(TIniData(text), stub);
    TIniData out;
    again.SaveToCustomIniFile(out);
    return out.Format();
  };
  TIniData out;
  m.SaveToCustomIniFile(out);
  std::string once = resave(out.Format());
  if (resave(once) != once) abort();
  return 0;
}
