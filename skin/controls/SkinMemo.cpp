#include "skin/controls/SkinMemo.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/controls/SkinDraw.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"

TspSkinMemo::TspSkinMemo(TComponent* owner) : TspSkinEditLook(owner, "memo") {
  FScrollBars = ssBoth;
  FMemoColor = GetSysColor(COLOR_WINDOW);
}

void TspSkinMemo::CreateParams(TCreateParams& p) {
  TMemo::CreateParams(p);
  p.WinClassName = u"TspSkinMemo";
  p.Style &= ~WS_BORDER;
  p.ExStyle &= ~(WS_EX_CLIENTEDGE | WS_EX_TRANSPARENT);
  p.Style |= ES_MULTILINE;
}

void TspSkinMemo::CreateWindowHandle(const TCreateParams& params) {
  TMemo::CreateWindowHandle(params);
  AdjustTextArea();
  UpDateScrollRange();
}

void TspSkinMemo::GetSkinData() {
  auto* e = ReadEditElement<TspDataSkinMemoControl>();
  if (!e) return;
  LTPoint = POINT{e->LTPoint.X, e->LTPoint.Y};
  RTPoint = POINT{e->RTPoint.X, e->RTPoint.Y};
  LBPoint = POINT{e->LBPoint.X, e->LBPoint.Y};
  RBPoint = POINT{e->RBPoint.X, e->RBPoint.Y};
  BGColor = static_cast<COLORREF>(e->BGColor) & 0xFFFFFF;
  ActiveBGColor = static_cast<COLORREF>(e->ActiveBGColor) & 0xFFFFFF;
}

void TspSkinMemo::SetStateFontColor() {
  if (!Enabled()) {
    // The disabled colour is the edit element's.
    FTextColor = GetSysColor(COLOR_GRAYTEXT);
    int i = FSD && FIndex != -1 ? FSD->GetControlIndex("edit") : -1;
    if (i >= 0)
      if (auto* e = dynamic_cast<TspDataSkinEditControl*>(FSD->CtrlList[static_cast<size_t>(i)].get()))
        FTextColor = static_cast<COLORREF>(e->DisabledFontColor) & 0xFFFFFF;
    return;
  }
  if (FIndex == -1) {
    FTextColor = FDefaultFont.Color;
    FMemoColor = GetSysColor(COLOR_WINDOW);
    return;
  }
  bool hot = FMouseIn || Focused();
  if (UseSkinFontColor || (Focused() && !FMouseIn))
    FTextColor = hot ? ActiveFontColor : FontColor;
  else
    FTextColor = FDefaultFont.Color;
  FMemoColor = hot ? ActiveBGColor : BGColor;
}

void TspSkinMemo::ChangeSkinData() {
  GetSkinData();
  if (FIndex == -1) {
    FDefaultFont.AssignTo(&FFont);
  } else {
    TspFontDesc f = UseSkinFont ? SkinFont : FDefaultFont;
    f.AssignTo(&FFont);
    FMemoColor = BGColor;
  }
  ApplySkinCharset();
  UpDateScrollRange();
  SetStateFontColor();
  AdjustTextArea();
  Invalidate();
}

void TspSkinMemo::SetBitMapBG(bool value) {
  FBitMapBG = value;
  RecreateWnd();
}

void TspSkinMemo::SetTransparent(bool value) {
  if (AssignChanged(FAlphaBlend, value)) Invalidate();
}

void TspSkinMemo::SetAlphaBlendValue(int value) {
  if (AssignChanged(FAlphaBlendValue, std::max(0, std::min(255, value))) && FAlphaBlend) Invalidate();
}

void TspSkinMemo::LinkBar(TspSkinScrollBar* bar, bool vertical) {
  if (!bar) return;
  bar->SetRange(0, 0, 0, 0);
  bar->OnChange = [this, bar, vertical](TObject*) {
    if (HWND h = HandleIfAllocated())
      SendMessageW(h, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, bar->Position()), 0);
    Invalidate();
  };
}

void TspSkinMemo::SetVScrollBar(TspSkinScrollBar* value) {
  FVScrollBar.Set(value);
  LinkBar(value, true);
  UpDateScrollRange();
}

void TspSkinMemo::SetHScrollBar(TspSkinScrollBar* value) {
  FHScrollBar.Set(value);
  LinkBar(value, false);
  UpDateScrollRange();
}

