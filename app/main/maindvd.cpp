// DVD titles, downloads and recordings from the main window.
#include "app/main/main.h"
#include "app/main/MainParts.h"

#include <algorithm>
#include <cstdio>

#include "app/input/DVDPlugIn.h"
#include "app/main/AppStorage.h"
#include "app/main/Downloader.h"
#include "app/main/MainSetup.h"
#include "app/main/ErrorReport.h"
#include "app/main/dvdinfo.h"
#include "app/main/mediaload.h"
#include "engine/FFEncode.h"
#include "player/FFPlay.h"
#include "framework/StringList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinPanel.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/SkinMenus.h"

using namespace mainparts;

namespace {

// The text the DVD plug-in is initialised with.
constexpr const char* kDVDPlugInInitText = "Tessavane";

// A track's entry: its language and ID as in "English[0x80]".
std::string TrackEntry(const std::string& language, int id) {
  char number[16];
  std::snprintf(number, sizeof number, "[0x%x]", static_cast<unsigned>(id));
  return language + number;
}

}  // namespace

bool TMainForm::AcceptMediaReplacement() {
  const std::string question = Translate("You are going to open the different type of media.") + "\r\n" +
                               Translate("Therefore all records in the table will be cleared.");
  return SkinMessage->MessageDlg(question, mtWarning, MsgDlgButtons({mbYes, mbNo}), 0) == mrYes;
}

void TMainForm::EndJoinAll() {
  JoinButton->SetCaption(Translate("Join All"));
  JoinAllVideos = false;
}

bool TMainForm::ClearDVDTableForFiles() {
  if (!DVDMode || MediaFiles.empty()) return true;
  if (!AcceptMediaReplacement()) return false;
  ClearRows();
  Thumbnails.clear();
  EndJoinAll();
  return true;
}

void TMainForm::BuildMediaInputCommands() {
  BindClick([this](TObject* s) { LoadDVDButtonClick(s); }, LoadDVDButton, LoadDVD1, DVDVideo1);
  BindClick([this](TObject* s) { DownloadButtonClick(s); }, DownloadButton, spSkinSpeedButton3, DownloadfromWeb1,
            YouTubeVideo1);

  // The DVD table's menu: Rename | Trim, Edit, Join All | DVD Info. Its
  // Join All is bound with the other Join All commands.
  TMenuItem* dm = DVDTableContextMenu->Items();
  auto separator = [this](const char* name) {
    TMenuItem* line = new TMenuItem(this);
    line->SetName(name);
    line->SetCaption("-");
    return line;
  };
  dm->Insert(dm->IndexOf(MenuItem8), separator("DVDMenuLine1"));
  dm->Insert(dm->IndexOf(MenuItem12), separator("DVDMenuLine2"));
  MenuItem12->OnClick = [this](TObject* s) { MenuItem12Click(s); };
}

// ---------------------------------------------------------------- DVD

void TMainForm::BuildDVDDeviceMenu(TspSkinPopupMenu* menu, TNotifyEvent onClick) {
  TMenuItem* item = new TMenuItem(this);
  item->SetName("DVDDeviceItem");
  menu->Items()->Add(item);
  TStringList drives;
  if (GetCDROMDrives(&drives) == 0) {
    item->SetCaption(Translate("No DVD Device found"));
    item->Enabled = false;
    return;
  }
  item->SetCaption(Translate("Select DVD Device"));
  for (int i = 0; i < drives.Count(); ++i) {
    TMenuItem* drive = new TMenuItem(this);
    drive->SetName("DVDDrive" + std::to_string(i + 1));
    drive->SetCaption(drives[i]);
    drive->OnClick = onClick;
    item->Add(drive);
  }
}

void TMainForm::LoadDVDButtonClick(TObject*) {
  AddToHistory("-> Load DVD is clicked.");
  if (ConversionActive) return;
  if (!BindMediaLibraries("CLM_FFLoadAVLib2")) return;
  // The titles play in the main preview: its own SDL copy, as a file's would.
  if (!VIDavaza->SDLLibLoaded() && !VIDavaza->LoadSDLLib(TempFolder, PrepareSdlLibrary(0))) {
    ActionHistory().Add(VIDavaza->LastErrMsg());
    ReportError(Translate("Error loading SDL library"), "CLM_SDlLibLoad");
    return;
  }
  if (!IsDVDPlugInLoaded()) {
    if (!LoadDVDPlugIn(ProgramFolder() + "\\LibAV", kDVDPlugInInitText)) {
      AddToHistory("-> " + GetDVDPlugInError());
      return;
    }
    AddToHistory("-> DVD plug-in v" + GetDVDPlugInVersion() + " is loaded.");
  }
  const POINT at = ClientToScreen(
      POINT{spSkinPanel6->Left() + LoadDVDButton->Left(), LoadDVDButton->Top() + LoadDVDButton->Height()});
  TMenuItem* devices = PopupMenu1->Items()->Count() > 0 ? PopupMenu1->Items()->Items(0) : nullptr;
  if (!devices || devices->Caption() != Translate("Select DVD Device")) return;
  if (devices->Count() == 1)
    OpenDVD(devices->Items(0)->Caption());
  else
    PopupMenu1->Popup(at.x, at.y);
}

