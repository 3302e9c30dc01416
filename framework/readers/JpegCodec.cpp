#include "framework/readers/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>

namespace {

// libjpeg reports errors by calling error_exit, which must not return; we
// jump back to the decoding function, whose frame holds no C++ objects that
// the jump could skip.
struct TJpegError {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX + 64];
};

void ErrorExit(j_common_ptr cinfo) {
  TJpegError* e = reinterpret_cast<TJpegError*>(cinfo->err);
  cinfo->err->format_message(cinfo, e->Message);
  longjmp(e->Jump, 1);
}

// A warning means a truncated or damaged file that libjpeg would patch up
// with grey; we refuse it instead.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) ErrorExit(cinfo);
}

// Progressive files may hold any number of scans, each a pass over the
// whole picture; real pictures have a handful.
void Progress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > 200) {
    TJpegError* e = reinterpret_cast<TJpegError*>(cinfo->err);
    std::snprintf(e->Message, sizeof e->Message, "too many scans");
    longjmp(e->Jump, 1);
  }
}

enum TDecodeStage { dsHeader, dsPixels };

struct TDecodeJob {
  const uint8_t* Data;
  size_t Size;
  TPixelImage* Image;
  TJpegInfo Info;
  TJpegError Error;
  bool Unsupported;
};

// Plain C data only in this frame: see ErrorExit.
bool RunDecode(TDecodeJob* job) {
  jpeg_decompress_struct cinfo;
  jpeg_progress_mgr progress;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&job->Error.Manager);
  job->Error.Manager.error_exit = ErrorExit;
  job->Error.Manager.emit_message = EmitMessage;
  job->Error.Message[0] = 0;
  job->Unsupported = false;
  if (setjmp(job->Error.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = Progress;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, job->Data, static_cast<unsigned long>(job->Size));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK ||
      (cinfo.num_components != 1 && cinfo.num_components != 3)) {
    std::snprintf(job->Error.Message, sizeof job->Error.Message, "CMYK and other colour spaces are not read");
    job->Unsupported = true;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > unsigned(kMaxImageDimension) ||
      cinfo.image_height > unsigned(kMaxImageDimension) ||
      int64_t(cinfo.image_width) * cinfo.image_height > kMaxImagePixels) {
    std::snprintf(job->Error.Message, sizeof job->Error.Message, "unacceptable picture size %u x %u",
                  cinfo.image_width, cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  job->Info.Grayscale = cinfo.num_components == 1;
  job->Info.Progressive = cinfo.progressive_mode != 0;
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  TPixelImage* image = job->Image;
  image->Width = int(cinfo.output_width);
  image->Height = int(cinfo.output_height);
  image->BitsPerPixel = 24;
  image->Pixels.assign(image->Stride() * size_t(image->Height), 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image->Row(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

struct TEncodeJob {
  TPixelView View;
  int Quality;
  bool Grayscale;
  unsigned char* Buffer;
  unsigned long Size;
  TJpegError Error;
};

bool RunEncode(TEncodeJob* job) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&job->Error.Manager);
  job->Error.Manager.error_exit = ErrorExit;
  job->Buffer = nullptr;
  job->Size = 0;
  if (setjmp(job->Error.Jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &job->Buffer, &job->Size);
  cinfo.image_width = JDIMENSION(job->View.Width);
  cinfo.image_height = JDIMENSION(job->View.Height);
  cinfo.input_components = job->View.BitsPerPixel == 32 ? 4 : 3;
  cinfo.in_color_space = job->View.BitsPerPixel == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  if (job->Grayscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&cinfo, job->Quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = job->View.Row(int(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

TPixelImage DecodeJpeg(const uint8_t* data, size_t size, TJpegInfo* info) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
    throw EInvalidGraphic("Invalid JPEG picture: the file does not start with a JPEG marker");
  TPixelImage image;
  TDecodeJob job{};
  job.Data = data;
  job.Size = size;
  job.Image = &image;
  if (!RunDecode(&job)) {
    if (job.Unsupported) throw EInvalidGraphic(std::string("Unsupported JPEG picture: ") + job.Error.Message);
    throw EInvalidGraphic(std::string("Invalid JPEG picture: ") + job.Error.Message);
  }
  if (info) *info = job.Info;
  return image;
}

std::vector<uint8_t> EncodeJpeg(const TPixelView& source, int quality, bool grayscale) {
  if (source.Width <= 0 || source.Height <= 0) throw EInvalidGraphic("Cannot save an empty JPEG picture");
  TPixelImage converted;
  TEncodeJob job{};
  job.View = source;
  if (source.BitsPerPixel != 24 && source.BitsPerPixel != 32) {
    converted = TPixelImage(source.Width, source.Height, 24);
    ConvertPixels(source, converted.View());
    job.View = converted.View();
  }
  job.Quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  job.Grayscale = grayscale;
  bool ok = RunEncode(&job);
  std::vector<uint8_t> out;
  if (ok) out.assign(job.Buffer, job.Buffer + job.Size);
  std::free(job.Buffer);
  if (!ok) throw EInvalidGraphic(std::string("Cannot write the JPEG picture: ") + job.Error.Message);
  return out;
}
