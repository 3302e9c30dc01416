// The player component: plays one media file (or anything the media
// libraries open by name) with sound into a host window through its own copy
// of SDL, and reports position and state changes to the application.
//
// The pipeline lives in the other units of this folder: reading and packet
// queues (StreamReader), stream components (StreamComponents), sound and
// clocks (AudioOutput), events and the play thread (PlayerEvents), and the
// picture side (VideoPath).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/FFBaseComponent.h"
#include "engine/FFLoad.h"
#include "engine/FFUtils.h"
#include "framework/Graphics.h"
#include "framework/Threads.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

enum TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };
enum TRepeatType { rtNone, rtStop, rtLoop, rtPause, rtRewind };
enum TAudioDriver { adDefault, adDirectSound, adWaveOut };
enum TVideoDriver { vdDefault, vdDirectDraw, vdGDI };
enum Tav_sync_type { AV_SYNC_AUDIO_MASTER, AV_SYNC_VIDEO_MASTER, AV_SYNC_EXTERNAL_CLOCK };
using TAudioVolume = int;  // 0..128

constexpr int64_t NoTime = INT64_MIN;  // the libraries' no-timestamp value

struct TVideoState;
class TCustomPlayer;
struct TSDLEntries;
class TSDLLoader;
class TFFDecoder;

// The ring of events from the playback threads to the event thread: ten
// slots, at most nine events; a new event of the newest event's kind
// replaces it, and a full ring drops its oldest event.
enum { PlayEventNone = 0, PlayEventPosition = 1, PlayEventState = 2, PlayEventQuit = 3 };
struct TPlayEventEntry {
  int Kind = 0;
  int64_t Value = 0;
};
struct TPlayEvent {
  TCriticalSection Lock;
  TEvent Event{true, false};
  int Header = 0;
  int Tailer = 0;
  TPlayEventEntry Events[10];

  void Post(int kind, int64_t value);
  TPlayEventEntry Take();
  int Count();
};

using TFileOpenEvent = std::function<void(TObject* Sender, const int64_t ADuration, int AFrameWidth,
                                          int AFrameHeight, int& AScreenWidth, int& AScreenHeight)>;
using TPositionEvent = std::function<void(TObject* Sender, const int64_t APTS)>;
using TPlayStateEvent = std::function<void(TObject* Sender, TPlayState APlayState)>;
// Runs on SDL's audio thread: the handler must not call Win32 or touch windows.
using TPlayerAudioHookEvent = std::function<void(TObject* Sender, const int64_t APTS, uint8_t* ASample,
                                           int ASize, int ASampleRate, int AChannels)>;

class TEventThread;
class TFormatConverter;

class TCustomPlayer : public TFFBaseComponent {
public:
  // Run on the video thread, with the picture about to be queued.
  using TVideoHookEvent = std::function<void(TObject* Sender, TBitmap* ABitmap, const int64_t APTS, bool& AUpdate)>;
  using TFrameHookEvent = std::function<void(TObject* Sender, void* APicture, AVPixelFormat APixFmt, int AWidth,
                                             int AHeight, const int64_t APTS)>;

  explicit TCustomPlayer(TComponent* AOwner);
  ~TCustomPlayer() override;

  // Libraries
  bool LoadAVLib(const TPathFileName& APath, bool AAutoLoadSDL);
  bool AVLibLoaded() const;
  void UnloadAVLib();
  bool LoadSDLLib(const TPathFileName& APath, const TPathFileName& AFile);
  void UnloadSDLLib();
  bool SDLLibLoaded() const;
  bool opt_default(const std::string& opt, const std::string& arg);

  // Playback
  bool Open(const TPathFileName& AFileName, intptr_t AScreenHandle, bool APaused);
  void Stop(bool AWaitForStop);
  void Pause();
  void Resume();
  void TogglePause();
  void StepToNextFrame();
  void Seek(const int64_t APTS, TSeekFlags ASeekFlags, bool AWaitForSeekEnd);
  void Seek(const double ADelta, TSeekFlags ASeekFlags, bool AWaitForSeekEnd);
  void FlushQueue();
  void ToggleAudioDisplay();
  // The picture last shown, as an RGB bitmap owned by the player (0x0 when
  // nothing plays); APTS its time, -1 without a picture.
  TBitmap* CurrentFrame();
  TBitmap* CurrentFrame(int64_t& APTS);
  // A rectangle of the host window in pixels of the picture shown there.
  TRect DisplayToActualRect(TRect ADisplayRect);
  void SetDisplayRect(int x, int y, int w, int h);
  TRect DisplayRect();
  // Tells the picture that the host window moved or changed size.
  void UpdateScreenPosition();

