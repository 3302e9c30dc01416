// One start of the real program per process. The process's main thread runs
// the program's own start-up (RunTessavane) while the scenario runs on the
// test thread. A scenario that closes the program through its user
// interface and starts it again does so in stages: each start is a new
// process that runs the same scenario with the next stage number, so that
// nothing a process holds carries over, as for a person's restart.
//
// The process is started with the switches that keep the program from
// leaving the test (ToolSwitches.h); without them it starts itself again
// with them.
#pragma once

#include <functional>
#include <string>

namespace session {

// Work done before the program starts (preparing files, the registry),
// registered per scenario under its full gtest name "Suite.Test".
struct BeforeStart {
  BeforeStart(const char* fullName, std::function<void()> work);
};

// Waits until the main window is shown and answers; fails the test when it
// does not come within the time.
void WaitForProgram(int timeoutMs = 60000);
// True once the program's message loop has ended.
bool ProgramEnded();
// Waits for the program's end (after the scenario closed it).
bool WaitForProgramEnd(int timeoutMs = 30000);
// The scenario's stage: 0 at the first start, one more at each restart.
int Stage();
// After the program ended: starts it again in a new process, which runs
// the scenario's next stage, and waits for that process; fails when it
// failed. The scenario's stage returns after this.
void Restart();
// A value the next stages read (Carried), e.g. what the program saved.
void Carry(const std::string& name, const std::string& value);
std::string Carried(const std::string& name);
// The files named by the program's tool switches: where shutdown requests
// are recorded, and the downloader's unattended script (in the fixtures'
// folder; absent at each first start).
std::string ShutdownRecordFile();
std::string DownloaderScriptFile();
// The exit code of the last run.
int LastExitCode();

// The registry key of the program's settings, emptied before a first start.
void ForgetSettings();

}  // namespace session

#define ACCEPTANCE_CONCAT2(a, b) a##b
#define ACCEPTANCE_CONCAT(a, b) ACCEPTANCE_CONCAT2(a, b)
// Runs the block before the program starts for the scenario Suite.Test.
#define BEFORE_PROGRAM_START(Suite, Test)                                                 \
  static void ACCEPTANCE_CONCAT(BeforeStart_, ACCEPTANCE_CONCAT(Suite, Test))();          \
  static session::BeforeStart ACCEPTANCE_CONCAT(beforeStart_, ACCEPTANCE_CONCAT(Suite, Test))( \
      #Suite "." #Test, ACCEPTANCE_CONCAT(BeforeStart_, ACCEPTANCE_CONCAT(Suite, Test)));    \
  static void ACCEPTANCE_CONCAT(BeforeStart_, ACCEPTANCE_CONCAT(Suite, Test))()
