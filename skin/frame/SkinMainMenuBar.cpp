// The skinned main menu bar (see SkinMainMenuBar.h).
#include "skin/frame/SkinMainMenuBar.h"

#include <algorithm>

#include "framework/Messages.h"
#include "framework/SysUtils.h"
#include "skin/data/SPUtils.h"
#include "skin/data/speffbmp.h"
#include "skin/frame/FormMenus.h"
#include "skin/data/SkinMorph.h"

namespace {

TBitmap* PictureOf(TspSkinData* sd, int index) {
  if (!sd || index < 0 || index >= static_cast<int>(sd->FActivePictures.size())) return nullptr;
  TBitmap* b = sd->ActivePicture(index);
  return (b && !b->Empty()) ? b : nullptr;
}

bool EmptyRect(const TRect& r) { return r.Width() <= 0 || r.Height() <= 0; }

TRect RectOf(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }

void FillBox(TCanvas* C, const TRect& R, TColor Color) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->FillRect(R);
}

}  // namespace

// ===========================================================================
// TspSkinMainMenu

// ===========================================================================
// TspMenuBarObject

TspMenuBarObject::TspMenuBarObject(TspSkinMainMenuBar* AParent, const TspDataSkinMainMenuItem* AData)
    : Parent(AParent) {
  if (!AData) return;
  IDName = AData->IDName;
  SkinRect = RectOf(AData->SkinRect);
  ActiveSkinRect = RectOf(AData->ActiveSkinRect);
  DownRect = ActiveSkinRect;
  ObjectRect = SkinRect;
  Picture = PictureOf(AParent->SkinData(), AData->ActivePictureIndex);
  Morphing = AData->Morphing;
  MorphKind = AData->MorphKind;
}

bool TspMenuBarObject::EnableMorphing() const {
  TspSkinData* sd = Parent->SkinData();
  return Morphing && sd && !sd->Empty && sd->EnableSkinEffects &&
         !(Parent->ToolBarMode && Parent->ToolBarModeItemTransparent);
}

bool TspMenuBarObject::CanMorphing() {
  if (FDown && !EmptyRect(DownRect)) return false;
  return (Active && FMorphKf < 1) || (!Active && FMorphKf > 0);
}

void TspMenuBarObject::DoMorphing() { SetMorphKf(FMorphKf + (Active ? 0.2 : -0.2)); }

void TspMenuBarObject::ReDraw() {
  if (EnableMorphing())
    Parent->MorphTimer->SetEnabled(true);
  else
    Parent->DrawObject(this);
}

void TspMenuBarObject::MouseEnter() {
  FMouseIn = true;
  Active = true;
  ReDraw();
}

void TspMenuBarObject::MouseLeave() {
  FMouseIn = false;
  Active = false;
  ReDraw();
}

// ===========================================================================
// TspSkinMainMenuBarItem

TspSkinMainMenuBarItem::TspSkinMainMenuBarItem(TspSkinMainMenuBar* AParent, const TspDataSkinMainMenuItem* AData)
    : TspMenuBarObject(AParent, AData) {
  OldEnabled = Enabled;
  if (!AData) return;
  FSkinSupport = true;
  FontName = AData->FontName;
  FontHeight = AData->FontHeight;
  FontStyle = AData->FontStyle;
  FontColor = AData->FontColor;
  ActiveFontColor = AData->ActiveFontColor;
  DownFontColor = AData->DownFontColor;
  UnEnabledFontColor = AData->UnEnabledFontColor;
  TextRct = RectOf(AData->TextRct);
  DownRect = RectOf(AData->DownRect);
  if (EmptyRect(DownRect)) DownRect = EmptyRect(ActiveSkinRect) ? SkinRect : ActiveSkinRect;
  LO = AData->ItemLO;
  RO = AData->ItemRO;
  StretchEffect = AData->StretchEffect;
  if (EmptyRect(ActiveSkinRect)) Morphing = false;
  AnimateSkinRect = RectOf(AData->AnimateSkinRect);
  FrameCount = AData->FrameCount;
  AnimateInterval = AData->AnimateInterval > 0 ? AData->AnimateInterval : 25;
  InActiveAnimation = AData->InActiveAnimation;
}

bool TspSkinMainMenuBarItem::EnableAnimation() const {
  TspSkinData* sd = Parent->SkinData();
  return !EmptyRect(AnimateSkinRect) && FrameCount > 0 && sd && !sd->Empty && sd->EnableSkinEffects &&
         !Parent->ToolBarMode;
}

TRect TspSkinMainMenuBarItem::FrameRect(int N) const {
  const int n = std::max(1, FrameCount);
  N = std::max(1, std::min(N, n));
  if (AnimateSkinRect.Height() > SkinRect.Height()) {
    const int h = AnimateSkinRect.Height() / n;
    return TRect{AnimateSkinRect.Left, AnimateSkinRect.Top + (N - 1) * h, AnimateSkinRect.Right,
                 AnimateSkinRect.Top + N * h};
  }
  const int w = AnimateSkinRect.Width() / n;
  return TRect{AnimateSkinRect.Left + (N - 1) * w, AnimateSkinRect.Top, AnimateSkinRect.Left + N * w,
               AnimateSkinRect.Bottom};
}

