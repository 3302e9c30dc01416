#include "app/main/ToolSwitches.h"

#include <windows.h>

#include <vector>

#include "framework/SysUtils.h"

const char* const ShutdownRecordSwitch = "--shutdown-record";
const char* const DownloaderScriptSwitch = "--downloader-script";

namespace {

// The arguments as the system's own splitting gives them: blanks separate,
// double quotes group, a quote doubled by a backslash is a quote.
std::vector<std::u16string> Arguments(const char16_t* line) {
  std::vector<std::u16string> args;
  std::u16string current;
  bool quoted = false, any = false;
  for (const char16_t* p = line; p && *p; ++p) {
    if (*p == u'\\' && p[1] == u'"') {
      current += u'"';
      ++p;
      any = true;
    } else if (*p == u'"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (*p == u' ' || *p == u'\t')) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current += *p;
      any = true;
    }
  }
  if (any) args.push_back(current);
  return args;
}

}  // namespace

std::string ToolSwitch(const std::string& name) {
  const std::u16string prefix = UTF8ToUTF16(name + "=");
  const auto args = Arguments(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  for (size_t i = 1; i < args.size(); ++i)
    if (args[i].compare(0, prefix.size(), prefix) == 0) return UTF16ToUTF8(args[i].substr(prefix.size()));
  return std::string();
}
