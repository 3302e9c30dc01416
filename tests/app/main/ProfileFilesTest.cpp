#include "support/gtest.h"

#include <string>
#include <vector>

#include "app/main/ProfileFiles.h"

namespace {

const char kCategories[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<profile height=\"470\" itemheight=\"57\">\r\n"
    "<categories>\r\n"
    "  <category id=\"1\" title=\"Audio & Music\" icon=\"cat_a\"/>  \r\n"
    "<!-- not a category -->\r\n"
    "<category id=\"2\" title=\"Video\" icon=\"cat_v\"/>\r\n"
    "<category id=\"9\" title=\"Unused\" icon=\"cat_u\"/>\r\n"
    "</categories>\r\n"
    "</profile>\r\n";

std::string Row(const std::string& id, const std::string& name) {
  return "<ROW id=\"" + id + "\" name=\"" + name +
         "\" description=\"d\" icon=\"i\" icon_large=\"i\" format_ext=\".mp4\" format_name=\"\" "
         "audio_format=\"0\" video_codec_name=\"libx264\" width=\"640\" height=\"480\" "
         "keep_ori_frame_rate=\"1\" frame_rate=\"25000\" video_bitrate=\"1000000\" "
         "audio_codec_name=\"aac\" sample_rate=\"44100\" channel=\"2\" audio_bitrate=\"128000\" "
         "extra_param=\"\" video_codecs=\"libx264$H.264\" resolutions=\"640*480$640*480\" "
         "frame_rates=\"25000$25 fps\" video_bitrates=\"1000000$1000 kbps\" audio_codecs=\"aac$AAC\" "
         "sample_rates=\"44100$44100 Hz\" channels=\"2$Stereo\" audio_bitrates=\"128000$128 kbps\"/>";
}

std::string FormatFileText(const std::vector<std::string>& rows) {
  std::string text = "\xEF\xBB\xBF<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<DATAPACKET Version=\"2.0\">\r\n<ROWDATA>\r\n";
  for (const auto& r : rows) text += r + "\r\n";
  return text + "</ROWDATA>\r\n</DATAPACKET>\r\n";
}

struct TReports {
  std::vector<std::string> texts, marks;
  TReports() {
    OnReportError = [this](const std::string& t, const std::string& m) {
      texts.push_back(t);
      marks.push_back(m);
    };
  }
  ~TReports() { OnReportError = nullptr; }
};

TEST(ParseFormatRow, ReadsEveryAttributeByItsOwnKey) {
  TFormat f;
  ParseFormatRow(Row("2", "MP4"), f);
  EXPECT_EQ("2", f.Category);
  EXPECT_EQ("MP4", f.Title);  // name comes before format_name and the codec names
  EXPECT_EQ("libx264", f.VideoCodecName);
  EXPECT_EQ("25000", f.FrameRate);  // not keep_ori_frame_rate
  EXPECT_EQ("1", f.KeepOriFrameRate);
  EXPECT_EQ("128000$128 kbps", f.AudioBitRates);
  EXPECT_EQ("2$Stereo", f.Channels);
  // Missing attributes and unclosed values are empty.
  TFormat g;
  ParseFormatRow("<ROW id=\"5\" name=\"open", g);
  EXPECT_EQ("5", g.Category);
  EXPECT_EQ("", g.Title);
  EXPECT_EQ("", g.Width);
}

TEST(FormatFile, ScramblingIsItsOwnInverseAndRawTextDoesNotDecode) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(all, ScrambleBytes(ScrambleBytes(all)));
  const std::string text = FormatFileText({Row("1", "Ñandú")});
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadFormatsText(ScrambleBytes(text), lines));
  ASSERT_EQ(6u, lines.size());  // the final line break adds no line
  EXPECT_EQ("</DATAPACKET>", lines[5]);
  EXPECT_FALSE(LoadFormatsText(text, lines));  // an unscrambled file is not UTF-8 once complemented
}

TEST(CategoryFile, ReadsSizesAndCategoriesUpToTheEnd) {
  std::vector<TProfile> profiles;
  int height = 0, item = 0;
  ASSERT_TRUE(ParseCategoryFile(kCategories, profiles, height, item));
  EXPECT_EQ(470, height);
  EXPECT_EQ(57, item);
  ASSERT_EQ(3u, profiles.size());
  EXPECT_EQ("1", profiles[0].ID);
  EXPECT_EQ("Audio & Music", profiles[0].Title);
  EXPECT_EQ("cat_a", profiles[0].Icon);
  EXPECT_EQ("cat_v", profiles[1].Icon);
}

