#include "skin/dialogs/spColorButton.h"

#include <windows.h>

#include "skin/controls/spDialogForm.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinModel.h"

namespace {
constexpr TColor Hex(uint32_t rrggbb) {
  return static_cast<TColor>(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16));
}

void AddSwatch(TCustomImageList* list, TColor color) {
  TBitmap b(12, 12, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(color);
  c->FillRect(TRect{0, 0, 12, 12});
  list->Add(&b, nullptr);
}
}  // namespace

const TColor spTextMenuColors[16] = {
    Hex(0x000000), Hex(0x808080), Hex(0x800000), Hex(0x808000), Hex(0x008000), Hex(0x000080),
    Hex(0x008080), Hex(0x800080), Hex(0xFFFFFF), Hex(0xC0C0C0), Hex(0xFF0000), Hex(0xFFFF00),
    Hex(0x00FF00), Hex(0x00FFFF), Hex(0x0000FF), Hex(0xFF00FF),
};

TspSkinTextColorButton::TspSkinTextColorButton(TComponent* owner) : TspSkinMenuSpeedButton(owner) {
  FDrawColorMarker = true;
  FColorMarkerValue = 0;
  FColorImages = new TCustomImageList(this);
  FColorImages->SetSize(12, 12);
  FColorMenu = new TspSkinImagesMenu(this);
  FColorMenu->SetImages(FColorImages);
  FColorMenu->SetColumnsCount(8);
  FColorMenu->OnMenuPopup = [this](TObject*) { ColorMenuPopup(); };
  FColorMenu->OnItemClick = [this](TObject*) { ColorMenuItemClick(); };
  FColorMenu->OnInternalMenuClose = [this](TObject*) {
    FMenuOpen = false;
    FDown = false;
    FMouseIn = false;
    Repaint();
  };
}

TspSkinTextColorButton::~TspSkinTextColorButton() {
  FColorMenu->OnInternalMenuClose = nullptr;
}

void TspSkinTextColorButton::Loaded() {
  TspSkinMenuSpeedButton::Loaded();
  InitColors();
}

void TspSkinTextColorButton::SetColorValue(TColor value) {
  FColorValue = value;
  FColorMarkerValue = value;
  Invalidate();
  if (!(ComponentState() & (csLoading | csDesigning)) && OnChangeColor) OnChangeColor(this);
}

void TspSkinTextColorButton::InitColors() {
  FColorImages->Clear();
  auto* items = FColorMenu->ImagesItems();
  items->Clear();
  FColorMenu->SetColumnsCount(8);
  FColorMenu->SetSkinData(SkinData());
  FColorMenu->ItemIndex = 0;
  if (ShowAutoColor) {
    auto* it = items->Add();
    it->SetCaption(spLibraryText(SkinData(), "AUTOCOLOR"));
    it->SetImageIndex(0);
    it->Color = FAutoColor;
    it->Button = true;
    AddSwatch(FColorImages, FAutoColor);
  } else {
    AddSwatch(FColorImages, clBlack);
  }
  for (int i = 0; i < 16; ++i) {
    auto* it = items->Add();
    it->SetImageIndex(i + 1);
    it->Color = spTextMenuColors[i];
    AddSwatch(FColorImages, spTextMenuColors[i]);
  }
  if (ShowMoreColor) {
    auto* it = items->Add();
    it->SetCaption(spLibraryText(SkinData(), "MORECOLORS"));
    it->Button = true;
  }
}

void TspSkinTextColorButton::ColorMenuPopup() {
  auto* items = FColorMenu->ImagesItems();
  const TColor mine = ColorToRGB(FColorValue);
  for (int i = 0; i < items->Count() - 1; ++i)
    if (ColorToRGB(items->Items(i)->Color) == mine) {
      FColorMenu->ItemIndex = i;
      return;
    }
  if (ShowMoreColor) FColorMenu->ItemIndex = items->Count() - 1;
}

void TspSkinTextColorButton::ColorMenuItemClick() {
  auto* items = FColorMenu->ImagesItems();
  const int i = FColorMenu->ItemIndex;
  if (i < 0 || i >= items->Count()) return;
  if (ShowMoreColor && i == items->Count() - 1) {
    if (FColorDialog) {
      FColorDialog->Color = FColorValue;
      if (OnColorDialogCreated) OnColorDialogCreated(FColorDialog);
      if (FColorDialog->Execute()) SetColorValue(FColorDialog->Color);
    } else {
      std::unique_ptr<TspSkinColorDialog> dialog(new TspSkinColorDialog(this));
      dialog->SetSkinData(SkinData());
      dialog->SetCtrlSkinData(SkinData());
      dialog->Color = FColorValue;
      if (OnColorDialogCreated) OnColorDialogCreated(dialog.get());
      if (dialog->Execute()) SetColorValue(dialog->Color);
    }
    return;
  }
  SetColorValue(items->Items(i)->Color);
}

void TspSkinTextColorButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button != mbLeft || !Enabled()) {
    TspSkinMenuSpeedButton::MouseDown(button, shift, x, y);
    return;
  }
  FMenuOpen = true;
  FDown = true;
  FMouseIn = true;
  Repaint();
  POINT p = ClientToScreen(POINT{0, 0});
  FColorMenu->PopupFromRect(RECT{p.x, p.y, p.x + Width(), p.y + Height()});
}

void TspSkinTextColorButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!FMenuOpen) TspSkinMenuSpeedButton::MouseUp(button, shift, x, y);
}

