// The transcoder before it runs: option text, the option table's handlers,
// opening inputs and outputs and the records they leave.
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "EngineTestSupport.h"
#include "Fixtures.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/FFmpeg.h"

namespace {

bool UnixFileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

int64_t UnixFileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// The transcoder's own MKV, made by the shared fixture generator: 5 s,
// stream 0 video 320x240 25 fps, 1 stereo 44.1 kHz, 2 six channels 48 kHz
// (language "eng"), 3 subtitles; title tag.
class TFixtures {
public:
  static TFixtures& Get() {
    static TFixtures f;
    return f;
  }
  std::string MultiMkvUnix() const { return fixtures::UnixPath("transcode.mkv"); }
  std::string MultiMkv() const { return fixtures::WindowsPath("transcode.mkv"); }
  std::string LateStartMkv() const { return fixtures::WindowsPath("starts_at_3s.mkv"); }
  bool FMade = false;

private:
  TFixtures() {
    static const std::vector<fixtures::TFixture> set = {
        {"transcode.mkv",
         "printf '1\\n00:00:00,500 --> 00:00:02,000\\nHello\\n\\n2\\n00:00:02,500 --> 00:00:04,000\\nWorld\\n'"
         " > {dir}/transcode.srt && ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=320x240:r=25:d=5"
         " -f lavfi -i sine=f=440:r=44100:d=5 -f lavfi -i sine=f=660:r=48000:d=5 -i {dir}/transcode.srt"
         " -map 0:v -map 1:a -map 2:a -map 3:s -c:v mpeg4 -q:v 5 -c:a:0 aac -ac:a:0 2 -c:a:1 ac3 -ac:a:1 6"
         " -c:s srt -metadata title=Fixture -metadata:s:a:1 language=eng {out}"},
        // Pictures at 25 fps with every third one left out: 16.8 a second
        // on average.
        {"gaps.mp4",
         "ffmpeg -nostdin -v error -y -f lavfi -i \"testsrc=s=160x120:r=25,select='not(eq(mod(n\\,3)\\,1))'\""
         " -t 2 -fps_mode vfr -c:v mpeg4 {out}"},
        // 6 s of pictures whose times start at 3 s.
        {"starts_at_3s.mkv",
         "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=160x120:r=25:d=6 -c:v mpeg4 -output_ts_offset 3 {out}"}};
    FMade = fixtures::Ensure(set);
  }
};

class FFmpegTest : public TEngineTest {
protected:
  void SetUp() override {
    TEngineTest::SetUp();
    ASSERT_TRUE(TFixtures::Get().FMade) << "the ffmpeg tool could not make the fixtures";
    task = std::make_unique<TCustomFFmpeg>();
  }
  void TearDown() override {
    task.reset();
    TEngineTest::TearDown();
  }

  // Options and input, as the encoder's AddTask does it.
  void OpenMulti(const std::string& inputOptions = "") {
    task->ParseOptions(inputOptions);
    ASSERT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), 0) << task->LastErrMsg();
  }

  // Options and output, as SetOutput does it; the failure text, empty on success.
  std::string SetOutput(const std::string& options, const std::string& unixName, int* result = nullptr) {
    try {
      task->ParseOptions(options);
      const int r = task->OpenOutputFile(FromNativePath(unixName), false);
      if (result) *result = r;
      return r < 0 ? task->LastErrMsg() : std::string();
    } catch (const Exception& e) {
      if (result) *result = -1;
      return e.what();
    }
  }

  std::string OutName(const std::string& name) { return scratch.Unix() + "/" + name; }

  static std::string Dict(AVDictionary* d, const char* key) {
    const AVDictionaryEntry* e = ff::av_dict_get(d, key, nullptr, 0);
    return e ? e->value : "(none)";
  }

  TScratchFolder scratch;
  std::unique_ptr<TCustomFFmpeg> task;
};

