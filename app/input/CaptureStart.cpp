#include "app/input/CaptureStart.h"

#include <atomic>

namespace {
std::atomic<int64_t> start{0};
}

void ResetCaptureStart() { start = 0; }

void MarkCaptureStart(int64_t nowMicroseconds) {
  int64_t none = 0;
  start.compare_exchange_strong(none, nowMicroseconds > 0 ? nowMicroseconds : 1);
}

int64_t CaptureStartTime() { return start; }
