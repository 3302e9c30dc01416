// Readers and writer of the profile catalogue files: the category file
// profiles<N>.dat, the scrambled format file formats<N>.dat and the user's
// custom-profiles.dat, and the building of the catalogue from them.
// Platform-neutral: every reader takes the file's bytes, never a path.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/main/AppData.h"

// Splits UTF-8 text (a byte-order mark is skipped) at CR LF, LF or CR the
// way a string list does: a final line break adds no empty line. False when
// the bytes are not valid UTF-8.
bool DecodeTextLines(const std::string& bytes, std::vector<std::string>& lines);

// Text in the system code page (Windows-1252 here) or, with a byte-order
// mark or when it is valid UTF-8, UTF-8; returned as UTF-8.
std::string DecodeCodePageText(const std::string& bytes);

// The value of attribute `name` in `line`: the text after the first
// name="  at or after `from` up to the next quote. Empty when absent or not
// closed; `end` (when given) gets the index of the closing quote, or npos.
std::string AttributeValue(const std::string& line, const std::string& name, size_t from = 0,
                           size_t* end = nullptr);

void ParseFormatRow(const std::string& row, TFormat& format);

// Every byte b becomes 255 - b (its own inverse).
std::string ScrambleBytes(const std::string& bytes);

// The format file's text lines after unscrambling; false when it does not
// decode.
bool LoadFormatsText(const std::string& bytes, std::vector<std::string>& lines);

// The categories of a category file, appended to `profiles`; false on a
// broken file (the categories read before the fault stay).
bool ParseCategoryFile(const std::string& bytes, std::vector<TProfile>& profiles, int& menuHeight,
                       int& itemHeight);

// The rows of a custom-profile file appended to `formats`; false when the
// file is broken or a row carries a value that cannot be an encoder name or
// number (that row is left out of `formats`; the good ones stay). The rows
// left out go to `refused` (when given) as the file holds them.
bool ParseCustomProfiles(const std::string& bytes, std::vector<TFormat>& formats,
                         std::vector<std::string>* refused = nullptr);

// The file custom-profiles.dat for these formats (UTF-8 with a byte-order
// mark, CR LF), followed by the `kept` rows as they are.
std::string CustomProfilesText(const std::vector<TFormat>& formats, const std::vector<std::string>& kept = {});

// The rows of the custom-profile file that the catalogue left out: they are
// written back at every save, so the user's file loses nothing.
extern std::vector<std::string> RefusedCustomRows;

// A format whose option values are all safe to pass to the encoder.
bool FormatValuesAreSafe(const TFormat& format);

// The three files as read (nullopt: missing or unreadable).
struct TCatalogueFiles {
  std::optional<std::string> Categories;
  std::optional<std::string> Formats;
  std::optional<std::string> Custom;
};

struct TCatalogueResult {
  bool CustomReadFailed = false;
};

// Builds Profiles, FormatList and FormatPlaced, picks the current format and
// applies the last-edited values; each failing step reports once and the
// build goes on with what was read.
TCatalogueResult BuildCatalogue(const TCatalogueFiles& files);

// True when at least one format exists anywhere in the catalogue.
bool CatalogueHasFormats();
