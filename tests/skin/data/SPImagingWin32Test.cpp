// The Win32 side of the skin pictures: drawing onto device contexts,
// regions from masks, nine-part pictures on framework bitmaps, glyphs on
// canvases and the layered popup's fade.
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/PngImage.h"
#include "framework/Streams.h"
#include "skin/data/SPUtils.h"
#include "support/DrawModePixel.h"
#include "support/gtest.h"

namespace {

TspColor RandomPixel(std::mt19937& rng, TspDrawMode mode) {
  TspColor p = rng();
  // Key pixels as CheckingTransparent leaves them (alpha 0): TransparentBlt compares whole pixels.
  if (mode == TspDrawMode::Keyed && rng() % 3 == 0) p = TransparentKey;
  if (mode == TspDrawMode::Alpha) {
    const unsigned pick = rng() % 4;
    if (pick == 0) p &= 0x00FFFFFF;
    if (pick == 1) p |= 0xFF000000;
  }
  return p;
}

// Three kinds of target: another TspBitmap's DC, a 32-bit DIB section
// (bottom-up, a framework bitmap) and a plain screen-compatible memory DC.
struct Target {
  virtual ~Target() = default;
  virtual HDC DC() = 0;
  virtual TspColor Get(int x, int y) = 0;
};
struct SpTarget : Target {
  TspBitmap b;
  SpTarget(int w, int h, TspColor fill) { b.SetSize(w, h), b.Clear(fill); }
  HDC DC() override { return b.DC(); }
  TspColor Get(int x, int y) override { GdiFlush(); return b.GetPixel(x, y); }
};
struct DibTarget : Target {
  TBitmap b;
  DibTarget(int w, int h, TspColor fill) : b(w, h, pf32bit) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) reinterpret_cast<TspColor*>(b.ScanLine(y))[x] = fill;
  }
  HDC DC() override { return b.Canvas()->Handle(); }
  TspColor Get(int x, int y) override { GdiFlush(); return reinterpret_cast<TspColor*>(b.ScanLine(y))[x]; }
};
struct MemTarget : Target {
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  MemTarget(int w, int h, TspColor fill) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bmp);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) SetPixelV(dc, x, y, RGB(fill >> 16 & 255, fill >> 8 & 255, fill & 255));
  }
  ~MemTarget() override { SelectObject(dc, old), DeleteObject(bmp), DeleteDC(dc); }
  HDC DC() override { return dc; }
  TspColor Get(int x, int y) override {
    const COLORREF c = GetPixel(dc, x, y);
    return 0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
  }
};

