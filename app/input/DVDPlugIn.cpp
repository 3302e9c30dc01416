#include "app/input/DVDPlugIn.h"

#include <windows.h>

#include <cstring>

#include "engine/MyUtils.h"
#include "framework/StringList.h"

namespace {

// The plug-in is native code with the C calling convention.
using TDVDInitialize = int32_t (*)(const char* text);
using TDVDEnumTitle = int32_t (*)(const char* path);
using TDVDGetTitle = int32_t (*)(int32_t index, TDVDTitleInfo* info);
using TDVDGetLibVersion = int32_t (*)();

struct TDVDBinding {
  TModuleHandle handle = nullptr;
  bool loaded = false;
  TDVDInitialize initialize = nullptr;
  TDVDEnumTitle enumTitle = nullptr;
  TDVDGetTitle getTitle = nullptr;
  TDVDGetLibVersion getLibVersion = nullptr;
  std::string lastError;

  void Clear() {
    if (handle) FreeLibraryHandle(handle);
    handle = nullptr;
    loaded = false;
    initialize = nullptr;
    enumTitle = nullptr;
    getTitle = nullptr;
    getLibVersion = nullptr;
  }
};

TDVDBinding& Binding() {
  static TDVDBinding binding;
  return binding;
}

void RequireLoaded() {
  if (!IsDVDPlugInLoaded()) throw Exception("DVD plug-in library is not loaded.");
}

const char* NameOf(int code, const char* const* names, int count) {
  return code >= 0 && code < count ? names[code] : "Unknown";
}

}  // namespace

bool IsDVDPlugInLoaded() { return Binding().handle && Binding().loaded; }

std::string GetDVDPlugInError() { return Binding().lastError; }

bool LoadDVDPlugIn(const std::string& folder, const std::string& initText) {
  TDVDBinding& b = Binding();
  if (IsDVDPlugInLoaded()) return true;
  b.Clear();
  std::string error;
  b.handle = LoadLibraryFromFolder(folder, DVDPlugInFileName, error);
  if (!b.handle) {
    const std::string shown = folder.empty() ? std::string() : IncludeTrailingPathDelimiter(folder);
    b.lastError = "Load library " + shown + DVDPlugInFileName + " error: " + error;
    return false;
  }
  try {
    LoadFunction(DVDPlugInFileName, b.handle, "DVDInitialize", false, b.initialize);
    b.initialize(UTF8ToAnsi(initText).c_str());
    LoadFunction(DVDPlugInFileName, b.handle, "DVDEnumTitle", false, b.enumTitle);
    LoadFunction(DVDPlugInFileName, b.handle, "DVDGetTitle", false, b.getTitle);
    LoadFunction(DVDPlugInFileName, b.handle, "DVDGetLibVersion", false, b.getLibVersion);
  } catch (const Exception& e) {
    b.lastError = e.Message();
    b.Clear();
    return false;
  }
  b.loaded = true;
  return true;
}

std::string GetDVDPlugInVersion() {
  RequireLoaded();
  const uint32_t v = static_cast<uint32_t>(Binding().getLibVersion());
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) +
         "." + std::to_string(v & 0xFF);
}

int EnumDVDTitles(const std::string& dvdPath) {
  RequireLoaded();
  return Binding().enumTitle(UTF8ToAnsi(dvdPath).c_str());
}

bool GetDVDTitleInfo(int index, TDVDTitleInfo& info) {
  RequireLoaded();
  std::memset(&info, 0, sizeof info);
  if (Binding().getTitle(index, &info) != 0) return true;
  // Whatever a failing plug-in left behind is not a title.
  std::memset(&info, 0, sizeof info);
  return false;
}

std::string DVDStreamTypeName(int code) {
  static const char* const names[] = {"Unknown", "MPEG-1", "MPEG-2", "MPA", "AC3", "DTS", "LPCM", "SUB"};
  return NameOf(code, names, 8);
}

std::string DVDAspectName(int code) {
  static const char* const names[] = {"TV(4:3)", "HDTV(16:9)"};
  return NameOf(code, names, 2);
}

std::string DVDNormName(int code) {
  static const char* const names[] = {"PAL", "NTSC"};
  return NameOf(code, names, 2);
}

std::string DVDText(const char* chars, size_t capacity) {
  size_t n = 0;
  while (n < capacity && chars[n]) ++n;
  return AnsiToUTF8(std::string(chars, n));
}

int GetCDROMDrives(TStrings* list) {
  const DWORD mask = GetLogicalDrives();
  int count = 0;
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const char16_t root[] = {static_cast<char16_t>(u'A' + i), u':', u'\\', 0};
    if (GetDriveTypeW(reinterpret_cast<LPCWSTR>(root)) != DRIVE_CDROM) continue;
    if (list) list->Add(UTF16ToUTF8(root));
    ++count;
  }
  return count;
}
