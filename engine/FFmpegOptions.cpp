// The transcoder's option table and its handlers, option and preset text,
// the per-stream lookups of the option context and the format choosers.
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFmpeg.h"
#include "engine/FrameHook.h"
#include "engine/MyUtils.h"
#include "engine/OptionValues.h"
#include "engine/UnicodeProtocol.h"

namespace {

template <class T>
T* Self(void* owner) {
  return static_cast<T*>(owner);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

void AppendErrorText(const std::string& text) {
  std::string& e = OptionErrorText();
  e = e.empty() ? text : e + "\r\n" + text;
}

}  // namespace

#define TESS_OFF(field) TOptDefUnion(offsetof(TOptionsContext, field))
#define TESS_VAR(field) TOptDefUnion(static_cast<void*>(&field))
#define TESS_FN(method)                                                             \
  TOptDefUnion(static_cast<Tfunc_arg>([](void* self, const char* opt, const char* arg) { \
    return Self<TCustomFFmpeg>(self)->method(opt, arg);                             \
  }))
#define TESS_FN2(method)                                                                       \
  TOptDefUnion(static_cast<Tfunc2_arg>([](void* self, void* o, const char* opt, const char* arg) { \
    return Self<TCustomFFmpeg>(self)->method(o, opt, arg);                                     \
  }))

const TOptionDef* TCustomFFmpeg::OptionTable() {
  if (options) return options;
  const char* dur = "record or transcode \"duration\" seconds of audio/video";
  const char* ss = "set the start time offset";
  const char* its = "set the input ts offset";
  _options = {
      {"L", 0x800, TESS_FN(OptIgnored), "show license", ""},
      {"h", 0x800, TESS_FN(OptIgnored), "show help", ""},
      {"?", 0x800, TESS_FN(OptIgnored), "show help", ""},
      {"help", 0x800, TESS_FN(OptIgnored), "show help", ""},
      {"-help", 0x800, TESS_FN(OptIgnored), "show help", ""},
      {"version", 0x800, TESS_FN(OptIgnored), "show version", ""},
      {"formats", 0x800, TESS_FN(OptIgnored), "show available formats", ""},
      {"codecs", 0x800, TESS_FN(OptIgnored), "show available codecs", ""},
      {"bsfs", 0x800, TESS_FN(OptIgnored), "show available bit stream filters", ""},
      {"protocols", 0x800, TESS_FN(OptIgnored), "show available protocols", ""},
      {"filters", 0x800, TESS_FN(OptIgnored), "show available filters", ""},
      {"pix_fmts", 0x800, TESS_FN(OptIgnored), "show available pixel formats", ""},
      {"sample_fmts", 0x800, TESS_FN(OptIgnored), "show available audio sample formats", ""},
      {"loglevel", 0x1, TESS_FN(OptTaskLogLevel), "set libav* logging level", "loglevel"},
      {"v", 0x1, TESS_FN(OptTaskLogLevel), "set libav* logging level", "loglevel"},
      {"debug", 0x1, TESS_FN(OptDebug), "set debug flags", "flags"},
      {"report", 0x0, TESS_FN(OptNotSupported), "generate a report", ""},
      {"f", 0x4009, TESS_OFF(format), "force format", "fmt"},
      {"i", 0x801, TESS_FN(OptNotSupported), "input file name", "filename"},
      {"y", 0x2, TESS_VAR(Ffile_overwrite), "overwrite output files", ""},
      {"n", 0x2, TESS_VAR(Fno_file_overwrite), "do not overwrite output files", ""},
      {"c", 0x8009, TESS_OFF(codec_names), "codec name", "codec"},
      {"codec", 0x8009, TESS_OFF(codec_names), "codec name", "codec"},
      // Listed as a text row, but its target is a handler: storing text there
      // would overwrite the handler, so the handler refuses it instead.
      {"pre", 0x801, TESS_FN(OptNotSupported), "preset name", "preset"},
      {"map", 0x2005, TESS_FN2(OptMap), "set input stream mapping", "file.stream[:syncfile.syncstream]"},
      {"map_channel", 0x2005, TESS_FN2(OptMapChannel), "map an audio channel", "file.stream.channel[:syncfile.syncstream]"},
      {"map_meta_data", 0x2005, TESS_FN2(OptMapMetaDataOld), "DEPRECATED set meta data information of outfile from infile", "outfile[,metadata]:infile[,metadata]"},
      {"map_metadata", 0x2005, TESS_FN2(OptMapMetadata), "set metadata information of outfile from infile", "outfile[,metadata]:infile[,metadata]"},
      {"map_chapters", 0x4085, TESS_OFF(chapters_input_file), "set chapters mapping", "input_file_index"},
      {"t", 0x14001, TESS_OFF(recording_time), dur, "duration"},
      {"t_microsecond", 0x4401, TESS_OFF(recording_time), dur, "duration"},
      {"fs", 0x4401, TESS_OFF(limit_filesize), "set the limit file size in bytes", "limit_size"},
      {"ss", 0x14001, TESS_OFF(start_time), ss, "time_off"},
      {"ss_microsecond", 0x4401, TESS_OFF(start_time), ss, "time_off"},
      {"itsoffset", 0x14001, TESS_OFF(input_ts_offset), its, "time_off"},
      {"itsoffset_microsecond", 0x4401, TESS_OFF(input_ts_offset), its, "time_off"},
      {"itsscale", 0x28001, TESS_OFF(ts_scale), "set the input ts scale", "scale"},
      {"timestamp", 0x2001, TESS_FN2(OptRecordingTimestamp), "set the recording timestamp", "time"},
      {"metadata", 0x8009, TESS_OFF(metadata), "add metadata", "string=string"},
      {"dframes", 0x2001, TESS_FN2(OptDataFrames), "set the number of data frames to record", "number"},
      {"benchmark", 0x800, TESS_FN(OptNotSupported), "add timings for benchmarking", ""},
      {"timelimit", 0x1, TESS_FN(OptNotSupported), "set max runtime in seconds", "limit"},
      {"dump", 0x6, TESS_VAR(Fdo_pkt_dump), "dump each input packet", ""},
      {"hex", 0x6, TESS_VAR(Fdo_hex_dump), "when dumping packets, also dump the payload", ""},
      {"re", 0x4006, TESS_OFF(rate_emu), "read input at native frame rate", ""},
      {"loop_input", 0x6, TESS_VAR(Floop_input), "deprecated, use -loop", ""},
      {"loop_output", 0x85, TESS_VAR(Floop_output), "deprecated, use -loop", ""},
      {"target", 0x2001, TESS_FN2(OptTarget), "specify target file type", "type"},
      {"vsync", 0x85, TESS_VAR(Fvideo_sync_method), "video sync method", ""},
      {"async", 0x85, TESS_VAR(Faudio_sync_method), "audio sync method", ""},
      {"adrift_threshold", 0x105, TESS_VAR(Faudio_drift_threshold), "audio drift threshold", "threshold"},
      {"copyts", 0x6, TESS_VAR(Fcopy_ts), "copy timestamps", ""},
      {"copytb", 0x85, TESS_VAR(Fcopy_tb), "copy input stream time base when stream copying", "mode"},
      {"shortest", 0x6, TESS_VAR(Fopt_shortest), "finish encoding within shortest input", ""},
      {"dts_delta_threshold", 0x105, TESS_VAR(Fdts_delta_threshold), "timestamp discontinuity delta threshold", "threshold"},
      {"xerror", 0x2, TESS_VAR(Fexit_on_error), "exit on error", "error"},
      {"copyinkf", 0x8006, TESS_OFF(copy_initial_nonkeyframes), "copy initial non-keyframes", ""},
      {"frames", 0x8401, TESS_OFF(max_frames), "set the number of frames to record", "number"},
      {"tag", 0x8009, TESS_OFF(codec_tags), "force codec tag/fourcc", "fourcc/tag"},
      {"q", 0x28005, TESS_OFF(qscale), "use fixed quality scale (VBR)", "q"},
      {"qscale", 0x28005, TESS_OFF(qscale), "use fixed quality scale (VBR)", "q"},
      {"filter", 0x8009, TESS_OFF(filters), "set stream filterchain", "filter_list"},
      {"stats", 0x2, TESS_VAR(Fprint_stats), "print progress report during encoding", ""},
      {"attach", 0x2001, TESS_FN2(OptAttach), "add an attachment to the output file", "filename"},
      {"dump_attachment", 0x8009, TESS_OFF(dump_attachment), "extract an attachment into a file", "filename"},
      {"vframes", 0x2011, TESS_FN2(OptVideoFrames), "set the number of video frames to record", "number"},
      {"r", 0x8019, TESS_OFF(frame_rates), "set frame rate (Hz value, fraction or abbreviation)", "rate"},
      {"s", 0x8019, TESS_OFF(frame_sizes), "set frame size (WxH or abbreviation)", "size"},
      {"aspect", 0x8019, TESS_OFF(frame_aspect_ratios), "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)", "aspect"},
      {"pix_fmt", 0x801D, TESS_OFF(frame_pix_fmts), "set pixel format", "format"},
      {"bits_per_raw_sample", 0x91, TESS_VAR(Fframe_bits_per_raw_sample), "set the number of bits per raw sample", "number"},
      {"croptop", 0x11, TESS_FN(OptCropRemoved), "Removed, use the crop filter instead", "size"},
      {"cropbottom", 0x11, TESS_FN(OptCropRemoved), "Removed, use the crop filter instead", "size"},
      {"cropleft", 0x11, TESS_FN(OptCropRemoved), "Removed, use the crop filter instead", "size"},
      {"cropright", 0x11, TESS_FN(OptCropRemoved), "Removed, use the crop filter instead", "size"},
      {"padtop", 0x11, TESS_FN(OptPadRemoved), "Removed, use the pad filter instead", "size"},
      {"padbottom", 0x11, TESS_FN(OptPadRemoved), "Removed, use the pad filter instead", "size"},
      {"padleft", 0x11, TESS_FN(OptPadRemoved), "Removed, use the pad filter instead", "size"},
      {"padright", 0x11, TESS_FN(OptPadRemoved), "Removed, use the pad filter instead", "size"},
      {"padcolor", 0x11, TESS_FN(OptPadRemoved), "Removed, use the pad filter instead", "color"},
      {"intra", 0x16, TESS_VAR(Fintra_only), "deprecated use -g 1", ""},
      {"vn", 0x4012, TESS_OFF(video_disable), "disable video", ""},
      {"vdt", 0x95, TESS_VAR(Fvideo_discard), "discard threshold", "n"},
      {"rc_override", 0x801D, TESS_OFF(rc_overrides), "rate control override for specific intervals", "override"},
      {"vcodec", 0x2011, TESS_FN2(OptVideoCodec), "force video codec ('copy' to copy stream)", "codec"},
      {"sameq", 0x12, TESS_VAR(Fsame_quant), "use same quantizer as source (implies VBR)", ""},
      {"same_quant", 0x12, TESS_VAR(Fsame_quant), "use same quantizer as source (implies VBR)", ""},
      {"pass", 0x11, TESS_FN(OptPass), "select the pass number (1 or 2)", "n"},
      {"passlogfile", 0x11, TESS_FN(OptPassLogFile), "select two pass log file name prefix", "prefix"},
      {"deinterlace", 0x16, TESS_VAR(Fdo_deinterlace), "deinterlace pictures", ""},
      {"psnr", 0x16, TESS_VAR(Fdo_psnr), "calculate PSNR of compressed frames", ""},
      {"vstats", 0x14, TESS_FN(OptVstats), "dump video coding statistics to file", ""},
      {"vstats_file", 0x15, TESS_FN(OptVstatsFile), "dump video coding statistics to file", "file"},
      {"vf", 0x2011, TESS_FN2(OptVideoFilters), "video filters", "filter list"},
      {"intra_matrix", 0x801D, TESS_OFF(intra_matrices), "specify intra matrix coeffs", "matrix"},
      {"inter_matrix", 0x801D, TESS_OFF(inter_matrices), "specify inter matrix coeffs", "matrix"},
      {"top", 0x8095, TESS_OFF(top_field_first), "top=1/bottom=0/auto=-1 field first", ""},
      {"dc", 0x95, TESS_VAR(Fintra_dc_precision), "intra_dc_precision", "precision"},
      {"vtag", 0x2015, TESS_FN2(OptTypeSuffix), "force video tag/fourcc", "fourcc/tag"},
      {"qphist", 0x16, TESS_VAR(Fqp_hist), "show QP histogram", ""},
      {"force_fps", 0x8016, TESS_OFF(force_fps), "force the selected framerate, disable the best supported framerate selection", ""},
      {"streamid", 0x2005, TESS_FN2(OptStreamId), "set the value of an outfile streamid", "streamIndex:value"},
      {"force_key_frames", 0x801D, TESS_OFF(forced_key_frames), "force key frames at specified timestamps", "timestamps"},
      {"b", 0x2011, TESS_FN2(OptBitrate), "video bitrate (please use -b:v)", "bitrate"},
      {"aframes", 0x2021, TESS_FN2(OptAudioFrames), "set the number of audio frames to record", "number"},
      {"aq", 0x2021, TESS_FN2(OptAudioQuality), "set audio quality (codec-specific)", "quality"},
      {"ar", 0x80A1, TESS_OFF(audio_sample_rate), "set audio sampling rate (in Hz)", "rate"},
      {"ac", 0x80A1, TESS_OFF(audio_channels), "set number of audio channels", "channels"},
      {"an", 0x4022, TESS_OFF(audio_disable), "disable audio", ""},
      {"acodec", 0x2021, TESS_FN2(OptAudioCodec), "force audio codec ('copy' to copy stream)", "codec"},
      {"atag", 0x2025, TESS_FN2(OptTypeSuffix), "force audio tag/fourcc", "fourcc/tag"},
      {"vol", 0xA1, TESS_VAR(Faudio_volume), "change audio volume (256=normal)", "volume"},
      {"sample_fmt", 0x802D, TESS_OFF(sample_fmts), "set sample format", "format"},
      {"rmvol", 0x8121, TESS_OFF(rematrix_volume), "rematrix volume (as factor)", "volume"},
      {"sn", 0x4202, TESS_OFF(subtitle_disable), "disable subtitle", ""},
      {"scodec", 0x2201, TESS_FN2(OptSubtitleCodec), "force subtitle codec ('copy' to copy stream)", "codec"},
      {"stag", 0x2205, TESS_FN2(OptTypeSuffix), "force subtitle tag/fourcc", "fourcc/tag"},
      {"vc", 0x55, TESS_FN(OptVideoChannel), "deprecated, use -channel", "channel"},
      {"tvstd", 0x55, TESS_FN(OptVideoStandard), "deprecated, use -standard", "standard"},
      {"isync", 0x46, TESS_VAR(Finput_sync), "sync read on input", ""},
      {"muxdelay", 0x4105, TESS_OFF(mux_max_delay), "set the maximum demux-decode delay", "seconds"},
      {"muxpreload", 0x4105, TESS_OFF(mux_preload), "set the initial demux-decode delay", "seconds"},
      {"bsf", 0x8009, TESS_OFF(bitstream_filters), "A comma-separated list of bitstream filters", "bitstream_filters"},
      {"absf", 0x2025, TESS_FN2(OptTypeSuffix), "deprecated", "audio bitstream_filters"},
      {"vbsf", 0x2015, TESS_FN2(OptTypeSuffix), "deprecated", "video bitstream_filters"},
      {"apre", 0x2025, TESS_FN2(OptPreset), "set the audio options to the indicated preset", "preset"},
      {"vpre", 0x2015, TESS_FN2(OptPreset), "set the video options to the indicated preset", "preset"},
      {"spre", 0x2205, TESS_FN2(OptPreset), "set the subtitle options to the indicated preset", "preset"},
      {"fpre", 0x2005, TESS_FN2(OptPreset), "set options from indicated preset file", "filename"},
      {"dcodec", 0x3001, TESS_FN2(OptDataCodec), "force data codec ('copy' to copy stream)", "codec"},
      {"dn", 0x4012, TESS_OFF(data_disable), "disable data", ""},
      {"vhook", 0x15, TESS_FN(OptVideoHook), "insert video processing module", "module"},
      {"VideoHookBitsPixel", 0x15, TESS_FN(OptVideoHookBitsPixel), "VideoHookBitsPixel", "bpp"},
      {"AudioHook", 0x800, TESS_FN(OptNothing), "AudioHook", ""},
      {"VideoInputHook", 0x800, TESS_FN(OptNothing), "VideoInputHook", ""},
      {"VideoOutputHook", 0x800, TESS_FN(OptNothing), "VideoOutputHook", ""},
      {"FrameInputHook", 0x800, TESS_FN(OptNothing), "FrameInputHook", ""},
      {"FrameOutputHook", 0x800, TESS_FN(OptNothing), "FrameOutputHook", ""},
      {"Join", 0x800, TESS_FN(OptNothing), "Join", ""},
      {"default", 0x35, TESS_FN(OptCatchAll), "generic catch all option", ""},
      {nullptr, 0, TOptDefUnion(), nullptr, nullptr},
  };
  options = _options.data();
  return options;
}

// ---- handlers ----

int TCustomFFmpeg::OptIgnored(const char* opt, const char*) {
  const std::string text = FormatText("options \"%s\" not supported, ignore", opt);
  OptionErrorText() = text;
  LogMsg(llWarning, text);
  return 0;
}

int TCustomFFmpeg::OptNothing(const char*, const char*) { return 0; }

int TCustomFFmpeg::OptNotSupported(const char* opt, const char*) {
  const std::string text = FormatText("options \"%s\" not supported", opt);
  OptionErrorText() = text;
  LogMsg(llError, text);
  return AVERROR(EINVAL);
}

int TCustomFFmpeg::OptCropRemoved(const char* opt, const char*) {
  const std::string text = FormatText("Option \"%s\" has been removed, use the crop filter instead", opt);
  OptionErrorText() = text;
  LogMsg(llError, text);
  return AVERROR(EINVAL);
}

int TCustomFFmpeg::OptPadRemoved(const char* opt, const char*) {
  const std::string text = FormatText("Option \"%s\" has been removed, use the pad filter instead", opt);
  OptionErrorText() = text;
  LogMsg(llError, text);
  return AVERROR(EINVAL);
}

int TCustomFFmpeg::OptVideoChannel(const char*, const char* arg) {
  LogMsg(llWarning, "This option is deprecated, use -channel.");
  return OptCatchAll("channel", arg);
}

int TCustomFFmpeg::OptVideoStandard(const char*, const char* arg) {
  LogMsg(llWarning, "This option is deprecated, use -standard.");
  return OptCatchAll("standard", arg);
}

namespace {

void RecordName(char*& field, const char* arg) {
  char* copy = ff::av_strdup(arg ? arg : "");
  if (field) ff::av_free(field);
  field = copy;
}

}  // namespace

int TCustomFFmpeg::OptAudioCodec(void* o, const char*, const char* arg) {
  RecordName(Faudio_codec_name, arg);
  return ParseOption(o, "codec:a", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptVideoCodec(void* o, const char*, const char* arg) {
  RecordName(Fvideo_codec_name, arg);
  return ParseOption(o, "codec:v", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptSubtitleCodec(void* o, const char*, const char* arg) {
  RecordName(Fsubtitle_codec_name, arg);
  return ParseOption(o, "codec:s", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptDataCodec(void* o, const char*, const char* arg) {
  return ParseOption(o, "codec:d", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptAudioQuality(void* o, const char*, const char* arg) {
  return ParseOption(o, "q:a", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptVideoFrames(void* o, const char*, const char* arg) {
  return ParseOption(o, "frames:v", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptAudioFrames(void* o, const char*, const char* arg) {
  return ParseOption(o, "frames:a", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptDataFrames(void* o, const char*, const char* arg) {
  return ParseOption(o, "frames:d", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptVideoFilters(void* o, const char*, const char* arg) {
  return ParseOption(o, "filter:v", arg, OptionTable(), this);
}

int TCustomFFmpeg::OptTypeSuffix(void* o, const char* opt, const char* arg) {
  const std::string name = std::string(opt + 1) + ":" + opt[0];
  return ParseOption(o, name.c_str(), arg, OptionTable(), this);
}

int TCustomFFmpeg::OptBitrate(void* o, const char* opt, const char* arg) {
  if (std::strcmp(opt, "b") == 0) {
    LogMsg(llWarning, "Please use -b:a or -b:v, -b is ambiguous");
    return ParseOption(o, "b:v", arg, OptionTable(), this);
  }
  return OptCatchAll(opt, arg);
}

int TCustomFFmpeg::OptPass(const char* opt, const char* arg) {
  try {
    const int pass = ParseInteger(opt, arg);
    if (pass < 1 || pass > 3) {
      const std::string text =
          FormatText("The value for \"%s\" was \"%s\" which is not within %d - %d", opt, arg, 1, 3);
      OptionErrorText() = text;
      LogMsg(llError, text);
      return AVERROR(EINVAL);
    }
    Fdo_pass = pass;
    return 0;
  } catch (const Exception& e) {
    OptionErrorText() = e.what();
    LogMsg(llError, e.what());
    return AVERROR(EINVAL);
  }
}

int TCustomFFmpeg::OptPassLogFile(const char*, const char* arg) {
  RecordName(Fpass_logfilename_prefix, arg);
  OptCatchAll("passlogfile", arg);
  return 0;
}

int TCustomFFmpeg::OptVstatsFile(const char*, const char* arg) {
  RecordName(Fvstats_filename, arg);
  return 0;
}

int TCustomFFmpeg::OptVstats(const char* opt, const char*) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[64];
  std::snprintf(name, sizeof name, "vstats_%02d%02d%02d.log", local.tm_hour, local.tm_min, local.tm_sec);
  return OptVstatsFile(opt, name);
}

int TCustomFFmpeg::OptVideoHook(const char*, const char* arg) {
  const std::vector<std::string> words = VideoHookWords(arg ? arg : "");
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  auto* first = static_cast<TFrameHookEntry*>(FFirstHook);
  const int r = words.empty() ? -2 : FrameHookAdd(first, static_cast<int>(argv.size()), argv.data());
  FFirstHook = first;
  if (r < 0) RaiseFatal(std::string("Failed to add video hook function: ") + (arg ? arg : ""));
  FVideoHookWords.push_back(arg);
  Fusing_vhook = true;
  return 0;
}

int TCustomFFmpeg::OptVideoHookBitsPixel(const char* opt, const char* arg) {
  try {
    SetVideoHookBitsPixel(ParseInteger(opt, arg));
    return 0;
  } catch (const Exception& e) {
    OptionErrorText() = e.what();
    LogMsg(llError, e.what());
    return AVERROR(EINVAL);
  }
}

int TCustomFFmpeg::OptTaskLogLevel(const char*, const char* arg) {
  static const struct {
    const char* name;
    int level;
  } kLevels[] = {{"quiet", AV_LOG_QUIET}, {"panic", AV_LOG_PANIC},     {"fatal", AV_LOG_FATAL},
                 {"error", AV_LOG_ERROR}, {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
                 {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
  const char* a = arg ? arg : "";
  for (const auto& l : kLevels)
    if (std::strcmp(a, l.name) == 0) {
      ff::av_log_set_level(l.level);
      return 0;
    }
  char* end = nullptr;
  errno = 0;
  const long level = std::strtol(a, &end, 10);
  if (*a && !*end && errno != ERANGE && level >= INT_MIN && level <= INT_MAX) {
    ff::av_log_set_level(static_cast<int>(level));
    return 0;
  }
  std::string text = FormatText("Invalid loglevel \"%s\". Possible levels are numbers or:\r\n", a);
  for (const auto& l : kLevels) text += FormatText("\"%s\"\r\n", l.name);
  OptionErrorText() = text;
  LogMsg(llError, text);
  return AVERROR(EINVAL);
}

int TCustomFFmpeg::OptDebug(const char*, const char* arg) {
  ff::av_log_set_level(AV_LOG_DEBUG);
  return OptCatchAll("debug", arg);
}

int TCustomFFmpeg::OptCatchAll(const char* opt, const char* arg) { return OptDefault(FOptions, opt, arg); }

int TCustomFFmpeg::ApplyPreset(const std::string& key, const std::string& value) {
  const std::string k = Lower(key);
  if (k == "acodec") return OptAudioCodec(&optctx, key.c_str(), value.c_str());
  if (k == "vcodec") return OptVideoCodec(&optctx, key.c_str(), value.c_str());
  if (k == "scodec") return OptSubtitleCodec(&optctx, key.c_str(), value.c_str());
  if (k == "dcodec") return OptDataCodec(&optctx, key.c_str(), value.c_str());
  return OptCatchAll(key.c_str(), value.c_str());
}

namespace {

// A preset file's text: a byte-order mark chooses the encoding, otherwise
// the bytes are taken as UTF-8.
std::string DecodeTextFile(const std::string& bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)) {
    const bool little = bytes[0] == '\xFF';
    std::u16string w;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
      const auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
      w += static_cast<char16_t>(lo | (hi << 8));
    }
    return UTF16ToUTF8(w);
  }
  return bytes;
}

}  // namespace

int TCustomFFmpeg::OptPreset(void*, const char*, const char* arg) {
  const std::string path = arg ? arg : "";
  const std::string native = MediaFileName(path);
  std::ifstream in(native, std::ios::binary);
  if (native.empty() || !in) {
    const std::string text = FormatText("Preset file \"%s\" not found", path.c_str());
    OptionErrorText() = text;
    LogMsg(llError, text);
    return AVERROR(EINVAL);
  }
  std::stringstream ss;
  ss << in.rdbuf();
  for (const std::string& line : PresetLines(DecodeTextFile(ss.str()), false)) {
    std::string key, value;
    if (!SplitPresetLine(line, key, value)) {
      const std::string text = FormatText("%s: Invalid syntax: \"%s\"", path.c_str(), line.c_str());
      OptionErrorText() = text;
      LogMsg(llError, text);
      return AVERROR(EINVAL);
    }
    OptionErrorText().clear();
    const int r = ApplyPreset(key, value);
    if (r < 0) {
      const std::string text = FormatText("%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                          path.c_str(), line.c_str(), key.c_str(), value.c_str());
      LogMsg(llError, text);
      AppendErrorText(text);
      if (HaltOnInvalidOption) return r;
    }
  }
  return 0;
}

// ---- option text and presets ----

void TCustomFFmpeg::ParseOptions(const std::string& text) {
  if (text.empty()) return;
  LogMsg(llInfo, "ParseOptions: " + text);
  std::vector<std::string> words = SplitCommandLine(text);
  std::vector<char*> argv;
  argv.reserve(words.size());
  for (std::string& w : words) argv.push_back(&w[0]);
  const int count = static_cast<int>(argv.size());
  const TOptionDef* table = OptionTable();
  if (const char* level = FindLogLevelArgument(count, argv.data(), table)) OptTaskLogLevel("loglevel", level);
  const int r = ParseOptionList(&optctx, count, argv.data(), HaltOnInvalidOption, table, this);
  if (HaltOnInvalidOption && r < 0) {
    if (!OptionErrorText().empty()) RaiseFatal(OptionErrorText());
    RaiseFatal(FormatAVError("Failed to parse options", r));
  }
}

void TCustomFFmpeg::ParsePresets(const std::string& text) {
  if (text.empty()) return;
  LogMsg(llInfo, "ParsePresets: " + text);
  for (const std::string& line : PresetLines(text, true)) {
    std::string key, value;
    if (!SplitPresetLine(line, key, value)) {
      const std::string message = FormatText("Invalid syntax: \"%s\"", line.c_str());
      OptionErrorText() = message;
      if (HaltOnInvalidOption) RaiseFatal(message);
      LogMsg(llError, message);
    }
    OptionErrorText().clear();
    const int r = ApplyPreset(key, value);
    if (r < 0) {
      const std::string message = FormatText("Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                             line.c_str(), key.c_str(), value.c_str());
      LogMsg(llError, message);
      AppendErrorText(message);
      if (HaltOnInvalidOption) RaiseFatal(OptionErrorText());
    }
  }
}

// ---- per-stream lookups ----

namespace {

template <class T, class Get>
void MatchList(TCustomFFmpeg* self, const TSpecifierOpt* list, int count, AVFormatContext* s, AVStream* st,
               T& value, Get get) {
  for (int i = 0; i < count; ++i) {
    const int r = CheckStreamSpecifier(s, st, list[i].specifier ? list[i].specifier : "");
    if (r > 0)
      value = get(list[i].u);
    else if (r < 0)
      self->RaiseFatal(FormatAVError("check_stream_specifier", r));
  }
}

const char* Str(const TSpecOptUnion& u) { return u.str; }
int Int(const TSpecOptUnion& u) { return u.i; }
int64_t Int64(const TSpecOptUnion& u) { return u.i64; }
float Flt(const TSpecOptUnion& u) { return u.f; }
double Dbl(const TSpecOptUnion& u) { return u.dbl; }

}  // namespace

#define TESS_MATCH(Name, field, Type, Get)                                        \
  void TCustomFFmpeg::Name(AVFormatContext* s, AVStream* st, Type& value) {       \
    MatchList(this, optctx.field, optctx.nb_##field, s, st, value, Get);          \
  }

TESS_MATCH(MatchCodecName, codec_names, const char*, Str)
TESS_MATCH(MatchAudioChannels, audio_channels, int, Int)
TESS_MATCH(MatchAudioSampleRate, audio_sample_rate, int, Int)
TESS_MATCH(MatchRematrixVolume, rematrix_volume, float, Flt)
TESS_MATCH(MatchFrameRate, frame_rates, const char*, Str)
TESS_MATCH(MatchFrameSize, frame_sizes, const char*, Str)
TESS_MATCH(MatchFramePixFmt, frame_pix_fmts, const char*, Str)
TESS_MATCH(MatchTsScale, ts_scale, double, Dbl)
TESS_MATCH(MatchMaxFrames, max_frames, int64_t, Int64)
TESS_MATCH(MatchBitstreamFilters, bitstream_filters, const char*, Str)
TESS_MATCH(MatchCodecTag, codec_tags, const char*, Str)
TESS_MATCH(MatchSampleFmt, sample_fmts, const char*, Str)
TESS_MATCH(MatchQscale, qscale, double, Dbl)
TESS_MATCH(MatchForcedKeyFrames, forced_key_frames, const char*, Str)
TESS_MATCH(MatchForceFps, force_fps, int, Int)
TESS_MATCH(MatchFrameAspectRatio, frame_aspect_ratios, const char*, Str)
TESS_MATCH(MatchRcOverride, rc_overrides, const char*, Str)
TESS_MATCH(MatchIntraMatrix, intra_matrices, const char*, Str)
TESS_MATCH(MatchInterMatrix, inter_matrices, const char*, Str)
TESS_MATCH(MatchTopFieldFirst, top_field_first, int, Int)
TESS_MATCH(MatchCopyInitialNonkeyframes, copy_initial_nonkeyframes, int, Int)
TESS_MATCH(MatchFilters, filters, const char*, Str)

// ---- format choice ----

void TCustomFFmpeg::ChooseSampleFmt(TOutputStream& ost, const AVCodec* codec) {
  AVCodecContext* c = ost.enc_ctx;
  if (!codec || !codec->sample_fmts || !c) return;
  for (const AVSampleFormat* p = codec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
    if (*p == c->sample_fmt) return;
  const char* name = ff::av_get_sample_fmt_name(c->sample_fmt);
  if (name)
    LogMsg(llWarning, FormatText("Incompatible sample format \"%s\" for codec \"%s\", auto-selecting format \"%s\"",
                                 name, codec->name, ff::av_get_sample_fmt_name(codec->sample_fmts[0])));
  c->sample_fmt = codec->sample_fmts[0];
}

void TCustomFFmpeg::ChooseSampleRate(TOutputStream& ost, const AVCodec* codec) {
  AVCodecContext* c = ost.enc_ctx;
  if (!codec || !codec->supported_samplerates || !c) return;
  int best = 0;
  int64_t bestDiff = INT64_MAX;
  for (const int* p = codec->supported_samplerates; *p; ++p) {
    const int64_t diff = std::llabs(static_cast<int64_t>(c->sample_rate) - *p);
    if (diff < bestDiff) {
      bestDiff = diff;
      best = *p;
    }
  }
  if (bestDiff != 0)
    LogMsg(llWarning, FormatText("Requested sampling rate unsupported using closest supported (%d)", best));
  c->sample_rate = best;
}

void TCustomFFmpeg::ChoosePixelFmt(TOutputStream& ost, const AVCodec* codec) {
  AVCodecContext* c = ost.enc_ctx;
  if (!codec || !c) return;
  const AVPixelFormat* list = codec->pix_fmts;
  static const AVPixelFormat kMjpeg[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUV420P,
                                         AV_PIX_FMT_YUV422P, AV_PIX_FMT_NONE};
  static const AVPixelFormat kLjpeg[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P,
                                         AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV444P,
                                         AV_PIX_FMT_BGRA,     AV_PIX_FMT_NONE};
  if (c->strict_std_compliance < 0) {
    if (c->codec_id == AV_CODEC_ID_MJPEG) list = kMjpeg;
    if (c->codec_id == AV_CODEC_ID_LJPEG) list = kLjpeg;
  }
  if (!list) return;
  for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p)
    if (*p == c->pix_fmt) return;
  const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(c->pix_fmt);
  const int hasAlpha = desc ? (desc->nb_components % 2 == 0) : 0;
  const AVPixelFormat chosen = ff::avcodec_find_best_pix_fmt_of_list(list, c->pix_fmt, hasAlpha, nullptr);
  if (c->pix_fmt != AV_PIX_FMT_NONE)
    LogMsg(llWarning, FormatText("Incompatible pixel format \"%s\" for codec \"%s\", auto-selecting format \"%s\"",
                                 ff::av_get_pix_fmt_name(c->pix_fmt), codec->name,
                                 ff::av_get_pix_fmt_name(chosen)));
  c->pix_fmt = chosen;
}

void TCustomFFmpeg::AssertAVOptions(AVDictionary* dict) {
  const AVDictionaryEntry* t = ff::av_dict_get(dict, "", nullptr, AV_DICT_IGNORE_SUFFIX);
  if (!t) return;
  const std::string text = FormatText("Option %s not found.", t->key);
  if (HaltOnInvalidOption) RaiseFatal(text);
  FLastErrMsg = text;
}

void TCustomFFmpeg::ResetOptions(TOptionsContext* o, bool isInput) {
  const TOptionDef* table = OptionTable();
  std::set<size_t> done;
  for (const TOptionDef* po = table; po->name; ++po) {
    if (!(po->flags & (ofSpec | ofOffset))) continue;
    if (!done.insert(po->u.off).second) continue;
    auto* dst = reinterpret_cast<uint8_t*>(o) + po->u.off;
    if (po->flags & ofSpec) {
      auto** entries = reinterpret_cast<TSpecifierOpt**>(dst);
      int* count = reinterpret_cast<int*>(dst + sizeof(TSpecifierOpt*));
      for (int i = 0; i < *count; ++i) {
        ff::av_free((*entries)[i].specifier);
        if (po->flags & ofString) ff::av_free((*entries)[i].u.str);
      }
      ff::av_freep(entries);
      *count = 0;
    } else if (po->flags & ofString) {
      ff::av_freep(reinterpret_cast<char**>(dst));
    }
  }
  for (int i = 0; i < o->nb_attachments; ++i) ff::av_free(o->attachments[i]);
  ff::av_freep(&o->attachments);
  ff::av_freep(&o->stream_maps);
  ff::av_freep(&o->audio_channel_maps);
  ff::av_freep(&o->meta_data_maps);
  ff::av_freep(&o->streamid_map);
  const int64_t recording = o->recording_time;
  std::memset(o, 0, sizeof *o);
  o->recording_time = isInput ? recording : NoLimit;
  o->mux_max_delay = 0.7f;
  o->limit_filesize = NoLimit;
  o->chapters_input_file = INT_MAX;
  InitFFOptions(FOptions, SWS_BICUBIC);
}
