#include "support/gtest.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/OptionParser.h"
#include "engine/TextUtils.h"
#include "framework/SysUtils.h"
#include "OptionTestTable.h"

namespace {

// Handlers are bound to their owner, which records what they saw.
struct TOwner {
  std::vector<std::string> calls;
  int result = 0;
  std::string errorText;
};

int Handler(void* owner, const char* opt, const char* arg) {
  auto* o = static_cast<TOwner*>(owner);
  o->calls.push_back(std::string(opt) + "=" + (arg ? arg : "(nil)"));
  if (!o->errorText.empty()) OptionErrorText() = o->errorText;
  return o->result;
}

int Handler2(void* owner, void* ctx, const char* opt, const char* arg) {
  static_cast<TOptionTestContext*>(ctx)->flag = 42;
  return Handler(owner, opt, arg);
}

const std::vector<TOptionDef> kRows = OptionTestTable({
    {"b", ofHasArg, TOptDefUnion(&Handler), "", ""},
    {"map", ofHasArg | ofFunc2, TOptDefUnion(&Handler2), "", ""},
    {"loglevel", ofHasArg, TOptDefUnion(&Handler), "", ""},
    {"vn", 0, TOptDefUnion(&Handler), "", ""},
});
const TOptionDef* const kTable = kRows.data();

class OptionParserTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved = OptionLibrary();
    UseTestTimeParser();
  }
  void TearDown() override { SetOptionLibrary(saved); }
  // Parses an option text like the engine does: split, then apply.
  int Parse(const std::string& text, bool halt = true, const TOptionDef* table = kTable) {
    words = SplitCommandLine(text);
    argv.clear();
    for (auto& w : words) argv.push_back(&w[0]);
    return ParseOptionList(&ctx, static_cast<int>(argv.size()), argv.data(), halt, table, &owner);
  }
  TOptionLibrary saved{};
  TOptionTestContext ctx;
  TOwner owner;
  std::vector<std::string> words;
  std::vector<char*> argv;
};

TEST_F(OptionParserTest, StoresTypedValuesAtTheirFields) {
  // A text option given twice keeps the last (and frees the first).
  ASSERT_EQ(0, Parse("-flag -f mp4 -ar 44100 -big -9000000000 -q 2.5 -ratio 0.125 -t 1.5 -f avi"));
  EXPECT_EQ(1, ctx.flag);
  EXPECT_EQ(44100, ctx.rate);
  EXPECT_EQ(-9000000000LL, ctx.big);
  EXPECT_FLOAT_EQ(2.5f, ctx.quality);
  EXPECT_DOUBLE_EQ(0.125, ctx.ratio);
  EXPECT_EQ(1500000, ctx.duration);
  EXPECT_STREQ("avi", ctx.format);
}

TEST_F(OptionParserTest, NoPrefixClearsBooleansOnly) {
  ASSERT_EQ(0, Parse("-noflag"));
  EXPECT_EQ(0, ctx.flag);
  // "no" before a row that is not Boolean (or before nothing) is an
  // unknown option, even with a catch-all row in the table.
  const TOptionDef withDefault[] = {
      {"ar", ofHasArg | ofInt | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, rate)), "", ""},
      {"default", ofHasArg, TOptDefUnion(&Handler), "", ""},
      {nullptr, 0, TOptDefUnion(), nullptr, nullptr},
  };
  EXPECT_EQ(-22, Parse("-noar 5", true, withDefault));
  EXPECT_EQ("Unrecognized option \"noar\"", OptionErrorText());
  EXPECT_EQ(-22, Parse("-nosuch", true, withDefault));
  EXPECT_EQ("Unrecognized option \"nosuch\"", OptionErrorText());
  EXPECT_TRUE(owner.calls.empty());
  // Without "no", the catch-all row takes what no row knows.
  EXPECT_EQ(0, Parse("-threads 4", true, withDefault));
  EXPECT_EQ(std::vector<std::string>{"threads=4"}, owner.calls);
}

TEST_F(OptionParserTest, SpecifierSuffixFindsTheRowAndReachesTheHandler) {
  ASSERT_EQ(0, Parse("-b:v 1000k -map 0:1 -vn"));
  EXPECT_EQ((std::vector<std::string>{"b:v=1000k", "map=0:1", "vn=(nil)"}), owner.calls);
  EXPECT_EQ(42, ctx.flag);
}

TEST_F(OptionParserTest, PerStreamOptionsKeepEveryEntry) {
  ASSERT_EQ(0, Parse("-c:a mp2 -c:a ac3 -c copy"));
  ASSERT_EQ(3, ctx.nb_codec_names);
  EXPECT_STREQ("a", ctx.codec_names[0].specifier);
  EXPECT_STREQ("mp2", ctx.codec_names[0].u.str);
  EXPECT_STREQ("a", ctx.codec_names[1].specifier);
  EXPECT_STREQ("ac3", ctx.codec_names[1].u.str);
  EXPECT_STREQ("", ctx.codec_names[2].specifier);
  EXPECT_STREQ("copy", ctx.codec_names[2].u.str);
}

