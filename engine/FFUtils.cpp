#include "engine/FFUtils.h"

#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/MyUtilStubs.h"
#include "engine/SwScaleStubs.h"
#include "engine/UnicodeProtocol.h"
#include "framework/SysUtils.h"

extern "C" {
#include <libavutil/opt.h>
}

void InitFFOptions(TFFOptions& options, int swsFlags) {
  UninitFFOptions(options);
  options.sws_opts = ff::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P, swsFlags,
                                        nullptr, nullptr, nullptr);
}

void UninitFFOptions(TFFOptions& options) {
  if (options.sws_opts) ff::sws_freeContext(options.sws_opts);
  options.sws_opts = nullptr;
  if (options.format_opts) ff::av_dict_free(&options.format_opts);
  if (options.codec_opts) ff::av_dict_free(&options.codec_opts);
}

namespace {

std::mutex gRegistryMutex;

std::vector<const AVInputFormat*>& InputFormats() {
  static std::vector<const AVInputFormat*> formats;
  return formats;
}

std::set<std::string>& Filters() {
  static std::set<std::string> filters;
  return filters;
}

}  // namespace

int OptDefault(TFFOptions& options, const char* opt, const char* arg) {
  const char* colon = std::strchr(opt, ':');
  std::string stripped(opt, colon ? static_cast<size_t>(colon - opt) : std::strlen(opt));
  if (stripped.size() > 127) stripped.resize(127);

  const AVClass* cc = ff::avcodec_get_class();
  const AVClass* fc = ff::avformat_get_class();
  const AVClass* sc = ff::sws_get_class();
  const int search = AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ;

  const AVOption* c = ff::av_opt_find(&cc, stripped.c_str(), nullptr, 0, search);
  if (!c && (opt[0] == 'a' || opt[0] == 's' || opt[0] == 'v'))
    c = ff::av_opt_find(&cc, opt + 1, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
  if (c)
    ff::av_dict_set(&options.codec_opts, opt, arg, c->type == AV_OPT_TYPE_FLAGS ? AV_DICT_APPEND : 0);

  const AVOption* f = ff::av_opt_find(&fc, opt, nullptr, 0, search);
  // The program's own input formats are not among the library's children:
  // their options are looked up in their classes here.
  if (!f) {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    for (const AVInputFormat* pf : InputFormats()) {
      const AVClass* pc = pf->priv_class;
      if (pc && (f = ff::av_opt_find(&pc, opt, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))) break;
    }
  }
  if (f)
    ff::av_dict_set(&options.format_opts, opt, arg, f->type == AV_OPT_TYPE_FLAGS ? AV_DICT_APPEND : 0);

  const AVOption* s = ff::av_opt_find(&sc, opt, nullptr, 0, search);
  if (s) {
    const int r = options.sws_opts ? ff::av_opt_set(options.sws_opts, opt, arg, 0) : AVERROR(EINVAL);
    if (r < 0) {
      OptionErrorText() = std::string("Error setting option \"") + opt + "\"";
      ff::av_log(nullptr, AV_LOG_ERROR, "Error setting option \"%s\"\n", opt);
      return r;
    }
  }
  if (c || f || s) return 0;
  OptionErrorText() = std::string("Unrecognized option \"") + opt + "\"";
  ff::av_log(nullptr, AV_LOG_ERROR, "Unrecognized option \"%s\"\n", opt);
  return AVERROR_OPTION_NOT_FOUND;
}

int CheckStreamSpecifier(AVFormatContext* s, AVStream* st, const char* spec) {
  if (*spec >= '0' && *spec <= '9') return std::strtol(spec, nullptr, 0) == st->index;
  if (*spec == 'v' || *spec == 'a' || *spec == 's' || *spec == 'd' || *spec == 't') {
    AVMediaType type;
    switch (*spec) {
      case 'v': type = AVMEDIA_TYPE_VIDEO; break;
      case 'a': type = AVMEDIA_TYPE_AUDIO; break;
      case 's': type = AVMEDIA_TYPE_SUBTITLE; break;
      case 'd': type = AVMEDIA_TYPE_DATA; break;
      default: type = AVMEDIA_TYPE_ATTACHMENT; break;
    }
    if (st->codecpar->codec_type != type) return 0;
    if (spec[1] != ':') return 1;
    long n = std::strtol(spec + 2, nullptr, 0);
    for (unsigned i = 0; i < s->nb_streams; ++i) {
      if (s->streams[i]->codecpar->codec_type != type) continue;
      if (n-- == 0) return s->streams[i] == st;
    }
    return 0;
  }
  if (spec[0] == 'p' && spec[1] == ':') {
    char* end = nullptr;
    const long id = std::strtol(spec + 2, &end, 0);
    for (unsigned i = 0; i < s->nb_programs; ++i) {
      const AVProgram* program = s->programs[i];
      if (program->id != id) continue;
      if (*end == ':') {
        const long k = std::strtol(end + 1, nullptr, 0);
        if (k < 0 || k >= static_cast<long>(program->nb_stream_indexes)) return 0;
        if (static_cast<int>(program->stream_index[k]) == st->index) return 1;
      } else {
        for (unsigned j = 0; j < program->nb_stream_indexes; ++j)
          if (static_cast<int>(program->stream_index[j]) == st->index) return 1;
      }
    }
    return 0;
  }
  if (*spec == '\0') return 1;
  ff::av_log(s, AV_LOG_ERROR, "Invalid stream specifier: \"%s\"\n", spec);
  return AVERROR(EINVAL);
}

AVDictionary* FilterCodecOpts(AVDictionary* opts, const AVCodec* codec, AVFormatContext* s, AVStream* st) {
  if (!codec) return nullptr;
  int flags = s->oformat ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  char prefix = 0;
  switch (codec->type) {
    case AVMEDIA_TYPE_VIDEO: prefix = 'v'; flags |= AV_OPT_FLAG_VIDEO_PARAM; break;
    case AVMEDIA_TYPE_AUDIO: prefix = 'a'; flags |= AV_OPT_FLAG_AUDIO_PARAM; break;
    case AVMEDIA_TYPE_SUBTITLE: prefix = 's'; flags |= AV_OPT_FLAG_SUBTITLE_PARAM; break;
    default: break;
  }
  const AVClass* cc = ff::avcodec_get_class();
  const AVClass* pc = codec->priv_class;
  AVDictionary* result = nullptr;
  const AVDictionaryEntry* t = nullptr;
  while ((t = ff::av_dict_get(opts, "", t, AV_DICT_IGNORE_SUFFIX))) {
    std::string key = t->key;
    const size_t colon = key.find(':');
    if (colon != std::string::npos) {
      const int m = CheckStreamSpecifier(s, st, t->key + colon + 1);
      if (m == 0) continue;
      if (m < 0) {
        ff::av_dict_free(&result);
        return nullptr;
      }
      key.resize(colon);
    }
    if (ff::av_opt_find(&cc, key.c_str(), nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ) ||
        (pc && ff::av_opt_find(&pc, key.c_str(), nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ)))
      ff::av_dict_set(&result, key.c_str(), t->value, 0);
    else if (prefix && key[0] == prefix &&
             ff::av_opt_find(&cc, key.c_str() + 1, nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ))
      ff::av_dict_set(&result, key.c_str() + 1, t->value, 0);
  }
  return result;
}

AVDictionary** SetupFindStreamInfoOpts(AVFormatContext* s, AVDictionary* codecOpts) {
  if (!s->nb_streams) return nullptr;
  auto** opts = static_cast<AVDictionary**>(ff::av_mallocz(s->nb_streams * sizeof(AVDictionary*)));
  if (!opts) {
    ff::av_log(nullptr, AV_LOG_ERROR, "Could not alloc memory for stream options.\n");
    return nullptr;
  }
  for (unsigned i = 0; i < s->nb_streams; ++i)
    opts[i] = FilterCodecOpts(codecOpts, ff::avcodec_find_decoder(s->streams[i]->codecpar->codec_id), s,
                              s->streams[i]);
  return opts;
}

std::string StreamTimeToText(AVRational timeBase, int64_t ts) {
  if (ts == AV_NOPTS_VALUE) return TimeStampToText(ts);
  if (!(timeBase.num == 1 && timeBase.den == 1000000)) ts = ff::av_rescale_q(ts, timeBase, AVRational{1, 1000000});
  return TimeStampToText(ts);
}

static std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::string CodecNameText(const AVCodecContext* ctx, bool encoder) {
  const AVCodec* codec = encoder ? ff::avcodec_find_encoder(ctx->codec_id) : ff::avcodec_find_decoder(ctx->codec_id);
  if (codec) {
    std::string name = codec->name ? codec->name : "";
    const std::string longName = Trim(codec->long_name ? codec->long_name : "");
    if (!longName.empty()) name += "(" + longName + ")";
    return name;
  }
  if (ctx->codec_id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  const unsigned tag = ctx->codec_tag;
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    const unsigned b = (tag >> (8 * i)) & 0xFF;
    if (b < 32 || b > 126) printable = false;
  }
  char buf[64];
  if (printable)
    std::snprintf(buf, sizeof buf, "%c%c%c%c / 0x%04X", tag & 0xFF, (tag >> 8) & 0xFF, (tag >> 16) & 0xFF,
                  (tag >> 24) & 0xFF, tag);
  else
    std::snprintf(buf, sizeof buf, "0x%04x", tag);
  return buf;
}

std::string DictValue(const AVDictionary* dict, const char* key, const std::string& defaultValue) {
  const AVDictionaryEntry* e = ff::av_dict_get(dict, key, nullptr, 0);
  return e && e->value ? std::string(e->value) : defaultValue;
}

const char* ClassItemName(void* context) {
  const AVClass* avc = context ? *static_cast<AVClass* const*>(context) : nullptr;
  return avc ? avc->class_name : "NULL";
}

int ReadFile(const std::string& fileName, uint8_t*& buffer, int& size) {
  const std::string native = MediaFileName(fileName);
  FILE* f = native.empty() ? nullptr : ff::fopen(native.c_str(), "rb");
  if (!f) {
    ff::av_log(nullptr, AV_LOG_ERROR, "Cannot read file \"%s\"\n", fileName.c_str());
    return -1;
  }
  int result = 0;
  ff::fseek(f, 0, SEEK_END);
  const long length = ff::ftell(f);
  ff::fseek(f, 0, SEEK_SET);
  if (length < 0 || length >= INT32_MAX) {
    ff::av_log(nullptr, AV_LOG_ERROR, "Could not allocate file buffer\n");
    ff::fclose(f);
    return AVERROR(ENOMEM);
  }
  size = static_cast<int>(length);
  buffer = static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(size) + 1));
  if (!buffer) {
    ff::av_log(nullptr, AV_LOG_ERROR, "Could not allocate file buffer\n");
    result = AVERROR(ENOMEM);
  } else if (ff::fread(buffer, 1, static_cast<size_t>(size), f) < static_cast<size_t>(size)) {
    ff::av_free(buffer);
    buffer = nullptr;
    if (ff::ferror(f)) {
      ff::av_log(nullptr, AV_LOG_ERROR, "Error while reading file \"%s\"\n", fileName.c_str());
      result = AVERROR(EIO);
    } else {
      result = AVERROR_EOF;
    }
  } else {
    buffer[size] = 0;
    ++size;
  }
  ff::fclose(f);
  return result;
}


