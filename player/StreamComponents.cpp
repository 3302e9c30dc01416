// Opening, closing and switching the played stream of each media type.
#include <cmath>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/SwResampleStubs.h"
#include "engine/FFLog.h"
#include "player/PlayerState.h"

namespace {

TZIVoveva* Log() { return GlobalLogger(); }

// The default layout of a channel count without the stereo-downmix channels.
AVChannelLayout WantedLayout(const AVCodecContext* ctx) {
  AVChannelLayout layout{};
  if (ctx->ch_layout.order == AV_CHANNEL_ORDER_NATIVE && ctx->ch_layout.nb_channels > 0)
    ff::av_channel_layout_copy(&layout, &ctx->ch_layout);
  else
    ff::av_channel_layout_default(&layout, ctx->ch_layout.nb_channels);
  if (layout.order == AV_CHANNEL_ORDER_NATIVE) {
    const uint64_t mask = layout.u.mask & ~(AV_CH_STEREO_LEFT | AV_CH_STEREO_RIGHT);
    if (mask != layout.u.mask && mask != 0) {
      layout.u.mask = mask;
      layout.nb_channels = __builtin_popcountll(mask);
    }
  }
  return layout;
}

int OpenAudioDevice(TVideoState* is, int freq, AVChannelLayout& layout) {
  TCustomPlayer* player = is->Owner;
  const TSDLEntries& sdl = player->SDL();
  SDL_AudioSpec wanted{}, obtained{};
  wanted.freq = freq;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(layout.nb_channels);
  wanted.silence = 0;
  wanted.samples = 1024;
  wanted.callback = AudioCallback;
  wanted.userdata = is;
  // Only rate and channel changes are acceptable: the sound path hands out
  // signed 16-bit samples and nothing else.
  const int allowed = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE;
  SDL_AudioDeviceID dev = sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, allowed);
  if (!dev && wanted.channels != 2) {
    wanted.channels = 2;
    ff::av_channel_layout_uninit(&layout);
    ff::av_channel_layout_default(&layout, 2);
    dev = sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, allowed);
  }
  if (!dev) {
    Log()->Log(player, llError, std::string("SDL_OpenAudio() failed: ") + sdl.SDL_GetError());
    return -1;
  }
  is->audio_dev = dev;
  is->audio_hw_buf_size = static_cast<int>(obtained.size);
  if (obtained.format != AUDIO_S16SYS) {
    Log()->Log(player, llError, "SDL advised audio format %d is not supported!", static_cast<int>(obtained.format));
    return -1;
  }
  if (obtained.channels != layout.nb_channels) {
    ff::av_channel_layout_uninit(&layout);
    ff::av_channel_layout_default(&layout, obtained.channels);
    if (layout.order != AV_CHANNEL_ORDER_NATIVE) {
      Log()->Log(player, llError, "SDL advised channel count %d is not supported!", static_cast<int>(obtained.channels));
      return -1;
    }
  }
  is->audio_src_fmt = is->audio_tgt_fmt = AV_SAMPLE_FMT_S16;
  is->audio_src_freq = is->audio_tgt_freq = obtained.freq;
  ff::av_channel_layout_uninit(&is->audio_src_channel_layout);
  ff::av_channel_layout_uninit(&is->audio_tgt_channel_layout);
  ff::av_channel_layout_copy(&is->audio_src_channel_layout, &layout);
  ff::av_channel_layout_copy(&is->audio_tgt_channel_layout, &layout);
  is->audio_src_channels = is->audio_tgt_channels = obtained.channels;
  return 0;
}

void CloseDevice(TVideoState* is) {
  if (is->audio_dev) {
    is->Owner->SDL().SDL_CloseAudioDevice(is->audio_dev);  // joins SDL's audio thread
    is->audio_dev = 0;
  }
}

}  // namespace

