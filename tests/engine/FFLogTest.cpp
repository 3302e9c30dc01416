#include <atomic>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"

namespace {

struct TLine {
  TObject* sender;
  unsigned long thread;
  TLogLevel level;
  std::string text;
  bool onGuiThread;
};

class FFLogTest : public TEngineTest {
protected:
  void SetUp() override {
    TEngineTest::SetUp();
    logger.reset(new TZIVoveva(nullptr));
    logger->OnLog = [this](TObject* sender, unsigned long thread, TLogLevel level, const std::string& text) {
      std::lock_guard<std::mutex> lock(mutex);
      lines.push_back({sender, thread, level, text, IsWin32Thread() && IsMainThread()});
    };
    EndRun();
  }
  void TearDown() override {
    PumpUntil([] { return !LogLinesPending(); });
    logger.reset();
    TEngineTest::TearDown();
  }
  // An empty piece ends a run of repeats, as at the end of every task.
  void EndRun() {
    ff::av_log(nullptr, AV_LOG_QUIET, "%s", static_cast<const char*>(nullptr));
    lines.clear();
  }
  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> t;
    for (auto& l : lines) t.push_back(l.text);
    return t;
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return lines.size();
  }
  std::unique_ptr<TZIVoveva> logger;
  std::mutex mutex;
  std::vector<TLine> lines;
};

TEST_F(FFLogTest, OwnMessagesAreFilteredByLevel) {
  logger->SetLogLevel(llInfo);
  logger->Log(nullptr, llDebug, "hidden");
  logger->Log(logger.get(), llError, "shown %d%%", 100);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ("shown 100%", lines[0].text);
  EXPECT_EQ(logger.get(), lines[0].sender);
  EXPECT_EQ(MainThreadID(), lines[0].thread);
  EXPECT_EQ(llError, lines[0].level);
  logger->Log(nullptr, llInfo, "100% plain");
  EXPECT_EQ("100% plain", lines.back().text);
}

TEST_F(FFLogTest, LibraryLinesAreAssembledAndRepeatsCollapsed) {
  const struct {
    const char* what;
    std::vector<const char*> pieces;
    std::vector<std::string> expected;
  } cases[] = {
      {"split line", {"abc", "def\n"}, {"abcdef"}},
      {"two line feeds", {"one\ntwo\nrest", "\n"}, {"one", "two", "rest"}},
      {"three repeats", {"same\n", "same\n", "same\n", "other\n"},
       {"same", "    Last message repeated 2 times", "other"}},
      {"two repeats", {"dup\n", "dup\n", "other\n"}, {"dup", "other"}},
      {"no line feed yet", {"waiting"}, {}},
  };
  for (const auto& c : cases) {
    EndRun();
    for (const char* piece : c.pieces) ff::av_log(nullptr, AV_LOG_INFO, "%s", piece);
    EXPECT_EQ(c.expected, Texts()) << c.what;
  }
  // The pending text waits for the same thread's next piece.
  EndRun();
  ff::av_log(nullptr, AV_LOG_INFO, "\n");
  EXPECT_EQ(std::vector<std::string>{"waiting"}, Texts());

  EndRun();
  const std::string big(5000, 'x');
  ff::av_log(nullptr, AV_LOG_ERROR, "%s\n", big.c_str());
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(big, lines[0].text);
  EXPECT_EQ(llError, lines[0].level);
  EXPECT_EQ(logger.get(), lines[0].sender);
}

TEST_F(FFLogTest, ContextPrefixStandsBeforeTheLineOnly) {
  AVFormatContext* ctx = ff::avformat_alloc_context();
  ASSERT_NE(nullptr, ctx);
  ff::av_log(ctx, AV_LOG_INFO, "abc");
  ff::av_log(ctx, AV_LOG_INFO, "def\n");
  ff::avformat_free_context(ctx);
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(std::regex_match(lines[0].text, std::regex(R"(\[NULL @ 0x[0-9a-f]+\]abcdef)"))) << lines[0].text;
}

TEST_F(FFLogTest, LibraryLevelFilter) {
  logger->SetLogLevel(llWarning);
  EXPECT_EQ(AV_LOG_WARNING, ff::av_log_get_level());
  ff::av_log(nullptr, AV_LOG_INFO, "info\n");
  ff::av_log(nullptr, AV_LOG_WARNING, "warning\n");
  EXPECT_EQ(std::vector<std::string>{"warning"}, Texts());
  logger->SetLogLevel(llInfo);
}

