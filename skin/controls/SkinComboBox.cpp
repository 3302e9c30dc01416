#include "skin/controls/SkinComboBox.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/Forms.h"
#include "skin/data/SPUtils.h"

namespace {

COLORREF SysColour(int index) { return GetSysColor(index); }

HFONT CreateDescFont(const TspFontDesc& f) { return f.Create(); }

}  // namespace

// ---------------------------------------------------------------------------
// TspPopupListBox

TspPopupListBox::TspPopupListBox(TComponent* owner) : TspSkinListBox(owner) {
  ControlStyle |= csReplicatable | csAcceptsControls;
  FVisible = false;
}

void TspPopupListBox::CreateParams(TCreateParams& p) {
  TspSkinListBox::CreateParams(p);
  p.Style = WS_POPUP | WS_CLIPCHILDREN;
  p.ExStyle = WS_EX_TOOLWINDOW;
  p.WindowClassStyle |= CS_SAVEBITS;
  if (IsWindowsXPOrLater()) p.WindowClassStyle |= CS_DROPSHADOW;
  p.WinClassName = u"TessSkinPopupList";
  // A popup has screen coordinates; it starts hidden off the combo.
  p.X = Left();
  p.Y = Top();
}

void TspPopupListBox::WndProc(TMessage& m) {
  if (m.Msg == WM_MOUSEACTIVATE) {
    m.Result = MA_NOACTIVATE;
    return;
  }
  TspSkinListBox::WndProc(m);
}

