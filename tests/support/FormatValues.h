// The encoding values of a plain MP4 format for tests that need one.
#pragma once

#include "app/main/AppData.h"

// H.264 at 640x480, 25 fps and 1 Mbit/s; AAC stereo at 44.1 kHz and
// 128 kbit/s.
inline void SetPlainMp4Values(TFormat& f) {
  f.Width = "640";
  f.Height = "480";
  f.FrameRate = "25000";
  f.VideoCodecName = "libx264";
  f.VideoBitRate = "1000000";
  f.SampleRate = "44100";
  f.Channel = "2";
  f.AudioCodecName = "aac";
  f.AudioBitRate = "128000";
}