// The option texts the application builds for a trimmed item.
TEST_F(FFmpegTest, ApplicationOptionTextsOpenInputAndOutputWithExactlyThoseSettings) {
  OpenMulti(" -ss_microsecond 1000000");
  const TInputFile& in = task->InputFile(0);
  ASSERT_EQ(in.nb_streams, 4);
  const int64_t fileStart = in.ctx->start_time == AV_NOPTS_VALUE ? 0 : in.ctx->start_time;
  EXPECT_EQ(in.ts_offset, -(1000000 + fileStart));
  // The input's context is consumed: the start time does not carry over.
  EXPECT_EQ(task->OptionsContext().start_time, 0);

  const std::string out = OutName("out.avi");
  ASSERT_EQ(SetOutput(" -map 0:0 -map 0:2 -c:a libmp3lame -ac 2 -ar 44100 -b:a 128k -c:v mpeg4 -r 25 "
                      "-b:v 1000000 -vf \"scale=640:480\" -t_microsecond 3000000",
                      out),
            "");
  ASSERT_EQ(task->OutputFileCount(), 1);
  const TOutputFile& of = task->OutputFile(0);
  EXPECT_EQ(of.recording_time, 3000000);
  EXPECT_EQ(of.start_time, 0);
  EXPECT_EQ(task->OutputDuration(), 3000000);
  EXPECT_STREQ(of.ctx->oformat->name, "avi");
  // The file is made when the task runs, not before.
  EXPECT_FALSE(UnixFileExists(out));

  ASSERT_EQ(task->OutputStreamCount(), 2);
  const TOutputStream& v = task->OutputStream(0);
  EXPECT_EQ(v.st->codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(v.enc, nullptr);
  EXPECT_STREQ(v.enc->name, "mpeg4");
  EXPECT_EQ(v.stream_copy, 0);
  EXPECT_EQ(v.source_index, 0);
  EXPECT_EQ(v.sync_ist, &task->InputStream(0));
  EXPECT_EQ(v.frame_rate.num, 25);
  EXPECT_EQ(v.frame_rate.den, 1);
  ASSERT_NE(v.avfilter, nullptr);
  EXPECT_STREQ(v.avfilter, "scale=640:480");
  EXPECT_EQ(Dict(v.opts, "b"), "1000000");

  const TOutputStream& a = task->OutputStream(1);
  EXPECT_EQ(a.st->codecpar->codec_type, AVMEDIA_TYPE_AUDIO);
  ASSERT_NE(a.enc, nullptr);
  EXPECT_STREQ(a.enc->name, "libmp3lame");
  EXPECT_EQ(a.source_index, 2);
  EXPECT_EQ(a.enc_ctx->ch_layout.nb_channels, 2);
  EXPECT_EQ(a.enc_ctx->sample_rate, 44100);
  EXPECT_EQ(Dict(a.opts, "b"), "128k");
  EXPECT_EQ(a.file_index, 0);
  EXPECT_EQ(a.index, 1);

  // Only the mapped input streams are read.
  EXPECT_EQ(task->InputStream(0).discard, 0);
  EXPECT_EQ(task->InputStream(1).discard, 1);
  EXPECT_EQ(task->InputStream(2).discard, 0);
  EXPECT_EQ(task->InputStream(3).discard, 1);

  // Nothing was written: the empty output goes with the task.
  task.reset();
  EXPECT_FALSE(UnixFileExists(out));
}

TEST_F(FFmpegTest, OutputWithoutMapsTakesLargestPictureAndMostChannels) {
  OpenMulti();
  ASSERT_EQ(SetOutput("", OutName("auto.mkv")), "");
  ASSERT_EQ(task->OutputStreamCount(), 3);
  EXPECT_EQ(task->OutputStream(0).source_index, 0);
  EXPECT_EQ(task->OutputStream(1).source_index, 2);  // six channels beat two
  EXPECT_EQ(task->OutputStream(2).source_index, 3);  // the container has a subtitle codec
  // Input metadata is carried over.
  EXPECT_EQ(Dict(task->OutputFile(0).ctx->metadata, "title"), "Fixture");
  EXPECT_EQ(Dict(task->OutputStream(1).st->metadata, "language"), "eng");
}

TEST_F(FFmpegTest, MapsDisableKindsAndRepeatStreams) {
  OpenMulti();
  ASSERT_EQ(SetOutput("-map 0:0 -map 0:0 -map 0:a -vn -map -0:1", OutName("maps.mkv")), "");
  // Both video maps are skipped by -vn; of the audio maps only stream 2 is left.
  ASSERT_EQ(task->OutputStreamCount(), 1);
  EXPECT_EQ(task->OutputStream(0).source_index, 2);
}

TEST_F(FFmpegTest, SyncStreamOfAMapFollowsItsComma) {
  OpenMulti();
  ASSERT_EQ(SetOutput("-map 0:v,0:a -map 0:2", OutName("sync.mkv")), "");
  ASSERT_EQ(task->OutputStreamCount(), 2);
  EXPECT_EQ(task->OutputStream(0).sync_ist, &task->InputStream(1));
  EXPECT_EQ(task->OutputStream(1).sync_ist, &task->InputStream(2));
}

struct TErrorCase {
  const char* options;
  const char* expected;
};

// Every failure leaves the task as it was: no output record, no stream
// record and no file.
TEST_F(FFmpegTest, OutputOptionErrorsGiveTheirExactTexts) {
  const std::string fail = "Failed to set value ";
  const TErrorCase cases[] = {
      {"-map 3", "Invalid input file index: 3."},
      {"-map 0:7", "Stream map \"0:7\" matches no streams."},
      {"-map -0:1", "Stream map \"0:1\" matches no streams."},
      {"-map 0:0,2", "Invalid sync file index: 2."},
      {"-map 0:0,0:s:4", "Sync stream specification in map 0:0,0:s:4 does not match any streams."},
      {"-i x", "options \"i\" not supported\r\nFailed to set value \"x\" for option \"i\""},
      {"-pre fast", "options \"pre\" not supported\r\nFailed to set value \"fast\" for option \"pre\""},
      {"-foo 1", "Unrecognized option \"foo\"\r\nFailed to set value \"1\" for option \"foo\""},
      {"-nofoo", "Unrecognized option \"nofoo\""},
      {"-pass 4",
       "The value for \"pass\" was \"4\" which is not within 1 - 3\r\nFailed to set value \"4\" for option \"pass\""},
      {"-croptop 10",
       "Option \"croptop\" has been removed, use the crop filter instead\r\nFailed to set value \"10\" for option "
       "\"croptop\""},
      {"-padcolor red",
       "Option \"padcolor\" has been removed, use the pad filter instead\r\nFailed to set value \"red\" for option "
       "\"padcolor\""},
      {"-ar 44.1", "Expected integer for ar but found 44.1"},
      {"-t 1:x", "Invalid duration specification for t: 1:x"},
      {"-c:v", "Missing argument for option \"c:v\""},
      {"stray", "Failed to parse options on stray"},
      {"-loglevel loud",
       "Invalid loglevel \"loud\". Possible levels are numbers or:\r\n\"quiet\"\r\n\"panic\"\r\n\"fatal\"\r\n"
       "\"error\"\r\n\"warning\"\r\n\"info\"\r\n\"verbose\"\r\n\"debug\"\r\n\r\nFailed to set value \"loud\" for "
       "option \"loglevel\""},
      {"-map_channel 0.1", "Syntax error, mapchan usage: [file.stream.channel|-1][:syncfile:syncstream]"},
      {"-map_channel 0.0.0", "mapchan: stream #0.0 is not an audio stream."},
      {"-map_channel 0.1.5", "mapchan: invalid audio channel #0.1.5"},
      {"-map_channel 1.1.0", "mapchan: invalid input file index: 1"},
      {"-map_metadata 0:x", "Invalid metadata type x.\r\nFailed to set value \"0:x\" for option \"map_metadata\""},
      {"-streamid 7",
       "Invalid value \"7\" for option \"streamid\", required syntax is \"index:value\"\r\nFailed to set value "
       "\"7\" for option \"streamid\""},
      {"-streamid 1024:5",
       "The value for \"streamid\" was \"1024\" which is not within 0 - 1023\r\nFailed to set value \"1024:5\" "
       "for option \"streamid\""},
      {"-streamid 1:-5",
       "The value for \"streamid\" was \"-5\" which is not within 0 - 2147483647\r\nFailed to set value \"1:-5\" "
       "for option \"streamid\""},
      {"-target foo", "Unknown target: foo\r\nFailed to set value \"foo\" for option \"target\""},
      {"-c:v nosuchencoder", "Unknown encoder 'nosuchencoder'"},
      {"-c:v Copy", "Unknown encoder 'Copy'"},
      {"-c:a mpeg4", "Invalid encoder type 'mpeg4'"},
      {"-aspect 4:0", "Incorrect aspect ratio specification."},
      {"-aspect 0", "Incorrect aspect ratio specification."},
      {"-s 10", "Invalid frame size: 10."},
      {"-r abc", "Invalid framerate value: abc"},
      {"-pix_fmt nope", "Unknown pixel format requested: nope."},
      {"-sample_fmt nope", "Invalid sample format \"nope\""},
      {"-rc_override 1,2", "error parsing rc_override"},
      {"-bsf:v dump_extra,nosuchbsf", "Unknown bitstream filter \"nosuchbsf\""},
      {"-intra_matrix 1,2,3", "Syntax error in matrix \"1,2,3\" at coeff 2"},
      {"-metadata title", "No \"=\" character in metadata string title."},
      {"-metadata:s:5 language=eng", "Invalid stream index 5 in metadata specifier."},
      {"-metadata:p:0 a=b", "Invalid metadata specifier p:0."},
      {"-map_metadata:c:3 0", "Invalid chapter index 3 while processing metadata maps"},
      {"-map_metadata 4", "Invalid input file index 4 while processing metadata maps"},
      {"-map_chapters 7", "Invalid input file index 7 in chapter mapping."},
  };
  int n = 0;
  for (const TErrorCase& c : cases) {
    SCOPED_TRACE(c.options);
    task = std::make_unique<TCustomFFmpeg>();
    OpenMulti();
    const std::string out = OutName("failed" + std::to_string(n++) + ".avi");
    EXPECT_EQ(SetOutput(c.options, out), c.expected);
    EXPECT_EQ(task->OutputFileCount(), 0);
    EXPECT_EQ(task->OutputStreamCount(), 0);
    EXPECT_FALSE(UnixFileExists(out));
  }
  (void)fail;
}

TEST_F(FFmpegTest, UnknownFormatsFailWithTheirTexts) {
  // Input: a plain failure, no exception.
  task->ParseOptions("-f nosuchformat -an");
  EXPECT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), AVERROR(EINVAL));
  EXPECT_EQ(task->LastErrMsg(), "Unknown input format: \"nosuchformat\"");
  EXPECT_EQ(task->InputFileCount(), 0);

  const std::string missing = FromNativePath(scratch.Unix() + "/missing.mkv");
  EXPECT_LT(task->OpenInputFile(nullptr, missing), 0);
  EXPECT_EQ(task->LastErrMsg(), missing + ": No such file or directory");

  // The failed input's options are gone: audio is not disabled.
  OpenMulti();
  EXPECT_NE(task->InputStream(1).st->discard, AVDISCARD_ALL);
  const std::string out = OutName("x.avi");
  EXPECT_EQ(SetOutput("-f nosuchformat", out), FromNativePath(out) + ": Invalid argument / Invalid data found when processing input");
  EXPECT_EQ(SetOutput("", OutName("noextension")),
            FromNativePath(OutName("noextension")) + ": Invalid argument / Invalid data found when processing input");
  EXPECT_EQ(task->OutputFileCount(), 0);
  EXPECT_FALSE(UnixFileExists(out));

  // A folder that does not exist.
  const std::string deep = OutName("no/such/folder/x.avi");
  EXPECT_EQ(SetOutput("", deep), FromNativePath(deep) + ": No such file or directory");
  EXPECT_EQ(task->OutputFileCount(), 0);
  EXPECT_EQ(task->OutputStreamCount(), 0);
}

