#include "skin/data/SPEffectPixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "framework/SysUtils.h"

namespace {

int RoundEven(double v) { return int(std::nearbyint(v)); }

int DefaultRandom(int n) {
  static std::mt19937 engine(0x5eed);
  if (n <= 0) return 0;
  return int(engine() % uint32_t(n));
}

}  // namespace

void ClampChannels(int& r, int& g, int& b) {
  r = ClampChannel(r);
  g = ClampChannel(g);
  b = ClampChannel(b);
}

double ClampFactor(double Kf) {
  if (!(Kf >= 0)) return 0;  // negative or NaN
  return Kf > 1 ? 1 : Kf;
}

TspEffectPixels::~TspEffectPixels() { ResetPixels(); }

uint8_t* TspEffectPixels::AllocatePixels(int, int, int Bytes) {
  FHeap.assign(size_t(Bytes), 0);
  return FHeap.data();
}

void TspEffectPixels::ReleasePixels() { std::vector<uint8_t>().swap(FHeap); }

void TspEffectPixels::ResetPixels() {
  if (Bits) ReleasePixels();
  Bits = nullptr;
  Width = Height = Size = 0;
}

void TspEffectPixels::Create(int cx, int cy) {
  ResetPixels();
  if (cx <= 0 || cy <= 0 || cx > MaxEffectSide || cy > MaxEffectSide)
    throw Exception("Can't allocate the DIB handle");
  const int size = (cx * 3 + cx % 4) * cy;
  Bits = AllocatePixels(cx, cy, size);
  Width = cx;
  Height = cy;
  Size = size;
}

void TspEffectPixels::CreateCopy(const TspEffectPixels& Other) {
  if (&Other == this) return;
  if (!Other.Bits) {
    ResetPixels();
    return;
  }
  Create(Other.Width, Other.Height);
  std::memcpy(Bits, Other.Bits, size_t(Size));
}

uint32_t TspEffectPixels::GetPixel(int X, int Y) const {
  const uint8_t* p = GetRowPtr(Y) + X * 3;
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
}

void TspEffectPixels::SetPixel(int X, int Y, uint32_t Value) {
  uint8_t* p = GetRowPtr(Y) + X * 3;
  p[0] = uint8_t(Value), p[1] = uint8_t(Value >> 8), p[2] = uint8_t(Value >> 16);
}

void TspEffectPixels::GetScanLine(int Y, uint8_t* Line) const { std::memcpy(Line, GetRowPtr(Y), size_t(Width) * 3); }
void TspEffectPixels::SetScanLine(int Y, const uint8_t* Line) { std::memcpy(GetRowPtr(Y), Line, size_t(Width) * 3); }

namespace {
// A channel filter is the same for every byte: one table per call, then one
// lookup per byte over whole rows (the rows' pad bytes are left alone).
void ApplyTable(TspEffectPixels& e, const uint8_t (&table)[256]) {
  if (!e.Bits) return;
  const int n = e.Width * 3;
  for (int y = 0; y < e.Height; ++y) {
    uint8_t* row = e.GetRowPtr(y);
    for (int i = 0; i < n; ++i) row[i] = table[row[i]];
  }
}
}  // namespace

void TspEffectPixels::ChangeBrightness(double Kf) {
  Kf = ClampFactor(Kf);
  uint8_t t[256];
  for (int c = 0; c < 256; ++c) t[c] = uint8_t(ClampChannel(RoundEven((1 - Kf) * c + Kf * 255)));
  ApplyTable(*this, t);
}

void TspEffectPixels::ChangeDarkness(double Kf) {
  Kf = ClampFactor(Kf);
  uint8_t t[256];
  for (int c = 0; c < 256; ++c) t[c] = uint8_t(ClampChannel(RoundEven((1 - Kf) * c)));
  ApplyTable(*this, t);
}

void TspEffectPixels::Invert() {
  uint8_t t[256];
  for (int c = 0; c < 256; ++c) t[c] = uint8_t(255 - c);
  ApplyTable(*this, t);
}

namespace {
// 30 R + 59 G + 11 B (hundredths, 0..25500) -> the grey, rounded half to even.
struct TGreyTables {
  uint16_t r[256], g[256], b[256];
  uint8_t grey[25501];
  TGreyTables() {
    for (int c = 0; c < 256; ++c) r[c] = uint16_t(30 * c), g[c] = uint16_t(59 * c), b[c] = uint16_t(11 * c);
    for (int n = 0; n <= 25500; ++n) {
      int v = n / 100;
      const int rem = n % 100;
      if (rem > 50 || (rem == 50 && (v & 1))) ++v;
      grey[n] = uint8_t(v);
    }
  }
};
const TGreyTables& GreyTables() {
  static const TGreyTables tables;
  return tables;
}
}  // namespace

