// Stack blur of 512x512 at radii 3 and 12: ours against a plain two-pass triangular convolution.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "BenchUtil.h"
#include "skin/data/SPPixelBitmap.h"

static void ReferenceBlur(TspPixelBitmap& b, int R) {
  const int w = b.Width(), h = b.Height(), d = (R + 1) * (R + 1);
  std::vector<int> tmp(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int i = -R; i <= R; ++i)
          s += (R + 1 - std::abs(i)) * int(b.GetPixel(std::min(std::max(x + i, 0), w - 1), y) >> (16 - 8 * c) & 255);
        tmp[(size_t(y) * w + x) * 3 + c] = s / d;
      }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      TspColor p = 0xFF000000;
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int i = -R; i <= R; ++i)
          s += (R + 1 - std::abs(i)) * tmp[(size_t(std::min(std::max(y + i, 0), h - 1)) * w + x) * 3 + c];
        p |= TspColor(s / d) << (16 - 8 * c);
      }
      b.SetPixel(x, y, p);
    }
}

int main() {
  const int N = 512;
  std::mt19937 rng(3);
  TspPixelBitmap src, a, b;
  src.SetSize(N, N);
  for (int i = 0; i < N * N; ++i) src.Bits()[i] = rng();
  for (int R : {3, 12}) {
    const double t1 = MedianSeconds([&] { a.AssignPixels(src); StackBlurBitmap(a, R); }, 11);
    const double t2 = MedianSeconds([&] { b.AssignPixels(src); ReferenceBlur(b, R); }, 3);
    char name[64];
    std::snprintf(name, sizeof name, "stack blur 512x512 R=%d", R);
    ReportPair(name, double(N) * N, t1, t2);
    bool same = true;
    for (int i = 0; i < N * N; ++i) same = same && a.Bits()[i] == b.Bits()[i];
    std::printf("  bit-identical: %s\n", same ? "yes" : "NO");
  }
  return 0;
}
