// Effect filters and the cross-fade on a 640x480 24-bit picture: ours against
// a per-pixel GetPixel/SetPixel loop with double maths (the test oracle).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>

#include "BenchUtil.h"
#include "skin/data/SPEffectPixels.h"

namespace {

void RefPerChannel(TspEffectPixels& e, const std::function<double(int)>& f) {
  for (int y = 0; y < e.Height; ++y)
    for (int x = 0; x < e.Width; ++x) {
      const uint32_t p = e.GetPixel(x, y);
      uint32_t r = 0;
      for (int s = 0; s < 24; s += 8) {
        const double v = std::nearbyint(f(int(p >> s & 255)));
        r |= uint32_t(v < 0 ? 0 : v > 255 ? 255 : v) << s;
      }
      e.SetPixel(x, y, r);
    }
}

}  // namespace

int main() {
  const int W = 640, H = 480;  // 640 x 3 = 1920 bytes: use 641 to keep pad bytes in the rows
  std::mt19937 rng(4);
  TspEffectPixels src, other, a, b;
  src.Create(W + 1, H);
  other.Create(W + 1, H);
  for (int i = 0; i < src.Size; ++i) src.Bits[i] = uint8_t(rng()), other.Bits[i] = uint8_t(rng());
  const double k = 0.37;
  struct Case {
    const char* name;
    std::function<void(TspEffectPixels&)> ours, ref;
  };
  const Case cases[] = {
      {"ChangeBrightness", [&](TspEffectPixels& e) { e.ChangeBrightness(k); },
       [&](TspEffectPixels& e) { RefPerChannel(e, [&](int c) { return (1 - k) * c + k * 255; }); }},
      {"ChangeDarkness", [&](TspEffectPixels& e) { e.ChangeDarkness(k); },
       [&](TspEffectPixels& e) { RefPerChannel(e, [&](int c) { return (1 - k) * c; }); }},
      {"GrayScale", [](TspEffectPixels& e) { e.GrayScale(); },
       [](TspEffectPixels& e) {
         for (int y = 0; y < e.Height; ++y)
           for (int x = 0; x < e.Width; ++x) {
             const uint32_t p = e.GetPixel(x, y);
             const int n = 30 * int(p >> 16 & 255) + 59 * int(p >> 8 & 255) + 11 * int(p & 255);
             const uint32_t v = uint32_t(std::nearbyint(n / 100.0));
             e.SetPixel(x, y, v | v << 8 | v << 16);
           }
       }},
      {"Morph", [&](TspEffectPixels& e) { e.Morph(other, k); },
       [&](TspEffectPixels& e) {
         for (int y = 0; y < e.Height; ++y)
           for (int x = 0; x < e.Width; ++x) {
             const uint32_t p = e.GetPixel(x, y), q = other.GetPixel(x, y);
             uint32_t r = 0;
             for (int s = 0; s < 24; s += 8) {
               const double v = std::nearbyint((1 - k) * int(p >> s & 255) + k * int(q >> s & 255));
               r |= uint32_t(v < 0 ? 0 : v > 255 ? 255 : v) << s;
             }
             e.SetPixel(x, y, r);
           }
       }},
  };
  for (const auto& c : cases) {
    const double t1 = MedianSeconds([&] { a.CreateCopy(src); c.ours(a); });
    const double t2 = MedianSeconds([&] { b.CreateCopy(src); c.ref(b); });
    ReportPair(c.name, double(src.Width) * H, t1, t2);
    std::printf("  bit-identical: %s (target: >= 3x the reference)\n",
                std::memcmp(a.Bits, b.Bits, size_t(a.Size)) == 0 ? "yes" : "NO");
  }
  return 0;
}
