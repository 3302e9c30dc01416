#include "PlayerFixtures.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "framework/SysUtils.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "player/PlayerState.h"

namespace fs = std::filesystem;

std::string FixtureFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tess-player-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) throw std::runtime_error("no fixture folder");
    static const std::string path = made;
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    });
    return path;
  }();
  return folder;
}

std::string FixturePath(const std::string& name) { return FromNativePath(FixtureFolder() + "/" + name); }

std::string MakeMedia(const std::string& name, const std::string& args) {
  const std::string path = FixtureFolder() + "/" + name;
  if (!fs::exists(path)) {
    const std::string command = "ffmpeg -nostdin -loglevel error -y " + args + " '" + path + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(path))
      throw std::runtime_error("ffmpeg could not make " + name);
  }
  return FromNativePath(path);
}

std::string WriteFixture(const std::string& name, const std::string& text) {
  const std::string path = FixtureFolder() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return FromNativePath(path);
}

std::string CopySDL(const std::string& name) {
  const std::string target = FixtureFolder() + "/" + name;
  if (!fs::exists(target)) fs::copy_file(ToNativePath(ExeFolder() + "LibAV\\SDL.dll"), target);
  return FromNativePath(FixtureFolder());
}

void UseSoundDriver(const std::string& driver, const std::string& diskFile) {
  ::setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
  if (!diskFile.empty()) ::setenv("SDL_DISKAUDIOFILE", diskFile.c_str(), 1);
}

