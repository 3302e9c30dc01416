// The platform-neutral picture and text readers, in the host build under
// AddressSanitizer: round trips, and broken files that must raise
// EInvalidGraphic / EReadError without reading outside the data.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/readers/BmpCodec.h"
#include "framework/readers/IniText.h"
#include "framework/readers/JpegCodec.h"
#include "framework/readers/PngCodec.h"
#include "framework/readers/TextDecoding.h"

namespace {

// A picture with distinct values in every pixel and channel.
TPixelImage Pattern(int w, int h, int bpp, bool rgb565 = false) {
  TPixelImage img(w, h, bpp);
  img.Rgb565 = rgb565;
  TPixelView v = img.View();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t argb = (uint32_t((x * 7 + y * 3) & 0xFF) << 24) | (uint32_t((x * 40) & 0xFF) << 16) |
                      (uint32_t((y * 50) & 0xFF) << 8) | uint32_t((x * y * 13) & 0xFF);
      if (bpp <= 8) argb = img.Palette[(x + y * 3) % img.Palette.size()];
      v.SetPixelARGB(x, y, argb);
    }
  img.HasAlpha = bpp == 32;
  return img;
}

bool SamePixels(const TPixelImage& a, const TPixelImage& b) {
  if (a.Width != b.Width || a.Height != b.Height) return false;
  for (int y = 0; y < a.Height; ++y)
    for (int x = 0; x < a.Width; ++x)
      if (a.View().PixelARGB(x, y) != b.View().PixelARGB(x, y)) return false;
  return true;
}

