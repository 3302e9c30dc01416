// Frame objects: the live parts of a skinned window frame (caption buttons,
// the caption text, areas the application paints). Each one is made from a
// description of the skin's object list by the form component that owns it,
// placed for the window's size by the owner, painted with the frame and fed
// the mouse by the owner.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Graphics.h"
// The menus are another part of the library; buttons only keep a pointer.
class TMenuItem;
#include "skin/data/SPUtils.h"
#include "skin/data/SkinData.h"

class TspDynamicSkinForm;
class TspQuickButtonItem;

inline TRect ToTRect(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }
inline TPoint ToTPoint(const TspPoint& p) { return TPoint{p.X, p.Y}; }
inline bool PtInTRect(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }
inline TRect OffsetTRect(const TRect& r, int dx, int dy) {
  return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// The base of every frame object.
class TspActiveSkinObject {
public:
  TspActiveSkinObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  virtual ~TspActiveSkinObject() = default;
  TspActiveSkinObject(const TspActiveSkinObject&) = delete;
  TspActiveSkinObject& operator=(const TspActiveSkinObject&) = delete;

  TspDynamicSkinForm* Parent;
  double FMorphKf = 0;
  bool FMouseIn = false;
  TBitmap* Picture = nullptr;            // the skin's frame (or roll-up) picture; shared
  TBitmap* ActivePicture = nullptr;      // shared, null when the description names none
  TBitmap* ActiveMaskPicture = nullptr;  // shared
  TspSkinData* SD = nullptr;
  std::string IDName;
  std::string Hint;
  TRect SkinRect, ActiveSkinRect, InActiveSkinRect;
  bool Morphing = false;
  TMorphKind MorphKind = mkDefault;
  TRect ObjectRect;
  bool Active = false;
  bool Enabled = true;
  int CursorIndex = -1;
  bool RollUp = false;
  bool Visible = true;
  bool SkinRectInAPicture = false;
  int GlowLayerPictureIndex = -1, GlowLayerMaskPictureIndex = -1;
  int GlowLayerOffsetX = 0, GlowLayerOffsetY = 0, GlowLayerAlphaBlendValue = 255;

  // X, Y relative to the top-left of ObjectRect.
  virtual bool PointInMask(int X, int Y);
  virtual void ShowLayer();
  virtual void HideLayer();
  virtual void InitAlphaImages() {}
  virtual void DrawAlpha(TCanvas* /*Cnvs*/, TspBitmap* /*ABitMap*/) {}
  // UpDate: the object repaints itself alone (true) or is part of a full
  // frame paint over the frame picture (false).
  virtual void Draw(TCanvas* Cnvs, bool UpDate);
  virtual void DblClick() {}
  virtual void MouseDown(int X, int Y, TMouseButton Button);
  virtual void MouseUp(int X, int Y, TMouseButton Button);
  virtual void MouseMove(int X, int Y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual bool CanMorphing();

  bool EnableMorphing();
  void ReDraw();
  void DoMorphing();
  double MorphKf() const { return FMorphKf; }
  void SetMorphKf(double value);
  // ObjectRect (or R) moved to screen coordinates.
  TRect ScreenRect(const TRect& R) const;

protected:
  bool SkinUsable() const;
  // SrcRect of Src stretched onto Dst of the canvas.
  static void CopyLook(TCanvas* Cnvs, TBitmap* Src, const TRect& SrcRect, const TRect& Dst);
  // The look between NormalRect of NormalPic and ActiveRect of ActivePicture at
  // the current factor, drawn at the top-left of ObjectRect.
  void DrawMorph(TCanvas* Cnvs, TBitmap* NormalPic, const TRect& NormalRect, const TRect& ActiveRect);
  bool ActiveWindow() const;
};

// An area the application paints itself (OnPaintEvent of the owner).
class TspUserObject : public TspActiveSkinObject {
public:
  using TspActiveSkinObject::TspActiveSkinObject;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
};

class TspSkinButtonObject : public TspActiveSkinObject {
public:
  TspSkinButtonObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);

  bool FDown = false;
  bool FPopupUp = false;
  TRect DownRect, DisableSkinRect;
  int GroupIndex = -1;
  TMenuItem* MenuItem = nullptr;  // dropped down under the button; not owned

  bool Down() const { return FDown; }
  void SetDown(bool Value);
  // Drops MenuItem down under the button through the owner's menu hook.
  void TrackMenu();

  void ShowLayer() override;
  void HideLayer() override;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool CanMorphing() override;

protected:
  void ReleaseGroup();
};

// Close, maximize/restore, minimize/restore, system menu, roll-up and
// minimize-to-tray buttons of the caption.
class TspSkinStdButtonObject : public TspSkinButtonObject {
public:
  TspSkinStdButtonObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  ~TspSkinStdButtonObject() override;

  std::unique_ptr<TspBitmap> FAlphaNormalImage, FAlphaActiveImage, FAlphaDownImage, FAlphaRestoreNormalImage,
      FAlphaRestoreActiveImage, FAlphaRestoreDownImage, FAlphaInActiveImage, FAlphaInActiveRestoreImage;
  bool FSkinSupport = false;
  TStdCommand Command = cmDefault;
  TRect RestoreRect, RestoreActiveRect, RestoreDownRect, RestoreInActiveRect;
  std::string RestoreHint;
  std::string FTempHint;
  int AlphaMaskPictureIndex = -1, AlphaMaskActivePictureIndex = -1, AlphaMaskInActivePictureIndex = -1;

  bool RestoreLookApplies() const;
  bool IsIconButton() const;
  void DefaultDraw(TCanvas* Cnvs);
  void DoMax();
  void DoMin();
  void DoClose();
  void DoRollUp();
  void DoMinimizeToTray();
  void DoCommand();

  bool PointInMask(int X, int Y) override;
  void ShowLayer() override;
  void HideLayer() override;
  void InitAlphaImages() override;
  void DrawAlpha(TCanvas* Cnvs, TspBitmap* ABitMap) override;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void DblClick() override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool CanMorphing() override;

private:
  bool GlowAllowed() const;
  void DrawRestoreLook(TCanvas* Cnvs);
};

// The window title in the frame.
class TspSkinCaptionObject : public TspActiveSkinObject {
public:
  TspSkinCaptionObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);

  std::string FTextValue;
  std::string FontName = "Arial";
  TFontStyles FontStyle = 0;
  int FontHeight = 14;
  TColor FontColor = 0, ActiveFontColor = 0, ShadowColor = 0, ActiveShadowColor = 0;
  bool Shadow = false;
  TAlignment Alignment = taLeftJustify;
  TRect TextRct;
  bool DefaultCaption = false;
  TRect FrameRect, ActiveFrameRect;
  int FrameLeftOffset = 0, FrameRightOffset = 0;
  TRect FrameTextRect;
  TColor LightColor = 0, ActiveLightColor = 0;
  bool Light = false;
  bool StretchEffect = false;
  int FIncTime = 0;
  TRect AnimateSkinRect;
  int FrameCount = 0;
  int AnimateInterval = 25;
  int CurrentFrame = 0;
  bool InActiveAnimation = false;
  bool FullFrame = false;
  bool VistaGlowEffect = false, VistaGlowInActiveEffect = false;
  bool GlowEffect = false, GlowInActiveEffect = false;
  int GlowSize = 3;
  TColor GlowColor = 0, GlowActiveColor = 0;
  int GlowOffset = 0;
  bool ReflectionEffect = false;
  TColor ReflectionColor = 0, ReflectionActiveColor = 0;
  int ReflectionOffset = 0;
  TRect DividerRect, InActiveDividerRect;
  bool DividerTransparent = false;
  TColor DividerTransparentColor = 0;
  int QuickButtonAlphaMaskPictureIndex = -1;
  int ActiveQuickButton = -1, OldActiveQuickButton = -1, MouseCaptureQuickButton = -1, PopupMenuQuickButton = -1;

  // The owner's quick buttons at the caption's left end.
  bool HasQuickButtons() const;
  int QuickButtonsWidth() const;
  // The divider (in its state's look) and the quick buttons, each with its
  // face while the pointer is over it.
  void DrawQuickButtons(TCanvas* C);
  // The divider picture for the caption's state; empty without one.
  TRect CurrentDividerRect() const;
  // The hovered (or pressed) face of a quick button at its ItemRect's size;
  // false when the button shows no face or the skin has none.
  bool QuickButtonFace(const TspQuickButtonItem* Item, TBitmap& Face) const;
  // The caption's own look, under the quick buttons.
  void DrawCaptionLook(TCanvas* Cnvs, bool UpDate);
  // The quick buttons into the 32-bit picture of a layered border: faces
  // and glyphs opaque, the rest keeps the picture's alpha.
  void DrawQuickButtonsAlpha(TspBitmap* Image);
  void DrawQuickButtonAlpha(TspBitmap* Image, TspQuickButtonItem* Item);
  // Places the visible quick buttons in a row from the caption's left end
  // (their ItemRect) and hands each to `draw`.
  void LayQuickButtons(const std::function<void(TspQuickButtonItem* item)>& draw);
  void TestActiveQuickButton(int X, int Y);
  void RepaintCaption();
  void QuickMouseDown(int X, int Y, TMouseButton Button);
  // True when the release was a left click on a quick button.
  bool QuickMouseUp(int X, int Y, TMouseButton Button);
  // The menu a quick button opened has closed.
  void QuickMenuClosed();

  const std::string& TextValue() const { return FTextValue; }
  void SetTextValue(const std::string& Value);
  void SimpleSetTextValue(const std::string& Value) { FTextValue = Value; }
  bool EnableAnimation() const;
  // 0 not stretched, 1 top band, 2 bottom band, 3 left/right column, 4 elsewhere.
  int StretchKind() const;
  // The text rectangle for the current size, relative to ObjectRect.
  TRect CurrentTextRect() const;
  // The frame of the animation strip to show for frame number N (1-based).
  TRect AnimationFrameRect(int N) const;

  void DrawAlpha(TCanvas* Cnvs, TspBitmap* ABitMap) override;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseMove(int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;

private:
  // The caption picture piece S of P at ObjectRect's size into Dest.
  void MakeCaptionImage(TBitmap* Dest, TBitmap* P, const TRect& S, bool AnimationFrame) const;
  void SetCaptionFont(TCanvas* C, TColor Color) const;
  void DrawCaptionText(TCanvas* C, const TRect& TR, int X, int Y, bool A, const TRect& PaintRect);
  void ApplyInActiveEffect(TBitmap* Image) const;
};
