// The streams of an output file: encoder or stream copy, and the per-stream
// options of the option context copied into the encoder context and record.
#include <climits>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFmpeg.h"
#include "engine/OptionValues.h"

void TCustomFFmpeg::ChooseEncoder(TOptionsContext*, AVFormatContext* oc, TOutputStream& ost) {
  const char* name = nullptr;
  MatchCodecName(oc, ost.st, name);
  const AVMediaType type = ost.st->codecpar->codec_type;
  if (name && std::strcmp(name, "copy") == 0) {
    ost.stream_copy = 1;
  } else if (name) {
    ost.enc = FindCodecOrFail(name, type, true);
    ost.st->codecpar->codec_id = ost.enc->id;
  } else {
    const AVCodecID id = ff::av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, type);
    ost.st->codecpar->codec_id = id;
    ost.enc = ff::avcodec_find_encoder(id);
  }
}

TOutputStream& TCustomFFmpeg::NewOutputStream(TOptionsContext* o, AVFormatContext* oc, AVMediaType type) {
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) RaiseFatal("Could not alloc stream.");
  const int idx = st->index;
  if (idx < o->nb_streamid_map) st->id = o->streamid_map[idx];

  Foutput_streams.emplace_back();
  TOutputStream& ost = Foutput_streams.back();
  ost.file_index = OutputFileCount();
  ost.index = idx;
  ost.st = st;
  ost.last_dts = AV_NOPTS_VALUE;
  st->codecpar->codec_type = type;

  ChooseEncoder(o, oc, ost);
  if (ost.enc) ost.opts = FilterCodecOpts(FOptions.codec_opts, ost.enc, oc, st);

  ost.enc_ctx = ff::avcodec_alloc_context3(ost.enc);
  if (!ost.enc_ctx) RaiseFatal("Could not alloc stream.");
  ost.enc_ctx->codec_type = type;
  ost.enc_ctx->codec_id = st->codecpar->codec_id;

  ost.max_frames = NoLimit;
  MatchMaxFrames(oc, st, ost.max_frames);

  const char* bsfs = nullptr;
  MatchBitstreamFilters(oc, st, bsfs);
  if (bsfs && *bsfs) {
    // Each name must exist; the chain itself is built when the header is
    // written, from the stream's final parameters.
    std::string list = bsfs;
    size_t start = 0;
    while (start <= list.size()) {
      size_t comma = list.find(',', start);
      if (comma == std::string::npos) comma = list.size();
      const std::string name = list.substr(start, comma - start);
      if (!ff::av_bsf_get_by_name(name.c_str())) RaiseFatalFmt("Unknown bitstream filter \"%s\"", name.c_str());
      start = comma + 1;
    }
    ost.bitstream_filter_names = list;
  }

  const char* tag = nullptr;
  MatchCodecTag(oc, st, tag);
  if (tag) {
    st->codecpar->codec_tag = CodecTagFromText(tag);
    ost.enc_ctx->codec_tag = st->codecpar->codec_tag;
  }

  double quality = -1.0;
  MatchQscale(oc, st, quality);
  if (quality >= 0 || Fsame_quant) {
    ost.enc_ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ost.enc_ctx->global_quality = static_cast<int>(quality * FF_QP2LAMBDA);
  }
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) ost.enc_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  int64_t swsFlags = 0;
  if (FOptions.sws_opts) ff::av_opt_get_int(FOptions.sws_opts, "sws_flags", 0, &swsFlags);
  ost.sws_flags = swsFlags;
  return ost;
}

double TCustomFFmpeg::ParseFrameAspectRatio(const char* text) {
  const double ar = ParseAspectText(text);
  if (ar == 0) RaiseFatal("Incorrect aspect ratio specification.");
  return ar;
}

