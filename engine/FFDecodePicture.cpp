// TFFDecoder: stream selection, seeking and picture decoding.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "engine/FFText.h"
#include "framework/Graphics.h"

namespace {

constexpr AVRational kMicro{1, 1000000};

// Single pictures: the "image2" demuxer, and the picture demuxers
// ("png_pipe", "jpeg_pipe", ...) that the library now picks for one file.
bool IsImage2(const AVFormatContext* ctx) {
  if (!ctx->iformat || !ctx->iformat->name) return false;
  const std::string name = ctx->iformat->name;
  if (strcasecmp(name.c_str(), "image2") == 0) return true;
  return name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0;
}

// The vertical low-pass that blends the two fields of an 8-bit planar
// picture: even rows stay, odd rows become (-a + 4b + 2c + 4d - e) / 8 of
// their neighbourhood.
bool DeinterlacePlanes(const AVFrame* src, uint8_t* const dst[4], const int dstLines[4], int width, int height) {
  const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(src->format));
  if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM)) ||
      !(desc->flags & AV_PIX_FMT_FLAG_PLANAR) || desc->comp[0].depth != 8 || desc->nb_components < 3 ||
      (height & 3) != 0)
    return false;
  for (int p = 0; p < 3; ++p) {
    const int w = p == 0 ? width : AV_CEIL_RSHIFT(width, desc->log2_chroma_w);
    const int h = p == 0 ? height : AV_CEIL_RSHIFT(height, desc->log2_chroma_h);
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = src->data[p] + static_cast<ptrdiff_t>(y) * src->linesize[p];
      uint8_t* out = dst[p] + static_cast<ptrdiff_t>(y) * dstLines[p];
      if ((y & 1) == 0) {
        std::memcpy(out, row, static_cast<size_t>(w));
        continue;
      }
      auto line = [&](int yy) {
        yy = std::clamp(yy, 0, h - 1);
        return src->data[p] + static_cast<ptrdiff_t>(yy) * src->linesize[p];
      };
      const uint8_t *a = line(y - 2), *b = line(y - 1), *c = row, *d = line(y + 1), *e = line(y + 2);
      for (int x = 0; x < w; ++x) {
        const int sum = -a[x] + 4 * b[x] + 2 * c[x] + 4 * d[x] - e[x];
        out[x] = static_cast<uint8_t>(std::clamp((sum + 4) >> 3, 0, 255));
      }
    }
  }
  return true;
}

}  // namespace

TFFDecoder::TFFDecoder(TComponent* owner)
    : TCustomDecoder(owner), FFormatConv(std::make_unique<TFormatConverter>()) {}

TFFDecoder::~TFFDecoder() {
  CloseFile();
  if (FPicture.Buffer) ff::av_free(FPicture.Buffer);
  if (FDeintBuf) ff::av_free(FDeintBuf);
  if (FDecodedAudioBuffer) ff::av_free(FDecodedAudioBuffer);
  if (FResampledAudioBuffer) ff::av_free(FResampledAudioBuffer);
  if (FFrame) ff::av_frame_free(&FFrame);
  if (FAudioDecodedFrame) ff::av_frame_free(&FAudioDecodedFrame);
  if (FPacket) ff::av_packet_free(&FPacket);
}

void TFFDecoder::CloseFile() {
  FSeekIndex = -1;
  FDesireVideoIndex = -1;
  FFrameRate = AVRational{0, 0};
  FEOF = FEOFpkt = false;
  ResetPicture();
  FLastPTS = AV_NOPTS_VALUE;
  FDesireAudioIndex = -1;
  ResetWave();
  FResampleChannels = FResampleSampleRate = FResampleSampleFormat = -1;
  FAudioChannelLayout = 0;
  FreeConverter();
  FRemainsAudioSize = 0;
  if (FCodec) ff::avcodec_free_context(&FCodec);
  FCodecIndex = -1;
  if (FAudioCodec) ff::avcodec_free_context(&FAudioCodec);
  FAudioCodecIndex = -1;
  TCustomDecoder::CloseFile();
}

void TFFDecoder::ResetPicture() {
  if (FPicture.PTS != AV_NOPTS_VALUE) FLastPTS = FPicture.PTS;
  FPicture.PixFmt = -1;
  FPicture.Width = FPicture.Height = -1;
  FPicture.IsKeyFrame = false;
  FPicture.PictureType = 0;
  FPicture.PTS = FPicture.OriginalDTS = FPicture.OriginalPTS = AV_NOPTS_VALUE;
  FPicture.StreamIndex = -1;
  FPicture.Position = -1;
  FPicture.Ready = false;
}

