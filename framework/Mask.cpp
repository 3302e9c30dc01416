#include "framework/Mask.h"

#include <cwctype>

char16_t LocaleTimeSeparator() {
  WCHAR buf[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, 8) > 0 && buf[0]) return static_cast<char16_t>(buf[0]);
  return u':';
}

namespace {
char16_t LocaleDateSeparator() {
  WCHAR buf[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDATE, buf, 8) > 0 && buf[0]) return static_cast<char16_t>(buf[0]);
  return u'/';
}
bool IsMaskChar(char16_t c) {
  switch (c) {
    case u'0': case u'9': case u'L': case u'l': case u'A': case u'a': case u'C': case u'c': case u'#':
      return true;
    default:
      return false;
  }
}
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
}  // namespace

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const std::string& value) {
  std::u16string w = UTF8ToUTF16(value);
  // The fields after the mask itself: literals saved (always here), blank.
  std::u16string mask = w;
  FBlank = u' ';
  size_t semi = std::u16string::npos;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == u'\\') {
      ++i;
      continue;
    }
    if (w[i] == u';') {
      semi = i;
      break;
    }
  }
  if (semi != std::u16string::npos) {
    mask = w.substr(0, semi);
    size_t second = w.find(u';', semi + 1);
    if (second != std::u16string::npos && second + 1 < w.size()) FBlank = w[second + 1];
  }
  std::u16string old = WideText();
  FEditMask = value;
  FPlaces.clear();
  for (size_t i = 0; i < mask.size(); ++i) {
    char16_t c = mask[i];
    if (c == u'!' || c == u'>' || c == u'<') continue;
    if (c == u'\\' && i + 1 < mask.size()) {
      FPlaces.push_back({mask[++i], true});
      continue;
    }
    if (c == u':') c = LocaleTimeSeparator();
    else if (c == u'/') c = LocaleDateSeparator();
    else if (IsMaskChar(c)) {
      FPlaces.push_back({c, false});
      continue;
    }
    FPlaces.push_back({c, true});
  }
  if (IsMasked()) {
    SetMaxLength(MaskLength());
    SetWideText(FormatToMask(old), 0);
  } else {
    SetMaxLength(0);
  }
}

bool TCustomMaskEdit::IsInputPlace(int index) const {
  return index >= 0 && index < MaskLength() && !FPlaces[static_cast<size_t>(index)].Literal;
}

int TCustomMaskEdit::NextInputPlace(int index) const {
  for (int i = std::max(0, index); i < MaskLength(); ++i)
    if (IsInputPlace(i)) return i;
  return -1;
}

bool TCustomMaskEdit::CharFits(int index, char16_t ch) const {
  if (!IsInputPlace(index)) return false;
  switch (FPlaces[static_cast<size_t>(index)].Ch) {
    case u'0': case u'9': return IsDigit(ch);
    case u'#': return IsDigit(ch) || ch == u'+' || ch == u'-';
    case u'L': case u'l': return std::iswalpha(ch) != 0;
    case u'A': case u'a': return std::iswalnum(ch) != 0;
    default: return ch >= 32;
  }
}

std::u16string TCustomMaskEdit::BlankText() const {
  std::u16string t;
  for (const TPlace& p : FPlaces) t += p.Literal ? p.Ch : FBlank;
  return t;
}

std::u16string TCustomMaskEdit::FormatToMask(const std::u16string& text) const {
  std::u16string t = BlankText();
  for (int i = 0; i < MaskLength() && i < static_cast<int>(text.size()); ++i)
    if (IsInputPlace(i)) t[static_cast<size_t>(i)] = text[static_cast<size_t>(i)];
  return t;
}

void TCustomMaskEdit::SetWideText(const std::u16string& text, int caret) {
  std::string u = UTF16ToUTF8(text);
  TCustomEdit::SetText(u);
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_SETSEL, caret, caret);
}

