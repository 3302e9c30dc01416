#include "skin/data/spSkinValues.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

static int32_t SlotToInt(const std::string& slot) {
  int32_t v;
  // Only digits (and one leading sign) reach a slot; hex prefixes cannot.
  if (!IniStrToInt(slot, v)) throw EspConvertError("'" + slot + "' is not a valid integer value");
  return v;
}

// Fields are separated by ","; digits are kept and everything else is dropped,
// except a "-" that starts a field's number: the writer spells negative
// values that way, and dropping the sign would not read back what was saved.
// Text with more fields than slots is refused instead of guessing.
static void ParseSlots(const std::string& text, std::string* slots, int count) {
  int slot = 0;
  std::string field;
  for (char c : text) {
    if (c == ',') {
      if (slot + 1 >= count) throw EspConvertError("'" + text + "' is not a valid integer value");
      slots[slot++] = field;
      field.clear();
    } else if (c >= '0' && c <= '9') {
      field += c;
    } else if (c == '-' && field.empty()) {
      field = "-";
    }
  }
  slots[slot] = field;
}

// The `count` (at most four) numbers of a text. The fields are converted
// from the last one back, so a text with several bad fields is reported by
// its last.
static void ParseNumbers(const std::string& text, int32_t* numbers, int count) {
  std::string s[4];
  ParseSlots(text, s, count);
  for (int i = count - 1; i >= 0; --i) numbers[i] = SlotToInt(s[i]);
}

TspRect ParseRectText(const std::string& text) {
  int32_t n[4];
  ParseNumbers(text, n, 4);
  return TspRect(n[0], n[1], n[2], n[3]);
}

TspPoint ParsePointText(const std::string& text) {
  int32_t n[2];
  ParseNumbers(text, n, 2);
  return TspPoint(n[0], n[1]);
}

// Decimal numbers joined by ",".
static std::string JoinNumbers(std::initializer_list<int32_t> numbers) {
  char text[48];  // four of at most eleven characters and three separators
  char* at = text;
  for (int32_t n : numbers) {
    if (at != text) *at++ = ',';
    at = std::to_chars(at, text + sizeof text, n).ptr;
  }
  return std::string(text, at);
}

std::string RectToText(const TspRect& r) { return JoinNumbers({r.Left, r.Top, r.Right, r.Bottom}); }

std::string PointToText(const TspPoint& p) { return JoinNumbers({p.X, p.Y}); }

std::string_view spValueText(const TIniData& f, std::string_view section, std::string_view key,
                             std::string_view def) {
  const std::string* v = f.Find(section, key);
  return v ? std::string_view(*v) : def;
}

TspRect ReadRectValue(const TIniData& f, std::string_view section, std::string_view key) {
  const std::string* v = f.Find(section, key);
  return v ? ParseRectText(*v) : TspRect{0, 0, 0, 0};
}

TspPoint ReadPointValue(const TIniData& f, std::string_view section, std::string_view key) {
  const std::string* v = f.Find(section, key);
  return v ? ParsePointText(*v) : TspPoint{0, 0};
}

bool ReadBoolValue(const TIniData& f, std::string_view section, std::string_view key) {
  return f.ReadInteger(section, key, 0) == 1;
}

TFontStyles ReadFontStylesValue(const TIniData& f, std::string_view section, std::string_view key) {
  const std::string* v = f.Find(section, key);
  if (!v) return 0;
  const std::string& s = *v;
  TFontStyles r = 0;
  if (s.find("fsbold") != std::string::npos) r |= fsBold;
  if (s.find("fsitalic") != std::string::npos) r |= fsItalic;
  if (s.find("fsunderline") != std::string::npos) r |= fsUnderline;
  if (s.find("fsstrikeout") != std::string::npos) r |= fsStrikeOut;
  return r;
}

TAlignment ReadAlignmentValue(const TIniData& f, std::string_view section, std::string_view key) {
  const std::string* v = f.Find(section, key);
  if (!v) return taCenter;
  const std::string& s = *v;
  if (s == "tacenter") return taCenter;
  if (s == "taleftjustify") return taLeftJustify;
  return taRightJustify;
}

void TspEntryBudget::Take(int64_t n) {
  if (n > FLeft)
    throw EspConvertError("The skin's lists hold more than " + std::to_string(spMaxSkinEntries) + " entries");
  FLeft -= n;
}

