// The grid's data model: layout arithmetic, extents, counts, the skin
// element, the current cell and the selection, line moves.
#include <algorithm>

#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinElements.h"
#include "skin/dialogs/SkinGrids.h"

namespace {

const char* const kIndexOutOfRange = "Grid index out of range";
const char* const kFixedColTooBig = "Fixed column count must be less than column count";
const char* const kFixedRowTooBig = "Fixed row count must be less than row count";
const char* const kTooManyDeleted = "Too many rows or columns deleted";
const char* const kGridTooLarge = "Grid too large for operation";
constexpr int kMaxExtentCount = 134217725;

[[noreturn]] void GridError(const char* message) { throw EInvalidGridOperation(message); }

// Whether `value` is a new fixed count for an axis of `count` lines; a
// count the axis cannot have raises `tooBig`.
// An index on an axis where the line at `fromIndex` moved to `toIndex`:
// that line's index follows it, those between shift by one.
void FollowLineMove(int& v, int fromIndex, int toIndex) {
  if (v == fromIndex)
    v = toIndex;
  else if (fromIndex < toIndex && v > fromIndex && v <= toIndex)
    --v;
  else if (fromIndex > toIndex && v >= toIndex && v < fromIndex)
    ++v;
}

bool NewFixedCount(int current, int value, int count, const char* tooBig) {
  if (value == current) return false;
  if (value < 0) GridError(kIndexOutOfRange);
  if (value >= count) GridError(tooBig);
  return true;
}

int64_t Clamp64(int64_t v) { return std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, v)); }

RECT ToWinRect(const TspRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

}  // namespace

int TGridAxisInfo::Extent(int index) const { return Columns ? Grid->ColWidths(index) : Grid->RowHeights(index); }

// ---------------------------------------------------------------------------
// Construction

TspSkinCustomGrid::TspSkinCustomGrid(TComponent* owner) : TspSkinControl(owner) {
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
  SetColor(clWindow);
  SetParentColor(false);
  TabStop = true;
  FFont.SetName("Arial");
  FFont.SetHeight(14);
  FFont.OnChange = [this](TObject*) {
    if (FInplaceEdit) {
      FInplaceEdit->Font()->Assign(&FFont);
    }
    Invalidate();
  };
  SetBounds(Left(), Top(), FColCount * FDefaultColWidth, FRowCount * FDefaultRowHeight);
  ResetCurrentCell();
  SetSkinDataName("grid");
}

TspSkinCustomGrid::~TspSkinCustomGrid() {
  KillTimer(HandleIfAllocated(), 1);
  delete FInplaceEdit;
  FInplaceEdit = nullptr;
  for (TspSkinScrollBar* bar : {FHScrollBar.Get(), FVScrollBar.Get()})
    if (bar) UnbindScrollBar(bar);
}

void TspSkinCustomGrid::CreateParams(TCreateParams& params) {
  Base::CreateParams(params);
  params.Style |= WS_TABSTOP;
  params.Style &= ~(WS_HSCROLL | WS_VSCROLL);
  // No redraw on resize: the grid invalidates what its size change uncovers.
  params.WindowClassStyle = CS_DBLCLKS;
  params.WinClassName = u"TspSkinGrid";
}

// ---------------------------------------------------------------------------
// Layout

TGridLayout TspSkinCustomGrid::ComputeLayout() {
  TGridLayout layout;
  RECT client = ClientRect();
  auto setup = [&](TGridAxisInfo& a, bool columns) {
    a.Grid = this;
    a.Columns = columns;
    bool lines = columns ? (FOptions & (goFixedVertLine | goVertLine)) != 0
                         : (FOptions & (goFixedHorzLine | goHorzLine)) != 0;
    a.LineWidth = lines ? FGridLineWidth : 0;
    a.FixedCount = columns ? FFixedCols : FFixedRows;
    a.FirstCell = columns ? FTopLeft.X : FTopLeft.Y;
    a.CellCount = columns ? FColCount : FRowCount;
    int64_t fixedEnd = 0;
    for (int i = 0; i < a.FixedCount; ++i) fixedEnd += a.Extent(i) + a.LineWidth;
    a.FixedEnd = static_cast<int>(Clamp64(fixedEnd));
    a.ClientExtent = columns ? client.right - client.left : client.bottom - client.top;
    int64_t end = a.FixedEnd;
    a.GridEnd = a.FullCellsEnd = a.FixedEnd;
    a.LastFullCell = a.FirstCell;
    for (int i = a.FirstCell; i < a.CellCount; ++i) {
      end += a.Extent(i) + a.LineWidth;
      if (end > int64_t{a.ClientExtent} + a.LineWidth) {
        a.GridEnd = a.ClientExtent;
        break;
      }
      a.GridEnd = static_cast<int>(end);
      a.LastFullCell = i;
      a.FullCellsEnd = a.GridEnd;
    }
  };
  setup(layout.Horz, true);
  setup(layout.Vert, false);
  return layout;
}

