// Skin bitmaps from bitmap resources: of a resource-only module opened as
// data, and of the program itself.
#include <windows.h>

#include <string>

#include "framework/SysUtils.h"
#include "skin/data/speffbmp.h"
#include "support/gtest.h"

namespace {

std::string ResourceModule() { return FromNativePath(TESS_TEST_RES_MODULE); }

// The rule the resource pictures were drawn by (3 x 2 pixels).
uint32_t Rgb(int x, int y) { return (uint32_t(40 * x + 10) << 16) | (uint32_t(60 * y + 20) << 8) | 90u; }

TEST(SkinBitmapResource, LoadsEveryDepthFromAModuleOrTheProgram) {
  struct Case {
    const char* name;
    std::string file, resource;
    bool alpha;  // 32 bits: alpha 100 + 50 x, else opaque
  } cases[] = {
      {"24 bits", ResourceModule(), "SPTRUE", false},
      {"8 bits", ResourceModule(), "SPEIGHT", false},
      {"32 bits", ResourceModule(), "SPALPHA", true},
      {"any case", ResourceModule(), "spAlpha", true},
      {"by number", ResourceModule(), "#7", false},
      {"the program's own", "", "SPTRUE", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TspBitmap b;
    b.LoadFromResource(c.file, c.resource);
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        TspColor p = b.GetPixel(x, y);
        EXPECT_EQ(p & 0xFFFFFF, Rgb(x, y)) << x << "," << y;
        EXPECT_EQ(p >> 24, c.alpha ? uint32_t(100 + 50 * x) : 255u) << x << "," << y;
      }
  }
}

TEST(SkinBitmapResource, MissingModuleOrResourceChangesNothing) {
  struct Case {
    const char* name;
    std::string file, resource;
  } cases[] = {
      {"no such resource", ResourceModule(), "NOSUCH"},
      {"no such number", ResourceModule(), "#8"},
      // Not the program's own SPTRUE either, although a module that does not
      // open has no handle.
      {"no such module", ResourceModule() + ".missing", "SPTRUE"},
      {"not in the program", "", "SPMISSING"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TspBitmap b;
    b.SetSize(5, 4);
    b.Clear(0x11223344);
    b.LoadFromResource(c.file, c.resource);
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 4);
    EXPECT_EQ(b.GetPixel(4, 3), 0x11223344u);
  }
}

}  // namespace
