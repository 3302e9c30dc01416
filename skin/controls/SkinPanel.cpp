#include "skin/controls/SkinPanel.h"

#include <algorithm>

#include "skin/controls/SkinControlKit.h"

COLORREF SkinColorValue(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  if ((u & 0xFF000000u) == 0xFF000000u) return GetSysColor(static_cast<int>(u & 0xFF));
  return u & 0xFFFFFF;
}

namespace {

// A one-pixel 3-D frame; leaves `r` inset by one.
void Frame3D(TspPaintBuffer& b, RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  if (IsEmptyRECT(r)) return;
  b.Fill(RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
  b.Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
  b.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  b.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  InflateRect(&r, -1, -1);
}

bool PointInRectInclusive(const RECT& r, int x, int y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

int TextWidth(HDC dc, const std::string& text, const TspFontDesc& font) { return LineExtent(dc, text, font).cx; }

}  // namespace

void DrawBorderStyleFrame(TspPaintBuffer& b, const RECT& r, TspSkinBorderStyle style) {
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  RECT frame = r;
  switch (style) {
    case bvFrame: Frame3D(b, frame, shadow, shadow); break;
    case bvRaised: Frame3D(b, frame, light, shadow); break;
    case bvLowered: Frame3D(b, frame, shadow, light); break;
    case bvNone: break;
  }
}

void TspCaptionPictureControl::SetSpacing(int value) {
  FSpacing = value;
  Repaint();
}

void TspCaptionPictureControl::SetGlyph(const TspPicture& value) {
  FGlyph = value;
  Repaint();
}

void TspCaptionPictureControl::SetNumGlyphs(int value) {
  FNumGlyphs = std::max(1, std::min(2, value));
  Repaint();
}

void TspCaptionPictureControl::SetCaptionImageList(TCustomImageList* value) {
  FCaptionImageList.Set(value);
  Repaint();
}

void TspCaptionPictureControl::SetCaptionImageIndex(int value) {
  if (StoreIfChanged(FCaptionImageIndex, value)) Repaint();
}

bool TspCaptionPictureControl::ListImage() const {
  return FGlyph.Empty() && FCaptionImageList && FCaptionImageIndex >= 0 &&
         FCaptionImageIndex < FCaptionImageList->Count();
}

int TspCaptionPictureControl::ImageWidth() const { return ListImage() ? FCaptionImageList->Width() : GlyphWidth(); }

int TspCaptionPictureControl::ImageHeight() const {
  return ListImage() ? FCaptionImageList->Height() : FGlyph.Empty() ? 0 : FGlyph.Height;
}

void TspCaptionPictureControl::DrawCaptionImage(TspPaintBuffer& b, int x, int y, bool keyed) {
  if (ListImage()) {
    GdiFlush();
    TCanvas canvas;
    canvas.SetHandle(b.DC());
    FCaptionImageList->Draw(&canvas, x, y, FCaptionImageIndex, Enabled());
    canvas.SetHandle(nullptr);
    GdiFlush();
    return;
  }
  int gw = GlyphWidth();
  if (gw <= 0) return;
  int left = (!Enabled() && FNumGlyphs == 2 ? 1 : 0) * gw;
  uint32_t key = FGlyph.Pixel(left, FGlyph.Height - 1);
  DrawPicturePiece(b, FGlyph, RECT{left, 0, left + gw, FGlyph.Height}, x, y, keyed,
                   RGB((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF));
}

TspSkinPanel::TspSkinPanel(TComponent* owner) : Base(owner) {
  ControlStyle |= csAcceptsControls | csOpaque;
  FSkinDataName = "panel";
  SetBounds(0, 0, 150, 100);
}

void TspSkinPanel::SetRibbonStyle(bool value) {
  if (StoreIfChanged(FRibbonStyle, value)) Repaint();
}

void TspSkinPanel::SetTransparentMode(bool value) {
  if (!StoreIfChanged(FTransparentMode, value)) return;
  Repaint();
  CheckControlsBackground();
}

void TspSkinPanel::SetCheckedMode(bool value) {
  FCheckedMode = value;
  Repaint();
}

void TspSkinPanel::SetImagePosition(TspImagePosition value) {
  if (StoreIfChanged(FImagePosition, value)) Repaint();
}

void TspSkinPanel::SetDefaultAlignment(TAlignment value) {
  FDefaultAlignment = value;
  if (FIndex == -1 && FCaptionMode) Repaint();
}

void TspSkinPanel::SetRollUpMode(bool value) {
  FRollUpMode = value;
  if (FIndex == -1 && FCaptionMode) Repaint();
}

void TspSkinPanel::SetDefaultCaptionHeight(int value) {
  FDefaultCaptionHeight = value;
  if (FCaptionMode && (FIndex == -1 || !FUseSkinSize)) {
    Repaint();
    Realign();
  }
}

void TspSkinPanel::SetCaptionMode(bool value) {
  FCaptionMode = value;
  Repaint();
  Realign();
}

void TspSkinPanel::SetChecked(bool value) {
  FChecked = value;
  if (FCheckedMode) Repaint();
  if (AutoEnabledControls && FCheckedMode)
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(FChecked);
  // Fires on every assignment: callers rely on it to re-apply their state.
  if (OnChecked) OnChecked(this);
}

void TspSkinPanel::SetRollUpState(bool value) {
  if (FRollUpState == value) return;
  // Without the mode there is nothing to roll; the state stays expanded.
  if (!FRollUpMode) return;
  FRollUpState = value;
  if (value) {
    FSavedConstraints.Assign(Constraints());
    TSizeConstraints none(nullptr);
    Constraints()->Assign(&none);
    DoRollUp(true);
  } else {
    // The limits come back once the panel has its height again.
    DoRollUp(false);
    Constraints()->Assign(&FSavedConstraints);
  }
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

bool TspSkinPanel::CanAutoSize(int& width, int& height) {
  // Rolling must not be undone by the panel fitting its content.
  if (FRollUpMode && FInChangingRollUp && AutoSize()) return false;
  return Base::CanAutoSize(width, height);
}

void TspSkinPanel::DoRollUp(bool rollUp) {
  FInChangingRollUp = true;
  try {
    if (rollUp && FRealHeight == -1) {
      FRealHeight = Height();
      DisableAlign();
      FShownChildren.clear();
      for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (c->Visible()) FShownChildren.push_back(c);
      }
      for (TControl* c : FShownChildren) c->SetVisible(false);
      GetSkinData();
      int w = Width(), fullHeight = Height();
      if (FIndex != -1) CalcSkinSize(w, fullHeight);
      int h = FDefaultCaptionHeight + 1;
      if (FIndex != -1 && FUseSkinSize) h = Height() - (Geometry.NewClRect.bottom - Geometry.NewClRect.top);
      SetBounds(Left(), Top(), Width(), std::max(0, h));
    } else if (!rollUp && FRealHeight != -1) {
      SetBounds(Left(), Top(), Width(), FRealHeight);
      FRealHeight = -1;
      // Only the children hidden by the roll-up come back, and only while
      // they are still ours.
      for (TControl* c : FShownChildren)
        for (int i = 0; i < ControlCount(); ++i)
          if (Controls(i) == c) c->SetVisible(true);
      FShownChildren.clear();
      EnableAlign();
    }
  } catch (...) {
    FInChangingRollUp = false;
    throw;
  }
  FInChangingRollUp = false;
}

void TspSkinPanel::ChangeSkinData() {
  Base::ChangeSkinData();
  if (FRealHeight != -1) {
    // The rolled-up height follows the new skin.
    int real = FRealHeight;
    FRealHeight = -1;
    std::vector<TControl*> shown = FShownChildren;
    EnableAlign();
    DoRollUp(true);
    FShownChildren = shown;
    FRealHeight = real;
  } else {
    Realign();
  }
}

void TspSkinPanel::SetBounds(int left, int top, int width, int height) {
  Base::SetBounds(left, top, width, height);
  if (FIndex == -1) Repaint();
}

void TspSkinPanel::CheckParentBackground() {
  if (!FTransparentMode && !AlphaBlend()) return;
  Repaint();
  CheckControlsBackground();
}

void TspSkinPanel::WndProc(TMessage& m) {
  if (m.Msg == WM_MOVE) {
    Base::WndProc(m);
    if (FTransparentMode) {
      Repaint();
      CheckControlsBackground();
    }
    return;
  }
  if (m.Msg == CM_TEXTCHANGED) {
    Base::WndProc(m);
    if (FCaptionMode) Repaint();
    return;
  }
  Base::WndProc(m);
}

void TspSkinPanel::GetSkinClientRect(RECT& r) {
  r = RECT{0, 0, Width(), Height()};
  AdjustClientRect(r);
}

void TspSkinPanel::AdjustClientRect(RECT& r) {
  Base::AdjustClientRect(r);
  GetSkinData();
  if (FIndex == -1) {
    if (FBorderStyle != bvNone) InflateRect(&r, -1, -1);
    if (FCaptionMode) {
      if (FRibbonStyle)
        r.bottom -= FDefaultCaptionHeight;
      else
        r.top += FDefaultCaptionHeight;
    }
    return;
  }
  if (FTransparentMode) {
    r = RECT{2, 2, Width() - 2, Height() - 2};
    if (FCaptionMode) r.top = TextHeight(Caption(), CaptionFont());
    return;
  }
  RECT inherited = r;
  bool tiled = FBorderStyle == bvNone && !FCaptionMode && Geometry.ResizeMode == 1;
  if (FBGPictureIndex < 0 && !tiled) {
    int w = Width(), h = Height();
    CalcSkinSize(w, h);
    r = Geometry.NewClRect;
  }
  if (FCaptionMode && !FUseSkinSize) {
    if (FRibbonStyle)
      r.bottom = inherited.bottom - FDefaultCaptionHeight;
    else
      r.top = inherited.top + FDefaultCaptionHeight;
  }
}

void TspSkinPanel::GetSkinData() {
  Base::GetSkinData();
  FBGPictureIndex = -1;
  FPanelElement = false;
  if (FIndex == -1) return;
  auto* e = dynamic_cast<TspDataSkinPanelControl*>(Element());
  if (!e) return;
  FPanelElement = true;
  FCaptionRect = ToRECT(e->CaptionRect);
  FAlignment = e->Alignment;
  FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
  FBGPictureIndex = e->BGPictureIndex;
  FCheckImageRect = ToRECT(e->CheckImageRect);
  FUnCheckImageRect = ToRECT(e->UnCheckImageRect);
  FMarkFrameRect = ToRECT(e->MarkFrameRect);
  FFrameRect = ToRECT(e->FrameRect);
  FFrameTextRect = ToRECT(e->FrameTextRect);
  FFrameLeftOffset = e->FrameLeftOffset;
  FFrameRightOffset = e->FrameRightOffset;
}

void TspSkinPanel::Paint() {
  if (Width() <= 0 || Height() <= 0) return;
  GetSkinData();
  bool skin = FIndex != -1;
  const TspSkinGeometry& g = Geometry;
  if (skin && !FUseSkinSize && !FTransparentMode && FCaptionMode) {
    TspPaintBuffer b(Width(), Height());
    PaintCaptionBand(b);
    ComposeAndDraw(b);
    return;
  }
  if (skin && FTransparentMode) {
    TspPaintBuffer b(Width(), Height());
    if (FCaptionMode)
      PaintTransparentFrame(b);
    else
      PaintTransparentPlain(b);
    b.DrawTo(PaintDC(), 0, 0);
    return;
  }
  if (!skin || (!FForceBackground && g.StretchEffect)) {
    Base::Paint();
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  if (FBorderStyle == bvNone && g.ResizeMode == 1 && !FCaptionMode && FForceBackground && !AlphaBlend() &&
      Picture) {
    // The client piece alone covers the panel.
    TspPaintBuffer b(Width(), Height());
    RECT piece{g.SkinRect.left + g.ClRect.left, g.SkinRect.top + g.ClRect.top, g.SkinRect.left + g.ClRect.right,
               g.SkinRect.top + g.ClRect.bottom};
    PaintTiled(b, *Picture, piece, b.ClientRect());
    PaintPanelContent(b);
    b.DrawTo(PaintDC(), 0, 0);
    return;
  }
  const TspPicture* bg = SkinPicture(FBGPictureIndex);
  if (FBGPictureIndex == -1 || !bg) {
    Base::Paint();
    return;
  }
  // The background picture over the skin's frame.
  TspPaintBuffer b(Width(), Height());
  CreateSkinImage(b, Picture, g.SkinRect);
  PaintTiled(b, *bg, RECT{0, 0, bg->Width, bg->Height}, g.NewClRect);
  PaintPanelContent(b);
  ComposeAndDraw(b);
}

int TspSkinPanel::TextHeight(const std::string& text, const TspFontDesc& font) const {
  HDC dc = CreateCompatibleDC(nullptr);
  int h = LineExtent(dc, text, font).cy;
  DeleteDC(dc);
  return h;
}

TspFontDesc TspSkinPanel::CaptionFont() const {
  TspFontDesc f = UseSkinFont && FIndex != -1 ? FSkinFont : FDefaultFont;
  return f;
}

// Tiles, or by the stretch type stretches, a piece of a picture over the
// buffer; `fullTarget` takes a fully stretched piece.
void TspSkinPanel::PaintTiled(TspPaintBuffer& b, const TspPicture& picture, const RECT& piece,
                              const RECT& fullTarget) {
  int pw = piece.right - piece.left, ph = piece.bottom - piece.top;
  int w = Width(), h = Height();
  if (pw <= 0 || ph <= 0) {
    // A piece of no size would never cover the panel.
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    return;
  }
  TspImageSource src = ImageSourceOf(&picture);
  const TspSkinGeometry& g = Geometry;
  if (g.StretchEffect) {
    switch (g.StretchType) {
      case spstFull:
        ::DrawPiece(b, src, piece, fullTarget);
        return;
      case spstHorz:
        for (int i = 0; i <= w / pw; ++i) ::DrawPiece(b, src, piece, RECT{i * pw, 0, i * pw + pw, h});
        return;
      case spstVert:
        for (int j = 0; j <= h / ph; ++j) ::DrawPiece(b, src, piece, RECT{0, j * ph, w, j * ph + ph});
        return;
    }
  }
  for (int j = 0; j <= h / ph; ++j)
    for (int i = 0; i <= w / pw; ++i) ::DrawPiece(b, src, piece, RECT{i * pw, j * ph, i * pw + pw, j * ph + ph});
}

void TspSkinPanel::PaintCaptionBand(TspPaintBuffer& b) {
  std::string own = FSkinDataName;
  FSkinDataName = "panel";
  GetSkinData();
  if (FIndex == -1) {
    FSkinDataName = own;
    GetSkinData();
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  CreateSkinImage(b, Picture, Geometry.SkinRect);
  RECT cl = Geometry.NewClRect;
  FSkinDataName = own;
  GetSkinData();
  const TspSkinGeometry& g = Geometry;
  int bandHeight = FDefaultCaptionHeight - cl.top - 1;
  if (Picture && bandHeight > 0 && !IsEmptyRECT(FCaptionRect)) {
    RECT src = FCaptionRect;
    InflateRect(&src, -1, -1);
    OffsetRect(&src, g.SkinRect.left, g.SkinRect.top);
    ::DrawPiece(b, ImageSourceOf(Picture), src, RECT{cl.left, cl.top, cl.right, cl.top + bandHeight});
  }
  NewCaptionRect = RECT{cl.left, cl.top, cl.right, FDefaultCaptionHeight - 1};
  if (!Caption().empty()) DrawSkinCaption(b);
  PaintPanelContent(b);
}

void TspSkinPanel::PaintTransparentPlain(TspPaintBuffer& b) {
  PaintParentBackground(b);
  if (FBorderStyle != bvNone) b.Frame(b.ClientRect(), SkinColorValue(FSD->SkinColors.cBtnShadow));
  PaintPanelContent(b);
}

void TspSkinPanel::PaintTransparentFrame(TspPaintBuffer& b) {
  PaintParentBackground(b);
  COLORREF pen = SkinColorValue(FSD->SkinColors.cBtnShadow);
  TspFontDesc font = CaptionFont();
  const std::string& text = Caption();
  int th = TextHeight(text, font), w = Width(), h = Height();
  NewCaptionRect = RECT{5, 0, w, th + 5};
  int y = (th + 5) / 2, x = 5;
  if (FCheckedMode) {
    const RECT& piece = FChecked ? FCheckImageRect : FUnCheckImageRect;
    int cw = FCheckImageRect.right - FCheckImageRect.left, ch = FCheckImageRect.bottom - FCheckImageRect.top;
    DrawPiece(b, piece, 5, (th + 5) / 2 - ch / 2, true);
    x = cw + 10;
  }
  if (ImageWidth() > 0) {
    DrawCaptionImage(b, x, (th + 5) / 2 - ImageHeight() / 2, true);
    x += ImageWidth() + 2;
  }
  int i = FSD->GetControlIndex("stdlabel");
  auto* label = i >= 0 && i < static_cast<int>(FSD->CtrlList.size())
                    ? dynamic_cast<TspDataSkinStdLabelControl*>(FSD->CtrlList[i].get())
                    : nullptr;
  font.Color = label ? static_cast<COLORREF>(label->FontColor) & 0xFFFFFF : SkinColorValue(FSD->SkinColors.cBtnText);
  RECT t{x, 0, w, th + 5};
  b.Text(text, t, font, font.Color, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  int tw = 0;
  if (!text.empty()) {
    HFONT f = font.Create();
    HGDIOBJ old = SelectObject(b.DC(), f);
    std::u16string u = UTF8ToUTF16(text);
    RECT m{0, 0, 0, 0};
    DrawTextW(b.DC(), reinterpret_cast<LPCWSTR>(u.c_str()), static_cast<int>(u.size()), &m,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(b.DC(), old);
    DeleteObject(f);
    tw = m.right;
  }
  int lineStart = x + tw + 3;
  if (FRollUpMode) {
    DrawArrowGlyph(b.DC(), RECT{x + tw + 3, 0, x + tw + 10, th + 5}, FRollUpState ? adDown : adUp, font.Color);
    lineStart = x + tw + 12;
  }
  b.Fill(RECT{lineStart, y, w, y + 1}, pen);
  b.Fill(RECT{0, y, 5, y + 1}, pen);
  b.Fill(RECT{w - 1, y, w, h}, pen);
  b.Fill(RECT{0, h - 1, w, h}, pen);
  b.Fill(RECT{0, y, 1, h}, pen);
  PaintPanelContent(b);
}

void TspSkinPanel::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
           face = GetSysColor(COLOR_BTNFACE);
  int w = Width(), h = Height();
  DrawBorderStyleFrame(b, RECT{0, 0, w, h}, FBorderStyle);
  if (!FCaptionMode) {
    PaintPanelContent(b);
    return;
  }
  int ch = FDefaultCaptionHeight;
  RECT c;
  if (FBorderStyle != bvFrame) {
    c = FRibbonStyle ? RECT{1, h - ch - 1, w - 1, h - 1} : RECT{1, 1, w - 1, ch};
    Frame3D(b, c, shadow, light);
    Frame3D(b, c, light, shadow);
  } else {
    c = FRibbonStyle ? RECT{0, h - ch, w, h} : RECT{0, 0, w, ch};
    Frame3D(b, c, shadow, shadow);
    Frame3D(b, c, light, face);
  }
  if (FCheckedMode) c.left += 20;
  if (FRollUpMode) c.right -= 10;
  const std::string& text = Caption();
  int contentWidth = TextWidth(b.DC(), text, FDefaultFont);
  if (!FGlyph.Empty()) contentWidth += GlyphWidth() + FSpacing;
  int textX = c.left + 2;
  if (FDefaultAlignment == taRightJustify)
    textX = c.right - contentWidth;
  else if (FDefaultAlignment == taCenter)
    textX = c.left + 2 + (c.right - c.left) / 2 - contentWidth / 2;
  if (FCheckedMode) {
    int top = c.top + (c.bottom - c.top) / 2 - 7;
    RECT k{5, top, 19, top + 14};
    b.Frame(k, shadow);
    if (FChecked) {
      // The check mark: three strokes, each one pixel above the last.
      HDC dc = b.DC();
      HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
      HGDIOBJ old = SelectObject(dc, pen);
      int x = k.left + 4, y = k.top + 3;
      for (int i = 0; i <= 2; ++i) {
        MoveToEx(dc, x, y + 5 - i, nullptr);
        LineTo(dc, x + 2, y + 7 - i);
        LineTo(dc, x + 7, y + 2 - i);
      }
      SelectObject(dc, old);
      DeleteObject(pen);
    }
  }
  if (ImageWidth() > 0) {
    DrawCaptionImage(b, textX, c.top + (c.bottom - c.top) / 2 - ImageHeight() / 2, true);
    textX += ImageWidth() + FSpacing;
  }
  b.Text(text, RECT{textX, c.top, c.right, c.bottom}, FDefaultFont, FDefaultFont.Color,
         DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (FRollUpMode)
    DrawArrowGlyph(b.DC(), RECT{c.right, c.top, c.right + 10, c.bottom}, FRollUpState ? adDown : adUp,
                   GetSysColor(COLOR_BTNTEXT));
  PaintPanelContent(b);
}

void TspSkinPanel::DrawPiece(TspPaintBuffer& b, const RECT& src, int x, int y, bool transparent) {
  if (IsEmptyRECT(src) || !Picture) return;
  if (!transparent) {
    ::DrawPiece(b, ImageSourceOf(Picture), src, RECT{x, y, x + src.right - src.left, y + src.bottom - src.top});
    return;
  }
  // The colour of the piece's bottom-left pixel is left out.
  const TspPicture& p = *Picture;
  auto at = [&](int px, int py) -> uint32_t {
    if (px < 0 || py < 0 || px >= p.Width || py >= p.Height) return 0xFFFFFFFFu;
    return p.Pixels[size_t(py) * p.Width + px] & 0xFFFFFF;
  };
  uint32_t key = at(src.left, src.bottom - 1);
  GdiFlush();
  uint32_t* bits = b.Bits();
  for (int sy = src.top; sy < src.bottom; ++sy)
    for (int sx = src.left; sx < src.right; ++sx) {
      uint32_t v = at(sx, sy);
      int dx = x + sx - src.left, dy = y + sy - src.top;
      if (v == 0xFFFFFFFFu || v == key || dx < 0 || dy < 0 || dx >= b.Width() || dy >= b.Height()) continue;
      bits[size_t(dy) * b.Width() + dx] = v;
    }
}

void TspSkinPanel::PaintSkinImage(TspPaintBuffer& b) {
  int w = Width(), h = Height();
  const TspSkinGeometry& g = Geometry;
  RECT cl{g.SkinRect.left + g.ClRect.left, g.SkinRect.top + g.ClRect.top, g.SkinRect.left + g.ClRect.right,
          g.SkinRect.top + g.ClRect.bottom};
  int cw = cl.right - cl.left, chh = cl.bottom - cl.top;
  if (FBorderStyle == bvNone && g.ResizeMode == 1 && !FCaptionMode && !g.StretchEffect) {
    // A zero-sized piece would never cover the panel: fall back to a plain fill.
    if (!Picture || cw <= 0 || chh <= 0) {
      b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    } else {
      for (int y = 0; y < h; y += chh)
        for (int x = 0; x < w; x += cw) DrawPiece(b, cl, x, y);
    }
    PaintPanelContent(b);
    return;
  }
  Base::PaintSkinImage(b);
  if (FUseSkinSize)
    NewCaptionRect = g.ResizeMode < 1 ? FCaptionRect : g.CalcResizedRect(FCaptionRect, w, h);
  if (!Caption().empty() && !IsEmptyRECT(FCaptionRect)) DrawSkinCaption(b);
  PaintPanelContent(b);
}

void TspSkinPanel::DrawSkinCaption(TspPaintBuffer& b) {
  RECT r = NewCaptionRect;
  if (FRollUpMode) r.right -= 12;
  if (FCheckedMode) {
    const RECT& piece = FChecked ? FCheckImageRect : FUnCheckImageRect;
    int cw = FCheckImageRect.right - FCheckImageRect.left, ch = FCheckImageRect.bottom - FCheckImageRect.top;
    DrawPiece(b, piece, r.left, r.top + (r.bottom - r.top) / 2 - ch / 2, true);
    r.left += cw + 2;
  }
  TspFontDesc font = UseSkinFont ? FSkinFont : FDefaultFont;
  font.Color = FSkinFont.Color;
  const std::string& text = Caption();
  int textWidth = TextWidth(b.DC(), text, font);
  int gw = ImageWidth();
  // As in the default look, only a glyph counts in the content's width.
  int contentWidth = textWidth + (GlyphWidth() > 0 ? GlyphWidth() + FSpacing : 0);
  int textX = r.left;
  if (FAlignment == taRightJustify)
    textX = r.right - contentWidth;
  else if (FAlignment == taCenter)
    textX = r.left + (r.right - r.left) / 2 - contentWidth / 2;
  int imageX = textX, imageY = r.top + (r.bottom - r.top) / 2 - ImageHeight() / 2;
  if (gw > 0) {
    if (FImagePosition == spipDefault) {
      imageX = textX;
      textX += gw + FSpacing;
    } else {
      // Pinned to the left; the text keeps its alignment but never runs
      // into the image.
      imageX = r.left + 2;
      textX = imageX + gw + FSpacing;
      if (FAlignment == taRightJustify)
        textX = r.right - textWidth;
      else if (FAlignment == taCenter)
        textX = r.left + (r.right - r.left) / 2 - textWidth / 2;
      textX = std::max(textX, imageX + gw + FSpacing);
    }
  }
  if (FRollUpMode) {
    RECT a{r.right, r.top, r.right + 10, r.bottom};
    if (!IsEmptyRECT(FMarkFrameRect)) DrawPiece(b, FMarkFrameRect, a.left, a.top);
    DrawArrowGlyph(b.DC(), a, FRollUpState ? adDown : adUp, font.Color);
  }
  if (!IsEmptyRECT(FFrameRect) && Picture) {
    // A frame strip around the text, as long as the text needs.
    int extra = (FFrameRect.right - FFrameRect.left) - (FFrameTextRect.right - FFrameTextRect.left);
    int stripX;
    if (FAlignment == taLeftJustify) {
      stripX = textX;
      textX += FFrameTextRect.left;
    } else if (FAlignment == taRightJustify) {
      stripX = textX - extra;
      textX = stripX + FFrameTextRect.left;
      imageX -= extra;
    } else {
      stripX = textX - FFrameTextRect.left - 2;
      imageX -= FFrameTextRect.left;
      textX -= 2;
    }
    int sw = extra + textWidth, sh = FFrameRect.bottom - FFrameRect.top;
    if (sw > 0 && sh > 0) {
      TspPaintBuffer strip(sw, sh);
      DrawHorzThreePart(strip, ImageSourceOf(Picture), FFrameRect, FFrameLeftOffset, FFrameRightOffset, false);
      strip.DrawTo(b.DC(), stripX, FCaptionRect.top);
    }
  }
  b.Text(text, RECT{textX, r.top, r.right, r.bottom}, font, font.Color, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (gw > 0) DrawCaptionImage(b, imageX, imageY, true);
}

void TspSkinPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && (FRollUpMode || FCheckedMode) && FCaptionMode) {
    RECT hit = FIndex != -1 ? NewCaptionRect : RECT{1, 1, Width() - 1, FDefaultCaptionHeight};
    if (PointInRectInclusive(hit, x, y)) {
      if (FCheckedMode) SetChecked(!FChecked);
      if (FRollUpMode) SetRollUpState(!FRollUpState);
    }
  }
  Base::MouseUp(button, shift, x, y);
}
