// The record of one open playback and the operations of the pipeline units
// on it. Only the units of this folder include this header.
#pragma once

#include <vector>

#include "engine/ProgramFilters.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "player/FFPlay.h"
#include "player/SubtitlePixels.h"
#include "player/libsdl.h"

extern "C" {
#include <libswresample/swresample.h>
}

// Events the player pushes into its SDL queue; each carries the playback
// record as data1.
enum TPlayerSDLEvent : uint32_t {
  AllocEvent = SDL_USEREVENT,
  RefreshEvent,
  QuitEvent,
  RelayoutEvent,
  ResizeEvent,  // code = width, data2 = height
  ExposeEvent,
  ClearEvent,  // the display mode changed: the picture area goes black
};

struct TPacketNode {
  AVPacket* pkt;  // the flush marker is the player's own packet, never freed
  TPacketNode* next;
};

struct TPacketQueue {
  TPacketNode* first_pkt = nullptr;
  TPacketNode* last_pkt = nullptr;
  int nb_packets = 0;
  int size = 0;
  std::atomic<int> abort_request{0};
  SDL_mutex* mutex = nullptr;
  SDL_cond* cond = nullptr;
  const TSDLEntries* sdl = nullptr;
  AVPacket* flush_pkt = nullptr;
};

constexpr int AudioBufferSize = 768000;
constexpr int SampleArraySize = 131072;
constexpr int SilenceBufferSize = 1024;

class THostPicture;
struct SwsContext;
struct AVFilterGraph;
struct AVFilterContext;
struct RDFTContext;

// A decoded picture waiting for its time to be shown.
struct TVideoPicture {
  AVFrame* frame = nullptr;
  double pts = 0;
  double duration = 0;
  int64_t pos = -1;
  int skip = 0;
  bool flipped = false;  // turned upside down as it was queued
};
constexpr int PictureQueueSize = 2;

// A decoded subtitle waiting for, or during, its display time.
struct TSubPicture {
  double pts = 0;
  AVSubtitle sub{};
};
constexpr int SubPictureQueueSize = 4;

// The states of a stream switch request (`cycle_req`), and how long the GUI
// thread waits for the read thread to take one up.
enum { CycleDone, CycleRequested, CycleRunning };
constexpr int64_t CycleWaitLimitMs = 2000;

