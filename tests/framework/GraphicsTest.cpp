// Colours, GDI objects and canvas drawing, checked pixel by pixel on DIB
// sections (GDI on DIB sections is Wine's deterministic software renderer).
#include <functional>
#include "support/gtest.h"

#include <windows.h>

#include "framework/Graphics.h"
#include "framework/Threads.h"

namespace {

// 0x00RRGGBB of a pixel, whatever the bitmap's format.
uint32_t RGBAt(TBitmap& b, int x, int y) { return b.PixelView().PixelARGB(x, y) & 0xFFFFFF; }
uint32_t ARGBAt(TBitmap& b, int x, int y) { return b.PixelView().PixelARGB(x, y); }

TEST(TColor, SystemColoursResolveThroughTheSystem) {
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clBtnShadow), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(ColorToRGB(clGrayText), static_cast<TColor>(GetSysColor(COLOR_GRAYTEXT)));
  EXPECT_EQ(ColorToRGB(clInfoBk), static_cast<TColor>(GetSysColor(COLOR_INFOBK)));
  EXPECT_EQ(ColorToRGB(clNavy), 0x800000);
  EXPECT_EQ(ColorToRGB(RGBColor(1, 2, 3)), 0x030201);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(TCanvas, DrawsRectanglesLinesAndFills) {
  TBitmap b(20, 20, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 20, 20));
  c->Pen()->SetColor(clRed);
  c->Brush()->SetColor(clBlue);
  c->Rectangle(2, 2, 10, 10);
  // Outline at 2 and 9 (the right and bottom edges are exclusive), inside blue.
  EXPECT_EQ(RGBAt(b, 2, 2), 0xFF0000u);
  EXPECT_EQ(RGBAt(b, 9, 5), 0xFF0000u);
  EXPECT_EQ(RGBAt(b, 5, 9), 0xFF0000u);
  EXPECT_EQ(RGBAt(b, 5, 5), 0x0000FFu);
  EXPECT_EQ(RGBAt(b, 10, 10), 0xFFFFFFu);
  EXPECT_EQ(RGBAt(b, 1, 1), 0xFFFFFFu);

  c->Pen()->SetColor(clLime);
  c->MoveTo(0, 15);
  c->LineTo(19, 15);
  for (int x = 0; x < 19; ++x) EXPECT_EQ(RGBAt(b, x, 15), 0x00FF00u) << x;
  EXPECT_EQ(RGBAt(b, 19, 15), 0xFFFFFFu);  // the end point is not drawn
  EXPECT_EQ(RGBAt(b, 5, 14), 0xFFFFFFu);

  c->Brush()->SetColor(clNavy);
  c->FrameRect(Rect(12, 0, 18, 6));
  EXPECT_EQ(RGBAt(b, 12, 0), 0x000080u);
  EXPECT_EQ(RGBAt(b, 14, 3), 0xFFFFFFu);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(Rect(14, 2, 16, 4));
  uint32_t face = static_cast<uint32_t>(ColorToRGB(clBtnFace));
  EXPECT_EQ(RGBAt(b, 14, 2), ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF));
  EXPECT_EQ(c->Pixel(14, 2), ColorToRGB(clBtnFace));
}

TEST(TCanvas, TextInLiberationSansHasExtentAndInk) {
  TBitmap b(120, 40, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 120, 40));
  c->Font()->SetName("Liberation Sans");
  c->Font()->SetHeight(-20);
  c->Font()->SetColor(clBlack);
  TSize extent = c->TextExtent("Tessa");
  EXPECT_GT(extent.cx, 30);
  EXPECT_LT(extent.cx, 100);
  EXPECT_GE(extent.cy, 20);
  EXPECT_EQ(c->TextWidth("Tessa"), extent.cx);
  EXPECT_GT(c->TextWidth("Tessavane"), extent.cx);

  c->Brush()->SetStyle(bsClear);
  c->TextOut(5, 5, "Tessa");
  int inside = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      bool ink = RGBAt(b, x, y) != 0xFFFFFFu;
      bool in = x >= 5 && x < 5 + extent.cx && y >= 5 && y < 5 + extent.cy;
      (in ? inside : outside) += ink;
    }
  EXPECT_GT(inside, 40);
  EXPECT_EQ(outside, 0);

  // Arial is not in the prefix; it is substituted by its metric twin.
  int liberation = c->TextWidth("Arial against Liberation");
  c->Font()->SetName("Arial");
  EXPECT_EQ(c->TextWidth("Arial against Liberation"), liberation);
  c->Font()->SetStyle(fsBold);
  EXPECT_GT(c->TextWidth("Arial against Liberation"), liberation);
}

TEST(TCanvas, TextRectClipsAndFills) {
  TBitmap b(60, 30, pf24bit);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 60, 30));
  c->Font()->SetName("Liberation Sans");
  c->Font()->SetHeight(-16);
  c->Brush()->SetColor(clYellow);
  c->TextRect(Rect(10, 5, 30, 25), 10, 5, "WWWWWWWW");
  EXPECT_EQ(RGBAt(b, 9, 10), 0xFFFFFFu);
  EXPECT_EQ(RGBAt(b, 35, 10), 0xFFFFFFu);  // clipped though the text is wider
  bool yellow = false;
  for (int x = 10; x < 30; ++x) yellow |= RGBAt(b, x, 24) == 0xFFFF00u;
  EXPECT_TRUE(yellow);
}

