#include "support/gtest.h"

#include <windows.h>

#include "app/main/main.h"
#include "framework/Threads.h"

namespace {

TEST(TMainForm, IsTheTessavaneWindowAndClosingItEndsTheLoop) {
  TMainForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_EQ(form, Application->MainForm());
  EXPECT_EQ("Tessavane", Application->Title);

  // Close the window from outside once the loop runs, as a user would.
  TAnonymousThread closer([&] {
    HWND h = nullptr;
    for (int i = 0; i < 500 && !h; ++i) {
      CallInMainThread([&] {
        if (form->Visible()) h = form->Handle();
      });
      if (!h) Sleep(10);
    }
    char16_t text[64] = {};
    GetWindowTextW(h, reinterpret_cast<LPWSTR>(text), 64);
    EXPECT_EQ("Tessavane", UTF16ToUTF8(text));
    EXPECT_TRUE(IsWindowVisible(h));
    PostMessageW(h, WM_CLOSE, 0, 0);
  });
  closer.Start();
  Application->Run();
  closer.WaitFor();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(form->Visible());
}

}  // namespace
