#include "skin/controls/SkinEdits.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/controls/SkinDraw.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"

// ---------------------------------------------------------------------------
// Edit menu

namespace {


void DefaultEditMenuPopup(TWinControl* control, TspEditMenuItems& items, POINT p) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].Key == "-") {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::u16string caption = UTF8ToUTF16(items[i].Caption);
    AppendMenuW(menu, MF_STRING | (items[i].Enabled ? 0u : MF_GRAYED), i + 1, W(caption.c_str()));
  }
  UINT cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, p.x, p.y, 0,
                            control->Handle(), nullptr);
  DestroyMenu(menu);
  if (cmd >= 1 && cmd <= items.size() && items[cmd - 1].Enabled && items[cmd - 1].Action) items[cmd - 1].Action();
}

char16_t DecimalSeparator() {
  WCHAR buf[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0]) return static_cast<char16_t>(buf[0]);
  return u'.';
}

std::u16string StripLineBreaks(const std::u16string& s) {
  std::u16string r;
  for (char16_t c : s)
    if (c != u'\r' && c != u'\n') r += c;
  return r;
}

}  // namespace

TspEditMenuPopup& EditMenuPopupHandler() {
  static TspEditMenuPopup handler = DefaultEditMenuPopup;
  return handler;
}

std::string EditMenuCaption(TspSkinData* skin, const std::string& key) {
  if (skin && skin->ResourceStrData()) {
    std::string s = skin->ResourceStrData()->GetResStr(key);
    if (!s.empty()) return s;
  }
  static const std::pair<const char*, const char*> kTexts[] = {
      {"EDIT_UNDO", "Undo"},     {"EDIT_CUT", "Cut"},       {"EDIT_COPY", "Copy"},
      {"EDIT_PASTE", "Paste"},   {"EDIT_DELETE", "Delete"}, {"EDIT_SELECTALL", "Select All"}};
  for (auto& t : kTexts)
    if (key == t.first) return t.second;
  return key;
}

bool ClipboardHasText() {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return false;
  bool has = false;
  if (OpenClipboard(nullptr)) {
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      if (auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
        has = p[0] != 0;
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
  }
  return has;
}

TspEditMenuItems BuildEditMenuItems(TspSkinData* skin, bool canUndo, bool hasSelection, bool readOnly,
                                    bool clipboardHasText, bool allSelected, std::function<void()> undo,
                                    std::function<void()> cut, std::function<void()> copy,
                                    std::function<void()> paste, std::function<void()> clear,
                                    std::function<void()> selectAll) {
  auto item = [skin](const std::string& key, bool enabled, std::function<void()> action) {
    return TspEditMenuItem{key, EditMenuCaption(skin, key), enabled, std::move(action)};
  };
  return {item("EDIT_UNDO", canUndo, std::move(undo)),
          TspEditMenuItem{"-", "-", true, nullptr},
          item("EDIT_CUT", hasSelection && !readOnly, std::move(cut)),
          item("EDIT_COPY", hasSelection, std::move(copy)),
          item("EDIT_PASTE", clipboardHasText && !readOnly, std::move(paste)),
          item("EDIT_DELETE", hasSelection && !readOnly, std::move(clear)),
          TspEditMenuItem{"-", "-", true, nullptr},
          item("EDIT_SELECTALL", !allSelected, std::move(selectAll))};
}

// ---------------------------------------------------------------------------
// TspCustomEdit

TspCustomEdit::TspCustomEdit(TComponent* owner) : TCustomMaskEdit(owner) {
  ControlStyle |= csOpaque;
  FBorder = false;
}

TspCustomEdit::~TspCustomEdit() = default;

void TspCustomEdit::CreateParams(TCreateParams& p) {
  TCustomMaskEdit::CreateParams(p);
  p.Style &= ~WS_BORDER;
  p.ExStyle &= ~WS_EX_CLIENTEDGE;
  if (FEditTransparent) p.ExStyle |= WS_EX_TRANSPARENT;
  if (FPasswordChar)
    p.Style |= ES_PASSWORD;
  else
    p.Style |= ES_MULTILINE;
}

void TspCustomEdit::CreateWindowHandle(const TCreateParams& params) {
  TCustomMaskEdit::CreateWindowHandle(params);
  SetMargins();
}

void TspCustomEdit::SetMargins() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 0));
}

void TspCustomEdit::SetEditTransparent(bool value) {
  if (value == FEditTransparent) return;
  FEditTransparent = value;
  RecreateWnd();
}

