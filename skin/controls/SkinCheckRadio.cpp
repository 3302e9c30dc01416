#include "skin/controls/SkinCheckRadio.h"

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinControlKit.h"

TspSkinCheckRadioBox::TspSkinCheckRadioBox(TComponent* owner) : Base(owner) {
  SetSkinDataName("checkbox");
  SetBounds(0, 0, 150, 25);
  ControlStyle &= ~csClickEvents;
  FCanFocused = true;
  FImageChangeLink.OnChange = [this](TObject*) { Repaint(); };
}

TspSkinCheckRadioBox::~TspSkinCheckRadioBox() {
  FMorph.Stop();
  SetImages(nullptr);
}

void TspSkinCheckRadioBox::SetImages(TCustomImageList* value) {
  if (value == FImages) return;
  if (FImages) FImages->UnRegisterChanges(&FImageChangeLink);
  FImages.Set(value);
  if (FImages) FImages->RegisterChanges(&FImageChangeLink);
  Repaint();
}

void TspSkinCheckRadioBox::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  Repaint();
}

int TspSkinCheckRadioBox::DrawImage(TspPaintBuffer& b, int left, int gap) {
  if (!FImages || FImageIndex < 0 || FImageIndex >= FImages->Count()) return 0;
  FImages->Draw(b.Canvas(), left, b.Height() / 2 - FImages->Height() / 2, FImageIndex, Enabled());
  return FImages->Width() + gap;
}

void TspSkinCheckRadioBox::SetChecked(bool value) {
  FChecked = value;
  if (value)
    FState = cbChecked;
  else if (FState == cbChecked)
    FState = cbUnchecked;
  Repaint();
  if (value && GroupIndex != 0 && Parent()) {
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* other = dynamic_cast<TspSkinCheckRadioBox*>(parent->Controls(i));
      if (other && other != this && other->GroupIndex == GroupIndex && other->FChecked) other->SetChecked(false);
    }
  }
  if (!FRadio || FChecked) DoClick();
}

void TspSkinCheckRadioBox::SetState(TCheckBoxState value) {
  FState = value;
  FChecked = value == cbChecked;
  Repaint();
  DoClick();
}

void TspSkinCheckRadioBox::SetRadio(bool value) {
  FRadio = value;
  if (FIndex == -1 && DrawDefault) Repaint();
}

void TspSkinCheckRadioBox::SetFlat(bool value) {
  FFlat = value;
  Repaint();
}

void TspSkinCheckRadioBox::ToggleChecked() {
  if (FRadio) {
    if (!FChecked) SetChecked(true);
  } else {
    SetChecked(!FChecked);
  }
}

void TspSkinCheckRadioBox::UpdateActiveLook() {
  auto possible = [this] { return Morphing && FIndex != -1 && FSD && FSD->EnableSkinEffects; };
  if (possible()) {
    FMorph.Start([this] { return FMouseIn || FocusedHere(); }, possible,
                 [this] { Repaint(); });
  } else {
    Invalidate();
  }
}

void TspSkinCheckRadioBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FDown = true;
    if (!FMouseIn) {
      FMouseIn = true;
      UpdateActiveLook();
    }
  }
  Base::MouseDown(button, shift, x, y);
}

void TspSkinCheckRadioBox::MouseMove(TShiftState shift, int x, int y) {
  Base::MouseMove(shift, x, y);
  if (FDown) FollowPressedPointer(this, FMouseIn, x, y);
}

void TspSkinCheckRadioBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  if (!(FMouseIn && FDown)) {
    FDown = false;
    return;
  }
  FDown = false;
  if (AllowGrayed && !FRadio && FState == cbUnchecked) {
    FState = cbGrayed;
    Repaint();
    DoClick();
  } else {
    ToggleChecked();
  }
}

void TspSkinCheckRadioBox::GetSkinData() {
  Base::GetSkinData();
  FCheckElement = false;
  auto* e = dynamic_cast<TspDataSkinCheckRadioControl*>(Element());
  if (!e) {
    if (FIndex == -1) Morphing = false;
    return;
  }
  FCheckElement = true;
  auto color = [](int32_t c) { return static_cast<COLORREF>(c) & 0xFFFFFF; };
  FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
  FFontColor = color(e->FontColor);
  FActiveFontColor = color(e->ActiveFontColor);
  FFrameFontColor = color(e->FrameFontColor);
  FUnEnabledFontColor = color(e->UnEnabledFontColor);
  Morphing = e->Morphing;
  MorphKind = e->MorphKind;
  FActiveSkinRect = ToRECT(e->ActiveSkinRect);
  if (IsEmptyRECT(FActiveSkinRect)) FActiveSkinRect = Geometry.SkinRect;
  FCheckImageArea = ToRECT(e->CheckImageArea);
  FTextArea = ToRECT(e->TextArea);
  FCheckImageRect = ToRECT(e->CheckImageRect);
  FUnCheckImageRect = ToRECT(e->UnCheckImageRect);
  FActiveCheckImageRect = ToRECT(e->ActiveCheckImageRect);
  FActiveUnCheckImageRect = ToRECT(e->ActiveUnCheckImageRect);
  FUnEnabledCheckImageRect = ToRECT(e->UnEnabledCheckImageRect);
  FUnEnabledUnCheckImageRect = ToRECT(e->UnEnabledUnCheckImageRect);
  FGrayedCheckImageRect = ToRECT(e->GrayedCheckImageRect);
  FActiveGrayedCheckImageRect = ToRECT(e->ActiveGrayedCheckImageRect);
}

