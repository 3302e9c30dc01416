// The edit family, the page control and the tree and list views of the framework.
#include "support/gtest.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/PageControl.h"
#include "framework/Forms.h"
#include "framework/Mask.h"
#include "framework/StdCtrls.h"
#include "support/RealInput.h"

namespace {

struct Host {
  TForm form{nullptr};
  Host() { form.SetBounds(50, 50, 500, 400); }
  template <class T>
  T* Add() {
    auto* c = new T(&form);
    c->SetParent(&form);
    return c;
  }
};

}  // namespace

TEST(TMemo, LinesReadAndWriteTheWindowText) {
  Host h;
  auto* memo = h.Add<TMemo>();
  // Before the window exists the lines live in the text.
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  EXPECT_EQ("first\r\nsecond\r\n", memo->Text());
  memo->HandleNeeded();
  EXPECT_EQ(2, memo->Lines()->Count());
  memo->Lines()->Insert(1, "middle");
  memo->Lines()->Put(0, "one");
  memo->Lines()->Delete(2);
  ASSERT_EQ(2, memo->Lines()->Count());
  EXPECT_EQ("one", memo->Lines()->Get(0));
  EXPECT_EQ("middle", memo->Lines()->Get(1));
  EXPECT_THROW(memo->Lines()->Get(2), EStringListError);
  // A text without a final line break still counts its last line.
  memo->SetText("a\r\nb");
  EXPECT_EQ(2, memo->Lines()->Count());
  EXPECT_EQ("b", memo->Lines()->Get(1));
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  memo->Lines()->Clear();
  EXPECT_EQ(0, memo->Lines()->Count());
  EXPECT_EQ(1, changes);
}

TEST(TEdit, TextSelectionAndChanges) {
  Host h;
  auto* edit = h.Add<TEdit>();
  edit->SetText("before");
  edit->HandleNeeded();
  EXPECT_EQ("before", edit->Text());
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  SendMessageW(edit->Handle(), EM_SETSEL, 6, 6);
  SendMessageW(edit->Handle(), WM_CHAR, 'X', 1);
  EXPECT_EQ("beforeX", edit->Text());
  EXPECT_EQ(1, changes);
  edit->SetSelStart(0);
  edit->SetSelLength(3);
  EXPECT_EQ("bef", edit->SelText());
  edit->SetSelText("aft");
  EXPECT_EQ("aftoreX", edit->Text());
  edit->SetMaxLength(3);
  edit->SetText("");
  for (char c : std::string("abcdef")) SendMessageW(edit->Handle(), WM_CHAR, c, 1);
  EXPECT_EQ("abc", edit->Text());
}

TEST(TMaskEdit, PlacesTakeOnlyWhatTheMaskAllows) {
  Host h;
  auto* edit = h.Add<TMaskEdit>();
  edit->HandleNeeded();
  edit->SetEditMask("!90:00;1;_");
  // ':' stands for the locale's time separator.
  EXPECT_EQ(std::u16string(u"__") + LocaleTimeSeparator() + u"__", UTF8ToUTF16(edit->Text()));
  EXPECT_EQ(5, edit->MaskLength());
  EXPECT_FALSE(edit->IsInputPlace(2));
  SendMessageW(edit->Handle(), EM_SETSEL, 0, 0);
  for (char c : std::string("1x234")) SendMessageW(edit->Handle(), WM_CHAR, c, 1);
  EXPECT_EQ("12", edit->Text().substr(0, 2));
  EXPECT_EQ("34", edit->Text().substr(3, 2));
  // A text set by the program is laid into the places.
  edit->SetText("9");
  EXPECT_EQ("9_", edit->Text().substr(0, 2));
  EXPECT_THROW(edit->ValidateEdit(), EInvalidMaskInput);
  edit->SetEditMask("");
  EXPECT_FALSE(edit->IsMasked());
}

