// The skinned edits: dialog keys, the read-only mode and its menu, the
// number filter, the button edit and the skinned looks and heights.
#include "support/gtest.h"

#include "support/Dib.h"
#include "EditTestSupport.h"
#include "FakeTimers.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinEdits.h"

using namespace edit_test;

namespace {

std::string ClipboardText() {
  std::string s;
  if (OpenClipboard(nullptr)) {
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      if (auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
        s = UTF16ToUTF8(std::u16string(p));
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
  }
  return s;
}

void SetClipboardText(const std::string& text) {
  std::u16string w = UTF8ToUTF16(text);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(char16_t));
  memcpy(GlobalLock(g), w.c_str(), (w.size() + 1) * sizeof(char16_t));
  GlobalUnlock(g);
  SetClipboardData(CF_UNICODETEXT, g);
  CloseClipboard();
}

bool MenuEnabled(const TspEditMenuItems& items, const std::string& key) {
  for (auto& i : items)
    if (i.Key == key) return i.Enabled;
  ADD_FAILURE() << key;
  return false;
}

}  // namespace

TEST(TspSkinEdit, EnterPressesTheDefaultButtonAndInsertsNothing) {
  Form f;
  auto* ok = f.Add<TspSkinButton>(300, 10, 75, 25);
  ok->SetDefault(true);
  int clicks = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  std::vector<char16_t> seen;
  edit->OnKeyPress = [&](TObject*, char16_t& k) {
    seen.push_back(k);
    if (k == 13) k = u'x';  // a change of Enter is ignored
  };
  ASSERT_TRUE(edit->SetFocus());
  Type(edit->Handle(), "ab\r");
  EXPECT_EQ(1, clicks);
  EXPECT_EQ("ab", edit->Text());
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(u'\r', seen[2]);
}

TEST(TspSkinEdit, ReadOnlyBlocksEveryChangeButStillCopies) {
  Form f;
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  edit->SetText("fixed text");
  edit->SetReadOnly(true);
  HWND h = edit->Handle();
  SetClipboardText("pasted");
  SendMessageW(h, EM_SETSEL, 0, 5);
  Type(h, "zz");
  KeyDown(h, VK_DELETE);
  for (UINT msg : {WM_CUT, WM_PASTE, WM_CLEAR, WM_UNDO}) SendMessageW(h, msg, 0, 0);
  EXPECT_EQ("fixed text", edit->Text());
  // Ctrl+C arrives as character 3 and copies the selection.
  SendMessageW(h, WM_CHAR, 3, 1);
  EXPECT_EQ("fixed", ClipboardText());

  TspEditMenuItems items = edit->CreateSysPopupMenuItems();
  EXPECT_FALSE(MenuEnabled(items, "EDIT_CUT"));
  EXPECT_FALSE(MenuEnabled(items, "EDIT_PASTE"));
  EXPECT_FALSE(MenuEnabled(items, "EDIT_DELETE"));
  EXPECT_TRUE(MenuEnabled(items, "EDIT_COPY"));
  EXPECT_TRUE(MenuEnabled(items, "EDIT_SELECTALL"));
  EXPECT_EQ("Select All", items.back().Caption);
}

TEST(TspSkinEdit, SelectAllIsOfferedOnlyWhileSomethingIsLeftUnselected) {
  Form f;
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  HWND h = edit->Handle();
  struct Case {
    const char* text;
    int start, end;
    bool selectAll;
  } cases[] = {{"", 0, 0, false}, {"abc", 0, 3, false}, {"abc", 0, 2, true}, {"abc", 1, 3, true}, {"abc", 3, 3, true}};
  for (auto& c : cases) {
    edit->SetText(c.text);
    SendMessageW(h, EM_SETSEL, c.start, c.end);
    EXPECT_EQ(c.selectAll, MenuEnabled(edit->CreateSysPopupMenuItems(), "EDIT_SELECTALL"))
        << c.text << " " << c.start << ".." << c.end;
  }
  // The menu shows through the popup handler and its entries act.
  edit->SetText("abc");
  SendMessageW(h, EM_SETSEL, 0, 1);
  TspEditMenuPopup saved = EditMenuPopupHandler();
  EditMenuPopupHandler() = [](TWinControl*, TspEditMenuItems& items, POINT) {
    for (auto& i : items)
      if (i.Key == "EDIT_DELETE") i.Action();
  };
  SendMessageW(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(-1, -1));
  EditMenuPopupHandler() = saved;
  EXPECT_EQ("bc", edit->Text());
}