void TspSkinMainMenuBarItem::SetItemFont(TCanvas* C) const {
  TFont* f = C->Font();
  if (FSkinSupport && Parent->UseSkinFont) {
    f->SetName(FontName);
    f->SetHeight(FontHeight);
    f->SetStyle(FontStyle);
  } else {
    f->Assign(Parent->DefItemFont());
  }
  TspSkinData* sd = Parent->SkinData();
  if (sd && sd->ResourceStrData()) f->SetCharset(sd->ResourceStrData()->CharSet);
}

TBitmap* TspSkinMainMenuBarItem::Glyph(int& W, int& H) const {
  W = H = 0;
  TBitmap* b = MenuItem ? const_cast<TMenuItem*>(MenuItem)->Bitmap() : nullptr;
  if (b && !b->Empty()) {
    W = b->Width();
    H = b->Height();
    return b;
  }
  return nullptr;
}

int TspSkinMainMenuBarItem::CaptionWidth(TCanvas* C) const {
  SetItemFont(C);
  RECT r{0, 0, 0, 0};
  std::u16string text = UTF8ToUTF16(MenuItem->Caption());
  DrawTextW(C->Handle(), reinterpret_cast<LPCWSTR>(text.c_str()), -1, &r, DT_CALCRECT | DT_CENTER);
  return r.right - r.left;
}

bool TspSkinMainMenuBarItem::CalcGeometry(TCanvas* C) {
  int left = 0;
  for (auto& o : Parent->ObjectList) {
    if (o.get() == this) break;
    if (dynamic_cast<TspSkinMainMenuBarItem*>(o.get())) left = o->ObjectRect.Right;
  }
  if (left == 0) left = Parent->NewItemsRect.Left;
  int gw, gh;
  Glyph(gw, gh);
  int w = CaptionWidth(C);
  int width;
  int bottom;
  if (FSkinSupport) {
    width = (SkinRect.Width() - TextRct.Width()) + w + 2;
    bottom = Parent->UseSkinSize ? Parent->NewItemsRect.Top + SkinRect.Height() : Parent->NewItemsRect.Bottom;
  } else {
    width = w + 12;
    bottom = Parent->NewItemsRect.Bottom;
  }
  if (gw > 0) width += gw + 5;
  ObjectRect = TRect{left, Parent->NewItemsRect.Top, left + width, bottom};
  const int limit = Parent->ScrollMenu ? Parent->NewItemsRect.Right - 5 : Parent->NewItemsRect.Right;
  if (ObjectRect.Right > limit) {
    Parent->Scroll = true;
    if (Visible) {
      OldEnabled = Enabled;
      Enabled = false;
      Visible = false;
    }
    return false;
  }
  if (!Visible) {
    Visible = true;
    Enabled = OldEnabled;
  }
  return true;
}

