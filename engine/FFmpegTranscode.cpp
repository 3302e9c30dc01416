// The run of a task: set-up of the pipeline, the loop over input packets,
// stream copy and the writing of packets.
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <thread>

#include "engine/ProgramFilters.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFUtils.h"
#include "engine/MyUtilStubs.h"
#include "engine/UnicodeProtocol.h"
#include "engine/FFmpegRun.h"
#include "engine/SwResampleStubs.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

namespace {

constexpr AVRational kMicro = {1, AV_TIME_BASE};

// Codecs run with as many threads as the machine offers unless the option
// text says otherwise, as the command-line tool does.
void DefaultThreads(AVDictionary*& opts) {
  if (!ff::av_dict_get(opts, "threads", nullptr, 0)) ff::av_dict_set(&opts, "threads", "auto", 0);
}

}  // namespace

void TCustomFFmpeg::Transcode() {
  TTranscodeRun run(*this);
  run.Transcode();
}

TTranscodeRun::TTranscodeRun(TCustomFFmpeg& task) : T(task) {}

TTranscodeRun::~TTranscodeRun() { RunGuarded([&] { TranscodeCleanup(); }); }

// ---- set-up ----------------------------------------------------------------

int TTranscodeRun::SetupStreamCopy(TOutputStream& ost, TInputStream& ist) {
  AVCodecParameters* in = ist.st->codecpar;
  AVCodecParameters* par = ost.st->codecpar;
  AVFormatContext* oc = T.Foutput_files[static_cast<size_t>(ost.file_index)].ctx;
  if (static_cast<int64_t>(in->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE > INT_MAX) {
    T.FLastErrMsg = "icodec.extradata_size is invalid (too large)";
    return AVERROR(EINVAL);
  }
  switch (in->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
      if (T.FOnInputVideoHook || T.FOnOutputVideoHook) {
        T.FLastErrMsg = "-vcodec copy and VideoHook are incompatible (frames are not decoded)";
        return AVERROR(EINVAL);
      }
      if (T.FOnInputFrameHook || T.FOnOutputFrameHook) {
        T.FLastErrMsg = "-vcodec copy and FrameHook are incompatible (frames are not decoded)";
        return AVERROR(EINVAL);
      }
      if (T.Fusing_vhook) {
        T.FLastErrMsg = "-vcodec copy and -vhook are incompatible (frames are not decoded)";
        return AVERROR(EINVAL);
      }
      if (T.FPostHooks) {
        T.FLastErrMsg = "-vcodec copy and PostHooks are incompatible (frames are not decoded)";
        return AVERROR(EINVAL);
      }
      break;
    case AVMEDIA_TYPE_AUDIO:
      if (T.Faudio_volume != 256) {
        T.FLastErrMsg = "-acodec copy and -vol are incompatible (frames are not decoded)";
        return AVERROR(EINVAL);
      }
      if (T.FOnAudioHook) {
        T.FLastErrMsg = "-acodec copy and AudioHook are incompatible (frames are not decoded)";
        return AVERROR(EINVAL);
      }
      break;
    case AVMEDIA_TYPE_SUBTITLE:
    case AVMEDIA_TYPE_DATA:
    case AVMEDIA_TYPE_ATTACHMENT:
      break;
    default:
      T.FLastErrMsg = "invalid codec_type of output stream";
      return -1;
  }
  const unsigned tagWanted = par->codec_tag;
  const int r = ff::avcodec_parameters_copy(par, in);
  if (r < 0) {
    T.FLastErrMsg = "av_mallocz() failed";
    return r;
  }
  // The input's tag only when this container reads it as the same codec.
  par->codec_tag = tagWanted;
  if (!tagWanted) {
    unsigned tag = 0;
    const AVCodecTag* const* table = oc->oformat->codec_tag;
    if (!table || ff::av_codec_get_id(table, in->codec_tag) == in->codec_id ||
        !ff::av_codec_get_tag2(table, in->codec_id, &tag))
      par->codec_tag = in->codec_tag;
  }
  AVRational tb = ist.st->time_base;
  const AVRational fr = ist.st->avg_frame_rate.num ? ist.st->avg_frame_rate : ist.st->r_frame_rate;
  if (in->codec_type == AVMEDIA_TYPE_VIDEO && fr.num > 0 && fr.den > 0) {
    const AVRational frameTb = {fr.den, fr.num};
    const char* name = oc->oformat->name;
    const bool isAvi = std::strcmp(name, "avi") == 0;
    const bool keepsTb = std::strstr("mov,mp4,3gp,3g2,psp,ipod", name) != nullptr ||
                         (oc->oformat->flags & AVFMT_VARIABLE_FPS);
    // Containers that count frames want one tick per frame.
    if (isAvi && ((T.Fcopy_tb < 0 && av_q2d(frameTb) > 2 * av_q2d(tb) && av_q2d(tb) < 1.0 / 500) ||
                  T.Fcopy_tb == 0))
      tb = frameTb;
    else if (!isAvi && !keepsTb &&
             ((T.Fcopy_tb < 0 && av_q2d(frameTb) > av_q2d(tb) && av_q2d(tb) < 1.0 / 500) ||
              T.Fcopy_tb == 0))
      tb = frameTb;
  }
  ff::av_reduce(&tb.num, &tb.den, tb.num, tb.den, INT_MAX);
  ost.st->time_base = tb;
  if (in->codec_type == AVMEDIA_TYPE_VIDEO) {
    AVRational sar = ist.st->sample_aspect_ratio;
    if (!sar.num) sar = in->sample_aspect_ratio;
    if (!sar.num) sar = AVRational{0, 1};
    par->sample_aspect_ratio = ost.st->sample_aspect_ratio = sar;
    ost.st->avg_frame_rate = ist.st->avg_frame_rate;
    ost.st->r_frame_rate = ist.st->r_frame_rate;
  }
  ost.st->disposition = ist.st->disposition;
  return 0;
}

int TTranscodeRun::ConfigureVideoFilters(TInputStream& ist, TOutputStream& ost) {
  AVCodecContext* dec = ist.dec_ctx;
  AVCodecContext* enc = ost.enc_ctx;
  if (ost.graph) ff::avfilter_graph_free(&ost.graph);
  ost.graph = ff::avfilter_graph_alloc();
  if (!ost.graph) return AVERROR(ENOMEM);
  AVRational sar = ist.st->sample_aspect_ratio.num ? ist.st->sample_aspect_ratio : dec->sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{0, 1};
  const std::string srcArgs = TCustomFFmpeg::FormatText(
      "video_size=%dx%d:pix_fmt=%d:time_base=1/1000000:pixel_aspect=%d/%d", dec->width, dec->height,
      static_cast<int>(dec->pix_fmt), sar.num, sar.den);
  int r = ff::avfilter_graph_create_filter(&ost.input_video_filter, ff::avfilter_get_by_name("buffer"), "src",
                                           srcArgs.c_str(), nullptr, ost.graph);
  if (r < 0) return r;
  r = ff::avfilter_graph_create_filter(&ost.output_video_filter, ff::avfilter_get_by_name("buffersink"), "out",
                                       nullptr, nullptr, ost.graph);
  if (r < 0) return r;
  const enum AVPixelFormat pixFmts[] = {enc->pix_fmt, AV_PIX_FMT_NONE};
  r = ff::av_opt_set_bin(ost.output_video_filter, "pix_fmts", reinterpret_cast<const uint8_t*>(pixFmts),
                         sizeof(pixFmts[0]), AV_OPT_SEARCH_CHILDREN);
  if (r < 0) return r;
  AVFilterContext* last = ost.input_video_filter;
  if (enc->width != dec->width || enc->height != dec->height) {
    AVFilterContext* scale = nullptr;
    const std::string args = TCustomFFmpeg::FormatText("w=%d:h=%d:flags=0x%X", enc->width, enc->height,
                                                       static_cast<unsigned>(ost.sws_flags));
    r = ff::avfilter_graph_create_filter(&scale, ff::avfilter_get_by_name("scale"), "scale", args.c_str(), nullptr,
                                         ost.graph);
    if (r < 0) return r;
    r = ff::avfilter_link(last, 0, scale, 0);
    if (r < 0) return r;
    last = scale;
  }
  const std::string swsOpts = TCustomFFmpeg::FormatText("flags=0x%X", static_cast<unsigned>(ost.sws_flags));
  ost.graph->scale_sws_opts = ff::av_strdup(swsOpts.c_str());
  if (ost.avfilter && *ost.avfilter) {
    TFilterTranslation translation = TranslateFilterChain(ost.avfilter);
    for (const TFilterMessage& m : translation.Messages) ff::av_log(ost.graph, m.Level, "%s", m.Text.c_str());
    if (!translation.Ok) {
      const std::string& text = translation.Messages.back().Text;
      T.FLastErrMsg = text.substr(0, text.find_last_not_of('\n') + 1);
      return AVERROR(EINVAL);
    }
    const size_t row = RowOf(ost);
    if (FLiveFilters.size() <= row) FLiveFilters.resize(row + 1);
    FLiveFilters[row] = std::move(translation.Live);
    r = ParseFilterChainBetween(ost.graph, translation.Chain, last, ost.output_video_filter);
    ff::av_freep(&ost.avfilter);
    if (r < 0) return r;
  } else {
    r = ff::avfilter_link(last, 0, ost.output_video_filter, 0);
    if (r < 0) return r;
  }
  r = ff::avfilter_graph_config(ost.graph, nullptr);
  if (r < 0) return r;
  enc->width = ff::av_buffersink_get_w(ost.output_video_filter);
  enc->height = ff::av_buffersink_get_h(ost.output_video_filter);
  if (ost.frame_aspect_ratio > 0) {
    ff::av_reduce(&enc->sample_aspect_ratio.num, &enc->sample_aspect_ratio.den,
                  static_cast<int64_t>(std::lround(ost.frame_aspect_ratio * enc->height * 255)),
                  static_cast<int64_t>(enc->width) * 255, 255);
  } else {
    // A negative aspect means "no override": the picture keeps its own.
    enc->sample_aspect_ratio = ff::av_buffersink_get_sample_aspect_ratio(ost.output_video_filter);
  }
  ost.st->sample_aspect_ratio = enc->sample_aspect_ratio;
  return 0;
}

int TTranscodeRun::SetupEncoding(TOutputStream& ost, TInputStream& ist) {
  AVCodecContext* enc = ost.enc_ctx;
  AVCodecContext* dec = ist.dec_ctx;
  if (!ost.enc) ost.enc = ff::avcodec_find_encoder(enc->codec_id);
  ist.decoding_needed = 1;
  ost.encoding_needed = 1;
  switch (enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO: {
      if (!enc->sample_rate) enc->sample_rate = dec->sample_rate;
      T.ChooseSampleRate(ost, ost.enc);
      enc->time_base = AVRational{1, enc->sample_rate};
      if (enc->sample_fmt == AV_SAMPLE_FMT_NONE) enc->sample_fmt = dec->sample_fmt;
      T.ChooseSampleFmt(ost, ost.enc);
      if (ost.audio_channels_mapped) {
        if (!enc->ch_layout.nb_channels)
          ff::av_channel_layout_default(&enc->ch_layout, ost.audio_channels_mapped);
        for (int i = ost.audio_channels_mapped; i < 16; ++i) ost.audio_channels_map[i] = -1;
      } else if (!enc->ch_layout.nb_channels) {
        if (dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
          ff::av_channel_layout_default(&enc->ch_layout, dec->ch_layout.nb_channels);
        else
          ff::av_channel_layout_copy(&enc->ch_layout, &dec->ch_layout);
      }
      // Encoders describe the layouts they take; the nearest default for
      // the count is the usual answer.
      if (ost.enc && ost.enc->ch_layouts) {
        bool found = false;
        for (const AVChannelLayout* l = ost.enc->ch_layouts; l->nb_channels; ++l)
          if (ff::av_channel_layout_compare(l, &enc->ch_layout) == 0) found = true;
        if (!found) {
          const int n = enc->ch_layout.nb_channels;
          ff::av_channel_layout_uninit(&enc->ch_layout);
          ff::av_channel_layout_default(&enc->ch_layout, n);
        }
      }
      ost.audio_resample = enc->sample_rate != dec->sample_rate || enc->sample_fmt != dec->sample_fmt ||
                           ff::av_channel_layout_compare(&enc->ch_layout, &dec->ch_layout) != 0 ||
                           T.Faudio_sync_method > 1;
      ost.resample_sample_fmt = dec->sample_fmt;
      ost.resample_channels = dec->ch_layout.nb_channels;
      ost.resample_sample_rate = dec->sample_rate;
      break;
    }
    case AVMEDIA_TYPE_VIDEO: {
      if (enc->pix_fmt == AV_PIX_FMT_NONE) enc->pix_fmt = dec->pix_fmt;
      T.ChoosePixelFmt(ost, ost.enc);
      if (enc->pix_fmt == AV_PIX_FMT_NONE) {
        T.FLastErrMsg = "Video pixel format is unknown, stream cannot be encoded";
        return -1;
      }
      if (!enc->width || !enc->height) {
        enc->width = dec->width;
        enc->height = dec->height;
      }
      ost.video_resample = enc->width != dec->width || enc->height != dec->height || enc->pix_fmt != dec->pix_fmt;
      if (ost.video_resample) enc->bits_per_raw_sample = T.Fframe_bits_per_raw_sample;
      ost.resample_width = dec->width;
      ost.resample_height = dec->height;
      ost.resample_pix_fmt = dec->pix_fmt;
      if (!ost.frame_rate.num) {
        ost.frame_rate = ist.st->r_frame_rate.num ? ist.st->r_frame_rate : AVRational{25, 1};
        if (ist.st->avg_frame_rate.num) ost.frame_rate = ist.st->avg_frame_rate;
      }
      if (ost.enc && ost.enc->supported_framerates && !ost.force_fps) {
        int best = 0;
        double bestDiff = 1e300;
        for (int i = 0; ost.enc->supported_framerates[i].num; ++i) {
          const double d = std::fabs(av_q2d(ost.enc->supported_framerates[i]) - av_q2d(ost.frame_rate));
          if (d < bestDiff) {
            bestDiff = d;
            best = i;
          }
        }
        ost.frame_rate = ost.enc->supported_framerates[best];
      }
      enc->time_base = AVRational{ost.frame_rate.den, ost.frame_rate.num};
      enc->framerate = ost.frame_rate;
      if (av_q2d(enc->time_base) < 0.001 && T.Fvideo_sync_method != 0 &&
          (T.Fvideo_sync_method == 1 ||
           (T.Fvideo_sync_method < 0 &&
            !(T.Foutput_files[static_cast<size_t>(ost.file_index)].ctx->oformat->flags & AVFMT_VARIABLE_FPS))))
        ff::av_log(T.Foutput_files[static_cast<size_t>(ost.file_index)].ctx, AV_LOG_WARNING, "%s",
                   "Frame rate very high for a muxer not effciciently supporting it.\nPlease consider specifiying "
                   "a lower framerate, a different muxer or -vsync 2\n");
      for (int i = 0; i < ost.forced_kf_count; ++i)
        ost.forced_kf_pts[i] = ff::av_rescale_q(ost.forced_kf_pts[i], kMicro, enc->time_base);
      T.FLastErrMsg.clear();
      const int r = ConfigureVideoFilters(ist, ost);
      if (r < 0) {
        T.FLastErrMsg = T.FLastErrMsg.empty() ? FormatAVError("Error opening filters", r)
                                              : "Error opening filters: " + T.FLastErrMsg;
        return r;
      }
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
      break;
    default:
      T.FLastErrMsg = "invalid codec_type of output stream";
      return -1;
  }
  return 0;
}

void TTranscodeRun::CheckExperimental(AVCodecContext* c, bool encoder) {
  const AVCodec* codec = c->codec;
  if (!codec || !(codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) ||
      c->strict_std_compliance <= FF_COMPLIANCE_EXPERIMENTAL)
    return;
  const char* kind = encoder ? "encoder" : "decoder";
  std::string text = TCustomFFmpeg::FormatText(
      "%s \"%s\" is experimental and might produce bad results.\r\nAdd \"-strict experimental\" if you want to use it.",
      kind, codec->name);
  const AVCodec* other = encoder ? ff::avcodec_find_encoder(codec->id) : ff::avcodec_find_decoder(codec->id);
  if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
    text += TCustomFFmpeg::FormatText("\r\nOr use the non experimental %s \"%s\"", kind, other->name);
  T.RaiseFatal(text);
}

int TTranscodeRun::OpenEncoder(TOutputStream& ost) {
  AVCodecContext* enc = ost.enc_ctx;
  const char* typeText = nullptr;
  const std::string mediaType = MediaTypeText(enc->codec_type);
  typeText = mediaType.c_str();
  if (!ost.enc) {
    T.FLastErrMsg = TCustomFFmpeg::FormatText("Encoder (codec %s) not found for output stream #%d:%d (%s)",
                                              ff::avcodec_get_name(enc->codec_id), ost.file_index, ost.index,
                                              typeText);
    return AVERROR(EINVAL);
  }
  TInputStream& ist = T.Finput_streams[static_cast<size_t>(ost.source_index)];
  if (ist.dec_ctx && ist.dec_ctx->subtitle_header) {
    enc->subtitle_header = static_cast<uint8_t*>(ff::av_mallocz(ist.dec_ctx->subtitle_header_size + 1));
    if (!enc->subtitle_header) {
      T.FLastErrMsg = "av_malloc failed";
      return AVERROR(ENOMEM);
    }
    std::memcpy(enc->subtitle_header, ist.dec_ctx->subtitle_header, ist.dec_ctx->subtitle_header_size);
    enc->subtitle_header_size = ist.dec_ctx->subtitle_header_size;
  }
  if (T.FJoinMode) {
    ost.codec_id_join = enc->codec_id;
    ff::av_dict_copy(&ost.opts_join, ost.opts, 0);
    SaveJoinTemplate(ost);
  }
  DefaultThreads(ost.opts);
  // The encoder takes its pictures through the filter graph; a picture
  // encoder takes the graph's sample aspect as it is.
  if (enc->codec_type == AVMEDIA_TYPE_SUBTITLE && enc->time_base.num <= 0) enc->time_base = AVRational{1, AV_TIME_BASE};
  const int r = ff::avcodec_open2(enc, ost.enc, &ost.opts);
  if (r < 0) {
    T.LogMsg(llError, FormatAVError("avcodec_open2", r));
    T.FLastErrMsg = TCustomFFmpeg::FormatText(
        "Error while opening encoder for output stream #%d:%d (%s) - maybe incorrect parameters such as bit_rate, "
        "rate, width or height. Please check error log message(reported by ZIVoveva) to find out more detail "
        "information.",
        ost.file_index, ost.index, typeText);
    return AVERROR(EINVAL);
  }
  TCustomFFmpeg::AddCodecEntry(T.FEncoderList, &ost);
  CheckExperimental(enc, true);
  T.AssertAVOptions(ost.opts);
  if (T.FJoinMode) {
    ff::av_dict_free(&ost.opts);
    ost.opts = ost.opts_join;
    ost.opts_join = nullptr;
  }
  if (enc->bit_rate && enc->bit_rate < 1000)
    T.LogMsg(llWarning, "The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
  T.Fextra_size += enc->extradata_size;
  const int pr = ff::avcodec_parameters_from_context(ost.st->codecpar, enc);
  if (pr < 0) return pr;
  ost.st->time_base = enc->time_base;
  if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
    ost.st->avg_frame_rate = ost.frame_rate;
    ost.st->r_frame_rate = ost.frame_rate;
  }
  if (enc->codec_type == AVMEDIA_TYPE_AUDIO) {
    const int frameSize = enc->frame_size > 0 ? enc->frame_size : 1024;
    ost.fifo = ff::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, frameSize);
    if (!ost.fifo) {
      T.FLastErrMsg = "av_fifo_alloc failed";
      return AVERROR(ENOMEM);
    }
  }
  return 0;
}

// Two-pass encoding: pass 1 writes what the encoder learnt about every
// picture into a statistics file, pass 2 gives all of it back to the encoder
// before it opens. The file is named after the output row, so the two passes
// of one profile meet at the same file.
int TTranscodeRun::SetupPassLog(TOutputStream& ost, size_t row) {
  AVCodecContext* enc = ost.enc_ctx;
  const int pass = enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2);
  if (!pass) return 0;
  const char* prefix = T.Fpass_logfilename_prefix && *T.Fpass_logfilename_prefix ? T.Fpass_logfilename_prefix
                                                                                  : "ffencoder2pass";
  std::string name = TCustomFFmpeg::FormatText("%s-%d.log", prefix, static_cast<int>(row));
  if (name.size() > 1023) name.resize(1023);
  const std::string native = MediaFileName(name);
  const auto readError = [&](int r) {
    T.FLastErrMsg = TCustomFFmpeg::FormatText("Error reading log file \"%s\" for pass-2 encoding", name.c_str());
    if (r == AVERROR(ENOMEM)) {
      T.FLastErrMsg = "Could not allocate file buffer: " + T.FLastErrMsg;
      return AVERROR(ENOMEM);
    }
    return -1;
  };
  // Pass 2 needs statistics. An empty file is no statistics either: the
  // encoders' parsers look past the end of an empty text.
  uint8_t* stats = nullptr;
  int size = 0;
  if (pass & AV_CODEC_FLAG_PASS2) {
    const int r = ReadFile(name, stats, size);
    if (r < 0 || size <= 1 || !stats) {
      if (stats) ff::av_free(stats);
      return readError(r < 0 ? r : -1);
    }
  }
  if (enc->codec_id == AV_CODEC_ID_H264) {
    // The H.264 encoder reads and writes its statistics itself; it is only
    // told the file, unless the option text named one.
    if (stats) ff::av_free(stats);
    const AVClass** encoderClass = ost.enc ? const_cast<const AVClass**>(&ost.enc->priv_class) : nullptr;
    if (encoderClass && *encoderClass &&
        ff::av_opt_find(encoderClass, "stats", nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))
      ff::av_dict_set(&ost.opts, "stats", native.c_str(), AV_DICT_DONT_OVERWRITE);
    return 0;
  }
  if (stats) {
    if (enc->stats_in) ff::av_freep(&enc->stats_in);
    enc->stats_in = reinterpret_cast<char*>(stats);
  }
  if (pass & AV_CODEC_FLAG_PASS1) {
    if (ost.logfile) ff::fclose(ost.logfile);
    ost.logfile = native.empty() ? nullptr : ff::fopen(native.c_str(), "wb");
    if (!ost.logfile) {
      T.FLastErrMsg = TCustomFFmpeg::FormatText("Cannot write log file %s for pass-1 encoding", name.c_str());
      return -1;
    }
  }
  return 0;
}

int TTranscodeRun::OpenBitstreamFilters(TOutputStream& ost) {
  if (ost.bitstream_filter_names.empty() || ost.bitstream_filters) return 0;
  int r = ff::av_bsf_list_parse_str(ost.bitstream_filter_names.c_str(), &ost.bitstream_filters);
  if (r < 0) return r;
  r = ff::avcodec_parameters_copy(ost.bitstream_filters->par_in, ost.st->codecpar);
  if (r < 0) return r;
  ost.bitstream_filters->time_base_in = ost.st->time_base;
  r = ff::av_bsf_init(ost.bitstream_filters);
  if (r < 0) return r;
  return ff::avcodec_parameters_copy(ost.st->codecpar, ost.bitstream_filters->par_out);
}

int TTranscodeRun::InitInputStream(int row, std::string& error) {
  TInputStream& ist = T.Finput_streams[static_cast<size_t>(row)];
  if (ist.decoding_needed && ist.dec_ctx && !ff::avcodec_is_open(ist.dec_ctx)) {
    if (!ist.avdec) {
      error = TCustomFFmpeg::FormatText("Decoder (codec %s) not found for input stream #%d:%d",
                                        ff::avcodec_get_name(ist.st->codecpar->codec_id), ist.file_index,
                                        ist.st->index);
      return AVERROR(EINVAL);
    }
    DefaultThreads(ist.opts);
    if (ff::avcodec_open2(ist.dec_ctx, ist.avdec, &ist.opts) < 0) {
      error = TCustomFFmpeg::FormatText("Error while opening decoder for input stream #%d:%d", ist.file_index,
                                        ist.st->index);
      return AVERROR(EINVAL);
    }
    TCustomFFmpeg::AddCodecEntry(T.FDecoderList, &ist);
    CheckExperimental(ist.dec_ctx, false);
    T.AssertAVOptions(ist.opts);
  }
  ist.pts = 0;
  if (ist.st->avg_frame_rate.num && ist.dec_ctx)
    ist.pts = -static_cast<int64_t>(std::rint(ist.dec_ctx->has_b_frames * 1000000.0 /
                                              av_q2d(ist.st->avg_frame_rate)));
  ist.next_pts = AV_NOPTS_VALUE;
  ist.is_start = 1;
  return 0;
}

int TTranscodeRun::TranscodeInit() {
  for (TInputFile& f : T.Finput_files)
    if (f.rate_emu)
      for (int i = 0; i < f.nb_streams; ++i)
        T.Finput_streams[static_cast<size_t>(f.ist_index + i)].start = ff::av_gettime_relative();

  for (size_t i = 0; i < T.Foutput_files.size(); ++i) {
    AVFormatContext* oc = T.Foutput_files[i].ctx;
    if (!oc || (T.FJoinMode && i > 0)) continue;
    if (!oc->nb_streams && !(oc->oformat->flags & AVFMT_NOSTREAMS)) {
      ff::av_dump_format(oc, static_cast<int>(i), oc->url, 1);
      T.FLastErrMsg = TCustomFFmpeg::FormatText("Output file #%d does not contain any stream", static_cast<int>(i));
      T.LogMsg(llError, T.FLastErrMsg);
      return AVERROR(EINVAL);
    }
  }

  for (size_t row = 0; row < T.Foutput_streams.size(); ++row) {
    TOutputStream& ost = T.Foutput_streams[row];
    if (ost.st->codecpar->codec_type == AVMEDIA_TYPE_ATTACHMENT || ost.source_index < 0) continue;
    TInputStream& ist = T.Finput_streams[static_cast<size_t>(ost.source_index)];
    ost.st->disposition = ist.st->disposition;
    if (ist.dec_ctx) {
      ost.enc_ctx->bits_per_raw_sample = ist.dec_ctx->bits_per_raw_sample;
      ost.enc_ctx->chroma_sample_location = ist.dec_ctx->chroma_sample_location;
    }
    int r = ost.stream_copy ? SetupStreamCopy(ost, ist) : SetupEncoding(ost, ist);
    if (r >= 0 && !ost.stream_copy) r = SetupPassLog(ost, row);
    if (r < 0) return r;
  }

  int failure = 0;
  std::string error;
  // A subtitle encoder starts from its decoder's header (styles, sizes),
  // which the decoder makes when it opens: those decoders open first.
  for (TOutputStream& ost : T.Foutput_streams)
    if (!failure && ost.encoding_needed && ost.enc_ctx->codec_type == AVMEDIA_TYPE_SUBTITLE)
      failure = InitInputStream(ost.source_index, error);
  for (size_t i = 0; i < T.Foutput_streams.size() && !failure; ++i) {
    TOutputStream& ost = T.Foutput_streams[i];
    if (!ost.encoding_needed) continue;
    if (T.FJoinMode && T.Fnb_output_streams_join > 0 && static_cast<int>(i) >= T.Fnb_output_streams_join) continue;
    failure = OpenEncoder(ost);
    if (failure < 0) error = T.FLastErrMsg;
  }
  for (int i = 0; i < T.InputStreamCount() && !failure; ++i) failure = InitInputStream(i, error);

  // Programs that lend no stream to an output are not read at all.
  for (TInputFile& f : T.Finput_files) {
    AVFormatContext* ic = f.ctx;
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
      AVProgram* program = ic->programs[p];
      bool used = false;
      for (unsigned k = 0; k < program->nb_stream_indexes && !used; ++k)
        used = !T.Finput_streams[static_cast<size_t>(f.ist_index) + program->stream_index[k]].discard;
      if (!used) program->discard = AVDISCARD_ALL;
    }
  }

  for (size_t i = 0; i < T.Foutput_files.size() && !failure; ++i) {
    if (T.FJoinMode && i > 0) break;
    TOutputFile& of = T.Foutput_files[i];
    for (TOutputStream& ost : T.Foutput_streams)
      if (ost.file_index == static_cast<int>(i) && ost.st && OpenBitstreamFilters(ost) < 0) {
        error = TCustomFFmpeg::FormatText("Error initializing bitstream filter: %s",
                                          ost.bitstream_filter_names.c_str());
        failure = AVERROR(EINVAL);
      }
    if (failure) break;
    of.ctx->interrupt_callback = T.FWriteCallback;
    if (T.CreateOutputFile(static_cast<int>(i)) < 0) {
      error = T.FLastErrMsg;
      failure = AVERROR(EIO);
      break;
    }
    T.FLastWrite = ff::av_gettime_relative();
    if (ff::avformat_write_header(of.ctx, &of.opts) < 0) {
      error = TCustomFFmpeg::FormatText("Could not write header for output file #%d (incorrect codec parameters ?)",
                                        static_cast<int>(i));
      failure = AVERROR(EINVAL);
    }
  }

  DumpStreamMapping();
  if (failure) {
    // The specific text is what the user needs to see, so it becomes the
    // task's message rather than only a log line.
    T.LogMsg(llError, error);
    T.FLastErrMsg = error;
    return failure;
  }
  // Outputs that are all RTP need their session description to be received.
  bool sdp = !T.Foutput_files.empty();
  for (const TOutputFile& of : T.Foutput_files)
    if (!of.ctx || !of.ctx->oformat || std::strcmp(of.ctx->oformat->name, "rtp") != 0) sdp = false;
  if (sdp) PrintSDP();
  return 0;
}

