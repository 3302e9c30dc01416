// Expandable panel: a container whose caption bar carries a close button
// and a roll button that collapses it to the caption, up or sideways.
#pragma once

#include <vector>

#include "skin/controls/SkinControl.h"

enum TspExPanelRollKind { rkRollHorizontal, rkRollVertical };

class TspSkinExPanel : public TspSkinCustomControl {
  using Base = TspSkinCustomControl;

public:
  explicit TspSkinExPanel(TComponent* owner);

  bool RollState() const { return FRollState; }
  void SetRollState(bool value);
  TspExPanelRollKind RollKind() const { return FRollKind; }
  void SetRollKind(TspExPanelRollKind value);
  int DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  void SetDefaultCaptionHeight(int value);
  bool ShowRollButton() const { return FShowRollButton; }
  void SetShowRollButton(bool value);
  bool ShowCloseButton() const { return FShowCloseButton; }
  void SetShowCloseButton(bool value);
  int RealWidth() const { return FRealWidth; }
  int RealHeight() const { return FRealHeight; }
  int Spacing = 2;

  TNotifyEvent OnChangeRollState;
  TNotifyEvent OnClose;

  void Close();
  // Button rectangles in client coordinates: 0 close, 1 roll.
  RECT ButtonRect(int index) const;

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  void AdjustClientRect(RECT& rect) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override { PaintDefaultImage(b); }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  int ButtonAt(int x, int y) const;

  bool FRollState = false, FStopCheckSize = false;
  TspExPanelRollKind FRollKind = rkRollVertical;
  int FDefaultCaptionHeight = 21;
  int FRealWidth = 0, FRealHeight = 0;
  bool FShowRollButton = true, FShowCloseButton = true;
  int FPressed = -1;
  std::vector<TControl*> FShownChildren;
};
