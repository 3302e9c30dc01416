// The form's window procedure while the component lives: which system and
// private messages the frame handles, before or after the form's own
// procedure.
#include <algorithm>

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinEdits.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"

namespace {

bool ClosesMenus(UINT msg) {
  switch (msg) {
    case WM_MOVE: case WM_SIZE: case WM_ACTIVATE: case WM_KILLFOCUS: case WM_CANCELMODE: case WM_MOUSEACTIVATE:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_PARENTNOTIFY:
      return true;
    default:
      return false;
  }
}

TPoint LParamPoint(LPARAM l) { return TPoint{short(LOWORD(l)), short(HIWORD(l))}; }

}  // namespace

void TspDynamicSkinForm::CallOld(TMessage& M) {
  if (OldWindowProc) OldWindowProc(M);
}

void TspDynamicSkinForm::CheckCloseMenus(const TMessage& Message) {
  if (!ClosesMenus(Message.Msg)) return;
  if (ShowObjectHint && HintHandler) HintHandler->HideHint();
  if (MenuHandler && (InMenu || MenuHandler->MenuOpen())) {
    MenuHandler->CloseMenus();
  } else if (FForm->FormStyle() == fsMDIForm && FForm->Visible()) {
    // No menu of the frame's: the active child's menus close instead.
    TspDynamicSkinForm* child = GetDynamicSkinForm(FForm->ActiveMDIChild());
    if (child && child->MenuHandler && (child->InMenu || child->MenuHandler->MenuOpen()))
      child->MenuHandler->CloseMenus();
  }
  CancelChildModes();
}

void TspDynamicSkinForm::CancelChildModes() {
  if (ComponentState() != 0 || FForm->FormStyle() != fsMDIForm || !FForm->Visible()) return;
  for (int i = 0; i < FForm->ComponentCount(); ++i) {
    TComponent* c = FForm->Components(i);
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w || !(dynamic_cast<TspSkinControl*>(c) || dynamic_cast<TspSkinCustomEdit*>(c))) continue;
    if (w->Visible() && w->Enabled()) w->Perform(CM_CANCELMODE, 0, 0);
  }
}

