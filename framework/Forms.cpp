#include "framework/Forms.h"

#include "framework/Menus.h"
#include "framework/Threads.h"
#include "framework/WideText.h"

#include <algorithm>

TApplication* Application = nullptr;

// Never destroyed: the cursors it owns go with the process, and no window
// may be left pointing at a destroyed one while statics are torn down.
static TScreen* const gScreen = new TScreen();
TScreen* Screen = gScreen;

HCURSOR TScreen::GetCursors(TCursor index) const {
  auto it = FOwned.find(index);
  return it != FOwned.end() ? it->second : CursorHandle(index);
}

int TScreen::FormCount() const {
  std::lock_guard<std::mutex> lock(FFormsLock);
  return int(FForms.size());
}

void TScreen::VisitForms(const std::function<void(TCustomForm*)>& visit) const {
  std::lock_guard<std::mutex> lock(FFormsLock);
  for (TCustomForm* f : FForms) visit(f);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
  auto it = FOwned.find(index);
  if (it != FOwned.end()) {
    if (it->second == cursor) return;
    DestroyCursor(it->second);
    FOwned.erase(it);
  }
  if (cursor) FOwned[index] = cursor;
  // The controls look cursors up by number in the framework's table; an
  // emptied slot shows the default arrow there (a shared system cursor).
  SetScreenCursor(index, cursor ? cursor : CursorHandle(crDefault));
}

namespace {

const char16_t kAppClass[] = u"TApplication";

LRESULT CALLBACK AppWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

struct DisabledWindows {
  HWND dialog;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectEnabledWindow(HWND w, LPARAM p) {
  auto* list = reinterpret_cast<DisabledWindows*>(p);
  if (w != list->dialog && IsWindowVisible(w) && IsWindowEnabled(w)) list->windows.push_back(w);
  return TRUE;
}

}  // namespace

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  SetMainThread();
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = AppWndProc;
  wc.hInstance = inst;
  wc.lpszClassName = W(kAppClass);
  RegisterClassExW(&wc);
  FHandle = CreateWindowExW(0, W(kAppClass), W(u""), WS_POPUP | WS_CLIPSIBLINGS, 0, 0, 0, 0, nullptr,
                            nullptr, inst, nullptr);
  if (!Application) Application = this;
  SetWaitMessagePump(&TApplication::PumpForWait);
  SetExceptionReporter(nullptr);
}

TApplication::~TApplication() {
  // Forms go first, while the owner window still exists.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  FMainForm = nullptr;
  if (FHandle) DestroyWindow(FHandle);
  if (Application == this) {
    Application = nullptr;
    SetWaitMessagePump(nullptr);
  }
}

void TApplication::PumpForWait() {
  if (Application && IsMainThread()) Application->ProcessMessages();
}

int TApplication::AddMessageHook(TMessageEvent hook) {
  int id = FNextHookId++;
  FHooks.emplace_back(id, std::move(hook));
  return id;
}

void TApplication::RemoveMessageHook(int id) {
  FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(),
                              [id](const std::pair<int, TMessageEvent>& h) { return h.first == id; }),
               FHooks.end());
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  RunGuarded([&] {
    if (OnMessage) OnMessage(msg, handled);
    // Copy: a hook may add or remove hooks.
    auto hooks = FHooks;
    for (auto& h : hooks) {
      if (handled) break;
      if (h.second) h.second(msg, handled);
    }
  });
  if (!handled && FMainForm && FMainForm->FormStyle() == fsMDIForm && FMainForm->ClientHandle() &&
      (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN))
    handled = TranslateMDISysAccel(FMainForm->ClientHandle(), &msg) != FALSE;
  if (!handled) RunGuarded([&] { handled = TCustomForm::IsKeyMsg(msg); });
  if (!handled) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg) && !FTerminated) WaitMessage();
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (!FTerminated && ProcessMessage(msg)) {
  }
}

void TApplication::Run() {
  if (FMainForm && !FMainForm->Visible()) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
  if (IsMainThread())
    PostQuitMessage(0);
  else
    PostThreadMessageW(MainThreadID(), WM_QUIT, 0, 0);
}

