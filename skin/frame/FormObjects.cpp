// Skin change, the frame objects and the mouse tracking over them.
#include <algorithm>

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinSplitter.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"

namespace {

using WindowedSkin = TspSkinControlT<TCustomControl>;
using GraphicSkin = TspSkinControlT<TGraphicControl>;

void WalkControls(TControl* c, const std::function<void(TControl*)>& visit) {
  visit(c);
  if (auto* w = dynamic_cast<TWinControl*>(c))
    for (int i = 0; i < w->ControlCount(); ++i) WalkControls(w->Controls(i), visit);
}

}  // namespace

TspActiveSkinObject* TspDynamicSkinForm::ObjectAt(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(ObjectList.size())) return nullptr;
  return ObjectList[size_t(Index)].get();
}

void TspDynamicSkinForm::BeforeChangeControls(TspSkinData* ASkinData, TControl* AControl) {
  WalkControls(AControl, [&](TControl* c) {
    if (auto* s = dynamic_cast<WindowedSkin*>(c)) {
      if (!ASkinData || s->SkinData() == ASkinData) s->BeforeChangeSkinData();
    } else if (auto* g = dynamic_cast<GraphicSkin*>(c)) {
      if (!ASkinData || g->SkinData() == ASkinData) g->BeforeChangeSkinData();
    } else if (auto* x = dynamic_cast<TspSkinChangeable*>(c)) {
      if (!ASkinData || x->ChangeableSkinData() == ASkinData) x->BeforeChangeSkinData();
    }
  });
}

void TspDynamicSkinForm::ChangeControlsSkinData(TspSkinData* ASkinData, TControl* AControl) {
  auto match = [&](TspSkinData* sd) { return !ASkinData || sd == ASkinData; };
  WalkControls(AControl, [&](TControl* c) {
    if (auto* g = dynamic_cast<GraphicSkin*>(c)) {
      if (match(g->SkinData())) g->ChangeSkinData();
    } else if (auto* s = dynamic_cast<WindowedSkin*>(c)) {
      if (match(s->SkinData())) s->ChangeSkinData();
    } else if (auto* l = dynamic_cast<TspSkinFontLabel*>(c)) {
      if (match(l->SkinData())) l->ChangeSkinData();
    } else if (auto* b = dynamic_cast<TspSkinBevel*>(c)) {
      if (match(b->SkinData())) b->ChangeSkinData();
    } else if (auto* x = dynamic_cast<TspSkinChangeable*>(c)) {
      if (match(x->ChangeableSkinData())) x->ChangeSkinData();
    }
  });
}

void TspDynamicSkinForm::ClearObjects() {
  // The indexes point into the list: they go with it, so that no mouse
  // message arriving before the next rebuild can reach a freed object.
  ActiveObject = OldActiveObject = MouseCaptureObject = -1;
  if (FBorderLayer)
    FBorderLayer->ActiveObject = FBorderLayer->OldActiveObject = FBorderLayer->MouseCaptureObject = -1;
  if (HWND h = FForm ? FForm->HandleIfAllocated() : nullptr)
    if (GetCapture() == h) ReleaseCapture();
  ObjectList.clear();
  AreaList.clear();
}

void TspDynamicSkinForm::CreateSkinObjects() {
  ClearObjects();
  if (!FSD) return;
  for (auto& rec : FSD->ObjectList) {
    const TspDataSkinObject* d = rec.get();
    std::unique_ptr<TspActiveSkinObject> o;
    if (dynamic_cast<const TspDataSkinMainMenuItem*>(d) || dynamic_cast<const TspDataSkinMenuItem*>(d) ||
        dynamic_cast<const TspDataSkinMainMenuBarButton*>(d))
      continue;
    if (dynamic_cast<const TspDataSkinStdButton*>(d))
      o = std::make_unique<TspSkinStdButtonObject>(this, d);
    else if (dynamic_cast<const TspDataSkinButton*>(d))
      o = std::make_unique<TspSkinButtonObject>(this, d);
    else if (dynamic_cast<const TspDataSkinCaption*>(d))
      o = std::make_unique<TspSkinCaptionObject>(this, d);
    else if (dynamic_cast<const TspDataUserObject*>(d))
      o = std::make_unique<TspUserObject>(this, d);
    else
      o = CreateValueObject(this, d);
    if (o) ObjectList.push_back(std::move(o));
  }
  if (MenuHandler) MenuHandler->CreateMainMenuItems();
}

