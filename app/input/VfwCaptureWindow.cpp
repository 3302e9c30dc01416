// The capture window of the webcam input. With drivers set by the program
// (SetVfwDrivers) it is a window of our own that answers the capture
// messages through those drivers; otherwise it is the system capture
// library's window over the system's drivers.
#include <windows.h>
#include <vfw.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/input/VfwCapture.h"
#include "framework/SysUtils.h"

static_assert(sizeof(TVfwBitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "bitmap header");
static_assert(sizeof(TVfwCaptureParms) == sizeof(CAPTUREPARMS), "capture parameters");
static_assert(kWmCapDriverConnect == WM_CAP_DRIVER_CONNECT && kWmCapSequenceNoFile == WM_CAP_SEQUENCE_NOFILE &&
                  kWmCapGetSequenceSetup == WM_CAP_GET_SEQUENCE_SETUP &&
                  kWmCapSetCallbackVideoStream == WM_CAP_SET_CALLBACK_VIDEOSTREAM &&
                  kWmCapSetUserData == WM_CAP_SET_USER_DATA && kWmCapGetVideoFormat == WM_CAP_GET_VIDEOFORMAT,
              "the capture library's message numbers");

namespace {

std::mutex gLock;
std::vector<TVfwDriver*> gDrivers;
struct TStreamTarget {
  TVfwStreamCallback Callback = nullptr;
  void* UserData = nullptr;
};
std::map<HWND, TStreamTarget> gTargets;

std::vector<TVfwDriver*> Drivers() {
  std::lock_guard<std::mutex> lock(gLock);
  return gDrivers;
}

TStreamTarget TargetOf(HWND h) {
  std::lock_guard<std::mutex> lock(gLock);
  auto it = gTargets.find(h);
  return it == gTargets.end() ? TStreamTarget{} : it->second;
}

LRESULT CALLBACK StreamThunk(HWND h, LPVIDEOHDR header) {
  const TStreamTarget target = TargetOf(h);
  if (!target.Callback || !header) return 0;
  const TVfwFrame frame{header->lpData, header->dwBytesUsed, header->dwTimeCaptured};
  return target.Callback(h, target.UserData, frame);
}

// The system capture library, bound on first use: a machine without it has
// no drivers.
struct TAviCap {
  using TDescribe = BOOL(VFWAPI*)(UINT, LPWSTR, INT, LPWSTR, INT);
  using TCreate = HWND(VFWAPI*)(LPCWSTR, DWORD, INT, INT, INT, INT, HWND, INT);
  TDescribe Describe = nullptr;
  TCreate Create = nullptr;
  TAviCap() {
    if (HMODULE m = LoadLibraryW(reinterpret_cast<LPCWSTR>(u"avicap32.dll"))) {
      Describe = reinterpret_cast<TDescribe>(GetProcAddress(m, "capGetDriverDescriptionW"));
      Create = reinterpret_cast<TCreate>(GetProcAddress(m, "capCreateCaptureWindowW"));
    }
  }
};
TAviCap& AviCap() {
  static TAviCap a;
  return a;
}

// Our own capture window over a program driver.
constexpr const char16_t* kWindowClass = u"TessCaptureWindow";

struct TCapWindow {
  TVfwDriver* Driver = nullptr;
  LRESULT(CALLBACK* Stream)(HWND, LPVIDEOHDR) = nullptr;
  LONG_PTR UserData = 0;
  TVfwCaptureParms Parms{};
  bool Capturing = false;
};

TVfwCaptureParms DefaultParms() {
  TVfwCaptureParms p{};
  p.dwRequestMicroSecPerFrame = 66667;
  p.wPercentDropForError = 10;
  p.wNumVideoRequested = 5;
  p.fCaptureAudio = 1;
  p.vKeyAbort = VK_ESCAPE;
  p.fAbortLeftMouse = 1;
  p.fAbortRightMouse = 1;
  p.wChunkGranularity = 0;
  p.dwAudioBufferSize = 0;
  return p;
}

void StopCapture(TCapWindow* w) {
  if (w->Capturing && w->Driver) w->Driver->StopCapture();
  w->Capturing = false;
}

LRESULT CALLBACK CapWindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  auto* w = reinterpret_cast<TCapWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (m == WM_NCCREATE) {
    w = new TCapWindow;
    w->Parms = DefaultParms();
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
    return DefWindowProcW(h, m, wp, lp);
  }
  if (!w) return DefWindowProcW(h, m, wp, lp);
  switch (m) {
    case WM_CAP_DRIVER_CONNECT: {
      const std::vector<TVfwDriver*> drivers = Drivers();
      if (wp >= drivers.size()) return FALSE;
      if (w->Driver) return w->Driver == drivers[wp];
      if (!drivers[wp]->Connect()) return FALSE;
      w->Driver = drivers[wp];
      return TRUE;
    }
    case WM_CAP_DRIVER_DISCONNECT:
      if (!w->Driver) return FALSE;
      StopCapture(w);
      w->Driver->Disconnect();
      w->Driver = nullptr;
      return TRUE;
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
      w->Stream = reinterpret_cast<LRESULT(CALLBACK*)(HWND, LPVIDEOHDR)>(lp);
      return TRUE;
    case WM_CAP_SET_USER_DATA:
      w->UserData = lp;
      return TRUE;
    case WM_CAP_GET_USER_DATA:
      return w->UserData;
    case WM_CAP_SET_OVERLAY:
    case WM_CAP_SET_PREVIEW:
      return w->Driver ? TRUE : FALSE;
    case WM_CAP_GET_VIDEOFORMAT: {
      if (!w->Driver) return 0;
      const TVfwBitmapInfoHeader f = w->Driver->VideoFormat();
      if (wp == 0 || lp == 0) return sizeof f;
      const size_t n = std::min<size_t>(wp, sizeof f);
      std::memcpy(reinterpret_cast<void*>(lp), &f, n);
      return static_cast<LRESULT>(n);
    }
    case WM_CAP_SET_VIDEOFORMAT:
      if (!w->Driver || lp == 0 || wp < sizeof(TVfwBitmapInfoHeader)) return FALSE;
      return w->Driver->SetVideoFormat(*reinterpret_cast<const TVfwBitmapInfoHeader*>(lp)) ? TRUE : FALSE;
    case WM_CAP_GET_SEQUENCE_SETUP:
      if (!w->Driver || lp == 0) return FALSE;
      std::memcpy(reinterpret_cast<void*>(lp), &w->Parms, std::min<size_t>(wp, sizeof w->Parms));
      return TRUE;
    case WM_CAP_SET_SEQUENCE_SETUP:
      if (!w->Driver || lp == 0) return FALSE;
      std::memcpy(&w->Parms, reinterpret_cast<const void*>(lp), std::min<size_t>(wp, sizeof w->Parms));
      return TRUE;
    case WM_CAP_SEQUENCE_NOFILE: {
      if (!w->Driver || w->Capturing) return FALSE;
      auto stream = w->Stream;
      const bool ok = w->Driver->StartCapture(w->Parms.dwRequestMicroSecPerFrame, w->Parms.fYield != 0,
                                              [h, stream](const TVfwFrame& f) {
                                                if (!stream) return;
                                                VIDEOHDR v{};
                                                v.lpData = const_cast<LPBYTE>(f.Data);
                                                v.dwBufferLength = f.BytesUsed;
                                                v.dwBytesUsed = f.BytesUsed;
                                                v.dwTimeCaptured = f.TimeCaptured;
                                                v.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
                                                stream(h, &v);
                                              });
      w->Capturing = ok;
      return ok ? TRUE : FALSE;
    }
    case WM_DESTROY:
      if (w->Driver) {
        StopCapture(w);
        w->Driver->Disconnect();
        w->Driver = nullptr;
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(h, GWLP_USERDATA, 0);
      delete w;
      return DefWindowProcW(h, m, wp, lp);
    default:
      break;
  }
  return DefWindowProcW(h, m, wp, lp);
}

}  // namespace

void SetVfwDrivers(const std::vector<TVfwDriver*>& drivers) {
  std::lock_guard<std::mutex> lock(gLock);
  gDrivers = drivers;
}

bool VfwDriverDescription(int index, std::string& name, std::string& version) {
  const std::vector<TVfwDriver*> drivers = Drivers();
  if (!drivers.empty()) {
    if (index < 0 || static_cast<size_t>(index) >= drivers.size()) return false;
    name = drivers[index]->Name().substr(0, 80);
    version = drivers[index]->Version().substr(0, 80);
    return true;
  }
  if (!AviCap().Describe) return false;
  WCHAR n[81]{}, v[81]{};
  if (!AviCap().Describe(static_cast<UINT>(index), n, 81, v, 81)) return false;
  name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(n));
  version = UTF16ToUTF8(reinterpret_cast<const char16_t*>(v));
  return true;
}

