// Shutting the computer down after a conversion run.
#pragma once

#include <functional>
#include <string>

// The system's version, e.g. "Windows NT Version 6.1\r\n (Build 7601: Service
// Pack 1)"; empty when it cannot be read.
std::string OsVersionText();

// Asks the system to shut down, forcing applications to close (with the
// shutdown privilege on NT systems). Failures show the system's message box.
void ShutdownComputer();

// The one way the program asks for a shutdown. By default it is
// ShutdownComputer; when the environment variable TESSAVANE_SHUTDOWN_RECORDER
// names a file, each request only appends a line to that file instead (used
// when the program is driven by test tools).
extern std::function<void()> RequestShutdown;
