#include "support/gtest.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "PlayerTestSupport.h"

namespace {

constexpr int64_t kToneDuration = 3000000;

// ---------------------------------------------------------------------------
// Sound through SDL's disk driver

struct VolumeCase {
  const char* what;
  int volume;
  bool mute;
  int16_t (*expected)(int16_t);
};

void PrintTo(const VolumeCase& c, std::ostream* os) { *os << c.what; }

class PlayerSound : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(PlayerSound, PlaysTheToneToItsEndWithEvents) {
  const VolumeCase& c = GetParam();
  const std::string tone = Tone();
  const std::string raw = MakeMedia("tone3s.raw", ToneArgs() + " -f s16le");
  const std::string disk = FixtureFolder() + "/out-" + c.what + ".raw";
  UseSoundDriver("disk", disk);

  auto player = NewPlayer("SDL_0.dll");
  TRecorder rec;
  rec.Attach(*player);
  int64_t duration = -1;
  player->OnFileOpen = [&](TObject*, const int64_t d, int, int, int&, int&) { duration = d; };
  player->AudioVolume = c.volume;
  player->Mute = c.mute;
  ASSERT_TRUE(player->Open(tone, 0, false)) << player->LastErrMsg();
  EXPECT_EQ(kToneDuration, duration);

  // The end: the last position is the duration and the end state follows it.
  ASSERT_TRUE(WaitUntil(
      [&] {
        const int last = rec.LastPositionIndex();
        return last >= 0 && rec.seen[last].value == kToneDuration && rec.IndexOfState(psEnd, last) > last;
      },
      10000));
  const double t0 = Seconds();
  player->Stop(true);
  const double stopTook = Seconds() - t0;
  // Stopping after the end must not wait out any thread's time-out (those
  // are seconds long); the margin leaves room for a loaded machine.
  EXPECT_LT(stopTook, 1.5);
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psStop) >= 0; }, 2000));

  ASSERT_FALSE(rec.seen.empty());
  EXPECT_TRUE(rec.seen.front().state && rec.seen.front().value == psPlay);
  const std::vector<int64_t> pos = rec.Positions();
  EXPECT_GE(pos.size(), 20u);
  for (size_t i = 1; i < pos.size(); ++i) ASSERT_LT(pos[i - 1], pos[i]) << "position " << i;
  EXPECT_EQ(kToneDuration, pos.back());
  EXPECT_EQ(psStop, rec.seen.back().value);
  EXPECT_EQ(psStop, player->PlayState());

  // The device got the source's samples, after leading silence.
  const std::vector<int16_t> src = ReadSamples(ToNativePath(raw));
  const std::vector<int16_t> out = ReadSamples(disk);
  auto firstSound = [](const std::vector<int16_t>& v) {
    return static_cast<size_t>(std::find_if(v.begin(), v.end(), [](int16_t s) { return s != 0; }) - v.begin());
  };
  const size_t k = firstSound(src), o = firstSound(out);
  ASSERT_LT(k, src.size());
  if (!c.expected) {
    EXPECT_EQ(out.size(), o) << "sound where silence was wanted";
    EXPECT_GE(out.size(), src.size());
    return;
  }
  ASSERT_LT(o, out.size());
  ASSERT_GE(out.size() - o, src.size() - k);
  size_t mismatches = 0, first = 0;
  for (size_t i = 0; i < src.size() - k; ++i)
    if (out[o + i] != c.expected(src[k + i]) && mismatches++ == 0) first = i;
  EXPECT_EQ(0u, mismatches) << "first at sample " << first << ": " << out[o + first] << " for "
                            << src[k + first];
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, PlayerSound,
    ::testing::Values(VolumeCase{"full", 128, false, [](int16_t s) { return s; }},
                      VolumeCase{"muted", 128, true, nullptr}, VolumeCase{"silent", 0, false, nullptr},
                      VolumeCase{"half", 64, false, [](int16_t s) { return static_cast<int16_t>(s * 64 / 128); }}),
    [](const ::testing::TestParamInfo<VolumeCase>& info) { return std::string(info.param.what); });

// ---------------------------------------------------------------------------
// Seek, pause and resume

