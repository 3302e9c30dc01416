// The DVD Info window: the text the loading dialog wrote about the opened
// DVD's titles, in a read-only memo.
#pragma once

#include "framework/Forms.h"

class TspDynamicSkinForm;
class TspSkinMemo;
class TspSkinButton;

class TDVDInfoForm : public TForm {
public:
  explicit TDVDInfoForm(TComponent* owner);
  ~TDVDInfoForm() override;

  TspDynamicSkinForm* spDynamicSkinForm1;
  TspSkinMemo* Memo1;
  TspSkinButton* OKButton;

protected:
  const char16_t* WindowClassName() const override { return u"TDVDInfoForm"; }
};

extern TDVDInfoForm* DVDInfoForm;