TEST(SkinBitmapWin32, DrawsOntoEveryKindOfDeviceContext) {
  std::mt19937 rng(17);
  const TspColor fill = 0xFF204060;
  for (int kind = 0; kind < 3; ++kind)
    for (TspDrawMode mode : {TspDrawMode::Copy, TspDrawMode::Keyed, TspDrawMode::Alpha})
      for (bool stretched : {false, true}) {
        TspBitmap src;
        src.SetSize(5, 4);
        for (int i = 0; i < 20; ++i) src.Bits()[i] = RandomPixel(rng, mode);
        src.SetAlphaBlendFlag(mode == TspDrawMode::Alpha);
        src.SetTransparentFlag(mode == TspDrawMode::Keyed);
        std::unique_ptr<Target> t;
        if (kind == 0) t = std::make_unique<SpTarget>(12, 10, fill);
        if (kind == 1) t = std::make_unique<DibTarget>(12, 10, fill);
        if (kind == 2) t = std::make_unique<MemTarget>(12, 10, fill);
        const TRect dst = stretched ? TRect{2, 1, 11, 9} : TRect{3, 2, 8, 6};
        src.Draw(t->DC(), dst, TRect{0, 0, 5, 4});
        // GDI's own stretching decides the copy-mode stretch into foreign DCs:
        // compare with StretchBlt of the same source there.
        std::unique_ptr<Target> gdi;
        const bool keyedBlt = mode == TspDrawMode::Keyed && KeyedDrawUsesTransparentBlt();
        if (stretched && kind != 0 && (mode == TspDrawMode::Copy || keyedBlt)) {
          gdi = kind == 1 ? std::unique_ptr<Target>(std::make_unique<DibTarget>(12, 10, fill))
                          : std::unique_ptr<Target>(std::make_unique<MemTarget>(12, 10, fill));
          SetStretchBltMode(gdi->DC(), COLORONCOLOR);
          if (keyedBlt)
            TransparentBlt(gdi->DC(), 2, 1, 9, 8, src.DC(), 0, 0, 5, 4, TransparentKey);
          else
            StretchBlt(gdi->DC(), 2, 1, 9, 8, src.DC(), 0, 0, 5, 4, SRCCOPY);
        }
        for (int y = 0; y < 10; ++y)
          for (int x = 0; x < 12; ++x) {
            TspColor want = fill;
            if (gdi) {
              want = gdi->Get(x, y);
            } else if (x >= dst.Left && x < dst.Right && y >= dst.Top && y < dst.Bottom) {
              int sx = x - dst.Left, sy = y - dst.Top;
              if (stretched) {
                sx = int(double(sx) * double(float(4) / float(8)));
                sy = int(double(sy) * double(float(3) / float(7)));
              }
              want = ExpectedDrawnPixel(mode, src.GetPixel(sx, sy), fill);
            }
            TspColor got = t->Get(x, y);
            if (kind != 0) got |= 0xFF000000, want |= 0xFF000000;  // foreign DCs keep no alpha of ours
            ASSERT_EQ(got, want) << "target " << kind << " mode " << int(mode) << " stretched " << stretched
                                 << " at " << x << "," << y;
          }
      }
}

TEST(SkinBitmapWin32, TilesStraightIntoBottomUpSections) {
  TspBitmap src;
  src.SetSize(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) src.SetPixel(x, y, 0xFF000000u | unsigned(x) << 8 | unsigned(y));
  TBitmap dib(30, 12, pf32bit);
  src.Tile(dib.Canvas()->Handle(), TRect{0, 0, 25, 10}, TRect{0, 0, 10, 10});
  for (int x = 0; x < 30; ++x) {
    const TspColor got = reinterpret_cast<TspColor*>(dib.ScanLine(3))[x];
    EXPECT_EQ(got, x < 25 ? (0xFF000000u | unsigned(x % 10) << 8 | 3u) : 0u) << x;
  }
}

TEST(SkinBitmapWin32, SizeExceptionsAndAssignment) {
  TspBitmap b;
  try {
    b.SetSize(20000, 2);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
  }
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.DC(), nullptr);
  TBitmap argb(3, 2, pf32bit);
  reinterpret_cast<TspColor*>(argb.ScanLine(1))[2] = 0x80112233;
  b.Assign(&argb);
  EXPECT_EQ(b.GetPixel(2, 1), 0x80112233u);
  EXPECT_TRUE(b.AlphaBlend());
  TBitmap rgb(3, 2, pf24bit);
  rgb.Canvas()->SetPixel(1, 1, RGBColor(1, 2, 3));
  b.Assign(&rgb);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF010203u);
  EXPECT_EQ(FindBitmapByDC(b.DC()), &b);
  TBitmap out;
  b.AssignTo(&out);
  EXPECT_EQ(out.Width(), 3);
  EXPECT_EQ(ColorToSpColorAlpha(clRed, 255), 0xFFFF0000u);
}

TEST(SkinBitmapWin32, EffectBitmapFromAHandleAndBack) {
  TBitmap src(5, 2, pf24bit);
  src.Canvas()->SetPixel(4, 1, RGBColor(10, 20, 30));
  auto e = TspEffectBmp::CreateFromhWnd(src.Handle());
  ASSERT_EQ(e->Width, 5);
  EXPECT_EQ(e->Size, 32);
  EXPECT_EQ(e->GetPixel(4, 1), 0x0A141Eu);
  e->ChangeBrightness(1);
  TBitmap out(5, 2, pf32bit);
  e->Draw(out.Canvas()->Handle(), 0, 0);
  GdiFlush();
  EXPECT_EQ(reinterpret_cast<TspColor*>(out.ScanLine(1))[4] & 0xFFFFFF, 0xFFFFFFu);
}

