// The main window's way to the program's other windows: the small dialogs,
// the help links, the open dialog, the recorder and the updater, and the
// hooks through which the other windows call back into this one.
#include "app/main/main.h"
#include "app/main/MainParts.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "app/editing/EditHost.h"
#include "app/editing/clip.h"
#include "app/editing/crop.h"
#include "app/editing/profilechoosing.h"
#include "app/editing/settings.h"
#include "app/editing/tageditor.h"
#include "app/input/FreeHandWnd.h"
#include "app/input/recorder.h"
#include "app/main/AppStorage.h"
#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "app/main/HelpLinks.h"
#include "app/main/DialogParts.h"
#include "app/main/MainSetup.h"
#include "app/main/about.h"
#include "app/main/errordlg.h"
#include "app/main/fileinfo.h"
#include "app/main/log.h"
#include "app/main/mediaload.h"
#include "app/main/preferences.h"
#include "app/main/dvdinfo.h"
#include "app/update/updater.h"
#include "engine/FFEncode.h"
#include "framework/StringList.h"
#include "framework/WideText.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "skin/data/SkinData.h"
#include "skin/data/sppngimagelist.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spDialogs.h"
#include "skin/dialogs/spFileDialogs.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/SkinHint.h"

using namespace mainparts;

namespace {

constexpr int kHotKeyPause = 1, kHotKeyStop = 2;

}  // namespace

void TMainForm::BuildWindowCommands() {
  dlgopen = Make<TspSkinOpenDialog>(this, nullptr, "dlgopen");
  dlgopen->MultiSelection = true;
  dlgopen->SetSkinData(spSkinData1);
  dlgopen->SetCtrlSkinData(spSkinData1);

  // The program's one hint component: every skinned control's hint shows
  // through it.
  spSkinHint1 = Make<TspSkinHint>(this, nullptr, "spSkinHint1");
  spSkinHint1->LineSeparator = "@";
  {
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    font.SetColor(clWindowText);
    spSkinHint1->SetDefaultFont(&font);
  }
  spSkinHint1->UseSkinFont = true;
  spSkinHint1->SetAlphaBlendSupport(true);
  spSkinHint1->AlphaBlend = false;
  spSkinHint1->AlphaBlendValue = 200;
  spSkinHint1->AlphaBlendAnimation = true;
  spSkinHint1->SetSkinData(spSkinData1);
  spSkinHint1->SetActive(true);

  About1->OnClick = [this](TObject* s) { About1Click(s); };
  EventsLogMenuItem->OnClick = [this](TObject* s) { EventsLogMenuItemClick(s); };
  Preferences1->OnClick = [this](TObject* s) { Preferences1Click(s); };
  FileInformation1->OnClick = [this](TObject* s) { FileInformation1Click(s); };
  FileInformation2->OnClick = [this](TObject* s) { FileInformation1Click(s); };
  Exit1->OnClick = [this](TObject*) { ::Exit1Click(this); };
  HomePage1->OnClick = [](TObject*) { HomePage1Click(); };
  Support1->OnClick = [](TObject*) { Support1Click(); };
  OnFacebook1->OnClick = [](TObject*) { LikeButtonClick(); };
  OnTwitter1->OnClick = [](TObject*) { TweetButtonClick(); };
  LikeButton = Make<TspSkinSpeedButton>(this, spSkinPanel4, "LikeButton");
  LikeButton->SetBounds(4, 4, 24, 24);
  LikeButton->Hint = "Facebook";
  LikeButton->OnClick = [](TObject*) { LikeButtonClick(); };
  TweetButton = Make<TspSkinSpeedButton>(this, spSkinPanel4, "TweetButton");
  TweetButton->SetBounds(32, 4, 24, 24);
  TweetButton->Hint = "Twitter";
  TweetButton->OnClick = [](TObject*) { TweetButtonClick(); };
  Checkforupdates1->OnClick = [this](TObject* s) { Checkforupdates1Click(s); };
  RecordButton->OnClick = [this](TObject* s) { RecordButtonClick(s); };
  RecordVideo1->OnClick = [this](TObject* s) { RecordButtonClick(s); };

  // The windows this one opens for the selected row.
  OnChooseFiles = [this](std::vector<std::string>& files) { return ChooseFiles(files); };
  OnShowTrimWindow = [this] {
    StopPreview();
    ShowTrimDialog(sgList->Row() - 1);
  };
  OnShowEditWindow = [this] {
    StopPreview();
    ShowEditDialog(sgList->Row() - 1);
  };
  OnShowTagWindow = [this] {
    if (TagEditForm) TagEditForm->EditItemTags(sgList->Row() - 1);
  };
  OnRecorderHotKey = [](int id) {
    if (id == kHotKeyPause)
      RecorderHotKeyPauseResume();
    else if (id == kHotKeyStop)
      RecorderHotKeyStop();
  };
}

