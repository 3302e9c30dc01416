#include "app/input/ScreenCaptureGDI.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"
#include "skin/data/SkinData.h"

namespace {

constexpr int kLogError = 16, kLogWarning = 24, kLogDebug = 48;

void Say(TGrabLog log, void* ctx, int level, const char* format, ...) {
  if (!log) return;
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  log(ctx, level, text);
}

std::string SystemText(DWORD code) {
  char16_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::string text = n ? UTF16ToUTF8(buffer) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// Top-left of the captured source on the screen.
POINT SourceOrigin(HWND window, bool client) {
  POINT p{0, 0};
  if (!window) return p;
  if (client) {
    ClientToScreen(window, &p);
  } else {
    RECT r{};
    GetWindowRect(window, &r);
    p = POINT{r.left, r.top};
  }
  return p;
}

// Messages the flash thread posts to the frame window: all window work stays
// on the thread that owns the window, so a GUI thread that waits for the
// capture can never be waited for in turn.
constexpr UINT WM_FRAME_ADJUST = WM_APP + 0x310;
constexpr UINT WM_FRAME_FLASH = WM_APP + 0x311;
constexpr UINT WM_FRAME_RELEASE = WM_APP + 0x312;

const COLORREF kFrameColors[2] = {RGB(255, 0, 0), RGB(0, 0, 255)};
std::atomic<int> gFlashIndex{1};

class TFrameForm;

class TFlashThread : public TThread {
public:
  explicit TFlashThread(TFrameForm* owner) : FOwner(owner) {}

protected:
  void Execute() override;

private:
  TFrameForm* FOwner;
};

// A two-pixel ring just outside the captured rectangle, on top of all
// windows; it never becomes part of the capture.
class TFrameForm : public TForm {
public:
  explicit TFrameForm(const Twin32_grab* s)
      : TForm(nullptr),
        FWindow(static_cast<HWND>(s->window_handle)),
        FClient(s->client != 0),
        FXOff(s->x_off),
        FYOff(s->y_off),
        FWidth(s->width),
        FHeight(s->height) {
    const POINT p = Position();
    SetBounds(p.x, p.y, FWidth + 2 * FBorder, FHeight + 2 * FBorder);
    HWND h = Handle();
    HRGN outer = CreateRectRgn(0, 0, FWidth + 2 * FBorder, FHeight + 2 * FBorder);
    HRGN inner = CreateRectRgn(FBorder, FBorder, FBorder + FWidth, FBorder + FHeight);
    CombineRgn(outer, outer, inner, RGN_DIFF);
    DeleteObject(inner);
    SetWindowRgn(h, outer, FALSE);  // the window owns the region now
    ShowWindow(h, SW_SHOWNOACTIVATE);
    FThread = new TFlashThread(this);
    FThread->Start();
  }
  ~TFrameForm() override { StopThread(); }

  void StopThread() {
    if (!FThread) return;
    FThread->Terminate();
    FThread->WaitFor();
    delete FThread;
    FThread = nullptr;
  }

  POINT Position() const {
    POINT p = SourceOrigin(FWindow, FClient);
    p.x += FXOff - FBorder;
    p.y += FYOff - FBorder;
    return p;
  }

  void AdjustPosition() {
    if (FLock) return;
    FLock = true;
    const POINT p = Position();
    HWND h = Handle();
    RECT r{};
    GetWindowRect(h, &r);
    if (r.left == p.x && r.top == p.y)
      SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    else
      SetWindowPos(h, HWND_TOPMOST, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    FLock = false;
  }

  void Flash() {
    if (FStarted) {
      const int i = gFlashIndex.load();
      FColor = kFrameColors[i];
      gFlashIndex = 1 - i;
      InvalidateRect(Handle(), nullptr, TRUE);
    }
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }

  COLORREF CurrentColor() const { return FColor; }
  std::atomic<bool> FStarted{false};

  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        RECT r{};
        GetClientRect(Handle(), &r);
        HBRUSH b = CreateSolidBrush(FColor);
        FillRect(dc, &r, b);
        DeleteObject(b);
        m.Result = 1;
        return;
      }
      case WM_MOUSEACTIVATE:
        m.Result = MA_NOACTIVATE;
        return;
      case WM_CHANGESKINDATA:
        // Not skinned itself, but it stands on top of windows that take a
        // new look now: it paints its ring again over them.
        InvalidateRect(Handle(), nullptr, TRUE);
        TForm::WndProc(m);
        return;
      case WM_FRAME_ADJUST:
        AdjustPosition();
        return;
      case WM_FRAME_FLASH:
        Flash();
        return;
      case WM_FRAME_RELEASE:
        StopThread();
        delete this;
        return;
      default:
        TForm::WndProc(m);
    }
  }