TEST_F(FFmpegTest, OutputNamedLikeItsInputIsRefusedAndTheSourceKept) {
  OpenMulti();
  const std::string source = TFixtures::Get().MultiMkvUnix();
  const int64_t size = UnixFileSize(source);
  // The same file, also when spelt another way.
  const std::string dir = fixtures::Folder();
  for (const std::string& name : {source, dir + "/../" + dir.substr(dir.rfind('/') + 1) + "/transcode.mkv"}) {
    SCOPED_TRACE(name);
    int r = 0;
    const std::string text = SetOutput("-c copy", name, &r);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(text, "Output file \"" + FromNativePath(name) +
                        "\" is the same file as input #0; choose another output name.");
    EXPECT_EQ(task->OutputFileCount(), 0);
    EXPECT_EQ(UnixFileSize(source), size);
  }
  // The options given for the refused output do not stay for the next one.
  ASSERT_EQ(SetOutput("", OutName("next.mkv")), "");
  EXPECT_EQ(task->OutputStream(0).stream_copy, 0);
}

// File names never pass through the option parser, and the libraries take
// them as names only.
TEST_F(FFmpegTest, FileNamesCannotInjectOptions) {
  const char* names[] = {"-map 0:1 -y.mkv", "-vf scale=2 [x] %d #1.mkv", "clip 'one' & two.mkv",
                         "ünï тест ✓ -an.mkv", "concat_file,x -c copy.mkv"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const std::string in = scratch.Unix() + "/" + name;
    ASSERT_EQ(std::system(("cp '" + TFixtures::Get().MultiMkvUnix() + "' \"" + in + "\"").c_str()), 0);
    task = std::make_unique<TCustomFFmpeg>();
    ASSERT_EQ(task->OpenInputFile(nullptr, FromNativePath(in)), 0) << task->LastErrMsg();
    EXPECT_EQ(task->InputFile(0).nb_streams, 4);
    const std::string out = scratch.Unix() + "/out " + name;
    ASSERT_EQ(SetOutput("", out), "");
    EXPECT_EQ(task->OutputStreamCount(), 3);  // the automatic choice: nothing was mapped or disabled
    EXPECT_EQ(task->Ffile_overwrite, 0);
  }
  // A quoted argument that looks like options stays one argument.
  task = std::make_unique<TCustomFFmpeg>();
  OpenMulti();
  task->ParseOptions(" -metadata \"title=-map 0:1 -y\" -metadata \"comment=a \\\"b\\\" -an\"");
  const TOptionsContext& o = task->OptionsContext();
  ASSERT_EQ(o.nb_metadata, 2);
  EXPECT_STREQ(o.metadata[0].u.str, "title=-map 0:1 -y");
  EXPECT_STREQ(o.metadata[1].u.str, "comment=a \"b\" -an");
  EXPECT_EQ(o.nb_stream_maps, 0);
  EXPECT_EQ(o.audio_disable, 0);
  EXPECT_EQ(task->Ffile_overwrite, 0);
  ASSERT_EQ(SetOutput("", OutName("meta.mkv")), "");
  EXPECT_EQ(Dict(task->OutputFile(0).ctx->metadata, "title"), "-map 0:1 -y");
}

