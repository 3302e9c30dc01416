// The program's equaliser filters rewritten into library filters.
#include "support/gtest.h"

#include "engine/ProgramFilters.h"

#include <cstdint>
#include <string>
#include <vector>

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
       "lutyuv=y='max(min(floor(val*65536/65536)+" "255" ",255),0)':u=val:v=val"},
      // Not a number: left for the library to refuse.
      {"nativeeq=x:1", "nativeeq=x:1"},
      {"drawtext=text='nativeeq=1\\,2'", "drawtext=text='nativeeq=1\\,2'"},
  };
  for (auto& t : cases) EXPECT_EQ(TranslateProgramFilters(t.in), t.out) << t.in;
}

TEST(ProgramFilters, ValuesOutOfRangeAreHeldAtTheBoundsWithTheirMessages) {
  struct {
    const char* chain;
    std::vector<std::string> errors;
    const char* debug;
  } cases[] = {
      {"nativeeq=150:0", {"Invalid brightness value 150, force to 100\n"}, "brightness:100, contrast:0\n"},
      {"nativeeq=-5:-101", {"Invalid contrast value -101, force to -100\n"}, "brightness:-5, contrast:-100\n"},
      {"nativehue=300:-300",
       {"Invalid hue value 300, force to 100\n", "Invalid saturation value -300, force to -100\n"},
       "hue:100, saturation:-100\n"},
      {"nativehue=1:2", {}, "hue:1, saturation:2\n"},
  };
  for (auto& t : cases) {
    const TFilterTranslation r = TranslateFilterChain(t.chain);
    EXPECT_TRUE(r.Ok) << t.chain;
    std::vector<std::string> errors;
    std::string debug;
    for (const TFilterMessage& m : r.Messages) {
      if (m.Level == kFilterLogError) errors.push_back(m.Text);
      if (m.Level == kFilterLogDebug) debug += m.Text;
    }
    EXPECT_EQ(errors, t.errors) << t.chain;
    EXPECT_EQ(debug, t.debug) << t.chain;
  }
  // A field that is no number fails the filter with the conversion's reason.
  const TFilterTranslation bad = TranslateFilterChain("scale=2:2, nativeeq=x:1");
  EXPECT_FALSE(bad.Ok);
  ASSERT_FALSE(bad.Messages.empty());
  EXPECT_EQ(bad.Messages.back().Text, "failed to parsing parameters: 'x' is not a valid integer value\n");
}