// ---- regions ----

TEST(SkinRegions, RandomMaskHoldsExactlyItsBlackPixels) {
  std::mt19937 rng(23);
  for (int trial = 0; trial < 3; ++trial) {
    const int w = 200 + int(rng() % 200), h = 240;  // 50 to 100 runs a row: beyond 10,001 in all
    TBitmap mask(w, h, pf24bit);
    std::vector<std::vector<bool>> black(static_cast<size_t>(h), std::vector<bool>(static_cast<size_t>(w)));
    for (int y = 0; y < h; ++y) {
      uint8_t* row = mask.ScanLine(y);
      for (int x = 0; x < w; ++x) {
        const bool b = rng() % 2;
        black[size_t(y)][size_t(x)] = b;
        row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = b ? 0 : uint8_t(1 + rng() % 255);
      }
    }
    std::vector<uint8_t> data;
    ASSERT_GT(CreateRegionDataFromMask(&mask, 0, 0, data), 32 + 16 * 10001);
    HRGN rgn = nullptr;
    CreateRegionFromMask(rgn, &mask);
    ASSERT_NE(rgn, nullptr);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(PtInRegion(rgn, x, y) != FALSE, bool(black[size_t(y)][size_t(x)])) << x << "," << y;
    DeleteObject(rgn);
  }
  TBitmap empty;
  HRGN none = reinterpret_cast<HRGN>(1);
  CreateRegionFromMask(none, &empty);
  EXPECT_EQ(none, nullptr);
}

TEST(SkinRegions, NinePartRegion) {
  // A 12 x 12 mask, black except its four corner pixels (rounded corners).
  TBitmap mask(12, 12, pf24bit);
  for (int y = 0; y < 12; ++y) std::memset(mask.ScanLine(y), 0, size_t(mask.RowBytes()));
  for (auto [x, y] : {std::pair{0, 0}, {11, 0}, {0, 11}, {11, 11}}) {
    uint8_t* p = mask.ScanLine(y) + x * 3;
    p[0] = p[1] = p[2] = 255;
  }
  const TPoint lt{3, 3}, rt{9, 3}, lb{3, 9}, rb{9, 9};
  const TRect cl{3, 3, 9, 9};
  HRGN rgn = nullptr;
  CreateNinePartRegion(rgn, lt, rt, lb, rb, cl, lt, TPoint{29, 3}, TPoint{3, 19}, TPoint{29, 19}, TRect{3, 3, 29, 19},
                       &mask, 32, 22);
  ASSERT_NE(rgn, nullptr);
  // The mask's cut corners stay in the corners; the rest is inside.
  struct Place {
    int x, y;
    bool in;
  };
  for (const Place& p : {Place{0, 0, false}, {31, 0, false}, {0, 21, false}, {31, 21, false}, {1, 0, true},
                         {15, 21, true}, {31, 10, true}, {15, 10, true}})
    EXPECT_EQ(p.in, PtInRegion(rgn, p.x, p.y) != FALSE) << p.x << "," << p.y;
  DeleteObject(rgn);
  rgn = reinterpret_cast<HRGN>(1);
  CreateNinePartRegion(rgn, lt, rt, lb, rb, cl, TPoint{10, 3}, TPoint{5, 3}, TPoint{3, 19}, TPoint{29, 19},
                       TRect{3, 3, 29, 19}, &mask, 32, 22);
  EXPECT_EQ(rgn, nullptr);
}

// ---- nine-part pictures on framework bitmaps ----

