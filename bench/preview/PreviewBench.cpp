// The preview player against the ffplay tool on the same generated clip
// (10 s, 1280x720, 30 pictures a second, with sound) in a window of the same
// size (464x271), both with the dummy sound driver:
//   shown pictures / source pictures   goal >= 97 % (both sides: source less dropped)
//   |video clock - sound clock|        goal: median and max each <= the tool's (after 0.5 s)
//   Open to first picture; seek to the middle to a picture from there:
//                                      goal: medians <= 1.5 s and <= 0.5 s
//   CPU seconds (user + system)        goal: <= 1.0x the tool's
// Five rounds per side in turn after a warm-up round each; medians.
// Our CPU is this process's during the run (the wine server's share is left out).
#include <windows.h>


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "PlayerFixtures.h"
#include "engine/Fixtures.h"
#include "framework/Forms.h"
#include "framework/Threads.h"
#include "PreviewProbe.h"
#include "player/FFPlay.h"

namespace {

// The window's size: 464x271, or TESS_PREVIEW_WINDOW ("232x90" is the main
// window's preview pane).
int kW = 464, kH = 271;
constexpr int kSourcePictures = 300;

// CPU seconds (user + system) from a /proc stat file.
double CpuOf(const std::string& statFile) {
  std::ifstream in(statFile);
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 2));
  std::string f;
  double utime = 0, stime = 0;
  for (int i = 3; fields >> f; ++i) {
    if (i == 14) utime = std::atof(f.c_str());
    if (i == 15) {
      stime = std::atof(f.c_str());
      break;
    }
  }
  return (utime + stime) / 100.0;  // clock ticks of the kernel's USER_HZ
}

