// The transcoder's run: conversions checked by probing what they wrote,
// the video hooks, progress, stopping, and the failures a run must report.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/Fixtures.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/FFmpeg.h"
#include "framework/Graphics.h"

namespace {

// Extra media for these tests, made from the shared clip.
const std::vector<fixtures::TFixture>& RunFixtures() {
  static const std::vector<fixtures::TFixture> set = {
      // The clip with its index in front, cut after 40 %: it opens, and its
      // index promises frames the file no longer holds.
      {"clip_cut_faststart.mp4",
       "ffmpeg -nostdin -v error -y -i {dir}/clip_h264_aac.mp4 -c copy -movflags +faststart {dir}/fs_full.mp4 && "
       "head -c $(( $(stat -c %s {dir}/fs_full.mp4) * 2 / 5 )) {dir}/fs_full.mp4 > {out}"},
      {"clip.ts", "ffmpeg -nostdin -v error -y -i {dir}/clip_h264_aac.mp4 -c copy -f mpegts {out}"},
      {"logo.png", "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=64x48 -frames:v 1 {out}"},
      // 2 s of pictures; the sound (48 kHz) starts half a second late.
      {"late_audio.mkv",
       "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=160x120:r=25:d=2 -itsoffset 0.5 -f lavfi "
       "-i sine=r=48000:d=1.5 -c:v mpeg4 -c:a pcm_s16le {out}"},
      // 1 s of interlaced-looking pictures: the lines of one field dark, of
      // the other light. Stored losslessly, in YUV and in RGB.
      {"comb.mkv",
       "ffmpeg -nostdin -v error -y -f lavfi -i \"color=c=gray:s=160x120:r=25:d=1,format=yuv420p,"
       "geq=lum='if(mod(Y\\,2)\\,200\\,40)':cb=128:cr=128\" -c:v ffv1 {out}"},
      {"comb_rgb.mkv", "ffmpeg -nostdin -v error -y -i {dir}/comb.mkv -c:v ffv1 -pix_fmt bgr0 {out}"},
  };
  return set;
}

struct TProbedStream {
  std::string type, codec;
  int width = 0, height = 0, frames = -1, channels = 0, rate = 0;
  int headerFrames = -1;  // as the container's index or header counts them
  double duration = -1;
};

struct TProbe {
  double duration = -1;
  std::vector<TProbedStream> streams;
  const TProbedStream* Find(const std::string& type) const {
    for (const TProbedStream& s : streams)
      if (s.type == type) return &s;
    return nullptr;
  }
};

// What the ffmpeg suite's prober reads back from a file (frames counted by
// decoding them).
TProbe Probe(const std::string& unixPath) {
  TProbe p;
  const std::string text = fixtures::Output(
      "ffprobe -v error -count_frames -show_entries "
      "stream=codec_type,codec_name,width,height,nb_read_frames,nb_frames,channels,sample_rate,duration:"
      "format=duration "
      "'" + unixPath + "'");
  std::istringstream in(text);
  std::string line;
  bool inStream = false;
  while (std::getline(in, line)) {
    if (line == "[STREAM]") {
      p.streams.emplace_back();
      inStream = true;
    }
    if (line == "[FORMAT]") inStream = false;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (!inStream) {
      if (key == "duration" && value != "N/A") p.duration = std::atof(value.c_str());
      continue;
    }
    TProbedStream& s = p.streams.back();
    if (key == "codec_name") s.codec = value;
    if (key == "codec_type") s.type = value;
    if (key == "width") s.width = std::atoi(value.c_str());
    if (key == "height") s.height = std::atoi(value.c_str());
    if (key == "nb_read_frames" && value != "N/A") s.frames = std::atoi(value.c_str());
    if (key == "nb_frames" && value != "N/A") s.headerFrames = std::atoi(value.c_str());
    if (key == "channels") s.channels = std::atoi(value.c_str());
    if (key == "sample_rate") s.rate = std::atoi(value.c_str());
    if (key == "duration" && value != "N/A") s.duration = std::atof(value.c_str());
  }
  return p;
}

// The loudest sample of a file's audio, in dB below full scale.
double MaxVolume(const std::string& unixPath) {
  const std::string text =
      fixtures::Output("( ffmpeg -nostdin -i '" + unixPath + "' -vn -af volumedetect -f null - 2>&1 )");
  const size_t at = text.find("max_volume:");
  return at == std::string::npos ? 1000 : std::atof(text.c_str() + at + 11);
}

// The mean luma of each picture of a file's video, in order.
std::vector<double> PictureLumas(const std::string& unixPath) {
  const std::string text = fixtures::Output("ffmpeg -nostdin -v error -i '" + unixPath +
                                            "' -vf signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=- "
                                            "-f null -");
  std::vector<double> luma;
  for (size_t at = text.find("YAVG="); at != std::string::npos; at = text.find("YAVG=", at + 1))
    luma.push_back(std::atof(text.c_str() + at + 5));
  return luma;
}

bool UnixFileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

class TranscodeTest : public TEngineTest {
protected:
  static void SetUpTestSuite() {
    FMade = fixtures::EnsureStandard() && fixtures::Ensure(RunFixtures());
  }
  void SetUp() override {
    TEngineTest::SetUp();
    ASSERT_TRUE(FMade) << "the ffmpeg tool could not make the fixtures";
    task = std::make_unique<TCustomFFmpeg>();
    task->FOnTerminate = [this](TObject*) { ++ends; };
  }
  void TearDown() override {
    task.reset();
    TEngineTest::TearDown();
  }

