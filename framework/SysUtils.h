// Basic text, path and error helpers of the framework.
//
// This header never includes windows.h: the media layer (engine, player)
// uses it from translation units that are compiled without the Windows macro
// family.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

// The framework's own error type. Readers of untrusted input and framework
// operations raise it (or a descendant) with a message meant for people.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Text is UTF-8 in std::string everywhere; Win32 calls take UTF-16.
// Invalid UTF-8 bytes become U+FFFD, unpaired surrogates likewise.
std::u16string UTF8ToUTF16(const std::string& s);
std::string UTF16ToUTF8(const std::u16string& s);
std::string UTF16ToUTF8(const char16_t* s);

// Windows path of a file <-> path that native (Unix) libraries can open.
// On a real Windows build both return their argument unchanged. An empty
// result means the path cannot be mapped.
std::string ToNativePath(const std::string& windowsPath);
std::string FromNativePath(const std::string& nativePath);

// Folder of the running program, with a trailing backslash.
std::string ExeFolder();

std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExtractFilePath(const std::string& fileName);   // with trailing delimiter
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);    // with the dot
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& dir);
bool ForceDirectories(const std::string& dir);

// Exceptions must never cross a window procedure, a thread entry or a
// callback from a native library. Such boundaries catch everything and hand
// it here; the application installs the reporter (by default the text goes
// to the debug output and standard error).
using TExceptionReporter = std::function<void(const std::string& message)>;
void SetExceptionReporter(TExceptionReporter reporter);
void ReportException(std::exception_ptr e);
std::string ExceptionText(std::exception_ptr e);

// Runs f, reporting anything it throws; returns false when it threw.
template <class F>
bool RunGuarded(F&& f) noexcept {
  try {
    f();
    return true;
  } catch (...) {
    ReportException(std::current_exception());
    return false;
  }
}