void TspSkinMainMenuBarItem::DrawCaption(TCanvas* C, TRect T, TColor Color, bool Selected) {
  int gw, gh;
  if (TBitmap* g = Glyph(gw, gh)) {
    C->Draw(T.Left + 2, ObjectRect.Height() / 2 - gh / 2, g);
    T.Left += gw + 5;
  }
  if (MenuItem->OnDrawItem) {
    MenuItem->OnDrawItem(MenuItem, C, T, Selected);
    return;
  }
  SetItemFont(C);
  C->Font()->SetColor(Color);
  C->Brush()->SetStyle(bsClear);
  RECT r{T.Left, T.Top, T.Right, T.Bottom};
  std::u16string text = UTF8ToUTF16(MenuItem->Caption());
  SetBkMode(C->Handle(), TRANSPARENT);
  SetTextColor(C->Handle(), ColorToRGB(Color));
  DrawTextW(C->Handle(), reinterpret_cast<LPCWSTR>(text.c_str()), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TspSkinMainMenuBarItem::DefaultDraw(TCanvas* Cnvs) {
  if (!CalcGeometry(Cnvs)) return;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  TCanvas* C = b.Canvas();
  const TRect r{0, 0, w, h};
  if (FDown || FMouseIn || Active) {
    FillBox(C, r, RGB(0, 0, 128));
    FillBox(C, TRect{1, 1, w - 1, h - 1}, FDown ? RGB(133, 146, 181) : RGB(182, 189, 210));
  } else {
    FillBox(C, r, clBtnFace);
  }
  const TColor color = MenuItem->Enabled ? Parent->DefItemFont()->Color() : clBtnShadow;
  DrawCaption(C, r, color, Active);
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinMainMenuBarItem::SkinDraw(TCanvas* Cnvs) {
  if (EmptyRect(SkinRect) || EmptyRect(TextRct)) return;
  if (!CalcGeometry(Cnvs)) return;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  const TRect activeRect = EmptyRect(ActiveSkinRect) ? SkinRect : ActiveSkinRect;
  const TColor normalColor = MenuItem->Enabled ? FontColor : UnEnabledFontColor;
  TBitmap b;
  if (FDown) {
    MakeImage(Cnvs, &b, DownRect, DownFontColor, Active);
  } else if (EnableAnimation() && CurrentFrame >= 1 && CurrentFrame <= FrameCount) {
    MakeImage(Cnvs, &b, FrameRect(CurrentFrame), ActiveFontColor, true);
  } else if (MorphAtRest()) {
    if (Active)
      MakeImage(Cnvs, &b, activeRect, ActiveFontColor, true);
    else
      MakeImage(Cnvs, &b, SkinRect, normalColor, false);
  } else {
    // Halfway through the hover fade: the two looks blended.
    TBitmap active;
    MakeImage(Cnvs, &b, SkinRect, normalColor, false);
    MakeImage(Cnvs, &active, activeRect, ActiveFontColor, true);
    auto eb = TspEffectBmp::CreateFromhWnd(b.Handle());
    auto ea = TspEffectBmp::CreateFromhWnd(active.Handle());
    if (eb && ea) {
      MorphTowards(*eb, *ea, MorphKind, FMorphKf);
      eb->Draw(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top);
      return;
    }
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinMainMenuBarItem::MakeImage(TCanvas* Cnvs, TBitmap* B, const TRect& Src, TColor Color, bool Selected) {
  if (Parent->ToolBarMode && MakeToolBarImage(Cnvs, B, Selected, FDown)) return;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  B->SetSize(w, h);
  if (Parent->ItemTransparent && (Src == SkinRect || (!Parent->UseSkinSize && !Selected)))
    B->Canvas()->CopyRect(TRect{0, 0, w, h}, Cnvs, ObjectRect);  // the bar shows through a resting item
  else if (Picture && Parent->UseSkinSize)
    CreateHorzThreePartImage(LO, RO, B, Picture, Src, w, h, StretchEffect && Src != SkinRect);
  else if (Picture) {
    const int sh = Src.Height();
    DrawSkinRectStretched(B, Picture, Src, TRect{LO, sh / 4, Src.Width() - RO, sh - sh / 4}, true);
  } else
    FillBox(B->Canvas(), TRect{0, 0, w, h}, clBtnFace);
  TRect t{TextRct.Left, 0, w - (SkinRect.Width() - TextRct.Right), h};
  DrawCaption(B->Canvas(), t, Color, Selected);
}

bool TspSkinMainMenuBarItem::MakeToolBarImage(TCanvas* Cnvs, TBitmap* B, bool IsActive, bool IsDown) {
  TspSkinData* sd = Parent->SkinData();
  const int idx = sd ? sd->GetControlIndex("resizetoolbutton") : -1;
  auto* e = idx >= 0 ? dynamic_cast<TspDataSkinButtonControl*>(sd->CtrlList[size_t(idx)].get()) : nullptr;
  TBitmap* pic = e ? PictureOf(sd, e->PictureIndex) : nullptr;
  if (!e || !pic) return false;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  B->SetSize(w, h);
  TRect src = RectOf(e->SkinRect);
  TColor color = e->FontColor;
  if (IsDown) {
    src = !EmptyRect(RectOf(e->DownSkinRect)) ? RectOf(e->DownSkinRect)
          : !EmptyRect(RectOf(e->ActiveSkinRect)) ? RectOf(e->ActiveSkinRect) : RectOf(e->SkinRect);
    color = e->DownFontColor;
  } else if (IsActive) {
    src = !EmptyRect(RectOf(e->ActiveSkinRect)) ? RectOf(e->ActiveSkinRect) : RectOf(e->SkinRect);
    color = e->ActiveFontColor;
  }
  if (MenuItem && !MenuItem->Enabled) color = UnEnabledFontColor;
  const int dw = w - src.Width(), dh = h - src.Height();
  const TPoint lt{e->LTPoint.X, e->LTPoint.Y}, rt{e->RTPoint.X, e->RTPoint.Y}, lb{e->LBPoint.X, e->LBPoint.Y},
      rb{e->RBPoint.X, e->RBPoint.Y};
  const TRect cl = RectOf(e->ClRect);
  const TRect ncl{cl.Left, cl.Top, cl.Right + dw, cl.Bottom + dh};
  if (!IsDown && !IsActive && Parent->ToolBarModeItemTransparent)
    B->Canvas()->CopyRect(TRect{0, 0, w, h}, Cnvs, ObjectRect);
  else
    CreateNinePartImage(lt, rt, lb, rb, cl, lt, TPoint{rt.X + dw, rt.Y}, TPoint{lb.X, lb.Y + dh},
                        TPoint{rb.X + dw, rb.Y + dh}, ncl, B, pic, src, w, h, true, e->LeftStretch, e->TopStretch,
                        e->RightStretch, e->BottomStretch, e->StretchEffect, e->StretchType);
  TRect t = ncl;
  if (Parent->UseSkinFont) {
    // The control's own font for the caption.
    TCanvas* c = B->Canvas();
    c->Font()->SetName(e->FontName);
    c->Font()->SetHeight(e->FontHeight);
    c->Font()->SetStyle(e->FontStyle);
  }
  DrawCaption(B->Canvas(), t, color, IsActive);
  return true;
}

void TspSkinMainMenuBarItem::Draw(TCanvas* Cnvs) {
  if (!MenuItem) return;
  if (FSkinSupport && Parent->SkinIndex() != -1)
    SkinDraw(Cnvs);
  else
    DefaultDraw(Cnvs);
}

void TspSkinMainMenuBarItem::LeaveOtherItems() {
  for (auto& o : Parent->ObjectList)
    if (o.get() != this && o->Active) {
      o->MouseLeave();
      break;
    }
}

void TspSkinMainMenuBarItem::CloseOtherItem() {
  for (auto& o : Parent->ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (it && it != this && it->FDown) {
      it->SetDown(false);
      break;
    }
  }
}

void TspSkinMainMenuBarItem::MouseEnter() {
  bool otherDown = false;
  for (auto& o : Parent->ObjectList)
    if (o.get() != this && o->FDown) otherDown = true;
  if (otherDown && MenuItem && MenuItem->Count() > 0) {
    CloseOtherItem();
    Active = true;
    FMouseIn = true;
    if (EnableMorphing()) FMorphKf = 1;
    SetDown(true);
    return;
  }
  if (otherDown) {
    // An item without a drop-down: the open one closes, this one is hot.
    TspFormMenus* fm = spFormMenus(Parent->DynamicSkinForm());
    CloseOtherItem();
    if (fm && fm->SkinMenu->Visible()) {
      fm->SkinMenu->CloseWindows(0);
      if (Parent->DynamicSkinForm()->InMainMenu) fm->EndMainMenuPopup();
    }
  }
  LeaveOtherItems();
  FMouseIn = true;
  Active = true;
  ReDraw();
  if (EnableAnimation()) {
    Parent->AnimateTimer->SetInterval(static_cast<unsigned>(AnimateInterval));
    Parent->AnimateTimer->SetEnabled(true);
  }
  if (Parent->OnItemMouseEnter) Parent->OnItemMouseEnter(MenuItem);
  if (MenuItem && Parent->Hint != MenuItem->Hint) Parent->Hint = MenuItem->Hint;
}

void TspSkinMainMenuBarItem::MouseLeave() {
  Active = false;
  FMouseIn = false;
  if (EnableAnimation()) {
    if (InActiveAnimation) {
      Parent->AnimateTimer->SetEnabled(true);  // the frames run back
    } else {
      CurrentFrame = 0;
      Parent->DrawObject(this);
    }
  }
  if (EnableMorphing() && FDown) FMorphKf = 0;
  ReDraw();
  if (Parent->OnItemMouseLeave) Parent->OnItemMouseLeave(MenuItem);
}

void TspSkinMainMenuBarItem::MouseDown(int, int, TMouseButton Button) {
  TspDynamicSkinForm* dsf = Parent->DynamicSkinForm();
  if (!Enabled || !dsf || Button != mbLeft || !MenuItem) return;
  if (Parent->OnMainMenuItemClick) Parent->OnMainMenuItemClick(IDName);
  if (MenuItem->Count() > 0) {
    Parent->MenuActive = true;
    SetDown(true);
    return;
  }
  TspFormMenus* fm = spFormMenus(dsf);
  if (dsf->InMainMenu && fm) fm->CloseMainMenu();
  dsf->InMenu = false;
  ReDraw();
  TMenuItem* item = MenuItem;
  if (TMenu* menu = item->GetParentMenu())
    menu->DispatchCommand(item->Command());
  else
    item->Click();
}

void TspSkinMainMenuBarItem::SetDown(bool Value) {
  FDown = Value;
  if (Value) {
    ReDraw();
    TspDynamicSkinForm* dsf = Parent->DynamicSkinForm();
    TspFormMenus* fm = spFormMenus(dsf);
    if (dsf && !dsf->InMainMenu && fm && fm->OnMainMenuEnter) fm->OnMainMenuEnter(Parent);
    PopupItemMenu();
  } else {
    Active = false;
    if (EnableAnimation()) {
      if (InActiveAnimation) {
        CurrentFrame = FrameCount + 1;
        Parent->AnimateTimer->SetEnabled(true);
      } else {
        CurrentFrame = 0;
      }
      Parent->DrawObject(this);
      return;
    }
    // A fading item fades out from its full active look.
    if (EnableMorphing()) FMorphKf = 1;
    ReDraw();
  }
}

void TspSkinMainMenuBarItem::PopupItemMenu() {
  TspDynamicSkinForm* dsf = Parent->DynamicSkinForm();
  TspFormMenus* fm = spFormMenus(dsf);
  if (!fm || !MenuItem) return;
  POINT tl = Parent->ClientToScreen(POINT{ObjectRect.Left, ObjectRect.Top});
  TRect r{tl.x, tl.y, tl.x + ObjectRect.Width(), tl.y + ObjectRect.Height()};
  fm->SkinMenuOpen();
  dsf->InMainMenu = true;
  fm->HookApp();
  fm->SkinMenu->Popup(nullptr, Parent->SkinData(), 0, r, MenuItem, Parent->PopupToUp);
}

// ===========================================================================
// TspSkinMainMenuBar

TspSkinMainMenuBar::TspSkinMainMenuBar(TComponent* AOwner) : TspSkinControl(AOwner) {
  SetSkinDataName("mainmenubar");
  FDefItemFont.SetName("Arial");
  FDefItemFont.SetStyle(0);
  FDefItemFont.SetHeight(14);
  FDefItemFont.SetColor(clBtnText);
  MouseTimer = new TTimer(this);
  MouseTimer->SetEnabled(false);
  MouseTimer->SetInterval(50);
  MouseTimer->OnTimer = [this](TObject*) { MouseTimerProc(); };
  MorphTimer = new TTimer(this);
  MorphTimer->SetEnabled(false);
  MorphTimer->SetInterval(25);
  MorphTimer->OnTimer = [this](TObject*) { MorphTimerProc(); };
  AnimateTimer = new TTimer(this);
  AnimateTimer->SetEnabled(false);
  AnimateTimer->SetInterval(25);
  AnimateTimer->OnTimer = [this](TObject*) { AnimateTimerProc(); };
  SetAlign(alTop);
  SetHeight(22);
}

TspSkinMainMenuBar::~TspSkinMainMenuBar() {
  MouseTimer->SetEnabled(false);
  MouseTimer->OnTimer = nullptr;
  MorphTimer->SetEnabled(false);
  MorphTimer->OnTimer = nullptr;
  AnimateTimer->SetEnabled(false);
  AnimateTimer->OnTimer = nullptr;
  SetDynamicSkinForm(nullptr);
  SetMainMenu(nullptr);
  ObjectList.clear();
}

void TspSkinMainMenuBar::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // The bar's items point into the menus it shows: a menu that goes takes
  // them along.
  if (AComponent == FMainMenu || AComponent == FMergeMenu.Get()) {
    ObjectList.clear();
    ActiveObject = OldActiveObject = MouseCaptureObject = -1;
  }
}

void TspSkinMainMenuBar::SetDynamicSkinForm(TspDynamicSkinForm* Value) {
  if (FDSF == Value) return;
  if (FDSF) {
    if (TspFormMenus* fm = spFormMenus(FDSF))
      if (fm->MainMenuBar == this) fm->MainMenuBar = nullptr;
  }
  FDSF.Set(Value);
  if (FDSF)
    if (TspFormMenus* fm = spFormMenus(FDSF)) fm->MainMenuBar = this;
}

void TspSkinMainMenuBar::SetDefItemFont(const TFont* Value) {
  FDefItemFont.Assign(Value);
  if (FIndex == -1 && HandleAllocated()) Invalidate();
}

void TspSkinMainMenuBar::SetDefaultWidth(int Value) {
  FDefaultWidth = Value;
  if (FIndex == -1 && Value > 0) SetWidth(Value);
}

void TspSkinMainMenuBar::SetDefaultHeight(int Value) {
  FDefaultHeight = Value;
  if (FIndex == -1 && Value > 0) SetHeight(Value);
}

void TspSkinMainMenuBar::SetMainMenu(TMainMenu* Value) {
  if (!FMainMenu.Set(Value)) return;
  CreateMenu();
  if (HandleAllocated()) Invalidate();
}

void TspSkinMainMenuBar::GetSkinData() {
  TspSkinControl::GetSkinData();
  Picture = nullptr;
  auto* rec = dynamic_cast<TspDataSkinMainMenuBar*>(Element());
  if (!rec) {
    FIndex = -1;
    return;
  }
  SkinRect = RectOf(rec->SkinRect);
  ItemsRect = RectOf(rec->ItemsRect);
  MenuBarItem = rec->MenuBarItem;
  TrackMarkColor = rec->TrackMarkColor;
  TrackMarkActiveColor = rec->TrackMarkActiveColor;
  StretchEffect = rec->StretchEffect;
  ItemTransparent = rec->ItemTransparent;
  Picture = PictureOf(FSD, rec->PictureIndex);
}

void TspSkinMainMenuBar::BeforeChangeSkinData() {
  FSkinSupport = false;
  TspSkinControl::BeforeChangeSkinData();
  ObjectList.clear();
  ActiveObject = OldActiveObject = MouseCaptureObject = -1;
}

void TspSkinMainMenuBar::ChangeSkinData() {
  GetSkinData();
  FSkinSupport = FIndex != -1;
  CreateMenu();
  if (FSkinSupport && UseSkinSize && SkinRect.Height() > 0)
    SetHeight(SkinRect.Height());
  else if (FDefaultHeight > 0)
    SetHeight(FDefaultHeight);
  if (HandleAllocated()) Invalidate();
}

void TspSkinMainMenuBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  GetSkinData();
  if (FIndex != -1 && UseSkinSize && SkinRect.Height() > 0) AHeight = SkinRect.Height();
  TspSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  CalcItemsRect();
}

void TspSkinMainMenuBar::CreateMenu() {
  ObjectList.clear();
  ButtonsCount = 0;
  ActiveObject = OldActiveObject = MouseCaptureObject = -1;
  const bool mdi = (FDSF && FDSF->IsMDIForm()) || FMergeMenu;
  TMainMenu* child = mdi ? GetChildMainMenu() : nullptr;
  if (!FMainMenu) return;
  const TspDataSkinMainMenuItem* data = nullptr;
  if (FSD && !FSD->Empty) {
    GetSkinData();
    if (FIndex != -1 && !MenuBarItem.empty()) {
      int i = FSD->GetIndex(MenuBarItem);
      if (i >= 0 && i < static_cast<int>(FSD->ObjectList.size()))
        data = dynamic_cast<const TspDataSkinMainMenuItem*>(FSD->ObjectList[static_cast<size_t>(i)].get());
    }
  }
  ChildMenuIn = child != nullptr;
  if (ChildMenuIn) ScrollMenu = false;
  std::vector<TMenuItem*> list;
  TMenuItem* root = FMainMenu->Items();
  if (child) {
    TMenuItem* croot = child->Items();
    auto inChild = [croot](int group) {
      for (int j = 0; j < croot->Count(); ++j)
        if (croot->Items(j)->GroupIndex == group) return true;
      return false;
    };
    for (int i = 0; i < root->Count(); ++i)
      if (!inChild(root->Items(i)->GroupIndex)) list.push_back(root->Items(i));
    for (int j = 0; j < croot->Count(); ++j) list.push_back(croot->Items(j));
    std::stable_sort(list.begin(), list.end(),
                     [](TMenuItem* a, TMenuItem* b) { return a->GroupIndex < b->GroupIndex; });
  } else {
    for (int i = 0; i < root->Count(); ++i) list.push_back(root->Items(i));
  }
  for (TMenuItem* mi : list) {
    if (!mi->Visible) continue;
    auto item = std::make_unique<TspSkinMainMenuBarItem>(this, data);
    item->IDName = mi->Name();
    item->Enabled = item->OldEnabled = mi->Enabled;
    item->MenuItem = mi;
    ObjectList.push_back(std::move(item));
  }
  if (FMDIChildMax) {
    CreateMDIButtons();
    if (TspDynamicSkinForm* d = TspDynamicSkinForm::GetMaximizedMDIChildDSF()) UpdateMDIButtons(d->BorderIcons());
  }
}

void TspSkinMainMenuBar::UpDateItems() {
  CreateMenu();
  if (HandleAllocated()) Invalidate();
  MouseTimer->SetEnabled(true);
}

void TspSkinMainMenuBar::UpDateEnabledItems() {
  for (auto& o : ObjectList)
    if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get())) {
      // A hot item that turns disabled stops being hot.
      if (!it->MenuItem->Enabled && it->Active && !it->FDown) it->MouseLeave();
      it->Enabled = it->MenuItem->Enabled;
      it->OldEnabled = it->Enabled;
    }
  if (HandleAllocated()) Invalidate();
}

TspSkinMainMenuBarItem* TspSkinMainMenuBar::Item(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(ObjectList.size())) return nullptr;
  return dynamic_cast<TspSkinMainMenuBarItem*>(ObjectList[static_cast<size_t>(Index)].get());
}

