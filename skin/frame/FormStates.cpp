// Window states applied by the component itself (the frame, the shape and
// the caption buttons must follow), roll-up, size limits and snapping.
#include <algorithm>

#include "skin/controls/SkinPanelKinds.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"

std::vector<TspDynamicSkinForm*>& TspDynamicSkinForm::AllComponents() {
  static std::vector<TspDynamicSkinForm*> list;
  return list;
}

int TspDynamicSkinForm::GetMinWidth() const {
  const bool minimized = FWindowState == wsMinimized;
  if (FSupportNCArea) {
    if (!SkinInUse()) return MinWidth > 0 ? MinWidth : 130;
    const int pw = FSD->FPicture.Width;
    if (pw < MinWidth && !minimized) return MinWidth;
    if (FSD->FormMinWidth > 0) return minimized ? FSD->FormMinWidth : std::max(FSD->FormMinWidth, MinWidth);
    return pw;
  }
  if (!SkinInUse()) return 0;
  const int pw = FSD->FPicture.Width;
  return MinWidth == 0 ? pw : std::min(pw, MinWidth);
}

int TspDynamicSkinForm::GetMinHeight() const {
  const bool shrunk = FRollUpState || FWindowState == wsMinimized;
  if (FSupportNCArea) {
    if (!SkinInUse()) {
      const int h = GetDefCaptionHeight() + 6;
      return (!shrunk && MinHeight > h) ? MinHeight : h;
    }
    const int F = FSD->FPicture.Height - RectHeight(FSD->ClRect);
    // A full layered border draws the caption outside: the form itself
    // may shrink to a strip.
    if (LayerFullBorder()) return (!shrunk && F < MinHeight) ? MinHeight : 10;
    const int base = FSD->FormMinHeight > 0 ? FSD->FormMinHeight : F;
    return (!shrunk && MinHeight > base) ? MinHeight : base;
  }
  if (!SkinInUse()) return 0;
  const int ph = FSD->FPicture.Height;
  return MinHeight == 0 ? ph : std::min(ph, MinHeight);
}

int TspDynamicSkinForm::GetMaxWidth() const {
  if (MaxWidth != 0) return MaxWidth;
  TRect r;
  MonitorArea(!MaximizeOnFullScreen, r);
  return r.Width();
}

int TspDynamicSkinForm::GetMaxHeight() const {
  if (MaxHeight != 0) return MaxHeight;
  TRect r;
  MonitorArea(!MaximizeOnFullScreen, r);
  return r.Height();
}

void TspDynamicSkinForm::SetWindowState(TWindowState Value) {
  FWindowStateInit = Value;
  if (ComponentState() & (csLoading | csDesigning)) return;
  ChangeWindowState(Value);
  FWindowStateInit = FWindowState;
}

void TspDynamicSkinForm::ChangeWindowState(TWindowState Value) {
  if (Value == FWindowState) return;
  const TWindowState old = FWindowState;
  if (!(Value == wsMinimized && (IsMainForm() || FMinimizeDefault))) FWindowState = Value;
  switch (Value) {
    case wsNormal:
      if (old == wsMaximized && FRollUpState && !FRollUpBeforeMaximize) {
        MaxRollUpState = false;
        SetRollUpState(false);
      }
      FRollUpBeforeMaximize = false;
      DoRestore();
      break;
    case wsMinimized: DoMinimize(); break;
    case wsMaximized:
      FRollUpBeforeMaximize = FRollUpState;
      DoMaximize();
      break;
  }
}

