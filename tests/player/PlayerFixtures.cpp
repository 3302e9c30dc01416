#include "PlayerFixtures.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "framework/SysUtils.h"
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