int64_t TFFDecoder::StreamToMicro(int index, int64_t ts) const {
  const AVStream* st = FFileHandle->streams[index];
  if (st->start_time != AV_NOPTS_VALUE) ts -= st->start_time;
  return ff::av_rescale_q(ts, st->time_base, kMicro);
}

bool TFFDecoder::SeekableCheck() {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), false;
  if (!OwnHandle()) {
    SetError(AV_LOG_WARNING, "file cannot be seeked, handle is readonly.");
    throw Exception(FLastErrMsg);
  }
  return true;
}

int TFFDecoder::SelectVideoStream(int streamIndex) {
  if (!SeekableCheck()) return -1;
  const int index = TypedStreamIndex(streamIndex, FDesireVideoIndex >= 0 ? FDesireVideoIndex : FFirstVideoStreamIndex,
                                     AVMEDIA_TYPE_VIDEO, "video");
  if (index < 0) return -1;
  if (index != FDesireVideoIndex) {
    ResetPicture();
    FFrameRate = ChooseFrameRate(index);
  }
  FDesireVideoIndex = index;
  FSeekIndex = index;
  return index;
}

// The rate the stream's decoder names from its own headers, read from a
// decoder opened for the look only; 0/1 when it names none.
static AVRational DecoderFrameRate(const AVStream* st) {
  AVRational rate{0, 1};
  const AVCodec* codec = ff::avcodec_find_decoder(st->codecpar->codec_id);
  if (!codec) return rate;
  AVCodecContext* ctx = ff::avcodec_alloc_context3(codec);
  if (ctx && ff::avcodec_parameters_to_context(ctx, st->codecpar) >= 0 &&
      (ctx->pkt_timebase = st->time_base, ff::avcodec_open2(ctx, codec, nullptr)) >= 0 && ctx->framerate.num > 0 &&
      ctx->framerate.den > 0)
    rate = ctx->framerate;
  if (ctx) ff::avcodec_free_context(&ctx);
  return rate;
}

AVRational TFFDecoder::ChooseFrameRate(int index) {
  const AVStream* st = FFileHandle->streams[index];
  if (st->avg_frame_rate.num && st->avg_frame_rate.den) return st->avg_frame_rate;
  const AVRational base = st->r_frame_rate;
  const AVRational codec = DecoderFrameRate(st);
  if (av_cmp_q(codec, base) == 0) return codec;
  GlobalLogger()->Log(
      this, llInfo,
      PrintfText("Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                 index, codec.den ? av_q2d(codec) : 0.0, codec.num, codec.den, base.den ? av_q2d(base) : 0.0,
                 base.num, base.den));
  return base;
}

bool TFFDecoder::OpenVideoDecoder(int index) {
  const AVCodecParameters* par = FFileHandle->streams[index]->codecpar;
  if (par->width == 0 || par->height == 0) return SetError(AV_LOG_ERROR, "frame size of codec is invalid."), false;
  if (FCodec && FCodecIndex == index) return true;
  if (FCodec) ff::avcodec_free_context(&FCodec);
  FCodecIndex = -1;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  if (!codec) {
    SetError(AV_LOG_ERROR,
             PrintfText("Unsupported codec (id=%d) for input file stream #%d", static_cast<int>(par->codec_id), index));
    return false;
  }
  FCodec = ff::avcodec_alloc_context3(codec);
  if (!FCodec || ff::avcodec_parameters_to_context(FCodec, par) < 0 ||
      (FCodec->pkt_timebase = FFileHandle->streams[index]->time_base, ff::avcodec_open2(FCodec, codec, nullptr)) < 0) {
    if (FCodec) ff::avcodec_free_context(&FCodec);
    SetError(AV_LOG_ERROR, PrintfText("Error while opening codec for input file stream #%d", index));
    return false;
  }
  FCodecIndex = index;
  return true;
}