// Copies the bytes into a buffer of exactly that size, so that ASan sees
// any read past the end.
template <class F>
void DecodeExact(const std::vector<uint8_t>& bytes, F decode) {
  std::vector<uint8_t> exact(bytes);
  exact.shrink_to_fit();
  decode(exact.data(), exact.size());
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace

TEST(BmpCodec, RoundTripsEveryPixelFormat) {
  struct Case {
    int bpp;
    bool rgb565;
    int w, h;
  } cases[] = {{1, false, 13, 5}, {4, false, 9, 4}, {8, false, 7, 6}, {16, false, 5, 3},
               {16, true, 6, 3},  {24, false, 5, 7}, {32, false, 3, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bpp);
    TPixelImage src = Pattern(c.w, c.h, c.bpp, c.rgb565);
    std::vector<uint8_t> file = EncodeBmp(src.View());
    TPixelImage back;
    size_t consumed = 0;
    file.push_back(0xAB);  // whatever follows the file in a stream
    DecodeExact(file, [&](const uint8_t* d, size_t n) { back = DecodeBmp(d, n, &consumed); });
    EXPECT_EQ(consumed, file.size() - 1);
    EXPECT_EQ(back.BitsPerPixel, c.bpp);
    EXPECT_EQ(back.Rgb565, c.rgb565);
    EXPECT_TRUE(SamePixels(src, back));
  }
}

TEST(BmpCodec, ReadsPackedDibs) {
  TPixelImage src = Pattern(6, 5, 4);
  std::vector<uint8_t> file = EncodeBmp(src.View());
  std::vector<uint8_t> dib(file.begin() + 14, file.end());
  EXPECT_TRUE(SamePixels(DecodeDib(dib.data(), dib.size()), src));
  dib.resize(dib.size() - 1);
  EXPECT_THROW(DecodeExact(dib, [](const uint8_t* d, size_t n) { DecodeDib(d, n); }), EInvalidGraphic);
}

TEST(BmpCodec, ThirtyTwoBitsKeepAlpha) {
  TPixelImage src = Pattern(4, 4, 32);
  TPixelImage back = DecodeBmp(EncodeBmp(src.View()).data(), EncodeBmp(src.View()).size());
  EXPECT_TRUE(back.HasAlpha);
  EXPECT_EQ(back.Pixels, src.Pixels);
}

TEST(BmpCodec, ReadsTopDownAndBitFields) {
  // A 2 x 2 top-down 32-bit file with bit fields in a V5 header order
  // (alpha in the top byte) and one with unusual 16-bit masks (4-4-4).
  std::vector<uint8_t> file(14 + 124 + 2 * 2 * 4, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 10, 14 + 124);
  Put32(file, 14, 124);
  Put32(file, 18, 2);
  Put32(file, 22, uint32_t(-2));
  file[26] = 1;
  file[28] = 32;
  Put32(file, 30, 3);  // BI_BITFIELDS
  Put32(file, 54, 0x00FF0000);
  Put32(file, 58, 0x0000FF00);
  Put32(file, 62, 0x000000FF);
  Put32(file, 66, 0xFF000000);
  Put32(file, 138, 0x80112233);  // top-left
  TPixelImage img = DecodeBmp(file.data(), file.size());
  EXPECT_EQ(img.View().PixelARGB(0, 0), 0x80112233u);
  EXPECT_TRUE(img.HasAlpha);

  std::vector<uint8_t> f16(14 + 40 + 12 + 4, 0);
  f16[0] = 'B';
  f16[1] = 'M';
  Put32(f16, 10, 14 + 40 + 12);
  Put32(f16, 14, 40);
  Put32(f16, 18, 1);
  Put32(f16, 22, 1);
  f16[26] = 1;
  f16[28] = 16;
  Put32(f16, 30, 3);
  Put32(f16, 54, 0x0F00);
  Put32(f16, 58, 0x00F0);
  Put32(f16, 62, 0x000F);
  f16[66] = 0x0F;  // blue 15
  f16[67] = 0x0F;  // red 15
  TPixelImage img16 = DecodeBmp(f16.data(), f16.size());
  EXPECT_EQ(img16.BitsPerPixel, 32);
  EXPECT_EQ(img16.View().PixelARGB(0, 0), 0xFFFF00FFu);
}

TEST(BmpCodec, BrokenFilesRaise) {
  std::vector<uint8_t> good = EncodeBmp(Pattern(8, 8, 8).View());
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
  } cases[] = {
      {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, "file header"},
      {"not bmp", [](std::vector<uint8_t>& b) { b[0] = 'X'; }, "not a BMP"},
      {"header cut", [](std::vector<uint8_t>& b) { b.resize(30); }, "bitmap header"},
      {"palette cut", [](std::vector<uint8_t>& b) { b.resize(14 + 40 + 100); }, "palette"},
      {"pixels cut", [](std::vector<uint8_t>& b) { b.resize(b.size() - 1); }, "pixels"},
      {"lying width", [](std::vector<uint8_t>& b) { Put32(b, 18, 30000); }, "pixels"},
      {"huge height", [](std::vector<uint8_t>& b) { Put32(b, 22, 0x7FFFFFFF); }, "too large"},
      {"zero width", [](std::vector<uint8_t>& b) { Put32(b, 18, 0); }, "no pixels"},
      {"min int height", [](std::vector<uint8_t>& b) { Put32(b, 22, 0x80000000u); }, "too large"},
      {"offset past end", [](std::vector<uint8_t>& b) { Put32(b, 10, 0xFFFFFFF0u); }, "pixels"},
      {"offset inside header", [](std::vector<uint8_t>& b) { Put32(b, 10, 20); }, "overlap"},
      {"too many colours", [](std::vector<uint8_t>& b) { Put32(b, 46, 257); }, "palette entries"},
      {"bad depth", [](std::vector<uint8_t>& b) { b[28] = 7; }, "bits per pixel"},
      {"two planes", [](std::vector<uint8_t>& b) { b[26] = 2; }, "planes"},
      {"rle", [](std::vector<uint8_t>& b) { Put32(b, 30, 1); }, "run-length"},
      {"header size", [](std::vector<uint8_t>& b) { Put32(b, 14, 1000); }, "header size"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bad = good;
    c.damage(bad);
    try {
      DecodeExact(bad, [](const uint8_t* d, size_t n) { DecodeBmp(d, n); });
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // Every truncation of a valid file is refused.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_THROW(DecodeExact(cut, [](const uint8_t* d, size_t k) { DecodeBmp(d, k); }), EInvalidGraphic) << n;
  }
}

TEST(PngCodec, RoundTripsWithAndWithoutAlpha) {
  for (int bpp : {24, 32}) {
    TPixelImage src = Pattern(17, 9, bpp);
    std::vector<uint8_t> file = EncodePng(src.View(), bpp == 32);
    TPngInfo info;
    TPixelImage back;
    DecodeExact(file, [&](const uint8_t* d, size_t n) { back = DecodePng(d, n, &info); });
    EXPECT_EQ(back.BitsPerPixel, bpp);
    EXPECT_EQ(back.HasAlpha, bpp == 32);
    EXPECT_EQ(info.ColorType, bpp == 32 ? 6 : 2);
    EXPECT_EQ(info.BitDepth, 8);
    EXPECT_TRUE(SamePixels(src, back));
  }
}

TEST(PngCodec, IndexedSourcesAreConverted) {
  TPixelImage src = Pattern(5, 5, 8);
  TPixelImage back = DecodePng(EncodePng(src.View(), false).data(), EncodePng(src.View(), false).size());
  EXPECT_TRUE(SamePixels(src, back));
}

TEST(PngCodec, BrokenFilesRaise) {
  std::vector<uint8_t> good = EncodePng(Pattern(20, 20, 32).View(), true);
  for (size_t n = 0; n < good.size(); n += 3) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_THROW(DecodeExact(cut, [](const uint8_t* d, size_t k) { DecodePng(d, k); }), EInvalidGraphic) << n;
  }
  // A header claiming a picture far larger than the data could hold.
  std::vector<uint8_t> lying = good;
  lying[16] = 0;
  lying[17] = 0;
  lying[18] = 0x7F;
  lying[19] = 0xFF;  // width 32767
  try {
    DecodeExact(lying, [](const uint8_t* d, size_t k) { DecodePng(d, k); });
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("too short"), std::string::npos) << e.what();
  }
  std::vector<uint8_t> damaged = good;
  damaged[good.size() / 2] ^= 0x55;  // inside the compressed data: a CRC error
  EXPECT_THROW(DecodeExact(damaged, [](const uint8_t* d, size_t k) { DecodePng(d, k); }), EInvalidGraphic);
}