  // Input and output as AddTask and SetOutput open them; the failure text,
  // empty on success.
  std::string Open(const std::string& inputOptions, const std::string& input, const std::string& outputOptions,
                   const std::string& outUnix) {
    try {
      task->ParseOptions(inputOptions);
      if (task->OpenInputFile(nullptr, fixtures::WindowsPath(input)) < 0) return task->LastErrMsg();
      task->ParseOptions(outputOptions);
      if (task->OpenOutputFile(FromNativePath(outUnix), false) < 0) return task->LastErrMsg();
    } catch (const Exception& e) {
      return e.what();
    }
    return "";
  }

  // Runs the task on the calling thread; false when it failed.
  bool RunInline() {
    EXPECT_EQ(task->StartConvert(false), nullptr);
    EXPECT_EQ(ends, 1);
    return !task->FatalException();
  }

  std::string Out(const std::string& name) const { return scratch.Unix() + "/" + name; }

  static bool FMade;
  TScratchFolder scratch;
  std::unique_ptr<TCustomFFmpeg> task;
  std::atomic<int> ends{0};
};

bool TranscodeTest::FMade = false;

struct TConversion {
  const char* name;
  const char* inputOptions;
  const char* outputOptions;  // {logo} stands for the overlay picture
  const char* output;
  const char* videoCodec;     // nullptr: no video stream
  int width, height, frames;
  const char* audioCodec;     // nullptr: no audio stream
  double duration;
  const char* input = "clip_h264_aac.mp4";
};

// The 5 s clip: 640x360, 25 pictures a second, stereo AAC at 44.1 kHz.
const TConversion kConversions[] = {
    {"avi mpeg4 mp3", "", "-c:v mpeg4 -b:v 1000000 -r 25 -c:a libmp3lame -ac 2 -ar 44100 -b:a 128k",
     "out.avi", "mpeg4", 640, 360, 125, "mp3", 5.0},
    {"mp4 h264 aac with the application's picture chain", "",
     "-c:v libx264 -preset ultrafast -c:a aac -b:a 96k -vf \"movie={logo} [watermark]; [in] [watermark] "
     "overlay=10:10, crop=600:320:20:20, pad=640:360:20:20:black, vflip, yadif, scale=320:240 [out]\"",
     "out.mp4", "h264", 320, 240, 125, "aac", 5.0},
    {"mp3 without video", " -vn", "-c:a libmp3lame -b:a 128k", "out.mp3", nullptr, 0, 0, 0, "mp3", 5.0},
    {"trimmed", " -ss_microsecond 1000000", "-c:v mpeg4 -c:a libmp3lame -t_microsecond 2000000", "trim.avi",
     "mpeg4", 640, 360, 50, "mp3", 2.0},
    {"stream copy", "", "-c copy", "copy.mkv", "h264", 640, 360, 125, "aac", 5.0},
    {"double frame rate", "", "-c:v mpeg4 -r 50 -an", "r50.avi", "mpeg4", 640, 360, 250, nullptr, 5.0},
    // MPEG-TS counts in 1/90000 s; AVI gets one tick per picture, not
    // thousands of empty chunks between them.
    {"stream copy from MPEG-TS into AVI", "", "-c:v copy -an", "copy_ts.avi", "h264", 640, 360, 125, nullptr, 5.0,
     "clip.ts"},
};

TEST_F(TranscodeTest, ConversionsProbeBackWithTheirStreamsDurationsAndFrames) {
  for (const TConversion& c : kConversions) {
    SCOPED_TRACE(c.name);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    std::string options = c.outputOptions;
    const size_t logo = options.find("{logo}");
    if (logo != std::string::npos) options.replace(logo, 6, fixtures::UnixPath("logo.png"));
    const std::string out = Out(c.output);
    ASSERT_EQ(Open(c.inputOptions, c.input, options, out), "");
    ASSERT_TRUE(RunInline()) << task->FatalMessage();
    EXPECT_TRUE(task->Finished());
    const TProbe p = Probe(out);
    ASSERT_EQ(p.streams.size(), static_cast<size_t>((c.videoCodec ? 1 : 0) + (c.audioCodec ? 1 : 0)));
    if (c.videoCodec) {
      const TProbedStream* v = p.Find("video");
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(v->codec, c.videoCodec);
      EXPECT_EQ(v->width, c.width);
      EXPECT_EQ(v->height, c.height);
      EXPECT_EQ(v->frames, c.frames);
      // The container's own count: an AVI index may hold one empty chunk
      // more (the ffmpeg tool writes the same), never one per clock tick.
      if (v->headerFrames >= 0) EXPECT_NEAR(v->headerFrames, c.frames, 1);
    }
    if (c.audioCodec) {
      const TProbedStream* a = p.Find("audio");
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(a->codec, c.audioCodec);
      EXPECT_EQ(a->channels, 2);
      EXPECT_EQ(a->rate, 44100);
    }
    // The pictures within one picture (1/25 s) of what was asked; the
    // sound within one of its own frames (an MP3 frame and the encoder's
    // delay are 1152 samples each, 26 ms).
    if (c.videoCodec && p.Find("video")->duration >= 0)
      EXPECT_NEAR(p.Find("video")->duration, c.duration, 0.04 + 1e-6);
    if (c.audioCodec && p.Find("audio")->duration >= 0)
      EXPECT_NEAR(p.Find("audio")->duration, c.duration, 0.053);
    EXPECT_NEAR(p.duration, c.duration, 0.053);
  }
}

TEST_F(TranscodeTest, DoubledFrameRateCountsOneDuplicatePerPicture) {
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -r 50 -an -t_microsecond 1000000", Out("dup.avi")), "");
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  EXPECT_EQ(task->Fnb_frames_dup, 25);
  EXPECT_EQ(task->Fnb_frames_drop, 0);
  EXPECT_EQ(Probe(Out("dup.avi")).Find("video")->frames, 50);
}

TEST_F(TranscodeTest, VolumeScalesPlanarAudio) {
  // The clip's AAC decodes to planar float; 512 doubles every sample (+6 dB).
  ASSERT_EQ(Open(" -vn", "clip_h264_aac.mp4", "-c:a libmp3lame -b:a 128k -vol 512", Out("loud.mp3")), "");
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  const double source = MaxVolume(fixtures::UnixPath("clip_h264_aac.mp4"));
  const double louder = MaxVolume(Out("loud.mp3"));
  EXPECT_NEAR(louder - source, 6.0, 0.6);
}

TEST_F(TranscodeTest, VideoHooksSeeEveryPictureNumberedFromOne) {
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -an -t_microsecond 1000000", Out("hooks.avi")), "");
  std::vector<int> inputFrames, outputFrames;
  std::vector<int64_t> outputTimes;
  task->FOnInputVideoHook = [&](TObject*, TBitmap* bitmap, int frame, int64_t, bool&, bool&) {
    EXPECT_EQ(bitmap->Width(), 640);
    inputFrames.push_back(frame);
  };
  task->FOnOutputVideoHook = [&](TObject*, TBitmap* bitmap, int frame, int64_t pts, bool& update, bool&) {
    EXPECT_EQ(bitmap->Height(), 360);
    outputFrames.push_back(frame);
    outputTimes.push_back(pts);
    update = false;
  };
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  ASSERT_EQ(outputFrames.size(), 25u);
  for (size_t i = 0; i < outputFrames.size(); ++i) {
    EXPECT_EQ(outputFrames[i], static_cast<int>(i) + 1);
    EXPECT_EQ(outputTimes[i], static_cast<int64_t>(i) * 40000);
  }
  // The input hook sees the decoded pictures, also those past the end.
  ASSERT_GE(inputFrames.size(), 25u);
  for (size_t i = 0; i < inputFrames.size(); ++i) EXPECT_EQ(inputFrames[i], static_cast<int>(i) + 1);
}

TEST_F(TranscodeTest, HookThatStopsOrThrowsAndPicturesItPaints) {
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -q:v 2 -an -t_microsecond 400000", Out("painted.avi")), "");
  int stopCalls = 0, paintCalls = 0;
  // Stops on its first call: never called again.
  task->FOnInputVideoHook = [&](TObject*, TBitmap*, int, int64_t, bool&, bool& stop) {
    ++stopCalls;
    stop = true;
  };
  // Paints every picture white, then throws on the third: the error is
  // logged, that picture goes out unchanged, the hook stays.
  task->FOnOutputVideoHook = [&](TObject*, TBitmap* bitmap, int frame, int64_t, bool&, bool&) {
    ++paintCalls;
    if (frame == 3) throw Exception("painting failed");
    for (int row = 0; row < bitmap->Height(); ++row) std::memset(bitmap->ScanLine(row), 0xFF, bitmap->Width() * 3);
  };
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  EXPECT_EQ(stopCalls, 1);
  EXPECT_EQ(paintCalls, 10);
  // Mean luma of each written picture: white ones near 235, the third not.
  const std::vector<double> luma = PictureLumas(Out("painted.avi"));
  ASSERT_EQ(luma.size(), 10u);
  for (size_t i = 0; i < luma.size(); ++i) {
    if (i == 2)
      EXPECT_LT(luma[i], 200) << i;
    else
      EXPECT_GT(luma[i], 225) << i;
  }
}

TEST_F(TranscodeTest, InputHookPaintsItsPictureNotTheDecodersReference) {
  // The first decoded picture is the reference of the pictures after it.
  // Decoded on one thread, the B-pictures that follow it are decoded after
  // the hook painted it: painted in place, its white would carry into them.
  // The job with the hook and without it must differ in the first picture
  // only.
  auto lumaOf = [&](bool paint) {
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    EXPECT_EQ(Open("-threads 1", "clip_h264_aac.mp4", "-c:v mpeg4 -q:v 2 -an -t_microsecond 400000",
                   Out("first.avi")), "");
    if (paint)
      task->FOnInputVideoHook = [&](TObject*, TBitmap* bitmap, int frame, int64_t, bool&, bool&) {
        if (frame != 1) return;
        for (int row = 0; row < bitmap->Height(); ++row)
          std::memset(bitmap->ScanLine(row), 0xFF, bitmap->Width() * 3);
      };
    EXPECT_TRUE(RunInline()) << task->FatalMessage();
    return PictureLumas(Out("first.avi"));
  };
  const std::vector<double> plain = lumaOf(false), painted = lumaOf(true);
  ASSERT_EQ(plain.size(), 10u);
  ASSERT_EQ(painted.size(), 10u);
  EXPECT_GT(painted[0], 225);
  for (size_t i = 1; i < painted.size(); ++i) EXPECT_NEAR(painted[i], plain[i], 1.0) << i;
}

TEST_F(TranscodeTest, HookThatDrawsNothingLeavesThePicturesAsTheyCame) {
  // Same job without and with a hook that only looks: the same pictures
  // reach the encoder, so the decoded outputs match frame for frame.
  const char* options = "-c:v mpeg4 -q:v 2 -an -t_microsecond 400000";
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", options, Out("plain.avi")), "");
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  task = std::make_unique<TCustomFFmpeg>();
  ends = 0;
  task->FOnTerminate = [this](TObject*) { ++ends; };
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", options, Out("looked.avi")), "");
  int calls = 0;
  task->FOnOutputVideoHook = [&](TObject*, TBitmap* bitmap, int, int64_t, bool&, bool&) {
    ++calls;
    EXPECT_NE(bitmap->ScanLine(0), nullptr);
  };
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  EXPECT_EQ(calls, 10);
  auto hashes = [](const std::string& file) {
    const std::string text =
        fixtures::Output("ffmpeg -nostdin -v error -i '" + file + "' -f framemd5 - | grep -v '^#'");
    return text;
  };
  const std::string plain = hashes(Out("plain.avi"));
  EXPECT_FALSE(plain.empty());
  EXPECT_EQ(hashes(Out("looked.avi")), plain);
}

TEST_F(TranscodeTest, PreviewBitmapsFollowTheOutputPictures) {
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -an -s 320x180 -t_microsecond 1000000", Out("preview.avi")),
            "");
  task->PreviewInterval = -1;  // every picture
  task->SetPostHooks(PostHook(phBitmap));
  std::vector<int> previewed;
  task->FOnPreviewBitmap = [&](TObject*, TBitmap* bitmap, int frame, int64_t) {
    EXPECT_EQ(bitmap->Width(), 320);
    previewed.push_back(frame);
  };
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  ASSERT_EQ(previewed.size(), 25u);
  EXPECT_EQ(previewed.front(), 1);
  EXPECT_EQ(previewed.back(), 25);
}

