// DVD titles, downloads and recordings, reached from the main window the
// way a person reaches them.
#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "support/gtest.h"

#include <windows.h>
#include <winioctl.h>
#define WINE_MOUNTMGR_EXTENSIONS
#include <ddk/mountmgr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/input/VfwCapture.h"
#include "app/input/VfwSyntheticCamera.h"
#include "app/input/WaveCapture.h"
#include "app/input/WaveInSynthetic.h"
#include "engine/FFLog.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"

namespace {

// ---- the test prefix's drives ----

// Maps a letter of the test prefix to a Unix folder as a CD-ROM drive (or,
// with an empty folder name, removes the letter) through the system's
// mount manager, as the prefix's configuration tool does.
bool DefineDrive(char letter, const std::string& unixFolder) {
  HANDLE mgr = CreateFileW(MOUNTMGR_DOS_DEVICE_NAME, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(sizeof(mountmgr_unix_drive) + unixFolder.size() + 1, 0);
  auto* d = reinterpret_cast<mountmgr_unix_drive*>(buffer.data());
  d->size = static_cast<ULONG>(buffer.size());
  d->letter = static_cast<WCHAR>(std::tolower(letter));
  d->type = unixFolder.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_CDROM;
  d->fs_type = MOUNTMGR_FS_TYPE_ISO9660;
  if (!unixFolder.empty()) {
    d->mount_point_offset = sizeof(mountmgr_unix_drive);
    std::memcpy(buffer.data() + d->mount_point_offset, unixFolder.c_str(), unixFolder.size() + 1);
  }
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(mgr, IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(mgr);
  return ok != FALSE;
}

// The letters the scenarios map; removed again when a scenario ends, so
// that the next program in the prefix sees none of them.
constexpr char kDvdDrive = 'R', kSecondDrive = 'S';
struct TDrivesGone {
  ~TDrivesGone() {
    DefineDrive(kDvdDrive, "");
    DefineDrive(kSecondDrive, "");
  }
};

// A DVD authored at test time: three titles (3 s; 6 s in two chapters;
// 4 s with two AC-3 tracks, 440 and 880 Hz, and a subtitle track).
const std::vector<fixtures::TFixture>& DvdFixture() {
  static const std::string command =
      "set -e; w={dir}/accdvdwork; rm -rf $w {dir}/accdvd; mkdir -p $w {dir}/emptydvd; cd $w; " +
      fixtures::DvdClips() +
      "ffmpeg -v error -y -f lavfi -i color=c=black@0.0:s=160x32,format=rgba -vf "
      "drawbox=x=8:y=8:w=100:h=12:color=white@1.0:t=fill -frames:v 1 sub.png; "
      "printf '<subpictures><stream><spu start=\"00:00:00.5\" end=\"00:00:03.0\" image=\"sub.png\"/>"
      "</stream></subpictures>' > sub.xml; "
      "(spumux -s 0 sub.xml < c3.mpg > c3s.mpg 2>/dev/null && mv c3s.mpg c3.mpg) || true; " +
      fixtures::DvdTitles("accdvd") + "cd {dir}; rm -rf $w; touch {out}";
  static const std::vector<fixtures::TFixture> set = {{"accdvd.done", command.c_str()}};
  return set;
}

std::string DriveRoot(char letter) { return std::string(1, letter) + ":\\"; }

// ---- the screen ----

// How many rows of the item table show a title: rows of 18 pixels under
// the 18-pixel header, with dark letters in the title column.
int TitledRows(const RECT& table) {
  const std::vector<unsigned> px = drv::Grab(table);
  const int w = table.right - table.left, h = table.bottom - table.top;
  int rows = 0;
  for (int top = 18; top + 18 <= h; top += 18) {
    int ink = 0;
    for (int y = top + 2; y < top + 16; ++y)
      for (int x = 45; x < std::min(w, 235); ++x) {
        const unsigned c = px[static_cast<size_t>(y * w + x)];
        if (((c >> 16 & 255) + (c >> 8 & 255) + (c & 255)) / 3 < 90) ++ink;
      }
    if (ink < 5) break;
    ++rows;
  }
  return rows;
}
// Which of the first rows show their check mark ticked.
std::vector<bool> TickedRows(const RECT& table, int rows) {
  const std::vector<unsigned> px = drv::Grab(table);
  const int w = table.right - table.left;
  std::vector<bool> ticked;
  for (int r = 1; r <= rows; ++r) {
    int ink = 0;
    for (int y = r * 18 + 2; y < r * 18 + 16; ++y)
      for (int x = 2; x < 38; ++x) {
        const unsigned c = px[static_cast<size_t>(y * w + x)];
        if (((c >> 16 & 255) + (c >> 8 & 255) + (c & 255)) / 3 < 90) ++ink;
      }
    ticked.push_back(ink >= 6);
  }
  return ticked;
}

bool WaitRows(const RECT& table, int rows, int timeoutMs = 30000) {
  return drv::WaitUntil([&] { return TitledRows(table) == rows; }, timeoutMs);
}

RECT Rect(const std::string& form, const std::string& control) { return drv::WaitControl(form, control); }

RECT WholeWindow(const std::u16string& className) {
  HWND h = drv::WaitWindow(className);
  return h ? drv::WindowRect(h) : RECT{};
}

// How many lines of a text area hold letters (runs of rows with dark ink
// between blank rows).
int InkedLines(const RECT& area) {
  const std::vector<unsigned> px = drv::Grab(area);
  const int w = area.right - area.left, h = area.bottom - area.top;
  int lines = 0;
  bool inLine = false;
  for (int y = 2; y < h - 2; ++y) {
    int ink = 0;
    for (int x = 4; x < w - 20; ++x) {
      const unsigned c = px[static_cast<size_t>(y * w + x)];
      if (((c >> 16 & 255) + (c >> 8 & 255) + (c & 255)) / 3 < 110) ++ink;
    }
    if (ink > 0 && !inLine) ++lines;
    inLine = ink > 0;
  }
  return lines;
}

// Opens the Add Clip menu by the arrow of its button and clicks an item.
void AddClip(const std::string& item) {
  const RECT b = drv::WaitControl("MainForm", "spSkinMenuSpeedButton1");
  drv::Click(b.right - 5, (b.top + b.bottom) / 2);
  drv::ClickPopupItem(item);
}

// Answers the shown message box with its button of that caption.
bool AnswerMessage(const std::string& question, const char* button) {
  HWND box = drv::WaitWindow(u"TspMessageForm");
  if (!box) return false;
  const RECT r = drv::WindowRect(box);
  drv::Pause(300);
  drv::Screenshot("message", &r);
  RECT text = r;
  drv::ControlRect("TspMessageForm", "Message", text);
  const bool shown = question.empty() || drv::WaitUntil([&] {
    return drv::ShowsText(text, question) || drv::ShowsText(text, question, "Microsoft Sans Serif", 9) ||
           drv::ShowsText(text, question, "Tahoma", 8) || drv::ShowsText(text, question, "Tahoma", 9);
  }, 10000);
  EXPECT_TRUE(shown) << question;
  RECT b;
  if (!drv::ControlRect("TspMessageForm", button, b)) return false;
  drv::ClickCenter(b);
  return drv::WaitWindowGone(u"TspMessageForm");
}

// ---- the downloader's loopback site ----

std::string Media(const char* name) { return fixtures::ReadAll(fixtures::UnixPath(name)); }

// The downloader's unattended script (the file the program's tool switch
// names): fetch the lines' addresses, answer with `answer` (or with the
// names saved when it is empty).
void WriteDownloaderScript(const std::vector<std::string>& lines) {
  std::ofstream out(ToNativePath(session::DownloaderScriptFile()), std::ios::binary | std::ios::trunc);
  for (const std::string& l : lines) out << l << "\r\n";
}

// A loopback web site serving the files of a fixture folder, run by the
// system's Python in a process of its own for the rest of the scenario's
// process; it writes the port it took and counts the requests in its log.
class TLoopbackSite {
public:
  TLoopbackSite() {
    const std::string dir = fixtures::UnixPath("site");
    fixtures::Run("rm -rf '" + dir + "'; mkdir -p '" + dir + "'");
    const std::string script =
        "import http.server,socketserver,sys,os\n"
        "os.chdir(sys.argv[1])\n"
        "class H(http.server.SimpleHTTPRequestHandler):\n"
        "  def log_message(self,*a):\n"
        "    open(sys.argv[1]+'/../site.log','a').write('request\\n')\n"
        "s=socketserver.TCPServer(('127.0.0.1',0),H)\n"
        "open(sys.argv[1]+'/../site.port','w').write(str(s.server_address[1]))\n"
        "s.serve_forever()\n";
    std::ofstream(fixtures::UnixPath("site.py")) << script;
    fixtures::Run("rm -f '" + fixtures::UnixPath("site.port") + "' '" + fixtures::UnixPath("site.log") + "'");
    fixtures::Run("python3 '" + fixtures::UnixPath("site.py") + "' '" + dir + "' </dev/null >/dev/null 2>&1 & echo $! > '" +
                  fixtures::UnixPath("site.pid") + "'");
    drv::WaitUntil([] { return !fixtures::ReadAll(fixtures::UnixPath("site.port")).empty(); }, 10000);
    FPort = std::atoi(fixtures::ReadAll(fixtures::UnixPath("site.port")).c_str());
  }
  ~TLoopbackSite() {
    const std::string pid = fixtures::ReadAll(fixtures::UnixPath("site.pid"));
    if (std::atoi(pid.c_str()) > 0) fixtures::Run("kill " + std::to_string(std::atoi(pid.c_str())));
  }
  int Port() const { return FPort; }
  void Route(const std::string& path, const std::string& body) {
    std::ofstream(fixtures::UnixPath("site") + path, std::ios::binary) << body;
  }
  int Requests() const {
    const std::string log = fixtures::ReadAll(fixtures::UnixPath("site.log"));
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }

private:
  int FPort = 0;
};

TLoopbackSite* Site() {
  static TLoopbackSite site;
  return &site;
}

// ---- recordings ----

// The sound device of the recordings: a 440 Hz tone in real time from the
// moment the recorder starts it.
class TPacedTone : public TSyntheticWaveIn {
public:
  TPacedTone() : TSyntheticWaveIn(1, 440.0) {}
  unsigned Start(void* handle) override {
    const unsigned r = TSyntheticWaveIn::Start(handle);
    if (r == 0) StartPaced();
    return r;
  }
};

// The program's Temp folder for these scenarios: one of their own, as the
// default one lies in the Documents folder that other programs of the
// machine may share (and empty when they close).
std::string TempFolderPath() { return fixtures::WindowsPath("media-input-temp"); }

void UsePrivateTempFolder() {
  const std::string unix = fixtures::UnixPath("media-input-temp");
  fixtures::Run("rm -rf '" + unix + "'; mkdir -p '" + unix + "'");
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"), 0, nullptr, 0,
                  KEY_WRITE, nullptr, &key, nullptr);
  const std::u16string value = UTF8ToUTF16(TempFolderPath());
  RegSetValueExW(key, reinterpret_cast<LPCWSTR>(u"TempFilesFolder"), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>((value.size() + 1) * 2));
  RegCloseKey(key);
}

// The newest recording in the program's Temp folder (Unix path), or "".
std::string Recording() {
  WIN32_FIND_DATAW fd{};
  const std::string folder = TempFolderPath();
  HANDLE find = FindFirstFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "\\Record *.mp4").c_str()), &fd);
  if (find == INVALID_HANDLE_VALUE) return "";
  std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(fd.cFileName));
  FindClose(find);
  const std::u16string windows = UTF8ToUTF16(folder + "\\" + name);
  char* unix = wine_get_unix_file_name(reinterpret_cast<LPCWSTR>(windows.c_str()));
  if (!unix) return "";
  std::string path = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return path;
}

