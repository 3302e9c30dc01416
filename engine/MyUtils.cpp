#include "engine/MyUtils.h"

#include <dlfcn.h>
#include <sys/stat.h>

std::string ApplicationFolder() { return ExeFolder(); }

int64_t FileSizeByName(const std::string& fileName) {
  if (fileName.empty()) return -1;
  const std::string native = ToNativePath(fileName);
  struct stat st;
  if (native.empty() || ::stat(native.c_str(), &st) != 0) return -1;
  return S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
}

// The media libraries are native shared objects: they load by their Unix
// path, and their own dependencies resolve through the system loader, so
// neither PATH nor the current folder take part.
TModuleHandle LoadLibraryFromFolder(const std::string& folder, const std::string& fileName,
                                    std::string& error) {
  std::string target = fileName;
  if (!folder.empty()) {
    const std::string full = IncludeTrailingPathDelimiter(folder) + fileName;
    if (FileExists(full)) {
      target = ToNativePath(full);
      if (target.empty()) {
        error = "the folder cannot be reached from here";
        return nullptr;
      }
    }
  }
  dlerror();
  void* handle = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = dlerror();
    error = text ? text : "unknown error";
  }
  return handle;
}

void FreeLibraryHandle(TModuleHandle handle) {
  if (handle) dlclose(handle);
}

void* LoadEntry(const std::string& libName, TModuleHandle handle, const char* name, bool optional,
                const char* kind) {
  dlerror();
  void* address = handle ? dlsym(handle, name) : nullptr;
  if (!address && !optional) {
    const char* text = handle ? dlerror() : "the library is not loaded";
    throw Exception(std::string("Load ") + kind + " " + name + "@" + libName + " error: " +
                    (text ? text : "not found"));
  }
  return address;
}

TModuleHandle LoadLibraryFromPath(const std::string& path, std::string& error) {
  const std::string native = ToNativePath(path);
  if (native.empty()) {
    error = "the folder cannot be reached from here";
    return nullptr;
  }
  dlerror();
  void* handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = dlerror();
    error = text ? text : "unknown error";
  }
  return handle;
}
