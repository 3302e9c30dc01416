#include "support/gtest.h"

#include <windows.h>

#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/AVUtilStubs.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "engine/FFUtils.h"
#include "engine/MyUtils.h"
#include "engine/Fixtures.h"
#include "framework/Graphics.h"
#include "framework/SysUtils.h"

namespace {

using fixtures::WindowsPath;

// Stream facts as ffprobe prints them ("-of flat": streams.stream.N.key=value).
using TProbeStream = std::map<std::string, std::string>;

std::vector<TProbeStream> Probe(const std::string& name) {
  const std::string text = fixtures::Output(
      "ffprobe -v error -show_entries stream=index,codec_type,width,height,sample_rate,channels,sample_fmt,pix_fmt"
      " -of flat '" + fixtures::UnixPath(name) + "'");
  std::vector<TProbeStream> streams;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::string prefix = "streams.stream.";
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    const size_t dot = line.find('.', prefix.size());
    const size_t eq = line.find('=', dot);
    if (dot == std::string::npos || eq == std::string::npos) continue;
    const size_t index = std::stoul(line.substr(prefix.size(), dot - prefix.size()));
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    if (streams.size() <= index) streams.resize(index + 1);
    streams[index][line.substr(dot + 1, eq - dot - 1)] = value;
  }
  return streams;
}

int ProbeInt(const TProbeStream& s, const char* key) {
  auto it = s.find(key);
  return it == s.end() ? -1 : std::atoi(it->second.c_str());
}

class FFDecodeTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(fixtures::EnsureStandard()); }

  void SetUp() override {
    decoder = std::make_unique<TFFDecoder>(nullptr);
    ASSERT_TRUE(decoder->LoadAVLib(ApplicationFolder() + "LibAV")) << decoder->LastErrMsg();
  }

  void Load(const std::string& name) {
    ASSERT_TRUE(decoder->LoadFile(WindowsPath(name))) << name << ": " << decoder->LastErrMsg();
  }

  void ExpectNoFile() {
    EXPECT_EQ(-1, decoder->FFileSize);
    EXPECT_EQ(-1, decoder->FStreamCount);
    EXPECT_EQ(-1, decoder->FProgramCount);
    EXPECT_EQ(-1, decoder->FAudioStreamCount);
    EXPECT_EQ(-1, decoder->FVideoStreamCount);
    EXPECT_EQ(-1, decoder->FSubtitleStreamCount);
    EXPECT_EQ(-1, decoder->FFirstAudioStreamIndex);
    EXPECT_EQ(-1, decoder->FFirstVideoStreamIndex);
    EXPECT_EQ(-1, decoder->FFirstSubtitleStreamIndex);
    EXPECT_EQ(nullptr, decoder->FileHandle());
  }

  std::unique_ptr<TFFDecoder> decoder;
};

// ---- opening and stream information --------------------------------------

