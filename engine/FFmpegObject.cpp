// The transcoder object: defaults, reset and clean-up, the worker thread,
// stopping and pausing, the I/O time-outs and the registries of opened codecs.
#include <cstring>
#include <initializer_list>

#include "engine/DVDTitleSource.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLoad.h"
#include "engine/FFmpeg.h"
#include "engine/FrameHook.h"
#include "engine/FormatConverter.h"
#include "engine/MyUtilStubs.h"
#include "engine/Previewer.h"
#include "engine/MyUtils.h"
#include "engine/SwResampleStubs.h"
#include "engine/SwScaleStubs.h"
#include "engine/UnicodeProtocol.h"

// Held by the preview step of a running task and by SetPostHooks, so the
// preview set changes atomically with respect to a frame.
TCriticalSection& TranscoderPreviewLock() {
  static TCriticalSection lock;
  return lock;
}

namespace {

// Held by every operation on the codec registries.
TCriticalSection& RegistryLock() {
  static TCriticalSection lock;
  return lock;
}

void CheckLibraries() {
  if (!FFLoader().Loaded(AllLibraries)) throw Exception("Assertion failure (FFmpeg)");
}

// The names set by options are the libraries' allocations; each is freed
// (while the libraries are bound) and cleared.
void FreeOptionTexts(std::initializer_list<char**> texts) {
  for (char** p : texts) {
    if (*p && ff::av_free) ff::av_free(*p);
    *p = nullptr;
  }
}

// An encoder's context, with the pass-2 statistics it owns.
void FreeEncoderContext(AVCodecContext*& context) {
  if (!context) return;
  if (context->stats_in) ff::av_freep(&context->stats_in);
  ff::avcodec_free_context(&context);
}

// Empties a codec registry, releasing each entry's item on the way.
template <class Entry, class Release>
void DrainCodecList(Entry*& list, Release release) {
  TLock lock(RegistryLock());
  while (list) {
    Entry* n = list;
    list = n->next;
    release(n->item);
    delete n;
  }
}

}  // namespace

void TConvertThread::Execute() {
  if (!FOwner) return;
  try {
    FOwner->DoConvert();
  } catch (...) {
    FOwner->FStopEvent->SetEvent();
    throw;
  }
  FOwner->FStopEvent->SetEvent();
}

TCustomFFmpeg::TCustomFFmpeg() {
  std::memset(&optctx, 0, sizeof optctx);
  FStopEvent = std::make_unique<TEvent>(true, true);
  FTermEvent = std::make_unique<TEvent>(true, true);
  FResumeEvent = std::make_unique<TEvent>(true, true);
  HaltOnInvalidOption = true;
  ReportInterval = 500000;
  PreviewInterval = 100000;
  FReadCallback.callback = &TCustomFFmpeg::ReadInterruptCallback;
  FReadCallback.opaque = this;
  FWriteCallback.callback = &TCustomFFmpeg::WriteInterruptCallback;
  FWriteCallback.opaque = this;
  FReadTimeout = 30000;
  FWriteTimeout = 30000;
  FInputVideoHook = new TFormatConverter();
  FOutputVideoHook.Converter = new TFormatConverter();
  ResetState();
}

TCustomFFmpeg::~TCustomFFmpeg() {
  Stop(true);
  // The worker clears FThread before its last steps; it is done with this
  // object only once the stop event is set. A task that never started may
  // still be delivering its end.
  THandle handles[2] = {FStopEvent->Handle(), FTermEvent->Handle()};
  WaitForHandles(handles, 2, true, INFINITE_WAIT);
  RunGuarded([&] { Cleanup(); });
  // The option table's context lists and texts.
  if (options && FFLoader().Loaded(AllLibraries)) RunGuarded([&] { ResetOptions(&optctx, false); });
  if (FFLoader().Loaded(AllLibraries)) UninitFFOptions(FOptions);
  FreeOptionTexts({&Fvideo_codec_name, &Faudio_codec_name, &Fsubtitle_codec_name, &Fpass_logfilename_prefix});
  delete FInputVideoHook;
  delete FOutputVideoHook.Converter;
}

