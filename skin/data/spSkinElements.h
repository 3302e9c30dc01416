// Element descriptions of a skin: one object per named control or frame
// object of skin.ini, plus the popup window, layered frame, hint window and
// areas. Platform-neutral.
//
// Every class carries one table of its own keys (kind, field, key, value for a
// missing key, initial value). Loading, saving, the round-trip tests, the
// fuzzers and the font change all walk the same tables; only the few rules
// that a table cannot say (forced values, fallbacks) are written as code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/data/spSkinValues.h"

enum class TspValueKind : uint8_t {
  Int, Color, Bool, Rect, Point, Str, Styles, Align, Lines,
  Stretch, Morph, Frames, Regulator, Gauge, Command,
};

template <TspValueKind K> struct TspKindType { using type = int32_t; };
template <> struct TspKindType<TspValueKind::Bool> { using type = bool; };
template <> struct TspKindType<TspValueKind::Rect> { using type = TspRect; };
template <> struct TspKindType<TspValueKind::Point> { using type = TspPoint; };
template <> struct TspKindType<TspValueKind::Str> { using type = std::string; };
template <> struct TspKindType<TspValueKind::Styles> { using type = TFontStyles; };
template <> struct TspKindType<TspValueKind::Align> { using type = TAlignment; };
template <> struct TspKindType<TspValueKind::Lines> { using type = std::vector<std::string>; };
template <> struct TspKindType<TspValueKind::Stretch> { using type = TspStretchType; };
template <> struct TspKindType<TspValueKind::Morph> { using type = TMorphKind; };
template <> struct TspKindType<TspValueKind::Frames> { using type = TFramesPlacement; };
template <> struct TspKindType<TspValueKind::Regulator> { using type = TRegulatorKind; };
template <> struct TspKindType<TspValueKind::Gauge> { using type = TGaugeKind; };
template <> struct TspKindType<TspValueKind::Command> { using type = TStdCommand; };

// The value a missing key gives: a number (integers, colours, Booleans and
// enumerations) or a text.
struct TspMissing {
  constexpr TspMissing(int v) : Int(v), Text(nullptr) {}
  constexpr TspMissing(const char* t) : Int(0), Text(t) {}
  int32_t Int;
  const char* Text;
};

class TspSkinElement;

struct TspFieldRow {
  TspValueKind Kind;
  const char* Field;
  const char* Key;
  TspMissing Missing;
  void* (*Ptr)(TspSkinElement* e);
};
using TspFieldTable = std::vector<TspFieldRow>;

// Common base of all descriptions: the owner of the key tables.
class TspSkinElement {
public:
  virtual ~TspSkinElement() = default;
  virtual const char* ClassName() const = 0;
  // Key tables of the class chain, root first.
  virtual std::vector<const TspFieldTable*> Tables() const = 0;
  // The tables that loading and saving walk (all of them, but for a user object).
  virtual std::vector<const TspFieldTable*> IOTables() const { return Tables(); }
};

// Reads/writes one table's keys of one section.
void spLoadRows(TspSkinElement* e, const TspFieldTable& rows, const TIniData& f, const std::string& section);
void spSaveRows(TspSkinElement* e, const TspFieldTable& rows, TIniData& f, const std::string& section);

#define SP_DECLARE_FIELD(K, F, Key, Miss, Init) typename TspKindType<TspValueKind::K>::type F = Init;

// Declares the class's own table and its load/save overrides.
#define SP_ELEMENT_CLASS(Cls, Parent)                                                      \
public:                                                                                    \
  static const TspFieldTable& OwnRows();                                                   \
  const char* ClassName() const override { return #Cls; }                                 \
  std::vector<const TspFieldTable*> Tables() const override {                              \
    auto t = Parent::Tables();                                                             \
    t.push_back(&OwnRows());                                                               \
    return t;                                                                              \
  }

// ---------------------------------------------------------------- controls

class TspDataSkinControl : public TspSkinElement {
public:
  explicit TspDataSkinControl(const std::string& AIDName) : IDName(AIDName) {}
  std::string IDName;
#define SP_FIELDS_TspDataSkinControl(X)                    \
  X(Int, PictureIndex, "pictureindex", -1, -1)             \
  X(Int, MaskPictureIndex, "maskpictureindex", -1, -1)     \
  X(Rect, SkinRect, "skinrect", 0, {})                     \
  X(Int, CursorIndex, "cursorindex", -1, -1)
  SP_FIELDS_TspDataSkinControl(SP_DECLARE_FIELD)

  static const TspFieldTable& OwnRows();
  const char* ClassName() const override { return "TspDataSkinControl"; }
  std::vector<const TspFieldTable*> Tables() const override { return {&OwnRows()}; }
  virtual const char* KindWord() const { return ""; }
  virtual void LoadFromFile(const TIniData& f);
  virtual void SaveToFile(TIniData& f);
};

#define SP_NINE_PART_FIELDS(X)                             \
  X(Point, LTPoint, "lefttoppoint", 0, {})                 \
  X(Point, RTPoint, "righttoppoint", 0, {})                \
  X(Point, LBPoint, "leftbottompoint", 0, {})              \
  X(Point, RBPoint, "rightbottompoint", 0, {})             \
  X(Rect, ClRect, "clientrect", 0, {})                     \
  X(Bool, StretchEffect, "stretcheffect", 0, false)        \
  X(Bool, LeftStretch, "leftstretch", 0, false)            \
  X(Bool, TopStretch, "topstretch", 0, false)              \
  X(Bool, RightStretch, "rightstretch", 0, false)          \
  X(Bool, BottomStretch, "bottomstretch", 0, false)        \
  X(Stretch, StretchType, "stretchtype", spstFull, spstFull)

class TspDataSkinCustomControl : public TspDataSkinControl {
  SP_ELEMENT_CLASS(TspDataSkinCustomControl, TspDataSkinControl)
public:
  using TspDataSkinControl::TspDataSkinControl;
#define SP_FIELDS_TspDataSkinCustomControl(X) SP_NINE_PART_FIELDS(X)
  SP_FIELDS_TspDataSkinCustomControl(SP_DECLARE_FIELD)
};

#define SP_FONT_FIELDS(X, InitHeight)                      \
  X(Str, FontName, "fontname", "Arial", "Arial")           \
  X(Styles, FontStyle, "fontstyle", 0, 0)                  \
  X(Int, FontHeight, "fontheight", 14, InitHeight)         \
  X(Color, FontColor, "fontcolor", 0, 0)

// A control kind: a class with a kind word and a table of its own.
#define SP_CONTROL_KIND(Cls, Parent, Word)                 \
  class Cls : public Parent {                              \
    SP_ELEMENT_CLASS(Cls, Parent)                          \
  public:                                                  \
    using Parent::Parent;                                  \
    const char* KindWord() const override { return Word; } \
    SP_FIELDS_##Cls(SP_DECLARE_FIELD)

#define SP_FIELDS_TspDataSkinButtonControl(X)                                  \
  X(Str, FontName, "fontname", "Arial", "Arial")                               \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Int, FontHeight, "fontheight", 14, 12)                                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, DownFontColor, "downfontcolor", 0, 0)                               \
  X(Color, DisabledFontColor, "disabledfontcolor", 0, 0)                       \
  X(Bool, Morphing, "morphing", 0, false)                                      \
  X(Morph, MorphKind, "morphkind", mkDefault, mkDefault)                       \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Rect, DownSkinRect, "downskinrect", 0, {})                                 \
  X(Rect, DisabledSkinRect, "disabledskinrect", 0, {})                         \
  X(Rect, FocusedSkinRect, "focusedskinrect", 0, {})                           \
  X(Rect, AnimateSkinRect, "animateskinrect", 0, {})                           \
  X(Int, FrameCount, "framecount", 0, 0)                                       \
  X(Int, AnimateInterval, "animateinterval", 25, 0)                            \
  X(Bool, ShowFocus, "showfocus", 0, false)                                    \
  X(Rect, MenuMarkerFlatRect, "menumarkerflatrect", 0, {})                     \
  X(Rect, MenuMarkerRect, "menumarkerrect", 0, {})                             \
  X(Rect, MenuMarkerActiveRect, "menumarkeractiverect", 0, {})                 \
  X(Rect, MenuMarkerDownRect, "menumarkerdownrect", 0, {})                     \
  X(Color, MenuMarkerTransparentColor, "menumarkertransparentcolor", 0, 0)     \
  X(Int, GlowLayerPictureIndex, "glowlayerpictureindex", -1, -1)               \
  X(Int, GlowLayerMaskPictureIndex, "glowlayermaskpictureindex", -1, -1)       \
  X(Int, GlowLayerOffsetLeft, "glowlayeroffsetleft", 0, 0)                     \
  X(Int, GlowLayerOffsetRight, "glowlayeroffsetright", 0, 0)                   \
  X(Int, GlowLayerOffsetTop, "glowlayeroffsettop", 0, 0)                       \
  X(Int, GlowLayerOffsetBottom, "glowlayeroffsetbottom", 0, 0)                 \
  X(Int, GlowLayerShowOffsetX, "glowlayershowoffsetx", 0, 0)                   \
  X(Int, GlowLayerShowOffsetY, "glowlayershowoffsety", 0, 0)                   \
  X(Int, GlowLayerAlphaBlendValue, "glowlayeralphablendvalue", 255, 255)
