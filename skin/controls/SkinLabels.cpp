#include "skin/controls/SkinLabels.h"

#include "skin/data/SPUtils.h"

#include <shellapi.h>

#include "framework/WideText.h"
#include "skin/controls/SkinControlKit.h"
#include "skin/controls/SkinInputRules.h"

void TspSkinFontLabel::SetSkinData(TspSkinData* value) {
  FSD.Set(value);
  if (FSD) ChangeSkinData();
}

void TspSkinFontLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FSD) FIndex = -1;
}

void TspSkinFontLabel::GetSkinData() {
  FIndex = FSD.ControlIndex(SkinDataName);
  TspDataSkinControl* element = FSD.Element(FIndex);
  if (!element) {
    FIndex = -1;
    return;
  }
  if (auto* e = dynamic_cast<TspDataSkinStdLabelControl*>(element)) {
    FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
    FActiveFontColor = static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF;
  }
}

void TspSkinFontLabel::ChangeSkinData() {
  GetSkinData();
  Repaint();
}

TspSkinStdLabel::TspSkinStdLabel(TComponent* owner) : TspSkinFontLabel(owner) {
  ControlStyle &= ~csOpaque;
  TGraphicControl::SetBounds(0, 0, 65, 17);
}

void TspSkinStdLabel::ChangeSkinData() {
  GetSkinData();
  if (FAutoSize) AdjustBounds();
  Repaint();
}

void TspSkinStdLabel::SetEllipsType(TspEllipsType value) {
  if (StoreIfChanged(FEllipsType, value)) Invalidate();
}

void TspSkinStdLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  if (value) AdjustBounds();
}

TspFontDesc TspSkinStdLabel::TextFont() const {
  if (FIndex == -1) return UseSkinFont ? DefaultFont : Font;
  TspFontDesc f = UseSkinFont ? FSkinFont : Font;
  f.Color = UseSkinColor ? FSkinFont.Color : Font.Color;
  return f;
}

UINT TspSkinStdLabel::ExtraFormat() const {
  switch (FEllipsType) {
    case spetEndEllips: return DT_END_ELLIPSIS;
    case spetPathEllips: return DT_PATH_ELLIPSIS;
    default: return 0;
  }
}

COLORREF TspSkinStdLabel::DisabledColor(bool light) const {
  if (FIndex != -1) return SkinColorValue(light ? FSD->SkinColors.cBtnHighLight : FSD->SkinColors.cBtnShadow);
  return GetSysColor(light ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
}

void TspSkinStdLabel::DoDrawText(HDC dc, RECT& r, UINT flags) {
  GetSkinData();
  std::string text = Caption();
  // An empty label still measures a line high.
  if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar && text == "&"))) text += " ";
  flags |= ExtraFormat();
  if (!ShowAccelChar) flags |= DT_NOPREFIX;
  TspFontDesc font = TextFont();
  HFONT f = font.Create();
  HGDIOBJ old = SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  std::u16string w = UTF8ToUTF16(text);
  auto draw = [&](RECT rr, COLORREF c) {
    SetTextColor(dc, c);
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &rr, flags);
    return rr;
  };
  if (flags & DT_CALCRECT) {
    r = draw(r, font.Color);
  } else if (Enabled()) {
    draw(r, font.Color);
  } else {
    RECT moved = r;
    OffsetRect(&moved, 1, 1);
    draw(moved, DisabledColor(true));
    draw(r, DisabledColor(false));
  }
  SelectObject(dc, old);
  DeleteObject(f);
}

void TspSkinStdLabel::AdjustBounds() {
  HDC dc = CreateCompatibleDC(nullptr);
  RECT r{0, 0, WordWrap ? Width() : 0, 0};
  DoDrawText(dc, r, DT_CALCRECT | (WordWrap ? DT_WORDBREAK : 0));
  DeleteDC(dc);
  int x = Left();
  if (Alignment == taRightJustify) x += Width() - r.right;
  SetBounds(x, Top(), r.right, r.bottom);
}

