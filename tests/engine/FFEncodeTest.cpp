// The encoder component: tasks run on workers with a bound, events reach the
// GUI thread in the order the application relies on, stop and pause.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/FFEncode.h"
#include "engine/Fixtures.h"
#include "engine/FFLog.h"
#include "engine/ProgramFilters.h"

namespace {

using TClock = std::chrono::steady_clock;

// What the ffmpeg suite's prober says about a file's first video stream.
std::string ProbeVideo(const std::string& unixPath) {
  return fixtures::Output("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                          "stream=width,height,nb_read_frames -of csv=p=0 '" + unixPath + "'");
}

// Three 2 s clips (320x240 H.264 with B-frames, AAC) for joining.
bool EnsureJoinParts() {
  static const char* kPart =
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=320x240:r=25:d=2 -f lavfi -i sine=f=%d:r=44100:d=2 "
      "-ac 2 -c:v libx264 -threads 1 -g 25 -bf 2 -c:a aac {out}";
  static std::vector<std::string> commands;
  if (commands.empty())
    for (int f : {440, 550, 660}) commands.push_back(TCustomFFmpeg::FormatText(kPart, f));
  const std::vector<fixtures::TFixture> parts = {{"join1.mp4", commands[0].c_str()},
                                                 {"join2.mp4", commands[1].c_str()},
                                                 {"join3.mp4", commands[2].c_str()}};
  return fixtures::Ensure(parts);
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

// The closing report stands where the output ends, also for H.264 whose
// reordered pictures are written with decoding times behind them.
TEST_F(EncoderTest, TheClosingReportReachesTheOutputsLength) {
  const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
  ASSERT_EQ(t, 0) << enc->LastErrMsg();
  ASSERT_EQ(enc->SetOutput(t, FromNativePath(Out(0)), "-c:v libx264 -c:a aac -t_microsecond 2000000"), 0)
      << enc->LastErrMsg();
  int64_t closing = -1, total = -1;
  enc->OnProgress = [&](TObject*, TProgressInfo* info) {
    if (info->FileIndex >= 0) return;
    closing = info->CurrentDuration;
    total = info->TotalDuration;
  };
  enc->Start(1);
  ASSERT_TRUE(WaitFinal());
  EXPECT_EQ(total, 2000000);
  EXPECT_GE(closing, 1990000);
  EXPECT_LE(closing, 2050000);
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

TEST_F(EncoderTest, ATaskThatStartsDuringAPauseWaitsForResume) {
  // One thread, two tasks: the run is paused at the first task's closing
  // report, after its last pass, so that task ends and the second one
  // starts while paused.
  AddShortTask(0, "-VideoOutputHook");
  AddShortTask(1, "-VideoOutputHook");
  std::atomic<int> secondHooks{0};
  enc->OnProgress = [&](TObject*, TProgressInfo* info) {
    if (info->TaskIndex == 0 && info->FileIndex == -1) enc->Pause();
  };
  enc->OnVideoOutputHook = [&](TObject*, THookInfo* info) {
    if (info->TaskIndex == 1) ++secondHooks;
  };
  enc->Start(1);
  ASSERT_TRUE(PumpUntil([&] { return EndsOf(0) == 1; }, 30000));
  EXPECT_TRUE(enc->Paused());
  WaitForHandles(nullptr, 0, false, 500);
  EXPECT_EQ(secondHooks, 0) << "the second task ran while the encoder said paused";
  enc->Resume();
  ASSERT_TRUE(WaitFinal());
  EXPECT_EQ(secondHooks, 15);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[1].Finished);
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

// Three 2 s clips joined into one output: about 6 s, with times that rise
// across the seams without gap or overlap, progress by part.
TEST_F(EncoderTest, JoinedClipsMakeOneContinuousOutput) {
  ASSERT_TRUE(EnsureJoinParts());
  struct {
    const char* ext;
    const char* options;
  } cases[] = {
      {"mp4", "-c:v libx264 -preset veryfast -c:a aac -b:a 128k -Join -VideoOutputHook"},
      {"avi", "-c:v mpeg4 -b:v 1000000 -r 25 -c:a libmp3lame -ac 2 -ar 44100 -b:a 128k -Join -VideoOutputHook"},
  };
  for (int c = 0; c < 2; ++c) {
    SCOPED_TRACE(cases[c].ext);
    if (c > 0) {
      enc->ClearTasks();
      events.clear();
      finalSeen = false;
    }
    enc->SetProgressInterval(100);
    const int t = enc->AddTask(fixtures::WindowsPath("join1.mp4"), "", "");
    ASSERT_EQ(t, 0) << enc->LastErrMsg();
    ASSERT_EQ(enc->AddInput(t, fixtures::WindowsPath("join2.mp4"), "", ""), 1) << enc->LastErrMsg();
    ASSERT_EQ(enc->AddInput(t, fixtures::WindowsPath("join3.mp4"), "", ""), 2) << enc->LastErrMsg();
    ASSERT_EQ(enc->SetOutput(t, FromNativePath(Out(c, cases[c].ext)), cases[c].options), 0) << enc->LastErrMsg();
    std::vector<int> fileIndexes;
    std::vector<int64_t> totals;
    enc->OnProgress = [&](TObject*, TProgressInfo* info) {
      if (fileIndexes.empty() || fileIndexes.back() != info->FileIndex) fileIndexes.push_back(info->FileIndex);
      totals.push_back(info->TotalDuration);
    };
    // Slow enough for reports inside each part.
    enc->OnVideoOutputHook = [](TObject*, THookInfo*) { std::this_thread::sleep_for(std::chrono::milliseconds(4)); };
    enc->Start(1);
    ASSERT_TRUE(WaitFinal());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].Finished);
    EXPECT_FALSE(events[0].Exception) << events[0].ExceptionMsg;
    EXPECT_EQ(fileIndexes, (std::vector<int>{0, 1, 2, -1}));
    ASSERT_FALSE(totals.empty());
    EXPECT_NEAR(totals.back(), 6000000, 100000);

    const std::string duration =
        fixtures::Output("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + Out(c, cases[c].ext) + "'");
    // The next part starts where the longest stream of the part before
    // ended (sound frames run a little past the pictures): at most a
    // picture repeated at each seam.
    EXPECT_NEAR(std::atof(duration.c_str()), 6.0, 0.25) << duration;
    // Presentation times of the pictures, in order: one every 40 ms across
    // the seams (the container places the very first picture its own way).
    const std::string video = fixtures::Output(
        "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 '" + Out(c, cases[c].ext) + "'");
    std::vector<double> pts;
    for (const char* p = video.c_str(); *p;) {
      char* end = nullptr;
      const double v = std::strtod(p, &end);
      if (end == p) break;
      pts.push_back(v);
      p = end;
      while (*p == '\n' || *p == ',') ++p;
    }
    EXPECT_GE(pts.size(), 150u);
    EXPECT_LE(pts.size(), 152u);
    for (size_t i = 2; i < pts.size(); ++i) EXPECT_NEAR(pts[i] - pts[i - 1], 0.04, 0.002) << "picture " << i;
    // The sound goes on across the seams as well.
    const std::string audio = fixtures::Output(
        "ffprobe -v error -select_streams a:0 -show_entries packet=dts_time -of csv=p=0 '" + Out(c, cases[c].ext) + "'");
    std::vector<double> dts;
    for (const char* p = audio.c_str(); *p;) {
      char* end = nullptr;
      const double v = std::strtod(p, &end);
      if (end == p) break;
      dts.push_back(v);
      p = end;
      while (*p == '\n' || *p == ',') ++p;
    }
    ASSERT_GT(dts.size(), 100u);
    for (size_t i = 1; i < dts.size(); ++i) {
      EXPECT_GT(dts[i], dts[i - 1]) << "packet " << i;
      EXPECT_LT(dts[i] - dts[i - 1], 0.06) << "packet " << i;
    }
    EXPECT_NEAR(dts.back(), 6.0, 0.25);
  }
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

// Hue turned as well as saturation: the library's rotation against the
// integer formula, ±1 only where the coefficient rounding meets a tie.
TEST_F(EncoderTest, ProgramHueTurnMatchesItsFormula) {
  const std::string raw = " -an -c:v rawvideo -pix_fmt yuv420p -t_microsecond 120000";
  struct {
    int hue, sat;
  } cases[] = {{0, 0}, {25, -20}, {-60, 40}};
  for (int i = 0; i < 3; ++i) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_EQ(t, i) << enc->LastErrMsg();
    const std::string chain = i == 0 ? "scale=160:90"
                                     : TCustomFFmpeg::FormatText("scale=160:90, nativehue=%d:%d", cases[i].hue,
                                                                 cases[i].sat);
    ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i, "nut")), "-vf \"" + chain + "\"" + raw), 0)
        << enc->LastErrMsg();
  }
  enc->Start(0);
  ASSERT_TRUE(finalSeen);
  for (const TTerminateInfo& e : events) EXPECT_FALSE(e.Exception) << e.ExceptionMsg;
  std::string yuv[3];
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(fixtures::Run("ffmpeg -nostdin -v error -y -i " + Out(i, "nut") + " -f rawvideo " + Out(i, "yuv")), 0);
    yuv[i] = fixtures::ReadAll(Out(i, "yuv"));
  }
  const size_t frame = 160 * 90 * 3 / 2, luma = 160 * 90, chroma = 80 * 45;
  ASSERT_GT(yuv[0].size(), 0u);
  ASSERT_EQ(yuv[0].size() % frame, 0u);
  for (int c = 1; c < 3; ++c) {
    SCOPED_TRACE(cases[c].hue);
    ASSERT_EQ(yuv[c].size(), yuv[0].size());
    int wrong = 0, off = 0;
    for (size_t f = 0; f < yuv[0].size(); f += frame)
      for (size_t k = 0; k < chroma; ++k) {
        const size_t iu = f + luma + k, iv = iu + chroma;
        uint8_t eu = 0, ev = 0;
        HueSample(static_cast<uint8_t>(yuv[0][iu]), static_cast<uint8_t>(yuv[0][iv]), cases[c].hue, cases[c].sat, eu,
                  ev);
        const int du = std::abs(static_cast<uint8_t>(yuv[c][iu]) - eu);
        const int dv = std::abs(static_cast<uint8_t>(yuv[c][iv]) - ev);
        wrong += du > 1 || dv > 1;
        off += du == 1 || dv == 1;
      }
    EXPECT_EQ(wrong, 0);
    // A tie is rare: most samples agree exactly.
    EXPECT_LT(off, static_cast<int>(yuv[0].size() / frame * chroma / 20));
    // Luma untouched.
    for (size_t f = 0; f < yuv[0].size(); f += frame) EXPECT_EQ(yuv[c].compare(f, luma, yuv[0], f, luma), 0);
  }
}

