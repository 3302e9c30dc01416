#include "app/input/VfwCapture.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFUtils.h"
#include "app/input/CapturePacketQueue.h"
#include "framework/Threads.h"

namespace {

// Connection attempts before giving up (0 or less: no limit).
constexpr int kConnectAttempts = 10;
// Percent of the real-time buffer from which frames with frame_num mod 4
// equal to the index are dropped.
constexpr uint32_t kDropScores[4] = {62, 75, 87, 100};
// The window is made and destroyed on the GUI thread.
constexpr bool kCapWindowInMainThread = true;

int ListDrivers(void* logContext, int level) {
  int count = 0;
  for (int i = 0; i < 10; ++i) {
    std::string name, version;
    if (!VfwDriverDescription(i, name, version)) continue;
    ff::av_log(logContext, level, "VFW Driver device #%d %s %s\n", i, name.c_str(), version.c_str());
    ++count;
  }
  return count;
}

int ConnectedDriverCount() {
  int count = 0;
  for (int i = 0; i < 10; ++i) {
    std::string name, version;
    if (VfwDriverDescription(i, name, version)) ++count;
  }
  return count;
}

AVPixelFormat PixelFormatFor(uint32_t compression, int bits) {
  if (compression == 0) {
    switch (bits) {
      case 1: return AV_PIX_FMT_MONOWHITE;
      case 4: return AV_PIX_FMT_RGB4;
      case 8: return AV_PIX_FMT_RGB8;
      case 16: return AV_PIX_FMT_RGB555LE;
      case 24: return AV_PIX_FMT_BGR24;
      case 32: return AV_PIX_FMT_BGRA;
      default: return AV_PIX_FMT_NONE;
    }
  }
  if (compression == VfwFourCC('I', '4', '2', '0')) return AV_PIX_FMT_YUV420P;
  if (compression == VfwFourCC('Y', 'U', 'Y', '2')) return AV_PIX_FMT_YUYV422;
  if (compression == VfwFourCC('U', 'Y', 'V', 'Y')) return AV_PIX_FMT_UYVY422;
  return AV_PIX_FMT_NONE;
}

AVCodecID CodecFor(uint32_t compression) {
  if (compression == VfwFourCC('M', 'J', 'P', 'G') || compression == VfwFourCC('m', 'j', 'p', 'g'))
    return AV_CODEC_ID_MJPEG;
  if (compression == VfwFourCC('d', 'v', 's', 'd')) return AV_CODEC_ID_DVVIDEO;
  return AV_CODEC_ID_NONE;
}

void DumpBitmapHeader(void* log, const TVfwBitmapInfoHeader& h) {
  ff::av_log(log, AV_LOG_DEBUG, "BITMAPINFOHEADER\n");
  ff::av_log(log, AV_LOG_DEBUG, "biSize:\t%u\n", h.biSize);
  ff::av_log(log, AV_LOG_DEBUG, "biWidth:\t%d\n", h.biWidth);
  ff::av_log(log, AV_LOG_DEBUG, "biHeight:\t%d\n", h.biHeight);
  ff::av_log(log, AV_LOG_DEBUG, "biPlanes:\t%u\n", h.biPlanes);
  ff::av_log(log, AV_LOG_DEBUG, "biBitCount:\t%u\n", h.biBitCount);
  ff::av_log(log, AV_LOG_DEBUG, "biCompression:\t%u\n", h.biCompression);
  ff::av_log(log, AV_LOG_DEBUG, "biCompression:\t\"%.4s\"\n", reinterpret_cast<const char*>(&h.biCompression));
  ff::av_log(log, AV_LOG_DEBUG, "biSizeImage:\t%u\n", h.biSizeImage);
  ff::av_log(log, AV_LOG_DEBUG, "biXPelsPerMeter:\t%d\n", h.biXPelsPerMeter);
  ff::av_log(log, AV_LOG_DEBUG, "biYPelsPerMeter:\t%d\n", h.biYPelsPerMeter);
  ff::av_log(log, AV_LOG_DEBUG, "biClrUsed:\t%u\n", h.biClrUsed);
  ff::av_log(log, AV_LOG_DEBUG, "biClrImportant:\t%u\n", h.biClrImportant);
}

void DumpCaptureParms(void* log, const TVfwCaptureParms& p) {
  ff::av_log(log, AV_LOG_DEBUG, "CAPTUREPARMS\n");
#define TESS_PARM(name) ff::av_log(log, AV_LOG_DEBUG, #name ":\t%lu\n", static_cast<unsigned long>(p.name))
  TESS_PARM(dwRequestMicroSecPerFrame);
  TESS_PARM(fMakeUserHitOKToCapture);
  TESS_PARM(wPercentDropForError);
  TESS_PARM(fYield);
  TESS_PARM(dwIndexSize);
  TESS_PARM(wChunkGranularity);
  TESS_PARM(fUsingDOSMemory);
  TESS_PARM(wNumVideoRequested);
  TESS_PARM(fCaptureAudio);
  TESS_PARM(wNumAudioRequested);
  TESS_PARM(vKeyAbort);
  TESS_PARM(fAbortLeftMouse);
  TESS_PARM(fAbortRightMouse);
  TESS_PARM(fLimitEnabled);
  TESS_PARM(wTimeLimit);
  TESS_PARM(fMCIControl);
  TESS_PARM(fStepMCIDevice);
  TESS_PARM(dwMCIStartTime);
  TESS_PARM(dwMCIStopTime);
  TESS_PARM(fStepCaptureAt2x);
  TESS_PARM(wStepCaptureAverageFrames);
  TESS_PARM(dwAudioBufferSize);
  TESS_PARM(fDisableWriteCache);
  TESS_PARM(AVStreamMaster);
#undef TESS_PARM
}

// Called by the driver on its own thread for every frame.
int StreamCallback(void*, void* userData, const TVfwFrame& frame) {
  auto* ctx = static_cast<AVFormatContext*>(userData);
  if (!ctx) return 0;
  auto* s = static_cast<Tvfw_ctx*>(ctx->priv_data);
  if (!s->hwnd) return 0;  // closing
  std::lock_guard<std::mutex> lock(s->queue->Lock());
  ++s->frame_num;
  const uint32_t limit = ctx->max_picture_buffer ? ctx->max_picture_buffer : 1;
  const uint32_t fill = static_cast<uint32_t>(s->queue->Bytes() * 100 / limit);
  if (VfwDropFrame(fill, s->frame_num)) {
    ff::av_log(ctx, AV_LOG_ERROR, "real-time buffer %d%% full! frame dropped!\n", static_cast<int>(fill));
    return 0;
  }
  AVPacket* pkt = s->queue->Append(frame.Data, frame.BytesUsed);
  if (!pkt) return 0;
  pkt->pts = frame.TimeCaptured;
  pkt->dts = frame.TimeCaptured;
  return 1;
}

int ReadClose(AVFormatContext* ctx) {
  auto* s = static_cast<Tvfw_ctx*>(ctx->priv_data);
  if (s->VFWCapture) {
    delete s->VFWCapture;
    s->VFWCapture = nullptr;
  }
  delete s->queue;
  s->queue = nullptr;
  return 0;
}

int Fail(AVFormatContext* ctx, int code) {
  ReadClose(ctx);
  return code;
}

int ReadHeader(AVFormatContext* ctx) {
  auto* s = static_cast<Tvfw_ctx*>(ctx->priv_data);
  s->owner = ctx;
  const int driver = std::atoi(ctx->url ? ctx->url : "");
  if (ConnectedDriverCount() == 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "No VFW device found\n");
    return AVERROR(ENODEV);
  }
  // The queue exists before the window can deliver.
  s->queue = new (std::nothrow) TCapturePacketQueue;
  if (!s->queue) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not create the packet queue.\n");
    return Fail(ctx, AVERROR(EIO));
  }
  s->VFWCapture = new TVFWCapture(s);
  s->VFWCapture->CreateCapWindow();
  if (!s->hwnd) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not create capture window.\n");
    return Fail(ctx, AVERROR(EIO));
  }
  bool connected = false;
  for (int i = 0; !connected && (kConnectAttempts <= 0 || i < kConnectAttempts); ++i)
    connected = VfwSend(s->hwnd, kWmCapDriverConnect, static_cast<uintptr_t>(driver), 0) != 0;
  if (!connected) {
    ListDrivers(ctx, AV_LOG_INFO);
    ff::av_log(ctx, AV_LOG_ERROR, "Could not connect to device #%s.\n", ctx->url ? ctx->url : "");
    return Fail(ctx, AVERROR(ENODEV));
  }
  VfwSend(s->hwnd, kWmCapSetOverlay, 0, 0);
  VfwSend(s->hwnd, kWmCapSetPreview, 0, 0);
  if (!VfwSetStreamCallback(s->hwnd, StreamCallback)) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not set video stream callback.\n");
    return Fail(ctx, AVERROR(EIO));
  }
  VfwSetUserData(s->hwnd, ctx);

  AVStream* st = ff::avformat_new_stream(ctx, nullptr);
  if (!st) return Fail(ctx, AVERROR(ENOMEM));

  const intptr_t formatSize = VfwSend(s->hwnd, kWmCapGetVideoFormat, 0, 0);
  if (formatSize <= 0) return Fail(ctx, AVERROR(EIO));
  // The driver's header may carry a colour table after the fixed part.
  std::vector<uint8_t> headerBytes;
  try {
    headerBytes.assign(std::max<size_t>(static_cast<size_t>(formatSize), sizeof(TVfwBitmapInfoHeader)), 0);
  } catch (const std::bad_alloc&) {
    return Fail(ctx, AVERROR(ENOMEM));
  }
  if (VfwSend(s->hwnd, kWmCapGetVideoFormat, static_cast<uintptr_t>(formatSize),
              reinterpret_cast<intptr_t>(headerBytes.data())) == 0)
    return Fail(ctx, AVERROR(EIO));
  TVfwBitmapInfoHeader bi;
  std::memcpy(&bi, headerBytes.data(), sizeof bi);
  DumpBitmapHeader(ctx, bi);

  AVRational rate{0, 0};
  if (ff::av_parse_video_rate(&rate, s->framerate ? s->framerate : "") < 0 || rate.num <= 0 || rate.den <= 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not parse framerate \"%s\".\n", s->framerate ? s->framerate : "");
    return Fail(ctx, AVERROR(EIO));
  }
  if (s->video_size && *s->video_size) {
    int w = 0, h = 0;
    if (ff::av_parse_video_size(&w, &h, s->video_size) < 0) {
      ff::av_log(ctx, AV_LOG_ERROR, "Couldn't parse video size.\n");
      return Fail(ctx, AVERROR(EIO));
    }
    bi.biWidth = w;
    bi.biHeight = h;
  }
  std::memcpy(headerBytes.data(), &bi, sizeof bi);
  if (!VfwSend(s->hwnd, kWmCapSetVideoFormat, static_cast<uintptr_t>(headerBytes.size()),
               reinterpret_cast<intptr_t>(headerBytes.data()))) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not set Video Format.\n");
    return Fail(ctx, AVERROR(EIO));
  }
  const uint32_t compression = bi.biCompression;
  const int bits = bi.biBitCount;

  TVfwCaptureParms cp{};
  if (!VfwSend(s->hwnd, kWmCapGetSequenceSetup, sizeof cp, reinterpret_cast<intptr_t>(&cp)))
    return Fail(ctx, AVERROR(EIO));
  DumpCaptureParms(ctx, cp);
  cp.fYield = 1;  // the driver captures on a thread of its own
  cp.dwRequestMicroSecPerFrame =
      static_cast<uint32_t>(static_cast<int64_t>(rate.den) * 1000000 / rate.num);
  cp.fCaptureAudio = 0;
  cp.vKeyAbort = 0;
  cp.fAbortLeftMouse = 0;
  cp.fAbortRightMouse = 0;
  if (!VfwSend(s->hwnd, kWmCapSetSequenceSetup, sizeof cp, reinterpret_cast<intptr_t>(&cp)))
    return Fail(ctx, AVERROR(EIO));

  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->width = bi.biWidth;
  par->height = bi.biHeight;
  const AVPixelFormat pix = PixelFormatFor(compression, bits);
  if (pix == AV_PIX_FMT_NONE) {
    par->codec_id = CodecFor(compression);
    if (par->codec_id == AV_CODEC_ID_NONE) {
      ff::av_log(ctx, AV_LOG_ERROR, "Unknown compression type. Please report verbose (-v 9) debug information.\n");
      return Fail(ctx, AVERROR_PATCHWELCOME);
    }
    par->bits_per_coded_sample = bits;
  } else {
    par->codec_id = AV_CODEC_ID_RAWVIDEO;
    par->format = pix;
    if (compression == 0) par->bits_per_coded_sample = bits;
  }
  st->time_base = AVRational{1, 1000};
  st->pts_wrap_bits = 32;
  st->r_frame_rate = rate;
  st->avg_frame_rate = rate;
  ctx->flags |= AVFMT_FLAG_NOPARSE;
  ctx->probesize = 0;
  st->start_time = 0;

  if (!VfwSend(s->hwnd, kWmCapSequenceNoFile, 0, 0)) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not start capture sequence.\n");
    return Fail(ctx, AVERROR(EIO));
  }
  return 0;
}