AVCodecContext* OpenStreamDecoder(TVideoState* is, int stream_index, int& error) {
  TCustomPlayer* player = is->Owner;
  AVFormatContext* ic = is->ic;
  AVStream* st = ic->streams[stream_index];
  const AVCodecParameters* par = st->codecpar;
  error = -1;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  const std::string* forced = par->codec_type == AVMEDIA_TYPE_AUDIO      ? &player->audio_codec_name
                              : par->codec_type == AVMEDIA_TYPE_VIDEO    ? &player->video_codec_name
                              : par->codec_type == AVMEDIA_TYPE_SUBTITLE ? &player->subtitle_codec_name
                                                                         : nullptr;
  if (forced && !forced->empty()) codec = ff::avcodec_find_decoder_by_name(forced->c_str());
  if (!codec) {
    Log()->Log(player, llError, "Cannot find decoder.");
    return nullptr;
  }
  AVCodecContext* ctx = ff::avcodec_alloc_context3(codec);
  if (!ctx || ff::avcodec_parameters_to_context(ctx, par) < 0) {
    ff::avcodec_free_context(&ctx);
    Log()->Log(player, llError, "avcodec_open2() failed.");
    return nullptr;
  }
  ctx->pkt_timebase = st->time_base;
  ctx->workaround_bugs = player->workaround_bugs;
  int lowres = player->lowres;
  if (lowres > codec->max_lowres) {
    Log()->Log(player, llWarning, "The maximum value for lowres supported by the decoder is %d", codec->max_lowres);
    lowres = codec->max_lowres;
  }
  ctx->lowres = lowres;
  ctx->idct_algo = player->idct_algo;
  if (player->fast) ctx->flags2 |= AV_CODEC_FLAG2_FAST;
  ctx->skip_frame = static_cast<AVDiscard>(player->skip_frame);
  ctx->skip_idct = static_cast<AVDiscard>(player->skip_idct);
  ctx->skip_loop_filter = static_cast<AVDiscard>(player->skip_loop_filter);
  ctx->err_recognition = player->error_recognition;
  ctx->error_concealment = player->error_concealment;

  AVDictionary* opts = FilterCodecOpts(player->FOptions.codec_opts, codec, ic, st);
  if (ctx->codec_type == AVMEDIA_TYPE_AUDIO &&
      ff::av_opt_find(const_cast<AVClass**>(&codec->priv_class), "downmix", nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))
    ff::av_dict_set(&opts, "downmix", "stereo", 0);  // decoders that can down-mix do it themselves
  if (ctx->codec_type == AVMEDIA_TYPE_AUDIO &&
      (ctx->sample_rate <= 0 || ctx->ch_layout.nb_channels <= 0)) {
    Log()->Log(player, llError, "Invalid sample rate or channel count!");
    ff::av_dict_free(&opts);
    ff::avcodec_free_context(&ctx);
    return nullptr;
  }
  if (ff::avcodec_open2(ctx, codec, &opts) < 0) {
    Log()->Log(player, llError, "avcodec_open2() failed.");
    ff::av_dict_free(&opts);
    ff::avcodec_free_context(&ctx);
    return nullptr;
  }
  if (const AVDictionaryEntry* t = ff::av_dict_get(opts, "", nullptr, AV_DICT_IGNORE_SUFFIX)) {
    Log()->Log(player, llError, "Option %s not found.", t->key);
    ff::av_dict_free(&opts);
    ff::avcodec_free_context(&ctx);
    error = AVERROR_OPTION_NOT_FOUND;
    return nullptr;
  }
  ff::av_dict_free(&opts);
  error = 0;
  return ctx;
}

