// How single values of a skin description are spelled in skin.ini, and the
// value words of the skin's enumerations. Platform-neutral.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "skin/data/SPGeometry.h"
#include "framework/readers/IniText.h"

// Width/height emptiness in 64 bits: rectangles come from files and may hold
// any 32-bit values.
inline bool spRectEmpty(const TspRect& r) {
  return int64_t(r.Right) - r.Left <= 0 || int64_t(r.Bottom) - r.Top <= 0;
}
inline bool operator!=(const TspPoint& a, const TspPoint& b) { return !(a == b); }

inline TspRect spRect(int32_t l, int32_t t, int32_t r, int32_t b) { return TspRect{l, t, r, b}; }
inline TspPoint spPoint(int32_t x, int32_t y) { return TspPoint{x, y}; }

// Errors of the skin library's readers. The messages are the platform's.
class EspSkinError : public std::runtime_error {
public:
  explicit EspSkinError(const std::string& m) : std::runtime_error(m) {}
};
class EspConvertError : public EspSkinError {
public:
  explicit EspConvertError(const std::string& m) : EspSkinError(m) {}
};

// Font style set as bits: the framework's own type where the framework is
// built, the same declaration in the host build.
#ifdef TESS_NATIVE
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
#else
#include "framework/Graphics.h"
#endif

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TMorphKind : uint8_t { mkDefault, mkGradient, mkLeftGradient, mkRightGradient, mkLeftSlide,
                            mkRightSlide, mkPush };
enum TspInActiveEffect : uint8_t { ieBrightness, ieDarkness, ieGrayScale, ieNoise, ieSplitBlur,
                                   ieInvert };
enum TFramesPlacement : uint8_t { fpHorizontal, fpVertical };
enum TRegulatorKind : uint8_t { rkRound, rkHorizontal, rkVertical };
enum TGaugeKind : uint8_t { gkHorizontal, gkVertical };
enum TStdCommand : uint8_t { cmClose, cmMaximize, cmMinimize, cmSysMenu, cmDefault, cmRollUp,
                             cmMinimizeToTray };
enum TTrackKind : uint8_t { tkHorizontal, tkVertical };

// A line list holds at most this many lines; more is a conversion error
// rather than millions of appended lines from a damaged count.
constexpr int32_t spMaxListLines = 65536;
// All lists of one skin file together (areas, pictures, cursors, objects,
// controls and the lines of their line lists) hold at most as many entries
// as one list may: a small file cannot ask for millions of them by naming
// one big list many times.
constexpr int64_t spMaxSkinEntries = spMaxListLines;

// What one skin file may still take of spMaxSkinEntries; Take raises a
// conversion error past it.
class TspEntryBudget {
public:
  void Take(int64_t n);
  int64_t Left() const { return FLeft; }

private:
  int64_t FLeft = spMaxSkinEntries;
};

// A list count as the file gives it; above spMaxListLines it raises the
// conversion error of a value that does not parse.
int32_t spListCount(const TIniData& f, std::string_view section, std::string_view key);
// The positions below count of a numbered list that the section really
// holds: keys spelled prefix + a position ("0", "17": no sign, no leading
// zero), ascending, each once. Lists are read by the keys there are, so a
// large count over few entries costs only those entries.
std::vector<int32_t> spListPositions(const TIniData& f, std::string_view section, std::string_view prefix,
                                     int32_t count);
// How long a list whose positions carry meaning reads: up to its largest
// position present (gaps below it read as empty entries), 0 when none is.
int32_t spListLength(const TIniData& f, std::string_view section, std::string_view prefix, int32_t count);

TspRect ParseRectText(const std::string& text);
TspPoint ParsePointText(const std::string& text);
std::string RectToText(const TspRect& r);
std::string PointToText(const TspPoint& p);

// The stored text of a key, or def when the key is missing; valid until
// the ini changes.
std::string_view spValueText(const TIniData& f, std::string_view section, std::string_view key,
                             std::string_view def);

TspRect ReadRectValue(const TIniData& f, std::string_view section, std::string_view key);
TspPoint ReadPointValue(const TIniData& f, std::string_view section, std::string_view key);
bool ReadBoolValue(const TIniData& f, std::string_view section, std::string_view key);
TFontStyles ReadFontStylesValue(const TIniData& f, std::string_view section, std::string_view key);
TAlignment ReadAlignmentValue(const TIniData& f, std::string_view section, std::string_view key);
void ReadLinesValue(const TIniData& f, std::string_view section, std::string_view key,
                    std::vector<std::string>& lines);
void ReadIndexedListValue(const TIniData& f, std::string_view section, std::string_view key,
                          std::vector<std::string>& list);

void WriteRectValue(TIniData& f, std::string_view section, std::string_view key, const TspRect& v);
void WritePointValue(TIniData& f, std::string_view section, std::string_view key, const TspPoint& v);
void WriteBoolValue(TIniData& f, std::string_view section, std::string_view key, bool v);
void WriteFontStylesValue(TIniData& f, std::string_view section, std::string_view key, TFontStyles v);
void WriteAlignmentValue(TIniData& f, std::string_view section, std::string_view key, TAlignment v);
void WriteLinesValue(TIniData& f, std::string_view section, std::string_view key,
                     const std::vector<std::string>& lines);
void WriteIndexedListValue(TIniData& f, std::string_view section, std::string_view key,
                           const std::vector<std::string>& list);

TspStretchType ReadStretchTypeValue(const TIniData& f, std::string_view section, std::string_view key);
void WriteStretchTypeValue(TIniData& f, std::string_view section, std::string_view key, TspStretchType v);
TMorphKind ReadMorphKindValue(const TIniData& f, std::string_view section, std::string_view key);
void WriteMorphKindValue(TIniData& f, std::string_view section, std::string_view key, TMorphKind v);
TspInActiveEffect ReadInActiveEffectValue(const TIniData& f, std::string_view section, std::string_view key);
void WriteInActiveEffectValue(TIniData& f, std::string_view section, std::string_view key, TspInActiveEffect v);

// Word mapping of the value words (exact, case-sensitive).
TspStretchType StretchTypeFromWord(std::string_view w);
TMorphKind MorphKindFromWord(std::string_view w);
TspInActiveEffect InActiveEffectFromWord(std::string_view w);
TFramesPlacement FramesPlacementFromWord(std::string_view w);
TRegulatorKind RegulatorKindFromWord(std::string_view w);
TGaugeKind GaugeKindFromWord(std::string_view w);
TStdCommand StdCommandFromWord(std::string_view w);
const char* StretchTypeWord(TspStretchType v);
const char* MorphKindWord(TMorphKind v);
const char* InActiveEffectWord(TspInActiveEffect v);
const char* FramesPlacementWord(TFramesPlacement v);
const char* RegulatorKindWord(TRegulatorKind v);
const char* GaugeKindWord(TGaugeKind v);
const char* StdCommandWord(TStdCommand v);

// True when all five sections of a skin description are present.
bool IsSkinIniFile(const TIniData& f);
