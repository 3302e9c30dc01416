#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <cstring>
#include <random>

#include "framework/SysUtils.h"
#include "skin/data/SPEffectPixels.h"

namespace {

void RandomFill(TspEffectPixels& e, int w, int h, std::mt19937& rng) {
  e.Create(w, h);
  for (int i = 0; i < e.Size; ++i) e.Bits[i] = uint8_t(rng());  // pad bytes too: they must stay
}

void Solid(TspEffectPixels& e, int w, int h, uint32_t bgr) {
  e.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) e.SetPixel(x, y, bgr);
}

// Reference filters: per pixel through GetPixel/SetPixel, double maths.
using PixelFn = std::function<uint32_t(uint32_t)>;
void ReferenceFilter(TspEffectPixels& e, const PixelFn& f) {
  for (int y = 0; y < e.Height; ++y)
    for (int x = 0; x < e.Width; ++x) e.SetPixel(x, y, f(e.GetPixel(x, y)));
}
uint32_t PerChannel(uint32_t p, const std::function<double(int)>& f) {
  uint32_t r = 0;
  for (int s = 0; s < 24; s += 8) {
    const double v = std::nearbyint(f(int(p >> s & 255)));
    r |= uint32_t(v < 0 ? 0 : v > 255 ? 255 : v) << s;
  }
  return r;
}

TEST(EffectPixels, RowsArePadded) {
  TspEffectPixels e;
  e.Create(5, 2);
  EXPECT_EQ(e.RowSize(), 16);
  EXPECT_EQ(e.Size, 32);
  EXPECT_THROW(e.Create(0, 3), Exception);
  EXPECT_EQ(e.Bits, nullptr);
  e.Invert();  // no pixels: nothing happens
}

TEST(EffectPixels, FilterValues) {
  struct Case {
    const char* name;
    uint32_t in;
    std::function<void(TspEffectPixels&)> op;
    uint32_t out;
  };
  const Case cases[] = {
      {"brightness 0.5 rounds 177.5 to 178", 0x646464, [](TspEffectPixels& e) { e.ChangeBrightness(0.5); }, 0xB2B2B2},
      {"darkness 0.3", 0x646464, [](TspEffectPixels& e) { e.ChangeDarkness(0.3); }, 0x464646},
      {"brightness above 1 is 1", 0x102030, [](TspEffectPixels& e) { e.ChangeBrightness(1.7); }, 0xFFFFFF},
      {"darkness below 0 is 0", 0x102030, [](TspEffectPixels& e) { e.ChangeDarkness(-1); }, 0x102030},
      {"brightness NaN is 0", 0x102030, [](TspEffectPixels& e) { e.ChangeBrightness(std::nan("")); }, 0x102030},
      {"grey of red is 76", 0xFF0000, [](TspEffectPixels& e) { e.GrayScale(); }, 0x4C4C4C},
      {"invert", 0x102030, [](TspEffectPixels& e) { e.Invert(); }, 0xEFDFCF},
  };
  for (const auto& c : cases) {
    TspEffectPixels e;
    Solid(e, 3, 2, c.in);
    c.op(e);
    EXPECT_EQ(e.GetPixel(2, 1), c.out) << c.name;
  }
}

TEST(EffectPixels, FiltersMatchReferenceOnRandomPaddedImages) {
  std::mt19937 rng(5);
  struct F {
    const char* name;
    std::function<void(TspEffectPixels&)> ours;
    PixelFn ref;
  };
  const double k = 0.37;
  const F filters[] = {
      {"brightness", [&](TspEffectPixels& e) { e.ChangeBrightness(k); },
       [&](uint32_t p) { return PerChannel(p, [&](int c) { return (1 - k) * c + k * 255; }); }},
      {"darkness", [&](TspEffectPixels& e) { e.ChangeDarkness(k); },
       [&](uint32_t p) { return PerChannel(p, [&](int c) { return (1 - k) * c; }); }},
      {"invert", [](TspEffectPixels& e) { e.Invert(); }, [](uint32_t p) { return ~p & 0xFFFFFF; }},
      {"grey", [](TspEffectPixels& e) { e.GrayScale(); },
       [](uint32_t p) {
         const int n = 30 * int(p >> 16 & 255) + 59 * int(p >> 8 & 255) + 11 * int(p & 255);
         const uint32_t v = uint32_t(std::nearbyint(n / 100.0));
         return v | v << 8 | v << 16;
       }},
  };
  for (const auto& f : filters)
    for (int trial = 0; trial < 20; ++trial) {
      TspEffectPixels a, b;
      RandomFill(a, 1 + int(rng() % 33), 1 + int(rng() % 9), rng);
      b.CreateCopy(a);
      f.ours(a);
      ReferenceFilter(b, f.ref);
      ASSERT_EQ(0, std::memcmp(a.Bits, b.Bits, size_t(a.Size))) << f.name << " trial " << trial;
    }
}

