// The transcoder: one conversion task with every setting of a command-line
// style conversion, its opened inputs and outputs, and the run state of the
// worker that carries it out. The encoder component makes one per task.
//
// Inside engine/ the transcoder is split by stage: FFmpegObject (life cycle,
// threads, time-outs), FFmpegOptions (option table, option text, per-stream
// lookups), FFmpegMapping (stream, channel and metadata maps, target),
// FFmpegInputs, FFmpegOutputStreams and FFmpegOutputs (opening the files);
// the run itself in FFmpegRun.h: FFmpegTranscode (set-up, loop, packet
// output), FFmpegVideoPath, FFmpegAudioPath and FFmpegProgress (reports,
// draining, ending).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/FFBaseComponent.h"
#include "engine/FFLog.h"
#include "engine/FFUtils.h"
#include "engine/OptionParser.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

class TBitmap;
class TFormatConverter;
class TPreviewer;
class TCustomFFmpeg;

// Ends a task: the message travels with the task's end event.
class FFmpegException : public Exception {
public:
  using Exception::Exception;
};

constexpr int64_t NoLimit = INT64_MAX;

// One opened input.
struct TInputFile {
  AVFormatContext* ctx = nullptr;
  int eof_reached = 0;
  int ist_index = 0;
  int buffer_size = 0;
  int64_t ts_offset = 0;
  int nb_streams = 0;
  int rate_emu = 0;
  std::string file_name;  // as the caller gave it
};

// One stream of an input file.
struct TInputStream {
  int file_index = 0;
  AVStream* st = nullptr;
  int discard = 0;
  int decoding_needed = 0;
  const AVCodec* avdec = nullptr;
  AVCodecContext* dec_ctx = nullptr;  // the decoder's context (streams carry none of their own)
  AVFrame* decoded_frame = nullptr;
  AVFrame* filtered_frame = nullptr;
  int64_t start = 0;
  int64_t next_pts = AV_NOPTS_VALUE;
  int64_t pts = 0;
  double ts_scale = 1.0;
  int is_start = 0;
  int showed_multi_packet_warning = 0;
  AVDictionary* opts = nullptr;
  int frame_number = 0;
  int decoder_flushed = 0;
  int join_used = 0;
};

// One opened output.
struct TOutputFile {
  AVFormatContext* ctx = nullptr;
  AVDictionary* opts = nullptr;
  int ost_index = 0;
  int64_t recording_time = NoLimit;
  int64_t start_time = 0;
  int64_t limit_filesize = NoLimit;
  std::string file_name;  // as the caller gave it
  // While the task writes the file: its native name, which says that it is
  // incomplete; the file gets its own name only when the task has finished.
  // Empty for outputs written in place (addresses that are not files).
  std::string incomplete_name;
  // Every input is a live source (a capture device, a generator): its end
  // is the stop, so a stopped task's file is a complete recording.
  bool live_inputs = false;
};

// One stream of an output file.
struct TOutputStream {
  int file_index = 0;
  int index = 0;
  int source_index = -1;
  AVStream* st = nullptr;
  AVCodecContext* enc_ctx = nullptr;  // the encoder's context
  int encoding_needed = 0;
  int frame_number = 0;
  TInputStream* sync_ist = nullptr;
  int64_t sync_opts = 0;
  AVBSFContext* bitstream_filters = nullptr;
  std::string bitstream_filter_names;  // as given, comma-separated
  const AVCodec* enc = nullptr;
  int64_t max_frames = NoLimit;
  int video_resample = 0;
  AVFrame* resample_frame = nullptr;
  SwsContext* img_resample_ctx = nullptr;
  int resample_height = 0;
  int resample_width = 0;
  int resample_pix_fmt = AV_PIX_FMT_NONE;
  AVRational frame_rate = {0, 0};
  int force_fps = 0;
  int top_field_first = -1;
  float frame_aspect_ratio = 0;
  int64_t* forced_kf_pts = nullptr;
  int forced_kf_count = 0;
  int forced_kf_index = 0;
  int audio_resample = 0;
  int audio_channels_map[16] = {};
  int audio_channels_mapped = 0;
  int resample_sample_fmt = AV_SAMPLE_FMT_NONE;
  int resample_channels = 0;
  int resample_sample_rate = 0;
  float rematrix_volume = 1.0f;
  AVAudioFifo* fifo = nullptr;
  FILE* logfile = nullptr;
  SwrContext* swr = nullptr;
  AVFilterContext* output_video_filter = nullptr;
  AVFilterContext* input_video_filter = nullptr;
  AVFrame* picref = nullptr;
  char* avfilter = nullptr;
  AVFilterGraph* graph = nullptr;
  int64_t sws_flags = 0;
  AVDictionary* opts = nullptr;
  int is_past_recording_time = 0;
  int stream_copy = 0;
  char* attachment_filename = nullptr;
  int copy_initial_nonkeyframes = 0;
  AVCodecID codec_id_join = AV_CODEC_ID_NONE;
  AVDictionary* opts_join = nullptr;
  int not_show_fps = 0;
  int encoder_flushed = 0;
  int64_t last_dts = AV_NOPTS_VALUE;
};

