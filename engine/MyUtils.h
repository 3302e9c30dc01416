// Process-level helpers of the media layer: the program's folder, file
// sizes, loading libraries and resolving their entries, and the way to the
// GUI thread.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Binding.h"
#include "engine/TextUtils.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"  // CallInMainThread, PumpMessages

// Folder of the program file, with a trailing delimiter.
std::string ApplicationFolder();

// Size of a file in bytes; -1 when it does not exist or cannot be read.
int64_t FileSizeByName(const std::string& fileName);

// Loads a native library, preferring `folder` (a Windows path) when it holds
// the file; otherwise the bare name goes through the system's search. On
// failure returns nullptr and puts the system's text into `error`.
TModuleHandle LoadLibraryFromFolder(const std::string& folder, const std::string& fileName,
                                    std::string& error);
void FreeLibraryHandle(TModuleHandle handle);

// Resolves one entry into `address`. A missing entry that is not optional
// raises "Load function %s@%s error: %s" (LoadVariable: "Load variable ...").
void* LoadEntry(const std::string& libName, TModuleHandle handle, const char* name, bool optional,
                const char* kind);

template <class F>
void LoadFunction(const std::string& libName, TModuleHandle handle, const char* name, bool optional,
                  F& address) {
  address = reinterpret_cast<F>(LoadEntry(libName, handle, name, optional, "function"));
}

template <class T>
void LoadVariable(const std::string& libName, TModuleHandle handle, const char* name, bool optional,
                  T*& address) {
  address = static_cast<T*>(LoadEntry(libName, handle, name, optional, "variable"));
}

// Loads the library file at exactly this (Windows) path, with no search.
TModuleHandle LoadLibraryFromPath(const std::string& path, std::string& error);
