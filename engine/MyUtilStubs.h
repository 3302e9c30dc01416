// The few C runtime functions the media layer calls through the binding
// (string conversion, formatted printing, C file input and output), taken by
// name from the system C library.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/Binding.h"

#define TESS_MYUTIL_FUNCTIONS(X) \
  X(atoi)                        \
  X(fclose)                      \
  X(ferror)                      \
  X(fopen)                       \
  X(fprintf)                     \
  X(fread)                       \
  X(fseek)                       \
  X(ftell)                       \
  X(fwrite)                      \
  X(snprintf)                    \
  X(sscanf)                      \
  X(strcmp)                      \
  X(strncmp)                     \
  X(strtod)                      \
  X(strtok)                      \
  X(strtol)                      \
  X(vsprintf)                    \
  X(vsnprintf)

namespace ff {
TESS_MYUTIL_FUNCTIONS(TESS_FF_DECLARE)
// C++ overloads these two; the C library has one of each.
extern char* (*strchr)(const char* s, int c);
extern char* (*strrchr)(const char* s, int c);
}  // namespace ff

void BindMyUtil(const std::string& libName, TModuleHandle handle);
void UnbindMyUtil();
