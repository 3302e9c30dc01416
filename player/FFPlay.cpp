#include "player/FFPlay.h"

#include "framework/HostPicture.h"

#include <cmath>

#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "engine/FormatConverter.h"
#include "engine/MyUtils.h"
#include "player/PlayerEvents.h"
#include "player/PlayerState.h"
#include "player/libsdl.h"

namespace {

// Only the pointer identity of the flush marker's data matters.
uint8_t kFlushMarker[] = "FLUSH";

// A stalled stop is forced after this many lock attempts (with a read
// blocked in the input: the smaller count).
constexpr int ForcedStopTries = 20;
constexpr int ForcedStopTriesReading = 10;

struct TSectionGuard {
  explicit TSectionGuard(TCriticalSection& section) : Section(section) { Section.Enter(); }
  ~TSectionGuard() { Section.Leave(); }
  TCriticalSection& Section;
};

}  // namespace

TCustomPlayer::TCustomPlayer(TComponent* AOwner)
    : TFFBaseComponent(AOwner),
      FSDLLoader(new TSDLLoader),
      FDecoder(new TFFDecoder(nullptr)),
      FSDL(new TSDLEntries),
      FRGBConverter(new TFormatConverter),
      FHookConverter(new TFormatConverter) {
  Fflush_pkt.data = kFlushMarker;
  ResetPlayback();
}

TCustomPlayer::~TCustomPlayer() {
  OnPosition = nullptr;
  OnState = nullptr;
  OnAudioHook = nullptr;
  OnVideoHook = nullptr;
  OnFrameHook = nullptr;
  Stop(true);
  if (FEventThread) {
    FEventThread->Terminate();
    FEventThread->WaitFor();
    delete FEventThread;
    FEventThread = nullptr;
  }
  if (FAVLib.AVLibLoaded()) UninitFFOptions(FOptions);
  // The converters free library memory: before the libraries go.
  FRGBConverter.reset();
  FHookConverter.reset();
  FSDLLoader->Unload();
  FDecoder.reset();
  FAVLib.UnloadAVLib();
}

void TCustomPlayer::ReportError(const std::string& message) {
  FLastErrMsg = message;
  GlobalLogger()->Log(this, llError, message);
}

void TCustomPlayer::RecreateOptions() {
  if (!FAVLib.AVLibLoaded()) return;
  InitFFOptions(FOptions, Fsws_flags);
}

bool TCustomPlayer::LoadAVLib(const TPathFileName& APath, bool AAutoLoadSDL) {
  if (!FAVLib.LoadAVLib(APath)) {
    FLastErrMsg = FAVLib.LastErrMsg;
    return false;
  }
  RecreateOptions();
  // The decoder binds the same libraries; without them it only stays idle.
  FDecoder->LoadAVLib(APath);
  FAutoLoadSDL = AAutoLoadSDL;
  if (FAutoLoadSDL) return LoadSDLLib(APath, "SDL.dll");
  return true;
}

bool TCustomPlayer::SDLLibLoaded() const { return FSDLLoader->Loaded(); }

bool TCustomPlayer::AVLibLoaded() const {
  return FAVLib.AVLibLoaded() && (!FAutoLoadSDL || FSDLLoader->Loaded());
}

void TCustomPlayer::UnloadAVLib() {
  // Nothing may be unloaded under a running playback.
  Stop(true);
  if (FAVLib.AVLibLoaded()) UninitFFOptions(FOptions);
  FDecoder->UnloadAVLib();
  FAVLib.UnloadAVLib();
  if (FAutoLoadSDL) UnloadSDLLib();
}

bool TCustomPlayer::LoadSDLLib(const TPathFileName& APath, const TPathFileName& AFile) {
  const bool ok = FSDLLoader->Load(APath, AFile);
  if (ok) {
    *FSDL = FSDLLoader->Entries();
  } else {
    *FSDL = TSDLEntries();
    FLastErrMsg = FSDLLoader->LastErrMsg();
  }
  return ok;
}

