// The encoder component: an ordered list of conversion tasks run on worker
// threads with a bound on how many run at once, and the events through
// which the application follows them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/FFBaseComponent.h"
#include "engine/FFDecode.h"
#include "engine/FFLoad.h"
#include "engine/FFmpeg.h"
#include "framework/Streams.h"
#include "framework/Threads.h"

struct TInputOptions {
  TPathFileName FileName;
  std::string Options;
  std::string Presets;
  int Tag = 0;
  void* Data = nullptr;
};

struct TOutputOptions {
  TPathFileName FileName;
  std::string Options;
  std::string Presets;
  bool AudioHook = false;
  bool VideoInputHook = false;
  bool VideoOutputHook = false;
  int VideoHookBitsPixel = 24;
  bool FrameInputHook = false;
  bool FrameOutputHook = false;
  bool Join = false;
  int Tag = 0;
  void* Data = nullptr;
};

void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

struct TProgressInfo {
  int TaskIndex = 0;
  int FileIndex = 0;
  int FrameNumber = 0;
  int FPS = 0;
  float Quality = 0;
  float BitRate = 0;
  int64_t CurrentSize = 0;
  int64_t CurrentDuration = 0;
  int64_t TotalDuration = -1;
};

struct TTerminateInfo {
  int TaskIndex = 0;
  bool Finished = false;
  bool Exception = false;
  std::string ExceptionMsg;
};

struct TPreviewInfo {
  int TaskIndex = 0;
  TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;
  int64_t PTS = 0;
};

struct THookInfo {
  int TaskIndex = 0;
  TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;
  int64_t PTS = 0;
  bool Update = false;
  bool StopHook = false;
};

struct TFrameHookInfo {
  int TaskIndex = 0;
  int FrameNumber = 0;
  void* Picture = nullptr;
  AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
  int Width = 0;
  int Height = 0;
  int64_t PTS = 0;
};

using TEncProgressEvent = std::function<void(TObject* sender, TProgressInfo* info)>;
using TEncTerminateEvent = std::function<void(TObject* sender, const TTerminateInfo& info)>;
using TEncPreviewBitmapEvent = std::function<void(TObject* sender, const TPreviewInfo& info)>;
using TEncVideoHookEvent = std::function<void(TObject* sender, THookInfo* info)>;
using TEncFrameHookEvent = std::function<void(TObject* sender, TFrameHookInfo* info)>;
using TEncAudioHookEvent = std::function<void(TObject* sender, int taskIndex, int64_t pts, uint8_t* sample,
                                              int size, int sampleRate, int channels, AVSampleFormat format)>;

class TCustomEncoder;

// One task of the encoder.
class TFFmpeg : public TCustomFFmpeg {
public:
  explicit TFFmpeg(TCustomEncoder* parent) : FParent(parent) {}
  ~TFFmpeg() override;

  // The decoder bound to an input, made on first use.
  TFFDecoder* Decoder(int inputIndex);

  std::vector<std::unique_ptr<TFFDecoder>> FDecoders;
  std::vector<std::unique_ptr<TInputOptions>> FInputOptions;
  std::vector<std::unique_ptr<TOutputOptions>> FOutputOptions;
  TCustomEncoder* FParent;
};

class TFFmpegList {
public:
  ~TFFmpegList() { Clear(); }
  int Add(TFFmpeg* task);
  void Clear();
  void Delete(int index);
  void Exchange(int a, int b);
  TFFmpeg* Get(int index) const { return FList.at(static_cast<size_t>(index)); }
  int IndexOf(const TObject* task) const;
  int Count() const { return static_cast<int>(FList.size()); }
  void PauseAll();
  void ResumeAll();
  void StopAll(bool waitForStop);

private:
  std::vector<TFFmpeg*> FList;
};

class TCustomEncoder : public TFFBaseComponent {
public:
  explicit TCustomEncoder(TComponent* owner);
  ~TCustomEncoder() override;

  bool LoadAVLib(const std::string& path);
  bool AVLibLoaded() const;
  void UnloadAVLib();

