#include "framework/SysUtils.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#ifdef __WINE__
extern "C" {
char* CDECL wine_get_unix_file_name(LPCWSTR dosW);
WCHAR* CDECL wine_get_dos_file_name(LPCSTR str);
}
#endif

std::u16string UTF8ToUTF16(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    unsigned c = p[i];
    unsigned cp;
    int len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else { out.push_back(0xFFFD); ++i; continue; }
    if (i + len > n) { out.push_back(0xFFFD); ++i; continue; }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    static const unsigned minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

static void AppendUTF8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

static std::string UTF16ToUTF8(const char16_t* s, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    unsigned c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUTF8(out, c);
  }
  return out;
}

std::string UTF16ToUTF8(const std::u16string& s) { return UTF16ToUTF8(s.data(), s.size()); }

std::string UTF16ToUTF8(const char16_t* s) {
  if (!s) return std::string();
  size_t n = 0;
  while (s[n]) ++n;
  return UTF16ToUTF8(s, n);
}

std::string ToNativePath(const std::string& windowsPath) {
#ifdef __WINE__
  if (windowsPath.empty()) return std::string();
  // Already a Unix path (native libraries hand these back to us).
  if (windowsPath[0] == '/') return windowsPath;
  std::u16string w = UTF8ToUTF16(windowsPath);
  char* unix = wine_get_unix_file_name(reinterpret_cast<LPCWSTR>(w.c_str()));
  if (!unix) return std::string();
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
#else
  return windowsPath;
#endif
}

std::string FromNativePath(const std::string& nativePath) {
#ifdef __WINE__
  if (nativePath.empty() || nativePath[0] != '/') return nativePath;
  WCHAR* dos = wine_get_dos_file_name(nativePath.c_str());
  if (!dos) return std::string();
  std::string result = UTF16ToUTF8(reinterpret_cast<const char16_t*>(dos));
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
#else
  return nativePath;
#endif
}

std::string ExeFolder() {
  std::u16string buf(32768, u'\0');
  DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(&buf[0]), static_cast<DWORD>(buf.size()));
  buf.resize(n);
  std::string path = UTF16ToUTF8(buf);
  // A winelib program reports its .exe.so path; the folder is what matters.
  return ExtractFilePath(path);
}

static bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (path.empty() || IsDelimiter(path.back())) return path;
  return path + '\\';
}

std::string ExtractFilePath(const std::string& fileName) {
  size_t p = fileName.find_last_of("\\/:");
  return p == std::string::npos ? std::string() : fileName.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  size_t p = fileName.find_last_of("\\/:");
  return p == std::string::npos ? fileName : fileName.substr(p + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
  size_t p = fileName.find_last_of(".\\/:");
  if (p == std::string::npos || fileName[p] != '.') return std::string();
  return fileName.substr(p);
}

bool FileExists(const std::string& fileName) {
  DWORD a = GetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(fileName).c_str()));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& dir) {
  DWORD a = GetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(dir).c_str()));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& dir) {
  std::string d = dir;
  while (!d.empty() && IsDelimiter(d.back())) d.pop_back();
  if (d.empty()) return false;
  if (DirectoryExists(d)) return true;
  std::string parent = ExtractFilePath(d);
  if (!parent.empty() && parent.size() < d.size() && parent.back() != ':' &&
      !(parent.size() == 3 && parent[1] == ':')) {
    if (!ForceDirectories(parent)) return false;
  }
  return CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(d).c_str()), nullptr) ||
         DirectoryExists(d);
}

namespace {
std::mutex gReporterLock;
TExceptionReporter gReporter;
}  // namespace

void SetExceptionReporter(TExceptionReporter reporter) {
  std::lock_guard<std::mutex> g(gReporterLock);
  gReporter = std::move(reporter);
}

std::string ExceptionText(std::exception_ptr e) {
  try {
    if (e) std::rethrow_exception(e);
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "unknown exception";
  }
  return std::string();
}

void ReportException(std::exception_ptr e) {
  std::string text = ExceptionText(e);
  TExceptionReporter reporter;
  {
    std::lock_guard<std::mutex> g(gReporterLock);
    reporter = gReporter;
  }
  if (reporter) {
    try {
      reporter(text);
      return;
    } catch (...) {
      // A failing reporter must not take the boundary down; fall through.
    }
  }
  OutputDebugStringW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(text).c_str()));
  std::fprintf(stderr, "Tessavane: unhandled exception: %s\n", text.c_str());
}
