#include "app/main/Downloader.h"

#include <windows.h>

#include <cstdint>

#include "app/main/AppData.h"
#include "app/main/Endpoints.h"
#include "app/main/ToolSwitches.h"
#include "framework/ShellFolders.h"
#include "framework/StringList.h"

namespace {

using TRunDownloader = bool(WINAPI*)(const char*, const char*, const char*, const char*, const char*, const char*,
                                     const char*, const char*, const char*, const char*, const char*, const char*,
                                     uint8_t, uint8_t, uint16_t*, uint16_t*, uint8_t*, uint8_t*, uint8_t*, char**);

HMODULE library = nullptr;

}  // namespace

bool LoadDownloader() {
  if (library) return true;
  // The bare name goes through the system's search, which starts with the
  // program's folder; a library built for this platform carries its own
  // suffix there.
  for (const char16_t* name : {u"Downloader.dll", u"Downloader.dll.so"}) {
    library = LoadLibraryW(reinterpret_cast<LPCWSTR>(name));
    if (library) return true;
  }
  return false;
}

std::string& DownloaderScript() {
  static std::string script = ToolSwitch(DownloaderScriptSwitch);
  return script;
}

bool DownloaderLoaded() { return library != nullptr; }

void FreeDownloader() {
  if (library) FreeLibrary(library);
  library = nullptr;
}

unsigned short DownloaderEdge(int position) {
  return static_cast<unsigned short>(position < 0 ? 0 : (position > 65535 ? 65535 : position));
}

bool RunDownloader(int windowLeft, int windowTop, std::string& result) {
  result.clear();
  if (!library) return false;
  auto run = reinterpret_cast<TRunDownloader>(reinterpret_cast<void*>(GetProcAddress(library, "RunDownloader")));
  if (!run) {
    ReportError("\"RunDownloader\" function not found", "CLM_RunDownloadFuncNotFound");
    return false;
  }
  // The library takes texts in the system's code page.
  auto ansi = [](const std::string& s) { return UTF8ToAnsi(s); };
  const TEndpoints& e = Endpoints();
  const std::string texts[] = {ansi("Tessavane"),        ansi("1.0"),           ansi("Brenlowe"),
                               ansi(e.HomePage),         ansi(e.SupportPage),   ansi(e.SupportMailbox),
                               ansi(e.GuidePage),        ansi(e.ProductPage),   "",
                               "",                       ansi("skin-tessavane"), ansi(ExcludeTrailingPathDelimiter(TempFolder))};
  uint16_t left = DownloaderEdge(windowLeft), top = DownloaderEdge(windowTop);
  uint8_t language = static_cast<uint8_t>(LanguageIndex), flag = 0, zero = 0;
  char* files = nullptr;
  // Test tools script the downloader instead of its window.
  using TSetScript = void(WINAPI*)(const char*);
  if (auto set = reinterpret_cast<TSetScript>(reinterpret_cast<void*>(GetProcAddress(library, "SetUnattendedScript"))))
    set(ansi(DownloaderScript()).c_str());
  const bool ok = run(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), texts[4].c_str(),
                      texts[5].c_str(), texts[6].c_str(), texts[7].c_str(), texts[8].c_str(), texts[9].c_str(),
                      texts[10].c_str(), texts[11].c_str(), 0, 0, &left, &top, &language, &flag, &zero, &files);
  if (ok && files) result = AnsiToUTF8(files);
  return ok;
}

std::vector<std::string> DownloadedFiles(const std::string& result, const std::string& tempFolder,
                                         std::vector<std::string>* refused) {
  std::vector<std::string> files;
  std::string name;
  for (char c : result) {
    if (c != '|') {
      name += c;
      continue;
    }
    if (!name.empty()) {
      // The downloader names files inside the Temp folder: a name that
      // reaches elsewhere is not opened.
      const bool plain = name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
      if (plain)
        files.push_back(ExcludeTrailingPathDelimiter(tempFolder) + "\\" + name);
      else if (refused)
        refused->push_back(name);
    }
    name.clear();
  }
  return files;
}
