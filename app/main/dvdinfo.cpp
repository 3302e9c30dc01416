#include "app/main/dvdinfo.h"

#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinMemo.h"
#include "skin/frame/DynamicSkinForm.h"

TDVDInfoForm* DVDInfoForm = nullptr;

TDVDInfoForm::TDVDInfoForm(TComponent* owner) : TForm(owner) {
  SetName("DVDInfoForm");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 460, 360);
  spDynamicSkinForm1 = new TspDynamicSkinForm(this);
  spDynamicSkinForm1->SetName("spDynamicSkinForm1");
  Memo1 = new TspSkinMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetParent(this);
  Memo1->SetBounds(8, 8, 436, 270);
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(ssBoth);
  OKButton = MakeDialogButton(this, this, "OKButton", 364, 288, 80, 25, "OK");
  OKButton->OnClick = [this](TObject*) { ModalResult = mrOk; };
  SetFormClientHeight(this, 322);
  // The skinned frame takes its caption from the client area once it is
  // shown: the OK button stays inside.
  OnShow = [this](TObject*) { SetFormClientHeight(this, 322); };
  if (DialogSkinData) SetDialogSkinData(this, DialogSkinData);
  SetCaption(Translate("DVD Info"));
  OKButton->SetCaption(Translate("OK"));
}

TDVDInfoForm::~TDVDInfoForm() {
  if (DVDInfoForm == this) DVDInfoForm = nullptr;
}
