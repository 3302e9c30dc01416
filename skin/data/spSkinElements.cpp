#include "skin/data/spSkinElements.h"

#include <functional>
#include <map>

template <class T>
static T& At(const TspFieldRow& r, TspSkinElement* e) {
  return *static_cast<T*>(r.Ptr(e));
}

void spLoadRows(TspSkinElement* e, const TspFieldTable& rows, const TIniData& f, const std::string& section) {
  for (const TspFieldRow& r : rows) {
    switch (r.Kind) {
      case TspValueKind::Int:
      case TspValueKind::Color: At<int32_t>(r, e) = f.ReadInteger(section, r.Key, r.Missing.Int); break;
      case TspValueKind::Bool: At<bool>(r, e) = ReadBoolValue(f, section, r.Key); break;
      case TspValueKind::Rect: At<TspRect>(r, e) = ReadRectValue(f, section, r.Key); break;
      case TspValueKind::Point: At<TspPoint>(r, e) = ReadPointValue(f, section, r.Key); break;
      case TspValueKind::Str:
        At<std::string>(r, e) = f.ReadString(section, r.Key, r.Missing.Text ? r.Missing.Text : "");
        break;
      case TspValueKind::Styles: At<TFontStyles>(r, e) = ReadFontStylesValue(f, section, r.Key); break;
      case TspValueKind::Align: At<TAlignment>(r, e) = ReadAlignmentValue(f, section, r.Key); break;
      case TspValueKind::Lines: ReadLinesValue(f, section, r.Key, At<std::vector<std::string>>(r, e)); break;
      case TspValueKind::Stretch: At<TspStretchType>(r, e) = ReadStretchTypeValue(f, section, r.Key); break;
      case TspValueKind::Morph: At<TMorphKind>(r, e) = ReadMorphKindValue(f, section, r.Key); break;
      case TspValueKind::Frames:
        At<TFramesPlacement>(r, e) = FramesPlacementFromWord(spValueText(f, section, r.Key, "fphorizontal"));
        break;
      case TspValueKind::Regulator:
        At<TRegulatorKind>(r, e) = RegulatorKindFromWord(spValueText(f, section, r.Key, "rkround"));
        break;
      case TspValueKind::Gauge:
        At<TGaugeKind>(r, e) = GaugeKindFromWord(spValueText(f, section, r.Key, "gkhorizontal"));
        break;
      case TspValueKind::Command:
        At<TStdCommand>(r, e) = StdCommandFromWord(spValueText(f, section, r.Key, "cmdefault"));
        break;
    }
  }
}

void spSaveRows(TspSkinElement* e, const TspFieldTable& rows, TIniData& f, const std::string& section) {
  for (const TspFieldRow& r : rows) {
    switch (r.Kind) {
      case TspValueKind::Int:
      case TspValueKind::Color: f.WriteInteger(section, r.Key, At<int32_t>(r, e)); break;
      case TspValueKind::Bool: WriteBoolValue(f, section, r.Key, At<bool>(r, e)); break;
      case TspValueKind::Rect: WriteRectValue(f, section, r.Key, At<TspRect>(r, e)); break;
      case TspValueKind::Point: WritePointValue(f, section, r.Key, At<TspPoint>(r, e)); break;
      case TspValueKind::Str: f.WriteString(section, r.Key, At<std::string>(r, e)); break;
      case TspValueKind::Styles: WriteFontStylesValue(f, section, r.Key, At<TFontStyles>(r, e)); break;
      case TspValueKind::Align: WriteAlignmentValue(f, section, r.Key, At<TAlignment>(r, e)); break;
      case TspValueKind::Lines: WriteLinesValue(f, section, r.Key, At<std::vector<std::string>>(r, e)); break;
      case TspValueKind::Stretch: WriteStretchTypeValue(f, section, r.Key, At<TspStretchType>(r, e)); break;
      case TspValueKind::Morph: WriteMorphKindValue(f, section, r.Key, At<TMorphKind>(r, e)); break;
      case TspValueKind::Frames: f.WriteString(section, r.Key, FramesPlacementWord(At<TFramesPlacement>(r, e))); break;
      case TspValueKind::Regulator: f.WriteString(section, r.Key, RegulatorKindWord(At<TRegulatorKind>(r, e))); break;
      case TspValueKind::Gauge: f.WriteString(section, r.Key, GaugeKindWord(At<TGaugeKind>(r, e))); break;
      case TspValueKind::Command: f.WriteString(section, r.Key, StdCommandWord(At<TStdCommand>(r, e))); break;
    }
  }
}

