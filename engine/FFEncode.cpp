#include "engine/FFEncode.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "framework/Graphics.h"

void InitInputOptions(TInputOptions& options) { options = TInputOptions(); }
void InitOutputOptions(TOutputOptions& options) { options = TOutputOptions(); }

namespace {

// The options of an input given as texts.
TInputOptions InputOptionsOf(const TPathFileName& fileName, const std::string& options, const std::string& presets) {
  TInputOptions o;
  o.FileName = fileName;
  o.Options = options;
  o.Presets = presets;
  return o;
}

// Turns one picture hook on or off in every task.
void SwitchPostHook(TFFmpegList& tasks, TPostHook hook, bool on) {
  for (int i = 0; i < tasks.Count(); ++i) {
    TFFmpeg* t = tasks.Get(i);
    t->SetPostHooks(on ? (t->PostHooks() | PostHook(hook)) : (t->PostHooks() & ~PostHook(hook)));
  }
}

// An event goes out in the main thread when the encoder is asked to, else in
// the calling one.
void DeliverEncoderEvent(bool inMainThread, const std::function<void()>& call) {
  if (inMainThread)
    CallInMainThread(call);
  else
    call();
}

}  // namespace

// ---- tasks ------------------------------------------------------------------

TFFmpeg::~TFFmpeg() {
  FOnAudioHook = nullptr;
  FOnPreviewBitmap = nullptr;
  FOnProgress = nullptr;
  FOnTerminate = nullptr;
  FOnInputVideoHook = nullptr;
  FOnOutputVideoHook = nullptr;
  // The inherited destructor stops the worker; the decoders only borrow the
  // format contexts, which that worker may still be reading.
  Stop(true);
  FDecoders.clear();
}

TFFDecoder* TFFmpeg::Decoder(int inputIndex) {
  if (inputIndex < 0) return nullptr;
  if (FDecoders.size() <= static_cast<size_t>(inputIndex)) FDecoders.resize(static_cast<size_t>(inputIndex) + 1);
  auto& d = FDecoders[static_cast<size_t>(inputIndex)];
  if (!d) d = std::make_unique<TFFDecoder>(nullptr);
  return d.get();
}

int TFFmpegList::Add(TFFmpeg* task) {
  FList.push_back(task);
  return Count() - 1;
}

void TFFmpegList::Clear() {
  std::vector<TFFmpeg*> tasks;
  tasks.swap(FList);
  for (TFFmpeg* t : tasks) delete t;
}

void TFFmpegList::Delete(int index) {
  TFFmpeg* t = Get(index);
  FList.erase(FList.begin() + index);
  delete t;
}

void TFFmpegList::Exchange(int a, int b) { std::swap(FList.at(static_cast<size_t>(a)), FList.at(static_cast<size_t>(b))); }

int TFFmpegList::IndexOf(const TObject* task) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i] == task) return static_cast<int>(i);
  return -1;
}

void TFFmpegList::PauseAll() {
  for (TFFmpeg* t : FList) t->Pause();
}
void TFFmpegList::ResumeAll() {
  for (TFFmpeg* t : FList) t->Resume();
}
void TFFmpegList::StopAll(bool waitForStop) {
  for (size_t i = 0; i < FList.size(); ++i) FList[i]->StopTask(waitForStop);
}

// ---- the component ------------------------------------------------------------

TCustomEncoder::TCustomEncoder(TComponent* owner) : TFFBaseComponent(owner) {
  FDecoder = std::make_unique<TFFDecoder>(nullptr);
}

