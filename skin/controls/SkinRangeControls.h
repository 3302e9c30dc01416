// What the controls that show a value between two ends share: the value
// and its ends (gauge, track bar), and the thumb dragged along a track by
// mouse, keys and wheel (track bar, scroll bar).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinInputRules.h"

// Round to nearest, halves to even (the default rounding mode), clamped to
// the int range.
inline int RoundHalfEven(double v) { return ClampToInt(std::llrint(v)); }

// The value `offset` pixels along a run of `span` pixels stands for, when
// the run covers `range` values from `low` on; past either end of the run,
// the value of that end.
inline int ValueAlongRun(int64_t offset, int span, int low, int64_t range) {
  double f = span > 0 ? static_cast<double>(offset) / span : 0.0;
  f = std::max(0.0, std::min(1.0, f));
  // The scaled offset stays 64-bit: a run over the whole int range ends at
  // its top value, not at a sum of two clamped halves.
  return ClampToInt(int64_t{low} + std::llrint(static_cast<double>(range) * f));
}

// A value kept between MinValue and MaxValue, drawn across or (Vertical)
// up the control. Moving an end pulls the value inside.
class TspSkinValueControl : public TspSkinCustomControl {
public:
  using TspSkinCustomControl::TspSkinCustomControl;

  int Value() const { return FValue; }
  void SetValue(int value) {
    value = std::max(FMinValue, std::min(value, FMaxValue));
    if (value == FValue) return;
    FValue = value;
    ValueChanged();
  }
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value) {
    FMinValue = value;
    if (FValue < value) FValue = value;
    Repaint();
  }
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value) {
    FMaxValue = value;
    if (FValue > value) FValue = value;
    Repaint();
  }
  bool Vertical() const { return FVertical; }
  void SetVertical(bool value) {
    FVertical = value;
    Repaint();
  }

protected:
  // After SetValue moved the value.
  virtual void ValueChanged() = 0;

  int FValue = 50, FMinValue = 0, FMaxValue = 100;
  bool FVertical = false;
};

// A thumb dragged along a track. A focusable one also answers the arrow
// keys and the mouse wheel, and looks focused while it has the focus.
template <class TBase>
class TspThumbControl : public TspFocusableSkin<TBase> {
  using Base = TspFocusableSkin<TBase>;

public:
  using Base::Base;

  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case CM_WANTSPECIALKEY:
        Base::WndProc(m);
        if (this->FCanFocused && m.WParam >= VK_LEFT && m.WParam <= VK_DOWN) m.Result = 1;
        return;
      case WM_MOUSEWHEEL:
        if (this->FocusedHere()) {
          // The delta's sign lives in the high word of the 64-bit WPARAM.
          WheelTurned(GET_WHEEL_DELTA_WPARAM(m.WParam) > 0);
          m.Result = 0;
          return;
        }
        break;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        Base::WndProc(m);
        FocusChanged();
        return;
      default:
        break;
    }
    Base::WndProc(m);
  }

protected:
  // A wheel notch while focused; `away` is a turn away from the user.
  virtual void WheelTurned(bool away) = 0;
  // After the focus came or went.
  virtual void FocusChanged() {
    if (this->FCanFocused) this->Repaint();
  }
  // The value from `low` to `high` a thumb `offset` pixels along its run
  // stands for.
  int ValueAtOffset(int64_t offset, int low, int high) const {
    return ValueAlongRun(offset, FOffset2 - FOffset1, low, int64_t{high} - low);
  }

  // The thumb's run from FOffset1 to FOffset2 and its place FBOffset on it;
  // while dragged (FDown), where the drag started and the place then.
  int FOffset1 = 0, FOffset2 = 0, FBOffset = 0, FOMPos = 0, FOldBOffset = 0;
  bool FDown = false;
};
