#include "framework/readers/BmpCodec.h"

#include <cstring>
#include <string>

namespace {

// Every field is read through this cursor: a read past the data raises.
struct TReader {
  const uint8_t* Data;
  size_t Size;
  void Need(uint64_t offset, uint64_t count, const char* what) const {
    if (offset > Size || count > Size - offset)
      throw EInvalidGraphic(std::string("Invalid bitmap: the file ends inside the ") + what);
  }
  uint16_t U16(size_t offset, const char* what) const {
    Need(offset, 2, what);
    return uint16_t(Data[offset] | (Data[offset + 1] << 8));
  }
  uint32_t U32(size_t offset, const char* what) const {
    Need(offset, 4, what);
    return uint32_t(Data[offset]) | (uint32_t(Data[offset + 1]) << 8) | (uint32_t(Data[offset + 2]) << 16) |
           (uint32_t(Data[offset + 3]) << 24);
  }
};

struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint64_t Max = 0;
  explicit TChannel(uint32_t mask) : Mask(mask) {
    if (!mask) return;
    while (!((mask >> Shift) & 1)) ++Shift;
    Max = mask >> Shift;
  }
  uint8_t Get(uint32_t pixel, uint8_t missing) const {
    if (!Mask) return missing;
    return uint8_t(uint64_t((pixel & Mask) >> Shift) * 255 / Max);
  }
};

constexpr uint32_t BI_RGB_ = 0, BI_RLE8_ = 1, BI_RLE4_ = 2, BI_BITFIELDS_ = 3, BI_ALPHABITFIELDS_ = 6;

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

TPixelImage DecodeBmp(const uint8_t* data, size_t size, size_t* consumed) {
  TReader in{data, size};
  in.Need(0, 14, "file header");
  if (data[0] != 'B' || data[1] != 'M') throw EInvalidGraphic("Invalid bitmap: the file is not a BMP file");
  uint32_t offBits = in.U32(10, "file header");
  uint32_t headerSize = in.U32(14, "bitmap header");
  const size_t header = 14;

  int64_t width, height;
  unsigned planes, bpp;
  uint32_t compression = BI_RGB_, colorsUsed = 0;
  size_t paletteEntrySize = 4;
  uint32_t masks[4] = {0, 0, 0, 0};
  bool haveMasks = false;
  size_t afterHeader;

  if (headerSize == 12) {
    width = in.U16(header + 4, "bitmap header");
    height = int16_t(in.U16(header + 6, "bitmap header"));
    planes = in.U16(header + 8, "bitmap header");
    bpp = in.U16(header + 10, "bitmap header");
    paletteEntrySize = 3;
    afterHeader = header + 12;
  } else if (headerSize >= 40 && headerSize <= 124) {
    in.Need(header, headerSize, "bitmap header");
    width = int32_t(in.U32(header + 4, "bitmap header"));
    height = int32_t(in.U32(header + 8, "bitmap header"));
    planes = in.U16(header + 12, "bitmap header");
    bpp = in.U16(header + 14, "bitmap header");
    compression = in.U32(header + 16, "bitmap header");
    colorsUsed = in.U32(header + 32, "bitmap header");
    afterHeader = header + headerSize;
    if (compression == BI_BITFIELDS_ || compression == BI_ALPHABITFIELDS_) {
      int count = compression == BI_ALPHABITFIELDS_ ? 4 : 3;
      if (headerSize >= 52) {
        for (int i = 0; i < 3; ++i) masks[i] = in.U32(header + 40 + 4 * i, "colour masks");
        if (headerSize >= 56) masks[3] = in.U32(header + 52, "colour masks");
      } else {
        for (int i = 0; i < count; ++i) masks[i] = in.U32(afterHeader + 4 * i, "colour masks");
        afterHeader += 4 * count;
      }
      haveMasks = true;
    } else if (headerSize >= 56) {
      masks[3] = in.U32(header + 52, "bitmap header");  // alpha mask of a V4/V5 header
    }
  } else {
    throw EInvalidGraphic("Invalid bitmap: unknown header size " + std::to_string(headerSize));
  }

  if (planes != 1) throw EInvalidGraphic("Invalid bitmap: " + std::to_string(planes) + " planes");
  if (compression == BI_RLE8_ || compression == BI_RLE4_)
    throw EInvalidGraphic("Unsupported bitmap: run-length compressed bitmaps are not read");
  if (compression != BI_RGB_ && compression != BI_BITFIELDS_ && compression != BI_ALPHABITFIELDS_)
    throw EInvalidGraphic("Unsupported bitmap: compression " + std::to_string(compression));
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw EInvalidGraphic("Invalid bitmap: " + std::to_string(bpp) + " bits per pixel");
  if (haveMasks && bpp != 16 && bpp != 32)
    throw EInvalidGraphic("Invalid bitmap: colour masks with " + std::to_string(bpp) + " bits per pixel");

  bool topDown = height < 0;
  if (topDown) height = -height;
  CheckImageSize(width, height, "Invalid bitmap");

  TPixelImage image;
  image.Width = int(width);
  image.Height = int(height);

  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    uint32_t full = 1u << bpp;
    uint32_t count = colorsUsed ? colorsUsed : full;
    if (count > full)
      throw EInvalidGraphic("Invalid bitmap: " + std::to_string(count) + " palette entries for " +
                            std::to_string(bpp) + " bits per pixel");
    in.Need(afterHeader, uint64_t(count) * paletteEntrySize, "palette");
    palette.assign(full, 0);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = data + afterHeader + i * paletteEntrySize;
      palette[i] = (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
    }
    afterHeader += size_t(count) * paletteEntrySize;
  }

  size_t rowBytes = DibRowBytes(image.Width, int(bpp));
  size_t pixelOffset = offBits ? offBits : afterHeader;
  if (pixelOffset < 14 + headerSize) throw EInvalidGraphic("Invalid bitmap: the pixels overlap the header");
  in.Need(pixelOffset, uint64_t(rowBytes) * uint64_t(height), "pixels");
  const uint8_t* pixels = data + pixelOffset;
  if (consumed) *consumed = pixelOffset + rowBytes * size_t(height);
  auto sourceRow = [&](int y) { return pixels + rowBytes * size_t(topDown ? y : image.Height - 1 - y); };

  // Which layout the rows keep; anything unusual is unpacked into 32 bits.
  int outBpp = int(bpp);
  bool generic = false;
  if (bpp == 16) {
    if (!haveMasks || (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F)) {
      image.Rgb565 = false;
    } else if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
      image.Rgb565 = true;
    } else {
      generic = true;
      outBpp = 32;
    }
  } else if (bpp == 32 && haveMasks &&
             !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF &&
               (masks[3] == 0 || masks[3] == 0xFF000000u))) {
    generic = true;
  }
  image.BitsPerPixel = outBpp;
  image.Palette = palette;
  image.Pixels.assign(image.Stride() * size_t(image.Height), 0);

  if (!generic) {
    for (int y = 0; y < image.Height; ++y) std::memcpy(image.Row(y), sourceRow(y), rowBytes);
    if (bpp == 32) {
      for (int y = 0; y < image.Height && !image.HasAlpha; ++y) {
        const uint8_t* r = image.Row(y);
        for (int x = 0; x < image.Width; ++x)
          if (r[x * 4 + 3]) {
            image.HasAlpha = true;
            break;
          }
      }
    }
    return image;
  }

  TChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  image.HasAlpha = masks[3] != 0;
  for (int y = 0; y < image.Height; ++y) {
    const uint8_t* s = sourceRow(y);
    uint8_t* d = image.Row(y);
    for (int x = 0; x < image.Width; ++x) {
      uint32_t v = bpp == 16 ? uint32_t(s[2 * x] | (s[2 * x + 1] << 8))
                             : uint32_t(s[4 * x]) | (uint32_t(s[4 * x + 1]) << 8) |
                                   (uint32_t(s[4 * x + 2]) << 16) | (uint32_t(s[4 * x + 3]) << 24);
      d[4 * x] = blue.Get(v, 0);
      d[4 * x + 1] = green.Get(v, 0);
      d[4 * x + 2] = red.Get(v, 0);
      d[4 * x + 3] = alpha.Get(v, 255);
    }
  }
  return image;
}

