// The system's wave-in devices (winmm) behind the capture's device layer.
#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "app/input/WaveCapture.h"
#include "framework/SysUtils.h"

namespace {

struct TOpenDevice {
  HWAVEIN Handle = nullptr;
  TWaveInCallback Callback = nullptr;
  void* Instance = nullptr;
};

WAVEFORMATEX SystemFormat(const TWaveInFormat& f) {
  WAVEFORMATEX w{};
  w.wFormatTag = WAVE_FORMAT_PCM;
  w.nChannels = f.Channels;
  w.nSamplesPerSec = f.SamplesPerSec;
  w.nAvgBytesPerSec = f.AvgBytesPerSec;
  w.nBlockAlign = f.BlockAlign;
  w.wBitsPerSample = f.BitsPerSample;
  w.cbSize = 0;
  return w;
}

void CALLBACK WaveProc(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  auto* device = reinterpret_cast<TOpenDevice*>(instance);
  switch (message) {
    case WIM_OPEN:
      device->Callback(wimOpen, device->Instance, nullptr);
      break;
    case WIM_CLOSE:
      device->Callback(wimClose, device->Instance, nullptr);
      break;
    case WIM_DATA: {
      auto* w = reinterpret_cast<WAVEHDR*>(param1);
      auto* header = reinterpret_cast<TWaveInHeader*>(w->dwUser);
      header->BytesRecorded = w->dwBytesRecorded;
      device->Callback(wimData, device->Instance, header);
      break;
    }
    default:
      break;
  }
}

class TWinMMWaveIn : public TWaveInDevices {
public:
  unsigned DeviceCount() override { return waveInGetNumDevs(); }

  unsigned Query(int deviceId, const TWaveInFormat& format) override {
    WAVEFORMATEX w = SystemFormat(format);
    return waveInOpen(nullptr, static_cast<UINT>(deviceId), &w, 0, 0, WAVE_FORMAT_QUERY | WAVE_FORMAT_DIRECT);
  }

  unsigned Open(void*& handle, int deviceId, const TWaveInFormat& format, TWaveInCallback callback,
                void* instance) override {
    auto* device = new TOpenDevice;
    device->Callback = callback;
    device->Instance = instance;
    WAVEFORMATEX w = SystemFormat(format);
    const MMRESULT r = waveInOpen(&device->Handle, static_cast<UINT>(deviceId), &w,
                                  reinterpret_cast<DWORD_PTR>(&WaveProc), reinterpret_cast<DWORD_PTR>(device),
                                  CALLBACK_FUNCTION | WAVE_FORMAT_DIRECT);
    if (r != MMSYSERR_NOERROR) {
      delete device;
      handle = nullptr;
      return r;
    }
    handle = device;
    return 0;
  }

  unsigned Prepare(void* handle, TWaveInHeader* header) override {
    auto* w = new WAVEHDR{};
    w->lpData = reinterpret_cast<LPSTR>(header->Data);
    w->dwBufferLength = header->BufferLength;
    w->dwUser = reinterpret_cast<DWORD_PTR>(header);
    const MMRESULT r = waveInPrepareHeader(Device(handle), w, sizeof(WAVEHDR));
    if (r != MMSYSERR_NOERROR) {
      delete w;
      return r;
    }
    header->System = w;
    return 0;
  }

  unsigned Unprepare(void* handle, TWaveInHeader* header) override {
    auto* w = static_cast<WAVEHDR*>(header->System);
    if (!w) return 0;
    const MMRESULT r = waveInUnprepareHeader(Device(handle), w, sizeof(WAVEHDR));
    if (r == MMSYSERR_NOERROR) {
      delete w;
      header->System = nullptr;
    }
    return r;
  }

  unsigned AddBuffer(void* handle, TWaveInHeader* header) override {
    auto* w = static_cast<WAVEHDR*>(header->System);
    if (!w) return MMSYSERR_INVALPARAM;
    return waveInAddBuffer(Device(handle), w, sizeof(WAVEHDR));
  }

  unsigned Start(void* handle) override { return waveInStart(Device(handle)); }
  unsigned Reset(void* handle) override { return waveInReset(Device(handle)); }

  unsigned Close(void* handle) override {
    const MMRESULT r = waveInClose(Device(handle));
    if (r == MMSYSERR_NOERROR) delete static_cast<TOpenDevice*>(handle);
    return r;
  }

  std::string ErrorText(unsigned code) override {
    WCHAR text[MAXERRORLENGTH + 1]{};
    if (waveInGetErrorTextW(code, text, MAXERRORLENGTH) != MMSYSERR_NOERROR)
      return "Wave-in error " + std::to_string(code);
    return UTF16ToUTF8(reinterpret_cast<const char16_t*>(text));
  }

private:
  static HWAVEIN Device(void* handle) { return static_cast<TOpenDevice*>(handle)->Handle; }
};

}  // namespace

TWaveInDevices* SystemWaveInDevices() {
  static TWinMMWaveIn devices;
  return &devices;
}