TCustomEncoder::~TCustomEncoder() {
  // Workers that wait for the GUI thread are let through before any lock is
  // entered here: one of them may hold the lock it waits in.
  Shutdown();
  OnAudioHook = nullptr;
  OnPreviewBitmap = nullptr;
  OnProgress = nullptr;
  OnTerminate = nullptr;
  OnVideoInputHook = nullptr;
  OnVideoOutputHook = nullptr;
  OnFrameInputHook = nullptr;
  OnFrameOutputHook = nullptr;
  for (TCriticalSection* cs : {&FAudioHookLock, &FPreviewLock, &FProgressLock, &FTerminateLock, &FVideoHookLock,
                               &FFrameHookLock, &FFindStreamLock}) {
    // Serving the GUI thread's calls meanwhile, should a dispatcher still
    // hold the lock while it waits for one.
    while (!cs->TryEnter()) WaitForHandles(nullptr, 0, false, 5);
    cs->Leave();
  }
  FFFmpegList.Clear();
  // A delivery thread still holds a pointer to this object.
  while (FDeliveries > 0) WaitForHandles(nullptr, 0, false, 5);
  FDecoder.reset();
}

void TCustomEncoder::Shutdown() {
  // From now on no event reaches the application: calls already waiting
  // for the GUI thread are let through without running their handlers.
  FClosing = true;
  Stop(true);
  while (FDeliveries > 0) WaitForHandles(nullptr, 0, false, 5);
}

bool TCustomEncoder::LoadAVLib(const std::string& path) {
  const bool ok = FLibs.LoadAVLib(path);
  if (!ok) FLastErrMsg = FLibs.LastErrMsg;
  return ok;
}
bool TCustomEncoder::AVLibLoaded() const { return FLibs.AVLibLoaded(); }
void TCustomEncoder::UnloadAVLib() { FLibs.UnloadAVLib(); }

void TCustomEncoder::CheckBusy(const char* name) const {
  if (FWorking) throw Exception(TCustomFFmpeg::FormatText("Cannot %s while working.", name));
}

void TCustomEncoder::ClearTasks() {
  if (FWorking && !FTerminated) throw Exception("Cannot ClearTasks while working.");
  FFFmpegList.Clear();
  FLastErrMsg.clear();
  FCompleteTasks = 0;
  FCurrentTask = -1;
  FPendingTasks = 0;
  FTerminated = false;
  FThreadMode = false;
  FWorking = false;
  FPaused = false;
}

TPostHooks TCustomEncoder::PostHookSet() const {
  return (FPreview ? PostHook(phPreview) : 0) | (FPreviewBitmap ? PostHook(phBitmap) : 0);
}

void TCustomEncoder::StoreInputOptions(TFFmpeg* task, const TPathFileName& fileName, TInputOptions* options) {
  const size_t n = static_cast<size_t>(task->InputFileCount());
  if (task->FInputOptions.size() <= n) task->FInputOptions.resize(n + 1);
  if (!options) {
    task->FInputOptions[n].reset();
    return;
  }
  if (options->FileName.empty()) options->FileName = fileName;
  task->FInputOptions[n] = std::make_unique<TInputOptions>(*options);
  task->ParseOptions(options->Options);
  task->ParsePresets(options->Presets);
}

void TCustomEncoder::BindDecoder(TFFmpeg* task, int inputIndex) {
  task->Decoder(inputIndex)->SetFileHandle(task->InputFile(inputIndex).ctx);
}

int TCustomEncoder::AddTask(const TPathFileName& fileName, TInputOptions* options) {
  CheckBusy("AddTask");
  TFFmpeg* task = nullptr;
  try {
    task = new TFFmpeg(this);
    task->FOnBeforeFindStreamInfo = [this](TObject* t, AVFormatContext* c) { DoBeforeFindStreamInfo(t, c); };
    task->FOnPreviewBitmap = [this](TObject* t, TBitmap* b, int n, int64_t pts) { DoPreviewBitmap(t, b, n, pts); };
    task->SetPostHooks(PostHookSet());
    task->HaltOnInvalidOption = FHaltOnInvalidOption;
    StoreInputOptions(task, fileName, options);
    task->FReadTimeout = ReadTimeout;
    task->FWriteTimeout = WriteTimeout;
    const int r = task->OpenInputFile(nullptr, fileName);
    if (r < 0) {
      FLastErrMsg = task->LastErrMsg();
      delete task;
      return r;
    }
    BindDecoder(task, r);
    task->FOnProgress = [this](TObject* t, int fi, int fn, int fps, float q, float br, int64_t cs, int64_t cd,
                               int64_t td) { DoProgress(t, fi, fn, fps, q, br, cs, cd, td); };
    task->FOnTerminate = [this](TObject* t) { DoTaskTerminate(t); };
    return FFFmpegList.Add(task);
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    delete task;
    return -1;
  }
}