double Probe(const std::string& file, const char* stream, const char* entry) {
  const std::string out = fixtures::Output(std::string("ffprobe -v error -select_streams ") + stream +
                                           " -count_frames -show_entries stream=" + entry +
                                           " -of default=nw=1:nk=1 '" + file + "'");
  return std::atof(out.c_str());
}

int ProbeInt(const std::string& file, const char* entry) {
  return std::atoi(fixtures::Output(std::string("ffprobe -v error -select_streams v:0 -show_entries stream=") + entry +
                                    " -of default=nw=1:nk=1 '" + file + "'").c_str());
}

// Opens the recorder from the File menu (its item is hidden at start-up)
// and picks the source by the keyboard in its list.
void OpenRecorder(int source) {
  drv::Reveal("MainForm", "RecordVideo1");
  drv::ClickMenu({"File1", "RecordVideo1"});
  RECT record;
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::ControlRect("RecForm", "btRecord", record); }));
  if (source == 0) return;
  drv::ClickControl("RecForm", "spSkinComboBox1");
  drv::Pause(300);
  for (int i = 0; i < source; ++i) drv::Key(VK_DOWN);
  drv::Key(VK_RETURN);
  drv::Pause(300);
}

class MediaInput : public ::testing::Test {
protected:
  void SetUp() override { session::WaitForProgram(); }
  TDrivesGone drivesGone;
};