void TCustomFFmpeg::ResetState() {
  CheckLibraries();
  Fframe_bits_per_raw_sample = 0;
  Fvideo_discard = 0;
  Fsame_quant = 0;
  Fdo_deinterlace = 0;
  Fintra_dc_precision = 8;
  Floop_input = 0;
  Floop_output = -1;
  Fqp_hist = 0;
  Fintra_only = 0;
  FreeOptionTexts({&Fvideo_codec_name, &Faudio_codec_name, &Fsubtitle_codec_name, &Fpass_logfilename_prefix});
  Ffile_overwrite = 0;
  Fno_file_overwrite = 0;
  Fdo_hex_dump = 0;
  Fdo_pkt_dump = 0;
  Fdo_psnr = 0;
  Fdo_pass = 0;
  Fvideo_sync_method = -1;
  Faudio_sync_method = 0;
  Faudio_drift_threshold = 0.1f;
  Fcopy_ts = 0;
  Fcopy_tb = -1;
  Fopt_shortest = 0;
  Faudio_volume = 256;
  Fexit_on_error = 0;
  Fusing_stdin = 0;
  Frun_as_daemon = 0;
  Finput_sync = 0;
  Fdts_delta_threshold = 10.0f;
  Fprint_stats = 1;
  Fbit_buffer_size = 262144;
  Fusing_vhook = false;
  FVideoHookWords.clear();

  Fvideo_size = Faudio_size = Fextra_size = 0;
  Fnb_frames_dup = Fnb_frames_drop = 0;
  // Every quantiser starts uncounted.
  std::memset(Fqp_histogram, 0, sizeof Fqp_histogram);

  ResetOptions(&optctx, false);

  FThread = nullptr;
  FFirstHook = nullptr;
  FOutputVideoHook.preview_last_time = FOutputVideoHook.preview_cur_time = 0;
  FPostHooks = 0;
  FPostHooksChanged = false;
  FJoinMode = false;
  Fnb_output_streams_join = 0;
  FConverting = FBroken = FFinished = FTerminated = FFatalException = false;
  FEnding = false;
  FFatalMessage.clear();
  FLastErrMsg.clear();
  FInputDuration = FOutputDuration = -1;
  FLastRead = FLastWrite = INT64_MAX;
}

void TCustomFFmpeg::FreeOutputStream(TOutputStream& ost) {
  // Pass-2 statistics are ours, also when the encoder never opened.
  FreeEncoderContext(ost.enc_ctx);
  FreeOutputStreamConverters(ost);
  if (ost.forced_kf_pts) ff::av_freep(&ost.forced_kf_pts);
  if (ost.avfilter) ff::av_freep(&ost.avfilter);
  if (ost.attachment_filename) ff::av_freep(&ost.attachment_filename);
  if (ost.opts) ff::av_dict_free(&ost.opts);
  if (ost.opts_join) ff::av_dict_free(&ost.opts_join);
  if (ost.resample_frame) ff::av_frame_free(&ost.resample_frame);
  if (ost.picref) ff::av_frame_free(&ost.picref);
  if (ost.logfile) {
    ff::fclose(ost.logfile);
    ost.logfile = nullptr;
  }
}

void TCustomFFmpeg::FreeOutputStreamConverters(TOutputStream& ost) {
  if (ost.bitstream_filters) ff::av_bsf_free(&ost.bitstream_filters);
  if (ost.fifo) {
    ff::av_audio_fifo_free(ost.fifo);
    ost.fifo = nullptr;
  }
  if (ost.swr) ff::swr_free(&ost.swr);
  if (ost.img_resample_ctx) {
    ff::sws_freeContext(ost.img_resample_ctx);
    ost.img_resample_ctx = nullptr;
  }
  if (ost.graph) ff::avfilter_graph_free(&ost.graph);
}