void TApplication::Minimize() {
  if (FMinimized) return;
  FMinimized = true;
  if (FHandle) ShowOwnedPopups(FHandle, FALSE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (!FMinimized) return;
  FMinimized = false;
  if (FHandle) ShowOwnedPopups(FHandle, TRUE);
  if (OnRestore) OnRestore(this);
}

void TApplication::HandleException(std::exception_ptr e) {
  std::string text = ExceptionText(e);
  if (OnException) {
    try {
      OnException(this, text);
      return;
    } catch (...) {
    }
  }
  ReportException(e);
}

// ---------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  FLeft = CW_USEDEFAULT;
  FTop = CW_USEDEFAULT;
  FWidth = 640;
  FHeight = 480;
  FVisible = false;
  ControlStyle |= csAcceptsControls;
  std::lock_guard<std::mutex> lock(Screen->FFormsLock);
  Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm() {
  // The window goes while the form is still whole and still listed: its last
  // messages (a frame hook's WM_DESTROY, an MDI child's WM_MDIDESTROY) find a
  // complete form marked as going, never the remains of one.
  MarkDestroying();
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  DestroyHandle();
  {
    std::lock_guard<std::mutex> lock(Screen->FFormsLock);
    auto& forms = Screen->FForms;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  }
  FActiveControl = nullptr;
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  p.ExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  FrameStyles(p.Style, p.ExStyle);
  if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  p.WndParent = Application ? Application->Handle() : nullptr;
  if (FFormStyle == fsMDIChild) {
    TCustomForm* frame = Application ? Application->MainForm() : nullptr;
    if (!frame || frame == this || frame->FFormStyle != fsMDIForm)
      throw Exception("Cannot create the form: no MDI form is active");
    frame->HandleNeeded();
    p.WndParent = frame->FClientHandle;
    p.Style = (p.Style & ~DWORD(WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS;
    p.ExStyle = (p.ExStyle & ~DWORD(WS_EX_APPWINDOW | WS_EX_TOPMOST)) | WS_EX_MDICHILD;
  }
  p.WinClassName = WindowClassName();
  p.WindowClassStyle = CS_DBLCLKS;
  p.Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}

void TCustomForm::FrameStyles(DWORD& style, DWORD& exStyle) const {
  style &= ~DWORD(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP);
  exStyle &= ~DWORD(WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME);
  switch (FBorderStyle) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle: case bsToolWindow: style |= WS_CAPTION; break;
    case bsDialog: style |= WS_CAPTION; exStyle |= WS_EX_DLGMODALFRAME; break;
    case bsSizeable: case bsSizeToolWin: style |= WS_CAPTION | WS_THICKFRAME; break;
  }
  if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) exStyle |= WS_EX_TOOLWINDOW;
  if (FBorderStyle != bsNone && (FBorderIcons & biSystemMenu)) {
    style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
      if (FBorderIcons & biMinimize) style |= WS_MINIMIZEBOX;
      if (FBorderIcons & biMaximize) style |= WS_MAXIMIZEBOX;
    }
  }
}

