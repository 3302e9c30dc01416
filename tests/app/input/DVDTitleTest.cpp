// The program's DVD plug-in and DVD title addresses against a small DVD
// authored at test time: three titles (3 s; 6 s in two chapters; 4 s with
// two AC-3 tracks of 440 Hz and 880 Hz).
#include "support/gtest.h"

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/input/DVDPlugIn.h"
#include "engine/DVDTitleSource.h"
#include "engine/FFDecode.h"
#include "engine/Fixtures.h"
#include "engine/MyUtils.h"

namespace {

std::string DvdFolder() { return fixtures::WindowsPath("dvd"); }

std::string Address(int title, int from, int to, int audio, int subtitle = 0) {
  return "opendvd:" + DvdFolder() + "|Title=" + std::to_string(title) + ",FromChapter=" + std::to_string(from) +
         ",ToChapter=" + std::to_string(to) + ",AudioID=" + std::to_string(audio) +
         ",SubtitleID=" + std::to_string(subtitle) + ",AudioChannels=2,Deinterlace=0";
}

class DVDTitles : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(fixtures::Ensure(fixtures::DvdFixtures())); }
};

// The tone's frequency from the rising zero crossings of the first channel
// (stereo s16 at 44.1 kHz), skipping the first half second.
double ToneFrequency(const std::vector<int16_t>& samples) {
  const size_t skip = 44100;
  int crossings = 0;
  size_t frames = 0;
  for (size_t i = skip + 2; i < samples.size(); i += 2, ++frames)
    if (samples[i - 2] < 0 && samples[i] >= 0) ++crossings;
  return frames ? crossings * 44100.0 / static_cast<double>(frames) : 0;
}

}  // namespace

TEST(DvdTitleAddress, ParsesTheProgramsAddressAndRefusesOtherText) {
  TDvdTitleAddress a;
  ASSERT_TRUE(ParseDvdTitleAddress(
      "opendvd:D:\\|Title=2,FromChapter=1,ToChapter=3,AudioID=129,SubtitleID=32,AudioChannels=2,Deinterlace=1", a));
  EXPECT_EQ("D:\\", a.folder);
  EXPECT_EQ(2, a.title);
  EXPECT_EQ(1, a.fromChapter);
  EXPECT_EQ(3, a.toChapter);
  EXPECT_EQ(129, a.audioID);
  EXPECT_EQ(32, a.subtitleID);
  EXPECT_EQ(2, a.audioChannels);
  EXPECT_EQ(1, a.deinterlace);
  // A folder name may hold commas and equals signs: only the last bar ends it.
  ASSERT_TRUE(ParseDvdTitleAddress("opendvd:C:\\a,b=c|Title=1", a));
  EXPECT_EQ("C:\\a,b=c", a.folder);
  for (const char* bad : {"C:\\movie.vob", "opendvd:D:\\", "opendvd:|Title=1", "opendvd:D:\\|Title=0",
                          "opendvd:D:\\|Title=x", "opendvd:D:\\|FromChapter=1", "opendvd:D:\\|Title=1,AudioID=8x"})
    EXPECT_FALSE(ParseDvdTitleAddress(bad, a)) << bad;
}

TEST_F(DVDTitles, ThePlugInDescribesEachTitle) {
  ASSERT_TRUE(LoadDVDPlugIn(ApplicationFolder() + "LibAV", "")) << GetDVDPlugInError();
  EXPECT_EQ("1.0.0.0", GetDVDPlugInVersion());
  ASSERT_EQ(3, EnumDVDTitles(DvdFolder()));
  const struct {
    double length;
    std::vector<double> chapters;
    std::vector<int> audioIDs;
  } expected[] = {{3, {3}, {0x80}}, {6, {3, 3}, {0x80}}, {4, {4}, {0x80, 0x81}}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    TDVDTitleInfo info;
    ASSERT_TRUE(GetDVDTitleInfo(i, info));
    EXPECT_NEAR(expected[i].length, info.Length, 0.1);
    EXPECT_EQ("MPEG-2", DVDStreamTypeName(info.VideoType));
    EXPECT_EQ(720, info.Width);
    EXPECT_EQ(576, info.Height);
    EXPECT_EQ("PAL", DVDNormName(info.Norm));
    EXPECT_EQ("TV(4:3)", DVDAspectName(info.Aspect));
    ASSERT_EQ(static_cast<int>(expected[i].chapters.size()), info.ChapterCount);
    for (int c = 0; c < info.ChapterCount; ++c) EXPECT_NEAR(expected[i].chapters[c], info.ChapterLength[c], 0.1);
    ASSERT_EQ(static_cast<int>(expected[i].audioIDs.size()), info.AudioCount);
    for (int a = 0; a < info.AudioCount; ++a) {
      EXPECT_EQ(expected[i].audioIDs[a], info.Audio[a].ID);
      EXPECT_EQ("AC3", DVDStreamTypeName(info.Audio[a].Type));
      EXPECT_EQ(48000, info.Audio[a].SampleRate);
    }
    EXPECT_EQ(0, info.SubtitleCount);
    EXPECT_NE(0, info.IsValid);
  }
  // A title past the last, and a folder without a DVD.
  TDVDTitleInfo info;
  EXPECT_FALSE(GetDVDTitleInfo(3, info));
  EXPECT_EQ(0, EnumDVDTitles(fixtures::WindowsPath("")));
}

TEST_F(DVDTitles, TheEngineOpensATitleWithTheChosenTrackAndChapters) {
  TFFDecoder decoder(nullptr);
  ASSERT_TRUE(decoder.LoadAVLib(ApplicationFolder() + "LibAV")) << decoder.LastErrMsg();

  struct Case {
    const char* what;
    std::string address;
    double seconds;     // of the picture stream
    double frequency;   // of the one sound stream; 0: none
  } cases[] = {
      {"second track", Address(3, 1, 1, 0x81), 4, 880},
      {"first track", Address(3, 1, 0, 0x80), 4, 440},
      {"second chapter", Address(2, 2, 2, 0x80), 3, 660},
      {"no sound", Address(1, 1, 1, 0), 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(decoder.LoadFile(c.address)) << decoder.LastErrMsg();
    const TVideoStreamInfo video = decoder.FirstVideoStreamInfo();
    EXPECT_EQ(720, video.Width);
    EXPECT_EQ(576, video.Height);
    int frames = 0;
    while (decoder.Decode()) ++frames;
    EXPECT_NEAR(c.seconds * 25, frames, 25 * 0.7);
    if (c.frequency == 0) {
      EXPECT_EQ(-1, decoder.FirstAudioStreamInfo().Channels);
    } else {
      ASSERT_TRUE(decoder.Seek(0)) << decoder.LastErrMsg();
      std::vector<int16_t> samples;
      int16_t buffer[4096];
      int n;
      while ((n = decoder.ReadAudio(buffer, sizeof buffer)) > 0)
        samples.insert(samples.end(), buffer, buffer + n / 2);
      EXPECT_GT(samples.size(), static_cast<size_t>(44100 * 2 * (c.seconds - 1)));
      EXPECT_NEAR(c.frequency, ToneFrequency(samples), 10);
    }
    decoder.CloseFile();
  }
  // A title the DVD does not have, and a folder without a DVD.
  EXPECT_FALSE(decoder.LoadFile(Address(7, 1, 1, 0x80)));
  EXPECT_FALSE(decoder.LoadFile("opendvd:" + fixtures::WindowsPath("") + "|Title=1"));
}
