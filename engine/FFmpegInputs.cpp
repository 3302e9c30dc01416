// Opening the inputs of a task: forced format and decoders, demuxer options,
// probing, the start position, one input-stream row per stream.
#include <cstring>

#include "engine/DVDTitleSource.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFmpeg.h"
#include "engine/UnicodeProtocol.h"

std::string MediaURL(const std::string& fileName) {
  const std::string native = MediaFileName(fileName);
  if (!native.empty() && native[0] == '/') return "file:" + native;
  return native;
}

const AVCodec* TCustomFFmpeg::FindCodecOrFail(const char* name, AVMediaType type, bool encoder) {
  const AVCodec* codec = encoder ? ff::avcodec_find_encoder_by_name(name) : ff::avcodec_find_decoder_by_name(name);
  const char* kind = encoder ? "encoder" : "decoder";
  if (!codec) RaiseFatalFmt("Unknown %s '%s'", kind, name);
  if (codec->type != type) RaiseFatalFmt("Invalid %s type '%s'", kind, name);
  return codec;
}

const AVCodec* TCustomFFmpeg::ChooseDecoder(TOptionsContext*, AVFormatContext* s, AVStream* st) {
  const char* name = nullptr;
  MatchCodecName(s, st, name);
  if (name) {
    const AVCodec* codec = FindCodecOrFail(name, st->codecpar->codec_type, false);
    st->codecpar->codec_id = codec->id;
    return codec;
  }
  return ff::avcodec_find_decoder(st->codecpar->codec_id);
}

// The decoder is given the stream's average rate (codec parameters carry
// none); a container rate that differs from it is worth a line.
void TCustomFFmpeg::LogFrameRateDifference(const AVStream* st) {
  const AVRational codec = st->avg_frame_rate, base = st->r_frame_rate;
  if (codec.num <= 0 || codec.den <= 0 || base.num <= 0 || base.den <= 0) return;
  if (av_cmp_q(codec, base) == 0) return;
  LogMsg(llInfo, FormatText("Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) . "
                            "%2.2f (%d/%d)",
                            st->index, av_q2d(codec), codec.num, codec.den, av_q2d(base), base.num, base.den));
}