void TspEffectPixels::GrayScale() {
  if (!Bits) return;
  const TGreyTables& t = GreyTables();
  for (int y = 0; y < Height; ++y) {
    uint8_t* p = GetRowPtr(y);
    for (int x = 0; x < Width; ++x, p += 3) p[0] = p[1] = p[2] = t.grey[t.r[p[2]] + t.g[p[1]] + t.b[p[0]]];
  }
}

void TspEffectPixels::FourPointAverage(const uint8_t* ra, const uint8_t* rb, int xa, int xb, uint8_t* out) const {
  for (int c = 0; c < 3; ++c)
    out[c] = uint8_t((ra[xa * 3 + c] + rb[xa * 3 + c] + ra[xb * 3 + c] + rb[xb * 3 + c]) / 4);
}

namespace {
// The sample rows and columns of the four-point blurs. At the far edges the
// mirrored index can fall outside the picture: it is held inside.
int NearIndex(int i, int amount) { return i - amount < 0 ? i : i - amount; }
int FarIndex(int i, int amount, int size) {
  const int v = i + amount >= size ? size - i : i + amount;
  return std::min(std::max(v, 0), size - 1);
}
}  // namespace

void TspEffectPixels::SplitBlur(int Amount) {
  if (Amount == 0 || !Bits) return;
  std::vector<uint8_t> line(size_t(Width) * 3);
  for (int y = 0; y < Height; ++y) {
    const uint8_t* ra = GetRowPtr(std::min(NearIndex(y, Amount), Height - 1));
    const uint8_t* rb = GetRowPtr(FarIndex(y, Amount, Height));
    GetScanLine(y, line.data());
    for (int x = 0; x < Width; ++x)
      FourPointAverage(ra, rb, std::min(NearIndex(x, Amount), Width - 1), FarIndex(x, Amount, Width), &line[size_t(x) * 3]);
    SetScanLine(y, line.data());
  }
}

void TspEffectPixels::Mosaic(int ASize) {
  if (ASize <= 1 || !Bits) return;
  for (int by = 0; by < Height; by += ASize)
    for (int bx = 0; bx < Width; bx += ASize) {
      const uint32_t c = GetPixel(bx, by);
      for (int y = by; y < std::min(by + ASize, Height); ++y)
        for (int x = bx; x < std::min(bx + ASize, Width); ++x) SetPixel(x, y, c);
    }
}

void TspEffectPixels::AddMonoNoise(int Amount, const std::function<int(int)>& Random) {
  if (Amount <= 0 || !Bits) return;
  for (int y = 0; y < Height; ++y) {
    uint8_t* p = GetRowPtr(y);
    for (int x = 0; x < Width; ++x, p += 3) {
      const int r = (Random ? Random(Amount) : DefaultRandom(Amount)) - Amount / 2;
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(ClampChannel(p[c] + r));
    }
  }
}

void TspEffectPixels::AddColorNoise(int Amount, const std::function<int(int)>& Random) {
  if (Amount <= 0 || !Bits) return;
  for (int y = 0; y < Height; ++y) {
    uint8_t* p = GetRowPtr(y);
    for (int x = 0; x < Width; ++x, p += 3)
      for (int c = 2; c >= 0; --c)  // drawn red first, then green, then blue
        p[c] = uint8_t(ClampChannel(p[c] + (Random ? Random(Amount) : DefaultRandom(Amount)) - Amount / 2));
  }
}

void TspEffectPixels::Rotate90_1(TspEffectPixels& Dst) const {
  if (!Bits || !Dst.Bits || Dst.Width != Height || Dst.Height != Width) return;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) Dst.SetPixel(y, Width - 1 - x, GetPixel(x, y));
}

void TspEffectPixels::Rotate90_2(TspEffectPixels& Dst) const {
  if (!Bits || !Dst.Bits || Dst.Width != Height || Dst.Height != Width) return;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) Dst.SetPixel(Height - 1 - y, x, GetPixel(x, y));
}

void TspEffectPixels::FlipVert(TspEffectPixels& Dst) const {
  if (!Bits || !Dst.Bits || !SameSize(Dst)) return;
  for (int y = 0; y < Height; ++y) std::memcpy(Dst.GetRowPtr(Height - 1 - y), GetRowPtr(y), size_t(Width) * 3);
}

