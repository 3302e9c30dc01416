// Our text is UTF-16 in char16_t strings. The Win32 wide calls take WCHAR,
// which is char16_t in the winelib build and a 16-bit wchar_t under MinGW:
// the same code units under another type name. W() hands our text to a
// Win32 call, U() takes the system's back.
#pragma once

#include <windows.h>

#include <string>

static_assert(sizeof(WCHAR) == sizeof(char16_t), "Win32 wide text is not UTF-16");

inline const WCHAR* W(const char16_t* s) { return reinterpret_cast<const WCHAR*>(s); }
inline WCHAR* W(char16_t* s) { return reinterpret_cast<WCHAR*>(s); }
inline const WCHAR* W(const std::u16string& s) { return W(s.c_str()); }

inline const char16_t* U(const WCHAR* s) { return reinterpret_cast<const char16_t*>(s); }
inline char16_t* U(WCHAR* s) { return reinterpret_cast<char16_t*>(s); }
