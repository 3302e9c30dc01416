// The driving half of the conversion bench (run.sh times the ffmpeg tool on
// the same jobs and prints the ratios). Each job starts the real program and
// works it as a person does: the clips are added through the open dialog
// with their names typed in, Convert is clicked in the Actions menu, and the
// end of the run is what the screen shows: the rows' check marks go when the
// program marks them done. One job per run of this program:
//
//   conversion_bench --gtest_filter=ConversionBench.<job>
//
// with the clips in the folder named by TESS_BENCH_MEDIA (clip1.mp4 ..
// clip4.mp4). Each job prints "bench <name> <value>" lines for run.sh.
//   OneClip         one clip, the default format
//   FourClips       four clips on two threads (Preferences' thread count set
//                   in the registry before the start)
//   Responsiveness  two clips on two threads while a probe thread sends empty
//                   messages to the main window and a watcher grabs the
//                   rows' status cells to time the progress texts' changes;
//                   before that, the same probe while the tool converts the
//                   two clips beside the idle program (TESS_BENCH_TOOL_PAIR)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <functional>
#include <utility>
#include <vector>

#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

std::string MediaFolder() {
  const char* folder = std::getenv("TESS_BENCH_MEDIA");
  return folder ? folder : "";
}

std::string Clip(int n) { return FromNativePath(MediaFolder() + "/clip" + std::to_string(n) + ".mp4"); }

std::string OutputFolder() { return drv::DocumentsFolder() + "\\Brenlowe\\Tessavane\\Output"; }

void DeleteOutputs(int clips) {
  for (int n = 1; n <= clips; ++n) {
    const std::u16string name = UTF8ToUTF16(OutputFolder() + "\\clip" + std::to_string(n) + ".mp4");
    DeleteFileW(reinterpret_cast<LPCWSTR>(name.c_str()));
  }
}

void SetThreadCount(DWORD threads) {
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const DWORD no = 0;
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"UseAllCPUs"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&no), 4);
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"CustomCPUNumber"), 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&threads), 4);
  RegCloseKey(key);
}

// Rows of the item table are 18 pixels high under an 18-pixel header; the
// check box is in the first 40 pixels, the status text 620 pixels in.
RECT CheckCell(int row) {
  const RECT t = drv::WaitControl("MainForm", "sgList");
  const int top = t.top + 18 + (row - 1) * 18;
  return RECT{t.left + 2, top + 1, t.left + 38, top + 17};
}

RECT StatusCell(int row) {
  const RECT t = drv::WaitControl("MainForm", "sgList");
  const int top = t.top + 18 + (row - 1) * 18;
  return RECT{t.left + 620, top + 1, t.left + 690, top + 17};
}

// Clicks Convert in the Actions menu; returns the moment the button went up.
Clock::time_point ClickConvert() {
  drv::ClickMenu({"Actions1"});
  RECT item{};
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::PopupItemRect("Convert1", item); }, 10000));
  drv::Pause(100);
  // Click() moves (40 ms) and presses (40 ms) before the button goes up.
  const Clock::time_point up = Clock::now() + std::chrono::milliseconds(80);
  drv::ClickCenter(item);
  return up;
}

// The look of row 1's check box unchecked, taken by unchecking and checking
// it again with the mouse (the pointer then leaves the table).
std::vector<unsigned> UncheckedLook() {
  const RECT cell = CheckCell(1);
  drv::ClickCenter(cell);
  drv::MoveTo(2, 2);
  drv::Pause(300);
  std::vector<unsigned> look = drv::Grab(cell);
  drv::ClickCenter(cell);
  drv::MoveTo(2, 2);
  drv::Pause(300);
  EXPECT_NE(drv::Grab(cell), look) << "the check box did not change";
  return look;
}