int TCustomEncoder::AddTask(const TPathFileName& fileName, const std::string& options, const std::string& presets) {
  TInputOptions o = InputOptionsOf(fileName, options, presets);
  return AddTask(fileName, &o);
}

int TCustomEncoder::AddInput(int taskIndex, const TPathFileName& fileName, TInputOptions* options) {
  CheckBusy("AddInput");
  TFFmpeg* task = FFFmpegList.Get(taskIndex);
  try {
    task->HaltOnInvalidOption = FHaltOnInvalidOption;
    const size_t n = static_cast<size_t>(task->InputFileCount());
    StoreInputOptions(task, fileName, options);
    task->FReadTimeout = ReadTimeout;
    task->FWriteTimeout = WriteTimeout;
    const int r = task->OpenInputFile(nullptr, fileName);
    if (r < 0) {
      if (n < task->FInputOptions.size()) task->FInputOptions[n].reset();
      FLastErrMsg = task->LastErrMsg();
      return r;
    }
    BindDecoder(task, r);
    return r;
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return -1;
  }
}

int TCustomEncoder::AddInput(int taskIndex, const TPathFileName& fileName, const std::string& options,
                             const std::string& presets) {
  TInputOptions o = InputOptionsOf(fileName, options, presets);
  return AddInput(taskIndex, fileName, &o);
}

int TCustomEncoder::SetOutput(int taskIndex, const TPathFileName& fileName, TOutputOptions* options) {
  CheckBusy("SetOutput");
  TFFmpeg* task = FFFmpegList.Get(taskIndex);
  const size_t n = static_cast<size_t>(task->OutputFileCount());
  try {
    task->HaltOnInvalidOption = FHaltOnInvalidOption;
    if (task->FOutputOptions.size() <= n) task->FOutputOptions.resize(n + 1);
    bool join = false;
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      task->FOutputOptions[n] = std::make_unique<TOutputOptions>(*options);
      if (options->AudioHook)
        task->FOnAudioHook = [this](TObject* t, int64_t pts, uint8_t* s, int size, int rate, int ch,
                                    AVSampleFormat f) { DoAudioHook(t, pts, s, size, rate, ch, f); };
      if (options->VideoInputHook)
        task->FOnInputVideoHook = [this](TObject* t, TBitmap* b, int fn, int64_t pts, bool& u, bool& s) {
          DoVideoInputHook(t, b, fn, pts, u, s);
        };
      if (options->VideoOutputHook)
        task->FOnOutputVideoHook = [this](TObject* t, TBitmap* b, int fn, int64_t pts, bool& u, bool& s) {
          DoVideoOutputHook(t, b, fn, pts, u, s);
        };
      task->SetVideoHookBitsPixel(options->VideoHookBitsPixel);
      if (options->FrameInputHook)
        task->FOnInputFrameHook = [this](TObject* t, void* p, AVPixelFormat f, int fn, int w, int h, int64_t pts) {
          DoFrameInputHook(t, p, f, fn, w, h, pts);
        };
      if (options->FrameOutputHook)
        task->FOnOutputFrameHook = [this](TObject* t, void* p, AVPixelFormat f, int fn, int w, int h, int64_t pts) {
          DoFrameOutputHook(t, p, f, fn, w, h, pts);
        };
      task->ParseOptions(options->Options);
      task->ParsePresets(options->Presets);
      join = options->Join;
    } else {
      task->FOutputOptions[n].reset();
    }
    task->FReadTimeout = ReadTimeout;
    task->FWriteTimeout = WriteTimeout;
    const int r = task->OpenOutputFile(fileName, join);
    if (r < 0) {
      FLastErrMsg = task->LastErrMsg();
      task->FOutputOptions[n].reset();
      return r;
    }
    if (task->FJoinMode) {
      const int j = task->PrepareJoin();
      if (j < 0) FLastErrMsg = task->LastErrMsg();
      return j;
    }
    return r;
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    if (n < task->FOutputOptions.size()) task->FOutputOptions[n].reset();
    return -1;
  }
}