void TspDynamicSkinForm::DoMinimize() {
  if (IsMainForm() || !FSupportNCArea) {
    if (Application) Application->Minimize();
  } else if (FMinimizeDefault) {
    if (HWND h = FForm->HandleIfAllocated()) ShowWindow(h, SW_MINIMIZE);
  } else {
    if (OldBoundsRect.IsEmpty()) OldBoundsRect = FormBounds();
    TPoint p;
    GetMinimizedPosition(p);
    if (IsMDIChild()) {
      SetFormBounds(p.X, p.Y, GetMinWidth(), GetMinHeight());
      if (TspDynamicSkinForm* main = MainFormDSF())
        if (HWND mh = main->FForm->HandleIfAllocated()) {
          SendMessageW(mh, SP_MDICHILDRESTORED, 0, 0);
          SendMessageW(mh, SP_MDIRESTOREALLEXCEPT, reinterpret_cast<WPARAM>(FForm->HandleIfAllocated()), 0);
        }
      if (OnMinimize) OnMinimize(this);
      return;
    }
    if (LayerBorderShown() && LayerFullBorder()) {
      const TspFormLayerBorder* L = FBorderLayer;
      SetFormBounds(p.X + L->LeftSize, p.Y - L->BottomSize - L->FData->RollUpFormHeight + 10, GetMinWidth(),
                    GetMinHeight());
    } else {
      SetFormBounds(p.X, p.Y, GetMinWidth(), GetMinHeight());
    }
  }
  if (OnMinimize) OnMinimize(this);
}

void TspDynamicSkinForm::GetMinimizedPosition(TPoint& P) const {
  const int W = GetMinWidth(), H = GetMinHeight();
  TRect area;
  MonitorArea(true, area);
  P = TPoint{area.Left, area.Bottom - H};
  auto taken = [&](const TPoint& q) {
    for (TspDynamicSkinForm* other : AllComponents()) {
      if (other == this || other->FForm == FForm) continue;
      TCustomForm* f = other->FForm;
      if (Application && Application->MainForm() == f) continue;
      if (!f->HandleAllocated() || !IsWindowVisible(f->HandleIfAllocated())) continue;
      if (other->FWindowStateInit != wsMinimized && other->FWindowState != wsMinimized) continue;
      const TRect b = other->FormBounds();
      if (b.Left == q.X && b.Top == q.Y) return true;
    }
    return false;
  };
  while (taken(P)) {
    P.X += W;
    if (P.X + W > area.Right) {
      P.X = area.Left;
      P.Y -= H;
      if (P.Y < area.Top) {
        P.Y = area.Bottom - H;
        break;
      }
    }
  }
}

void TspDynamicSkinForm::DoMaximize() {
  if (!FSupportNCArea && FIsDragging) EndDragging();
  if (OldBoundsRect.IsEmpty()) OldBoundsRect = FormBounds();
  if (IsMDIChild()) {
    MouseTimer->SetEnabled(false);
    TestActive(-1, -1, false);
    TRect c{0, 0, 0, 0};
    GetMDIClientRect(c);
    const TRect before = FormBounds();
    SetFormBounds(0, 0, c.Width(), c.Height());
    const TRect after = FormBounds();
    if (after.Width() == before.Width() && after.Height() == before.Height()) ForceRealign();
    // The frame changes from skinned to none.
    if (HWND h = FForm->HandleIfAllocated())
      SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (TspDynamicSkinForm* main = MainFormDSF())
      if (HWND mh = main->FForm->HandleIfAllocated()) SendMessageW(mh, SP_MDICHILDMAXIMIZED, 0, 0);
    if (OnMaximize) OnMaximize(this);
    return;
  }
  TRect R;
  if (MaximizeOnFullScreen) {
    MonitorArea(false, R);
  } else {
    TRect mon;
    MonitorArea(true, R);
    MonitorArea(false, mon);
    const TRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // A hidden taskbar must stay reachable: leave a pixel free on every side.
    if (R.Width() == mon.Width() && R.Height() == mon.Height() && mon == screen)
      R = TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
  }
  if (LayerFullBorder()) {
    // The frame lies outside the form: the outer rectangle fills the area.
    const TspFormLayerBorder* L = FBorderLayer;
    R = TRect{R.Left + L->LeftSize, R.Top + L->TopSize, R.Right - L->RightSize, R.Bottom - L->BottomSize};
  }
  SetFormBounds(R.Left, R.Top, R.Width(), R.Height());
  if (FBorderLayer && FBorderLayer->FVisible && !LayerFullBorder()) FBorderLayer->Hide();
  if (FStatusBar && FStatusBar->SizeGrip()) FStatusBar->SetShowGrip(false);
  if (OnMaximize) OnMaximize(this);
}

