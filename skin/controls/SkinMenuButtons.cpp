#include "skin/controls/SkinMenuButtons.h"

#include "framework/Forms.h"

void NotifyMenuControl(TControl* ctrl, UINT msg) {
  if (!ctrl) return;
  if (auto* w = dynamic_cast<TWinControl*>(ctrl)) {
    if (w->HandleAllocated()) {
      SendMessageW(w->HandleIfAllocated(), msg, 0, 0);
      return;
    }
  }
  ctrl->Perform(msg, 0, 0);
}

void OpenControlMenu(TPopupMenu* menu, TControl* ctrl, const RECT& r) {
  if (!menu) return;
  if (auto* source = dynamic_cast<TspMenuSource*>(menu)) {
    source->PopupFromRect2(ctrl, r, false);
    return;
  }
  // The system's popup menu runs its own loop and is closed when Popup returns.
  menu->PopupComponent = ctrl;
  menu->Popup(r.left, r.bottom);
  menu->PopupComponent = nullptr;
  NotifyMenuControl(ctrl, SP_MENUCLOSED);
}

namespace {

bool IsStretchVariant(const std::string& n) { return n == "toolbutton" || n == "bigtoolbutton"; }
bool IsResizeVariant(const std::string& n) { return n == "resizebutton" || n == "resizetoolbutton"; }
bool IsOwnDrawnVariant(const std::string& n) { return IsStretchVariant(n) || IsResizeVariant(n); }


// The element's track part where it lands at the control's size.
RECT MovedTrackButtonRect(const TspSkinGeometry& g, const RECT& trackButtonRect, int w, int h) {
  RECT r = trackButtonRect;
  int mode = g.CalcResizeMode();
  if (mode == 2)
    OffsetRect(&r, w - g.SkinWidth(), 0);
  else if (mode == 3)
    OffsetRect(&r, 0, h - g.SkinHeight());
  return r;
}

bool PointIn(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// A marker picture of the skin, its `transparent` colour left out, centred in `target`.
}  // namespace

// The popup menu first, then the picture menu, below the control's screen
// rectangle; `onShow` fires before each, `imagesClosed` when the picture
// menu closes.
static void OpenButtonMenus(TControl* control, TPopupMenu* popup, TspImagesMenuSource* images,
                            const TNotifyEvent& onShow, std::function<void()> imagesClosed) {
  POINT p = control->ClientToScreen(POINT{0, 0});
  RECT r{p.x, p.y, p.x + control->Width(), p.y + control->Height()};
  if (popup) {
    if (onShow) onShow(control);
    OpenControlMenu(popup, control, r);
  }
  if (images) {
    if (onShow) onShow(control);
    images->SetInternalMenuCloseEvent(control, [closed = std::move(imagesClosed)](TObject*) { closed(); });
    images->PopupFromRect(r);
  }
}

// ===========================================================================
// What both menu buttons share

template <class TButton>
TspMenuButtonCore<TButton>::TspMenuButtonCore(TComponent* owner) : TButton(owner) {
  this->SetSkinDataName("toolmenubutton");
}

template <class TButton>
void TspMenuButtonCore<TButton>::SetTrackButtonMode(bool value) {
  FTrackButtonMode = value;
  if (this->FIndex == -1) this->Repaint();
}

template <class TButton>
void TspMenuButtonCore<TButton>::GetSkinData() {
  TButton::GetSkinData();
  FTrackButtonRect = RECT{};
  if (auto* e = dynamic_cast<TspDataSkinMenuButtonControl*>(this->Element()))
    FTrackButtonRect = ToRECT(e->TrackButtonRect);
}

template <class TButton>
RECT TspMenuButtonCore<TButton>::TrackRect() {
  GetSkinData();
  if (this->FIndex != -1 && !IsOwnDrawnVariant(this->SkinDataName()))
    return MovedTrackButtonRect(this->Geometry, FTrackButtonRect, this->Width(), this->Height());
  return DefaultTrackRect();
}

template <class TButton>
RECT TspMenuButtonCore<TButton>::DefaultTrackRect() {
  return RECT{this->Width() - kMenuTrackSize, 0, this->Width(), this->Height()};
}

template <class TButton>
bool TspMenuButtonCore<TButton>::IsTrackPoint(int X, int Y) {
  if (!FSkinPopupMenu && !this->FSkinImagesMenu) return false;
  if (!FTrackButtonMode) return true;
  return PointIn(TrackRect(), X, Y);
}

template <class TButton>
void TspMenuButtonCore<TButton>::DropDownMenu() {
  OpenButtonMenus(this, FSkinPopupMenu, this->FSkinImagesMenu, OnShowTrackMenu, [this] { ImagesMenuClosed(); });
}

template <class TButton>
void TspMenuButtonCore<TButton>::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!FMenuTracked) TButton::MouseUp(button, shift, x, y);
}

