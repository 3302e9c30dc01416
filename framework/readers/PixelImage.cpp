#include "framework/readers/PixelImage.h"

#include <cstring>
#include <limits>
#include <string>

size_t DibRowBytes(int width, int bitsPerPixel) {
  return ((static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) + 31) / 32) * 4;
}

void CheckImageSize(int64_t width, int64_t height, const char* what) {
  if (width <= 0 || height <= 0)
    throw EInvalidGraphic(std::string(what) + ": the picture has no pixels (" + std::to_string(width) +
                          " x " + std::to_string(height) + ")");
  if (width > kMaxImageDimension || height > kMaxImageDimension || width * height > kMaxImagePixels)
    throw EInvalidGraphic(std::string(what) + ": the picture is too large (" + std::to_string(width) +
                          " x " + std::to_string(height) + ")");
}

TPixelImage::TPixelImage(int width, int height, int bitsPerPixel)
    : Width(width), Height(height), BitsPerPixel(bitsPerPixel) {
  if (width < 0 || height < 0 || width > kMaxImageDimension || height > kMaxImageDimension ||
      int64_t(width) * height > kMaxImagePixels)
    throw EInvalidGraphic("Invalid picture size " + std::to_string(width) + " x " + std::to_string(height));
  Pixels.assign(Stride() * size_t(height), 0);
  if (bitsPerPixel <= 8) Palette = DefaultPalette(bitsPerPixel);
}

TPixelView TPixelImage::View() {
  TPixelView v;
  v.Bits = Pixels.data();
  v.Stride = static_cast<ptrdiff_t>(Stride());
  v.Width = Width;
  v.Height = Height;
  v.BitsPerPixel = BitsPerPixel;
  v.Rgb565 = Rgb565;
  v.Palette = Palette.data();
  v.PaletteSize = static_cast<int>(Palette.size());
  return v;
}

TPixelView TPixelImage::View() const { return const_cast<TPixelImage*>(this)->View(); }

uint32_t TPixelView::PixelARGB(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (BitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      unsigned index;
      if (BitsPerPixel == 8)
        index = row[x];
      else if (BitsPerPixel == 4)
        index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
      else
        index = (row[x >> 3] >> (7 - (x & 7))) & 1;
      uint32_t c = index < unsigned(PaletteSize) ? Palette[index] : 0;
      return 0xFF000000u | (c & 0xFFFFFF);
    }
    case 16: {
      unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
      unsigned r, g, b;
      if (Rgb565) {
        r = (v >> 11) & 31;
        g = (v >> 5) & 63;
        b = v & 31;
        g = (g << 2) | (g >> 4);
      } else {
        r = (v >> 10) & 31;
        g = (v >> 5) & 31;
        b = v & 31;
        g = (g << 3) | (g >> 2);
      }
      r = (r << 3) | (r >> 2);
      b = (b << 3) | (b >> 2);
      return 0xFF000000u | (r << 16) | (g << 8) | b;
    }
    case 24: {
      const uint8_t* p = row + x * 3;
      return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    default: {
      const uint8_t* p = row + x * 4;
      return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
  }
}

static int NearestIndex(const uint32_t* palette, int count, uint32_t rgb) {
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  for (int i = 0; i < count; ++i) {
    int dr = r - int((palette[i] >> 16) & 0xFF), dg = g - int((palette[i] >> 8) & 0xFF),
        db = b - int(palette[i] & 0xFF);
    long d = long(dr) * dr + long(dg) * dg + long(db) * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

void TPixelView::SetPixelARGB(int x, int y, uint32_t argb) const {
  uint8_t* row = Row(y);
  switch (BitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      unsigned index = PaletteSize > 0 ? unsigned(NearestIndex(Palette, PaletteSize, argb)) : 0;
      if (BitsPerPixel == 8) {
        row[x] = uint8_t(index);
      } else if (BitsPerPixel == 4) {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? uint8_t((b & 0xF0) | (index & 0xF)) : uint8_t((b & 0x0F) | ((index & 0xF) << 4));
      } else {
        uint8_t& b = row[x >> 3];
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        b = (index & 1) ? uint8_t(b | bit) : uint8_t(b & ~bit);
      }
      break;
    }
    case 16: {
      unsigned r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      unsigned v = Rgb565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                          : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      row[x * 2] = uint8_t(v);
      row[x * 2 + 1] = uint8_t(v >> 8);
      break;
    }
    case 24: {
      uint8_t* p = row + x * 3;
      p[0] = uint8_t(argb);
      p[1] = uint8_t(argb >> 8);
      p[2] = uint8_t(argb >> 16);
      break;
    }
    default: {
      uint8_t* p = row + x * 4;
      p[0] = uint8_t(argb);
      p[1] = uint8_t(argb >> 8);
      p[2] = uint8_t(argb >> 16);
      p[3] = uint8_t(argb >> 24);
      break;
    }
  }
}

void ConvertPixels(const TPixelView& source, const TPixelView& dest) {
  if (source.Width != dest.Width || source.Height != dest.Height)
    throw EInvalidGraphic("Pixel conversion between pictures of different sizes");
  bool sameLayout = source.BitsPerPixel == dest.BitsPerPixel &&
                    (source.BitsPerPixel != 16 || source.Rgb565 == dest.Rgb565) &&
                    (source.BitsPerPixel > 8 ||
                     (source.PaletteSize == dest.PaletteSize &&
                      std::memcmp(source.Palette, dest.Palette, sizeof(uint32_t) * source.PaletteSize) == 0));
  if (sameLayout) {
    size_t bytes = DibRowBytes(source.Width, source.BitsPerPixel);
    for (int y = 0; y < source.Height; ++y) std::memmove(dest.Row(y), source.Row(y), bytes);
    return;
  }
  for (int y = 0; y < source.Height; ++y) {
    for (int x = 0; x < source.Width; ++x) dest.SetPixelARGB(x, y, source.PixelARGB(x, y));
  }
}

std::vector<uint32_t> DefaultPalette(int bitsPerPixel) {
  std::vector<uint32_t> p;
  if (bitsPerPixel == 1) {
    p = {0x000000, 0xFFFFFF};
  } else if (bitsPerPixel == 4) {
    p = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
         0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  } else if (bitsPerPixel == 8) {
    // 3-3-2: index = RRRGGGBB, so 8-bit pictures map colours without a search.
    p.resize(256);
    for (int i = 0; i < 256; ++i) {
      unsigned r = (i >> 5) & 7, g = (i >> 2) & 7, b = i & 3;
      p[i] = ((r * 255 / 7) << 16) | ((g * 255 / 7) << 8) | (b * 255 / 3);
    }
  }
  return p;
}