void TCustomPlayer::UnloadSDLLib() {
  Stop(true);
  *FSDL = TSDLEntries();
  FSDLLoader->Unload();
}

bool TCustomPlayer::opt_default(const std::string& opt, const std::string& arg) {
  if (!FAVLib.AVLibLoaded()) {
    ReportError("libav not loaded.");
    return false;
  }
  return OptDefault(FOptions, opt.c_str(), arg.c_str()) == 0;
}

namespace {
bool OnGUIThread() { return IsWin32Thread() && IsMainThread(); }
}  // namespace

void TCustomPlayer::ResetPlayback() {
  FState = psStop;
  FLastPTS = NoTime;
  FCurrentPTS = -1;
  if (OnGUIThread()) {
    ResetSettings();
  } else {
    // A playback that ended on the play thread: the GUI thread resets its
    // settings before the application hears of the end, unless Stop reset
    // them already when it ended the playback.
    int ahead = SettingsResetAhead;
    if (!FSettingsReset.compare_exchange_strong(ahead, SettingsKept)) FSettingsReset = SettingsResetDue;
  }
  FSeekEvent.SetEvent();
  FSeeking = false;
}

void TCustomPlayer::ResetSettings() {
  FSettingsReset = SettingsKept;
  for (int& w : wanted_stream) w = -1;
  seek_by_bytes = -1;
  if (FLoading) return;
  Ffile_iformat = nullptr;
  Fstart_time = NoTime;
  PlayTime = NoTime;
  RepeatType = rtRewind;
  FVerticalFlip = false;
  audio_codec_name.clear();
  video_codec_name.clear();
  subtitle_codec_name.clear();
  Fframe_width_set = Fframe_height_set = 0;
  Fframe_pix_fmt = -1;
  RecreateOptions();
}

void TCustomPlayer::ApplyDueSettingsReset() {
  if (!OnGUIThread()) return;
  int due = SettingsResetDue;
  if (FSettingsReset.compare_exchange_strong(due, SettingsKept)) ResetSettings();
}

bool TCustomPlayer::StartSDLForWindow(intptr_t AScreenHandle) {
  // SDL's own signal handlers would turn a termination request for the
  // whole program into a quit event of this playback.
  SDL().SDL_SetHint("SDL_NO_SIGNAL_HANDLERS", "1");
  if (AudioDriver != adDefault)
    GlobalLogger()->Log(this, llDebug, "audio driver choice %d has no meaning here; SDL chooses",
                        static_cast<int>(AudioDriver));
  const Uint32 flags = DisableAudio ? (SDL_INIT_TIMER | SDL_INIT_EVENTS)
                                    : (SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_EVENTS);
  if (SDL().SDL_Init(flags) != 0) return false;
  FSDLStarted = true;
  if (!DisableAudio)
    if (const char* name = SDL().SDL_GetCurrentAudioDriver())
      GlobalLogger()->Log(this, llDebug, "using audio driver: %s", name);
  FScreenHandle = AScreenHandle;
  return true;
}

void TCustomPlayer::ShutdownSDL() {
  if (FSDLStarted && SDL().SDL_Quit) SDL().SDL_Quit();
  FSDLStarted = false;
  ResetPlayback();
}

