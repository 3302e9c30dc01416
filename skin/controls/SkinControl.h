// The bases of every skinned control: the windowed ones (TspSkinControl,
// TspSkinCustomControl) and their windowless twins (TspGraphicSkinControl,
// TspGraphicSkinCustomControl). A control finds its element in the skin by
// name at every paint and size change, paints off-screen and copies the
// image in one go; without an element it paints its default look.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "framework/Controls.h"
#include "skin/controls/SkinDraw.h"

// The skin library's message asking a control to repaint what shows
// through it (sent by a parent that repainted its background).
constexpr UINT SP_CHECKBACKGROUND = 1284;

enum TspStretchType { spstFull, spstHorz, spstVert };

// Clamps a 64-bit intermediate to the int range: size and position
// arithmetic never overflows inside a window procedure.
inline int ClampToInt(int64_t v) {
  return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, v)));
}

// How an element's picture fits the control's size.
struct TspSkinGeometry {
  RECT SkinRect{};
  POINT LTPt{}, RTPt{}, LBPt{}, RBPt{};
  RECT ClRect{};
  POINT NewLTPoint{}, NewRTPoint{}, NewLBPoint{}, NewRBPoint{};
  RECT NewClRect{};
  // -1 no picture, 0 fixed size, 1 nine-part, 2 horizontal strip, 3 vertical strip.
  int ResizeMode = -1;
  bool StretchEffect = false, LeftStretch = false, TopStretch = false, RightStretch = false,
       BottomStretch = false;
  TspStretchType StretchType = spstFull;

  int SkinWidth() const { return SkinRect.right - SkinRect.left; }
  int SkinHeight() const { return SkinRect.bottom - SkinRect.top; }
  int CalcResizeMode() const;
  // Fits a requested size to the element and computes the New* fields.
  void CalcSkinSize(bool hasElement, int& width, int& height);
  // Where an element-relative rectangle lands at the control's size.
  RECT CalcResizedRect(const RECT& r, int width, int height) const;
};

// What every skinned control shares, over either kind of framework control.
template <class TBase>
class TspSkinControlT : public TBase {
public:
  explicit TspSkinControlT(TComponent* owner) : TBase(owner) {}

  const std::string& SkinDataName() const { return FSkinDataName; }
  // Stores the name only: the next paint or size change looks it up.
  void SetSkinDataName(const std::string& name) { FSkinDataName = name; }
  // Index of the control's element in the skin, -1 for the default look.
  int SkinIndex() const { return FIndex; }

  bool DrawDefault = true;
  bool UseSkinCursor = false;
  std::string HintTitle;
  int HintImageIndex = 0;
  std::string AreaName;

  bool AlphaBlend() const { return FAlphaBlend; }
  virtual void SetAlphaBlend(bool value) {
    FAlphaBlend = value;
    this->Repaint();
  }
  int AlphaBlendValue() const { return FAlphaBlendValue; }
  virtual void SetAlphaBlendValue(int value) {
    FAlphaBlendValue = std::max(0, std::min(255, value));
    this->Repaint();
  }

  // The skin is about to change: the old element must not be used.
  virtual void BeforeChangeSkinData() { FIndex = -1; }
  // Re-reads the element and applies it.
  virtual void ChangeSkinData() {
    GetSkinData();
    ApplySkinCursor();
    this->Repaint();
  }
  // Repaints when blended over the parent, then asks the children to.
  virtual void CheckParentBackground() {
    if (FAlphaBlend) this->Repaint();
  }

  void WndProc(TMessage& m) override {
    if (m.Msg == SP_CHECKBACKGROUND) {
      CheckParentBackground();
      return;
    }
    TBase::WndProc(m);
  }

protected:
  // The skin lookup. No skin data is attached, so every control shows its
  // default look; subclasses extend this with the copy of their element.
  virtual void GetSkinData() { FIndex = -1; }
  virtual void PaintDefaultImage(TspPaintBuffer&) {}
  virtual void PaintSkinImage(TspPaintBuffer&) {}

  void ApplySkinCursor() {
    if (UseSkinCursor) this->SetCursor(crDefault);
  }

  // What lies under the control, for transparent looks and blending.
  void PaintParentBackground(TspPaintBuffer& b) {
    if (this->Parent())
      this->Parent()->PaintBackground(b.DC(), this);
    else
      b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  }

  void Paint() override {
    int w = this->Width(), h = this->Height();
    if (w <= 0 || h <= 0) return;
    GetSkinData();
    TspPaintBuffer b(w, h);
    if (FIndex != -1)
      PaintSkinImage(b);
    else if (DrawDefault)
      PaintDefaultImage(b);
    else
      PaintParentBackground(b);  // nothing of its own: never show stale memory
    ComposeAndDraw(b);
  }

  // The alpha blend over what lies beneath, then the copy to the screen.
  void ComposeAndDraw(TspPaintBuffer& b) {
    if (FAlphaBlend) {
      TspPaintBuffer p(b.Width(), b.Height());
      PaintParentBackground(p);
      b.BlendOver(p, FAlphaBlendValue);
    }
    b.DrawTo(this->PaintDC(), 0, 0);
  }

