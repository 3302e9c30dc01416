// The frame object base, user objects and caption buttons.
#include "skin/frame/SkinFrameObjects.h"

#include "skin/frame/DynamicSkinForm.h"
#include "skin/data/SkinMorph.h"

namespace {

TBitmap* PictureAt(TspSkinData* sd, int index) {
  if (!sd || index < 0 || index >= static_cast<int>(sd->FActivePictures.size())) return nullptr;
  TBitmap* b = sd->ActivePicture(index);
  return (b && !b->Empty()) ? b : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// TspActiveSkinObject

TspActiveSkinObject::TspActiveSkinObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : Parent(AParent), SD(AParent->SkinData()) {
  if (!AData) return;
  IDName = AData->IDName;
  Hint = AData->Hint;
  SkinRectInAPicture = AData->SkinRectInAPicture;
  SkinRect = ToTRect(AData->SkinRect);
  ActiveSkinRect = ToTRect(AData->ActiveSkinRect);
  InActiveSkinRect = ToTRect(AData->InActiveSkinRect);
  Morphing = AData->Morphing;
  MorphKind = AData->MorphKind;
  CursorIndex = AData->CursorIndex;
  RollUp = AData->RollUp;
  GlowLayerPictureIndex = AData->GlowLayerPictureIndex;
  GlowLayerMaskPictureIndex = AData->GlowLayerMaskPictureIndex;
  GlowLayerOffsetX = AData->GlowLayerOffsetX;
  GlowLayerOffsetY = AData->GlowLayerOffsetY;
  GlowLayerAlphaBlendValue = AData->GlowLayerAlphaBlendValue;
  ActivePicture = PictureAt(SD, AData->ActivePictureIndex);
  if (!ActivePicture) ActiveSkinRect = TRect{};
  ActiveMaskPicture = PictureAt(SD, AData->ActiveMaskPictureIndex);
  ObjectRect = SkinRect;
  if (SD) Picture = RollUp ? SD->RollUpPicture() : SD->Picture();
}

bool TspActiveSkinObject::SkinUsable() const { return SD && !SD->Empty; }

bool TspActiveSkinObject::ActiveWindow() const { return Parent->GetFormActive(); }

bool TspActiveSkinObject::PointInMask(int X, int Y) {
  if (!SkinUsable() || !ActiveMaskPicture) return true;
  // Outside the mask picture counts as white: never read past its edges.
  if (X < 0 || Y < 0 || X >= ActiveMaskPicture->Width() || Y >= ActiveMaskPicture->Height()) return false;
  return (ColorToRGB(ActiveMaskPicture->Canvas()->Pixel(X, Y)) & 0xFFFFFF) == 0;
}

void TspActiveSkinObject::CopyLook(TCanvas* Cnvs, TBitmap* Src, const TRect& SrcRect, const TRect& Dst) {
  if (!Cnvs || !Src || Src->Empty() || SrcRect.IsEmpty() || Dst.IsEmpty()) return;
  Cnvs->CopyRect(Dst, Src->Canvas(), SrcRect);
}

void TspActiveSkinObject::DrawMorph(TCanvas* Cnvs, TBitmap* NormalPic, const TRect& NormalRect,
                                    const TRect& ActiveRect) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0 || !NormalPic || !ActivePicture) return;
  TBitmap normal(w, h), active(w, h);
  CopyLook(normal.Canvas(), NormalPic, NormalRect, TRect{0, 0, w, h});
  CopyLook(active.Canvas(), ActivePicture, ActiveRect, TRect{0, 0, w, h});
  auto eb = TspEffectBmp::CreateFromhWnd(normal.Handle());
  auto ea = TspEffectBmp::CreateFromhWnd(active.Handle());
  if (!eb || !ea) return;
  MorphTowards(*eb, *ea, MorphKind, FMorphKf);
  eb->Draw(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top);
}

void TspActiveSkinObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinUsable()) return;
  if (Enabled && !ActiveWindow() && !InActiveSkinRect.IsEmpty()) {
    CopyLook(Cnvs, ActivePicture, InActiveSkinRect, ObjectRect);
    return;
  }
  TBitmap* normalPic = SkinRectInAPicture ? ActivePicture : Picture;
  if (EnableMorphing() && ((Active && FMorphKf != 1) || (!Active && FMorphKf != 0))) {
    DrawMorph(Cnvs, normalPic, SkinRect, ActiveSkinRect);
    return;
  }
  if (Active && !ActiveSkinRect.IsEmpty()) {
    CopyLook(Cnvs, ActivePicture, ActiveSkinRect, ObjectRect);
    return;
  }
  if (!UpDate && !SkinRectInAPicture) return;  // the frame picture already shows it
  CopyLook(Cnvs, normalPic, SkinRect, ObjectRect);
}

