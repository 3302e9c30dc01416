// A wave-in device without sound hardware: it records a sine tone of a set
// frequency (full-scale quarter amplitude, every channel alike). Machines
// without a capture device, and tests, put it in place of the system's
// devices with SetWaveInDevices. Buffers come back filled either when the
// owner calls Deliver or, once Paced is started, in real time from a thread
// of its own, as a sound card would return them.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "app/input/WaveCapture.h"

class TSyntheticWaveIn : public TWaveInDevices {
public:
  explicit TSyntheticWaveIn(unsigned deviceCount = 1, double frequency = 440.0);
  ~TSyntheticWaveIn() override;

  unsigned DeviceCount() override { return FDeviceCount; }
  unsigned Query(int deviceId, const TWaveInFormat& format) override;
  unsigned Open(void*& handle, int deviceId, const TWaveInFormat& format, TWaveInCallback callback,
                void* instance) override;
  unsigned Prepare(void* handle, TWaveInHeader* header) override;
  unsigned Unprepare(void* handle, TWaveInHeader* header) override;
  unsigned AddBuffer(void* handle, TWaveInHeader* header) override;
  unsigned Start(void* handle) override;
  unsigned Reset(void* handle) override;
  unsigned Close(void* handle) override;
  std::string ErrorText(unsigned code) override;

  // Error codes (the system's numbers for the same conditions).
  static constexpr unsigned kBadDeviceId = 2, kNotEnabled = 3, kBadFormat = 32;

  // Fills the oldest buffer the device holds with up to `frames` sample
  // frames of the tone and returns it; the bytes returned, 0 when the
  // device is closed, not started or holds no buffer.
  int Deliver(int frames);
  // Returns every buffer in real time until the device is reset or closed.
  void StartPaced();
  // The device goes away as an unplugged one would: it tells the owner it
  // closed, and returns nothing more. Not from the pacer's thread.
  void Unplug();

  // The sample value of frame `index` of the tone in the open format.
  int SampleAt(int64_t index) const;

  // A format whose sample rate is this is refused (0: none).
  int RefusedSampleRate = 0;
  // What the last open asked for, and the lengths of the buffers prepared.
  int OpenedDevice = -2;
  TWaveInFormat OpenedFormat{};
  std::vector<uint32_t> PreparedLengths;
  bool IsOpen() const { return FOpen; }
  int64_t FramesDelivered() const { return FFrame; }

private:
  class TPacer;
  void Run();  // the pacer's loop
  void StopPacer();
  TWaveInHeader* TakeBuffer();

  unsigned FDeviceCount;
  double FFrequency;
  mutable std::mutex FLock;
  std::deque<TWaveInHeader*> FQueue;
  TWaveInCallback FCallback = nullptr;
  void* FInstance = nullptr;
  bool FOpen = false, FStarted = false, FUnplugged = false;
  int64_t FFrame = 0;
  TPacer* FPacer = nullptr;
};