SP_CONTROL_KIND(TspDataSkinButtonControl, TspDataSkinCustomControl, "button") };

#define SP_FIELDS_TspDataSkinMenuButtonControl(X) X(Rect, TrackButtonRect, "trackbuttonrect", 0, {})
SP_CONTROL_KIND(TspDataSkinMenuButtonControl, TspDataSkinButtonControl, "menubutton") };

#define SP_FIELDS_TspDataSkinCheckRadioControl(X)                              \
  X(Str, FontName, "fontname", "Arial", "Arial")                               \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Int, FontHeight, "fontheight", 14, 12)                                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, UnEnabledFontColor, "unenabledfontcolor", 0, 0)                     \
  X(Bool, Morphing, "morphing", 0, false)                                      \
  X(Morph, MorphKind, "morphkind", mkDefault, mkDefault)                       \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Rect, CheckImageArea, "checkimagearea", 0, {})                             \
  X(Rect, TextArea, "textarea", 0, {})                                         \
  X(Rect, CheckImageRect, "checkimagerect", 0, {})                             \
  X(Rect, UnCheckImageRect, "uncheckimagerect", 0, {})                         \
  X(Rect, ActiveCheckImageRect, "activecheckimagerect", 0, {})                 \
  X(Rect, ActiveUnCheckImageRect, "activeuncheckimagerect", 0, {})             \
  X(Rect, UnEnabledCheckImageRect, "unenabledcheckimagerect", 0, {})           \
  X(Rect, UnEnabledUnCheckImageRect, "unenableduncheckimagerect", 0, {})       \
  X(Rect, GrayedCheckImageRect, "grayedcheckimagerect", 0, {})                 \
  X(Rect, ActiveGrayedCheckImageRect, "activegrayedcheckimagerect", 0, {})     \
  X(Color, FrameFontColor, "framefontcolor", 0, 0)
SP_CONTROL_KIND(TspDataSkinCheckRadioControl, TspDataSkinCustomControl, "checkradio") };

#define SP_FIELDS_TspDataSkinEditControl(X)                                    \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Str, FontName, "fontname", "Arial", "Arial")                               \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Int, FontHeight, "fontheight", 14, 12)                                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, DisabledFontColor, "disabledfontcolor", 0, 0)                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Rect, ButtonRect, "buttonrect", 0, {})                                     \
  X(Rect, ActiveButtonRect, "activebuttonrect", 0, {})                         \
  X(Rect, DownButtonRect, "downbuttonrect", 0, {})                             \
  X(Rect, UnEnabledButtonRect, "unenabledbuttonrect", 0, {})
SP_CONTROL_KIND(TspDataSkinEditControl, TspDataSkinCustomControl, "edit") };

#define SP_FIELDS_TspDataSkinMemoControl(X)                                    \
  X(Color, BGColor, "bgcolor", 0, 0)                                           \
  X(Color, ActiveBGColor, "activebgcolor", 0, 0)
SP_CONTROL_KIND(TspDataSkinMemoControl, TspDataSkinEditControl, "memo") };

#define SP_UPDOWN_BUTTON_FIELDS(X)                                             \
  X(Rect, UpButtonRect, "upbuttonrect", 0, {})                                 \
  X(Rect, ActiveUpButtonRect, "activeupbuttonrect", 0, {})                     \
  X(Rect, DownUpButtonRect, "downupbuttonrect", 0, {})                         \
  X(Rect, DownButtonRect, "downbuttonrect", 0, {})                             \
  X(Rect, ActiveDownButtonRect, "activedownbuttonrect", 0, {})                 \
  X(Rect, DownDownButtonRect, "downdownbuttonrect", 0, {})

#define SP_FIELDS_TspDataSkinSpinEditControl(X)                                \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Str, FontName, "fontname", "Arial", "Arial")                               \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Int, FontHeight, "fontheight", 14, 12)                                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, DisabledFontColor, "disabledfontcolor", 0, 0)                       \
  SP_UPDOWN_BUTTON_FIELDS(X)
SP_CONTROL_KIND(TspDataSkinSpinEditControl, TspDataSkinCustomControl, "spinedit") };

// An up-down never keeps nine-part geometry, whatever its section says.
#define SP_FIELDS_TspDataSkinUpDownControl(X) SP_UPDOWN_BUTTON_FIELDS(X)
SP_CONTROL_KIND(TspDataSkinUpDownControl, TspDataSkinCustomControl, "updown")
  void LoadFromFile(const TIniData& f) override;
  void SaveToFile(TIniData& f) override;
  void ClearGeometry();
};

#define SP_FIELDS_TspDataSkinListBox(X)                                        \
  X(Rect, SItemRect, "itemrect", 0, {})                                        \
  X(Rect, ActiveItemRect, "activeitemrect", 0, {})                             \
  X(Rect, FocusItemRect, "focusitemrect", 0, {})                               \
  X(Int, ItemLeftOffset, "itemleftoffset", 0, 0)                               \
  X(Int, ItemRightOffset, "itemrightoffset", 0, 0)                             \
  X(Rect, ItemTextRect, "itemtextrect", 0, {})                                 \
  X(Str, FontName, "fontname", "Arial", "Arial")                               \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Int, FontHeight, "fontheight", 14, 14)                                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, FocusFontColor, "focusfontcolor", 0, 0)                             \
  X(Rect, CaptionRect, "captionrect", 0, {})                                   \
  X(Str, CaptionFontName, "captionfontname", "Arial", "Arial")                 \
  X(Styles, CaptionFontStyle, "captionfontstyle", 0, 0)                        \
  X(Int, CaptionFontHeight, "captionfontheight", 14, 14)                       \
  X(Color, CaptionFontColor, "captionfontcolor", 0, 0)                         \
  SP_UPDOWN_BUTTON_FIELDS(X)                                                   \
  X(Rect, CheckButtonRect, "checkbuttonrect", 0, {})                           \
  X(Rect, ActiveCheckButtonRect, "activecheckbuttonrect", 0, {})               \
  X(Rect, DownCheckButtonRect, "downcheckbuttonrect", 0, {})                   \
  X(Str, HScrollBarName, "hscrollbarname", "hscrollbar", "")                   \
  X(Str, VScrollBarName, "vscrollbarname", "vscrollbar", "")                   \
  X(Str, BothScrollBarName, "bothhscrollbarname", "bothhscrollbar", "")        \
  X(Bool, ShowFocus, "showfocus", 0, false)                                    \
  X(Rect, DisabledButtonsRect, "disabledbuttonsrect", 0, {})                   \
  X(Rect, ButtonsArea, "buttonsarea", 0, {})
