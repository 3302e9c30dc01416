#include "skin/data/SPBitmapIO.h"

#include <cmath>
#include <cstring>

namespace {

void Put32(std::vector<uint8_t>& out, int32_t v) {
  const uint32_t u = uint32_t(v);
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(u >> (8 * i)));
}

[[noreturn]] void ReadError() { throw Exception("Stream read error"); }

int32_t Get32(const uint8_t* data, size_t size, size_t& pos) {
  if (size - pos < 4 || pos > size) ReadError();
  const uint32_t v = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16 |
                     uint32_t(data[pos + 3]) << 24;
  pos += 4;
  return int32_t(v);
}

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// The 16 colours of a version-3 PCX (the standard system palette).
const uint32_t kSystem16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

}  // namespace

std::vector<uint8_t> SaveBitmapRecord(const TspPixelBitmap& Bitmap) {
  std::vector<uint8_t> out;
  Put32(out, int32_t(Bitmap.Name().size()));
  out.insert(out.end(), Bitmap.Name().begin(), Bitmap.Name().end());
  Put32(out, Bitmap.Width());
  Put32(out, Bitmap.Height());
  const size_t n = size_t(Bitmap.Width()) * size_t(Bitmap.Height());
  const uint8_t* p = reinterpret_cast<const uint8_t*>(Bitmap.Bits());
  if (p) out.insert(out.end(), p, p + n * 4);
  return out;
}

size_t LoadBitmapRecord(TspPixelBitmap& Bitmap, const uint8_t* Data, size_t Size) {
  size_t pos = 0;
  const int32_t n = Get32(Data, Size, pos);
  if (n < 0 || size_t(n) > Size - pos) ReadError();
  std::string name(reinterpret_cast<const char*>(Data + pos), size_t(n));
  pos += size_t(n);
  const int32_t w = Get32(Data, Size, pos), h = Get32(Data, Size, pos);
  const long long aw = std::llabs((long long)w), ah = std::llabs((long long)h);
  const bool sized = aw > 0 && ah > 0;
  // Check the pixel block against what is there before anything changes.
  if (sized && (aw > MaxBitmapSide || ah > MaxBitmapSide || (unsigned long long)(aw * ah * 4) > Size - pos))
    ReadError();
  Bitmap.SetName(name);
  if (!sized) return pos;
  Bitmap.SetSize(int(aw), int(ah));
  if (Bitmap.Width() == aw && Bitmap.Height() == ah) {
    std::memcpy(Bitmap.Bits(), Data + pos, size_t(aw * ah * 4));
    pos += size_t(aw * ah * 4);
    if (h <= 0) Bitmap.FlipVert();
  }
  return pos;
}

std::vector<uint8_t> DecodePcxRle(const uint8_t* In, size_t InSize, size_t OutSize) {
  std::vector<uint8_t> out(OutSize, 0);
  size_t i = 0, o = 0;
  while (i < InSize && o < OutSize) {
    const uint8_t b = In[i++];
    if (b < 192) {
      out[o++] = b;
      continue;
    }
    if (i >= InSize) break;  // a count without its value
    const uint8_t v = In[i++];
    for (int k = 0; k < (b & 63) && o < OutSize; ++k) out[o++] = v;
  }
  return out;
}

bool DecodePcx8(const uint8_t* Data, size_t Size, TspPcxImage& Image) {
  if (Size < 128 || (Data[0] != 10 && Data[0] != 205)) return false;
  const int w = int(Get16(Data + 8)) - int(Get16(Data + 4)) + 1;
  const int h = int(Get16(Data + 10)) - int(Get16(Data + 6)) + 1;
  const size_t rowSize = size_t(Data[65]) * Get16(Data + 66);
  if (w <= 0 || h <= 0 || w > MaxBitmapSide || h > MaxBitmapSide) return false;
  TspPcxImage img;
  img.Width = w, img.Height = h;
  if (Data[1] == 3) {
    for (int i = 0; i < 16; ++i) img.Palette[i] = kSystem16[i];
  } else {
    if (Size < 128 + 769) return false;
    const uint8_t* p = Data + Size - 768;
    for (int i = 0; i < 256; ++i) img.Palette[i] = uint32_t(p[3 * i]) << 16 | uint32_t(p[3 * i + 1]) << 8 | p[3 * i + 2];
  }
  const uint8_t* body = Data + 128;
  const size_t bodySize = Size - 128;
  // Rows beyond what the data can hold stay index 0: a run of 2 bytes gives
  // at most 63, so never expand more than that.
  const unsigned long long need = (unsigned long long)rowSize * unsigned(h);
  const size_t avail = size_t(std::min<unsigned long long>(need, (unsigned long long)bodySize * 32 + 1));
  const std::vector<uint8_t> rows = Data[2] == 1 ? DecodePcxRle(body, bodySize, avail)
                                                 : std::vector<uint8_t>(body, body + std::min(bodySize, avail));
  img.Indexes.assign(size_t(w) * h, 0);
  const size_t take = std::min(rowSize, size_t(w));
  for (int y = 0; y < h && take > 0; ++y) {
    const size_t at = size_t(y) * rowSize;
    if (at >= rows.size()) break;
    std::memcpy(img.Indexes.data() + size_t(y) * w, rows.data() + at, std::min(take, rows.size() - at));
  }
  Image = std::move(img);
  return true;
}