// ---------------------------------------------------------------- DVD

BEFORE_PROGRAM_START(MediaInput, ADvdReplacesTheTableByItsTitles) {
  UsePrivateTempFolder();
  ASSERT_TRUE(fixtures::Ensure(DvdFixture()));
  ASSERT_TRUE(fixtures::EnsureStandard());
  ASSERT_TRUE(DefineDrive(kDvdDrive, fixtures::UnixPath("accdvd")));
  const int port = Site()->Port();
  Site()->Route("/clip.mp4", Media("clip_h264_aac.mp4"));
  WriteDownloaderScript({"url http://127.0.0.1:" + std::to_string(port) + "/clip.mp4 clip.mp4"});
}

TEST_F(MediaInput, ADvdReplacesTheTableByItsTitles) {
  // One drive: Load DVD opens it at once.
  AddClip("DVDVideo1");
  const RECT table = Rect("MainForm", "sgList");
  const bool titles = WaitRows(table, 3);
  drv::Screenshot("dvd-titles");
  ASSERT_TRUE(titles);
  // The longest title (the second, 6 s) is the one checked.
  EXPECT_EQ((std::vector<bool>{false, true, false}), TickedRows(table, 3));

  // The DVD's text in the DVD Info window, from the table's menu.
  RECT row = table;
  row.top += 18 + 18 + 4;
  row.bottom = row.top + 10;
  drv::Click((row.left + row.right) / 2, row.top, true);
  drv::ClickPopupItem("MenuItem12");
  const RECT info = WholeWindow(u"TDVDInfoForm");
  // Its memo holds the titles' text: line after line of letters.
  EXPECT_GE(InkedLines(Rect("TDVDInfoForm", "Memo1")), 10);
  drv::Screenshot("dvd-info", &info);
  drv::ClickControl("TDVDInfoForm", "OKButton");
  EXPECT_TRUE(drv::WaitWindowGone(u"TDVDInfoForm"));

  // The longest title is selected: its audio list offers both tracks.
  drv::Reveal("MainForm", "cboAudio");
  const RECT audio = Rect("MainForm", "cboAudio");
  drv::Screenshot("dvd-audio", &audio);

  // Back to files: the question, and on Yes the titles give way.
  AddClip("YouTubeVideo1");
  ASSERT_TRUE(AnswerMessage("You are going to open the different type of media.", "Yes"));
  EXPECT_TRUE(WaitRows(table, 1));
  drv::Screenshot("dvd-then-files");
}