SP_CONTROL_KIND(TspDataSkinListBox, TspDataSkinCustomControl, "listbox") };

#define SP_FIELDS_TspDataSkinCheckListBox(X)                                   \
  X(Rect, UnCheckImageRect, "uncheckimagerect", 0, {})                         \
  X(Rect, CheckImageRect, "checkimagerect", 0, {})                             \
  X(Rect, ItemCheckRect, "itemcheckrect", 0, {})
SP_CONTROL_KIND(TspDataSkinCheckListBox, TspDataSkinListBox, "checklistbox") };

#define SP_FIELDS_TspDataSkinComboBox(X)                                       \
  X(Rect, SItemRect, "itemrect", 0, {})                                        \
  X(Rect, ActiveItemRect, "activeitemrect", 0, {})                             \
  X(Rect, FocusItemRect, "focusitemrect", 0, {})                               \
  X(Int, ItemLeftOffset, "itemleftoffset", 0, 0)                               \
  X(Int, ItemRightOffset, "itemrightoffset", 0, 0)                             \
  X(Rect, ItemTextRect, "itemtextrect", 0, {})                                 \
  X(Str, FontName, "fontname", "Arial", "Arial")                               \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Int, FontHeight, "fontheight", 14, 14)                                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, FocusFontColor, "focusfontcolor", 0, 0)                             \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Rect, ButtonRect, "buttonrect", 0, {})                                     \
  X(Rect, ActiveButtonRect, "activebuttonrect", 0, {})                         \
  X(Rect, DownButtonRect, "downbuttonrect", 0, {})                             \
  X(Rect, UnEnabledButtonRect, "unenabledbuttonrect", 0, {})                   \
  X(Bool, ItemStretchEffect, "itemstretcheffect", 0, false)                    \
  X(Bool, FocusItemStretchEffect, "focusitemstretcheffect", 0, false)          \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Bool, ShowFocus, "showfocus", 0, false)                                    \
  X(Str, ListBoxName, "listboxname", "", "")
SP_CONTROL_KIND(TspDataSkinComboBox, TspDataSkinCustomControl, "combobox") };

#define SP_FIELDS_TspDataSkinScrollBarControl(X)                               \
  X(Rect, TrackArea, "trackarea", 0, {})                                       \
  SP_UPDOWN_BUTTON_FIELDS(X)                                                   \
  X(Rect, ThumbRect, "thumbrect", 0, {})                                       \
  X(Rect, ActiveThumbRect, "activethumbrect", 0, {})                           \
  X(Rect, DownThumbRect, "downthumbrect", 0, {})                               \
  X(Int, ThumbOffset1, "thumboffset1", 0, 0)                                   \
  X(Int, ThumbOffset2, "thumboffset2", 0, 0)                                   \
  X(Rect, GlyphRect, "glyphrect", 0, {})                                       \
  X(Rect, ActiveGlyphRect, "activeglyphrect", 0, {})                           \
  X(Rect, DownGlyphRect, "downglyphrect", 0, {})                               \
  X(Bool, GlyphTransparent, "glyphtransparent", 0, false)                      \
  X(Color, GlyphTransparentColor, "glyphtransparentcolor", 0, 0xFF00FF)        \
  X(Bool, ThumbTransparent, "thumbtransparent", 0, false)                      \
  X(Color, ThumbTransparentColor, "thumbtransparentcolor", 0, 0xFF00FF)        \
  X(Bool, ThumbStretchEffect, "thumbstretcheffect", 0, false)                  \
  X(Int, ThumbMinSize, "thumbminsize", 0, 0)                                   \
  X(Int, ThumbMinPageSize, "thumbminpagesize", 0, 0)
SP_CONTROL_KIND(TspDataSkinScrollBarControl, TspDataSkinCustomControl, "scrollbar") };

#define SP_FIELDS_TspDataSkinTrackBarControl(X)                                \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Rect, TrackArea, "trackarea", 0, {})                                       \
  X(Rect, ButtonRect, "buttonrect", 0, {})                                     \
  X(Rect, ActiveButtonRect, "activebuttonrect", 0, {})                         \
  X(Bool, Vertical, "vertical", 0, false)                                      \
  X(Bool, ButtonTransparent, "buttontransparent", 0, false)                    \
  X(Color, ButtonTransparentColor, "buttontransparentcolor", 0, 0xFF00FF)
SP_CONTROL_KIND(TspDataSkinTrackBarControl, TspDataSkinCustomControl, "trackbar") };

#define SP_FIELDS_TspDataSkinGaugeControl(X)                                   \
  X(Rect, ProgressArea, "progressarea", 0, {})                                 \
  X(Rect, ProgressRect, "progressrect", 0, {})                                 \
  X(Bool, ProgressTransparent, "progresstransparent", 0, false)                \
  X(Color, ProgressTransparentColor, "progresstransparentcolor", 0, 0xFF00FF)  \
  X(Bool, ProgressStretch, "progressstretch", 0, false)                        \
  X(Bool, Vertical, "vertical", 0, false)                                      \
  X(Int, BeginOffset, "beginoffset", 0, 0)                                     \
  X(Int, EndOffset, "endoffset", 0, 0)                                         \
  SP_FONT_FIELDS(X, 14)                                                        \
  X(Rect, AnimationSkinRect, "animationskinrect", 0, {})                       \
  X(Int, AnimationCountFrames, "animationcountframes", 0, 0)                   \
  X(Int, AnimationTimerInterval, "animationtimerinterval", 0, 0)               \
  X(Rect, ProgressAnimationSkinRect, "progressanimationskinrect", 0, {})       \
  X(Int, ProgressAnimationCountFrames, "progressanimationcountframes", 0, 0)   \
  X(Int, ProgressAnimationTimerInterval, "progressanimationtimerinterval", 0, 0) \
  X(Int, AnimationBeginOffset, "animationbeginoffset", 0, 0)                   \
  X(Int, AnimationEndOffset, "animationendoffset", 0, 0)
SP_CONTROL_KIND(TspDataSkinGaugeControl, TspDataSkinCustomControl, "gauge") };

#define SP_FIELDS_TspDataSkinSplitterControl(X)                                \
  X(Rect, GripperRect, "gripperrect", 0, {})                                   \
  X(Bool, GripperTransparent, "grippertransparent", 0, false)                  \
  X(Color, GripperTransparentColor, "grippertransparentcolor", 0, 0xFF00FF)
SP_CONTROL_KIND(TspDataSkinSplitterControl, TspDataSkinCustomControl, "splitter") };

#define SP_FIELDS_TspDataSkinControlBar(X)                                     \
  X(Rect, ItemRect, "itemrect", 0, {})                                         \
  X(Int, BGPictureIndex, "bgpictureindex", -1, -1)                             \
  X(Rect, HGripRect, "hgriprect", 0, {})                                       \
  X(Rect, VGripRect, "vgriprect", 0, {})                                       \
  X(Int, GripOffset1, "gripoffset1", 0, 0)                                     \
  X(Int, GripOffset2, "gripoffset2", 0, 0)                                     \
  X(Bool, ItemStretchEffect, "itemstretcheffect", 0, false)                    \
  X(Int, ItemOffset1, "itemoffset1", 3, 0)                                     \
  X(Int, ItemOffset2, "itemoffset2", 3, 0)                                     \
  X(Bool, ItemTransparent, "itemtransparent", 0, false)                        \
  X(Color, ItemTransparentColor, "itemtransparentcolor", 0, 0)                 \
  X(Bool, GripTransparent, "griptransparent", 0, false)                        \
  X(Color, GripTransparentColor, "griptransparentcolor", 0, 0)
