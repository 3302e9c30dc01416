// The main window: its start-up state, files into the item table through
// the loading dialog, the table's commands and the shutdown.
#include "support/gtest.h"

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include <string>
#include <vector>

#include "app/editing/crop.h"
#include "app/input/DVDPlugIn.h"
#include "app/main/AppData.h"
#include "app/main/ErrorReport.h"
#include "app/main/MainSetup.h"
#include "app/main/main.h"
#include "app/main/mediaload.h"
#include "engine/FFEncode.h"
#include "engine/Fixtures.h"
#include "framework/Registry.h"
#include "framework/StringList.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinToolBar.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/controls/SkinTrackBar.h"
#include "player/FFPlay.h"
#include "skin/dialogs/spMessages.h"

namespace {

std::string Documents() { return SpecialFolderPath(CSIDL_PERSONAL); }

void WriteFileText(const std::string& name, const std::string& text) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << name;
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

bool FolderIsEmpty(const std::string& folder) {
  WIN32_FIND_DATAW fd{};
  HANDLE find = FindFirstFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "\\*").c_str()), &fd);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    const std::u16string n(reinterpret_cast<const char16_t*>(fd.cFileName));
    if (n != u"." && n != u"..") empty = false;
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return empty;
}

// A modal box or dialog a broken test leaves open is closed after a while,
// so that the test fails instead of hanging.
BOOL CALLBACK CloseModalWindow(HWND window, LPARAM) {
  char16_t cls[64] = {};
  GetClassNameW(window, reinterpret_cast<LPWSTR>(cls), 64);
  const std::u16string name(cls);
  if (name == u"TspMessageForm" || name == u"TLoadForm") PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

void CALLBACK FailSafe(HWND, UINT, UINT_PTR, DWORD) {
  ADD_FAILURE() << "a modal window was still open after 60 s";
  EnumThreadWindows(GetCurrentThreadId(), CloseModalWindow, 0);
}

// One main window (and the loading dialog) per test, over a clean settings
// key and an empty table.
class MainWindow : public ::testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane"));
    MediaFiles.clear();
    Thumbnails.clear();
    AllItemsChecked = true;
    DVDMode = false;
    FileToLoad.clear();
    form = new TMainForm(nullptr);
    MainForm = form;
    load = new TLoadForm(nullptr);
    LoadForm = load;
    failSafe = SetTimer(nullptr, 0, 60000, FailSafe);
  }
  void TearDown() override {
    KillTimer(nullptr, failSafe);
    TCloseAction action = caHide;
    form->FormClose(form, action);
    delete load;
    LoadForm = nullptr;
    delete form;
    MainForm = nullptr;
  }

  // The main window's message boxes: each one's text goes to `texts`; it is
  // closed when `answer` is VK_ESCAPE as it shows, else confirmed with Return.
  void AnswerBoxes(std::vector<std::string>& texts, const int& answer) {
    form->SkinMessage->OnBoxCreated = [&texts, &answer](TspMessageForm* box) {
      texts.push_back(box->Message->Caption());
      if (answer == VK_ESCAPE) {
        PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
      } else {
        HWND target = box->ActiveControl() ? box->ActiveControl()->Handle() : box->Handle();
        PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC0000001);
      }
    };
  }

  // Rows made by hand, for the commands that need no media.
  void AddRows(std::initializer_list<const char*> titles) {
    for (const char* t : titles) {
      TMediaFile f;
      f.DestinationTitle = t;
      f.Source = std::string("c:\\") + t + ".mp4";
      f.Status = "Ready";
      MediaFiles.push_back(f);
    }
    form->UpdateRowCount();
    form->EnableControls(true, true);
    form->sgList->SetFixedRows(1);
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> t;
    for (const TMediaFile& f : MediaFiles) t.push_back(f.DestinationTitle);
    return t;
  }
  std::string LastHistoryLines(int n) const {
    std::string text;
    TStringList& h = ActionHistory();
    for (int i = std::max(0, h.Count() - n); i < h.Count(); ++i) text += h[i] + "\n";
    return text;
  }
  // A click on the grid's cell.
  void ClickCell(int col, int row) {
    const TRect r = form->sgList->CellRect(col, row);
    form->sgListMouseDown(form->sgList, mbLeft, 0, r.Left + 2, r.Top + 2);
  }

  TMainForm* form = nullptr;
  TLoadForm* load = nullptr;
  UINT_PTR failSafe = 0;
};

TEST_F(MainWindow, StartsTitledCentredWithItsFoldersAndLayout) {
  EXPECT_EQ("Tessavane", form->Caption());
  EXPECT_EQ(680, form->ClientWidth());
  EXPECT_EQ(400, form->ClientHeight());
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(sw / 2 - form->Width() / 2, form->Left(), 1);
  EXPECT_NEAR(sh / 2 - form->Height() / 2, form->Top(), 1);
  EXPECT_FALSE(form->MediaLibrariesFailed);

  const std::string base = Documents() + "\\Brenlowe\\Tessavane";
  for (const char* sub : {"\\Output", "\\Temp", "\\Snapshots", "\\ReportData"})
    EXPECT_TRUE(DirectoryExists(base + sub)) << sub;
  EXPECT_TRUE(DirectoryExists(SpecialFolderPath(CSIDL_APPDATA) + "\\Tessavane"));
  EXPECT_EQ(base + "\\Output", form->edDestinationFolder->Text());
  EXPECT_EQ(base + "\\Temp", TempFolder);

  // Toolbar on top, table, output settings at the bottom; the right-hand
  // panel and the large toolbar stay hidden.
  EXPECT_TRUE(form->HiddenToolbar->Visible());
  EXPECT_EQ(alTop, form->HiddenToolbar->Align());
  EXPECT_FALSE(form->spSkinPanel1->Visible());
  EXPECT_FALSE(form->spSkinPanel6->Visible());
  EXPECT_EQ("Output Settings", form->BottomPanel->Caption());
  EXPECT_EQ(100, form->BottomPanel->Height());
  EXPECT_EQ("Advanced...", form->SettingsButton->Caption());
  EXPECT_TRUE(form->chApplyToAll->Checked());
  EXPECT_EQ(form->SettingsButton->Left() + form->SettingsButton->Width() + 10, form->chApplyToAll->Left());
  EXPECT_EQ("Shutdown PC", form->chShutDownPC->Caption());
  EXPECT_FALSE(form->RecordVideo1->Visible);
  EXPECT_EQ("Add File(s)", form->Openvideo1->Caption());
  const int widths[] = {40, 0, 200, 90, 90, 200, 70};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(widths[i], form->sgList->ColWidths(i)) << i;
  EXPECT_EQ(18, form->sgList->DefaultRowHeight());
  EXPECT_EQ(1, form->sgList->RowCount());
  // The empty table lies under the getting-started picture.
  EXPECT_TRUE(form->GettingStartedPanel->Visible());
  EXPECT_GT(ProfileIcons.size(), 1u);
  // The components are found by name.
  for (const char* name : {"sgList", "edDestinationFolder", "HiddenToolbar", "BottomPanel", "chShutDownPC",
                           "chApplyToAll", "SettingsButton", "spSkinData1", "VideoFilesTableContextMenu", "Timer1"})
    EXPECT_NE(nullptr, form->FindComponent(name)) << name;
  // Nothing to act on yet.
  EXPECT_FALSE(form->StartButton->Enabled());
  EXPECT_FALSE(form->Remove1->Enabled);
  // The catalogue's everyday format is current.
  EXPECT_EQ(4, CurrentProfileIndex);
  EXPECT_EQ(2, CurrentFormatIndex);
  ASSERT_GT(Profiles.size(), 4u);
  EXPECT_EQ(Profiles[4].Formats.at(2).Title, form->lblProfile->Caption());
  EXPECT_EQ("MP4 (H.264/AAC)", form->lblProfile->Caption());
}

