#include "app/input/WaveCapture.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFUtils.h"
#include "app/input/CaptureStart.h"
#include "app/input/CapturePacketQueue.h"
#include "engine/ProgramFilters.h"

namespace {

std::atomic<TWaveInDevices*> gDevices{nullptr};

void LogDeviceError(Twave_ctx* s, unsigned code) {
  const std::string text = s->devices->ErrorText(code);
  ff::av_log(s->owner, AV_LOG_ERROR, "%s\n", text.c_str());
}

// Hands buffer `current` to the device.
bool AddBuffer(Twave_ctx* s) {
  if (!s->hwi) {
    ff::av_log(s->owner, AV_LOG_DEBUG, "WaveHandle is invalid.\n");
    return false;
  }
  const int i = s->current;
  const unsigned r = s->devices->AddBuffer(s->hwi, s->header_ptrs[i]);
  if (r != 0) {
    LogDeviceError(s, r);
    s->stopped = 1;
    return false;
  }
  s->current = 1 - i;
  return true;
}

// Gives a header the device returned back to it. The device returns the
// buffers in the order it was given them, so the returned one is always
// the one whose turn it is.
void GiveBack(Twave_ctx* s, TWaveInHeader* header) {
  s->current = header == s->header_ptrs[0] ? 0 : 1;
  AddBuffer(s);
}

bool PausedByCaller(const Twave_ctx* s) {
  if (!s->pause_pointer) return false;
  const auto* flag = reinterpret_cast<const int32_t*>(static_cast<intptr_t>(s->pause_pointer));
  return __atomic_load_n(flag, __ATOMIC_RELAXED) != 0;
}

void Callback(TWaveInMessage message, void* instance, TWaveInHeader* header) {
  auto* s = static_cast<Twave_ctx*>(instance);
  if (s->stopped == 1) return;
  switch (message) {
    case wimOpen:
      ff::av_log(s->owner, AV_LOG_INFO, "waveIn device opened.\n");
      return;
    case wimClose:
      ff::av_log(s->owner, AV_LOG_INFO, "waveIn device closed.\n");
      s->hwi = nullptr;
      s->stopped = 1;
      {
        // Under the queue's lock, so the reader cannot reset it unseen.
        std::lock_guard<std::mutex> lock(s->queue->Lock());
        s->queue->Wake();  // a waiting reader sees the end at once
      }
      return;
    case wimData:
      break;
  }
  const uint32_t n = header->BytesRecorded;
  if (n == 0) {
    GiveBack(s, header);
    return;
  }
  // Sound from before the recording started is not kept; the buffer that
  // spans the start keeps only its part recorded since then.
  uint32_t skip = 0;
  if (!s->started) {
    const int64_t since = CaptureStartTime() > 0 ? ff::av_gettime() - CaptureStartTime() : -1;
    if (since < 0) {
      ff::av_log(s->owner, AV_LOG_DEBUG, "not started, skip wave data %d bytes\n", static_cast<int>(n));
      GiveBack(s, header);
      return;
    }
    s->started = 1;
    const uint32_t align = s->wave_format.BlockAlign ? s->wave_format.BlockAlign : 1;
    const uint64_t recent = static_cast<uint64_t>(since) * s->wave_format.AvgBytesPerSec / 1000000 / align * align;
    if (recent < n) skip = n - static_cast<uint32_t>(recent);
    if (skip == n) {
      GiveBack(s, header);
      return;
    }
  }
  if (PausedByCaller(s)) {
    GiveBack(s, header);
    return;
  }
  std::unique_lock<std::mutex> lock(s->queue->Lock());
  if (!s->queue->Append(header->Data + skip, n - skip)) {
    ff::av_log(s->owner, AV_LOG_ERROR, "av_new_packet() error\n");
    s->stopped = 1;
    s->queue->Wake();
    return;
  }
  lock.unlock();
  GiveBack(s, header);
}

int ReadClose(AVFormatContext* ctx) {
  auto* s = static_cast<Twave_ctx*>(ctx->priv_data);
  if (s->pause_pointer) ClearCapturePauseFlag(reinterpret_cast<const int32_t*>(static_cast<intptr_t>(s->pause_pointer)));
  s->owner = nullptr;
  s->stopped = 1;
  if (s->hwi) {
    // The device returns both buffers now; the callback ignores them.
    s->devices->Reset(s->hwi);
    for (TWaveInHeader* h : s->header_ptrs)
      if (h && h->System) s->devices->Unprepare(s->hwi, h);
    s->devices->Close(s->hwi);
    s->hwi = nullptr;
  }
  delete s->queue;
  s->queue = nullptr;
  for (uint8_t*& b : s->buffers) {
    ff::av_freep(&b);
  }
  return 0;
}

bool OpenDevice(Twave_ctx* s) {
  if (s->devices->DeviceCount() == 0) {
    ff::av_log(s->owner, AV_LOG_ERROR, "No wave audio recording devices found.\n");
    return false;
  }
  TWaveInFormat& f = s->wave_format;
  f = TWaveInFormat{};
  f.FormatTag = 1;
  f.SamplesPerSec = static_cast<uint32_t>(s->sample_rate);
  f.BitsPerSample = static_cast<uint16_t>(s->bits_per_sample);
  f.Channels = static_cast<uint16_t>(s->channels);
  const long long align = static_cast<long long>(s->channels) * s->bits_per_sample / 8;
  f.BlockAlign = static_cast<uint16_t>(align == 0 ? 1 : align);
  f.AvgBytesPerSec = static_cast<uint32_t>(static_cast<uint64_t>(f.SamplesPerSec) * f.BlockAlign);
  if (f.Channels != s->channels || align > 0xFFFF) {
    // The format record cannot describe this many channels.
    ff::av_log(s->owner, AV_LOG_ERROR, "Invalid channels %d\n", s->channels);
    return false;
  }
  for (int i = 0; i < 2; ++i) {
    TWaveInHeader& h = s->headers[i];
    h = TWaveInHeader{};
    const uint32_t length = static_cast<uint32_t>(s->bufsize) / f.BlockAlign * f.BlockAlign;
    s->buffers[i] = static_cast<uint8_t*>(ff::av_mallocz(length ? length : 1));
    if (!s->buffers[i] || length == 0) {
      ff::av_log(s->owner, AV_LOG_ERROR, "Error allocating wave buffer memory.\n");
      return false;
    }
    h.Data = s->buffers[i];
    h.BufferLength = length;
    s->header_ptrs[i] = &h;
  }
  unsigned r = s->devices->Query(s->device_id, f);
  if (r == 0) r = s->devices->Open(s->hwi, s->device_id, f, Callback, s);
  if (r != 0) {
    s->hwi = nullptr;
    LogDeviceError(s, r);
    return false;
  }
  for (TWaveInHeader* h : s->header_ptrs) {
    r = s->devices->Prepare(s->hwi, h);
    if (r != 0) {
      LogDeviceError(s, r);
      return false;
    }
  }
  s->current = 0;
  if (!AddBuffer(s)) return false;
  r = s->devices->Start(s->hwi);
  if (r != 0) {
    LogDeviceError(s, r);
    return false;
  }
  return AddBuffer(s);
}

int ReadHeader(AVFormatContext* ctx) {
  auto* s = static_cast<Twave_ctx*>(ctx->priv_data);
  s->owner = ctx;
  s->frame_size = 4096;
  s->devices = CurrentWaveInDevices();
  const std::string name = std::string(ctx->url ? ctx->url : "").substr(0, 1024);
  {
    char* end = nullptr;
    errno = 0;
    const long id = std::strtol(name.c_str(), &end, 10);
    if (name.empty() || *end != '\0' || errno != 0 || id < -2147483647L - 1 || id > 2147483647L) {
      ff::av_log(ctx, AV_LOG_ERROR, "Invalid device identifier: \"%s\"\n", ctx->url ? ctx->url : "");
      return AVERROR(EINVAL);
    }
    s->device_id = static_cast<int>(id);
  }
  if (!s->sample_fmt_str || !*s->sample_fmt_str) {
    s->bits_per_sample = 16;
    s->sample_format = AV_SAMPLE_FMT_S16;
    s->codec_id = AV_CODEC_ID_PCM_S16LE;
  } else {
    const AVSampleFormat f = ff::av_get_sample_fmt(s->sample_fmt_str);
    if (f == AV_SAMPLE_FMT_U8) {
      s->bits_per_sample = 8;
      s->sample_format = AV_SAMPLE_FMT_U8;
      s->codec_id = AV_CODEC_ID_PCM_U8;
    } else if (f == AV_SAMPLE_FMT_S16) {
      s->bits_per_sample = 16;
      s->sample_format = AV_SAMPLE_FMT_S16;
      s->codec_id = AV_CODEC_ID_PCM_S16LE;
    } else {
      ff::av_log(ctx, AV_LOG_ERROR, "Invalid sample format: \"%s\", it should be u8 or s16\n", s->sample_fmt_str);
      return AVERROR(EINVAL);
    }
  }
  if (s->bufsize < 1) s->bufsize = 4096;
  if (s->sample_rate <= 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "Invalid sample rate %d\n", s->sample_rate);
    return AVERROR(EINVAL);
  }
  if (s->channels <= 0) {
    ff::av_log(ctx, AV_LOG_ERROR, "Invalid channels %d\n", s->channels);
    return AVERROR(EINVAL);
  }
  // The flag is read at every buffer for the whole recording: only an
  // address the program registered for this may be named here, never an
  // arbitrary one from the option text.
  if (s->pause_pointer &&
      !LiveParameterRegistered(reinterpret_cast<int32_t*>(static_cast<intptr_t>(s->pause_pointer)))) {
    ff::av_log(ctx, AV_LOG_ERROR, "Invalid pause pointer %lld\n", static_cast<long long>(s->pause_pointer));
    return AVERROR(EINVAL);
  }
  s->queue = new (std::nothrow) TCapturePacketQueue;
  if (!s->queue) {
    ff::av_log(ctx, AV_LOG_ERROR, "Could not create the packet queue.\n");
    ReadClose(ctx);
    return AVERROR(EIO);
  }
  if (!OpenDevice(s)) {
    ReadClose(ctx);
    return AVERROR(EIO);
  }
  AVStream* st = ff::avformat_new_stream(ctx, nullptr);
  if (!st) {
    ff::av_log(ctx, AV_LOG_ERROR, "Cannot add stream.\n");
    ReadClose(ctx);
    return AVERROR(ENOMEM);
  }
  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_AUDIO;
  par->codec_id = static_cast<AVCodecID>(s->codec_id);
  ff::av_channel_layout_default(&par->ch_layout, s->channels);
  par->sample_rate = s->sample_rate;
  par->block_align = s->wave_format.BlockAlign;
  par->format = s->sample_format;
  par->bit_rate = static_cast<int64_t>(s->sample_rate) * s->channels * s->bits_per_sample;
  par->frame_size = s->frame_size;
  par->bits_per_coded_sample = s->bits_per_sample;
  ctx->flags |= AVFMT_FLAG_NOPARSE;
  ctx->probesize = 0;
  st->start_time = 0;
  st->time_base = AVRational{1, 1000000};
  st->pts_wrap_bits = 64;
  ResetCaptureStart();
  SetCapturePauseFlag(reinterpret_cast<const int32_t*>(static_cast<intptr_t>(s->pause_pointer)));
  ff::av_log(ctx, AV_LOG_INFO, "ready for recording...\n");
  return 0;
}

