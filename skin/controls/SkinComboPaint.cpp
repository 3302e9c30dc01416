// How the skinned combo box draws itself: the default look, the skin looks
// (picture kept at its size or stretched), the tool-button style, the
// drop-down button and the item shown in the box.
#include <algorithm>

#include "skin/controls/SkinComboBox.h"
#include "skin/data/SPUtils.h"

namespace {
COLORREF SysColour(int index) { return GetSysColor(index); }
TRect TR(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }
}  // namespace

int TspSkinCustomComboBox::ShownIndex() const {
  return FListBox->Visible() ? FOldItemIndex : FListBox->ItemIndex();
}

TspDataSkinButtonControl* TspSkinCustomComboBox::ButtonElement(std::initializer_list<const char*> names) const {
  if (!FSD || FSD->Empty) return nullptr;
  for (const char* name : names) {
    int i = FSD->GetControlIndex(name);
    if (i >= 0 && i < static_cast<int>(FSD->CtrlList.size()))
      if (auto* e = dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[i].get())) return e;
  }
  return nullptr;
}

// Steps shared by every look: the owner-draw event, or the image and text.
void TspSkinCustomComboBox::DrawItemContent(TspPaintBuffer& item, int index, RECT tr, bool skinLook, bool focused) {
  TCanvas* cv = item.Canvas();
  if (OnComboBoxDrawItem) {
    OnComboBoxDrawItem(cv, index, item.Width(), item.Height(), tr, CBItem.State);
    return;
  }
  if (skinLook && focused && ShowFocus) DrawFocusFrame(item.DC(), item.ClientRect());
  if (TCustomImageList* images = Images()) {
    int ii = ImageIndex() >= 0 ? ImageIndex() : index;
    if (ii < images->Count()) images->Draw(cv, tr.left, tr.top + (tr.bottom - tr.top) / 2 - images->Height() / 2, ii);
    tr.left += images->Width() + 2;
  }
  const std::string& text = Items()->Get(index);
  if (FListBox->TabWidths()->Count() > 0)
    DrawTabbedString(cv, text, FListBox->TabWidths(), tr.left + 2, tr);
  else
    DrawTextRectVCentered(cv, text, TR(tr));
}

void TspSkinCustomComboBox::DrawButton(TspPaintBuffer& b) {
  if (IsEmptyRECT(Button.R)) return;
  if (!HasElement()) {
    TspFaceState st = Button.Down && Button.MouseIn ? fsDownFace : Button.MouseIn ? fsHotFace : fsNormalFace;
    if (st == fsNormalFace) {
      b.Fill(Button.R, SysColour(COLOR_BTNFACE));
      b.Frame(Button.R, SysColour(COLOR_BTNSHADOW));
    } else {
      DrawDefaultFace(b, Button.R, st);
    }
    DrawArrowGlyph(b.DC(), Button.R, adDown, Enabled() ? 0 : SysColour(COLOR_BTNSHADOW));
    return;
  }
  if (!Picture) return;
  RECT src{};
  if (!Enabled() && !IsEmptyRECT(UnEnabledButtonRect))
    src = UnEnabledButtonRect;
  else if (Button.Down && Button.MouseIn)
    src = DownButtonRect;
  else if (Button.MouseIn)
    src = ActiveButtonRect;
  if (IsEmptyRECT(src)) return;  // the background already shows the button
  DrawPiece(b, ImageSourceOf(Picture), src, Button.R);
}

