// Push button (windowed, takes the focus, default and cancel buttons) and
// speed button (windowless, flat tool-bar look). Both press, group, repeat
// and fade the same way.
#pragma once

#include <functional>
#include <string>

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "skin/data/SPGlyphLayout.h"
#include "skin/data/SPUtils.h"
#include "skin/controls/SkinBoxDraw.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinInputRules.h"
#include "skin/controls/SkinTimer.h"


// A picture-grid menu as the buttons know it: the skinned images menu of
// the frame library is one. A button shows its selected item and opens it.
class TspImagesMenuSource {
public:
  virtual ~TspImagesMenuSource() = default;
  // The component itself, for its removal notice.
  virtual TComponent* MenuComponent() = 0;
  virtual void PopupFromRect(const RECT& r) = 0;
  virtual TCustomImageList* Images() const = 0;
  // The selected item's image index and caption; false with none selected.
  virtual bool SelectedItemContent(int& imageIndex, std::string& caption) const = 0;
  // Set by a button: after a new choice, and when the grid closes. Each
  // event belongs to the control that set it: it goes when that control goes,
  // and a control clears (with an empty event) only its own.
  virtual void SetInternalChangeEvent(TComponent* client, TNotifyEvent event) = 0;
  virtual void SetInternalMenuCloseEvent(TComponent* client, TNotifyEvent event) = 0;
};

// What the two buttons share.
template <class TBase>
class TspButtonCore : public TBase {
public:
  explicit TspButtonCore(TComponent* owner) : TBase(owner) {
    // The click comes from the press logic below, not from the framework.
    this->ControlStyle &= ~csClickEvents;
    FImageChangeLink.OnChange = [this](TObject*) { this->Repaint(); };
  }
  ~TspButtonCore() override {
    SetSkinImagesMenu(nullptr);
    if (FImageList) FImageList->UnRegisterChanges(&FImageChangeLink);
    FRepeatTimer.Stop();
    FAnimateTimer.Stop();
    FMorph.Stop();
  }

  bool Down() const { return FDown; }
  virtual void SetDown(bool value);
  int GroupIndex() const { return FGroupIndex; }
  virtual void SetGroupIndex(int value) { FGroupIndex = value; }
  bool AllowAllUp = false;
  bool CheckedMode() const { return FCheckedMode; }
  void SetCheckedMode(bool value) {
    if (value == FCheckedMode) return;
    FCheckedMode = value;
    if (value)
      SetGroupIndex(-1);
    else if (FGroupIndex == -1)
      SetGroupIndex(0);
  }
  bool RepeatMode = false;
  unsigned RepeatInterval = 100;
  bool UseSkinSize = true;
  bool UseSkinFontColor = true;

  // The picture menu whose selected item the button shows (with
  // UseImagesMenuImage, and its caption with UseImagesMenuCaption); not
  // owned: forgotten when it goes.
  TspImagesMenuSource* SkinImagesMenu() const { return FSkinImagesMenu; }
  void SetSkinImagesMenu(TspImagesMenuSource* value) {
    if (FSkinImagesMenu) {
      FSkinImagesMenu->SetInternalChangeEvent(this, nullptr);
      FSkinImagesMenu->SetInternalMenuCloseEvent(this, nullptr);
    }
    FSkinImagesMenu = value;
    FSkinImagesMenuComponent.Set(value ? value->MenuComponent() : nullptr);
    if (value) value->SetInternalChangeEvent(this, [this](TObject*) { this->Repaint(); });
    this->Repaint();
  }
  bool UseImagesMenuImage = false;
  bool UseImagesMenuCaption = false;

