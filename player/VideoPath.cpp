// The picture side of a playback: the video thread decodes into a queue of
// two pictures, the refresh tick drives the play thread, which shows each
// picture when the clocks say it is due, scaling it into the host window's
// picture and drawing the changed area into the window.
#include <cmath>

#include "engine/AVCodecStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/SwScaleStubs.h"
#include "framework/HostPicture.h"
#include "player/PlayerState.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

double NowSeconds() { return NowMicro() / 1000000.0; }

// A seek was asked for and the video thread has not met its flush marker
// yet: pictures decoded now belong to the old place.
bool SeekPending(TVideoState* is) {
  return !is->seek_flushed && is->Owner->FPictEvent.WaitFor(0) != wrSignaled;
}

bool WaitForRoom(TVideoState* is) {
  std::unique_lock<std::mutex> lock(is->pictq_mutex);
  // A paused playback takes no pictures: without giving up on a stale one
  // the flush marker of a seek would never be reached.
  while (is->pictq_size >= PictureQueueSize && !is->videoq.abort_request) {
    if (SeekPending(is)) return false;
    is->pictq_cond.wait_for(lock, std::chrono::milliseconds(10));
  }
  return !is->videoq.abort_request;
}

void QueuePicture(TVideoState* is, AVFrame* frame, double pts) {
  if (!WaitForRoom(is)) return;
  TVideoPicture& vp = is->pictq[is->pictq_windex];
  ff::av_frame_unref(vp.frame);
  ff::av_frame_move_ref(vp.frame, frame);
  vp.pts = pts;
  vp.pos = vp.frame->pkt_pos;
  vp.skip = 0;
  is->pictq_windex = (is->pictq_windex + 1) % PictureQueueSize;
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  ++is->pictq_size;
}

// A flush marker: pictures of the old place are skipped, and the clocks of
// the picture side start again.
void FlushPictures(TVideoState* is) {
  ff::avcodec_flush_buffers(is->video_ctx);
  std::unique_lock<std::mutex> lock(is->pictq_mutex);
  for (TVideoPicture& vp : is->pictq) vp.skip = 1;
  while (is->pictq_size > 0 && !is->videoq.abort_request)
    is->pictq_cond.wait_for(lock, std::chrono::milliseconds(10));
  is->video_current_pos = -1;
  is->frame_last_pts = AV_NOPTS_VALUE;
  is->frame_last_duration = 0;
  is->frame_timer = NowSeconds();
  is->frame_last_dropped_pts = AV_NOPTS_VALUE;
  is->seek_flushed = 1;
}

double PictureTime(TVideoState* is, const AVFrame* frame) {
  TCustomPlayer* player = is->Owner;
  int64_t ts = frame->best_effort_timestamp;
  if (player->decoder_reorder_pts == 0)
    ts = frame->pkt_dts;
  else if (player->decoder_reorder_pts > 0)
    ts = frame->pts;
  if (ts == AV_NOPTS_VALUE) ts = 0;
  return ts * av_q2d(is->video_st->time_base);
}

void VideoThread(TVideoState* is) {
  AVFrame* frame = ff::av_frame_alloc();
  int last_w = 0, last_h = 0, last_fmt = -1;
  for (;;) {
    AVPacket* pkt = nullptr;
    if (PacketQueueGet(&is->videoq, &pkt, true) < 0) break;
    if (IsFlushPacket(is, pkt)) {
      FlushPictures(is);
      continue;
    }
    const bool empty = pkt->size == 0;
    ff::avcodec_send_packet(is->video_ctx, empty ? nullptr : pkt);
    ff::av_packet_free(&pkt);
    while (ff::avcodec_receive_frame(is->video_ctx, frame) == 0) {
      if (frame->width != last_w || frame->height != last_h || frame->format != last_fmt) {
        if (last_fmt >= 0)
          GlobalLogger()->Log(is->Owner, llInfo, "Video frame changed from size:%dx%d to size:%dx%d", last_w,
                              last_h, frame->width, frame->height);
        last_w = frame->width;
        last_h = frame->height;
        last_fmt = frame->format;
      }
      const double pts = PictureTime(is, frame);
      QueuePicture(is, frame, pts);
      ff::av_frame_unref(frame);
      if (is->videoq.abort_request) break;
    }
    if (empty) {
      // The decoder was drained: it takes packets again after a seek.
      ff::avcodec_flush_buffers(is->video_ctx);
      if (is->EventEOF == 0) is->Owner->UpdatePosition();
    }
  }
  ff::av_frame_free(&frame);
}

void PictqNext(TVideoState* is) {
  is->pictq_rindex = (is->pictq_rindex + 1) % PictureQueueSize;
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  --is->pictq_size;
  is->pictq_cond.notify_all();
}

void UpdateVideoPts(TVideoState* is, double pts, int64_t pos) {
  is->video_current_pts = pts;
  is->video_current_pts_drift = pts - NowSeconds();
  is->video_current_pos = pos;
  is->frame_last_pts = pts;
}