void TspPopupListBox::Show(POINT p) {
  HWND h = Handle();
  if (IsWindows2000OrLater() && Combo) {
    LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (Combo->ListBoxAlphaBlend && !FOldAlphaBlend)
      SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    else if (!Combo->ListBoxAlphaBlend && FOldAlphaBlend)
      SetWindowLongW(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    FOldAlphaBlend = Combo->ListBoxAlphaBlend;
    if (Combo->ListBoxAlphaBlend && FOldAlphaBlendValue != Combo->ListBoxAlphaBlendValue) {
      if (Combo->ListBoxAlphaBlendAnimation) {
        SetWindowAlphaValue(h, 0);
        FOldAlphaBlendValue = 0;
      } else {
        SetWindowAlphaValue(h, Combo->ListBoxAlphaBlendValue);
        FOldAlphaBlendValue = Combo->ListBoxAlphaBlendValue;
      }
    }
  }
  SetWindowPos(h, HWND_TOP, p.x, p.y, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  FVisible = true;
  if (IsWindows2000OrLater() && Combo && Combo->ListBoxAlphaBlend && Combo->ListBoxAlphaBlendAnimation) {
    if (Application) Application->ProcessMessages();
    int target = Combo->ListBoxAlphaBlendValue;
    int step = std::max(1, target / 15);
    int alpha = 0;
    bool first = true;
    uint32_t last = SkinTickCount();
    while (alpha < target && FVisible) {
      uint32_t now = SkinTickCount();
      if (first || now - last > 5) {
        first = false;
        last = now;
        alpha = std::min(alpha + step, target);
        SetWindowAlphaValue(h, static_cast<uint8_t>(alpha));
      } else {
        Sleep(1);
      }
      if (Application) Application->ProcessMessages();
    }
  }
}

void TspPopupListBox::Hide() {
  if (HWND h = HandleIfAllocated())
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  FVisible = false;
}

// ---------------------------------------------------------------------------
// TspComboEdit

void TspComboEdit::CreateParams(TCreateParams& p) {
  TspSkinNumEdit::CreateParams(p);
  if (CharCase == ecUpperCase) p.Style |= ES_UPPERCASE;
  if (CharCase == ecLowerCase) p.Style |= ES_LOWERCASE;
}

void TspComboEdit::SetSel(int start, int length) {
  HWND h = HandleIfAllocated();
  if (!h) return;
  if (length < 0)
    SendMessageW(h, EM_SETSEL, 0, -1);
  else
    SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

void TspComboEdit::CreateWnd() {
  TspSkinNumEdit::CreateWnd();
  if (OnCreated) OnCreated();
}

void TspComboEdit::KeyPress(char16_t& key) {
  if (NumOnly)
    TspSkinNumEdit::KeyPress(key);
  else
    TspCustomEdit::KeyPress(key);
}

void TspComboEdit::KeyDown(WORD& key, TShiftState shift) { TspCustomEdit::KeyDown(key, shift); }

bool TspComboEdit::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  return TspCustomEdit::DoMouseWheel(shift, wheelDelta, mousePos);
}

// ---------------------------------------------------------------------------
// TspSkinCustomComboBox

TspSkinCustomComboBox::TspSkinCustomComboBox(TComponent* owner) : Base(owner) {
  TabStop = true;
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks | csAcceptsControls;
  FDefaultColor = SysColour(COLOR_WINDOW);
  SetSkinDataName("combobox");
  FDefaultFont.Name = "Arial";
  FDefaultFont.Height = 14;
  FDefaultFont.Color = SysColour(COLOR_WINDOWTEXT);
  SetBounds(0, 0, 120, 20);
  FListBox.Set(new TspPopupListBox(this));
  FListBox->Combo = this;
  FListBox->SetParent(this);
  FListBox->ListBox->TabStop = false;
  FListBox->ListBox->OnMouseMove = [this](TObject*, TShiftState, int x, int y) { ListBoxHotTrack(x, y); };
  FListBoxWindowProc = FListBox->ListBox->WindowProc;
  FListBox->ListBox->WindowProc = [this](TMessage& m) { ListBoxWindowProcHook(m); };
  FListBox->OnCheckButtonClick = [this](TObject*) { CloseUp(true); };
  CalcRects();
}

TspSkinCustomComboBox::~TspSkinCustomComboBox() {
  FTimer.Stop();
  if (FEdit) {
    TspComboEdit* e = FEdit;
    FEdit = nullptr;
    delete e;
  }
  if (FEditFont) DeleteObject(FEditFont);
  if (FEditBrush) DeleteObject(FEditBrush);
  if (FListBox) {
    FListBox->Combo = nullptr;
    if (FListBox->ListBox) FListBox->ListBox->WindowProc = FListBoxWindowProc;
    TspPopupListBox* l = FListBox;
    FListBox.Set(nullptr);
    delete l;
  }
}

void TspSkinCustomComboBox::SetImages(TCustomImageList* value) {
  FListBox->SetImages(value);
  Repaint();
}

void TspSkinCustomComboBox::SetImageIndex(int value) {
  FListBox->SetImageIndex(value);
  Repaint();
}

// ---- text and selection ----

void TspSkinCustomComboBox::SetText(const std::string& value) {
  if (value == FText) return;
  FText = value;
  TextChanged();
}

void TspSkinCustomComboBox::TextChanged() {
  if (!FromEdit && FEdit) {
    if (FEdit->Text() != FText) {
      bool saved = FromEdit;
      FromEdit = true;  // the edit's echo of our own text is not a user change
      FEdit->SetText(FText);
      FromEdit = saved;
    }
  }
  if (OnChange) OnChange(this);
  if (FromEdit) Change();
  if (!FEdit) Invalidate();
}

void TspSkinCustomComboBox::SetItemIndex(int value) {
  int count = FListBox->Items()->Count();
  // An index outside the items selects nothing and leaves the text alone.
  bool valid = value >= 0 && value < count;
  FListBox->SetItemIndex(valid ? value : -1);
  if (valid) SetText(FListBox->Items()->Get(value));
  FOldItemIndex = FListBox->ItemIndex();
  if (!FEdit) Repaint();
  if (!(ComponentState() & (csLoading | csDesigning))) {
    if (OnClick) OnClick(this);
    Change();
  }
}

void TspSkinCustomComboBox::SetSelStart(int value) {
  if (FEdit) FEdit->SetSel(value, 0);
}

void TspSkinCustomComboBox::SetSelLength(int value) {
  if (FEdit) FEdit->SetSel(FEdit->SelStart(), value);
}

// ---- properties ----

void TspSkinCustomComboBox::SetToolButtonStyle(bool value) {
  if (value == FToolButtonStyle) return;
  FToolButtonStyle = value;
  if (value) {
    SetStyle(spcbFixedStyle);
    FUseSkinSize = false;
  }
  CalcRects();
  Repaint();
}

void TspSkinCustomComboBox::SetCharCase(TEditCharCase value) {
  FCharCase = value;
  if (FEdit) {
    FEdit->CharCase = value;
    if (HWND h = FEdit->HandleIfAllocated()) {
      LONG style = GetWindowLongW(h, GWL_STYLE) & ~(ES_UPPERCASE | ES_LOWERCASE);
      if (value == ecUpperCase) style |= ES_UPPERCASE;
      if (value == ecLowerCase) style |= ES_LOWERCASE;
      SetWindowLongW(h, GWL_STYLE, style);
    }
  }
}

void TspSkinCustomComboBox::SetDefaultColor(COLORREF value) {
  FDefaultColor = value;
  if (!HasElement()) {
    Repaint();
    if (FEdit) FEdit->Invalidate();
  }
}

void TspSkinCustomComboBox::SetUseSkinSize(bool value) {
  FUseSkinSize = value;
  CalcRects();
  Repaint();
}

void TspSkinCustomComboBox::DefaultFontChanged() { ApplyEditFont(); }

// ---- style ----

void TspSkinCustomComboBox::SetStyle(TspSkinCustomComboBoxStyle value) {
  FStyle = value;
  if (value == spcbEditStyle) {
    // A second assignment keeps the one edit there is.
    if (!FEdit) {
      CreateEditControl();
      if (TabStop) {
        TabStop = false;
        FEdit->TabStop = true;
      } else {
        FEdit->TabStop = false;
      }
      if (HWND h = HandleIfAllocated()) {
        SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~WS_TABSTOP);
        if (HWND e = FEdit->HandleIfAllocated())
          SetWindowLongW(e, GWL_STYLE,
                         FEdit->TabStop ? (GetWindowLongW(e, GWL_STYLE) | WS_TABSTOP)
                                        : (GetWindowLongW(e, GWL_STYLE) & ~WS_TABSTOP));
      }
      bool saved = FromEdit;
      FromEdit = true;
      FEdit->SetText(FText);
      FromEdit = saved;
      if (Focused()) FEdit->SetFocus();
    }
  } else if (FEdit) {
    bool hadTab = FEdit->TabStop;
    FreeEditControl();
    if (hadTab) {
      TabStop = true;
      if (HWND h = HandleIfAllocated()) SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_TABSTOP);
    }
  }
  CalcRects();
  Repaint();
}