  void ClearTasks();
  int AddTask(const TPathFileName& fileName, TInputOptions* options);
  int AddTask(const TPathFileName& fileName, const std::string& options, const std::string& presets = "");
  int AddInput(int taskIndex, const TPathFileName& fileName, TInputOptions* options);
  int AddInput(int taskIndex, const TPathFileName& fileName, const std::string& options,
               const std::string& presets = "");
  int SetOutput(int taskIndex, const TPathFileName& fileName, TOutputOptions* options);
  int SetOutput(int taskIndex, const TPathFileName& fileName, const std::string& options,
                const std::string& presets = "");
  // Stream forms: the name is "stream:<address of the stream>:<privateData>".
  int AddTask(TStream* stream, const std::string& privateData, TInputOptions* options);
  int AddTask(TStream* stream, const std::string& privateData, const std::string& options,
              const std::string& presets);
  int AddInput(int taskIndex, TStream* stream, const std::string& privateData, TInputOptions* options);
  int AddInput(int taskIndex, TStream* stream, const std::string& privateData, const std::string& options,
               const std::string& presets);
  int SetOutput(int taskIndex, TStream* stream, const std::string& privateData, TOutputOptions* options);
  int SetOutput(int taskIndex, TStream* stream, const std::string& privateData, const std::string& options,
                const std::string& presets);
  static std::string StreamName(const TStream* stream, const std::string& privateData);
  void RemoveTask(int taskIndex);
  void Exchange(int taskIndex1, int taskIndex2);
  int GetTaskIndex(const TObject* task) const { return FFFmpegList.IndexOf(task); }
  int TasksCount() const { return FFFmpegList.Count(); }
  TFFDecoder* TaskInputDecoder(int taskIndex, int inputIndex);

  void Start(int threadCount);
  void Pause();
  void Resume();
  void Stop(bool waitForStop);
  // For the window that owns the encoder, before it goes (the destructor
  // does the same): stops every task and returns once every worker and end
  // delivery is through, serving the GUI thread's calls meanwhile. Events
  // waiting for the GUI thread, and any raised later, are dropped: no
  // handler of the encoder runs again. GUI thread only.
  void Shutdown();

  const std::string& LastErrMsg() const { return FLastErrMsg; }
  TFFDecoder* Decoder() { return FDecoder.get(); }
  bool Preview() const { return FPreview; }
  void SetPreview(bool value);
  bool PreviewBitmap() const { return FPreviewBitmap; }
  void SetPreviewBitmap(bool value);
  int ProgressInterval() const { return FProgressInterval; }
  void SetProgressInterval(int value);
  bool Working() const { return FWorking; }
  bool Paused() const { return FPaused; }
  // The run has ended (its final event was raised) or was never started.
  bool Terminated() const { return FTerminated; }

  void* FData = nullptr;
  bool FHaltOnInvalidOption = true;
  int ThreadPriority = 0;
  bool TriggerEventInMainThread = true;