void TTranscodeRun::PrintSDP() {
  std::vector<AVFormatContext*> contexts;
  for (const TOutputFile& of : T.Foutput_files) contexts.push_back(of.ctx);
  char text[2048] = {};
  ff::av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), text, sizeof text);
  std::string sdp = text;
  const size_t first = sdp.find_first_not_of(" \t\r\n");
  sdp = first == std::string::npos ? std::string() : sdp.substr(first, sdp.find_last_not_of(" \t\r\n") - first + 1);
  T.LogMsg(llInfo, "SDP:\r\n" + sdp);
}

void TTranscodeRun::DumpStreamMapping() {
  for (size_t i = 0; i < T.Foutput_files.size(); ++i) {
    if (T.FJoinMode && i > 0) break;
    ff::av_dump_format(T.Foutput_files[i].ctx, static_cast<int>(i), T.Foutput_files[i].ctx->url, 1);
  }
  T.LogMsg(llInfo, "Stream mapping:");
  for (const TOutputStream& ost : T.Foutput_streams) {
    const int fileIndex = T.FJoinMode ? 0 : ost.file_index;
    if (ost.attachment_filename || ost.source_index < 0) {
      T.LogMsg(llInfo, TCustomFFmpeg::FormatText("  File %s -> Stream #%d:%d",
                                                 ost.attachment_filename ? ost.attachment_filename : "", fileIndex,
                                                 ost.index));
      continue;
    }
    const TInputStream& ist = T.Finput_streams[static_cast<size_t>(ost.source_index)];
    std::string line = TCustomFFmpeg::FormatText("  Stream #%d:%d -> #%d:%d", ist.file_index, ist.st->index,
                                                 fileIndex, ost.index);
    if (ost.audio_channels_mapped) {
      line += " [ch:";
      for (int c = 0; c < ost.audio_channels_mapped; ++c)
        line += ost.audio_channels_map[c] == -1 ? std::string(" M")
                                                 : " " + std::to_string(ost.audio_channels_map[c]);
      line += "]";
    }
    if (ost.sync_ist && ost.sync_ist != &ist)
      line += TCustomFFmpeg::FormatText(" [sync #%d:%d]", ost.sync_ist->file_index, ost.sync_ist->st->index);
    if (ost.stream_copy) {
      line += " (copy)";
    } else {
      line += std::string(" (") + (ist.avdec ? ist.avdec->name : "?");
      line += std::string(" -> ") + (ost.enc ? ost.enc->name : "?") + ")";
    }
    line += " (" + MediaTypeText(ost.st->codecpar->codec_type) + ")";
    T.LogMsg(llInfo, line);
  }
}