  // The player's own decoder: it holds the open file's context while a
  // playback runs (for its stream information) and none otherwise.
  TFFDecoder* Decoder() const { return FDecoder.get(); }

  // Properties with behaviour
  std::string ForceFormat() const;
  void SetForceFormat(const std::string& value);
  const std::string& ForceFrameRate() const { return FForceFrameRate; }
  void SetForceFrameRate(const std::string& value);
  int FrameWidth() const { return Fframe_width; }
  int FrameHeight() const { return Fframe_height; }
  void SetFrameWidth(int value);
  void SetFrameHeight(int value);
  int64_t StartTime() const { return Fstart_time; }
  void SetStartTime(int64_t value);
  int AudioStreamIndex() const;
  int VideoStreamIndex() const;
  // The open video stream's display aspect: width x sample aspect ratio
  // (1 when unknown) / height; 0 when no video stream is open.
  double VideoDisplayAspect() const;
  int SubtitleStreamIndex() const;
  bool SetAudioStreamIndex(int value);
  bool SetVideoStreamIndex(int value);
  bool SetSubtitleStreamIndex(int value);
  bool Paused() const;
  TPlayState PlayState() const { return FState; }
  bool Seeking() const { return FSeeking; }
  int64_t CurrentPTS() const { return FCurrentPTS; }
  const TPathFileName& FileName() const { return Finput_filename; }
  intptr_t ScreenHandle() const { return FScreenHandle; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  float AspectRatio() const { return FAspectRatio; }
  void SetAspectRatio(float value);
  bool VerticalFlip() const { return FVerticalFlip; }
  void SetVerticalFlip(bool value) { FVerticalFlip = value; }
  bool Deinterlace() const { return FDeinterlace; }
  void SetDeinterlace(bool value) { FDeinterlace = value; }
  const std::string& VideoFilters() const { return Fvfilters; }
  void SetVideoFilters(const std::string& value) { Fvfilters = value; }
  int VideoHookBitsPixel() const;
  void SetVideoHookBitsPixel(int value);

  // Plain properties
  TAudioDriver AudioDriver = adDefault;
  TVideoDriver VideoDriver = vdDefault;
  std::atomic<TAudioVolume> AudioVolume{128};
  std::atomic<bool> Mute{false};
  bool DisableAudio = false;
  bool DisableVideo = false;
  bool DisableDisplay = false;
  bool HijackWndProc = true;
  bool HijackCursor = true;
  bool AudioHook = false;
  bool VideoHook = false;
  bool FrameHook = false;
  bool TriggerEventInMainThread = true;
  bool AutoAdjustFrameRate = true;
  bool CheckIOEOF = true;
  bool CheckIOERR = true;
  bool NegativeOneAsEOF = true;
  int64_t PlayTime = NoTime;
  TRepeatType RepeatType = rtRewind;
  int ScreenWidth = 0;
  int ScreenHeight = 0;
  // Decoding and reading options, under the media libraries' own names
  Tav_sync_type av_sync_type = AV_SYNC_AUDIO_MASTER;
  int wanted_stream[AVMEDIA_TYPE_NB] = {-1, -1, -1, -1, -1};
  int seek_by_bytes = -1;
  int workaround_bugs = 1;
  bool fast = false;
  bool genpts = false;
  int lowres = 0;
  int idct_algo = 0;
  int skip_frame = 0, skip_idct = 0, skip_loop_filter = 0;
  int error_recognition = 1;
  int error_concealment = 3;
  int decoder_reorder_pts = -1;
  int framedrop = -1;
  std::string audio_codec_name, video_codec_name, subtitle_codec_name;
  int rdftspeed = 20;

  // Events
  TFileOpenEvent OnFileOpen;
  TPositionEvent OnPosition;
  TPlayStateEvent OnState;
  TPlayerAudioHookEvent OnAudioHook;
  TVideoHookEvent OnVideoHook;
  TFrameHookEvent OnFrameHook;
  TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;

  // ---- Below: state shared with the pipeline units of this folder. ----
  // This player's copy of the SDL entry points.
  const TSDLEntries& SDL() const { return *FSDL; }
  TFFOptions FOptions;
  int Fsws_flags = 4;
  const AVInputFormat* Ffile_iformat = nullptr;
  TPathFileName Finput_filename;
  int Fframe_width = 0, Fframe_height = 0;
  int Fframe_width_set = 0, Fframe_height_set = 0;
  int Fframe_pix_fmt = -1;
  int64_t Fstart_time = NoTime;
  std::atomic<TVideoState*> FVideoState{nullptr};
  // Counts the playbacks this player opened: a record's address alone may
  // come back for the next playback once the old one is freed.
  std::atomic<unsigned> FPlaybackSerial{0};
  std::atomic<TVideoState*> FVideoStateCB{nullptr};
  std::atomic<int64_t> Faudio_callback_time{0};
  AVPacket Fflush_pkt{};
  std::atomic<int64_t> FLastRead{INT64_MAX};
  std::string FLastErrMsg;
  std::atomic<int64_t> FLastPTS{NoTime};
  std::atomic<int64_t> FCurrentPTS{-1};
  std::atomic<bool> FLoading{false};
  std::timed_mutex FDataLock;
  TEvent FSeekEvent{true, true};
  TEvent FPictEvent{true, true};
  TEvent FStopEvent{true, true};
  TPlayEvent FPlayEvent;
  TPlayState FEventState = psStop;
  int64_t FEventPTS = 0;
  std::atomic<bool> FSeeking{false};
  std::atomic<float> FAspectRatio{0};
  std::string FForceFrameRate;
  int FShowMode = -1;
  std::atomic<bool> FDeinterlace{false};
  std::atomic<bool> FVerticalFlip{false};
  std::string Fvfilters;
  std::atomic<TPlayState> FState{psStop};
  std::atomic<bool> FLooping{false};
  intptr_t FScreenHandle = 0;
  bool FSDLStarted = false;

  void ReportError(const std::string& message);
  void QueueState(TPlayState AState);
  void PostPlayEvent(int kind, int64_t value) { FPlayEvent.Post(kind, value); }
  void UpdatePosition();
  void PushUserEvent(int type, TVideoState* is);
  bool StartSDLForWindow(intptr_t AScreenHandle);
  void ShutdownSDL();
  void ResetPlayback();
  // True while `is`, taken when the playback's count was `serial`, is still
  // the open playback. GUI-thread waits dispatch the application's handlers,
  // and one of them may stop the playback (and even open the next) meanwhile.
  bool IsPlayback(const TVideoState* is, unsigned serial) const {
    return FVideoState == is && FPlaybackSerial == serial;
  }
  // GUI thread: resets the playback settings of a playback that ended on
  // the play thread, when that has not been done yet.
  void ApplyDueSettingsReset();
  void StreamSeek(TVideoState* is, int64_t pos, int64_t rel, int flags, bool wait);
  // The play thread runs SDL's event loop until the playback ends.
  void EventLoop();
  // The video hooks, on the video thread; APicture is a planar 4:2:0 picture.
  void DoVideoHook(AVFrame* APicture, double APTS);
  void DoFrameHook(AVFrame* APicture, double APTS);

private:
  void WaitForStop();
  bool TryDataLock(unsigned ms);
  // The settings the application gives for one playback (StartTime,
  // PlayTime, RepeatType, ...) are the GUI thread's: only it resets them.
  void ResetSettings();
  enum { SettingsKept, SettingsResetDue, SettingsResetAhead };
  std::atomic<int> FSettingsReset{SettingsKept};
  void RecreateOptions();
  TAVLibUser FAVLib{PlayerLibraries};
  std::unique_ptr<TSDLLoader> FSDLLoader;
  std::unique_ptr<TFFDecoder> FDecoder;
  std::unique_ptr<TSDLEntries> FSDL;
  bool FAutoLoadSDL = true;
  TEventThread* FEventThread = nullptr;
  std::unique_ptr<TFormatConverter> FRGBConverter;
  std::unique_ptr<TFormatConverter> FHookConverter;
  TCriticalSection FDisplayRectLock;
  TRect FDisplayRect;
};

// The published form placed on the application's windows.
class TVIDavaza : public TCustomPlayer {
public:
  explicit TVIDavaza(TComponent* AOwner) : TCustomPlayer(AOwner) {}
};