// ---------------------------------------------------------------- tables

#define SP_ROW(K, F, Key, Miss, Init) \
  {TspValueKind::K, #F, Key, TspMissing(Miss), [](TspSkinElement* e) -> void* { return &static_cast<Self*>(e)->F; }},
#define SP_DEFINE_ROWS(Cls)                                        \
  const TspFieldTable& Cls::OwnRows() {                            \
    using Self [[maybe_unused]] = Cls;                             \
    static const TspFieldTable rows = {SP_FIELDS_##Cls(SP_ROW)};   \
    return rows;                                                   \
  }

SP_DEFINE_ROWS(TspDataSkinControl)
SP_DEFINE_ROWS(TspDataSkinCustomControl)
SP_DEFINE_ROWS(TspDataSkinButtonControl)
SP_DEFINE_ROWS(TspDataSkinMenuButtonControl)
SP_DEFINE_ROWS(TspDataSkinCheckRadioControl)
SP_DEFINE_ROWS(TspDataSkinEditControl)
SP_DEFINE_ROWS(TspDataSkinMemoControl)
SP_DEFINE_ROWS(TspDataSkinSpinEditControl)
SP_DEFINE_ROWS(TspDataSkinUpDownControl)
SP_DEFINE_ROWS(TspDataSkinListBox)
SP_DEFINE_ROWS(TspDataSkinCheckListBox)
SP_DEFINE_ROWS(TspDataSkinComboBox)
SP_DEFINE_ROWS(TspDataSkinScrollBarControl)
SP_DEFINE_ROWS(TspDataSkinTrackBarControl)
SP_DEFINE_ROWS(TspDataSkinGaugeControl)
SP_DEFINE_ROWS(TspDataSkinSplitterControl)
SP_DEFINE_ROWS(TspDataSkinControlBar)
SP_DEFINE_ROWS(TspDataSkinSlider)
SP_DEFINE_ROWS(TspDataSkinPanelControl)
SP_DEFINE_ROWS(TspDataSkinExPanelControl)
SP_DEFINE_ROWS(TspDataSkinScrollBoxControl)
SP_DEFINE_ROWS(TspDataSkinLabelControl)
SP_DEFINE_ROWS(TspDataSkinBitLabelControl)
SP_DEFINE_ROWS(TspDataSkinBevel)
SP_DEFINE_ROWS(TspDataSkinStdLabelControl)
SP_DEFINE_ROWS(TspDataSkinFrameControl)
SP_DEFINE_ROWS(TspDataSkinFrameGauge)
SP_DEFINE_ROWS(TspDataSkinAnimateControl)
SP_DEFINE_ROWS(TspDataSkinSwitchControl)
SP_DEFINE_ROWS(TspDataSkinFrameRegulator)
SP_DEFINE_ROWS(TspDataSkinTabControl)
SP_DEFINE_ROWS(TspDataSkinGridControl)
SP_DEFINE_ROWS(TspDataSkinTreeView)
SP_DEFINE_ROWS(TspDataSkinListView)
SP_DEFINE_ROWS(TspDataSkinRichEdit)
SP_DEFINE_ROWS(TspDataSkinMainMenuBar)
SP_DEFINE_ROWS(TspDataSkinObject)
SP_DEFINE_ROWS(TspDataSkinButton)
SP_DEFINE_ROWS(TspDataSkinStdButton)
SP_DEFINE_ROWS(TspDataSkinMainMenuBarButton)
SP_DEFINE_ROWS(TspDataSkinCaption)
SP_DEFINE_ROWS(TspDataUserObject)
SP_DEFINE_ROWS(TspDataSkinLabel)
SP_DEFINE_ROWS(TspDataSkinBitLabel)
SP_DEFINE_ROWS(TspDataSkinAnimate)
SP_DEFINE_ROWS(TspDataSkinSwitch)
SP_DEFINE_ROWS(TspDataSkinGauge)
SP_DEFINE_ROWS(TspDataSkinTrackBar)
SP_DEFINE_ROWS(TspDataSkinFrameGaugeObject)
SP_DEFINE_ROWS(TspDataSkinFrameRegulatorObject)
SP_DEFINE_ROWS(TspDataSkinMenuItem)
SP_DEFINE_ROWS(TspDataSkinMainMenuItem)
SP_DEFINE_ROWS(TspDataSkinMainMenuBarItem)
SP_DEFINE_ROWS(TspDataSkinLayerFrame)
SP_DEFINE_ROWS(TspDataSkinPopupWindow)
SP_DEFINE_ROWS(TspDataSkinHintWindow)

const TspFieldTable& TspDataUserObject::UserRows() {
  using Self = TspDataUserObject;
#define SP_FIELDS_USER(X)                        \
  X(Bool, RollUp, "rollup", 0, false)            \
  X(Rect, SkinRect, "skinrect", 0, {})           \
  X(Int, CursorIndex, "cursorindex", -1, -1)
  static const TspFieldTable rows = {SP_FIELDS_USER(SP_ROW)};
  return rows;
}

// ---------------------------------------------------------------- load/save

static void LoadTables(TspSkinElement* e, const TIniData& f, const std::string& section) {
  for (const TspFieldTable* t : e->IOTables()) spLoadRows(e, *t, f, section);
}

static void SaveTables(TspSkinElement* e, TIniData& f, const std::string& section) {
  f.EraseSection(section);
  for (const TspFieldTable* t : e->IOTables()) spSaveRows(e, *t, f, section);
}

void TspDataSkinControl::LoadFromFile(const TIniData& f) { LoadTables(this, f, IDName); }
void TspDataSkinControl::SaveToFile(TIniData& f) { SaveTables(this, f, IDName); }
void TspDataSkinObject::LoadFromFile(const TIniData& f) { LoadTables(this, f, IDName); }
void TspDataSkinObject::SaveToFile(TIniData& f) { SaveTables(this, f, IDName); }

void TspDataSkinUpDownControl::ClearGeometry() {
  LTPoint = RTPoint = LBPoint = RBPoint = TspPoint{};
  ClRect = TspRect{};
}

void TspDataSkinUpDownControl::LoadFromFile(const TIniData& f) {
  TspDataSkinCustomControl::LoadFromFile(f);
  ClearGeometry();
}

void TspDataSkinUpDownControl::SaveToFile(TIniData& f) {
  ClearGeometry();
  TspDataSkinCustomControl::SaveToFile(f);
}

void TspDataSkinFrameControl::LoadFromFile(const TIniData& f) {
  TspDataSkinControl::LoadFromFile(f);
  if (FramesCount < 1) FramesCount = 1;
}

static void ApplyRestoreHint(const std::string& hint, TStdCommand command, std::string& restoreHint) {
  if (!restoreHint.empty()) return;
  if ((hint == "Maximize" && command == cmMaximize) || (hint == "Minimize" && command == cmMinimize) ||
      ((hint == "RollUp" || hint == "Roll Up") && command == cmRollUp))
    restoreHint = "Restore";
}

void TspDataSkinStdButton::LoadFromFile(const TIniData& f) {
  TspDataSkinButton::LoadFromFile(f);
  ApplyRestoreHint(Hint, Command, RestoreHint);
}

void TspDataSkinAnimate::LoadFromFile(const TIniData& f) {
  TspDataSkinObject::LoadFromFile(f);
  Morphing = false;
  ApplyRestoreHint(Hint, Command, RestoreHint);
}

void TspDataSkinBitLabel::LoadFromFile(const TIniData& f) {
  TspDataSkinObject::LoadFromFile(f);
  Morphing = false;
}

void TspDataSkinTrackBar::LoadFromFile(const TIniData& f) {
  TspDataSkinObject::LoadFromFile(f);
  Morphing = false;
}

void TspDataSkinMenuItem::LoadFromFile(const TIniData& f) {
  TspDataSkinObject::LoadFromFile(f);
  if (spRectEmpty(ActiveCheckImageRect)) ActiveCheckImageRect = CheckImageRect;
  if (spRectEmpty(ActiveRadioImageRect)) ActiveRadioImageRect = RadioImageRect;
  if (spRectEmpty(ActiveArrowImageRect)) ActiveArrowImageRect = ArrowImageRect;
}

// ---------------------------------------------------------------- factories

template <class Base>
struct TspKind {
  std::string first;
  std::unique_ptr<Base> (*second)(const std::string& name);
  std::unique_ptr<Base> (*Copy)(const Base& from);
};
template <class Base>
using TspFactory = std::vector<TspKind<Base>>;

template <class Cls, class Base>
static TspKind<Base> Kind() {
  return {Cls("").KindWord(), [](const std::string& n) { return std::unique_ptr<Base>(new Cls(n)); },
          [](const Base& from) { return std::unique_ptr<Base>(new Cls(static_cast<const Cls&>(from))); }};
}

// In the writer's order: a derived class before its parent.
static const TspFactory<TspDataSkinControl>& ControlFactory() {
  static const TspFactory<TspDataSkinControl> f = {
      Kind<TspDataSkinSlider, TspDataSkinControl>(), Kind<TspDataSkinBevel, TspDataSkinControl>(),
      Kind<TspDataSkinPanelControl, TspDataSkinControl>(), Kind<TspDataSkinExPanelControl, TspDataSkinControl>(),
      Kind<TspDataSkinMenuButtonControl, TspDataSkinControl>(),
      Kind<TspDataSkinButtonControl, TspDataSkinControl>(),
      Kind<TspDataSkinCheckRadioControl, TspDataSkinControl>(),
      Kind<TspDataSkinGaugeControl, TspDataSkinControl>(), Kind<TspDataSkinSplitterControl, TspDataSkinControl>(),
      Kind<TspDataSkinTrackBarControl, TspDataSkinControl>(), Kind<TspDataSkinLabelControl, TspDataSkinControl>(),
      Kind<TspDataSkinStdLabelControl, TspDataSkinControl>(),
      Kind<TspDataSkinBitLabelControl, TspDataSkinControl>(),
      Kind<TspDataSkinFrameRegulator, TspDataSkinControl>(), Kind<TspDataSkinFrameGauge, TspDataSkinControl>(),
      Kind<TspDataSkinAnimateControl, TspDataSkinControl>(), Kind<TspDataSkinUpDownControl, TspDataSkinControl>(),
      Kind<TspDataSkinSwitchControl, TspDataSkinControl>(), Kind<TspDataSkinGridControl, TspDataSkinControl>(),
      Kind<TspDataSkinTabControl, TspDataSkinControl>(), Kind<TspDataSkinMainMenuBar, TspDataSkinControl>(),
      Kind<TspDataSkinControlBar, TspDataSkinControl>(), Kind<TspDataSkinMemoControl, TspDataSkinControl>(),
      Kind<TspDataSkinEditControl, TspDataSkinControl>(), Kind<TspDataSkinCheckListBox, TspDataSkinControl>(),
      Kind<TspDataSkinListBox, TspDataSkinControl>(), Kind<TspDataSkinComboBox, TspDataSkinControl>(),
      Kind<TspDataSkinScrollBarControl, TspDataSkinControl>(),
      Kind<TspDataSkinSpinEditControl, TspDataSkinControl>(),
      Kind<TspDataSkinScrollBoxControl, TspDataSkinControl>(), Kind<TspDataSkinTreeView, TspDataSkinControl>(),
      Kind<TspDataSkinListView, TspDataSkinControl>(), Kind<TspDataSkinRichEdit, TspDataSkinControl>(),
  };
  return f;
}

static const TspFactory<TspDataSkinObject>& ObjectFactory() {
  static const TspFactory<TspDataSkinObject> f = {
      Kind<TspDataSkinMenuItem, TspDataSkinObject>(), Kind<TspDataSkinMainMenuBarItem, TspDataSkinObject>(),
      Kind<TspDataSkinMainMenuItem, TspDataSkinObject>(), Kind<TspDataSkinMainMenuBarButton, TspDataSkinObject>(),
      Kind<TspDataSkinStdButton, TspDataSkinObject>(), Kind<TspDataSkinButton, TspDataSkinObject>(),
      Kind<TspDataSkinCaption, TspDataSkinObject>(), Kind<TspDataSkinTrackBar, TspDataSkinObject>(),
      Kind<TspDataSkinGauge, TspDataSkinObject>(), Kind<TspDataSkinFrameGaugeObject, TspDataSkinObject>(),
      Kind<TspDataSkinFrameRegulatorObject, TspDataSkinObject>(), Kind<TspDataSkinLabel, TspDataSkinObject>(),
      Kind<TspDataSkinBitLabel, TspDataSkinObject>(), Kind<TspDataSkinSwitch, TspDataSkinObject>(),
      Kind<TspDataSkinAnimate, TspDataSkinObject>(), Kind<TspDataUserObject, TspDataSkinObject>(),
  };
  return f;
}

std::unique_ptr<TspDataSkinControl> spCreateControl(const std::string& kind, const std::string& name) {
  for (const auto& k : ControlFactory())
    if (k.first == kind) return k.second(name);
  return nullptr;
}

std::unique_ptr<TspDataSkinObject> spCreateObject(const std::string& kind, const std::string& name) {
  for (const auto& k : ObjectFactory())
    if (k.first == kind) return k.second(name);
  return nullptr;
}

// The factory made from for its kind word, so the row of that word copies
// it as the class it is.
template <class Base>
static std::unique_ptr<Base> CopyOf(const TspFactory<Base>& factory, const Base& from, const std::string& name) {
  for (const auto& k : factory)
    if (k.first == from.KindWord()) {
      std::unique_ptr<Base> copy = k.Copy(from);
      copy->IDName = name;
      return copy;
    }
  return nullptr;
}

std::unique_ptr<TspDataSkinControl> spCopyControl(const TspDataSkinControl& from, const std::string& name) {
  return CopyOf(ControlFactory(), from, name);
}

std::unique_ptr<TspDataSkinObject> spCopyObject(const TspDataSkinObject& from, const std::string& name) {
  return CopyOf(ObjectFactory(), from, name);
}

size_t spListLinesOf(TspSkinElement* e) {
  size_t n = 0;
  for (const TspFieldTable* t : e->Tables())
    for (const TspFieldRow& r : *t)
      if (r.Kind == TspValueKind::Lines) n += At<std::vector<std::string>>(r, e).size();
  return n;
}

const std::vector<std::string>& spControlKindWords() {
  static const std::vector<std::string> w = [] {
    std::vector<std::string> v;
    for (const auto& k : ControlFactory()) v.push_back(k.first);
    return v;
  }();
  return w;
}

const std::vector<std::string>& spObjectKindWords() {
  static const std::vector<std::string> w = [] {
    std::vector<std::string> v;
    for (const auto& k : ObjectFactory()) v.push_back(k.first);
    return v;
  }();
  return w;
}

TspFontFields spFontFieldsOf(TspSkinElement* e) {
  TspFontFields r;
#define SP_FONT_OF(Cls)                                  \
  if (auto* c = dynamic_cast<Cls*>(e)) {                 \
    r.Name = &c->FontName;                               \
    r.Height = &c->FontHeight;                           \
    return r;                                            \
  }
  SP_FONT_OF(TspDataSkinHintWindow)
  SP_FONT_OF(TspDataSkinLabel)
  SP_FONT_OF(TspDataSkinMenuItem)
  SP_FONT_OF(TspDataSkinMainMenuBarItem)
  SP_FONT_OF(TspDataSkinCaption)
  SP_FONT_OF(TspDataSkinTreeView)
  SP_FONT_OF(TspDataSkinListView)
  SP_FONT_OF(TspDataSkinRichEdit)
  SP_FONT_OF(TspDataSkinTabControl)
  if (auto* c = dynamic_cast<TspDataSkinGridControl*>(e)) {
    r.Name = &c->FontName;
    r.Height = &c->FontHeight;
    r.Name2 = &c->FixedFontName;
    r.Height2 = &c->FixedFontHeight;
    return r;
  }
  SP_FONT_OF(TspDataSkinComboBox)
  if (auto* c = dynamic_cast<TspDataSkinListBox*>(e)) {
    r.Name = &c->FontName;
    r.Height = &c->FontHeight;
    r.Name2 = &c->CaptionFontName;
    r.Height2 = &c->CaptionFontHeight;
    return r;
  }
  SP_FONT_OF(TspDataSkinSpinEditControl)
  SP_FONT_OF(TspDataSkinEditControl)
  SP_FONT_OF(TspDataSkinStdLabelControl)
  SP_FONT_OF(TspDataSkinLabelControl)
  SP_FONT_OF(TspDataSkinGaugeControl)
  SP_FONT_OF(TspDataSkinButtonControl)
  SP_FONT_OF(TspDataSkinCheckRadioControl)
  SP_FONT_OF(TspDataSkinPanelControl)
  SP_FONT_OF(TspDataSkinExPanelControl)
#undef SP_FONT_OF
  return r;
}