// ---- the loop --------------------------------------------------------------

void TTranscodeRun::Transcode() {
  FNoPacket.assign(T.Finput_files.size(), 0);
  FNoPacketCount = 0;
  FOutTime.assign(T.Foutput_streams.size(), AV_NOPTS_VALUE);
  FOutEnd.assign(T.Foutput_streams.size(), AV_NOPTS_VALUE);
  FQuality.assign(T.Foutput_streams.size(), -1.0f);
  FFramesOut.assign(T.Finput_streams.size(), 0);
  FPacketsOut.assign(T.Foutput_streams.size(), 0);
  FDeinterlacers.assign(T.Finput_streams.size(), TDeinterlacer());
  FPacket = ff::av_packet_alloc();
  FOutPacket = ff::av_packet_alloc();
  FDecoded = ff::av_frame_alloc();
  FFiltered = ff::av_frame_alloc();
  if (!FPacket || !FOutPacket || !FDecoded || !FFiltered) T.RaiseFatal("Out of memory");
  T.FLastErrMsg.clear();
  // Stopped before it began: nothing is written, so the empty outputs go.
  if (T.FBroken) return;
  const int r = TranscodeInit();
  if (r < 0) {
    if (T.FLastErrMsg.empty()) T.RaiseFatal(FormatAVError("transcode_init() error", r));
    T.RaiseFatal(T.FLastErrMsg);
  }
  if (T.FOutputDuration < 0) T.FOutputDuration = T.FInputDuration;

  FTimerStart = ff::av_gettime_relative();
  int64_t lastReport = FTimerStart;
  int j = 0;
  while (!T.FBroken) {
    T.WaitWhilePaused();
    if (T.FBroken) break;

    // The input whose output lags most is read next; a join reads its
    // inputs one after the other.
    int fileIndex = -1;
    double bestOutput = 1e100;
    int64_t bestInput = INT64_MAX;
    if (T.FJoinMode) fileIndex = JoinInputToRead();
    for (size_t i = 0; i < T.Foutput_streams.size() && !T.FJoinMode; ++i) {
      TOutputStream& ost = T.Foutput_streams[i];
      if (ost.source_index < 0) continue;  // attached files read nothing
      const TInputStream& ist = T.Finput_streams[static_cast<size_t>(ost.source_index)];
      const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
      if (ost.is_past_recording_time || FNoPacket[static_cast<size_t>(ist.file_index)]) continue;
      if (of.limit_filesize != NoLimit && of.ctx->pb && ff::avio_seek(of.ctx->pb, 0, SEEK_CUR) >= of.limit_filesize)
        continue;
      const double outputTime = FOutTime[i] == AV_NOPTS_VALUE ? 0.0 : FOutTime[i] / 1e6;
      const int64_t inputTime = ist.pts;
      if (!T.Finput_files[static_cast<size_t>(ist.file_index)].eof_reached) {
        if (inputTime < bestInput) {
          bestInput = inputTime;
          if (T.Finput_sync) fileIndex = ist.file_index;
        }
        if (outputTime < bestOutput) {
          bestOutput = outputTime;
          if (!T.Finput_sync) fileIndex = ist.file_index;
        }
      }
      if (ost.max_frames != NoLimit && ost.frame_number >= ost.max_frames)
        for (TOutputStream& other : T.Foutput_streams)
          if (other.file_index == ost.file_index) other.is_past_recording_time = 1;
    }
    if (fileIndex < 0) {
      if (FNoPacketCount == 0) break;
      std::fill(FNoPacket.begin(), FNoPacket.end(), 0);
      FNoPacketCount = 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }

    TInputFile& ifile = T.Finput_files[static_cast<size_t>(fileIndex)];
    T.FLastRead = ff::av_gettime_relative();
    const int rr = ff::av_read_frame(ifile.ctx, FPacket);
    if (rr == AVERROR(EAGAIN)) {
      FNoPacket[static_cast<size_t>(fileIndex)] = 1;
      ++FNoPacketCount;
      continue;
    }
    if (rr < 0) {
      ifile.eof_reached = 1;
      CheckInputEnd(fileIndex, rr);
      if (T.FJoinMode) {
        if (fileIndex >= T.InputFileCount() - 1) break;
        JoinNextPart();
        continue;
      }
      if (T.Fopt_shortest) break;
      continue;
    }
    j = fileIndex;
    std::fill(FNoPacket.begin(), FNoPacket.end(), 0);
    FNoPacketCount = 0;
    if (T.Fdo_pkt_dump) ff::av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, FPacket, T.Fdo_hex_dump,
                                             ifile.ctx->streams[FPacket->stream_index]);
    if (FPacket->stream_index >= ifile.nb_streams ||
        T.Finput_streams[static_cast<size_t>(ifile.ist_index + FPacket->stream_index)].discard) {
      ff::av_packet_unref(FPacket);
      continue;
    }
    TInputStream& ist = T.Finput_streams[static_cast<size_t>(ifile.ist_index + FPacket->stream_index)];
    const AVRational tb = ist.st->time_base;
    const int64_t offset = ff::av_rescale_q(ifile.ts_offset, kMicro, tb);
    if (FPacket->dts != AV_NOPTS_VALUE) FPacket->dts += offset;
    if (FPacket->pts != AV_NOPTS_VALUE) FPacket->pts += offset;
    if (FPacket->pts != AV_NOPTS_VALUE) FPacket->pts = std::llround(FPacket->pts * ist.ts_scale);
    if (FPacket->dts != AV_NOPTS_VALUE) FPacket->dts = std::llround(FPacket->dts * ist.ts_scale);

    if (FPacket->dts != AV_NOPTS_VALUE && ist.next_pts != AV_NOPTS_VALUE &&
        (ifile.ctx->iformat->flags & AVFMT_TS_DISCONT) && !T.Fcopy_ts) {
      const int64_t dtsUs = ff::av_rescale_q(FPacket->dts, tb, kMicro);
      const int64_t delta = dtsUs - ist.next_pts;
      const double threshold = T.Fdts_delta_threshold * 1e6;
      if (delta < -threshold || (delta > threshold && ist.st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) ||
          dtsUs + 1 < ist.pts) {
        ifile.ts_offset -= delta;
        T.LogMsg(llDebug, TCustomFFmpeg::FormatText("timestamp discontinuity %d, new offset= %d",
                                                    static_cast<int>(delta), static_cast<int>(ifile.ts_offset)));
        const int64_t d = ff::av_rescale_q(delta, kMicro, tb);
        FPacket->dts -= d;
        if (FPacket->pts != AV_NOPTS_VALUE) FPacket->pts -= d;
      }
    }

    if (OutputPacket(ist, FPacket) < 0) {
      const std::string text = TCustomFFmpeg::FormatText("Error while decoding stream #%d:%d (%s)", ist.file_index,
                                                         ist.st->index,
                                                         MediaTypeText(ist.st->codecpar->codec_type).c_str());
      T.LogMsg(llError, text);
      ff::av_packet_unref(FPacket);
      if (T.Fexit_on_error) T.RaiseFatal(text);
      continue;
    }
    ff::av_packet_unref(FPacket);
    const int64_t now = ff::av_gettime_relative();
    if (now - lastReport > T.ReportInterval) {
      lastReport = now;
      PrintReport(now, false, j);
    }
  }
  Ending();
}

