// The application's access to the frame objects by their skin names, and
// controls placed on named areas of the skin picture.
#include "skin/controls/SkinControl.h"
#include "skin/frame/DynamicSkinForm.h"

TspDynamicSkinForm* GetDynamicSkinForm(TCustomForm* Form) {
  if (!Form) return nullptr;
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* d = dynamic_cast<TspDynamicSkinForm*>(Form->Components(i))) return d;
  return nullptr;
}

void TspDynamicSkinForm::DoSwitchChangeState(const std::string& IDName, TSwitchState State) {
  if (OnSwitchChangeStateEvent) OnSwitchChangeStateEvent(IDName, State);
}
void TspDynamicSkinForm::DoTrackBarChangeValue(const std::string& IDName, int Value) {
  if (OnTrackBarChangeValueEvent) OnTrackBarChangeValueEvent(IDName, Value);
}
void TspDynamicSkinForm::DoFrameRegulatorChangeValue(const std::string& IDName, int Value) {
  if (OnFrameRegulatorChangeValueEvent) OnFrameRegulatorChangeValueEvent(IDName, Value);
}

int TspDynamicSkinForm::GetIndex(const std::string& AIDName) const {
  for (size_t i = 0; i < ObjectList.size(); ++i)
    if (ObjectList[i]->IDName == AIDName) return int(i);
  return -1;
}

namespace {
template <class T>
T* Named(const TspDynamicSkinForm* f, const std::string& name) {
  return dynamic_cast<T*>(f->ObjectAt(f->GetIndex(name)));
}
}  // namespace

int TspDynamicSkinForm::TrackBarGetValue(const std::string& AIDName) const {
  auto* o = Named<TspSkinTrackBarObject>(this, AIDName);
  return o ? o->FValue : 0;
}

void TspDynamicSkinForm::TrackBarSetValue(const std::string& AIDName, int AValue) {
  if (auto* o = Named<TspSkinTrackBarObject>(this, AIDName)) {
    if (FInChangeSkinData)
      o->SimplySetValue(AValue);
    else
      o->SetValue(AValue);
  }
}

void TspDynamicSkinForm::GaugeSetValue(const std::string& AIDName, int AValue) {
  if (auto* o = Named<TspSkinGaugeObject>(this, AIDName)) {
    if (FInChangeSkinData)
      o->SimplySetValue(AValue);
    else
      o->SetValue(AValue);
  }
}

void TspDynamicSkinForm::FrameGaugeSetValue(const std::string& AIDName, int AValue) {
  if (auto* o = Named<TspSkinFrameGaugeObject>(this, AIDName)) {
    if (FInChangeSkinData)
      o->SimplySetValue(AValue);
    else
      o->SetValue(AValue);
  }
}

int TspDynamicSkinForm::FrameRegulatorGetValue(const std::string& AIDName) const {
  auto* o = Named<TspSkinFrameRegulatorObject>(this, AIDName);
  return o ? o->FValue : 0;
}

void TspDynamicSkinForm::FrameRegulatorSetValue(const std::string& AIDName, int AValue) {
  if (auto* o = Named<TspSkinFrameRegulatorObject>(this, AIDName)) {
    if (FInChangeSkinData)
      o->SimplySetValue(AValue);
    else
      o->SetValue(AValue);
  }
}

void TspDynamicSkinForm::LabelSetText(const std::string& AIDName, const std::string& ATextValue) {
  if (auto* o = Named<TspSkinLabelObject>(this, AIDName)) o->SetTextValue(ATextValue, !FInChangeSkinData);
}

void TspDynamicSkinForm::BitLabelSetText(const std::string& AIDName, const std::string& AValue) {
  if (auto* o = Named<TspSkinBitLabelObject>(this, AIDName)) o->SetTextValue(AValue, !FInChangeSkinData);
}

void TspDynamicSkinForm::CaptionSetText(const std::string& AIDName, const std::string& AText) {
  if (auto* o = Named<TspSkinCaptionObject>(this, AIDName)) {
    if (FInChangeSkinData)
      o->SimpleSetTextValue(AText);
    else
      o->SetTextValue(AText);
  }
}

