// The audio and subtitle paths of a run: decoded audio through the audio
// hook and the volume, then per encoded output resampled, cut to the output's
// time range and encoded in the encoder's frame size; subtitles re-encoded.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFmpegRun.h"
#include "engine/SwResampleStubs.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace {

constexpr AVRational kMicro = {1, AV_TIME_BASE};

template <class S, class Scale>
void ScaleSamples(uint8_t* data, int count, Scale scale) {
  auto* p = reinterpret_cast<S*>(data);
  for (int i = 0; i < count; ++i) p[i] = scale(p[i]);
}

}  // namespace

int TTranscodeRun::TranscodeAudio(TInputStream& ist, AVFrame* frame) {
  AVCodecContext* dec = ist.dec_ctx;
  if (frame->nb_samples < 1)
    T.RaiseFatalFmt("the decoder \"%s\" return bad result.", dec->codec ? dec->codec->name : "");
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.pts = ist.next_pts = ff::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, kMicro);
  ist.next_pts += static_cast<int64_t>(1000000) * frame->nb_samples / frame->sample_rate;

  CallAudioHook(ist, frame);
  if (T.Faudio_volume != 256) AdjustVolume(frame);
  RateEmulate(ist);

  const int64_t frameEnd = ist.pts + static_cast<int64_t>(1000000) * frame->nb_samples / frame->sample_rate;
  for (TOutputStream& ost : T.Foutput_streams) {
    if (!ost.encoding_needed || ost.source_index < 0 ||
        &T.Finput_streams[static_cast<size_t>(ost.source_index)] != &ist)
      continue;
    const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
    // Audio is cut to the output's range to the sample, so a frame that
    // straddles either end goes in part.
    if (frameEnd <= of.start_time) continue;
    if (of.recording_time != NoLimit && ist.pts >= of.start_time + of.recording_time) {
      ost.is_past_recording_time = 1;
      continue;
    }
    DoAudioOut(ost, frame, ist);
  }
  return 0;
}

void TTranscodeRun::CallAudioHook(TInputStream& ist, AVFrame* frame) {
  if (!T.FOnAudioHook) return;
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const int bps = ff::av_get_bytes_per_sample(format);
  const int size = frame->nb_samples * channels * bps;
  if (ff::av_frame_make_writable(frame) < 0) return;
  if (!ff::av_sample_fmt_is_planar(format)) {
    T.FOnAudioHook(&T, ist.pts, frame->extended_data[0], size, frame->sample_rate, channels, format);
    return;
  }
  // The hook sees interleaved samples, as the packed twin of the format.
  FHookSamples.resize(static_cast<size_t>(size));
  for (int s = 0; s < frame->nb_samples; ++s)
    for (int c = 0; c < channels; ++c)
      std::memcpy(&FHookSamples[static_cast<size_t>((s * channels + c) * bps)],
                  frame->extended_data[c] + s * bps, static_cast<size_t>(bps));
  T.FOnAudioHook(&T, ist.pts, FHookSamples.data(), size, frame->sample_rate, channels,
                 ff::av_get_packed_sample_fmt(format));
  for (int s = 0; s < frame->nb_samples; ++s)
    for (int c = 0; c < channels; ++c)
      std::memcpy(frame->extended_data[c] + s * bps, &FHookSamples[static_cast<size_t>((s * channels + c) * bps)],
                  static_cast<size_t>(bps));
}

void TTranscodeRun::AdjustVolume(AVFrame* frame) {
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const int volume = T.Faudio_volume;
  const bool planar = ff::av_sample_fmt_is_planar(format);
  const int channels = frame->ch_layout.nb_channels;
  const int planes = planar ? channels : 1;
  const int count = planar ? frame->nb_samples : frame->nb_samples * channels;
  const AVSampleFormat packed = ff::av_get_packed_sample_fmt(format);
  if (packed != AV_SAMPLE_FMT_U8 && packed != AV_SAMPLE_FMT_S16 && packed != AV_SAMPLE_FMT_S32 &&
      packed != AV_SAMPLE_FMT_FLT && packed != AV_SAMPLE_FMT_DBL) {
    const char* name = ff::av_get_sample_fmt_name(format);
    T.RaiseFatalFmt("Audio volume adjustment on sample format %s is not supported.", name ? name : "?");
  }
  if (ff::av_frame_make_writable(frame) < 0) T.RaiseFatal("Out of memory");
  for (int p = 0; p < planes; ++p) {
    uint8_t* data = frame->extended_data[p];
    switch (packed) {
      case AV_SAMPLE_FMT_U8:
        ScaleSamples<uint8_t>(data, count, [volume](uint8_t s) {
          const int v = (((s - 128) * volume + 128) >> 8) + 128;
          return static_cast<uint8_t>(std::clamp(v, 0, 255));
        });
        break;
      case AV_SAMPLE_FMT_S16:
        ScaleSamples<int16_t>(data, count, [volume](int16_t s) {
          const int v = (s * volume + 128) >> 8;
          return static_cast<int16_t>(std::clamp(v, -32768, 32767));
        });
        break;
      case AV_SAMPLE_FMT_S32:
        ScaleSamples<int32_t>(data, count, [volume](int32_t s) {
          const int64_t v = (static_cast<int64_t>(s) * volume + 128) >> 8;
          return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
        });
        break;
      case AV_SAMPLE_FMT_FLT:
        ScaleSamples<float>(data, count, [volume](float s) { return s * volume / 256.0f; });
        break;
      default:
        ScaleSamples<double>(data, count, [volume](double s) { return s * volume / 256.0; });
        break;
    }
  }
}