void TspSkinMemo::UpDateScrollRange() {
  HWND h = HandleIfAllocated();
  auto update = [&](TspSkinScrollBar* bar, int kind, bool horizontal) {
    if (!bar) return;
    if (!Enabled()) {
      bar->SetEnabled(false);
      return;
    }
    SCROLLINFO si{sizeof(si), SIF_ALL};
    bool have = h && GetScrollInfo(h, kind, &si);
    int page = static_cast<int>(si.nPage);
    bool needed = have && (horizontal ? page < si.nMax : page < si.nMax + 1);
    if (needed) {
      bar->SetRange(0, si.nMax, si.nPos, page);
      bar->SetEnabled(true);
    } else {
      bar->SetRange(0, 0, 0, 0);
      bar->SetEnabled(false);
    }
  };
  update(FVScrollBar, SB_VERT, false);
  update(FHScrollBar, SB_HORZ, true);
}

void TspSkinMemo::AdjustTextArea() {
  HWND h = HandleIfAllocated();
  if (!h || !FBorder) return;
  RECT r;
  GetClientRect(h, &r);
  if (FIndex == -1) {
    r.left += FBitMapBG ? 3 : 6;
    r.top += 2;
    r.right -= 4;
    r.bottom -= 2;
  } else {
    if (FBitMapBG) {
      r.left += ClRect.left + 1;
      r.top += ClRect.top + 1;
    } else {
      r.left += ClRect.left + 3;
      r.top += ClRect.top + 2;
    }
    r.right -= SkinWidth() - ClRect.right + 3;
    r.bottom -= SkinHeight() - ClRect.bottom + 2;
  }
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  FTextArea = r;
  SendMessageW(h, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TspSkinMemo::DrawBackground(HDC dc) {
  int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  GetSkinData();
  TspPaintBuffer b(w, h);
  bool hot = FMouseIn || Focused();
  if (FIndex == -1 || !Picture) {
    b.Fill(b.ClientRect(), FBitMapBG ? GetSysColor(COLOR_WINDOW) : FMemoColor);
    if (FBorder) {
      RECT r = b.ClientRect();
      b.Frame(r, GetSysColor(COLOR_BTNSHADOW));
      InflateRect(&r, -1, -1);
      b.Frame(r, GetSysColor(COLOR_BTNFACE));
    }
  } else {
    // The element over the whole control; without a picture background the
    // inside takes the memo colour.
    RECT src = hot ? ActiveSkinRect : SkinRect;
    int dx = w - SkinWidth(), dy = h - SkinHeight();
    TspNinePartSpec n = NinePartGrown(src, LTPoint, RTPoint, LBPoint, RBPoint, ClRect, dx, dy, StretchEffect);
    DrawNinePart(b, ImageSourceOf(Picture), n);
    if (!FBitMapBG)
      b.Fill(RECT{ClRect.left, ClRect.top, w - (SkinWidth() - ClRect.right), h - (SkinHeight() - ClRect.bottom)},
             FMemoColor);
  }
  if (FAlphaBlend && Parent()) {
    TspPaintBuffer under(w, h);
    Parent()->PaintBackground(under.DC(), this);
    b.BlendOver(under, FAlphaBlendValue);
  }
  b.DrawTo(dc, 0, 0);
}

void TspSkinMemo::PaintClient(HDC dc) {
  HWND h = HandleIfAllocated();
  if (!h) return;
  TspPaintBuffer b(std::max(1, Width()), std::max(1, Height()));
  DrawBackground(b.DC());
  if (Enabled()) {
    if (FDefWndProc) CallWindowProcW(FDefWndProc, h, WM_PAINT, reinterpret_cast<WPARAM>(b.DC()), 0);
  } else {
    // A disabled window greys its text its own way: the memo draws the
    // visible lines in the disabled colour.
    TspFontDesc f = (FIndex != -1 && UseSkinFont) ? SkinFont : FDefaultFont;
    HFONT font = f.Create();
    HGDIOBJ old = SelectObject(b.DC(), font);
    SIZE wq{};
    GetTextExtentPoint32W(b.DC(), W(u"Wq"), 2, &wq);
    SelectObject(b.DC(), old);
    DeleteObject(font);
    int lineHeight = wq.cy;
    int n = lineHeight > 0 ? (Height() / lineHeight) : 1;
    int first = FirstVisibleLine();
    int count = Lines()->Count();
    RECT r = FTextArea;
    for (int i = 0; i < n - 1 && first + i < count; ++i) {
      b.Text(Lines()->Get(first + i), r, f, FTextColor, DT_SINGLELINE | DT_NOPREFIX | AlignmentTextFormat(FAlignment));
      OffsetRect(&r, 0, lineHeight);
    }
  }
  b.DrawTo(dc, 0, 0);
}

void TspSkinMemo::Invalidate() {
  if (HWND h = HandleIfAllocated()) InvalidateRect(h, nullptr, FALSE);
}

void TspSkinMemo::Change() {
  TMemo::Change();
  UpDateScrollRange();
}

TspEditMenuItems TspSkinMemo::CreateSysPopupMenuItems() {
  std::string sel = SelText();
  std::string all = Text();
  return BuildEditMenuItems(
      FSD, CanUndo(), SelLength() > 0, FReadOnly, ClipboardHasText(), sel == all, [this] { Undo(); },
      [this] { CutToClipboard(); }, [this] { CopyToClipboard(); }, [this] { PasteFromClipboard(); },
      [this] { ClearSelection(); }, [this] { SelectAll(); });
}

void TspSkinMemo::WndProc(TMessage& m) {
  if (FReadOnly && ReadOnlyRefuses(m)) return;
  // The system bars get no room; the memo paints all of its window itself.
  if (AnswerFramelessNonClient(m) || AnswerPaintMessage(m)) return;
  HWND h = HandleIfAllocated();
  bool rangeAfter = false;
  switch (m.Msg) {
    case WM_NCPAINT:
      if (FBitMapBG) Invalidate();
      m.Result = 0;
      return;
    case SP_PAINTCOPY:
      if (m.WParam) DrawBackground(reinterpret_cast<HDC>(m.WParam));
      m.Result = SP_PAINTCOPY_RESULT;
      return;
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case WM_SETTEXT:
    case WM_VSCROLL:
    case WM_HSCROLL:
      rangeAfter = true;
      break;
    case WM_SIZE:
      TMemo::WndProc(m);
      AdjustTextArea();
      UpDateScrollRange();
      return;
    case WM_MOUSEWHEEL:
      // One line per notch, whatever the system's wheel setting.
      if (h) SendMessageW(h, WM_VSCROLL, GET_WHEEL_DELTA_WPARAM(m.WParam) <= 0 ? SB_LINEDOWN : SB_LINEUP, 0);
      Invalidate();
      m.Result = 0;
      return;
    case WM_LBUTTONDOWN:
      FDown = true;
      break;
    case WM_LBUTTONUP:
      TMemo::WndProc(m);
      if (FDown) UpDateScrollRange();
      FDown = false;
      return;
    case WM_MOUSEMOVE:
      rangeAfter = FDown;
      break;
    case WM_CONTEXTMENU: {
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (p.x < 0 || p.y < 0) p = ClientToScreen(POINT{Width() / 2, Height() / 2});
      TspEditMenuItems items = CreateSysPopupMenuItems();
      EditMenuPopupHandler()(this, items, p);
      m.Result = 0;
      return;
    }
    case SP_AFTERDISPATCH:
      return;
    case CM_ENABLEDCHANGED:
      if (h) SendMessageW(h, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
      TMemo::WndProc(m);
      SetStateFontColor();
      UpDateScrollRange();
      Invalidate();
      return;
    case CM_MOUSEENTER:
      TMemo::WndProc(m);
      if (reinterpret_cast<TControl*>(m.LParam) == this && FIndex != -1) {
        FMouseIn = true;
        if (!Focused()) SetStateFontColor();
        Invalidate();
      }
      return;
    case CM_MOUSELEAVE:
      TMemo::WndProc(m);
      if (reinterpret_cast<TControl*>(m.LParam) == this) {
        FMouseIn = false;
        if (!Focused()) SetStateFontColor();
        Invalidate();
      }
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TMemo::WndProc(m);
      SetStateFontColor();
      Invalidate();
      return;
    default:
      break;
  }
  TMemo::WndProc(m);
  if (rangeAfter) {
    UpDateScrollRange();
    if (FBitMapBG) Invalidate();
  }
}
