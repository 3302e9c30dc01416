// The DVD reader behind the program's plug-in: title information from a
// DVD's IFO tables, and the MPEG program stream of a title's chapter range
// read straight from its VOB sectors. Native code (the disc library is a
// Linux library); Windows paths are mapped through the Wine prefix's drive
// links.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dvd {

constexpr int SectorSize = 2048;

// One title as the program shows it.
struct TTitleFacts {
  double length = 0;  // seconds
  int videoType = 0;  // 1 MPEG-1, 2 MPEG-2
  int videoID = 0xE0;
  int width = 0, height = 0;
  int norm = 2;    // 0 PAL, 1 NTSC, 2 unknown
  int aspect = 2;  // 0 4:3, 1 16:9, 2 unknown
  struct TAudio {
    int type, id, sampleRate, channels;
    std::string code, language;
  };
  std::vector<TAudio> audio;
  struct TSubtitle {
    int type, id;
    std::string code, language;
  };
  std::vector<TSubtitle> subtitles;
  std::vector<double> chapters;  // seconds each
  bool valid = false;
};

// A Windows path ("D:\", "C:\dvd") as the Unix path of the Wine prefix's
// drive link; other paths pass unchanged.
std::string UnixPath(const std::string& path);

// An opened DVD folder or device.
class TDisc {
public:
  // Null when the path holds no readable DVD.
  static std::unique_ptr<TDisc> Open(const std::string& path);
  ~TDisc();
  int TitleCount() const;
  bool Title(int title, TTitleFacts& facts) const;  // title counts from 1
  struct TRun {
    uint32_t first, last;  // sectors, inclusive
  };
  // The title set and the sector runs of chapters from..to (1-based,
  // clamped to the title's chapters); false for a title that does not exist.
  bool Runs(int title, int fromChapter, int toChapter, int& titleSet, std::vector<TRun>& runs) const;
  void* Reader() const { return FReader; }

private:
  TDisc() = default;
  void* FReader = nullptr;  // the library's reader
  void* FManager = nullptr; // the video manager's tables
};

// The program stream of one title's chapter range. Packets of audio and
// subtitle streams other than the chosen ones become padding, so readers of
// the stream see only the chosen tracks (0 chooses none).
class TTitleStream {
public:
  static std::unique_ptr<TTitleStream> Open(const std::string& path, int title, int fromChapter, int toChapter,
                                            int audioID, int subtitleID, std::string* error);
  ~TTitleStream();
  int64_t Size() const { return FSize; }
  // Bytes read into buf (0 at the end, -1 on a read error).
  int Read(uint8_t* buf, int size);
  // New position, or -1 for a position outside the stream.
  int64_t Seek(int64_t position);

private:
  TTitleStream() = default;
  bool LoadSector(uint64_t index);
  std::unique_ptr<TDisc> FDisc;
  void* FFile = nullptr;
  std::vector<TDisc::TRun> FRuns;
  int64_t FSize = 0, FPos = 0;
  int64_t FLoaded = -1;
  int FAudioID = 0, FSubtitleID = 0;
  uint8_t FSector[SectorSize];
};

// Turns the PES packets of one pack that belong to unchosen audio or
// subtitle streams into padding packets of the same length.
void KeepChosenStreams(uint8_t* sector, int size, int audioID, int subtitleID);

}  // namespace dvd