int ReadPacket(AVFormatContext* ctx, AVPacket* pkt) {
  return static_cast<Tvfw_ctx*>(ctx->priv_data)->queue->Read(ctx, pkt);
}

AVOption gOptions[] = {
    {"video_size", "A string describing frame size, such as 640x480 or hd720.", 0, AV_OPT_TYPE_STRING,
     {.str = nullptr}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"framerate", "", 0, AV_OPT_TYPE_STRING, {.str = "ntsc"}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {nullptr, nullptr, 0, AV_OPT_TYPE_FLAGS, {.i64 = 0}, 0, 0, 0, nullptr},
};

AVClass gClass{};
AVInputFormat gFormat{};

}  // namespace

bool VfwDropFrame(uint32_t fillPercent, uint32_t frameNum) { return fillPercent >= kDropScores[frameNum % 4]; }

TVFWCapture::~TVFWCapture() { DestroyCapWindow(); }

void TVFWCapture::CreateCapWindow() {
  if (kCapWindowInMainThread)
    CallInMainThread([this] { DoCreateCapWindow(); });
  else
    DoCreateCapWindow();
}

void TVFWCapture::DestroyCapWindow() {
  if (kCapWindowInMainThread)
    CallInMainThread([this] { DoDestroyCapWindow(); });
  else
    DoDestroyCapWindow();
}

