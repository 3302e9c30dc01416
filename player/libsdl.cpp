#include "player/libsdl.h"

#include <strings.h>

#include <cstdlib>
#include <vector>

#include "engine/MyUtils.h"

namespace {

// The registry lives for the whole process: players are destroyed by their
// owners at any point of the shutdown, the registry must outlive them all.
std::vector<std::string>& LoadedSDLFiles() {
  static auto* files = new std::vector<std::string>;
  return *files;
}

int IndexOfFile(const std::string& path) {
  const auto& files = LoadedSDLFiles();
  for (size_t i = 0; i < files.size(); ++i)
    if (strcasecmp(files[i].c_str(), path.c_str()) == 0) return static_cast<int>(i);
  return -1;
}

}  // namespace

TCriticalSection& SDLLock() {
  static auto* lock = new TCriticalSection;
  return *lock;
}

TSDLLoader::~TSDLLoader() { Unload(); }

bool TSDLLoader::Load(const TPathFileName& APath, const TPathFileName& AFile) {
  const std::string path = IncludeTrailingPathDelimiter(APath) + AFile;
  if (Loaded() && FLibFile == path) return true;
  TLock lock(SDLLock());
  if (IndexOfFile(path) >= 0) {
    FLastErrMsg = path + " alreay loaded in another instance.";
    return false;
  }
  Release();
  // With SDL_DYNAMIC_API set, every copy would hand its calls to the one
  // library that variable names, and the players would share one SDL again.
  ::unsetenv("SDL_DYNAMIC_API");
  std::string error;
  FHandle = LoadLibraryFromFolder(APath, AFile, error);
  if (!FHandle) {
    FLastErrMsg = "Load library " + path + " error: " + error;
    return false;
  }
  try {
#define TESS_SDL_BIND(name) LoadFunction(AFile, FHandle, #name, false, FEntries.name);
    TESS_SDL_FUNCTIONS(TESS_SDL_BIND)
#undef TESS_SDL_BIND
  } catch (const Exception& e) {
    FLastErrMsg = e.Message();
    Release();
    return false;
  }
  FFixuped = true;
  FLibFile = path;
  LoadedSDLFiles().push_back(path);
  return true;
}

void TSDLLoader::Unload() {
  TLock lock(SDLLock());
  Release();
}

void TSDLLoader::Release() {
  FEntries = TSDLEntries();
  FFixuped = false;
  if (FHandle) {
    FreeLibraryHandle(FHandle);
    FHandle = nullptr;
  }
  if (!FLibFile.empty()) {
    const int i = IndexOfFile(FLibFile);
    if (i >= 0) LoadedSDLFiles().erase(LoadedSDLFiles().begin() + i);
    FLibFile.clear();
  }
}
