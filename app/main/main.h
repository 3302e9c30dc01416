// The program's main window: the item table with its commands, the output
// settings below it, the menus and the small toolbar. It prepares the
// program's folders, settings, translations, skin and catalogue when it is
// made and writes the settings back and clears the temporary folder when it
// closes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "app/main/AppData.h"
#include "app/main/ProfileIcons.h"

class TspSkinData;
class TspDynamicSkinForm;
class TspSkinMainMenu;
class TspSkinMainMenuBar;
class TspSkinMessage;
class TspSkinPopupMenu;
class TspSkinPanel;
class TspSkinExPanel;
class TspSkinToolBar;
class TspSkinButton;
class TspSkinSpeedButton;
class TspSkinMenuSpeedButton;
class TspSkinCheckRadioBox;
class TspSkinStdLabel;
class TspSkinEdit;
class TspSkinMemo;
class TspSkinComboBox;
class TspSkinStringGrid;
class TspSkinBevel;
class TFFEncoder;
class TspPngImageList;
struct TProgressInfo;
struct TTerminateInfo;
struct THookInfo;
class TspSkinOpenDialog;
class TspSkinHint;
class TspSkinInputDialog;
class TCustomImageList;
class TVIDavaza;
class TZIVoveva;
class TspSkinTrackBar;
class TspSkinSelectDirectoryDialog;

// Thumbnails of the rows, parallel to the rows through
// TMediaFile::VideoThumbnailIndex; a removed row's picture stays here.
extern std::vector<std::unique_ptr<TBitmap>> Thumbnails;
// The header's check mark: set when every row is checked.
extern bool AllItemsChecked;
// One queued file from the recorder.
extern std::string FileToLoad;



