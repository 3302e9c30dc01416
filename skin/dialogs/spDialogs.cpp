#include "skin/dialogs/spDialogs.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinFontCombos.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinSpin.h"
#include "skin/controls/spDialogForm.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinModel.h"
#include "skin/dialogs/spColorButton.h"

const TspCharsetEntry spCharsets[19] = {
    {"ANSI_CHARSET", 0},       {"DEFAULT_CHARSET", 1},     {"SYMBOL_CHARSET", 2},    {"SHIFTJIS_CHARSET", 128},
    {"HANGEUL_CHARSET", 129},  {"GB2312_CHARSET", 134},    {"CHINESEBIG5_CHARSET", 136},
    {"OEM_CHARSET", 255},      {"JOHAB_CHARSET", 130},     {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},
    {"GREEK_CHARSET", 161},    {"TURKISH_CHARSET", 162},   {"VIETNAMESE_CHARSET", 163},
    {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238}, {"RUSSIAN_CHARSET", 204}, {"MAC_CHARSET", 77},
    {"BALTIC_CHARSET", 186},
};

int CharsetToEntry(int charset) {
  for (int i = 0; i < 19; ++i)
    if (spCharsets[i].Charset == charset) return i;
  return 1;
}

int EntryToCharset(int entry) { return entry >= 0 && entry < 19 ? spCharsets[entry].Charset : 1; }

// ---- input box ------------------------------------------------------------------

TspSkinInputDialog::TspSkinInputDialog(TComponent* owner) : TspSkinDialogBase(owner) {}

TspSkinInputDialog::~TspSkinInputDialog() = default;

std::string TspSkinInputDialog::ResText(const char* key) const { return spLibraryText(FCtrlSD, key); }

bool TspSkinInputDialog::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  std::unique_ptr<TForm> form(new TspDialogForm(Application, u"TspInputDlgForm"));
  form->SetName("InputForm");
  form->KeyPreview = true;
  form->SetCaption(caption);

  // Dialog units from the form's font: the average letter and the line.
  int unitW = 6, unitH = 13;
  {
    TFont font;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Handle());
    const std::u16string letters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(letters.c_str()), 52, &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (size.cx > 0) unitW = size.cx / 52;
    if (size.cy > 0) unitH = size.cy;
  }
  spSetClientSize(form.get(), MulDiv(180, unitW, 4), 100);

  TspSkinStdLabel* label = MakeSkinnedLabel(form.get(), "Prompt", DefaultLabelFont, UseSkinFont, LabelSkinDataName);
  label->WordWrap = true;
  label->SetAutoSize(true);
  label->SetBounds(MulDiv(8, unitW, 4), MulDiv(8, unitH, 8), MulDiv(164, unitW, 4), 0);
  label->SetParent(form.get());
  label->SetCaption(prompt);
  label->SetWidth(MulDiv(164, unitW, 4));
  label->AdjustBounds();

  auto* edit = new TspSkinEdit(form.get());
  edit->SetName("Edit");
  edit->SetDefaultFont(DefaultEditFont);
  edit->SetUseSkinFont(UseSkinFont);
  edit->SetSkinDataName(EditSkinDataName);
  edit->SetSkinData(FCtrlSD);
  edit->SetBounds(label->Left(), label->Top() + label->Height() + 5, MulDiv(164, unitW, 4), edit->Height());
  edit->SetParent(form.get());
  edit->SetMaxLength(255);
  edit->SetText(value);
  edit->SelectAll();

  const int buttonTop = edit->Top() + edit->Height() + 15;
  const int buttonW = MulDiv(50, unitW, 4), buttonH = MulDiv(14, unitH, 8);
  auto makeButton = [&](const char* name, const std::string& text, int left) {
    auto* b = new TspSkinButton(form.get());
    b->SetName(name);
    b->SetCanFocused(true);
    b->SetCaption(text);
    b->SetDefaultFont(DefaultButtonFont);
    b->UseSkinFont = UseSkinFont;
    b->SetSkinDataName(ButtonSkinDataName);
    b->SetSkinData(FCtrlSD);
    b->SetBounds(left, buttonTop, buttonW, buttonH);
    b->SetParent(form.get());
    return b;
  };
  auto* ok = makeButton("OkButton", ResText("MSG_BTN_OK"), MulDiv(38, unitW, 4) - 3);
  ok->ModalResult = mrOk;
  ok->SetDefault(true);
  auto* cancel = makeButton("CancelButton", ResText("MSG_BTN_CANCEL"), MulDiv(92, unitW, 4) + 3);
  cancel->ModalResult = mrCancel;
  cancel->Cancel = true;
  spSetClientSize(form.get(), MulDiv(180, unitW, 4), cancel->Top() + cancel->Height() + 13);
  spCentreOnScreen(form.get());
  form->SetActiveControl(edit);
  if (OnFormCreated) OnFormCreated(form.get());
  if (form->ShowModal() != mrOk) return false;
  value = edit->Text();
  return true;
}

