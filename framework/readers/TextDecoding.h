// Bytes of a text file -> UTF-8 text, and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

enum class TTextEncoding { Ansi, UTF8, UTF16LE, UTF16BE };

// Converts text of the ANSI code page to UTF-8 or back; the platform
// supplies it (Win32: the process code page).
using TAnsiConverter = std::function<std::string(const std::string&)>;

// A byte-order mark picks the encoding; without one the bytes are taken as
// UTF-8 when they are valid UTF-8, else as the ANSI code page (which
// `fromAnsi` converts; without it, as Windows-1252). `detected` reports the
// choice. An odd byte count in UTF-16 raises EReadError.
std::string DecodeText(const uint8_t* data, size_t size, TTextEncoding* detected = nullptr,
                       const TAnsiConverter& fromAnsi = nullptr);
// UTF-8 files are written with a BOM only when `bom`; UTF-16 always gets one.
std::string EncodeText(const std::string& utf8, TTextEncoding encoding, bool bom,
                       const TAnsiConverter& toAnsi = nullptr);

bool IsValidUTF8(const char* s, size_t n);
// Windows-1252, the fallback when no platform converter is given.
std::string Cp1252ToUTF8(const std::string& s);
std::string UTF8ToCp1252(const std::string& s);
