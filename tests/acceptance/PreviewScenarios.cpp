// The preview pane and the output parameters of the main window, driven by
// mouse and keyboard: playing, seeking and stopping a clip, snapshots, the
// parameter grid and saving a custom format.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "app/main/main.h"
#include "framework/Threads.h"
#include "support/gtest.h"

namespace {

// A 20 s clip and a file no player can open, under the names the rows take.
const std::vector<fixtures::TFixture>& PreviewFixtures() {
  static const std::vector<fixtures::TFixture> set{
      {"Clip.mp4",
       "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=320x240:r=25:d=20 -f lavfi -i "
       "sine=f=440:r=44100:d=20 -c:v libx264 -threads 1 -g 25 -pix_fmt yuv420p -c:a aac -ac 2 -shortest {out}"},
      {"Broken.mp4", "head -c 3000 {dir}/Clip.mp4 > {out}"},
  };
  return set;
}

std::string SnapshotFolder() { return drv::DocumentsFolder() + "\\Brenlowe\\Tessavane\\Snapshots"; }

void RemoveFile(const std::string& path) {
  std::u16string w(path.begin(), path.end());
  DeleteFileW(reinterpret_cast<LPCWSTR>(w.c_str()));
}

std::string ReadBytes(const std::string& path) {
  std::u16string w(path.begin(), path.end());
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(w.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(h);
  return bytes;
}

// A JPEG's or BMP's picture size as "width,height" ("" when unreadable).
std::string PictureSize(const std::string& path) {
  const std::string b = ReadBytes(path);
  auto u8 = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(b[i])); };
  if (b.size() > 26 && b[0] == 'B' && b[1] == 'M') {
    const int w = static_cast<int>(u8(18) | u8(19) << 8 | u8(20) << 16 | u8(21) << 24);
    const int h = static_cast<int>(u8(22) | u8(23) << 8 | u8(24) << 16 | u8(25) << 24);
    return std::to_string(w) + "," + std::to_string(h < 0 ? -h : h);
  }
  // JPEG: the first start-of-frame segment.
  for (size_t i = 2; i + 9 < b.size();) {
    if (u8(i) != 0xFF) return {};
    const unsigned marker = u8(i + 1);
    const size_t length = u8(i + 2) << 8 | u8(i + 3);
    if (marker >= 0xC0 && marker <= 0xC2)
      return std::to_string(u8(i + 7) << 8 | u8(i + 8)) + "," + std::to_string(u8(i + 5) << 8 | u8(i + 6));
    i += 2 + length;
  }
  return {};
}

// Opens a file through File > Open video: the name typed into the open
// dialog, then Enter; waits until the loading dialog is gone.
void AddFile(const std::string& windowsPath) {
  drv::ClickMenu({"File1", "Openvideo1"});
  const RECT edit = drv::WaitControl("spOpenDlgForm", "FileNameEdit");
  drv::ClickCenter(edit);
  drv::Type(windowsPath);
  drv::Key(VK_RETURN);
  drv::WaitUntil([] { return drv::FindShownWindow(u"TLoadForm") != nullptr; }, 3000);
  drv::WaitWindowGone(u"TLoadForm", 30000);
}

// A rectangle inset on every side.
RECT Inset(RECT r, int d) {
  r.left += d;
  r.top += d;
  r.right -= d;
  r.bottom -= d;
  return r;
}

std::vector<unsigned> Pixels(const std::string& control) {
  RECT r{};
  if (!drv::ControlRect("MainForm", control, r)) return {};
  return drv::Grab(Inset(r, 2));
}

bool ShowsTime(const RECT& area, const std::string& text) { return drv::ShowsText(area, text); }
bool WaitTime(const RECT& area, const std::string& text, int timeoutMs) {
  return drv::WaitUntil([&] { return ShowsTime(area, text); }, timeoutMs);
}

// True when one of the texts shows in the area.
bool ShowsAny(const RECT& area, const std::vector<std::string>& texts) {
  for (const auto& t : texts)
    if (ShowsTime(area, t)) return true;
  return false;
}

class Preview : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fixtures::Ensure(PreviewFixtures()));
    session::WaitForProgram();
  }

  // The clip in the table, selected, and the right-hand panel shown.
  void OpenClip(const std::string& name = "Clip.mp4") {
    AddFile(fixtures::WindowsPath(name));
    drv::Reveal("MainForm", "spSkinPanel1");
    drv::WaitControl("MainForm", "PlayButton");
  }
};

