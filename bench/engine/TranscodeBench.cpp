// Conversions through the encoder component against the ffmpeg tool on the
// same jobs: a 20 s 720p H.264/AAC file to (a) AVI MPEG-4/MP3 640x480, (b)
// MP4 H.264 veryfast/AAC, (c) MP3 to AAC, (d) MKV to MP4 by stream copy; job
// (a) with an output video hook that draws nothing, and four tasks of job
// (a) at once against four tool runs at once. Both sides use the same
// settings and their codecs' automatic thread counts; the tool's process
// start is left out (for four runs at once: from the first run's end of
// start-up to the last one's exit), ours is timed from adding the tasks to
// the final event. Median of 5, ours and the tool's runs in turn. Goals: ratio <= 1.05 (hooked <= 1.15, four at once <= 1.10).
// The hooked job also reports its cost against the plain job run right
// after it in each round (median of the five round ratios), by the wall
// clock and by the processor time of the whole process.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "bench/engine/ToolTiming.h"
#include "engine/FFEncode.h"
#include "engine/FFLoad.h"
#include "engine/FFmpeg.h"
#include "engine/Fixtures.h"
#include "engine/MyUtils.h"
#include "framework/Forms.h"
#include "framework/Threads.h"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of every thread of the process; less disturbed than the
// wall clock when other work shares the machine.
double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct TJob {
  const char* name;
  const char* input;         // fixture
  const char* inputOptions;  // the tool gets the same words
  const char* options;
  const char* ext;
  bool hook;
  int copies;                // tasks (tool runs) at once
};

// Our time through the encoder component, from adding the tasks to the
// final end event; `copies` tasks of the job run at once.
double OursMs(const TJob& job, const std::string& input, const std::string& outBase, int copies, bool& ok,
              double* cpuMs = nullptr) {
  TFFEncoder enc;
  std::atomic<bool> done{false};
  std::string failure;
  enc.OnTerminate = [&](TObject*, const TTerminateInfo& info) {
    if (info.Exception) failure = info.ExceptionMsg;
    if (info.TaskIndex == -1) done = true;
  };
  if (job.hook) enc.OnVideoOutputHook = [](TObject*, THookInfo*) {};
  for (int i = 0; i < copies; ++i) std::remove((outBase + std::to_string(i) + job.ext).c_str());
  const auto t0 = Clock::now();
  const double cpu0 = ProcessCpuMs();
  ok = true;
  for (int i = 0; i < copies && ok; ++i) {
    const int t = enc.AddTask(FromNativePath(input), job.inputOptions, "");
    ok = t >= 0 && enc.SetOutput(t, FromNativePath(outBase + std::to_string(i) + job.ext),
                                 std::string(job.options) + (job.hook ? " -VideoOutputHook" : ""), "") >= 0;
  }
  if (ok) {
    enc.Start(copies);
    while (!done) WaitForHandles(nullptr, 0, false, 2);
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (cpuMs) *cpuMs = ProcessCpuMs() - cpu0;
  ok = ok && failure.empty();
  if (!ok) std::fprintf(stderr, "%s: %s %s\n", job.name, enc.LastErrMsg().c_str(), failure.c_str());
  return ms;
}

// The tool's time for `copies` runs at once, their process starts left out
// as in the single runs, less the tool's own set-up.
double ToolParallelMs(const std::string& command, const std::string& ext, int copies, double toolStart) {
  std::vector<std::string> runs;
  for (int i = 0; i < copies; ++i) runs.push_back(command + std::to_string(i) + ext + "'");
  return ToolParallelSpanMs(runs) - toolStart;
}

}  // namespace