void TCustomFFmpeg::Cleanup() {
  CheckLibraries();
  std::string finishError;
  for (size_t i = 0; i < Foutput_files.size(); ++i) {
    TOutputFile& of = Foutput_files[i];
    // Join groups share the first output's container.
    if (!(FJoinMode && i > 0) && of.ctx) {
      AVFormatContext* oc = of.ctx;
      if (!(oc->oformat->flags & AVFMT_NOFILE)) {
        if (oc->pb) ff::avio_closep(&oc->pb);
        // Only the file this task wrote is renamed or removed; a file that
        // was there before is left as it is unless the task finished.
        const std::string error = FinishOutputFile(of);
        if (finishError.empty()) finishError = error;
      }
      ff::avformat_free_context(oc);
    }
    of.ctx = nullptr;
    if (!(FJoinMode && i > 0) && of.opts) ff::av_dict_free(&of.opts);
    of.opts = nullptr;
  }
  Foutput_files.clear();
  for (TInputFile& f : Finput_files)
    if (f.ctx) CloseMediaInput(&f.ctx);
  Finput_files.clear();
  for (TInputStream& ist : Finput_streams) {
    if (ist.decoded_frame) ff::av_frame_free(&ist.decoded_frame);
    if (ist.filtered_frame) ff::av_frame_free(&ist.filtered_frame);
    if (ist.opts) ff::av_dict_free(&ist.opts);
    if (ist.dec_ctx) ff::avcodec_free_context(&ist.dec_ctx);
  }
  Finput_streams.clear();
  if (Fvstats_file) {
    ff::fclose(Fvstats_file);
    Fvstats_file = nullptr;
  }
  if (Fvstats_filename) ff::av_freep(&Fvstats_filename);
  for (size_t i = 0; i < Foutput_streams.size(); ++i) {
    // Later parts of a join borrow the first part's encoders.
    if (FJoinMode && Fnb_output_streams_join > 0 && i >= static_cast<size_t>(Fnb_output_streams_join))
      Foutput_streams[i].enc_ctx = nullptr;
    FreeOutputStream(Foutput_streams[i]);
  }
  Foutput_streams.clear();
  UninitFFOptions(FOptions);
  if (options) ResetOptions(&optctx, false);
  FVideoHookWords.clear();
  auto* hooks = static_cast<TFrameHookEntry*>(FFirstHook);
  FrameHookRelease(hooks);
  FFirstHook = nullptr;
  if (FInputPictureBuf) ff::av_freep(&FInputPictureBuf);
  if (FOutputPictureBuf) ff::av_freep(&FOutputPictureBuf);
  FInputPictureBufSize = FOutputPictureBufSize = 0;
  FOutputVideoHook.preview_last_time = FOutputVideoHook.preview_cur_time = 0;
  // The preview window goes with the run.
  std::shared_ptr<TPreviewer> previewer;
  {
    TLock lock(TranscoderPreviewLock());
    previewer.swap(FOutputVideoHook.Previewer);
  }
  if (!finishError.empty()) {
    FFinished = false;
    RaiseFatal(finishError);
  }
}

TConvertThread* TCustomFFmpeg::StartConvert(bool useThread, int priority) {
  (void)priority;  // the framework's threads run at normal priority
  if (FConverting || FTerminated || FEndRequested) return nullptr;
  try {
    if (Foutput_files.empty()) {
      Cleanup();
      throw FFmpegException("At least one output file must be specified");
    }
    if (Finput_files.empty()) {
      Cleanup();
      throw FFmpegException("At least one input file must be specified");
    }
  } catch (...) {
    NoteFatal(std::current_exception());
    DoTerminate();
    return nullptr;
  }
  FConverting = true;
  FBroken = FFinished = FTerminated = false;
  if (!useThread) {
    DoConvert();
    return nullptr;
  }
  // Reset here rather than in the thread, so a Stop right after this call
  // cannot find the event still set from before.
  FStopEvent->ResetEvent();
  auto* thread = new TConvertThread(this);
  thread->FreeOnTerminate = true;
  FThread = thread;
  return thread;
}