TEST_F(FFmpegTest, HandlersStoreWhatTheirWordsStandFor) {
  OpenMulti();
  task->ParseOptions(
      "-vtag xvid -b 1000k -h -version -AudioHook -VideoInputHook -VideoOutputHook -FrameInputHook "
      "-FrameOutputHook -Join -vstrict unofficial -preset fast -vol 512 -aspect -1 -c:a mp2 -c:a ac3 "
      "-ss 1.5 -an -y -nostats");
  const TOptionsContext& o = task->OptionsContext();
  ASSERT_EQ(o.nb_codec_tags, 1);
  EXPECT_STREQ(o.codec_tags[0].specifier, "v");
  EXPECT_STREQ(o.codec_tags[0].u.str, "xvid");
  TFFOptions& f = task->Options();
  EXPECT_EQ(Dict(f.codec_opts, "b:v"), "1000k");
  EXPECT_EQ(Dict(f.codec_opts, "vstrict"), "unofficial");
  EXPECT_EQ(Dict(f.codec_opts, "preset"), "fast");
  EXPECT_EQ(task->Faudio_volume, 512);
  ASSERT_EQ(o.nb_frame_aspect_ratios, 1);
  EXPECT_STREQ(o.frame_aspect_ratios[0].u.str, "-1");
  ASSERT_EQ(o.nb_codec_names, 2);  // both kept; the later one wins a lookup
  EXPECT_STREQ(o.codec_names[1].u.str, "ac3");
  EXPECT_EQ(o.start_time, 1500000);
  EXPECT_EQ(o.audio_disable, 1);
  EXPECT_EQ(task->Ffile_overwrite, 1);
  EXPECT_EQ(task->Fprint_stats, 0);
  EXPECT_EQ(o.nb_stream_maps, 0);

  ASSERT_EQ(SetOutput("-tag:v DIVX", OutName("h.avi")), "");
  const TOutputStream& v = task->OutputStream(0);
  EXPECT_EQ(v.frame_aspect_ratio, -1.0f);
  EXPECT_EQ(v.st->codecpar->codec_tag, MKTAG('D', 'I', 'V', 'X'));
  // The video encoder sees "vstrict" as its own "strict", "-b" as "b".
  EXPECT_EQ(Dict(v.opts, "strict"), "unofficial");
  EXPECT_EQ(Dict(v.opts, "b"), "1000k");
  // -an: no audio stream in the output.
  EXPECT_EQ(task->OutputStreamCount(), 1);
}

TEST_F(FFmpegTest, OptionTableHasItsRowsInOrder) {
  const TOptionDef* t = task->OptionTable();
  int n = 0;
  while (t[n].name) ++n;
  ASSERT_EQ(n, 140);
  struct {
    int row;
    const char* name;
    uint32_t flags;
  } rows[] = {{0, "L", 0x800},          {13, "loglevel", 0x1},  {17, "f", 0x4009},     {24, "map", 0x2005},
              {30, "t_microsecond", 0x4401}, {33, "ss_microsecond", 0x4401}, {59, "q", 0x28005},
              {93, "vf", 0x2011},       {106, "ar", 0x80A1},    {111, "vol", 0xA1},    {132, "VideoHookBitsPixel", 0x15},
              {138, "Join", 0x800},     {139, "default", 0x35}};
  for (const auto& r : rows) {
    EXPECT_STREQ(t[r.row].name, r.name);
    EXPECT_EQ(t[r.row].flags, r.flags) << r.name;
  }
  // The same table is used for the life of the task.
  EXPECT_EQ(task->OptionTable(), t);
}