int TspSkinCustomGrid::GridWidth() { return ComputeLayout().Horz.GridEnd; }
int TspSkinCustomGrid::GridHeight() { return ComputeLayout().Vert.GridEnd; }

int TspSkinCustomGrid::VisibleColCount() {
  TGridLayout l = ComputeLayout();
  return l.Horz.LastFullCell - LeftCol() + 1;
}

int TspSkinCustomGrid::VisibleRowCount() {
  TGridLayout l = ComputeLayout();
  return l.Vert.LastFullCell - TopRow() + 1;
}

int TspSkinCustomGrid::CellAtAxis(const TGridAxisInfo& a, int pos) const {
  int64_t line;
  int start, stop;
  if (pos < a.FixedEnd) {
    line = 0;
    start = 0;
    stop = a.FixedCount;
  } else {
    line = a.FixedEnd;
    start = a.FirstCell;
    stop = a.CellCount;
  }
  for (int i = start; i < stop; ++i) {
    line += a.Extent(i) + a.LineWidth;
    if (pos < line) return i;
  }
  return -1;
}

TGridCoord TspSkinCustomGrid::MouseCoord(int x, int y) {
  TGridLayout l = ComputeLayout();
  TGridCoord c{CellAtAxis(l.Horz, x), CellAtAxis(l.Vert, y)};
  if (c.X == -1 || c.Y == -1) return TGridCoord{-1, -1};
  return c;
}

void TspSkinCustomGrid::MouseToCell(int x, int y, int& aCol, int& aRow) {
  TGridCoord c = MouseCoord(x, y);
  aCol = c.X;
  aRow = c.Y;
}

int TspSkinCustomGrid::LinePos(const TGridAxisInfo& a, int cell) const {
  int64_t pos = 0;
  int start = 0;
  if (cell >= a.FixedCount) {
    start = a.FirstCell;
    if (cell >= a.FirstCell) pos = a.FixedEnd;
  }
  for (int i = start; i < cell; ++i) {
    pos += a.Extent(i) + a.LineWidth;
    if (pos > a.ClientExtent) return 0;
  }
  return static_cast<int>(Clamp64(pos));
}

bool TspSkinCustomGrid::CalcAxis(const TGridAxisInfo& a, int minCell, int maxCell, int& startPos, int& endPos,
                                 bool includeLine) const {
  if (minCell >= a.FixedCount && minCell < a.FirstCell) {
    if (maxCell < a.FirstCell) return false;
    minCell = a.FirstCell;
  }
  if (maxCell > a.LastFullCell) {
    maxCell = a.LastFullCell;
    if (maxCell < a.CellCount - 1) ++maxCell;
    if (LinePos(a, maxCell) == 0) --maxCell;
  }
  startPos = LinePos(a, minCell);
  int64_t end = LinePos(a, maxCell);
  if (end == 0)
    end = int64_t{startPos} + a.Extent(minCell);
  else
    end += a.Extent(maxCell);
  end = std::min<int64_t>(end, a.ClientExtent);
  if (includeLine) end += a.LineWidth;
  endPos = static_cast<int>(Clamp64(end));
  return true;
}

RECT TspSkinCustomGrid::GridRectToClient(const TGridRect& r, bool includeLine, const TGridLayout* given) {
  TGridLayout l = given ? *given : ComputeLayout();
  RECT result{0, 0, 0, 0};
  if (r.Left > r.Right || r.Top > r.Bottom) return result;
  if (r.Left > l.Horz.LastFullCell + 1 || r.Top > l.Vert.LastFullCell + 1) return result;
  int left, right, top, bottom;
  if (!CalcAxis(l.Horz, r.Left, r.Right, left, right, includeLine)) return result;
  if (!CalcAxis(l.Vert, r.Top, r.Bottom, top, bottom, includeLine)) return result;
  return RECT{left, top, right, bottom};
}