bool TspActiveSkinObject::EnableMorphing() {
  return Morphing && SD && !ActiveSkinRect.IsEmpty() && SD->EnableSkinEffects;
}

bool TspActiveSkinObject::CanMorphing() { return (Active && FMorphKf < 1) || (!Active && FMorphKf > 0); }

void TspActiveSkinObject::SetMorphKf(double value) {
  FMorphKf = value;
  if (FMorphKf < 0) FMorphKf = 0;
  if (FMorphKf > 1) FMorphKf = 1;
}

void TspActiveSkinObject::DoMorphing() {
  SetMorphKf(Active ? FMorphKf + 0.2 : FMorphKf - 0.2);
  Parent->DrawSkinObject(this);
}

void TspActiveSkinObject::ReDraw() {
  if (EnableMorphing())
    Parent->MorphTimer->SetEnabled(true);
  else
    Parent->DrawSkinObject(this);
}

void TspActiveSkinObject::MouseEnter() {
  FMouseIn = true;
  Active = true;
  if (!ActiveSkinRect.IsEmpty()) ReDraw();
  Parent->CallOnMouseEnterEvent(IDName);
  ShowLayer();
}

void TspActiveSkinObject::MouseLeave() {
  FMouseIn = false;
  Active = false;
  if (!ActiveSkinRect.IsEmpty()) ReDraw();
  Parent->CallOnMouseLeaveEvent(IDName);
  HideLayer();
}

void TspActiveSkinObject::MouseDown(int X, int Y, TMouseButton Button) {
  Parent->CallOnMouseDownEvent(IDName, X, Y, ObjectRect, Button);
}

void TspActiveSkinObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (FMouseIn) Parent->CallOnMouseUpEvent(IDName, X, Y, ObjectRect, Button);
}

void TspActiveSkinObject::MouseMove(int X, int Y) { Parent->CallOnMouseMoveEvent(IDName, X, Y, ObjectRect); }

void TspActiveSkinObject::ShowLayer() {
  if (!SkinUsable() || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() || !SD->ShowCaptionButtonGlowFrames)
    return;
  TBitmap* image = PictureAt(SD, GlowLayerPictureIndex);
  TBitmap* mask = PictureAt(SD, GlowLayerMaskPictureIndex);
  if (!image || !mask || !Parent->FLayerManager) return;
  TRect r = ScreenRect(ObjectRect);
  Parent->FLayerManager->Show(r.Left - GlowLayerOffsetX, r.Top - GlowLayerOffsetY, image, mask,
                              GlowLayerAlphaBlendValue);
}

void TspActiveSkinObject::HideLayer() {
  if (!SkinUsable() || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() || !SD->ShowCaptionButtonGlowFrames)
    return;
  if (Parent->FLayerManager) Parent->FLayerManager->Hide();
}

TRect TspActiveSkinObject::ScreenRect(const TRect& R) const {
  TCustomForm* f = Parent->Form();
  return OffsetTRect(R, f->Left(), f->Top());
}

// ---------------------------------------------------------------------------
// TspUserObject

void TspUserObject::Draw(TCanvas* Cnvs, bool) { Parent->CallOnPaintEvent(IDName, Cnvs, ObjectRect); }

// ---------------------------------------------------------------------------
// TspSkinButtonObject

TspSkinButtonObject::TspSkinButtonObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  if (auto* b = dynamic_cast<const TspDataSkinButton*>(AData)) {
    DownRect = ToTRect(b->DownRect);
    DisableSkinRect = ToTRect(b->DisableSkinRect);
    GroupIndex = b->GroupIndex;
  }
  FMorphKf = 0;
}

void TspSkinButtonObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinUsable()) return;
  if (!Enabled && !DisableSkinRect.IsEmpty()) {
    CopyLook(Cnvs, ActivePicture, DisableSkinRect, ObjectRect);
  } else if (FDown && !DownRect.IsEmpty() && (GroupIndex != -1 || FMouseIn)) {
    CopyLook(Cnvs, ActivePicture, DownRect, ObjectRect);
  } else {
    TspActiveSkinObject::Draw(Cnvs, UpDate);
  }
}