struct TStreamMap {
  int disabled = 0;
  int file_index = 0;
  int stream_index = 0;
  int sync_file_index = 0;
  int sync_stream_index = 0;
};

struct TAudioChannelMap {
  int file_idx = 0;
  int stream_idx = 0;
  int channel_idx = 0;
  int ofile_idx = 0;
  int ostream_idx = 0;
};

struct TMetadataMap {
  int file_idx = 0;
  char type_ = 0;
  int index = 0;
};

// The options collected for the next input or output file. Plain data: the
// option table addresses its fields by offset, and the per-stream lists are
// library arrays of TSpecifierOpt each followed by its count.
struct TOptionsContext {
  int64_t start_time;
  char* format;
  TSpecifierOpt* codec_names; int nb_codec_names;
  TSpecifierOpt* audio_channels; int nb_audio_channels;
  TSpecifierOpt* audio_sample_rate; int nb_audio_sample_rate;
  TSpecifierOpt* rematrix_volume; int nb_rematrix_volume;
  TSpecifierOpt* frame_rates; int nb_frame_rates;
  TSpecifierOpt* frame_sizes; int nb_frame_sizes;
  TSpecifierOpt* frame_pix_fmts; int nb_frame_pix_fmts;
  int64_t input_ts_offset;
  int rate_emu;
  TSpecifierOpt* ts_scale; int nb_ts_scale;
  TSpecifierOpt* dump_attachment; int nb_dump_attachment;
  TStreamMap* stream_maps; int nb_stream_maps;
  TAudioChannelMap* audio_channel_maps; int nb_audio_channel_maps;
  TMetadataMap (*meta_data_maps)[2]; int nb_meta_data_maps;
  int metadata_global_manual;
  int metadata_streams_manual;
  int metadata_chapters_manual;
  char** attachments; int nb_attachments;
  int chapters_input_file;
  int64_t recording_time;
  int64_t limit_filesize;
  float mux_preload;
  float mux_max_delay;
  int video_disable;
  int audio_disable;
  int subtitle_disable;
  int data_disable;
  int* streamid_map; int nb_streamid_map;
  TSpecifierOpt* metadata; int nb_metadata;
  TSpecifierOpt* max_frames; int nb_max_frames;
  TSpecifierOpt* bitstream_filters; int nb_bitstream_filters;
  TSpecifierOpt* codec_tags; int nb_codec_tags;
  TSpecifierOpt* sample_fmts; int nb_sample_fmts;
  TSpecifierOpt* qscale; int nb_qscale;
  TSpecifierOpt* forced_key_frames; int nb_forced_key_frames;
  TSpecifierOpt* force_fps; int nb_force_fps;
  TSpecifierOpt* frame_aspect_ratios; int nb_frame_aspect_ratios;
  TSpecifierOpt* rc_overrides; int nb_rc_overrides;
  TSpecifierOpt* intra_matrices; int nb_intra_matrices;
  TSpecifierOpt* inter_matrices; int nb_inter_matrices;
  TSpecifierOpt* top_field_first; int nb_top_field_first;
  TSpecifierOpt* copy_initial_nonkeyframes; int nb_copy_initial_nonkeyframes;
  TSpecifierOpt* filters; int nb_filters;
};

enum TPostHook { phPreview, phBitmap, phHBITMAP };
using TPostHooks = unsigned;  // bits (1 << TPostHook)
constexpr TPostHooks PostHook(TPostHook h) { return 1u << h; }

// The output-video preview state.
struct TPostHookContext {
  TFormatConverter* Converter = nullptr;
  // Shared with the worker while it paints, so that the caller's thread
  // may switch the preview off at any moment.
  std::shared_ptr<TPreviewer> Previewer;
  int64_t preview_last_time = 0;
  int64_t preview_cur_time = 0;
};

