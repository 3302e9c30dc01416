// File names for the media libraries. They take 8-bit names: ours are UTF-8
// Windows paths, which the native libraries cannot open, so every name
// handed to a library call goes through MediaFileName.
#pragma once

#include <string>

// The UTF-8 bytes of a name. Each call has its own result, of any length.
std::string StringToUTF8Buffer(const std::string& text);
// A zero-terminated UTF-8 name held by a library, as our text.
std::string UTF8PCharToString(const char* text);

// The name a native library opens: URLs (a scheme of two or more letters
// before ":") pass unchanged, except that the "unicode:" file URL is taken
// apart into its file name; Windows paths (relative ones against the
// program's current folder) become Unix paths. Empty when the path cannot
// be mapped.
std::string MediaFileName(const std::string& name);
