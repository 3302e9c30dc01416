#include "skin/controls/SkinListBox.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/controls/SkinBoxDraw.h"
#include "skin/data/SPUtils.h"

int SkinTextCharset(TspSkinData* skin) {
  if (skin && skin->ResourceStrData()) return skin->ResourceStrData()->CharSet;
  return DEFAULT_CHARSET;
}

// ---------------------------------------------------------------------------
// TspListBox

TspListBox::TspListBox(TComponent* owner) : TListBox(owner) {
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
  FOwnPaint = true;
  SetStyle(lbOwnerDrawFixed);
}

void TspListBox::CreateParams(TCreateParams& p) {
  TListBox::CreateParams(p);
  p.Style &= ~WS_BORDER;
  p.ExStyle &= ~WS_EX_CLIENTEDGE;
  p.Style |= WS_TABSTOP;
  p.WinClassName = u"TessSkinListBox";
}

void TspListBox::CreateWnd() {
  TListBox::CreateWnd();
  if (SkinListBox) {
    SkinListBox->ListBoxCreateWnd();
    SkinListBox->UpDateScrollBar();
  }
}

void TspListBox::SetBounds(int left, int top, int width, int height) {
  int oldWidth = Width();
  TListBox::SetBounds(left, top, width, height);
  if (width != oldWidth && FHorizontalExtentValue > 0) {
    FHorizontalExtentValue = std::max(0, FHorizontalExtentValue - (oldWidth - width));
    Invalidate();
  }
}

void TspListBox::ItemsChanged() {
  if (SkinListBox) SkinListBox->UpDateScrollBar();
  Invalidate();
}

TOwnerDrawState TspListBox::RowState(int index) const {
  if (index == ItemIndex()) return odSelected | (Focused() ? odFocused : 0u);
  if (MultiSelect() && SelCount() >= 1 && Selected(index)) return odSelected;
  return 0;
}

void TspListBox::PaintWindow(HDC dc) {
  int saved = SaveDC(dc);
  RECT client = ClientRect();
  int h = std::max(1, ItemHeight());
  int count = Items()->Count();
  int top = TopIndex();
  int rows = (client.bottom - client.top) / h;
  int bottom = client.top;
  if (Columns() > 0) {
    int last = std::min(count - 1, top + (rows > 0 ? rows : 1) * Columns());
    for (int i = top; i <= last; ++i) {
      RECT r = ItemRect(i);
      if (IsEmptyRECT(r)) continue;
      if (SkinListBox) SkinListBox->DrawListItem(dc, i, r, RowState(i));
    }
    bottom = count > top ? client.top : client.top;
    if (count <= top && SkinListBox) SkinListBox->DrawListBackground(dc, client);
  } else {
    int last = std::min(count - 1, top + rows);
    for (int i = top; i <= last; ++i) {
      RECT r{client.left, (i - top) * h, client.right, (i - top + 1) * h};
      if (SkinListBox)
        SkinListBox->DrawListItem(dc, i, r, RowState(i));
      else
        TListBox::DrawItem(i, r, RowState(i));
      bottom = r.bottom;
    }
    if (bottom < client.bottom && SkinListBox)
      SkinListBox->DrawListBackground(dc, RECT{client.left, bottom, client.right, client.bottom});
  }
  RestoreDC(dc, saved);
}

void TspListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
  if (SkinListBox) {
    // The system's own redraw of a row: the list's look, not the system's.
    SkinListBox->DrawListItem(Canvas()->Handle(), index, rect, RowState(index) | (state & odFocused));
    return;
  }
  TListBox::DrawItem(index, rect, state);
}

void TspListBox::WndProc(TMessage& m) {
  if (SkinListBox && !SkinListBox->ListBoxWProc(m)) return;
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      // The system's border and scroll bars take no room: skin bars replace them.
      m.Result = 0;
      return;
    case WM_NCPAINT:
      m.Result = 0;
      return;
    case WM_NCHITTEST:
      m.Result = HTCLIENT;
      return;
    case SP_PAINTCOPY:
      m.Result = SP_PAINTCOPY_RESULT;
      return;
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      if (SkinListBox && dc) SkinListBox->DrawListBackground(dc, ClientRect());
      m.Result = 1;
      if (SkinListBox) SkinListBox->UpDateScrollBar();
      return;
    }
    case SP_PAINTCLIENT:
      if (m.LParam == kSkinPaintClientCode) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        if (Items()->Count() == 0 && dc) {
          if (SkinListBox) SkinListBox->DrawListBackground(dc, ClientRect());
          m.Result = kSkinPaintClientCode;
          return;
        }
      }
      break;
    case WM_SETFOCUS:
      if (SkinListBox) SkinListBox->ListBoxEnter();
      TListBox::WndProc(m);
      Invalidate();
      return;
    case WM_KILLFOCUS:
      if (SkinListBox) SkinListBox->ListBoxExit();
      TListBox::WndProc(m);
      Invalidate();
      return;
    case WM_LBUTTONDBLCLK:
      TListBox::WndProc(m);
      if (SkinListBox) SkinListBox->ListBoxDblClick();
      return;
    case WM_MOUSEWHEEL:
      if (SkinListBox && SkinListBox->ScrollBar) {
        SendMessageW(Handle(), WM_VSCROLL, GET_WHEEL_DELTA_WPARAM(m.WParam) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        SkinListBox->UpDateScrollBar();
        Invalidate();
      } else if (SkinListBox && SkinListBox->HScrollBar) {
        TspSkinScrollBar* bar = SkinListBox->HScrollBar;
        int step = bar->SmallChange();
        bar->SetPosition(GET_WHEEL_DELTA_WPARAM(m.WParam) <= 0 ? bar->Position() + step : bar->Position() - step);
      }
      m.Result = 0;
      return;
    case WM_VSCROLL:
    case WM_HSCROLL:
      TListBox::WndProc(m);
      Invalidate();
      return;
    default:
      break;
  }
  TListBox::WndProc(m);
  switch (m.Msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
      if (SkinListBox) SkinListBox->UpDateScrollBar();
      break;
    default:
      break;
  }
}

void TspListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (SkinListBox) SkinListBox->ListBoxMouseDown(button, shift, x, y);
  TListBox::MouseDown(button, shift, x, y);
  Invalidate();
}

void TspListBox::MouseMove(TShiftState shift, int x, int y) {
  if (SkinListBox) SkinListBox->ListBoxMouseMove(shift, x, y);
  TListBox::MouseMove(shift, x, y);
}

void TspListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (SkinListBox) SkinListBox->ListBoxMouseUp(button, shift, x, y);
  TListBox::MouseUp(button, shift, x, y);
}

void TspListBox::KeyDown(WORD& key, TShiftState shift) {
  if (SkinListBox) SkinListBox->ListBoxKeyDown(key, shift);
  if (SkinListBox && SkinListBox->HScrollBar && (key == VK_LEFT || key == VK_RIGHT)) {
    TspSkinScrollBar* bar = SkinListBox->HScrollBar;
    bar->SetPosition(key == VK_LEFT ? bar->Position() - bar->SmallChange() : bar->Position() + bar->SmallChange());
    key = 0;
    return;
  }
  TListBox::KeyDown(key, shift);
}

void TspListBox::KeyUp(WORD& key, TShiftState shift) {
  if (SkinListBox) SkinListBox->ListBoxKeyUp(key, shift);
  TListBox::KeyUp(key, shift);
}

void TspListBox::KeyPress(char16_t& key) {
  if (SkinListBox) SkinListBox->ListBoxKeyPress(key);
  TListBox::KeyPress(key);
}

void TspListBox::Click() {
  if (SkinListBox) SkinListBox->ListBoxClick();
  TListBox::Click();
}

// ---------------------------------------------------------------------------
// TspSkinCustomListBox

TspSkinCustomListBox::TspSkinCustomListBox(TComponent* owner) : Base(owner) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csOpaque | csDoubleClicks | csReplicatable;
  DefaultCaptionFont.Name = "Arial";
  DefaultCaptionFont.Height = 14;
  FDefaultFont.Name = "Arial";
  FDefaultFont.Height = 14;
  FDefaultFont.Color = GetSysColor(COLOR_WINDOWTEXT);
  SetSkinDataName("listbox");
  ListBox.Set(new TspListBox(this));
  ListBox->SkinListBox = this;
  ListBox->SetParent(this);
  ListBox->SetItemHeight(FDefaultItemHeight);
  SetBounds(0, 0, 120, 120);
  CalcListRect();
}

TspSkinCustomListBox::~TspSkinCustomListBox() {
  FTimer.Stop();
  // The children go with the component list; nothing may call back here.
  if (ListBox) ListBox->SkinListBox = nullptr;
}

void TspSkinCustomListBox::CreateParams(TCreateParams& p) {
  Base::CreateParams(p);
  p.Style |= WS_CLIPCHILDREN;
  p.WindowClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
  p.WinClassName = u"TessSkinListBoxFrame";
}

void TspSkinCustomListBox::SetItems(const TStrings* value) {
  ListBox->SetItems(value);
  UpDateScrollBar();
}

void TspSkinCustomListBox::SetTopIndex(int value) {
  ListBox->SetTopIndex(value);
  UpDateScrollBar();
}

void TspSkinCustomListBox::SetSorted(bool value) {
  if (ScrollBar) HideVScrollBar();
  ListBox->SetSorted(value);
  UpDateScrollBar();
}

void TspSkinCustomListBox::SetColumns(int value) {
  ListBox->SetColumns(value);
  UpDateScrollBar();
}

void TspSkinCustomListBox::Clear() {
  ListBox->Clear();
  UpDateScrollBar();
}

void TspSkinCustomListBox::SetRowCount(int value) {
  FRowCount = value;
  if (FRowCount != 0) SetHeight(CalcHeight(FRowCount));
  UpDateScrollBar();
}

void TspSkinCustomListBox::ApplyItemHeight() {
  if (HasElement() && FUseSkinItemHeight && SItemRect.bottom > SItemRect.top)
    ListBox->SetItemHeight(SItemRect.bottom - SItemRect.top);
  else
    ListBox->SetItemHeight(FDefaultItemHeight);
}

void TspSkinCustomListBox::SetDefaultItemHeight(int value) {
  FDefaultItemHeight = value;
  if (!HasElement() || !FUseSkinItemHeight) ListBox->SetItemHeight(value);
}

void TspSkinCustomListBox::SetDefaultCaptionHeight(int value) {
  FDefaultCaptionHeight = value;
  if (!HasElement() && FCaptionMode) {
    CalcListRect();
    Repaint();
  }
}

void TspSkinCustomListBox::SetUseSkinItemHeight(bool value) {
  FUseSkinItemHeight = value;
  ApplyItemHeight();
}

