#include "skin/controls/SkinToolBar.h"

#include <windowsx.h>

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinSplitter.h"

TspSkinToolBar::TspSkinToolBar(TComponent* owner) : Base(owner) {
  FSkinDataName = "toolpanel";
  SetBorderStyle(bvNone);
  SetBounds(Left(), Top(), Width(), 25);
}

void TspSkinToolBar::SetCanScroll(bool value) {
  FCanScroll = value;
  CheckScroll();
}

void TspSkinToolBar::SetFlat(bool value) {
  FFlat = value;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TspSkinSpeedButton*>(Controls(i))) b->SetFlat(value);
}

void TspSkinToolBar::SetSkinData(TspSkinData* value) {
  Base::SetSkinData(value);
  for (int i = 0; i < ControlCount(); ++i) {
    if (auto* b = dynamic_cast<TspSkinSpeedButton*>(Controls(i))) b->SetSkinData(value);
    if (auto* b = dynamic_cast<TspSkinBevel*>(Controls(i))) b->SetSkinData(value);
  }
}

void TspSkinToolBar::AdjustControlsTop() {
  RECT r;
  GetSkinClientRect(r);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() != alNone) continue;
    int top = r.top + (r.bottom - r.top) / 2 - c->Height() / 2;
    if (top != c->Top()) c->SetBounds(c->Left(), top, c->Width(), c->Height());
  }
}

void TspSkinToolBar::SetBounds(int left, int top, int width, int height) {
  Base::SetBounds(left, top, width, height);
  if (AdjustControls) AdjustControlsTop();
  if (FCanScroll) CheckScroll();
}

void TspSkinToolBar::AdjustClientRect(RECT& r) {
  Base::AdjustClientRect(r);
  if (FButtonsShown && FCanScroll) {
    RECT c = ClientRect();
    r.left = -SPosition;
    r.right = r.left + std::max<int>(SMax, c.right);
  }
}

void TspSkinToolBar::ScrollControls(int d) {
  if (d == 0) return;
  DisableAlign();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() - d, c->Top(), c->Width(), c->Height());
  }
  EnableAlign();
  Invalidate();
}

void TspSkinToolBar::SetScrollButtons(bool shown) {
  if (FButtonsShown == shown) return;
  FButtonsShown = shown;
  FPressed = -1;
  // The non-client area changes: the window recomputes it.
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TspSkinToolBar::CheckScroll() {
  if (FInCheck) return;
  FInCheck = true;
  int a = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Visible()) a = std::max(a, c->Left() + c->Width());
  }
  if (!FCanScroll || a == 0) {
    if (SPosition) ScrollControls(-SPosition);
    SMax = SPosition = SPage = SOldPosition = 0;
    SetScrollButtons(false);
    FInCheck = false;
    return;
  }
  int cw = ClientRect().right;
  int e = SPosition + a;
  if (cw >= e) {
    if (SPosition) ScrollControls(-SPosition);
    SMax = SPosition = SPage = SOldPosition = 0;
    SetScrollButtons(false);
  } else {
    SetScrollButtons(true);
    cw = ClientRect().right;
    SMax = e - 1;
    SPage = cw;
    // Grown or shrunk while scrolled: pull the content back so no gap shows.
    int maxPos = std::max(0, SMax - SPage + 1);
    if (SPosition > maxPos) {
      ScrollControls(maxPos - SPosition);
      SPosition = maxPos;
    }
    SOldPosition = SPosition;
  }
  FInCheck = false;
}

void TspSkinToolBar::ScrollStep(bool right) {
  int step = FScrollOffset ? FScrollOffset : ClientRect().right;
  if (right)
    SPosition = std::max(0, std::min(SPosition + step, SMax - SPage + 1));
  else
    SPosition = std::max(SPosition - step, 0);
  if (SPosition == SOldPosition) return;
  ScrollControls(SPosition - SOldPosition);
  SOldPosition = SPosition;
  CheckScroll();
}

void TspSkinToolBar::DrawScrollButton(HDC dc, int index) {
  int h = Height();
  RECT r = index == 0 ? RECT{0, 0, kButtonWidth, h} : RECT{Width() - kButtonWidth, 0, Width(), h};
  TspPaintBuffer b(kButtonWidth, std::max(1, h));
  RECT face = DrawDefaultFace(b, b.ClientRect(), FPressed == index ? fsDownFace : fsNormalFace);
  (void)face;
  DrawArrowGlyph(b.DC(), b.ClientRect(), index == 0 ? adLeft : adRight, GetSysColor(COLOR_BTNTEXT));
  b.DrawTo(dc, r.left, r.top);
}

void TspSkinToolBar::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_WINDOWPOSCHANGING:
      Base::WndProc(m);
      if (AdjustControls) AdjustControlsTop();
      return;
    case WM_NCCALCSIZE: {
      // No frame of its own: only the scroll buttons take room.
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      if (FCanScroll && FButtonsShown) {
        r->left += kButtonWidth;
        r->right -= kButtonWidth;
      }
      m.Result = 0;
      return;
    }
    case WM_NCPAINT:
      if (FCanScroll && FButtonsShown) {
        HDC dc = GetWindowDC(Handle());
        DrawScrollButton(dc, 0);
        DrawScrollButton(dc, 1);
        ReleaseDC(Handle(), dc);
        m.Result = 0;
        return;
      }
      break;
    case WM_NCHITTEST:
      if (FCanScroll && FButtonsShown) {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ::ScreenToClient(Handle(), &p);
        if (p.x < 0) {
          m.Result = HTSCROLLLEFT;
          return;
        }
        if (p.x >= ClientRect().right) {
          m.Result = HTSCROLLRIGHT;
          return;
        }
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTSCROLLLEFT || LOWORD(m.LParam) == HTSCROLLRIGHT) {
        ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
        m.Result = TRUE;
        return;
      }
      break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (m.WParam == HTSCROLLLEFT || m.WParam == HTSCROLLRIGHT) {
        FPressed = m.WParam == HTSCROLLLEFT ? 0 : 1;
        SendMessageW(Handle(), WM_NCPAINT, 1, 0);
        m.Result = 0;
        return;
      }
      break;
    case WM_NCLBUTTONUP:
      if (m.WParam == HTSCROLLLEFT || m.WParam == HTSCROLLRIGHT) {
        // A click scrolls once, on release.
        FPressed = -1;
        SendMessageW(Handle(), WM_NCPAINT, 1, 0);
        ScrollStep(m.WParam == HTSCROLLRIGHT);
        m.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  Base::WndProc(m);
}