// Files into the table through the loading dialog: each readable file
// gets a row; a file the decoder refuses gets the message and no row.
TEST_F(MainWindow, LoadsMediaFilesAndRefusesAFakeOne) {
  ASSERT_TRUE(fixtures::EnsureStandard());
  std::vector<std::string> messages;
  load->SkinMessage->OnBoxCreated = [&](TspMessageForm* box) {
    messages.push_back(box->Message->Caption());
    PostMessageW(box->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
  };
  form->DialogFiles = {fixtures::WindowsPath("clip_h264_aac.mp4"), fixtures::WindowsPath("fake.mp4"),
                       fixtures::WindowsPath("multi.mkv"), fixtures::WindowsPath("tone.mp3")};
  form->RunLoadDialog();

  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("File fake.mp4 is not a valid media file or its format is not supported.", messages[0]);
  ASSERT_EQ(3u, MediaFiles.size());
  EXPECT_EQ(4, form->sgList->RowCount());
  EXPECT_EQ((std::vector<std::string>{"clip_h264_aac", "multi", "tone"}), Titles());
  EXPECT_FALSE(load->IsShown);
  EXPECT_NE(std::string::npos, LastHistoryLines(20).find("File load error"));

  const TMediaFile& clip = MediaFiles[0];
  EXPECT_EQ("00:00:05", FormatMicroseconds(clip.TrimmedLength));
  EXPECT_EQ(640, clip.SourceWidth);
  EXPECT_EQ(360, clip.SourceHeight);
  EXPECT_FALSE(clip.isSourceAudioFormat);
  EXPECT_EQ("Ready", clip.Status);
  EXPECT_EQ(4, clip.ProfileInd);
  EXPECT_EQ(2, clip.FormatInd);
  EXPECT_TRUE(clip.Checked);
  EXPECT_GT(clip.EstimatedSize, 0.0);
  EXPECT_EQ((std::vector<std::string>{"Audio Track #1", "Disable audio"}), clip.AudioTracks);
  EXPECT_EQ((std::vector<std::string>{"Not available"}), clip.Subtitles);
  // The thumbnail holds the picture, not just the black fill.
  ASSERT_GE(clip.VideoThumbnailIndex, 0);
  TBitmap* thumb = Thumbnails.at(clip.VideoThumbnailIndex).get();
  EXPECT_EQ(50, thumb->Width());
  EXPECT_EQ(37, thumb->Height());
  int lit = 0;
  for (int y = 0; y < 37; y += 3)
    for (int x = 0; x < 50; x += 3)
      if (GetPixel(thumb->Canvas()->Handle(), x, y) != 0) ++lit;
  EXPECT_GT(lit, 20);

  // Tracks are numbered by the file's own stream index.
  const TMediaFile& multi = MediaFiles[1];
  EXPECT_EQ((std::vector<std::string>{"Audio Track #1", "Audio Track #3", "Disable audio"}), multi.AudioTracks);

  const TMediaFile& tone = MediaFiles[2];
  EXPECT_TRUE(tone.isSourceAudioFormat);
  EXPECT_EQ(-1, tone.VideoThumbnailIndex);
  EXPECT_GT(tone.EstimatedSize, 0.0);

  // The table is up with the last row selected.
  EXPECT_EQ(3, form->sgList->Row());
  EXPECT_TRUE(form->StartButton->Enabled());
  EXPECT_TRUE(form->Remove1->Enabled);
  EXPECT_FALSE(form->GettingStartedPanel->Visible());

  // Dropped files replace what the open dialog held.
  form->JoinAllVideos = true;
  form->DropFiles({fixtures::WindowsPath("tone.mp3")});
  ASSERT_EQ(4u, MediaFiles.size());
  EXPECT_EQ("All Media Joined in One", MediaFiles[3].DestinationTitle);
  EXPECT_EQ(1u, messages.size());
}

// A drop as the shell delivers it: a DROPFILES block with wide names.
HDROP MakeDrop(const std::vector<std::string>& names) {
  std::u16string list;
  for (const std::string& n : names) list += UTF8ToUTF16(n) + u'\0';
  list += u'\0';
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(char16_t));
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), list.data(), list.size() * sizeof(char16_t));
  GlobalUnlock(mem);
  return static_cast<HDROP>(mem);
}

