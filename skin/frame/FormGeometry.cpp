// Frame geometry: the skin's points and rectangles moved to the form's size,
// the caption-button layout, the window shape and the hit tests.
#include <algorithm>

#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"

namespace {

TRect MakeRect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
TRect MoveRect(const TRect& r, int dx, int dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }
bool PtIn(const TRect& r, const TPoint& p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }
bool Inside(const TRect& a, const TRect& b) { return RectInsideRect(a, b); }

// The four corner points of the skin picture moved to a form (dx, dy) larger:
// the right ones by the width change, the bottom ones by the height change.
void MoveFrameCorners(const TspPoint& lt, const TspPoint& rt, const TspPoint& lb, const TspPoint& rb, int dx,
                      int dy, TPoint& newLT, TPoint& newRT, TPoint& newLB, TPoint& newRB) {
  newLT = TPoint{lt.X, lt.Y};
  newRT = TPoint{rt.X + dx, rt.Y};
  newLB = TPoint{lb.X, lb.Y + dy};
  newRB = TPoint{rb.X + dx, rb.Y + dy};
}

// A rectangle of the skin picture whose right and bottom edges follow the
// form's size.
TRect GrownRect(const TspRect& r, int dx, int dy) { return TRect{r.Left, r.Top, r.Right + dx, r.Bottom + dy}; }

}  // namespace

bool TspDynamicSkinForm::IsResizableSkin() const {
  if (!FSD) return false;
  return FSD->RBPoint.X != FSD->LTPoint.X && FSD->RBPoint.Y != FSD->LTPoint.Y;
}

bool TspDynamicSkinForm::CanPaintSkinNC() const {
  return FSupportNCArea && FSD && !FSD->Empty && !spRectEmpty(FSD->ClRect);
}

int TspDynamicSkinForm::GetDefCaptionHeight() const {
  const TFormBorderStyle bs = FForm->BorderStyle();
  return (bs == bsToolWindow || bs == bsSizeToolWin) ? 15 : 19;
}

int TspDynamicSkinForm::GetDefButtonSize() const {
  const TFormBorderStyle bs = FForm->BorderStyle();
  return (bs == bsToolWindow || bs == bsSizeToolWin) ? 13 : 17;
}

void TspDynamicSkinForm::CalcRects() {
  if (FFormWidth == 0) FFormWidth = FormBounds().Width();
  if (FFormHeight == 0) FFormHeight = FormBounds().Height();
  if (!FSD || FSD->Empty) return;
  const int dx = FFormWidth - FSD->FPicture.Width, dy = FFormHeight - FSD->FPicture.Height;
  MoveFrameCorners(FSD->LTPoint, FSD->RTPoint, FSD->LBPoint, FSD->RBPoint, dx, dy, NewLTPoint, NewRTPoint,
                   NewLBPoint, NewRBPoint);
  NewClRect = GrownRect(FSD->ClRect, dx, dy);
  NewCaptionRect = ToTRect(FSD->CaptionRect);
  if (!NewCaptionRect.IsEmpty()) NewCaptionRect.Right += dx;
  NewButtonsRect = ToTRect(FSD->ButtonsRect);
  NewButtonsInLeft = FSD->CapButtonsInLeft;
  if (!NewButtonsRect.IsEmpty() && NewButtonsRect.Left > FSD->FPicture.Width / 2)
    NewButtonsRect = MoveRect(NewButtonsRect, dx, 0);
  NewButtonsOffset = FSD->ButtonsOffset;
  MoveFrameCorners(FSD->HitTestLTPoint, FSD->HitTestRTPoint, FSD->HitTestLBPoint, FSD->HitTestRBPoint, dx, dy,
                   NewHitTestLTPoint, NewHitTestRTPoint, NewHitTestLBPoint, NewHitTestRBPoint);
  NewMaskRectArea = GrownRect(FSD->MaskRectArea, dx, dy);
  NewIconRect = GetNewObjectRect(ToTRect(FSD->IconRect));
  NewMainMenuRect = ToTRect(FSD->MainMenuRect);
  if (IsResizableSkin()) {
    NewMainMenuRect.Right += dx;
    if (PtIn(MakeRect(0, FSD->LBPoint.Y, FSD->LBPoint.X, FSD->FPicture.Height),
             TPoint{NewMainMenuRect.Left, NewMainMenuRect.Top}))
      NewMainMenuRect = MoveRect(NewMainMenuRect, 0, dy);
  }
}