bool TspSkinButtonObject::CanMorphing() {
  if (MenuItem && FDown) return false;
  return TspActiveSkinObject::CanMorphing();
}

void TspSkinButtonObject::ShowLayer() {
  if (!SkinUsable() || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() || !SD->ShowCaptionButtonGlowFrames)
    return;
  TspLayerManager* lm = MenuItem ? Parent->FMenuLayerManager : Parent->FLayerManager;
  TBitmap* image = PictureAt(SD, GlowLayerPictureIndex);
  TBitmap* mask = PictureAt(SD, GlowLayerMaskPictureIndex);
  if (!lm || !image || !mask) return;
  TRect r = ScreenRect(ObjectRect);
  lm->Show(r.Left - GlowLayerOffsetX, r.Top - GlowLayerOffsetY, image, mask, GlowLayerAlphaBlendValue);
}

void TspSkinButtonObject::HideLayer() {
  if (!SkinUsable() || GlowLayerPictureIndex == -1 || !IsWindows2000OrLater() || !SD->ShowCaptionButtonGlowFrames)
    return;
  TspLayerManager* lm = MenuItem ? Parent->FMenuLayerManager : Parent->FLayerManager;
  if (lm) lm->Hide();
}

void TspSkinButtonObject::ReleaseGroup() {
  if (GroupIndex == -1) return;
  for (auto& o : Parent->ObjectList) {
    auto* b = dynamic_cast<TspSkinButtonObject*>(o.get());
    if (b && b != this && b->IDName != IDName && b->GroupIndex == GroupIndex && b->FDown) {
      b->SetDown(false);
      break;
    }
  }
}

void TspSkinButtonObject::SetDown(bool Value) {
  FDown = Value;
  if (MenuItem && FDown && DownRect.IsEmpty()) {
    FMouseIn = true;
    Active = true;
    if (EnableMorphing()) FMorphKf = 1;
    Parent->DrawSkinObject(this);
  } else if (MenuItem && !FDown && DownRect.IsEmpty()) {
    Parent->DrawSkinObject(this);
    if (EnableMorphing()) ReDraw();
  }
  if (DownRect.IsEmpty()) {
    if (FDown) ReleaseGroup();
    return;
  }
  if (FDown) {
    if (EnableMorphing()) FMorphKf = 1;
    Parent->DrawSkinObject(this);
    ReleaseGroup();
    return;
  }
  if (GroupIndex != -1 || MenuItem) Active = false;
  if (EnableMorphing()) Parent->DrawSkinObject(this);
  ReDraw();
}

void TspSkinButtonObject::TrackMenu() {
  if (!MenuItem || !Parent->MenuHandler) return;
  if (Parent->FLayerManager && Parent->FLayerManager->IsVisible()) Parent->FLayerManager->Hide();
  if (Parent->FMenuLayerManager && Parent->FMenuLayerManager->IsVisible()) Parent->FMenuLayerManager->Hide();
  if (FMouseIn) ShowLayer();
  Parent->MenuHandler->TrackButtonMenu(this, ScreenRect(ObjectRect));
}

void TspSkinButtonObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (!Enabled) return;
  if (Button == mbLeft && !FDown) {
    SetDown(true);
    TrackMenu();
  }
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinButtonObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (!Enabled) return;
  if (Button == mbLeft && !MenuItem && FDown && GroupIndex == -1) SetDown(false);
  TspActiveSkinObject::MouseUp(X, Y, Button);
}

void TspSkinButtonObject::MouseEnter() {
  FMouseIn = true;
  Active = true;
  if (DownRect.IsEmpty() || !FDown) {
    if (!ActiveSkinRect.IsEmpty()) ReDraw();
    if (MenuItem) ShowLayer();
  } else if (GroupIndex == -1) {
    Parent->DrawSkinObject(this);
  }
  Parent->CallOnMouseEnterEvent(IDName);
  if (!MenuItem) ShowLayer();
}

