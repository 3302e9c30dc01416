// Timers on the GUI thread.
#pragma once

#include <memory>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"

// A window timer. OnTimer runs on the thread that made the timer (the GUI
// thread), from its message loop. The handler may disable, re-arm or delete
// the timer itself.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  // Milliseconds; 0 never fires.
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned interval);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  TNotifyEvent OnTimer;

  // What the window timer calls; tests may call it to tick by hand.
  void Timer();

  // Timers alive at the moment (for leak checks).
  static int LiveCount();

private:
  void UpdateTimer();
  unsigned FInterval = 1000;
  bool FEnabled = true;
  uintptr_t FId = 0;  // window timer id while armed
};

// A picture on a form, drawn at its top-left corner (or stretched over the
// control).
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  TPicture* Picture() const { return FPicture.get(); }
  bool Stretch = false;
  bool Transparent = false;

protected:
  void Paint() override;

private:
  std::unique_ptr<TPicture> FPicture;
};
