// BMP, JPEG, PNG and icon files through the picture classes.
#include "support/gtest.h"

#include <windows.h>

#include "framework/Graphics.h"
#include "framework/Jpeg.h"
#include "framework/PngImage.h"
#include "framework/ShellFolders.h"

namespace {

std::string TempName(const std::string& name) { return GetTempFolder() + "tess-images-" + name; }

void FillPattern(TBitmap& b) {
  TPixelView v = b.PixelView();
  for (int y = 0; y < v.Height; ++y)
    for (int x = 0; x < v.Width; ++x)
      v.SetPixelARGB(x, y, (uint32_t(x * 20 + y * 3) << 24) | (uint32_t(x * 40) << 16) | (uint32_t(y * 30) << 8) | 0x40);
}

bool SamePixels(TBitmap& a, TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  TPixelView va = a.PixelView(), vb = b.PixelView();
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (va.PixelARGB(x, y) != vb.PixelARGB(x, y)) return false;
  return true;
}

TEST(TBitmap, BmpFilesRoundTripInEveryFormat) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(int(f));
    TBitmap b(11, 7, pf32bit);
    FillPattern(b);
    b.SetPixelFormat(f);
    std::string name = TempName("round.bmp");
    b.SaveToFile(name);
    TBitmap back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.PixelFormat(), f);
    EXPECT_TRUE(SamePixels(b, back));
    DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()));
  }
}

TEST(TBitmap, BrokenBmpFilesRaiseAndLeaveTheBitmapAlone) {
  TBitmap b(5, 5, pf24bit);
  TMemoryStream s;
  b.SaveToStream(&s);
  s.SetSize(s.Size() - 3);
  s.SetPosition(0);
  TBitmap target(2, 2, pf24bit);
  try {
    target.LoadFromStream(&s);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("ends inside the pixels"), std::string::npos) << e.what();
  }
  EXPECT_EQ(target.Width(), 2);
  EXPECT_THROW(target.LoadFromFile(TempName("missing.bmp")), EFOpenError);
}

TEST(TBitmap, LoadsBitmapResourcesOfOtherModules) {
  HMODULE module = LoadLibraryExW(u"comctl32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  TBitmap b;
  b.LoadFromResourceName(module, "#120");  // the standard small tool-bar glyphs
  EXPECT_GT(b.Width(), 16);
  EXPECT_EQ(b.Height(), 16);
  EXPECT_THROW(b.LoadFromResourceName(module, "NoSuchBitmap"), EInvalidGraphic);
  EXPECT_GT(b.Width(), 16);
  FreeLibrary(module);
}

TEST(TBitmap, ReadsOnlyItsOwnPartOfAStream) {
  TBitmap one(3, 2, pf24bit), two(5, 1, pf8bit);
  TMemoryStream s;
  one.SaveToStream(&s);
  two.SaveToStream(&s);
  s.SetPosition(0);
  TBitmap a, b;
  a.LoadFromStream(&s);
  b.LoadFromStream(&s);
  EXPECT_EQ(a.Width(), 3);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(TPngImage, RoundTripKeepsAlphaAndConvertsWithBitmaps) {
  TBitmap b(9, 6, pf32bit);
  FillPattern(b);
  TPngImage png;
  png.Assign(&b);
  EXPECT_TRUE(png.HasAlpha());
  std::string name = TempName("round.png");
  png.SaveToFile(name);
  TPngImage loaded;
  loaded.LoadFromFile(name);
  EXPECT_EQ(loaded.Header().ColorType, 6);
  EXPECT_EQ(loaded.Width(), 9);
  TBitmap back;
  back.Assign(&loaded);
  EXPECT_EQ(back.PixelFormat(), pf32bit);
  EXPECT_TRUE(SamePixels(b, back));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()));

  // A 24-bit bitmap gives an opaque RGB picture.
  TBitmap rgb(3, 3, pf24bit);
  rgb.Canvas()->Brush()->SetColor(clTeal);
  rgb.Canvas()->FillRect(Rect(0, 0, 3, 3));
  png.Assign(&rgb);
  EXPECT_FALSE(png.HasAlpha());
  EXPECT_EQ(png.Pixel(1, 1), clTeal);
  EXPECT_EQ(png.AlphaAt(1, 1), 255);
}