void TspSkinStdLabel::WndProc(TMessage& m) {
  TGraphicControl::WndProc(m);
  if (m.Msg == CM_TEXTCHANGED) {
    if (FAutoSize) AdjustBounds();
    Invalidate();
  }
}

void TspSkinStdLabel::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  RECT r{0, 0, Width(), Height()};
  // Without word wrap the text still breaks where it holds a line break.
  UINT flags = WordWrap ? DT_WORDBREAK : 0;
  if (Alignment == taRightJustify)
    flags |= DT_RIGHT;
  else if (Alignment == taCenter)
    flags |= DT_CENTER;
  DoDrawText(dc, r, flags);
}

TspSkinLinkLabel::TspSkinLinkLabel(TComponent* owner) : TspSkinStdLabel(owner) {
  DefaultFont.Underline = true;
  Font = DefaultFont;
  SetCursor(crHandPoint);
}

void TspSkinLinkLabel::SetUseUnderLine(bool value) {
  if (StoreIfChanged(FUseUnderLine, value)) Repaint();
}

TspFontDesc TspSkinLinkLabel::TextFont() const {
  TspFontDesc f;
  if (FIndex == -1) {
    f = UseSkinFont ? DefaultFont : Font;
    if (FMouseIn) f.Color = DefaultActiveFontColor;
  } else {
    f = UseSkinFont ? FSkinFont : Font;
    f.Color = FMouseIn && !GlowEffect ? FActiveFontColor : FSkinFont.Color;
  }
  f.Underline = FUseUnderLine;
  return f;
}

void TspSkinLinkLabel::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  GetSkinData();
  RECT r{0, 0, Width(), Height()};
  if (GlowEffect) OffsetRect(&r, 0, GlowSize);
  // Without word wrap the text still breaks where it holds a line break.
  UINT flags = WordWrap ? DT_WORDBREAK : 0;
  if (Alignment == taRightJustify)
    flags |= DT_RIGHT;
  else if (Alignment == taCenter)
    flags |= DT_CENTER;
  if (GlowEffect && FMouseIn && Enabled()) {
    // A blurred halo in the active colour under the text.
    COLORREF glow = FIndex == -1 ? DefaultActiveFontColor : FActiveFontColor;
    TCanvas canvas;
    canvas.SetHandle(dc);
    TextFont().AssignTo(canvas.Font());
    DrawThickGlowText(&canvas, Rect(r.left, r.top, r.right, r.bottom), Caption(),
                      flags | (ShowAccelChar ? 0 : DT_NOPREFIX), 0, static_cast<TColor>(glow), GlowSize);
    canvas.SetHandle(nullptr);
    return;
  }
  DoDrawText(dc, r, flags);
}

void TspSkinLinkLabel::WndProc(TMessage& m) {
  TspSkinStdLabel::WndProc(m);
  if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) {
    FMouseIn = m.Msg == CM_MOUSEENTER;
    Repaint();
  }
}

void TspSkinLinkLabel::Click() {
  TspSkinStdLabel::Click();
  if (!URL.empty()) {
    std::u16string u = UTF8ToUTF16(URL);
    ShellExecuteW(nullptr, W(u"open"), W(u), nullptr, nullptr, SW_SHOWNORMAL);
  }
}

// ---------------------------------------------------------------------------

namespace {

int TextExtent(HDC dc, const std::string& text, const TspFontDesc& font, int* height = nullptr) {
  SIZE s = LineExtent(dc, text, font);
  if (height) *height = s.cy;
  return s.cx;
}

void TextAt(HDC dc, const std::string& text, int x, int y, const TspFontDesc& font, COLORREF color,
            const RECT* clip = nullptr) {
  if (text.empty()) return;
  HFONT f = font.Create();
  HGDIOBJ old = SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  std::u16string w = UTF8ToUTF16(text);
  ExtTextOutW(dc, x, y, clip ? ETO_CLIPPED : 0, clip, reinterpret_cast<LPCWSTR>(w.c_str()),
              static_cast<UINT>(w.size()), nullptr);
  SelectObject(dc, old);
  DeleteObject(f);
}

}  // namespace

