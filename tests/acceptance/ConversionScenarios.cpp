// Converting from the main window: files are added through the open
// dialog, converted with the menu commands, and the outputs in the output
// folder are probed with the ffprobe tool.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

namespace {

// ---- media made for these scenarios ----

std::string Lavfi(const std::string& video, double seconds, const std::string& size = "320x240") {
  std::ostringstream c;
  c << "ffmpeg -y -v error -f lavfi -i " << video << (video.back() == ':' ? "" : "=") << "size=" << size << ":rate=25:duration=" << seconds
    << " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" << seconds
    << " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 -shortest {out}";
  return c.str();
}

const std::vector<fixtures::TFixture>& ConversionFixtures() {
  static const std::vector<fixtures::TFixture> set = [] {
    static std::vector<std::string> commands = {
        Lavfi("testsrc", 4),  Lavfi("testsrc", 2), Lavfi("testsrc", 3), Lavfi("testsrc", 1.5),
        Lavfi("testsrc", 20, "640x360"), Lavfi("color=c=black:", 15), Lavfi("color=c=black:", 10),
        "ffmpeg -y -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi -i "
        "sine=duration=3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest -f mp4 "
        "{dir}/conv_full3.tmp && head -c 20000 {dir}/conv_full3.tmp > {out}",
        Lavfi("testsrc", 20, "640x360"),
        "ffmpeg -y -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=6 -f lavfi -i "
        "sine=duration=6 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest -movflags +faststart "
        "-f mp4 {dir}/conv_fs6.tmp && head -c $(( $(stat -c %s {dir}/conv_fs6.tmp) / 2 )) {dir}/conv_fs6.tmp > {out}"};
    static const char* names[] = {"conv_4s.mp4",   "conv_a2.mp4",    "conv_b3.mp4",    "conv_c15.mp4",
                                  "conv_long.mp4", "conv_black15.mp4", "conv_black10.mp4", "conv_cut.mp4",
                                  "conv_long2.mp4", "conv_half.mp4"};
    std::vector<fixtures::TFixture> v;
    for (size_t i = 0; i < commands.size(); ++i) v.push_back({names[i], commands[i].c_str()});
    return v;
  }();
  return set;
}

// ---- where things are ----

std::string OutputFolder() { return drv::DocumentsFolder() + "\\Brenlowe\\Tessavane\\Output"; }
std::string Unix(const std::string& windowsPath) { return ToNativePath(windowsPath); }

// The first file of the folder whose name starts with `stem` + ".", or "".
std::string FindOutput(const std::string& folder, const std::string& stem) {
  WIN32_FIND_DATAW data{};
  const std::u16string pattern = UTF8ToUTF16(folder + "\\" + stem + ".*");
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &data);
  if (h == INVALID_HANDLE_VALUE) return "";
  FindClose(h);
  return folder + "\\" + UTF16ToUTF8(std::u16string(reinterpret_cast<const char16_t*>(data.cFileName)));
}

void DeleteOutputs(const std::string& folder, const std::string& stem) {
  for (std::string f = FindOutput(folder, stem); !f.empty(); f = FindOutput(folder, stem))
    if (!DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(f).c_str()))) break;
}

int64_t FileSize(const std::string& windowsPath) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(windowsPath).c_str()), GetFileExInfoStandard, &a))
    return -1;
  return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