void TCustomForm::ApplyFrameStyle() {
  if (!FHandle) return;
  DWORD style = DWORD(GetWindowLongW(FHandle, GWL_STYLE)), ex = DWORD(GetWindowLongW(FHandle, GWL_EXSTYLE));
  FrameStyles(style, ex);
  SetWindowLongW(FHandle, GWL_STYLE, LONG(style));
  SetWindowLongW(FHandle, GWL_EXSTYLE, LONG(ex));
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  ApplyFrameStyle();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (value == FBorderIcons) return;
  FBorderIcons = value;
  ApplyFrameStyle();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (value == FFormStyle) return;
  const bool mdi = value == fsMDIChild || value == fsMDIForm || FFormStyle == fsMDIChild || FFormStyle == fsMDIForm;
  FFormStyle = value;
  if (FHandle && mdi) {
    const bool visible = FVisible;
    DestroyHandle();
    if (visible) {
      FVisible = false;
      Show();
    }
    return;
  }
  if (FHandle)
    SetWindowPos(FHandle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (FFormStyle != fsMDIForm || FClientHandle) return;
  CLIENTCREATESTRUCT ccs = {};
  ccs.idFirstChild = 0xFF00;
  RECT r;
  GetClientRect(FHandle, &r);
  // No system scroll bars: the skinned frame shows its own over the client.
  FClientHandle = CreateWindowExW(0, W(u"MDICLIENT"), nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                  0, 0, r.right, r.bottom, FHandle, nullptr, GetModuleHandleW(nullptr), &ccs);
  if (!FClientHandle) throw Exception("Cannot create the MDI client window of \"" + Name() + "\"");
}

void TCustomForm::DestroyWnd() {
  if (FFormStyle == fsMDIChild && FHandle) {
    // The client picks the next active child and forgets this one.
    HWND client = GetParent(FHandle);
    if (client && IsWindow(client)) SendMessageW(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(FHandle), 0);
  }
  TWinControl::DestroyWnd();
  FClientHandle = nullptr;
}

void TCustomForm::AlignControls(TControl* control, RECT& rect) {
  TWinControl::AlignControls(control, rect);
  if (FFormStyle == fsMDIForm && FClientHandle && IsWindow(FClientHandle))
    SetWindowPos(FClientHandle, HWND_BOTTOM, rect.left, rect.top, std::max(0, int(rect.right - rect.left)),
                 std::max(0, int(rect.bottom - rect.top)), SWP_NOACTIVATE);
}

void TCustomForm::DefaultHandler(TMessage& m) {
  if (FHandle && FFormStyle == fsMDIForm && FClientHandle) {
    // The frame lays the client out itself (AlignControls).
    if (m.Msg == WM_SIZE)
      m.Result = DefWindowProcW(FHandle, m.Msg, m.WParam, m.LParam);
    else
      m.Result = DefFrameProcW(FHandle, FClientHandle, m.Msg, m.WParam, m.LParam);
    return;
  }
  if (FHandle && FFormStyle == fsMDIChild) {
    m.Result = DefMDIChildProcW(FHandle, m.Msg, m.WParam, m.LParam);
    return;
  }
  TWinControl::DefaultHandler(m);
}

std::vector<TCustomForm*> TCustomForm::MDIChildList() const {
  std::vector<TCustomForm*> list;
  if (FFormStyle != fsMDIForm || !FClientHandle) return list;
  for (HWND w = GetWindow(FClientHandle, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    auto* f = dynamic_cast<TCustomForm*>(TWinControl::FindControl(w));
    if (f && f->FFormStyle == fsMDIChild && !(f->ComponentState() & csDestroying)) list.push_back(f);
  }
  return list;
}

int TCustomForm::MDIChildCount() const { return static_cast<int>(MDIChildList().size()); }

TCustomForm* TCustomForm::MDIChildren(int index) const {
  std::vector<TCustomForm*> list = MDIChildList();
  if (index < 0 || index >= static_cast<int>(list.size())) return nullptr;
  return list[static_cast<size_t>(index)];
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  if (FFormStyle != fsMDIForm || !FClientHandle) return nullptr;
  HWND w = reinterpret_cast<HWND>(SendMessageW(FClientHandle, WM_MDIGETACTIVE, 0, 0));
  auto* f = w ? dynamic_cast<TCustomForm*>(TWinControl::FindControl(w)) : nullptr;
  return f && f->FFormStyle == fsMDIChild ? f : nullptr;
}

void TCustomForm::Next() {
  if (FFormStyle == fsMDIForm && FClientHandle) SendMessageW(FClientHandle, WM_MDINEXT, 0, 0);
}

void TCustomForm::Previous() {
  if (FFormStyle == fsMDIForm && FClientHandle) SendMessageW(FClientHandle, WM_MDINEXT, 0, 1);
}

bool TCustomForm::CloseQuery() {
  for (TCustomForm* child : MDIChildList())
    if (!child->CloseQuery()) return false;
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Show() {
  HWND h = Handle();
  bool was = FVisible;
  FVisible = true;
  ShowWindow(h, SW_SHOW);
  if (FFormStyle == fsMDIChild && GetParent(h))
    SendMessageW(GetParent(h), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(h), 0);
  else
    BringWindowToTop(h);
  if (FActiveControl && FActiveControl->CanFocus())
    FActiveControl->SetFocus();
  else if (!FActiveControl)
    SelectNext(nullptr, true, true);
  if (!was && OnShow) OnShow(this);
}

void TCustomForm::Hide() {
  bool was = FVisible;
  FVisible = false;
  if (FHandle) ShowWindow(FHandle, SW_HIDE);
  if (was && OnHide) OnHide(this);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control && (!ContainsControl(control) || control == this)) throw Exception("The control is not on this form");
  FActiveControl = control;
  if (control && FHandle && IsWindowVisible(FHandle) && control->CanFocus()) control->SetFocus();
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control == FActiveControl) return;
  TWinControl* old = FActiveControl;
  FActiveControl = control;
  if (old) old->DoExit();
  if (control && FActiveControl == control) control->DoEnter();
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(FActiveControl));
}