TEST(TCustomForm, KeyPreviewGivesTheFormTheKeysOfItsControlsFirst) {
  Host h;
  auto* edit = h.Add<TEdit>();
  edit->SetBounds(10, 10, 150, 22);
  auto* masked = h.Add<TMaskEdit>();
  masked->SetBounds(10, 40, 150, 22);
  masked->SetEditMask("999;1;_");
  std::string seen;
  int downs = 0;
  h.form.OnKeyPress = [&](TObject*, char16_t& key) {
    seen += static_cast<char>(key);
    if (key == u'5') key = 0;  // the form keeps this one
  };
  h.form.OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++downs; };
  h.form.Show();
  ASSERT_TRUE(real_input::Activate(h.form.Handle()));
  struct Case {
    bool preview;
    const char* seen;
    const char* text;
  };
  for (const Case& k : {Case{false, "", "151"}, Case{true, "151", "11"}}) {
    h.form.KeyPreview = k.preview;
    seen.clear();
    downs = 0;
    edit->SetText("");
    ASSERT_TRUE(edit->SetFocus());
    real_input::TypeText("151");
    EXPECT_TRUE(real_input::PumpUntil([&] { return edit->Text() == k.text; })) << edit->Text();
    EXPECT_EQ(k.seen, seen);
    EXPECT_EQ(k.preview ? 3 : 0, downs);
    // The mask edit's own typing path too.
    seen.clear();
    masked->SetText("");
    ASSERT_TRUE(masked->SetFocus());
    SendMessageW(masked->Handle(), EM_SETSEL, 0, 0);
    real_input::TypeText("151");
    std::string want = k.preview ? "11_" : "151";
    EXPECT_TRUE(real_input::PumpUntil([&] { return masked->Text() == want; })) << masked->Text();
    EXPECT_EQ(k.seen, seen);
  }
}

TEST(TPageControl, PagesTabsAndTheActivePage) {
  Host h;
  auto* pc = h.Add<TPageControl>();
  pc->SetBounds(10, 10, 300, 200);
  TTabSheet* pages[3];
  for (int i = 0; i < 3; ++i) {
    pages[i] = new TTabSheet(&h.form);
    pages[i]->SetPageControl(pc);
    pages[i]->SetCaption("P" + std::to_string(i));
  }
  pc->HandleNeeded();
  EXPECT_EQ(pages[0], pc->ActivePage());
  EXPECT_TRUE(pages[0]->Visible());
  EXPECT_FALSE(pages[1]->Visible());
  RECT r = pc->DisplayRect();
  EXPECT_EQ(r.left, pages[0]->Left());
  EXPECT_EQ(r.right - r.left, pages[0]->Width());
  EXPECT_EQ(3, static_cast<int>(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0)));
  // A hidden tab leaves the row; its page hands over to the next one.
  pc->SetActivePage(pages[1]);
  pages[1]->SetTabVisible(false);
  EXPECT_EQ(2, static_cast<int>(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(pages[2], pc->ActivePage());
  EXPECT_EQ(1, pc->TabIndex());
  EXPECT_EQ(-1, pages[1]->TabIndex());
  EXPECT_EQ(pages[0], pc->FindNextPage(pages[2], true, true));
  // A freed page leaves the control.
  delete pages[2];
  EXPECT_EQ(2, pc->PageCount());
  EXPECT_EQ(pages[0], pc->ActivePage());
  // The user's selection shows its page and reports the change.
  pages[1]->SetTabVisible(true);
  int changes = 0;
  pc->OnChange = [&](TObject*) { ++changes; };
  pc->SelectNextPage(true);
  EXPECT_EQ(pages[1], pc->ActivePage());
  EXPECT_TRUE(pages[1]->Visible());
  EXPECT_EQ(1, changes);
}

// ---------------------------------------------------------------- views

namespace {

LONG_PTR WindowStyle(TWinControl* c) { return GetWindowLongPtrW(c->Handle(), GWL_STYLE); }

// A property that stands for one window style bit (set when the property
// is `bitWhenOn`), with the value a new control has.
template <class View>
struct StyleProperty {
  const char* name;
  std::function<bool(View*)> get;
  std::function<void(View*, bool)> set;
  DWORD bit;
  bool bitWhenOn;
  bool initial;
};

// Each property starts as documented, is kept in the style of a window made
// after it was set, and changes the style of a window that exists.
template <class View>
void CheckStyleProperties(const std::vector<StyleProperty<View>>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool value : {false, true}) {
      Host h;
      View* before = h.template Add<View>();
      EXPECT_EQ(c.initial, c.get(before));
      c.set(before, value);
      EXPECT_EQ(value, c.get(before));
      EXPECT_EQ(value == c.bitWhenOn, (WindowStyle(before) & c.bit) != 0) << "set before the window, " << value;

      View* after = h.template Add<View>();
      after->HandleNeeded();
      EXPECT_EQ(c.initial == c.bitWhenOn, (WindowStyle(after) & c.bit) != 0) << "new window";
      c.set(after, value);
      EXPECT_EQ(value, c.get(after));
      EXPECT_EQ(value == c.bitWhenOn, (WindowStyle(after) & c.bit) != 0) << "set on the window, " << value;
      // Other properties keep their bits.
      for (const auto& other : cases) {
        if (&other == &c) continue;
        EXPECT_EQ(other.initial == other.bitWhenOn, (WindowStyle(after) & other.bit) != 0) << other.name;
      }
    }
  }
}

}  // namespace

