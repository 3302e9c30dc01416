// Two dialogs of the skin library built in code at every call: the one-line
// input box and the font dialog (name, size or height, colour, styles,
// optional script and a live sample).
#pragma once

#include <functional>
#include <string>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinDraw.h"
#include "skin/controls/spDialogForm.h"
#include "skin/dialogs/SkinDialogBase.h"

class TspSkinData;
class TspSkinComboBox;
class TspSkinFontComboBox;
class TspSkinFontSizeComboBox;
class TspSkinSpinEdit;
class TspSkinPanel;
class TspSkinStdLabel;
class TspSkinButton;
class TspSkinSpeedButton;
class TspSkinEdit;
class TspSkinTextColorButton;

// The character sets of the script list, by name and number.
struct TspCharsetEntry {
  const char* Name;
  int Charset;
};
extern const TspCharsetEntry spCharsets[19];
// The list entry of a character set (a missing one gives entry 1), and the
// character set of an entry (-1, nothing chosen, gives 1).
int CharsetToEntry(int charset);
int EntryToCharset(int entry);

class TspSkinInputDialog : public TspSkinDialogBase {
public:
  explicit TspSkinInputDialog(TComponent* owner);
  ~TspSkinInputDialog() override;

  std::string ButtonSkinDataName = "button";
  std::string LabelSkinDataName = "stdlabel";
  std::string EditSkinDataName = "edit";
  TspFontDesc DefaultLabelFont, DefaultButtonFont, DefaultEditFont;
  bool UseSkinFont = true;

  // True, with `value` replaced, when the user confirms with OK.
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
  // `defaultValue` unless the user confirms another text.
  std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue);

  // Called with the dialog's form once it is built, before it shows.
  std::function<void(TForm* form)> OnFormCreated;

private:
  std::string ResText(const char* key) const;
};

// The sample text, drawn in the font being chosen.
class TspFontSample : public TGraphicControl {
public:
  explicit TspFontSample(TComponent* owner);
  TFont Font;

protected:
  void Paint() override;
};

class TspFontDlgForm : public TspDialogForm {
public:
  TspFontDlgForm(TComponent* owner, TspSkinData* ctrlSkinData, bool showScript, TCustomImageList* buttonsImageList);
  static TspFontDlgForm* CreateEx(TComponent* owner, TspSkinData* ctrlSkinData, bool showScript,
                                  TCustomImageList* buttonsImageList) {
    return new TspFontDlgForm(owner, ctrlSkinData, showScript, buttonsImageList);
  }

  TspSkinComboBox* ScriptComboBox = nullptr;
  TspSkinFontComboBox* FontNameBox = nullptr;
  TspSkinTextColorButton* FontColorBox = nullptr;
  TspSkinFontSizeComboBox* FontSizeEdit = nullptr;
  TspSkinSpinEdit* FontHeightEdit = nullptr;
  TspSkinPanel* FontExamplePanel = nullptr;
  TspFontSample* FontExampleLabel = nullptr;
  TspSkinButton *OkButton = nullptr, *CancelButton = nullptr;
  TspSkinStdLabel *ScriptLabel = nullptr, *FontNameLabel = nullptr, *FontColorLabel = nullptr,
                  *FontSizeLabel = nullptr, *FontHeightLabel = nullptr, *FontStyleLabel = nullptr,
                  *FontExLabel = nullptr;
  TspSkinSpeedButton *BoldButton = nullptr, *ItalicButton = nullptr, *UnderLineButton = nullptr,
                     *StrikeOutButton = nullptr;

  // The live changes, bound to the controls.
  void FontNameChange();
  void FontSizeChange();
  void FontHeightChange();
  void ScriptChange();
  void ColorChange();
  void StyleButtonClick(TspSkinSpeedButton* button);

private:
  std::string ResText(const char* key) const;
  TspSkinData* FCtrlSD;
  bool FUpdating = false;
};

class TspSkinFontDialog : public TspSkinDialogBase {
public:
  explicit TspSkinFontDialog(TComponent* owner);
  ~TspSkinFontDialog() override;

  TFont* Font() { return &FFont; }
  void SetFont(const TFont* value) { FFont.Assign(value); }
  std::string Title = "Font";
  bool ShowSizeEdit() const { return FShowSizeEdit; }
  void SetShowSizeEdit(bool value);
  bool ShowHeightEdit() const { return FShowHeightEdit; }
  void SetShowHeightEdit(bool value);
  bool ShowScript = false;
  TCustomImageList* ButtonsImageList() const { return FButtonsImageList; }
  void SetButtonsImageList(TCustomImageList* value) { FButtonsImageList.Set(value); }
  TspFontDesc DefaultFont;
  TNotifyEvent OnChange;

  // True when the user pressed OK, after Font took the chosen font and
  // OnChange ran.
  bool Execute();

  // Called with the dialog's form once it is built and loaded, before it shows.
  std::function<void(TspFontDlgForm* form)> OnFormCreated;

private:
  TFont FFont;
  bool FShowSizeEdit = true, FShowHeightEdit = false;
  TComponentRef<TCustomImageList> FButtonsImageList{this};
};
