// Windowless labels whose text look comes from the skin's "stdlabel":
// the plain label and the hyperlink label.
#pragma once

#include <string>

#include "skin/controls/SkinControl.h"

enum TspEllipsType { spetNone, spetEndEllips, spetPathEllips };

class TspSkinStdLabel : public TGraphicControl {
public:
  explicit TspSkinStdLabel(TComponent* owner);
  ~TspSkinStdLabel() override;

  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value);
  std::string SkinDataName = "stdlabel";
  TspFontDesc DefaultFont;
  bool UseSkinFont = true;
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

  void ChangeSkinData();
  void WndProc(TMessage& message) override;
  int SkinIndex() const { return FIndex; }
  // Fits the size to the caption.
  void AdjustBounds();

protected:
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;
  void GetSkinData();
  // The font and colour of the text in the present state.
  virtual TspFontDesc TextFont() const;
  virtual UINT ExtraFormat() const;
  void DoDrawText(HDC dc, RECT& r, UINT flags);
  COLORREF DisabledColor(bool light) const;

  TspSkinData* FSD = nullptr;
  int FIndex = -1;
  TspFontDesc FSkinFont;
  COLORREF FActiveFontColor = 0;
  bool FAutoSize = true;
  TspEllipsType FEllipsType = spetNone;
};

class TspSkinLinkLabel : public TspSkinStdLabel {
public:
  explicit TspSkinLinkLabel(TComponent* owner);

  bool UseUnderLine() const { return FUseUnderLine; }
  void SetUseUnderLine(bool value);
  COLORREF DefaultActiveFontColor = RGB(0, 0, 255);
  std::string URL;
  bool MouseIn() const { return FMouseIn; }

  void WndProc(TMessage& message) override;
  void Click() override;

protected:
  TspFontDesc TextFont() const override;
  UINT ExtraFormat() const override { return 0; }

private:
  bool FUseUnderLine = true, FMouseIn = false;
};