SP_CONTROL_KIND(TspDataSkinControlBar, TspDataSkinCustomControl, "controlbar") };

#define SP_FIELDS_TspDataSkinSlider(X)                                         \
  X(Rect, HRulerRect, "hrulerrect", 0, {})                                     \
  X(Rect, HThumbRect, "hthumbrect", 0, {})                                     \
  X(Rect, VRulerRect, "vrulerrect", 0, {})                                     \
  X(Rect, VThumbRect, "vthumbrect", 0, {})                                     \
  X(Int, EdgeSize, "edgesize", 0, 0)                                           \
  X(Color, BGColor, "bgcolor", 0, 0)                                           \
  X(Color, PointsColor, "pointscolor", 0, 0)
SP_CONTROL_KIND(TspDataSkinSlider, TspDataSkinControl, "slider") };

#define SP_FIELDS_TspDataSkinPanelControl(X)                                   \
  X(Rect, CaptionRect, "captionrect", 0, {})                                   \
  X(Align, Alignment, "alignment", taCenter, taCenter)                         \
  SP_FONT_FIELDS(X, 12)                                                        \
  X(Int, BGPictureIndex, "bgpictureindex", -1, -1)                             \
  X(Rect, CheckImageRect, "checkimagerect", 0, {})                             \
  X(Rect, UnCheckImageRect, "uncheckimagerect", 0, {})                         \
  X(Rect, MarkFrameRect, "markframerect", 0, {})                               \
  X(Rect, FrameRect, "framerect", 0, {})                                       \
  X(Int, FrameLeftOffset, "frameleftoffset", 0, 0)                             \
  X(Int, FrameRightOffset, "framerightoffset", 0, 0)                           \
  X(Rect, FrameTextRect, "frametextrect", 0, {})                               \
  X(Rect, GripperRect, "gripperrect", 0, {})                                   \
  X(Bool, GripperTransparent, "grippertransparent", 0, false)                  \
  X(Color, GripperTransparentColor, "grippertransparentcolor", 0, 0xFF00FF)
SP_CONTROL_KIND(TspDataSkinPanelControl, TspDataSkinCustomControl, "panel") };

#define SP_FIELDS_TspDataSkinExPanelControl(X)                                 \
  X(Rect, RollHSkinRect, "rollhskinrect", 0, {})                               \
  X(Rect, RollVSkinRect, "rollvskinrect", 0, {})                               \
  X(Int, RollLeftOffset, "rollleftoffset", 0, 0)                               \
  X(Int, RollRightOffset, "rollrightoffset", 0, 0)                             \
  X(Int, RollTopOffset, "rolltopoffset", 0, 0)                                 \
  X(Int, RollBottomOffset, "rollbottomoffset", 0, 0)                           \
  X(Rect, RollVCaptionRect, "rollvcaptionrect", 0, {})                         \
  X(Rect, RollHCaptionRect, "rollhcaptionrect", 0, {})                         \
  X(Rect, CloseButtonRect, "closebuttonrect", 0, {})                           \
  X(Rect, CloseButtonActiveRect, "closebuttonactiverect", 0, {})               \
  X(Rect, CloseButtonDownRect, "closebuttondownrect", 0, {})                   \
  X(Rect, HRollButtonRect, "hrollbuttonrect", 0, {})                           \
  X(Rect, HRollButtonActiveRect, "hrollbuttonactiverect", 0, {})               \
  X(Rect, HRollButtonDownRect, "hrollbuttondownrect", 0, {})                   \
  X(Rect, HRestoreButtonRect, "hrestorebuttonrect", 0, {})                     \
  X(Rect, HRestoreButtonActiveRect, "hrestorebuttonactiverect", 0, {})         \
  X(Rect, HRestoreButtonDownRect, "hrestorebuttondownrect", 0, {})             \
  X(Rect, VRollButtonRect, "vrollbuttonrect", 0, {})                           \
  X(Rect, VRollButtonActiveRect, "vrollbuttonactiverect", 0, {})               \
  X(Rect, VRollButtonDownRect, "vrollbuttondownrect", 0, {})                   \
  X(Rect, VRestoreButtonRect, "vrestorebuttonrect", 0, {})                     \
  X(Rect, VRestoreButtonActiveRect, "vrestorebuttonactiverect", 0, {})         \
  X(Rect, VRestoreButtonDownRect, "vrestorebuttondownrect", 0, {})             \
  X(Rect, CaptionRect, "captionrect", 0, {})                                   \
  SP_FONT_FIELDS(X, 12)                                                        \
  X(Bool, ButtonsTransparent, "buttonstransparent", 0, false)                  \
  X(Color, ButtonsTransparentColor, "buttonstransparentcolor", 0, 0xFF00FF)
SP_CONTROL_KIND(TspDataSkinExPanelControl, TspDataSkinCustomControl, "expanel") };

#define SP_FIELDS_TspDataSkinScrollBoxControl(X) X(Int, BGPictureIndex, "bgpictureindex", -1, -1)
SP_CONTROL_KIND(TspDataSkinScrollBoxControl, TspDataSkinCustomControl, "scrollbox") };

#define SP_FIELDS_TspDataSkinLabelControl(X) SP_FONT_FIELDS(X, 12)
SP_CONTROL_KIND(TspDataSkinLabelControl, TspDataSkinCustomControl, "label") };

#define SP_FIELDS_TspDataSkinBitLabelControl(X)                                \
  X(Rect, SkinTextRect, "skintextrect", 0, {})                                 \
  X(Int, SymbolWidth, "symbolwidth", 0, 0)                                     \
  X(Int, SymbolHeight, "symbolheight", 0, 0)                                   \
  X(Lines, Symbols, "symbols", 0, {})
SP_CONTROL_KIND(TspDataSkinBitLabelControl, TspDataSkinCustomControl, "bitlabel") };

#define SP_FIELDS_TspDataSkinBevel(X)                                          \
  X(Color, LightColor, "lightcolor", 0, 0)                                     \
  X(Color, DarkColor, "darkcolor", 0, 0)
SP_CONTROL_KIND(TspDataSkinBevel, TspDataSkinControl, "bevel") };

#define SP_FIELDS_TspDataSkinStdLabelControl(X)                                \
  SP_FONT_FIELDS(X, 12)                                                        \
  X(Color, ActiveFontColor, "activefontcolor", 0xFF0000, 0xFF0000)
SP_CONTROL_KIND(TspDataSkinStdLabelControl, TspDataSkinControl, "stdlabel") };

// Frame-strip controls: FramesCount frames of equal size in SkinRect.
class TspDataSkinFrameControl : public TspDataSkinControl {
  SP_ELEMENT_CLASS(TspDataSkinFrameControl, TspDataSkinControl)
public:
  using TspDataSkinControl::TspDataSkinControl;
#define SP_FIELDS_TspDataSkinFrameControl(X)                                   \
  X(Int, FramesCount, "framescount", 1, 1)                                     \
  X(Frames, FramesPlacement, "framesplacement", fpHorizontal, fpHorizontal)
  SP_FIELDS_TspDataSkinFrameControl(SP_DECLARE_FIELD)
  void LoadFromFile(const TIniData& f) override;
};

#define SP_NO_OWN_FIELDS(X)
#define SP_FIELDS_TspDataSkinFrameGauge SP_NO_OWN_FIELDS
#define SP_FIELDS_TspDataSkinAnimateControl SP_NO_OWN_FIELDS
#define SP_FIELDS_TspDataSkinSwitchControl SP_NO_OWN_FIELDS
SP_CONTROL_KIND(TspDataSkinFrameGauge, TspDataSkinFrameControl, "framegauge") };
SP_CONTROL_KIND(TspDataSkinAnimateControl, TspDataSkinFrameControl, "animate") };
SP_CONTROL_KIND(TspDataSkinSwitchControl, TspDataSkinFrameControl, "switch") };

