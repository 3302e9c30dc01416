#include <windows.h>
#include <shlobj.h>

#include "app/main/preferences.h"

#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "app/main/ErrorReport.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/controls/SkinTabs.h"
#include "skin/dialogs/spFileDialogs.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/DynamicSkinForm.h"

TPreferForm* PreferForm = nullptr;

TspSkinDirectoryEdit* MakeFolderEdit(TComponent* owner, TWinControl* parent, const char* name, int x, int y,
                                     int width) {
  // Its own button opens the skinned folder dialog, which wears the
  // window's skin (SetDialogSkinData).
  auto* edit = new TspSkinDirectoryEdit(owner);
  edit->SetName(name);
  edit->SetParent(parent);
  edit->SetBounds(x, y, width, 21);
  edit->SetReadOnly(true);
  edit->DlgShowToolBar = false;
  return edit;
}

TPreferForm::TPreferForm(TComponent* owner) : TForm(owner) {
  SetName("PreferForm");
  SetCaption("Preferences");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 440, 345);
  spDynamicSkinForm1 = new TspDynamicSkinForm(this);
  spDynamicSkinForm1->SetName("spDynamicSkinForm1");
  spSkinMessage1 = new TspSkinMessage(this);
  spSkinMessage1->SetName("spSkinMessage1");

  spSkinPageControl1 = new TspSkinPageControl(this);
  spSkinPageControl1->SetName("spSkinPageControl1");
  spSkinPageControl1->SetParent(this);
  spSkinPageControl1->SetBounds(8, 8, 416, 250);
  auto sheet = [this](const char* name, const char* caption) {
    auto* t = new TspSkinTabSheet(this);
    t->SetName(name);
    t->SetPageControl(spSkinPageControl1);
    t->SetCaption(caption);
    return t;
  };
  tabGeneral = sheet("tabGeneral", "General");
  tabConversion = sheet("tabConversion", "Conversion");
  auto group = [this](TWinControl* parent, const char* name, int top, int height, const char* caption) {
    auto* g = new TspSkinGroupBox(this);
    g->SetName(name);
    g->SetParent(parent);
    g->SetBounds(8, top, 392, height);
    g->SetCaption(caption);
    return g;
  };
  grpFolders = group(tabGeneral, "grpFolders", 8, 100, "Folders");
  lblScreenshots = MakeDialogLabel(this, grpFolders, "lblScreenshots", 12, 32, "Screenshots:");
  edScreenshots = MakeFolderEdit(this, grpFolders, "edScreenshots", 110, 28, 270);
  lblTemporary = MakeDialogLabel(this, grpFolders, "lblTemporary", 12, 64, "Temporary:");
  edTemporaryFolder = MakeFolderEdit(this, grpFolders, "edTemporaryFolder", 110, 60, 270);
  grpLanguage = group(tabGeneral, "grpLanguage", 116, 64, "Language");
  lblLanguage = MakeDialogLabel(this, grpLanguage, "lblLanguage", 12, 32, "Language:");
  cmbLanguage = new TspSkinComboBox(this);
  cmbLanguage->SetName("cmbLanguage");
  cmbLanguage->SetParent(grpLanguage);
  cmbLanguage->SetBounds(110, 28, 200, 21);

  grpProcessors = group(tabConversion, "grpProcessors", 8, 100, "Processors:");
  auto check = [this](TWinControl* parent, const char* name, int top, bool radio, const char* caption) {
    auto* c = new TspSkinCheckRadioBox(this);
    c->SetName(name);
    c->SetParent(parent);
    c->SetRadio(radio);
    c->SetBounds(12, top, 370, 22);
    c->SetCaption(caption);
    return c;
  };
  radAllCores = check(grpProcessors, "radAllCores", 26, true, "Convert using all cores (maximum possible speed)");
  radDefineCores = check(grpProcessors, "radDefineCores", 56, true, "Define core number:");
  radDefineCores->SetWidth(180);
  radAllCores->GroupIndex = 1;
  radDefineCores->GroupIndex = 1;
  cmbCoreNumber = new TspSkinComboBox(this);
  cmbCoreNumber->SetName("cmbCoreNumber");
  cmbCoreNumber->SetParent(grpProcessors);
  cmbCoreNumber->SetBounds(200, 56, 80, 21);
  grpAfterConversion = group(tabConversion, "grpAfterConversion", 116, 84, "After Conversion");
  chkShutdown = check(grpAfterConversion, "chkShutdown", 26, false, "Shutdown Computer");
  chkOpenOutput = check(grpAfterConversion, "chkOpenOutput", 52, false, "Open Output Folder");

  OKButton = MakeDialogButton(this, this, "OKButton", 254, 270, 80, 25, "OK");
  spSkinButton1 = MakeDialogButton(this, this, "spSkinButton1", 344, 270, 80, 25, "Cancel");
  spSkinPageControl1->SetActivePage(tabGeneral);

  OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  radAllCores->OnClick = [this](TObject* s) { radAllCoresClick(s); };
  radDefineCores->OnClick = [this](TObject* s) { radDefineCoresClick(s); };
  cmbLanguage->OnChange = [this](TObject* s) { cmbLanguageChange(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  if (DialogSkinData) SetDialogSkinData(this, DialogSkinData);
  FormCreate(this);
}

TPreferForm::~TPreferForm() {
  if (PreferForm == this) PreferForm = nullptr;
}

void TPreferForm::FormCreate(TObject*) {
  SetCaption(Translate("Preferences"));
  tabGeneral->SetCaption(Translate("General"));
  tabConversion->SetCaption(Translate("Conversion"));
  grpFolders->SetCaption(Translate("Folders"));
  lblScreenshots->SetCaption(Translate("Screenshots:"));
  lblTemporary->SetCaption(Translate("Temporary:"));
  grpLanguage->SetCaption(Translate("Language"));
  lblLanguage->SetCaption(Translate("Language") + ":");
  grpProcessors->SetCaption(Translate("Processors:"));
  radAllCores->SetCaption(Translate("Convert using all cores (maximum possible speed)"));
  radDefineCores->SetCaption(Translate("Define core number:"));
  grpAfterConversion->SetCaption(Translate("After Conversion"));
  chkShutdown->SetCaption(Translate("Shutdown Computer"));
  chkOpenOutput->SetCaption(Translate("Open Output Folder"));
  OKButton->SetCaption(Translate("OK"));
  spSkinButton1->SetCaption(Translate("Cancel"));
}

void TPreferForm::FormShow(TObject*) {
  SetFormClientHeight(this, 305);
  edTemporaryFolder->SetText(TempFolder);
  edScreenshots->SetText(SnapshotFolder);
  cmbCoreNumber->Items()->Clear();
  for (int i = 1; i <= CpuCount; ++i) cmbCoreNumber->Items()->Add(std::to_string(i));
  cmbLanguage->Items()->Clear();
  for (int i = 0; i < LanguageCount(); ++i) cmbLanguage->Items()->Add(TranslationTable[i].empty() ? std::string() : TranslationTable[i][0]);
  cmbCoreNumber->SetItemIndex(CustomCPUNumber - 1);
  // Selecting the stored language is no choice of the user's: no restart notice.
  cmbLanguage->Tag = 1;
  cmbLanguage->SetItemIndex(LanguageIndex);
  cmbLanguage->Tag = 0;
  if (UseAllCPUs) {
    radAllCores->SetChecked(true);
    cmbCoreNumber->SetEnabled(false);
  } else {
    radDefineCores->SetChecked(true);
    cmbCoreNumber->SetEnabled(true);
  }
  if (ShutdownChecked) chkShutdown->SetChecked(*ShutdownChecked);
  if (OpenOutputChecked) chkOpenOutput->SetChecked(*OpenOutputChecked);
}

void TPreferForm::OKButtonClick(TObject*) {
  TempFolder = edTemporaryFolder->Text();
  SnapshotFolder = edScreenshots->Text();
  UseAllCPUs = radAllCores->Checked();
  if (!UseAllCPUs && cmbCoreNumber->ItemIndex() >= 0) CustomCPUNumber = cmbCoreNumber->ItemIndex() + 1;
  if (cmbLanguage->ItemIndex() >= 0) LanguageIndex = cmbLanguage->ItemIndex();
  if (ShutdownChecked) *ShutdownChecked = chkShutdown->Checked();
  if (OpenOutputChecked) *OpenOutputChecked = chkOpenOutput->Checked();
  ModalResult = mrOk;
}

void TPreferForm::spSkinButton1Click(TObject*) { ModalResult = mrCancel; }

void TPreferForm::radAllCoresClick(TObject*) { cmbCoreNumber->SetEnabled(false); }

void TPreferForm::radDefineCoresClick(TObject*) { cmbCoreNumber->SetEnabled(true); }

void TPreferForm::cmbLanguageChange(TObject*) {
  if (cmbLanguage->Tag != 1)
    spSkinMessage1->MessageDlg(Translate("Please restart program to take effect."), mtInformation,
                               MsgDlgButton(mbOK), 0);
}

int Preferences1Click(bool& shutdownChecked, bool& openOutputChecked) {
  AddToHistory("-> Tools -> Preferences is chosen in main menu.");
  if (!PreferForm) PreferForm = new TPreferForm(nullptr);
  PreferForm->ShutdownChecked = &shutdownChecked;
  PreferForm->OpenOutputChecked = &openOutputChecked;
  const int result = PreferForm->ShowModal();
  PreferForm->ShutdownChecked = nullptr;
  PreferForm->OpenOutputChecked = nullptr;
  return result;
}
