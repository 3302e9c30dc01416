#include "app/main/main.h"
#include "app/main/MainParts.h"

#include <windows.h>
#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "app/update/updater.h"  // StartupCheckDone
#include "app/editing/settings.h"
#include "app/input/FreeHandWnd.h"
#include "app/main/DialogParts.h"
#include "skin/dialogs/spFileDialogs.h"
#include "app/input/DVDPlugIn.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/Downloader.h"
#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "app/main/MainSetup.h"
#include "app/main/mediaload.h"
#include "engine/FFEncode.h"
#include "framework/StringList.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinSplitter.h"
#include "skin/controls/SkinToolBar.h"
#include "skin/data/SkinData.h"
#include "skin/data/sppngimagelist.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/SkinMenus.h"

TMainForm* MainForm = nullptr;
std::vector<std::unique_ptr<TBitmap>> Thumbnails;
bool AllItemsChecked = true;
std::string FileToLoad;
std::vector<TProfileIcon> ProfileIcons;

static const char kProductName[] = "Tessavane";

using namespace mainparts;

namespace {

constexpr int kHotKeyPause = 1, kHotKeyStop = 2;
constexpr UINT WM_APP_SKIN_LARGER_WINDOWS = WM_APP + 0x41;

// A 13 x 13 check box picture: a frame, with a tick when checked.
void DrawCheckMark(TBitmap& bitmap, bool checked) {
  bitmap.SetSize(13, 13);
  TCanvas* c = bitmap.Canvas();
  c->Brush()->SetColor(0xFFFFFF);
  c->FillRect(TRect{0, 0, 13, 13});
  c->Brush()->SetColor(0x8A7A6A);
  c->FrameRect(TRect{0, 0, 13, 13});
  if (checked) {
    c->Pen()->SetColor(0x202020);
    c->Pen()->SetWidth(2);
    c->MoveTo(3, 6);
    c->LineTo(5, 9);
    c->LineTo(10, 3);
  }
}

}  // namespace


// ---------------------------------------------------------------- construction

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  SetName("MainForm");
  // A new main window starts up afresh: its first showing runs the check.
  StartupCheckDone = false;
  SetCaption(kProductName);
  SetBounds(CW_USEDEFAULT, CW_USEDEFAULT, 700, 480);
  BuildComponents();
  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnResize = [this](TObject*) { RepaintList(); };
  FormCreate();
}