BEFORE_PROGRAM_START(Preview, PlaysSeeksPausesAndStopsTheSelectedClip) { session::ForgetSettings(); }

TEST_F(Preview, PlaysSeeksPausesAndStopsTheSelectedClip) {
  OpenClip();
  const std::vector<unsigned> before = Pixels("panPreview");
  const DWORD start = GetTickCount();
  drv::ClickControl("MainForm", "PlayButton");
  // The picture comes into the panel.
  ASSERT_TRUE(drv::WaitUntil([&] { return Pixels("panPreview") != before && drv::ColourCount(Inset([] {
                                                RECT r{};
                                                drv::ControlRect("MainForm", "panPreview", r);
                                                return r;
                                              }(), 4)) > 20; },
                             5000))
      << drv::Screenshot("preview-no-picture");
  drv::Screenshot("preview-playing-first");
  const DWORD firstPicture = GetTickCount() - start;
  EXPECT_LE(firstPicture, 1500u);
  drv::Screenshot("preview-playing");

  // The time text and the position bar move.
  const RECT time = drv::WaitControl("MainForm", "lblPlayTime");
  EXPECT_TRUE(WaitTime(time, "00:00:01 / 00:00:20", 5000));
  const RECT bar = drv::WaitControl("MainForm", "VideoTrackBar");
  const std::vector<unsigned> barEarly = drv::Grab(bar);
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::Grab(bar) != barEarly; }, 5000));

  // The thumb dragged to the middle: the preview goes on from 10 s.
  const std::vector<unsigned> grabbed = drv::Grab(bar);
  int thumb = -1;
  {
    // The thumb is where the bar's row differs most from its ends.
    const int w = bar.right - bar.left, h = bar.bottom - bar.top;
    const int y = h / 2;
    for (int x = 0; x < w && thumb < 0; ++x) {
      const unsigned c = grabbed[y * w + x];
      if (((c >> 16) & 255) + ((c >> 8) & 255) + (c & 255) < 3 * 150 && x > 0) thumb = x;
    }
    if (thumb < 0) thumb = 0;
  }
  const POINT from{bar.left + thumb + 2, (bar.top + bar.bottom) / 2};
  const POINT to{(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2};
  drv::Drag(from, to);
  EXPECT_TRUE(drv::WaitUntil([&] { return ShowsAny(time, {"00:00:09 / 00:00:20", "00:00:10 / 00:00:20",
                                                          "00:00:11 / 00:00:20"}); },
                             3000));
  drv::Screenshot("preview-after-seek");

  // Pause: the pause button goes, the picture stands.
  drv::ClickControl("MainForm", "PauseButton");
  drv::Pause(500);
  const std::vector<unsigned> paused = Pixels("panPreview");
  drv::Pause(800);
  EXPECT_EQ(paused, Pixels("panPreview"));
  // Play resumes.
  drv::ClickControl("MainForm", "PlayButton");
  EXPECT_TRUE(drv::WaitUntil([&] { return Pixels("panPreview") != paused; }, 3000));
  // Stop: the bar back at the start and the time text shows the length twice.
  drv::ClickControl("MainForm", "StopButton");
  EXPECT_TRUE(WaitTime(time, "00:00:20 / 00:00:20", 3000));
  drv::Screenshot("preview-stopped");
}

BEFORE_PROGRAM_START(Preview, TheEndOfTheClipStopsThePreviewAsStopDoes) { session::ForgetSettings(); }

TEST_F(Preview, TheEndOfTheClipStopsThePreviewAsStopDoes) {
  OpenClip();
  drv::ClickControl("MainForm", "PlayButton");
  const RECT time = drv::WaitControl("MainForm", "lblPlayTime");
  ASSERT_TRUE(WaitTime(time, "00:00:01 / 00:00:20", 5000));
  // While it plays, the pause button stands in the play button's place.
  RECT pause{};
  EXPECT_TRUE(drv::ControlRect("MainForm", "PauseButton", pause)) << drv::Screenshot("preview-playing-buttons");
  // Close to the end, then the preview stops by itself as Stop does.
  const RECT bar = drv::WaitControl("MainForm", "VideoTrackBar");
  drv::Click(bar.right - 3, (bar.top + bar.bottom) / 2);
  drv::Key(VK_END);
  EXPECT_TRUE(WaitTime(time, "00:00:20 / 00:00:20", 15000));
  drv::WaitControl("MainForm", "PlayButton");
  drv::Screenshot("preview-ended");
}

