// How the skinned controls take the keyboard focus and follow the pointer
// while pressed: the rules the buttons, boxes, bars and labels share.
#pragma once

#include "framework/Controls.h"
#include "skin/controls/SkinControl.h"

// A windowed skinned control that takes the keyboard focus only when
// CanFocused: it then takes the focus before a click counts, answers its
// keys, and shows the focused look only while it really has the focus. It
// hears of the mouse entering and leaving itself, and paints its whole look
// on erase.
template <class TBase>
class TspFocusableSkin : public TBase {
public:
  using TBase::TBase;

  bool CanFocused() const { return FCanFocused; }
  void SetCanFocused(bool value) {
    FCanFocused = value;
    this->TabStop = value;
  }

  void WndProc(TMessage& m) override {
    if (FCanFocused && (!this->FocusBeforeClick(m) || FocusableKey(m))) return;
    switch (m.Msg) {
      case CM_MOUSEENTER:
      case CM_MOUSELEAVE:
        TBase::WndProc(m);
        // A windowed parent also hears of its children's.
        if (reinterpret_cast<TControl*>(m.LParam) == this) OwnHoverChanged(m.Msg == CM_MOUSEENTER);
        return;
      case WM_ERASEBKGND:
        this->PaintIntoEraseDC(m);
        return;
      default:
        TBase::WndProc(m);
    }
  }

protected:
  bool FocusedHere() const { return FCanFocused && this->Focused(); }
  // A key or accelerator message to a focusable control, before anything
  // else sees it; true when handled and it must go no further.
  virtual bool FocusableKey(TMessage&) { return false; }
  // The mouse came over the control (`entered`) or left it.
  virtual void OwnHoverChanged(bool) {}

  bool FCanFocused = false;
};

// While a press lasts, the pointer leaving `control` or coming back is told
// to it as a mouse leave or enter, so that its hot look follows the
// pointer; `mouseIn` is whether the control counts the pointer in now.
inline void FollowPressedPointer(TControl* control, bool mouseIn, int x, int y) {
  bool inside = x >= 0 && x <= control->Width() && y >= 0 && y <= control->Height();
  if (!inside && mouseIn)
    control->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control));
  else if (inside && !mouseIn)
    control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
}
