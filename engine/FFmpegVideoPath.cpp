// The video path of a run: decoded pictures, the input hooks, the filter
// graph of each encoded output, frame-rate sync, the output hooks and the
// preview, and the encoder.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFmpegRun.h"
#include "engine/FrameHook.h"
#include "engine/FormatConverter.h"
#include "engine/MyUtilStubs.h"
#include "engine/Previewer.h"
#include "engine/UnicodeProtocol.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace {

constexpr AVRational kMicro = {1, AV_TIME_BASE};

}  // namespace

int TTranscodeRun::TranscodeVideo(TInputStream& ist, AVFrame* frame) {
  int64_t duration = 0;
  if (frame->pkt_duration > 0)
    duration = ff::av_rescale_q(frame->pkt_duration, ist.st->time_base, kMicro);
  else if (ist.st->avg_frame_rate.num > 0)
    duration = ff::av_rescale_q(1, AVRational{ist.st->avg_frame_rate.den, ist.st->avg_frame_rate.num}, kMicro);
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.pts = ist.next_pts = ff::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, kMicro);
  ist.next_pts += duration;

  PreProcessVideoFrame(ist, frame);

  bool any = false;
  for (TOutputStream& ost : T.Foutput_streams) {
    if (!ost.encoding_needed || !CheckOutputConstraints(ist, ost)) continue;
    if (!frame->sample_aspect_ratio.num) frame->sample_aspect_ratio = ist.st->sample_aspect_ratio;
    PushVideoFrame(ist, ost, frame);
    any = true;
  }
  RateEmulate(ist);
  if (any)
    for (TOutputStream& ost : T.Foutput_streams)
      if (ost.encoding_needed && ost.input_video_filter &&
          &T.Finput_streams[static_cast<size_t>(ost.source_index)] == &ist)
        PullVideoFrames(ist, ost);
  return 0;
}

void TTranscodeRun::PushVideoFrame(TInputStream& ist, TOutputStream& ost, AVFrame* picture) {
  PollLiveFilters(ost);
  const int64_t saved = picture->pts;
  picture->pts = ist.pts;
  const int r = ff::av_buffersrc_add_frame_flags(ost.input_video_filter, picture, AV_BUFFERSRC_FLAG_KEEP_REF);
  picture->pts = saved;
  if (r < 0) T.RaiseFatal("Failed to inject frame into filter network");
}

void TTranscodeRun::PullVideoFrames(TInputStream& ist, TOutputStream& ost) {
  for (;;) {
    if (T.FBroken) return;
    const int r = ff::av_buffersink_get_frame(ost.output_video_filter, FFiltered);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    if (r < 0) {
      T.LogMsg(llWarning, "AV Filter told us it has a frame available but failed to output one");
      return;
    }
    const int64_t time =
        FFiltered->pts == AV_NOPTS_VALUE
            ? ist.pts
            : ff::av_rescale_q(FFiltered->pts, ff::av_buffersink_get_time_base(ost.output_video_filter), kMicro);
    if (FFiltered->sample_aspect_ratio.num && !ost.frame_aspect_ratio)
      ost.enc_ctx->sample_aspect_ratio = FFiltered->sample_aspect_ratio;
    DoVideoOut(ost, FFiltered, ist, time);
    ff::av_frame_unref(FFiltered);
  }
}

void TTranscodeRun::PreProcessVideoFrame(TInputStream& ist, AVFrame* picture) {
  ++ist.frame_number;
  const int64_t time = ist.pts;
  // Deinterlaced before anything sees the picture: the hooks, every
  // output's filters and the encoders get the same deinterlaced picture.
  if (T.Fdo_deinterlace && !Deinterlace(ist, picture)) T.LogMsg(llWarning, "Deinterlacing failed.");
  const bool modules = !T.FOnInputVideoHook && T.Fusing_vhook;
  if (!T.FOnInputFrameHook && !T.FOnInputVideoHook && !modules) return;
  // Decoded pictures may be the decoder's references: the hooks that write
  // into the picture work on a copy of our own. The bitmap hook copies only
  // when it writes a changed bitmap back (most pictures it leaves alone).
  if ((T.FOnInputFrameHook || modules) && ff::av_frame_make_writable(picture) < 0) {
    T.LogMsg(llError, "hook buf malloc error in pre_process_video_frame().");
    return;
  }
  if (T.FOnInputFrameHook)
    T.FOnInputFrameHook(&T, picture, static_cast<AVPixelFormat>(picture->format), ist.frame_number, picture->width,
                        picture->height, time);
  // The application's bitmap hook takes the place of the loaded modules.
  if (T.FOnInputVideoHook)
    CallVideoHook(T.FOnInputVideoHook, T.FInputVideoHook, time, ist.frame_number, picture);
  else if (T.Fusing_vhook && T.FFirstHook)
    FrameHookProcess(static_cast<TFrameHookEntry*>(T.FFirstHook), picture, static_cast<AVPixelFormat>(picture->format),
                     picture->width, picture->height, time);
}

