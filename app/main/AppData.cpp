#include <cstdio>
#include "app/main/AppData.h"

#include <cmath>
#include <stdexcept>

#include "app/main/ProfileFiles.h"

std::vector<TMediaFile> MediaFiles;
std::vector<TProfile> Profiles;
std::vector<TFormat> FormatList;
std::vector<bool> FormatPlaced;
int CurrentProfileIndex = 0, CurrentFormatIndex = 0;
int RecentProfileIndex = 4, RecentFormatIndex = 2;
int LastEditedProfileIndex = -1, LastEditedFormatIndex = -1;
int CustomProfileIndex = 0;
int ProfileMenuHeight = 0, ProfileItemHeight = 0;
std::vector<TTextOverlay> TextOverlays;
int64_t PromoWindowLength = 10000000;
bool DVDMode = false;
int DVDTitleCount = 0;
std::vector<std::vector<std::string>> TranslationTable;
int LanguageIndex = 0;
bool UseAllCPUs = true;
int CustomCPUNumber = 1;
int CpuCount = 1;
std::string TempFolder, OutputFolder, SnapshotFolder, CustomProfileFolder, SkinFolder,
    ReportDataFolder;
const char* const RegistryKeyPath = "Software\\Brenlowe\\Tessavane";
const char* const JoinQuestion = "Join all checked music after conversion?";
int UserId = 0;
TLastEditedValues LastEditedValues;

TReportErrorHandler OnReportError;
std::function<void()> OnItemsChanged;

void ReportError(const std::string& text, const std::string& mark) {
  // The error window never stands empty: without a message it names at
  // least the operation that failed.
  const bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
  if (OnReportError) OnReportError(blank ? "The operation failed without a message (" + mark + ")." : text, mark);
}

const TFormat* FormatOfItem(const TMediaFile& item) {
  if (item.ProfileInd < 0 || item.ProfileInd >= static_cast<int>(Profiles.size())) return nullptr;
  const auto& formats = Profiles[item.ProfileInd].Formats;
  if (item.FormatInd < 0 || item.FormatInd >= static_cast<int>(formats.size())) return nullptr;
  return &formats[item.FormatInd];
}

namespace {

// A bit rate as the estimate reads it: empty is 0, anything but a decimal
// number fails.
bool ReadBitRate(const std::string& text, long double& value) {
  if (text.empty()) {
    value = 0;
    return true;
  }
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return false;
  for (size_t j = i; j < text.size(); ++j)
    if (text[j] < '0' || text[j] > '9') return false;
  long long n = std::stoll(text);
  if (n > INT32_MAX || n < INT32_MIN) return false;
  value = static_cast<long double>(n);
  return true;
}

}  // namespace

void RecalcItem(int row) {
  if (row < 0 || row >= static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[row];
  const TFormat* format = FormatOfItem(item);
  if (!format) return;
  // Whole seconds only, and only lengths a time of day can show.
  if (item.TrimmedLength < 0 || item.TrimmedLength >= 86400LL * 1000000) return;
  const int64_t seconds = item.TrimmedLength / 1000000;
  long double video = 0, audio = 0;
  if (!ReadBitRate(format->VideoBitRate, video) || !ReadBitRate(format->AudioBitRate, audio)) return;
  const long double s = static_cast<long double>(seconds);
  item.EstimatedSize =
      static_cast<double>((video / 1000 * 0.125L * s + audio / 1000 * 0.125L * s) / 1024);
}

void CopyFormat(int srcProfile, int srcFormat, int dstProfile, int dstFormat) {
  TFormat copy = Profiles.at(srcProfile).Formats.at(srcFormat);
  copy.AreSettingsChanged = false;
  Profiles.at(dstProfile).Formats.at(dstFormat) = copy;
}

void ApplyProfileToAll() {
  for (auto& item : MediaFiles) {
    item.ProfileInd = CurrentProfileIndex;
    item.FormatInd = CurrentFormatIndex;
  }
  for (size_t i = 0; i < MediaFiles.size(); ++i) RecalcItem(static_cast<int>(i));
  if (OnItemsChanged) OnItemsChanged();
}

void ClearTitleList() {
  for (auto& item : MediaFiles) {
    delete item.DVDTitleInfo;
    item.DVDTitleInfo = nullptr;
  }
}

std::string FormatMicroseconds(int64_t microseconds) {
  if (microseconds < 0) microseconds = 0;
  const int64_t seconds = microseconds / 1000000;
  char text[64];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

int64_t TimeOfDayToMicroseconds(double dateTime) {
  double whole;
  const double fraction = std::fabs(std::modf(dateTime, &whole));
  int64_t ms = static_cast<int64_t>(std::llround(fraction * 86400000.0));
  if (ms >= 86400000) ms = 86399999;
  const int64_t h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, rest = ms % 1000;
  return (h * 3600000 + m * 60000 + s * 1000 + rest) * 1000;
}

// ---- translations -------------------------------------------------------------

void LoadTranslationTable(const std::string& bytes) {
  TranslationTable.clear();
  std::vector<std::string> lines;
  if (!DecodeTextLines(bytes, lines) || lines.empty()) return;
  const std::string& first = lines[0];
  // A first line that is not a small positive number leaves every text in English.
  if (!IsDecimalText(first) || first.size() > 3) return;
  const int languages = std::stoi(first);
  if (languages <= 0) return;
  const size_t rows = (lines.size() - 1) / languages;
  TranslationTable.assign(languages, std::vector<std::string>(rows));
  for (int j = 0; j < languages; ++j)
    for (size_t r = 0; r < rows; ++r) TranslationTable[j][r] = lines[1 + j + r * languages];
}

int LanguageCount() { return static_cast<int>(TranslationTable.size()); }

std::string Translate(const std::string& text) {
  if (TranslationTable.empty()) return text;
  const int language =
      LanguageIndex >= 0 && LanguageIndex < LanguageCount() ? LanguageIndex : 0;
  const auto& keys = TranslationTable[0];
  for (size_t r = 0; r < keys.size(); ++r)
    if (keys[r] == text) return TranslationTable[language][r];
  return text;
}

bool IsDecimalText(const std::string& text) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsCodecName(const std::string& text) {
  if (text.empty() || text.size() > 64) return false;
  for (char c : text) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}