std::string Probe(const std::string& windowsPath, const std::string& entries, const std::string& stream = "") {
  std::string cmd = "ffprobe -v error ";
  if (!stream.empty()) cmd += "-select_streams " + stream + " ";
  cmd += "-show_entries " + entries + " -of default=nw=1:nk=1 '" + Unix(windowsPath) + "'";
  std::string out = fixtures::Output(cmd);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

double Duration(const std::string& windowsPath) {
  const std::string d = Probe(windowsPath, "format=duration");
  return d.empty() ? -1 : std::atof(d.c_str());
}

// ---- the hands: the commands a person uses ----

// Adds one file through File > Add File(s): its full name typed into the
// open dialog; waits until the loading dialog is done.
void AddFile(const std::string& windowsPath) {
  drv::ClickMenu({"File1", "Openvideo1"});
  ASSERT_NE(drv::WaitWindow(u"TspOpenDlgForm"), nullptr);
  drv::ClickControl("TspOpenDlgForm", "FileNameEdit");
  // The edit may still hold the name chosen last time.
  drv::Key(VK_HOME);
  drv::Key(VK_END, false, false, true);
  drv::Type(windowsPath);
  drv::Key(VK_RETURN);
  ASSERT_TRUE(drv::WaitWindowGone(u"TspOpenDlgForm"));
  drv::WaitUntil([] { return drv::FindShownWindow(u"TLoadForm") == nullptr; }, 30000);
}

RECT TableRect() { return drv::WaitControl("MainForm", "sgList"); }

// The status cell of table row `row` (from 1), in screen coordinates.
RECT StatusCell(int row) {
  const RECT t = TableRect();
  const int top = t.top + 18 + (row - 1) * 18;
  return RECT{t.left + 620, top, t.left + 690, top + 18};
}

RECT CheckCell(int row) {
  const RECT t = TableRect();
  const int top = t.top + 18 + (row - 1) * 18;
  return RECT{t.left, top, t.left + 40, top + 18};
}

// The text in any of the fonts the program's grid and dialogs draw with.
int Luma(unsigned c) { return static_cast<int>(((c >> 16 & 255) * 3 + (c >> 8 & 255) * 6 + (c & 255)) / 10); }

// Like drv::ShowsText, but tolerant of smoothed letters: the screen's ink
// may be grey where the reference has black.
bool ShowsSmoothText(const RECT& area, const std::vector<unsigned>& shown, const std::string& text, const char* font,
                     bool bold, int height) {
  int tw = 0, th = 0;
  const std::vector<unsigned> glyph = drv::DrawnLetters(text, font, height, bold, false, tw, th);
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  if (tw <= 0 || th <= 0 || aw < tw || ah < th) return false;
  std::vector<std::pair<int, int>> ink, ground;
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x) {
      if (Luma(glyph[static_cast<size_t>(y * tw + x)]) < 90) {
        ink.emplace_back(x, y);
        continue;
      }
      bool clear = true;
      for (int dy = -1; dy <= 1 && clear; ++dy)
        for (int dx = -1; dx <= 1 && clear; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < tw && ny < th && Luma(glyph[static_cast<size_t>(ny * tw + nx)]) < 250)
            clear = false;
        }
      if (clear) ground.emplace_back(x, y);
    }
  if (ink.empty()) return false;
  auto at = [&](int x, int y) { return Luma(shown[static_cast<size_t>(y * aw + x)]); };
  for (int oy = 0; oy + th <= ah; ++oy)
    for (int ox = 0; ox + tw <= aw; ++ox) {
      size_t inkMiss = 0, groundMiss = 0;
      // Smoothed strokes: any shade darker than the ground counts as ink.
      for (const auto& p : ink)
        if (at(ox + p.first, oy + p.second) > 245) ++inkMiss;
      if (inkMiss > ink.size() / 5) continue;
      for (const auto& p : ground)
        if (at(ox + p.first, oy + p.second) < 150) ++groundMiss;
      if (groundMiss <= ground.size() / 12) return true;
    }
  return false;
}

// The pointer goes to the screen's corner first: a row under it is drawn
// highlighted.
// The widest run of columns holding dark pixels, in pixels (0 when none).
int InkExtent(const std::vector<unsigned>& shown, int aw, int ah) {
  int first = -1, last = -1;
  for (int x = 0; x < aw; ++x) {
    int dark = 0;
    for (int y = 0; y < ah; ++y)
      if (Luma(shown[static_cast<size_t>(y * aw + x)]) < 120) ++dark;
    // Lines and the ground beyond the window run through the whole height;
    // letters do not.
    if (dark == 0 || dark >= ah - 2) continue;
    if (first < 0) first = x;
    last = x;
  }
  return first < 0 ? 0 : last - first + 1;
}

