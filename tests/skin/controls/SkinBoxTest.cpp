// The skinned list box and combo boxes on a form laid out like a profile
// settings dialog: eight combos filled from choice lists, one editable.
#include "support/gtest.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <vector>

#include "support/Dib.h"
#include "support/RealInput.h"
#include "support/Controls.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinListBox.h"
#include "skin/data/SPUtils.h"

namespace {

LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

// A clock the test moves by hand.
struct TestClock {
  uint32_t now = 100000;
  TestClock() {
    SetSkinTickSource([this] { return now; });
  }
  ~TestClock() { SetSkinTickSource(nullptr); }
};

void Fill(TStrings* items, std::initializer_list<const char*> list) {
  for (const char* s : list) items->Add(s);
}

void FillNumbers(TStrings* items, int n) {
  for (int i = 0; i < n; ++i) items->Add("Item " + std::to_string(100 + i));
}

struct SettingsForm {
  FakeTimers timers;
  TestClock clock;
  TForm form{nullptr};
  std::vector<TspSkinComboBox*> combos;
  std::map<TObject*, int> clicks, changes, closeUps;

  explicit SettingsForm(int formTop = 40) {
    form.SetBounds(20, formTop, 320, 8 * 26 + 40);
    for (int i = 0; i < 8; ++i) {
      auto* c = AddControl<TspSkinComboBox>(&form, &form, 100, 8 + i * 26, 180, 20);
      c->OnClick = [this](TObject* s) { ++clicks[s]; };
      c->OnChange = [this](TObject* s) { ++changes[s]; };
      c->OnCloseUp = [this](TObject* s) { ++closeUps[s]; };
      combos.push_back(c);
    }
    // Choice lists as the profile dialog fills them.
    Fill(combos[0]->Items(), {"mp4", "avi", "mkv"});
    FillNumbers(combos[1]->Items(), 20);
    Fill(combos[2]->Items(), {"apple", "banana", "blue", "brown", "bread", "cherry"});
    Fill(combos[3]->Items(), {"Apple", "Apricot", "Banana"});
    combos[3]->SetStyle(spcbEditStyle);
    Fill(combos[4]->Items(), {"44100", "48000"});
    Fill(combos[5]->Items(), {"1", "2"});
    FillNumbers(combos[6]->Items(), 12);
    FillNumbers(combos[7]->Items(), 30);
    form.Show();
    Application->ProcessMessages();
  }
  ~SettingsForm() {
    for (auto* c : combos) c->CloseUp(false);
  }

