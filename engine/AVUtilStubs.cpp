#include "engine/AVUtilStubs.h"

#include "engine/MyUtils.h"
#include "engine/OptionParser.h"

namespace {

// The option parser's library services come from avutil while it is bound.
void BindOptionLibrary() {
  SetOptionLibrary({ff::av_strdup, ff::av_realloc, ff::av_free, ff::av_parse_time, ff::av_log});
}

void UnbindOptionLibrary() { ResetOptionLibrary(); }

}  // namespace

namespace ff {
TESS_AVUTIL_FUNCTIONS(TESS_FF_DEFINE)
}  // namespace ff

void BindAVUtil(const std::string& libName, TModuleHandle handle) {
  TESS_AVUTIL_FUNCTIONS(TESS_FF_BIND)
  BindOptionLibrary();
}

void UnbindAVUtil() {
  UnbindOptionLibrary();
  TESS_AVUTIL_FUNCTIONS(TESS_FF_UNBIND)
}
