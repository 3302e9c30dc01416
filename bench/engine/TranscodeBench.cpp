// Conversions of the transcoder against the ffmpeg tool on the same jobs:
// a 20 s 720p H.264/AAC file to (a) AVI MPEG-4/MP3 640x480, (b) MP4
// H.264 veryfast/AAC, (c) AAC from its sound only, (d) MKV by stream copy,
// and job (a) with an output video hook that draws nothing. Both sides use
// the same settings and their codecs' automatic thread counts; the tool's
// process start is left out. Goal: ratio <= 1.05 (hooked job <= 1.15 x a).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "engine/FFLoad.h"
#include "engine/FFmpeg.h"
#include "engine/Fixtures.h"
#include "engine/MyUtils.h"
#include "framework/Forms.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double ToolMs(const std::string& command, int runs) {
  const std::string log = fixtures::Folder() + "/tool_times.txt";
  std::remove(log.c_str());
  fixtures::Run("i=0; while [ $i -lt " + std::to_string(runs) + " ]; do TESS_TOOL_TIME='" + log +
                "' LD_PRELOAD='" TESS_TOOL_TIMER "' " + command + " > /dev/null 2>&1; i=$((i+1)); done");
  std::vector<double> times;
  std::istringstream in(fixtures::ReadAll(log));
  double t;
  while (in >> t) times.push_back(t);
  return Median(times);
}

struct TJob {
  const char* name;
  const char* inputOptions;
  const char* outputOptions;  // ours; the tool gets the same words
  const char* toolOptions;
  const char* output;
  bool hook;
};

// Our time from opening the input to the end of the run.
double OursMs(const TJob& job, const std::string& input, const std::string& out, bool& ok) {
  std::remove(out.c_str());
  TCustomFFmpeg task;
  const auto t0 = Clock::now();
  task.ParseOptions(job.inputOptions);
  ok = task.OpenInputFile(nullptr, FromNativePath(input)) >= 0;
  task.ParseOptions(job.outputOptions);
  ok = ok && task.OpenOutputFile(FromNativePath(out), false) >= 0;
  if (job.hook) task.FOnOutputVideoHook = [](TObject*, TBitmap*, int, int64_t, bool&, bool&) {};
  if (ok) task.StartConvert(false);
  ok = ok && !task.FatalException();
  if (!ok) std::fprintf(stderr, "%s: %s %s\n", job.name, task.LastErrMsg().c_str(), task.FatalMessage().c_str());
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main() {
  TApplication app;
  std::vector<fixtures::TFixture> set = fixtures::StandardFixtures();
  const std::string hd = std::string("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1280x720:r=25:d=20") +
                         " -f lavfi -i sine=f=440:r=44100:d=20 -ac 2 -c:v libx264 -pix_fmt yuv420p -c:a aac {out}";
  set.push_back({"bench_720p.mp4", hd.c_str()});
  if (!fixtures::Ensure(set)) return 2;
  TAVLibUser libs(AllLibraries);
  if (!libs.LoadAVLib(ApplicationFolder() + "LibAV")) {
    std::fprintf(stderr, "%s\n", libs.LastErrMsg.c_str());
    return 2;
  }
  const TJob jobs[] = {
      {"(a) avi mpeg4/mp3", "", "-c:v mpeg4 -b:v 1000000 -s 640x480 -c:a libmp3lame -b:a 128k",
       "-c:v mpeg4 -b:v 1000000 -s 640x480 -c:a libmp3lame -b:a 128k", "bench_a.avi", false},
      {"(b) mp4 x264/aac", "", "-c:v libx264 -preset veryfast -c:a aac -b:a 128k",
       "-c:v libx264 -preset veryfast -c:a aac -b:a 128k", "bench_b.mp4", false},
      {"(c) aac sound only", " -vn", "-c:a aac -b:a 128k", "-vn -c:a aac -b:a 128k", "bench_c.m4a", false},
      {"(d) mkv copy", "", "-c copy", "-c copy", "bench_d.mkv", false},
      {"(a) + output hook", "", "-c:v mpeg4 -b:v 1000000 -s 640x480 -c:a libmp3lame -b:a 128k",
       "-c:v mpeg4 -b:v 1000000 -s 640x480 -c:a libmp3lame -b:a 128k", "bench_e.avi", true},
  };
  constexpr int kRuns = 3;
  const std::string input = fixtures::UnixPath("bench_720p.mp4");
  const double toolStart = ToolMs("ffmpeg -v error -version", 5);
  std::printf("%-22s %10s %10s %7s\n", "job", "ours ms", "ffmpeg ms", "ratio");
  double plainA = 0;
  for (const TJob& job : jobs) {
    const std::string out = fixtures::Folder() + "/" + job.output;
    std::vector<double> ours;
    for (int i = 0; i < kRuns; ++i) {
      bool ok = false;
      ours.push_back(OursMs(job, input, out, ok));
      if (!ok) return 2;
    }
    const double tool = ToolMs("ffmpeg -nostdin -v error -y -i '" + input + "' " + job.toolOptions + " '" + out + "'",
                               kRuns) -
                        toolStart;
    const double mine = Median(ours);
    std::printf("%-22s %10.1f %10.1f %7.2f\n", job.name, mine, tool, mine / tool);
    if (!job.hook && job.output == std::string("bench_a.avi")) plainA = mine;
    if (job.hook && plainA > 0) std::printf("  hooked / plain (a): %.2f (goal <= 1.15)\n", mine / plainA);
  }
  return 0;
}
