// Entry points of libswresample, reached through ff::<name> once the library is bound.
#pragma once

#include "engine/Binding.h"

extern "C" {
#include <libswresample/swresample.h>
}

#define TESS_SWRESAMPLE_FUNCTIONS(X) \
  X(swr_alloc) \
  X(swr_alloc_set_opts2) \
  X(swr_set_compensation) \
  X(swr_convert) \
  X(swr_free) \
  X(swr_init) \
  X(swr_is_initialized) \
  X(swr_get_delay) \
  X(swr_set_channel_mapping) \
  X(swr_get_class)

namespace ff {
TESS_SWRESAMPLE_FUNCTIONS(TESS_FF_DECLARE)
}  // namespace ff

void BindSwResample(const std::string& libName, TModuleHandle handle);
void UnbindSwResample();