struct TVideoState {
  uint8_t audio_buf2[AudioBufferSize];
  TThread* read_tid = nullptr;
  TThread* video_tid = nullptr;
  TThread* refresh_tid = nullptr;
  const AVInputFormat* iformat = nullptr;
  int no_background = 0;
  std::atomic<int> abort_request{0};
  std::atomic<int> paused{0};
  int last_paused = 0;
  std::atomic<int> seek_req{0};
  int seek_flags = 0;
  int64_t seek_pos = 0;
  int64_t seek_rel = 0;
  std::atomic<int> read_pause_return{0};
  AVFormatContext* ic = nullptr;
  std::atomic<int> audio_stream{-1};
  Tav_sync_type av_sync_type = AV_SYNC_AUDIO_MASTER;
  double external_clock = 0;
  int64_t external_clock_time = 0;
  double audio_clock = 0;
  double audio_diff_cum = 0;
  double audio_diff_avg_coef = 0;
  double audio_diff_threshold = 0;
  int audio_diff_avg_count = 0;
  AVStream* audio_st = nullptr;
  AVCodecContext* audio_ctx = nullptr;
  TPacketQueue audioq;
  SDL_AudioDeviceID audio_dev = 0;
  int audio_hw_buf_size = 0;
  uint8_t silence_buf[SilenceBufferSize] = {};
  uint8_t* audio_buf = nullptr;
  unsigned audio_buf_size = 0;
  int audio_buf_index = 0;
  int audio_write_buf_size = 0;
  AVPacket* audio_pkt = nullptr;  // the packet being decoded
  bool audio_drain_sent = false;  // the decoder was told the stream ended
  std::atomic<int> audio_drop_buffer{0};  // a seek made the decoded rest stale
  std::atomic<int> audio_silent_callbacks{0};  // callbacks in a row without sound to play
  std::atomic<int> audio_dry{0};
  // Held by each audio callback and by a seek while it sets the clock to
  // its target, so that neither overwrites the other's clock half-way.
  std::mutex audio_lock;  // the last callback had no sound: the clock stands still
  AVSampleFormat audio_src_fmt = AV_SAMPLE_FMT_NONE, audio_tgt_fmt = AV_SAMPLE_FMT_NONE;
  int audio_src_channels = 0, audio_tgt_channels = 0;
  AVChannelLayout audio_src_channel_layout{}, audio_tgt_channel_layout{};
  int audio_src_freq = 0, audio_tgt_freq = 0;
  SwrContext* swr_ctx = nullptr;
  std::atomic<double> audio_current_pts{0};
  std::atomic<double> audio_current_pts_drift{0};
  int frame_drops_early = 0, frame_drops_late = 0;
  AVFrame* frame = nullptr;
  std::atomic<int> show_mode{-1};
  int16_t sample_array[SampleArraySize] = {};
  int sample_array_index = 0;
  int last_i_start = 0;
  int xpos = 0;
  std::atomic<int> subtitle_stream{-1};
  AVStream* subtitle_st = nullptr;
  AVCodecContext* subtitle_ctx = nullptr;
  TPacketQueue subtitleq;
  double frame_timer = 0;
  double frame_last_pts = 0;
  double frame_last_duration = 0;
  double frame_last_dropped_pts = 0;
  std::atomic<double> video_clock{0};
  std::atomic<int> video_stream{-1};
  AVStream* video_st = nullptr;
  AVCodecContext* video_ctx = nullptr;
  TPacketQueue videoq;
  std::atomic<double> video_current_pts{0};
  std::atomic<double> video_current_pts_drift{0};
  int64_t video_current_pos = -1;
  std::string filename;
  int width = 0, height = 0, xleft = 0, ytop = 0;
  std::atomic<int> step{0};
  std::atomic<int> refresh{0};
  TCustomPlayer* Owner = nullptr;
  std::atomic<int> Opened{0};
  int64_t StartTime = 0;
  int64_t Duration = -1;
  int64_t AudioDuration = -1;
  int IsImage2 = 0;
  int IsDevice = 0;
  int IOEOFLog = 0, IOERRLog = 0;
  std::atomic<int> EventEOF{0};
  std::atomic<int> ReachEOF{0};
  std::atomic<int> Reading{0};
  std::atomic<int> open_paused{0};
  std::atomic<int> seek_paused{0};
  std::atomic<int> seek_done{0};
  std::atomic<int> seek_flushed{0};
  std::atomic<int> flush_req{0};
  double frame_delay = 0.04;
  bool eof = false;  // the read thread met the end of the input
  // Set when the playback closes: the read and refresh threads' pauses end
  // at once instead of running out their time.
  TEvent wake{true, false};
  // A stream switch asked for by the GUI thread, done by the read thread
  // between packets so that no packet goes into a queue being replaced.
  std::atomic<int> cycle_req{CycleDone};
  int cycle_type = 0;
  int cycle_index = -1;
  // Picture side: the decoder, the queue between the video thread and the
  // play thread, and the host window's picture with the last shown frame.
  TVideoPicture pictq[PictureQueueSize];
  int pictq_size = 0, pictq_rindex = 0, pictq_windex = 0;
  std::mutex pictq_mutex;
  std::condition_variable pictq_cond;
  AVFrame* shown = nullptr;  // the current frame; a repaint or relayout uses it again
  THostPicture* host = nullptr;
  SwsContext* sws = nullptr;
  bool shown_flipped = false;
  double shown_pts = 0;
  int rect_x = 0, rect_y = 0, rect_w = 0, rect_h = 0;
  int last_w = 0, last_h = 0, last_fmt = -1;
  // The display filter graph between the decoder and the picture queue.
  AVFilterGraph* graph = nullptr;
  AVFilterContext* in_video_filter = nullptr;
  AVFilterContext* out_video_filter = nullptr;
  // The program's equalisers of the chain whose values the application
  // changes while it plays; polled before each picture enters the graph.
  std::vector<TLiveFilter> live_filters;
  double frame_last_returned_time = 0;
  double frame_last_filter_delay = 0;
  int64_t frame_last_dropped_pos = -1;
  std::vector<uint8_t> deint_buf;
  // Bitmap subtitles: decoded by their own thread, blended at display.
  TThread* subtitle_tid = nullptr;
  TSubPicture subpq[SubPictureQueueSize];
  int subpq_size = 0, subpq_rindex = 0, subpq_windex = 0;
  std::mutex subpq_mutex;
  std::condition_variable subpq_cond;
  std::atomic<int> subtitle_stream_changed{0};
  // The audio display's transform and its buffer. The transform's vector
  // code faults on data less aligned than its widest registers, which a
  // plain heap block is not always.
  RDFTContext* rdft = nullptr;
  int rdft_bits = 0;
  std::unique_ptr<float, void (*)(void*)> rdft_data{nullptr, std::free};
  int64_t shown_frames = 0;  // pictures drawn, for the statistics at close
};