TMainForm::~TMainForm() {
  ClearRows();
  Thumbnails.clear();
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildComponents() {
  spSkinData1 = Make<TspSkinData>(this, nullptr, "spSkinData1");
  spDynamicSkinForm1 = Make<TspDynamicSkinForm>(this, nullptr, "spDynamicSkinForm1");
  SkinMessage = Make<TspSkinMessage>(this, nullptr, "SkinMessage");
  ToolbarButtons = Make<TspPngImageList>(this, nullptr, "ToolbarButtons");
  HiddenToolbarButtons = Make<TspPngImageList>(this, nullptr, "HiddenToolbarButtons");
  SaveAsList = Make<TspPngImageList>(this, nullptr, "SaveAsList");
  PlayerImages = Make<TspPngImageList>(this, nullptr, "PlayerImages");
  CustomProfileEditRemove = Make<TspPngImageList>(this, nullptr, "CustomProfileEditRemove");
  SkinMessage->SetSkinData(spSkinData1);
  SkinMessage->SetCtrlSkinData(spSkinData1);
  MediaEncoder = Make<TFFEncoder>(this, nullptr, "MediaEncoder");
  Timer1 = Make<TTimer>(this, nullptr, "Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(5);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };

  // Menus. The item table's commands are bound here once; the menu bar
  // and the context menus share the handlers.
  auto rename = [this](TObject* s) { Rename1Click(s); };
  auto remove = [this](TObject* s) { Remove1Click(s); };
  auto clearAll = [this](TObject* s) { ClearAll1Click(s); };
  auto addFiles = [this](TObject* s) { AddButtonClick(s); };
  auto trim = [this](TObject* s) { ClipButtonClick(s); };
  auto edit = [this](TObject* s) { EditButtonClick(s); };
  MainMenu1 = Make<TspSkinMainMenu>(this, nullptr, "MainMenu1");
  TMenuItem* bar = MainMenu1->Items();
  File1 = AddItem(bar, this, "File1", "File");
  Openvideo1 = AddItem(File1, this, "Openvideo1", "Add File(s)", addFiles);
  LoadDVD1 = AddItem(File1, this, "LoadDVD1", "Load DVD");
  DownloadfromWeb1 = AddItem(File1, this, "DownloadfromWeb1", "Download Video");
  RecordVideo1 = AddItem(File1, this, "RecordVideo1", "Record Video");
  FileInformation2 = AddItem(File1, this, "FileInformation2", "Properties");
  Exit1 = AddItem(File1, this, "Exit1", "Exit", [this](TObject* s) { Exit1Click(s); });
  MenuEdit1 = AddItem(bar, this, "MenuEdit1", "Edit");
  ItemRemove = AddItem(MenuEdit1, this, "ItemRemove", "Remove Selected", remove);
  ItemClearAll = AddItem(MenuEdit1, this, "ItemClearAll", "Clear All Items", clearAll);
  ItemRename = AddItem(MenuEdit1, this, "ItemRename", "Rename Selected", rename);
  Actions1 = AddItem(bar, this, "Actions1", "Actions");
  ClipVideo2 = AddItem(Actions1, this, "ClipVideo2", "Trim Selected...", trim);
  EditVideo2 = AddItem(Actions1, this, "EditVideo2", "Edit Selected...", edit);
  Joinall1 = AddItem(Actions1, this, "Joinall1", "Join Checked Items");
  Convert1 = AddItem(Actions1, this, "Convert1", "Convert Checked Item(s)");
  Pause1 = AddItem(Actions1, this, "Pause1", "Pause Checked Item(s)");
  Stop1 = AddItem(Actions1, this, "Stop1", "Stop Checked Item(s)");
  AfterConversion1 = AddItem(Actions1, this, "AfterConversion1", "After Conversion");
  ShutdownComputer1 = AddItem(AfterConversion1, this, "ShutdownComputer1", "Shutdown Computer");
  ToolsMenuItem = AddItem(bar, this, "ToolsMenuItem", "Tools");
  OpenOutputFolder1 = AddItem(ToolsMenuItem, this, "OpenOutputFolder1", "Open Output Folder");
  Preferences1 = AddItem(ToolsMenuItem, this, "Preferences1", "Preferences");
  EventsLogMenuItem = AddItem(ToolsMenuItem, this, "EventsLogMenuItem", "History Log");
  Help1 = AddItem(bar, this, "Help1", "Help");
  Help2 = AddItem(Help1, this, "Help2", "Online Guide", [this](TObject* s) { Help2Click(s); });
  Support1 = AddItem(Help1, this, "Support1", "Support");
  HomePage1 = AddItem(Help1, this, "HomePage1", "Home Page");
  TellaFriend1 = AddItem(Help1, this, "TellaFriend1", "Tell a Friend");
  OnFacebook1 = AddItem(TellaFriend1, this, "OnFacebook1", "On Facebook");
  OnTwitter1 = AddItem(TellaFriend1, this, "OnTwitter1", "On Twitter");
  Checkforupdates1 = AddItem(Help1, this, "Checkforupdates1", "Check for Updates");
  About1 = AddItem(Help1, this, "About1", "About");

  AddClipMenu = Make<TspSkinPopupMenu>(this, nullptr, "AddClipMenu");
  VideoFiles1 = AddItem(AddClipMenu->Items(), this, "VideoFiles1", "Add File(s)", addFiles);
  YouTubeVideo1 = AddItem(AddClipMenu->Items(), this, "YouTubeVideo1", "Download Video");
  DVDVideo1 = AddItem(AddClipMenu->Items(), this, "DVDVideo1", "Load DVD");

  VideoFilesTableContextMenu = Make<TspSkinPopupMenu>(this, nullptr, "VideoFilesTableContextMenu");
  TMenuItem* vm = VideoFilesTableContextMenu->Items();
  Remove1 = AddItem(vm, this, "Remove1", "Remove", remove);
  ClearAll1 = AddItem(vm, this, "ClearAll1", "Clear All", clearAll);
  Rename1 = AddItem(vm, this, "Rename1", "Rename", rename);
  MoveUp1 = AddItem(vm, this, "MoveUp1", "Move Up", [this](TObject* s) { MoveUp1Click(s); });
  MoveDown1 = AddItem(vm, this, "MoveDown1", "Move Down", [this](TObject* s) { MoveDown1Click(s); });
  ClipVideo1 = AddItem(vm, this, "ClipVideo1", "Trim Video...", trim);
  EditVideo1 = AddItem(vm, this, "EditVideo1", "Edit Video...", edit);
  JoinAll2 = AddItem(vm, this, "JoinAll2", "Join All");
  FileInformation1 = AddItem(vm, this, "FileInformation1", "Properties");

  DVDTableContextMenu = Make<TspSkinPopupMenu>(this, nullptr, "DVDTableContextMenu");
  TMenuItem* dm = DVDTableContextMenu->Items();
  MenuItem3 = AddItem(dm, this, "MenuItem3", "Rename", rename);
  MenuItem8 = AddItem(dm, this, "MenuItem8", "Trim Video...", trim);
  MenuItem9 = AddItem(dm, this, "MenuItem9", "Edit Video...", edit);
  MenuItem10 = AddItem(dm, this, "MenuItem10", "Join All");
  MenuItem12 = AddItem(dm, this, "MenuItem12", "DVD Info");

  SnapshotMenu = Make<TspSkinPopupMenu>(this, nullptr, "SnapshotMenu");
  Item12 = AddItem(SnapshotMenu->Items(), this, "Item12", "Snapshot!");
  Item22 = AddItem(SnapshotMenu->Items(), this, "Item22", "Open Snapshot Folder");
  Item32 = AddItem(SnapshotMenu->Items(), this, "Item32", "Change Snapshot Folder");
  ChangeSnapshotFormat1 = AddItem(SnapshotMenu->Items(), this, "ChangeSnapshotFormat1", "Change Snapshot Format");
  PopupMenu1 = Make<TspSkinPopupMenu>(this, nullptr, "PopupMenu1");
  for (TspSkinPopupMenu* m : {AddClipMenu, VideoFilesTableContextMenu, DVDTableContextMenu, SnapshotMenu, PopupMenu1})
    m->SetSkinData(spSkinData1);

  // The large toolbar (hidden in this layout; its buttons still carry the
  // enabled states the commands set).
  spSkinPanel6 = Make<TspSkinPanel>(this, this, "spSkinPanel6");
  spSkinPanel6->SetBounds(0, 0, 680, 60);
  TspSkinButton** big[] = {&AddButton, &LoadDVDButton, &DownloadButton, &RecordButton, &ClipButton,
                           &EditButton, &JoinButton, &StartButton, &PauseBtn, &StopBtn};
  const char* bigNames[] = {"AddButton", "LoadDVDButton", "DownloadButton", "RecordButton", "ClipButton",
                            "EditButton", "JoinButton", "StartButton", "PauseBtn", "StopBtn"};
  for (int i = 0; i < 10; ++i) {
    *big[i] = Make<TspSkinButton>(this, spSkinPanel6, bigNames[i]);
    (*big[i])->SetBounds(4 + i * 66, 4, 64, 52);
  }
  AddButton->OnClick = addFiles;
  ClipButton->OnClick = trim;
  EditButton->OnClick = edit;

  // The menu bar above everything, drawn by the skin.
  spSkinMainMenuBar1 = Make<TspSkinMainMenuBar>(this, this, "spSkinMainMenuBar1");
  spSkinMainMenuBar1->SetAlign(alTop);
  spSkinMainMenuBar1->SetMainMenu(MainMenu1);
  spSkinMainMenuBar1->SetDynamicSkinForm(spDynamicSkinForm1);

  // The small toolbar along the top.
  HiddenToolbar = Make<TspSkinToolBar>(this, this, "HiddenToolbar");
  HiddenToolbar->SetBounds(0, 0, 680, 28);
  spSkinSpeedButton1 = Make<TspSkinSpeedButton>(this, HiddenToolbar, "spSkinSpeedButton1");
  spSkinSpeedButton1->OnClick = addFiles;
  spSkinMenuSpeedButton1 = Make<TspSkinMenuSpeedButton>(this, HiddenToolbar, "spSkinMenuSpeedButton1");
  spSkinMenuSpeedButton1->SetSkinPopupMenu(AddClipMenu);
  spSkinMenuSpeedButton1->SetTrackButtonMode(true);
  spSkinMenuSpeedButton1->OnClick = addFiles;
  TspSkinSpeedButton** smallButtons[] = {&spSkinSpeedButton2, &spSkinSpeedButton3, &spSkinSpeedButton4,
                                  &spSkinSpeedButton5, &spSkinSpeedButton6, &spSkinSpeedButton7,
                                  &spSkinSpeedButton8, &spSkinSpeedButton9, &spSkinSpeedButton10};
  for (int i = 0; i < 9; ++i) {
    const std::string name = "spSkinSpeedButton" + std::to_string(i + 2);
    *smallButtons[i] = Make<TspSkinSpeedButton>(this, HiddenToolbar, name.c_str());
    (*smallButtons[i])->SetBounds(0, 2, 75, 24);
  }
  spSkinMenuSpeedButton1->SetBounds(0, 2, 85, 24);
  spSkinSpeedButton2->SetWidth(80);
  spSkinSpeedButton4->SetWidth(65);
  spSkinSpeedButton6->SetWidth(80);
  spSkinSpeedButton9->SetWidth(65);
  spSkinSpeedButton10->SetWidth(80);
  spSkinSpeedButton2->OnClick = remove;
  spSkinSpeedButton8->OnClick = rename;
  spSkinSpeedButton4->OnClick = trim;
  spSkinSpeedButton5->OnClick = edit;
  spSkinSpeedButton10->OnClick = [this](TObject* s) { spSkinSpeedButton10Click(s); };
  // Output settings along the bottom.
  BottomPanel = Make<TspSkinExPanel>(this, this, "BottomPanel");
  BottomPanel->SetBounds(0, 300, 680, 100);
  setpanel = Make<TspSkinPanel>(this, BottomPanel, "setpanel");
  setpanel->SetBounds(10, 22, 670, 76);
  spSkinStdLabel1 = Make<TspSkinStdLabel>(this, setpanel, "spSkinStdLabel1");
  spSkinStdLabel1->SetBounds(4, 8, 60, 20);
  imgProfileField = Make<TspSkinPanel>(this, setpanel, "imgProfileField");
  imgProfileField->SetBounds(70, 4, 250, 26);
  lblProfile = Make<TspSkinStdLabel>(this, imgProfileField, "lblProfile");
  lblProfile->SetBounds(6, 4, 238, 18);
  ProfileIconButton = Make<TspSkinSpeedButton>(this, setpanel, "ProfileIconButton");
  ProfileIconButton->SetBounds(324, 4, 26, 26);
  ProfileSaveAsButton = Make<TspSkinSpeedButton>(this, setpanel, "ProfileSaveAsButton");
  ProfileSaveAsButton->SetBounds(354, 4, 26, 26);
  SettingsButton = Make<TspSkinButton>(this, setpanel, "SettingsButton");
  SettingsButton->SetBounds(330, 4, 90, 26);
  chApplyToAll = Make<TspSkinCheckRadioBox>(this, setpanel, "chApplyToAll");
  chApplyToAll->SetBounds(430, 6, 110, 22);
  ApplytoAllButton = Make<TspSkinButton>(this, setpanel, "ApplytoAllButton");
  ApplytoAllButton->SetBounds(550, 4, 90, 26);
  spSkinStdLabel2 = Make<TspSkinStdLabel>(this, setpanel, "spSkinStdLabel2");
  spSkinStdLabel2->SetBounds(4, 44, 60, 20);
  edDestinationFolder = Make<TspSkinDirectoryEdit>(this, setpanel, "edDestinationFolder");
  edDestinationFolder->SetBounds(70, 40, 350, 24);
  FindTargetButton = Make<TspSkinButton>(this, setpanel, "FindTargetButton");
  FindTargetButton->SetBounds(430, 39, 70, 26);
  chShutDownPC = Make<TspSkinCheckRadioBox>(this, setpanel, "chShutDownPC");
  chShutDownPC->SetBounds(520, 41, 130, 22);
  spSkinStdLabel3 = Make<TspSkinStdLabel>(this, setpanel, "spSkinStdLabel3");
  cboAudio = Make<TspSkinComboBox>(this, setpanel, "cboAudio");
  cboAudio->OnChange = [this](TObject* s) { cboAudioChange(s); };
  spSkinStdLabel4 = Make<TspSkinStdLabel>(this, setpanel, "spSkinStdLabel4");
  cboSubtitle = Make<TspSkinComboBox>(this, setpanel, "cboSubtitle");
  cboSubtitle->OnChange = [this](TObject* s) { cboSubtitleChange(s); };
  chkDeinterlace = Make<TspSkinCheckRadioBox>(this, setpanel, "chkDeinterlace");
  chkDeinterlace->SetVisible(false);
  chkDeinterlace->OnClick = [this](TObject* s) { chkDeinterlaceClick(s); };
  spSkinBevel5 = Make<TspSkinBevel>(this, setpanel, "spSkinBevel5");

  // The right-hand panel with the preview and the output parameters.
  spSkinPanel1 = Make<TspSkinPanel>(this, this, "spSkinPanel1");
  spSkinPanel1->SetBounds(440, 28, 240, 272);
  spSkinExPanel1 = Make<TspSkinExPanel>(this, spSkinPanel1, "spSkinExPanel1");
  spSkinExPanel1->SetBounds(0, 0, 240, 120);
  panPreview = Make<TspSkinPanel>(this, spSkinExPanel1, "panPreview");
  panPreview->SetBounds(4, 20, 232, 96);
  spSkinExPanel2 = Make<TspSkinExPanel>(this, spSkinPanel1, "spSkinExPanel2");
  spSkinExPanel2->SetBounds(0, 120, 240, 152);
  ParamGrid = Make<TspSkinStringGrid>(this, spSkinExPanel2, "ParamGrid");
  ParamGrid->SetBounds(4, 20, 232, 128);
  spSkinPanel4 = Make<TspSkinPanel>(this, this, "spSkinPanel4");

  // The item table fills the rest; the getting-started picture covers it
  // until the first item arrives.
  TablePanel = Make<TspSkinPanel>(this, this, "TablePanel");
  sgList = Make<TspSkinStringGrid>(this, TablePanel, "sgList");
  sgList->SetColCount(7);
  sgList->SetRowCount(1);
  sgList->SetFixedCols(0);
  sgList->SetFixedRows(0);
  sgList->SetDefaultDrawing(false);
  sgList->SetOptions(goColSizing | goRowSelect);
  sgList->OnDrawCell = [this](TObject* s, int c, int r, TRect rect, TGridDrawState st) {
    sgListDrawCell(s, c, r, rect, st);
  };
  sgList->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    sgListMouseDown(s, b, sh, x, y);
  };
  sgList->OnClick = [this](TObject* s) { sgListClick(s); };
  sgList->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbRight || !sgListPopupMenu) return;
    const POINT p = sgList->ClientToScreen(POINT{x, y});
    sgListPopupMenu->Popup(p.x, p.y);
  };
  sgList->OnKeyDown = [this](TObject* s, WORD& k, TShiftState sh) { sgListKeyDown(s, k, sh); };
  GettingStartedPanel = Make<TspSkinPanel>(this, TablePanel, "GettingStartedPanel");
  GettingStartedImage = Make<TImage>(this, GettingStartedPanel, "GettingStartedImage");
  GettingStartedImage->SetAlign(alClient);
  GettingStartedImage->Stretch = true;
  TitleMemo = Make<TspSkinMemo>(this, sgList, "TitleMemo");
  TitleMemo->SetVisible(false);
  TitleMemo->OnExit = [this](TObject* s) { TitleMemoExit(s); };
  TitleMemo->OnKeyPress = [this](TObject* s, char16_t& k) { TitleMemoKeyPress(s, k); };

  DrawCheckMark(imgCheck, true);
  DrawCheckMark(imgUncheck, false);

  BuildConversionCommands();
  BuildPreview();
  BuildProfileCommands();
  BuildMediaInputCommands();
  BuildWindowCommands();
}