void TspSkinCustomComboBox::CreateEditControl() {
  FEdit = new TspComboEdit(this);
  FEdit->NumOnly = FNumEdit;
  FEdit->CharCase = FCharCase;
  FEdit->OnCreated = [this] {
    ApplyEditFont();
    CalcRects();
  };
  FEdit->SetParent(this);
  FEditWindowProc = FEdit->WindowProc;
  FEdit->WindowProc = [this](TMessage& m) { EditWindowProcHook(m); };
  FEdit->OnEditCancelMode = [this](TControl* c) { CancelFrom(c); };
  FEdit->OnChange = [this](TObject*) { EditChange(); };
  FEdit->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
  };
  FEdit->OnKeyUp = [this](TObject*, WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
  };
  FEdit->OnKeyPress = [this](TObject*, char16_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
  };
  GetSkinData();
  FEdit->SetEditTransparent(HasElement());
  ApplyEditFont();
  CalcRects();
}

void TspSkinCustomComboBox::FreeEditControl() {
  TspComboEdit* e = FEdit;
  FEdit = nullptr;
  e->SetVisible(false);
  e->WindowProc = FEditWindowProc;
  delete e;
}

void TspSkinCustomComboBox::ApplyEditFont() {
  // A window made later takes the font when it is made.
  if (!FEdit || !FEdit->HandleAllocated()) return;
  GetSkinData();
  TspFontDesc f = (HasElement() && UseSkinFont) ? SkinFont : FDefaultFont;
  HFONT font = CreateDescFont(f);
  HWND h = FEdit->Handle();
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (FEditFont) DeleteObject(FEditFont);
  FEditFont = font;
  ApplyEditColour();
}

