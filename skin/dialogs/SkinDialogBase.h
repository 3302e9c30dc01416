// What every skinned dialog component holds: the skin of its window's
// frame, the skin of its controls, and the frame's translucency.
#pragma once

#include "framework/Classes.h"

#include <string>

class TspSkinData;
class TspDynamicSkinForm;
class TspSkinStdLabel;
struct TspFontDesc;

class TspSkinDialogBase : public TComponent {
public:
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  int AlphaBlendValue;
  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value) { FSD.Set(value); }
  TspSkinData* CtrlSkinData() const { return FCtrlSD; }
  void SetCtrlSkinData(TspSkinData* value) { FCtrlSD.Set(value); }

protected:
  explicit TspSkinDialogBase(TComponent* owner, int alphaBlendValue = 200)
      : TComponent(owner), AlphaBlendValue(alphaBlendValue) {}
  // Gives the dialog window's skinned frame the two skins (the controls'
  // skin serves its menus) and the translucency.
  void SkinFrame(TspDynamicSkinForm* frame) const;
  // A label of `owner` in the controls' skin, its element `skinName`; in
  // `font`, or in the skin's font when useSkinFont and the skin has one.
  TspSkinStdLabel* MakeSkinnedLabel(TComponent* owner, const char* name, const TspFontDesc& font, bool useSkinFont,
                                    const std::string& skinName) const;

  TComponentRef<TspSkinData> FSD{this};
  TComponentRef<TspSkinData> FCtrlSD{this};
};