void TspSkinCustomListBox::SetCaptionMode(bool value) {
  FCaptionMode = value;
  if (!HasElement()) {
    CalcListRect();
    Repaint();
  }
}

void TspSkinCustomListBox::SetShowCaptionButtons(bool value) {
  FShowCaptionButtons = value;
  Repaint();
}

void TspSkinCustomListBox::SetHorizontalExtent(bool value) {
  FHorizontalExtent = value;
  UpDateScrollBar();
}

void TspSkinCustomListBox::SetTabWidths(const TStrings* value) {
  FTabWidths.Assign(value);
  if (FTabWidths.Count() > 0) ListBox->Invalidate();
}

void TspSkinCustomListBox::SetImages(TCustomImageList* value) {
  FImages.Set(value);
  ListBox->Invalidate();
}

void TspSkinCustomListBox::SetImageIndex(int value) {
  FImageIndex = value;
  ListBox->Invalidate();
}

void TspSkinCustomListBox::DefaultFontChanged() {
  if (!HasElement()) ListBox->Invalidate();
}

int TspSkinCustomListBox::CalcHeight(int itemsCount) {
  GetSkinData();
  int h;
  if (!HasElement()) {
    h = itemsCount * ItemHeight() + 4;
    if (FCaptionMode) h += FDefaultCaptionHeight;
  } else {
    h = itemsCount * ItemHeight() + Geometry.SkinHeight() - (Geometry.ClRect.bottom - Geometry.ClRect.top);
  }
  if (HScrollBar) h += HScrollBar->Height();
  return h;
}

void TspSkinCustomListBox::GetSkinData() {
  Base::GetSkinData();
  FElement = false;
  if (FIndex == -1) return;
  auto* e = dynamic_cast<TspDataSkinListBox*>(Element());
  if (!e) return;
  FElement = true;
  CopyItemLook(*e);
  // Without a hot picture the normal one stands in.
  if (IsEmptyRECT(ActiveItemRect)) ActiveItemRect = SItemRect;
  CaptionRect = ToRECT(e->CaptionRect);
  CaptionFont = SkinFontDesc(e->CaptionFontName, e->CaptionFontHeight, e->CaptionFontStyle, e->CaptionFontColor);
  UpButtonRect = ToRECT(e->UpButtonRect);
  ActiveUpButtonRect = ToRECT(e->ActiveUpButtonRect);
  DownUpButtonRect = IsEmptyRECT(ToRECT(e->DownUpButtonRect)) ? ActiveUpButtonRect : ToRECT(e->DownUpButtonRect);
  DownButtonRect = ToRECT(e->DownButtonRect);
  ActiveDownButtonRect = ToRECT(e->ActiveDownButtonRect);
  DownDownButtonRect =
      IsEmptyRECT(ToRECT(e->DownDownButtonRect)) ? ActiveDownButtonRect : ToRECT(e->DownDownButtonRect);
  CheckButtonRect = ToRECT(e->CheckButtonRect);
  ActiveCheckButtonRect = ToRECT(e->ActiveCheckButtonRect);
  DownCheckButtonRect =
      IsEmptyRECT(ToRECT(e->DownCheckButtonRect)) ? ActiveCheckButtonRect : ToRECT(e->DownCheckButtonRect);
  VScrollBarName = e->VScrollBarName;
  HScrollBarName = e->HScrollBarName;
  BothScrollBarName = e->BothScrollBarName;
  ButtonsArea = ToRECT(e->ButtonsArea);
  DisabledButtonsRect = ToRECT(e->DisabledButtonsRect);
}

void TspSkinCustomListBox::SetBounds(int left, int top, int width, int height) {
  bool sized = width != Width() || height != Height();
  Base::SetBounds(left, top, width, height);
  if (sized && ListBox) {
    CalcListRect();
    UpDateScrollBar();
    if (!HasElement()) Repaint();
  }
}

void TspSkinCustomListBox::CalcListRect() {
  if (!ListBox || FInLayout) return;
  FInLayout = true;
  GetSkinData();
  int w = Width(), hgt = Height();
  bool skin = HasElement();
  RECT ncl{};
  int c = 1;
  if (!skin) {
    if (FCaptionMode) c = FDefaultCaptionHeight;
  } else {
    int dW = w - Geometry.SkinWidth(), dH = hgt - Geometry.SkinHeight();
    ncl = Geometry.ClRect;
    ncl.right += dW;
    ncl.bottom += dH;
  }
  int h = 0;
  bool multi = ListBox->Columns() > 0;
  if (!multi && HScrollBar && HScrollBar->Visible()) {
    if (!skin) {
      HScrollBar->SetBounds(1, hgt - 20, w - 2, 19);
      h = HScrollBar->Height() - 1;
    } else {
      int bh = HScrollBar->Height();
      HScrollBar->SetBounds(ncl.left, ncl.bottom - bh, ncl.right - ncl.left, bh);
      h = bh;
    }
  }
  if (ScrollBar && ScrollBar->Visible()) {
    if (!skin) {
      if (!multi) {
        ScrollBar->SetBounds(w - 20, c, 19, std::max(0, hgt - c - 1 - h));
        ListRect = RECT{2, c + 1, ScrollBar->Left(), hgt - h - 2};
      } else {
        ScrollBar->SetBounds(1, hgt - 20, w - 2, 19);
        ListRect = RECT{2, c + 1, w - 2, ScrollBar->Top()};
      }
    } else {
      if (!multi) {
        int bw = ScrollBar->Width();
        ScrollBar->SetBounds(ncl.right - bw, ncl.top, bw, std::max(0, int(ncl.bottom - ncl.top) - h));
        ListRect = ncl;
        ListRect.right -= bw;
      } else {
        int bh = ScrollBar->Height();
        ScrollBar->SetBounds(ncl.left, ncl.bottom - bh, ncl.right - ncl.left, bh);
        ListRect = ncl;
        h = bh;
      }
      ListRect.bottom -= h;
    }
  } else {
    ListRect = skin ? ncl : RECT{2, c + 1, w - 2, hgt - 2};
    // The horizontal bar never covers the last row: the list ends above it.
    ListRect.bottom -= h;
  }
  if (ListRect.bottom < ListRect.top) ListRect.bottom = ListRect.top;
  if (ListRect.right < ListRect.left) ListRect.right = ListRect.left;
  ListBox->SetBounds(ListRect.left, ListRect.top, ListRect.right - ListRect.left, ListRect.bottom - ListRect.top);
  FInLayout = false;
}

