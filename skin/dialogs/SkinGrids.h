// The skinned grids: a table of cells in rows and columns whose first
// FixedCols columns and FixedRows rows never scroll. The grid keeps the
// geometry, the current cell and the selection, scrolls through two
// external skinned scroll bars, and takes its look from the "grid" skin
// element. TspSkinDrawGrid leaves the cells to its OnDrawCell handler;
// TspSkinStringGrid also keeps a text and an object per cell.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/SkinEdits.h"  // the edit menu entries
#include "framework/Graphics.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/dialogs/SparseLists.h"

// Grid options, one bit each.
using TGridOptions = uint16_t;
enum TGridOption : TGridOptions {
  goFixedVertLine = 1u << 0,
  goFixedHorzLine = 1u << 1,
  goVertLine = 1u << 2,
  goHorzLine = 1u << 3,
  goRangeSelect = 1u << 4,
  goDrawFocusSelected = 1u << 5,
  goRowSizing = 1u << 6,
  goColSizing = 1u << 7,
  goRowMoving = 1u << 8,
  goColMoving = 1u << 9,
  goEditing = 1u << 10,
  goTabs = 1u << 11,
  goRowSelect = 1u << 12,
  goAlwaysShowEditor = 1u << 13,
  goThumbTracking = 1u << 14,
};
constexpr TGridOptions kDefaultGridOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

using TGridDrawState = unsigned;
enum : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };

struct TGridCoord {
  int X = 0, Y = 0;
  bool operator==(const TGridCoord& o) const { return X == o.X && Y == o.Y; }
  bool operator!=(const TGridCoord& o) const { return !(*this == o); }
};

struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  TGridCoord TopLeft() const { return TGridCoord{Left, Top}; }
  TGridCoord BottomRight() const { return TGridCoord{Right, Bottom}; }
  bool operator==(const TGridRect& o) const {
    return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
  }
};

// A control's border: bsNone or bsSingle of the form border styles.
using TBorderStyle = TFormBorderStyle;

using TSelectCellEvent = std::function<void(TObject* sender, int aCol, int aRow, bool& canSelect)>;
using TDrawCellEvent = std::function<void(TObject* sender, int aCol, int aRow, TRect rect, TGridDrawState state)>;
using TGetEditEvent = std::function<void(TObject* sender, int aCol, int aRow, std::string& value)>;
using TSetEditEvent = std::function<void(TObject* sender, int aCol, int aRow, const std::string& value)>;
using TMovedEvent = std::function<void(TObject* sender, int fromIndex, int toIndex)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* sender, TShiftState shift, POINT mousePos, bool& handled)>;
using TspGetCellParamEvent = std::function<void(TObject* sender, int aCol, int aRow, TGridDrawState state,
                                                TColor& bgColor, bool& fillBG, TColor& fontColor)>;

class EInvalidGridOperation : public Exception {
public:
  explicit EInvalidGridOperation(const std::string& message) : Exception(message) {}
};

class TspSkinCustomGrid;

// One axis of the grid's layout, computed on demand.
struct TGridAxisInfo {
  int LineWidth = 0;
  int FixedEnd = 0;
  int GridEnd = 0;
  int ClientExtent = 0;
  int LastFullCell = 0;
  int FullCellsEnd = 0;
  int FixedCount = 0;
  int FirstCell = 0;
  int CellCount = 0;
  const TspSkinCustomGrid* Grid = nullptr;
  bool Columns = true;
  int Extent(int index) const;
};

struct TGridLayout {
  TGridAxisInfo Horz, Vert;
};

// A mask edit whose background may show what lies under it.
class TspSkinTransparentMaskEdit : public TCustomMaskEdit {
public:
  explicit TspSkinTransparentMaskEdit(TComponent* owner);

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

  // -1 marks text that may not be changed; 0 means no limit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);

  TColorValue FontColor = 0;
  TFont* Font() { return &FFont; }

  bool CanUndo() const;
  void Undo();
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();
  void ClearSelection();
  void SelectAll();
  int SelStart() const;
  int SelLength() const;
  void SetSelection(int start, int end);
  bool ReadOnly = false;

  void WndProc(TMessage& message) override;
  // Invalidation that also repaints what shows through a transparent edit.
  virtual void InvalidateEdit();

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  virtual bool EditCanModify() { return true; }
  void ApplyFont();

  bool FTransparent = false;
  bool FDown = false;
  int FMaxLength = 0;
  TFont FFont;
  HBRUSH FBrush = nullptr;

public:
  ~TspSkinTransparentMaskEdit() override;
};

// The edit commands of the in-place editor's context menu.

