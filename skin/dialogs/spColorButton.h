// The text-colour button: a speed button with a colour bar that drops down a
// picture grid of 16 colours, optionally an "Automatic" row and a last
// "More colors..." row that opens the colour dialog.
#pragma once

#include <functional>
#include <memory>

#include "framework/ImgList.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/spColorCtrls.h"
#include "skin/frame/SkinImagesMenu.h"

// The 16 colours of the drop-down, in order.
extern const TColor spTextMenuColors[16];

class TspSkinTextColorButton : public TspSkinMenuSpeedButton {
public:
  explicit TspSkinTextColorButton(TComponent* owner);
  ~TspSkinTextColorButton() override;

  TColor ColorValue() const { return FColorValue; }
  // Repaints and calls OnChangeColor (not while loading).
  void SetColorValue(TColor value);
  TColor AutoColor() const { return FAutoColor; }
  void SetAutoColor(TColor value) { FAutoColor = value; }
  bool ShowAutoColor = true;
  bool ShowMoreColor = true;
  TspSkinColorDialog* ColorDialog() const { return FColorDialog; }
  void SetColorDialog(TspSkinColorDialog* value) { FColorDialog.Set(value); }
  TNotifyEvent OnChangeColor;

  bool MenuUseSkinFont() const { return FColorMenu->UseSkinFont; }
  void SetMenuUseSkinFont(bool value) { FColorMenu->UseSkinFont = value; }
  TFont* MenuDefaultFont() const { return FColorMenu->DefaultFont(); }
  bool MenuAlphaBlend() const { return FColorMenu->AlphaBlend; }
  void SetMenuAlphaBlend(bool value) { FColorMenu->AlphaBlend = value; }
  int MenuAlphaBlendValue() const { return FColorMenu->AlphaBlendValue; }
  void SetMenuAlphaBlendValue(int value) {
    FColorMenu->AlphaBlendValue = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
  }
  bool MenuAlphaBlendAnimation() const { return FColorMenu->AlphaBlendAnimation; }
  void SetMenuAlphaBlendAnimation(bool value) { FColorMenu->AlphaBlendAnimation = value; }

  // Rebuilds the image list and the menu's items.
  void InitColors();
  TspSkinImagesMenu* ColorMenu() const { return FColorMenu; }
  TCustomImageList* ColorImages() const { return FColorImages; }
  // What the menu does before it opens and when an item is clicked (public
  // so the dialogs' tests can drive them without a mouse).
  void ColorMenuPopup();
  void ColorMenuItemClick();
  // Called with each colour dialog this button runs, before it shows.
  std::function<void(TspSkinColorDialog*)> OnColorDialogCreated;

  void Loaded() override;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  TspSkinImagesMenu* FColorMenu = nullptr;
  TCustomImageList* FColorImages = nullptr;
  TColor FColorValue = 0;
  TColor FAutoColor = 0;
  TComponentRef<TspSkinColorDialog> FColorDialog{this};
  bool FMenuOpen = false;
};