TEST(Player, SeekPauseAndResume) {
  UseSoundDriver("dummy");
  auto player = NewPlayer("SDL_1.dll");
  TRecorder rec;
  rec.Attach(*player);
  ASSERT_TRUE(player->Open(Tone(), 0, false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 300000; }, 5000));

  const int64_t target = 1500000;
  player->Seek(target, 0, true);
  size_t from = rec.seen.size();
  // A position taken just before the seek may still be on its way to the GUI
  // thread; the first one at or past the target shows where the seek landed.
  auto landed = [&]() -> int64_t {
    for (int64_t p : rec.Positions(from))
      if (p >= target - 50000) return p;
    return -1;
  };
  ASSERT_TRUE(WaitUntil([&] { return landed() >= 0; }, 3000));
  // Positions reach the GUI thread a report interval apart and a loaded
  // machine adds its own delay, so the first one may lie a little past the
  // target; a seek that failed or landed on another second is far off.
  EXPECT_GE(landed(), target - 50000);
  EXPECT_LT(landed(), target + 250000);

  player->Pause();
  EXPECT_TRUE(player->Paused());
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psPause) >= 0; }, 2000));
  // A sound callback already running when the pause came may still move the
  // clock by its one buffer; from then on the position must hold.
  Pump(100);
  from = rec.seen.size();
  const int64_t held = player->CurrentPTS();
  Pump(300);
  for (int64_t p : rec.Positions(from)) EXPECT_NEAR(static_cast<double>(p), held, 10000.0);
  EXPECT_NEAR(static_cast<double>(player->CurrentPTS()), held, 10000.0);

  player->Resume();
  EXPECT_FALSE(player->Paused());
  from = rec.seen.size();
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psResume) >= 0 && !rec.Positions(from).empty(); }, 2000));
  EXPECT_GE(rec.Positions(from).front(), held - 10000);
  EXPECT_LT(rec.Positions(from).front(), held + 250000);
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > held + 200000; }, 2000));

  // Opening again ends the first playback completely before the next starts.
  from = rec.seen.size();
  ASSERT_TRUE(player->Open(Tone(), 0, false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psPlay, from) >= 0; }, 2000));
  const int stopped = rec.IndexOfState(psStop, from);
  EXPECT_GE(stopped, 0);
  EXPECT_LT(stopped, rec.IndexOfState(psPlay, from));

  player->Stop(true);
  EXPECT_EQ(psStop, player->PlayState());
}

// ---------------------------------------------------------------------------
// Two players, two SDL copies

TEST(Player, TwoPlayersOnTwoCopiesPlayAtOnce) {
  UseSoundDriver("dummy");
  auto a = NewPlayer("SDL_1.dll");
  auto b = NewPlayer("SDL_2.dll");
  TRecorder ra, rb;
  ra.Attach(*a);
  rb.Attach(*b);
  ASSERT_TRUE(a->Open(Tone(), 0, false)) << a->LastErrMsg();
  ASSERT_TRUE(b->Open(Tone(), 0, false)) << b->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return a->CurrentPTS() > 500000 && b->CurrentPTS() > 500000; }, 5000));
  EXPECT_EQ(a->PlayState(), psPlay);
  EXPECT_EQ(b->PlayState(), psPlay);

  TVIDavaza third(nullptr);
  const std::string folder = CopySDL("SDL_1.dll");
  EXPECT_FALSE(third.LoadSDLLib(folder, "SDL_1.dll"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(folder) + "SDL_1.dll alreay loaded in another instance.",
            third.LastErrMsg());

  ASSERT_TRUE(WaitUntil([&] { return ra.IndexOfState(psEnd) >= 0 && rb.IndexOfState(psEnd) >= 0; }, 8000));
  a->Stop(true);
  EXPECT_TRUE(WaitUntil([&] { return ra.IndexOfState(psStop) >= 0; }, 2000));
  // Destroying a player that still plays ends its playback and its threads.
  b.reset();
}

// ---------------------------------------------------------------------------
// Inputs that cannot be played

