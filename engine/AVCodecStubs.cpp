#include "engine/AVCodecStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_AVCODEC_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindAVCodec(const std::string& libName, TModuleHandle handle) {
  TESS_AVCODEC_FUNCTIONS(TESS_FF_BIND)
}

void UnbindAVCodec() {
  TESS_AVCODEC_FUNCTIONS(TESS_FF_UNBIND)
}