void TMainForm::TranslateCaptions() {
  struct Caption {
    TControl* control;
    const char* text;
  };
  const Caption controls[] = {
      {AddButton, "Add Files"}, {LoadDVDButton, "Load DVD"}, {DownloadButton, "Download"},
      {RecordButton, "Record"}, {ClipButton, "Trim"}, {EditButton, "Edit"}, {JoinButton, "Join All"},
      {StartButton, "Convert"}, {PauseBtn, "Pause"}, {StopBtn, "Stop"}, {spSkinSpeedButton1, "Add Files"},
      {spSkinMenuSpeedButton1, "Add Clip"}, {spSkinSpeedButton2, "Remove"}, {spSkinSpeedButton4, "Trim"},
      {spSkinSpeedButton5, "Edit"}, {spSkinSpeedButton6, "Join All"}, {spSkinSpeedButton7, "Convert / Pause"},
      {spSkinSpeedButton8, "Rename"}, {spSkinSpeedButton9, "Stop"}, {spSkinSpeedButton10, "Edit Tags"},
      {chShutDownPC, "Shutdown PC"}, {SettingsButton, "Advanced..."}, {chApplyToAll, "Apply to all"},
      {BottomPanel, "Output Settings"}, {spSkinExPanel2, "Profile"}, {spSkinExPanel1, "Preview"},
      {ApplytoAllButton, "Apply to all"}, {FindTargetButton, "Open"}, {chkDeinterlace, "Deinterlace"}};
  for (const Caption& c : controls) c.control->SetCaption(Translate(c.text));
  spSkinSpeedButton3->SetCaption(Translate("Download") + "...");
  const Caption labels[] = {{spSkinStdLabel3, "Audio"}, {spSkinStdLabel4, "Subtitles"},
                            {spSkinStdLabel1, "Profile"}, {spSkinStdLabel2, "Folder"}};
  for (const Caption& c : labels) c.control->SetCaption(Translate(c.text) + ":");
  for (TMenu* menu : std::initializer_list<TMenu*>{MainMenu1, AddClipMenu, VideoFilesTableContextMenu,
                                                    DVDTableContextMenu, SnapshotMenu}) {
    std::function<void(TMenuItem*)> walk = [&](TMenuItem* item) {
      for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        if (!child->IsLine()) child->SetCaption(Translate(child->Caption()));
        walk(child);
      }
    };
    walk(menu->Items());
  }
  ++FChanging;
  cboAudio->Items()->Clear();
  cboAudio->Items()->Add(Translate("No audio tracks"));
  cboSubtitle->Items()->Clear();
  cboSubtitle->Items()->Add(Translate("No subtitles"));
  --FChanging;
  PausedText = Translate("Paused");
  ProfileSaveAsButton->Hint = Translate("Save profile as...");
}

