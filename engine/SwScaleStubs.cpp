#include "engine/SwScaleStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_SWSCALE_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindSwScale(const std::string& libName, TModuleHandle handle) {
  TESS_SWSCALE_FUNCTIONS(TESS_FF_BIND)
}

void UnbindSwScale() {
  TESS_SWSCALE_FUNCTIONS(TESS_FF_UNBIND)
}