int32_t spListCount(const TIniData& f, std::string_view section, std::string_view key) {
  int32_t n = f.ReadInteger(section, key, 0);
  if (n > spMaxListLines)
    throw EspConvertError("'" + std::to_string(n) + "' is not a valid integer value");
  return n;
}

// The position that a key's text after the prefix spells, or -1.
static int32_t PositionOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits[0] == '0')) return -1;
  int32_t v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::vector<int32_t> spListPositions(const TIniData& f, std::string_view section, std::string_view prefix,
                                     int32_t count) {
  std::vector<int32_t> at;
  if (count <= 0) return at;
  const std::string folded = AsciiLower(std::string(prefix));
  for (const std::string& key : f.KeyNames(section)) {
    if (key.size() <= folded.size() || AsciiLower(key.substr(0, folded.size())) != folded) continue;
    int32_t i = PositionOf(std::string_view(key).substr(folded.size()));
    if (i >= 0 && i < count) at.push_back(i);
  }
  std::sort(at.begin(), at.end());
  at.erase(std::unique(at.begin(), at.end()), at.end());
  return at;
}

int32_t spListLength(const TIniData& f, std::string_view section, std::string_view prefix, int32_t count) {
  std::vector<int32_t> at = spListPositions(f, section, prefix, count);
  return at.empty() ? 0 : at.back() + 1;
}

void ReadLinesValue(const TIniData& f, std::string_view section, std::string_view key,
                    std::vector<std::string>& lines) {
  const std::string name(key);
  int32_t n = spListLength(f, section, name + "line", spListCount(f, section, name + "linecount"));
  for (int32_t i = 0; i < n; ++i) lines.push_back(f.ReadString(section, name + "line" + std::to_string(i), ""));
}

void ReadIndexedListValue(const TIniData& f, std::string_view section, std::string_view key,
                          std::vector<std::string>& list) {
  int32_t n = spListLength(f, section, "", spListCount(f, section, std::string(key) + "count"));
  for (int32_t i = 0; i < n; ++i) list.push_back(f.ReadString(section, std::to_string(i), ""));
}

void WriteRectValue(TIniData& f, std::string_view section, std::string_view key, const TspRect& v) {
  f.WriteString(section, key, RectToText(v));
}

void WritePointValue(TIniData& f, std::string_view section, std::string_view key, const TspPoint& v) {
  f.WriteString(section, key, PointToText(v));
}

void WriteBoolValue(TIniData& f, std::string_view section, std::string_view key, bool v) {
  f.WriteInteger(section, key, v ? 1 : 0);
}

void WriteFontStylesValue(TIniData& f, std::string_view section, std::string_view key, TFontStyles v) {
  std::string s;
  auto add = [&](const char* w) { s += s.empty() ? w : std::string(",") + w; };
  if (v & fsBold) add("fsbold");
  if (v & fsItalic) add("fsitalic");
  if (v & fsUnderline) add("fsunderline");
  if (v & fsStrikeOut) add("fsstrikeout");
  f.WriteString(section, key, s);
}

void WriteAlignmentValue(TIniData& f, std::string_view section, std::string_view key, TAlignment v) {
  f.WriteString(section, key, v == taLeftJustify ? "taleftjustify" : v == taRightJustify ? "tarightjustify" : "tacenter");
}

void WriteLinesValue(TIniData& f, std::string_view section, std::string_view key,
                     const std::vector<std::string>& lines) {
  const std::string name(key);
  f.WriteInteger(section, name + "linecount", int32_t(lines.size()));
  for (size_t i = 0; i < lines.size(); ++i) f.WriteString(section, name + "line" + std::to_string(i), lines[i]);
}

void WriteIndexedListValue(TIniData& f, std::string_view section, std::string_view key,
                           const std::vector<std::string>& list) {
  f.WriteInteger(section, std::string(key) + "count", int32_t(list.size()));
  for (size_t i = 0; i < list.size(); ++i) f.WriteString(section, std::to_string(i), list[i]);
}

static const char* const kStretchWords[] = {"stfull", "sthorz", "stvert"};
static const char* const kMorphWords[] = {"mkdefault", "mkgradient", "mkleftgradient", "mkrightgradient",
                                          "mkleftslide", "mkrightslide", "mkpush"};