using TProgressEvent = std::function<void(TObject* sender, int fileIndex, int frameNumber, int fps,
                                          float quality, float bitRate, int64_t currentSize,
                                          int64_t currentDuration, int64_t totalDuration)>;
using TVideoHookEvent = std::function<void(TObject* sender, TBitmap* bitmap, int frameNumber, int64_t pts,
                                           bool& update, bool& stopHook)>;
using TFrameHookEvent = std::function<void(TObject* sender, void* picture, AVPixelFormat pixFmt,
                                           int frameNumber, int width, int height, int64_t pts)>;
using TPreviewBitmapEvent = std::function<void(TObject* sender, TBitmap* bitmap, int frameNumber, int64_t pts)>;
using TAudioHookEvent = std::function<void(TObject* sender, int64_t pts, uint8_t* sample, int size,
                                           int sampleRate, int channels, AVSampleFormat sampleFormat)>;

// The worker that runs one task.
class TConvertThread : public TThread {
public:
  explicit TConvertThread(TCustomFFmpeg* owner) : FOwner(owner) {}

protected:
  void Execute() override;

private:
  TCustomFFmpeg* FOwner;
};

class TCustomFFmpeg : public TObject {
public:
  TCustomFFmpeg();
  ~TCustomFFmpeg() override;
  TCustomFFmpeg(const TCustomFFmpeg&) = delete;
  TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

  void ResetState();
  void Cleanup();

  // nullptr when the task ran inline, failed at once or was already used;
  // otherwise the worker, made suspended: the caller starts it.
  TConvertThread* StartConvert(bool useThread, int priority = 0);
  void Stop(bool waitForStop);
  void StopTask(bool waitForStop);
  void Pause();
  void Resume();
  bool Paused() const { return FPaused; }

  [[noreturn]] void RaiseFatal(const std::string& message);
  template <class... A>
  [[noreturn]] void RaiseFatalFmt(const char* format, A... args) {
    RaiseFatal(FormatText(format, args...));
  }

  void SetPostHooks(TPostHooks value);
  void ApplyPostHooks(TPostHooks value);
  TPostHooks PostHooks() const { return FPostHooks; }
  void SetVideoHookBitsPixel(int value);
  int VideoHookBitsPixel() const { return FVideoHookBitsPixel; }

  // Option text and preset text for the file opened next.
  void ParseOptions(const std::string& text);
  void ParsePresets(const std::string& text);

  // The new input's index, or a negative code with LastErrMsg.
  int OpenInputFile(TOptionsContext* o, const std::string& fileName);
  // The new output's index, or -1 with LastErrMsg; no record and no new
  // file are left behind by a failure.
  int OpenOutputFile(const std::string& fileName, bool join);
  // Creates output `index`'s file when its task starts (SetOutput leaves
  // the disk alone). 0, or a negative code with LastErrMsg.
  int CreateOutputFile(int index);
  int AddJoinOutputGroup(int k);
  // After an output opened in join mode: one part of output rows for each
  // further input. 0, or -1 with LastErrMsg.
  int PrepareJoin();

