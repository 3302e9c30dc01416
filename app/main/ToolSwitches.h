// Switches of the program's command line that only test tools pass: they
// replace actions that leave the program (the system's shutdown, the web
// downloader's window) by recorded or scripted ones. No setting of the
// user's reaches them.
#pragma once

#include <string>

// The value of the switch "name=value" among the process's command-line
// arguments (the first one given); empty when it is not there.
std::string ToolSwitch(const std::string& name);

// The file the shutdown requests are appended to instead of shutting down.
extern const char* const ShutdownRecordSwitch;    // "--shutdown-record"
// The downloader script that replaces the downloader's address window.
extern const char* const DownloaderScriptSwitch;  // "--downloader-script"
