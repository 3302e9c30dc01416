// One start of the real program per scenario. The process's main thread runs
// the program's own start-up (RunTessavane) while the scenario runs on the
// test thread; a scenario may close the program through its user interface
// and start it again.
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
// Starts the program again after it ended, and waits for its window.
void Restart();
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
