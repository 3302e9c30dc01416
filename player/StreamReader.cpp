// Opening and closing a playback, and the read thread that feeds the packet
// queues, carries out seek and flush requests and meets the end of the input.
#include <chrono>
#include <cinttypes>
#include <cstring>
#include <thread>

#include "engine/DVDTitleSource.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/UnicodeProtocol.h"
#include "engine/FFDecode.h"
#include "player/PlayerState.h"

int64_t NowMicro() { return ff::av_gettime(); }

void SleepPumping(unsigned ms) {
  if (IsWin32Thread() && IsMainThread()) {
    PumpMessages();
    WaitForHandles(nullptr, 0, false, ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

bool WaitPumping(TEvent& event, unsigned ms) {
  THandle h = event.Handle();
  return WaitForHandles(&h, 1, false, ms) == wrSignaled;
}

namespace {

constexpr int MaxQueueSize = 15 * 1024 * 1024;
constexpr int MinAudioQueueSize = 327680;
constexpr int MinFrames = 5;

TZIVoveva* Log() { return GlobalLogger(); }

void ClearIOFlags(AVFormatContext* ic) {
  if (ic && ic->pb) {
    ic->pb->eof_reached = 0;
    ic->pb->error = 0;
  }
}

// Drops everything queued and tells the decoders to start afresh.
void FlushQueues(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  if (is->audio_stream >= 0) {
    PacketQueueFlush(&is->audioq);
    PacketQueuePut(&is->audioq, &player->Fflush_pkt);
    // The decoded rest of the old position must not be heard after the jump.
    is->audio_drop_buffer = 1;
  }
  if (is->subtitle_stream >= 0) {
    PacketQueueFlush(&is->subtitleq);
    PacketQueuePut(&is->subtitleq, &player->Fflush_pkt);
  }
  if (is->video_stream >= 0) {
    is->seek_flushed = 0;
    PacketQueueFlush(&is->videoq);
    PacketQueuePut(&is->videoq, &player->Fflush_pkt);
    player->FPictEvent.ResetEvent();
  }
  is->flush_req = 0;
}

void PutEmptyPacket(TPacketQueue* q) {
  AVPacket* pkt = ff::av_packet_alloc();
  if (!pkt) return;
  PacketQueuePut(q, pkt);
  ff::av_packet_free(&pkt);
}

int QueueSize(TVideoState* is) { return is->audioq.size + is->videoq.size + is->subtitleq.size; }

void DoSeek(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  const int64_t target = is->seek_pos;
  const int64_t min = is->seek_rel > 0 ? target - is->seek_rel + 2 : INT64_MIN;
  const int64_t max = is->seek_rel < 0 ? target - is->seek_rel - 2 : INT64_MAX;
  player->FLastRead = NowMicro();
  int ret = ff::avformat_seek_file(is->ic, -1, min, target, max, is->seek_flags);
  if (ret < 0) {
    int flags = is->seek_flags;
    // Wrapping differences, as the direction rule always had.
    const int64_t up = static_cast<int64_t>(static_cast<uint64_t>(max) - static_cast<uint64_t>(target));
    const int64_t down = static_cast<int64_t>(static_cast<uint64_t>(target) - static_cast<uint64_t>(min));
    if (is->seek_flags != 0 || up < down) flags |= AVSEEK_FLAG_BACKWARD;
    ret = ff::av_seek_frame(is->ic, -1, target, flags);
    if (ret < 0) ret = ff::av_seek_frame(is->ic, -1, target, is->seek_flags ^ AVSEEK_FLAG_BACKWARD);
  }
  if (ret < 0) {
    Log()->Log(player, llError, "%s: error while seeking", is->filename.c_str());
    if (is->video_stream >= 0) player->FPictEvent.SetEvent();
  } else {
    FlushQueues(is);
    if (is->audio_stream >= 0 && !(is->seek_flags & AVSEEK_FLAG_BYTE)) {
      // Until the first sound of the new place is handed out, the clock
      // reads the target rather than the old place.
      std::lock_guard<std::mutex> lock(is->audio_lock);
      const double pos = target / 1000000.0;
      is->audio_clock = pos;
      is->audio_current_pts = pos;
      is->audio_current_pts_drift = pos - NowMicro() / 1000000.0;
      is->audio_dry = 0;
      // Positions of sound alone are held from going back a little; a seek
      // may take them back any distance.
      if (is->video_stream < 0) is->Owner->FLastPTS = NoTime;
    }
  }
  is->IOEOFLog = 0;
  is->IOERRLog = 0;
  is->ReachEOF = 0;
  is->seek_req = 0;
  is->seek_done = 1;
  player->FSeekEvent.SetEvent();
  if (is->video_stream < 0) player->FSeeking = false;
  is->eof = false;
}

// Opening steps of the read thread; the reason of a failure is in LastErrMsg.
bool OpenInput(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  const std::string& name = is->filename;
  for (int& w : player->wanted_stream) w = -1;
  is->video_stream = is->audio_stream = is->subtitle_stream = -1;

  AVFormatContext* ic = ff::avformat_alloc_context();
  if (!ic) {
    player->ReportError("av_mallocz() failed.");
    return false;
  }
  ic->interrupt_callback.callback = DecodeInterruptCallback;
  ic->interrupt_callback.opaque = player;
  if (player->Fframe_width_set && player->Fframe_height_set)
    player->opt_default("video_size", std::to_string(player->Fframe_width_set) + "x" +
                                          std::to_string(player->Fframe_height_set));
  if (player->Fframe_pix_fmt != -1) {
    const char* pf = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(player->Fframe_pix_fmt));
    if (pf) player->opt_default("pixel_format", pf);
  }
  std::string media = MediaFileName(name);
  if (media.empty()) media = StringToUTF8Buffer(name);
  AVDictionary* formatOpts = nullptr;
  ff::av_dict_copy(&formatOpts, player->FOptions.format_opts, 0);
  player->FLastRead = NowMicro();
  int err = OpenMediaInput(&ic, media, is->iformat, &formatOpts);
  if (err < 0) {
    ff::av_dict_free(&formatOpts);
    player->ReportError(FormatAVError(name, err));
    return false;
  }
  for (const AVDictionaryEntry* t = nullptr; (t = ff::av_dict_get(formatOpts, "", t, AV_DICT_IGNORE_SUFFIX));)
    Log()->Log(player, llError, "Option %s not found, ignored.", t->key);
  ff::av_dict_free(&formatOpts);
  is->ic = ic;
  if (player->genpts) ic->flags |= AVFMT_FLAG_GENPTS;

  if (player->OnBeforeFindStreamInfo) {
    auto call = [player, ic] { player->OnBeforeFindStreamInfo(player, ic); };
    if (player->TriggerEventInMainThread)
      CallInMainThread(call);
    else
      call();
  }

  AVDictionary** opts = SetupFindStreamInfoOpts(ic, player->FOptions.codec_opts);
  const unsigned count = ic->nb_streams;
  player->FLastRead = NowMicro();
  err = ff::avformat_find_stream_info(ic, opts);
  if (opts) {
    for (unsigned i = 0; i < count; ++i) ff::av_dict_free(&opts[i]);
    ff::av_free(opts);
  }
  if (err < 0) {
    player->ReportError(name + ": could not find codec parameters");
    return false;
  }
  ClearIOFlags(ic);
  if (player->seek_by_bytes < 0)
    player->seek_by_bytes = (ic->iformat->flags & AVFMT_TS_DISCONT) ? 1 : 0;
  const std::string fmt = ic->iformat->name ? ic->iformat->name : "";
  is->IsImage2 = fmt == "image2";
  is->IsDevice = fmt == "vfwcap" || fmt == "vfwcapture";
  is->StartTime = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  is->Duration = ic->duration != AV_NOPTS_VALUE ? ic->duration : -1;

  if (player->Fstart_time != NoTime) {
    int64_t target = player->Fstart_time;
    if (ic->start_time != AV_NOPTS_VALUE) target += ic->start_time;
    player->FLastRead = NowMicro();
    if (ff::avformat_seek_file(ic, -1, INT64_MIN, target, INT64_MAX, 0) < 0)
      Log()->Log(player, llError, "%s: could not seek to position %0.3f", name.c_str(), target / 1000000.0);
  }

  for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;
  int st_index[AVMEDIA_TYPE_NB];
  for (int& s : st_index) s = -1;
  if (!player->DisableVideo)
    st_index[AVMEDIA_TYPE_VIDEO] = ff::av_find_best_stream(
        ic, AVMEDIA_TYPE_VIDEO, player->wanted_stream[AVMEDIA_TYPE_VIDEO], -1, nullptr, 0);
  if (!player->DisableAudio)
    st_index[AVMEDIA_TYPE_AUDIO] =
        ff::av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, player->wanted_stream[AVMEDIA_TYPE_AUDIO],
                                st_index[AVMEDIA_TYPE_VIDEO], nullptr, 0);
  if (!player->DisableVideo)
    st_index[AVMEDIA_TYPE_SUBTITLE] = ff::av_find_best_stream(
        ic, AVMEDIA_TYPE_SUBTITLE, player->wanted_stream[AVMEDIA_TYPE_SUBTITLE],
        st_index[AVMEDIA_TYPE_AUDIO] >= 0 ? st_index[AVMEDIA_TYPE_AUDIO] : st_index[AVMEDIA_TYPE_VIDEO],
        nullptr, 0);

  player->FVideoStateCB = is;
  is->show_mode = player->FShowMode;
  if (st_index[AVMEDIA_TYPE_AUDIO] >= 0) StreamComponentOpen(is, st_index[AVMEDIA_TYPE_AUDIO]);
  int ret = -1;
  if (st_index[AVMEDIA_TYPE_VIDEO] >= 0) ret = StreamComponentOpen(is, st_index[AVMEDIA_TYPE_VIDEO]);
  if (is->show_mode == -1) is->show_mode = ret < 0 ? 2 : 0;
  if (st_index[AVMEDIA_TYPE_SUBTITLE] >= 0) StreamComponentOpen(is, st_index[AVMEDIA_TYPE_SUBTITLE]);

  if (is->video_stream < 0 && is->audio_stream < 0) {
    player->ReportError(name + ": could not open codecs, no stream to play.");
    return false;
  }
  return true;
}

// A pause of the read thread that ends early when the playback closes.
void Nap(TVideoState* is, unsigned ms) { is->wake.WaitFor(ms); }

// Returns true when the loop is to be left for good.
bool HandleReadError(TVideoState* is, int ret) {
  TCustomPlayer* player = is->Owner;
  AVFormatContext* ic = is->ic;
  if (is->video_stream >= 0) player->FPictEvent.SetEvent();
  auto reachEnd = [&] {
    is->eof = true;
    if (!is->IOEOFLog && !is->IsImage2) {
      is->IOEOFLog = 1;
      Log()->Log(player, llInfo, "reach end of file: %s", is->filename.c_str());
    }
  };
  if (ret == AVERROR(EAGAIN)) {
    ClearIOFlags(ic);
  } else if (ret == AVERROR_EOF || ret == -32) {
    reachEnd();
  } else if (ic->pb && ic->pb->error == AVERROR(EAGAIN)) {
    ClearIOFlags(ic);
  } else if (ic->pb && ic->pb->eof_reached) {
    if (player->CheckIOEOF)
      reachEnd();
    else
      ClearIOFlags(ic);
  } else {
    if (!is->IOERRLog && !is->IsImage2) {
      is->IOERRLog = 1;
      Log()->Log(player, llError, "error #%d while reading file: %s", ret, is->filename.c_str());
    }
    if (ret == -1 && player->NegativeOneAsEOF) is->eof = true;
  }
  if (ic->pb && ic->pb->error) {
    if (player->CheckIOERR) return true;
    ClearIOFlags(ic);
  }
  Nap(is, 100);
  return false;
}

void ReadLoop(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  AVFormatContext* ic = is->ic;
  AVPacket* pkt = ff::av_packet_alloc();
  while (!is->abort_request) {
    if (is->paused != is->last_paused) {
      is->last_paused = is->paused;
      if (is->paused)
        is->read_pause_return = ff::av_read_pause(ic);
      else
        ff::av_read_play(ic);
    }
    if (is->paused && (std::strcmp(ic->iformat->name, "rtsp") == 0 ||
                       (ic->pb && is->filename.compare(0, 5, "mmsh:") == 0))) {
      Nap(is, 10);
      continue;
    }
    if (is->cycle_req) HandleCycleRequest(is);
    if (is->seek_req) {
      DoSeek(is);
    } else if (is->flush_req) {
      FlushQueues(is);
      is->seek_done = 1;
    }
    if (QueueSize(is) > MaxQueueSize ||
        ((is->audioq.size > MinAudioQueueSize || is->audio_stream < 0) &&
         (is->videoq.nb_packets > MinFrames || is->video_stream < 0) &&
         (is->subtitleq.nb_packets > MinFrames || is->subtitle_stream < 0))) {
      Nap(is, 10);
      continue;
    }
    if (is->eof) {
      if (is->video_stream >= 0) {
        PutEmptyPacket(&is->videoq);
        player->FPictEvent.SetEvent();
      }
      if (is->audio_stream >= 0 && is->audio_ctx &&
          (is->audio_ctx->codec->capabilities & AV_CODEC_CAP_DELAY))
        PutEmptyPacket(&is->audioq);
      Nap(is, 10);
      if (QueueSize(is) == 0) is->ReachEOF = 1;
      is->eof = false;
      continue;
    }
    is->Reading = 1;
    player->FLastRead = NowMicro();
    const int ret = ff::av_read_frame(ic, pkt);
    if (is->abort_request) {
      ff::av_packet_unref(pkt);
      break;
    }
    is->Reading = 0;
    if (ret < 0) {
      if (HandleReadError(is, ret)) break;
      continue;
    }
    if (pkt->stream_index == is->audio_stream)
      PacketQueuePut(&is->audioq, pkt);
    else if (pkt->stream_index == is->video_stream)
      PacketQueuePut(&is->videoq, pkt);
    else if (pkt->stream_index == is->subtitle_stream)
      PacketQueuePut(&is->subtitleq, pkt);
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  is->Reading = 0;
  player->FLastRead = INT64_MAX;
  // The read thread never ends a playback by itself: it waits to be told.
  while (!is->abort_request) Nap(is, 100);
}

void ReadThread(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  const bool opened = OpenInput(is);
  if (opened) {
    // The player's decoder shows the open file while it plays; adopted and
    // given back on this thread, so it never holds a closed context.
    if (player->Decoder()->AVLibLoaded()) player->Decoder()->SetFileHandle(is->ic);
    is->Opened = 1;
    ReadLoop(is);
  }
  if (is->Opened != 1) is->Opened = -1;
  player->FLastRead = INT64_MAX;
  if (is->ic) is->ic->interrupt_callback.callback = nullptr;
  player->FVideoStateCB = nullptr;
  if (is->audio_stream >= 0) StreamComponentClose(is, is->audio_stream);
  if (is->video_stream >= 0) StreamComponentClose(is, is->video_stream);
  if (is->subtitle_stream >= 0) StreamComponentClose(is, is->subtitle_stream);
  if (player->Decoder()->FileHandle() == is->ic && is->ic) player->Decoder()->SetFileHandle(nullptr);
  if (is->ic) CloseMediaInput(&is->ic);
  if (!opened) player->PushUserEvent(QuitEvent, is);
  if (is->Opened == -1) is->Opened = -2;
}

void JoinThread(TThread*& thread) {
  if (!thread) return;
  thread->WaitFor();  // keeps the GUI thread's messages flowing
  delete thread;
  thread = nullptr;
}

}  // namespace

int DecodeInterruptCallback(void* opaque) {
  auto* player = static_cast<TCustomPlayer*>(opaque);
  TVideoState* is = player->FVideoStateCB;
  if (is && is->abort_request == 1) {
    Log()->Log(player, llInfo, "connecting/reading broken");
    return 1;
  }
  const int64_t last = player->FLastRead;
  if (last == INT64_MAX || player->ReadTimeout <= 0) return 0;
  if (NowMicro() - last > static_cast<int64_t>(player->ReadTimeout) * 1000) {
    Log()->Log(player, llInfo, last == 0 ? "connecting/reading canceled" : "connecting/reading timeout");
    return 1;
  }
  return 0;
}

bool StreamOpen(TCustomPlayer* player, const std::string& name, const AVInputFormat* format, bool APaused) {
  auto* is = new (std::nothrow) TVideoState();
  if (!is) {
    player->ReportError("av_mallocz() failed.");
    return false;
  }
  is->Owner = player;
  if (APaused) {
    is->paused = 1;
    is->open_paused = 1;
    is->step = 0;
  }
  is->filename = name;
  is->iformat = format;
  is->av_sync_type = player->av_sync_type;
  // Opening can be cancelled by Stop before it is visible as the playback.
  player->FVideoStateCB = is;
  is->read_tid = new TAnonymousThread([is] { ReadThread(is); });
  is->read_tid->Start();
  while (is->Opened == 0) SleepPumping(10);
  if (is->Opened < 1) {
    while (is->Opened == -1) SleepPumping(10);
    JoinThread(is->read_tid);
    player->FVideoStateCB = nullptr;
    delete is;
    return false;
  }
  ++player->FPlaybackSerial;
  player->FVideoState = is;
  StartRefreshThread(is);
  return true;
}

void StreamClose(TCustomPlayer* player, bool shutdownSDL) {
  if (TVideoState* is = player->FVideoState) {
    is->abort_request = 1;
    is->wake.SetEvent();
    JoinThread(is->read_tid);
    JoinThread(is->refresh_tid);
    FreePictures(is);
    player->FVideoState = nullptr;
    player->FVideoStateCB = nullptr;
    delete is;
  }
  if (shutdownSDL) player->ShutdownSDL();
  ff::av_log(nullptr, AV_LOG_QUIET, "%s", "");
}