void TCustomForm::DefocusControl(TWinControl* control) {
  if (!FActiveControl || !control->ContainsControl(FActiveControl)) return;
  TWinControl* next = FindNextControl(FActiveControl, true, true, false);
  if (next && control->ContainsControl(next)) next = nullptr;
  if (next && next->SetFocus()) return;
  FActiveControl = nullptr;
  if (FHandle && control->HandleAllocated() && IsChild(control->HandleIfAllocated(), GetFocus()))
    ::SetFocus(FHandle);
  Perform(CM_FOCUSCHANGED, 0, 0);
}

void TCustomForm::ControlRemoving(TWinControl* control) {
  if (FActiveControl && control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

bool TCustomForm::IsKeyMsg(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_CHAR &&
      msg.message != WM_SYSCHAR)
    return false;
  // The inner window of a system control belongs to the control around it.
  TWinControl* control = nullptr;
  for (HWND h = msg.hwnd; h && !control; h = GetParent(h)) control = TWinControl::FindControl(h);
  if (!control) return false;
  TCustomForm* form = control->GetParentForm();
  if (!form) return false;
  if (msg.message == WM_KEYDOWN) {
    LRESULT mask = 0;
    switch (msg.wParam) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
      default: return false;
    }
    if (control->Perform(CM_WANTSPECIALKEY, msg.wParam, msg.lParam) != 0) return false;
    if (SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) & mask) return false;
    return form->Perform(CM_DIALOGKEY, msg.wParam, msg.lParam) != 0;
  }
  if (msg.message == WM_SYSCHAR) return form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
  if (msg.message == WM_CHAR) {
    if (SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTCHARS)
      return false;
    return form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
  }
  return false;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  // An MDI child has no place to hide in: closing it frees it.
  TCloseAction action = FFormStyle == fsMDIChild ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (FModal) {
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return;
  }
  if (Application && Application->MainForm() == this) {
    Hide();
    Application->Terminate();
    return;
  }
  if (action == caMinimize) {
    ShowWindow(Handle(), SW_MINIMIZE);
    return;
  }
  Hide();
  // Never free a form inside its own handlers: the release comes back as a
  // message once the current one is done.
  if (action == caFree) PostMessageW(Handle(), CM_RELEASE, 0, 0);
}

int TCustomForm::ShowModal() {
  if (FModal || !Application) return mrCancel;
  HWND h = Handle();
  // Every other window of the program is disabled while the dialog is up.
  DisabledWindows others{h, {}};
  EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&others));
  std::vector<HWND>& disabled = others.windows;
  for (HWND w : disabled) EnableWindow(w, FALSE);
  FModal = true;
  ModalResult = mrNone;
  Show();
  while (ModalResult == mrNone && !Application->Terminated()) Application->HandleMessage();
  // A quit request that arrived inside the dialog is meant for the outer loop.
  if (Application->Terminated()) ModalResult = mrCancel;
  for (HWND w : disabled) EnableWindow(w, TRUE);
  Hide();
  FModal = false;
  int result = ModalResult;
  return result;
}

void TCustomForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      m.Result = 0;
      return;
    case CM_RELEASE:
      delete this;
      return;
    case WM_SETFOCUS:
      // The form itself never keeps the focus while a control can take it.
      if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
        FActiveControl->SetFocus();
        return;
      }
      DefaultHandler(m);
      return;
    case WM_ACTIVATE:
      FActive = LOWORD(m.WParam) != WA_INACTIVE;
      DefaultHandler(m);
      if (LOWORD(m.WParam) != WA_INACTIVE && FActiveControl && FActiveControl->CanFocus())
        FActiveControl->SetFocus();
      return;
    case CM_VISIBLECHANGED:
      // Show and Hide do the work; SetVisible goes through them.
      if (FVisible) {
        FVisible = false;
        Show();
      } else {
        FVisible = true;
        Hide();
      }
      return;
    case CM_DIALOGKEY:
      if (GetKeyState(VK_MENU) >= 0) {
        switch (m.WParam) {
          case VK_TAB:
            SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
            m.Result = 1;
            return;
          case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
            if (FActiveControl && FActiveControl->Parent()) {
              FActiveControl->Parent()->SelectNext(FActiveControl, m.WParam == VK_RIGHT || m.WParam == VK_DOWN,
                                                   false);
              m.Result = 1;
              return;
            }
            break;
          default:
            break;
        }
      }
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}