// A read that ends in anything but the end of the file, or a file shorter
// than its own index says, is a failed conversion even though what was read
// is written out.
void TTranscodeRun::CheckInputEnd(int fileIndex, int readResult) {
  if (!FInputError.empty() || T.FBroken) return;
  TInputFile& f = T.Finput_files[static_cast<size_t>(fileIndex)];
  if (readResult != AVERROR_EOF) {
    FInputError = FormatAVError(TCustomFFmpeg::FormatText("Error while reading input file #%d", fileIndex),
                                readResult);
    return;
  }
  if (f.ctx->pb && f.ctx->pb->error < 0) {
    FInputError = FormatAVError(TCustomFFmpeg::FormatText("Error while reading input file #%d", fileIndex),
                                f.ctx->pb->error);
    return;
  }
  const int64_t size = f.ctx->pb && !(f.ctx->pb->seekable == 0) ? ff::avio_size(f.ctx->pb) : -1;
  if (size <= 0) return;
  for (unsigned s = 0; s < f.ctx->nb_streams; ++s) {
    if (T.Finput_streams[static_cast<size_t>(f.ist_index) + s].discard) continue;
    AVStream* st = f.ctx->streams[s];
    const int n = ff::avformat_index_get_entries_count(st);
    if (n <= 0) continue;
    const AVIndexEntry* last = ff::avformat_index_get_entry(st, n - 1);
    if (last && last->pos > 0 && last->pos + last->size > size) {
      FInputError = TCustomFFmpeg::FormatText("Input file #%d is truncated: it ends before its last frame",
                                              fileIndex);
      return;
    }
  }
}