#define SP_FIELDS_TspDataSkinFrameRegulator(X) X(Regulator, Kind, "kind", rkRound, rkRound)
SP_CONTROL_KIND(TspDataSkinFrameRegulator, TspDataSkinFrameControl, "frameregulator") };

#define SP_FIELDS_TspDataSkinTabControl(X)                                     \
  X(Rect, TabRect, "tabrect", 0, {})                                           \
  X(Rect, ActiveTabRect, "activetabrect", 0, {})                               \
  X(Rect, FocusTabRect, "focustabrect", 0, {})                                 \
  X(Rect, MouseInTabRect, "mouseintabrect", 0, {})                             \
  X(Rect, ClRect, "clientrect", 0, {})                                         \
  X(Rect, TabsBGRect, "tabsbgrect", 0, {})                                     \
  X(Point, LTPoint, "lefttoppoint", 0, {})                                     \
  X(Point, RTPoint, "righttoppoint", 0, {})                                    \
  X(Point, LBPoint, "leftbottompoint", 0, {})                                  \
  X(Point, RBPoint, "rightbottompoint", 0, {})                                 \
  X(Int, TabLeftOffset, "tableftoffset", 0, 0)                                 \
  X(Int, TabRightOffset, "tabrightoffset", 0, 0)                               \
  SP_FONT_FIELDS(X, 14)                                                        \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, FocusFontColor, "focusfontcolor", 0, 0)                             \
  X(Color, MouseInFontColor, "mouseinfontcolor", 0, 0)                         \
  X(Str, UpDown, "updown", "", "")                                             \
  X(Int, BGPictureIndex, "bgpictureindex", -1, -1)                             \
  X(Bool, TabStretchEffect, "tabstretcheffect", 0, false)                      \
  X(Bool, LeftStretch, "leftstretch", 0, false)                                \
  X(Bool, TopStretch, "topstretch", 0, false)                                  \
  X(Bool, RightStretch, "rightstretch", 0, false)                              \
  X(Bool, BottomStretch, "bottomstretch", 0, false)                            \
  X(Bool, ShowFocus, "showfocus", 0, false)                                    \
  X(Int, FocusOffsetX, "focusoffsetx", 0, 0)                                   \
  X(Int, FocusOffsetY, "focusoffsety", 0, 0)                                   \
  X(Bool, StretchEffect, "stretcheffect", 0, false)                            \
  X(Stretch, StretchType, "stretchtype", spstFull, spstFull)                   \
  X(Rect, CloseButtonRect, "closebuttonrect", 0, {})                           \
  X(Rect, CloseButtonActiveRect, "closebuttonactiverect", 0, {})               \
  X(Rect, CloseButtonDownRect, "closebuttondownrect", 0, {})                   \
  X(Bool, ButtonTransparent, "buttontransparent", 0, false)                    \
  X(Color, ButtonTransparentColor, "buttontransparentcolor", 0, 0xFF00FF)      \
  X(Rect, TabLeftBottomActiveRect, "tableftbottomactiverect", 0, {})           \
  X(Rect, TabLeftBottomFocusRect, "tableftbottomfocusrect", 0, {})
SP_CONTROL_KIND(TspDataSkinTabControl, TspDataSkinControl, "tab") };

#define SP_FIELDS_TspDataSkinGridControl(X)                                    \
  X(Rect, FixedCellRect, "fixedcellrect", 0, {})                               \
  X(Rect, SelectCellRect, "selectcellrect", 0, {})                             \
  X(Rect, FocusCellRect, "focuscellrect", 0, {})                               \
  X(Int, FixedCellLeftOffset, "fixedcellleftoffset", 0, 0)                     \
  X(Int, FixedCellRightOffset, "fixedcellrightoffset", 0, 0)                   \
  X(Rect, FixedCellTextRect, "fixedcelltextrect", 0, {})                       \
  X(Int, CellLeftOffset, "cellleftoffset", 0, 0)                               \
  X(Int, CellRightOffset, "cellrightoffset", 0, 0)                             \
  X(Rect, CellTextRect, "celltextrect", 0, {})                                 \
  X(Color, LinesColor, "linescolor", 0, 0)                                     \
  X(Color, BGColor, "bgcolor", 0, 0)                                           \
  X(Int, BGPictureIndex, "bgpictureindex", -1, -1)                             \
  SP_FONT_FIELDS(X, 14)                                                        \
  X(Color, SelectFontColor, "selectfontcolor", 0, 0)                           \
  X(Color, FocusFontColor, "focusfontcolor", 0, 0)                             \
  X(Str, FixedFontName, "fixedfontname", "Arial", "Arial")                     \
  X(Styles, FixedFontStyle, "fixedfontstyle", 0, 0)                            \
  X(Int, FixedFontHeight, "fixedfontheight", 14, 14)                           \
  X(Color, FixedFontColor, "fixedfontcolor", 0, 0)                             \
  X(Bool, FixedCellStretchEffect, "fixedcellstretcheffect", 0, false)          \
  X(Bool, CellStretchEffect, "cellstretcheffect", 0, false)                    \
  X(Bool, ShowFocus, "showfocus", 0, false)
SP_CONTROL_KIND(TspDataSkinGridControl, TspDataSkinControl, "grid") };

#define SP_VIEW_FIELDS(X)                                                      \
  SP_FONT_FIELDS(X, 14)                                                        \
  X(Color, BGColor, "bgcolor", 0, 0xFFFFFF)
#define SP_FIELDS_TspDataSkinTreeView(X)                                       \
  SP_VIEW_FIELDS(X)                                                            \
  X(Rect, ExpandImageRect, "expandimagerect", 0, {})                           \
  X(Rect, NoExpandImageRect, "noexpandimagerect", 0, {})
#define SP_FIELDS_TspDataSkinListView SP_VIEW_FIELDS
#define SP_FIELDS_TspDataSkinRichEdit SP_VIEW_FIELDS
SP_CONTROL_KIND(TspDataSkinTreeView, TspDataSkinControl, "treeview") };
SP_CONTROL_KIND(TspDataSkinListView, TspDataSkinControl, "listview") };
SP_CONTROL_KIND(TspDataSkinRichEdit, TspDataSkinControl, "richedit") };

#define SP_FIELDS_TspDataSkinMainMenuBar(X)                                    \
  X(Rect, ItemsRect, "itemsrect", 0, {})                                       \
  X(Str, MenuBarItem, "menubaritem", "", "")                                   \
  X(Str, CloseButton, "closebutton", "", "")                                   \
  X(Str, MaxButton, "maxbutton", "", "")                                       \
  X(Str, MinButton, "minbutton", "", "")                                       \
  X(Str, SysMenuButton, "sysmenubutton", "", "")                               \
  X(Int, TrackMarkColor, "trackmarkcolor", 0, 0)                               \
  X(Int, TrackMarkActiveColor, "trackmarkactivecolor", 0, 0)                   \
  X(Bool, StretchEffect, "stretcheffect", 0, false)                            \
  X(Bool, ItemTransparent, "itemtransparent", 0, false)
SP_CONTROL_KIND(TspDataSkinMainMenuBar, TspDataSkinControl, "mainmenubar") };

// ---------------------------------------------------------------- objects