TEST(ProgramFilters, LiveValuesAreReadAtRegisteredAddressesOnly) {
  static int32_t brightness = 0, contrast = 0;
  const std::string b = std::to_string(reinterpret_cast<intptr_t>(&brightness));
  const std::string c = std::to_string(reinterpret_cast<intptr_t>(&contrast));
  const std::string chain = "nativeeq=0:0:" + b + ":" + c;

  // An address the program did not offer is never touched.
  TFilterTranslation refused = TranslateFilterChain(chain);
  EXPECT_FALSE(refused.Ok);
  EXPECT_EQ(refused.Messages.back().Text.rfind("failed to parsing parameters: ", 0), 0u);

  RegisterLiveParameter(&brightness);
  RegisterLiveParameter(&contrast);
  TFilterTranslation t = TranslateFilterChain(chain);
  ASSERT_TRUE(t.Ok);
  ASSERT_EQ(t.Live.size(), 1u);
  // At nought the picture passes unchanged until a value moves.
  EXPECT_NE(t.Chain.find("lutyuv@neq1=y='val'"), std::string::npos) << t.Chain;
  TLiveFilter& f = t.Live[0];
  std::vector<TFilterMessage> log;
  EXPECT_TRUE(PollLiveFilter(f, log).empty());
  EXPECT_TRUE(log.empty());

  brightness = 30;
  std::vector<TFilterCommand> commands = PollLiveFilter(f, log);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].Target, "lutyuv@neq1");
  EXPECT_EQ(commands[0].Command, "y");
  const TEqCoefficients k = EqCoefficients(30, 0);
  EXPECT_EQ(commands[0].Argument,
            "max(min(floor(val*" + std::to_string(k.K) + "/65536)+" + std::to_string(k.B) + ",255),0)");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Level, kFilterLogDebug);
  EXPECT_EQ(log[0].Text, "brightness:30, contrast:0\n");
  // Unchanged: once only.
  log.clear();
  EXPECT_TRUE(PollLiveFilter(f, log).empty());
  EXPECT_TRUE(log.empty());

  // Out of range: held at the bound where it lives, and the graph gets it.
  contrast = 250;
  commands = PollLiveFilter(f, log);
  EXPECT_EQ(contrast, 100);
  ASSERT_EQ(commands.size(), 1u);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Text, "Invalid contrast value 250, force to 100\n");

  // Hue: the changed value only, in the library's units.
  static int32_t hue = 0;
  RegisterLiveParameter(&hue);
  TFilterTranslation h =
      TranslateFilterChain("nativeeq=0:0, nativehue=0:20:" + std::to_string(reinterpret_cast<intptr_t>(&hue)));
  ASSERT_TRUE(h.Ok);
  ASSERT_EQ(h.Live.size(), 1u);
  EXPECT_NE(h.Chain.find("null, hue@nhue1=h=0:s=1.2"), std::string::npos) << h.Chain;
  hue = 50;
  commands = PollLiveFilter(h.Live[0], log);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].Target, "hue@nhue1");
  EXPECT_EQ(commands[0].Command, "h");
  EXPECT_EQ(commands[0].Argument, "90");
  UnregisterLiveParameter(&hue);
  UnregisterLiveParameter(&brightness);
  UnregisterLiveParameter(&contrast);
  EXPECT_FALSE(TranslateFilterChain(chain).Ok);
}

TEST(ProgramFilters, ChromaFormula) {
  struct {
    int u, v, hue, sat, eu, ev;
  } cases[] = {
      {77, 200, 0, 0, 77, 200},  {0, 0, 0, -100, 128, 128}, {255, 3, 0, -100, 128, 128},
      {0, 128, 0, 100, 0, 128},  {255, 128, 0, 100, 255, 128},
      {128, 228, 50, 0, 28, 128},  // a quarter turn: v becomes -u
  };
  for (auto& t : cases) {
    uint8_t u = 0, v = 0;
    HueSample(static_cast<uint8_t>(t.u), static_cast<uint8_t>(t.v), t.hue, t.sat, u, v);
    EXPECT_EQ(u, t.eu) << t.u << "," << t.v << " " << t.hue << ":" << t.sat;
    EXPECT_EQ(v, t.ev) << t.u << "," << t.v << " " << t.hue << ":" << t.sat;
  }
}

TEST(ProgramFilters, RotationSizesAndText) {
  struct {
    int w, h, degrees, ew, eh;
  } cases[] = {{640, 480, 45, 791, 791}, {640, 480, 90, 480, 640}, {640, 480, 0, 640, 480}, {320, 240, 180, 320, 240}};
  for (auto& t : cases) {
    int w = 0, h = 0;
    RotatedSize(t.w, t.h, t.degrees, w, h);
    EXPECT_EQ(w, t.ew) << t.degrees;
    EXPECT_EQ(h, t.eh) << t.degrees;
  }
  // Whole degrees, 45 without an argument; the library's own option form
  // stays the library's.
  EXPECT_EQ(TranslateProgramFilters("rotate").rfind("rotate=a=0.785398163397:", 0), 0u) << TranslateProgramFilters("rotate");
  EXPECT_NE(TranslateProgramFilters("rotate=90").find(",setsar=sar='if(sar,1/sar,0)'"), std::string::npos);
  EXPECT_EQ(TranslateProgramFilters("rotate=a=PI/4"), "rotate=a=PI/4");
  EXPECT_FALSE(TranslateFilterChain("rotate=1.5").Ok);
}

}  // namespace
