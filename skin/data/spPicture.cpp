#include "skin/data/spPicture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

void TspPicture::SetSize(int32_t w, int32_t h, uint32_t fill) {
  if (w <= 0 || h <= 0) {
    Width = Height = 0;
    Pixels.clear();
    return;
  }
  Width = w;
  Height = h;
  Pixels.assign(size_t(w) * size_t(h), fill);
}

static uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
static uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

namespace {
struct BmpLayout {
  uint32_t offBits = 0, headerSize = 0, compression = 0, colorsUsed = 0;
  int32_t width = 0, height = 0;
  uint16_t bpp = 0;
  bool topDown = false;
  size_t rowBytes = 0, fileLength = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
};

[[noreturn]] void Invalid() { throw EspInvalidGraphic("Bitmap image is not valid"); }

BmpLayout ParseBmp(const uint8_t* d, size_t size) {
  BmpLayout b;
  if (size < 14 + 12 || d[0] != 'B' || d[1] != 'M') Invalid();
  uint32_t bfSize = U32(d + 2);
  b.offBits = U32(d + 10);
  b.headerSize = U32(d + 14);
  if (b.headerSize == 12) {
    b.width = U16(d + 18);
    b.height = int16_t(U16(d + 20));
    b.bpp = U16(d + 24);
  } else if (b.headerSize >= 40 && b.headerSize <= 124) {
    if (size < 14 + size_t(b.headerSize)) Invalid();
    b.width = int32_t(U32(d + 18));
    b.height = int32_t(U32(d + 22));
    b.bpp = U16(d + 28);
    b.compression = U32(d + 30);
    b.colorsUsed = U32(d + 46);
  } else {
    Invalid();
  }
  if (b.height < 0) {
    if (b.height == INT32_MIN) Invalid();
    b.topDown = true;
    b.height = -b.height;
  }
  if (b.width <= 0 || b.height <= 0 || b.width > spMaxPictureSide || b.height > spMaxPictureSide) Invalid();
  if (b.bpp != 1 && b.bpp != 4 && b.bpp != 8 && b.bpp != 16 && b.bpp != 24 && b.bpp != 32) Invalid();
  if (b.compression == 3) {  // BI_BITFIELDS
    if (b.bpp != 16 && b.bpp != 32) Invalid();
    size_t at = 14 + 40;
    if (b.headerSize > 40) at = 14 + 40;  // masks live inside the larger headers
    if (size < at + 12) Invalid();
    for (int i = 0; i < 3; ++i) b.masks[i] = U32(d + at + 4 * i);
    if (b.headerSize >= 56 && size >= at + 16) b.masks[3] = U32(d + at + 12);
  } else if (b.compression != 0) {
    Invalid();
  } else if (b.bpp == 16) {
    b.masks[0] = 0x7C00; b.masks[1] = 0x03E0; b.masks[2] = 0x001F;
  }
  b.rowBytes = ((size_t(b.width) * b.bpp + 31) / 32) * 4;
  size_t pixelEnd = size_t(b.offBits) + b.rowBytes * size_t(b.height);
  if (b.offBits < 14 + b.headerSize) Invalid();
  // bfSize says where the next field of a packed stream starts; it must
  // cover the pixels, and nothing may lie past what we were given.
  b.fileLength = bfSize;
  if (b.fileLength < pixelEnd) Invalid();
  if (b.fileLength > size) Invalid();
  return b;
}

int MaskShift(uint32_t m) { int s = 0; while (m && !(m & 1)) { m >>= 1; ++s; } return s; }
uint32_t MaskBits(uint32_t m, uint32_t v) {
  if (!m) return 0;
  uint32_t x = (v & m) >> MaskShift(m);
  uint32_t top = m >> MaskShift(m);
  return top ? (x * 255 + top / 2) / top : 0;
}
}  // namespace

size_t spBmpImageLength(const uint8_t* data, size_t size) { return ParseBmp(data, size).fileLength; }