void TspDynamicSkinForm::CreateDefaultObjects() {
  ClearObjects();
  const std::pair<TStdCommand, const char*> buttons[] = {
      {cmClose, "closebutton"}, {cmMaximize, "maxbutton"},    {cmMinimize, "minbutton"},
      {cmRollUp, "rollupbutton"}, {cmSysMenu, "sysmenubutton"}, {cmMinimizeToTray, "traybutton"}};
  for (auto& b : buttons) {
    auto o = std::make_unique<TspSkinStdButtonObject>(this, nullptr);
    o->Command = b.first;
    o->IDName = b.second;
    o->SkinRectInAPicture = true;
    o->SkinRect = o->ActiveSkinRect = o->DownRect = TRect{0, 0, 1, 1};
    o->ObjectRect = o->SkinRect;
    ObjectList.push_back(std::move(o));
  }
  UpdateCaptionButtons();
}

void TspDynamicSkinForm::UpdateCaptionButtons() {
  auto enabledFor = [this](TStdCommand c) {
    switch (c) {
      case cmMaximize: return (FBorderIcons & biMaximize) != 0;
      case cmMinimize: return (FBorderIcons & biMinimize) != 0;
      case cmSysMenu: return (FBorderIcons & biSystemMenu) != 0 && !DisableSystemMenu;
      case cmRollUp: return (FBorderIcons & biRollUp) != 0;
      case cmMinimizeToTray: return (FBorderIcons & biMinimizeToTray) != 0;
      default: return true;
    }
  };
  for (auto& o : ObjectList) {
    auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
    if (!b) continue;
    if (HideCaptionButtons) {
      b->Enabled = false;
      b->Visible = !b->SkinRectInAPicture;
      continue;
    }
    if (b->Command == cmClose || b->Command == cmDefault) continue;
    b->Enabled = enabledFor(b->Command);
    b->Visible = b->SkinRectInAPicture ? b->Enabled : true;
  }
  if (!HideCaptionButtons) {
    TspSkinStdButtonObject* dialogClose = nullptr;
    for (auto& o : ObjectList) {
      auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
      if (b && b->Command == cmClose && b->IDName == "dialogclosebutton" && !dialogClose) dialogClose = b;
    }
    const bool dialog = (FBorderIcons == 0 || FBorderIcons == biSystemMenu) && dialogClose;
    for (auto& o : ObjectList) {
      auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
      if (!b || b->Command != cmClose) continue;
      if (dialog) {
        const bool on = b == dialogClose;
        b->Enabled = b->Visible = on;
      } else if (b->IDName == "dialogclosebutton") {
        b->Enabled = b->Visible = false;
      }
    }
    for (auto& o : ObjectList) {
      auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
      if (!b || b->Command != cmDefault) continue;
      bool visible = false;
      if (OnActivateCustomObject) OnActivateCustomObject(b->IDName, visible);
      b->Visible = visible;
    }
  }
  bool anyDefault = false;
  for (auto& o : ObjectList) {
    auto* c = dynamic_cast<TspSkinCaptionObject*>(o.get());
    if (c && c->DefaultCaption) {
      c->FTextValue = FForm->Caption();
      anyDefault = true;
    }
  }
  if (!anyDefault)
    if (auto* c = FirstCaption()) {
      c->DefaultCaption = true;
      c->FTextValue = FForm->Caption();
    }
  UpdateButtonHints();
}