static const char* const kEffectWords[] = {"iebrightness", "iedarkness", "iegrayscale",
                                           "ienoise", "iesplitblur", "ieinvert"};
static const char* const kPlacementWords[] = {"fphorizontal", "fpvertical"};
static const char* const kRegulatorWords[] = {"rkround", "rkhorizontal", "rkvertical"};
static const char* const kGaugeWords[] = {"gkhorizontal", "gkvertical"};
static const char* const kCommandWords[] = {"cmclose", "cmmaximize", "cmminimize", "cmsysmenu",
                                            "cmdefault", "cmrollup", "cmminimizetotray"};

// The readers of the stretch type, the frame placement, the regulator and the
// gauge kind compare only some of their words; the rest fall to the last rule.
TspStretchType StretchTypeFromWord(std::string_view w) {
  if (w == "stfull") return spstFull;
  if (w == "stvert") return spstVert;
  return spstHorz;
}
TMorphKind MorphKindFromWord(std::string_view w) {
  for (int i = 0; i < 7; ++i)
    if (w == kMorphWords[i]) return TMorphKind(i);
  return mkDefault;
}
TspInActiveEffect InActiveEffectFromWord(std::string_view w) {
  for (int i = 0; i < 6; ++i)
    if (w == kEffectWords[i]) return TspInActiveEffect(i);
  return ieGrayScale;
}
TFramesPlacement FramesPlacementFromWord(std::string_view w) {
  return w == "fphorizontal" ? fpHorizontal : fpVertical;
}
TRegulatorKind RegulatorKindFromWord(std::string_view w) {
  if (w == "rkround") return rkRound;
  if (w == "rkhorizontal") return rkHorizontal;
  return rkVertical;
}
TGaugeKind GaugeKindFromWord(std::string_view w) { return w == "gkhorizontal" ? gkHorizontal : gkVertical; }
TStdCommand StdCommandFromWord(std::string_view w) {
  for (int i = 0; i < 6; ++i)
    if (w == kCommandWords[i]) return TStdCommand(i);
  return cmMinimizeToTray;
}

const char* StretchTypeWord(TspStretchType v) { return kStretchWords[v < 3 ? v : 0]; }
const char* MorphKindWord(TMorphKind v) { return kMorphWords[v < 7 ? v : 0]; }
const char* InActiveEffectWord(TspInActiveEffect v) { return kEffectWords[v < 6 ? v : 0]; }
const char* FramesPlacementWord(TFramesPlacement v) { return kPlacementWords[v == fpVertical ? 1 : 0]; }
const char* RegulatorKindWord(TRegulatorKind v) { return kRegulatorWords[v < 3 ? v : 0]; }
const char* GaugeKindWord(TGaugeKind v) { return kGaugeWords[v == gkVertical ? 1 : 0]; }
const char* StdCommandWord(TStdCommand v) { return kCommandWords[v < 7 ? v : 4]; }

TspStretchType ReadStretchTypeValue(const TIniData& f, std::string_view section, std::string_view key) {
  return StretchTypeFromWord(spValueText(f, section, key, "stfull"));
}
void WriteStretchTypeValue(TIniData& f, std::string_view section, std::string_view key, TspStretchType v) {
  f.WriteString(section, key, StretchTypeWord(v));
}
TMorphKind ReadMorphKindValue(const TIniData& f, std::string_view section, std::string_view key) {
  return MorphKindFromWord(spValueText(f, section, key, "mkdefault"));
}
void WriteMorphKindValue(TIniData& f, std::string_view section, std::string_view key, TMorphKind v) {
  f.WriteString(section, key, MorphKindWord(v));
}
TspInActiveEffect ReadInActiveEffectValue(const TIniData& f, std::string_view section, std::string_view key) {
  return InActiveEffectFromWord(spValueText(f, section, key, "iebrightness"));
}
void WriteInActiveEffectValue(TIniData& f, std::string_view section, std::string_view key,
                              TspInActiveEffect v) {
  f.WriteString(section, key, InActiveEffectWord(v));
}

bool IsSkinIniFile(const TIniData& f) {
  return f.SectionExists("VERSION") && f.SectionExists("PICTURES") && f.SectionExists("FORMINFO") &&
         f.SectionExists("SKINOBJECTS") && f.SectionExists("SKINCONTROLS");
}