bool TCustomPlayer::Open(const TPathFileName& AFileName, intptr_t AScreenHandle, bool APaused) {
  if (!FAVLib.AVLibLoaded()) {
    ReportError("libav not loaded.");
    return false;
  }
  if (!FSDLLoader->Loaded()) {
    ReportError("sdl not loaded.");
    return false;
  }
  ApplyDueSettingsReset();
  int64_t flags = 4;
  if (FOptions.sws_opts && ff::av_opt_get_int(FOptions.sws_opts, "sws_flags", 0, &flags) >= 0)
    Fsws_flags = static_cast<int>(flags);
  FLoading = true;
  {
    TSectionGuard guard(FDisplayRectLock);
    FDisplayRect = TRect{};
  }
  Stop(true);
  bool ok = false;
  {
    TLock lock(SDLLock());
    ok = StartSDLForWindow(AScreenHandle);
  }
  if (!ok) {
    ReportError("Could not initialize SDL with ScreenHandle(" + std::to_string(static_cast<unsigned>(AScreenHandle)) +
                "): " + SDL().SDL_GetError());
    FLoading = false;
    return false;
  }
  if (DisableDisplay) DisableVideo = true;

  ok = StreamOpen(this, AFileName, Ffile_iformat, APaused);
  if (ok) {
    Finput_filename = AFileName;
    FScreenHandle = AScreenHandle;
    if (OnFileOpen) {
      TVideoState* is = FVideoState;
      int w = -1, h = -1;
      if (is->video_ctx && is->video_ctx->width > 0) {
        w = is->video_ctx->width;
        h = is->video_ctx->height;
      }
      const int64_t duration = is->IsImage2 ? 0 : is->Duration;
      auto call = [&] { OnFileOpen(this, duration, w, h, ScreenWidth, ScreenHeight); };
      if (TriggerEventInMainThread)
        CallInMainThread(call);
      else
        call();
      // A size left at 0 follows the host window.
      if (AScreenHandle && (ScreenWidth == 0 || ScreenHeight == 0)) {
        int cw = 0, ch = 0;
        if (THostPicture::WindowClientSize(AScreenHandle, cw, ch)) {
          ScreenWidth = cw;
          ScreenHeight = ch;
        }
      }
    }
    if (FEventThread) {
      FEventThread->Terminate();
      FEventThread->WaitFor();
      delete FEventThread;
    }
    FEventThread = new TEventThread(this);
    FEventThread->Start();
    FLooping = false;
    FStopEvent.ResetEvent();
    auto* play = new TPlayThread(this);
    play->Start();
    while (!FLooping && FStopEvent.WaitFor(0) != wrSignaled) SleepPumping(10);
  } else {
    ShutdownSDL();
  }
  FLoading = false;
  RecreateOptions();
  return ok;
}

void TCustomPlayer::Stop(bool AWaitForStop) {
  ApplyDueSettingsReset();
  TVideoState* is = FVideoState;
  if (is && is->paused) {
    if (StreamTogglePause(is))
      is->step = 0;
    else if (FVideoState)
      return;  // a playback opened while the toggle waited is not this Stop's
    else
      is = nullptr;  // a handler run by the wait stopped the playback
  }
  if (!is) {
    FLastRead = 0;
    if (TVideoState* opening = FVideoStateCB) opening->abort_request = 1;
    if (AWaitForStop && FStopEvent.WaitFor(0) != wrSignaled) WaitForStop();
    return;
  }
  // The settings belong to the playback being ended: reset now, so that
  // those the application gives for the next playback after this call are
  // kept however long the play thread takes to end. Not while a stream
  // switch opens a decoder with the options.
  if (OnGUIThread() && !FLoading && is->cycle_req == CycleDone) {
    ResetSettings();
    FSettingsReset = SettingsResetAhead;
  }
  PushUserEvent(QuitEvent, is);
  if (AWaitForStop) WaitForStop();
}

// Takes FDataLock within ms, dispatching meanwhile when on the GUI thread.
bool TCustomPlayer::TryDataLock(unsigned ms) {
  for (unsigned waited = 0;; waited += 10) {
    if (FDataLock.try_lock_for(std::chrono::milliseconds(10))) return true;
    if (waited >= ms) return false;
    if (IsMainThread()) PumpMessages();
  }
}