// Where a track bar's thumb is, as a share of the bar's width: the middle
// of the columns that differ from the bar's left end.
double ThumbShare(const RECT& bar) {
  const std::vector<unsigned> px = drv::Grab(bar);
  const int w = bar.right - bar.left, h = bar.bottom - bar.top;
  if (w <= 8 || h <= 0) return -1;
  std::vector<unsigned> track(h);
  for (int y = 0; y < h; ++y) track[y] = px[y * w + 3];
  long sum = 0, n = 0;
  for (int x = 3; x < w - 1; ++x) {
    int differing = 0;
    for (int y = 0; y < h; ++y) differing += px[y * w + x] != track[y];
    if (differing * 2 > h) {
      sum += x;
      ++n;
    }
  }
  return n ? static_cast<double>(sum) / n / w : -1;
}

BEFORE_PROGRAM_START(Preview, TheVolumeBarSetsTheEditWindowsVolumeToo) { session::ForgetSettings(); }

TEST_F(Preview, TheVolumeBarSetsTheEditWindowsVolumeToo) {
  OpenClip();
  const RECT volume = drv::WaitControl("MainForm", "VolumeTrackBar");
  const double before = ThumbShare(volume);
  EXPECT_GT(before, 0.7);  // 128 of 128
  // The thumb from the right end to the middle: 64 of 128.
  drv::Drag(POINT{volume.right - 4, (volume.top + volume.bottom) / 2},
            POINT{(volume.left + volume.right) / 2, (volume.top + volume.bottom) / 2});
  drv::Pause(300);
  const double main = ThumbShare(volume);
  EXPECT_GT(main, 0.3);
  EXPECT_LT(main, 0.7);
  // The edit window's player and bar follow.
  drv::ClickMenu({"Actions1", "EditVideo2"});
  const RECT edit = drv::WaitControl("TCropForm", "VolumeTrackBar");
  drv::Pause(500);
  const double share = ThumbShare(edit);
  RECT window = drv::WindowRect(drv::WaitWindow(u"TCropForm"));
  drv::Screenshot("edit-window-volume", &window);
  EXPECT_GT(share, 0.3);
  EXPECT_LT(share, 0.7);
  drv::ClickControl("TCropForm", "spSkinButton5");  // Cancel
  drv::WaitWindowGone(u"TCropForm");
}

BEFORE_PROGRAM_START(Preview, SnapshotsCountPerFormatAndNeedAPicture) { session::ForgetSettings(); }

