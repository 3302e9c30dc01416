// Test fixtures of the player: media files made with the ffmpeg tool, the
// per-player SDL copies, the sound driver's environment, a silent loopback
// server, and a look into an SDL copy. Native code: no Win32 here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A fresh folder for this test program (Unix path), made once.
std::string FixtureFolder();
// Windows path of a file of the fixture folder.
std::string FixturePath(const std::string& name);
// Runs the ffmpeg tool with `args` writing `name` into the fixture folder
// once per program; the Windows path of the file.
std::string MakeMedia(const std::string& name, const std::string& args);
// A bitmap subtitle cue: one rectangle of one colour (ARGB) shown from
// startMs to endMs.
struct TBitmapCue {
  int x, y, w, h;
  uint32_t argb;
  int startMs, endMs;
};
// A Matroska file of the pictures of a clip made by MakeMedia(videoName,
// videoArgs) and a DVD subtitle track holding the cue. Uses the media
// libraries, so a player must have loaded them first.
std::string MakeSubtitledClip(const std::string& name, const std::string& videoName, const std::string& videoArgs,
                              const TBitmapCue& cue);
// Writes a file of the given text into the fixture folder.
std::string WriteFixture(const std::string& name, const std::string& text);
// Copies the program's LibAV/SDL.dll into the fixture folder as `name`
// (once); returns the Windows path of the fixture folder.
std::string CopySDL(const std::string& name);
// The sound driver for players opened from now on, through the process
// environment that SDL reads; `diskFile` (a Unix path) for the disk driver.
void UseSoundDriver(const std::string& driver, const std::string& diskFile = "");
std::vector<int16_t> ReadSamples(const std::string& unixPath);
std::string ReadBytes(const std::string& unixPath);

// A loopback TCP server that accepts connections, sends each the given
// bytes (none by default) and then stays silent.
class TSilentServer {
public:
  explicit TSilentServer(std::string head = "");
  ~TSilentServer();
  int Port() const { return FPort; }

private:
  int FSocket = -1;
  int FPort = 0;
  std::string FHead;
  std::vector<int> FClients;
  struct Worker;
  Worker* FWorker = nullptr;
};

// The position rule of an audio-only playback, run over a sequence of
// sound-clock readings (seconds) without libraries, SDL or threads.
struct TPositionRun {
  int64_t duration = -1;       // of the input, microseconds
  bool reachedEnd = false;     // the input ended and the queues ran dry
  int64_t playTime = INT64_MIN;
  int64_t startTime = INT64_MIN;
  int repeatType = 0;          // TRepeatType
  // Results: what reached the event ring after each reading, as
  // (kind, value); and the seek the repeat rule asked for, if any.
  std::vector<std::vector<std::pair<int, int64_t>>> posted;
  bool seekRequested = false;
  int64_t seekTarget = 0;
};
void RunPositionRule(TPositionRun& run, const std::vector<double>& clocks);

// What a running playback chose and holds, read through the playback record.
class TCustomPlayer;
struct AVFormatContext;
struct TPlaybackFacts {
  bool playing = false;
  double frameDelay = -1;   // seconds one picture without a time stands for
  int64_t seekTarget = 0;   // of the last seek request, microseconds
  int64_t startTime = 0;    // of the input, microseconds
  AVFormatContext* input = nullptr;
};
TPlaybackFacts PlaybackFacts(const TCustomPlayer& player);

// The sound's catch-up rule of an open playback, fed `calls` buffers of
// `size` bytes from the first: the sound clock reads `audioClock` and the
// picture clock `videoClock` (the playback is paused, so both hold what is
// set); the sizes the rule leaves, or nothing while the playback has not
// shown its first picture or lacks sound or pictures.
std::vector<int> SoundSyncSizes(TCustomPlayer& player, double audioClock, double videoClock, int size, int calls);
// The size of a playback record, as the player allocates it.
size_t PlaybackRecordSize();