TRect TspSkinCustomGrid::CellRect(int aCol, int aRow) {
  RECT r = GridRectToClient(TGridRect{aCol, aRow, aCol, aRow}, false);
  return TRect{r.left, r.top, r.right, r.bottom};
}

TGridCoord TspSkinCustomGrid::MaxTopLeftCell(TGridCoord coord, const TGridLayout* given) {
  TGridLayout l = given ? *given : ComputeLayout();
  auto calc = [](const TGridAxisInfo& a, int start) {
    if (start < a.FixedCount) return start;
    int64_t line = int64_t{a.ClientExtent} + a.LineWidth;
    int result = start;
    for (int i = start; i >= a.FixedCount; --i) {
      line -= a.Extent(i) + a.LineWidth;
      if (line < a.FixedEnd) break;
      if (a.Extent(i) > 0) result = i;
    }
    return result;
  };
  return TGridCoord{calc(l.Horz, coord.X), calc(l.Vert, coord.Y)};
}

// ---------------------------------------------------------------------------
// Extents

void TspSkinCustomGrid::ResizeExtents(TExtents& block, int index, int amount, int defaultValue) {
  if (amount == 0) return;
  int old = block.empty() ? 0 : block[0];
  if (index < 0 || index > old) GridError(kIndexOutOfRange);
  int64_t count = int64_t{old} + amount;
  if (count < 0) GridError(kTooManyDeleted);
  if (count > kMaxExtentCount) GridError(kGridTooLarge);
  if (count == 0) {
    block.clear();
    block.shrink_to_fit();
    return;
  }
  block.resize(static_cast<size_t>(count) + 1);
  for (int64_t i = index + 1; i <= count; ++i) block[static_cast<size_t>(i)] = defaultValue;
  block[0] = static_cast<int32_t>(count);
}

void TspSkinCustomGrid::SetExtentCount(TExtents& block, int count, int defaultValue) {
  int old = block.empty() ? 0 : block[0];
  ResizeExtents(block, old, count - old, defaultValue);
}

void TspSkinCustomGrid::ShiftExtent(TExtents& block, int fromIndex, int toIndex) {
  if (block.empty() || fromIndex == toIndex) return;
  int count = block[0];
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= count || toIndex >= count) GridError(kIndexOutOfRange);
  int32_t v = block[fromIndex + 1];
  block.erase(block.begin() + fromIndex + 1);
  block.insert(block.begin() + toIndex + 1, v);
}

int TspSkinCustomGrid::ColWidths(int index) const {
  if (!FColWidths.empty() && index >= 0 && index < FColCount && index < FColWidths[0]) return FColWidths[index + 1];
  return FDefaultColWidth;
}

int TspSkinCustomGrid::RowHeights(int index) const {
  if (!FRowHeights.empty() && index >= 0 && index < FRowCount && index < FRowHeights[0])
    return FRowHeights[index + 1];
  return FDefaultRowHeight;
}

void TspSkinCustomGrid::SetColWidths(int index, int value) {
  if (index < 0 || index >= FColCount) GridError(kIndexOutOfRange);
  if (FColWidths.empty()) {
    SetExtentCount(FColWidths, FColCount, FDefaultColWidth);
    SetExtentCount(FTabStops, FColCount, 1);
  }
  if (value == FColWidths[index + 1]) return;
  Invalidate();
  FColWidths[index + 1] = value;
  ColWidthsChangedNotify();
}

void TspSkinCustomGrid::SetRowHeights(int index, int value) {
  if (index < 0 || index >= FRowCount) GridError(kIndexOutOfRange);
  if (FRowHeights.empty()) SetExtentCount(FRowHeights, FRowCount, FDefaultRowHeight);
  if (value == FRowHeights[index + 1]) return;
  Invalidate();
  FRowHeights[index + 1] = value;
  RowHeightsChangedNotify();
}

void TspSkinCustomGrid::SetDefaultColWidth(int value) {
  SetExtentCount(FColWidths, 0, 0);
  SetExtentCount(FTabStops, 0, 0);
  FDefaultColWidth = value;
  ColWidthsChangedNotify();
  Invalidate();
}