std::string TspSkinInputDialog::InputBox(const std::string& caption, const std::string& prompt,
                                         const std::string& defaultValue) {
  std::string value = defaultValue;
  if (InputQuery(caption, prompt, value)) return value;
  return defaultValue;
}

// ---- font sample ---------------------------------------------------------------

TspFontSample::TspFontSample(TComponent* owner) : TGraphicControl(owner) {
  Font.OnChange = [this](TObject*) { Invalidate(); };
}

void TspFontSample::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, Font.Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font.Color())) & 0xFFFFFF);
  const std::u16string text = UTF8ToUTF16(Caption());
  RECT r{0, 0, Width(), Height()};
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

// ---- font dialog form -------------------------------------------------------------

TspFontDlgForm::TspFontDlgForm(TComponent* owner, TspSkinData* ctrlSkinData, bool showScript,
                               TCustomImageList* buttonsImageList)
    : TspDialogForm(owner, u"TspFontDlgForm"), FCtrlSD(ctrlSkinData) {
  SetName("FontDlgForm");
  KeyPreview = true;
  const int d = showScript ? 45 : 0;
  spSetClientSize(this, 260, showScript ? 310 : 270);

  auto makeLabel = [&](const char* name, const char* key, int left, int top) {
    auto* l = new TspSkinStdLabel(this);
    l->SetName(name);
    l->SetSkinData(FCtrlSD);
    l->SetAutoSize(true);
    l->SetBounds(left, top, 0, 0);
    l->SetParent(this);
    l->SetCaption(ResText(key));
    l->AdjustBounds();
    return l;
  };
  FontNameLabel = makeLabel("FontNameLabel", "FONTDLG_NAME", 10, 3);

  FontColorLabel = makeLabel("FontColorLabel", "FONTDLG_COLOR", 10, 48);
  FontColorBox = new TspSkinTextColorButton(this);
  FontColorBox->SetName("FontColorBox");
  FontColorBox->SetSkinDataName("resizetoolbutton");
  FontColorBox->SetSkinData(FCtrlSD);
  FontColorBox->SetBounds(10, 65, 70, 21);
  FontColorBox->ShowAutoColor = false;
  FontColorBox->InitColors();
  FontColorBox->SetParent(this);

  FontSizeLabel = makeLabel("FontSizeLabel", "FONTDLG_SIZE", 100, 48);
  FontSizeEdit = new TspSkinFontSizeComboBox(this);
  FontSizeEdit->SetName("FontSizeEdit");
  FontSizeEdit->SetSkinData(FCtrlSD);
  FontSizeEdit->SetBounds(100, 65, 60, FontSizeEdit->Height());
  FontSizeEdit->SetStyle(spcbEditStyle);
  FontSizeEdit->SetParent(this);

  FontHeightLabel = makeLabel("FontHeightLabel", "FONTDLG_HEIGHT", 100, 48);
  FontHeightEdit = new TspSkinSpinEdit(this);
  FontHeightEdit->SetName("FontHeightEdit");
  FontHeightEdit->SetSkinData(FCtrlSD);
  FontHeightEdit->SetMinValue(-500);
  FontHeightEdit->SetMaxValue(500);
  FontHeightEdit->SetBounds(100, 65, 60, FontHeightEdit->Height());
  FontHeightEdit->SetParent(this);

  FontStyleLabel = makeLabel("FontStyleLabel", "FONTDLG_STYLE", 10, 98);
  auto makeStyle = [&](const char* name, int left, int image, const char* letter) {
    auto* b = new TspSkinSpeedButton(this);
    b->SetName(name);
    b->SetSkinDataName("toolbutton");
    b->SetSkinData(FCtrlSD);
    b->SetGroupIndex(1);
    b->AllowAllUp = true;
    b->SetNumGlyphs(1);
    if (buttonsImageList) {
      b->SetImageList(buttonsImageList);
      b->SetImageIndex(image);
    } else {
      // The program carries no glyph pictures of its own: the letter stands in.
      b->SetCaption(letter);
    }
    b->SetBounds(left, 115, 25, 25);
    b->SetParent(this);
    b->OnClick = [this, b](TObject*) { StyleButtonClick(b); };
    return b;
  };
  BoldButton = makeStyle("BoldButton", 10, 0, "B");
  ItalicButton = makeStyle("ItalicButton", 40, 1, "I");
  UnderLineButton = makeStyle("UnderLineButton", 70, 2, "U");
  StrikeOutButton = makeStyle("StrikeOutButton", 100, 3, "S");

  ScriptLabel = makeLabel("ScriptLabel", "FONTDLG_SCRIPT", 10, 148);
  ScriptComboBox = new TspSkinComboBox(this);
  ScriptComboBox->SetName("ScriptComboBox");
  ScriptComboBox->SetSkinData(FCtrlSD);
  ScriptComboBox->SetBounds(10, 165, 240, 21);
  ScriptComboBox->SetParent(this);
  ScriptComboBox->SetTabOrder(4);
  for (const auto& c : spCharsets) ScriptComboBox->Items()->Add(c.Name);

  FontExLabel = makeLabel("FontExLabel", "FONTDLG_EXAMPLE", 10, 148 + d);
  FontExamplePanel = new TspSkinPanel(this);
  FontExamplePanel->SetName("FontExamplePanel");
  FontExamplePanel->SetSkinData(FCtrlSD);
  FontExamplePanel->SetBorderStyle(bvFrame);
  FontExamplePanel->SetBounds(10, 165 + d, 240, 60);
  FontExamplePanel->SetParent(this);
  FontExampleLabel = new TspFontSample(this);
  FontExampleLabel->SetName("FontExampleLabel");
  FontExampleLabel->SetCaption("AaBbYyZz");
  FontExampleLabel->SetAlign(alClient);
  FontExampleLabel->SetParent(FontExamplePanel);

  auto makeButton = [&](const char* name, const char* key, int left) {
    auto* b = new TspSkinButton(this);
    b->SetName(name);
    b->SetCanFocused(true);
    b->SetCaption(ResText(key));
    b->SetSkinData(FCtrlSD);
    b->SetBounds(left, 235 + d, 75, 25);
    b->SetParent(this);
    return b;
  };
  OkButton = makeButton("OkButton", "MSG_BTN_OK", 90);
  OkButton->ModalResult = mrOk;
  OkButton->SetDefault(true);
  CancelButton = makeButton("CancelButton", "MSG_BTN_CANCEL", 175);
  CancelButton->ModalResult = mrCancel;
  CancelButton->Cancel = true;

  FontNameBox = new TspSkinFontComboBox(this);
  FontNameBox->SetName("FontNameBox");
  FontNameBox->SetSkinData(FCtrlSD);
  FontNameBox->SetBounds(10, 20, 240, 21);
  FontNameBox->SetParent(this);
  FontNameBox->SetTabOrder(0);
  FontNameBox->PopulateList();

  ScriptLabel->SetVisible(showScript);
  ScriptComboBox->SetVisible(showScript);

  FontNameBox->OnChange = [this](TObject*) { FontNameChange(); };
  FontSizeEdit->OnChange = [this](TObject*) { FontSizeChange(); };
  FontHeightEdit->OnChange = [this](TObject*) { FontHeightChange(); };
  ScriptComboBox->OnChange = [this](TObject*) { ScriptChange(); };
  FontColorBox->OnChangeColor = [this](TObject*) { ColorChange(); };
}