// Wall clock in microseconds.
int64_t NowMicro();
// Sleeps; on the GUI thread it keeps running synchronised calls and messages.
void SleepPumping(unsigned ms);
// Waits for an event; pumping on the GUI thread.
bool WaitPumping(TEvent& event, unsigned ms);

// Packet queues
void PacketQueueInit(TVideoState* is, TPacketQueue* q);
int PacketQueuePut(TPacketQueue* q, AVPacket* pkt);
int PacketQueueGet(TPacketQueue* q, AVPacket** pkt, bool block);
void PacketQueueFlush(TPacketQueue* q);
void PacketQueueAbort(TPacketQueue* q);
void PacketQueueDestroy(TPacketQueue* q);
bool IsFlushPacket(const TVideoState* is, const AVPacket* pkt);

// Reading
bool StreamOpen(TCustomPlayer* player, const std::string& name, const AVInputFormat* format, bool APaused);
// Without shutdownSDL the SDL start-up stays for the play thread to end.
void StreamClose(TCustomPlayer* player, bool shutdownSDL = true);
int DecodeInterruptCallback(void* player);

// Stream components
int StreamComponentOpen(TVideoState* is, int stream_index);
void StreamComponentClose(TVideoState* is, int stream_index);
bool StreamCycleChannel(TVideoState* is, int codec_type, int stream_index);
// Carries out a pending switch; the read thread calls it between packets.
void HandleCycleRequest(TVideoState* is);
// A decoder context for a stream of the open input, with the player's settings.
AVCodecContext* OpenStreamDecoder(TVideoState* is, int stream_index, int& error);
// The time one picture stands for, from the forced rate, the decoder's or
// the container's frame rate; pictures without a time advance by it.
double ChooseFrameDelay(TVideoState* is, int stream_index, const AVCodecContext* ctx);

// Sound and clocks
void AudioCallback(void* opaque, uint8_t* stream, int len);
double GetAudioClock(TVideoState* is);
double GetVideoClock(TVideoState* is);
double GetExternalClock(TVideoState* is);
double GetMasterClock(TVideoState* is);
double ComputeTargetDelay(TVideoState* is, double delay);
int SynchronizeAudio(TVideoState* is, int size, double pts);
// Waits (dispatching on the GUI thread) for a pending seek and picture,
// then toggles; false when the playback ended or was replaced meanwhile:
// `is` may then be freed.
bool StreamTogglePause(TVideoState* is);

// Picture side: decoding thread, picture queue and drawing.
int VideoComponentOpen(TVideoState* is);
void VideoComponentClose(TVideoState* is);
int SubtitleComponentOpen(TVideoState* is);
void SubtitleComponentClose(TVideoState* is);
void StartRefreshThread(TVideoState* is);
void VideoRefresh(TVideoState* is, bool fromTimer);
void VideoDisplay(TVideoState* is);
void HandleVideoEvent(TVideoState* is, const SDL_Event& event);
void FreePictures(TVideoState* is);
// Clears the picture area for a change of the display mode.
void ClearDisplay(TVideoState* is);
void UpdateSampleDisplay(TVideoState* is, const int16_t* samples, int size);
void AudioDisplay(TVideoState* is);