void TspSkinCustomGrid::SetDefaultRowHeight(int value) {
  SetExtentCount(FRowHeights, 0, 0);
  FDefaultRowHeight = value;
  RowHeightsChangedNotify();
  Invalidate();
}

void TspSkinCustomGrid::ColWidthsChangedNotify() {
  UpdateScrollRange(true);
  RefreshEditor();
}

void TspSkinCustomGrid::RowHeightsChangedNotify() {
  UpdateScrollRange(true);
  RefreshEditor();
}

void TspSkinCustomGrid::TopLeftChangedNotify() {
  if (FEditorMode && FInplaceEdit) {
    TRect r = CellRect(Col(), Row());
    FInplaceEdit->UpdateLoc(RECT{r.Left, r.Top, r.Right, r.Bottom});
  }
}

// ---------------------------------------------------------------------------
// Counts

void TspSkinCustomGrid::SetColCount(int value) {
  if (value == FColCount) return;
  if (value <= 0) value = 1;
  if (FFixedCols >= value) SetFixedCols(value - 1);
  ResizeGrid(value, FRowCount);
  if (FOptions & goRowSelect) {
    FAnchor.X = FColCount - 1;
    Invalidate();
  }
}

void TspSkinCustomGrid::SetRowCount(int value) {
  if (value == FRowCount) return;
  if (value <= 0) value = 1;
  if (FFixedRows >= value) SetFixedRows(value - 1);
  ResizeGrid(FColCount, value);
}

void TspSkinCustomGrid::ResizeGrid(int newCols, int newRows) {
  int oldCols = FColCount, oldRows = FRowCount;
  bool hadWindow = HandleAllocated();
  TGridLayout oldLayout;
  if (hadWindow) oldLayout = ComputeLayout();
  auto apply = [&](int cols, int rows) {
    TGridCoord oldTopLeft = FTopLeft;
    FColCount = cols;
    FRowCount = rows;
    if (FFixedCols >= cols) FFixedCols = std::max(0, cols - 1);
    if (FFixedRows >= rows) FFixedRows = std::max(0, rows - 1);
    if (!FColWidths.empty()) {
      SetExtentCount(FColWidths, cols, FDefaultColWidth);
      SetExtentCount(FTabStops, cols, 1);
    }
    if (!FRowHeights.empty()) SetExtentCount(FRowHeights, rows, FDefaultRowHeight);
    TGridCoord current{std::min(FCurrent.X, cols - 1), std::min(FCurrent.Y, rows - 1)};
    if (current != FCurrent) MoveCurrent(current.X, current.Y, true, true);
    if (FAnchor != FCurrent) MoveSelectionAnchor(FCurrent);
    if (VirtualView || FTopLeft != oldTopLeft) {
      Invalidate();
    } else if (hadWindow && HandleAllocated()) {
      TGridLayout now = ComputeLayout();
      RECT client = ClientRect();
      int col = std::min(oldLayout.Horz.LastFullCell, now.Horz.LastFullCell);
      int row = std::min(oldLayout.Vert.LastFullCell, now.Vert.LastFullCell);
      TRect c = CellRect(col, 0);
      RECT r{c.Left, 0, client.right, client.bottom};
      ::InvalidateRect(Handle(), &r, FALSE);
      TRect rr = CellRect(0, row);
      r = RECT{0, rr.Top, client.right, client.bottom};
      ::InvalidateRect(Handle(), &r, FALSE);
    }
    UpdateScrollRange(true);
    SizeChangedNotify(oldCols, oldRows);
  };
  try {
    apply(newCols, newRows);
  } catch (...) {
    try {
      apply(oldCols, oldRows);
    } catch (...) {
      FColCount = oldCols;
      FRowCount = oldRows;
    }
    Invalidate();
    throw;
  }
}

void TspSkinCustomGrid::SetFixedCols(int value) {
  if (!NewFixedCount(FFixedCols, value, FColCount, kFixedColTooBig)) return;
  FFixedCols = value;
  ResetCurrentCell();
  Invalidate();
}

void TspSkinCustomGrid::SetFixedRows(int value) {
  if (!NewFixedCount(FFixedRows, value, FRowCount, kFixedRowTooBig)) return;
  FFixedRows = value;
  ResetCurrentCell();
  Invalidate();
}