std::string TspFontDlgForm::ResText(const char* key) const { return spLibraryText(FCtrlSD, key); }

void TspFontDlgForm::FontNameChange() {
  if (FUpdating) return;
  const std::string name = FontNameBox->FontName();
  if (name.empty()) return;
  TFont& f = FontExampleLabel->Font;
  const int points = f.Size();
  f.SetName(name);
  FUpdating = true;
  FontSizeEdit->SetFontName(name);
  FontSizeEdit->SetText(std::to_string(points));
  FUpdating = false;
}

void TspFontDlgForm::FontSizeChange() {
  if (FUpdating) return;
  const int size = FontSizeEdit->SizeValue();
  if (size == 0) return;
  TFont& f = FontExampleLabel->Font;
  f.SetSize(size);
  FUpdating = true;
  FontHeightEdit->SimpleSetValue(f.Height());
  FUpdating = false;
}

void TspFontDlgForm::FontHeightChange() {
  if (FUpdating) return;
  TFont& f = FontExampleLabel->Font;
  f.SetHeight(static_cast<int>(std::trunc(FontHeightEdit->Value())));
  FUpdating = true;
  FontSizeEdit->SetText(std::to_string(f.Size()));
  FUpdating = false;
}

void TspFontDlgForm::ScriptChange() {
  if (FUpdating) return;
  FontExampleLabel->Font.SetCharset(EntryToCharset(ScriptComboBox->ItemIndex()));
}

