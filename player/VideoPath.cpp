// The picture side of a playback: the refresh tick that drives the play
// thread, and the seam where video decoding, the picture queue and drawing
// into the host window attach. Until pictures are drawn, a video or
// subtitle stream is left closed and the sound plays alone.
#include "player/PlayerState.h"

int VideoComponentOpen(TVideoState* is) { return -1; }
void VideoComponentClose(TVideoState* is) {}
int SubtitleComponentOpen(TVideoState* is) { return -1; }
void SubtitleComponentClose(TVideoState* is) {}
void VideoDisplay(TVideoState* is) {}
void HandleVideoEvent(TVideoState* is, const SDL_Event& event) {}
void FreePictures(TVideoState* is) {}

void StartRefreshThread(TVideoState* is) {
  is->refresh_tid = new TAnonymousThread([is] {
    TCustomPlayer* player = is->Owner;
    while (!is->abort_request) {
      if (is->refresh != 1) {
        is->refresh = 1;
        player->PushUserEvent(RefreshEvent, is);
      }
      const bool slow = is->audio_stream >= 0 && is->show_mode != 0;
      is->wake.WaitFor(slow ? player->rdftspeed : 5);
    }
  });
  is->refresh_tid->Start();
}

void VideoRefresh(TVideoState* is, bool fromTimer) {
  if (is->video_stream < 0) {
    if (is->audio_stream >= 0) {
      VideoDisplay(is);
      is->Owner->UpdatePosition();
    }
    return;
  }
}