// The check picture for the present state (the grayed one falls back to
// the checked picture of the same row).
RECT TspSkinCheckRadioBox::CheckImage() const {
  bool grayed = FState == cbGrayed;
  if (!Enabled()) {
    if (grayed) return IsEmptyRECT(FGrayedCheckImageRect) ? FUnEnabledCheckImageRect : FGrayedCheckImageRect;
    return FChecked ? FUnEnabledCheckImageRect : FUnEnabledUnCheckImageRect;
  }
  if (FMouseIn) {
    if (grayed) {
      if (IsEmptyRECT(FGrayedCheckImageRect)) return FActiveCheckImageRect;
      return IsEmptyRECT(FActiveGrayedCheckImageRect) ? FGrayedCheckImageRect : FActiveGrayedCheckImageRect;
    }
    return FChecked ? FActiveCheckImageRect : FActiveUnCheckImageRect;
  }
  if (grayed) return IsEmptyRECT(FGrayedCheckImageRect) ? FCheckImageRect : FGrayedCheckImageRect;
  return FChecked ? FCheckImageRect : FUnCheckImageRect;
}

void TspSkinCheckRadioBox::DrawSkinFlat(TspPaintBuffer& b) {
  int cw = FCheckImageRect.right - FCheckImageRect.left, ch = FCheckImageRect.bottom - FCheckImageRect.top;
  RECT img = CheckImage();
  if (Picture && !IsEmptyRECT(img)) {
    RECT dst{3, b.Height() / 2 - ch / 2, 3 + (img.right - img.left), b.Height() / 2 - ch / 2 + (img.bottom - img.top)};
    DrawPiece(b, ImageSourceOf(Picture), img, dst);
  }
  TspFontDesc font = UseSkinFont ? FSkinFont : FDefaultFont;
  COLORREF color = Enabled() ? (UseSkinFontColor ? FFrameFontColor : FDefaultFont.Color) : FUnEnabledFontColor;
  RECT t{cw + 7, 0, b.Width() - 2, b.Height()};
  t.left += DrawImage(b, t.left, 8);
  UINT flags = WordWrap ? (DT_WORDBREAK | DT_EXPANDTABS) : (DT_SINGLELINE | DT_VCENTER);
  b.Text(Caption(), t, font, color, flags);
}

void TspSkinCheckRadioBox::PaintSkinImage(TspPaintBuffer& b) {
  double kf = FMorph.Kf();
  if (Morphing && FIndex != -1 && FSD && FSD->EnableSkinEffects && kf > 0.0 && kf < 1.0) {
    // Halfway between the looks: the normal one blended toward the active one.
    DrawSkinImage(b, Geometry.SkinRect, false);
    TspPaintBuffer active(b.Width(), b.Height());
    DrawSkinImage(active, FActiveSkinRect, true);
    MorphLooks(b, active, MorphKind, kf);
    return;
  }
  bool active = FMouseIn || FocusedHere();
  DrawSkinImage(b, active ? FActiveSkinRect : Geometry.SkinRect, active);
}

void TspSkinCheckRadioBox::DrawSkinImage(TspPaintBuffer& b, const RECT& element, bool active) {
  CreateSkinImage(b, Picture, element);
  RECT img = CheckImage();
  if (Picture && !IsEmptyRECT(img)) {
    int iw = img.right - img.left, ih = img.bottom - img.top;
    int top = FCIRect.top + (FCIRect.bottom - FCIRect.top) / 2 - ih / 2;
    DrawPiece(b, ImageSourceOf(Picture), img, RECT{FCIRect.left, top, FCIRect.left + iw, top + ih});
  }
  TspFontDesc font = UseSkinFont ? FSkinFont : FDefaultFont;
  COLORREF color = !Enabled() ? FUnEnabledFontColor : active ? FActiveFontColor : FFontColor;
  b.Text(Caption(), FNewTextArea, font, color, DT_SINGLELINE | DT_VCENTER);
}