// The rectangle inside the area where the picture keeps its proportions.
void DisplayRect(TVideoState* is, const AVFrame* f, int areaW, int areaH, int& x, int& y, int& w, int& h) {
  const float wanted = is->Owner->FAspectRatio;
  double aspect;
  if (wanted < 0 && areaW > 0 && areaH > 0) {
    aspect = static_cast<double>(areaW) / areaH;
  } else if (wanted > 0) {
    aspect = wanted;
  } else {
    double sar = f->sample_aspect_ratio.num > 0 && f->sample_aspect_ratio.den > 0 ? av_q2d(f->sample_aspect_ratio) : 0;
    if (sar <= 0 && is->video_st && is->video_st->sample_aspect_ratio.num > 0)
      sar = av_q2d(is->video_st->sample_aspect_ratio);
    if (sar <= 0) sar = 1;
    aspect = sar * f->width / f->height;
  }
  h = areaH;
  w = static_cast<int>(std::lround(h * aspect)) & ~1;
  if (w > areaW) {
    w = areaW;
    h = static_cast<int>(std::lround(w / aspect)) & ~1;
  }
  x = (areaW - w) / 2;
  y = (areaH - h) / 2;
  if (w < 2) w = 1;
  if (h < 2) h = 1;
}

// Scales the current frame into the host picture and shows what changed.
void ShowFrame(TVideoState* is, bool relayout) {
  THostPicture* host = is->host;
  AVFrame* f = is->shown;
  if (!host || !f || f->width <= 0 || f->height <= 0) return;
  TCustomPlayer* player = is->Owner;
  bool whole = relayout;
  {
    std::lock_guard<std::mutex> lock(host->Lock());
    if (relayout) {
      int w = 0, h = 0;
      if (host->ClientSize(w, h) && (w != host->Width() || h != host->Height())) host->SetSize(w, h);
    }
    int x, y, w, h;
    DisplayRect(is, f, host->Width(), host->Height(), x, y, w, h);
    if (x != is->rect_x || y != is->rect_y || w != is->rect_w || h != is->rect_h) {
      std::fill(host->Pixels(), host->Pixels() + static_cast<size_t>(host->Width()) * host->Height(), 0u);
      is->rect_x = x, is->rect_y = y, is->rect_w = w, is->rect_h = h;
      whole = true;
    }
    if (w <= 0 || h <= 0 || !host->Pixels()) return;
    is->sws = ff::sws_getCachedContext(is->sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), w, h,
                                       AV_PIX_FMT_BGRA, player->Fsws_flags, nullptr, nullptr, nullptr);
    if (!is->sws) return;
    const uint8_t* src[4] = {f->data[0], f->data[1], f->data[2], f->data[3]};
    int stride[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
    if (player->FVerticalFlip) {
      // Each plane read from its last line upwards comes out upside down.
      const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
      for (int i = 0; i < 4 && src[i]; ++i) {
        const int lines = (i == 1 || i == 2) && d ? AV_CEIL_RSHIFT(f->height, d->log2_chroma_h) : f->height;
        src[i] += static_cast<ptrdiff_t>(stride[i]) * (lines - 1);
        stride[i] = -stride[i];
      }
    }
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(host->Pixels() + static_cast<size_t>(y) * host->Width() + x),
                       nullptr, nullptr, nullptr};
    int dstStride[4] = {host->Stride(), 0, 0, 0};
    ff::sws_scale(is->sws, src, stride, 0, f->height, dst, dstStride);
    player->Fframe_width = f->width;
    player->Fframe_height = f->height;
  }
  if (whole)
    host->ShowAll();
  else
    host->Show(is->rect_x, is->rect_y, is->rect_w, is->rect_h);
}

}  // namespace

int VideoComponentOpen(TVideoState* is) {
  int error;
  AVCodecContext* ctx = OpenStreamDecoder(is, is->video_stream, error);
  if (!ctx) return error < 0 ? error : -1;
  is->video_ctx = ctx;
  for (TVideoPicture& vp : is->pictq) {
    if (!vp.frame) vp.frame = ff::av_frame_alloc();
  }
  is->pictq_size = is->pictq_rindex = is->pictq_windex = 0;
  is->frame_timer = NowSeconds();
  is->frame_last_pts = AV_NOPTS_VALUE;
  is->frame_last_duration = 0;
  TCustomPlayer* player = is->Owner;
  if (!is->host && player->FScreenHandle && !player->DisableDisplay) {
    is->host = new THostPicture(player->FScreenHandle);
    is->host->OnResize = [player, is](int w, int h) {
      SDL_Event event{};
      event.type = ResizeEvent;
      event.user.code = w;
      event.user.data1 = is;
      event.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(h));
      if (player->SDL().SDL_PushEvent) player->SDL().SDL_PushEvent(&event);
    };
    is->host->OnExpose = [player, is] { player->PushUserEvent(ExposeEvent, is); };
  }
  PacketQueueInit(is, &is->videoq);
  PacketQueuePut(&is->videoq, &player->Fflush_pkt);
  is->video_tid = new TAnonymousThread([is] { VideoThread(is); });
  is->video_tid->Start();
  return 0;
}

