#include "skin/data/SPPixelRows.h"

#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif


namespace {

void CopyRowImpl(const TspColor* Src, TspColor* Dst, int Count) {
  if (Count <= 0 || Src == Dst) return;
  std::memcpy(Dst, Src, size_t(Count) * sizeof(TspColor));
}

void FillRowImpl(TspColor* Dst, int Count, TspColor Value) {
  for (int i = 0; i < Count; ++i) Dst[i] = Value;
}

void FillPixelRectImpl(TspColor* Bits, int RowWidth, int, TspColor Value, int Y2, int X2, int Y1,
                       int X1) {
  const int n = X2 - X1 + 1;
  if (n <= 0 || Y2 - Y1 + 1 <= 0) return;
  for (int y = Y1; y <= Y2; ++y) FillRowImpl(Bits + ptrdiff_t(y) * RowWidth + X1, n, Value);
}

void SetAlphaRowImpl(TspColor* Dst, int Count, uint8_t Alpha) {
  const TspColor a = TspColor(Alpha) << 24;
  for (int i = 0; i < Count; ++i) Dst[i] = (Dst[i] & 0x00FFFFFF) | a;
}

void SetAlphaPixelRectImpl(TspColor* Bits, int RowWidth, int, uint8_t Alpha, int Y2, int X2, int Y1,
                           int X1) {
  const int n = X2 - X1 + 1;
  if (n <= 0 || Y2 - Y1 + 1 <= 0) return;
  for (int y = Y1; y <= Y2; ++y) SetAlphaRowImpl(Bits + ptrdiff_t(y) * RowWidth + X1, n, Alpha);
}

void KeyCopyRowImpl(const TspColor* Src, TspColor* Dst, int Count) {
  for (int i = 0; i < Count; ++i) {
    const TspColor s = Src[i];
    if ((s & 0x00FFFFFF) != TransparentKey) Dst[i] = s | 0xFF000000;
  }
}

}  // namespace

TspColor BlendPixelPlain(TspColor F, TspColor B) {
  const uint32_t a = F >> 24;
  if (a == 255) return F;
  if (a == 0) return B;
  const uint32_t na = 255 - a;
  // Red and blue share one product: each half stays below 65536.
  const uint32_t rb = (((F & 0x00FF00FF) * a + (B & 0x00FF00FF) * na) >> 8) & 0x00FF00FF;
  const uint32_t g = (((F & 0x0000FF00) >> 8) * a + ((B & 0x0000FF00) >> 8) * na) >> 8;
  return 0xFF000000 | rb | (g << 8);
}

TspColor BlendPixelMmx(TspColor F, TspColor B) {
  const uint32_t a = F >> 24, na = 256 - a;
  // Per channel F*a + B*(256 - a) lies in 0..65280, so red and blue share
  // one product without carrying; the alpha channel blends a with itself.
  const uint32_t rb = (((F & 0x00FF00FF) * a + (B & 0x00FF00FF) * na) >> 8) & 0x00FF00FF;
  const uint32_t g = (((F >> 8) & 0xFF) * a + ((B >> 8) & 0xFF) * na) >> 8;
  const uint32_t al = (a * a + (B >> 24) * na) >> 8;
  return rb | (g << 8) | (al << 24);
}

void BlendRowPlain(const TspColor* Src, TspColor* Dst, int Count) {
  for (int i = 0; i < Count; ++i) {
    const TspColor s = Src[i];
    const uint32_t a = s >> 24;
    if (a == 0) continue;
    Dst[i] = a == 255 ? s : BlendPixelPlain(s, Dst[i]);
  }
}

void BlendRowMmx(const TspColor* Src, TspColor* Dst, int Count) {
  for (int i = 0; i < Count; ++i) {
    const TspColor s = Src[i];
    const uint32_t a = s >> 24;
    if (a == 0) continue;
    Dst[i] = a == 255 ? s : BlendPixelMmx(s, Dst[i]);
  }
}

TCopyRow CopyRow = CopyRowImpl;
TFillRow FillRow = FillRowImpl;
TFillPixelRect FillPixelRect = FillPixelRectImpl;
TSetAlphaRow SetAlphaRow = SetAlphaRowImpl;
TSetAlphaPixelRect SetAlphaPixelRect = SetAlphaPixelRectImpl;
TKeyCopyRow KeyCopyRow = KeyCopyRowImpl;
TBlendPixel BlendPixel = BlendPixelPlain;
TBlendRow BlendRow = BlendRowPlain;
bool MmxEnabled = false;

bool HasMmx() {
#if defined(__x86_64__) || defined(__i386__)
  // CPUID itself is always present on x86-64.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const unsigned family = (eax >> 8) & 0xF;
  return family > 4 && (edx & (1u << 23)) != 0;
#else
  return false;
#endif
}

void InitPixelRoutines() {
  BlendPixel = MmxEnabled ? BlendPixelMmx : BlendPixelPlain;
  BlendRow = MmxEnabled ? BlendRowMmx : BlendRowPlain;
}

namespace {
// The imaging unit's start: the blend forms follow the processor once, before any drawing.
struct TPixelRoutinesStart {
  TPixelRoutinesStart() {
    MmxEnabled = HasMmx();
    InitPixelRoutines();
  }
} PixelRoutinesStart;
}  // namespace