void TspDynamicSkinForm::NewWndProc(TMessage& M) {
  // A child that goes tells the frame, also while the form object is going.
  if (M.Msg == WM_DESTROY && IsMDIChild()) MDIChildDestroyed();
  // The window is going: only the form's own procedure sees the rest.
  if (M.Msg == WM_NCDESTROY || (FForm->ComponentState() & csDestroying)) {
    CallOld(M);
    return;
  }
  CheckCloseMenus(M);
  const bool skinnable = FSkinnableForm;
  HWND h = FForm->HandleIfAllocated();
  bool handled = false;
  switch (M.Msg) {
    case WM_DESTROY:
      MorphTimer->SetEnabled(false);
      MouseTimer->SetEnabled(false);
      AnimateTimer->SetEnabled(false);
      break;
    case WM_SIZE:
      WMSize(M);
      handled = true;
      break;
    case WM_ACTIVATE:
      if (!skinnable) break;
      FIsDragging = false;
      CallOld(M);
      if (IsMDIForm()) UpdateMainMenuBarItems();
      ClientInActiveChanged(LOWORD(M.WParam) != WA_INACTIVE);
      if (FSupportNCArea) {
        TestActive(-1, -1, false);
        ResetObjectStates();
        if (h) SendMessageW(h, WM_NCPAINT, 0, 0);
        UpdateActiveState(true);
      } else {
        FForm->Invalidate();
      }
      handled = true;
      break;
    case WM_SETTEXT:
      if (!skinnable) break;
      if (h && FSupportNCArea && HasBorder()) {
        // The system repaints its own caption over ours on a visible window.
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        if (style & WS_VISIBLE) SetWindowLongW(h, GWL_STYLE, style & ~WS_VISIBLE);
        CallOld(M);
        if (style & WS_VISIBLE) SetWindowLongW(h, GWL_STYLE, style);
      } else {
        CallOld(M);
      }
      if (IsMDIChild()) {
        UpDateChildCaptionInMenu(FForm);
        RefreshMDIBarTab(FForm);
        if (MaximizedMDIChild())
          if (TspDynamicSkinForm* main = MainFormDSF()) main->UpDateFormNC();
      }
      if (HasBorder() && !MaximizedMDIChild()) {
        if (SkinInUse()) {
          if (FSupportNCArea) {
            UpDateFormNC();
          } else {
            UpdateCaptionText();
          }
        } else if (h) {
          SendMessageW(h, WM_NCPAINT, 0, 0);
        }
      }
      handled = true;
      break;
    case WM_ERASEBKGND: {
      // The MDI client covers an MDI form's client area.
      if (IsMDIForm() && !FClientInActiveDraw) break;
      HDC dc = reinterpret_cast<HDC>(M.WParam);
      if (!FSupportNCArea)
        Paint(dc);
      else if (SkinInUse()) {
        if (FUseRibbon && FSD->MDIBGPictureIndex != -1)
          PaintBG3(dc);
        else if (FSD->BGPictureIndex == -1)
          PaintBG(dc);
        else
          PaintBG2(dc);
      } else {
        PaintBGDefault(dc);
      }
      M.Result = 1;
      handled = true;
      break;
    }
    case WM_SHOWWINDOW:
      WMShowWindowBefore(M);
      break;
    case WM_SETCURSOR:
      if (FSupportNCArea && skinnable && UseFormCursorInNCArea) {
        const int code = LOWORD(M.LParam);
        if (code != HTCLIENT && !(code >= HTLEFT && code <= HTBOTTOMRIGHT))
          M.LParam = MAKELPARAM(HTCLIENT, HIWORD(M.LParam));
      }
      break;
    case WM_GETMINMAXINFO:
      if (skinnable) {
        auto* info = reinterpret_cast<MINMAXINFO*>(M.LParam);
        info->ptMinTrackSize = POINT{GetMinWidth(), GetMinHeight()};
        info->ptMaxTrackSize = POINT{GetMaxWidth(), GetMaxHeight()};
        M.Result = 0;
      }
      break;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(M);
      break;
    case WM_MOUSEACTIVATE:
      // A click on the active child marks it active before the client does.
      if (skinnable && IsMDIChild() && !FFormActive && Application && Application->MainForm() &&
          Application->MainForm()->ActiveMDIChild() == FForm) {
        FFormActive = true;
        UpdateActiveState(FWindowState != wsMaximized);
      }
      break;
    case WM_DISPLAYCHANGE:
      if (FSupportNCArea && HasBorder()) {
        const TRect b = FormBounds();
        if (b.Width() > GetMaxWidth() || b.Height() > GetMaxHeight()) ForceRealign();
      }
      break;
    case WM_NCCALCSIZE:
      if (!skinnable) break;
      // A maximized child shows its client only; the frame's bar carries its buttons.
      if (MaximizedMDIChild()) {
        M.Result = 0;
        handled = true;
        break;
      }
      WMNCCalcSize(M);
      handled = true;
      break;
    case WM_NCHITTEST:
      WMNCHitTest(M);
      handled = FSupportNCArea ? skinnable : SkinInUse();
      break;
    case WM_NCPAINT:
      if (!skinnable) break;
      if (HasBorder() && FSupportNCArea && !MaximizedMDIChild()) {
        if (SkinInUse() && LayerFullBorder())
          M.Result = 1;
        else if (SkinInUse())
          PaintNCSkin(nullptr, false);
        else
          PaintNCDefault(nullptr, false);
      }
      M.Result = 0;
      handled = true;
      break;
    case WM_NCACTIVATE:
      if (!skinnable) break;
      WMNCActivate(M);
      if (IsMDIChild()) {
        UpdateMainMenuBarItems();
        UpdateMDITabsBarActive();
        UpDateChildActiveInMenu();
      }
      handled = true;
      break;
    case WM_SYNCPAINT:
      if (skinnable && FRollUpState && FSupportNCArea) {
        if (h) SendMessageW(h, WM_NCPAINT, 0, 0);
        M.Result = 0;
        handled = true;
      }
      break;
    case WM_SYSCOMMAND:
      if ((M.WParam & 0xFFF0) == SC_RESTORE) {
        if (OnRestore) OnRestore(this);
        // The main form on the taskbar comes back with its border.
        if (FSupportNCArea && UseLayeredBorder() && IsMainForm() && h &&
            (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW)) {
          CallOld(M);
          LayerShowWindow(true);
          handled = true;
        }
      } else if ((M.WParam & 0xFFF0) == SC_KEYMENU) {
        // Without the skinned menus the system's own handling runs.
        if (MenuHandler && MenuHandler->KeyMenu()) {
          M.Result = 0;
          handled = true;
        }
      }
      break;
    case WM_TIMER:
      if (M.WParam == 1) WMTimerFade(M);
      break;
    case WM_SIZING:
      if (FSizeMove && FFullDrag) {
        CallOld(M);
        WMSizing(M);
        handled = true;
      }
      break;
    case WM_MOVING:
      if (skinnable) {
        auto* r = reinterpret_cast<RECT*>(M.LParam);
        const TRect b = FormBounds();
        if (FWindowStateInit == wsMaximized) {
          *r = RECT{b.Left, b.Top, b.Right, b.Bottom};
        } else if (Magnetic) {
          int x = r->left, y = r->top;
          DoMagnetic(x, y, b.Width(), b.Height());
          *r = RECT{x, y, x + b.Width(), y + b.Height()};
        }
      }
      break;
    case WM_ENTERSIZEMOVE: {
      POINT p;
      GetCursorPos(&p);
      FOnMouseDownCoord = TPoint{p.x, p.y};
      if (FSupportNCArea && skinnable) {
        ResetObjectStates();
        MouseTimer->SetEnabled(false);
        ActiveObject = MouseCaptureObject = -1;
        FSizeMove = true;
        BOOL full = FALSE;
        SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
        FFullDrag = full != FALSE;
      }
      break;
    }
    case WM_EXITSIZEMOVE:
      if (FSupportNCArea && skinnable) {
        const TRect b = FormBounds();
        if (FSizing && (b.Width() != FFormWidth || b.Height() != FFormHeight)) {
          FFormLeft = b.Left;
          FFormTop = b.Top;
          FFormWidth = b.Width();
          FFormHeight = b.Height();
          UpdateFrameSize(true);
        }
        MouseTimer->SetEnabled(false);
        ActiveObject = OldActiveObject = MouseCaptureObject = -1;
        FSizeMove = FSizing = false;
        if (SkinInUse() && h) SendMessageW(h, WM_NCPAINT, 0, 0);
        LayerAfterSize();
      }
      break;
    default:
      if (M.Msg >= WM_BEFORECHANGESKINDATA && (M.Msg <= 1430 || M.Msg == SP_FRAMEQUERY ||
                                               M.Msg == SP_SMARTEFFECTSBEGIN || M.Msg == SP_SMARTEFFECTSEND ||
                                               M.Msg == SP_PAINTCOPY || M.Msg == SP_PAINTFRAMETODC))
        PrivateMessage(M, handled);
      break;
  }
  if (!handled) CallOld(M);
  AfterMessage(M);
}

