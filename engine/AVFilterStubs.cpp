#include "engine/AVFilterStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_AVFILTER_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindAVFilter(const std::string& libName, TModuleHandle handle) {
  TESS_AVFILTER_FUNCTIONS(TESS_FF_BIND)
}

void UnbindAVFilter() {
  TESS_AVFILTER_FUNCTIONS(TESS_FF_UNBIND)
}
