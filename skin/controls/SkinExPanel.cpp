#include "skin/controls/SkinExPanel.h"

#include <windowsx.h>

#include "skin/controls/SkinPanel.h"

namespace {

bool InRectInclusive(const RECT& r, int x, int y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}
bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
int RW(const RECT& r) { return r.right - r.left; }
int RH(const RECT& r) { return r.bottom - r.top; }

// The cross of a close button, centred in `r`.
void DrawCloseGlyphCentered(HDC dc, const RECT& r, COLORREF c) {
  int x = (r.left + r.right) / 2 - 5, y = (r.top + r.bottom) / 2 - 5;
  DrawSolidLine(dc, x + 1, y + 1, x + 9, y + 9, c);
  DrawSolidLine(dc, x + 9, y + 1, x + 1, y + 9, c);
  DrawSolidLine(dc, x + 2, y + 1, x + 10, y + 9, c);
  DrawSolidLine(dc, x + 8, y + 1, x, y + 9, c);
}

}  // namespace

TspSkinExPanel::TspSkinExPanel(TComponent* owner) : Base(owner) {
  ControlStyle |= csAcceptsControls | csOpaque;
  FSkinDataName = "expanel";
  SetBounds(0, 0, 150, 100);
}

void TspSkinExPanel::SetRollKind(TspExPanelRollKind value) {
  FRollKind = value;
  Repaint();
}

void TspSkinExPanel::SetDefaultCaptionHeight(int value) {
  FDefaultCaptionHeight = value;
  GetSkinData();
  if (!(FExElement && FUseSkinSize)) {
    Repaint();
    Realign();
  }
}

void TspSkinExPanel::SetShowRollButton(bool value) {
  FShowRollButton = value;
  Repaint();
}

void TspSkinExPanel::SetShowCloseButton(bool value) {
  FShowCloseButton = value;
  Repaint();
}

void TspSkinExPanel::SetUseSkinSize(bool value) {
  FUseSkinSize = value;
  Repaint();
  Realign();
}

void TspSkinExPanel::Close() {
  Hide();
  if (OnClose) OnClose(this);
}

int TspSkinExPanel::RolledWidth() {
  GetSkinData();
  return FExElement && FUseSkinSize ? RW(FRollHSkinRect) : FDefaultCaptionHeight;
}

int TspSkinExPanel::RolledHeight() {
  GetSkinData();
  return FExElement && FUseSkinSize ? RH(FRollVSkinRect) : FDefaultCaptionHeight;
}

void TspSkinExPanel::SetRollState(bool value) {
  if (FRollState == value) return;
  FStopCheckSize = true;
  if (value) {
    int rolledW = RolledWidth(), rolledH = RolledHeight();
    FRollState = true;
    FSavedConstraints.Assign(Constraints());
    TSizeConstraints none(nullptr);
    Constraints()->Assign(&none);
    FShownChildren.clear();
    for (int i = 0; i < ControlCount(); ++i)
      if (Controls(i)->Visible()) FShownChildren.push_back(Controls(i));
    for (TControl* c : FShownChildren) c->SetVisible(false);
    DisableAlign();
    if (FRollKind == rkRollVertical) {
      if (FRealHeight == 0) FRealHeight = Height();
      SetBounds(Left(), Top(), Width(), rolledH);
    } else {
      FRealWidth = Width();
      SetBounds(Left(), Top(), rolledW, Height());
    }
  } else {
    FRollState = false;
    Constraints()->Assign(&FSavedConstraints);
    if (FRollKind == rkRollVertical) {
      SetBounds(Left(), Top(), Width(), FRealHeight);
      FRealHeight = 0;
    } else {
      SetBounds(Left(), Top(), FRealWidth, Height());
      FRealWidth = 0;
    }
    // Children hidden before the roll stay hidden.
    for (TControl* c : FShownChildren)
      for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i) == c) c->SetVisible(true);
    FShownChildren.clear();
    EnableAlign();
  }
  FStopCheckSize = false;
  Repaint();
  if (OnChangeRollState) OnChangeRollState(this);
}