// Waits for the end of the run: row 1's check box shows unchecked (the
// program unchecks the rows when it marks them done). Returns the time of
// the first grab that showed it, in ms after `t0`; -1 on timeout. A grab
// goes through the display server: one every 20 ms keeps the watching
// cheap beside the conversion (on average 10 ms late).
double WaitRunEnd(Clock::time_point t0, const std::vector<unsigned>& unchecked, int timeoutMs = 900000) {
  const RECT cell = CheckCell(1);
  while (MsSince(t0) < timeoutMs) {
    const Clock::time_point at = Clock::now();
    if (drv::Grab(cell) == unchecked) return std::chrono::duration<double, std::milli>(at - t0).count();
    Sleep(20);
  }
  return -1;
}

void Report(const char* name, double value) {
  std::printf("bench %s %.1f\n", name, value);
  std::fflush(stdout);
}

// A system thread (the probe and the watcher call the system's window and
// drawing functions, which a thread of the C++ library may not).
class TSystemThread {
public:
  explicit TSystemThread(std::function<void()> work) : FWork(std::move(work)) {
    FHandle = CreateThread(nullptr, 0, &TSystemThread::Run, this, 0, nullptr);
  }
  ~TSystemThread() { Join(); }
  void Join() {
    if (!FHandle) return;
    WaitForSingleObject(FHandle, INFINITE);
    CloseHandle(FHandle);
    FHandle = nullptr;
  }

private:
  static DWORD WINAPI Run(void* self) {
    static_cast<TSystemThread*>(self)->FWork();
    return 0;
  }
  std::function<void()> FWork;
  HANDLE FHandle = nullptr;
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

// Converts `clips` clips (added in order) and reports the time from the
// click on Convert to the end of the run.
void ConvertAndTime(int clips) {
  for (int n = 1; n <= clips; ++n) {
    drv::AddFileThroughOpenDialog(Clip(n));
    if (::testing::Test::HasFatalFailure()) return;
  }
  const std::vector<unsigned> unchecked = UncheckedLook();
  const Clock::time_point t0 = ClickConvert();
  drv::MoveTo(2, 2);
  const double ms = WaitRunEnd(t0, unchecked);
  drv::Screenshot("bench-conversion-" + std::to_string(clips));
  ASSERT_GT(ms, 0) << "the run did not end";
  Report("ours_ms", ms);
}

class ConversionBench : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(MediaFolder().empty()) << "TESS_BENCH_MEDIA names no folder";
    session::WaitForProgram();
  }
};

}  // namespace

BEFORE_PROGRAM_START(ConversionBench, OneClip) {
  session::ForgetSettings();
  DeleteOutputs(1);
}

TEST_F(ConversionBench, OneClip) { ConvertAndTime(1); }

BEFORE_PROGRAM_START(ConversionBench, FourClips) {
  session::ForgetSettings();
  SetThreadCount(2);
  DeleteOutputs(4);
}

TEST_F(ConversionBench, FourClips) { ConvertAndTime(4); }

BEFORE_PROGRAM_START(ConversionBench, Responsiveness) {
  session::ForgetSettings();
  SetThreadCount(2);
  DeleteOutputs(2);
}

