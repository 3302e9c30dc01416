#include "app/input/FreeHandWnd.h"

#include <algorithm>
#include <cstdlib>

#include "framework/SysUtils.h"

std::string FreeHandAreaLabel;
std::string FreeHandInstruction;
TCaptureRegion CaptureRegion;

namespace {

constexpr const char16_t* kHintClass = u"TessFreeHandHint";

std::u16string HintLines(const std::string& text) {
  // The hint separates its lines with "\n\r"; drawn, each is one line.
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      s += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\r') ++i;
    } else {
      s += text[i];
    }
  }
  return UTF8ToUTF16(s);
}

LRESULT CALLBACK HintProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    if (const auto* text = reinterpret_cast<const std::string*>(GetWindowLongPtrW(h, GWLP_USERDATA))) {
      const std::u16string lines = HintLines(*text);
      HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
      InflateRect(&r, -3, -2);
      DrawTextW(dc, reinterpret_cast<LPCWSTR>(lines.c_str()), -1, &r, DT_LEFT | DT_NOPREFIX);
      SelectObject(dc, old);
    }
    EndPaint(h, &ps);
    return 0;
  }
  if (m == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  if (m == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcW(h, m, w, l);
}

TPixelFormat ScreenPixelFormat(TPixelFormat fallback) {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 15: return pf15bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return fallback;
  }
}

int DesktopWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int DesktopHeight() { return GetSystemMetrics(SM_CYSCREEN); }

}  // namespace

TFreeHandWindow::TFreeHandWindow(TComponent* owner) : TForm(owner) {
  SetBounds(0, 0, 290, 200);
  ShowHint = true;
  TShape** shapes[] = {&Shape1, &Shape2, &Shape3, &Shape4};
  for (int i = 0; i < 4; ++i) {
    TShape* s = new TShape(this);
    s->SetVisible(false);
    s->Brush()->SetStyle(bsClear);
    // Vertical lines 2 pixels wide, horizontal ones 2 pixels high.
    if (i % 2 == 0)
      s->SetBounds(0, 0, 2, 200);
    else
      s->SetBounds(0, 0, 290, 2);
    // The lines lie under the pointer all the time: they must not stop a drag.
    s->OnMouseDown = [this](TObject* o, TMouseButton b, TShiftState sh, int x, int y) {
      FormMouseDown(o, b, sh, x, y);
    };
    s->OnMouseMove = [this](TObject* o, TShiftState sh, int x, int y) { FormMouseMove(o, sh, x, y); };
    s->OnMouseUp = [this](TObject* o, TMouseButton b, TShiftState sh, int x, int y) {
      FormMouseUp(o, b, sh, x, y);
    };
    s->SetParent(this);
    *shapes[i] = s;
  }
  OnMouseDown = [this](TObject* o, TMouseButton b, TShiftState sh, int x, int y) { FormMouseDown(o, b, sh, x, y); };
  OnMouseMove = [this](TObject* o, TShiftState sh, int x, int y) { FormMouseMove(o, sh, x, y); };
  OnMouseUp = [this](TObject* o, TMouseButton b, TShiftState sh, int x, int y) { FormMouseUp(o, b, sh, x, y); };

  // The frozen picture, in the screen's own depth.
  fBMP = std::make_unique<TBitmap>();
  fBMP->SetPixelFormat(ScreenPixelFormat(fBMP->PixelFormat()));
  fBMP->TransparentMode = tmAuto;
  fBMP->SetTransparent(true);
  fBMP->SetSize(DesktopWidth(), DesktopHeight());
}

TFreeHandWindow::~TFreeHandWindow() {
  if (FreeHandWindow == this) FreeHandWindow = nullptr;
  fBMP.reset();
  CancelHint();
  if (FHint) DestroyWindow(FHint);
  FHint = nullptr;
}

void TFreeHandWindow::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPCHILDREN;
  params.ExStyle = 0;
}

void TFreeHandWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      // The picture covers everything: erasing first would only flicker.
      m.Result = 1;
      return;
    case WM_SHOWWINDOW:
      // Before the window appears, so the picture does not hold it.
      if (m.WParam) FormShow(this);
      break;
    default:
      break;
  }
  TForm::WndProc(m);
}

void TFreeHandWindow::FormShow(TObject*) {
  const int w = DesktopWidth(), h = DesktopHeight();
  SetBounds(0, 0, w, h);
  if (fBMP->Width() != w || fBMP->Height() != h) fBMP->SetSize(w, h);
  HDC screen = GetDC(nullptr);
  BitBlt(fBMP->DC(), 0, 0, w, h, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);
  RegionOK = false;
  for (TShape* s : {Shape1, Shape2, Shape3, Shape4}) {
    s->Pen()->SetColor(clRed);
    s->SetVisible(false);
  }
}

void TFreeHandWindow::PaintWindow(HDC dc) {
  RECT clip;
  if (GetClipBox(dc, &clip) == NULLREGION) return;
  BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, fBMP->DC(), clip.left, clip.top,
         SRCCOPY);
}

POINT TFreeHandWindow::ScreenPoint(TObject* sender, int x, int y) {
  POINT p{x, y};
  if (auto* c = dynamic_cast<TControl*>(sender); c && c != this) {
    p.x += c->Left();
    p.y += c->Top();
  }
  ::ClientToScreen(Handle(), &p);
  return p;
}

