#include <gtest/gtest.h>

#include "skin/data/spSkinValues.h"

namespace {

TIniData Ini(const std::string& text) { return TIniData(text); }

TEST(SkinIni, SectionsAndKeysIgnoreCaseAndFirstDuplicateWins) {
  TIniData f = Ini("[Sec]\r\nKey=one\r\nkey=two\r\nempty=\r\n ; comment\r\n  spaced  =  v  \r\n");
  EXPECT_EQ(f.ReadString("SEC", "KEY", "d"), "one");
  EXPECT_TRUE(f.ValueExists("sec", "EMPTY"));
  EXPECT_EQ(f.ReadString("sec", "empty", "d"), "");
  EXPECT_FALSE(f.ValueExists("sec", "missing"));
  EXPECT_EQ(f.ReadString("sec", "spaced", ""), "v");
  EXPECT_FALSE(f.SectionExists("other"));
  f.WriteString("SEC", "KEY", "three");
  EXPECT_EQ(f.ReadString("sec", "key", ""), "three");
  f.EraseSection("sEc");
  EXPECT_FALSE(f.SectionExists("sec"));
  f.WriteInteger("new", "n", -7);
  EXPECT_EQ(f.Format(), "[new]\r\nn=-7\r\n");
}

TEST(SkinIni, IntegerReading) {
  struct Case { const char* text; int32_t expected; } cases[] = {
      {"12", 12}, {"-5", -5}, {"$1F", 31}, {"0x10", 16}, {"0X10", 16}, {"$FFFFFFFF", -1},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", 99}, {"true", 99},
      {"", 99}, {"1 2", 99}, {"0x", 99}, {"$123456789", 99},
      // Settings files and skins share this rule: hexadecimal is a bit
      // pattern of at most eight digits and takes no sign.
      {"+7", 7}, {"-$10", 99}, {"$000000001", 99}, {"0x7fffffff", INT32_MAX}, {"12abc", 99}, {"$1G", 99}};
  for (const Case& c : cases) {
    TIniData f = Ini(std::string("[s]\nk=") + c.text + "\n");
    EXPECT_EQ(f.ReadInteger("s", "k", 99), c.expected) << c.text;
  }
}

TEST(SkinValues, RectAndPointText) {
  // "-5,3" reads (-5,3): the writer spells negative values with a sign, so
  // the reader keeps it (a deliberate change from dropping it, which lost
  // every negative value on a save and reload).
  struct Case { const char* text; bool ok; TspRect r; } rects[] = {
      {"1,2,3,4", true, {1, 2, 3, 4}},
      {"10, 20,30 ,40", true, {10, 20, 30, 40}},
      {"-10,-20,30,40", true, {-10, -20, 30, 40}},
      {"a1b,2,3,4", true, {1, 2, 3, 4}},
      {"1,2,3", false, {}},
      {"", false, {}},
      {"1,,3,4", false, {}},
      {"1,2,3,4,5", false, {}},
      {"1,2,3,99999999999", false, {}},
      {"-,2,3,4", false, {}},
  };
  for (const Case& c : rects) {
    if (c.ok) {
      EXPECT_EQ(ParseRectText(c.text), c.r) << c.text;
      EXPECT_EQ(ParseRectText(RectToText(c.r)), c.r);
    } else {
      EXPECT_THROW(ParseRectText(c.text), EspConvertError) << c.text;
    }
  }
  EXPECT_EQ(ParsePointText("-5,3"), spPoint(-5, 3));
  EXPECT_EQ(ParsePointText("10, 20"), spPoint(10, 20));
  EXPECT_EQ(RectToText(spRect(-10, -20, 30, 40)), "-10,-20,30,40");
  try {
    ParsePointText("5,");
    FAIL();
  } catch (const EspConvertError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
}

TEST(SkinValues, KeyReaders) {
  TIniData f = Ini(
      "[s]\nrect=\nb1=1\nbhex=0x1\nbtrue=true\nb2=2\nfs1=fsbold,fsitalic\nfs2=fsitalicfsbold\nfs3=FSBOLD\n"
      "a1=TACENTER\na2=taright\na3=taleftjustify\na4=tacenter\n"
      "xlinecount=2\nxline0=first\nlistcount=3\n0=a\n2=c\nhuge=\n");
  EXPECT_THROW(ReadRectValue(f, "s", "rect"), EspConvertError);
  EXPECT_EQ(ReadRectValue(f, "s", "missing"), TspRect{});
  EXPECT_EQ(ReadPointValue(f, "s", "missing"), TspPoint{});
  struct BoolCase { const char* key; bool expected; } bools[] = {
      {"b1", true}, {"bhex", true}, {"btrue", false}, {"b2", false}, {"missing", false}};
  for (const BoolCase& c : bools) EXPECT_EQ(ReadBoolValue(f, "s", c.key), c.expected) << c.key;
  struct StylesCase { const char* key; TFontStyles expected; } styles[] = {
      {"fs1", fsBold | fsItalic}, {"fs2", fsBold | fsItalic}, {"fs3", 0}, {"missing", 0}};
  for (const StylesCase& c : styles) EXPECT_EQ(ReadFontStylesValue(f, "s", c.key), c.expected) << c.key;
  struct AlignCase { const char* key; TAlignment expected; } aligns[] = {
      {"a1", taRightJustify}, {"a2", taRightJustify}, {"a3", taLeftJustify}, {"a4", taCenter},
      {"missing", taCenter}};
  for (const AlignCase& c : aligns) EXPECT_EQ(ReadAlignmentValue(f, "s", c.key), c.expected) << c.key;
  std::vector<std::string> lines{"kept"};
  ReadLinesValue(f, "s", "x", lines);
  // Lines past the last one present are not made up from the count.
  EXPECT_EQ(lines, (std::vector<std::string>{"kept", "first"}));
  std::vector<std::string> list;
  ReadIndexedListValue(f, "s", "list", list);
  EXPECT_EQ(list, (std::vector<std::string>{"a", "", "c"}));
  // A damaged count must not append millions of empty lines.
  TIniData bomb = Ini("[s]\nxlinecount=2000000000\n");
  EXPECT_THROW(ReadLinesValue(bomb, "s", "x", lines), EspConvertError);
}

TEST(SkinValues, WritersRoundTrip) {
  TIniData f;
  WriteFontStylesValue(f, "s", "fs", fsBold | fsStrikeOut);
  EXPECT_EQ(f.ReadString("s", "fs", ""), "fsbold,fsstrikeout");
  WriteFontStylesValue(f, "s", "none", 0);
  EXPECT_EQ(f.ReadString("s", "none", "x"), "");
  WriteAlignmentValue(f, "s", "al", taLeftJustify);
  EXPECT_EQ(ReadAlignmentValue(f, "s", "al"), taLeftJustify);
  WriteLinesValue(f, "s", "sym", {"ab", "cd"});
  std::vector<std::string> lines;
  ReadLinesValue(f, "s", "sym", lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd"}));
}

TEST(SkinValues, EnumerationWords) {
  struct Case { const char* word; int stretch, morph, effect, frames, regulator, gauge, command; } cases[] = {
      // word            stretch   morph       effect        frames        regulator     gauge         command
      {"stfull", spstFull, mkDefault, ieGrayScale, fpVertical, rkVertical, gkVertical, cmMinimizeToTray},
      {"STFULL", spstHorz, mkDefault, ieGrayScale, fpVertical, rkVertical, gkVertical, cmMinimizeToTray},
      {"stvert", spstVert, mkDefault, ieGrayScale, fpVertical, rkVertical, gkVertical, cmMinimizeToTray},
      {"mkpush", spstHorz, mkPush, ieGrayScale, fpVertical, rkVertical, gkVertical, cmMinimizeToTray},
      {"ieinvert", spstHorz, mkDefault, ieInvert, fpVertical, rkVertical, gkVertical, cmMinimizeToTray},
      {"iebrightness", spstHorz, mkDefault, ieBrightness, fpVertical, rkVertical, gkVertical, cmMinimizeToTray},
      {"fphorizontal", spstHorz, mkDefault, ieGrayScale, fpHorizontal, rkVertical, gkVertical, cmMinimizeToTray},
      {"rkhorizontal", spstHorz, mkDefault, ieGrayScale, fpVertical, rkHorizontal, gkVertical, cmMinimizeToTray},
      {"gkhorizontal", spstHorz, mkDefault, ieGrayScale, fpVertical, rkVertical, gkHorizontal, cmMinimizeToTray},
      {"cmrollup", spstHorz, mkDefault, ieGrayScale, fpVertical, rkVertical, gkVertical, cmRollUp},
      {"cmclose", spstHorz, mkDefault, ieGrayScale, fpVertical, rkVertical, gkVertical, cmClose},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StretchTypeFromWord(c.word), c.stretch) << c.word;
    EXPECT_EQ(MorphKindFromWord(c.word), c.morph) << c.word;
    EXPECT_EQ(InActiveEffectFromWord(c.word), c.effect) << c.word;
    EXPECT_EQ(FramesPlacementFromWord(c.word), c.frames) << c.word;
    EXPECT_EQ(RegulatorKindFromWord(c.word), c.regulator) << c.word;
    EXPECT_EQ(GaugeKindFromWord(c.word), c.gauge) << c.word;
    EXPECT_EQ(StdCommandFromWord(c.word), c.command) << c.word;
  }
  TIniData empty;
  EXPECT_EQ(ReadStretchTypeValue(empty, "s", "k"), spstFull);
  EXPECT_EQ(ReadInActiveEffectValue(empty, "s", "k"), ieBrightness);
  EXPECT_EQ(ReadMorphKindValue(empty, "s", "k"), mkDefault);
}

TEST(SkinValues, SkinIniNeedsAllFiveSections) {
  const char* all[] = {"VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS"};
  for (int skip = -1; skip < 5; ++skip) {
    std::string text;
    for (int i = 0; i < 5; ++i)
      if (i != skip) text += std::string("[") + all[i] + "]\nx=1\n";
    EXPECT_EQ(IsSkinIniFile(TIniData(text)), skip == -1) << skip;
  }
}

}  // namespace
