// Plain pixel buffers: what the picture readers decode into and what the
// bitmap class copies to and from its DIB section. No windows.h here: this
// is compiled in the host build too, under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/readers/Errors.h"

// Pictures larger than this are refused before any pixel memory is taken:
// a header can claim any size, the file has to back it up.
constexpr int kMaxImageDimension = 32767;
constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

// Rows of `BitsPerPixel` bits, laid out as in a DIB: 1, 4 and 8 bits index
// the palette, 16 bits are 5-5-5 (or 5-6-5 when Rgb565), 24 bits are B,G,R
// and 32 bits are B,G,R,A. Stride may be negative (bottom-up memory).
struct TPixelView {
  uint8_t* Bits = nullptr;  // first byte of row 0 (the top row)
  ptrdiff_t Stride = 0;
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 32;
  bool Rgb565 = false;
  const uint32_t* Palette = nullptr;  // 0x00RRGGBB entries
  int PaletteSize = 0;

  uint8_t* Row(int y) const { return Bits + y * Stride; }
  // 0xAARRGGBB of pixel (x, y); formats without alpha give alpha 255.
  uint32_t PixelARGB(int x, int y) const;
  void SetPixelARGB(int x, int y, uint32_t argb) const;
};

// Bytes of one DIB row: whole DWORDs.
size_t DibRowBytes(int width, int bitsPerPixel);
// Throws EInvalidGraphic unless width x height is a picture we accept.
void CheckImageSize(int64_t width, int64_t height, const char* what);

// An owned picture, rows top-down, each DibRowBytes long.
struct TPixelImage {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 32;
  bool Rgb565 = false;
  bool HasAlpha = false;  // 32 bits: the fourth byte carries meaning
  std::vector<uint32_t> Palette;
  std::vector<uint8_t> Pixels;

  TPixelImage() = default;
  TPixelImage(int width, int height, int bitsPerPixel);
  size_t Stride() const { return DibRowBytes(Width, BitsPerPixel); }
  uint8_t* Row(int y) { return Pixels.data() + size_t(y) * Stride(); }
  const uint8_t* Row(int y) const { return Pixels.data() + size_t(y) * Stride(); }
  bool Empty() const { return Width == 0 || Height == 0; }
  TPixelView View();
  TPixelView View() const;  // for reading only
};

// Copies every pixel of `source` into `dest` (same width and height),
// converting the format; into an indexed format each colour takes the
// nearest palette entry. Alpha is kept from 32 to 32 bits and set to 255
// when the source has none.
void ConvertPixels(const TPixelView& source, const TPixelView& dest);

// Palettes the bitmap class gives a new indexed picture.
std::vector<uint32_t> DefaultPalette(int bitsPerPixel);