void TFreeHandWindow::ComputeRegion() {
  PRegion.Left = std::min(X1, X2);
  PRegion.Width = std::abs(X1 - X2);
  PRegion.Top = std::min(Y1, Y2);
  PRegion.Height = std::abs(Y1 - Y2);
}

void TFreeHandWindow::FormMouseDown(TObject* sender, TMouseButton button, TShiftState, int x, int y) {
  CancelHint();
  if (button != mbLeft) return;
  const POINT p = ScreenPoint(sender, x, y);
  X1 = Y1 = X2 = Y2 = 0;
  PRegion = TFreeHandRegion{};
  SelectRegion1 = true;
  RegionOK = false;
  Shape1->SetVisible(true);
  Shape2->SetVisible(true);
  Shape3->SetVisible(false);
  Shape4->SetVisible(false);
  const RECT c = ClientRect();
  Shape1->SetBounds(p.x, 0, 2, c.bottom);
  Shape2->SetBounds(0, p.y, c.right, 2);
  X1 = p.x;
  Y1 = p.y;
}

void TFreeHandWindow::FormMouseMove(TObject* sender, TShiftState, int x, int y) {
  const POINT p = ScreenPoint(sender, x, y);
  const RECT c = ClientRect();
  if (SelectRegion1) {
    for (TShape* s : {Shape1, Shape2, Shape3, Shape4}) s->SetVisible(true);
    Shape3->SetBounds(p.x, 0, 2, c.bottom);
    Shape4->SetBounds(0, p.y, c.right, 2);
    X2 = p.x;
    Y2 = p.y;
    RegionOK = true;
  } else if (!RegionOK) {
    Shape1->SetVisible(true);
    Shape2->SetVisible(true);
    Shape1->SetBounds(p.x, 0, 2, c.bottom);
    Shape2->SetBounds(0, p.y, c.right, 2);
    Shape3->SetVisible(false);
    Shape4->SetVisible(false);
  }
  ComputeRegion();
  std::string text = "X: " + std::to_string(p.x) + " Y: " + std::to_string(p.y);
  if (PRegion.Width != 0 && PRegion.Height != 0)
    text += "\n\r" + FreeHandAreaLabel + " : " + std::to_string(PRegion.Width) + " x " +
            std::to_string(PRegion.Height);
  text += "\n\r" + std::string(40, '-') + "\n\r" + FreeHandInstruction;
  ShowHintAt(text, p);
}

void TFreeHandWindow::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  ComputeRegion();
  SelectRegion1 = false;
  if (Shape1->Left() == Shape3->Left() || Shape2->Top() == Shape4->Top() ||
      (!Shape3->Visible() && !Shape4->Visible())) {
    RegionOK = false;
    return;
  }
  RegionOK = true;
  if (PRegion.Width != 0 && PRegion.Height != 0) ModalResult = mrOk;
}

void TFreeHandWindow::ShowHintAt(const std::string& text, POINT at) {
  FHintText = text;
  if (!FHint) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = HintProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
      wc.lpszClassName = reinterpret_cast<LPCWSTR>(kHintClass);
      registered = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    FHint = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                            reinterpret_cast<LPCWSTR>(kHintClass), nullptr, WS_POPUP | WS_BORDER, 0, 0, 0, 0,
                            Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!FHint) return;
    SetWindowLongPtrW(FHint, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&FHintText));
  }
  HDC dc = GetDC(FHint);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  const std::u16string lines = HintLines(text);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(lines.c_str()), -1, &r, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(FHint, dc);
  const int w = r.right + 8, h = r.bottom + 6;
  // Just below and right of the pointer, kept on the screen.
  int x = at.x + 12, y = at.y + 20;
  if (x + w > DesktopWidth()) x = std::max<int>(0, at.x - w - 4);
  if (y + h > DesktopHeight()) y = std::max<int>(0, at.y - h - 4);
  SetWindowPos(FHint, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(FHint, nullptr, TRUE);
}

void TFreeHandWindow::CancelHint() {
  FHintText.clear();
  if (FHint) ShowWindow(FHint, SW_HIDE);
}

TFreeHandWindow* FreeHandWindow = nullptr;

void ResetCaptureRegion() { CaptureRegion = TCaptureRegion{0, 0, DesktopWidth(), DesktopHeight()}; }

TCaptureRegion CaptureRegionFor(const TFreeHandRegion& picked) {
  TCaptureRegion r{picked.Left, picked.Top, picked.Width, picked.Height};
  if (r.Width % 2 != 0 && r.Width > 2) --r.Width;
  if (r.Height % 2 != 0 && r.Height > 2) --r.Height;
  r.Width = std::max(r.Width, 64);
  r.Height = std::max(r.Height, 64);
  return r;
}

void ChooseCaptureRegion(int source) {
  switch (source) {
    case 0:
      ResetCaptureRegion();
      break;
    case 1: {
      std::unique_ptr<TFreeHandWindow> own;
      TFreeHandWindow* picker = FreeHandWindow;
      if (!picker) {
        own.reset(new TFreeHandWindow(Application));
        picker = own.get();
      }
      SetWindowPos(picker->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      if (picker->ShowModal() == mrOk) CaptureRegion = CaptureRegionFor(picker->PRegion);
      break;
    }
    default:
      break;
  }
}