  // A strip of NumGlyphs equal pictures side by side: normal, disabled,
  // pressed, hot. Owned; the writer copies.
  TBitmap* Glyph() { return &FGlyph; }
  void SetGlyph(const TBitmap* value) {
    FGlyph.Assign(value);
    this->Repaint();
  }
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value) {
    FNumGlyphs = std::max(1, std::min(4, value));
    this->Repaint();
  }
  // Distance of the glyph from the edge; -1 centres glyph and caption.
  int Margin() const { return FMargin; }
  void SetMargin(int value) {
    if (value == FMargin || value < -1) return;
    FMargin = value;
    this->Repaint();
  }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value) {
    if (value == FSpacing) return;
    FSpacing = value;
    this->Repaint();
  }
  // An image of a list shown instead of the glyph strip; not owned, and
  // forgotten when the list goes.
  TCustomImageList* ImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* value) {
    if (value == FImageList) return;
    if (FImageList) FImageList->UnRegisterChanges(&FImageChangeLink);
    FImageList.Set(value);
    if (FImageList) FImageList->RegisterChanges(&FImageChangeLink);
    this->Repaint();
  }
  int ImageIndex() const { return FImageIndex; }
  virtual void SetImageIndex(int value) {
    if (value == FImageIndex) return;
    FImageIndex = value;
    this->Repaint();
  }

  TspButtonLayout Layout() const { return FLayout; }
  void SetLayout(TspButtonLayout value) {
    if (value == FLayout) return;
    FLayout = value;
    this->Repaint();
  }

  bool MouseIn() const { return FMouseIn; }
  double MorphKf() const { return FMorph.Kf(); }
  bool Morphing = false;  // the element asks for the cross-fade
  TMorphKind MorphKind = mkDefault;
  bool RepeatRunning() const { return FRepeatTimer.Active(); }
  // The frame animation: 1-based frame, 0 when idle.
  int CurrentFrame() const { return FCurrentFrame; }
  bool AnimateRunning() const { return FAnimateTimer.Active(); }

  // Drops the hot and pressed state.
  void RefreshButton() {
    FMouseIn = false;
    FDown = false;
    if (Morphing) FMorph.SetKf(0);
    if (SkinEffectsEnabled()) StopAnimate();
    this->Repaint();
  }

  void ChangeSkinData() override {
    FMorph.Stop();
    StopAnimate();
    FMorph.SetKf(0);
    TBase::ChangeSkinData();
    if (MorphPossible() && HotTarget()) FMorph.SetKf(1);
  }

  virtual void ButtonClick() {
    if (this->OnClick) this->OnClick(this);
  }

