// Commands that wait on the GUI thread dispatch its messages and the
// player's events meanwhile, and the application's handlers may end the
// playback right there: the main window's end-of-clip handler stops the
// player, and so does a click on Stop. The playback record is freed by such
// a stop; this program keeps freed records in pages that fault when touched
// (FreedRecordGuard.cpp), so a command that goes on with its old record
// ends the program.
#include "support/gtest.h"

#include <functional>

#include "PlayerTestSupport.h"

namespace {

// Pictures and sound, 1 s: the pause toggle waits for the first picture
// after a seek as well as for the seek.
std::string ShortClip() {
  return MakeMedia("short1s.avi",
                   "-f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=f=1000:r=44100 -t 1 "
                   "-pix_fmt yuv420p -c:v mpeg4 -g 5 -q:v 2 -c:a pcm_s16le");
}

// Sound alone, 1 s: at its end, its end is reported again at every position
// update, also while paused.
std::string ShortTone() { return MakeMedia("tone1s.wav", "-f lavfi -i sine=f=1000:r=44100 -ac 2 -t 1 -c:a pcm_s16le"); }

// Two sound streams in a container that can be played as it arrives.
std::string TwoTracks() {
  return MakeMedia("twotracks.ts",
                   "-f lavfi -i sine=f=440:r=44100 -f lavfi -i sine=f=880:r=44100 -map 0 -map 1 -t 3 "
                   "-c:a mp2 -f mpegts");
}

LRESULT CALLBACK TestWindowProc(HWND h, UINT m, WPARAM w, LPARAM l);

// The window the pictures go to, and a Stop button: a click posted to it
// is dispatched by whatever dispatches the GUI thread's messages next.
class TWindows {
public:
  TWindows() {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = TestWindowProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = u"TessNestedStopTest";
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      RegisterClassW(&wc);
      registered = true;
    }
    FHost = CreateWindowExW(0, u"TessNestedStopTest", u"pictures", WS_POPUP | WS_VISIBLE, 0, 0, 160, 120, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    FButton = CreateWindowExW(0, u"TessNestedStopTest", u"stop", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FButton, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TWindows() {
    DestroyWindow(FButton);
    DestroyWindow(FHost);
  }
  intptr_t Host() const { return reinterpret_cast<intptr_t>(FHost); }
  void PostClick(std::function<void()> onClick) {
    FOnClick = std::move(onClick);
    PostMessageW(FButton, WM_APP, 0, 0);
  }
  bool ClickPending() const { return static_cast<bool>(FOnClick); }
  void Click() {
    auto call = std::move(FOnClick);
    FOnClick = nullptr;
    if (call) call();
  }

private:
  HWND FHost = nullptr, FButton = nullptr;
  std::function<void()> FOnClick;
};

LRESULT CALLBACK TestWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_APP) {
    if (auto* self = reinterpret_cast<TWindows*>(GetWindowLongPtrW(h, GWLP_USERDATA))) self->Click();
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

bool Closed(const TCustomPlayer& p) { return p.PlayState() == psStop && p.VideoStreamIndex() < 0 && p.Paused(); }

// ---------------------------------------------------------------------------
// The end-of-clip handler stops the player inside each waiting command

struct TCommandCase {
  const char* name;
  bool paused;  // the command is given to a paused playback (of sound alone)
  void (*run)(TCustomPlayer&);
};

void PrintTo(const TCommandCase& c, std::ostream* os) { *os << c.name; }

class PlayerEndOfClip : public ::testing::TestWithParam<TCommandCase> {};

TEST_P(PlayerEndOfClip, StopsThePlayerWhileACommandWaitsAndTheCommandLeavesItStopped) {
  const TCommandCase& c = GetParam();
  const std::string clip = c.paused ? ShortTone() : ShortClip();
  UseSoundDriver("dummy");
  TWindows windows;
  auto player = NewPlayer("SDL_0.dll");
  TRecorder rec;
  rec.Attach(*player);
  bool inCommand = false;
  int stoppedInCommand = 0;
  // The end-of-clip handler, listening while the command runs.
  player->OnState = [&](TObject*, TPlayState s) {
    rec.seen.push_back({true, s});
    if (s != psEnd || !inCommand) return;
    ++stoppedInCommand;
    player->Stop(true);
  };
  // The clip runs out while the GUI thread is busy, so its end waits to be
  // delivered; a seek keeps the command's wait open, and the wait delivers
  // the end. Should the wait end before the end gets through, again.
  for (int attempt = 0; attempt < 5 && stoppedInCommand == 0; ++attempt) {
    ASSERT_TRUE(player->Open(clip, windows.Host(), false)) << player->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 200000; }, 5000));
    Sleep(1500);
    if (c.paused) player->Pause();
    rec.seen.clear();
    player->Seek(static_cast<int64_t>(500000), 0, false);
    inCommand = true;
    c.run(*player);
    inCommand = false;
    if (stoppedInCommand == 0) player->Stop(true);
  }
  ASSERT_GT(stoppedInCommand, 0) << "the end never reached the handler inside the command";
  EXPECT_TRUE(Closed(*player)) << "state " << player->PlayState();

