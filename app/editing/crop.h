// The edit window: crop area, display aspect, picture adjustments, flip,
// deinterlacing, volume and the picture and text overlays of one item, with
// a source preview carrying the crop rectangle and an output preview that
// shows the result live.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "framework/Forms.h"

class TPreviewPanel;
class TPicture;
class TFont;
class TBitmap;
class TImage;
class TVIDavaza;
class TspSkinTrackBar;
class TspSkinButton;
class TspSkinSpeedButton;
class TspSkinStdLabel;
class TspSkinSpinEdit;
class TspSkinCheckRadioBox;
class TspSkinComboBox;
class TspSkinEdit;
class TspSkinFileEdit;
class TspSkinFontDialog;
class TspSkinPageControl;
class TspSkinTabSheet;

// Where a source picture of sw x sh pixels shows in a pw x ph panel under a
// player's aspect setting (0 own proportions, -1 the panel's, > 1 a ratio).
struct TDisplayGeometry {
  double s = 0;   // scale of the axis the picture fills
  double f = 1;   // horizontal stretch of the aspect setting
  double mx = 0;  // horizontal margin (picture fills the height)
  double my = 0;  // vertical margin (picture fills the width)
  bool fillsHeight = true;
};
TDisplayGeometry DisplayGeometry(int sw, int sh, int pw, int ph, double aspect);
// A source point shown in the panel, rounded to the nearest pixel.
void DisplayPoint(const TDisplayGeometry& g, double x, double y, int& px, int& py);

// Unit state of the edit window.
extern int EditSourceWidth, EditSourceHeight, EditDvdDisplayHeight;
extern int EditPictureLeft, EditPictureTop, EditPictureRight, EditPictureBottom;
extern int EditPlayerState;
extern bool EditHandleDragging;
extern int EditHandleDownX, EditHandleDownY;
extern bool EditSuppressChange, EditTrackDragging, EditApplyItemOnOpen;

// What the output player's picture hook reads: published by the window
// thread on every change of the overlay settings, never read from controls.
struct TOverlaySnapshot {
  bool Picture = false;
  std::shared_ptr<TPicture> PictureImage;
  int PictureX = 0, PictureY = 0;
  bool Text = false;
  std::string TextValue;
  std::shared_ptr<TFont> Font;
  int TextX = 0, TextY = 0;
};

class TCropForm : public TForm {
public:
  explicit TCropForm(TComponent* owner);
  ~TCropForm() override;

  int ItemIndex = 0;  // the main grid's selected row − 1

  TPreviewPanel* panPreview1;
  TPreviewPanel *lnleft, *lntop, *lnright, *lnBottom;
  TPreviewPanel *szLeftTop, *szTopMiddle, *szRightTop, *szRightMiddle, *szRightBottom, *szBottomMiddle,
      *szLeftBottom, *szLeftMiddle;
  TPreviewPanel *Panel1, *Panel2, *panPreview2;
  TspSkinStdLabel *lblOriginal, *lblOutput;
  TspSkinButton *PlayButton, *PauseButton, *StopButton;
  TspSkinTrackBar* videotrackbar;
  TImage* VolumeImg;
  TspSkinTrackBar* VolumeTrackBar;
  TspSkinPageControl* spSkinPageControl1;
  TspSkinTabSheet *tabCrop, *tabAdjust, *tabOverlay;
  // Crop tab
  TspSkinStdLabel *lblAspect, *lblLeft, *lblTop, *lblWidth, *lblHeight;
  TspSkinComboBox* cmbAspectRatio;
  TspSkinSpinEdit *edLeft, *edTop, *edWidth, *edHeight;
  TspSkinCheckRadioBox* chFlipVertical;
  // Adjust tab
  TspSkinCheckRadioBox *chBrightness, *chContrast, *chSaturation, *chHue, *chDeinterlace;
  TspSkinTrackBar *tbBrightness, *tbContrast, *tbSaturation, *tbHue;
  TspSkinStdLabel* lblVolume;
  TspSkinSpinEdit* spinVolume;
  // Overlay tab
  TspSkinCheckRadioBox *chPictureOverlay, *chText;
  TspSkinFileEdit* edPictureOverlay;  // its dialog chooses the overlay picture
  TspSkinSpeedButton* btnPictureOverlay;  // the file edit's button
  TspSkinFontDialog* spSkinFontDialog1;   // the text overlay's font
  TspSkinStdLabel *lblPictureX, *lblPictureY, *lblTextX, *lblTextY;
  TspSkinSpinEdit *PictureOverlayX, *PictureOverlayY, *TextOverlayX, *TextOverlayY;
  TspSkinEdit* edTextOverlay;
  TspSkinSpeedButton* btnEditFont;
  TspSkinButton *spSkinButton2, *spSkinButton1, *spSkinButton4, *spSkinButton5;
  TVIDavaza *VIDavaza1, *VIDavaza2;

