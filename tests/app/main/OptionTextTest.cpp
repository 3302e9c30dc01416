#include "support/gtest.h"

#include <functional>
#include <string>
#include <vector>

#include "app/main/OptionText.h"
#include "engine/TextUtils.h"
#include "support/FormatValues.h"

namespace {

TFormat VideoFormat() {
  TFormat f;
  f.Title = "MP4 (H.264/AAC)";
  f.FormatExt = ".mp4";
  f.IsAudioFormat = "0";
  SetPlainMp4Values(f);
  return f;
}

TMediaFile FileItem() {
  TMediaFile m;
  m.Source = "C:\\media\\clip.avi";
  m.DestinationTitle = "clip";
  m.SourceWidth = 640;
  m.SourceHeight = 480;
  m.TimeStart = 0;
  m.TimeEnd = 90000000;
  m.AudioTracks = {"English#1", "French#2", "Disable"};
  m.Subtitles = {"None", "Spanish", "Disable"};
  return m;
}

TTaskContext Context() {
  TTaskContext c;
  c.Row = 0;
  c.OutputFolder = "C:\\out";
  c.TempFolder = "C:\\temp";
  c.DVDPath = "D:\\VIDEO_TS";
  return c;
}

const char kPlain[] =
    " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -vf \"scale=640:480\""
    " -t_microsecond 90000000";

TEST(BuildTaskOptions, ReproducesTheDocumentedCases) {
  const struct {
    const char* name;
    std::function<void(TMediaFile&, TFormat&, TTaskContext&)> change;
    const char* input;
    const char* output;
  } cases[] = {
      {"plain file row", [](TMediaFile&, TFormat&, TTaskContext&) {}, " -ss_microsecond 0", kPlain},
      {"16:9 from 720x576",
       [](TMediaFile& m, TFormat&, TTaskContext&) {
         m.SourceWidth = 720;
         m.SourceHeight = 576;
         m.AspectRatio = 3;
       },
       " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -aspect 16:9"
       " -vf \"pad=720:712:0:68:black,scale=640:480\" -t_microsecond 90000000"},
      {"4:3 and fill",
       [](TMediaFile& m, TFormat& f, TTaskContext&) {
         m.AspectRatio = 2;
         f.Width = "1280";
         f.Height = "720";
       },
       " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -aspect 4:3"
       " -vf \"pad=854:480:107:0:black,scale=1280:720\" -t_microsecond 90000000"},
      {"frame rate 29970",
       [](TMediaFile&, TFormat& f, TTaskContext&) { f.FrameRate = "29970"; }, " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 30 -b:v 1000000 -vf \"scale=640:480\""
       " -t_microsecond 90000000"},
      {"frame rate 12500 rounds to even",
       [](TMediaFile&, TFormat& f, TTaskContext&) { f.FrameRate = "12500"; }, " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 12 -b:v 1000000 -vf \"scale=640:480\""
       " -t_microsecond 90000000"},
      {"volume 150", [](TMediaFile& m, TFormat&, TTaskContext&) { m.Volume = 150; },
       " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -vol 384"
       " -vf \"scale=640:480\" -t_microsecond 90000000"},
      {"volume 100", [](TMediaFile& m, TFormat&, TTaskContext&) { m.Volume = 100; },
       " -ss_microsecond 0", kPlain},
      {"DivX title in any case",
       [](TMediaFile&, TFormat& f, TTaskContext&) { f.Title = "My dIvX AVI"; }, " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000"
       " -c:v mpeg4 -tag:v DIVX -vstrict unofficial -vf \"scale=640:480\" -t_microsecond 90000000"},
      {"second audio track maps",
       [](TMediaFile& m, TFormat&, TTaskContext&) { m.AudioTrackIndex = 1; }, " -ss_microsecond 0",
       " -map 0:0 -map 0:2 -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000"
       " -vf \"scale=640:480\" -t_microsecond 90000000"},
      {"subtitle choice forces maps",
       [](TMediaFile& m, TFormat&, TTaskContext&) { m.SubtitleIndex = 1; }, " -ss_microsecond 0",
       " -map 0:0 -map 0:1 -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000"
       " -vf \"scale=640:480\" -t_microsecond 90000000"},
      {"audio entry without number",
       [](TMediaFile& m, TFormat&, TTaskContext&) {
         m.AudioTracks = {"a", "b", "Disable"};
         m.AudioTrackIndex = 1;
       },
       " -ss_microsecond 0",
       " -map 0:0 -map 0:0 -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000"
       " -vf \"scale=640:480\" -t_microsecond 90000000"},
      {"no audio", [](TMediaFile& m, TFormat&, TTaskContext&) { m.AudioTrackIndex = 2; },
       " -ss_microsecond 0",
       " -an -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000"
       " -vf \"scale=640:480\" -t_microsecond 90000000"},
      {"trimmed",
       [](TMediaFile& m, TFormat& f, TTaskContext&) {
         m.TimeStart = 5000000;
         m.TimeEnd = 8000000;
         f.ExtraParam = "-movflags +faststart";
       },
       " -ss_microsecond 5000000",
       " -movflags +faststart -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000"
       " -vf \"scale=640:480\" -t_microsecond 3000000"},
      {"unknown length keeps the whole file",
       [](TMediaFile& m, TFormat&, TTaskContext&) { m.TimeEnd = 0; }, " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -vf \"scale=640:480\""},
      {"edits, crop and flip",
       [](TMediaFile& m, TFormat&, TTaskContext&) {
         m.SourceWidth = 720;
         m.SourceHeight = 576;
         m.CropLeft = m.CropRight = 10;
         m.Brightness = 10;
         m.Contrast = -5;
         m.Saturation = 20;
         m.Hue = 40;
         m.Deinterlace = true;
         m.FlipVertical = true;
       },
       " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -vf \"nativeeq=10:-5,"
       "nativehue=0:20,yadif,crop=700:576:10:0,pad=768:576:34:0:black,vflip,scale=640:480\""
       " -t_microsecond 90000000"},
      {"picture overlay",
       [](TMediaFile& m, TFormat&, TTaskContext& c) {
         m.PictureOverlay = true;
         m.OverlayPictureX = 10;
         m.OverlayPictureY = 20;
         m.FlipVertical = true;
         c.OverlayPictureName = "1.png";
       },
       " -ss_microsecond 0",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -vf \"movie=1.png"
       " [watermark]; [in] [watermark] overlay=10:20, vflip,scale=640:480 [out]\""
       " -t_microsecond 90000000"},
      {"overlay whose copy failed",
       [](TMediaFile& m, TFormat&, TTaskContext&) { m.PictureOverlay = true; }, " -ss_microsecond 0",
       kPlain},
      {"audio format",
       [](TMediaFile& m, TFormat& f, TTaskContext&) {
         f.IsAudioFormat = "1";
         f.AudioCodecName = "libmp3lame";
         f.AudioBitRate = "192000";
         f.VideoCodecName = f.Width = f.Height = f.FrameRate = f.VideoBitRate = "";
         m.Volume = 50;
         m.FlipVertical = true;
         m.AspectRatio = 3;
       },
       " -vn -ss_microsecond 0",
       " -c:a libmp3lame -ac 2 -ar 44100 -b:a 192000 -t_microsecond 90000000"},
      {"joining, phase 1",
       [](TMediaFile& m, TFormat&, TTaskContext& c) {
         c.Joining = true;
         m.AudioTrackIndex = 2;
       },
       " -ss_microsecond 0", kPlain},
      {"joining, phase 2",
       [](TMediaFile& m, TFormat&, TTaskContext& c) {
         c.Joining = c.Phase2 = true;
         m.AudioTrackIndex = 1;
         m.Volume = 200;
         m.FlipVertical = true;
         m.CropLeft = 8;
         m.Brightness = 3;
         m.AspectRatio = 3;
         m.TimeStart = 100;
       },
       "",
       " -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000 -aspect 16:9"
       " -vf \"scale=640:480\""},
  };
  for (const auto& c : cases) {
    TMediaFile item = FileItem();
    TFormat format = VideoFormat();
    TTaskContext context = Context();
    c.change(item, format, context);
    const TTaskOptions t = BuildTaskOptions(item, format, context);
    EXPECT_EQ(c.input, t.InputOptions) << c.name;
    EXPECT_EQ(c.output, t.OutputOptions) << c.name;
    EXPECT_TRUE(t.VideoOutputHook);
  }
}

// A sound-only source to a video format: the sound is converted as the
// format says and no picture option is made (there is no picture to size).
TEST(BuildTaskOptions, SoundOnlySourceToAVideoFormatGetsOnlyTheSoundOptions) {
  TMediaFile item = FileItem();
  item.isSourceAudioFormat = true;
  item.SourceWidth = 0;
  item.SourceHeight = 0;
  item.AspectRatio = 3;
  const TTaskOptions t = BuildTaskOptions(item, VideoFormat(), Context());
  EXPECT_EQ(" -ss_microsecond 0", t.InputOptions);
  EXPECT_EQ(" -c:a aac -ac 2 -ar 44100 -b:a 128000 -t_microsecond 90000000", t.OutputOptions);
  EXPECT_EQ("C:\\out\\clip.mp4", t.OutputFileName);
}

TEST(UniqueOutputName, NeverNamesATakenFile) {
  const struct {
    std::vector<std::string> taken;
    const char* expected;
  } cases[] = {
      {{}, "C:\\out\\clip.mp4"},
      {{"C:\\out\\clip.mp4"}, "C:\\out\\clip (2).mp4"},
      {{"c:/OUT/Clip.MP4", "C:\\out\\clip (2).mp4"}, "C:\\out\\clip (3).mp4"},
      {{"C:\\out\\clip (2).mp4"}, "C:\\out\\clip.mp4"},
      {{"C:\\out\\clip.avi", "C:\\other\\clip.mp4"}, "C:\\out\\clip.mp4"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, UniqueOutputName("C:\\out\\clip", ".mp4", c.taken));
}

TEST(BuildTaskOptions, NamesInputsAndOutputs) {
  TMediaFile item = FileItem();
  TTaskContext c = Context();
  c.Row = 4;
  TTaskOptions t = BuildTaskOptions(item, VideoFormat(), c);
  EXPECT_EQ("C:\\media\\clip.avi", t.InputFileName);
  EXPECT_EQ("C:\\out\\clip.mp4", t.OutputFileName);
  EXPECT_FALSE(t.VideoInputHook);
  item.TextOverlay = true;
  c.Joining = true;
  t = BuildTaskOptions(item, VideoFormat(), c);
  EXPECT_EQ("C:\\temp\\vid5.mp4", t.OutputFileName);
  EXPECT_TRUE(t.VideoInputHook);
  c.Phase2 = true;
  t = BuildTaskOptions(item, VideoFormat(), c);
  EXPECT_EQ("C:\\temp\\vid5.mp4", t.InputFileName);
  EXPECT_EQ("", t.OutputFileName);
}

TEST(DvdTitleAddress, NamesTheRowsOwnTitle) {
  TDVDTitle title;
  title.Title = 2;
  title.FromChapter = 1;
  title.ToChapter = 5;
  title.AudioID = 128;
  title.SubtitleID = 32;
  title.AudioChannels = 2;
  title.Deinterlace = 1;
  TMediaFile item = FileItem();
  item.DVDTitleInfo = &title;
  item.AudioTrackIndex = 2;  // DVD audio choices travel in the address
  const char address[] =
      "opendvd:D:\\VIDEO_TS|Title=3,FromChapter=1,ToChapter=5,AudioID=128,SubtitleID=32,"
      "AudioChannels=2,Deinterlace=1";
  EXPECT_EQ(address, DvdTitleAddress(item, "D:\\VIDEO_TS"));
  const TTaskOptions t = BuildTaskOptions(item, VideoFormat(), Context());
  EXPECT_EQ(address, t.InputFileName);
  EXPECT_EQ(kPlain, t.OutputOptions);

  MediaFiles.assign(3, item);
  MediaFiles[1].Checked = false;
  std::vector<std::string> list{"old"};
  EXPECT_TRUE(CheckedDvdTitleAddresses(list, "D:\\VIDEO_TS"));
  EXPECT_EQ(2u, list.size());
  for (auto& m : MediaFiles) m.Checked = false;
  EXPECT_FALSE(CheckedDvdTitleAddresses(list, "D:\\VIDEO_TS"));
  EXPECT_TRUE(list.empty());
  MediaFiles.clear();
}

TEST(BuildTaskOptions, RefusesValuesThatCouldCarryOptions) {
  const struct {
    const char* name;
    std::function<void(TMediaFile&, TFormat&)> change;
    bool geometry;
  } cases[] = {
      {"codec with blank", [](TMediaFile&, TFormat& f) { f.AudioCodecName = "aac -f null"; }, false},
      {"video codec", [](TMediaFile&, TFormat& f) { f.VideoCodecName = "x\"y"; }, false},
      {"empty channel", [](TMediaFile&, TFormat& f) { f.Channel = ""; }, false},
      {"rate with option", [](TMediaFile&, TFormat& f) { f.SampleRate = "44100 -y"; }, false},
      {"bit rate", [](TMediaFile&, TFormat& f) { f.VideoBitRate = "1M"; }, false},
      {"frame rate", [](TMediaFile&, TFormat& f) { f.FrameRate = "25000 -x"; }, false},
      {"format kind", [](TMediaFile&, TFormat& f) { f.IsAudioFormat = "video"; }, false},
      {"width", [](TMediaFile&, TFormat& f) { f.Width = "640:a"; }, true},
      {"zero height", [](TMediaFile&, TFormat& f) { f.Height = "0"; }, true},
      {"crop past the picture", [](TMediaFile& m, TFormat&) { m.CropLeft = 700; }, true},
  };
  for (const auto& c : cases) {
    TMediaFile item = FileItem();
    TFormat format = VideoFormat();
    c.change(item, format);
    if (c.geometry) EXPECT_THROW(BuildTaskOptions(item, format, Context()), EGeometry) << c.name;
    else EXPECT_THROW(BuildTaskOptions(item, format, Context()), EOptionValue) << c.name;
  }
}

// The engine splits option text like a command line: whatever a path holds,
// the filter graph must come back as one word and nothing else may appear.
TEST(BuildTaskOptions, OverlayPathsCannotAddOptions) {
  for (const char* name : {"/tmp/a b/it's [1],x;y:z.png", "/tmp/q\"uote\" -y -f null.png",
                           "/tmp/back\\\\\"slash\\.png", "/tmp/end\\"}) {
    TMediaFile item = FileItem();
    item.PictureOverlay = true;
    TTaskContext context = Context();
    context.OverlayPictureName = name;
    const TTaskOptions t = BuildTaskOptions(item, VideoFormat(), context);
    const std::vector<std::string> words = SplitCommandLine(t.OutputOptions);
    const std::vector<std::string> plain = SplitCommandLine(kPlain);
    ASSERT_EQ(plain.size(), words.size()) << name;
    const size_t vf = 15;  // the word after -vf
    ASSERT_EQ("-vf", words[vf - 1]);
    EXPECT_EQ(WatermarkFilter(0, 0, name, "scale=640:480"), words[vf]) << name;
    for (size_t i = 0; i < words.size(); ++i)
      if (i != vf) EXPECT_EQ(plain[i], words[i]) << name;
  }
  // The graph level sees every special character escaped twice.
  EXPECT_EQ("movie=a\\\\:b\\\\\\'c\\[d\\] [watermark]; [in] [watermark] overlay=1:2 [out]",
            WatermarkFilter(1, 2, "a:b'c[d]", ""));
  // A name that looks like a numbered series is still read as one file.
  EXPECT_EQ("movie=/t/100%done.png:format_opts=pattern_type=none [watermark]; [in] [watermark]"
            " overlay=1:2, vflip [out]",
            WatermarkFilter(1, 2, "/t/100%done.png", "vflip"));
}

TEST(BuildTaskOptions, TitlesNeverReachTheOptionText) {
  TMediaFile item = FileItem();
  item.DestinationTitle = "x\" -y -f null \"";
  TFormat format = VideoFormat();
  const TTaskOptions t = BuildTaskOptions(item, format, Context());
  EXPECT_EQ(kPlain, t.OutputOptions);
  EXPECT_EQ("C:\\out\\x\" -y -f null \".mp4", t.OutputFileName);
}

}  // namespace
