#include "app/input/ScreenCapture.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "app/input/ScreenCaptureGDI.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFUtils.h"
#include "app/input/CaptureStart.h"

namespace {

static_assert(sizeof(TGrabRational) == sizeof(AVRational), "the context's rational is the library's");

void Log(void* s, int level, const char* text) { ff::av_log(s, level, "%s", text); }

// Delay until the frame clock's due time, in microseconds.
int64_t DueIn(const Twin32_grab* s) {
  const double due = static_cast<double>(s->time_frame) * s->time_base.num / s->time_base.den;
  return std::llround(due) - ff::av_gettime();
}

int64_t FrameClockNow(const Twin32_grab* s) {
  return std::llround(static_cast<double>(ff::av_gettime()) * s->time_base.den / s->time_base.num);
}

int ReadHeader(AVFormatContext* ctx) {
  auto* s = static_cast<Twin32_grab*>(ctx->priv_data);
  const char* name = ctx->url ? ctx->url : "";
  bool byTitle = false;
  if (s->input_type_str && *s->input_type_str) {
    const std::string type = s->input_type_str;
    if (type == "hwnd") {
      const std::string text = std::string(name).substr(0, 1024);
      char* end = nullptr;
      errno = 0;
      const long long handle = std::strtoll(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || errno != 0) {
        ff::av_log(ctx, AV_LOG_ERROR, "Invalid capture parameter: \"%s\", it should be a window handle\n", name);
        return AVERROR(EINVAL);
      }
      s->window_handle = reinterpret_cast<void*>(static_cast<intptr_t>(handle));
    } else if (type == "title") {
      if (!GrabFindWindowByTitle(name, s->window_handle)) {
        ff::av_log(ctx, AV_LOG_ERROR, "Could not find window: \"%s\"\n", name);
        return AVERROR(EINVAL);
      }
      byTitle = true;
    } else if (type != "desktop") {
      ff::av_log(ctx, AV_LOG_ERROR, "Invalid capture input type: \"%s\", it should be hwnd, title or desktop\n",
                 s->input_type_str);
      return AVERROR(EINVAL);
    }
  }
  AVRational rate{0, 0};
  if (ff::av_parse_video_rate(&rate, s->framerate ? s->framerate : "") < 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not parse framerate \"%s\".\n", s->framerate ? s->framerate : "");
    return AVERROR(EINVAL);
  }
  s->time_base = TGrabRational{rate.den, rate.num};
  if (s->time_base.num == 0 || s->time_base.den == 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "Invalid frame rate\n");
    return AVERROR(EINVAL);
  }
  int w = 0, h = 0;
  if (s->video_size && *s->video_size) {
    if (ff::av_parse_video_size(&w, &h, s->video_size) < 0) {
      ff::av_log(ctx, AV_LOG_ERROR, "Couldn't parse video size.\n");
      return AVERROR(EINVAL);
    }
    if (w <= 0 || h <= 0) {
      ff::av_log(ctx, AV_LOG_ERROR, "Invalid frame size\n");
      return AVERROR(EINVAL);
    }
  }
  s->width = w;
  s->height = h;
  if (s->capture_offset && *s->capture_offset) {
    const char* p = s->capture_offset;
    char* end = nullptr;
    const long x = std::strtol(p, &end, 10);
    bool ok = end != p && *end == ',';
    long y = 0;
    if (ok) {
      p = end + 1;
      y = std::strtol(p, &end, 10);
      ok = end != p && *end == '\0';
    }
    if (!ok) {
      ff::av_log(ctx, AV_LOG_ERROR, "Couldn't parse capture-offset.\n");
      return AVERROR(EINVAL);
    }
    s->x_off = static_cast<int>(x);
    s->y_off = static_cast<int>(y);
  }
  s->show_frame = (s->capture_flags & 1) != 0;
  s->client = (s->capture_flags & 2) != 0;
  s->cursor = (s->capture_flags & 4) != 0;

  int ret = GrabOpenSource(s, Log, ctx);
  if (ret < 0) return ret;
  AVPixelFormat format;
  switch (s->bpp) {
    case 8: format = AV_PIX_FMT_PAL8; break;
    case 16: format = AV_PIX_FMT_RGB555LE; break;
    case 24: format = AV_PIX_FMT_BGR24; break;
    case 32: format = AV_PIX_FMT_BGRA; break;
    default:
      ff::av_log(ctx, AV_LOG_ERROR, "image depth %i not supported ... aborting\n", s->bpp);
      GrabCloseSource(s);
      return -1;
  }
  AVStream* st = ff::avformat_new_stream(ctx, nullptr);
  if (!st) {
    GrabCloseSource(s);
    return AVERROR(ENOMEM);
  }
  st->time_base = AVRational{1, 1000000};
  st->pts_wrap_bits = 64;
  if (s->show_frame) s->frame = GrabShowFrame(s);
  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = AV_CODEC_ID_RAWVIDEO;
  par->width = s->width;
  par->height = s->height;
  par->format = format;
  par->bit_rate = std::llround(s->size * 8.0 * s->time_base.den / s->time_base.num);
  st->r_frame_rate = rate;
  st->avg_frame_rate = rate;
  ctx->flags |= AVFMT_FLAG_NOPARSE;
  ctx->probesize = 0;
  st->start_time = 0;
  s->time_frame = FrameClockNow(s);
  ResetCaptureStart();
  if (byTitle) ff::av_log(ctx, AV_LOG_INFO, "Found window %s, ", name);
  ff::av_log(ctx, AV_LOG_INFO, "ready for capturing %ix%ix%i at (%i,%i)\n", s->width, s->height, s->bpp, s->x_off,
             s->y_off);
  return 0;
}

