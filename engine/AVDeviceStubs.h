// Entry points of libavdevice, reached through ff::<name> once the library is bound.
#pragma once

#include "engine/Binding.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#define TESS_AVDEVICE_FUNCTIONS(X) \
  X(avdevice_register_all)

namespace ff {
TESS_AVDEVICE_FUNCTIONS(TESS_FF_DECLARE)
}  // namespace ff

void BindAVDevice(const std::string& libName, TModuleHandle handle);
void UnbindAVDevice();
