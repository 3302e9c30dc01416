// What the skinned edit and the skinned memo share over their framework
// edit window: the copy of their edit element, the default font, the text
// colour by state and the way their window paints (off-screen, background
// and text at once, the text drawn by the window with no brush). Also the
// read-only rule and the colour answer that the plain edits use as well.
#pragma once

#include <string>

#include "framework/StdCtrls.h"
#include "skin/controls/SkinDataHolder.h"
#include "skin/controls/SkinMessages.h"

// Answers a window's colour request (CN_CTLCOLOREDIT, CN_CTLCOLORSTATIC):
// the text in `color` over what is already painted, with no brush.
inline void AnswerTransparentTextColor(TMessage& m, COLORREF color) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  m.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// Whether an edit kept read-only by the control (not by the window) drops
// the message: typing other than Ctrl+C, the Delete key, and cut, paste,
// clear and undo.
inline bool ReadOnlyRefuses(const TMessage& m) {
  switch (m.Msg) {
    case WM_CHAR:
      return m.WParam != 3;
    case WM_KEYDOWN:
      return m.WParam == VK_DELETE;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
      return true;
    default:
      return false;
  }
}

// The DrawText alignment of the framework's alignment (left, right, centre).
inline UINT AlignmentTextFormat(int alignment) {
  return alignment == 1 ? DT_RIGHT : alignment == 2 ? DT_CENTER : DT_LEFT;
}

// Stores `value` in `field`; true when that changed it.
template <class T>
bool AssignChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

template <class TBase>
class TspSkinEditLook : public TspSkinDataHolder<TBase> {
  using Base = TspSkinDataHolder<TBase>;

public:
  const TspFontDesc& DefaultFont() const { return FDefaultFont; }
  // Without an element the font shows at once, in the colour of the state.
  void SetDefaultFont(const TspFontDesc& value) {
    FDefaultFont = value;
    GetSkinData();
    if (this->FIndex == -1) {
      FDefaultFont.AssignTo(&this->FFont);
      SetStateFontColor();
    }
  }

protected:
  TspSkinEditLook(TComponent* owner, const char* skinDataName) : Base(owner, skinDataName) {
    this->ControlStyle |= csOpaque;
    FDefaultFont.Name = "Arial";
    FDefaultFont.Height = 14;
    FDefaultFont.Color = 0;
    FDefaultFont.AssignTo(&this->FFont);
  }

  // Looks the element up and copies its edit part; null (and index -1)
  // without an element of type E.
  template <class E>
  E* ReadEditElement() {
    this->FIndex = this->FSD.ControlIndex(this->FSkinDataName);
    auto* e = dynamic_cast<E*>(this->FSD.Element(this->FIndex));
    if (!e) {
      this->FIndex = -1;
      return nullptr;
    }
    const TspDataSkinEditControl& edit = *e;
    Picture = this->FSD.Picture(edit.PictureIndex);
    SkinRect = ToRECT(edit.SkinRect);
    ActiveSkinRect = IsEmptyRECT(ToRECT(edit.ActiveSkinRect)) ? SkinRect : ToRECT(edit.ActiveSkinRect);
    ClRect = ToRECT(edit.ClRect);
    SkinFont = SkinFontDesc(edit.FontName, edit.FontHeight, static_cast<uint8_t>(edit.FontStyle), edit.FontColor);
    FontColor = static_cast<COLORREF>(edit.FontColor) & 0xFFFFFF;
    DisabledFontColor = static_cast<COLORREF>(edit.DisabledFontColor) & 0xFFFFFF;
    ActiveFontColor = static_cast<COLORREF>(edit.ActiveFontColor) & 0xFFFFFF;
    StretchEffect = edit.StretchEffect;
    return e;
  }

  // The skin's character set for the font, when the skin names one.
  void ApplySkinCharset() {
    if (this->FSD && this->FSD->ResourceStrData()) this->FFont.SetCharset(this->FSD->ResourceStrData()->CharSet);
  }

  // The paint messages both answer alike; false for any other message.
  bool AnswerPaintMessage(TMessage& m) {
    switch (m.Msg) {
      case WM_ERASEBKGND:
        // The whole client area is painted at once in WM_PAINT.
        m.Result = 1;
        return true;
      case WM_PAINT:
      case WM_PRINTCLIENT:
        PaintClientMessage(this->HandleIfAllocated(), m.WParam, [this](HDC dc) { PaintClient(dc); });
        m.Result = 0;
        return true;
      case CN_CTLCOLOREDIT:
      case CN_CTLCOLORSTATIC:
        AnswerTransparentTextColor(m, FTextColor);
        return true;
      default:
        return false;
    }
  }

  virtual void GetSkinData() = 0;
  // The text colour (and whatever else follows the state) for the state:
  // disabled, hot or focused, normal.
  virtual void SetStateFontColor() = 0;
  // Background and text into a DC of the client area's size.
  virtual void PaintClient(HDC dc) = 0;

  int SkinWidth() const { return SkinRect.right - SkinRect.left; }
  int SkinHeight() const { return SkinRect.bottom - SkinRect.top; }

  TspFontDesc FDefaultFont;
  COLORREF FTextColor = 0;
  bool FMouseIn = false;

  // Copied from the element.
  const TspPicture* Picture = nullptr;
  RECT ClRect{}, SkinRect{}, ActiveSkinRect{};
  TspFontDesc SkinFont;
  COLORREF FontColor = 0, DisabledFontColor = 0, ActiveFontColor = 0;
  bool StretchEffect = false;
};
