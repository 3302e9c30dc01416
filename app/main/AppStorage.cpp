#include "app/main/AppStorage.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>

#include "app/main/AppData.h"
#include "app/main/ProfileFiles.h"
#include "framework/Graphics.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"

std::string OutputPathText;
std::string OpenVideoDialogPath;
std::string OpenDialogSelectionFolder;
bool DonateDialogEnabled = true;

namespace {

std::optional<std::string> ReadWholeFile(const std::string& name) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), GENERIC_READ,
                         FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string data;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buffer, sizeof buffer, &got, nullptr)) && got > 0) data.append(buffer, got);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return data;
}

bool WriteWholeFile(const std::string& name, const std::string& data) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), GENERIC_WRITE, 0,
                         nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = data.empty() || (WriteFile(h, data.data(), static_cast<DWORD>(data.size()),
                                             &written, nullptr) &&
                                   written == data.size());
  const bool flushed = FlushFileBuffers(h);
  CloseHandle(h);
  return ok && flushed;
}

std::string ProfileFolder() { return ProgramFolder() + "\\varnotel-profiles"; }

}  // namespace

std::string ProgramFolder() {
  std::string folder = ExeFolder();
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

void LoadTranslations() {
  const auto bytes = ReadWholeFile(ProgramFolder() + "\\languages\\transl.dat");
  if (bytes) LoadTranslationTable(*bytes);
  else TranslationTable.clear();
  if (LanguageIndex < 0 || (LanguageCount() > 0 && LanguageIndex >= LanguageCount()))
    LanguageIndex = 0;
}

std::string ResourceStringsFile() {
  return ProgramFolder() + "\\languages\\resource" + std::to_string(LanguageIndex) + ".dat";
}

std::string CustomProfilesFile() { return CustomProfileFolder + "\\custom-profiles.dat"; }

void LoadProfileCatalogue() {
  const std::string n = std::to_string(LanguageIndex);
  TCatalogueFiles files;
  files.Categories = ReadWholeFile(ProfileFolder() + "\\profiles" + n + ".dat");
  files.Formats = ReadWholeFile(ProfileFolder() + "\\formats" + n + ".dat");
  if (!CustomProfileFolder.empty()) files.Custom = ReadWholeFile(CustomProfilesFile());
  const TCatalogueResult result = BuildCatalogue(files);
  if (result.CustomReadFailed) {
    const std::u16string from = UTF8ToUTF16(CustomProfilesFile());
    const std::u16string to = UTF8ToUTF16(CustomProfilesFile() + ".bak");
    CopyFileW(reinterpret_cast<LPCWSTR>(from.c_str()), reinterpret_cast<LPCWSTR>(to.c_str()), FALSE);
  }
}

bool SaveCustomProfiles() {
  if (CustomProfileFolder.empty() || !DirectoryExists(CustomProfileFolder)) return true;
  std::vector<TFormat> formats;
  if (CustomProfileIndex >= 0 && CustomProfileIndex < static_cast<int>(Profiles.size()))
    formats = Profiles[CustomProfileIndex].Formats;
  const std::string target = CustomProfilesFile();
  const std::string temporary = target + ".new";
  const bool ok =
      WriteWholeFile(temporary, CustomProfilesText(formats, RefusedCustomRows)) &&
      MoveFileExW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(temporary).c_str()),
                  reinterpret_cast<LPCWSTR>(UTF8ToUTF16(target).c_str()),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(temporary).c_str()));
    ReportError(Translate("Cannot save custom profiles"), "CLM_SaveCustomProfiles");
  }
  return ok;
}

// ---- settings -------------------------------------------------------------------

namespace {

// Each value is read on its own: a value of another type is skipped and
// reading goes on with the next one.
template <class T, class F>
void ReadValue(TRegistry& reg, const char* name, F read, T& target) {
  if (!reg.ValueExists(name)) return;
  try {
    target = read(name);
  } catch (const ERegistryException&) {
  }
}

void ReadLastEdited(TRegistry& reg, const char* name, std::string& target, bool codec) {
  std::string value;
  ReadValue(reg, name, [&](const char* n) { return reg.ReadString(n); }, value);
  // Only values that can safely reach option text replace the format's own.
  target = (codec ? IsCodecName(value) : IsDecimalText(value)) ? value : std::string();
}

}  // namespace

void LoadSettings() { LoadSettingsFor(GetUserDefaultUILanguage()); }