TEST_F(Preview, SnapshotsCountPerFormatAndNeedAPicture) {
  for (const char* n : {"Clip_1.jpg", "Clip_2.jpg", "Clip_1.bmp", "Clip_3.jpg", "Clip_2.bmp", "Clip_3.bmp"})
    RemoveFile(SnapshotFolder() + "\\" + n);
  OpenClip();
  // No picture yet: nothing is written.
  drv::ClickControl("MainForm", "SnapshotButton");
  drv::Pause(500);
  EXPECT_FALSE(drv::FileExistsW(SnapshotFolder() + "\\Clip_1.jpg"));

  drv::ClickControl("MainForm", "PlayButton");
  const RECT time = drv::WaitControl("MainForm", "lblPlayTime");
  ASSERT_TRUE(WaitTime(time, "00:00:01 / 00:00:20", 5000));
  drv::ClickControl("MainForm", "PauseButton");
  drv::Pause(300);
  drv::ClickControl("MainForm", "SnapshotButton");
  ASSERT_TRUE(drv::WaitUntil([] { return drv::FileExistsW(SnapshotFolder() + "\\Clip_1.jpg"); }, 5000))
      << drv::Screenshot("snapshot-jpeg-missing");
  drv::ClickControl("MainForm", "SnapshotButton");
  ASSERT_TRUE(drv::WaitUntil([] { return drv::FileExistsW(SnapshotFolder() + "\\Clip_2.jpg"); }, 5000));
  EXPECT_EQ("320,240", PictureSize(SnapshotFolder() + "\\Clip_1.jpg"));

  // BMP through the button's menu; its counter starts at 1.
  RECT button = drv::WaitControl("MainForm", "SnapshotButton");
  drv::Click(button.right - 4, (button.top + button.bottom) / 2);
  drv::ClickPopupItem("ChangeSnapshotFormat1");
  drv::ClickPopupItem("BMP1");
  drv::Pause(300);
  button = drv::WaitControl("MainForm", "SnapshotButton");
  drv::Click(button.right - 4, (button.top + button.bottom) / 2);
  drv::ClickPopupItem("Item12");
  ASSERT_TRUE(drv::WaitUntil([] { return drv::FileExistsW(SnapshotFolder() + "\\Clip_1.bmp"); }, 5000));
  EXPECT_EQ("320,240", PictureSize(SnapshotFolder() + "\\Clip_1.bmp"));
  EXPECT_FALSE(drv::FileExistsW(SnapshotFolder() + "\\Clip_3.jpg"));

  // The folder gone: the message box, and the counter stays where it was.
  const std::string folder = SnapshotFolder();
  const std::u16string wide(folder.begin(), folder.end());
  for (const char* n : {"Clip_1.jpg", "Clip_2.jpg", "Clip_1.bmp"}) RemoveFile(folder + "\\" + n);
  // The system may hold the folder a moment after its removal.
  ASSERT_TRUE(drv::WaitUntil(
      [&] {
        RemoveDirectoryW(reinterpret_cast<LPCWSTR>(wide.c_str()));
        return GetFileAttributesW(reinterpret_cast<LPCWSTR>(wide.c_str())) == INVALID_FILE_ATTRIBUTES;
      },
      5000));
  drv::ClickControl("MainForm", "SnapshotButton");
  HWND box = drv::WaitWindow(u"TspMessageForm", 5000);
  EXPECT_NE(nullptr, box);
  if (box) {
    RECT r = drv::WindowRect(box);
    drv::Screenshot("snapshot-folder-gone", &r);
    drv::Key(VK_RETURN);
    drv::WaitWindowGone(u"TspMessageForm");
  }
  ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<LPCWSTR>(wide.c_str()), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  drv::ClickControl("MainForm", "SnapshotButton");
  EXPECT_TRUE(drv::WaitUntil([] { return drv::FileExistsW(SnapshotFolder() + "\\Clip_2.bmp"); }, 5000));
  EXPECT_FALSE(drv::FileExistsW(SnapshotFolder() + "\\Clip_3.bmp"));
}


// ---- the output parameters and the profile commands ----

std::string AppDataFolder() {
  char16_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, reinterpret_cast<LPWSTR>(path));
  std::string out;
  for (const char16_t* p = path; *p; ++p) out += static_cast<char>(*p);
  return out;
}

std::string CustomProfilesFile() { return AppDataFolder() + "\\Tessavane\\custom-profiles.dat"; }

// An integer value of the program's settings (-1 when absent).
int SettingsNumber(const char16_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"),
                   reinterpret_cast<LPCWSTR>(name), RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<int>(value);
}

// Shows a control the start-up layout hides and, when that layout parked
// it off its panel, puts it back at (left, top) of its parent: the one step
// a person could not take.
void RevealAt(const std::string& name, int left, int top) {
  drv::Reveal("MainForm", name);
  CallInMainThread([&] {
    if (!MainForm) return;
    if (auto* c = dynamic_cast<TControl*>(MainForm->FindComponent(name))) {
      c->SetBounds(left, top, c->Width(), c->Height());
      c->BringToFront();
    }
  });
  drv::Pause(200);
}

class Profiles : public Preview {
protected:
  RECT grid{};
  static constexpr int kRow = 26;
  // A cell of the parameter grid on screen (columns 20, label, value).
  RECT Cell(int col, int row) {
    grid = drv::WaitControl("MainForm", "ParamGrid");
    const int label = (grid.right - grid.left - 36) / 2;
    const int lefts[4] = {0, 20, 20 + label, 20 + 2 * label};
    RECT r{grid.left + lefts[col], grid.top + row * kRow, grid.left + lefts[col + 1], grid.top + (row + 1) * kRow};
    // The grid's frame: look a little inside.
    r.left += 1;
    r.top += 1;
    return r;
  }
  bool RowShows(int row, const std::string& text, bool bold = false) {
    RECT r = Cell(1, row);
    r.right = Cell(2, row).right;
    return drv::ShowsText(r, text, "Microsoft Sans Serif", 8, bold);
  }
  bool WaitRow(int row, const std::string& text, bool bold = false) {
    return drv::WaitUntil([&] { return RowShows(row, text, bold); }, 3000);
  }
  void Fold(int headingRow) {
    drv::ClickCenter(Cell(0, headingRow));
    drv::Pause(200);
  }
  // Types a new value into the resolution row's editor and leaves it.
  void TypeResolution(const std::string& text) {
    drv::ClickCenter(Cell(2, 1));
    drv::WaitControl("MainForm", "cmbParams");
    drv::Key(VK_END);
    for (int i = 0; i < 16; ++i) drv::Key(VK_BACK);
    drv::Type(text);
    // Pressing on the fold column of a parameter row takes the focus away.
    drv::ClickCenter(Cell(0, 2));
    drv::Pause(300);
  }
};