  int FIndex = -1;
  std::string FSkinDataName;
  bool FAlphaBlend = false;
  int FAlphaBlendValue = 200;
};

// Adds the element geometry, the default font and the default size.
template <class TBase>
class TspSkinCustomControlT : public TspSkinControlT<TBase> {
  using Base = TspSkinControlT<TBase>;

public:
  explicit TspSkinCustomControlT(TComponent* owner) : Base(owner) {}

  TspSkinGeometry Geometry;
  bool UseSkinFont = true;

  const TspFontDesc& DefaultFont() const { return FDefaultFont; }
  void SetDefaultFont(const TspFontDesc& font) {
    FDefaultFont = font;
    DefaultFontChanged();
    if (this->FIndex == -1) this->Repaint();
  }
  int DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int value) {
    FDefaultWidth = value;
    if (this->FIndex == -1 && value > 0) this->SetWidth(value);
  }
  int DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int value) {
    FDefaultHeight = value;
    if (this->FIndex == -1 && value > 0) this->SetHeight(value);
  }

  int RealClientLeft() const { return Geometry.NewClRect.left; }
  int RealClientTop() const { return Geometry.NewClRect.top; }
  int RealClientWidth() const { return Geometry.NewClRect.right - Geometry.NewClRect.left; }
  int RealClientHeight() const { return Geometry.NewClRect.bottom - Geometry.NewClRect.top; }

  void ChangeSkinData() override {
    this->GetSkinData();
    this->ApplySkinCursor();
    bool sized = false;
    if (this->FIndex == -1) {
      if (FDefaultWidth > 0) this->SetWidth(FDefaultWidth);
      if (FDefaultHeight > 0) this->SetHeight(FDefaultHeight);
    } else {
      int w = this->Width(), h = this->Height();
      CalcSkinSize(w, h);
      if (w != this->Width() || h != this->Height()) {
        this->SetBounds(this->Left(), this->Top(), w, h);
        sized = true;
      }
    }
    if (!sized || this->FIndex == -1) {
      UpdateSkinRegion();
      this->Repaint();
    }
  }

  void SetBounds(int left, int top, int width, int height) override {
    this->GetSkinData();
    bool changed = (width != this->Width() || height != this->Height()) && this->FIndex != -1;
    if (changed) {
      CalcSkinSize(width, height);
      if (Geometry.ResizeMode == 0) Geometry.NewClRect = Geometry.ClRect;
    }
    Base::SetBounds(left, top, width, height);
    if (changed) {
      UpdateSkinRegion();
      this->Repaint();
    }
  }

protected:
  virtual void DefaultFontChanged() {}
  virtual void CalcSkinSize(int& width, int& height) { Geometry.CalcSkinSize(this->FIndex != -1, width, height); }
  // The window shape follows the element's mask; without one the window is
  // rectangular.
  virtual void UpdateSkinRegion() {}

  void PaintDefaultImage(TspPaintBuffer& b) override { b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE)); }

  void Paint() override {
    if (this->Width() < 1 || this->Height() < 1) return;
    this->GetSkinData();
    int w = this->Width(), h = this->Height();
    CalcSkinSize(w, h);
    Base::Paint();
  }

  TspFontDesc FDefaultFont;
  int FDefaultWidth = 0, FDefaultHeight = 0;
};

// Windowed: ignores WM_ERASEBKGND (it paints every pixel), keeps a blended
// look in step when moved, and passes the background repaint on.
template <class TBase>
class TspWindowedSkin : public TBase {
public:
  using TBase::TBase;

  // True only while the control's own WM_PAINT handling runs.
  bool FromWMPaint = false;

  void CheckParentBackground() override {
    if (this->FAlphaBlend) {
      this->Repaint();
      CheckControlsBackground();
    }
  }

  void CheckControlsBackground() {
    for (int i = 0; i < this->ControlCount(); ++i) {
      TControl* c = this->Controls(i);
      if (auto* w = dynamic_cast<TWinControl*>(c))
        SendMessageW(w->Handle(), SP_CHECKBACKGROUND, 0, 0);
      else
        c->Perform(SP_CHECKBACKGROUND, 0, 0);
    }
  }

  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_PAINT:
        FromWMPaint = true;
        try {
          TBase::WndProc(m);
        } catch (...) {
          FromWMPaint = false;
          throw;
        }
        FromWMPaint = false;
        return;
      case WM_ERASEBKGND:
        m.Result = 0;
        return;
      case WM_MOVE:
        TBase::WndProc(m);
        if (this->FAlphaBlend) this->Repaint();
        return;
      default:
        TBase::WndProc(m);
    }
  }
};

using TspSkinControl = TspWindowedSkin<TspSkinControlT<TCustomControl>>;
using TspSkinCustomControl = TspWindowedSkin<TspSkinCustomControlT<TCustomControl>>;
using TspGraphicSkinControl = TspSkinControlT<TGraphicControl>;
using TspGraphicSkinCustomControl = TspSkinCustomControlT<TGraphicControl>;
