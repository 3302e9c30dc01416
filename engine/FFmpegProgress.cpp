// Progress of a run (status line and progress event), and its ending:
// draining decoders, filter graphs and encoders, trailers, the final report
// and the release of what the run opened.
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFmpegRun.h"
#include "engine/SwResampleStubs.h"
#include "engine/SwScaleStubs.h"

size_t TTranscodeRun::RowOf(const TOutputStream& ost) const {
  for (size_t i = 0; i < T.Foutput_streams.size(); ++i)
    if (&T.Foutput_streams[i] == &ost) return i;
  return T.Foutput_streams.size();
}

size_t TTranscodeRun::RowOf(const TInputStream& ist) const {
  for (size_t i = 0; i < T.Finput_streams.size(); ++i)
    if (&T.Finput_streams[i] == &ist) return i;
  return T.Finput_streams.size();
}

void TTranscodeRun::PrintReport(int64_t now, bool isFinal, int fileIndex) {
  if (!T.Fprint_stats && !isFinal && !T.FOnProgress) return;
  int frameCount = -1;
  int fps = -1;
  float quality = -1;
  int64_t currentTime = INT64_MAX;
  int64_t totalSize = 0;
  AVFormatContext* oc = T.Foutput_files.empty() ? nullptr : T.Foutput_files[0].ctx;
  if (oc && oc->pb) {
    totalSize = ff::avio_size(oc->pb);
    if (totalSize < 0) totalSize = ff::avio_seek(oc->pb, 0, SEEK_CUR);
    if (totalSize < 0) totalSize = 0;
  }
  std::string text;
  size_t from = 0;
  size_t to = T.Foutput_streams.size();
  if (T.FJoinMode && T.Fnb_output_streams_join > 0) {
    const int part = isFinal ? T.InputFileCount() - 1 : fileIndex;
    from = static_cast<size_t>(part * T.Fnb_output_streams_join);
    to = std::min(to, from + static_cast<size_t>(T.Fnb_output_streams_join));
  }
  bool frameText = false;
  for (size_t i = from; i < to; ++i) {
    const TOutputStream& ost = T.Foutput_streams[i];
    const bool video = ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    // The first shown video stream that has no frame yet does not count at
    // all, not even for the time.
    if (!frameText && video && !ost.not_show_fps && ost.frame_number < 1) continue;
    // Nor does a video stream whose encoder still holds its first pictures
    // back (H.264 look-ahead): it has written nothing, and counting it would
    // hold the progress at nought for the first seconds. Any other stream
    // that has written nothing yet holds the time at nought.
    if (i < FOutEnd.size()) {
      if (FOutEnd[i] != AV_NOPTS_VALUE)
        currentTime = std::min(currentTime, FOutEnd[i]);
      else if (!video)
        currentTime = 0;
    }
    quality = ost.stream_copy || i >= FQuality.size() ? -1.0f : FQuality[i];
    if (frameText && video) text += TCustomFFmpeg::FormatText("q=%2.1f ", quality);
    if (!frameText && video && !ost.not_show_fps) {
      const double elapsed = (now - FTimerStart) / 1e6;
      frameCount = ost.frame_number;
      fps = elapsed > 1 ? static_cast<int>(frameCount / elapsed + 0.5) : 0;
      text += TCustomFFmpeg::FormatText("frame=%5d fps=%3d q=%3.1f ", frameCount, fps, quality);
      if (isFinal) text += "L";
      if (T.Fqp_hist) {
        const int q = static_cast<int>(std::lround(quality));
        if (q >= 0 && q < 52) ++T.Fqp_histogram[q];
        for (int k = 0; k < 32; ++k)
          text += TCustomFFmpeg::FormatText("%X", static_cast<int>(std::lround(std::log2(T.Fqp_histogram[k] + 1))));
      }
      frameText = true;
    }
  }
  // Before any stream has written, the time is nought rather than "none".
  if (currentTime == INT64_MAX) currentTime = 0;
  // A video stream that starts counting late must not move the time back.
  currentTime = std::max(currentTime, FReportedTime);
  FReportedTime = currentTime;
  const double bitrate = currentTime > 0 ? totalSize * 8.0 / (currentTime / 1000.0) : 0;
  const int64_t seconds = currentTime / 1000000;
  text += TCustomFFmpeg::FormatText(
      "size=%8.0fkB time=%02d:%02d:%02d.%02d bitrate=%6.1fkbits/s", totalSize / 1024.0,
      static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
      static_cast<int>(currentTime % 1000000 / 10000), bitrate);
  if (text.size() > 1023) text.resize(1023);
  if (T.Fnb_frames_dup || T.Fnb_frames_drop) {
    text += TCustomFFmpeg::FormatText(" dup=%d drop=%d", T.Fnb_frames_dup, T.Fnb_frames_drop);
    if (T.FShowDupOrDrop && T.FOnProgress) {
      T.FShowDupOrDrop = false;
      T.LogMsg(llInfo, text);
    }
  }
  if (T.FOnProgress)
    T.FOnProgress(&T, isFinal ? -1 : fileIndex, frameCount, fps, quality, static_cast<float>(bitrate), totalSize,
                  currentTime, T.FOutputDuration);
  else if (T.Fprint_stats)
    T.LogMsg(llInfo, text);

  if (isFinal) {
    const double sum = static_cast<double>(T.Fvideo_size + T.Faudio_size + T.Fextra_size);
    const std::string overhead =
        sum > 0 ? TCustomFFmpeg::FormatText("%f%%", (totalSize - sum) * 100.0 / sum) : std::string("unknown");
    T.LogMsg(llInfo, TCustomFFmpeg::FormatText("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead ",
                                               T.Fvideo_size / 1024.0, T.Faudio_size / 1024.0,
                                               T.Fextra_size / 1024.0) +
                         overhead + "\r\n");
    if (sum == 0)
      T.LogMsg(llWarning,
               "Output file is empty, nothing was encoded (check -ss / -t / -frames parameters if used)");
  }
}