void TspSkinExPanel::ChangeSkinData() {
  Base::ChangeSkinData();
  if (!FRollState) {
    Realign();
    return;
  }
  FStopCheckSize = true;
  if (FRollKind == rkRollVertical)
    SetBounds(Left(), Top(), Width(), RolledHeight());
  else
    SetBounds(Left(), Top(), RolledWidth(), Height());
  FStopCheckSize = false;
}

void TspSkinExPanel::SetBounds(int left, int top, int width, int height) {
  if (FRollState && !FStopCheckSize) {
    if (FRollKind == rkRollHorizontal)
      width = Width();
    else
      height = Height();
  }
  Base::SetBounds(left, top, width, height);
}

void TspSkinExPanel::GetSkinData() {
  Base::GetSkinData();
  FExElement = false;
  if (FIndex == -1) return;
  auto* e = dynamic_cast<TspDataSkinExPanelControl*>(Element());
  if (!e) return;
  FExElement = true;
  FRollHSkinRect = ToRECT(e->RollHSkinRect);
  FRollVSkinRect = ToRECT(e->RollVSkinRect);
  FRollLeftOffset = e->RollLeftOffset;
  FRollRightOffset = e->RollRightOffset;
  FRollTopOffset = e->RollTopOffset;
  FRollBottomOffset = e->RollBottomOffset;
  FRollVCaptionRect = ToRECT(e->RollVCaptionRect);
  FRollHCaptionRect = ToRECT(e->RollHCaptionRect);
  FCaptionRect = ToRECT(e->CaptionRect);
  const TspRect* pictures[5][3] = {
      {&e->CloseButtonRect, &e->CloseButtonActiveRect, &e->CloseButtonDownRect},
      {&e->HRollButtonRect, &e->HRollButtonActiveRect, &e->HRollButtonDownRect},
      {&e->HRestoreButtonRect, &e->HRestoreButtonActiveRect, &e->HRestoreButtonDownRect},
      {&e->VRollButtonRect, &e->VRollButtonActiveRect, &e->VRollButtonDownRect},
      {&e->VRestoreButtonRect, &e->VRestoreButtonActiveRect, &e->VRestoreButtonDownRect}};
  for (int i = 0; i < 5; ++i) {
    RECT* r = FButtonPictures[i];
    r[0] = ToRECT(*pictures[i][0]);
    r[1] = ToRECT(*pictures[i][1]);
    r[2] = ToRECT(*pictures[i][2]);
    // A missing active picture is the normal one, a missing down one the active.
    if (IsEmptyRECT(r[1])) r[1] = r[0];
    if (IsEmptyRECT(r[2])) r[2] = r[1];
  }
  FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
  FButtonsTransparent = e->ButtonsTransparent;
  FButtonsTransparentColor = static_cast<COLORREF>(e->ButtonsTransparentColor) & 0xFFFFFF;
}

void TspSkinExPanel::AdjustClientRect(RECT& r) {
  Base::AdjustClientRect(r);
  GetSkinData();
  if (FIndex == -1) {
    r.top += FDefaultCaptionHeight;
    r.left += 1;
    r.right -= 1;
    r.bottom -= 1;
    return;
  }
  RECT inherited = r;
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  r = Geometry.NewClRect;
  if (!FUseSkinSize) r.top = inherited.top + FDefaultCaptionHeight;
}

RECT TspSkinExPanel::CaptionArea() {
  int w = Width(), h = Height();
  if (!(FExElement && FUseSkinSize)) return RECT{2, 2, w - 2, FDefaultCaptionHeight - 1};
  if (!FRollState) {
    RECT c = FCaptionRect;
    c.right += w - Geometry.SkinWidth();
    return c;
  }
  if (FRollKind == rkRollVertical) {
    RECT c = FRollVCaptionRect;
    c.right += w - RW(FRollVSkinRect);
    return c;
  }
  RECT c = FRollHCaptionRect;
  c.bottom += h - RH(FRollHSkinRect);
  return c;
}

