// Scrolling of the grid: the top-left cell, the pixel offset of a grid of
// one column, and the two external skinned scroll bars on a 0..127 scale.
#include <algorithm>

#include "skin/dialogs/SkinGrids.h"

namespace {

constexpr int kBarScale = 127;

int MulDivSafe(int a, int b, int c) { return MulDiv(a, b, c); }

// Every paint checks the ranges: a bar repaints only when one changed.
void SetBarRange(TspSkinScrollBar* bar, int min, int max, int position) {
  if (bar->Min() == min && bar->Max() == max && bar->PageSize() == 0 && position == bar->Position()) return;
  bar->SetRange(min, max, position, 0);
}

}  // namespace

void TspSkinCustomGrid::BindScrollBar(TspSkinScrollBar* bar, bool horizontal) {
  auto send = [this](UINT msg, int code, int pos) {
    Perform(msg, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), 0);
  };
  if (horizontal) {
    bar->OnLastChange = [this, bar, send](TObject*) { send(WM_HSCROLL, SB_THUMBPOSITION, bar->Position()); };
    bar->OnUpButtonClick = [this, bar, send](TObject*) {
      bar->SetPosition(bar->Position() + bar->SmallChange());
      send(WM_HSCROLL, SB_THUMBPOSITION, bar->Position());
    };
    bar->OnDownButtonClick = [this, bar, send](TObject*) {
      bar->SetPosition(bar->Position() - bar->SmallChange());
      send(WM_HSCROLL, SB_THUMBPOSITION, bar->Position());
    };
    bar->OnPageUp = [send](TObject*) { send(WM_HSCROLL, SB_PAGEUP, 0); };
    bar->OnPageDown = [send](TObject*) { send(WM_HSCROLL, SB_PAGEDOWN, 0); };
  } else {
    // Whether the thumb scrolls while dragged is chosen once, here.
    auto thumb = [bar, send](TObject*) { send(WM_VSCROLL, SB_THUMBPOSITION, bar->Position()); };
    if (FOptions & goThumbTracking)
      bar->OnChange = thumb;
    else
      bar->OnLastChange = thumb;
    bar->OnUpButtonClick = [send](TObject*) { send(WM_VSCROLL, SB_LINEDOWN, 0); };
    bar->OnDownButtonClick = [send](TObject*) { send(WM_VSCROLL, SB_LINEUP, 0); };
    bar->OnPageUp = [send](TObject*) { send(WM_VSCROLL, SB_PAGEUP, 0); };
    bar->OnPageDown = [send](TObject*) { send(WM_VSCROLL, SB_PAGEDOWN, 0); };
  }
}

void TspSkinCustomGrid::UnbindScrollBar(TspSkinScrollBar* bar) {
  bar->OnChange = nullptr;
  bar->OnLastChange = nullptr;
  bar->OnUpButtonClick = nullptr;
  bar->OnDownButtonClick = nullptr;
  bar->OnPageUp = nullptr;
  bar->OnPageDown = nullptr;
}

void TspSkinCustomGrid::AttachScrollBar(TComponentRef<TspSkinScrollBar>& slot, TspSkinScrollBar* value,
                                        bool horizontal) {
  if (value == slot) return;
  if (slot) UnbindScrollBar(slot);
  slot.Set(value);
  if (value) {
    value->SetEnabled(true);
    value->SetVisible(false);
    BindScrollBar(value, horizontal);
  }
  if (!Destroying()) UpdateScrollRange(true);
}

void TspSkinCustomGrid::SetHScrollBar(TspSkinScrollBar* value) { AttachScrollBar(FHScrollBar, value, true); }

void TspSkinCustomGrid::SetVScrollBar(TspSkinScrollBar* value) { AttachScrollBar(FVScrollBar, value, false); }

void TspSkinCustomGrid::SetTopLeftCell(int aCol, int aRow) {
  if (aCol == FTopLeft.X && aRow == FTopLeft.Y) return;
  Update();
  TGridCoord old = FTopLeft;
  FTopLeft = TGridCoord{aCol, aRow};
  TopLeftShifted(old);
}