void TMainForm::DoMenuClick(TObject* sender) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item) return;
  std::string path = item->Caption();
  path.erase(std::remove(path.begin(), path.end(), '&'), path.end());
  OpenDVD(path);
}

void TMainForm::OpenDVD(const std::string& path) {
  theDVDPath = path;
  DVDTitleCount = EnumDVDTitles(path);
  if (DVDTitleCount <= 0) {
    SkinMessage->MessageDlg(Translate("No DVD title(s) found. Common reason: invalid DVD."), mtInformation,
                            MsgDlgButtons({mbOK}), 0);
    return;
  }
  if (!DVDMode && !MediaFiles.empty()) {
    if (!AcceptMediaReplacement()) return;
    EndJoinAll();
  }
  DVDMode = true;
  sgListPopupMenu = DVDTableContextMenu;
  FDVDPath = path;
  if (LoadForm) {
    LoadForm->ShowModal();
    LoadForm->IsShown = false;
  }
  if (!MediaFiles.empty()) {
    cboAudio->SetStyle(spcbFixedStyle);
    cboSubtitle->SetStyle(spcbFixedStyle);
    EnableControls(true, true);
    PrepareItemControls();
    ItemRemove->Enabled = false;
    ItemClearAll->Enabled = false;
    const int longest = LongestTitleRow();
    MediaFiles[longest].Checked = true;
    sgList->SetFixedRows(1);
    sgList->SetRow(longest + 1);
    sgListClick(this);
  }
  RepaintList();
}

int TMainForm::LongestTitleRow() const {
  int best = 0;
  for (size_t i = 1; i < MediaFiles.size(); ++i)
    if (MediaFiles[i].TrimmedLength > MediaFiles[best].TrimmedLength) best = static_cast<int>(i);
  return best;
}

void TMainForm::FillDVDTrackCombos(const TDVDTitle& title) {
  const TDVDTitleInfo* info = title.Info;
  const int audioCount = info ? info->AudioCount : 0;
  const int subtitleCount = info ? info->SubtitleCount : 0;

  int selected = audioCount;
  for (int k = 0; k < DVDBoundedCount(audioCount, DVDMaxAudio); ++k) {
    const TDVDAudioInfo& a = info->Audio[k];
    cboAudio->Items()->Add(TrackEntry(DVDText(a.Language), a.ID));
    if (a.ID == title.AudioID && selected == audioCount) selected = k;
  }
  cboAudio->Items()->Add(Translate(audioCount <= 0 ? "No audio tracks" : "Disable"));
  // A count beyond the list (a damaged block) selects its last entry.
  cboAudio->SetItemIndex(std::min(std::max(selected, 0), cboAudio->Items()->Count() - 1));

  selected = subtitleCount;
  for (int k = 0; k < DVDBoundedCount(subtitleCount, DVDMaxSubtitles); ++k) {
    const TDVDSubtitleInfo& s = info->Subtitles[k];
    cboSubtitle->Items()->Add(TrackEntry(DVDText(s.Language), s.ID));
    if (s.ID == title.SubtitleID && selected == subtitleCount) selected = k;
  }
  cboSubtitle->Items()->Add(Translate(subtitleCount <= 0 ? "No subtitles" : "Disable"));
  cboSubtitle->SetItemIndex(std::min(std::max(selected, 0), cboSubtitle->Items()->Count() - 1));

  chkDeinterlace->SetChecked(title.Deinterlace != 0);
}

void TMainForm::MenuItem12Click(TObject*) {
  if (DVDInfoForm) DVDInfoForm->ShowModal();
}

// ---------------------------------------------------------------- download

void TMainForm::DownloadButtonClick(TObject*) {
  AddToHistory("-> Download is clicked.");
  if (ConversionActive) return;
  if (DVDMode && !MediaFiles.empty() && !AcceptMediaReplacement()) return;
  if (!LoadDownloader()) return;
  std::string result;
  if (!RunDownloader(Left(), Top(), result) || result.empty()) return;
  std::vector<std::string> refused;
  FilesToLoad = DownloadedFiles(result, TempFolder, &refused);
  for (const std::string& name : refused) AddToHistory("-> Downloaded file name refused: " + name);
  // Without a name the loading dialog would take the open dialog's last
  // choice again: nothing was downloaded, so nothing changes.
  if (FilesToLoad.empty()) return;
  if (DVDMode && !MediaFiles.empty()) {
    ClearRows();
    Thumbnails.clear();
  }
  sgListPopupMenu = VideoFilesTableContextMenu;
  RunLoadDialog();
  FilesToLoad.clear();
  if (!MediaFiles.empty()) PrepareItemControls();
}