TEST(SkinNinePartWin32, CanvasBuildEqualsThePixelBuild) {
  std::mt19937 rng(31);
  TBitmap picture(40, 30, pf32bit);
  TspPixelBitmap pixels;
  pixels.SetSize(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const TspColor c = 0xFF000000u | (rng() & 0xFFFFFF);
      reinterpret_cast<TspColor*>(picture.ScanLine(y))[x] = c;
      pixels.SetPixel(x, y, c);
    }
  const TRect skin{4, 3, 28, 25};  // 24 x 22
  const TPoint lt{5, 4}, rt{17, 4}, lb{6, 15}, rb{19, 16};
  const TRect cl{3, 2, 20, 18};
  for (int grow : {0, 37}) {
    const TPoint nrt{rt.X + grow, rt.Y}, nlb{lb.X, lb.Y + grow}, nrb{rb.X + grow, rb.Y + grow};
    const TRect ncl{cl.Left, cl.Top, cl.Right + grow, cl.Bottom + grow};
    TBitmap target;
    CreateNinePartImage(lt, rt, lb, rb, cl, lt, nrt, nlb, nrb, ncl, &target, &picture, skin, 24 + grow, 22 + grow,
                        true, false, false, false, false, false, spstFull);
    ASSERT_EQ(target.Width(), 24 + grow);
    TspNinePartGeometry g;
    g.LTPoint = {lt.X, lt.Y}, g.RTPoint = {rt.X, rt.Y}, g.LBPoint = {lb.X, lb.Y}, g.RBPoint = {rb.X, rb.Y};
    g.ClRect = ToSpRect(cl);
    g.NewLTPoint = g.LTPoint, g.NewRTPoint = {nrt.X, nrt.Y}, g.NewLBPoint = {nlb.X, nlb.Y}, g.NewRBPoint = {nrb.X, nrb.Y};
    g.NewClRect = ToSpRect(ncl), g.SkinRect = ToSpRect(skin), g.NewWidth = 24 + grow, g.NewHeight = 22 + grow;
    TspPixelBitmap want;
    want.SetSize(g.NewWidth, g.NewHeight);
    TspPixelPiecePainter painter(pixels, want);
    LayNinePartImage(g, painter);
    GdiFlush();
    for (int y = 0; y < g.NewHeight; ++y)
      for (int x = 0; x < g.NewWidth; ++x)
        ASSERT_EQ(reinterpret_cast<TspColor*>(target.ScanLine(y))[x] & 0xFFFFFF, want.GetPixel(x, y) & 0xFFFFFF)
            << "grow " << grow << " at " << x << "," << y;
    if (grow == 0)
      for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 24; ++x)
          ASSERT_EQ(reinterpret_cast<TspColor*>(target.ScanLine(y))[x] & 0xFFFFFF,
                    pixels.GetPixel(skin.Left + x, skin.Top + y) & 0xFFFFFF);
  }
}

TEST(SkinNinePartWin32, SourceSizeIsTheSourceInEveryModeThroughGdi) {
  std::mt19937 rng(37);
  TBitmap picture(30, 26, pf24bit);  // 24-bit: every copy goes through GDI
  for (int y = 0; y < 26; ++y)
    for (int x = 0; x < 30; ++x) picture.Canvas()->SetPixel(x, y, TColor(rng() & 0xFFFFFF));
  const TRect skin{3, 2, 27, 24};
  const TPoint lt{5, 4}, rt{17, 4}, lb{6, 15}, rb{19, 16};
  const TRect cl{3, 2, 20, 18};
  for (unsigned flags = 0; flags < 32; ++flags)
    for (TspStretchType st : {spstFull, spstHorz, spstVert}) {
      TBitmap target;
      CreateNinePartImage(lt, rt, lb, rb, cl, lt, rt, lb, rb, cl, &target, &picture, skin, 24, 22, true, flags & 1,
                          flags & 2, flags & 4, flags & 8, flags & 16, st);
      for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 24; ++x)
          ASSERT_EQ(target.Canvas()->Pixel(x, y), picture.Canvas()->Pixel(skin.Left + x, skin.Top + y))
              << "flags " << flags << " type " << st << " at " << x << "," << y;
    }
  TBitmap left, top, right, bottom;
  CreateBorderImages(lt, rt, lb, rb, cl, lt, rt, lb, rb, cl, &left, &top, &right, &bottom, &picture, skin, 24, 22,
                     true, true, true, true);
  ASSERT_EQ(top.Width(), 24);
  ASSERT_EQ(top.Height(), 2);
  ASSERT_EQ(bottom.Height(), 4);
  ASSERT_EQ(left.Height(), 16);
  for (int x = 0; x < 24; ++x) EXPECT_EQ(top.Canvas()->Pixel(x, 1), picture.Canvas()->Pixel(skin.Left + x, skin.Top + 1));
  for (int y = 0; y < 16; ++y) EXPECT_EQ(right.Canvas()->Pixel(3, y), picture.Canvas()->Pixel(skin.Left + 23, skin.Top + 2 + y));
}