void TspSkinCustomGrid::ScrollIntoView(TGridCoord coord) {
  if (!HandleAllocated()) return;
  TGridLayout l = ComputeLayout();
  bool inX = coord.X >= FTopLeft.X && coord.X <= l.Horz.LastFullCell;
  bool inY = coord.Y >= FTopLeft.Y && coord.Y <= l.Vert.LastFullCell;
  // Fixed cells are always in view.
  if (coord.X < FFixedCols) inX = true;
  if (coord.Y < FFixedRows) inY = true;
  if (inX && inY) return;
  Update();
  TGridCoord old = FTopLeft;
  TGridCoord maxTopLeft = MaxTopLeftCell(coord, &l);
  if (!inX) {
    if (coord.X < FTopLeft.X)
      FTopLeft.X = coord.X;
    else if (coord.X > l.Horz.LastFullCell)
      FTopLeft.X = maxTopLeft.X;
  }
  if (!inY) {
    if (coord.Y < FTopLeft.Y)
      FTopLeft.Y = coord.Y;
    else if (coord.Y > l.Vert.LastFullCell)
      FTopLeft.Y = maxTopLeft.Y;
  }
  TopLeftShifted(old);
}

void TspSkinCustomGrid::TopLeftShifted(TGridCoord oldTopLeft) {
  UpdateScrollPos(true);
  if (HandleAllocated()) {
    TGridLayout l = ComputeLayout();
    auto distance = [](const TGridAxisInfo& a, int oldFirst, int newFirst, int& d) {
      int lo = std::min(oldFirst, newFirst), hi = std::max(oldFirst, newFirst);
      int64_t sum = 0;
      for (int i = lo; i < hi; ++i) {
        sum += a.Extent(i) + a.LineWidth;
        if (sum > a.GridEnd - a.FixedEnd) return false;
      }
      d = static_cast<int>(newFirst > oldFirst ? -sum : sum);
      return true;
    };
    int dx = 0, dy = 0;
    bool okX = distance(l.Horz, oldTopLeft.X, FTopLeft.X, dx);
    bool okY = distance(l.Vert, oldTopLeft.Y, FTopLeft.Y, dy);
    if (okX && okY)
      ScrollContent(dx, dy);
    else
      Invalidate();
  }
  TopLeftChangedNotify();
  if (HWND h = HandleIfAllocated()) {
    TGridLayout l = ComputeLayout();
    RECT client = ClientRect();
    int x = std::min(l.Horz.GridEnd, std::max(0, Width() - 1));
    if (Skinned() && (FTransparent || BGPicture)) {
      RECT area{l.Horz.FixedEnd, l.Vert.FixedEnd, client.right, client.bottom};
      ::InvalidateRect(h, &area, TRUE);
      RECT strip{x, 0, Width(), l.Vert.FixedEnd};
      ::InvalidateRect(h, &strip, TRUE);
    } else {
      RECT strip{x, 0, Width(), Height()};
      ::InvalidateRect(h, &strip, TRUE);
    }
  }
}

void TspSkinCustomGrid::ScrollContent(int dx, int dy) {
  HWND h = HandleIfAllocated();
  if (!h || (dx == 0 && dy == 0)) return;
  TGridLayout l = ComputeLayout();
  UINT flags = SW_INVALIDATE | (FDefaultDrawing ? 0 : SW_ERASE);
  auto scroll = [&](RECT r, int sx, int sy) {
    if (IsEmptyRECT(r)) return;
    ScrollWindowEx(h, sx, sy, &r, &r, nullptr, nullptr, flags);
  };
  int ce = l.Horz.ClientExtent, ve = l.Vert.ClientExtent;
  if (dy == 0) {
    scroll(RECT{l.Horz.FixedEnd, 0, ce - 1, ve}, dx, 0);
  } else if (dx == 0) {
    scroll(RECT{0, l.Vert.FixedEnd, ce, ve}, 0, dy);
  } else {
    scroll(RECT{l.Horz.FixedEnd, 0, ce - 1, l.Vert.FixedEnd}, dx, 0);
    scroll(RECT{0, l.Vert.FixedEnd, l.Horz.FixedEnd, ve}, 0, dy);
    scroll(RECT{l.Horz.FixedEnd, l.Vert.FixedEnd, ce, ve}, dx, dy);
  }
  if (FOptions & goRowSelect) InvalidateRect(Selection());
}