// The Edit dialog's sliders: values at registered addresses change the
// picture while the conversion runs, and a value out of range is held.
TEST_F(EncoderTest, LiveEqualiserValuesTakeEffectDuringTheRun) {
  static int32_t brightness = 0, contrast = 0;
  RegisterLiveParameter(&brightness);
  RegisterLiveParameter(&contrast);
  brightness = contrast = 0;
  const std::string raw = " -an -c:v rawvideo -pix_fmt yuv420p -t_microsecond 400000";
  const std::string live = TCustomFFmpeg::FormatText("scale=160:90, nativeeq=0:0:%lld:%lld",
                                                     static_cast<long long>(reinterpret_cast<intptr_t>(&brightness)),
                                                     static_cast<long long>(reinterpret_cast<intptr_t>(&contrast)));
  for (int i = 0; i < 2; ++i) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_EQ(t, i);
    ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i, "nut")),
                             "-vf \"" + std::string(i == 0 ? "scale=160:90" : live) + "\"" + raw +
                                 " -VideoOutputHook"),
              0)
        << enc->LastErrMsg();
  }
  // From the fifth picture on the sliders stand at 150 (held at 100) and 20.
  enc->OnVideoOutputHook = [](TObject*, THookInfo* info) {
    info->Update = false;  // the picture as the graph made it
    if (info->TaskIndex == 1 && info->FrameNumber == 4) {
      brightness = 150;
      contrast = 20;
    }
  };
  enc->Start(0);
  UnregisterLiveParameter(&brightness);
  UnregisterLiveParameter(&contrast);
  ASSERT_TRUE(finalSeen);
  for (const TTerminateInfo& e : events) EXPECT_FALSE(e.Exception) << e.ExceptionMsg;
  EXPECT_EQ(brightness, 100);
  std::string yuv[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(fixtures::Run("ffmpeg -nostdin -v error -y -i " + Out(i, "nut") + " -f rawvideo " + Out(i, "yuv")), 0);
    yuv[i] = fixtures::ReadAll(Out(i, "yuv"));
  }
  const size_t frame = 160 * 90 * 3 / 2, luma = 160 * 90;
  ASSERT_EQ(yuv[0].size(), 10 * frame);
  ASSERT_EQ(yuv[1].size(), yuv[0].size());
  // The first pictures pass untouched, the last ones follow the formula.
  for (size_t f = 0; f < 3; ++f) EXPECT_EQ(yuv[1].compare(f * frame, frame, yuv[0], f * frame, frame), 0) << f;
  for (size_t f = 7; f < 10; ++f) {
    int wrong = 0;
    for (size_t k = 0; k < luma; ++k)
      wrong += static_cast<uint8_t>(yuv[1][f * frame + k]) != EqSample(static_cast<uint8_t>(yuv[0][f * frame + k]), 100, 20);
    EXPECT_EQ(wrong, 0) << f;
  }
}