void TspSkinExPanel::Layout() {
  GetSkinData();
  bool sideways = FRollState && FRollKind == rkRollHorizontal;
  RECT close{}, roll{};
  if (!(FExElement && FUseSkinSize)) {
    int ch = FDefaultCaptionHeight, s = ch - 6, w = Width();
    if (sideways) {
      close = RECT{3, 3, ch - 3, ch - 3};
      roll = FShowCloseButton ? RECT{3, close.bottom, ch - 3, close.bottom + s} : close;
    } else {
      close = RECT{w - s - 2, 3, w - 2, ch - 3};
      roll = FShowCloseButton ? RECT{close.left - s, 3, close.left, ch - 3} : close;
    }
  } else {
    RECT cap = CaptionArea();
    const RECT& closePic = FButtonPictures[0][0];
    const RECT& rollPic = sideways ? FButtonPictures[1][0] : FButtonPictures[3][0];
    int cw = RW(closePic), chh = RH(closePic), rw = RW(rollPic), rh = RH(rollPic);
    if (sideways) {
      close = RECT{cap.left, cap.top, cap.left + cw, cap.top + chh};
      int top = FShowCloseButton ? close.bottom + 2 : cap.top;
      roll = RECT{cap.left, top, cap.left + rw, top + rh};
    } else {
      close = RECT{cap.right - cw, cap.top, cap.right, cap.top + chh};
      int right = FShowCloseButton ? close.left - 2 : cap.right;
      roll = RECT{right - rw, cap.top, right, cap.top + rh};
    }
  }
  FButtons[0].R = FShowCloseButton ? close : RECT{};
  FButtons[1].R = FShowRollButton ? roll : RECT{};
}

RECT TspSkinExPanel::ButtonRect(int index) {
  Layout();
  return FButtons[index].R;
}

int TspSkinExPanel::ButtonAt(int x, int y) {
  Layout();
  for (int i = 0; i < 2; ++i)
    if (!IsEmptyRECT(FButtons[i].R) && InRect(FButtons[i].R, x, y)) return i;
  return -1;
}

void TspSkinExPanel::TestActive(int x, int y) {
  int at = ButtonAt(x, y);
  bool changed = false;
  for (int i = 0; i < 2; ++i) {
    bool in = i == at;
    if (FButtons[i].MouseIn != in) {
      FButtons[i].MouseIn = in;
      changed = true;
    }
  }
  if (changed) Repaint();
}

void TspSkinExPanel::DrawDefaultButton(TspPaintBuffer& b, int index) {
  RECT r = FButtons[index].R;
  if (IsEmptyRECT(r)) return;
  const Button& s = FButtons[index];
  b.Fill(r, GetSysColor(COLOR_BTNFACE));
  RECT g = r;
  if (s.Down && s.MouseIn) {
    DrawDefaultFace(b, r, fsDownFace);
    OffsetRect(&g, 2, 2);
  } else if (s.MouseIn) {
    DrawDefaultFace(b, r, fsHotFace);
  }
  if (index == 0) {
    DrawCloseGlyphCentered(b.DC(), g, 0);
  } else {
    TspArrowDirection d = FRollKind == rkRollHorizontal ? (FRollState ? adRight : adLeft)
                                                        : (FRollState ? adDown : adUp);
    DrawArrowGlyph(b.DC(), g, d, 0);
  }
}

void TspSkinExPanel::DrawSkinButton(TspPaintBuffer& b, int index) {
  const Button& s = FButtons[index];
  if (IsEmptyRECT(s.R) || !Picture) return;
  int kind = 0;
  if (index == 1) {
    bool h = FRollKind == rkRollHorizontal;
    kind = FRollState ? (h ? 2 : 4) : (h ? 1 : 3);
  }
  int state = s.Down && s.MouseIn ? 2 : s.MouseIn ? 1 : 0;
  DrawPicturePiece(b, *Picture, FButtonPictures[kind][state], s.R.left, s.R.top, FButtonsTransparent,
                   FButtonsTransparentColor);
}

TspFontDesc TspSkinExPanel::SkinCaptionFont() const {
  TspFontDesc font = UseSkinFont ? FSkinFont : FDefaultFont;
  font.Color = FSkinFont.Color;
  return font;
}