// A 32-bit picture whose alpha and colour differ in every pixel.
void FillPattern(TBitmap& b) {
  TPixelView v = b.PixelView();
  for (int y = 0; y < v.Height; ++y)
    for (int x = 0; x < v.Width; ++x)
      v.SetPixelARGB(x, y, (uint32_t(x * 30 + y) << 24) | (uint32_t(x * 50) << 16) | (uint32_t(y * 60) << 8) | 0x11);
}

TEST(TCanvas, CopyAndStretchBetweenBitmapsKeepAlpha) {
  TBitmap src(4, 3, pf32bit);
  FillPattern(src);
  TBitmap copy(4, 3, pf32bit);
  copy.Canvas()->CopyRect(Rect(0, 0, 4, 3), src.Canvas(), Rect(0, 0, 4, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(ARGBAt(copy, x, y), ARGBAt(src, x, y)) << x << "," << y;

  TBitmap big(8, 6, pf32bit);
  big.Canvas()->StretchDraw(Rect(0, 0, 8, 6), &src);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(ARGBAt(big, x, y), ARGBAt(src, x / 2, y / 2)) << x << "," << y;

  TBitmap part(2, 2, pf32bit);
  part.Canvas()->Draw(-1, -1, &src);
  EXPECT_EQ(ARGBAt(part, 0, 0), ARGBAt(src, 1, 1));

  TBitmap assigned;
  assigned.Assign(&src);
  EXPECT_EQ(assigned.PixelFormat(), pf32bit);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(ARGBAt(assigned, x, y), ARGBAt(src, x, y));
}

TEST(TBitmap, SizeChangesKeepPixelsAndFormatsConvert) {
  TBitmap b(4, 4, pf24bit);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(Rect(0, 0, 4, 4));
  b.SetSize(6, 3);
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(RGBAt(b, 3, 2), 0xFF0000u);
  EXPECT_EQ(RGBAt(b, 5, 0), 0u);  // new pixels are black
  b.Canvas()->Brush()->SetColor(clBlue);
  b.Canvas()->FillRect(Rect(5, 0, 6, 1));  // the canvas follows the new section
  EXPECT_EQ(RGBAt(b, 5, 0), 0x0000FFu);

  struct Case {
    TPixelFormat format;
    int bits;
  } cases[] = {{pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf15bit, 16}, {pf16bit, 16}, {pf32bit, 32}, {pf24bit, 24}};
  for (const Case& c : cases) {
    b.SetPixelFormat(c.format);
    EXPECT_EQ(b.BitsPerPixel(), c.bits);
    EXPECT_EQ(b.RowBytes(), int(DibRowBytes(6, c.bits)));
    // Pure red and blue survive every format except one bit (black and white).
    if (c.format != pf1bit) {
      EXPECT_EQ(RGBAt(b, 0, 0) & 0xF8F8F8, 0xF80000u) << c.bits;
      EXPECT_EQ(RGBAt(b, 5, 0) & 0xF8F8F8, 0x0000F8u) << c.bits;
    }
    b.SetPixelFormat(pf24bit);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 5, 3));
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(5, 0, 6, 1));
  }
  // GDI draws into an indexed bitmap through its colour table.
  b.SetPixelFormat(pf8bit);
  b.Canvas()->Brush()->SetColor(clLime);
  b.Canvas()->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(RGBAt(b, 0, 0), 0x00FF00u);
  EXPECT_EQ(b.ScanLine(0)[0], 0x1C);  // 3-3-2: green is 000 111 00
  EXPECT_THROW(b.ScanLine(3), EInvalidGraphic);
}