  void KeyDown(HWND h, WPARAM key) { SendMessageW(h, WM_KEYDOWN, key, 1); }
  void Char(HWND h, char16_t c) { SendMessageW(h, WM_CHAR, c, 1); }
  RECT ScreenRect(TWinControl* c) {
    RECT r;
    GetWindowRect(c->Handle(), &r);
    return r;
  }
};

// ---------------------------------------------------------------------------
// Combo box

TEST(TspSkinComboBox, TheListOpensBelowOrAboveByTheSpaceLeftOnTheScreen) {
  TRect area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  GetMonitorArea(nullptr, true, area);
  // The form's last combo ends a few pixels above the bottom of the work area.
  SettingsForm t(area.Bottom - (8 * 26 + 40) + 10);
  TspSkinComboBox* bottom = t.combos[7];
  RECT box = t.ScreenRect(bottom);
  ASSERT_LT(box.bottom, area.Bottom);
  bottom->DropDown();
  ASSERT_TRUE(bottom->IsPopupVisible());
  RECT list = t.ScreenRect(bottom->ListBox());
  EXPECT_EQ(box.top, list.bottom) << "opens above, touching the box";
  EXPECT_EQ(box.left, list.left) << "never moved sideways";
  bottom->CloseUp(false);
  EXPECT_FALSE(bottom->IsPopupVisible());

  // With room below, the list opens below.
  TspSkinComboBox* top = t.combos[0];
  top->SetTop(0);
  SetWindowPos(t.form.Handle(), nullptr, 20, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  box = t.ScreenRect(top);
  top->DropDown();
  list = t.ScreenRect(top->ListBox());
  EXPECT_EQ(box.bottom, list.top);
}

TEST(TspSkinComboBox, TheListShowsAtMostDropDownCountRowsAndScrollsBeyond) {
  SettingsForm t;
  TspSkinComboBox* few = t.combos[0];
  few->DropDown();
  EXPECT_EQ(few->ListBox()->CalcHeight(3), few->ListBox()->Height());
  EXPECT_EQ(nullptr, few->ListBox()->ScrollBar);
  few->CloseUp(false);
  TspSkinComboBox* many = t.combos[1];
  many->DropDown();
  EXPECT_EQ(many->ListBox()->CalcHeight(8), many->ListBox()->Height());
  EXPECT_EQ(3 * 20 + 4, few->ListBox()->CalcHeight(3));
  ASSERT_NE(nullptr, many->ListBox()->ScrollBar) << "20 rows in 8 need the skin bar";
  EXPECT_TRUE(many->ListBox()->ScrollBar->Visible());
}

TEST(TspSkinComboBox, PageKeysMoveByTheDropDownCountAsymmetrically) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[1];  // 20 items, DropDownCount 8
  struct Case {
    int from;
    WPARAM key;
    int to;
  } cases[] = {{0, VK_NEXT, 7}, {10, VK_PRIOR, 1}, {5, VK_PRIOR, 0}, {15, VK_NEXT, 19}, {3, VK_DOWN, 4}, {0, VK_UP, 0}};
  for (const Case& k : cases) {
    c->SetItemIndex(k.from);
    t.clicks.clear();
    t.KeyDown(c->Handle(), k.key);
    EXPECT_EQ(k.to, c->ItemIndex()) << k.from << " key " << k.key;
    EXPECT_EQ(c->Items()->Get(k.to), c->Text());
    EXPECT_EQ(k.from != k.to ? 1 : 0, t.clicks[c]) << "each step goes through ItemIndex";
  }
  // The arrow keys are the combo's own, not the dialog's.
  EXPECT_NE(0, c->Perform(CM_WANTSPECIALKEY, VK_DOWN, 0));
}

TEST(TspSkinComboBox, TypeAheadCollectsLettersForHalfASecond) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[2];  // apple banana blue brown bread cherry
  c->SetItemIndex(0);
  t.Char(c->Handle(), u'b');
  EXPECT_EQ(1, c->ItemIndex()) << "the next item beginning with b";
  t.clock.now += 300;
  t.Char(c->Handle(), u'r');
  EXPECT_EQ("brown", c->Text()) << "\"br\" from the top";
  // After a pause a single b searches on from the current item, wrapping.
  t.clock.now += 600;
  t.Char(c->Handle(), u'B');
  EXPECT_EQ("bread", c->Text());
  t.clock.now += 600;
  t.Char(c->Handle(), u'b');
  EXPECT_EQ("banana", c->Text());
  // No match keeps the selection.
  t.clock.now += 600;
  t.Char(c->Handle(), u'z');
  EXPECT_EQ("banana", c->Text());
}

TEST(TspSkinComboBox, EditStyleCompletesTheTypedTextAndBackspaceDoesNot) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[3];  // Apple Apricot Banana, editable
  ASSERT_NE(nullptr, c->Edit());
  HWND e = c->Edit()->Handle();
  for (char16_t ch : std::u16string(u"Apr")) {
    t.clock.now += 300;
    SendMessageW(e, WM_CHAR, ch, 1);
    SendMessageW(e, WM_KEYUP, static_cast<WPARAM>(towupper(ch)), 0xC0000001);
  }
  EXPECT_EQ("Apricot", c->Text());
  EXPECT_EQ("Apricot", c->Edit()->Text());
  EXPECT_EQ(3, c->SelStart());
  EXPECT_EQ(4, c->SelLength()) << "what the user typed stays, the completion is selected";
  EXPECT_EQ(1, c->ItemIndex());
  // Key releases closer than 200 ms apart do not complete.
  t.clock.now += 100;
  SendMessageW(e, WM_CHAR, u'i', 1);
  SendMessageW(e, WM_KEYUP, 'I', 0xC0000001);
  EXPECT_EQ("Apri", c->Text());
  // Backspace completes nothing.
  t.clock.now += 300;
  SendMessageW(e, WM_KEYDOWN, VK_BACK, 1);
  SendMessageW(e, WM_CHAR, 8, 1);
  SendMessageW(e, WM_KEYUP, VK_BACK, 0xC0000001);
  EXPECT_EQ("Apr", c->Edit()->Text());
  EXPECT_EQ("Apr", c->Text());
}