int TextWidthAt(const std::string& text, const char* font, bool bold, int height) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  const std::u16string face = UTF8ToUTF16(font);
  HFONT f = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                        NONANTIALIASED_QUALITY, 0, reinterpret_cast<LPCWSTR>(face.c_str()));
  HGDIOBJ old = SelectObject(mem, f);
  const std::u16string w = UTF8ToUTF16(text);
  SIZE extent{};
  GetTextExtentPoint32W(mem, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &extent);
  SelectObject(mem, old);
  DeleteObject(f);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return extent.cx;
}

// `wholeCell`: the area holds nothing but the text (a status cell), so the
// dark part must also be as wide as the text.
bool ShowsTextAnyFont(const RECT& area, const std::string& text, bool wholeCell = false) {
  const std::vector<unsigned> shown = drv::Grab(area);
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  const int ink = wholeCell ? InkExtent(shown, aw, ah) : 0;
  // The program's 8-point texts, at the screen's resolution or at the
  // common larger ones.
  for (int height : {-11, -13, -12, -14, -15})
    for (bool bold : {false, true})
      for (const char* font : {"Microsoft Sans Serif", "Tahoma"})
        if (ShowsSmoothText(area, shown, text, font, bold, height)) {
          if (!wholeCell) return true;
          const int w = TextWidthAt(text, font, bold, height);
          if (ink * 100 >= w * 70 && ink * 100 <= w * 125) return true;
        }
  return false;
}

bool WaitTextAnyFont(const RECT& area, const std::string& text, int timeoutMs, bool wholeCell = false) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (ShowsTextAnyFont(area, text, wholeCell)) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    drv::Pause(700);
  }
}

bool RowShows(int row, const std::string& text, int timeoutMs) {
  const RECT cell = StatusCell(row);
  drv::MoveTo(2, 2);
  return WaitTextAnyFont(cell, text, timeoutMs, true);
}

void Convert() { drv::ClickMenu({"Actions1", "Convert1"}); }
void PauseRun() { drv::ClickMenu({"Actions1", "Pause1"}); }
void StopRun() { drv::ClickMenu({"Actions1", "Stop1"}); }

// Answers the skinned message box shown now with the named button.
void Answer(const std::string& button) {
  ASSERT_NE(drv::WaitWindow(u"TspMessageForm"), nullptr);
  drv::ClickControl("TspMessageForm", button);
  ASSERT_TRUE(drv::WaitWindowGone(u"TspMessageForm"));
}

std::string Fixture(const char* name) { return fixtures::WindowsPath(name); }

// The whole file, for "nothing of the source is touched".
std::string Bytes(const char* fixture) { return fixtures::ReadAll(fixtures::UnixPath(fixture)); }

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto secs = [](const FILETIME& f) {
    return ((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return secs(kernel) + secs(user);
}

std::string RecorderFile() { return Unix(drv::DocumentsFolder() + "\\tess-shutdown-record.txt"); }

int RecordedRequests() {
  std::ifstream in(RecorderFile());
  int lines = 0;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) ++lines;
  return lines;
}

class Conversion : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fixtures::Ensure(ConversionFixtures()));
    session::WaitForProgram();
  }
};

// ---- scenarios ----

BEFORE_PROGRAM_START(Conversion, OneClipConvertsToTheDefaultFormat) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_4s");
}

TEST_F(Conversion, OneClipConvertsToTheDefaultFormat) {
  AddFile(Fixture("conv_4s.mp4"));
  Convert();
  EXPECT_TRUE(RowShows(1, "100%", 60000));
  drv::Screenshot("conversion-one-clip");
  const std::string out = FindOutput(OutputFolder(), "conv_4s");
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(Probe(out, "stream=codec_name", "v:0"), "h264");
  EXPECT_EQ(Probe(out, "stream=codec_name", "a:0"), "aac");
  EXPECT_EQ(Probe(out, "stream=width,height", "v:0"), "640\n480");
  EXPECT_NEAR(Duration(out), 4.0, 0.1);

  // The history, as the events log shows it.
  drv::Reveal("MainForm", "EventsLogMenuItem");
  drv::ClickMenu({"ToolsMenuItem", "EventsLogMenuItem"});
  HWND log = drv::WaitWindow(u"TLogForm");
  ASSERT_NE(log, nullptr);
  const RECT r = drv::WindowRect(log);
  drv::Screenshot("conversion-history", &r);
  for (const char* line : {"-> Convert is clicked.", "-> Started Conversion.", "-> Conversion successfully done."})
    EXPECT_TRUE(WaitTextAnyFont(r, line, 5000)) << line;
}

