// The in-place editor of the grid: an edit laid over the current cell,
// its key routing and context menu, and the grid's side of editing.
#include <windowsx.h>

#include <algorithm>

#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/dialogs/SkinGrids.h"

namespace {

// Sent by the skinned menu after a chosen command has run.
constexpr UINT WM_AFTERDISPATCH = 1229;

std::string ResText(TspSkinData* sd, const char* key, const char* fallback) {
  if (sd && sd->ResourceStrData()) {
    std::string s = sd->ResourceStrData()->GetResStr(key);
    if (!s.empty()) return s;
  }
  return fallback;
}

}  // namespace

// ---------------------------------------------------------------------------
// TspSkinTransparentMaskEdit

TspSkinTransparentMaskEdit::TspSkinTransparentMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {
  AutoSelect = false;
  ControlStyle |= csOpaque;
  FFont.SetName("Arial");
  FFont.SetHeight(14);
  FFont.OnChange = [this](TObject*) { ApplyFont(); };
}

TspSkinTransparentMaskEdit::~TspSkinTransparentMaskEdit() {
  if (FBrush) DeleteObject(FBrush);
}

void TspSkinTransparentMaskEdit::CreateParams(TCreateParams& params) {
  TCustomMaskEdit::CreateParams(params);
  if (FTransparent) params.ExStyle |= WS_EX_TRANSPARENT;
}

void TspSkinTransparentMaskEdit::CreateWindowHandle(const TCreateParams& params) {
  TCustomMaskEdit::CreateWindowHandle(params);
  ApplyFont();
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_LIMITTEXT, FMaxLength > 0 ? FMaxLength : 0, 0);
}

void TspSkinTransparentMaskEdit::ApplyFont() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
}

void TspSkinTransparentMaskEdit::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  if (HandleAllocated()) {
    std::string text = Text();
    DestroyHandle();
    SetText(text);
    if (Parent()) HandleNeeded();
  }
}

void TspSkinTransparentMaskEdit::SetMaxLength(int value) {
  FMaxLength = value;
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_LIMITTEXT, value > 0 ? value : 0, 0);
}

bool TspSkinTransparentMaskEdit::CanUndo() const {
  HWND h = HandleIfAllocated();
  return h && SendMessageW(h, EM_CANUNDO, 0, 0) != 0;
}
void TspSkinTransparentMaskEdit::Undo() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_UNDO, 0, 0);
}
void TspSkinTransparentMaskEdit::CutToClipboard() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_CUT, 0, 0);
}
void TspSkinTransparentMaskEdit::CopyToClipboard() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_COPY, 0, 0);
}
void TspSkinTransparentMaskEdit::PasteFromClipboard() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_PASTE, 0, 0);
}
void TspSkinTransparentMaskEdit::ClearSelection() {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, WM_CLEAR, 0, 0);
}
void TspSkinTransparentMaskEdit::SelectAll() { SetSelection(0, -1); }

int TspSkinTransparentMaskEdit::SelStart() const {
  DWORD s = 0, e = 0;
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<int>(s);
}

int TspSkinTransparentMaskEdit::SelLength() const {
  DWORD s = 0, e = 0;
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<int>(e) - static_cast<int>(s);
}

void TspSkinTransparentMaskEdit::SetSelection(int start, int end) {
  if (HWND h = HandleIfAllocated()) SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void TspSkinTransparentMaskEdit::InvalidateEdit() {
  HWND h = HandleIfAllocated();
  if (!h) return;
  if (FTransparent && Parent() && Parent()->HandleAllocated()) {
    RECT r;
    GetClientRect(h, &r);
    MapWindowPoints(h, Parent()->HandleIfAllocated(), reinterpret_cast<POINT*>(&r), 2);
    ::InvalidateRect(Parent()->HandleIfAllocated(), &r, TRUE);
    RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    return;
  }
  ::InvalidateRect(h, nullptr, TRUE);
}

void TspSkinTransparentMaskEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_BASE + WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      SetTextColor(dc, ColorToRGBValue(FFont.Color()));
      if (FTransparent) {
        SetBkMode(dc, TRANSPARENT);
        m.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      } else {
        COLORREF bk = ColorToRGBValue(Color());
        SetBkColor(dc, bk);
        if (FBrush) DeleteObject(FBrush);
        FBrush = CreateSolidBrush(bk);
        m.Result = reinterpret_cast<LRESULT>(FBrush);
      }
      return;
    }
    case WM_ERASEBKGND:
      if (FTransparent) {
        InvalidateEdit();
        m.Result = 1;
        return;
      }
      break;
    case WM_LBUTTONDOWN:
      FDown = true;
      if (FTransparent) InvalidateEdit();
      break;
    case WM_LBUTTONUP:
      FDown = false;
      break;
    case WM_MOUSEMOVE:
      if (FDown && FTransparent) InvalidateEdit();
      break;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      if (!EditCanModify()) {
        m.Result = 0;
        return;
      }
      TCustomMaskEdit::WndProc(m);
      if (FTransparent) InvalidateEdit();
      return;
    case WM_SETTEXT:
    case WM_KEYDOWN:
    case WM_MOVE:
      TCustomMaskEdit::WndProc(m);
      if (FTransparent) InvalidateEdit();
      return;
    default:
      break;
  }
  TCustomMaskEdit::WndProc(m);
}

