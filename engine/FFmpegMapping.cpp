// Handlers that fill the mapping lists of the next output: stream, channel
// and metadata maps, stream identifiers, attachments, and the "target"
// option that stands for a set of ordinary options.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFmpeg.h"
#include "engine/OptionValues.h"

namespace {

TOptionsContext* Ctx(void* o) { return static_cast<TOptionsContext*>(o); }

template <class T>
T& Append(T*& array, int& count) {
  array = static_cast<T*>(GrowArray(array, sizeof(T), count, count + 1));
  return array[count - 1];
}

}  // namespace

int TCustomFFmpeg::OptMap(void* ov, const char* opt, const char* arg) {
  TOptionsContext* o = Ctx(ov);
  std::string text = arg ? arg : "";
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);
  const std::string shown = text;
  const int nInputs = InputFileCount();

  int syncFile = -1, syncStream = -1;
  const size_t comma = text.find(',');
  if (comma != std::string::npos) {
    const std::string sync = text.substr(comma + 1);
    text.resize(comma);
    char* end = nullptr;
    const long f = std::strtol(sync.c_str(), &end, 0);
    if (f < 0 || f >= nInputs) RaiseFatalFmt("Invalid sync file index: %d.", static_cast<int>(f));
    syncFile = static_cast<int>(f);
    const char* spec = *end ? end + 1 : end;
    TInputFile& sf = Finput_files[static_cast<size_t>(syncFile)];
    for (int i = 0; i < sf.nb_streams; ++i)
      if (CheckStreamSpecifier(sf.ctx, sf.ctx->streams[i], spec) == 1) {
        syncStream = i;
        break;
      }
    if (syncStream < 0)
      RaiseFatalFmt("Sync stream specification in map %s does not match any streams.", shown.c_str());
  }

  char* end = nullptr;
  const long f = std::strtol(text.c_str(), &end, 0);
  if (f < 0 || f >= nInputs) RaiseFatalFmt("Invalid input file index: %d.", static_cast<int>(f));
  const int file = static_cast<int>(f);
  const char* spec = *end == ':' ? end + 1 : end;
  TInputFile& in = Finput_files[static_cast<size_t>(file)];

  if (negative) {
    if (o->nb_stream_maps == 0) RaiseFatalFmt("Stream map \"%s\" matches no streams.", shown.c_str());
    for (int i = 0; i < o->nb_stream_maps; ++i) {
      TStreamMap& m = o->stream_maps[i];
      if (m.file_index == file && m.stream_index < in.nb_streams &&
          CheckStreamSpecifier(in.ctx, in.ctx->streams[m.stream_index], spec) > 0)
        m.disabled = 1;
    }
    return 0;
  }
  bool added = false;
  for (int i = 0; i < in.nb_streams; ++i) {
    const int r = CheckStreamSpecifier(in.ctx, in.ctx->streams[i], spec);
    if (r < 0) RaiseFatal(FormatAVError("check_stream_specifier", r));
    if (r == 0) continue;
    TStreamMap& m = Append(o->stream_maps, o->nb_stream_maps);
    m.disabled = 0;
    m.file_index = file;
    m.stream_index = i;
    m.sync_file_index = syncFile >= 0 ? syncFile : file;
    m.sync_stream_index = syncFile >= 0 ? syncStream : i;
    added = true;
  }
  if (!added) RaiseFatalFmt("Stream map \"%s\" matches no streams.", shown.c_str());
  return 0;
}

int TCustomFFmpeg::OptMapChannel(void* ov, const char*, const char* arg) {
  TOptionsContext* o = Ctx(ov);
  TAudioChannelMap& m = Append(o->audio_channel_maps, o->nb_audio_channel_maps);
  const char* a = arg ? arg : "";
  int v[5] = {};
  int n = std::sscanf(a, "%d:%d.%d", &v[0], &v[1], &v[2]);
  if ((n == 1 || n == 3) && v[0] == -1) {
    m.file_idx = m.stream_idx = -1;
    m.channel_idx = -1;
    if (n == 1) {
      m.ofile_idx = m.ostream_idx = -1;
    } else {
      m.ofile_idx = v[1];
      m.ostream_idx = v[2];
    }
    return 0;
  }
  n = std::sscanf(a, "%d.%d.%d:%d.%d", &v[0], &v[1], &v[2], &v[3], &v[4]);
  if (n != 3 && n != 5) RaiseFatal("Syntax error, mapchan usage: [file.stream.channel|-1][:syncfile:syncstream]");
  m.file_idx = v[0];
  m.stream_idx = v[1];
  m.channel_idx = v[2];
  m.ofile_idx = n == 5 ? v[3] : -1;
  m.ostream_idx = n == 5 ? v[4] : -1;
  if (m.file_idx < 0 || m.file_idx >= InputFileCount())
    RaiseFatalFmt("mapchan: invalid input file index: %d", m.file_idx);
  TInputFile& in = Finput_files[static_cast<size_t>(m.file_idx)];
  if (m.stream_idx < 0 || m.stream_idx >= in.nb_streams)
    RaiseFatalFmt("mapchan: invalid input file stream index #%d.%d", m.file_idx, m.stream_idx);
  const AVCodecParameters* par = in.ctx->streams[m.stream_idx]->codecpar;
  if (par->codec_type != AVMEDIA_TYPE_AUDIO)
    RaiseFatalFmt("mapchan: stream #%d.%d is not an audio stream.", m.file_idx, m.stream_idx);
  if (m.channel_idx < 0 || m.channel_idx >= par->ch_layout.nb_channels)
    RaiseFatalFmt("mapchan: invalid audio channel #%d.%d.%d", m.file_idx, m.stream_idx, m.channel_idx);
  return 0;
}

