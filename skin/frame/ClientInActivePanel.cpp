// The client-inactive panel and the form component's side of it.
#include "skin/frame/ClientInActivePanel.h"

#include "skin/frame/DynamicSkinForm.h"

TspClientInActivePanel::TspClientInActivePanel(TComponent* AOwner) : TspSkinPaintPanel(AOwner) { SetVisible(false); }

TspClientInActivePanel::~TspClientInActivePanel() = default;

void TspClientInActivePanel::Paint() {
  if (Buffer && PaintDC()) Buffer->Draw(PaintDC(), 0, 0);
}

void TspClientInActivePanel::ShowPanel(TCustomForm* AForm, TspClientInActiveEffect AEffect) {
  if (!AForm || !AForm->HandleAllocated() || !IsWindowVisible(AForm->Handle())) return;
  RECT cr;
  GetClientRect(AForm->Handle(), &cr);
  const int W = cr.right, H = cr.bottom;
  if (W <= 0 || H <= 0) return;
  SetVisible(false);
  SetParent(AForm);
  SetBounds(0, 0, W, H);
  Buffer = std::make_unique<TspBitmap>();
  Buffer->SetSize(W, H);
  // The window's current image through an ordinary DC: a paint DC taken
  // outside a paint message is clipped to the (empty) update region.
  HWND h = AForm->Handle();
  HDC dc = GetDC(h);
  BitBlt(Buffer->DC(), 0, 0, W, H, dc, 0, 0, SRCCOPY);
  ReleaseDC(h, dc);
  GdiFlush();
  if (AEffect == spieBlur) {
    StackBlurBitmap(*Buffer, 3);
  } else {
    TspBitmap back;
    back.SetSize(W, H);
    SendMessageW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(back.DC()), 0);
    GdiFlush();
    back.SetAlpha(170);
    back.SetAlphaBlendFlag(true);
    back.Draw(*Buffer, 0, 0);
  }
  Buffer->SetAlpha(255);
  Buffer->SetAlphaBlendFlag(false);
  SetVisible(true);
  if (HandleAllocated()) SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TspClientInActivePanel::HidePanel() {
  SetVisible(false);
  Buffer.reset();
}

void TspDynamicSkinForm::ShowClientInActiveEffect() {
  if (FInActivePanel) HideClientInActiveEffect();
  FInActivePanel = new TspClientInActivePanel(this);
  FClientInActiveDraw = true;
  FInActivePanel->ShowPanel(FForm, ClientInActiveEffectType);
  FClientInActiveDraw = false;
}

void TspDynamicSkinForm::HideClientInActiveEffect() {
  if (!FInActivePanel) return;
  FInActivePanel->HidePanel();
  delete FInActivePanel;
  FInActivePanel = nullptr;
}

void TspDynamicSkinForm::ClientInActiveChanged(bool AActive) {
  if (!ClientInActiveEffect) return;
  HWND h = FForm->HandleIfAllocated();
  if (!h || !IsWindowVisible(h)) return;
  if (AActive)
    HideClientInActiveEffect();
  else
    ShowClientInActiveEffect();
}
