// The region picker: a borderless window over the whole desktop showing a
// frozen picture of the screen, on which the user drags a rectangle with
// the left button. Red crosshair lines follow the pointer, and a hint next
// to it gives the pointer position, the rectangle's size and what to do.
// Releasing the button over a real rectangle closes it with mrOk and leaves
// the rectangle in PRegion. It has no skinned frame on purpose: nothing may
// cover the picture.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Shape.h"

// Set by the main window to the translated "Selected Area" and "Hold down
// mouse and draw rectangle".
extern std::string FreeHandAreaLabel;
extern std::string FreeHandInstruction;

// A rectangle as left, top, width and height.
struct TFreeHandRegion {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TFreeHandRegion& o) const {
    return Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height;
  }
};

class TFreeHandWindow : public TForm {
public:
  explicit TFreeHandWindow(TComponent* owner);
  ~TFreeHandWindow() override;

  // The crosshair of the start point (1 vertical, 2 horizontal) and of the
  // current point (3 vertical, 4 horizontal).
  TShape* Shape1;
  TShape* Shape2;
  TShape* Shape3;
  TShape* Shape4;

  bool SelectRegion1 = false;  // the left button is down
  bool RegionOK = false;       // a rectangle has been drawn
  int X1 = 0, Y1 = 0;          // start point (screen)
  int X2 = 0, Y2 = 0;          // current point (screen)
  TFreeHandRegion PRegion;

  // The hint's text as last shown ("" when cleared); its window, if shown.
  const std::string& HintText() const { return FHintText; }
  HWND HintWindow() const { return FHint; }

  void WndProc(TMessage& message) override;

protected:
  const char16_t* WindowClassName() const override { return u"TFreeHandWindow"; }
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(HDC dc) override;

private:
  void FormShow(TObject* sender);
  // Pointer positions come in the coordinates of `sender` (the form or a
  // line) and are turned into screen positions first.
  void FormMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void FormMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FormMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  POINT ScreenPoint(TObject* sender, int x, int y);
  void ComputeRegion();
  void ShowHintAt(const std::string& text, POINT at);
  void CancelHint();

  std::unique_ptr<TBitmap> fBMP;
  HWND FHint = nullptr;
  std::string FHintText;
};

// The recorder's capture region: set to the whole screen when the recorder
// window is made (ResetCaptureRegion), changed by ChooseCaptureRegion.
struct TCaptureRegion {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};
extern TCaptureRegion CaptureRegion;

// The program's region picker, made at start-up; ChooseCaptureRegion uses
// it when it is there and a window of its own otherwise.
extern TFreeHandWindow* FreeHandWindow;
void ResetCaptureRegion();

// The region for a picked rectangle: odd sides above 2 lose one pixel (the
// encoders want even sizes), then sides below 64 become 64.
TCaptureRegion CaptureRegionFor(const TFreeHandRegion& picked);

// Source 0: the whole screen; 1: part of it, picked with a fresh region
// picker (the region stays as it was unless the picker ends with OK);
// 2 (webcam): nothing.
void ChooseCaptureRegion(int source);
