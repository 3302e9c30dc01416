#include "framework/StdCtrls.h"

#include <algorithm>

#include "framework/SysUtils.h"
#include "framework/WideText.h"

// ---------------------------------------------------------------------------
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  ControlStyle &= ~csSetCaption;
  FColor = kSysColorFlag | COLOR_WINDOW;
  FFont.OnChange = [this](TObject*) { FontChanged(); };
  SetBounds(0, 0, 121, 21);
}

TCustomEdit::~TCustomEdit() { FFont.OnChange = nullptr; }

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = u"EDIT";
  p.WinClassName = u"TessEdit";
  p.Style |= ES_AUTOHSCROLL;
  if (FBorder) p.Style |= WS_BORDER;
  if (FPasswordChar) p.Style |= ES_PASSWORD;
}

void TCustomEdit::CreateWindowHandle(const TCreateParams& params) {
  TWinControl::CreateWindowHandle(params);
  if (!FHandle) return;
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
  if (FMaxLength > 0) SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FPasswordChar) SendMessageW(FHandle, EM_SETPASSWORDCHAR, FPasswordChar, 0);
}

void TCustomEdit::RecreateWnd() {
  if (!FHandle) return;
  std::string text = Text();
  int start = SelStart(), length = SelLength();
  bool focused = Focused();
  FRecreating = true;
  FCaption = text;
  DestroyHandle();
  HandleNeeded();
  FRecreating = false;
  SendMessageW(FHandle, EM_SETSEL, start, start + length);
  if (focused) ::SetFocus(FHandle);
}

std::u16string TCustomEdit::WideText() const {
  HWND h = HandleIfAllocated();
  if (!h) return UTF8ToUTF16(Caption());
  int n = GetWindowTextLengthW(h);
  std::u16string w(static_cast<size_t>(n) + 1, u'\0');
  n = GetWindowTextW(h, reinterpret_cast<LPWSTR>(&w[0]), n + 1);
  w.resize(static_cast<size_t>(std::max(0, n)));
  return w;
}

std::string TCustomEdit::Text() const { return UTF16ToUTF8(WideText()); }

void TCustomEdit::SetText(const std::string& value) {
  // The caption carries the text into a window made later.
  SetCaption(value);
  if (HWND h = HandleIfAllocated()) {
    if (Text() != value) SetWindowTextW(h, W(UTF8ToUTF16(value).c_str()));
  }
}

