#include "skin/controls/SkinToolBar.h"

#include <windowsx.h>

#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinSplitter.h"

TspSkinToolBar::TspSkinToolBar(TComponent* owner) : Base(owner) {
  FSkinDataName = "toolpanel";
  SetBorderStyle(bvNone);
  FForceBackground = false;
  SetBounds(Left(), Top(), Width(), 25);
}

TspSkinToolBar::~TspSkinToolBar() {
  FScrollTimer.Stop();
  FLeaveTimer.Stop();
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

void TspSkinToolBar::SetImages(TCustomImageList* value) {
  FImages.Set(value);
  RepaintButtons();
}

void TspSkinToolBar::SetHotImages(TCustomImageList* value) { FHotImages.Set(value); }

void TspSkinToolBar::SetDisabledImages(TCustomImageList* value) { FDisabledImages.Set(value); }

void TspSkinToolBar::RepaintButtons() {
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TspSkinSpeedButton*>(Controls(i))) b->Repaint();
}

void TspSkinToolBar::Notification(TComponent* component, TOperation operation) {
  Base::Notification(component, operation);
  if (operation == opRemove && component == FImages) {
    // The buttons draw from the list: they repaint once it is let go.
    FImages.Set(nullptr);
    RepaintButtons();
  }
}

void TspSkinToolBar::SetShowCaptions(bool value) {
  if (FShowCaptions == value) return;
  FShowCaptions = value;
  if (AutoShowHideCaptions)
    for (int i = 0; i < ControlCount(); ++i)
      if (auto* b = dynamic_cast<TspSkinSpeedButton*>(Controls(i))) b->SetShowCaption(value);
  if (WidthWithCaptions != 0 && WidthWithoutCaptions != 0)
    SetBounds(Left(), Top(), value ? WidthWithCaptions : WidthWithoutCaptions, Height());
}

void TspSkinToolBar::SetSkinData(TspSkinData* value) {
  Base::SetSkinData(value);
  for (int i = 0; i < ControlCount(); ++i) {
    if (auto* b = dynamic_cast<TspSkinSpeedButton*>(Controls(i))) b->SetSkinData(value);
    if (auto* b = dynamic_cast<TspSkinBevel*>(Controls(i))) b->SetSkinData(value);
  }
}

void TspSkinToolBar::GetSkinData() {
  Base::GetSkinData();
  FButtonData = nullptr;
  if (FIndex == -1) return;
  int i = FSD->GetControlIndex("resizebutton");
  if (i >= 0 && i < static_cast<int>(FSD->CtrlList.size()))
    FButtonData = dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[i].get());
}

bool SkinToolBarCentredTop(TWinControl* parent, int height, int& top) {
  auto* bar = dynamic_cast<TspSkinToolBar*>(parent);
  if (!bar || !bar->AdjustControls) return false;
  RECT r;
  bar->GetSkinClientRect(r);
  top = r.top + (r.bottom - r.top) / 2 - height / 2;
  return true;
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
  int oldWidth = Width();
  Base::SetBounds(left, top, width, height);
  if (AdjustControls) {
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      c->SetBounds(c->Left(), c->Top(), c->Width(), c->Height());
    }
    AdjustControlsTop();
  }
  if (FCanScroll) {
    FHSizeOffset = oldWidth != 0 && Width() > oldWidth ? Width() - oldWidth : 0;
    CheckScroll();
  }
}

void TspSkinToolBar::AdjustClientRect(RECT& r) {
  Base::AdjustClientRect(r);
  if (!(FButtons[0].Shown && FCanScroll)) return;
  RECT c = ClientRect();
  int top = r.top, bottom = r.bottom;
  if (FIndex == -1) {
    top = 1;
    bottom = c.bottom - 1;
  } else if (!(BorderStyle() == bvNone && Geometry.ResizeMode == 1)) {
    top = Geometry.NewClRect.top;
    bottom = Geometry.NewClRect.bottom;
  }
  r = RECT{-SPosition, top, -SPosition + std::max<int>(SMax, c.right), bottom};
}

