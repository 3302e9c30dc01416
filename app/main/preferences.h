// The Preferences window: working folders, language, processor use and
// what happens after a conversion.
#pragma once

#include <string>

#include "framework/Forms.h"

class TspDynamicSkinForm;
class TspSkinStdLabel;
class TspSkinGroupBox;
class TspSkinButton;
class TspSkinEdit;
class TspSkinDirectoryEdit;
class TspSkinComboBox;
class TspSkinCheckRadioBox;
class TspSkinPageControl;
class TspSkinTabSheet;
class TspSkinMessage;

// A read-only skinned directory edit: its button opens the skinned folder
// dialog and puts the chosen folder into the edit.
TspSkinDirectoryEdit* MakeFolderEdit(TComponent* owner, TWinControl* parent, const char* name, int x, int y,
                                     int width);

class TPreferForm : public TForm {
public:
  explicit TPreferForm(TComponent* owner);
  ~TPreferForm() override;

  TspDynamicSkinForm* spDynamicSkinForm1;
  TspSkinMessage* spSkinMessage1;
  TspSkinPageControl* spSkinPageControl1;
  TspSkinTabSheet *tabGeneral, *tabConversion;
  TspSkinGroupBox *grpFolders, *grpLanguage, *grpProcessors, *grpAfterConversion;
  TspSkinStdLabel *lblScreenshots, *lblTemporary, *lblLanguage;
  TspSkinEdit *edScreenshots, *edTemporaryFolder;  // directory edits (MakeFolderEdit)
  TspSkinComboBox *cmbLanguage, *cmbCoreNumber;
  TspSkinCheckRadioBox *radAllCores, *radDefineCores, *chkShutdown, *chkOpenOutput;
  TspSkinButton *OKButton, *spSkinButton1;

  // The main window's menu check marks the two boxes show and set.
  bool* ShutdownChecked = nullptr;
  bool* OpenOutputChecked = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void OKButtonClick(TObject* sender);
  void spSkinButton1Click(TObject* sender);
  void radAllCoresClick(TObject* sender);
  void radDefineCoresClick(TObject* sender);
  void cmbLanguageChange(TObject* sender);

protected:
  const char16_t* WindowClassName() const override { return u"TPreferForm"; }
};

extern TPreferForm* PreferForm;

// The main window's "Preferences" command: a history line, then the window
// over the settings and the two menu check marks. Nothing reaches the
// registry here; the settings are saved at exit.
int Preferences1Click(bool& shutdownChecked, bool& openOutputChecked);