TEST_F(MainWindow, DroppedFilesReplaceTheDialogsChoiceAndCancelStopsTheLoop) {
  ASSERT_TRUE(fixtures::EnsureStandard());
  std::vector<std::string> messages;
  std::vector<int> gauge;
  load->SkinMessage->OnBoxCreated = [&](TspMessageForm* box) {
    messages.push_back(box->Message->Caption());
    gauge.push_back(load->Gauge->Value());
    PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
  };
  // What the open dialog held last time is not loaded again.
  form->DialogFiles = {fixtures::WindowsPath("multi.mkv"), fixtures::WindowsPath("multi.mkv"),
                       fixtures::WindowsPath("multi.mkv"), fixtures::WindowsPath("multi.mkv"),
                       fixtures::WindowsPath("multi.mkv")};
  const LRESULT result =
      SendMessageW(form->Handle(), WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeDrop({fixtures::WindowsPath("tone.mp3"), fixtures::WindowsPath("empty.mp4"),
                                                      fixtures::WindowsPath("clip_h264_aac.mp4")})),
                   0);
  EXPECT_EQ(0, result);
  EXPECT_EQ((std::vector<std::string>{"tone", "clip_h264_aac"}), Titles());
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("File empty.mp4 is not a valid media file or its format is not supported.", messages[0]);
  EXPECT_EQ(std::vector<int>{66}, gauge);  // 100 div 3 for each name
  EXPECT_EQ(form->VideoFilesTableContextMenu, form->sgListPopupMenu);

  // Selecting a row puts its tracks into the boxes below the table, and a
  // choice there goes back into the row.
  form->sgList->SetRow(2);
  form->sgListClick(nullptr);
  ASSERT_EQ(2, form->cboAudio->Items()->Count());
  EXPECT_EQ("Audio Track #1", (*form->cboAudio->Items())[0]);
  form->cboAudio->SetItemIndex(1);
  EXPECT_EQ(1, MediaFiles[1].AudioTrackIndex);
  form->chkDeinterlace->SetChecked(true);
  EXPECT_TRUE(MediaFiles[1].Deinterlace);
  EXPECT_FALSE(MediaFiles[0].Deinterlace);

  // Cancel asked while a file is refused: the rows so far stay, the rest
  // of the names are not probed.
  load->SkinMessage->OnBoxCreated = [&](TspMessageForm* box) {
    load->CancelButtonClick(nullptr);
    PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
  };
  form->DropFiles({fixtures::WindowsPath("clip_h264_aac.mp4"), fixtures::WindowsPath("fake.mp4"),
                   fixtures::WindowsPath("tone.mp3")});
  EXPECT_EQ((std::vector<std::string>{"tone", "clip_h264_aac", "clip_h264_aac"}), Titles());
  EXPECT_EQ(0, load->CancelButton->Tag);
}

TEST_F(MainWindow, OnlineGuideOpensTheGuidePage) {
  std::vector<std::string> opened;
  OnShellOpen = [&](const std::string& target) { opened.push_back(target); };
  form->Help2->Click();
  OnShellOpen = nullptr;
  ASSERT_EQ(1u, opened.size());
  EXPECT_NE(std::string::npos, opened[0].find("tessavane.htm"));
  EXPECT_NE(std::string::npos, LastHistoryLines(1).find("-> Help -> Online guide is chosen in main menu."));
}

TEST_F(MainWindow, RecorderHotKeysReachTheRecorder) {
  std::vector<int> ids;
  form->OnRecorderHotKey = [&](int id) { ids.push_back(id); };
  for (WPARAM id : {1, 2, 7}) SendMessageW(form->Handle(), WM_HOTKEY, id, 0);
  EXPECT_EQ((std::vector<int>{1, 2}), ids);
}

bool HasLine(const std::vector<std::string>& lines, const std::string& start) {
  for (const std::string& l : lines)
    if (l.rfind(start, 0) == 0) return true;
  return false;
}

// In DVD mode the table is rebuilt from the disc's titles, unchecked, with
// the information text beside it.
TEST_F(MainWindow, DvdModeRebuildsTheTableFromTheTitles) {
  ASSERT_TRUE(fixtures::Ensure(fixtures::DvdFixtures()));
  ASSERT_TRUE(LoadDVDPlugIn(ExeFolder() + "LibAV", "")) << GetDVDPlugInError();
  AddRows({"old"});
  form->theDVDPath = fixtures::WindowsPath("dvd");
  DVDTitleCount = EnumDVDTitles(form->theDVDPath);
  ASSERT_EQ(3, DVDTitleCount);
  DVDMode = true;
  load->ShowModal();
  load->IsShown = false;

  EXPECT_EQ((std::vector<std::string>{"Title1", "Title2", "Title3"}), Titles());
  EXPECT_EQ(4, form->sgList->RowCount());
  EXPECT_EQ(0, form->FChanging);
  const int64_t lengths[] = {3000000, 6000000, 4000000};
  for (int i = 0; i < 3; ++i) {
    const TMediaFile& t = MediaFiles[i];
    SCOPED_TRACE(i);
    EXPECT_FALSE(t.Checked);
    EXPECT_EQ(t.DestinationTitle, t.Source);
    EXPECT_NEAR(lengths[i], t.TrimmedLength, 100000);
    EXPECT_EQ(720, t.SourceWidth);
    ASSERT_NE(nullptr, t.DVDTitleInfo);
    EXPECT_EQ(i, t.DVDTitleInfo->Title);
    EXPECT_EQ(0x80, t.DVDTitleInfo->AudioID);
    EXPECT_GE(t.VideoThumbnailIndex, 0);
  }
  EXPECT_EQ(2, MediaFiles[1].DVDTitleInfo->ToChapter);
  const std::vector<std::string>& info = form->DVDInfoLines;
  ASSERT_FALSE(info.empty());
  EXPECT_EQ("There are 3 title(s) in " + form->theDVDPath, info[0]);
  EXPECT_TRUE(HasLine(info, "Title #3 Length: 4."));
  EXPECT_TRUE(HasLine(info, "  Video Type[MPEG-2], ID[0x"));
  EXPECT_TRUE(HasLine(info, "    Audio #1 Type[AC3], ID[0x81], SampleRate[48000]"));
  EXPECT_TRUE(HasLine(info, "    Chapter #2 Length: 3."));
  EXPECT_TRUE(HasLine(info, "  IsValid: True"));

  // The audio choice of a title: a track gives its ID, the last entry
  // turns the sound off.
  form->sgList->SetFixedRows(1);
  form->sgList->SetRow(3);
  form->cboAudio->Items()->Clear();
  for (const char* t : {"AC3 1", "AC3 2", "Disable"}) form->cboAudio->Items()->Add(t);
  form->cboAudio->SetItemIndex(1);
  EXPECT_EQ(0x81, MediaFiles[2].DVDTitleInfo->AudioID);
  form->cboAudio->SetItemIndex(2);
  EXPECT_EQ(0, MediaFiles[2].DVDTitleInfo->AudioID);
  DVDMode = false;
}