TRect TspDynamicSkinForm::GetNewObjectRect(const TRect& R) const {
  if (!FSD) return R;
  const int W0 = FSD->FPicture.Width, H0 = FSD->FPicture.Height;
  const TRect LT = MakeRect(0, 0, FSD->LTPoint.X, FSD->LTPoint.Y);
  const TRect RT = MakeRect(FSD->RTPoint.X, 0, W0, FSD->RTPoint.Y);
  const TRect LB = MakeRect(0, FSD->LBPoint.Y, FSD->LBPoint.X, H0);
  const TRect RB = MakeRect(FSD->RBPoint.X, FSD->RBPoint.Y, W0, H0);
  const int dx = NewRBPoint.X - FSD->RBPoint.X, dy = NewRBPoint.Y - FSD->RBPoint.Y;
  if (LT.IsEmpty() && RT.IsEmpty() && LB.IsEmpty() && RB.IsEmpty()) return R;
  if (Inside(R, LT)) return R;
  if (Inside(R, RT)) return MoveRect(R, dx, 0);
  if (Inside(R, LB)) return MoveRect(R, 0, dy);
  if (Inside(R, RB)) return MoveRect(R, dx, dy);
  const TPoint TL{R.Left, R.Top}, BR{R.Right, R.Bottom};
  TRect r = R;
  if (PtIn(LT, TL) && PtIn(RB, BR)) {
    r.Right += dx;
    r.Bottom += dy;
  } else if (PtIn(LT, TL) && PtIn(RT, BR)) {
    r.Right += dx;
  } else if (PtIn(LB, TL) && PtIn(RB, BR)) {
    r.Right += dx;
    r = MoveRect(r, 0, dy);
  } else if (PtIn(LT, TL) && PtIn(LB, BR)) {
    r.Bottom += dy;
  } else if (PtIn(RT, TL) && PtIn(RB, BR)) {
    r = MoveRect(r, dx, 0);
    r.Bottom += dy;
  }
  return r;
}

TspSkinCaptionObject* TspDynamicSkinForm::FirstCaption() const {
  for (auto& o : ObjectList)
    if (auto* c = dynamic_cast<TspSkinCaptionObject*>(o.get())) return c;
  return nullptr;
}

namespace {

// The first caption button with the command that takes part in the layout.
TspActiveSkinObject* FindCaptionButton(const std::vector<std::unique_ptr<TspActiveSkinObject>>& list,
                                       TStdCommand command, bool stdOnly) {
  for (auto& o : list) {
    if (auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get())) {
      if (b->Command == command && b->Visible && b->SkinRectInAPicture) return b;
    }
    (void)stdOnly;
  }
  return nullptr;
}

}  // namespace