// The editor that lies over the grid's current cell while it is edited.
class TspSkinInplaceEdit : public TspSkinTransparentMaskEdit {
public:
  explicit TspSkinInplaceEdit(TComponent* owner);
  ~TspSkinInplaceEdit() override;

  void Deselect();
  void InvalidateEdit() override;
  void Hide();
  bool PosEqual(const RECT& rect);
  void UpdateLoc(const RECT& loc);
  bool IsVisible();
  void Move(const RECT& loc);
  bool SetFocus() override;

  virtual void UpdateEditRect();
  virtual void LoadCellContents();

  void SetGrid(TspSkinCustomGrid* grid) { FGrid = grid; }
  TspSkinCustomGrid* Grid() const { return FGrid; }
  // The context menu's items as they stand now (also what the menu shows).
  const std::vector<TspEditMenuItem>& BuildEditMenu();
  const std::vector<TspEditMenuItem>& EditMenu() const { return FSysPopupMenu; }
  bool HasEditMenu() const { return FHasMenu; }

  int64_t FClickTime = 0;

  void WndProc(TMessage& message) override;
  void DblClick() override;

protected:
  void CreateParams(TCreateParams& params) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char16_t& key) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  bool EditCanModify() override;

private:
  void PlaceAt(const RECT& loc, bool redraw);
  void SendToGrid(WORD& key, TShiftState shift);
  void GridKeyEvent(WORD& key, TShiftState shift);
  void ShowEditMenu(POINT screen);

  TspSkinCustomGrid* FGrid = nullptr;
  std::vector<TspEditMenuItem> FSysPopupMenu;
  bool FHasMenu = false;
  bool FLoading = false;
};

// The grid's canvas: the paint DC while painting; outside painting it takes
// the window's DC on first use (measuring text in a handler, say) and gives
// it back when the message that wanted it is done.
class TspGridCanvas : public TCanvas {
public:
  explicit TspGridCanvas(TWinControl* control) : FControl(control) {}
  ~TspGridCanvas() override { ReleaseOwnDC(); }
  void ReleaseOwnDC();

protected:
  void CreateHandle() override;

private:
  TWinControl* FControl;
  HDC FOwnDC = nullptr;
  HWND FOwnWnd = nullptr;
};

class TspSkinCustomGrid : public TspSkinControl {
  using Base = TspSkinControl;

public:
  explicit TspSkinCustomGrid(TComponent* owner);
  ~TspSkinCustomGrid() override;

