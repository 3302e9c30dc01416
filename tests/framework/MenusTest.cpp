// Menu items: the tree, check marks and radio groups, commands, shortcut
// texts, accelerators and the divider clean-up a menu does before showing.
#include "support/gtest.h"

#include <string>
#include <vector>

#include "framework/Menus.h"

namespace {

TMenuItem* Add(TMenuItem* parent, const std::string& caption) {
  auto* item = new TMenuItem(nullptr);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

TEST(TMenuItem, TreeOwnershipAndParentMenu) {
  TPopupMenu menu(nullptr);
  TMenuItem* file = Add(menu.Items(), "&File");
  TMenuItem* open = Add(file, "&Open");
  TMenuItem* close = Add(file, "&Close");
  EXPECT_EQ(&menu, open->GetParentMenu());
  EXPECT_EQ(1, close->MenuIndex());
  EXPECT_EQ(-1, menu.Items()->MenuIndex());
  // Moving an item takes it out of its former parent.
  menu.Items()->Insert(0, close);
  EXPECT_EQ(1, file->Count());
  EXPECT_EQ(close, menu.Items()->Items(0));
  // Freeing an item takes it out of its parent and frees its sub-items.
  delete file;
  EXPECT_EQ(1, menu.Items()->Count());
  TMenuItem loose(nullptr);
  EXPECT_EQ(nullptr, loose.GetParentMenu());
}

TEST(TMenuItem, CommandsRunTheirItemOnlyWhenEnabled) {
  TPopupMenu menu(nullptr);
  std::vector<std::string> log;
  TMenuItem* a = Add(menu.Items(), "A");
  TMenuItem* b = Add(Add(menu.Items(), "Sub"), "B");
  a->OnClick = [&](TObject*) { log.push_back("a"); };
  b->OnClick = [&](TObject*) { log.push_back("b"); };
  b->AutoCheck = true;
  EXPECT_NE(a->Command(), b->Command());
  EXPECT_TRUE(menu.DispatchCommand(b->Command()));
  EXPECT_TRUE(b->Checked()) << "AutoCheck flips the mark before OnClick";
  a->Enabled = false;
  EXPECT_TRUE(menu.DispatchCommand(a->Command()));
  EXPECT_FALSE(menu.DispatchCommand(0xFFFFFFF));
  EXPECT_EQ((std::vector<std::string>{"b"}), log);
}

TEST(TMenuItem, RadioItemsOfAGroupUncheckEachOther) {
  TPopupMenu menu(nullptr);
  TMenuItem* r1 = Add(menu.Items(), "One");
  TMenuItem* r2 = Add(menu.Items(), "Two");
  TMenuItem* other = Add(menu.Items(), "Other group");
  TMenuItem* plain = Add(menu.Items(), "Plain");
  for (TMenuItem* r : {r1, r2, other}) r->RadioItem = true;
  other->GroupIndex = 1;
  plain->SetChecked(true);
  other->SetChecked(true);
  r1->SetChecked(true);
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(plain->Checked());
}

TEST(Menus, ShortCutTextsAndAccelerators) {
  struct Case {
    TShortCut shortCut;
    const char* text;
  } cases[] = {{ShortCut('S', ssCtrl), "Ctrl+S"},
               {ShortCut(VK_F5, 0), "F5"},
               {ShortCut(VK_DELETE, ssShift | ssCtrl), "Shift+Ctrl+Del"},
               {ShortCut('X', ssAlt), "Alt+X"},
               {scNone, ""}};
  for (const Case& c : cases) EXPECT_EQ(c.text, ShortCutToText(c.shortCut)) << c.text;
  WORD key;
  TShiftState shift;
  ShortCutToKey(ShortCut('Q', ssCtrl | ssShift), key, shift);
  EXPECT_EQ('Q', key);
  EXPECT_EQ(ssCtrl | ssShift, shift);

  EXPECT_TRUE(IsMenuAccel(u's', "&Save"));
  EXPECT_TRUE(IsMenuAccel(u'A', "Save &as"));
  EXPECT_FALSE(IsMenuAccel(u'S', "Save"));
  EXPECT_FALSE(IsMenuAccel(u'B', "A&&B"));
  EXPECT_TRUE(IsMenuAccel(u'C', "A&&B &C"));
  EXPECT_EQ("Save as", StripHotkey("Save &as"));
  EXPECT_EQ("A&B", StripHotkey("A&&B"));
}

TEST(TMenuItem, RethinkLinesHidesLeadingTrailingAndDoubledDividers) {
  struct Case {
    std::vector<std::string> captions;  // "x" marks an invisible item
    std::vector<bool> visible;
  } cases[] = {
      {{"-", "A", "-", "-", "B", "-"}, {false, true, true, false, true, false}},
      {{"A", "-", "x", "-", "B"}, {true, true, false, false, true}},
      {{"A", "-", "x"}, {true, false, false}},
      {{"-"}, {false}},
  };
  for (const Case& c : cases) {
    TPopupMenu menu(nullptr);
    for (const std::string& caption : c.captions) {
      TMenuItem* item = Add(menu.Items(), caption == "x" ? "Hidden" : caption);
      if (caption == "x") item->Visible = false;
    }
    menu.Items()->RethinkLines();
    for (size_t i = 0; i < c.visible.size(); ++i)
      EXPECT_EQ(c.visible[i], menu.Items()->Items(static_cast<int>(i))->Visible) << i;
  }
}

}  // namespace