TEST_F(ConversionBench, Responsiveness) {
  for (int n = 1; n <= 2; ++n) {
    drv::AddFileThroughOpenDialog(Clip(n));
    if (HasFatalFailure()) return;
  }
  const std::vector<unsigned> unchecked = UncheckedLook();
  HWND main = drv::FindShownWindow(u"TMainForm");
  ASSERT_NE(main, nullptr);
  const RECT cells[2] = {StatusCell(1), StatusCell(2)};

  std::atomic<bool> running{true};
  // Round trips of an empty message to the main window, one every 5 ms.
  // (sent at, round trip in ms).
  std::vector<std::pair<Clock::time_point, double>> sent;
  TSystemThread probe([&] {
    while (running) {
      const Clock::time_point t = Clock::now();
      DWORD_PTR answer = 0;
      const double trip =
          SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer) ? MsSince(t) : 5000.0;
      sent.emplace_back(t, trip);
      Sleep(5);
    }
  });
  // The reference first: the same probe while the tool converts the same two
  // clips at once beside the idle program (TESS_BENCH_TOOL_PAIR, a shell
  // command from run.sh): the share of the machine's load.
  const char* pair = std::getenv("TESS_BENCH_TOOL_PAIR");
  Clock::time_point toolFrom{}, toolTo{};
  if (pair && *pair) {
    toolFrom = Clock::now();
    fixtures::Run(pair);
    toolTo = Clock::now();
  }
  drv::Pause(1000);
  // The moments the status texts change on screen.
  std::vector<double> changes[2];
  const Clock::time_point t0 = ClickConvert();
  TSystemThread watcher([&] {
    std::vector<unsigned> last[2] = {drv::Grab(cells[0]), drv::Grab(cells[1])};
    while (running) {
      for (int r = 0; r < 2; ++r) {
        const Clock::time_point at = Clock::now();
        std::vector<unsigned> now = drv::Grab(cells[r]);
        if (now != last[r]) {
          const double ms = std::chrono::duration<double, std::milli>(at - t0).count();
          // A grab in the middle of a repaint sees a half-drawn cell: changes
          // closer than 60 ms are one change to the eye.
          if (changes[r].empty() || ms - changes[r].back() > 60) changes[r].push_back(ms);
          last[r].swap(now);
        }
      }
      Sleep(8);
    }
  });
  drv::MoveTo(2, 2);
  const double end = WaitRunEnd(t0, unchecked);
  running = false;
  probe.Join();
  watcher.Join();
  ASSERT_GT(end, 0) << "the run did not end";
  Report("ours_ms", end);
  // While both tasks convert: from the first percentage of both rows (their
  // second change; the first is "Awaiting...") to the last change before
  // the end.
  double from = 0, to = end;
  for (const auto& c : changes) {
    if (c.size() > 1) from = std::max(from, c[1]);
    if (c.size() > 2) to = std::min(to, c[c.size() - 2]);
  }
  std::vector<double> trips, reference;
  std::printf("slow round trips (sent at ms: took ms):");
  for (const auto& s : sent) {
    // The tool's first and last second left out, like ours.
    if (s.first > toolFrom + std::chrono::seconds(1) && s.first < toolTo - std::chrono::seconds(1))
      reference.push_back(s.second);
    const double at = std::chrono::duration<double, std::milli>(s.first - t0).count();
    if (at < from || at > to) continue;
    trips.push_back(s.second);
    if (s.second > 16) std::printf(" %.0f:%.1f", at, s.second);
  }
  std::printf("\n");
  Report("tool_ms", std::chrono::duration<double, std::milli>(toolTo - toolFrom).count());
  Report("ref_trips", static_cast<double>(reference.size()));
  Report("ref_p50_ms", Percentile(reference, 0.50));
  Report("ref_p95_ms", Percentile(reference, 0.95));
  Report("ref_max_ms", Percentile(reference, 1.0));
  Report("trips", static_cast<double>(trips.size()));
  Report("trip_p50_ms", Percentile(trips, 0.50));
  Report("trip_p95_ms", Percentile(trips, 0.95));
  Report("trip_max_ms", Percentile(trips, 1.0));

  // Intervals between changes while both rows count: the first change
  // ("Awaiting...") and the changes of the end (the final texts) are left
  // out; a row's changes are its own refreshes.
  std::vector<double> intervals;
  for (const auto& c : changes) {
    for (size_t i = 2; i + 2 < c.size(); ++i) intervals.push_back(c[i] - c[i - 1]);
    std::printf("row changes (ms):");
    for (double t : c) std::printf(" %.0f", t);
    std::printf("\n");
  }
  size_t inside = 0;
  for (double d : intervals)
    if (d >= 350 && d <= 650) ++inside;
  Report("refresh_count", static_cast<double>(intervals.size()));
  Report("refresh_p50_ms", Percentile(intervals, 0.50));
  Report("refresh_min_ms", Percentile(intervals, 0.0));
  Report("refresh_max_ms", Percentile(intervals, 1.0));
  Report("refresh_inside_pct", intervals.empty() ? 0 : 100.0 * static_cast<double>(inside) / intervals.size());
}
