#include "framework/HostPicture.h"

#include <windows.h>

#include <map>

#include "framework/WideText.h"

namespace {

// The host windows with a picture (recursive: painting sends messages to the
// same procedure); the window procedure looks its picture
// up here so that a picture going away never leaves a dangling pointer.
std::recursive_mutex& HostsLock() {
  static std::recursive_mutex m;
  return m;
}
std::map<HWND, THostPicture*>& Hosts() {
  static std::map<HWND, THostPicture*> hosts;
  return hosts;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC old = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(HostsLock());
    auto it = Hosts().find(hwnd);
    if (it != Hosts().end()) {
      THostPicture* pic = it->second;
      old = reinterpret_cast<WNDPROC>(pic->OldProc());
      switch (msg) {
        case WM_ERASEBKGND:
          return 1;  // the picture covers the whole client area
        case WM_PAINT:
          pic->Paint();
          return 0;
        case WM_SIZE:
          pic->Resized(LOWORD(lp), HIWORD(lp));
          break;
        default:
          break;
      }
      if (pic->HijackWndProc) {
        switch (msg) {
          case WM_CLOSE:
            return 0;  // the host lives as long as its owner wants, not until a close request
          case WM_SETCURSOR:
            if (pic->HijackCursor && LOWORD(lp) == HTCLIENT) {
              SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
              return TRUE;
            }
            break;
          case WM_LBUTTONDOWN:
          case WM_LBUTTONUP:
          case WM_RBUTTONDOWN:
          case WM_RBUTTONUP:
          case WM_MBUTTONDOWN:
          case WM_MBUTTONUP:
            // Keys pressed after a click into the picture go to the host.
            if (GetFocus() != hwnd) SetFocus(hwnd);
            break;
          default:
            break;
        }
      }
    }
  }
  if (!old) return DefWindowProcW(hwnd, msg, wp, lp);
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}

void Blit(HDC dc, const uint32_t* pixels, int width, int height, int x, int y, int w, int h) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  // With top-down rows the start line counts from the top as well.
  SetDIBitsToDevice(dc, x, y, w, h, x, y, 0, height, pixels, &bi, DIB_RGB_COLORS);
}

}  // namespace

THostPicture::THostPicture(intptr_t AHandle) : FHandle(AHandle) {
  HWND hwnd = reinterpret_cast<HWND>(AHandle);
  if (!IsWindow(hwnd)) return;
  // Drawing must never cover the host's own child controls.
  SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_CLIPCHILDREN);
  int w = 0, h = 0;
  ClientSize(w, h);
  SetSize(w, h);
  std::lock_guard<std::recursive_mutex> lock(HostsLock());
  if (Hosts().count(hwnd)) return;  // another picture already serves this host
  FOldProc = SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostProc));
  Hosts()[hwnd] = this;
}

THostPicture::~THostPicture() {
  HWND hwnd = reinterpret_cast<HWND>(FHandle);
  std::lock_guard<std::recursive_mutex> lock(HostsLock());
  auto it = Hosts().find(hwnd);
  if (it == Hosts().end() || it->second != this) return;
  Hosts().erase(it);
  if (IsWindow(hwnd) && GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(HostProc))
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, FOldProc);
  if (IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

void THostPicture::UpdatePosition(intptr_t AHandle) {
  HWND hwnd = reinterpret_cast<HWND>(AHandle);
  std::lock_guard<std::recursive_mutex> lock(HostsLock());
  auto it = Hosts().find(hwnd);
  if (it == Hosts().end()) return;
  THostPicture* pic = it->second;
  int w = 0, h = 0;
  if (!pic->ClientSize(w, h)) return;
  if (w != pic->FWidth || h != pic->FHeight) pic->Resized(w, h);
}

namespace {

BOOL CALLBACK FindFolderView(HWND top, LPARAM lp) {
  if (!IsWindowVisible(top)) return TRUE;
  HWND view = FindWindowExW(top, nullptr, W(u"SHELLDLL_DefView"), nullptr);
  if (!view) return TRUE;
  HWND list = FindWindowExW(view, nullptr, W(u"SysListView32"), W(u"FolderView"));
  if (!list) return TRUE;
  *reinterpret_cast<HWND*>(lp) = list;
  return FALSE;
}

}  // namespace

intptr_t FindShellFolderView() {
  HWND found = nullptr;
  EnumWindows(FindFolderView, reinterpret_cast<LPARAM>(&found));
  return reinterpret_cast<intptr_t>(found);
}

intptr_t FindDesktopListView() {
  if (HWND progman = FindWindowW(W(u"ProgMan"), nullptr))
    if (HWND child = GetWindow(progman, GW_CHILD))
      if (HWND grandchild = GetWindow(child, GW_CHILD)) return reinterpret_cast<intptr_t>(grandchild);
  return FindShellFolderView();
}

bool THostPicture::ClientSize(int& AWidth, int& AHeight) const { return WindowClientSize(FHandle, AWidth, AHeight); }

bool THostPicture::WindowClientSize(intptr_t AHandle, int& AWidth, int& AHeight) {
  RECT r{};
  if (!GetClientRect(reinterpret_cast<HWND>(AHandle), &r)) return false;
  AWidth = r.right - r.left;
  AHeight = r.bottom - r.top;
  return true;
}

void THostPicture::SetSize(int AWidth, int AHeight) {
  FWidth = AWidth > 0 ? AWidth : 0;
  FHeight = AHeight > 0 ? AHeight : 0;
  FPixels.assign(static_cast<size_t>(FWidth) * FHeight, 0);
}

void THostPicture::Show(int x, int y, int w, int h) {
  std::lock_guard<std::mutex> lock(FLock);
  if (x < 0) w += x, x = 0;
  if (y < 0) h += y, y = 0;
  if (x + w > FWidth) w = FWidth - x;
  if (y + h > FHeight) h = FHeight - y;
  if (w <= 0 || h <= 0 || FPixels.empty()) return;
  HWND hwnd = reinterpret_cast<HWND>(FHandle);
  HDC dc = GetDCEx(hwnd, nullptr, DCX_CACHE | DCX_CLIPCHILDREN | DCX_CLIPSIBLINGS);
  if (!dc) return;
  Blit(dc, FPixels.data(), FWidth, FHeight, x, y, w, h);
  ReleaseDC(hwnd, dc);
}

void THostPicture::Paint() {
  HWND hwnd = reinterpret_cast<HWND>(FHandle);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  // The drawing thread may be waiting for this thread inside GDI while it
  // holds the picture: never block on it here.
  std::unique_lock<std::mutex> lock(FLock, std::try_to_lock);
  if (!lock.owns_lock()) {
    EndPaint(hwnd, &ps);
    if (OnExpose) OnExpose();
    return;
  }
  {
    RECT r{};
    GetClientRect(hwnd, &r);
    if (!FPixels.empty()) Blit(dc, FPixels.data(), FWidth, FHeight, 0, 0, FWidth, FHeight);
    // Parts of the client area the picture does not reach yet stay black.
    if (r.right > FWidth || r.bottom > FHeight) {
      HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      RECT right{FWidth, 0, r.right, r.bottom}, below{0, FHeight, FWidth, r.bottom};
      FillRect(dc, &right, black);
      FillRect(dc, &below, black);
    }
  }
  EndPaint(hwnd, &ps);
}

void THostPicture::Resized(int AWidth, int AHeight) {
  if (OnResize) OnResize(AWidth, AHeight);
}
