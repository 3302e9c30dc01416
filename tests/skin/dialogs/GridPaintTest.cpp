// What the grid paints: lines and their colours, the area past the cells,
// the skin's cell pictures, transparency, the string grid's own text and
// its batched repaints.
#include "support/gtest.h"

#include "GridFixture.h"
#include "support/Dib.h"

using namespace gridtest;

namespace {

COLORREF Sys(int index) { return GetSysColor(index); }
constexpr COLORREF kUntouched = RGB(0x12, 0x34, 0x56);  // the Dib's fill

struct Painted {
  GridHost host;
  TspSkinStringGrid* grid = new TspSkinStringGrid(&host.form);
  Painted() {
    grid->SetParent(&host.form);
    grid->SetBounds(0, 0, 320, 120);
  }
  Dib Paint() {
    Dib d(grid->Width(), grid->Height());
    grid->PaintTo(d.dc, 0, 0);
    return d;
  }
};

TEST(GridPaint, NoLinesAndNoDefaultDrawingLeaveTheCellsToTheOwner) {
  Painted t;
  TspSkinStringGrid* g = t.grid;
  g->SetColCount(2);
  g->SetGridLineWidth(0);
  g->SetDefaultDrawing(false);
  int cells = 0;
  g->OnDrawCell = [&](TObject*, int, int, TRect, TGridDrawState) { ++cells; };
  t.host.Show();
  cells = 0;
  Dib d = t.Paint();
  EXPECT_EQ(g->LinesDrawn, 0);
  EXPECT_EQ(cells, 10);
  EXPECT_EQ(d.At(10, 10), kUntouched);  // no fill, no line: the handler's
  EXPECT_EQ(d.At(64, 10), kUntouched);  // cells touch
  EXPECT_EQ(d.At(200, 10), Sys(COLOR_WINDOW));  // the area past the cells
  EXPECT_EQ(d.At(300, 110), Sys(COLOR_WINDOW));
}

TEST(GridPaint, LineColours) {
  struct Case {
    const char* name;
    TColor color;
    TGridOptions options;
    COLORREF line;     // at the line right of cell (1, 1)
    int cell2Left;     // where cell (2, 1) starts
  };
  const Case cases[] = {
      {"line colour", clWhite, kDefaultGridOptions, RGB(255, 0, 0), 130},
      {"silver grid draws gray", clSilver, kDefaultGridOptions, RGB(0x80, 0x80, 0x80), 130},
      {"option off paints the grid colour", clYellow, goFixedVertLine | goFixedHorzLine | goHorzLine,
       RGB(255, 255, 0), 130},
      {"no vertical option: no vertical lines", clYellow, goFixedHorzLine | goHorzLine, kUntouched, 128},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Painted t;
    TspSkinStringGrid* g = t.grid;
    g->SetColor(c.color);
    g->SetGridLineColor(clRed);
    g->SetOptions(c.options);
    g->SetDefaultDrawing(false);
    Dib d = t.Paint();
    EXPECT_EQ(g->CellRect(2, 1).Left, c.cell2Left);
    EXPECT_EQ(d.At(129, 40), c.line);
    EXPECT_EQ(d.At(100, 40), kUntouched);
  }
}

TEST(GridPaint, ManyZeroWidthColumnsDrawEveryLine) {
  Painted t;
  TspSkinStringGrid* g = t.grid;
  g->SetColCount(503);
  for (int i = 1; i < 501; ++i) g->SetColWidths(i, 0);
  Dib d = t.Paint();
  // More lines than the visible cells would suggest, and all of them drawn.
  EXPECT_GT(g->LinesDrawn, 500);
  EXPECT_EQ(g->CellRect(200, 1).Left, 65 + 199);
  EXPECT_EQ(d.At(100, 40), Sys(COLOR_WINDOWTEXT));  // one line beside the other
}

TEST(GridPaint, DefaultLookCells) {
  Painted t;
  TspSkinStringGrid* g = t.grid;
  g->SetOptions(kDefaultGridOptions | goRowSelect);
  Dib d = t.Paint();
  EXPECT_EQ(d.At(30, 12), Sys(COLOR_BTNFACE));   // fixed cell
  EXPECT_EQ(d.At(0, 0), Sys(COLOR_BTNHIGHLIGHT));  // its raised frame
  EXPECT_EQ(d.At(100, 37), Sys(COLOR_HIGHLIGHT));  // the selected row
  EXPECT_EQ(d.At(100, 62), Sys(COLOR_WINDOW));     // a plain cell
}

TEST(GridPaint, SkinCellPictures) {
  GridSkin skin(24);
  Painted t;
  TspSkinStringGrid* g = t.grid;
  g->SetSkinData(skin.data.get());
  ASSERT_NE(g->SkinIndex(), -1);
  Dib d = t.Paint();
  EXPECT_EQ(d.At(30, 12), C(kFixedPicture));
  EXPECT_EQ(d.At(100, 37), C(kSelectPicture));  // selected, not focused: the grid has no focus
  EXPECT_EQ(d.At(100, 62), kSkinBG);
  EXPECT_EQ(d.At(129, 62), kSkinLines);
  // Row select draws every selected cell with the focused picture.
  g->SetOptions(kDefaultGridOptions | goRowSelect);
  Dib r = t.Paint();
  EXPECT_EQ(r.At(100, 37), C(kFocusPicture));
  EXPECT_EQ(r.At(200, 37), C(kFocusPicture));
  // The skin's cell height is the rows' height unless the grid keeps its own.
  EXPECT_EQ(g->DefaultRowHeight(), 24);
  GridSkin tall(30);
  g->SetUseSkinCellHeight(false);
  g->SetSkinData(tall.data.get());
  EXPECT_EQ(g->DefaultRowHeight(), 24);
  g->SetUseSkinCellHeight(true);
  g->ChangeSkinData();
  EXPECT_EQ(g->DefaultRowHeight(), 30);
  g->SetSkinData(nullptr);
}

TEST(GridPaint, SkinWithoutFixedPictureFallsBackToTheDefaultLook) {
  GridSkin skin(24, /*emptyFixed=*/true);
  Painted t;
  TspSkinStringGrid* g = t.grid;
  g->SetSkinData(skin.data.get());
  Dib d = t.Paint();
  EXPECT_EQ(g->SkinIndex(), -1);
  EXPECT_EQ(d.At(30, 12), Sys(COLOR_BTNFACE));
  EXPECT_EQ(d.At(100, 62), Sys(COLOR_WINDOW));
  g->SetSkinData(nullptr);
}

TEST(GridPaint, TransparentGridShowsTheParentUnderItsCells) {
  Painted t;
  TspSkinStringGrid* g = t.grid;
  t.host.form.SetColor(RGB(0, 128, 0));
  g->SetTransparent(true);
  t.host.Show();
  Dib d = t.Paint();
  EXPECT_EQ(d.At(100, 62), RGB(0, 128, 0));
  EXPECT_EQ(d.At(30, 12), Sys(COLOR_BTNFACE));
}

TEST(GridPaint, CanvasMeasuresOutsidePainting) {
  Painted t;
  t.host.Show();
  TCanvas* c = t.grid->Canvas();
  c->Font()->Assign(t.grid->Font());
  int w = c->TextWidth("WWWW");
  EXPECT_GT(w, 0);
  // The DC goes back after the message; the next use takes one again.
  SendMessageW(t.grid->Handle(), WM_NULL, 0, 0);
  EXPECT_FALSE(c->HandleAllocated());
  EXPECT_EQ(c->TextWidth("WWWW"), w);
}

TEST(StringGridPaint, TextAndCellParameters) {
  Painted t;
  TspSkinStringGrid* g = t.grid;
  g->SetGridLineWidth(0);
  g->SetCells(2, 2, "WWWW");
  bool fill = false;
  g->OnGetCellParam = [&](TObject*, int col, int row, TGridDrawState, TColor& bg, bool& fillBG, TColor& font) {
    if (col != 2 || row != 2) return;
    font = clRed;
    bg = clYellow;
    fillBG = fill;
  };
  auto redPixels = [&](const Dib& d) {
    TRect r = g->CellRect(2, 2);
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (d.At(x, y) == RGB(255, 0, 0)) ++n;
    return n;
  };
  Dib a = t.Paint();
  TRect r = g->CellRect(2, 2);
  EXPECT_GT(redPixels(a), 10);
  EXPECT_EQ(a.At(r.Right - 2, r.Bottom - 2), Sys(COLOR_WINDOW));
  fill = true;
  Dib b = t.Paint();
  EXPECT_EQ(b.At(r.Right - 2, r.Bottom - 2), RGB(255, 255, 0));
  // Without default drawing the grid writes no text.
  g->SetDefaultDrawing(false);
  Dib c = t.Paint();
  EXPECT_EQ(redPixels(c), 0);
}

TEST(StringGridPaint, WritesInsideAnUpdateRepaintOnceAtTheEnd) {
  Painted t;
  TspSkinStringGrid* g = t.grid;
  t.host.Show();
  HWND h = g->Handle();
  UpdateWindow(h);
  TspSkinStringGridStrings* col = g->Cols(2);
  col->BeginUpdate();
  for (int r = 0; r < 5; ++r) col->Put(r, "x" + std::to_string(r));
  EXPECT_FALSE(GetUpdateRect(h, nullptr, FALSE));
  col->EndUpdate();
  RECT u;
  ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
  EXPECT_EQ(u.right - u.left, g->ClientWidth());
  UpdateWindow(h);
  // Outside an update a write invalidates its cell only.
  g->SetCells(3, 3, "y");
  ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
  TRect c = g->CellRect(3, 3);
  EXPECT_EQ(u.left, c.Left);
  EXPECT_EQ(u.top, c.Top);
}

}  // namespace
