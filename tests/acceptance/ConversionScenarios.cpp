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

#include "acceptance/ConversionSteps.h"
#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "app/main/ToolSwitches.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

namespace {

using namespace convsteps;

// ---- media made for these scenarios ----

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

std::string RecorderFile() { return Unix(session::ShutdownRecordFile()); }

int RecordedRequests() {
  std::ifstream in(RecorderFile());
  int lines = 0;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) ++lines;
  return lines;
}

class Conversion : public ScenarioWithMedia<ConversionFixtures> {};

// ---- scenarios ----

BEFORE_PROGRAM_START(Conversion, OneClipConvertsToTheDefaultFormat) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_4s");
}

TEST_F(Conversion, OneClipConvertsToTheDefaultFormat) {
  AddFile(Fixture("conv_4s.mp4"));
  // A first start has the catalogue's default format current: MP4 with
  // H.264 and AAC at 640 x 480 (the 320 x 240 clip is scaled up to it).
  EXPECT_TRUE(WaitTextAnyFont(drv::WaitControl("MainForm", "imgProfileField"), "MP4 (H.264/AAC)", 5000))
      << drv::Screenshot("conversion-default-format");
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
  ASSERT_TRUE(drv::WaitUntil([&] { return FileSize(Incomplete(out)) > 100000; }, 60000));
  // The process time counts the encoder's work while it runs (so that the
  // idle reading below means something).
  const double busy0 = ProcessCpuSeconds();
  EXPECT_TRUE(drv::WaitUntil([&] { return ProcessCpuSeconds() - busy0 > 0.3; }, 5000));

  // Pause from the Actions menu: the row shows "Paused" within half a
  // second of the click (the item acts when the button comes up).
  drv::ClickMenu({"Actions1"});
  RECT item{};
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::PopupItemRect("Pause1", item); }));
  const auto clicked = std::chrono::steady_clock::now() + std::chrono::milliseconds(80);
  drv::ClickCenter(item);
  drv::MoveTo(2, 2);
  double shownAfter = -1;
  while (shownAfter < 0) {
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - clicked).count();
    if (ShowsTextAnyFont(StatusCell(1), "Paused", true)) shownAfter = now;
    else if (now > 3) break;
  }
  drv::Screenshot("conversion-paused");
  EXPECT_GE(shownAfter, 0.0) << "the row never showed Paused";
  EXPECT_LE(shownAfter, 0.5);
  // A paused run does no work: the output stops growing and the process
  // stays nearly idle.
  const int64_t size = FileSize(Incomplete(out));
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  drv::Pause(2000);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT((ProcessCpuSeconds() - cpu0) / wall, 0.05);
  EXPECT_EQ(FileSize(Incomplete(out)), size);
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
  ASSERT_TRUE(drv::WaitUntil([&] { return FileSize(Incomplete(out)) > 100000; }, 60000));
  StopRun();
  EXPECT_TRUE(RowShows(1, "Cancelled", 30000));
  drv::Screenshot("conversion-stopped");
  // A stopped task leaves no file that could pass for the conversion.
  EXPECT_EQ(FileSize(out), -1);
  EXPECT_EQ(FileSize(Incomplete(out)), -1);
  EXPECT_EQ(Bytes("conv_long.mp4"), before);
}

BEFORE_PROGRAM_START(Conversion, ShutdownIsRequestedAfterTheSettingsWereSaved) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "conv_a2");
  DeleteOutputs(OutputFolder(), "conv_long");
}

// The program's shutdown requests go to the file its tool switch names
// instead of the system. Fails the scenario before anything could shut the
// session down.
void RecordShutdownRequests() {
  ASSERT_EQ(session::ShutdownRecordFile(), ToolSwitch(ShutdownRecordSwitch));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(session::ShutdownRecordFile()).c_str()));
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
  ASSERT_TRUE(drv::WaitUntil([] { return FileSize(Incomplete(OutputFolder() + "\\conv_long.mp4")) > 100000; }, 60000));
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

// The joined output and its parts in folders of this scenario's own.
const char* const kJoinFolder = "c:\\tess_join_out";
const char* const kJoinTemp = "c:\\tess_join_temp";

BEFORE_PROGRAM_START(Conversion, JoinAllMakesOneFileOfTheCheckedRows) {
  session::ForgetSettings();
  for (const char* folder : {kJoinFolder, kJoinTemp}) {
    CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder).c_str()), nullptr);
    for (const std::string& name : FolderNames(folder))
      DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(std::string(folder) + "\\" + name).c_str()));
  }
  SetUserString(u"Software\\Brenlowe\\Tessavane", u"TempFilesFolder", kJoinTemp);
}

TEST_F(Conversion, JoinAllMakesOneFileOfTheCheckedRows) {
  // The last clip is the longest: the parts of the others are done while
  // it is still converted.
  for (const char* f : {"conv_a2.mp4", "conv_4s.mp4", "conv_b3.mp4", "conv_long.mp4"}) AddFile(Fixture(f));
  drv::ClickCenter(CheckCell(2));  // the second row stays out
  drv::ClickControl("MainForm", "edDestinationFolder");
  drv::Key(VK_HOME);
  drv::Key(VK_END, false, false, true);
  drv::Type(kJoinFolder);
  drv::ClickMenu({"Actions1", "Joinall1"});
  Answer("Yes");
  Convert();
  // A converted part is not shown complete before the join; the join
  // itself is shown on every checked row.
  EXPECT_TRUE(RowShowsNumber(1, "99.00%", 60000));
  EXPECT_TRUE(RowShowsNumber(3, "99.00%", 5000));
  drv::Screenshot("conversion-join-parts");
  for (int row : {1, 3, 4}) EXPECT_TRUE(RowShows(row, "Joining...", 60000)) << row;
  drv::Screenshot("conversion-joining");
  const std::string out = std::string(kJoinFolder) + "\\All Media Joined in One.mp4";
  ASSERT_TRUE(drv::WaitUntil([&] { return Duration(out) > 0; }, 120000));
  for (int row : {1, 3, 4}) EXPECT_TRUE(RowShows(row, "100%", 60000)) << row;
  drv::Screenshot("conversion-joined");
  EXPECT_NEAR(Duration(out), 2.0 + 3.0 + 20.0, 0.2);
  // One output and nothing else.
  const std::vector<std::string> names = FolderNames(kJoinFolder);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "All Media Joined in One.mp4"}));

  // Unjoin All gives the rows their own titles back.
  drv::ClickMenu({"Actions1", "Joinall1"});
  Answer("Yes");
  const RECT t = TableRect();
  const RECT title{t.left + 40, t.top + 18, t.left + 240, t.top + 18 * 5};
  for (const char* name : {"conv_a2", "conv_4s", "conv_b3", "conv_long"})
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
      [&] { return FileSize(Incomplete(a)) > 50000 && FileSize(Incomplete(b)) > 50000 && Duration(a) < 0 && Duration(b) < 0; },
      60000));
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