int TspSkinCustomListBox::GetItemTextWidth(int index, TCanvas* canvas) {
  return canvas->TextWidth(ListBox->Items()->Get(index));
}

void TspSkinCustomListBox::UpDateScrollBar() {
  // The list's own scroll state exists only with its window; the window's
  // creation runs this again.
  if (!ListBox || FInLayout || Destroying() || !ListBox->HandleAllocated()) return;
  bool multi = ListBox->Columns() > 0;
  if (!multi) {
    if (!FHorizontalExtent || FStopUpDateHScrollBar) {
      if (HScrollBar && HScrollBar->Visible()) HideHScrollBar();
    } else {
      // Widths are measured in the font the rows are drawn in.
      TspPaintBuffer probe(1, 1);
      TCanvas* cv = probe.Canvas();
      (HasElement() && UseSkinFont ? SkinFont : FDefaultFont).AssignTo(cv->Font());
      int aMax = 0;
      for (int i = 0; i < ListBox->Items()->Count(); ++i) aMax = std::max(aMax, GetItemTextWidth(i, cv));
      int page = HasElement() ? ListBox->Width() + (ItemTextRect.right - ItemTextRect.left) -
                                    (SItemRect.right - SItemRect.left)
                              : ListBox->Width() - 4;
      if (FImages) page -= FImages->Width() + 4;
      if (page < aMax) {
        int step = std::max(1, cv->TextWidth("0"));
        if (!HScrollBar) CreateHScrollBar();
        HScrollBar->SetRange(0, aMax, HScrollBar->Position(), page);
        HScrollBar->SetSmallChange(step);
        HScrollBar->SetLargeChange(step);
        ListBox->FHorizontalExtentValue = HScrollBar->Position();
      } else if (HScrollBar && HScrollBar->Visible()) {
        HideHScrollBar();
      }
    }
    if (FRowCount < 1 || FRowCount != ListBox->Items()->Count()) {
      HWND h = ListBox->Handle();
      int mn = 0, mx = 0;
      GetScrollRange(h, SB_VERT, &mn, &mx);
      int pos = GetScrollPos(h, SB_VERT);
      int page = ListBox->Height() / std::max(1, ItemHeight());
      if (mn < mx && mx >= pos && page < ListBox->Items()->Count()) {
        if (!ScrollBar) CreateVScrollBar();
        ScrollBar->SetRange(mn, mx, pos, page);
        ScrollBar->SetLargeChange(std::max(1, page));
        return;
      }
    }
  } else {
    HWND h = ListBox->Handle();
    int mn = 0, mx = 0;
    GetScrollRange(h, SB_HORZ, &mn, &mx);
    int pos = GetScrollPos(h, SB_HORZ);
    int rows = ListBox->Height() / std::max(1, ItemHeight());
    if (mn < mx && mx >= pos && mx >= ListBox->Columns() && rows * ListBox->Columns() < ListBox->Items()->Count()) {
      if (!ScrollBar) CreateVScrollBar();
      ScrollBar->SetRange(mn, mx, pos, ListBox->Columns());
      return;
    }
  }
  if (ScrollBar && ScrollBar->Visible()) HideVScrollBar();
}

void TspSkinCustomListBox::CreateVScrollBar() {
  ScrollBar.Set(new TspSkinScrollBar(this));
  ScrollBar->SetVisible(false);
  bool multi = ListBox->Columns() > 0;
  ScrollBar->SetKind(multi ? sbHorizontal : sbVertical);
  ScrollBar->SetBounds(0, 0, 20, 100);
  ScrollBar->SetRange(0, 0, 0, 0);
  ScrollBar->OnChange = [this](TObject*) { VScrollBarChange(); };
  if (HasElement())
    ScrollBar->SetSkinDataName(multi ? HScrollBarName : VScrollBarName);
  else
    ScrollBar->SetSkinDataName("");
  ScrollBar->SetParent(this);
  ScrollBar->SetSkinData(FSD);
  if (HScrollBar) {
    HScrollBar->SetBoth(true);
    if (!HasElement()) {
      HScrollBar->SetSkinDataName("");
      HScrollBar->SetBothMarkerWidth(19);
    } else {
      HScrollBar->BothSkinDataName = BothScrollBarName;
      HScrollBar->SetSkinDataName(BothScrollBarName);
    }
  }
  ScrollBar->SetVisible(true);
  CalcListRect();
  Repaint();
}