void TspSkinMainMenuBar::CalcItemsRect() {
  const int w = Width(), h = Height();
  if (FIndex != -1) {
    NewItemsRect = TRect{ItemsRect.Left, ItemsRect.Top, w - (SkinRect.Width() - ItemsRect.Right), ItemsRect.Bottom};
    if (!UseSkinSize) NewItemsRect.Bottom = h - (SkinRect.Height() - ItemsRect.Bottom);
  } else {
    NewItemsRect = TRect{2, 2, w - 2, h - 2};
  }
  if (!FMDIChildMax || ButtonsCount != 4) return;
  // The child's buttons: system menu at the left end, the others from the
  // right end inwards.
  const int mid = (NewItemsRect.Top + NewItemsRect.Bottom) / 2;
  auto size = [&](TspMenuBarObject* o, int& bw, int& bh) {
    auto* b = static_cast<TspSkinMainMenuBarButton*>(o);
    if (b->FSkinSupport) {
      bw = b->SkinRect.Width();
      bh = b->SkinRect.Height();
    } else {
      bw = bh = NewItemsRect.Height();
    }
  };
  int bw = 0, bh = 0;
  size(ObjectList[0].get(), bw, bh);
  ObjectList[0]->ObjectRect = TRect{NewItemsRect.Left, mid - bh / 2, NewItemsRect.Left + bw, mid - bh / 2 + bh};
  NewItemsRect.Left += bw + 2;
  for (int i = 1; i < 4; ++i) {
    size(ObjectList[static_cast<size_t>(i)].get(), bw, bh);
    ObjectList[static_cast<size_t>(i)]->ObjectRect =
        TRect{NewItemsRect.Right - bw, mid - bh / 2, NewItemsRect.Right, mid - bh / 2 + bh};
    NewItemsRect.Right -= bw + 2;
  }
}