TEST(JpegCodec, RoundTripsColourAndGrey) {
  TPixelImage src(32, 16, 24);
  TPixelView v = src.View();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) v.SetPixelARGB(x, y, x < 16 ? 0xFFC02010 : 0xFF1040E0);
  std::vector<uint8_t> file = EncodeJpeg(v, 95);
  TJpegInfo info;
  TPixelImage back;
  DecodeExact(file, [&](const uint8_t* d, size_t n) { back = DecodeJpeg(d, n, &info); });
  ASSERT_EQ(back.Width, 32);
  ASSERT_EQ(back.Height, 16);
  EXPECT_FALSE(info.Grayscale);
  // Lossy: compare away from the colour edge, within a few levels.
  for (auto [x, expected] : {std::pair<int, uint32_t>{3, 0xFFC02010u}, {28, 0xFF1040E0u}}) {
    uint32_t got = back.View().PixelARGB(x, 8);
    for (int shift : {0, 8, 16})
      EXPECT_NEAR(int((got >> shift) & 0xFF), int((expected >> shift) & 0xFF), 6) << x;
  }
  std::vector<uint8_t> grey = EncodeJpeg(v, 90, true);
  TPixelImage g = DecodeJpeg(grey.data(), grey.size(), &info);
  EXPECT_TRUE(info.Grayscale);
  uint32_t p = g.View().PixelARGB(3, 8);
  EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
}

TEST(JpegCodec, BrokenFilesRaise) {
  TPixelImage src = Pattern(40, 24, 24);
  std::vector<uint8_t> good = EncodeJpeg(src.View(), 80);
  for (size_t n = 0; n < good.size(); n += 7) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_THROW(DecodeExact(cut, [](const uint8_t* d, size_t k) { DecodeJpeg(d, k); }), EInvalidGraphic) << n;
  }
  std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
  EXPECT_THROW(DecodeJpeg(text.data(), text.size()), EInvalidGraphic);
}

TEST(TextDecoding, DetectsEncodings) {
  struct Case {
    std::string bytes;
    TTextEncoding encoding;
    std::string text;
  } cases[] = {
      {"plain", TTextEncoding::UTF8, "plain"},
      {"\xEF\xBB\xBFk\xC3\xA9", TTextEncoding::UTF8, "k\xC3\xA9"},
      {"caf\xE9 \x80", TTextEncoding::Ansi, "caf\xC3\xA9 \xE2\x82\xAC"},
      {std::string("\xFF\xFEh\0i\0", 6), TTextEncoding::UTF16LE, "hi"},
      {std::string("\xFE\xFF\0h\0i", 6), TTextEncoding::UTF16BE, "hi"},
      {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), TTextEncoding::UTF16LE, "\xF0\x9F\x98\x80"},
      {std::string("\xFF\xFE\x3D\xD8", 4), TTextEncoding::UTF16LE, "\xEF\xBF\xBD"},  // lone surrogate
      {"\xC0\xAF", TTextEncoding::Ansi, "\xC3\x80\xC2\xAF"},  // over-long form is not UTF-8
  };
  for (const Case& c : cases) {
    TTextEncoding e;
    std::string text = DecodeText(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &e);
    EXPECT_EQ(e, c.encoding) << c.text;
    EXPECT_EQ(text, c.text);
  }
  std::string odd("\xFF\xFEh\0i", 5);
  EXPECT_THROW(DecodeText(reinterpret_cast<const uint8_t*>(odd.data()), odd.size()), EReadError);
  std::string back = EncodeText("caf\xC3\xA9 \xE2\x82\xAC", TTextEncoding::Ansi, false);
  EXPECT_EQ(back, "caf\xE9 \x80");
  std::string wide = EncodeText("\xF0\x9F\x98\x80", TTextEncoding::UTF16LE, true);
  EXPECT_EQ(wide, std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6));
}