// The picture's lines of the second field are rebuilt from their
// neighbours by the library's vertical low-pass (-1 4 2 4 -1); the first
// field is kept. It takes the picture alone, so a picture goes out as soon
// as it came in, and it works on 8-bit planar YUV only: other pictures are
// left as they are.
bool TTranscodeRun::Deinterlace(TInputStream& ist, AVFrame* picture) {
  const size_t row = RowOf(ist);
  if (row >= FDeinterlacers.size()) return false;
  TDeinterlacer& d = FDeinterlacers[row];
  if (d.width != picture->width || d.height != picture->height || d.format != picture->format) {
    if (d.graph) ff::avfilter_graph_free(&d.graph);
    d = TDeinterlacer();
    d.width = picture->width;
    d.height = picture->height;
    d.format = picture->format;
    d.graph = ff::avfilter_graph_alloc();
    AVFilterContext* lowpass = nullptr;
    const std::string args = TCustomFFmpeg::FormatText(
        "video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=0/1", picture->width, picture->height,
        picture->format, AV_TIME_BASE);
    const AVFilter* pp = ff::avfilter_get_by_name("pp");
    d.failed = !d.graph || !pp ||
               ff::avfilter_graph_create_filter(&d.source, ff::avfilter_get_by_name("buffer"), "src", args.c_str(),
                                                nullptr, d.graph) < 0 ||
               ff::avfilter_graph_create_filter(&lowpass, pp, "deinterlace", "subfilters=fd", nullptr, d.graph) < 0 ||
               ff::avfilter_graph_create_filter(&d.sink, ff::avfilter_get_by_name("buffersink"), "out", nullptr,
                                                nullptr, d.graph) < 0 ||
               ff::avfilter_link(d.source, 0, lowpass, 0) < 0 || ff::avfilter_link(lowpass, 0, d.sink, 0) < 0 ||
               ff::avfilter_graph_config(d.graph, nullptr) < 0 ||
               // The library converts what the filter does not take; a
               // converted picture is not the picture we were given.
               ff::av_buffersink_get_format(d.sink) != picture->format;
    if (d.failed && d.graph) ff::avfilter_graph_free(&d.graph);
  }
  if (d.failed) return false;
  if (!FDeinterlaced) FDeinterlaced = ff::av_frame_alloc();
  if (!FDeinterlaced) return false;
  const int64_t pts = picture->pts;
  picture->pts = ist.pts;
  int r = ff::av_buffersrc_add_frame_flags(d.source, picture, AV_BUFFERSRC_FLAG_KEEP_REF);
  picture->pts = pts;
  if (r >= 0) r = ff::av_buffersink_get_frame(d.sink, FDeinterlaced);
  if (r < 0) return false;
  ff::av_frame_copy_props(FDeinterlaced, picture);
  ff::av_frame_unref(picture);
  ff::av_frame_move_ref(picture, FDeinterlaced);
  return true;
}