TEST_F(TranscodeTest, SubtitlesAreReencoded) {
  // multi.mkv: 0 video, 1 AAC, 2 SubRip with two cues, 3 AC-3.
  ASSERT_EQ(Open("", "multi.mkv", "-map 0:0 -map 0:2 -c:v mpeg4 -c:s ass", Out("subs.mkv")), "");
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  const TProbe p = Probe(Out("subs.mkv"));
  ASSERT_NE(p.Find("subtitle"), nullptr);
  EXPECT_EQ(p.Find("subtitle")->codec, "ass");
  EXPECT_EQ(p.Find("subtitle")->frames, 2);
  EXPECT_EQ(p.Find("video")->frames, 50);
}

TEST_F(TranscodeTest, AudioSyncFillsALateStartWithSilence) {
  struct TCase {
    const char* sync;
    double duration;
  } cases[] = {{"", 1.5}, {"-async 1 ", 2.0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.sync);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    const std::string out = Out("late.wav");
    ASSERT_EQ(Open(" -vn", "late_audio.mkv", std::string(c.sync) + "-c:a pcm_s16le", out), "");
    ASSERT_TRUE(RunInline()) << task->FatalMessage();
    EXPECT_NEAR(Probe(out).duration, c.duration, 0.03);
  }
}

// Largest step in brightness from one line to the next, down the middle
// column, away from the top and bottom edges.
template <class Pixel>
int CombDepth(int height, const Pixel& pixel) {
  int depth = 0;
  for (int y = 4; y + 5 < height; ++y) depth = std::max(depth, std::abs(pixel(y) - pixel(y + 1)));
  return depth;
}