int TTranscodeRun::CheckOutputConstraints(TInputStream& ist, TOutputStream& ost) {
  if (ost.source_index < 0 || &T.Finput_streams[static_cast<size_t>(ost.source_index)] != &ist) return 0;
  const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
  // Units before the start are not part of the output; for decoded streams
  // that also drops the pictures decoded from the key frame before an input
  // start time. Copied packets keep their decoding delay.
  if ((of.start_time || ist.decoding_needed) && ist.pts < of.start_time) return 0;
  if (of.recording_time != NoLimit && ist.pts >= of.start_time + of.recording_time) {
    ost.is_past_recording_time = 1;
    return 0;
  }
  return 1;
}

void TTranscodeRun::RateEmulate(TInputStream& ist) {
  if (!T.Finput_files[static_cast<size_t>(ist.file_index)].rate_emu) return;
  const int64_t pts = ff::av_rescale(ist.pts, 1000000, AV_TIME_BASE);
  const int64_t now = ff::av_gettime_relative() - ist.start;
  if (pts > now + 1000) std::this_thread::sleep_for(std::chrono::microseconds(pts - now));
}

int TTranscodeRun::OutputPacket(TInputStream& ist, const AVPacket* pkt) {
  if (ist.next_pts == AV_NOPTS_VALUE) ist.next_pts = ist.pts;
  const AVMediaType type = ist.st->codecpar->codec_type;
  if (pkt && pkt->dts != AV_NOPTS_VALUE && (type != AVMEDIA_TYPE_VIDEO || !ist.decoding_needed))
    ist.next_pts = ist.pts = ff::av_rescale_q(pkt->dts, ist.st->time_base, kMicro);

  if (ist.decoding_needed) {
    if (type == AVMEDIA_TYPE_SUBTITLE) {
      if (pkt) {
        const int r = TranscodeSubtitles(ist, pkt);
        if (r < 0) return r;
      }
    } else if (!ist.decoder_flushed) {
      int r = ff::avcodec_send_packet(ist.dec_ctx, pkt);
      if (!pkt) ist.decoder_flushed = 1;
      if (r < 0 && r != AVERROR_EOF) return r;
      int frames = 0;
      for (;;) {
        r = ff::avcodec_receive_frame(ist.dec_ctx, FDecoded);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
        if (r < 0) return r;
        ++frames;
        if (frames == 2 && pkt) {
          const int level = ist.showed_multi_packet_warning ? llVerbose : llWarning;
          ist.showed_multi_packet_warning = 1;
          T.LogMsg(static_cast<TLogLevel>(level),
                   TCustomFFmpeg::FormatText("Multiple frames in a packet from stream %d", pkt->stream_index));
        }
        ist.pts = ist.next_pts;
        r = type == AVMEDIA_TYPE_VIDEO ? TranscodeVideo(ist, FDecoded) : TranscodeAudio(ist, FDecoded);
        ff::av_frame_unref(FDecoded);
        if (r < 0) return r;
      }
      if (!pkt && type == AVMEDIA_TYPE_VIDEO)
        // The graphs hold pictures back (yadif, frame-rate filters): they
        // come out once the source is closed.
        for (TOutputStream& ost : T.Foutput_streams)
          if (ost.encoding_needed && ost.input_video_filter &&
              &T.Finput_streams[static_cast<size_t>(ost.source_index)] == &ist) {
            if (ff::av_buffersrc_add_frame_flags(ost.input_video_filter, nullptr, 0) < 0)
              T.LogMsg(llWarning, "Failed to close the filter network's source");
            PullVideoFrames(ist, ost);
          }
    }
  } else if (pkt) {
    RateEmulate(ist);
    ist.pts = ist.next_pts;
    if (type == AVMEDIA_TYPE_VIDEO) {
      if (pkt->duration)
        ist.next_pts += ff::av_rescale_q(pkt->duration, ist.st->time_base, kMicro);
      else if (ist.st->avg_frame_rate.num)
        ist.next_pts += ff::av_rescale_q(1, AVRational{ist.st->avg_frame_rate.den, ist.st->avg_frame_rate.num},
                                         kMicro);
    } else if (type == AVMEDIA_TYPE_AUDIO && ist.st->codecpar->sample_rate) {
      const int samples = ist.st->codecpar->frame_size;
      if (samples > 0) ist.next_pts += static_cast<int64_t>(1000000) * samples / ist.st->codecpar->sample_rate;
    }
  }
  if (pkt)
    for (TOutputStream& ost : T.Foutput_streams)
      if (ost.encoding_needed != 1 && CheckOutputConstraints(ist, ost)) DoStreamCopy(ist, ost, pkt);
  return 0;
}