TEST_F(FFmpegTest, OutputStreamValuesAreParsed) {
  OpenMulti();
  ASSERT_EQ(SetOutput("-map 0:0 -c:v mpeg4 -aspect 16:9 -rc_override 0,100,2/200,300,-50 -streamid 0:300 "
                      "-force_key_frames 1,2.5 -frames:v 10 -q:v 3",
                      OutName("values.avi")),
            "");
  const TOutputStream& v = task->OutputStream(0);
  EXPECT_FLOAT_EQ(v.frame_aspect_ratio, 16.0f / 9.0f);
  ASSERT_EQ(v.enc_ctx->rc_override_count, 2);
  EXPECT_EQ(v.enc_ctx->rc_override[0].start_frame, 0);
  EXPECT_EQ(v.enc_ctx->rc_override[0].end_frame, 100);
  EXPECT_EQ(v.enc_ctx->rc_override[0].qscale, 2);
  EXPECT_FLOAT_EQ(v.enc_ctx->rc_override[0].quality_factor, 1.0f);
  EXPECT_EQ(v.enc_ctx->rc_override[1].qscale, 0);
  EXPECT_FLOAT_EQ(v.enc_ctx->rc_override[1].quality_factor, 0.5f);
  EXPECT_EQ(v.st->id, 300);
  ASSERT_EQ(v.forced_kf_count, 2);
  EXPECT_EQ(v.forced_kf_pts[0], 1000000);
  EXPECT_EQ(v.forced_kf_pts[1], 2500000);
  EXPECT_EQ(v.max_frames, 10);
  EXPECT_TRUE(v.enc_ctx->flags & AV_CODEC_FLAG_QSCALE);
  EXPECT_EQ(v.enc_ctx->global_quality, 3 * FF_QP2LAMBDA);
}

TEST_F(FFmpegTest, ChannelMapsGoToTheOutputOfTheirSource) {
  OpenMulti();
  ASSERT_EQ(SetOutput("-map 0:1 -map 0:2 -map_channel 0.1.0 -map_channel -1 -c:a mp2", OutName("ch.mkv")), "");
  const TOutputStream& a1 = task->OutputStream(0);
  const TOutputStream& a2 = task->OutputStream(1);
  ASSERT_EQ(a1.audio_channels_mapped, 2);
  EXPECT_EQ(a1.audio_channels_map[0], 0);
  EXPECT_EQ(a1.audio_channels_map[1], -1);
  ASSERT_EQ(a2.audio_channels_mapped, 1);  // only the muted channel
  EXPECT_EQ(a2.audio_channels_map[0], -1);
}

// A picture stream whose average rate (what its decoder is given) differs
// from the container's rate gets an information line when it is added.
TEST_F(FFmpegTest, AddingAStreamWhoseRatesDifferLogsThem) {
  struct TCase {
    const char* file;
    std::vector<std::string> lines;
  } cases[] = {
      {"transcode.mkv", {}},
      {"gaps.mp4",
       {"Seems stream 0 codec frame rate differs from container frame rate: 16.84 (825/49) . 25.00 (25/1)"}},
  };
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  const bool inMain = logger->TriggerEventInMainThread;
  logger->TriggerEventInMainThread = false;
  std::vector<std::string> lines;
  logger->OnLog = [&](TObject* sender, unsigned long, TLogLevel level, const std::string& message) {
    if (sender == task.get() && level == llInfo && message.find("frame rate") != std::string::npos)
      lines.push_back(message);
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file);
    lines.clear();
    task = std::make_unique<TCustomFFmpeg>();
    EXPECT_EQ(task->OpenInputFile(nullptr, fixtures::WindowsPath(c.file)), 0) << task->LastErrMsg();
    while (LogLinesPending()) PumpMessages();
    EXPECT_EQ(c.lines, lines);
  }
  logger->OnLog = before;
  logger->TriggerEventInMainThread = inMain;
}

TEST_F(FFmpegTest, InputStartOffsetsAndDemuxerOptions) {
  // The start is counted from the file's own start time (3 s here): the
  // input is read from there and its times are moved back by as much.
  struct TCase {
    const char* options;
    int64_t offset;      // of the input's times, microseconds
  } cases[] = {{"-ss 1", -4000000},
               {"-ss_microsecond 2000000", -5000000},
               {"-itsoffset 2 -ss 1", 2000000 - 4000000},
               {"-copyts -ss 1", 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.options);
    task = std::make_unique<TCustomFFmpeg>();
    task->ParseOptions(c.options);
    ASSERT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().LateStartMkv()), 0) << task->LastErrMsg();
    const TInputFile& in = task->InputFile(0);
    ASSERT_EQ(in.ctx->start_time, 3000000);
    EXPECT_EQ(in.ts_offset, c.offset);
    // The input was sought past its first picture (key frames every 12).
    AVPacket* pkt = ff::av_packet_alloc();
    ASSERT_GE(ff::av_read_frame(in.ctx, pkt), 0);
    const AVStream* st = in.ctx->streams[pkt->stream_index];
    EXPECT_GT(ff::av_rescale_q(pkt->pts, st->time_base, AVRational{1, 1000000}), 3000000);
    ff::av_packet_free(&pkt);
  }

  // A seek beyond the end only warns.
  task = std::make_unique<TCustomFFmpeg>();
  OpenMulti("-ss 100");

  // The last entry of each list goes to the demuxer.
  task = std::make_unique<TCustomFFmpeg>();
  const std::string raw = scratch.Unix() + "/raw.pcm";
  std::ofstream(raw, std::ios::binary) << std::string(32000, '\0');
  task->ParseOptions("-f s16le -ar 8000 -ac 1 -ar 16000");
  ASSERT_EQ(task->OpenInputFile(nullptr, FromNativePath(raw)), 0) << task->LastErrMsg();
  const AVCodecParameters* p = task->InputStream(0).st->codecpar;
  EXPECT_EQ(p->sample_rate, 16000);
  EXPECT_EQ(p->ch_layout.nb_channels, 1);

  // The duration limit given among input options carries over to the output.
  task = std::make_unique<TCustomFFmpeg>();
  OpenMulti("-t_microsecond 2000000");
  ASSERT_EQ(SetOutput("", OutName("t.mkv")), "");
  EXPECT_EQ(task->OutputFile(0).recording_time, 2000000);
}

