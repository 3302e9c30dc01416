// The picture side of a playback: the video thread decodes into a queue of
// two pictures, the refresh tick drives the play thread, which shows each
// picture when the clocks say it is due, scaling it into the host window's
// picture and drawing the changed area into the window.
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FormatConverter.h"
#include "engine/FFLog.h"
#include "engine/FFUtils.h"
#include "engine/SwScaleStubs.h"
#include "framework/HostPicture.h"
#include "player/PlayerState.h"

extern "C" {
#include <libavcodec/avfft.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

double NowSeconds() { return NowMicro() / 1000000.0; }

void ExpireSubtitles(TVideoState* is);
void BlendDueSubtitle(TVideoState* is);

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

// Logged when the picture of a playback cannot be had at its size; the
// playback is then closed.
void OverlayFailed(TVideoState* is, int w, int h) {
  GlobalLogger()->Log(is->Owner, llFatal,
                      "Error: the video system does not support an image size of %dx%d pixels. Try using -lowres or "
                      "-vf \"scale=w:h\" to reduce the image size.",
                      w, h);
  is->Owner->PushUserEvent(QuitEvent, is);
}

// A copy of the picture turned upside down: every plane read from its last
// line upwards.
AVFrame* FlippedCopy(const AVFrame* src) {
  AVFrame* f = ff::av_frame_alloc();
  if (!f) return nullptr;
  f->format = src->format;
  f->width = src->width;
  f->height = src->height;
  if (ff::av_frame_get_buffer(f, 0) < 0) {
    ff::av_frame_free(&f);
    return nullptr;
  }
  ff::av_frame_copy_props(f, src);
  const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(src->format));
  const uint8_t* planes[4] = {};
  int strides[4] = {};
  for (int i = 0; i < 4 && src->data[i]; ++i) {
    const int lines = (i == 1 || i == 2) && d ? AV_CEIL_RSHIFT(src->height, d->log2_chroma_h) : src->height;
    planes[i] = src->data[i] + static_cast<ptrdiff_t>(src->linesize[i]) * (lines - 1);
    strides[i] = -src->linesize[i];
  }
  ff::av_image_copy(f->data, f->linesize, planes, strides, static_cast<AVPixelFormat>(src->format), src->width,
                    src->height);
  return f;
}

int QueuePicture(TVideoState* is, AVFrame* frame, double pts, int64_t pos) {
  TCustomPlayer* player = is->Owner;
  // A picture without a time follows the one before it.
  if (pts != 0)
    is->video_clock = pts;
  else
    pts = is->video_clock;
  const double duration = is->frame_delay + frame->repeat_pict * is->frame_delay / 2;
  is->video_clock = is->video_clock + duration;
  if (!WaitForRoom(is)) return is->videoq.abort_request ? -1 : 0;
  TVideoPicture& vp = is->pictq[is->pictq_windex];
  ff::av_frame_unref(vp.frame);
  const bool flip = player->FVerticalFlip;
  if (flip) {
    AVFrame* flipped = FlippedCopy(frame);
    if (!flipped) {
      OverlayFailed(is, frame->width & ~1, frame->height & ~1);
      return -1;
    }
    ff::av_frame_move_ref(vp.frame, flipped);
    ff::av_frame_free(&flipped);
  } else {
    ff::av_frame_move_ref(vp.frame, frame);
  }
  const bool videoHook = player->VideoHook && player->OnVideoHook;
  const bool frameHook = player->FrameHook && player->OnFrameHook;
  if (videoHook || frameHook) {
    // The hooks draw into the picture: it must not share the decoder's buffer.
    if (ff::av_frame_make_writable(vp.frame) < 0) {
      OverlayFailed(is, vp.frame->width & ~1, vp.frame->height & ~1);
      return -1;
    }
    player->DoVideoHook(vp.frame, pts);
    player->DoFrameHook(vp.frame, pts);
  }
  vp.pts = pts;
  vp.pos = pos;
  vp.duration = duration;
  vp.flipped = flip;
  vp.skip = 0;
  is->pictq_windex = (is->pictq_windex + 1) % PictureQueueSize;
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  ++is->pictq_size;
  return 1;
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

int64_t RawTime(TVideoState* is, const AVFrame* frame) {
  TCustomPlayer* player = is->Owner;
  int64_t ts = frame->best_effort_timestamp;
  if (player->decoder_reorder_pts == 0)
    ts = frame->pkt_dts;
  else if (player->decoder_reorder_pts > 0)
    ts = frame->pts;
  return ts == AV_NOPTS_VALUE ? 0 : ts;
}

// Hands changed live values to the display graph's equalisers.
void PollDisplayLiveFilters(TVideoState* is) {
  if (is->live_filters.empty() || !is->graph) return;
  std::vector<TFilterMessage> messages;
  for (TLiveFilter& f : is->live_filters)
    for (const TFilterCommand& c : PollLiveFilter(f, messages))
      ff::avfilter_graph_send_command(is->graph, c.Target.c_str(), c.Command.c_str(), c.Argument.c_str(), nullptr,
                                      0, 0);
}

// The display graph: the decoded pictures in, an optional filter chain, and
// planar 4:2:0 pictures out.
int ConfigureDisplayFilters(TVideoState* is, const AVFrame* frame) {
  TCustomPlayer* player = is->Owner;
  ff::avfilter_graph_free(&is->graph);
  is->in_video_filter = is->out_video_filter = nullptr;
  AVFilterGraph* graph = ff::avfilter_graph_alloc();
  if (!graph) return AVERROR(ENOMEM);
  is->graph = graph;
  char text[256];
  std::snprintf(text, sizeof text, "flags=%d", player->Fsws_flags);
  graph->scale_sws_opts = ff::av_strdup(text);
  AVRational sar = is->video_st->sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = frame->sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{0, 1};
  const AVRational tb = is->video_st->time_base;
  std::snprintf(text, sizeof text, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", frame->width,
                frame->height, frame->format, tb.num, tb.den, sar.num, sar.den);
  AVFilterContext* src = nullptr;
  AVFilterContext* sink = nullptr;
  int ret = ff::avfilter_graph_create_filter(&src, ff::avfilter_get_by_name("buffer"), "src", text, nullptr, graph);
  if (ret < 0) return ret;
  ret = ff::avfilter_graph_create_filter(&sink, ff::avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                         graph);
  if (ret < 0) return ret;
  const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P};
  ret = ff::av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const uint8_t*>(formats), sizeof formats,
                           AV_OPT_SEARCH_CHILDREN);
  if (ret < 0) return ret;
  // The program's own filters become library filters; those with live
  // values are polled per picture.
  is->live_filters.clear();
  std::string chain = player->Fvfilters;
  if (!chain.empty()) {
    TFilterTranslation translation = TranslateFilterChain(chain);
    for (const TFilterMessage& m : translation.Messages) GlobalLogger()->Log(player, llInfo, "%s", m.Text.c_str());
    if (!translation.Ok) return AVERROR(EINVAL);
    chain = translation.Chain;
    is->live_filters = std::move(translation.Live);
  }
  if (!chain.empty()) {
    ret = ParseFilterChainBetween(graph, chain, src, sink);
  } else {
    ret = ff::avfilter_link(src, 0, sink, 0);
  }
  if (ret < 0) return ret;
  ret = ff::avfilter_graph_config(graph, nullptr);
  if (ret < 0) return ret;
  is->in_video_filter = src;
  is->out_video_filter = sink;
  return 0;
}

