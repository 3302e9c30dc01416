// Controls that step a number with two arrow buttons: the free-standing
// up-down (TspSkinUpDown, also the page control's tab scroller), its twin
// for composite controls (TspSkinIntUpDown) and the number box
// (TspSkinSpinEdit) with its inner number edit.
#pragma once

#include <functional>
#include <string>

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinTimer.h"

// The two arrow buttons and their auto-repeat: one step on release; held
// down, a step after 500 ms and then every 100 ms; moving off a held button
// pauses the repeat and moving back resumes it at 50 ms steps.
class TspArrowButtons {
public:
  enum { kUp = 0, kDown = 1 };
  TspCBButtonX Buttons[2];
  int OldActiveButton = -1, ActiveButton = -1, CaptureButton = -1;
  int TimerMode = 0;  // 0 idle, 1 stepping down, 2 stepping up
  bool WaitMode = false;

  std::function<void()> Repaint;
  // One step (timer mode 1 down, 2 up), from the repeat or the release.
  std::function<void(int timerMode, bool fromTimer)> Step;
  std::function<void(int button)> Click;
  std::function<bool()> CanRepeat;
  // Whether a release away from the pressed button still steps and clicks.
  bool StepWhenReleasedOff = false;
  // Whether pressing a button clears the other one's hot mark.
  bool ClearOtherHotOnDown = true;

  void Track(POINT p);
  void MouseDown(POINT p);
  void MouseUp();
  void MouseLeave();
  void Stop();
  bool Repeating() const { return FTimer.Active(); }
  unsigned RepeatInterval() const { return FTimer.Interval(); }

private:
  void Tick();
  void Leave(int i);
  void Enter(int i);
  TspTimer FTimer;
};

// A skinned control carrying the two arrow buttons (the up-down and the
// number box): the mouse drives the buttons, a press on one keeps the mouse
// until the release, and the element's button pictures show their hot and
// pressed states.
class TspArrowButtonsControl : public TspSkinCustomControl {
public:
  const TspArrowButtons& ArrowButtons() const { return FButtons; }
  void WndProc(TMessage& message) override;

protected:
  using TspSkinCustomControl::TspSkinCustomControl;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // The button pictures of an up-down or number box element; a pressed
  // picture the element lacks is the hot one.
  template <class TElement>
  void ReadButtonRects(const TElement& e) {
    UpButtonRect = ToRECT(e.UpButtonRect);
    ActiveUpButtonRect = ToRECT(e.ActiveUpButtonRect);
    DownUpButtonRect = IsEmptyRECT(ToRECT(e.DownUpButtonRect)) ? ActiveUpButtonRect : ToRECT(e.DownUpButtonRect);
    DownButtonRect = ToRECT(e.DownButtonRect);
    ActiveDownButtonRect = ToRECT(e.ActiveDownButtonRect);
    DownDownButtonRect =
        IsEmptyRECT(ToRECT(e.DownDownButtonRect)) ? ActiveDownButtonRect : ToRECT(e.DownDownButtonRect);
  }
  // The pressed or hot picture over each button in that state.
  void DrawButtonStates(TspPaintBuffer& b);

  TspArrowButtons FButtons;
  RECT UpButtonRect{}, ActiveUpButtonRect{}, DownUpButtonRect{}, DownButtonRect{}, ActiveDownButtonRect{},
      DownDownButtonRect{};
};

enum TUDOrientation { udHorizontal, udVertical };

class TspSkinUpDown : public TspArrowButtonsControl {
  using Base = TspArrowButtonsControl;

public:
  explicit TspSkinUpDown(TComponent* owner);
  ~TspSkinUpDown() override;