int TCustomEncoder::SetOutput(int taskIndex, const TPathFileName& fileName, const std::string& options,
                              const std::string& presets) {
  TOutputOptions o;
  o.Options = options;
  o.Presets = presets;
  const std::string text = " " + options + " ";
  auto has = [&](const char* marker) { return text.find(marker) != std::string::npos; };
  o.AudioHook = has(" -AudioHook ");
  o.VideoInputHook = has(" -VideoInputHook ");
  o.VideoOutputHook = has(" -VideoOutputHook ");
  o.FrameInputHook = has(" -FrameInputHook ");
  o.FrameOutputHook = has(" -FrameOutputHook ");
  o.Join = has(" -Join ");
  return SetOutput(taskIndex, fileName, &o);
}

std::string TCustomEncoder::StreamName(const TStream* stream, const std::string& privateData) {
  return "stream:" + std::to_string(reinterpret_cast<intptr_t>(stream)) + ":" + privateData;
}

int TCustomEncoder::AddTask(TStream* stream, const std::string& privateData, TInputOptions* options) {
  return AddTask(StreamName(stream, privateData), options);
}
int TCustomEncoder::AddTask(TStream* stream, const std::string& privateData, const std::string& options,
                            const std::string& presets) {
  return AddTask(StreamName(stream, privateData), options, presets);
}
int TCustomEncoder::AddInput(int taskIndex, TStream* stream, const std::string& privateData, TInputOptions* options) {
  return AddInput(taskIndex, StreamName(stream, privateData), options);
}
int TCustomEncoder::AddInput(int taskIndex, TStream* stream, const std::string& privateData,
                             const std::string& options, const std::string& presets) {
  return AddInput(taskIndex, StreamName(stream, privateData), options, presets);
}
int TCustomEncoder::SetOutput(int taskIndex, TStream* stream, const std::string& privateData,
                              TOutputOptions* options) {
  return SetOutput(taskIndex, StreamName(stream, privateData), options);
}
int TCustomEncoder::SetOutput(int taskIndex, TStream* stream, const std::string& privateData,
                              const std::string& options, const std::string& presets) {
  return SetOutput(taskIndex, StreamName(stream, privateData), options, presets);
}

void TCustomEncoder::RemoveTask(int taskIndex) {
  CheckBusy("RemoveTask");
  FFFmpegList.Delete(taskIndex);
}

void TCustomEncoder::Exchange(int taskIndex1, int taskIndex2) {
  CheckBusy("Exchange");
  FFFmpegList.Exchange(taskIndex1, taskIndex2);
}

TFFDecoder* TCustomEncoder::TaskInputDecoder(int taskIndex, int inputIndex) {
  return FFFmpegList.Get(taskIndex)->Decoder(inputIndex);
}

void TCustomEncoder::SetPreview(bool value) {
  FPreview = value;
  SwitchPostHook(FFFmpegList, phPreview, value);
}

void TCustomEncoder::SetPreviewBitmap(bool value) {
  FPreviewBitmap = value;
  SwitchPostHook(FFFmpegList, phBitmap, value);
}

void TCustomEncoder::SetProgressInterval(int value) { FProgressInterval = value <= 100 ? 100 : value; }

// ---- running ------------------------------------------------------------------