  TEncAudioHookEvent OnAudioHook;
  TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;
  TEncVideoHookEvent OnVideoInputHook;
  TEncVideoHookEvent OnVideoOutputHook;
  TEncPreviewBitmapEvent OnPreviewBitmap;
  TEncProgressEvent OnProgress;
  TEncTerminateEvent OnTerminate;
  TEncFrameHookEvent OnFrameInputHook;
  TEncFrameHookEvent OnFrameOutputHook;

protected:
  friend class TDoTerminateThread;
  virtual void DoVideoInputHook(TObject* task, TBitmap* bitmap, int frameNumber, int64_t pts, bool& update,
                                bool& stop);
  virtual void DoVideoOutputHook(TObject* task, TBitmap* bitmap, int frameNumber, int64_t pts, bool& update,
                                 bool& stop);
  virtual void DoFrameInputHook(TObject* task, void* picture, AVPixelFormat pixFmt, int frameNumber, int width,
                                int height, int64_t pts);
  virtual void DoFrameOutputHook(TObject* task, void* picture, AVPixelFormat pixFmt, int frameNumber, int width,
                                 int height, int64_t pts);
  virtual void DoPreviewBitmap(TObject* task, TBitmap* bitmap, int frameNumber, int64_t pts);
  virtual void DoProgress(TObject* task, int fileIndex, int frameNumber, int fps, float quality, float bitRate,
                          int64_t currentSize, int64_t currentDuration, int64_t totalDuration);
  virtual void DoTaskTerminate(TObject* task);
  void DoAudioHook(TObject* task, int64_t pts, uint8_t* sample, int size, int sampleRate, int channels,
                   AVSampleFormat format);
  void DoBeforeFindStreamInfo(TObject* task, AVFormatContext* context);

private:
  void CheckBusy(const char* name) const;
  void StartNextTask();
  void DoFinalTerminate();
  void StartDelivery(const TTerminateInfo& info, bool checkPrevious);
  void RunVideoHook(const TEncVideoHookEvent& handler, TObject* task, TBitmap* bitmap, int frameNumber,
                    int64_t pts, bool& update, bool& stop);
  void RunFrameHook(const TEncFrameHookEvent& handler, TObject* task, void* picture, AVPixelFormat pixFmt,
                    int frameNumber, int width, int height, int64_t pts);
  TPostHooks PostHookSet() const;
  void BindDecoder(TFFmpeg* task, int inputIndex);
  void StoreInputOptions(TFFmpeg* task, const TPathFileName& fileName, TInputOptions* options);

  std::string FLastErrMsg;
  bool FPreview = false;
  bool FPreviewBitmap = false;
  int FProgressInterval = 500;
  std::unique_ptr<TFFDecoder> FDecoder;
  TFFmpegList FFFmpegList;
  TAVLibUser FLibs{AllLibraries};

  int FCompleteTasks = 0;
  int FCurrentTask = -1;
  int FPendingTasks = 0;
  std::atomic<bool> FTerminated{false};
  bool FThreadMode = false;
  std::atomic<bool> FWorking{false};
  std::atomic<bool> FPaused{false};
  // Set by Shutdown: events are no longer delivered.
  std::atomic<bool> FClosing{false};

  TProgressInfo FProgressInfo;
  TTerminateInfo FTerminateInfo;
  TPreviewInfo FPreviewInfo;
  THookInfo FVideoHookInfo;
  TFrameHookInfo FFrameHookInfo;
  TCriticalSection FAudioHookLock, FPreviewLock, FProgressLock, FTerminateLock, FVideoHookLock, FFrameHookLock,
      FFindStreamLock;
  // Keeps the GUI thread (Start) and ending tasks apart while they pick the
  // next task to start.
  TCriticalSection FStartLock;
  TObject* FSender = nullptr;
  AVFormatContext* FAVFormatContext = nullptr;
  std::atomic<bool> FThreadTerminated{true};
  // End deliveries still running; the destructor waits for them, since they
  // call back into this object.
  std::atomic<int> FDeliveries{0};
  // Task end deliveries not yet through; the final event waits for all of
  // them, not only the one started last, so it never overtakes a slower one.
  std::atomic<int> FTaskDeliveries{0};
  std::mutex FDeliveryLock;
  std::condition_variable FDeliveryDone;
};

class TFFEncoder : public TCustomEncoder {
public:
  explicit TFFEncoder(TComponent* owner = nullptr) : TCustomEncoder(owner) {}
};

// Hands one end event to its handler, so the ending worker can go on at once.
class TDoTerminateThread : public TThread {
public:
  TDoTerminateThread(TCustomEncoder* sender, const TTerminateInfo& info, bool checkPrevious);

protected:
  void Execute() override;

private:
  TEncTerminateEvent FOnTerminate;
  TCustomEncoder* FSender;
  TTerminateInfo FTerminateInfo;
  std::atomic<bool>* FThreadTerminated;
  bool FCheckThreadTerminated;
  bool FTriggerEventInMainThread;
};
