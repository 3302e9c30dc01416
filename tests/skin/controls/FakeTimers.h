// A timer service on a clock that only moves when the test says so.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "skin/controls/SkinTimer.h"

class FakeTimers : public TspTimerService {
public:
  FakeTimers() { FPrevious = SetTimerService(this); }
  ~FakeTimers() override { SetTimerService(FPrevious); }

  void Start(uintptr_t id, unsigned ms, std::function<void()> onTick) override {
    if (ms == 0) ms = 1;
    FTimers[id] = Entry{ms, FNow + ms, std::move(onTick), ++FGeneration};
  }
  void Stop(uintptr_t id) override { FTimers.erase(id); }
  int ActiveCount() const override { return static_cast<int>(FTimers.size()); }

  uint64_t Now() const { return FNow; }
  // Moves the clock on, firing every tick that falls due on the way, in order.
  void Advance(uint64_t ms) {
    uint64_t end = FNow + ms;
    for (;;) {
      auto next = FTimers.end();
      for (auto it = FTimers.begin(); it != FTimers.end(); ++it)
        if (it->second.due <= end && (next == FTimers.end() || it->second.due < next->second.due)) next = it;
      if (next == FTimers.end()) break;
      FNow = next->second.due;
      uintptr_t id = next->first;
      uint64_t generation = next->second.generation;
      auto tick = next->second.tick;
      tick();
      auto again = FTimers.find(id);
      // Restarted inside its own tick: the new schedule stands.
      if (again != FTimers.end() && again->second.generation == generation) again->second.due += again->second.period;
    }
    FNow = end;
  }

private:
  struct Entry {
    unsigned period;
    uint64_t due;
    std::function<void()> tick;
    uint64_t generation;
  };
  std::map<uintptr_t, Entry> FTimers;
  uint64_t FNow = 0;
  uint64_t FGeneration = 0;
  TspTimerService* FPrevious = nullptr;
};
