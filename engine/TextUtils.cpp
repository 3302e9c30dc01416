#include "engine/TextUtils.h"

#include <cinttypes>
#include <cstdio>

std::string FormatFileSize(int64_t size) {
  char buf[64];
  if (size > 1073741824)
    std::snprintf(buf, sizeof buf, "%.2f GB", static_cast<double>(size) / 1073741824.0);
  else if (size > 1048576)
    std::snprintf(buf, sizeof buf, "%.2f MB", static_cast<double>(size) / 1048576.0);
  else if (size > 1024)
    std::snprintf(buf, sizeof buf, "%.2f KB", static_cast<double>(size) / 1024.0);
  else
    std::snprintf(buf, sizeof buf, "%" PRId64 " Byte", size);
  return buf;
}

void SplitAtDelimiter(std::string& text, const std::string& delimiter, bool remove,
                      std::string& part) {
  const size_t p = delimiter.empty() ? std::string::npos : text.find(delimiter);
  if (p == std::string::npos) {
    part = text;
    if (remove) text.clear();
    return;
  }
  part = text.substr(0, p);
  if (remove) text.erase(0, p + delimiter.size());
}

namespace {

const char kEmptyArgument[] = "";

// One pass of the splitter; with null storage it only counts.
class TSplitter {
public:
  TSplitter(char** argv, char* buffer) : FArgv(argv), FBuffer(buffer) {}

  void Emit(char c) {
    if (FBuffer) FBuffer[FChars] = c;
    ++FChars;
  }

  void Run(const char* p) {
    bool quoted = false;
    for (;;) {
      while (*p == ' ' || *p == '\t') ++p;
      if (*p == '\0') break;
      if (FArgv) FArgv[FArgc] = FBuffer + FChars;
      ++FArgc;
      for (;;) {
        bool copy = true;
        size_t slashes = 0;
        while (*p == '\\') {
          ++p;
          ++slashes;
        }
        if (*p == '"') {
          if (slashes % 2 == 0) {
            if (quoted && p[1] == '"' && p[2] == '\0') {
              // A closing pair at the very end stands for one literal quote.
              ++p;
              quoted = false;
            } else {
              copy = false;
              quoted = !quoted;
            }
          }
          slashes /= 2;
        }
        while (slashes--) Emit('\\');
        if (*p == '\0' || (!quoted && (*p == ' ' || *p == '\t'))) break;
        if (copy) Emit(*p);
        ++p;
      }
      Emit('\0');
    }
    if (FArgv) FArgv[FArgc] = const_cast<char*>(kEmptyArgument);
    ++FArgc;
  }

  int FChars = 0;
  int FArgc = 0;

private:
  char** FArgv;
  char* FBuffer;
};

}  // namespace

void SplitCommandLine(const char* text, char** argv, char* buffer, int& chars, int& argc) {
  chars = 0;
  argc = 0;
  TSplitter s(argv, buffer);
  s.Run(text ? text : "");
  chars = s.FChars;
  argc = s.FArgc;
}

std::vector<std::string> SplitCommandLine(const std::string& text) {
  int chars = 0, argc = 0;
  SplitCommandLine(text.c_str(), nullptr, nullptr, chars, argc);
  std::vector<char*> argv(static_cast<size_t>(argc));
  std::vector<char> buffer(static_cast<size_t>(chars) + 1);
  SplitCommandLine(text.c_str(), argv.data(), buffer.data(), chars, argc);
  return std::vector<std::string>(argv.begin(), argv.begin() + (argc - 1));
}
