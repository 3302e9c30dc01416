#include "skin/controls/SkinExPanel.h"

TspSkinExPanel::TspSkinExPanel(TComponent* owner) : Base(owner) {
  ControlStyle |= csAcceptsControls | csOpaque;
  FSkinDataName = "expanel";
  SetBounds(0, 0, 150, 100);
}

void TspSkinExPanel::SetRollKind(TspExPanelRollKind value) {
  FRollKind = value;
  Repaint();
}

void TspSkinExPanel::SetDefaultCaptionHeight(int value) {
  FDefaultCaptionHeight = value;
  Repaint();
  Realign();
}

void TspSkinExPanel::SetShowRollButton(bool value) {
  FShowRollButton = value;
  Repaint();
}

void TspSkinExPanel::SetShowCloseButton(bool value) {
  FShowCloseButton = value;
  Repaint();
}

void TspSkinExPanel::Close() {
  Hide();
  if (OnClose) OnClose(this);
}

void TspSkinExPanel::SetRollState(bool value) {
  if (FRollState == value) return;
  FRollState = value;
  FStopCheckSize = true;
  if (value) {
    FShownChildren.clear();
    for (int i = 0; i < ControlCount(); ++i)
      if (Controls(i)->Visible()) FShownChildren.push_back(Controls(i));
    for (TControl* c : FShownChildren) c->SetVisible(false);
    DisableAlign();
    if (FRollKind == rkRollVertical) {
      if (FRealHeight == 0) FRealHeight = Height();
      SetBounds(Left(), Top(), Width(), FDefaultCaptionHeight);
    } else {
      FRealWidth = Width();
      SetBounds(Left(), Top(), FDefaultCaptionHeight, Height());
    }
  } else {
    if (FRollKind == rkRollVertical) {
      SetBounds(Left(), Top(), Width(), FRealHeight);
      FRealHeight = 0;
    } else {
      SetBounds(Left(), Top(), FRealWidth, Height());
      FRealWidth = 0;
    }
    // Children hidden before the roll stay hidden.
    for (TControl* c : FShownChildren)
      for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i) == c) c->SetVisible(true);
    FShownChildren.clear();
    EnableAlign();
  }
  FStopCheckSize = false;
  Repaint();
  if (OnChangeRollState) OnChangeRollState(this);
}

void TspSkinExPanel::SetBounds(int left, int top, int width, int height) {
  if (FRollState && !FStopCheckSize) {
    if (FRollKind == rkRollHorizontal)
      width = Width();
    else
      height = Height();
  }
  Base::SetBounds(left, top, width, height);
}

void TspSkinExPanel::AdjustClientRect(RECT& r) {
  Base::AdjustClientRect(r);
  r.top += FDefaultCaptionHeight;
  InflateRect(&r, -1, 0);
  r.bottom -= 1;
}

RECT TspSkinExPanel::ButtonRect(int index) const {
  int ch = FDefaultCaptionHeight, s = ch - 6;
  if (FRollState && FRollKind == rkRollHorizontal) {
    RECT close{3, 3, ch - 3, ch - 3};
    if (index == 0) return FShowCloseButton ? close : RECT{};
    if (!FShowRollButton) return RECT{};
    return FShowCloseButton ? RECT{3, close.bottom, ch - 3, close.bottom + s} : close;
  }
  RECT close{Width() - s - 2, 3, Width() - 2, ch - 3};
  if (index == 0) return FShowCloseButton ? close : RECT{};
  if (!FShowRollButton) return RECT{};
  return FShowCloseButton ? RECT{close.left - s, 3, close.left, ch - 3} : close;
}

int TspSkinExPanel::ButtonAt(int x, int y) const {
  for (int i = 0; i < 2; ++i) {
    RECT r = ButtonRect(i);
    if (!IsEmptyRECT(r) && x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
  }
  return -1;
}

void TspSkinExPanel::PaintDefaultImage(TspPaintBuffer& b) {
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
           face = GetSysColor(COLOR_BTNFACE);
  int w = Width(), h = Height(), ch = FDefaultCaptionHeight;
  b.Fill(b.ClientRect(), face);
  bool sideways = FRollState && FRollKind == rkRollHorizontal;
  RECT bar = sideways ? b.ClientRect() : RECT{0, 0, w, ch};
  b.Frame(b.ClientRect(), shadow);
  b.Frame(bar, shadow);
  b.Fill(RECT{bar.left + 1, bar.top + 1, bar.right - 1, bar.top + 2}, light);
  b.Fill(RECT{bar.left + 1, bar.top + 1, bar.left + 2, bar.bottom - 1}, light);
  for (int i = 0; i < 2; ++i) {
    RECT r = ButtonRect(i);
    if (IsEmptyRECT(r)) continue;
    DrawDefaultFace(b, r, FPressed == i ? fsDownFace : fsNormalFace);
    if (i == 0) {
      HDC dc = b.DC();
      HPEN pen = CreatePen(PS_SOLID, 1, 0);
      HGDIOBJ old = SelectObject(dc, pen);
      MoveToEx(dc, r.left + 3, r.top + 3, nullptr);
      LineTo(dc, r.right - 3, r.bottom - 3);
      MoveToEx(dc, r.right - 4, r.top + 3, nullptr);
      LineTo(dc, r.left + 2, r.bottom - 3);
      SelectObject(dc, old);
      DeleteObject(pen);
    } else {
      TspArrowDirection d = FRollKind == rkRollHorizontal ? (FRollState ? adRight : adLeft)
                                                          : (FRollState ? adDown : adUp);
      DrawArrowGlyph(b.DC(), r, d, 0);
    }
  }
  if (sideways) {
    RECT t{0, ch, w, h - 2};
    b.Text(Caption(), t, FDefaultFont, FDefaultFont.Color, DT_SINGLELINE | DT_NOPREFIX | DT_BOTTOM | DT_CENTER, 900);
  } else {
    int right = w - 2;
    for (int i = 0; i < 2; ++i) {
      RECT r = ButtonRect(i);
      if (!IsEmptyRECT(r)) right = std::min<int>(right, r.left - 2);
    }
    b.Text(Caption(), RECT{2 + Spacing, 0, right, ch}, FDefaultFont, FDefaultFont.Color,
           DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void TspSkinExPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FPressed = ButtonAt(x, y);
  if (FPressed != -1) Repaint();
  Base::MouseDown(button, shift, x, y);
}

void TspSkinExPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  int pressed = FPressed;
  FPressed = -1;
  Base::MouseUp(button, shift, x, y);
  // Acts only when released over the button that was pressed.
  if (pressed != -1 && ButtonAt(x, y) == pressed) {
    if (pressed == 0)
      Close();
    else
      SetRollState(!FRollState);
  } else if (pressed != -1) {
    Repaint();
  }
}

void TspSkinExPanel::WndProc(TMessage& m) {
  Base::WndProc(m);
  if (m.Msg == CM_TEXTCHANGED) Repaint();
}