  static constexpr int FBorder = 2;

protected:
  const char16_t* WindowClassName() const override { return u"TessCaptureFrame"; }
  void CreateParams(TCreateParams& p) override {
    TForm::CreateParams(p);
    p.Style = WS_POPUP | WS_CLIPSIBLINGS;
    p.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    p.WndParent = GetDesktopWindow();
  }

private:
  HWND FWindow;
  bool FClient;
  int FXOff, FYOff, FWidth, FHeight;
  TFlashThread* FThread = nullptr;
  bool FLock = false;
  COLORREF FColor = kFrameColors[0];
};

void TFlashThread::Execute() {
  HWND h = FOwner->Handle();
  int pass = 0;
  while (!Terminated()) {
    if (pass == 49) {
      PostMessageW(h, WM_FRAME_FLASH, 0, 0);
      pass = 0;
    } else {
      ++pass;
    }
    PostMessageW(h, WM_FRAME_ADJUST, 0, 0);
    Sleep(10);
  }
}

}  // namespace

bool GrabFindWindowByTitle(const char* title, void*& window) {
  const std::u16string wtitle = UTF8ToUTF16(title ? title : "");
  window = FindWindowW(nullptr, reinterpret_cast<LPCWSTR>(wtitle.c_str()));
  return window != nullptr;
}

void GrabCloseSource(Twin32_grab* s) {
  HWND window = static_cast<HWND>(s->window_handle);
  if (s->window_hdc) DeleteDC(static_cast<HDC>(s->window_hdc));
  if (s->hbmp) DeleteObject(static_cast<HBITMAP>(s->hbmp));
  if (s->source_hdc) ReleaseDC(window, static_cast<HDC>(s->source_hdc));
  s->window_hdc = s->hbmp = s->source_hdc = nullptr;
}

int GrabOpenSource(Twin32_grab* s, TGrabLog log, void* ctx) {
  HWND window = static_cast<HWND>(s->window_handle);
  HDC source = s->client ? GetDC(window) : GetWindowDC(window);
  if (!source) {
    Say(log, ctx, kLogError, "Couldn't get window DC (error %li)\n", static_cast<long>(GetLastError()));
    return -EIO;
  }
  s->source_hdc = source;
  const int screenW = GetDeviceCaps(source, HORZRES), screenH = GetDeviceCaps(source, VERTRES);
  int w = screenW, h = screenH;
  if (window) {
    RECT r{};
    if (s->client)
      GetClientRect(window, &r);
    else
      GetWindowRect(window, &r);
    w = r.right - r.left;
    h = r.bottom - r.top;
  }
  if (s->width > 0) w = s->width;
  if (s->height > 0) h = s->height;
  if (s->x_off + w > screenW) w = screenW - s->x_off;
  if (s->y_off + h > screenH) h = screenH - s->y_off;
  s->width = w;
  s->height = h;
  s->bpp = GetDeviceCaps(source, BITSPIXEL);
  // A rectangle that lies off the screen has nothing to grab either.
  if (w <= 0 || h <= 0 || s->bpp % 8 != 0) {
    Say(log, ctx, kLogError, "Invalid properties, aborting\n");
    GrabCloseSource(s);
    return -EIO;
  }
  HDC memory = CreateCompatibleDC(source);
  if (!memory) {
    Say(log, ctx, kLogError, "Screen DC CreateCompatibleDC (error %li)\n", static_cast<long>(GetLastError()));
    GrabCloseSource(s);
    return -EIO;
  }
  s->window_hdc = memory;
  HBITMAP bmp = CreateCompatibleBitmap(source, w, h);
  if (!bmp) {
    Say(log, ctx, kLogError, "Screen DC CreateCompatibleBitmap (error %li)\n", static_cast<long>(GetLastError()));
    GrabCloseSource(s);
    return -EIO;
  }
  s->hbmp = bmp;
  BITMAP bm{};
  SetLastError(0);
  if (GetObjectW(bmp, sizeof bm, &bm)) {
    Say(log, ctx, kLogDebug, "Using Bitmap type %li, size %lix%lix%i, %i planes of width %li bytes\n",
        static_cast<long>(bm.bmType), static_cast<long>(bm.bmWidth), static_cast<long>(bm.bmHeight),
        bm.bmBitsPixel, bm.bmPlanes, static_cast<long>(bm.bmWidthBytes));
  } else if (const DWORD code = GetLastError()) {
    Say(log, ctx, kLogError, "GetObject (error %li: %s)\n", static_cast<long>(code), SystemText(code).c_str());
    GrabCloseSource(s);
    return -EIO;
  } else {
    bm.bmType = 0;
    bm.bmWidth = w;
    bm.bmHeight = h;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(s->bpp);
    bm.bmWidthBytes = w * s->bpp / 8;
    Say(log, ctx, kLogWarning,
        "GetObject failed. Force Bitmap type %li, size %lix%lix%i, %i planes of width %li bytes\n",
        static_cast<long>(bm.bmType), static_cast<long>(bm.bmWidth), static_cast<long>(bm.bmHeight),
        bm.bmBitsPixel, bm.bmPlanes, static_cast<long>(bm.bmWidthBytes));
  }
  if (!SelectObject(memory, bmp)) {
    Say(log, ctx, kLogError, "SelectObject (error %li)\n", static_cast<long>(GetLastError()));
    GrabCloseSource(s);
    return -EIO;
  }
  s->size = bm.bmWidthBytes * bm.bmHeight * bm.bmPlanes;
  return 0;
}