  // Geometry.
  int ColCount() const { return FColCount; }
  virtual void SetColCount(int value);
  int RowCount() const { return FRowCount; }
  virtual void SetRowCount(int value);
  int FixedCols() const { return FFixedCols; }
  void SetFixedCols(int value);
  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int value);
  int DefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int value);
  int ColWidths(int index) const;
  void SetColWidths(int index, int value);
  int RowHeights(int index) const;
  void SetRowHeights(int index, int value);
  // Whether widths (heights) are stored per column (row).
  bool HasColWidths() const { return !FColWidths.empty(); }
  bool HasRowHeights() const { return !FRowHeights.empty(); }
  int GridWidth();
  int GridHeight();
  int VisibleColCount();
  int VisibleRowCount();

  // Look.
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool value);
  TColor FixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor value);
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int value);
  TColor GridLineColor() const { return FGridLineColor; }
  void SetGridLineColor(TColor value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TBitmap* Wallpaper() { return &FWallpaper; }
  void SetWallpaper(TBitmap* value);
  bool WallpaperStretch() const { return FWallpaperStretch; }
  void SetWallpaperStretch(bool value);
  bool UseSkinFont = true;
  bool UseSkinCellHeight() const { return FUseSkinCellHeight; }
  void SetUseSkinCellHeight(bool value) { FUseSkinCellHeight = value; }
  TFont* Font() { return &FFont; }
  TCanvas* Canvas() { return &FCanvas; }

  TGridOptions Options() const { return FOptions; }
  void SetOptions(TGridOptions value);
  bool FixedColSizing = false;
  bool ColSizingWithLine = false;

  // Scroll bars (not owned).
  TspSkinScrollBar* HScrollBar() const { return FHScrollBar; }
  virtual void SetHScrollBar(TspSkinScrollBar* value);
  TspSkinScrollBar* VScrollBar() const { return FVScrollBar; }
  virtual void SetVScrollBar(TspSkinScrollBar* value);

  // Current cell, selection, scroll position.
  int Col() const { return FCurrent.X; }
  void SetCol(int value);
  int Row() const { return FCurrent.Y; }
  void SetRow(int value);
  int LeftCol() const { return FTopLeft.X; }
  void SetLeftCol(int value);
  int TopRow() const { return FTopLeft.Y; }
  void SetTopRow(int value);
  TGridRect Selection() const;
  void SetSelection(const TGridRect& value);
  TGridCoord Anchor() const { return FAnchor; }
  int ColOffset() const { return FColOffset; }
  TGridState GridState() const { return FGridState; }

  bool EditorMode() const { return FEditorMode; }
  void SetEditorMode(bool value);
  TspSkinInplaceEdit* InplaceEditor() const { return FInplaceEdit; }

  TRect CellRect(int aCol, int aRow);
  void MouseToCell(int x, int y, int& aCol, int& aRow);
  TGridCoord MouseCoord(int x, int y);
  TRect GetNewTextRect(TRect cellR, TGridDrawState state);
  void SetParentImage();
  void ChangeSkinData() override;

  TGridLayout ComputeLayout();
  TGridCoord MaxTopLeftCell(TGridCoord coord, const TGridLayout* layout = nullptr);

  // Moving and deleting whole columns and rows.
  void MoveColumnTo(int fromIndex, int toIndex);
  void MoveRowTo(int fromIndex, int toIndex);
  virtual void DeleteColumn(int aCol);
  virtual void DeleteRow(int aRow);

  // One scroll step as the scroll messages give it.
  void ScrollCommand(bool horizontal, int code, int pos, bool useRightToLeft);

  TNotifyEvent OnShowEditor, OnHideEditor;
  TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;

  // The skin element's values as the grid copied them at the last lookup.
  struct TSkinCopy {
    RECT FixedCellRect{}, SelectCellRect{}, FocusCellRect{};
    int FixedCellLeftOffset = 0, FixedCellRightOffset = 0;
    RECT FixedCellTextRect{};
    int CellLeftOffset = 0, CellRightOffset = 0;
    RECT CellTextRect{};
    TColor LinesColor = 0, BGColor = 0;
    int BGPictureIndex = -1;
    std::string FontName = "Arial";
    unsigned FontStyle = 0;
    int FontHeight = 14;
    TColor FontColor = 0, SelectFontColor = 0, FocusFontColor = 0;
    std::string FixedFontName = "Arial";
    unsigned FixedFontStyle = 0;
    int FixedFontHeight = 14;
    TColor FixedFontColor = 0;
    bool CellStretchEffect = false, FixedCellStretchEffect = false, ShowFocus = false;
  };
  const TSkinCopy& SkinCopy() const { return FSkin; }
  // Test hook: grid lines drawn since construction.
  int LinesDrawn = 0;

  void WndProc(TMessage& message) override;

  // Grid layout and geometry helpers that the editor and tests reach.
  RECT GridRectToClient(const TGridRect& rect, bool includeLine, const TGridLayout* layout = nullptr);
  bool IsFocusedGrid();
  void InvalidateCell(int aCol, int aRow);
  void InvalidateGrid() { Invalidate(); }
  void InvalidateRow(int aRow);
  void InvalidateCol(int aCol);

  // Editor plumbing, used by the in-place editor.
  virtual bool CanEditShow();
  void ShowCellEditor();
  void HideCellEditor();
  void ShowCellEditorWithChar(char16_t ch);
  void RefreshEditor();
  void ReloadEditor();
  void HideEditorWindow();
  void PushEditorText();
  void PrepareEditor();
  virtual bool CanModifyCell() { return FCanEditModify; }
  virtual bool AcceptsEditKey(char16_t) { return true; }
  virtual std::string GetCellEditText(int, int) { return std::string(); }
  virtual void SetCellEditText(int, int, const std::string&) {}
  virtual std::string GetCellEditMask(int, int) { return std::string(); }
  virtual int GetCellEditLimit() { return 0; }
  void GridKeyDown(WORD& key, TShiftState shift) { KeyDown(key, shift); }
  void GridKeyPress(char16_t& key) { KeyPress(key); }
  void GridKeyUp(WORD& key, TShiftState shift) { KeyUp(key, shift); }

protected:
  // Extension points in the order of the grid's own.
  virtual void UpdateScrollPos(bool updateVert);
  virtual void UpdateScrollRange(bool updateVert);
  virtual void MoveCurrent(int aCol, int aRow, bool moveAnchor, bool show);
  virtual void CalcSizingState(int x, int y, TGridLayout& layout, int& sizingOfs, int& sizingPos, int& sizingIndex,
                               TGridState& state);
  virtual TspSkinInplaceEdit* CreateEditor();
  virtual void DrawCell(int aCol, int aRow, TRect aRect, TGridDrawState state) = 0;
  virtual bool SelectCell(int, int) { return true; }

  virtual void AdjustCount(int index, int amount, bool rows);
  virtual bool AcceptsGridKey(WORD, TShiftState) { return true; }
  virtual void ColumnMovedNotify(int, int) {}
  virtual void RowMovedNotify(int, int) {}
  virtual void SizeChangedNotify(int, int) {}
  virtual void TopLeftChangedNotify();
  virtual void ColWidthsChangedNotify();
  virtual void RowHeightsChangedNotify();
  virtual void AutoScrollStep(unsigned directions);
  virtual bool ColumnDragStarting(int&, int&, POINT) { return true; }
  virtual bool RowDragStarting(int&, int&, POINT) { return true; }
  virtual bool ColumnDragMoving(int&, int&, POINT) { return true; }
  virtual bool RowDragMoving(int&, int&, POINT) { return true; }
  virtual bool ColumnDragEnding(int&, int&, POINT) { return true; }
  virtual bool RowDragEnding(int&, int&, POINT) { return true; }

  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void GetSkinData() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char16_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  void DoExit() override;

  void MoveSelectionAnchor(TGridCoord newAnchor);
  void FocusCellAt(int aCol, int aRow, bool moveAnchor);
  void ResetCurrentCell();
  void ResizeGrid(int newCols, int newRows);
  void SetTopLeftCell(int aCol, int aRow);
  void ScrollIntoView(TGridCoord coord);
  void TopLeftShifted(TGridCoord oldTopLeft);
  void ScrollContent(int dx, int dy);
  void InvalidateRect(const TGridRect& rect);
  void InvalidateSelectionChange(const TGridRect& oldSel, const TGridRect& newSel);
  void BuildCellPicture(TBitmap* bitmap, TGridDrawState state, int w, int h);
  void SetCellFont(TCanvas* canvas, TGridDrawState state, TColor color);
  bool Skinned() const { return FIndex != -1; }
  bool UseRightToLeftAlignment() const { return false; }

  // Extent blocks: element 0 the count, then one value per index; empty
  // means every entry has the default.
  using TExtents = std::vector<int32_t>;
  static void ResizeExtents(TExtents& block, int index, int amount, int defaultValue);
  static void SetExtentCount(TExtents& block, int count, int defaultValue);
  static void ShiftExtent(TExtents& block, int fromIndex, int toIndex);

  TBitmap FWallpaper;
  bool FWallpaperStretch = false;
  bool FUseSkinCellHeight = true;
  bool FTransparent = false;
  TColor FGridLineColor = clWindowText;
  TComponentRef<TspSkinScrollBar> FHScrollBar{this};
  TComponentRef<TspSkinScrollBar> FVScrollBar{this};
  TBitmap* ParentImage = nullptr;
  TGridCoord FAnchor;
  TBorderStyle FBorderStyle = bsSingle;
  bool FCanEditModify = true;
  int FColCount = 5;
  TExtents FColWidths, FTabStops;
  TGridCoord FCurrent;
  int FDefaultColWidth = 64, FDefaultRowHeight = 24;
  int FFixedCols = 1, FFixedRows = 1;
  TColor FFixedColor = clBtnFace;
  int FGridLineWidth = 1;
  TGridOptions FOptions = kDefaultGridOptions;
  int FRowCount = 5;
  TExtents FRowHeights;
  TGridCoord FTopLeft;
  int FSizingIndex = 0, FSizingPos = 0, FSizingOfs = 0;
  int FMoveIndex = 0, FMovePos = 0;
  POINT FHitTest{};
  TspSkinInplaceEdit* FInplaceEdit = nullptr;
  int FInplaceCol = -1, FInplaceRow = -1;
  int FColOffset = 0;
  bool FDefaultDrawing = true;
  bool FEditorMode = false;
  TGridState FGridState = gsNormal;
  bool FSaveCellExtents = true;
  TGridOptions DesignOptionsBoost = goRowSizing | goColSizing;
  bool VirtualView = false;
  bool FInCheckScrollBars = false;

  TSkinCopy FSkin;
  TBitmap* Picture = nullptr;    // the skin's, not owned
  TBitmap* BGPicture = nullptr;  // the skin's, not owned

  TFont FFont;
  TspGridCanvas FCanvas{this};

private:
  void DrawGridLines(const TGridLayout& layout, bool doHorz, bool doVert, int startCol, int startRow,
                     const int bounds[4], TColor onColor, TColor offColor);
  void DrawCellRange(const TGridLayout& layout, const TGridRect& sel, int aCol, int aRow, int startX, int startY,
                     int stopX, int stopY, TColor color, TGridDrawState includeState);
  void TileBackground(TCanvas* canvas, TBitmap* picture, int width, int height);
  void DrawSizingMark(const TGridLayout& layout);
  void DrawMoveMark();
  void DragScrollStep(int mousePos, int cellHit, bool columns, TGridLayout& layout);
  void TimerTick();
  void CancelMode();
  void ScrollPixels(int code, int pos, int factor, const TGridLayout& layout);
  void HandleMessage(TMessage& message);
  void BindScrollBar(TspSkinScrollBar* bar, bool horizontal);
  void UnbindScrollBar(TspSkinScrollBar* bar);
  // Puts `value` in `slot` (one of the two bars), bound to the grid.
  void AttachScrollBar(TComponentRef<TspSkinScrollBar>& slot, TspSkinScrollBar* value, bool horizontal);
  // A DC for drawing outside the paint message (the sizing and move marks).
  HDC BeginCanvas();
  void EndCanvas(HDC dc);
  int CellAtAxis(const TGridAxisInfo& axis, int pos) const;
  int LinePos(const TGridAxisInfo& axis, int cell) const;
  bool CalcAxis(const TGridAxisInfo& axis, int minCell, int maxCell, int& startPos, int& endPos,
                bool includeLine) const;
  bool FTimerOn = false;
};