TEST_F(FFDecodeTest, StreamRecordsAgreeWithProbe) {
  const struct {
    const char* name;
    int video, audio, subtitle;
    int firstVideo, firstAudio, firstSubtitle;
  } cases[] = {
      {"clip_h264_aac.mp4", 1, 1, 0, 0, 1, -1},
      {"multi.mkv", 1, 2, 1, 0, 1, 2},
      {"a48k_6ch.wav", 0, 1, 0, -1, 0, -1},
      {"a44k_s16.wav", 0, 1, 0, -1, 0, -1},
      {"tone.mp3", 0, 1, 0, -1, 0, -1},
      {"still.png", 1, 0, 0, 0, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.name);
    const std::vector<TProbeStream> probe = Probe(c.name);
    ASSERT_EQ(static_cast<int>(probe.size()), decoder->FStreamCount);
    EXPECT_EQ(c.video, decoder->FVideoStreamCount);
    EXPECT_EQ(c.audio, decoder->FAudioStreamCount);
    EXPECT_EQ(c.subtitle, decoder->FSubtitleStreamCount);
    EXPECT_EQ(c.firstVideo, decoder->FFirstVideoStreamIndex);
    EXPECT_EQ(c.firstAudio, decoder->FFirstAudioStreamIndex);
    EXPECT_EQ(c.firstSubtitle, decoder->FFirstSubtitleStreamIndex);
    EXPECT_EQ(0, decoder->FProgramCount);
    EXPECT_EQ(static_cast<int64_t>(fixtures::ReadAll(fixtures::UnixPath(c.name)).size()), decoder->FFileSize);
    for (int i = 0; i < decoder->FStreamCount; ++i) {
      SCOPED_TRACE(i);
      const TProbeStream& p = probe[i];
      const std::string type = p.at("codec_type");
      EXPECT_EQ(type == "video", decoder->IsVideoStream(i));
      EXPECT_EQ(type == "audio", decoder->IsAudioStream(i));
      EXPECT_EQ(type == "subtitle", decoder->IsSubtitleStream(i));
      if (type == "video") {
        TVideoStreamInfo v;
        ASSERT_TRUE(decoder->GetVideoStreamInfo(i, v));
        EXPECT_EQ(ProbeInt(p, "width"), v.Width);
        EXPECT_EQ(ProbeInt(p, "height"), v.Height);
        EXPECT_STREQ(p.at("pix_fmt").c_str(), ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(v.PixFmt)));
        EXPECT_FALSE(v.CodecName.empty());
      } else if (type == "audio") {
        TAudioStreamInfo a;
        ASSERT_TRUE(decoder->GetAudioStreamInfo(i, a));
        EXPECT_EQ(ProbeInt(p, "sample_rate"), a.SampleRate);
        EXPECT_EQ(ProbeInt(p, "channels"), a.Channels);
        EXPECT_STREQ(p.at("sample_fmt").c_str(), ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(a.SampleFormat)));
        EXPECT_FALSE(a.CodecName.empty());
      }
    }
  }
}

TEST_F(FFDecodeTest, FileWithTwoAudioStreamsAndSubtitle) {
  Load("multi.mkv");
  TAudioStreamInfo first = decoder->FirstAudioStreamInfo();
  EXPECT_EQ("eng", first.Language);
  EXPECT_EQ(2, first.Channels);
  EXPECT_EQ(44100, first.SampleRate);
  EXPECT_EQ(0, first.CodecName.find("aac"));
  EXPECT_EQ(1000, first.StartTimeScaled / 1000 + 1000) << "starts at 0";

  TAudioStreamInfo second;
  ASSERT_TRUE(decoder->GetAudioStreamInfo(3, second));
  EXPECT_EQ("fre", second.Language);
  EXPECT_EQ(6, second.Channels);
  EXPECT_EQ(48000, second.SampleRate);
  EXPECT_EQ(0, second.CodecName.find("ac3"));

  TSubtitleStreamInfo sub = decoder->FirstSubtitleStreamInfo();
  EXPECT_EQ("eng", sub.Language);
  EXPECT_NE(std::string::npos, sub.CodecName.find("SubRip")) << sub.CodecName;

  TVideoStreamInfo video = decoder->FirstVideoStreamInfo();
  EXPECT_EQ(320, video.Width);
  EXPECT_EQ(240, video.Height);
  EXPECT_EQ(25, video.FrameRate.num / video.FrameRate.den);
  EXPECT_FLOAT_EQ(320.0f / 240.0f, video.AspectRatio);

  const TFileStreamInfo file = decoder->FileStreamInfo();
  EXPECT_EQ("Multi fixture", file.Title);
  EXPECT_NEAR(2000000, file.Duration, 100000);
  EXPECT_EQ(0, file.Year);
  EXPECT_EQ("matroska,webm", decoder->FormatName());

  // Wrong indexes and types answer with their texts.
  const struct {
    std::function<bool()> call;
    const char* text;
  } errors[] = {
      {[&] { return decoder->IsVideoStream(decoder->FStreamCount); }, "stream index #4 is invalid."},
      {[&] { TVideoStreamInfo v; return decoder->GetVideoStreamInfo(1, v); }, "stream #1 is not video stream."},
      {[&] { TAudioStreamInfo a; return decoder->GetAudioStreamInfo(0, a); }, "stream #0 is not audio stream."},
      {[&] { TSubtitleStreamInfo s; return decoder->GetSubtitleStreamInfo(9, s); }, "stream index #9 is invalid."},
  };
  for (const auto& e : errors) {
    EXPECT_FALSE(e.call());
    EXPECT_EQ(e.text, decoder->LastErrMsg());
  }
  Load("a44k_s16.wav");
  TVideoStreamInfo none;
  EXPECT_FALSE(decoder->GetVideoStreamInfo(-1, none));
  EXPECT_EQ("no video stream.", decoder->LastErrMsg());
  EXPECT_EQ(-1, none.Width);
  EXPECT_FLOAT_EQ(-1.0f, none.AspectRatio);
}

