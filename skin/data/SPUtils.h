// Drawing, shape and window helpers of the skin library on Win32: nine-part
// pictures on framework bitmaps, window regions from masks, glyphs on
// canvases, layered popups and the system queries. The layout rules
// themselves are platform-neutral (SPNinePart, SPMaskRuns, SPGlyphLayout,
// SPTextLayout, SPLayerFade).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "skin/data/SPGeometry.h"
#include "skin/data/SPGlyphLayout.h"
#include "skin/data/SPLayerFade.h"
#include "skin/data/SPNinePart.h"
#include "skin/data/speffbmp.h"

// ---- nine-part and three-part pictures ----

void CreateNinePartImage(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                         TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect,
                         TBitmap* Target, TBitmap* Picture, TRect SkinRect, int NewWidth, int NewHeight,
                         bool DrawClient, bool LeftStretch, bool TopStretch, bool RightStretch, bool BottomStretch,
                         bool StretchEffect, TspStretchType StretchType);
// The second name of the same build, for the callers that use it.
inline void CreateNinePartImage2(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                                 TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint,
                                 TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect, int NewWidth,
                                 int NewHeight, bool DrawClient, bool LeftStretch, bool TopStretch,
                                 bool RightStretch, bool BottomStretch, bool StretchEffect,
                                 TspStretchType StretchType) {
  CreateNinePartImage(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint,
                      NewClRect, Target, Picture, SkinRect, NewWidth, NewHeight, DrawClient, LeftStretch, TopStretch,
                      RightStretch, BottomStretch, StretchEffect, StretchType);
}
void CreateNinePartImageOpenRight(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                                  TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint,
                                  TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect, int NewWidth,
                                  int NewHeight, bool DrawClient, bool LeftStretch, bool TopStretch,
                                  bool RightStretch, bool BottomStretch, bool StretchEffect,
                                  TspStretchType StretchType);
void DrawSkinRectStretched(TBitmap* Target, TBitmap* Picture, TRect SkinRect, TRect ClRect, bool DrawClient);
void CreateClientAreaImage(TRect ClRect, TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                           int NewWidth, int NewHeight, bool StretchEffect, TspStretchType StretchType);
// The four borders of a layered frame as separate bitmaps; an image whose
// condition does not hold keeps its former size and pixels.
void CreateBorderImages(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                        TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect,
                        TBitmap* LeftImage, TBitmap* TopImage, TBitmap* RightImage, TBitmap* BottomImage,
                        TBitmap* Picture, TRect SkinRect, int NewWidth, int NewHeight, bool LeftStretch,
                        bool TopStretch, bool RightStretch, bool BottomStretch);
void CreateHorzThreePartImage(int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                              int NewWidth, int NewHeight, bool Stretch);
void CreateHorzLeftEndImage(int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                            int NewWidth, int NewHeight, bool Stretch);
void CreateHorzMiddleImage(int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                           int NewWidth, int NewHeight, bool Stretch);
void CreateVertThreePartImage(int TopHeight, int BottomHeight, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                              int NewWidth, int NewHeight, bool Stretch);

// The canvas painter of the builders above (framework bitmaps, GDI copies).
class TspCanvasPiecePainter : public TspPiecePainter {
public:
  TspCanvasPiecePainter(TBitmap* Picture, TBitmap* Target) : FPicture(Picture), FTarget(Target) {}
  void Copy(const TspRect& Src, const TspRect& Dst) override;
  void StretchPiece(const TspRect& Src, const TspRect& Dst) override;
  void StretchClient(const TspRect& Src, const TspRect& Dst, TspStretchType Type, bool Clip) override;

private:
  TBitmap* FPicture;
  TBitmap* FTarget;
};

// ---- regions ----

// Region data of the black pixels of Mask at (OffsetX, OffsetY); returns its
// size in bytes (0 and Data untouched for an empty mask).
int CreateRegionDataFromMask(TBitmap* Mask, int OffsetX, int OffsetY, std::vector<uint8_t>& Data);
// The union of the rectangles in one pass: each band of rectangles becomes one
// region description and the bands are joined pairwise, so the work grows
// with the rectangles, not with their square. Null when there are none or
// the system refuses the region (nothing is left behind). The caller owns it.
HRGN CreateRegionFromRuns(const std::vector<TspRect>& Runs);
// The region of the black pixels of Mask, or null for an empty mask. The caller owns it.
void CreateRegionFromMask(HRGN& Rgn, TBitmap* Mask);
void CreateBorderMaskStripes(TPoint LTPt, TPoint RTPt, TPoint LBPt, TPoint RBPt, TRect ClRect, TPoint NewLTPoint,
                             TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect, TBitmap* Mask,
                             TBitmap* TopStripe, TBitmap* LeftStripe, TBitmap* RightStripe, TBitmap* BottomStripe,
                             int NewWidth, int NewHeight);
// Null when the new corner points cross or NewClRect is empty.
void CreateNinePartRegion(HRGN& Rgn, TPoint LTPt, TPoint RTPt, TPoint LBPt, TPoint RBPt, TRect ClRect,
                          TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect,
                          TBitmap* Mask, int NewWidth, int NewHeight);