BEFORE_PROGRAM_START(MediaInput, TwoDrivesOfferTheDeviceMenuAndAnEmptyOneHasNoTitles) {
  UsePrivateTempFolder();
  ASSERT_TRUE(fixtures::Ensure(DvdFixture()));
  ASSERT_TRUE(DefineDrive(kDvdDrive, fixtures::UnixPath("accdvd")));
  ASSERT_TRUE(DefineDrive(kSecondDrive, fixtures::UnixPath("emptydvd")));
}

TEST_F(MediaInput, TwoDrivesOfferTheDeviceMenuAndAnEmptyOneHasNoTitles) {
  drv::ClickMenu({"File1", "LoadDVD1"});
  drv::ClickPopupItem("DVDDeviceItem");
  drv::Screenshot("dvd-devices");
  drv::ClickPopupItem("DVDDrive2");
  ASSERT_TRUE(AnswerMessage("No DVD title(s) found. Common reason: invalid DVD.", "OK"));
  // The table is unchanged: no titles.
  EXPECT_EQ(0, TitledRows(Rect("MainForm", "sgList")));
}

// ---------------------------------------------------------------- download

BEFORE_PROGRAM_START(MediaInput, DownloadAddsTheSavedFilesAndRefusesNamesOutsideTemp) {
  UsePrivateTempFolder();
  ASSERT_TRUE(fixtures::EnsureStandard());
  const int port = Site()->Port();
  Site()->Route("/first.mp4", Media("clip_h264_aac.mp4"));
  Site()->Route("/second.mp4", Media("clip_h264_aac.mp4"));
  const std::string at = "http://127.0.0.1:" + std::to_string(port);
  WriteDownloaderScript({"url " + at + "/first.mp4 first.mp4", "url " + at + "/second.mp4 second.mp4",
                         "result first.mp4|..\\outside.mp4|second.mp4|"});
  // A file the refused name would reach, beside the Temp folder.
  fixtures::Run("cp '" + fixtures::UnixPath("clip_h264_aac.mp4") + "' '" + fixtures::UnixPath("outside.mp4") + "'");
}