void TCustomMaskEdit::SetText(const std::string& value) {
  if (!IsMasked()) {
    TCustomEdit::SetText(value);
    return;
  }
  SetWideText(FormatToMask(UTF8ToUTF16(value)), 0);
}

void TCustomMaskEdit::BlankSelection(bool backspace) {
  std::u16string t = WideText();
  if (static_cast<int>(t.size()) != MaskLength()) t = FormatToMask(t);
  int s = SelStart(), n = SelLength();
  if (n == 0) {
    if (backspace) {
      // The nearest input place before the caret.
      int p = s - 1;
      while (p >= 0 && !IsInputPlace(p)) --p;
      if (p < 0) return;
      t[static_cast<size_t>(p)] = FBlank;
      SetWideText(t, p);
    } else {
      int p = NextInputPlace(s);
      if (p < 0) return;
      t[static_cast<size_t>(p)] = FBlank;
      SetWideText(t, s);
    }
  } else {
    for (int i = s; i < s + n && i < MaskLength(); ++i)
      if (IsInputPlace(i)) t[static_cast<size_t>(i)] = FBlank;
    SetWideText(t, s);
  }
  SetModified(true);
}

bool TCustomMaskEdit::InputChar(char16_t ch) {
  std::u16string t = WideText();
  if (static_cast<int>(t.size()) != MaskLength()) t = FormatToMask(t);
  int s = SelStart(), n = SelLength();
  int p = NextInputPlace(s);
  if (p < 0 || !CharFits(p, ch)) return false;
  // A selection is emptied first; the character takes its first place.
  for (int i = s; i < s + n && i < MaskLength(); ++i)
    if (IsInputPlace(i)) t[static_cast<size_t>(i)] = FBlank;
  t[static_cast<size_t>(p)] = ch;
  int next = NextInputPlace(p + 1);
  SetWideText(t, next < 0 ? MaskLength() : next);
  SetModified(true);
  return true;
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked()) return;
  std::u16string t = WideText();
  for (int i = 0; i < MaskLength(); ++i) {
    if (!IsInputPlace(i)) continue;
    char16_t m = FPlaces[static_cast<size_t>(i)].Ch;
    bool required = m == u'0' || m == u'L' || m == u'A' || m == u'C';
    char16_t c = i < static_cast<int>(t.size()) ? t[static_cast<size_t>(i)] : FBlank;
    if (required && (c == FBlank || c == u' '))
      throw EInvalidMaskInput("Invalid input value. Use escape key to abandon changes");
  }
}

void TCustomMaskEdit::DoExit() {
  if (IsMasked() && Modified()) ValidateEdit();
  TCustomEdit::DoExit();
}

void TCustomMaskEdit::WndProc(TMessage& m) {
  if (IsMasked()) {
    switch (m.Msg) {
      case WM_CHAR: {
        char16_t key = static_cast<char16_t>(m.WParam);
        PreviewKeyPress(key);
        if (key != 0) KeyPress(key);
        if (key == 0) return;
        if (key == 8) {
          BlankSelection(true);
          return;
        }
        // Other control characters (copy, select all...) go to the window.
        if (key < 32) {
          m.WParam = key;
          TControl::WndProc(m);
          return;
        }
        if (!InputChar(key)) MessageBeep(0);
        return;
      }
      case WM_KEYDOWN: {
        WORD key = static_cast<WORD>(m.WParam);
        PreviewKeyDown(key, KeyDataToShiftState(m.LParam));
        if (key != 0) KeyDown(key, KeyDataToShiftState(m.LParam));
        if (key == 0) return;
        if (key == VK_DELETE) {
          BlankSelection(false);
          return;
        }
        TControl::WndProc(m);
        return;
      }
      case WM_CUT:
        CopyToClipboard();
        BlankSelection(false);
        return;
      case WM_CLEAR:
        BlankSelection(false);
        return;
      case WM_PASTE:
      case WM_UNDO:
        // Pasted or restored text could break the mask.
        return;
      default:
        break;
    }
  }
  TCustomEdit::WndProc(m);
}
