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
#include "framework/ImgList.h"
#include "skin/data/SkinData.h"
#include "skin/controls/SkinDraw.h"

// A button of a skinned control: where it is and how it looks.
struct TspCBButtonX {
  RECT R{};
  bool MouseIn = false;
  bool Down = false;
};

class TCustomImageList;

// The skin library's message asking a control to repaint what shows
// through it (sent by a parent that repainted its background).
constexpr UINT SP_CHECKBACKGROUND = 1284;

inline RECT ToRECT(const TspRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline POINT ToPOINT(const TspPoint& p) { return POINT{p.X, p.Y}; }
inline RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline POINT ToPOINT(const TPoint& p) { return POINT{p.X, p.Y}; }
inline bool IsEmptyRECT(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline TspFontDesc SkinFontDesc(const std::string& name, int height, uint8_t styles, int32_t color) {
  TspFontDesc f;
  f.Name = name;
  f.Height = height;
  f.Bold = (styles & fsBold) != 0;
  f.Italic = (styles & fsItalic) != 0;
  f.Underline = (styles & fsUnderline) != 0;
  f.Color = static_cast<COLORREF>(color) & 0xFFFFFF;
  return f;
}

// The look halfway through a hover fade: `normal` turned toward `active` by
// kf (0 keeps normal, 1 gives active) with the transition the element names.
// Both buffers must have the same size; otherwise normal is left as it is.
void MorphLooks(TspPaintBuffer& normal, const TspPaintBuffer& active, TMorphKind kind, double kf);

// The nine parts of `src` of an element's picture, with the element's corner
// points and client rectangle, grown by dx and dy.
TspNinePartSpec ElementNinePartGrown(const TspDataSkinCustomControl& e, const RECT& src, int dx, int dy);

// The skin's button element `name` drawn in `dst` of the buffer, its
// pressed face when down, else its hot face when hot (a missing face falls
// back to the hot one, then the normal one); that state's font colour goes
// to `fontColor`. False when the skin has no such button element.
bool DrawSkinButtonElement(TspPaintBuffer& b, TspSkinData* sd, const std::string& name, const RECT& dst, bool down,
                           bool hot, COLORREF* fontColor);

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

  int SkinWidth() const { return ClampToInt(int64_t(SkinRect.right) - SkinRect.left); }
  int SkinHeight() const { return ClampToInt(int64_t(SkinRect.bottom) - SkinRect.top); }
  int CalcResizeMode() const;
  // Fits a requested size to the element and computes the New* fields.
  void CalcSkinSize(bool hasElement, int& width, int& height);
  // Where an element-relative rectangle lands at the control's size.
  RECT CalcResizedRect(const RECT& r, int width, int height) const;
};

// The skin a control takes its look from: not owned, forgotten when it
// goes, with the two lookups every skinned control makes in it.
class TspSkinDataRef : public TComponentRef<TspSkinData> {
public:
  using TComponentRef<TspSkinData>::TComponentRef;
  // The index of element `name`; -1 without a skin or with an empty one.
  int ControlIndex(const std::string& name) const {
    TspSkinData* sd = Get();
    return (!sd || sd->Empty) ? -1 : sd->GetControlIndex(name);
  }
  // The element record at `index`; null for -1 or an index past the list.
  TspDataSkinControl* Element(int index) const {
    TspSkinData* sd = Get();
    if (!sd || index < 0 || index >= static_cast<int>(sd->CtrlList.size())) return nullptr;
    return sd->CtrlList[static_cast<size_t>(index)].get();
  }
  // A picture by index; null for -1, an index past the list or an empty picture.
  const TspPicture* Picture(int index) const {
    TspSkinData* sd = Get();
    if (!sd || index < 0 || index >= static_cast<int>(sd->FActivePictures.size())) return nullptr;
    const TspPicture& p = sd->FActivePictures[static_cast<size_t>(index)];
    return p.Empty() ? nullptr : &p;
  }
};

// The top at which a skinned tool bar that lines up its controls places a
// control of `height`: centred on the bar's skin client rectangle. False when
// `parent` is no such bar (or does not line its controls up).
bool SkinToolBarCentredTop(TWinControl* parent, int height, int& top);

// What every skinned control shares, over either kind of framework control.
template <class TBase>
class TspSkinControlT : public TBase {
public:
  explicit TspSkinControlT(TComponent* owner) : TBase(owner) {}


  // The skin data component the control takes its look from; not owned.
  TspSkinData* SkinData() const { return FSD; }
  virtual void SetSkinData(TspSkinData* value) {
    FSD.Set(value);
    if (FSD && !FSD->Empty) ChangeSkinData();
  }

  const std::string& SkinDataName() const { return FSkinDataName; }
  // Stores the name only: the next paint or size change looks it up.
  void SetSkinDataName(const std::string& name) { FSkinDataName = name; }
  // Index of the control's element in the skin, -1 for the default look.
  int SkinIndex() const { return FIndex; }

  bool DrawDefault = true;
  bool UseSkinCursor = false;
  // The element's cursor number among the skin's cursors; -1 for none.
  int CursorIndex = -1;
  std::string HintTitle;
  int HintImageIndex = 0;
  // Picture list of the extended hint; not owned: forgotten when it goes.
  TCustomImageList* HintImageList() const { return FHintImageList; }
  void SetHintImageList(TCustomImageList* value) { FHintImageList.Set(value); }
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
  // Asks the children to repaint what they blend over (windowed controls
  // have children).
  virtual void CheckControlsBackground() {}
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
  // The skin lookup, at every paint and size change; subclasses extend it
  // with the copy of their element.
  virtual void GetSkinData() { FIndex = FSD.ControlIndex(FSkinDataName); }
  // The element record in use, or null.
  TspDataSkinControl* Element() const { return FSD.Element(FIndex); }
  // A picture of the skin by index; null for -1 or an index past the list.
  const TspPicture* SkinPicture(int index) const { return FSD.Picture(index); }

  void Notification(TComponent* component, TOperation operation) override {
    TBase::Notification(component, operation);
    if (operation == opRemove && component == FSD) FIndex = -1;
  }
  virtual void PaintDefaultImage(TspPaintBuffer&) {}
  virtual void PaintSkinImage(TspPaintBuffer&) {}

  // With UseSkinCursor the control shows the element's cursor, which the
  // skin installed among the screen's cursors from its first cursor number
  // on; the default cursor when the element names none.
  void ApplySkinCursor() {
    if (!UseSkinCursor) return;
    int64_t n = (CursorIndex == -1 || !FSD) ? 0 : int64_t(CursorIndex) + int64_t(FSD->StartCursorIndex);
    if (n < INT32_MIN || n > INT32_MAX) n = 0;
    this->SetCursor(static_cast<TCursor>(n));
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

  TspSkinDataRef FSD{this};
  int FIndex = -1;
  std::string FSkinDataName;
  bool FAlphaBlend = false;
  int FAlphaBlendValue = 200;
  TComponentRef<TCustomImageList> FHintImageList{this};
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

  // A focusable control takes the focus before a mouse press counts, and a
  // click that the focus change itself produces is dropped. False means the
  // message must go no further.
  bool FocusBeforeClick(const TMessage& m) {
    switch (m.Msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (this->Focused()) return true;
        FClicksDisabled = true;
        ::SetFocus(this->Handle());
        FClicksDisabled = false;
        return this->Focused();
      case CN_COMMAND:
        return !FClicksDisabled;
      default:
        return true;
    }
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
    // A bar that lines up its controls keeps them centred whatever top they
    // are given.
    SkinToolBarCentredTop(this->Parent(), height, top);
    Base::SetBounds(left, top, width, height);
    if (changed) {
      UpdateSkinRegion();
      this->Repaint();
    }
    // A stretched picture changed under the children that blend over it.
    if (this->FIndex != -1 && Geometry.StretchEffect) this->CheckControlsBackground();
  }

  // The element's picture and mask, borrowed from the skin.
  const TspPicture* Picture = nullptr;
  const TspPicture* MaskPicture = nullptr;

protected:
  void GetSkinData() override {
    Base::GetSkinData();
    if (this->FIndex == -1) return;
    auto* e = dynamic_cast<TspDataSkinCustomControl*>(this->Element());
    if (!e) {
      // A record without geometry: fixed size, nothing to draw from.
      Geometry.ResizeMode = 0;
      Picture = MaskPicture = nullptr;
      return;
    }
    auto pt = [](const TspPoint& p) { return POINT{p.X, p.Y}; };
    auto rc = [](const TspRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; };
    Geometry.LTPt = pt(e->LTPoint);
    Geometry.RTPt = pt(e->RTPoint);
    Geometry.LBPt = pt(e->LBPoint);
    Geometry.RBPt = pt(e->RBPoint);
    Geometry.SkinRect = rc(e->SkinRect);
    Geometry.ClRect = rc(e->ClRect);
    this->CursorIndex = e->CursorIndex;
    Geometry.StretchEffect = e->StretchEffect;
    Geometry.LeftStretch = e->LeftStretch;
    Geometry.TopStretch = e->TopStretch;
    Geometry.RightStretch = e->RightStretch;
    Geometry.BottomStretch = e->BottomStretch;
    Geometry.StretchType = e->StretchType;
    Picture = this->SkinPicture(e->PictureIndex);
    MaskPicture = this->SkinPicture(e->MaskPictureIndex);
    Geometry.ResizeMode = Geometry.CalcResizeMode();
  }

  // The element picture `source` of the picture at the control's size, by
  // ResizeMode. Without a picture the default look stands in: the builders
  // need one.
  void CreateSkinImage(TspPaintBuffer& b, const TspPicture* picture, const RECT& source) {
    if (!picture) {
      PaintDefaultImage(b);
      return;
    }
    const TspSkinGeometry& g = Geometry;
    TspImageSource pic = ImageSourceOf(picture);
    switch (g.ResizeMode) {
      case 0:
        DrawPiece(b, pic, source, RECT{0, 0, g.SkinWidth(), g.SkinHeight()});
        break;
      case 1: {
        TspNinePartSpec n;
        n.SkinRect = source;
        n.LT = g.LTPt;
        n.RT = g.RTPt;
        n.LB = g.LBPt;
        n.RB = g.RBPt;
        n.ClRect = g.ClRect;
        n.NewLT = g.NewLTPoint;
        n.NewRT = g.NewRTPoint;
        n.NewLB = g.NewLBPoint;
        n.NewRB = g.NewRBPoint;
        n.NewClRect = g.NewClRect;
        SetNinePartStretch(n, g);
        DrawNinePart(b, pic, n);
        break;
      }
      case 2:
        DrawHorzThreePart(b, pic, source, g.LTPt.x, ClampToInt(int64_t(g.SkinWidth()) - g.RTPt.x), g.StretchEffect);
        break;
      case 3:
        DrawVertThreePart(b, pic, source, g.LTPt.y, ClampToInt(int64_t(g.SkinHeight()) - g.LBPt.y), g.StretchEffect);
        break;
      default:
        break;
    }
  }

  void PaintSkinImage(TspPaintBuffer& b) override { CreateSkinImage(b, Picture, Geometry.SkinRect); }

  virtual void DefaultFontChanged() {}
  virtual void CalcSkinSize(int& width, int& height) { Geometry.CalcSkinSize(this->FIndex != -1, width, height); }
  // The window shape follows the element's mask, resized like the picture;
  // without a mask the window is rectangular.
  virtual void UpdateSkinRegion() {
    auto* win = dynamic_cast<TWinControl*>(static_cast<TControl*>(this));
    if (!win || !this->Parent() || !win->HandleAllocated()) return;
    HWND h = win->HandleIfAllocated();
    if (!MaskPicture || this->FIndex == -1) {
      if (FRgn) {
        SetWindowRgn(h, nullptr, TRUE);
        FRgn = nullptr;
      }
      return;
    }
    if (Geometry.ResizeMode < 0) return;
    HRGN rgn = CreateSkinRegion();
    if (!rgn) return;
    // From here on the window owns the region.
    if (SetWindowRgn(h, rgn, TRUE))
      FRgn = rgn;
    else
      DeleteObject(rgn);
  }

  // The mask at the control's size: fixed elements use it as it is, the
  // others stretch their border stripes around the new client rectangle
  // (a strip is a nine-part layout without the far band).
  HRGN CreateSkinRegion() {
    int w = this->Width(), h = this->Height();
    CalcSkinSize(w, h);
    const TspSkinGeometry& g = Geometry;
    if (g.ResizeMode == 0) return RegionFromMask(ImageSourceOf(MaskPicture));
    const int dx = ClampToInt(int64_t(this->Width()) - g.SkinWidth()), dy = ClampToInt(int64_t(this->Height()) - g.SkinHeight());
    POINT lt = g.LTPt, rt = g.RTPt, lb = g.LBPt, rb = g.RBPt;
    POINT nlt = g.NewLTPoint, nrt = g.NewRTPoint, nlb = g.NewLBPoint, nrb = g.NewRBPoint;
    if (g.ResizeMode == 2) {
      lb = lt;
      rb = rt;
      nlt = nlb = lt;
      nrt = nrb = POINT{ClampToInt(int64_t(rt.x) + dx), rt.y};
    } else if (g.ResizeMode == 3) {
      rt = lt;
      rb = lb;
      nlt = nrt = lt;
      nlb = nrb = POINT{lb.x, ClampToInt(int64_t(lb.y) + dy)};
    }
    return NinePartRegionFromMask(ImageSourceOf(MaskPicture), lt, rt, lb, rb, g.ClRect, nlt, nrt, nlb, nrb, g.NewClRect,
                                  this->Width(), this->Height());
  }
  HRGN FRgn = nullptr;

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

 private:
  bool FClicksDisabled = false;
};

// Windowed: ignores WM_ERASEBKGND (it paints every pixel), keeps a blended
// look in step when moved, and passes the background repaint on.
template <class TBase>
class TspWindowedSkin : public TBase {
public:
  using TBase::TBase;

  // True only while the control's own WM_PAINT handling runs.
  bool FromWMPaint = false;

  // For controls that draw their whole look on erase: paints into the erase
  // DC unless the control's own paint runs, and reports the background done.
  void PaintIntoEraseDC(TMessage& m) {
    if (!FromWMPaint && m.WParam) {
      TMessage paint{WM_PAINT, m.WParam, 0, 0};
      TCustomControl::WndProc(paint);
    }
    m.Result = 1;
  }

  void CheckParentBackground() override {
    if (this->FAlphaBlend) {
      this->Repaint();
      CheckControlsBackground();
    }
  }

  void CheckControlsBackground() override {
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
