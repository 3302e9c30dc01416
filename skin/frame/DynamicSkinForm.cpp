// The skinned form component: construction, properties and the small
// services the rest of the frame uses.
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"
#include "framework/ImgList.h"

#include <algorithm>

#include "skin/controls/SkinPanelKinds.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/frame/SkinMDITabsBar.h"
#include "skin/data/SPUtils.h"

std::function<std::unique_ptr<TspFrameMenuHandler>(TspDynamicSkinForm*)> TspDynamicSkinForm::MenuHandlerFactory;
std::function<std::unique_ptr<TspFrameHintHandler>(TspDynamicSkinForm*)> TspDynamicSkinForm::HintHandlerFactory;
std::function<void(HWND, bool, TRect&)> TspDynamicSkinForm::MonitorAreaOverride;

void spInstallFormMenus();  // FormMenus.cpp

TspDynamicSkinForm::TspDynamicSkinForm(TComponent* AOwner) : TComponent(AOwner) {
  FForm = dynamic_cast<TCustomForm*>(AOwner);
  if (!FForm) throw Exception("Invalid class typecast");
  FIsLayerEnabled = IsWindows2000OrLater();
  FIsW7 = IsWindows7();
  FIsVistaOS = IsWindowsVistaOrLater();
  AllComponents().push_back(this);
  FBorderLayer = new TspFormLayerBorder(this);
  FLayerManager = new TspLayerManager(this);
  FMenuLayerManager = new TspLayerManager(this);

  for (TFont* f : {&FDefCaptionFont, &FDefInActiveCaptionFont}) {
    f->SetName("Arial");
    f->SetStyle(fsBold);
    f->SetHeight(14);
  }
  FDefCaptionFont.SetColor(clBtnText);
  FDefInActiveCaptionFont.SetColor(clBtnShadow);

  auto makeTimer = [this](unsigned ms, void (TspDynamicSkinForm::*proc)()) {
    TTimer* t = new TTimer(this);
    t->SetEnabled(false);
    t->SetInterval(ms);
    t->OnTimer = [this, proc](TObject*) { (this->*proc)(); };
    return t;
  };
  MorphTimer = makeTimer(25, &TspDynamicSkinForm::MorphTimerProc);
  MouseTimer = makeTimer(50, &TspDynamicSkinForm::MouseTimerProc);
  AnimateTimer = makeTimer(25, &TspDynamicSkinForm::AnimateTimerProc);

  // The component draws the caption buttons itself; the system's would also
  // bring the system's own menu and caption back.
  FForm->SetBorderIcons(0);

  // The library's skinned menus and hint serve every form unless a program
  // put hooks of its own in place.
  if (!MenuHandlerFactory && !HintHandlerFactory) spInstallFormMenus();
  if (MenuHandlerFactory) MenuHandler = MenuHandlerFactory(this);
  if (HintHandlerFactory) HintHandler = HintHandlerFactory(this);

  if (IsMDIForm()) CreateMDIScrollBars();

  OldWindowProc = FForm->WindowProc;
  FForm->WindowProc = [this](TMessage& m) { NewWndProc(m); };
  // A window made before the hook computes its frame again through it.
  if (HWND h = FForm->HandleIfAllocated())
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TspDynamicSkinForm::~TspDynamicSkinForm() {
  auto& all = AllComponents();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  RemoveClientProc();
  for (TTimer* t : {MorphTimer, MouseTimer, AnimateTimer}) {
    t->SetEnabled(false);
    t->OnTimer = nullptr;
  }
  // The layer windows go before the objects they draw.
  if (FBorderLayer) FBorderLayer->Hide();
  ClearObjects();
  // A form that is going away takes its window procedure with it; only a
  // living form gets its own procedure back.
  if (FForm && !(FForm->ComponentState() & csDestroying)) {
    FForm->WindowProc = OldWindowProc;
    if (HWND h = FForm->HandleIfAllocated()) {
      if (FRgn) SetWindowRgn(h, nullptr, TRUE);
      SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FRgn = nullptr;  // owned by the window once set
  }
  FRgn = nullptr;
  if (FIcon) DestroyIcon(FIcon);
}

void TspDynamicSkinForm::Loaded() {
  TComponent::Loaded();
  if (FWindowStateInit != FWindowState && FSupportNCArea) ChangeWindowState(FWindowStateInit);
}

void TspDynamicSkinForm::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // The frame's objects hold the skin too.
  if (AComponent == FSD)
    for (auto& o : ObjectList) o->SD = nullptr;
}

void TspDynamicSkinForm::SetQuickImageList(TCustomImageList* Value) {
  QuickImageList.Set(Value);
  UpDateFormNC();
}

TspSkinStatusBar* TspDynamicSkinForm::StatusBar() const { return FStatusBar; }

void TspDynamicSkinForm::SetStatusBar(TspSkinStatusBar* Value) {
  FStatusBar.Set(Value);
}

void TspDynamicSkinForm::SetSkinData(TspSkinData* Value) {
  FSD.Set(Value);
  if (FSD) FSkinnableForm = FSD->SkinnableForm() && !FUseRibbon;
  ChangeSkinData();
}

void TspDynamicSkinForm::SetMenusSkinData(TspSkinData* Value) {
  FMSD.Set(Value);
}

void TspDynamicSkinForm::SetUseRibbon(bool Value) {
  FUseRibbon = Value;
  if (Value) SetSkinnableForm(false);
}

void TspDynamicSkinForm::SetSkinnableForm(bool Value) {
  FFormActive = GetFormActive();
  bool maximizeAgain = false;
  if (FWindowStateInit == wsMaximized && FSkinnableForm) {
    FForm->Hide();
    ChangeWindowState(wsNormal);
    FWindowStateInit = wsNormal;
    maximizeAgain = true;
  }
  FSkinnableForm = Value && !FUseRibbon;
  ChangeSkinData();
  ChangeControlsSkinData(nullptr, FForm);
  if (HWND h = FForm->HandleIfAllocated())
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (maximizeAgain) {
    if (FSkinnableForm) SetWindowState(wsMaximized);
    FForm->Show();
  }
}

void TspDynamicSkinForm::SetBorderIcons(TspBorderIcons Value) {
  FBorderIcons = Value;
  if (FSupportNCArea || SkinInUse()) {
    if (!(ComponentState() & (csLoading | csDesigning))) {
      UpdateCaptionButtons();
      if (FForm->HandleAllocated()) SendMessageW(FForm->Handle(), WM_NCPAINT, 0, 0);
    }
  } else if (HideCaptionButtons) {
    UpdateCaptionButtons();
  }
}

void TspDynamicSkinForm::UpdateFormBorderIcons() {
  TBorderIcons icons = 0;
  if (!HideCaptionButtons && !FSkinnableForm) icons |= biSystemMenu;
  if (FBorderIcons & biMinimize) icons |= biMinimize;
  if (FBorderIcons & biMaximize) icons |= biMaximize;
  FForm->SetBorderIcons(icons);
}

void TspDynamicSkinForm::SetAlphaBlend(bool Value) {
  if (Value == FAlphaBlend) return;
  FAlphaBlend = Value;
  if (ComponentState() || !FForm->HandleAllocated()) return;
  HWND h = FForm->Handle();
  LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  if (Value) {
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetWindowAlphaValue(h, FAlphaBlendValue);
  } else if (ex & WS_EX_LAYERED) {
    SetWindowLongW(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TspDynamicSkinForm::SetAlphaBlendValue(uint8_t Value) {
  if (Value == FAlphaBlendValue) return;
  FAlphaBlendValue = Value;
  if (FAlphaBlend && !ComponentState() && FForm->HandleAllocated()) SetWindowAlphaValue(FForm->Handle(), Value);
}

void TspDynamicSkinForm::SetShowIcon(bool Value) {
  FShowIcon = Value;
  if (!(ComponentState() & (csLoading | csDesigning))) UpDateFormNC();
}

bool TspDynamicSkinForm::GetFormActive() const {
  if (PreviewMode) return true;
  if (IsMDIChild() || IsMDIForm()) return FFormActive;
  return FForm->Active();
}

bool TspDynamicSkinForm::IsMainForm() const { return Application && Application->MainForm() == FForm; }

bool TspDynamicSkinForm::HasBorder() const { return FForm->BorderStyle() != bsNone; }

bool TspDynamicSkinForm::UseLayeredBorder() const {
  // The decision as the skin and the form ask for it.
  if (!FSD || FSD->Empty || !FSD->ShowLayeredBorders() || !FSD->LayerFrame) return false;
  if (FSD->LayerFrame->PictureIndex == -1) return false;
  if (!FIsLayerEnabled || !FSkinnableForm || AlwaysDisableLayeredFrames || PreviewMode) return false;
  if (FForm->BorderStyle() == bsNone && FSupportNCArea) return false;
  if (IsMDIChild()) return false;
  return !FSmartEffectsShow;
}

bool TspDynamicSkinForm::NeedsLayeredShow() const {
  return FIsVistaOS && UseLayeredBorder() && !FAlphaBlend && !AlphaBlendAnimation &&
         (!FSD || !FSD->AnimationForAllWindows);
}

bool TspDynamicSkinForm::UseInActiveEffect() const { return FSD && !FSD->Empty && FSD->AutoRenderingInActiveImage; }

bool TspDynamicSkinForm::IsSizeAble() const {
  return Sizeable || FForm->BorderStyle() == bsSizeable || FForm->BorderStyle() == bsSizeToolWin;
}

void TspDynamicSkinForm::GetIconSize(int& W, int& H) {
  W = GetSystemMetrics(SM_CXSMICON);
  H = GetSystemMetrics(SM_CYSMICON);
  if (W == 0) W = GetSystemMetrics(SM_CXSIZE);
  if (H == 0) H = GetSystemMetrics(SM_CYSIZE);
}

void TspDynamicSkinForm::PrepareSmallIcon() {
  if (FIcon) return;
  int w, h;
  GetIconSize(w, h);
  HICON source = nullptr;
  if (FForm->HandleAllocated())
    source = reinterpret_cast<HICON>(SendMessageW(FForm->Handle(), WM_GETICON, ICON_SMALL, 0));
  if (!source && FForm->HandleAllocated())
    source = reinterpret_cast<HICON>(GetClassLongPtrW(FForm->Handle(), GCLP_HICONSM));
  bool loaded = false;
  if (!source) {
    source = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    loaded = true;
  }
  if (source) FIcon = static_cast<HICON>(CopyImage(source, IMAGE_ICON, w, h, LR_COPYFROMRESOURCE));
  if (loaded && source) DestroyIcon(source);
}

void TspDynamicSkinForm::DrawFormIcon(TCanvas* Canvas, int X, int Y) {
  PrepareSmallIcon();
  if (FIcon) DrawIconEx(Canvas->Handle(), X, Y, FIcon, 0, 0, 0, nullptr, DI_NORMAL);
}

bool TspDynamicSkinForm::IconHasAlpha() {
  int w, h;
  GetIconSize(w, h);
  if (w <= 0 || h <= 0) return false;
  PrepareSmallIcon();
  if (!FIcon) return false;
  TspBitmap b;
  b.SetSize(w, h);
  b.SetAlpha(0);
  DrawIconEx(b.DC(), 0, 0, FIcon, w, h, 0, nullptr, DI_NORMAL);
  GdiFlush();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((b.GetPixel(x, y) >> 24) != 0) return true;
  return false;
}

void TspDynamicSkinForm::BringStayOnTopFormsToFront() {
  for (TspDynamicSkinForm* c : AllComponents()) {
    TCustomForm* f = c->FForm;
    if (f->FormStyle() == fsStayOnTop && f->HandleAllocated() && IsWindowVisible(f->HandleIfAllocated()))
      SetForegroundWindow(f->HandleIfAllocated());
  }
}

void TspDynamicSkinForm::UpDateFormNC() {
  // A full layered border carries the caption: it redraws itself.
  if (LayerBorderShown() && LayerFullBorder()) {
    FBorderLayer->UpdateBorder();
    return;
  }
  if (FForm->HandleAllocated()) SendMessageW(FForm->Handle(), WM_NCPAINT, 0, 0);
}

void TspDynamicSkinForm::EnableShadow(bool AShowShadow, bool AHideFormBefore) {
  if (!FIsLayerEnabled || AShowShadow == FHaveShadow) return;
  FHaveShadow = AShowShadow;
  HWND h = FForm->Handle();
  const bool wasVisible = IsWindowVisible(h);
  if (AHideFormBefore && wasVisible) ShowWindow(h, SW_HIDE);
  ULONG_PTR style = GetClassLongPtrW(h, GCL_STYLE);
  style = AShowShadow ? (style | CS_DROPSHADOW) : (style & ~ULONG_PTR(CS_DROPSHADOW));
  SetClassLongPtrW(h, GCL_STYLE, style);
  if (AHideFormBefore && wasVisible) ShowWindow(h, SW_SHOWNA);
}

void TspDynamicSkinForm::SetFormBorderStyle(TFormBorderStyle BS) {
  FForm->SetBorderStyle(BS);
  ChangeControlsSkinData(nullptr, FForm);
}

void TspDynamicSkinForm::SetFormStyle(TFormStyle FS) {
  if (FS != fsNormal && FS != fsStayOnTop) return;
  FForm->SetFormStyle(FS);
  if (FAlphaBlend) ChangeControlsSkinData(nullptr, FForm);
}

void TspDynamicSkinForm::RepaintChildBackgrounds() {
  for (int i = 0; i < FForm->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(FForm->Controls(i)))
      if (w->HandleAllocated()) SendMessageW(w->Handle(), 1284, 0, 0);
}

void TspDynamicSkinForm::MonitorArea(bool WorkArea, TRect& R) const {
  HWND h = FForm->HandleIfAllocated();
  // An MDI child lives in the main form's MDI client.
  if (IsMDIChild()) {
    TRect c{0, 0, 0, 0};
    GetMDIClientRect(c);
    R = TRect{0, 0, c.Width(), c.Height()};
    return;
  }
  if (MonitorAreaOverride) {
    MonitorAreaOverride(h, WorkArea, R);
    return;
  }
  if (h)
    GetMonitorArea(h, WorkArea, R);
  else
    GetScreenWorkArea(WorkArea, R);
}

TRect TspDynamicSkinForm::FormBounds() const {
  if (HWND h = FForm->HandleIfAllocated()) {
    RECT r;
    GetWindowRect(h, &r);
    // An MDI child is placed in its client's coordinates.
    if (HWND parent = GetParent(h); parent && (GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
      MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return TRect{r.left, r.top, r.right, r.bottom};
  }
  return TRect{FForm->Left(), FForm->Top(), FForm->Left() + FForm->Width(), FForm->Top() + FForm->Height()};
}

void TspDynamicSkinForm::SetFormBounds(int L, int T, int W, int H) { FForm->SetBounds(L, T, W, H); }

// ---------------------------------------------------------------------------
// Event forwarders of the frame objects

void TspDynamicSkinForm::CallOnPaintEvent(const std::string& IDName, TCanvas* Canvas, const TRect& R) {
  if (OnPaintEvent) OnPaintEvent(IDName, Canvas, R);
}
void TspDynamicSkinForm::CallOnMouseUpEvent(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton B) {
  if (OnMouseUpEvent) OnMouseUpEvent(IDName, X, Y, R, B);
}
void TspDynamicSkinForm::CallOnMouseDownEvent(const std::string& IDName, int X, int Y, const TRect& R,
                                              TMouseButton B) {
  if (OnMouseDownEvent) OnMouseDownEvent(IDName, X, Y, R, B);
}
void TspDynamicSkinForm::CallOnMouseMoveEvent(const std::string& IDName, int X, int Y, const TRect& R) {
  if (OnMouseMoveEvent) OnMouseMoveEvent(IDName, X, Y, R);
}
void TspDynamicSkinForm::CallOnMouseEnterEvent(const std::string& IDName) {
  if (OnMouseEnterEvent) OnMouseEnterEvent(IDName);
}
void TspDynamicSkinForm::CallOnMouseLeaveEvent(const std::string& IDName) {
  if (OnMouseLeaveEvent) OnMouseLeaveEvent(IDName);
}