void TMainForm::LoadSkinPictures() {
  // A missing picture leaves its place empty; the window stays usable.
  auto load = [](TPicture& picture, const std::string& name) {
    const std::string file = SkinFolder + "\\" + name;
    if (!FileExists(file)) return false;
    try {
      picture.LoadFromFile(file);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  };
  auto loadList = [&](TspPngImageList* list, std::initializer_list<const char*> names) {
    list->Clear();
    for (const char* n : names) {
      TspPngImage png;
      const std::string file = SkinFolder + "\\" + n;
      try {
        if (FileExists(file)) png.LoadFromFile(file);
      } catch (const std::exception&) {
        // an unreadable picture leaves its entry empty
      }
      // The list takes the size of its first picture.
      if (list->Count() == 0 && png.Width() > 0) list->SetSize(png.Width(), png.Height());
      list->Add()->SetPngImage(&png);
    }
  };
  loadList(ToolbarButtons, {"add_files.png", "load_dvd.png", "download.png", "record.png", "trim.png", "edit.png",
                            "join.png", "convert.png", "convert_pause.png", "convert_stop.png"});
  if (FileExists(SkinFolder + "\\sm_add_files.png"))
    loadList(HiddenToolbarButtons, {"sm_add_files.png", "sm_remove.png", "sm_remove_all.png", "sm_trim.png",
                                    "sm_edit.png", "sm_join.png", "sm_convert.png", "sm_pause.png", "sm_stop.png"});
  loadList(SaveAsList, {"save_as.png"});
  loadList(PlayerImages, {"play.png", "pause.png", "stop.png", "photo.png", "setstart.png", "setend.png",
                          "playpart.png"});
  load(ProfileComboImageOver, "profilescombo_over.bmp");
  load(ProfileComboImage, "profilescombo.bmp");
  load(imgTableRow, "tablerow.bmp");
  load(imgTableColumnCaptionBar, "tablecolumncaptionbar.bmp");
  loadList(CustomProfileEditRemove, {"rename.png", "remove.png", "rename_over.png", "remove_over.png"});
  // The large toolbar's buttons show their pictures from the list.
  {
    TspSkinButton* big[] = {AddButton, LoadDVDButton, DownloadButton, RecordButton, ClipButton,
                            EditButton, JoinButton, StartButton, PauseBtn, StopBtn};
    for (int i = 0; i < 10; ++i) {
      big[i]->SetImageList(ToolbarButtons);
      big[i]->SetImageIndex(i);
    }
  }
  load(MusicIcon, "music_icon.png");
  load(VolumeImg, "volume.png");
  load(ProgressBitmap, "progress.bmp");
  load(ProgressFillBitmap, "progress_fill.bmp");
  if (!load(LogoImage, "logo.png")) load(LogoImage, "logo.bmp");

  // The small toolbar's pictures, when the skin has them; otherwise the
  // buttons keep their own.
  if (HiddenToolbarButtons->Count() > 0) {
    TspSkinSpeedButton* targets[] = {spSkinSpeedButton1, spSkinSpeedButton2, nullptr, spSkinSpeedButton4,
                                     spSkinSpeedButton5, spSkinSpeedButton6, spSkinSpeedButton7, nullptr,
                                     spSkinSpeedButton9};
    for (int i = 0; i < HiddenToolbarButtons->Count() && i < static_cast<int>(std::size(targets)); ++i) {
      if (targets[i]) {
        targets[i]->SetImageList(HiddenToolbarButtons);
        targets[i]->SetImageIndex(i);
      }
      if (i == 0) {
        spSkinMenuSpeedButton1->SetImageList(HiddenToolbarButtons);
        spSkinMenuSpeedButton1->SetImageIndex(0);
      }
    }
  }
  ProfileSaveAsButton->SetImageList(SaveAsList);
  ProfileSaveAsButton->SetImageIndex(0);
}

void TMainForm::LoadProfileIcons() {
  ProfileIcons.clear();
  const std::string folder = ProgramFolder() + "\\varnotel-profiles\\Icons\\";
  WIN32_FIND_DATAW fd{};
  HANDLE find = FindFirstFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "*.png").c_str()), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(fd.cFileName));
    if (name.size() < 4) continue;
    TProfileIcon icon;
    icon.Picture = std::make_unique<TPicture>();
    try {
      icon.Picture->LoadFromFile(folder + name);
    } catch (const std::exception&) {
      continue;  // an unreadable icon is left out
    }
    icon.ID = name.substr(0, name.size() - 4);
    ProfileIcons.push_back(std::move(icon));
  } while (FindNextFileW(find, &fd));
  FindClose(find);
}