void TspSkinCustomListBox::CreateHScrollBar() {
  HScrollBar.Set(new TspSkinScrollBar(this));
  HScrollBar->SetVisible(false);
  HScrollBar->SetKind(sbHorizontal);
  HScrollBar->SetBounds(0, 0, 100, 20);
  HScrollBar->SetRange(0, 0, 0, 0);
  HScrollBar->OnChange = [this](TObject*) { HScrollBarChange(); };
  if (!HasElement()) {
    HScrollBar->SetSkinDataName("");
    if (ScrollBar) {
      HScrollBar->SetBoth(true);
      HScrollBar->SetBothMarkerWidth(19);
    }
  } else if (ScrollBar) {
    HScrollBar->BothSkinDataName = BothScrollBarName;
    HScrollBar->SetSkinDataName(BothScrollBarName);
    HScrollBar->SetBoth(true);
  } else {
    HScrollBar->SetSkinDataName(HScrollBarName);
  }
  HScrollBar->SetParent(this);
  HScrollBar->SetSkinData(FSD);
  HScrollBar->SetVisible(true);
  CalcListRect();
  Repaint();
}

void TspSkinCustomListBox::HideVScrollBar() {
  TspSkinScrollBar* bar = ScrollBar;
  ScrollBar.Set(nullptr);
  bar->SetVisible(false);
  delete bar;
  CalcListRect();
}

void TspSkinCustomListBox::HideHScrollBar() {
  TspSkinScrollBar* bar = HScrollBar;
  HScrollBar.Set(nullptr);
  bar->SetVisible(false);
  delete bar;
  ListBox->FHorizontalExtentValue = 0;
  CalcListRect();
  ListBox->Invalidate();
}

void TspSkinCustomListBox::VScrollBarChange() {
  if (!ScrollBar) return;
  UINT msg = ListBox->Columns() > 0 ? WM_HSCROLL : WM_VSCROLL;
  SendMessageW(ListBox->Handle(), msg, MAKEWPARAM(SB_THUMBPOSITION, ScrollBar->Position()), 0);
}

void TspSkinCustomListBox::HScrollBarChange() {
  if (!HScrollBar) return;
  ListBox->FHorizontalExtentValue = HScrollBar->Position();
  ListBox->Invalidate();
}

// ---- the rows ----

void TspSkinCustomListBox::DrawListBackground(HDC dc, const RECT& r) {
  if (IsEmptyRECT(r)) return;
  GetSkinData();
  if (!HasElement() || !Picture) {
    HBRUSH b = GetSysColorBrush(COLOR_WINDOW);
    FillRect(dc, &r, b);
    return;
  }
  // The client part of the picture, tiled from the area's corner.
  RECT src = Geometry.ClRect;
  OffsetRect(&src, Geometry.SkinRect.left, Geometry.SkinRect.top);
  int tw = src.right - src.left, th = src.bottom - src.top;
  if (tw <= 0 || th <= 0) return;
  int w = r.right - r.left, h = r.bottom - r.top;
  TspPaintBuffer b(w, h);
  TspImageSource pic = ImageSourceOf(Picture);
  for (int y = 0; y < h; y += th)
    for (int x = 0; x < w; x += tw) {
      int cw = std::min(tw, w - x), ch = std::min(th, h - y);
      DrawPiece(b, pic, RECT{src.left, src.top, src.left + cw, src.top + ch}, RECT{x, y, x + cw, y + ch});
    }
  b.DrawTo(dc, r.left, r.top);
}

void TspSkinCustomListBox::DrawListItem(HDC dc, int index, const RECT& r, TOwnerDrawState state) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0 || index < 0 || index >= ListBox->Items()->Count()) return;
  GetSkinData();
  bool selected = (state & odSelected) != 0, focused = (state & odFocused) != 0;
  bool skin = HasElement();
  int itemHeight = (skin && FUseSkinItemHeight && !IsEmptyRECT(SItemRect)) ? SItemRect.bottom - SItemRect.top : h;
  TspPaintBuffer b(w, itemHeight);
  RECT tr;
  TspFontDesc font = FDefaultFont;
  if (!skin) {
    b.Fill(b.ClientRect(), GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    font.Color = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : FDefaultFont.Color;
    tr = RECT{2, 0, w - 2, itemHeight};
  } else {
    if (!Picture) return;
    TspImageSource pic = ImageSourceOf(Picture);
    if (FUseSkinItemHeight) {
      RECT src = selected && focused ? FocusItemRect : selected ? ActiveItemRect : SItemRect;
      bool stretch = (selected || focused) ? Geometry.StretchEffect : false;
      DrawHorzThreePart(b, pic, src, ItemLeftOffset, ItemRightOffset, stretch);
      if (focused && !selected) DrawFocusFrame(b.DC(), b.ClientRect());
      tr = ItemTextRect;
      tr.right += w - (SItemRect.right - SItemRect.left);
    } else {
      RECT src = focused ? FocusItemRect : selected ? ActiveItemRect : SItemRect;
      RECT cl = ItemTextRect;
      InflateRect(&cl, -1, -1);
      DrawStretchedSkinRect(b, pic, src, cl);
      tr = ItemTextRect;
      tr.right += w - (SItemRect.right - SItemRect.left);
      tr.bottom += h - (SItemRect.bottom - SItemRect.top);
    }
    if (UseSkinFont) font = SkinFont;
    font.Color = selected && focused ? FocusFontColor : selected ? ActiveFontColor : FontColor;
  }
  TCanvas* cv = b.Canvas();
  font.AssignTo(cv->Font());
  cv->Brush()->SetStyle(bsClear);
  if (OnDrawItem) {
    OnDrawItem(cv, index, w, itemHeight, tr, state);
  } else {
    if (skin && focused && ShowFocus) DrawFocusFrame(b.DC(), b.ClientRect());
    int offset = 0;
    if (FImages) {
      int ii = FImageIndex >= 0 ? FImageIndex : index;
      if (ii < FImages->Count())
        FImages->Draw(cv, tr.left - ListBox->FHorizontalExtentValue,
                      tr.top + (tr.bottom - tr.top) / 2 - FImages->Height() / 2, ii);
      offset = FImages->Width() + 2;
    }
    const std::string& text = ListBox->Items()->Get(index);
    if (FTabWidths.Count() > 0 && ListBox->Columns() < 1)
      DrawTabbedString(cv, text, &FTabWidths, tr.left + offset + 2 - ListBox->FHorizontalExtentValue, tr);
    else
      DrawTextRectVCenteredAt(cv, text, TRect{tr.left, tr.top, tr.right, tr.bottom},
                              offset - ListBox->FHorizontalExtentValue);
  }
  if (!skin && focused) DrawFocusFrame(b.DC(), b.ClientRect());
  b.DrawTo(dc, r.left, r.top);
}

