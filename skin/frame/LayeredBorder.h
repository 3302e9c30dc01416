// The layered border: a translucent frame picture with per-pixel alpha drawn
// around and outside a skinned form, in up to four layered popup windows
// that follow the form. With a sizing band the windows size and move the
// form; with a full border the top piece also carries the caption and the
// caption buttons, which get their mouse events through these windows.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/data/speffbmp.h"

class TspDynamicSkinForm;
class TspFormLayerBorder;

enum TspFormLayerBorderType { spflLeft, spflTop, spflRight, spflBottom };

enum TspFormLayerBorderHit {
  spflhNone,
  spflhLeft,
  spflhTop,
  spflhRight,
  spflhBottom,
  spflhTopLeft,
  spflhTopRight,
  spflhBottomLeft,
  spflhBottomRight,
  spflCaption,
  spflObject
};

// Where the whole frame picture goes for a form at (FL, FT) of FW x FH.
struct TspLayerFrameBounds {
  int X = 0, Y = 0, Width = 0, Height = 0;
};
TspLayerFrameBounds LayerFrameBoundsFor(const TspDataSkinLayerFrame& D, int PW, int PH, int FL, int FT, int FW,
                                        int FH);

// One of the four borderless layered popups around the form. It never
// takes the activation.
class TspFormLayerWindow : public TForm {
public:
  TspFormLayerWindow(TspFormLayerBorder* AOwner, TCustomForm* AForm);

  bool FDown = false;
  TCustomForm* FForm;
  TspFormLayerBorder* FLayerBorder;
  TPoint MousePos1, MousePos2;
  TspFormLayerBorderHit FHitMode = spflhNone;
  bool FInProcessMessages = false;
  TspFormLayerBorderType BorderType = spflTop;
  // Taken off the border; waiting to be freed.
  bool Retired = false;

  // The zone under screen point P.
  TspFormLayerBorderHit GetHitMode(TPoint P);
  void WndProc(TMessage& message) override;

  // The mouse gestures, with the cursor position on the screen; the window
  // procedure feeds them from the mouse messages.
  void LayerMouseDown(TMouseButton Button, TPoint Cursor);
  void LayerMouseMove(TPoint Cursor);
  void LayerMouseUp(TMouseButton Button, TPoint Cursor);
  void LayerDblClick(TPoint Cursor);

protected:
  const char16_t* WindowClassName() const override { return u"TspFormLayerWindow"; }
  void CreateParams(TCreateParams& params) override;

private:
  bool MouseAllowed(TspFormLayerBorderHit Hit) const;
  // The steps run pending messages, which may close the form and free this
  // window: false then, and nothing of this object may be touched.
  bool SizeStep(TspFormLayerBorderHit Mode, int dx, int dy, TPoint P);
  bool MoveStep(int dx, int dy);
  bool ProcessPending();
};

class TspFormLayerBorder : public TComponent {
public:
  explicit TspFormLayerBorder(TspDynamicSkinForm* AOwner);
  ~TspFormLayerBorder() override;

  TspDynamicSkinForm* DSF;
  bool FIsAeroEnabled = false;
  TTimer* MouseTimer = nullptr;
  TCustomForm* FForm = nullptr;
  bool FVisible = false;
  TspSkinData* FSD = nullptr;
  const TspDataSkinLayerFrame* FData = nullptr;
  std::unique_ptr<TspBitmap> FSourceBitmap, FSourceInActiveBitMap;
  std::unique_ptr<TspBitmap> LeftImage, TopImage, RightImage, BottomImage;
  // Owned; freed by Hide or the next Show.
  TspFormLayerWindow *LeftBorder = nullptr, *TopBorder = nullptr, *RightBorder = nullptr, *BottomBorder = nullptr;
  int FWidth = 0, FHeight = 0;
  int LeftSize = 0, TopSize = 0, RightSize = 0, BottomSize = 0;
  int HitTopLeftX = 0, HitTopLeftY = 0, HitTopRightX = 0, HitTopRightY = 0;
  int HitBottomLeftX = 0, HitBottomLeftY = 0, HitBottomRightX = 0, HitBottomRightY = 0;
  int OldActiveObject = -1, ActiveObject = -1, MouseCaptureObject = -1;
  HRGN DataRgn1 = nullptr, DataRgn2 = nullptr, DataRgn3 = nullptr, DataRgn4 = nullptr;
  HRGN TopRgn = nullptr, BottomRgn = nullptr, RightRgn = nullptr, LeftRgn = nullptr;
  bool FActive = true;
  int FCurrentAlphaBlendValue = -1, FCurrentInActiveAlphaBlendValue = -1;

  bool FullBorder() const { return FData && FData->FullBorder; }
  int PictureWidth() const { return FSourceBitmap ? FSourceBitmap->Width() : 0; }
  int PictureHeight() const { return FSourceBitmap ? FSourceBitmap->Height() : 0; }

  void InitFrame(TspSkinData* ASkinData, TCustomForm* AForm);
  void Show(int X, int Y, int AWidth, int AHeight);
  void Hide();
  void SetBounds(int X, int Y, int AWidth, int AHeight);
  void Update(int X, int Y, int AWidth, int AHeight);
  void Draw(TCanvas* C, int X, int Y, int AWidth, int AHeight);
  void ShowWithForm();
  void SetBoundsWithForm();
  void SetBoundsWithForm2(int AW, int AH);
  void SetBoundsWithForm3(int ALeft, int ATop, int AW, int AH);
  void UpdateBorder();
  void ShowWithFormAnimation();
  void MoveWithForm();
  void MoveWithForm2(int ALeft, int ATop);
  void SetAlphaBlend();
  void SetAlphaBlend2();
  void CheckFormAlpha(int AFormAlpha, bool AUpdate);
  void SetActive(bool AValue, bool AUpdate);
  void TestActiveObject(int X, int Y);
  void MouseTimerCheck();
  void ArrangeCaptionObjects();
  // The four pieces for a frame of AWidth x AHeight.
  void CreateLayerImages(int AWidth, int AHeight);
  // The border pictures for a window of that size; false while the border
  // is not shown.
  bool RenderForSize(int AWidth, int AHeight);

private:
  TspLayerFrameBounds FormFrame(int FL, int FT, int FW, int FH, bool Animated = false) const;
  uint8_t CurrentAlpha() const;
  void PutPiece(TspFormLayerWindow* W, TspBitmap* Image, HRGN BlurRgn);
  void PlaceWindows(int X, int Y, int AWidth, int AHeight, UINT ExtraFlags);
  // Hides the windows at once and frees them from the message loop: a
  // window may be in its own handler (a button that closed the form).
  void FreeWindows();
  std::vector<std::unique_ptr<TspFormLayerWindow>> FRetired;
  TTimer* PurgeTimer = nullptr;
  void FreePieces();
  void DeleteRegions(bool All);
  void CreateBlurRegions();
  void CreateBlurMaskRegions();
  bool BlurOn() const;
};