// ---------------------------------------------------------------------------
// Look

void TspSkinCustomGrid::SetDefaultDrawing(bool value) {
  if (value == FDefaultDrawing) return;
  FDefaultDrawing = value;
  Invalidate();
}

void TspSkinCustomGrid::SetFixedColor(TColor value) {
  if (value == FFixedColor) return;
  FFixedColor = value;
  Invalidate();
}

void TspSkinCustomGrid::SetGridLineWidth(int value) {
  if (value == FGridLineWidth) return;
  FGridLineWidth = value;
  Invalidate();
}

void TspSkinCustomGrid::SetGridLineColor(TColor value) {
  FGridLineColor = value;
  if (!Skinned()) Invalidate();
}

void TspSkinCustomGrid::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated()) {
    DestroyHandle();
    if (Parent()) HandleNeeded();
  }
}

void TspSkinCustomGrid::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TspSkinCustomGrid::SetWallpaper(TBitmap* value) {
  if (value)
    FWallpaper.Assign(value);
  else
    FWallpaper.SetSize(0, 0);
  if (value) FTransparent = true;
  Invalidate();
}

void TspSkinCustomGrid::SetWallpaperStretch(bool value) {
  FWallpaperStretch = value;
  if (!FWallpaper.Empty()) Invalidate();
}

// ---------------------------------------------------------------------------
// Skin element

void TspSkinCustomGrid::GetSkinData() {
  Picture = nullptr;
  BGPicture = nullptr;
  FIndex = -1;
  Base::GetSkinData();
  if (FIndex == -1) return;
  auto* e = dynamic_cast<TspDataSkinGridControl*>(Element());
  if (!e) {
    // An element of another kind under the grid's name has nothing to draw from.
    FIndex = -1;
    return;
  }
  auto picture = [this](int index) -> TBitmap* {
    if (index < 0) return nullptr;
    TBitmap* b = FSD->ActivePicture(index);
    return (b && !b->Empty()) ? b : nullptr;
  };
  Picture = picture(e->PictureIndex);
  FSkin.FixedCellRect = ToWinRect(e->FixedCellRect);
  FSkin.SelectCellRect = ToWinRect(e->SelectCellRect);
  FSkin.FocusCellRect = ToWinRect(e->FocusCellRect);
  FSkin.FixedCellLeftOffset = e->FixedCellLeftOffset;
  FSkin.FixedCellRightOffset = e->FixedCellRightOffset;
  FSkin.FixedCellTextRect = ToWinRect(e->FixedCellTextRect);
  FSkin.CellLeftOffset = e->CellLeftOffset;
  FSkin.CellRightOffset = e->CellRightOffset;
  FSkin.CellTextRect = ToWinRect(e->CellTextRect);
  FSkin.LinesColor = e->LinesColor;
  FSkin.BGColor = e->BGColor;
  FSkin.BGPictureIndex = e->BGPictureIndex;
  FSkin.FontName = e->FontName;
  FSkin.FontStyle = e->FontStyle;
  FSkin.FontHeight = e->FontHeight;
  FSkin.FontColor = e->FontColor;
  FSkin.SelectFontColor = e->SelectFontColor;
  FSkin.FocusFontColor = e->FocusFontColor;
  FSkin.FixedFontName = e->FixedFontName;
  FSkin.FixedFontStyle = e->FixedFontStyle;
  FSkin.FixedFontHeight = e->FixedFontHeight;
  FSkin.FixedFontColor = e->FixedFontColor;
  FSkin.CellStretchEffect = e->CellStretchEffect;
  FSkin.FixedCellStretchEffect = e->FixedCellStretchEffect;
  FSkin.ShowFocus = e->ShowFocus;
  BGPicture = picture(e->BGPictureIndex);
  if (IsEmptyRECT(FSkin.SelectCellRect)) FSkin.SelectCellRect = FSkin.FocusCellRect;
  if (IsEmptyRECT(FSkin.FocusCellRect)) FSkin.FocusCellRect = FSkin.SelectCellRect;
  if (IsEmptyRECT(FSkin.FixedCellRect)) {
    FIndex = -1;
    Picture = nullptr;
    BGPicture = nullptr;
  }
}