void TspDynamicSkinForm::CalcObjectRects() {
  for (auto& o : ObjectList) o->ObjectRect = GetNewObjectRect(o->SkinRect);
  if (FSD && !FSD->Empty && !spRectEmpty(FSD->SizeGripArea))
    FSizeGripArea = GetNewObjectRect(ToTRect(FSD->SizeGripArea));
  else
    FSizeGripArea = TRect{};
  if (!FSupportNCArea) return;
  TRect run;
  if (!NewButtonsRect.IsEmpty())
    run = NewButtonsRect;
  else if (!NewCaptionRect.IsEmpty())
    run = NewCaptionRect;
  else
    return;
  const int Y = run.Top;
  auto sizeOf = [this](TspActiveSkinObject* o, int& w, int& h) {
    w = o->SkinRect.Width();
    h = o->SkinRect.Height();
    auto* b = dynamic_cast<TspSkinStdButtonObject*>(o);
    if (b && b->Command == cmSysMenu && FShowIcon) GetIconSize(w, h);
  };
  std::vector<TspActiveSkinObject*> order;
  for (TStdCommand c : {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray})
    if (auto* o = FindCaptionButton(ObjectList, c, true)) order.push_back(o);
  for (auto& o : ObjectList) {
    auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
    if (b && b->Command == cmDefault && b->Visible && b->SkinRectInAPicture) order.push_back(b);
  }
  TspActiveSkinObject* sys = FindCaptionButton(ObjectList, cmSysMenu, true);
  TspSkinCaptionObject* caption = FirstCaption();
  int w, h;
  if (!NewButtonsInLeft) {
    int x = run.Right;
    for (auto* o : order) {
      sizeOf(o, w, h);
      o->ObjectRect = TRect{x - w, Y, x, Y + h};
      x = x - NewButtonsOffset - w;
    }
    if (NewButtonsRect.IsEmpty() && caption) caption->ObjectRect.Right = x + NewButtonsOffset;
    if (sys) {
      sizeOf(sys, w, h);
      x = NewCaptionRect.Left;
      const int T = NewCaptionRect.Top + NewCaptionRect.Height() / 2 - h / 2;
      sys->ObjectRect = TRect{x, T, x + w, T + h};
      x = x + NewButtonsOffset + w;
      if (caption) caption->ObjectRect.Left = x - NewButtonsOffset;
    }
  } else {
    int x = run.Left;
    if (sys && NewButtonsRect.IsEmpty()) order.push_back(sys);
    for (auto* o : order) {
      sizeOf(o, w, h);
      o->ObjectRect = TRect{x, Y, x + w, Y + h};
      x = x + NewButtonsOffset + w;
    }
    if (NewButtonsRect.IsEmpty() && caption) caption->ObjectRect.Left = x + NewButtonsOffset;
  }
}

void TspDynamicSkinForm::CalcDefRects() {
  if (ObjectList.empty()) return;
  NewDefCaptionRect = TRect{3, 3, FFormWidth - 3, GetDefCaptionHeight()};
  int x = FFormWidth - 3;
  const int s = GetDefButtonSize();
  for (TStdCommand c : {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray}) {
    if (auto* o = FindCaptionButton(ObjectList, c, true)) {
      o->ObjectRect = TRect{x - s, 4, x, 4 + s};
      x -= s;
    }
  }
  NewDefCaptionRect.Right = x;
  if (auto* sys = FindCaptionButton(ObjectList, cmSysMenu, true)) {
    int w = s, h = s;
    if (FShowIcon) GetIconSize(w, h);
    sys->ObjectRect = TRect{3, 4, 3 + w, 4 + h};
    NewDefCaptionRect.Left = 3 + w;
  }
}

void TspDynamicSkinForm::GetDefCaptionRect(TRect& R) {
  CalcDefRects();
  R = NewDefCaptionRect;
}

TRect TspDynamicSkinForm::GetAreaRect(const std::string& AIDName) const {
  TRect r;
  if (!FSD || FSD->Empty) return r;
  for (auto& a : FSD->AreaList)
    if (a->IDName == AIDName) r = ToTRect(a->AreaRect);
  return r;
}

TRect TspDynamicSkinForm::GetNewAreaRect(const TRect& AreaRect, bool UseAnchors, bool AnchorBottom, bool AnchorRight,
                                         bool AnchorTop, bool AnchorLeft) const {
  if (!UseAnchors) return GetNewObjectRect(AreaRect);
  if (!FSD) return AreaRect;
  const int dx = NewRBPoint.X - FSD->RBPoint.X, dy = NewRBPoint.Y - FSD->RBPoint.Y;
  TRect r = AreaRect;
  if (AnchorBottom && AnchorTop)
    r.Bottom += dy;
  else if (AnchorBottom)
    r = MoveRect(r, 0, dy);
  if (AnchorRight && AnchorLeft)
    r.Right += dx;
  else if (AnchorRight)
    r = MoveRect(r, dx, 0);
  return r;
}

