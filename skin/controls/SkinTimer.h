// Timers of the skinned controls (cross-fades, repeats, animations). They
// all run through one replaceable service so that tests can drive time.
#pragma once

#include <cstdint>
#include <functional>

class TspTimerService {
public:
  virtual ~TspTimerService() = default;
  // Starts (or restarts) timer `id` with a period of `ms` milliseconds.
  virtual void Start(uintptr_t id, unsigned ms, std::function<void()> onTick) = 0;
  virtual void Stop(uintptr_t id) = 0;
  virtual int ActiveCount() const = 0;
};

// The service in use; the default one runs on window timers of the GUI thread.
TspTimerService& TimerService();
// Replaces the service (null restores the default); returns the previous one.
TspTimerService* SetTimerService(TspTimerService* service);

// Milliseconds on the performance counter, for fades spaced closer than the
// tick count's steps (16 ms under Wine).
double FineClockMs();

// One timer, owned by the control that runs it; it exists (counts as active)
// only between Start and Stop.
class TspTimer {
public:
  TspTimer() = default;
  ~TspTimer() { Stop(); }
  TspTimer(const TspTimer&) = delete;
  TspTimer& operator=(const TspTimer&) = delete;

  void Start(unsigned ms, std::function<void()> onTick);
  // Changes the period of a running timer.
  void SetInterval(unsigned ms);
  void Stop();
  bool Active() const { return FActive; }
  unsigned Interval() const { return FInterval; }

private:
  bool FActive = false;
  unsigned FInterval = 0;
  std::function<void()> FOnTick;
};

// The cross-fade between a control's normal look (0) and its hot look (1):
// five steps of 0.2 on a 20 ms timer. The position is kept as a whole step
// so that a fade always ends on exactly 0 or 1 and never passes either.
class TspMorph {
public:
  static constexpr int kSteps = 5;
  static constexpr unsigned kInterval = 20;

  double Kf() const { return static_cast<double>(FStep) / kSteps; }
  bool AtEnd() const { return FStep == 0 || FStep == kSteps; }
  void SetKf(double kf) { FStep = kf >= 1.0 ? kSteps : 0; }
  bool Running() const { return FTimer.Active(); }

  // Starts the fade unless one runs. `hot` tells the target at each tick;
  // without `possible` the first tick jumps to the target without a repaint.
  void Start(std::function<bool()> hot, std::function<bool()> possible, std::function<void()> repaint);
  void Stop() { FTimer.Stop(); }

private:
  void Tick();

  int FStep = 0;
  TspTimer FTimer;
  std::function<bool()> FHot, FPossible;
  std::function<void()> FRepaint;
};
