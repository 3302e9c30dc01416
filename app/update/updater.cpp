#include "app/update/updater.h"

#include <windows.h>

#include "app/main/AppData.h"
#include "framework/StdCtrls.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanel.h"
#include "skin/dialogs/spMessages.h"

bool StartupCheckDone = false;

namespace {
void SetClientHeight(TCustomForm* form, int height) {
  form->Handle();
  form->SetBounds(form->Left(), form->Top(), form->Width(), height + form->Height() - form->ClientHeight());
}
}  // namespace

TUpdaterForm* UpdaterForm = nullptr;

TUpdaterForm::TUpdaterForm(TComponent* owner) : TForm(owner) {
  SetName("UpdaterForm");
  SetBounds(0, 0, 360, 140);

  WebUpdater = new TmxWebUpdate(this);
  WebUpdater->SetName("WebUpdater");
  WebUpdater->ProductInfo()->SetURL("http://");
  WebUpdater->ProductInfo()->Version = "0.0";
  WebUpdater->ProductInfo()->VersionFormat = vfString;
  WebUpdater->Options = uoRunUpdate | uoTerminate | uoOverwrite;
  WebUpdater->HTTPPort = 80;
  WebUpdater->OnBeforeDownload = [this](TObject* s, const std::string& f) { WebUpdaterBeforeDownload(s, f); };
  WebUpdater->OnAfterDownload = [this](TObject* s, const std::string& f) { WebUpdaterAfterDownload(s, f); };
  WebUpdater->OnUpdateAvailable = [this](TObject* s, const std::string& a, const std::string& n, bool& c) {
    WebUpdaterUpdateAvailable(s, a, n, c);
  };
  WebUpdater->OnBeforeShowInfo = [this](TObject* s, bool& show, bool& check) {
    WebUpdaterBeforeShowInfo(s, show, check);
  };
  WebUpdater->OnNoUpdateFound = [this](TObject* s) { WebUpdaterNoUpdateFound(s); };
  WebUpdater->OnDownload = [this](TObject* s, int total, int done) { WebUpdaterDownload(s, total, done); };
  WebUpdater->OnDownloadError = [this](TObject* s) { WebUpdaterDownloadError(s); };
  // Were the information step ever let through, the component's own window
  // asks.
  WebUpdater->InfoWindow = [this](TmxWebUpdate* update, const std::string& url, bool& check) {
    std::unique_ptr<Tfrm_ShowInfoUpdate> info(new Tfrm_ShowInfoUpdate(this));
    return info->Run(url, *update->InfoCaption(), check);
  };

  lblInfo = new TspSkinStdLabel(this);
  lblInfo->SetName("lblInfo");
  lblInfo->SetBounds(16, 16, 320, 16);
  lblInfo->SetParent(this);

  Gauge = new TspSkinGauge(this);
  Gauge->SetName("Gauge");
  Gauge->SetMinValue(0);
  Gauge->SetMaxValue(100);
  Gauge->SetBounds(16, 40, 320, 20);
  Gauge->SetParent(this);

  CancelBtn = new TspSkinButton(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetCanFocused(true);
  CancelBtn->SetBounds(136, 72, 90, 25);
  CancelBtn->SetParent(this);
  CancelBtn->OnClick = [this](TObject* s) { CancelBtnClick(s); };

  FOwnMessage = new TspSkinMessage(this);
  FOwnMessage->SetName("UpdaterMessage");
  SkinMessage = FOwnMessage;

  OnShow = [this](TObject* s) { FormShow(s); };
  FormCreate(this);
}

TUpdaterForm::~TUpdaterForm() {
  if (UpdaterForm == this) UpdaterForm = nullptr;
}

void TUpdaterForm::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
  p.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
}

void TUpdaterForm::FormCreate(TObject*) {
  SetCaption(Translate("Update Software"));
  CancelBtn->SetCaption(Translate("Cancel"));
  lblInfo->SetCaption(Translate("Downloading new version. Please wait..."));
}

void TUpdaterForm::FormShow(TObject*) { SetClientHeight(this, 110); }

void TUpdaterForm::CancelBtnClick(TObject*) {
  WebUpdater->Abort();
  Close();
}

void TUpdaterForm::WebUpdaterUpdateAvailable(TObject*, const std::string&, const std::string& newVersion,
                                             bool& canUpdate) {
  const std::string text = Translate("The new version") + " " + newVersion + " " +
                           Translate("is available. Update") + " " + "Tessavane" + "?";
  canUpdate = SkinMessage->MessageDlg(text, mtWarning, MsgDlgButtons({mbYes, mbNo}), 0) == mrYes;
}

