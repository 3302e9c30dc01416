// The action history and the error report. Every user command and most
// program events are written into the history, in memory only; every
// failure of the application goes through ReportError, which shows the
// error window and, when the user agrees, mails the history to the maker.
#pragma once

#include <functional>
#include <string>

class TStringList;

// The history: "HISTORY:" and then one line per entry.
TStringList& ActionHistory();
// Appends the current time (the system's long time format) directly
// followed by `text`, which starts with "-> ".
void AddToHistory(const std::string& text);

// What the events log window showed when it was last opened; it travels
// with every report.
TStringList& EventsLogLines();

// Shows the error window with the message; true when the user chose Send.
// The main window installs its error window here; without one nothing is
// sent.
extern std::function<bool(const std::string& message)> OnShowErrorWindow;
// Hands a document or address to the shell (replaced by tests).
extern std::function<void(const std::string& target)> OnShellOpen;
// The shell's "open" of a document or address.
void ShellExecuteOpen(const std::string& target);
// Opens `target` through OnShellOpen, or else the shell's "open".
void OpenInShell(const std::string& target);

// Escapes every character but the unreserved ones and those in `kept`, so
// that an "&", "?" or "#" can neither end a value nor add another.
std::string PercentEncode(const std::string& text, const char* kept = "");

constexpr const char* ErrorReportSubject = "ERROR REPORT | Tessavane";

// The whole report: error window, history block, mail, or the user's mail
// program when the mail cannot be sent.
void SendErrorReport(const std::string& message, const std::string& mark);

// Routes the application's ReportError calls here.
void InstallErrorReport();

// The text given to the shell when the mail cannot be sent: a new message
// in the user's mail program, its subject and body percent-encoded.
std::string ErrorReportMailto(const std::string& message, const std::string& mark);
