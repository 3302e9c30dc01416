#include "support/gtest.h"

#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/sppngimagelist.h"

namespace {

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  auto be = [&](uint32_t v) { for (int i = 3; i >= 0; --i) png.push_back(uint8_t(v >> (8 * i))); };
  be(uint32_t(data.size()));
  std::vector<uint8_t> td(type, type + 4);
  td.insert(td.end(), data.begin(), data.end());
  png.insert(png.end(), td.begin(), td.end());
  be(uint32_t(crc32(0, td.data(), uInt(td.size()))));
}

// A PNG of the given colour type with one row; rows are raw sample bytes.
std::unique_ptr<TspPngImage> MakePng(int type, int width, const std::vector<uint8_t>& row, const std::vector<uint8_t>& plte = {},
                    const std::vector<uint8_t>& trns = {}) {
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(png, "IHDR", {0, 0, 0, uint8_t(width), 0, 0, 0, 1, 8, uint8_t(type), 0, 0, 0});
  if (!plte.empty()) Chunk(png, "PLTE", plte);
  if (!trns.empty()) Chunk(png, "tRNS", trns);
  std::vector<uint8_t> raw{0};
  raw.insert(raw.end(), row.begin(), row.end());
  uLongf len = compressBound(uLong(raw.size()));
  std::vector<uint8_t> z(len);
  compress(z.data(), &len, raw.data(), uLong(raw.size()));
  z.resize(len);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  TMemoryStream s;
  s.Write(png.data(), png.size());
  s.Seek(0, soBeginning);
  auto image = std::make_unique<TspPngImage>();
  image->LoadFromStream(&s);
  return image;
}

TEST(TspPngImageList, ItemsNamesAndSize) {
  TspPngImageList list(nullptr);
  list.SetPngWidth(16);
  for (int i = 0; i < 4; ++i) list.Add();
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Items(3)->Name, "PngImage3");
  list.Delete(1);
  EXPECT_EQ(list.Count(), 3);
  list.Items(0)->Name = "";
  EXPECT_EQ(list.Items(0)->DisplayName(), "TspPngImageItem");
  list.SetPngWidth(16);
  EXPECT_EQ(list.Count(), 3);
  list.SetPngWidth(32);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Items(0), EspListError);
}

TEST(TspPngImageList, DisabledCopyHalvesAlpha) {
  EXPECT_EQ(spDisabledAlpha(255), 128);
  EXPECT_EQ(spDisabledAlpha(1), 0);
  EXPECT_EQ(spDisabledAlpha(3), 2);
  EXPECT_EQ(spDisabledAlpha(0), 0);

  auto rgba = MakePng(6, 2, {255, 0, 0, 255, 0, 0, 255, 3});
  TspPngImage off;
  spMakeDisabledPng(*rgba, off);
  EXPECT_EQ(off.AlphaAt(0, 0), 128);
  EXPECT_EQ(off.AlphaAt(1, 0), 2);
  EXPECT_EQ(rgba->AlphaAt(0, 0), 255);   // the item's own picture is left alone

  auto palette = MakePng(3, 2, {0, 1}, {255, 0, 255, 0, 128, 0}, {0});
  spMakeDisabledPng(*palette, off);
  EXPECT_EQ(off.AlphaAt(0, 0), 0);      // the transparent colour stays clear
  EXPECT_EQ(off.AlphaAt(1, 0), 127);
  EXPECT_EQ(off.Pixel(1, 0), TColor(0x008000));

  auto rgb = MakePng(2, 1, {10, 20, 30});
  spMakeDisabledPng(*rgb, off);
  EXPECT_EQ(off.AlphaAt(0, 0), 128);
}

TEST(TspPngImageList, DrawsGlyphsWithAlpha) {
  TspPngImageList list(nullptr);
  list.SetPngWidth(2);
  list.SetPngHeight(1);
  auto red = MakePng(6, 2, {255, 0, 0, 255, 255, 0, 0, 255});
  list.Add()->SetPngImage(red.get());
  TBitmap target(4, 2, pf24bit);
  target.Canvas()->Brush()->SetColor(TColor(0xFFFFFF));
  target.Canvas()->FillRect(Rect(0, 0, 4, 2));
  list.Draw(target.Canvas(), 0, 0, 0, true);
  list.Draw(target.Canvas(), 2, 1, 0, false);
  TPixelImage px = target.ToPixelImage();
  EXPECT_EQ(px.View().PixelARGB(0, 0) & 0xFFFFFF, 0xFF0000u);
  uint32_t half = px.View().PixelARGB(2, 1) & 0xFFFFFF;
  EXPECT_EQ(half >> 16, 0xFFu);
  EXPECT_NEAR(int((half >> 8) & 0xFF), 127, 2);
  EXPECT_EQ(px.View().PixelARGB(3, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_THROW(list.Draw(target.Canvas(), 0, 0, 1, true), EspListError);
}

// Users of image lists see the PNG items through the image-list interface.
TEST(TspPngImageList, IsAnImageList) {
  TspPngImageList list(nullptr);
  list.SetPngWidth(2);
  list.SetPngHeight(1);
  TCustomImageList* base = &list;
  int changes = 0;
  TChangeLink link;
  link.OnChange = [&](TObject*) { ++changes; };
  base->RegisterChanges(&link);
  auto red = MakePng(6, 2, {255, 0, 0, 255, 255, 0, 0, 128});
  for (int i = 0; i < 3; ++i) list.Add()->SetPngImage(red.get());
  list.Delete(0);
  EXPECT_EQ(base->Count(), 2);
  EXPECT_EQ(base->Width(), 2);
  EXPECT_EQ(base->Height(), 1);
  EXPECT_GE(changes, 4);
  TBitmap target(2, 1, pf24bit);
  target.Canvas()->Brush()->SetColor(TColor(0xFFFFFF));
  target.Canvas()->FillRect(Rect(0, 0, 2, 1));
  base->Draw(target.Canvas(), 0, 0, 1, true);
  TPixelImage px = target.ToPixelImage();
  EXPECT_EQ(px.View().PixelARGB(0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_NEAR(int((px.View().PixelARGB(1, 0) >> 8) & 0xFF), 127, 2);  // half-transparent red on white
  list.SetPngWidth(3);
  EXPECT_EQ(base->Count(), 0);
}

}  // namespace