template <class TButton>
void TspMenuButtonCore<TButton>::WndProc(TMessage& m) {
  switch (m.Msg) {
    case SP_MENUCLOSED:
      MenuClosed();
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (FMenuTracked) {
        if (reinterpret_cast<TControl*>(m.LParam) == this) this->FMouseIn = m.Msg == CM_MOUSEENTER;
        return;
      }
      break;
    default:
      break;
  }
  TButton::WndProc(m);
}

template <class TButton>
bool TspMenuButtonCore<TButton>::PaintTrackedPart(TspPaintBuffer& b) {
  if (!FMenuTracked || !FTrackButtonMode || IsEmptyRECT(FTrackButtonRect) || IsEmptyRECT(this->FDownSkinRect))
    return false;
  this->DrawStateImage(b, this->FActiveSkinRect, false, true);
  RECT src = FTrackButtonRect;
  OffsetRect(&src, this->FDownSkinRect.left, this->FDownSkinRect.top);
  DrawPiece(b, ImageSourceOf(this->Picture), src, TrackRect());
  return true;
}

template <class TButton>
void TspMenuButtonCore<TButton>::PaintOwnVariant(TspPaintBuffer& b, bool faces, bool focusFrame) {
  const TspSkinGeometry& g = this->Geometry;
  const RECT N = g.SkinRect, A = this->FActiveSkinRect, D = this->FDownSkinRect;
  int w = b.Width(), h = b.Height();
  bool mouseIn = this->FMouseIn;
  bool pressed = this->FDown && mouseIn;
  bool stretch = IsStretchVariant(this->SkinDataName());
  auto part = [&](const RECT& src, int x, int pw) {
    RECT dst{x, 0, x + pw, h};
    // The stretch variants keep only the client rectangle's borders fixed.
    if (stretch)
      DrawGrownPicture(b, this->Picture, src, POINT{g.ClRect.left, g.ClRect.top}, POINT{g.ClRect.right, g.ClRect.top},
                       POINT{g.ClRect.left, g.ClRect.bottom}, POINT{g.ClRect.right, g.ClRect.bottom}, g.ClRect, dst,
                       false);
    else
      DrawGrownPicture(b, this->Picture, src, g.LTPt, g.RTPt, g.LBPt, g.RBPt, g.ClRect, dst, g.StretchEffect);
  };
  if (faces) {
    if (FTrackButtonMode) {
      RECT mainSrc = N, trackSrc = N;
      if (FMenuTracked) {
        mainSrc = A;
        trackSrc = D;
      } else if (pressed) {
        mainSrc = trackSrc = D;
      } else if (mouseIn) {
        mainSrc = trackSrc = A;
      }
      part(mainSrc, 0, w - kMenuTrackSize);
      part(trackSrc, w - kMenuTrackSize, kMenuTrackSize);
    } else {
      part((pressed || FMenuTracked) ? D : (mouseIn ? A : N), 0, w);
    }
  }
  COLORREF color;
  if (this->Enabled() && !this->UseSkinFontColor)
    color = this->FDefaultFont.Color;
  else if (!this->Enabled())
    color = this->FDisabledFontColor;
  else if (pressed)
    color = this->FDownFontColor;
  else if (mouseIn)
    color = this->FActiveFontColor;
  else
    color = this->FFontColor;
  TspFontDesc font = this->UseSkinFont ? this->FSkinFont : this->FDefaultFont;
  font.Color = color;
  if (focusFrame) DrawFocusFrame(b.DC(), g.NewClRect);
  this->DrawContent(b.DC(), RECT{0, 0, w - kMenuTrackSize, h}, font, pressed, mouseIn);
  RECT marker{w - kMenuTrackSize, 0, w, h};
  if (stretch && (pressed || FMenuTracked)) OffsetRect(&marker, 2, 2);
  if (IsEmptyRECT(this->FMenuMarkerRect)) {
    DrawArrowGlyph(b.DC(), marker, adDown, FMenuTracked ? this->FDownFontColor : color);
  } else {
    RECT src = (pressed || FMenuTracked) ? this->FMenuMarkerDownRect
                                         : (mouseIn ? this->FMenuMarkerActiveRect : this->FMenuMarkerRect);
    DrawMarkerGlyph(b.DC(), this->Picture, src, marker, this->FMenuMarkerTransparentColor);
  }
}

