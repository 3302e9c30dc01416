#include "PreviewProbe.h"

#include <cmath>
#include <mutex>

#include "player/PlayerState.h"

double PreviewClockGap(TCustomPlayer* player) {
  TVideoState* is = player->FVideoState;
  if (!is || is->paused || is->shown_frames == 0 || is->audio_stream < 0) return -1;
  // Once every packet is played out the sound clock stands at its end while
  // the picture clock runs on over the last picture: that is no gap between
  // two playing streams (the tool stops reporting there too).
  if (is->ReachEOF) return -1;
  return std::fabs(GetVideoClock(is) - GetAudioClock(is));
}

long long PreviewShownPictures(TCustomPlayer* player) {
  TVideoState* is = player->FVideoState;
  return is ? is->shown_frames : -1;
}

long long PreviewDroppedPictures(TCustomPlayer* player) {
  TVideoState* is = player->FVideoState;
  return is ? static_cast<long long>(is->frame_drops_early) + is->frame_drops_late : -1;
}

long long PreviewShownPts(TCustomPlayer* player) {
  TVideoState* is = player->FVideoState;
  if (!is || is->video_stream < 0) return -1;
  std::lock_guard<std::mutex> lock(is->pictq_mutex);
  if (!is->shown || !is->shown->data[0]) return -1;
  return std::llround(is->shown_pts * 1000000.0) - is->StartTime;
}
