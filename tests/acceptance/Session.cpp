#include "acceptance/Session.h"

#include <windows.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "acceptance/Driver.h"
#include "app/main/ToolSwitches.h"
#include "app/main/main.h"
#include "engine/Fixtures.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

extern char** environ;

namespace session {
namespace {

std::map<std::string, std::function<void()>>& Registry() {
  static std::map<std::string, std::function<void()>> r;
  return r;
}

std::mutex gLock;
std::condition_variable gChanged;
bool gRunning = false;       // the program's loop runs
bool gTestsDone = false;     // the scenarios are over
int gExitCode = 0;
int gTestResult = 1;

int gStage = 0;
std::map<std::string, std::string> gCarried;
// This process's native command line: the loader's argument naming the
// program file, made absolute, then the arguments.
std::vector<std::string> gCommand;

const char kStage[] = "--stage=";
const char kCarry[] = "--carry=";

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

std::vector<std::string> NativeCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> args;
  for (std::string a; std::getline(in, a, '\0');) args.push_back(a);
  if (!args.empty() && !args[0].empty() && args[0][0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) args[0] = std::string(cwd) + "/" + args[0];
  }
  return args;
}

// Runs this program file in a new process with this process's arguments,
// less the stage and the carried values, and `extra`; its exit code.
int RunSelf(const std::vector<std::string>& extra) {
  if (gCommand.empty()) return -1;
  const char* loader = std::getenv("TESS_WINELOADER");
  std::string loaderPath = loader && *loader ? loader : "";
  if (loaderPath.empty()) {
    char exe[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return -1;
    loaderPath.assign(exe, static_cast<size_t>(n));
  }
  std::vector<std::string> args{loaderPath, gCommand[0]};
  for (size_t i = 1; i < gCommand.size(); ++i)
    if (!StartsWith(gCommand[i], kStage) && !StartsWith(gCommand[i], kCarry)) args.push_back(gCommand[i]);
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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

int Stage() { return gStage; }

void Carry(const std::string& name, const std::string& value) { gCarried[name] = value; }

std::string Carried(const std::string& name) {
  auto it = gCarried.find(name);
  return it == gCarried.end() ? std::string() : it->second;
}

void Restart() {
  {
    std::unique_lock<std::mutex> l(gLock);
    ASSERT_TRUE(gChanged.wait_for(l, std::chrono::seconds(30), [] { return !gRunning; }))
        << "the program did not end before its restart";
  }
  std::vector<std::string> extra{kStage + std::to_string(gStage + 1)};
  for (const auto& c : gCarried) extra.push_back(kCarry + c.first + "=" + c.second);
  const int code = RunSelf(extra);
  ASSERT_EQ(0, code) << "the scenario's stage " << gStage + 1 << " (a new process) failed";
}

std::string ShutdownRecordFile() { return drv::DocumentsFolder() + "\\tess-shutdown-record.txt"; }

std::string DownloaderScriptFile() { return fixtures::WindowsPath("downloader-script.txt"); }

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
  {
    std::lock_guard<std::mutex> l(gLock);
    gRunning = true;
  }
  const int code = RunTessavane();
  std::unique_lock<std::mutex> l(gLock);
  gRunning = false;
  gExitCode = code;
  gChanged.notify_all();
  gChanged.wait(l, [] { return gTestsDone; });
}

DWORD WINAPI RunScenarios(void*);

int Main(int argc, char** argv) {
  gCommand = NativeCommandLine();
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (StartsWith(a, kStage)) gStage = std::atoi(a.c_str() + sizeof kStage - 1);
    if (StartsWith(a, kCarry)) {
      const std::string nv = a.substr(sizeof kCarry - 1);
      const size_t eq = nv.find('=');
      if (eq != std::string::npos) gCarried[nv.substr(0, eq)] = nv.substr(eq + 1);
    }
  }
  // The program never shuts the session down nor asks the web in a test:
  // without the tool switches this process starts itself again with them.
  if (ToolSwitch(ShutdownRecordSwitch).empty() || ToolSwitch(DownloaderScriptSwitch).empty()) {
    const int code = RunSelf({std::string(ShutdownRecordSwitch) + "=" + ShutdownRecordFile(),
                              std::string(DownloaderScriptSwitch) + "=" + DownloaderScriptFile()});
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code < 0 ? 4 : code));
    return code;
  }
  const std::string filter = ::testing::GTEST_FLAG(filter);
  if (gStage == 0) {
    DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(DownloaderScriptFile()).c_str()));
    RunBeforeStart(filter);
  }

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