// ---- glyphs on canvases ----

// Lines and boxes of the neutral glyph shapes, drawn with the canvas's pen and brush.
class TspCanvasGlyphPainter : public TspGlyphPainter {
public:
  explicit TspCanvasGlyphPainter(TCanvas* Canvas) : FCanvas(Canvas) {}
  void Line(int x0, int y0, int x1, int y1) override;
  void Box(int l, int t, int r, int b, bool Filled) override;
  void Pixel(int x, int y) override;

private:
  TCanvas* FCanvas;
};

void DrawSmallArrowGlyph(TCanvas* Canvas, TRect R, TColor Color, int Direction);
void DrawArrowGlyph(TCanvas* Canvas, TRect R, TColor Color, int Direction);
void DrawDropDownArrowGlyph(TCanvas* Canvas, TRect R, TColor Color);
void DrawRadioDotGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawCheckMarkGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawCloseGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawCloseGlyphCentered(TCanvas* Canvas, TRect R, TColor Color);
void DrawMinimizeGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawMaximizeGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawRestoreGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawSysMenuGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawMinimizeToTrayGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawRollDownGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawRollUpGlyph(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawDottedFocusFrame(TCanvas* Canvas, TRect R);
void DrawBevelFrame(TCanvas* Canvas, TRect R, TColor TopLeftColor, TColor BottomRightColor);
// Frame Index (1-based) of a strip, transparently; nothing for an empty
// bitmap or a frame that does not exist.
void DrawStripFrame(TCanvas* Canvas, int X, int Y, TBitmap* Bitmap, int NumGlyphs, int Index);

// Caption beside a glyph: frame GlyphIndex of a strip, laid out by
// CalcGlyphAndTextPos. No strip, no glyph: the caption is laid out alone.
void DrawStripGlyphAndText(TCanvas* Canvas, TRect R, int Margin, int Spacing, TspButtonLayout Layout,
                           const std::string& Caption, TBitmap* Bitmap, int NumGlyphs, int GlyphIndex, bool Down,
                           bool DrawMarker, TColor MarkerColor);
void DrawStripGlyphAndGlowText(TCanvas* Canvas, TRect R, int Margin, int Spacing, TspButtonLayout Layout,
                               const std::string& Caption, TBitmap* Bitmap, int NumGlyphs, int GlyphIndex, bool Down,
                               bool DrawMarker, TColor MarkerColor, TColor GlowColor, int GlowSize);
void DrawBitmapGlowShape(TspBitmap* Target, TBitmap* Bitmap, int Offset);
// Caption beside picture ImageIndex of an image list, enabled or disabled;
// an index outside the list (or no list) means no glyph.
void DrawImageListGlyphAndText(TCanvas* Canvas, TRect R, int Margin, int Spacing, TspButtonLayout Layout,
                               const std::string& Caption, int ImageIndex, TCustomImageList* ImageList, bool Down,
                               bool Enabled, bool DrawMarker, TColor MarkerColor);
void DrawImageListGlyphAndGlowText(TCanvas* Canvas, TRect R, int Margin, int Spacing, TspButtonLayout Layout,
                                   const std::string& Caption, int ImageIndex, TCustomImageList* ImageList,
                                   bool Down, bool Enabled, bool DrawMarker, TColor MarkerColor, TColor GlowColor,
                                   int GlowSize);
// Pure red over the opaque pixels of picture Index at (Offset, Offset):
// a PNG list's own alpha, any other list's mask.
void DrawImageListGlowShape(TspBitmap* Target, TCustomImageList* ImageList, int Index, int Offset);
class TPngImage;
// Pure red wherever the PNG is not fully transparent, at (Offset, Offset).
void DrawPngGlowShape(TspBitmap* Target, TPngImage* Png, int Offset);

// ---- backgrounds of transparent controls ----

class TControl;
// Paints into Canvas what lies beneath Control: its parent's background and
// own painting and the windowless controls below Control (before it in the
// parent's list). Canvas shows Control's top-left corner at its origin.
// Nothing for a control without a parent. The parent and the copied
// controls carry csPaintCopy while they paint.
void PaintParentBackground(TControl* Control, TCanvas* Canvas);
// The same for the part of Control at R: Canvas shows (R.Left, R.Top) of
// Control at its origin.
void PaintParentBackgroundAt(TControl* Control, const TRect& R, TCanvas* Canvas);

// ---- text ----

void ShortenWideTextToWidth(TCanvas* Canvas, std::u16string& Text, int MaxWidth);
int GetDrawTextWidth(TCanvas* Canvas, const std::u16string& Text);
int GetDrawTextHeight(TCanvas* Canvas, const std::u16string& Text);
void DrawTextVCentered(TCanvas* Canvas, const std::string& Text, TRect R);
void DrawAlignedTextVCentered(TCanvas* Canvas, const std::string& Text, TRect R, int Alignment);
void DrawTextRectVCentered(TCanvas* Canvas, const std::string& Text, TRect R);
void DrawTextRectVCenteredAt(TCanvas* Canvas, const std::string& Text, TRect R, int Offset);
void DrawCenteredWrappedText(TCanvas* Canvas, const std::string& Text, TRect R, bool BreakLongWords);
void DrawGlowTextW(TCanvas* Canvas, TRect R, const std::u16string& Text, UINT Flags, int Offset, TColor GlowColor,
                   int GlowSize);
void DrawVistaGlowText(TCanvas* Canvas, TRect R, const std::u16string& Text, UINT Flags, TColor GlowColor);
void DrawVistaGlowTextNarrow(TCanvas* Canvas, TRect R, const std::u16string& Text, UINT Flags, TColor GlowColor);
void DrawReflectedText(TCanvas* Canvas, TRect R, const std::string& Text, UINT Flags, int Offset, TColor Color);
void DrawReflectedTextW(TCanvas* Canvas, TRect R, const std::u16string& Text, UINT Flags, int Offset, TColor Color);

void ShortenTextToWidth(TCanvas* Canvas, std::string& Text, int MaxWidth);
int CanvasDrawTextW(TCanvas* Canvas, const std::u16string& Text, TRect& R, UINT Flags);
void DrawGlowText(TCanvas* Canvas, TRect R, const std::string& Text, UINT Flags, int Offset, TColor GlowColor,
                  int GlowSize);
void DrawThickGlowText(TCanvas* Canvas, TRect R, const std::string& Text, UINT Flags, int Offset, TColor GlowColor,
                       int GlowSize);

// ---- layered windows ----

// The user32 entry points bound by name at start (null when missing);
// tests may replace them.
using TUpdateLayeredWindow = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
extern TUpdateLayeredWindow SkinUpdateLayeredWindow;
extern TSetLayeredWindowAttributes SkinSetLayeredWindowAttributes;

void BuildLayerImage(TBitmap* Image, TBitmap* Mask, TspBitmap* Target);
void UpdateLayeredWindowFromBitmap(TspBitmap* Bitmap, uint8_t Alpha, HWND Window, int Left, int Top);
void SetWindowAlphaValue(HWND Wnd, uint8_t Alpha);

// A popup that is never activated and lets the mouse through.
class TspLayerWindow {
public:
  TspLayerWindow(int X, int Y, int W, int H);
  ~TspLayerWindow();
  HWND Handle() const { return FHandle; }
  int Left, Top, Width, Height;

private:
  HWND FHandle = nullptr;
};

// Shows an image with its mask on a layered popup and fades it in on a 25 ms timer.
class TspLayerManager : public TComponent {
public:
  explicit TspLayerManager(TComponent* AOwner);
  ~TspLayerManager() override;
  void Show(int X, int Y, TBitmap* AImage, TBitmap* AImageMask, int AAlphaBlendValue);
  void Hide();
  void Update();
  void StartTimer();
  void StopTimer();
  TTimer* Timer() const { return FTimer; }
  TspLayerWindow* LayerWindow() const { return FLayerWindow.get(); }
  bool IsVisible() const { return FIsVisible; }
  bool TopMostMode = true;
  int BeginAlphaBlendValue() const { return FFade.Current(); }
  int EndAlphaBlendValue() const { return FFade.Target(); }
  int StepAlphaBlendValue() const { return FFade.Step(); }

private:
  void FadeTimerTick();
  std::unique_ptr<TspLayerWindow> FLayerWindow;
  std::unique_ptr<TspBitmap> FBmp;
  TTimer* FTimer;
  TspLayerFade FFade;
  bool FIsVisible = false;
};

// Target := the PNG's pixels with its alpha.
class TPngImage;
void CopyPngToAlphaBitmap(TspBitmap* Target, TPngImage* Png);

// Desktop composition (dwmapi.dll, bound at start when present).
bool IsDwmCompositionEnabled();
void SetDwmTransitionsEnabled(HWND Wnd, bool Enabled);
void EnableWindowBlurBehind(HWND Wnd, bool Enable, HRGN Region);

// ---- system ----

bool IsJpegFileName(const std::string& FileName);
void GetWindowsVersion(int& Major, int& Minor);
bool IsWindows2000OrLater();
bool IsWindowsXPOrLater();
bool IsWindowsVistaOrLater();
bool IsWindows7();
TColor AverageColor(TColor A, TColor B);
TColor DarkenColor(TColor C, uint8_t Percent);
void GetScreenWorkArea(bool WorkArea, TRect& R);
bool HasMultipleMonitors();
// The monitor nearest to Wnd (its work area or whole area); R unchanged when the query fails.
void GetMonitorArea(HWND Wnd, bool WorkArea, TRect& R);
// The screen area at (X, Y) of Bitmap's size, copied into Bitmap.
void CopyScreenToBitmap(int X, int Y, TBitmap* Bitmap);
// Load errors propagate; Bitmap keeps its size then.
void LoadJpegToBitmap(TBitmap* Bitmap, const std::string& FileName);
