// The encoder component: tasks run on workers with a bound, events reach the
// GUI thread in the order the application relies on, stop and pause.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/FFEncode.h"
#include "engine/Fixtures.h"
#include "engine/ProgramFilters.h"

namespace {

using TClock = std::chrono::steady_clock;

// What the ffmpeg suite's prober says about a file's first video stream.
std::string ProbeVideo(const std::string& unixPath) {
  return fixtures::Output("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                          "stream=width,height,nb_read_frames -of csv=p=0 '" + unixPath + "'");
}

class EncoderTest : public TEngineTest {
protected:
  static void SetUpTestSuite() { FMade = fixtures::EnsureStandard(); }
  void SetUp() override {
    TEngineTest::SetUp();
    ASSERT_TRUE(FMade) << "the ffmpeg tool could not make the fixtures";
    enc = std::make_unique<TFFEncoder>();
    enc->OnTerminate = [this](TObject*, const TTerminateInfo& info) {
      EXPECT_TRUE(IsMainThread());
      if (info.TaskIndex == -1) {
        // Only after every task's own event has been handled.
        EXPECT_EQ(static_cast<int>(events.size()), enc->TasksCount());
        finalSeen = true;
      } else {
        EXPECT_FALSE(finalSeen) << "a task ended after the final event";
      }
      events.push_back(info);
    };
  }
  void TearDown() override {
    enc.reset();
    TEngineTest::TearDown();
  }

  std::string Out(int i, const char* ext = "avi") const {
    return scratch.Unix() + "/out" + std::to_string(i) + "." + ext;
  }
  int AddShortTask(int i, const std::string& extra = "") {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    EXPECT_GE(t, 0) << enc->LastErrMsg();
    EXPECT_GE(enc->SetOutput(t, FromNativePath(Out(i)),
                             "-c:v mpeg4 -an -s 160x90 -t_microsecond 600000 " + extra),
              0)
        << enc->LastErrMsg();
    return t;
  }
  bool WaitFinal(unsigned ms = 60000) {
    return PumpUntil([this] { return finalSeen.load(); }, ms);
  }
  int EndsOf(int task) const {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const TTerminateInfo& e) { return e.TaskIndex == task; }));
  }

  static bool FMade;
  TScratchFolder scratch;
  std::unique_ptr<TFFEncoder> enc;
  std::vector<TTerminateInfo> events;
  std::atomic<bool> finalSeen{false};
};

bool EncoderTest::FMade = false;

TEST_F(EncoderTest, OneThreadTaskReportsOnTheGuiThreadHooksOnTheWorkerThenEndsThenFinal) {
  enc->SetProgressInterval(100);
  const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
  ASSERT_EQ(t, 0) << enc->LastErrMsg();
  ASSERT_EQ(enc->SetOutput(t, FromNativePath(Out(0)),
                           "-c:v mpeg4 -c:a libmp3lame -vf \"nativeeq=20:10, nativehue=0:30, scale=640:480\" -t_microsecond 2000000 "
                           "-VideoOutputHook"),
            0)
      << enc->LastErrMsg();

  std::vector<int64_t> positions;
  bool progressOffGui = false;
  enc->OnProgress = [&](TObject* sender, TProgressInfo* info) {
    if (!IsMainThread() || sender != enc.get() || info->TaskIndex != 0) progressOffGui = true;
    // The task's closing report (file -1) sums up; the rising position is
    // that of the reports during the run.
    if (info->FileIndex >= 0) positions.push_back(info->CurrentDuration);
  };
  std::atomic<int> hooks{0}, hooksOnGui{0};
  std::vector<int> frames;
  enc->OnVideoOutputHook = [&](TObject*, THookInfo* info) {
    ++hooks;
    if (IsMainThread()) ++hooksOnGui;
    // Long enough for several progress reports.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    frames.push_back(info->FrameNumber);
    EXPECT_EQ(info->TaskIndex, 0);
    EXPECT_NE(info->Bitmap, nullptr);
  };

  enc->Start(1);
  ASSERT_TRUE(WaitFinal());
  EXPECT_FALSE(progressOffGui);
  ASSERT_GE(positions.size(), 2u);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << ::testing::PrintToString(positions);
  EXPECT_GT(positions.back(), positions.front());
  EXPECT_EQ(hooksOnGui, 0);
  EXPECT_EQ(hooks, 50);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].TaskIndex, 0);
  EXPECT_TRUE(events[0].Finished);
  EXPECT_FALSE(events[0].Exception) << events[0].ExceptionMsg;
  EXPECT_EQ(events[1].TaskIndex, -1);
  EXPECT_TRUE(events[1].Finished);
  EXPECT_EQ(ProbeVideo(Out(0)), "640,480,50\n");
}