void TspDynamicSkinForm::AfterMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_CLOSESKINMENU:
      // A quick button's menu closed: the button comes back up.
      for (size_t i = 0; i < ObjectList.size(); ++i)
        if (auto* c = dynamic_cast<TspSkinCaptionObject*>(ObjectList[i].get()); c && c->PopupMenuQuickButton != -1)
          c->QuickMenuClosed();
      return;
    case WM_CREATE: {
      // A skin given before the window existed shapes it now.
      const TRect b = FormBounds();
      FFormWidth = b.Width();
      FFormHeight = b.Height();
      if (SkinInUse())
        UpdateFrameSize(FSupportNCArea || IsResizableSkin());
      else
        SetFormRegion(true);
      return;
    }
    case WM_SHOWWINDOW:
      WMShowWindowAfter(M);
      if (M.WParam != 0 && IsMDIChild())
        if (TspDynamicSkinForm* main = MainFormDSF())
          SendMessageW(main->FForm->Handle(), SP_MDICHILDMOVED, 0, 0);
      return;
    case WM_MOVE:
    case WM_SIZE:
      if (IsMDIChild())
        if (TspDynamicSkinForm* main = MainFormDSF())
          SendMessageW(main->FForm->Handle(), SP_MDICHILDMOVED, 0, 0);
      return;
    case WM_NCMOUSEMOVE: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONUP: case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONUP: case WM_NCRBUTTONDBLCLK: {
      if (!FSupportNCArea || !FSkinnableForm) return;
      TPoint p = LParamPoint(M.LParam);
      ScreenToFrame(p);
      const bool caption = M.WParam == HTCAPTION;
      switch (M.Msg) {
        case WM_NCMOUSEMOVE: ObjectsMouseMove(p.X, p.Y); break;
        case WM_NCLBUTTONDOWN:
          if (FSizeMove) {
            FSizeMove = false;
            break;
          }
          TestActive(p.X, p.Y, true);
          ObjectsMouseDown(mbLeft, p.X, p.Y);
          if (caption) MouseCaptureObject = -1;
          break;
        case WM_NCLBUTTONUP:
          // A release handler's failure is dropped: the frame keeps working.
          try {
            ObjectsMouseUp(mbLeft, p.X, p.Y);
          } catch (...) {
          }
          break;
        case WM_NCLBUTTONDBLCLK:
          TestActive(p.X, p.Y, true);
          ObjectsMouseDown(mbLeft, p.X, p.Y);
          ObjectsDblClick();
          if (caption) {
            if (Sizeable && FWindowStateInit == wsMinimized)
              SetWindowState(wsNormal);
            else if (Sizeable && FWindowState != wsMaximized && !FRollUpState && (FBorderIcons & biMaximize))
              SetWindowState(wsMaximized);
            else if (Sizeable && FWindowState == wsMaximized && !MaxRollUpState)
              SetWindowState(wsNormal);
            else
              SetRollUpState(!FRollUpState);
            MouseCaptureObject = -1;
          }
          break;
        case WM_NCRBUTTONDOWN:
          TestActive(p.X, p.Y, true);
          ObjectsMouseDown(mbRight, p.X, p.Y);
          if (caption) {
            MouseCaptureObject = -1;
            if (!DisableSystemMenu && MenuHandler) {
              POINT cur;
              GetCursorPos(&cur);
              MenuHandler->PopupSystemMenuAt(cur.x, cur.y);
            }
          }
          break;
        case WM_NCRBUTTONUP: ObjectsMouseUp(mbRight, p.X, p.Y); break;
        case WM_NCRBUTTONDBLCLK:
          TestActive(p.X, p.Y, true);
          ObjectsMouseDown(mbRight, p.X, p.Y);
          if (caption) MouseCaptureObject = -1;
          break;
      }
      return;
    }
    case WM_MOUSEMOVE:
      if (FSupportNCArea) return;
      {
        const TPoint p = LParamPoint(M.LParam);
        ObjectsMouseMove(p.X, p.Y);
        if (FIsDragging) {
          POINT cur;
          GetCursorPos(&cur);
          if (cur.x != FOldX || cur.y != FOldY) {
            const TRect b = FormBounds();
            int x = b.Left + cur.x - FOldX, y = b.Top + cur.y - FOldY;
            if (Magnetic) DoMagnetic(x, y, b.Width(), b.Height());
            SetFormBounds(x, y, b.Width(), b.Height());
            FOldX = cur.x;
            FOldY = cur.y;
          }
        }
      }
      return;
    case WM_LBUTTONDOWN:
      if (!FSupportNCArea) {
        POINT cur;
        GetCursorPos(&cur);
        FOnMouseDownCoord = TPoint{cur.x, cur.y};
        const TPoint p = LParamPoint(M.LParam);
        ObjectsMouseDown(mbLeft, p.X, p.Y);
      }
      return;
    case WM_LBUTTONUP:
      if (FSupportNCArea) {
        ObjectsMouseUp(mbLeft, -1, -1);
      } else {
        const TPoint p = LParamPoint(M.LParam);
        ObjectsMouseUp(mbLeft, p.X, p.Y);
      }
      return;
    case WM_LBUTTONDBLCLK: {
      const TPoint p = LParamPoint(M.LParam);
      ObjectsMouseDown(mbLeft, p.X, p.Y);
      ObjectsDblClick();
      CaptionDblClick();
      return;
    }
    case WM_RBUTTONDOWN:
      if (!FSupportNCArea) {
        const TPoint p = LParamPoint(M.LParam);
        ObjectsMouseDown(mbRight, p.X, p.Y);
      }
      return;
    case WM_RBUTTONUP:
      if (FSupportNCArea) {
        ObjectsMouseUp(mbRight, -1, -1);
      } else {
        const TPoint p = LParamPoint(M.LParam);
        ObjectsMouseUp(mbRight, p.X, p.Y);
      }
      return;
    case WM_RBUTTONDBLCLK: {
      const TPoint p = LParamPoint(M.LParam);
      ObjectsMouseDown(mbRight, p.X, p.Y);
      return;
    }
    default:
      return;
  }
}

