// Expandable panel: a container whose caption bar carries a close button
// and a roll button that collapses it to the caption, up or sideways.
#pragma once

#include <vector>

#include "framework/ImgList.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinPanel.h"

enum TspExPanelRollKind { rkRollHorizontal, rkRollVertical };

class TspSkinExPanel : public TspCaptionPictureControl {
  using Base = TspCaptionPictureControl;

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
  // Draw the element at its own proportions; off: a "panel" element with a
  // caption bar of DefaultCaptionHeight.
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool value);
  bool Moveable = false;
  bool Sizeable = false;
  int RealWidth() const { return FRealWidth; }
  int RealHeight() const { return FRealHeight; }
  // The size of the rolled panel across its roll direction.
  int RolledWidth();
  int RolledHeight();

  TNotifyEvent OnChangeRollState;
  TNotifyEvent OnClose;

  void Close();
  // Button rectangles in client coordinates: 0 close, 1 roll; empty when hidden.
  RECT ButtonRect(int index);
  bool ButtonHot(int index) const { return FButtons[index].MouseIn; }
  bool ButtonDown(int index) const { return FButtons[index].Down; }

  void ChangeSkinData() override;
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  void AdjustClientRect(RECT& rect) override;
  void GetSkinData() override;
  void Paint() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  struct Button {
    RECT R{};
    bool MouseIn = false, Down = false;
  };
  void Layout();
  RECT CaptionArea();
  int ButtonAt(int x, int y);
  void TestActive(int x, int y);
  void PaintPanelStyle(TspPaintBuffer& b);
  void DrawDefaultButton(TspPaintBuffer& b, int index);
  void DrawSkinButton(TspPaintBuffer& b, int index);
  // The caption in `area`, short of the buttons: left of them, or (written
  // upwards) below them.
  void DrawCaption(TspPaintBuffer& b, RECT area, const TspFontDesc& font, bool upwards);
  // The skin's caption font, in the skin's caption colour.
  TspFontDesc SkinCaptionFont() const;
  LRESULT HitTest(int x, int y);

  bool FUseSkinSize = true;
  bool FRollState = false, FStopCheckSize = false;
  TspExPanelRollKind FRollKind = rkRollVertical;
  int FDefaultCaptionHeight = 21;
  int FRealWidth = 0, FRealHeight = 0;
  bool FShowRollButton = true, FShowCloseButton = true;
  Button FButtons[2];
  std::vector<TControl*> FShownChildren;
  // The size limits while unrolled; a rolled panel has none.
  TSizeConstraints FSavedConstraints{nullptr};

  // Copied from the skin record.
  bool FExElement = false;
  RECT FRollHSkinRect{}, FRollVSkinRect{}, FRollVCaptionRect{}, FRollHCaptionRect{}, FCaptionRect{};
  int FRollLeftOffset = 0, FRollRightOffset = 0, FRollTopOffset = 0, FRollBottomOffset = 0;
  // Close, horizontal roll and restore, vertical roll and restore: normal,
  // active and down pictures.
  RECT FButtonPictures[5][3]{};
  TspFontDesc FSkinFont;
  bool FButtonsTransparent = false;
  COLORREF FButtonsTransparentColor = 0xFF00FF;
};
