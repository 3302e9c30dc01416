// Main-menu items in the skinned frame.
#include "skin/frame/SkinMainMenuItem.h"

#include <algorithm>

#include "framework/Menus.h"
#include "skin/frame/DynamicSkinForm.h"

TspSkinMainMenuItem::TspSkinMainMenuItem(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData), MenuItem(AParent) {
  if (auto* d = dynamic_cast<const TspDataSkinMainMenuItem*>(AData)) {
    FontName = d->FontName;
    FontHeight = d->FontHeight;
    FontStyle = d->FontStyle;
    UnEnabledFontColor = d->UnEnabledFontColor;
    FontColor = d->FontColor;
    ActiveFontColor = d->ActiveFontColor;
    DownFontColor = d->DownFontColor;
    TextRct = ToTRect(d->TextRct);
    DownRect = ToTRect(d->DownRect);
    LO = d->ItemLO;
    RO = d->ItemRO;
  }
  if (DownRect.IsEmpty()) DownRect = ActiveSkinRect.IsEmpty() ? SkinRect : ActiveSkinRect;
  if (ActiveSkinRect.IsEmpty()) Morphing = false;
  OldEnabled = Enabled;
}

int TspSkinMainMenuItem::CaptionWidth() {
  if (!MenuItem) return 0;
  TBitmap probe(1, 1);
  TCanvas* c = probe.Canvas();
  c->Font()->SetName(FontName);
  c->Font()->SetStyle(FontStyle);
  c->Font()->SetHeight(FontHeight);
  return c->TextWidth(MenuItem->Caption());
}

bool TspSkinMainMenuItem::CalcGeometry(bool UpDate) {
  const int width = SkinRect.Width() - TextRct.Width() + CaptionWidth() + 2;
  int left = 0;
  // The nearest item before this one in the owner's list.
  for (auto& o : Parent->ObjectList) {
    if (o.get() == this) break;
    if (dynamic_cast<TspSkinMainMenuItem*>(o.get())) left = o->ObjectRect.Right;
  }
  if (left == 0) left = Parent->NewMainMenuRect.Left;
  TRect r{left, Parent->NewMainMenuRect.Top, left + width, Parent->NewMainMenuRect.Top + SkinRect.Height()};
  TempObjectRect = TRect{};
  if (Parent->SupportNCArea() && !UpDate && Parent->NewClRect.Bottom < r.Top) {
    TempObjectRect = r;
    r = OffsetTRect(r, 0, -Parent->NewClRect.Bottom);
  }
  ObjectRect = r;
  const TRect& full = TempObjectRect.IsEmpty() ? ObjectRect : TempObjectRect;
  if (full.Right > Parent->NewMainMenuRect.Right) {
    if (ItemVisible) {
      OldEnabled = Enabled;
      Enabled = false;
      ItemVisible = false;
    }
    return false;
  }
  if (!ItemVisible) {
    ItemVisible = true;
    Enabled = OldEnabled;
  }
  return true;
}

void TspSkinMainMenuItem::MakeImage(TBitmap* B, const TRect& S, bool AActive) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  B->SetSize(w, h);
  TCanvas* c = B->Canvas();
  TBitmap* pic = SkinRectInAPicture || S != SkinRect ? ActivePicture : Picture;
  if (!pic) pic = Picture;
  if (pic && !pic->Empty() && !S.IsEmpty()) {
    const int lo = std::min(LO, S.Width()), ro = std::min(RO, S.Width() - lo);
    c->CopyRect(TRect{0, 0, lo, h}, pic->Canvas(), TRect{S.Left, S.Top, S.Left + lo, S.Bottom});
    c->CopyRect(TRect{w - ro, 0, w, h}, pic->Canvas(), TRect{S.Right - ro, S.Top, S.Right, S.Bottom});
    const int mid = S.Width() - lo - ro;
    for (int x = lo; mid > 0 && x < w - ro; x += mid) {
      const int cw = std::min(mid, w - ro - x);
      c->CopyRect(TRect{x, 0, x + cw, h}, pic->Canvas(), TRect{S.Left + lo, S.Top, S.Left + lo + cw, S.Bottom});
    }
  }
  if (!MenuItem) return;
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetName(FontName);
  c->Font()->SetStyle(FontStyle);
  c->Font()->SetHeight(FontHeight);
  TColor colour = FontColor;
  if (FDown)
    colour = DownFontColor;
  else if (AActive)
    colour = ActiveFontColor;
  else if (!MenuItem->Enabled)
    colour = UnEnabledFontColor;
  c->Font()->SetColor(colour);
  TRect tr = TextRct;
  tr.Right = w - (SkinRect.Width() - TextRct.Right);
  const int tw = c->TextWidth(MenuItem->Caption()), th = c->TextHeight(MenuItem->Caption());
  c->TextOut(tr.Left + std::max(0, (tr.Width() - tw) / 2), tr.Top + (tr.Height() - th) / 2, MenuItem->Caption());
}