// ---- glyphs ----

std::string CanvasArt(TBitmap& b) {
  GdiFlush();
  std::string s;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x)
      s += (reinterpret_cast<TspColor*>(b.ScanLine(y))[x] & 0xFFFFFF) == 0 ? '#' : '.';
    s += "\n";
  }
  return s;
}

TEST(SkinGlyphsWin32, CanvasGlyphsMatchTheirMasks) {
  struct Case {
    const char* name;
    std::function<void(TCanvas*)> draw;
    const char* art;
  };
  const Case cases[] = {
      {"close", [](TCanvas* c) { DrawCloseGlyph(c, 0, 0, clBlack); },
       "...........\n.##.....##.\n..##...##..\n...##.##...\n....###....\n....###....\n...##.##...\n"
       "..##...##..\n.##.....##.\n...........\n...........\n"},
      {"restore", [](TCanvas* c) { DrawRestoreGlyph(c, 0, 0, clBlack); },
       "..########.\n..########.\n..#......#.\n..#......#.\n#######..#.\n##########.\n#.....#....\n"
       "#.....#....\n#.....#....\n#######....\n...........\n"},
      {"small arrow down", [](TCanvas* c) { DrawSmallArrowGlyph(c, TRect{0, 0, 11, 11}, clBlack, 4); },
       "...........\n...........\n...........\n...........\n...#####...\n....###....\n.....#.....\n"
       "...........\n...........\n...........\n...........\n"},
      {"bevel frame", [](TCanvas* c) { DrawBevelFrame(c, TRect{1, 1, 6, 5}, clBlack, clBlack); },
       "...........\n.#####.....\n.#...#.....\n.#...#.....\n.#####.....\n...........\n...........\n"
       "...........\n...........\n...........\n...........\n"},
      {"dotted focus", [](TCanvas* c) { c->Font()->SetColor(clBlack); DrawDottedFocusFrame(c, TRect{0, 0, 10, 10}); },
       "#.#.#.#.#..\n.........#.\n#..........\n.........#.\n#..........\n.........#.\n#..........\n"
       ".........#.\n#..........\n.#.#.#.#.#.\n...........\n"},
      {"check mark", [](TCanvas* c) { DrawCheckMarkGlyph(c, 0, 0, clBlack); },
       "...........\n......#....\n.....##....\n#...###....\n##.###.....\n#####......\n.###.......\n"
       "..#........\n...........\n...........\n...........\n"},
  };
  for (const auto& c : cases) {
    TBitmap b(11, 11, pf32bit);
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(TRect{0, 0, 11, 11});
    c.draw(b.Canvas());
    EXPECT_EQ(CanvasArt(b), std::string(c.art)) << c.name << "\n" << CanvasArt(b);
  }
}

// ---- layered popup ----

std::vector<int> g_alphas;
BOOL WINAPI FakeUpdateLayeredWindow(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION* blend, DWORD) {
  g_alphas.push_back(blend->SourceConstantAlpha);
  return TRUE;
}

TEST(SkinLayerManager, FadesToItsTargetAndStops) {
  const TUpdateLayeredWindow real = SkinUpdateLayeredWindow;
  SkinUpdateLayeredWindow = FakeUpdateLayeredWindow;
  TBitmap image(8, 6, pf24bit), mask(8, 6, pf24bit);
  struct Case {
    int target;
    std::vector<int> alphas;
  };
  const Case cases[] = {
      {255, {0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255}},
      {5, {0, 1, 2, 3, 4, 5}},  // a small target still arrives
      {0, {0, 0}},
  };
  for (const auto& c : cases) {
    TspLayerManager m(nullptr);
    g_alphas.clear();
    m.Show(10, 10, &image, &mask, c.target);
    ASSERT_TRUE(m.IsVisible());
    ASSERT_NE(m.LayerWindow(), nullptr);
    for (int tick = 0; tick < 40 && m.Timer()->Enabled(); ++tick) m.Timer()->Timer();
    EXPECT_FALSE(m.Timer()->Enabled()) << c.target;
    EXPECT_EQ(g_alphas, c.alphas) << c.target;
    m.Hide();
    EXPECT_FALSE(m.IsVisible());
    EXPECT_EQ(m.LayerWindow(), nullptr);
  }
  SkinUpdateLayeredWindow = real;
}