  bool Converting() const { return FConverting; }
  bool Finished() const { return FFinished; }
  bool FatalException() const { return FFatalException; }
  const std::string& FatalMessage() const { return FFatalMessage; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  int64_t InputDuration() const { return FInputDuration; }
  int64_t OutputDuration() const { return FOutputDuration; }
  bool Terminated() const { return FTerminated; }

  // The tables, rows by index.
  int InputFileCount() const { return static_cast<int>(Finput_files.size()); }
  int InputStreamCount() const { return static_cast<int>(Finput_streams.size()); }
  int OutputFileCount() const { return static_cast<int>(Foutput_files.size()); }
  int OutputStreamCount() const { return static_cast<int>(Foutput_streams.size()); }
  TInputFile& InputFile(int i) { return Finput_files.at(static_cast<size_t>(i)); }
  TInputStream& InputStream(int i) { return Finput_streams.at(static_cast<size_t>(i)); }
  TOutputFile& OutputFile(int i) { return Foutput_files.at(static_cast<size_t>(i)); }
  TOutputStream& OutputStream(int i) { return Foutput_streams.at(static_cast<size_t>(i)); }
  const TOptionsContext& OptionsContext() const { return optctx; }
  TFFOptions& Options() { return FOptions; }
  const TOptionDef* OptionTable();

  // Conversion settings, written by the option table.
  int Fframe_bits_per_raw_sample;
  int Fvideo_discard;
  int Fsame_quant;
  int Fdo_deinterlace;
  int Fintra_dc_precision;
  int Floop_input;
  int Floop_output;
  int Fqp_hist;
  int Fintra_only;
  char* Fvideo_codec_name = nullptr;
  char* Faudio_codec_name = nullptr;
  char* Fsubtitle_codec_name = nullptr;
  int Ffile_overwrite;
  int Fno_file_overwrite;
  int Fdo_hex_dump;
  int Fdo_pkt_dump;
  int Fdo_psnr;
  int Fdo_pass;
  char* Fpass_logfilename_prefix = nullptr;
  int Fvideo_sync_method;
  int Faudio_sync_method;
  float Faudio_drift_threshold;
  int Fcopy_ts;
  int Fcopy_tb;
  int Fopt_shortest;
  char* Fvstats_filename = nullptr;
  FILE* Fvstats_file = nullptr;
  int Faudio_volume;
  int Fexit_on_error;
  int Fusing_stdin;
  int Frun_as_daemon;
  int Finput_sync;
  float Fdts_delta_threshold;
  int Fprint_stats;
  int Fbit_buffer_size;
  bool Fusing_vhook = false;
  bool HaltOnInvalidOption = true;
  int64_t ReportInterval = 500000;
  int64_t PreviewInterval = 100000;
  int FReadTimeout = 30000;
  int FWriteTimeout = 30000;

  // Counters of a run.
  int64_t Fvideo_size = 0;
  int64_t Faudio_size = 0;
  int64_t Fextra_size = 0;
  int Fnb_frames_dup = 0;
  int Fnb_frames_drop = 0;
  int Fqp_histogram[52] = {};

  // Join: the task's inputs appended into its one output.
  bool FJoinMode = false;
  int Fnb_output_streams_join = 0;

  // Events; each may be empty.
  TProgressEvent FOnProgress;
  TNotifyEvent FOnTerminate;
  TVideoHookEvent FOnInputVideoHook;
  TVideoHookEvent FOnOutputVideoHook;
  TFrameHookEvent FOnInputFrameHook;
  TFrameHookEvent FOnOutputFrameHook;
  TPreviewBitmapEvent FOnPreviewBitmap;
  TAudioHookEvent FOnAudioHook;
  TBeforeFindStreamInfoEvent FOnBeforeFindStreamInfo;

  // I/O time-out callbacks (the opaque value is the instance).
  static int ReadInterruptCallback(void* opaque);
  static int WriteInterruptCallback(void* opaque);
  AVIOInterruptCB FReadCallback;
  AVIOInterruptCB FWriteCallback;
  int64_t FLastRead = INT64_MAX;
  int64_t FLastWrite = INT64_MAX;

  // Opened codecs still to be closed when a run ends.
  struct TCodecEntry {
    void* item;
    TCodecEntry* prev;
    TCodecEntry* next;
  };
  static void AddCodecEntry(TCodecEntry*& list, void* item);
  static void RemoveCodecEntry(TCodecEntry*& list, void* item);
  void CloseEncoderList(TCodecEntry*& list);
  void CloseDecoderList(TCodecEntry*& list);
  TCodecEntry* FEncoderList = nullptr;
  TCodecEntry* FDecoderList = nullptr;

  // Per-stream option lookups: the last entry whose specifier matches wins.
  void MatchCodecName(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchAudioChannels(AVFormatContext* s, AVStream* st, int& value);
  void MatchAudioSampleRate(AVFormatContext* s, AVStream* st, int& value);
  void MatchRematrixVolume(AVFormatContext* s, AVStream* st, float& value);
  void MatchFrameRate(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchFrameSize(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchFramePixFmt(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchTsScale(AVFormatContext* s, AVStream* st, double& value);
  void MatchMaxFrames(AVFormatContext* s, AVStream* st, int64_t& value);
  void MatchBitstreamFilters(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchCodecTag(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchSampleFmt(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchQscale(AVFormatContext* s, AVStream* st, double& value);
  void MatchForcedKeyFrames(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchForceFps(AVFormatContext* s, AVStream* st, int& value);
  void MatchFrameAspectRatio(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchRcOverride(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchIntraMatrix(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchInterMatrix(AVFormatContext* s, AVStream* st, const char*& value);
  void MatchTopFieldFirst(AVFormatContext* s, AVStream* st, int& value);
  void MatchCopyInitialNonkeyframes(AVFormatContext* s, AVStream* st, int& value);
  void MatchFilters(AVFormatContext* s, AVStream* st, const char*& value);

  void ChooseSampleFmt(TOutputStream& ost, const AVCodec* codec);
  void ChooseSampleRate(TOutputStream& ost, const AVCodec* codec);
  void ChoosePixelFmt(TOutputStream& ost, const AVCodec* codec);
  void AssertAVOptions(AVDictionary* dict);
  void ResetOptions(TOptionsContext* o, bool isInput);

  const AVCodec* FindCodecOrFail(const char* name, AVMediaType type, bool encoder);
  bool ConfirmFileOverwrite(const std::string& name);

  template <class... A>
  static std::string FormatText(const char* format, A... args) {
    if constexpr (sizeof...(A) == 0) {
      return format;
    } else {
      const int n = std::snprintf(nullptr, 0, format, args...);
      std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
      if (n > 0) std::snprintf(&text[0], text.size() + 1, format, args...);
      return text;
    }
  }

protected:
  friend class TConvertThread;
  friend class TDoTerminateThread;
  friend class TTranscodeRun;  // the run's stages (FFmpegRun.h)
  void DoConvert();
  void DoTerminate();
  // Records what ended the run as its fatal error, with a text a user can
  // read whatever was thrown.
  void NoteFatal(std::exception_ptr error);
  // The pause point of the worker: returns when resumed or stopped.
  void WaitWhilePaused();
  // The transcode of the run itself (set-up, loop, draining).
  void Transcode();

  void LogMsg(TLogLevel level, const std::string& text);

  // Option handlers (rows of the option table).
  int OptIgnored(const char* opt, const char* arg);
  int OptNothing(const char* opt, const char* arg);
  int OptNotSupported(const char* opt, const char* arg);
  int OptCropRemoved(const char* opt, const char* arg);
  int OptPadRemoved(const char* opt, const char* arg);
  int OptVideoChannel(const char* opt, const char* arg);
  int OptVideoStandard(const char* opt, const char* arg);
  int OptAudioCodec(void* o, const char* opt, const char* arg);
  int OptVideoCodec(void* o, const char* opt, const char* arg);
  int OptSubtitleCodec(void* o, const char* opt, const char* arg);
  int OptDataCodec(void* o, const char* opt, const char* arg);
  int OptAudioQuality(void* o, const char* opt, const char* arg);
  int OptVideoFrames(void* o, const char* opt, const char* arg);
  int OptAudioFrames(void* o, const char* opt, const char* arg);
  int OptDataFrames(void* o, const char* opt, const char* arg);
  int OptVideoFilters(void* o, const char* opt, const char* arg);
  int OptTypeSuffix(void* o, const char* opt, const char* arg);
  int OptBitrate(void* o, const char* opt, const char* arg);
  int OptPass(const char* opt, const char* arg);
  int OptPassLogFile(const char* opt, const char* arg);
  int OptVstatsFile(const char* opt, const char* arg);
  int OptVstats(const char* opt, const char* arg);
  int OptVideoHook(const char* opt, const char* arg);
  int OptVideoHookBitsPixel(const char* opt, const char* arg);
  int OptTaskLogLevel(const char* opt, const char* arg);
  int OptDebug(const char* opt, const char* arg);
  int OptCatchAll(const char* opt, const char* arg);
  int OptPreset(void* o, const char* opt, const char* arg);
  int OptMap(void* o, const char* opt, const char* arg);
  int OptMapChannel(void* o, const char* opt, const char* arg);
  int OptMapMetadata(void* o, const char* opt, const char* arg);
  int OptMapMetaDataOld(void* o, const char* opt, const char* arg);
  int OptRecordingTimestamp(void* o, const char* opt, const char* arg);
  int OptTarget(void* o, const char* opt, const char* arg);
  int OptStreamId(void* o, const char* opt, const char* arg);
  int OptAttach(void* o, const char* opt, const char* arg);
  int ParseMetaType(const char* text, char& type, int& index);
  // One preset line (key=value): the handler's result.
  int ApplyPreset(const std::string& key, const std::string& value);

  // Opening inputs and outputs.
  const AVCodec* ChooseDecoder(TOptionsContext* o, AVFormatContext* s, AVStream* st);
  void AddInputStreams(TOptionsContext* o, AVFormatContext* ic);
  void LogFrameRateDifference(const AVStream* st);
  void DumpAttachment(AVStream* st, const char* name);
  TOutputStream& NewOutputStream(TOptionsContext* o, AVFormatContext* oc, AVMediaType type);
  TOutputStream& NewVideoStream(TOptionsContext* o, AVFormatContext* oc);
  TOutputStream& NewAudioStream(TOptionsContext* o, AVFormatContext* oc, int sourceIndex);
  TOutputStream& NewSubtitleStream(TOptionsContext* o, AVFormatContext* oc);
  TOutputStream& NewDataStream(TOptionsContext* o, AVFormatContext* oc);
  TOutputStream& NewAttachmentStream(TOptionsContext* o, AVFormatContext* oc);
  TOutputStream& NewStreamForInput(TOptionsContext* o, AVFormatContext* oc, int ist, bool& unsupported);
  void ChooseEncoder(TOptionsContext* o, AVFormatContext* oc, TOutputStream& ost);
  double ParseFrameAspectRatio(const char* text);
  void ParseForcedKeyFrames(const char* text, TOutputStream& ost);
  void ParseMatrixCoeffs(uint16_t* dest, const char* text);
  void LinkOutputToInput(TOutputStream& ost, int ist, int syncIst);
  TOutputStream* FindUnmappedOutputStream(AVFormatContext* oc, AVMediaType type);
  int CopyChapters(int inputIndex, int outputIndex, bool copyMetadata);
  void AbandonOutputFile(AVFormatContext*& oc, int streamsBefore, bool recordAdded,
                         const std::string& fileName, bool fileCreated);
  // After the file was closed: a finished task's file takes its own name,
  // any other is removed. The failure text, or "".
  std::string FinishOutputFile(TOutputFile& of);
  void FreeOutputStream(TOutputStream& ost);
  // The stream's converters: sample queue, resamplers, filter graph and
  // bit-stream filters.
  static void FreeOutputStreamConverters(TOutputStream& ost);
  // The input this output would overwrite, or -1.
  int InputSameAsOutput(const std::string& fileName) const;
  void AutomaticStreams(TOptionsContext* o, AVFormatContext* oc, int inputFrom, int inputTo,
                        std::vector<int>& chosen);

  TFFOptions FOptions;
  std::vector<TOptionDef> _options;
  const TOptionDef* options = nullptr;
  TOptionsContext optctx;

  std::deque<TInputStream> Finput_streams;
  std::deque<TInputFile> Finput_files;
  std::deque<TOutputStream> Foutput_streams;
  std::deque<TOutputFile> Foutput_files;

  std::atomic<TConvertThread*> FThread{nullptr};
  std::unique_ptr<TEvent> FStopEvent;
  std::unique_ptr<TEvent> FTermEvent;
  std::unique_ptr<TEvent> FResumeEvent;
  std::atomic<bool> FPaused{false};
  std::atomic<bool> FConverting{false};
  volatile bool FBroken = false;
  volatile bool FEnding = false;  // the run drains and writes its trailers
  bool FFinished = false;
  std::atomic<bool> FTerminated{false};
  // The end of a task that never ran has been handed to a helper thread.
  std::atomic<bool> FEndRequested{false};
  bool FFatalException = false;
  std::string FFatalMessage;
  std::string FLastErrMsg;
  int64_t FInputDuration = -1;
  int64_t FOutputDuration = -1;

  void* FFirstHook = nullptr;
  uint8_t* FInputPictureBuf = nullptr;
  int FInputPictureBufSize = 0;
  uint8_t* FOutputPictureBuf = nullptr;
  int FOutputPictureBufSize = 0;
  TFormatConverter* FInputVideoHook = nullptr;
  TPostHookContext FOutputVideoHook;
  TPostHooks FPostHooks = 0;
  bool FPostHooksChanged = false;
  bool FShowDupOrDrop = false;
  int FVideoHookBitsPixel = 24;
  std::vector<std::string> FVideoHookWords;  // -vhook modules waiting for the hook chain
};

// Removes a file named as the caller names files (Windows form); false when
// it could not be removed.
bool DeleteMediaFile(const std::string& fileName);

// The name handed to the libraries for one of our file names: a local path
// goes with the "file:" scheme, so no part of a file name (a colon, a
// leading dash, a protocol-like prefix) can make the library read it as
// anything but a name. URLs pass unchanged; empty when it cannot be mapped.
std::string MediaURL(const std::string& fileName);