template class TspMenuButtonCore<TspSkinButton>;
template class TspMenuButtonCore<TspSkinSpeedButton>;

// ===========================================================================
// TspSkinMenuButton

TspSkinMenuButton::TspSkinMenuButton(TComponent* owner) : TspMenuButtonCore(owner) { FSpaceSupport = false; }

TspSkinMenuButton::~TspSkinMenuButton() = default;

void TspSkinMenuButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FMenuTracked = IsTrackPoint(x, y);
    FMouseIn = true;
    if (FIndex != -1 && FAnimateTimer.Active()) StopAnimate();
    if (FMenuTracked) {
      if (!FDown) {
        FDown = true;
        Repaint();
      }
      DropDownMenu();
      return;
    }
  }
  TspSkinButton::MouseDown(button, shift, x, y);
}

void TspSkinMenuButton::MenuClosed() {
  FMenuTracked = false;
  FDown = false;
  bool inside = false;
  if (HandleAllocated()) {
    POINT p;
    GetCursorPos(&p);
    inside = WindowFromPoint(p) == HandleIfAllocated();
  }
  FMouseIn = inside;
  if (OnHideTrackMenu) OnHideTrackMenu(this);
  if (LayerVisible() && !FMouseIn) HideLayer();
  Repaint();
}

void TspSkinMenuButton::ImagesMenuClosed() {
  MenuClosed();
  StartMorphOrRepaint();
}

void TspSkinMenuButton::WndProc(TMessage& m) {
  if (CanFocused() && FSkinPopupMenu) {
    if (m.Msg == WM_KEYDOWN && m.WParam == VK_SPACE && !FTrackButtonMode) {
      FMenuTracked = true;
      FDown = true;
      Repaint();
      DropDownMenu();
      return;
    }
    if (m.Msg == WM_KEYUP && m.WParam == VK_SPACE && !FMenuTracked) {
      FDown = false;
      Repaint();
      if (OnClick) OnClick(this);
      return;
    }
    if (m.Msg == WM_KEYUP && m.WParam == VK_RETURN && !FMenuTracked) {
      if (OnClick) OnClick(this);
    }
  }
  if (m.Msg == CM_DIALOGCHAR && !FTrackButtonMode && FSkinPopupMenu &&
      IsMenuAccel(static_cast<char16_t>(m.WParam), Caption())) {
    if (CanFocus() && CanFocused()) SetFocus();
    FMenuTracked = true;
    FDown = true;
    Repaint();
    DropDownMenu();
    m.Result = 1;
    return;
  }
  TspMenuButtonCore::WndProc(m);
}