TEST(TspSkinComboBox, ArrowsAndWheelStepTheSelection) {
  SettingsForm t;
  // Edit style: the arrows take the next item into the edit, selected.
  TspSkinComboBox* e = t.combos[3];
  e->SetItemIndex(0);
  t.clicks.clear();
  HWND edit = e->Edit()->Handle();
  SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ("Apricot", e->Edit()->Text());
  EXPECT_EQ(0, e->SelStart());
  EXPECT_EQ(7, e->SelLength());
  EXPECT_EQ(1, t.clicks[e]);
  SendMessageW(edit, WM_KEYDOWN, VK_UP, 1);
  SendMessageW(edit, WM_KEYDOWN, VK_UP, 1);
  EXPECT_EQ("Apple", e->Text()) << "no step above the first item";
  // With the list open the wheel moves only the list's row.
  e->DropDown();
  EXPECT_TRUE(e->Edit()->Focused()) << "the edit keeps the focus while the list shows";
  SendMessageW(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(1, e->ListBox()->ItemIndex());
  EXPECT_EQ("Apple", e->Text());
  SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ("Apricot", e->Text());
  // Escape in the edit closes the list without taking its row.
  e->DropDown();
  e->ListBox()->SetItemIndex(2);
  SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_FALSE(e->IsPopupVisible());
  EXPECT_EQ("Apricot", e->Text());
  // Fixed style: the wheel steps the combo itself.
  TspSkinComboBox* f = t.combos[0];
  f->SetItemIndex(0);
  SendMessageW(f->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ("avi", f->Text());
  SendMessageW(f->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ("mp4", f->Text());
  // Alt+Down opens the list and Alt+Up closes it.
  SendMessageW(f->Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
  EXPECT_TRUE(f->IsPopupVisible());
  SendMessageW(f->Handle(), WM_SYSKEYDOWN, VK_UP, 1 << 29);
  EXPECT_FALSE(f->IsPopupVisible());
}

TEST(TspSkinComboBox, ItemIndexAssignmentsFireEveryTimeAndKeepTheTextForNoItem) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[0];
  c->SetItemIndex(1);
  EXPECT_EQ("avi", c->Text());
  EXPECT_EQ(1, t.clicks[c]);
  c->SetItemIndex(1);
  EXPECT_EQ(2, t.clicks[c]) << "the same index fires OnClick again";
  c->SetItemIndex(-1);
  EXPECT_EQ(-1, c->ItemIndex());
  EXPECT_EQ("avi", c->Text()) << "no item leaves the text";
  // An index past the items (a stored thread count above the processors)
  // selects nothing instead of reading past the list.
  c->SetItemIndex(1);
  c->SetItemIndex(7);
  EXPECT_EQ(-1, c->ItemIndex());
  EXPECT_EQ("avi", c->Text());
  EXPECT_EQ(5, t.clicks[c]);
}

TEST(TspSkinComboBox, EscapeKeepsArrowSelectionsButRestoresAnUnacceptedDropDown) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[6];
  c->SetItemIndex(2);
  c->DropDown();
  t.KeyDown(c->Handle(), VK_DOWN);
  t.KeyDown(c->Handle(), VK_DOWN);
  t.KeyDown(c->Handle(), VK_ESCAPE);
  EXPECT_FALSE(c->IsPopupVisible());
  EXPECT_EQ(4, c->ItemIndex()) << "the arrows already committed";
  // Moving only the list (hot tracking) and cancelling restores.
  c->DropDown();
  EXPECT_EQ(4, c->OldItemIndex());
  c->ListBox()->SetItemIndex(9);
  c->CloseUp(false);
  EXPECT_EQ(4, c->ItemIndex());
  EXPECT_EQ(0, t.closeUps[c]);
  // Enter accepts the list's row.
  c->DropDown();
  c->ListBox()->SetItemIndex(9);
  t.KeyDown(c->Handle(), VK_RETURN);
  EXPECT_EQ(9, c->ItemIndex());
  EXPECT_EQ(c->Items()->Get(9), c->Text());
  EXPECT_EQ(1, t.closeUps[c]);
  // An empty list never opens.
  TspSkinComboBox empty(&t.form);
  empty.SetParent(&t.form);
  empty.DropDown();
  EXPECT_FALSE(empty.IsPopupVisible());
}

TEST(TspSkinComboBox, ClicksOpenCloseAndPickFromTheList) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[6];
  c->SetItemIndex(1);
  HWND h = c->Handle();
  // A plain click on the button opens the list and leaves it open.
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(c->Width() - 8, 10));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(c->Width() - 8, 10));
  ASSERT_TRUE(c->IsPopupVisible());
  EXPECT_TRUE(c->Focused()) << "the list never takes the focus";
  EXPECT_EQ(MA_NOACTIVATE, SendMessageW(c->ListBox()->Handle(), WM_MOUSEACTIVATE, 0, 0));
  // A second click closes it without accepting.
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(c->Width() - 8, 10));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(c->Width() - 8, 10));
  EXPECT_FALSE(c->IsPopupVisible());
  EXPECT_EQ(0, t.closeUps[c]);
  // Pressing a row and releasing over the list accepts that row.
  c->DropDown();
  TspListBox* lb = c->ListBox()->ListBox;
  RECT r = lb->ItemRect(3);
  POINT screen{r.left + 5, (r.top + r.bottom) / 2};
  ClientToScreen(lb->Handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageW(lb->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
  EXPECT_EQ(3, c->ListBox()->ItemIndex()) << "the selection follows the pointer";
  EXPECT_EQ(1, c->OldItemIndex()) << "the committed index stays until accepted";
  EXPECT_EQ(c->Items()->Get(1), c->Text());
  SendMessageW(lb->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
  POINT cur;
  GetCursorPos(&cur);
  if (cur.x != screen.x || cur.y != screen.y) GTEST_SKIP() << "the pointer cannot be placed on this display";
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(0, 0));
  EXPECT_FALSE(c->IsPopupVisible());
  EXPECT_EQ(3, c->ItemIndex());
  EXPECT_EQ(1, t.closeUps[c]);
}

TEST(TspSkinComboBox, DraggingBelowTheListScrollsItEvery25Milliseconds) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[7];  // 30 items
  c->SetItemIndex(0);
  // The press on the button opens the list and tracks the pointer.
  SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Pt(c->Width() - 8, 10));
  ASSERT_TRUE(c->IsPopupVisible());
  TspListBox* lb = c->ListBox()->ListBox;
  RECT lr;
  GetWindowRect(lb->Handle(), &lr);
  // Into the list, then below it.
  SetCursorPos(lr.left + 10, lr.top + 5);
  SendMessageW(c->Handle(), WM_MOUSEMOVE, MK_LBUTTON, Pt(10, 30));
  POINT cur;
  GetCursorPos(&cur);
  if (cur.x != lr.left + 10 || cur.y != lr.top + 5) GTEST_SKIP() << "the pointer cannot be placed on this display";
  EXPECT_EQ(0, c->ListBox()->ItemIndex());
  SetCursorPos(lr.left + 10, lr.bottom + 30);
  SendMessageW(c->Handle(), WM_MOUSEMOVE, MK_LBUTTON, Pt(10, 300));
  EXPECT_EQ(2, c->TimerMode());
  t.timers.Advance(100);
  EXPECT_EQ(4, c->ListBox()->ItemIndex());
  t.timers.Advance(2000);
  EXPECT_EQ(29, c->ListBox()->ItemIndex()) << "stops at the last item";
  // Back in the list the timer stops; the release there accepts the row.
  SetCursorPos(lr.left + 10, lr.top + 5);
  SendMessageW(c->Handle(), WM_MOUSEMOVE, MK_LBUTTON, Pt(10, 30));
  EXPECT_EQ(0, c->TimerMode());
  int row = c->ListBox()->ItemIndex();
  SendMessageW(c->Handle(), WM_LBUTTONUP, 0, Pt(10, 30));
  EXPECT_FALSE(c->IsPopupVisible());
  EXPECT_EQ(row, c->ItemIndex());
  EXPECT_EQ(1, t.closeUps[c]);
}