void TspSkinCustomGrid::ScrollCommand(bool horizontal, int code, int pos, bool useRightToLeft) {
  int factor = (UseRightToLeftAlignment() && useRightToLeft) ? -1 : 1;
  if (HandleAllocated() && Visible() && CanFocus() && TabStop && !Focused()) SetFocus();
  TGridLayout l = ComputeLayout();
  if (horizontal && FColCount == 1) {
    ScrollPixels(code, pos, factor, l);
    return;
  }
  TGridCoord maxTopLeft = MaxTopLeftCell(TGridCoord{FColCount - 1, FRowCount - 1}, &l);
  TGridCoord next = FTopLeft;
  const TGridAxisInfo& a = horizontal ? l.Horz : l.Vert;
  int minV = horizontal ? FFixedCols : FFixedRows;
  int maxV = horizontal ? maxTopLeft.X : maxTopLeft.Y;
  int f = horizontal ? factor : 1;
  auto step = [&](int v) -> int {
    switch (code) {
      case SB_LINEUP:
        return v - f;
      case SB_LINEDOWN:
        return v + f;
      case SB_PAGEUP: {
        TGridCoord m = MaxTopLeftCell(FTopLeft, &l);
        int page = std::max(1, horizontal ? FTopLeft.X - m.X : FTopLeft.Y - m.Y);
        return v - page * f;
      }
      case SB_PAGEDOWN: {
        int page = std::max(1, a.LastFullCell - a.FirstCell);
        return v + page * f;
      }
      case SB_THUMBTRACK:
        if (!(FOptions & goThumbTracking)) return v;
        [[fallthrough]];
      case SB_THUMBPOSITION:
        if (factor == -1 && horizontal) return maxV - MulDivSafe(pos, maxV - minV, kBarScale);
        return minV + MulDivSafe(pos, maxV - minV, kBarScale);
      case SB_TOP:
        return minV;
      case SB_BOTTOM:
        return maxV;
      default:
        return v;
    }
  };
  int v = horizontal ? next.X : next.Y;
  // Lines of no extent are stepped over.
  for (int guard = 0; guard <= a.CellCount; ++guard) {
    int n = step(v);
    if (n == v) break;
    v = n;
    if (!(v > minV && v < maxV && a.Extent(v) <= 0)) break;
  }
  (horizontal ? next.X : next.Y) = v;
  next.X = std::max(FFixedCols, std::min(next.X, maxTopLeft.X));
  next.Y = std::max(FFixedRows, std::min(next.Y, maxTopLeft.Y));
  if (next != FTopLeft) SetTopLeftCell(next.X, next.Y);
}

void TspSkinCustomGrid::ScrollPixels(int code, int pos, int factor, const TGridLayout& l) {
  int w = ColWidths(FTopLeft.X);
  int visible = ClientWidth() - l.Horz.FixedEnd;
  int maxOffset = std::max(0, w - visible);
  int64_t o = FColOffset;
  int lineStep = 1;
  {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(FFont.Handle()));
    SIZE s{};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(u"0"), 1, &s);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    lineStep = std::max<int>(1, s.cx);
  }
  switch (code) {
    case SB_LINEUP: o -= int64_t{lineStep} * factor; break;
    case SB_LINEDOWN: o += int64_t{lineStep} * factor; break;
    case SB_PAGEUP: o -= int64_t{visible} * factor; break;
    case SB_PAGEDOWN: o += int64_t{visible} * factor; break;
    case SB_THUMBTRACK:
      if (!(FOptions & goThumbTracking)) break;
      [[fallthrough]];
    case SB_THUMBPOSITION: o = pos; break;
    // The start is the start and the end the end, as for cell scrolling.
    case SB_TOP: o = 0; break;
    case SB_BOTTOM: o = maxOffset; break;
    default: break;
  }
  o = std::max<int64_t>(0, std::min<int64_t>(o, maxOffset));
  if (o == FColOffset) return;
  int old = FColOffset;
  FColOffset = static_cast<int>(o);
  ScrollContent(old - FColOffset, 0);
  if (FFixedRows > 0) InvalidateRect(TGridRect{FTopLeft.X, 0, FTopLeft.X, FFixedRows - 1});
  Update();
  UpdateScrollPos(true);
}

void TspSkinCustomGrid::UpdateScrollPos(bool updateVert) {
  if (!HandleAllocated()) return;
  TGridLayout l = ComputeLayout();
  TGridCoord maxTopLeft = MaxTopLeftCell(TGridCoord{FColCount - 1, FRowCount - 1}, &l);
  if (FHScrollBar) {
    if (FColCount == 1) {
      int w = ColWidths(FTopLeft.X);
      int visible = ClientWidth() - l.Horz.FixedEnd;
      if (FColOffset > 0 && w - FColOffset < visible)
        ScrollCommand(true, SB_THUMBPOSITION, w - visible, true);
      else
        FHScrollBar->SimplySetPosition(FColOffset);
    } else {
      FHScrollBar->SimplySetPosition(MulDivSafe(FTopLeft.X - FFixedCols, kBarScale, maxTopLeft.X - FFixedCols));
    }
  }
  if (FVScrollBar && updateVert)
    FVScrollBar->SimplySetPosition(MulDivSafe(FTopLeft.Y - FFixedRows, kBarScale, maxTopLeft.Y - FFixedRows));
}

