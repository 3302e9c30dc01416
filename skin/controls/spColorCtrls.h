// Colour choosers of the skin library: the basic and custom swatch grids, a
// swatch that shows one colour, a colour held as RGB and HSL at once, and the
// colour dialog built in code (swatches, hue ring with a saturation and
// lightness square, R, G, B and H, S, L track edits).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "skin/controls/SkinDraw.h"
#include "skin/controls/SkinPanel.h"

class TspSkinData;
class TspSkinTrackEdit;
class TspSkinButton;
class TspSkinStdLabel;

struct TRGB {
  uint8_t R = 0, G = 0, B = 0;
};
struct THSL {
  double H = 0, S = 0, L = 0;  // each 0 to 1
};
struct THSLPSP {
  uint8_t H = 0, S = 0, L = 0;  // each 0 to 255
};

// One colour in three forms that are always consistent.
class TPSPColor : public TObject {
public:
  const TRGB& GetRGB() const { return FRGB; }
  const THSL& GetHSL() const { return FHSL; }
  const THSLPSP& GetHSLPSP() const { return FHSLPSP; }
  void SetRGB(const TRGB& value);
  void SetHSL(const THSL& value);
  void SetHSLPSP(const THSLPSP& value);
  void Assign(const TPSPColor& source);
  TColor Color() const { return FRGB.R | (FRGB.G << 8) | (FRGB.B << 16); }

  static THSL RGBToHSL(const TRGB& c);
  static TRGB HSLToRGB(const THSL& c);

private:
  TRGB FRGB;
  THSL FHSL;
  THSLPSP FHSLPSP;
};

// The H, S, L edits' model: L is the brightest component in percent, S the
// spread in percent of it, H the hue on 0..359. A grey (black included) has
// no hue: `hasHue` comes back false and `h` is left as it was.
void ColorToEditHSL(TColor color, int& h, int& s, int& l, bool& hasHue);
TColor EditHSLToColor(int h, int s, int l);

// The 48 basic colours in the order the grid draws them.
extern const TColor spBasicColors[48];

// Swatches in a framed panel with a caption.
class TspSkinCustomColorGridBase : public TspSkinPanel {
public:
  explicit TspSkinCustomColorGridBase(TComponent* owner);
  int ColCount() const { return FColCount; }
  void SetColCount(int value);
  int RowCount() const { return FRowCount; }
  void SetRowCount(int value);
  TNotifyEvent OnChange;
  // The cell (x, y, w, h) of index i, in client coordinates.
  RECT CellRect(int index) const;

protected:
  virtual int CellCount() const = 0;
  virtual TColor CellColor(int index) const = 0;
  virtual bool CellSelected(int index) const = 0;
  virtual void CellClicked(int index) = 0;
  void PaintPanelContent(TspPaintBuffer& b) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Layout(int& left, int& top, int& w, int& h) const;
  // The skin's text for `key`, else the library's own.
  std::string ResText(const char* key) const;

  int FColCount = 12, FRowCount = 4;
};

class TspSkinColorGrid : public TspSkinCustomColorGridBase {
public:
  explicit TspSkinColorGrid(TComponent* owner);
  TColor ColorValue() const { return FColorValue; }
  // Stores any value; only one of the 48 colours repaints and calls OnChange.
  void SetColorValue(TColor value);

protected:
  int CellCount() const override { return 48; }
  TColor CellColor(int index) const override { return spBasicColors[index]; }
  bool CellSelected(int index) const override;
  void CellClicked(int index) override { SetColorValue(spBasicColors[index]); }

private:
  TColor FColorValue = 0;
};

class TspSkinCustomColorGrid : public TspSkinCustomColorGridBase {
public:
  explicit TspSkinCustomColorGrid(TComponent* owner);
  TColor ColorValue() const { return FColorValue; }
  // The next slot takes the colour; after 12 it starts again at the first.
  void AddColor(TColor color);
  TColor CustomColorValues[12];
  int ColorsCount() const { return FColorsCount; }
  void SetColorsCount(int value) { FColorsCount = value < 0 ? 0 : (value > 12 ? 12 : value); }
  int ColorIndex() const { return FColorIndex; }

protected:
  int CellCount() const override { return 12; }
  TColor CellColor(int index) const override { return CustomColorValues[index]; }
  bool CellSelected(int index) const override { return index + 1 == FColorIndex; }
  void CellClicked(int index) override;

private:
  TColor FColorValue = 0;
  int FColorsCount = 0;
  int FColorIndex = 0;
};