// A grid whose cells the owner draws in OnDrawCell.
class TspSkinDrawGrid : public TspSkinCustomGrid {
public:
  using TspSkinCustomGrid::TspSkinCustomGrid;

  TMovedEvent OnColumnMoved, OnRowMoved;
  TDrawCellEvent OnDrawCell;
  TGetEditEvent OnGetEditMask, OnGetEditText;
  TSelectCellEvent OnSelectCell;
  TSetEditEvent OnSetEditText;
  TNotifyEvent OnTopLeftChanged;

  std::string GetCellEditText(int aCol, int aRow) override;
  void SetCellEditText(int aCol, int aRow, const std::string& value) override;
  std::string GetCellEditMask(int aCol, int aRow) override;

protected:
  void DrawCell(int aCol, int aRow, TRect aRect, TGridDrawState state) override;
  bool SelectCell(int aCol, int aRow) override;
  void ColumnMovedNotify(int fromIndex, int toIndex) override;
  void RowMovedNotify(int fromIndex, int toIndex) override;
  void TopLeftChangedNotify() override;
};

class TspSkinStringGrid;

// A row or a column of a string grid seen as a string list.
class TspSkinStringGridStrings : public TStrings {
public:
  TspSkinStringGridStrings(TspSkinStringGrid* grid, int index) : FGrid(grid), FIndex(index) {}