void TCustomPlayer::WaitForStop() {
  int tries = 1;
  for (;;) {
    if (WaitPumping(FStopEvent, 100)) break;
    if (IsMainThread()) PumpMessages();
    if (!FVideoState) {
      // The playback is gone; its play thread is on its way out.
      WaitPumping(FStopEvent, 2000);
      break;
    }
    if (!TryDataLock(100)) continue;
    ++tries;
    TVideoState* is = FVideoState;
    if (!is) {
      FDataLock.unlock();
      continue;
    }
    if ((tries > ForcedStopTriesReading && is->Reading) || tries > ForcedStopTries) {
      StreamClose(this, false);
      FDataLock.unlock();
      // The play thread still waits in SDL's queue: let it end before SDL
      // itself is shut down under it.
      PushUserEvent(QuitEvent, nullptr);
      WaitPumping(FStopEvent, 2000);
      break;
    }
    PushUserEvent(QuitEvent, is);
    FDataLock.unlock();
  }
  ShutdownSDL();
}

bool TCustomPlayer::Paused() const {
  TVideoState* is = FVideoState;
  return !is || is->paused;
}

// The pause toggle waits dispatching the application's handlers; when it
// reports the playback gone, nothing of it may be touched any more.
void TCustomPlayer::Pause() {
  TVideoState* is = FVideoState;
  if (!is || is->paused || !StreamTogglePause(is)) return;
  is->step = 0;
  QueueState(psPause);
}

void TCustomPlayer::Resume() {
  TVideoState* is = FVideoState;
  if (!is || !is->paused || !StreamTogglePause(is)) return;
  is->step = 0;
  QueueState(psResume);
}

void TCustomPlayer::TogglePause() {
  TVideoState* is = FVideoState;
  if (!is || !StreamTogglePause(is)) return;
  is->step = 0;
  QueueState(is->paused ? psPause : psResume);
}

void TCustomPlayer::StepToNextFrame() {
  TVideoState* is = FVideoState;
  if (!is) return;
  if (is->paused && !StreamTogglePause(is)) return;
  if (is->step.exchange(1) == 0) QueueState(psStep);
}

void TCustomPlayer::StreamSeek(TVideoState* is, int64_t pos, int64_t rel, int flags, bool wait) {
  if (is->seek_req) return;
  FSeeking = true;
  is->seek_paused = is->paused.load();
  is->seek_pos = pos;
  is->seek_rel = rel;
  is->seek_flags = flags;
  FSeekEvent.ResetEvent();
  is->seek_req = 1;
  if (!wait) return;
  const unsigned serial = FPlaybackSerial;
  while (IsPlayback(is, serial) && !WaitPumping(FSeekEvent, 100)) {
  }
  if (IsPlayback(is, serial) && is->video_stream >= 0)
    while (IsPlayback(is, serial) && !WaitPumping(FPictEvent, 100)) {
    }
}

void TCustomPlayer::Seek(const int64_t APTS, TSeekFlags ASeekFlags, bool AWaitForSeekEnd) {
  TVideoState* is = FVideoState;
  if (!is || APTS == NoTime) return;
  int64_t target = APTS;
  if (!(ASeekFlags & SeekFlag(sfByte))) {
    if (is->Duration > 0 && target > is->Duration) target = is->Duration;
    if (is->ic && is->ic->start_time != AV_NOPTS_VALUE && is->ic->start_time != 0) {
      target += is->ic->start_time;
      if (APTS == 0) target -= std::llround(is->frame_delay / 2 * 1000000.0);
    }
  }
  StreamSeek(is, target, 0, SeekFlagsToAV(ASeekFlags), AWaitForSeekEnd);
}

