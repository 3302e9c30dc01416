// Mouse and keyboard of the grid: selecting, sizing and moving lines,
// keyboard navigation, the wheel, and the window messages behind them.
#include <windowsx.h>

#include <algorithm>

#include "framework/Forms.h"
#include "skin/dialogs/SkinGrids.h"

namespace {

constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT kScrollTimerMs = 60;
enum : unsigned { sdLeft = 1, sdRight = 2, sdUp = 4, sdDown = 8 };

}  // namespace

void TspSkinCustomGrid::CalcSizingState(int x, int y, TGridLayout& l, int& sizingOfs, int& sizingPos,
                                        int& sizingIndex, TGridState& state) {
  state = gsNormal;
  sizingIndex = -1;
  TGridOptions options = FOptions;
  if (!(options & (goRowSizing | goColSizing))) return;
  l.Horz.ClientExtent = ClientWidth();
  l.Vert.ClientExtent = ClientHeight();
  auto axisTest = [&](const TGridAxisInfo& a, int p, TGridState sizing) {
    int range = a.LineWidth, back = 0;
    if (a.LineWidth < 7) {
      range = 7;
      back = (7 - a.LineWidth) / 2;
    }
    int64_t pos;
    int i;
    if (FixedColSizing && p < a.FixedEnd) {
      i = 0;
      pos = 0;
    } else {
      i = a.FirstCell;
      pos = a.FixedEnd;
    }
    for (; i < a.CellCount; ++i) {
      pos += a.Extent(i);
      if (pos > a.GridEnd) break;
      if (p >= pos - back && p <= pos - back + range) {
        state = sizing;
        sizingPos = static_cast<int>(pos);
        sizingOfs = static_cast<int>(pos - p);
        sizingIndex = i;
        return;
      }
      pos += a.LineWidth;
    }
    if (a.GridEnd == a.ClientExtent && p >= a.ClientExtent - back && p <= a.ClientExtent) {
      state = sizing;
      sizingPos = a.ClientExtent;
      sizingOfs = a.ClientExtent - p;
      sizingIndex = a.LastFullCell + 1;
    }
  };
  bool pastFixedCols = x > l.Horz.FixedEnd || (FixedColSizing && x > l.Horz.FixedEnd - 3 && x > 0);
  bool inFixedCols = FixedColSizing ? x <= l.Horz.FixedEnd - 3 : x < l.Horz.FixedEnd;
  if (pastFixedCols && (options & goColSizing)) {
    if (y < l.Vert.FixedEnd || ColSizingWithLine) axisTest(l.Horz, x, gsColSizing);
  } else if (y > l.Vert.FixedEnd && (options & goRowSizing) && inFixedCols) {
    axisTest(l.Vert, y, gsRowSizing);
  }
}

void TspSkinCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  HideEditorWindow();
  if (CanFocus() || !GetParentForm()) {
    if (!Focused()) SetFocus();
    if (!IsFocusedGrid()) {
      SetMouseCapture(false);
      return;
    }
  }
  bool moving = false;
  if (button == mbLeft && (shift & ssDouble)) {
    // The double click itself is reported by the framework after this.
  } else if (button == mbLeft) {
    TGridLayout l = ComputeLayout();
    CalcSizingState(x, y, l, FSizingOfs, FSizingPos, FSizingIndex, FGridState);
    if (FGridState != gsNormal) {
      DrawSizingMark(l);
      return;
    }
    TGridCoord cell = MouseCoord(x, y);
    if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
      if (FOptions & goEditing) {
        if (cell == FCurrent) {
          ShowCellEditor();
        } else {
          MoveCurrent(cell.X, cell.Y, true, true);
          RefreshEditor();
        }
        Click();
      } else {
        FGridState = gsSelecting;
        SetTimer(Handle(), kScrollTimer, kScrollTimerMs, nullptr);
        if (shift & ssShift)
          MoveSelectionAnchor(cell);
        else
          MoveCurrent(cell.X, cell.Y, true, true);
      }
    } else if (cell.X >= 0 && cell.Y >= 0) {
      POINT p{x, y};
      if ((FOptions & goRowMoving) && cell.X < FFixedCols && cell.Y >= FFixedRows) {
        FMoveIndex = FMovePos = cell.Y;
        if (RowDragStarting(FMoveIndex, FMovePos, p)) {
          FGridState = gsRowMoving;
          Update();
          DrawMoveMark();
          moving = true;
          SetTimer(Handle(), kScrollTimer, kScrollTimerMs, nullptr);
        }
      } else if ((FOptions & goColMoving) && cell.Y < FFixedRows && cell.X >= FFixedCols) {
        FMoveIndex = FMovePos = cell.X;
        if (ColumnDragStarting(FMoveIndex, FMovePos, p)) {
          FGridState = gsColMoving;
          Update();
          DrawMoveMark();
          moving = true;
          SetTimer(Handle(), kScrollTimer, kScrollTimerMs, nullptr);
        }
      }
    }
  }
  try {
    Base::MouseDown(button, shift, x, y);
  } catch (...) {
    // A failing handler must not leave the grid half in a drag.
    if (moving) DrawMoveMark();
  }
}

void TspSkinCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  TGridLayout l = ComputeLayout();
  switch (FGridState) {
    case gsSelecting:
    case gsRowMoving:
    case gsColMoving: {
      TGridCoord cell = MouseCoord(x, y);
      if (cell.X >= FFixedCols && cell.Y >= FFixedRows && cell.X <= l.Horz.LastFullCell + 1 &&
          cell.Y <= l.Vert.LastFullCell + 1) {
        if (FGridState == gsSelecting) {
          if (cell != FAnchor) MoveSelectionAnchor(cell);
        } else if (FGridState == gsRowMoving) {
          DragScrollStep(y, cell.Y, false, l);
        } else {
          DragScrollStep(x, cell.X, true, l);
        }
      }
      break;
    }
    case gsRowSizing:
    case gsColSizing:
      DrawSizingMark(l);
      FSizingPos = (FGridState == gsRowSizing ? y : x) + FSizingOfs;
      DrawSizingMark(l);
      break;
    default:
      break;
  }
  Base::MouseMove(shift, x, y);
}

void TspSkinCustomGrid::DragScrollStep(int mousePos, int cellHit, bool columns, TGridLayout& l) {
  const TGridAxisInfo* a = columns ? &l.Horz : &l.Vert;
  int p = mousePos;
  if (cellHit == FMovePos) return;
  if (FMovePos == a->FixedCount && p < a->FixedEnd) return;
  if (FMovePos == a->CellCount - 1 && p > a->GridEnd) return;
  DrawMoveMark();
  int target;
  if (p < a->FixedEnd) {
    if (FMovePos > a->FixedCount) {
      ScrollCommand(columns, SB_LINEUP, 0, false);
      Update();
      l = ComputeLayout();
      a = columns ? &l.Horz : &l.Vert;
    }
    target = a->FirstCell;
  } else if (p >= a->FullCellsEnd) {
    if (a->LastFullCell == FMovePos && FMovePos < a->CellCount - 1) {
      ScrollCommand(columns, SB_LINEDOWN, 0, false);
      Update();
      l = ComputeLayout();
      a = columns ? &l.Horz : &l.Vert;
    }
    target = a->LastFullCell;
  } else if (cellHit < 0) {
    target = FMovePos;
  } else {
    target = cellHit;
  }
  POINT pt{columns ? mousePos : 0, columns ? 0 : mousePos};
  bool agreed = FGridState == gsColMoving ? ColumnDragMoving(FMoveIndex, target, pt)
                                          : RowDragMoving(FMoveIndex, target, pt);
  if (agreed) FMovePos = target;
  DrawMoveMark();
}

void TspSkinCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  try {
    switch (FGridState) {
      case gsSelecting:
        MouseMove(shift, x, y);
        KillTimer(Handle(), kScrollTimer);
        RefreshEditor();
        Click();
        break;
      case gsColSizing:
      case gsRowSizing: {
        TGridLayout l = ComputeLayout();
        DrawSizingMark(l);
        const TGridAxisInfo& a = FGridState == gsColSizing ? l.Horz : l.Vert;
        int64_t start = 0;
        if (FSizingIndex > 0) {
          // A fixed line measures from the grid's edge, a scrolled one from the fixed band.
          int from = FSizingIndex < a.FixedCount ? 0 : a.FirstCell;
          start = FSizingIndex < a.FixedCount ? 0 : a.FixedEnd;
          for (int i = from; i < FSizingIndex; ++i) start += a.Extent(i) + a.LineWidth;
        }
        int64_t size = FSizingPos - start;
        int count = FGridState == gsColSizing ? FColCount : FRowCount;
        if (size > 1 && FSizingIndex >= 0 && FSizingIndex < count) {
          if (FGridState == gsColSizing)
            SetColWidths(FSizingIndex, static_cast<int>(size));
          else
            SetRowHeights(FSizingIndex, static_cast<int>(size));
        }
        break;
      }
      case gsRowMoving:
      case gsColMoving: {
        DrawMoveMark();
        KillTimer(Handle(), kScrollTimer);
        POINT p{x, y};
        if (FGridState == gsRowMoving) {
          if (RowDragEnding(FMoveIndex, FMovePos, p) && FMoveIndex != FMovePos) MoveRowTo(FMoveIndex, FMovePos);
        } else {
          if (ColumnDragEnding(FMoveIndex, FMovePos, p) && FMoveIndex != FMovePos)
            MoveColumnTo(FMoveIndex, FMovePos);
        }
        RefreshEditor();
        break;
      }
      default:
        RefreshEditor();
        break;
    }
  } catch (...) {
    FGridState = gsNormal;
    throw;
  }
  FGridState = gsNormal;
  Base::MouseUp(button, shift, x, y);
}

void TspSkinCustomGrid::AutoScrollStep(unsigned directions) {
  TGridCoord a = FAnchor;
  if ((directions & sdLeft) && a.X > FFixedCols) --a.X;
  if ((directions & sdRight) && a.X < FColCount - 1) ++a.X;
  if ((directions & sdUp) && a.Y > FFixedRows) --a.Y;
  if ((directions & sdDown) && a.Y < FRowCount - 1) ++a.Y;
  if (a != FAnchor) MoveSelectionAnchor(a);
}

void TspSkinCustomGrid::TimerTick() {
  if (FGridState != gsSelecting && FGridState != gsRowMoving && FGridState != gsColMoving) return;
  POINT p;
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  TGridLayout l = ComputeLayout();
  TGridCoord cell = MouseCoord(p.x, p.y);
  if (FGridState == gsSelecting) {
    unsigned d = 0;
    if (p.x < l.Horz.FixedEnd) d |= sdLeft;
    if (p.x > l.Horz.FullCellsEnd) d |= sdRight;
    if (p.y < l.Vert.FixedEnd) d |= sdUp;
    if (p.y > l.Vert.FullCellsEnd) d |= sdDown;
    if (d) AutoScrollStep(d);
  } else if (FGridState == gsRowMoving) {
    DragScrollStep(p.y, cell.Y, false, l);
  } else {
    DragScrollStep(p.x, cell.X, true, l);
  }
}

void TspSkinCustomGrid::CancelMode() {
  switch (FGridState) {
    case gsSelecting:
      KillTimer(HandleIfAllocated(), kScrollTimer);
      break;
    case gsRowSizing:
    case gsColSizing: {
      TGridLayout l = ComputeLayout();
      DrawSizingMark(l);
      break;
    }
    case gsRowMoving:
    case gsColMoving:
      DrawMoveMark();
      KillTimer(HandleIfAllocated(), kScrollTimer);
      break;
    default:
      break;
  }
  FGridState = gsNormal;
}

