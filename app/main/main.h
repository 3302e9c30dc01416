// The program's main window.
#pragma once

#include "framework/Forms.h"

class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* owner);

protected:
  const char16_t* WindowClassName() const override { return u"TMainForm"; }
};

extern TMainForm* MainForm;