BEFORE_PROGRAM_START(Conversion, PauseHoldsTheRunAndConvertResumesIt) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_long");
}

TEST_F(Conversion, PauseHoldsTheRunAndConvertResumesIt) {
  AddFile(Fixture("conv_long.mp4"));
  Convert();
  const std::string out = OutputFolder() + "\\conv_long.mp4";
  ASSERT_TRUE(drv::WaitUntil([&] { return FileSize(out) > 100000; }, 60000));
  PauseRun();
  EXPECT_TRUE(RowShows(1, "Paused", 1500));
  drv::Screenshot("conversion-paused");
  // A paused run does no work: the output stops growing and the process
  // stays nearly idle.
  const int64_t size = FileSize(out);
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  drv::Pause(2000);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT((ProcessCpuSeconds() - cpu0) / wall, 0.05);
  EXPECT_EQ(FileSize(out), size);
  Convert();  // resumes
  EXPECT_TRUE(drv::WaitUntil([&] { return Duration(out) > 0; }, 180000));
  EXPECT_TRUE(RowShows(1, "100%", 30000));
  EXPECT_NEAR(Duration(out), 20.0, 0.1);
}

BEFORE_PROGRAM_START(Conversion, StopCancelsTheRunAndLeavesTheSourceAlone) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_long");
}

TEST_F(Conversion, StopCancelsTheRunAndLeavesTheSourceAlone) {
  const std::string before = Bytes("conv_long.mp4");
  AddFile(Fixture("conv_long.mp4"));
  Convert();
  const std::string out = OutputFolder() + "\\conv_long.mp4";
  ASSERT_TRUE(drv::WaitUntil([&] { return FileSize(out) > 100000; }, 60000));
  StopRun();
  EXPECT_TRUE(RowShows(1, "Cancelled", 30000));
  drv::Screenshot("conversion-stopped");
  // A stopped task still leaves a complete, playable file.
  const double d = Duration(out);
  EXPECT_GT(d, 0.0);
  EXPECT_LT(d, 20.0);
  EXPECT_EQ(Bytes("conv_long.mp4"), before);
}

BEFORE_PROGRAM_START(Conversion, ShutdownIsRequestedAfterTheSettingsWereSaved) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_a2");
  DeleteOutputs(OutputFolder(), "conv_long");
}

// The program's shutdown requests go to a file instead of the system (the
// program and the scenario share the process and its environment). Fails
// the scenario before anything could shut the session down.
void RecordShutdownRequests() {
  const std::string file = drv::DocumentsFolder() + "\\tess-shutdown-record.txt";
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(file).c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(u"TESSAVANE_SHUTDOWN_RECORDER",
                                      reinterpret_cast<LPCWSTR>(UTF8ToUTF16(file).c_str())));
  char16_t back[1024] = {};
  ASSERT_GT(GetEnvironmentVariableW(u"TESSAVANE_SHUTDOWN_RECORDER", reinterpret_cast<LPWSTR>(back), 1024), 0u);
}

TEST_F(Conversion, ShutdownIsRequestedAfterTheSettingsWereSaved) {
  RecordShutdownRequests();
  if (HasFatalFailure()) return;
  drv::ClickMenu({"Actions1", "AfterConversion1", "ShutdownComputer1"});
  AddFile(Fixture("conv_a2.mp4"));
  // The settings key goes; only the program's saving brings it back.
  session::ForgetSettings();
  std::string value;
  ASSERT_FALSE(drv::RegistryString("Software\\Brenlowe\\Tessavane", "OutputPath", value));
  Convert();
  const bool recorded = drv::WaitUntil([] { return RecordedRequests() >= 1; }, 60000);
  drv::Screenshot("conversion-shutdown");
  ASSERT_TRUE(recorded);
  // The settings were written before the request.
  EXPECT_TRUE(drv::RegistryString("Software\\Brenlowe\\Tessavane", "OutputPath", value));
  EXPECT_EQ(RecordedRequests(), 1);
  EXPECT_GT(Duration(FindOutput(OutputFolder(), "conv_a2")), 1.9);

}