double ChooseFrameDelay(TVideoState* is, int stream_index, const AVCodecContext* ctx) {
  TCustomPlayer* player = is->Owner;
  const AVStream* st = is->ic->streams[stream_index];
  // The decoder's picture period, when its stream headers tell one.
  const AVRational tb = ctx->framerate.num > 0 && ctx->framerate.den > 0
                            ? AVRational{ctx->framerate.den, ctx->framerate.num}
                            : AVRational{0, 1};
  const double decoderRate = tb.num > 0 ? double(tb.den) / tb.num : 0.0;
  AVRational forced{};
  if (!player->ForceFrameRate().empty() && ff::av_parse_video_rate(&forced, player->ForceFrameRate().c_str()) >= 0 &&
      forced.num > 0 && forced.den > 0) {
    Log()->Log(player, llInfo, "Force stream %d frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)", stream_index,
               decoderRate, tb.den, tb.num, av_q2d(forced), forced.num, forced.den);
    return double(forced.den) / forced.num;
  }
  AVRational rate = st->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = st->avg_frame_rate;
  const bool haveRate = rate.num > 0 && rate.den > 0;
  const bool agree = tb.num > 0 && haveRate && tb.num == rate.den && rate.num == tb.den;
  if (tb.num > 0 && (!player->AutoAdjustFrameRate || agree || !haveRate)) return double(tb.num) / tb.den;
  if (haveRate) {
    // A decoder that names no rate of its own follows the container quietly.
    if (tb.num > 0)
      Log()->Log(player, llInfo,
                 "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                 stream_index, decoderRate, tb.den, tb.num, av_q2d(rate), rate.num, rate.den);
    return double(rate.den) / rate.num;
  }
  return is->frame_delay;
}

int StreamComponentOpen(TVideoState* is, int stream_index) {
  AVFormatContext* ic = is->ic;
  if (stream_index < 0 || stream_index >= static_cast<int>(ic->nb_streams)) return -1;
  AVStream* st = ic->streams[stream_index];
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO: {
      int error;
      AVCodecContext* ctx = OpenStreamDecoder(is, stream_index, error);
      if (!ctx) return error;
      AVChannelLayout layout = WantedLayout(ctx);
      if (OpenAudioDevice(is, ctx->sample_rate, layout) < 0) {
        ff::av_channel_layout_uninit(&layout);
        CloseDevice(is);
        ff::avcodec_free_context(&ctx);
        return -1;
      }
      ff::av_channel_layout_uninit(&layout);
      st->discard = AVDISCARD_DEFAULT;
      is->audio_ctx = ctx;
      is->audio_st = st;
      is->AudioDuration = st->duration != AV_NOPTS_VALUE
                              ? ff::av_rescale_q(st->duration, st->time_base, AVRational{1, 1000000})
                              : -1;
      is->audio_buf_size = 0;
      is->audio_buf_index = 0;
      is->audio_diff_avg_coef = std::exp(std::log10(0.01) / 20);  // e^-0.1
      is->audio_diff_avg_count = 0;
      is->audio_diff_threshold = 2048.0 / ctx->sample_rate;
      is->audio_pkt = nullptr;
      is->audio_drain_sent = false;
      // The clock starts where the input starts until the first sound is out.
      is->audio_current_pts = is->StartTime / 1000000.0;
      is->audio_current_pts_drift = is->audio_current_pts - NowMicro() / 1000000.0;
      PacketQueueInit(is, &is->audioq);
      PacketQueuePut(&is->audioq, &is->Owner->Fflush_pkt);
      is->audio_stream = stream_index;
      is->Owner->SDL().SDL_PauseAudioDevice(is->audio_dev, 0);
      return 0;
    }
    case AVMEDIA_TYPE_VIDEO:
      is->video_st = st;
      is->video_stream = stream_index;
      if (VideoComponentOpen(is) < 0) {
        is->video_st = nullptr;
        is->video_stream = -1;
        return -1;
      }
      st->discard = AVDISCARD_DEFAULT;
      return 0;
    case AVMEDIA_TYPE_SUBTITLE:
      is->subtitle_st = st;
      is->subtitle_stream = stream_index;
      if (SubtitleComponentOpen(is) < 0) {
        is->subtitle_st = nullptr;
        is->subtitle_stream = -1;
        return -1;
      }
      st->discard = AVDISCARD_DEFAULT;
      return 0;
    default:
      return -1;
  }
}