// Every broken catalogue file gives its own error text and mark once, the
// program still has a usable catalogue (the custom category, current
// indexes inside it) and nothing crashes.
TEST(BuildCatalogue, BrokenFilesReportTheirErrorAndKeepTheProgramUsable) {
  const std::string categories = kCategories;
  const std::string rows = FormatFileText({Row("1", "A"), Row("2", "B"), Row("2", "C")});
  const std::string formats = ScrambleBytes(rows);
  const std::string custom = CustomProfilesText({});
  const std::string noEnd = categories.substr(0, categories.find("</profile>"));
  const struct {
    const char* name;
    std::optional<std::string> categories, formats, custom;
    std::vector<std::string> errors;
  } cases[] = {
      {"all good", categories, formats, custom, {}},
      {"no custom file", categories, formats, std::nullopt, {}},
      {"missing categories", std::nullopt, formats, custom, {"Error loading profiles"}},
      {"empty categories", std::string(), formats, custom, {"Error loading profiles"}},
      {"categories without end", noEnd, formats, custom, {"Error loading profiles"}},
      {"categories truncated", categories.substr(0, 30), formats, custom, {"Error loading profiles"}},
      {"height not a number",
       "x\n<profile height=\"tall\">\n<categories>\n</profile>\n", formats, custom,
       {"Error loading profiles"}},
      {"categories not UTF-8", "\xFF\xFE\x00\x01", formats, custom, {"Error loading profiles"}},
      {"missing formats", categories, std::nullopt, custom, {"Error loading formats"}},
      {"empty formats", categories, std::string(), custom, {"Error loading formats"}},
      {"unscrambled formats", categories, rows, custom, {"Error loading formats"}},
      {"truncated formats", categories, formats.substr(0, formats.size() / 3), custom,
       {"Error loading formats"}},
      {"formats cut after a row", categories,
       ScrambleBytes(rows.substr(0, rows.find("</ROWDATA>"))), custom, {"Error loading formats"}},
      {"corrupt formats", categories, std::string(4000, '\x42'), custom, {"Error loading formats"}},
      {"corrupt custom file", categories, formats,
       std::string("h1\r\nh2\r\nh3\r\n<ROW id=\"-1\" name=\"x\" channel=\"2 -f null\"/>\r\n"),
       {"Error loading custom formats"}},
      {"truncated custom file", categories, formats,
       CustomProfilesText({TFormat()}).substr(0, 150), {"Error loading custom formats"}},
      {"empty custom file", categories, formats, std::string(), {}},
      {"everything broken", std::string(), std::string("\x01"), std::string("\xFF"),
       {"Error loading profiles", "Error loading formats"}},
  };
  for (const auto& c : cases) {
    TReports reports;
    TCatalogueFiles files{c.categories, c.formats, c.custom};
    BuildCatalogue(files);
    EXPECT_EQ(c.errors, reports.texts) << c.name;
    ASSERT_FALSE(Profiles.empty()) << c.name;
    EXPECT_EQ("-1", Profiles.back().ID) << c.name;
    EXPECT_EQ("menucustom", Profiles.back().Icon) << c.name;
    EXPECT_EQ(static_cast<int>(Profiles.size()) - 1, CustomProfileIndex) << c.name;
    ASSERT_LT(CurrentProfileIndex, static_cast<int>(Profiles.size())) << c.name;
    const auto& current = Profiles[CurrentProfileIndex].Formats;
    EXPECT_TRUE(current.empty() ? CurrentFormatIndex == 0
                                : CurrentFormatIndex < static_cast<int>(current.size()))
        << c.name;
  }
  TReports reports;
  BuildCatalogue({std::nullopt, std::string(), std::nullopt});
  EXPECT_EQ((std::vector<std::string>{"CLM_LoadProfiles", "CLM_LoadFormats"}), reports.marks);
  EXPECT_FALSE(CatalogueHasFormats());
}

