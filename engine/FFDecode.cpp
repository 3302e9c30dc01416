#include "engine/FFDecode.h"

#include "engine/DVDTitleSource.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLog.h"
#include "engine/FFText.h"
#include "engine/FFUtils.h"
#include "engine/MyUtils.h"
#include "engine/UnicodeProtocol.h"
#include "framework/Graphics.h"

namespace {

constexpr AVRational kMicro{1, 1000000};

TLogLevel LevelOf(int avLevel) {
  switch (avLevel) {
    case AV_LOG_ERROR: return llError;
    case AV_LOG_WARNING: return llWarning;
    case AV_LOG_INFO: return llInfo;
    default: return llDebug;
  }
}

std::string TagText(const AVDictionary* dict, const char* key) { return DictValue(dict, key, ""); }

int TagNumber(const AVDictionary* dict, const char* key) {
  const std::string v = TagText(dict, key);
  if (v.empty()) return 0;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (*end != '\0' || n > INT32_MAX || n < INT32_MIN) return 0;
  return static_cast<int>(n);
}

// "%d.%.6d" of a microsecond time, the fraction never negative.
std::string SecondsText(int64_t us) {
  int64_t secs = us / 1000000;
  int64_t frac = us % 1000000;
  if (frac < 0) frac = -frac;
  return PrintfText("%d.%.6d", static_cast<int>(secs), static_cast<int>(frac));
}

// Cuts at most `limit` bytes without splitting a UTF-8 character.
std::string CutUTF8(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

void TagBlock(std::string& out, const AVDictionary* dict, const char* indent) {
  if (!dict) return;
  const int count = ff::av_dict_count(dict);
  if (count == 0) return;
  if (count == 1 && ff::av_dict_get(dict, "language", nullptr, 0)) return;
  out += std::string(indent) + "Metadata:\r\n";
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX))) {
    if (std::strcmp(e->key, "language") == 0) continue;
    std::string value = CutUTF8(e->value ? e->value : "", 255);
    for (char& c : value)
      if (c == '\r') c = ' ';
    out += PrintfText("%s  %-16s: %s", indent, e->key, value.c_str()) + "\r\n";
  }
}

std::string RateText(double r, const char* unit) {
  const int64_t v = std::llround(r * 100);
  if (v % 100) return PrintfText(", %3.2f %s", r, unit);
  if (v % 100000) return PrintfText(", %1.0f %s", r, unit);
  return PrintfText(", %1.0fk %s", r / 1000, unit);
}

}  // namespace

// ---- TCustomDecoder -------------------------------------------------------

TCustomDecoder::TCustomDecoder(TComponent* owner) : TFFBaseComponent(owner) { ScanStreams(); }

TCustomDecoder::~TCustomDecoder() {
  CloseFile();
  if (AVLibLoaded()) UninitFFOptions(FOptions);
}

bool TCustomDecoder::LoadAVLib(const std::string& path) {
  if (!FLib.LoadAVLib(path)) {
    FLastErrMsg = FLib.LastErrMsg;
    return false;
  }
  InitFFOptions(FOptions, Fsws_flags);
  return true;
}

void TCustomDecoder::UnloadAVLib() {
  CloseFile();
  if (AVLibLoaded()) UninitFFOptions(FOptions);
  FLib.UnloadAVLib();
}

void TCustomDecoder::SetError(int avLevel, const std::string& text) {
  FLastErrMsg = text;
  GlobalLogger()->Log(this, LevelOf(avLevel), text);
}

int TCustomDecoder::ReadInterrupt(void* opaque) {
  // Called from inside library calls: nothing may escape into C frames.
  try {
    return static_cast<TCustomDecoder*>(opaque)->CheckReadTimeout();
  } catch (...) {
    return 1;
  }
}

int TCustomDecoder::CheckReadTimeout() {
  const int64_t last = FLastRead;
  if (last == INT64_MAX || ReadTimeout <= 0) return 0;
  if (ff::av_gettime_relative() - last > int64_t{ReadTimeout} * 1000) {
    GlobalLogger()->Log(this, llInfo, last == 0 ? "connecting/reading canceled" : "connecting/reading timeout");
    return 1;
  }
  return 0;
}