void TUpdaterForm::WebUpdaterBeforeShowInfo(TObject*, bool& showInfo, bool&) { showInfo = false; }

void TUpdaterForm::WebUpdaterBeforeDownload(TObject*, const std::string&) { Show(); }

void TUpdaterForm::WebUpdaterDownload(TObject*, int total, int downloaded) {
  Gauge->SetMaxValue(total);
  Gauge->SetValue(downloaded);
}

void TUpdaterForm::WebUpdaterAfterDownload(TObject*, const std::string&) {}

void TUpdaterForm::WebUpdaterDownloadError(TObject*) {
  if (StartupCheckDone)
    SkinMessage->MessageDlg(Translate("Cannot download data from the server!"), mtError, MsgDlgButton(mbOK), 0);
}

void TUpdaterForm::WebUpdaterNoUpdateFound(TObject*) {
  if (StartupCheckDone)
    SkinMessage->MessageDlg(Translate("No updates available. You are using the recent version."), mtInformation,
                            MsgDlgButton(mbOK), 0);
}

// ---- the information window ---------------------------------------------------

Tfrm_ShowInfoUpdate::Tfrm_ShowInfoUpdate(TComponent* owner) : TForm(owner) {
  SetName("frm_ShowInfoUpdate");
  SetCaption("mxWebUpdate");
  SetBounds(0, 0, 530, 453);

  Panel_Bottom = new TspSkinPanel(this);
  Panel_Bottom->SetName("Panel_Bottom");
  Panel_Bottom->SetBorderStyle(bvNone);
  Panel_Bottom->SetBounds(0, 0, 530, 41);
  Panel_Bottom->SetAlign(alBottom);
  Panel_Bottom->SetParent(this);
  btn_OK = new TspSkinButton(this);
  btn_OK->SetName("btn_OK");
  btn_OK->SetCanFocused(true);
  btn_OK->ModalResult = mrOk;
  btn_OK->SetBounds(180, 8, 75, 25);
  btn_OK->SetParent(Panel_Bottom);
  btn_Cancel = new TspSkinButton(this);
  btn_Cancel->SetName("btn_Cancel");
  btn_Cancel->SetCanFocused(true);
  btn_Cancel->ModalResult = mrCancel;
  btn_Cancel->Cancel = true;
  btn_Cancel->SetBounds(270, 8, 75, 25);
  btn_Cancel->SetParent(Panel_Bottom);
  Panel_Bottom->OnResize = [this](TObject* s) { Panel_BottomResize(s); };

  Panel2 = new TspSkinPanel(this);
  Panel2->SetName("Panel2");
  Panel2->SetBorderStyle(bvNone);
  Panel2->SetBounds(0, 0, 530, 31);
  Panel2->SetAlign(alBottom);
  Panel2->SetParent(this);
  chk_FutureUpdate = new TspSkinCheckRadioBox(this);
  chk_FutureUpdate->SetName("chk_FutureUpdate");
  chk_FutureUpdate->SetBounds(8, 6, 300, 20);
  chk_FutureUpdate->SetParent(Panel2);

  Panel1 = new TspSkinPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetAlign(alClient);
  Panel1->SetParent(this);
  WebBrowser = new TMemo(this);
  WebBrowser->SetName("WebBrowser");
  WebBrowser->SetAlign(alClient);
  WebBrowser->SetParent(Panel1);
  Panel_BottomResize(Panel_Bottom);
}

void Tfrm_ShowInfoUpdate::Panel_BottomResize(TObject*) {
  const int w = Panel_Bottom->Width();
  btn_OK->SetLeft((w - (btn_OK->Width() + btn_Cancel->Width()) - 6) / 2);
  btn_Cancel->SetLeft(btn_OK->Left() + btn_OK->Width() + 3);
}

bool Tfrm_ShowInfoUpdate::Run(const std::string& url, const TmxInfoCaption& captions, bool& checkForUpdate) {
  chk_FutureUpdate->SetChecked(checkForUpdate);
  chk_FutureUpdate->SetCaption(captions.CheckForUpdate);
  btn_OK->SetCaption(captions.OkButton);
  btn_Cancel->SetCaption(captions.CancelButton);
  WebBrowser->SetText(url);
  // Read only: it stands in for a page that cannot be edited.
  SendMessageW(WebBrowser->Handle(), EM_SETREADONLY, TRUE, 0);
  const bool ok = ShowModal() == mrOk;
  checkForUpdate = chk_FutureUpdate->Checked();
  return ok;
}