int ReadPacket(AVFormatContext* ctx, AVPacket* pkt) {
  auto* s = static_cast<Twave_ctx*>(ctx->priv_data);
  MarkCaptureStart(ff::av_gettime());
  s->started = 1;
  return s->queue->Read(ctx, pkt, &s->stopped);
}

AVOption gOptions[] = {
    {"sample_rate", "set audio sampling rate (in Hz)", 0, AV_OPT_TYPE_INT, {.i64 = 44100}, 0, 2147483647.0,
     AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"channels", "set number of audio channels", 0, AV_OPT_TYPE_INT, {.i64 = 2}, 0, 2147483647.0,
     AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"sample_fmt", "set sample format", 0, AV_OPT_TYPE_STRING, {.str = "s16"}, 0, 0, AV_OPT_FLAG_DECODING_PARAM,
     nullptr},
    {"bufsize", "waveIn buffer size", 0, AV_OPT_TYPE_INT, {.i64 = 4096}, 0, 2147483647.0,
     AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"pause_pointer", "integer value of pause flag pointer", 0, AV_OPT_TYPE_INT64, {.i64 = 0},
     -9223372036854775807.0, 9223372036854775807.0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {nullptr, nullptr, 0, AV_OPT_TYPE_FLAGS, {.i64 = 0}, 0, 0, 0, nullptr},
};

AVClass gClass{};
AVInputFormat gFormat{};

}  // namespace