TEST(TPngImage, DrawBlendsWithPerPixelAlpha) {
  TPngImage png;
  png.CreateBlank(true, 2, 1);
  png.SetPixel(0, 0, clRed);
  png.SetAlphaAt(0, 0, 128);
  png.SetPixel(1, 0, clBlue);  // alpha stays 0: invisible
  TBitmap target(4, 2, pf24bit);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(Rect(0, 0, 4, 2));
  target.Canvas()->StretchDraw(Rect(0, 0, 4, 2), &png);
  uint32_t half = target.PixelView().PixelARGB(0, 0) & 0xFFFFFF;
  EXPECT_EQ(half >> 16, 0xFFu);
  EXPECT_NEAR(int((half >> 8) & 0xFF), 127, 2);
  EXPECT_NEAR(int(half & 0xFF), 127, 2);
  EXPECT_EQ(target.PixelView().PixelARGB(3, 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(TJPEGImage, RoundTripThroughBitmaps) {
  TBitmap b(16, 16, pf24bit);
  b.Canvas()->Brush()->SetColor(RGBColor(200, 40, 20));
  b.Canvas()->FillRect(Rect(0, 0, 16, 16));
  TJPEGImage jpeg;
  jpeg.Assign(&b);
  jpeg.CompressionQuality = 95;
  TMemoryStream s;
  jpeg.SaveToStream(&s);
  s.SetPosition(0);
  TJPEGImage loaded;
  loaded.LoadFromStream(&s);
  TBitmap back;
  back.Assign(&loaded);
  EXPECT_EQ(back.Width(), 16);
  EXPECT_EQ(back.PixelFormat(), pf24bit);
  uint32_t p = back.PixelView().PixelARGB(8, 8);
  EXPECT_NEAR(int((p >> 16) & 0xFF), 200, 4);
  EXPECT_NEAR(int((p >> 8) & 0xFF), 40, 4);
  EXPECT_NEAR(int(p & 0xFF), 20, 4);

  TBitmap canvas(8, 8, pf24bit);
  canvas.Canvas()->StretchDraw(Rect(0, 0, 8, 8), &loaded);
  EXPECT_NEAR(int((canvas.PixelView().PixelARGB(4, 4) >> 16) & 0xFF), 200, 4);

  s.SetSize(s.Size() / 2);
  s.SetPosition(0);
  EXPECT_THROW(loaded.LoadFromStream(&s), EInvalidGraphic);
  EXPECT_EQ(loaded.Width(), 16);  // unchanged
}

TEST(TPicture, LoadsByExtensionAndGivesABitmap) {
  TBitmap b(5, 4, pf24bit);
  b.Canvas()->Brush()->SetColor(clOlive);
  b.Canvas()->FillRect(Rect(0, 0, 5, 4));
  TPngImage png;
  png.Assign(&b);
  std::string name = TempName("picture.png");
  png.SaveToFile(name);
  TPicture picture;
  picture.LoadFromFile(name);
  EXPECT_NE(dynamic_cast<TPngImage*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 5);
  TBitmap* bitmap = picture.Bitmap();
  EXPECT_EQ(bitmap->Canvas()->Pixel(2, 2), clOlive);
  EXPECT_THROW(picture.LoadFromFile(TempName("picture.gif")), EInvalidGraphic);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()));
}

// A 16 x 16 32-bit icon file, made by hand.
std::vector<uint8_t> IconFile(bool cursor) {
  std::vector<uint8_t> f;
  auto u16 = [&](unsigned v) { f.push_back(uint8_t(v)); f.push_back(uint8_t(v >> 8)); };
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) f.push_back(uint8_t(v >> (8 * i))); };
  uint32_t image = 40 + 16 * 16 * 4 + 16 * 4;
  u16(0); u16(cursor ? 2 : 1); u16(1);
  f.push_back(16); f.push_back(16); f.push_back(0); f.push_back(0);
  u16(cursor ? 3 : 1); u16(cursor ? 5 : 32); u32(image); u32(22);
  u32(40); u32(16); u32(32); u16(1); u16(32); u32(0); u32(0); u32(0); u32(0); u32(0); u32(0);
  for (int i = 0; i < 256; ++i) u32(0xFF3366CC);
  for (int i = 0; i < 16; ++i) u32(0);
  return f;
}

TEST(TIcon, ReadsIconsAndCursorsAndRefusesBrokenOnes) {
  for (bool cursor : {false, true}) {
    std::vector<uint8_t> file = IconFile(cursor);
    TMemoryStream s;
    s.WriteBuffer(file.data(), file.size());
    s.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(&s);
    EXPECT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    TBitmap target(16, 16, pf24bit);
    target.Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(target.PixelView().PixelARGB(8, 8) & 0xFFFFFF, 0x3366CCu);
    TIcon copy;
    copy.Assign(&icon);
    EXPECT_NE(copy.Handle(), icon.Handle());
    TBitmap asBitmap;
    asBitmap.Assign(&icon);
    EXPECT_EQ(asBitmap.Width(), 16);
    EXPECT_EQ(asBitmap.PixelView().PixelARGB(3, 3) & 0xFFFFFF, 0x3366CCu);
  }
  std::vector<uint8_t> lying = IconFile(false);
  lying[14] = 0xFF;  // image size past the end
  TMemoryStream s;
  s.WriteBuffer(lying.data(), lying.size());
  s.SetPosition(0);
  TIcon icon;
  EXPECT_THROW(icon.LoadFromStream(&s), EInvalidGraphic);
}

}  // namespace
