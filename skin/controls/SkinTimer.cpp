#include "skin/controls/SkinTimer.h"

#include <windows.h>

#include <map>

#include "framework/Forms.h"
#include "framework/WideText.h"

namespace {

// Window timers on one hidden window: each id is the address of its TspTimer.
class TWindowTimerService : public TspTimerService {
public:
  void Start(uintptr_t id, unsigned ms, std::function<void()> onTick) override {
    FTicks[id] = std::move(onTick);
    SetTimer(Window(), id, ms == 0 ? 1 : ms, nullptr);
  }
  void Stop(uintptr_t id) override {
    if (FTicks.erase(id) && FWindow) KillTimer(FWindow, id);
  }
  int ActiveCount() const override { return static_cast<int>(FTicks.size()); }

private:
  HWND Window() {
    if (!FWindow) {
      static const char16_t kClass[] = u"TspTimerWindow";
      WNDCLASSEXW wc = {};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = reinterpret_cast<LPCWSTR>(kClass);
      RegisterClassExW(&wc);
      FWindow = CreateWindowExW(0, W(kClass), W(u""), WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, wc.hInstance, nullptr);
      SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return FWindow;
  }
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_TIMER) {
      auto* self = reinterpret_cast<TWindowTimerService*>(GetWindowLongPtrW(h, GWLP_USERDATA));
      if (self) {
        auto it = self->FTicks.find(w);
        if (it != self->FTicks.end()) {
          // Copy: the handler may stop or restart this very timer.
          auto tick = it->second;
          RunGuarded([&] { tick(); });
        }
      }
      return 0;
    }
    return DefWindowProcW(h, msg, w, l);
  }

  HWND FWindow = nullptr;
  std::map<uintptr_t, std::function<void()>> FTicks;
};

TWindowTimerService gDefault;
TspTimerService* gService = nullptr;

}  // namespace

TspTimerService& TimerService() { return gService ? *gService : gDefault; }

TspTimerService* SetTimerService(TspTimerService* service) {
  TspTimerService* old = gService;
  gService = service;
  return old;
}

void TspTimer::Start(unsigned ms, std::function<void()> onTick) {
  FOnTick = std::move(onTick);
  FInterval = ms;
  FActive = true;
  TimerService().Start(reinterpret_cast<uintptr_t>(this), ms, [this] {
    if (FActive && FOnTick) {
      auto tick = FOnTick;
      tick();
    }
  });
}

void TspTimer::SetInterval(unsigned ms) {
  if (!FActive) {
    FInterval = ms;
    return;
  }
  Start(ms, FOnTick);
}

void TspTimer::Stop() {
  if (!FActive) return;
  FActive = false;
  TimerService().Stop(reinterpret_cast<uintptr_t>(this));
}

void TspMorph::Start(std::function<bool()> hot, std::function<bool()> possible, std::function<void()> repaint) {
  FHot = std::move(hot);
  FPossible = std::move(possible);
  FRepaint = std::move(repaint);
  if (!FTimer.Active()) FTimer.Start(kInterval, [this] { Tick(); });
}

void TspMorph::Tick() {
  bool hot = FHot && FHot();
  if (!FPossible || !FPossible()) {
    FStep = hot ? kSteps : 0;
    FTimer.Stop();
    return;
  }
  if (hot && FStep < kSteps) {
    ++FStep;
  } else if (!hot && FStep > 0) {
    --FStep;
  } else {
    FStep = hot ? kSteps : 0;
    FTimer.Stop();
  }
  if (FRepaint) FRepaint();
}

double FineClockMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}