void StreamComponentClose(TVideoState* is, int stream_index) {
  AVFormatContext* ic = is->ic;
  if (!ic || stream_index < 0 || stream_index >= static_cast<int>(ic->nb_streams)) return;
  AVStream* st = ic->streams[stream_index];
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      PacketQueueAbort(&is->audioq);
      CloseDevice(is);
      PacketQueueDestroy(&is->audioq);
      ff::swr_free(&is->swr_ctx);
      if (is->audio_pkt && !IsFlushPacket(is, is->audio_pkt)) ff::av_packet_free(&is->audio_pkt);
      is->audio_pkt = nullptr;
      ff::av_frame_free(&is->frame);
      is->audio_buf = nullptr;
      ff::avcodec_free_context(&is->audio_ctx);
      ff::av_channel_layout_uninit(&is->audio_src_channel_layout);
      ff::av_channel_layout_uninit(&is->audio_tgt_channel_layout);
      is->audio_st = nullptr;
      is->audio_stream = -1;
      is->AudioDuration = -1;
      break;
    case AVMEDIA_TYPE_VIDEO:
      VideoComponentClose(is);
      is->video_st = nullptr;
      is->video_stream = -1;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      SubtitleComponentClose(is);
      is->subtitle_st = nullptr;
      is->subtitle_stream = -1;
      break;
    default:
      break;
  }
  st->discard = AVDISCARD_ALL;
}

bool StreamCycleChannel(TVideoState* is, int codec_type, int stream_index) {
  TCustomPlayer* player = is->Owner;
  AVFormatContext* ic = is->ic;
  const int current = codec_type == AVMEDIA_TYPE_AUDIO   ? is->audio_stream.load()
                      : codec_type == AVMEDIA_TYPE_VIDEO ? is->video_stream.load()
                                                         : is->subtitle_stream.load();
  const int lowest = codec_type == AVMEDIA_TYPE_SUBTITLE ? -1 : 0;
  if (current < lowest) {
    player->ReportError("the current stream is not valid.");
    return false;
  }
  if (!ic || stream_index < lowest || stream_index >= static_cast<int>(ic->nb_streams)) {
    player->ReportError("the stream index is not valid.");
    return false;
  }
  if (stream_index == current) return true;
  if (stream_index >= 0) {
    const AVCodecParameters* par = ic->streams[stream_index]->codecpar;
    if (par->codec_type != codec_type) {
      player->ReportError("the stream type is not matched.");
      return false;
    }
    if (codec_type == AVMEDIA_TYPE_AUDIO) {
      if (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0) {
        player->ReportError("the audio stream is not invalid.");
        return false;
      }
    } else if (codec_type != AVMEDIA_TYPE_VIDEO && codec_type != AVMEDIA_TYPE_SUBTITLE) {
      player->ReportError("the stream type is invalid.");
      return false;
    }
  }
  is->cycle_type = codec_type;
  is->cycle_index = stream_index;
  is->cycle_req = CycleRequested;
  // The wait dispatches the application's handlers, and one may end the
  // playback: the record is looked at only while it is still the playback.
  const unsigned serial = player->FPlaybackSerial;
  const int64_t giveUp = NowMicro() + CycleWaitLimitMs * 1000;
  for (;;) {
    SleepPumping(10);
    if (!player->IsPlayback(is, serial) || is->abort_request) {
      player->ReportError("the playback ended before the stream switch.");
      return false;
    }
    if (is->cycle_req == CycleDone) return true;
    // A read thread blocked in its input, paused on a network stream or
    // finished after an error does not come to the request: withdrawn
    // unless it has already begun.
    int pending = CycleRequested;
    if (NowMicro() > giveUp && is->cycle_req.compare_exchange_strong(pending, CycleDone)) {
      player->ReportError("the stream switch timed out.");
      return false;
    }
  }
}

void HandleCycleRequest(TVideoState* is) {
  int pending = CycleRequested;
  if (!is->cycle_req.compare_exchange_strong(pending, CycleRunning)) return;
  const int current = is->cycle_type == AVMEDIA_TYPE_AUDIO   ? is->audio_stream.load()
                      : is->cycle_type == AVMEDIA_TYPE_VIDEO ? is->video_stream.load()
                                                             : is->subtitle_stream.load();
  if (current >= 0) StreamComponentClose(is, current);
  if (is->cycle_index >= 0) StreamComponentOpen(is, is->cycle_index);
  is->cycle_req = CycleDone;
}
