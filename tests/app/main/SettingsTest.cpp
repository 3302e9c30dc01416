// Settings in the registry and the custom-profile file on disk.
#include "support/gtest.h"

#include <windows.h>

#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ProfileFiles.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"
#include "support/FormatValues.h"

namespace {

std::string ReadAll(const std::string& name) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), GENERIC_READ,
                         FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::string data(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(h);
  data.resize(got);
  return data;
}

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
      SetPlainMp4Values(f);
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

  // The values sit in the current user's key, integers and Booleans as
  // DWORD values, texts as strings.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"),
                                         0, KEY_READ, &key));
  auto raw = [&](const char16_t* name, DWORD& type) {
    BYTE data[512] = {};
    DWORD size = sizeof data;
    type = REG_NONE;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(name), nullptr, &type, data, &size));
    return std::string(reinterpret_cast<char*>(data), size);
  };
  DWORD type;
  const std::string language = raw(u"language", type);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(std::string("\x01\0\0\0", 4), language);
  EXPECT_EQ(std::string(4, '\0'), raw(u"UseAllCPUs", type));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  raw(u"OutputPath", type);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  raw(u"videowidth", type);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  RegCloseKey(key);

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
  // The open dialog was not used in that run: its folder stays as it was.
  EXPECT_EQ("C:\\", OpenVideoDialogPath);
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

  // Indexes past the catalogue: the catalogue still builds with a current
  // format that exists, and no last-edited value lands anywhere.
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(RegistryKeyPath, true));
    reg.WriteInteger("recentprofileind", 2);
    reg.WriteInteger("recentformatind", 2000000000);
    reg.WriteInteger("lasteditedprofileind", 2000000000);
    reg.WriteInteger("lasteditedformatind", 0);
    reg.WriteString("videowidth", "322");
  }
  LoadSettingsFor(0);
  LoadTranslations();  // as at start-up: the language above the table becomes English
  LoadProfileCatalogue();
  TranslationTable.clear();
  ASSERT_EQ(0, LanguageIndex);
  ASSERT_TRUE(CatalogueHasFormats());
  ASSERT_LT(CurrentProfileIndex, static_cast<int>(Profiles.size()));
  ASSERT_LT(CurrentFormatIndex, static_cast<int>(Profiles[CurrentProfileIndex].Formats.size()));
  for (const TProfile& p : Profiles)
    for (const TFormat& f : p.Formats) EXPECT_NE("322", f.Width) << f.Title;
  SaveSettings();
  LoadSettingsFor(0);
  EXPECT_EQ(-1, LastEditedProfileIndex);
}

TEST_F(SettingsTest, CustomProfilesSurviveSaveAndReloadFromDisk) {
  char16_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, reinterpret_cast<LPWSTR>(temp));
  CustomProfileFolder = UTF16ToUTF8(temp) + "tess_custom_test";
  ForceDirectories(CustomProfileFolder);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(CustomProfilesFile()).c_str()));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(CustomProfilesFile() + ".bak").c_str()));
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(CustomProfilesFile() + ".new").c_str()));

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
  // The refused row stays in the file through the saves that follow, beside
  // the formats saved with it, and is still refused when read again.
  Profiles[CustomProfileIndex].Formats.push_back(mine);
  ASSERT_TRUE(SaveCustomProfiles());
  OnReportError = [&](const std::string& t, const std::string&) { errors.push_back(t); };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_NE(std::string::npos, ReadAll(CustomProfilesFile()).find("<ROW id=\"-1\" name=\"a\" channel=\"2; rm\"/>"));
    LoadProfileCatalogue();
    ASSERT_EQ(1u, Profiles[CustomProfileIndex].Formats.size());
    EXPECT_EQ(mine.Title, Profiles[CustomProfileIndex].Formats[0].Title);
    ASSERT_TRUE(SaveCustomProfiles());
  }
  OnReportError = nullptr;
  Profiles[CustomProfileIndex].Formats.clear();

  // A write that fails is reported once and leaves the old file whole.
  Profiles[CustomProfileIndex].Formats.push_back(mine);
  ASSERT_TRUE(SaveCustomProfiles());
  const std::string before = ReadAll(CustomProfilesFile());
  ASSERT_FALSE(before.empty());
  const std::u16string blocker = UTF8ToUTF16(CustomProfilesFile() + ".new");
  ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<LPCWSTR>(blocker.c_str()), nullptr));
  Profiles[CustomProfileIndex].Formats.push_back(mine);
  errors.clear();
  OnReportError = [&](const std::string& t, const std::string&) { errors.push_back(t); };
  EXPECT_FALSE(SaveCustomProfiles());
  OnReportError = nullptr;
  EXPECT_EQ(std::vector<std::string>{"Cannot save custom profiles"}, errors);
  EXPECT_EQ(before, ReadAll(CustomProfilesFile()));
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(blocker.c_str()));

  // No folder to hold the file: nothing is written and nothing reported.
  CustomProfileFolder += "\\missing";
  EXPECT_TRUE(SaveCustomProfiles());
}

}  // namespace