void TspSkinToolBar::PaintSkinImage(TspPaintBuffer& b) {
  const TspSkinGeometry& g = Geometry;
  if (FButtons[0].Shown && g.ResizeMode == 2 && Picture) {
    // The end pieces belong to the bar's ends, which the scroll buttons
    // cover now: only the middle of the strip fills the client area.
    RECT middle{g.SkinRect.left + g.LTPt.x, g.SkinRect.top, g.SkinRect.left + g.RTPt.x, g.SkinRect.bottom};
    if (!IsEmptyRECT(middle)) {
      DrawHorzThreePart(b, ImageSourceOf(Picture), middle, 0, 0, g.StretchEffect);
      PaintPanelContent(b);
      return;
    }
  }
  Base::PaintSkinImage(b);
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
  if (FButtons[0].Shown == shown) return;
  for (ScrollButton& b : FButtons) {
    b.Shown = shown;
    b.MouseIn = b.Down = false;
  }
  StopTimer();
  // A focused button of ours keeps the focus across the frame change.
  TWinControl* focused = nullptr;
  if (TCustomForm* form = GetParentForm()) {
    TWinControl* a = form->ActiveControl();
    if (a && a != this && ContainsControl(a)) focused = a;
  }
  FMouseIn = false;
  FLeaveTimer.Stop();
  // The non-client area changes: the window recomputes it.
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (focused && focused->Visible() && !focused->Focused() && focused->CanFocus()) focused->SetFocus();
}

