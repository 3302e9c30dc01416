// The Events Log window: the action history as it was when it was opened.
#pragma once

#include "framework/Forms.h"

class TspDynamicSkinForm;
class TspSkinMemo;
class TspSkinButton;

class TLogForm : public TForm {
public:
  explicit TLogForm(TComponent* owner);
  ~TLogForm() override;

  TspDynamicSkinForm* spDynamicSkinForm1;
  TspSkinMemo* mmoLog;
  TspSkinButton* OKButton;

  void FormCreate(TObject* sender);

protected:
  const char16_t* WindowClassName() const override { return u"TLogForm"; }
};

extern TLogForm* LogForm;

// The main window's "History Log" command: the memo gets a copy of the
// history as it stands now (later lines appear at the next opening).
int EventsLogMenuItemClick();
