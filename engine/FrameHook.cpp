#include "engine/FrameHook.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <string>

#include "engine/AVUtilStubs.h"
#include "engine/MyUtils.h"

namespace {

struct TCaseless {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
  }
};

std::mutex& ModulesLock() {
  static std::mutex m;
  return m;
}

// Loaded modules by name; they stay loaded until the process ends, since
// a chain of another task may still call them.
std::map<std::string, TModuleHandle, TCaseless>& Modules() {
  static auto* modules = new std::map<std::string, TModuleHandle, TCaseless>();
  return *modules;
}

void LogError(const std::string& text) { ff::av_log(nullptr, AV_LOG_ERROR, "%s\n", text.c_str()); }

}  // namespace

int FrameHookAdd(TFrameHookEntry*& first, int argc, char* argv[]) {
  if (argc <= 0 || !argv || !argv[0]) return -2;
  const std::string name = argv[0];
  TModuleHandle handle = nullptr;
  {
    std::lock_guard<std::mutex> lock(ModulesLock());
    auto it = Modules().find(name);
    if (it != Modules().end()) {
      handle = it->second;
    } else {
      std::string error;
      handle = ExtractFilePath(name).empty() ? LoadLibraryFromFolder(ApplicationFolder(), name, error)
                                             : LoadLibraryFromPath(name, error);
      if (!handle) {
        LogError(error);
        return -1;
      }
      Modules()[name] = handle;
    }
  }
  auto* entry = static_cast<TFrameHookEntry*>(ff::av_mallocz(sizeof(TFrameHookEntry)));
  if (!entry) return AVERROR(ENOMEM);
  entry->Configure = reinterpret_cast<TFrameHookConfigureFn>(LoadEntry(name, handle, "Configure", true, "function"));
  entry->Process = reinterpret_cast<TFrameHookProcessFn>(LoadEntry(name, handle, "Process", true, "function"));
  entry->Release = reinterpret_cast<TFrameHookReleaseFn>(LoadEntry(name, handle, "Release", true, "function"));
  if (!entry->Process) {
    LogError("Failed to find Process entrypoint in " + name);
    ff::av_free(entry);
    return -2;
  }
  if (!entry->Configure && argc > 1) {
    LogError("Failed to find Configure entrypoint in " + name);
    ff::av_free(entry);
    return -2;
  }
  if (entry->Configure && entry->Configure(&entry->ctx, argc, argv) != 0) {
    LogError("Failed to Configure " + name);
    ff::av_free(entry);
    return AVERROR(EINVAL);
  }
  TFrameHookEntry** last = &first;
  while (*last) last = &(*last)->next;
  *last = entry;
  return 0;
}

void FrameHookProcess(TFrameHookEntry* first, void* picture, AVPixelFormat pixFmt, int width, int height,
                      int64_t pts) {
  for (TFrameHookEntry* e = first; e; e = e->next) e->Process(e->ctx, picture, pixFmt, width, height, pts);
}

void FrameHookRelease(TFrameHookEntry*& first) {
  TFrameHookEntry* e = first;
  first = nullptr;
  while (e) {
    TFrameHookEntry* next = e->next;
    if (e->Release) e->Release(e->ctx);
    ff::av_free(e);
    e = next;
  }
}
