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
void CreateNinePartImageOpenRight(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                                  TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint,
                                  TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect, int NewWidth,
                                  int NewHeight, bool DrawClient, bool LeftStretch, bool TopStretch,
                                  bool RightStretch, bool BottomStretch, bool StretchEffect,
                                  TspStretchType StretchType);
void DrawSkinRectStretched(TBitmap* Target, TBitmap* Picture, TRect SkinRect, TRect ClRect, bool DrawClient);
void CreateClientAreaImage(TRect ClRect, TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                           int NewWidth, int NewHeight, bool StretchEffect, TspStretchType StretchType);
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

// ---- text ----

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