COLORREF TspSkinCustomComboBox::GetDisabledFontColor() {
  if (FSD && !FSD->Empty) {
    int i = FSD->GetControlIndex("edit");
    if (i >= 0 && i < static_cast<int>(FSD->CtrlList.size()))
      if (auto* e = dynamic_cast<TspDataSkinEditControl*>(FSD->CtrlList[i].get()))
        return static_cast<COLORREF>(e->DisabledFontColor) & 0xFFFFFF;
  }
  return SysColour(COLOR_GRAYTEXT);
}

void TspSkinCustomComboBox::ApplyEditColour() {
  if (FEdit) FEdit->Invalidate();
}

// ---- layout ----

void TspSkinCustomComboBox::CalcRects() {
  GetSkinData();
  int w = Width(), h = Height();
  if (!HasElement() || FToolButtonStyle) {
    Button.R = RECT{w - 19, 2, w - 2, h - 2};
    CBItem.R = RECT{2, 2, Button.R.left - 1, h - 2};
  } else {
    int dW = w - Geometry.SkinWidth();
    Button.R = ButtonRect;
    if (ButtonRect.left >= Geometry.SkinWidth() - Geometry.RTPt.x) OffsetRect(&Button.R, dW, 0);
    CBItem.R = Geometry.ClRect;
    CBItem.R.right += dW;
    if (!FUseSkinSize) {
      int dH = h - Geometry.SkinHeight();
      CBItem.R.bottom += dH;
      Button.R.bottom += dH;
    }
  }
  if (FEdit) {
    int eh = 16;
    HDC dc = GetDC(nullptr);
    HFONT f = reinterpret_cast<HFONT>(FEdit->HandleAllocated() ? SendMessageW(FEdit->Handle(), WM_GETFONT, 0, 0) : 0);
    HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
    TEXTMETRICW tm;
    if (GetTextMetricsW(dc, &tm)) eh = tm.tmHeight;
    if (old) SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int ih = CBItem.R.bottom - CBItem.R.top;
    FEdit->SetBounds(CBItem.R.left, CBItem.R.top + ih / 2 - eh / 2, CBItem.R.right - CBItem.R.left, eh);
  }
}

void TspSkinCustomComboBox::GetSkinData() {
  Base::GetSkinData();
  FElement = false;
  if (FIndex == -1) return;
  auto* e = dynamic_cast<TspDataSkinComboBox*>(Element());
  if (!e) return;
  FElement = true;
  ActiveSkinRect = ToRECT(e->ActiveSkinRect);
  CopyItemLook(*e);
  ButtonRect = ToRECT(e->ButtonRect);
  ActiveButtonRect = ToRECT(e->ActiveButtonRect);
  DownButtonRect = ToRECT(e->DownButtonRect);
  UnEnabledButtonRect = ToRECT(e->UnEnabledButtonRect);
  ListBoxName = e->ListBoxName;
  ItemStretchEffect = e->ItemStretchEffect;
  FocusItemStretchEffect = e->FocusItemStretchEffect;
}

void TspSkinCustomComboBox::CalcSkinSize(int& width, int& height) {
  if (FUseSkinSize || FIndex == -1) {
    Base::CalcSkinSize(width, height);
    return;
  }
  TspSkinGeometry& g = Geometry;
  int dW = width - g.SkinWidth();
  g.NewLTPoint = g.LTPt;
  g.NewRTPoint = POINT{g.RTPt.x + dW, g.RTPt.y};
  g.NewClRect = g.ClRect;
  g.NewClRect.right += dW;
}

void TspSkinCustomComboBox::UpdateSkinRegion() {
  if (FUseSkinSize) Base::UpdateSkinRegion();
}

void TspSkinCustomComboBox::Invalidate() {
  Base::Invalidate();
  if (FEdit && HasElement()) FEdit->Invalidate();
}

// ---- drop-down ----

void TspSkinCustomComboBox::DropDown() {
  int count = FListBox->Items()->Count();
  if (count == 0) return;
  WasInLB = false;
  StopTimer();
  if (OnDropDown) OnDropDown(this);
  int w = ListBoxWidth > 0 ? ListBoxWidth : Width();
  int rows = std::min(count, FDropDownCount);
  int h = FListBox->CalcHeight(rows);
  POINT p = ClientToScreen(POINT{0, Height()});
  TRect area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  GetMonitorArea(Handle(), true, area);
  if (p.y + h > area.Bottom) p.y = p.y - Height() - h;
  if (FEdit) FEdit->SetFocus();
  FOldItemIndex = FListBox->ItemIndex();
  if (FOldItemIndex == 0 && count > 1) {
    FListBox->SetItemIndex(1);
    FListBox->SetItemIndex(0);
  }
  FDropDown = true;
  if (FToolButtonStyle) Repaint();
  FListBox->SetBounds(p.x, p.y, w, h);
  FListBox->SetTopIndex(std::max(0, FListBox->ItemIndex()));
  FListBox->Show(p);
}