// The odd lines of a planar picture rebuilt from their neighbours with a
// five-tap low-pass, in place. Only planar 8-bit formats with sizes
// divisible by four are handled.
bool DeinterlacePicture(AVFrame* f, std::vector<uint8_t>& buf, bool& noMemory) {
  noMemory = false;
  const AVPixelFormat fmt = static_cast<AVPixelFormat>(f->format);
  if (fmt != AV_PIX_FMT_YUV420P && fmt != AV_PIX_FMT_YUVJ420P && fmt != AV_PIX_FMT_YUV422P &&
      fmt != AV_PIX_FMT_YUV444P && fmt != AV_PIX_FMT_YUV411P && fmt != AV_PIX_FMT_GRAY8)
    return false;
  if ((f->width & 3) || (f->height & 3)) return false;
  if (ff::av_frame_make_writable(f) < 0) {
    noMemory = true;
    return false;
  }
  const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(fmt);
  const int planes = fmt == AV_PIX_FMT_GRAY8 ? 1 : 3;
  for (int i = 0; i < planes; ++i) {
    const int w = i ? AV_CEIL_RSHIFT(f->width, d->log2_chroma_w) : f->width;
    const int h = i ? AV_CEIL_RSHIFT(f->height, d->log2_chroma_h) : f->height;
    const size_t need = static_cast<size_t>(w) * h;
    try {
      if (buf.size() < need) buf.resize(need);
    } catch (const std::bad_alloc&) {
      noMemory = true;
      return false;
    }
    uint8_t* plane = f->data[i];
    for (int y = 0; y < h; ++y) std::memcpy(&buf[static_cast<size_t>(y) * w], plane + y * f->linesize[i], w);
    auto row = [&](int y) { return &buf[static_cast<size_t>(std::min(std::max(y, 0), h - 1)) * w]; };
    for (int y = 1; y < h; y += 2) {
      const uint8_t *m2 = row(y - 2), *m1 = row(y - 1), *c = row(y), *p1 = row(y + 1), *p2 = row(y + 2);
      uint8_t* out = plane + y * f->linesize[i];
      for (int x = 0; x < w; ++x) {
        const int sum = -m2[x] + 4 * m1[x] + 2 * c[x] + 4 * p1[x] - p2[x];
        out[x] = static_cast<uint8_t>(std::min(std::max((sum + 4) >> 3, 0), 255));
      }
    }
  }
  return true;
}

bool FrameDropAllowed(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  const bool masterNotVideo = (is->av_sync_type == AV_SYNC_AUDIO_MASTER && is->audio_stream >= 0) ||
                              is->av_sync_type == AV_SYNC_EXTERNAL_CLOCK;
  return masterNotVideo && (player->framedrop > 0 || (player->framedrop != 0 && is->audio_stream >= 0));
}