bool TCustomDecoder::LoadFile(const std::string& fileName, const std::string& formatName) {
  FLib.CheckLibAV();
  FLoading = true;
  CloseFile();
  FLoading = false;

  const AVInputFormat* format = nullptr;
  if (!formatName.empty()) {
    format = FindProgramInputFormat(formatName.c_str());
    if (!format) format = ff::av_find_input_format(formatName.c_str());
    if (!format) {
      SetError(AV_LOG_ERROR, PrintfText("Unknown input format: %s", formatName.c_str()));
      CloseFile();
      return false;
    }
  }

  AVFormatContext* ctx = ff::avformat_alloc_context();
  if (!ctx) {
    SetError(AV_LOG_ERROR, FormatAVError(fileName, AVERROR(ENOMEM)));
    CloseFile();
    return false;
  }
  ctx->interrupt_callback.callback = &TCustomDecoder::ReadInterrupt;
  ctx->interrupt_callback.opaque = this;
  FOwnHandle = true;
  FLastRead = ff::av_gettime_relative();

  // The program's own devices (a window, the desktop) take their names as
  // they stand: they are no files.
  const bool device = format && FindProgramInputFormat(format->name) == format;
  const std::string mediaName =
      device ? StringToUTF8Buffer(fileName) : MediaFileName(StringToUTF8Buffer(fileName));
  AVDictionary* formatOpts = nullptr;
  ff::av_dict_copy(&formatOpts, FOptions.format_opts, 0);
  const int r = OpenMediaInput(&ctx, mediaName, format, &formatOpts);
  if (r < 0) {
    // The library frees the context of a failed open.
    ff::av_dict_free(&formatOpts);
    FLastRead = INT64_MAX;
    FLastErrMsg = FormatAVError(fileName, r);
    CloseFile();
    return false;
  }
  FFileHandle = ctx;
  FFileName = fileName;
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(formatOpts, "", e, AV_DICT_IGNORE_SUFFIX)))
    GlobalLogger()->Log(this, llError, PrintfText("Option %s not found, ignored.", e->key));
  ff::av_dict_free(&formatOpts);

  ctx->flags |= AVFMT_FLAG_NONBLOCK;

  if (OnBeforeFindStreamInfo) {
    if (TriggerEventInMainThread)
      CallInMainThread([this, ctx] { OnBeforeFindStreamInfo(this, ctx); });
    else
      OnBeforeFindStreamInfo(this, ctx);
  }

  const unsigned streamsBefore = ctx->nb_streams;
  AVDictionary** streamOpts = SetupFindStreamInfoOpts(ctx, FOptions.codec_opts);
  FLastRead = ff::av_gettime_relative();
  const int p = ff::avformat_find_stream_info(ctx, streamOpts);
  FLastRead = INT64_MAX;
  if (streamOpts) {
    for (unsigned i = 0; i < streamsBefore; ++i) ff::av_dict_free(&streamOpts[i]);
    ff::av_free(streamOpts);
  }
  if (p < 0) {
    FLastErrMsg = PrintfText("%s: could not find codec parameters", fileName.c_str());
    CloseFile();
    return false;
  }
  if (ctx->pb) {
    ctx->pb->eof_reached = 0;
    ctx->pb->error = 0;
  }
  ScanStreams();
  InitFFOptions(FOptions, Fsws_flags);
  FForceFormat = formatName;
  return true;
}

void TCustomDecoder::SetFileHandle(AVFormatContext* context) {
  if (context == FFileHandle) return;
  FLib.CheckLibAV();
  CloseFile();
  FOwnHandle = false;
  FFileHandle = context;
  ScanStreams();
}

void TCustomDecoder::CloseFile() {
  if (!FLoading) {
    if (AVLibLoaded()) InitFFOptions(FOptions, Fsws_flags);
    FForceFormat.clear();
  }
  if (FFileHandle) {
    if (FOwnHandle) CloseMediaInput(&FFileHandle);
    FFileHandle = nullptr;
  }
  FFileName.clear();
  ScanStreams();
}

