// Labels whose text look comes from the skin: the windowless plain,
// hyperlink and button labels on "stdlabel", and the windowed framed label
// on "label".
#pragma once

#include <string>

#include "framework/ImgList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinPanel.h"

enum TspEllipsType { spetNone, spetEndEllips, spetPathEllips };

// A windowless label whose font and hover colour come from a "stdlabel"
// skin element.
class TspSkinFontLabel : public TGraphicControl {
public:
  explicit TspSkinFontLabel(TComponent* owner) : TGraphicControl(owner) {}

  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value);
  std::string SkinDataName = "stdlabel";
  TspFontDesc DefaultFont;
  bool UseSkinFont = true;

  virtual void ChangeSkinData();

protected:
  void Notification(TComponent* component, TOperation operation) override;
  void GetSkinData();

  TspSkinDataRef FSD{this};
  int FIndex = -1;
  TspFontDesc FSkinFont;
  COLORREF FActiveFontColor = 0;
};

class TspSkinStdLabel : public TspSkinFontLabel {
public:
  explicit TspSkinStdLabel(TComponent* owner);

  bool UseSkinColor = true;
  // The font when the skin font is not used.
  TspFontDesc Font;
  TAlignment Alignment = taLeftJustify;
  bool ShowAccelChar = true;
  bool WordWrap = false;
  TspEllipsType EllipsType() const { return FEllipsType; }
  void SetEllipsType(TspEllipsType value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);

  void ChangeSkinData() override;
  void WndProc(TMessage& message) override;
  int SkinIndex() const { return FIndex; }
  // Fits the size to the caption.
  void AdjustBounds();

protected:
  void Paint() override;
  // The font and colour of the text in the present state.
  virtual TspFontDesc TextFont() const;
  virtual UINT ExtraFormat() const;
  void DoDrawText(HDC dc, RECT& r, UINT flags);
  COLORREF DisabledColor(bool light) const;

  bool FAutoSize = true;
  TspEllipsType FEllipsType = spetNone;
};

class TspSkinLinkLabel : public TspSkinStdLabel {
public:
  explicit TspSkinLinkLabel(TComponent* owner);

  bool UseUnderLine() const { return FUseUnderLine; }
  void SetUseUnderLine(bool value);
  // A halo of the active colour under the text while the mouse is over it;
  // the text sits GlowSize lower to leave it room.
  bool GlowEffect = false;
  int GlowSize = 7;
  COLORREF DefaultActiveFontColor = RGB(0, 0, 255);
  std::string URL;
  bool MouseIn() const { return FMouseIn; }

  void WndProc(TMessage& message) override;
  void Click() override;

protected:
  TspFontDesc TextFont() const override;
  UINT ExtraFormat() const override { return 0; }
  void Paint() override;

private:
  bool FUseUnderLine = true, FMouseIn = false;
};

// A clickable label with a glyph strip beside its caption: hover and
// pressed glyph frames, an underline on hover in web style.
class TspSkinButtonLabel : public TspSkinFontLabel {
public:
  explicit TspSkinButtonLabel(TComponent* owner);
  COLORREF DefaultActiveFontColor = RGB(0, 0, 255);
  bool UseCustomGlowColor = false;
  COLORREF CustomGlowColor = RGB(0, 255, 255);
  bool GlowEffect = false;
  int GlowSize = 7;
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool value);
  bool WebStyle = false;
  // A strip of NumGlyphs frames; the colour of its bottom-left pixel is
  // left out.
  TBitmap* Glyph() { return &FGlyph; }
  void SetGlyph(TBitmap* value);
  // A picture of the list stands in for the glyph: the active one while the
  // mouse is over the label, else ImageIndex; an index outside the list
  // means the glyph strip.
  TCustomImageList* ImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  int ActiveImageIndex = -1;
  // Frames of the strip: 1 normal, 2 disabled, 3 pressed, 4 hot.
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  int Margin() const { return FMargin; }
  void SetMargin(int value);
  int Spacing = 1;
  TspButtonLayout Layout() const { return FLayout; }
  void SetLayout(TspButtonLayout value);

  bool MouseIn() const { return FMouseIn; }
  bool Pressed() const { return FDown; }
  // The glyph frame shown in the present state, 1-based.
  int GlyphFrame() const;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  void PaintInto(HDC dc);
  int ShownImageIndex() const;

  bool FDoubleBuffered = false, FMouseIn = false, FDown = false;
  TBitmap FGlyph;
  TComponentRef<TCustomImageList> FImageList{this};
  int FImageIndex = -1;
  int FNumGlyphs = 1, FMargin = -1;
  TspButtonLayout FLayout = blGlyphLeft;
};

enum TspEllipsType2 { spetNoneEllips, spetEllips };

// A windowed label framed by the skin's "label" element, with an optional
// soft shadow or mirrored reflection of its text.
class TspSkinLabel : public TspDefaultBorderControl<TspSkinCustomControl> {
  using Base = TspDefaultBorderControl<TspSkinCustomControl>;

public:
  explicit TspSkinLabel(TComponent* owner);

  bool ShadowEffect() const { return FShadowEffect; }
  void SetShadowEffect(bool value);
  COLORREF ShadowColor = 0;
  int ShadowOffset = 0;
  int ShadowSize = 3;
  bool ReflectionEffect() const { return FReflectionEffect; }
  void SetReflectionEffect(bool value);
  int ReflectionOffset = -5;
  TspEllipsType2 EllipsType() const { return FEllipsType; }
  void SetEllipsType(TspEllipsType2 value);
  bool UseSkinSize = true;
  bool UseSkinFontColor = true;
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);

  void WndProc(TMessage& message) override;

protected:
  // How much wider the caption is than the room for it.
  virtual int CalcTextWidthDelta();
  void GetSkinData() override;
  void CalcSkinSize(int& width, int& height) override;
  void UpdateSkinRegion() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;

private:
  TspFontDesc TextFont() const;
  void DrawLabelText(TspPaintBuffer& b, RECT r);
  void AdjustWidth();

  bool FShadowEffect = false, FReflectionEffect = false, FAutoSize = false;
  TspEllipsType2 FEllipsType = spetNoneEllips;
  TAlignment FAlignment = taLeftJustify;
  TspFontDesc FSkinFont;
  bool FLabelElement = false;
};
