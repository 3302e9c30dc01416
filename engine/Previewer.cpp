// The preview window. Win32 code: compiled apart from the media code (see
// engine/CMakeLists.txt), which only sees Previewer.h.
#include "engine/Previewer.h"

#include <windows.h>

#include "engine/FFText.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Threads.h"

namespace {

// A stay-on-top tool window with only the system menu's close box, showing
// the last picture it was given.
class TPreviewForm : public TForm {
public:
  using TForm::TForm;
  TBitmap Shown;

protected:
  const char16_t* WindowClassName() const override { return u"TPreviewForm"; }
  void CreateParams(TCreateParams& p) override {
    TForm::CreateParams(p);
    p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  }
  void PaintWindow(HDC dc) override {
    if (!Shown.Empty()) BitBlt(dc, 0, 0, Shown.Width(), Shown.Height(), Shown.DC(), 0, 0, SRCCOPY);
  }
};

// The application's message handler while a preview window is up. Each
// previewer stacks its own on top of the handler it found; one taken down
// out of order only forwards from then on, so the handlers stacked above it
// keep a working chain.
struct TPreviewHook {
  struct TState {
    HWND Window = nullptr;
    TMessageEvent Previous;
    bool Active = true;
  };
  std::shared_ptr<TState> State;

  void operator()(MSG& msg, bool& handled) const {
    if (State->Active && msg.message == WM_LBUTTONDOWN && msg.hwnd == State->Window) {
      // Dragging anywhere in the picture moves the window, as the caption does.
      SendMessageW(State->Window, WM_NCLBUTTONDOWN, HTCAPTION,
                   MAKELPARAM(static_cast<WORD>(msg.pt.x), static_cast<WORD>(msg.pt.y)));
      handled = true;
      return;
    }
    if (State->Previous) State->Previous(msg, handled);
  }
};

}  // namespace

struct TPreviewer::TWindow {
  std::unique_ptr<TPreviewForm> Form;
  std::shared_ptr<TPreviewHook::TState> Hook;
};

TPreviewer::TPreviewer() = default;

TPreviewer::~TPreviewer() {
  // The window belongs to the GUI thread; a previewer let go on a worker
  // sends its release there. Nothing may escape a destructor.
  try {
    CallInMainThread([this] { Release(); });
  } catch (...) {
  }
}

void TPreviewer::Release() {
  if (!FWindow) return;
  if (Application && FWindow->Hook) {
    const auto* current = Application->OnMessage.target<TPreviewHook>();
    if (current && current->State == FWindow->Hook)
      Application->OnMessage = FWindow->Hook->Previous;
    else
      FWindow->Hook->Active = false;
  }
  FWindow.reset();
  FFormHandle = nullptr;
}

bool TPreviewer::PaintFrame(TBitmap* bitmap, int frameNumber, int64_t pts) {
  if (!FClosed) {
    FBitmap = bitmap;
    FFrameNumber = frameNumber;
    FPTS = pts;
    CallInMainThread([this] { Paint(); });
  }
  return !FClosed;
}

void TPreviewer::Paint() {
  if (FClosed || !FBitmap) return;
  if (!FWindow) {
    auto window = std::make_unique<TWindow>();
    window->Form = std::make_unique<TPreviewForm>(nullptr);
    TPreviewForm* form = window->Form.get();
    form->OnCloseQuery = [this](TObject*, bool&) { FClosed = true; };
    // Client size = the picture's; the whole window centred on the screen.
    RECT r{0, 0, FBitmap->Width(), FBitmap->Height()};
    AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    const int w = r.right - r.left, h = r.bottom - r.top;
    form->SetBounds((GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h);
    FFormHandle = form->Handle();
    if (Application) {
      window->Hook = std::make_shared<TPreviewHook::TState>();
      window->Hook->Window = form->Handle();
      window->Hook->Previous = Application->OnMessage;
      Application->OnMessage = TPreviewHook{window->Hook};
    }
    FWindow = std::move(window);
    form->Show();
  }
  TPreviewForm* form = FWindow->Form.get();
  form->SetCaption(TimeStampToText(FPTS));
  // The window keeps its own copy: the picture it was given changes with
  // every frame and goes with the task.
  TBitmap& shown = form->Shown;
  shown.SetPixelFormat(FBitmap->PixelFormat());
  if (FBitmap->PixelFormat() == pf8bit) shown.SetPalette(FBitmap->Palette());
  shown.SetSize(FBitmap->Width(), FBitmap->Height());
  BitBlt(shown.DC(), 0, 0, shown.Width(), shown.Height(), FBitmap->DC(), 0, 0, SRCCOPY);
  GdiFlush();
  HWND h = static_cast<HWND>(FFormHandle);
  InvalidateRect(h, nullptr, FALSE);
  UpdateWindow(h);
}
