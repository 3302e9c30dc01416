// The decoder component: opens one media file, tells what it holds (streams,
// codecs, times, sizes, tags, a readable description), and decodes single
// pictures and audio from it. The application probes every added file with
// it on the GUI thread and draws the thumbnails from it; the player and each
// task input of the encoder own one as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/FFBaseComponent.h"
#include "engine/FFLoad.h"
#include "engine/FFUtils.h"
#include "engine/FormatConverter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

class TBitmap;
struct SwrContext;

struct TFileStreamInfo {
  int64_t StartTime = AV_NOPTS_VALUE;  // microseconds
  int64_t Duration = -1;               // microseconds; -1 when the file has none
  int BitRate = -1;
  int64_t TimeStamp = -1;
  int Year = -1;
  int Track = -1;
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TAudioStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StartTime = -1, Duration = -1;              // stream time base
  int64_t StartTimeScaled = -1, DurationScaled = -1;  // microseconds
  int BitRate = -1;
  int Channels = -1;
  int SampleRate = -1;
  int SampleFormat = -1;  // AVSampleFormat
};

struct TVideoStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StartTime = -1, StartTimeScaled = -1;
  int64_t Duration = -1, DurationScaled = -1;
  int BitRate = -1;
  int Height = -1;
  int Width = -1;
  float AspectRatio = -1.0f;  // display aspect ratio
  int PixFmt = -1;            // AVPixelFormat
  AVRational FrameRate{-1, -1};
};

struct TSubtitleStreamInfo {
  std::string Language;
  std::string CodecName;
};

// The last decoded picture.
struct TFrameInfo {
  int PixFmt = -1;
  int Width = -1, Height = -1;
  bool IsKeyFrame = false;
  int PictureType = 0;
  int64_t PTS = AV_NOPTS_VALUE;  // microseconds from the stream's start time
  int64_t OriginalDTS = AV_NOPTS_VALUE, OriginalPTS = AV_NOPTS_VALUE;  // stream time base
  int StreamIndex = -1;
  int64_t Position = -1;
  bool Ready = false;
  TAVPicture Picture{};  // plane pointers and line sizes into Buffer
  uint8_t* Buffer = nullptr;  // owned (library allocation)
  int Size = 0;               // capacity of Buffer
};

// The last decoded audio, in the decoder's output format.
struct TWaveInfo {
  int Channels = 0;
  int SampleRate = 0;
  int SampleFormat = -1;
  int BytesPerSample = 0;
  int BytesPerSecond = 0;
  int64_t PTS = AV_NOPTS_VALUE;
  int64_t OriginalDTS = AV_NOPTS_VALUE, OriginalPTS = AV_NOPTS_VALUE;
  int StreamIndex = -1;
  bool Ready = false;
  uint8_t* Buffer = nullptr;  // the decoder's buffer, not owned by the record
  int Size = 0;
  int64_t Duration = AV_NOPTS_VALUE;
};

class TCustomDecoder : public TFFBaseComponent {
public:
  explicit TCustomDecoder(TComponent* owner);
  ~TCustomDecoder() override;

  bool LoadAVLib(const std::string& path);
  bool AVLibLoaded() const { return FLib.AVLibLoaded(); }
  void UnloadAVLib();

  bool LoadFile(const std::string& fileName, const std::string& formatName = "");
  virtual void CloseFile();

  AVFormatContext* FileHandle() const { return FFileHandle; }
  // Adopts a context opened elsewhere; the decoder never closes it.
  virtual void SetFileHandle(AVFormatContext* context);

  bool IsAudioStream(int streamIndex);
  bool IsVideoStream(int streamIndex);
  bool IsSubtitleStream(int streamIndex);

  TFileStreamInfo FileStreamInfo();
  bool GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info);
  bool GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info);
  bool GetSubtitleStreamInfo(int streamIndex, TSubtitleStreamInfo& info);
  TAudioStreamInfo FirstAudioStreamInfo();
  TVideoStreamInfo FirstVideoStreamInfo();
  TSubtitleStreamInfo FirstSubtitleStreamInfo();

  std::string FileName();
  std::string FormatName();
  std::string FormatLongName();
  std::string FileInfoText();

  bool opt_default(const std::string& option, const std::string& value);

  const std::string& LastErrMsg() const { return FLastErrMsg; }

  bool TriggerEventInMainThread = true;
  TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;

  // File facts; -1 when no file is open.
  int64_t FFileSize = -1;
  int FStreamCount = -1, FProgramCount = -1;
  int FAudioStreamCount = -1, FVideoStreamCount = -1, FSubtitleStreamCount = -1;
  int FFirstAudioStreamIndex = -1, FFirstVideoStreamIndex = -1, FFirstSubtitleStreamIndex = -1;