bool TFFDecoder::Seek(int64_t pts, TSeekFlags seekFlags) {
  if (!SeekableCheck()) return false;
  if (IsImage2(FFileHandle)) return SetError(AV_LOG_INFO, "\"image2\" format cannot to be seeked."), false;
  AVFormatContext* ctx = FFileHandle;
  if (ctx->pb)
    SetError(AV_LOG_DEBUG, PrintfText("current position %" PRId64 " bytes", ff::avio_seek(ctx->pb, 0, SEEK_CUR)));

  int64_t ts = pts;
  const bool videoSeek = FSeekIndex >= 0 && ctx->streams[FSeekIndex]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
  // Half a frame before the start, so that the first picture is found.
  if (pts == 0 && FFrameRate.den != 0 && videoSeek) ts = -(FrameDuration() / 2);
  if (!(seekFlags & SeekFlag(sfByte))) {
    int64_t start;
    if (FSeekIndex < 0) {
      start = ctx->start_time;
    } else {
      const AVStream* st = ctx->streams[FSeekIndex];
      ts = ff::av_rescale_q(ts, kMicro, st->time_base);
      start = st->start_time;
    }
    if (start != AV_NOPTS_VALUE) ts += start;
  }

  if (FCodec) ff::avcodec_flush_buffers(FCodec);
  if (FAudioCodec) ff::avcodec_flush_buffers(FAudioCodec);
  FEOF = FEOFpkt = false;
  ResetPicture();
  ResetWave();
  FRemainsAudioSize = 0;

  const int flags = SeekFlagsToAV(seekFlags);
  FLastRead = ff::av_gettime_relative();
  // Without the backward flag an indexed file seeks to the key frame at or
  // after the time; the range call of the newer demuxers is asked first.
  int r = -1;
  if (ctx->iformat->read_seek2) r = ff::avformat_seek_file(ctx, FSeekIndex, INT64_MIN, ts, INT64_MAX, flags);
  if (r < 0) r = ff::av_seek_frame(ctx, FSeekIndex, ts, flags);
  if (r < 0) r = ff::av_seek_frame(ctx, FSeekIndex, ts, flags ^ AVSEEK_FLAG_BACKWARD);
  FLastRead = INT64_MAX;
  if (r < 0) {
    if (seekFlags & SeekFlag(sfByte))
      SetError(AV_LOG_ERROR, PrintfText("could not seek to position %" PRId64 " bytes", pts));
    else
      SetError(AV_LOG_ERROR, PrintfText("could not seek to position %0.3f seconds", pts / 1000000.0));
    return false;
  }
  if (ctx->pb)
    SetError(AV_LOG_DEBUG, PrintfText("seek to position %" PRId64 " bytes", ff::avio_seek(ctx->pb, 0, SEEK_CUR)));
  return true;
}

bool TFFDecoder::StorePicture(const AVFrame* frame) {
  const AVPixelFormat fmt = static_cast<AVPixelFormat>(frame->format);
  const int w = frame->width, h = frame->height;
  const uint8_t* const* planes = frame->data;
  const int* lines = frame->linesize;

  const int needed = ff::av_image_get_buffer_size(fmt, w, h, 1);
  if (needed < 0) return SetError(AV_LOG_ERROR, FormatAVError("picture", needed)), false;
  if (FPicture.Size < needed) {
    if (FPicture.Buffer) ff::av_free(FPicture.Buffer);
    FPicture.Size = 0;
    FPicture.Buffer = static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(needed)));
    if (!FPicture.Buffer) return SetError(AV_LOG_ERROR, "Out of memory in Decode"), false;
    FPicture.Size = needed;
  }

  // A field-blended copy replaces the decoded planes when asked for.
  uint8_t* deint[4] = {};
  int deintLines[4] = {};
  if (Deinterlace) {
    if (FDeintSize < needed) {
      if (FDeintBuf) ff::av_free(FDeintBuf);
      FDeintSize = 0;
      FDeintBuf = static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(needed)));
      if (FDeintBuf) FDeintSize = needed;
    }
    if (!FDeintBuf) {
      GlobalLogger()->Log(this, llError, "deinterlace buffer malloc error.");
      Deinterlace = false;
    } else {
      ff::av_image_fill_arrays(deint, deintLines, FDeintBuf, fmt, w, h, 1);
      if (DeinterlacePlanes(frame, deint, deintLines, w, h)) {
        planes = deint;
        lines = deintLines;
      } else {
        GlobalLogger()->Log(this, llError, "deinterlacing failed.");
        Deinterlace = false;
      }
    }
  }

  FPicture.PixFmt = fmt;
  FPicture.Width = w;
  FPicture.Height = h;
  FPicture.IsKeyFrame = frame->key_frame == 1;
  FPicture.PictureType = frame->pict_type;

  int64_t raw = frame->best_effort_timestamp;
  if (raw == AV_NOPTS_VALUE) raw = frame->pkt_dts;
  if (raw == AV_NOPTS_VALUE) raw = frame->pts;
  int64_t extrapolated = AV_NOPTS_VALUE;
  if (raw == AV_NOPTS_VALUE && FEOFpkt && FPicture.PTS != AV_NOPTS_VALUE && FLastPTS != AV_NOPTS_VALUE)
    extrapolated = 2 * FPicture.PTS - FLastPTS;
  if (FPicture.PTS != AV_NOPTS_VALUE) FLastPTS = FPicture.PTS;
  if (raw == AV_NOPTS_VALUE) {
    FPicture.PTS = extrapolated;
  } else {
    FPicture.PTS = StreamToMicro(FDesireVideoIndex, raw);
    GlobalLogger()->Log(this, llDebug, PrintfText("decode PTS: %0.3f", FPicture.PTS / 1000000.0));
  }
  FPicture.OriginalDTS = frame->pkt_dts;
  FPicture.OriginalPTS = frame->pts;
  FPicture.StreamIndex = FDesireVideoIndex;
  FPicture.Position = frame->pkt_pos;

  ff::av_image_fill_arrays(FPicture.Picture.data, FPicture.Picture.linesize, FPicture.Buffer, fmt, w, h, 1);
  ff::av_image_copy(FPicture.Picture.data, FPicture.Picture.linesize, const_cast<const uint8_t**>(planes), lines,
                    fmt, w, h);
  FPicture.Ready = true;
  return true;
}

