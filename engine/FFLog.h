// The one logger of the process: the libraries' log output (assembled into
// whole lines per thread, repeats collapsed, filtered by level) and the
// components' own messages reach the application's OnLog handler, on the GUI
// thread by default.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "engine/FFBaseComponent.h"

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

int LogLevelToAVLogLevel(TLogLevel level);
TLogLevel AVLogLevelToLogLevel(int avLevel);

struct TLogInfo {
  TObject* Sender = nullptr;
  unsigned long ThreadID = 0;
  TLogLevel LogLevel = llInfo;
  std::string LogMsg;
};

// Thread id: the Win32 id for the program's own threads, the system's
// thread number for threads that the libraries start themselves.
using TLogEvent = std::function<void(TObject* sender, unsigned long threadID, TLogLevel level,
                                     const std::string& message)>;

class TZIVoveva : public TFFBaseComponent {
public:
  explicit TZIVoveva(TComponent* owner);
  ~TZIVoveva() override;

  bool TriggerEventInMainThread = true;
  TLogEvent OnLog;

  TLogLevel LogLevel() const { return FLogLevel; }
  void SetLogLevel(TLogLevel level);
  // A level name ("quiet" .. "debug") or a library level number.
  void OptLogLevel(const std::string& value);

  void InstallAVLogCallback();

  void Log(TObject* sender, TLogLevel level, const std::string& message);
  // printf-style; without arguments the text is taken as it is.
  template <class... A>
  void Log(TObject* sender, TLogLevel level, const char* format, A... args) {
    if constexpr (sizeof...(A) == 0) {
      Log(sender, level, std::string(format ? format : ""));
    } else {
      const int n = std::snprintf(nullptr, 0, format, args...);
      std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
      if (n > 0) std::snprintf(&text[0], text.size() + 1, format, args...);
      Log(sender, level, text);
    }
  }
  // One assembled library line (its level filter has already run).
  void DoLogLine(unsigned long threadID, int avLevel, const std::string& text);

  bool AutoCreated() const { return FAutoCreated; }

private:
  friend TZIVoveva* GlobalLogger();
  void Deliver(TLogInfo info);

  bool FAutoCreated = false;
  TLogLevel FLogLevel = llInfo;
};

// The process's logger; made (without a handler) when there is none.
TZIVoveva* GlobalLogger();

// Lines waiting for the GUI thread, for tests that need to know all arrived.
bool LogLinesPending();