  TControl *FScreenControl1 = nullptr, *FScreenControl2 = nullptr;
  int64_t FDuration = 0;
  bool FTrackChanging = false;
  // Read by the output player's filters through their registered addresses.
  int32_t FBrightness = 0, FContrast = 0, FSaturation = 0, FHue = 0;
  TPicture* OverlayPicture = nullptr;
  TFont* OverlayFont = nullptr;

  void OpenVideo(const std::string& name, bool paused);
  void ValuesToCropArea();
  void ValuesToPreviewArea();
  void CropAreaToEdits(bool reset, bool unused = false);
  void ConstrainCropHandles(int kind);
  double SourceDisplayAspect();
  void UpdateVideoFilters();
  std::string ItemName() const;
  // The overlay settings as the picture hook sees them.
  std::shared_ptr<const TOverlaySnapshot> Overlay() const;
  void PublishOverlay();

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void PlayButtonClick(TObject* sender);
  void PauseButtonClick(TObject* sender);
  void StopButtonClick(TObject* sender);
  void videotrackbarStartDragButton(TObject* sender);
  void videotrackbarLastChange(TObject* sender);
  void VIDavaza1FileOpen(TObject* sender, int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                         int& screenHeight);
  void VIDavaza1Position(TObject* sender, int64_t position);
  void VIDavaza1State(TObject* sender, int state);
  void VIDavaza2State(TObject* sender, int state);
  void VIDavaza2VideoHook(TObject* sender, TBitmap* bitmap, int64_t pts, bool& update);
  void cmbAspectRatioChange(TObject* sender);
  void edLeftChange(TObject* sender);
  void szMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void szMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  // Drags handle `kind` (0 top-left, 1 bottom-right, 2 bottom-left,
  // 3 top-right, 4 top middle, 5 bottom middle, 6 left middle, 7 right middle).
  void szMouseMove(int kind, int x, int y);
  void tbBrightnessChange(TObject* sender);
  void tbContrastChange(TObject* sender);
  void tbSaturationChange(TObject* sender);
  void tbHueChange(TObject* sender);
  void tbStartDragButton(TObject* sender);
  void chBrightnessClick(TObject* sender);
  void chContrastClick(TObject* sender);
  void chSaturationClick(TObject* sender);
  void chHueClick(TObject* sender);
  void chDeinterlaceClick(TObject* sender);
  void chFlipVerticalClick(TObject* sender);
  void VolumeTrackBarChange(TObject* sender);
  void edPictureOverlayChange(TObject* sender);
  void edTextOverlayKeyPress(TObject* sender, char16_t& key);
  void btnEditFontClick(TObject* sender);
  void btnPictureOverlayClick(TObject* sender);
  void spSkinButton2Click(TObject* sender);  // Reset All
  void spSkinButton1Click(TObject* sender);  // Apply
  void spSkinButton4Click(TObject* sender);  // OK
  void spSkinButton5Click(TObject* sender);  // Cancel

  void WndProc(TMessage& message) override;

  // The source player's current picture size (0 x 0 without a picture).
  virtual void CurrentPictureSize(int& width, int& height);

protected:
  const char16_t* WindowClassName() const override { return u"TCropForm"; }

private:
  void SetEditValue(TspSkinSpinEdit* edit, int value);
  bool IsDvdItem() const;
  void PlaceSideHandles();
  std::atomic<bool> FFirstPicture{true};
  bool FLoadingItem = false;
  mutable std::mutex FOverlayLock;
  std::shared_ptr<const TOverlaySnapshot> FOverlay;
};

extern TCropForm* CropForm;

// What the main window calls: shows the edit window for item `row`; an
// audio item is refused with a message. Returns the modal result.
int ShowEditDialog(int row);