void TspSkinCustomGrid::ChangeSkinData() {
  GetSkinData();
  ApplySkinCursor();
  int h = FSkin.SelectCellRect.bottom - FSkin.SelectCellRect.top;
  if (Skinned() && FUseSkinCellHeight && FDefaultRowHeight != h)
    SetDefaultRowHeight(h);
  else
    Invalidate();
}

TRect TspSkinCustomGrid::GetNewTextRect(TRect cellR, TGridDrawState state) {
  if (!Skinned()) return cellR;
  bool fixed = (state & gdFixed) != 0;
  const RECT& pic = fixed ? FSkin.FixedCellRect : FSkin.SelectCellRect;
  const RECT& text = fixed ? FSkin.FixedCellTextRect : FSkin.CellTextRect;
  if (IsEmptyRECT(text)) return cellR;
  int dx = cellR.Width() - (pic.right - pic.left);
  int dy = FUseSkinCellHeight ? 0 : cellR.Height() - (FSkin.FixedCellRect.bottom - FSkin.FixedCellRect.top);
  TRect r;
  r.Left = cellR.Left + text.left;
  r.Top = cellR.Top + text.top;
  r.Right = r.Left + (text.right - text.left) + dx;
  r.Bottom = r.Top + (text.bottom - text.top) + dy;
  return r;
}

// ---------------------------------------------------------------------------
// Current cell and selection

TGridRect TspSkinCustomGrid::Selection() const {
  return TGridRect{std::min(FCurrent.X, FAnchor.X), std::min(FCurrent.Y, FAnchor.Y), std::max(FCurrent.X, FAnchor.X),
                   std::max(FCurrent.Y, FAnchor.Y)};
}

void TspSkinCustomGrid::SetSelection(const TGridRect& value) {
  // A rectangle outside the grid would leave the current cell outside it.
  auto inside = [this](int c, int r) { return c >= 0 && r >= 0 && c < FColCount && r < FRowCount; };
  if (!inside(value.Left, value.Top) || !inside(value.Right, value.Bottom)) GridError(kIndexOutOfRange);
  TGridRect old = Selection();
  FAnchor = value.TopLeft();
  FCurrent = value.BottomRight();
  InvalidateSelectionChange(old, Selection());
}

void TspSkinCustomGrid::ResetCurrentCell() {
  FTopLeft = FCurrent = FAnchor = TGridCoord{FFixedCols, FFixedRows};
  if (FOptions & goRowSelect) FAnchor.X = FColCount - 1;
}

