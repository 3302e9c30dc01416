#include "support/gtest.h"

#include <string>

#include "app/main/AppData.h"

namespace {

TFormat BitRates(const std::string& video, const std::string& audio) {
  TFormat f;
  f.VideoBitRate = video;
  f.AudioBitRate = audio;
  return f;
}

class AppDataTest : public ::testing::Test {
protected:
  void SetUp() override {
    Profiles.assign(1, TProfile());
    MediaFiles.assign(1, TMediaFile());
  }
  void TearDown() override {
    Profiles.clear();
    MediaFiles.clear();
    TranslationTable.clear();
    LanguageIndex = 0;
  }
};

TEST_F(AppDataTest, RecalcItemEstimatesWholeSecondsAndKeepsOldValueOnBadInput) {
  const struct {
    int64_t length;
    const char* video;
    const char* audio;
    double expected;  // -1: the old estimate stays
  } cases[] = {
      {5400LL * 1000000, "1000000", "128000", 743.5546875},  // 1:30:00
      {900000, "1000000", "128000", 0},                      // 0.9 s counts as 0 s
      {60LL * 1000000, "", "128000", 60 * 16.0 / 1024},      // audio format: no video rate
      {60LL * 1000000, "1000k", "128000", -1},               // not a number
      {24LL * 3600 * 1000000, "1000000", "128000", -1},      // a day does not fit a time of day
      {-1, "1000000", "128000", -1},
  };
  for (const auto& c : cases) {
    Profiles[0].Formats.assign(1, BitRates(c.video, c.audio));
    MediaFiles[0].TrimmedLength = c.length;
    MediaFiles[0].EstimatedSize = 12.5;
    RecalcItem(0);
    EXPECT_DOUBLE_EQ(c.expected < 0 ? 12.5 : c.expected, MediaFiles[0].EstimatedSize)
        << c.length << " " << c.video;
  }
  // Indexes that point nowhere change nothing and do not fail.
  MediaFiles[0].FormatInd = 7;
  RecalcItem(0);
  RecalcItem(5);
  RecalcItem(-1);
  EXPECT_DOUBLE_EQ(12.5, MediaFiles[0].EstimatedSize);
}

TEST_F(AppDataTest, TimeOfDayToMicrosecondsIgnoresTheDate) {
  EXPECT_EQ(7200000000LL, TimeOfDayToMicroseconds(2.0 / 24));
  EXPECT_EQ(7200000000LL, TimeOfDayToMicroseconds(45000 + 2.0 / 24));
  EXPECT_EQ(86399999000LL, TimeOfDayToMicroseconds(86399.999 / 86400));
  EXPECT_EQ(0, TimeOfDayToMicroseconds(0));
}

TEST_F(AppDataTest, CopyFormatCopiesTextsAndClearsTheChangedMark) {
  TFormat f = BitRates("1", "2");
  f.Title = "A";
  f.AreSettingsChanged = true;
  Profiles[0].Formats = {f, TFormat()};
  CopyFormat(0, 0, 0, 0);
  EXPECT_FALSE(Profiles[0].Formats[0].AreSettingsChanged);
  EXPECT_EQ("A", Profiles[0].Formats[0].Title);
  Profiles[0].Formats[0].AreSettingsChanged = true;
  CopyFormat(0, 0, 0, 1);
  EXPECT_EQ("1", Profiles[0].Formats[1].VideoBitRate);
  EXPECT_FALSE(Profiles[0].Formats[1].AreSettingsChanged);
  EXPECT_TRUE(Profiles[0].Formats[0].AreSettingsChanged);  // the source is untouched
}

TEST_F(AppDataTest, ApplyProfileToAllGivesEveryRowTheCurrentFormatAndRepaints) {
  Profiles.assign(2, TProfile());
  Profiles[1].Formats = {BitRates("1000000", "0"), BitRates("8000000", "0")};
  MediaFiles.assign(2, TMediaFile());
  for (auto& m : MediaFiles) m.TrimmedLength = 1024LL * 1000000;
  CurrentProfileIndex = 1;
  CurrentFormatIndex = 1;
  int repaints = 0;
  OnItemsChanged = [&] { ++repaints; };
  ApplyProfileToAll();
  for (const auto& m : MediaFiles) {
    EXPECT_EQ(1, m.ProfileInd);
    EXPECT_EQ(1, m.FormatInd);
    EXPECT_DOUBLE_EQ(1000.0, m.EstimatedSize);
  }
  MediaFiles.clear();
  ApplyProfileToAll();
  EXPECT_EQ(2, repaints);
  OnItemsChanged = nullptr;
  CurrentProfileIndex = CurrentFormatIndex = 0;
}

TEST_F(AppDataTest, TranslateLooksUpExactTextsInTheCurrentLanguage) {
  LoadTranslationTable("\xEF\xBB\xBF" "2\r\nEnglish\r\nEspanol\nConvert\rConvertir\r\nConvert\r\nOtra\r\nStop\r\n");
  ASSERT_EQ(2, LanguageCount());
  ASSERT_EQ(3u, TranslationTable[0].size());  // "Stop" alone is an incomplete group
  LanguageIndex = 1;
  EXPECT_EQ("Convertir", Translate("Convert"));  // the first row wins
  EXPECT_EQ("convert", Translate("convert"));
  EXPECT_EQ("Stop", Translate("Stop"));
  EXPECT_EQ("Espanol", Translate("English"));
  LanguageIndex = 0;
  EXPECT_EQ("Convert", Translate("Convert"));
  // A language the table has no column for shows English instead of failing.
  for (int language : {2, -1, 1000}) {
    LanguageIndex = language;
    EXPECT_EQ("Convert", Translate("Convert"));
  }
}

TEST_F(AppDataTest, UnusableTranslationFilesLeaveEveryTextInEnglish) {
  LanguageIndex = 1;
  for (const char* file : {"", "0\r\nEnglish\r\n", "-2\r\na\r\nb\r\n", "two\r\na\r\nb\r\n",
                           "99999999999\r\na\r\n", "2\r\nEnglish\r\n\xFF\xFE\r\n", "\xEF\xBB\xBF"}) {
    LoadTranslationTable(file);
    EXPECT_EQ(0, LanguageCount()) << file;
    EXPECT_EQ("Convert", Translate("Convert"));
  }
  // An empty translation is a translation.
  LoadTranslationTable("2\nConvert\n\n");
  EXPECT_EQ("", Translate("Convert"));
}

}  // namespace