// "rotate" in whole degrees: the turned size, the inverted aspect.
TEST_F(EncoderTest, ProgramRotationSizesAndAspect) {
  struct {
    const char* chain;
    int w, h;
    const char* sar;
  } cases[] = {
      {"scale=640:480, setsar=1, rotate", 791, 791, "1:1"},
      {"scale=640:480, setsar=4/3, rotate=90", 480, 640, "3:4"},
      {"scale=640:480, setsar=1, rotate=0", 640, 480, "1:1"},
  };
  for (int i = 0; i < 3; ++i) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_EQ(t, i);
    ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i, "nut")),
                             std::string("-an -c:v rawvideo -pix_fmt yuv420p -t_microsecond 80000 -vf \"") +
                                 cases[i].chain + "\""),
              0)
        << enc->LastErrMsg();
  }
  enc->Start(0);
  ASSERT_TRUE(finalSeen);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(events[static_cast<size_t>(i)].Exception) << events[static_cast<size_t>(i)].ExceptionMsg;
    const std::string probe =
        fixtures::Output("ffprobe -v error -select_streams v:0 -show_entries stream=width,height,sample_aspect_ratio "
                         "-of csv=p=0 '" + Out(i, "nut") + "'");
    EXPECT_EQ(probe, TCustomFFmpeg::FormatText("%d,%d,%s\n", cases[i].w, cases[i].h, cases[i].sar)) << cases[i].chain;
  }
}

