// The two grids the forms use: the draw grid turns the grid's hooks into
// events; the string grid keeps a text and an object per cell.
#include <algorithm>

#include "skin/dialogs/SkinGrids.h"

// ---------------------------------------------------------------------------
// TspSkinDrawGrid

void TspSkinDrawGrid::DrawCell(int aCol, int aRow, TRect aRect, TGridDrawState state) {
  if (OnDrawCell) OnDrawCell(this, aCol, aRow, aRect, state);
}

bool TspSkinDrawGrid::SelectCell(int aCol, int aRow) {
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, aCol, aRow, canSelect);
  return canSelect;
}

std::string TspSkinDrawGrid::GetCellEditText(int aCol, int aRow) {
  std::string value;
  if (OnGetEditText) OnGetEditText(this, aCol, aRow, value);
  return value;
}

std::string TspSkinDrawGrid::GetCellEditMask(int aCol, int aRow) {
  std::string value;
  if (OnGetEditMask) OnGetEditMask(this, aCol, aRow, value);
  return value;
}

void TspSkinDrawGrid::SetCellEditText(int aCol, int aRow, const std::string& value) {
  if (OnSetEditText) OnSetEditText(this, aCol, aRow, value);
}

void TspSkinDrawGrid::ColumnMovedNotify(int fromIndex, int toIndex) {
  if (OnColumnMoved) OnColumnMoved(this, fromIndex, toIndex);
}

void TspSkinDrawGrid::RowMovedNotify(int fromIndex, int toIndex) {
  if (OnRowMoved) OnRowMoved(this, fromIndex, toIndex);
}