void TspDynamicSkinForm::UpdateButtonHints() {
  if (!UseDefaultObjectHint || !FSD) return;
  struct Row {
    TStdCommand c;
    const char* res;
    const char* text;
  };
  static const Row rows[] = {{cmClose, "CLOSEBUTTON_HINT", "Close"},
                             {cmMaximize, "MAXBUTTON_HINT", "Maximize"},
                             {cmMinimize, "MINBUTTON_HINT", "Minimize"},
                             {cmSysMenu, "MENUBUTTON_HINT", "System menu"},
                             {cmRollUp, "ROLLUPBUTTON_HINT", "Roll Up"},
                             {cmMinimizeToTray, "TRAYBUTTON_HINT", "Minimize to Tray"}};
  TspResourceStrData* rs = FSD->ResourceStrData();
  auto text = [&](const char* res, const char* builtIn) { return rs ? rs->GetResStr(res) : std::string(builtIn); };
  for (auto& o : ObjectList) {
    auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
    if (!b) continue;
    for (const Row& r : rows)
      if (r.c == b->Command) b->Hint = text(r.res, r.text);
    b->FTempHint = b->Hint;
    b->RestoreHint = text("RESTORE_HINT", "Restore");
  }
}

void TspDynamicSkinForm::UpdateCaptionText() {
  if (!SkinInUse()) return;
  for (auto& o : ObjectList) {
    auto* c = dynamic_cast<TspSkinCaptionObject*>(o.get());
    if (c && c->DefaultCaption) c->SetTextValue(FForm->Caption());
  }
}

bool TspDynamicSkinForm::IsObjectShown(bool ARollUp) const {
  if (FSupportNCArea) return !ARollUp;
  return ARollUp == FRollUpState;
}

void TspDynamicSkinForm::ResetObjectStates() {
  for (auto& o : ObjectList) {
    if (dynamic_cast<TspSkinCaptionObject*>(o.get())) continue;
    o->Active = false;
    o->FMouseIn = false;
    o->FMorphKf = 0;
  }
}

void TspDynamicSkinForm::UpdateActiveState(bool Redraw) {
  const bool A = GetFormActive();
  for (auto& o : ObjectList) {
    auto* c = dynamic_cast<TspSkinCaptionObject*>(o.get());
    if (!c) continue;
    if (Redraw && IsObjectShown(c->RollUp)) {
      c->Active = A;
      if (c->EnableAnimation() && A != OldActive) {
        c->FIncTime = 25;
        c->CurrentFrame = A ? 1 : (c->InActiveAnimation ? c->FrameCount : 0);
        if (c->CurrentFrame != 0) AnimateTimer->SetEnabled(true);
      }
      if (!FSupportNCArea || !c->ActiveSkinRect.IsEmpty()) c->ReDraw();
    } else if (c->Morphing) {
      c->FMorphKf = A ? 1 : 0;
    }
  }
  if (A) {
    if (OnActivate) OnActivate(this);
  } else if (OnDeActivate) {
    OnDeActivate(this);
  }
  OldActive = A;
}

