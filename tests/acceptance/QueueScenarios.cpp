// The queue with the user's files at stake: rows whose titles are equal,
// sound-only sources with the default video format, a source whose name
// has blanks, a comma and letters outside ASCII, a broken source, and a
// stop that must leave the files of the rows it did not finish alone.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acceptance/ConversionSteps.h"
#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

namespace {

using namespace convsteps;

const char* const kOddName = "q clip, \xC3\xBC\xC3\xA9.mp4";  // "q clip, üé.mp4"

const std::vector<fixtures::TFixture>& QueueFixtures() {
  static const std::vector<fixtures::TFixture> set = [] {
    static std::vector<std::string> commands = {
        "ffmpeg -y -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=1.5 -f lavfi -i "
        "sine=frequency=440:duration=1.5 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest '{out}'",
        Lavfi("testsrc", 2),
        "ffmpeg -y -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi -i "
        "sine=frequency=550:duration=3 -c:v mpeg4 -c:a libmp3lame -shortest {out}",
        "ffmpeg -y -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -ac 2 {out}",
        "ffmpeg -y -v error -f lavfi -i sine=frequency=660:sample_rate=44100:duration=2.5 -ac 2 {out}",
        "ffmpeg -y -v error -f lavfi -i sine=frequency=880:sample_rate=44100:duration=3.5 -ac 2 -c:a aac {out}",
        "ffmpeg -y -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=6 -f lavfi -i "
        "sine=duration=6 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest -movflags +faststart "
        "-f mp4 {dir}/q_fs6.tmp && head -c $(( $(stat -c %s {dir}/q_fs6.tmp) / 2 )) {dir}/q_fs6.tmp > {out}",
        Lavfi("testsrc", 1),
        Lavfi("testsrc", 90, "640x360"),
        Lavfi("testsrc", 90, "640x360")};
    static const char* names[] = {kOddName,      "q_same.mp4",  "q_same.avi",  "q_wav.wav",   "q_flac.flac",
                                  "q_m4a.m4a",   "q_half.mp4",  "q_short.mp4", "q_slow1.mp4", "q_slow2.mp4"};
    std::vector<fixtures::TFixture> v;
    for (size_t i = 0; i < commands.size(); ++i) v.push_back({names[i], commands[i].c_str()});
    return v;
  }();
  return set;
}

class Queue : public ScenarioWithMedia<QueueFixtures> {};

std::string Out(const std::string& name) { return OutputFolder() + "\\" + name; }

// Names in the output folder that mark a file still being written.
std::vector<std::string> IncompleteNames() {
  std::vector<std::string> found;
  for (const std::string& n : FolderNames(OutputFolder()))
    if (n.find(".incomplete") != std::string::npos) found.push_back(n);
  return found;
}

void WriteBytes(const std::string& windowsPath, const std::string& bytes) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(windowsPath).c_str()), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadBytes(const std::string& windowsPath) { return fixtures::ReadAll(Unix(windowsPath)); }

void TwoThreads() {
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const DWORD no = 0, two = 2;
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"UseAllCPUs"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&no), 4);
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"CustomCPUNumber"), 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&two), 4);
  RegCloseKey(key);
}

BEFORE_PROGRAM_START(Queue, EveryRowOfAMixedBatchGetsAnOutputOfItsOwn) {
  session::ForgetSettings();
  TwoThreads();
  for (const char* stem : {"q clip, \xC3\xBC\xC3\xA9", "q_same", "q_same (2)", "q_wav", "q_flac", "q_m4a", "q_half"})
    DeleteOutputs(OutputFolder(), stem);
}