void TspSkinMenuButton::PaintDefaultImage(TspPaintBuffer& b) {
  int w = b.Width(), h = b.Height();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  bool focused = Focused();
  if (FTrackButtonMode) {
    TspFaceState mainState, trackState;
    if (FMenuTracked) {
      mainState = fsHotFace;
      trackState = fsDownFace;
    } else if (FDown && FMouseIn) {
      mainState = trackState = fsDownFace;
    } else if (FMouseIn || focused) {
      mainState = trackState = fsHotFace;
    } else {
      mainState = trackState = fsNormalFace;
    }
    DrawDefaultFace(b, RECT{0, 0, w - kMenuTrackSize, h}, mainState);
    DrawDefaultFace(b, RECT{w - kMenuTrackSize, 0, w, h}, trackState);
  } else {
    TspFaceState s = (FDown && FMouseIn) ? fsDownFace : ((FMouseIn || focused) ? fsHotFace : fsNormalFace);
    DrawDefaultFace(b, b.ClientRect(), s);
  }
  TspFontDesc font = FDefaultFont;
  if (!Enabled()) font.Color = GetSysColor(COLOR_BTNSHADOW);
  DrawContent(b.DC(), RECT{0, 0, w - kMenuTrackSize, h}, font, FDown && FMouseIn, FMouseIn);
  DrawArrowGlyph(b.DC(), RECT{w - kMenuTrackSize, 0, w, h}, adDown, GetSysColor(COLOR_BTNTEXT));
}

void TspSkinMenuButton::PaintSkinImage(TspPaintBuffer& b) {
  if (!FButtonElement) {
    TspSkinButton::PaintSkinImage(b);
    return;
  }
  if (!IsOwnDrawnVariant(SkinDataName())) {
    GetSkinData();
    if (!PaintTrackedPart(b)) TspSkinButton::PaintSkinImage(b);
    return;
  }
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  auto* e = dynamic_cast<TspDataSkinButtonControl*>(Element());
  PaintOwnVariant(b, true, e && e->ShowFocus && Focused());
}

// ===========================================================================
// TspSkinMenuSpeedButton

TspSkinMenuSpeedButton::TspSkinMenuSpeedButton(TComponent* owner) : TspMenuButtonCore(owner) {}

TspSkinMenuSpeedButton::~TspSkinMenuSpeedButton() = default;

void TspSkinMenuSpeedButton::SetNewStyle(bool value) {
  FNewStyle = value;
  if (value) SetSkinDataName("resizetoolbutton");
  Repaint();
}

void TspSkinMenuSpeedButton::SetTrackPosition(TspTrackPosition value) {
  FTrackPosition = value;
  Repaint();
}

RECT TspSkinMenuSpeedButton::DefaultTrackRect() {
  int w = Width(), h = Height();
  if (FNewStyle && FTrackPosition == sptpBottom) return RECT{0, h - kMenuTrackSize, w, h};
  return TspMenuButtonCore::DefaultTrackRect();
}

RECT TspSkinMenuSpeedButton::MainRect() {
  int w = Width(), h = Height();
  if (FNewStyle && FTrackPosition == sptpBottom) return RECT{0, 0, w, h - kMenuTrackSize};
  return RECT{0, 0, w - kMenuTrackSize, h};
}

void TspSkinMenuSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && IsTrackPoint(x, y)) {
    FMenuTracked = true;
    FMouseIn = true;
    FDown = true;
    Repaint();
    DropDownMenu();
    return;
  }
  TspSkinSpeedButton::MouseDown(button, shift, x, y);
}

void TspSkinMenuSpeedButton::MenuClosed() {
  FMenuTracked = false;
  FDown = false;
  if (OnHideTrackMenu) OnHideTrackMenu(this);
  FMouseIn = false;
  Repaint();
}

