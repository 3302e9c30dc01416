#include "engine/FFLoad.h"

#include "engine/AVCodecStubs.h"
#include "engine/AVDeviceStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/FFUtils.h"
#include "engine/MyUtilStubs.h"
#include "engine/MyUtils.h"
#include "engine/SwResampleStubs.h"
#include "engine/SwScaleStubs.h"

static_assert(LIBAVCODEC_VERSION_MAJOR == 59 && LIBAVDEVICE_VERSION_MAJOR == 59 &&
                  LIBAVFILTER_VERSION_MAJOR == 8 && LIBAVFORMAT_VERSION_MAJOR == 59 &&
                  LIBAVUTIL_VERSION_MAJOR == 57 && LIBSWRESAMPLE_VERSION_MAJOR == 4 &&
                  LIBSWSCALE_VERSION_MAJOR == 6,
              "the library table names the files of the headers we compile against");

namespace {

const TLibraryItem kLibraries[LibraryCount] = {
    {avCodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, false, BindAVCodec, UnbindAVCodec},
    {avDevice, "avdevice", LIBAVDEVICE_VERSION_MAJOR, false, BindAVDevice, UnbindAVDevice},
    {avFilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, false, BindAVFilter, UnbindAVFilter},
    {avFormat, "avformat", LIBAVFORMAT_VERSION_MAJOR, false, BindAVFormat, UnbindAVFormat},
    {avUtil, "avutil", LIBAVUTIL_VERSION_MAJOR, false, BindAVUtil, UnbindAVUtil},
    {swResample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, false, BindSwResample, UnbindSwResample},
    {swScale, "swscale", LIBSWSCALE_VERSION_MAJOR, false, BindSwScale, UnbindSwScale},
    {myUtil, "c", 6, true, BindMyUtil, UnbindMyUtil},
};

void CheckSet(TLibraries libraries) {
  if ((libraries & AllLibraries) == 0) throw Exception("Assertion failure");
}

bool InSet(TLibraries set, int i) { return (set & (1u << i)) != 0; }

}  // namespace

const TLibraryItem& LibraryItem(TLibrary library) { return kLibraries[library]; }

std::string LibraryFileName(TLibrary library) {
  const TLibraryItem& item = kLibraries[library];
  std::string name = std::string("lib") + item.stem + ".so";
  if (item.version >= 0) name += "." + std::to_string(item.version);
  return name;
}

TFFLoader& FFLoader() {
  static TFFLoader loader;
  return loader;
}

bool TFFLoader::Load(TLibrary library) {
  const TLibraryItem& item = kLibraries[library];
  TLibraryStatus& status = FStatus[library];
  const std::string file = LibraryFileName(library);
  if (!status.handle) {
    std::string folder;
    if (!LibraryPath.empty() && !item.systemSearch) folder = IncludeTrailingPathDelimiter(LibraryPath);
    std::string error;
    // The media libraries come from the library folder only: a file missing
    // there must not be replaced by whatever copy the system search finds.
    status.handle = folder.empty() ? LoadLibraryFromFolder("", file, error)
                                   : LoadLibraryFromPath(folder + file, error);
    if (!status.handle) {
      FLastErrMsg = "Load library " + folder + file + " error: " + error;
      return false;
    }
  }
  if (!status.bound) {
    try {
      item.bind(file, status.handle);
      status.bound = true;
    } catch (const Exception& e) {
      FLastErrMsg = e.Message();
    }
  }
  if (!status.bound) {
    Unload(library);
    return false;
  }
  switch (library) {
    case avFilter:
      RegisterFilterOnce("rotate");
      break;
    case avUtil:
      if (FInstallLogger) GlobalLogger()->InstallAVLogCallback();
      break;
    default:
      break;
  }
  return true;
}

bool TFFLoader::Load(TLibraries libraries) {
  CheckSet(libraries);
  TLibraries loadedHere = 0;
  for (int i = 0; i < LibraryCount; ++i) {
    if (!InSet(libraries, i)) continue;
    const auto library = static_cast<TLibrary>(i);
    const bool before = Loaded(library);
    if (!Load(library)) {
      // Nothing stays half-bound; libraries that were there before this
      // call belong to other components and stay.
      for (int j = 0; j < LibraryCount; ++j)
        if (InSet(loadedHere, j) && FHolders[j] == 0) Unload(static_cast<TLibrary>(j));
      return false;
    }
    if (!before) loadedHere |= LibrarySet(library);
  }
  return true;
}

bool TFFLoader::Loaded(TLibrary library) const {
  return FStatus[library].handle != nullptr && FStatus[library].bound;
}

bool TFFLoader::Loaded(TLibraries libraries) const {
  CheckSet(libraries);
  for (int i = 0; i < LibraryCount; ++i)
    if (InSet(libraries, i) && !Loaded(static_cast<TLibrary>(i))) return false;
  return true;
}

void TFFLoader::CheckLibAV(TLibraries libraries) const {
  for (int i = 0; i < LibraryCount; ++i)
    if (InSet(libraries, i) && !Loaded(static_cast<TLibrary>(i)))
      throw Exception(std::string("Library ") + kLibraries[i].stem + " not loaded.");
}

void TFFLoader::Unload(TLibrary library) {
  TLibraryStatus& status = FStatus[library];
  if (status.bound) {
    kLibraries[library].unbind();
    status.bound = false;
  }
  if (status.handle) {
    FreeLibraryHandle(status.handle);
    status.handle = nullptr;
  }
}

void TFFLoader::Unload(TLibraries libraries) {
  CheckSet(libraries);
  for (int i = 0; i < LibraryCount; ++i)
    if (InSet(libraries, i)) Unload(static_cast<TLibrary>(i));
}

bool TFFLoader::Acquire(TLibraries libraries) {
  if (!Load(libraries)) return false;
  for (int i = 0; i < LibraryCount; ++i)
    if (InSet(libraries, i)) ++FHolders[i];
  return true;
}

void TFFLoader::Release(TLibraries libraries) {
  for (int i = 0; i < LibraryCount; ++i) {
    if (!InSet(libraries, i) || FHolders[i] == 0) continue;
    if (--FHolders[i] == 0) Unload(static_cast<TLibrary>(i));
  }
}

TAVLibUser::~TAVLibUser() { UnloadAVLib(); }

bool TAVLibUser::LoadAVLib(const std::string& path) {
  TFFLoader& loader = FFLoader();
  loader.LibraryPath = path;
  const bool ok = FHeld ? loader.Load(FLibraries) : loader.Acquire(FLibraries);
  if (!ok) {
    LastErrMsg = loader.LastErrMsg();
    return false;
  }
  FHeld = true;
  return true;
}

bool TAVLibUser::AVLibLoaded() const { return FFLoader().Loaded(FLibraries); }

void TAVLibUser::UnloadAVLib() {
  if (!FHeld) return;
  FHeld = false;
  FFLoader().Release(FLibraries);
}

void TAVLibUser::CheckLibAV() const { FFLoader().CheckLibAV(FLibraries); }
