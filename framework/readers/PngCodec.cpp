#include "framework/readers/PngCodec.h"

#include <png.h>

#include <cstring>
#include <string>

namespace {

// Frees what the simplified libpng interface holds, on every way out.
struct TPngImageGuard {
  png_image Image;
  TPngImageGuard() {
    std::memset(&Image, 0, sizeof Image);
    Image.version = PNG_IMAGE_VERSION;
  }
  ~TPngImageGuard() { png_image_free(&Image); }
};

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace

TPixelImage DecodePng(const uint8_t* data, size_t size, TPngInfo* info) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // The signature and the header chunk come first in every PNG file.
  if (size < 33 || std::memcmp(data, kSignature, 8) != 0 || std::memcmp(data + 12, "IHDR", 4) != 0)
    throw EInvalidGraphic("Invalid PNG picture: the file does not start with a PNG header");
  int64_t width = BigEndian32(data + 16), height = BigEndian32(data + 20);
  int bitDepth = data[24], colorType = data[25];
  CheckImageSize(width, height, "Invalid PNG picture");

  // Deflate cannot pack more than 1032 bytes into one: a header that needs
  // more than that from the whole file is lying, and is refused before any
  // pixel memory is taken.
  int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
  uint64_t rawBytes = uint64_t(height) * (1 + (uint64_t(width) * channels * (bitDepth ? bitDepth : 1) + 7) / 8);
  if (rawBytes / 1032 > size)
    throw EInvalidGraphic("Invalid PNG picture: the file is too short for a " + std::to_string(width) + " x " +
                          std::to_string(height) + " picture");

  // libpng stops once it has the pixels; a file cut after them is still a
  // cut file, and the end chunk tells.
  static const uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  bool ended = false;
  for (size_t at = size - sizeof kEnd + 1; at-- > 33 && !ended;) ended = std::memcmp(data + at, kEnd, sizeof kEnd) == 0;
  if (!ended) throw EInvalidGraphic("Invalid PNG picture: the file is truncated (no end chunk)");

  TPngImageGuard guard;
  png_image& image = guard.Image;
  if (!png_image_begin_read_from_memory(&image, data, size))
    throw EInvalidGraphic(std::string("Invalid PNG picture: ") + image.message);
  if (int64_t(image.width) != width || int64_t(image.height) != height)
    throw EInvalidGraphic("Invalid PNG picture: inconsistent header");

  bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  TPixelImage result(int(width), int(height), alpha ? 32 : 24);
  result.HasAlpha = alpha;
  image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  if (!png_image_finish_read(&image, nullptr, result.Pixels.data(), png_int_32(result.Stride()), nullptr))
    throw EInvalidGraphic(std::string("Invalid PNG picture: ") + image.message);
  if (info) {
    info->ColorType = colorType;
    info->BitDepth = bitDepth;
    info->HasTransparency = alpha;
  }
  return result;
}

std::vector<uint8_t> EncodePng(const TPixelView& source, bool alpha) {
  if (source.Width <= 0 || source.Height <= 0) throw EInvalidGraphic("Cannot save an empty PNG picture");
  bool withAlpha = alpha && source.BitsPerPixel == 32;
  TPixelImage converted;
  TPixelView view = source;
  if (source.BitsPerPixel != (withAlpha ? 32 : 24)) {
    converted = TPixelImage(source.Width, source.Height, withAlpha ? 32 : 24);
    ConvertPixels(source, converted.View());
    view = converted.View();
  }
  TPngImageGuard guard;
  png_image& image = guard.Image;
  image.width = png_uint_32(view.Width);
  image.height = png_uint_32(view.Height);
  image.format = withAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  png_alloc_size_t bytes = 0;
  if (!png_image_write_to_memory(&image, nullptr, &bytes, 0, view.Bits, png_int_32(view.Stride), nullptr))
    throw EInvalidGraphic(std::string("Cannot write the PNG picture: ") + image.message);
  std::vector<uint8_t> out(bytes);
  if (!png_image_write_to_memory(&image, out.data(), &bytes, 0, view.Bits, png_int_32(view.Stride), nullptr))
    throw EInvalidGraphic(std::string("Cannot write the PNG picture: ") + image.message);
  out.resize(bytes);
  return out;
}