// The log lines a task sends while it runs inline.
class TTaskLog {
public:
  explicit TTaskLog(TObject* task) : FLogger(GlobalLogger()), FBefore(FLogger->OnLog) {
    FInMain = FLogger->TriggerEventInMainThread;
    FLogger->TriggerEventInMainThread = false;
    FLogger->OnLog = [this, task](TObject* sender, unsigned long, TLogLevel, const std::string& text) {
      std::lock_guard<std::mutex> lock(FMutex);
      if (sender == task) FLines.push_back(text);
    };
  }
  ~TTaskLog() {
    FLogger->OnLog = FBefore;
    FLogger->TriggerEventInMainThread = FInMain;
  }
  int Count(const std::string& line) {
    while (LogLinesPending()) PumpMessages();
    std::lock_guard<std::mutex> lock(FMutex);
    return static_cast<int>(std::count(FLines.begin(), FLines.end(), line));
  }
  // The first line that starts with prefix; empty when none does.
  std::string Starting(const std::string& prefix) {
    while (LogLinesPending()) PumpMessages();
    std::lock_guard<std::mutex> lock(FMutex);
    for (const std::string& l : FLines)
      if (l.compare(0, prefix.size(), prefix) == 0) return l;
    return "";
  }

private:
  TZIVoveva* FLogger;
  TLogEvent FBefore;
  bool FInMain = true;
  std::mutex FMutex;
  std::vector<std::string> FLines;
};