// The stored texts name the file as {FILE}.
std::string ExpectedInfoText(const char* stored, const std::string& file) {
  std::string text = fixtures::ReadAll(std::string(TESS_TEST_DATA_DIR) + "/" + stored);
  const std::string key = "{FILE}";
  const size_t at = text.find(key);
  if (at != std::string::npos) text.replace(at, key.size(), file);
  return text;
}

TEST_F(FFDecodeTest, FileInfoTextMatchesStoredText) {
  const struct {
    const char* fixture;
    const char* stored;
  } cases[] = {
      {"a44k_s16.wav", "info_a44k_s16.txt"},
      {"multi.mkv", "info_multi.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    Load(c.fixture);
    const std::string text = decoder->FileInfoText();
    const std::string expected = ExpectedInfoText(c.stored, WindowsPath(c.fixture));
    EXPECT_EQ(expected, text);
    if (getenv("TESS_WRITE_INFO_TEXT")) std::ofstream(fixtures::UnixPath(c.stored), std::ios::binary) << text;
  }
}

TEST_F(FFDecodeTest, BadInputFailsWithTextsAndNoFile) {
  const std::string missing = WindowsPath("no-such-file.mp4");
  const struct {
    std::string name;
    std::string format;
    std::string text;
  } cases[] = {
      {missing, "", missing + ": No such file or directory"},
      {WindowsPath("empty.mp4"), "", WindowsPath("empty.mp4") + ": Invalid data found when processing input"},
      {WindowsPath("truncated.mp4"), "",
       WindowsPath("truncated.mp4") + ": Invalid data found when processing input"},
      {WindowsPath("fake.mp4"), "", WindowsPath("fake.mp4") + ": Invalid data found when processing input"},
      {WindowsPath("clip_h264_aac.mp4"), "nosuchformat", "Unknown input format: nosuchformat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load("clip_h264_aac.mp4");  // a failed load also drops the file before
    EXPECT_FALSE(decoder->LoadFile(c.name, c.format));
    EXPECT_EQ(c.text, decoder->LastErrMsg());
    ExpectNoFile();
    // Queries without a file answer "file not loaded." and nothing else.
    EXPECT_EQ("", decoder->FileInfoText());
    EXPECT_EQ("file not loaded.", decoder->LastErrMsg());
    EXPECT_FALSE(decoder->Decode());
    EXPECT_FALSE(decoder->DecodeAudio());
    EXPECT_FALSE(decoder->Seek(0));
    EXPECT_EQ(-1, decoder->Position());
    EXPECT_EQ(-1, decoder->ReadAudio(nullptr, 10));
    EXPECT_EQ(-1, decoder->FileStreamInfo().Duration);
  }
}

// Bytes in use on the native heap, where the media libraries and the
// decoder allocate.
long HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<long>(m.uordblks + m.hblkhd);
}

TEST_F(FFDecodeTest, RepeatedLoadsDoNotLeak) {
  auto round = [&] {
    for (const char* bad : {"no-such-file.mp4", "empty.mp4", "truncated.mp4", "fake.mp4"})
      EXPECT_FALSE(decoder->LoadFile(WindowsPath(bad)));
    Load("clip_h264_aac.mp4");
    EXPECT_TRUE(decoder->Seek(1000000));
    EXPECT_TRUE(decoder->Decode());
    EXPECT_TRUE(decoder->DecodeAudio());
    decoder->FileInfoText();
    decoder->CloseFile();
  };
  for (int i = 0; i < 10; ++i) round();
  const long before = HeapInUse();
  for (int i = 0; i < 100; ++i) round();
  // One lost packet or frame per round would be far more than this.
  EXPECT_LT(HeapInUse() - before, 64 * 1024) << "bytes grown over 100 rounds";
}

TEST_F(FFDecodeTest, OptionsApplyToOneLoadOnly) {
  // A stream limit of 1 makes the four-stream file fail to open.
  ASSERT_TRUE(decoder->opt_default("max_streams", "1"));
  EXPECT_FALSE(decoder->LoadFile(WindowsPath("multi.mkv")));
  Load("multi.mkv");
  EXPECT_EQ(4, decoder->FStreamCount);
  EXPECT_FALSE(decoder->opt_default("no_such_option_at_all", "1"));
}

// ---- pictures -------------------------------------------------------------

double Psnr(const TBitmap& bitmap, const std::string& bgr24) {
  const int w = bitmap.Width(), h = bitmap.Height();
  if (bgr24.size() != static_cast<size_t>(w) * h * 3) return 0;
  double sum = 0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* ours = bitmap.ScanLine(y);
    const uint8_t* theirs = reinterpret_cast<const uint8_t*>(bgr24.data()) + static_cast<size_t>(y) * w * 3;
    for (int x = 0; x < w * 3; ++x) {
      const double d = static_cast<double>(ours[x]) - theirs[x];
      sum += d * d;
    }
  }
  const double mse = sum / (static_cast<double>(w) * h * 3);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::string ToolFrame(const std::string& fixture, int64_t us) {
  char at[32];
  std::snprintf(at, sizeof at, "%.6f", us / 1e6);
  return fixtures::Output(std::string("ffmpeg -nostdin -v error -ss ") + at + " -i '" +
                          fixtures::UnixPath(fixture) + "' -frames:v 1 -f rawvideo -pix_fmt bgr24 -");
}

TEST_F(FFDecodeTest, SeekDecodeCopyGivesTheKeyFramePicture) {
  Load("clip_h264_aac.mp4");
  const struct {
    int64_t seek;
    int64_t pts;  // the key frame at or after the time (one per second), else the last
  } cases[] = {{2000000, 2000000}, {2500000, 3000000}, {0, 0}, {4200000, 4000000}, {960000, 1000000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seek);
    ASSERT_TRUE(decoder->Seek(c.seek)) << decoder->LastErrMsg();
    ASSERT_TRUE(decoder->Decode()) << decoder->LastErrMsg();
    const TFrameInfo& f = decoder->FrameInfo();
    EXPECT_EQ(c.pts, f.PTS);
    EXPECT_TRUE(f.IsKeyFrame);
    EXPECT_EQ(640, f.Width);
    EXPECT_EQ(360, f.Height);
    EXPECT_EQ(0, f.StreamIndex);
    TBitmap bitmap;
    ASSERT_TRUE(decoder->CopyToBitmap(&bitmap)) << decoder->LastErrMsg();
    EXPECT_EQ(pf24bit, bitmap.PixelFormat());
    EXPECT_EQ(640, bitmap.Width());
    EXPECT_EQ(360, bitmap.Height());
    EXPECT_GE(Psnr(bitmap, ToolFrame("clip_h264_aac.mp4", f.PTS)), 40.0);
  }
}

TEST_F(FFDecodeTest, DecodingToTheEndDrainsThenAnswersEof) {
  Load("clip_h264_aac.mp4");
  ASSERT_TRUE(decoder->Seek(0));
  int pictures = 0;
  int64_t last = -1;
  while (decoder->Decode()) {
    const int64_t pts = decoder->FrameInfo().PTS;
    EXPECT_EQ(pictures * 40000, pts);
    last = pts;
    ++pictures;
  }
  // Every picture of the file comes out, the held ones included.
  EXPECT_EQ(125, pictures);
  EXPECT_EQ(4960000, last);
  EXPECT_EQ("stream eof reached.", decoder->LastErrMsg());
  EXPECT_FALSE(decoder->Decode());
  EXPECT_EQ("stream eof reached.", decoder->LastErrMsg());
  // A seek starts over.
  ASSERT_TRUE(decoder->Seek(4000000));
  EXPECT_TRUE(decoder->Decode());
  EXPECT_EQ(4000000, decoder->FrameInfo().PTS);
}

// Files of the cases below: one picture in MPEG-TS (no average rate can be
// taken from one picture); 2 s of Theora in Ogg followed by 200,000 zero
// bytes, in which the Ogg reader finds no page and fails (3 times: it gives
// up after 65,307 bytes each) before the end of the file.
bool EnsureOddFiles() {
  static const std::vector<fixtures::TFixture> set = {
      {"one_picture.ts",
       "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=160x120:r=25:d=1 -frames:v 1 -c:v mpeg4 -f mpegts {out}"},
      {"tail_of_zeros.ogg",
       "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=160x120:r=25:d=2 -c:v libtheora -q:v 5 -f ogg {out}"
       " && head -c 200000 /dev/zero >> {out}"},
  };
  return fixtures::Ensure(set);
}

TEST_F(FFDecodeTest, AStreamWithoutAnAverageRateTakesTheContainersWithALine) {
  ASSERT_TRUE(EnsureOddFiles());
  struct Case {
    const char* file;
    std::vector<std::string> lines;
  } cases[] = {
      {"clip_h264_aac.mp4", {}},
      // The decoder names no rate before it has seen a picture.
      {"one_picture.ts",
       {"Seems stream 0 codec frame rate differs from container frame rate: 0.00 (0/1) -> 25.00 (25/1)"}},
  };
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  const bool inMain = logger->TriggerEventInMainThread;
  logger->TriggerEventInMainThread = false;
  std::vector<std::string> lines;
  logger->OnLog = [&](TObject* sender, unsigned long, TLogLevel level, const std::string& message) {
    if (sender == decoder.get() && level == llInfo && message.find("frame rate") != std::string::npos)
      lines.push_back(message);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    lines.clear();
    Load(c.file);
    EXPECT_TRUE(decoder->Decode()) << decoder->LastErrMsg();
    // The stream is chosen once: a second picture logs nothing more.
    decoder->Decode();
    while (LogLinesPending()) PumpMessages();
    EXPECT_EQ(c.lines, lines);
  }
  logger->OnLog = before;
  logger->TriggerEventInMainThread = inMain;
}

TEST_F(FFDecodeTest, AReadFailureBeforeTheEndIsToldAsItIs) {
  ASSERT_TRUE(EnsureOddFiles());
  Load("tail_of_zeros.ogg");
  int pictures = 0;
  std::vector<std::string> failures;
  for (int call = 0; call < 80 && (failures.empty() || failures.back() != "stream eof reached."); ++call) {
    if (decoder->Decode())
      ++pictures;
    else
      failures.push_back(decoder->LastErrMsg());
  }
  EXPECT_EQ(50, pictures);
  // The first failure only ends the input for the decoder, which gives up
  // what it holds; each later one is told, until the real end.
  const std::string invalid = "unknown error #" + std::to_string(AVERROR_INVALIDDATA) + ".";
  EXPECT_EQ((std::vector<std::string>{invalid, invalid, "stream eof reached."}), failures);
  EXPECT_FALSE(decoder->Decode());
  EXPECT_EQ("stream eof reached.", decoder->LastErrMsg());
}

TEST_F(FFDecodeTest, StepsBetweenFramesAndKeyFrames) {
  Load("clip_h264_aac.mp4");
  ASSERT_TRUE(decoder->Seek(0));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(decoder->Decode());
  ASSERT_EQ(80000, decoder->FrameInfo().PTS);
  ASSERT_TRUE(decoder->DecodePreviousFrame());
  EXPECT_EQ(40000, decoder->FrameInfo().PTS);

  ASSERT_TRUE(decoder->Seek(0));
  ASSERT_TRUE(decoder->Decode());
  ASSERT_TRUE(decoder->DecodePreviousKeyFrame());
  EXPECT_EQ(0, decoder->FrameInfo().PTS);

  ASSERT_TRUE(decoder->DecodeNextKeyFrame());
  EXPECT_EQ(1000000, decoder->FrameInfo().PTS);
  ASSERT_TRUE(decoder->DecodeNextKeyFrame());
  EXPECT_EQ(2000000, decoder->FrameInfo().PTS);
  ASSERT_TRUE(decoder->Seek(3000000));
  ASSERT_TRUE(decoder->Decode());
  ASSERT_TRUE(decoder->Decode());
  ASSERT_TRUE(decoder->DecodePreviousKeyFrame());
  EXPECT_EQ(3000000, decoder->FrameInfo().PTS);
  EXPECT_TRUE(decoder->FrameInfo().IsKeyFrame);
}

TEST_F(FFDecodeTest, ThumbnailOfTheApplicationSize) {
  // The loading dialog's thumbnail: seek to the middle, decode, step to the
  // next key frame, copy, and stretch into a 50 x 37 box kept in proportion.
  Load("clip_h264_aac.mp4");
  const TVideoStreamInfo v = decoder->FirstVideoStreamInfo();
  TBitmap work(v.Width, v.Height);
  TBitmap thumb(50, 37);
  thumb.Canvas()->Brush()->SetColor(clBlack);
  thumb.Canvas()->FillRect(Rect(0, 0, 50, 37));
  ASSERT_TRUE(decoder->Seek(decoder->FileStreamInfo().Duration / 2));
  ASSERT_TRUE(decoder->Decode(v.Width > 0 ? decoder->FFirstVideoStreamIndex : -1));
  EXPECT_EQ(3000000, decoder->FrameInfo().PTS);
  decoder->DecodeNextKeyFrame(decoder->FFirstVideoStreamIndex);
  EXPECT_EQ(4000000, decoder->FrameInfo().PTS);
  ASSERT_TRUE(decoder->CopyToBitmap(&work));
  const int height = static_cast<int>(std::nearbyint(360.0 / 640.0 * 50));
  ASSERT_EQ(28, height);
  SetStretchBltMode(thumb.Canvas()->Handle(), HALFTONE);
  thumb.Canvas()->StretchDraw(Bounds(0, 18 - 14, 50, height), &work);
  EXPECT_EQ(50, thumb.Width());
  EXPECT_EQ(37, thumb.Height());
  auto pixelSum = [&](int x, int y) {
    const uint8_t* p = thumb.ScanLine(y) + x * 3;
    return p[0] + p[1] + p[2];
  };
  for (int x = 0; x < 50; x += 7) {
    EXPECT_EQ(0, pixelSum(x, 0));
    EXPECT_EQ(0, pixelSum(x, 36));
  }
  int lit = 0;
  for (int y = 4; y < 32; ++y)
    for (int x = 0; x < 50; ++x) lit += pixelSum(x, y) > 0;
  EXPECT_GT(lit, 50 * 28 / 2);
}

TEST_F(FFDecodeTest, BitmapCopyRules) {
  Load("clip_h264_aac.mp4");
  TBitmap bitmap(7, 5);
  EXPECT_FALSE(decoder->CopyToBitmap(&bitmap));
  EXPECT_EQ("picture not ready, please decode first", decoder->LastErrMsg());
  EXPECT_EQ(7, bitmap.Width());
  EXPECT_EQ(nullptr, decoder->GetBitmapPtr());
  ASSERT_TRUE(decoder->Decode());
  const TDIBInfo* dib = decoder->GetBitmapPtr();
  ASSERT_NE(nullptr, dib);
  EXPECT_EQ(640, dib->bmWidth);
  EXPECT_EQ(360, dib->bmHeight);
  EXPECT_EQ(24, dib->bmBitsPixel);
  decoder->SetBitmapBitsPixel(32);
  ASSERT_TRUE(decoder->CopyToBitmap(&bitmap));
  EXPECT_EQ(pf32bit, bitmap.PixelFormat());
  EXPECT_EQ(640, bitmap.Width());
  EXPECT_THROW(decoder->SetBitmapBitsPixel(12), Exception);
  EXPECT_EQ(32, decoder->BitmapBitsPixel());
  EXPECT_GT(decoder->Position(), 0);
}

TEST_F(FFDecodeTest, StillImageCannotSeekAndDecodesAgain) {
  // Forced "image2", and the picture demuxer the library picks itself.
  for (const char* format : {"image2", ""}) {
    SCOPED_TRACE(format);
    ASSERT_TRUE(decoder->LoadFile(WindowsPath("still.png"), format)) << decoder->LastErrMsg();
    EXPECT_EQ(*format ? "image2" : "png_pipe", decoder->FormatName());
    EXPECT_FALSE(decoder->Seek(0));
    EXPECT_EQ("\"image2\" format cannot to be seeked.", decoder->LastErrMsg());
    ASSERT_TRUE(decoder->Decode()) << decoder->LastErrMsg();
    EXPECT_EQ(160, decoder->FrameInfo().Width);
    const std::vector<uint8_t> first(decoder->FrameInfo().Buffer,
                                     decoder->FrameInfo().Buffer + decoder->FrameInfo().Size);
    ASSERT_TRUE(decoder->Decode());
    EXPECT_EQ(0, std::memcmp(first.data(), decoder->FrameInfo().Buffer, first.size()));
    // A picture has no bit rate.
    const std::string text = decoder->FileInfoText();
    EXPECT_NE(std::string::npos, text.find(", bitrate: N/A\r\n")) << text;
  }
}

TEST_F(FFDecodeTest, DeinterlaceBlendsOddRowsOnly) {
  Load("clip_h264_aac.mp4");
  ASSERT_TRUE(decoder->Seek(1000000));
  ASSERT_TRUE(decoder->Decode());
  const TFrameInfo& f = decoder->FrameInfo();
  const std::vector<uint8_t> plain(f.Buffer, f.Buffer + f.Size);
  decoder->Deinterlace = true;
  ASSERT_TRUE(decoder->Seek(1000000));
  ASSERT_TRUE(decoder->Decode());
  EXPECT_TRUE(decoder->Deinterlace);
  const int stride = f.Picture.linesize[0];
  int changedEven = 0, changedOdd = 0;
  for (int y = 0; y < f.Height; ++y)
    for (int x = 0; x < f.Width; ++x) {
      const size_t at = static_cast<size_t>(y) * stride + x;
      if (plain[at] != f.Buffer[at]) ++((y & 1) ? changedOdd : changedEven);
    }
  EXPECT_EQ(0, changedEven);
  EXPECT_GT(changedOdd, 1000);
}

TEST_F(FFDecodeTest, BeforeFindStreamInfoSeesTheOpenedFile) {
  int calls = 0;
  decoder->OnBeforeFindStreamInfo = [&](TObject* sender, AVFormatContext* context) {
    ++calls;
    EXPECT_EQ(decoder.get(), sender);
    ASSERT_NE(nullptr, context);
    EXPECT_NE(nullptr, context->iformat);
  };
  Load("clip_h264_aac.mp4");
  EXPECT_EQ(1, calls);
  decoder->TriggerEventInMainThread = false;
  Load("multi.mkv");
  EXPECT_EQ(2, calls);
}

TEST_F(FFDecodeTest, AdoptedContextIsReadOnly) {
  Load("clip_h264_aac.mp4");
  TFFDecoder reader(nullptr);
  ASSERT_TRUE(reader.LoadAVLib(ApplicationFolder() + "LibAV"));
  reader.SetFileHandle(decoder->FileHandle());
  EXPECT_EQ(2, reader.FStreamCount);
  EXPECT_EQ(0, reader.FFirstVideoStreamIndex);
  EXPECT_THROW(reader.Decode(), Exception);
  EXPECT_EQ("file cannot be seeked, handle is readonly.", reader.LastErrMsg());
  EXPECT_THROW(reader.Seek(0), Exception);
  reader.CloseFile();
  // The owner's file is still open and usable.
  EXPECT_TRUE(decoder->Decode());
}

// ---- audio ----------------------------------------------------------------

// Bytes of the "data" chunk of a RIFF/WAVE file.
std::string WaveData(const std::string& file) {
  const std::string all = fixtures::ReadAll(file);
  size_t at = 12;
  while (at + 8 <= all.size()) {
    uint32_t size;
    std::memcpy(&size, all.data() + at + 4, 4);
    if (all.compare(at, 4, "data") == 0) return all.substr(at + 8, size);
    at += 8 + size + (size & 1);
  }
  return std::string();
}

TEST_F(FFDecodeTest, SixChannelFloatBecomesStereoS16At44k) {
  Load("a48k_6ch.wav");
  ASSERT_TRUE(decoder->DecodeAudio());
  const TWaveInfo& w = decoder->WaveInfo();
  EXPECT_EQ(2, w.Channels);
  EXPECT_EQ(44100, w.SampleRate);
  EXPECT_EQ(AV_SAMPLE_FMT_S16, w.SampleFormat);
  EXPECT_EQ(2, w.BytesPerSample);
  EXPECT_EQ(176400, w.BytesPerSecond);
  EXPECT_TRUE(decoder->AudioConverted());
  EXPECT_EQ(0, w.StreamIndex);
  EXPECT_TRUE(w.Ready);
  EXPECT_EQ(int64_t{500000} * w.Size / (44100 * 2), w.Duration);
  int64_t total = w.Size;
  int peak = 0;
  std::vector<uint8_t> chunk(5000);
  int n;
  while ((n = decoder->ReadAudio(chunk.data(), static_cast<int>(chunk.size()))) > 0) {
    total += n;
    for (int i = 0; i + 1 < n; i += 2) {
      const int16_t s = static_cast<int16_t>(chunk[i] | (chunk[i + 1] << 8));
      peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
  }
  EXPECT_EQ("stream eof reached.", decoder->LastErrMsg());
  // One second of output, give or take what the converter keeps back.
  EXPECT_NEAR(44100.0, total / 4.0, 200.0);
  EXPECT_GT(peak, 1000);
}

TEST_F(FFDecodeTest, StereoS16At44kPassesThroughBitExact) {
  Load("a44k_s16.wav");
  std::string out;
  std::vector<char> chunk(3000);
  // A read without a buffer decodes and tells, but takes nothing.
  int n = decoder->ReadAudio(nullptr, 4096);
  EXPECT_EQ(std::min(4096, decoder->WaveInfo().Size), n);
  EXPECT_EQ(n, decoder->ReadAudio(nullptr, 4096));
  EXPECT_FALSE(decoder->AudioConverted());
  EXPECT_EQ(176400, decoder->WaveInfo().BytesPerSecond);
  while ((n = decoder->ReadAudio(chunk.data(), static_cast<int>(chunk.size()))) > 0) out.append(chunk.data(), n);
  EXPECT_EQ(-1, n);
  const std::string data = WaveData(fixtures::UnixPath("a44k_s16.wav"));
  ASSERT_EQ(44100u * 4, data.size());
  EXPECT_TRUE(out == data) << "passed-through samples differ";
}

TEST_F(FFDecodeTest, PlanarSourcesAndRateChange) {
  const struct {
    const char* name;
    int stream;
    double seconds;
  } cases[] = {{"tone.mp3", -1, 2.0}, {"multi.mkv", 3, 2.0}, {"clip_h264_aac.mp4", -1, 5.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.name);
    int64_t bytes = 0;
    while (decoder->DecodeAudio(c.stream)) {
      EXPECT_TRUE(decoder->AudioConverted());
      // 64-bit: a 1152-sample stereo buffer (4608 bytes) wraps a 32-bit product.
      EXPECT_EQ(int64_t{500000} * decoder->WaveInfo().Size / (44100 * 2), decoder->WaveInfo().Duration);
      bytes += decoder->WaveInfo().Size;
    }
    EXPECT_NEAR(c.seconds, bytes / 176400.0, 0.1);
  }
  // A new rate takes effect with the next buffer.
  Load("tone.mp3");
  ASSERT_TRUE(decoder->DecodeAudio());
  decoder->SetDesireAudioSampleRate(22050);
  ASSERT_TRUE(decoder->DecodeAudio());
  EXPECT_EQ(22050, decoder->WaveInfo().SampleRate);
  EXPECT_EQ(88200, decoder->WaveInfo().BytesPerSecond);
  EXPECT_NEAR(1152 / 2 * 4, decoder->WaveInfo().Size, 4 * 64);
}

}  // namespace

namespace {

TEST_F(FFDecodeTest, SourceFormatChangeMakesANewConverter) {
  std::vector<std::string> lines;
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  const bool inMain = logger->TriggerEventInMainThread;
  logger->TriggerEventInMainThread = false;
  logger->OnLog = [&](TObject* sender, unsigned long, TLogLevel level, const std::string& message) {
    if (sender == decoder.get() && level == llInfo) lines.push_back(message);
  };
  Load("rate_change.mp3");
  int64_t bytes = 0;
  while (decoder->DecodeAudio()) {
    EXPECT_EQ(44100, decoder->WaveInfo().SampleRate);
    bytes += decoder->WaveInfo().Size;
  }
  while (LogLinesPending()) PumpMessages();
  logger->OnLog = before;
  logger->TriggerEventInMainThread = inMain;
  // Both halves come out at the output rate: two seconds in all.
  EXPECT_NEAR(2.0, bytes / 176400.0, 0.15);
  // Each change is logged once and followed by a converter for the new
  // source format.
  int changes = 0, converters = 0, toHalfRate = 0;
  for (const std::string& line : lines) {
    if (line.find("Audio stream #0 frame changed from rate:") == 0) ++changes;
    if (line == "Audio stream #0 frame changed from rate:44100 fmt:fltp ch:2 to rate:22050 fmt:fltp ch:2")
      ++toHalfRate;
    if (line.find("need resample") == 0) ++converters;
  }
  EXPECT_EQ(1, toHalfRate) << ::testing::PrintToString(lines);
  EXPECT_EQ(changes + 1, converters) << ::testing::PrintToString(lines);
}

}  // namespace