TRect TspSkinMainMenuBar::MarkerRect() const {
  return TRect{NewItemsRect.Right - 5, NewItemsRect.Top, NewItemsRect.Right, NewItemsRect.Bottom};
}

void TspSkinMainMenuBar::PaintObjects(TCanvas* C) {
  CalcItemsRect();
  Scroll = false;
  for (auto& o : ObjectList) o->Draw(C);
  if (Scroll && ScrollMenu) {
    TColor c = FIndex != -1 ? (MarkerActive ? TrackMarkActiveColor : TrackMarkColor)
                            : (MarkerActive ? clBtnText : clBtnShadow);
    DrawArrowGlyph(C, MarkerRect(), c, 1);
  }
}

void TspSkinMainMenuBar::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  PaintObjects(b.Canvas());
}

void TspSkinMainMenuBar::PaintSkinImage(TspPaintBuffer& b) {
  if (FSD && FSD->MainMenuBarTransparent) {
    PaintParentBackground(b);
  } else if (Picture && !EmptyRect(SkinRect) && UseSkinSize) {
    TBitmap bg;
    bg.SetSize(b.Width(), b.Height());
    CreateHorzThreePartImage(ItemsRect.Left, SkinRect.Width() - ItemsRect.Right, &bg, Picture, SkinRect, b.Width(),
                             b.Height(), StretchEffect);
    b.Canvas()->Draw(0, 0, &bg);
  } else if (ToolBarMode && PaintPanelBackground(b)) {
  } else if (Picture && !EmptyRect(SkinRect)) {
    // Free size: the bar picture stretched around its middle.
    TBitmap bg;
    bg.SetSize(b.Width(), b.Height());
    const int h = SkinRect.Height();
    DrawSkinRectStretched(&bg, Picture, SkinRect, TRect{ItemsRect.Left, h / 4, ItemsRect.Right, h - h / 4}, true);
    b.Canvas()->Draw(0, 0, &bg);
  } else {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  }
  PaintObjects(b.Canvas());
}