TEST_F(TranscodeTest, DeinterlaceSmoothsTheFieldsBeforeTheHooksSeeThem) {
  struct TCase {
    const char* name;
    const char* input;
    const char* options;
    bool smoothed;
    bool refused;  // "Deinterlacing failed." logged
  } cases[] = {
      {"without the option", "comb.mkv", "-c:v ffv1 -pix_fmt yuv420p -an", false, false},
      {"planar YUV", "comb.mkv", "-deinterlace -c:v ffv1 -pix_fmt yuv420p -an", true, false},
      {"RGB, which it cannot take", "comb_rgb.mkv", "-deinterlace -c:v ffv1 -pix_fmt yuv420p -an", false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    const std::string out = Out("deinterlaced.mkv");
    ASSERT_EQ(Open("", c.input, c.options, out), "");
    std::vector<int> depths;
    task->FOnInputVideoHook = [&](TObject*, TBitmap* bitmap, int, int64_t, bool& update, bool&) {
      update = false;
      depths.push_back(CombDepth(bitmap->Height(), [&](int y) { return int(bitmap->ScanLine(y)[80 * 3 + 1]); }));
    };
    TTaskLog log(task.get());
    ASSERT_TRUE(RunInline()) << task->FatalMessage();
    EXPECT_EQ(log.Count("Deinterlacing failed.") > 0, c.refused);
    // Every picture goes through at once: none is held back or lost.
    ASSERT_EQ(depths.size(), 25u);
    EXPECT_EQ(Probe(out).Find("video")->frames, 25);
    for (int depth : depths) EXPECT_EQ(depth < 8, c.smoothed) << depth;
    // The encoder got the picture the hooks saw.
    const std::string gray = fixtures::Output("ffmpeg -nostdin -v error -i '" + out +
                                              "' -frames:v 1 -f rawvideo -pix_fmt gray -");
    ASSERT_EQ(gray.size(), 160u * 120u);
    const int depth = CombDepth(120, [&](int y) { return int(static_cast<uint8_t>(gray[y * 160 + 80])); });
    EXPECT_EQ(depth < 8, c.smoothed) << depth;
  }
}

TEST_F(TranscodeTest, TwoPassesMeetAtTheirStatisticsFile) {
  struct TCase {
    const char* name;
    const char* encoder;
    const char* output;
  } cases[] = {
      {"MPEG-4", "-c:v mpeg4 -b:v 1000k", "two.avi"},
      {"H.264", "-c:v libx264 -preset ultrafast -b:v 1000k", "two.mp4"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string prefix = FromNativePath(scratch.Unix() + "/stats " + c.output);
    const auto pass = [&](int n, const std::string& passPrefix) {
      task = std::make_unique<TCustomFFmpeg>();
      ends = 0;
      task->FOnTerminate = [this](TObject*) { ++ends; };
      const std::string options = std::string(c.encoder) + " -an -t_microsecond 1000000 -pass " +
                                  std::to_string(n) + " -passlogfile \"" + passPrefix + "\"";
      EXPECT_EQ(Open("", "clip_h264_aac.mp4", options, Out(c.output)), "");
      return RunInline();
    };
    ASSERT_TRUE(pass(1, prefix)) << task->FatalMessage();
    const std::string stats = fixtures::ReadAll(scratch.Unix() + "/stats " + c.output + "-0.log");
    EXPECT_GT(stats.size(), 100u);
    ASSERT_TRUE(pass(2, prefix)) << task->FatalMessage();
    EXPECT_EQ(Probe(Out(c.output)).Find("video")->frames, 25);
    // The statistics are read, never written, by the second pass.
    EXPECT_TRUE(fixtures::ReadAll(scratch.Unix() + "/stats " + c.output + "-0.log") == stats);

    // Statistics that are missing or empty are named in the task's error;
    // damaged ones make the encoder refuse to open. Nothing is left behind.
    struct TBad {
      const char* name;
      const char* content;  // nullptr: no file
      const char* message;
    } bad[] = {
        {"missing", nullptr, "Error reading log file \"{log}\" for pass-2 encoding"},
        {"empty", "", "Error reading log file \"{log}\" for pass-2 encoding"},
        {"damaged", "frame 1 was fine\n", "Error while opening encoder for output stream #0:0 (Video)"},
    };
    for (const TBad& b : bad) {
      SCOPED_TRACE(b.name);
      const std::string badUnix = scratch.Unix() + "/" + b.name;
      if (b.content) std::ofstream(badUnix + "-0.log") << b.content;
      std::remove(Out(c.output).c_str());
      EXPECT_FALSE(pass(2, FromNativePath(badUnix)));
      std::string message = b.message;
      const size_t at = message.find("{log}");
      if (at != std::string::npos) message.replace(at, 5, FromNativePath(badUnix) + "-0.log");
      EXPECT_EQ(task->FatalMessage().rfind(message, 0), 0u) << task->FatalMessage();
      EXPECT_FALSE(UnixFileExists(Out(c.output)));
      std::remove((badUnix + "-0.log").c_str());
    }
  }
}

TEST_F(TranscodeTest, VideoStatisticsFileHasALinePerPicture) {
  struct TCase {
    const char* name;
    const char* options;
    bool psnr;
  } cases[] = {{"plain", "", false}, {"with PSNR", "-psnr ", true}};
  const std::regex line(
      "frame= +([0-9]+) q= +[0-9.]+ (PSNR= +([0-9.]+) )?f_size= +([0-9]+) s_size= +[0-9]+kB time= ([0-9.]+) "
      "br= +[0-9.]+kbits/s avg_br= +[0-9.]+kbits/s type= ([IPB])");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    const std::string stats = scratch.Unix() + "/vstats.log";
    ASSERT_EQ(Open("", "clip_h264_aac.mp4",
                   std::string(c.options) + "-c:v mpeg4 -c:a libmp3lame -t_microsecond 1000000 -vstats_file \"" +
                       FromNativePath(stats) + "\"",
                   Out("vstats.avi")),
              "");
    ASSERT_TRUE(RunInline()) << task->FatalMessage();
    std::istringstream in(fixtures::ReadAll(stats));
    std::string text;
    int count = 0;
    int64_t bytes = 0;
    double time = 0;
    while (std::getline(in, text)) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(text, m, line)) << text;
      ++count;
      EXPECT_EQ(std::atoi(m[1].str().c_str()), count);
      EXPECT_EQ(m[2].matched, c.psnr) << text;
      if (c.psnr) EXPECT_GT(std::atof(m[3].str().c_str()), 15.0) << text;
      bytes += std::atoi(m[4].str().c_str());
      time = std::atof(m[5].str().c_str());
      if (count == 1) EXPECT_EQ(m[6].str(), "I");
    }
    // Only the pictures: the sound has no lines.
    EXPECT_EQ(count, 25);
    EXPECT_EQ(bytes, task->Fvideo_size);
    EXPECT_NEAR(time, 1.0, 0.001);
  }
  // A file that cannot be made ends the task with its name.
  task = std::make_unique<TCustomFFmpeg>();
  ends = 0;
  task->FOnTerminate = [this](TObject*) { ++ends; };
  const std::string nowhere = FromNativePath(scratch.Unix() + "/no folder/vstats.log");
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -an -vstats_file \"" + nowhere + "\"", Out("vstats.avi")),
            "");
  EXPECT_FALSE(RunInline());
  EXPECT_EQ(task->FatalMessage(), "fopen fail: " + nowhere);
}

