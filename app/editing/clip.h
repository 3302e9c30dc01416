// The trim window: chooses the part of an item that is converted, with its
// own preview player, two handles under the position bar and typed times.
#pragma once

#include <cstdint>
#include <string>

#include "app/main/AppData.h"  // FormatMicroseconds
#include "framework/Forms.h"

class TPreviewPanel;
class TShape;
class TImage;
class TVIDavaza;
class TspSkinTrackBar;
class TspSkinButton;
class TspSkinSpeedButton;
class TspSkinStdLabel;
class TspSkinTimeEdit;
class TControl;


// "hh:mm:ss" (or "hh:mm") as microseconds; throws Exception when the text is
// not a valid time of day.
int64_t TimeTextToMicroseconds(const std::string& text);

// The trim range being edited and the player's last report.
extern int64_t ClipTrimStart, ClipTrimEnd, ClipLastPosition;
extern int ClipPlayerState;
extern bool ClipPlayingTrimmed, ClipTrackDragging, ClipLeftDragging, ClipRightDragging;
extern int ClipLeftDownX, ClipRightDownX;
extern bool ClipPositionBusy;

// Handle geometry: a time to a handle left for a bar of `width` pixels and
// maximum `max`, and back.
int ClipTimeToHandleLeft(int64_t t, int64_t duration, int width, int max);
int64_t ClipHandleLeftToTime(int left, int64_t duration, int width, int max);

class TClipForm : public TForm {
public:
  explicit TClipForm(TComponent* owner);
  ~TClipForm() override;

  // The item edited: the main grid's selected row − 1.
  int ItemIndex = 0;

  TPreviewPanel* panPreview;
  TspSkinTrackBar* videotrackbar2;
  TImage* imgTrimLeft;
  TImage* imgTrimRight;
  TShape* TrimmedTimeLine;
  TspSkinButton *PlayButton, *PauseButton, *StopButton;
  TspSkinButton *spSkinButton1, *spSkinButton3, *spSkinButton2;
  TspSkinStdLabel *lblPlayTime, *lblPlayTimeCaption, *lblStart, *lblEnd;
  TspSkinTimeEdit *TimeStart, *TimeEnd;
  TspSkinSpeedButton *spSkinSpeedButton1, *spSkinSpeedButton2;
  TspSkinButton *spSkinButton6, *spSkinButton4, *spSkinButton5;
  TVIDavaza* VIDavaza2;

  TControl* FScreenControl = nullptr;
  int64_t FDuration = 0;
  bool FTrackChanging = false;

  void SetClipTrimStart(int64_t t);
  void SetClipTrimEnd(int64_t t);
  void PlaceTrimmedTimeLine();
  void OpenFile(const std::string& name);
  // The name played for the item: its source, or its DVD title address.
  std::string ItemName() const;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void PlayButtonClick(TObject* sender);
  void PauseButtonClick(TObject* sender);
  void StopButtonClick(TObject* sender);
  void spSkinButton1Click(TObject* sender);
  void spSkinButton3Click(TObject* sender);
  void spSkinButton2Click(TObject* sender);
  void spSkinSpeedButton1Click(TObject* sender);
  void spSkinSpeedButton2Click(TObject* sender);
  void spSkinButton6Click(TObject* sender);
  void spSkinButton4Click(TObject* sender);
  void spSkinButton5Click(TObject* sender);
  void imgTrimLeftMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void imgTrimLeftMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void imgTrimLeftMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void imgTrimRightMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void imgTrimRightMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void imgTrimRightMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void videotrackbar2StartDragButton(TObject* sender);
  void videotrackbar2LastChange(TObject* sender);
  void VIDavaza2FileOpen(TObject* sender, int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                         int& screenHeight);
  void VIDavaza2Position(TObject* sender, int64_t position);
  void VIDavaza2State(TObject* sender, int state);

protected:
  const char16_t* WindowClassName() const override { return u"TClipForm"; }

private:
  // Both handles at their reset places (used while no length is known).
  void ResetHandles();
  void PlaceHandlesFromRange();
};

extern TClipForm* ClipForm;

// What the main window calls: shows the trim window for item `row`
// (the main grid's selected row − 1); nothing for an empty table.
int ShowTrimDialog(int row);