// A pending fill runs once, before the first look at the pixels by any way
// in, and never for a size change or a new picture.
TEST(TBitmap, PendingFillRunsAtTheFirstAccessOnly) {
  struct Case {
    const char* name;
    std::function<void(TBitmap&)> use;
    bool fills;
  } cases[] = {
      {"size", [](TBitmap& b) { EXPECT_EQ(b.Width(), 4); }, false},
      {"canvas object", [](TBitmap& b) { b.Canvas()->Lock(); b.Canvas()->Unlock(); }, false},
      {"empty test", [](TBitmap& b) { EXPECT_FALSE(b.Empty()); }, false},
      {"scan line", [](TBitmap& b) { EXPECT_EQ(b.ScanLine(0)[2], 0xFF); }, true},
      {"pixel view", [](TBitmap& b) { EXPECT_EQ(RGBAt(b, 1, 1), 0xFF0000u); }, true},
      {"canvas drawing", [](TBitmap& b) { EXPECT_EQ(b.Canvas()->Pixel(2, 2), clRed); }, true},
      {"copy", [](TBitmap& b) { TBitmap c; c.Assign(&b); EXPECT_EQ(RGBAt(c, 3, 3), 0xFF0000u); }, true},
      {"handle", [](TBitmap& b) { EXPECT_NE(b.Handle(), nullptr); }, true},
      {"new size", [](TBitmap& b) { b.SetSize(5, 5); EXPECT_EQ(RGBAt(b, 1, 1), 0u); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap b(4, 4, pf24bit);
    b.Canvas()->Handle();  // a canvas that drew before keeps its context
    int fills = 0;
    b.SetPendingFill([&] {
      ++fills;
      b.Canvas()->Brush()->SetColor(clRed);
      b.Canvas()->FillRect(Rect(0, 0, 4, 4));
    });
    c.use(b);
    c.use(b);
    EXPECT_EQ(fills, c.fills ? 1 : 0);
    EXPECT_EQ(b.FillPending(), !c.fills && std::string(c.name) != "new size");
  }
}

TEST(TBitmap, ScanLinesRunBottomUpInMemory) {
  TBitmap b(3, 4, pf24bit);
  EXPECT_EQ(b.ScanLine(0) - b.ScanLine(1), b.RowBytes());
  b.ScanLine(3)[0] = 0x7F;  // blue of the bottom-left pixel
  EXPECT_EQ(b.Canvas()->Pixel(0, 3), 0x7F0000);
  EXPECT_EQ(b.TransparentColor(), 0x7F0000);
}

TEST(TBitmap, TransparentDrawLeavesTheKeyColourOut) {
  TBitmap sprite(4, 4, pf24bit);
  sprite.Canvas()->Brush()->SetColor(clFuchsia);
  sprite.Canvas()->FillRect(Rect(0, 0, 4, 4));
  sprite.Canvas()->Brush()->SetColor(clGreen);
  sprite.Canvas()->FillRect(Rect(1, 1, 3, 3));
  sprite.SetTransparent(true);  // key: the bottom-left pixel
  TBitmap target(6, 6, pf24bit);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(Rect(0, 0, 6, 6));
  target.Canvas()->Draw(1, 1, &sprite);
  EXPECT_EQ(RGBAt(target, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(RGBAt(target, 2, 2), 0x008000u);
  sprite.SetTransparentColor(clGreen);
  target.Canvas()->Draw(1, 1, &sprite);
  EXPECT_EQ(RGBAt(target, 1, 1), 0xFF00FFu);
  EXPECT_EQ(RGBAt(target, 2, 2), 0x008000u);  // from the first draw
}

TEST(TBitmap, GdiObjectsAreFreed) {
  int bitmaps = TBitmap::LiveHandles(), fonts = TFont::LiveHandles();
  {
    TBitmap b(10, 10, pf24bit);
    TBitmap other;
    other.Assign(&b);
    b.Canvas()->Font()->SetName("Liberation Sans");
    b.Canvas()->TextOut(0, 0, "a");
    b.Canvas()->Font()->SetHeight(30);  // replaced while selected
    b.Canvas()->TextOut(0, 0, "b");
    b.SetSize(20, 20);
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(TBitmap::LiveHandles(), bitmaps + 2);
    EXPECT_EQ(TFont::LiveHandles(), fonts + 1);
    HBITMAP released = b.ReleaseHandle();
    EXPECT_TRUE(b.Empty());
    DeleteObject(released);
  }
  EXPECT_EQ(TBitmap::LiveHandles(), bitmaps);
  EXPECT_EQ(TFont::LiveHandles(), fonts);
}

TEST(TFont, ChangesAreAnnouncedAndAssignCopies) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetName("Liberation Serif");
  f.SetStyle(fsBold | fsItalic);
  f.SetColor(clMaroon);
  f.SetHeight(14);
  f.SetHeight(14);
  EXPECT_EQ(changes, 4);
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.Name(), "Liberation Serif");
  EXPECT_EQ(g.Style(), unsigned(fsBold | fsItalic));
  EXPECT_EQ(g.Color(), clMaroon);
  EXPECT_EQ(g.Height(), 14);
  g.SetSize(9);
  EXPECT_EQ(g.Height(), -12);
  EXPECT_EQ(g.Size(), 9);
  TBrush brush;
  EXPECT_THROW(brush.Assign(&g), Exception);
}

TEST(TCanvas, LocksAcrossThreads) {
  TBitmap b(8, 8, pf32bit);
  TCanvas* c = b.Canvas();
  c->Lock();
  c->Lock();
  EXPECT_EQ(c->LockCount(), 2);
  bool gotIt = true;
  TAnonymousThread other([&] { gotIt = c->TryLock(); });
  other.Start();
  other.WaitFor();
  EXPECT_FALSE(gotIt);
  c->Unlock();
  c->Unlock();
  // A worker thread draws on its own bitmap's canvas while the GUI waits.
  TAnonymousThread worker([&] {
    c->Lock();
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 8, 8));
    c->Font()->SetName("Liberation Sans");
    c->TextOut(0, 0, "x");
    c->Unlock();
  });
  worker.Start();
  worker.WaitFor();
  EXPECT_EQ(RGBAt(b, 7, 7), 0xFF0000u);
}

}  // namespace