int ReadPacket(AVFormatContext* ctx, AVPacket* pkt) {
  auto* s = static_cast<Twin32_grab*>(ctx->priv_data);
  if (!s->Started) {
    s->time_frame = FrameClockNow(s);
    s->time_start = ff::av_gettime();
    MarkCaptureStart(s->time_start);
    s->Started = 1;
    GrabFrameStarted(s->frame);
  }
  s->time_frame += 1000000;
  int64_t delay = DueIn(s);
  while (delay > 0) {
    GrabSleep(static_cast<int>(delay / 1000));
    delay = DueIn(s);
  }
  // The recording was paused while this frame was awaited: it belongs to
  // the paused stretch, like the sound, and is taken after the pause.
  if (CapturePaused()) {
    s->time_frame -= 1000000;
    return AVERROR(EAGAIN);
  }
  const double period = 1000000.0 * s->time_base.num / s->time_base.den;
  if (delay < -2 * period) {
    // Far behind (the recording was paused, or the machine stalled): start
    // the clock afresh instead of delivering the missed slots at full speed.
    // The picture is taken one period on, as at the start, so that the
    // frames stand for the time recorded and nothing more.
    s->time_frame = FrameClockNow(s) + 1000000;
    for (delay = DueIn(s); delay > 0; delay = DueIn(s)) GrabSleep(static_cast<int>(delay / 1000));
  } else if (delay < -period) {
    s->time_frame += 1000000;  // one slot late: skip it
  }
  if (ff::av_new_packet(pkt, s->size) < 0) return AVERROR(EIO);
  const int ret = GrabFrame(s, pkt->data, Log, ctx);
  if (ret < 0) return ret;
  return s->size;
}

int ReadClose(AVFormatContext* ctx) {
  auto* s = static_cast<Twin32_grab*>(ctx->priv_data);
  GrabCloseSource(s);
  GrabReleaseFrame(s->frame);
  s->frame = nullptr;
  return 0;
}

AVOption gOptions[] = {
    {"input_type", "one of {hwnd, title, desktop}, default desktop", 0, AV_OPT_TYPE_STRING, {.str = "desktop"}, 0, 0,
     AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"video_size", "A string describing frame size, such as 640x480 or hd720.", 0, AV_OPT_TYPE_STRING,
     {.str = nullptr}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"framerate", "", 0, AV_OPT_TYPE_STRING, {.str = "ntsc"}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"capture_offset", "%d,%d: offset on x and y against the final source window", 0, AV_OPT_TYPE_STRING,
     {.str = nullptr}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"capture_flags", "", 0, AV_OPT_TYPE_FLAGS, {.i64 = 7}, -2147483647.0 - 1, 2147483647.0,
     AV_OPT_FLAG_DECODING_PARAM, "capture_flags"},
    {"showframe", "show frame", 0, AV_OPT_TYPE_CONST, {.i64 = 1}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, "capture_flags"},
    {"client", "capture client dc instead of window dc", 0, AV_OPT_TYPE_CONST, {.i64 = 2}, 0, 0,
     AV_OPT_FLAG_DECODING_PARAM, "capture_flags"},
    {"cursor", "capture cursor", 0, AV_OPT_TYPE_CONST, {.i64 = 4}, 0, 0, AV_OPT_FLAG_DECODING_PARAM,
     "capture_flags"},
    {nullptr, nullptr, 0, AV_OPT_TYPE_FLAGS, {.i64 = 0}, 0, 0, 0, nullptr},
};

AVClass gClass{};
AVInputFormat gFormat{};

}  // namespace

void RegisterScreenCapture() {
  static std::once_flag once;
  std::call_once(once, [] {
    gOptions[0].offset = offsetof(Twin32_grab, input_type_str);
    gOptions[1].offset = offsetof(Twin32_grab, video_size);
    gOptions[2].offset = offsetof(Twin32_grab, framerate);
    gOptions[3].offset = offsetof(Twin32_grab, capture_offset);
    gOptions[4].offset = offsetof(Twin32_grab, capture_flags);
    gClass.class_name = "ScreenCaptureFormat";
    gClass.option = gOptions;
    gClass.version = LIBAVUTIL_VERSION_INT;
    gFormat.name = "screencapture";
    gFormat.long_name = "Screen capture using GDI";
    gFormat.flags = AVFMT_NOFILE;
    gFormat.priv_class = &gClass;
    gFormat.priv_data_size = sizeof(Twin32_grab);
    gFormat.read_header = ReadHeader;
    gFormat.read_packet = ReadPacket;
    gFormat.read_close = ReadClose;
  });
  // The item-name routine lives in the library, which may have been bound
  // anew since the last registration.
  gClass.item_name = ff::av_default_item_name;
  RegisterInputFormatOnce(&gFormat);
}
