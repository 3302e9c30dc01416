// Tooltips of the framework: the hint window that shows a control's Hint
// when the mouse rests on it, the class factory that lets a library put its
// own hint window in, and the application's hint settings and hook.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"

class TTimer;

// What the application knows about the hint it is about to show.
struct THintInfo {
  TControl* HintControl = nullptr;
  // The cursor in the hint control's client coordinates.
  POINT CursorPos{};
  // Where the hint goes (screen); its top-left corner is what counts.
  RECT HintRect{};
  std::string HintStr;
};

using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;

// A small top-level window that shows one hint text and never takes the
// focus.
class THintWindow : public TCustomControl {
public:
  explicit THintWindow(TComponent* owner);

  // Shows `hint` with the window's top-left corner at rect's top-left.
  virtual void ActivateHint(const TRect& rect, const std::string& hint);
  // The size the hint text needs, from (0, 0).
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint);
  // Hides the window (the handle stays for the next hint).
  void ReleaseHandle();
  bool HintShowing() const;

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  TFont FFont;
};

// Makes the hint window the application uses; a library sets its own.
using THintWindowClass = std::function<THintWindow*(TComponent* owner)>;
extern THintWindowClass HintWindowClass;
template <class T>
THintWindowClass MakeHintWindowClass() {
  return [](TComponent* owner) -> THintWindow* { return new T(owner); };
}

// The application's hints: which control the mouse rests on, the pauses,
// the OnShowHint hook and the one hint window. It watches the framework's
// message loops (mouse moves, presses and keys).
class TApplicationHints : public TComponent {
public:
  explicit TApplicationHints(TComponent* owner);
  ~TApplicationHints() override;

  // Off frees the hint window; on makes a new one of HintWindowClass.
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);

  unsigned HintPause = 500;       // rest before the first hint
  unsigned HintHidePause = 2500;  // how long a hint stays
  unsigned HintShortPause = 50;   // from one control to the next while a hint shows
  TShowHintEvent OnShowHint;

  THintWindow* HintWindow() const { return FHintWindow; }
  TControl* HintControl() const { return FHintControl; }
  // Hides the hint and forgets the control; the next rest starts anew.
  void CancelHint();
  // The mouse is at `screenPos` over `control` (null: over no control of ours).
  void HintMouseMessage(TControl* control, POINT screenPos);
  // Shows the hint of the control the mouse rests on now (what the pause
  // timer does); false when none was shown.
  bool ActivateHint(POINT screenPos);
  // The show or hide timer while one is pending (tests tick it by hand).
  TTimer* PendingTimer() const;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void HookMessage(MSG& msg, bool& handled);
  void StartTimer(unsigned ms, bool show);
  void StopTimer();
  void HideHintWindow();
  // The hint window of HintWindowClass, made on first need; null when there
  // is no class.
  THintWindow* EnsureHintWindow();
  void FreeHintWindow();

  bool FShowHint = true;
  TComponentRef<THintWindow> FHintWindow{this};
  TComponentRef<TControl> FHintControl{this};
  TTimer* FTimer = nullptr;
  bool FTimerShows = false;
  POINT FLastPos{};
  int FHookId = 0;
};

// The hints of the running application (made on first use, owned by it).
TApplicationHints* ApplicationHints();
// The same without making one: null before first use and after it went.
TApplicationHints* ExistingApplicationHints();