TSwitchState TspDynamicSkinForm::SwitchGetState(const std::string& AIDName) const {
  auto* o = Named<TspSkinSwitchObject>(this, AIDName);
  return o ? o->FState : swsOff;
}

void TspDynamicSkinForm::SwitchSetState(const std::string& AIDName, TSwitchState AState) {
  if (auto* o = Named<TspSkinSwitchObject>(this, AIDName)) {
    if (FInChangeSkinData)
      o->SimpleSetState(AState);
    else
      o->SetState(AState);
  }
}

bool TspDynamicSkinForm::ButtonGetDown(const std::string& AIDName) const {
  auto* o = Named<TspSkinButtonObject>(this, AIDName);
  return o && o->FDown;
}

void TspDynamicSkinForm::ButtonSetDown(const std::string& AIDName, bool ADown) {
  if (auto* o = Named<TspSkinButtonObject>(this, AIDName)) o->SetDown(ADown);
}

void TspDynamicSkinForm::SetEnabled(const std::string& AIDName, bool Value) {
  if (TspActiveSkinObject* o = ObjectAt(GetIndex(AIDName))) o->Enabled = Value;
}

void TspDynamicSkinForm::UserObjectDraw(const std::string& AIDName) {
  if (auto* o = Named<TspUserObject>(this, AIDName)) DrawSkinObject(o);
}

void TspDynamicSkinForm::AnimateStart(const std::string& AIDName) {
  if (auto* o = Named<TspSkinAnimateObject>(this, AIDName)) o->Start();
}

void TspDynamicSkinForm::AnimateStop(const std::string& AIDName) {
  if (auto* o = Named<TspSkinAnimateObject>(this, AIDName)) o->Stop();
}

bool TspDynamicSkinForm::AnimateObjectsTick() {
  bool any = false;
  // A frame change repaints; walk by index in case the list changes.
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    auto* a = dynamic_cast<TspSkinAnimateObject*>(ObjectList[i].get());
    if (!a || !a->Ticking()) continue;
    a->ChangeFrame();
    any = true;
  }
  return any;
}

void TspDynamicSkinForm::LinkControlToArea(const std::string& AreaName, TControl* Control) {
  if (!Control) return;
  TspLinkedArea a;
  a.Control = Control;
  const int i = FSD ? FSD->GetAreaIndex(AreaName) : -1;
  if (i >= 0 && i < int(FSD->AreaList.size())) {
    const TspDataSkinArea& s = *FSD->AreaList[size_t(i)];
    a.AreaRect = ToTRect(s.AreaRect);
    a.UseAnchors = s.UseAnchors;
    a.AnchorLeft = s.AnchorLeft;
    a.AnchorTop = s.AnchorTop;
    a.AnchorRight = s.AnchorRight;
    a.AnchorBottom = s.AnchorBottom;
  }
  if (a.AreaRect.IsEmpty()) return;
  Control->SetAlign(alNone);
  AreaList.push_back(a);
}

void TspDynamicSkinForm::UnLinkControlFromArea(TControl* Control) {
  for (auto it = AreaList.begin(); it != AreaList.end(); ++it)
    if (it->Control == Control) {
      AreaList.erase(it);
      return;
    }
}

void TspDynamicSkinForm::LinkControlsToAreas() {
  using WindowedSkin = TspSkinControlT<TCustomControl>;
  using GraphicSkin = TspSkinControlT<TGraphicControl>;
  for (int i = 0; i < FForm->ControlCount(); ++i) {
    TControl* c = FForm->Controls(i);
    if (auto* w = dynamic_cast<WindowedSkin*>(c); w && !w->AreaName.empty())
      LinkControlToArea(w->AreaName, c);
    else if (auto* g = dynamic_cast<GraphicSkin*>(c); g && !g->AreaName.empty())
      LinkControlToArea(g->AreaName, c);
  }
}