void TspSkinCustomGrid::UpdateScrollRange(bool updateVert) {
  if (!HandleAllocated() || !Showing() || FInCheckScrollBars) return;
  int oldWidth = ClientWidth();
  TGridCoord oldTopLeft = FTopLeft;
  int hMark = 0, vMark = 0;  // 1 show, -1 hide
  bool updated = false;
  auto setSteps = [](TspSkinScrollBar* bar, int stepCount) {
    if (stepCount == 0) stepCount = 1;
    int smallStep = bar->Max() / stepCount;
    if (smallStep == 0) smallStep = 1;
    bar->SetSmallChange(smallStep);
    bar->SetLargeChange(smallStep);
  };
  auto horzPass = [&] {
    TGridLayout l = ComputeLayout();
    TGridCoord maxTopLeft = MaxTopLeftCell(TGridCoord{FColCount - 1, FRowCount - 1}, &l);
    int visibleCols = l.Horz.LastFullCell - FTopLeft.X + 1;
    if (FColCount == 1) {
      int amax = std::max(0, ColWidths(0) - ClientWidth());
      if (!FHScrollBar) return;
      if (amax < 1) {
        if (FHScrollBar->Visible()) hMark = -1;
        return;
      }
      SetBarRange(FHScrollBar, 0, amax, FHScrollBar->Position());
      setSteps(FHScrollBar, FColCount - visibleCols - FFixedCols);
      if (!FHScrollBar->Visible()) hMark = 1;
      return;
    }
    if (FFixedCols < maxTopLeft.X) {
      if (FHScrollBar) {
        SetBarRange(FHScrollBar, 0, kBarScale, FHScrollBar->Position());
        setSteps(FHScrollBar, FColCount - visibleCols - FFixedCols);
        if (!FHScrollBar->Visible()) hMark = 1;
      }
    } else if (FHScrollBar) {
      SetBarRange(FHScrollBar, 0, 0, 0);
      if (FHScrollBar->Visible()) hMark = -1;
    }
    if (maxTopLeft.X < FTopLeft.X) {
      if (!updated) {
        Update();
        updated = true;
      }
      FTopLeft.X = std::max(FFixedCols, maxTopLeft.X);
    }
  };
  auto vertPass = [&] {
    TGridLayout l = ComputeLayout();
    TGridCoord maxTopLeft = MaxTopLeftCell(TGridCoord{FColCount - 1, FRowCount - 1}, &l);
    int visibleRows = l.Vert.LastFullCell - FTopLeft.Y + 1;
    if (FFixedRows < maxTopLeft.Y) {
      if (FVScrollBar) {
        SetBarRange(FVScrollBar, 0, kBarScale, FVScrollBar->Position());
        setSteps(FVScrollBar, FRowCount - visibleRows - FFixedRows);
        if (!FVScrollBar->Visible()) vMark = 1;
      }
    } else if (FVScrollBar) {
      SetBarRange(FVScrollBar, 0, 0, 0);
      if (FVScrollBar->Visible()) vMark = -1;
    }
    if (maxTopLeft.Y < FTopLeft.Y) {
      if (!updated) {
        Update();
        updated = true;
      }
      FTopLeft.Y = std::max(FFixedRows, maxTopLeft.Y);
    }
  };
  horzPass();
  if (updateVert) vertPass();
  if (ClientWidth() != oldWidth) horzPass();
  UpdateScrollPos(true);
  if (FTopLeft != oldTopLeft) TopLeftShifted(oldTopLeft);
  FInCheckScrollBars = true;
  try {
    bool changed = false;
    if (vMark != 0 && FVScrollBar) {
      FVScrollBar->SetVisible(vMark > 0);
      changed = true;
    }
    if (hMark != 0 && FHScrollBar) {
      FHScrollBar->SetVisible(hMark > 0);
      changed = true;
    }
    if (FHScrollBar && FVScrollBar && FHScrollBar->Both() != FVScrollBar->Visible())
      FHScrollBar->SetBoth(FVScrollBar->Visible());
    if (changed && Align() != alNone && Parent()) {
      Parent()->Realign();
      Invalidate();
    }
  } catch (...) {
    FInCheckScrollBars = false;
    throw;
  }
  FInCheckScrollBars = false;
}