TEST(BuildCatalogue, PlacesFormatsByCategoryAndPicksTheRememberedOne) {
  const std::string formats = ScrambleBytes(
      FormatFileText({Row("1", "A"), Row("2", "B"), Row("-1", "Shipped custom"), Row("2", "C"),
                      Row("77", "Nowhere")}));
  std::vector<TFormat> mine(1);
  mine[0].Title = "Mine";
  mine[0].Category = "-1";
  RecentProfileIndex = 1;
  RecentFormatIndex = 1;
  LastEditedProfileIndex = 1;
  LastEditedFormatIndex = 0;
  LastEditedValues = TLastEditedValues();
  LastEditedValues.Width = "320";
  BuildCatalogue({std::string(kCategories), formats, CustomProfilesText(mine)});
  ASSERT_EQ(4u, Profiles.size());
  EXPECT_EQ(1u, Profiles[0].Formats.size());
  ASSERT_EQ(2u, Profiles[1].Formats.size());
  EXPECT_TRUE(Profiles[2].Formats.empty());  // a category no format uses
  ASSERT_EQ(2u, Profiles[3].Formats.size());
  EXPECT_EQ("Shipped custom", Profiles[3].Formats[0].Title);
  EXPECT_EQ("Mine", Profiles[3].Formats[1].Title);
  EXPECT_EQ(1, CurrentProfileIndex);
  EXPECT_EQ(1, CurrentFormatIndex);
  EXPECT_EQ("C", Profiles[1].Formats[1].Title);
  // The last-edited values replace only what the settings held.
  EXPECT_EQ("320", Profiles[1].Formats[0].Width);
  EXPECT_EQ("480", Profiles[1].Formats[0].Height);
  EXPECT_FALSE(FormatPlaced[4]);
  // The remembered format gone: the first existing one is current.
  RecentProfileIndex = 2;
  BuildCatalogue({std::string(kCategories), formats, std::nullopt});
  EXPECT_EQ(0, CurrentProfileIndex);
  EXPECT_EQ(0, CurrentFormatIndex);
  RecentProfileIndex = 4;
  RecentFormatIndex = 2;
  LastEditedProfileIndex = LastEditedFormatIndex = -1;
  LastEditedValues = TLastEditedValues();
}

TEST(CustomProfiles, TitlesWithQuotesMarkupAndNonAsciiSurviveSaveAndReload) {
  std::vector<TFormat> saved(3);
  const char* titles[] = {"Say \"hi\" & <bye>", "Vídeo ñandú 日本 😀", "x\" description=\"y"};
  for (int i = 0; i < 3; ++i) {
    ParseFormatRow(Row("-1", "t"), saved[i]);
    saved[i].Title = titles[i];
    saved[i].Description = std::string("about ") + titles[i];
    saved[i].ExtraParam = "-movflags +faststart";
  }
  const std::string file = CustomProfilesText(saved);
  EXPECT_EQ(0u, file.find("\xEF\xBB\xBF<?xml version=\"1.0\" standalone=\"yes\"?>\r\n"
                          "<DATAPACKET Version=\"2.0\">\r\n<ROWDATA>\r\n<ROW id=\"-1\" name=\""));
  EXPECT_NE(std::string::npos, file.find("\"/>\r\n</ROWDATA>\r\n</DATAPACKET>\r\n"));
  std::vector<TFormat> loaded;
  ASSERT_TRUE(ParseCustomProfiles(file, loaded));
  ASSERT_EQ(3u, loaded.size());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(titles[i], loaded[i].Title);
    EXPECT_EQ(saved[i].Description, loaded[i].Description);
    EXPECT_EQ("-1", loaded[i].Category);
    EXPECT_EQ("i", loaded[i].Icon);
    EXPECT_EQ("25000", loaded[i].FrameRate);
    EXPECT_EQ("-movflags +faststart", loaded[i].ExtraParam);
    EXPECT_EQ("2$Stereo", loaded[i].Channels);
  }
}