// ---- the frame ----

void TspSkinCustomListBox::DrawCaption(TspPaintBuffer& b, const RECT& r, int y, const TspFontDesc& font,
                                       int leftPad) {
  std::string text = Caption();
  TCanvas* cv = b.Canvas();
  font.AssignTo(cv->Font());
  cv->Brush()->SetStyle(bsClear);
  int ng = NumGlyphs < 1 ? 1 : NumGlyphs;
  int gw = FGlyph.Empty() ? 0 : FGlyph.Width() / ng + Spacing;
  int contentWidth = cv->TextWidth(text) + gw;
  int x;
  if (Alignment == 1)
    x = r.right - contentWidth - leftPad;
  else if (Alignment == 2)
    x = r.left + leftPad + (r.right - r.left) / 2 - contentWidth / 2;
  else
    x = r.left + leftPad;
  if (!FGlyph.Empty()) {
    int gy = r.top + (r.bottom - r.top) / 2 - FGlyph.Height() / 2 - 1;
    DrawStripFrame(cv, x, gy, &FGlyph, ng, (!Enabled() && ng == 2) ? 2 : 1);
    x += gw;
  }
  cv->TextRect(TRect{r.left, r.top, r.right, r.bottom}, x, y, text);
}

void TspSkinCustomListBox::PaintDefaultImage(TspPaintBuffer& b) {
  Base::PaintDefaultImage(b);
  int w = Width();
  bool buttons = FCaptionMode && FShowCaptionButtons;
  if (buttons) {
    int s = std::min(17, FDefaultCaptionHeight - 3);
    Buttons[0].R = RECT{w - s - 2, 2, w - 2, s + 1};
    Buttons[1].R = RECT{Buttons[0].R.left - s, 2, Buttons[0].R.left, s + 1};
    Buttons[2].R = RECT{Buttons[1].R.left - s, 2, Buttons[1].R.left, s + 1};
  }
  RECT frame{0, FCaptionMode ? FDefaultCaptionHeight : 0, w, Height()};
  b.Frame(frame, GetSysColor(COLOR_BTNSHADOW));
  if (FCaptionMode) {
    int s = std::min(17, FDefaultCaptionHeight - 3);
    RECT cr = buttons ? RECT{3, 2, w - 3 * s - 3, FDefaultCaptionHeight - 2}
                      : RECT{3, 2, w - 2, FDefaultCaptionHeight - 2};
    TspFontDesc f = DefaultCaptionFont;
    if (!Enabled()) f.Color = GetSysColor(COLOR_GRAYTEXT);
    int th = 0;
    {
      TCanvas* cv = b.Canvas();
      f.AssignTo(cv->Font());
      th = cv->TextHeight("Wg");
    }
    DrawCaption(b, cr, (FDefaultCaptionHeight - 2) / 2 - th / 2, f, 0);
    DrawSolidLine(b.DC(), 1, FDefaultCaptionHeight - 1, w - 1, FDefaultCaptionHeight - 1,
                  GetSysColor(COLOR_BTNSHADOW));
    if (buttons)
      for (int i = 0; i < 3; ++i) DrawCaptionButton(b, i);
  }
}

