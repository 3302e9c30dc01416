// What the library's own small dialogs share: texts from the skin's string
// table, a dialog frame, and sizing and placing the form.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Forms.h"
#include "skin/controls/SkinLabels.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinModel.h"

// The text under `key`: the skin's own string table first, then the
// built-in one.
inline std::string spLibraryText(TspSkinData* sd, const char* key) {
  if (sd && sd->ResourceStrData()) {
    std::string s = sd->ResourceStrData()->GetResStr(key);
    if (!s.empty()) return s;
  }
  return spGetResStr(spDefaultResourceStrings(), key);
}

// Sizes the form so that its client area is `width` by `height`.
inline void spSetClientSize(TCustomForm* form, int width, int height) {
  form->Handle();
  form->SetBounds(form->Left(), form->Top(), width + form->Width() - form->ClientWidth(),
                  height + form->Height() - form->ClientHeight());
}

inline void spCentreOnScreen(TCustomForm* form) {
  form->SetBounds((GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2,
                  (GetSystemMetrics(SM_CYSCREEN) - form->Height()) / 2, form->Width(), form->Height());
}

// A dialog frame: no sizing border, no minimize or maximize buttons; the
// window class is named after the dialog.
class TspDialogForm : public TForm {
public:
  TspDialogForm(TComponent* owner, const char16_t* className) : TForm(owner), FClassName(className) {}

protected:
  const char16_t* WindowClassName() const override { return FClassName; }
  void CreateParams(TCreateParams& p) override {
    TForm::CreateParams(p);
    p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
    p.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  }

private:
  const char16_t* FClassName;
};

// A dialog's label in `font`, or the skin's label font when `useSkinFont`,
// drawn as the skin's `skinName` element of `skinData`.
inline TspSkinStdLabel* spMakeSkinnedLabel(TComponent* owner, const char* name, const TspFontDesc& font,
                                           bool useSkinFont, const std::string& skinName, TspSkinData* skinData) {
  auto* label = new TspSkinStdLabel(owner);
  label->SetName(name);
  label->Font = font;
  label->DefaultFont = font;
  label->UseSkinFont = useSkinFont;
  label->SkinDataName = skinName;
  label->SetSkinData(skinData);
  return label;
}