void TspDynamicSkinForm::TestActive(int X, int Y, bool CanBeActive) {
  if (ObjectList.empty()) return;
  if (!(GetFormActive() || !FSupportNCArea)) return;
  if (FSizeMove || FBorderLayerChangeSize || PreviewMode) return;
  if (FSupportNCArea && !HasBorder()) return;
  if (LayerBorderShown() && LayerFullBorder()) return;
  OldActiveObject = ActiveObject;
  int hit = -1;
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    if (IsObjectShown(o->RollUp) && o->Enabled && o->Visible && PtInTRect(o->ObjectRect, X, Y) &&
        o->PointInMask(X - o->ObjectRect.Left, Y - o->ObjectRect.Top)) {
      hit = int(i);
      break;
    }
  }
  ActiveObject = CanBeActive ? hit : -1;
  if (MouseCaptureObject != -1 && MouseCaptureObject != ActiveObject) ActiveObject = -1;
  if (!ObjectAt(ActiveObject)) ActiveObject = -1;
  if (!ObjectAt(OldActiveObject)) OldActiveObject = -1;
  if (ActiveObject == OldActiveObject) return;
  if (TspActiveSkinObject* old = ObjectAt(OldActiveObject)) {
    if (old->Enabled && old->Visible) {
      old->MouseLeave();
      if (ShowObjectHint && HintHandler && !old->Hint.empty()) HintHandler->HideHint();
    }
  }
  if (TspActiveSkinObject* now = ObjectAt(ActiveObject)) {
    if (now->Enabled && now->Visible) {
      now->MouseEnter();
      if (GetFormActive() && ShowObjectHint && HintHandler && !now->Hint.empty()) HintHandler->ActivateHint2(now->Hint);
    }
  }
}

void TspDynamicSkinForm::ObjectsMouseDown(TMouseButton Button, int X, int Y) {
  if (FSupportNCArea) {
    TestActive(X, Y, true);
    TspActiveSkinObject* o = ObjectAt(ActiveObject);
    if (!o) return;
    MouseCaptureObject = ActiveObject;
    if (!dynamic_cast<TspSkinCaptionObject*>(o)) SetCapture(FForm->Handle());
    o->MouseDown(X, Y, Button);
    return;
  }
  FIsDragging = false;
  TestActive(X, Y, true);
  if (TspActiveSkinObject* o = ObjectAt(ActiveObject)) {
    MouseCaptureObject = ActiveObject;
    o->MouseDown(X, Y, Button);
  } else if (Button == mbLeft && FWindowState != wsMaximized && DraggAble) {
    BeginDragging(X, Y);
  }
}

void TspDynamicSkinForm::ObjectsMouseUp(TMouseButton Button, int X, int Y) {
  if (FSupportNCArea) {
    TspActiveSkinObject* o = ObjectAt(MouseCaptureObject);
    if (!o) {
      MouseCaptureObject = -1;
      return;
    }
    if (!dynamic_cast<TspSkinCaptionObject*>(o) && GetCapture() == FForm->HandleIfAllocated()) ReleaseCapture();
    o->MouseUp(X, Y, Button);
  } else {
    EndDragging();
    if (TspActiveSkinObject* o = ObjectAt(MouseCaptureObject)) o->MouseUp(X, Y, Button);
  }
  MouseCaptureObject = -1;
}

void TspDynamicSkinForm::ObjectsMouseMove(int X, int Y) {
  if (!FSupportNCArea && FIsDragging) return;
  if (TspActiveSkinObject* o = ObjectAt(MouseCaptureObject))
    o->MouseMove(X, Y);
  else if (TspActiveSkinObject* a = ObjectAt(ActiveObject))
    a->MouseMove(X, Y);
}

void TspDynamicSkinForm::ObjectsDblClick() {
  if (TspActiveSkinObject* o = ObjectAt(ActiveObject)) o->DblClick();
}

void TspDynamicSkinForm::BeginDragging(int X, int Y) {
  FIsDragging = true;
  POINT p{X, Y};
  if (FForm->HandleAllocated()) ClientToScreen(FForm->Handle(), &p);
  FOldX = p.x;
  FOldY = p.y;
}

void TspDynamicSkinForm::UpdateSkinCursor() {
  if (!FSD) return;
  TCursor c = 0;
  if (TspActiveSkinObject* o = ObjectAt(ActiveObject); o && o->CursorIndex != -1)
    c = FSD->StartCursorIndex + o->CursorIndex;
  else if (FSD->CursorIndex != -1)
    c = FSD->StartCursorIndex + FSD->CursorIndex;
  if (FForm->Cursor() != c) FForm->SetCursor(c);
}

