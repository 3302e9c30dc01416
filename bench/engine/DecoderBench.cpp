// Probing and thumbnails of the decoder component against the ffprobe tool.
//
// Probing: LoadFile plus every stream's information record, per file of
// the fixture set, against `ffprobe -show_streams` on the same file; the
// tool's process start (ffprobe -version) is taken off its time. Goal:
// ratio <= 1.2. Thumbnail: Seek + Decode + CopyToBitmap of a 720p H.264
// file at several times; goal: median <= 40 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bench/engine/ToolTiming.h"
#include "engine/FFDecode.h"
#include "engine/Fixtures.h"
#include "engine/MyUtils.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool ProbeOnce(TFFDecoder& decoder, const std::string& name) {
  if (!decoder.LoadFile(fixtures::WindowsPath(name))) return false;
  for (int i = 0; i < decoder.FStreamCount; ++i) {
    TVideoStreamInfo v;
    TAudioStreamInfo a;
    TSubtitleStreamInfo s;
    if (decoder.IsVideoStream(i)) decoder.GetVideoStreamInfo(i, v);
    if (decoder.IsAudioStream(i)) decoder.GetAudioStreamInfo(i, a);
    if (decoder.IsSubtitleStream(i)) decoder.GetSubtitleStreamInfo(i, s);
  }
  decoder.FileStreamInfo();
  decoder.CloseFile();
  return true;
}

}  // namespace

int main() {
  TApplication app;
  std::vector<fixtures::TFixture> set = fixtures::StandardFixtures();
  const std::string hd = std::string("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1280x720:r=25:d=20") +
                         " -f lavfi -i sine=f=440:r=44100:d=20 -ac 2 -c:v libx264 -pix_fmt yuv420p -c:a aac {out}";
  set.push_back({"bench_720p.mp4", hd.c_str()});
  if (!fixtures::Ensure(set)) return 2;

  TFFDecoder decoder(nullptr);
  if (!decoder.LoadAVLib(ApplicationFolder() + "LibAV")) {
    std::fprintf(stderr, "%s\n", decoder.LastErrMsg().c_str());
    return 2;
  }
  constexpr int kRuns = 7;
  constexpr int kToolRuns = 15;
  const double toolStart = ToolMs("ffprobe -v error -version", kToolRuns);
  std::printf("ffprobe -version after start-up: %.2f ms (taken off)\n", toolStart);
  std::printf("%-20s %10s %10s %7s\n", "file", "ours ms", "ffprobe ms", "ratio");
  double oursTotal = 0, toolTotal = 0;
  const char* probed[] = {"clip_h264_aac.mp4", "multi.mkv", "a48k_6ch.wav", "a44k_s16.wav",
                          "tone.mp3",          "still.png", "bench_720p.mp4"};
  for (const char* name : probed) {
    ProbeOnce(decoder, name);  // warm the file cache
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
      const auto t0 = Clock::now();
      if (!ProbeOnce(decoder, name)) return 2;
      times.push_back(Ms(Clock::now() - t0));
    }
    const double ours = Median(times);
    const double tool =
        std::max(0.01, ToolMs("ffprobe -v error -show_streams '" + fixtures::UnixPath(name) + "'", kToolRuns) - toolStart);
    std::printf("%-20s %10.2f %10.2f %7.2f\n", name, ours, tool, ours / tool);
    oursTotal += ours;
    toolTotal += tool;
  }
  const double ratio = oursTotal / toolTotal;
  std::printf("probing ratio (sum over the set): %.2f (goal <= 1.2)\n", ratio);

  if (!decoder.LoadFile(fixtures::WindowsPath("bench_720p.mp4"))) return 2;
  std::vector<double> thumbs, seeks, decodes, copies;
  TBitmap bitmap;
  for (int i = 0; i < 15; ++i) {
    const int64_t at = (i % 5) * 4000000LL + 1500000;
    const auto t0 = Clock::now();
    bool ok = decoder.Seek(at);
    const auto t1 = Clock::now();
    ok = ok && decoder.Decode();
    const auto t2 = Clock::now();
    ok = ok && decoder.CopyToBitmap(&bitmap);
    const auto t3 = Clock::now();
    thumbs.push_back(Ms(t3 - t0));
    seeks.push_back(Ms(t1 - t0));
    decodes.push_back(Ms(t2 - t1));
    copies.push_back(Ms(t3 - t2));
    if (!ok) {
      std::fprintf(stderr, "thumbnail failed: %s\n", decoder.LastErrMsg().c_str());
      return 2;
    }
  }
  const double thumb = Median(thumbs);
  std::printf("  of which Seek %.2f, Decode %.2f, CopyToBitmap %.2f ms\n", Median(seeks), Median(decodes),
              Median(copies));
  std::printf("720p thumbnail (Seek + Decode + CopyToBitmap) median: %.2f ms (goal <= 40)\n", thumb);
  return ratio <= 1.2 && thumb <= 40 ? 0 : 1;
}
