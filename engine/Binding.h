// Shared shape of the binding units: every function of a media library is
// reached through a pointer of the same name in namespace ff, filled by name
// when the library is loaded and cleared when it is unloaded. The pointers
// take their types from the installed headers, so a signature cannot drift.
#pragma once

#include <string>

using TModuleHandle = void*;

#define TESS_FF_DECLARE(name) extern decltype(&::name) name;
#define TESS_FF_DEFINE(name) decltype(&::name) name = nullptr;
#define TESS_FF_BIND(name) ::LoadFunction(libName, handle, #name, false, ff::name);
#define TESS_FF_UNBIND(name) ff::name = nullptr;
