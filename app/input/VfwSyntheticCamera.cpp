#include "app/input/VfwSyntheticCamera.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "framework/Threads.h"

class TSyntheticCamera::TPacer : public TThread {
public:
  explicit TPacer(TSyntheticCamera* camera) : FCamera(camera) {}

protected:
  void Execute() override { FCamera->Run(); }

private:
  TSyntheticCamera* FCamera;
};

namespace {

uint32_t ImageSize(const TVfwBitmapInfoHeader& f) {
  const uint32_t w = static_cast<uint32_t>(std::max(0, f.biWidth));
  const uint32_t h = static_cast<uint32_t>(std::abs(f.biHeight));
  if (f.biCompression == 0) return (w * f.biBitCount + 31) / 32 * 4 * h;
  if (f.biCompression == VfwFourCC('I', '4', '2', '0')) return w * h * 3 / 2;
  return w * h * 2;
}

}  // namespace

TSyntheticCamera::TSyntheticCamera(int width, int height, uint32_t compression, int bitCount) {
  FFormat.biSize = sizeof(TVfwBitmapInfoHeader);
  FFormat.biWidth = width;
  FFormat.biHeight = height;
  FFormat.biPlanes = 1;
  FFormat.biBitCount = static_cast<uint16_t>(bitCount);
  FFormat.biCompression = compression;
  FFormat.biSizeImage = ImageSize(FFormat);
}

TSyntheticCamera::~TSyntheticCamera() { StopCapture(); }

bool TSyntheticCamera::Connect() {
  std::lock_guard<std::mutex> lock(FLock);
  ++ConnectAttempts;
  if (RefuseConnects > 0) {
    --RefuseConnects;
    return false;
  }
  FConnected = true;
  return true;
}

void TSyntheticCamera::Disconnect() {
  StopCapture();
  std::lock_guard<std::mutex> lock(FLock);
  FConnected = false;
}

TVfwBitmapInfoHeader TSyntheticCamera::VideoFormat() {
  std::lock_guard<std::mutex> lock(FLock);
  return FFormat;
}

bool TSyntheticCamera::SetVideoFormat(const TVfwBitmapInfoHeader& format) {
  std::lock_guard<std::mutex> lock(FLock);
  if (!FConnected || FCapturing || format.biWidth <= 0 || format.biHeight == 0) return false;
  FFormat = format;
  FFormat.biSizeImage = ImageSize(FFormat);
  return true;
}

bool TSyntheticCamera::StartCapture(uint32_t microSecPerFrame, bool background, TSink sink) {
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FConnected || FCapturing) return false;
    RequestedMicroSecPerFrame = microSecPerFrame;
    RequestedBackground = background;
    FSink = std::move(sink);
    FNext = 0;
    FStartTick = GetTickCount64();
    FCapturing = true;
    if (!Paced) return true;
    FPacer = new TPacer(this);
  }
  FPacer->Start();
  return true;
}

void TSyntheticCamera::StopCapture() {
  TPacer* pacer;
  {
    std::lock_guard<std::mutex> lock(FLock);
    FCapturing = false;
    pacer = FPacer;
    FPacer = nullptr;
  }
  if (pacer) {
    pacer->Terminate();
    pacer->WaitFor();
    delete pacer;
  }
  std::lock_guard<std::mutex> lock(FLock);
  FSink = nullptr;
}

std::vector<uint8_t> TSyntheticCamera::MakeFrame(uint32_t index) const {
  std::vector<uint8_t> data(FFormat.biSizeImage, 16);
  if (FFormat.biCompression == 0 && FFormat.biBitCount >= 24) {
    const int bytes = FFormat.biBitCount / 8;
    const int stride = static_cast<int>((FFormat.biWidth * FFormat.biBitCount + 31) / 32 * 4);
    const int bar = BarColumn(index, FFormat.biWidth);
    for (int y = 0; y < std::abs(FFormat.biHeight); ++y)
      for (int x = bar; x < std::min(bar + 8, static_cast<int>(FFormat.biWidth)); ++x)
        std::memset(&data[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * bytes], 235, bytes);
  }
  if (data.size() >= 4) std::memcpy(data.data(), &index, 4);
  return data;
}

bool TSyntheticCamera::Deliver() {
  std::vector<uint8_t> frame;
  TSink sink;
  uint32_t time;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FCapturing || !FSink) return false;
    frame = MakeFrame(FNext++);
    sink = FSink;
    time = static_cast<uint32_t>(GetTickCount64() - FStartTick);
  }
  sink(TVfwFrame{frame.data(), static_cast<uint32_t>(frame.size()), time});
  return true;
}

void TSyntheticCamera::Run() {
  const ULONGLONG start = GetTickCount64();
  uint64_t sent = 0;
  for (;;) {
    uint32_t period;
    {
      std::lock_guard<std::mutex> lock(FLock);
      if (!FCapturing || !FPacer || FPacer->Terminated()) return;
      period = RequestedMicroSecPerFrame ? RequestedMicroSecPerFrame : 66667;
    }
    const int64_t due = static_cast<int64_t>(sent * period / 1000);
    const int64_t wait = due - static_cast<int64_t>(GetTickCount64() - start);
    if (wait > 0) Sleep(static_cast<DWORD>(std::min<int64_t>(wait, 50)));
    if (wait > 50) continue;  // look at the stop request now and then
    Deliver();
    ++sent;
  }
}
