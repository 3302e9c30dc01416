#include "app/editing/settings.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "app/main/AppData.h"
#include "framework/StringList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/dialogs/spMessages.h"

Tsettingsform* settingsform = nullptr;

namespace {

// A whole number as the resolution and format fields write it: an optional
// sign and decimal digits that fit 32 bits. Hex prefixes and blanks are not
// numbers here, so nothing but digits can reach option text through a
// value that passed this test.
bool ToInt32(const std::string& text, int& value) {
  size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return false;
  long long n = 0;
  for (size_t j = i; j < text.size(); ++j) {
    if (text[j] < '0' || text[j] > '9') return false;
    n = n * 10 + (text[j] - '0');
  }
  if (text[0] == '-') n = -n;
  if (n > INT32_MAX || n < INT32_MIN) return false;
  value = static_cast<int>(n);
  return true;
}

int StrToInt(const std::string& text) {
  int value = 0;
  if (!ToInt32(text, value)) throw Exception("'" + text + "' is not a valid integer value");
  return value;
}

std::string IntegerPartOrMinusOne(const std::string& part) {
  int unused = 0;
  return ToInt32(part, unused) ? part : std::string("-1");
}

TspSkinStdLabel* NewLabel(TComponent* owner, TWinControl* parent, const char* name, int x, int y) {
  auto* label = new TspSkinStdLabel(owner);
  label->SetName(name);
  label->SetBounds(x, y, 80, 16);
  label->SetParent(parent);
  return label;
}

TspSkinComboBox* NewCombo(TComponent* owner, TWinControl* parent, const char* name, int x, int y,
                          TspSkinCustomComboBoxStyle style) {
  auto* combo = new TspSkinComboBox(owner);
  combo->SetName(name);
  combo->SetStyle(style);
  combo->SetBounds(x, y, 110, 20);
  combo->SetParent(parent);
  return combo;
}

TspSkinButton* NewButton(TComponent* owner, TWinControl* parent, const char* name, int x, int y) {
  auto* button = new TspSkinButton(owner);
  button->SetName(name);
  button->SetCanFocused(true);
  button->SetBounds(x, y, 75, 25);
  button->SetAnchors(akLeft | akBottom);
  button->SetParent(parent);
  return button;
}

}  // namespace

TStringList* SplitOptionList(const std::string& text, bool values) {
  std::unique_ptr<TStringList> valueList(new TStringList), nameList(new TStringList);
  std::string accumulator;
  for (char c : text) {
    if (c == '$') {
      valueList->Add(accumulator);
      accumulator.clear();
    } else if (c == ',') {
      nameList->Add(accumulator);
      accumulator.clear();
    } else {
      accumulator += c;
    }
  }
  nameList->Add(accumulator);
  return values ? valueList.release() : nameList.release();
}

std::string ResolutionWidth(const std::string& text) {
  const size_t star = text.find('*');
  if (star == std::string::npos) return "-1";
  return IntegerPartOrMinusOne(text.substr(0, star));
}

std::string ResolutionHeight(const std::string& text) {
  const size_t star = text.rfind('*');
  if (star == std::string::npos) return "-1";
  return IntegerPartOrMinusOne(text.substr(star + 1));
}

// ---- the window ---------------------------------------------------------------

