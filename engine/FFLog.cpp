#include "engine/FFLog.h"

#include <strings.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "engine/AVUtilStubs.h"
#include "framework/Threads.h"

namespace {

// The libraries' level in force: the callback filters by it.
std::atomic<int> gAVLogLevel{AV_LOG_INFO};

std::mutex gLoggerMutex;
TZIVoveva* gLogger = nullptr;

unsigned long NativeThreadID() { return static_cast<unsigned long>(::syscall(SYS_gettid)); }

// Library threads have no Win32 identity: ask Win32 only on our own threads.
unsigned long CallerThreadID() { return IsWin32Thread() ? CurrentThreadID() : NativeThreadID(); }

bool OnGuiThread() { return IsWin32Thread() && IsMainThread(); }

// ---------------------------------------------------------------------------
// Lines on their way to the GUI thread. The libraries log from any thread,
// their own workers included, which must never call Win32; and a worker that
// waited for the GUI thread while holding the assembly lock would hang a GUI
// thread that logs from inside a library call. So lines of every thread but
// the GUI thread are queued, and one framework thread hands them over in
// order (which keeps each thread's lines in their order).

struct TQueuedLine {
  TLogInfo info;
  bool library = false;  // Sender becomes the logger that delivers it
};

class TLogQueue {
public:
  void Push(TQueuedLine line) {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FLines.push_back(std::move(line));
      ++FPending;
    }
    FWake.notify_one();
  }

  // Blocks until lines are there; returns them all.
  std::deque<TQueuedLine> Take() {
    std::unique_lock<std::mutex> lock(FMutex);
    FWake.wait(lock, [this] { return !FLines.empty(); });
    std::deque<TQueuedLine> lines;
    lines.swap(FLines);
    return lines;
  }

  void Done(size_t count) { FPending -= static_cast<long>(count); }
  bool Pending() const { return FPending.load() > 0; }

private:
  std::mutex FMutex;
  std::condition_variable FWake;
  std::deque<TQueuedLine> FLines;
  std::atomic<long> FPending{0};
};

TLogQueue& LogQueue() {
  // Lives for the process: the delivery thread may still wait on it at exit.
  static TLogQueue* queue = new TLogQueue;
  return *queue;
}

void DeliverNow(const TQueuedLine& line) {
  TZIVoveva* logger;
  {
    std::lock_guard<std::mutex> lock(gLoggerMutex);
    logger = gLogger;
  }
  if (!logger || !logger->OnLog) return;
  TObject* sender = line.library ? logger : line.info.Sender;
  logger->OnLog(sender, line.info.ThreadID, line.info.LogLevel, line.info.LogMsg);
}

class TLogDeliveryThread : public TThread {
protected:
  void Execute() override {
    for (;;) {
      std::deque<TQueuedLine> lines = LogQueue().Take();
      const size_t count = lines.size();
      RunGuarded([&] {
        CallInMainThread([&] {
          for (const TQueuedLine& line : lines) RunGuarded([&] { DeliverNow(line); });
        });
      });
      LogQueue().Done(count);
    }
  }
};

// Started from a Win32 thread (the logger's creation) before the callback
// is installed; it runs for the rest of the process.
void EnsureDeliveryThread() {
  static std::once_flag once;
  std::call_once(once, [] {
    auto* thread = new TLogDeliveryThread;
    thread->FreeOnTerminate = true;
    thread->Start();
  });
}

void Dispatch(const TQueuedLine& line, bool inMainThread) {
  if (inMainThread && !OnGuiThread()) {
    LogQueue().Push(line);
    return;
  }
  RunGuarded([&] { DeliverNow(line); });
}

// ---------------------------------------------------------------------------
// Line assembly of the libraries' output.

class TLogList {
public:
  std::string& Pending(unsigned long thread) { return FItems[thread]; }
  // Threads come and go (the libraries start workers per codec): an item
  // with nothing pending is dropped, so the list stays small.
  void Settle(unsigned long thread) {
    auto it = FItems.find(thread);
    if (it != FItems.end() && it->second.empty()) FItems.erase(it);
  }
  void Clear() { FItems.clear(); }

private:
  std::map<unsigned long, std::string> FItems;
};

std::mutex gAssembleMutex;
TLogList gLogList;
std::string gLastPiece;
int gRepeatCount = 0;

std::string FormatV(const char* format, va_list args) {
  va_list probe;
  va_copy(probe, args);
  const int n = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n), '\0');
  va_list fill;
  va_copy(fill, args);
  std::vsnprintf(&text[0], text.size() + 1, format, fill);
  va_end(fill);
  return text;
}

std::string ContextPrefix(void* context) {
  std::string prefix;
  const AVClass* avc = *static_cast<AVClass* const*>(context);
  if (!avc) return prefix;
  char buf[256];
  if (avc->parent_log_context_offset) {
    void* parent = *reinterpret_cast<void**>(static_cast<uint8_t*>(context) + avc->parent_log_context_offset);
    if (parent && *static_cast<AVClass* const*>(parent)) {
      const AVClass* pc = *static_cast<AVClass* const*>(parent);
      std::snprintf(buf, sizeof buf, "[%s @ %p] ", pc->item_name ? pc->item_name(parent) : "", parent);
      prefix += buf;
    }
  }
  std::snprintf(buf, sizeof buf, "[%s @ %p]", avc->item_name ? avc->item_name(context) : "", context);
  prefix += buf;
  return prefix;
}