void TspCustomEdit::SetText(const std::string& value) {
  if (SingleLine() && value.find_first_of("\r\n") != std::string::npos) {
    TCustomMaskEdit::SetText(UTF16ToUTF8(StripLineBreaks(UTF8ToUTF16(value))));
    return;
  }
  TCustomMaskEdit::SetText(value);
}

void TspCustomEdit::Invalidate() {
  HWND h = HandleIfAllocated();
  if (FEditTransparent && h && Parent() && Parent()->HandleAllocated()) {
    RECT r = ClientRect();
    MapWindowPoints(h, Parent()->HandleIfAllocated(), reinterpret_cast<POINT*>(&r), 2);
    InvalidateRect(Parent()->HandleIfAllocated(), &r, TRUE);
    InvalidateRect(h, nullptr, TRUE);
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DRAWFRAME);
    return;
  }
  TCustomMaskEdit::Invalidate();
}

TspEditMenuItems TspCustomEdit::CreateSysPopupMenuItems() {
  int start = SelStart(), length = SelLength();
  int textLength = static_cast<int>(WideText().size());
  bool all = start == 0 && start + length == textLength;
  return BuildEditMenuItems(
      MenuSkin(), CanUndo(), length > 0, FReadOnly, ClipboardHasText(), all, [this] { Undo(); },
      [this] { CutToClipboard(); }, [this] { CopyToClipboard(); }, [this] { PasteFromClipboard(); },
      [this] { ClearSelection(); }, [this] { SelectAll(); });
}

void TspCustomEdit::ShowSysPopupMenu(POINT p) {
  if (p.x < 0 || p.y < 0) p = ClientToScreen(POINT{Width() / 2, Height() / 2});
  TspEditMenuItems items = CreateSysPopupMenuItems();
  FSysPopupMenu = true;
  EditMenuPopupHandler()(this, items, p);
  // The menu is done with once its command ran (the skinned menu says so
  // with its after-dispatch message; the system menu returns only then).
  FSysPopupMenu = false;
}

