#include <sys/stat.h>

#include <fstream>

#include "EngineTestSupport.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFBaseComponent.h"
#include "engine/FFUtils.h"
#include "engine/UnicodeProtocol.h"

namespace {

class FFUtilsTest : public TEngineTest {
protected:
  void SetUp() override {
    TEngineTest::SetUp();
    InitFFOptions(options, SWS_BICUBIC);
  }
  void TearDown() override {
    UninitFFOptions(options);
    if (ctx) ff::avformat_free_context(ctx);
    TEngineTest::TearDown();
  }
  // Streams of the given types, in file order.
  void MakeFile(const std::vector<AVMediaType>& types, bool output) {
    if (output)
      ASSERT_GE(ff::avformat_alloc_output_context2(&ctx, nullptr, "avi", nullptr), 0);
    else
      ctx = ff::avformat_alloc_context();
    for (AVMediaType t : types) {
      AVStream* st = ff::avformat_new_stream(ctx, nullptr);
      st->codecpar->codec_type = t;
    }
  }
  std::string Keys(AVDictionary* d) {
    std::string keys;
    const AVDictionaryEntry* e = nullptr;
    while ((e = ff::av_dict_get(d, "", e, AV_DICT_IGNORE_SUFFIX))) keys += std::string(e->key) + "=" + e->value + ";";
    return keys;
  }
  TFFOptions options;
  AVFormatContext* ctx = nullptr;
};

TEST_F(FFUtilsTest, StreamSpecifiers) {
  MakeFile({AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_VIDEO,
            AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_ATTACHMENT},
           false);
  AVProgram* program = ff::av_new_program(ctx, 7);
  ff::av_program_add_stream_index(ctx, 7, 4);
  ff::av_program_add_stream_index(ctx, 7, 5);
  const struct {
    const char* spec;
    int stream;
    int result;
  } cases[] = {
      {"a:1", 5, 1},  {"a:1", 2, 0}, {"a:2", 2, 0},  {"a:2", 5, 0},  {"a", 2, 1},      {"a", 0, 0},
      {"5", 5, 1},    {"0x5", 5, 1}, {"4", 5, 0},    {"v:1", 4, 1},  {"s", 1, 1},      {"d", 3, 1},
      {"t", 6, 1},    {"", 3, 1},    {"p:7", 4, 1},  {"p:7", 2, 0},  {"p:7:1", 5, 1},  {"p:7:1", 4, 0},
      {"p:7:9", 4, 0}, {"p:8", 4, 0}, {"x", 0, -22}, {"p", 0, -22},
  };
  ASSERT_NE(nullptr, program);
  for (const auto& c : cases)
    EXPECT_EQ(c.result, CheckStreamSpecifier(ctx, ctx->streams[c.stream], c.spec)) << c.spec << " on " << c.stream;
}

TEST_F(FFUtilsTest, CatchAllOptionsGoToTheLibrariesOptionSets) {
  EXPECT_EQ(0, OptDefault(options, "vb", "800k"));
  EXPECT_EQ(0, OptDefault(options, "threads", "4"));
  EXPECT_EQ(0, OptDefault(options, "b:a", "128k"));
  EXPECT_EQ(0, OptDefault(options, "fflags", "+genpts"));
  EXPECT_EQ(0, OptDefault(options, "sws_flags", "bilinear"));
  EXPECT_EQ("vb=800k;threads=4;b:a=128k;", Keys(options.codec_opts));
  EXPECT_EQ("fflags=+genpts;", Keys(options.format_opts));
  EXPECT_EQ(AVERROR_OPTION_NOT_FOUND, OptDefault(options, "zzz", "1"));
  EXPECT_EQ("Unrecognized option \"zzz\"", OptionErrorText());
  EXPECT_LT(OptDefault(options, "sws_flags", "no_such_flag"), 0);
  EXPECT_EQ("Error setting option \"sws_flags\"", OptionErrorText());

  MakeFile({AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}, true);
  const AVCodec* mpeg4 = ff::avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  const AVCodec* mp2 = ff::avcodec_find_encoder(AV_CODEC_ID_MP2);
  ASSERT_NE(nullptr, mpeg4);
  ASSERT_NE(nullptr, mp2);
  AVDictionary* video = FilterCodecOpts(options.codec_opts, mpeg4, ctx, ctx->streams[0]);
  AVDictionary* audio = FilterCodecOpts(options.codec_opts, mp2, ctx, ctx->streams[1]);
  EXPECT_EQ("b=800k;threads=4;", Keys(video));
  EXPECT_EQ("threads=4;b=128k;", Keys(audio));
  ff::av_dict_free(&video);
  ff::av_dict_free(&audio);

  ff::av_dict_set(&options.codec_opts, "b:q", "1", 0);
  EXPECT_EQ(nullptr, FilterCodecOpts(options.codec_opts, mpeg4, ctx, ctx->streams[0]));
  EXPECT_EQ(nullptr, FilterCodecOpts(options.codec_opts, nullptr, ctx, ctx->streams[0]));
}

TEST_F(FFUtilsTest, CodecNames) {
  AVCodecContext* c = ff::avcodec_alloc_context3(nullptr);
  c->codec_id = AV_CODEC_ID_MPEG4;
  EXPECT_EQ("mpeg4(MPEG-4 part 2)", CodecNameText(c, false));
  c->codec_id = AV_CODEC_ID_NONE;
  c->codec_tag = 1;
  EXPECT_EQ("0x0001", CodecNameText(c, true));
  c->codec_tag = MKTAG('X', 'V', 'I', 'D');
  EXPECT_EQ("XVID / 0x44495658", CodecNameText(c, true));
  c->codec_id = AV_CODEC_ID_MPEG2TS;
  EXPECT_EQ("mpeg2ts", CodecNameText(c, false));
  ff::avcodec_free_context(&c);
}

TEST_F(FFUtilsTest, TextsOfLibraryValues) {
  EXPECT_EQ("00:00:01.500", StreamTimeToText(AVRational{1, 90000}, 135000));
  EXPECT_EQ("00:00:02.000", StreamTimeToText(AVRational{1, 1000000}, 2000000));
  EXPECT_EQ("N/A", StreamTimeToText(AVRational{1, 90000}, AV_NOPTS_VALUE));
  AVDictionary* d = nullptr;
  ff::av_dict_set(&d, "Title", "Тест ü", 0);
  EXPECT_EQ("Тест ü", DictValue(d, "title", "none"));
  EXPECT_EQ("none", DictValue(d, "artist", "none"));
  ff::av_dict_free(&d);
  AVFormatContext* f = ff::avformat_alloc_context();
  EXPECT_STREQ("AVFormatContext", ClassItemName(f));
  ff::avformat_free_context(f);
}

TEST_F(FFUtilsTest, ReadFileAddsATerminator) {
  TScratchFolder folder;
  std::ofstream(folder.Unix() + "/preset.txt") << "hello";
  uint8_t* buffer = nullptr;
  int size = 0;
  ASSERT_EQ(0, ReadFile(folder.Windows() + "\\preset.txt", buffer, size));
  EXPECT_EQ(6, size);
  EXPECT_STREQ("hello", reinterpret_cast<char*>(buffer));
  ff::av_free(buffer);
  EXPECT_EQ(-1, ReadFile(folder.Windows() + "\\missing.txt", buffer, size));
  EXPECT_EQ(5, FileSizeByName(folder.Windows() + "\\preset.txt"));
  EXPECT_EQ(-1, FileSizeByName(folder.Windows() + "\\missing.txt"));
}

TEST_F(FFUtilsTest, ProgramFiltersAndInputFormatsRegisterOnce) {
  RegisterFilterOnce("nativeeq");
  RegisterFilterOnce("nativeeq");
  EXPECT_TRUE(ProgramFilterRegistered("nativeeq"));
  EXPECT_FALSE(ProgramFilterRegistered("nativehue"));
  static AVInputFormat capture = [] {
    AVInputFormat f{};
    f.name = "tess_test_capture";
    return f;
  }();
  static AVInputFormat twin = capture;
  RegisterInputFormatOnce(&capture);
  RegisterInputFormatOnce(&twin);
  EXPECT_EQ(&capture, FindProgramInputFormat("tess_test_capture"));
}

TEST(MediaFileName, UrlsPassAndPathsBecomeUnixPaths) {
  const struct {
    std::string name;
    std::string expected;
  } cases[] = {
      {"opendvd:D:|Title=1", "opendvd:D:|Title=1"},
      {"http://host/a.mp4", "http://host/a.mp4"},
      {"unicode:file:Z:\\tmp\\a.mp4", "/tmp/a.mp4"},
      {"/already/unix", "/already/unix"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, MediaFileName(c.name)) << c.name;
  TScratchFolder folder;
  ASSERT_EQ(0, mkdir((folder.Unix() + "/тест ü").c_str(), 0700));
  EXPECT_EQ(folder.Unix() + "/тест ü/clip 1.mp4", MediaFileName(folder.Windows() + "\\тест ü\\clip 1.mp4"));
  // Each caller has its own name, of any length.
  const std::string name = "Тест" + std::string(3000, 'n');
  const std::string utf8 = StringToUTF8Buffer(name);
  EXPECT_EQ(name.size(), utf8.size());
  EXPECT_EQ(name, UTF8PCharToString(utf8.c_str()));
}

TEST(FFBaseComponent, VersionTimeoutsAndSeekFlags) {
  TFFBaseComponent c(nullptr);
  EXPECT_EQ("4.5a", c.Version());
  EXPECT_EQ(DebuggerAttached() ? 0 : 30000, c.ReadTimeout);
  EXPECT_EQ(c.ReadTimeout, c.WriteTimeout);
  EXPECT_EQ(AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY, SeekFlagsToAV(SeekFlag(sfBackward) | SeekFlag(sfAny)));
  EXPECT_EQ(AVSEEK_FLAG_BYTE | AVSEEK_FLAG_FRAME, SeekFlagsToAV(SeekFlag(sfByte) | SeekFlag(sfFrame)));
}

}  // namespace