void TspSkinMenuSpeedButton::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  if ((FDown && FMouseIn) || FMenuTracked || !Flat()) {
    TspSkinSpeedButton::Paint();
    return;
  }
  // A flat button at rest: content and marker straight on the parent.
  HDC dc = PaintDC();
  if (!dc) return;
  int w = Width(), h = Height();
  bool element = FIndex != -1;
  bool ownVariant = IsOwnDrawnVariant(SkinDataName());
  RECT area = (element && !ownVariant) ? Geometry.NewClRect : MainRect();
  TspFontDesc font = (UseSkinFont && element && FButtonElement) ? FSkinFont : FDefaultFont;
  if (element && FSD) {
    if (!Enabled())
      font.Color = static_cast<COLORREF>(ColorToRGB(FSD->SkinColors.cBtnShadow)) & 0xFFFFFF;
    else if (UseSkinFontColor)
      font.Color = static_cast<COLORREF>(ColorToRGB(FSD->SkinColors.cBtnText)) & 0xFFFFFF;
  }
  if (!Enabled()) font.Color = GetSysColor(COLOR_BTNSHADOW);
  DrawContent(dc, area, font, false, false);
  RECT marker = (element && !ownVariant) ? RECT{area.right, 0, w, h} : TrackRect();
  if (element && !IsEmptyRECT(FMenuMarkerFlatRect)) {
    DrawMarkerGlyph(dc, Picture, FMenuMarkerFlatRect, marker, FMenuMarkerTransparentColor);
  } else if (!element) {
    DrawArrowGlyph(dc, marker, adDown, GetSysColor(COLOR_BTNTEXT));
  } else {
    COLORREF c = FSD ? static_cast<COLORREF>(ColorToRGB(FSD->SkinColors.cBtnText)) & 0xFFFFFF : 0;
    DrawArrowGlyph(dc, marker, adDown, c);
  }
}

void TspSkinMenuSpeedButton::PaintDefaultImage(TspPaintBuffer& b) {
  int w = b.Width(), h = b.Height();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  RECT track = TrackRect();
  RECT main = MainRect();
  bool pressed = FDown && FMouseIn;
  if (FNewStyle) {
    if (FTrackButtonMode && FMouseIn) {
      if (FMenuTracked) {
        DrawDefaultFace(b, main, fsHotFace);
        DrawDefaultFace(b, track, fsDownFace);
      } else if (pressed) {
        DrawDefaultFace(b, main, fsDownFace);
        DrawDefaultFace(b, track, fsHotFace);
      } else {
        DrawDefaultFace(b, main, fsHotFace);
        DrawDefaultFace(b, track, fsHotFace);
      }
    } else if (pressed) {
      DrawDefaultFace(b, b.ClientRect(), fsDownFace);
    } else if (FMouseIn) {
      DrawDefaultFace(b, b.ClientRect(), fsHotFace);
    } else if (!Flat()) {
      DrawDefaultFace(b, b.ClientRect(), fsNormalFace);
    }
  } else if (FTrackButtonMode) {
    TspFaceState mainState = fsNormalFace, trackState = fsNormalFace;
    if (FMenuTracked) {
      mainState = fsHotFace;
      trackState = fsDownFace;
    } else if (pressed) {
      mainState = trackState = fsDownFace;
    } else if (FMouseIn) {
      mainState = trackState = fsHotFace;
    }
    DrawDefaultFace(b, main, mainState);
    DrawDefaultFace(b, track, trackState);
  } else {
    DrawDefaultFace(b, b.ClientRect(), pressed ? fsDownFace : (FMouseIn ? fsHotFace : fsNormalFace));
  }
  TspFontDesc font = FDefaultFont;
  if (!Enabled()) font.Color = GetSysColor(COLOR_BTNSHADOW);
  DrawContent(b.DC(), main, font, pressed, FMouseIn);
  DrawArrowGlyph(b.DC(), track, adDown, GetSysColor(COLOR_BTNTEXT));
  (void)w;
  (void)h;
}