int GrabFrame(Twin32_grab* s, uint8_t* dst, TGrabLog log, void* ctx) {
  HDC memory = static_cast<HDC>(s->window_hdc);
  if (!BitBlt(memory, 0, 0, s->width, s->height, static_cast<HDC>(s->source_hdc), s->x_off, s->y_off, SRCCOPY)) {
    Say(log, ctx, kLogError, "Failed to capture image (error %li)\n", static_cast<long>(GetLastError()));
    return -1;
  }
  if (s->cursor) {
    // The pointer is a nicety: after its first failure frames come without it.
    CURSORINFO ci{};
    ci.cbSize = sizeof ci;
    if (!GetCursorInfo(&ci)) {
      Say(log, ctx, kLogError, "Couldn't get cursor info: error %li\n", static_cast<long>(GetLastError()));
      s->cursor = 0;
    } else if (ci.flags & CURSOR_SHOWING) {
      HICON icon = CopyIcon(ci.hCursor);
      ICONINFO info{};
      if (!icon) {
        Say(log, ctx, kLogError, "Couldn't copy icon: error %li\n", static_cast<long>(GetLastError()));
        s->cursor = 0;
      } else if (!GetIconInfo(icon, &info)) {
        Say(log, ctx, kLogError, "Couldn't get icon info: error %li\n", static_cast<long>(GetLastError()));
        s->cursor = 0;
      } else {
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        const POINT origin = SourceOrigin(static_cast<HWND>(s->window_handle), s->client != 0);
        const int x = ci.ptScreenPos.x - static_cast<int>(info.xHotspot) - origin.x - s->x_off;
        const int y = ci.ptScreenPos.y - static_cast<int>(info.yHotspot) - origin.y - s->y_off;
        if (!DrawIconEx(memory, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL)) {
          Say(log, ctx, kLogError, "Couldn't draw icon: error %li\n", static_cast<long>(GetLastError()));
          s->cursor = 0;
        }
      }
      if (icon) DestroyIcon(icon);
    }
  }
  if (!GetBitmapBits(static_cast<HBITMAP>(s->hbmp), s->size, dst)) {
    Say(log, ctx, kLogError, "GetBitmapBits failed (error %li)\n", static_cast<long>(GetLastError()));
    return -1;
  }
  return 0;
}

void* GrabShowFrame(const Twin32_grab* s) { return new TFrameForm(s); }

void GrabFrameStarted(void* frame) {
  if (frame) static_cast<TFrameForm*>(frame)->FStarted = true;
}

void GrabReleaseFrame(void* frame) {
  if (!frame) return;
  auto* form = static_cast<TFrameForm*>(frame);
  // The flash thread only posts, so it can be stopped from any thread; the
  // window itself goes on the thread that made it.
  form->StopThread();
  PostMessageW(form->HandleIfAllocated(), WM_FRAME_RELEASE, 0, 0);
}

void GrabSleep(int ms) { Sleep(static_cast<DWORD>(ms)); }