void TCustomEncoder::Start(int threadCount) {
  CheckBusy("StartTask");
  {
    TLock lock(FStartLock);
    FCompleteTasks = 0;
    FCurrentTask = 0;
    FPendingTasks = TasksCount();
    FTerminated = false;
    FThreadMode = threadCount > 0;
    FWorking = true;
    FPaused = false;
  }
  // Nothing to run still ends the run, so ClearTasks is allowed afterwards.
  if (TasksCount() == 0) {
    TLock lock(FTerminateLock);
    DoFinalTerminate();
    return;
  }
  for (;;) {
    {
      TLock lock(FStartLock);
      if (FPendingTasks <= 0) break;
    }
    StartNextTask();
    if (FThreadMode) {
      if (threadCount < 2) break;
      --threadCount;
    }
  }
}

// Lock order, everywhere: FTerminateLock before FStartLock. A task that
// fails at once ends inside StartConvert and takes both again (the locks
// are re-entrant on one thread).
void TCustomEncoder::StartNextTask() {
  if (FThreadMode) {
    // Picking the task and starting it form one section, so Stop sees the
    // task either not yet taken (it never starts) or already converting.
    TLock terminateLock(FTerminateLock);
    TLock lock(FStartLock);
    if (FPendingTasks <= 0) return;
    --FPendingTasks;
    TFFmpeg* task = FFFmpegList.Get(FCurrentTask);
    ++FCurrentTask;
    task->ReportInterval = static_cast<int64_t>(FProgressInterval) * 1000;
    TConvertThread* thread = task->StartConvert(true, ThreadPriority);
    // A task that starts while the run is paused starts paused: Pause and
    // this choice take the same lock.
    if (thread && FPaused) task->Pause();
    if (thread) thread->Start();
    return;
  }
  // Without threads the task runs here, on the GUI thread, which is also
  // the only thread that may stop it: no lock is held while it runs.
  TFFmpeg* task;
  {
    TLock lock(FStartLock);
    if (FPendingTasks <= 0) return;
    --FPendingTasks;
    task = FFFmpegList.Get(FCurrentTask);
    ++FCurrentTask;
  }
  task->ReportInterval = static_cast<int64_t>(FProgressInterval) * 1000;
  task->StartConvert(false, ThreadPriority);
}

void TCustomEncoder::Pause() {
  TLock lock(FStartLock);
  if (FWorking && !FPaused) {
    FPaused = true;
    FFFmpegList.PauseAll();
  }
}

void TCustomEncoder::Resume() {
  TLock lock(FStartLock);
  if (FWorking && FPaused) {
    FPaused = false;
    FFFmpegList.ResumeAll();
  }
}

void TCustomEncoder::Stop(bool waitForStop) {
  {
    // No task starts between these two steps: every task is either told to
    // stop or ends without having run.
    TLock terminateLock(FTerminateLock);
    TLock lock(FStartLock);
    FPendingTasks = 0;
    if (FWorking) FFFmpegList.StopAll(false);
  }
  // The waits run without the locks: an ending task takes them.
  if (waitForStop && FWorking) FFFmpegList.StopAll(true);
}

// ---- events -------------------------------------------------------------------

void TCustomEncoder::DoProgress(TObject* task, int fileIndex, int frameNumber, int fps, float quality,
                                float bitRate, int64_t currentSize, int64_t currentDuration,
                                int64_t totalDuration) {
  if (!OnProgress || FClosing) return;
  TLock lock(FProgressLock);
  FProgressInfo.TaskIndex = GetTaskIndex(task);
  FProgressInfo.FileIndex = fileIndex;
  FProgressInfo.FrameNumber = frameNumber;
  FProgressInfo.FPS = fps;
  FProgressInfo.Quality = quality;
  FProgressInfo.BitRate = bitRate;
  FProgressInfo.CurrentSize = currentSize;
  FProgressInfo.CurrentDuration = currentDuration;
  FProgressInfo.TotalDuration = totalDuration;
  auto call = [this] {
    if (OnProgress && !FClosing) OnProgress(this, &FProgressInfo);
  };
  DeliverEncoderEvent(TriggerEventInMainThread, call);
}