void TspDynamicSkinForm::WMSize(TMessage& M) {
  const bool live = FSizeMove && FFullDrag;
  if (!live) {
    if (!FBorderLayerChangeSize) {
      CallOld(M);
      const TRect b = FormBounds();
      FFormWidth = b.Width();
      FFormHeight = b.Height();
    }
    HMagnetized = VMagnetized = HMagnetized2 = VMagnetized2 = false;
    HWND h = FForm->HandleIfAllocated();
    if (!SkinInUse()) {
      if (FSupportNCArea) {
        if (h) SendMessageW(h, WM_NCPAINT, 0, 0);
        SetFormRegion(true);
      }
    } else if (FSupportNCArea) {
      if (FSkinnableForm && FFormWidth >= GetMinWidth() && FFormHeight >= GetMinHeight()) {
        LayerAfterSize();
        UpdateFrameSize(true);
      }
    } else if (!FRollUpState) {
      RECT cr{0, 0, 0, 0};
      if (h) GetClientRect(h, &cr);
      if (IsResizableSkin() || (cr.right == FSD->FPicture.Width && cr.bottom == FSD->FPicture.Height))
        UpdateFrameSize(IsResizableSkin());
    }
    if (FBorderLayerChangeSize) CallOld(M);
    if (FAlphaBlend && FAlphaBlendValue != 255 && FIsLayerEnabled && FSupportNCArea) {
      if (h) SendMessageW(h, WM_NCPAINT, 0, 0);
      FForm->Invalidate();
    }
  } else {
    // During a live resize the form's own procedure still lays its
    // controls out, so they follow the drag.
    CallOld(M);
  }
  if (FSupportNCArea && !FLogoBitMap.Empty()) FForm->Invalidate();
}