TspSkinButtonLabel::TspSkinButtonLabel(TComponent* owner) : TspSkinFontLabel(owner) {
  ControlStyle &= ~csOpaque;
  ControlStyle |= csSetCaption;
  TGraphicControl::SetBounds(0, 0, 100, 50);
}

void TspSkinButtonLabel::SetDoubleBuffered(bool value) {
  FDoubleBuffered = value;
  if (value)
    ControlStyle |= csOpaque;
  else
    ControlStyle &= ~csOpaque;
}

void TspSkinButtonLabel::SetGlyph(TBitmap* value) {
  FGlyph.Assign(value);
  Repaint();
}

void TspSkinButtonLabel::SetImageList(TCustomImageList* value) {
  if (!FImageList.Set(value)) return;
  Repaint();
}

void TspSkinButtonLabel::SetImageIndex(int value) {
  if (StoreIfChanged(FImageIndex, value)) Repaint();
}

int TspSkinButtonLabel::ShownImageIndex() const {
  if (!FImageList) return -1;
  auto valid = [&](int i) { return i >= 0 && i < FImageList->Count(); };
  if (FMouseIn && valid(ActiveImageIndex)) return ActiveImageIndex;
  return valid(FImageIndex) ? FImageIndex : -1;
}

void TspSkinButtonLabel::SetNumGlyphs(int value) {
  FNumGlyphs = std::max(1, std::min(4, value));
  Repaint();
}

void TspSkinButtonLabel::SetMargin(int value) {
  if (value == FMargin || value < -1) return;
  FMargin = value;
  Repaint();
}

void TspSkinButtonLabel::SetLayout(TspButtonLayout value) {
  if (StoreIfChanged(FLayout, value)) Repaint();
}

int TspSkinButtonLabel::GlyphFrame() const {
  if (FDown && FMouseIn && FNumGlyphs > 2) return 3;
  if (FMouseIn && FNumGlyphs > 3) return 4;
  if (Enabled() || FNumGlyphs < 2) return 1;
  return 2;
}

void TspSkinButtonLabel::WndProc(TMessage& m) {
  TGraphicControl::WndProc(m);
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      Repaint();
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (Enabled()) {
        FMouseIn = m.Msg == CM_MOUSEENTER;
        Repaint();
      }
      break;
    default:
      break;
  }
}

void TspSkinButtonLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FDown = true;
  if (!WebStyle) Repaint();
  TGraphicControl::MouseDown(button, shift, x, y);
}

void TspSkinButtonLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FDown = false;
  if (!WebStyle) Repaint();
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TspSkinButtonLabel::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (FDown) FollowPressedPointer(this, FMouseIn, x, y);
}

void TspSkinButtonLabel::Paint() {
  HDC dc = PaintDC();
  if (!dc || Width() <= 0 || Height() <= 0) return;
  GetSkinData();
  if (!FDoubleBuffered) {
    PaintInto(dc);
    return;
  }
  TspPaintBuffer b(Width(), Height());
  if (Parent())
    Parent()->PaintBackground(b.DC(), this);
  else
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  PaintInto(b.DC());
  b.DrawTo(dc, 0, 0);
}