void TspSkinExPanel::DrawCaption(TspPaintBuffer& b, RECT area, const TspFontDesc& font, bool upwards) {
  for (const Button& s : FButtons) {
    if (IsEmptyRECT(s.R)) continue;
    if (upwards)
      area.top = std::max<int>(area.top, s.R.bottom + 2);
    else
      area.right = std::min<int>(area.right, s.R.left - 2);
  }
  const std::string& text = Caption();
  int gw = ImageWidth(), gh = ImageHeight();
  auto drawImage = [&](int x, int y) { DrawCaptionImage(b, x, y, false); };
  if (!upwards) {
    int x = area.left;
    if (gw > 0) {
      drawImage(x, area.top + RH(area) / 2 - gh / 2);
      x += gw + FSpacing;
    }
    // Left-aligned from two pixels in, vertically centred.
    RECT t{x + 2, area.top, area.right, area.bottom};
    b.Text(text, t, font, font.Color, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    return;
  }
  // Written upwards from the bottom, the glyph at its start.
  int y = area.bottom;
  if (gw > 0) {
    drawImage(area.left + RW(area) / 2 - gw / 2, y - gh);
    y -= gh + FSpacing;
  }
  if (text.empty()) return;
  HDC dc = b.DC();
  HFONT f = font.Create(900);
  HGDIOBJ old = SelectObject(dc, f);
  std::u16string w = UTF8ToUTF16(text);
  SIZE ext{};
  GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &ext);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, font.Color);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  HRGN clip = CreateRectRgn(area.left, area.top, area.right, area.bottom);
  SelectClipRgn(dc, clip);
  TextOutW(dc, area.left + RW(area) / 2 - ext.cy / 2, y, reinterpret_cast<LPCWSTR>(w.c_str()),
           static_cast<int>(w.size()));
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
  SelectObject(dc, old);
  DeleteObject(f);
}

void TspSkinExPanel::PaintDefaultImage(TspPaintBuffer& b) {
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
           face = GetSysColor(COLOR_BTNFACE);
  int w = Width(), h = Height(), ch = FDefaultCaptionHeight;
  b.Fill(b.ClientRect(), face);
  bool sideways = FRollState && FRollKind == rkRollHorizontal;
  RECT bar = sideways ? b.ClientRect() : RECT{0, 0, w, ch};
  b.Frame(b.ClientRect(), shadow);
  b.Frame(bar, shadow);
  b.Fill(RECT{bar.left + 1, bar.top + 1, bar.right - 1, bar.top + 2}, light);
  b.Fill(RECT{bar.left + 1, bar.top + 1, bar.left + 2, bar.bottom - 1}, light);
  Layout();
  for (int i = 0; i < 2; ++i) DrawDefaultButton(b, i);
  DrawCaption(b, sideways ? RECT{2, ch, w - 2, h - 2} : RECT{2, 0, w - 2, ch}, FDefaultFont, sideways);
}

void TspSkinExPanel::PaintSkinImage(TspPaintBuffer& b) {
  if (!FExElement || !Picture) {
    PaintDefaultImage(b);
    return;
  }
  TspImageSource pic = ImageSourceOf(Picture);
  bool sideways = FRollState && FRollKind == rkRollHorizontal;
  if (!FRollState)
    Base::PaintSkinImage(b);
  else if (!sideways)
    DrawHorzThreePart(b, pic, FRollVSkinRect, FRollLeftOffset, FRollRightOffset, Geometry.TopStretch);
  else
    DrawVertThreePart(b, pic, FRollHSkinRect, FRollTopOffset, FRollBottomOffset, Geometry.TopStretch);
  Layout();
  for (int i = 0; i < 2; ++i) DrawSkinButton(b, i);
  DrawCaption(b, CaptionArea(), SkinCaptionFont(), sideways);
}

