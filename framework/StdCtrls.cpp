#include "framework/StdCtrls.h"

#include "framework/SysUtils.h"

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  ControlStyle &= ~csSetCaption;
  SetBounds(0, 0, 121, 21);
}

void TEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = u"EDIT";
  p.WinClassName = u"TessEdit";
  p.Style |= ES_AUTOHSCROLL | WS_BORDER;
}

std::string TEdit::Text() const {
  HWND h = HandleIfAllocated();
  if (!h) return Caption();
  int n = GetWindowTextLengthW(h);
  std::u16string w(static_cast<size_t>(n) + 1, u'\0');
  n = GetWindowTextW(h, reinterpret_cast<LPWSTR>(&w[0]), n + 1);
  w.resize(static_cast<size_t>(std::max(0, n)));
  return UTF16ToUTF8(w);
}

void TEdit::SetText(const std::string& value) {
  // The caption carries the text into a window made later.
  SetCaption(value);
  if (HWND h = HandleIfAllocated()) {
    if (Text() != value) SetWindowTextW(h, reinterpret_cast<LPCWSTR>(UTF8ToUTF16(value).c_str()));
  }
}

void TEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    // The system class paints the text, its frame and its background.
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
      DefaultHandler(m);
      return;
    case WM_GETDLGCODE:
      DefaultHandler(m);
      return;
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && OnChange) OnChange(this);
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}
