// The form's side of the layered border: when it is shown, where it goes
// when the form moves or sizes, and switching it on and off at run time.
#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"

bool TspDynamicSkinForm::LayerBorderShown() const {
  return FBorderLayer && FBorderLayer->FVisible && FBorderLayer->FData && UseLayeredBorder();
}

bool TspDynamicSkinForm::LayerFullBorder() const {
  return FBorderLayer && FBorderLayer->FData && FBorderLayer->FData->FullBorder && UseLayeredBorder();
}

bool TspDynamicSkinForm::IsCollapsedLayerFrame() const {
  if (!FBorderLayer || !FBorderLayer->FData) return false;
  if (FBorderLayer->FData->FullBorder && FRollUpState) return true;
  return FWindowStateInit == wsMinimized && !FMinimizeDefault && !IsMainForm();
}

TRect TspDynamicSkinForm::LayerOuterBounds() const {
  const TRect b = FormBounds();
  if (!LayerBorderShown()) return b;
  const TspFormLayerBorder* L = FBorderLayer;
  return TRect{b.Left - L->LeftSize, b.Top - L->TopSize, b.Right + L->RightSize, b.Bottom + L->BottomSize};
}

namespace {
struct TopForms {
  std::vector<TCustomForm*> list;
};
BOOL CALLBACK CollectForm(HWND w, LPARAM p) {
  if (auto* f = dynamic_cast<TCustomForm*>(TWinControl::FindControl(w)))
    reinterpret_cast<TopForms*>(p)->list.push_back(f);
  return TRUE;
}
}  // namespace

void TspDynamicSkinForm::CheckAppLayeredBorders() {
  if (!IsMainForm() || !FSD || !FSD->ShowLayeredBorders() || !UseLayeredBorder()) return;
  TopForms all;
  EnumThreadWindows(GetCurrentThreadId(), &CollectForm, reinterpret_cast<LPARAM>(&all));
  std::vector<TCustomForm*> others;
  for (TCustomForm* f : all.list) {
    if (f == FForm || dynamic_cast<TspFormLayerWindow*>(f)) continue;
    if (!f->HandleAllocated() || !IsWindowVisible(f->HandleIfAllocated())) continue;
    if (f->FormStyle() == fsStayOnTop || f->FormStyle() == fsMDIChild) continue;
    others.push_back(f);
  }
  if (others.empty()) return;
  for (TCustomForm* f : others) f->Show();
  if (FForm->Visible()) FForm->Show();
}

void TspDynamicSkinForm::LayerInitFrame() {
  if (!FBorderLayer) return;
  if (FBorderLayer->FVisible) FBorderLayer->Hide();
  if (!PreviewMode) FBorderLayer->InitFrame(FSD, FForm);
}

void TspDynamicSkinForm::LayerAfterSize() {
  if (!FBorderLayer || !UseLayeredBorder() || !FBorderLayer->FVisible) return;
  if (FBorderLayerChangeSize)
    FBorderLayer->SetBoundsWithForm3(FFormLeft, FFormTop, FFormWidth, FFormHeight);
  else
    FBorderLayer->SetBoundsWithForm();
}

void TspDynamicSkinForm::LayerPosChanged(const WINDOWPOS& WP) {
  if (!FBorderLayer || !FBorderLayer->FVisible) return;
  if (!UseLayeredBorder()) return;
  if (FBorderLayerChangeSize && !FSizeMove && !(WP.flags & SWP_NOSIZE)) {
    FFormWidth = WP.cx;
    FFormHeight = WP.cy;
  }
  if (FSizeMove) {
    if (FOldFormLeft != FFormLeft || FOldFormTop != FFormTop)
      FBorderLayer->SetBoundsWithForm3(FFormLeft, FFormTop, FFormWidth, FFormHeight);
  } else if (!FBorderLayerChangeSize && !(WP.flags & SWP_NOMOVE)) {
    FBorderLayer->MoveWithForm2(FFormLeft, FFormTop);
  }
}

void TspDynamicSkinForm::LayerShowWindow(bool AShow) {
  if (!FBorderLayer) return;
  if (!AShow) {
    if (FBorderLayer->FVisible) FBorderLayer->Hide();
    return;
  }
  if (!UseLayeredBorder() || FBorderLayer->FVisible) return;
  FBorderLayer->SetActive(GetFormActive(), false);
  FBorderLayer->ShowWithForm();
}

void TspDynamicSkinForm::LayerActivate() {
  if (!FBorderLayer || !UseLayeredBorder()) return;
  HWND h = FForm->HandleIfAllocated();
  if (h && IsWindowVisible(h))
    FBorderLayer->SetActive(FFormActive, true);
  else if (FForm->Tag != -10000 && FBorderLayer->FVisible)
    FBorderLayer->Hide();
}

void TspDynamicSkinForm::LayeredBordersChanged() {
  // The bounds are kept as they were seen, with the border when it carried
  // the frame, so that switching gives the same outer place back.
  const TRect b = FormBounds();
  if (FBorderLayer && LayerBorderShown() && FBorderLayer->FData->FullBorder) {
    const TspFormLayerBorder* L = FBorderLayer;
    FOldFormBounds = TRect{b.Left - L->LeftSize, b.Top - L->TopSize, b.Width() + L->LeftSize + L->RightSize,
                           b.Height() + L->TopSize + L->BottomSize};
    FOldFullBorder = 1;
  } else {
    FOldFormBounds = TRect{b.Left, b.Top, b.Width(), b.Height()};
    FOldFullBorder = 0;
  }
  if (!FBorderLayer) return;
  HWND h = FForm->HandleIfAllocated();
  const bool visible = h && IsWindowVisible(h);
  const bool full = FBorderLayer->FData && FBorderLayer->FData->FullBorder;
  if (UseLayeredBorder()) {
    if (visible && !FBorderLayer->FVisible) {
      if (FIsVistaOS && !DisableDWMAnimation) {
        SetDwmTransitionsEnabled(h, false);
        DisableDWMAnimation = true;
      }
      FBorderLayer->SetActive(GetFormActive(), false);
      FBorderLayer->ShowWithForm();
      RestoreOldBounds();
    }
  } else if (FBorderLayer->FVisible) {
    FBorderLayer->Hide();
    RestoreOldBounds();
    if (FIsVistaOS && DisableDWMAnimation) {
      SetDwmTransitionsEnabled(h, true);
      DisableDWMAnimation = false;
    }
  }
  if (full) ChangeSkinData();
}