void TCustomFFmpeg::AddInputStreams(TOptionsContext* o, AVFormatContext* ic) {
  const int fileIndex = InputFileCount();
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    Finput_streams.emplace_back();
    TInputStream& ist = Finput_streams.back();
    ist.st = st;
    ist.file_index = fileIndex;
    ist.discard = 1;
    ist.opts = FilterCodecOpts(FOptions.codec_opts, ChooseDecoder(o, ic, st), ic, st);
    ist.ts_scale = 1.0;
    MatchTsScale(ic, st, ist.ts_scale);
    const char* tag = nullptr;
    MatchCodecTag(ic, st, tag);
    if (tag) st->codecpar->codec_tag = CodecTagFromText(tag);
    ist.avdec = ChooseDecoder(o, ic, st);

    switch (st->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        if (!ist.avdec) ist.avdec = ff::avcodec_find_decoder(st->codecpar->codec_id);
        LogFrameRateDifference(st);
        if (o->video_disable)
          st->discard = AVDISCARD_ALL;
        else if (Fvideo_discard)
          st->discard = static_cast<AVDiscard>(Fvideo_discard);
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (!ist.avdec) ist.avdec = ff::avcodec_find_decoder(st->codecpar->codec_id);
        if (o->audio_disable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_DATA:
        if (o->data_disable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (!ist.avdec) ist.avdec = ff::avcodec_find_decoder(st->codecpar->codec_id);
        if (o->subtitle_disable) st->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_ATTACHMENT:
      case AVMEDIA_TYPE_UNKNOWN:
        break;
      default:
        throw Exception("Never occur");
    }
    // The decoder's own context, filled from the stream; opened at set-up.
    ist.dec_ctx = ff::avcodec_alloc_context3(ist.avdec);
    if (!ist.dec_ctx) RaiseFatal("Could not allocate decoder context.");
    if (ff::avcodec_parameters_to_context(ist.dec_ctx, st->codecpar) < 0)
      RaiseFatal("Could not copy the stream parameters to the decoder.");
    ist.dec_ctx->pkt_timebase = st->time_base;
  }
}

int TCustomFFmpeg::OpenInputFile(TOptionsContext* o, const std::string& fileName) {
  if (!o) o = &optctx;
  OptionTable();
  // Options given for an input that failed must not apply to the next one.
  struct TResetOnFailure {
    TCustomFFmpeg* self;
    TOptionsContext* o;
    bool done = false;
    ~TResetOnFailure() {
      if (!done) RunGuarded([&] { self->ResetOptions(o, true); });
    }
  } reset{this, o};
  const AVInputFormat* fmt = nullptr;
  if (o->format) {
    fmt = FindProgramInputFormat(o->format);
    if (!fmt) fmt = ff::av_find_input_format(o->format);
    if (!fmt) {
      FLastErrMsg = FormatText("Unknown input format: \"%s\"", o->format);
      LogMsg(llFatal, FLastErrMsg);
      return AVERROR(EINVAL);
    }
  }
  AVFormatContext* ic = ff::avformat_alloc_context();
  if (!ic) {
    FLastErrMsg = "avformat_alloc_context() failed";
    LogMsg(llFatal, FLastErrMsg);
    return AVERROR(ENOMEM);
  }
  // The open input belongs to the input table once appended; until then a
  // fatal error must not leak it.
  struct TGuard {
    AVFormatContext*& ic;
    bool opened = false;
    ~TGuard() {
      if (!ic) return;
      if (opened)
        CloseMediaInput(&ic);
      else
        ff::avformat_free_context(ic);
    }
  } guard{ic};

  auto lastEntry = [](const TSpecifierOpt* list, int n) { return n > 0 ? &list[n - 1] : nullptr; };
  if (auto* e = lastEntry(o->audio_sample_rate, o->nb_audio_sample_rate))
    ff::av_dict_set(&FOptions.format_opts, "sample_rate", std::to_string(e->u.i).c_str(), 0);
  if (auto* e = lastEntry(o->audio_channels, o->nb_audio_channels))
    ff::av_dict_set(&FOptions.format_opts, "channels", std::to_string(e->u.i).c_str(), 0);
  if (auto* e = lastEntry(o->frame_rates, o->nb_frame_rates))
    ff::av_dict_set(&FOptions.format_opts, "framerate", e->u.str, 0);
  if (auto* e = lastEntry(o->frame_sizes, o->nb_frame_sizes))
    ff::av_dict_set(&FOptions.format_opts, "video_size", e->u.str, 0);
  if (auto* e = lastEntry(o->frame_pix_fmts, o->nb_frame_pix_fmts))
    ff::av_dict_set(&FOptions.format_opts, "pixel_format", e->u.str, 0);

  ic->video_codec_id =
      Fvideo_codec_name ? FindCodecOrFail(Fvideo_codec_name, AVMEDIA_TYPE_VIDEO, false)->id : AV_CODEC_ID_NONE;
  ic->audio_codec_id =
      Faudio_codec_name ? FindCodecOrFail(Faudio_codec_name, AVMEDIA_TYPE_AUDIO, false)->id : AV_CODEC_ID_NONE;
  ic->subtitle_codec_id = Fsubtitle_codec_name
                              ? FindCodecOrFail(Fsubtitle_codec_name, AVMEDIA_TYPE_SUBTITLE, false)->id
                              : AV_CODEC_ID_NONE;
  ic->flags |= AVFMT_FLAG_NONBLOCK;
  ic->interrupt_callback = FReadCallback;
  if (Floop_input) {
    LogMsg(llWarning, "-loop_input is deprecated, use -loop 1\r\nNote, both loop options only work with -f image2");
    ff::av_dict_set(&FOptions.format_opts, "loop", std::to_string(Floop_input).c_str(), 0);
  }

  // The program's own devices (a window, the desktop) take their names as
  // they stand: they are no files, and an empty name is their default
  // device (the webcam's first driver).
  const bool device = fmt && FindProgramInputFormat(fmt->name) == fmt;
  const std::string libName = device ? fileName : MediaURL(fileName);
  FLastRead = ff::av_gettime_relative();
  const bool opens = device || !libName.empty();
  int err = !opens ? AVERROR(ENOENT) : OpenMediaInput(&ic, libName, fmt, &FOptions.format_opts);
  if (err < 0) {
    // The library frees the context of a failed open.
    if (opens) ic = nullptr;
    FLastErrMsg = FormatAVError(fileName, err);
    LogMsg(llFatal, FLastErrMsg);
    return err;
  }
  guard.opened = true;
  AssertAVOptions(FOptions.format_opts);

  for (unsigned i = 0; i < ic->nb_streams; ++i) ChooseDecoder(o, ic, ic->streams[i]);
  const unsigned origStreams = ic->nb_streams;
  AVDictionary** streamOpts = SetupFindStreamInfoOpts(ic, FOptions.codec_opts);
  auto freeStreamOpts = [&] {
    if (!streamOpts) return;
    for (unsigned i = 0; i < origStreams; ++i) ff::av_dict_free(&streamOpts[i]);
    ff::av_freep(&streamOpts);
  };

  if (FOnBeforeFindStreamInfo) FOnBeforeFindStreamInfo(this, ic);

  FLastRead = ff::av_gettime_relative();
  err = ff::avformat_find_stream_info(ic, streamOpts);
  if (err < 0) {
    freeStreamOpts();
    FLastErrMsg = FormatText("%s: could not find codec parameters", fileName.c_str());
    LogMsg(llFatal, FLastErrMsg);
    return err;
  }

  int64_t timestamp = o->start_time;
  if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
  if (o->start_time != 0) {
    FLastRead = ff::av_gettime_relative();
    int r = ff::avformat_seek_file(ic, -1, INT64_MIN, timestamp, INT64_MAX, 0);
    if (r < 0) r = ff::av_seek_frame(ic, -1, timestamp, AVSEEK_FLAG_BACKWARD);
    if (r < 0)
      LogMsg(llWarning, FormatText("%s: could not seek to position %0.3f", fileName.c_str(),
                                   static_cast<double>(timestamp) / AV_TIME_BASE));
  }

  const size_t streamsBefore = Finput_streams.size();
  try {
    AddInputStreams(o, ic);
  } catch (...) {
    freeStreamOpts();
    // The input closes on the way out: rows made for its streams would
    // point into it.
    while (Finput_streams.size() > streamsBefore) {
      if (Finput_streams.back().opts) ff::av_dict_free(&Finput_streams.back().opts);
      Finput_streams.pop_back();
    }
    throw;
  }
  const int index = InputFileCount();
  ff::av_dump_format(ic, index, fileName.c_str(), 0);
  if (ic->duration != AV_NOPTS_VALUE && ic->duration - o->start_time > FInputDuration)
    FInputDuration = ic->duration - o->start_time;

  Finput_files.emplace_back();
  TInputFile& f = Finput_files.back();
  f.ctx = ic;
  f.file_name = fileName;
  f.ist_index = InputStreamCount() - static_cast<int>(ic->nb_streams);
  f.nb_streams = static_cast<int>(ic->nb_streams);
  f.rate_emu = o->rate_emu;
  f.ts_offset = Fcopy_ts ? o->input_ts_offset : o->input_ts_offset - timestamp;
  ic = nullptr;  // the table owns it now

  for (int j = 0; j < o->nb_dump_attachment; ++j)
    for (int i = 0; i < f.nb_streams; ++i)
      if (CheckStreamSpecifier(f.ctx, f.ctx->streams[i], o->dump_attachment[j].specifier) == 1)
        DumpAttachment(f.ctx->streams[i], o->dump_attachment[j].u.str);

  freeStreamOpts();
  reset.done = true;
  ResetOptions(o, true);
  return index;
}

bool TCustomFFmpeg::ConfirmFileOverwrite(const std::string& name) {
  if (Ffile_overwrite && !Fno_file_overwrite) return true;
  const size_t colon = name.find(':');
  if (colon != std::string::npos && colon != 1 && name.compare(0, 5, "file:") != 0) return true;
  const std::string libName = MediaURL(name);
  if (libName.empty() || ff::avio_check(libName.c_str(), 0) < 0) return true;
  FLastErrMsg = FormatText("File \"%s\" already exists. Ignore.", name.c_str());
  LogMsg(llWarning, FLastErrMsg);
  return false;
}

void TCustomFFmpeg::DumpAttachment(AVStream* st, const char* name) {
  const int fileIndex = InputFileCount() - 1;
  if (!st->codecpar->extradata_size) {
    LogMsg(llWarning, FormatText("No extradata to dump in stream #%d:%d.", fileIndex, st->index));
    return;
  }
  std::string fileName = name ? name : "";
  if (fileName.empty()) {
    const AVDictionaryEntry* e = ff::av_dict_get(st->metadata, "filename", nullptr, 0);
    if (e && e->value) fileName = e->value;
  }
  if (fileName.empty())
    RaiseFatalFmt("No filename specified and no \"filename\" tag in stream #%d:%d.", fileIndex, st->index);
  if (!ConfirmFileOverwrite(fileName)) return;
  AVIOContext* out = nullptr;
  FLastWrite = ff::av_gettime_relative();
  const std::string libName = MediaURL(fileName);
  if (libName.empty() || ff::avio_open2(&out, libName.c_str(), AVIO_FLAG_WRITE, &FWriteCallback, nullptr) < 0) {
    LogMsg(llWarning, FormatText("Could not open file %s for writing.", fileName.c_str()));
    return;
  }
  ff::avio_write(out, st->codecpar->extradata, st->codecpar->extradata_size);
  ff::avio_flush(out);
  ff::avio_closep(&out);
  FLastWrite = ff::av_gettime_relative();
}
