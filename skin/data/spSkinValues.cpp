#include "skin/data/spSkinValues.h"

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

TspRect ParseRectText(const std::string& text) {
  std::string s[4];
  ParseSlots(text, s, 4);
  TspRect r;
  r.Bottom = SlotToInt(s[3]);
  r.Right = SlotToInt(s[2]);
  r.Top = SlotToInt(s[1]);
  r.Left = SlotToInt(s[0]);
  return r;
}

TspPoint ParsePointText(const std::string& text) {
  std::string s[2];
  ParseSlots(text, s, 2);
  TspPoint p;
  p.Y = SlotToInt(s[1]);
  p.X = SlotToInt(s[0]);
  return p;
}

std::string RectToText(const TspRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom);
}

std::string PointToText(const TspPoint& p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

TspRect ReadRectValue(const TIniData& f, const std::string& section, const std::string& key) {
  return ParseRectText(f.ReadString(section, key, "0,0,0,0"));
}

TspPoint ReadPointValue(const TIniData& f, const std::string& section, const std::string& key) {
  return ParsePointText(f.ReadString(section, key, "0,0"));
}

bool ReadBoolValue(const TIniData& f, const std::string& section, const std::string& key) {
  return f.ReadInteger(section, key, 0) == 1;
}

TFontStyles ReadFontStylesValue(const TIniData& f, const std::string& section, const std::string& key) {
  std::string s = f.ReadString(section, key, "");
  TFontStyles r = 0;
  if (s.find("fsbold") != std::string::npos) r |= fsBold;
  if (s.find("fsitalic") != std::string::npos) r |= fsItalic;
  if (s.find("fsunderline") != std::string::npos) r |= fsUnderline;
  if (s.find("fsstrikeout") != std::string::npos) r |= fsStrikeOut;
  return r;
}

TAlignment ReadAlignmentValue(const TIniData& f, const std::string& section, const std::string& key) {
  std::string s = f.ReadString(section, key, "tacenter");
  if (s == "tacenter") return taCenter;
  if (s == "taleftjustify") return taLeftJustify;
  return taRightJustify;
}

static int32_t ListCount(const TIniData& f, const std::string& section, const std::string& key) {
  int32_t n = f.ReadInteger(section, key, 0);
  if (n > spMaxListLines)
    throw EspConvertError("'" + std::to_string(n) + "' is not a valid integer value");
  return n;
}

void ReadLinesValue(const TIniData& f, const std::string& section, const std::string& key,
                    std::vector<std::string>& lines) {
  int32_t n = ListCount(f, section, key + "linecount");
  for (int32_t i = 0; i < n; ++i) lines.push_back(f.ReadString(section, key + "line" + std::to_string(i), ""));
}

void ReadIndexedListValue(const TIniData& f, const std::string& section, const std::string& key,
                          std::vector<std::string>& list) {
  int32_t n = ListCount(f, section, key + "count");
  for (int32_t i = 0; i < n; ++i) list.push_back(f.ReadString(section, std::to_string(i), ""));
}

void WriteRectValue(TIniData& f, const std::string& section, const std::string& key, const TspRect& v) {
  f.WriteString(section, key, RectToText(v));
}

void WritePointValue(TIniData& f, const std::string& section, const std::string& key, const TspPoint& v) {
  f.WriteString(section, key, PointToText(v));
}

void WriteBoolValue(TIniData& f, const std::string& section, const std::string& key, bool v) {
  f.WriteInteger(section, key, v ? 1 : 0);
}

void WriteFontStylesValue(TIniData& f, const std::string& section, const std::string& key, TFontStyles v) {
  std::string s;
  auto add = [&](const char* w) { s += s.empty() ? w : std::string(",") + w; };
  if (v & fsBold) add("fsbold");
  if (v & fsItalic) add("fsitalic");
  if (v & fsUnderline) add("fsunderline");
  if (v & fsStrikeOut) add("fsstrikeout");
  f.WriteString(section, key, s);
}

void WriteAlignmentValue(TIniData& f, const std::string& section, const std::string& key, TAlignment v) {
  f.WriteString(section, key, v == taLeftJustify ? "taleftjustify" : v == taRightJustify ? "tarightjustify" : "tacenter");
}

void WriteLinesValue(TIniData& f, const std::string& section, const std::string& key,
                     const std::vector<std::string>& lines) {
  f.WriteInteger(section, key + "linecount", int32_t(lines.size()));
  for (size_t i = 0; i < lines.size(); ++i) f.WriteString(section, key + "line" + std::to_string(i), lines[i]);
}

void WriteIndexedListValue(TIniData& f, const std::string& section, const std::string& key,
                           const std::vector<std::string>& list) {
  f.WriteInteger(section, key + "count", int32_t(list.size()));
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
TspStretchType StretchTypeFromWord(const std::string& w) {
  if (w == "stfull") return spstFull;
  if (w == "stvert") return spstVert;
  return spstHorz;
}
TMorphKind MorphKindFromWord(const std::string& w) {
  for (int i = 0; i < 7; ++i)
    if (w == kMorphWords[i]) return TMorphKind(i);
  return mkDefault;
}
TspInActiveEffect InActiveEffectFromWord(const std::string& w) {
  for (int i = 0; i < 6; ++i)
    if (w == kEffectWords[i]) return TspInActiveEffect(i);
  return ieGrayScale;
}
TFramesPlacement FramesPlacementFromWord(const std::string& w) {
  return w == "fphorizontal" ? fpHorizontal : fpVertical;
}
TRegulatorKind RegulatorKindFromWord(const std::string& w) {
  if (w == "rkround") return rkRound;
  if (w == "rkhorizontal") return rkHorizontal;
  return rkVertical;
}
TGaugeKind GaugeKindFromWord(const std::string& w) { return w == "gkhorizontal" ? gkHorizontal : gkVertical; }
TStdCommand StdCommandFromWord(const std::string& w) {
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

TspStretchType ReadStretchTypeValue(const TIniData& f, const std::string& section, const std::string& key) {
  return StretchTypeFromWord(f.ReadString(section, key, "stfull"));
}
void WriteStretchTypeValue(TIniData& f, const std::string& section, const std::string& key, TspStretchType v) {
  f.WriteString(section, key, StretchTypeWord(v));
}
TMorphKind ReadMorphKindValue(const TIniData& f, const std::string& section, const std::string& key) {
  return MorphKindFromWord(f.ReadString(section, key, "mkdefault"));
}
void WriteMorphKindValue(TIniData& f, const std::string& section, const std::string& key, TMorphKind v) {
  f.WriteString(section, key, MorphKindWord(v));
}
TspInActiveEffect ReadInActiveEffectValue(const TIniData& f, const std::string& section, const std::string& key) {
  return InActiveEffectFromWord(f.ReadString(section, key, "iebrightness"));
}
void WriteInActiveEffectValue(TIniData& f, const std::string& section, const std::string& key,
                              TspInActiveEffect v) {
  f.WriteString(section, key, InActiveEffectWord(v));
}

bool IsSkinIniFile(const TIniData& f) {
  return f.SectionExists("VERSION") && f.SectionExists("PICTURES") && f.SectionExists("FORMINFO") &&
         f.SectionExists("SKINOBJECTS") && f.SectionExists("SKINCONTROLS");
}