void TspEffectPixels::Resize(TspEffectPixels& Dst) const {
  if (!Bits || !Dst.Bits) return;
  const double rx = double(Dst.Width - 1) / Width, ry = double(Dst.Height - 1) / Height;
  const int bw = RoundEven(rx) + 1, bh = RoundEven(ry) + 1;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const uint32_t c = GetPixel(x, y);
      const int x0 = RoundEven(rx * x), y0 = RoundEven(ry * y);
      for (int j = y0; j < y0 + bh; ++j)
        for (int i = x0; i < x0 + bw; ++i)
          if (i >= 0 && j >= 0 && i < Dst.Width && j < Dst.Height) Dst.SetPixel(i, j, c);
    }
}

void TspEffectPixels::Wave(int XDIV, int YDIV, int RatioVal) {
  if (XDIV == 0 || YDIV == 0 || !Bits) return;
  TspEffectPixels src;
  src.CreateCopy(*this);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const int sx = std::min(std::max(RoundEven(std::sin(double(y) / YDIV) * RatioVal + x), 0), Width - 1);
      const int sy = std::min(std::max(RoundEven(std::sin(double(x) / XDIV) * RatioVal + y), 0), Height - 1);
      SetPixel(x, y, src.GetPixel(sx, sy));
    }
}

namespace {
bool IsWhite(const uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }
}  // namespace

void TspEffectPixels::MaskBlur(const TspEffectPixels& Msk, int Amount) {
  if (Amount == 0 || !Bits || !Msk.Bits || Msk.Width != Width || Msk.Height < Height) return;
  std::vector<uint8_t> line(size_t(Width) * 3);
  for (int y = 0; y < Height; ++y) {
    const uint8_t* ra = GetRowPtr(std::min(NearIndex(y, Amount), Height - 1));
    const uint8_t* rb = GetRowPtr(FarIndex(y, Amount, Height));
    const uint8_t* m = Msk.GetRowPtr(y);
    GetScanLine(y, line.data());
    for (int x = 0; x < Width; ++x)
      if (!IsWhite(m + x * 3))
        FourPointAverage(ra, rb, std::min(NearIndex(x, Amount), Width - 1), FarIndex(x, Amount, Width), &line[size_t(x) * 3]);
    SetScanLine(y, line.data());
  }
}

void TspEffectPixels::MaskAntialiasing(const TspEffectPixels& Msk, int Amount) {
  if (Amount == 0 || !Bits || !Msk.Bits || Msk.Width != Width || Msk.Height < Height) return;
  std::vector<uint8_t> line(size_t(Width) * 3);
  for (int y = 0; y < Height; ++y) {
    const int ya = std::min(NearIndex(y, Amount), Height - 1);
    const uint8_t* ra = GetRowPtr(ya);
    const uint8_t* rb = GetRowPtr(FarIndex(y, Amount, Height));
    const uint8_t* m = Msk.GetRowPtr(y);
    const uint8_t* ma = Msk.GetRowPtr(ya);
    const uint8_t* mb = Msk.GetRowPtr(FarIndex(y, Amount, Msk.Height));
    GetScanLine(y, line.data());
    for (int x = 0; x < Width; ++x) {
      if (IsWhite(m + x * 3)) continue;
      const int xa = std::min(NearIndex(x, Amount), Width - 1), xb = FarIndex(x, Amount, Width);
      if (IsWhite(ma + xa * 3) || IsWhite(ma + xb * 3) || IsWhite(mb + xa * 3) || IsWhite(mb + xb * 3))
        FourPointAverage(ra, rb, xa, xb, &line[size_t(x) * 3]);
    }
    SetScanLine(y, line.data());
  }
}

void TspEffectPixels::MaskFillColor(const TspEffectPixels& Msk, uint32_t C, double kf) {
  if (!Bits || !Msk.Bits || Msk.Width != Width || Msk.Height < Height) return;
  const int cc[3] = {int((C >> 16) & 0xFF), int((C >> 8) & 0xFF), int(C & 0xFF)};  // blue, green, red
  std::vector<uint8_t> line(size_t(Width) * 3);
  for (int y = 0; y < Height; ++y) {
    const uint8_t* m = Msk.GetRowPtr(y);
    GetScanLine(y, line.data());
    for (int x = 0; x < Width; ++x) {
      if (IsWhite(m + x * 3)) continue;
      uint8_t* p = &line[size_t(x) * 3];
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(ClampChannel(RoundEven((1 - kf) * p[c] + kf * cc[c])));
    }
    SetScanLine(y, line.data());
  }
}