void TspSkinCustomComboBox::DrawResizeButton(TspPaintBuffer& b) {
  TspDataSkinButtonControl* e = ButtonElement({"combobutton", "editbutton", "resizebutton"});
  if (!e || IsEmptyRECT(Button.R)) return;
  const TspPicture* pic = SkinPicture(e->PictureIndex);
  if (!pic) return;
  bool pressed = Button.Down && Button.MouseIn, hot = Button.MouseIn;
  RECT skin = ToRECT(e->SkinRect);
  RECT src = skin;
  COLORREF colour = static_cast<COLORREF>(e->FontColor) & 0xFFFFFF;
  if (pressed) {
    src = IsEmptyRECT(ToRECT(e->DownSkinRect)) ? ToRECT(e->ActiveSkinRect) : ToRECT(e->DownSkinRect);
    if (IsEmptyRECT(src)) src = skin;
    colour = static_cast<COLORREF>(e->DownFontColor) & 0xFFFFFF;
  } else if (hot) {
    src = IsEmptyRECT(ToRECT(e->ActiveSkinRect)) ? skin : ToRECT(e->ActiveSkinRect);
    colour = static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF;
  }
  int w = Button.R.right - Button.R.left, h = Button.R.bottom - Button.R.top;
  TspPaintBuffer btn(w, h);
  RECT cl = ToRECT(e->ClRect);
  DrawStretchedSkinRect(btn, ImageSourceOf(pic), src, cl);
  RECT marker = ToRECT(e->MenuMarkerRect);
  if (IsEmptyRECT(marker)) {
    if (Enabled()) {
      RECT r = btn.ClientRect();
      if (pressed) OffsetRect(&r, 0, 2);
      DrawArrowGlyph(btn.DC(), r, adDown, colour);
    }
  } else {
    RECT active = ToRECT(e->MenuMarkerActiveRect), down = ToRECT(e->MenuMarkerDownRect);
    RECT src = marker;
    if (pressed && !IsEmptyRECT(down))
      src = down;
    else if (hot && !IsEmptyRECT(active))
      src = active;
    RECT r = btn.ClientRect();
    if (pressed) OffsetRect(&r, 0, 1);
    DrawMarkerGlyph(btn.DC(), Picture ? Picture : pic, src, r,
                    static_cast<COLORREF>(e->MenuMarkerTransparentColor) & 0xFFFFFF);
  }
  btn.DrawTo(b.DC(), Button.R.left, Button.R.top);
}

void TspSkinCustomComboBox::DrawDefaultItem(TspPaintBuffer& b) {
  int w = CBItem.R.right - CBItem.R.left, h = CBItem.R.bottom - CBItem.R.top;
  if (w <= 0 || h <= 0) return;
  TspPaintBuffer item(w, h);
  bool focused = ComboFocused();
  TspFontDesc font = FDefaultFont;
  if (focused) {
    item.Fill(item.ClientRect(), SysColour(COLOR_HIGHLIGHT));
    font.Color = SysColour(COLOR_HIGHLIGHTTEXT);
    CBItem.State = odFocused;
  } else {
    item.Fill(item.ClientRect(), FDefaultColor);
    CBItem.State = 0;
  }
  if (!Enabled()) font.Color = SysColour(COLOR_GRAYTEXT);
  DrawShownItem(item, font, RECT{2, 0, w - 2, h}, false, focused);
  if (focused) DrawFocusFrame(item.DC(), item.ClientRect());
  item.DrawTo(b.DC(), CBItem.R.left, CBItem.R.top);
}

void TspSkinCustomComboBox::DrawSkinItem(TspPaintBuffer& b) {
  int w = CBItem.R.right - CBItem.R.left;
  int h = SItemRect.bottom - SItemRect.top;
  if (h <= 0) h = FocusItemRect.bottom - FocusItemRect.top;
  if (w <= 0 || h <= 0) return;
  bool focused = ComboFocused();
  bool hot = FMouseIn && !IsEmptyRECT(ActiveItemRect) && !IsEmptyRECT(ActiveSkinRect);
  TspPaintBuffer item(w, h);
  RECT src = focused ? FocusItemRect : hot ? ActiveItemRect : SItemRect;
  bool stretch = focused ? FocusItemStretchEffect : ItemStretchEffect;
  if (IsEmptyRECT(src) || !Picture) {
    // No picture: what is already painted there.
    BitBlt(item.DC(), 0, 0, w, h, b.DC(), CBItem.R.left, CBItem.R.top, SRCCOPY);
  } else {
    RECT s = src;
    OffsetRect(&s, 0, 0);
    DrawHorzThreePart(item, ImageSourceOf(Picture), s, ItemLeftOffset, ItemRightOffset, stretch);
  }
  CBItem.State = focused ? odFocused : 0;
  TspFontDesc font = SkinItemFont(focused);
  if (!Enabled()) font.Color = GetDisabledFontColor();
  DrawShownItem(item, font, SkinItemTextRect(w), true, focused);
  item.DrawTo(b.DC(), CBItem.R.left, CBItem.R.top);
}