void TspDynamicSkinForm::DoRestore() {
  MaxRollUpState = false;
  const TRect before = FormBounds();
  if (FSupportNCArea && HasBorder()) LayerShowWindow(FForm->HandleAllocated() && IsWindowVisible(FForm->Handle()));
  if (!OldBoundsRect.IsEmpty() || FStartShow) {
    TRect r = OldBoundsRect.IsEmpty() ? before : OldBoundsRect;
    if (FSupportNCArea && FStartShow) {
      FStartShow = false;
      const TPoint p = GetPositionInMonitor(r.Left, r.Top, r.Width(), r.Height());
      SetFormBounds(p.X, p.Y, r.Width(), r.Height());
    } else {
      SetFormBounds(r.Left, r.Top, r.Width(), r.Height());
    }
  }
  MouseTimer->SetEnabled(true);
  const TRect after = FormBounds();
  if (FSupportNCArea) {
    if (after.Width() == before.Width() && after.Height() == before.Height()) ForceRealign();
    FForm->Invalidate();
  }
  OldBoundsRect = TRect{};
  if (FStatusBar && FStatusBar->SizeGrip()) FStatusBar->SetShowGrip(true);
  if (IsMDIChild()) {
    if (HWND h = FForm->HandleIfAllocated())
      SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (TspDynamicSkinForm* main = MainFormDSF())
      if (HWND mh = main->FForm->HandleIfAllocated()) {
        SendMessageW(mh, SP_MDICHILDRESTORED, 0, 0);
        SendMessageW(mh, SP_MDIRESTOREALL, 0, 0);
      }
  }
  if (OnRestore) OnRestore(this);
}