TEST_F(FFmpegTest, ForcedDecoderCarriesToTheNextInput) {
  task->ParseOptions("-vcodec nosuchdecoder");
  try {
    task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv());
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unknown decoder 'nosuchdecoder'");
  }
  task = std::make_unique<TCustomFFmpeg>();
  OpenMulti("-vcodec mpeg4");
  ASSERT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), 1);
  EXPECT_EQ(task->InputFile(1).ctx->video_codec_id, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(task->InputFile(1).ist_index, 4);
  EXPECT_EQ(task->InputStream(5).file_index, 1);
}

// A second input whose stream options are refused leaves the task as it
// was: no stream rows of the input that was closed again.
TEST_F(FFmpegTest, ARefusedInputLeavesNoStreamRows) {
  for (const char* options : {"-itsscale:zz 2", "-tag:zz xvid"}) {
    SCOPED_TRACE(options);
    task = std::make_unique<TCustomFFmpeg>();
    OpenMulti();
    const int rows = task->InputStreamCount();
    task->ParseOptions(options);
    EXPECT_THROW(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), Exception);
    EXPECT_EQ(task->InputFileCount(), 1);
    ASSERT_EQ(task->InputStreamCount(), rows);
    for (int i = 0; i < rows; ++i) EXPECT_EQ(task->InputStream(i).file_index, 0) << i;
    // The next input takes the rows after the first one's.
    task->ParseOptions("");
    ASSERT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), 1) << task->LastErrMsg();
    EXPECT_EQ(task->InputFile(1).ist_index, rows);
    EXPECT_EQ(task->InputStream(rows).st, task->InputFile(1).ctx->streams[0]);
  }
}

TEST_F(FFmpegTest, PresetTextsApplyLibraryOptionsAndCodecs) {
  task->ParsePresets("b:v=1000k<CRLF>g=250\r\n# a comment\n\n  vcodec=mpeg4  ");
  TFFOptions& f = task->Options();
  EXPECT_EQ(Dict(f.codec_opts, "b:v"), "1000k");
  EXPECT_EQ(Dict(f.codec_opts, "g"), "250");
  ASSERT_NE(task->Fvideo_codec_name, nullptr);
  EXPECT_STREQ(task->Fvideo_codec_name, "mpeg4");
  EXPECT_EQ(task->OptionsContext().nb_codec_names, 1);

  struct {
    const char* presets;
    const char* expected;
  } failing[] = {
      {"s=640x480",
       "Unrecognized option \"s\"\r\nInvalid option or argument: \"s=640x480\", parsed as \"s\" = \"640x480\""},
      {"novalue=", "Invalid syntax: \"novalue=\""},
      {"=x", "Invalid syntax: \"=x\""},
  };
  for (const auto& c : failing) {
    SCOPED_TRACE(c.presets);
    try {
      task->ParsePresets(c.presets);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), c.expected);
    }
  }
}

TEST_F(FFmpegTest, PresetFiles) {
  const std::string file = scratch.Unix() + "/x.ffpreset";
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF# preset\r\ng=12\r\nacodec=mp2\r\n";
  task->ParseOptions("-fpre \"" + FromNativePath(file) + "\"");
  EXPECT_EQ(Dict(task->Options().codec_opts, "g"), "12");
  EXPECT_STREQ(task->Faudio_codec_name, "mp2");
  try {
    task->ParseOptions("-vpre " + FromNativePath(scratch.Unix() + "/none.ffpreset"));
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Preset file \"" + FromNativePath(scratch.Unix() + "/none.ffpreset") +
                                         "\" not found\r\nFailed to set value \"" +
                                         FromNativePath(scratch.Unix() + "/none.ffpreset") +
                                         "\" for option \"vpre\"");
  }
}

TEST_F(FFmpegTest, LogLevelTakesEffectBeforeTheOtherOptions) {
  const int before = ff::av_log_get_level();
  task->ParseOptions("-y -loglevel debug");
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_DEBUG);
  task->ParseOptions("-v 99");
  EXPECT_EQ(ff::av_log_get_level(), 99);
  ff::av_log_set_level(before);
}