Tsettingsform::Tsettingsform(TComponent* owner) : TForm(owner) {
  SetName("settingsform");
  SetCaption("Profile Settings");
  SetBounds(200, 200, 450, 340);
  SetClientSize(442, 308);

  lblProfile = NewLabel(this, this, "lblProfile", 12, 14);
  edProfile = new TspSkinEdit(this);
  edProfile->SetName("edProfile");
  edProfile->SetReadOnly(true);
  edProfile->SetBounds(92, 10, 338, 21);
  edProfile->SetParent(this);

  spSkinGroupBox1 = new TspSkinGroupBox(this);
  spSkinGroupBox1->SetName("spSkinGroupBox1");
  spSkinGroupBox1->SetBounds(8, 40, 426, 114);
  spSkinGroupBox1->SetParent(this);
  lblResolution = NewLabel(this, spSkinGroupBox1, "lblResolution", 12, 30);
  cmbVideoResolution = NewCombo(this, spSkinGroupBox1, "cmbVideoResolution", 94, 27, spcbEditStyle);
  lblFrameRate = NewLabel(this, spSkinGroupBox1, "lblFrameRate", 216, 30);
  cmbVideoFrameRate = NewCombo(this, spSkinGroupBox1, "cmbVideoFrameRate", 304, 27, spcbFixedStyle);
  lblVideoEncoder = NewLabel(this, spSkinGroupBox1, "lblVideoEncoder", 12, 70);
  cmbVideoEncoder = NewCombo(this, spSkinGroupBox1, "cmbVideoEncoder", 94, 67, spcbFixedStyle);
  lblVideoBitRate = NewLabel(this, spSkinGroupBox1, "lblVideoBitRate", 216, 70);
  cmbVideoBitRate = NewCombo(this, spSkinGroupBox1, "cmbVideoBitRate", 304, 67, spcbFixedStyle);

  // The audio group and the buttons keep their distance to the bottom edge:
  // when the video group is hidden the window shrinks and they move up.
  spSkinGroupBox2 = new TspSkinGroupBox(this);
  spSkinGroupBox2->SetName("spSkinGroupBox2");
  spSkinGroupBox2->SetBounds(8, 158, 426, 104);
  spSkinGroupBox2->SetAnchors(akLeft | akBottom);
  spSkinGroupBox2->SetParent(this);
  lblSampleRate = NewLabel(this, spSkinGroupBox2, "lblSampleRate", 12, 30);
  cmbSampleRate = NewCombo(this, spSkinGroupBox2, "cmbSampleRate", 94, 27, spcbFixedStyle);
  lblChannel = NewLabel(this, spSkinGroupBox2, "lblChannel", 216, 30);
  cmbChannel = NewCombo(this, spSkinGroupBox2, "cmbChannel", 304, 27, spcbFixedStyle);
  lblAudioEncoder = NewLabel(this, spSkinGroupBox2, "lblAudioEncoder", 12, 66);
  cmbAudioEncoder = NewCombo(this, spSkinGroupBox2, "cmbAudioEncoder", 94, 63, spcbFixedStyle);
  lblAudioBitRate = NewLabel(this, spSkinGroupBox2, "lblAudioBitRate", 216, 66);
  cmbAudioBitRate = NewCombo(this, spSkinGroupBox2, "cmbAudioBitRate", 304, 63, spcbFixedStyle);

  spSkinButton1 = NewButton(this, this, "spSkinButton1", 272, 272);
  spSkinButton1->SetDefault(true);
  spSkinButton2 = NewButton(this, this, "spSkinButton2", 356, 272);
  spSkinButton2->Cancel = true;
  spSkinButton3 = NewButton(this, this, "spSkinButton3", 8, 272);

  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  spSkinButton2->OnClick = [this](TObject* s) { spSkinButton2Click(s); };
  spSkinButton3->OnClick = [this](TObject* s) { spSkinButton3Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  FormCreate();
}

Tsettingsform::~Tsettingsform() {
  if (settingsform == this) settingsform = nullptr;
}

void Tsettingsform::SetClientSize(int width, int height) {
  Handle();
  SetBounds(Left(), Top(), width + Width() - ClientWidth(), height + Height() - ClientHeight());
}

void Tsettingsform::SetSkinData(TspSkinData* skin) {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    if (auto* l = dynamic_cast<TspSkinFontLabel*>(c)) l->SetSkinData(skin);
    else if (auto* e = dynamic_cast<TspSkinCustomEdit*>(c)) e->SetSkinData(skin);
    else if (auto* k = dynamic_cast<TspSkinCustomControl*>(c)) k->SetSkinData(skin);
  }
}