void TspPixelBudget::Take(int64_t w, int64_t h) {
  if (w > 0 && h > 0 && (w > FLeft || h > FLeft / w))
    throw EspInvalidGraphic("The skin's pictures hold more than " + std::to_string(spMaxSkinPixels) + " pixels");
  if (w > 0 && h > 0) FLeft -= w * h;
}

TspPicture spDecodeBmp(const uint8_t* d, size_t size, TspPixelBudget* budget) {
  BmpLayout b = ParseBmp(d, size);
  if (budget) budget->Take(b.width, b.height);
  TspPicture p;
  p.SetSize(b.width, b.height);
  std::vector<uint32_t> palette;
  if (b.bpp <= 8) {
    size_t entries = b.colorsUsed ? b.colorsUsed : (size_t(1) << b.bpp);
    if (entries > 256) Invalid();
    size_t entrySize = b.headerSize == 12 ? 3 : 4;
    size_t at = 14 + b.headerSize;
    if (at + entries * entrySize > b.offBits) entries = (b.offBits - at) / entrySize;
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = d + at + i * entrySize;
      palette.push_back(0xFF000000u | (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0]);
    }
    palette.resize(size_t(1) << b.bpp, 0xFF000000u);
  }
  bool alpha = false;
  for (int32_t y = 0; y < b.height; ++y) {
    const uint8_t* row = d + b.offBits + b.rowBytes * size_t(b.topDown ? y : b.height - 1 - y);
    uint32_t* out = &p.Pixels[size_t(y) * size_t(b.width)];
    for (int32_t x = 0; x < b.width; ++x) {
      uint32_t c;
      switch (b.bpp) {
        case 1: c = palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: c = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
        case 8: c = palette[row[x]]; break;
        case 16: {
          uint32_t v = U16(row + 2 * x);
          c = 0xFF000000u | (MaskBits(b.masks[0], v) << 16) | (MaskBits(b.masks[1], v) << 8) | MaskBits(b.masks[2], v);
          break;
        }
        case 24: c = 0xFF000000u | (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x]; break;
        default: {
          uint32_t v = U32(row + 4 * x);
          if (b.compression == 3)
            c = (MaskBits(b.masks[0], v) << 16) | (MaskBits(b.masks[1], v) << 8) | MaskBits(b.masks[2], v) |
                (b.masks[3] ? MaskBits(b.masks[3], v) << 24 : 0xFF000000u);
          else
            c = v;
          if ((c >> 24) != 0xFF) alpha = true;
        }
      }
      out[x] = c;
    }
  }
  p.HasAlpha = alpha && b.bpp == 32;
  return p;
}

static void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
static void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}

std::vector<uint8_t> spEncodeBmp(const TspPicture& p) {
  std::vector<uint8_t> v;
  if (p.Empty()) return v;
  int bpp = p.HasAlpha ? 32 : 24;
  size_t rowBytes = ((size_t(p.Width) * bpp + 31) / 32) * 4;
  size_t total = 54 + rowBytes * size_t(p.Height);
  v.reserve(total);
  v.push_back('B');
  v.push_back('M');
  Put32(v, uint32_t(total));
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, uint32_t(p.Width));
  Put32(v, uint32_t(p.Height));
  Put16(v, 1);
  Put16(v, uint16_t(bpp));
  Put32(v, 0);
  Put32(v, uint32_t(rowBytes * size_t(p.Height)));
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, 0);
  Put32(v, 0);
  for (int32_t y = p.Height - 1; y >= 0; --y) {
    size_t start = v.size();
    for (int32_t x = 0; x < p.Width; ++x) {
      uint32_t c = p.Pixel(x, y);
      v.push_back(uint8_t(c));
      v.push_back(uint8_t(c >> 8));
      v.push_back(uint8_t(c >> 16));
      if (bpp == 32) v.push_back(uint8_t(c >> 24));
    }
    while (v.size() - start < rowBytes) v.push_back(0);
  }
  return v;
}

