// Tool bar: a horizontal bar of tool buttons that keeps them centred and,
// when they do not fit, scrolls them with two buttons at its ends.
#pragma once

#include "framework/ImgList.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinTimer.h"

// Hit-test answers of the two scroll buttons.
constexpr LRESULT HTSCROLLLEFT = 119, HTSCROLLRIGHT = 120;

class TspSkinToolBar : public TspSkinPanel {
  using Base = TspSkinPanel;

public:
  explicit TspSkinToolBar(TComponent* owner);
  ~TspSkinToolBar() override;

  bool AdjustControls = true;
  bool CanScroll() const { return FCanScroll; }
  void SetCanScroll(bool value);
  // Scroll while the mouse merely rests on a scroll button.
  bool HotScroll = false;
  int ScrollOffset() const { return FScrollOffset; }
  void SetScrollOffset(int value) {
    if (value >= 0) FScrollOffset = value;
  }
  int ScrollTimerInterval() const { return FScrollTimerInterval; }
  void SetScrollTimerInterval(int value) {
    if (value > 0) FScrollTimerInterval = value;
  }
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  // Image lists of the tool buttons on the bar; not owned.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  TCustomImageList* HotImages() const { return FHotImages; }
  void SetHotImages(TCustomImageList* value);
  TCustomImageList* DisabledImages() const { return FDisabledImages; }
  void SetDisabledImages(TCustomImageList* value);
  bool AutoShowHideCaptions = false;
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool value);
  int WidthWithCaptions = 0;
  int WidthWithoutCaptions = 0;
  void SetSkinData(TspSkinData* value) override;

  // The scroll state: extent, position and visible width in pixels.
  int ScrollMax() const { return SMax; }
  int ScrollPosition() const { return SPosition; }
  bool ScrollButtonsShown() const { return FButtons[0].Shown; }
  // 0 none, 1 scrolling left, 2 scrolling right.
  int TimerMode() const { return FTimerMode; }
  bool ScrollButtonHot(int index) const { return FButtons[index].MouseIn; }
  bool ScrollButtonDown(int index) const { return FButtons[index].Down; }
  // One step left (false) or right (true).
  void ScrollStep(bool right);
  void CheckScroll();

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  void AdjustClientRect(RECT& rect) override;
  void GetSkinData() override;
  void Notification(TComponent* component, TOperation operation) override;
  void PaintSkinImage(TspPaintBuffer& b) override;

private:
  static constexpr int kButtonWidth = 12;
  struct ScrollButton {
    RECT R{};
    bool MouseIn = false, Down = false, Shown = false;
  };
  void AdjustControlsTop();
  void SetScrollButtons(bool shown);
  void ScrollControls(int d);
  void DrawScrollButton(HDC dc, int index);
  void RepaintNC();
  void StartScrollTimer(int mode);
  void StopTimer();
  void MouseLeaveNC();
  // Drops the scroll buttons' hover and stops their repeat.
  void LeaveScrollButtons();
  void CheckMouseLeave();
  void RepaintButtons();

  bool FCanScroll = false, FFlat = false, FShowCaptions = false;
  bool FInCheck = false, FMouseIn = false;
  int FScrollOffset = 0, FScrollTimerInterval = 50;
  int SMax = 0, SPosition = 0, SPage = 0, SOldPosition = 0, FHSizeOffset = 0;
  int FTimerMode = 0;
  ScrollButton FButtons[2];
  // The skin's "resizebutton" element, drawn on the scroll buttons.
  TspDataSkinButtonControl* FButtonData = nullptr;
  TspTimer FScrollTimer, FLeaveTimer;
  TComponentRef<TCustomImageList> FImages{this}, FHotImages{this}, FDisabledImages{this};
};