TPixelImage DecodeDib(const uint8_t* data, size_t size) {
  // A file header whose pixel offset 0 means "right after the colours".
  std::vector<uint8_t> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  file.insert(file.end(), data, data + size);
  return DecodeBmp(file.data(), file.size());
}

std::vector<uint8_t> EncodeBmp(const TPixelView& image) {
  if (image.Width <= 0 || image.Height <= 0) throw EInvalidGraphic("Cannot save an empty bitmap");
  int bpp = image.BitsPerPixel;
  bool masks = bpp == 16 && image.Rgb565;
  uint32_t paletteCount = bpp <= 8 ? (1u << bpp) : 0;
  size_t rowBytes = DibRowBytes(image.Width, bpp);
  uint32_t headerBytes = 14 + 40 + (masks ? 12 : 0) + paletteCount * 4;
  uint64_t total = headerBytes + uint64_t(rowBytes) * uint64_t(image.Height);
  if (total > 0xFFFFFFFFu) throw EInvalidGraphic("The bitmap is too large for a BMP file");

  std::vector<uint8_t> out;
  out.reserve(size_t(total));
  out.push_back('B');
  out.push_back('M');
  Put32(out, uint32_t(total));
  Put32(out, 0);
  Put32(out, headerBytes);
  Put32(out, 40);
  Put32(out, uint32_t(image.Width));
  Put32(out, uint32_t(image.Height));
  Put16(out, 1);
  Put16(out, unsigned(bpp));
  Put32(out, masks ? BI_BITFIELDS_ : BI_RGB_);
  Put32(out, uint32_t(rowBytes * size_t(image.Height)));
  Put32(out, 3780);  // 96 dpi
  Put32(out, 3780);
  Put32(out, paletteCount);
  Put32(out, 0);
  if (masks) {
    Put32(out, 0xF800);
    Put32(out, 0x07E0);
    Put32(out, 0x001F);
  }
  for (uint32_t i = 0; i < paletteCount; ++i)
    Put32(out, i < uint32_t(image.PaletteSize) ? (image.Palette[i] & 0xFFFFFF) : 0);
  for (int y = image.Height - 1; y >= 0; --y) {
    const uint8_t* row = image.Row(y);
    out.insert(out.end(), row, row + rowBytes);
  }
  return out;
}