class TspDataSkinObject : public TspSkinElement {
public:
  explicit TspDataSkinObject(const std::string& AIDName) : IDName(AIDName) {}
  std::string IDName;
#define SP_FIELDS_TspDataSkinObject(X)                                         \
  X(Str, Hint, "hint", "", "")                                                 \
  X(Bool, SkinRectInAPicture, "skinrectinapicture", 0, false)                  \
  X(Rect, SkinRect, "skinrect", 0, {})                                         \
  X(Rect, ActiveSkinRect, "activeskinrect", 0, {})                             \
  X(Rect, InActiveSkinRect, "inactiveskinrect", 0, {})                         \
  X(Bool, Morphing, "morphing", 0, false)                                      \
  X(Morph, MorphKind, "morphkind", mkDefault, mkDefault)                       \
  X(Int, ActivePictureIndex, "activepictureindex", -1, -1)                     \
  X(Int, ActiveMaskPictureIndex, "activemaskpictureindex", -1, -1)             \
  X(Int, CursorIndex, "cursorindex", -1, -1)                                   \
  X(Bool, RollUp, "rollup", 0, false)                                          \
  X(Int, GlowLayerPictureIndex, "glowlayerpictureindex", -1, -1)               \
  X(Int, GlowLayerMaskPictureIndex, "glowlayermaskpictureindex", -1, -1)       \
  X(Int, GlowLayerOffsetX, "glowlayeroffsetx", 0, 0)                           \
  X(Int, GlowLayerOffsetY, "glowlayeroffsety", 0, 0)                           \
  X(Int, GlowLayerAlphaBlendValue, "glowlayeralphablendvalue", 255, 255)
  SP_FIELDS_TspDataSkinObject(SP_DECLARE_FIELD)

  static const TspFieldTable& OwnRows();
  const char* ClassName() const override { return "TspDataSkinObject"; }
  std::vector<const TspFieldTable*> Tables() const override { return {&OwnRows()}; }
  virtual const char* KindWord() const { return ""; }
  virtual void LoadFromFile(const TIniData& f);
  virtual void SaveToFile(TIniData& f);
};

#define SP_OBJECT_KIND(Cls, Parent, Word) SP_CONTROL_KIND(Cls, Parent, Word)

#define SP_FIELDS_TspDataSkinButton(X)                                         \
  X(Int, GroupIndex, "groupindex", -1, -1)                                     \
  X(Rect, DownRect, "downrect", 0, {})                                         \
  X(Rect, DisableSkinRect, "disableskinrsect", 0, {})                          \
  X(Int, AlphaMaskPictureIndex, "alphamaskpictureindex", -1, -1)               \
  X(Int, AlphaMaskActivePictureIndex, "alphamaskactivepictureindex", -1, -1)   \
  X(Int, AlphaMaskInActivePictureIndex, "alphamaskinactivepictureindex", -1, -1)
SP_OBJECT_KIND(TspDataSkinButton, TspDataSkinObject, "button") };

#define SP_RESTORE_FIELDS(X)                                                   \
  X(Rect, RestoreRect, "restorerect", 0, {})                                   \
  X(Rect, RestoreActiveRect, "restoreactiverect", 0, {})                       \
  X(Rect, RestoreDownRect, "restoredownrect", 0, {})                           \
  X(Rect, RestoreInActiveRect, "restoreinactiverect", 0, {})                   \
  X(Str, RestoreHint, "restorehint", "", "")

#define SP_FIELDS_TspDataSkinStdButton(X)                                      \
  X(Command, Command, "command", cmDefault, cmClose)                           \
  SP_RESTORE_FIELDS(X)
SP_OBJECT_KIND(TspDataSkinStdButton, TspDataSkinButton, "stdbutton")
  void LoadFromFile(const TIniData& f) override;
};

#define SP_FIELDS_TspDataSkinMainMenuBarButton SP_NO_OWN_FIELDS
SP_OBJECT_KIND(TspDataSkinMainMenuBarButton, TspDataSkinStdButton, "mainmenubarbutton") };

#define SP_FIELDS_TspDataSkinCaption(X)                                        \
  X(Str, FontName, "fontname", "Arial", "")                                    \
  X(Int, FontHeight, "fontheight", 14, 0)                                      \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, ShadowColor, "shadowcolor", 0, 0)                                   \
  X(Color, ActiveShadowColor, "activeshadowcolor", 0, 0)                       \
  X(Bool, Shadow, "shadow", 0, false)                                          \
  X(Align, Alignment, "alignment", taCenter, taLeftJustify)                    \
  X(Rect, TextRct, "textrect", 0, {})                                          \
  X(Bool, DefaultCaption, "defaultcaption", 0, false)                          \
  X(Rect, FrameRect, "framerect", 0, {})                                       \
  X(Rect, ActiveFrameRect, "activeframerect", 0, {})                           \
  X(Int, FrameLeftOffset, "frameleftoffset", 0, 0)                             \
  X(Int, FrameRightOffset, "framerightoffset", 0, 0)                           \
  X(Rect, FrameTextRect, "frametextrect", 0, {})                               \
  X(Bool, Light, "light", 0, false)                                            \
  X(Color, LightColor, "lightcolor", 0, 0)                                     \
  X(Color, ActiveLightColor, "activelightcolor", 0, 0)                         \
  X(Bool, StretchEffect, "stretcheffect", 0, false)                            \
  X(Rect, AnimateSkinRect, "animateskinrect", 0, {})                           \
  X(Int, FrameCount, "framecount", 0, 0)                                       \
  X(Int, AnimateInterval, "animateinterval", 25, 0)                            \
  X(Bool, InActiveAnimation, "inactiveanimation", 0, false)                    \
  X(Bool, FullFrame, "fullframe", 0, false)                                    \
  X(Bool, VistaGlowEffect, "vistagloweffect", 0, false)                        \
  X(Bool, VistaGlowInActiveEffect, "vistaglowinactiveeffect", 0, false)        \
  X(Bool, GlowEffect, "gloweffect", 0, false)                                  \
  X(Bool, GlowInActiveEffect, "glowinactiveeffect", 0, false)                  \
  X(Int, GlowSize, "glowsize", 3, 0)                                           \
  X(Color, GlowColor, "glowcolor", 0, 0)                                       \
  X(Color, GlowActiveColor, "glowactivecolor", 0, 0)                           \
  X(Int, GlowOffset, "glowoffset", 0, 0)                                       \
  X(Bool, ReflectionEffect, "reflectioneffect", 0, false)                      \
  X(Color, ReflectionColor, "reflactioncolor", 0, 0)                           \
  X(Color, ReflectionActiveColor, "reflactionactivecolor", 0, 0)               \
  X(Int, ReflectionOffset, "reflectionoffset", 0, 0)                           \
  X(Rect, DividerRect, "dividerrect", 0, {})                                   \
  X(Rect, InActiveDividerRect, "inactivedividerrect", 0, {})                   \
  X(Bool, DividerTransparent, "dividertransparent", 0, false)                  \
  X(Color, DividerTransparentColor, "dividertransparentcolor", 0, 0)           \
  X(Int, QuickButtonAlphaMaskPictureIndex, "quickbuttonalphamaskpictureindex", -1, 0)
SP_OBJECT_KIND(TspDataSkinCaption, TspDataSkinObject, "caption") };

// A place the application paints itself: three root keys and nothing else.
#define SP_FIELDS_TspDataUserObject SP_NO_OWN_FIELDS
SP_OBJECT_KIND(TspDataUserObject, TspDataSkinObject, "userobject")
  static const TspFieldTable& UserRows();
  std::vector<const TspFieldTable*> IOTables() const override { return {&UserRows()}; }
};

#define SP_FIELDS_TspDataSkinLabel(X)                                          \
  X(Str, FontName, "fontName", "Arial", "")                                    \
  X(Int, FontHeight, "fontheight", 14, 0)                                      \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Align, Alignment, "alignment", taCenter, taLeftJustify)                    \
  X(Str, TextValue, "textvalue", "", "")
SP_OBJECT_KIND(TspDataSkinLabel, TspDataSkinObject, "label") };