void TspSkinCustomComboBox::CloseUp(bool accept) {
  if (!FListBox->Visible()) return;
  FListBox->Hide();
  int index = FListBox->ItemIndex();
  if (index == -1) {
    FListBox->SetItemIndex(FOldItemIndex);
  } else if (accept) {
    if (index < FListBox->Items()->Count()) {
      SetText(FListBox->Items()->Get(index));
      if (FEdit) FEdit->SelectAll();
      if (!FEdit) Repaint();
      if (OnClick) OnClick(this);
      Change();
    }
  } else {
    FListBox->SetItemIndex(FOldItemIndex);
  }
  FDropDown = false;
  Repaint();
  if (accept && OnCloseUp) OnCloseUp(this);
}

bool TspSkinCustomComboBox::CanCancelDropDown() const {
  if (!FListBox->Visible()) return false;
  return TControl::MouseControl() != this;
}

void TspSkinCustomComboBox::CancelFrom(TControl* control) {
  if (!FListBox || !FListBox->Visible()) return;
  if (control == this || control == FListBox || control == FListBox->ListBox ||
      (control && (control == FListBox->ScrollBar || control == FListBox->HScrollBar)))
    return;
  CloseUp(false);
}

// ---- the list's inner list box ----

void TspSkinCustomComboBox::ListBoxHotTrack(int x, int y) {
  int i = FListBox->ItemAtPos(POINT{x, y}, true);
  if (i >= 0 && i != FListBox->ItemIndex()) FListBox->SetItemIndex(i);
}

void TspSkinCustomComboBox::ListBoxWindowProcHook(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      FLBDown = true;
      WasInLB = true;
      SetMouseCapture(true);
      return;
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return;
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      break;
    default:
      break;
  }
  FListBoxWindowProc(m);
  if (m.Msg == WM_MOUSEACTIVATE) m.Result = MA_NOACTIVATE;
}

void TspSkinCustomComboBox::ProcessListBox() {
  TspListBox* lb = FListBox->ListBox;
  if (!lb->HandleAllocated()) return;
  POINT p;
  GetCursorPos(&p);
  ::ScreenToClient(lb->Handle(), &p);
  int mode = FTimerMode;
  if (p.y < 0) {
    if (FListBox->ScrollBar && WasInLB) mode = 1;
  } else if (p.y > lb->Height()) {
    if (FListBox->ScrollBar && WasInLB) mode = 2;
  } else {
    StopTimer();
    mode = 0;
    ListBoxHotTrack(p.x, p.y);
    WasInLB = true;
  }
  if (mode != FTimerMode) {
    FTimerMode = mode;
    StartTimer();
  }
}

void TspSkinCustomComboBox::StartTimer() {
  FTimer.Stop();
  FTimer.Start(25, [this] { TimerTick(); });
}

void TspSkinCustomComboBox::StopTimer() {
  FTimer.Stop();
  FTimerMode = 0;
}

void TspSkinCustomComboBox::TimerTick() {
  int i = FListBox->ItemIndex();
  if (FTimerMode == 1 && i >= 1)
    FListBox->SetItemIndex(i - 1);
  else if (FTimerMode == 2 && i < FListBox->Items()->Count() - 1)
    FListBox->SetItemIndex(i + 1);
}

// ---- mouse ----

void TspSkinCustomComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseDown(button, shift, x, y);
  if (!FEdit && !Focused()) SetFocus();
  if (button != mbLeft) return;
  POINT p{x, y};
  bool onButton = Button.MouseIn || PtInRect(&Button.R, p) || (PtInRect(&CBItem.R, p) && !FEdit) || FToolButtonStyle;
  if (onButton) {
    Button.Down = true;
    Button.MouseIn = PtInRect(&Button.R, p) != FALSE || Button.MouseIn;
    Repaint();
    if (!FListBox->Visible()) {
      WasInLB = false;
      FLBDown = true;
      DropDown();
    } else {
      CloseUp(false);
    }
  } else if (FListBox->Visible()) {
    CloseUp(false);
  }
}