TEST_F(MediaInput, DownloadAddsTheSavedFilesAndRefusesNamesOutsideTemp) {
  AddClip("YouTubeVideo1");
  const RECT table = Rect("MainForm", "sgList");
  const bool added = WaitRows(table, 2);
  drv::Screenshot("downloaded");
  ASSERT_TRUE(added);
  // The refused name added no third row.
  drv::Pause(1000);
  EXPECT_EQ(2, TitledRows(table));
  EXPECT_EQ(2, Site()->Requests());
  drv::Screenshot("downloaded");
}

// ---------------------------------------------------------------- recordings

BEFORE_PROGRAM_START(MediaInput, AFullScreenRecordingWithSoundKeepsBothTracksOfOneLength) {
  UsePrivateTempFolder();
  static TPacedTone tone;
  SetWaveInDevices(&tone);
}

TEST_F(MediaInput, AFullScreenRecordingWithSoundKeepsBothTracksOfOneLength) {
  OpenRecorder(0);
  drv::ClickControl("RecForm", "ochRecordAudio");
  drv::Screenshot("recorder");
  drv::ClickControl("RecForm", "btRecord");
  // Ten seconds of desktop with one pause in the middle, by the hot keys.
  drv::Pause(5000);
  drv::Key('P', true, true);
  drv::Pause(2000);
  drv::Key('P', true, true);
  drv::Pause(5000);
  drv::Key('D', true, true);
  const RECT table = Rect("MainForm", "sgList");
  const bool loaded = WaitRows(table, 1, 60000);
  drv::Screenshot("recorded");
  ASSERT_TRUE(loaded);
  const std::string file = Recording();
  ASSERT_FALSE(file.empty());
  const double frames = Probe(file, "v:0", "nb_read_frames");
  const double video = Probe(file, "v:0", "duration"), sound = Probe(file, "a:0", "duration");
  EXPECT_NEAR(50.0, frames, 2.0);
  EXPECT_NEAR(video, sound, 0.1) << "video " << video << " s, sound " << sound << " s";
}

BEFORE_PROGRAM_START(MediaInput, ARegionChosenWithThePickerGivesThatSize) { UsePrivateTempFolder(); }