void RegisterInputFormatOnce(const AVInputFormat* format) {
  if (!format || !format->name) throw Exception("Assertion failure");
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  if (FindProgramInputFormat(format->name)) return;
  if (ff::av_find_input_format && ff::av_find_input_format(format->name)) return;
  InputFormats().push_back(format);
}

const AVInputFormat* FindProgramInputFormat(const char* name) {
  for (const AVInputFormat* f : InputFormats())
    if (std::strcmp(f->name, name) == 0) return f;
  return nullptr;
}

void RegisterFilterOnce(const char* name) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  Filters().insert(name);
}

bool ProgramFilterRegistered(const char* name) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  return Filters().count(name) != 0;
}

int ParseFilterChainBetween(AVFilterGraph* graph, const std::string& chain, AVFilterContext* source,
                            AVFilterContext* sink) {
  AVFilterInOut* outputs = ff::avfilter_inout_alloc();
  AVFilterInOut* inputs = ff::avfilter_inout_alloc();
  int r = AVERROR(ENOMEM);
  if (outputs && inputs) {
    outputs->name = ff::av_strdup("in");
    outputs->filter_ctx = source;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = ff::av_strdup("out");
    inputs->filter_ctx = sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    r = ff::avfilter_graph_parse_ptr(graph, chain.c_str(), &inputs, &outputs, nullptr);
  }
  ff::avfilter_inout_free(&outputs);
  ff::avfilter_inout_free(&inputs);
  return r;
}
