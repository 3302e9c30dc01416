// Events from the playback to the application: the event ring, the event
// and play threads, and the rule that decides which positions are reported
// and when the end of the media is.
#include "player/PlayerEvents.h"

#include <cmath>
#include <cstdlib>

#include "engine/FFLog.h"
#include "player/PlayerState.h"

void TPlayEvent::Post(int kind, int64_t value) {
  TLock lock(Lock);
  const int newest = (Tailer + 9) % 10;
  if (Header == Tailer || Events[newest].Kind != kind) {
    Tailer = (Tailer + 1) % 10;
    if (Tailer == Header) Header = (Header + 1) % 10;
  }
  Events[(Tailer + 9) % 10] = TPlayEventEntry{kind, value};
  Event.SetEvent();
}

TPlayEventEntry TPlayEvent::Take() {
  TLock lock(Lock);
  TPlayEventEntry entry;
  if (Header != Tailer) {
    entry = Events[Header];
    Header = (Header + 1) % 10;
  }
  if (Header == Tailer) Event.ResetEvent();
  return entry;
}

int TPlayEvent::Count() {
  TLock lock(Lock);
  return (Tailer - Header + 10) % 10;
}

void TCustomPlayer::QueueState(TPlayState AState) {
  FState = AState;
  if (OnState)
    PostPlayEvent(PlayEventState, AState);
  else if (AState == psStop)
    PostPlayEvent(PlayEventQuit, 0);  // the event thread must still end
}

void TEventThread::Execute() {
  TCustomPlayer* p = FOwner;
  while (!Terminated()) {
    const TPlayEventEntry e = p->FPlayEvent.Take();
    bool leave = false;
    auto deliver = [this](const std::function<void()>& call) {
      if (FOwner->TriggerEventInMainThread)
        CallInMainThread(call);
      else
        call();
    };
    switch (e.Kind) {
      case PlayEventPosition:
        p->FEventPTS = e.Value;
        if (p->OnPosition) deliver([p] { if (p->OnPosition) p->OnPosition(p, p->FEventPTS); });
        break;
      case PlayEventState:
        p->FEventState = static_cast<TPlayState>(e.Value);
        if (p->OnState)
          deliver([p] {
            // The application hears of the end with the ended playback's
            // settings back at their defaults.
            if (p->FEventState == psStop) p->ApplyDueSettingsReset();
            if (p->OnState) p->OnState(p, p->FEventState);
          });
        leave = p->FEventState == psStop;
        break;
      case PlayEventQuit:
        leave = true;
        break;
      default:
        break;
    }
    if (leave) break;
    while (!Terminated() && p->FPlayEvent.Event.WaitFor(100) != wrSignaled) {
    }
  }
  Terminate();
}

void TPlayThread::Execute() {
  TCustomPlayer* p = FOwner;
  p->FStopEvent.ResetEvent();
  try {
    p->QueueState(psPlay);
    try {
      p->EventLoop();
    } catch (const std::exception& e) {
      GlobalLogger()->Log(p, llFatal, std::string("PlayThread Exception: ") + e.what());
      std::lock_guard<std::timed_mutex> lock(p->FDataLock);
      StreamClose(p);
    }
    p->QueueState(psStop);
  } catch (...) {
  }
  p->FStopEvent.SetEvent();
}

void TCustomPlayer::PushUserEvent(int type, TVideoState* is) {
  if (!SDL().SDL_PushEvent) return;
  SDL_Event event{};
  event.type = static_cast<Uint32>(type);
  event.user.data1 = is;
  SDL().SDL_PushEvent(&event);
}

void TCustomPlayer::EventLoop() {
  FLooping = true;
  for (;;) {
    SDL_Event event;
    if (!SDL().SDL_WaitEvent(&event)) {
      // Only a stopped event queue fails a wait: nothing can arrive any more.
      std::lock_guard<std::timed_mutex> lock(FDataLock);
      StreamClose(this);
      return;
    }
    std::lock_guard<std::timed_mutex> lock(FDataLock);
    TVideoState* is = FVideoState;
    if (!is) {
      ShutdownSDL();
      return;
    }
    switch (event.type) {
      case SDL_QUIT:
      case QuitEvent:
        StreamClose(this);
        return;
      case RefreshEvent:
        VideoRefresh(is, true);
        is->refresh = 0;
        break;
      case AllocEvent:
      case RelayoutEvent:
      case ResizeEvent:
      case ExposeEvent:
      case ClearEvent:
        HandleVideoEvent(is, event);
        break;
      default:
        break;
    }
  }
}

void TCustomPlayer::UpdatePosition() {
  TVideoState* is = FVideoState;
  if (!is || is->IsImage2) return;
  int64_t pos;
  if (is->video_stream >= 0) {
    pos = std::llround(GetVideoClock(is) * 1000000.0) - is->StartTime;
  } else if (is->audio_stream >= 0) {
    pos = std::llround(GetAudioClock(is) * 1000000.0) - is->StartTime;
    if (is->AudioDuration > 0 && pos >= is->AudioDuration && is->Duration > pos) pos = is->Duration;
    // The clock is an estimate that lags what was heard; once the input is
    // over and the device has played out its last buffers of sound, all of
    // it has been heard.
    if (is->ReachEOF && is->audio_silent_callbacks >= 3 && is->Duration > pos) pos = is->Duration;
  } else {
    return;
  }
  FCurrentPTS = pos;
  if (is->Duration > 0 && pos >= is->Duration) {
    pos = is->Duration;
    if (FLastPTS != pos) FLastPTS = 0;  // the end is always reported
  }
  const int64_t last = FLastPTS;
  // The sound clock steps back a little when a callback comes late; a
  // position report never does, except by more than a seek's worth.
  if (is->video_stream < 0 && last != NoTime && pos < last && last - pos < 500000) pos = last;
  if (last == NoTime || std::llabs(pos - last) > 10000) {
    FLastPTS = pos;
    if (OnPosition) PostPlayEvent(PlayEventPosition, pos);
  }
  if (is->IsDevice == 0 && is->EventEOF == 0 && is->ReachEOF == 1) {
    if (is->video_stream >= 0) is->EventEOF = 1;
    QueueState(psEnd);
  }
  if (PlayTime == NoTime) return;
  const int64_t limit = Fstart_time != NoTime ? PlayTime + Fstart_time : PlayTime;
  if (pos < limit) return;
  switch (RepeatType) {
    case rtNone:
      break;
    case rtStop:
      Stop(false);
      break;
    case rtPause:
      Pause();
      break;
    case rtRewind:
      Pause();
      [[fallthrough]];
    case rtLoop:
      if (Fstart_time != NoTime)
        Seek(Fstart_time, 0, false);
      else
        Seek(static_cast<int64_t>(0), SeekFlag(sfAny), false);
      break;
  }
}