void TspDynamicSkinForm::MDIChildDestroyed() {
  FWindowState = FWindowStateInit = wsNormal;
  DeleteChildFromMenu(FForm);
  DeleteChildFromBar(FForm);
  TspDynamicSkinForm* main = MainFormDSF();
  HWND mh = main ? main->FForm->HandleIfAllocated() : nullptr;
  if (!mh) return;
  SendMessageW(mh, SP_MDICHILDRESTORED, 0, 0);
  UpdateMainMenuBarItems();
  UpdateMDITabsBarActive();
  SendMessageW(mh, SP_MDICHILDMOVED, reinterpret_cast<WPARAM>(FForm->HandleIfAllocated()), 0);
}

void TspDynamicSkinForm::WMShowWindowMDI(TMessage& M) {
  if (M.WParam == 0) {
    if (IsMDIChild()) {
      DeleteChildFromMenu(FForm);
      DeleteChildFromBar(FForm);
    }
    return;
  }
  if (IsMDIForm()) {
    CreateMDIScrollBars();
    InstallClientProc();
  }
  if (IsMDIChild()) {
    AddChildToMenu(FForm);
    AddChildToBar(FForm);
    TspDynamicSkinForm* main = MainFormDSF();
    HWND mh = main ? main->FForm->HandleIfAllocated() : nullptr;
    if (mh && SendMessageW(mh, SP_MDIQUERYMAXIMIZED, 0, 0) == 1 && (FBorderIcons & biMaximize))
      SetWindowState(wsMaximized);
  }
}

void TspDynamicSkinForm::WMShowWindowBefore(TMessage& M) {
  WMShowWindowMDI(M);
  if (M.WParam == 0) {
    LayerShowWindow(false);
    if (FLayerManager->IsVisible()) FLayerManager->Hide();
    if (FMenuLayerManager->IsVisible()) FMenuLayerManager->Hide();
    return;
  }
  HWND h = FForm->HandleIfAllocated();
  if (!FSkinnableForm) {
    if (FStartShow && PositionInMonitor == sppDefault) FStartShow = false;
    if (FStartShow && FWindowStateInit == wsNormal) {
      FStartShow = false;
      ApplyPositionInMonitor();
    }
    // The fade-in still runs, without the layered border.
    if (h && FIsLayerEnabled && (FAlphaBlend || AlphaBlendAnimation || (FSD && FSD->AnimationForAllWindows))) {
      const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
      if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
      SetWindowAlphaValue(h, 0);
      SetTimer(h, 1, 1, nullptr);
    }
    return;
  }
  if (IsMainForm() && Application && !Application->OnRestore)
    Application->OnRestore = [](TObject*) {
      if (TspDynamicSkinForm* main = MainFormDSF()) main->DoAppRestore();
    };
  if (FStartShow && PositionInMonitor == sppDefault) FStartShow = false;
  if (FStartShow && FWindowState == wsNormal) {
    FStartShow = false;
    ApplyPositionInMonitor();
  }
  if (FSD && FSD->AnimationForAllWindows && FAlphaBlendValue == 0) FAlphaBlendValue = 255;
  const bool layeredShow = NeedsLayeredShow();
  if (h && ((FIsLayerEnabled && (FAlphaBlend || AlphaBlendAnimation || (FSD && FSD->AnimationForAllWindows))) ||
            layeredShow)) {
    if (FIsVistaOS && !DisableDWMAnimation) {
      SetDwmTransitionsEnabled(h, false);
      DisableDWMAnimation = true;
    }
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetWindowAlphaValue(h, 0);
    // The border starts as clear as the form and comes up with it.
    // (The form is being shown: it counts as visible here.)
    if (UseLayeredBorder() && FBorderLayer) {
      FBorderLayer->CheckFormAlpha(0, false);
      if (!FBorderLayer->FVisible) {
        FBorderLayer->SetActive(GetFormActive(), false);
        FBorderLayer->ShowWithForm();
      } else {
        FBorderLayer->SetAlphaBlend();
      }
    }
    SetTimer(h, 1, 1, nullptr);
  }
  if (FSupportNCArea) {
    ForceRealign();
  } else {
    UpdateLinkedControls();
    if (FWindowStateInit != FWindowState) ChangeWindowState(FWindowStateInit);
  }
}