void TCustomPlayer::Seek(const double ADelta, TSeekFlags ASeekFlags, bool AWaitForSeekEnd) {
  TVideoState* is = FVideoState;
  if (!is) return;
  if (ASeekFlags & SeekFlag(sfByte)) {
    int64_t base = is->ic && is->ic->pb ? ff::avio_seek(is->ic->pb, 0, SEEK_CUR) : 0;
    if (base < 0) base = 0;
    const int64_t distance = is->ic && is->ic->bit_rate > 0
                                 ? static_cast<int64_t>(ADelta * is->ic->bit_rate / 8.0)
                                 : static_cast<int64_t>(ADelta * 180000.0);
    StreamSeek(is, base + distance, distance, SeekFlagsToAV(ASeekFlags), AWaitForSeekEnd);
  } else {
    const double pos = (is->video_stream >= 0 ? GetVideoClock(is) : GetMasterClock(is)) + ADelta;
    StreamSeek(is, std::llround(pos * 1000000.0), std::llround(ADelta * 1000000.0), SeekFlagsToAV(ASeekFlags),
               AWaitForSeekEnd);
  }
}

void TCustomPlayer::FlushQueue() {
  if (TVideoState* is = FVideoState) is->flush_req = 1;
}

void TCustomPlayer::SetAspectRatio(float value) {
  FAspectRatio = value;
  if (TVideoState* is = FVideoState) PushUserEvent(RelayoutEvent, is);
}

void TCustomPlayer::ToggleAudioDisplay() {
  TVideoState* is = FVideoState;
  if (!is) return;
  FShowMode = (is->show_mode + 1) % 3;
  is->show_mode = FShowMode;
  // The play thread draws: this thread must not wait for the picture while
  // that thread may be waiting for this one inside the window system.
  PushUserEvent(ClearEvent, is);
}

int TCustomPlayer::VideoHookBitsPixel() const { return FRGBConverter->BitsPixel(); }

void TCustomPlayer::SetVideoHookBitsPixel(int value) {
  FRGBConverter->SetBitsPixel(value);
  FHookConverter->SetBitsPixel(value);
}

void TCustomPlayer::SetDisplayRect(int x, int y, int w, int h) {
  const TRect r{x, y, x + w, y + h};
  TSectionGuard guard(FDisplayRectLock);
  if (r != FDisplayRect) FDisplayRect = r;
}

TRect TCustomPlayer::DisplayRect() {
  TSectionGuard guard(FDisplayRectLock);
  return FDisplayRect;
}

void TCustomPlayer::UpdateScreenPosition() {
  if (FVideoState && FScreenHandle) THostPicture::UpdatePosition(FScreenHandle);
}

TRect TCustomPlayer::DisplayToActualRect(TRect r) {
  if (!FVideoState) return TRect{};
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  TSectionGuard guard(FDisplayRectLock);
  const TRect d = FDisplayRect;
  r.Left = std::min(std::max(r.Left, d.Left), d.Right) - d.Left;
  r.Right = std::min(std::max(r.Right, d.Left), d.Right) - d.Left;
  r.Top = std::min(std::max(r.Top, d.Top), d.Bottom) - d.Top;
  r.Bottom = std::min(std::max(r.Bottom, d.Top), d.Bottom) - d.Top;
  if (d.Width() > 0) {
    r.Left = static_cast<int>(static_cast<int64_t>(r.Left) * Fframe_width / d.Width());
    r.Right = static_cast<int>(static_cast<int64_t>(r.Right) * Fframe_width / d.Width());
  }
  if (d.Height() > 0) {
    r.Top = static_cast<int>(static_cast<int64_t>(r.Top) * Fframe_height / d.Height());
    r.Bottom = static_cast<int>(static_cast<int64_t>(r.Bottom) * Fframe_height / d.Height());
  }
  return r;
}

std::string TCustomPlayer::ForceFormat() const {
  return Ffile_iformat && Ffile_iformat->name ? Ffile_iformat->name : "";
}