void TVFWCapture::DoCreateCapWindow() { Fvfw_ctx->hwnd = VfwCreateCaptureWindow(); }

void TVFWCapture::DoDestroyCapWindow() {
  void* window = Fvfw_ctx->hwnd;
  if (!window) return;
  // Late frames see no window and return at once.
  Fvfw_ctx->hwnd = nullptr;
  VfwSetStreamCallback(window, nullptr);
  VfwSend(window, kWmCapDriverDisconnect, 0, 0);
  VfwDestroyCaptureWindow(window);
}

void RegisterVfwCapture() {
  static std::once_flag once;
  std::call_once(once, [] {
    gOptions[0].offset = offsetof(Tvfw_ctx, video_size);
    gOptions[1].offset = offsetof(Tvfw_ctx, framerate);
    gClass.class_name = "VFW indev";
    gClass.option = gOptions;
    gClass.version = LIBAVUTIL_VERSION_INT;
    gFormat.name = "vfwcapture";
    gFormat.long_name = "VfW video capture";
    gFormat.flags = AVFMT_NOFILE;
    gFormat.priv_class = &gClass;
    gFormat.priv_data_size = sizeof(Tvfw_ctx);
    gFormat.read_header = ReadHeader;
    gFormat.read_packet = ReadPacket;
    gFormat.read_close = ReadClose;
  });
  gClass.item_name = ff::av_default_item_name;
  RegisterInputFormatOnce(&gFormat);
  ListDrivers(nullptr, AV_LOG_DEBUG);
}