std::string ReadBytes(const std::string& unixPath) {
  std::ifstream in(unixPath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<int16_t> ReadSamples(const std::string& unixPath) {
  const std::string bytes = ReadBytes(unixPath);
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  return samples;
}

struct TSilentServer::Worker {
  std::thread thread;
  std::atomic<bool> stop{false};
};

TSilentServer::TSilentServer(std::string head) : FHead(std::move(head)) {
  FSocket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  ::bind(FSocket, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&addr), &len);
  FPort = ntohs(addr.sin_port);
  ::listen(FSocket, 8);
  // Connections are taken so the client's connect succeeds; then silence.
  FWorker = new Worker;
  FWorker->thread = std::thread([this] {
    while (!FWorker->stop) {
      const int c = ::accept(FSocket, nullptr, nullptr);
      if (c < 0) break;
      FClients.push_back(c);
      for (size_t sent = 0; sent < FHead.size();) {
        const ssize_t n = ::send(c, FHead.data() + sent, FHead.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
    }
  });
}

TSilentServer::~TSilentServer() {
  FWorker->stop = true;
  ::shutdown(FSocket, SHUT_RDWR);
  ::close(FSocket);
  FWorker->thread.join();
  for (int c : FClients) ::close(c);
  delete FWorker;
}

void RunPositionRule(TPositionRun& run, const std::vector<double>& clocks) {
  TVIDavaza player(nullptr);
  player.OnPosition = [](TObject*, const int64_t) {};
  player.OnState = [](TObject*, TPlayState) {};
  player.PlayTime = run.playTime;
  player.Fstart_time = run.startTime;
  player.RepeatType = static_cast<TRepeatType>(run.repeatType);
  auto* is = new TVideoState();
  is->Owner = &player;
  is->audio_stream = 0;
  is->paused = 1;  // the clock reads exactly what is set
  is->Duration = run.duration;
  is->AudioDuration = run.duration;
  is->ReachEOF = run.reachedEnd ? 1 : 0;
  player.FVideoState = is;
  for (double clock : clocks) {
    is->audio_current_pts = clock;
    player.UpdatePosition();
    std::vector<std::pair<int, int64_t>> got;
    for (TPlayEventEntry e; (e = player.FPlayEvent.Take()).Kind != PlayEventNone;) got.emplace_back(e.Kind, e.Value);
    run.posted.push_back(got);
  }
  run.seekRequested = is->seek_req != 0;
  run.seekTarget = is->seek_pos;
  player.FVideoState = nullptr;
  delete is;
}

std::string MakeSubtitledClip(const std::string& name, const std::string& videoName, const std::string& videoArgs,
                              const TBitmapCue& cue) {
  const std::string path = FixtureFolder() + "/" + name;
  if (fs::exists(path)) return FromNativePath(path);
  const std::string video = ToNativePath(MakeMedia(videoName, videoArgs));
  AVFormatContext* in = nullptr;
  AVFormatContext* out = nullptr;
  AVCodecContext* enc = nullptr;
  AVPacket* pkt = ff::av_packet_alloc();
  std::string failed;
  auto check = [&](int ret, const char* what) {
    if (ret < 0 && failed.empty()) failed = what;
    return ret >= 0;
  };
  if (check(ff::avformat_open_input(&in, video.c_str(), nullptr, nullptr), "open") &&
      check(ff::avformat_find_stream_info(in, nullptr), "probe") &&
      check(ff::avformat_alloc_output_context2(&out, nullptr, "matroska", path.c_str()), "output")) {
    AVStream* vst = ff::avformat_new_stream(out, nullptr);
    ff::avcodec_parameters_copy(vst->codecpar, in->streams[0]->codecpar);
    vst->codecpar->codec_tag = 0;
    const AVCodec* codec = ff::avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    enc = codec ? ff::avcodec_alloc_context3(codec) : nullptr;
    if (!enc) failed = "no subtitle encoder";
    if (enc) {
      enc->width = in->streams[0]->codecpar->width;
      enc->height = in->streams[0]->codecpar->height;
      enc->time_base = AVRational{1, 1000};
      AVStream* sst = ff::avformat_new_stream(out, nullptr);
      sst->time_base = enc->time_base;
      if (check(ff::avcodec_open2(enc, codec, nullptr), "subtitle encoder") &&
          check(ff::avcodec_parameters_from_context(sst->codecpar, enc), "subtitle parameters") &&
          check(ff::avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), "create") &&
          check(ff::avformat_write_header(out, nullptr), "header")) {
        // The cue: one rectangle of palette entry 1, packed with the pictures
        // so that it arrives before the picture of its start time.
        std::vector<uint8_t> index(static_cast<size_t>(cue.w * cue.h), 1);
        uint32_t palette[4] = {0x00000000u, cue.argb, 0, 0};
        AVSubtitleRect rect{};
        rect.x = cue.x, rect.y = cue.y, rect.w = cue.w, rect.h = cue.h;
        rect.nb_colors = 4;
        rect.type = SUBTITLE_BITMAP;
        rect.data[0] = index.data();
        rect.linesize[0] = cue.w;
        rect.data[1] = reinterpret_cast<uint8_t*>(palette);
        AVSubtitleRect* rects[1] = {&rect};
        AVSubtitle sub{};
        sub.num_rects = 1;
        sub.rects = rects;
        sub.start_display_time = 0;
        sub.end_display_time = static_cast<uint32_t>(cue.endMs - cue.startMs);
        sub.pts = static_cast<int64_t>(cue.startMs) * 1000;
        std::vector<uint8_t> buf(1 << 16);
        const int size = ff::avcodec_encode_subtitle(enc, buf.data(), static_cast<int>(buf.size()), &sub);
        bool cueWritten = false;
        auto writeCue = [&] {
          AVPacket* sp = ff::av_packet_alloc();
          ff::av_new_packet(sp, size);
          std::copy(buf.begin(), buf.begin() + size, sp->data);
          sp->stream_index = 1;
          sp->pts = sp->dts = ff::av_rescale_q(sub.pts, AVRational{1, 1000000}, sst->time_base);
          sp->duration = ff::av_rescale_q(cue.endMs - cue.startMs, AVRational{1, 1000}, sst->time_base);
          check(ff::av_interleaved_write_frame(out, sp), "cue");
          ff::av_packet_free(&sp);
          cueWritten = true;
        };
        if (size <= 0) failed = "subtitle encoding";
        while (failed.empty() && ff::av_read_frame(in, pkt) >= 0) {
          if (pkt->stream_index == 0) {
            const double t = pkt->dts == AV_NOPTS_VALUE ? 0 : pkt->dts * av_q2d(in->streams[0]->time_base);
            if (!cueWritten && t * 1000 >= cue.startMs - 500) writeCue();
            ff::av_packet_rescale_ts(pkt, in->streams[0]->time_base, vst->time_base);
            pkt->stream_index = 0;
            pkt->pos = -1;
            check(ff::av_interleaved_write_frame(out, pkt), "picture");
          }
          ff::av_packet_unref(pkt);
        }
        if (!cueWritten && failed.empty()) writeCue();
        check(ff::av_write_trailer(out), "trailer");
      }
    }
  }
  ff::av_packet_free(&pkt);
  if (enc) ff::avcodec_free_context(&enc);
  if (out) {
    if (out->pb) ff::avio_closep(&out->pb);
    ff::avformat_free_context(out);
  }
  if (in) ff::avformat_close_input(&in);
  if (!failed.empty()) {
    fs::remove(path);
    throw std::runtime_error("could not make " + name + ": " + failed);
  }
  return FromNativePath(path);
}

size_t PlaybackRecordSize() {
  static_assert(alignof(TVideoState) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "the record takes the plain operator new");
  return sizeof(TVideoState);
}

TPlaybackFacts PlaybackFacts(const TCustomPlayer& player) {
  TPlaybackFacts facts;
  TVideoState* is = player.FVideoState;
  if (!is) return facts;
  facts.playing = true;
  facts.frameDelay = is->frame_delay;
  facts.seekTarget = is->seek_pos;
  facts.input = is->ic;
  facts.startTime = is->ic ? is->ic->start_time : INT64_MIN;
  return facts;
}

std::vector<int> SoundSyncSizes(TCustomPlayer& player, double audioClock, double videoClock, int size, int calls) {
  std::vector<int> sizes;
  TVideoState* is = player.FVideoState;
  if (!is || !is->paused || is->open_paused != 0 || !is->audio_st || !is->video_st) return sizes;
  is->audio_current_pts = audioClock;
  is->video_current_pts = videoClock;
  is->audio_diff_cum = 0;
  is->audio_diff_avg_count = 0;
  for (int k = 0; k < calls; ++k) sizes.push_back(SynchronizeAudio(is, size, 0));
  return sizes;
}
