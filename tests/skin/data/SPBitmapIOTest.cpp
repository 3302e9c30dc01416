#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "skin/data/SPBitmapIO.h"

namespace {

std::vector<uint8_t> Record(const std::string& name, int32_t w, int32_t h, const std::vector<uint32_t>& pixels) {
  std::vector<uint8_t> out;
  auto put = [&](int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(v) >> (8 * i)));
  };
  put(int32_t(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  put(w), put(h);
  for (uint32_t p : pixels) put(int32_t(p));
  return out;
}

TEST(BitmapRecord, RoundTripAndBottomUpRows) {
  TspPixelBitmap a;
  a.SetSize(2, 3);
  for (int i = 0; i < 6; ++i) a.Bits()[i] = 0x11111111u * unsigned(i);
  a.SetName("glyph");
  const auto bytes = SaveBitmapRecord(a);
  TspPixelBitmap b;
  EXPECT_EQ(LoadBitmapRecord(b, bytes.data(), bytes.size()), bytes.size());
  EXPECT_EQ(b.Name(), "glyph");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Bits()[i], a.Bits()[i]);

  const auto up = Record("", 1, -2, {0xA, 0xB});  // rows A then B, bottom-up
  EXPECT_EQ(LoadBitmapRecord(b, up.data(), up.size()), up.size());
  EXPECT_EQ(b.GetPixel(0, 0), 0xBu);
  // Same size as the bitmap already has: the pixels are still read.
  const auto same = Record("", 1, 2, {0xC, 0xD});
  LoadBitmapRecord(b, same.data(), same.size());
  EXPECT_EQ(b.GetPixel(0, 0), 0xCu);
}

TEST(BitmapRecord, BrokenRecordsRaiseAndChangeNothing) {
  const std::vector<std::vector<uint8_t>> broken = {
      Record("x", 2, 2, {1, 2, 3}),           // one pixel short
      Record("x", INT32_MIN, 1, {}),          // abs(INT_MIN)
      Record("x", 40000, 40000, {}),          // huge
      {5, 0, 0, 0, 'a'},                      // name longer than the data
      {0xFF, 0xFF, 0xFF, 0xFF},               // negative name length
      {1, 0},                                 // short header
  };
  for (const auto& r : broken) {
    TspPixelBitmap b;
    b.SetSize(1, 1);
    b.SetPixel(0, 0, 7);
    EXPECT_THROW(LoadBitmapRecord(b, r.data(), r.size()), Exception);
    EXPECT_EQ(b.GetPixel(0, 0), 7u);
  }
}

TEST(Pcx, RunLengthAndPictures) {
  const uint8_t rle[] = {0xC3, 7, 0xC0, 9, 5, 0xC5};
  EXPECT_EQ(DecodePcxRle(rle, sizeof rle, 10), (std::vector<uint8_t>{7, 7, 7, 5, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(DecodePcxRle(rle, sizeof rle, 2), (std::vector<uint8_t>{7, 7}));

  std::vector<uint8_t> pcx(128, 0);
  pcx[0] = 10, pcx[1] = 5, pcx[2] = 1;
  pcx[8] = 2, pcx[10] = 1;  // 3 x 2
  pcx[65] = 1, pcx[66] = 4;  // rows of 4 bytes
  for (uint8_t b : {uint8_t(0xC3), uint8_t(1), uint8_t(9), uint8_t(2), uint8_t(0), uint8_t(0), uint8_t(9)})
    pcx.push_back(b);
  pcx.push_back(12);
  for (int i = 0; i < 256; ++i) pcx.push_back(uint8_t(i)), pcx.push_back(0), pcx.push_back(uint8_t(255 - i));
  TspPcxImage img;
  ASSERT_TRUE(DecodePcx8(pcx.data(), pcx.size(), img));
  EXPECT_EQ(img.Width, 3);
  EXPECT_EQ(img.Indexes, (std::vector<uint8_t>{1, 1, 1, 2, 0, 0}));
  TspPixelBitmap b;
  PcxToBitmap(img, b);
  EXPECT_EQ(b.GetPixel(0, 1), 0xFF0200FDu);

  pcx[0] = 11;
  EXPECT_FALSE(DecodePcx8(pcx.data(), pcx.size(), img));
  pcx[0] = 10;
  pcx[8] = 0, pcx[4] = 5;  // Xmax < Xmin
  EXPECT_FALSE(DecodePcx8(pcx.data(), pcx.size(), img));
  pcx[4] = 0, pcx[8] = 2;
  EXPECT_FALSE(DecodePcx8(pcx.data(), 200, img));  // no room for the palette
}

TEST(ColourAdjust, HslCases) {
  TspPixelBitmap b;
  b.SetSize(2, 1);
  b.SetPixel(0, 0, 0xFF808080);
  b.SetPixel(1, 0, 0x00808080);
  ChangeBitmapBrightness(b, 200);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(b.GetPixel(1, 0), 0x00808080u);  // alpha 0: never recoloured

  // Saturation 200/255 stepped by 100 wraps to 45/255.
  TspColor c = HSLToSpColor(0.5f, 200.0f / 255, 0.0f);
  b.SetPixel(0, 0, c);
  ChangeBitmapSat(b, 100);
  // 45/255 up to the 8-bit channels the colour is stored in.
  EXPECT_NEAR(SpColorToHSL(b.GetPixel(0, 0)).S * 255, 45, 1.5);

  b.SetPixel(0, 0, 0xFFFF0000);
  ChangeBitmapHue(b, 0);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFFFF0000u);
  TspPixelBitmap a;
  a.AssignPixels(b);
  SetBitmapHue(a, 300);
  SetBitmapHue(b, 255);
  EXPECT_EQ(a.GetPixel(0, 0), b.GetPixel(0, 0));
  const TspHSL red = SpColorToHSL(0xFFFF0000);
  EXPECT_FLOAT_EQ(red.S, 1);
  EXPECT_FLOAT_EQ(red.L, 0.5f);
  EXPECT_EQ(HSLToSpColor(red.L, red.S, red.H), 0xFFFF0000u);
}

}  // namespace