  // Nothing is reported of the stopped playback after its stop.
  Pump(300);
  const int stop = rec.IndexOfState(psStop);
  ASSERT_GE(stop, 0);
  EXPECT_EQ(static_cast<int>(rec.seen.size()) - 1, stop);

  // The player plays the next file as usual.
  rec.seen.clear();
  ASSERT_TRUE(player->Open(clip, windows.Host(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return !rec.Positions().empty(); }, 5000));
  player->Stop(true);
  EXPECT_TRUE(Closed(*player));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PlayerEndOfClip,
    ::testing::Values(TCommandCase{"Pause", false, [](TCustomPlayer& p) { p.Pause(); }},
                      TCommandCase{"TogglePause", false, [](TCustomPlayer& p) { p.TogglePause(); }},
                      TCommandCase{"Resume", true, [](TCustomPlayer& p) { p.Resume(); }},
                      TCommandCase{"StepToNextFrame", true, [](TCustomPlayer& p) { p.StepToNextFrame(); }},
                      TCommandCase{"Stop", true, [](TCustomPlayer& p) { p.Stop(true); }}),
    [](const ::testing::TestParamInfo<TCommandCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Seek, Pause and Stop in quick succession

// Each round opens the clip, seeks (some rounds near the end, where the
// end-of-clip handler stops the player too) and within the toggle's wait of
// at most 250 ms pauses or steps and stops: by a Stop click dispatched
// inside the wait, at once after it, or without waiting, the next Open then
// ending the playback.
TEST(PlayerNesting, TwoHundredRoundsOfSeekPauseAndStop) {
  const std::string clip = ShortClip();
  UseSoundDriver("dummy");
  TWindows windows;
  auto player = NewPlayer("SDL_0.dll");
  int ends = 0;
  player->OnState = [&](TObject*, TPlayState s) {
    if (s != psEnd) return;
    ++ends;
    player->Stop(true);
  };
  int clicksInside = 0;
  for (int round = 0; round < 200; ++round) {
    const int kind = round % 4;
    ASSERT_TRUE(player->Open(clip, windows.Host(), kind == 3)) << "round " << round << ": " << player->LastErrMsg();
    Pump(15 * (round % 7));
    player->Seek(static_cast<int64_t>((round % 10) * 100000), 0, false);
    bool inside = false;
    auto stopClick = [&] {
      if (inside) ++clicksInside;
      player->Stop(true);
    };
    switch (kind) {
      case 0:
        windows.PostClick(stopClick);
        inside = true;
        player->Pause();
        inside = false;
        break;
      case 1:
        player->Pause();
        player->Stop(true);
        break;
      case 2:
        player->Pause();
        player->Stop(false);
        break;
      case 3:
        windows.PostClick(stopClick);
        inside = true;
        player->StepToNextFrame();
        inside = false;
        break;
    }
    if (kind == 2) continue;
    ASSERT_TRUE(WaitUntil([&] { return !windows.ClickPending(); }, 2000)) << "round " << round;
    ASSERT_TRUE(Closed(*player)) << "round " << round << ": state " << player->PlayState();
  }
  player->Stop(true);
  EXPECT_TRUE(Closed(*player));
  // The rounds did meet the stops inside the waits.
  EXPECT_GT(clicksInside, 0);
  RecordProperty("stop clicks inside the wait", clicksInside);
  RecordProperty("end-of-clip stops", ends);
}

// ---------------------------------------------------------------------------
// Stream switching

// The read thread carries a switch out between packets. One that cannot come
// to it, its input stalled, leaves the request after a bounded wait; and a
// stop dispatched while the switch waits ends the wait, not the program.
TEST(PlayerNesting, AStreamSwitchIsDoneOrGivenUpAndSurvivesAStopWhileItWaits) {
  UseSoundDriver("dummy");
  const std::string tracks = TwoTracks();
  TWindows windows;
  auto player = NewPlayer("SDL_0.dll");
  player->OnState = [](TObject*, TPlayState) {};

  ASSERT_TRUE(player->Open(tracks, 0, false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 100000; }, 5000));
  const int first = player->AudioStreamIndex();
  ASSERT_GE(first, 0);
  EXPECT_TRUE(player->SetAudioStreamIndex(1 - first)) << player->LastErrMsg();
  EXPECT_EQ(1 - first, player->AudioStreamIndex());
  player->Stop(true);

  // A source that stops sending after about a second: the read blocks for good.
  const std::string bytes = ReadBytes(ToNativePath(tracks));
  struct TCase {
    const char* what;
    bool stopWhileWaiting;
    const char* text;
  };
  for (const TCase& c : {TCase{"stopped", true, "the playback ended before the stream switch."},
                         TCase{"stalled", false, "the stream switch timed out."}}) {
    SCOPED_TRACE(c.what);
    TSilentServer server(bytes.substr(0, bytes.size() / 3));
    player->ReadTimeout = 0;
    ASSERT_TRUE(player->opt_default("analyzeduration", "100000"));
    ASSERT_TRUE(player->Open("tcp://127.0.0.1:" + std::to_string(server.Port()), 0, false)) << player->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 100000; }, 5000));
    const int current = player->AudioStreamIndex();
    ASSERT_GE(current, 0);
    if (c.stopWhileWaiting) windows.PostClick([&] { player->Stop(true); });
    EXPECT_FALSE(player->SetAudioStreamIndex(1 - current));
    EXPECT_EQ(c.text, player->LastErrMsg());
    if (c.stopWhileWaiting) {
      EXPECT_FALSE(windows.ClickPending());
      EXPECT_TRUE(Closed(*player));
    } else {
      EXPECT_EQ(current, player->AudioStreamIndex());
    }
    player->Stop(true);
    EXPECT_TRUE(Closed(*player));
  }
}