int main(int argc, char** argv) {
  TApplication app;
  std::vector<fixtures::TFixture> set = fixtures::StandardFixtures();
  const std::string hd = std::string("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1280x720:r=25:d=20") +
                         " -f lavfi -i sine=f=440:r=44100:d=20 -ac 2 -c:v libx264 -pix_fmt yuv420p -c:a aac {out}";
  set.push_back({"bench_720p.mp4", hd.c_str()});
  TAVLibUser libs(AllLibraries);
  if (!libs.LoadAVLib(ApplicationFolder() + "LibAV")) {
    std::fprintf(stderr, "%s\n", libs.LastErrMsg.c_str());
    return 2;
  }
  const std::string mkv = std::string("ffmpeg -nostdin -v error -y -i {dir}/bench_720p.mp4 -c copy {out}");
  set.push_back({"bench_720p.mkv", mkv.c_str()});
  const std::string mp3 = std::string("ffmpeg -nostdin -v error -y -f lavfi -i sine=f=440:r=44100:d=20 -ac 2") +
                          " -c:a libmp3lame -b:a 128k {out}";
  set.push_back({"bench_720p.mp3", mp3.c_str()});
  if (!fixtures::Ensure(set)) return 2;
  // Same codecs, rates, filters and thread counts on both sides.
  const char* a = "-c:v mpeg4 -b:v 1000000 -r 25 -s 640x480 -c:a libmp3lame -ac 2 -ar 44100 -b:a 128k";
  const TJob jobs[] = {
      {"a", "bench_720p.mp4", "", a, ".avi", false, 1},
      {"b", "bench_720p.mp4", "", "-c:v libx264 -preset veryfast -c:a aac -b:a 128k", ".mp4", false, 1},
      {"c", "bench_720p.mp3", "", "-c:a aac -b:a 128k", ".m4a", false, 1},
      {"d", "bench_720p.mkv", "", "-c copy", ".mp4", false, 1},
      {"a_hooked", "bench_720p.mp4", "", a, ".avi", true, 1},
      {"a_x4", "bench_720p.mp4", "", a, ".avi", false, 4},
  };
  constexpr int kRuns = 5;
  const double toolStart = ToolMs("ffmpeg -v error -version", 5);
  double plainA = 0;
  // One untimed run first: the first task of the process pays for the
  // codecs' one-time set-up.
  {
    bool ok = false;
    OursMs(jobs[0], fixtures::UnixPath(jobs[0].input), fixtures::Folder() + "/bench_warm_", 1, ok);
  }
  for (const TJob& job : jobs) {
    // Job names on the command line pick some of the jobs.
    bool wanted = argc < 2;
    for (int i = 1; i < argc; ++i) wanted = wanted || job.name == std::string(argv[i]);
    if (!wanted) continue;
    const std::string input = fixtures::UnixPath(job.input);
    const std::string out = fixtures::Folder() + "/bench_" + job.name + "_";
    std::vector<double> ours, tool, hookCost, hookCpu;
    const std::string command = std::string("ffmpeg -nostdin -v error -y ") + job.inputOptions + " -i '" + input +
                                "' " + job.options + " '" + out + "tool";
    // Ours and the tool's runs in turn, so that a change in the machine's
    // load falls on both sides alike.
    for (int i = 0; i < kRuns; ++i) {
      bool ok = false;
      double cpu = 0;
      ours.push_back(OursMs(job, input, out, job.copies, ok, &cpu));
      if (!ok) return 2;
      if (job.hook) {
        // The same job without the hook right after it: on a busy machine
        // only runs that close together compare fairly.
        TJob plain = job;
        plain.hook = false;
        double plainCpu = 0;
        const double plainMs = OursMs(plain, input, out + "plain_", job.copies, ok, &plainCpu);
        if (!ok) return 2;
        hookCost.push_back(ours.back() / plainMs);
        hookCpu.push_back(plainCpu > 0 ? cpu / plainCpu : 0);
      }
      if (job.copies == 1)
        tool.push_back(ToolMs(command + "0" + job.ext + "'", 1) - toolStart);
      else
        tool.push_back(ToolParallelMs(command, job.ext, job.copies, toolStart));
    }
    const double mine = Median(ours), theirs = Median(tool);
    if (job.hook) {
      std::printf("%s ratio=%.2f (vs tool; vs our plain a: %.2f, round by round: %.2f, processor time: %.2f)\n",
                  job.name, mine / theirs, plainA > 0 ? mine / plainA : 0.0, Median(hookCost), Median(hookCpu));
    } else {
      std::printf("%s ratio=%.2f (ours %.0f ms, tool %.0f ms)\n", job.name, mine / theirs, mine, theirs);
    }
    std::fflush(stdout);
    if (job.name == std::string("a")) plainA = mine;
  }
  return 0;
}
