// Media fixtures of the engine tests, made with the system's `ffmpeg` tool
// from its generated (lavfi) sources into <build>/fixtures, once per build:
// a file is made again only when the command that makes it changes. Several
// test programs may ask at the same time; a lock file orders them.
#pragma once

#include <string>
#include <vector>

namespace fixtures {

struct TFixture {
  const char* name;     // file name inside the fixture folder
  const char* command;  // shell command; {out} is the output path, {dir} the folder
};

// The shared set: clip_h264_aac.mp4 (5 s 640x360 25 fps H.264, key frame
// every second, 2 B-frames; 44.1 kHz stereo AAC), multi.mkv (320x240 H.264,
// AAC stereo "eng", SubRip "eng", AC-3 5.1 "fre"; title tag), a48k_6ch.wav
// (1 s float 5.1 at 48 kHz), a44k_s16.wav (1 s stereo s16 at 44.1 kHz, no
// extra chunks), tone.mp3, rate_change.mp3 (1 s at 44.1 kHz, then 1 s at
// 22.05 kHz), still.png, empty.mp4 (0 bytes), truncated.mp4
// (the first 1000 bytes of the clip), fake.mp4 (a line of text).
const std::vector<TFixture>& StandardFixtures();

// Shell steps for test DVDs. DvdClips() makes, in the current folder, PAL
// DVD video: c1.mpg (3 s, a 440 Hz tone), c2.mpg (6 s, 660 Hz) and c3.mpg
// (4 s, two tracks of 440 Hz and 880 Hz); DvdTitles(folder) authors them
// into {dir}/<folder> as three titles, the second in two chapters (at 0 and
// 3 s).
std::string DvdClips();
std::string DvdTitles(const std::string& folder);
// A small DVD so made in the fixture folder "dvd".
const std::vector<TFixture>& DvdFixtures();

// Makes the fixtures that are missing or out of date; false when the tool
// failed (the reason goes to stderr).
bool Ensure(const std::vector<TFixture>& set);
bool EnsureStandard();

// The fixture folder (Unix form) and a fixture's Unix and Windows paths.
std::string Folder();
std::string UnixPath(const std::string& name);
std::string WindowsPath(const std::string& name);

// Runs a shell command (the native shell, outside Wine); its exit status.
int Run(const std::string& command);
// Runs a command and returns what it wrote to its standard output.
std::string Output(const std::string& command);
// A file's bytes ("" when it cannot be read).
std::string ReadAll(const std::string& unixPath);

}  // namespace fixtures
