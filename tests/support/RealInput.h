// Input the way a user gives it: keys and pointer moves through the system's
// input queue, delivered by the message loop to the focused window, and
// what the screen then shows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Forms.h"
#include "framework/PngImage.h"
#include "framework/SysUtils.h"
#include "support/Dib.h"

namespace real_input {

// Runs the message loop until `done` holds or `ms` have passed.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000) {
  DWORD start = GetTickCount();
  for (;;) {
    Application->ProcessMessages();
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

// Presses and releases one key.
inline void Press(WORD vk) {
  Key(vk, false);
  Key(vk, true);
}

// Types text of letters, digits, spaces and the characters that lie on
// the plain or shifted keys of an English keyboard.
inline void TypeText(const std::string& text) {
  for (char ch : text) {
    SHORT k = VkKeyScanW(static_cast<WCHAR>(static_cast<unsigned char>(ch)));
    if (k == -1) continue;
    bool shift = (k & 0x100) != 0;
    if (shift) Key(VK_SHIFT, false);
    Press(static_cast<WORD>(k & 0xFF));
    if (shift) Key(VK_SHIFT, true);
  }
}

// Brings the window forward so that the keys reach it.
inline bool Activate(HWND top) {
  SetForegroundWindow(top);
  SetActiveWindow(top);
  return PumpUntil([&] { return GetForegroundWindow() == top; }, 2000);
}

// The colour the screen shows at a point of a window's client area.
inline COLORREF ScreenPixel(HWND h, int x, int y) {
  POINT p{x, y};
  ClientToScreen(h, &p);
  HDC dc = GetDC(nullptr);
  COLORREF c = GetPixel(dc, p.x, p.y);
  ReleaseDC(nullptr, dc);
  return c;
}

// Keeps what the screen shows of a window as a PNG in the artifacts folder
// beside the test programs, for people to look at.
inline void SaveShot(HWND h, const std::string& name) {
  RECT r;
  GetWindowRect(h, &r);
  int w = r.right - r.left, ht = r.bottom - r.top;
  if (w <= 0 || ht <= 0) return;
  Dib shot(w, ht);
  shot.FromScreen(r.left, r.top);
  TPngImage png;
  png.CreateBlank(false, w, ht);
  for (int y = 0; y < ht; ++y)
    for (int x = 0; x < w; ++x) png.SetPixel(x, y, static_cast<TColor>(shot.At(x, y)));
  const std::string folder = ExeFolder() + "artifacts";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder).c_str()), nullptr);
  png.SaveToFile(folder + "\\" + name);
}

}  // namespace real_input
