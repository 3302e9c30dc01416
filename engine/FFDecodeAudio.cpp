// TFFDecoder: audio decoding into one output format.
#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "engine/FFText.h"
#include "engine/SwResampleStubs.h"

namespace {

const char* SampleFormatName(int fmt) {
  const char* name = fmt >= 0 ? ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(fmt)) : nullptr;
  return name ? name : "none";
}

// Grows an av_malloc buffer to at least `size` bytes, keeping its contents.
bool GrowBuffer(uint8_t*& buffer, unsigned& capacity, int64_t size) {
  if (size <= capacity) return true;
  if (size > INT_MAX) return false;
  const int64_t wanted = std::max<int64_t>(size, int64_t{capacity} * 3 / 2);
  void* grown = ff::av_realloc(buffer, static_cast<size_t>(std::min<int64_t>(wanted, INT_MAX)));
  if (!grown) return false;
  buffer = static_cast<uint8_t*>(grown);
  capacity = static_cast<unsigned>(std::min<int64_t>(wanted, INT_MAX));
  return true;
}

}  // namespace

void TFFDecoder::ResetWave() {
  FWaveInfo = TWaveInfo();
}

void TFFDecoder::FreeConverter() {
  if (FAudioSwrCtx) ff::swr_free(&FAudioSwrCtx);
}

void TFFDecoder::SetDesireAudioChannels(int channels) {
  if (channels == FDesireAudioChannels) return;
  FDesireAudioChannels = channels;
  FreeConverter();
}

void TFFDecoder::SetDesireAudioSampleRate(int rate) {
  if (rate == FDesireAudioSampleRate) return;
  FDesireAudioSampleRate = rate;
  FreeConverter();
}

int TFFDecoder::SelectAudioStream(int streamIndex) {
  if (!SeekableCheck()) return -1;
  const int index = TypedStreamIndex(streamIndex, FDesireAudioIndex >= 0 ? FDesireAudioIndex : FFirstAudioStreamIndex,
                                     AVMEDIA_TYPE_AUDIO, "audio");
  if (index < 0) return -1;
  if (index != FDesireAudioIndex) {
    ResetWave();
    FreeConverter();
    FRemainsAudioSize = 0;
  }
  FDesireAudioIndex = index;
  FSeekIndex = index;
  return index;
}

bool TFFDecoder::OpenAudioDecoder(int index) {
  if (FAudioCodec && FAudioCodecIndex == index) return true;
  if (FAudioCodec) ff::avcodec_free_context(&FAudioCodec);
  FAudioCodecIndex = -1;
  const AVCodecParameters* par = FFileHandle->streams[index]->codecpar;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  if (!codec) {
    SetError(AV_LOG_ERROR,
             PrintfText("Unsupported codec (id=%d) for input file stream #%d", static_cast<int>(par->codec_id), index));
    return false;
  }
  FAudioCodec = ff::avcodec_alloc_context3(codec);
  if (!FAudioCodec || ff::avcodec_parameters_to_context(FAudioCodec, par) < 0 ||
      (FAudioCodec->pkt_timebase = FFileHandle->streams[index]->time_base,
       ff::avcodec_open2(FAudioCodec, codec, nullptr)) < 0) {
    if (FAudioCodec) ff::avcodec_free_context(&FAudioCodec);
    SetError(AV_LOG_ERROR, PrintfText("Error while opening codec for input file stream #%d", index));
    return false;
  }
  FAudioCodecIndex = index;
  return true;
}