void TspSkinCheckRadioBox::CalcSkinSize(int& width, int& height) {
  if (FFlat) return;  // the flat look keeps the requested size
  Base::CalcSkinSize(width, height);
  if (!FCheckElement) return;
  int dx = width - Geometry.SkinWidth();
  FNewTextArea = FTextArea;
  FNewTextArea.right += dx;
  RECT r = FCheckImageArea;
  if (FTextArea.right < FCheckImageArea.right) {
    r.left += dx;
    r.right += dx;
  }
  int cw = FCheckImageRect.right - FCheckImageRect.left, ch = FCheckImageRect.bottom - FCheckImageRect.top;
  int left = r.left + (r.right - r.left) / 2 - cw / 2, top = r.top + (r.bottom - r.top) / 2 - ch / 2;
  FCIRect = RECT{left, top, left + cw, top + ch};
}

bool TspSkinCheckRadioBox::FocusableKey(TMessage& m) {
  if (m.Msg == WM_KEYUP && m.WParam == VK_SPACE && FocusedHere()) ToggleChecked();
  if (m.Msg != CM_DIALOGCHAR || !IsMenuAccel(static_cast<char16_t>(m.WParam), Caption()) || !CanFocus())
    return false;
  SetFocus();
  ToggleChecked();
  m.Result = 1;
  return true;
}

void TspSkinCheckRadioBox::OwnHoverChanged(bool entered) {
  FMouseIn = entered;
  UpdateActiveLook();
}

void TspSkinCheckRadioBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Base::WndProc(m);
      if (FCanFocused) UpdateActiveLook();
      return;
    case WM_MOVE:
      Base::WndProc(m);
      Invalidate();
      return;
    case CM_ENABLEDCHANGED:
      Base::WndProc(m);
      FMorph.Stop();
      FMorph.SetKf(0);
      FMouseIn = false;
      Repaint();
      return;
    case CM_TEXTCHANGED:
      Base::WndProc(m);
      Repaint();
      return;
    case SP_CHECKBACKGROUND:
      if (FFlat) Repaint();
      return;
    case WM_ERASEBKGND:
      // The flat look paints over its parent's background; the framed one
      // paints on erase.
      if (!FFlat) break;
      m.Result = 1;
      return;
    default:
      break;
  }
  Base::WndProc(m);
}

void TspSkinCheckRadioBox::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  if (FFlat) {
    TspPaintBuffer b(Width(), Height());
    PaintParentBackground(b);
    if (FIndex != -1 && FCheckElement)
      DrawSkinFlat(b);
    else
      DrawBoxAndText(b, 22, true);
    b.DrawTo(PaintDC(), 0, 0);
    return;
  }
  Base::Paint();
}

void TspSkinCheckRadioBox::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  if (FocusedHere() || FMouseIn) b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
  DrawBoxAndText(b, 19, false);
}

void TspSkinCheckRadioBox::DrawBoxAndText(TspPaintBuffer& b, int textLeft, bool flat) {
  int h = b.Height();
  COLORREF textColor = Enabled() ? FDefaultFont.Color : GetSysColor(COLOR_BTNSHADOW);
  RECT t{textLeft, 0, b.Width() - (flat ? 2 : 0), h};
  // Only the flat look shows the image.
  if (flat) t.left += DrawImage(b, t.left, 5);
  UINT flags = WordWrap && flat ? (DT_WORDBREAK | DT_EXPANDTABS) : (DT_SINGLELINE | DT_VCENTER);
  b.Text(Caption(), t, FDefaultFont, textColor, flags);

  RECT k{3, h / 2 - 7, 17, h / 2 + 7};
  b.Frame(k, FMouseIn ? kDefaultHotFrame : GetSysColor(COLOR_BTNSHADOW));
  COLORREF mark = Enabled() ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNSHADOW);
  if (FState == cbGrayed && !FRadio) {
    mark = GetSysColor(COLOR_GRAYTEXT);
  } else if (!FChecked) {
    mark = CLR_INVALID;
  }
  if (mark != CLR_INVALID) {
    if (FRadio) {
      RECT dot{7, h / 2 - 3, 13, h / 2 + 3};
      b.Fill(dot, mark);
    } else {
      // A check mark: a short and a long stroke.
      HPEN pen = CreatePen(PS_SOLID, 1, mark);
      HGDIOBJ old = SelectObject(b.DC(), pen);
      for (int i = 0; i < 2; ++i) {
        int y = h / 2 - 4 + i;
        MoveToEx(b.DC(), 7, y + 2, nullptr);
        LineTo(b.DC(), 9, y + 4);
        LineTo(b.DC(), 14, y - 1);
      }
      SelectObject(b.DC(), old);
      DeleteObject(pen);
    }
  }
  if (flat && FocusedHere() && !Caption().empty()) {
    SIZE sz = LineExtent(b.DC(), Caption(), FDefaultFont);
    RECT m{textLeft - 2, h / 2 - sz.cy / 2 - 1, textLeft + sz.cx + 3, h / 2 - sz.cy / 2 + sz.cy + 1};
    DrawFocusRect(b.DC(), &m);
  }
}
