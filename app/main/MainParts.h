// Small helpers shared by the files of the main window.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"

namespace mainparts {

// A component of the main window with its name, on its parent when it is a
// control.
template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name) {
  T* c = new T(owner);
  c->SetName(name);
  if constexpr (std::is_base_of_v<TControl, T>) {
    if (parent) c->SetParent(parent);
  }
  return c;
}

// A menu item with its name, caption and command under parent.
inline TMenuItem* AddItem(TMenuItem* parent, TComponent* owner, const char* name, const char* caption,
                          TNotifyEvent onClick = nullptr) {
  TMenuItem* item = new TMenuItem(owner);
  item->SetName(name);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  parent->Add(item);
  return item;
}

// One command for every button and menu item that gives it.
template <class TCommand, class... TSource>
void BindClick(const TCommand& command, TSource*... sources) {
  ((sources->OnClick = command), ...);
}

// UTF-8 text into a rectangle of a canvas, no prefix characters.
inline void DrawTextIn(TCanvas* canvas, TRect r, const std::string& text, UINT flags) {
  std::u16string w = UTF8ToUTF16(text);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  DrawTextW(canvas->Handle(), reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &rc,
            flags | DT_NOPREFIX);
}

}  // namespace mainparts
