// The video path of a run: decoded pictures, the input hooks, the filter
// graph of each encoded output, frame-rate sync, the output hooks and the
// preview, and the encoder.
#include <cmath>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFmpegRun.h"
#include "engine/FrameHook.h"
#include "engine/FormatConverter.h"

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
  if (!T.FOnInputFrameHook && !T.FOnInputVideoHook && !T.Fusing_vhook) return;
  // Decoded pictures may be the decoder's references: the hooks work on a
  // copy of our own.
  if (ff::av_frame_make_writable(picture) < 0) {
    T.LogMsg(llError, "hook buf malloc error in pre_process_video_frame().");
    return;
  }
  if (T.FFirstHook)
    FrameHookProcess(static_cast<TFrameHookEntry*>(T.FFirstHook), picture, static_cast<AVPixelFormat>(picture->format),
                     picture->width, picture->height, time);
  if (T.FOnInputFrameHook)
    T.FOnInputFrameHook(&T, picture, static_cast<AVPixelFormat>(picture->format), ist.frame_number, picture->width,
                        picture->height, time);
  if (T.FOnInputVideoHook) CallVideoHook(T.FOnInputVideoHook, T.FInputVideoHook, time, ist.frame_number, picture);
}

bool TTranscodeRun::CallVideoHook(TVideoHookEvent& event, TFormatConverter* converter, int64_t time,
                                  int frameNumber, AVFrame* picture) {
  auto* pic = reinterpret_cast<TAVPicture*>(picture);
  const auto format = static_cast<AVPixelFormat>(picture->format);
  bool result = converter->PictureToRGB(pic, format, true, picture->height, picture->width);
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
    if (update) {
      converter->BitmapToRGB();
      if (converter->RGBPictureRef() != pic && !converter->RGBToPicture(pic, format, picture->height, picture->width)) {
        T.LogMsg(llError, converter->LastErrMsg());
        stopHook = true;
      }
    } else if (T.FPostHooks) {
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
  // when it is shared). A picture written twice is hooked again as hooked.
  if (ff::av_frame_make_writable(picture) < 0) {
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
  {
    TLock lock(TranscoderPreviewLock());
    hooks = T.FPostHooks;
    changed = T.FPostHooksChanged;
    T.FPostHooksChanged = false;
  }
  // The preview event runs outside the lock: its handler may wait for the
  // GUI thread, which may itself be changing the preview set.
  if ((hooks & PostHook(phBitmap)) && T.FOnPreviewBitmap) {
    const int64_t now = ff::av_gettime_relative();
    if (now - T.FOutputVideoHook.preview_last_time > T.PreviewInterval) {
      TFormatConverter* converter = T.FOutputVideoHook.Converter;
      bool converted = true;
      if (!hookResult || changed)
        converted = converter->PictureToRGB(reinterpret_cast<TAVPicture*>(picture), enc->pix_fmt, true,
                                            enc->height, enc->width);
      if (converted) {
        T.FOnPreviewBitmap(&T, converter->Bitmap(), frameNumber, time);
      } else {
        T.LogMsg(llError, converter->LastErrMsg());
        hooks &= ~PostHook(phBitmap);
      }
      T.FOutputVideoHook.preview_last_time = now;
    }
  }
  TLock lock(TranscoderPreviewLock());
  if (!(hooks & PostHook(phBitmap)) && (T.FPostHooks & PostHook(phBitmap))) T.ApplyPostHooks(hooks);
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
    // A picture lasts one tick of the encoder's clock (1 / frame rate).
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO && !FOutPacket->duration) FOutPacket->duration = 1;
    FOutPacket->stream_index = ost.index;
    ff::av_packet_rescale_ts(FOutPacket, enc->time_base, ost.st->time_base);
    FOutPacket->time_base = ost.st->time_base;
    WriteFrame(ost, FOutPacket);
  }
}