// Whatever the catalogue holds in the custom profile is written so that it
// reads back the same, however often it is saved and loaded.
TEST(CustomProfiles, EveryCustomFormatSurvivesRepeatedSaveAndLoadUnchanged) {
  // A shipped row carrying an option in a value never reaches the custom
  // profile (the custom file would refuse it and shift the rows after it).
  std::string evil = Row("-1", "evil");
  evil.replace(evil.find("sample_rate=\"44100\""), 19, "sample_rate=\"441<category id=\"");
  BuildCatalogue({std::string(kCategories), ScrambleBytes(FormatFileText({evil, Row("-1", "FLAC")})), std::nullopt});
  ASSERT_EQ(1u, Profiles.back().Formats.size());
  EXPECT_EQ("FLAC", Profiles.back().Formats[0].Title);

  std::vector<TFormat> saved(3);
  for (auto& f : saved) ParseFormatRow(Row("-1", "t"), f);
  saved[0].Title = "a</ROWDATA>b";  // would end the rows early
  saved[1].Title = "tab\there\r\nand a break";
  saved[2].Width = saved[2].Height = "-1";  // a size typed without its asterisk
  saved[2].KeepOriFrameRate = "0 frame_rate=";  // looks like the next attribute
  std::vector<TFormat> current = saved;
  for (int round = 0; round < 3; ++round) {
    std::vector<TFormat> loaded;
    ASSERT_TRUE(ParseCustomProfiles(CustomProfilesText(current), loaded)) << round;
    ASSERT_EQ(3u, loaded.size()) << round;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(saved[i].Title, loaded[i].Title) << round;
      EXPECT_EQ(saved[i].Width, loaded[i].Width) << round;
      EXPECT_EQ(saved[i].Height, loaded[i].Height) << round;
      EXPECT_EQ(saved[i].Channels, loaded[i].Channels) << round;
      EXPECT_EQ(saved[i].KeepOriFrameRate, loaded[i].KeepOriFrameRate) << round;
      EXPECT_EQ(saved[i].FrameRate, loaded[i].FrameRate) << round;
    }
    current = loaded;
  }
}

TEST(CustomProfiles, OlderFilesAndBrokenRowsReadSafely) {
  // Code-page text (Windows-1252) as older versions wrote it.
  std::string old = "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<DATAPACKET Version=\"2.0\">\r\n<ROWDATA>\r\n" +
                    Row("-1", "V\xED" "deo Tom & Jerry") + "\r\n</ROWDATA>\r\n</DATAPACKET>\r\n";
  std::vector<TFormat> loaded;
  ASSERT_TRUE(ParseCustomProfiles(old, loaded));
  ASSERT_EQ(1u, loaded.size());
  EXPECT_EQ("Vídeo Tom & Jerry", loaded[0].Title);
  // Without </ROWDATA> every line after the header is a row.
  loaded.clear();
  ASSERT_TRUE(ParseCustomProfiles("a\r\nb\r\nc\r\n" + Row("-1", "1") + "\r\n" + Row("-1", "2"), loaded));
  EXPECT_EQ(2u, loaded.size());
  // Values that would carry options are refused; the good rows stay.
  loaded.clear();
  std::string evil = Row("-1", "evil");
  evil.replace(evil.find("aac\""), 4, "aac -f mp4 /tmp/x\"");
  std::string evil2 = Row("-1", "evil2");
  evil2.replace(evil2.find("width=\"640\""), 11, "width=\"640 -y\"");
  std::vector<std::string> refused;
  EXPECT_FALSE(ParseCustomProfiles("a\nb\nc\n" + evil + "\n" + Row("-1", "ok") + "\n" + evil2, loaded, &refused));
  ASSERT_EQ(1u, loaded.size());
  EXPECT_EQ("ok", loaded[0].Title);
  // The refused rows, as the file holds them, are written back after the
  // good ones and refused again when read.
  EXPECT_EQ((std::vector<std::string>{evil, evil2}), refused);
  const std::string again = CustomProfilesText(loaded, refused);
  std::vector<TFormat> reloaded;
  std::vector<std::string> refusedAgain;
  EXPECT_FALSE(ParseCustomProfiles(again, reloaded, &refusedAgain));
  ASSERT_EQ(1u, reloaded.size());
  EXPECT_EQ("ok", reloaded[0].Title);
  EXPECT_EQ(refused, refusedAgain);
  // Empty and header-only files hold no formats and no error.
  loaded.clear();
  EXPECT_TRUE(ParseCustomProfiles("", loaded));
  EXPECT_TRUE(ParseCustomProfiles(CustomProfilesText({}), loaded));
  EXPECT_TRUE(loaded.empty());
}

}  // namespace
