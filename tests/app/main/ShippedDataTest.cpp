// The data files laid beside the program, read the way the program reads
// them.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ProfileFiles.h"
#include "framework/SysUtils.h"

namespace {

struct TCatalogue {
  std::vector<TProfile> profiles;
  std::vector<std::string> errors;
};

TCatalogue LoadLanguage(int language) {
  TCatalogue result;
  OnReportError = [&](const std::string& t, const std::string&) { result.errors.push_back(t); };
  const int saved = LanguageIndex;
  const std::string folder = CustomProfileFolder;
  LanguageIndex = language;
  CustomProfileFolder.clear();
  LoadProfileCatalogue();
  LanguageIndex = saved;
  CustomProfileFolder = folder;
  OnReportError = nullptr;
  result.profiles = Profiles;
  return result;
}

std::vector<std::string> Lines(const std::string& file) {
  std::ifstream in(ToNativePath(ProgramFolder() + "\\" + file), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::vector<std::string> lines;
  EXPECT_TRUE(DecodeTextLines(s.str(), lines)) << file;
  return lines;
}

TEST(ShippedData, BothLanguagesShareOrderIdsAndValues) {
  const TCatalogue en = LoadLanguage(0), es = LoadLanguage(1);
  EXPECT_TRUE(en.errors.empty());
  EXPECT_TRUE(es.errors.empty());
  ASSERT_EQ(en.profiles.size(), es.profiles.size());
  ASSERT_GE(en.profiles.size(), 6u);  // five categories at least, then the custom one
  for (size_t p = 0; p < en.profiles.size(); ++p) {
    const TProfile &a = en.profiles[p], &b = es.profiles[p];
    EXPECT_EQ(a.ID, b.ID);
    EXPECT_EQ(a.Icon, b.Icon);
    ASSERT_EQ(a.Formats.size(), b.Formats.size()) << a.Title;
    for (size_t f = 0; f < a.Formats.size(); ++f) {
      TFormat x = a.Formats[f], y = b.Formats[f];
      EXPECT_FALSE(x.Title.empty());
      EXPECT_FALSE(y.Title.empty());
      x.Title = y.Title = x.Description = y.Description = "";
      EXPECT_EQ(CustomProfilesText({x}), CustomProfilesText({y})) << a.Formats[f].Title;
    }
  }
  EXPECT_EQ("Custom Profiles", en.profiles.back().Title);
}

TEST(ShippedData, FormatsFollowTheRulesTheConversionRelies) {
  const TCatalogue en = LoadLanguage(0);
  ASSERT_GE(en.profiles.size(), 5u);
  ASSERT_GE(en.profiles[4].Formats.size(), 3u);
  const TFormat& current = en.profiles[4].Formats[2];
  EXPECT_EQ(".mp4", current.FormatExt);
  EXPECT_EQ("libx264", current.VideoCodecName);
  EXPECT_EQ("aac", current.AudioCodecName);
  std::set<std::string> icons;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>(
                                UTF8ToUTF16(ProgramFolder() + "\\varnotel-profiles\\Icons\\*.png").c_str()),
                            &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  do {
    const std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(found.cFileName));
    icons.insert(name.substr(0, name.size() - 4));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  EXPECT_TRUE(icons.count("menucustom"));
  size_t count = 0;
  for (const TProfile& p : en.profiles) {
    EXPECT_TRUE(p.ID == "-1" || icons.count(p.Icon)) << p.Icon;
    for (const TFormat& f : p.Formats) {
      ++count;
      SCOPED_TRACE(f.Title);
      EXPECT_TRUE(FormatValuesAreSafe(f));
      EXPECT_TRUE(icons.count(f.Icon));
      EXPECT_TRUE(f.IsAudioFormat == "0" || f.IsAudioFormat == "1");
      for (const std::string* v : {&f.AudioCodecName, &f.Channel, &f.SampleRate, &f.AudioBitRate})
        EXPECT_FALSE(v->empty());
      for (const char* missing : {"libfaac", "libfdk_aac", "amr"})
        EXPECT_EQ(std::string::npos, (f.AudioCodecs + f.VideoCodecs + f.AudioCodecName).find(missing));
      if (f.IsAudioFormat == "0") {
        const int w = std::stoi(f.Width), h = std::stoi(f.Height);
        EXPECT_TRUE(w % 2 == 0 && h % 2 == 0 && w >= 64 && w <= 1920 && h >= 64 && h <= 1280);
        EXPECT_NE(std::string::npos, f.Resolutions.find(f.Width + "*" + f.Height + "$"));
      }
    }
  }
  EXPECT_GE(count, 40u);
}

TEST(ShippedData, TranslationAndResourceFilesMatchInBothLanguages) {
  const std::vector<std::string> transl = Lines("languages\\transl.dat");
  ASSERT_GE(transl.size(), 3u);
  EXPECT_EQ("2", transl[0]);
  EXPECT_EQ("English", transl[1]);
  EXPECT_EQ("Español", transl[2]);
  EXPECT_EQ(1u, transl.size() % 2);
  for (size_t i = 1; i < transl.size(); ++i) EXPECT_FALSE(transl[i].empty()) << i;

  const std::vector<std::string> en = Lines("languages\\resource0.dat"),
                                 es = Lines("languages\\resource1.dat");
  ASSERT_EQ(131u, en.size());
  ASSERT_EQ(en.size(), es.size());
  EXPECT_EQ("MI_MINCAPTION=Mi&nimize", en[0]);
  EXPECT_EQ("DBNAV_REFRESH=REFRESH", en.back());
  for (size_t i = 0; i < en.size(); ++i)
    EXPECT_EQ(en[i].substr(0, en[i].find('=') + 1), es[i].substr(0, es[i].find('=') + 1));
}

TEST(ShippedData, TranslationsLoadFromBesideTheProgram) {
  LanguageIndex = 1;
  LoadTranslations();
  EXPECT_EQ("Convertir", Translate("Convert"));
  EXPECT_EQ("Perfiles personalizados", Translate("Custom Profiles"));
  LanguageIndex = 5;  // a language the table does not have
  LoadTranslations();
  EXPECT_EQ(0, LanguageIndex);
  EXPECT_EQ("Convert", Translate("Convert"));
  EXPECT_NE(std::string::npos, ResourceStringsFile().find("\\languages\\resource0.dat"));
  TranslationTable.clear();
}

}  // namespace