void TMainForm::FormCreate() {
  PromoWindowLength = 10000000;
  FilesToLoad.clear();

  // Hot keys of the recorder: Ctrl+Alt+P pauses or resumes, Ctrl+Alt+D stops.
  HWND h = Handle();
  if (!RegisterHotKey(h, kHotKeyPause, MOD_ALT | MOD_CONTROL, 80)) HotKeysFailed = true;
  if (!RegisterHotKey(h, kHotKeyStop, MOD_ALT | MOD_CONTROL, 68)) HotKeysFailed = true;

  RecentFormatIndex = 2;
  RecentProfileIndex = 4;

  // The start-up layout: the small toolbar, the table and the output
  // settings below it.
  sgListPopupMenu = nullptr;
  for (TControl* c : std::initializer_list<TControl*>{spSkinPanel1, spSkinPanel6, spSkinPanel4, ProfileIconButton,
                                                      ProfileSaveAsButton, spSkinStdLabel3, spSkinStdLabel4, cboAudio,
                                                      cboSubtitle, ApplytoAllButton, spSkinSpeedButton1,
                                                      spSkinSpeedButton5, spSkinSpeedButton3, spSkinBevel5})
    c->SetVisible(false);
  for (TMenuItem* m : {RecordVideo1, MenuEdit1, EventsLogMenuItem, HomePage1, Support1, Checkforupdates1})
    m->Visible = false;
  ProfileIconButton->SetLeft(-100);
  ProfileSaveAsButton->SetLeft(-100);
  BottomPanel->SetShowRollButton(false);
  BottomPanel->SetShowCloseButton(false);
  BottomPanel->SetHeight(100);
  BottomPanel->SetAlign(alBottom);
  setpanel->SetBounds(10, 22, BottomPanel->Width() - 10, 76);
  chShutDownPC->SetVisible(true);
  SettingsButton->SetVisible(true);
  chApplyToAll->SetLeft(SettingsButton->Left() + SettingsButton->Width() + 10);
  chApplyToAll->Tag = 1;
  chApplyToAll->SetChecked(true);
  chApplyToAll->SetVisible(true);
  HiddenToolbar->SetVisible(true);
  HiddenToolbar->SetAlign(alTop);
  spSkinSpeedButton8->SetWidth(85);
  spSkinSpeedButton5->SetWidth(70);
  spSkinSpeedButton7->SetWidth(115);
  // The shown buttons of the small toolbar side by side, left to right.
  int x = 2;
  for (TControl* b : std::initializer_list<TControl*>{spSkinSpeedButton1, spSkinMenuSpeedButton1,
                                                      spSkinSpeedButton2, spSkinSpeedButton3, spSkinSpeedButton8,
                                                      spSkinSpeedButton4, spSkinSpeedButton5, spSkinSpeedButton6,
                                                      spSkinSpeedButton10, spSkinSpeedButton7, spSkinSpeedButton9}) {
    if (!b->Visible()) continue;
    b->SetBounds(x, 2, b->Width(), 24);
    x += b->Width() + 2;
  }
  TablePanel->SetAlign(alClient);
  sgList->SetAlign(alClient);
  GettingStartedPanel->SetAlign(alClient);
  GettingStartedPanel->BringToFront();

  OutputPathText = SetUpFolders();
  CpuCount = 1;
  SYSTEM_INFO si{};
  GetSystemInfo(&si);
  CpuCount = static_cast<int>(si.dwNumberOfProcessors);
  LanguageIndex = 0;
  CustomCPUNumber = 1;
  UseAllCPUs = true;
  LoadSettings();
  // A temporary folder named by the settings that is gone is made again;
  // one that cannot be made gives way to the program's own (every preview
  // copies its SDL library there).
  if (!DirectoryExists(TempFolder)) {
    try {
      ForceDirectories(TempFolder);
    } catch (const std::exception&) {
    }
    if (!DirectoryExists(TempFolder)) TempFolder = DefaultTempFolder();
  }
  edDestinationFolder->SetText(OutputPathText);

  LoadTranslations();
  const std::string resources = ResourceStringsFile();
  if (FileExists(resources)) {
    if (!spSkinData1->ResourceStrData())
      spSkinData1->SetResourceStrData(Make<TspResourceStrData>(this, nullptr, "spResourceStrData1"));
    try {
      TStringList lines;
      lines.LoadFromFile(resources);
      std::vector<std::string> strings;
      for (int i = 0; i < lines.Count(); ++i) strings.push_back(lines[i]);
      spSkinData1->ResourceStrData()->ResStrings = strings;
    } catch (const std::exception&) {
      // The library's own English texts stay.
    }
  }
  TranslateCaptions();
  FreeHandAreaLabel = Translate("Selected Area");
  FreeHandInstruction = Translate("Hold down mouse and draw rectangle");

  DragAcceptFiles(h, TRUE);

  SkinFolder = ProgramFolder() + "\\skin-tessavane";
  if (FileExists(SkinFolder + "\\skin.ini")) {
    try {
      spSkinData1->LoadFromFile(SkinFolder + "\\skin.ini");
    } catch (const std::exception&) {
      // The default look stays.
    }
  }
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* sc = dynamic_cast<TspSkinControl*>(Components(i))) sc->SetSkinData(spSkinData1);
  }
  spDynamicSkinForm1->SetSkinData(spSkinData1);
  spDynamicSkinForm1->SetMenusSkinData(spSkinData1);
  MainMenu1->SetSkinData(spSkinData1);
  // The program's other windows take the same skin when they are made.
  DialogSkinData = spSkinData1;
  LoadSkinPictures();
  PreparePreviewPictures();

  SetCaption(kProductName);
  if (Application) Application->Title = kProductName;

  if (dlgopen->InitialDir.empty())
    dlgopen->InitialDir = !OpenVideoDialogPath.empty() ? OpenVideoDialogPath : SpecialFolderPath(14);
  ActionHistory();

  // The item table: the thumbnail column is folded away in this layout and
  // every row is one line high.
  const int widths[] = {40, 0, 200, 90, 90, 200, 70};
  for (int i = 0; i < 7; ++i) sgList->SetColWidths(i, widths[i]);
  sgList->SetDefaultRowHeight(18);
  sgList->SetRowHeights(0, 18);

  ParamGrid->SetColCount(3);
  ParamGrid->SetRowCount(10);
  ParamGrid->SetColWidths(0, 20);
  ParamGrid->SetColWidths(1, (ParamGrid->Width() - 20 - 16) / 2);
  ParamGrid->SetColWidths(2, (ParamGrid->Width() - 20 - 16) / 2);

  const std::string gettingStarted = SkinFolder + "\\gettingstarted" + std::to_string(LanguageIndex) + ".bmp";
  bool haveGettingStarted = false;
  if (FileExists(gettingStarted)) {
    try {
      GettingStartedImage->Picture()->LoadFromFile(gettingStarted);
      haveGettingStarted = true;
    } catch (const std::exception&) {
    }
  }
  GettingStartedPanel->SetVisible(haveGettingStarted);
  FChanging = 0;
  LoadProfileIcons();

  // Client area 680 x 400.
  SetBounds(Left(), Top(), 680 + Width() - ClientWidth(), 400 + Height() - ClientHeight());

  dlgopen->Filter = OpenDialogFilter();
  LoadProfileCatalogue();
  CustomProfileIndex = static_cast<int>(Profiles.size()) - 1;
  if (const TFormat* f = (CurrentProfileIndex >= 0 && CurrentProfileIndex < static_cast<int>(Profiles.size()) &&
                          CurrentFormatIndex >= 0 &&
                          CurrentFormatIndex < static_cast<int>(Profiles[CurrentProfileIndex].Formats.size()))
                             ? &Profiles[CurrentProfileIndex].Formats[CurrentFormatIndex]
                             : nullptr)
    lblProfile->SetCaption(f->Title);

  // Nothing to act on yet; the getting-started picture covers the table.
  EnableControls(false, false);
  GettingStartedPanel->SetVisible(GettingStartedImage->Picture()->Graphic() != nullptr);
  BuildDVDDeviceMenu(PopupMenu1, [this](TObject* s) { DoMenuClick(s); });

  if (!BindMediaLibraries("CLM_FFAVLibLoad")) return;

  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  SetBounds(static_cast<int>(std::lround(sw / 2.0)) - static_cast<int>(std::lround(Width() / 2.0)),
            static_cast<int>(std::lround(sh / 2.0)) - static_cast<int>(std::lround(Height() / 2.0)), Width(),
            Height());
}