void* VfwCreateCaptureWindow() {
  if (Drivers().empty()) {
    if (!AviCap().Create) return nullptr;
    return AviCap().Create(reinterpret_cast<LPCWSTR>(u""), 0, 0, 0, 0, 0, HWND_MESSAGE, 0);
  }
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CapWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = reinterpret_cast<LPCWSTR>(kWindowClass);
    registered = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(kWindowClass), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

void VfwDestroyCaptureWindow(void* window) {
  if (window) DestroyWindow(static_cast<HWND>(window));
}

intptr_t VfwSend(void* window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  return SendMessageW(static_cast<HWND>(window), message, wparam, lparam);
}

bool VfwSetStreamCallback(void* window, TVfwStreamCallback callback) {
  HWND h = static_cast<HWND>(window);
  {
    std::lock_guard<std::mutex> lock(gLock);
    if (callback)
      gTargets[h].Callback = callback;
    else
      gTargets.erase(h);
  }
  const LPARAM thunk = callback ? reinterpret_cast<LPARAM>(&StreamThunk) : 0;
  return SendMessageW(h, WM_CAP_SET_CALLBACK_VIDEOSTREAM, 0, thunk) != FALSE;
}

void VfwSetUserData(void* window, void* data) {
  HWND h = static_cast<HWND>(window);
  {
    std::lock_guard<std::mutex> lock(gLock);
    gTargets[h].UserData = data;
  }
  SendMessageW(h, WM_CAP_SET_USER_DATA, 0, reinterpret_cast<LPARAM>(data));
}