void TTranscodeRun::DoAudioOut(TOutputStream& ost, AVFrame* frame, TInputStream& ist) {
  AVCodecContext* enc = ost.enc_ctx;
  const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
  const auto decFormat = static_cast<AVSampleFormat>(frame->format);
  const int decChannels = frame->ch_layout.nb_channels;
  const int decRate = frame->sample_rate;

  // The part of the frame inside the output's range.
  int first = 0;
  int count = frame->nb_samples;
  if (ist.pts < of.start_time)
    first = static_cast<int>(std::min<int64_t>(count, ff::av_rescale(of.start_time - ist.pts, decRate, 1000000)));
  if (of.recording_time != NoLimit) {
    const int64_t allowed = ff::av_rescale(of.start_time + of.recording_time - ist.pts, decRate, 1000000);
    count = static_cast<int>(std::min<int64_t>(count, std::max<int64_t>(allowed, 0)));
  }
  if (count <= first) return;
  const int64_t firstTime = ist.pts + ff::av_rescale(first, 1000000, decRate);

  const bool changed = decFormat != ost.resample_sample_fmt || decChannels != ost.resample_channels ||
                       decRate != ost.resample_sample_rate;
  if (changed) {
    const char* oldName = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(ost.resample_sample_fmt));
    const char* newName = ff::av_get_sample_fmt_name(decFormat);
    T.LogMsg(llInfo, TCustomFFmpeg::FormatText(
                         "Input stream #%d:%d frame changed from rate:%d fmt:%s ch:%d to rate:%d fmt:%s ch:%d",
                         ist.file_index, ist.st->index, ost.resample_sample_rate, oldName ? oldName : "?",
                         ost.resample_channels, decRate, newName ? newName : "?", decChannels));
    ost.resample_sample_fmt = decFormat;
    ost.resample_channels = decChannels;
    ost.resample_sample_rate = decRate;
    if (ost.swr) ff::swr_free(&ost.swr);
  }
  ost.audio_resample = decFormat != enc->sample_fmt || ff::av_channel_layout_compare(&frame->ch_layout,
                                                                                      &enc->ch_layout) != 0 ||
                       decRate != enc->sample_rate || ost.audio_channels_mapped || T.Faudio_sync_method > 1;
  if (ost.audio_resample && !ost.swr) {
    AVChannelLayout inLayout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      ff::av_channel_layout_default(&inLayout, decChannels);
    else
      ff::av_channel_layout_copy(&inLayout, &frame->ch_layout);
    int r = ff::swr_alloc_set_opts2(&ost.swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                                    decFormat, decRate, 0, nullptr);
    ff::av_channel_layout_uninit(&inLayout);
    if (r >= 0 && ost.swr) {
      if (ost.audio_channels_mapped) ff::swr_set_channel_mapping(ost.swr, ost.audio_channels_map);
      ff::av_opt_set_double(ost.swr, "rmvol", ost.rematrix_volume, 0);
      if (T.Faudio_sync_method > 1) ff::av_opt_set_int(ost.swr, "flags", 1, 0);
      if (ff::swr_init(ost.swr) < 0) {
        T.LogMsg(llFatal, "swr_init() failed");
        ff::swr_free(&ost.swr);
      }
    }
    if (!ost.swr)
      T.RaiseFatalFmt("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", decChannels, decRate,
                      enc->ch_layout.nb_channels, enc->sample_rate);
  }

  const int64_t waiting = ff::av_audio_fifo_size(ost.fifo) +
                          (ost.swr ? ff::swr_get_delay(ost.swr, enc->sample_rate) : 0);
  if (T.Faudio_sync_method == 0) {
    // The next encoded sample follows the input's clock.
    ost.sync_opts = std::llround((firstTime - of.start_time) / 1e6 * enc->sample_rate) - waiting;
  } else {
    // The output keeps its own count of samples and is brought back to the
    // input's clock by silence, cutting or stretching.
    const double delta = (firstTime - of.start_time) / 1e6 * enc->sample_rate - ost.sync_opts - waiting;
    if (std::fabs(delta) > 50) {
      if (ist.is_start || std::fabs(delta) > T.Faudio_drift_threshold * enc->sample_rate) {
        if (delta < 0) {
          const int cut = static_cast<int>(std::min<double>(count - first, -delta * decRate / enc->sample_rate));
          first += cut;
          T.LogMsg(llVerbose, TCustomFFmpeg::FormatText("discarding %d audio samples", cut));
          ist.is_start = 0;
          if (first >= count) return;
        } else {
          const int silence = static_cast<int>(delta);
          uint8_t** buffer = nullptr;
          int lineSize = 0;
          if (ff::av_samples_alloc_array_and_samples(&buffer, &lineSize, enc->ch_layout.nb_channels, silence,
                                                     enc->sample_fmt, 0) < 0)
            T.RaiseFatal("Out of memory in do_audio_out()");
          ff::av_samples_set_silence(buffer, 0, silence, enc->ch_layout.nb_channels, enc->sample_fmt);
          const int written = ff::av_audio_fifo_write(ost.fifo, reinterpret_cast<void**>(buffer), silence);
          ff::av_freep(&buffer[0]);
          ff::av_freep(&buffer);
          if (written < silence) T.RaiseFatal("av_fifo_realloc2() failed");
          T.LogMsg(llVerbose, TCustomFFmpeg::FormatText("adding %d audio samples of silence",
                                                        static_cast<int>(delta * decRate / enc->sample_rate)));
          ist.is_start = 0;
        }
      } else if (T.Faudio_sync_method > 1 && ost.swr) {
        const int compensation =
            std::clamp(static_cast<int>(delta), -T.Faudio_sync_method, T.Faudio_sync_method);
        T.LogMsg(llVerbose, TCustomFFmpeg::FormatText("compensating audio timestamp drift:%f compensation:%d in:%d",
                                                      delta, compensation, enc->sample_rate));
        if (ff::swr_set_compensation(ost.swr, compensation, enc->sample_rate) < 0)
          T.LogMsg(llWarning, "Audio drift compensation failed");
      }
    }
  }

  const int bps = ff::av_get_bytes_per_sample(decFormat);
  const bool planar = ff::av_sample_fmt_is_planar(decFormat);
  const int planes = planar ? decChannels : 1;
  std::vector<const uint8_t*> inPlanes(static_cast<size_t>(planes));
  for (int p = 0; p < planes; ++p)
    inPlanes[static_cast<size_t>(p)] = frame->extended_data[p] + static_cast<size_t>(first) * bps *
                                                                     (planar ? 1 : decChannels);
  const int inCount = count - first;
  if (!ost.audio_resample) {
    if (ff::av_audio_fifo_write(ost.fifo, reinterpret_cast<void**>(const_cast<uint8_t**>(inPlanes.data())),
                                inCount) < inCount)
      T.RaiseFatal("av_fifo_realloc2() failed");
  } else {
    const int outMax = static_cast<int>(
        ff::av_rescale_rnd(ff::swr_get_delay(ost.swr, decRate) + inCount, enc->sample_rate, decRate, AV_ROUND_UP) +
        16);
    uint8_t** out = nullptr;
    int lineSize = 0;
    if (ff::av_samples_alloc_array_and_samples(&out, &lineSize, enc->ch_layout.nb_channels, outMax,
                                               enc->sample_fmt, 0) < 0)
      T.RaiseFatal("Out of memory in do_audio_out()");
    const int converted = ff::swr_convert(ost.swr, out, outMax, inPlanes.data(), inCount);
    const int written = converted > 0 ? ff::av_audio_fifo_write(ost.fifo, reinterpret_cast<void**>(out), converted)
                                      : 0;
    ff::av_freep(&out[0]);
    ff::av_freep(&out);
    if (converted < 0) T.RaiseFatal("Audio resampling failed");
    if (written < converted) T.RaiseFatal("av_fifo_realloc2() failed");
  }
  EncodeAudioFifo(ost, false);
}