void TspSkinDrawGrid::TopLeftChangedNotify() {
  TspSkinCustomGrid::TopLeftChangedNotify();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

// ---------------------------------------------------------------------------
// Row and column views

int TspSkinStringGridStrings::Count() const {
  if (FIndex > 0) return FGrid->ColCount();
  if (FIndex < 0) return FGrid->RowCount();
  return 0;
}

const std::string& TspSkinStringGridStrings::Get(int index) const {
  if (FIndex == 0) {
    FScratch.clear();
    return FScratch;
  }
  FScratch = FIndex > 0 ? FGrid->Cells(index, FIndex - 1) : FGrid->Cells(-FIndex - 1, index);
  return FScratch;
}

void TspSkinStringGridStrings::Put(int index, const std::string& s) {
  if (FIndex > 0)
    FGrid->SetCells(index, FIndex - 1, s);
  else if (FIndex < 0)
    FGrid->SetCells(-FIndex - 1, index, s);
}

TObject* TspSkinStringGridStrings::Objects(int index) const {
  if (FIndex > 0) return FGrid->Objects(index, FIndex - 1);
  if (FIndex < 0) return FGrid->Objects(-FIndex - 1, index);
  return nullptr;
}

void TspSkinStringGridStrings::PutObject(int index, TObject* object) {
  if (FIndex > 0)
    FGrid->SetObjects(index, FIndex - 1, object);
  else if (FIndex < 0)
    FGrid->SetObjects(-FIndex - 1, index, object);
}

int TspSkinStringGridStrings::Add(const std::string& s) {
  for (int i = 0; i < Count(); ++i) {
    if (Get(i).empty()) {
      Put(i, s.empty() ? std::string(" ") : s);
      return i;
    }
  }
  return -1;
}

void TspSkinStringGridStrings::Insert(int, const std::string&) {
  throw EInvalidGridOperation("Cannot insert or delete rows from grid");
}

void TspSkinStringGridStrings::Delete(int) { throw EInvalidGridOperation("Cannot insert or delete rows from grid"); }

void TspSkinStringGridStrings::Clear() {
  if (FIndex > 0) {
    int row = FIndex - 1;
    TStringSparseList* list = FGrid->RowList(row);
    if (!list) return;
    std::vector<int> present;
    list->List().ForAll([&](int index, void*) {
      present.push_back(index);
      return 0;
    });
    for (int col : present) {
      FGrid->SetObjects(col, row, nullptr);
      FGrid->SetCells(col, row, "");
    }
  } else if (FIndex < 0) {
    int col = -FIndex - 1;
    for (int row = Count() - 1; row >= 0; --row) {
      FGrid->SetObjects(col, row, nullptr);
      FGrid->SetCells(col, row, "");
    }
  }
}

void TspSkinStringGridStrings::Assign(const TPersistent* source) {
  auto* list = dynamic_cast<const TStrings*>(source);
  if (!list) {
    TStrings::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    int n = std::min(list->Count(), Count());
    for (int i = 0; i < n; ++i) {
      Put(i, list->Get(i));
      PutObject(i, list->Objects(i));
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TspSkinStringGridStrings::SetUpdateState(bool updating) { FGrid->SetUpdateState(updating); }

// ---------------------------------------------------------------------------
// TspSkinStringGrid

TspSkinStringGrid::TspSkinStringGrid(TComponent* owner) : TspSkinDrawGrid(owner) {
  FCols = new TSparseList(ColCount() > 512 ? SPALarge : SPASmall);
  TSPAQuantum rows = RowCount() > 256 ? SPALarge : SPASmall;
  FRows = new TSparseList(rows);
  FData = new TSparseList(rows);
}

TspSkinStringGrid::~TspSkinStringGrid() {
  // The editor goes first: hiding it would write its text into freed rows.
  delete FInplaceEdit;
  FInplaceEdit = nullptr;
  FRows->ForAll([](int, void* p) {
    delete static_cast<TspSkinStringGridStrings*>(p);
    return 0;
  });
  delete FRows;
  FRows = nullptr;
  FCols->ForAll([](int, void* p) {
    delete static_cast<TspSkinStringGridStrings*>(p);
    return 0;
  });
  delete FCols;
  FCols = nullptr;
  FData->ForAll([](int, void* p) {
    delete static_cast<TStringSparseList*>(p);
    return 0;
  });
  delete FData;
  FData = nullptr;
}

TStringSparseList* TspSkinStringGrid::RowList(int aRow) const {
  return static_cast<TStringSparseList*>(FData->GetItem(aRow));
}

TStringSparseList* TspSkinStringGrid::EnsureRow(int aRow) {
  TStringSparseList* list = RowList(aRow);
  if (!list) {
    list = new TStringSparseList(ColCount() > 512 ? SPALarge : SPASmall);
    try {
      FData->PutItem(aRow, list);
    } catch (...) {
      delete list;
      throw;
    }
  }
  return list;
}

void TspSkinStringGrid::EnsureViews(int aCol, int aRow) {
  if (!FCols->GetItem(aCol)) FCols->PutItem(aCol, new TspSkinStringGridStrings(this, -aCol - 1));
  if (!FRows->GetItem(aRow)) FRows->PutItem(aRow, new TspSkinStringGridStrings(this, aRow + 1));
}

TspSkinStringGridStrings* TspSkinStringGrid::Rows(int aRow) {
  EnsureViews(0, aRow);
  return static_cast<TspSkinStringGridStrings*>(FRows->GetItem(aRow));
}

TspSkinStringGridStrings* TspSkinStringGrid::Cols(int aCol) {
  EnsureViews(aCol, 0);
  return static_cast<TspSkinStringGridStrings*>(FCols->GetItem(aCol));
}

std::string TspSkinStringGrid::Cells(int aCol, int aRow) const {
  TStringSparseList* list = RowList(aRow);
  return list ? list->Get(aCol) : std::string();
}

TObject* TspSkinStringGrid::Objects(int aCol, int aRow) const {
  TStringSparseList* list = RowList(aRow);
  return list ? list->Objects(aCol) : nullptr;
}

void TspSkinStringGrid::SetCells(int aCol, int aRow, const std::string& value) {
  EnsureRow(aRow)->Put(aCol, value);
  EnsureViews(aCol, aRow);
  CellChanged(aCol, aRow);
}

void TspSkinStringGrid::SetObjects(int aCol, int aRow, TObject* value) {
  EnsureRow(aRow)->PutObject(aCol, value);
  EnsureViews(aCol, aRow);
  CellChanged(aCol, aRow);
}

void TspSkinStringGrid::CellChanged(int aCol, int aRow) {
  if (FUpdating)
    FNeedsUpdating = true;
  else
    InvalidateCell(aCol, aRow);
  if (aCol == Col() && aRow == Row() && FEditUpdate == 0) ReloadEditor();
}

void TspSkinStringGrid::SetUpdateState(bool updating) {
  FUpdating = updating;
  if (!updating && FNeedsUpdating) {
    Invalidate();
    FNeedsUpdating = false;
  }
}

std::string TspSkinStringGrid::GetCellEditText(int aCol, int aRow) {
  std::string value = Cells(aCol, aRow);
  if (OnGetEditText) OnGetEditText(this, aCol, aRow, value);
  return value;
}

void TspSkinStringGrid::SetCellEditText(int aCol, int aRow, const std::string& value) {
  ++FEditUpdate;
  try {
    if (value != Cells(aCol, aRow)) SetCells(aCol, aRow, value);
  } catch (...) {
    --FEditUpdate;
    throw;
  }
  --FEditUpdate;
  TspSkinDrawGrid::SetCellEditText(aCol, aRow, value);
}

void TspSkinStringGrid::ColumnMovedNotify(int fromIndex, int toIndex) {
  FData->ForAll([&](int, void* p) {
    auto* list = static_cast<TStringSparseList*>(p);
    std::string s = list->Get(fromIndex);
    TObject* o = list->Objects(fromIndex);
    list->Delete(fromIndex);
    list->Insert(toIndex, s);
    list->PutObject(toIndex, o);
    return 0;
  });
  Invalidate();
  TspSkinDrawGrid::ColumnMovedNotify(fromIndex, toIndex);
}

void TspSkinStringGrid::RowMovedNotify(int fromIndex, int toIndex) {
  FData->Move(fromIndex, toIndex);
  Invalidate();
  TspSkinDrawGrid::RowMovedNotify(fromIndex, toIndex);
}

void TspSkinStringGrid::DrawCell(int aCol, int aRow, TRect aRect, TGridDrawState state) {
  if (DefaultDrawing()) {
    TCanvas* c = Canvas();
    if (OnGetCellParam) {
      TColor bg = c->Brush()->Color();
      bool fill = false;
      TColor fontColor = c->Font()->Color();
      OnGetCellParam(this, aCol, aRow, state, bg, fill, fontColor);
      c->Font()->SetColor(fontColor);
      if (fill) {
        c->Brush()->SetColor(bg);
        c->FillRect(aRect);
      }
    }
    TRect r = GetNewTextRect(aRect, state);
    c->Brush()->SetStyle(bsClear);
    std::string text = Cells(aCol, aRow);
    int x = r.Left + 2;
    int th = c->TextHeight(text.empty() ? std::string("0") : text);
    int y = r.Top + r.Height() / 2 - th / 2;
    if (c->Font()->Height() % 2 != 0) --y;
    c->TextRect(r, x, y, text);
    c->Brush()->SetStyle(bsSolid);
  }
  TspSkinDrawGrid::DrawCell(aCol, aRow, aRect, state);
}