// "-vhook": a module's Process sees every decoded picture before it is
// encoded; the module is loaded once however many tasks use it.
TEST_F(EncoderTest, FrameHookModulesSeeEveryPicture) {
  const std::string module = ApplicationFolder() + "tess_test_hook.so";
  const std::string noConfigure = ApplicationFolder() + "tess_test_hook_noconf.so";
  void* native = dlopen(ToNativePath(module).c_str(), RTLD_NOW);
  ASSERT_NE(native, nullptr) << dlerror();
  auto calls = reinterpret_cast<int (*)()>(dlsym(native, "HookCalls"));
  auto releases = reinterpret_cast<int (*)()>(dlsym(native, "HookReleases"));
  ASSERT_TRUE(calls && releases);
  const int callsBefore = calls(), releasesBefore = releases();

  const std::string raw = " -an -c:v rawvideo -pix_fmt yuv420p -t_microsecond 200000";
  // Two tasks with their own values over the one module, one without Configure.
  const std::string texts[] = {"-vhook \"" + module + " 7\"" + raw, "-vhook \"" + module + " 9\"" + raw,
                               "-vhook \"" + noConfigure + "\"" + raw};
  for (int i = 0; i < 3; ++i) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_EQ(t, i);
    ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i, "nut")), texts[i]), 0) << enc->LastErrMsg();
  }
  enc->Start(2);
  ASSERT_TRUE(WaitFinal());
  for (const TTerminateInfo& e : events) EXPECT_FALSE(e.Exception) << e.ExceptionMsg;
  // Every decoded picture, also those decoded past the end of the output.
  EXPECT_GE(calls() - callsBefore, 10);
  EXPECT_EQ(releases() - releasesBefore, 2);
  // The first luma sample of each picture carries the task's value.
  const size_t frame = 640 * 360 * 3 / 2;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(fixtures::Run("ffmpeg -nostdin -v error -y -i " + Out(i, "nut") + " -f rawvideo " + Out(i, "yuv")), 0);
    const std::string yuv = fixtures::ReadAll(Out(i, "yuv"));
    ASSERT_EQ(yuv.size(), 5 * frame);
    for (size_t f = 0; f < 5; ++f) EXPECT_EQ(static_cast<uint8_t>(yuv[f * frame]), i == 0 ? 7 : 9) << f;
  }

  // Refusals become option errors.
  enc->ClearTasks();
  const std::string refused[] = {"-vhook \"" + module + " 1 2\"", "-vhook \"" + noConfigure + " 3\"",
                                 "-vhook \"" + ApplicationFolder() + "no_such_hook.so\""};
  for (const std::string& text : refused) {
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_GE(t, 0);
    EXPECT_LT(enc->SetOutput(t, FromNativePath(Out(9, "nut")), text + raw), 0) << text;
    EXPECT_NE(enc->LastErrMsg().find("Failed to add video hook function"), std::string::npos) << enc->LastErrMsg();
  }
  dlclose(native);
}