void TspSkinMenuSpeedButton::DrawNewStyle(TspPaintBuffer& b) {
  int w = b.Width(), h = b.Height();
  int index = FSD->GetControlIndex("resizetoolbutton");
  if (index < 0) index = FSD->GetControlIndex("resizebutton");
  auto* e = index < 0 ? nullptr : dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[static_cast<size_t>(index)].get());
  if (!e) {
    PaintDefaultImage(b);
    return;
  }
  const TspPicture* pic = SkinPicture(e->PictureIndex);
  RECT N = ToRECT(e->SkinRect), A = ToRECT(e->ActiveSkinRect), D = ToRECT(e->DownSkinRect);
  if (IsEmptyRECT(A)) A = N;
  if (IsEmptyRECT(D)) D = A;
  auto pt = [](const TspPoint& p) { return POINT{p.X, p.Y}; };
  auto nine = [&](const TspDataSkinButtonControl* el, const TspPicture* p, const RECT& src, const RECT& dst) {
    DrawGrownPicture(b, p, src, pt(el->LTPoint), pt(el->RTPoint), pt(el->LBPoint), pt(el->RBPoint), ToRECT(el->ClRect),
                     dst, el->StretchEffect);
  };
  bool pressed = FDown && FMouseIn;
  RECT main = MainRect(), track = TrackRect();
  PaintParentBackground(b);
  if (FTrackButtonMode && FMouseIn) {
    const char* trackName = FTrackPosition == sptpBottom ? "htracktoolbutton" : "vtracktoolbutton";
    int ti = FSD->GetControlIndex(trackName);
    auto* te = ti < 0 ? nullptr : dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[static_cast<size_t>(ti)].get());
    RECT mainSrc = (pressed && !FMenuTracked) ? D : A;
    if (te) {
      nine(e, pic, mainSrc, b.ClientRect());
      RECT tn = ToRECT(te->SkinRect), ta = ToRECT(te->ActiveSkinRect), td = ToRECT(te->DownSkinRect);
      if (IsEmptyRECT(ta)) ta = tn;
      if (IsEmptyRECT(td)) td = ta;
      nine(te, SkinPicture(te->PictureIndex), FMenuTracked ? td : ta, track);
    } else {
      nine(e, pic, mainSrc, main);
      nine(e, pic, FMenuTracked ? D : A, track);
    }
  } else if (pressed || (FMenuTracked && !FTrackButtonMode)) {
    nine(e, pic, D, b.ClientRect());
  } else if (FMouseIn) {
    nine(e, pic, A, b.ClientRect());
  } else if (!Flat()) {
    nine(e, pic, N, b.ClientRect());
  }
  COLORREF color = pressed ? static_cast<COLORREF>(e->DownFontColor) & 0xFFFFFF
                           : (FMouseIn ? static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF
                                       : static_cast<COLORREF>(e->FontColor) & 0xFFFFFF);
  if (!Enabled()) color = static_cast<COLORREF>(e->DisabledFontColor) & 0xFFFFFF;
  TspFontDesc font = UseSkinFont ? SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor) : FDefaultFont;
  font.Color = color;
  DrawContent(b.DC(), main, font, pressed, FMouseIn);
  RECT mr = ToRECT(e->MenuMarkerRect);
  if (IsEmptyRECT(mr)) {
    DrawArrowGlyph(b.DC(), track, adDown, FMenuTracked ? static_cast<COLORREF>(e->DownFontColor) & 0xFFFFFF : color);
  } else {
    RECT ma = ToRECT(e->MenuMarkerActiveRect), md = ToRECT(e->MenuMarkerDownRect);
    if (IsEmptyRECT(ma)) ma = mr;
    if (IsEmptyRECT(md)) md = ma;
    DrawMarkerGlyph(b.DC(), pic, (pressed || FMenuTracked) ? md : (FMouseIn ? ma : mr), track,
                      static_cast<COLORREF>(e->MenuMarkerTransparentColor) & 0xFFFFFF);
  }
  (void)w;
  (void)h;
}

void TspSkinMenuSpeedButton::PaintSkinImage(TspPaintBuffer& b) {
  const std::string& name = SkinDataName();
  if (FNewStyle && name == "resizetoolbutton") {
    DrawNewStyle(b);
    return;
  }
  if (!FButtonElement) {
    TspSkinSpeedButton::PaintSkinImage(b);
    return;
  }
  if (!IsOwnDrawnVariant(name)) {
    if (!PaintTrackedPart(b)) TspSkinSpeedButton::PaintSkinImage(b);
    return;
  }
  bool atRest = Flat() && !(FDown && FMouseIn) && !FMenuTracked && !FMouseIn;
  PaintParentBackground(b);
  PaintOwnVariant(b, !atRest, false);
}
