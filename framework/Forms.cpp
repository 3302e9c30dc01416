#include "framework/Forms.h"

#include "framework/Threads.h"

#include <algorithm>

TApplication* Application = nullptr;

namespace {

const char16_t kAppClass[] = u"TApplication";

LRESULT CALLBACK AppWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LPCWSTR W(const char16_t* s) { return reinterpret_cast<LPCWSTR>(s); }

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
  FHandle = CreateWindowExW(0, W(kAppClass), u"", WS_POPUP | WS_CLIPSIBLINGS, 0, 0, 0, 0, nullptr,
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
// TForm

TForm::TForm(TComponent* owner) : TComponent(owner) {}

TForm::~TForm() {
  if (FHandle) {
    HWND h = FHandle;
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    FHandle = nullptr;
    DestroyWindow(h);
  }
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
}

void TForm::CreateParams(DWORD& style, DWORD& exStyle) {
  style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  exStyle = WS_EX_APPWINDOW;
}

void TForm::CreateHandle() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  const char16_t* cls = WindowClassName();
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(inst, W(cls), &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TForm::StdWndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = W(cls);
    if (!RegisterClassExW(&wc)) throw Exception("Cannot register the window class of a form");
  }
  DWORD style = 0, exStyle = 0;
  CreateParams(style, exStyle);
  std::u16string caption = UTF8ToUTF16(FCaption);
  HWND owner = Application ? Application->Handle() : nullptr;
  HWND h = CreateWindowExW(exStyle, W(cls), W(caption.c_str()), style, FLeft, FTop, FWidth, FHeight,
                           owner, nullptr, inst, this);
  if (!h) throw Exception("Cannot create the window of a form");
  FHandle = h;
}

HWND TForm::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

std::string TForm::Caption() const { return FCaption; }

void TForm::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (FHandle) SetWindowTextW(FHandle, W(UTF8ToUTF16(caption).c_str()));
}

void TForm::SetBounds(int left, int top, int width, int height) {
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FHandle) MoveWindow(FHandle, left, top, width, height, TRUE);
}

void TForm::Show() {
  HWND h = Handle();
  ShowWindow(h, SW_SHOW);
  FVisible = true;
  BringWindowToTop(h);
  if (OnShow) OnShow(this);
}

void TForm::Hide() {
  if (FHandle) ShowWindow(FHandle, SW_HIDE);
  if (FVisible && OnHide) {
    FVisible = false;
    OnHide(this);
  }
  FVisible = false;
}

void TForm::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = caHide;
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

int TForm::ShowModal() {
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

void TForm::DefaultHandler(TMessage& m) { m.Result = DefWindowProcW(FHandle, m.Msg, m.WParam, m.LParam); }

void TForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      m.Result = 0;
      return;
    case CM_RELEASE:
      delete this;
      return;
    default:
      DefaultHandler(m);
  }
}

LRESULT CALLBACK TForm::StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<TForm*>(cs->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    if (form) form->FHandle = hwnd;
  }
  auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  try {
    form->WndProc(m);
  } catch (...) {
    // Nothing may unwind through the system's code.
    if (Application)
      Application->HandleException(std::current_exception());
    else
      ReportException(std::current_exception());
    return 0;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (form->FHandle == hwnd) form->FHandle = nullptr;
  }
  return m.Result;
}
