// The GDI objects and USER objects (windows and menus) this process holds.
// GetGuiResources answers with them where the system keeps the counts; under
// Wine it is a stub that answers 0, and then the handle tables are walked:
// every value of the 16-bit handle range that names a live object of this
// process counts once
// (Wine takes a handle's low word for its object, whatever its generation).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct TGuiHandles {
  int Gdi = 0, User = 0;
  friend bool operator==(const TGuiHandles& a, const TGuiHandles& b) { return a.Gdi == b.Gdi && a.User == b.User; }
  std::string Str() const { return "GDI " + std::to_string(Gdi) + ", USER " + std::to_string(User); }
};

inline TGuiHandles CountGuiHandles() {
  TGuiHandles n;
  n.Gdi = int(GetGuiResources(GetCurrentProcess(), 0 /* GR_GDIOBJECTS */));
  n.User = int(GetGuiResources(GetCurrentProcess(), 1 /* GR_USEROBJECTS */));
  if (n.Gdi > 0 && n.User > 0) return n;
  n = TGuiHandles{};
  const DWORD self = GetCurrentProcessId();
  for (uintptr_t v = 1; v < 0x10000; ++v) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(v)) != 0) ++n.Gdi;
    // Window handles are shared by every program of the session: only ours count.
    const HWND w = reinterpret_cast<HWND>(v);
    DWORD pid = 0;
    if (IsWindow(w) && GetWindowThreadProcessId(w, &pid) && pid == self) ++n.User;
    if (IsMenu(reinterpret_cast<HMENU>(v))) ++n.User;
  }
  return n;
}