void TspDynamicSkinForm::UpdateLinkedControls() {
  const bool resizable = IsResizableSkin();
  for (const TspLinkedArea& a : AreaList) {
    if (!a.Control) continue;
    const TRect r = resizable ? GetNewAreaRect(a.AreaRect, a.UseAnchors, a.AnchorBottom, a.AnchorRight, a.AnchorTop,
                                               a.AnchorLeft)
                              : a.AreaRect;
    a.Control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  }
}

void TspDynamicSkinForm::UpdateFrameSize(bool Recalc) {
  if (!FSD || FSD->Empty) return;
  if (FSkinnableForm) {
    CalcRects();
    if (Recalc) CalcObjectRects();
  }
  SetFormRegion(Recalc);
  if (OnChangeClientRect) OnChangeClientRect(NewClRect);
  HWND h = FForm->HandleIfAllocated();
  if (FSupportNCArea) {
    if (!FRgn && FSkinnableForm && h) SendMessageW(h, WM_NCPAINT, 0, 0);
    if (SkinInUse() && FSD->StretchEffect) {
      FForm->Invalidate();
      RepaintChildBackgrounds();
    }
  } else {
    FForm->Invalidate();
    UpdateLinkedControls();
  }
}

void TspDynamicSkinForm::SetFormRegion(bool Recalc) {
  HWND h = FForm->HandleIfAllocated();
  auto setRegion = [&](HRGN rgn) {
    // The system owns a region once it is set and frees the one it replaces.
    // A region the window did not take stays ours to free.
    if (!(h && SetWindowRgn(h, rgn, TRUE)) && rgn) {
      DeleteObject(rgn);
      rgn = nullptr;
    }
    FRgn = rgn;
  };
  auto emptyStripes = [&] {
    for (TBitmap* b : {&RMTop, &RMBottom, &RMLeft, &RMRight}) b->SetSize(0, 0);
  };
  if (!FSkinnableForm || (FSupportNCArea && !HasBorder())) {
    if (FRgn || !FSkinnableForm) setRegion(nullptr);
    return;
  }
  if (FFormWidth == 0 || FFormHeight == 0) {
    const TRect b = FormBounds();
    if (FFormWidth == 0) FFormWidth = b.Width();
    if (FFormHeight == 0) FFormHeight = b.Height();
  }
  if (!FSD || FSD->Empty || MaximizedMDIChild()) {
    emptyStripes();
    setRegion(CreateRectRgn(0, 0, FFormWidth, FFormHeight));
    return;
  }
  if (FSupportNCArea && LayerFullBorder()) {
    // The layered border draws the whole frame; a rolled-up form keeps only
    // the border's roll-up height.
    int h = FFormHeight;
    if (IsCollapsedLayerFrame()) {
      h = FBorderLayer->FData->RollUpFormHeight;
      if (h == 0) h = FIsW7 ? 1 : 0;
    }
    emptyStripes();
    setRegion(CreateRectRgn(0, 0, FFormWidth, h));
    return;
  }
  TBitmap* mask = FSD->Mask();
  if (!mask || mask->Empty()) {
    setRegion(CreateRectRgn(0, 0, FFormWidth, FFormHeight));
    return;
  }
  if (!Recalc) {
    HRGN rgn = nullptr;
    CreateRegionFromMask(rgn, mask);
    if (rgn) setRegion(rgn);
    return;
  }
  emptyStripes();
  CreateBorderMaskStripes(ToTPoint(FSD->LTPoint), ToTPoint(FSD->RTPoint), ToTPoint(FSD->LBPoint),
                          ToTPoint(FSD->RBPoint), ToTRect(FSD->MaskRectArea), NewLTPoint, NewRTPoint, NewLBPoint,
                          NewRBPoint, NewMaskRectArea, mask, &RMTop, &RMLeft, &RMRight, &RMBottom, FFormWidth,
                          FFormHeight);
  HRGN rgn = CreateRectRgn(NewMaskRectArea.Left, NewMaskRectArea.Top, NewMaskRectArea.Right, NewMaskRectArea.Bottom);
  auto addStripe = [&](TBitmap* stripe, int x, int y) {
    std::vector<uint8_t> data;
    if (stripe->Empty() || CreateRegionDataFromMask(stripe, x, y, data) <= 0) return;
    auto* rd = reinterpret_cast<RGNDATA*>(data.data());
    if (rd->rdh.nCount == 0) return;
    HRGN part = ExtCreateRegion(nullptr, DWORD(data.size()), rd);
    if (!part) return;
    CombineRgn(rgn, rgn, part, RGN_OR);
    DeleteObject(part);
  };
  if (RMTop.Height() > 0) addStripe(&RMTop, 0, 0);
  if (RMBottom.Height() > 0) addStripe(&RMBottom, 0, NewMaskRectArea.Bottom);
  if (RMLeft.Width() > 0) addStripe(&RMLeft, 0, NewMaskRectArea.Top);
  if (RMRight.Width() > 0) addStripe(&RMRight, NewMaskRectArea.Right, NewMaskRectArea.Top);
  setRegion(rgn);
}