void TspSkinCustomGrid::KeyDown(WORD& key, TShiftState shift) {
  Base::KeyDown(key, shift);
  if (key == 0) return;
  if (!AcceptsGridKey(key, shift)) {
    key = 0;
    return;
  }
  bool rowSelect = (FOptions & goRowSelect) != 0;
  int factor = UseRightToLeftAlignment() ? -1 : 1;
  TGridCoord next = FCurrent, topLeft = FTopLeft;
  TGridLayout l = ComputeLayout();
  int pageWidth = std::max(1, l.Horz.LastFullCell - LeftCol());
  int pageHeight = std::max(1, l.Vert.LastFullCell - TopRow());
  bool ctrl = (shift & ssCtrl) != 0;
  switch (key) {
    case VK_PRIOR:
      if (ctrl) {
        next.Y = topLeft.Y;
      } else {
        next.Y -= pageHeight;
        topLeft.Y -= pageHeight;
      }
      break;
    case VK_NEXT:
      if (ctrl) {
        next.Y = l.Vert.LastFullCell;
      } else {
        next.Y += pageHeight;
        topLeft.Y += pageHeight;
      }
      break;
    case VK_END:
      if (ctrl)
        next = TGridCoord{FColCount - 1, FRowCount - 1};
      else if (rowSelect)
        next.Y = FRowCount - 1;
      else
        next.X = FColCount - 1;
      break;
    case VK_HOME:
      if (ctrl)
        next = TGridCoord{FFixedCols, FFixedRows};
      else if (rowSelect)
        next.Y = FFixedRows;
      else
        next.X = FFixedCols;
      break;
    case VK_LEFT:
      if (ctrl) {
        if (!rowSelect) {
          next.X -= pageWidth * factor;
          topLeft.X -= pageWidth * factor;
        }
      } else if (rowSelect) {
        next.Y -= factor;
      } else {
        next.X -= factor;
      }
      break;
    case VK_RIGHT:
      if (ctrl) {
        if (!rowSelect) {
          next.X += pageWidth * factor;
          topLeft.X += pageWidth * factor;
        }
      } else if (rowSelect) {
        next.Y += factor;
      } else {
        next.X += factor;
      }
      break;
    case VK_UP:
      if (ctrl)
        --topLeft.Y;
      else
        --next.Y;
      break;
    case VK_DOWN:
      if (ctrl)
        ++topLeft.Y;
      else
        ++next.Y;
      break;
    case VK_TAB:
      if (!ctrl && !(shift & ssAlt)) {
        if (shift & ssShift) {
          if (--next.X < FFixedCols) {
            next.X = FColCount - 1;
            if (--next.Y < FFixedRows) next.Y = FRowCount - 1;
          }
          shift &= ~ssShift;
        } else if (++next.X >= FColCount) {
          next.X = FFixedCols;
          if (++next.Y >= FRowCount) next.Y = FFixedRows;
        }
      }
      break;
    case VK_F2:
      if (!ctrl) SetEditorMode(true);
      break;
    default:
      break;
  }
  TGridCoord maxTopLeft = MaxTopLeftCell(TGridCoord{FColCount - 1, FRowCount - 1}, &l);
  topLeft.X = std::max(FFixedCols, std::min(topLeft.X, maxTopLeft.X));
  topLeft.Y = std::max(FFixedRows, std::min(topLeft.Y, maxTopLeft.Y));
  if (topLeft != FTopLeft) SetTopLeftCell(topLeft.X, topLeft.Y);
  next.X = std::max(FFixedCols, std::min(next.X, FColCount - 1));
  next.Y = std::max(FFixedRows, std::min(next.Y, FRowCount - 1));
  if (next != FCurrent) FocusCellAt(next.X, next.Y, !(shift & ssShift));
}

void TspSkinCustomGrid::KeyPress(char16_t& key) {
  Base::KeyPress(key);
  if (!(FOptions & goAlwaysShowEditor) && key == u'\r') {
    if (FEditorMode)
      HideCellEditor();
    else
      ShowCellEditor();
    key = 0;
  }
}

bool TspSkinCustomGrid::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  bool handled = false;
  if (wheelDelta < 0) {
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
    if (!handled && FCurrent.Y < FRowCount - 1) SetRow(FCurrent.Y + 1);
  } else if (wheelDelta > 0) {
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
    if (!handled && FCurrent.Y > FFixedRows) SetRow(FCurrent.Y - 1);
  }
  return true;
}

void TspSkinCustomGrid::DoExit() {
  Base::DoExit();
  if (!(FOptions & goAlwaysShowEditor)) HideCellEditor();
}

