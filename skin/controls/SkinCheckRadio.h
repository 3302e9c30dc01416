// Check box and radio button.
#pragma once

#include "framework/ImgList.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinInputRules.h"
#include "skin/controls/SkinTimer.h"

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TspSkinCheckRadioBox : public TspFocusableSkin<TspSkinCustomControl> {
  using Base = TspFocusableSkin<TspSkinCustomControl>;

public:
  explicit TspSkinCheckRadioBox(TComponent* owner);
  ~TspSkinCheckRadioBox() override;

  bool Checked() const { return FChecked; }
  // Fires OnClick on every assignment for a check box (callers rely on it),
  // and only when it ends checked for a radio button.
  void SetChecked(bool value);
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState value);
  bool Radio() const { return FRadio; }
  void SetRadio(bool value);
  int GroupIndex = 0;
  bool AllowGrayed = false;
  bool WordWrap = false;
  bool UseSkinFontColor = true;
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  // A picture of a list shown before the caption in the flat looks; the
  // list is not owned and is forgotten when it goes.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  bool MouseIn() const { return FMouseIn; }
  double MorphKf() const { return FMorph.Kf(); }
  bool Morphing = false;
  TMorphKind MorphKind = mkDefault;

  // What a click, the space bar or the accelerator does.
  virtual void ToggleChecked();
  // OnClick of its own: fired by the state changes, not by the framework.
  TNotifyEvent OnClick;

  void WndProc(TMessage& message) override;

protected:
  // Draws the image at the text's left edge, vertically centred, and returns
  // how far the text moves right for it (0 without an image).
  int DrawImage(TspPaintBuffer& b, int left, int gap);
  void Paint() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void CalcSkinSize(int& width, int& height) override;
  void GetSkinData() override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  // The element picture `element` with the check image and the caption.
  void DrawSkinImage(TspPaintBuffer& b, const RECT& element, bool active);
  bool FocusableKey(TMessage& m) override;
  void OwnHoverChanged(bool entered) override;

private:
  void UpdateActiveLook();
  void DrawBoxAndText(TspPaintBuffer& b, int textLeft, bool flat);
  RECT CheckImage() const;
  void DrawSkinFlat(TspPaintBuffer& b);
  void DoClick() {
    if (OnClick) OnClick(this);
  }

  bool FChecked = false;
  TCheckBoxState FState = cbUnchecked;
  bool FRadio = false;
  bool FFlat = true;
  bool FDown = false;
  bool FMouseIn = false;
  TspMorph FMorph;

  // Copied from the element.
  bool FCheckElement = false;
  TspFontDesc FSkinFont;
  COLORREF FFontColor = 0, FActiveFontColor = 0, FFrameFontColor = 0, FUnEnabledFontColor = 0;
  RECT FActiveSkinRect{}, FCheckImageArea{}, FTextArea{};
  RECT FCheckImageRect{}, FUnCheckImageRect{}, FActiveCheckImageRect{}, FActiveUnCheckImageRect{};
  RECT FUnEnabledCheckImageRect{}, FUnEnabledUnCheckImageRect{}, FGrayedCheckImageRect{},
      FActiveGrayedCheckImageRect{};
  RECT FCIRect{}, FNewTextArea{};
  TComponentRef<TCustomImageList> FImages{this};
  TChangeLink FImageChangeLink;
  int FImageIndex = -1;
};
