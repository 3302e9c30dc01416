#include "app/main/main.h"

TMainForm* MainForm = nullptr;

static const char kProductName[] = "Tessavane";

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  SetName("MainForm");
  SetCaption(kProductName);
  SetBounds(CW_USEDEFAULT, CW_USEDEFAULT, 960, 640);
  // The application's title is the product name once the main window stands.
  if (Application) Application->Title = kProductName;
}