// The skin's "panel" element as the body, a caption bar cut from the
// element's caption picture, and buttons from "resizetoolbutton".
void TspSkinExPanel::PaintPanelStyle(TspPaintBuffer& b) {
  std::string own = FSkinDataName;
  FSkinDataName = "panel";
  GetSkinData();
  bool havePanel = FIndex != -1 && Picture;
  if (havePanel) {
    int w = Width(), h = Height();
    CalcSkinSize(w, h);
    CreateSkinImage(b, Picture, Geometry.SkinRect);
  } else {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  }
  RECT cl = havePanel ? Geometry.NewClRect : RECT{1, 1, Width() - 1, Height() - 1};
  FSkinDataName = own;
  GetSkinData();
  bool sideways = FRollState && FRollKind == rkRollHorizontal;
  if (Picture && !IsEmptyRECT(FCaptionRect)) {
    RECT src = FCaptionRect;
    OffsetRect(&src, Geometry.SkinRect.left, Geometry.SkinRect.top);
    TspImageSource pic = ImageSourceOf(Picture);
    if (sideways) {
      // The bar stands on its side: the caption picture turned and stretched.
      TspPaintBuffer turned(RH(src), RW(src));
      uint32_t* t = turned.Bits();
      for (int y = 0; y < RW(src); ++y)
        for (int x = 0; x < RH(src); ++x) {
          int sx = src.left + (RW(src) - 1 - y), sy = src.top + x;
          if (sx >= 0 && sy >= 0 && sx < pic.Width && sy < pic.Height)
            t[size_t(y) * RH(src) + x] = pic.Pixels[size_t(sy) * pic.Width + sx] & 0xFFFFFF;
        }
      TspImageSource ts;
      ts.Pixels = t;
      ts.Width = RH(src);
      ts.Height = RW(src);
      ::DrawPiece(b, ts, RECT{0, 0, ts.Width, ts.Height}, cl);
    } else {
      int bh = FDefaultCaptionHeight - cl.top - 1;
      RECT bar{cl.left, cl.top, cl.right, cl.top + bh};
      ::DrawPiece(b, pic, src, bar);
      if (!FRollState && bh > 0) {
        const TspSkinColors& c = FSD->SkinColors;
        b.Fill(RECT{bar.left, bar.bottom - 1, bar.right, bar.bottom}, SkinColorValue(c.cBtnShadow));
        b.Fill(RECT{bar.left, bar.bottom - 1, bar.left + 1, bar.bottom}, SkinColorValue(c.cBtnHighLight));
      }
    }
  }
  Layout();
  int tb = FSD->GetControlIndex("resizetoolbutton");
  auto* e = tb >= 0 && tb < static_cast<int>(FSD->CtrlList.size())
                ? dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[tb].get())
                : nullptr;
  const TspPicture* ep = e ? SkinPicture(e->PictureIndex) : nullptr;
  for (int i = 0; i < 2; ++i) {
    const Button& s = FButtons[i];
    if (IsEmptyRECT(s.R)) continue;
    if (!e || !ep) {
      DrawDefaultButton(b, i);
      continue;
    }
    RECT src = ToRECT(e->SkinRect);
    int32_t color = e->FontColor;
    if (s.Down && s.MouseIn && !IsEmptyRECT(ToRECT(e->DownSkinRect))) {
      src = ToRECT(e->DownSkinRect);
      color = e->DownFontColor;
    } else if (s.MouseIn && !IsEmptyRECT(ToRECT(e->ActiveSkinRect))) {
      src = ToRECT(e->ActiveSkinRect);
      color = e->ActiveFontColor;
    }
    if (!Enabled()) color = e->DisabledFontColor;
    int w = RW(s.R), h = RH(s.R);
    int dx = w - (e->SkinRect.Right - e->SkinRect.Left), dy = h - (e->SkinRect.Bottom - e->SkinRect.Top);
    TspPaintBuffer face(w, h);
    DrawNinePart(face, ImageSourceOf(ep), ElementNinePartGrown(*e, src, dx, dy));
    COLORREF glyph = static_cast<COLORREF>(color) & 0xFFFFFF;
    RECT g = face.ClientRect();
    if (i == 0) {
      DrawCloseGlyphCentered(face.DC(), g, glyph);
    } else {
      TspArrowDirection d = FRollKind == rkRollHorizontal ? (FRollState ? adRight : adLeft)
                                                          : (FRollState ? adDown : adUp);
      DrawArrowGlyph(face.DC(), g, d, glyph);
    }
    face.DrawTo(b.DC(), s.R.left, s.R.top);
  }
  RECT area = sideways ? cl : RECT{cl.left, cl.top, cl.right, FDefaultCaptionHeight - 1};
  DrawCaption(b, area, SkinCaptionFont(), sideways);
}

