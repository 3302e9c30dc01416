// Checks that Wine really draws on the display: paints a pixel in a window
// and reads it back. Without a working X driver Wine silently falls back to a
// null driver, and every GUI test would fail in confusing ways.
#include <windows.h>

#include <cstdio>

static LRESULT CALLBACK ProbeProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

int main() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = reinterpret_cast<LPCWSTR>(u"TessavaneProbe");
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, u"", WS_POPUP | WS_VISIBLE, 10, 10, 40, 40,
                           nullptr, nullptr, wc.hInstance, nullptr);
  if (!h) {
    std::puts("Wine cannot create a window on this display");
    return 1;
  }
  UpdateWindow(h);
  const COLORREF want = RGB(200, 30, 60);
  COLORREF got = CLR_INVALID;
  for (int attempt = 0; attempt < 50 && got != want; ++attempt) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    HDC dc = GetDC(h);
    HBRUSH b = CreateSolidBrush(want);
    RECT r = {0, 0, 40, 40};
    FillRect(dc, &r, b);
    DeleteObject(b);
    GdiFlush();
    got = GetPixel(dc, 20, 20);
    ReleaseDC(h, dc);
    if (got != want) Sleep(50);
  }
  DestroyWindow(h);
  if (got != want) {
    char display[256] = "";
    GetEnvironmentVariableA("DISPLAY", display, sizeof display);
    std::printf("Wine cannot draw on display %s: a painted pixel read back as %08lx (is the X server running at 24-bit depth?)\n",
                display, static_cast<unsigned long>(got));
    return 1;
  }
  return 0;
}
