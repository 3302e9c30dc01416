// Standard controls over the system's own window classes.
#pragma once

#include <string>

#include "framework/Controls.h"

// A one-line edit: the system EDIT class under our window procedure. The
// text lives in the window once it exists; Text() reads it back from there.
class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* owner);

  std::string Text() const;
  void SetText(const std::string& value);
  TNotifyEvent OnChange;

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
};