void TCustomFFmpeg::DoConvert() {
  FFinished = false;
  // Whatever a step throws (an application's hook or handler included), the
  // remaining steps run, so the task always ends and reports its end.
  auto guarded = [&](const std::function<void()>& step) {
    try {
      step();
    } catch (...) {
      NoteFatal(std::current_exception());
    }
  };
  guarded([&] { Transcode(); });
  guarded([&] { CloseEncoderList(FEncoderList); });
  guarded([&] { CloseDecoderList(FDecoderList); });
  guarded([&] { Cleanup(); });
  guarded([&] { DoTerminate(); });
  // The empty piece that ends a run of repeated log lines.
  ff::av_log(nullptr, AV_LOG_QUIET, "%s", "");
}

void TCustomFFmpeg::NoteFatal(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    text = e.what();
  } catch (const std::bad_alloc&) {
    text = "Out of memory";
  } catch (const std::exception& e) {
    text = std::string("Unexpected error: ") + e.what();
  } catch (...) {
    text = "Unexpected error of an unknown kind";
  }
  if (text.empty()) text = "Unexpected error";
  LogMsg(llQuiet, text);
  FFatalException = true;
  FFatalMessage = text;
}

void TCustomFFmpeg::DoTerminate() {
  // Marked ended before it stops converting, so a StopTask in between sees
  // one of the two and never raises a second end.
  FTerminated = true;
  FConverting = false;
  FThread = nullptr;
  if (FOnTerminate) FOnTerminate(this);
}

void TCustomFFmpeg::Stop(bool waitForStop) {
  FBroken = true;
  Resume();
  // The stop event is reset only while a worker runs, so the wait also
  // covers a worker that has just cleared FThread and is on its way out.
  if (waitForStop) {
    THandle h = FStopEvent->Handle();
    // On the GUI thread this keeps synchronised calls and messages flowing,
    // which the worker needs to deliver its progress and end.
    while (WaitForHandles(&h, 1, false, 20) == wrTimeout) {
    }
  }
}

void TCustomFFmpeg::StopTask(bool waitForStop) {
  if (FConverting) {
    Stop(waitForStop);
    return;
  }
  if (!FTerminated && !FEndRequested.exchange(true)) {
    FTermEvent->ResetEvent();
    auto* thread = new TAnonymousThread([this] {
      try {
        DoTerminate();
      } catch (...) {
        FTermEvent->SetEvent();
        throw;
      }
      FTermEvent->SetEvent();
    });
    thread->FreeOnTerminate = true;
    thread->Start();
  }
  // Also when an earlier StopTask asked for the end: this wait covers it.
  if (waitForStop) {
    THandle h = FTermEvent->Handle();
    WaitForHandles(&h, 1, false, INFINITE_WAIT);
  }
}

// Pausing is observed by the transcode loop at the top of each pass (rather
// than by suspending the thread anywhere), so a paused worker never sits
// inside a lock that the GUI thread needs.
void TCustomFFmpeg::Pause() {
  if (!FThread || FPaused) return;
  FPaused = true;
  FResumeEvent->ResetEvent();
}

void TCustomFFmpeg::Resume() {
  if (!FPaused) return;
  FPaused = false;
  FResumeEvent->SetEvent();
}

void TCustomFFmpeg::WaitWhilePaused() {
  while (FPaused && !FBroken) FResumeEvent->WaitFor(100);
}

void TCustomFFmpeg::LogMsg(TLogLevel level, const std::string& text) { GlobalLogger()->Log(this, level, text); }

