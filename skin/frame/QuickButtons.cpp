// The quick-button collection and the caption object's quick buttons.
#include "skin/frame/QuickButtons.h"

#include <algorithm>

#include "framework/ImgList.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/data/SPUtils.h"
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

void TspSkinCaptionObject::LayQuickButtons(const std::function<void(TspQuickButtonItem* item)>& draw) {
  TCustomImageList* il = Parent->QuickImageList;
  const int iw = il->Width(), ih = il->Height();
  int x = ObjectRect.Left + (DividerRect.IsEmpty() ? 5 : DividerRect.Width() + 6);
  const int y = ObjectRect.Top + ObjectRect.Height() / 2 - ih / 2 - 2;
  TspQuickButtonItems& items = Parent->QuickButtons();
  for (int i = 0; i < items.Count(); ++i) {
    TspQuickButtonItem* q = items.Items(i);
    if (!q->Visible()) continue;
    q->ItemRect = TRect{x, y, x + iw + 4, y + ih + 4};
    draw(q);
    x += iw + 8;
  }
}

TRect TspSkinCaptionObject::CurrentDividerRect() const {
  if (!Active && !InActiveDividerRect.IsEmpty()) return InActiveDividerRect;
  return DividerRect;
}

bool TspSkinCaptionObject::QuickButtonFace(const TspQuickButtonItem* Item, TBitmap& Face) const {
  const TRect R = Item->ItemRect;
  TspSkinData* sd = Parent->SkinData();
  if (!Item->Active || !sd || sd->Empty || R.Width() <= 0 || R.Height() <= 0) return false;
  int idx = sd->GetControlIndex("officequickbutton");
  if (idx < 0) idx = sd->GetControlIndex("resizetoolbutton");
  auto* e = idx >= 0 ? dynamic_cast<TspDataSkinButtonControl*>(sd->CtrlList[size_t(idx)].get()) : nullptr;
  TBitmap* pic = e ? sd->ActivePicture(e->PictureIndex) : nullptr;
  if (!pic || pic->Empty()) return false;
  const TspRect& s = Item->Down ? e->DownSkinRect : e->ActiveSkinRect;
  Face.SetSize(R.Width(), R.Height());
  DrawSkinRectStretched(&Face, pic, TRect{s.Left, s.Top, s.Right, s.Bottom},
                        TRect{e->ClRect.Left, e->ClRect.Top, e->ClRect.Right, e->ClRect.Bottom}, true);
  return true;
}

void TspSkinCaptionObject::DrawQuickButtons(TCanvas* C) {
  if (!HasQuickButtons() || !C) return;
  const TRect d = CurrentDividerRect();
  if (!DividerRect.IsEmpty() && ActivePicture && !d.IsEmpty()) {
    const int x = ObjectRect.Left + 3, y = ObjectRect.Top + TextRct.Height() / 2 - DividerRect.Height() / 2;
    TBitmap piece;
    piece.SetSize(d.Width(), d.Height());
    piece.Canvas()->CopyRect(TRect{0, 0, d.Width(), d.Height()}, ActivePicture->Canvas(), d);
    if (DividerTransparent) {
      piece.SetTransparentColor(DividerTransparentColor);
      piece.SetTransparent(true);
    }
    C->Draw(x, y, &piece);
  }
  TCustomImageList* il = Parent->QuickImageList;
  const int iw = il->Width(), ih = il->Height();
  LayQuickButtons([&](TspQuickButtonItem* q) {
    if (q->ImageIndex() < 0) return;
    TBitmap face;
    if (QuickButtonFace(q, face)) C->Draw(q->ItemRect.Left, q->ItemRect.Top, &face);
    if (q->ImageIndex() < il->Count())
      il->Draw(C, q->ItemRect.Left + q->ItemRect.Width() / 2 - iw / 2,
               q->ItemRect.Top + q->ItemRect.Height() / 2 - ih / 2, q->ImageIndex(), q->Enabled());
  });
}

void TspSkinCaptionObject::DrawQuickButtonsAlpha(TspBitmap* Image) {
  if (!HasQuickButtons() || !Image || Image->Empty()) return;
  // The divider takes the alpha of the picture underneath; a keyed pixel
  // leaves the picture as it was.
  const TRect d = CurrentDividerRect();
  if (!DividerRect.IsEmpty() && ActivePicture && !d.IsEmpty()) {
    const int x0 = ObjectRect.Left + 3, y0 = ObjectRect.Top + ObjectRect.Height() / 2 - DividerRect.Height() / 2;
    TCanvas* src = ActivePicture->Canvas();
    for (int yy = 0; yy < d.Height(); ++yy)
      for (int xx = 0; xx < d.Width(); ++xx) {
        const int px = x0 + xx, py = y0 + yy;
        if (px < 0 || py < 0 || px >= Image->Width() || py >= Image->Height()) continue;
        const TColor c = src->Pixel(d.Left + xx, d.Top + yy);
        if (DividerTransparent && c == DividerTransparentColor) continue;
        const uint32_t rgb = (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
        Image->SetPixel(px, py, rgb | (Image->GetPixel(px, py) & 0xFF000000u));
      }
  }
  LayQuickButtons([&](TspQuickButtonItem* q) { DrawQuickButtonAlpha(Image, q); });
}

void TspSkinCaptionObject::DrawQuickButtonAlpha(TspBitmap* Image, TspQuickButtonItem* Item) {
  if (!Item->Visible() || Item->ImageIndex() < 0) return;
  const TRect R = Item->ItemRect;
  auto put = [&](int x, int y, TColor c, uint32_t alpha) {
    if (x < 0 || y < 0 || x >= Image->Width() || y >= Image->Height()) return;
    const uint32_t rgb = (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
    Image->SetPixel(x, y, rgb | (alpha << 24));
  };
  // The face of a hovered button, opaque.
  TBitmap face;
  if (QuickButtonFace(Item, face))
    for (int yy = 0; yy < R.Height(); ++yy)
      for (int xx = 0; xx < R.Width(); ++xx) put(R.Left + xx, R.Top + yy, face.Canvas()->Pixel(xx, yy), 255);
  // The glyph over a key colour: its pixels become opaque when enabled and
  // keep the picture's alpha when not.
  TCustomImageList* il = Parent->QuickImageList;
  if (Item->ImageIndex() >= il->Count()) return;
  const int iw = il->Width(), ih = il->Height();
  const TColor key = TColor(0x007F007F);
  TBitmap g;
  g.SetSize(iw, ih);
  g.Canvas()->Brush()->SetColor(key);
  g.Canvas()->FillRect(TRect{0, 0, iw, ih});
  il->Draw(g.Canvas(), 0, 0, Item->ImageIndex(), Item->Enabled());
  const int gx = R.Left + R.Width() / 2 - iw / 2, gy = R.Top + R.Height() / 2 - ih / 2;
  for (int yy = 0; yy < ih; ++yy)
    for (int xx = 0; xx < iw; ++xx) {
      const TColor c = g.Canvas()->Pixel(xx, yy);
      if (c == key) continue;
      const int px = gx + xx, py = gy + yy;
      if (px < 0 || py < 0 || px >= Image->Width() || py >= Image->Height()) continue;
      const uint32_t under = Image->GetPixel(px, py) >> 24;
      put(px, py, c, Item->Enabled() ? 255 : under);
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