protected:
  virtual void ScanStreams();
  // Stores the text and sends it to the logger at the level matching the
  // library level given (16 error, 24 warning, 32 info, 48 debug).
  void SetError(int avLevel, const std::string& text);
  // The stream of that type at `index`, or `fallback` for a negative index;
  // -1 with the error set when there is none ("audio", "video" name the type).
  int TypedStreamIndex(int index, int fallback, AVMediaType type, const char* word);
  bool HasFile() const { return FFileHandle != nullptr; }
  bool OwnHandle() const { return FOwnHandle; }
  int64_t FileSizeOfContext() const;
  std::string OpenName() const;
  static int ReadInterrupt(void* opaque);
  int CheckReadTimeout();

  AVFormatContext* FFileHandle = nullptr;
  int Fsws_flags = SWS_BICUBIC;
  TFFOptions FOptions;
  bool FLoading = false;
  bool FOwnHandle = false;
  std::string FLastErrMsg;
  std::string FForceFormat;
  std::string FFileName;  // as given to LoadFile
  // Library clock (microseconds) of the last start of a blocking call;
  // INT64_MAX switches the time-out off, 0 cancels the call.
  volatile int64_t FLastRead = INT64_MAX;

private:
  void StreamLines(std::string& text, int index, std::vector<char>& shown);
  TAVLibUser FLib{DecoderLibraries};
};

class TFFDecoder : public TCustomDecoder {
public:
  explicit TFFDecoder(TComponent* owner);
  ~TFFDecoder() override;

  void CloseFile() override;

  bool Seek(int64_t pts, TSeekFlags seekFlags = 0);
  bool Decode(int streamIndex = -1);
  bool DecodeNextKeyFrame(int streamIndex = -1);
  bool DecodePreviousKeyFrame(int streamIndex = -1);
  bool DecodePreviousFrame(int streamIndex = -1);
  bool CopyToBitmap(TBitmap* bitmap);
  // The current picture as the converter's device-independent bitmap.
  const TDIBInfo* GetBitmapPtr();
  int64_t Position();

  const TFrameInfo& FrameInfo() const { return FPicture; }
  int BitmapBitsPixel() const;
  void SetBitmapBitsPixel(int bits);
  bool Deinterlace = false;

  // Audio, converted to one output format (2 channels, 44100 Hz, s16 by default).
  bool DecodeAudio(int streamIndex = -1);
  int ReadAudio(void* buffer, int count, int streamIndex = -1);
  const TWaveInfo& WaveInfo() const { return FWaveInfo; }
  int DesireAudioChannels() const { return FDesireAudioChannels; }
  void SetDesireAudioChannels(int channels);
  int DesireAudioSampleRate() const { return FDesireAudioSampleRate; }
  void SetDesireAudioSampleRate(int rate);
  // Whether the last buffer came through the converter (false: passed through).
  bool AudioConverted() const { return FWaveInfo.Buffer && FWaveInfo.Buffer == FResampledAudioBuffer; }

protected:
  int SelectVideoStream(int streamIndex);
  int SelectAudioStream(int streamIndex);
  bool SeekableCheck();
  // The frame rate used for stepping and seeking in a video stream.
  AVRational ChooseFrameRate(int index);
  bool OpenVideoDecoder(int index);
  bool OpenAudioDecoder(int index);
  void ResetPicture();
  void ResetWave();
  bool StorePicture(const AVFrame* frame);
  bool ConvertAudio(const AVFrame* frame, int index);
  void FreeConverter();
  int64_t FrameDuration() const { return FrameDurationFromRate(FFrameRate); }
  int64_t StreamToMicro(int index, int64_t ts) const;

  AVCodecContext* FCodec = nullptr;
  int FCodecIndex = -1;
  AVCodecContext* FAudioCodec = nullptr;
  int FAudioCodecIndex = -1;
  std::unique_ptr<TFormatConverter> FFormatConv;
  int FSeekIndex = -1;
  int FDesireVideoIndex = -1;
  AVRational FFrameRate{0, 0};
  bool FEOF = false;
  // A read that failed after the decoder was drained: only the end of the
  // input ends decoding (FEOF); another failure is told as it is. False.
  bool ReadFailedAfterDrain(int readResult);
  bool FEOFpkt = false;
  TFrameInfo FPicture;
  int64_t FLastPTS = AV_NOPTS_VALUE;
  AVFrame* FFrame = nullptr;
  AVPacket* FPacket = nullptr;
  uint8_t* FDeintBuf = nullptr;
  int FDeintSize = 0;

  int FDesireAudioChannels = 2;
  int FDesireAudioSampleRate = 44100;
  AVSampleFormat FDesireAudioSampleFormat = AV_SAMPLE_FMT_S16;
  int FDesireAudioIndex = -1;
  AVFrame* FAudioDecodedFrame = nullptr;
  uint8_t* FDecodedAudioBuffer = nullptr;
  unsigned FDecodedAudioSize = 0;
  uint8_t* FResampledAudioBuffer = nullptr;
  unsigned FResampledAudioSize = 0;
  int FResampleChannels = -1, FResampleSampleRate = -1, FResampleSampleFormat = -1;
  int64_t FAudioChannelLayout = 0;
  SwrContext* FAudioSwrCtx = nullptr;
  int FRemainsAudioSize = 0;
  TWaveInfo FWaveInfo;
};