bool TTranscodeRun::CallVideoHook(TVideoHookEvent& event, TFormatConverter* converter, int64_t time,
                                  int frameNumber, AVFrame* picture) {
  auto* pic = reinterpret_cast<TAVPicture*>(picture);
  const auto format = static_cast<AVPixelFormat>(picture->format);
  // The picture reaches the bitmap only when the handler looks at it: most
  // frames pass a handler that draws nothing, and they are not converted.
  bool result = converter->PictureToBitmapOnDemand(pic, format, picture->height, picture->width);
  bool stopHook = !result;
  if (!result) T.LogMsg(llError, converter->LastErrMsg());
  if (result) {
    bool update = true;
    try {
      event(&T, converter->Bitmap(), frameNumber, time, update, stopHook);
    } catch (const Exception& e) {
      T.LogMsg(llError, std::string("Error occurs VideoHook event: ") + e.what());
      update = false;
    }
    const TFormatConverter::TDemandResult used = converter->EndOnDemand();
    if (used == TFormatConverter::drFailed) {
      T.LogMsg(llError, converter->LastErrMsg());
      stopHook = true;
      update = false;
    }
    // The bitmap holds this picture only when the handler asked for it.
    result = used == TFormatConverter::drConverted;
    if (update && result) {
      // The way back converts the whole picture again: a bitmap the handler
      // left as it was keeps the picture as it came (the same picture,
      // without the losses of a second conversion).
      if (converter->BitmapChanged()) {
        // The picture may still be the decoder's reference: it is written
        // only once it is ours alone (the RGB picture may be the picture
        // itself, so this comes before the bitmap is copied back).
        if (ff::av_frame_make_writable(picture) < 0) {
          T.LogMsg(llError, "hook buf malloc error.");
          event = nullptr;
          return false;
        }
        converter->BitmapToRGB();
        if (converter->RGBPictureRef() != pic &&
            !converter->RGBToPicture(pic, format, picture->height, picture->width)) {
          T.LogMsg(llError, converter->LastErrMsg());
          stopHook = true;
        }
      }
    } else if (!update && T.FPostHooks) {
      result = false;
    }
  }
  if (stopHook) event = nullptr;
  return result;
}

void TTranscodeRun::DoVideoOut(TOutputStream& ost, AVFrame* picture, TInputStream& ist, int64_t pictureTime) {
  AVCodecContext* enc = ost.enc_ctx;
  AVFormatContext* oc = T.Foutput_files[static_cast<size_t>(T.FJoinMode ? 0 : ost.file_index)].ctx;
  const TOutputFile& of = T.Foutput_files[static_cast<size_t>(ost.file_index)];
  double duration = 0;
  {
    double seconds = av_q2d(ist.st->time_base);
    if (ist.st->avg_frame_rate.num) seconds = std::max(seconds, 1 / av_q2d(ist.st->avg_frame_rate));
    duration = seconds / av_q2d(enc->time_base);
  }
  const double syncPosition = (pictureTime - of.start_time) / 1e6 / av_q2d(enc->time_base);
  int method = T.Fvideo_sync_method;
  if (method < 0)
    method = !(oc->oformat->flags & AVFMT_VARIABLE_FPS) ? 1 : (oc->oformat->flags & AVFMT_NOTIMESTAMPS) ? 0 : 2;
  int64_t n = 1;
  if (method == 0) {
    ost.sync_opts = std::llround(syncPosition);
  } else {
    const double delta = syncPosition - ost.sync_opts + duration;
    if (delta < -1.1) {
      n = 0;
    } else if (method == 2) {
      if (delta <= -0.6) {
        n = 0;
      } else if (delta > 0.6) {
        ost.sync_opts = std::llround(syncPosition);
      }
    } else if (delta > 1.1) {
      n = std::llround(delta);
    }
  }
  if (n == 0) {
    ++T.Fnb_frames_drop;
    T.FShowDupOrDrop = true;
    T.LogMsg(llVerbose, "*** drop!");
  } else if (n > 1) {
    T.Fnb_frames_dup += static_cast<int>(n - 1);
    T.FShowDupOrDrop = true;
    T.LogMsg(llVerbose, TCustomFFmpeg::FormatText("*** %d dup!", static_cast<int>(n - 1)));
  }
  if (ost.max_frames != NoLimit) n = std::min<int64_t>(n, ost.max_frames - ost.frame_number);

  for (int64_t i = 0; i < n; ++i) {
    if (T.FBroken) break;
    T.WaitWhilePaused();
    const int hookFrame = ost.frame_number + 1;
    const int64_t hookTime = ff::av_rescale_q(ost.sync_opts, enc->time_base, kMicro);
    bool hookResult = false;
    AVFrame* toEncode = picture;
    if (T.FOnOutputVideoHook || T.FOnOutputFrameHook)
      toEncode = DoOutputHooks(picture, enc, hookTime, hookFrame, hookResult);
    if (T.FPostHooks) DoPostHooks(toEncode, enc, hookResult, hookTime, hookFrame);
    toEncode->pts = ost.sync_opts;
    toEncode->pict_type = AV_PICTURE_TYPE_NONE;
    if (ost.top_field_first >= 0) toEncode->top_field_first = ost.top_field_first;
    if (ost.forced_kf_index < ost.forced_kf_count && toEncode->pts >= ost.forced_kf_pts[ost.forced_kf_index]) {
      toEncode->pict_type = AV_PICTURE_TYPE_I;
      ++ost.forced_kf_index;
    }
    toEncode->quality = enc->global_quality;
    EncodeFrame(ost, toEncode);
    ++ost.sync_opts;
    ++ost.frame_number;
  }
}