TEST_F(FFLogTest, LinesOfEveryKindOfThreadReachTheGuiThreadInOrder) {
  const int kLines = 200;
  std::atomic<bool> go{false};
  auto logFrom = [&](const char* who) {
    while (!go) std::this_thread::yield();
    for (int i = 0; i < kLines; ++i) {
      // Two pieces per line: the halves of different threads interleave.
      ff::av_log(nullptr, AV_LOG_INFO, "%s ", who);
      ff::av_log(nullptr, AV_LOG_INFO, "%d\n", i);
    }
  };
  TAnonymousThread worker([&] { logFrom("worker"); });
  worker.Start();
  // A thread as the libraries start their own: no Win32 identity at all.
  std::atomic<unsigned long> nativeId{0};
  std::thread native([&] {
    nativeId = static_cast<unsigned long>(gettid());
    logFrom("native");
  });
  go = true;
  logFrom("gui");
  native.join();
  THandle h = worker.Handle();
  ASSERT_EQ(wrSignaled, WaitForHandles(&h, 1, false, 20000));
  ASSERT_TRUE(PumpUntil([&] { return Count() >= 3u * kLines; })) << Count();

  std::map<std::string, int> next;
  std::map<std::string, unsigned long> ids;
  std::lock_guard<std::mutex> lock(mutex);
  for (const TLine& l : lines) {
    EXPECT_TRUE(l.onGuiThread) << l.text;
    const size_t blank = l.text.find(' ');
    ASSERT_NE(std::string::npos, blank) << l.text;
    const std::string who = l.text.substr(0, blank);
    EXPECT_EQ(std::to_string(next[who]++), l.text.substr(blank + 1)) << "out of order or mixed: " << l.text;
    ids[who] = l.thread;
  }
  EXPECT_EQ(kLines, next["gui"]);
  EXPECT_EQ(kLines, next["worker"]);
  EXPECT_EQ(kLines, next["native"]);
  EXPECT_EQ(MainThreadID(), ids["gui"]);
  EXPECT_EQ(worker.ThreadID(), ids["worker"]);
  EXPECT_EQ(nativeId.load(), ids["native"]);
}

TEST_F(FFLogTest, NoDeadlockWhileTheGuiThreadIsInsideALibraryCall) {
  // A worker keeps logging while the GUI thread logs from inside library
  // calls without serving messages: nobody may wait for the other.
  std::atomic<bool> stop{false};
  std::atomic<int> workerLines{0};
  TAnonymousThread worker([&] {
    while (!stop) {
      ff::av_log(nullptr, AV_LOG_INFO, "worker line\n");
      ff::av_log(nullptr, AV_LOG_INFO, "worker other\n");
      workerLines += 2;
    }
  });
  worker.Start();
  while (workerLines < 50) std::this_thread::yield();
  for (int i = 0; i < 2000; ++i) ff::av_log(nullptr, AV_LOG_INFO, "gui %d\n", i);
  AVFormatContext* probe = nullptr;
  EXPECT_LT(ff::avformat_open_input(&probe, "/nonexistent/file.mp4", nullptr, nullptr), 0);
  stop = true;
  THandle h = worker.Handle();
  ASSERT_EQ(wrSignaled, WaitForHandles(&h, 1, false, 20000));
  ASSERT_TRUE(PumpUntil([&] { return !LogLinesPending(); }));
  EXPECT_EQ(2000u + workerLines.load(), Count());
}

TEST_F(FFLogTest, DirectDeliveryWhenNotAskedForTheGuiThread) {
  logger->TriggerEventInMainThread = false;
  unsigned long workerId = 0;
  TAnonymousThread worker([&] {
    workerId = CurrentThreadID();
    ff::av_log(nullptr, AV_LOG_INFO, "direct\n");
  });
  worker.Start();
  worker.WaitFor();
  ASSERT_EQ(1u, Count());
  EXPECT_FALSE(lines[0].onGuiThread);
  EXPECT_EQ(workerId, lines[0].thread);
}

TEST_F(FFLogTest, OneLoggerAtATimeAndAnAutomaticOneWhenNoneIsLeft) {
  try {
    TZIVoveva second(nullptr);
    ADD_FAILURE() << "a second logger was made";
  } catch (const Exception& e) {
    EXPECT_EQ("Allow creating only one instance of TZIVoveva.", e.Message());
  }
  EXPECT_EQ(logger.get(), GlobalLogger());
  logger.reset();
  ff::av_log(nullptr, AV_LOG_ERROR, "dropped\n");
  TZIVoveva* automatic = GlobalLogger();
  ASSERT_NE(nullptr, automatic);
  EXPECT_TRUE(automatic->AutoCreated());
  EXPECT_FALSE(static_cast<bool>(automatic->OnLog));
  // The application's logger replaces the automatic one.
  logger.reset(new TZIVoveva(nullptr));
  EXPECT_EQ(logger.get(), GlobalLogger());
  EXPECT_FALSE(logger->AutoCreated());
  EXPECT_TRUE(lines.empty());
}

TEST_F(FFLogTest, LevelNamesAndNumbers) {
  const struct {
    const char* text;
    TLogLevel level;
  } cases[] = {{"debug", llDebug}, {"QUIET", llQuiet}, {"24", llWarning}, {"-9", llQuiet}, {"47", llVerbose},
               {"56", llDebug},    {"-1", llPanic},    {"info", llInfo}};
  for (const auto& c : cases) {
    logger->OptLogLevel(c.text);
    EXPECT_EQ(c.level, logger->LogLevel()) << c.text;
  }
  EXPECT_THROW(logger->OptLogLevel("loud"), Exception);
  EXPECT_THROW(logger->OptLogLevel("3x"), Exception);
  EXPECT_EQ(llInfo, logger->LogLevel());
  for (int l = llQuiet; l <= llDebug; ++l)
    EXPECT_EQ(l, AVLogLevelToLogLevel(LogLevelToAVLogLevel(static_cast<TLogLevel>(l))));
}

}  // namespace