void TspSkinButtonObject::MouseLeave() {
  FMouseIn = false;
  if (MenuItem && FDown && DownRect.IsEmpty()) {
    Active = false;
  } else if (FDown && !DownRect.IsEmpty() && (MenuItem || GroupIndex != -1)) {
    // a pressed group or menu button keeps its look
  } else {
    Active = false;
    if (EnableMorphing() && FDown) FMorphKf = 1;
    if (!ActiveSkinRect.IsEmpty() || (!DownRect.IsEmpty() && GroupIndex == -1)) ReDraw();
    if (MenuItem) HideLayer();
  }
  Parent->CallOnMouseLeaveEvent(IDName);
  if (!MenuItem) HideLayer();
}

// ---------------------------------------------------------------------------
// TspSkinStdButtonObject

TspSkinStdButtonObject::TspSkinStdButtonObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspSkinButtonObject(AParent, AData) {
  if (auto* b = dynamic_cast<const TspDataSkinStdButton*>(AData)) {
    Command = b->Command;
    RestoreRect = ToTRect(b->RestoreRect);
    RestoreActiveRect = ToTRect(b->RestoreActiveRect);
    RestoreDownRect = ToTRect(b->RestoreDownRect);
    RestoreInActiveRect = ToTRect(b->RestoreInActiveRect);
    RestoreHint = b->RestoreHint;
    FTempHint = b->Hint;
    AlphaMaskPictureIndex = b->AlphaMaskPictureIndex;
    AlphaMaskActivePictureIndex = b->AlphaMaskActivePictureIndex;
    AlphaMaskInActivePictureIndex = b->AlphaMaskInActivePictureIndex;
    FSkinSupport = true;
  }
}

TspSkinStdButtonObject::~TspSkinStdButtonObject() = default;

bool TspSkinStdButtonObject::RestoreLookApplies() const {
  switch (Command) {
    case cmMaximize: return Parent->WindowState() == wsMaximized;
    case cmMinimize: return Parent->WindowState() == wsMinimized && !Parent->IsMainForm();
    case cmRollUp: return Parent->RollUpState();
    default: return false;
  }
}

bool TspSkinStdButtonObject::IsIconButton() const {
  return Command == cmSysMenu && Parent->ShowIcon() && SkinRectInAPicture;
}

void TspSkinStdButtonObject::DefaultDraw(TCanvas* Cnvs) {
  if (Command == cmSysMenu && Parent->ShowIcon()) {
    Parent->DrawFormIcon(Cnvs, ObjectRect.Left, ObjectRect.Top);
    return;
  }
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b(w, h);
  TCanvas* c = b.Canvas();
  TRect r{0, 0, w, h};
  const bool pressed = FDown && FMouseIn;
  TColor face = clBtnFace;
  if (pressed || FMouseIn) {
    DrawBevelFrame(c, r, 0x800000, 0x800000);
    r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    face = pressed ? 0xB59385 : 0xD2BDB6;
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(face);
  c->FillRect(r);
  int x = w / 2 - 5, y = h / 2 - 4;
  if (pressed) ++x, ++y;
  const TColor gc = Enabled ? clBtnText : clBtnShadow;
  switch (Command) {
    case cmClose: DrawCloseGlyph(c, x, y, gc); break;
    case cmMaximize:
      if (Parent->WindowState() == wsMaximized)
        DrawRestoreGlyph(c, x, y, gc);
      else
        DrawMaximizeGlyph(c, x, y, gc);
      break;
    case cmMinimize:
      if (Parent->WindowState() == wsMinimized)
        DrawRestoreGlyph(c, x, y, gc);
      else
        DrawMinimizeGlyph(c, x, y, gc);
      break;
    case cmSysMenu: DrawSysMenuGlyph(c, x, y, gc); break;
    case cmRollUp:
      if (Parent->RollUpState())
        DrawRollDownGlyph(c, x, y, gc);
      else
        DrawRollUpGlyph(c, x, y, gc);
      break;
    case cmMinimizeToTray: DrawMinimizeToTrayGlyph(c, x, y, gc); break;
    default: break;
  }
  Cnvs->CopyRect(ObjectRect, c, TRect{0, 0, w, h});
}

void TspSkinStdButtonObject::DrawRestoreLook(TCanvas* Cnvs) {
  if (!Parent->FFormActive && !RestoreInActiveRect.IsEmpty()) {
    CopyLook(Cnvs, ActivePicture, RestoreInActiveRect, ObjectRect);
  } else if (FDown && !RestoreDownRect.IsEmpty() && FMouseIn) {
    CopyLook(Cnvs, ActivePicture, RestoreDownRect, ObjectRect);
  } else if (EnableMorphing() && ((Active && FMorphKf != 1) || (!Active && FMorphKf != 0))) {
    DrawMorph(Cnvs, ActivePicture, RestoreRect, RestoreActiveRect);
  } else if (Active && !RestoreActiveRect.IsEmpty()) {
    CopyLook(Cnvs, ActivePicture, RestoreActiveRect, ObjectRect);
  } else {
    CopyLook(Cnvs, ActivePicture, RestoreRect, ObjectRect);
  }
}

void TspSkinStdButtonObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!FSkinSupport) {
    DefaultDraw(Cnvs);
    return;
  }
  if (!SkinUsable()) return;
  if (IsIconButton()) {
    Parent->DrawFormIcon(Cnvs, ObjectRect.Left, ObjectRect.Top);
    FMorphKf = 0;
    return;
  }
  const bool restore = RestoreLookApplies();
  if (!Enabled || (!ActiveWindow() && !InActiveSkinRect.IsEmpty() && !restore)) {
    TspSkinButtonObject::Draw(Cnvs, UpDate);
    return;
  }
  if (RestoreRect.IsEmpty() || !restore) {
    if (Command == cmSysMenu && FDown && !DownRect.IsEmpty())
      CopyLook(Cnvs, ActivePicture, DownRect, ObjectRect);
    else
      TspSkinButtonObject::Draw(Cnvs, UpDate);
    return;
  }
  DrawRestoreLook(Cnvs);
}