void TspSkinExPanel::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  if (FIndex == -1 || FUseSkinSize) {
    Base::Paint();
    return;
  }
  TspPaintBuffer b(Width(), Height());
  PaintPanelStyle(b);
  ComposeAndDraw(b);
}

LRESULT TspSkinExPanel::HitTest(int x, int y) {
  GetSkinData();
  int w = Width(), h = Height();
  RECT cap = CaptionArea();
  RECT right, bottom, corner;
  if (FIndex == -1) {
    right = RECT{w - 2, 0, w, h};
    bottom = RECT{0, h - 2, w, h};
    corner = RECT{w - 2, h - 2, w, h};
  } else {
    int ww = w, hh = h;
    CalcSkinSize(ww, hh);
    const RECT& c = Geometry.NewClRect;
    right = RECT{c.right, 0, w, h};
    bottom = RECT{0, c.bottom, w, h};
    corner = RECT{c.right, c.bottom, w, h};
  }
  Layout();
  bool onButton = false;
  for (const Button& s : FButtons)
    if (!IsEmptyRECT(s.R) && InRectInclusive(s.R, x, y)) onButton = true;
  if (Moveable && InRectInclusive(cap, x, y) && !onButton) {
    bool lit = false;
    for (Button& s : FButtons)
      if (s.MouseIn || s.Down) {
        s.MouseIn = s.Down = false;
        lit = true;
      }
    if (lit) Repaint();
    return HTCAPTION;
  }
  if (Sizeable && !FRollState) {
    if (InRect(corner, x, y)) return HTBOTTOMRIGHT;
    if (InRect(bottom, x, y)) return HTBOTTOM;
    if (InRect(right, x, y)) return HTRIGHT;
  }
  return -1;
}

void TspSkinExPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  int at = ButtonAt(x, y);
  if (at != -1) {
    FButtons[at].Down = true;
    FButtons[at].MouseIn = true;
    Repaint();
  }
  Base::MouseDown(button, shift, x, y);
}

void TspSkinExPanel::MouseMove(TShiftState shift, int x, int y) {
  TestActive(x, y);
  Base::MouseMove(shift, x, y);
}

void TspSkinExPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  int pressed = -1;
  for (int i = 0; i < 2; ++i)
    if (FButtons[i].Down) pressed = i;
  for (Button& s : FButtons) s.Down = false;
  Base::MouseUp(button, shift, x, y);
  // Acts only when released over the button that was pressed.
  if (pressed != -1 && ButtonAt(x, y) == pressed) {
    if (pressed == 0) {
      Close();
    } else {
      SetRollState(!FRollState);
      TestActive(x, y);
      Repaint();
    }
  } else if (pressed != -1) {
    Repaint();
  }
}

void TspSkinExPanel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_NCHITTEST:
      if (Sizeable || Moveable) {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ::ScreenToClient(Handle(), &p);
        LRESULT r = HitTest(p.x, p.y);
        if (r != -1) {
          m.Result = r;
          return;
        }
      }
      break;
    case CM_MOUSEENTER:
      Base::WndProc(m);
      TestActive(-1, -1);
      return;
    case CM_MOUSELEAVE: {
      Base::WndProc(m);
      bool lit = FButtons[0].MouseIn || FButtons[1].MouseIn;
      FButtons[0].MouseIn = FButtons[1].MouseIn = false;
      if (lit) Repaint();
      return;
    }
    case WM_SIZE:
    case WM_SIZING:
      Base::WndProc(m);
      if (Sizeable) Realign();
      return;
    default:
      break;
  }
  Base::WndProc(m);
  if (m.Msg == CM_TEXTCHANGED) Repaint();
}