void TspSkinCustomComboBox::DrawResizeSkinItem(TspPaintBuffer& b) {
  int w = CBItem.R.right - CBItem.R.left, h = CBItem.R.bottom - CBItem.R.top;
  if (w <= 0 || h <= 0) return;
  bool focused = ComboFocused();
  bool hot = FMouseIn && !IsEmptyRECT(ActiveItemRect) && !IsEmptyRECT(ActiveSkinRect);
  TspPaintBuffer item(w, h);
  RECT src = focused ? FocusItemRect : hot ? ActiveItemRect : SItemRect;
  if (IsEmptyRECT(src) || !Picture) {
    BitBlt(item.DC(), 0, 0, w, h, b.DC(), CBItem.R.left, CBItem.R.top, SRCCOPY);
  } else {
    // The client rectangle is relative to the picture rectangle; the copy
    // adjusted for this paint leaves the stored one alone.
    RECT cl = ItemTextRect;
    if (focused) InflateRect(&cl, -1, -1);
    if (focused || hot) {
      cl.right -= (SItemRect.right - SItemRect.left) - (src.right - src.left);
      cl.top -= (SItemRect.bottom - SItemRect.top) - (src.bottom - src.top);
    }
    DrawStretchedSkinRect(item, ImageSourceOf(Picture), src, cl);
  }
  CBItem.State = focused ? odFocused : 0;
  RECT tr = SkinItemTextRect(w);
  tr.bottom += Height() - Geometry.SkinHeight();
  DrawShownItem(item, SkinItemFont(focused), tr, true, focused);
  item.DrawTo(b.DC(), CBItem.R.left, CBItem.R.top);
}

RECT TspSkinCustomComboBox::SkinItemTextRect(int width) const {
  RECT tr = ItemTextRect;
  int baseWidth = IsEmptyRECT(SItemRect) ? Geometry.ClRect.right - Geometry.ClRect.left : SItemRect.right - SItemRect.left;
  tr.right += width - baseWidth;
  return tr;
}

TspFontDesc TspSkinCustomComboBox::SkinItemFont(bool focused) const {
  TspFontDesc font = UseSkinFont ? SkinFont : FDefaultFont;
  font.Color = focused ? FocusFontColor : (FMouseIn && !IsEmptyRECT(ActiveSkinRect)) ? ActiveFontColor : FontColor;
  return font;
}

void TspSkinCustomComboBox::DrawShownItem(TspPaintBuffer& item, const TspFontDesc& font, const RECT& r,
                                          bool skinLook, bool focused) {
  TCanvas* cv = item.Canvas();
  font.AssignTo(cv->Font());
  cv->Brush()->SetStyle(bsClear);
  int index = ShownIndex();
  if (index >= 0 && index < Items()->Count()) DrawItemContent(item, index, r, skinLook, focused);
}

