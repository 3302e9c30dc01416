// Opening a 20-item skinned popup menu until it is shown and painted,
// against creating, showing and painting a plain popup window of the same
// size; and the repaint after a Down key against one blit of the window.
// Prints the medians and their ratio; run it under the Wine session:
//   tools/wine-session --private-display tools/wine-exec build/bin/menus_bench.exe.so
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "skin/frame/SkinMenus.h"

namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

void Report(const char* what, double ours, double reference) {
  std::printf("%-36s ours %8.3f ms  reference %8.3f ms  ratio %6.2fx\n", what, ours, reference, ours / reference);
}

}  // namespace

int main() {
  TApplication app;
  TForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  form.Show();
  app.ProcessMessages();
  TspSkinMenu menu(&form, &form);
  TPopupMenu popup(nullptr);
  for (int i = 0; i < 20; ++i) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption("Menu item number " + std::to_string(i));
    popup.Items()->Add(item);
  }
  const TRect at{200, 100, 200, 100};
  menu.Popup(nullptr, nullptr, 0, at, popup.Items(), false);
  const int w = menu.LastWindow()->Width(), h = menu.LastWindow()->Height();
  menu.Hide();
  app.ProcessMessages();

  double open = MedianMs(31, [&] {
    menu.Popup(nullptr, nullptr, 0, at, popup.Items(), false);
    UpdateWindow(menu.LastWindow()->Handle());
    menu.Hide();
    app.ProcessMessages();
  });

  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = u"MenusBenchPlain";
  RegisterClassW(&wc);
  double plain = MedianMs(31, [&] {
    HWND p = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"MenusBenchPlain", u"", WS_POPUP, 200, 100, w, h,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(p, SW_SHOWNOACTIVATE);
    UpdateWindow(p);
    DestroyWindow(p);
    app.ProcessMessages();
  });
  Report("open 20 items, shown and painted", open, plain);

  menu.Popup(nullptr, nullptr, 0, at, popup.Items(), false);
  TspSkinPopupWindow* window = menu.LastWindow();
  HDC screen = GetDC(window->Handle());
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  double key = MedianMs(101, [&] {
    window->PopupKeyDown(VK_DOWN);
    GdiFlush();
  });
  double blit = MedianMs(101, [&] {
    BitBlt(screen, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    GdiFlush();
  });
  Report("Down key repaint", key, blit);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(window->Handle(), screen);
  menu.Hide();
  app.ProcessMessages();
  return 0;
}