// Opening a DVD over file rows asks first: No keeps the files, Yes brings
// the titles with the longest one checked and selected; a folder without
// titles says so and changes nothing.
TEST_F(MainWindow, OpenDvdAsksOverFilesAndChecksTheLongestTitle) {
  ASSERT_TRUE(fixtures::Ensure(fixtures::DvdFixtures()));
  ASSERT_TRUE(LoadDVDPlugIn(ExeFolder() + "LibAV", "")) << GetDVDPlugInError();
  fixtures::Run("mkdir -p '" + fixtures::UnixPath("nodvd") + "'");
  AddRows({"file"});
  std::vector<std::string> boxes;
  int answer = VK_ESCAPE;
  AnswerBoxes(boxes, answer);
  form->OpenDVD(fixtures::WindowsPath("nodvd"));
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("No DVD title(s) found. Common reason: invalid DVD.", boxes[0]);
  EXPECT_FALSE(DVDMode);

  form->OpenDVD(fixtures::WindowsPath("dvd"));
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(0u, boxes[1].find("You are going to open the different type of media."));
  EXPECT_FALSE(DVDMode);
  EXPECT_EQ((std::vector<std::string>{"file"}), Titles());

  answer = VK_RETURN;
  form->OpenDVD(fixtures::WindowsPath("dvd"));
  EXPECT_TRUE(DVDMode);
  EXPECT_EQ(fixtures::WindowsPath("dvd"), form->FDVDPath);
  ASSERT_EQ((std::vector<std::string>{"Title1", "Title2", "Title3"}), Titles());
  EXPECT_EQ((std::vector<bool>{false, true, false}),
            (std::vector<bool>{MediaFiles[0].Checked, MediaFiles[1].Checked, MediaFiles[2].Checked}));
  EXPECT_EQ(2, form->sgList->Row());
  EXPECT_EQ(form->DVDTableContextMenu, form->sgListPopupMenu);
  EXPECT_FALSE(form->ItemRemove->Enabled);
  EXPECT_FALSE(form->ItemClearAll->Enabled);
  // The selected title's tracks are in the lists.
  ASSERT_EQ(2, form->cboAudio->Items()->Count());
  EXPECT_EQ("Disable", (*form->cboAudio->Items())[1]);
  DVDMode = false;
}

// The audio and subtitle lists of a DVD title: its entries by language and
// ID, the record's choice selected, the last entry turning the track off.
TEST_F(MainWindow, DvdTrackListsFollowTheTitleRecord) {
  TDVDTitleInfo info{};
  info.AudioCount = 2;
  info.Audio[0].ID = 0x80;
  std::strcpy(info.Audio[0].Language, "English");
  info.Audio[1].ID = 0x81;
  std::strcpy(info.Audio[1].Language, "French");
  struct Case {
    int audioId, subtitleCount, subtitleId;
    std::vector<std::string> audio, subtitles;
    int audioIndex, subtitleIndex;
  } cases[] = {
      {0x81, 0, 0, {"English[0x80]", "French[0x81]", "Disable"}, {"No subtitles"}, 1, 0},
      {0x80, 1, 0x20, {"English[0x80]", "French[0x81]", "Disable"}, {"[0x20]", "Disable"}, 0, 0},
      // A choice the title does not hold (or 0, no sound) shows the last entry.
      {0, 1, 0, {"English[0x80]", "French[0x81]", "Disable"}, {"[0x20]", "Disable"}, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.audioId);
    info.SubtitleCount = c.subtitleCount;
    info.Subtitles[0].ID = 0x20;
    TDVDTitle title;
    title.Info = &info;
    title.AudioID = c.audioId;
    title.SubtitleID = c.subtitleId;
    title.Deinterlace = 1;
    form->cboAudio->Items()->Clear();
    form->cboSubtitle->Items()->Clear();
    form->FillDVDTrackCombos(title);
    std::vector<std::string> audio, subtitles;
    for (int i = 0; i < form->cboAudio->Items()->Count(); ++i) audio.push_back((*form->cboAudio->Items())[i]);
    for (int i = 0; i < form->cboSubtitle->Items()->Count(); ++i)
      subtitles.push_back((*form->cboSubtitle->Items())[i]);
    EXPECT_EQ(c.audio, audio);
    EXPECT_EQ(c.subtitles, subtitles);
    EXPECT_EQ(c.audioIndex, form->cboAudio->ItemIndex());
    EXPECT_EQ(c.subtitleIndex, form->cboSubtitle->ItemIndex());
    EXPECT_TRUE(form->chkDeinterlace->Checked());
  }
  // A title without sound offers only "No audio tracks".
  info.AudioCount = 0;
  TDVDTitle silent;
  silent.Info = &info;
  form->cboAudio->Items()->Clear();
  form->cboSubtitle->Items()->Clear();
  form->FillDVDTrackCombos(silent);
  ASSERT_EQ(1, form->cboAudio->Items()->Count());
  EXPECT_EQ("No audio tracks", (*form->cboAudio->Items())[0]);
  EXPECT_EQ(0, form->cboAudio->ItemIndex());
}

// The longest title is the one checked after loading: the first of equals.
TEST_F(MainWindow, TheLongestDvdTitleIsTheFirstOfTheLongest) {
  AddRows({"a", "b", "c"});
  const int64_t lengths[] = {300000000, 7200000000, 7200000000};
  for (int i = 0; i < 3; ++i) MediaFiles[i].TrimmedLength = lengths[i];
  EXPECT_EQ(1, form->LongestTitleRow());
}

TEST_F(MainWindow, ThumbnailBoxKeepsTheSourceShape) {
  struct Case {
    int w, h;
    TThumbnailBox box;
  } cases[] = {{1920, 1080, {0, 4, 50, 28}}, {720, 576, {2, 0, 46, 37}}, {1000, 740, {0, 0, 50, 37}},
               {640, 360, {0, 4, 50, 28}}};
  for (const Case& c : cases) {
    const TThumbnailBox b = ThumbnailBox(c.w, c.h);
    EXPECT_EQ(c.box.Left, b.Left) << c.w << "x" << c.h;
    EXPECT_EQ(c.box.Top, b.Top) << c.w << "x" << c.h;
    EXPECT_EQ(c.box.Width, b.Width) << c.w << "x" << c.h;
    EXPECT_EQ(c.box.Height, b.Height) << c.w << "x" << c.h;
  }
}

TEST_F(MainWindow, MoveAndRemoveKeepTheOrderAndTheSelection) {
  AddRows({"a", "b", "c", "d"});
  form->sgList->SetRow(1);
  form->MoveUp1Click(nullptr);  // the first row has nothing above it
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Titles());
  EXPECT_EQ(1, form->sgList->Row());
  form->sgList->SetRow(4);
  form->MoveDown1Click(nullptr);  // nor the last below it
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Titles());
  EXPECT_EQ(4, form->sgList->Row());

  form->sgList->SetRow(2);
  form->MoveDown1Click(nullptr);
  EXPECT_EQ((std::vector<std::string>{"a", "c", "b", "d"}), Titles());
  EXPECT_EQ(3, form->sgList->Row());
  form->MoveUp1Click(nullptr);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Titles());
  EXPECT_EQ(2, form->sgList->Row());

  form->Remove1Click(nullptr);
  EXPECT_EQ((std::vector<std::string>{"a", "c", "d"}), Titles());
  EXPECT_EQ(2, form->sgList->Row());
  EXPECT_EQ(4, form->sgList->RowCount());
  // The Delete key removes the selected row, here the last one.
  form->sgList->SetRow(3);
  WORD key = VK_DELETE;
  form->sgListKeyDown(nullptr, key, 0);
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), Titles());
  EXPECT_EQ(2, form->sgList->Row());
}

