// The quick-button collection and the caption object's quick buttons.
#include "skin/frame/QuickButtons.h"

#include <algorithm>

#include "framework/ImgList.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/SkinMenus.h"

void TspQuickButtonItem::Assign(const TspQuickButtonItem& Source) {
  FImageIndex = Source.FImageIndex;
  Hint = Source.Hint;
  FEnabled = Source.FEnabled;
  FVisible = Source.FVisible;
  Changed();
}

void TspQuickButtonItem::SetImageIndex(int Value) {
  FImageIndex = Value;
  Changed();
}

void TspQuickButtonItem::SetEnabled(bool Value) {
  FEnabled = Value;
  Changed();
}

void TspQuickButtonItem::SetVisible(bool Value) {
  FVisible = Value;
  Changed();
}

void TspQuickButtonItem::Changed() {
  if (FCollection) FCollection->Update(this);
}

TspQuickButtonItem* TspQuickButtonItems::Items(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[size_t(Index)].get();
}

TspQuickButtonItem* TspQuickButtonItems::Add() { return Insert(Count()); }

TspQuickButtonItem* TspQuickButtonItems::Insert(int Index) {
  Index = std::clamp(Index, 0, Count());
  auto it = FItems.insert(FItems.begin() + Index, std::make_unique<TspQuickButtonItem>(this));
  Update(nullptr);
  return it->get();
}

void TspQuickButtonItems::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  FItems.erase(FItems.begin() + Index);
  Update(nullptr);
}

void TspQuickButtonItems::Clear() {
  FItems.clear();
  Update(nullptr);
}

void TspQuickButtonItems::Assign(const TspQuickButtonItems& Source) {
  if (&Source == this) return;
  FItems.clear();
  for (int i = 0; i < Source.Count(); ++i) {
    auto item = std::make_unique<TspQuickButtonItem>(this);
    item->Assign(*Source.Items(i));
    FItems.push_back(std::move(item));
  }
  Update(nullptr);
}

void TspQuickButtonItems::Update(TspQuickButtonItem*) {
  if (DSF && !(DSF->ComponentState() & (csLoading | csDesigning))) DSF->UpDateFormNC();
}

// ---------------------------------------------------------------------------
// The caption object's side

bool TspSkinCaptionObject::HasQuickButtons() const {
  return Parent->SupportNCArea() && Parent->QuickButtons().Count() > 0 && Parent->QuickImageList;
}

int TspSkinCaptionObject::QuickButtonsWidth() const {
  if (!HasQuickButtons()) return 0;
  const int n = Parent->QuickButtons().Count(), iw = Parent->QuickImageList->Width();
  if (DividerRect.IsEmpty()) return n * (iw + 8) + 5;
  return DividerRect.Width() + n * (iw + 8) + 6;
}

void TspSkinCaptionObject::DrawQuickButtons(TCanvas* C) {
  if (!HasQuickButtons() || !C) return;
  TCustomImageList* il = Parent->QuickImageList;
  const int iw = il->Width(), ih = il->Height();
  int x = ObjectRect.Left + (DividerRect.IsEmpty() ? 5 : DividerRect.Width() + 6);
  const int y = ObjectRect.Top + ObjectRect.Height() / 2 - ih / 2 - 2;
  TspQuickButtonItems& items = Parent->QuickButtons();
  for (int i = 0; i < items.Count(); ++i) {
    TspQuickButtonItem* q = items.Items(i);
    if (!q->Visible()) continue;
    q->ItemRect = TRect{x, y, x + iw + 4, y + ih + 4};
    if (q->ImageIndex() >= 0 && q->ImageIndex() < il->Count())
      il->Draw(C, q->ItemRect.Left + q->ItemRect.Width() / 2 - iw / 2,
               q->ItemRect.Top + q->ItemRect.Height() / 2 - ih / 2, q->ImageIndex(), q->Enabled());
    x += iw + 8;
  }
}

void TspSkinCaptionObject::RepaintCaption() { Parent->DrawSkinObject(this); }