bool TMainForm::ChooseFiles(std::vector<std::string>& files) {
  dlgopen->SetTitle(Translate("Open file"));
  if (!dlgopen->Execute()) return false;
  files.clear();
  TStringList* chosen = dlgopen->Files();
  for (int i = 0; i < chosen->Count(); ++i) files.push_back((*chosen)[i]);
  if (files.empty() && !dlgopen->FileName().empty()) files.push_back(dlgopen->FileName());
  if (!files.empty()) {
    // The folder of the choice is where the dialog opens next time.
    const std::string& first = files.front();
    const size_t slash = first.find_last_of("\\/");
    if (slash != std::string::npos) {
      OpenDialogSelectionFolder = first.substr(0, slash);
      dlgopen->InitialDir = OpenDialogSelectionFolder;
    }
  }
  return true;
}

void TMainForm::About1Click(TObject*) { ::About1Click(&LogoImage); }

void TMainForm::EventsLogMenuItemClick(TObject*) { ::EventsLogMenuItemClick(); }

void TMainForm::Preferences1Click(TObject*) {
  bool shutdown = ShutdownComputer1->Checked();
  bool openOutput = OpenOutputFolder1->Checked();
  ::Preferences1Click(shutdown, openOutput);
  ShutdownComputer1->SetChecked(shutdown);
  chShutDownPC->SetChecked(shutdown);
  OpenOutputFolder1->SetChecked(openOutput);
}

void TMainForm::FileInformation1Click(TObject*) {
  if (MediaFiles.empty()) return;
  ::FileInformation1Click(*MediaEncoder->Decoder(), sgList->Row() - 1, [] {
    if (DVDInfoForm) DVDInfoForm->ShowModal();
  });
}

void TMainForm::RecordButtonClick(TObject*) {
  AddToHistory("-> Record is clicked.");
  if (!ClearDVDTableForFiles()) return;
  FileToLoad.clear();
  FileToLoad = ShowRecorder(this);
  if (!Visible()) Show();
  if (FileToLoad.empty()) return;
  sgListPopupMenu = VideoFilesTableContextMenu;
  RunLoadDialog();
  FileToLoad.clear();
  if (!MediaFiles.empty()) PrepareItemControls();
}

namespace {

// The updater asks the maker's version page; an address with its own port
// ("http://host:port/...") gives the port to the component, which takes the
// host and the path from the address.
void AimUpdater() {
  std::string url = Endpoints().HomePage + "download/version_tessavane.html";
  unsigned port = 80;
  const size_t scheme = url.find("://");
  const size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
  const size_t pathStart = url.find('/', hostStart);
  const size_t colon = url.find(':', hostStart);
  if (colon != std::string::npos && (pathStart == std::string::npos || colon < pathStart)) {
    const std::string digits =
        url.substr(colon + 1, (pathStart == std::string::npos ? url.size() : pathStart) - colon - 1);
    const unsigned long value = digits.empty() ? 0 : std::strtoul(digits.c_str(), nullptr, 10);
    if (value > 0 && value < 65536) port = static_cast<unsigned>(value);
    url.erase(colon, (pathStart == std::string::npos ? url.size() : pathStart) - colon);
  }
  UpdaterForm->WebUpdater->ProductInfo()->SetURL(url);
  UpdaterForm->WebUpdater->ProductInfo()->Version = "1.0";
  UpdaterForm->WebUpdater->HTTPPort = port;
}

}  // namespace

void TMainForm::StartupUpdateCheck() {
  if (!UpdaterForm) return;
  AimUpdater();
  UpdaterForm->WebUpdater->CheckForAnUpdate();
}

void TMainForm::Checkforupdates1Click(TObject*) {
  AddToHistory("-> Help -> Check for updates... is chosen in main menu.");
  if (!UpdaterForm) return;
  AimUpdater();
  UpdaterForm->WebUpdater->CheckForAnUpdate();
}

// ---------------------------------------------------------------- the program's hooks

