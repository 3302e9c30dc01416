// The "wavecapture" input of the engine: PCM sound from a wave-in device of
// the system, recorded into two alternating buffers whose contents the
// system's callback queues as packets for the engine's reading thread. A
// pause flag owned by the caller mutes the recording without stopping it.
// Free of windows.h and of the media headers, so both sides can include it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// The wave format record the device is opened with (PCM only).
struct TWaveInFormat {
  uint16_t FormatTag = 1;  // PCM
  uint16_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t AvgBytesPerSec = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
  uint16_t ExtraSize = 0;
};

// One capture buffer as the device sees it. `System` belongs to the device
// layer (its own record of the buffer while prepared).
struct TWaveInHeader {
  uint8_t* Data = nullptr;
  uint32_t BufferLength = 0;
  uint32_t BytesRecorded = 0;
  void* System = nullptr;
};

enum TWaveInMessage { wimOpen, wimClose, wimData };

// Called by the device on its own thread. `header` is set for wimData.
using TWaveInCallback = void (*)(TWaveInMessage message, void* instance, TWaveInHeader* header);

// What the capture needs of the system's wave-in interface. Results are 0
// or an error code of the layer, which ErrorText describes.
class TWaveInDevices {
public:
  virtual ~TWaveInDevices() = default;
  virtual unsigned DeviceCount() = 0;
  // Whether the device records this format (nothing is opened).
  virtual unsigned Query(int deviceId, const TWaveInFormat& format) = 0;
  virtual unsigned Open(void*& handle, int deviceId, const TWaveInFormat& format, TWaveInCallback callback,
                        void* instance) = 0;
  virtual unsigned Prepare(void* handle, TWaveInHeader* header) = 0;
  virtual unsigned Unprepare(void* handle, TWaveInHeader* header) = 0;
  // Hands a prepared buffer to the device; it comes back filled (wimData).
  virtual unsigned AddBuffer(void* handle, TWaveInHeader* header) = 0;
  virtual unsigned Start(void* handle) = 0;
  // Stops recording and returns every buffer the device holds.
  virtual unsigned Reset(void* handle) = 0;
  virtual unsigned Close(void* handle) = 0;
  virtual std::string ErrorText(unsigned code) = 0;
};

// The system's devices (winmm).
TWaveInDevices* SystemWaveInDevices();
// The devices the input opens from now on; nullptr: the system's again.
void SetWaveInDevices(TWaveInDevices* devices);
TWaveInDevices* CurrentWaveInDevices();

class TCapturePacketQueue;

// The private context of one opened input. The library fills the option
// fields by their byte positions, and zero-fills the whole record first.
struct Twave_ctx {
  const void* class_;
  int device_id;  // -1: the system's wave mapper
  int sample_rate;
  int channels;
  int bits_per_sample;
  int sample_format;  // the library's sample format
  int codec_id;       // the library's codec
  int bufsize;        // requested bytes of one capture buffer
  int frame_size;
  TWaveInFormat wave_format;
  void* hwi;  // the open device; none when closed
  TWaveInHeader headers[2];
  TWaveInHeader* header_ptrs[2];
  uint8_t* buffers[2];
  std::atomic<int> current;  // which buffer goes to the device next
  std::atomic<int> started;  // the engine has read once
  std::atomic<int> stopped;  // the device closed or failed
  // The address of the caller's pause flag (a registered live parameter),
  // or 0. A full address: 32 bits cannot hold one on this platform.
  int64_t pause_pointer;
  TCapturePacketQueue* queue;  // the sound not read yet
  char* sample_fmt_str;
  void* owner;            // the format context, for log lines
  TWaveInDevices* devices;  // the layer this input was opened with
};

// Registers the input with the engine (nothing when it is there already).
// The recorder calls it before every recording; the media libraries must be
// loaded.
void RegisterWaveCapture();