int TCustomFFmpeg::ParseMetaType(const char* text, char& type, int& index) {
  if (!text || !*text) {
    type = 'g';
    return 0;
  }
  type = text[0];
  switch (type) {
    case 'c':
    case 'p':
    case 's':
      if (text[1] == ':') index = static_cast<int>(std::strtol(text + 2, nullptr, 0));
      return 0;
    case 'g':
      return 0;
    default:
      FLastErrMsg = FormatText("Invalid metadata type %c.", type);
      LogMsg(llFatal, FLastErrMsg);
      return -1;
  }
}

int TCustomFFmpeg::OptMapMetadata(void* ov, const char* opt, const char* arg) {
  TOptionsContext* o = Ctx(ov);
  o->meta_data_maps = static_cast<TMetadataMap(*)[2]>(
      GrowArray(o->meta_data_maps, sizeof(TMetadataMap[2]), o->nb_meta_data_maps, o->nb_meta_data_maps + 1));
  TMetadataMap* pair = o->meta_data_maps[o->nb_meta_data_maps - 1];
  TMetadataMap& out = pair[0];
  TMetadataMap& in = pair[1];
  const char* a = arg ? arg : "";
  char* end = nullptr;
  in.file_idx = static_cast<int>(std::strtol(a, &end, 0));
  int r = ParseMetaType(*end ? end + 1 : end, in.type_, in.index);
  if (r >= 0) {
    const char* colon = std::strchr(opt, ':');
    if (colon)
      r = ParseMetaType(colon + 1, out.type_, out.index);
    else
      out.type_ = 'g';
  }
  if (r < 0) {
    OptionErrorText() = FLastErrMsg;
    return AVERROR(EINVAL);
  }
  for (const TMetadataMap* m : {&out, &in}) {
    if (m->type_ == 'g') o->metadata_global_manual = 1;
    if (m->type_ == 's') o->metadata_streams_manual = 1;
    if (m->type_ == 'c') o->metadata_chapters_manual = 1;
  }
  return 0;
}

int TCustomFFmpeg::OptMapMetaDataOld(void* o, const char* opt, const char* arg) {
  LogMsg(llWarning, "-map_meta_data is deprecated and will be removed soon. Use -map_metadata instead.");
  return OptMapMetadata(o, opt, arg);
}

int TCustomFFmpeg::OptRecordingTimestamp(void* o, const char* opt, const char* arg) {
  const int64_t t = ParseTime(opt, arg, 0);
  const int64_t seconds = static_cast<int64_t>(std::llround(static_cast<double>(t) / 1000000.0));
  // Days since 1899-12-30 back to a calendar date-time.
  const double local = UnixTimeToLocal(seconds);
  const int64_t localSeconds = static_cast<int64_t>(std::llround((local - 25569.0) * 86400.0));
  const std::time_t tt = static_cast<std::time_t>(localSeconds);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  const std::string text = std::string(buf) + " " + TimeZoneText();
  LogMsg(llWarning, FormatText("%s is deprecated, set the \"creation_time\" metadata tag instead.", opt));
  return ParseOption(o, "metadata", ("creation_time=" + text).c_str(), OptionTable(), this);
}

