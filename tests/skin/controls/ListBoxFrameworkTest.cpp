// The framework's list box: items kept by the control, the system's prefix
// search reproduced without a window, sorting, and state kept across a new
// window.
#include "support/gtest.h"

#include <windows.h>

#include "framework/Forms.h"
#include "framework/ListBoxes.h"

namespace {

TEST(TListBox, PrefixSearchMatchesTheSystemList) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  auto* list = new TListBox(&form);
  list->SetParent(&form);
  for (const char* s : {"Apple", "apricot", "banana", "Blue", "cherry"}) list->Items()->Add(s);
  HWND h = list->Handle();
  struct Case {
    const char* text;
    int start;
  } cases[] = {{"b", 2}, {"b", 3}, {"b", 4}, {"AP", -1}, {"ap", 0}, {"z", -1}, {"", 1}, {"cherry", 4}, {"Blue", -1}};
  for (const Case& c : cases) {
    std::u16string w = UTF8ToUTF16(c.text);
    int system = static_cast<int>(SendMessageW(h, LB_FINDSTRING, static_cast<WPARAM>(c.start),
                                               reinterpret_cast<LPARAM>(w.c_str())));
    EXPECT_EQ(system, list->FindString(c.text, c.start)) << "\"" << c.text << "\" after " << c.start;
  }
  EXPECT_EQ(3, list->FindString("b", 2));
  EXPECT_EQ(2, list->FindString("b", 3)) << "wraps to the top";
  EXPECT_EQ(-1, list->FindString("z", -1));
}

TEST(TListBox, ItemsAndSelectionLiveBeforeAndAcrossTheWindow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  TListBox list(&form);
  list.Items()->Add("b");
  list.Items()->Add("a");
  list.SetItemIndex(1);
  list.Items()->Insert(0, "c");
  EXPECT_EQ(2, list.ItemIndex()) << "the selected item moved down";
  list.SetItemIndex(5);
  EXPECT_EQ(-1, list.ItemIndex()) << "past the items selects nothing";
  list.SetItemIndex(2);
  list.SetParent(&form);
  HWND h = list.Handle();
  EXPECT_EQ(3, SendMessageW(h, LB_GETCOUNT, 0, 0));
  EXPECT_EQ(2, list.ItemIndex());
  // Sorting keeps the selected item selected, case-insensitively ordered.
  list.Items()->Add("B2");
  list.SetSorted(true);
  ASSERT_EQ(4, list.Items()->Count());
  EXPECT_EQ("a", list.Items()->Get(0));
  EXPECT_EQ("b", list.Items()->Get(1));
  EXPECT_EQ("B2", list.Items()->Get(2));
  EXPECT_EQ("a", list.Items()->Get(list.ItemIndex()));
  list.Items()->Add("aa");
  EXPECT_EQ("aa", list.Items()->Get(1)) << "a sorted list places new items";
  // A style change makes a new window that keeps items and selection.
  list.SetStyle(lbOwnerDrawFixed);
  EXPECT_NE(h, list.Handle());
  EXPECT_EQ(5, SendMessageW(list.Handle(), LB_GETCOUNT, 0, 0));
  EXPECT_EQ("a", list.Items()->Get(list.ItemIndex()));
  list.Items()->Clear();
  EXPECT_EQ(0, SendMessageW(list.Handle(), LB_GETCOUNT, 0, 0));
  EXPECT_EQ(-1, list.ItemIndex());
  EXPECT_THROW(list.Items()->Delete(0), Exception);
}

TEST(TListBox, MultiSelectionIsKeptAcrossTheWindow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  TListBox list(&form);
  list.SetParent(&form);
  for (const char* s : {"a", "b", "c", "d"}) list.Items()->Add(s);
  list.SetMultiSelect(true);
  list.SetSelected(1, true);
  list.SetSelected(3, true);
  EXPECT_EQ(2, list.SelCount());
  list.SetColumns(2);  // a new window
  EXPECT_EQ(2, list.SelCount());
  EXPECT_TRUE(list.Selected(1));
  EXPECT_FALSE(list.Selected(2));
  EXPECT_TRUE(list.Selected(3));
}

}  // namespace
