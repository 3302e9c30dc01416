#include "skin/dialogs/SkinDialogBase.h"

#include "skin/controls/SkinLabels.h"
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
  auto* label = new TspSkinStdLabel(owner);
  label->SetName(name);
  label->Font = font;
  label->DefaultFont = font;
  label->UseSkinFont = useSkinFont;
  label->SkinDataName = skinName;
  label->SetSkinData(FCtrlSD);
  return label;
}
