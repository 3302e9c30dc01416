#include "support/gtest.h"

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/Forms.h"
#include "framework/Threads.h"

namespace {

// Runs `body` on a framework thread and waits for it on the GUI thread with
// the message-dispatching wait, failing (instead of hanging) after 20 s.
void RunWorkerAndWait(std::function<void()> body) {
  TAnonymousThread worker(std::move(body));
  worker.Start();
  THandle h = worker.Handle();
  ASSERT_EQ(wrSignaled, WaitForHandles(&h, 1, false, 20000)) << "worker did not finish: deadlock?";
  EXPECT_EQ("", worker.FatalException);
}

TEST(CallInMainThread, RunsDirectlyOnTheGuiThread) {
  unsigned long ranOn = 0;
  CallInMainThread([&] { ranOn = GetCurrentThreadId(); });
  EXPECT_EQ(MainThreadID(), ranOn);
  EXPECT_TRUE(IsMainThread());
}

TEST(CallInMainThread, WorkerCallsRunOnGuiThreadWhileItWaitsWithTheWaitHelper) {
  std::vector<unsigned long> ranOn;
  unsigned long workerId = 0;
  RunWorkerAndWait([&] {
    workerId = GetCurrentThreadId();
    EXPECT_FALSE(IsMainThread());
    // Many round trips: every one needs the GUI thread, which is itself
    // blocked in WaitForHandles on this very thread.
    for (int i = 0; i < 200; ++i) CallInMainThread([&] { ranOn.push_back(GetCurrentThreadId()); });
  });
  ASSERT_EQ(200u, ranOn.size());
  for (unsigned long id : ranOn) EXPECT_EQ(MainThreadID(), id);
  EXPECT_NE(MainThreadID(), workerId);
}

TEST(CallInMainThread, ExceptionInTheCallReachesTheCallingWorker) {
  std::string caught;
  RunWorkerAndWait([&] {
    try {
      CallInMainThread([] { throw Exception("boom on the GUI thread"); });
    } catch (const Exception& e) {
      caught = e.Message();
    }
  });
  EXPECT_EQ("boom on the GUI thread", caught);
}

TEST(CallInMainThread, RunsWhileTheGuiThreadSitsInAFormModalLoop) {
  TForm dialog(nullptr);
  dialog.SetCaption("Modal probe");
  std::atomic<bool> inModal{false};
  bool ranInsideModal = false;
  unsigned long ranOn = 0;
  TAnonymousThread worker([&] {
    while (!inModal) Sleep(5);
    CallInMainThread([&] {
      ranOn = GetCurrentThreadId();
      ranInsideModal = dialog.Modal();
      dialog.ModalResult = mrOk;
    });
  });
  dialog.OnShow = [&](TObject*) {
    inModal = true;
  };
  worker.Start();
  EXPECT_EQ(mrOk, dialog.ShowModal());
  worker.WaitFor();
  EXPECT_TRUE(ranInsideModal);
  EXPECT_EQ(MainThreadID(), ranOn);
}

TEST(CallInMainThread, RunsWhileTheGuiThreadSitsInASystemModalLoop) {
  // A message box runs the system's own dialog loop, which knows nothing of
  // the framework; the call must still get through.
  const char16_t kTitle[] = u"Tessavane sync probe";
  std::atomic<bool> closed{false};
  unsigned long ranOn = 0;
  TAnonymousThread worker([&] {
    for (int attempt = 0; attempt < 1000 && !closed; ++attempt) {
      CallInMainThread([&] {
        HWND box = FindWindowW(nullptr, reinterpret_cast<LPCWSTR>(kTitle));
        if (box) {
          ranOn = GetCurrentThreadId();
          EndDialog(box, IDOK);
          closed = true;
        }
      });
      if (!closed) Sleep(10);
    }
  });
  worker.Start();
  MessageBoxW(Application->Handle(), u"waiting for a worker", reinterpret_cast<LPCWSTR>(kTitle), MB_OK);
  worker.WaitFor();
  EXPECT_TRUE(closed);
  EXPECT_EQ(MainThreadID(), ranOn);
}

TEST(WaitForHandles, TimesOutAndKeepsDispatchingMessages) {
  TEvent never;
  int seen = 0;
  int hook = Application->AddMessageHook([&](MSG& msg, bool&) {
    if (msg.message == WM_APP + 77) ++seen;
  });
  PostThreadMessageW(GetCurrentThreadId(), WM_APP + 77, 0, 0);
  THandle h = never.Handle();
  EXPECT_EQ(wrTimeout, WaitForHandles(&h, 1, false, 100));
  Application->RemoveMessageHook(hook);
  EXPECT_EQ(1, seen);
}

TEST(WaitForHandles, ReportsWhichHandleWasSignalled) {
  TEvent a, b;
  b.SetEvent();
  THandle hs[2] = {a.Handle(), b.Handle()};
  int index = -1;
  EXPECT_EQ(wrSignaled, WaitForHandles(hs, 2, false, 1000, &index));
  EXPECT_EQ(1, index);
  EXPECT_EQ(wrTimeout, WaitForHandles(hs, 2, true, 50));
  a.SetEvent();
  EXPECT_EQ(wrSignaled, WaitForHandles(hs, 2, true, 1000));
}

TEST(TThread, OnTerminateRunsOnGuiThreadAndFreeOnTerminateDeletes) {
  struct Counted : TThread {
    std::atomic<int>* alive;
    explicit Counted(std::atomic<int>* a) : alive(a) { ++*alive; }
    ~Counted() override { --*alive; }
    void Execute() override { ReturnValue = 7; }
  };
  std::atomic<int> alive{0};
  TEvent done;
  unsigned long terminateOn = 0;
  auto* t = new Counted(&alive);
  t->FreeOnTerminate = true;
  t->OnTerminate = [&](TObject*) {
    terminateOn = GetCurrentThreadId();
    done.SetEvent();
  };
  t->Start();
  THandle h = done.Handle();
  ASSERT_EQ(wrSignaled, WaitForHandles(&h, 1, false, 10000));
  for (int i = 0; i < 200 && alive != 0; ++i) Sleep(5);
  EXPECT_EQ(0, alive.load());
  EXPECT_EQ(MainThreadID(), terminateOn);
}

TEST(TThread, ExceptionInExecuteIsKeptNotPropagated) {
  TAnonymousThread t([] { throw Exception("worker failed"); });
  t.Start();
  t.WaitFor();
  EXPECT_EQ("worker failed", t.FatalException);
  EXPECT_TRUE(t.Finished());
}

TEST(TCriticalSection, SerialisesWorkers) {
  TCriticalSection cs;
  long counter = 0;
  std::vector<std::unique_ptr<TAnonymousThread>> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back(new TAnonymousThread([&] {
      for (int k = 0; k < 20000; ++k) {
        TLock lock(cs);
        long v = counter;
        counter = v + 1;
      }
    }));
    threads.back()->Start();
  }
  for (auto& t : threads) t->WaitFor();
  EXPECT_EQ(80000, counter);
}

}  // namespace

namespace {

TEST(PumpMessages, DispatchesAndDropsAPendingQuit) {
  PostQuitMessage(0);
  PostThreadMessageW(GetCurrentThreadId(), WM_USER + 7, 0, 0);
  PumpMessages();
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(IsWin32Thread, OurThreadsYesForeignThreadsNo) {
  EXPECT_TRUE(IsWin32Thread());
  EXPECT_EQ(MainThreadID(), CurrentThreadID());
  bool worker = false;
  RunWorkerAndWait([&] { worker = IsWin32Thread(); });
  EXPECT_TRUE(worker);
  bool native = true;
  std::thread t([&] { native = IsWin32Thread(); });
  t.join();
  EXPECT_FALSE(native);
}

}  // namespace
