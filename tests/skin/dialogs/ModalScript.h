// Runs a step inside the next modal loop, with a fail-safe that closes the
// dialog after a few seconds so that a broken test cannot hang the run.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/Forms.h"

class TModalScript {
public:
  // `step` runs once the loop takes messages; `form` is closed (Cancel) if
  // still open after the fail-safe time.
  TModalScript(TCustomForm* form, std::function<void()> step) : FForm(form), FStep(std::move(step)) {
    Current() = this;
    FStepTimer = SetTimer(nullptr, 0, 10, &StepProc);
    FSafeTimer = SetTimer(nullptr, 0, 8000, &SafeProc);
  }
  ~TModalScript() {
    if (FStepTimer) KillTimer(nullptr, FStepTimer);
    KillTimer(nullptr, FSafeTimer);
    if (Current() == this) Current() = nullptr;
  }
  bool TimedOut = false;

private:
  static TModalScript*& Current() {
    static TModalScript* current = nullptr;
    return current;
  }
  static void CALLBACK StepProc(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TModalScript* s = Current();
    if (!s || s->FStepTimer != id) return;
    s->FStepTimer = 0;
    s->FStep();
  }
  static void CALLBACK SafeProc(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TModalScript* s = Current();
    if (!s || s->FSafeTimer != id) return;
    s->TimedOut = true;
    s->FForm->ModalResult = mrCancel;
  }
  TCustomForm* FForm;
  std::function<void()> FStep;
  UINT_PTR FStepTimer = 0, FSafeTimer = 0;
};
