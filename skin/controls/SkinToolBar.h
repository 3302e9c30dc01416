// Tool bar: a horizontal bar of tool buttons that keeps them centred and,
// when they do not fit, scrolls them with two buttons at its ends.
#pragma once

#include "skin/controls/SkinPanel.h"

// Hit-test answers of the two scroll buttons.
constexpr LRESULT HTSCROLLLEFT = 119, HTSCROLLRIGHT = 120;

class TspSkinToolBar : public TspSkinPanel {
  using Base = TspSkinPanel;

public:
  explicit TspSkinToolBar(TComponent* owner);

  bool AdjustControls = true;
  bool CanScroll() const { return FCanScroll; }
  void SetCanScroll(bool value);
  int ScrollOffset() const { return FScrollOffset; }
  void SetScrollOffset(int value) {
    if (value >= 0) FScrollOffset = value;
  }
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  void SetSkinData(TspSkinData* value) override;

  // The scroll state: extent, position and visible width in pixels.
  int ScrollMax() const { return SMax; }
  int ScrollPosition() const { return SPosition; }
  bool ScrollButtonsShown() const { return FButtonsShown; }
  // One step left (false) or right (true).
  void ScrollStep(bool right);
  void CheckScroll();

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  void AdjustClientRect(RECT& rect) override;

private:
  static constexpr int kButtonWidth = 12;
  void AdjustControlsTop();
  void SetScrollButtons(bool shown);
  void ScrollControls(int d);
  void DrawScrollButton(HDC dc, int index);

  bool FCanScroll = false, FFlat = false;
  bool FButtonsShown = false, FInCheck = false;
  int FScrollOffset = 0;
  int SMax = 0, SPosition = 0, SPage = 0, SOldPosition = 0;
  int FPressed = -1;
};