void TspDynamicSkinForm::MouseTimerProc() {
  if (!FSupportNCArea && !SkinInUse()) return;
  HWND h = FForm->HandleIfAllocated();
  if (!h) {
    MouseTimer->SetEnabled(false);
    return;
  }
  POINT cur;
  GetCursorPos(&cur);
  if (FSupportNCArea) {
    if (WindowFromPoint(cur) != h) {
      MouseTimer->SetEnabled(false);
      TestActive(-1, -1, false);
    } else if (FSizeMove || FBorderLayerChangeSize) {
      MouseTimer->SetEnabled(false);
    } else {
      TPoint p{cur.x, cur.y};
      ScreenToFrame(p);
      if (!PtInTRect(NewClRect, p.X, p.Y))
        TestActive(p.X, p.Y, true);
      else if (ActiveObject != -1)
        TestActive(-1, -1, true);
    }
    return;
  }
  if (!FIsDragging) {
    if (WindowFromPoint(cur) == h) {
      POINT c = cur;
      ScreenToClient(h, &c);
      TestActive(c.x, c.y, true);
    } else {
      TestActive(-1, -1, false);
      MouseIn = false;
      MouseTimer->SetEnabled(false);
    }
  }
  if (UseSkinCursors) UpdateSkinCursor();
}

void TspDynamicSkinForm::MorphTimerProc() {
  bool any = false;
  // An object's repaint may run messages; walk by index and re-check.
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    if (o->EnableMorphing() && o->CanMorphing()) {
      o->DoMorphing();
      any = true;
    }
  }
  if (!any) MorphTimer->SetEnabled(false);
}

void TspDynamicSkinForm::AnimateTimerProc() {
  bool any = false;
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    auto* c = dynamic_cast<TspSkinCaptionObject*>(ObjectList[i].get());
    if (!c || !c->EnableAnimation()) continue;
    if (c->FIncTime < c->AnimateInterval) {
      c->FIncTime += 25;
      any = true;
    } else if (c->Active && c->CurrentFrame <= c->FrameCount) {
      ++c->CurrentFrame;
      DrawSkinObject(c);
      c->FIncTime = 25;
      any = true;
    } else if (!c->Active && c->CurrentFrame > 0) {
      --c->CurrentFrame;
      DrawSkinObject(c);
      c->FIncTime = 25;
      any = true;
    }
  }
  if (AnimateObjectsTick()) any = true;
  if (!any) AnimateTimer->SetEnabled(false);
}

void TspDynamicSkinForm::FitClientToSkin() {
  if (!SkinInUse()) return;
  const int pw = FSD->FPicture.Width, ph = FSD->FPicture.Height;
  HWND h = FForm->HandleIfAllocated();
  RECT cr{0, 0, 0, 0};
  if (h) GetClientRect(h, &cr);
  const TRect b = FormBounds();
  const int fw = b.Width() - cr.right, fh = b.Height() - cr.bottom;
  if (IsResizableSkin()) {
    if (MinWidth > 0 && MinHeight > 0) return;
    const int w = std::max<int>(cr.right, pw), hh = std::max<int>(cr.bottom, ph);
    if (w != cr.right || hh != cr.bottom) SetFormBounds(b.Left, b.Top, w + fw, hh + fh);
  } else {
    SetFormBounds(b.Left, b.Top, pw + fw, ph + fh);
    Sizeable = false;
  }
}