// Stream tasks name their input by the stream's address; no protocol of
// the libraries opens such a name, so the failure carries it.
TEST_F(EncoderTest, StreamTasksNameTheStreamByAddress) {
  TMemoryStream stream;
  const std::string name = "stream:" + std::to_string(reinterpret_cast<intptr_t>(&stream)) + ":clip";
  EXPECT_EQ(TCustomEncoder::StreamName(&stream, "clip"), name);
  EXPECT_LT(enc->AddTask(&stream, "clip", "", ""), 0);
  EXPECT_EQ(enc->TasksCount(), 0);
  EXPECT_NE(enc->LastErrMsg().find(name), std::string::npos) << enc->LastErrMsg();
}

// A stop during the second part ends the run; the task did not finish and
// leaves no output that could pass for the joined file.
TEST_F(EncoderTest, StopDuringAJoinLeavesNoOutput) {
  ASSERT_TRUE(EnsureJoinParts());
  enc->SetProgressInterval(100);
  const int t = enc->AddTask(fixtures::WindowsPath("join1.mp4"), "", "");
  ASSERT_EQ(t, 0) << enc->LastErrMsg();
  ASSERT_EQ(enc->AddInput(t, fixtures::WindowsPath("join2.mp4"), "", ""), 1);
  ASSERT_EQ(enc->AddInput(t, fixtures::WindowsPath("join3.mp4"), "", ""), 2);
  ASSERT_EQ(enc->SetOutput(t, FromNativePath(Out(0, "mp4")), "-c:v mpeg4 -c:a aac -Join -VideoOutputHook"), 0)
      << enc->LastErrMsg();
  enc->OnVideoOutputHook = [](TObject*, THookInfo*) { std::this_thread::sleep_for(std::chrono::milliseconds(5)); };
  enc->OnProgress = [&](TObject*, TProgressInfo* info) {
    if (info->FileIndex == 1) enc->Stop(false);
  };
  enc->Start(1);
  ASSERT_TRUE(WaitFinal());
  ASSERT_EQ(events.size(), 2u);
  EXPECT_FALSE(events[0].Finished);
  EXPECT_FALSE(events[0].Exception) << events[0].ExceptionMsg;
  EXPECT_NE(::access(Out(0, "mp4").c_str(), F_OK), 0);
  EXPECT_NE(::access((Out(0, "mp4") + ".incomplete").c_str(), F_OK), 0);
}

