#include "app/input/WaveInSynthetic.h"

#include <windows.h>

#include <cmath>
#include <algorithm>
#include <cstring>

#include "framework/Threads.h"

class TSyntheticWaveIn::TPacer : public TThread {
public:
  explicit TPacer(TSyntheticWaveIn* device) : FDevice(device) {}

protected:
  void Execute() override { FDevice->Run(); }

private:
  TSyntheticWaveIn* FDevice;
};

TSyntheticWaveIn::TSyntheticWaveIn(unsigned deviceCount, double frequency)
    : FDeviceCount(deviceCount), FFrequency(frequency) {}

TSyntheticWaveIn::~TSyntheticWaveIn() {
  if (FOpen) Close(this);
  StopPacer();
}

void TSyntheticWaveIn::StopPacer() {
  TPacer* pacer;
  {
    std::lock_guard<std::mutex> lock(FLock);
    pacer = FPacer;
    FPacer = nullptr;
  }
  if (!pacer) return;
  pacer->Terminate();
  pacer->WaitFor();
  delete pacer;
}

unsigned TSyntheticWaveIn::Query(int deviceId, const TWaveInFormat& format) {
  if (deviceId != -1 && (deviceId < 0 || static_cast<unsigned>(deviceId) >= FDeviceCount)) return kBadDeviceId;
  if (format.FormatTag != 1 || (format.BitsPerSample != 8 && format.BitsPerSample != 16) || format.Channels == 0 ||
      format.SamplesPerSec == 0 || static_cast<int>(format.SamplesPerSec) == RefusedSampleRate)
    return kBadFormat;
  return 0;
}

unsigned TSyntheticWaveIn::Open(void*& handle, int deviceId, const TWaveInFormat& format, TWaveInCallback callback,
                                void* instance) {
  handle = nullptr;
  if (const unsigned r = Query(deviceId, format)) return r;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (FOpen) return 4;  // allocated: one owner at a time
    FOpen = true;
    FStarted = false;
    FUnplugged = false;
    FFrame = 0;
    FCallback = callback;
    FInstance = instance;
    OpenedDevice = deviceId;
    OpenedFormat = format;
    PreparedLengths.clear();
  }
  handle = this;
  callback(wimOpen, instance, nullptr);
  return 0;
}

unsigned TSyntheticWaveIn::Prepare(void*, TWaveInHeader* header) {
  std::lock_guard<std::mutex> lock(FLock);
  if (!FOpen) return 5;  // invalid handle
  header->System = header;
  PreparedLengths.push_back(header->BufferLength);
  return 0;
}

unsigned TSyntheticWaveIn::Unprepare(void*, TWaveInHeader* header) {
  header->System = nullptr;
  return 0;
}

unsigned TSyntheticWaveIn::AddBuffer(void*, TWaveInHeader* header) {
  std::lock_guard<std::mutex> lock(FLock);
  if (!FOpen || FUnplugged) return 5;
  if (!header->System) return 34;  // unprepared
  header->BytesRecorded = 0;
  FQueue.push_back(header);
  return 0;
}

unsigned TSyntheticWaveIn::Start(void*) {
  std::lock_guard<std::mutex> lock(FLock);
  if (!FOpen) return 5;
  FStarted = true;
  return 0;
}

unsigned TSyntheticWaveIn::Reset(void*) {
  StopPacer();
  std::deque<TWaveInHeader*> returned;
  TWaveInCallback callback;
  void* instance;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FOpen) return 5;
    FStarted = false;
    returned.swap(FQueue);
    callback = FCallback;
    instance = FInstance;
  }
  for (TWaveInHeader* h : returned) {
    h->BytesRecorded = 0;
    callback(wimData, instance, h);
  }
  return 0;
}

unsigned TSyntheticWaveIn::Close(void* handle) {
  Reset(handle);
  TWaveInCallback callback;
  void* instance;
  bool tell;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FOpen) return 5;
    FOpen = false;
    FQueue.clear();
    tell = !FUnplugged;
    callback = FCallback;
    instance = FInstance;
  }
  if (tell) callback(wimClose, instance, nullptr);
  return 0;
}

