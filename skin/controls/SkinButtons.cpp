#include "skin/controls/SkinButtons.h"

#include "skin/controls/SkinToolBar.h"

// ---------------------------------------------------------------------------
// TspSkinButton

TspSkinButton::TspSkinButton(TComponent* owner) : Base(owner) {
  SetSkinDataName("button");
  SetBounds(0, 0, 75, 25);
  FCanFocused = true;
}

void TspSkinButton::CreateWnd() {
  Base::CreateWnd();
  FActive = FDefault;
}

void TspSkinButton::SetDefault(bool value) {
  FDefault = value;
  if (HandleAllocated() && FCanFocused) {
    if (TCustomForm* form = GetParentForm())
      form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  }
}

// Posted by the button to itself, so that the glow frame follows the hover
// once the messages of the moment are handled.
constexpr UINT SP_SHOWGLOW = 1424;
constexpr UINT SP_HIDEGLOW = 1425;

void TspSkinButton::ShowLayer() {
  if (!FSD || FSD->Empty) return;
  if (!(FSD->ShowButtonGlowFrames || AlwaysShowLayeredFrame) || FGlowLayerPictureIndex == -1) return;
  GetSkinData();
  TspGlowLayer::TSpec spec;
  spec.ResizeMode = Geometry.ResizeMode;
  spec.UseSkinSize = UseSkinSize;
  spec.SkinWidth = Geometry.SkinWidth();
  spec.SkinHeight = Geometry.SkinHeight();
  spec.Width = Width();
  spec.Height = Height();
  spec.OffsetLeft = FGlowLayerOffsetLeft;
  spec.OffsetTop = FGlowLayerOffsetTop;
  spec.OffsetRight = FGlowLayerOffsetRight;
  spec.OffsetBottom = FGlowLayerOffsetBottom;
  if (!TspGlowLayer::Fits(spec)) return;
  TCustomForm* form = GetParentForm();
  bool topMost = form && form->FormStyle() == fsStayOnTop;
  POINT at = ClientToScreen(POINT{0, 0});
  FGlow.Show(FSD->ActivePicture(FGlowLayerPictureIndex), FSD->ActivePicture(FGlowLayerMaskPictureIndex), spec,
             at.x - FGlowLayerShowOffsetX, at.y - FGlowLayerShowOffsetY, FGlowLayerAlphaBlendValue, topMost);
}

void TspSkinButton::HideLayer() { FGlow.Hide(); }

void TspSkinButton::BeforeChangeSkinData() {
  Base::BeforeChangeSkinData();
  HideLayer();
}

void TspSkinButton::ChangeSkinData() {
  Base::ChangeSkinData();
  // The glow frame is made anew from the new skin.
  if (FMouseIn && HandleAllocated()) PostMessageW(Handle(), SP_SHOWGLOW, 0, 0);
}

void TspSkinButton::ButtonClick() {
  if (FCanFocused) {
    if (TCustomForm* form = GetParentForm()) form->ModalResult = ModalResult;
  }
  Base::ButtonClick();
}

TspFaceState TspSkinButton::FaceState() const {
  bool focused = Focused();
  if (FDown && (FMouseIn || (focused && !FMouseDown) || FGroupIndex != 0)) return fsDownFace;
  if (FMouseIn || focused) return fsHotFace;
  return fsNormalFace;
}

RECT TspSkinButton::ChooseStateRect(bool& down, bool& hot) const {
  down = hot = false;
  bool focused = Focused();
  if (!Enabled() && !IsEmptyRECT(FDisabledSkinRect)) return FDisabledSkinRect;
  if (FDown && (FMouseIn || (focused && !FMouseDown) || FGroupIndex != 0)) {
    down = hot = true;
    return FDownSkinRect;
  }
  hot = true;
  if (focused && !IsEmptyRECT(FFocusedSkinRect) && !FAnimateTimer.Active()) return FFocusedSkinRect;
  if (focused || FMouseIn) return FActiveSkinRect;
  if (Morphing && FMorph.Kf() == 1.0) return FActiveSkinRect;
  hot = false;
  return Geometry.SkinRect;
}