// ---------------------------------------------------------------------------
// Settings for one playback

// StartTime, PlayTime, RepeatType and VerticalFlip apply to one playback.
// Given after Stop(False), they are the next playback's, however long the
// old one takes to end; a playback that ends by itself has them back at
// their defaults when the application hears of its stop.
TEST(PlayerNesting, SettingsGivenAfterAStopAreTheNextPlaybacks) {
  const std::string clip = ShortClip();
  UseSoundDriver("dummy");
  TWindows windows;
  auto player = NewPlayer("SDL_0.dll");
  TRecorder rec;
  rec.Attach(*player);

  ASSERT_TRUE(player->Open(clip, windows.Host(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 100000; }, 5000));
  player->Stop(false);
  player->SetStartTime(300000);
  player->PlayTime = 300000;
  player->RepeatType = rtPause;
  player->SetVerticalFlip(true);
  Sleep(500);  // the GUI thread busy: the old playback ends meanwhile
  rec.seen.clear();
  ASSERT_TRUE(player->Open(clip, windows.Host(), false)) << player->LastErrMsg();
  EXPECT_EQ(300000, player->StartTime());
  EXPECT_EQ(300000, player->PlayTime);
  EXPECT_EQ(rtPause, player->RepeatType);
  EXPECT_TRUE(player->VerticalFlip());
  // Started at 0.3 s and paused by the repeat rule 0.3 s later.
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psPause) >= 0; }, 5000));
  EXPECT_GE(player->CurrentPTS(), 600000);
  rec.seen.clear();
  player->Stop(true);
  // Its stop heard before the handler below listens.
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psStop) >= 0; }, 3000));

  struct TSeenAtStop {
    int64_t startTime, playTime;
    TRepeatType repeat;
    bool flip;
  } atStop{0, 0, rtNone, true};
  bool stopped = false;
  player->OnState = [&](TObject*, TPlayState s) {
    if (s != psStop) return;
    stopped = true;
    atStop = {player->StartTime(), player->PlayTime, player->RepeatType, player->VerticalFlip()};
    // The next playback's, given as the stop is heard.
    player->PlayTime = 200000;
    player->RepeatType = rtPause;
  };
  player->PlayTime = 200000;
  player->RepeatType = rtStop;
  player->SetVerticalFlip(true);
  ASSERT_TRUE(player->Open(clip, windows.Host(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return stopped; }, 5000));
  EXPECT_EQ(NoTime, atStop.startTime);
  EXPECT_EQ(NoTime, atStop.playTime);
  EXPECT_EQ(rtRewind, atStop.repeat);
  EXPECT_FALSE(atStop.flip);
  ASSERT_TRUE(player->Open(clip, windows.Host(), false)) << player->LastErrMsg();
  EXPECT_EQ(200000, player->PlayTime);
  EXPECT_EQ(rtPause, player->RepeatType);
  player->Stop(true);
}

}  // namespace