// ---------------------------------------------------------------------------
// TspSkinInplaceEdit

TspSkinInplaceEdit::TspSkinInplaceEdit(TComponent* owner) : TspSkinTransparentMaskEdit(owner) {
  TabStop = false;
}

TspSkinInplaceEdit::~TspSkinInplaceEdit() = default;

void TspSkinInplaceEdit::CreateParams(TCreateParams& params) {
  TspSkinTransparentMaskEdit::CreateParams(params);
  params.Style &= ~(WS_BORDER | WS_VISIBLE | WS_TABSTOP);
  // Multi-line so that the edit rectangle can be set.
  params.Style |= ES_MULTILINE;
  params.WinClassName = u"TspSkinInplaceEdit";
}

void TspSkinInplaceEdit::Deselect() { SetSelection(0x7FFFFFFF, -1); }

void TspSkinInplaceEdit::InvalidateEdit() {
  HWND h = HandleIfAllocated();
  if (!h) return;
  if (FTransparent) {
    TspSkinTransparentMaskEdit::InvalidateEdit();
    return;
  }
  ValidateRect(h, nullptr);
  ::InvalidateRect(h, nullptr, TRUE);
  if (FGrid && FGrid->HandleAllocated()) {
    RECT r;
    GetClientRect(h, &r);
    MapWindowPoints(h, FGrid->HandleIfAllocated(), reinterpret_cast<POINT*>(&r), 2);
    ValidateRect(FGrid->HandleIfAllocated(), &r);
    ::InvalidateRect(FGrid->HandleIfAllocated(), &r, FALSE);
  }
}

void TspSkinInplaceEdit::Hide() {
  HWND h = HandleIfAllocated();
  if (!h || !IsWindowVisible(h)) return;
  InvalidateEdit();
  bool hadFocus = GetFocus() == h;
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW);
  if (hadFocus && FGrid && FGrid->HandleAllocated()) ::SetFocus(FGrid->HandleIfAllocated());
}

bool TspSkinInplaceEdit::PosEqual(const RECT& rect) {
  HWND h = HandleIfAllocated();
  if (!h || !FGrid) return false;
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, FGrid->HandleIfAllocated(), reinterpret_cast<POINT*>(&r), 2);
  return EqualRect(&r, &rect) != 0;
}

bool TspSkinInplaceEdit::IsVisible() {
  HWND h = HandleIfAllocated();
  return h && IsWindowVisible(h);
}

void TspSkinInplaceEdit::PlaceAt(const RECT& loc, bool redraw) {
  if (IsEmptyRECT(loc)) {
    Hide();
    return;
  }
  HWND h = Handle();
  redraw = redraw || !IsWindowVisible(h);
  InvalidateEdit();
  SetWindowPos(h, HWND_TOP, loc.left, loc.top, loc.right - loc.left, loc.bottom - loc.top,
               SWP_SHOWWINDOW | SWP_NOREDRAW);
  UpdateEditRect();
  if (redraw) InvalidateEdit();
  if (FGrid && FGrid->Focused()) ::SetFocus(h);
}

void TspSkinInplaceEdit::UpdateLoc(const RECT& loc) { PlaceAt(loc, false); }
void TspSkinInplaceEdit::Move(const RECT& loc) { PlaceAt(loc, true); }