void TspSkinCustomGrid::WndProc(TMessage& m) {
  // A DC the canvas took for a handler goes back when the message is done,
  // and before the window it belongs to goes.
  if (m.Msg == WM_DESTROY) FCanvas.ReleaseOwnDC();
  try {
    HandleMessage(m);
  } catch (...) {
    FCanvas.ReleaseOwnDC();
    throw;
  }
  FCanvas.ReleaseOwnDC();
}

void TspSkinCustomGrid::HandleMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      Base::WndProc(m);
      if (!FInCheckScrollBars) UpdateScrollRange(true);
      return;
    case WM_SIZE:
      Base::WndProc(m);
      UpdateScrollRange(true);
      if (!Skinned() && (FOptions & goRowSelect)) Invalidate();
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      ScrollCommand(m.Msg == WM_HSCROLL, LOWORD(m.WParam), static_cast<short>(HIWORD(m.WParam)), true);
      m.Result = 0;
      return;
    case WM_TIMER:
      if (m.WParam == kScrollTimer) {
        TimerTick();
        return;
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == HandleIfAllocated()) {
        TGridState state = FGridState;
        if (state == gsNormal) {
          TGridLayout l = ComputeLayout();
          int ofs, pos, index;
          CalcSizingState(FHitTest.x, FHitTest.y, l, ofs, pos, index, state);
        }
        if (state == gsRowSizing || state == gsColSizing) {
          ::SetCursor(CursorHandle(state == gsRowSizing ? crVSplit : crHSplit));
          m.Result = TRUE;
          return;
        }
      }
      break;
    case WM_NCHITTEST: {
      DefaultHandler(m);
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      ::ScreenToClient(Handle(), &p);
      FHitTest = p;
      return;
    }
    case WM_LBUTTONDOWN:
      if (FInplaceEdit) FInplaceEdit->FClickTime = GetMessageTime();
      break;
    case WM_SETFOCUS: {
      Base::WndProc(m);
      HWND from = reinterpret_cast<HWND>(m.WParam);
      if (!FInplaceEdit || from != FInplaceEdit->HandleIfAllocated()) {
        InvalidateRect(Selection());
        if (IsWindowVisible(Handle())) RefreshEditor();
      }
      return;
    }
    case WM_KILLFOCUS: {
      Base::WndProc(m);
      InvalidateRect(Selection());
      HWND to = reinterpret_cast<HWND>(m.WParam);
      if (FInplaceEdit && (!to || to != FInplaceEdit->HandleIfAllocated())) HideEditorWindow();
      return;
    }
    case WM_CHAR: {
      char16_t ch = static_cast<char16_t>(m.WParam);
      // Every printable character opens the editor, not only those of one code page.
      if ((FOptions & goEditing) && (ch == u'\b' || ch >= 32)) {
        ShowCellEditorWithChar(ch);
        return;
      }
      break;
    }
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS;
      if (!(FOptions & goRowSelect)) {
        if (FOptions & goTabs) code |= DLGC_WANTTAB;
        if (FOptions & goEditing) code |= DLGC_WANTCHARS;
      }
      m.Result = code;
      return;
    }
    case CM_WANTSPECIALKEY:
      if ((FOptions & goEditing) && m.WParam == VK_RETURN) {
        m.Result = 1;
        return;
      }
      break;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      if (m.Msg == CM_CANCELMODE && FInplaceEdit) FInplaceEdit->Perform(CM_CANCELMODE, m.WParam, m.LParam);
      Base::WndProc(m);
      CancelMode();
      return;
    case CM_VISIBLECHANGED:
      Base::WndProc(m);
      if (FHScrollBar) FHScrollBar->SetVisible(Visible());
      if (FVScrollBar) FVScrollBar->SetVisible(Visible());
      return;
    case WM_CTLCOLOREDIT:
      if (FInplaceEdit && reinterpret_cast<HWND>(m.LParam) == FInplaceEdit->HandleIfAllocated()) {
        m.Result = FInplaceEdit->Perform(CN_BASE + WM_CTLCOLOREDIT, m.WParam, m.LParam);
        return;
      }
      break;
    default:
      break;
  }
  Base::WndProc(m);
}