void TTranscodeRun::EncodeAudioFifo(TOutputStream& ost, bool flush) {
  AVCodecContext* enc = ost.enc_ctx;
  if (!ost.fifo) return;
  if (flush && ost.swr) {
    // What the resampler still holds.
    const int outMax = static_cast<int>(ff::swr_get_delay(ost.swr, enc->sample_rate) + 32);
    uint8_t** out = nullptr;
    int lineSize = 0;
    if (ff::av_samples_alloc_array_and_samples(&out, &lineSize, enc->ch_layout.nb_channels, outMax,
                                               enc->sample_fmt, 0) >= 0) {
      const int converted = ff::swr_convert(ost.swr, out, outMax, nullptr, 0);
      if (converted > 0) ff::av_audio_fifo_write(ost.fifo, reinterpret_cast<void**>(out), converted);
      ff::av_freep(&out[0]);
      ff::av_freep(&out);
    }
  }
  const bool variable = enc->frame_size <= 1 || (enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  const int frameSize = variable ? 1024 : enc->frame_size;
  if (!FAudioFrame) FAudioFrame = ff::av_frame_alloc();
  if (!FAudioFrame) T.RaiseFatal("Out of memory in do_audio_out()");
  for (;;) {
    const int held = ff::av_audio_fifo_size(ost.fifo);
    if (held <= 0 || (held < frameSize && !flush)) return;
    int take = std::min(held, frameSize);
    AVFrame* f = FAudioFrame;
    ff::av_frame_unref(f);
    const bool shortLast = take < frameSize && !variable &&
                           !(enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    f->nb_samples = shortLast ? frameSize : take;
    f->format = enc->sample_fmt;
    f->sample_rate = enc->sample_rate;
    ff::av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
    if (ff::av_frame_get_buffer(f, 0) < 0) T.RaiseFatal("Out of memory in do_audio_out()");
    if (shortLast)
      // The encoder takes whole frames only: the last one ends in silence.
      ff::av_samples_set_silence(f->extended_data, take, frameSize - take, enc->ch_layout.nb_channels,
                                 enc->sample_fmt);
    if (ff::av_audio_fifo_read(ost.fifo, reinterpret_cast<void**>(f->extended_data), take) < take)
      T.RaiseFatal("Audio encoding failed");
    f->pts = ost.sync_opts;
    EncodeFrame(ost, f);
    ost.sync_opts += take;
  }
}

int TTranscodeRun::TranscodeSubtitles(TInputStream& ist, const AVPacket* pkt) {
  AVSubtitle sub{};
  int got = 0;
  const int r = ff::avcodec_decode_subtitle2(ist.dec_ctx, &sub, &got, const_cast<AVPacket*>(pkt));
  if (r < 0 || !got) return r;
  RateEmulate(ist);
  const int64_t pts = pkt->pts;
  for (TOutputStream& ost : T.Foutput_streams)
    if (ost.encoding_needed && CheckOutputConstraints(ist, ost)) DoSubtitleOut(ost, pts, &sub, ist);
  ff::avsubtitle_free(&sub);
  return r;
}

void TTranscodeRun::DoSubtitleOut(TOutputStream& ost, int64_t pts, AVSubtitle* sub, TInputStream& ist) {
  if (pts == AV_NOPTS_VALUE) {
    if (T.Fexit_on_error) T.RaiseFatal("Subtitle packets must have a pts");
    T.LogMsg(llError, "Subtitle packets must have a pts");
    return;
  }
  AVCodecContext* enc = ost.enc_ctx;
  const int passes = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
  std::vector<uint8_t> buffer(1048576);
  const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
  for (int pass = 0; pass < passes; ++pass) {
    const int64_t subTime = ff::av_rescale_q(pts, ist.st->time_base, kMicro) +
                            static_cast<int64_t>(sub->start_display_time) * 1000;
    sub->end_display_time -= sub->start_display_time;
    sub->start_display_time = 0;
    sub->pts = subTime - of.start_time;
    const int size = ff::avcodec_encode_subtitle(enc, buffer.data(), static_cast<int>(buffer.size()), sub);
    if (size < 0) T.RaiseFatal("Subtitle encoding failed");
    AVPacket* pkt = FOutPacket;
    if (ff::av_new_packet(pkt, size) < 0) T.RaiseFatal("Subtitle encoding failed");
    std::memcpy(pkt->data, buffer.data(), static_cast<size_t>(size));
    pkt->stream_index = ost.index;
    pkt->pts = ff::av_rescale_q(subTime - of.start_time, kMicro, ost.st->time_base);
    pkt->duration = ff::av_rescale_q(sub->end_display_time, AVRational{1, 1000}, ost.st->time_base);
    if (enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE)
      pkt->pts += ff::av_rescale_q(pass == 0 ? sub->start_display_time : sub->end_display_time,
                                   AVRational{1, 1000}, ost.st->time_base);
    pkt->dts = pkt->pts;
    pkt->time_base = ost.st->time_base;
    // Encoded subtitles do not count towards the stream's frame limit.
    WriteFrame(ost, pkt);
  }
}