void TCustomEncoder::DoPreviewBitmap(TObject* task, TBitmap* bitmap, int frameNumber, int64_t pts) {
  if (!OnPreviewBitmap || FClosing) return;
  TLock lock(FPreviewLock);
  FPreviewInfo.TaskIndex = GetTaskIndex(task);
  FPreviewInfo.Bitmap = bitmap;
  FPreviewInfo.FrameNumber = frameNumber;
  FPreviewInfo.PTS = pts;
  auto call = [this] {
    if (OnPreviewBitmap && !FClosing) OnPreviewBitmap(this, FPreviewInfo);
  };
  DeliverEncoderEvent(TriggerEventInMainThread, call);
}

void TCustomEncoder::RunVideoHook(const TEncVideoHookEvent& handler, TObject* task, TBitmap* bitmap,
                                  int frameNumber, int64_t pts, bool& update, bool& stop) {
  if (!handler) return;
  TLock lock(FVideoHookLock);
  FVideoHookInfo.TaskIndex = GetTaskIndex(task);
  FVideoHookInfo.Bitmap = bitmap;
  FVideoHookInfo.FrameNumber = frameNumber;
  FVideoHookInfo.PTS = pts;
  FVideoHookInfo.Update = update;
  FVideoHookInfo.StopHook = stop;
  TCanvas* canvas = bitmap ? bitmap->Canvas() : nullptr;
  if (canvas) canvas->Lock();
  try {
    handler(this, &FVideoHookInfo);
  } catch (...) {
    if (canvas) canvas->Unlock();
    throw;
  }
  if (canvas) canvas->Unlock();
  update = FVideoHookInfo.Update;
  stop = FVideoHookInfo.StopHook;
}

void TCustomEncoder::DoVideoInputHook(TObject* task, TBitmap* bitmap, int frameNumber, int64_t pts, bool& update,
                                      bool& stop) {
  RunVideoHook(OnVideoInputHook, task, bitmap, frameNumber, pts, update, stop);
}

void TCustomEncoder::DoVideoOutputHook(TObject* task, TBitmap* bitmap, int frameNumber, int64_t pts,
                                       bool& update, bool& stop) {
  RunVideoHook(OnVideoOutputHook, task, bitmap, frameNumber, pts, update, stop);
}

void TCustomEncoder::RunFrameHook(const TEncFrameHookEvent& handler, TObject* task, void* picture,
                                  AVPixelFormat pixFmt, int frameNumber, int width, int height, int64_t pts) {
  if (!handler) return;
  TLock lock(FFrameHookLock);
  FFrameHookInfo.TaskIndex = GetTaskIndex(task);
  FFrameHookInfo.FrameNumber = frameNumber;
  FFrameHookInfo.Picture = picture;
  FFrameHookInfo.PixFmt = pixFmt;
  FFrameHookInfo.Width = width;
  FFrameHookInfo.Height = height;
  FFrameHookInfo.PTS = pts;
  handler(this, &FFrameHookInfo);
}

void TCustomEncoder::DoFrameInputHook(TObject* task, void* picture, AVPixelFormat pixFmt, int frameNumber,
                                      int width, int height, int64_t pts) {
  RunFrameHook(OnFrameInputHook, task, picture, pixFmt, frameNumber, width, height, pts);
}

void TCustomEncoder::DoFrameOutputHook(TObject* task, void* picture, AVPixelFormat pixFmt, int frameNumber,
                                       int width, int height, int64_t pts) {
  RunFrameHook(OnFrameOutputHook, task, picture, pixFmt, frameNumber, width, height, pts);
}

void TCustomEncoder::DoAudioHook(TObject* task, int64_t pts, uint8_t* sample, int size, int sampleRate,
                                 int channels, AVSampleFormat format) {
  if (!OnAudioHook) return;
  TLock lock(FAudioHookLock);
  OnAudioHook(this, GetTaskIndex(task), pts, sample, size, sampleRate, channels, format);
}