// Rows: a video whose name has blanks, a comma and letters outside ASCII;
// two sources titled alike ("q_same"); a WAV, a FLAC and an M4A, all with
// the default format (MP4, H.264/AAC); last a source that breaks mid-way.
TEST_F(Queue, EveryRowOfAMixedBatchGetsAnOutputOfItsOwn) {
  for (const char* f : {kOddName, "q_same.mp4", "q_same.avi", "q_wav.wav", "q_flac.flac", "q_m4a.m4a", "q_half.mp4"})
    AddFile(Fixture(f));
  Convert();
  // The broken row's error names the file; the other rows go on.
  HWND error = drv::WaitWindow(u"TErrorForm", 120000);
  ASSERT_NE(error, nullptr) << drv::Screenshot("queue-no-error");
  const RECT er = drv::WindowRect(error);
  drv::Screenshot("queue-error", &er);
  EXPECT_TRUE(WaitTextAnyFont(er, "q_half.mp4", 5000));
  drv::ClickControl("TErrorForm", "spSkinButton1");
  ASSERT_TRUE(drv::WaitWindowGone(u"TErrorForm"));
  EXPECT_TRUE(RowShows(6, "100%", 120000));
  for (int row = 1; row <= 5; ++row) EXPECT_TRUE(RowShows(row, "100%", 10000)) << row;
  EXPECT_TRUE(RowShows(7, "Failed", 5000));
  drv::Screenshot("queue-mixed-batch");
  // No other error came up.
  EXPECT_EQ(drv::FindShownWindow(u"TErrorForm"), nullptr);

  // The odd name converts, not only loads.
  const std::string odd = Out("q clip, \xC3\xBC\xC3\xA9.mp4");
  EXPECT_EQ(Probe(odd, "stream=codec_name", "v:0"), "h264");
  EXPECT_NEAR(Duration(odd), 1.5, 0.1);
  // Equal titles: two complete files of two names, one from each source.
  const double a = Duration(Out("q_same.mp4")), b = Duration(Out("q_same (2).mp4"));
  EXPECT_NEAR(std::min(a, b), 2.0, 0.1);
  EXPECT_NEAR(std::max(a, b), 3.0, 0.1);
  // Sound-only sources: sound-only outputs of their own lengths.
  const struct {
    const char* name;
    double seconds;
  } sounds[] = {{"q_wav.mp4", 2.0}, {"q_flac.mp4", 2.5}, {"q_m4a.mp4", 3.5}};
  for (const auto& s : sounds) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(Probe(Out(s.name), "stream=codec_name", "a:0"), "aac");
    EXPECT_EQ(Probe(Out(s.name), "stream=codec_type"), "audio");
    EXPECT_NEAR(Duration(Out(s.name)), s.seconds, 0.1);
  }
  // The broken source leaves nothing that looks like a result.
  EXPECT_EQ(FindOutput(OutputFolder(), "q_half"), "");
  EXPECT_EQ(IncompleteNames(), std::vector<std::string>());
}

BEFORE_PROGRAM_START(Queue, AStopLeavesTheFilesOfUnfinishedRowsAsTheyWere) {
  session::ForgetSettings();
  TwoThreads();
  DeleteOutputs(OutputFolder(), "q_short");
  for (const std::string& n : IncompleteNames())
    DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(Out(n)).c_str()));
  WriteBytes(Out("q_slow1.mp4"), "the user's first file");
  WriteBytes(Out("q_slow2.mp4"), "the user's second file");
}

// Three rows on two threads: the first is done while the second is under
// way, and the third starts in its place. A stop then leaves the files
// that already bore the second and third rows' names as they were, byte
// for byte, and nothing half-written beside them.
TEST_F(Queue, AStopLeavesTheFilesOfUnfinishedRowsAsTheyWere) {
  for (const char* f : {"q_short.mp4", "q_slow1.mp4", "q_slow2.mp4"}) AddFile(Fixture(f));
  Convert();
  EXPECT_TRUE(ReadBytes(Out("q_slow2.mp4")) == "the user's second file");
  // The first row's file takes its name when it is complete; the others
  // are being written beside theirs.
  ASSERT_TRUE(drv::WaitUntil([] { return FileSize(Out("q_short.mp4")) > 0 && FileSize(Incomplete(Out("q_slow1.mp4"))) > 0; },
                             60000));
  StopRun();
  // The finished row stays complete (a later refresh writes it as 100.00%).
  EXPECT_TRUE(RowShows(1, "100%", 3000) || RowShowsNumber(1, "100.00%", 5000)) << drv::Screenshot("queue-stop-first");
  EXPECT_TRUE(RowShows(2, "Cancelled", 30000));
  EXPECT_TRUE(RowShows(3, "Cancelled", 5000));
  drv::Screenshot("queue-stopped");
  EXPECT_TRUE(ReadBytes(Out("q_slow1.mp4")) == "the user's first file");
  EXPECT_TRUE(ReadBytes(Out("q_slow2.mp4")) == "the user's second file");
  EXPECT_EQ(IncompleteNames(), std::vector<std::string>());
  EXPECT_NEAR(Duration(Out("q_short.mp4")), 1.0, 0.1);
}

}  // namespace