void TspSkinCustomComboBox::MouseMove(TShiftState shift, int x, int y) {
  if (FLBDown) {
    ProcessListBox();
  } else {
    POINT p{x, y};
    bool in = PtInRect(&Button.R, p) != FALSE;
    if (in != Button.MouseIn) {
      Button.MouseIn = in;
      Repaint();
    }
  }
  Base::MouseMove(shift, x, y);
}

void TspSkinCustomComboBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (FLBDown && WasInLB) {
    SetMouseCapture(false);
    FLBDown = false;
    StopTimer();
    POINT p;
    GetCursorPos(&p);
    HWND at = WindowFromPoint(p);
    CloseUp(at && at == FListBox->ListBox->HandleIfAllocated());
  } else {
    FLBDown = false;
  }
  Base::MouseUp(button, shift, x, y);
  if (Button.Down) {
    Button.Down = false;
    Repaint();
  }
}

// ---- keyboard, fixed style ----

void TspSkinCustomComboBox::ComboPageUp() {
  int i = std::max(0, ItemIndex() - FDropDownCount - 1);
  SetItemIndex(i);
}

void TspSkinCustomComboBox::ComboPageDown() {
  int i = std::min(Items()->Count() - 1, ItemIndex() + FDropDownCount - 1);
  SetItemIndex(i);
}

void TspSkinCustomComboBox::ComboUp() {
  if (ItemIndex() > 0) SetItemIndex(ItemIndex() - 1);
}

void TspSkinCustomComboBox::ComboDown() {
  if (ItemIndex() < Items()->Count() - 1) SetItemIndex(ItemIndex() + 1);
}

bool TspSkinCustomComboBox::CloseUpKey(WPARAM key) {
  if (key != VK_RETURN && key != VK_ESCAPE) return false;
  if (FListBox && FListBox->Visible()) CloseUp(key == VK_RETURN);
  return true;
}

void TspSkinCustomComboBox::KeyDown(WORD& key, TShiftState shift) {
  Base::KeyDown(key, shift);
  if (CloseUpKey(key)) return;
  bool visible = FListBox->Visible();
  switch (key) {
    case VK_PRIOR:
      if (Items()->Count() > 0) ComboPageUp();
      break;
    case VK_NEXT:
      if (Items()->Count() > 0) ComboPageDown();
      break;
    case VK_LEFT:
    case VK_UP:
      if (shift & ssAlt) {
        if (visible) CloseUp(false);
      } else {
        ComboUp();
      }
      break;
    case VK_RIGHT:
    case VK_DOWN:
      if (shift & ssAlt) {
        if (!visible) DropDown();
      } else {
        ComboDown();
      }
      break;
    default:
      break;
  }
}

void TspSkinCustomComboBox::FindListItem(char16_t c) {
  std::string text;
  std::string ch = UTF16ToUTF8(std::u16string(1, c));
  if (AutoComplete) {
    uint32_t now = SkinTickCount();
    if (now - FLastTime > 499) FFilter.clear();
    FLastTime = now;
    FFilter += ch;
    text = FFilter;
  } else {
    text = ch;
  }
  bool one = UTF8ToUTF16(text).size() == 1;
  int found = FListBox->ListBox->FindString(text, one ? ItemIndex() : -1);
  if (found >= 0) SetItemIndex(found);
}

void TspSkinCustomComboBox::KeyPress(char16_t& key) {
  Base::KeyPress(key);
  if (!FEdit && key >= 32) FindListItem(key);
}

// ---- edit style ----

void TspSkinCustomComboBox::EditUp(bool change) {
  int i = FListBox->ItemIndex();
  if (i > 0) {
    FListBox->SetItemIndex(i - 1);
    if (change) {
      SetText(FListBox->Items()->Get(i - 1));
      FEdit->SelectAll();
      if (OnClick) OnClick(this);
    }
  }
}