protected:
  virtual bool HotTarget() const { return FMouseIn; }
  bool MorphPossible() const { return Morphing && this->FIndex != -1 && this->FSD && this->FSD->EnableSkinEffects; }
  void StartMorph() {
    FMorph.Start([this] { return HotTarget(); }, [this] { return MorphPossible(); }, [this] { this->Repaint(); });
  }
  virtual void StartMorphOrRepaint() {
    if (MorphPossible())
      StartMorph();
    else
      this->Repaint();
  }
  void StartRepeat() {
    FRepeatTimer.Stop();
    FRepeatSwitched = false;
    FRepeatTimer.Start(500, [this] {
      if (!FRepeatSwitched) {
        FRepeatSwitched = true;
        FRepeatTimer.SetInterval(RepeatInterval);
        return;
      }
      ButtonClick();
    });
  }
  void StopRepeat() { FRepeatTimer.Stop(); }

  bool SkinEffectsEnabled() const { return this->FSD && !this->FSD->Empty && this->FSD->EnableSkinEffects; }
  // An element with animation frames, with skin effects on.
  virtual bool CanAnimate() const {
    return this->FIndex != -1 && SkinEffectsEnabled() && !IsEmptyRECT(FAnimateSkinRect) && FFrameCount > 0;
  }
  // Forward plays the frames toward the hot look, backward toward the normal one.
  void StartAnimate(bool forward) {
    StopAnimate();
    FAnimateInc = forward;
    FCurrentFrame = forward ? 1 : FFrameCount;
    FAnimateTimer.Start(static_cast<unsigned>(std::max(1, FAnimateInterval)), [this] {
      if (FAnimateInc) {
        if (FCurrentFrame <= FFrameCount) {
          ++FCurrentFrame;
          this->Repaint();
        }
        if (FCurrentFrame > FFrameCount) StopAnimate();
      } else {
        if (FCurrentFrame >= 0) {
          --FCurrentFrame;
          this->Repaint();
        }
        if (FCurrentFrame <= 0) StopAnimate();
      }
    });
  }
  void StopAnimate() {
    FCurrentFrame = 0;
    FAnimateTimer.Stop();
  }
  // Frame n (1-based): side by side when the frames are wider than the
  // element, stacked otherwise.
  RECT AnimateFrameRect(int n) const {
    RECT r = FAnimateSkinRect;
    if (FFrameCount <= 0) return r;
    if (r.right - r.left > this->Geometry.SkinWidth()) {
      int w = (r.right - r.left) / FFrameCount;
      return RECT{r.left + (n - 1) * w, r.top, r.left + n * w, r.bottom};
    }
    int h = (r.bottom - r.top) / FFrameCount;
    return RECT{r.left, r.top + (n - 1) * h, r.right, r.top + n * h};
  }

  void GetSkinData() override {
    TBase::GetSkinData();
    FButtonElement = false;
    if (this->FIndex == -1) {
      Morphing = false;
      FAnimateSkinRect = RECT{};
      return;
    }
    // A free-size button is never shaped.
    if (!UseSkinSize) this->MaskPicture = nullptr;
    auto* e = dynamic_cast<TspDataSkinButtonControl*>(this->Element());
    if (e) CopyButtonElement(*e);
    if (SkinEffectsEnabled() && FAnimateTimer.Active() && FCurrentFrame > 0 && FCurrentFrame <= FFrameCount) {
      RECT frame = AnimateFrameRect(FCurrentFrame);
      if (FAnimateInc)
        FActiveSkinRect = frame;
      else
        this->Geometry.SkinRect = frame;
    }
  }

  void CopyButtonElement(const TspDataSkinButtonControl& element) {
    const TspDataSkinButtonControl* e = &element;
    FButtonElement = true;
    FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
    FFontColor = static_cast<COLORREF>(e->FontColor) & 0xFFFFFF;
    FActiveFontColor = static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF;
    FDownFontColor = static_cast<COLORREF>(e->DownFontColor) & 0xFFFFFF;
    FDisabledFontColor = static_cast<COLORREF>(e->DisabledFontColor) & 0xFFFFFF;
    if (FDisabledFontColor == FFontColor) FDisabledFontColor = RGB(128, 128, 128);
    FActiveSkinRect = ToRECT(e->ActiveSkinRect);
    if (IsEmptyRECT(FActiveSkinRect)) FActiveSkinRect = this->Geometry.SkinRect;
    FDownSkinRect = ToRECT(e->DownSkinRect);
    if (IsEmptyRECT(FDownSkinRect)) FDownSkinRect = FActiveSkinRect;
    FDisabledSkinRect = ToRECT(e->DisabledSkinRect);
    FFocusedSkinRect = ToRECT(e->FocusedSkinRect);
    FShowFocus = e->ShowFocus;
    Morphing = e->Morphing;
    MorphKind = e->MorphKind;
    FAnimateSkinRect = ToRECT(e->AnimateSkinRect);
    FFrameCount = e->FrameCount;
    FAnimateInterval = e->AnimateInterval;
    // The drop-down marker pictures, each falling back to the one before.
    FMenuMarkerFlatRect = ToRECT(e->MenuMarkerFlatRect);
    FMenuMarkerRect = ToRECT(e->MenuMarkerRect);
    FMenuMarkerActiveRect = ToRECT(e->MenuMarkerActiveRect);
    if (IsEmptyRECT(FMenuMarkerActiveRect)) FMenuMarkerActiveRect = FMenuMarkerRect;
    FMenuMarkerDownRect = ToRECT(e->MenuMarkerDownRect);
    if (IsEmptyRECT(FMenuMarkerDownRect)) FMenuMarkerDownRect = FMenuMarkerActiveRect;
    FMenuMarkerTransparentColor = static_cast<COLORREF>(e->MenuMarkerTransparentColor) & 0xFFFFFF;
    FGlowLayerPictureIndex = e->GlowLayerPictureIndex;
    FGlowLayerMaskPictureIndex = e->GlowLayerMaskPictureIndex;
    FGlowLayerOffsetLeft = e->GlowLayerOffsetLeft;
    FGlowLayerOffsetRight = e->GlowLayerOffsetRight;
    FGlowLayerOffsetTop = e->GlowLayerOffsetTop;
    FGlowLayerOffsetBottom = e->GlowLayerOffsetBottom;
    FGlowLayerShowOffsetX = e->GlowLayerShowOffsetX;
    FGlowLayerShowOffsetY = e->GlowLayerShowOffsetY;
    FGlowLayerAlphaBlendValue = e->GlowLayerAlphaBlendValue;
  }

  // The state picture of the element and whether it shows pressed and hot.
  virtual RECT ChooseStateRect(bool& down, bool& hot) const {
    down = hot = false;
    if (!this->Enabled() && !IsEmptyRECT(FDisabledSkinRect)) return FDisabledSkinRect;
    if (FDown && (FMouseIn || FGroupIndex != 0)) {
      down = hot = true;
      return FDownSkinRect;
    }
    hot = true;
    if (FMouseIn) return FActiveSkinRect;
    if (Morphing && FMorph.Kf() == 1.0) return FActiveSkinRect;
    hot = false;
    return this->Geometry.SkinRect;
  }

  // The size rule: the element's, or with UseSkinSize off (and not a
  // nine-part element) any size, the caption area growing with it.
  void CalcSkinSize(int& width, int& height) override {
    if (UseSkinSize || this->FIndex == -1 || this->Geometry.ResizeMode == 1) {
      TBase::CalcSkinSize(width, height);
      return;
    }
    const RECT& cl = this->Geometry.ClRect;
    this->Geometry.NewClRect = RECT{cl.left, cl.top, cl.right + width - this->Geometry.SkinWidth(),
                                    cl.bottom + height - this->Geometry.SkinHeight()};
  }
  bool FreeSize() const { return !UseSkinSize && this->Geometry.ResizeMode != 1; }

  void DrawStateImage(TspPaintBuffer& b, const RECT& r, bool down, bool hot) {
    RECT freeArea{};
    if (!FreeSize()) {
      this->CreateSkinImage(b, this->Picture, r);
    } else if (this->Picture) {
      // The state picture stretched over the whole button.
      if (this->Geometry.ResizeMode == 0)
        DrawPiece(b, ImageSourceOf(this->Picture), r, b.ClientRect());
      else
        DrawStretchedSkinRect(b, ImageSourceOf(this->Picture), r, this->Geometry.ClRect);
      const RECT& cl = this->Geometry.ClRect;
      freeArea = RECT{cl.left, cl.top, cl.right + b.Width() - (r.right - r.left),
                      cl.bottom + b.Height() - (r.bottom - r.top)};
    }
    COLORREF color;
    if (this->Enabled() && !UseSkinFontColor)
      color = this->FDefaultFont.Color;
    else if (!this->Enabled())
      color = FDisabledFontColor;
    else if (down && hot)
      color = FDownFontColor;
    else if (hot)
      color = FActiveFontColor;
    else
      color = FFontColor;
    TspFontDesc font = this->UseSkinFont ? FSkinFont : this->FDefaultFont;
    font.Color = color;
    RECT area = FreeSize() ? freeArea : this->Geometry.NewClRect;
    if (IsEmptyRECT(area)) area = b.ClientRect();
    if (FShowFocus && HasInputFocus() && this->FSD) {
      // The dotted frame in the skin's button face colour.
      TCanvas* cv = b.Canvas();
      cv->Font()->SetColor(static_cast<TColor>(ColorToRGBValue(static_cast<TColor>(this->FSD->SkinColors.cBtnFace))));
      DrawDottedFocusFrame(cv, TRect{area.left, area.top, area.right, area.bottom});
      cv->Brush()->SetStyle(bsClear);
    }
    if (OnPaint) {
      bool drawDefault = true;
      OnPaint(this, b.Canvas(), area, down, hot, drawDefault);
      if (!drawDefault) return;
    }
    DrawContent(b.DC(), area, font, down, hot);
  }

  // Whether the (windowed) button has the keyboard focus.
  bool HasInputFocus() const {
    auto* w = dynamic_cast<const TWinControl*>(static_cast<const TControl*>(this));
    return w && w->HandleAllocated() && GetFocus() == w->HandleIfAllocated();
  }

  // Which picture of the glyph strip shows.
  int GetGlyphNum(bool down, bool hot) const {
    if (down && hot && FNumGlyphs > 2) return 3;
    if (hot && FNumGlyphs > 3) return 4;
    if (!this->Enabled() && FNumGlyphs > 1) return 2;
    return 1;
  }

  // The image list to draw from now, or null for the glyph strip.
  virtual TCustomImageList* ContentImages(bool down, bool hot) const {
    if (FImageList && FImageIndex >= 0 && FImageIndex < FImageList->Count()) return FImageList;
    return nullptr;
  }

  // The image (list picture or glyph) and the caption laid out together in
  // `area`, in `font`.
  // Whether a picture of `images` draws in its enabled look.
  virtual bool DrawsImagesEnabled(TCustomImageList* images) const {
    (void)images;
    return this->Enabled();
  }

  void DrawContent(HDC dc, const RECT& area, const TspFontDesc& font, bool down, bool hot) {
    int menuImage = -1;
    std::string menuCaption;
    if (FSkinImagesMenu && UseImagesMenuImage && FSkinImagesMenu->Images() &&
        FSkinImagesMenu->SelectedItemContent(menuImage, menuCaption)) {
      DrawImageListGlyphAndCaption(dc, area, font, FMargin, FSpacing, FLayout,
                                   UseImagesMenuCaption ? menuCaption : ShownCaption(), FSkinImagesMenu->Images(),
                                   menuImage, this->Enabled(), down, FDrawColorMarker, MarkerColour());
      return;
    }
    if (TCustomImageList* images = ContentImages(down, hot)) {
      DrawImageListGlyphAndCaption(dc, area, font, FMargin, FSpacing, FLayout, ShownCaption(), images, FImageIndex,
                                   DrawsImagesEnabled(images), down, FDrawColorMarker, MarkerColour());
      return;
    }
    DrawGlyphAndCaption(dc, area, font, FMargin, FSpacing, FLayout, ShownCaption(), &FGlyph, FNumGlyphs,
                        GetGlyphNum(down, hot), down, FDrawColorMarker, MarkerColour());
  }
  COLORREF MarkerColour() const { return ColorToRGBValue(FColorMarkerValue) & 0xFFFFFF; }

  // A colour marker under the image or caption (set by subclasses).
  bool FDrawColorMarker = false;
  TColor FColorMarkerValue = 0;

  void Notification(TComponent* component, TOperation operation) override {
    TBase::Notification(component, operation);
    // The menu's component reference clears itself; its interface goes with it.
    if (operation == opRemove && FSkinImagesMenu && component == FSkinImagesMenuComponent) FSkinImagesMenu = nullptr;
  }

  void PaintSkinImage(TspPaintBuffer& b) override {
    if (!FButtonElement) {
      TBase::PaintSkinImage(b);
      return;
    }
    double kf = FMorph.Kf();
    if (Morphing && kf > 0.0 && kf < 1.0 && this->Enabled()) {
      // The cross-fade between the normal and the hot picture.
      DrawStateImage(b, this->Geometry.SkinRect, false, false);
      TspPaintBuffer hot(b.Width(), b.Height());
      DrawStateImage(hot, FActiveSkinRect, false, true);
      MorphLooks(b, hot, MorphKind, kf);
      return;
    }
    bool down = false, hot = false;
    RECT r = ChooseStateRect(down, hot);
    DrawStateImage(b, r, down, hot);
  }

  bool FButtonElement = false;
  bool FShowFocus = false;
  TspImagesMenuSource* FSkinImagesMenu = nullptr;
  TComponentRef<TComponent> FSkinImagesMenuComponent{this};
  TspFontDesc FSkinFont;
  COLORREF FFontColor = 0, FActiveFontColor = 0, FDownFontColor = 0, FDisabledFontColor = RGB(128, 128, 128);
  RECT FActiveSkinRect{}, FDownSkinRect{}, FDisabledSkinRect{}, FFocusedSkinRect{};
  RECT FMenuMarkerFlatRect{}, FMenuMarkerRect{}, FMenuMarkerActiveRect{}, FMenuMarkerDownRect{};
  COLORREF FMenuMarkerTransparentColor = 0;
  int FGlowLayerPictureIndex = -1, FGlowLayerMaskPictureIndex = -1;
  int FGlowLayerOffsetLeft = 0, FGlowLayerOffsetRight = 0, FGlowLayerOffsetTop = 0, FGlowLayerOffsetBottom = 0;
  int FGlowLayerShowOffsetX = 0, FGlowLayerShowOffsetY = 0, FGlowLayerAlphaBlendValue = 255;

  // Pressed, hot or normal, as the default look shows it.
  virtual TspFaceState FaceState() const {
    if (FDown && (FMouseIn || FGroupIndex != 0)) return fsDownFace;
    if (FMouseIn) return fsHotFace;
    return fsNormalFace;
  }
  virtual std::string ShownCaption() const { return this->Caption(); }

  void PaintDefaultImage(TspPaintBuffer& b) override {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    RECT in = DrawDefaultFace(b, b.ClientRect(), FaceState());
    PaintContent(b.Canvas(), in);
  }

  void PaintContent(TCanvas* canvas, const RECT& r) {
    if (OnPaint) {
      bool drawDefault = true;
      OnPaint(this, canvas, r, FDown, FMouseIn, drawDefault);
      if (!drawDefault) return;
    }
    HDC dc = canvas->Handle();
    TspFontDesc font = this->FDefaultFont;
    if (!this->Enabled()) font.Color = GetSysColor(COLOR_BTNSHADOW);
    DrawContent(dc, r, font, FDown, FMouseIn);
  }