// Appends the frame's samples, converted when the source format differs
// from the output format, to the buffer being filled (FWaveInfo.Size bytes
// so far).
bool TFFDecoder::ConvertAudio(const AVFrame* frame, int index) {
  const int channels = frame->ch_layout.nb_channels;
  const int rate = frame->sample_rate;
  const int format = frame->format;
  if (channels != FResampleChannels || rate != FResampleSampleRate || format != FResampleSampleFormat) {
    if (FResampleChannels != -1) {
      GlobalLogger()->Log(this, llInfo,
                          PrintfText("Audio stream #%d frame changed from rate:%d fmt:%s ch:%d to rate:%d fmt:%s ch:%d",
                              index, FResampleSampleRate, SampleFormatName(FResampleSampleFormat), FResampleChannels,
                              rate, SampleFormatName(format), channels));
      FreeConverter();
    }
    FResampleChannels = channels;
    FResampleSampleRate = rate;
    FResampleSampleFormat = format;
    FAudioChannelLayout = channels == FDesireAudioChannels && frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE
                              ? static_cast<int64_t>(frame->ch_layout.u.mask)
                              : 0;
  }
  const int outBps = ff::av_get_bytes_per_sample(FDesireAudioSampleFormat);

  if (channels == FDesireAudioChannels && rate == FDesireAudioSampleRate && format == FDesireAudioSampleFormat) {
    // Already in the output format: the decoded samples are the result.
    if (FWaveInfo.Buffer && FWaveInfo.Buffer != FDecodedAudioBuffer) {
      SetError(AV_LOG_ERROR, "Audio format changed inside one packet");
      return false;
    }
    const int64_t n = int64_t{frame->nb_samples} * channels * outBps;
    if (!GrowBuffer(FDecodedAudioBuffer, FDecodedAudioSize, FWaveInfo.Size + n)) {
      SetError(AV_LOG_ERROR, "Out of memory in DecodeAudio");
      return false;
    }
    std::memcpy(FDecodedAudioBuffer + FWaveInfo.Size, frame->data[0], static_cast<size_t>(n));
    FWaveInfo.Buffer = FDecodedAudioBuffer;
    FWaveInfo.Size += static_cast<int>(n);
    return true;
  }
  if (FWaveInfo.Buffer && FWaveInfo.Buffer != FResampledAudioBuffer) {
    SetError(AV_LOG_ERROR, "Audio format changed inside one packet");
    return false;
  }

  // Room for the converted samples: 64-bit sums, so large frames cannot
  // wrap into a small buffer.
  const int64_t in = frame->nb_samples;
  const int64_t out = (in * FDesireAudioSampleRate + rate) / (rate > 0 ? rate : 1);
  const int64_t capacity = 2 * out + 10000;
  const int64_t bytes = capacity * outBps * FDesireAudioChannels;
  if (FWaveInfo.Size + bytes > INT_MAX) {
    SetError(AV_LOG_ERROR, "Buffer sizes too large in DecodeAudio");
    return false;
  }
  if (!GrowBuffer(FResampledAudioBuffer, FResampledAudioSize, FWaveInfo.Size + bytes)) {
    SetError(AV_LOG_ERROR, "Out of memory in DecodeAudio");
    return false;
  }

  if (!FAudioSwrCtx) {
    AVChannelLayout outLayout{}, inLayout{};
    if (FAudioChannelLayout != 0)
      ff::av_channel_layout_copy(&outLayout, &frame->ch_layout);
    else
      ff::av_channel_layout_default(&outLayout, FDesireAudioChannels);
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      ff::av_channel_layout_default(&inLayout, channels);
    else
      ff::av_channel_layout_copy(&inLayout, &frame->ch_layout);
    if (ff::swr_alloc_set_opts2(&FAudioSwrCtx, &outLayout, FDesireAudioSampleFormat, FDesireAudioSampleRate,
                                &inLayout, static_cast<AVSampleFormat>(format), rate, 0, nullptr) >= 0 &&
        ff::swr_init(FAudioSwrCtx) < 0) {
      GlobalLogger()->Log(this, llFatal, "swr_init() failed");
      FreeConverter();
    }
    ff::av_channel_layout_uninit(&outLayout);
    ff::av_channel_layout_uninit(&inLayout);
    if (!FAudioSwrCtx) {
      SetError(AV_LOG_ERROR, PrintfText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", channels, rate,
                                 FDesireAudioChannels, FDesireAudioSampleRate));
      return false;
    }
    GlobalLogger()->Log(this, llInfo,
                        PrintfText("need resample %d channels @ %d Hz to %d channels @ %d Hz", channels, rate,
                            FDesireAudioChannels, FDesireAudioSampleRate));
  }

  uint8_t* outPlanes[1] = {FResampledAudioBuffer + FWaveInfo.Size};
  const int converted = ff::swr_convert(FAudioSwrCtx, outPlanes, static_cast<int>(capacity),
                                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (converted < 0) {
    SetError(AV_LOG_ERROR, FormatAVError(PrintfText("Error while converting audio stream #%d", index), converted));
    return false;
  }
  FWaveInfo.Buffer = FResampledAudioBuffer;
  FWaveInfo.Size += converted * FDesireAudioChannels * outBps;
  return true;
}

