#include <windows.h>

#include "app/main/DialogParts.h"

#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"

TspSkinStdLabel* MakeDialogLabel(TComponent* owner, TWinControl* parent, const char* name, int x, int y, const std::string& caption) {
  auto* label = new TspSkinStdLabel(owner);
  label->SetName(name);
  label->SetParent(parent);
  label->SetBounds(x, y, 100, 16);
  label->SetCaption(caption);
  return label;
}

TspSkinButton* MakeDialogButton(TComponent* owner, TWinControl* parent, const char* name, int x, int y, int w, int h,
                                const std::string& caption) {
  auto* button = new TspSkinButton(owner);
  button->SetName(name);
  button->SetParent(parent);
  button->SetBounds(x, y, w, h);
  button->SetCaption(caption);
  return button;
}

void SetFormClientHeight(TForm* form, int height) {
  form->SetBounds(form->Left(), form->Top(), form->Width(), height + form->Height() - form->ClientHeight());
}
