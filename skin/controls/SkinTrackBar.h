// Track bar: a thumb dragged along a groove between MinValue and MaxValue.
#pragma once

#include "skin/controls/SkinControl.h"

class TspSkinTrackBar : public TspSkinCustomControl {
  using Base = TspSkinCustomControl;

public:
  explicit TspSkinTrackBar(TComponent* owner);

  int Value() const { return FValue; }
  void SetValue(int value);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value);
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value);
  bool Vertical() const { return FVertical; }
  void SetVertical(bool value);
  bool CanFocused() const { return FCanFocused; }
  void SetCanFocused(bool value) {
    FCanFocused = value;
    TabStop = value;
  }
  bool MouseSupport = true;
  bool JumpWhenClick = false;

  TNotifyEvent OnChange;       // every change of Value
  TNotifyEvent OnLastChange;   // the end of a key, wheel or drag gesture
  TNotifyEvent OnStartDragButton;

  // The thumb for a track rectangle; also sets the drag offsets.
  RECT CalcButtonRect(const RECT& track);
  RECT ButtonRect() const { return FBR; }
  bool Dragging() const { return FDown; }

  void WndProc(TMessage& message) override;

protected:
  void GetSkinData() override;
  void CalcSkinSize(int& width, int& height) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  // Where the thumb runs: the element's track, or the default inset.
  RECT TrackRect() const;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;

private:
  int CalcValue(int offset) const;
  bool FocusedHere() const { return FCanFocused && Focused(); }
  void LastChange() {
    if (OnLastChange) OnLastChange(this);
  }

  int FValue = 50, FMinValue = 0, FMaxValue = 100;
  bool FVertical = false;
  bool FCanFocused = false;
  bool FDown = false;
  int FOffset1 = 0, FOffset2 = 0, FBOffset = 0, FOMPos = 0, FOldBOffset = 0;
  RECT FBR{};

  bool FTrackElement = false;
  RECT FActiveSkinRect{}, FTrackArea{}, FNewTrackArea{}, FButtonRect{}, FActiveButtonRect{};
};
