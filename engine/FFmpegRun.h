// One run of a transcoder task on its worker: set-up, the loop over input
// packets, the video, audio and subtitle paths, progress and the ending.
// Lives only inside TCustomFFmpeg::Transcode; every stage works on the
// task's own tables.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

#include "engine/FFmpeg.h"
#include "engine/ProgramFilters.h"

// The process-wide lock of the preview set (SetPostHooks and the preview step).
TCriticalSection& TranscoderPreviewLock();

class TTranscodeRun {
public:
  explicit TTranscodeRun(TCustomFFmpeg& task);
  ~TTranscodeRun();
  TTranscodeRun(const TTranscodeRun&) = delete;
  TTranscodeRun& operator=(const TTranscodeRun&) = delete;

  // The whole run; raises FFmpegException on a fatal error.
  void Transcode();

private:
  // Set-up (FFmpegTranscode.cpp).
  int TranscodeInit();
  int SetupStreamCopy(TOutputStream& ost, TInputStream& ist);
  int SetupEncoding(TOutputStream& ost, TInputStream& ist);
  int ConfigureVideoFilters(TInputStream& ist, TOutputStream& ost);
  int OpenEncoder(TOutputStream& ost);
  int InitInputStream(int row, std::string& error);
  int OpenBitstreamFilters(TOutputStream& ost);
  int SetupPassLog(TOutputStream& ost, size_t row);
  void CheckExperimental(AVCodecContext* c, bool encoder);
  void DumpStreamMapping();
  void PrintSDP();

  // The loop and packet output (FFmpegTranscode.cpp).
  int OutputPacket(TInputStream& ist, const AVPacket* pkt);
  int CheckOutputConstraints(TInputStream& ist, TOutputStream& ost);
  void RateEmulate(TInputStream& ist);
  void DoStreamCopy(TInputStream& ist, TOutputStream& ost, const AVPacket* pkt);
  // Takes the packet's data (the packet is left empty).
  void WriteFrame(TOutputStream& ost, AVPacket* pkt);
  void MuxPacket(TOutputStream& ost, AVPacket* pkt);
  void CheckInputEnd(int fileIndex, int readResult);

  // Video (FFmpegVideoPath.cpp).
  int TranscodeVideo(TInputStream& ist, AVFrame* frame);
  void PreProcessVideoFrame(TInputStream& ist, AVFrame* picture);
  bool Deinterlace(TInputStream& ist, AVFrame* picture);
  bool CallVideoHook(TVideoHookEvent& event, TFormatConverter* converter, int64_t time, int frameNumber,
                     AVFrame* picture);
  void PushVideoFrame(TInputStream& ist, TOutputStream& ost, AVFrame* picture);
  void PullVideoFrames(TInputStream& ist, TOutputStream& ost);
  void DoVideoOut(TOutputStream& ost, AVFrame* picture, TInputStream& ist, int64_t pictureTime);
  AVFrame* DoOutputHooks(AVFrame* picture, AVCodecContext* enc, int64_t time, int frameNumber, bool& hookResult);
  void DoPostHooks(AVFrame* picture, AVCodecContext* enc, bool hookResult, int64_t time, int frameNumber);
  void EncodeFrame(TOutputStream& ost, AVFrame* frame);
  void DoVideoStats(TOutputStream& ost, const AVPacket* pkt);

  // Audio and subtitles (FFmpegAudioPath.cpp).
  int TranscodeAudio(TInputStream& ist, AVFrame* frame);
  void CallAudioHook(TInputStream& ist, AVFrame* frame);
  void AdjustVolume(AVFrame* frame);
  void DoAudioOut(TOutputStream& ost, AVFrame* frame, TInputStream& ist);
  void EncodeAudioFifo(TOutputStream& ost, bool flush);
  int TranscodeSubtitles(TInputStream& ist, const AVPacket* pkt);
  void DoSubtitleOut(TOutputStream& ost, int64_t pts, AVSubtitle* sub, TInputStream& ist);

  // Progress, draining and ending (FFmpegProgress.cpp).
  void PrintReport(int64_t now, bool isFinal, int fileIndex);
  void FlushDecoders();
  // Drains the encoders of the first `rows` rows not drained before.
  void FlushEncoders(size_t rows = SIZE_MAX);
  void Ending();
  void TranscodeCleanup();

  size_t RowOf(const TOutputStream& ost) const;
  size_t RowOf(const TInputStream& ist) const;

  // The deinterlacer of one decoded input stream: a small library graph
  // built for the pictures' size and format, rebuilt when they change.
  struct TDeinterlacer {
    AVFilterGraph* graph = nullptr;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    int width = 0, height = 0, format = AV_PIX_FMT_NONE;
    bool failed = false;  // the library cannot deinterlace this format
  };

  // Join (FFmpegJoin.cpp): the input of the current part, or -1 when its
  // frame limit is reached; the switch to the next part.
  int JoinInputToRead() const;
  void JoinNextPart();
  void ReopenJoinEncoders();
  // The first part's encoder settings before their first opening.
  void SaveJoinTemplate(TOutputStream& ost);
  void FreeJoinTemplates();
  std::vector<AVCodecContext*> FJoinTemplates;
  int FJoinPart = 0;
  std::vector<int64_t> FJoinLastDts;  // per library stream: the last time written

  // Program equalisers whose values the program changes during the run,
  // per output row; read before each picture enters the row's graph
  // (FFmpegLiveFilters.cpp).
  void PollLiveFilters(TOutputStream& ost);
  std::vector<std::vector<TLiveFilter>> FLiveFilters;

  TCustomFFmpeg& T;
  std::vector<char> FNoPacket;  // per input file
  int FNoPacketCount = 0;
  int64_t FTimerStart = 0;
  AVPacket* FPacket = nullptr;      // the packet read last
  AVPacket* FOutPacket = nullptr;   // encoder and copy output
  AVFrame* FDecoded = nullptr;      // the decoder's output
  AVFrame* FFiltered = nullptr;     // the filter graph's output
  AVFrame* FAudioFrame = nullptr;   // one encoder frame of audio
  std::vector<int64_t> FOutTime;    // per output row: end of the last packet written, microseconds
  // Per output row: end of the latest picture or sound written (its
  // presentation time plus duration), microseconds. Reordered video has its
  // decoding times behind the presentation: this is where the output stands.
  std::vector<int64_t> FOutEnd;
  int64_t FReportedTime = 0;        // the time of the last progress report, microseconds
  std::vector<float> FQuality;      // per output row: quality of the last encoded picture
  std::vector<int> FFramesOut;      // per decoded input row: frames out of the current packet
  std::vector<int> FPacketsOut;     // per output row: pictures the encoder has given back
  std::vector<TDeinterlacer> FDeinterlacers;  // per input row
  AVFrame* FDeinterlaced = nullptr;
  std::vector<uint8_t> FHookSamples;  // packed copy of planar audio for the audio hook
  bool FCleanedUp = false;
  std::string FInputError;  // why an input ended early, if it did
};
