// Row routines over a 1920x1080 buffer: ours against per-channel plain loops.
#include <cstdio>
#include <random>
#include <vector>

#include "BenchUtil.h"
#include "skin/data/SPPixelRows.h"

int main() {
  const int n = 1920 * 1080;
  std::mt19937 rng(2);
  std::vector<TspColor> src(n), dst0(n), a(n), b(n);
  for (int i = 0; i < n; ++i) src[i] = rng(), dst0[i] = rng();
  auto refBlend = [&](bool mmx) {
    for (int i = 0; i < n; ++i) {
      const TspColor f = src[i], d = b[i];
      const unsigned al = f >> 24;
      if (al == 0) continue;
      if (al == 255) { b[i] = f; continue; }
      TspColor r = mmx ? 0 : 0xFF000000;
      for (int s = 0; s < (mmx ? 32 : 24); s += 8) {
        const unsigned fc = s == 24 ? al : (f >> s & 255);
        r |= (mmx ? (fc * al + (d >> s & 255) * (256 - al)) / 256 : (fc * al + (d >> s & 255) * (255 - al)) / 256) << s;
      }
      b[i] = r;
    }
  };
  for (bool mmx : {false, true}) {
    const double t1 = MedianSeconds([&] { a = dst0; (mmx ? BlendRowMmx : BlendRowPlain)(src.data(), a.data(), n); });
    const double t2 = MedianSeconds([&] { b = dst0; refBlend(mmx); });
    ReportPair(mmx ? "BlendRow (MMX form)" : "BlendRow (plain form)", n, t1, t2);
    std::printf("  bit-identical: %s\n", a == b ? "yes" : "NO");
  }
  const double tk = MedianSeconds([&] { a = dst0; KeyCopyRow(src.data(), a.data(), n); });
  const double tkr = MedianSeconds([&] {
    b = dst0;
    for (int i = 0; i < n; ++i)
      if ((src[i] & 0xFFFFFF) != TransparentKey) b[i] = src[i] | 0xFF000000;
  });
  ReportPair("KeyCopyRow", n, tk, tkr);
  const double tc = MedianSeconds([&] { CopyRow(src.data(), a.data(), n); });
  const double tcr = MedianSeconds([&] { for (int i = 0; i < n; ++i) b[i] = src[i]; });
  ReportPair("CopyRow", n, tc, tcr);
  std::printf("(each timing includes copying the destination in: %d pixels)\n", n);
  return 0;
}
