// 32-bit pixel rows: the inner loops of every skin drawing operation.
// Platform-neutral: compiled in the winelib build and in the host build.
#pragma once

#include <cstddef>
#include <cstdint>


// Bytes in memory: blue, green, red, alpha.
using TspColor = uint32_t;

// See-through pixel of a keyed bitmap, compared on the low 24 bits.
constexpr TspColor TransparentKey = 0x007F007F;

inline uint8_t AlphaOf(TspColor c) { return uint8_t(c >> 24); }

// The routine table. Filled once by InitPixelRoutines and read-only after.
using TCopyRow = void (*)(const TspColor* Src, TspColor* Dst, int Count);
using TFillRow = void (*)(TspColor* Dst, int Count, TspColor Value);
using TFillPixelRect = void (*)(TspColor* Bits, int RowWidth, int Height, TspColor Value,
                                int Y2, int X2, int Y1, int X1);
using TSetAlphaRow = void (*)(TspColor* Dst, int Count, uint8_t Alpha);
using TSetAlphaPixelRect = void (*)(TspColor* Bits, int RowWidth, int Height, uint8_t Alpha,
                                    int Y2, int X2, int Y1, int X1);
using TKeyCopyRow = void (*)(const TspColor* Src, TspColor* Dst, int Count);
using TBlendPixel = TspColor (*)(TspColor F, TspColor B);
using TBlendRow = void (*)(const TspColor* Src, TspColor* Dst, int Count);

extern TCopyRow CopyRow;
extern TFillRow FillRow;
extern TFillPixelRect FillPixelRect;
extern TSetAlphaRow SetAlphaRow;
extern TSetAlphaPixelRect SetAlphaPixelRect;
extern TKeyCopyRow KeyCopyRow;
extern TBlendPixel BlendPixel;
extern TBlendRow BlendRow;

extern bool MmxEnabled;

bool HasMmx();
void InitPixelRoutines();
// The blends are plain integer code on x86-64, so there is no MMX state to leave.
inline void EndMmx() {}

// Both blend forms, reachable directly (tests and benchmarks compare them).
TspColor BlendPixelPlain(TspColor F, TspColor B);
TspColor BlendPixelMmx(TspColor F, TspColor B);
void BlendRowPlain(const TspColor* Src, TspColor* Dst, int Count);
void BlendRowMmx(const TspColor* Src, TspColor* Dst, int Count);

