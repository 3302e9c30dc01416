#include <windows.h>

#include "app/main/errordlg.h"

#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "app/main/ErrorReport.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/frame/DynamicSkinForm.h"

TErrorForm* ErrorForm = nullptr;

TErrorForm::TErrorForm(TComponent* owner) : TForm(owner) {
  SetName("ErrorForm");
  SetCaption("Error!");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 460, 180);
  spDynamicSkinForm1 = new TspDynamicSkinForm(this);
  spDynamicSkinForm1->SetName("spDynamicSkinForm1");
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(12, 12, 32, 32);
  spSkinStdLabel1 = MakeDialogLabel(this, this, "spSkinStdLabel1", 56, 12, "The following error occured:");
  lblErrorText = MakeDialogLabel(this, this, "lblErrorText", 56, 32, "");
  // A long message wraps inside the window instead of running off its edge.
  lblErrorText->SetAutoSize(false);
  lblErrorText->WordWrap = true;
  lblErrorText->SetBounds(56, 32, 380, 34);
  spSkinStdLabel2 = MakeDialogLabel(this, this, "spSkinStdLabel2", 12, 74,
                                    "Error report is generated. Please send it to developers to fix the problem.");
  SendButton = MakeDialogButton(this, this, "SendButton", 270, 104, 80, 25, "Send");
  spSkinButton1 = MakeDialogButton(this, this, "spSkinButton1", 360, 104, 80, 25, "Cancel");
  SendButton->OnClick = [this](TObject* s) { SendButtonClick(s); };
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  if (DialogSkinData) SetDialogSkinData(this, DialogSkinData);
  FormCreate(this);
}

TErrorForm::~TErrorForm() {
  if (ErrorForm == this) ErrorForm = nullptr;
}

void TErrorForm::FormCreate(TObject*) {
  TIcon icon;
  icon.SetHandle(CopyIcon(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_ERROR))));
  Image1->Picture()->SetGraphic(&icon);
  SetCaption(Translate("Error!"));
  spSkinStdLabel1->SetCaption(Translate("The following error occured:"));
  spSkinStdLabel2->SetCaption(
      Translate("Error report is generated. Please send it to developers to fix the problem."));
  SendButton->SetCaption(Translate("Send"));
  spSkinButton1->SetCaption(Translate("Cancel"));
}

void TErrorForm::FormShow(TObject*) { SetFormClientHeight(this, 140); }

void TErrorForm::SendButtonClick(TObject*) { ModalResult = mrOk; }

void TErrorForm::spSkinButton1Click(TObject*) { ModalResult = mrCancel; }

bool ShowErrorWindow(const std::string& message) {
  if (!ErrorForm) ErrorForm = new TErrorForm(nullptr);
  ErrorForm->lblErrorText->SetCaption(message);
  return ErrorForm->ShowModal() == mrOk;
}

void InstallErrorWindow() { OnShowErrorWindow = ShowErrorWindow; }
