// The program's equaliser filters rewritten into library filters.
#include "support/gtest.h"

#include "engine/ProgramFilters.h"

namespace {

TEST(ProgramFilters, LumaFormula) {
  struct {
    int b, c, p, expected;
  } cases[] = {
      {100, 0, 235, 255}, {0, 50, 200, 235}, {-100, 0, 0, 0},
      {20, 10, 128, 0},   {0, -100, 0, 127}, {0, -100, 255, 127}, {50, -100, 10, 255},
  };
  for (auto& t : cases) {
    int expected = t.expected;
    if (t.b == 20) {  // written out from the integer formula
      const int K = (110 * 65536) / 100, B = (120 * 511) / 200 - 128 - (K >> 9);
      expected = ((t.p * K) >> 16) + B;
    }
    EXPECT_EQ(EqSample(static_cast<uint8_t>(t.p), t.b, t.c), expected) << t.b << ":" << t.c << " p=" << t.p;
  }
  // Contrast -100 maps everything to one value.
  for (int p = 0; p < 256; ++p) EXPECT_EQ(EqSample(static_cast<uint8_t>(p), 40, -100), (140 * 511) / 200 - 128);
}

TEST(ProgramFilters, ChainsAreRewrittenKeepingTheRest) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"scale=640:480", "scale=640:480"},
      {"nativeeq=0:0, scale=1:2", "null, scale=1:2"},
      {"nativehue=0:30", "hue=h=0:s=1.3"},
      {"nativehue=50:-100", "hue=h=90:s=0"},
      {"[in] nativehue = 10 : 0 [out]", "[in] hue=h=18:s=1 [out]"},
      // Out of range values are held at the bounds.
      {"nativeeq=150:0",
       "format=yuv420p|yuv422p|yuv444p|yuv410p|yuv411p|yuv440p|yuvj420p|yuvj422p|yuvj444p|yuvj440p,"
       "lutyuv=y='max(min(floor(val*65536/65536)+" "255" ",255),0)'"},
      // Not a number: left for the library to refuse.
      {"nativeeq=x:1", "nativeeq=x:1"},
      {"drawtext=text='nativeeq=1\\,2'", "drawtext=text='nativeeq=1\\,2'"},
  };
  for (auto& t : cases) EXPECT_EQ(TranslateProgramFilters(t.in), t.out) << t.in;
}

}  // namespace