  int Count() const override;
  const std::string& Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* object) override;
  int Add(const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  void Assign(const TPersistent* source) override;

protected:
  void SetUpdateState(bool updating) override;

private:
  TspSkinStringGrid* FGrid;
  int FIndex;  // > 0: row FIndex - 1; < 0: column -FIndex - 1; 0: no line
  mutable std::string FScratch;
};

class TspSkinStringGrid : public TspSkinDrawGrid {
public:
  explicit TspSkinStringGrid(TComponent* owner);
  ~TspSkinStringGrid() override;

  std::string Cells(int aCol, int aRow) const;
  void SetCells(int aCol, int aRow, const std::string& value);
  TObject* Objects(int aCol, int aRow) const;
  void SetObjects(int aCol, int aRow, TObject* value);
  // The row and column views, made on first use.
  TspSkinStringGridStrings* Rows(int aRow);
  TspSkinStringGridStrings* Cols(int aCol);
  // The stored row list of a row, or null.
  TStringSparseList* RowList(int aRow) const;

  TspGetCellParamEvent OnGetCellParam;

  std::string GetCellEditText(int aCol, int aRow) override;
  void SetCellEditText(int aCol, int aRow, const std::string& value) override;
  void SetUpdateState(bool updating);

protected:
  void DrawCell(int aCol, int aRow, TRect aRect, TGridDrawState state) override;
  void ColumnMovedNotify(int fromIndex, int toIndex) override;
  void RowMovedNotify(int fromIndex, int toIndex) override;

private:
  TStringSparseList* EnsureRow(int aRow);
  void EnsureViews(int aCol, int aRow);
  void CellChanged(int aCol, int aRow);

  TSparseList* FData = nullptr;
  TSparseList* FRows = nullptr;
  TSparseList* FCols = nullptr;
  bool FUpdating = false;
  bool FNeedsUpdating = false;
  int FEditUpdate = 0;
};