bool TFFDecoder::Decode(int streamIndex) {
  const int index = SelectVideoStream(streamIndex);
  if (index < 0) return false;
  if (FPicture.Ready && IsImage2(FFileHandle)) return true;
  if (FEOF && FEOFpkt) return SetError(AV_LOG_INFO, "stream eof reached."), false;
  if (!OpenVideoDecoder(index)) return false;
  if (!FFrame) FFrame = ff::av_frame_alloc();
  if (!FPacket) FPacket = ff::av_packet_alloc();
  if (!FFrame || !FPacket) return SetError(AV_LOG_ERROR, "Out of memory in Decode"), false;

  for (;;) {
    // Pictures the decoder already holds come first, one per call.
    ff::av_frame_unref(FFrame);
    const int got = ff::avcodec_receive_frame(FCodec, FFrame);
    if (got == 0) {
      GlobalLogger()->Log(this, llDebug,
                          PrintfText("pkt.st_idx=%d, dts=%" PRId64 ", pts=%" PRId64 ", flags=%d, pict_type=%d(%s)",
                                     index, FFrame->pkt_dts, FFrame->pts, FFrame->key_frame ? AV_PKT_FLAG_KEY : 0,
                              static_cast<int>(FFrame->pict_type), PictureTypeText(FFrame->pict_type).c_str()));
      const bool ok = StorePicture(FFrame);
      ff::av_frame_unref(FFrame);
      return ok;
    }

    FLastRead = ff::av_gettime_relative();
    const int r = ff::av_read_frame(FFileHandle, FPacket);
    FLastRead = INT64_MAX;
    if (r < 0) {
      if (r == AVERROR(EAGAIN)) return SetError(AV_LOG_INFO, "no data, please try again."), false;
      if (FEOFpkt) return ReadFailedAfterDrain(r);
      // The first failure: what the decoder holds comes out, one picture per call.
      FEOFpkt = true;
      ff::avcodec_send_packet(FCodec, nullptr);
      continue;
    }
    if (FEOFpkt) {
      // The input gives packets again after a failed read: decode on.
      ff::avcodec_flush_buffers(FCodec);
      FEOFpkt = false;
    }
    if (FPacket->stream_index != index) {
      ff::av_packet_unref(FPacket);
      continue;
    }
    const int sent = ff::avcodec_send_packet(FCodec, FPacket);
    if (sent < 0 && sent != AVERROR(EAGAIN))
      GlobalLogger()->Log(this, llDebug, FormatAVError(PrintfText("Error while decoding stream #%d", index), sent));
    ff::av_packet_unref(FPacket);
  }
}

bool TFFDecoder::DecodeNextKeyFrame(int streamIndex) {
  if (SelectVideoStream(streamIndex) < 0) return false;
  const int64_t d = FrameDuration();
  const int64_t target = (FPicture.PTS != AV_NOPTS_VALUE && FPicture.PTS > 0) ? d + FPicture.PTS : d;
  return Seek(target) && Decode(streamIndex);
}