AVFrame* TTranscodeRun::DoOutputHooks(AVFrame* picture, AVCodecContext* enc, int64_t time, int frameNumber,
                                      bool& hookResult) {
  // The picture out of the graph may share its buffer with pictures the
  // graph still holds: the hooks draw on a buffer of our own (copied only
  // when it is shared; the bitmap hook copies only when it writes back). A
  // picture written twice is hooked again as hooked.
  if (T.FOnOutputFrameHook && ff::av_frame_make_writable(picture) < 0) {
    T.LogMsg(llError, "hook buf malloc error.");
    hookResult = false;
    return picture;
  }
  hookResult = T.FOnOutputVideoHook
                   ? CallVideoHook(T.FOnOutputVideoHook, T.FOutputVideoHook.Converter, time, frameNumber, picture)
                   : false;
  if (T.FOnOutputFrameHook)
    T.FOnOutputFrameHook(&T, picture, enc->pix_fmt, frameNumber, enc->width, enc->height, time);
  return picture;
}

void TTranscodeRun::DoPostHooks(AVFrame* picture, AVCodecContext* enc, bool hookResult, int64_t time,
                                int frameNumber) {
  TPostHooks hooks;
  bool changed;
  std::shared_ptr<TPreviewer> previewer;
  {
    TLock lock(TranscoderPreviewLock());
    hooks = T.FPostHooks;
    changed = T.FPostHooksChanged;
    T.FPostHooksChanged = false;
    previewer = T.FOutputVideoHook.Previewer;
  }
  TPostHook kind;
  if ((hooks & PostHook(phBitmap)) && T.FOnPreviewBitmap)
    kind = phBitmap;
  else if (hooks & PostHook(phPreview))
    kind = phPreview;
  else
    return;
  // The preview event and the painting run outside the lock: both may wait
  // for the GUI thread, which may itself be changing the preview set.
  const int64_t now = ff::av_gettime_relative();
  if (now - T.FOutputVideoHook.preview_last_time <= T.PreviewInterval) return;
  TFormatConverter* converter = T.FOutputVideoHook.Converter;
  bool converted = true;
  if (!hookResult || changed)
    converted =
        converter->PictureToRGB(reinterpret_cast<TAVPicture*>(picture), enc->pix_fmt, true, enc->height, enc->width);
  if (!converted) {
    T.LogMsg(llError, converter->LastErrMsg());
  } else if (kind == phBitmap) {
    T.FOnPreviewBitmap(&T, converter->Bitmap(), frameNumber, time);
  } else {
    if (!previewer) {
      previewer = std::make_shared<TPreviewer>();
      TLock lock(TranscoderPreviewLock());
      // Kept only while the preview is still wanted.
      if (T.FPostHooks & PostHook(phPreview)) T.FOutputVideoHook.Previewer = previewer;
    }
    // False once the user has closed the window.
    converted = previewer->PaintFrame(converter->Bitmap(), frameNumber, time);
  }
  T.FOutputVideoHook.preview_last_time = now;
  if (converted) return;
  // The kind that failed (or whose window was closed) leaves the set; what
  // the caller changed meanwhile stays.
  TLock lock(TranscoderPreviewLock());
  if (T.FPostHooks & PostHook(kind)) T.ApplyPostHooks(T.FPostHooks & ~PostHook(kind));
}

