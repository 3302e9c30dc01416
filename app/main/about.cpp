#include <windows.h>

#include "app/main/about.h"

#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "framework/ExtCtrls.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/frame/DynamicSkinForm.h"

TAboutForm* AboutForm = nullptr;

std::string AboutNoticeText(int year) {
  return "Tessavane is made by Brenlowe. Copyright (c) 2009-" + std::to_string(year) + ".";
}

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
  SetName("AboutForm");
  SetCaption("About");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 400, 260);
  spDynamicSkinForm1 = new TspDynamicSkinForm(this);
  spDynamicSkinForm1->SetName("spDynamicSkinForm1");
  LogoImage = new TImage(this);
  LogoImage->SetName("LogoImage");
  LogoImage->SetParent(this);
  LogoImage->SetBounds(16, 16, 360, 60);
  lblversion = MakeDialogLabel(this, this, "lblversion", 16, 88, "Version 1.0");
  lblNotice = MakeDialogLabel(this, this, "lblNotice", 16, 112, "");
  spSkinStdLabel1 = MakeDialogLabel(this, this, "spSkinStdLabel1", 16, 140, "Home Page:");
  spSkinStdLabel2 = MakeDialogLabel(this, this, "spSkinStdLabel2", 16, 162, "Support:");
  lblHomePage = new TspSkinLinkLabel(this);
  lblHomePage->SetName("lblHomePage");
  lblHomePage->SetParent(this);
  lblHomePage->SetBounds(110, 140, 260, 16);
  lblSupport = new TspSkinLinkLabel(this);
  lblSupport->SetName("lblSupport");
  lblSupport->SetParent(this);
  lblSupport->SetBounds(110, 162, 260, 16);
  PreviewButton = MakeDialogButton(this, this, "PreviewButton", 300, 192, 80, 25, "OK");
  PreviewButton->OnClick = [this](TObject* s) { PreviewButtonClick(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  if (DialogSkinData) SetDialogSkinData(this, DialogSkinData);
  FormCreate(this);
}

TAboutForm::~TAboutForm() {
  if (AboutForm == this) AboutForm = nullptr;
}

void TAboutForm::FormCreate(TObject*) {
  SetCaption(Translate("About"));
  spSkinStdLabel1->SetCaption(Translate("Home Page") + ":");
  spSkinStdLabel2->SetCaption(Translate("Support") + ":");
  lblversion->SetCaption(Translate("Version") + " " + "1.0");
  PreviewButton->SetCaption(Translate("OK"));
  SYSTEMTIME now{};
  GetLocalTime(&now);
  lblNotice->SetCaption(AboutNoticeText(now.wYear));
  const TEndpoints& e = Endpoints();
  lblHomePage->SetCaption(e.HomePage);
  lblHomePage->URL = e.HomePage;
  lblSupport->SetCaption(e.SupportMailbox);
  lblSupport->URL = "mailto:" + e.SupportMailbox;
}

void TAboutForm::FormShow(TObject*) {
  SetFormClientHeight(this, 228);
  if (LogoSource) LogoImage->Picture()->Assign(LogoSource);
}

void TAboutForm::PreviewButtonClick(TObject*) { ModalResult = mrOk; }

int About1Click(TPicture* logo) {
  AddToHistory("-> Help -> About is chosen in main menu.");
  if (!AboutForm) AboutForm = new TAboutForm(nullptr);
  AboutForm->LogoSource = logo;
  return AboutForm->ShowModal();
}
