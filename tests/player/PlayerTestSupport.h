// What the application sees of a player in the tests: its events in order,
// and waits on the GUI thread that keep the events flowing.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlayerFixtures.h"
#include "framework/Threads.h"
#include "player/FFPlay.h"

struct TSeen {
  bool state;  // false: a position
  int64_t value;
};

class TRecorder {
public:
  void Attach(TCustomPlayer& p) {
    p.OnPosition = [this](TObject*, const int64_t pts) { seen.push_back({false, pts}); };
    p.OnState = [this](TObject*, TPlayState s) { seen.push_back({true, s}); };
  }
  int IndexOfState(TPlayState s, size_t from = 0) const {
    for (size_t i = from; i < seen.size(); ++i)
      if (seen[i].state && seen[i].value == s) return static_cast<int>(i);
    return -1;
  }
  std::vector<int64_t> Positions(size_t from = 0) const {
    std::vector<int64_t> r;
    for (size_t i = from; i < seen.size(); ++i)
      if (!seen[i].state) r.push_back(seen[i].value);
    return r;
  }
  int LastPositionIndex() const {
    for (size_t i = seen.size(); i-- > 0;)
      if (!seen[i].state) return static_cast<int>(i);
    return -1;
  }
  std::vector<TSeen> seen;
};

inline double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Keeps dispatching (events arrive by synchronous calls) until pred holds.
inline bool WaitUntil(const std::function<bool()>& pred, unsigned ms) {
  const double end = Seconds() + ms / 1000.0;
  while (!pred()) {
    if (Seconds() > end) return false;
    PumpMessages();
    WaitForHandles(nullptr, 0, false, 5);
  }
  return true;
}

inline void Pump(unsigned ms) {
  WaitUntil([] { return false; }, ms);
}

inline std::unique_ptr<TVIDavaza> NewPlayer(const std::string& sdlFile) {
  auto p = std::make_unique<TVIDavaza>(nullptr);
  EXPECT_TRUE(p->LoadAVLib(ExeFolder() + "LibAV", false)) << p->LastErrMsg();
  EXPECT_TRUE(p->LoadSDLLib(CopySDL(sdlFile), sdlFile)) << p->LastErrMsg();
  return p;
}

inline std::string ToneArgs() { return "-f lavfi -i sine=f=1000:r=44100 -ac 2 -t 3 -c:a pcm_s16le"; }
inline std::string Tone() { return MakeMedia("tone3s.wav", ToneArgs()); }
