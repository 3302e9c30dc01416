// Track bar: a thumb dragged along a groove between MinValue and MaxValue.
#pragma once

#include "skin/controls/SkinRangeControls.h"

class TspSkinTrackBar : public TspThumbControl<TspSkinValueControl> {
  using Base = TspThumbControl<TspSkinValueControl>;

public:
  explicit TspSkinTrackBar(TComponent* owner);

  bool MouseSupport = true;
  bool JumpWhenClick = false;

  TNotifyEvent OnChange;       // every change of Value
  TNotifyEvent OnLastChange;   // the end of a key, wheel or drag gesture
  TNotifyEvent OnStartDragButton;

  // The thumb for a track rectangle; also sets the drag offsets.
  RECT CalcButtonRect(const RECT& track);
  RECT ButtonRect() const { return FBR; }
  bool Dragging() const { return FDown; }

protected:
  void ValueChanged() override;
  void WheelTurned(bool away) override;
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
  void LastChange() {
    if (OnLastChange) OnLastChange(this);
  }

  RECT FBR{};

  bool FTrackElement = false;
  RECT FActiveSkinRect{}, FTrackArea{}, FNewTrackArea{}, FButtonRect{}, FActiveButtonRect{};
};