void TCustomEdit::SetMaxLength(int value) {
  FMaxLength = std::max(0, value);
  if (FHandle) SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

int TCustomEdit::SelStart() const {
  if (!HandleIfAllocated()) return 0;
  DWORD s = 0, e = 0;
  SendMessageW(HandleIfAllocated(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<int>(s);
}

void TCustomEdit::SetSelStart(int value) {
  if (HWND h = Handle()) SendMessageW(h, EM_SETSEL, value, value);
}

int TCustomEdit::SelLength() const {
  if (!HandleIfAllocated()) return 0;
  DWORD s = 0, e = 0;
  SendMessageW(HandleIfAllocated(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<int>(e) - static_cast<int>(s);
}

void TCustomEdit::SetSelLength(int value) {
  int s = SelStart();
  if (HWND h = Handle()) SendMessageW(h, EM_SETSEL, s, s + value);
}

std::string TCustomEdit::SelText() const {
  std::u16string w = WideText();
  int s = std::min<int>(SelStart(), static_cast<int>(w.size()));
  int n = std::max(0, std::min<int>(SelLength(), static_cast<int>(w.size()) - s));
  return UTF16ToUTF8(w.substr(static_cast<size_t>(s), static_cast<size_t>(n)));
}

void TCustomEdit::SetSelText(const std::string& value) {
  if (HWND h = Handle())
    SendMessageW(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(UTF8ToUTF16(value).c_str()));
}

void TCustomEdit::SelectAll() {
  if (HWND h = Handle()) SendMessageW(h, EM_SETSEL, 0, -1);
}

bool TCustomEdit::CanUndo() const {
  return HandleIfAllocated() && SendMessageW(HandleIfAllocated(), EM_CANUNDO, 0, 0) != 0;
}

void TCustomEdit::Undo() {
  if (HWND h = Handle()) SendMessageW(h, WM_UNDO, 0, 0);
}
void TCustomEdit::ClearSelection() {
  if (HWND h = Handle()) SendMessageW(h, WM_CLEAR, 0, 0);
}
void TCustomEdit::CopyToClipboard() {
  if (HWND h = Handle()) SendMessageW(h, WM_COPY, 0, 0);
}
void TCustomEdit::CutToClipboard() {
  if (HWND h = Handle()) SendMessageW(h, WM_CUT, 0, 0);
}
void TCustomEdit::PasteFromClipboard() {
  if (HWND h = Handle()) SendMessageW(h, WM_PASTE, 0, 0);
}

bool TCustomEdit::Modified() const {
  return HandleIfAllocated() && SendMessageW(HandleIfAllocated(), EM_GETMODIFY, 0, 0) != 0;
}
void TCustomEdit::SetModified(bool value) {
  if (HWND h = Handle()) SendMessageW(h, EM_SETMODIFY, value ? TRUE : FALSE, 0);
}

void TCustomEdit::SetPasswordChar(char16_t value) {
  if (value == FPasswordChar) return;
  FPasswordChar = value;
  RecreateWnd();
}

void TCustomEdit::SetBorderVisible(bool value) {
  if (value == FBorder) return;
  FBorder = value;
  RecreateWnd();
}

void TCustomEdit::FontChanged() {
  if (FHandle) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
  Perform(CM_FONTCHANGED, 0, 0);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
  TWinControl::DoEnter();
}

void TCustomEdit::WndProc(TMessage& m) {
  // The system class paints the text, its frame and its background.
  if (LetSystemClassPaint(m)) return;
  switch (m.Msg) {
    case WM_SETFOCUS:
      TWinControl::WndProc(m);
      if (AutoSelect && !(GetWindowLongW(FHandle, GWL_STYLE) & ES_MULTILINE) && !(GetKeyState(VK_LBUTTON) < 0))
        SelectAll();
      return;
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && !FRecreating) Change();
      break;
    case WM_SETTEXT:
      // A multi-line window reports no change for a new text; the program
      // still hears of it, as with a one-line edit.
      DefaultHandler(m);
      if (FHandle && (GetWindowLongW(FHandle, GWL_STYLE) & ES_MULTILINE) && !FRecreating) Change();
      return;
    case CM_FONTCHANGED:
      Invalidate();
      return;
    default:
      break;
  }
  TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) {
  AutoSelect = false;
  SetBounds(0, 0, 185, 89);
}

void TMemo::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  p.WinClassName = u"TessMemo";
  p.Style &= ~ES_AUTOHSCROLL;
  p.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (!FWordWrap || FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= ES_AUTOHSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
  static const DWORD kAlign[3] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  p.Style |= kAlign[std::max(0, std::min(2, FAlignment))];
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  RecreateWnd();
}

void TMemo::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  RecreateWnd();
}

void TMemo::SetTextAlignment(int value) {
  if (value == FAlignment) return;
  FAlignment = value;
  RecreateWnd();
}

int TMemo::CaretLine() const {
  return HandleIfAllocated() ? static_cast<int>(SendMessageW(HandleIfAllocated(), EM_LINEFROMCHAR, -1, 0)) : 0;
}

int TMemo::FirstVisibleLine() const {
  return HandleIfAllocated() ? static_cast<int>(SendMessageW(HandleIfAllocated(), EM_GETFIRSTVISIBLELINE, 0, 0))
                             : 0;
}

// ---------------------------------------------------------------------------
// TMemoStrings: the text is the lines joined by CR LF, with no line break
// after the last one unless an empty last line is meant.

std::vector<std::string> TMemoStrings::Split() const {
  std::string t = FMemo->Text();
  std::vector<std::string> lines;
  if (t.empty()) return lines;
  size_t start = 0;
  for (;;) {
    size_t p = t.find('\n', start);
    if (p == std::string::npos) {
      lines.push_back(t.substr(start));
      break;
    }
    size_t end = (p > start && t[p - 1] == '\r') ? p - 1 : p;
    lines.push_back(t.substr(start, end - start));
    start = p + 1;
    if (start == t.size()) break;
  }
  return lines;
}

void TMemoStrings::Join(const std::vector<std::string>& lines) {
  std::string t;
  for (const std::string& l : lines) {
    t += l;
    t += "\r\n";
  }
  FMemo->SetText(t);
}

int TMemoStrings::Count() const { return static_cast<int>(Split().size()); }

const std::string& TMemoStrings::Get(int index) const {
  std::vector<std::string> lines = Split();
  if (index < 0 || index >= static_cast<int>(lines.size())) Error("List index out of bounds", index);
  FLast = lines[static_cast<size_t>(index)];
  return FLast;
}

void TMemoStrings::Put(int index, const std::string& s) {
  std::vector<std::string> lines = Split();
  if (index < 0 || index >= static_cast<int>(lines.size())) Error("List index out of bounds", index);
  lines[static_cast<size_t>(index)] = s;
  Join(lines);
}

void TMemoStrings::Insert(int index, const std::string& s) {
  std::vector<std::string> lines = Split();
  if (index < 0 || index > static_cast<int>(lines.size())) Error("List index out of bounds", index);
  lines.insert(lines.begin() + index, s);
  Join(lines);
}

void TMemoStrings::Delete(int index) {
  std::vector<std::string> lines = Split();
  if (index < 0 || index >= static_cast<int>(lines.size())) Error("List index out of bounds", index);
  lines.erase(lines.begin() + index);
  Join(lines);
}

void TMemoStrings::Clear() { FMemo->SetText(""); }