TEST_F(FFmpegTest, TargetExpandsIntoOrdinaryOptions) {
  OpenMulti();
  task->ParseOptions("-target pal-dvd");
  const TOptionsContext& o = task->OptionsContext();
  ASSERT_NE(o.format, nullptr);
  EXPECT_STREQ(o.format, "dvd");
  EXPECT_STREQ(o.frame_sizes[0].u.str, "720x576");
  EXPECT_STREQ(o.frame_rates[0].u.str, "25");
  EXPECT_EQ(Dict(task->Options().codec_opts, "b:v"), "6000000");
  EXPECT_STREQ(task->Fvideo_codec_name, "mpeg2video");

  // Without a prefix the input's 25 frames per second decide PAL.
  task = std::make_unique<TCustomFFmpeg>();
  OpenMulti();
  task->ParseOptions("-target dv50");
  EXPECT_STREQ(task->OptionsContext().frame_sizes[0].u.str, "720x576");
  EXPECT_STREQ(task->OptionsContext().frame_pix_fmts[0].u.str, "yuv422p");
}

TEST_F(FFmpegTest, StartWithoutFilesEndsAtOnce) {
  int ends = 0;
  task->FOnTerminate = [&](TObject*) { ++ends; };
  EXPECT_EQ(task->StartConvert(true), nullptr);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(task->FatalException());
  EXPECT_EQ(task->FatalMessage(), "At least one output file must be specified");
  EXPECT_TRUE(task->Terminated());
  // Used once: a second start does nothing.
  EXPECT_EQ(task->StartConvert(true), nullptr);
  EXPECT_EQ(ends, 1);
}

TEST_F(FFmpegTest, StopTaskOfATaskThatNeverStartedEndsItOnce) {
  OpenMulti();
  int ends = 0;
  task->FOnTerminate = [&](TObject*) { ++ends; };
  task->StopTask(true);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(task->Terminated());
  task->StopTask(true);
  EXPECT_EQ(ends, 1);
}

TEST_F(FFmpegTest, IOTimeOutsAbortOnlyWhenDue) {
  const int64_t now = ff::av_gettime_relative();
  struct TCase {
    int64_t last;
    int timeout;
    int expected;
  } cases[] = {
      {INT64_MAX, 1000, 0},       // nothing under way
      {now - 2000000, 1000, 1},   // two seconds into a one-second limit
      {now - 2000000, 0, 0},      // no limit
      {now - 2000000, -5, 0},     // no limit
      {now, 60000, 0},            // just started
      {0, 1000, 1},               // "canceled"
  };
  for (const TCase& c : cases) {
    task->FLastRead = task->FLastWrite = c.last;
    task->FReadTimeout = task->FWriteTimeout = c.timeout;
    EXPECT_EQ(TCustomFFmpeg::ReadInterruptCallback(task.get()), c.expected) << c.last << " " << c.timeout;
    EXPECT_EQ(TCustomFFmpeg::WriteInterruptCallback(task.get()), c.expected) << c.last << " " << c.timeout;
  }
  // A stopped task aborts whatever is pending.
  task->FLastRead = INT64_MAX;
  task->Stop(false);
  EXPECT_EQ(TCustomFFmpeg::ReadInterruptCallback(task.get()), 1);
}

TEST_F(FFmpegTest, WorkerRunsTheTaskAndEndsItOnce) {
  OpenMulti();
  const std::string out = OutName("worker.avi");
  ASSERT_EQ(SetOutput("-map 0:0 -c:v mpeg4", out), "");
  std::atomic<int> ends{0};
  std::atomic<bool> onMain{true};
  task->FOnTerminate = [&](TObject*) {
    onMain = IsMainThread();
    ++ends;
  };
  TConvertThread* thread = task->StartConvert(true);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(task->Converting());
  thread->Start();
  task->Stop(true);  // waits for the worker to finish
  EXPECT_TRUE(PumpUntil([&] { return ends == 1; }));
  EXPECT_FALSE(onMain);
  EXPECT_FALSE(task->Converting());
  EXPECT_TRUE(task->Terminated());
  EXPECT_FALSE(task->Finished());
  // The run cleaned up: no records, and the output that got no byte is gone.
  EXPECT_EQ(task->OutputFileCount(), 0);
  EXPECT_EQ(task->InputFileCount(), 0);
  EXPECT_FALSE(UnixFileExists(out));
  EXPECT_EQ(task->StartConvert(true), nullptr);
}

TEST_F(FFmpegTest, OutputsThatWriteNoFileAreNotTouched) {
  OpenMulti();
  ASSERT_EQ(SetOutput("-f null -map 0:0", OutName("nothing")), "");
  EXPECT_TRUE(task->OutputFile(0).ctx->oformat->flags & AVFMT_NOFILE);
  EXPECT_FALSE(UnixFileExists(OutName("nothing")));
}

TEST_F(FFmpegTest, MetadataEntriesMapsAndAttachments) {
  OpenMulti();
  const std::string font = scratch.Unix() + "/font.ttf";
  std::ofstream(font, std::ios::binary) << std::string(100, 'F');
  ASSERT_EQ(SetOutput("-map 0:0 -map 0:2 -metadata title=Demo -metadata:s:1 language= -metadata:s:0 "
                      "handler=Pictures -map_metadata:s:0 0:s:2 -attach \"" + FromNativePath(font) + "\"",
                      OutName("meta.mkv")),
            "");
  AVFormatContext* oc = task->OutputFile(0).ctx;
  EXPECT_EQ(Dict(oc->metadata, "title"), "Demo");
  // Stream metadata is mapped by hand, so it is not copied automatically.
  EXPECT_EQ(Dict(oc->streams[1]->metadata, "language"), "(none)");
  EXPECT_EQ(Dict(oc->streams[0]->metadata, "language"), "eng");
  EXPECT_EQ(Dict(oc->streams[0]->metadata, "handler"), "Pictures");
  ASSERT_EQ(task->OutputStreamCount(), 3);
  const TOutputStream& att = task->OutputStream(2);
  EXPECT_EQ(att.st->codecpar->codec_type, AVMEDIA_TYPE_ATTACHMENT);
  EXPECT_EQ(att.source_index, -1);
  EXPECT_EQ(att.st->codecpar->extradata_size, 100);
  EXPECT_EQ(Dict(att.st->metadata, "filename"), "font.ttf");

  // A missing attachment fails the output and leaves nothing behind.
  task = std::make_unique<TCustomFFmpeg>();
  OpenMulti();
  const std::string missing = FromNativePath(scratch.Unix() + "/none.ttf");
  EXPECT_EQ(SetOutput("-attach \"" + missing + "\"", OutName("att.mkv")),
            "Could not open attachment file " + missing + ".");
  EXPECT_EQ(task->OutputStreamCount(), 0);
  EXPECT_FALSE(UnixFileExists(OutName("att.mkv")));
}