public:
  // Custom drawing on top of the face: (sender, canvas, rect, down, mouse
  // in, draw default); clearing draw default leaves out glyph and caption.
  std::function<void(TObject*, TCanvas*, const RECT&, bool, bool, bool&)> OnPaint;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    TBase::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    if (CanAnimate() && FAnimateTimer.Active()) StopAnimate();
    FMouseDown = true;
    if (!FDown) {
      FMouseIn = true;
      SetDown(true);
      if (FCheckedMode) {
        FStopMouseUp = true;
        ButtonClick();
      } else if (RepeatMode && FGroupIndex == 0) {
        StartRepeat();
      } else if (FGroupIndex != 0) {
        ButtonClick();
      }
      FAllowAllUpCheck = false;
    } else if (FGroupIndex != 0) {
      FAllowAllUpCheck = true;
    }
  }

  void MouseMove(TShiftState shift, int x, int y) override {
    TBase::MouseMove(shift, x, y);
    if (FDown) FollowPressedPointer(this, FMouseIn, x, y);
  }

  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    if (button == mbLeft) {
      FMouseDown = false;
      bool wasDown = FDown;
      if (FCheckedMode) {
        if (FStopMouseUp) {
          FStopMouseUp = false;
        } else {
          SetDown(false);
          ButtonClick();
        }
      } else if (FGroupIndex == 0) {
        if (FMouseIn) {
          SetDown(false);
          StopRepeat();
          if (wasDown) ButtonClick();
        } else {
          FDown = false;
          StopRepeat();
          this->Repaint();
        }
      } else if (FDown && AllowAllUp && FAllowAllUpCheck && FMouseIn) {
        SetDown(false);
        ButtonClick();
      }
    }
    if (this->Visible()) TBase::MouseUp(button, shift, x, y);
  }

  // The look changes on hover only when it would show.
  virtual bool HoverChangesLook() const { return FGroupIndex != 0 ? !FDown : true; }
  virtual bool KeepsMouseIn() const { return false; }

  void MouseEntered() {
    FMouseIn = true;
    if (HoverChangesLook()) {
      if (FDown) {
        if (Morphing) FMorph.SetKf(1);
        this->Repaint();
      } else {
        if (CanAnimate()) StartAnimate(true);
        StartMorphOrRepaint();
      }
    }
    if (FDown && RepeatMode && FGroupIndex == 0) StartRepeat();
  }

  void MouseLeft() {
    if (!KeepsMouseIn()) FMouseIn = false;
    if (HoverChangesLook()) {
      if (CanAnimate()) StartAnimate(false);
      StartMorphOrRepaint();
    }
    if (FDown && RepeatMode && FGroupIndex == 0) StopRepeat();
  }

  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case CM_MOUSEENTER:
        TBase::WndProc(m);
        if (reinterpret_cast<TControl*>(m.LParam) == this && this->Enabled()) MouseEntered();
        return;
      case CM_MOUSELEAVE:
        TBase::WndProc(m);
        if (reinterpret_cast<TControl*>(m.LParam) == this && this->Enabled()) MouseLeft();
        return;
      case CM_ENABLEDCHANGED:
        TBase::WndProc(m);
        if (Morphing) {
          FMorph.Stop();
          FMorph.SetKf(0);
        }
        FMouseIn = false;
        this->Repaint();
        return;
      case CM_TEXTCHANGED:
        if (this->FIndex != -1 || this->DrawDefault) this->Repaint();
        TBase::WndProc(m);
        return;
      default:
        TBase::WndProc(m);
    }
  }

  bool FDown = false;
  bool FMouseIn = false;
  bool FMouseDown = false;
  bool FStopMouseUp = false;
  bool FAllowAllUpCheck = false;
  bool FCheckedMode = false;
  bool FRepeatSwitched = false;
  int FGroupIndex = 0;
  TspMorph FMorph;
  TspTimer FRepeatTimer;
  TBitmap FGlyph;
  TComponentRef<TCustomImageList> FImageList{this};
  TChangeLink FImageChangeLink;
  int FImageIndex = -1;
  int FNumGlyphs = 1;
  int FMargin = -1;
  int FSpacing = 1;
  TspButtonLayout FLayout = blGlyphLeft;
  RECT FAnimateSkinRect{};
  int FFrameCount = 0, FAnimateInterval = 0;
  int FCurrentFrame = 0;
  bool FAnimateInc = false;
  TspTimer FAnimateTimer;
};