// A deadlock fails the test program at once instead of holding up the run
// until its time-out: the process ends with a message unless disarmed.
class TDeadlockWatch {
public:
  explicit TDeadlockWatch(const char* what) : FWhat(what), FThread([this] { Watch(); }) {}
  ~TDeadlockWatch() {
    {
      std::lock_guard<std::mutex> lock(FLock);
      FDone = true;
    }
    FWake.notify_all();
    FThread.join();
  }

private:
  void Watch() {
    std::unique_lock<std::mutex> lock(FLock);
    if (!FWake.wait_for(lock, std::chrono::seconds(90), [this] { return FDone; })) {
      std::fprintf(stderr, "deadlock: %s\n", FWhat);
      std::fflush(stderr);
      std::_Exit(3);
    }
  }
  const char* FWhat;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FDone = false;
  std::thread FThread;
};

// Start(2) starts a task that fails at once (no output) while the first
// task, on its worker, ends: the GUI thread is held inside the failing
// start (by the log line it writes) until the worker has reached its end.
// Both threads take the run's locks; they must not wait for each other.
TEST_F(EncoderTest, AFailingStartAndAnEndingTaskTakeTheLocksInOneOrder) {
  AddShortTask(0, "-VideoOutputHook");
  ASSERT_EQ(enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", ""), 1) << enc->LastErrMsg();
  std::atomic<int> hooked{0};
  enc->OnVideoOutputHook = [&](TObject*, THookInfo*) { ++hooked; };
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  bool held = false;
  logger->OnLog = [&](TObject*, unsigned long, TLogLevel, const std::string& message) {
    if (!IsMainThread() || message != "At least one output file must be specified") return;
    // The first task's last picture, then the time to write its trailer
    // and reach its end.
    while (hooked < 15) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    held = true;
  };
  {
    TDeadlockWatch watch("Start against an ending task");
    enc->Start(2);
    ASSERT_TRUE(WaitFinal());
  }
  logger->OnLog = before;
  EXPECT_TRUE(held);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(EndsOf(0), 1);
  EXPECT_EQ(EndsOf(1), 1);
  for (const TTerminateInfo& e : events)
    if (e.TaskIndex == 1) EXPECT_EQ(e.ExceptionMsg, "At least one output file must be specified");
}

// Tasks of one picture each start one another on the worker while the GUI
// thread stops the run at varying moments. A task is either stopped or never
// starts: once Stop(true) has returned no task works, and each ends once.
TEST_F(EncoderTest, StopNeverMissesATaskThatIsStarting) {
  constexpr int kRounds = 60, kTasks = 4;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    for (int i = 0; i < kTasks; ++i) {
      const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
      ASSERT_GE(t, 0) << enc->LastErrMsg();
      ASSERT_GE(enc->SetOutput(t, FromNativePath(Out(i)), "-c:v mpeg4 -an -s 32x32 -frames:v 1 -VideoOutputHook"),
                0)
          << enc->LastErrMsg();
    }
    std::atomic<bool> stopped{false};
    std::atomic<int> afterStop{0}, hooked{0};
    enc->OnVideoOutputHook = [&](TObject*, THookInfo*) {
      ++hooked;
      if (stopped) ++afterStop;
    };
    enc->Start(1);
    // The moment of the stop wanders over the ends and starts of the tasks.
    const int picture = 1 + round % (kTasks - 1);
    while (hooked < picture) std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::this_thread::sleep_for(std::chrono::microseconds(round * 997 % 60000));
    enc->Stop(true);
    stopped = true;
    ASSERT_TRUE(WaitFinal());
    // A task missed by Stop would still be converting now.
    WaitForHandles(nullptr, 0, false, 30);
    EXPECT_EQ(afterStop, 0) << "a task worked after Stop(true) returned";
    ASSERT_EQ(events.size(), static_cast<size_t>(kTasks + 1));
    for (int i = 0; i < kTasks; ++i) EXPECT_EQ(EndsOf(i), 1) << "task " << i;
    enc->ClearTasks();
    events.clear();
    finalSeen = false;
  }
}

