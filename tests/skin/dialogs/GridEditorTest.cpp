// The in-place editor: opened by typing, its text written back keystroke
// by keystroke, refusing changes to a cell that may not change, Enter and
// the arrow keys, and its context menu.
#include "support/gtest.h"

#include "GridFixture.h"
#include "support/RealInput.h"

using namespace gridtest;

namespace {

struct LimitedGrid : TspSkinStringGrid {
  using TspSkinStringGrid::TspSkinStringGrid;
  int Limit = 0;
  int GetCellEditLimit() override { return Limit; }
};

struct Editing {
  GridHost host;
  LimitedGrid* grid = new LimitedGrid(&host.form);
  explicit Editing(TGridOptions extra = 0) {
    grid->SetParent(&host.form);
    grid->SetBounds(0, 0, 330, 150);
    grid->SetOptions(kDefaultGridOptions | goEditing | extra);
    host.Show();
    grid->SetFocus();
    Application->ProcessMessages();
  }
  TspSkinInplaceEdit* Editor() { return grid->InplaceEditor(); }
  void Type(HWND target, const std::u16string& text) {
    for (char16_t ch : text) SendMessageW(target, WM_CHAR, ch, 1);
  }
  bool EditorOn(int col, int row) {
    TRect r = grid->CellRect(col, row);
    return Editor() && Editor()->IsVisible() && Editor()->PosEqual(RECT{r.Left, r.Top, r.Right, r.Bottom});
  }
};

TEST(GridEditor, ATypedLetterOpensTheEditorWithIt) {
  Editing t;
  TspSkinStringGrid* g = t.grid;
  g->SetCells(1, 1, "old");
  EXPECT_EQ(t.Editor(), nullptr);
  SendMessageW(g->Handle(), WM_CHAR, u'k', 1);
  Application->ProcessMessages();
  ASSERT_NE(t.Editor(), nullptr);
  EXPECT_TRUE(g->EditorMode());
  EXPECT_TRUE(t.EditorOn(1, 1));
  // The cell's text was selected, so the letter replaces it.
  EXPECT_EQ(t.Editor()->Text(), "k");
  EXPECT_EQ(g->Cells(1, 1), "k");
  // The cell follows the editor keystroke by keystroke.
  t.Type(t.Editor()->Handle(), u"iwi");
  EXPECT_EQ(g->Cells(1, 1), "kiwi");
  // The editor's own writes do not reload it: the caret stays at the end.
  EXPECT_EQ(t.Editor()->SelLength(), 0);
  EXPECT_EQ(t.Editor()->SelStart(), 4);
  // A write from code reloads it.
  g->SetCells(1, 1, "fig");
  EXPECT_EQ(t.Editor()->Text(), "fig");
  // Enter (without goAlwaysShowEditor) closes it; the text stays in the cell.
  SendMessageW(t.Editor()->Handle(), WM_CHAR, VK_RETURN, 1);
  EXPECT_FALSE(g->EditorMode());
  EXPECT_FALSE(t.Editor()->IsVisible());
  EXPECT_EQ(g->Cells(1, 1), "fig");
}

TEST(GridEditor, ACellThatMayNotChangeRefusesEveryEdit) {
  Editing t;
  LimitedGrid* g = t.grid;
  g->Limit = -1;
  g->SetCells(1, 1, "keep");
  SendMessageW(g->Handle(), WM_CHAR, u'x', 1);
  Application->ProcessMessages();
  ASSERT_NE(t.Editor(), nullptr);
  HWND e = t.Editor()->Handle();
  EXPECT_EQ(t.Editor()->Text(), "keep");
  t.Type(e, u"\b\x16\x18" u"y\u4e2d");
  SendMessageW(e, WM_KEYDOWN, VK_DELETE, 1);
  SendMessageW(e, WM_CUT, 0, 0);
  SendMessageW(e, WM_CLEAR, 0, 0);
  SendMessageW(e, WM_PASTE, 0, 0);
  EXPECT_EQ(t.Editor()->Text(), "keep");
  EXPECT_EQ(g->Cells(1, 1), "keep");
  const auto& menu = t.Editor()->BuildEditMenu();
  ASSERT_EQ(menu.size(), 8u);
  EXPECT_FALSE(menu[2].Enabled);  // Cut
  EXPECT_TRUE(menu[3].Enabled);   // Copy
  EXPECT_FALSE(menu[4].Enabled);  // Paste
  EXPECT_FALSE(menu[5].Enabled);  // Delete
}

TEST(GridEditor, MenuTextsWithoutSkinStrings) {
  Editing t(goAlwaysShowEditor);
  TspSkinStringGrid* g = t.grid;
  g->SetCells(1, 1, "hello");
  ASSERT_NE(t.Editor(), nullptr);
  const auto& menu = t.Editor()->BuildEditMenu();
  std::vector<std::string> captions;
  for (const auto& item : menu) captions.push_back(item.Caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"Undo", "-", "Cut", "Copy", "Paste", "Delete", "-", "Select All"}));
  EXPECT_TRUE(menu[2].Enabled);
  EXPECT_FALSE(menu[7].Enabled);  // all text is selected already
  t.Editor()->Deselect();
  EXPECT_TRUE(t.Editor()->BuildEditMenu()[7].Enabled);
  EXPECT_FALSE(t.Editor()->BuildEditMenu()[2].Enabled);
  SendMessageW(t.Editor()->Handle(), 1229, 0, 0);
  EXPECT_FALSE(t.Editor()->HasEditMenu());
}