void LoadSettingsFor(uint16_t uiLanguage) {
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(RegistryKeyPath)) {
    if ((uiLanguage & 0xFF) == LANG_SPANISH) LanguageIndex = 1;
    return;
  }
  auto readInt = [&](const char* n) { return reg.ReadInteger(n); };
  auto readText = [&](const char* n) { return reg.ReadString(n); };
  auto readBool = [&](const char* n) { return reg.ReadBool(n); };
  ReadValue(reg, "userid", readInt, UserId);
  ReadValue(reg, "OutputPath", readText, OutputPathText);
  ReadValue(reg, "OpenVideoDialogPath", readText, OpenVideoDialogPath);
  if (!OpenVideoDialogPath.empty() && !DirectoryExists(OpenVideoDialogPath))
    OpenVideoDialogPath.clear();
  ReadValue(reg, "DonateDialogEnabled", readBool, DonateDialogEnabled);
  ReadValue(reg, "ScreenShotsPath", readText, SnapshotFolder);
  ReadValue(reg, "recentformatind", readInt, RecentFormatIndex);
  ReadValue(reg, "recentprofileind", readInt, RecentProfileIndex);
  ReadValue(reg, "lasteditedformatind", readInt, LastEditedFormatIndex);
  ReadValue(reg, "lasteditedprofileind", readInt, LastEditedProfileIndex);
  TLastEditedValues& v = LastEditedValues;
  ReadLastEdited(reg, "videocodecname", v.VideoCodecName, true);
  ReadLastEdited(reg, "videobitrate", v.VideoBitRate, false);
  ReadLastEdited(reg, "framerate", v.FrameRate, false);
  ReadLastEdited(reg, "videowidth", v.Width, false);
  ReadLastEdited(reg, "videoheight", v.Height, false);
  ReadLastEdited(reg, "audiocodecname", v.AudioCodecName, true);
  ReadLastEdited(reg, "audiobitrate", v.AudioBitRate, false);
  ReadLastEdited(reg, "samplerate", v.SampleRate, false);
  ReadLastEdited(reg, "channels", v.Channel, false);
  ReadValue(reg, "Language", readInt, LanguageIndex);
  ReadValue(reg, "CustomCPUNumber", readInt, CustomCPUNumber);
  ReadValue(reg, "TempFilesFolder", readText, TempFolder);
  ReadValue(reg, "UseAllCPUs", readBool, UseAllCPUs);
  reg.CloseKey();

  // A negative language has no column; one above the table is caught when
  // the table is read.
  if (LanguageIndex < 0) LanguageIndex = 0;
  // Zero threads would run the conversion on the GUI thread.
  CustomCPUNumber = std::clamp(CustomCPUNumber, 1, std::max(CpuCount, 1));
  if (RecentProfileIndex < 0 || RecentFormatIndex < 0) {
    RecentProfileIndex = 4;
    RecentFormatIndex = 2;
  }
  if (LastEditedProfileIndex < -1) LastEditedProfileIndex = -1;
  if (LastEditedFormatIndex < -1) LastEditedFormatIndex = -1;
}

void SaveSettings() {
  if (UserId == 0) {
    std::mt19937 random(static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    UserId = std::uniform_int_distribution<int>(0, 9999999)(random);
  }
  {
    TRegistry reg;
    try {
      if (reg.OpenKey(RegistryKeyPath, true)) {
        reg.WriteInteger("userid", UserId);
        reg.WriteString("OutputPath", OutputPathText);
        if (!OpenDialogSelectionFolder.empty())
          reg.WriteString("OpenVideoDialogPath", OpenDialogSelectionFolder);
        reg.WriteBool("DonateDialogEnabled", DonateDialogEnabled);
        reg.WriteString("ScreenShotsPath", SnapshotFolder);
        reg.WriteInteger("recentformatind", RecentFormatIndex);
        reg.WriteInteger("recentprofileind", RecentProfileIndex);
        reg.WriteInteger("recentformatind", RecentFormatIndex);
        reg.WriteInteger("language", LanguageIndex);
        reg.WriteBool("UseAllCPUs", UseAllCPUs);
        reg.WriteInteger("CustomCPUNumber", CustomCPUNumber);
        reg.WriteString("TempFilesFolder", TempFolder);

        const int lastProfile = static_cast<int>(Profiles.size()) - 1;
        if (LastEditedProfileIndex > lastProfile) {
          LastEditedProfileIndex = -1;
        } else if (LastEditedProfileIndex >= 0 &&
                   LastEditedFormatIndex >
                       static_cast<int>(Profiles[LastEditedProfileIndex].Formats.size()) - 1) {
          LastEditedFormatIndex = -1;
        }
        if (LastEditedProfileIndex < 0 || LastEditedFormatIndex < 0) {
          reg.WriteInteger("lasteditedformatind", -1);
          reg.WriteInteger("lasteditedprofileind", -1);
        } else {
          reg.WriteInteger("lasteditedformatind", LastEditedFormatIndex);
          reg.WriteInteger("lasteditedprofileind", LastEditedProfileIndex);
          const TFormat& f = Profiles[LastEditedProfileIndex].Formats[LastEditedFormatIndex];
          reg.WriteString("videocodecname", f.VideoCodecName);
          reg.WriteString("videobitrate", f.VideoBitRate);
          reg.WriteString("framerate", f.FrameRate);
          reg.WriteString("videowidth", f.Width);
          reg.WriteString("videoheight", f.Height);
          reg.WriteString("audiocodecname", f.AudioCodecName);
          reg.WriteString("audiobitrate", f.AudioBitRate);
          reg.WriteString("samplerate", f.SampleRate);
          reg.WriteString("channels", f.Channel);
        }
      }
    } catch (const std::exception&) {
      ReportError(Translate("Error writing data to Registry"), "CLM_RegDataWrite");
    }
    reg.CloseKey();
  }
  SaveCustomProfiles();
}

void CopyFont(const TFont* source, TFont* destination) {
  destination->SetColor(source->Color());
  destination->SetHeight(source->Height());
  destination->SetName(source->Name());
  destination->SetOrientation(source->Orientation());
  destination->SetPitch(source->Pitch());
  destination->SetSize(source->Size());
  destination->SetStyle(source->Style());
}

bool IsMouseButtonDown() {
  const int key = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  return (GetAsyncKeyState(key) & 0x8000) != 0;
}
