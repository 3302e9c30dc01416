#include "app/editing/taglib.h"

#include "app/editing/ACS_Classes.h"
#include "engine/MyUtils.h"

namespace tl {
TESS_TAGLIB_FUNCTIONS(TESS_FF_DEFINE)
}

namespace {
TModuleHandle gTagLibrary = nullptr;
bool gLoaded = false;
}  // namespace

TCriticalSection& TagUnitsLock() {
  static TCriticalSection lock;
  return lock;
}

void LoadTagLibrary() {
  TLock lock(TagUnitsLock());
  if (gLoaded) return;
  std::string error;
  TModuleHandle handle = LoadLibraryFromFolder(ApplicationFolder(), TagLibraryName, error);
  if (!handle) return;
  gTagLibrary = handle;
  gLoaded = true;
  // A name the library lacks leaves its pointer empty.
  const std::string libName = TagLibraryName;
#define TESS_TAGLIB_BIND(name) ::LoadFunction(libName, handle, #name, true, tl::name);
  TESS_TAGLIB_FUNCTIONS(TESS_TAGLIB_BIND)
#undef TESS_TAGLIB_BIND
}

bool TagLibraryLoaded() {
  TLock lock(TagUnitsLock());
  return gLoaded;
}
