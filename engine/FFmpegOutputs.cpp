// Opening the output of a task: container, streams (maps or automatic
// choice), attachments, the file itself, chapters and metadata; and the
// groups of records through which further inputs join the one output.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFmpeg.h"
#include "engine/MyUtils.h"
#include "engine/UnicodeProtocol.h"

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  const std::string na = MediaFileName(a), nb = MediaFileName(b);
  if (na.empty() || nb.empty() || na[0] != '/' || nb[0] != '/') return false;
  struct stat sa {}, sb {};
  if (::stat(na.c_str(), &sa) != 0 || ::stat(nb.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The mark of a file still being written.
const char* const kIncompleteMark = ".incomplete";

// The native name behind a "file:" address; "" for other addresses.
std::string NativeOfURL(const std::string& url) {
  return url.compare(0, 5, "file:") == 0 ? url.substr(5) : std::string();
}

bool NameExists(const std::string& native) {
  struct stat st {};
  return ::lstat(native.c_str(), &st) == 0;
}

// Whether the file can be written there, found without touching it: 0 or a
// library error code.
int CheckOutputPlace(const std::string& native) {
  const size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return AVERROR(ENOENT);
  const std::string folder = slash == 0 ? std::string("/") : native.substr(0, slash);
  const std::string name = native.substr(slash + 1);
  if (name.empty()) return AVERROR(EISDIR);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return AVERROR(ENOENT);
  // Room for the mark of the incomplete file and a number.
  if (name.size() + std::strlen(kIncompleteMark) + 4 > 255) return AVERROR(ENAMETOOLONG);
  if (::access(folder.c_str(), W_OK) != 0) return AVERROR(EACCES);
  if (::stat(native.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return AVERROR(EISDIR);
    if (::access(native.c_str(), W_OK) != 0) return AVERROR(EACCES);
  }
  return 0;
}

}  // namespace

int TCustomFFmpeg::CreateOutputFile(int index) {
  TOutputFile& of = Foutput_files[static_cast<size_t>(index)];
  AVFormatContext* oc = of.ctx;
  if (!oc || (oc->oformat->flags & AVFMT_NOFILE) || oc->pb) return 0;
  std::string url = MediaURL(of.file_name);
  const std::string native = NativeOfURL(url);
  if (!native.empty()) {
    // A name of its own, never one that is there already.
    std::string incomplete = native + kIncompleteMark;
    for (int n = 2; NameExists(incomplete); ++n) incomplete = native + "." + std::to_string(n) + kIncompleteMark;
    url = "file:" + incomplete;
    // Muxers that read their file back (the fast start of MP4) open it by
    // the context's name.
    ff::av_freep(&oc->url);
    oc->url = ff::av_strdup(url.c_str());
    of.incomplete_name = incomplete;
  }
  of.live_inputs = !Finput_files.empty();
  for (const TInputFile& in : Finput_files)
    if (!in.ctx || !in.ctx->iformat || !(in.ctx->iformat->flags & AVFMT_NOFILE)) of.live_inputs = false;
  FLastWrite = ff::av_gettime_relative();
  const int err = ff::avio_open2(&oc->pb, url.c_str(), AVIO_FLAG_WRITE, &oc->interrupt_callback, &of.opts);
  if (err < 0) {
    of.incomplete_name.clear();
    FLastErrMsg = FormatAVError(of.file_name, err);
    LogMsg(llError, FLastErrMsg);
  }
  return err < 0 ? err : 0;
}

std::string TCustomFFmpeg::FinishOutputFile(TOutputFile& of) {
  if (of.incomplete_name.empty()) return "";
  const std::string incomplete = of.incomplete_name;
  of.incomplete_name.clear();
  // A recording ends by its stop: what was written up to it is the result.
  if (FFinished || (of.live_inputs && FBroken && !FFatalException)) {
    const std::string native = NativeOfURL(MediaURL(of.file_name));
    if (!native.empty() && ::rename(incomplete.c_str(), native.c_str()) == 0) return "";
    const int code = errno;
    ::remove(incomplete.c_str());
    return FormatAVError(of.file_name, AVERROR(code ? code : EIO));
  }
  ::remove(incomplete.c_str());
  return "";
}

int TCustomFFmpeg::InputSameAsOutput(const std::string& fileName) const {
  for (size_t i = 0; i < Finput_files.size(); ++i)
    if (SameFile(Finput_files[i].file_name, fileName)) return static_cast<int>(i);
  return -1;
}

TOutputStream* TCustomFFmpeg::FindUnmappedOutputStream(AVFormatContext* oc, AVMediaType type) {
  const int n = static_cast<int>(oc->nb_streams);
  for (int i = OutputStreamCount() - n; i < OutputStreamCount(); ++i) {
    TOutputStream& ost = Foutput_streams[static_cast<size_t>(i)];
    if (ost.st->codecpar->codec_type == type && ost.source_index < 0) return &ost;
  }
  return nullptr;
}

void TCustomFFmpeg::LinkOutputToInput(TOutputStream& ost, int ist, int syncIst) {
  ost.source_index = ist;
  ost.sync_ist = &Finput_streams[static_cast<size_t>(syncIst)];
  Finput_streams[static_cast<size_t>(ist)].discard = 0;
}

TOutputStream& TCustomFFmpeg::NewStreamForInput(TOptionsContext* o, AVFormatContext* oc, int ist,
                                                bool& unsupported) {
  unsupported = false;
  switch (Finput_streams[static_cast<size_t>(ist)].st->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO: return NewVideoStream(o, oc);
    case AVMEDIA_TYPE_AUDIO: return NewAudioStream(o, oc, ist);
    case AVMEDIA_TYPE_DATA: return NewDataStream(o, oc);
    case AVMEDIA_TYPE_SUBTITLE: return NewSubtitleStream(o, oc);
    case AVMEDIA_TYPE_ATTACHMENT: return NewAttachmentStream(o, oc);
    default:
      unsupported = true;
      return Foutput_streams.back();
  }
}

// Automatic choice among the streams of inputs [inputFrom, inputTo): the
// largest picture, the most channels, the first subtitle stream.
void TCustomFFmpeg::AutomaticStreams(TOptionsContext* o, AVFormatContext* oc, int inputFrom, int inputTo,
                                     std::vector<int>& chosen) {
  chosen.clear();
  const int first = Finput_files[static_cast<size_t>(inputFrom)].ist_index;
  const TInputFile& last = Finput_files[static_cast<size_t>(inputTo - 1)];
  const int end = last.ist_index + last.nb_streams;
  const AVOutputFormat* f = oc->oformat;
  // A stream its input was told to drop (input "-vn" and friends) delivers
  // nothing, so it is never chosen.
  auto dropped = [&](int i) { return Finput_streams[static_cast<size_t>(i)].st->discard == AVDISCARD_ALL; };
  if (!o->video_disable && f->video_codec != AV_CODEC_ID_NONE) {
    int best = -1;
    int64_t area = 0;
    for (int i = first; i < end; ++i) {
      const AVCodecParameters* p = Finput_streams[static_cast<size_t>(i)].st->codecpar;
      if (p->codec_type != AVMEDIA_TYPE_VIDEO || dropped(i)) continue;
      const int64_t a = static_cast<int64_t>(p->width) * p->height;
      if (a > area) {
        area = a;
        best = i;
      }
    }
    if (best >= 0) chosen.push_back(best);
  }
  if (!o->audio_disable && f->audio_codec != AV_CODEC_ID_NONE) {
    int best = -1, channels = 0;
    for (int i = first; i < end; ++i) {
      const AVCodecParameters* p = Finput_streams[static_cast<size_t>(i)].st->codecpar;
      if (p->codec_type != AVMEDIA_TYPE_AUDIO || dropped(i)) continue;
      if (p->ch_layout.nb_channels > channels) {
        channels = p->ch_layout.nb_channels;
        best = i;
      }
    }
    if (best >= 0) chosen.push_back(best);
  }
  if (!o->subtitle_disable && (f->subtitle_codec != AV_CODEC_ID_NONE || Fsubtitle_codec_name)) {
    for (int i = first; i < end; ++i)
      if (Finput_streams[static_cast<size_t>(i)].st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && !dropped(i)) {
        chosen.push_back(i);
        break;
      }
  }
}

void TCustomFFmpeg::AbandonOutputFile(AVFormatContext*& oc, int streamsBefore, bool recordAdded,
                                      const std::string& fileName, bool fileCreated) {
  // Records of the streams made for this output.
  while (OutputStreamCount() > streamsBefore) {
    FreeOutputStream(Foutput_streams.back());
    Foutput_streams.pop_back();
  }
  if (recordAdded && !Foutput_files.empty()) {
    if (Foutput_files.back().opts) ff::av_dict_free(&Foutput_files.back().opts);
    Foutput_files.pop_back();
  }
  if (oc) {
    if (!(oc->oformat->flags & AVFMT_NOFILE)) {
      if (oc->pb) ff::avio_closep(&oc->pb);
      // Only a file this call made is removed; a file that existed before
      // (an input among them) is never touched.
      if (fileCreated && FileSizeByName(fileName) == 0) DeleteMediaFile(fileName);
    }
    ff::avformat_free_context(oc);
    oc = nullptr;
  }
  ResetOptions(&optctx, false);
}

int TCustomFFmpeg::OpenOutputFile(const std::string& fileName, bool join) {
  OptionTable();
  TOptionsContext* o = &optctx;
  const int nInputs = InputFileCount();
  if (FJoinMode || (join && nInputs > 1 && OutputFileCount() > 0)) {
    FLastErrMsg = "Cannot join more than one output file.";
    return -1;
  }
  // Opening the output truncates it: an output that is one of the inputs
  // would destroy the source before a byte of it is read.
  const int same = InputSameAsOutput(fileName);
  if (same >= 0) {
    FLastErrMsg = FormatText("Output file \"%s\" is the same file as input #%d; choose another output name.",
                             fileName.c_str(), same);
    LogMsg(llError, FLastErrMsg);
    ResetOptions(o, false);
    return -1;
  }
  const bool firstOnly = join && nInputs > 1;
  const std::string url = MediaURL(fileName);
  AVFormatContext* oc = nullptr;
  int err = url.empty() ? AVERROR(ENOENT)
                        : ff::avformat_alloc_output_context2(&oc, nullptr, o->format, url.c_str());
  if (err < 0 || !oc) {
    FLastErrMsg = FormatAVError(fileName, err < 0 ? err : AVERROR(ENOMEM));
    LogMsg(llError, FLastErrMsg);
    ResetOptions(o, false);
    return -1;
  }
  oc->interrupt_callback = FWriteCallback;
  const int streamsBefore = OutputStreamCount();
  bool recordAdded = false;
  bool fileCreated = false;
  auto fail = [&](const std::string& message) {
    FLastErrMsg = message;
    LogMsg(llError, message);
    AbandonOutputFile(oc, streamsBefore, recordAdded, fileName, fileCreated);
    return -1;
  };

  try {
    if (o->recording_time != NoLimit && o->recording_time > FOutputDuration) FOutputDuration = o->recording_time;

    // Streams. (Feed outputs need the "ffm" muxer, which the libraries no
    // longer have.)
    if (o->nb_stream_maps > 0) {
      for (int i = 0; i < o->nb_stream_maps; ++i) {
        const TStreamMap& map = o->stream_maps[i];
        if (map.disabled) continue;
        if (firstOnly && map.file_index != 0) continue;
        const TInputFile& in = Finput_files[static_cast<size_t>(map.file_index)];
        const int ist = in.ist_index + map.stream_index;
        const AVMediaType type = Finput_streams[static_cast<size_t>(ist)].st->codecpar->codec_type;
        if ((type == AVMEDIA_TYPE_VIDEO && o->video_disable) || (type == AVMEDIA_TYPE_AUDIO && o->audio_disable) ||
            (type == AVMEDIA_TYPE_SUBTITLE && o->subtitle_disable) || (type == AVMEDIA_TYPE_DATA && o->data_disable))
          continue;
        bool unsupported = false;
        TOutputStream& ost = NewStreamForInput(o, oc, ist, unsupported);
        if (unsupported)
          return fail(FormatText("Cannot map stream #%d:%d - unsupported type.", map.file_index, map.stream_index));
        const TInputFile& sf = Finput_files[static_cast<size_t>(map.sync_file_index)];
        LinkOutputToInput(ost, ist, sf.ist_index + map.sync_stream_index);
      }
    } else if (nInputs > 0) {
      std::vector<int> chosen;
      AutomaticStreams(o, oc, 0, firstOnly ? 1 : nInputs, chosen);
      for (int ist : chosen) {
        bool unsupported = false;
        TOutputStream& ost = NewStreamForInput(o, oc, ist, unsupported);
        LinkOutputToInput(ost, ist, ist);
      }
    }

    // Attachments.
    for (int i = 0; i < o->nb_attachments; ++i) {
      const std::string name = o->attachments[i];
      AVIOContext* pb = nullptr;
      FLastRead = ff::av_gettime_relative();
      const std::string aurl = MediaURL(name);
      if (aurl.empty() || ff::avio_open2(&pb, aurl.c_str(), AVIO_FLAG_READ, &FReadCallback, nullptr) < 0)
        return fail(FormatText("Could not open attachment file %s.", name.c_str()));
      const int64_t len = ff::avio_size(pb);
      if (len <= 0 || len > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) {
        ff::avio_closep(&pb);
        return fail(len <= 0 ? FormatText("Could not get size of the attachment %s.", name.c_str())
                             : FormatText("Attachment %s too large to fit into memory.", name.c_str()));
      }
      auto* buf = static_cast<uint8_t*>(ff::av_mallocz(static_cast<size_t>(len) + AV_INPUT_BUFFER_PADDING_SIZE));
      if (!buf) {
        ff::avio_closep(&pb);
        return fail(FormatText("Attachment %s too large to fit into memory.", name.c_str()));
      }
      FLastRead = ff::av_gettime_relative();
      ff::avio_read(pb, buf, static_cast<int>(len));
      TOutputStream& ost = NewAttachmentStream(o, oc);
      ost.stream_copy = 0;
      ost.source_index = -1;
      ost.attachment_filename = ff::av_strdup(name.c_str());
      ost.st->codecpar->extradata = buf;
      ost.st->codecpar->extradata_size = static_cast<int>(len);
      size_t slash = name.find_last_of('/');
      if (slash == std::string::npos) slash = name.find_last_of('\\');
      const std::string shown = slash == std::string::npos ? name : name.substr(slash + 1);
      ff::av_dict_set(&ost.st->metadata, "filename", shown.c_str(), AV_DICT_DONT_OVERWRITE);
      ff::avio_closep(&pb);
    }

    Foutput_files.emplace_back();
    recordAdded = true;
    TOutputFile& of = Foutput_files.back();
    of.ctx = oc;
    of.file_name = fileName;
    of.ost_index = OutputStreamCount() - static_cast<int>(oc->nb_streams);
    of.recording_time = o->recording_time;
    of.start_time = o->start_time;
    of.limit_filesize = o->limit_filesize;
    ff::av_dict_copy(&of.opts, FOptions.format_opts, 0);
    const int index = OutputFileCount() - 1;

    if ((oc->oformat->flags & AVFMT_NEEDNUMBER) && !ff::av_filename_number_test(oc->url))
      return fail(FormatAVError(fileName, AVERROR(EINVAL)));

    // The file itself is made when the task starts (CreateOutputFile): a
    // run that stops early touches no file of the tasks that never ran.
    // Here only whether it could be made.
    if (!(oc->oformat->flags & AVFMT_NOFILE)) {
      const std::string native = NativeOfURL(url);
      err = native.empty() ? 0 : CheckOutputPlace(native);
      if (err < 0) return fail(FormatAVError(fileName, err));
    }

    if (o->mux_preload != 0)
      ff::av_dict_set(&of.opts, "preload", std::to_string(static_cast<int>(o->mux_preload * 1000000)).c_str(), 0);
    oc->max_delay = static_cast<int>(o->mux_max_delay * 1000000);
    if (Floop_output >= 0) {
      LogMsg(llWarning, "-loop_output is deprecated, use -loop");
      ff::av_dict_set(&of.opts, "loop", std::to_string(Floop_output).c_str(), 0);
    }

    // Chapters.
    if (o->chapters_input_file >= nInputs) {
      if (o->chapters_input_file != INT_MAX)
        return fail(FormatText("Invalid input file index %d in chapter mapping.", o->chapters_input_file));
      o->chapters_input_file = -1;
      for (int i = 0; i < nInputs; ++i)
        if (Finput_files[static_cast<size_t>(i)].ctx->nb_chapters) {
          o->chapters_input_file = i;
          break;
        }
    }
    if (o->chapters_input_file >= 0) CopyChapters(o->chapters_input_file, index, !o->metadata_chapters_manual);

    // Metadata maps.
    for (int i = 0; i < o->nb_meta_data_maps; ++i) {
      const TMetadataMap& out = o->meta_data_maps[i][0];
      const TMetadataMap& in = o->meta_data_maps[i][1];
      if (in.file_idx < 0) continue;
      if (in.file_idx >= nInputs)
        return fail(FormatText("Invalid %s index %d while processing metadata maps", "input file", in.file_idx));
      AVFormatContext* ic = Finput_files[static_cast<size_t>(in.file_idx)].ctx;
      AVDictionary** dicts[2] = {nullptr, nullptr};
      const TMetadataMap* sides[2] = {&out, &in};
      AVFormatContext* ctxs[2] = {oc, ic};
      for (int s = 0; s < 2; ++s) {
        const TMetadataMap& m = *sides[s];
        AVFormatContext* c = ctxs[s];
        switch (m.type_) {
          case 'c':
            if (m.index < 0 || m.index >= static_cast<int>(c->nb_chapters))
              return fail(FormatText("Invalid %s index %d while processing metadata maps", "chapter", m.index));
            dicts[s] = &c->chapters[m.index]->metadata;
            break;
          case 'p':
            if (m.index < 0 || m.index >= static_cast<int>(c->nb_programs))
              return fail(FormatText("Invalid %s index %d while processing metadata maps", "program", m.index));
            dicts[s] = &c->programs[m.index]->metadata;
            break;
          case 's':
            if (m.index < 0 || m.index >= static_cast<int>(c->nb_streams))
              return fail(FormatText("Invalid %s index %d while processing metadata maps", "stream", m.index));
            dicts[s] = &c->streams[m.index]->metadata;
            break;
          default:
            dicts[s] = &c->metadata;
            break;
        }
      }
      ff::av_dict_copy(dicts[0], *dicts[1], AV_DICT_DONT_OVERWRITE);
    }
    if (!o->metadata_global_manual && nInputs > 0) {
      ff::av_dict_copy(&oc->metadata, Finput_files[0].ctx->metadata, AV_DICT_DONT_OVERWRITE);
      if (o->recording_time != NoLimit) ff::av_dict_set(&oc->metadata, "duration", nullptr, 0);
    }
    if (!o->metadata_streams_manual)
      for (int i = of.ost_index; i < OutputStreamCount(); ++i) {
        TOutputStream& ost = Foutput_streams[static_cast<size_t>(i)];
        if (ost.source_index < 0) continue;
        ff::av_dict_copy(&ost.st->metadata, Finput_streams[static_cast<size_t>(ost.source_index)].st->metadata,
                         AV_DICT_DONT_OVERWRITE);
      }
    for (int i = 0; i < o->nb_metadata; ++i) {
      const TSpecifierOpt& e = o->metadata[i];
      const char* eq = std::strchr(e.u.str, '=');
      if (!eq) return fail(FormatText("No \"=\" character in metadata string %s.", e.u.str));
      const std::string key(static_cast<const char*>(e.u.str), eq);
      const char* value = eq + 1;
      char type = 'g';
      int idx = 0;
      if (ParseMetaType(e.specifier, type, idx) < 0) return fail(FLastErrMsg);
      AVDictionary** dict = &oc->metadata;
      if (type == 's') {
        if (idx < 0 || idx >= static_cast<int>(oc->nb_streams))
          return fail(FormatText("Invalid stream index %d in metadata specifier.", idx));
        dict = &oc->streams[idx]->metadata;
      } else if (type == 'c') {
        if (idx < 0 || idx >= static_cast<int>(oc->nb_chapters))
          return fail(FormatText("Invalid chapter index %d in metadata specifier.", idx));
        dict = &oc->chapters[idx]->metadata;
      } else if (type == 'p') {
        return fail(FormatText("Invalid metadata specifier %s.", e.specifier));
      }
      ff::av_dict_set(dict, key.c_str(), *value ? value : nullptr, 0);
    }

    if (firstOnly)
      FJoinMode = true;
    else
      ResetOptions(o, false);
    return index;
  } catch (...) {
    // A fatal error of a stream routine: nothing of this output stays.
    const std::string message = FLastErrMsg;
    AbandonOutputFile(oc, streamsBefore, recordAdded, fileName, fileCreated);
    FLastErrMsg = message;
    throw;
  }
}

int TCustomFFmpeg::CopyChapters(int inputIndex, int outputIndex, bool copyMetadata) {
  const TInputFile& ifile = Finput_files[static_cast<size_t>(inputIndex)];
  const TOutputFile& ofile = Foutput_files[static_cast<size_t>(outputIndex)];
  AVFormatContext* is = ifile.ctx;
  AVFormatContext* os = ofile.ctx;
  for (unsigned i = 0; i < is->nb_chapters; ++i) {
    const AVChapter* in = is->chapters[i];
    const int64_t offset = ff::av_rescale_q(ofile.start_time - ifile.ts_offset, AVRational{1, AV_TIME_BASE}, in->time_base);
    const int64_t limit = ofile.recording_time == NoLimit
                              ? INT64_MAX
                              : ff::av_rescale_q(ofile.recording_time, AVRational{1, AV_TIME_BASE}, in->time_base);
    if (in->end < offset) continue;
    if (in->start > limit + offset) break;
    auto* out = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
    if (!out) return AVERROR(ENOMEM);
    out->id = in->id;
    out->time_base = in->time_base;
    out->start = std::max<int64_t>(0, in->start - offset);
    out->end = std::min(limit, in->end - offset);
    if (copyMetadata) ff::av_dict_copy(&out->metadata, in->metadata, 0);
    auto** grown = static_cast<AVChapter**>(
        ff::av_realloc(os->chapters, sizeof(AVChapter*) * (static_cast<size_t>(os->nb_chapters) + 1)));
    if (!grown) {
      ff::av_dict_free(&out->metadata);
      ff::av_free(out);
      return AVERROR(ENOMEM);
    }
    os->chapters = grown;
    os->chapters[os->nb_chapters++] = out;
  }
  return 0;
}

int TCustomFFmpeg::AddJoinOutputGroup(int k) {
  AVFormatContext* oc = Foutput_files[0].ctx;
  const int groupIndex = OutputFileCount();
  const int n = static_cast<int>(oc->nb_streams);
  const int firstRow = Foutput_files[0].ost_index;
  for (int i = 0; i < n; ++i) {
    TOutputStream copy = Foutput_streams[static_cast<size_t>(firstRow + i)];
    // Resources of the first group stay with it; the group's own are made
    // when the part starts.
    copy.file_index = groupIndex;
    copy.source_index = -1;
    copy.sync_ist = nullptr;
    copy.enc_ctx = nullptr;
    copy.bitstream_filters = nullptr;
    copy.forced_kf_pts = nullptr;
    copy.forced_kf_count = 0;
    copy.attachment_filename = nullptr;
    copy.opts = nullptr;
    copy.opts_join = nullptr;
    copy.fifo = nullptr;
    copy.swr = nullptr;
    copy.img_resample_ctx = nullptr;
    copy.graph = nullptr;
    copy.resample_frame = nullptr;
    copy.picref = nullptr;
    copy.logfile = nullptr;
    copy.input_video_filter = copy.output_video_filter = nullptr;
    const TOutputStream& src = Foutput_streams[static_cast<size_t>(firstRow + i)];
    copy.avfilter = src.avfilter ? ff::av_strdup(src.avfilter) : nullptr;
    if (src.opts) ff::av_dict_copy(&copy.opts, src.opts, 0);
    Foutput_streams.push_back(copy);
  }
  TOptionsContext* o = &optctx;
  const TInputFile& in = Finput_files[static_cast<size_t>(k)];
  auto take = [&](int ist, int syncIst) -> bool {
    const AVMediaType type = Finput_streams[static_cast<size_t>(ist)].st->codecpar->codec_type;
    if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_DATA &&
        type != AVMEDIA_TYPE_SUBTITLE && type != AVMEDIA_TYPE_ATTACHMENT)
      return false;
    if (TOutputStream* ost = FindUnmappedOutputStream(oc, type)) LinkOutputToInput(*ost, ist, syncIst);
    return true;
  };
  if (o->nb_stream_maps == 0) {
    std::vector<int> chosen;
    AutomaticStreams(o, oc, k, k + 1, chosen);
    for (int ist : chosen) take(ist, ist);
  } else {
    for (int i = 0; i < o->nb_stream_maps; ++i) {
      const TStreamMap& map = o->stream_maps[i];
      if (map.disabled || map.file_index != k) continue;
      const int ist = in.ist_index + map.stream_index;
      const AVMediaType type = Finput_streams[static_cast<size_t>(ist)].st->codecpar->codec_type;
      if ((type == AVMEDIA_TYPE_VIDEO && o->video_disable) || (type == AVMEDIA_TYPE_AUDIO && o->audio_disable) ||
          (type == AVMEDIA_TYPE_SUBTITLE && o->subtitle_disable) || (type == AVMEDIA_TYPE_DATA && o->data_disable))
        continue;
      const TInputFile& sf = Finput_files[static_cast<size_t>(map.sync_file_index)];
      if (!take(ist, sf.ist_index + map.sync_stream_index)) {
        FLastErrMsg = FormatText("Cannot map stream #%d:%d - unsupported type.", map.file_index, map.stream_index);
        return -1;
      }
    }
  }
  TOutputFile copy = Foutput_files[0];
  copy.ost_index = OutputStreamCount() - n;
  Foutput_files.push_back(copy);
  return OutputFileCount() - 1;
}