TEST(EffectPixels, MosaicRotateFlipWave) {
  TspEffectPixels e;
  e.Create(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) e.SetPixel(x, y, uint32_t(y * 3 + x));
  TspEffectPixels m;
  m.CreateCopy(e);
  m.Mosaic(2);
  const uint32_t want[9] = {0, 0, 2, 0, 0, 2, 6, 6, 8};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m.GetPixel(i % 3, i / 3), want[i]) << i;

  TspEffectPixels two, turned, wrong;
  two.Create(2, 1);
  two.SetPixel(0, 0, 0xA), two.SetPixel(1, 0, 0xB);
  turned.Create(1, 2);
  two.Rotate90_1(turned);
  EXPECT_EQ(turned.GetPixel(0, 0), 0xBu);
  EXPECT_EQ(turned.GetPixel(0, 1), 0xAu);
  two.Rotate90_2(turned);
  EXPECT_EQ(turned.GetPixel(0, 0), 0xAu);
  wrong.Create(3, 3);
  wrong.SetPixel(0, 0, 0x77);
  two.Rotate90_1(wrong);  // wrong size: untouched
  two.FlipVert(wrong);
  EXPECT_EQ(wrong.GetPixel(0, 0), 0x77u);

  TspEffectPixels w;
  w.CreateCopy(e);
  w.Wave(0, 5, 3);
  EXPECT_EQ(0, std::memcmp(w.Bits, e.Bits, size_t(e.Size)));
}

TEST(EffectPixels, BlursStayInsideAtTheEdges) {
  // Amount as large as the picture: the far samples are held inside (ASan checks the reads).
  for (int amount : {1, 2, 5}) {
    TspEffectPixels e, m;
    Solid(e, 1, 1, 0x808080);
    e.SplitBlur(amount);
    EXPECT_EQ(e.GetPixel(0, 0), 0x808080u);
    Solid(e, 2, 2, 0x808080);
    Solid(m, 2, 2, 0);
    e.MaskBlur(m, amount);
    e.MaskAntialiasing(m, amount);
    EXPECT_EQ(e.GetPixel(1, 1), 0x808080u);
  }
  TspEffectPixels e, m;
  Solid(e, 4, 4, 0);
  e.SetPixel(1, 1, 0xFCFCFC);
  Solid(m, 4, 4, 0xFFFFFF);
  m.SetPixel(0, 0, 0);
  e.MaskBlur(m, 1);  // only (0, 0) is blurred: average of (0,0), (0,1), (1,0), (1,1)
  EXPECT_EQ(e.GetPixel(0, 0), 0x3F3F3Fu);
  EXPECT_EQ(e.GetPixel(1, 1), 0xFCFCFCu);
  e.MaskFillColor(m, 0x0000FF, 0.5);  // red, in the framework's colour order
  EXPECT_EQ(e.GetPixel(0, 0), 0x9F2020u);  // 31.5 rounds to 32
}

TEST(EffectPixels, NoiseUsesTheGivenGenerator) {
  TspEffectPixels e;
  Solid(e, 2, 1, 0x808080);
  int calls = 0;
  e.AddMonoNoise(10, [&](int n) { ++calls; EXPECT_EQ(n, 10); return 9; });
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(e.GetPixel(0, 0), 0x848484u);
  e.AddColorNoise(0);  // no-op
  std::vector<int> seq = {0, 5, 10};
  size_t i = 0;
  e.AddColorNoise(11, [&](int) { return seq[i++ % 3]; });
  EXPECT_EQ(e.GetPixel(0, 0), 0x7F8489u);
}

// ---- transitions ----

void Columns(TspEffectPixels& e, int w, uint32_t base) {
  e.Create(w, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < w; ++x) e.SetPixel(x, y, base + uint32_t(x));
}

TEST(EffectTransitions, MorphValues) {
  TspEffectPixels a, b;
  Solid(a, 2, 2, 0x0A0A0A);
  Solid(b, 2, 2, 0x151515);
  TspEffectPixels c;
  c.CreateCopy(a);
  c.Morph(b, 0.5);
  EXPECT_EQ(c.GetPixel(1, 1), 0x101010u);  // 15.5 -> 16
  c.CreateCopy(a);
  c.Morph(b, 0);
  EXPECT_EQ(c.GetPixel(0, 0), 0x0A0A0Au);
  c.Morph(b, 1);
  EXPECT_EQ(c.GetPixel(0, 0), 0x151515u);
  TspEffectPixels wide;
  Solid(wide, 3, 2, 0);
  c.Morph(wide, 1);
  EXPECT_EQ(c.GetPixel(0, 0), 0x151515u);
  c.MorphRect(wide, 1, TspRect(-1, 0, 50, 50), 0, 0);  // clipped to both pictures
  EXPECT_EQ(c.GetPixel(1, 1), 0u);
}