int64_t TCustomDecoder::FileSizeOfContext() const {
  int64_t size = FFileHandle->pb ? ff::avio_size(FFileHandle->pb) : -1;
  if (size > 0) return size;
  const std::string name = OpenName();
  const int64_t bySize = name.empty() ? -1 : FileSizeByName(name);
  return bySize >= 0 ? bySize : size;
}

void TCustomDecoder::ScanStreams() {
  FFileSize = -1;
  FStreamCount = FProgramCount = -1;
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = -1;
  FFirstAudioStreamIndex = FFirstVideoStreamIndex = FFirstSubtitleStreamIndex = -1;
  if (!FFileHandle) return;
  FFileSize = FileSizeOfContext();
  FStreamCount = static_cast<int>(FFileHandle->nb_streams);
  FProgramCount = static_cast<int>(FFileHandle->nb_programs);
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = 0;
  for (int i = 0; i < FStreamCount; ++i) {
    switch (FFileHandle->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        if (FVideoStreamCount++ == 0) FFirstVideoStreamIndex = i;
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (FAudioStreamCount++ == 0) FFirstAudioStreamIndex = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (FSubtitleStreamCount++ == 0) FFirstSubtitleStreamIndex = i;
        break;
      default:
        break;
    }
  }
}

namespace {

bool StreamIs(AVFormatContext* ctx, int index, AVMediaType type) {
  return ctx->streams[index]->codecpar->codec_type == type;
}

}  // namespace

bool TCustomDecoder::IsAudioStream(int streamIndex) {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), false;
  if (streamIndex < 0 || streamIndex >= FStreamCount)
    return SetError(AV_LOG_ERROR, PrintfText("stream index #%d is invalid.", streamIndex)), false;
  return StreamIs(FFileHandle, streamIndex, AVMEDIA_TYPE_AUDIO);
}

bool TCustomDecoder::IsVideoStream(int streamIndex) {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), false;
  if (streamIndex < 0 || streamIndex >= FStreamCount)
    return SetError(AV_LOG_ERROR, PrintfText("stream index #%d is invalid.", streamIndex)), false;
  return StreamIs(FFileHandle, streamIndex, AVMEDIA_TYPE_VIDEO);
}

bool TCustomDecoder::IsSubtitleStream(int streamIndex) {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), false;
  if (streamIndex < 0 || streamIndex >= FStreamCount)
    return SetError(AV_LOG_ERROR, PrintfText("stream index #%d is invalid.", streamIndex)), false;
  return StreamIs(FFileHandle, streamIndex, AVMEDIA_TYPE_SUBTITLE);
}

TFileStreamInfo TCustomDecoder::FileStreamInfo() {
  TFileStreamInfo info;
  if (!HasFile()) {
    SetError(AV_LOG_WARNING, "file not loaded.");
    return info;
  }
  info.StartTime = FFileHandle->start_time;
  info.Duration = FFileHandle->duration == AV_NOPTS_VALUE ? -1 : FFileHandle->duration;
  info.BitRate = static_cast<int>(FFileHandle->bit_rate);
  // The container's time stamp now lives in the "creation_time" tag.
  info.TimeStamp = 0;
  const std::string created = TagText(FFileHandle->metadata, "creation_time");
  int64_t parsed = 0;
  if (!created.empty() && ff::av_parse_time(&parsed, created.c_str(), 0) >= 0) info.TimeStamp = parsed;
  const AVDictionary* m = FFileHandle->metadata;
  info.Year = TagNumber(m, "year");
  info.Track = TagNumber(m, "track");
  info.Title = TagText(m, "title");
  info.Author = TagText(m, "author");
  info.Copyright = TagText(m, "copyright");
  info.Comment = TagText(m, "comment");
  info.Album = TagText(m, "album");
  info.Genre = TagText(m, "genre");
  return info;
}