void ConnectProgramWindows() {
  TMainForm* main = MainForm;
  if (!main) return;

  // Every failure shows the error window and may mail the report.
  InstallErrorReport();
  InstallErrorWindow();
  OnShellOpen = ShellExecuteOpen;
  OnItemsChanged = [] {
    if (MainForm) MainForm->RepaintList();
  };

  // The trim and edit windows.
  TEditHost& host = EditHost();
  host.PreviewVolume = [] { return MainForm ? MainForm->PreviewVolume() : 128; };
  host.SetPreviewVolume = [](int volume) {
    if (MainForm) MainForm->SetPreviewVolume(volume);
  };
  host.RepaintGrid = [] {
    if (MainForm) MainForm->RepaintList();
  };
  host.ExecuteFontDialog = [](TFont* font) {
    if (!CropForm || !font) return false;
    TspSkinFontDialog* dialog = CropForm->spSkinFontDialog1;
    dialog->SetFont(font);
    if (!dialog->Execute()) return false;
    font->Assign(dialog->Font());
    return true;
  };
  host.ChooseOverlayPicture = [](std::string& fileName) {
    if (!CropForm) return false;
    TspSkinFileEdit* edit = CropForm->edPictureOverlay;
    const std::string before = edit->Text();
    edit->DlgSkinData.Set(MainForm ? MainForm->spSkinData1 : nullptr);
    edit->DlgCtrlSkinData.Set(edit->DlgSkinData);
    edit->ButtonClick();
    fileName = edit->Text();
    return fileName != before || !fileName.empty();
  };
  host.DvdPath = [] { return MainForm ? MainForm->FDVDPath : std::string(); };
  host.ShowMessage = [](const std::string& text) {
    if (MainForm) MainForm->SkinMessage->MessageDlg(text, mtInformation, MsgDlgButtons({mbOK}), 0);
  };

  // The profile picker.
  if (proform) {
    TProfilePickerHost& p = proform->Host;
    p.SelectedItemIndex = [] { return MainForm ? MainForm->sgList->Row() - 1 : -1; };
    p.ShowProfileTitle = [](const std::string& title) {
      if (MainForm) MainForm->lblProfile->SetCaption(title);
    };
    p.ShowProfileIcons = [](TPicture* category, TPicture* format) {
      if (MainForm) MainForm->ShowProfileIcons(category, format);
    };
    p.ApplyToAllChecked = [] { return MainForm && MainForm->chApplyToAll->Checked(); };
    p.JoinAllMode = [] { return MainForm && MainForm->JoinAllVideos; };
    p.RepaintItems = [] {
      if (MainForm) MainForm->RepaintList();
    };
    p.RepaintParameters = [] {
      if (MainForm) MainForm->ParamGrid->Invalidate();
    };
    p.FocusMainWindow = [] {
      if (MainForm && MainForm->HandleAllocated()) SetForegroundWindow(MainForm->Handle());
    };
    p.InputQuery = [](const std::string& caption, const std::string& prompt, std::string& value) {
      return MainForm && MainForm->InputQuery(caption, prompt, value);
    };
    p.MessageDlg = [](const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
      return MainForm ? MainForm->SkinMessage->MessageDlg(text, type, buttons, 0) : static_cast<int>(mrCancel);
    };
    p.FillProfileSettings = [] {
      if (settingsform) settingsform->FillProfileSettings();
    };
    proform->SetSkinData(main->spSkinData1);
  }

  if (settingsform) {
    settingsform->OnItemsChanged = [] {
      if (MainForm) MainForm->RepaintList();
    };
    settingsform->OnWarning = [](const std::string& text) {
      if (MainForm) MainForm->SkinMessage->MessageDlg(text, mtWarning, MsgDlgButtons({mbOK}), 0);
    };
  }
  if (TagEditForm) {
    TagEditForm->SelectedItemIndex = [] { return MainForm ? MainForm->sgList->Row() - 1 : -1; };
    TagEditForm->SetSkinData(main->spSkinData1);
  }

  // The recorder and its region picker.
  RecorderErrorBox = [](const std::string& text) {
    if (MainForm) MainForm->SkinMessage->MessageDlg(text, mtError, MsgDlgButtons({mbOK}), 0);
  };
  SetRecorderHotKeysFailed(main->HotKeysFailed);

  if (UpdaterForm) UpdaterForm->SkinMessage = main->SkinMessage;

  // The players' buttons of the trim and edit windows show the main
  // window's player pictures; the picker marks custom formats with its own.
  if (ClipForm) {
    for (TspSkinButton* b : {ClipForm->PlayButton, ClipForm->PauseButton, ClipForm->StopButton,
                             ClipForm->spSkinButton1, ClipForm->spSkinButton3, ClipForm->spSkinButton2})
      b->SetImageList(main->PlayerImages);
  }
  if (CropForm) {
    for (TspSkinButton* b : {CropForm->PlayButton, CropForm->PauseButton, CropForm->StopButton})
      b->SetImageList(main->PlayerImages);
    // Every new row starts with the edit window's overlay font.
    OverlayFont = CropForm->OverlayFont;
  }
  if (proform) proform->CustomProfileEditRemove = main->CustomProfileEditRemove;

  // Every window of the program wears the main window's skin. The larger
  // ones take it once the main window is up (the edit window alone has
  // some sixty controls to skin): no command reaches them before.
  for (TForm* form : std::initializer_list<TForm*>{LoadForm, RecForm, UpdaterForm})
    if (form) SkinProgramWindow(form, main->spSkinData1);
  main->SkinLargerWindowsLater();
}

void SkinLargerWindows(TspSkinData* skin) {
  for (TForm* form : std::initializer_list<TForm*>{ClipForm, CropForm, settingsform, TagEditForm})
    if (form) SkinProgramWindow(form, skin);
}
