#include "support/gtest.h"

#include <windows.h>

#include <cstring>

#include "framework/Forms.h"
#include "framework/Threads.h"

namespace {

std::string WindowText(HWND h) {
  char16_t buf[256] = {};
  GetWindowTextW(h, reinterpret_cast<LPWSTR>(buf), 256);
  return UTF16ToUTF8(buf);
}

TEST(TForm, ShowsATopLevelWindowWithItsCaption) {
  TForm form(nullptr);
  form.SetCaption("Probe \xE2\x9C\x93");
  form.SetBounds(20, 20, 300, 200);
  form.Show();
  Application->ProcessMessages();
  HWND h = form.Handle();
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ(GetDesktopWindow(), GetAncestor(h, GA_PARENT));
  EXPECT_EQ(Application->Handle(), GetWindow(h, GW_OWNER));
  EXPECT_EQ("Probe \xE2\x9C\x93", WindowText(h));
  form.SetCaption("Renamed");
  EXPECT_EQ("Renamed", WindowText(h));
  form.Hide();
  EXPECT_FALSE(IsWindowVisible(h));
}

TEST(TApplication, MessageHooksSeeMessagesInEveryLoopAndCanSwallowThem) {
  TForm dialog(nullptr);
  std::vector<std::string> seen;
  Application->OnMessage = [&](MSG& m, bool& handled) {
    if (m.message == WM_APP + 5) {
      seen.push_back("OnMessage");
      handled = m.wParam == 1;
    }
  };
  int hook = Application->AddMessageHook([&](MSG& m, bool&) {
    if (m.message == WM_APP + 5) seen.push_back("chain");
    if (m.message == WM_APP + 6) dialog.ModalResult = mrOk;
  });
  PostThreadMessageW(GetCurrentThreadId(), WM_APP + 5, 0, 0);
  Application->ProcessMessages();
  PostThreadMessageW(GetCurrentThreadId(), WM_APP + 5, 1, 0);  // swallowed by OnMessage
  Application->ProcessMessages();
  // Inside a modal loop: the hook ends the dialog.
  dialog.OnShow = [](TObject*) {
    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 5, 0, 0);
    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 6, 0, 0);
  };
  EXPECT_EQ(mrOk, dialog.ShowModal());
  Application->OnMessage = nullptr;
  Application->RemoveMessageHook(hook);
  EXPECT_EQ((std::vector<std::string>{"OnMessage", "chain", "OnMessage", "OnMessage", "chain"}), seen);
}

struct ThrowingForm : TForm {
  using TForm::TForm;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_APP + 9) throw Exception("handler failed");
    TForm::WndProc(m);
  }
};

TEST(TForm, ExceptionsStopAtTheWindowProcedure) {
  ThrowingForm form(nullptr);
  std::string reported;
  Application->OnException = [&](TObject*, const std::string& m) { reported = m; };
  LRESULT r = SendMessageW(form.Handle(), WM_APP + 9, 0, 0);
  Application->OnException = nullptr;
  EXPECT_EQ(0, r);
  EXPECT_EQ("handler failed", reported);
  EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST(TForm, CloseWithFreeReleasesTheFormAfterItsHandler) {
  struct Watched : TForm {
    bool* freed;
    Watched(TComponent* o, bool* f) : TForm(o), freed(f) {}
    ~Watched() override { *freed = true; }
  };
  bool freed = false;
  TComponent owner(nullptr);
  auto* form = new Watched(&owner, &freed);
  form->OnClose = [&](TObject*, TCloseAction& a) { a = caFree; };
  form->Show();
  SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(freed);  // still inside the close handling
  Application->ProcessMessages();
  EXPECT_TRUE(freed);
  EXPECT_EQ(0, owner.ComponentCount());
}

HCURSOR MakeCursor(uint8_t pattern) {
  uint8_t andMask[32 * 4], xorMask[32 * 4];
  memset(andMask, pattern, sizeof andMask);
  memset(xorMask, ~pattern, sizeof xorMask);
  return CreateCursor(GetModuleHandleW(nullptr), 0, 0, 32, 32, andMask, xorMask);
}

TEST(TScreen, CursorTableOwnsWhatItIsGivenAndFeedsTheControls) {
  HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  EXPECT_EQ(static_cast<HCURSOR>(Screen->Cursors[crDefault]), arrow);
  EXPECT_EQ(static_cast<HCURSOR>(Screen->Cursors[901]), arrow);  // an empty slot

  HCURSOR first = MakeCursor(0x0F), second = MakeCursor(0xF0);
  ASSERT_TRUE(first && second);
  Screen->Cursors[901] = first;
  EXPECT_EQ(static_cast<HCURSOR>(Screen->Cursors[901]), first);
  EXPECT_EQ(CursorHandle(901), first);  // what a control with Cursor 901 shows
  Screen->Cursors[901] = first;         // the same handle again: kept, not destroyed
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(first, &info));
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);

  Screen->Cursors[901] = second;  // replaces and destroys the first
  EXPECT_EQ(CursorHandle(901), second);
  EXPECT_FALSE(GetIconInfo(first, &info));

  Screen->Cursors[901] = nullptr;
  EXPECT_EQ(static_cast<HCURSOR>(Screen->Cursors[901]), arrow);
  EXPECT_EQ(CursorHandle(901), arrow);
  EXPECT_FALSE(GetIconInfo(second, &info));
}

}  // namespace