void TMainForm::SkinLargerWindowsLater() {
  // A posted message comes before the input that follows it, so no
  // command can reach a window before it wears the skin.
  PostMessageW(Handle(), WM_APP_SKIN_LARGER_WINDOWS, 0, 0);
}

bool TMainForm::BindMediaLibraries(const char* mark) {
  if (MediaEncoder->AVLibLoaded()) return true;
  if (!MediaEncoder->LoadAVLib(ProgramFolder() + "\\LibAV")) {
    MediaLibrariesFailed = true;
    const std::string message = MediaEncoder->LastErrMsg();
    ReportError(message, mark);
    AddToHistory("-> " + message);
    return false;
  }
  MediaLibrariesFailed = false;
  return true;
}

void TMainForm::FormShow(TObject*) {
  if (settingsform) settingsform->FillProfileSettings();
  if (StartupCheckDone) return;
  StartupUpdateCheck();
  StartupCheckDone = true;
  Timer1->SetEnabled(true);
  AddToHistory("-> Program is started and shown.");
}

void TMainForm::FormCloseQuery(TObject*, bool& canClose) {
  AddToHistory("-> Program is closed.");
  canClose = true;
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
  if (CloseDone) return;
  CloseDone = true;
  HWND h = Handle();
  DragAcceptFiles(h, FALSE);
  StopPreview();
  // The tasks write into the folders below and call this window: they end
  // before anything else goes.
  StopConversionForClose();
  Timer1->SetEnabled(false);
  SaveWindowSettings();
  CleanTempFolder();
  UnregisterHotKey(h, kHotKeyPause);
  UnregisterHotKey(h, kHotKeyStop);
  for (auto& t : Thumbnails)
    if (t && t->Handle()) DeleteObject(t->ReleaseHandle());
  spSkinData1->ClearAll();
  spDynamicSkinForm1->CloseAll();
  if (DownloaderLoaded()) {
    try {
      FreeDownloader();
    } catch (const std::exception&) {
      ReportError("Cannot free Downloader library", "CLM_CannotFreeRunDownloadDll");
    }
  }
}