void TspSkinButtonLabel::PaintInto(HDC dc) {
  TspFontDesc font;
  COLORREF glow;
  if (FIndex == -1) {
    font = DefaultFont;
    if (FMouseIn) font.Color = DefaultActiveFontColor;
    if (!Enabled()) font.Color = RGB(128, 128, 128);
    glow = CustomGlowColor;
  } else {
    font = UseSkinFont ? FSkinFont : DefaultFont;
    font.Color = FMouseIn && !GlowEffect ? FActiveFontColor : FSkinFont.Color;
    if (!Enabled()) {
      font.Color = SkinColorValue(FSD->SkinColors.cBtnShadow);
    }
    glow = UseCustomGlowColor ? CustomGlowColor : FActiveFontColor;
  }
  if (WebStyle) font.Underline = FMouseIn;
  TCanvas canvas;
  canvas.SetHandle(dc);
  font.AssignTo(canvas.Font());
  const TRect r = Rect(0, 0, Width(), Height());
  const bool glowing = GlowEffect && FMouseIn && Enabled();
  const TColor glowColor = static_cast<TColor>(glow);
  const int image = ShownImageIndex();
  if (image >= 0) {
    if (glowing)
      DrawImageListGlyphAndGlowText(&canvas, r, FMargin, Spacing, FLayout, Caption(), image, FImageList, false,
                                    Enabled(), false, clNone, glowColor, GlowSize);
    else
      DrawImageListGlyphAndText(&canvas, r, FMargin, Spacing, FLayout, Caption(), image, FImageList, false,
                                Enabled(), false, clNone);
  } else if (glowing) {
    DrawStripGlyphAndGlowText(&canvas, r, FMargin, Spacing, FLayout, Caption(), &FGlyph, FNumGlyphs, GlyphFrame(),
                              false, false, clNone, glowColor, GlowSize);
  } else {
    DrawStripGlyphAndText(&canvas, r, FMargin, Spacing, FLayout, Caption(), &FGlyph, FNumGlyphs, GlyphFrame(), false,
                          false, clNone);
  }
  canvas.SetHandle(nullptr);
}

// ---------------------------------------------------------------------------

TspSkinLabel::TspSkinLabel(TComponent* owner) : Base(owner) {
  FSkinDataName = "label";
  SetBounds(0, 0, 75, 21);
}

void TspSkinLabel::SetShadowEffect(bool value) {
  if (StoreIfChanged(FShadowEffect, value)) Repaint();
}

void TspSkinLabel::SetReflectionEffect(bool value) {
  if (StoreIfChanged(FReflectionEffect, value)) Repaint();
}

void TspSkinLabel::SetEllipsType(TspEllipsType2 value) {
  if (StoreIfChanged(FEllipsType, value)) Invalidate();
}

void TspSkinLabel::SetAlignment(TAlignment value) {
  if (StoreIfChanged(FAlignment, value)) Repaint();
}

void TspSkinLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  if (value) AdjustWidth();
}

void TspSkinLabel::GetSkinData() {
  Base::GetSkinData();
  FLabelElement = false;
  if (FIndex == -1) return;
  // A fixed-size element leaves no room to grow.
  if (Geometry.ResizeMode == 0) FAutoSize = false;
  if (auto* e = dynamic_cast<TspDataSkinLabelControl*>(Element())) {
    FLabelElement = true;
    FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
  }
}

TspFontDesc TspSkinLabel::TextFont() const {
  TspFontDesc f;
  if (FIndex != -1 && UseSkinFont) {
    f = FSkinFont;
  } else {
    f = FDefaultFont;
    if (FIndex != -1) f.Color = FSkinFont.Color;
  }
  if (!UseSkinFontColor) f.Color = FDefaultFont.Color;
  return f;
}

int TspSkinLabel::CalcTextWidthDelta() {
  GetSkinData();
  HDC dc = CreateCompatibleDC(nullptr);
  int tw = TextExtent(dc, Caption(), FIndex == -1 ? FDefaultFont : TextFont());
  DeleteDC(dc);
  if (FIndex == -1) return tw - (Width() - 4);
  if (Geometry.ResizeMode == 0) return 0;
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  return tw - (Geometry.NewClRect.right - Geometry.NewClRect.left);
}

void TspSkinLabel::AdjustWidth() {
  if (Align() == alTop || Align() == alBottom || Align() == alClient) return;
  int d = CalcTextWidthDelta();
  if (d != 0) SetBounds(Left(), Top(), Width() + d, Height());
}

void TspSkinLabel::CalcSkinSize(int& width, int& height) {
  if (UseSkinSize || Geometry.ResizeMode == 1 || FIndex == -1) {
    Base::CalcSkinSize(width, height);
  } else {
    // Only the width follows the request.
    TspSkinGeometry& g = Geometry;
    int dx = width - g.SkinWidth();
    g.NewLTPoint = g.LTPt;
    g.NewLBPoint = g.LBPt;
    g.NewRBPoint = g.RBPt;
    g.NewRTPoint = POINT{g.RTPt.x + dx, g.RTPt.y};
    g.NewClRect = g.ClRect;
    g.NewClRect.right += dx;
  }
}