void TspSkinCustomComboBox::DrawToolButton(TspPaintBuffer& b, bool skin) {
  int w = Width(), h = Height();
  bool hot = FMouseIn || ComboFocused();
  TspFontDesc font = FDefaultFont;
  COLORREF arrow = font.Color;
  if (!skin) {
    TspFaceState st = FDropDown ? fsDownFace : hot ? fsHotFace : fsNormalFace;
    if (st == fsNormalFace) {
      b.Fill(b.ClientRect(), SysColour(COLOR_BTNFACE));
      b.Frame(b.ClientRect(), SysColour(COLOR_BTNSHADOW));
    } else {
      DrawDefaultFace(b, b.ClientRect(), st);
    }
  } else {
    TspDataSkinButtonControl* e = ButtonElement({"resizetoolbutton", "resizebutton"});
    if (!e) return;
    const TspPicture* pic = SkinPicture(e->PictureIndex);
    if (!pic) return;
    RECT src = FDropDown ? ToRECT(e->DownSkinRect) : hot ? ToRECT(e->ActiveSkinRect) : ToRECT(e->SkinRect);
    if (IsEmptyRECT(src)) src = ToRECT(e->SkinRect);
    DrawStretchedSkinRect(b, ImageSourceOf(pic), src, ToRECT(e->ClRect));
    if (UseSkinFont) font = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
    auto c = [](int32_t v) { return static_cast<COLORREF>(v) & 0xFFFFFF; };
    font.Color = FDropDown ? c(e->DownFontColor) : hot ? c(e->ActiveFontColor) : Enabled() ? c(e->FontColor)
                                                                                           : c(e->DisabledFontColor);
    arrow = FDropDown ? c(e->DownFontColor) : font.Color;
  }
  int index = ShownIndex();
  if (index >= 0 && index < Items()->Count()) {
    RECT tr{2, 2, w - 17, h - 2};
    TspPaintBuffer item(std::max(1, w), std::max(1, h));
    BitBlt(item.DC(), 0, 0, w, h, b.DC(), 0, 0, SRCCOPY);
    TCanvas* cv = item.Canvas();
    font.AssignTo(cv->Font());
    cv->Brush()->SetStyle(bsClear);
    DrawItemContent(item, index, tr, false, false);
    item.DrawTo(b.DC(), 0, 0);
  }
  if (TspDataSkinButtonControl* e = skin ? ButtonElement({"resizetoolbutton", "resizebutton"}) : nullptr) {
    RECT marker = ToRECT(e->MenuMarkerRect);
    if (!IsEmptyRECT(marker)) {
      RECT active = ToRECT(e->MenuMarkerActiveRect), down = ToRECT(e->MenuMarkerDownRect);
      if (IsEmptyRECT(active)) active = marker;
      if (IsEmptyRECT(down)) down = active;
      const TspPicture* pic = Picture ? Picture : SkinPicture(e->PictureIndex);
      DrawMarkerGlyph(b.DC(), pic, FDropDown ? down : hot ? active : marker, RECT{w - 15, 0, w, h},
                      static_cast<COLORREF>(e->MenuMarkerTransparentColor) & 0xFFFFFF);
      return;
    }
  }
  TCanvas* cv = b.Canvas();
  DrawDropDownArrowGlyph(cv, TRect{w - 15, 0, w, h}, static_cast<TColor>(arrow));
}

void TspSkinCustomComboBox::PaintDefaultImage(TspPaintBuffer& b) {
  CalcRects();
  if (FToolButtonStyle) {
    DrawToolButton(b, false);
    return;
  }
  b.Fill(b.ClientRect(), SysColour(COLOR_BTNFACE));
  b.Frame(b.ClientRect(), SysColour(COLOR_BTNSHADOW));
  RECT inside{1, 1, Width() - 1, Height() - 1};
  b.Fill(inside, FDefaultColor);
  DrawButton(b);
  if (!FEdit) DrawDefaultItem(b);
}

void TspSkinCustomComboBox::PaintSkinImage(TspPaintBuffer& b) {
  CalcRects();
  if (!HasElement()) {
    Base::PaintSkinImage(b);
    return;
  }
  if (FToolButtonStyle) {
    DrawToolButton(b, true);
    return;
  }
  bool hot = FMouseIn || ComboFocused();
  bool useActive = hot && !IsEmptyRECT(ActiveSkinRect);
  if (!Picture) {
    PaintDefaultImage(b);
    return;
  }
  if (!FUseSkinSize) {
    RECT cl = Geometry.ClRect;
    DrawStretchedSkinRect(b, ImageSourceOf(Picture), useActive ? ActiveSkinRect : Geometry.SkinRect, cl);
  } else if (useActive) {
    DrawHorzThreePart(b, ImageSourceOf(Picture), ActiveSkinRect, Geometry.LTPt.x,
                      (ActiveSkinRect.right - ActiveSkinRect.left) - Geometry.RTPt.x, Geometry.StretchEffect);
  } else {
    Base::PaintSkinImage(b);
  }
  if (FUseSkinSize)
    DrawButton(b);
  else
    DrawResizeButton(b);
  if (!FEdit) {
    if (FUseSkinSize)
      DrawSkinItem(b);
    else
      DrawResizeSkinItem(b);
  }
}