TEST(IniText, ParsesLikeTheSystem) {
  TIniData ini;
  ini.Parse(
      "; comment\r\n"
      "orphan=1\r\n"
      "[Main]\r\n"
      "  Name =  Value with  blanks  \r\n"
      "name=second is ignored\n"
      "Empty=\n"
      "no equals sign\r"
      "Eq=a=b\r\n"
      "[ Other ]\n"
      "x=1\n"
      "[MAIN]\n"
      "Late=joins the first Main\n"
      "[Unclosed\n"
      "k=v\n");
  EXPECT_EQ(ini.SectionCount(), 3u);
  ASSERT_TRUE(ini.Find("main", "NAME"));
  EXPECT_EQ(*ini.Find("main", "NAME"), "Value with  blanks");
  EXPECT_TRUE(ini.ValueExists("Main", "Empty"));
  EXPECT_EQ(*ini.Find("Main", "Empty"), "");
  EXPECT_FALSE(ini.ValueExists("Main", "Missing"));
  EXPECT_FALSE(ini.ValueExists("Main", "orphan"));
  EXPECT_EQ(*ini.Find("Main", "Eq"), "a=b");
  EXPECT_EQ(*ini.Find("Main", "Late"), "joins the first Main");
  EXPECT_EQ(*ini.Find("Other", "x"), "1");
  EXPECT_EQ(*ini.Find("Unclosed", "k"), "v");

  ini.Write("New", "K", "1");
  ini.Write("main", "empty", "filled");
  ini.EraseSection("Other");
  ini.DeleteKey("Main", "Eq");
  EXPECT_FALSE(ini.SectionExists("other"));
  EXPECT_EQ(ini.Format(),
            "[Main]\r\nName=Value with  blanks\r\nEmpty=filled\r\nLate=joins the first Main\r\n\r\n"
            "[Unclosed]\r\nk=v\r\n\r\n[New]\r\nK=1\r\n");
  TIniData again;
  again.Parse(ini.Format());
  EXPECT_EQ(again.Format(), ini.Format());
}

// Many sections of many keys, changed in place, against a plain list of
// what should be there: every key stays found under any letter case.
TEST(IniText, LargeFilesKeepEveryKeyThroughChanges) {
  struct TEntry {
    std::string section, name, value;
  };
  std::vector<TEntry> expected;
  TIniData ini;
  for (int s = 0; s < 40; ++s)
    for (int k = 0; k < 40; ++k) {
      TEntry e{"Section" + std::to_string(s), "KeyWithALongerName" + std::to_string(k),
               std::to_string(s * 100 + k)};
      ini.Write(e.section, e.name, e.value);
      expected.push_back(e);
    }
  const std::string longName(5000, 'n');
  ini.Write("Section7", longName, "long");
  expected.push_back({"Section7", longName, "long"});

  auto lower = [](std::string t) { return AsciiLower(t); };
  auto check = [&](const TIniData& data, const char* stage) {
    for (const TEntry& e : expected) {
      const std::string* v = data.Find(lower(e.section), lower(e.name));
      ASSERT_TRUE(v) << stage << ": " << e.section << "/" << e.name.substr(0, 20);
      EXPECT_EQ(*v, e.value) << stage;
    }
  };
  check(ini, "written");

  TIniData parsed(ini.Format());
  check(parsed, "parsed");
  EXPECT_EQ(parsed.Format(), ini.Format());

  ini.EraseSection("section3");
  ini.DeleteKey("SECTION20", "keywithalongername5");
  std::vector<TEntry> kept;
  for (const TEntry& e : expected)
    if (e.section != "Section3" && !(e.section == "Section20" && e.name == "KeyWithALongerName5"))
      kept.push_back(e);
  expected.swap(kept);
  EXPECT_FALSE(ini.SectionExists("Section3"));
  EXPECT_FALSE(ini.ValueExists("Section20", "KeyWithALongerName5"));
  check(ini, "after erasing");

  ini.Write("section21", "KEYWITHALONGERNAME0", "changed");
  ini.Write("Section3", "KeyWithALongerName0", "again");
  for (TEntry& e : expected)
    if (e.section == "Section21" && e.name == "KeyWithALongerName0") e.value = "changed";
  expected.push_back({"Section3", "KeyWithALongerName0", "again"});
  TIniData moved(std::move(ini));
  check(moved, "moved");
  EXPECT_EQ(moved.KeyNames("Section21").size(), 40u);
  // The section written anew holds only its own key.
  EXPECT_EQ(moved.KeyNames("Section3").size(), 1u);
  for (int k = 1; k < 40; ++k) EXPECT_FALSE(moved.ValueExists("Section3", "KeyWithALongerName" + std::to_string(k)));
  EXPECT_EQ(moved.SectionNames().back(), "Section3");
}

TEST(IniText, NulByteIsAnError) {
  TIniData ini;
  EXPECT_THROW(ini.Parse(std::string("[a]\nb=c\0d", 9)), EReadError);
}