class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;

  // ---- components, in creation order ----
  TspSkinData* spSkinData1 = nullptr;
  TspSkinMessage* SkinMessage = nullptr;
  TFFEncoder* MediaEncoder = nullptr;
  TTimer* Timer1 = nullptr;

  TspSkinMainMenu* MainMenu1 = nullptr;
  TspDynamicSkinForm* spDynamicSkinForm1 = nullptr;
  TspSkinMainMenuBar* spSkinMainMenuBar1 = nullptr;
  TMenuItem *File1, *Openvideo1, *LoadDVD1, *DownloadfromWeb1, *RecordVideo1, *FileInformation2, *Exit1;
  TMenuItem *MenuEdit1, *ItemRemove, *ItemClearAll, *ItemRename;
  TMenuItem *Actions1, *ClipVideo2, *EditVideo2, *Joinall1, *Convert1, *Pause1, *Stop1, *AfterConversion1,
      *ShutdownComputer1;
  TMenuItem *ToolsMenuItem, *OpenOutputFolder1, *Preferences1, *EventsLogMenuItem;
  TMenuItem *Help1, *Help2, *Support1, *HomePage1, *TellaFriend1, *OnFacebook1, *OnTwitter1, *Checkforupdates1,
      *About1;

  TspSkinPopupMenu* AddClipMenu = nullptr;
  TMenuItem *VideoFiles1, *YouTubeVideo1, *DVDVideo1;
  TspSkinPopupMenu* VideoFilesTableContextMenu = nullptr;
  TMenuItem *Remove1, *ClearAll1, *Rename1, *MoveUp1, *MoveDown1, *ClipVideo1, *EditVideo1, *JoinAll2,
      *FileInformation1;
  TspSkinPopupMenu* DVDTableContextMenu = nullptr;
  TMenuItem *MenuItem3, *MenuItem8, *MenuItem9, *MenuItem10, *MenuItem12;
  TspSkinPopupMenu* SnapshotMenu = nullptr;
  TMenuItem *Item12, *Item22, *Item32, *ChangeSnapshotFormat1;
  TspSkinPopupMenu* PopupMenu1 = nullptr;  // the DVD drives

  TspSkinPanel* spSkinPanel6 = nullptr;  // the large toolbar
  TspSkinButton *AddButton, *LoadDVDButton, *DownloadButton, *RecordButton, *ClipButton, *EditButton, *JoinButton,
      *StartButton, *PauseBtn, *StopBtn;

  TspSkinToolBar* HiddenToolbar = nullptr;  // the small toolbar
  TspSkinSpeedButton* spSkinSpeedButton1 = nullptr;
  TspSkinMenuSpeedButton* spSkinMenuSpeedButton1 = nullptr;
  TspSkinSpeedButton *spSkinSpeedButton2, *spSkinSpeedButton3, *spSkinSpeedButton4, *spSkinSpeedButton5,
      *spSkinSpeedButton6, *spSkinSpeedButton7, *spSkinSpeedButton8, *spSkinSpeedButton9, *spSkinSpeedButton10;

  TspSkinExPanel* BottomPanel = nullptr;
  TspSkinPanel* setpanel = nullptr;
  TspSkinStdLabel *spSkinStdLabel1, *lblProfile, *spSkinStdLabel2, *spSkinStdLabel3, *spSkinStdLabel4;
  TspSkinPanel* imgProfileField = nullptr;
  TspSkinSpeedButton *ProfileIconButton, *ProfileSaveAsButton;
  TspSkinButton *SettingsButton, *ApplytoAllButton, *FindTargetButton;
  TspSkinCheckRadioBox *chApplyToAll, *chShutDownPC, *chkDeinterlace;
  TspSkinEdit* edDestinationFolder = nullptr;
  TspSkinComboBox *cboAudio, *cboSubtitle;
  TspSkinBevel* spSkinBevel5 = nullptr;

  TspSkinPanel* spSkinPanel1 = nullptr;  // right-hand panel: preview and parameters
  TspSkinExPanel *spSkinExPanel1, *spSkinExPanel2;
  TspSkinPanel* panPreview = nullptr;
  TspSkinStringGrid* ParamGrid = nullptr;
  TspSkinPanel* spSkinPanel4 = nullptr;

  TspSkinPanel* TablePanel = nullptr;
  TspSkinStringGrid* sgList = nullptr;
  TspSkinPanel* GettingStartedPanel = nullptr;
  TImage* GettingStartedImage = nullptr;
  TspSkinMemo* TitleMemo = nullptr;

  // ---- pictures ----
  TBitmap imgCheck, imgUncheck;
  TPicture imgTableRow, imgTableColumnCaptionBar, MusicIcon, VolumeImg, ProfileComboImage, ProfileComboImageOver,
      LogoImage, imgPlayerArea;
  // The skin's button pictures as image lists: the large toolbar's, the
  // small toolbar's, the save-as button's, the players' (the trim window's
  // buttons use them too) and the picker's rename/remove marks.
  TspPngImageList *ToolbarButtons = nullptr, *HiddenToolbarButtons = nullptr, *SaveAsList = nullptr,
                  *PlayerImages = nullptr, *CustomProfileEditRemove = nullptr;
  TPicture ProgressBitmap, ProgressFillBitmap;

  // ---- state ----
  int FChanging = 0;
  bool HotKeysFailed = false;
  bool JoinAllVideos = false;
  bool CloseDone = false;
  bool MediaLibrariesFailed = false;
  std::string PausedText = "Paused";
  std::string theDVDPath;
  // The DVD information text (what the DVD information window shows).
  std::vector<std::string> DVDInfoLines;
  // The open dialog's chosen files (also the dropped files); the loading
  // dialog reads them.
  std::vector<std::string> DialogFiles;
  // Queued names of the downloader command.
  std::vector<std::string> FilesToLoad;
  TspSkinPopupMenu* sgListPopupMenu = nullptr;
  int RecorderState = 0;  // 0 idle, 1 recording, 2 paused
  // The icons of the selected row's category and format (indexes into
  // ProfileIcons, -1 when there are none).
  int ProfileIconIndex = -1, FormatIconIndex = -1;

  // Seams for the windows that are not part of this one: the open dialog
  // (false: cancelled), the recorder's hot keys.
  std::function<bool(std::vector<std::string>& files)> OnChooseFiles;
  std::function<void(int id)> OnRecorderHotKey;
  // The Trim, Edit and Edit Tags windows, shown modally for the selected row.
  std::function<void()> OnShowTrimWindow, OnShowEditWindow, OnShowTagWindow;

  // ---- events and commands ----
  void FormCreate();
  void FormShow(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormClose(TObject* sender, TCloseAction& action);
  // Writes the settings (the output folder as the folder box shows it) and
  // the custom-profile file.
  void SaveWindowSettings();
  // Stops a run that goes on and waits for its end, keeping the engine's
  // calls to this thread flowing.
  void StopConversionForClose();

  void sgListDrawCell(TObject* sender, int aCol, int aRow, TRect rect, unsigned state);
  void Timer1Timer(TObject* sender);
  void sgListMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void sgListClick(TObject* sender);
  void sgListKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void Rename1Click(TObject* sender);
  void BeginRenameTitle(int aRow);
  void TitleMemoExit(TObject* sender);
  void TitleMemoKeyPress(TObject* sender, char16_t& key);
  void MoveUp1Click(TObject* sender);
  void MoveDown1Click(TObject* sender);
  void Remove1Click(TObject* sender);
  void ClearAll1Click(TObject* sender);
  void cboAudioChange(TObject* sender);
  void cboSubtitleChange(TObject* sender);
  void chkDeinterlaceClick(TObject* sender);
  void ClipButtonClick(TObject* sender);
  void EditButtonClick(TObject* sender);
  void spSkinSpeedButton10Click(TObject* sender);
  void SwapItems(int a, int b);
  void EnableControls(bool enable, bool allControls);
  void PrepareItemControls();
  void CheckStartButton();

  void AddButtonClick(TObject* sender);
  // The dropped files (in the order the system reports them) into the table.
  void DropFiles(const std::vector<std::string>& names);
  void Exit1Click(TObject* sender);
  void Help2Click(TObject* sender);

  // Shows the loading dialog over the queued names and brings the table up
  // when it holds rows.
  void RunLoadDialog();
  // Binds the media libraries beside the program when the encoder has none.
  bool BindMediaLibraries(const char* mark);
  void RepaintList();
  // The grid's rows follow the item table: one per item plus the header.
  void UpdateRowCount();
  // Empties the table: title records, rows and their fonts.
  void ClearRows();

  // ---- conversion: Convert, Pause, Stop, Join All and the encoder's events (mainconvert.cpp) ----
  void BuildConversionCommands();
  void StartButtonClick(TObject* sender);
  void PauseBtnClick(TObject* sender);
  void StopBtnClick(TObject* sender);
  void spSkinSpeedButton7Click(TObject* sender);
  void JoinButtonClick(TObject* sender);
  void ProcessUpdateTimerTimer(TObject* sender);
  void MediaEncoderProgress(TObject* sender, TProgressInfo* info);
  void MediaEncoderTerminate(TObject* sender, const TTerminateInfo& info);
  void MediaEncoderVideoInputHook(TObject* sender, THookInfo* info);
  void MediaEncoderVideoOutputHook(TObject* sender, THookInfo* info);
  void ShutdownComputer1Click(TObject* sender);
  void chShutDownPCClick(TObject* sender);
  void OpenOutputFolder1Click(TObject* sender);
  // Disables a button and redraws it at once.
  void DisableButton(TControl* button);
  void ShowRows();
  // The 500 ms pace of the progress texts while a run goes on.
  TTimer* ProcessUpdateTimer = nullptr;
  // The promotional picture drawn into the last seconds of every video.
  TBitmap PromoWatermark;
  bool JoinConvertedFilesNow = false;
  bool ProgressRefreshDue = false;
  // True from the start of a run until its final event was handled: the
  // commands that change the table do nothing meanwhile.
  bool ConversionActive = false;
  // 1 once the user stopped the run; back to 0 when the run is over.
  int StoppedByUser = 0;
  int64_t LastProgressDuration = 0;
  // Read by the output hook on the worker threads.
  std::atomic<int64_t> LastProgressTotal{0};
  // The records of the run's tasks (one per task, made at Convert).
  std::shared_ptr<struct TConversionRecords> TaskRecords;

  // ---- preview and snapshots (mainpreview.cpp) ----
  void BuildPreview();
  // The preview's volume (0..128) and its change from the edit window.
  int PreviewVolume();
  void SetPreviewVolume(int volume);
  TVIDavaza* VIDavaza = nullptr;
  TZIVoveva* ZIVoveva = nullptr;
  TImage* imgPlayerAreaView = nullptr;  // the placeholder over the stopped preview
  TspSkinSpeedButton *PlayButton = nullptr, *PauseButton = nullptr, *StopButton = nullptr;
  TspSkinMenuSpeedButton* SnapshotButton = nullptr;
  TspSkinTrackBar *VideoTrackBar = nullptr, *VolumeTrackBar = nullptr;
  TspSkinStdLabel* lblPlayTime = nullptr;
  TMenuItem *JPEG1 = nullptr, *BMP1 = nullptr;
  TspSkinSelectDirectoryDialog* spSkinSelectDirectoryDialog1 = nullptr;
  int PreviewState = 0;  // the player's last TPlayState
  bool TrackBarDragging = false;
  int64_t FDuration = 0;  // microseconds
  TWinControl* FScreenControl = nullptr;
  bool SnapshotAsBMP = false;
  int JpegSnapshotCounter = 1, BmpSnapshotCounter = 1;
  // Every line of the media libraries' log.
  std::vector<std::string> EngineLog;
  // The skin's pictures on the preview's buttons (once the skin is read).
  void PreparePreviewPictures();
  bool OpenVideo(const std::string& fileName);
  void PlayButtonClick(TObject* sender);
  void PauseButtonClick(TObject* sender);
  void StopButtonClick(TObject* sender);
  void VIDavazaFileOpen(TObject* sender, int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                        int& screenHeight);
  void VIDavazaPosition(TObject* sender, int64_t pts);
  void VIDavazaState(TObject* sender, int state);
  void VideoTrackBarStartDragButton(TObject* sender);
  void VideoTrackBarLastChange(TObject* sender);
  void VolumeTrackBarChange(TObject* sender);
  void SnapshotButtonClick(TObject* sender);
  void Item22Click(TObject* sender);
  void Item32Click(TObject* sender);
  void JPEG1Click(TObject* sender);
  void BMP1Click(TObject* sender);
  void ZIVovevaLog(TObject* sender, unsigned long threadID, int level, const std::string& message);

  // ---- output parameter grid and profile commands (mainprofiles.cpp) ----
  void BuildProfileCommands();
  // The current format's category and format pictures beside the profile field.
  void ShowProfileIcons(TPicture* category, TPicture* format);
  // The skinned input box; true with the answer in value when confirmed.
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
  TspSkinComboBox* cmbParams = nullptr;  // the in-place editor of ParamGrid's values
  TspSkinInputDialog* SkinInput = nullptr;
  TImage *imgProfileIcon = nullptr, *imgProfileBack = nullptr;
  bool VideoParametersCollapsed = false, AudioParametersCollapsed = false;
  // The grid's sections: the video and audio parameter row counts (0 when
  // folded, or for the video part of an audio format).
  int VideoParameterRows();
  int AudioParameterRows();
  // The parameter a grid row shows: 1..4 video, 5..8 audio, 0 a heading or
  // nothing.
  int ParameterOfRow(int row);
  void ParamGridDrawCell(TObject* sender, int aCol, int aRow, TRect rect, unsigned state);
  void ParamGridMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void ParamGridSelectCell(TObject* sender, int aCol, int aRow, bool& canSelect);
  void cmbParamsCloseUp(TObject* sender);
  void cmbParamsExit(TObject* sender);
  // Writes the value being edited in place and closes the editor.
  void FinishParamEdit();
  void ProfileIconButtonClick(TObject* sender);
  void imgProfileButtonMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void imgProfileFieldMouseEnter(TObject* sender);
  void imgProfileFieldMouseLeave(TObject* sender);
  void SettingsButtonClick(TObject* sender);
  void ProfileSaveAsButtonClick(TObject* sender);
  void ApplytoAllButtonClick(TObject* sender);
  void chApplyToAllClick(TObject* sender);
  void FindTargetButtonClick(TObject* sender);
  // lblProfile and the icons of the current format.
  void ShowCurrentProfile();
  // The picker's rename and remove marks, from the skin's pictures.
  void PreparePicker();

  // ---- DVD titles, downloads and recordings (maindvd.cpp) ----
  void BuildMediaInputCommands();
  // Asks whether the table may be cleared for media of the other kind;
  // true when the user agrees.
  bool AcceptMediaReplacement();
  // The Join All button back to joining nothing.
  void EndJoinAll();
  // Before files or a recording come into a table of DVD titles: asks,
  // then empties the table; false when the user keeps it.
  bool ClearDVDTableForFiles();
  // The opened DVD's path (a drive root), for the DVD title addresses.
  std::string FDVDPath;
  // One item in `menu`: "Select DVD Device" with the CD-ROM drives' roots,
  // each calling onClick, or a disabled "No DVD Device found".
  void BuildDVDDeviceMenu(TspSkinPopupMenu* menu, TNotifyEvent onClick);
  void LoadDVDButtonClick(TObject* sender);
  // A drive of the device menu: opens its DVD.
  void DoMenuClick(TObject* sender);
  // Replaces the table by the titles of the DVD at `path` (a drive root).
  void OpenDVD(const std::string& path);
  // The audio and subtitle lists (emptied by the caller) and the
  // deinterlace box from a DVD title's record.
  void FillDVDTrackCombos(const TDVDTitle& title);
  // The DVD Info window.
  void MenuItem12Click(TObject* sender);
  void DownloadButtonClick(TObject* sender);
  // The row of the longest title (the first of equals).
  int LongestTitleRow() const;

  // Stops a playing or paused preview (the Trim and Edit commands, closing,
  // a conversion's start); nothing when none runs.
  void StopPreview();

  // ---- the other windows: dialogs, help links, the program's hooks (mainwindows.cpp) ----
  void BuildWindowCommands();
  TspSkinOpenDialog* dlgopen = nullptr;
  TspSkinHint* spSkinHint1 = nullptr;
  // The share buttons (on the panel the start-up layout hides).
  TspSkinSpeedButton *LikeButton = nullptr, *TweetButton = nullptr;
  void About1Click(TObject* sender);
  void EventsLogMenuItemClick(TObject* sender);
  void Preferences1Click(TObject* sender);
  void FileInformation1Click(TObject* sender);
  void RecordButtonClick(TObject* sender);
  void Checkforupdates1Click(TObject* sender);
  // The open dialog over the files to add: false when cancelled.
  bool ChooseFiles(std::vector<std::string>& files);
  // The first showing's silent check for a newer version.
  void StartupUpdateCheck();
  // The larger windows take the skin from the message loop: once the main
  // window is up, before any input that comes after it.
  void SkinLargerWindowsLater();

  void WndProc(TMessage& message) override;

protected:
  const char16_t* WindowClassName() const override { return u"TMainForm"; }

private:
  void BuildComponents();
  void TranslateCaptions();
  void LoadSkinPictures();
  void LoadProfileIcons();
  void FreeRowFont(size_t index);
  bool FPainting = false;
};

extern TMainForm* MainForm;

// Gives the program's windows, once all are made, the main window's skin,
// message box and data through their hooks, and routes error reports to the
// error window.
void ConnectProgramWindows();
// The trim, edit, settings and tag windows wear `skin` (they have the most
// controls to skin, so the start-up leaves them to the message loop).
void SkinLargerWindows(TspSkinData* skin);

// The program: the application object, its sixteen windows in their order,
// the message loop until the main window closes. The process's exit code.
int RunTessavane();