void TspSkinMainMenuBar::DrawObject(TspMenuBarObject*) {
  if (HandleAllocated()) Repaint();
}

void TspSkinMainMenuBar::TestActive(int X, int Y) {
  if (ObjectList.empty()) return;
  OldActiveObject = ActiveObject;
  int hit = -1;
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    auto& o = ObjectList[i];
    if (o->Enabled && PtInTRect(o->ObjectRect, X, Y)) {
      hit = static_cast<int>(i);
      break;
    }
  }
  if (hit == -1 && MenuActive && Item(OldActiveObject))
    ActiveObject = OldActiveObject;
  else
    ActiveObject = hit;
  if (MouseCaptureObject != -1 && MouseCaptureObject != ActiveObject) ActiveObject = -1;
  const int n = static_cast<int>(ObjectList.size());
  if (ActiveObject >= n) ActiveObject = -1;
  if (OldActiveObject >= n) OldActiveObject = -1;
  if (OldActiveObject != ActiveObject) {
    if (OldActiveObject != -1 && ObjectList[static_cast<size_t>(OldActiveObject)]->Enabled)
      ObjectList[static_cast<size_t>(OldActiveObject)]->MouseLeave();
    if (ActiveObject != -1 && ObjectList[static_cast<size_t>(ActiveObject)]->Enabled)
      ObjectList[static_cast<size_t>(ActiveObject)]->MouseEnter();
  }
  if (Scroll && ScrollMenu) {
    const bool in = PtInTRect(MarkerRect(), X, Y);
    if (in != MarkerActive) {
      MarkerActive = in;
      if (HandleAllocated()) Repaint();
    }
  }
}