TEST_F(FFmpegTest, FormatChoosersFitTheEncoder) {
  TOutputStream ost;
  const AVCodec* mp2 = ff::avcodec_find_encoder_by_name("mp2");
  ASSERT_NE(mp2, nullptr);
  ost.enc_ctx = ff::avcodec_alloc_context3(mp2);
  ost.enc_ctx->sample_rate = 44000;
  ost.enc_ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
  task->ChooseSampleRate(ost, mp2);
  task->ChooseSampleFmt(ost, mp2);
  EXPECT_EQ(ost.enc_ctx->sample_rate, 44100);
  EXPECT_EQ(ost.enc_ctx->sample_fmt, AV_SAMPLE_FMT_S16);
  ff::avcodec_free_context(&ost.enc_ctx);

  const AVCodec* mpeg4 = ff::avcodec_find_encoder_by_name("mpeg4");
  ost.enc_ctx = ff::avcodec_alloc_context3(mpeg4);
  ost.enc_ctx->pix_fmt = AV_PIX_FMT_RGB24;
  task->ChoosePixelFmt(ost, mpeg4);
  EXPECT_EQ(ost.enc_ctx->pix_fmt, AV_PIX_FMT_YUV420P);
  ff::avcodec_free_context(&ost.enc_ctx);

  // With relaxed compliance MJPEG takes its own short list, 4:2:0 and 4:2:2
  // in both ranges, whatever the library's encoder lists (it has 4:4:4 too,
  // and would keep it); from the short list the library picks full-range
  // 4:2:0 for a 4:4:4 source.
  const AVCodec* mjpeg = ff::avcodec_find_encoder_by_name("mjpeg");
  struct {
    const char* what;
    AVPixelFormat given, chosen;
  } const mjpegCases[] = {
      {"4:2:2 is kept", AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV422P},
      {"4:4:4, in the library's list only", AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUVJ420P},
      {"4:4:4 with alpha, in neither list", AV_PIX_FMT_YUVA444P, AV_PIX_FMT_YUVJ420P},
  };
  for (const auto& c : mjpegCases) {
    SCOPED_TRACE(c.what);
    ost.enc_ctx = ff::avcodec_alloc_context3(mjpeg);
    ost.enc_ctx->strict_std_compliance = -1;
    ost.enc_ctx->pix_fmt = c.given;
    task->ChoosePixelFmt(ost, mjpeg);
    EXPECT_EQ(ost.enc_ctx->pix_fmt, c.chosen);
    ff::avcodec_free_context(&ost.enc_ctx);
  }
}

TEST_F(FFmpegTest, OverwriteCheckOfDumpedFiles) {
  const std::string existing = FromNativePath(TFixtures::Get().MultiMkvUnix());
  EXPECT_FALSE(task->ConfirmFileOverwrite(existing));
  EXPECT_EQ(task->LastErrMsg(), "File \"" + existing + "\" already exists. Ignore.");
  EXPECT_TRUE(task->ConfirmFileOverwrite(FromNativePath(scratch.Unix() + "/new.ttf")));
  EXPECT_TRUE(task->ConfirmFileOverwrite("http://localhost/x.ttf"));
  task->ParseOptions("-y");
  EXPECT_TRUE(task->ConfirmFileOverwrite(existing));
  task->ParseOptions("-n");
  EXPECT_FALSE(task->ConfirmFileOverwrite(existing));
}

TEST_F(FFmpegTest, JoinGroupsShareTheFirstOutput) {
  OpenMulti();
  ASSERT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), 1);
  ASSERT_EQ(task->OpenInputFile(nullptr, TFixtures::Get().MultiMkv()), 2);
  task->ParseOptions("-map 0:0 -map 0:1 -map 1:0 -map 1:1 -map 2:0");
  ASSERT_EQ(task->OpenOutputFile(FromNativePath(OutName("join.mkv")), true), 0) << task->LastErrMsg();
  // Only input 0's streams make the output's streams.
  ASSERT_EQ(task->OutputStreamCount(), 2);
  EXPECT_EQ(task->AddJoinOutputGroup(1), 1);
  EXPECT_EQ(task->AddJoinOutputGroup(2), 2);
  EXPECT_EQ(task->OutputFile(1).ctx, task->OutputFile(0).ctx);
  EXPECT_EQ(task->OutputFile(2).ost_index, 4);
  EXPECT_EQ(task->OutputStream(2).source_index, 4);
  EXPECT_EQ(task->OutputStream(3).source_index, 5);
  EXPECT_EQ(task->OutputStream(4).source_index, 8);
  EXPECT_EQ(task->OutputStream(5).source_index, -1);  // input 2 has no audio map
  // A second output for a joining task is refused.
  EXPECT_EQ(task->OpenOutputFile(FromNativePath(OutName("join2.mkv")), false), -1);
  EXPECT_EQ(task->LastErrMsg(), "Cannot join more than one output file.");
}

}  // namespace
