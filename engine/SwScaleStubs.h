// Entry points of libswscale, reached through ff::<name> once the library is bound.
#pragma once

#include "engine/Binding.h"

extern "C" {
#include <libswscale/swscale.h>
}

#define TESS_SWSCALE_FUNCTIONS(X) \
  X(sws_freeContext) \
  X(sws_get_class) \
  X(sws_getContext) \
  X(sws_getCachedContext) \
  X(sws_scale)

namespace ff {
TESS_SWSCALE_FUNCTIONS(TESS_FF_DECLARE)
}  // namespace ff

void BindSwScale(const std::string& libName, TModuleHandle handle);
void UnbindSwScale();