namespace {

// Looks the stream up as the info getters do; -1 with the error text set.
int FindTypedStream(AVFormatContext* ctx, int index, int first, int count, AVMediaType type, const char* word,
                    std::string& error, int& level) {
  if (!ctx) {
    error = "file not loaded.";
    level = AV_LOG_WARNING;
    return -1;
  }
  level = AV_LOG_ERROR;
  if (index < 0) {
    if (first < 0) error = PrintfText("no %s stream.", word);
    return first;
  }
  if (index >= count) {
    error = PrintfText("stream index #%d is invalid.", index);
    return -1;
  }
  if (ctx->streams[index]->codecpar->codec_type != type) {
    error = PrintfText("stream #%d is not %s stream.", index, word);
    return -1;
  }
  return index;
}

// The stream's time base, repaired in place when its denominator is 0.
AVRational StreamTimeBase(AVStream* st) {
  if (st->time_base.den == 0) st->time_base.den = st->time_base.num ? st->time_base.num : 1;
  return st->time_base;
}

std::string StreamCodecName(const AVStream* st) {
  AVCodecContext* ctx = ff::avcodec_alloc_context3(nullptr);
  if (!ctx) return std::string();
  std::string name;
  if (ff::avcodec_parameters_to_context(ctx, st->codecpar) >= 0) name = CodecNameText(ctx, false);
  ff::avcodec_free_context(&ctx);
  return name;
}

// What audio and video stream infos share: language, codec and times.
template <class Info>
void FillCommonStreamInfo(AVStream* st, Info& info) {
  const AVRational tb = StreamTimeBase(st);
  info.Language = TagText(st->metadata, "language");
  info.CodecName = StreamCodecName(st);
  info.StartTime = st->start_time;
  info.Duration = st->duration;
  if (st->start_time != AV_NOPTS_VALUE) info.StartTimeScaled = ff::av_rescale_q(st->start_time, tb, kMicro);
  if (st->duration != AV_NOPTS_VALUE) info.DurationScaled = ff::av_rescale_q(st->duration, tb, kMicro);
}

}  // namespace

int TCustomDecoder::TypedStreamIndex(int index, int fallback, AVMediaType type, const char* word) {
  std::string error;
  int level = 0;
  const int i = FindTypedStream(FFileHandle, index, fallback, FStreamCount, type, word, error, level);
  if (i < 0) SetError(level, error);
  return i;
}

bool TCustomDecoder::GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info) {
  info = TAudioStreamInfo();
  const int i = TypedStreamIndex(streamIndex, FFirstAudioStreamIndex, AVMEDIA_TYPE_AUDIO, "audio");
  if (i < 0) return false;
  AVStream* st = FFileHandle->streams[i];
  FillCommonStreamInfo(st, info);
  info.BitRate = static_cast<int>(st->codecpar->bit_rate);
  info.Channels = st->codecpar->ch_layout.nb_channels;
  info.SampleRate = st->codecpar->sample_rate;
  info.SampleFormat = st->codecpar->format;
  return true;
}

bool TCustomDecoder::GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info) {
  info = TVideoStreamInfo();
  const int i = TypedStreamIndex(streamIndex, FFirstVideoStreamIndex, AVMEDIA_TYPE_VIDEO, "video");
  if (i < 0) return false;
  AVStream* st = FFileHandle->streams[i];
  FillCommonStreamInfo(st, info);
  const AVCodecParameters* par = st->codecpar;
  info.BitRate = static_cast<int>(par->bit_rate);
  info.Height = par->height;
  info.Width = par->width;
  info.PixFmt = par->format;
  const AVRational sar = par->sample_aspect_ratio;
  if (sar.num == 0 || sar.den == 0 || par->height == 0)
    info.AspectRatio = 0.0f;
  else
    info.AspectRatio = static_cast<float>(par->width * av_q2d(sar) / par->height);
  if (st->avg_frame_rate.num != 0 && st->avg_frame_rate.den != 0)
    info.FrameRate = st->avg_frame_rate;
  else
    info.FrameRate = st->r_frame_rate;
  return true;
}

bool TCustomDecoder::GetSubtitleStreamInfo(int streamIndex, TSubtitleStreamInfo& info) {
  info = TSubtitleStreamInfo();
  std::string error;
  int level = 0;
  const int i = FindTypedStream(FFileHandle, streamIndex, FFirstSubtitleStreamIndex, FStreamCount,
                                AVMEDIA_TYPE_SUBTITLE, "subtitle", error, level);
  if (i < 0) return SetError(level, error), false;
  AVStream* st = FFileHandle->streams[i];
  info.Language = TagText(st->metadata, "language");
  info.CodecName = StreamCodecName(st);
  return true;
}

