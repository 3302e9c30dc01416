// The run of a task: set-up, the transcode loop and draining.
#include "engine/FFmpeg.h"

void TCustomFFmpeg::Transcode() {
  RaiseFatal("Transcoding is not available in this build.");
}
