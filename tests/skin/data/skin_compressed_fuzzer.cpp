// Compressed stored skins are untrusted: the container and the payload it
// inflates to must load or raise a skin error, within bounded memory. The
// first byte picks the layer: 0 = a whole container, else a payload that is
// packed here first (so the mutations reach the payload reader).
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/data/spzlibcompress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  try {
    TspSkinModel m;
    if (data[0] == 0) {
      TspCompressedStoredSkin s;
      s.LoadFromCompressStream(data + 1, size - 1);
      spLoadCompressedSkin(s, m);
    } else {
      std::vector<uint8_t> payload(data + 1, data + size);
      spReadSkinPayload(payload, m);
    }
  } catch (const EspSkinError&) {
  }
  return 0;
}
