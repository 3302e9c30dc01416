// Panel: the skinned container, with an optional caption bar carrying a
// check box (enables the children) and a roll-up button (collapses the
// panel to its caption).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/ImgList.h"
#include "skin/controls/SkinControl.h"

enum TspSkinBorderStyle { bvFrame, bvRaised, bvLowered, bvNone };
enum TspImagePosition { spipDefault, spipLeft };

// A skin colour: RGB, or a system colour named by its index.
COLORREF SkinColorValue(int32_t value);

// The default look's one-pixel border around `r` by style, in the system's
// button colours; nothing for bvNone.
void DrawBorderStyleFrame(TspPaintBuffer& b, const RECT& r, TspSkinBorderStyle style);

// A skinned control whose default look has a one-pixel border by style;
// the border takes its room from the client area.
template <class TBase>
class TspDefaultBorderControl : public TBase {
public:
  using TBase::TBase;

  TspSkinBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TspSkinBorderStyle value) {
    FBorderStyle = value;
    if (this->FIndex == -1) {
      this->Repaint();
      this->Realign();
    }
  }

protected:
  TspSkinBorderStyle FBorderStyle = bvFrame;
};

// A skinned container whose caption shows a picture before its text: a
// glyph strip of NumGlyphs (1 or 2) frames, the second for the disabled
// look, or while the glyph is empty an image of a list. The panel and the
// expandable panel.
class TspCaptionPictureControl : public TspSkinCustomControl {
public:
  // Gap between the picture and the caption.
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  const TspPicture& Glyph() const { return FGlyph; }
  void SetGlyph(const TspPicture& value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  // An image of a list in the caption, used while Glyph is empty; not owned.
  TCustomImageList* CaptionImageList() const { return FCaptionImageList; }
  void SetCaptionImageList(TCustomImageList* value);
  int CaptionImageIndex() const { return FCaptionImageIndex; }
  void SetCaptionImageIndex(int value);

protected:
  using TspSkinCustomControl::TspSkinCustomControl;
  int GlyphWidth() const { return FGlyph.Empty() ? 0 : FGlyph.Width / FNumGlyphs; }
  // The caption picture: the list's while there is no glyph, else the glyph.
  bool ListImage() const;
  int ImageWidth() const;
  int ImageHeight() const;
  // The caption picture at (x, y): the list's image drawn enabled or
  // disabled like the control, or the glyph frame for the state; with
  // `keyed` the colour of the frame's bottom-left pixel is left out.
  void DrawCaptionImage(TspPaintBuffer& b, int x, int y, bool keyed);

  int FSpacing = 2;
  TspPicture FGlyph;
  int FNumGlyphs = 1;
  TComponentRef<TCustomImageList> FCaptionImageList{this};
  int FCaptionImageIndex = -1;
};

class TspSkinPanel : public TspDefaultBorderControl<TspCaptionPictureControl> {
  using Base = TspDefaultBorderControl<TspCaptionPictureControl>;

public:
  explicit TspSkinPanel(TComponent* owner);

  bool RibbonStyle() const { return FRibbonStyle; }
  void SetRibbonStyle(bool value);
  bool CheckedMode() const { return FCheckedMode; }
  void SetCheckedMode(bool value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  bool AutoEnabledControls = true;
  // Skinned caption: the glyph beside the text, or pinned to the left end.
  TspImagePosition ImagePosition() const { return FImagePosition; }
  void SetImagePosition(TspImagePosition value);
  TAlignment DefaultAlignment() const { return FDefaultAlignment; }
  void SetDefaultAlignment(TAlignment value);
  int DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  virtual void SetDefaultCaptionHeight(int value);
  bool CaptionMode() const { return FCaptionMode; }
  virtual void SetCaptionMode(bool value);
  bool RollUpMode() const { return FRollUpMode; }
  void SetRollUpMode(bool value);
  bool RollUpState() const { return FRollUpState; }
  void SetRollUpState(bool value);
  // Shows what lies under the panel (with a skin only).
  bool TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(bool value);
  // Height before rolling up; -1 while expanded.
  int RealHeight() const { return FRealHeight; }

  TNotifyEvent OnChecked;
  TNotifyEvent OnChangeRollUpState;

  // The area the children are aligned in.
  void GetSkinClientRect(RECT& r);
  void DoRollUp(bool rollUp);
  void ChangeSkinData() override;
  void CheckParentBackground() override;
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

  // Where the caption lies at the present size (skin look).
  RECT NewCaptionRect{};

protected:
  void AdjustClientRect(RECT& rect) override;
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool CanAutoSize(int& width, int& height) override;
  // Called with the finished off-screen image before it reaches the screen.
  virtual void PaintPanelContent(TspPaintBuffer&) {}
  void Paint() override;

  bool FUseSkinSize = true;
  bool FInChangingRollUp = false;
  // The frame is painted by itself and the client filled apart (the panel);
  // off, the whole image is one composed picture (the paint panel, the bar).
  bool FForceBackground = true;
  // Copied from the skin record.
  bool FPanelElement = false;
  RECT FCaptionRect{}, FCheckImageRect{}, FUnCheckImageRect{}, FMarkFrameRect{};
  RECT FFrameRect{}, FFrameTextRect{};
  int FFrameLeftOffset = 0, FFrameRightOffset = 0;
  TAlignment FAlignment = taCenter;
  TspFontDesc FSkinFont;
  int FBGPictureIndex = -1;

private:
  void DrawSkinCaption(TspPaintBuffer& b);
  void DrawPiece(TspPaintBuffer& b, const RECT& src, int x, int y, bool transparent = false);
  void PaintCaptionBand(TspPaintBuffer& b);
  void PaintTransparentPlain(TspPaintBuffer& b);
  void PaintTransparentFrame(TspPaintBuffer& b);
  void PaintTiled(TspPaintBuffer& b, const TspPicture& picture, const RECT& piece, const RECT& fullTarget);
  TspFontDesc CaptionFont() const;
  int TextHeight(const std::string& text, const TspFontDesc& font) const;

  bool FRibbonStyle = false, FCheckedMode = false, FChecked = false;
  TspImagePosition FImagePosition = spipDefault;
  TAlignment FDefaultAlignment = taLeftJustify;
  int FDefaultCaptionHeight = 22;
  bool FCaptionMode = false, FRollUpMode = false, FRollUpState = false, FTransparentMode = false;
  int FRealHeight = -1;
  // The size limits while expanded; a rolled-up panel has none.
  TSizeConstraints FSavedConstraints{nullptr};
  // Children that were visible when the panel rolled up: only they come back.
  std::vector<TControl*> FShownChildren;
};