bool TspSkinInplaceEdit::SetFocus() {
  HWND h = HandleIfAllocated();
  if (!h || !IsWindowVisible(h)) return false;
  ::SetFocus(h);
  return GetFocus() == h;
}

void TspSkinInplaceEdit::UpdateEditRect() {
  HWND h = HandleIfAllocated();
  if (!h) return;
  RECT r{2, 2, Width() - 2, Height()};
  SendMessageW(h, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
}

void TspSkinInplaceEdit::LoadCellContents() {
  if (!FGrid) return;
  // Loading is not editing: the cell must not see the intermediate texts.
  bool saved = FLoading;
  FLoading = true;
  try {
    SetText("");
    SetEditMask(FGrid->GetCellEditMask(FGrid->Col(), FGrid->Row()));
    SetText(FGrid->GetCellEditText(FGrid->Col(), FGrid->Row()));
    SetMaxLength(FGrid->GetCellEditLimit());
  } catch (...) {
    FLoading = saved;
    throw;
  }
  FLoading = saved;
}

bool TspSkinInplaceEdit::EditCanModify() { return !FGrid || FGrid->CanModifyCell(); }

void TspSkinInplaceEdit::SendToGrid(WORD& key, TShiftState shift) {
  if (FGrid) FGrid->GridKeyDown(key, shift);
  key = 0;
}

void TspSkinInplaceEdit::GridKeyEvent(WORD& key, TShiftState shift) {
  if (FGrid && FGrid->OnKeyDown) FGrid->OnKeyDown(FGrid, key, shift);
}

void TspSkinInplaceEdit::KeyDown(WORD& key, TShiftState shift) {
  if (!FGrid) {
    TspSkinTransparentMaskEdit::KeyDown(key, shift);
    return;
  }
  bool forward = (FGrid->Options() & goAlwaysShowEditor) != 0;
  int len = static_cast<int>(UTF8ToUTF16(Text()).size());
  int start = SelStart(), end = start + SelLength();
  bool leftSide = start == 0 && (end == 0 || end == len);
  bool rightSide = (start == 0 || start == end) && end == len;
  bool ctrl = (shift & ssCtrl) != 0;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
      SendToGrid(key, shift);
      break;
    case VK_TAB:
      if (!(shift & ssAlt)) SendToGrid(key, shift);
      break;
    case VK_INSERT:
      if ((shift & (ssShift | ssCtrl | ssAlt)) == 0)
        SendToGrid(key, shift);
      else if ((shift & (ssShift | ssCtrl | ssAlt)) == ssShift && !FGrid->CanModifyCell())
        key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (forward && (ctrl || leftSide)) SendToGrid(key, shift);
      break;
    case VK_RIGHT:
    case VK_END:
      if (forward && (ctrl || rightSide)) SendToGrid(key, shift);
      break;
    case VK_F2:
      GridKeyEvent(key, shift);
      if (key == VK_F2) {
        Deselect();
        return;
      }
      break;
    case VK_DELETE:
      if (!FGrid->CanModifyCell()) key = 0;
      break;
    default:
      break;
  }
  if (key != 0) {
    GridKeyEvent(key, shift);
    TspSkinTransparentMaskEdit::KeyDown(key, shift);
  }
}

void TspSkinInplaceEdit::KeyPress(char16_t& key) {
  if (!FGrid) {
    TspSkinTransparentMaskEdit::KeyPress(key);
    return;
  }
  FGrid->GridKeyPress(key);
  if (key >= 32 && key <= 255 && !FGrid->AcceptsEditKey(key)) {
    key = 0;
    MessageBeep(0);
  }
  switch (key) {
    case u'\t':
    case 27:
      key = 0;
      break;
    case u'\r': {
      int len = static_cast<int>(UTF8ToUTF16(Text()).size());
      if (SelStart() == 0 && SelLength() == len)
        Deselect();
      else
        SelectAll();
      key = 0;
      break;
    }
    default:
      // Every character that would change the text is refused for a cell
      // that may not be changed, whatever its code.
      if ((key == u'\b' || key == 22 || key == 24 || key >= 32) && !FGrid->CanModifyCell()) key = 0;
      break;
  }
  if (key != 0) TspSkinTransparentMaskEdit::KeyPress(key);
}

