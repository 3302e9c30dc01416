// The moment a recording's capture inputs start together. A recording
// opens its inputs one after the other, but the engine reads them in an
// order of its own: the first read of any capture input starts the
// recording for all of them, so that sound and picture cover the same time.
#pragma once

#include <cstdint>

// A capture input was opened: the next first read starts a new recording.
void ResetCaptureStart();
// A capture input's read: the recording starts now unless it has started.
void MarkCaptureStart(int64_t nowMicroseconds);
// When the recording started (av_gettime microseconds), 0 before.
int64_t CaptureStartTime();

// The pause flag of the recording's sound input (non-zero: paused), so that
// the picture pauses with the sound; null when the recording has no sound.
void SetCapturePauseFlag(const int32_t* flag);
// Unsets the flag when it is still `flag`.
void ClearCapturePauseFlag(const int32_t* flag);
bool CapturePaused();