void TspDynamicSkinForm::WMShowWindowAfter(TMessage& M) {
  if (M.WParam == 0 || !FSkinnableForm) return;
  // A fading form brings its border up itself.
  if (FAlphaBlend || AlphaBlendAnimation || NeedsLayeredShow() || (FSD && FSD->AnimationForAllWindows)) return;
  if (!UseLayeredBorder()) return;
  if (FBorderLayer && !FBorderLayer->FVisible) {
    if (Application) Application->ProcessMessages();
    LayerShowWindow(true);
  }
}

void TspDynamicSkinForm::WMTimerFade(TMessage&) {
  HWND h = FForm->HandleIfAllocated();
  if (!h) return;
  const bool borderUp = FSkinnableForm && UseLayeredBorder() && FBorderLayer && FBorderLayer->FVisible &&
                        (IsWindowVisible(h) || FForm->Visible() || FForm->Tag == -10000);
  if (FSkinnableForm && NeedsLayeredShow()) {
    // The border was shown under a clear form: both become opaque at once.
    KillTimer(h, 1);
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (ex & WS_EX_LAYERED) SetWindowLongW(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    if (borderUp) {
      FBorderLayer->SetActive(GetFormActive(), false);
      FBorderLayer->CheckFormAlpha(255, true);
    }
    return;
  }
  const bool animate = AlphaBlendAnimation || (FSD && FSD->AnimationForAllWindows);
  if (!(FIsLayerEnabled && (FAlphaBlend || animate))) return;
  KillTimer(h, 1);
  if (borderUp) FBorderLayer->SetActive(GetFormActive(), false);
  const int target = (animate && !FAlphaBlend) ? 255 : FAlphaBlendValue;
  if (animate) {
    const int step = std::max(1, target / 15);
    if (Application) Application->ProcessMessages();
    // The pending messages may have closed the window.
    if (!IsWindow(h) || FForm->HandleIfAllocated() != h) return;
    int alpha = 0;
    while (alpha < target) {
      // The steps keep their 5 ms spacing, waiting instead of spinning.
      Sleep(5);
      alpha = std::min(target, alpha + step);
      SetWindowAlphaValue(h, uint8_t(alpha));
      if (borderUp) FBorderLayer->CheckFormAlpha(alpha, true);
      if (OnFadeStep) OnFadeStep(alpha);
    }
    if (borderUp && !LayerFullBorder()) FBorderLayer->SetBoundsWithForm();
  } else if (target != 255) {
    SetWindowAlphaValue(h, uint8_t(FAlphaBlendValue));
    if (borderUp) {
      FBorderLayer->CheckFormAlpha(FAlphaBlendValue, true);
      if (!LayerFullBorder()) FBorderLayer->SetBoundsWithForm();
    }
  }
  if (target == 255) {
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (ex & WS_EX_LAYERED) {
      SetWindowLongW(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
      RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    if (borderUp) FBorderLayer->CheckFormAlpha(255, true);
  }
}

void TspDynamicSkinForm::WMWindowPosChanged(TMessage& M) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(M.LParam);
  if (!wp) return;
  if (!(wp->flags & SWP_NOMOVE)) {
    FFormLeft = wp->x;
    FFormTop = wp->y;
  }
  LayerPosChanged(*wp);
  FOldFormLeft = FFormLeft;
  FOldFormTop = FFormTop;
}

void TspDynamicSkinForm::WMSizing(TMessage& M) {
  FSizing = true;
  FBorderLayerChangeSize = false;
  HMagnetized = VMagnetized = HMagnetized2 = VMagnetized2 = false;
  auto* r = reinterpret_cast<RECT*>(M.LParam);
  FFormWidth = std::max<int>(r->right - r->left, GetMinWidth());
  FFormHeight = std::max<int>(r->bottom - r->top, GetMinHeight());
  if (!SkinInUse()) {
    SetFormRegion(true);
  } else if (FSupportNCArea && FSkinnableForm) {
    const TRect b = FormBounds();
    if (b.Width() != FFormWidth || b.Height() != FFormHeight) UpdateFrameSize(true);
  }
  FOldFormLeft = FFormLeft;
  FOldFormTop = FFormTop;
}

void TspDynamicSkinForm::WMNCCalcSize(TMessage& M) {
  M.Result = 0;
  if (!FSupportNCArea || !HasBorder()) return;
  auto* r = reinterpret_cast<RECT*>(M.LParam);
  if (CanPaintSkinNC()) {
    CalcRects();
    // A full layered border draws the frame outside: all of it is client.
    if (LayerFullBorder()) return;
    r->left += FSD->ClRect.Left;
    r->top += FSD->ClRect.Top;
    r->right -= FSD->FPicture.Width - FSD->ClRect.Right;
    r->bottom -= FSD->FPicture.Height - FSD->ClRect.Bottom;
  } else {
    r->left += 3;
    r->top += GetDefCaptionHeight() + 3;
    r->right -= 3;
    r->bottom -= 3;
  }
  if (r->right < r->left) r->right = r->left;
  if (r->bottom < r->top) r->bottom = r->top;
}

void TspDynamicSkinForm::WMNCHitTest(TMessage& M) {
  M.Result = 0;
  TPoint p = LParamPoint(M.LParam);
  if (FSupportNCArea) {
    if (LayerBorderShown() && LayerFullBorder()) {
      M.Result = HTCLIENT;
      return;
    }
    if (!FSkinnableForm) return;
    ScreenToFrame(p);
    if (FFormWidth == 0 || FFormHeight == 0) {
      const TRect b = FormBounds();
      FFormWidth = b.Width();
      FFormHeight = b.Height();
    }
    M.Result = SkinInUse() ? HitTestSkin(p) : HitTestDefault(p);
    if (!MouseTimer->Enabled() && M.Result == HTOBJECT) {
      TestActive(p.X, p.Y, true);
      MouseTimer->SetEnabled(true);
    }
    return;
  }
  if (SkinInUse()) {
    POINT c{p.X, p.Y};
    if (HWND h = FForm->HandleIfAllocated()) ScreenToClient(h, &c);
    if (!MouseIn) {
      MouseIn = true;
      TestActive(c.x, c.y, true);
      MouseTimer->SetEnabled(true);
    }
    M.Result = HitTestClientSkin(TPoint{c.x, c.y});
  }
}

void TspDynamicSkinForm::WMNCActivate(TMessage& M) {
  FBorderLayerChangeSize = false;
  if (MenuHandler && MenuHandler->MenuOpen()) MenuHandler->CloseMenus();
  if (FLayerManager->IsVisible()) FLayerManager->Hide();
  if (FMenuLayerManager->IsVisible()) FMenuLayerManager->Hide();
  FFormActive = M.WParam != 0;
  if (!FFormActive) TestActive(-1, -1, false);
  M.Result = 1;
  HWND h = FForm->HandleIfAllocated();
  const bool vista = IsWindowsVistaOrLater();
  const bool mdiFrame = FForm->FormStyle() == fsMDIForm;
  const bool visibleChild = IsMDIChild() && h && IsWindowVisible(h);
  // The MDI frame (before Vista) and a visible MDI child keep the system's
  // activation bookkeeping between frame and children; a child's own drawing
  // of the change is held back and the skinned look repainted over it.
  if ((mdiFrame && !vista) || visibleChild) {
    if (visibleChild && vista) {
      SendMessageW(h, WM_SETREDRAW, 0, 0);
      CallOld(M);
      SendMessageW(h, WM_SETREDRAW, 1, 0);
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    } else {
      CallOld(M);
      if (visibleChild) FForm->Repaint();
    }
  }
  if (!HasBorder() || MaximizedMDIChild()) {
    UpdateActiveState(false);
  } else {
    if (h) SendMessageW(h, WM_NCPAINT, 0, 0);
    UpdateActiveState(true);
  }
  // A maximized child's caption lives in the main form's frame.
  if (MaximizedMDIChild() && Application && Application->MainForm())
    if (HWND main = Application->MainForm()->HandleIfAllocated()) SendMessageW(main, WM_NCPAINT, 0, 0);
  LayerActivate();
}

void TspDynamicSkinForm::SaveBoundsForChange() {
  const TRect b = FormBounds();
  if (LayerBorderShown() && LayerFullBorder()) {
    const TRect o = LayerOuterBounds();
    FOldFormBounds = TRect{o.Left, o.Top, o.Width(), o.Height()};
    FOldFullBorder = 1;
    return;
  }
  FOldFormBounds = TRect{b.Left, b.Top, b.Width(), b.Height()};
  FOldFullBorder = 0;
}

bool TspDynamicSkinForm::PrivateMessage(TMessage& M, bool& Handled) {
  TspSkinData* sd = reinterpret_cast<TspSkinData*>(M.WParam);
  HWND h = FForm->HandleIfAllocated();
  switch (M.Msg) {
    case WM_BEFORECHANGESKINDATA:
      if (sd == FSD && FSD) {
        SaveBoundsForChange();
        FStopPainting = true;
        FSkinSupport = false;
        MorphTimer->SetEnabled(false);
        MouseTimer->SetEnabled(false);
        AnimateTimer->SetEnabled(false);
        ClearObjects();
      }
      BeforeChangeControls(sd, FForm);
      return true;
    case WM_CHANGESKINDATA:
      FStopPainting = false;
      if (sd == FSD && FSD) ChangeSkinData();
      ChangeControlsSkinData(sd, FForm);
      return true;
    case WM_CLOSESKINMENU:
      if (MenuHandler) MenuHandler->SkinMenuClose();
      return true;
    case WM_AFTERCHANGESKINDATA:
      if (sd == FSD && FSD && IsMDIForm()) UpdateMDIChildren();
      return true;
    case WM_CHANGERESSTRDATA:
      UpdateButtonHints();
      return true;
    case WM_SKINNABLEFORMCHANGED:
      if (!FUseRibbon && sd && sd == FSD) SetSkinnableForm(sd->SkinnableForm());
      return true;
    case WM_RESTOREFROMTRAY:
      if (FForm->Tag == -10000) {
        if (UseLayeredBorder()) {
          if (HWND mh = Application && Application->MainForm() ? Application->MainForm()->HandleIfAllocated() : nullptr)
            SetForegroundWindow(mh);
          BringStayOnTopFormsToFront();
        }
        FForm->Tag = 0;
      }
      return true;
    case WM_LAYEREDBORDERSCHANGED:
      LayeredBordersChanged();
      return true;
    case WM_AEROBLURCHANGED:
      if (LayerBorderShown()) {
        LayerShowWindow(false);
        LayerShowWindow(true);
      }
      return true;
    case SP_FRAMEQUERY:
      M.Result = (FSkinnableForm || !FIsVistaOS) ? 12853 : 12852;
      Handled = true;
      return true;
    case SP_SMARTEFFECTSBEGIN:
      FSmartEffectsShow = true;
      return true;
    case SP_SMARTEFFECTSEND:
      if (FSmartEffectsShow) {
        FSmartEffectsShow = false;
        const bool shown = (h && IsWindowVisible(h)) || FForm->Visible() || FForm->Tag == -10000;
        if (shown && UseLayeredBorder() && FBorderLayer) {
          if (Application) Application->ProcessMessages();
          FBorderLayer->SetActive(GetFormActive(), false);
          if (!FBorderLayer->FVisible) FBorderLayer->ShowWithFormAnimation();
        }
      }
      return true;
    case SP_PAINTCOPY:
    case SP_PAINTFRAMETODC: {
      const bool frameKey = M.Msg == SP_PAINTCOPY || M.LParam == SP_PAINTFRAMEKEY;
      if (!FSkinnableForm || !frameKey) return true;
      HDC dc = reinterpret_cast<HDC>(M.WParam);
      if (dc && FSupportNCArea && HasBorder()) {
        if (SkinInUse())
          PaintNCSkin(dc, true);
        else if (!FStopPainting)
          PaintNCDefault(dc, true);
      }
      M.Result = M.Msg == SP_PAINTCOPY ? SP_PAINTCOPY_RESULT : SP_PAINTFRAMEKEY;
      Handled = true;
      return true;
    }
    default:
      (void)h;
      return MDIMessage(M, Handled);
  }
}
