// The application's data: the item table, the profile catalogue and the
// unit-level values every window reads and writes in place, with the small
// routines that work on them. Platform-neutral (no windows.h): the readers
// built on it are fuzzed in the host build.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TFont;
struct TDVDTitleInfo;

// One DVD title of the item table.
struct TDVDTitle {
  TDVDTitleInfo* Info = nullptr;  // the DVD reader's information block, when it filled one
  int32_t Title = 0;              // index on the disc, from 0
  int32_t FromChapter = 1;
  int32_t ToChapter = 1;
  int32_t AudioID = 0;
  int32_t SubtitleID = 0;
  int32_t AudioChannels = 2;
  uint8_t Deinterlace = 0;
};

// One input item: a row of the item table.
struct TMediaFile {
  std::string Source;
  int VideoThumbnailIndex = -1;
  bool isSourceAudioFormat = false;
  bool Checked = true;
  std::string SourceTitleExt;
  int64_t TrimmedLength = 0;  // microseconds
  double EstimatedSize = 0;   // megabytes
  std::string DestinationTitle;
  std::string Status;
  float StatusS = -1;
  int64_t TimeStart = 0;
  int64_t TimeEnd = 0;
  int SourceWidth = 0;
  int SourceHeight = 0;
  int CropLeft = 0;
  int CropTop = 0;
  int CropRight = 0;
  int CropBottom = 0;
  int AspectRatio = 0;  // 0 keep, 1 fill, 2 4:3, 3 16:9
  bool FlipVertical = false;
  int Volume = 100;
  int Brightness = 0;
  int Saturation = 0;
  int Contrast = 0;
  int Hue = 0;
  bool PictureOverlay = false;
  std::string OverlayPicturePath;
  int OverlayPictureX = 0;
  int OverlayPictureY = 0;
  bool TextOverlay = false;
  std::string OverlayText;
  int OverlayTextX = 0;
  int OverlayTextY = 0;
  TFont* OverlayTextFont = nullptr;  // owned by the row
  int ProfileInd = 0;
  int FormatInd = 0;
  TDVDTitle* DVDTitleInfo = nullptr;
  std::vector<std::string> AudioTracks;
  std::vector<std::string> Subtitles;
  int AudioTrackIndex = 0;
  int SubtitleIndex = 0;
  bool Deinterlace = false;
  std::string Tag_Artist;
  std::string Tag_Album;
  std::string Tag_Genre;
  std::string Tag_Year;
  std::string Tag_Title;
  std::string Tag_Track;
};

// One output format. Every value is kept as text, as the files carry it.
struct TFormat {
  bool AreSettingsChanged = false;
  std::string FormatExt;
  std::string IsAudioFormat;
  std::string Icon;
  std::string Category;
  std::string Title;
  std::string Description;
  std::string Resolutions;
  std::string FrameRates;
  std::string VideoBitRates;
  std::string AudioBitRates;
  std::string SampleRates;
  std::string Channels;
  std::string VideoCodecs;
  std::string AudioCodecs;
  std::string VideoCodecName;
  std::string Width;
  std::string Height;
  std::string KeepOriFrameRate;
  std::string FrameRate;     // thousandths of a frame per second
  std::string VideoBitRate;  // bit/s
  std::string AudioCodecName;
  std::string SampleRate;
  std::string AudioBitRate;  // bit/s
  std::string Channel;
  std::string ExtraParam;
};

// One category of the catalogue.
struct TProfile {
  std::string Title;
  std::string ID;
  std::string Icon;
  std::vector<TFormat> Formats;
};

struct TTextOverlay {
  TFont* Font = nullptr;  // the row's own font, not a copy
  std::string Text;
  int X = 0;
  int Y = 0;
};

// ---- unit-level values -----------------------------------------------------

extern std::vector<TMediaFile> MediaFiles;
extern std::vector<TProfile> Profiles;
extern std::vector<TFormat> FormatList;
extern std::vector<bool> FormatPlaced;
extern int CurrentProfileIndex, CurrentFormatIndex;
extern int RecentProfileIndex, RecentFormatIndex;
extern int LastEditedProfileIndex, LastEditedFormatIndex;
extern int CustomProfileIndex;
extern int ProfileMenuHeight, ProfileItemHeight;
extern std::vector<TTextOverlay> TextOverlays;
extern int64_t PromoWindowLength;
extern bool DVDMode;
extern int DVDTitleCount;
extern std::vector<std::vector<std::string>> TranslationTable;
extern int LanguageIndex;
extern bool UseAllCPUs;
extern int CustomCPUNumber;
extern int CpuCount;
extern std::string TempFolder, OutputFolder, SnapshotFolder, CustomProfileFolder, SkinFolder,
    ReportDataFolder;
extern const char* const RegistryKeyPath;
extern const char* const JoinQuestion;
extern int UserId;

// The nine last-edited texts as read from the settings; applied to the
// last-edited format when the catalogue is built. An empty text means the
// format keeps its own value.
struct TLastEditedValues {
  std::string Width, Height, VideoBitRate, FrameRate, SampleRate, AudioBitRate, Channel,
      VideoCodecName, AudioCodecName;
};
extern TLastEditedValues LastEditedValues;

// ---- error reports ---------------------------------------------------------

// Errors go to the user and the action history through this handler; the
// code-line mark names the place for the error report.
using TReportErrorHandler = std::function<void(const std::string& text, const std::string& mark)>;
extern TReportErrorHandler OnReportError;
void ReportError(const std::string& text, const std::string& mark);

// Called by ApplyProfileToAll when the rows changed (the item grid repaints).
extern std::function<void()> OnItemsChanged;

// ---- routines --------------------------------------------------------------

// The format of a row, or nullptr when its indexes point nowhere.
const TFormat* FormatOfItem(const TMediaFile& item);

void RecalcItem(int row);
void CopyFormat(int srcProfile, int srcFormat, int dstProfile, int dstFormat);
void ApplyProfileToAll();
void ClearTitleList();
// The time-of-day part of a date-time value (days and fractions of a day)
// in microseconds.
int64_t TimeOfDayToMicroseconds(double dateTime);

// The time text used throughout the program, "hh:mm:ss": hours (not
// wrapped at 24), minutes and seconds of a microsecond count; a negative
// count reads as zero.
std::string FormatMicroseconds(int64_t microseconds);

// Texts: the table is read from transl.dat's bytes; an unusable file leaves
// it empty. A language index outside the table falls back to English.
void LoadTranslationTable(const std::string& bytes);
std::string Translate(const std::string& text);
int LanguageCount();

// Text and value checks shared by the readers and the option builder: values
// that reach option text must not be able to carry further options.
bool IsDecimalText(const std::string& text);
bool IsCodecName(const std::string& text);