void TspSkinCustomComboBox::EditDown(bool change) {
  int i = FListBox->ItemIndex();
  if (i < FListBox->Items()->Count() - 1) {
    FListBox->SetItemIndex(i + 1);
    if (change) {
      SetText(FListBox->Items()->Get(i + 1));
      FEdit->SelectAll();
      if (OnClick) OnClick(this);
    }
  }
}

void TspSkinCustomComboBox::EditChange() {
  if (!FEdit || FromEdit) return;
  FromEdit = true;
  std::string t = FEdit->Text();
  if (!t.empty()) {
    int found = FListBox->ListBox->FindString(t, -1);
    if (found >= 0) {
      if (HWND h = FListBox->ListBox->HandleIfAllocated()) {
        if (AutoComplete) {
          SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
          FListBox->ListBox->Invalidate();
        } else {
          SendMessageW(h, LB_SETTOPINDEX, static_cast<WPARAM>(found), 0);
        }
      }
    }
  }
  if (t != FText) {
    FText = t;
    TextChanged();
  }
  FromEdit = false;
}

void TspSkinCustomComboBox::AutoCompleteEdit() {
  uint32_t now = SkinTickCount();
  if (now - FLastTime <= 200) return;
  FLastTime = now;
  std::string t = FText;
  if (t.empty()) return;
  size_t n = UTF8ToUTF16(t).size();
  int found = FListBox->ListBox->FindString(t, n == 1 ? FListBox->ItemIndex() : -1);
  if (found < 0) return;
  SetItemIndex(found);
  int len = static_cast<int>(UTF8ToUTF16(FText).size());
  FEdit->SetSel(static_cast<int>(n), len - static_cast<int>(n));
}