std::vector<int> alphas;
BOOL WINAPI RecordAlpha(HWND h, COLORREF key, BYTE alpha, DWORD flags) {
  alphas.push_back(alpha);
  return SetLayeredWindowAttributes(h, key, alpha, flags);
}

TEST(TspSkinComboBox, TheTranslucentListFadesInByFifteenthsEveryTime) {
  SettingsForm t;
  alphas.clear();
  TSetLayeredWindowAttributes saved = SkinSetLayeredWindowAttributes;
  SkinSetLayeredWindowAttributes = &RecordAlpha;
  // Every step lies more than 5 ms after the one before.
  SetSkinTickSource([] {
    static uint32_t now = 0;
    return now += 6;
  });
  TspSkinComboBox* c = t.combos[0];
  c->ListBoxAlphaBlend = true;
  c->ListBoxAlphaBlendAnimation = true;
  c->ListBoxAlphaBlendValue = 200;
  c->DropDown();
  std::vector<int> want{0};
  for (int a = 13; a < 200; a += 13) want.push_back(a);
  want.push_back(200);
  EXPECT_EQ(want, alphas);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(c->ListBox()->Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(200, alpha);
  c->CloseUp(false);
  alphas.clear();
  c->DropDown();
  EXPECT_EQ(want, alphas) << "each drop-down fades in again";
  c->CloseUp(false);
  // Without the animation the list shows at once at the value.
  c->ListBoxAlphaBlendAnimation = false;
  alphas.clear();
  c->DropDown();
  EXPECT_EQ(std::vector<int>{200}, alphas);
  SkinSetLayeredWindowAttributes = saved;
  SetSkinTickSource([&t] { return t.clock.now; });
}

TEST(TspSkinComboBox, StyleSwitchesFreeAndCreateTheEditAndMoveTheTabStop) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[4];
  c->SetItemIndex(1);
  EXPECT_TRUE(c->TabStop);
  c->SetStyle(spcbEditStyle);
  ASSERT_NE(nullptr, c->Edit());
  TspComboEdit* first = c->Edit();
  EXPECT_FALSE(c->TabStop);
  EXPECT_TRUE(first->TabStop);
  EXPECT_EQ("48000", first->Text());
  // A repeated edit style keeps the one edit.
  c->SetStyle(spcbEditStyle);
  EXPECT_EQ(first, c->Edit());
  int edits = 0;
  for (int i = 0; i < c->ControlCount(); ++i)
    if (dynamic_cast<TspComboEdit*>(c->Controls(i))) ++edits;
  EXPECT_EQ(1, edits);
  c->SetStyle(spcbFixedStyle);
  EXPECT_EQ(nullptr, c->Edit());
  EXPECT_TRUE(c->TabStop);
  c->SetStyle(spcbEditStyle);
  ASSERT_NE(nullptr, c->Edit());
  EXPECT_EQ("48000", c->Edit()->Text()) << "a fresh edit holds the current text";
}