// The picker opened from the profile field, with the custom category (the
// last, after the shipped ones) under the mouse: its formats' list.
int CategoryCount() {
  const std::string text = ReadBytes(drv::ProgramFolder() + "\\varnotel-profiles\\profiles0.dat");
  int n = 0;
  for (size_t at = 0; (at = text.find("<category id=", at)) != std::string::npos; ++at) ++n;
  return n;
}

RECT OpenCustomFormats() {
  drv::ClickControl("MainForm", "imgProfileField");
  drv::WaitWindow(u"Tproform");
  const RECT categories = drv::WaitControl("Tproform", "sgProfiles");
  // The pointer rests on the custom category until its formats open (a
  // person moves it a little when nothing happens).
  const int y = categories.top + CategoryCount() * 27 + 13;
  RECT shown{};
  for (int i = 0; i < 30 && !drv::ControlRect("Tproform", "sgFormats", shown); ++i) {
    drv::MoveTo(categories.left + 40 + (i % 2) * 6, y);
    drv::Pause(500);
  }
  const RECT formats = drv::WaitControl("Tproform", "sgFormats");
  drv::MoveTo(formats.left + 100, formats.top + 28);
  drv::Pause(400);
  return formats;
}

BEFORE_PROGRAM_START(Profiles, TheGridFoldsAndEditsTheCurrentFormat) { session::ForgetSettings(); }

TEST_F(Profiles, TheGridFoldsAndEditsTheCurrentFormat) {
  OpenClip();
  // A video format: Video, its four rows, Audio and its four rows.
  EXPECT_TRUE(WaitRow(0, "Video", true)) << drv::Screenshot("grid-video");
  EXPECT_TRUE(RowShows(1, "Video Resolution:"));
  EXPECT_TRUE(RowShows(2, "Video Encoder:"));
  // Folding the video part brings the audio part up under it.
  Fold(0);
  EXPECT_TRUE(WaitRow(1, "Audio", true)) << drv::Screenshot("grid-video-folded");
  EXPECT_TRUE(RowShows(2, "Audio Sample Rate:"));
  // Both folded: the two headings alone.
  Fold(1);
  const RECT third = Cell(1, 2);
  RECT below = third;
  below.right = Cell(2, 2).right;
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::ColourCount(below) <= 2 && !RowShows(2, "Audio Sample Rate:"); },
                             3000))
      << drv::Screenshot("grid-both-folded");
  Fold(1);
  Fold(0);
  ASSERT_TRUE(WaitRow(1, "Video Resolution:"));

  // The resolution typed in place: width and height of the format.
  TypeResolution("640*360");
  EXPECT_TRUE(drv::WaitText(Cell(2, 1), "640*360", 3000)) << drv::Screenshot("grid-resolution");
  // Without the asterisk neither part is a number.
  TypeResolution("640");
  EXPECT_TRUE(drv::WaitText(Cell(2, 1), "-1*-1", 3000)) << drv::Screenshot("grid-resolution-bad");
  TypeResolution("640*360");
  ASSERT_TRUE(drv::WaitText(Cell(2, 1), "640*360", 3000));

  // A new audio bit rate: the row's estimated size follows.
  RECT table = drv::WaitControl("MainForm", "sgList");
  const RECT size{table.left + 40 + 200 + 90 + 4, table.top + 20, table.left + 40 + 200 + 90 + 86, table.top + 36};
  const std::vector<unsigned> sizeBefore = drv::Grab(size);
  Fold(0);
  ASSERT_TRUE(WaitRow(1, "Audio", true));
  // The keyboard walks the fold column down to the fifth row; the grid
  // scrolls it into view.
  drv::ClickCenter(Cell(0, 3));
  drv::Key(VK_DOWN);
  drv::Pause(300);
  // The audio bit rate row is the fifth; find it on screen.
  int row = -1;
  for (int r = 0; r < 4 && row < 0; ++r)
    if (RowShows(r, "Audio Bitrate:")) row = r;
  ASSERT_GE(row, 0) << drv::Screenshot("grid-audio-bitrate");
  drv::ClickCenter(Cell(2, row));
  const RECT combo = drv::WaitControl("MainForm", "cmbParams");
  drv::ClickCenter(combo);
  drv::Pause(300);
  drv::Key(VK_UP);
  drv::Key(VK_RETURN);
  drv::ClickCenter(Cell(0, row == 3 ? 2 : 3));
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::Grab(size) != sizeBefore; }, 3000))
      << drv::Screenshot("table-size-after-bitrate");
}