void TspSkinCustomComboBox::EditWindowProcHook(TMessage& m) {
  bool visible = FListBox && FListBox->Visible();
  switch (m.Msg) {
    case WM_SETFOCUS:
      if (HasElement() && !IsEmptyRECT(ActiveSkinRect)) Invalidate();
      break;
    case WM_KILLFOCUS:
      if (visible) CloseUp(false);
      if (HasElement() && !IsEmptyRECT(ActiveSkinRect)) Invalidate();
      break;
    case WM_KEYDOWN:
      if (CloseUpKey(m.WParam)) break;
      switch (m.WParam) {
        case VK_PRIOR:
          if (visible) FListBox->SetItemIndex(std::max(0, FListBox->ItemIndex() - FDropDownCount - 1));
          break;
        case VK_NEXT:
          if (visible)
            FListBox->SetItemIndex(
                std::min(FListBox->Items()->Count() - 1, FListBox->ItemIndex() + FDropDownCount - 1));
          break;
        case VK_UP:
          EditUp(true);
          return;
        case VK_DOWN:
          EditDown(true);
          return;
        default:
          break;
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      int charset = SkinTextCharset(FSD);
      if (charset == SHIFTJIS_CHARSET || charset == GB2312_CHARSET || charset == CHINESEBIG5_CHARSET) {
        if (m.WParam != VK_DELETE && m.WParam != VK_BACK) {
          SendMessageW(FEdit->Handle(), WM_CLEAR, 0, 0);
          FEditWindowProc(m);
          if (AutoComplete) AutoCompleteEdit();
          return;
        }
      } else if (m.Msg == WM_KEYUP && m.WParam > 47) {
        FEditWindowProc(m);
        if (AutoComplete) AutoCompleteEdit();
        return;
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (visible) CloseUp(false);
      break;
    case WM_MOUSEWHEEL:
      if (GET_WHEEL_DELTA_WPARAM(m.WParam) > 0)
        EditUp(!visible);
      else
        EditDown(!visible);
      break;
    default:
      break;
  }
  FEditWindowProc(m);
}

// ---- messages ----

bool TspSkinCustomComboBox::ComboFocused() const {
  return Focused() || (FEdit && FEdit->Focused());
}

void TspSkinCustomComboBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
      Base::WndProc(m);
      CalcRects();
      return;
    case WM_SETFOCUS:
      if (FEdit) {
        Base::WndProc(m);
        FEdit->SetFocus();
        if (HasElement() && !IsEmptyRECT(ActiveSkinRect)) Invalidate();
        return;
      }
      Base::WndProc(m);
      Repaint();
      return;
    case WM_KILLFOCUS:
      Base::WndProc(m);
      if (!FEdit && FListBox && FListBox->Visible()) CloseUp(false);
      Repaint();
      return;
    case WM_ERASEBKGND:
      if (!FromWMPaint && m.WParam) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        TMessage paint{WM_PAINT, m.WParam, 0, 0};
        TCustomControl::WndProc(paint);
        if (FEdit && FEdit->HandleAllocated()) {
          int saved = SaveDC(dc);
          POINT org;
          GetViewportOrgEx(dc, &org);
          SetViewportOrgEx(dc, org.x + FEdit->Left(), org.y + FEdit->Top(), nullptr);
          IntersectClipRect(dc, 0, 0, FEdit->Width(), FEdit->Height());
          SendMessageW(FEdit->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
          RestoreDC(dc, saved);
        }
      }
      m.Result = 1;
      return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (FEdit && reinterpret_cast<HWND>(m.LParam) == FEdit->HandleIfAllocated()) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        GetSkinData();
        COLORREF text = FDefaultFont.Color;
        if (HasElement()) {
          text = FontColor;
          if (!IsEmptyRECT(ActiveSkinRect) && (FEdit->Focused() || FMouseIn)) text = ActiveFontColor;
        }
        if (!Enabled()) text = GetDisabledFontColor();
        SetTextColor(dc, text);
        FEdit->TransparentTextColour = text;
        if (FEdit->EditTransparent()) {
          // The skin element under the edit shows through.
          SetBkMode(dc, TRANSPARENT);
          m.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
          return;
        }
        SetBkColor(dc, FDefaultColor);
        if (!FEditBrush || FEditBrushColour != FDefaultColor) {
          if (FEditBrush) DeleteObject(FEditBrush);
          FEditBrush = CreateSolidBrush(FDefaultColor);
          FEditBrushColour = FDefaultColor;
        }
        m.Result = reinterpret_cast<LRESULT>(FEditBrush);
        return;
      }
      break;
    case WM_MOUSEWHEEL:
      if (!FEdit) {
        bool up = GET_WHEEL_DELTA_WPARAM(m.WParam) > 0;
        if (FListBox->Visible()) {
          int i = FListBox->ItemIndex();
          if (up && i > 0) FListBox->SetItemIndex(i - 1);
          if (!up && i < Items()->Count() - 1) FListBox->SetItemIndex(i + 1);
        } else if (up) {
          ComboUp();
        } else {
          ComboDown();
        }
      }
      m.Result = 0;
      return;
    case CM_WANTSPECIALKEY:
      if (m.WParam >= VK_LEFT && m.WParam <= VK_DOWN) {
        m.Result = 1;
        return;
      }
      break;
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case CM_ENABLEDCHANGED:
      Base::WndProc(m);
      if (FEdit) FEdit->Invalidate();
      Repaint();
      return;
    case CM_MOUSEENTER:
      if (reinterpret_cast<TControl*>(m.LParam) == this) {
        FMouseIn = true;
        if ((HasElement() && !IsEmptyRECT(ActiveSkinRect)) || FToolButtonStyle) Invalidate();
      }
      break;
    case CM_MOUSELEAVE:
      if (reinterpret_cast<TControl*>(m.LParam) == this) {
        FMouseIn = false;
        if (Button.MouseIn) {
          Button.MouseIn = false;
          Repaint();
        }
        if ((HasElement() && !IsEmptyRECT(ActiveSkinRect)) || FToolButtonStyle) Invalidate();
      }
      break;
    case CM_CANCELMODE:
      CancelFrom(reinterpret_cast<TControl*>(m.LParam));
      break;
    default:
      break;
  }
  Base::WndProc(m);
}

void TspSkinCustomComboBox::ChangeSkinData() {
  Base::ChangeSkinData();
  CalcRects();
  ApplyEditFont();
  Repaint();
  FListBox->SetSkinDataName(HasElement() ? ListBoxName : "");
  FListBox->SetSkinData(FSD);
  FListBox->UpDateScrollBar();
  CalcRects();
  if (FEdit) FEdit->SetEditTransparent(HasElement());
  if (FEdit && HasElement()) {
    int w = Width(), h = Height();
    CalcSkinSize(w, h);
    if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
  }
}