TEST(TspSkinComboBox, DefaultLookShowsFocusCommittedItemAndDisabledArrow) {
  SettingsForm t;
  TspSkinComboBox* c = t.combos[0];
  c->SetItemIndex(0);
  ASSERT_TRUE(c->SetFocus());
  Dib dib(c->Width(), c->Height());
  c->PaintTo(dib.dc, 0, 0);
  RECT item = c->CBItem.R;
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), dib.At(item.right - 4, item.top + 3)) << "focused: highlight";
  bool dotted = false;
  for (int x = item.left; x < item.left + 6; ++x)
    for (int y = item.top; y < item.top + 2; ++y) dotted |= dib.At(x, y) != GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_TRUE(dotted) << "with the dotted focus frame";

  // While open the box shows the committed item, not the row under the pointer.
  int drawn = -1;
  c->OnComboBoxDrawItem = [&](TCanvas*, int index, int, int, RECT, TOwnerDrawState) { drawn = index; };
  c->DropDown();
  c->ListBox()->SetItemIndex(2);
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(0, drawn);
  c->CloseUp(false);
  c->OnComboBoxDrawItem = nullptr;

  // Disabled: the arrow in the shadow colour.
  c->SetEnabled(false);
  Dib off(c->Width(), c->Height());
  c->PaintTo(off.dc, 0, 0);
  RECT b = c->Button.R;
  int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
  bool shadowArrow = false, blackArrow = false;
  for (int y = b.top + 1; y < b.bottom - 1; ++y)
    for (int x = b.left + 1; x < b.right - 1; ++x) {
      COLORREF p = off.At(x, y);
      if (abs(x - cx) < 5 && abs(y - cy) < 5) {
        shadowArrow |= p == GetSysColor(COLOR_BTNSHADOW);
        blackArrow |= p == 0;
      }
    }
  EXPECT_TRUE(shadowArrow);
  EXPECT_FALSE(blackArrow);
}