void TCustomEncoder::DoBeforeFindStreamInfo(TObject* task, AVFormatContext* context) {
  if (!OnBeforeFindStreamInfo || FClosing) return;
  TLock lock(FFindStreamLock);
  FSender = task;
  FAVFormatContext = context;
  auto call = [this] {
    if (OnBeforeFindStreamInfo && !FClosing) OnBeforeFindStreamInfo(FSender, FAVFormatContext);
  };
  DeliverEncoderEvent(TriggerEventInMainThread, call);
}

void TCustomEncoder::StartDelivery(const TTerminateInfo& info, bool checkPrevious) {
  ++FDeliveries;
  if (!checkPrevious) ++FTaskDeliveries;
  auto* thread = new TDoTerminateThread(this, info, checkPrevious);
  thread->FreeOnTerminate = true;
  thread->Start();
}

void TCustomEncoder::DoTaskTerminate(TObject* object) {
  TLock lock(FTerminateLock);
  FThreadTerminated = true;
  auto* task = dynamic_cast<TFFmpeg*>(object);
  if (!task) {
    DoFinalTerminate();
    return;
  }
  if (OnTerminate && !FClosing) {
    FTerminateInfo.TaskIndex = GetTaskIndex(task);
    FTerminateInfo.Finished = task->Finished();
    FTerminateInfo.Exception = task->FatalException();
    FTerminateInfo.ExceptionMsg = task->FatalMessage();
    if (FThreadMode || !FWorking) {
      FThreadTerminated = false;
      StartDelivery(FTerminateInfo, false);
    } else {
      OnTerminate(this, FTerminateInfo);
    }
  }
  bool startNext, final;
  {
    TLock startLock(FStartLock);
    ++FCompleteTasks;
    startNext = FPendingTasks > 0;
    final = !startNext && FCompleteTasks >= TasksCount();
  }
  if (startNext) {
    if (FThreadMode) StartNextTask();
  } else if (final && FWorking) {
    DoFinalTerminate();
  }
}

void TCustomEncoder::DoFinalTerminate() {
  FTerminated = true;
  if (!OnTerminate || FClosing) return;
  FTerminateInfo = TTerminateInfo{-1, true, false, ""};
  if (FThreadMode || !FWorking)
    StartDelivery(FTerminateInfo, true);
  else
    OnTerminate(this, FTerminateInfo);
}

TDoTerminateThread::TDoTerminateThread(TCustomEncoder* sender, const TTerminateInfo& info, bool checkPrevious)
    : FOnTerminate(sender->OnTerminate),
      FSender(sender),
      FTerminateInfo(info),
      FThreadTerminated(&sender->FThreadTerminated),
      FCheckThreadTerminated(checkPrevious),
      FTriggerEventInMainThread(sender->TriggerEventInMainThread) {}

void TDoTerminateThread::Execute() {
  if (FCheckThreadTerminated) {
    // Woken as each task delivery finishes, so the final event follows the
    // last one at once.
    std::unique_lock<std::mutex> lock(FSender->FDeliveryLock);
    while (!*FThreadTerminated || FSender->FTaskDeliveries > 0)
      FSender->FDeliveryDone.wait_for(lock, std::chrono::milliseconds(10));
  }
  auto done = [this] {
    {
      std::lock_guard<std::mutex> lock(FSender->FDeliveryLock);
      *FThreadTerminated = true;
      if (!FCheckThreadTerminated) --FSender->FTaskDeliveries;
      FSender->FDeliveryDone.notify_all();
    }
    // Last: the encoder may go once no delivery is left.
    --FSender->FDeliveries;
  };
  try {
    if (FOnTerminate) {
      if (FTriggerEventInMainThread)
        Synchronize([this] {
          if (!FSender->FClosing) FOnTerminate(FSender, FTerminateInfo);
        });
      else if (!FSender->FClosing)
        FOnTerminate(FSender, FTerminateInfo);
    }
  } catch (...) {
    done();
    throw;
  }
  done();
}
