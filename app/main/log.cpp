#include <windows.h>

#include "app/main/log.h"

#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "app/main/ErrorReport.h"
#include "framework/StringList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinMemo.h"
#include "skin/frame/DynamicSkinForm.h"

TLogForm* LogForm = nullptr;

TLogForm::TLogForm(TComponent* owner) : TForm(owner) {
  SetName("LogForm");
  SetCaption("Events Log");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 520, 400);
  spDynamicSkinForm1 = new TspDynamicSkinForm(this);
  spDynamicSkinForm1->SetName("spDynamicSkinForm1");
  mmoLog = new TspSkinMemo(this);
  mmoLog->SetName("mmoLog");
  mmoLog->SetParent(this);
  mmoLog->SetBounds(8, 8, 496, 310);
  mmoLog->SetReadOnly(true);
  mmoLog->SetScrollBars(ssBoth);
  OKButton = MakeDialogButton(this, this, "OKButton", 424, 328, 80, 25, "OK");
  OKButton->OnClick = [this](TObject*) { ModalResult = mrOk; };
  if (DialogSkinData) SetDialogSkinData(this, DialogSkinData);
  FormCreate(this);
}

TLogForm::~TLogForm() {
  if (LogForm == this) LogForm = nullptr;
}

void TLogForm::FormCreate(TObject*) {
  SetCaption(Translate("Events Log"));
  OKButton->SetCaption(Translate("OK"));
}

int EventsLogMenuItemClick() {
  if (!LogForm) LogForm = new TLogForm(nullptr);
  EventsLogLines().Assign(&ActionHistory());
  LogForm->mmoLog->Lines()->Assign(&ActionHistory());
  return LogForm->ShowModal();
}