// In DVD mode each row keeps its own title record through a removal: the
// rows after the removed one convert their own titles still.
TEST_F(MainWindow, RemovingADvdTitleKeepsEachRowWithItsTitle) {
  AddRows({"Title1", "Title2", "Title3", "Title4"});
  for (int i = 0; i < 4; ++i) {
    MediaFiles[i].DVDTitleInfo = new TDVDTitle;
    MediaFiles[i].DVDTitleInfo->Title = i;
  }
  DVDMode = true;
  form->sgList->SetRow(2);
  WORD key = VK_DELETE;
  form->sgListKeyDown(nullptr, key, 0);
  form->sgList->SetRow(1);
  form->Remove1Click(nullptr);
  ASSERT_EQ((std::vector<std::string>{"Title3", "Title4"}), Titles());
  for (int i = 0; i < 2; ++i) {
    ASSERT_NE(nullptr, MediaFiles[i].DVDTitleInfo);
    EXPECT_EQ(i + 2, MediaFiles[i].DVDTitleInfo->Title) << MediaFiles[i].DestinationTitle;
  }
  DVDMode = false;
}

// While a run goes on the commands that change the table leave it alone.
TEST_F(MainWindow, TableCommandsWaitForTheEndOfARun) {
  AddRows({"a", "b", "c"});
  form->ConversionActive = true;
  form->sgList->SetRow(2);
  WORD key = VK_DELETE;
  form->sgListKeyDown(nullptr, key, 0);
  form->Remove1Click(nullptr);
  form->ClearAll1Click(nullptr);
  form->MoveUp1Click(nullptr);
  form->DropFiles({"c:\\dropped.mp4"});
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Titles());
  form->ConversionActive = false;
  form->Remove1Click(nullptr);
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), Titles());
}

TEST_F(MainWindow, RemovingTheOnlyRowClearsTheTable) {
  AddRows({"only"});
  form->sgList->SetRow(1);
  form->Remove1Click(nullptr);
  EXPECT_TRUE(MediaFiles.empty());
  EXPECT_EQ(1, form->sgList->RowCount());
  const std::string history = LastHistoryLines(2);
  EXPECT_NE(std::string::npos, history.find("-> Remove Selected is clicked\n"));
  EXPECT_NE(std::string::npos, history.find("-> Clear all items"));
  EXPECT_FALSE(form->Remove1->Enabled);
  EXPECT_FALSE(form->StartButton->Enabled());
  // Nothing left to remove: only the history line.
  form->Remove1Click(nullptr);
  EXPECT_TRUE(MediaFiles.empty());

  AddRows({"a", "b"});
  form->ClearAll1Click(nullptr);
  EXPECT_TRUE(MediaFiles.empty());
  EXPECT_EQ(1, form->sgList->RowCount());
}

TEST_F(MainWindow, CheckMarksDecideTheConvertButton) {
  AddRows({"a", "b", "c"});
  MediaFiles[1].Checked = false;
  MediaFiles[2].Checked = false;
  AllItemsChecked = false;
  ClickCell(0, 0);  // the header mark checks every row
  EXPECT_TRUE(AllItemsChecked);
  for (const TMediaFile& f : MediaFiles) EXPECT_TRUE(f.Checked);
  EXPECT_TRUE(form->StartButton->Enabled());
  ClickCell(0, 0);
  EXPECT_FALSE(AllItemsChecked);
  for (const TMediaFile& f : MediaFiles) EXPECT_FALSE(f.Checked);
  EXPECT_FALSE(form->StartButton->Enabled());

  ClickCell(0, 2);  // one row on, the others off
  EXPECT_TRUE(MediaFiles[1].Checked);
  EXPECT_FALSE(AllItemsChecked);
  EXPECT_TRUE(form->StartButton->Enabled());
  ClickCell(0, 2);  // unchecking the only checked row
  EXPECT_FALSE(form->StartButton->Enabled());
  ClickCell(2, 1);  // other columns leave the marks alone
  EXPECT_FALSE(MediaFiles[0].Checked);
}

TEST_F(MainWindow, RenameInPlaceStoresTheTitleOnEnter) {
  AddRows({"a", "b"});
  form->Show();
  form->sgList->SetRow(2);
  form->Rename1Click(nullptr);
  ASSERT_TRUE(form->TitleMemo->Visible());
  EXPECT_EQ("b", form->TitleMemo->Text());
  form->TitleMemo->SetText("Holiday\r\n");
  char16_t key = 13;
  form->TitleMemoKeyPress(form->TitleMemo, key);
  EXPECT_FALSE(form->TitleMemo->Visible());
  EXPECT_EQ("Holiday", MediaFiles[1].DestinationTitle);
  EXPECT_EQ("a", MediaFiles[0].DestinationTitle);
  // An emptied title keeps the old one: the output needs a name.
  form->Rename1Click(nullptr);
  form->TitleMemo->SetText("");
  form->TitleMemoExit(nullptr);
  EXPECT_EQ("Holiday", MediaFiles[1].DestinationTitle);
  form->Hide();
}

// Add Files: the chosen files are appended; over a DVD's titles the user
// is asked first, and No keeps the titles.
TEST_F(MainWindow, AddFilesAsksBeforeReplacingDvdTitlesAndQueuesWin) {
  ASSERT_TRUE(fixtures::EnsureStandard());
  int chooser = 0;
  form->OnChooseFiles = [&](std::vector<std::string>& files) {
    ++chooser;
    files = {fixtures::WindowsPath("tone.mp3")};
    return true;
  };
  AddRows({"Title1"});
  DVDMode = true;
  std::vector<std::string> questions;
  int answer = VK_ESCAPE;
  AnswerBoxes(questions, answer);
  form->AddButtonClick(nullptr);
  ASSERT_EQ(1u, questions.size());
  EXPECT_EQ("You are going to open the different type of media.\r\nTherefore all records in the table will be cleared.",
            questions[0]);
  EXPECT_EQ(0, chooser);
  EXPECT_EQ((std::vector<std::string>{"Title1"}), Titles());

  answer = VK_RETURN;
  form->AddButtonClick(nullptr);
  EXPECT_EQ(1, chooser);
  EXPECT_FALSE(DVDMode);
  EXPECT_EQ((std::vector<std::string>{"tone"}), Titles());
  EXPECT_TRUE(form->EditVideo2->Enabled);

  // The downloader's queue wins over the dialog's files; the recorder's one
  // file over the dialog's as well.
  form->FilesToLoad = {fixtures::WindowsPath("clip_h264_aac.mp4")};
  form->DropFiles({fixtures::WindowsPath("multi.mkv")});
  EXPECT_EQ((std::vector<std::string>{"tone", "clip_h264_aac"}), Titles());
  form->FilesToLoad.clear();
  FileToLoad = fixtures::WindowsPath("multi.mkv");
  form->DropFiles({fixtures::WindowsPath("tone.mp3"), fixtures::WindowsPath("tone.mp3")});
  EXPECT_EQ((std::vector<std::string>{"tone", "clip_h264_aac", "multi"}), Titles());
  EXPECT_TRUE(FileToLoad.empty());
}

