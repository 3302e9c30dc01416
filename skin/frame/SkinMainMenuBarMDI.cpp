// The menu bar of an MDI form: the merged menu of the active child and the
// four buttons of a maximized child (system menu, close, restore, minimize).
#include <algorithm>

#include "skin/data/SPUtils.h"
#include "skin/data/speffbmp.h"
#include "skin/frame/FormMenus.h"
#include "skin/frame/SkinMainMenuBar.h"

namespace {

TRect RectOf(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }
bool EmptyRect(const TRect& r) { return r.Width() <= 0 || r.Height() <= 0; }

}  // namespace

// ===========================================================================
// TspSkinMainMenuBarButton

TspSkinMainMenuBarButton::TspSkinMainMenuBarButton(TspSkinMainMenuBar* AParent, const TspDataSkinStdButton* AData)
    : TspMenuBarObject(AParent, nullptr) {
  if (!AData) return;
  TspSkinData* sd = AParent->SkinData();
  IDName = AData->IDName;
  SkinRect = RectOf(AData->SkinRect);
  ActiveSkinRect = RectOf(AData->ActiveSkinRect);
  DownRect = RectOf(AData->DownRect);
  ObjectRect = SkinRect;
  Morphing = AData->Morphing;
  MorphKind = AData->MorphKind;
  Command = AData->Command;
  if (sd && AData->ActivePictureIndex >= 0 && AData->ActivePictureIndex < static_cast<int>(sd->FActivePictures.size()))
    Picture = sd->ActivePicture(AData->ActivePictureIndex);
  FSkinSupport = !EmptyRect(SkinRect);
}

