#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OptionValues.h"

namespace {

TEST(OptionValues, AspectRatios) {
  struct {
    const char* text;
    double expected;
  } cases[] = {{"16:9", 16.0 / 9.0}, {"4:3", 4.0 / 3.0}, {"1.7777", 1.7777}, {"-1", -1.0}, {"0", 0},
               {"4:0", 0},           {"0:3", 0},         {"4 :3", 0},         {"abc", 0},   {"", 0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseAspectText(c.text), c.expected) << c.text;
}

TEST(OptionValues, MatrixNeedsSixtyFourCoefficients) {
  std::string text;
  for (int i = 1; i <= 64; ++i) text += std::to_string(i) + (i < 64 ? "," : "");
  uint16_t m[64] = {};
  EXPECT_EQ(ParseMatrixText(text.c_str(), m), -1);
  EXPECT_EQ(m[0], 1);
  EXPECT_EQ(m[63], 64);
  const std::string short63 = text.substr(0, text.rfind(','));
  EXPECT_EQ(ParseMatrixText(short63.c_str(), m), 62);
}

TEST(OptionValues, RateControlOverrides) {
  std::vector<TRcOverrideItem> items;
  ASSERT_TRUE(ParseRcOverrideText("0,100,2/200,300,-50", items));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].start_frame, 200);
  EXPECT_EQ(items[1].q, -50);
  for (const char* bad : {"", "1,2", "1,2,x", "a,b,c", "1,2,3/"}) EXPECT_FALSE(ParseRcOverrideText(bad, items)) << bad;
}

TEST(OptionValues, StreamIds) {
  int index = -1, value = -1;
  EXPECT_EQ(ParseStreamIdText("3:300", index, value), siOk);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(value, 300);
  EXPECT_EQ(ParseStreamIdText("7", index, value), siSyntax);
  EXPECT_EQ(ParseStreamIdText("x:1", index, value), siSyntax);
  EXPECT_EQ(ParseStreamIdText("1024:5", index, value), siIndexRange);
  EXPECT_EQ(ParseStreamIdText("-1:5", index, value), siIndexRange);
  EXPECT_EQ(ParseStreamIdText("1:-5", index, value), siValueRange);
}

TEST(OptionValues, PresetLinesAndHookWords) {
  EXPECT_EQ(PresetLines(" b:v=1000k<CRLF>g=250\r\n# note\r\rx=1\n\n ", true),
            (std::vector<std::string>{"b:v=1000k", "g=250", "x=1"}));
  EXPECT_EQ(PresetLines("a=<CRLF>", false), (std::vector<std::string>{"a=<CRLF>"}));
  std::string key, value;
  EXPECT_TRUE(SplitPresetLine("a=b=c", key, value));
  EXPECT_EQ(key, "a");
  EXPECT_EQ(value, "b=c");
  EXPECT_FALSE(SplitPresetLine("a=", key, value));
  EXPECT_EQ(VideoHookWords("mod.dll  -x 1"), (std::vector<std::string>{"mod.dll", "-x", "1"}));
  EXPECT_EQ(VideoHookWords("my mod.dll||-t a b"), (std::vector<std::string>{"my mod.dll", "-t a b"}));
  EXPECT_EQ(VideoHookWords(std::string(200, 'a') + std::string(100, ' ')).size(), 1u);
  std::string many;
  for (int i = 0; i < 100; ++i) many += "w ";
  EXPECT_EQ(VideoHookWords(many).size(), 64u);
}

}  // namespace
