#include "skin/dialogs/SkinDialogBase.h"

#include "skin/controls/SkinLabels.h"
#include "skin/controls/spDialogForm.h"
#include "skin/frame/DynamicSkinForm.h"

void TspSkinDialogBase::SkinFrame(TspDynamicSkinForm* frame) const {
  frame->SetSkinData(FSD);
  frame->SetMenusSkinData(FCtrlSD);
  frame->SetAlphaBlend(AlphaBlend);
  frame->AlphaBlendAnimation = AlphaBlendAnimation;
  frame->SetAlphaBlendValue(static_cast<uint8_t>(AlphaBlendValue));
}

TspSkinStdLabel* TspSkinDialogBase::MakeSkinnedLabel(TComponent* owner, const char* name, const TspFontDesc& font,
                                                     bool useSkinFont, const std::string& skinName) const {
  return spMakeSkinnedLabel(owner, name, font, useSkinFont, skinName, FCtrlSD);
}