void TMainForm::SaveWindowSettings() {
  OutputPathText = edDestinationFolder->Text();
  SaveSettings();
}

void TMainForm::StopConversionForClose() {
  if (!MediaEncoder || !MediaEncoder->Working() || MediaEncoder->Terminated()) return;
  StoppedByUser = 1;
  // Stop waits for every task while it keeps dispatching this thread's
  // messages, the workers' calls among them; the final event follows.
  MediaEncoder->Stop(true);
  // The final event (it clears ConversionActive) is delivered here; then
  // nothing of the run calls this window any more.
  const DWORD start = GetTickCount();
  while (ConversionActive && GetTickCount() - start < 4000) WaitForHandles(nullptr, 0, false, 10);
}

void TMainForm::Exit1Click(TObject*) { Close(); }

void TMainForm::Help2Click(TObject*) {
  AddToHistory("-> Help -> Online guide is chosen in main menu.");
  const std::string guide = Endpoints().GuidePage + "tessavane.htm";
  OpenInShell(guide);
}

void TMainForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_APP_SKIN_LARGER_WINDOWS:
      SkinLargerWindows(spSkinData1);
      m.Result = 0;
      return;
    case WM_HOTKEY:
      if (OnRecorderHotKey && (m.WParam == kHotKeyPause || m.WParam == kHotKeyStop))
        OnRecorderHotKey(static_cast<int>(m.WParam));
      m.Result = 0;
      return;
    case WM_QUERYENDSESSION:
      m.Result = TRUE;
      return;
    case WM_ENDSESSION:
      // The session ends without the window's close: what the close would
      // save is saved here.
      if (m.WParam && !CloseDone) SaveWindowSettings();
      m.Result = 0;
      return;
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(m.WParam);
      std::vector<std::string> names;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::u16string name(length + 1, u'\0');
        DragQueryFileW(drop, i, reinterpret_cast<LPWSTR>(&name[0]), length + 1);
        name.resize(length);
        names.push_back(UTF16ToUTF8(name));
      }
      DragFinish(drop);
      m.Result = 0;
      // A run takes no rows until it has ended.
      if (!ConversionActive) DropFiles(names);
      return;
    }
    default:
      TForm::WndProc(m);
  }
}