TEST(TspSkinEdit, FocusSelectsTheWholeText) {
  Form f;
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  auto* other = f.Add<TspSkinEdit>(10, 40, 150, 20);
  edit->SetText("select me");
  ASSERT_TRUE(other->SetFocus());
  ASSERT_TRUE(edit->SetFocus());
  EXPECT_EQ(0, edit->SelStart());
  EXPECT_EQ(9, edit->SelLength());
  edit->AutoSelect = false;
  SendMessageW(edit->Handle(), EM_SETSEL, 2, 2);
  ASSERT_TRUE(other->SetFocus());
  ASSERT_TRUE(edit->SetFocus());
  EXPECT_EQ(0, edit->SelLength());
}

TEST(TspSkinEdit, PastedLineBreaksStayOutOfTheOneLineEdit) {
  Form f;
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  SetClipboardText("one\r\ntwo");
  SendMessageW(edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ("onetwo", edit->Text());
  edit->SetText("a\nb");
  EXPECT_EQ("ab", edit->Text());
}

TEST(TspSkinNumEdit, CharacterFilter) {
  Form f;
  auto* edit = f.Add<TspSkinNumEdit>(10, 10, 80, 20);
  struct Case {
    bool isFloat, editorEnabled;
    const char* text;
    char16_t ch;
    bool valid;
  } cases[] = {
      {false, true, "", u'5', true},   {false, true, "", u'.', false},  {false, true, "12", u'-', true},
      {false, true, "1-", u'-', false}, {false, true, "", u'a', false}, {false, true, "", 13, false},
      {false, true, "", 8, true},      {true, true, "1", u'.', true},  {true, true, "1.5", u'.', false},
      {true, true, "-1", u'-', false}, {false, false, "", u'5', false}, {false, false, "", 8, false},
      {false, false, "", 3, true},
  };
  for (auto& c : cases) {
    edit->Float = c.isFloat;
    edit->EditorEnabled = c.editorEnabled;
    edit->SetText(c.text);
    EXPECT_EQ(c.valid, edit->IsValidChar(c.ch)) << c.text << " + " << int(c.ch) << " float " << c.isFloat;
  }
  edit->Float = false;
  edit->EditorEnabled = true;
  EXPECT_EQ("42", TypeAt(edit, "4", 1, ".2x"));
}

TEST(TspSkinNumEdit, KeysAndWheelAskForSteps) {
  Form f;
  auto* edit = f.Add<TspSkinNumEdit>(10, 10, 80, 20);
  int up = 0, down = 0;
  edit->OnUpClick = [&](TObject*) { ++up; };
  edit->OnDownClick = [&](TObject*) { ++down; };
  KeyDown(edit->Handle(), VK_UP);
  KeyDown(edit->Handle(), VK_DOWN);
  KeyDown(edit->Handle(), VK_DOWN);
  EXPECT_EQ(1, up);
  EXPECT_EQ(2, down);
  Wheel(edit->Handle(), 120);   // a positive delta is a step down
  Wheel(edit->Handle(), -120);
  EXPECT_EQ(2, up);
  EXPECT_EQ(3, down);
}

TEST(TspSkinEdit, ButtonEditAnswersItsButtonAndClicks) {
  Form f;
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  edit->SetButtonMode(true);
  int clicks = 0;
  edit->OnButtonClick = [&](TObject*) { ++clicks; };
  HWND h = edit->Handle();
  RECT wr;
  GetWindowRect(h, &wr);
  int hgt = edit->Height();
  RECT button = edit->ButtonRect();
  EXPECT_EQ(150 - hgt, button.left);
  EXPECT_EQ(150, button.right);
  // The text area ends before the button.
  RECT cr;
  GetClientRect(h, &cr);
  EXPECT_EQ(150 - hgt - 4, cr.right);
  auto hit = [&](int x, int y) { return SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(wr.left + x, wr.top + y)); };
  EXPECT_EQ(HTHSCROLL, hit(150 - hgt / 2, hgt / 2));
  EXPECT_EQ(HTVSCROLL, hit(1, 1));
  EXPECT_EQ(HTCLIENT, hit(20, hgt / 2));
  LPARAM at = MAKELPARAM(wr.left + 150 - hgt / 2, wr.top + hgt / 2);
  SendMessageW(h, WM_NCLBUTTONDOWN, HTHSCROLL, at);
  EXPECT_TRUE(edit->ButtonDown());
  SendMessageW(h, WM_NCLBUTTONUP, HTHSCROLL, at);
  EXPECT_FALSE(edit->ButtonDown());
  EXPECT_EQ(1, clicks);
  EXPECT_TRUE(edit->Focused());
  // Pressed on the button, released on the frame: no click.
  SendMessageW(h, WM_NCLBUTTONDOWN, HTHSCROLL, at);
  SendMessageW(h, WM_NCLBUTTONUP, HTVSCROLL, at);
  EXPECT_EQ(1, clicks);
}

