#include "acceptance/Session.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>

#include "acceptance/Driver.h"
#include "app/main/main.h"
#include "framework/Forms.h"
#include "support/gtest.h"

namespace session {
namespace {

std::map<std::string, std::function<void()>>& Registry() {
  static std::map<std::string, std::function<void()>> r;
  return r;
}

std::mutex gLock;
std::condition_variable gChanged;
bool gRunning = false;       // the program's loop runs
bool gRestart = false;       // the scenario asks for another start
bool gTestsDone = false;     // the scenarios are over
int gExitCode = 0;
int gRuns = 0;
int gTestResult = 1;

}  // namespace

BeforeStart::BeforeStart(const char* fullName, std::function<void()> work) {
  Registry()[fullName] = std::move(work);
}

bool ProgramEnded() {
  std::lock_guard<std::mutex> l(gLock);
  return !gRunning;
}

void WaitForProgram(int timeoutMs) {
  const bool shown = drv::WaitUntil(
      [] {
        {
          std::lock_guard<std::mutex> l(gLock);
          if (!gRunning) return false;
        }
        TMainForm* f = MainForm;
        if (!f || !f->HandleAllocated() || !IsWindowVisible(f->Handle())) return false;
        DWORD_PTR answer = 0;
        return SendMessageTimeoutW(f->Handle(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
      },
      timeoutMs);
  ASSERT_TRUE(shown) << "the program's main window did not come";
  drv::Pause(300);  // its first painting
}

bool WaitForProgramEnd(int timeoutMs) {
  std::unique_lock<std::mutex> l(gLock);
  return gChanged.wait_for(l, std::chrono::milliseconds(timeoutMs), [] { return !gRunning; });
}

void Restart() {
  {
    std::unique_lock<std::mutex> l(gLock);
    ASSERT_TRUE(gChanged.wait_for(l, std::chrono::seconds(30), [] { return !gRunning; }));
    gRestart = true;
    gChanged.notify_all();
  }
  WaitForProgram();
}

int LastExitCode() {
  std::lock_guard<std::mutex> l(gLock);
  return gExitCode;
}

void ForgetSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"));
}

// ---- the process ------------------------------------------------------------

void RunBeforeStart(const std::string& filter) {
  auto it = Registry().find(filter);
  if (it != Registry().end()) it->second();
}

void ProgramLoop() {
  while (true) {
    {
      std::lock_guard<std::mutex> l(gLock);
      gRunning = true;
      ++gRuns;
    }
    const int code = RunTessavane();
    std::unique_lock<std::mutex> l(gLock);
    gRunning = false;
    gExitCode = code;
    gChanged.notify_all();
    gChanged.wait(l, [] { return gRestart || gTestsDone; });
    if (gTestsDone) return;
    gRestart = false;
  }
}

DWORD WINAPI RunScenarios(void*);

int Main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string filter = ::testing::GTEST_FLAG(filter);
  RunBeforeStart(filter);

  // The scenario's thread is a system thread: it calls the system's input,
  // window and drawing functions.
  HANDLE tests = CreateThread(nullptr, 8 << 20, RunScenarios, nullptr, 0, nullptr);
  ProgramLoop();
  WaitForSingleObject(tests, INFINITE);
  CloseHandle(tests);
  std::fflush(stdout);
  std::fflush(stderr);
  // The result leaves through the system's own exit: the program's units
  // may still hold process-wide state whose clean-up must not decide it.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(gTestResult));
  return gTestResult;
}

DWORD WINAPI RunScenarios(void*) {
    const int result = RUN_ALL_TESTS();
    // The scenario is over: close what is left of the program.
    for (int attempt = 0; attempt < 3 && !ProgramEnded(); ++attempt) {
      if (TMainForm* f = MainForm) {
        // Any modal window first, then the main window.
        HWND active = drv::ActiveWindow();
        if (active && active != f->Handle()) PostMessageW(active, WM_CLOSE, 0, 0);
        PostMessageW(f->Handle(), WM_CLOSE, 0, 0);
      }
      WaitForProgramEnd(10000);
    }
    std::fflush(stdout);
    if (!ProgramEnded()) ExitProcess(result ? result : 3);  // a program that will not close fails too
    std::lock_guard<std::mutex> l(gLock);
    gTestResult = result;
    gTestsDone = true;
    gChanged.notify_all();
    return 0;
}

}  // namespace session

int main(int argc, char** argv) { return session::Main(argc, argv); }