bool TspSkinButton::HoverChangesLook() const {
  if (FGroupIndex != 0) return !FDown;
  return FDown || !Focused();
}

void TspSkinButton::PaintDefaultImage(TspPaintBuffer& b) {
  Base::PaintDefaultImage(b);
  if (Focused() && FCanFocused) DrawFocusFrame(b.DC(), RECT{1, 1, b.Width() - 1, b.Height() - 1});
}

// The space bar presses and releases the button, Enter clicks it; the
// keys still go on to the control.
bool TspSkinButton::FocusableKey(TMessage& m) {
  bool space = m.WParam == VK_SPACE && FSpaceSupport;
  if (m.Msg == WM_KEYDOWN && space) {
    SetDown(true);
    if (RepeatMode) ButtonClick();
  } else if (m.Msg == WM_KEYDOWN && m.WParam == VK_RETURN) {
    ButtonClick();
  } else if (m.Msg == WM_KEYUP && space) {
    SetDown(false);
    ButtonClick();
  }
  return false;
}

void TspSkinButton::OwnHoverChanged(bool entered) {
  if (HandleAllocated()) PostMessageW(Handle(), entered ? SP_SHOWGLOW : SP_HIDEGLOW, 0, 0);
}

void TspSkinButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case SP_SHOWGLOW:
      ShowLayer();
      return;
    case SP_HIDEGLOW:
      HideLayer();
      return;
    case CM_DIALOGKEY:
      if ((FActive && m.WParam == VK_RETURN && Enabled()) ||
          (m.WParam == VK_ESCAPE && Cancel && FCanFocused && KeyDataToShiftState(m.LParam) == 0 && CanFocus())) {
        ButtonClick();
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsMenuAccel(static_cast<char16_t>(m.WParam), Caption()) && CanFocus() && FCanFocused) {
        SetFocus();
        ButtonClick();
        m.Result = 1;
        return;
      }
      break;
    case CM_FOCUSCHANGED: {
      auto* sender = reinterpret_cast<TControl*>(m.LParam);
      auto* senderButton = dynamic_cast<TspSkinButton*>(sender);
      FActive = senderButton ? senderButton == this : FDefault;
      if (FCanFocused && FDefault) {
        if (senderButton && senderButton != this) {
          FMouseIn = false;
          StartMorphOrRepaint();
        } else if (!senderButton) {
          FMouseIn = true;
          if (Morphing) FMorph.SetKf(1);
          Repaint();
        }
      }
      break;
    }
    case WM_SETFOCUS:
      Base::WndProc(m);
      if (FCanFocused) {
        if (CanAnimate()) StartAnimate(true);
        StartMorphOrRepaint();
      }
      return;
    case WM_KILLFOCUS:
      StopRepeat();
      if (FDown && FGroupIndex == 0) FDown = false;
      Base::WndProc(m);
      if (FCanFocused) {
        if (CanAnimate()) StartAnimate(false);
        if (MorphPossible())
          StartMorph();
        else
          Invalidate();
      }
      return;
    default:
      break;
  }
  Base::WndProc(m);
}

// ---------------------------------------------------------------------------
// TspSkinSpeedButton

TspSkinSpeedButton::TspSkinSpeedButton(TComponent* owner) : Base(owner) {
  SetSkinDataName("toolbutton");
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
  SetBounds(0, 0, 25, 25);
  // Unlike the push button, a speed button given a list shows its first image.
  FImageIndex = 0;
}

void TspSkinSpeedButton::SetTransparent(bool transparent) {
  if (transparent)
    ControlStyle &= ~csOpaque;
  else
    ControlStyle |= csOpaque;
}

void TspSkinSpeedButton::SetFlat(bool value) {
  FFlat = value;
  SetTransparent(value);
  Repaint();
}

