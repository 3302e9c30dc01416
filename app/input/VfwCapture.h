// The "vfwcapture" input of the engine: video from a capture driver (a
// webcam) through a hidden capture window. The driver hands every frame to
// a stream callback, which queues it as a packet for the engine's reading
// thread and drops frames by a fixed schedule as the queue's memory fills.
// The window lives on the GUI thread. Free of windows.h and of the media
// headers, so both sides can include it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"

// The capture window's messages (the system capture library's numbers).
constexpr unsigned kWmCapStart = 0x400;
constexpr unsigned kWmCapGetUserData = kWmCapStart + 8;
constexpr unsigned kWmCapSetUserData = kWmCapStart + 9;
constexpr unsigned kWmCapDriverConnect = kWmCapStart + 10;
constexpr unsigned kWmCapDriverDisconnect = kWmCapStart + 11;
constexpr unsigned kWmCapSetCallbackVideoStream = kWmCapStart + 6;
constexpr unsigned kWmCapSetOverlay = kWmCapStart + 51;
constexpr unsigned kWmCapSetPreview = kWmCapStart + 50;
constexpr unsigned kWmCapGetVideoFormat = kWmCapStart + 44;
constexpr unsigned kWmCapSetVideoFormat = kWmCapStart + 45;
constexpr unsigned kWmCapGetSequenceSetup = kWmCapStart + 65;
constexpr unsigned kWmCapSetSequenceSetup = kWmCapStart + 64;
constexpr unsigned kWmCapSequenceNoFile = kWmCapStart + 63;

// The driver's video format: the system's bitmap header, same layout.
struct TVfwBitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(TVfwBitmapInfoHeader) == 40, "the system's bitmap header");

// The capture sequence parameters: the system's record, same layout.
struct TVfwCaptureParms {
  uint32_t dwRequestMicroSecPerFrame;
  int32_t fMakeUserHitOKToCapture;
  uint32_t wPercentDropForError;
  int32_t fYield;
  uint32_t dwIndexSize;
  uint32_t wChunkGranularity;
  int32_t fUsingDOSMemory;
  uint32_t wNumVideoRequested;
  int32_t fCaptureAudio;
  uint32_t wNumAudioRequested;
  uint32_t vKeyAbort;
  int32_t fAbortLeftMouse;
  int32_t fAbortRightMouse;
  int32_t fLimitEnabled;
  uint32_t wTimeLimit;
  int32_t fMCIControl;
  int32_t fStepMCIDevice;
  uint32_t dwMCIStartTime;
  uint32_t dwMCIStopTime;
  int32_t fStepCaptureAt2x;
  uint32_t wStepCaptureAverageFrames;
  uint32_t dwAudioBufferSize;
  int32_t fDisableWriteCache;
  uint32_t AVStreamMaster;
};
static_assert(sizeof(TVfwCaptureParms) == 96, "the system's capture parameters");

// One captured frame as the stream callback gets it.
struct TVfwFrame {
  const uint8_t* Data;
  uint32_t BytesUsed;
  uint32_t TimeCaptured;  // milliseconds since the capture started
};

// The stream callback, with the window's user data: 1 when the frame was
// taken, 0 when not.
using TVfwStreamCallback = int (*)(void* window, void* userData, const TVfwFrame& frame);

constexpr uint32_t VfwFourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// A capture driver behind the program's own capture window, used where the
// system has none (or for tests): what the input needs of one.
class TVfwDriver {
public:
  virtual ~TVfwDriver() = default;
  virtual std::string Name() = 0;
  virtual std::string Version() = 0;
  virtual bool Connect() = 0;
  virtual void Disconnect() = 0;
  virtual TVfwBitmapInfoHeader VideoFormat() = 0;
  virtual bool SetVideoFormat(const TVfwBitmapInfoHeader& format) = 0;
  // Delivers frames to `sink` every `microSecPerFrame` until StopCapture
  // (from a thread of its own when `background`).
  using TSink = std::function<void(const TVfwFrame& frame)>;
  virtual bool StartCapture(uint32_t microSecPerFrame, bool background, TSink sink) = 0;
  virtual void StopCapture() = 0;
};

// The drivers the input uses from now on, numbered by their position; an
// empty list: the system's capture drivers again.
void SetVfwDrivers(const std::vector<TVfwDriver*>& drivers);

class TCapturePacketQueue;
class TVFWCapture;

// The private context of one opened input, zero-filled by the library.
struct Tvfw_ctx {
  const void* class_;
  void* hwnd;   // the capture window; cleared first when the input closes
  TCapturePacketQueue* queue;  // the frames not read yet
  uint32_t frame_num;          // frames the driver offered so far (under the queue's lock)
  char* video_size;
  char* framerate;
  TVFWCapture* VFWCapture;
  void* owner;  // the format context
};

// Owner of the capture window: makes and destroys it on the GUI thread.
class TVFWCapture : public TObject {
public:
  explicit TVFWCapture(Tvfw_ctx* ctx) : Fvfw_ctx(ctx) {}
  ~TVFWCapture() override;
  void CreateCapWindow();
  void DestroyCapWindow();

private:
  void DoCreateCapWindow();
  void DoDestroyCapWindow();
  Tvfw_ctx* Fvfw_ctx;
};

// Registers the input with the engine (nothing when it is there already)
// and logs the installed capture drivers. The media libraries must be
// loaded.
void RegisterVfwCapture();

// The frame-drop schedule: whether a frame is dropped with the queue at
// `fillPercent` of the real-time buffer and this frame count.
bool VfwDropFrame(uint32_t fillPercent, uint32_t frameNum);

// The Win32 side of the capture window (VfwCaptureWindow.cpp).
// A driver's name and version by number 0..9; false when there is none.
bool VfwDriverDescription(int index, std::string& name, std::string& version);
// A message-only capture window (GUI thread); nullptr when none was made.
void* VfwCreateCaptureWindow();
void VfwDestroyCaptureWindow(void* window);
intptr_t VfwSend(void* window, unsigned message, uintptr_t wparam, intptr_t lparam);
// Sets (or, with nullptr, removes) the window's stream callback.
bool VfwSetStreamCallback(void* window, TVfwStreamCallback callback);
// The window's user data, which the stream callback gets without asking
// the window (it runs on the driver's thread).
void VfwSetUserData(void* window, void* data);