BEFORE_PROGRAM_START(Conversion, ShutdownIsRequestedAlsoAfterAStop) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_long");
}

TEST_F(Conversion, ShutdownIsRequestedAlsoAfterAStop) {
  RecordShutdownRequests();
  if (HasFatalFailure()) return;
  drv::ClickMenu({"Actions1", "AfterConversion1", "ShutdownComputer1"});
  AddFile(Fixture("conv_long.mp4"));
  Convert();
  ASSERT_TRUE(drv::WaitUntil([] { return FileSize(OutputFolder() + "\\conv_long.mp4") > 100000; }, 60000));
  StopRun();
  EXPECT_TRUE(drv::WaitUntil([] { return RecordedRequests() >= 1; }, 60000));
  EXPECT_EQ(RecordedRequests(), 1);
}

BEFORE_PROGRAM_START(Conversion, MissingOutputFolderConvertsToTheFallbackFolder) {
  session::ForgetSettings();
  DeleteOutputs("c:\\Brenlowe_temp", "conv_a2");
}

TEST_F(Conversion, MissingOutputFolderConvertsToTheFallbackFolder) {
  AddFile(Fixture("conv_a2.mp4"));
  drv::ClickControl("MainForm", "edDestinationFolder");
  drv::Key(VK_HOME);
  drv::Key(VK_END, false, false, true);
  drv::Type("c:\\no such folder\\here");
  Convert();
  ASSERT_NE(drv::WaitWindow(u"TspMessageForm"), nullptr);
  const RECT box = drv::WindowRect(drv::FindShownWindow(u"TspMessageForm"));
  drv::Screenshot("conversion-missing-folder", &box);
  EXPECT_TRUE(ShowsTextAnyFont(box, "Converting to"));
  Answer("OK");
  const bool done = RowShows(1, "100%", 60000);
  drv::Screenshot("conversion-fallback-folder");
  EXPECT_TRUE(done);
  EXPECT_NEAR(Duration(FindOutput("c:\\Brenlowe_temp", "conv_a2")), 2.0, 0.1);
}

BEFORE_PROGRAM_START(Conversion, JoinAllMakesOneFileOfTheCheckedRows) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "All Media Joined in One");
  DeleteOutputs(OutputFolder(), "conv_4s");
}

TEST_F(Conversion, JoinAllMakesOneFileOfTheCheckedRows) {
  for (const char* f : {"conv_a2.mp4", "conv_4s.mp4", "conv_b3.mp4", "conv_c15.mp4"}) AddFile(Fixture(f));
  drv::ClickCenter(CheckCell(2));  // the second row stays out
  drv::ClickMenu({"Actions1", "Joinall1"});
  Answer("Yes");
  Convert();
  ASSERT_TRUE(drv::WaitUntil(
      [] { return Duration(FindOutput(OutputFolder(), "All Media Joined in One")) > 0; }, 120000));
  EXPECT_TRUE(RowShows(1, "100%", 60000));
  drv::Screenshot("conversion-joined");
  const std::string out = FindOutput(OutputFolder(), "All Media Joined in One");
  EXPECT_NEAR(Duration(out), 2.0 + 3.0 + 1.5, 0.2);
  EXPECT_TRUE(FindOutput(OutputFolder(), "conv_4s").empty());

  // Unjoin All gives the rows their own titles back.
  drv::ClickMenu({"Actions1", "Joinall1"});
  Answer("Yes");
  const RECT t = TableRect();
  const RECT title{t.left + 40, t.top + 18, t.left + 240, t.top + 18 * 5};
  for (const char* name : {"conv_a2", "conv_4s", "conv_b3", "conv_c15"})
    EXPECT_TRUE(WaitTextAnyFont(title, name, 5000)) << name;
}