void PcxToBitmap(const TspPcxImage& Image, TspPixelBitmap& Bitmap) {
  Bitmap.SetSize(Image.Width, Image.Height);
  if (Bitmap.Empty()) return;
  for (int y = 0; y < Image.Height; ++y)
    for (int x = 0; x < Image.Width; ++x)
      Bitmap.SetPixel(x, y, 0xFF000000u | Image.Palette[Image.Indexes[size_t(y) * Image.Width + x]]);
}

// ---- hue, saturation, lightness ----

TspHSL SpColorToHSL(TspColor C) {
  const float r = float(C >> 16 & 255) / 255, g = float(C >> 8 & 255) / 255, b = float(C & 255) / 255;
  const float mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
  TspHSL hsl;
  hsl.L = (mx + mn) / 2;
  if (mx == mn) return hsl;
  const float d = mx - mn;
  hsl.S = hsl.L >= 0.5f ? d / (2 - mx - mn) : d / (mx + mn);
  float h = r == mx ? (g - b) / d : g == mx ? (b - r) / d + 2 : (r - g) / d + 4;
  h /= 6;
  if (h < 0) h += 1;
  hsl.H = h;
  return hsl;
}

namespace {
int HueToChannel(float m1, float m2, float h) {
  h = h - std::floor(h);
  float v;
  if (6 * h < 1)
    v = m1 + (m2 - m1) * 6 * h;
  else if (2 * h < 1)
    v = m2;
  else if (3 * h < 2)
    v = m1 + (m2 - m1) * (2.0f / 3 - h) * 6;
  else
    v = m1;
  return int(std::nearbyint(v * 255));
}
int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
}  // namespace

TspColor HSLToSpColor(float L, float S, float H) {
  if (S == 0) {
    const uint32_t v = uint32_t(Clamp255(int(std::nearbyint(L * 255))));
    return 0xFF000000u | v << 16 | v << 8 | v;
  }
  const float m2 = L > 0.5f ? S + L - S * L : L * (1 + S);
  const float m1 = 2 * L - m2;
  const int r = Clamp255(HueToChannel(m1, m2, H + 1.0f / 3)), g = Clamp255(HueToChannel(m1, m2, H)),
            b = Clamp255(HueToChannel(m1, m2, H - 1.0f / 3));
  return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

namespace {
template <class F> void Recolour(TspPixelBitmap& b, F&& f) {
  const int n = b.Width() * b.Height();
  for (int i = 0; i < n; ++i) {
    const TspColor p = b.Bits()[i];
    if ((p >> 24) == 0) continue;
    b.Bits()[i] = (f(p) & 0x00FFFFFF) | (p & 0xFF000000);
  }
}
// One wrap each way, no clamp.
float Step(float v01, int delta) {
  int v = int(std::nearbyint(v01 * 255)) + delta;
  if (v > 255) v -= 255;
  if (v < 0) v += 255;
  return float(v) / 255;
}
}  // namespace

void ChangeBitmapBrightness(TspPixelBitmap& Bitmap, int DeltaBrightness) {
  if (DeltaBrightness == 0) return;
  Recolour(Bitmap, [&](TspColor p) {
    TspColor r = 0;
    for (int s = 0; s < 24; s += 8) r |= uint32_t(Clamp255(int(p >> s & 255) + DeltaBrightness)) << s;
    return r;
  });
}

void SetBitmapHue(TspPixelBitmap& Bitmap, int Hue) {
  const float h = float(Clamp255(Hue)) / 255;
  Recolour(Bitmap, [&](TspColor p) {
    const TspHSL c = SpColorToHSL(p);
    return HSLToSpColor(c.L, c.S, h);
  });
}

void ChangeBitmapSat(TspPixelBitmap& Bitmap, int DeltaSat) {
  if (DeltaSat == 0) return;
  Recolour(Bitmap, [&](TspColor p) {
    const TspHSL c = SpColorToHSL(p);
    return HSLToSpColor(c.L, Step(c.S, DeltaSat), c.H);
  });
}

void ChangeBitmapHue(TspPixelBitmap& Bitmap, int DeltaHue) {
  if (DeltaHue == 0) return;
  Recolour(Bitmap, [&](TspColor p) {
    const TspHSL c = SpColorToHSL(p);
    return HSLToSpColor(c.L, c.S, Step(c.H, DeltaHue));
  });
}