TEST(TCustomTreeView, StylePropertiesLiveInTheWindowStyle) {
  using T = TCustomTreeView;
  CheckStyleProperties<T>({
      {"ShowRoot", [](T* v) { return v->ShowRoot(); }, [](T* v, bool b) { v->SetShowRoot(b); }, TVS_LINESATROOT,
       true, true},
      {"ShowLines", [](T* v) { return v->ShowLines(); }, [](T* v, bool b) { v->SetShowLines(b); }, TVS_HASLINES, true,
       true},
      {"ShowButtons", [](T* v) { return v->ShowButtons(); }, [](T* v, bool b) { v->SetShowButtons(b); },
       TVS_HASBUTTONS, true, true},
      {"RowSelect", [](T* v) { return v->RowSelect(); }, [](T* v, bool b) { v->SetRowSelect(b); }, TVS_FULLROWSELECT,
       true, false},
      {"ReadOnly", [](T* v) { return v->ReadOnly(); }, [](T* v, bool b) { v->SetReadOnly(b); }, TVS_EDITLABELS, false,
       false},
      {"HideSelection", [](T* v) { return v->HideSelection(); }, [](T* v, bool b) { v->SetHideSelection(b); },
       TVS_SHOWSELALWAYS, false, true},
  });
}

TEST(TCustomListView, StylePropertiesLiveInTheWindowStyle) {
  using L = TCustomListView;
  CheckStyleProperties<L>({
      {"MultiSelect", [](L* v) { return v->MultiSelect(); }, [](L* v, bool b) { v->SetMultiSelect(b); },
       LVS_SINGLESEL, false, false},
      {"WrapText", [](L* v) { return v->WrapText(); }, [](L* v, bool b) { v->SetWrapText(b); }, LVS_NOLABELWRAP,
       false, true},
      {"ReadOnly", [](L* v) { return v->ReadOnly(); }, [](L* v, bool b) { v->SetReadOnly(b); }, LVS_EDITLABELS, false,
       false},
      {"HideSelection", [](L* v) { return v->HideSelection(); }, [](L* v, bool b) { v->SetHideSelection(b); },
       LVS_SHOWSELALWAYS, false, true},
      {"ShowColumnHeaders", [](L* v) { return v->ShowColumnHeaders(); },
       [](L* v, bool b) { v->SetShowColumnHeaders(b); }, LVS_NOCOLUMNHEADER, false, true},
  });
}

TEST(TCustomListView, ViewStyleAndExtendedStylesReachTheWindow) {
  Host h;
  auto* list = h.Add<TCustomListView>();
  list->SetViewStyle(vsReport);
  list->SetGridLines(true);
  list->SetCheckboxes(true);
  auto ex = [&] { return static_cast<DWORD>(SendMessageW(list->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); };
  EXPECT_EQ(static_cast<LONG_PTR>(LVS_REPORT), WindowStyle(list) & LVS_TYPEMASK);
  // Shared image lists: the views never free the lists they are handed.
  EXPECT_NE(0, WindowStyle(list) & LVS_SHAREIMAGELISTS);
  EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES),
            ex() & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP));
  list->SetViewStyle(vsList);
  list->SetGridLines(false);
  list->SetRowSelect(true);
  list->SetFullDrag(true);
  EXPECT_EQ(static_cast<LONG_PTR>(LVS_LIST), WindowStyle(list) & LVS_TYPEMASK);
  EXPECT_EQ(vsList, list->ViewStyle());
  EXPECT_EQ(static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP),
            ex() & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP));
  EXPECT_TRUE(list->Checkboxes());
  EXPECT_FALSE(list->GridLines());
  EXPECT_TRUE(list->RowSelect());
  EXPECT_TRUE(list->FullDrag());
  // A window made again (the header switch does that) keeps all of it.
  list->SetShowColumnHeaders(false);
  EXPECT_EQ(static_cast<LONG_PTR>(LVS_LIST), WindowStyle(list) & LVS_TYPEMASK);
  EXPECT_EQ(static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP),
            ex() & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP));
}
