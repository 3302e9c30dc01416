#include "engine/AVFormatStubs.h"

#include "engine/MyUtils.h"

namespace ff {
TESS_AVFORMAT_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindAVFormat(const std::string& libName, TModuleHandle handle) {
  TESS_AVFORMAT_FUNCTIONS(TESS_FF_BIND)
  ff::avformat_network_init();
}

void UnbindAVFormat() {
  if (ff::avformat_network_deinit) ff::avformat_network_deinit();
  TESS_AVFORMAT_FUNCTIONS(TESS_FF_UNBIND)
}