void TspDynamicSkinForm::SetRollUpState(bool Value) {
  if (!FSupportNCArea && !SkinInUse()) return;
  if (!(FBorderIcons & biRollUp)) return;
  if (FRollUpState && FWindowState == wsMaximized && !MaxRollUpState) return;
  if (FWindowState == wsMinimized) return;
  if (Value == FRollUpState) return;
  if (FWindowStateInit == wsMaximized) MaxRollUpState = Value;
  FRollUpState = Value;
  const TRect b = FormBounds();
  if (FSupportNCArea) {
    if (Value) {
      OldHeight = b.Height();
      // The border follows size changes only: a form already at the rolled
      // height must still change once.
      if (LayerBorderShown() && LayerFullBorder() && b.Height() == GetMinHeight()) {
        SetFormBounds(b.Left, b.Top, b.Width(), b.Height() + 1);
        OldHeight = b.Height() + 1;
      }
      SetFormBounds(b.Left, b.Top, b.Width(), GetMinHeight());
    } else if (ClientHeight != 0) {
      RECT cr{0, 0, 0, 0};
      if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
      SetFormBounds(b.Left, b.Top, b.Width(), b.Height() - cr.bottom + ClientHeight);
    } else {
      SetFormBounds(b.Left, b.Top, b.Width(), OldHeight);
    }
  } else if (FSD->FRollUpPicture.Empty()) {
    FRollUpState = false;
  } else if (Value) {
    OldHeight = b.Height();
    RollUpClientSkin();
  } else {
    RollDownClientSkin();
  }
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

void TspDynamicSkinForm::RollUpClientSkin() {
  TBitmap* rp = FSD->RollUpPicture();
  if (!rp || rp->Empty()) return;
  const TRect b = FormBounds();
  const int H = rp->Height();
  const bool stretch = FSD->RollUpLeftPoint.X < FSD->RollUpRightPoint.X;
  const int W = stretch ? b.Width() : rp->Width();
  const int Offset = stretch ? b.Width() - rp->Width() : 0;
  if (stretch)
    for (auto& o : ObjectList) {
      if (!o->RollUp) continue;
      TRect r = o->SkinRect;
      if (r.Left >= FSD->RollUpRightPoint.X)
        r = OffsetTRect(r, Offset, 0);
      else if (r.Left <= FSD->RollUpLeftPoint.X && r.Right >= FSD->RollUpRightPoint.X)
        r.Right += Offset;
      o->ObjectRect = r;
    }
  TestActive(-1, -1, true);
  MouseTimer->SetEnabled(false);
  MorphTimer->SetEnabled(false);
  if (VisibleControls.empty())
    for (int i = 0; i < FForm->ControlCount(); ++i) {
      TControl* c = FForm->Controls(i);
      if (c->Visible()) {
        VisibleControls.push_back(c);
        c->Hide();
      }
    }
  if (stretch)
    SetFormBounds(b.Left, b.Top, b.Width(), H);
  else
    SetFormBounds(b.Left, b.Top, W, H);
  SetRollUpRegion();
  FForm->Invalidate();
  MouseTimer->SetEnabled(true);
}

void TspDynamicSkinForm::RollDownClientSkin() {
  TestActive(-1, -1, true);
  MouseTimer->SetEnabled(false);
  MorphTimer->SetEnabled(false);
  for (TControl* c : VisibleControls) c->Show();
  VisibleControls.clear();
  if (IsResizableSkin()) {
    const TRect b = FormBounds();
    SetFormBounds(b.Left, b.Top, b.Width(), OldHeight);
  }
  FitClientToSkin();
  MouseTimer->SetEnabled(true);
}

void TspDynamicSkinForm::SetRollUpRegion() {
  HWND h = FForm->HandleIfAllocated();
  TBitmap* mask = FSD ? FSD->RollUpMask() : nullptr;
  if (!mask || mask->Empty()) {
    if (FRgn && h) SetWindowRgn(h, nullptr, TRUE);
    FRgn = nullptr;
    return;
  }
  HRGN rgn = nullptr;
  if (FSD->RollUpLeftPoint.X < FSD->RollUpRightPoint.X) {
    TBitmap m;
    CreateHorzThreePartImage(FSD->RollUpLeftPoint.X, mask->Width() - FSD->RollUpRightPoint.X, &m, mask,
                             TRect{0, 0, mask->Width(), mask->Height()}, FormBounds().Width(), mask->Height(), true);
    CreateRegionFromMask(rgn, &m);
  } else {
    CreateRegionFromMask(rgn, mask);
  }
  if (!rgn) return;
  if (h)
    SetWindowRgn(h, rgn, TRUE);
  else
    DeleteObject(rgn);
  FRgn = h ? rgn : nullptr;
}

void TspDynamicSkinForm::DoMagnetic(int& X, int& Y, int W, int H) {
  TRect R;
  MonitorArea(true, R);
  POINT cur;
  GetCursorPos(&cur);
  const int M = MagneticSize;
  auto closeTo = [M](int a, int b) { return a > b - M && a < b + M; };
  // One edge against its edge of the area; pos is the form's coordinate.
  auto edge = [&](int& pos, int size, int target, bool trailing, bool& flag, int cursor, int& remembered) {
    const int e = trailing ? pos + size : pos;
    const bool isNear = closeTo(e, target);
    if (isNear && !flag) {
      pos = trailing ? target - size : target;
      flag = true;
      remembered = cursor;
      return;
    }
    if (flag) {
      if (std::abs(cursor - remembered) > M) {
        const int p = target + (cursor - remembered);
        pos = trailing ? p - size : p;
      } else {
        pos = trailing ? target - size : target;
      }
      flag = isNear;
    }
  };
  edge(X, W, R.Left, false, HMagnetized, cur.x, FOnMouseDownCoord.X);
  edge(Y, H, R.Top, false, VMagnetized, cur.y, FOnMouseDownCoord.Y);
  edge(X, W, R.Right, true, HMagnetized2, cur.x, FOnMouseDownCoord.X);
  edge(Y, H, R.Bottom, true, VMagnetized2, cur.y, FOnMouseDownCoord.Y);
}

TPoint TspDynamicSkinForm::GetPositionInMonitor(int AX, int AY, int AW, int AH) const {
  if (PositionInMonitor == sppDefault) return TPoint{AX, AY};
  TRect M;
  MonitorArea(PositionInMonitor == sppDesktopCenter, M);
  return TPoint{M.Left + M.Width() / 2 - AW / 2, M.Top + M.Height() / 2 - AH / 2};
}

void TspDynamicSkinForm::ApplyPositionInMonitor() {
  if (PositionInMonitor == sppDefault) return;
  const TRect b = FormBounds();
  const TPoint p = GetPositionInMonitor(b.Left, b.Top, b.Width(), b.Height());
  SetFormBounds(p.X, p.Y, b.Width(), b.Height());
}

namespace {
// With a sizing band or a full border the frame's outer rectangle is what
// callers place.
bool OuterPlacement(const TspDynamicSkinForm* f) {
  if (!f->LayerBorderShown()) return false;
  const TspDataSkinLayerFrame* d = f->FBorderLayer->FData;
  const TspRect& r = d->BorderRect;
  return d->FullBorder || !(r.Right <= r.Left || r.Bottom <= r.Top);
}
}  // namespace

void TspDynamicSkinForm::Move(int AX, int AY) {
  const TRect b = FormBounds();
  if (OuterPlacement(this)) {
    AX += FBorderLayer->LeftSize;
    AY += FBorderLayer->TopSize;
  }
  SetFormBounds(AX, AY, b.Width(), b.Height());
}

void TspDynamicSkinForm::SetBounds(int AX, int AY, int AWidth, int AHeight) {
  if (OuterPlacement(this)) {
    const TspFormLayerBorder* L = FBorderLayer;
    SetFormBounds(AX + L->LeftSize, AY + L->TopSize, AWidth - L->LeftSize - L->RightSize,
                  AHeight - L->TopSize - L->BottomSize);
    return;
  }
  SetFormBounds(AX, AY, AWidth, AHeight);
}

void TspDynamicSkinForm::RestoreOldBounds() {
  // Only bounds saved with a layered border around them need re-applying;
  // without the border the form keeps its own.
  if (FOldFullBorder != -1 && LayerBorderShown() && LayerFullBorder()) {
    const TRect o = FOldFormBounds;
    const TspFormLayerBorder* L = FBorderLayer;
    SetFormBounds(o.Left + L->LeftSize, o.Top + L->TopSize, o.Right - L->LeftSize - L->RightSize,
                  o.Bottom - L->TopSize - L->BottomSize);
  } else if (FOldFullBorder == 1) {
    TRect b = FOldFormBounds;
    SetFormBounds(b.Left, b.Top, b.Right, FRollUpState ? GetMinHeight() : b.Bottom);
  }
}

void TspDynamicSkinForm::ForceRealign() {
  const TRect b = FormBounds();
  if (!FForm->HandleAllocated()) return;
  if (b.Width() - 1 < GetMinWidth()) {
    SetFormBounds(b.Left, b.Top, b.Width() + 1, b.Height());
  } else {
    SetFormBounds(b.Left, b.Top, b.Width() - 1, b.Height());
  }
  SetFormBounds(b.Left, b.Top, b.Width(), b.Height());
}

void TspDynamicSkinForm::CaptionDblClick() {
  auto* c = dynamic_cast<TspSkinCaptionObject*>(ObjectAt(ActiveObject));
  if (!c || !NCDraggAble) return;
  if (FRollUpState)
    SetRollUpState(false);
  else if (Sizeable)
    SetWindowState(FWindowState == wsMaximized ? wsNormal : wsMaximized);
  else
    SetRollUpState(true);
}
