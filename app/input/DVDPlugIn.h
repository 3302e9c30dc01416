// The DVD reader plug-in ("dvddec.dll" in the library folder): counts the
// titles of a DVD and fills one fixed information block per title. It is
// bound the first time a DVD is loaded and stays bound until the program
// ends. Everything here runs on the GUI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TStrings;

#pragma pack(push, 4)

// The blocks below are written by the plug-in: their layout is a binary
// contract, so every field keeps its place and size. Character arrays are
// zero-padded and need not end in a zero.
struct TDVDAudioInfo {
  int32_t Type;
  int32_t ID;  // goes into the title address as AudioID
  int32_t SampleRate;
  int32_t Channels;
  char LanguageCode[4];
  char Language[64];
};

struct TDVDSubtitleInfo {
  int32_t Type;
  int32_t ID;  // goes into the title address as SubtitleID
  char LanguageCode[4];
  char Language[64];
};

constexpr int DVDMaxAudio = 8;
constexpr int DVDMaxSubtitles = 32;
constexpr int DVDMaxChapters = 100;

struct TDVDTitleInfo {
  double Length;  // seconds
  int32_t VideoType;
  int32_t VideoID;
  int32_t Width;
  int32_t Height;
  int32_t Norm;
  int32_t Aspect;
  int32_t AudioCount;
  TDVDAudioInfo Audio[DVDMaxAudio];
  int32_t SubtitleCount;
  TDVDSubtitleInfo Subtitles[DVDMaxSubtitles];
  int32_t ChapterCount;
  int32_t Reserved1;
  double ChapterLength[DVDMaxChapters];  // in the unit of Length
  int32_t IsValid;
  int32_t Reserved2;
};

#pragma pack(pop)

static_assert(sizeof(TDVDAudioInfo) == 84, "audio entry layout");
static_assert(sizeof(TDVDSubtitleInfo) == 76, "subtitle entry layout");
static_assert(sizeof(TDVDTitleInfo) == 3960, "title block layout");
static_assert(offsetof(TDVDTitleInfo, AudioCount) == 32 && offsetof(TDVDTitleInfo, Audio) == 36 &&
                  offsetof(TDVDTitleInfo, SubtitleCount) == 708 && offsetof(TDVDTitleInfo, Subtitles) == 712 &&
                  offsetof(TDVDTitleInfo, ChapterCount) == 3144 && offsetof(TDVDTitleInfo, ChapterLength) == 3152 &&
                  offsetof(TDVDTitleInfo, IsValid) == 3952,
              "title block offsets");
static_assert(offsetof(TDVDAudioInfo, LanguageCode) == 16 && offsetof(TDVDAudioInfo, Language) == 20 &&
                  offsetof(TDVDSubtitleInfo, LanguageCode) == 8 && offsetof(TDVDSubtitleInfo, Language) == 12,
              "entry offsets");

// The plug-in's file name.
constexpr const char* DVDPlugInFileName = "dvddec.dll";

// Binds the plug-in from `folder` (or by its bare name when the folder does
// not hold it) and initialises it with `initText`. True at once when it is
// bound already; on failure nothing stays loaded and GetDVDPlugInError
// tells why.
bool LoadDVDPlugIn(const std::string& folder, const std::string& initText);
bool IsDVDPlugInLoaded();
std::string GetDVDPlugInError();

// These need a bound plug-in; without one they raise "DVD plug-in library
// is not loaded." (the callers always load it first).
std::string GetDVDPlugInVersion();  // "1.2.3.4"
int EnumDVDTitles(const std::string& dvdPath);
// Zero-fills the block and has the plug-in fill it; on failure the block
// is all zeros.
bool GetDVDTitleInfo(int index, TDVDTitleInfo& info);

std::string DVDStreamTypeName(int code);
std::string DVDAspectName(int code);
std::string DVDNormName(int code);

// A count from the plug-in, kept within its array: readers loop up to this.
inline int DVDBoundedCount(int32_t count, int capacity) {
  return count < 0 ? 0 : (count > capacity ? capacity : count);
}
// A fixed character array of the system's code page as UTF-8 text, up to
// its first zero byte.
std::string DVDText(const char* chars, size_t capacity);
template <size_t N>
std::string DVDText(const char (&chars)[N]) {
  return DVDText(chars, N);
}

// Appends the roots ("D:\") of the computer's CD-ROM drives to `list` (when
// given) and returns their number.
int GetCDROMDrives(TStrings* list);
