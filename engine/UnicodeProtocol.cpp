#include "engine/UnicodeProtocol.h"

#include <cctype>

#include "framework/SysUtils.h"

std::string StringToUTF8Buffer(const std::string& text) { return text; }

std::string UTF8PCharToString(const char* text) { return text ? std::string(text) : std::string(); }

namespace {

// Length of a URL scheme at the start (letters, then ":"), 0 when none. One
// letter before ":" is a drive.
size_t SchemeLength(const std::string& name) {
  size_t i = 0;
  while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) ++i;
  return (i >= 2 && i < name.size() && name[i] == ':') ? i : 0;
}

}  // namespace

std::string MediaFileName(const std::string& name) {
  std::string path = name;
  if (path.compare(0, 8, "unicode:") == 0) {
    // Old form "unicode:<anything>:<file>": two colon-ended parts go.
    for (int part = 0; part < 2; ++part) {
      const size_t colon = path.find(':');
      if (colon != std::string::npos) path.erase(0, colon + 1);
    }
  } else if (SchemeLength(path) > 0) {
    return path;
  }
  if (path.empty()) return path;
  return ToNativePath(path);
}
