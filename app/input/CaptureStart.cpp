#include "app/input/CaptureStart.h"

#include <atomic>

namespace {
std::atomic<int64_t> start{0};
std::atomic<const int32_t*> pauseFlag{nullptr};
}

void ResetCaptureStart() { start = 0; }

void MarkCaptureStart(int64_t nowMicroseconds) {
  int64_t none = 0;
  start.compare_exchange_strong(none, nowMicroseconds > 0 ? nowMicroseconds : 1);
}

int64_t CaptureStartTime() { return start; }

void SetCapturePauseFlag(const int32_t* flag) { pauseFlag = flag; }

void ClearCapturePauseFlag(const int32_t* flag) { pauseFlag.compare_exchange_strong(flag, nullptr); }

bool CapturePaused() {
  const int32_t* flag = pauseFlag;
  return flag && __atomic_load_n(flag, __ATOMIC_RELAXED) != 0;
}