void TspCustomEdit::WndProc(TMessage& m) {
  // Enter and Escape go to the form (below), read-only or not.
  bool formKey = m.Msg == WM_CHAR && (m.WParam == 13 || m.WParam == 27);
  if (FReadOnly && !formKey && ReadOnlyRefuses(m)) return;
  bool repaint = false;
  switch (m.Msg) {
    case WM_CHAR: {
      char16_t key = static_cast<char16_t>(m.WParam);
      if (key == 13 || key == 27) {
        // Enter and Escape never reach the window: the form's default and
        // cancel buttons take them.
        if (OnKeyPress) {
          char16_t copy = key;
          OnKeyPress(this, copy);
        }
        if (TCustomForm* form = GetParentForm()) form->Perform(CM_DIALOGKEY, key, m.LParam);
        m.Result = 0;
        return;
      }
      if (key == 10 && SingleLine()) return;
      repaint = true;
      break;
    }
    case WM_PASTE:
      if (SingleLine() && !IsMasked()) {
        // Pasted line breaks would make the one-line edit show two lines.
        std::u16string text;
        if (OpenClipboard(HandleIfAllocated())) {
          if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
              text = p;
              GlobalUnlock(h);
            }
          }
          CloseClipboard();
        }
        text = StripLineBreaks(text);
        SendMessageW(HandleIfAllocated(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        if (FEditTransparent) Invalidate();
        return;
      }
      repaint = true;
      break;
    case WM_SETTEXT:
      if (SingleLine() && m.LParam) {
        std::u16string text = reinterpret_cast<const char16_t*>(m.LParam);
        if (text.find_first_of(u"\r\n") != std::u16string::npos) {
          text = StripLineBreaks(text);
          m.LParam = reinterpret_cast<LPARAM>(text.c_str());
          TCustomMaskEdit::WndProc(m);
          if (FEditTransparent) Invalidate();
          return;
        }
      }
      repaint = true;
      break;
    case WM_CONTEXTMENU:
      ShowSysPopupMenu(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      m.Result = 0;
      return;
    case SP_AFTERDISPATCH:
      FSysPopupMenu = false;
      return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
      if (FEditTransparent) {
        AnswerTransparentTextColor(m, TextColor());
        return;
      }
      break;
    case WM_ERASEBKGND:
      // What lies under a transparent edit is the parent's to paint.
      if (FEditTransparent) {
        m.Result = 1;
        return;
      }
      break;
    case WM_SETFONT:
      TCustomMaskEdit::WndProc(m);
      SetMargins();
      return;
    case WM_LBUTTONDOWN:
      FDown = true;
      repaint = true;
      break;
    case WM_LBUTTONUP:
      FDown = false;
      break;
    case WM_MOUSEMOVE:
      repaint = FDown;
      break;
    case WM_SETFOCUS:
      TCustomMaskEdit::WndProc(m);
      // The window is a multi-line one, which the framework leaves as it is.
      if (AutoSelect && SingleLine() && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      if (FEditTransparent) Invalidate();
      return;
    case WM_KEYDOWN:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case WM_MOVE:
    case WM_KILLFOCUS:
      repaint = true;
      break;
    case CM_CANCELMODE:
      TCustomMaskEdit::WndProc(m);
      if (OnEditCancelMode) OnEditCancelMode(reinterpret_cast<TControl*>(m.LParam));
      return;
    default:
      break;
  }
  TCustomMaskEdit::WndProc(m);
  if (repaint && FEditTransparent) Invalidate();
}

// ---------------------------------------------------------------------------
// TspSkinNumEdit

TspSkinNumEdit::TspSkinNumEdit(TComponent* owner) : TspCustomEdit(owner) {}

bool TspSkinNumEdit::IsValidChar(char16_t ch) const {
  char16_t sep = DecimalSeparator();
  bool digit = ch >= u'0' && ch <= u'9';
  bool control = ch < 32 && ch != 13;
  bool valid = Float ? (ch == u'-' || digit || ch == sep || control) : (ch == u'-' || digit || control);
  if (!EditorEnabled && valid && (ch >= 32 || ch == 8 || ch == 46)) valid = false;
  std::u16string text = WideText();
  if (ch == sep) return valid && text.find(sep) == std::u16string::npos;
  if (ch == u'-' && text.find(u'-') != std::u16string::npos) return false;
  return valid;
}

void TspSkinNumEdit::KeyPress(char16_t& key) {
  if (!IsValidChar(key)) {
    key = 0;
    MessageBeep(0);
    return;
  }
  TspCustomEdit::KeyPress(key);
}

void TspSkinNumEdit::KeyDown(WORD& key, TShiftState shift) {
  if (key == VK_UP) {
    key = 0;
    if (OnUpClick) OnUpClick(this);
    return;
  }
  if (key == VK_DOWN) {
    key = 0;
    if (OnDownClick) OnDownClick(this);
    return;
  }
  TspCustomEdit::KeyDown(key, shift);
}

bool TspSkinNumEdit::DoMouseWheel(TShiftState, int wheelDelta, POINT) {
  if (wheelDelta <= 0) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
  return true;
}

// ---------------------------------------------------------------------------
// TspSkinCustomEdit

TspSkinCustomEdit::TspSkinCustomEdit(TComponent* owner) : TspSkinEditLook(owner, "edit") {
  FEditTransparent = true;
  SetBounds(Left(), Top(), Width(), 20);
}

TspSkinCustomEdit::~TspSkinCustomEdit() { FLeaveTimer.Stop(); }

void TspSkinCustomEdit::CreateParams(TCreateParams& p) {
  TspCustomEdit::CreateParams(p);
  p.ExStyle &= ~WS_EX_TRANSPARENT;
  static const DWORD kAlign[3] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  p.Style |= kAlign[std::max(0, std::min(2, FAlignment))];
}

void TspSkinCustomEdit::GetSkinData() {
  auto* e = ReadEditElement<TspDataSkinEditControl>();
  if (!e) return;
  LOffset = e->LTPoint.X;
  ROffset = SkinWidth() - e->RTPoint.X;
  SkinButtonRect = ToRECT(e->ButtonRect);
  ActiveButtonRect = ToRECT(e->ActiveButtonRect);
  DownButtonRect = IsEmptyRECT(ToRECT(e->DownButtonRect)) ? ActiveButtonRect : ToRECT(e->DownButtonRect);
  UnEnabledButtonRect = ToRECT(e->UnEnabledButtonRect);
}

void TspSkinCustomEdit::SetStateFontColor() {
  if (!Enabled())
    FTextColor = FIndex == -1 ? GetSysColor(COLOR_GRAYTEXT) : DisabledFontColor;
  else if (FIndex == -1)
    FTextColor = FDefaultFont.Color;
  else
    FTextColor = (Focused() || FMouseIn) ? ActiveFontColor : FontColor;
}

void TspSkinCustomEdit::ChangeSkinData() {
  GetSkinData();
  if (FIndex == -1) {
    FDefaultFont.AssignTo(&FFont);
    if (FDefaultWidth > 0) SetWidth(FDefaultWidth);
    if (FDefaultHeight > 0) SetHeight(FDefaultHeight);
  } else if (FUseSkinFont) {
    TspFontDesc f = SkinFont;
    f.Color = FontColor;
    f.AssignTo(&FFont);
    SetHeight(SkinHeight());
  } else {
    FDefaultFont.AssignTo(&FFont);
  }
  ApplySkinCharset();
  if (HWND h = HandleIfAllocated())
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetStateFontColor();
  if (!FUseSkinFont) AdjustHeight();
  CalcEditRect();
  if (FImages) AdjustTextRect(true);
  RepaintFrame();
  Invalidate();
}

void TspSkinCustomEdit::SetDefaultColor(TColorValue value) {
  FDefaultColor = value;
  if (FIndex == -1) Invalidate();
}

void TspSkinCustomEdit::SetDefaultWidth(int value) {
  FDefaultWidth = value;
  GetSkinData();
  if (FIndex == -1 && value > 0) SetWidth(value);
}

void TspSkinCustomEdit::SetDefaultHeight(int value) {
  FDefaultHeight = value;
  GetSkinData();
  if (FIndex == -1 && value > 0) {
    if (FUseSkinFont)
      SetHeight(value);
    else
      AdjustHeight();
  }
}

void TspSkinCustomEdit::SetButtonMode(bool value) {
  if (!AssignChanged(FButtonMode, value)) return;
  CalcEditRect();
  if (HWND h = HandleIfAllocated())
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RepaintFrame();
}

void TspSkinCustomEdit::SetAlignment(int value) {
  if (AssignChanged(FAlignment, value)) RecreateWnd();
}

void TspSkinCustomEdit::SetAlphaBlend(bool value) {
  if (!AssignChanged(FAlphaBlend, value)) return;
  RepaintFrame();
  Invalidate();
}

void TspSkinCustomEdit::SetAlphaBlendValue(int value) {
  FAlphaBlendValue = std::max(0, std::min(255, value));
  if (FAlphaBlend) {
    RepaintFrame();
    Invalidate();
  }
}

void TspSkinCustomEdit::SetImages(TCustomImageList* value) {
  if (!FImages.Set(value)) return;
  AdjustTextRect(true);
  GetSkinData();
  if (!(FIndex != -1 && FUseSkinFont)) AdjustHeight();
  Invalidate();
}

void TspSkinCustomEdit::SetButtonImageIndex(int value) {
  if (AssignChanged(FButtonImageIndex, value)) RepaintFrame();
}

void TspSkinCustomEdit::SetLeftImageIndex(int value) {
  FLeftImageIndex = value;
  AdjustTextRect(true);
  Invalidate();
}

void TspSkinCustomEdit::SetRightImageIndex(int value) {
  FRightImageIndex = value;
  AdjustTextRect(true);
  Invalidate();
}

void TspSkinCustomEdit::Invalidate() {
  // The edit paints its own background: only its client area is due.
  if (HWND h = HandleIfAllocated()) InvalidateRect(h, nullptr, FALSE);
}

void TspSkinCustomEdit::CalcEditRect() {
  int w = Width(), h = Height();
  if (FIndex == -1) {
    if (FButtonMode) {
      FButtonRect = RECT{w - h, 0, w, h};
      FEditRect = RECT{2, 2, FButtonRect.left - 2, h - 2};
    } else {
      FButtonRect = RECT{};
      FEditRect = RECT{2, 2, w - 2, h - 2};
    }
    return;
  }
  int dx = w - SkinWidth();
  FEditRect = ClRect;
  FEditRect.right += dx;
  FButtonRect = SkinButtonRect;
  if (FButtonRect.left >= SkinWidth() - ROffset) OffsetRect(&FButtonRect, dx, 0);
  if (!FUseSkinFont) {
    int dy = h - SkinHeight();
    FEditRect.bottom += dy;
    FButtonRect.bottom += dy;
  }
  if (!FButtonMode) FButtonRect = RECT{};
}

int TspSkinCustomEdit::CalcHeight() {
  int h = FontTextHeight(&FFont);
  int imageHeight = FImages ? FImages->Height() : 0;
  if (FIndex == -1) {
    if (FImages && h + 2 < imageHeight) return imageHeight;
    return h + 6;
  }
  return std::max(h, imageHeight) + SkinHeight() - (ClRect.bottom - ClRect.top);
}

void TspSkinCustomEdit::AdjustHeight() { SetHeight(CalcHeight()); }

void TspSkinCustomEdit::SetBounds(int left, int top, int width, int height) {
  GetSkinData();
  if (FIndex == -1) {
    if (FAlign != alClient && FAlign != alLeft && FAlign != alRight) height = CalcHeight();
  } else if (width != Width() || height != Height()) {
    height = FUseSkinFont ? SkinHeight() : CalcHeight();
  }
  TspCustomEdit::SetBounds(left, top, width, height);
  CalcEditRect();
  Invalidate();
  RepaintFrame();
}

void TspSkinCustomEdit::AdjustTextRect(bool apply) {
  if (!FImages) return;
  FLeftButton.R = RECT{};
  FRightButton.R = RECT{};
  HWND h = HandleIfAllocated();
  RECT r{};
  if (h) GetClientRect(h, &r);
  int iw = FImages->Width();
  if (FLeftImageIndex >= 0) {
    FLeftButton.R = RECT{r.left, r.top, r.left + iw, r.bottom};
    r.left += iw + 2;
  }
  if (FRightImageIndex >= 0) {
    FRightButton.R = RECT{r.right - iw, r.top, r.right, r.bottom};
    r.right -= iw + 2;
  }
  if (apply && h) SendMessageW(h, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TspSkinCustomEdit::DrawEditBackground(TspPaintBuffer& b, const RECT& r) {
  if (IsEmptyRECT(r)) return;
  if (FIndex == -1 || !Picture) {
    b.Fill(r, ColorToRGBValue(FDefaultColor));
    return;
  }
  RECT src = (FMouseIn || Focused()) ? ActiveSkinRect : SkinRect;
  int cw = ClRect.right - ClRect.left, ch = ClRect.bottom - ClRect.top;
  if (cw <= 0 || ch <= 0) {
    b.Fill(r, ColorToRGBValue(FDefaultColor));
    return;
  }
  RECT part{src.left + ClRect.left, src.top + ClRect.top, src.left + ClRect.left + cw, src.top + ClRect.top + ch};
  int rw = r.right - r.left;
  int leftEnd = std::max(0, LOffset - static_cast<int>(ClRect.left));
  int rightEnd = std::max(0, static_cast<int>(ClRect.right) - (SkinWidth() - ROffset));
  TspPaintBuffer strip(rw, ch);
  DrawHorzThreePart(strip, ImageSourceOf(Picture), part, leftEnd, rightEnd, StretchEffect);
  if (FUseSkinFont)
    strip.DrawTo(b.DC(), r.left, r.top);
  else
    StretchBlt(b.DC(), r.left, r.top, rw, r.bottom - r.top, strip.DC(), 0, 0, rw, ch, SRCCOPY);
}

void TspSkinCustomEdit::DrawEditImages(HDC dc, POINT origin) {
  if (!FImages) return;
  auto draw = [&](const TspCBButtonX& area, int normal, int hot, int down) {
    int index = normal;
    if (area.Down && area.MouseIn && down >= 0 && down < FImages->Count())
      index = down;
    else if (area.MouseIn && hot >= 0 && hot < FImages->Count())
      index = hot;
    if (index < 0 || index >= FImages->Count() || IsEmptyRECT(area.R)) return;
    int y = std::max<int>(area.R.top, area.R.top + (area.R.bottom - area.R.top) / 2 - FImages->Height() / 2);
    TCanvas canvas;
    canvas.SetHandle(dc);
    FImages->Draw(&canvas, origin.x + area.R.left, origin.y + y, index, Enabled());
    canvas.SetHandle(nullptr);
  };
  if (FLeftImageIndex >= 0) draw(FLeftButton, FLeftImageIndex, LeftImageHotIndex, LeftImageDownIndex);
  if (FRightImageIndex >= 0) draw(FRightButton, FRightImageIndex, RightImageHotIndex, RightImageDownIndex);
}

void TspSkinCustomEdit::DrawButtonImage(TspPaintBuffer& b) {
  if (!FImages || FButtonImageIndex < 0 || FButtonImageIndex >= FImages->Count() || IsEmptyRECT(FButtonRect)) return;
  int x = FButtonRect.left + (FButtonRect.right - FButtonRect.left) / 2 - FImages->Width() / 2;
  int y = FButtonRect.top + (FButtonRect.bottom - FButtonRect.top) / 2 - FImages->Height() / 2;
  FImages->Draw(b.Canvas(), x, y, FButtonImageIndex, Enabled());
}

void TspSkinCustomEdit::DrawSkinButton(TspPaintBuffer& b) {
  TspDataSkinButtonControl* e = nullptr;
  for (const char* name : {"editbutton", "combobutton", "resizebutton"}) {
    int i = FSD ? FSD->GetControlIndex(name) : -1;
    if (i >= 0) e = dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[static_cast<size_t>(i)].get());
    if (e) break;
  }
  if (e) {
    RECT normal = ToRECT(e->SkinRect);
    RECT active = IsEmptyRECT(ToRECT(e->ActiveSkinRect)) ? normal : ToRECT(e->ActiveSkinRect);
    RECT down = IsEmptyRECT(ToRECT(e->DownSkinRect)) ? active : ToRECT(e->DownSkinRect);
    RECT src = (FButtonDown && FButtonActive) ? down : FButtonActive ? active : normal;
    auto pt = [](const TspPoint& p) { return POINT{p.X, p.Y}; };
    DrawGrownPicture(b, FSD.Picture(e->PictureIndex), src, pt(e->LTPoint), pt(e->RTPoint), pt(e->LBPoint),
                   pt(e->RBPoint), ToRECT(e->ClRect), FButtonRect, e->StretchEffect);
  }
  DrawButtonImage(b);
}

void TspSkinCustomEdit::DrawFrame(TspPaintBuffer& b) {
  int w = Width(), h = Height();
  if (FIndex == -1 || !Picture) {
    RECT r{0, 0, FButtonMode ? FButtonRect.left : w, h};
    b.Frame(r, GetSysColor(COLOR_BTNSHADOW));
    InflateRect(&r, -1, -1);
    b.Frame(r, GetSysColor(COLOR_BTNFACE));
    if (FButtonMode && !IsEmptyRECT(FButtonRect)) {
      TspFaceState state = (FButtonDown && FButtonActive) ? fsDownFace : FButtonActive ? fsHotFace : fsNormalFace;
      DrawDefaultFace(b, FButtonRect, state);
      DrawButtonImage(b);
    }
    return;
  }
  RECT src = (FMouseIn || Focused()) ? ActiveSkinRect : SkinRect;
  if (FUseSkinFont) {
    DrawHorzThreePart(b, ImageSourceOf(Picture), src, LOffset, ROffset, StretchEffect);
    if (FButtonMode) {
      RECT part{};
      if (!Enabled() && !IsEmptyRECT(UnEnabledButtonRect))
        part = UnEnabledButtonRect;
      else if (FButtonDown && FButtonActive)
        part = DownButtonRect;
      else if (FButtonActive)
        part = ActiveButtonRect;
      if (!IsEmptyRECT(part)) CopyPicturePart(b, Picture, part, FButtonRect);
      DrawButtonImage(b);
    }
    return;
  }
  // Stretched to the control in every direction, the corners from the client rectangle.
  POINT lt{ClRect.left, ClRect.top}, rt{ClRect.right, ClRect.top}, lb{ClRect.left, ClRect.bottom},
      rb{ClRect.right, ClRect.bottom};
  DrawGrownPicture(b, Picture, src, lt, rt, lb, rb, ClRect, RECT{0, 0, w, h}, StretchEffect);
  if (FButtonMode) DrawSkinButton(b);
}

void TspSkinCustomEdit::PaintFrameTo(TspPaintBuffer& b) {
  GetSkinData();
  CalcEditRect();
  DrawFrame(b);
  if (FAlphaBlend && Parent()) {
    TspPaintBuffer under(b.Width(), b.Height());
    Parent()->PaintBackground(under.DC(), this);
    b.BlendOver(under, FAlphaBlendValue);
  }
}

void TspSkinCustomEdit::RepaintFrame() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_NCPAINT, 1, 0);
}

void TspSkinCustomEdit::PaintClient(HDC dc) {
  HWND h = HandleIfAllocated();
  if (!h) return;
  RECT cr;
  GetClientRect(h, &cr);
  if (IsEmptyRECT(cr)) return;
  TspPaintBuffer b(cr.right, cr.bottom);
  GetSkinData();
  DrawEditBackground(b, cr);
  if (FAlphaBlend && Parent()) {
    TspPaintBuffer under(cr.right, cr.bottom);
    HDC udc = under.DC();
    POINT o{0, 0};
    MapWindowPoints(h, Parent()->HandleIfAllocated(), &o, 1);
    int saved = SaveDC(udc);
    OffsetViewportOrgEx(udc, Left() - o.x, Top() - o.y, nullptr);
    Parent()->PaintBackground(udc, this);
    RestoreDC(udc, saved);
    b.BlendOver(under, FAlphaBlendValue);
  }
  DrawEditImages(b.DC(), POINT{0, 0});
  if (Enabled()) {
    // The window draws its text over the background (its colour request
    // answers with no brush).
    if (FDefWndProc) CallWindowProcW(FDefWndProc, h, WM_PAINT, reinterpret_cast<WPARAM>(b.DC()), 0);
  } else {
    TspFontDesc f = (FIndex != -1 && FUseSkinFont) ? SkinFont : FDefaultFont;
    std::string text = PasswordChar() ? std::string() : Text();
    RECT r = cr;
    if (FImages) {
      if (!IsEmptyRECT(FLeftButton.R)) r.left = FLeftButton.R.right + 2;
      if (!IsEmptyRECT(FRightButton.R)) r.right = FRightButton.R.left - 2;
    }
    r.left += 2;
    b.Text(text, r, f, FTextColor, DT_SINGLELINE | DT_NOPREFIX | AlignmentTextFormat(FAlignment));
  }
  b.DrawTo(dc, 0, 0);
}

bool TspSkinCustomEdit::NeedsHotTrack() const {
  if (FIndex == -1) return FButtonMode || FImages;
  return FButtonMode || FImages || !EqualRect(&ActiveSkinRect, &SkinRect) || FontColor != ActiveFontColor;
}

void TspSkinCustomEdit::DoMouseEnter() {
  FMouseIn = true;
  if (!Focused() && FIndex != -1) {
    FTextColor = Enabled() ? ActiveFontColor : DisabledFontColor;
    RepaintFrame();
    Invalidate();
  }
  if (OnMouseEnter) OnMouseEnter(this);
  // The leave is always watched, so enter and leave come in pairs even
  // when the look does not change.
  FLeaveTimer.Start(100, [this] {
    POINT p;
    GetCursorPos(&p);
    HWND h = HandleIfAllocated();
    if (!h || WindowFromPoint(p) != h) {
      FLeaveTimer.Stop();
      DoMouseLeave();
    }
  });
}

void TspSkinCustomEdit::DoMouseLeave() {
  FMouseIn = false;
  if (!Focused() && FIndex != -1) FTextColor = Enabled() ? FontColor : DisabledFontColor;
  bool frame = FButtonDown || FButtonActive || FLeftButton.MouseIn || FRightButton.MouseIn || FIndex != -1;
  FButtonDown = FButtonActive = false;
  FLeftButton.MouseIn = FRightButton.MouseIn = false;
  if (frame) {
    RepaintFrame();
    Invalidate();
  }
  if (OnMouseLeave) OnMouseLeave(this);
}

LRESULT TspSkinCustomEdit::HitTest(POINT screen) {
  HWND h = HandleIfAllocated();
  RECT wr;
  GetWindowRect(h, &wr);
  POINT wp{screen.x - wr.left, screen.y - wr.top};
  if (FImages) {
    POINT cp = screen;
    ::ScreenToClient(h, &cp);
    bool left = FLeftImageIndex >= 0 && PtInRect(&FLeftButton.R, cp);
    bool right = FRightImageIndex >= 0 && PtInRect(&FRightButton.R, cp);
    if (left != FLeftButton.MouseIn || right != FRightButton.MouseIn) {
      FLeftButton.MouseIn = left;
      FRightButton.MouseIn = right;
      Invalidate();
    }
    if (left) return HT_LEFTIMAGE;
    if (right) return HT_RIGHTIMAGE;
  }
  if (FButtonMode) {
    if (PtInRect(&FButtonRect, wp)) return HTHSCROLL;
    if (!PtInRect(&FEditRect, wp)) return HTVSCROLL;
  }
  return HTCLIENT;
}

void TspSkinCustomEdit::WndProc(TMessage& m) {
  if (AnswerPaintMessage(m)) return;
  HWND h = HandleIfAllocated();
  switch (m.Msg) {
    case WM_NCCALCSIZE: {
      RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : reinterpret_cast<RECT*>(m.LParam);
      GetSkinData();
      int height = r->bottom - r->top;
      if (FIndex == -1) {
        r->left += 2;
        r->top += 2;
        r->right -= FButtonMode ? height + 2 : 2;
        r->bottom -= 2;
      } else {
        r->left += ClRect.left;
        r->top += ClRect.top;
        r->right -= SkinWidth() - ClRect.right;
        r->bottom -= SkinHeight() - ClRect.bottom;
        if (FButtonMode && !FUseSkinFont) {
          // the text area ends where the button begins
        }
      }
      if (r->right < r->left) r->right = r->left;
      if (r->bottom < r->top) r->bottom = r->top;
      m.Result = 0;
      return;
    }
    case WM_NCPAINT: {
      if (!h) return;
      TspPaintBuffer b(std::max(1, Width()), std::max(1, Height()));
      PaintFrameTo(b);
      HDC dc = GetWindowDC(h);
      RECT wr, cr;
      GetWindowRect(h, &wr);
      GetClientRect(h, &cr);
      MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&cr), 2);
      OffsetRect(&cr, -wr.left, -wr.top);
      ExcludeClipRect(dc, cr.left, cr.top, cr.right, cr.bottom);
      b.DrawTo(dc, 0, 0);
      ReleaseDC(h, dc);
      m.Result = 0;
      return;
    }
    case SP_PAINTCOPY: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      if (dc && h) {
        TspPaintBuffer b(std::max(1, Width()), std::max(1, Height()));
        PaintFrameTo(b);
        RECT wr, cr;
        GetWindowRect(h, &wr);
        GetClientRect(h, &cr);
        MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&cr), 2);
        OffsetRect(&cr, -wr.left, -wr.top);
        int saved = SaveDC(b.DC());
        OffsetViewportOrgEx(b.DC(), cr.left, cr.top, nullptr);
        PaintClient(b.DC());
        RestoreDC(b.DC(), saved);
        b.DrawTo(dc, 0, 0);
      }
      m.Result = SP_PAINTCOPY_RESULT;
      return;
    }
    case SP_PAINTFRAME:
      if (m.LParam == SP_PAINTFRAME_TAG && m.WParam) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        TspPaintBuffer b(std::max(1, Width()), std::max(1, Height()));
        PaintFrameTo(b);
        int saved = SaveDC(dc);
        ExcludeClipRect(dc, FEditRect.left, FEditRect.top, FEditRect.right, FEditRect.bottom);
        b.DrawTo(dc, 0, 0);
        RestoreDC(dc, saved);
        m.Result = SP_PAINTFRAME_TAG;
        return;
      }
      break;
    case WM_NCHITTEST: {
      if (!FMouseIn) DoMouseEnter();
      LRESULT hit = HitTest(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      if (hit != HTCLIENT) {
        m.Result = hit;
        return;
      }
      break;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (m.WParam == HT_LEFTIMAGE || m.WParam == HT_RIGHTIMAGE) {
        (m.WParam == HT_LEFTIMAGE ? FLeftButton : FRightButton).Down = true;
        SetFocus();
        Invalidate();
        return;
      }
      if (m.WParam == HTHSCROLL && FButtonMode) {
        FButtonDown = true;
        FButtonActive = true;
        RepaintFrame();
        return;
      }
      // The frame never acts as a scroll bar.
      if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) return;
      break;
    case WM_NCLBUTTONUP:
      if (m.WParam == HT_LEFTIMAGE && FLeftButton.Down) {
        FLeftButton.Down = false;
        Invalidate();
        if (OnLeftButtonClick) OnLeftButtonClick(this);
        return;
      }
      if (m.WParam == HT_RIGHTIMAGE && FRightButton.Down) {
        FRightButton.Down = false;
        Invalidate();
        if (OnRightButtonClick) OnRightButtonClick(this);
        return;
      }
      if (m.WParam == HTHSCROLL && FButtonMode) {
        bool was = FButtonDown;
        FButtonDown = false;
        RepaintFrame();
        SetFocus();
        if (was && OnButtonClick) OnButtonClick(this);
        return;
      }
      FButtonDown = false;
      if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) return;
      break;
    case WM_NCMOUSEMOVE:
      if (FButtonMode) {
        bool active = m.WParam == HTHSCROLL;
        if (active != FButtonActive) {
          FButtonActive = active;
          RepaintFrame();
        }
      }
      if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) return;
      break;
    case WM_MOUSEMOVE:
      if (FButtonActive) {
        FButtonActive = false;
        RepaintFrame();
      }
      break;
    case WM_SIZE:
      TspCustomEdit::WndProc(m);
      CalcEditRect();
      AdjustTextRect(true);
      RepaintFrame();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TspCustomEdit::WndProc(m);
      SetStateFontColor();
      AdjustTextRect(true);
      RepaintFrame();
      Invalidate();
      return;
    case CM_ENABLEDCHANGED:
      TspCustomEdit::WndProc(m);
      SetStateFontColor();
      RepaintFrame();
      Invalidate();
      return;
    case CM_FONTCHANGED:
      TspCustomEdit::WndProc(m);
      if (!FUseSkinFont) AdjustHeight();
      return;
    case WM_DESTROY:
      FLeaveTimer.Stop();
      FMouseIn = false;
      break;
    default:
      break;
  }
  TspCustomEdit::WndProc(m);
}
