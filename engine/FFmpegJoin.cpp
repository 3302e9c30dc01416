// Join: several inputs converted one after the other into one output, as if
// they were one long input. Each input has its own part of output-stream
// rows (its own filter graph, resampler and FIFO) over the one muxer and the
// one set of encoders; at the end of an input the encoders are drained and
// made afresh, the counters carry over and the next input's times are moved
// to start where the output stands.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFmpegRun.h"

namespace {

uint16_t* CopyMatrix(const uint16_t* m) {
  if (!m) return nullptr;
  auto* copy = static_cast<uint16_t*>(ff::av_malloc(sizeof(uint16_t) * 64));
  if (copy) std::memcpy(copy, m, sizeof(uint16_t) * 64);
  return copy;
}

// A fresh encoder context with the settings of an opened one; the encoder's
// private settings come back with its option dictionary when it opens.
AVCodecContext* CloneEncoderContext(const AVCodecContext* old, const AVCodec* codec) {
  AVCodecContext* c = ff::avcodec_alloc_context3(codec);
  if (!c) return nullptr;
  AVCodecParameters* par = ff::avcodec_parameters_alloc();
  if (!par || ff::avcodec_parameters_from_context(par, old) < 0 || ff::avcodec_parameters_to_context(c, par) < 0) {
    ff::avcodec_parameters_free(&par);
    ff::avcodec_free_context(&c);
    return nullptr;
  }
  ff::avcodec_parameters_free(&par);
  // The encoder makes its own header data again.
  ff::av_freep(&c->extradata);
  c->extradata_size = 0;
  c->codec_type = old->codec_type;
  c->codec_id = old->codec_id;
  c->codec_tag = old->codec_tag;
  c->time_base = old->time_base;
  c->framerate = old->framerate;
  c->flags = old->flags;
  c->flags2 = old->flags2;
  c->global_quality = old->global_quality;
  c->gop_size = old->gop_size;
  c->max_b_frames = old->max_b_frames;
  c->intra_dc_precision = old->intra_dc_precision;
  c->rc_buffer_size = old->rc_buffer_size;
  c->rc_max_rate = old->rc_max_rate;
  c->rc_min_rate = old->rc_min_rate;
  c->rc_initial_buffer_occupancy = old->rc_initial_buffer_occupancy;
  c->strict_std_compliance = old->strict_std_compliance;
  c->qmin = old->qmin;
  c->qmax = old->qmax;
  c->bits_per_raw_sample = old->bits_per_raw_sample;
  c->chroma_sample_location = old->chroma_sample_location;
  c->intra_matrix = CopyMatrix(old->intra_matrix);
  c->inter_matrix = CopyMatrix(old->inter_matrix);
  if (old->rc_override && old->rc_override_count > 0) {
    const size_t bytes = sizeof(RcOverride) * static_cast<size_t>(old->rc_override_count);
    c->rc_override = static_cast<RcOverride*>(ff::av_malloc(bytes));
    if (c->rc_override) {
      std::memcpy(c->rc_override, old->rc_override, bytes);
      c->rc_override_count = old->rc_override_count;
    }
  }
  return c;
}

}  // namespace

int TCustomFFmpeg::PrepareJoin() {
  if (!FJoinMode || Foutput_files.empty() || !Foutput_files[0].ctx)
    throw Exception("Assertion failed: join mode is not set (FFmpeg)");
  const int n = static_cast<int>(Foutput_files[0].ctx->nb_streams);
  Fnb_output_streams_join = n;
  for (int k = 1; k < InputFileCount(); ++k) {
    if (AddJoinOutputGroup(k) < 0) {
      ResetOptions(&optctx, false);
      return -1;
    }
  }
  // Every part feeds the one set of encoders of the first part.
  for (int r = n; r < OutputStreamCount(); ++r) {
    TOutputStream& ost = Foutput_streams[static_cast<size_t>(r)];
    const TOutputStream& first = Foutput_streams[static_cast<size_t>(r % n)];
    ost.enc_ctx = first.enc_ctx;
    ost.enc = first.enc;
  }
  int64_t sum = 0;
  for (const TInputFile& f : Finput_files)
    if (f.ctx && f.ctx->duration != AV_NOPTS_VALUE && f.ctx->duration > 0) sum += f.ctx->duration;
  FOutputDuration = sum > 0 ? sum : -1;
  ResetOptions(&optctx, false);
  return 0;
}

// ---- the run -------------------------------------------------------------------

void TTranscodeRun::SaveJoinTemplate(TOutputStream& ost) {
  const size_t row = RowOf(ost);
  if (FJoinTemplates.size() <= row) FJoinTemplates.resize(row + 1, nullptr);
  if (FJoinTemplates[row]) ff::avcodec_free_context(&FJoinTemplates[row]);
  FJoinTemplates[row] = CloneEncoderContext(ost.enc_ctx, ost.enc);
}

void TTranscodeRun::FreeJoinTemplates() {
  for (AVCodecContext*& c : FJoinTemplates)
    if (c) ff::avcodec_free_context(&c);
  FJoinTemplates.clear();
}

int TTranscodeRun::JoinInputToRead() const {
  const size_t n = static_cast<size_t>(T.Fnb_output_streams_join);
  const size_t from = static_cast<size_t>(FJoinPart) * n;
  for (size_t r = from; r < from + n && r < T.Foutput_streams.size(); ++r) {
    const TOutputStream& ost = T.Foutput_streams[r];
    if (ost.max_frames != NoLimit && ost.frame_number >= ost.max_frames) return -1;
  }
  return FJoinPart;
}