BEFORE_PROGRAM_START(Profiles, SaveAsUnderANonAsciiTitleKeepsTheFormatAndThePickerRenamesAndRemovesIt) {
  session::ForgetSettings();
  RemoveFile(CustomProfilesFile());
}

TEST_F(Profiles, SaveAsUnderANonAsciiTitleKeepsTheFormatAndThePickerRenamesAndRemovesIt) {
  // Each restart is a new process running the next stage.
  const std::string title = "Vídeo ñandú 日本";
  const std::string renamed = "Renamed ü";
  if (session::Stage() == 1) {
    // Closed and started again: the format is there and still the current one.
    EXPECT_NE(std::string::npos, ReadBytes(CustomProfilesFile()).find(title));
    EXPECT_EQ(session::Carried("profile"), std::to_string(SettingsNumber(u"recentprofileind")));
    EXPECT_EQ(session::Carried("format"), std::to_string(SettingsNumber(u"recentformatind")));
    drv::Screenshot("save-as-after-restart");

    // Renamed through the picker: the custom category (the last one), then
    // the rename mark of the format's row.
    RECT formats = OpenCustomFormats();
    drv::Screenshot("picker-custom");
    drv::Click(formats.left + 297, formats.top + 17);
    const RECT renameEdit = drv::WaitControl("InputForm", "Edit");
    drv::ClickCenter(renameEdit);
    drv::Key(VK_END);
    for (int i = 0; i < 40; ++i) drv::Key(VK_BACK);
    drv::Type(renamed);
    drv::ClickControl("InputForm", "OkButton");
    ASSERT_TRUE(drv::WaitWindowGone(u"TspInputDlgForm"));
    drv::Key(VK_ESCAPE);
    drv::ClickMenu({"File1", "Exit1"});
    ASSERT_TRUE(session::WaitForProgramEnd());
    std::string file = ReadBytes(CustomProfilesFile());
    EXPECT_NE(std::string::npos, file.find(renamed));
    EXPECT_EQ(std::string::npos, file.find(title));
    session::Restart();
    return;
  }
  if (session::Stage() == 2) {
    // Removed through the picker, after the question.
    RECT formats = OpenCustomFormats();
    drv::Click(formats.left + 328, formats.top + 17);
    HWND question = drv::WaitWindow(u"TspMessageForm", 5000);
    ASSERT_NE(nullptr, question) << drv::Screenshot("picker-remove");
    drv::Key(VK_RETURN);
    drv::WaitWindowGone(u"TspMessageForm");
    drv::Key(VK_ESCAPE);
    drv::ClickMenu({"File1", "Exit1"});
    ASSERT_TRUE(session::WaitForProgramEnd());
    EXPECT_EQ(std::string::npos, ReadBytes(CustomProfilesFile()).find(renamed));
    session::Restart();
    return;
  }
  if (session::Stage() == 3) return;  // the program starts without the format

  OpenClip();
  const int profileBefore = SettingsNumber(u"recentprofileind");
  RevealAt("ProfileSaveAsButton", 620, 4);
  drv::ClickControl("MainForm", "ProfileSaveAsButton");
  const RECT edit = drv::WaitControl("InputForm", "Edit");
  drv::ClickCenter(edit);
  drv::Key(VK_END);
  for (int i = 0; i < 40; ++i) drv::Key(VK_BACK);
  drv::Type(title);
  drv::ClickControl("InputForm", "OkButton");
  ASSERT_TRUE(drv::WaitWindowGone(u"TspInputDlgForm"));
  // The custom-profile file is written at once, with the title as typed.
  ASSERT_TRUE(drv::WaitUntil([&] { return ReadBytes(CustomProfilesFile()).find(title) != std::string::npos; }, 5000))
      << drv::Screenshot("save-as");
  const int profile = SettingsNumber(u"recentprofileind"), format = SettingsNumber(u"recentformatind");
  EXPECT_NE(profileBefore, profile);
  EXPECT_EQ(0, format);
  drv::Screenshot("save-as-done");

  // Closed and started again (stage 1).
  drv::ClickMenu({"File1", "Exit1"});
  ASSERT_TRUE(session::WaitForProgramEnd());
  session::Carry("profile", std::to_string(profile));
  session::Carry("format", std::to_string(format));
  session::Restart();
}