// Whatever an application's handler throws, the task ends with an error
// that says what happened, the run ends, and the encoder takes new work.
TEST_F(EncoderTest, AnyThrowFromAHandlerEndsTheTaskWithItsText) {
  struct TThrow {
    const char* name;
    std::function<void()> raise;
    const char* text;  // within the end event's message
  };
  const TThrow throws[] = {
      {"std::runtime_error", [] { throw std::runtime_error("disk on fire"); }, "disk on fire"},
      {"std::bad_alloc", [] { throw std::bad_alloc(); }, "Out of memory"},
      {"int", [] { throw 42; }, "Unexpected error"},
  };
  const char* places[] = {"video hook", "frame hook", "progress"};
  for (const char* place : places) {
    for (const TThrow& th : throws) {
      SCOPED_TRACE(std::string(place) + " throws " + th.name);
      AddShortTask(0, "-VideoOutputHook -FrameOutputHook");
      enc->SetProgressInterval(100);
      const std::string where = place;
      enc->OnVideoOutputHook = [&](TObject*, THookInfo*) {
        if (where == "video hook") th.raise();
      };
      enc->OnFrameOutputHook = [&](TObject*, TFrameHookInfo*) {
        if (where == "frame hook") th.raise();
      };
      enc->OnProgress = [&](TObject*, TProgressInfo*) {
        if (where == "progress") th.raise();
      };
      enc->Start(1);
      ASSERT_TRUE(WaitFinal(30000)) << "the task never ended";
      ASSERT_EQ(events.size(), 2u);
      EXPECT_TRUE(events[0].Exception);
      EXPECT_FALSE(events[0].Finished);
      EXPECT_NE(events[0].ExceptionMsg.find(th.text), std::string::npos) << events[0].ExceptionMsg;
      EXPECT_NO_THROW(enc->ClearTasks());
      events.clear();
      finalSeen = false;
    }
  }
}

// The window goes while a worker waits for the GUI thread to show its
// progress (the GUI thread was busy elsewhere): destroying the encoder, or
// shutting it down first, stops the task without running the handler again.
TEST_F(EncoderTest, GoingWhileAWorkerWaitsForTheGuiThreadStopsTheTask) {
  for (bool shutdownFirst : {false, true}) {
    SCOPED_TRACE(shutdownFirst ? "Shutdown, then destroy" : "destroy");
    enc->SetProgressInterval(100);
    const int t = enc->AddTask(fixtures::WindowsPath("clip_h264_aac.mp4"), "", "");
    ASSERT_EQ(t, 0) << enc->LastErrMsg();
    ASSERT_EQ(enc->SetOutput(t, FromNativePath(Out(0)), "-c:v mpeg4 -an -VideoOutputHook"), 0) << enc->LastErrMsg();
    std::atomic<int> reports{0};
    std::atomic<bool> going{false};
    std::atomic<int> handledWhileGoing{0};
    std::atomic<int> hooked{0};
    enc->OnProgress = [&](TObject*, TProgressInfo*) {
      if (going) ++handledWhileGoing;
      ++reports;
    };
    enc->OnVideoOutputHook = [&](TObject*, THookInfo*) {
      ++hooked;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    enc->Start(1);
    ASSERT_TRUE(PumpUntil([&] { return reports > 0; }, 30000));
    // Busy without serving messages: the next report waits for the GUI
    // thread while its lock is held.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    going = true;
    {
      TDeadlockWatch watch("encoder going while a worker waits for the GUI thread");
      if (shutdownFirst) {
        enc->Shutdown();
        const int atShutdown = hooked;
        WaitForHandles(nullptr, 0, false, 100);
        EXPECT_EQ(hooked, atShutdown) << "the task still works after Shutdown";
      }
      enc.reset();
    }
    EXPECT_EQ(handledWhileGoing, 0);
    // The stopped task's end is not delivered to a window that is going.
    EXPECT_TRUE(events.empty());
    enc = std::make_unique<TFFEncoder>();
  }
}

}  // namespace