TAudioStreamInfo TCustomDecoder::FirstAudioStreamInfo() {
  TAudioStreamInfo info;
  GetAudioStreamInfo(-1, info);
  return info;
}

TVideoStreamInfo TCustomDecoder::FirstVideoStreamInfo() {
  TVideoStreamInfo info;
  GetVideoStreamInfo(-1, info);
  return info;
}

TSubtitleStreamInfo TCustomDecoder::FirstSubtitleStreamInfo() {
  TSubtitleStreamInfo info;
  GetSubtitleStreamInfo(-1, info);
  return info;
}

std::string TCustomDecoder::FileName() {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), std::string();
  return OpenName();
}

std::string TCustomDecoder::OpenName() const {
  // The library holds the native name it opened; the caller's form is the
  // one to show.
  return FFileName.empty() ? UTF8PCharToString(FFileHandle->url) : FFileName;
}

std::string TCustomDecoder::FormatName() {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), std::string();
  return FFileHandle->iformat && FFileHandle->iformat->name ? FFileHandle->iformat->name : "";
}

std::string TCustomDecoder::FormatLongName() {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), std::string();
  return FFileHandle->iformat && FFileHandle->iformat->long_name ? FFileHandle->iformat->long_name : "";
}

bool TCustomDecoder::opt_default(const std::string& option, const std::string& value) {
  if (!AVLibLoaded()) {
    FLastErrMsg = "libav not loaded.";
    return false;
  }
  return OptDefault(FOptions, option.c_str(), value.c_str()) >= 0;
}

void TCustomDecoder::StreamLines(std::string& out, int i, std::vector<char>& shown) {
  AVStream* st = FFileHandle->streams[i];
  shown[i] = 1;
  std::string line = PrintfText("  Stream #%d", i);
  if (FFileHandle->iformat && (FFileHandle->iformat->flags & AVFMT_SHOW_IDS)) line += PrintfText("[0x%x]", st->id);
  const AVDictionaryEntry* lang = ff::av_dict_get(st->metadata, "language", nullptr, 0);
  if (lang) line += PrintfText("(%s)", lang->value);
  int g = ff::av_gcd(st->time_base.num, st->time_base.den);
  if (g == 0) g = 1;
  line += PrintfText(", %d/%d", st->time_base.num / g, st->time_base.den / g);

  char buf[256] = {};
  AVCodecContext* ctx = ff::avcodec_alloc_context3(nullptr);
  if (ctx) {
    if (ff::avcodec_parameters_to_context(ctx, st->codecpar) >= 0) ff::avcodec_string(buf, sizeof buf, ctx, 0);
  }
  line += std::string(": ") + buf;

  const AVCodecParameters* par = st->codecpar;
  if (st->sample_aspect_ratio.num != 0 &&
      (st->sample_aspect_ratio.num != par->sample_aspect_ratio.num ||
       st->sample_aspect_ratio.den != par->sample_aspect_ratio.den)) {
    int dn = 0, dd = 0;
    ff::av_reduce(&dn, &dd, int64_t{par->width} * st->sample_aspect_ratio.num,
                  int64_t{par->height} * st->sample_aspect_ratio.den, 1024 * 1024);
    line += PrintfText(", SAR %d:%d DAR %d:%d", st->sample_aspect_ratio.num, st->sample_aspect_ratio.den, dn, dd);
  }
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    if (st->avg_frame_rate.num && st->avg_frame_rate.den) line += RateText(av_q2d(st->avg_frame_rate), "fps");
    if (st->r_frame_rate.num && st->r_frame_rate.den) line += RateText(av_q2d(st->r_frame_rate), "tbr");
    if (st->time_base.num && st->time_base.den) line += RateText(1 / av_q2d(st->time_base), "tbn");
    // The container has no codec time base of its own any more; only an
    // opened decoder's frame rate stands for it.
    if (ctx && ctx->framerate.num && ctx->framerate.den) line += RateText(av_q2d(ctx->framerate), "tbc");
  }
  if (ctx) ff::avcodec_free_context(&ctx);
  static const struct {
    int flag;
    const char* text;
  } kDispositions[] = {{AV_DISPOSITION_DEFAULT, " (default)"},
                       {AV_DISPOSITION_DUB, " (dub)"},
                       {AV_DISPOSITION_ORIGINAL, " (original)"},
                       {AV_DISPOSITION_COMMENT, " (comment)"},
                       {AV_DISPOSITION_LYRICS, " (lyrics)"},
                       {AV_DISPOSITION_KARAOKE, " (karaoke)"},
                       {AV_DISPOSITION_FORCED, " (forced)"},
                       {AV_DISPOSITION_HEARING_IMPAIRED, " (hearing impaired)"},
                       {AV_DISPOSITION_VISUAL_IMPAIRED, " (visual impaired)"},
                       {AV_DISPOSITION_CLEAN_EFFECTS, " (clean effects)"}};
  for (const auto& d : kDispositions)
    if (st->disposition & d.flag) line += d.text;
  if (st->start_time != AV_NOPTS_VALUE)
    line += ", start: " + SecondsText(ff::av_rescale_q(st->start_time, st->time_base, kMicro));
  if (st->duration != AV_NOPTS_VALUE) line += ", duration: " + StreamTimeToText(st->time_base, st->duration);
  out += line + "\r\n";
  TagBlock(out, st->metadata, "  ");
}