namespace {

// A pixel of a stripe; a point outside the stripe is outside the shape.
bool StripeInside(const TBitmap& stripe, int x, int y, TColor black) {
  if (stripe.Empty() || x < 0 || y < 0 || x >= stripe.Width() || y >= stripe.Height()) return false;
  const uint8_t* row = stripe.ScanLine(y);
  const int bpp = stripe.BitsPerPixel() / 8;
  if (bpp < 3) return false;
  const uint8_t* p = row + size_t(x) * bpp;
  const TColor c = RGBColor(p[2], p[1], p[0]);
  return c == black;
}

}  // namespace

bool TspDynamicSkinForm::PointInSkinMask(TPoint P) const {
  if (PtIn(NewMaskRectArea, P)) return true;
  // The top stripe holds the rows above the sure-inside area; the row at
  // its top edge belongs to the side stripes.
  if (P.Y < NewMaskRectArea.Top) return StripeInside(RMTop, P.X, P.Y, BlackColor);
  if (P.Y >= NewMaskRectArea.Bottom) return StripeInside(RMBottom, P.X, P.Y - NewMaskRectArea.Bottom, BlackColor);
  if (P.X > NewMaskRectArea.Left)
    return StripeInside(RMRight, P.X - NewMaskRectArea.Right, P.Y - NewMaskRectArea.Top, BlackColor);
  return StripeInside(RMLeft, P.X, P.Y - NewMaskRectArea.Top, BlackColor);
}

void TspDynamicSkinForm::ScreenToFrame(TPoint& P) const {
  HWND h = FForm->HandleIfAllocated();
  if (IsMDIChild() && h) {
    POINT q{P.X, P.Y};
    ScreenToClient(h, &q);
    const bool skin = SkinInUse() && FSupportNCArea;
    P.X = q.x + (skin ? NewClRect.Left : 3);
    P.Y = q.y + (skin ? NewClRect.Top : GetDefCaptionHeight() + 3);
    return;
  }
  const TRect b = FormBounds();
  P.X -= b.Left;
  P.Y -= b.Top;
}

int TspDynamicSkinForm::HitTestSkin(TPoint P) {
  auto onCaption = [&]() -> bool {
    if (!NCDraggAble) return false;
    for (auto& o : ObjectList) {
      auto* c = dynamic_cast<TspSkinCaptionObject*>(o.get());
      if (c && IsObjectShown(c->RollUp) && PtIn(c->ObjectRect, P)) return true;
    }
    return false;
  };
  if (!FRollUpState && FWindowStateInit != wsMinimized) {
    if (ActiveObject != -1 && !onCaption() && !PtIn(NewClRect, P) && !FSizeMove) return HTOBJECT;
    if (FWindowStateInit != wsMaximized && Sizeable) {
      if (!NearSkinEdge(P)) {
        if (PtIn(NewClRect, P)) return HTCLIENT;
        return onCaption() ? HTCAPTION : HTOBJECT;
      }
      const int z = SkinSizingZone(P);
      if (z) return z;
      // Near an edge but in no sizing zone: what lies there decides.
    }
    if (PtIn(NewClRect, P)) return HTCLIENT;
  }
  return onCaption() ? HTCAPTION : HTOBJECT;
}

