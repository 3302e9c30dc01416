#include "skin/dialogs/SkinDialogBase.h"

#include "skin/frame/DynamicSkinForm.h"

void TspSkinDialogBase::SkinFrame(TspDynamicSkinForm* frame) const {
  frame->SetSkinData(FSD);
  frame->SetMenusSkinData(FCtrlSD);
  frame->SetAlphaBlend(AlphaBlend);
  frame->AlphaBlendAnimation = AlphaBlendAnimation;
  frame->SetAlphaBlendValue(static_cast<uint8_t>(AlphaBlendValue));
}