void TspSkinMainMenuItem::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinUsable() || SkinRect.IsEmpty() || TextRct.IsEmpty()) return;
  if (!CalcGeometry(UpDate)) return;
  TBitmap image;
  if (FDown) {
    MakeImage(&image, DownRect, true);
  } else if (EnableMorphing() && ((Active && FMorphKf != 1) || (!Active && FMorphKf != 0))) {
    TBitmap active;
    MakeImage(&image, SkinRect, false);
    MakeImage(&active, ActiveSkinRect, true);
    auto eb = TspEffectBmp::CreateFromhWnd(image.Handle());
    auto ea = TspEffectBmp::CreateFromhWnd(active.Handle());
    if (eb && ea) {
      eb->Morph(*ea, FMorphKf);
      eb->Draw(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top);
    }
    if (!TempObjectRect.IsEmpty() && !UpDate) ObjectRect = TempObjectRect;
    return;
  } else if (Active) {
    MakeImage(&image, ActiveSkinRect.IsEmpty() ? SkinRect : ActiveSkinRect, true);
  } else {
    MakeImage(&image, SkinRect, false);
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
  if (Parent->SupportNCArea() && !UpDate && !TempObjectRect.IsEmpty()) ObjectRect = TempObjectRect;
}

void TspSkinMainMenuItem::SetDown(bool Value) {
  FDown = Value;
  if (Value) {
    Parent->DrawSkinObject(this);
    PopupSubMenu();
    if (!Parent->InMainMenu) {
      Parent->InMainMenu = true;
      if (Parent->OnMainMenuEnter) Parent->OnMainMenuEnter(Parent);
    }
  } else {
    Active = false;
    if (EnableMorphing()) FMorphKf = 1;
    ReDraw();
  }
}

void TspSkinMainMenuItem::PopupSubMenu() {
  if (!MenuItem || !Parent->MenuHandler) return;
  Parent->MenuHandler->PopupMainMenuItem(this, MenuItem, ScreenRect(ObjectRect));
}

bool TspSkinMainMenuItem::ReleaseDownItem() {
  for (auto& o : Parent->ObjectList) {
    auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get());
    if (m && m->IDName != IDName && m->FDown) {
      m->SetDown(false);
      return true;
    }
  }
  return false;
}

bool TspSkinMainMenuItem::LeaveActiveItem() {
  for (auto& o : Parent->ObjectList) {
    auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get());
    if (m && m != this && m->Active) {
      m->MouseLeave();
      return true;
    }
  }
  return false;
}

void TspSkinMainMenuItem::MouseEnter() {
  if (ReleaseDownItem()) {
    Active = FMouseIn = true;
    if (EnableMorphing()) FMorphKf = 1;
    SetDown(true);
    return;
  }
  LeaveActiveItem();
  FMouseIn = Active = true;
  ReDraw();
}

void TspSkinMainMenuItem::MouseLeave() {
  Active = FMouseIn = false;
  if (EnableMorphing() && FDown) FMorphKf = 0;
  ReDraw();
  Parent->CallOnMouseLeaveEvent(IDName);
}

void TspSkinMainMenuItem::MouseDown(int X, int Y, TMouseButton Button) {
  if (!Enabled) return;
  if (Button == mbLeft && MenuItem) {
    if (MenuItem->Count() > 0) {
      SetDown(true);
    } else {
      SetDown(false);
      Parent->InMenu = false;
      if (TMenu* m = MenuItem->GetParentMenu())
        m->DispatchCommand(MenuItem->Command());
      else
        MenuItem->Click();
    }
  }
  TspActiveSkinObject::MouseDown(X, Y, Button);
}
