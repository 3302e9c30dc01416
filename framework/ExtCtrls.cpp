#include "framework/ExtCtrls.h"

#include <windows.h>

#include <atomic>
#include <unordered_map>

#include "framework/WideText.h"

namespace {

std::atomic<int> gLiveTimers{0};
uintptr_t gNextId = 1;
HWND gTimerWindow = nullptr;
// Armed timers by window-timer id. A WM_TIMER whose id is no longer here
// belongs to a timer that was stopped or freed meanwhile and is dropped.
std::unordered_map<uintptr_t, TTimer*> gTimers;

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) {
    auto it = gTimers.find(static_cast<uintptr_t>(wParam));
    if (it == gTimers.end()) {
      KillTimer(hwnd, wParam);
      return 0;
    }
    TTimer* timer = it->second;
    RunGuarded([timer] { timer->Timer(); });
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND TimerWindow() {
  if (gTimerWindow) return gTimerWindow;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = TimerWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = W(u"TessTimerWindow");
  RegisterClassW(&wc);
  gTimerWindow = CreateWindowExW(0, wc.lpszClassName, W(u""), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
  if (!gTimerWindow) throw Exception("Cannot create the timer window");
  return gTimerWindow;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  ++gLiveTimers;
  UpdateTimer();
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
  --gLiveTimers;
}

int TTimer::LiveCount() { return gLiveTimers.load(); }

void TTimer::SetInterval(unsigned interval) {
  if (interval == FInterval) return;
  FInterval = interval;
  UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (FId) {
    KillTimer(gTimerWindow, FId);
    gTimers.erase(FId);
    FId = 0;
  }
  if (!FEnabled || FInterval == 0) return;
  // A fresh id each time, so a WM_TIMER already queued for the old one
  // cannot fire the re-armed timer early.
  HWND window = TimerWindow();
  uintptr_t id = gNextId++;
  if (!SetTimer(window, id, FInterval, nullptr)) throw Exception("Not enough timers available");
  FId = id;
  gTimers[id] = this;
}

void TTimer::Timer() {
  // The handler may free this timer: nothing may touch it afterwards.
  if (FEnabled && OnTimer) {
    TNotifyEvent handler = OnTimer;
    handler(this);
  }
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(new TPicture) {}

TImage::~TImage() = default;

void TImage::Paint() {
  TGraphic* g = FPicture->Graphic();
  if (!g || g->Empty()) return;
  TCanvas canvas;
  canvas.SetHandle(PaintDC());
  g->SetTransparent(Transparent);
  const TRect r = Stretch ? TRect{0, 0, Width(), Height()} : TRect{0, 0, g->Width(), g->Height()};
  g->Draw(&canvas, r);
  canvas.SetHandle(nullptr);
}