struct TProgressRecord {
  int fileIndex, frame;
  int64_t duration, total, at;
};

TEST_F(TranscodeTest, ProgressEveryIntervalAndOnceFinally) {
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -c:a libmp3lame", Out("progress.avi")), "");
  task->ReportInterval = 20000;
  std::vector<TProgressRecord> reports;
  task->FOnProgress = [&](TObject*, int fileIndex, int frame, int, float, float, int64_t, int64_t current,
                          int64_t total) {
    reports.push_back({fileIndex, frame, current, total, ff::av_gettime_relative()});
  };
  const int64_t started = ff::av_gettime_relative();
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  const int64_t elapsed = ff::av_gettime_relative() - started;
  ASSERT_GE(reports.size(), 2u);
  // At most one report per interval, and one more at the end.
  EXPECT_LE(static_cast<int64_t>(reports.size()) - 1, elapsed / 20000 + 1);
  for (size_t i = 0; i + 1 < reports.size(); ++i) {
    EXPECT_EQ(reports[i].fileIndex, 0);
    EXPECT_LE(reports[i].duration, reports[i + 1].duration);
    EXPECT_LT(reports[i].duration, INT64_MAX);
  }
  const TProgressRecord& last = reports.back();
  EXPECT_EQ(last.fileIndex, -1);
  EXPECT_EQ(last.frame, 125);
  EXPECT_NEAR(static_cast<double>(last.duration), 5e6, 60000);
  EXPECT_EQ(last.total, 5000000);
}

TEST_F(TranscodeTest, ShortOrAudioOnlyRunsReport) {
  // Shorter than the interval: only the final report. Audio only: no frames.
  ASSERT_EQ(Open(" -vn", "clip_h264_aac.mp4", "-c:a libmp3lame -t_microsecond 1000000", Out("short.mp3")), "");
  task->ReportInterval = 3600000000LL;
  std::vector<TProgressRecord> reports;
  task->FOnProgress = [&](TObject*, int fileIndex, int frame, int fps, float, float, int64_t, int64_t current,
                          int64_t total) {
    EXPECT_EQ(fps, -1);
    reports.push_back({fileIndex, frame, current, total, 0});
  };
  ASSERT_TRUE(RunInline()) << task->FatalMessage();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].fileIndex, -1);
  EXPECT_EQ(reports[0].frame, -1);
  EXPECT_NEAR(static_cast<double>(reports[0].duration), 1e6, 30000);
}