void TTranscodeRun::DoStreamCopy(TInputStream& ist, TOutputStream& ost, const AVPacket* pkt) {
  const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
  const int64_t startOffset = ff::av_rescale_q(of.start_time, kMicro, ost.st->time_base);
  if (!ost.frame_number && !(pkt->flags & AV_PKT_FLAG_KEY) && !ost.copy_initial_nonkeyframes) return;
  const AVMediaType type = ist.st->codecpar->codec_type;
  if (type == AVMEDIA_TYPE_AUDIO) T.Faudio_size += pkt->size;
  if (type == AVMEDIA_TYPE_VIDEO) {
    T.Fvideo_size += pkt->size;
    ++ost.sync_opts;
  }
  AVPacket* out = FOutPacket;
  if (ff::av_packet_ref(out, pkt) < 0) T.RaiseFatal("Out of memory");
  out->stream_index = ost.index;
  out->pts = pkt->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE
                                        : ff::av_rescale_q(pkt->pts, ist.st->time_base, ost.st->time_base) -
                                              startOffset;
  out->dts = (pkt->dts == AV_NOPTS_VALUE ? ff::av_rescale_q(ist.pts, kMicro, ost.st->time_base)
                                         : ff::av_rescale_q(pkt->dts, ist.st->time_base, ost.st->time_base)) -
             startOffset;
  out->duration = ff::av_rescale_q(pkt->duration, ist.st->time_base, ost.st->time_base);
  if (ost.last_dts != AV_NOPTS_VALUE && out->dts <= ost.last_dts) out->dts = ost.last_dts + 1;
  if (out->pts != AV_NOPTS_VALUE && out->pts < out->dts) out->pts = out->dts;
  ost.last_dts = out->dts;
  out->time_base = ost.st->time_base;
  WriteFrame(ost, out);
  ++ost.frame_number;
}

