// The option text and file names of one conversion task, built from an item
// of the table and its output format. Platform-neutral.
//
// Only shipped data (the format's ExtraParam) is pasted in as it is. Codec
// names and numbers are checked before they are written, and the one path
// that goes into option text (the overlay picture) is escaped for the filter
// graph and quoted for the command-line splitter, so no file name or title
// can add options of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/main/AppData.h"
#include "framework/SysUtils.h"

// The format cannot be turned into options (a value that is not a number or
// not an encoder name); the message says which.
class EOptionValue : public Exception {
public:
  explicit EOptionValue(const std::string& message) : Exception(message) {}
};

// The crop and pad geometry cannot be computed for this item and format.
class EGeometry : public Exception {
public:
  explicit EGeometry(const std::string& message) : Exception(message) {}
};

struct TTaskContext {
  int Row = 0;                  // index of the item in the table
  bool Phase2 = false;          // the joining task of Join All
  bool Joining = false;         // Join All is on
  std::string OutputFolder;     // without a trailing delimiter
  std::string TempFolder;       // without a trailing delimiter
  std::string DVDPath;          // folder of the opened DVD
  // The overlay picture as the encoder reads it (a copy the caller made);
  // empty when there is none or the copy failed.
  std::string OverlayPictureName;
};

struct TTaskOptions {
  std::string InputFileName;
  std::string InputOptions;
  std::string OutputFileName;
  std::string OutputOptions;
  bool VideoOutputHook = true;
  bool VideoInputHook = false;
};

TTaskOptions BuildTaskOptions(const TMediaFile& item, const TFormat& format,
                              const TTaskContext& context);

void AddVideoFilter(std::string& chain, const std::string& filter);
std::string CropFilter(int sourceWidth, int sourceHeight, int left, int top, int right, int bottom);
std::string PadFilter(int width, int height, int left, int top, int right, int bottom);
// The chain as one graph that first lays the picture over the video.
std::string WatermarkFilter(int x, int y, const std::string& pictureName, const std::string& chain);
int ChosenAudioStreamNumber(const TMediaFile& item);
std::string DvdTitleAddress(const TMediaFile& item, const std::string& dvdPath);
bool CheckedDvdTitleAddresses(std::vector<std::string>& list, const std::string& dvdPath);

// The file name `stem` + `ext`, or, when a name in `taken` already names
// that file, `stem` + " (2)" + `ext`, " (3)" and so on: the first that none
// names. Names compare as the file system does (letter case and the kind of
// slash do not count).
std::string UniqueOutputName(const std::string& stem, const std::string& ext, const std::vector<std::string>& taken);

// `text` as one word of an option text: quoted so that the engine's splitter
// gives back exactly `text`.
std::string QuoteOptionWord(const std::string& text);
// Round to nearest, halves to the even neighbour.
int64_t RoundHalfEven(long double value);