TEST_F(OptionParserTest, ErrorsGiveTheirTextsAndCodes) {
  const struct {
    const char* text;
    int result;
    const char* error;
  } cases[] = {
      {"-ar", -22, "Missing argument for option \"ar\""},
      {"-zzz 1", -22, "Unrecognized option \"zzz\""},
      {"stray", -1, "Failed to parse options on stray"},
      {"\"\"", -1, "Failed to parse options"},
      {"-flag -", -1, "Failed to parse options on -"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result, Parse(c.text)) << c.text;
    EXPECT_EQ(c.error, OptionErrorText()) << c.text;
  }
}

TEST_F(OptionParserTest, FailingHandlerAddsItsLine) {
  owner.result = -5;
  EXPECT_EQ(-5, Parse("-b 1x"));
  EXPECT_EQ("Failed to set value \"1x\" for option \"b\"", OptionErrorText());
  owner.errorText = "Bad bit rate";
  EXPECT_EQ(-5, Parse("-b 1x"));
  EXPECT_EQ("Bad bit rate\r\nFailed to set value \"1x\" for option \"b\"", OptionErrorText());
}

TEST_F(OptionParserTest, NumbersOutOfSyntaxOrRangeRaise) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"-ar 44.1", "Expected integer for ar but found 44.1"},
      {"-ar 2147483648", "Expected integer for ar but found 2147483648"},
      {"-ar \"\"", "Expected integer for ar but found "},
      {"-ar \"7 \"", "Expected integer for ar but found 7 "},
      {"-big 9223372036854775808", "Expected int64 for big but found 9223372036854775808"},
      {"-q 1e39", "Expected float for q but found 1e39"},
      {"-q nan", "Expected float for q but found nan"},
      {"-ratio 1e400", "Expected double for ratio but found 1e400"},
      {"-ratio 0x10", "Expected double for ratio but found 0x10"},
      {"-t soon", "Invalid duration specification for t: soon"},
  };
  for (const auto& c : cases) {
    try {
      Parse(c.text);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Exception& e) {
      EXPECT_EQ(c.message, e.Message());
    }
  }
}

TEST_F(OptionParserTest, IntegerSyntax) {
  const struct {
    const char* arg;
    int value;
  } cases[] = {{"-5", -5}, {"+3", 3}, {" 7", 7}, {"$10", 16}, {"0x1F", 31}, {"-2147483648", INT32_MIN}};
  for (const auto& c : cases) EXPECT_EQ(c.value, ParseInteger("x", c.arg)) << c.arg;
  EXPECT_EQ(INT64_MIN, ParseInt64("x", "-9223372036854775808"));
}

TEST_F(OptionParserTest, HugeTextsFailCleanly) {
  const std::string huge(1 << 20, '9');
  EXPECT_THROW(Parse("-ar " + huge), Exception);
  EXPECT_EQ(-22, Parse("-" + std::string(1 << 20, 'z')));
  EXPECT_EQ(std::string("Unrecognized option \"") + std::string(1 << 20, 'z') + "\"", OptionErrorText());
}

TEST_F(OptionParserTest, WithoutHaltBadWordsAreSkipped) {
  EXPECT_EQ(0, Parse("stray -zzz -ar 8000 -ar", false));
  EXPECT_EQ(8000, ctx.rate);
}

TEST_F(OptionParserTest, LogLevelIsFoundBeforeParsing) {
  const struct {
    const char* text;
    const char* level;
  } cases[] = {
      {"-f avi -loglevel debug -ar 1", "debug"},
      {"-v 48", "48"},
      {"-ar -loglevel", nullptr},  // the word is the argument of -ar
      {"-loglevel", nullptr},
      {"-vn", nullptr},
  };
  for (const auto& c : cases) {
    words = SplitCommandLine(c.text);
    argv.clear();
    for (auto& w : words) argv.push_back(&w[0]);
    const char* level = FindLogLevelArgument(static_cast<int>(argv.size()), argv.data(), kTable);
    if (c.level)
      EXPECT_STREQ(c.level, level) << c.text;
    else
      EXPECT_EQ(nullptr, level) << c.text;
  }
}

TEST(GrowArray, RefusesSizesThatOverflow) {
  int count = 0;
  EXPECT_THROW(GrowArray(nullptr, 16, count, 0x7FFFFFFF / 16), Exception);
  void* p = GrowArray(nullptr, 16, count, 3);
  EXPECT_EQ(3, count);
  EXPECT_EQ(0, static_cast<char*>(p)[47]);
  EXPECT_EQ(p, GrowArray(p, 16, count, 2));
  std::free(p);
}

}  // namespace