void TCustomPlayer::SetForceFormat(const std::string& value) {
  if (value.empty()) {
    Ffile_iformat = nullptr;
    return;
  }
  if (!FAVLib.AVLibLoaded()) {
    ReportError("libav not loaded.");
    return;
  }
  const AVInputFormat* f = FindProgramInputFormat(value.c_str());
  if (!f) f = ff::av_find_input_format(value.c_str());
  if (!f) throw Exception("Unknown input format: " + value);
  Ffile_iformat = f;
}

void TCustomPlayer::SetForceFrameRate(const std::string& value) {
  if (value == FForceFrameRate) return;
  if (value.empty()) {
    FForceFrameRate.clear();
    return;
  }
  // Before the libraries are loaded the text is kept as it is: the video
  // open tries it and, when it does not parse, chooses the rate itself.
  if (!FAVLib.AVLibLoaded()) {
    FForceFrameRate = value;
    return;
  }
  AVRational rate{};
  if (ff::av_parse_video_rate(&rate, value.c_str()) < 0 || rate.num <= 0)
    throw Exception("Incorrect frame rate: " + value);
  FForceFrameRate = value;
  TVideoState* is = FVideoState;
  if (is && is->video_stream >= 0 && is->video_ctx) {
    const AVRational old = is->video_ctx->framerate;
    GlobalLogger()->Log(this, llInfo, "Force stream %d frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                        is->video_stream.load(), old.den ? av_q2d(old) : 0.0, old.num, old.den, av_q2d(rate),
                        rate.num, rate.den);
    is->frame_delay = static_cast<double>(rate.den) / rate.num;
    is->flush_req = 1;
  }
}

void TCustomPlayer::SetFrameWidth(int value) {
  if (value % 2 != 0) throw Exception("Frame size must be a multiple of 2");
  Fframe_width_set = value;
}

void TCustomPlayer::SetFrameHeight(int value) {
  if (value % 2 != 0) throw Exception("Frame size must be a multiple of 2");
  Fframe_height_set = value;
}

void TCustomPlayer::SetStartTime(int64_t value) {
  if (value == Fstart_time) return;
  Fstart_time = value;
  if (value != NoTime) Seek(value, 0, false);
}

int TCustomPlayer::AudioStreamIndex() const {
  TVideoState* is = FVideoState;
  return is ? is->audio_stream.load() : -1;
}
int TCustomPlayer::VideoStreamIndex() const {
  TVideoState* is = FVideoState;
  return is ? is->video_stream.load() : -1;
}
double TCustomPlayer::VideoDisplayAspect() const {
  TVideoState* is = FVideoState;
  const AVStream* st = is ? is->video_st : nullptr;
  if (!st || !st->codecpar || st->codecpar->width <= 0 || st->codecpar->height <= 0) return 0;
  AVRational sar = st->sample_aspect_ratio;
  if (sar.num == 0 || sar.den == 0) sar = st->codecpar->sample_aspect_ratio;
  const double ratio = sar.num != 0 && sar.den != 0 ? static_cast<double>(sar.num) / sar.den : 1.0;
  return st->codecpar->width * ratio / st->codecpar->height;
}
int TCustomPlayer::SubtitleStreamIndex() const {
  TVideoState* is = FVideoState;
  return is ? is->subtitle_stream.load() : -1;
}

bool TCustomPlayer::SetAudioStreamIndex(int value) {
  TVideoState* is = FVideoState;
  if (!is || value == is->audio_stream) return true;
  return StreamCycleChannel(is, AVMEDIA_TYPE_AUDIO, value);
}
bool TCustomPlayer::SetVideoStreamIndex(int value) {
  TVideoState* is = FVideoState;
  if (!is || value == is->video_stream) return true;
  return StreamCycleChannel(is, AVMEDIA_TYPE_VIDEO, value);
}
bool TCustomPlayer::SetSubtitleStreamIndex(int value) {
  TVideoState* is = FVideoState;
  if (!is || value == is->subtitle_stream) return true;
  return StreamCycleChannel(is, AVMEDIA_TYPE_SUBTITLE, value);
}