// ---------------------------------------------------------------------------
// List box

struct ListForm {
  FakeTimers timers;
  TForm form{nullptr};
  TspSkinListBox* list;
  ListForm() {
    form.SetBounds(30, 30, 300, 300);
    list = AddControl<TspSkinListBox>(&form, &form, 10, 10, 150, 104);
    form.Show();
    Application->ProcessMessages();
  }
};

TEST(TspSkinListBox, HeightForRowsAndScrollBarsMadeOnlyWhileNeeded) {
  ListForm t;
  TspSkinListBox* l = t.list;
  EXPECT_EQ(104, l->CalcHeight(5));
  for (int i = 0; i < 5; ++i) l->Items()->Add("row " + std::to_string(i));
  EXPECT_EQ(nullptr, l->ScrollBar) << "five rows fit";
  l->Items()->Add("row 5");
  ASSERT_NE(nullptr, l->ScrollBar) << "the sixth does not";
  EXPECT_EQ(0, l->ScrollBar->Min());
  EXPECT_EQ(5, l->ScrollBar->Max());
  EXPECT_EQ(5, l->ScrollBar->PageSize());
  EXPECT_LE(l->ListBox->Left() + l->ListBox->Width(), l->ScrollBar->Left()) << "the list ends before the bar";
  l->Items()->Delete(5);
  EXPECT_EQ(nullptr, l->ScrollBar);
  // Rows fitted to the item count never need a bar.
  l->Items()->Add("row 5");
  l->SetRowCount(6);
  EXPECT_EQ(l->CalcHeight(6), l->Height());
  l->UpDateScrollBar();
  EXPECT_EQ(nullptr, l->ScrollBar);
}