  int Position() const { return FPosition; }
  // A value outside Min..Max is ignored; otherwise OnChange fires (also
  // when the value is the same).
  void SetPosition(int value);
  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  int Increment = 1;
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation value);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool value);

  TNotifyEvent OnChange, OnUpButtonClick, OnDownButtonClick;

  void CalcButtonRects();
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void CalcSkinSize(int& width, int& height) override;
  void UpdateSkinRegion() override;
  virtual void StepUp(bool fromTimer);
  virtual void StepDown(bool fromTimer);
  void DrawDefaultButtons(TspPaintBuffer& b);
  bool HasUpDownElement() const { return FUpDownElement; }

  bool FUseSkinSize = true;
  TUDOrientation FOrientation = udVertical;
  int FPosition = 0, FMin = 0, FMax = 100;
  bool FUpDownElement = false;
};

// The up-down of composite controls: buttons drawn from the skin's button
// elements, steps only when released over the button, and the events of
// the repeat's steps (OnUpChange, OnDownChange).
class TspSkinIntUpDown : public TspSkinUpDown {
public:
  explicit TspSkinIntUpDown(TComponent* owner);
  TNotifyEvent OnUpChange, OnDownChange;

protected:
  void PaintSkinImage(TspPaintBuffer& b) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void CalcSkinSize(int&, int&) override {}
  void UpdateSkinRegion() override {}
  void StepUp(bool fromTimer) override;
  void StepDown(bool fromTimer) override;
};

enum TspValueType { vtInteger, vtFloat };

class TspSkinSpinEdit : public TspArrowButtonsControl {
  using Base = TspArrowButtonsControl;

public:
  explicit TspSkinSpinEdit(TComponent* owner);
  ~TspSkinSpinEdit() override;

  double Value() const { return FValue; }
  void SetValue(double value);
  // Clamps and shows the value without a change notification.
  void SimpleSetValue(double value);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double value);
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double value);
  double Increment = 1;
  TspValueType ValueType() const { return FValueType; }
  void SetValueType(TspValueType value);
  int Decimal() const { return FDecimal; }
  void SetDecimal(int value) { FDecimal = std::max(0, std::min(15, value)); }
  TColorValue DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(TColorValue value);
  bool UseSkinSize = true;
  bool EditorEnabled() const { return FEdit->EditorEnabled; }
  void SetEditorEnabled(bool value) { FEdit->EditorEnabled = value; }

  // The text as the control keeps it (the inner edit shows the same).
  std::string Text() const { return Caption(); }
  void SetText(const std::string& value) { SetCaption(value); }
  bool IsNumText(const std::string& text) const;
  // The text that shows `value`.
  std::string ValueText(double value) const;

  TspSkinNumEdit* Edit() const { return FEdit; }
  void CalcLayout();
  void ChangeSkinData() override;
  void SetBounds(int left, int top, int width, int height) override;

  TNotifyEvent OnChange, OnUpButtonClick, OnDownButtonClick, OnEditEnter, OnEditExit;
  TKeyEvent OnEditKeyDown, OnEditKeyUp;
  TKeyPressEvent OnEditKeyPress;

  void WndProc(TMessage& message) override;

protected:
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void CalcSkinSize(int& width, int& height) override;
  void UpdateSkinRegion() override;
  void DefaultFontChanged() override;
  virtual void Change();
  void TextChanged();
  double Clamp(double value) const;
  void SetStateFontColor(bool allowHot);
  void EditChange();
  void EditEnter();
  void EditExit();
  void DrawButton(TspPaintBuffer& b, int i);

  TspSkinNumEdit* FEdit;
  double FValue = 0, FMinValue = 0, FMaxValue = 0;
  TspValueType FValueType = vtInteger;
  int FDecimal = 2;
  bool StopCheck = false, FromEdit = false;
  bool FMouseIn = false, FEditFocused = false;
  TColorValue FDefaultColor = kSysColorFlag | COLOR_WINDOW;

  bool FSpinElement = false;
  RECT ActiveSkinRect{};
  TspFontDesc SkinFont;
  COLORREF FontColor = 0, ActiveFontColor = 0, DisabledFontColor = 0;
  int LOffset = 0, ROffset = 0;
};