void AVLogCallback(void* context, int level, const char* format, va_list args) {
  if (level > gAVLogLevel.load()) return;
  // Nothing may escape into the library's C frames.
  try {
    const unsigned long thread = CallerThreadID();
    const unsigned long key = NativeThreadID();
    std::vector<std::string> lines;
    {
      std::lock_guard<std::mutex> lock(gAssembleMutex);
      std::string& pending = gLogList.Pending(key);
      std::string piece;
      if (context && pending.empty()) piece = ContextPrefix(context);
      bool nullText = false;
      if (format && std::strcmp(format, "%s") == 0) {
        va_list peek;
        va_copy(peek, args);
        nullText = va_arg(peek, const char*) == nullptr;
        va_end(peek);
      }
      if (format && !nullText) piece += FormatV(format, args);

      if (!piece.empty() && piece.back() == '\n' && piece == gLastPiece) {
        ++gRepeatCount;
        gLogList.Settle(key);
        return;
      }
      if (gRepeatCount > 1) lines.push_back("    Last message repeated " + std::to_string(gRepeatCount) + " times");
      gRepeatCount = 0;
      gLastPiece = piece;

      pending += piece;
      size_t lf;
      while ((lf = pending.find('\n')) != std::string::npos) {
        lines.push_back(pending.substr(0, lf));
        pending.erase(0, lf + 1);
      }
      gLogList.Settle(key);
    }
    if (lines.empty()) return;
    // A thread of the libraries cannot make a logger (that starts a thread
    // through Win32); with none there is no handler either.
    TZIVoveva* logger = nullptr;
    if (IsWin32Thread()) {
      logger = GlobalLogger();
    } else {
      std::lock_guard<std::mutex> lock(gLoggerMutex);
      logger = gLogger;
    }
    for (const std::string& line : lines)
      if (logger) logger->DoLogLine(thread, level, line);
  } catch (...) {
  }
}

}  // namespace

int LogLevelToAVLogLevel(TLogLevel level) { return 8 * static_cast<int>(level) - 8; }

TLogLevel AVLogLevelToLogLevel(int avLevel) {
  int l = avLevel / 8 + 1;
  if (l < 0) l = 0;
  if (l > 7) l = 7;
  return static_cast<TLogLevel>(l);
}

TZIVoveva::TZIVoveva(TComponent* owner) : TFFBaseComponent(owner) {
  std::lock_guard<std::mutex> lock(gLoggerMutex);
  if (gLogger && gLogger->FAutoCreated) {
    // The application's logger replaces the one made on demand.
    TZIVoveva* automatic = gLogger;
    gLogger = nullptr;
    gLoggerMutex.unlock();
    delete automatic;
    gLoggerMutex.lock();
  }
  if (gLogger) throw Exception("Allow creating only one instance of TZIVoveva.");
  FLogLevel = AVLogLevelToLogLevel(gAVLogLevel.load());
  EnsureDeliveryThread();
  gLogger = this;
}

TZIVoveva::~TZIVoveva() {
  std::lock_guard<std::mutex> lock(gLoggerMutex);
  if (gLogger == this) gLogger = nullptr;
}

TZIVoveva* GlobalLogger() {
  std::lock_guard<std::mutex> lock(gLoggerMutex);
  if (!gLogger) {
    gLoggerMutex.unlock();
    TZIVoveva* made = nullptr;
    try {
      made = new TZIVoveva(nullptr);
    } catch (...) {
      // Another thread made one meanwhile.
    }
    gLoggerMutex.lock();
    if (made) made->FAutoCreated = true;
  }
  return gLogger;
}

bool LogLinesPending() { return LogQueue().Pending(); }

void TZIVoveva::SetLogLevel(TLogLevel level) {
  if (level == FLogLevel) return;
  FLogLevel = level;
  if (ff::av_log_set_level) {
    gAVLogLevel = LogLevelToAVLogLevel(level);
    ff::av_log_set_level(gAVLogLevel.load());
  }
}

void TZIVoveva::OptLogLevel(const std::string& value) {
  static const std::pair<const char*, int> kNames[] = {
      {"quiet", AV_LOG_QUIET}, {"panic", AV_LOG_PANIC},     {"fatal", AV_LOG_FATAL},
      {"error", AV_LOG_ERROR}, {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
      {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
  int level = 0;
  bool named = false;
  for (const auto& n : kNames) {
    if (strcasecmp(value.c_str(), n.first) == 0) {
      level = n.second;
      named = true;
      break;
    }
  }
  if (!named) {
    size_t used = 0;
    try {
      level = std::stoi(value, &used, 10);
    } catch (...) {
      used = 0;
    }
    if (used == 0 || used != value.size())
      throw Exception("'" + value + "' is not a valid integer value");
  }
  SetLogLevel(AVLogLevelToLogLevel(level));
}

void TZIVoveva::InstallAVLogCallback() {
  if (!ff::av_log_set_callback || !ff::av_log_set_level) throw Exception("Assertion failure");
  ff::av_log_set_callback(AVLogCallback);
  gAVLogLevel = LogLevelToAVLogLevel(FLogLevel);
  ff::av_log_set_level(gAVLogLevel.load());
}

void TZIVoveva::Log(TObject* sender, TLogLevel level, const std::string& message) {
  if (!OnLog || level > FLogLevel) return;
  TLogInfo info;
  info.Sender = sender;
  info.ThreadID = CallerThreadID();
  info.LogLevel = level;
  info.LogMsg = message;
  Deliver(std::move(info));
}

void TZIVoveva::DoLogLine(unsigned long threadID, int avLevel, const std::string& text) {
  if (!OnLog) return;
  TQueuedLine line;
  line.info.Sender = this;
  line.info.ThreadID = threadID;
  line.info.LogLevel = AVLogLevelToLogLevel(avLevel);
  line.info.LogMsg = text;
  line.library = true;
  Dispatch(line, TriggerEventInMainThread);
}

void TZIVoveva::Deliver(TLogInfo info) {
  TQueuedLine line;
  line.info = std::move(info);
  Dispatch(line, TriggerEventInMainThread);
}