void Tsettingsform::FormCreate() {
  SetCaption(Translate("Profile Settings"));
  lblProfile->SetCaption(Translate("Profile") + ":");
  lblResolution->SetCaption(Translate("Resolution:"));
  lblFrameRate->SetCaption(Translate("Frame Rate:"));
  lblVideoEncoder->SetCaption(Translate("Encoder:"));
  lblVideoBitRate->SetCaption(Translate("Bit Rate:"));
  lblSampleRate->SetCaption(Translate("Sample Rate:"));
  lblChannel->SetCaption(Translate("Channels:"));
  lblAudioEncoder->SetCaption(Translate("Encoder:"));
  lblAudioBitRate->SetCaption(Translate("Bit Rate:"));
  spSkinGroupBox1->SetCaption(Translate("Video"));
  spSkinGroupBox2->SetCaption(Translate("Audio"));
  spSkinButton3->SetCaption(Translate("Default"));
  spSkinButton1->SetCaption(Translate("OK"));
  spSkinButton2->SetCaption(Translate("Cancel"));
}

TFormat* Tsettingsform::CurrentFormat() const {
  if (CurrentProfileIndex < 0 || CurrentProfileIndex >= static_cast<int>(Profiles.size())) return nullptr;
  auto& formats = Profiles[CurrentProfileIndex].Formats;
  if (CurrentFormatIndex < 0 || CurrentFormatIndex >= static_cast<int>(formats.size())) return nullptr;
  return &formats[CurrentFormatIndex];
}

void Tsettingsform::FillProfileSettings() {
  TspSkinComboBox* const boxes[] = {cmbVideoResolution, cmbVideoFrameRate, cmbVideoEncoder, cmbVideoBitRate,
                                    cmbSampleRate,      cmbChannel,        cmbAudioEncoder, cmbAudioBitRate};
  for (auto* box : boxes) {
    box->Items()->Clear();
    box->SetItemIndex(-1);
    box->SetText("");
  }
  // A missing current format (an empty catalogue) leaves the boxes empty.
  const TFormat* f = CurrentFormat();
  if (!f) {
    edProfile->SetText("");
    return;
  }
  edProfile->SetText(f->Title);

  std::unique_ptr<TStringList> names(SplitOptionList(f->Resolutions, false));
  cmbVideoResolution->Items()->Assign(names.get());
  std::string resolution = f->Width + "*" + f->Height;
  if (resolution == "*") resolution.clear();
  cmbVideoResolution->SetText(resolution);

  const struct {
    TspSkinComboBox* box;
    const std::string* list;
    const std::string* value;
  } lists[] = {
      {cmbVideoFrameRate, &f->FrameRates, &f->FrameRate},
      {cmbVideoEncoder, &f->VideoCodecs, &f->VideoCodecName},
      {cmbVideoBitRate, &f->VideoBitRates, &f->VideoBitRate},
      {cmbSampleRate, &f->SampleRates, &f->SampleRate},
      {cmbChannel, &f->Channels, &f->Channel},
      {cmbAudioEncoder, &f->AudioCodecs, &f->AudioCodecName},
      {cmbAudioBitRate, &f->AudioBitRates, &f->AudioBitRate},
  };
  for (const auto& l : lists) {
    std::unique_ptr<TStringList> itemNames(SplitOptionList(*l.list, false));
    std::unique_ptr<TStringList> values(SplitOptionList(*l.list, true));
    l.box->Items()->Assign(itemNames.get());
    const int index = values->IndexOf(*l.value);
    l.box->SetItemIndex(index);
    if (index < 0) l.box->SetText("");
  }
}

