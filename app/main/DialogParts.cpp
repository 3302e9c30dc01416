#include <windows.h>

#include "app/main/DialogParts.h"

#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinTabs.h"
#include "skin/dialogs/spFileDialogs.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/DynamicSkinForm.h"
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

TspSkinData* DialogSkinData = nullptr;

void SkinProgramWindow(TForm* form, TspSkinData* data) {
  bool framed = false;
  for (int i = 0; i < form->ComponentCount() && !framed; ++i)
    framed = dynamic_cast<TspDynamicSkinForm*>(form->Components(i)) != nullptr;
  if (!framed) (new TspDynamicSkinForm(form))->SetName("spDynamicSkinForm1");
  SetDialogSkinData(form, data);
}

void SetDialogSkinData(TForm* form, TspSkinData* data) {
  for (int i = 0; i < form->ComponentCount(); ++i) {
    TComponent* c = form->Components(i);
    if (auto* f = dynamic_cast<TspDynamicSkinForm*>(c)) {
      f->SetSkinData(data);
      f->SetMenusSkinData(data);
    } else if (auto* w = dynamic_cast<TspSkinControlT<TCustomControl>*>(c)) {
      w->SetSkinData(data);
    } else if (auto* g = dynamic_cast<TspSkinControlT<TGraphicControl>*>(c)) {
      g->SetSkinData(data);
    } else if (auto* l = dynamic_cast<TspSkinFontLabel*>(c)) {
      l->SetSkinData(data);
    } else if (auto* e = dynamic_cast<TspSkinCustomEdit*>(c)) {
      e->SetSkinData(data);
      // A file or directory edit's own dialog wears the skin too.
      if (auto* d = dynamic_cast<TspSkinDialogEdit*>(c)) {
        d->DlgSkinData.Set(data);
        d->DlgCtrlSkinData.Set(data);
      }
    } else if (auto* m = dynamic_cast<TspSkinMemo*>(c)) {
      m->SetSkinData(data);
    } else if (auto* p = dynamic_cast<TspSkinPageControl*>(c)) {
      p->SetSkinData(data);
    } else if (auto* b = dynamic_cast<TspSkinMessage*>(c)) {
      b->SetSkinData(data);
      b->SetCtrlSkinData(data);
    }
  }
}
