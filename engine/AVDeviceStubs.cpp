#include "engine/AVDeviceStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_AVDEVICE_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindAVDevice(const std::string& libName, TModuleHandle handle) {
  TESS_AVDEVICE_FUNCTIONS(TESS_FF_BIND)
  ff::avdevice_register_all();
}

void UnbindAVDevice() {
  TESS_AVDEVICE_FUNCTIONS(TESS_FF_UNBIND)
}
