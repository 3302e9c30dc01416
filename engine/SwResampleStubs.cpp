#include "engine/SwResampleStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_SWRESAMPLE_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindSwResample(const std::string& libName, TModuleHandle handle) {
  TESS_SWRESAMPLE_FUNCTIONS(TESS_FF_BIND)
}

void UnbindSwResample() {
  TESS_SWRESAMPLE_FUNCTIONS(TESS_FF_UNBIND)
}