std::string TCustomDecoder::FileInfoText() {
  if (!HasFile()) return SetError(AV_LOG_WARNING, "file not loaded."), std::string();
  AVFormatContext* ic = FFileHandle;
  std::string out;
  out += "File Name: " + OpenName() + "\r\n";
  out += std::string("Format Name: ") + (ic->iformat->name ? ic->iformat->name : "") + "\r\n";
  if (ic->iformat->long_name) out += std::string("Format Long Name: ") + ic->iformat->long_name + "\r\n";
  out += "File Size: " + FormatFileSize(FileSizeOfContext()) + "\r\n";
  TagBlock(out, ic->metadata, "");

  std::string line = "Duration: " + TimeStampToText(ic->duration);
  if (ic->start_time != AV_NOPTS_VALUE) line += ", start: " + SecondsText(ic->start_time);
  line += ", bitrate: ";
  line += ic->bit_rate > 0 ? PrintfText("%d kb/s", static_cast<int>(ic->bit_rate / 1000)) : std::string("N/A");
  out += line + "\r\n";

  for (unsigned i = 0; i < ic->nb_chapters; ++i) {
    const AVChapter* ch = ic->chapters[i];
    out += PrintfText("Chapter #%d: ", static_cast<int>(i)) +
           PrintfText("start %.6f, ", ch->start * av_q2d(ch->time_base)) +
           PrintfText("end %.6f", ch->end * av_q2d(ch->time_base)) + "\r\n";
    TagBlock(out, ch->metadata, "  ");
  }

  std::vector<char> shown(ic->nb_streams, 0);
  if (ic->nb_programs) {
    unsigned listed = 0;
    for (unsigned j = 0; j < ic->nb_programs; ++j) {
      const AVProgram* program = ic->programs[j];
      out += PrintfText("Program %d %s", program->id, TagText(program->metadata, "name").c_str()) + "\r\n";
      TagBlock(out, program->metadata, "  ");
      for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
        const unsigned s = program->stream_index[k];
        if (s < ic->nb_streams) StreamLines(out, static_cast<int>(s), shown);
      }
      listed += program->nb_stream_indexes;
    }
    if (listed < ic->nb_streams) out += "No Program\r\n";
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (!shown[i]) StreamLines(out, static_cast<int>(i), shown);
  return out;
}

bool TFFDecoder::ReadFailedAfterDrain(int readResult) {
  AVIOContext* pb = FFileHandle->pb;
  if (readResult != AVERROR_EOF && readResult != AVERROR(EPIPE) && !(pb && ff::avio_feof(pb))) {
    SetError(AV_LOG_INFO, PrintfText("unknown error #%d.", readResult));
    return false;
  }
  FEOF = true;
  SetError(AV_LOG_INFO, "stream eof reached.");
  return false;
}