BEFORE_PROGRAM_START(Conversion, FiveClipsOnTwoThreadsWithOneBroken) {
  session::ForgetSettings();
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const DWORD no = 0, two = 2;
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"UseAllCPUs"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&no), 4);
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"CustomCPUNumber"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two),
                 4);
  RegCloseKey(key);
  for (const char* stem : {"conv_long", "conv_long2", "conv_a2", "conv_half", "conv_b3"})
    DeleteOutputs(OutputFolder(), stem);
}

TEST_F(Conversion, FiveClipsOnTwoThreadsWithOneBroken) {
  for (const char* f : {"conv_long.mp4", "conv_long2.mp4", "conv_a2.mp4", "conv_half.mp4", "conv_b3.mp4"})
    AddFile(Fixture(f));
  Convert();
  // Both threads at work: the first two outputs grow side by side.
  const std::string a = OutputFolder() + "\\conv_long.mp4", b = OutputFolder() + "\\conv_long2.mp4";
  EXPECT_TRUE(drv::WaitUntil(
      [&] { return FileSize(a) > 50000 && FileSize(b) > 50000 && Duration(a) < 0 && Duration(b) < 0; }, 60000));
  // The broken clip's error comes up while the others go on.
  HWND error = drv::WaitWindow(u"TErrorForm", 120000);
  ASSERT_NE(error, nullptr);
  const RECT er = drv::WindowRect(error);
  drv::Screenshot("conversion-error", &er);
  EXPECT_TRUE(WaitTextAnyFont(er, "Conversion terminated with error", 5000));
  drv::ClickControl("TErrorForm", "spSkinButton1");
  EXPECT_TRUE(drv::WaitWindowGone(u"TErrorForm"));
  EXPECT_TRUE(RowShows(5, "100%", 120000));
  drv::Screenshot("conversion-five");
  EXPECT_TRUE(RowShows(4, "Failed", 5000));
  for (int row : {1, 2, 3}) EXPECT_TRUE(RowShows(row, "100%", 5000)) << row;
  EXPECT_NEAR(Duration(a), 20.0, 0.1);
  EXPECT_NEAR(Duration(b), 20.0, 0.1);
  EXPECT_NEAR(Duration(OutputFolder() + "\\conv_a2.mp4"), 2.0, 0.1);
  EXPECT_NEAR(Duration(OutputFolder() + "\\conv_b3.mp4"), 3.0, 0.1);
}

// The luma of the output's picture at `seconds`, over the bottom-right
// 198 x 18 corner: its brightest value (the clips are black).
int CornerBrightness(const std::string& windowsPath, double seconds) {
  const std::string cmd = "ffmpeg -v error -ss " + std::to_string(seconds) + " -i '" + Unix(windowsPath) +
                          "' -frames:v 1 -vf \"crop=198:18:iw-198:ih-18,format=gray\" -f rawvideo - | od -An -tu1 -v";
  std::istringstream in(fixtures::Output(cmd));
  int best = -1;
  for (int v; in >> v;) best = std::max(best, v);
  return best;
}

BEFORE_PROGRAM_START(Conversion, PromotionalPictureMarksTheLastTenSeconds) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_black15");
  DeleteOutputs(OutputFolder(), "conv_black10");
}

TEST_F(Conversion, PromotionalPictureMarksTheLastTenSeconds) {
  AddFile(Fixture("conv_black15.mp4"));
  AddFile(Fixture("conv_black10.mp4"));
  Convert();
  EXPECT_TRUE(RowShows(1, "100%", 120000));
  EXPECT_TRUE(RowShows(2, "100%", 120000));
  const std::string fifteen = OutputFolder() + "\\conv_black15.mp4", ten = OutputFolder() + "\\conv_black10.mp4";
  for (double t : {1.0, 5.0, 9.8}) EXPECT_LT(CornerBrightness(fifteen, t), 60) << t;
  for (double t : {10.5, 12.0, 14.9}) EXPECT_GT(CornerBrightness(fifteen, t), 150) << t;
  for (double t : {0.5, 5.0, 9.9}) EXPECT_LT(CornerBrightness(ten, t), 60) << t;
}

}  // namespace
