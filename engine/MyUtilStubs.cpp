#include "engine/MyUtilStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_MYUTIL_FUNCTIONS(TESS_FF_DEFINE)
char* (*strchr)(const char* s, int c) = nullptr;
char* (*strrchr)(const char* s, int c) = nullptr;
}  // namespace ff

void BindMyUtil(const std::string& libName, TModuleHandle handle) {
  TESS_MYUTIL_FUNCTIONS(TESS_FF_BIND)
  TESS_FF_BIND(strchr)
  TESS_FF_BIND(strrchr)
}

void UnbindMyUtil() {
  TESS_MYUTIL_FUNCTIONS(TESS_FF_UNBIND)
  TESS_FF_UNBIND(strchr)
  TESS_FF_UNBIND(strrchr)
}