void TspSkinCustomGrid::MoveCurrent(int aCol, int aRow, bool moveAnchor, bool show) {
  if (aCol < 0 || aRow < 0 || aCol >= FColCount || aRow >= FRowCount) GridError(kIndexOutOfRange);
  if (!SelectCell(aCol, aRow)) return;
  TGridRect oldSel = Selection();
  TGridCoord oldCurrent = FCurrent;
  FCurrent = TGridCoord{aCol, aRow};
  if (!(FOptions & goAlwaysShowEditor)) HideCellEditor();
  if (moveAnchor || !(FOptions & goRangeSelect)) {
    FAnchor = FCurrent;
    if (FOptions & goRowSelect) FAnchor.X = FColCount - 1;
  }
  if (FOptions & goRowSelect) FCurrent.X = FFixedCols;
  if (show) ScrollIntoView(FCurrent);
  InvalidateSelectionChange(oldSel, Selection());
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TspSkinCustomGrid::MoveSelectionAnchor(TGridCoord newAnchor) {
  if ((FOptions & goRangeSelect) && !(FOptions & goEditing)) {
    TGridRect old = Selection();
    FAnchor = newAnchor;
    if (FOptions & goRowSelect) FAnchor.X = FColCount - 1;
    ScrollIntoView(newAnchor);
    InvalidateSelectionChange(old, Selection());
  } else {
    MoveCurrent(newAnchor.X, newAnchor.Y, true, true);
  }
}

void TspSkinCustomGrid::FocusCellAt(int aCol, int aRow, bool moveAnchor) {
  MoveCurrent(aCol, aRow, moveAnchor, true);
  RefreshEditor();
  Click();
}

void TspSkinCustomGrid::SetCol(int value) {
  if (value != FCurrent.X) FocusCellAt(value, FCurrent.Y, true);
}

void TspSkinCustomGrid::SetRow(int value) {
  if (value != FCurrent.Y) FocusCellAt(FCurrent.X, value, true);
}

void TspSkinCustomGrid::SetLeftCol(int value) {
  if (value != FTopLeft.X) SetTopLeftCell(value, FTopLeft.Y);
}

void TspSkinCustomGrid::SetTopRow(int value) {
  if (value != FTopLeft.Y) SetTopLeftCell(FTopLeft.X, value);
}

void TspSkinCustomGrid::SetOptions(TGridOptions value) {
  if (value == FOptions) return;
  if (value & goRowSelect) value &= ~goAlwaysShowEditor;
  FOptions = value;
  if (!FEditorMode) {
    if (value & goAlwaysShowEditor)
      ShowCellEditor();
    else
      HideCellEditor();
  }
  if (value & goRowSelect) MoveCurrent(FCurrent.X, FCurrent.Y, true, false);
  Invalidate();
}

bool TspSkinCustomGrid::IsFocusedGrid() {
  if (TCustomForm* form = GetParentForm()) return form->ActiveControl() == this;
  HWND h = HandleIfAllocated();
  if (!h) return false;
  HWND focus = GetFocus();
  return focus == h || (focus && IsChild(h, focus));
}

// ---------------------------------------------------------------------------
// Invalidation

void TspSkinCustomGrid::InvalidateRect(const TGridRect& rect) {
  if (!HandleAllocated()) return;
  RECT r = GridRectToClient(rect, true);
  if (IsEmptyRECT(r)) return;
  ::InvalidateRect(HandleIfAllocated(), &r, FALSE);
}

void TspSkinCustomGrid::InvalidateCell(int aCol, int aRow) { InvalidateRect(TGridRect{aCol, aRow, aCol, aRow}); }
void TspSkinCustomGrid::InvalidateRow(int aRow) { InvalidateRect(TGridRect{0, aRow, FColCount - 1, aRow}); }
void TspSkinCustomGrid::InvalidateCol(int aCol) { InvalidateRect(TGridRect{aCol, 0, aCol, FRowCount - 1}); }

void TspSkinCustomGrid::InvalidateSelectionChange(const TGridRect& oldSel, const TGridRect& newSel) {
  HWND h = HandleIfAllocated();
  if (!h) return;
  RECT r1 = GridRectToClient(oldSel, true);
  RECT r2 = GridRectToClient(newSel, true);
  auto invalidate = [h](const RECT& r) {
    if (!IsEmptyRECT(r)) ::InvalidateRect(h, &r, FALSE);
  };
  RECT inter;
  if (!IntersectRect(&inter, &r1, &r2)) {
    invalidate(r1);
    invalidate(r2);
    return;
  }
  RECT u;
  UnionRect(&u, &r1, &r2);
  auto inside = [&](POINT p) {
    auto in = [&](const RECT& r) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom; };
    return in(r1) || in(r2);
  };
  auto build = [&](RECT& r, POINT p1, POINT p2, POINT p3) {
    if (inside(p1)) {
      POINT br = inside(p3) ? p3 : p2;
      r = RECT{p1.x, p1.y, br.x, br.y};
      return true;
    }
    if (inside(p2)) {
      r = RECT{p2.x, p2.y, p3.x, p3.y};
      return true;
    }
    return false;
  };
  RECT a{}, b{}, c{}, d{};
  if (build(a, POINT{u.left, u.top}, POINT{u.left, inter.top}, POINT{u.left, inter.bottom})) a.right = inter.left;
  if (build(b, POINT{inter.left, u.top}, POINT{inter.right, u.top}, POINT{u.right, u.top})) b.bottom = inter.top;
  if (build(c, POINT{u.right, inter.top}, POINT{u.right, inter.bottom}, POINT{u.right, u.bottom})) c.left = inter.right;
  if (build(d, POINT{u.left, u.bottom}, POINT{inter.left, u.bottom}, POINT{inter.right, u.bottom})) d.top = inter.bottom;
  // The rectangles are built from corner points; normalise before use.
  for (RECT* r : {&a, &b, &c, &d}) {
    if (r->left > r->right) std::swap(r->left, r->right);
    if (r->top > r->bottom) std::swap(r->top, r->bottom);
    invalidate(*r);
  }
}

// ---------------------------------------------------------------------------
// Line moves