#define SP_FIELDS_TspDataSkinBitLabel(X)                                       \
  X(Lines, Symbols, "symbols", 0, {})                                          \
  X(Str, TextValue, "textvalue", "", "")                                       \
  X(Int, SymbolWidth, "symbolwidth", 0, 0)                                     \
  X(Int, SymbolHeight, "symbolheight", 0, 0)                                   \
  X(Bool, Transparent, "transparent", 0, false)                                \
  X(Color, TransparentColor, "transparentcolor", 0xFF00FF, 0xFF00FF)
SP_OBJECT_KIND(TspDataSkinBitLabel, TspDataSkinObject, "bitlabel")
  void LoadFromFile(const TIniData& f) override;
};

#define SP_FIELDS_TspDataSkinAnimate(X)                                        \
  X(Int, CountFrames, "countframes", 1, 0)                                     \
  X(Bool, Cycle, "cycle", 0, false)                                            \
  X(Bool, ButtonStyle, "buttonstyle", 0, false)                                \
  X(Int, TimerInterval, "timerinterval", 50, 0)                                \
  X(Command, Command, "command", cmDefault, cmClose)                           \
  X(Rect, DownSkinRect, "downskinrect", 0, {})                                 \
  SP_RESTORE_FIELDS(X)
SP_OBJECT_KIND(TspDataSkinAnimate, TspDataSkinObject, "animate")
  void LoadFromFile(const TIniData& f) override;
};

#define SP_FIELDS_TspDataSkinSwitch SP_NO_OWN_FIELDS
SP_OBJECT_KIND(TspDataSkinSwitch, TspDataSkinObject, "switch") };

#define SP_FIELDS_TspDataSkinGauge(X)                                          \
  X(Int, MinValue, "minvalue", 0, 0)                                           \
  X(Int, MaxValue, "maxvalue", 0, 0)                                           \
  X(Gauge, Kind, "kind", gkHorizontal, gkHorizontal)
SP_OBJECT_KIND(TspDataSkinGauge, TspDataSkinObject, "gauge") };

#define SP_FIELDS_TspDataSkinTrackBar(X)                                       \
  X(Rect, ButtonRect, "buttonrect", 0, {})                                     \
  X(Rect, ActiveButtonRect, "activebuttonrect", 0, {})                         \
  X(Point, BeginPoint, "beginpoint", 0, {})                                    \
  X(Point, EndPoint, "endpoint", 0, {})                                        \
  X(Int, MinValue, "minvalue", 0, 0)                                           \
  X(Int, MaxValue, "maxvalue", 0, 0)                                           \
  X(Bool, MouseDownChangeValue, "mousedownchangevalue", 0, false)              \
  X(Bool, ButtonTransparent, "buttontransparent", 0, false)                    \
  X(Color, ButtonTransparentColor, "buttontransparentcolor", 0, 0)
SP_OBJECT_KIND(TspDataSkinTrackBar, TspDataSkinObject, "trackbar")
  void LoadFromFile(const TIniData& f) override;
};

#define SP_FRAME_OBJECT_FIELDS(X)                                              \
  X(Int, MinValue, "minvalue", 0, 0)                                           \
  X(Int, MaxValue, "maxvalue", 0, 0)                                           \
  X(Int, CountFrames, "countframes", 0, 0)                                     \
  X(Frames, FramesPlacement, "framesplacement", fpHorizontal, fpHorizontal)
#define SP_FIELDS_TspDataSkinFrameGaugeObject SP_FRAME_OBJECT_FIELDS
#define SP_FIELDS_TspDataSkinFrameRegulatorObject(X)                           \
  SP_FRAME_OBJECT_FIELDS(X)                                                    \
  X(Regulator, Kind, "kind", rkRound, rkRound)
SP_OBJECT_KIND(TspDataSkinFrameGaugeObject, TspDataSkinObject, "framegauge") };
SP_OBJECT_KIND(TspDataSkinFrameRegulatorObject, TspDataSkinObject, "frameregulator") };

#define SP_FIELDS_TspDataSkinMenuItem(X)                                       \
  X(Rect, DividerRect, "dividerrect", 0, {})                                   \
  X(Int, DividerLO, "dividerleftoffset", 0, 0)                                 \
  X(Int, DividerRO, "dividerrightoffset", 0, 0)                                \
  X(Int, ItemLO, "itemleftoffset", 0, 0)                                       \
  X(Int, ItemRO, "itemrightoffset", 0, 0)                                      \
  X(Str, FontName, "fontname", "Arial", "")                                    \
  X(Int, FontHeight, "fontheight", 14, 0)                                      \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Color, UnEnabledFontColor, "unenabledfontcolor", 0, 0)                     \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Rect, TextRct, "textrect", 0, {})                                          \
  X(Bool, StretchEffect, "stretcheffect", 0, false)                            \
  X(Bool, DividerStretchEffect, "dividerstretcheffect", 0, false)              \
  X(Bool, InActiveStretchEffect, "inactivestretcheffect", 0, false)            \
  X(Rect, AnimateSkinRect, "animateskinrect", 0, {})                           \
  X(Int, FrameCount, "framecount", 0, 0)                                       \
  X(Int, AnimateInterval, "animateinterval", 25, 0)                            \
  X(Bool, InActiveAnimation, "inactiveanimation", 0, false)                    \
  X(Rect, ImageRct, "imagerect", 0, {})                                        \
  X(Bool, UseImageColor, "useimagecolor", 0, false)                            \
  X(Color, ImageColor, "imagecolor", 0, 0)                                     \
  X(Color, ActiveImageColor, "activeimagecolor", 0, 0)                         \
  X(Bool, InActiveTransparent, "inactivetransparent", 0, false)                \
  X(Rect, CheckImageRect, "checkimagerect", 0, {})                             \
  X(Rect, ActiveCheckImageRect, "activecheckimagerect", 0, {})                 \
  X(Rect, RadioImageRect, "radioimagerect", 0, {})                             \
  X(Rect, ActiveRadioImageRect, "activeradioimagerect", 0, {})                 \
  X(Rect, ArrowImageRect, "arrowimagerect", 0, {})                             \
  X(Rect, ActiveArrowImageRect, "activearrowimagerect", 0, {})
SP_OBJECT_KIND(TspDataSkinMenuItem, TspDataSkinObject, "menuitem")
  void LoadFromFile(const TIniData& f) override;
};

#define SP_FIELDS_TspDataSkinMainMenuItem(X)                                   \
  X(Rect, DownRect, "downrect", 0, {})                                         \
  X(Str, FontName, "fontname", "Arial", "")                                    \
  X(Int, FontHeight, "fontheight", 14, 0)                                      \
  X(Styles, FontStyle, "fontstyle", 0, 0)                                      \
  X(Color, FontColor, "fontcolor", 0, 0)                                       \
  X(Color, ActiveFontColor, "activefontcolor", 0, 0)                           \
  X(Color, DownFontColor, "downfontcolor", 0, 0)                               \
  X(Color, UnEnabledFontColor, "unenabledfontColor", 0, 0)                     \
  X(Rect, TextRct, "textrect", 0, {})                                          \
  X(Int, ItemLO, "itemleftoffset", 0, 0)                                       \
  X(Int, ItemRO, "itemrightoffset", 0, 0)                                      \
  X(Bool, StretchEffect, "stretcheffect", 0, false)                            \
  X(Rect, AnimateSkinRect, "animateskinrect", 0, {})                           \
  X(Int, FrameCount, "framecount", 0, 0)                                       \
  X(Int, AnimateInterval, "animateinterval", 25, 0)                            \
  X(Bool, InActiveAnimation, "inactiveanimation", 0, false)
SP_OBJECT_KIND(TspDataSkinMainMenuItem, TspDataSkinObject, "mainmenuitem") };

#define SP_FIELDS_TspDataSkinMainMenuBarItem SP_NO_OWN_FIELDS
SP_OBJECT_KIND(TspDataSkinMainMenuBarItem, TspDataSkinMainMenuItem, "mainmenubaritem") };

