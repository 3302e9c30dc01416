// The error window: what went wrong, and the choice to send the report.
#pragma once

#include <string>

#include "framework/Forms.h"

class TImage;
class TspDynamicSkinForm;
class TspSkinStdLabel;
class TspSkinButton;

class TErrorForm : public TForm {
public:
  explicit TErrorForm(TComponent* owner);
  ~TErrorForm() override;

  TspDynamicSkinForm* spDynamicSkinForm1;
  TImage* Image1;
  TspSkinStdLabel *spSkinStdLabel1, *lblErrorText, *spSkinStdLabel2;
  TspSkinButton *SendButton, *spSkinButton1;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void SendButtonClick(TObject* sender);
  void spSkinButton1Click(TObject* sender);

protected:
  const char16_t* WindowClassName() const override { return u"TErrorForm"; }
};

extern TErrorForm* ErrorForm;

// Shows the error window with `message`; true when the user chose Send.
bool ShowErrorWindow(const std::string& message);
// Makes ShowErrorWindow the window every error report shows.
void InstallErrorWindow();