void TTranscodeRun::EncodeFrame(TOutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.enc_ctx;
  int r = ff::avcodec_send_frame(enc, frame);
  if (r < 0 && r != AVERROR_EOF) {
    if (enc->codec_type == AVMEDIA_TYPE_AUDIO) T.RaiseFatal("Audio encoding failed");
    T.RaiseFatal("Video encoding failed");
  }
  for (;;) {
    r = ff::avcodec_receive_packet(enc, FOutPacket);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    if (r < 0) T.RaiseFatal(enc->codec_type == AVMEDIA_TYPE_AUDIO ? "Audio encoding failed" : "Video encoding failed");
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      T.Fvideo_size += FOutPacket->size;
      size_t size = 0;
      const uint8_t* stats = ff::av_packet_get_side_data(FOutPacket, AV_PKT_DATA_QUALITY_STATS, &size);
      const size_t row = RowOf(ost);
      if (stats && size >= 4 && row < FQuality.size()) {
        int32_t q = 0;
        std::memcpy(&q, stats, 4);
        FQuality[row] = static_cast<float>(q) / FF_QP2LAMBDA;
      }
    } else {
      T.Faudio_size += FOutPacket->size;
    }
    if (ost.logfile && enc->stats_out) ff::fprintf(ost.logfile, "%s", enc->stats_out);
    // A picture lasts one tick of the encoder's clock (1 / frame rate).
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO && !FOutPacket->duration) FOutPacket->duration = 1;
    FOutPacket->stream_index = ost.index;
    ff::av_packet_rescale_ts(FOutPacket, enc->time_base, ost.st->time_base);
    FOutPacket->time_base = ost.st->time_base;
    // The statistics describe the packet as the encoder made it; writing
    // hands its data to the muxer.
    const bool stats = enc->codec_type == AVMEDIA_TYPE_VIDEO && T.Fvstats_filename && FOutPacket->size > 0;
    AVPacket* described = nullptr;
    if (stats) {
      described = ff::av_packet_clone(FOutPacket);
      if (!described) T.RaiseFatal("Out of memory");
    }
    WriteFrame(ost, FOutPacket);
    if (described) {
      DoVideoStats(ost, described);
      ff::av_packet_free(&described);
    }
  }
}

// One line per encoded picture: its number, quality, size and type, with
// the stream's size and bit rate so far.
void TTranscodeRun::DoVideoStats(TOutputStream& ost, const AVPacket* pkt) {
  if (!T.Fvstats_file) {
    const std::string native = MediaFileName(T.Fvstats_filename);
    T.Fvstats_file = native.empty() ? nullptr : ff::fopen(native.c_str(), "w");
    if (!T.Fvstats_file) T.RaiseFatal(std::string("fopen fail: ") + T.Fvstats_filename);
  }
  AVCodecContext* enc = ost.enc_ctx;
  const size_t row = RowOf(ost);
  int frameNumber = 0;
  if (row < FPacketsOut.size()) frameNumber = ++FPacketsOut[row];
  // Quality, picture type and the per-plane squared errors come with the
  // packet from the encoder.
  size_t size = 0;
  const uint8_t* side = ff::av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
  int32_t quality = 0;
  int pictType = AV_PICTURE_TYPE_NONE;
  int64_t error = -1;
  if (side && size >= 4) std::memcpy(&quality, side, 4);
  if (side && size >= 5) pictType = side[4];
  if (side && size >= 16 && side[5] > 0) std::memcpy(&error, side + 8, 8);
  FILE* f = T.Fvstats_file;
  ff::fprintf(f, "frame= %5d q= %2.1f ", frameNumber, quality / static_cast<float>(FF_QP2LAMBDA));
  if ((enc->flags & AV_CODEC_FLAG_PSNR) && error >= 0) {
    const double e = static_cast<double>(error) / (static_cast<double>(enc->width) * enc->height * 255.0 * 255.0);
    ff::fprintf(f, "PSNR= %6.2f ", e > 0 ? -10.0 * std::log10(e) : 99.99);
  }
  ff::fprintf(f, "f_size= %6d ", pkt->size);
  const double end = row < FOutTime.size() && FOutTime[row] != AV_NOPTS_VALUE ? FOutTime[row] / 1e6 : 0;
  const double time = std::max(end, 0.01);
  const double bitrate = pkt->size * 8 / av_q2d(enc->time_base) / 1000.0;
  const double average = T.Fvideo_size * 8 / time / 1000.0;
  ff::fprintf(f, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ", T.Fvideo_size / 1024.0, time,
              bitrate, average);
  ff::fprintf(f, "type= %c\n", ff::av_get_picture_type_char(static_cast<AVPictureType>(pictType)));
}