void TspSkinToolBar::CheckScroll() {
  if (FInCheck) return;
  FInCheck = true;
  int a = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Visible()) a = std::max(a, c->Left() + c->Width());
  }
  if (a == 0) {
    SetScrollButtons(false);
    FInCheck = false;
    return;
  }
  int cw = ClientRect().right;
  int e = SPosition + a;
  if (cw >= e || !FCanScroll) {
    if (SPosition) ScrollControls(-SPosition);
    FHSizeOffset = SMax = SPosition = SPage = SOldPosition = 0;
    SetScrollButtons(false);
  } else {
    SetScrollButtons(true);
    cw = ClientRect().right;
    if (SPosition > 0 && cw > a && FHSizeOffset > 0) {
      // Grown while scrolled: the content follows the growth back.
      FHSizeOffset = std::min(FHSizeOffset, SPosition);
      SMax = e - 1;
      ScrollControls(-FHSizeOffset);
      SPosition -= FHSizeOffset;
      SPage = cw;
    } else if (FHSizeOffset == 0 && e - 1 < SMax && SPosition > 0 && cw > a) {
      // The content shrank while scrolled: close the gap at the right.
      SMax = e - 1;
      int gap = std::min(cw - a, SPosition);
      ScrollControls(-gap);
      SPosition -= gap;
      FHSizeOffset = 0;
    } else {
      SMax = e - 1;
      SPage = cw;
      FHSizeOffset = 0;
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
  if (SPosition == SOldPosition) {
    StopTimer();
    return;
  }
  ScrollControls(SPosition - SOldPosition);
  SOldPosition = SPosition;
  CheckScroll();
}

void TspSkinToolBar::StartScrollTimer(int mode) {
  FTimerMode = mode;
  FScrollTimer.Start(static_cast<unsigned>(FScrollTimerInterval), [this] {
    if (FTimerMode == 1 || FTimerMode == 2) ScrollStep(FTimerMode == 2);
  });
}

void TspSkinToolBar::StopTimer() {
  FScrollTimer.Stop();
  FTimerMode = 0;
}

void TspSkinToolBar::MouseLeaveNC() {
  FMouseIn = false;
  LeaveScrollButtons();
}

void TspSkinToolBar::LeaveScrollButtons() {
  bool lit = false;
  for (ScrollButton& b : FButtons)
    if (b.MouseIn) {
      b.MouseIn = false;
      lit = true;
    }
  if (FTimerMode != 0) StopTimer();
  if (lit) RepaintNC();
}

void TspSkinToolBar::CheckMouseLeave() {
  POINT p;
  GetCursorPos(&p);
  if (HandleAllocated() && WindowFromPoint(p) == HandleIfAllocated()) return;
  FLeaveTimer.Stop();
  MouseLeaveNC();
}

void TspSkinToolBar::RepaintNC() {
  if (HandleAllocated()) SendMessageW(HandleIfAllocated(), WM_NCPAINT, 1, 0);
}

void TspSkinToolBar::DrawScrollButton(HDC dc, int index) {
  const ScrollButton& sb = FButtons[index];
  int w = sb.R.right - sb.R.left, h = sb.R.bottom - sb.R.top;
  if (w <= 0 || h <= 0) return;
  TspPaintBuffer b(w, h);
  bool downLook = (sb.Down && sb.MouseIn) || (sb.MouseIn && HotScroll);
  COLORREF arrow;
  const TspPicture* pic = FButtonData ? SkinPicture(FButtonData->PictureIndex) : nullptr;
  if (FButtonData && pic) {
    const TspDataSkinButtonControl& e = *FButtonData;
    RECT src = ToRECT(e.SkinRect);
    int32_t color = e.FontColor;
    if (downLook && !IsEmptyRECT(ToRECT(e.DownSkinRect))) {
      src = ToRECT(e.DownSkinRect);
      color = e.DownFontColor;
    } else if (sb.MouseIn && !IsEmptyRECT(ToRECT(e.ActiveSkinRect))) {
      src = ToRECT(e.ActiveSkinRect);
      color = e.ActiveFontColor;
    }
    arrow = static_cast<COLORREF>(color) & 0xFFFFFF;
    // The element's corner points moved by the size difference.
    int dx = w - (e.SkinRect.Right - e.SkinRect.Left), dy = h - (e.SkinRect.Bottom - e.SkinRect.Top);
    TspNinePartSpec n = ElementNinePartGrown(e, src, dx, dy);
    SetNinePartStretch(n, e);
    DrawNinePart(b, ImageSourceOf(pic), n);
  } else {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    DrawDefaultFace(b, b.ClientRect(), downLook ? fsDownFace : sb.MouseIn ? fsHotFace : fsNormalFace);
    arrow = GetSysColor(COLOR_BTNTEXT);
  }
  DrawArrowGlyph(b.DC(), b.ClientRect(), index == 0 ? adLeft : adRight, arrow);
  b.DrawTo(dc, sb.R.left, sb.R.top);
}

void TspSkinToolBar::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_WINDOWPOSCHANGING:
      Base::WndProc(m);
      if (AdjustControls && HandleAllocated()) AdjustControlsTop();
      return;
    case WM_SIZE:
      Base::WndProc(m);
      if (FButtons[0].Shown) {
        FButtons[0].R = RECT{0, 0, kButtonWidth, Height()};
        FButtons[1].R = RECT{Width() - kButtonWidth, 0, Width(), Height()};
        RepaintNC();
      }
      return;
    case WM_NCCALCSIZE: {
      GetSkinData();
      // No frame of its own: only the scroll buttons take room.
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      if (FCanScroll && FButtons[0].Shown) r->left += kButtonWidth;
      if (FCanScroll && FButtons[1].Shown) r->right -= kButtonWidth;
      m.Result = 0;
      return;
    }
    case WM_NCPAINT:
      if (FCanScroll && FButtons[0].Shown) {
        FButtons[0].R = RECT{0, 0, kButtonWidth, Height()};
        FButtons[1].R = RECT{Width() - kButtonWidth, 0, Width(), Height()};
        GetSkinData();
        HDC dc = GetWindowDC(Handle());
        DrawScrollButton(dc, 0);
        DrawScrollButton(dc, 1);
        ReleaseDC(Handle(), dc);
        m.Result = 0;
        return;
      }
      break;
    case WM_NCHITTEST:
      if (FCanScroll) {
        if (!FMouseIn) {
          FMouseIn = true;
          if (FButtons[0].Shown) FLeaveTimer.Start(100, [this] { CheckMouseLeave(); });
        }
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ::ScreenToClient(Handle(), &p);
        if (p.x < 0 && FButtons[0].Shown) {
          m.Result = HTSCROLLLEFT;
          return;
        }
        if (p.x >= ClientRect().right && FButtons[1].Shown) {
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
    case WM_NCMOUSEMOVE:
      if (FCanScroll && (m.WParam == HTSCROLLLEFT || m.WParam == HTSCROLLRIGHT)) {
        int i = m.WParam == HTSCROLLLEFT ? 0 : 1;
        if (!FButtons[i].MouseIn) {
          FButtons[i].MouseIn = true;
          FButtons[1 - i].MouseIn = false;
          RepaintNC();
          if (HotScroll) StartScrollTimer(i + 1);
        }
        m.Result = 0;
        return;
      }
      break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (FCanScroll && (m.WParam == HTSCROLLLEFT || m.WParam == HTSCROLLRIGHT)) {
        int i = m.WParam == HTSCROLLLEFT ? 0 : 1;
        FButtons[i].Down = true;
        FButtons[i].MouseIn = true;
        RepaintNC();
        // Held: the timer scrolls; the first step comes with the release.
        StartScrollTimer(i + 1);
        m.Result = 0;
        return;
      }
      break;
    case WM_NCLBUTTONUP:
      if (FCanScroll && (m.WParam == HTSCROLLLEFT || m.WParam == HTSCROLLRIGHT)) {
        int i = m.WParam == HTSCROLLLEFT ? 0 : 1;
        FButtons[i].Down = false;
        RepaintNC();
        StopTimer();
        // A click scrolls once, on release.
        ScrollStep(i == 1);
        m.Result = 0;
        return;
      }
      break;
    case WM_MOUSEMOVE:
      if (FCanScroll) LeaveScrollButtons();
      break;
    case WM_DESTROY:
      FScrollTimer.Stop();
      FLeaveTimer.Stop();
      FTimerMode = 0;
      FMouseIn = false;
      break;
    default:
      break;
  }
  Base::WndProc(m);
}