void TspSkinSpeedButton::SetShowCaption(bool value) {
  if (value == FShowCaption) return;
  FShowCaption = value;
  if (WidthWithCaption > 0 && WidthWithoutCaption > 0)
    SetWidth(value ? WidthWithCaption : WidthWithoutCaption);
  else
    Repaint();
}

void TspSkinSpeedButton::Loaded() {
  Base::Loaded();
  if (FFlat && !(ControlStyle & csOpaque) && FDown) SetTransparent(false);
}

TCustomImageList* TspSkinSpeedButton::ContentImages(bool down, bool hot) const {
  auto* bar = dynamic_cast<TspSkinToolBar*>(Parent());
  if (!bar || !FGlyph.Empty()) return Base::ContentImages(down, hot);
  TCustomImageList* images = bar->Images();
  if (!Enabled() && bar->DisabledImages())
    images = bar->DisabledImages();
  else if ((hot || down) && bar->HotImages())
    images = bar->HotImages();
  if (images && FImageIndex >= 0 && FImageIndex < images->Count()) return images;
  return Base::ContentImages(down, hot);
}

bool TspSkinSpeedButton::DrawsImagesEnabled(TCustomImageList* images) const {
  auto* bar = dynamic_cast<TspSkinToolBar*>(Parent());
  return Enabled() || (bar && images && images == bar->DisabledImages());
}

void TspSkinSpeedButton::GetSkinData() {
  Base::GetSkinData();
  if (FFlat) Morphing = false;  // a flat button never fades
}

void TspSkinSpeedButton::SetDown(bool value) {
  if (!value && FFlat && (ControlStyle & csOpaque) && !FMouseIn) {
    // Released away from the mouse: the flat look comes back. Invalidate
    // while still opaque would skip the parent's erase, so switch first.
    SetTransparent(true);
  }
  Base::SetDown(value);
}

void TspSkinSpeedButton::StartMorphOrRepaint() {
  if (MorphPossible() && !FFlat && (ControlStyle & csOpaque))
    StartMorph();
  else
    Repaint();
}

void TspSkinSpeedButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      bool self = reinterpret_cast<TControl*>(m.LParam) == this;
      bool change = (FGroupIndex == 0 || !FDown) && Enabled();
      if (self && FFlat && change) SetTransparent(m.Msg == CM_MOUSELEAVE);
      break;
    }
    case CM_DIALOGCHAR:
      if (IsMenuAccel(static_cast<char16_t>(m.WParam), Caption()) && Enabled() && Visible() && Parent() &&
          Parent()->Showing()) {
        ButtonClick();
        m.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  Base::WndProc(m);
}

void TspSkinSpeedButton::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  bool atRest = FFlat && !FMouseIn && !(FDown && FGroupIndex != 0) && !(FDown && FMouseIn);
  if (FIndex == -1 && atRest) {
    // Straight onto the parent, which has erased under a transparent button.
    TCanvas canvas;
    canvas.SetHandle(PaintDC());
    PaintContent(&canvas, ClientRect());
    canvas.SetHandle(nullptr);
    return;
  }
  if (FIndex != -1 && atRest && FButtonElement) {
    // No background: the parent shows through, with the image and caption
    // in the skin's button text colour.
    TCanvas canvas;
    canvas.SetHandle(PaintDC());
    auto skinColour = [this](int32_t c) { return ColorToRGBValue(static_cast<TColor>(c)); };
    TspFontDesc font = UseSkinFont ? FSkinFont : FDefaultFont;
    if (!Enabled())
      font.Color = skinColour(FSD->SkinColors.cBtnShadow);
    else if (UseSkinFontColor)
      font.Color = skinColour(FSD->SkinColors.cBtnText);
    else
      font.Color = FDefaultFont.Color;
    RECT area = Geometry.NewClRect;
    if (IsEmptyRECT(area)) area = ClientRect();
    bool drawDefault = true;
    if (OnPaint) OnPaint(this, &canvas, area, FDown, FMouseIn, drawDefault);
    if (drawDefault) DrawContent(canvas.Handle(), area, font, false, false);
    canvas.SetHandle(nullptr);
    return;
  }
  Base::Paint();
}