void TCustomFFmpeg::RaiseFatal(const std::string& message) {
  FLastErrMsg = message;
  LogMsg(llFatal, message);
  throw FFmpegException(message);
}

void TCustomFFmpeg::SetPostHooks(TPostHooks value) {
  TLock lock(TranscoderPreviewLock());
  ApplyPostHooks(value);
  FPostHooksChanged = true;
}

void TCustomFFmpeg::ApplyPostHooks(TPostHooks value) {
  if (value == FPostHooks) return;
  // The preview window belongs to the preview hook (made by the first preview).
  if ((FPostHooks & PostHook(phPreview)) && !(value & PostHook(phPreview))) FOutputVideoHook.Previewer.reset();
  FPostHooks = value;
}

void TCustomFFmpeg::SetVideoHookBitsPixel(int value) {
  FInputVideoHook->SetBitsPixel(value);
  FOutputVideoHook.Converter->SetBitsPixel(value);
  FVideoHookBitsPixel = value;
}

namespace {

int Interrupt(TCustomFFmpeg* self, bool broken, int64_t last, int timeout, bool reading) {
  if (broken) {
    GlobalLogger()->Log(self, llInfo, std::string("reading/writing broken"));
    return 1;
  }
  if (last == INT64_MAX || timeout <= 0) return 0;
  const int64_t now = ff::av_gettime_relative();
  if (now - last <= static_cast<int64_t>(timeout) * 1000) return 0;
  std::string text = reading ? "connecting/reading " : "connecting/writing ";
  text += last == 0 ? "canceled" : "timeout";
  GlobalLogger()->Log(self, llInfo, text);
  return 1;
}

}  // namespace

// Called by the libraries inside blocking I/O; nothing may escape into them.
int TCustomFFmpeg::ReadInterruptCallback(void* opaque) {
  auto* self = static_cast<TCustomFFmpeg*>(opaque);
  int r = 0;
  RunGuarded([&] { r = Interrupt(self, self->FBroken, self->FLastRead, self->FReadTimeout, true); });
  return r;
}

int TCustomFFmpeg::WriteInterruptCallback(void* opaque) {
  auto* self = static_cast<TCustomFFmpeg*>(opaque);
  int r = 0;
  // A stopped task still completes its files: Stop ends the reading, and a
  // packet being written when it comes is written whole (aborting it failed
  // the task and left the file without its trailer). Only the time-out
  // aborts a write.
  RunGuarded([&] { r = Interrupt(self, false, self->FLastWrite, self->FWriteTimeout, false); });
  return r;
}

void TCustomFFmpeg::AddCodecEntry(TCodecEntry*& list, void* item) {
  TLock lock(RegistryLock());
  auto* node = new TCodecEntry{item, nullptr, list};
  if (list) list->prev = node;
  list = node;
}

void TCustomFFmpeg::RemoveCodecEntry(TCodecEntry*& list, void* item) {
  TLock lock(RegistryLock());
  for (TCodecEntry* n = list; n; n = n->next) {
    if (n->item != item) continue;
    if (n->prev) n->prev->next = n->next; else list = n->next;
    if (n->next) n->next->prev = n->prev;
    delete n;
    return;
  }
}

void TCustomFFmpeg::CloseEncoderList(TCodecEntry*& list) {
  DrainCodecList(list, [](void* item) {
    auto* ost = static_cast<TOutputStream*>(item);
    if (ost->encoding_needed) FreeEncoderContext(ost->enc_ctx);
  });
}

void TCustomFFmpeg::CloseDecoderList(TCodecEntry*& list) {
  DrainCodecList(list, [](void* item) {
    auto* ist = static_cast<TInputStream*>(item);
    if (ist->decoding_needed && ist->dec_ctx) ff::avcodec_free_context(&ist->dec_ctx);
  });
}

bool DeleteMediaFile(const std::string& fileName) {
  const std::string native = MediaFileName(fileName);
  return !native.empty() && std::remove(native.c_str()) == 0;
}