void Tsettingsform::FormShow(TObject*) {
  TspSkinComboBox* const boxes[] = {cmbVideoResolution, cmbVideoFrameRate, cmbVideoEncoder, cmbVideoBitRate,
                                    cmbSampleRate,      cmbChannel,        cmbAudioEncoder, cmbAudioBitRate};
  for (auto* box : boxes) box->SetEnabled(true);
  for (auto* box : boxes)
    if (box->Text().empty()) box->SetEnabled(false);
  SetClientSize(ClientWidth(), 190);
  spSkinGroupBox1->SetVisible(false);
}

void Tsettingsform::ShowWarning(const std::string& text) {
  if (OnWarning) {
    OnWarning(text);
    return;
  }
  TspSkinMessage box(nullptr);
  box.MessageDlg(text, mtWarning, MsgDlgButton(mbOK), 0);
}

void Tsettingsform::spSkinButton1Click(TObject*) {
  try {
    TFormat* f = CurrentFormat();
    if (!f) throw Exception("no current format");
    bool changed = f->AreSettingsChanged;
    const std::string resolution = cmbVideoResolution->Text();
    const int w = StrToInt(ResolutionWidth(resolution));
    const int h = StrToInt(ResolutionHeight(resolution));
    if (StrToInt(f->IsAudioFormat) == 0 &&
        (w < 64 || w > 1920 || h < 64 || h > 1280 || w % 2 != 0 || h % 2 != 0)) {
      ShowWarning(Translate("Please input valid resolution. Both width and height must be multiples of 2, and "
                            "range from 64*64 to 1920*1280."));
      return;
    }
    LastEditedProfileIndex = CurrentProfileIndex;
    LastEditedFormatIndex = CurrentFormatIndex;

    if (cmbVideoResolution->Enabled()) {
      const std::string width = ResolutionWidth(resolution);
      if (width != f->Width) changed = true;
      f->Width = width;
      LastEditedValues.Width = f->Width;
      const std::string height = ResolutionHeight(resolution);
      if (height != f->Height) changed = true;
      f->Height = height;
      LastEditedValues.Height = f->Height;
    }
    const struct {
      TspSkinComboBox* box;
      const std::string* list;
      std::string* value;
    } lists[] = {
        {cmbVideoBitRate, &f->VideoBitRates, &f->VideoBitRate},
        {cmbVideoFrameRate, &f->FrameRates, &f->FrameRate},
        {cmbVideoEncoder, &f->VideoCodecs, &f->VideoCodecName},
        {cmbSampleRate, &f->SampleRates, &f->SampleRate},
        {cmbChannel, &f->Channels, &f->Channel},
        {cmbAudioEncoder, &f->AudioCodecs, &f->AudioCodecName},
        {cmbAudioBitRate, &f->AudioBitRates, &f->AudioBitRate},
    };
    for (const auto& l : lists) {
      if (!l.box->Enabled()) continue;
      const int index = l.box->ItemIndex();
      // Nothing chosen in the box: the stored value stays.
      if (index < 0) continue;
      std::unique_ptr<TStringList> values(SplitOptionList(*l.list, true));
      if (index >= values->Count()) throw Exception("the chosen entry has no value");
      const std::string value = values->Get(index);
      if (value != *l.value) changed = true;
      *l.value = value;
    }
    f->AreSettingsChanged = changed;
  } catch (const std::exception&) {
    ReportError(Translate("Error setting profile"), "CLM_SettingProfile");
  }
  LastEditedProfileIndex = CurrentProfileIndex;
  LastEditedFormatIndex = CurrentFormatIndex;
  FillProfileSettings();
  for (size_t i = 0; i < MediaFiles.size(); ++i) RecalcItem(static_cast<int>(i));
  if (OnItemsChanged) OnItemsChanged();
  if (Modal()) ModalResult = mrOk;
  else Hide();
}

void Tsettingsform::spSkinButton2Click(TObject*) {
  if (Modal()) ModalResult = mrCancel;
  else Hide();
}

void Tsettingsform::spSkinButton3Click(TObject*) { FillProfileSettings(); }