double CpuSelf() { return CpuOf("/proc/self/stat"); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct TFigures {
  double shownPercent = 0, gapMedianMs = 0, gapMaxMs = 0, cpu = 0;
};

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// One player in one window, kept for every round: the rounds differ only in
// the playback, not in loading the libraries again.
class TOurSide {
 public:
  TOurSide() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = u"TessPreviewBench";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&wc);
    top_ = CreateWindowExW(0, u"TessPreviewBench", u"preview", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    panel_ = CreateWindowExW(0, u"TessPreviewBench", u"", WS_CHILD | WS_VISIBLE, 0, 0, kW, kH, top_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    UseSoundDriver("dummy");
    ready_ = player_.LoadAVLib(ExeFolder() + "LibAV", false) &&
             player_.LoadSDLLib(CopySDL("SDL_bench.dll"), "SDL_bench.dll");
    if (!ready_) std::fprintf(stderr, "%s\n", player_.LastErrMsg().c_str());
    player_.OnState = [this](TObject*, TPlayState s) { ended_ = ended_ || s == psEnd; };
    player_.RepeatType = rtNone;
  }
  ~TOurSide() { DestroyWindow(top_); }

  // One playback of the whole clip. Shown pictures are counted as the tool
  // counts them: the source's pictures less the dropped ones.
  bool Round(const std::string& clip, TFigures& fig) {
    if (!ready_) return false;
    ended_ = false;
    std::vector<double> gaps;
    long long dropped = 0;
    const double cpu0 = CpuSelf();
    if (!player_.Open(clip, reinterpret_cast<intptr_t>(panel_), false)) {
      std::fprintf(stderr, "%s\n", player_.LastErrMsg().c_str());
      return false;
    }
    const DWORD start = GetTickCount();
    while (!ended_ && GetTickCount() - start < 20000) {
      PumpMessages();
      WaitForHandles(nullptr, 0, false, 20);
      dropped = std::max(dropped, PreviewDroppedPictures(&player_));
      drawn_ = std::max(drawn_, PreviewShownPictures(&player_));
      const double gap = PreviewClockGap(&player_);
      if (GetTickCount() - start > 500 && gap >= 0) gaps.push_back(gap * 1000);
    }
    player_.Stop(true);
    fig.cpu = CpuSelf() - cpu0;
    fig.shownPercent = 100.0 * (kSourcePictures - dropped) / kSourcePictures;
    fig.gapMedianMs = Median(gaps);
    fig.gapMaxMs = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    return ended_;
  }
  long long Drawn() const { return drawn_; }

 private:
  HWND top_ = nullptr, panel_ = nullptr;
  TVIDavaza player_{nullptr};
  bool ready_ = false, ended_ = false;
  long long drawn_ = 0;
};

// Seconds from Open to the first picture, and from a seek to the middle to
// a picture from there (the main window's Play and track bar), over a few
// runs in the same window.
struct TLatency {
  std::vector<double> firstPicture, seek;
};

TLatency RunLatency(const std::string& clip, int runs) {
  TLatency out;
  HWND top = CreateWindowExW(0, u"TessPreviewBench", u"preview", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND panel = CreateWindowExW(0, u"TessPreviewBench", u"", WS_CHILD | WS_VISIBLE, 0, 0, kW, kH, top, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  TVIDavaza player(nullptr);
  if (!player.LoadAVLib(ExeFolder() + "LibAV", false) ||
      !player.LoadSDLLib(CopySDL("SDL_bench2.dll"), "SDL_bench2.dll")) {
    std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
    return out;
  }
  int64_t duration = 0;
  player.OnFileOpen = [&](TObject*, const int64_t d, int, int, int& sw, int& sh) {
    duration = d;
    sw = kW;
    sh = kH;
  };
  // Reads the time of the picture on the screen: two numbers, no picture
  // conversion under the player's locks.
  auto waitPicture = [&](int64_t from, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < limitMs) {
      PumpMessages();
      if (PreviewShownPts(&player) >= from) return (GetTickCount() - start) / 1000.0;
      WaitForHandles(nullptr, 0, false, 2);
    }
    return -1.0;
  };
  for (int i = 0; i < runs; ++i) {
    const DWORD start = GetTickCount();
    if (!player.Open(clip, reinterpret_cast<intptr_t>(panel), false)) {
      std::fprintf(stderr, "%s\n", player.LastErrMsg().c_str());
      break;
    }
    const double open = (GetTickCount() - start) / 1000.0;
    const double first = waitPicture(0, 5000);
    if (first >= 0) out.firstPicture.push_back(open + first);
    waitPicture(1000000, 3000);  // playing for a second
    const int64_t target = duration / 2;
    const DWORD seekStart = GetTickCount();
    player.Seek(target, 0, false);
    const double seek = waitPicture(target - 1000000, 5000);
    if (seek >= 0) out.seek.push_back((GetTickCount() - seekStart) / 1000.0);
    player.Stop(true);
  }
  DestroyWindow(top);
  return out;
}

// The tool's status line: "  3.21 A-V:  0.004 fd=   2 aq= ..."; its CPU
// from the shell's time keyword.
TFigures RunTool(const std::string& clip) {
  const std::string log = FixtureFolder() + "/ffplay_status.txt";
  const std::string times = FixtureFolder() + "/ffplay_times.txt";
  fixtures::Run("bash -c 'TIMEFORMAT=\"%U %S\"; { time SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software ffplay "
                "-autoexit -x " +
                std::to_string(kW) + " -y " + std::to_string(kH) + " \"" + clip + "\" 2> \"" + log + "\" ; } 2> \"" +
                times + "\"'");
  TFigures fig;
  std::istringstream t(fixtures::ReadAll(times));
  double user = 0, sys = 0;
  t >> user >> sys;
  fig.cpu = user + sys;
  std::string status = fixtures::ReadAll(log);
  std::replace(status.begin(), status.end(), '\r', '\n');
  const std::regex line(R"(^\s*([0-9.]+) A-V:\s*(-?[0-9.]+) fd=\s*([0-9]+))");
  std::istringstream in(status);
  std::string l;
  std::vector<double> gaps;
  int drops = 0;
  while (std::getline(in, l)) {
    std::smatch m;
    if (!std::regex_search(l, m, line)) continue;
    drops = std::atoi(m[3].str().c_str());
    if (std::atof(m[1].str().c_str()) > 0.5) gaps.push_back(std::fabs(std::atof(m[2].str().c_str())) * 1000);
  }
  fig.shownPercent = 100.0 * (kSourcePictures - drops) / kSourcePictures;
  fig.gapMedianMs = Median(gaps);
  fig.gapMaxMs = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
  return fig;
}

}  // namespace

int main() {
  TApplication app;
  if (const char* size = std::getenv("TESS_PREVIEW_WINDOW")) std::sscanf(size, "%dx%d", &kW, &kH);
  // TESS_PREVIEW_CODECS replaces the codec options (to tell a codec's share).
  const char* codecs = std::getenv("TESS_PREVIEW_CODECS");
  const std::string name = codecs ? "hd10s_g30_alt.mkv" : "hd10s_g30.mp4";
  const std::string clip =
      MakeMedia(name, std::string("-f lavfi -i testsrc2=size=1280x720:rate=30 -f lavfi -i sine=f=440:r=44100 -t 10 ") +
                          (codecs ? codecs : "-c:v libx264 -preset veryfast -g 30 -pix_fmt yuv420p -c:a aac"));
  const std::string unixClip = FixtureFolder() + "/" + name;
  // A warm-up round of each side, then five rounds each, the two sides in
  // turn; each figure is the median of its five rounds.
  constexpr int kRounds = 5;
  TOurSide our;
  TFigures warm;
  our.Round(clip, warm);
  RunTool(unixClip);
  std::vector<TFigures> oursRounds, toolRounds;
  for (int i = 0; i < kRounds; ++i) {
    TFigures f;
    if (!our.Round(clip, f)) std::fprintf(stderr, "round %d: the clip did not play to its end\n", i + 1);
    oursRounds.push_back(f);
    toolRounds.push_back(RunTool(unixClip));
  }
  auto medianOf = [](const std::vector<TFigures>& r) {
    std::vector<double> shown, med, max, cpu;
    for (const TFigures& f : r) {
      shown.push_back(f.shownPercent);
      med.push_back(f.gapMedianMs);
      max.push_back(f.gapMaxMs);
      cpu.push_back(f.cpu);
    }
    return TFigures{Median(shown), Median(med), Median(max), Median(cpu)};
  };
  const TFigures ours = medianOf(oursRounds), tool = medianOf(toolRounds);
  std::printf("medians of %d rounds per side (after a warm-up round each); shown = source pictures less dropped\n",
              kRounds);
  std::printf("%-8s %10s %14s %12s %8s\n", "", "shown %", "A/V median ms", "A/V max ms", "CPU s");
  std::printf("%-8s %10.1f %14.1f %12.1f %8.2f\n", "ffplay", tool.shownPercent, tool.gapMedianMs, tool.gapMaxMs,
              tool.cpu);
  std::printf("%-8s %10.1f %14.1f %12.1f %8.2f\n", "player", ours.shownPercent, ours.gapMedianMs, ours.gapMaxMs,
              ours.cpu);
  std::printf("player pictures drawn in the most complete round: %lld of %d\n", our.Drawn(), kSourcePictures);
  const double ratio = tool.cpu > 0 ? ours.cpu / tool.cpu : 0;
  std::printf("CPU ratio %.2f (goal <= 1.0); A/V median ratio %.2f, max ratio %.2f (goals <= 1.0)\n", ratio,
              tool.gapMedianMs > 0 ? ours.gapMedianMs / tool.gapMedianMs : 0.0,
              tool.gapMaxMs > 0 ? ours.gapMaxMs / tool.gapMaxMs : 0.0);
  const TLatency latency = RunLatency(clip, 5);
  const double first = Median(latency.firstPicture), seek = Median(latency.seek);
  std::printf("window %dx%d; first picture median %.3f s (goal <= 1.5, %zu runs), seek to new picture median %.3f s "
              "(goal <= 0.5, %zu runs)\n",
              kW, kH, first, latency.firstPicture.size(), seek, latency.seek.size());
  const bool ok = ours.shownPercent >= 97 && ours.shownPercent >= tool.shownPercent - 1 &&
                  ours.gapMedianMs <= tool.gapMedianMs && ours.gapMaxMs <= tool.gapMaxMs && ratio > 0 &&
                  ratio <= 1.0 && !latency.firstPicture.empty() && first <= 1.5 && !latency.seek.empty() &&
                  seek <= 0.5;
  std::printf("%s\n", ok ? "goals met" : "goals NOT met");
  return ok ? 0 : 1;
}