int TCustomFFmpeg::OptStreamId(void* ov, const char* opt, const char* arg) {
  TOptionsContext* o = Ctx(ov);
  const std::string a = arg ? arg : "";
  int index = 0, value = 0;
  std::string text;
  switch (ParseStreamIdText(a, index, value)) {
    case siSyntax:
      text = FormatText("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"", a.c_str(), opt);
      break;
    case siIndexRange:
      text = FormatText("The value for \"%s\" was \"%s\" which is not within %d - %d", "streamid",
                        std::to_string(index).c_str(), 0, 1023);
      break;
    case siValueRange:
      text = FormatText("The value for \"%s\" was \"%s\" which is not within %d - %d", "streamid",
                        std::to_string(value).c_str(), 0, INT_MAX);
      break;
    case siOk:
      o->streamid_map = static_cast<int*>(GrowArray(o->streamid_map, sizeof(int), o->nb_streamid_map, index + 1));
      o->streamid_map[index] = value;
      return 0;
  }
  OptionErrorText() = text;
  LogMsg(llError, text);
  return AVERROR(EINVAL);
}

int TCustomFFmpeg::OptAttach(void* ov, const char*, const char* arg) {
  TOptionsContext* o = Ctx(ov);
  char*& slot = Append(o->attachments, o->nb_attachments);
  slot = ff::av_strdup(arg ? arg : "");
  return 0;
}

int TCustomFFmpeg::OptTarget(void* o, const char*, const char* arg) {
  enum { PAL, NTSC, FILM, UNKNOWN } norm = UNKNOWN;
  std::string target = arg ? arg : "";
  if (target.compare(0, 4, "pal-") == 0) {
    norm = PAL;
    target.erase(0, 4);
  } else if (target.compare(0, 5, "ntsc-") == 0) {
    norm = NTSC;
    target.erase(0, 5);
  } else if (target.compare(0, 5, "film-") == 0) {
    norm = FILM;
    target.erase(0, 5);
  } else {
    for (size_t j = 0; j < Finput_files.size() && norm == UNKNOWN; ++j) {
      AVFormatContext* ic = Finput_files[j].ctx;
      for (unsigned i = 0; i < ic->nb_streams && norm == UNKNOWN; ++i) {
        AVStream* st = ic->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
        // The stream's frame rate stands for the old codec time base.
        AVRational rate = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
        if (!rate.num || !rate.den) continue;
        const long r = std::lround(static_cast<double>(rate.num) * 1000.0 / rate.den);
        if (r == 25000)
          norm = PAL;
        else if (r == 29970 || r == 23976)
          norm = NTSC;
      }
    }
    if (norm == UNKNOWN)
      RaiseFatal(
          "Could not determine norm (PAL/NTSC/NTSC-Film) for target.\r\nPlease prefix target with \"pal-\", "
          "\"ntsc-\" or \"film-\",\r\nor set a framerate with \"-r xxx\".");
    LogMsg(llInfo, FormatText("Assuming %s for target.", norm == PAL ? "PAL" : "NTSC"));
  }
  const bool pal = norm == PAL;
  const char* rate = pal ? "25" : norm == NTSC ? "30000/1001" : "24000/1001";
  const TOptionDef* table = OptionTable();
  auto tableOpt = [&](const char* name, const char* value) { ParseOption(o, name, value, table, this); };
  auto libOpt = [&](const char* name, const char* value) { OptCatchAll(name, value); };
  auto* ctx = Ctx(o);

  if (target == "vcd") {
    OptVideoCodec(o, "vcodec", "mpeg1video");
    OptAudioCodec(o, "acodec", "mp2");
    tableOpt("f", "vcd");
    tableOpt("s", pal ? "352x288" : "352x240");
    tableOpt("r", rate);
    libOpt("g", pal ? "15" : "18");
    libOpt("b:v", "1150000");
    libOpt("maxrate", "1150000");
    libOpt("minrate", "1150000");
    libOpt("bufsize", "327680");
    libOpt("b:a", "224000");
    tableOpt("ar", "44100");
    tableOpt("ac", "2");
    libOpt("packetsize", "2324");
    libOpt("muxrate", "1411200");
    ctx->mux_preload = 0.44f;
  } else if (target == "svcd") {
    OptVideoCodec(o, "vcodec", "mpeg2video");
    OptAudioCodec(o, "acodec", "mp2");
    tableOpt("f", "svcd");
    tableOpt("s", pal ? "480x576" : "480x480");
    tableOpt("r", rate);
    tableOpt("pix_fmt", "yuv420p");
    libOpt("g", pal ? "15" : "18");
    libOpt("b:v", "2040000");
    libOpt("maxrate", "2516000");
    libOpt("minrate", "0");
    libOpt("bufsize", "1835008");
    libOpt("flags", "+scan_offset");
    libOpt("b:a", "224000");
    tableOpt("ar", "44100");
    libOpt("packetsize", "2324");
  } else if (target == "dvd") {
    OptVideoCodec(o, "vcodec", "mpeg2video");
    OptAudioCodec(o, "acodec", "ac3");
    tableOpt("f", "dvd");
    tableOpt("s", pal ? "720x576" : "720x480");
    tableOpt("r", rate);
    tableOpt("pix_fmt", "yuv420p");
    libOpt("g", pal ? "15" : "18");
    libOpt("b:v", "6000000");
    libOpt("maxrate", "9000000");
    libOpt("minrate", "0");
    libOpt("bufsize", "1835008");
    libOpt("packetsize", "2048");
    libOpt("muxrate", "10080000");
    libOpt("b:a", "448000");
    tableOpt("ar", "48000");
  } else if (target.compare(0, 2, "dv") == 0) {
    tableOpt("f", "dv");
    tableOpt("s", pal ? "720x576" : "720x480");
    tableOpt("pix_fmt", target == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
    tableOpt("r", rate);
    tableOpt("ar", "48000");
    tableOpt("ac", "2");
  } else {
    const std::string text = FormatText("Unknown target: %s", target.c_str());
    OptionErrorText() = text;
    LogMsg(llError, text);
    return AVERROR(EINVAL);
  }
  return 0;
}
