// The change notifier on a fixture folder of the test prefix: when it
// watches, where the handler runs, option changes while it waits, and how
// its worker ends.
#include "support/gtest.h"

#include <windows.h>

#include <functional>
#include <string>

#include "framework/ShellFolders.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"
#include "skin/dialogs/spSkinShellCtrls.h"

namespace {

const char* kFolder = "C:\\tv_notify";

// Pumps the GUI thread's messages until `done` or about `ms` milliseconds passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    PumpMessages();
    Sleep(10);
  }
  return true;
}

void Touch(const std::string& name) {
  std::u16string w = UTF8ToUTF16(name);
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(w.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << name;
  CloseHandle(h);
}

struct Folder {
  Folder() {
    DeleteFolderTree(kFolder);
    ForceDirectories(std::string(kFolder) + "\\sub");
  }
  ~Folder() { DeleteFolderTree(kFolder); }
};

int Baseline() {
  PumpUntil([] { return TspShellChangeThread::LiveCount() == 0; });
  return TspShellChangeThread::LiveCount();
}

TEST(ShellChangeNotifier, WatchesOnlyWithAHandlerAndWithTheOptionsSetSoFar) {
  Folder folder;
  ASSERT_EQ(0, Baseline());
  {
    TspShellChangeNotifier n(nullptr);
    EXPECT_EQ(NotifyFilters({nfFileNameChange, nfDirNameChange}), n.GetNotifyFilters());
    EXPECT_TRUE(n.WatchSubTree());
    EXPECT_EQ("C:\\", n.Root());
    n.SetRoot(kFolder);
    n.SetNotifyFilters(NotifyFilters({nfSecurityChange}));
    EXPECT_FALSE(n.Watching());
    EXPECT_EQ(0, TspShellChangeThread::LiveCount()) << "no handler, no thread";

    n.SetOnChange([] {});
    EXPECT_TRUE(n.Watching());
    EXPECT_EQ(0x100u, n.WatchedFlags());
    EXPECT_EQ(1, TspShellChangeThread::LiveCount());
  }
  // Freed while nothing changes: its worker ends at once.
  EXPECT_TRUE(PumpUntil([] { return TspShellChangeThread::LiveCount() == 0; }, 2000));

  EXPECT_EQ(0x1u | 0x2u | 0x4u | 0x8u | 0x10u | 0x100u,
            NotifyFilterFlags(NotifyFilters({nfFileNameChange, nfDirNameChange, nfAttributeChange, nfSizeChange,
                                             nfWriteChange, nfSecurityChange})));
}

TEST(ShellChangeNotifier, ACreatedFileCallsTheHandlerOnTheGuiThread) {
  Folder folder;
  TspShellChangeNotifier n(nullptr);
  n.SetWatchSubTree(false);
  n.SetRoot(kFolder);
  int calls = 0;
  DWORD thread = 0;
  n.SetOnChange([&] {
    ++calls;
    thread = GetCurrentThreadId();
  });
  ASSERT_TRUE(n.Watching());
  Sleep(100);  // let the worker open its handle
  Touch(std::string(kFolder) + "\\first.txt");
  ASSERT_TRUE(PumpUntil([&] { return calls > 0; })) << "no report of the new file";
  EXPECT_EQ(GetCurrentThreadId(), thread);

  // New options while the worker waits: it watches the new folder.
  n.SetRoot(std::string(kFolder) + "\\sub");
  Sleep(100);
  PumpMessages();
  calls = 0;
  Touch(std::string(kFolder) + "\\sub\\second.txt");
  EXPECT_TRUE(PumpUntil([&] { return calls > 0; })) << "no report after the root moved";
  EXPECT_EQ(1, TspShellChangeThread::LiveCount());

  // A handler replaced while watching is the one called.
  int other = 0;
  n.SetOnChange([&] { ++other; });
  Touch(std::string(kFolder) + "\\sub\\third.txt");
  EXPECT_TRUE(PumpUntil([&] { return other > 0; }));
}

TEST(ShellChangeNotifier, NoHandlerCallAfterTheNotifierIsGone) {
  Folder folder;
  ASSERT_EQ(0, Baseline());
  int calls = 0;
  auto* n = new TspShellChangeNotifier(nullptr);
  n->SetRoot(kFolder);
  n->SetOnChange([&] { ++calls; });
  Sleep(100);
  Touch(std::string(kFolder) + "\\late.txt");
  Sleep(200);  // the worker has seen it and waits for the GUI thread
  delete n;
  EXPECT_TRUE(PumpUntil([] { return TspShellChangeThread::LiveCount() == 0; }, 2000));
  EXPECT_EQ(0, calls);
}

TEST(ShellChangeNotifier, AFolderThatCannotBeWatchedEndsTheWorker) {
  ASSERT_EQ(0, Baseline());
  auto* n = new TspShellChangeNotifier(nullptr);
  n->SetRoot("C:\\tv_no_such_folder");
  n->SetOnChange([] {});
  EXPECT_TRUE(PumpUntil([] { return TspShellChangeThread::LiveCount() == 0; }, 2000));
  // The notifier outlives its worker safely: options and freeing touch no thread.
  n->SetRoot("C:\\");
  delete n;
}

}  // namespace
