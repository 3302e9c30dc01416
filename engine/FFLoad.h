// Run-time binding of the media libraries: one loader per process loads the
// library files from the library folder, fills the entry points of each
// (the binding units *Stubs), runs each library's start-up calls and unloads
// them again. Components ask for the set they need through TAVLibUser.
#pragma once

#include <string>

#include "engine/Binding.h"

enum TLibrary { avCodec, avDevice, avFilter, avFormat, avUtil, swResample, swScale, myUtil };
constexpr int LibraryCount = 8;

// Set of TLibrary, processed in enum order.
using TLibraries = unsigned;
constexpr TLibraries LibrarySet(TLibrary l) { return 1u << l; }
constexpr TLibraries AllLibraries = (1u << LibraryCount) - 1;
constexpr TLibraries EncoderLibraries = AllLibraries;
constexpr TLibraries PlayerLibraries = AllLibraries;
constexpr TLibraries DecoderLibraries = AllLibraries & ~(LibrarySet(avDevice) | LibrarySet(avFilter));

struct TLibraryItem {
  TLibrary library;
  const char* stem;
  int version;        // -1: the file name has no version part
  bool systemSearch;  // loaded by the system's search, not from the library folder
  void (*bind)(const std::string& libName, TModuleHandle handle);
  void (*unbind)();
};
const TLibraryItem& LibraryItem(TLibrary library);
// "lib" + stem + ".so." + version, e.g. libavcodec.so.59.
std::string LibraryFileName(TLibrary library);

class TFFLoader {
public:
  TFFLoader() = default;
  TFFLoader(const TFFLoader&) = delete;
  TFFLoader& operator=(const TFFLoader&) = delete;

  bool Load(TLibrary library);
  // Loads the set in enum order. When one library fails, the libraries that
  // this call loaded are unloaded again (those that were loaded before stay)
  // and the result is false with LastErrMsg.
  bool Load(TLibraries libraries);
  bool Loaded(TLibrary library) const;
  bool Loaded(TLibraries libraries) const;
  // Raises "Library %s not loaded." for the first library of the set that is not.
  void CheckLibAV(TLibraries libraries) const;
  void Unload(TLibrary library);
  void Unload(TLibraries libraries);

  // Components hold libraries: a library is unloaded when its last holder
  // lets it go, never under a component that still uses it.
  bool Acquire(TLibraries libraries);
  void Release(TLibraries libraries);
  int Holders(TLibrary library) const { return FHolders[library]; }
  TModuleHandle Handle(TLibrary library) const { return FStatus[library].handle; }

  std::string LibraryPath;  // Windows form; empty: the system's search
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  bool FInstallLogger = true;

private:
  struct TLibraryStatus {
    TModuleHandle handle = nullptr;
    bool bound = false;
  };
  TLibraryStatus FStatus[LibraryCount];
  int FHolders[LibraryCount] = {};
  std::string FLastErrMsg;
};

// The process's loader. Loading and unloading run on the GUI thread.
TFFLoader& FFLoader();

// The library set of one component, with its own LastErrMsg.
class TAVLibUser {
public:
  explicit TAVLibUser(TLibraries libraries) : FLibraries(libraries) {}
  ~TAVLibUser();
  TAVLibUser(const TAVLibUser&) = delete;
  TAVLibUser& operator=(const TAVLibUser&) = delete;

  // Sets the loader's library folder and loads the set from it.
  bool LoadAVLib(const std::string& path);
  bool AVLibLoaded() const;
  // Lets the set go; harmless when it is not held.
  void UnloadAVLib();
  void CheckLibAV() const;
  TLibraries Libraries() const { return FLibraries; }
  std::string LastErrMsg;

private:
  TLibraries FLibraries;
  bool FHeld = false;
};