std::string TSyntheticWaveIn::ErrorText(unsigned code) {
  switch (code) {
    case kBadDeviceId: return "The specified device ID is out of range.";
    case kNotEnabled: return "The driver failed enable.";
    case 4: return "The specified device is already in use.";
    case 5: return "The specified device handle is invalid.";
    case kBadFormat: return "An attempt was made to open with an unsupported waveform-audio format.";
    case 34: return "The data block was not prepared.";
    default: return "Unknown wave-in error " + std::to_string(code);
  }
}

int TSyntheticWaveIn::SampleAt(int64_t index) const {
  const double v = 0.25 * std::sin(2.0 * M_PI * FFrequency * static_cast<double>(index) /
                                   static_cast<double>(OpenedFormat.SamplesPerSec));
  if (OpenedFormat.BitsPerSample == 8) return 128 + static_cast<int>(std::lround(v * 127.0));
  return static_cast<int>(std::lround(v * 32767.0));
}

TWaveInHeader* TSyntheticWaveIn::TakeBuffer() {
  if (!FOpen || !FStarted || FUnplugged || FQueue.empty()) return nullptr;
  TWaveInHeader* h = FQueue.front();
  FQueue.pop_front();
  return h;
}

int TSyntheticWaveIn::Deliver(int frames) {
  TWaveInHeader* h;
  TWaveInCallback callback;
  void* instance;
  {
    std::lock_guard<std::mutex> lock(FLock);
    h = TakeBuffer();
    if (!h) return 0;
    const int align = OpenedFormat.BlockAlign;
    const int bytesPerSample = OpenedFormat.BitsPerSample / 8;
    const int n = std::max(0, std::min<int>(frames, static_cast<int>(h->BufferLength / align)));
    for (int f = 0; f < n; ++f) {
      const int v = SampleAt(FFrame++);
      for (int c = 0; c < OpenedFormat.Channels; ++c) {
        uint8_t* p = h->Data + f * align + c * bytesPerSample;
        if (bytesPerSample == 1) {
          p[0] = static_cast<uint8_t>(v);
        } else {
          p[0] = static_cast<uint8_t>(v & 0xFF);
          p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
      }
    }
    h->BytesRecorded = static_cast<uint32_t>(n * align);
    callback = FCallback;
    instance = FInstance;
  }
  const int bytes = static_cast<int>(h->BytesRecorded);
  callback(wimData, instance, h);
  return bytes;
}

void TSyntheticWaveIn::StartPaced() {
  std::lock_guard<std::mutex> lock(FLock);
  if (FPacer || !FOpen) return;
  FPacer = new TPacer(this);
  FPacer->Start();
}

void TSyntheticWaveIn::Run() {
  const ULONGLONG start = GetTickCount64();
  int64_t due = 0;  // frames due by now
  for (;;) {
    int rate, frames;
    {
      std::lock_guard<std::mutex> lock(FLock);
      if (!FPacer || FPacer->Terminated() || !FOpen || FUnplugged) return;
      rate = static_cast<int>(OpenedFormat.SamplesPerSec);
      frames = FQueue.empty() ? 0 : static_cast<int>(FQueue.front()->BufferLength / OpenedFormat.BlockAlign);
    }
    if (frames == 0 || rate == 0) {
      Sleep(5);
      continue;
    }
    due += frames;
    const int64_t dueMs = due * 1000 / rate;
    const int64_t wait = dueMs - static_cast<int64_t>(GetTickCount64() - start);
    if (wait > 0) Sleep(static_cast<DWORD>(wait));
    Deliver(frames);
  }
}

void TSyntheticWaveIn::Unplug() {
  StopPacer();
  TWaveInCallback callback;
  void* instance;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FOpen || FUnplugged) return;
    FUnplugged = true;
    FOpen = false;
    FQueue.clear();
    callback = FCallback;
    instance = FInstance;
  }
  callback(wimClose, instance, nullptr);
}