TEST_F(MainWindow, TrimAndEditOpenTheirWindowsButEditRefusesAudio) {
  int trims = 0, edits = 0;
  form->OnShowTrimWindow = [&] { ++trims; };
  form->OnShowEditWindow = [&] { ++edits; };
  std::vector<std::string> warnings;
  form->SkinMessage->OnBoxCreated = [&](TspMessageForm* box) {
    warnings.push_back(box->Message->Caption());
    PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
  };
  EXPECT_FALSE(form->ClipVideo2->Enabled);
  form->ClipButtonClick(nullptr);  // an empty table: only the history line
  form->EditButtonClick(nullptr);
  EXPECT_EQ(0, trims + edits);
  EXPECT_NE(std::string::npos, LastHistoryLines(2).find("-> Trim is clicked."));
  EXPECT_NE(std::string::npos, LastHistoryLines(1).find("-> Edit is clicked."));

  AddRows({"video", "music"});
  MediaFiles[1].isSourceAudioFormat = true;
  form->sgList->SetRow(1);
  form->EditVideo1->Click();
  form->ClipVideo1->Click();
  EXPECT_EQ(1, edits);
  EXPECT_EQ(1, trims);
  form->sgList->SetRow(2);
  form->EditVideo1->Click();
  EXPECT_EQ(1, edits);
  ASSERT_EQ(1u, warnings.size());
  EXPECT_EQ("Can't edit audio formats. You can click \"Trim\" button.", warnings[0]);
  form->ClipVideo1->Click();  // audio can be trimmed
  EXPECT_EQ(2, trims);
}

// The table as the user sees it: check marks in the first column, the
// header's mark for all rows, the start line written on the first showing
// only.
TEST_F(MainWindow, PaintsTheRowsMarksAndStartsOnFirstShow) {
  AddRows({"first", "second"});
  MediaFiles[1].Checked = false;
  AllItemsChecked = false;
  auto startLines = [] {
    int n = 0;
    TStringList& h = ActionHistory();
    for (int i = 0; i < h.Count(); ++i)
      if (h[i].find("-> Program is started and shown.") != std::string::npos) ++n;
    return n;
  };
  const int before = startLines();
  form->Show();
  form->Hide();
  form->Show();
  EXPECT_EQ(before + 1, startLines());
  EXPECT_TRUE(form->Timer1->Enabled());
  for (int i = 0; i < 20; ++i) {
    Application->ProcessMessages();
    Sleep(10);
  }
  UpdateWindow(form->sgList->Handle());
  HDC dc = GetDC(form->sgList->Handle());
  // Dark pixels of a tick inside a cell's check mark.
  auto tickPixels = [&](int row) {
    const TRect r = form->sgList->CellRect(0, row);
    int dark = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left + 9; x < r.Left + 20; ++x) {
        const COLORREF c = GetPixel(dc, x, y);
        if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) ++dark;
      }
    return dark;
  };
  EXPECT_GT(tickPixels(1), 3);
  EXPECT_EQ(0, tickPixels(2));
  EXPECT_EQ(0, tickPixels(0));
  ReleaseDC(form->sgList->Handle(), dc);
  form->Hide();
}

TEST_F(MainWindow, ClosingWritesTheSettingsAndEmptiesTempOnce) {
  ASSERT_EQ(Documents() + "\\Brenlowe\\Tessavane\\Temp", TempFolder);
  WriteFileText(TempFolder + "\\part.tmp", "x");
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(TempFolder + "\\sub").c_str()), nullptr);
  WriteFileText(TempFolder + "\\sub\\locked.tmp", "x");
  SetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(TempFolder + "\\sub\\locked.tmp").c_str()),
                     FILE_ATTRIBUTE_READONLY);
  form->edDestinationFolder->SetText("c:\\out");

  bool canClose = false;
  form->FormCloseQuery(form, canClose);
  EXPECT_TRUE(canClose);
  TCloseAction action = caHide;
  form->FormClose(form, action);
  EXPECT_TRUE(DirectoryExists(TempFolder));
  EXPECT_TRUE(FolderIsEmpty(TempFolder));
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Brenlowe\\Tessavane"));
    EXPECT_EQ("c:\\out", reg.ReadString("OutputPath"));
    EXPECT_EQ(4, reg.ReadInteger("recentprofileind"));
    EXPECT_EQ(-1, reg.ReadInteger("lasteditedformatind"));
  }
  // The close event arriving again does nothing.
  WriteFileText(TempFolder + "\\late.tmp", "x");
  form->FormClose(form, action);
  EXPECT_TRUE(FileExists(TempFolder + "\\late.tmp"));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(TempFolder + "\\late.tmp").c_str()));
}

// A temporary folder the user chose is not the program's: only the
// program's own files go from it at exit.
TEST_F(MainWindow, ClosingLeavesTheUsersFilesInAChosenTempFolder) {
  const std::string chosen = Documents() + "\\ChosenTemp";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(chosen).c_str()), nullptr);
  WriteFileText(chosen + "\\holiday.mp4", "mine");
  TempFolder = chosen;
  WriteFileText(chosen + "\\SDL_0.dll", "copy");
  TCloseAction action = caHide;
  form->FormClose(form, action);
  EXPECT_TRUE(FileExists(chosen + "\\holiday.mp4"));
  EXPECT_FALSE(FileExists(chosen + "\\SDL_0.dll"));
  DeleteFolderTree(chosen, true, false, true);
}

// The first format of the catalogue that is (or is not) an audio format.
bool FindFormat(bool audio, int& profile, int& format) {
  for (size_t p = 0; p < Profiles.size(); ++p)
    for (size_t f = 0; f < Profiles[p].Formats.size(); ++f) {
      const std::string& a = Profiles[p].Formats[f].IsAudioFormat;
      if ((!a.empty() && a != "0") == audio) {
        profile = static_cast<int>(p);
        format = static_cast<int>(f);
        return true;
      }
    }
  return false;
}