void TspSkinLabel::UpdateSkinRegion() {
  if (UseSkinSize) Base::UpdateSkinRegion();
}

void TspSkinLabel::DrawLabelText(TspPaintBuffer& b, RECT r) {
  TspFontDesc font = TextFont();
  std::string text = Caption();
  HDC dc = b.DC();
  int th = 0;
  int tw = TextExtent(dc, text, font, &th);
  if (FEllipsType == spetEllips && tw > r.right - r.left) {
    // Characters leave the end until the text and "..." fit.
    while (!text.empty()) {
      text.pop_back();
      while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
      if (TextExtent(dc, text + "...", font) <= r.right - r.left) break;
    }
    text += "...";
    tw = TextExtent(dc, text, font, &th);
  }
  int y = r.top + (r.bottom - r.top) / 2 - th / 2;
  if (font.Height % 2 != 0) --y;
  int x = r.left;
  if (FAlignment == taRightJustify)
    x = r.right - tw;
  else if (FAlignment == taCenter)
    x = r.left + (r.right - r.left) / 2 - tw / 2;
  if (!FShadowEffect && !FReflectionEffect) {
    TextAt(dc, text, x, y, font, font.Color, &r);
    return;
  }
  TCanvas canvas;
  canvas.SetHandle(dc);
  font.AssignTo(canvas.Font());
  const UINT align = FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT;
  const TRect line = Rect(r.left, y, r.right, r.bottom);
  if (FShadowEffect) {
    COLORREF shadow = ShadowColor;
    if (FIndex != -1 && UseSkinFontColor) {
      COLORREF face = SkinColorValue(FSD->SkinColors.cBtnFace);
      shadow = RGB(GetRValue(face) - GetRValue(face) * 70 / 100, GetGValue(face) - GetGValue(face) * 70 / 100,
                   GetBValue(face) - GetBValue(face) * 70 / 100);
    }
    DrawGlowText(&canvas, line, text, align, ShadowOffset, static_cast<TColor>(shadow), ShadowSize);
  } else {
    DrawReflectedText(&canvas, line, text, align, ReflectionOffset, static_cast<TColor>(font.Color));
  }
  canvas.SetHandle(nullptr);
}

void TspSkinLabel::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  DrawBorderStyleFrame(b, b.ClientRect(), FBorderStyle);
  DrawLabelText(b, RECT{3, 3, Width() - 3, Height() - 3});
}

void TspSkinLabel::PaintSkinImage(TspPaintBuffer& b) {
  if (!Picture) {
    PaintDefaultImage(b);
    return;
  }
  const TspSkinGeometry& g = Geometry;
  if (UseSkinSize || g.ResizeMode == 1) {
    Base::PaintSkinImage(b);
    DrawLabelText(b, g.NewClRect);
    return;
  }
  // The element stretched over the label, its client margins kept.
  int dx = Width() - g.SkinWidth(), dy = Height() - g.SkinHeight();
  const RECT& cl = g.ClRect;
  TspNinePartSpec n = NinePartGrown(g.SkinRect, POINT{cl.left, cl.top}, POINT{cl.right, cl.top},
                                    POINT{cl.left, cl.bottom}, POINT{cl.right, cl.bottom}, cl, dx, dy, true);
  n.LeftStretch = n.TopStretch = n.RightStretch = n.BottomStretch = true;
  DrawNinePart(b, ImageSourceOf(Picture), n);
  RECT t = g.NewClRect;
  t.bottom += Height() - g.SkinHeight();
  DrawLabelText(b, t);
}

void TspSkinLabel::WndProc(TMessage& m) {
  Base::WndProc(m);
  if (m.Msg == CM_TEXTCHANGED) {
    if (FAutoSize) AdjustWidth();
    Repaint();
  }
}