template <class TBase>
void TspButtonCore<TBase>::SetDown(bool value) {
  FDown = value;
  if (Morphing) {
    FMorph.SetKf(1);
    if (value)
      FMorph.Stop();
    else
      StartMorph();
  }
  this->Repaint();
  if (FGroupIndex > 0 && FDown && !AllowAllUp && this->Parent()) {
    TWinControl* parent = this->Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* other = dynamic_cast<TspButtonCore<TBase>*>(parent->Controls(i));
      if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) other->SetDown(false);
    }
  }
}

// A windowed push button: focus, keyboard, default and cancel buttons and
// the modal result of its form.
class TspSkinButton : public TspFocusableSkin<TspButtonCore<TspSkinCustomControl>> {
  using Base = TspFocusableSkin<TspButtonCore<TspSkinCustomControl>>;

public:
  explicit TspSkinButton(TComponent* owner);

  void SetGroupIndex(int value) override {
    Base::SetGroupIndex(value);
    if (value != 0) SetCanFocused(false);
  }
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Cancel = false;
  int ModalResult = mrNone;
  // The Enter key goes to this button (it is the focused or the default one).
  bool Active() const { return FActive; }

  void ButtonClick() override;
  void WndProc(TMessage& message) override;
  void BeforeChangeSkinData() override;
  void ChangeSkinData() override;