bool TspSkinStdButtonObject::PointInMask(int X, int Y) {
  if (IsIconButton() && FSkinSupport) return true;
  return TspActiveSkinObject::PointInMask(X, Y);
}

bool TspSkinStdButtonObject::GlowAllowed() const {
  if (Command == cmSysMenu && Parent->ShowIcon() && FSkinSupport && SkinRectInAPicture) return false;
  return !FSkinSupport || Parent->FFormActive || InActiveSkinRect.IsEmpty();
}

void TspSkinStdButtonObject::ShowLayer() {
  if (GlowAllowed()) TspSkinButtonObject::ShowLayer();
}

void TspSkinStdButtonObject::HideLayer() {
  if (GlowAllowed()) TspSkinButtonObject::HideLayer();
}

bool TspSkinStdButtonObject::CanMorphing() {
  if (IsIconButton()) return false;
  return TspSkinButtonObject::CanMorphing();
}

void TspSkinStdButtonObject::InitAlphaImages() {
  struct Pair {
    std::unique_ptr<TspBitmap>* image;
    TRect rect;
    int mask;
  } pairs[] = {
      {&FAlphaNormalImage, SkinRect, AlphaMaskPictureIndex},
      {&FAlphaActiveImage, ActiveSkinRect, AlphaMaskActivePictureIndex},
      {&FAlphaDownImage, DownRect, AlphaMaskActivePictureIndex},
      {&FAlphaRestoreNormalImage, RestoreRect, AlphaMaskPictureIndex},
      {&FAlphaRestoreActiveImage, RestoreActiveRect, AlphaMaskActivePictureIndex},
      {&FAlphaRestoreDownImage, RestoreDownRect, AlphaMaskActivePictureIndex},
      {&FAlphaInActiveImage, InActiveSkinRect, AlphaMaskInActivePictureIndex},
      {&FAlphaInActiveRestoreImage, RestoreInActiveRect, AlphaMaskInActivePictureIndex},
  };
  for (auto& p : pairs) {
    p.image->reset();
    if (p.rect.IsEmpty() || !ActivePicture) continue;
    auto img = std::make_unique<TspBitmap>();
    img->SetSize(p.rect.Width(), p.rect.Height());
    img->Canvas()->CopyRect(TRect{0, 0, p.rect.Width(), p.rect.Height()}, ActivePicture->Canvas(), p.rect);
    TBitmap* mask = PictureAt(SD, p.mask);
    if (!mask) {
      img->SetAlpha(255);
      img->SetAlphaBlendFlag(true);
    } else {
      TspBitmap m;
      m.SetSize(p.rect.Width(), p.rect.Height());
      m.Canvas()->Draw(0, 0, mask);
      SetAlphaFromMaskPremultiplied(*img, m);
    }
    *p.image = std::move(img);
  }
}