void TspSkinCustomListBox::PaintSkinImage(TspPaintBuffer& b) {
  Base::PaintSkinImage(b);
  if (!HasElement() || !Picture) return;
  const TspSkinGeometry& g = Geometry;
  int dW = Width() - g.SkinWidth(), dH = Height() - g.SkinHeight();
  TspImageSource pic = ImageSourceOf(Picture);
  bool buttons = FShowCaptionButtons;
  if (!buttons && !IsEmptyRECT(UpButtonRect)) {
    if (!IsEmptyRECT(DisabledButtonsRect)) {
      RECT src = DisabledButtonsRect;
      OffsetRect(&src, g.SkinRect.left, g.SkinRect.top);
      RECT dst = ButtonsArea;
      OffsetRect(&dst, dW, 0);
      DrawPiece(b, pic, src, dst);
    }
  }
  NewCaptionRect = CaptionRect;
  if (buttons) {
    if (CaptionRect.right >= g.RTPt.x) NewCaptionRect.right += dW;
    const RECT* rects[3] = {&UpButtonRect, &DownButtonRect, &CheckButtonRect};
    for (int i = 0; i < 3; ++i) {
      RECT r = *rects[i];
      bool down = r.top >= g.LTPt.y && !IsEmptyRECT(r) && r.top > g.LBPt.y;
      if (down) OffsetRect(&r, 0, dH);
      if (r.left >= (down ? g.RBPt.x : g.RTPt.x)) OffsetRect(&r, dW, 0);
      Buttons[i].R = r;
    }
  } else {
    NewCaptionRect.right = Width() - CaptionRect.left;
    for (auto& btn : Buttons) btn.R = RECT{};
  }
  if (!IsEmptyRECT(CaptionRect)) {
    TspFontDesc f = CaptionFont;
    int th;
    {
      TCanvas* cv = b.Canvas();
      f.AssignTo(cv->Font());
      th = cv->TextHeight("Wg");
    }
    DrawCaption(b, NewCaptionRect, NewCaptionRect.top + (NewCaptionRect.bottom - NewCaptionRect.top) / 2 - th / 2, f,
                2);
  }
  if (buttons)
    for (int i = 0; i < 3; ++i) DrawCaptionButton(b, i);
}

void TspSkinCustomListBox::DrawCaptionButton(TspPaintBuffer& b, int i) {
  const TspCBButtonX& btn = Buttons[i];
  if (IsEmptyRECT(btn.R)) return;
  if (!HasElement()) {
    TspFaceState st = btn.Down && btn.MouseIn ? fsDownFace : btn.MouseIn ? fsHotFace : fsNormalFace;
    if (st == fsNormalFace)
      b.Fill(btn.R, GetSysColor(COLOR_BTNFACE));
    else
      DrawDefaultFace(b, btn.R, st);
    if (i == 2) {
      TCanvas* cv = b.Canvas();
      DrawCheckMarkGlyph(cv, btn.R.left + 4, btn.R.top + 4, clBlack);
    } else {
      DrawArrowGlyph(b.DC(), btn.R, i == 0 ? adUp : adDown, 0);
    }
    return;
  }
  if (!Picture) return;
  const RECT* normal[3] = {&UpButtonRect, &DownButtonRect, &CheckButtonRect};
  const RECT* active[3] = {&ActiveUpButtonRect, &ActiveDownButtonRect, &ActiveCheckButtonRect};
  const RECT* pressed[3] = {&DownUpButtonRect, &DownDownButtonRect, &DownCheckButtonRect};
  RECT src = btn.Down && btn.MouseIn ? *pressed[i] : btn.MouseIn ? *active[i] : *normal[i];
  if (IsEmptyRECT(src)) src = *normal[i];
  if (IsEmptyRECT(src)) return;
  OffsetRect(&src, Geometry.SkinRect.left, Geometry.SkinRect.top);
  DrawPiece(b, ImageSourceOf(Picture), src, btn.R);
}

// ---- caption buttons ----

void TspSkinCustomListBox::TestActiveButton(int x, int y) {
  if (!FCaptionMode || !FShowCaptionButtons) return;
  if (HasElement() && IsEmptyRECT(UpButtonRect) && IsEmptyRECT(DownButtonRect)) return;
  int found = -1;
  POINT p{x, y};
  for (int i = 0; i < 3; ++i)
    if (PtInRect(&Buttons[i].R, p)) {
      found = i;
      break;
    }
  if (FCaptureButton != -1 && found != FCaptureButton) found = -1;
  if (found == FActiveButton) return;
  FOldActiveButton = FActiveButton;
  FActiveButton = found;
  if (FOldActiveButton != -1) ButtonLeave(FOldActiveButton);
  if (FActiveButton != -1) ButtonEnter(FActiveButton);
}

void TspSkinCustomListBox::ButtonEnter(int i) {
  Buttons[i].MouseIn = true;
  Repaint();
  if (FTimerMode != 0 && Buttons[i].Down) StartRepeat(50);
}

void TspSkinCustomListBox::ButtonLeave(int i) {
  Buttons[i].MouseIn = false;
  Repaint();
  if (FTimerMode != 0 && Buttons[i].Down) FTimer.Stop();
}

void TspSkinCustomListBox::ButtonDown(int i) {
  Buttons[i].MouseIn = true;
  Buttons[i].Down = true;
  Repaint();
  bool assigned = (i == 0 && OnUpButtonClick) || (i == 1 && OnDownButtonClick) || (i == 2 && OnCheckButtonClick);
  if (!assigned && i < 2) {
    FTimerMode = i == 0 ? 1 : 2;
    FWaitMode = true;
    StartRepeat(500);
  }
}

void TspSkinCustomListBox::ButtonUp(int i) {
  Buttons[i].Down = false;
  if (FActiveButton != i) Buttons[i].MouseIn = false;
  Repaint();
  // A release away from the button does nothing: only the steps the
  // repeat already made stay.
  if (Buttons[i].MouseIn) {
    bool repeated = FTimerMode != 0 && !FWaitMode;
    switch (i) {
      case 0:
        if (OnUpButtonClick)
          OnUpButtonClick(this);
        else if (!repeated)
          StepUp();
        break;
      case 1:
        if (OnDownButtonClick)
          OnDownButtonClick(this);
        else if (!repeated)
          StepDown();
        break;
      default:
        if (OnCheckButtonClick)
          OnCheckButtonClick(this);
        else
          ListBoxClick();
        break;
    }
  }
  StopRepeat();
}