void TspFontDlgForm::ColorChange() { FontExampleLabel->Font.SetColor(FontColorBox->ColorValue()); }

void TspFontDlgForm::StyleButtonClick(TspSkinSpeedButton* button) {
  TFontStyle style = fsBold;
  if (button == ItalicButton)
    style = fsItalic;
  else if (button == UnderLineButton)
    style = fsUnderline;
  else if (button == StrikeOutButton)
    style = fsStrikeOut;
  TFont& f = FontExampleLabel->Font;
  f.SetStyle(button->Down() ? (f.Style() | style) : (f.Style() & ~style));
}

// ---- font dialog component ----------------------------------------------------------

TspSkinFontDialog::TspSkinFontDialog(TComponent* owner) : TspSkinDialogBase(owner) {}

TspSkinFontDialog::~TspSkinFontDialog() = default;

void TspSkinFontDialog::SetShowSizeEdit(bool value) {
  FShowSizeEdit = value;
  if (value) FShowHeightEdit = false;
}

void TspSkinFontDialog::SetShowHeightEdit(bool value) {
  FShowHeightEdit = value;
  if (value) FShowSizeEdit = false;
}

bool TspSkinFontDialog::Execute() {
  std::unique_ptr<TspFontDlgForm> form(TspFontDlgForm::CreateEx(Application, FCtrlSD, ShowScript, FButtonsImageList));
  form->SetCaption(Title);
  form->FontColorBox->ColorMenu()->SetSkinData(FCtrlSD);

  // The values of the font being edited; no live change runs while loading.
  TFont& sample = form->FontExampleLabel->Font;
  {
    TNotifyEvent name = std::move(form->FontNameBox->OnChange), size = std::move(form->FontSizeEdit->OnChange),
                 height = std::move(form->FontHeightEdit->OnChange),
                 script = std::move(form->ScriptComboBox->OnChange),
                 color = std::move(form->FontColorBox->OnChangeColor);
    form->FontNameBox->OnChange = form->FontSizeEdit->OnChange = form->FontHeightEdit->OnChange = nullptr;
    form->ScriptComboBox->OnChange = form->FontColorBox->OnChangeColor = nullptr;
    form->ScriptComboBox->SetItemIndex(CharsetToEntry(FFont.Charset()));
    sample.Assign(&FFont);
    form->FontNameBox->SetFontName(FFont.Name());
    form->FontColorBox->SetColorValue(FFont.Color());
    form->FontSizeEdit->SetFontName(FFont.Name());
    form->FontSizeEdit->SetText(std::to_string(FFont.Size()));
    form->FontHeightEdit->SimpleSetValue(FFont.Height());
    form->FontNameBox->OnChange = std::move(name);
    form->FontSizeEdit->OnChange = std::move(size);
    form->FontHeightEdit->OnChange = std::move(height);
    form->ScriptComboBox->OnChange = std::move(script);
    form->FontColorBox->OnChangeColor = std::move(color);
  }
  form->FontSizeLabel->SetVisible(FShowSizeEdit);
  form->FontSizeEdit->SetVisible(FShowSizeEdit);
  form->FontHeightLabel->SetVisible(FShowHeightEdit);
  form->FontHeightEdit->SetVisible(FShowHeightEdit);
  form->BoldButton->SetDown((FFont.Style() & fsBold) != 0);
  form->ItalicButton->SetDown((FFont.Style() & fsItalic) != 0);
  form->UnderLineButton->SetDown((FFont.Style() & fsUnderline) != 0);
  form->StrikeOutButton->SetDown((FFont.Style() & fsStrikeOut) != 0);

  spSetClientSize(form.get(), 260, ShowScript ? 310 : 270);
  spCentreOnScreen(form.get());
  form->SetActiveControl(form->OkButton);
  if (OnFormCreated) OnFormCreated(form.get());
  if (form->ShowModal() != mrOk) return false;
  FFont.Assign(&sample);
  if (OnChange) OnChange(this);
  return true;
}