void TspSkinMainMenuBar::MouseTimerProc() {
  if (!HandleAllocated()) return;
  POINT p;
  GetCursorPos(&p);
  p = ScreenToClient(p);
  if (p.x < 0 || p.y < 0 || p.x > Width() || p.y > Height()) {
    MouseTimer->SetEnabled(false);
    TestActive(-1, -1);
  } else {
    TestActive(p.x, p.y);
  }
}

void TspSkinMainMenuBar::MorphTimerProc() {
  bool any = false;
  for (auto& o : ObjectList)
    if (o->EnableMorphing() && o->CanMorphing()) {
      o->DoMorphing();
      any = true;
    }
  if (any) {
    if (HandleAllocated()) Repaint();
  } else {
    MorphTimer->SetEnabled(false);
  }
}

void TspSkinMainMenuBar::AnimateTimerProc() {
  bool any = false;
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it || !it->EnableAnimation()) continue;
    if (it->Active && it->CurrentFrame <= it->FrameCount) {
      ++it->CurrentFrame;
      any = true;
    } else if (!it->Active && it->CurrentFrame > 0) {
      --it->CurrentFrame;
      any = true;
    }
  }
  if (any) {
    if (HandleAllocated()) Repaint();
  } else {
    AnimateTimer->SetEnabled(false);
  }
}

void TspSkinMainMenuBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TspSkinControl::MouseDown(Button, Shift, X, Y);
  TestActive(X, Y);
  if (ActiveObject != -1) {
    MouseCaptureObject = ActiveObject;
    TspMenuBarObject* o = ObjectList[static_cast<size_t>(ActiveObject)].get();
    o->MouseDown(X, Y, Button);
    // The handler may have rebuilt the items.
    if (MouseCaptureObject != -1 && MouseCaptureObject < static_cast<int>(ObjectList.size()) &&
        (Shift & ssDouble))
      ObjectList[static_cast<size_t>(MouseCaptureObject)]->DblClick();
  } else if (Scroll && ScrollMenu && PtInTRect(MarkerRect(), X, Y)) {
    PopupHiddenItems();
  }
}

void TspSkinMainMenuBar::MouseMove(TShiftState Shift, int X, int Y) {
  if (!MouseTimer->Enabled()) MouseTimer->SetEnabled(true);
  TspSkinControl::MouseMove(Shift, X, Y);
}

void TspSkinMainMenuBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (MouseCaptureObject != -1 && MouseCaptureObject < static_cast<int>(ObjectList.size())) {
    int i = MouseCaptureObject;
    MouseCaptureObject = -1;
    ObjectList[static_cast<size_t>(i)]->MouseUp(X, Y, Button);
  }
  MouseCaptureObject = -1;
  TspSkinControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinMainMenuBar::PopupHiddenItems() {
  TspFormMenus* fm = spFormMenus(FDSF);
  if (!fm || !FMainMenu) return;
  // The drop-down starts at the first item that did not fit, counted in the
  // menu's own items (invisible ones included).
  int start = -1;
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (it && !it->Visible) {
      start = it->MenuItem->MenuIndex();
      break;
    }
  }
  if (start < 0) return;
  TRect m = MarkerRect();
  POINT tl = ClientToScreen(POINT{m.Left, m.Top});
  TRect r{tl.x, tl.y, tl.x + m.Width(), tl.y + m.Height()};
  fm->SkinMenuOpen();
  fm->SkinMenu->Popup(nullptr, SkinData(), start, r, FMainMenu->Items(), false);
}

