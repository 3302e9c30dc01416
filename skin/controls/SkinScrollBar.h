// Scroll bar: the one scroll bar of the skinned interface. Every skinned
// control that scrolls drives one through Position, SetRange and
// SimplySetPosition.
#pragma once

#include "skin/controls/SkinRangeControls.h"
#include "skin/controls/SkinTimer.h"

enum TScrollBarKind { sbHorizontal, sbVertical };

class TspSkinScrollBar : public TspThumbControl<TspSkinCustomControl> {
  using Base = TspThumbControl<TspSkinCustomControl>;

public:
  explicit TspSkinScrollBar(TComponent* owner);

  // Index of the thumb and the two arrow buttons in Buttons.
  enum { kThumb = 0, kUpButton = 1, kDownButton = 2 };
  struct TButton {
    RECT R{};
    bool MouseIn = false;
    bool Down = false;
  };

  int Position() const { return FPosition; }
  void SetPosition(int value);   // clamps; OnChange when it moved
  void SimplySetPosition(int value);  // clamps; no event
  void SetRange(int min, int max, int position, int pageSize);
  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  int PageSize() const { return FPageSize; }
  void SetPageSize(int value);
  int SmallChange() const { return FSmallChange; }
  void SetSmallChange(int value);
  int LargeChange() const { return FLargeChange; }
  void SetLargeChange(int value);
  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind value);
  bool Both() const { return FBoth; }
  void SetBoth(bool value);
  int BothMarkerWidth() const { return FBothMarkerWidth; }
  void SetBothMarkerWidth(int value);
  std::string BothSkinDataName = "bothhscrollbar";

  TNotifyEvent OnChange, OnLastChange, OnUpButtonClick, OnDownButtonClick, OnPageUp, OnPageDown;

  // Layout for the present size and values.
  void CalcRects();
  const TButton& Button(int index) const { return FButtons[index]; }
  RECT TrackArea() const { return FNewTrackArea; }
  int Offset1() const { return FOffset1; }
  int Offset2() const { return FOffset2; }
  int BOffset() const { return FBOffset; }
  // The position the repeat machine is in: 0 idle, 1 down arrow, 2 up
  // arrow, 3 page toward Min, 4 page toward Max.
  int TimerMode() const { return FTimerMode; }

  void WndProc(TMessage& message) override;

protected:
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void WheelTurned(bool away) override;
  void FocusChanged() override { Repaint(); }
  void OwnHoverChanged(bool entered) override;

private:
  int Clamp(int64_t value) const;
  int CalcValue(int offset);
  void TestActive(int x, int y);
  void ButtonDown(int i, int x, int y);
  void ButtonUp(int i);
  void ButtonEnter(int i);
  void ButtonLeave(int i);
  void StartScroll();
  void StopTimer();
  void StartWait();
  void TimerTick();
  void StepDown();
  void StepUp();
  void DrawButton(TspPaintBuffer& b, int i);

  int FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0, FSmallChange = 1, FLargeChange = 1;
  TScrollBarKind FKind = sbHorizontal;
  bool FBoth = false;
  int FBothMarkerWidth = 0;
  std::string FNormalSkinDataName;

  TButton FButtons[3];
  RECT FNewTrackArea{};
  int FActiveButton = -1, FOldActiveButton = -1, FCaptureButton = -1;
  bool FMouseD = false, FWaitMode = false;
  int FTimerMode = 0;
  int FMX = 0, FMY = 0;
  TspTimer FTimer;

  // Copied from the element.
  bool FBarElement = false;
  RECT FTrackArea{}, FUpButtonRect{}, FDownButtonRect{};
  RECT FActiveUpButtonRect{}, FDownUpButtonRect{}, FActiveDownButtonRect{}, FDownDownButtonRect{};
  RECT FThumbRect{}, FActiveThumbRect{}, FDownThumbRect{};
  int FThumbOffset1 = 0, FThumbOffset2 = 0, FThumbMinSize = 0, FThumbMinPageSize = 0;
  bool FThumbStretchEffect = false;
  RECT FGlyphRect{}, FActiveGlyphRect{}, FDownGlyphRect{};
  bool FGlyphTransparent = false, FThumbTransparent = false;
  COLORREF FGlyphTransparentColor = 0, FThumbTransparentColor = 0;
};
