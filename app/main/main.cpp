#include "app/main/main.h"

#include <windows.h>
#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "app/update/updater.h"  // StartupCheckDone
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

namespace {

constexpr int kHotKeyPause = 1, kHotKeyStop = 2;

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name) {
  T* c = new T(owner);
  c->SetName(name);
  if constexpr (std::is_base_of_v<TControl, T>) {
    if (parent) c->SetParent(parent);
  }
  return c;
}

TMenuItem* AddItem(TMenuItem* parent, TComponent* owner, const char* name, const char* caption,
                   TNotifyEvent onClick = nullptr) {
  TMenuItem* item = new TMenuItem(owner);
  item->SetName(name);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  parent->Add(item);
  return item;
}

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

void DrawTextIn(TCanvas* canvas, TRect r, const std::string& text, UINT flags) {
  std::u16string w = UTF8ToUTF16(text);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  DrawTextW(canvas->Handle(), reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &rc,
            flags | DT_NOPREFIX);
}

}  // namespace

std::string FormatMicroseconds(int64_t microseconds) {
  if (microseconds < 0) microseconds = 0;
  const int64_t seconds = microseconds / 1000000;
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

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
  edDestinationFolder = Make<TspSkinEdit>(this, setpanel, "edDestinationFolder");
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
  auto loadList = [&](std::vector<std::unique_ptr<TPicture>>& list, std::initializer_list<const char*> names) {
    list.clear();
    for (const char* n : names) {
      list.push_back(std::make_unique<TPicture>());
      load(*list.back(), n);
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
  load(MusicIcon, "music_icon.png");
  load(VolumeImg, "volume.png");
  load(ProgressBitmap, "progress.bmp");
  load(ProgressFillBitmap, "progress_fill.bmp");
  if (!load(LogoImage, "logo.png")) load(LogoImage, "logo.bmp");

  // The small toolbar's pictures, when the skin has them; otherwise the
  // buttons keep their own.
  if (!HiddenToolbarButtons.empty()) {
    TspSkinSpeedButton* targets[] = {spSkinSpeedButton1, spSkinSpeedButton2, nullptr, spSkinSpeedButton4,
                                     spSkinSpeedButton5, spSkinSpeedButton6, spSkinSpeedButton7, nullptr,
                                     spSkinSpeedButton9};
    for (size_t i = 0; i < HiddenToolbarButtons.size() && i < std::size(targets); ++i) {
      TGraphic* g = HiddenToolbarButtons[i]->Graphic();
      if (!g) continue;
      TBitmap glyph;
      glyph.Assign(g);
      if (targets[i]) targets[i]->SetGlyph(&glyph);
      if (i == 0) spSkinMenuSpeedButton1->SetGlyph(&glyph);
    }
  }
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
  LoadSkinPictures();

  SetCaption(kProductName);
  if (Application) Application->Title = kProductName;

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

  if (!BindMediaLibraries("CLM_FFAVLibLoad")) return;

  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  SetBounds(static_cast<int>(std::lround(sw / 2.0)) - static_cast<int>(std::lround(Width() / 2.0)),
            static_cast<int>(std::lround(sh / 2.0)) - static_cast<int>(std::lround(Height() / 2.0)), Width(),
            Height());
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
  if (StartupCheckDone) return;
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
  Timer1->SetEnabled(false);
  OutputPathText = edDestinationFolder->Text();
  SaveSettings();
  CleanTempFolder();
  UnregisterHotKey(h, kHotKeyPause);
  UnregisterHotKey(h, kHotKeyStop);
  for (auto& t : Thumbnails)
    if (t && t->Handle()) DeleteObject(t->ReleaseHandle());
  spSkinData1->ClearAll();
  if (DownloaderLoaded()) {
    try {
      FreeDownloader();
    } catch (const std::exception&) {
      ReportError("Cannot free Downloader library", "CLM_CannotFreeRunDownloadDll");
    }
  }
}

void TMainForm::Exit1Click(TObject*) { Close(); }

void TMainForm::Help2Click(TObject*) {
  AddToHistory("-> Help -> Online guide is chosen in main menu.");
  const std::string guide = Endpoints().GuidePage + "tessavane.htm";
  if (OnShellOpen)
    OnShellOpen(guide);
  else
    ShellExecuteW(nullptr, u"open", reinterpret_cast<LPCWSTR>(UTF8ToUTF16(guide).c_str()), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void TMainForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_HOTKEY:
      if (OnRecorderHotKey && (m.WParam == kHotKeyPause || m.WParam == kHotKeyStop))
        OnRecorderHotKey(static_cast<int>(m.WParam));
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
      DropFiles(names);
      return;
    }
    default:
      TForm::WndProc(m);
  }
}

// ---------------------------------------------------------------- the table

void TMainForm::RepaintList() {
  if (sgList) sgList->Invalidate();
}

void TMainForm::UpdateRowCount() {
  sgList->SetRowCount(static_cast<int>(MediaFiles.size()) + 1);
}

void TMainForm::ClearRows() {
  ClearTitleList();
  for (size_t i = 0; i < MediaFiles.size(); ++i) FreeRowFont(i);
  MediaFiles.clear();
}

void TMainForm::FreeRowFont(size_t index) {
  delete MediaFiles[index].OverlayTextFont;
  MediaFiles[index].OverlayTextFont = nullptr;
}

void TMainForm::sgListDrawCell(TObject*, int aCol, int aRow, TRect rect, unsigned) {
  if (LoadForm && LoadForm->IsShown) return;
  FPainting = true;
  TCanvas* canvas = sgList->Canvas();
  canvas->Font()->SetName("Microsoft Sans Serif");
  canvas->Font()->SetSize(8);
  canvas->Font()->SetColor(0);
  canvas->Brush()->SetStyle(bsClear);
  const int rowHeight = aRow == 0 ? sgList->RowHeights(0) : sgList->DefaultRowHeight();
  if (aRow == 0)
    rect.Bottom += 1;
  else
    rect.Top += 1;
  if (!sgList->Enabled() && aCol != 6) {
    FPainting = false;
    return;
  }
  const int items = static_cast<int>(MediaFiles.size());
  auto checkMark = [&](bool checked) {
    TBitmap* mark = checked ? &imgCheck : &imgUncheck;
    canvas->Draw(rect.Left + 8,
                 static_cast<int>(std::lround(rect.Top + rowHeight / 2.0 - mark->Height() / 2.0)), mark);
  };
  if (aRow == 0 || aRow > items) {
    if (imgTableColumnCaptionBar.Graphic())
      canvas->StretchDraw(rect, imgTableColumnCaptionBar.Graphic());
    if (aCol == 0) {
      checkMark(AllItemsChecked);
    } else if (aRow == 0) {
      static const char* headers[] = {"", "Thumbnail", "Title", "Length", "Size", "Profile", "Progress"};
      canvas->Brush()->SetStyle(bsClear);
      DrawTextIn(canvas, rect, Translate(headers[aCol]), DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if (aCol >= 1 && aCol <= 5) {
      canvas->Pen()->SetColor(0xFFC8A8);
      canvas->MoveTo(rect.Right - 1, rect.Top);
      canvas->LineTo(rect.Right - 1, rect.Bottom);
    }
    FPainting = false;
    return;
  }
  const TMediaFile& item = MediaFiles[aRow - 1];
  if (aRow == sgList->Row() && imgTableRow.Graphic()) {
    canvas->StretchDraw(rect, imgTableRow.Graphic());
  } else {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(0xFFFFFF);
    canvas->FillRect(rect);
  }
  canvas->Brush()->SetStyle(bsClear);
  switch (aCol) {
    case 0:
      checkMark(item.Checked);
      break;
    case 1:
      if (item.VideoThumbnailIndex >= 0 && item.VideoThumbnailIndex < static_cast<int>(Thumbnails.size()) &&
          Thumbnails[item.VideoThumbnailIndex])
        canvas->Draw(rect.Left + 4, rect.Top + static_cast<int>(std::lround(rowHeight / 2.0)) - 18,
                     Thumbnails[item.VideoThumbnailIndex].get());
      else if (item.isSourceAudioFormat && MusicIcon.Graphic())
        canvas->Draw(rect.Left + 3, rect.Top + 2, MusicIcon.Graphic());
      break;
    case 2: {
      TRect r = rect;
      r.Left += 5;
      DrawTextIn(canvas, r, item.DestinationTitle, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
    case 3:
      DrawTextIn(canvas, rect, FormatMicroseconds(item.TrimmedLength),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    case 4: {
      char text[64];
      std::snprintf(text, sizeof text, "%.2f MB", item.EstimatedSize);
      DrawTextIn(canvas, rect, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
    case 5: {
      const TFormat* f = FormatOfItem(item);
      DrawTextIn(canvas, rect, f ? f->Title : "", DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
    case 6: {
      const bool paused = MediaEncoder && MediaEncoder->Paused() && item.StatusS > 0;
      DrawTextIn(canvas, rect, paused ? PausedText : item.Status,
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
  }
  FPainting = false;
}

void TMainForm::Timer1Timer(TObject*) {
  if (LoadForm && LoadForm->IsShown) return;
  if (!sgList->HandleAllocated() || !sgList->Showing()) return;
  TCanvas* canvas = sgList->Canvas();
  canvas->Pen()->SetColor(0xEAEAEA);
  canvas->Pen()->SetWidth(1);
  const int header = sgList->RowHeights(0);
  const int rowHeight = std::max(1, sgList->DefaultRowHeight());
  const int height = sgList->ClientHeight(), width = sgList->ClientWidth();
  if (!FPainting) {
    int x = 0;
    for (int k = 0; k <= 5; ++k) {
      x += sgList->ColWidths(k);
      canvas->MoveTo(x - 1, header);
      canvas->LineTo(x - 1, height);
    }
  }
  for (int k = 1; k <= (height - header) / rowHeight; ++k) {
    canvas->MoveTo(0, header + k * rowHeight);
    canvas->LineTo(width, header + k * rowHeight);
  }
}

void TMainForm::CheckStartButton() {
  bool any = false;
  for (const TMediaFile& f : MediaFiles) any = any || f.Checked;
  StartButton->SetEnabled(any);
}

void TMainForm::sgListMouseDown(TObject*, TMouseButton, TShiftState, int x, int y) {
  int col = -1, row = -1;
  sgList->MouseToCell(x, y, col, row);
  const int items = static_cast<int>(MediaFiles.size());
  if (row >= 1 && row <= items && col == 0) {
    MediaFiles[row - 1].Checked = !MediaFiles[row - 1].Checked;
    bool all = true;
    for (const TMediaFile& f : MediaFiles) all = all && f.Checked;
    AllItemsChecked = all;
    RepaintList();
  } else if (col == 0) {
    AllItemsChecked = !AllItemsChecked;
    for (TMediaFile& f : MediaFiles) f.Checked = AllItemsChecked;
    RepaintList();
  }
  CheckStartButton();
}

void TMainForm::sgListClick(TObject*) {
  const int row = sgList->Row();
  if (row <= 0 || row > static_cast<int>(MediaFiles.size())) return;
  const TMediaFile& item = MediaFiles[row - 1];
  CurrentProfileIndex = item.ProfileInd;
  CurrentFormatIndex = item.FormatInd;
  if (const TFormat* f = FormatOfItem(item)) lblProfile->SetCaption(f->Title);
  ++FChanging;
  cboAudio->Items()->Clear();
  cboSubtitle->Items()->Clear();
  if (!DVDMode) {
    for (const std::string& t : item.AudioTracks) cboAudio->Items()->Add(t);
    cboAudio->SetItemIndex(item.AudioTrackIndex);
    for (const std::string& t : item.Subtitles) cboSubtitle->Items()->Add(t);
    cboSubtitle->SetItemIndex(item.SubtitleIndex);
    chkDeinterlace->SetChecked(item.Deinterlace);
  }
  --FChanging;
  RepaintList();
}

void TMainForm::sgListKeyDown(TObject*, WORD& key, TShiftState) {
  if (key == VK_DELETE) Remove1Click(this);
}

void TMainForm::cboAudioChange(TObject*) {
  if (FChanging != 0 || sgList->Row() < 1 || sgList->Row() > static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[sgList->Row() - 1];
  if (DVDMode) {
    if (!item.DVDTitleInfo) return;
    // The last entries ("Disable", "No audio tracks") turn the sound off.
    const TDVDTitleInfo* info = item.DVDTitleInfo->Info;
    const int k = cboAudio->ItemIndex();
    item.DVDTitleInfo->AudioID =
        info && k >= 0 && k < info->AudioCount && k < DVDMaxAudio ? info->Audio[k].ID : 0;
  } else {
    item.AudioTrackIndex = cboAudio->ItemIndex();
  }
}

void TMainForm::cboSubtitleChange(TObject*) {
  if (FChanging != 0 || sgList->Row() < 1 || sgList->Row() > static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[sgList->Row() - 1];
  if (!DVDMode || !item.DVDTitleInfo) return;
  const TDVDTitleInfo* info = item.DVDTitleInfo->Info;
  const int k = cboSubtitle->ItemIndex();
  item.DVDTitleInfo->SubtitleID =
      info && k >= 0 && k < info->SubtitleCount && k < DVDMaxSubtitles ? info->Subtitles[k].ID : 0;
}

void TMainForm::chkDeinterlaceClick(TObject*) {
  if (FChanging != 0 || sgList->Row() < 1 || sgList->Row() > static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[sgList->Row() - 1];
  if (DVDMode) {
    if (item.DVDTitleInfo) item.DVDTitleInfo->Deinterlace = chkDeinterlace->Checked() ? 1 : 0;
  } else {
    item.Deinterlace = chkDeinterlace->Checked();
  }
}

void TMainForm::Rename1Click(TObject*) {
  AddToHistory("-> Rename selected is clicked");
  if (!MediaFiles.empty()) BeginRenameTitle(sgList->Row());
}

void TMainForm::BeginRenameTitle(int aRow) {
  if (aRow < 1 || aRow > static_cast<int>(MediaFiles.size())) return;
  const TRect cell = sgList->CellRect(2, aRow);
  TitleMemo->SetBounds(cell.Left, cell.Top, sgList->ColWidths(2), sgList->DefaultRowHeight());
  TitleMemo->SetWordWrap(true);
  TitleMemo->SetText(MediaFiles[aRow - 1].DestinationTitle);
  TitleMemo->SetVisible(true);
  TitleMemo->SetFocus();
}

void TMainForm::TitleMemoExit(TObject*) {
  if (!TitleMemo->Visible()) return;
  const int row = sgList->Row();
  if (row >= 1 && row <= static_cast<int>(MediaFiles.size())) {
    // A title is one line: the line breaks word-wrapping or a paste put in
    // would end up in the output file's name.
    std::string title = TitleMemo->Text();
    for (char& c : title)
      if (c == '\r' || c == '\n') c = ' ';
    while (!title.empty() && title.back() == ' ') title.pop_back();
    if (!title.empty()) MediaFiles[row - 1].DestinationTitle = title;
  }
  TitleMemo->SetVisible(false);
  RepaintList();
}

void TMainForm::TitleMemoKeyPress(TObject* sender, char16_t& key) {
  if (key == 13) {
    key = 0;
    TitleMemoExit(sender);
  }
}

void TMainForm::ClipButtonClick(TObject*) {
  AddToHistory("-> Trim is clicked.");
  if (MediaFiles.empty()) return;
  if (OnShowTrimWindow) OnShowTrimWindow();
}

void TMainForm::EditButtonClick(TObject*) {
  AddToHistory("-> Edit is clicked.");
  if (MediaFiles.empty()) return;
  const int row = sgList->Row();
  if (row >= 1 && row <= static_cast<int>(MediaFiles.size()) && MediaFiles[row - 1].isSourceAudioFormat) {
    SkinMessage->MessageDlg(Translate("Can't edit audio formats. You can click \"Trim\" button."), mtWarning,
                            MsgDlgButtons({mbOK}), 0);
    return;
  }
  if (OnShowEditWindow) OnShowEditWindow();
}

void TMainForm::spSkinSpeedButton10Click(TObject*) {
  if (!MediaFiles.empty() && OnShowTagWindow) OnShowTagWindow();
}

void TMainForm::SwapItems(int a, int b) {
  TDVDTitle* titleA = MediaFiles[a].DVDTitleInfo;
  TDVDTitle* titleB = MediaFiles[b].DVDTitleInfo;
  std::swap(MediaFiles[a], MediaFiles[b]);
  MediaFiles[a].DVDTitleInfo = titleA;
  MediaFiles[b].DVDTitleInfo = titleB;
}

void TMainForm::MoveUp1Click(TObject*) {
  if (MediaFiles.size() < 2) return;
  const int row = sgList->Row();
  if (row > 1 && row <= static_cast<int>(MediaFiles.size())) {
    SwapItems(row - 2, row - 1);
    sgList->SetRow(row - 1);
  }
  RepaintList();
}

void TMainForm::MoveDown1Click(TObject*) {
  if (MediaFiles.size() < 2) return;
  const int row = sgList->Row();
  // The last row has no neighbour below it.
  if (row >= 1 && row < static_cast<int>(MediaFiles.size())) {
    SwapItems(row - 1, row);
    sgList->SetRow(row + 1);
  }
  RepaintList();
}

void TMainForm::Remove1Click(TObject*) {
  AddToHistory("-> Remove Selected is clicked");
  if (MediaFiles.empty()) return;
  const int count = static_cast<int>(MediaFiles.size());
  const int row = sgList->Row();
  if (row < 1 || row > count) return;
  if (count == 1) {
    ClearAll1Click(this);
    return;
  }
  for (int i = row; i <= count - 1; ++i) SwapItems(i - 1, i);
  FreeRowFont(MediaFiles.size() - 1);
  MediaFiles.pop_back();
  UpdateRowCount();
  if (sgList->Row() > static_cast<int>(MediaFiles.size())) sgList->SetRow(static_cast<int>(MediaFiles.size()));
  CheckStartButton();
  RepaintList();
}

void TMainForm::ClearAll1Click(TObject*) {
  AddToHistory("-> Clear all items");
  TitleMemo->SetVisible(false);
  ClearRows();
  for (auto& t : Thumbnails)
    if (t && t->Handle()) DeleteObject(t->ReleaseHandle());
  UpdateRowCount();
  EnableControls(false, false);
  RepaintList();
}

void TMainForm::EnableControls(bool enable, bool allControls) {
  if (allControls) {
    for (TControl* c : std::initializer_list<TControl*>{
             AddButton, LoadDVDButton, DownloadButton, RecordButton, cboAudio, cboSubtitle, imgProfileField,
             lblProfile, ProfileIconButton, ProfileSaveAsButton, edDestinationFolder, ApplytoAllButton, chApplyToAll,
             SettingsButton, FindTargetButton, chkDeinterlace, ParamGrid, sgList})
      c->SetEnabled(enable);
    for (TMenuItem* m : {Openvideo1, LoadDVD1, DownloadfromWeb1, RecordVideo1}) m->Enabled = enable;
  }
  for (TControl* c : std::initializer_list<TControl*>{EditButton, ClipButton, JoinButton, StartButton})
    c->SetEnabled(enable);
  for (TMenuItem* m : {FileInformation1, Convert1, Item12, ItemRemove, ItemClearAll, ItemRename, EditVideo2,
                       ClipVideo2, Joinall1, Remove1, ClearAll1, Rename1, MoveUp1, MoveDown1, EditVideo1, ClipVideo1})
    m->Enabled = enable;
  GettingStartedPanel->SetVisible(false);
}

void TMainForm::PrepareItemControls() {
  if (!BindMediaLibraries("CLM_FFLoadAVLib2")) return;
  GettingStartedPanel->SetVisible(false);
  sgList->SetVisible(true);
  panPreview->SetVisible(true);
  for (TControl* c : std::initializer_list<TControl*>{EditButton, ClipButton}) c->SetEnabled(true);
  for (TMenuItem* m : {Item12, Remove1, ClearAll1, Rename1, MoveUp1, MoveDown1, EditVideo1, ClipVideo1,
                       FileInformation1, FileInformation2, ItemRemove, ItemClearAll, EditVideo2, ClipVideo2})
    m->Enabled = true;
}

// ---------------------------------------------------------------- feeding

void TMainForm::RunLoadDialog() {
  DVDMode = false;
  if (LoadForm) {
    LoadForm->ShowModal();
    LoadForm->IsShown = false;
  }
  if (!MediaFiles.empty()) {
    EnableControls(true, true);
    sgList->SetFixedRows(1);
    sgList->SetRow(static_cast<int>(MediaFiles.size()));
    sgListClick(this);
  }
  RepaintList();
}

void TMainForm::AddButtonClick(TObject*) {
  AddToHistory("-> Add Files is clicked.");
  if (DVDMode && !MediaFiles.empty()) {
    const std::string question = Translate("You are going to open the different type of media.") + "\r\n" +
                                 Translate("Therefore all records in the table will be cleared.");
    if (SkinMessage->MessageDlg(question, mtWarning, MsgDlgButtons({mbYes, mbNo}), 0) != mrYes) return;
    JoinButton->SetCaption(Translate("Join All"));
    JoinAllVideos = false;
  }
  ItemRemove->Enabled = true;
  ItemClearAll->Enabled = true;
  std::vector<std::string> files;
  if (!OnChooseFiles || !OnChooseFiles(files)) return;
  DialogFiles = files;
  if (DVDMode && !MediaFiles.empty()) {
    ClearRows();
    Thumbnails.clear();
  }
  RunLoadDialog();
  if (!MediaFiles.empty()) PrepareItemControls();
}

void TMainForm::DropFiles(const std::vector<std::string>& names) {
  if (DVDMode && !MediaFiles.empty()) {
    const std::string question = Translate("You are going to open the different type of media.") + "\r\n" +
                                 Translate("Therefore all records in the table will be cleared.");
    if (SkinMessage->MessageDlg(question, mtWarning, MsgDlgButtons({mbYes, mbNo}), 0) != mrYes) return;
    ClearRows();
    Thumbnails.clear();
    JoinButton->SetCaption(Translate("Join All"));
    JoinAllVideos = false;
  }
  DialogFiles = names;
  ItemRemove->Enabled = true;
  ItemClearAll->Enabled = true;
  sgListPopupMenu = VideoFilesTableContextMenu;
  RunLoadDialog();
}