TEST_F(MediaInput, ARegionChosenWithThePickerGivesThatSize) {
  OpenRecorder(1);
  drv::Screenshot("recorder-region");
  drv::ClickControl("RecForm", "btRecord");
  HWND picker = drv::WaitWindow(u"TFreeHandWindow");
  ASSERT_NE(nullptr, picker);
  drv::Pause(500);
  drv::Drag(POINT{200, 150}, POINT{521, 391}, 12);
  drv::Pause(3000);
  drv::Key('D', true, true);
  const RECT table = Rect("MainForm", "sgList");
  const bool loaded = WaitRows(table, 1, 60000);
  drv::Screenshot("recorded-region");
  ASSERT_TRUE(loaded);
  const std::string file = Recording();
  ASSERT_FALSE(file.empty());
  // The dragged rectangle, 321 x 241, made even for the encoder.
  EXPECT_EQ(320, ProbeInt(file, "width"));
  EXPECT_EQ(240, ProbeInt(file, "height"));
}

BEFORE_PROGRAM_START(MediaInput, TheSyntheticWebcamRecords) {
  UsePrivateTempFolder();
  static TSyntheticCamera camera(320, 240);
  SetVfwDrivers({&camera});
}

TEST_F(MediaInput, TheSyntheticWebcamRecords) {
  OpenRecorder(2);
  drv::ClickControl("RecForm", "btRecord");
  RECT stop;
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::ControlRect("RecForm", "btStop", stop); }, 15000));
  drv::Pause(3000);
  drv::Screenshot("recording-webcam");
  drv::ClickControl("RecForm", "btStop");
  const RECT table = Rect("MainForm", "sgList");
  const bool loaded = WaitRows(table, 1, 60000);
  drv::Screenshot("recorded-webcam");
  ASSERT_TRUE(loaded);
  const std::string file = Recording();
  ASSERT_FALSE(file.empty());
  EXPECT_GT(Probe(file, "v:0", "nb_read_frames"), 5.0);
  // The pictures are the camera's, one after the other: its bright bar
  // stands at a new column in picture after picture (8 columns further at
  // each of its frames), not one picture repeated.
  const int w = ProbeInt(file, "width"), h = ProbeInt(file, "height");
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  const std::string raw = fixtures::Output("ffmpeg -v error -i '" + file + "' -vf format=gray -f rawvideo -");
  const size_t frameBytes = static_cast<size_t>(w) * static_cast<size_t>(h);
  std::vector<int> columns;
  for (size_t at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
    const unsigned char* row = reinterpret_cast<const unsigned char*>(raw.data()) + at + frameBytes / 2;
    int bright = -1;
    for (int x = 0; x < w && bright < 0; ++x)
      if (row[x] > 150) bright = x;
    columns.push_back(bright);
  }
  int moves = 0;
  for (size_t i = 1; i < columns.size(); ++i) moves += columns[i] >= 0 && columns[i - 1] >= 0 && columns[i] != columns[i - 1];
  EXPECT_GE(moves, 10) << columns.size() << " pictures";
}

BEFORE_PROGRAM_START(MediaInput, WithoutACameraTheRecorderSaysSo) { UsePrivateTempFolder(); }

TEST_F(MediaInput, WithoutACameraTheRecorderSaysSo) {
  OpenRecorder(2);
  drv::ClickControl("RecForm", "btRecord");
  HWND box = drv::WaitWindow(u"TspMessageForm");
  ASSERT_NE(nullptr, box);
  drv::Pause(300);
  const RECT r = drv::WindowRect(box);
  drv::Screenshot("no-camera", &r);
  // Answered by the keyboard: the box comes up from inside the Record
  // button's click.
  drv::Pause(500);
  drv::Key(VK_RETURN);
  const bool gone = drv::WaitWindowGone(u"TspMessageForm");
  drv::Screenshot("no-camera-after");
  EXPECT_TRUE(gone);
  // The recorder closed and nothing was added.
  RECT record;
  EXPECT_TRUE(drv::WaitUntil([&] { return !drv::ControlRect("RecForm", "btRecord", record); }, 10000));
  EXPECT_EQ(0, TitledRows(Rect("MainForm", "sgList")));
}

}  // namespace
