// Stack blur of 512x512 at radii 3 and 12: ours against a plain two-pass triangular convolution.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "BenchUtil.h"
#include "skin/data/SPPixelBitmap.h"
#include "support/ReferenceBlur.h"

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
