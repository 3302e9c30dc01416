// A capture driver without a camera: it shows a test pattern (a bright bar
// moving across a dark picture) and puts the frame's number into the first
// four bytes of every frame. Machines without a capture driver, and tests,
// put it in place of the system's drivers with SetVfwDrivers. Frames come
// in real time from a thread of its own, or, with Paced off, only when the
// owner calls Deliver.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/input/VfwCapture.h"

class TSyntheticCamera : public TVfwDriver {
public:
  TSyntheticCamera(int width = 320, int height = 240, uint32_t compression = 0, int bitCount = 24);
  ~TSyntheticCamera() override;

  std::string Name() override { return "Tessavane test camera"; }
  std::string Version() override { return "1.0"; }
  bool Connect() override;
  void Disconnect() override;
  TVfwBitmapInfoHeader VideoFormat() override;
  bool SetVideoFormat(const TVfwBitmapInfoHeader& format) override;
  bool StartCapture(uint32_t microSecPerFrame, bool background, TSink sink) override;
  void StopCapture() override;

  // Sends one frame now; false when not capturing.
  bool Deliver();

  bool Paced = true;
  // Connection attempts refused before one is accepted.
  int RefuseConnects = 0;
  int ConnectAttempts = 0;
  bool Connected() const { return FConnected; }
  bool Capturing() const { return FCapturing; }
  // What the last capture was started with.
  uint32_t RequestedMicroSecPerFrame = 0;
  bool RequestedBackground = false;
  // The bar's column in frame `index` of a width-pixel picture.
  static int BarColumn(uint32_t index, int width) { return static_cast<int>(index * 8 % static_cast<uint32_t>(width)); }

private:
  class TPacer;
  void Run();
  std::vector<uint8_t> MakeFrame(uint32_t index) const;

  std::mutex FLock;
  TVfwBitmapInfoHeader FFormat{};
  bool FConnected = false;
  std::atomic<bool> FCapturing{false};
  TSink FSink;
  uint32_t FNext = 0;
  uint64_t FStartTick = 0;
  TPacer* FPacer = nullptr;
};