void TspSkinCustomListBox::StepUp() {
  if (ItemIndex() > 0) SetItemIndex(ItemIndex() - 1);
}

void TspSkinCustomListBox::StepDown() {
  if (ItemIndex() < ListBox->Items()->Count() - 1) SetItemIndex(ItemIndex() + 1);
}

void TspSkinCustomListBox::StartRepeat(unsigned ms) {
  FTimer.Start(ms, [this] { RepeatTick(); });
}

void TspSkinCustomListBox::StopRepeat() {
  FTimer.Stop();
  FTimerMode = 0;
  FWaitMode = false;
}

void TspSkinCustomListBox::RepeatTick() {
  if (FWaitMode) {
    FWaitMode = false;
    StartRepeat(100);
  }
  if (FTimerMode == 1)
    StepUp();
  else if (FTimerMode == 2)
    StepDown();
}

void TspSkinCustomListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TestActiveButton(x, y);
  if (FActiveButton != -1) {
    FCaptureButton = FActiveButton;
    ButtonDown(FActiveButton);
  }
  Base::MouseDown(button, shift, x, y);
}

void TspSkinCustomListBox::MouseMove(TShiftState shift, int x, int y) {
  TestActiveButton(x, y);
  Base::MouseMove(shift, x, y);
}

void TspSkinCustomListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TestActiveButton(x, y);
  if (FCaptureButton != -1) {
    int i = FCaptureButton;
    FCaptureButton = -1;
    ButtonUp(i);
  }
  Base::MouseUp(button, shift, x, y);
}

// ---- slots ----

void TspSkinCustomListBox::ListBoxMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnListBoxMouseDown) OnListBoxMouseDown(this, button, shift, x, y);
}
void TspSkinCustomListBox::ListBoxMouseMove(TShiftState shift, int x, int y) {
  if (OnListBoxMouseMove) OnListBoxMouseMove(this, shift, x, y);
}
void TspSkinCustomListBox::ListBoxMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnListBoxMouseUp) OnListBoxMouseUp(this, button, shift, x, y);
}
void TspSkinCustomListBox::ListBoxClick() {
  if (OnListBoxClick) OnListBoxClick(this);
}
void TspSkinCustomListBox::ListBoxDblClick() {
  if (OnListBoxDblClick) OnListBoxDblClick(this);
}
void TspSkinCustomListBox::ListBoxKeyDown(WORD& key, TShiftState shift) {
  if (OnListBoxKeyDown) OnListBoxKeyDown(this, key, shift);
}
void TspSkinCustomListBox::ListBoxKeyUp(WORD& key, TShiftState shift) {
  if (OnListBoxKeyUp) OnListBoxKeyUp(this, key, shift);
}
void TspSkinCustomListBox::ListBoxKeyPress(char16_t& key) {
  if (OnListBoxKeyPress) OnListBoxKeyPress(this, key);
}

// ---- skin change and messages ----

void TspSkinCustomListBox::ChangeSkinData() {
  Base::ChangeSkinData();
  FStopUpDateHScrollBar = true;
  if (!HasElement()) {
    ListBox->SetItemHeight(FDefaultItemHeight);
  } else if (FUseSkinItemHeight && !IsEmptyRECT(SItemRect)) {
    ListBox->SetItemHeight(SItemRect.bottom - SItemRect.top);
  }
  for (TspSkinScrollBar* bar : {ScrollBar.Get(), HScrollBar.Get()}) {
    if (!bar) continue;
    if (!HasElement()) {
      bar->SetSkinDataName("");
      if (bar == HScrollBar && ScrollBar) bar->SetBothMarkerWidth(19);
    } else if (bar == ScrollBar) {
      bar->SetSkinDataName(ListBox->Columns() > 0 ? HScrollBarName : VScrollBarName);
    } else {
      bar->SetSkinDataName(ScrollBar ? BothScrollBarName : HScrollBarName);
    }
    bar->SetSkinData(FSD);
  }
  if (FRowCount != 0) SetHeight(CalcHeight(FRowCount));
  CalcListRect();
  FStopUpDateHScrollBar = false;
  UpDateScrollBar();
  ListBox->Invalidate();
}

void TspSkinCustomListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (ListBox && d && d->hwndItem == ListBox->HandleIfAllocated()) {
        m.Result = ListBox->Perform(CN_DRAWITEM, m.WParam, m.LParam);
        return;
      }
      break;
    }
    case CM_MOUSELEAVE:
      if (reinterpret_cast<TControl*>(m.LParam) == this) {
        bool any = false;
        for (auto& btn : Buttons)
          if (btn.MouseIn) {
            btn.MouseIn = false;
            any = true;
          }
        if (FCaptureButton == -1) FActiveButton = -1;
        if (any) Repaint();
      }
      break;
    case CM_MOUSEENTER:
      if (reinterpret_cast<TControl*>(m.LParam) == this) TestActiveButton(-1, -1);
      break;
    case CM_TEXTCHANGED:
      if (FCaptionMode) Repaint();
      break;
    default:
      break;
  }
  Base::WndProc(m);
}
