// Small pieces the skinned controls share: the store-and-redraw rule of
// their properties and the measuring of a line of text.
#pragma once

#include <windows.h>

#include <string>

#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/controls/SkinDraw.h"

// Stores a property's new value in `field`; true when it differs from the
// old one, so that the control redraws only for a real change.
template <class T>
bool StoreIfChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

// One line of `text` in `font` measured on `dc`: its width (0 for no text)
// and the line's height (that of a space for no text).
inline SIZE LineExtent(HDC dc, const std::string& text, const TspFontDesc& font) {
  HFONT f = font.Create();
  HGDIOBJ old = SelectObject(dc, f);
  std::u16string w = UTF8ToUTF16(text.empty() ? std::string(" ") : text);
  SIZE s{};
  GetTextExtentPoint32W(dc, W(w), static_cast<int>(w.size()), &s);
  SelectObject(dc, old);
  DeleteObject(f);
  if (text.empty()) s.cx = 0;
  return s;
}