void SetWaveInDevices(TWaveInDevices* devices) { gDevices = devices; }

TWaveInDevices* CurrentWaveInDevices() {
  TWaveInDevices* d = gDevices;
  return d ? d : SystemWaveInDevices();
}

void RegisterWaveCapture() {
  static std::once_flag once;
  std::call_once(once, [] {
    gOptions[0].offset = offsetof(Twave_ctx, sample_rate);
    gOptions[1].offset = offsetof(Twave_ctx, channels);
    gOptions[2].offset = offsetof(Twave_ctx, sample_fmt_str);
    gOptions[3].offset = offsetof(Twave_ctx, bufsize);
    gOptions[4].offset = offsetof(Twave_ctx, pause_pointer);
    gClass.class_name = "WaveCaptureFormat";
    gClass.option = gOptions;
    gClass.version = LIBAVUTIL_VERSION_INT;
    gFormat.name = "wavecapture";
    gFormat.long_name = "Wave capture using waveIn functions";
    gFormat.flags = AVFMT_NOFILE;
    gFormat.priv_class = &gClass;
    gFormat.priv_data_size = sizeof(Twave_ctx);
    gFormat.read_header = ReadHeader;
    gFormat.read_packet = ReadPacket;
    gFormat.read_close = ReadClose;
  });
  // The item-name routine lives in the library, which may have been bound
  // anew since the last registration.
  gClass.item_name = ff::av_default_item_name;
  RegisterInputFormatOnce(&gFormat);
}
