// The skinned memo: its linked skin bar follows the window's scroll state,
// the read-only mode still copies, and the wheel scrolls one line a notch.
#include "support/gtest.h"

#include "EditTestSupport.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinMemo.h"

using namespace edit_test;

namespace {

struct MemoForm : Form {
  TspSkinMemo* memo = Add<TspSkinMemo>(10, 10, 200, 120);
  TspSkinScrollBar* bar = Add<TspSkinScrollBar>(210, 10, 19, 120);
  MemoForm() {
    bar->SetKind(sbVertical);
    memo->SetReadOnly(true);
    memo->SetVScrollBar(bar);
  }
};

}  // namespace

TEST(TspSkinMemo, LinkedBarIsDisabledWhileTheTextFits) {
  MemoForm f;
  f.memo->Lines()->Add("one line");
  EXPECT_FALSE(f.bar->Enabled());
  EXPECT_EQ(0, f.bar->Max());
  EXPECT_EQ(0, f.bar->PageSize());
  for (int i = 0; i < 40; ++i) f.memo->Lines()->Add("line " + std::to_string(i));
  EXPECT_TRUE(f.bar->Enabled());
  EXPECT_GT(f.bar->Max(), 0);
  EXPECT_GT(f.bar->PageSize(), 0);
  EXPECT_LT(f.bar->PageSize(), f.bar->Max() + 1);
  // Moving the bar scrolls the memo.
  f.bar->SetPosition(10);
  EXPECT_EQ(10, f.memo->FirstVisibleLine());
  // Each wheel notch is one line.
  SendMessageW(f.memo->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(11, f.memo->FirstVisibleLine());
  EXPECT_EQ(11, f.bar->Position());
  SendMessageW(f.memo->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(10, f.memo->FirstVisibleLine());
  // Back to a short text: the bar is disabled again.
  f.memo->Lines()->Clear();
  EXPECT_FALSE(f.bar->Enabled());
  // A disabled memo disables its bar whatever its text.
  for (int i = 0; i < 40; ++i) f.memo->Lines()->Add("x");
  f.memo->SetEnabled(false);
  EXPECT_FALSE(f.bar->Enabled());
}

TEST(TspSkinMemo, ReadOnlyBlocksEditingButCopies) {
  MemoForm f;
  f.memo->Lines()->Add("alpha");
  f.memo->Lines()->Add("beta");
  std::string before = f.memo->Text();
  HWND h = f.memo->Handle();
  SendMessageW(h, EM_SETSEL, 0, 5);
  Type(h, "zz");
  KeyDown(h, VK_DELETE);
  for (UINT msg : {WM_CUT, WM_PASTE, WM_CLEAR, WM_UNDO}) SendMessageW(h, msg, 0, 0);
  EXPECT_EQ(before, f.memo->Text());
  SendMessageW(h, WM_CHAR, 3, 1);
  std::string copied;
  if (OpenClipboard(nullptr)) {
    if (HANDLE c = GetClipboardData(CF_UNICODETEXT)) {
      copied = UTF16ToUTF8(std::u16string(static_cast<const char16_t*>(GlobalLock(c))));
      GlobalUnlock(c);
    }
    CloseClipboard();
  }
  EXPECT_EQ("alpha", copied);
  TspEditMenuItems items = f.memo->CreateSysPopupMenuItems();
  for (auto& i : items) {
    if (i.Key == "EDIT_CUT" || i.Key == "EDIT_PASTE" || i.Key == "EDIT_DELETE") EXPECT_FALSE(i.Enabled) << i.Key;
    if (i.Key == "EDIT_COPY" || i.Key == "EDIT_SELECTALL") EXPECT_TRUE(i.Enabled) << i.Key;
  }
  ASSERT_EQ(2, f.memo->Lines()->Count());
  EXPECT_EQ("beta", f.memo->Lines()->Get(1));
}