namespace {
struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};
void JpegExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegSilent(j_common_ptr) {}
}  // namespace

TspPicture spDecodeJpeg(const uint8_t* data, size_t size, TspPixelBudget* budget) {
  // libjpeg reports errors by calling back; leave it by longjmp and raise
  // once the decompressor is destroyed. Nothing with a destructor lives
  // between setjmp and the calls below.
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegExit;
  err.mgr.output_message = JpegSilent;
  TspPicture* result = new TspPicture();
  std::vector<uint8_t>* row = new std::vector<uint8_t>();
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    delete result;
    delete row;
    throw EspInvalidGraphic("JPEG error");
  }
  jpeg_create_decompress(&cinfo);
  if (size == 0) JpegExit(reinterpret_cast<j_common_ptr>(&cinfo));
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), (unsigned long)size);
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.num_components != 1 && cinfo.num_components != 3) JpegExit(reinterpret_cast<j_common_ptr>(&cinfo));
  cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  if (cinfo.image_width > unsigned(spMaxPictureSide) || cinfo.image_height > unsigned(spMaxPictureSide))
    JpegExit(reinterpret_cast<j_common_ptr>(&cinfo));
  if (budget) {
    // The declared size goes against the skin's pixels before the
    // decompressor allocates its buffers for it.
    try {
      budget->Take(int64_t(cinfo.image_width), int64_t(cinfo.image_height));
    } catch (...) {
      jpeg_destroy_decompress(&cinfo);
      delete result;
      delete row;
      throw;
    }
  }
  jpeg_start_decompress(&cinfo);
  result->SetSize(int32_t(cinfo.output_width), int32_t(cinfo.output_height));
  row->resize(size_t(cinfo.output_width) * size_t(cinfo.output_components));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = row->data();
    size_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &r, 1);
    uint32_t* out = &result->Pixels[y * cinfo.output_width];
    for (size_t x = 0; x < cinfo.output_width; ++x) {
      if (cinfo.output_components == 1) {
        uint32_t g = (*row)[x];
        out[x] = 0xFF000000u | (g << 16) | (g << 8) | g;
      } else {
        const uint8_t* s = &(*row)[3 * x];
        out[x] = 0xFF000000u | (uint32_t(s[0]) << 16) | (uint32_t(s[1]) << 8) | s[2];
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  TspPicture p = std::move(*result);
  delete result;
  delete row;
  return p;
}

bool spIsJpegFileName(const std::string& name) {
  std::string n = AsciiLower(name);
  return n.find(".jpg") != std::string::npos || n.find(".jpeg") != std::string::npos;
}

bool spReadFileBytes(const std::string& nativePath, std::vector<uint8_t>& bytes) {
  std::ifstream f(nativePath, std::ios::binary | std::ios::ate);
  if (!f) return false;
  std::streamoff size = f.tellg();
  if (size < 0) return false;
  bytes.resize(size_t(size));
  f.seekg(0);
  return bool(f.read(reinterpret_cast<char*>(bytes.data()), size));
}

bool spWriteFileBytes(const std::string& nativePath, const std::vector<uint8_t>& bytes) {
  std::ofstream f(nativePath, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(f);
}

TspPicture spLoadPictureFile(const std::string& nativePath, const std::string& name, TspPixelBudget* budget) {
  std::vector<uint8_t> bytes;
  if (!spReadFileBytes(nativePath, bytes)) throw EspInvalidGraphic("Cannot open file \"" + name + "\"");
  // The bytes decide where they say what they are: a stored skin folder
  // holds BMP data under the JPEG names of the skin it was stored from, and
  // must load again. The name decides for anything else.
  bool bmp = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  bool jpeg = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
  if (jpeg || (!bmp && spIsJpegFileName(name))) return spDecodeJpeg(bytes.data(), bytes.size(), budget);
  return spDecodeBmp(bytes.data(), bytes.size(), budget);
}
