#include <gtest/gtest.h>

#include "skin/data/SPTextLayout.h"

namespace {

// A monospace measure: 5 pixels a character.
int Mono(const std::u16string& s) { return int(s.size()) * 5; }

TEST(TextLayout, ShortenToWidth) {
  struct Case {
    std::u16string in;
    int width;
    std::u16string out;
  };
  const Case cases[] = {
      {u"Hello", 25, u"Hello"},        // fits: unchanged, no dots
      {u"Hello world", 40, u"Hello..."},
      {u"Hello", 24, u"H..."},
      {u"Hello", 10, u"..."},          // narrower than the dots
      {u"", -1, u"..."},
  };
  for (const auto& c : cases) {
    std::u16string t = c.in;
    ShortenTextToWidth(t, c.width, Mono);
    EXPECT_EQ(t, c.out) << c.width;
  }
}

TEST(TextLayout, CenteredWrappedText) {
  struct Case {
    const char16_t* in;
    bool breakLong;
    const char16_t* out;
  };
  // Rectangle 20 pixels wide: 4 characters fit.
  const Case cases[] = {
      {u"ab cd", false, u"ab cd"},
      {u"abcdefgh ij", false, u"a...  ij"},  // too long: cut with dots, the rest of the word dropped
      {u"abcdefgh ij", true, u"abcd efgh ij"},  // a blank before the first overflowing character
      {u"abcdefghijkl", true, u"abcd efghi jkl"},  // the overflowing character starts no new piece
  };
  for (const auto& c : cases) EXPECT_EQ(BuildCenteredWrappedText(c.in, 20, c.breakLong, Mono), std::u16string(c.out));
}

}  // namespace
