// Image lists: cutting strips, masks, drawing on every kind of context,
// change notification and the system's list.
#include "support/gtest.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "support/Dib.h"
#include "support/BitmapPixels.h"

namespace {

constexpr TColor kKey = clFuchsia;  // the mask colour of the glyph pictures
constexpr uint32_t kBack = 0x00123456;

// A strip from ASCII art: '.' is the mask colour, a letter a colour
// (k black, w white).
std::unique_ptr<TBitmap> Art(const std::vector<std::string>& rows, TPixelFormat format = pf24bit) {
  auto b = std::make_unique<TBitmap>(int(rows[0].size()), int(rows.size()), format);
  TPixelView v = b->PixelView();
  for (int y = 0; y < v.Height; ++y)
    for (int x = 0; x < v.Width; ++x) {
      uint32_t c;
      switch (rows[size_t(y)][size_t(x)]) {
        case 'r': c = 0xFF0000; break;
        case 'g': c = 0x00FF00; break;
        case 'b': c = 0x0000FF; break;
        case 'w': c = 0xFFFFFF; break;
        case 'k': c = 0x000000; break;
        default: c = 0xFF00FF; break;
      }
      v.SetPixelARGB(x, y, 0xFF000000u | c);
    }
  return b;
}

const std::vector<std::string> kStrip = {
    "r..b" "ggg.",
    ".rb." "g..w",
    "b..r" "..ww",
};

TEST(TCustomImageList, CutsStripsIntoPictures) {
  TImageList list(nullptr, 4, 3);
  auto strip = Art(kStrip);
  EXPECT_EQ(list.AddMasked(strip.get(), kKey), 0);
  EXPECT_EQ(list.AddMasked(strip.get(), clDefault), 2);  // bottom-left pixel 'b' becomes the key
  ASSERT_EQ(list.Count(), 4);

  EXPECT_EQ(list.PixelARGB(0, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(list.PixelARGB(0, 1, 0), 0u);
  EXPECT_EQ(list.PixelARGB(1, 3, 1), 0xFFFFFFFFu);
  EXPECT_EQ(list.PixelARGB(1, 3, 0), 0u);
  EXPECT_EQ(list.PixelARGB(2, 3, 0), 0u);           // blue is see-through now
  EXPECT_EQ(list.PixelARGB(2, 1, 0), 0xFFFF00FFu);  // and the key colour is not
  EXPECT_EQ(list.PixelARGB(0, 9, 0), 0u);           // outside the picture

  // A picture narrower than the list adds nothing.
  auto narrow = Art({"rrr", "rrr", "rrr"});
  EXPECT_EQ(list.AddMasked(narrow.get(), kKey), -1);
  EXPECT_EQ(list.Add(nullptr, nullptr), -1);
  EXPECT_EQ(list.Count(), 4);

  // A mask picture: white is transparent, the image's own colours count for nothing.
  auto mask = Art({"wkkk", "kkkk", "kkkw"});
  list.Clear();
  EXPECT_EQ(list.Add(strip.get(), mask.get()), 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.PixelARGB(0, 0, 0), 0u);
  EXPECT_EQ(list.PixelARGB(0, 1, 0), 0xFFFF00FFu);
  EXPECT_EQ(list.PixelARGB(0, 3, 2), 0u);
  EXPECT_EQ(list.PixelARGB(1, 0, 0), 0xFF00FF00u);  // beyond the mask: opaque

  // Without a mask every pixel is opaque.
  list.Clear();
  list.Add(strip.get(), nullptr);
  EXPECT_EQ(list.PixelARGB(0, 1, 0), 0xFFFF00FFu);
}

TEST(TCustomImageList, InsertDeleteReplaceAndSize) {
  TImageList list(nullptr, 4, 3);
  auto strip = Art(kStrip);
  auto red = Art({"rrrr", "rrrr", "rrrr"});
  list.AddMasked(strip.get(), kKey);
  list.InsertMasked(1, red.get(), kKey);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.PixelARGB(0, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(list.PixelARGB(1, 3, 2), 0xFFFF0000u);
  EXPECT_EQ(list.PixelARGB(2, 0, 0), 0xFF00FF00u);
  list.Delete(0);
  EXPECT_EQ(list.PixelARGB(0, 1, 1), 0xFFFF0000u);
  list.Replace(1, red.get(), nullptr);
  EXPECT_EQ(list.PixelARGB(1, 3, 0), 0xFFFF0000u);
  EXPECT_THROW(list.Delete(2), EListError);
  EXPECT_THROW(list.Replace(-1, red.get(), nullptr), EListError);
  EXPECT_THROW(list.Insert(3, red.get(), nullptr), EListError);
  EXPECT_THROW(list.PixelARGB(5, 0, 0), EListError);
  EXPECT_THROW(list.SetWidth(-1), EListError);

  list.SetWidth(4);  // same size: kept
  EXPECT_EQ(list.Count(), 2);
  list.SetHeight(5);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Height(), 5);

  TImageList empty(nullptr, 0, 3);  // no picture fits a list of width 0
  EXPECT_EQ(empty.Add(strip.get(), nullptr), -1);
}

TEST(TCustomImageList, ChangeNotification) {
  auto list = std::make_unique<TImageList>(nullptr, 4, 3);
  int events = 0, linked = 0, linked2 = 0;
  list->OnChange = [&](TObject* s) {
    EXPECT_EQ(s, list.get());
    ++events;
  };
  TChangeLink link;
  link.OnChange = [&](TObject*) { ++linked; };
  list->RegisterChanges(&link);
  EXPECT_EQ(link.Sender(), list.get());
  auto strip = Art(kStrip);
  list->AddMasked(strip.get(), kKey);  // one change for the whole strip
  list->Delete(0);
  list->SetBkColor(clRed);
  list->SetBkColor(clRed);  // no change
  list->Clear();
  list->Clear();  // nothing to clear
  EXPECT_EQ(events, 4);
  EXPECT_EQ(linked, 4);
  {
    TChangeLink shortLived;
    shortLived.OnChange = [&](TObject*) { ++linked2; };
    list->RegisterChanges(&shortLived);
    list->AddMasked(strip.get(), kKey);
  }  // unregisters itself
  list->AddMasked(strip.get(), kKey);
  EXPECT_EQ(linked2, 1);
  EXPECT_EQ(linked, 6);
  list->UnRegisterChanges(&link);
  EXPECT_EQ(link.Sender(), nullptr);
  list->RegisterChanges(&link);
  list.reset();
  EXPECT_EQ(link.Sender(), nullptr);  // the link outlives the list safely
}

// Draws picture 0 of the strip at (1, 1) of a 7 x 6 target in each kind of
// context and checks every pixel against the expected picture.
TEST(TCustomImageList, DrawsMaskedAndDisabledOnEveryContext) {
  TImageList list(nullptr, 4, 3);
  auto strip = Art(kStrip);
  list.AddMasked(strip.get(), kKey);

  const uint32_t shadow = RgbOf(clBtnShadow), light = RgbOf(clBtnHighlight);
  struct Case {
    const char* name;
    bool enabled;
    TColor bk;
  } cases[] = {{"enabled", true, clNone}, {"disabled", false, clNone}, {"enabled on bk", true, clLime},
               {"disabled on bk", false, clLime}};

  auto expected = [&](const Case& c, int x, int y) -> uint32_t {
    int gx = x - 1, gy = y - 1;
    auto opaque = [&](int px, int py) {
      return px >= 0 && py >= 0 && px < 4 && py < 3 && list.PixelARGB(0, px, py) != 0;
    };
    bool inside = gx >= 0 && gy >= 0 && gx < 4 && gy < 3;
    if (c.enabled && opaque(gx, gy)) return list.PixelARGB(0, gx, gy) & 0xFFFFFF;
    if (!c.enabled && opaque(gx, gy)) return shadow;
    if (!c.enabled && opaque(gx - 1, gy - 1)) return light;
    if (inside && c.bk != clNone) return RgbOf(c.bk);
    return kBack;
  };

  for (const Case& c : cases) {
    list.SetBkColor(c.bk);
    for (TPixelFormat f : {pf32bit, pf24bit}) {
      SCOPED_TRACE(std::string(c.name) + (f == pf32bit ? " 32" : " 24"));
      TBitmap target(7, 6, f);
      target.Canvas()->Brush()->SetColor(RGBColor(0x12, 0x34, 0x56));
      target.Canvas()->FillRect(Rect(0, 0, 7, 6));
      list.Draw(target.Canvas(), 1, 1, 0, c.enabled);
      list.Draw(target.Canvas(), 1, 1, 2, c.enabled);  // index 2 does not exist
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(RgbAt(target, x, y), expected(c, x, y)) << x << "," << y;
    }
    // A plain memory context with a DIB selected (no framework bitmap).
    SCOPED_TRACE(std::string(c.name) + " dc");
    Dib dib(7, 6);
    TCanvas canvas;
    canvas.SetHandle(dib.dc);
    // Colours the context had before must survive the drawing.
    SetTextColor(dib.dc, RGB(1, 2, 3));
    SetBkColor(dib.dc, RGB(4, 5, 6));
    list.Draw(&canvas, 1, 1, 0, c.enabled);
    EXPECT_EQ(GetTextColor(dib.dc), RGB(1, 2, 3));
    EXPECT_EQ(GetBkColor(dib.dc), RGB(4, 5, 6));
    canvas.SetHandle(nullptr);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 7; ++x) {
        uint32_t want = expected(c, x, y);
        EXPECT_EQ(dib.At(x, y), RGB(want >> 16, (want >> 8) & 0xFF, want & 0xFF)) << x << "," << y;
      }
  }
}

TEST(TCustomImageList, BitmapIconAndSystemList) {
  TImageList list(nullptr, 4, 3);
  auto strip = Art(kStrip);
  list.AddMasked(strip.get(), kKey);

  TBitmap b;
  b.Canvas()->Brush()->SetColor(clAqua);
  list.GetBitmap(1, &b);
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(RgbAt(b, 0, 0), 0x00FF00u);
  EXPECT_EQ(RgbAt(b, 3, 0), RgbOf(clAqua));
  TBitmap untouched(2, 2);
  list.GetBitmap(7, &untouched);
  EXPECT_EQ(untouched.Width(), 2);

  TIcon icon;
  list.GetIcon(0, &icon);
  ASSERT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 4);
  EXPECT_EQ(icon.Height(), 3);
  Dib dib(4, 3);
  DrawIconEx(dib.dc, 0, 0, icon.Handle(), 4, 3, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(dib.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(dib.At(1, 0), RGB(0x12, 0x34, 0x56));  // transparent: the DIB's own fill

  HIMAGELIST h = list.Handle();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(h), 2);
  list.AddMasked(strip.get(), kKey);
  EXPECT_EQ(list.Handle(), h);  // the same list, brought up to date
  EXPECT_EQ(ImageList_GetImageCount(h), 4);
  list.SetSize(8, 3);
  EXPECT_EQ(ImageList_GetImageCount(h), 0);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(h, &cx, &cy);
  EXPECT_EQ(cx, 8);
  EXPECT_EQ(cy, 3);
  list.AddMasked(strip.get(), kKey);
  EXPECT_EQ(ImageList_GetImageCount(h), 1);
  Dib sys(8, 3);
  ImageList_Draw(h, 0, sys.dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(sys.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(sys.At(1, 0), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(sys.At(4, 0), RGB(0, 255, 0));
}

}  // namespace