void TCustomFFmpeg::ParseForcedKeyFrames(const char* text, TOutputStream& ost) {
  int n = 1;
  for (const char* p = text; *p; ++p)
    if (*p == ',') ++n;
  ost.forced_kf_count = n;
  ost.forced_kf_pts = static_cast<int64_t*>(ff::av_malloc(sizeof(int64_t) * static_cast<size_t>(n)));
  if (!ost.forced_kf_pts) RaiseFatal("Could not allocate forced key frames array.");
  const char* p = text;
  for (int i = 0; i < n; ++i) {
    const char* comma = std::strchr(p, ',');
    const std::string item = comma ? std::string(p, comma) : std::string(p);
    // Each time ends at the next comma: the library's time reader takes no
    // trailing text.
    ost.forced_kf_pts[i] = ParseTime("force_key_frames", item.c_str(), 1);
    p = comma ? comma + 1 : p + std::strlen(p);
  }
}

void TCustomFFmpeg::ParseMatrixCoeffs(uint16_t* dest, const char* text) {
  const int failed = ParseMatrixText(text, dest);
  if (failed >= 0) RaiseFatalFmt("Syntax error in matrix \"%s\" at coeff %d", text, failed);
}

TOutputStream& TCustomFFmpeg::NewVideoStream(TOptionsContext* o, AVFormatContext* oc) {
  TOutputStream& ost = NewOutputStream(o, oc, AVMEDIA_TYPE_VIDEO);
  AVStream* st = ost.st;
  AVCodecContext* c = ost.enc_ctx;
  MatchCopyInitialNonkeyframes(oc, st, ost.copy_initial_nonkeyframes);
  if (ost.stream_copy) return ost;

  const char* rate = nullptr;
  MatchFrameRate(oc, st, rate);
  if (rate && ff::av_parse_video_rate(&ost.frame_rate, rate) < 0) RaiseFatalFmt("Invalid framerate value: %s", rate);
  const char* size = nullptr;
  MatchFrameSize(oc, st, size);
  if (size && ff::av_parse_video_size(&c->width, &c->height, size) < 0)
    RaiseFatalFmt("Invalid frame size: %s.", size);
  const char* aspect = nullptr;
  MatchFrameAspectRatio(oc, st, aspect);
  if (aspect) ost.frame_aspect_ratio = static_cast<float>(ParseFrameAspectRatio(aspect));
  c->bits_per_raw_sample = Fframe_bits_per_raw_sample;
  const char* pixFmt = nullptr;
  MatchFramePixFmt(oc, st, pixFmt);
  if (pixFmt) {
    c->pix_fmt = ff::av_get_pix_fmt(pixFmt);
    if (c->pix_fmt == AV_PIX_FMT_NONE) RaiseFatalFmt("Unknown pixel format requested: %s.", pixFmt);
  }
  st->sample_aspect_ratio = c->sample_aspect_ratio;
  if (Fintra_only) c->gop_size = 0;

  const char* matrix = nullptr;
  MatchIntraMatrix(oc, st, matrix);
  if (matrix) {
    c->intra_matrix = static_cast<uint16_t*>(ff::av_mallocz(sizeof(uint16_t) * 64));
    if (!c->intra_matrix) RaiseFatal("Could not allocate memory for intra matrix.");
    ParseMatrixCoeffs(c->intra_matrix, matrix);
  }
  matrix = nullptr;
  MatchInterMatrix(oc, st, matrix);
  if (matrix) {
    c->inter_matrix = static_cast<uint16_t*>(ff::av_mallocz(sizeof(uint16_t) * 64));
    if (!c->inter_matrix) RaiseFatal("Could not allocate memory for inter matrix.");
    ParseMatrixCoeffs(c->inter_matrix, matrix);
  }

  const char* rc = nullptr;
  MatchRcOverride(oc, st, rc);
  if (rc) {
    std::vector<TRcOverrideItem> items;
    if (!ParseRcOverrideText(rc, items)) RaiseFatal("error parsing rc_override");
    c->rc_override =
        static_cast<RcOverride*>(ff::av_realloc(c->rc_override, sizeof(RcOverride) * items.size()));
    if (!c->rc_override) RaiseFatal("error parsing rc_override");
    for (size_t i = 0; i < items.size(); ++i) {
      RcOverride& r = c->rc_override[i];
      r.start_frame = items[i].start_frame;
      r.end_frame = items[i].end_frame;
      if (items[i].q > 0) {
        r.qscale = items[i].q;
        r.quality_factor = 1.0f;
      } else {
        r.qscale = 0;
        r.quality_factor = -items[i].q / 100.0f;
      }
    }
    c->rc_override_count = static_cast<int>(items.size());
  }
  if (!c->rc_initial_buffer_occupancy) c->rc_initial_buffer_occupancy = c->rc_buffer_size * 3 / 4;
  c->intra_dc_precision = Fintra_dc_precision - 8;
  if (Fdo_psnr) c->flags |= AV_CODEC_FLAG_PSNR;
  if (Fdo_pass & 1) c->flags |= AV_CODEC_FLAG_PASS1;
  if (Fdo_pass & 2) c->flags |= AV_CODEC_FLAG_PASS2;

  const char* kf = nullptr;
  MatchForcedKeyFrames(oc, st, kf);
  if (kf) ParseForcedKeyFrames(kf, ost);
  MatchForceFps(oc, st, ost.force_fps);
  ost.top_field_first = -1;
  MatchTopFieldFirst(oc, st, ost.top_field_first);
  const char* filters = nullptr;
  MatchFilters(oc, st, filters);
  if (filters) ost.avfilter = ff::av_strdup(filters);
  return ost;
}

