#include <gtest/gtest.h>

#include "framework/SysUtils.h"
#include "skin/data/SPBitmapLink.h"

namespace {

TEST(BitmapLink, ParseLinkRectText) {
  struct Case {
    const char* text;
    TspRect r;
  };
  const Case cases[] = {
      {"10, 20, 30, 40", {10, 20, 30, 40}},
      {"(1,2,3,4)", {0, 0, 0, 0}},  // the opening bracket ends an empty first token
      {"1:2;3=4", {1, 2, 3, 4}},
      {"10, 20, 30", {0, 0, 0, 0}},
      {"a, 2, 3, 4", {0, 0, 0, 0}},
      {"-1,-2,3,4", {-1, -2, 3, 4}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseLinkRectText(c.text), c.r) << c.text;
  std::string s = "  12 ,rest";
  std::string token;
  CutRectToken(s, token);
  EXPECT_EQ(token, "");  // the leading blank ends the first token
}

TEST(BitmapLink, ZonesAndDrawing) {
  TspPixelBitmap b;
  b.SetSize(10, 10);
  b.Clear(0xFF000000);
  TspBitmapLink link(&b, TspRect(0, 0, 10, 10));
  b.SetPixel(3, 3, MaskSkipColor);
  link.CheckingMasked();
  EXPECT_FALSE(link.Masked());
  struct Case {
    int x, y;
    bool angles, border, centre;
  };
  const Case cases[] = {{0, 0, true, false, false}, {5, 0, false, true, false}, {5, 5, false, false, true}};
  for (const auto& c : cases) {
    b.Clear(0xFF000000);
    b.SetPixel(c.x, c.y, TransparentKey);
    link.CheckingMasked(TspRect(2, 2, 2, 2));
    EXPECT_EQ(link.MaskedAngles(), c.angles) << c.x << "," << c.y;
    EXPECT_EQ(link.MaskedBorder(), c.border) << c.x << "," << c.y;
    EXPECT_EQ(link.Masked(), c.centre) << c.x << "," << c.y;
  }
  // Zones measured on the link's own size, also away from the origin.
  TspBitmapLink off(&b, TspRect(0, 0, 10, 10));
  b.SetSize(20, 20);
  b.Clear(0xFF000000);
  b.SetPixel(15, 5, 0x80000000);  // link (10,0)-(20,10): point (5, 5) is the centre
  off.SetLeft(10), off.SetRight(20);
  off.CheckingMasked(TspRect(2, 2, 2, 2));
  EXPECT_TRUE(off.Masked());
  EXPECT_FALSE(off.MaskedBorder());

  TspBitmapLink empty(&b, TspRect(3, 3, 3, 9));
  EXPECT_FALSE(empty.Assigned());
  TspPixelBitmap target;
  target.SetSize(4, 4);
  empty.Draw(target, 0, 0);
  EXPECT_EQ(target.GetPixel(0, 0), 0u);
  TspBitmapLink part(&b, TspRect(14, 4, 16, 6));
  part.Draw(target, 1, 1);
  EXPECT_EQ(target.GetPixel(2, 2), 0x80000000u);
}

TEST(BitmapLink, RecordRoundTrip) {
  TspPixelBitmap b;
  b.SetName("atlas");
  TspBitmapLink a(&b, TspRect(1, 2, 3, 4)), c;
  const auto bytes = a.SaveRecord();
  EXPECT_EQ(c.LoadRecord(bytes.data(), bytes.size()), bytes.size());
  EXPECT_EQ(c.Name(), "atlas");
  EXPECT_EQ(c.Rect(), TspRect(1, 2, 3, 4));
  EXPECT_THROW(c.LoadRecord(bytes.data(), bytes.size() - 1), Exception);
}

}  // namespace