void TspSkinStdButtonObject::DrawAlpha(TCanvas* Cnvs, TspBitmap*) {
  if (Command == cmSysMenu && Parent->ShowIcon()) {
    Parent->DrawFormIcon(Cnvs, ObjectRect.Left, ObjectRect.Top);
    return;
  }
  const bool r = RestoreLookApplies();
  TspBitmap* img;
  if (!Parent->FFormActive && !InActiveSkinRect.IsEmpty())
    img = r && FAlphaInActiveRestoreImage ? FAlphaInActiveRestoreImage.get() : FAlphaInActiveImage.get();
  else if (FDown && !DownRect.IsEmpty() && (Command == cmSysMenu || FMouseIn))
    img = r && FAlphaRestoreDownImage ? FAlphaRestoreDownImage.get() : FAlphaDownImage.get();
  else if (FMouseIn && !ActiveSkinRect.IsEmpty())
    img = r && FAlphaRestoreActiveImage ? FAlphaRestoreActiveImage.get() : FAlphaActiveImage.get();
  else
    img = r && FAlphaRestoreNormalImage ? FAlphaRestoreNormalImage.get() : FAlphaNormalImage.get();
  if (!img) return;
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top, ObjectRect.Width(), ObjectRect.Height(),
                img->Canvas()->Handle(), 0, 0, img->Width(), img->Height(), bf);
}

void TspSkinStdButtonObject::MouseEnter() {
  if (Command != cmDefault) {
    const bool r = RestoreLookApplies() && (Command == cmRollUp || Command == cmMinimize || Command == cmMaximize);
    Hint = (!RestoreHint.empty() && r) ? RestoreHint : FTempHint;
  }
  if (IsIconButton()) return;
  TspSkinButtonObject::MouseEnter();
}

void TspSkinStdButtonObject::MouseLeave() {
  if (IsIconButton()) return;
  TspSkinButtonObject::MouseLeave();
}

void TspSkinStdButtonObject::MouseDown(int, int, TMouseButton Button) {
  if (Button != mbLeft || !Enabled || FDown) return;
  if (Command == cmSysMenu && Parent->MenuHandler) MenuItem = Parent->MenuHandler->SystemMenuItems();
  if (!IsIconButton()) SetDown(true);
  if (Command == cmSysMenu) TrackMenu();
}

void TspSkinStdButtonObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (Command == cmClose) {
    TspSkinButtonObject::MouseUp(X, Y, Button);
    if (Active && Button == mbLeft) DoCommand();
    return;
  }
  if (Active && Button == mbLeft) DoCommand();
  if (!IsIconButton()) TspSkinButtonObject::MouseUp(X, Y, Button);
}

void TspSkinStdButtonObject::DblClick() {
  if (Command == cmSysMenu) DoClose();
}

void TspSkinStdButtonObject::DoClose() { Parent->Form()->Close(); }

void TspSkinStdButtonObject::DoMax() {
  if (Parent->SupportNCArea()) HideLayer();
  Parent->SetWindowState(Parent->WindowState() == wsMaximized ? wsNormal : wsMaximized);
}

void TspSkinStdButtonObject::DoMin() {
  if (Parent->SupportNCArea()) {
    HideLayer();
    Parent->SetWindowState(Parent->WindowState() == wsMinimized ? wsNormal : wsMinimized);
  } else {
    Parent->SetWindowState(wsMinimized);
  }
}

void TspSkinStdButtonObject::DoRollUp() { Parent->SetRollUpState(!Parent->RollUpState()); }

void TspSkinStdButtonObject::DoMinimizeToTray() {
  // The notification-area icon is another part of the library; without it
  // the program is told and nothing else happens.
  if (Parent->OnMinimizeToTray) Parent->OnMinimizeToTray(Parent);
}

void TspSkinStdButtonObject::DoCommand() {
  switch (Command) {
    case cmClose:
      Parent->TestActive(-1, -1, false);
      DoClose();
      break;
    case cmMaximize:
      Parent->TestActive(-1, -1, false);
      DoMax();
      break;
    case cmMinimize:
      Parent->TestActive(-1, -1, false);
      if (Parent->AlwaysMinimizeToTray)
        DoMinimizeToTray();
      else
        DoMin();
      break;
    case cmRollUp: DoRollUp(); break;
    case cmMinimizeToTray:
      Parent->TestActive(-1, -1, false);
      DoMinimizeToTray();
      break;
    default: break;
  }
}