TEST(SkinBitmapWin32, StreamRecordRoundTripKeepsTheStreamPosition) {
  TspBitmap a;
  a.SetSize(3, 2);
  a.Clear(0x80402010);
  a.SetName("frame");
  TMemoryStream ms;
  a.SaveToStream(&ms);
  const uint32_t tail = 0xDEADBEEF;
  ms.WriteBuffer(&tail, 4);
  ms.SetPosition(0);
  TspBitmap b;
  b.LoadFromStream(&ms);
  EXPECT_EQ(b.Name(), "frame");
  EXPECT_EQ(b.GetPixel(2, 1), 0x80402010u);
  EXPECT_EQ(ms.Position(), ms.Size() - 4);
  TMemoryStream broken;
  const int32_t header[3] = {0, 5, 5};  // no pixels behind it
  broken.WriteBuffer(header, sizeof header);
  broken.SetPosition(0);
  EXPECT_THROW(b.LoadFromStream(&broken), Exception);
  EXPECT_EQ(b.Width(), 3);
}

// Bright (glow) pixels around the strokes, nothing far away.
TEST(SkinTextEffects, GlowAndReflectionDrawAroundTheText) {
  TBitmap canvasBmp(160, 60, pf32bit);
  TCanvas* c = canvasBmp.Canvas();
  c->Brush()->SetColor(clBlack);
  c->FillRect(TRect{0, 0, 160, 60});
  c->Font()->SetColor(clBlack);
  c->Font()->SetHeight(-14);
  DrawThickGlowText(c, TRect{20, 10, 140, 40}, "Glow", DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, clWhite, 4);
  GdiFlush();
  int lit = 0;
  for (int y = 10; y < 40; ++y)
    for (int x = 20; x < 140; ++x) lit += (reinterpret_cast<TspColor*>(canvasBmp.ScanLine(y))[x] & 0xFF) > 0;
  EXPECT_GT(lit, 50);
  EXPECT_EQ(reinterpret_cast<TspColor*>(canvasBmp.ScanLine(1))[1] & 0xFFFFFF, 0u);

  TBitmap r(100, 80, pf32bit);
  r.Canvas()->Brush()->SetColor(clBlack);
  r.Canvas()->FillRect(TRect{0, 0, 100, 80});
  r.Canvas()->Font()->SetColor(clWhite);
  DrawReflectedText(r.Canvas(), TRect{0, 0, 100, 40}, "Hi", DT_CENTER | DT_SINGLELINE, 0, clWhite);
  GdiFlush();
  // The text sits in the top rows; its mirror image starts right under it.
  TRect m{0, 0, 100, 40};
  CanvasDrawTextW(r.Canvas(), u"Hi", m, DT_CENTER | DT_SINGLELINE | DT_CALCRECT);
  int mirrored = 0;
  for (int y = m.Bottom + 1; y < 2 * m.Bottom; ++y)
    for (int x = 0; x < 100; ++x) mirrored += (reinterpret_cast<TspColor*>(r.ScanLine(y))[x] & 0xFF) > 0;
  EXPECT_GT(mirrored, 0);
}

TEST(SkinTextEffects, ShortenAndCentredHelpers) {
  TBitmap b(50, 20, pf32bit);
  std::string t = "A rather long caption";
  ShortenTextToWidth(b.Canvas(), t, 40);
  EXPECT_EQ(t.substr(t.size() - 3), "...");
  EXPECT_LE(b.Canvas()->TextWidth(t), 40);
  std::string fits = "Ok";
  ShortenTextToWidth(b.Canvas(), fits, 200);
  EXPECT_EQ(fits, "Ok");
  EXPECT_GT(GetDrawTextWidth(b.Canvas(), u"Wide"), 0);
}