TEST(TspSkinListBox, TheSkinBarAndTheWheelScrollTheList) {
  ListForm t;
  TspSkinListBox* l = t.list;
  for (int i = 0; i < 20; ++i) l->Items()->Add("row " + std::to_string(i));
  ASSERT_NE(nullptr, l->ScrollBar);
  l->ScrollBar->SetPosition(10);
  EXPECT_EQ(10, l->TopIndex());
  SendMessageW(l->ListBox->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(11, l->TopIndex());
  EXPECT_EQ(11, l->ScrollBar->Position()) << "the bar follows the list";
  SendMessageW(l->ListBox->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  SendMessageW(l->ListBox->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(9, l->TopIndex());
  l->ScrollBar->SetPosition(1000);
  EXPECT_EQ(15, l->TopIndex()) << "the last page";
}

TEST(TspSkinListBox, HorizontalExtentBarPagesByTheVisibleWidth) {
  ListForm t;
  TspSkinListBox* l = t.list;
  l->Items()->Add("short");
  l->SetHorizontalExtent(true);
  EXPECT_EQ(nullptr, l->HScrollBar);
  l->Items()->Add(std::string(60, 'W'));
  l->UpDateScrollBar();
  ASSERT_NE(nullptr, l->HScrollBar);
  EXPECT_EQ(l->ListBox->Width() - 4, l->HScrollBar->PageSize());
  TspPaintBuffer probe(1, 1);
  l->DefaultFont().AssignTo(probe.Canvas()->Font());
  EXPECT_EQ(probe.Canvas()->TextWidth("0"), l->HScrollBar->SmallChange());
  EXPECT_LE(l->ListBox->Top() + l->ListBox->Height(), l->HScrollBar->Top()) << "the last row stays visible";
  l->HScrollBar->SetPosition(30);
  EXPECT_EQ(30, l->ListBox->FHorizontalExtentValue);
  // Narrowing the list reduces the shift, never below 0.
  l->ListBox->SetBounds(l->ListBox->Left(), l->ListBox->Top(), l->ListBox->Width() - 20, l->ListBox->Height());
  EXPECT_EQ(10, l->ListBox->FHorizontalExtentValue);
  l->ListBox->SetBounds(l->ListBox->Left(), l->ListBox->Top(), l->ListBox->Width() - 50, l->ListBox->Height());
  EXPECT_EQ(0, l->ListBox->FHorizontalExtentValue);
  l->Items()->Delete(1);
  l->UpDateScrollBar();
  EXPECT_EQ(nullptr, l->HScrollBar);
}

TEST(TspSkinListBox, HeldCaptionButtonRepeatsAndStopsAtTheLastItem) {
  ListForm t;
  TspSkinListBox* l = t.list;
  l->SetCaptionMode(true);
  l->SetHeight(l->CalcHeight(5));
  for (int i = 0; i < 6; ++i) l->Items()->Add("row " + std::to_string(i));
  l->SetItemIndex(0);
  l->Repaint();
  RECT down = l->Buttons[1].R;
  ASSERT_FALSE(IsEmptyRECT(down));
  int x = (down.left + down.right) / 2, y = (down.top + down.bottom) / 2;
  HWND h = l->Handle();
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(x, y));
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
  t.timers.Advance(499);
  EXPECT_EQ(0, l->ItemIndex());
  t.timers.Advance(1);
  EXPECT_EQ(1, l->ItemIndex());
  t.timers.Advance(200);
  EXPECT_EQ(3, l->ItemIndex());
  t.timers.Advance(1000);
  EXPECT_EQ(5, l->ItemIndex());
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(x, y));
  EXPECT_EQ(5, l->ItemIndex());
  EXPECT_EQ(0, l->TimerMode());
  // A short click steps once; an assigned event fires once and nothing repeats.
  l->SetItemIndex(2);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(x, y));
  EXPECT_EQ(3, l->ItemIndex());
  int fired = 0;
  l->OnDownButtonClick = [&](TObject*) { ++fired; };
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
  t.timers.Advance(1000);
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(x, y));
  EXPECT_EQ(1, fired);
  EXPECT_EQ(3, l->ItemIndex());
  // A release away from the button does nothing.
  l->OnDownButtonClick = nullptr;
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(5, 80));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(5, 80));
  EXPECT_EQ(3, l->ItemIndex());
  EXPECT_EQ(0, l->TimerMode());
  // Leaving the control clears the hot buttons.
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(x, y));
  l->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(l));
  for (auto& b : l->Buttons) EXPECT_FALSE(b.MouseIn);
}

TEST(TspSkinListBox, AnEmptyListPaintsItsBackgroundOnTheSkinRequest) {
  ListForm t;
  TspSkinListBox* l = t.list;
  Dib dib(l->ListBox->Width(), l->ListBox->Height());
  LRESULT r = SendMessageW(l->ListBox->Handle(), SP_PAINTCLIENT, reinterpret_cast<WPARAM>(dib.dc), kSkinPaintClientCode);
  EXPECT_EQ(kSkinPaintClientCode, r);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), dib.At(5, 5));
  l->Items()->Add("row");
  r = SendMessageW(l->ListBox->Handle(), SP_PAINTCLIENT, reinterpret_cast<WPARAM>(dib.dc), kSkinPaintClientCode);
  EXPECT_NE(kSkinPaintClientCode, r);
}