TEST_F(TranscodeTest, StopFromAnotherThreadWritesTheTrailerAndIsNotFinished) {
  const std::string out = Out("stopped.avi");
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -c:a libmp3lame", out), "");
  std::atomic<int> seen{0};
  task->FOnOutputVideoHook = [&](TObject*, TBitmap*, int frame, int64_t, bool& update, bool&) {
    update = false;
    seen = frame;
    // Slow enough that the stop always arrives mid-run.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  TConvertThread* thread = task->StartConvert(true);
  ASSERT_NE(thread, nullptr);
  thread->Start();
  ASSERT_TRUE(PumpUntil([&] { return seen >= 20; }, 60000));
  task->Stop(true);
  EXPECT_TRUE(PumpUntil([&] { return ends == 1; }));
  EXPECT_FALSE(task->Finished());
  EXPECT_FALSE(task->FatalException()) << task->FatalMessage();
  // A stopped output is not a result: nothing is left of it, neither under
  // its name nor as the incomplete file it was written to.
  EXPECT_FALSE(UnixFileExists(out));
  EXPECT_FALSE(UnixFileExists(out + ".incomplete"));
}

TEST_F(TranscodeTest, PausedWorkerHoldsStillAndResumes) {
  ASSERT_EQ(Open("", "clip_h264_aac.mp4", "-c:v mpeg4 -an -t_microsecond 2000000", Out("paused.avi")), "");
  std::atomic<int> seen{0};
  task->FOnOutputVideoHook = [&](TObject*, TBitmap*, int frame, int64_t, bool& update, bool&) {
    update = false;
    seen = frame;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  };
  TConvertThread* thread = task->StartConvert(true);
  ASSERT_NE(thread, nullptr);
  thread->Start();
  ASSERT_TRUE(PumpUntil([&] { return seen >= 5; }, 60000));
  task->Pause();
  PumpUntil([] { return false; }, 100);  // let the picture under way finish
  const int atPause = seen;
  PumpUntil([] { return false; }, 300);
  EXPECT_LE(seen - atPause, 1);
  task->Resume();
  EXPECT_TRUE(PumpUntil([&] { return ends == 1; }, 60000));
  EXPECT_TRUE(task->Finished());
  EXPECT_EQ(seen, 50);
}

struct TFailure {
  const char* name;
  const char* inputOptions;
  const char* outputOptions;
  bool videoHook;
  const char* message;  // what the task's error text starts with
};

const TFailure kFailures[] = {
    {"video copy with a hook", "", "-c:v copy -an", true,
     "-vcodec copy and VideoHook are incompatible (frames are not decoded)"},
    {"audio copy with a volume", "", "-vn -c:a copy -vol 300", false,
     "-acodec copy and -vol are incompatible (frames are not decoded)"},
    {"encoder that refuses its settings", "", "-c:v mpeg4 -r 100000 -an", false,
     "Error while opening encoder for output stream #0:0 (Video) - maybe incorrect parameters"},
    {"filter text that does not parse", "", "-c:v mpeg4 -an -vf \"nosuchfilter=1\"", false,
     "Error opening filters"},
};

TEST_F(TranscodeTest, SettingsThatCannotWorkEndTheTaskWithTheirText) {
  for (const TFailure& f : kFailures) {
    SCOPED_TRACE(f.name);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    const std::string out = Out("failed.avi");
    ASSERT_EQ(Open(f.inputOptions, "clip_h264_aac.mp4", f.outputOptions, out), "");
    if (f.videoHook) task->FOnOutputVideoHook = [](TObject*, TBitmap*, int, int64_t, bool&, bool&) {};
    EXPECT_FALSE(RunInline());
    EXPECT_FALSE(task->Finished());
    EXPECT_EQ(task->FatalMessage().rfind(f.message, 0), 0u) << task->FatalMessage();
    // Nothing was written before the failure: the empty output is gone.
    EXPECT_FALSE(UnixFileExists(out));
  }
}

TEST_F(TranscodeTest, TruncatedInputEndsWithAnError) {
  const std::string out = Out("from_cut.avi");
  ASSERT_EQ(Open("", "clip_cut_faststart.mp4", "-c:v mpeg4 -c:a libmp3lame", out), "");
  EXPECT_FALSE(RunInline());
  EXPECT_FALSE(task->Finished());
  EXPECT_EQ(task->FatalMessage(), "Input file #0 is truncated: it ends before its last frame");
  // What could be read is no result: no file looks like one.
  EXPECT_FALSE(UnixFileExists(out));
  EXPECT_FALSE(UnixFileExists(out + ".incomplete"));
}

// Serves half of a file on a local socket, then holds the connection open
// without a byte more until told to close: a source that stops delivering.
class THalfFeed {
public:
  THalfFeed(const std::string& socketPath, const std::string& data) : FData(data) {
    FListen = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    FReady = FListen >= 0 && bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
             listen(FListen, 1) == 0;
    // A native thread that never calls Win32.
    if (FReady) FThread = std::thread([this] { Serve(); });
  }
  ~THalfFeed() {
    FDone = true;
    if (FThread.joinable()) FThread.join();
    if (FListen >= 0) close(FListen);
  }
  bool Ready() const { return FReady; }

private:
  void Serve() {
    pollfd p{FListen, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return;
    const int c = accept(FListen, nullptr, nullptr);
    if (c < 0) return;
    const size_t half = FData.size() / 2;
    for (size_t sent = 0; sent < half;) {
      const ssize_t n = send(c, FData.data() + sent, half - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    for (int i = 0; i < 1000 && !FDone; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    close(c);
  }
  std::string FData;
  int FListen = -1;
  bool FReady = false;
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

TEST_F(TranscodeTest, ReadErrorMidFileEndsWithAnError) {
  const std::string socketPath = scratch.Unix() + "/feed.sock";
  THalfFeed feed(socketPath, fixtures::ReadAll(fixtures::UnixPath("clip.ts")));
  ASSERT_TRUE(feed.Ready());
  task->FReadTimeout = 1000;
  task->ParseOptions(" -f mpegts");
  ASSERT_GE(task->OpenInputFile(nullptr, "unix:" + socketPath), 0) << task->LastErrMsg();
  const std::string out = Out("from_feed.avi");
  task->ParseOptions("-c:v mpeg4 -c:a libmp3lame");
  ASSERT_GE(task->OpenOutputFile(FromNativePath(out), false), 0) << task->LastErrMsg();
  EXPECT_FALSE(RunInline());
  EXPECT_FALSE(task->Finished());
  EXPECT_EQ(task->FatalMessage().rfind("Error while reading input file #0", 0), 0u) << task->FatalMessage();
  EXPECT_FALSE(UnixFileExists(out));
  EXPECT_FALSE(UnixFileExists(out + ".incomplete"));
}

TEST_F(TranscodeTest, BadInputLeavesTheUsersFilesAlone) {
  const std::string out = Out("mine.avi");
  std::ofstream(out) << "the user's own file";
  const std::string source = fixtures::ReadAll(fixtures::UnixPath("truncated.mp4"));
  // An input that cannot be opened: the output is never opened.
  EXPECT_NE(Open("", "truncated.mp4", "-c:v mpeg4", out), "");
  task->StartConvert(false);
  EXPECT_TRUE(task->FatalException());
  EXPECT_TRUE(fixtures::ReadAll(out) == "the user's own file");
  EXPECT_TRUE(fixtures::ReadAll(fixtures::UnixPath("truncated.mp4")) == source);
  // An input that opens and then fails: only the output named for it is
  // written; the input stays as it was.
  task = std::make_unique<TCustomFFmpeg>();
  const std::string cut = fixtures::ReadAll(fixtures::UnixPath("clip_cut_faststart.mp4"));
  ASSERT_EQ(Open("", "clip_cut_faststart.mp4", "-c:v mpeg4 -an", Out("other.avi")), "");
  task->StartConvert(false);
  EXPECT_TRUE(task->FatalException());
  EXPECT_TRUE(fixtures::ReadAll(fixtures::UnixPath("clip_cut_faststart.mp4")) == cut);
  // The folder holds the user's file as it was and nothing else: the failed
  // task's output is gone, under its own name and under its incomplete one.
  EXPECT_EQ("mine.avi\n", fixtures::Output("ls -A '" + scratch.Unix() + "'"));
  EXPECT_TRUE(fixtures::ReadAll(out) == "the user's own file");
}

// A file of the output's name that is there before the task: opening the
// output leaves it alone; while the task runs it is written under a name
// that says it is incomplete; only a finished task replaces the file, and
// a stopped or failed one leaves it byte for byte as it was.
TEST_F(TranscodeTest, AnOutputReplacesTheFileOfItsNameOnlyWhenFinished) {
  struct TCase {
    const char* name;
    const char* input;
    bool stop;
    bool replaced;
  };
  const TCase cases[] = {{"finished", "clip_h264_aac.mp4", false, true},
                         {"stopped", "clip_h264_aac.mp4", true, false},
                         {"failed", "clip_cut_faststart.mp4", false, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    const std::string out = Out(std::string("kept_") + c.name + ".avi");
    std::ofstream(out) << "the user's own file";
    // An incomplete file of someone else's is never taken over.
    std::ofstream(out + ".incomplete") << "another file";
    ASSERT_EQ(Open("", c.input, "-c:v mpeg4 -c:a libmp3lame", out), "");
    EXPECT_TRUE(fixtures::ReadAll(out) == "the user's own file");
    std::atomic<int> seen{0};
    std::atomic<bool> ownDuringRun{false}, incompleteDuringRun{false};
    task->FOnOutputVideoHook = [&](TObject*, TBitmap*, int frame, int64_t, bool& update, bool&) {
      update = false;
      if (frame == 5) {
        ownDuringRun = fixtures::ReadAll(out) == "the user's own file";
        incompleteDuringRun = UnixFileExists(out + ".2.incomplete");
      }
      seen = frame;
      if (c.stop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    TConvertThread* thread = task->StartConvert(true);
    ASSERT_NE(thread, nullptr);
    thread->Start();
    if (c.stop) {
      ASSERT_TRUE(PumpUntil([&] { return seen >= 20; }, 60000));
      task->Stop(true);
    }
    ASSERT_TRUE(PumpUntil([&] { return ends == 1; }, 60000));
    EXPECT_TRUE(ownDuringRun);
    EXPECT_TRUE(incompleteDuringRun);
    EXPECT_EQ(task->Finished(), c.replaced);
    if (c.replaced) {
      const TProbe p = Probe(out);
      ASSERT_NE(p.Find("video"), nullptr);
      EXPECT_EQ(p.Find("video")->frames, 125);
    } else {
      EXPECT_TRUE(fixtures::ReadAll(out) == "the user's own file");
    }
    EXPECT_FALSE(UnixFileExists(out + ".2.incomplete"));
    EXPECT_TRUE(fixtures::ReadAll(out + ".incomplete") == "another file");
  }
}

}  // namespace

TEST_F(TranscodeTest, RtpOutputsPrintTheirSessionDescription) {
  struct TCase {
    const char* options;
    const char* output;
    bool sdp;
  } cases[] = {{"-map 0:0 -c:v mpeg4 -frames:v 5 -f rtp", "rtp://127.0.0.1:47811", true},
               {"-map 0:0 -c:v mpeg4 -frames:v 5", nullptr, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.options);
    task = std::make_unique<TCustomFFmpeg>();
    ends = 0;
    task->FOnTerminate = [this](TObject*) { ++ends; };
    TTaskLog log(task.get());
    task->ParseOptions("");
    ASSERT_GE(task->OpenInputFile(nullptr, fixtures::WindowsPath("multi.mkv")), 0) << task->LastErrMsg();
    task->ParseOptions(c.options);
    // Packets go to a loopback port nobody reads.
    const std::string out = c.output ? std::string(c.output) : FromNativePath(Out("nosdp.mkv"));
    ASSERT_GE(task->OpenOutputFile(out, false), 0) << task->LastErrMsg();
    ASSERT_TRUE(RunInline()) << task->FatalMessage();
    const std::string sdp = log.Starting("SDP:\r\n");
    EXPECT_EQ(!sdp.empty(), c.sdp) << sdp;
    if (c.sdp) {
      EXPECT_NE(sdp.find("m=video 47811 RTP/AVP 96"), std::string::npos) << sdp;
      EXPECT_NE(sdp.find("c=IN IP4 127.0.0.1"), std::string::npos) << sdp;
    }
  }
}