// A swatch of one colour.
class TspColorViewer : public TGraphicControl {
public:
  explicit TspColorViewer(TComponent* owner);
  TColor ColorValue() const { return FColorValue; }
  void SetColorValue(TColor value);

protected:
  void Paint() override;

private:
  TColor FColorValue = 0;
};

// A window that draws nothing of its own (the palette's host).
class TspEmptyControl : public TCustomControl {
public:
  explicit TspEmptyControl(TComponent* owner);
  void WndProc(TMessage& message) override;
};

enum TClickZonePSP { czpspPnone, czpspPCircle, czpspPCar };

class TspSkinColorDialog : public TComponent {
public:
  explicit TspSkinColorDialog(TComponent* owner);
  ~TspSkinColorDialog() override;

  TColor Color = 0;
  std::string Caption = "Set color";
  bool GroupBoxTransparentMode = false;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  int AlphaBlendValue = 200;
  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value) { FSD.Set(value); }
  TspSkinData* CtrlSkinData() const { return FCtrlSD; }
  void SetCtrlSkinData(TspSkinData* value) { FCtrlSD.Set(value); }
  std::string ButtonSkinDataName = "button";
  std::string LabelSkinDataName = "stdlabel";
  std::string EditSkinDataName = "edit";
  TspFontDesc DefaultLabelFont, DefaultButtonFont, DefaultEditFont;
  bool UseSkinFont = true;

  // Custom colours survive from one run to the next.
  TColor CustomColorValues[12];
  int CustomColorValuesCount = 0;

  bool Execute();

  // Called with the dialog's form once it is built, before it shows.
  std::function<void(TForm* form)> OnFormCreated;

  // The working parts while the dialog is open (tests drive them).
  TspSkinColorGrid* ColorGrid = nullptr;
  TspSkinCustomColorGrid* CustomColorGrid = nullptr;
  TspSkinButton *OkButton = nullptr, *CancelButton = nullptr, *AddCustomColorButton = nullptr;
  TspColorViewer* ColorViewer = nullptr;
  TspSkinTrackEdit *REdit = nullptr, *GEdit = nullptr, *BEdit = nullptr, *HEdit = nullptr, *SEdit = nullptr,
                   *LEdit = nullptr;
  TspSkinStdLabel *RLabel = nullptr, *GLabel = nullptr, *BLabel = nullptr, *HLabel = nullptr, *SLabel = nullptr,
                  *LLabel = nullptr;
  TspEmptyControl* PalettePSPPanel = nullptr;
  TImage* PalettePSP = nullptr;
  int PosCircle = 0, PosCar = 0;
  TClickZonePSP ClickImg = czpspPnone;
  TPSPColor PSPColor;

  // The palette's mouse handling, in palette coordinates.
  void PaletteMouseDown(TMouseButton button, int x, int y);
  void PaletteMouseMove(bool leftDown, int x, int y);
  void PaletteMouseUp(TMouseButton button, int x, int y);

private:
  std::string ResText(const char* key) const;
  void RGBEditChange();
  void HSLEditChange();
  void SwatchChosen(TColor color);
  void PaletteChanged();
  void SetRGBEdits(TColor color);
  void SetHSLEdits(TColor color);
  void DrawPaletteBackground();
  void DrawRing();
  void DrawSquare();
  void DrawMarkers();
  void PaletteUpdated();
  void ApplyPalettePoint(int x, int y);

  TComponentRef<TspSkinData> FSD{this}, FCtrlSD{this};
  bool RGBStopCheck = false, HSLStopCheck = false, FromPSP = false;
  TForm* FForm = nullptr;
};