void VideoComponentClose(TVideoState* is) {
  PacketQueueAbort(&is->videoq);
  is->pictq_cond.notify_all();
  if (is->video_tid) {
    is->video_tid->WaitFor();
    delete is->video_tid;
    is->video_tid = nullptr;
  }
  PacketQueueDestroy(&is->videoq);
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  for (TVideoPicture& vp : is->pictq) ff::av_frame_free(&vp.frame);
  is->pictq_size = is->pictq_rindex = is->pictq_windex = 0;
  ff::avcodec_free_context(&is->video_ctx);
}

int SubtitleComponentOpen(TVideoState* is) { return -1; }
void SubtitleComponentClose(TVideoState* is) {}

void VideoDisplay(TVideoState* is) {
  if (is->video_stream >= 0) ShowFrame(is, false);
}

void HandleVideoEvent(TVideoState* is, const SDL_Event& event) {
  switch (event.type) {
    case ResizeEvent:
    case RelayoutEvent:
      is->rect_w = -1;  // lay out again even when the rectangle stays
      ShowFrame(is, true);
      break;
    case ExposeEvent:
      if (is->host) is->host->ShowAll();
      break;
    default:
      break;
  }
}

void FreePictures(TVideoState* is) {
  delete is->host;
  is->host = nullptr;
  ff::av_frame_free(&is->shown);
  ff::sws_freeContext(is->sws);
  is->sws = nullptr;
  for (TVideoPicture& vp : is->pictq) ff::av_frame_free(&vp.frame);
}

void StartRefreshThread(TVideoState* is) {
  is->refresh_tid = new TAnonymousThread([is] {
    TCustomPlayer* player = is->Owner;
    while (!is->abort_request) {
      if (is->refresh != 1) {
        is->refresh = 1;
        player->PushUserEvent(RefreshEvent, is);
      }
      const bool slow = is->audio_stream >= 0 && is->show_mode != 0;
      is->wake.WaitFor(slow ? player->rdftspeed : 5);
    }
  });
  is->refresh_tid->Start();
}

void VideoRefresh(TVideoState* is, bool fromTimer) {
  TCustomPlayer* player = is->Owner;
  if (is->video_stream < 0) {
    if (is->audio_stream >= 0) {
      VideoDisplay(is);
      player->UpdatePosition();
    }
    return;
  }
  for (;;) {
    int size;
    {
      std::lock_guard<std::mutex> lock(is->pictq_mutex);
      size = is->pictq_size;
    }
    if (size == 0) return;
    TVideoPicture& vp = is->pictq[is->pictq_rindex];
    if (vp.skip) {
      PictqNext(is);
      continue;
    }
    const bool afterSeek = is->seek_flushed == 1;
    if (is->paused && !is->step && !afterSeek) return;
    const double time = NowSeconds();
    if (!afterSeek) {
      double last = vp.pts - is->frame_last_pts;
      if (is->frame_last_pts != AV_NOPTS_VALUE && last > 0 && last < 10)
        is->frame_last_duration = last;
      else
        last = is->frame_last_duration;
      const double delay = ComputeTargetDelay(is, last);
      if (time < is->frame_timer + delay && !is->step) return;
      is->frame_timer += delay;
      if (delay > 0 && time - is->frame_timer > 0.1) is->frame_timer = time;
      // A late picture is dropped when the next one is due already.
      if (size > 1 && player->framedrop != 0 && !is->step &&
          (player->framedrop > 0 || is->audio_stream >= 0) && is->av_sync_type != AV_SYNC_VIDEO_MASTER) {
        const TVideoPicture& next = is->pictq[(is->pictq_rindex + 1) % PictureQueueSize];
        if (!next.skip && time > is->frame_timer + (next.pts - vp.pts)) {
          ++is->frame_drops_late;
          UpdateVideoPts(is, vp.pts, vp.pos);
          PictqNext(is);
          continue;
        }
      }
    } else {
      is->frame_timer = time;
    }
    UpdateVideoPts(is, vp.pts, vp.pos);
    if (!is->shown) is->shown = ff::av_frame_alloc();
    ff::av_frame_unref(is->shown);
    ff::av_frame_ref(is->shown, vp.frame);
    PictqNext(is);
    VideoDisplay(is);
    if (afterSeek) {
      is->seek_flushed = 0;
      is->seek_done = 0;
      player->FSeeking = false;
      player->FPictEvent.SetEvent();
    }
    player->UpdatePosition();
    if (is->step && !is->paused.load()) {
      is->step = 0;
      StreamTogglePause(is);
    }
    return;
  }
}