TEST_F(EncoderTest, TwoThreadsOverFiveTasksNeverRunMoreThanTwoAndEachEndsOnce) {
  // Each task's span runs from its first to its last hooked picture.
  std::mutex m;
  std::map<int, std::pair<TClock::time_point, TClock::time_point>> spans;
  enc->OnVideoOutputHook = [&](TObject*, THookInfo* info) {
    std::lock_guard<std::mutex> lock(m);
    const auto now = TClock::now();
    auto it = spans.find(info->TaskIndex);
    if (it == spans.end())
      spans[info->TaskIndex] = {now, now};
    else
      it->second.second = now;
  };
  // A slow handler: the final event must still wait for it.
  auto handler = enc->OnTerminate;
  enc->OnTerminate = [&](TObject* s, const TTerminateInfo& info) {
    if (info.TaskIndex >= 0) WaitForHandles(nullptr, 0, false, 30);
    handler(s, info);
  };
  for (int i = 0; i < 5; ++i) AddShortTask(i, "-VideoOutputHook");
  enc->Start(2);
  ASSERT_TRUE(WaitFinal());
  ASSERT_EQ(events.size(), 6u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(EndsOf(i), 1) << i;
  }
  EXPECT_EQ(events.back().TaskIndex, -1);
  ASSERT_EQ(spans.size(), 5u);
  for (auto& [task, span] : spans) {
    int overlapping = 0;
    for (auto& [other, s] : spans)
      if (s.first <= span.first && span.first <= s.second) ++overlapping;
    EXPECT_LE(overlapping, 2) << "task " << task;
  }
  // A finished run refuses new work until cleared.
  EXPECT_THROW(enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", ""), Exception);
  enc->ClearTasks();
  EXPECT_EQ(enc->TasksCount(), 0);
}

TEST_F(EncoderTest, WithoutThreadsStartRunsEveryTaskInOrderBeforeItReturns) {
  for (int i = 0; i < 3; ++i) AddShortTask(i);
  enc->Start(0);
  EXPECT_TRUE(finalSeen);
  ASSERT_EQ(events.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[static_cast<size_t>(i)].TaskIndex, i);
    EXPECT_TRUE(events[static_cast<size_t>(i)].Finished);
  }
  EXPECT_EQ(events[3].TaskIndex, -1);
}

TEST_F(EncoderTest, StopWaitingEndsRunningAndWaitingTasksOnceEachThenFinal) {
  for (int i = 0; i < 5; ++i) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_GE(t, 0);
    // Slow enough to be caught while running.
    ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i)), "-c:v mpeg4 -an -s 160x90 -VideoOutputHook"), 0)
        << enc->LastErrMsg();
  }
  std::atomic<int> hooked{0};
  enc->OnVideoOutputHook = [&](TObject*, THookInfo*) {
    ++hooked;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  };
  enc->Start(2);
  ASSERT_TRUE(PumpUntil([&] { return hooked > 2; }));
  enc->Pause();
  EXPECT_TRUE(enc->Paused());
  const int atPause = hooked;
  WaitForHandles(nullptr, 0, false, 200);
  EXPECT_LE(hooked - atPause, 2);  // at most the pictures already under way
  enc->Resume();
  EXPECT_FALSE(enc->Paused());
  enc->Stop(true);
  ASSERT_TRUE(WaitFinal());
  ASSERT_EQ(events.size(), 6u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(EndsOf(i), 1) << i;
  }
  // The tasks that never started did not finish.
  for (const TTerminateInfo& e : events)
    if (e.TaskIndex == 4) EXPECT_FALSE(e.Finished);
  EXPECT_EQ(events.back().TaskIndex, -1);
}