TEST(GridEditor, EnterTogglesTheSelectionAndArrowsLeaveAtTheEdges) {
  Editing t(goAlwaysShowEditor);
  TspSkinStringGrid* g = t.grid;
  g->SetCells(1, 1, "hello");
  g->SetCells(2, 1, "world");
  ASSERT_NE(t.Editor(), nullptr);
  EXPECT_TRUE(t.EditorOn(1, 1));
  HWND e = t.Editor()->Handle();
  EXPECT_EQ(t.Editor()->SelLength(), 5);
  SendMessageW(e, WM_CHAR, VK_RETURN, 1);
  EXPECT_EQ(t.Editor()->SelLength(), 0);
  SendMessageW(e, WM_CHAR, VK_RETURN, 1);
  EXPECT_EQ(t.Editor()->SelLength(), 5);
  EXPECT_EQ(t.Editor()->Text(), "hello");
  EXPECT_TRUE(g->EditorMode());

  // Inside the text the arrows move the caret.
  t.Editor()->SetSelection(2, 2);
  SendMessageW(e, WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_EQ(g->Col(), 1);
  // At the end the grid takes the key, and the editor follows the cell.
  t.Editor()->SetSelection(5, 5);
  SendMessageW(e, WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_EQ(g->Col(), 2);
  EXPECT_TRUE(t.EditorOn(2, 1));
  EXPECT_EQ(t.Editor()->Text(), "world");
  // All text selected counts as the left side too.
  SendMessageW(e, WM_KEYDOWN, VK_LEFT, 1);
  EXPECT_EQ(g->Col(), 1);
  // Shift+Tab goes to the previous cell, wrapping to the row above.
  KeyWith(t.Editor(), VK_SHIFT, VK_TAB);
  EXPECT_EQ(g->Col(), 4);
  EXPECT_EQ(g->Row(), 4);
  EXPECT_TRUE(t.EditorOn(4, 4));
}

TEST(GridEditor, TransparentGridGivesATransparentEditor) {
  Editing t(goAlwaysShowEditor);
  ASSERT_NE(t.Editor(), nullptr);
  EXPECT_FALSE(t.Editor()->Transparent());
  t.grid->SetTransparent(true);
  t.grid->SetCol(2);
  EXPECT_TRUE(t.Editor()->Transparent());
  EXPECT_TRUE(GetWindowLongW(t.Editor()->Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST(GridEditor, AMaskedCellRefusesALetterWhereTheMaskWantsADigit) {
  Editing t;
  TspSkinStringGrid* g = t.grid;
  std::vector<std::pair<int, int>> asked;
  g->OnGetEditMask = [&](TObject*, int col, int row, std::string& mask) {
    asked.push_back({col, row});
    if (col == 1) mask = "00:00;1;_";
  };
  ASSERT_TRUE(real_input::Activate(t.host.form.Handle()));
  ASSERT_TRUE(g->SetFocus());
  // Typed with the keyboard into the current cell (1, 1).
  real_input::TypeText("1a234");
  EXPECT_TRUE(real_input::PumpUntil([&] { return g->Cells(1, 1) == "12:34"; }))
      << g->Cells(1, 1) << " / editor: " << (t.Editor() ? t.Editor()->Text() : std::string());
  ASSERT_NE(t.Editor(), nullptr);
  EXPECT_EQ("00:00;1;_", t.Editor()->EditMask());
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(std::make_pair(1, 1), asked.back());
  // A cell without a mask takes letters.
  real_input::Press(VK_RETURN);
  EXPECT_TRUE(real_input::PumpUntil([&] { return !g->EditorMode(); }));
  real_input::Press(VK_RIGHT);
  EXPECT_TRUE(real_input::PumpUntil([&] { return g->Col() == 2; }));
  real_input::TypeText("ab");
  EXPECT_TRUE(real_input::PumpUntil([&] { return g->Cells(2, 1) == "ab"; })) << g->Cells(2, 1);
  EXPECT_EQ("", t.Editor()->EditMask());
  EXPECT_EQ("12:34", g->Cells(1, 1));
}

}  // namespace