bool TFFDecoder::DecodeAudio(int streamIndex) {
  const int index = SelectAudioStream(streamIndex);
  if (index < 0) return false;
  if (FEOF && FEOFpkt) return SetError(AV_LOG_INFO, "stream eof reached."), false;
  if (!OpenAudioDecoder(index)) return false;
  if (!FAudioDecodedFrame) FAudioDecodedFrame = ff::av_frame_alloc();
  if (!FPacket) FPacket = ff::av_packet_alloc();
  if (!FAudioDecodedFrame || !FPacket) return SetError(AV_LOG_ERROR, "Out of memory in DecodeAudio"), false;
  const AVStream* st = FFileHandle->streams[index];

  for (;;) {
    FLastRead = ff::av_gettime_relative();
    const int r = ff::av_read_frame(FFileHandle, FPacket);
    FLastRead = INT64_MAX;
    const bool draining = r < 0;
    if (draining) {
      if (r == AVERROR(EAGAIN)) return SetError(AV_LOG_INFO, "no data, please try again."), false;
      if (FEOFpkt) return ReadFailedAfterDrain(r);
      // The first end: what the decoder holds comes out now.
      FEOFpkt = true;
    } else if (FPacket->stream_index != index) {
      ff::av_packet_unref(FPacket);
      continue;
    }

    ResetWave();
    const int sent = ff::avcodec_send_packet(FAudioCodec, draining ? nullptr : FPacket);
    if (sent < 0 && sent != AVERROR_EOF)
      GlobalLogger()->Log(this, llError,
                          FormatAVError(PrintfText("Error while decoding audio stream #%d", index), sent));
    int frames = 0;
    bool failed = false;
    for (;;) {
      ff::av_frame_unref(FAudioDecodedFrame);
      const int got = ff::avcodec_receive_frame(FAudioCodec, FAudioDecodedFrame);
      if (got < 0) {
        if (got != AVERROR(EAGAIN) && got != AVERROR_EOF)
          GlobalLogger()->Log(this, llError,
                              FormatAVError(PrintfText("Error while decoding audio stream #%d", index), got));
        break;
      }
      if (++frames == 2)
        GlobalLogger()->Log(this, llWarning, PrintfText("Multiple frames in a packet from stream %d", index));
      if (!ConvertAudio(FAudioDecodedFrame, index)) {
        failed = true;
        break;
      }
    }
    ff::av_frame_unref(FAudioDecodedFrame);
    if (failed) {
      ff::av_packet_unref(FPacket);
      ResetWave();
      return false;
    }
    // A converter may hold samples back at first: read on until some come.
    if (FWaveInfo.Size == 0) {
      ff::av_packet_unref(FPacket);
      ResetWave();
      continue;
    }
    GlobalLogger()->Log(this, llDebug,
                        PrintfText("pkt.st_idx=%d, dts=%" PRId64 ", pts=%" PRId64 ", flags=%d, samples data size=%d",
                                   index, FPacket->dts, FPacket->pts, FPacket->flags, FWaveInfo.Size));

    const int outBps = ff::av_get_bytes_per_sample(FDesireAudioSampleFormat);
    FWaveInfo.Channels = FDesireAudioChannels;
    FWaveInfo.SampleRate = FDesireAudioSampleRate;
    FWaveInfo.SampleFormat = FDesireAudioSampleFormat;
    FWaveInfo.BytesPerSample = outBps;
    FWaveInfo.BytesPerSecond = outBps * FDesireAudioSampleRate * FDesireAudioChannels;
    int64_t raw = draining ? AV_NOPTS_VALUE : FPacket->dts;
    if (raw == AV_NOPTS_VALUE && !draining) raw = FPacket->pts;
    if (raw == AV_NOPTS_VALUE) {
      FWaveInfo.PTS = AV_NOPTS_VALUE;
    } else {
      if (st->start_time != AV_NOPTS_VALUE) raw -= st->start_time;
      FWaveInfo.PTS = ff::av_rescale_q(raw, st->time_base, AVRational{1, 1000000});
      GlobalLogger()->Log(this, llDebug, PrintfText("decode PTS: %0.3f", FWaveInfo.PTS / 1000000.0));
    }
    FWaveInfo.OriginalDTS = draining ? AV_NOPTS_VALUE : FPacket->dts;
    FWaveInfo.OriginalPTS = draining ? AV_NOPTS_VALUE : FPacket->pts;
    FWaveInfo.StreamIndex = index;
    FWaveInfo.Ready = true;
    // 64-bit: a 32-bit product wraps for any buffer over 4294 bytes.
    FWaveInfo.Duration = (int64_t{1000000} / outBps) * FWaveInfo.Size /
                         (int64_t{FDesireAudioSampleRate} * FDesireAudioChannels);
    ff::av_packet_unref(FPacket);
    return true;
  }
}

int TFFDecoder::ReadAudio(void* buffer, int count, int streamIndex) {
  if (FRemainsAudioSize <= 0) {
    if (!DecodeAudio(-1)) return -1;
    FRemainsAudioSize = FWaveInfo.Size;
  }
  const int n = count < FRemainsAudioSize ? count : FRemainsAudioSize;
  if (buffer && n > 0) {
    std::memcpy(buffer, FWaveInfo.Buffer + (FWaveInfo.Size - FRemainsAudioSize), static_cast<size_t>(n));
    FRemainsAudioSize -= n;
  }
  return n;
}