void TspSkinInplaceEdit::KeyUp(WORD& key, TShiftState shift) {
  if (FGrid)
    FGrid->GridKeyUp(key, shift);
  else
    TspSkinTransparentMaskEdit::KeyUp(key, shift);
}

void TspSkinInplaceEdit::DblClick() {
  if (FGrid)
    FGrid->DblClick();
  else
    TspSkinTransparentMaskEdit::DblClick();
}

const std::vector<TspEditMenuItem>& TspSkinInplaceEdit::BuildEditMenu() {
  FSysPopupMenu.clear();
  TspSkinData* sd = FGrid ? FGrid->SkinData() : nullptr;
  int len = static_cast<int>(UTF8ToUTF16(Text()).size());
  int selLength = SelLength();
  bool selected = selLength > 0;
  bool canModify = !ReadOnly && EditCanModify();
  bool clipboardText = IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
  FSysPopupMenu.push_back({"EDIT_UNDO", ResText(sd, "EDIT_UNDO", "Undo"), CanUndo(), [this] { Undo(); }});
  FSysPopupMenu.push_back({"-", "-", true, nullptr});
  FSysPopupMenu.push_back({"EDIT_CUT", ResText(sd, "EDIT_CUT", "Cut"), selected && canModify, [this] { CutToClipboard(); }});
  FSysPopupMenu.push_back({"EDIT_COPY", ResText(sd, "EDIT_COPY", "Copy"), selected, [this] { CopyToClipboard(); }});
  FSysPopupMenu.push_back(
      {"EDIT_PASTE", ResText(sd, "EDIT_PASTE", "Paste"), clipboardText && canModify, [this] { PasteFromClipboard(); }});
  FSysPopupMenu.push_back(
      {"EDIT_DELETE", ResText(sd, "EDIT_DELETE", "Delete"), selected && canModify, [this] { ClearSelection(); }});
  FSysPopupMenu.push_back({"-", "-", true, nullptr});
  FSysPopupMenu.push_back({"EDIT_SELECTALL", ResText(sd, "EDIT_SELECTALL", "Select All"), selLength != len, [this] { SelectAll(); }});
  FHasMenu = true;
  return FSysPopupMenu;
}

void TspSkinInplaceEdit::ShowEditMenu(POINT screen) {
  BuildEditMenu();
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < FSysPopupMenu.size(); ++i) {
    const TspEditMenuItem& item = FSysPopupMenu[i];
    if (item.Caption == "-") {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      std::u16string caption = UTF8ToUTF16(item.Caption);
      AppendMenuW(menu, MF_STRING | (item.Enabled ? 0 : MF_GRAYED), i + 1,
                  reinterpret_cast<LPCWSTR>(caption.c_str()));
    }
  }
  UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y,
                               0, Handle(), nullptr);
  DestroyMenu(menu);
  if (chosen > 0 && chosen <= FSysPopupMenu.size()) {
    auto action = FSysPopupMenu[chosen - 1].Action;
    if (action) action();
    Perform(WM_AFTERDISPATCH, 0, 0);
  }
}

void TspSkinInplaceEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS:
      // The form keeps the grid as its focused control while its editor types.
      if (TCustomForm* form = GetParentForm()) form->SetFocusedControl(FGrid);
      DefaultHandler(m);
      return;
    case WM_LBUTTONDOWN: {
      int64_t now = GetMessageTime();
      if (now - FClickTime < static_cast<int64_t>(GetDoubleClickTime())) m.Msg = WM_LBUTTONDBLCLK;
      FClickTime = 0;
      break;
    }
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && FGrid && !FLoading) FGrid->PushEditorText();
      break;
    case WM_CONTEXTMENU: {
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (p.x < 0 || p.y < 0) {
        p = POINT{Width() / 2, Height() / 2};
        ::ClientToScreen(Handle(), &p);
      }
      ShowEditMenu(p);
      m.Result = 0;
      return;
    }
    case WM_AFTERDISPATCH:
      FSysPopupMenu.clear();
      FHasMenu = false;
      return;
    case WM_GETDLGCODE:
      DefaultHandler(m);
      if (FGrid && (FGrid->Options() & goTabs)) m.Result |= DLGC_WANTTAB;
      return;
    case CM_SHOWINGCHANGED:
      return;
    case WM_ERASEBKGND:
      if (FTransparent) {
        m.Result = 1;
        return;
      }
      break;
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_CUT:
    case WM_CLEAR:
      if (IsMasked()) {
        // The mask writes the whole text at once, which the window does
        // not always report as a change: the cell hears of it here.
        const std::string before = Text();
        TspSkinTransparentMaskEdit::WndProc(m);
        if (FGrid && !FLoading && Text() != before) FGrid->PushEditorText();
        return;
      }
      break;
    default:
      break;
  }
  TspSkinTransparentMaskEdit::WndProc(m);
}