BEFORE_PROGRAM_START(Profiles, TheTypedOutputFolderIsSavedAtSessionEndAndBySaveAs) { session::ForgetSettings(); }

// The output folder as the folder box shows it when the settings are
// written: at the end of the session (the system's two messages, as it
// sends them at a log-off) and by Save profile as.
TEST_F(Profiles, TheTypedOutputFolderIsSavedAtSessionEndAndBySaveAs) {
  auto typeFolder = [](const std::string& folder) {
    drv::ClickControl("MainForm", "edDestinationFolder");
    drv::Key(VK_HOME);
    drv::Key(VK_END, false, false, true);
    drv::Type(folder);
    drv::Pause(200);
  };
  auto savedFolder = [] {
    std::string value;
    return drv::RegistryString("Software\\Brenlowe\\Tessavane", "OutputPath", value) ? value : std::string("<none>");
  };
  const std::string atLogOff = "c:\\Output at log-off";
  typeFolder(atLogOff);
  HWND main = drv::FindShownWindow(u"TMainForm");
  ASSERT_NE(nullptr, main);
  DWORD_PTR answer = 0;
  ASSERT_NE(0, SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
  EXPECT_NE(0u, answer) << "the session end was refused";
  ASSERT_NE(0, SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
  EXPECT_EQ(atLogOff, savedFolder());

  const std::string atSaveAs = "c:\\Output ü at save as";
  typeFolder(atSaveAs);
  RevealAt("ProfileSaveAsButton", 620, 4);
  drv::ClickControl("MainForm", "ProfileSaveAsButton");
  drv::WaitControl("InputForm", "Edit");
  drv::ClickControl("InputForm", "OkButton");
  ASSERT_TRUE(drv::WaitWindowGone(u"TspInputDlgForm"));
  EXPECT_TRUE(drv::WaitUntil([&] { return savedFolder() == atSaveAs; }, 5000)) << savedFolder();
}

BEFORE_PROGRAM_START(Preview, AnUnplayableRowShowsThePlayersErrorAndStaysClosed) { session::ForgetSettings(); }

TEST_F(Preview, AnUnplayableRowShowsThePlayersErrorAndStaysClosed) {
  // A clip that loads, then is spoiled on disk before it is played.
  ASSERT_EQ(0, fixtures::Run("cp '" + fixtures::UnixPath("Clip.mp4") + "' '" + fixtures::Folder() + "/Spoilt.mp4'"));
  OpenClip("Spoilt.mp4");
  ASSERT_EQ(0, fixtures::Run("head -c 2000 '" + fixtures::UnixPath("Broken.mp4") + "' > '" + fixtures::Folder() +
                             "/Spoilt.mp4'"));
  const std::vector<unsigned> before = Pixels("panPreview");
  drv::ClickControl("MainForm", "PlayButton");
  HWND error = drv::WaitWindow(u"TErrorForm", 10000);
  ASSERT_NE(nullptr, error) << drv::Screenshot("unplayable-no-error");
  RECT r = drv::WindowRect(error);
  drv::Screenshot("unplayable-error", &r);
  drv::ClickControl("TErrorForm", "spSkinButton1");
  drv::WaitWindowGone(u"TErrorForm");
  // Nothing plays: the pane stays as it was and the play button is back
  // (the pause button, which takes its place while a clip plays, is gone).
  drv::Pause(500);
  EXPECT_EQ(before, Pixels("panPreview"));
  RECT play{}, pause{};
  EXPECT_TRUE(drv::ControlRect("MainForm", "PlayButton", play));
  EXPECT_FALSE(drv::ControlRect("MainForm", "PauseButton", pause)) << drv::Screenshot("unplayable-buttons");
}

}  // namespace