void TspSkinCustomGrid::MoveColumnTo(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= FColCount || toIndex >= FColCount) GridError(kIndexOutOfRange);
  bool widths = !FColWidths.empty();
  if (widths) {
    ShiftExtent(FColWidths, fromIndex, toIndex);
    ShiftExtent(FTabStops, fromIndex, toIndex);
  }
  for (int* v : {&FCurrent.X, &FAnchor.X}) FollowLineMove(*v, fromIndex, toIndex);
  if (FInplaceCol != -1) FollowLineMove(FInplaceCol, fromIndex, toIndex);
  InvalidateRect(TGridRect{std::min(fromIndex, toIndex), 0, std::max(fromIndex, toIndex), VisibleRowCount()});
  ColumnMovedNotify(fromIndex, toIndex);
  if (widths) ColWidthsChangedNotify();
  RefreshEditor();
}

void TspSkinCustomGrid::MoveRowTo(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= FRowCount || toIndex >= FRowCount) GridError(kIndexOutOfRange);
  bool heights = !FRowHeights.empty();
  if (heights) ShiftExtent(FRowHeights, fromIndex, toIndex);
  for (int* v : {&FCurrent.Y, &FAnchor.Y}) FollowLineMove(*v, fromIndex, toIndex);
  if (FInplaceRow != -1) FollowLineMove(FInplaceRow, fromIndex, toIndex);
  RowMovedNotify(fromIndex, toIndex);
  if (heights) RowHeightsChangedNotify();
  RefreshEditor();
}

void TspSkinCustomGrid::DeleteColumn(int aCol) {
  MoveColumnTo(aCol, FColCount - 1);
  SetColCount(FColCount - 1);
}

void TspSkinCustomGrid::DeleteRow(int aRow) {
  MoveRowTo(aRow, FRowCount - 1);
  SetRowCount(FRowCount - 1);
}

void TspSkinCustomGrid::AdjustCount(int index, int amount, bool rows) {
  if (amount == 0) return;
  int oldCols = FColCount, oldRows = FRowCount;
  int count = rows ? FRowCount : FColCount;
  int64_t newCount = int64_t{count} + amount;
  if (index < 0 || newCount < index || (amount < 0 && int64_t{index} - amount > count)) GridError(kTooManyDeleted);
  if (newCount > kMaxExtentCount) GridError(kGridTooLarge);
  TExtents& block = rows ? FRowHeights : FColWidths;
  int defaultValue = rows ? FDefaultRowHeight : FDefaultColWidth;
  // The extents after the index move with their lines.
  auto shiftBlock = [&](TExtents& b, int def) {
    if (b.empty()) return;
    if (amount > 0)
      b.insert(b.begin() + index + 1, static_cast<size_t>(amount), def);
    else
      b.erase(b.begin() + index + 1, b.begin() + index + 1 - amount);
    b[0] = static_cast<int32_t>(newCount);
    if (newCount == 0) b.clear();
  };
  shiftBlock(block, defaultValue);
  if (!rows) shiftBlock(FTabStops, 1);
  TGridCoord current = FCurrent;
  int& c = rows ? current.Y : current.X;
  if (c >= index) {
    if (amount < 0 && c < index - amount)
      c = index;
    else
      c += amount;
  }
  if (rows)
    FRowCount = static_cast<int>(newCount);
  else
    FColCount = static_cast<int>(newCount);
  if (FFixedCols >= FColCount) FFixedCols = std::max(0, FColCount - 1);
  if (FFixedRows >= FRowCount) FFixedRows = std::max(0, FRowCount - 1);
  current.X = std::max(FFixedCols, std::min(current.X, FColCount - 1));
  current.Y = std::max(FFixedRows, std::min(current.Y, FRowCount - 1));
  FAnchor.X = std::min(FAnchor.X, FColCount - 1);
  FAnchor.Y = std::min(FAnchor.Y, FRowCount - 1);
  Invalidate();
  UpdateScrollRange(true);
  SizeChangedNotify(oldCols, oldRows);
  if (current != FCurrent) {
    FCurrent.X = std::min(FCurrent.X, FColCount - 1);
    FCurrent.Y = std::min(FCurrent.Y, FRowCount - 1);
    MoveCurrent(current.X, current.Y, true, true);
  }
}