void TTranscodeRun::ReopenJoinEncoders() {
  const int n = T.Fnb_output_streams_join;
  for (int i = 0; i < n; ++i) {
    TOutputStream& ost = T.Foutput_streams[static_cast<size_t>(i)];
    if (!ost.encoding_needed) continue;
    if (!ost.enc_ctx || !ost.enc) throw Exception("Assertion failed: join stream without encoder (FFmpeg)");
    AVCodecContext* old = ost.enc_ctx;
    // Made from the settings as they were before the first opening: an
    // opened encoder writes back values of its own (no B-frames, say).
    const AVCodecContext* from =
        static_cast<size_t>(i) < FJoinTemplates.size() && FJoinTemplates[static_cast<size_t>(i)]
            ? FJoinTemplates[static_cast<size_t>(i)]
            : old;
    AVCodecContext* c = CloneEncoderContext(from, ost.enc);
    if (!c) T.RaiseFatal("Out of memory");
    TCustomFFmpeg::RemoveCodecEntry(T.FEncoderList, &ost);
    for (size_t r = static_cast<size_t>(i); r < T.Foutput_streams.size(); r += static_cast<size_t>(n))
      if (T.Foutput_streams[r].enc_ctx == old) T.Foutput_streams[r].enc_ctx = c;
    if (old->stats_in) ff::av_freep(&old->stats_in);
    ff::avcodec_free_context(&old);
    c->codec_id = ost.codec_id_join != AV_CODEC_ID_NONE ? ost.codec_id_join : c->codec_id;
    ff::av_dict_free(&ost.opts_join);
    ff::av_dict_copy(&ost.opts_join, ost.opts, 0);
    // The stream keeps the picture's aspect; the encoder takes it in terms
    // it can store.
    if (ost.st->sample_aspect_ratio.num > 0)
      ff::av_reduce(&c->sample_aspect_ratio.num, &c->sample_aspect_ratio.den, ost.st->sample_aspect_ratio.num,
                    ost.st->sample_aspect_ratio.den, 255);
    if (!ff::av_dict_get(ost.opts, "threads", nullptr, 0)) ff::av_dict_set(&ost.opts, "threads", "auto", 0);
    if (ff::avcodec_open2(c, ost.enc, &ost.opts) < 0)
      T.RaiseFatalFmt(
          "Error while opening encoder for output stream #%d:%d (%s) - maybe incorrect parameters such as "
          "bit_rate, rate, width or height. Please check error log message(reported by ZIVoveva) to find out more "
          "detail information.",
          ost.file_index, ost.index, MediaTypeText(c->codec_type).c_str());
    TCustomFFmpeg::AddCodecEntry(T.FEncoderList, &ost);
    ff::av_dict_free(&ost.opts);
    ost.opts = ost.opts_join;
    ost.opts_join = nullptr;
  }
}

void TTranscodeRun::JoinNextPart() {
  const int j = FJoinPart;
  const size_t n = static_cast<size_t>(T.Fnb_output_streams_join);
  const TInputFile& in = T.Finput_files[static_cast<size_t>(j)];
  // What the decoders and filter graphs of this input still hold goes out
  // through this part's rows.
  for (int s = 0; s < in.nb_streams; ++s) {
    TInputStream& ist = T.Finput_streams[static_cast<size_t>(in.ist_index + s)];
    if (!ist.decoding_needed || ist.decoder_flushed || ist.st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
      continue;
    OutputPacket(ist, nullptr);
    if (ist.dec_ctx) ff::avcodec_flush_buffers(ist.dec_ctx);
    ist.decoder_flushed = 1;
  }
  FlushEncoders((static_cast<size_t>(j) + 1) * n);
  ReopenJoinEncoders();
  for (size_t r = (static_cast<size_t>(j) + 1) * n; r < T.Foutput_streams.size(); ++r) {
    TOutputStream& ost = T.Foutput_streams[r];
    const TOutputStream& prev = T.Foutput_streams[r - n];
    ost.sync_opts = prev.sync_opts;
    ost.frame_number = prev.frame_number;
    ost.last_dts = prev.last_dts;
    if (ost.sync_ist && prev.sync_ist) ost.sync_ist->pts = prev.sync_ist->pts;
    // The parts share the library's streams and with them their position.
    if (r < FOutTime.size()) FOutTime[r] = FOutTime[r - n];
    if (r < FOutEnd.size()) FOutEnd[r] = FOutEnd[r - n];
  }
  int64_t end = 0;
  for (size_t r = static_cast<size_t>(j) * n; r < (static_cast<size_t>(j) + 1) * n; ++r) {
    TOutputStream& ost = T.Foutput_streams[r];
    if (r < FOutTime.size() && FOutTime[r] != AV_NOPTS_VALUE) end = std::max(end, FOutTime[r]);
    ost.not_show_fps = 1;
  }
  TInputFile& next = T.Finput_files[static_cast<size_t>(j) + 1];
  next.ts_offset += end;
  // Its audio rows get their own sample queue in the encoders' format.
  for (size_t r = (static_cast<size_t>(j) + 1) * n; r < (static_cast<size_t>(j) + 2) * n && r < T.Foutput_streams.size();
       ++r) {
    TOutputStream& ost = T.Foutput_streams[r];
    if (ost.encoding_needed && !ost.fifo && ost.enc_ctx && ost.enc_ctx->codec_type == AVMEDIA_TYPE_AUDIO) {
      const int frameSize = ost.enc_ctx->frame_size > 0 ? ost.enc_ctx->frame_size : 1024;
      ost.fifo = ff::av_audio_fifo_alloc(ost.enc_ctx->sample_fmt, ost.enc_ctx->ch_layout.nb_channels, frameSize);
      if (!ost.fifo) T.RaiseFatal("av_fifo_alloc failed");
    }
  }
  FJoinPart = j + 1;
}
