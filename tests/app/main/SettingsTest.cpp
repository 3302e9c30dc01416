// Settings in the registry and the custom-profile file on disk.
#include "support/gtest.h"

#include <windows.h>

#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ProfileFiles.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Clear();
    Reset();
  }
  void TearDown() override {
    Clear();
    Reset();
    Profiles.clear();
  }
  static void Clear() {
    TRegistry reg;
    reg.DeleteKey(RegistryKeyPath);
  }
  static void Reset() {
    UserId = 0;
    LanguageIndex = 0;
    RecentProfileIndex = 4;
    RecentFormatIndex = 2;
    LastEditedProfileIndex = LastEditedFormatIndex = -1;
    LastEditedValues = TLastEditedValues();
    UseAllCPUs = true;
    CustomCPUNumber = 1;
    CpuCount = 4;
    TempFolder = SnapshotFolder = OutputPathText = OpenVideoDialogPath = "";
    OpenDialogSelectionFolder = "";
    DonateDialogEnabled = true;
    CustomProfileFolder = "";
  }
  static TProfile Profile(int formats) {
    TProfile p;
    for (int i = 0; i < formats; ++i) {
      TFormat f;
      f.Width = "640";
      f.Height = "480";
      f.VideoCodecName = "libx264";
      f.AudioCodecName = "aac";
      f.FrameRate = "25000";
      f.VideoBitRate = "1000000";
      f.SampleRate = "44100";
      f.AudioBitRate = "128000";
      f.Channel = "2";
      p.Formats.push_back(f);
    }
    return p;
  }
};

TEST_F(SettingsTest, RoundTripThroughTheKey) {
  Profiles = {Profile(1), Profile(3)};
  Profiles[1].Formats[2].Width = "320";
  UserId = 0;
  OutputPathText = "C:\\Videos\\Out";
  OpenDialogSelectionFolder = "C:\\";
  SnapshotFolder = "C:\\Snaps";
  RecentProfileIndex = 1;
  RecentFormatIndex = 2;
  LastEditedProfileIndex = 1;
  LastEditedFormatIndex = 2;
  LanguageIndex = 1;
  UseAllCPUs = false;
  CustomCPUNumber = 3;
  TempFolder = "C:\\Tmp";
  DonateDialogEnabled = false;
  SaveSettings();
  const int user = UserId;
  EXPECT_GE(user, 0);
  EXPECT_LE(user, 9999999);

  Reset();
  LoadSettingsFor(MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT));
  EXPECT_EQ(user, UserId);
  EXPECT_EQ("C:\\Videos\\Out", OutputPathText);
  EXPECT_EQ("C:\\", OpenVideoDialogPath);
  EXPECT_EQ("C:\\Snaps", SnapshotFolder);
  EXPECT_EQ(1, RecentProfileIndex);
  EXPECT_EQ(2, RecentFormatIndex);
  EXPECT_EQ(1, LastEditedProfileIndex);
  EXPECT_EQ(2, LastEditedFormatIndex);
  EXPECT_EQ("320", LastEditedValues.Width);
  EXPECT_EQ("libx264", LastEditedValues.VideoCodecName);
  EXPECT_EQ("2", LastEditedValues.Channel);
  EXPECT_EQ(1, LanguageIndex);
  EXPECT_FALSE(UseAllCPUs);
  EXPECT_EQ(3, CustomCPUNumber);
  EXPECT_EQ("C:\\Tmp", TempFolder);
  EXPECT_FALSE(DonateDialogEnabled);

  // The user number stays; a removed last-edited format is forgotten.
  Profiles = {Profile(1), Profile(1)};
  SaveSettings();
  EXPECT_EQ(user, UserId);
  Reset();
  LoadSettingsFor(0);
  EXPECT_EQ(-1, LastEditedProfileIndex);
  EXPECT_EQ(-1, LastEditedFormatIndex);
}

TEST_F(SettingsTest, FirstStartFollowsTheSystemLanguage) {
  LoadSettingsFor(MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MEXICAN));
  EXPECT_EQ(1, LanguageIndex);
  Reset();
  LoadSettingsFor(MAKELANGID(LANG_GERMAN, SUBLANG_DEFAULT));
  EXPECT_EQ(0, LanguageIndex);
  // Once the key exists, the stored language wins.
  SaveSettings();
  Reset();
  LoadSettingsFor(MAKELANGID(LANG_SPANISH, SUBLANG_DEFAULT));
  EXPECT_EQ(0, LanguageIndex);
}