bool TFFDecoder::DecodePreviousKeyFrame(int streamIndex) {
  if (SelectVideoStream(streamIndex) < 0) return false;
  const int64_t d = FrameDuration();
  int64_t ref = 0;
  if (FPicture.PTS != AV_NOPTS_VALUE)
    ref = FPicture.PTS;
  else if (FLastPTS != AV_NOPTS_VALUE)
    ref = FLastPTS;
  else if (FFileHandle->duration != AV_NOPTS_VALUE)
    ref = FFileHandle->duration;
  AVIOContext* pb = FFileHandle->pb;
  const int64_t start = pb ? ff::avio_seek(pb, 0, SEEK_CUR) : -1;
  for (int64_t k = 1;; ++k) {
    const int64_t back = k * d;
    const int64_t previous = pb ? ff::avio_seek(pb, 0, SEEK_CUR) : -1;
    Seek(ref - back, SeekFlag(sfBackward));
    if (pb) {
      const int64_t pos = ff::avio_seek(pb, 0, SEEK_CUR);
      if (pos >= start && start > 0 && pos != previous && back <= ref) continue;
    }
    if (Decode(streamIndex)) {
      if (FPicture.PTS < ref || FPicture.PTS <= 0 || (FPicture.PTS == ref && back > ref)) return true;
      // A seek that keeps landing at or after the reference below the start
      // of the file would go on for ever.
      if (back > ref + 2 * d) break;
    } else if (back > ref || FEOF) {
      break;
    }
  }
  FLastErrMsg = "Could not seek to the previous key-frame. " + FLastErrMsg;
  return false;
}

bool TFFDecoder::DecodePreviousFrame(int streamIndex) {
  if (SelectVideoStream(streamIndex) < 0) return false;
  const int64_t d = FrameDuration();
  int64_t base = 0;
  if (FPicture.PTS != AV_NOPTS_VALUE)
    base = FPicture.PTS;
  else if (FLastPTS != AV_NOPTS_VALUE)
    base = FLastPTS;
  const int64_t target = base - 2 * d;
  if (!DecodePreviousKeyFrame(streamIndex)) return false;
  for (;;) {
    if (FPicture.PTS > target) return true;
    if (!Decode(streamIndex)) return false;
    if (FPicture.PTS == base && DecodePreviousKeyFrame(streamIndex)) return true;
  }
}

int TFFDecoder::BitmapBitsPixel() const { return FFormatConv->BitsPixel(); }

void TFFDecoder::SetBitmapBitsPixel(int bits) { FFormatConv->SetBitsPixel(bits); }

bool TFFDecoder::CopyToBitmap(TBitmap* bitmap) {
  if (!FPicture.Ready) return SetError(AV_LOG_ERROR, "picture not ready, please decode first"), false;
  const int w = FPicture.Width, h = FPicture.Height;
  // Indexed pictures need the converter's palette: they go through its bitmap.
  const bool direct = FFormatConv->BitsPixel() > 8;
  if (!FFormatConv->PictureToRGB(&FPicture.Picture, static_cast<AVPixelFormat>(FPicture.PixFmt), !direct, h, w)) {
    bitmap->SetSize(w, h);
    bitmap->Canvas()->Brush()->SetStyle(bsSolid);
    bitmap->Canvas()->Brush()->SetColor(clBlack);
    bitmap->Canvas()->FillRect(Rect(0, 0, w, h));
    SetError(AV_LOG_ERROR, FFormatConv->LastErrMsg());
    return false;
  }
  if (!direct) {
    bitmap->Assign(FFormatConv->Bitmap());
    return true;
  }
  // The same pixels as assigning the converter's bitmap, written straight
  // into the caller's rows: a thumbnail needs no second section and copy.
  const TAVPicture* rgb = FFormatConv->RGBPictureRef();
  bitmap->SetPixelFormat(FFormatConv->BMPPixFmt());
  bitmap->SetSize(w, h);
  const size_t rowBytes = static_cast<size_t>(w) * (FFormatConv->BitsPixel() / 8);
  for (int r = 0; r < h; ++r)
    std::memcpy(bitmap->ScanLine(r), rgb->data[0] + static_cast<ptrdiff_t>(r) * rgb->linesize[0], rowBytes);
  return true;
}

const TDIBInfo* TFFDecoder::GetBitmapPtr() {
  if (!FPicture.Ready) return SetError(AV_LOG_ERROR, "picture not ready, please decode first"), nullptr;
  if (!FFormatConv->PictureToRGB(&FPicture.Picture, static_cast<AVPixelFormat>(FPicture.PixFmt), false,
                                 FPicture.Height, FPicture.Width)) {
    SetError(AV_LOG_ERROR, FFormatConv->LastErrMsg());
    return nullptr;
  }
  return FFormatConv->DIB();
}

int64_t TFFDecoder::Position() {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), -1;
  if (!FFileHandle->pb) return SetError(AV_LOG_WARNING, "cannot get position"), -1;
  return ff::avio_seek(FFileHandle->pb, 0, SEEK_CUR);
}