TEST_F(EncoderTest, FailuresAndBusyChecks) {
  // An input that cannot be opened leaves no task behind.
  EXPECT_LT(enc->AddTask(fixtures::WindowsPath("fake.mp4"), "", ""), 0);
  EXPECT_EQ(enc->TasksCount(), 0);
  EXPECT_FALSE(enc->LastErrMsg().empty());
  // An option the table does not know.
  EXPECT_EQ(enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "-no_such_option 1", ""), -1);
  EXPECT_EQ(enc->TasksCount(), 0);
  EXPECT_NE(enc->LastErrMsg().find("no_such_option"), std::string::npos) << enc->LastErrMsg();

  enc->SetProgressInterval(50);
  EXPECT_EQ(enc->ProgressInterval(), 100);

  // A task without an output ends with the transcoder's message; the run
  // still ends.
  ASSERT_EQ(enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", ""), 0);
  enc->Start(1);
  ASSERT_TRUE(WaitFinal());
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].Exception);
  EXPECT_EQ(events[0].ExceptionMsg, "At least one output file must be specified");
  const char* names[] = {"AddTask", "StartTask", "RemoveTask"};
  for (const char* name : names) {
    try {
      if (std::string(name) == "AddTask") enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
      if (std::string(name) == "StartTask") enc->Start(1);
      if (std::string(name) == "RemoveTask") enc->RemoveTask(0);
      ADD_FAILURE() << name << " did not refuse";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Cannot ") + name + " while working.");
    }
  }
}

TEST_F(EncoderTest, WithoutAnEndHandlerTheRunStillEnds) {
  enc->OnTerminate = nullptr;
  AddShortTask(0);
  enc->Start(1);
  ASSERT_TRUE(PumpUntil([&] {
    try {
      enc->ClearTasks();
      return true;
    } catch (const Exception&) {
      return false;
    }
  }, 60000));
}

// The program's equalisers in a -vf chain give the pixels of their integer
// formulas: luma exactly, chroma within 1 where the library rounds a tie.
TEST_F(EncoderTest, ProgramEqualisersMatchTheirFormulas) {
  const std::string raw = " -an -c:v rawvideo -pix_fmt yuv420p -t_microsecond 200000";
  const char* chains[] = {"scale=160:90", "scale=160:90, nativeeq=20:10, nativehue=0:30"};
  for (int i = 0; i < 2; ++i) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_EQ(t, i) << enc->LastErrMsg();
    ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i, "nut")), std::string("-vf \"") + chains[i] + "\"" + raw), 0)
        << enc->LastErrMsg();
  }
  enc->Start(0);
  ASSERT_TRUE(finalSeen);
  for (const TTerminateInfo& e : events) EXPECT_FALSE(e.Exception) << e.ExceptionMsg;
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(fixtures::Run("ffmpeg -nostdin -v error -y -i " + Out(i, "nut") + " -f rawvideo " + Out(i, "yuv")), 0);
  const std::string plain = fixtures::ReadAll(Out(0, "yuv")), eq = fixtures::ReadAll(Out(1, "yuv"));
  const size_t frame = 160 * 90 * 3 / 2, luma = 160 * 90;
  ASSERT_EQ(plain.size(), 5 * frame);
  ASSERT_EQ(eq.size(), plain.size());
  const int C = static_cast<int>(std::floor(65536.0 * 130 / 100 + 0.5));
  int lumaWrong = 0, chromaWrong = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    const int p = static_cast<uint8_t>(plain[i]), q = static_cast<uint8_t>(eq[i]);
    if (i % frame < luma) {
      lumaWrong += q != EqSample(static_cast<uint8_t>(p), 20, 10);
    } else {
      const int expected = std::min(255, std::max(0, (C * (p - 128) + 8421376) >> 16));
      chromaWrong += std::abs(q - expected) > 1;
    }
  }
  EXPECT_EQ(lumaWrong, 0);
  EXPECT_EQ(chromaWrong, 0);
}

}  // namespace