TEST(TspSkinListBox, TheSelectedRowIsDrawnSelectedAndTheRestPlain) {
  ListForm t;
  TspSkinListBox* l = t.list;
  for (int i = 0; i < 3; ++i) l->Items()->Add("row " + std::to_string(i));
  l->SetItemIndex(1);
  Dib dib(l->Width(), l->Height());
  l->PaintTo(dib.dc, 0, 0);
  int x = l->ListBox->Left() + l->ListBox->Width() - 3;
  int y0 = l->ListBox->Top() + 3;
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), dib.At(x, y0));
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), dib.At(x, y0 + 20));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), dib.At(x, y0 + 40));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), dib.At(x, y0 + 70)) << "below the rows: the background";
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), dib.At(0, 50)) << "the frame";
}

// A combo whose edit takes numbers only, as the font-size combo has.
class TNumberCombo : public TspSkinComboBox {
public:
  explicit TNumberCombo(TComponent* owner) : TspSkinComboBox(owner) { FNumEdit = true; }
};

TEST(TspSkinComboBox, TheInnerEditIsTheSkinnedEditWithItsMenuAndDialogKeys) {
  SettingsForm t;
  int oks = 0, cancels = 0;
  auto* ok = AddControl<TspSkinButton>(&t.form, &t.form, 10, 8, 70, 22);
  ok->SetDefault(true);
  ok->OnClick = [&](TObject*) { ++oks; };
  auto* cancel = AddControl<TspSkinButton>(&t.form, &t.form, 10, 40, 70, 22);
  cancel->Cancel = true;
  cancel->OnClick = [&](TObject*) { ++cancels; };
  auto* numbers = AddControl<TNumberCombo>(&t.form, &t.form, 10, 70, 80, 20);
  numbers->SetStyle(spcbEditStyle);
  TspSkinComboBox* c = t.combos[3];
  c->AutoComplete = false;
  ASSERT_NE(nullptr, dynamic_cast<TspCustomEdit*>(c->Edit()));

  // Typed with the keyboard: Enter presses the default button, Escape the
  // cancel button, and neither gets into the text.
  ASSERT_TRUE(real_input::Activate(t.form.Handle()));
  ASSERT_TRUE(c->Edit()->SetFocus());
  c->Edit()->SetText("");
  real_input::TypeText("Kiwi");
  real_input::Press(VK_RETURN);
  EXPECT_TRUE(real_input::PumpUntil([&] { return oks == 1; })) << oks;
  EXPECT_EQ("Kiwi", c->Text());
  real_input::Press(VK_ESCAPE);
  EXPECT_TRUE(real_input::PumpUntil([&] { return cancels == 1; })) << cancels;
  EXPECT_EQ("Kiwi", c->Text());
  EXPECT_EQ(1, oks);

  // A number combo takes a minus sign and digits, and refuses letters.
  ASSERT_TRUE(numbers->Edit()->SetFocus());
  real_input::TypeText("-12a3");
  EXPECT_TRUE(real_input::PumpUntil([&] { return numbers->Text() == "-123"; })) << numbers->Text();

  // The right button opens the skinned edit menu, whose entries act on the
  // inner edit.
  c->Edit()->SetText("Kiwi");
  HWND e = c->Edit()->Handle();
  SendMessageW(e, EM_SETSEL, 0, 2);
  TspEditMenuPopup saved = EditMenuPopupHandler();
  TWinControl* shownFor = nullptr;
  std::vector<std::string> keys;
  EditMenuPopupHandler() = [&](TWinControl* control, TspEditMenuItems& items, POINT) {
    shownFor = control;
    for (auto& i : items) {
      keys.push_back(i.Key);
      if (i.Key == "EDIT_DELETE") i.Action();
    }
  };
  SendMessageW(e, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(e), MAKELPARAM(-1, -1));
  EditMenuPopupHandler() = saved;
  EXPECT_EQ(c->Edit(), shownFor);
  EXPECT_NE(keys.end(), std::find(keys.begin(), keys.end(), "EDIT_SELECTALL"));
  EXPECT_EQ("wi", c->Text()) << "the menu's Delete changes the combo's text through the edit";
}

}  // namespace
