// The About window: version, the maker's notice and addresses, the logo.
#pragma once

#include <string>

#include "framework/Forms.h"

class TImage;
class TPicture;
class TspDynamicSkinForm;
class TspSkinStdLabel;
class TspSkinLinkLabel;
class TspSkinButton;

// The maker's notice, ending with `year` and a full stop.
std::string AboutNoticeText(int year);

class TAboutForm : public TForm {
public:
  explicit TAboutForm(TComponent* owner);
  ~TAboutForm() override;

  TspDynamicSkinForm* spDynamicSkinForm1;
  TImage* LogoImage;
  TspSkinStdLabel *lblversion, *lblNotice, *spSkinStdLabel1, *spSkinStdLabel2;
  TspSkinLinkLabel *lblHomePage, *lblSupport;
  TspSkinButton* PreviewButton;
  // The picture copied into LogoImage at every showing (the main window's logo).
  TPicture* LogoSource = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void PreviewButtonClick(TObject* sender);

protected:
  const char16_t* WindowClassName() const override { return u"TAboutForm"; }
};

extern TAboutForm* AboutForm;

// The main window's "About" command: a history line, then the window with
// the logo `logo` (may be null). Makes the window on first use.
int About1Click(TPicture* logo);
