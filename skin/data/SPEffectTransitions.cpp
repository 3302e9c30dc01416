// Transitions between an old look (Self, changed in place) and a new one (BMP, read only).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "skin/data/SPEffectPixels.h"

namespace {

int RoundEven(double v) { return int(std::nearbyint(v)); }

// m(s, b, t) of the gradient wipes: weight t on Self.
inline uint8_t Mix(uint8_t s, uint8_t b, double t) { return uint8_t(ClampChannel(RoundEven(s * t + b * (1 - t)))); }

inline void MixPixel(uint8_t* s, const uint8_t* b, double t) {
  s[0] = Mix(s[0], b[0], t), s[1] = Mix(s[1], b[1], t), s[2] = Mix(s[2], b[2], t);
}

}  // namespace

void TspEffectPixels::Morph(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const double k1 = 1 - Kf;
  const int n = Width * 3;
  auto mix = [&](int s, int b) { return uint8_t(ClampChannel(RoundEven(k1 * s + Kf * b))); };
  // Big pictures: every (s, b) pair worked out once, then looked up.
  std::vector<uint8_t> table;
  if (size_t(n) * Height > 4 * 65536) {
    table.resize(65536);
    for (int s = 0; s < 256; ++s)
      for (int b = 0; b < 256; ++b) table[size_t(s) << 8 | size_t(b)] = mix(s, b);
  }
  for (int y = 0; y < Height; ++y) {
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(y);
    if (!table.empty())
      for (int i = 0; i < n; ++i) s[i] = table[size_t(s[i]) << 8 | b[i]];
    else
      for (int i = 0; i < n; ++i) s[i] = mix(s[i], b[i]);
  }
}

void TspEffectPixels::MorphRect(const TspEffectPixels& BMP, double Kf, const TspRect& Rct, int StartX, int StartY) {
  if (!Bits || !BMP.Bits) return;
  Kf = ClampFactor(Kf);
  // Rct is held inside Self and the matching area inside BMP.
  for (int y = std::max(Rct.Top, 0); y < std::min(Rct.Bottom, Height); ++y) {
    const int by = StartY + y - Rct.Top;
    if (by < 0 || by >= BMP.Height) continue;
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(by);
    for (int x = std::max(Rct.Left, 0); x < std::min(Rct.Right, Width); ++x) {
      const int bx = StartX + x - Rct.Left;
      if (bx < 0 || bx >= BMP.Width) continue;
      for (int c = 0; c < 3; ++c)
        s[x * 3 + c] = uint8_t(ClampChannel(RoundEven((1 - Kf) * s[x * 3 + c] + Kf * b[bx * 3 + c])));
    }
  }
}

void TspEffectPixels::CopyRect(const TspEffectPixels& BMP, const TspRect& Rct, int StartX, int StartY) {
  if (!Bits || !BMP.Bits) return;
  const int right = std::min(Rct.Right, Width - 1), bottom = std::min(Rct.Bottom, Height - 1);
  for (int y = std::max(Rct.Top, 0); y <= bottom; ++y) {
    const int by = StartY + y - Rct.Top;
    if (by < 0 || by >= BMP.Height) continue;
    for (int x = std::max(Rct.Left, 0); x <= right; ++x) {
      const int bx = StartX + x - Rct.Left;
      if (bx < 0 || bx >= BMP.Width) continue;
      std::memcpy(GetRowPtr(y) + x * 3, BMP.GetRowPtr(by) + bx * 3, 3);
    }
  }
}

void TspEffectPixels::MorphGrad(const TspEffectPixels& BMP, double Kf) {
  if (Width < Height)
    MorphVGrad(BMP, Kf);
  else
    MorphHGrad(BMP, Kf);
}