void TspSkinCaptionObject::TestActiveQuickButton(int X, int Y) {
  TspQuickButtonItems& items = Parent->QuickButtons();
  if (items.Count() == 0) return;
  OldActiveQuickButton = ActiveQuickButton;
  ActiveQuickButton = -1;
  for (int i = 0; i < items.Count(); ++i) {
    TspQuickButtonItem* q = items.Items(i);
    if (q->Enabled() && q->Visible() && PtInTRect(q->ItemRect, X, Y)) {
      ActiveQuickButton = i;
      break;
    }
  }
  bool changed = false;
  for (int i = 0; i < items.Count(); ++i) {
    if (i == PopupMenuQuickButton) continue;
    TspQuickButtonItem* q = items.Items(i);
    const bool a = i == ActiveQuickButton;
    if (q->Active != a) changed = true;
    q->Active = a;
  }
  const bool indexChanged = ActiveQuickButton != OldActiveQuickButton;
  if (changed || indexChanged) RepaintCaption();
  auto* hints = Parent->HintHandler.get();
  if (!hints || !Parent->QuickButtonsShowHint) return;
  if (indexChanged && ActiveQuickButton != -1 && !items.Items(ActiveQuickButton)->Hint.empty())
    hints->ActivateHint2(items.Items(ActiveQuickButton)->Hint);
  else if (changed && ActiveQuickButton == -1)
    hints->HideHint();
}

void TspSkinCaptionObject::QuickMouseDown(int X, int Y, TMouseButton Button) {
  if (!HasQuickButtons()) return;
  TestActiveQuickButton(X, Y);
  TspQuickButtonItems& items = Parent->QuickButtons();
  if (TspQuickButtonItem* q = items.Items(ActiveQuickButton)) {
    if (Button == mbLeft) {
      q->Down = true;
      if (q->FPopupMenu && PopupMenuQuickButton != ActiveQuickButton) {
        RepaintCaption();
        PopupMenuQuickButton = ActiveQuickButton;
        MouseCaptureQuickButton = -1;
        if (Parent->FLayerManager->IsVisible()) Parent->FLayerManager->Hide();
        if (Parent->FMenuLayerManager->IsVisible()) Parent->FMenuLayerManager->Hide();
        q->FPopupMenu->PopupFromRect(ScreenRect(q->ItemRect), false);
      } else if (!q->FPopupMenu) {
        MouseCaptureQuickButton = ActiveQuickButton;
      }
      for (int i = 0; i < items.Count(); ++i)
        if (i != ActiveQuickButton) items.Items(i)->Down = items.Items(i)->Active = false;
      RepaintCaption();
    }
    if (q->OnMouseDown) q->OnMouseDown(nullptr, Button, 0, X, Y);
  }
  if (Parent->QuickButtonsShowHint && Parent->HintHandler) Parent->HintHandler->HideHint();
}

bool TspSkinCaptionObject::QuickMouseUp(int X, int Y, TMouseButton Button) {
  TspQuickButtonItems& items = Parent->QuickButtons();
  if (HasQuickButtons())
    TestActiveQuickButton(X, Y);
  else
    ActiveQuickButton = -1;
  if (ActiveQuickButton == -1)
    if (TspQuickButtonItem* cap = items.Items(MouseCaptureQuickButton)) cap->Down = cap->Active = false;
  MouseCaptureQuickButton = -1;
  TspQuickButtonItem* q = items.Items(ActiveQuickButton);
  if (Button != mbLeft || !q) return false;
  const bool wasDown = q->Down;
  for (int i = 0; i < items.Count(); ++i)
    if (!(i == ActiveQuickButton && i == PopupMenuQuickButton)) items.Items(i)->Down = false;
  RepaintCaption();
  if (wasDown && q->OnClick) q->OnClick(nullptr);
  return true;
}

void TspSkinCaptionObject::QuickMenuClosed() {
  if (TspQuickButtonItem* q = Parent->QuickButtons().Items(PopupMenuQuickButton)) q->Active = q->Down = false;
  PopupMenuQuickButton = -1;
  RepaintCaption();
}