TEST(Player, BadInputsFailWithTheirTexts) {
  UseSoundDriver("dummy");
  {
    TVIDavaza bare(nullptr);
    EXPECT_FALSE(bare.Open(Tone(), 0, false));
    EXPECT_EQ("libav not loaded.", bare.LastErrMsg());
    ASSERT_TRUE(bare.LoadAVLib(ExeFolder() + "LibAV", false)) << bare.LastErrMsg();
    EXPECT_FALSE(bare.Open(Tone(), 0, false));
    EXPECT_EQ("sdl not loaded.", bare.LastErrMsg());
  }

  TSilentServer server;
  const std::string stalled = "tcp://127.0.0.1:" + std::to_string(server.Port());
  const std::string missing = FixturePath("nosuch.wav");
  const std::string garbage = WriteFixture("garbage.mp4", std::string(1024, 'x'));
  const std::string subs = WriteFixture("subs.srt",
                                        "1\n00:00:00,000 --> 00:00:01,000\nfirst\n\n"
                                        "2\n00:00:01,000 --> 00:00:02,000\nsecond\n\n");
  struct Case {
    const char* what;
    std::string name;
    int readTimeout;
    bool stopWhileOpening;
    std::string text;
  } cases[] = {
      {"missing file", missing, 0, false, missing + ": No such file or directory"},
      {"unknown format", garbage, 0, false, garbage + ": Invalid data found when processing input"},
      {"no audio or video", subs, 0, false, subs + ": could not open codecs, no stream to play."},
      {"stalled source, time-out", stalled, 1000, false, stalled + ": Immediate exit requested"},
      {"stalled source, stopped", stalled, 0, true, stalled + ": Immediate exit requested"},
  };
  auto player = NewPlayer("SDL_3.dll");
  TRecorder rec;
  rec.Attach(*player);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    player->ReadTimeout = c.readTimeout;
    // A worker reaching into the GUI thread while Open waits must get
    // through: the wait keeps dispatching synchronous calls.
    std::atomic<bool> opening{true}, calledWhileOpening{false};
    TAnonymousThread worker([&] {
      Sleep(200);
      CallInMainThread([&] {
        calledWhileOpening = opening.load();
        if (c.stopWhileOpening) player->Stop(false);
      });
    });
    worker.Start();
    const bool opened = player->Open(c.name, 0, false);
    opening = false;
    worker.WaitFor();
    EXPECT_FALSE(opened);
    EXPECT_EQ(c.text, player->LastErrMsg());
    EXPECT_EQ(psStop, player->PlayState());
    if (c.name == stalled) {
      EXPECT_TRUE(calledWhileOpening);
    }
  }
  Pump(100);
  EXPECT_TRUE(rec.seen.empty()) << "a failed open reports no states";

  // SDL was shut down again each time: the next file plays.
  player->ReadTimeout = 0;
  ASSERT_TRUE(player->Open(Tone(), 0, false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psPlay) >= 0; }, 2000));
  player->Stop(true);
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psStop) >= 0; }, 2000));
}

// A network source that stops sending in the middle of the playback: the
// read blocks with no time-out, and Stop must still end everything.
TEST(Player, StopEndsAPlaybackWhoseSourceStalled) {
  UseSoundDriver("dummy");
  const std::string wav = ReadBytes(ToNativePath(Tone()));
  TSilentServer server(wav.substr(0, 44100 * 4));  // the header and about one second
  auto player = NewPlayer("SDL_4.dll");
  TRecorder rec;
  rec.Attach(*player);
  player->ReadTimeout = 0;
  // Probing would otherwise wait for seconds of data that never come.
  ASSERT_TRUE(player->opt_default("analyzeduration", "100000"));
  ASSERT_TRUE(player->Open("tcp://127.0.0.1:" + std::to_string(server.Port()), 0, false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 500000; }, 5000));
  Pump(1000);  // the data has run out by now
  const double t0 = Seconds();
  player->Stop(true);
  EXPECT_LT(Seconds() - t0, 2.5);
  EXPECT_TRUE(WaitUntil([&] { return rec.IndexOfState(psStop) >= 0; }, 2000));
  EXPECT_EQ(psStop, player->PlayState());
}

}  // namespace