TOutputStream& TCustomFFmpeg::NewAudioStream(TOptionsContext* o, AVFormatContext* oc, int sourceIndex) {
  TOutputStream& ost = NewOutputStream(o, oc, AVMEDIA_TYPE_AUDIO);
  AVStream* st = ost.st;
  AVCodecContext* c = ost.enc_ctx;
  if (!ost.stream_copy) {
    int channels = 0;
    MatchAudioChannels(oc, st, channels);
    if (channels > 0) {
      ff::av_channel_layout_uninit(&c->ch_layout);
      ff::av_channel_layout_default(&c->ch_layout, channels);
    }
    const char* sampleFmt = nullptr;
    MatchSampleFmt(oc, st, sampleFmt);
    if (sampleFmt) {
      c->sample_fmt = ff::av_get_sample_fmt(sampleFmt);
      if (c->sample_fmt == AV_SAMPLE_FMT_NONE) RaiseFatalFmt("Invalid sample format \"%s\"", sampleFmt);
    }
    MatchAudioSampleRate(oc, st, c->sample_rate);
    ost.rematrix_volume = 1.0f;
    MatchRematrixVolume(oc, st, ost.rematrix_volume);
  }
  const TInputStream* source =
      sourceIndex >= 0 && sourceIndex < InputStreamCount() ? &Finput_streams[static_cast<size_t>(sourceIndex)] : nullptr;
  for (int i = 0; i < o->nb_audio_channel_maps; ++i) {
    const TAudioChannelMap& map = o->audio_channel_maps[i];
    const bool fromSource =
        map.channel_idx == -1 ||
        (source && source->file_index == map.file_idx && source->st->index == map.stream_idx);
    const bool toThis = (map.ofile_idx == -1 || map.ofile_idx == ost.file_index) &&
                        (map.ostream_idx == -1 || map.ostream_idx == st->index);
    if (!fromSource || !toThis) continue;
    if (ost.audio_channels_mapped >= 16)
      RaiseFatalFmt("Max channel mapping for output %d.%d reached", ost.file_index, st->index);
    ost.audio_channels_map[ost.audio_channels_mapped++] = map.channel_idx;
  }
  return ost;
}

TOutputStream& TCustomFFmpeg::NewSubtitleStream(TOptionsContext* o, AVFormatContext* oc) {
  return NewOutputStream(o, oc, AVMEDIA_TYPE_SUBTITLE);
}

TOutputStream& TCustomFFmpeg::NewAttachmentStream(TOptionsContext* o, AVFormatContext* oc) {
  TOutputStream& ost = NewOutputStream(o, oc, AVMEDIA_TYPE_ATTACHMENT);
  ost.stream_copy = 1;
  return ost;
}

TOutputStream& TCustomFFmpeg::NewDataStream(TOptionsContext* o, AVFormatContext* oc) {
  TOutputStream& ost = NewOutputStream(o, oc, AVMEDIA_TYPE_DATA);
  if (!ost.stream_copy) RaiseFatal("Data stream encoding not supported yet (only streamcopy)");
  return ost;
}
