// The skin link of the skinned controls that keep a framework control of
// their own as base (the edits, the memo, the views, the page control): the
// skin they take their look from, the name of their element in it and the
// element's index, forgotten when the skin goes.
#pragma once

#include <string>

#include "skin/controls/SkinControl.h"

template <class TBase>
class TspSkinDataHolder : public TBase {
public:
  // The skin data component the control takes its look from; not owned.
  TspSkinData* SkinData() const { return FSD; }
  // A skin with elements applies at once.
  void SetSkinData(TspSkinData* value) {
    FSD.Set(value);
    if (FSD && !FSD->Empty) ChangeSkinData();
  }
  const std::string& SkinDataName() const { return FSkinDataName; }
  // Stores the name only: the next skin change or paint looks it up.
  void SetSkinDataName(const std::string& value) { FSkinDataName = value; }
  // Index of the control's element in the skin, -1 for the default look.
  int SkinIndex() const { return FIndex; }
  // Re-reads the element and applies it.
  virtual void ChangeSkinData() = 0;

protected:
  TspSkinDataHolder(TComponent* owner, const char* skinDataName) : TBase(owner), FSkinDataName(skinDataName) {}

  void Notification(TComponent* component, TOperation operation) override {
    TBase::Notification(component, operation);
    if (operation == opRemove && component == FSD) FIndex = -1;
  }

  TspSkinDataRef FSD{this};
  std::string FSkinDataName;
  int FIndex = -1;
};

// For a system control shown without its frame and system scroll bars: the
// client area is the whole window and every point of it is client. True
// when `m` asked one of those and is answered.
inline bool AnswerFramelessNonClient(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      m.Result = 0;
      return true;
    case WM_NCHITTEST:
      m.Result = HTCLIENT;
      return true;
    default:
      return false;
  }
}
