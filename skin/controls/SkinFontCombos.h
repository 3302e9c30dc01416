// Font family and font size combo boxes: lists filled from the system's
// font enumeration on the GUI thread.
#pragma once

#include <windows.h>

#include <string>

#include "skin/controls/SkinComboBox.h"

enum TspFontDevice { fdScreen, fdPrinter, fdBoth };

using TspFontListOptions = unsigned;
enum : unsigned {
  foAnsiOnly = 1u << 0,
  foTrueTypeOnly = 1u << 1,
  foFixedPitchOnly = 1u << 2,
  foNoOEMFonts = 1u << 3,
  foOEMFontsOnly = 1u << 4,
  foScalableOnly = 1u << 5,
  foNoSymbolFonts = 1u << 6,
};

// The default printer's name; false when there is none.
bool DefaultPrinterName(std::string& name);

// Bit added to an item's font type for a family that is not a symbol font.
constexpr intptr_t kNotSymbolFont = 0x100;

class TspSkinFontComboBox : public TspSkinCustomComboBox {
public:
  explicit TspSkinFontComboBox(TComponent* owner);

  std::string FontName() const { return Text(); }
  void SetFontName(const std::string& value);
  TspFontDevice Device() const { return FDevice; }
  void SetDevice(TspFontDevice value);
  TspFontListOptions Options() const { return FOptions; }
  void SetOptions(TspFontListOptions value);
  bool TrueTypeOnly() const { return (FOptions & foTrueTypeOnly) != 0; }
  void SetTrueTypeOnly(bool value);
  bool UseFonts() const { return FUseFonts; }
  void SetUseFonts(bool value);

  // Refills the list (only while the window exists).
  void PopulateList();
  // The font type of item `index` (RASTER/DEVICE/TRUETYPE_FONTTYPE bits,
  // plus kNotSymbolFont).
  intptr_t FontType(int index) const;

  // Whether a family passes every option in `options`.
  static bool IsValidFont(TspFontListOptions options, const LOGFONTW& font, DWORD fontType);
  // One family of the enumeration (lParam: the combo).
  static int CALLBACK EnumFontsProc(const LOGFONTW* font, const TEXTMETRICW* metric, DWORD fontType, LPARAM data);

  void WndProc(TMessage& message) override;

protected:
  void CreateWnd() override;

private:
  void RebuildList();
  void DrawListFontItem(TCanvas* canvas, int index, RECT tr);
  void DrawBoxFontItem(TCanvas* canvas, int index, RECT tr);

  TspFontDevice FDevice = fdScreen;
  bool FUpdate = false;
  bool FUseFonts = false;
  TspFontListOptions FOptions = 0;
};

// The TrueType mark: a letter T in one-pixel lines with (x, y) its top left.
void DrawTTGlyph(TCanvas* canvas, int x, int y, TColor colour);

class TspSkinFontSizeComboBox : public TspSkinCustomComboBox {
public:
  explicit TspSkinFontSizeComboBox(TComponent* owner);

  const std::string& FontName() const { return FFontName; }
  void SetFontName(const std::string& value);
  // The chosen size as a number; 0 when there is none or the text is not one.
  int SizeValue() const;
  int PixelsPerInch = 96;

  // One face height of the enumeration (lParam: the combo).
  static int CALLBACK EnumSizesProc(const LOGFONTW* font, const TEXTMETRICW* metric, DWORD fontType, LPARAM data);

private:
  void BuildSizeList();
  std::string FFontName;
};