void TspSkinMainMenuBar::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
      TspSkinControl::WndProc(m);
      CalcItemsRect();
      return;
    case WM_CLOSESKINMENU:
      TspSkinControl::WndProc(m);
      ResetSysMenuButton();
      return;
    case WM_MOVE:
    case SP_CHECKBACKGROUND:
      TspSkinControl::WndProc(m);
      // What shows through a transparent bar changed.
      if (FIndex != -1 && FSD && FSD->MainMenuBarTransparent && (m.Msg != WM_MOVE || Align() == alNone) &&
          HandleAllocated())
        Repaint();
      return;
    case CM_MOUSEENTER:
      TspSkinControl::WndProc(m);
      if (OnMouseEnter) OnMouseEnter(this);
      MouseTimer->SetEnabled(true);
      return;
    case CM_MOUSELEAVE:
      TspSkinControl::WndProc(m);
      if (OnMouseLeave) OnMouseLeave(this);
      MouseTimer->SetEnabled(false);
      TestActive(-1, -1);
      return;
    default:
      TspSkinControl::WndProc(m);
  }
}

// ---------------------------------------------------------------------------
// Keyboard menu mode

void TspSkinMainMenuBar::EnterMenuMode() {
  MenuActive = true;
  // The hot item, else the first one the keyboard can reach.
  TspSkinMainMenuBarItem* first = nullptr;
  for (int i = 0; i < ItemCount() && !first; ++i)
    if (Item(i) && Item(i)->Active && Item(i)->Enabled && Item(i)->Visible) first = Item(i);
  for (int i = 0; i < ItemCount() && !first; ++i)
    if (Item(i) && Item(i)->Enabled && Item(i)->Visible) first = Item(i);
  if (first) first->MouseEnter();
  TspFormMenus* fm = spFormMenus(FDSF);
  if (!fm) return;
  fm->HookApp();
  FDSF->InMainMenu = true;
  if (fm->OnMainMenuEnter) fm->OnMainMenuEnter(this);
}

void TspSkinMainMenuBar::NextMenuItem() { StepMenuItem(1); }

void TspSkinMainMenuBar::PrevMenuItem() { StepMenuItem(-1); }

void TspSkinMainMenuBar::StepMenuItem(int step) {
  const int n = static_cast<int>(ObjectList.size());
  auto usable = [this](int i) {
    auto* it = Item(i);
    return it && it->Enabled && it->Visible;
  };
  int cur = -1;
  for (int i = 0; i < n; ++i)
    if (usable(i) && (ObjectList[static_cast<size_t>(i)]->Active || ObjectList[static_cast<size_t>(i)]->FDown)) {
      cur = i;
      break;
    }
  // From the current item (or from the near end) round the bar.
  const int start = cur != -1 ? cur : (step > 0 ? -1 : n);
  int target = -1;
  for (int k = 1; k <= n && target == -1; ++k) {
    const int i = ((start + step * k) % n + n) % n;
    if (usable(i)) target = i;
  }
  if (target == -1 || target == cur) return;
  if (cur != -1) ObjectList[static_cast<size_t>(cur)]->MouseLeave();
  ObjectList[static_cast<size_t>(target)]->MouseEnter();
  ActiveObject = target;
}

bool TspSkinMainMenuBar::CheckAccelerator(WORD Key) {
  if (!FDSF || !FDSF->Form()->Visible()) return false;
  const bool menuOpen = spFormMenus(FDSF) && spFormMenus(FDSF)->SkinMenu->Visible();
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it || !it->Enabled || !it->Visible || !it->MenuItem) continue;
    if (!IsMenuAccel(static_cast<char16_t>(Key), it->MenuItem->Caption())) continue;
    it->MouseEnter();
    if (!(menuOpen && it->MenuItem->Count() > 0)) it->MouseDown(0, 0, mbLeft);
    return true;
  }
  return false;
}

bool TspSkinMainMenuBar::OpenActiveItem() {
  const bool menuOpen = spFormMenus(FDSF) && spFormMenus(FDSF)->SkinMenu->Visible();
  for (auto& o : ObjectList) {
    auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
    if (!it || !it->MenuItem) continue;
    if ((it->FDown && it->MenuItem->Count() == 0) || (it->Active && !menuOpen)) {
      it->Active = false;
      it->MouseDown(0, 0, mbLeft);
      return true;
    }
  }
  return false;
}

void TspSkinMainMenuBar::ItemMenuClosed() {
  for (auto& o : ObjectList)
    if (o->FDown) {
      o->FDown = false;
      o->Active = true;
      if (o->EnableMorphing()) o->FMorphKf = 1;
      DrawObject(o.get());
      break;
    }
}

void TspSkinMainMenuBar::ExitMenuMode() {
  MenuActive = false;
  for (auto& o : ObjectList)
    if (o->FDown || o->Active) {
      o->Active = false;
      o->FMouseIn = false;
      o->FDown = false;
      auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get());
      if (it && it->EnableAnimation()) {
        if (it->InActiveAnimation) {
          AnimateTimer->SetEnabled(true);
        } else {
          it->CurrentFrame = 0;
          DrawObject(it);
        }
      } else if (o->EnableMorphing()) {
        o->FMorphKf = 1;  // fades out
        o->ReDraw();
      } else {
        DrawObject(o.get());
      }
      break;
    }
  ActiveObject = OldActiveObject = -1;
}
