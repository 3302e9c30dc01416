// The sound side of a playback and the clocks: decoding and resampling into
// signed 16-bit samples, SDL's audio callback with volume and mute, the
// audio, video, external and master clocks, the delay and length
// corrections against the master clock, and the pause toggle.
//
// The callback runs on SDL's own audio thread, which is not a Win32 thread:
// nothing reached from here may call Win32 (the logger queues its lines).
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/SwResampleStubs.h"
#include "player/PlayerState.h"

namespace {

TZIVoveva* Log() { return GlobalLogger(); }

double Now() { return NowMicro() / 1000000.0; }

// Sends the next queued packet to the decoder; false when none is there.
bool FeedDecoder(TVideoState* is) {
  AVPacket* pkt = nullptr;
  if (PacketQueueGet(&is->audioq, &pkt, false) <= 0) return false;
  if (IsFlushPacket(is, pkt)) {
    ff::avcodec_flush_buffers(is->audio_ctx);
    is->audio_drain_sent = false;
    return true;
  }
  if (pkt->pts != AV_NOPTS_VALUE) is->audio_clock = pkt->pts * av_q2d(is->audio_st->time_base);
  if (pkt->size == 0 && !pkt->data) {
    // The end of the input: let the decoder hand out what it holds back.
    if (!is->audio_drain_sent) {
      is->audio_drain_sent = true;
      ff::avcodec_send_packet(is->audio_ctx, nullptr);
    }
  } else if (!is->audio_drain_sent) {
    if (ff::avcodec_send_packet(is->audio_ctx, pkt) < 0)
      Log()->Log(is->Owner, llInfo, "avcodec_decode_audio3() failed");
  }
  ff::av_packet_free(&pkt);
  return true;
}

// Converts one decoded frame into audio_buf; the byte count or -1.
int ConvertFrame(TVideoState* is, AVFrame* frame) {
  const AVSampleFormat fmt = static_cast<AVSampleFormat>(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const int decoded = ff::av_samples_get_buffer_size(nullptr, channels, frame->nb_samples, fmt, 1);
  if (decoded < 0) return -1;
  AVChannelLayout layout{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
    ff::av_channel_layout_copy(&layout, &frame->ch_layout);
  else
    ff::av_channel_layout_default(&layout, channels);

  if (fmt != is->audio_src_fmt || ff::av_channel_layout_compare(&layout, &is->audio_src_channel_layout) != 0 ||
      frame->sample_rate != is->audio_src_freq) {
    ff::swr_free(&is->swr_ctx);
    const int ok = ff::swr_alloc_set_opts2(&is->swr_ctx, &is->audio_tgt_channel_layout, is->audio_tgt_fmt,
                                           is->audio_tgt_freq, &layout, fmt, frame->sample_rate, 0, nullptr);
    if (ok < 0 || !is->swr_ctx || ff::swr_init(is->swr_ctx) < 0) {
      Log()->Log(is->Owner, llError,
                 "Cannot create sample rate converter for conversion of %d Hz %s %d channels to %d Hz %s %d channels!",
                 frame->sample_rate, ff::av_get_sample_fmt_name(fmt), channels, is->audio_tgt_freq,
                 ff::av_get_sample_fmt_name(is->audio_tgt_fmt), is->audio_tgt_channels);
      ff::swr_free(&is->swr_ctx);
      ff::av_channel_layout_uninit(&layout);
      return -1;
    }
    ff::av_channel_layout_uninit(&is->audio_src_channel_layout);
    ff::av_channel_layout_copy(&is->audio_src_channel_layout, &layout);
    is->audio_src_channels = channels;
    is->audio_src_freq = frame->sample_rate;
    is->audio_src_fmt = fmt;
  }
  ff::av_channel_layout_uninit(&layout);

  int size;
  if (is->swr_ctx) {
    const int bps = ff::av_get_bytes_per_sample(is->audio_tgt_fmt);
    const int room = AudioBufferSize / is->audio_tgt_channels / bps;
    uint8_t* out[] = {is->audio_buf2};
    const int n = ff::swr_convert(is->swr_ctx, out, room, const_cast<const uint8_t**>(frame->extended_data),
                                  frame->nb_samples);
    if (n < 0) {
      Log()->Log(is->Owner, llError, "audio_resample() failed");
      return -1;
    }
    if (n == room) {
      Log()->Log(is->Owner, llWarning, "warning: audio buffer is probably too small");
      ff::swr_init(is->swr_ctx);
    }
    is->audio_buf = is->audio_buf2;
    size = n * is->audio_tgt_channels * bps;
  } else {
    is->audio_buf = frame->data[0];
    size = decoded;
  }
  return size;
}

// Decodes the next piece of sound; its byte count, or -1 when there is none
// now (paused, aborted or nothing queued): the callback plays silence then.
int AudioDecodeFrame(TVideoState* is, double* pts) {
  if (!is->frame) {
    is->frame = ff::av_frame_alloc();
    if (!is->frame) return AVERROR(ENOMEM);
  }
  for (;;) {
    if (is->paused || is->audioq.abort_request) return -1;
    const int r = ff::avcodec_receive_frame(is->audio_ctx, is->frame);
    if (r >= 0) {
      if (is->frame->pts != AV_NOPTS_VALUE) is->audio_clock = is->frame->pts * av_q2d(is->audio_st->time_base);
      const int size = ConvertFrame(is, is->frame);
      if (size < 0) {
        ff::av_frame_unref(is->frame);
        continue;
      }
      *pts = is->audio_clock;
      is->audio_clock += static_cast<double>(is->frame->nb_samples) / is->frame->sample_rate;
      return size;
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) Log()->Log(is->Owner, llInfo, "avcodec_decode_audio3() failed");
    if (!FeedDecoder(is)) return -1;
  }
}

int BytesPerSecond(const TVideoState* is) {
  return is->audio_tgt_freq * is->audio_tgt_channels * ff::av_get_bytes_per_sample(is->audio_tgt_fmt);
}

}  // namespace

void AudioCallback(void* opaque, uint8_t* stream, int len) {
  auto* is = static_cast<TVideoState*>(opaque);
  TCustomPlayer* player = is->Owner;
  std::lock_guard<std::mutex> lock(is->audio_lock);
  player->Faudio_callback_time = NowMicro();
  if (is->audio_drop_buffer.exchange(0)) is->audio_buf_index = static_cast<int>(is->audio_buf_size);
  bool sounded = false;
  while (len > 0) {
    if (is->audio_buf_index >= static_cast<int>(is->audio_buf_size)) {
      double pts = 0;
      int size = AudioDecodeFrame(is, &pts);
      if (is->audioq.abort_request) break;
      if (size < 0) {
        is->audio_buf = is->silence_buf;
        is->audio_buf_size = SilenceBufferSize;
      } else {
        sounded = true;
        if (player->AudioHook && player->OnAudioHook) {
          const int64_t apts = std::llround(pts * 1000000.0) - is->StartTime;
          try {
            player->OnAudioHook(player, apts, is->audio_buf, size, is->audio_ctx->sample_rate,
                                is->audio_ctx->ch_layout.nb_channels);
          } catch (...) {
          }
        }
        if (is->show_mode != 0) UpdateSampleDisplay(is, reinterpret_cast<const int16_t*>(is->audio_buf), size);
        size = SynchronizeAudio(is, size, pts);
        is->audio_buf_size = static_cast<unsigned>(size);
      }
      is->audio_buf_index = 0;
    } else {
      sounded = sounded || is->audio_buf != is->silence_buf;
    }
    int n = static_cast<int>(is->audio_buf_size) - is->audio_buf_index;
    if (n > len) n = len;
    const int volume = player->AudioVolume;
    const uint8_t* src = is->audio_buf + is->audio_buf_index;
    if (player->Mute || volume <= 0) {
      std::memset(stream, 0, n);
    } else if (volume >= SDL_MIX_MAXVOLUME) {
      std::memcpy(stream, src, n);
    } else {
      // SDL hands the buffer over as it left it: mixing into it would add
      // the previous buffer's sound.
      std::memset(stream, 0, n);
      player->SDL().SDL_MixAudioFormat(stream, src, AUDIO_S16SYS, static_cast<Uint32>(n), volume);
    }
    is->audio_buf_index += n;
    len -= n;
    stream += n;
  }
  if (len > 0) std::memset(stream, 0, len);
  is->audio_silent_callbacks = sounded ? 0 : is->audio_silent_callbacks + 1;
  const int bps = BytesPerSecond(is);
  if (bps <= 0) return;
  is->audio_write_buf_size = static_cast<int>(is->audio_buf_size) - is->audio_buf_index;
  double current = is->audio_clock - static_cast<double>(2 * is->audio_hw_buf_size + is->audio_write_buf_size) / bps;
  // The estimate follows the callbacks' timing and may step back by a
  // late callback's lateness; it is left that way, because keeping the
  // highest reading instead would follow the earliest callbacks and run
  // ahead of the sound more and more (the pictures would lag behind it).
  // The position reports hide such small steps back. A pause holds the
  // clock at its reading, and a dry queue stands still instead of running
  // on and falling back.
  is->audio_dry = sounded ? 0 : 1;
  if (is->paused) return;
  is->audio_current_pts = current;
  is->audio_current_pts_drift = current - player->Faudio_callback_time / 1000000.0;
}

double GetAudioClock(TVideoState* is) {
  if (is->paused || is->audio_dry) return is->audio_current_pts;
  return is->audio_current_pts_drift + Now();
}

double GetVideoClock(TVideoState* is) {
  if (is->paused) return is->video_current_pts;
  if (is->video_current_pts_drift != 0) return is->video_current_pts_drift + Now();
  return is->StartTime / 1000000.0;
}

double GetExternalClock(TVideoState* is) {
  return is->external_clock + (NowMicro() - is->external_clock_time) * 0.000001;
}

double GetMasterClock(TVideoState* is) {
  switch (is->av_sync_type) {
    case AV_SYNC_VIDEO_MASTER:
      return is->video_st ? GetVideoClock(is) : GetAudioClock(is);
    case AV_SYNC_AUDIO_MASTER:
      return is->audio_st ? GetAudioClock(is) : GetVideoClock(is);
    default:
      return GetExternalClock(is);
  }
}

double ComputeTargetDelay(TVideoState* is, double delay) {
  if ((is->av_sync_type == AV_SYNC_AUDIO_MASTER && is->audio_st) || is->av_sync_type == AV_SYNC_EXTERNAL_CLOCK) {
    const double diff = GetVideoClock(is) - GetMasterClock(is);
    const double threshold = delay > 0.01 ? delay : 0.01;
    if (std::fabs(diff) < 10) {
      if (diff <= -threshold)
        delay = 0;
      else if (diff >= threshold)
        delay = 2 * delay;
    }
  }
  return delay;
}

int SynchronizeAudio(TVideoState* is, int size, double pts) {
  if (!((is->av_sync_type == AV_SYNC_VIDEO_MASTER && is->video_st) || is->av_sync_type == AV_SYNC_EXTERNAL_CLOCK))
    return size;
  const int n = ff::av_get_bytes_per_sample(is->audio_tgt_fmt) * is->audio_tgt_channels;
  const double diff = GetAudioClock(is) - GetMasterClock(is);
  // Audio running 10 s or more ahead is a jump, not drift: the averaging
  // starts again. Audio that lags is corrected by cutting, 10 % at most.
  if (diff >= 10) {
    is->audio_diff_avg_count = 0;
    is->audio_diff_cum = 0;
    return size;
  }
  is->audio_diff_cum = diff + is->audio_diff_avg_coef * is->audio_diff_cum;
  if (is->audio_diff_avg_count < 20) {
    is->audio_diff_avg_count++;
    return size;
  }
  const double avg = is->audio_diff_cum * (1.0 - is->audio_diff_avg_coef);
  if (std::fabs(avg) >= is->audio_diff_threshold) {
    // A lag of many seconds (an external clock) takes more samples than an
    // int holds: only the clamped result needs to fit.
    int64_t wanted = size + static_cast<int64_t>(diff * is->audio_tgt_freq) * n;
    const int min = ((size / n) * 90 / 100) * n;
    int max = ((size / n) * 110 / 100) * n;
    if (max > size) max = size;
    if (max > AudioBufferSize) max = AudioBufferSize;
    if (wanted > max) wanted = max;
    if (wanted < min) wanted = min;
    if (wanted < size) size = static_cast<int>(wanted);
  }
  return size;
}

bool StreamTogglePause(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  const unsigned serial = player->FPlaybackSerial;
  if (!WaitPumping(player->FSeekEvent, 250)) player->FSeekEvent.SetEvent();
  if (!player->IsPlayback(is, serial)) return false;
  if (is->paused) {
    is->frame_timer += Now() + is->video_current_pts_drift - is->video_current_pts;
    if (is->read_pause_return != AVERROR(ENOSYS)) is->video_current_pts = is->video_current_pts_drift + Now();
    is->video_current_pts_drift = is->video_current_pts - Now();
    {
      // The sound clock goes on from where the pause held it.
      std::lock_guard<std::mutex> lock(is->audio_lock);
      is->audio_current_pts_drift = is->audio_current_pts - Now();
      is->paused = 0;
    }
  } else {
    if (is->video_stream >= 0) {
      if (!WaitPumping(player->FPictEvent, 250)) player->FPictEvent.SetEvent();
      if (!player->IsPlayback(is, serial)) return false;
    }
    // A pause holds the clock at its reading, not at the last callback's
    // estimate, which would put the position back by up to one buffer.
    std::lock_guard<std::mutex> lock(is->audio_lock);
    is->audio_current_pts = GetAudioClock(is);
    is->paused = 1;
  }
  return true;
}