TEST_F(MainWindow, ParameterGridRowsFollowTheFormatAndTheFolds) {
  int videoProfile, videoFormat, audioProfile, audioFormat;
  ASSERT_TRUE(FindFormat(false, videoProfile, videoFormat));
  ASSERT_TRUE(FindFormat(true, audioProfile, audioFormat));
  TspSkinStringGrid* grid = form->ParamGrid;
  // Shown and tall enough for every row to take a click.
  form->spSkinPanel1->SetVisible(true);
  form->spSkinExPanel2->SetHeight(400);
  grid->SetHeight(360);
  auto click = [&](int row) {
    const TRect r = grid->CellRect(0, row);
    form->ParamGridMouseDown(grid, mbLeft, 0, r.Left + 2, r.Top + 2);
  };
  // format, folds clicked (heading rows, in order) -> rows, parameter of rows 1 and 2
  const struct {
    bool audio;
    std::vector<int> clicks;
    int rows, row1, row2;
  } cases[] = {
      {false, {}, 10, 1, 2},         // Video, 4 rows, Audio, 4 rows
      {false, {0}, 6, 0, 5},         // video folded: Audio heading on row 1
      {false, {5}, 6, 1, 2},         // audio folded
      {false, {0, 1}, 2, 0, 0},      // both folded: the headings alone
      {true, {}, 6, 0, 5},           // audio format: no video rows
      {true, {0}, 6, 0, 5},          // its Video heading does not fold
      {true, {1}, 2, 0, 0},
  };
  for (const auto& c : cases) {
    form->VideoParametersCollapsed = form->AudioParametersCollapsed = false;
    CurrentProfileIndex = c.audio ? audioProfile : videoProfile;
    CurrentFormatIndex = c.audio ? audioFormat : videoFormat;
    grid->SetRowCount(10);
    for (int row : c.clicks) click(row);
    const int rows = form->VideoParameterRows() + form->AudioParameterRows() + 2;
    EXPECT_EQ(c.rows, rows) << c.audio << " " << c.clicks.size();
    if (!c.clicks.empty()) EXPECT_EQ(c.rows, grid->RowCount()) << c.audio << " " << c.clicks.size();
    EXPECT_EQ(c.row1, form->ParameterOfRow(1)) << c.audio << " " << c.clicks.size();
    EXPECT_EQ(c.row2, form->ParameterOfRow(2)) << c.audio << " " << c.clicks.size();
    EXPECT_FALSE(c.audio && form->VideoParametersCollapsed);
  }
  form->VideoParametersCollapsed = form->AudioParametersCollapsed = false;
}

TEST_F(MainWindow, InPlaceEditsWriteTheCurrentFormatAndReestimateEveryRow) {
  int profile, format;
  ASSERT_TRUE(FindFormat(false, profile, format));
  CurrentProfileIndex = profile;
  CurrentFormatIndex = format;
  TFormat& f = Profiles[profile].Formats[format];
  AddRows({"One", "Two"});
  for (TMediaFile& m : MediaFiles) {
    m.ProfileInd = profile;
    m.FormatInd = format;
    m.TrimmedLength = 60 * 1000000LL;
  }
  // The resolution row takes any typed text; without its asterisk both
  // parts become "-1".
  const struct {
    const char* typed;
    const char *width, *height;
  } sizes[] = {{"640*360", "640", "360"}, {"640", "-1", "-1"}, {"1280*720", "1280", "720"}};
  for (const auto& c : sizes) {
    form->cmbParams->Tag = 1;
    form->cmbParams->SetStyle(spcbEditStyle);
    form->cmbParams->SetText(c.typed);
    form->cmbParams->SetVisible(true);
    form->FinishParamEdit();
    EXPECT_EQ(c.width, f.Width) << c.typed;
    EXPECT_EQ(c.height, f.Height) << c.typed;
    EXPECT_FALSE(form->cmbParams->Visible());
  }
  EXPECT_EQ(profile, LastEditedProfileIndex);
  EXPECT_EQ(format, LastEditedFormatIndex);

  // A new audio bit rate (row 8 with both sections open): every row's
  // estimate follows; no chosen entry keeps the value.
  f.AudioBitRates = "64000$64 kbps,320000$320 kbps";
  f.AudioBitRate = "64000";
  f.VideoBitRate = "1000000";
  for (int i = 0; i < 2; ++i) RecalcItem(i);
  const double before = MediaFiles[1].EstimatedSize;
  form->cmbParams->Tag = 8;
  form->cmbParams->SetStyle(spcbFixedStyle);
  form->cmbParams->Items()->Clear();
  form->cmbParams->Items()->Add("64 kbps");
  form->cmbParams->Items()->Add("320 kbps");
  form->cmbParams->SetItemIndex(1);
  form->cmbParams->SetVisible(true);
  form->FinishParamEdit();
  EXPECT_EQ("320000", f.AudioBitRate);
  EXPECT_GT(MediaFiles[0].EstimatedSize, before);
  EXPECT_EQ(MediaFiles[0].EstimatedSize, MediaFiles[1].EstimatedSize);
  form->cmbParams->SetItemIndex(-1);
  form->cmbParams->SetVisible(true);
  form->FinishParamEdit();
  EXPECT_EQ("320000", f.AudioBitRate);
  LastEditedProfileIndex = LastEditedFormatIndex = -1;
}

TEST_F(MainWindow, PreviewTimeAndSnapshotsWithoutAPicture) {
  AddRows({"NoPicture"});
  // Without a length the position writes the time only.
  form->FDuration = 0;
  form->VideoTrackBar->SetValue(0);
  form->VIDavazaPosition(form->VIDavaza, 5000000);
  EXPECT_EQ(0, form->VideoTrackBar->Value());
  EXPECT_EQ("00:00:05 / 00:00:00", form->lblPlayTime->Caption());
  form->FDuration = 120000000;
  form->VIDavazaPosition(form->VIDavaza, 60000000);
  EXPECT_EQ(500, form->VideoTrackBar->Value());
  EXPECT_EQ("00:01:00 / 00:02:00", form->lblPlayTime->Caption());
  // The end of the media stops the preview as Stop does.
  form->VIDavazaState(form->VIDavaza, psEnd);
  EXPECT_EQ(0, form->VideoTrackBar->Value());
  EXPECT_EQ("00:02:00 / 00:02:00", form->lblPlayTime->Caption());
  EXPECT_FALSE(form->PauseButton->Visible());

  // No picture shown: nothing written, no counter moves, in either format.
  for (bool bmp : {false, true}) {
    if (bmp)
      form->BMP1Click(form);
    else
      form->JPEG1Click(form);
    EXPECT_EQ(bmp, form->BMP1->Checked());
    EXPECT_EQ(!bmp, form->JPEG1->Checked());
    form->SnapshotButtonClick(form);
    EXPECT_EQ(1, form->JpegSnapshotCounter);
    EXPECT_EQ(1, form->BmpSnapshotCounter);
    EXPECT_FALSE(FileExists(SnapshotFolder + "\\NoPicture_1." + (bmp ? "bmp" : "jpg")));
  }
  // The volume bar reaches both preview players and the edit window's bar.
  TCropForm* crop = new TCropForm(nullptr);
  CropForm = crop;
  form->VolumeTrackBar->SetValue(64);
  EXPECT_EQ(64, form->PreviewVolume());
  EXPECT_EQ(64, form->VIDavaza->AudioVolume.load());
  EXPECT_EQ(64, crop->VIDavaza1->AudioVolume.load());
  EXPECT_EQ(64, crop->VolumeTrackBar->Value());
  delete crop;
  CropForm = nullptr;
}