  // Show the glow frame even when the skin leaves glow frames off.
  bool AlwaysShowLayeredFrame = false;
  // The glow frame around the button, while the mouse is over it.
  void ShowLayer();
  void HideLayer();
  bool LayerVisible() const { return FGlow.Visible(); }

protected:
  void CreateWnd() override;
  bool HotTarget() const override { return FMouseIn || Focused(); }
  TspFaceState FaceState() const override;
  RECT ChooseStateRect(bool& down, bool& hot) const override;
  bool HoverChangesLook() const override;
  bool KeepsMouseIn() const override { return FCanFocused && FDefault && FActive && !Focused(); }
  void PaintDefaultImage(TspPaintBuffer& b) override;
  bool FocusableKey(TMessage& m) override;
  void OwnHoverChanged(bool entered) override;
  // Whether the space bar presses the button.
  bool FSpaceSupport = true;

private:
  bool FDefault = false;
  bool FActive = false;
  TspGlowLayer FGlow;
};

// A windowless tool-bar button; flat ones show their parent at rest.
class TspSkinSpeedButton : public TspButtonCore<TspGraphicSkinCustomControl> {
  using Base = TspButtonCore<TspGraphicSkinCustomControl>;

public:
  explicit TspSkinSpeedButton(TComponent* owner);

  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool value);
  int WidthWithCaption = 0;
  int WidthWithoutCaption = 0;

  void SetDown(bool value) override;
  void WndProc(TMessage& message) override;
  void Loaded() override;

protected:
  void Paint() override;
  std::string ShownCaption() const override { return FShowCaption ? Caption() : std::string(); }
  void StartMorphOrRepaint() override;
  bool HoverChangesLook() const override { return (FGroupIndex == 0 || !FDown) && Enabled(); }
  // A flat button never plays its frames.
  bool CanAnimate() const override { return !FFlat && Base::CanAnimate(); }
  void GetSkinData() override;
  // On a tool bar, a button without a glyph takes its picture from the bar's
  // lists: the disabled list (drawn as it is) when disabled, the hot list
  // under the mouse or while down, else the normal list.
  TCustomImageList* ContentImages(bool down, bool hot) const override;
  bool DrawsImagesEnabled(TCustomImageList* images) const override;

private:
  void SetTransparent(bool transparent);
  bool FFlat = false;
  bool FShowCaption = true;
};