TEST(EffectTransitions, MorphMatchesReferenceSmallAndLarge) {
  // Large pictures take the table path: both must equal the per-pixel formula.
  std::mt19937 rng(19);
  for (int w : {7, 301}) {
    TspEffectPixels a, b, ref;
    RandomFill(a, w, w, rng);
    RandomFill(b, w, w, rng);
    ref.CreateCopy(a);
    const double k = 0.61;
    a.Morph(b, k);
    for (int y = 0; y < w; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t p = ref.GetPixel(x, y), q = b.GetPixel(x, y);
        uint32_t r = 0;
        for (int s = 0; s < 24; s += 8)
          r |= uint32_t(std::nearbyint((1 - k) * int(p >> s & 255) + k * int(q >> s & 255))) << s;
        ref.SetPixel(x, y, r);
      }
    ASSERT_EQ(0, std::memcmp(a.Bits, ref.Bits, size_t(a.Size))) << w;
  }
}

TEST(EffectTransitions, SlidesPushAndCopy) {
  TspEffectPixels self, bmp, t;
  Columns(self, 10, 0x100);
  Columns(bmp, 10, 0x200);
  struct Case {
    const char* name;
    std::function<void(TspEffectPixels&)> op;
    uint32_t cols[10];
  };
  const Case cases[] = {
      {"left slide 0.3", [&](TspEffectPixels& e) { e.MorphLeftSlide(bmp, 0.3); },
       {0x207, 0x208, 0x209, 0x103, 0x104, 0x105, 0x106, 0x107, 0x108, 0x109}},
      {"left slide 0 shows one column", [&](TspEffectPixels& e) { e.MorphLeftSlide(bmp, 0); },
       {0x209, 0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x107, 0x108, 0x109}},
      {"left slide 1 shows W - 1 columns", [&](TspEffectPixels& e) { e.MorphLeftSlide(bmp, 1); },
       {0x201, 0x202, 0x203, 0x204, 0x205, 0x206, 0x207, 0x208, 0x209, 0x109}},
      {"right slide 0.3", [&](TspEffectPixels& e) { e.MorphRightSlide(bmp, 0.3); },
       {0x100, 0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x200, 0x201, 0x202}},
      {"push 0.3", [&](TspEffectPixels& e) { e.MorphPush(bmp, 0.3); },
       {0x206, 0x207, 0x208, 0x209, 0x100, 0x101, 0x102, 0x103, 0x104, 0x105}},
      {"push NaN is push 0", [&](TspEffectPixels& e) { e.MorphPush(bmp, std::nan("")); },
       {0x209, 0x100, 0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x107, 0x108}},
      {"hgrad 1 on even width", [&](TspEffectPixels& e) { e.MorphHGrad(bmp, 1); },
       {0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206, 0x207, 0x208, 0x209}},
      {"copy rect inclusive", [&](TspEffectPixels& e) { e.CopyRect(bmp, TspRect(2, 0, 4, 1), 5, 0); },
       {0x100, 0x101, 0x205, 0x206, 0x207, 0x105, 0x106, 0x107, 0x108, 0x109}},
      {"copy rect clipped to both", [&](TspEffectPixels& e) { e.CopyRect(bmp, TspRect(-3, 0, 40, 40), 0, 0); },
       {0x203, 0x204, 0x205, 0x206, 0x207, 0x208, 0x209, 0x107, 0x108, 0x109}},
  };
  for (const auto& c : cases) {
    t.CreateCopy(self);
    c.op(t);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(t.GetPixel(x, 1), c.cols[x]) << c.name << " column " << x;
  }
}

TEST(EffectTransitions, GradientsPickTheirAxisAndEnds) {
  TspEffectPixels a, b, t;
  Solid(a, 20, 40, 0);
  Solid(b, 20, 40, 0xFFFFFF);
  t.CreateCopy(a);
  t.MorphGrad(b, 0.5);  // taller than wide: bands of rows
  for (int y = 0; y < 40; ++y) EXPECT_EQ(t.GetPixel(0, y), t.GetPixel(19, y)) << y;
  Solid(a, 40, 40, 0);
  Solid(b, 40, 40, 0xFFFFFF);
  t.CreateCopy(a);
  t.MorphGrad(b, 0.5);  // square: bands of columns
  for (int x = 0; x < 40; ++x) EXPECT_EQ(t.GetPixel(x, 0), t.GetPixel(x, 39)) << x;
  EXPECT_EQ(t.GetPixel(20, 0), 0xFFFFFFu);
  t.CreateCopy(a);
  t.MorphLeftGrad(b, 0.25);  // columns 0..10 mixed, first one all BMP
  EXPECT_EQ(t.GetPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(t.GetPixel(11, 0), 0u);
  t.CreateCopy(a);
  t.MorphRightGrad(b, 0.25);  // columns 30..39
  EXPECT_EQ(t.GetPixel(39, 0), 0xFFFFFFu);
  EXPECT_EQ(t.GetPixel(29, 0), 0u);
}

}  // namespace