int TspDynamicSkinForm::HitTestClientSkin(TPoint P) {
  if (!Sizeable || FWindowStateInit == wsMaximized || FRollUpState || ActiveObject != -1 || !SkinInUse())
    return HTCLIENT;
  if (!FSizeGripArea.IsEmpty() && PtIn(FSizeGripArea, P)) return HTBOTTOMRIGHT;
  if (!NearSkinEdge(P)) return HTCLIENT;
  const int z = SkinSizingZone(P);
  return z ? z : HTCLIENT;
}

bool TspDynamicSkinForm::NearSkinEdge(TPoint P) {
  const int B = FSD->BorderW;
  const TPoint probes[4] = {{P.X - B, P.Y}, {P.X, P.Y - B}, {P.X + B, P.Y}, {P.X, P.Y + B}};
  TBitmap* mask = FSD->Mask();
  if (!mask || mask->Empty()) {
    for (const TPoint& q : probes)
      if (!PtIn(MakeRect(0, 0, FFormWidth, FFormHeight), q)) return true;
    return false;
  }
  if (PtIn(NewMaskRectArea, P)) return false;
  for (const TPoint& q : probes)
    if (!PointInSkinMask(q)) return true;
  return false;
}

int TspDynamicSkinForm::SkinSizingZone(TPoint P) const {
  const int W = FFormWidth, H = FFormHeight;
  if (P.X <= NewHitTestLTPoint.X && P.Y <= NewHitTestLTPoint.Y) return HTTOPLEFT;
  if (P.X >= NewHitTestRTPoint.X && P.Y <= NewHitTestRTPoint.Y) return HTTOPRIGHT;
  if (P.X <= NewHitTestLBPoint.X && P.Y >= NewHitTestLBPoint.Y) return HTBOTTOMLEFT;
  if (P.X >= NewHitTestRBPoint.X && P.Y >= NewHitTestRBPoint.Y) return HTBOTTOMRIGHT;
  if (PtIn(MakeRect(NewHitTestLTPoint.X, 0, NewHitTestRTPoint.X, NewClRect.Top), P)) return HTTOP;
  if (PtIn(MakeRect(NewHitTestLBPoint.X, NewClRect.Bottom, NewHitTestRBPoint.X, H), P)) return HTBOTTOM;
  if (PtIn(MakeRect(0, NewHitTestLTPoint.Y, NewClRect.Left, NewHitTestLBPoint.Y), P)) return HTLEFT;
  if (PtIn(MakeRect(NewClRect.Right, NewHitTestRTPoint.Y, W, NewHitTestRBPoint.Y), P)) return HTRIGHT;
  return 0;
}

int TspDynamicSkinForm::HitTestDefault(TPoint P) {
  const int W = FFormWidth, H = FFormHeight;
  const int ch = GetDefCaptionHeight();
  auto rest = [&]() -> int {
    TRect cap;
    GetDefCaptionRect(cap);
    if (PtIn(cap, P)) return HTCAPTION;
    if (PtIn(MakeRect(3, ch + 3, W - 3, H - 3), P)) return HTCLIENT;
    return HTOBJECT;
  };
  if (FWindowState == wsMaximized || FWindowState == wsMinimized || FRollUpState || !Sizeable) return rest();
  if (ActiveObject != -1) return HTOBJECT;
  if (P.X <= 2 && P.Y <= 2) return HTTOPLEFT;
  if (P.X >= W - 2 && P.Y <= 2) return HTTOPRIGHT;
  if (P.X <= 2 && P.Y >= H - 2) return HTBOTTOMLEFT;
  if (P.X >= W - 2 && P.Y >= H - 2) return HTBOTTOMRIGHT;
  if (P.X <= 2) return HTLEFT;
  if (P.Y <= 2) return HTTOP;
  if (P.X >= W - 2) return HTRIGHT;
  if (P.Y >= H - 2) return HTBOTTOM;
  return rest();
}
