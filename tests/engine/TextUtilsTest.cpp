#include "support/gtest.h"

#include <string>
#include <vector>

#include "engine/TextUtils.h"

namespace {

TEST(FormatFileSize, StrictThresholdsAndUnits) {
  const struct {
    int64_t size;
    const char* text;
  } cases[] = {
      {0, "0 Byte"},          {-5, "-5 Byte"},           {1024, "1024 Byte"},
      {1025, "1.00 KB"},      {1048576, "1024.00 KB"},   {1048577, "1.00 MB"},
      {1073741825, "1.00 GB"}, {int64_t{5} << 40, "5120.00 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, FormatFileSize(c.size)) << c.size;
}

TEST(SplitAtDelimiter, PartAndRemainder) {
  std::string text = "a=b=c", part;
  SplitAtDelimiter(text, "=", true, part);
  EXPECT_EQ("a", part);
  EXPECT_EQ("b=c", text);
  SplitAtDelimiter(text, "=", false, part);
  EXPECT_EQ("b", part);
  EXPECT_EQ("b=c", text);
  text = "none";
  SplitAtDelimiter(text, "=", true, part);
  EXPECT_EQ("none", part);
  EXPECT_EQ("", text);
}

TEST(SplitCommandLine, WordsQuotesAndBackslashes) {
  const struct {
    const char* text;
    std::vector<std::string> words;
  } cases[] = {
      {"-i \"my clip.mp4\" -vn", {"-i", "my clip.mp4", "-vn"}},
      {"", {}},
      {"  \t  ", {}},
      {"a\\\\\\\"b", {"a\\\"b"}},                 // three backslashes + quote
      {"a\\\\\"b c\"", {"a\\b c"}},               // two backslashes + quote toggles
      {"a\\\\b", {"a\\\\b"}},                     // no quote: backslashes stay
      {"x \"unbalanced rest of text", {"x", "unbalanced rest of text"}},
      {"\"a\"\"b\"", {"ab"}},                     // two adjacent quotes: two toggles
      {"\"a\"\"", {"a\""}},                       // closing pair at the very end
      {"-vf \"scale=640:480\" -t_microsecond 3000000",
       {"-vf", "scale=640:480", "-t_microsecond", "3000000"}},
      {"\t-an\t\t-c:a  mp2 ", {"-an", "-c:a", "mp2"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.words, SplitCommandLine(std::string(c.text))) << c.text;
}

TEST(SplitCommandLine, CountsTheWordsPlusAnEmptyLastSlot) {
  const char* text = "-i \"a b\" -vn";
  int chars = -1, argc = -1;
  SplitCommandLine(text, nullptr, nullptr, chars, argc);
  EXPECT_EQ(4, argc);
  EXPECT_EQ(3 + 4 + 4, chars);  // "-i\0" "a b\0" "-vn\0"
  std::vector<char*> argv(argc);
  std::vector<char> buffer(chars);
  SplitCommandLine(text, argv.data(), buffer.data(), chars, argc);
  ASSERT_NE(nullptr, argv[3]);
  EXPECT_STREQ("", argv[3]);
  EXPECT_STREQ("a b", argv[1]);

  SplitCommandLine("   ", nullptr, nullptr, chars, argc);
  EXPECT_EQ(1, argc);
  EXPECT_EQ(0, chars);
  SplitCommandLine(nullptr, nullptr, nullptr, chars, argc);
  EXPECT_EQ(1, argc);
}

TEST(SplitCommandLine, HugeTextKeepsEveryByte) {
  std::string word(1 << 20, 'x');
  std::vector<std::string> words = SplitCommandLine("-metadata \"" + word);
  ASSERT_EQ(2u, words.size());
  EXPECT_EQ(word, words[1]);
}

}  // namespace