void TspSkinMainMenuBarButton::DefaultDraw(TCanvas* Cnvs) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* c = b.Canvas();
  const bool down = FDown && FMouseIn;
  c->Brush()->SetStyle(bsSolid);
  if (down || FMouseIn) {
    c->Brush()->SetColor(TColor(RGB(0, 0, 128)));
    c->FillRect(TRect{0, 0, w, h});
    c->Brush()->SetColor(TColor(down ? RGB(133, 146, 181) : RGB(182, 189, 210)));
    c->FillRect(TRect{1, 1, w - 1, h - 1});
  } else {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, w, h});
  }
  const TColor glyph = Enabled ? clBtnText : clBtnShadow;
  const int x = down ? w / 2 - 4 : w / 2 - 5, y = down ? h / 2 - 3 : h / 2 - 4;
  switch (Command) {
    case cmClose: DrawCloseGlyph(c, x, y, glyph); break;
    case cmMaximize: DrawRestoreGlyph(c, x, y, glyph); break;
    case cmMinimize: DrawMinimizeGlyph(c, x, y, glyph); break;
    case cmSysMenu: DrawSysMenuGlyph(c, x, y, glyph); break;
    default: break;
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinMainMenuBarButton::Draw(TCanvas* Cnvs) {
  if (!FSkinSupport || !Picture) {
    DefaultDraw(Cnvs);
    return;
  }
  const TRect dst = ObjectRect;
  auto copy = [&](const TRect& src) {
    Cnvs->CopyRect(dst, Picture->Canvas(), src);
  };
  if (FDown && FMouseIn && !EmptyRect(DownRect)) {
    copy(DownRect);
  } else if (EnableMorphing() && !MorphAtRest() && !EmptyRect(ActiveSkinRect)) {
    TBitmap na, nb;
    na.SetSize(SkinRect.Width(), SkinRect.Height());
    nb.SetSize(SkinRect.Width(), SkinRect.Height());
    na.Canvas()->CopyRect(TRect{0, 0, na.Width(), na.Height()}, Picture->Canvas(), SkinRect);
    nb.Canvas()->CopyRect(TRect{0, 0, nb.Width(), nb.Height()}, Picture->Canvas(), ActiveSkinRect);
    auto ea = TspEffectBmp::CreateFromhWnd(na.Handle());
    auto eb = TspEffectBmp::CreateFromhWnd(nb.Handle());
    if (ea && eb) {
      ea->Morph(*eb, FMorphKf);
      ea->Draw(Cnvs->Handle(), dst.Left, dst.Top);
    } else {
      copy(SkinRect);
    }
  } else if (Active && !EmptyRect(ActiveSkinRect)) {
    copy(ActiveSkinRect);
  } else {
    copy(SkinRect);
  }
}

void TspSkinMainMenuBarButton::MouseDown(int, int, TMouseButton Button) {
  if (!Enabled || Button != mbLeft || FDown) return;
  FDown = true;
  if (EnableMorphing() && !EmptyRect(DownRect)) FMorphKf = 1;
  Parent->DrawObject(this);
  // The system menu opens on the press.
  if (Command == cmSysMenu) DoCommand();
}

void TspSkinMainMenuBarButton::MouseUp(int, int, TMouseButton Button) {
  if (!Enabled || Button != mbLeft) return;
  if (Command == cmSysMenu) return;
  FDown = false;
  Parent->DrawObject(this);
  if (EnableMorphing()) ReDraw();
  if (Active) DoCommand();
}

void TspSkinMainMenuBarButton::MouseEnter() {
  if (FDown && Command == cmSysMenu) {
    FMouseIn = true;
    Active = true;
    return;
  }
  TspMenuBarObject::MouseEnter();
}

void TspSkinMainMenuBarButton::MouseLeave() {
  if (FDown && Command == cmSysMenu) {
    FMouseIn = false;
    Active = false;
    if (EnableMorphing()) FMorphKf = 1;
    return;
  }
  TspMenuBarObject::MouseLeave();
}

void TspSkinMainMenuBarButton::DblClick() {
  if (Command != cmSysMenu) return;
  TspDynamicSkinForm* child = TspDynamicSkinForm::GetMaximizedMDIChildDSF();
  if (!child) return;
  if (TspFormMenus* fm = spFormMenus(Parent->DynamicSkinForm())) {
    if (fm->SkinMenu->Visible()) fm->SkinMenu->Hide();
    fm->SkinMenuClose();
  }
  child->Form()->Close();
}

void TspSkinMainMenuBarButton::DoCommand() {
  TspDynamicSkinForm* child = TspDynamicSkinForm::GetMaximizedMDIChildDSF();
  if (!child) return;
  switch (Command) {
    case cmClose: child->Form()->Close(); break;
    case cmMaximize: child->SetWindowState(wsNormal); break;
    case cmMinimize: child->SetWindowState(wsMinimized); break;
    case cmSysMenu: {
      Parent->Repaint();
      TspFormMenus* fm = spFormMenus(Parent->DynamicSkinForm());
      TspFormMenus* cm = spFormMenus(child);
      if (!fm || !cm) return;
      const POINT tl = Parent->ClientToScreen(POINT{ObjectRect.Left, ObjectRect.Top});
      const TRect r{tl.x, tl.y, tl.x + ObjectRect.Width(), tl.y + ObjectRect.Height()};
      fm->SkinMenuOpen();
      TspSkinData* sd = Parent->DynamicSkinForm()->MenusSkinData() ? Parent->DynamicSkinForm()->MenusSkinData()
                                                                  : Parent->DynamicSkinForm()->SkinData();
      fm->SkinMenu->Popup(Parent, sd, 0, r, cm->GetSystemMenuItems(), Parent->PopupToUp);
      break;
    }
    default: break;
  }
}

// ===========================================================================
// TspSkinMainMenuBar: merging and the MDI buttons

TspSkinMainMenuBarButton* TspSkinMainMenuBar::Button(int Index) const {
  if (Index < 0 || Index >= ButtonsCount || Index >= static_cast<int>(ObjectList.size())) return nullptr;
  return dynamic_cast<TspSkinMainMenuBarButton*>(ObjectList[static_cast<size_t>(Index)].get());
}

void TspSkinMainMenuBar::Merge(TMainMenu* Menu) {
  FMergeMenu.Set(Menu);
  UpDateItems();
}

void TspSkinMainMenuBar::UnMerge() {
  FMergeMenu.Set(nullptr);
  UpDateItems();
}

TMainMenu* TspSkinMainMenuBar::GetChildMainMenu() const {
  if (FMergeMenu) return FMergeMenu;
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  TCustomForm* active = main ? main->ActiveMDIChild() : nullptr;
  if (!active) return nullptr;
  for (int i = 0; i < active->ComponentCount(); ++i)
    if (auto* m = dynamic_cast<TMainMenu*>(active->Components(i))) return m;
  return nullptr;
}

void TspSkinMainMenuBar::UpdateChildMenu() {
  if (!FDSF || !FDSF->IsMDIForm()) return;
  TMainMenu* now = GetChildMainMenu();
  // Only a change of the merged menu rebuilds the items.
  bool same = false;
  if (ChildMenuIn && now) {
    TMenuItem* croot = now->Items();
    for (auto& o : ObjectList)
      if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()))
        for (int j = 0; j < croot->Count(); ++j)
          if (croot->Items(j) == it->MenuItem) same = true;
  }
  if ((ChildMenuIn || now) && !same) UpDateItems();
}