// ---------------------------------------------------------------- window parts

#define SP_WINDOW_PART(Cls, SectionName)                                       \
  class Cls : public TspSkinElement {                                          \
  public:                                                                      \
    static const TspFieldTable& OwnRows();                                     \
    static constexpr const char* Section = SectionName;                       \
    const char* ClassName() const override { return #Cls; }                   \
    std::vector<const TspFieldTable*> Tables() const override { return {&OwnRows()}; } \
    void LoadFromFile(const TIniData& f) { spLoadRows(this, OwnRows(), f, Section); } \
    void SaveToFile(TIniData& f) {                                            \
      f.EraseSection(Section);                                                 \
      spSaveRows(this, OwnRows(), f, Section);                                 \
    }                                                                          \
    SP_FIELDS_##Cls(SP_DECLARE_FIELD)                                          \
  };

#define SP_CORNER_FIELDS(X)                                                    \
  X(Point, LTPoint, "lefttoppoint", 0, {})                                     \
  X(Point, RTPoint, "righttoppoint", 0, {})                                    \
  X(Point, LBPoint, "leftbottompoint", 0, {})                                  \
  X(Point, RBPoint, "rightbottompoint", 0, {})
#define SP_EDGE_STRETCH_FIELDS(X)                                              \
  X(Bool, TopStretch, "topstretch", 0, false)                                  \
  X(Bool, LeftStretch, "leftstretch", 0, false)                                \
  X(Bool, RightStretch, "rightstretch", 0, false)                              \
  X(Bool, BottomStretch, "bottomstretch", 0, false)                            \
  X(Bool, StretchEffect, "stretcheffect", 0, false)                            \
  X(Stretch, StretchType, "stretchtype", spstFull, spstFull)

#define SP_FIELDS_TspDataSkinLayerFrame(X)                                     \
  X(Int, PictureIndex, "pictureindex", -1, -1)                                 \
  X(Int, MaskPictureIndex, "maskpictureindex", -1, -1)                         \
  X(Int, InActivePictureIndex, "inactivepictureindex", -1, -1)                 \
  X(Int, InActiveMaskPictureIndex, "inactivemaskpictureindex", -1, -1)         \
  SP_CORNER_FIELDS(X)                                                          \
  X(Rect, ClRect, "clientrect", 0, {})                                         \
  X(Int, AlphaBlendValue, "alphablendvalue", 255, 255)                         \
  X(Int, InActiveAlphaBlendValue, "inactivealphablendvalue", 255, 255)         \
  X(Rect, BorderRect, "borderrect", 0, {})                                     \
  X(Bool, HitTestEnable, "hittestenable", 0, false)                            \
  X(Bool, FullBorder, "fullborder", 0, false)                                  \
  X(Int, HitTestSize, "hittestsize", 0, 0)                                     \
  X(Rect, CaptionRect, "captionrect", 0, {})                                   \
  X(Point, HitTestLTPoint, "hittestlefttoppoint", 0, {})                       \
  X(Point, HitTestRTPoint, "hittestrighttoppoint", 0, {})                      \
  X(Point, HitTestLBPoint, "hittestleftbottompoint", 0, {})                    \
  X(Point, HitTestRBPoint, "hittestrightbottompoint", 0, {})                   \
  X(Rect, ButtonsRect, "buttonsrect", 0, {})                                   \
  X(Rect, SysMenuButtonRect, "sysmenubuttonrect", 0, {})                       \
  X(Bool, FullStretch, "fullstretch", 0, false)                                \
  X(Int, RollUpFormHeight, "rollupformheight", 0, 0)                           \
  X(Int, ButtonsTopOffset, "buttonstopoffset", 0, 0)                           \
  X(Int, SysButtonTopOffset, "sysbuttontopoffset", 0, 0)                       \
  X(Int, BlurMaskPictureIndex, "blurmaskpictureindex", -1, -1)                 \
  X(Rect, IntersectBlurMaskRect, "intersectblurmaskrect", 0, {})               \
  X(Rect, ExcludeBlurMaskRect, "excludeblurmaskrect", 0, {})                   \
  X(Int, LeftOffset, "leftoffset", 0, 0)                                       \
  X(Int, TopOffset, "topoffset", 0, 0)                                         \
  X(Int, WidthOffset, "widthoffset", 0, 0)                                     \
  X(Int, HeightOffset, "heightoffset", 0, 0)
SP_WINDOW_PART(TspDataSkinLayerFrame, "LAYERFRAME")

#define SP_FIELDS_TspDataSkinPopupWindow(X)                                    \
  X(Int, WindowPictureIndex, "windowpictureindex", -1, -1)                     \
  X(Int, MaskPictureIndex, "maskpictureindex", -1, -1)                         \
  SP_CORNER_FIELDS(X)                                                          \
  X(Rect, ItemsRect, "itemsrect", 0, {})                                       \
  X(Int, ScrollMarkerColor, "scrollmarkercolor", 0, 0)                         \
  X(Int, ScrollMarkerActiveColor, "scrollmarkeractivecolor", 0, 0)             \
  X(Int, CursorIndex, "cursorindex", -1, -1)                                   \
  SP_EDGE_STRETCH_FIELDS(X)
SP_WINDOW_PART(TspDataSkinPopupWindow, "POPUPWINDOW")

#define SP_FIELDS_TspDataSkinHintWindow(X)                                     \
  X(Int, WindowPictureIndex, "windowpictureindex", -1, -1)                     \
  X(Int, MaskPictureIndex, "maskpictureindex", -1, -1)                         \
  SP_CORNER_FIELDS(X)                                                          \
  X(Rect, ClRect, "clientrect", 0, {})                                         \
  SP_FONT_FIELDS(X, 12)                                                        \
  SP_EDGE_STRETCH_FIELDS(X)
SP_WINDOW_PART(TspDataSkinHintWindow, "HINTWINDOW")

// One named area of the window picture ([SKINAREAS] entry).
class TspDataSkinArea {
public:
  TspDataSkinArea(const std::string& AIDName, const TspRect& ARect, bool AUseAnchors, bool AAnchorLeft,
                  bool AAnchorTop, bool AAnchorRight, bool AAnchorBottom)
      : IDName(AIDName), AreaRect(ARect), UseAnchors(AUseAnchors), AnchorLeft(AAnchorLeft),
        AnchorTop(AAnchorTop), AnchorRight(AAnchorRight), AnchorBottom(AAnchorBottom) {}
  std::string IDName;
  TspRect AreaRect;
  bool UseAnchors, AnchorLeft, AnchorTop, AnchorRight, AnchorBottom;
};

// Factories by kind word; nullptr for a word outside the tables.
std::unique_ptr<TspDataSkinControl> spCreateControl(const std::string& kind, const std::string& name);
std::unique_ptr<TspDataSkinObject> spCreateObject(const std::string& kind, const std::string& name);
// A copy of a description that the factory made for its kind word, under
// another name (entries that name one section share what it says).
std::unique_ptr<TspDataSkinControl> spCopyControl(const TspDataSkinControl& from, const std::string& name);
std::unique_ptr<TspDataSkinObject> spCopyObject(const TspDataSkinObject& from, const std::string& name);
// The lines a description holds in all of its line lists.
size_t spListLinesOf(TspSkinElement* e);
// All kind words, in the order the writer tests them.
const std::vector<std::string>& spControlKindWords();
const std::vector<std::string>& spObjectKindWords();

// Font fields of a description that the skin's font change touches, or
// nullptrs. Second pair: grid's fixed font, list box's caption font.
struct TspFontFields {
  std::string* Name = nullptr;
  int32_t* Height = nullptr;
  std::string* Name2 = nullptr;
  int32_t* Height2 = nullptr;
};
TspFontFields spFontFieldsOf(TspSkinElement* e);