// A decoded picture that is late already is dropped before it costs
// filtering and display.
bool DropEarly(TVideoState* is, const AVFrame* frame, double ptime) {
  if (!FrameDropAllowed(is) || RawTime(is, frame) == 0) return false;
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  if (is->frame_last_pts == AV_NOPTS_VALUE) return false;
  const double diff = GetVideoClock(is) - GetMasterClock(is);
  const double distance = ptime - is->frame_last_pts;
  if (std::fabs(diff) < 10 && distance > 0 && distance < 10 && diff + distance - is->frame_last_filter_delay < 0) {
    is->frame_last_dropped_pos = frame->pkt_pos;
    is->frame_last_dropped_pts = ptime;
    ++is->frame_drops_early;
    return true;
  }
  return false;
}

// Takes the filtered pictures out of the graph into the picture queue;
// false ends the video thread.
bool DrainFilters(TVideoState* is, AVFrame* out) {
  TCustomPlayer* player = is->Owner;
  for (;;) {
    const int ret = ff::av_buffersink_get_frame(is->out_video_filter, out);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
    if (ret < 0) return false;
    is->frame_last_filter_delay = NowSeconds() - is->frame_last_returned_time;
    if (std::fabs(is->frame_last_filter_delay) > 1.0) is->frame_last_filter_delay = 0;
    int64_t ts = out->pts == AV_NOPTS_VALUE ? 0 : out->pts;
    const AVRational tb = ff::av_buffersink_get_time_base(is->out_video_filter);
    const AVRational stb = is->video_st->time_base;
    if (av_cmp_q(tb, stb) != 0) {
      const int64_t old = ts;
      ts = ff::av_rescale_q(ts, tb, stb);
      GlobalLogger()->Log(player, llDebug, "video_thread(): tb:%d/%d pts:%lld -> tb:%d/%d pts:%lld", tb.num, tb.den,
                          static_cast<long long>(old), stb.num, stb.den, static_cast<long long>(ts));
    }
    if (is->seek_done && is->seek_flushed) {
      is->seek_done = 0;
      is->seek_paused = 0;
    }
    const double pts = ts * av_q2d(stb);
    if (player->FDeinterlace) {
      bool noMemory = false;
      if (!DeinterlacePicture(out, is->deint_buf, noMemory)) {
        GlobalLogger()->Log(player, llError, noMemory ? "deinterlace buffer malloc error." : "deinterlacing failed.");
        player->FDeinterlace = false;
      }
    }
    const int64_t pos = out->pkt_pos;
    const int queued = QueuePicture(is, out, pts, pos);
    ff::av_frame_unref(out);
    if (queued < 0) return false;
    if (queued == 0) continue;  // stale: a seek is on its way
    is->EventEOF = 0;
    if (player->FSeeking && !is->seek_req) player->FSeeking = false;
    // Opened paused: the first picture is shown, the second one decoded,
    // then the pause is reported.
    if (is->open_paused > 0 && ++is->open_paused >= 3) {
      is->open_paused = 0;
      player->QueueState(psPause);
    }
    if (is->videoq.abort_request) return false;
  }
}

void VideoThread(TVideoState* is) {
  AVFrame* frame = ff::av_frame_alloc();
  AVFrame* out = ff::av_frame_alloc();
  int last_w = 0, last_h = 0, last_fmt = -1;
  bool running = frame && out;
  while (running) {
    AVPacket* pkt = nullptr;
    if (PacketQueueGet(&is->videoq, &pkt, true) < 0) break;
    if (IsFlushPacket(is, pkt)) {
      FlushPictures(is);
      continue;
    }
    const bool empty = pkt->size == 0;
    ff::avcodec_send_packet(is->video_ctx, empty ? nullptr : pkt);
    ff::av_packet_free(&pkt);
    while (running && ff::avcodec_receive_frame(is->video_ctx, frame) == 0) {
      const double ptime = RawTime(is, frame) * av_q2d(is->video_st->time_base);
      if (DropEarly(is, frame, ptime)) {
        ff::av_frame_unref(frame);
        continue;
      }
      is->frame_last_returned_time = NowSeconds();
      if (!is->graph || frame->width != last_w || frame->height != last_h || frame->format != last_fmt) {
        if (is->graph)
          GlobalLogger()->Log(is->Owner, llInfo, "Frame changed from size:%dx%d to size:%dx%d", last_w, last_h,
                              frame->width, frame->height);
        last_w = frame->width;
        last_h = frame->height;
        last_fmt = frame->format;
        const int ret = ConfigureDisplayFilters(is, frame);
        if (ret < 0) {
          char text[AV_ERROR_MAX_STRING_SIZE] = {};
          ff::av_strerror(ret, text, sizeof text);
          GlobalLogger()->Log(is->Owner, llError, "%s", text);
          running = false;
          break;
        }
      }
      PollDisplayLiveFilters(is);
      // The picture keeps its time in the graph's terms.
      frame->pts = RawTime(is, frame);
      if (ff::av_buffersrc_add_frame_flags(is->in_video_filter, frame, 0) < 0 || !DrainFilters(is, out)) {
        running = false;
        break;
      }
      ff::av_frame_unref(frame);
      if (is->videoq.abort_request) running = false;
    }
    if (empty && running) {
      // The decoder was drained: it takes packets again after a seek.
      ff::avcodec_flush_buffers(is->video_ctx);
      if (is->EventEOF == 0) is->Owner->UpdatePosition();
    }
  }
  ff::av_frame_free(&frame);
  ff::av_frame_free(&out);
  ff::avfilter_graph_free(&is->graph);
  is->in_video_filter = is->out_video_filter = nullptr;
  std::vector<uint8_t>().swap(is->deint_buf);
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
    if (player->FVerticalFlip != is->shown_flipped) {
      // The flip was switched since the picture was queued. Each plane read
      // from its last line upwards comes out upside down.
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
    player->SetDisplayRect(x, y, w, h);
  }
  if (whole)
    host->ShowAll();
  else
    host->Show(is->rect_x, is->rect_y, is->rect_w, is->rect_h);
}