void TTranscodeRun::FlushDecoders() {
  for (TInputStream& ist : T.Finput_streams)
    if (ist.decoding_needed && ist.decoder_flushed != 1 && ist.st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) {
      // Also after Stop: what the decoder holds back still belongs to the
      // part already read (audio decoders keep samples back).
      if (OutputPacket(ist, nullptr) < 0) ist.decoder_flushed = 1;
    }
}

void TTranscodeRun::FlushEncoders(size_t rows) {
  for (size_t i = 0; i < T.Foutput_streams.size() && i < rows; ++i) {
    TOutputStream& ost = T.Foutput_streams[i];
    if (ost.encoder_flushed || !ost.encoding_needed || !ost.enc_ctx || !ff::avcodec_is_open(ost.enc_ctx)) continue;
    ost.encoder_flushed = 1;
    const AVMediaType type = ost.enc_ctx->codec_type;
    if (type == AVMEDIA_TYPE_AUDIO) EncodeAudioFifo(ost, true);
    if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) continue;
    EncodeFrame(ost, nullptr);
  }
}

void TTranscodeRun::Ending() {
  T.FEnding = true;
  FlushDecoders();
  // Parts of a join not reached yet have nothing in the shared encoders.
  FlushEncoders(T.FJoinMode ? (static_cast<size_t>(FJoinPart) + 1) * static_cast<size_t>(T.Fnb_output_streams_join)
                            : SIZE_MAX);
  for (size_t i = 0; i < T.Foutput_files.size(); ++i) {
    if (T.FJoinMode && i > 0) break;
    // Packets held by the bitstream filters go out before the trailer.
    for (TOutputStream& ost : T.Foutput_streams)
      if (ost.bitstream_filters && ost.file_index == static_cast<int>(i)) {
        ff::av_bsf_send_packet(ost.bitstream_filters, nullptr);
        while (ff::av_bsf_receive_packet(ost.bitstream_filters, FOutPacket) >= 0) MuxPacket(ost, FOutPacket);
      }
    T.FLastWrite = ff::av_gettime_relative();
    const int r = ff::av_write_trailer(T.Foutput_files[i].ctx);
    if (r < 0) T.RaiseFatal(FormatAVError("av_write_trailer()", r));
  }
  PrintReport(ff::av_gettime_relative(), true, -1);
  for (size_t i = 0; i < T.Foutput_streams.size(); ++i) {
    TOutputStream& ost = T.Foutput_streams[i];
    if (ost.encoding_needed && ost.enc_ctx &&
        !(T.FJoinMode && T.Fnb_output_streams_join > 0 && static_cast<int>(i) >= T.Fnb_output_streams_join)) {
      if (ost.enc_ctx->stats_in) ff::av_freep(&ost.enc_ctx->stats_in);
      ff::avcodec_free_context(&ost.enc_ctx);
      TCustomFFmpeg::RemoveCodecEntry(T.FEncoderList, &ost);
    }
    if (ost.graph) ff::avfilter_graph_free(&ost.graph);
  }
  for (TInputStream& ist : T.Finput_streams)
    if (ist.decoding_needed && ist.dec_ctx) {
      ff::avcodec_free_context(&ist.dec_ctx);
      TCustomFFmpeg::RemoveCodecEntry(T.FDecoderList, &ist);
    }
  T.FFinished = !T.FBroken;
  if (!FInputError.empty()) {
    // The output holds what could be read; the task itself failed.
    T.FFinished = false;
    T.RaiseFatal(FInputError);
  }
}

void TTranscodeRun::TranscodeCleanup() {
  if (FCleanedUp) return;
  FCleanedUp = true;
  FreeJoinTemplates();
  if (FPacket) ff::av_packet_free(&FPacket);
  if (FOutPacket) ff::av_packet_free(&FOutPacket);
  if (FDecoded) ff::av_frame_free(&FDecoded);
  if (FFiltered) ff::av_frame_free(&FFiltered);
  if (FAudioFrame) ff::av_frame_free(&FAudioFrame);
  if (FDeinterlaced) ff::av_frame_free(&FDeinterlaced);
  for (TDeinterlacer& d : FDeinterlacers)
    if (d.graph) ff::avfilter_graph_free(&d.graph);
  T.CloseDecoderList(T.FDecoderList);
  T.CloseEncoderList(T.FEncoderList);
  for (TOutputStream& ost : T.Foutput_streams) {
    TCustomFFmpeg::FreeOutputStreamConverters(ost);
    ost.video_resample = 0;
  }
}
