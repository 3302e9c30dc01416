#include "skin/controls/SkinLabels.h"

#include <shellapi.h>

namespace {

COLORREF SkinColor(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  if ((u & 0xFF000000u) == 0xFF000000u) return GetSysColor(static_cast<int>(u & 0xFF));
  return u & 0xFFFFFF;
}

}  // namespace

TspSkinStdLabel::TspSkinStdLabel(TComponent* owner) : TGraphicControl(owner) {
  ControlStyle &= ~csOpaque;
  TGraphicControl::SetBounds(0, 0, 65, 17);
}

TspSkinStdLabel::~TspSkinStdLabel() {
  if (FSD) FSD->RemoveFreeNotification(this);
}

void TspSkinStdLabel::SetSkinData(TspSkinData* value) {
  if (FSD) FSD->RemoveFreeNotification(this);
  FSD = value;
  if (FSD) {
    FSD->FreeNotification(this);
    ChangeSkinData();
  }
}

void TspSkinStdLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FSD) {
    FSD = nullptr;
    FIndex = -1;
  }
}

void TspSkinStdLabel::GetSkinData() {
  FIndex = (FSD && !FSD->Empty) ? FSD->GetControlIndex(SkinDataName) : -1;
  if (FIndex < 0 || FIndex >= static_cast<int>(FSD->CtrlList.size())) {
    FIndex = -1;
    return;
  }
  if (auto* e = dynamic_cast<TspDataSkinStdLabelControl*>(FSD->CtrlList[FIndex].get())) {
    FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
    FActiveFontColor = static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF;
  }
}

void TspSkinStdLabel::ChangeSkinData() {
  GetSkinData();
  if (FAutoSize) AdjustBounds();
  Repaint();
}

void TspSkinStdLabel::SetEllipsType(TspEllipsType value) {
  if (FEllipsType == value) return;
  FEllipsType = value;
  Invalidate();
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
  if (FIndex != -1) return SkinColor(light ? FSD->SkinColors.cBtnHighLight : FSD->SkinColors.cBtnShadow);
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
  UINT flags = WordWrap ? DT_WORDBREAK : DT_SINGLELINE;
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
  if (FUseUnderLine == value) return;
  FUseUnderLine = value;
  Repaint();
}

TspFontDesc TspSkinLinkLabel::TextFont() const {
  TspFontDesc f;
  if (FIndex == -1) {
    f = UseSkinFont ? DefaultFont : Font;
    if (FMouseIn) f.Color = DefaultActiveFontColor;
  } else {
    f = UseSkinFont ? FSkinFont : Font;
    f.Color = FMouseIn ? FActiveFontColor : FSkinFont.Color;
  }
  f.Underline = FUseUnderLine;
  return f;
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
    ShellExecuteW(nullptr, u"open", reinterpret_cast<LPCWSTR>(u.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
  }
}
