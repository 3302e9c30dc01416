#include "skin/controls/SkinPanel.h"

#include <algorithm>

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

int TextWidth(HDC dc, const std::string& text, const TspFontDesc& font) {
  if (text.empty()) return 0;
  HFONT f = font.Create();
  HGDIOBJ old = SelectObject(dc, f);
  std::u16string w = UTF8ToUTF16(text);
  SIZE s{};
  GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &s);
  SelectObject(dc, old);
  DeleteObject(f);
  return s.cx;
}

}  // namespace

TspSkinPanel::TspSkinPanel(TComponent* owner) : Base(owner) {
  ControlStyle |= csAcceptsControls | csOpaque;
  FSkinDataName = "panel";
  SetBounds(0, 0, 150, 100);
}

void TspSkinPanel::SetRibbonStyle(bool value) {
  if (FRibbonStyle == value) return;
  FRibbonStyle = value;
  Repaint();
}

void TspSkinPanel::SetCheckedMode(bool value) {
  FCheckedMode = value;
  Repaint();
}

void TspSkinPanel::SetSpacing(int value) {
  FSpacing = value;
  Repaint();
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

void TspSkinPanel::SetBorderStyle(TspSkinBorderStyle value) {
  FBorderStyle = value;
  if (FIndex == -1) {
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
  DoRollUp(value);
  if (OnChangeRollUpState) OnChangeRollUpState(this);
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

void TspSkinPanel::WndProc(TMessage& m) {
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
}

void TspSkinPanel::Paint() {
  if (Width() <= 0 || Height() <= 0) return;
  Base::Paint();
}

void TspSkinPanel::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
           face = GetSysColor(COLOR_BTNFACE);
  int w = Width(), h = Height();
  RECT r{0, 0, w, h};
  switch (FBorderStyle) {
    case bvFrame: Frame3D(b, r, shadow, shadow); break;
    case bvRaised: Frame3D(b, r, light, shadow); break;
    case bvLowered: Frame3D(b, r, shadow, light); break;
    case bvNone: break;
  }
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
      RECT m{k.left + 3, k.top + 3, k.right - 3, k.bottom - 3};
      b.Fill(m, GetSysColor(COLOR_BTNTEXT));
    }
  }
  b.Text(text, RECT{textX, c.top, c.right, c.bottom}, FDefaultFont, FDefaultFont.Color,
         DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (FRollUpMode)
    DrawArrowGlyph(b.DC(), RECT{c.right, c.top, c.right + 10, c.bottom}, FRollUpState ? adDown : adUp,
                   GetSysColor(COLOR_BTNTEXT));
  PaintPanelContent(b);
}

void TspSkinPanel::DrawPiece(TspPaintBuffer& b, const RECT& src, int x, int y) {
  if (IsEmptyRECT(src) || !Picture) return;
  ::DrawPiece(b, Source(Picture), src, RECT{x, y, x + src.right - src.left, y + src.bottom - src.top});
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
    DrawPiece(b, piece, r.left, r.top + (r.bottom - r.top) / 2 - ch / 2);
    r.left += cw + 2;
  }
  TspFontDesc font = UseSkinFont ? FSkinFont : FDefaultFont;
  font.Color = FSkinFont.Color;
  const std::string& text = Caption();
  int contentWidth = TextWidth(b.DC(), text, font);
  int textX = r.left;
  if (FAlignment == taRightJustify)
    textX = r.right - contentWidth;
  else if (FAlignment == taCenter)
    textX = r.left + (r.right - r.left) / 2 - contentWidth / 2;
  if (FRollUpMode) {
    RECT a{r.right, r.top, r.right + 10, r.bottom};
    if (!IsEmptyRECT(FMarkFrameRect)) DrawPiece(b, FMarkFrameRect, a.left, a.top);
    DrawArrowGlyph(b.DC(), a, FRollUpState ? adDown : adUp, font.Color);
  }
  b.Text(text, RECT{textX, r.top, r.right, r.bottom}, font, font.Color, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
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