void TspEffectPixels::MorphHGrad(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int W = Width;
  const int n = RoundEven(W * Kf), c = (W - n) / 2;
  const double step = c == 0 ? 1 : 1.0 / c;
  const int lo = std::max(W / 2 - n / 2, 0), hi = std::min(W / 2 + n / 2, W - 1);
  for (int y = 0; y < Height; ++y) {
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(y);
    if (hi >= lo) std::memcpy(s + lo * 3, b + lo * 3, size_t(hi - lo + 1) * 3);
    double t = 0;
    for (int x = lo; x >= 0; --x) {
      MixPixel(s + x * 3, b + x * 3, t);
      t = std::min(1.0, t + step);
    }
    t = 0;
    for (int x = hi; x < W; ++x) {
      MixPixel(s + x * 3, b + x * 3, t);
      t = std::min(1.0, t + step);
    }
  }
}

void TspEffectPixels::MorphVGrad(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int H = Height;
  const int n = RoundEven(H * Kf), c = (H - 1 - n) / 2;
  const double step = c == 0 ? 0 : 1.0 / c;
  const int lo = std::max(H / 2 - n / 2, 0), hi = std::min(H / 2 + n / 2, H - 1);
  for (int y = lo; y <= hi; ++y) std::memcpy(GetRowPtr(y), BMP.GetRowPtr(y), size_t(Width) * 3);
  auto mixRow = [&](int y, double t) {
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(y);
    for (int x = 0; x < Width; ++x) MixPixel(s + x * 3, b + x * 3, t);
  };
  double t = 0;
  for (int y = lo; y >= 0; --y) {
    mixRow(y, t);
    t = std::min(1.0, t + step);
  }
  t = 0;
  for (int y = hi; y < H; ++y) {
    mixRow(y, t);
    t = std::min(1.0, t + step);
  }
}

void TspEffectPixels::MorphLeftGrad(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int W = Width;
  const int n = std::min(std::max(RoundEven(W * Kf), 1), W - 1);
  const double step = n == 0 ? 1 : 1.0 / n;
  for (int y = 0; y < Height; ++y) {
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(y);
    double t = 0;
    for (int x = 0; x <= n; ++x) {
      MixPixel(s + x * 3, b + x * 3, t);
      t = std::min(1.0, t + step);
    }
  }
}

void TspEffectPixels::MorphRightGrad(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int W = Width;
  const int c = std::min(std::max(W - RoundEven(W * Kf), 0), W - 1);
  const double step = W - c <= 0 ? 1 : 1.0 / (W - c);
  for (int y = 0; y < Height; ++y) {
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(y);
    double t = 0;
    for (int x = W - 1; x >= c; --x) {
      MixPixel(s + x * 3, b + x * 3, t);
      t = std::min(1.0, t + step);
    }
  }
}

void TspEffectPixels::MorphPush(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int W = Width;
  const int n = std::min(std::max(RoundEven(W * Kf), 0), W - 1);
  for (int y = 0; y < Height; ++y) {
    uint8_t* s = GetRowPtr(y);
    const uint8_t* b = BMP.GetRowPtr(y);
    for (int j = W - 1; j >= n; --j) std::memcpy(s + j * 3, s + std::max(j - n - 1, 0) * 3, 3);
    const int from = std::max(W - n - 1, 0);
    for (int j = 0; j <= n; ++j) std::memcpy(s + j * 3, b + std::min(from + j, W - 1) * 3, 3);
  }
}

void TspEffectPixels::MorphLeftSlide(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int W = Width;
  const int n = std::min(std::max(RoundEven(W * Kf), 1), W - 1);
  if (n <= 0) return;
  for (int y = 0; y < Height; ++y) std::memcpy(GetRowPtr(y), BMP.GetRowPtr(y) + (W - n) * 3, size_t(n) * 3);
}

void TspEffectPixels::MorphRightSlide(const TspEffectPixels& BMP, double Kf) {
  if (!Bits || !BMP.Bits || !SameSize(BMP)) return;
  Kf = ClampFactor(Kf);
  const int W = Width;
  const int n = std::min(std::max(RoundEven(W * Kf), 1), W - 1);
  if (n <= 0) return;
  for (int y = 0; y < Height; ++y) std::memcpy(GetRowPtr(y) + (W - n) * 3, BMP.GetRowPtr(y), size_t(n) * 3);
}