void TTranscodeRun::WriteFrame(TOutputStream& ost, AVPacket* pkt) {
  if (!ost.bitstream_filters) {
    MuxPacket(ost, pkt);
    return;
  }
  int r = ff::av_bsf_send_packet(ost.bitstream_filters, pkt);
  if (r < 0) {
    const std::string text =
        FormatAVError(TCustomFFmpeg::FormatText("%s failed for stream %d, codec %s",
                                                ost.bitstream_filter_names.c_str(), ost.index,
                                                ost.stream_copy ? "copy" : ff::avcodec_get_name(ost.enc_ctx->codec_id)),
                      r);
    if (T.Fexit_on_error) T.RaiseFatal(text);
    T.LogMsg(llError, text);
    MuxPacket(ost, pkt);
    return;
  }
  while ((r = ff::av_bsf_receive_packet(ost.bitstream_filters, pkt)) >= 0) MuxPacket(ost, pkt);
}

void TTranscodeRun::MuxPacket(TOutputStream& ost, AVPacket* pkt) {
  if (T.FJoinMode && pkt->dts != AV_NOPTS_VALUE) {
    // An encoder made afresh for the next part starts with its own delay;
    // the stream's times must still rise.
    if (FJoinLastDts.size() <= static_cast<size_t>(ost.index))
      FJoinLastDts.resize(static_cast<size_t>(ost.index) + 1, AV_NOPTS_VALUE);
    int64_t& last = FJoinLastDts[static_cast<size_t>(ost.index)];
    if (last != AV_NOPTS_VALUE && pkt->dts <= last) {
      pkt->dts = last + 1;
      if (pkt->pts != AV_NOPTS_VALUE && pkt->pts < pkt->dts) pkt->pts = pkt->dts;
    }
    last = pkt->dts;
  }
  const size_t row = RowOf(ost);
  if (row < FOutTime.size() && pkt->dts != AV_NOPTS_VALUE) {
    const int64_t end = ff::av_rescale_q(pkt->dts + pkt->duration, ost.st->time_base, kMicro);
    if (FOutTime[row] == AV_NOPTS_VALUE || end > FOutTime[row]) FOutTime[row] = end;
    const int64_t shown = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    const int64_t shownEnd = ff::av_rescale_q(shown + pkt->duration, ost.st->time_base, kMicro);
    if (row < FOutEnd.size() && (FOutEnd[row] == AV_NOPTS_VALUE || shownEnd > FOutEnd[row])) FOutEnd[row] = shownEnd;
  }
  AVFormatContext* oc = T.Foutput_files[static_cast<size_t>(T.FJoinMode ? 0 : ost.file_index)].ctx;
  T.FLastWrite = ff::av_gettime_relative();
  const int r = ff::av_interleaved_write_frame(oc, pkt);
  if (r < 0) T.RaiseFatal(FormatAVError("av_interleaved_write_frame()", r));
}
