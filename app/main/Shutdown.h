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
// ShutdownComputer; when the program was started with the switch
// "--shutdown-record=<file>" (ToolSwitches.h), each request only appends a
// line to that file instead (used when test tools drive the program).
extern std::function<void()> RequestShutdown;