TEST(TspSkinEdit, ButtonOfASkinWithoutEditButtonComesFromTheComboButton) {
  for (bool withEditButton : {false, true}) {
    EditSkin skin(withEditButton);
    Form f;
    auto* edit = f.Add<TspSkinEdit>(10, 10, 120, 20);
    edit->SetUseSkinFont(false);
    edit->SetSkinDataName("buttonedit");
    edit->SetButtonMode(true);
    edit->SetSkinData(&skin.data);
    ASSERT_EQ(1, edit->SkinIndex() >= 0 ? 1 : 0);
    Dib dib(edit->Width(), edit->Height());
    EXPECT_EQ(SP_PAINTCOPY_RESULT, SendMessageW(edit->Handle(), SP_PAINTCOPY, reinterpret_cast<WPARAM>(dib.dc), 0));
    RECT b = edit->ButtonRect();
    COLORREF want = C(withEditButton ? EditSkin::kEditButton : EditSkin::kComboButton);
    EXPECT_EQ(want, dib.At((b.left + b.right) / 2, (b.top + b.bottom) / 2)) << withEditButton;
    // The frame from the element, the text area from its client part.
    EXPECT_EQ(C(EditSkin::kFrame), dib.At(1, 1));
    EXPECT_EQ(C(EditSkin::kClient), dib.At(5, edit->Height() / 2));
  }
}

TEST(TspSkinEdit, HeightFollowsTheSkinOrTheFont) {
  EditSkin skin(false, 24);
  Form f;
  auto* plain = f.Add<TspSkinEdit>(10, 10, 120, 50);
  TEXTMETRICW tm{};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, plain->Font()->Handle());
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // Without a skin: the font's height plus six.
  EXPECT_EQ(tm.tmHeight + 6, plain->Height());

  auto* skinFont = f.Add<TspSkinEdit>(10, 40, 120, 20);
  skinFont->SetSkinData(&skin.data);
  EXPECT_EQ(24, skinFont->Height());
  skinFont->SetBounds(10, 40, 200, 60);
  EXPECT_EQ(24, skinFont->Height());

  auto* ownFont = f.Add<TspSkinEdit>(10, 80, 120, 20);
  ownFont->SetUseSkinFont(false);
  TspFontDesc big;
  big.Height = 30;
  ownFont->SetDefaultFont(big);
  ownFont->SetSkinData(&skin.data);
  HDC dc2 = GetDC(nullptr);
  old = SelectObject(dc2, ownFont->Font()->Handle());
  GetTextMetricsW(dc2, &tm);
  SelectObject(dc2, old);
  ReleaseDC(nullptr, dc2);
  EXPECT_EQ(tm.tmHeight + 6, ownFont->Height());  // frame 3 + 3 of the skin
}

TEST(TspSkinEdit, EveryEnterIsFollowedByALeave) {
  FakeTimers timers;
  Form f;
  auto* edit = f.Add<TspSkinEdit>(10, 10, 120, 20);
  int enters = 0, leaves = 0;
  edit->OnMouseEnter = [&](TObject*) { ++enters; };
  edit->OnMouseLeave = [&](TObject*) { ++leaves; };
  SetCursorPos(0, 0);  // away from the form
  for (int i = 0; i < 2; ++i) {
    SendMessageW(edit->Handle(), WM_NCHITTEST, 0, MAKELPARAM(120, 120));
    EXPECT_TRUE(edit->MouseIn());
    timers.Advance(100);
    EXPECT_FALSE(edit->MouseIn());
  }
  EXPECT_EQ(2, enters);
  EXPECT_EQ(2, leaves);
}

TEST(TspSkinMaskEdit, TypingFillsThePlacesOfTheMask) {
  Form f;
  auto* edit = f.Add<TspSkinMaskEdit>(10, 10, 120, 20);
  edit->SetEditMask("!90:00:00;1; ");
  EXPECT_EQ("  :  :  ", edit->Text());
  HWND h = edit->Handle();
  SendMessageW(h, EM_SETSEL, 0, 0);
  Type(h, "1234x56");
  EXPECT_EQ("12:34:56", edit->Text());
  // Backspace blanks the place before the caret and keeps the literals.
  SendMessageW(h, EM_SETSEL, 3, 3);
  Type(h, "\b");
  EXPECT_EQ("1 :34:56", edit->Text());
  SendMessageW(h, EM_SETSEL, 0, 0);
  KeyDown(h, VK_DELETE);
  EXPECT_EQ("  :34:56", edit->Text());
  EXPECT_THROW(edit->ValidateEdit(), EInvalidMaskInput);
}