TEST_F(SettingsTest, BadValuesAreClampedOrSkipped) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(RegistryKeyPath, true));
    reg.WriteInteger("language", -7);
    reg.WriteInteger("CustomCPUNumber", 0);
    reg.WriteString("recentformatind", "two");  // wrong type: skipped
    reg.WriteInteger("recentprofileind", 1);
    reg.WriteString("videocodecname", "aac -f null");
    reg.WriteString("videowidth", "640 -y");
    reg.WriteString("videoheight", "360");
    reg.WriteInteger("framerate", 25000);  // wrong type
    reg.WriteString("TempFilesFolder", "C:\\T");
    reg.WriteString("OpenVideoDialogPath", "C:\\does\\not\\exist");
  }
  LoadSettingsFor(0);
  EXPECT_EQ(0, LanguageIndex);
  EXPECT_EQ(1, CustomCPUNumber);
  EXPECT_EQ(2, RecentFormatIndex);
  EXPECT_EQ(1, RecentProfileIndex);
  EXPECT_EQ("", LastEditedValues.VideoCodecName);
  EXPECT_EQ("", LastEditedValues.Width);
  EXPECT_EQ("360", LastEditedValues.Height);
  EXPECT_EQ("", LastEditedValues.FrameRate);
  EXPECT_EQ("C:\\T", TempFolder);  // read after the bad values
  EXPECT_EQ("", OpenVideoDialogPath);

  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(RegistryKeyPath, true));
    reg.WriteInteger("CustomCPUNumber", 1000);
    reg.WriteInteger("language", 99);
    reg.WriteInteger("recentprofileind", -3);
  }
  LoadSettingsFor(0);
  EXPECT_EQ(4, CustomCPUNumber);  // CpuCount
  EXPECT_EQ(4, RecentProfileIndex);
  LoadTranslations();  // the table has two languages
  EXPECT_EQ(0, LanguageIndex);
  TranslationTable.clear();
}

TEST_F(SettingsTest, CustomProfilesSurviveSaveAndReloadFromDisk) {
  char16_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, reinterpret_cast<LPWSTR>(temp));
  CustomProfileFolder = UTF16ToUTF8(temp) + "tess_custom_test";
  ForceDirectories(CustomProfileFolder);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(CustomProfilesFile()).c_str()));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(CustomProfilesFile() + ".bak").c_str()));

  LoadProfileCatalogue();
  ASSERT_FALSE(Profiles.empty());
  TFormat mine = Profiles[4].Formats[2];
  mine.Category = "-1";
  mine.Title = "Mi \"vídeo\" <1> & más";
  Profiles[CustomProfileIndex].Formats.push_back(mine);
  ASSERT_TRUE(SaveCustomProfiles());
  LoadProfileCatalogue();
  ASSERT_EQ(1u, Profiles[CustomProfileIndex].Formats.size());
  EXPECT_EQ("Mi \"vídeo\" <1> & más", Profiles[CustomProfileIndex].Formats[0].Title);
  EXPECT_EQ(mine.ExtraParam, Profiles[CustomProfileIndex].Formats[0].ExtraParam);

  // A file that cannot be read whole is reported and kept aside before a
  // save can replace it.
  const std::string broken = "h\r\nh\r\nh\r\n<ROW id=\"-1\" name=\"a\" channel=\"2; rm\"/>\r\n";
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(CustomProfilesFile()).c_str()),
                         GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(h, broken.data(), static_cast<DWORD>(broken.size()), &written, nullptr);
  CloseHandle(h);
  std::vector<std::string> errors;
  OnReportError = [&](const std::string& t, const std::string&) { errors.push_back(t); };
  LoadProfileCatalogue();
  OnReportError = nullptr;
  EXPECT_EQ(std::vector<std::string>{"Error loading custom formats"}, errors);
  EXPECT_TRUE(FileExists(CustomProfilesFile() + ".bak"));
  EXPECT_TRUE(Profiles[CustomProfileIndex].Formats.empty());

  // A folder that cannot take the file: reported, nothing crashes.
  CustomProfileFolder += "\\missing";
  EXPECT_TRUE(SaveCustomProfiles());  // no folder: nothing to write
}

}  // namespace