TEST(SkinGlyphsWin32, StripGlyphMarkerRunsOverTheWholeStrip) {
  TBitmap strip(30, 8, pf24bit);  // three frames of 10
  strip.Canvas()->Brush()->SetColor(clWhite);
  strip.Canvas()->FillRect(TRect{0, 0, 30, 8});
  TBitmap b(60, 30, pf32bit);
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(TRect{0, 0, 60, 30});
  DrawStripGlyphAndText(b.Canvas(), TRect{0, 0, 60, 30}, 2, 0, blGlyphLeft, "", &strip, 3, 2, false, true, clBlack);
  GdiFlush();
  // Glyph at (2, 11); marker rows 17, 18, 19 from x 2 over 30 pixels.
  for (int x = 0; x < 60; ++x)
    EXPECT_EQ((reinterpret_cast<TspColor*>(b.ScanLine(18))[x] & 0xFFFFFF) == 0, x >= 2 && x < 32) << x;
  TBitmap none;
  DrawStripGlyphAndText(b.Canvas(), TRect{0, 0, 60, 30}, 2, 0, blGlyphLeft, "", &strip, 0, 1, false, false, clBlack);
}

TEST(SkinLayers, PngToAlphaBitmapAndComposition) {
  TPngImage png;
  png.CreateBlank(true, 2, 1);
  png.SetPixel(1, 0, clRed);
  png.SetAlphaAt(1, 0, 128);
  TspBitmap b;
  CopyPngToAlphaBitmap(&b, &png);
  EXPECT_EQ(b.GetPixel(1, 0), 0x80FF0000u);
  EXPECT_TRUE(b.AlphaBlend());
  TspBitmap shape;
  shape.SetSize(6, 5);
  DrawPngGlowShape(&shape, &png, 2);  // only pixel (1, 0) is visible; it lands at (3, 2)
  EXPECT_EQ(shape.GetPixel(3, 2), 0xFFFF0000u);
  EXPECT_EQ(shape.GetPixel(2, 2), 0u);
  IsDwmCompositionEnabled();  // whatever Wine says, the calls are safe
  SetDwmTransitionsEnabled(nullptr, false);
  EnableWindowBlurBehind(nullptr, true, nullptr);
}

TEST(SkinSystem, Helpers) {
  EXPECT_TRUE(IsJpegFileName("SKIN.JPG"));
  EXPECT_TRUE(IsJpegFileName("a.jpeg.bak"));
  EXPECT_FALSE(IsJpegFileName("a.bmp"));
  EXPECT_EQ(AverageColor(clWhite, clBlack), 0x7F7F7F);
  EXPECT_EQ(DarkenColor(clWhite, 50), 0x7F7F7F);
  TRect r;
  GetScreenWorkArea(false, r);
  EXPECT_EQ(r.Left, 0);
  EXPECT_GT(r.Right, 0);
  TRect m{1, 2, 3, 4};
  GetMonitorArea(nullptr, false, m);
  EXPECT_EQ(m, r);  // one monitor: the whole screen
}

TEST(SkinBitmapWin32, LinksDrawTheirRectangle) {
  TspBitmap b;
  b.SetSize(10, 10);
  b.Clear(0xFF000000);
  b.SetPixel(6, 7, 0xFFFFFFFF);
  b.SetName("atlas");
  auto link = b.GetBitmapLink("5, 6, 8, 9");
  EXPECT_EQ(link->Name(), "atlas");
  ASSERT_TRUE(link->Assigned());
  TBitmap out(4, 4, pf32bit);
  DrawBitmapLink(*link, out.Canvas(), 0, 0);
  GdiFlush();
  EXPECT_EQ(reinterpret_cast<TspColor*>(out.ScanLine(1))[1] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(reinterpret_cast<TspColor*>(out.ScanLine(0))[0] & 0xFFFFFF, 0u);
}

}  // namespace