void TspDynamicSkinForm::ChangeSkinData() {
  if (FUseRibbon) FSkinnableForm = false;
  OldActiveObject = ActiveObject = MouseCaptureObject = -1;
  OldActive = false;
  FSkinSupport = SkinInUse();
  if (FLayerManager->IsVisible()) FLayerManager->Hide();
  if (FMenuLayerManager->IsVisible()) FMenuLayerManager->Hide();
  if (FBorderLayer && FBorderLayer->FVisible) FBorderLayer->Hide();
  TRect b = FormBounds();
  if (FSupportNCArea) {
    if (FSkinSupport && FSkinnableForm) {
      CreateSkinObjects();
      UpdateCaptionButtons();
      LinkControlsToAreas();
      LayerInitFrame();
    } else {
      ClearObjects();
      FFormWidth = b.Width();
      FFormHeight = b.Height();
      SetFormRegion(true);
    }
    if (FSkinnableForm)
      FForm->SetBorderIcons(0);
    else
      UpdateFormBorderIcons();
    FInChangeSkinData = true;
    const int mw = GetMinWidth(), mh = GetMinHeight();
    if (HWND h = FForm->HandleIfAllocated())
      SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    b = FormBounds();
    if (b.Width() < mw && b.Height() < mh)
      SetFormBounds(b.Left, b.Top, mw, mh);
    else if (b.Height() < mh)
      SetFormBounds(b.Left, b.Top, b.Width(), mh);
    else if (b.Width() < mw)
      SetFormBounds(b.Left, b.Top, mw, b.Height());
    else
      ForceRealign();
    b = FormBounds();
    if (FRollUpState || FWindowState == wsMinimized)
      if (b.Height() != GetMinHeight()) SetFormBounds(b.Left, b.Top, b.Width(), GetMinHeight());
    b = FormBounds();
    if (FWindowState == wsMinimized && b.Width() != GetMinWidth())
      SetFormBounds(b.Left, b.Top, GetMinWidth(), b.Height());
    b = FormBounds();
    FFormWidth = b.Width();
    FFormHeight = b.Height();
    if (FSkinSupport) UpdateFrameSize(true);
    FForm->Invalidate();
    UpdateActiveState(true);
    MouseTimer->SetEnabled(true);
    if (OnChangeSkinData) OnChangeSkinData(this);
    FInChangeSkinData = false;
  } else if (FSkinSupport) {
    const bool R = IsResizableSkin();
    if (FRollUpState && FSD->FRollUpPicture.Empty()) {
      FRollUpState = false;
      RollDownClientSkin();
    }
    if (!FRollUpState) FitClientToSkin();
    CreateSkinObjects();
    UpdateCaptionButtons();
    LinkControlsToAreas();
    LayerInitFrame();
    if (FRollUpState) RollUpClientSkin();
    FInChangeSkinData = true;
    if (OnChangeSkinData) OnChangeSkinData(this);
    b = FormBounds();
    RECT cr{0, 0, 0, 0};
    if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
    if (!FRollUpState && (R || (cr.right == FSD->FPicture.Width && cr.bottom == FSD->FPicture.Height))) {
      FFormWidth = b.Width();
      FFormHeight = b.Height();
      UpdateFrameSize(R);
    }
    CalcObjectRects();
    UpdateActiveState(true);
    FInChangeSkinData = false;
    MouseTimer->SetEnabled(true);
  } else {
    ClearObjects();
    SetFormRegion(true);
    FForm->Invalidate();
  }
  if (UseLayeredBorder() && FForm->HandleAllocated() && IsWindowVisible(FForm->Handle())) {
    FBorderLayer->SetActive(GetFormActive(), false);
    FBorderLayer->ShowWithForm();
  }
  RestoreOldBounds();
  if (FSupportNCArea && !FRollUpState) {
    if (ClientWidth > 0) {
      RECT cr;
      if (HWND h = FForm->HandleIfAllocated(); h && GetClientRect(h, &cr)) {
        b = FormBounds();
        SetFormBounds(b.Left, b.Top, b.Width() - cr.right + ClientWidth, b.Height());
      }
    }
    if (ClientHeight > 0) {
      RECT cr;
      if (HWND h = FForm->HandleIfAllocated(); h && GetClientRect(h, &cr)) {
        b = FormBounds();
        SetFormBounds(b.Left, b.Top, b.Width(), b.Height() - cr.bottom + ClientHeight);
      }
    }
  }
}