// ---------------------------------------------------------------------------
// The grid's side

bool TspSkinCustomGrid::CanEditShow() {
  return (FOptions & goEditing) && !(FOptions & goRowSelect) && FEditorMode && HandleAllocated() &&
         ((FOptions & goAlwaysShowEditor) || IsFocusedGrid());
}

TspSkinInplaceEdit* TspSkinCustomGrid::CreateEditor() { return new TspSkinInplaceEdit(this); }

void TspSkinCustomGrid::ShowCellEditor() {
  if (OnShowEditor) OnShowEditor(this);
  FEditorMode = true;
  RefreshEditor();
}

void TspSkinCustomGrid::HideCellEditor() {
  FEditorMode = false;
  HideEditorWindow();
  if (OnHideEditor) OnHideEditor(this);
}

void TspSkinCustomGrid::ShowCellEditorWithChar(char16_t ch) {
  ShowCellEditor();
  if (FInplaceEdit && FInplaceEdit->HandleAllocated())
    PostMessageW(FInplaceEdit->HandleIfAllocated(), WM_CHAR, ch, 0);
}

void TspSkinCustomGrid::SetEditorMode(bool value) {
  if (value) {
    ShowCellEditor();
    if (FInplaceEdit) FInplaceEdit->Deselect();
  } else {
    HideCellEditor();
  }
}

void TspSkinCustomGrid::PrepareEditor() {
  TspSkinInplaceEdit* e = FInplaceEdit;
  e->SetTransparent((Skinned() && BGPicture) || FTransparent);
  FInplaceCol = FCurrent.X;
  FInplaceRow = FCurrent.Y;
  if (!Skinned()) {
    e->SetColor(clWindow);
    e->Font()->Assign(&FFont);
  } else {
    e->SetColor(FSkin.BGColor);
    if (UseSkinFont) {
      e->Font()->SetName(FSkin.FontName);
      e->Font()->SetHeight(FSkin.FontHeight);
      e->Font()->SetStyle(FSkin.FontStyle);
      e->Font()->SetColor(FSkin.FontColor);
      e->Font()->SetCharset(FFont.Charset());
    } else {
      e->Font()->Assign(&FFont);
      e->Font()->SetColor(FSkin.FontColor);
    }
  }
  if (FSD && FSD->ResourceStrData())
    e->Font()->SetCharset(FSD->ResourceStrData()->CharSet);
  else
    e->Font()->SetCharset(FFont.Charset());
  e->LoadCellContents();
  FCanEditModify = e->MaxLength() != -1;
  e->SelectAll();
}

void TspSkinCustomGrid::RefreshEditor() {
  if (!CanEditShow()) return;
  if (!FInplaceEdit) {
    FInplaceEdit = CreateEditor();
    FInplaceEdit->SetGrid(this);
    FInplaceEdit->SetParent(this);
    PrepareEditor();
  } else if (FInplaceCol != FCurrent.X || FInplaceRow != FCurrent.Y) {
    HideEditorWindow();
    PrepareEditor();
  }
  if (CanEditShow()) {
    TRect r = CellRect(FCurrent.X, FCurrent.Y);
    FInplaceEdit->Move(RECT{r.Left, r.Top, r.Right, r.Bottom});
  }
}

void TspSkinCustomGrid::ReloadEditor() {
  FInplaceCol = FInplaceRow = -1;
  RefreshEditor();
}

void TspSkinCustomGrid::HideEditorWindow() {
  if (!FInplaceEdit) return;
  try {
    PushEditorText();
  } catch (...) {
    FInplaceCol = FInplaceRow = -1;
    FInplaceEdit->Hide();
    throw;
  }
  FInplaceCol = FInplaceRow = -1;
  FInplaceEdit->Hide();
}

void TspSkinCustomGrid::PushEditorText() {
  if (FInplaceEdit && FInplaceCol != -1 && FInplaceRow != -1)
    SetCellEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}