void TspSkinMainMenuBar::CreateMDIButtons() {
  // Drop any old buttons first.
  ObjectList.erase(ObjectList.begin(), ObjectList.begin() + std::min<size_t>(ButtonsCount, ObjectList.size()));
  ButtonsCount = 0;
  struct Spec {
    std::string name;
    TStdCommand command;
  };
  std::vector<Spec> specs;
  const bool skinned = FSD && !FSD->Empty && FIndex != -1;
  if (skinned) {
    auto* e = dynamic_cast<TspDataSkinMainMenuBar*>(FSD->CtrlList[static_cast<size_t>(FIndex)].get());
    if (e) specs = {{e->MinButton, cmMinimize}, {e->MaxButton, cmMaximize}, {e->CloseButton, cmClose},
                    {e->SysMenuButton, cmSysMenu}};
  }
  if (specs.empty())
    specs = {{"MinButton", cmMinimize}, {"MaxButton", cmMaximize}, {"CloseButton", cmClose},
             {"SysMenuButton", cmSysMenu}};
  for (const Spec& sp : specs) {
    const TspDataSkinStdButton* data = nullptr;
    if (skinned && !sp.name.empty()) {
      const int i = FSD->GetIndex(sp.name);
      if (i >= 0 && i < static_cast<int>(FSD->ObjectList.size()))
        data = dynamic_cast<const TspDataSkinStdButton*>(FSD->ObjectList[static_cast<size_t>(i)].get());
    }
    auto b = std::make_unique<TspSkinMainMenuBarButton>(this, data);
    b->IDName = sp.name;
    if (!data) b->Command = sp.command;
    ObjectList.insert(ObjectList.begin(), std::move(b));
    ++ButtonsCount;
  }
}

void TspSkinMainMenuBar::UpdateMDIButtons(TspBorderIcons Icons) {
  for (int i = 0; i < ButtonsCount; ++i) {
    TspSkinMainMenuBarButton* b = Button(i);
    if (!b) continue;
    b->Enabled = true;
    if (b->Command == cmMinimize && !(Icons & biMinimize)) b->Enabled = false;
    if (b->Command == cmSysMenu && !(Icons & biSystemMenu)) b->Enabled = false;
  }
}

void TspSkinMainMenuBar::MDIChildMaximize() {
  if (FMDIChildMax) return;
  FMDIChildMax = true;
  ActiveObject = OldActiveObject = MouseCaptureObject = -1;
  CreateMDIButtons();
  if (TspDynamicSkinForm* d = TspDynamicSkinForm::GetMaximizedMDIChildDSF()) UpdateMDIButtons(d->BorderIcons());
  if (HandleAllocated()) Invalidate();
}

void TspSkinMainMenuBar::MDIChildRestore() {
  TspDynamicSkinForm* d = TspDynamicSkinForm::GetMaximizedMDIChildDSF();
  if (!d && FMDIChildMax) {
    FMDIChildMax = false;
    ObjectList.erase(ObjectList.begin(), ObjectList.begin() + std::min<size_t>(ButtonsCount, ObjectList.size()));
    ButtonsCount = 0;
    ActiveObject = MouseCaptureObject = OldActiveObject = -1;
    if (HandleAllocated()) Invalidate();
  } else if (d) {
    UpdateMDIButtons(d->BorderIcons());
  }
}

void TspSkinMainMenuBar::ResetSysMenuButton() {
  for (int i = 0; i < ButtonsCount; ++i) {
    TspSkinMainMenuBarButton* b = Button(i);
    if (!b || b->Command != cmSysMenu || !b->FDown) continue;
    b->FDown = false;
    if (ActiveObject != i) {
      b->Active = false;
      b->FMouseIn = false;
    }
    DrawObject(b);
  }
}

// ===========================================================================
// TspSkinMainMenuBar: the tool-bar mode background

bool TspSkinMainMenuBar::PaintPanelBackground(TspPaintBuffer& b) {
  if (!FSD || FSD->Empty) return false;
  int idx = FSD->GetControlIndex("resizetoolpanel");
  if (idx < 0) idx = FSD->GetControlIndex("panel");
  auto* e = idx >= 0 ? dynamic_cast<TspDataSkinCustomControl*>(FSD->CtrlList[size_t(idx)].get()) : nullptr;
  if (!e || e->PictureIndex < 0 || e->PictureIndex >= int(FSD->FActivePictures.size())) return false;
  TBitmap* pic = FSD->ActivePicture(e->PictureIndex);
  if (!pic || pic->Empty()) return false;
  const TRect src = RectOf(e->SkinRect);
  const int w = b.Width(), h = b.Height(), dw = w - src.Width(), dh = h - src.Height();
  const TPoint lt{e->LTPoint.X, e->LTPoint.Y}, rt{e->RTPoint.X, e->RTPoint.Y}, lb{e->LBPoint.X, e->LBPoint.Y},
      rb{e->RBPoint.X, e->RBPoint.Y};
  const TRect cl = RectOf(e->ClRect);
  TBitmap bg;
  bg.SetSize(w, h);
  CreateNinePartImage(lt, rt, lb, rb, cl, lt, TPoint{rt.X + dw, rt.Y}, TPoint{lb.X, lb.Y + dh},
                      TPoint{rb.X + dw, rb.Y + dh}, TRect{cl.Left, cl.Top, cl.Right + dw, cl.Bottom + dh}, &bg, pic,
                      src, w, h, true, e->LeftStretch, e->TopStretch, e->RightStretch, e->BottomStretch,
                      e->StretchEffect, e->StretchType);
  b.Canvas()->Draw(0, 0, &bg);
  return true;
}