// The host window's picture; made once per playback that has a host.
void AttachHost(TVideoState* is) {
  TCustomPlayer* player = is->Owner;
  if (!is->host && player->FScreenHandle && !player->DisableDisplay) {
    is->host = new THostPicture(player->FScreenHandle);
    is->host->HijackWndProc = player->HijackWndProc;
    is->host->HijackCursor = player->HijackCursor;
    is->host->OnResize = [player, is](int w, int h) {
      SDL_Event event{};
      event.type = ResizeEvent;
      event.user.code = w;
      event.user.data1 = is;
      event.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(h));
      if (player->SDL().SDL_PushEvent) player->SDL().SDL_PushEvent(&event);
    };
    is->host->OnExpose = [player, is] { player->PushUserEvent(ExposeEvent, is); };
    // Black from the start: the sound pictures draw a column at a time.
    is->host->ShowAll();
  }
}

}  // namespace

int VideoComponentOpen(TVideoState* is) {
  int error;
  AVCodecContext* ctx = OpenStreamDecoder(is, is->video_stream, error);
  if (!ctx) return error < 0 ? error : -1;
  is->video_ctx = ctx;
  is->frame_delay = ChooseFrameDelay(is, is->video_stream, ctx);
  for (TVideoPicture& vp : is->pictq) {
    if (!vp.frame) vp.frame = ff::av_frame_alloc();
  }
  is->pictq_size = is->pictq_rindex = is->pictq_windex = 0;
  is->frame_timer = NowSeconds();
  is->frame_last_pts = AV_NOPTS_VALUE;
  is->frame_last_duration = 0;
  TCustomPlayer* player = is->Owner;
  AttachHost(is);
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

void SubtitleComponentClose(TVideoState* is) {
  PacketQueueAbort(&is->subtitleq);
  is->subpq_cond.notify_all();
  if (is->subtitle_tid) {
    is->subtitle_tid->WaitFor();
    delete is->subtitle_tid;
    is->subtitle_tid = nullptr;
  }
  PacketQueueDestroy(&is->subtitleq);
  {
    std::lock_guard<std::mutex> lock(is->subpq_mutex);
    while (is->subpq_size > 0) {
      ff::avsubtitle_free(&is->subpq[is->subpq_rindex].sub);
      is->subpq_rindex = (is->subpq_rindex + 1) % SubPictureQueueSize;
      --is->subpq_size;
    }
    is->subpq_rindex = is->subpq_windex = 0;
  }
  ff::avcodec_free_context(&is->subtitle_ctx);
}

void VideoDisplay(TVideoState* is) {
  if (is->audio_stream >= 0 && is->show_mode != 0)
    AudioDisplay(is);
  else if (is->video_stream >= 0)
    ShowFrame(is, false);
}

void ClearDisplay(TVideoState* is) {
  THostPicture* host = is->host;
  if (!host) return;
  {
    std::lock_guard<std::mutex> lock(host->Lock());
    if (host->Pixels())
      std::fill(host->Pixels(), host->Pixels() + static_cast<size_t>(host->Width()) * host->Height(), 0u);
    is->rect_w = -1;  // the picture is laid out again when it comes back
  }
  host->ShowAll();
}

void HandleVideoEvent(TVideoState* is, const SDL_Event& event) {
  switch (event.type) {
    case ResizeEvent:
    case RelayoutEvent:
      if (is->host) {
        std::lock_guard<std::mutex> lock(is->host->Lock());
        int w = 0, h = 0;
        if (is->host->ClientSize(w, h) && (w != is->host->Width() || h != is->host->Height()))
          is->host->SetSize(w, h);
      }
      is->rect_w = -1;  // lay out again even when the rectangle stays
      if (is->audio_stream >= 0 && is->show_mode != 0)
        AudioDisplay(is);
      else
        ShowFrame(is, true);
      break;
    case ExposeEvent:
      if (is->host) is->host->ShowAll();
      break;
    case ClearEvent:
      ClearDisplay(is);
      break;
    default:
      break;
  }
}

void FreePictures(TVideoState* is) {
  GlobalLogger()->Log(is->Owner, llDebug, "%lld pictures shown, %d dropped early, %d dropped late",
                      static_cast<long long>(is->shown_frames), is->frame_drops_early, is->frame_drops_late);
  delete is->host;
  is->host = nullptr;
  {
    std::lock_guard<std::mutex> lock(is->pictq_mutex);
    ff::av_frame_free(&is->shown);
  }
  ff::sws_freeContext(is->sws);
  is->sws = nullptr;
  for (TVideoPicture& vp : is->pictq) ff::av_frame_free(&vp.frame);
  if (is->rdft) ff::av_rdft_end(is->rdft);
  is->rdft = nullptr;
}

void StartRefreshThread(TVideoState* is) {
  // Sound alone is drawn as waves or a spectrum: it needs the host as well.
  AttachHost(is);
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
  bool report = true;  // a refresh that dropped a late picture reports no position
  for (;;) {
    int size;
    {
      std::lock_guard<std::mutex> lock(is->pictq_mutex);
      size = is->pictq_size;
    }
    if (size == 0) {
      {
        // A picture dropped early still moves the clock of the pictures.
        std::lock_guard<std::mutex> lock(is->pictq_mutex);
        if (is->frame_last_dropped_pts != AV_NOPTS_VALUE && is->frame_last_dropped_pts > is->frame_last_pts) {
          UpdateVideoPts(is, is->frame_last_dropped_pts, is->frame_last_dropped_pos);
          is->frame_last_dropped_pts = AV_NOPTS_VALUE;
        }
      }
      if (!fromTimer) VideoDisplay(is);  // a redraw asked for while nothing waits
      return;
    }
    TVideoPicture& vp = is->pictq[is->pictq_rindex];
    if (vp.skip) {
      PictqNext(is);
      continue;
    }
    const bool afterSeek = is->seek_flushed == 1;
    if (is->paused && !is->step && !afterSeek) return;
    const double time = NowSeconds();
    if (!afterSeek) {
      const double last = vp.pts - is->frame_last_pts;
      if (is->frame_last_pts != AV_NOPTS_VALUE && last > 0 && last < 10) is->frame_last_duration = last;
      const double delay = ComputeTargetDelay(is, is->frame_last_duration);
      if (time < is->frame_timer + delay && !is->step) return;
      // The timer moves by whole frame times, so a late picture does not
      // shift the schedule of the ones after it.
      if (delay > 0) is->frame_timer += delay * std::max(1.0, std::floor((time - is->frame_timer) / delay));
      {
        std::lock_guard<std::mutex> lock(is->pictq_mutex);
        UpdateVideoPts(is, vp.pts, vp.pos);
      }
      // A late picture is dropped when the next one is due already; right
      // after a seek only the newest picture counts.
      if (size > 1 && !is->step) {
        const TVideoPicture& next = is->pictq[(is->pictq_rindex + 1) % PictureQueueSize];
        const double nextDuration = next.pts - vp.pts;
        const bool dropAllowed = player->framedrop > 0 || (player->framedrop != 0 && is->audio_stream >= 0);
        if (is->seek_done || (dropAllowed && time > is->frame_timer + nextDuration && !is->IsDevice)) {
          ++is->frame_drops_late;
          PictqNext(is);
          report = false;
          continue;
        }
      }
    } else {
      is->frame_timer = time;
      std::lock_guard<std::mutex> lock(is->pictq_mutex);
      UpdateVideoPts(is, vp.pts, vp.pos);
    }
    {
      std::lock_guard<std::mutex> lock(is->pictq_mutex);
      if (!is->shown) is->shown = ff::av_frame_alloc();
      ff::av_frame_unref(is->shown);
      ff::av_frame_ref(is->shown, vp.frame);
      is->shown_pts = vp.pts;
      is->shown_flipped = vp.flipped;
    }
    PictqNext(is);
    ExpireSubtitles(is);
    BlendDueSubtitle(is);
    ++is->shown_frames;
    VideoDisplay(is);
    if (afterSeek) {
      is->seek_flushed = 0;
      is->seek_done = 0;
      player->FSeeking = false;
      player->FPictEvent.SetEvent();
    }
    if (report) player->UpdatePosition();
    if (is->step && !is->paused.load()) {
      is->step = 0;
      StreamTogglePause(is);
    }
    return;
  }
}

// ---- Subtitles ----

uint32_t RGBAToAYUV(uint32_t argb) {
  const int a = static_cast<int>(argb >> 24), r = static_cast<int>((argb >> 16) & 0xFF),
            g = static_cast<int>((argb >> 8) & 0xFF), b = static_cast<int>(argb & 0xFF);
  const int y = (263 * r + 517 * g + 101 * b + 16896) >> 10;
  const int cb = ((450 * b - 152 * r - 298 * g + 511) >> 10) + 128;
  const int cr = ((450 * r - 377 * g - 74 * b + 511) >> 10) + 128;
  return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(y & 0xFF) << 16 |
         static_cast<uint32_t>(cb & 0xFF) << 8 | static_cast<uint32_t>(cr & 0xFF);
}

void BlendSubrect(uint8_t* const planes[3], const int linesizes[3], const AVSubtitleRect* rect, int imgw,
                  int imgh) {
  if (!rect || !rect->data[0] || !rect->data[1] || imgw <= 0 || imgh <= 0) return;
  const int x0 = std::min(std::max(rect->x, 0), imgw);
  const int y0 = std::min(std::max(rect->y, 0), imgh);
  const int x1 = std::min(std::max(rect->x + rect->w, x0), imgw);
  const int y1 = std::min(std::max(rect->y + rect->h, y0), imgh);
  if (x1 <= x0 || y1 <= y0) return;
  const uint32_t* pal = reinterpret_cast<const uint32_t*>(rect->data[1]);
  auto colour = [&](int x, int y) {
    return pal[rect->data[0][static_cast<ptrdiff_t>(y - rect->y) * rect->linesize[0] + (x - rect->x)]];
  };
  for (int y = y0; y < y1; ++y) {
    uint8_t* luma = planes[0] + static_cast<ptrdiff_t>(y) * linesizes[0];
    for (int x = x0; x < x1; ++x) {
      const uint32_t c = colour(x, y);
      const int a = static_cast<int>(c >> 24), yy = static_cast<int>((c >> 16) & 0xFF);
      luma[x] = static_cast<uint8_t>(((255 - a) * luma[x] + yy * a) / 255);
    }
  }
  // A chroma sample covers a 2x2 block of luma: blocks the rectangle only
  // partly covers are blended with the covered pixels alone.
  for (int cy = y0 / 2; cy <= (y1 - 1) / 2; ++cy) {
    uint8_t* u = planes[1] + static_cast<ptrdiff_t>(cy) * linesizes[1];
    uint8_t* v = planes[2] + static_cast<ptrdiff_t>(cy) * linesizes[2];
    for (int cx = x0 / 2; cx <= (x1 - 1) / 2; ++cx) {
      int n = 0, alpha = 0, su = 0, sv = 0;
      for (int y = 2 * cy; y < 2 * cy + 2; ++y)
        for (int x = 2 * cx; x < 2 * cx + 2; ++x) {
          if (x < x0 || x >= x1 || y < y0 || y >= y1) continue;
          const uint32_t c = colour(x, y);
          ++n;
          alpha += static_cast<int>(c >> 24);
          su += static_cast<int>((c >> 8) & 0xFF);
          sv += static_cast<int>(c & 0xFF);
        }
      if (n == 0) continue;
      const int a = alpha >> 2;
      u[cx] = static_cast<uint8_t>((u[cx] * n * (255 - a) + su * a) / (255 * n));
      v[cx] = static_cast<uint8_t>((v[cx] * n * (255 - a) + sv * a) / (255 * n));
    }
  }
}

namespace {

void SubtitleThread(TVideoState* is) {
  for (;;) {
    while (is->paused && !is->subtitleq.abort_request && !is->seek_paused) is->wake.WaitFor(10);
    AVPacket* pkt = nullptr;
    if (PacketQueueGet(&is->subtitleq, &pkt, true) < 0) break;
    if (IsFlushPacket(is, pkt)) {
      ff::avcodec_flush_buffers(is->subtitle_ctx);
      continue;
    }
    {
      std::unique_lock<std::mutex> lock(is->subpq_mutex);
      while (is->subpq_size >= SubPictureQueueSize && !is->subtitleq.abort_request)
        is->subpq_cond.wait_for(lock, std::chrono::milliseconds(10));
    }
    if (is->subtitleq.abort_request) {
      ff::av_packet_free(&pkt);
      break;
    }
    TSubPicture& sp = is->subpq[is->subpq_windex];
    const double pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts * av_q2d(is->subtitle_st->time_base) : 0;
    int got = 0;
    if (ff::avcodec_decode_subtitle2(is->subtitle_ctx, &sp.sub, &got, pkt) >= 0 && got) {
      if (sp.sub.format == 0) {
        sp.pts = pts;
        for (unsigned i = 0; i < sp.sub.num_rects; ++i) {
          AVSubtitleRect* r = sp.sub.rects[i];
          uint32_t* pal = reinterpret_cast<uint32_t*>(r->data[1]);
          for (int j = 0; pal && j < r->nb_colors; ++j) pal[j] = RGBAToAYUV(pal[j]);
        }
        is->subpq_windex = (is->subpq_windex + 1) % SubPictureQueueSize;
        std::lock_guard<std::mutex> lock(is->subpq_mutex);
        ++is->subpq_size;
      } else {
        ff::avsubtitle_free(&sp.sub);  // only bitmap subtitles are shown
      }
    }
    ff::av_packet_free(&pkt);
  }
}

void FreeOldestSubtitle(TVideoState* is) {
  ff::avsubtitle_free(&is->subpq[is->subpq_rindex].sub);
  is->subpq_rindex = (is->subpq_rindex + 1) % SubPictureQueueSize;
  std::lock_guard<std::mutex> lock(is->subpq_mutex);
  --is->subpq_size;
  is->subpq_cond.notify_all();
}

int QueuedSubtitles(TVideoState* is) {
  std::lock_guard<std::mutex> lock(is->subpq_mutex);
  return is->subpq_size;
}

// Subtitles whose time is over leave the queue; a stream switch empties it.
void ExpireSubtitles(TVideoState* is) {
  if (is->subtitle_stream < 0 && !is->subtitle_stream_changed) return;
  if (is->subtitle_stream_changed) {
    while (QueuedSubtitles(is) > 0) FreeOldestSubtitle(is);
    is->subtitle_stream_changed = 0;
    return;
  }
  const double now = is->video_current_pts;
  while (QueuedSubtitles(is) > 0) {
    const TSubPicture& sp = is->subpq[is->subpq_rindex];
    bool over = now > sp.pts + sp.sub.end_display_time / 1000.0;
    if (!over && QueuedSubtitles(is) > 1) {
      const TSubPicture& next = is->subpq[(is->subpq_rindex + 1) % SubPictureQueueSize];
      over = now > next.pts + next.sub.start_display_time / 1000.0;
    }
    if (!over) break;
    FreeOldestSubtitle(is);
  }
}

// Blends the due subtitle into the picture just taken for display.
void BlendDueSubtitle(TVideoState* is) {
  if (is->subtitle_stream < 0 || !is->shown || QueuedSubtitles(is) == 0) return;
  const TSubPicture& sp = is->subpq[is->subpq_rindex];
  if (is->shown_pts < sp.pts + sp.sub.start_display_time / 1000.0) return;
  if (is->shown->format != AV_PIX_FMT_YUV420P) return;
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  if (ff::av_frame_make_writable(is->shown) < 0) return;
  for (unsigned i = 0; i < sp.sub.num_rects; ++i)
    BlendSubrect(is->shown->data, is->shown->linesize, sp.sub.rects[i], is->shown->width, is->shown->height);
}

}  // namespace

int SubtitleComponentOpen(TVideoState* is) {
  int error;
  AVCodecContext* ctx = OpenStreamDecoder(is, is->subtitle_stream, error);
  if (!ctx) return error < 0 ? error : -1;
  is->subtitle_ctx = ctx;
  is->subpq_size = is->subpq_rindex = is->subpq_windex = 0;
  PacketQueueInit(is, &is->subtitleq);
  PacketQueuePut(&is->subtitleq, &is->Owner->Fflush_pkt);
  is->subtitle_tid = new TAnonymousThread([is] { SubtitleThread(is); });
  is->subtitle_tid->Start();
  return 0;
}

// ---- Sound pictures ----

void UpdateSampleDisplay(TVideoState* is, const int16_t* samples, int size) {
  size /= 2;
  while (size > 0) {
    int len = std::min(SampleArraySize - is->sample_array_index, size);
    std::memcpy(is->sample_array + is->sample_array_index, samples, static_cast<size_t>(len) * 2);
    samples += len;
    is->sample_array_index += len;
    if (is->sample_array_index >= SampleArraySize) is->sample_array_index = 0;
    size -= len;
  }
}

namespace {
int WrapSample(int a) {
  a %= SampleArraySize;
  return a < 0 ? a + SampleArraySize : a;
}
}  // namespace

void AudioDisplay(TVideoState* is) {
  THostPicture* host = is->host;
  if (!host) return;
  TCustomPlayer* player = is->Owner;
  const int mode = is->show_mode;
  int showX = 0, showW = 0;
  {
    std::lock_guard<std::mutex> lock(host->Lock());
    const int width = host->Width(), height = host->Height();
    uint32_t* pix = host->Pixels();
    if (!pix || width <= 0 || height <= 0) return;
    // Every fill stays inside the picture, whatever the drawing asks for.
    auto fill = [&](int x, int y, int w, int h, uint32_t c) {
      const int l = std::max(x, 0), t = std::max(y, 0), r = std::min(x + w, width), b = std::min(y + h, height);
      for (int yy = t; yy < b; ++yy) std::fill(pix + static_cast<size_t>(yy) * width + l, pix + static_cast<size_t>(yy) * width + r, c);
    };
    int channels = is->audio_tgt_channels > 0 ? is->audio_tgt_channels : 1;
    int bits = 1;
    while ((1 << bits) < 2 * height) ++bits;
    const int nb_freq = 1 << (bits - 1);
    int start;
    if (is->paused) {
      start = is->last_i_start;
    } else {
      const int used = mode == 1 ? width : 2 * nb_freq;
      int64_t delay = is->audio_write_buf_size / (2 * channels);
      const int64_t cb = player->Faudio_callback_time;
      if (cb) delay -= (NowMicro() - cb) * is->audio_tgt_freq / 1000000;
      delay += 2 * used;
      if (delay < used) delay = used;
      start = WrapSample(static_cast<int>(is->sample_array_index - delay * channels));
      if (mode == 1) {
        int best = INT32_MIN;
        const int16_t* s = is->sample_array;
        for (int i = 0; i < 1000; i += channels) {
          const int j = WrapSample(start - i);
          const int score = s[j] - s[WrapSample(j + 9 * channels)];
          const int a = s[WrapSample(j + 4 * channels)], b = s[WrapSample(j + 5 * channels)];
          if (((a < 0) != (b < 0)) && score > best) {
            best = score;
            start = j;
          }
        }
      }
      is->last_i_start = start;
    }
    const int16_t* s = is->sample_array;
    if (mode == 1) {
      fill(0, 0, width, height, 0);
      const int h = height / channels, scale = h * 9 / 20;
      for (int ch = 0; ch < channels; ++ch) {
        const int centre = ch * h + h / 2;
        for (int x = 0; x < width; ++x) {
          const int v = s[WrapSample(start + ch + x * channels)];
          const int y = (v * scale) >> 15;
          if (y > 0)
            fill(x, centre - y, 1, y, 0xFFFFFFu);
          else
            fill(x, centre, 1, -y, 0xFFFFFFu);
        }
      }
      for (int ch = 1; ch < channels; ++ch) fill(0, ch * h, width, 1, 0xFFFFFFu);
      showX = 0, showW = width;
    } else if (mode == 2) {
      channels = std::min(channels, 2);
      // Each channel's block starts on a 64-byte boundary.
      const size_t stride = (static_cast<size_t>(2 * nb_freq) + 15) / 16 * 16;
      if (bits != is->rdft_bits || !is->rdft) {
        if (is->rdft) ff::av_rdft_end(is->rdft);
        is->rdft = ff::av_rdft_init(bits, DFT_R2C);
        is->rdft_bits = bits;
        const size_t bytes = 2 * stride * sizeof(float);
        is->rdft_data.reset(static_cast<float*>(std::aligned_alloc(64, bytes)));
        if (is->rdft_data) std::memset(is->rdft_data.get(), 0, bytes);
      }
      if (!is->rdft || !is->rdft_data) return;
      for (int ch = 0; ch < channels; ++ch) {
        float* data = is->rdft_data.get() + stride * ch;
        int i = WrapSample(start + ch);
        for (int x = 0; x < 2 * nb_freq; ++x) {
          const double w = (x - nb_freq) * (1.0 / nb_freq);
          data[x] = static_cast<float>(s[i] * (1.0 - w * w));
          i = WrapSample(i + channels);
        }
        ff::av_rdft_calc(is->rdft, data);
      }
      if (is->xpos >= width) is->xpos = 0;
      const double norm = std::sqrt(static_cast<double>(nb_freq));
      const float* d0 = is->rdft_data.get();
      const float* d1 = channels > 1 ? d0 + stride : d0;
      for (int y = 0; y < height && y < nb_freq; ++y) {
        const int a = std::min(255, static_cast<int>(std::lround(
                                        std::sqrt(std::sqrt(d0[2 * y] * d0[2 * y] + d0[2 * y + 1] * d0[2 * y + 1]) / norm))));
        const int b = std::min(255, static_cast<int>(std::lround(
                                        std::sqrt(std::sqrt(d1[2 * y] * d1[2 * y] + d1[2 * y + 1] * d1[2 * y + 1]) / norm))));
        fill(is->xpos, height - y, 1, 1, static_cast<uint32_t>(a) << 16 | static_cast<uint32_t>(b) << 8 |
                                             static_cast<uint32_t>((a + b) / 2));
      }
      showX = is->xpos, showW = 1;
      if (++is->xpos >= width) is->xpos = 0;
    } else {
      return;
    }
  }
  host->Show(showX, 0, showW, host->Height());
}

// ---- The picture for the application ----

TBitmap* TCustomPlayer::CurrentFrame() {
  int64_t pts;
  return CurrentFrame(pts);
}

TBitmap* TCustomPlayer::CurrentFrame(int64_t& APTS) {
  TBitmap* bmp = FRGBConverter->Bitmap();
  APTS = -1;
  // The play thread frees the pictures while it holds the data lock.
  std::unique_lock<std::timed_mutex> data(FDataLock, std::defer_lock);
  while (!data.try_lock_for(std::chrono::milliseconds(10))) {
    if (!FVideoState) break;
    SleepPumping(1);
  }
  TVideoState* is = data.owns_lock() ? FVideoState.load() : nullptr;
  if (!is || is->video_stream < 0 || !is->video_ctx) {
    bmp->SetSize(0, 0);
    return bmp;
  }
  bmp->SetSize(is->video_ctx->width, is->video_ctx->height);
  bmp->Canvas()->Brush()->SetColor(clBlack);
  bmp->Canvas()->FillRect(TRect{0, 0, bmp->Width(), bmp->Height()});
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  AVFrame* f = is->shown;
  if (!f || !f->data[0]) return bmp;
  APTS = std::llround(is->shown_pts * 1000000.0) - is->StartTime;
  if (!FRGBConverter->PictureToRGB(reinterpret_cast<TAVPicture*>(f), static_cast<AVPixelFormat>(f->format), true,
                                   f->height, f->width))
    bmp->SetSize(0, 0);
  return bmp;
}

void TCustomPlayer::DoVideoHook(AVFrame* APicture, double APTS) {
  if (!VideoHook || !OnVideoHook) return;
  TVideoState* is = FVideoState;
  const int64_t pts = std::llround(APTS * 1000000.0) - (is ? is->StartTime : 0);
  const auto format = static_cast<AVPixelFormat>(APicture->format);
  auto* picture = reinterpret_cast<TAVPicture*>(APicture);
  if (!FHookConverter->PictureToRGB(picture, format, true, APicture->height, APicture->width)) {
    GlobalLogger()->Log(this, llError, FHookConverter->LastErrMsg());
    return;
  }
  TBitmap* bmp = FHookConverter->Bitmap();
  bool update = true;
  bmp->Canvas()->Lock();
  try {
    OnVideoHook(this, bmp, pts, update);
  } catch (const std::exception& e) {
    bmp->Canvas()->Unlock();
    GlobalLogger()->Log(this, llError, std::string("Error occurs OnVideoHook: ") + e.what());
    return;
  }
  bmp->Canvas()->Unlock();
  if (!update) return;
  FHookConverter->BitmapToRGB();
  if (!FHookConverter->RGBToPicture(picture, format, APicture->height, APicture->width))
    GlobalLogger()->Log(this, llError, FHookConverter->LastErrMsg());
}

void TCustomPlayer::DoFrameHook(AVFrame* APicture, double APTS) {
  if (!FrameHook || !OnFrameHook) return;
  TVideoState* is = FVideoState;
  const int64_t pts = std::llround(APTS * 1000000.0) - (is ? is->StartTime : 0);
  try {
    OnFrameHook(this, APicture, static_cast<AVPixelFormat>(APicture->format), APicture->width, APicture->height,
                pts);
  } catch (const std::exception& e) {
    GlobalLogger()->Log(this, llError, std::string("Error occurs OnFrameHook: ") + e.what());
  }
}