TEST(DeleteFolderTree, RemovesReadOnlyEntriesAndReportsAMissingFolder) {
  const std::string root = SpecialFolderPath(CSIDL_PERSONAL) + "\\TreeTest";
  EXPECT_FALSE(DeleteFolderTree(root + "\\missing", true, false, false));
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(root).c_str()), nullptr);
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(root + "\\a").c_str()), nullptr);
  WriteFileText(root + "\\a\\ro.txt", "x");
  SetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(root + "\\a\\ro.txt").c_str()), FILE_ATTRIBUTE_READONLY);
  WriteFileText(root + "\\b.txt", "x");
  EXPECT_TRUE(DeleteFolderTree(root, true, false, false));
  EXPECT_TRUE(DirectoryExists(root));
  EXPECT_TRUE(FolderIsEmpty(root));
  EXPECT_TRUE(DeleteFolderTree(root, true, false, true));
  EXPECT_FALSE(DirectoryExists(root));
}

TEST_F(MainWindow, ProgressEventsSetTheirOwnRowsAndTheTextsFollowTheTimer) {
  AddRows({"a", "b", "c"});
  MediaFiles[1].Checked = false;  // task 1 is row "c"
  for (TMediaFile& f : MediaFiles) f.StatusS = 0;
  TProgressInfo info;
  info.TaskIndex = 1;
  info.CurrentDuration = 5000000;
  info.TotalDuration = 20000000;
  form->MediaEncoderProgress(form->MediaEncoder, &info);
  EXPECT_FLOAT_EQ(MediaFiles[2].StatusS, 25.0f);
  EXPECT_FLOAT_EQ(MediaFiles[0].StatusS, 0.0f);
  EXPECT_EQ(MediaFiles[2].Status, "Ready");  // no refresh due yet
  EXPECT_EQ(form->LastProgressTotal.load(), 20000000);
  form->ProcessUpdateTimerTimer(form);
  form->MediaEncoderProgress(form->MediaEncoder, &info);
  EXPECT_EQ(MediaFiles[2].Status.substr(0, 2), "25");
  EXPECT_EQ(MediaFiles[2].Status.back(), '%');
  EXPECT_EQ(MediaFiles[0].Status, "Ready");
  // A length the engine does not know leaves the row as it was.
  info.TotalDuration = 0;
  form->MediaEncoderProgress(form->MediaEncoder, &info);
  EXPECT_FLOAT_EQ(MediaFiles[2].StatusS, 25.0f);
  // In the first phase of Join All a part never shows complete.
  form->JoinAllVideos = true;
  info.CurrentDuration = info.TotalDuration = 20000000;
  form->MediaEncoderProgress(form->MediaEncoder, &info);
  EXPECT_FLOAT_EQ(MediaFiles[2].StatusS, 99.0f);
  form->JoinAllVideos = false;
}

TEST_F(MainWindow, TheFinalEventMarksCheckedRowsDoneOrCancelledAndUnchecksThem) {
  AddRows({"a", "b", "c"});
  MediaFiles[1].Checked = false;
  MediaFiles[1].Status = "100%";
  MediaFiles[1].StatusS = 100;
  MediaFiles[0].StatusS = 100;
  MediaFiles[0].Status = "100.00%";
  MediaFiles[2].StatusS = 40;
  form->StoppedByUser = 1;
  form->MediaEncoderTerminate(form->MediaEncoder, TTerminateInfo{-1, true, false, ""});
  EXPECT_EQ(MediaFiles[0].Status, "100.00%");  // complete before the stop: kept
  EXPECT_EQ(MediaFiles[2].Status, "Cancelled");
  EXPECT_FLOAT_EQ(MediaFiles[2].StatusS, -2.0f);
  EXPECT_EQ(MediaFiles[1].Status, "100%");  // not in the run
  for (const TMediaFile& f : MediaFiles) EXPECT_FALSE(f.Checked);
  EXPECT_EQ(form->StoppedByUser, 0);
  EXPECT_FALSE(form->ProcessUpdateTimer->Enabled());
  EXPECT_EQ(LastHistoryLines(1).find("Conversion successfully done"), std::string::npos);

  MediaFiles[2].Checked = true;
  form->MediaEncoderTerminate(form->MediaEncoder, TTerminateInfo{-1, true, false, ""});
  EXPECT_EQ(MediaFiles[2].Status, "100%");
  EXPECT_NE(LastHistoryLines(1).find("-> Conversion successfully done."), std::string::npos);
}

// The brightest pixel of a rectangle of a 24-bit frame.
int Brightest(TBitmap& frame, int left, int top, int right, int bottom) {
  GdiFlush();
  int best = 0;
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = frame.ScanLine(y);
    for (int x = left; x < right; ++x)
      for (int c = 0; c < 3; ++c) best = std::max<int>(best, row[x * 3 + c]);
  }
  return best;
}

TEST_F(MainWindow, ThePromotionalPictureCoversTheLastTenSecondsInTheCorner) {
  struct Case {
    int64_t total, pts;
    bool drawn;
  } cases[] = {
      {60000000, 49000000, false}, {60000000, 50500000, true},  {60000000, 59960000, true},
      {15000000, 5000000, false},  {15000000, 10040000, true},  {15000000, 14960000, true},
      {10000000, 9960000, false},  {10000000, 100000, false},   {0, 20000000, false},
  };
  for (const Case& c : cases) {
    TBitmap frame(320, 240, pf24bit);
    form->LastProgressTotal = c.total;
    THookInfo info;
    info.TaskIndex = 0;
    info.Bitmap = &frame;
    info.PTS = c.pts;
    form->MediaEncoderVideoOutputHook(form->MediaEncoder, &info);
    EXPECT_EQ(Brightest(frame, 320 - 198, 240 - 18, 320, 240) > 100, c.drawn) << c.total << " " << c.pts;
    EXPECT_EQ(Brightest(frame, 0, 0, 320, 240 - 18), 0) << "drawn outside the corner";
  }
}

}  // namespace
