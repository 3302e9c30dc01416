#include "skin/controls/SkinPanelKinds.h"

#include <windowsx.h>

TspSkinGroupBox::TspSkinGroupBox(TComponent* owner) : TspSkinPanel(owner) {
  FSkinDataName = "groupbox";
  SetCaptionMode(true);
}

void TspSkinGroupBox::GetSkinData() {
  TspSkinPanel::GetSkinData();
  // A caption below the client part: the whole image is built in one piece.
  FForceBackground = !(FIndex != -1 && FPanelElement && Geometry.ClRect.bottom < FCaptionRect.top);
}

void TspSkinGroupBox::SetUseSkinSize(bool value) {
  FUseSkinSize = value;
  Repaint();
  Realign();
}

TspSkinStatusBar::TspSkinStatusBar(TComponent* owner) : Base(owner) {
  FSkinDataName = "statusbar";
  SetAlign(alBottom);
  SetBounds(Left(), Top(), Width(), 21);
  SetBorderStyle(bvNone);
  FForceBackground = false;
}

void TspSkinStatusBar::SetSizeGrip(bool value) {
  FSizeGrip = value;
  Repaint();
  Realign();
}

void TspSkinStatusBar::SetShowGrip(bool value) {
  FShowGrip = value;
  Repaint();
  Realign();
}

void TspSkinStatusBar::SetSkinData(TspSkinData* value) {
  Base::SetSkinData(value);
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* c = dynamic_cast<TspSkinControlT<TCustomControl>*>(Controls(i))) c->SetSkinData(value);
}

void TspSkinStatusBar::GetSkinData() {
  Base::GetSkinData();
  FGripperRect = RECT{};
  if (FIndex == -1) return;
  if (auto* e = dynamic_cast<TspDataSkinPanelControl*>(Element())) {
    FGripperRect = ToRECT(e->GripperRect);
    FGripperTransparent = e->GripperTransparent;
    FGripperTransparentColor = static_cast<COLORREF>(e->GripperTransparentColor) & 0xFFFFFF;
  }
}

void TspSkinStatusBar::AdjustClientRect(RECT& r) {
  Base::AdjustClientRect(r);
  if (!GripActive()) return;
  if (FIndex == -1 || IsEmptyRECT(FGripperRect))
    r.right -= r.bottom - r.top;
  else
    r.right -= FGripperRect.right - FGripperRect.left;
}

RECT TspSkinStatusBar::GripRect() {
  RECT s;
  GetSkinClientRect(s);
  if (FIndex != -1 && !IsEmptyRECT(FGripperRect)) {
    int gw = FGripperRect.right - FGripperRect.left, gh = FGripperRect.bottom - FGripperRect.top;
    return RECT{s.right, s.bottom - gh, s.right + gw, s.bottom};
  }
  return RECT{s.right + 2, s.top, s.right + (s.bottom - s.top), s.bottom - 2};
}

void TspSkinStatusBar::DrawGripLines(TspPaintBuffer& b, COLORREF dark, COLORREF light) {
  RECT g = GripRect();
  HDC dc = b.DC();
  for (int d = 3; g.left + d + 2 <= g.right; d += 3) {
    DrawSolidLine(dc, g.left + d, g.bottom, g.right, g.top + d, dark);
    DrawSolidLine(dc, g.left + d + 1, g.bottom, g.right, g.top + d + 1, light);
  }
}

void TspSkinStatusBar::PaintDefaultImage(TspPaintBuffer& b) {
  Base::PaintDefaultImage(b);
  if (GripActive()) DrawGripLines(b, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
}

void TspSkinStatusBar::PaintSkinImage(TspPaintBuffer& b) {
  Base::PaintSkinImage(b);
  if (!GripActive()) return;
  if (IsEmptyRECT(FGripperRect) || !Picture) {
    const TspSkinColors& colors = FSD->SkinColors;
    DrawGripLines(b, SkinColorValue(colors.cBtnShadow), SkinColorValue(colors.cBtnHighLight));
    return;
  }
  RECT g = GripRect();
  const TspPicture& p = *Picture;
  for (int y = FGripperRect.top; y < FGripperRect.bottom; ++y)
    for (int x = FGripperRect.left; x < FGripperRect.right; ++x) {
      if (x < 0 || y < 0 || x >= p.Width || y >= p.Height) continue;
      uint32_t v = p.Pixels[size_t(y) * p.Width + x] & 0xFFFFFF;
      COLORREF c = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
      if (FGripperTransparent && c == FGripperTransparentColor) continue;
      int dx = g.left + x - FGripperRect.left, dy = g.top + y - FGripperRect.top;
      b.Fill(RECT{dx, dy, dx + 1, dy + 1}, c);
    }
}

void TspSkinStatusBar::WndProc(TMessage& m) {
  if (GripActive() && (m.Msg == WM_NCHITTEST || m.Msg == WM_NCLBUTTONDOWN)) {
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    ::ScreenToClient(Handle(), &p);
    RECT g = GripRect();
    bool inGrip = p.x >= g.left && p.x <= g.right && p.y >= g.top && p.y <= g.bottom;
    if (m.Msg == WM_NCHITTEST) {
      m.Result = inGrip ? HTBOTTOMRIGHT : HTCLIENT;
      return;
    }
    if (inGrip) {
      // The grip sizes the window it sits in, never the bar itself.
      HWND root = GetAncestor(Handle(), GA_ROOT);
      PostMessageW(root, WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, m.LParam);
      m.Result = 0;
      return;
    }
  }
  Base::WndProc(m);
}
