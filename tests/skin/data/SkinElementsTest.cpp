#include <gtest/gtest.h>

#include <random>
#include <set>

#include "skin/data/spSkinElements.h"

namespace {

template <class T>
T& Field(TspSkinElement* e, const TspFieldRow& r) {
  return *static_cast<T*>(r.Ptr(e));
}

// Every loadable class: the 33 control kinds, the 16 object kinds, the three
// window parts.
std::vector<std::unique_ptr<TspSkinElement>> AllClasses() {
  std::vector<std::unique_ptr<TspSkinElement>> all;
  for (const std::string& k : spControlKindWords()) all.push_back(spCreateControl(k, "elem"));
  for (const std::string& k : spObjectKindWords()) all.push_back(spCreateObject(k, "elem"));
  all.push_back(std::make_unique<TspDataSkinPopupWindow>());
  all.push_back(std::make_unique<TspDataSkinLayerFrame>());
  all.push_back(std::make_unique<TspDataSkinHintWindow>());
  return all;
}

void Load(TspSkinElement* e, const TIniData& f) {
  if (auto* c = dynamic_cast<TspDataSkinControl*>(e)) return c->LoadFromFile(f);
  if (auto* o = dynamic_cast<TspDataSkinObject*>(e)) return o->LoadFromFile(f);
  if (auto* p = dynamic_cast<TspDataSkinPopupWindow*>(e)) return p->LoadFromFile(f);
  if (auto* l = dynamic_cast<TspDataSkinLayerFrame*>(e)) return l->LoadFromFile(f);
  dynamic_cast<TspDataSkinHintWindow*>(e)->LoadFromFile(f);
}

void Save(TspSkinElement* e, TIniData& f) {
  if (auto* c = dynamic_cast<TspDataSkinControl*>(e)) return c->SaveToFile(f);
  if (auto* o = dynamic_cast<TspDataSkinObject*>(e)) return o->SaveToFile(f);
  if (auto* p = dynamic_cast<TspDataSkinPopupWindow*>(e)) return p->SaveToFile(f);
  if (auto* l = dynamic_cast<TspDataSkinLayerFrame*>(e)) return l->SaveToFile(f);
  dynamic_cast<TspDataSkinHintWindow*>(e)->SaveToFile(f);
}

std::unique_ptr<TspSkinElement> Fresh(const TspSkinElement* like) {
  for (auto& e : AllClasses())
    if (std::string(e->ClassName()) == like->ClassName()) return std::move(e);
  return nullptr;
}

TEST(SkinElements, FiftyTwoLoadableClassesWithDistinctKeys) {
  auto all = AllClasses();
  EXPECT_EQ(all.size(), 52u);
  std::set<std::string> names;
  for (auto& e : all) {
    names.insert(e->ClassName());
    std::set<std::string> keys;
    for (const TspFieldTable* t : e->IOTables())
      for (const TspFieldRow& r : *t)
        EXPECT_TRUE(keys.insert(AsciiLower(r.Key)).second) << e->ClassName() << " reads " << r.Key << " twice";
  }
  EXPECT_EQ(names.size(), 52u);
}

TEST(SkinElements, EmptySectionLoadsTheMissingKeyValues) {
  TIniData empty;
  for (auto& e : AllClasses()) {
    Load(e.get(), empty);
    for (const TspFieldTable* t : e->IOTables())
      for (const TspFieldRow& r : *t) {
        SCOPED_TRACE(std::string(e->ClassName()) + "." + r.Field);
        switch (r.Kind) {
          case TspValueKind::Str: EXPECT_EQ(Field<std::string>(e.get(), r), r.Missing.Text ? r.Missing.Text : ""); break;
          case TspValueKind::Int:
          case TspValueKind::Color: EXPECT_EQ(Field<int32_t>(e.get(), r), r.Missing.Int); break;
          case TspValueKind::Bool: EXPECT_FALSE(Field<bool>(e.get(), r)); break;
          case TspValueKind::Rect: EXPECT_EQ(Field<TspRect>(e.get(), r), TspRect{}); break;
          case TspValueKind::Point: EXPECT_EQ(Field<TspPoint>(e.get(), r), TspPoint{}); break;
          case TspValueKind::Lines: EXPECT_TRUE(Field<std::vector<std::string>>(e.get(), r).empty()); break;
          case TspValueKind::Styles: EXPECT_EQ(Field<TFontStyles>(e.get(), r), 0u); break;
          default: EXPECT_EQ(int(Field<uint8_t>(e.get(), r)), r.Missing.Int);
        }
      }
  }
}

// The cases where a missing key and a fresh, unloaded description differ.
TEST(SkinElements, MissingKeyValuesDifferFromConstructedOnes) {
  struct Case { bool control; const char* kind; const char* field; int32_t constructed, loaded; } cases[] = {
      {true, "button", "FontHeight", 12, 14},
      {true, "button", "AnimateInterval", 0, 25},
      {true, "scrollbar", "ThumbTransparentColor", 0xFF00FF, 0},
      {true, "controlbar", "ItemOffset1", 0, 3},
      {true, "treeview", "BGColor", 0xFFFFFF, 0},
      {true, "richedit", "BGColor", 0xFFFFFF, 0},
      {true, "stdlabel", "ActiveFontColor", 0xFF0000, 0xFF0000},
      {true, "framegauge", "FramesCount", 1, 1},
      {false, "caption", "GlowSize", 0, 3},
      {false, "caption", "QuickButtonAlphaMaskPictureIndex", 0, -1},
      {false, "animate", "CountFrames", 0, 1},
      {false, "animate", "TimerInterval", 0, 50},
      {false, "bitlabel", "TransparentColor", 0xFF00FF, 0xFF00FF},
      {false, "framegauge", "CountFrames", 0, 0},
      {false, "menuitem", "AnimateInterval", 0, 25},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TspSkinElement> e;
    if (c.control) e = spCreateControl(c.kind, "x");
    else e = spCreateObject(c.kind, "x");
    const TspFieldRow* row = nullptr;
    for (const TspFieldTable* t : e->Tables())
      for (const TspFieldRow& r : *t)
        if (std::string(r.Field) == c.field) row = &r;
    ASSERT_NE(row, nullptr) << c.kind << "." << c.field;
    EXPECT_EQ(Field<int32_t>(e.get(), *row), c.constructed) << c.kind << "." << c.field;
    Load(e.get(), TIniData());
    EXPECT_EQ(Field<int32_t>(e.get(), *row), c.loaded) << c.kind << "." << c.field;
  }
  TspDataSkinHintWindow hint;
  EXPECT_EQ(hint.FontHeight, 12);
  hint.LoadFromFile(TIniData());
  EXPECT_EQ(hint.FontHeight, 14);
  TspDataSkinListBox list("l");
  EXPECT_EQ(list.VScrollBarName, "");
  list.LoadFromFile(TIniData());
  EXPECT_EQ(list.VScrollBarName, "vscrollbar");
  EXPECT_EQ(list.BothScrollBarName, "bothhscrollbar");
}

void Randomise(TspSkinElement* e, std::mt19937& rng) {
  auto num = [&] { return int32_t(rng() % 2001) - 1000; };
  for (const TspFieldTable* t : e->IOTables())
    for (const TspFieldRow& r : *t) {
      switch (r.Kind) {
        case TspValueKind::Int:
        case TspValueKind::Color: Field<int32_t>(e, r) = num(); break;
        case TspValueKind::Bool: Field<bool>(e, r) = rng() & 1; break;
        case TspValueKind::Rect: {
          int32_t l = num(), t2 = num();
          Field<TspRect>(e, r) = TspRect{l, t2, l + 1 + int32_t(rng() % 50), t2 + 1 + int32_t(rng() % 50)};
          break;
        }
        case TspValueKind::Point: Field<TspPoint>(e, r) = TspPoint{num(), num()}; break;
        case TspValueKind::Str: Field<std::string>(e, r) = "v" + std::to_string(rng() % 100000); break;
        case TspValueKind::Styles: Field<TFontStyles>(e, r) = TFontStyles(rng() % 16); break;
        case TspValueKind::Align: Field<TAlignment>(e, r) = TAlignment(rng() % 3); break;
        case TspValueKind::Lines: {
          auto& l = Field<std::vector<std::string>>(e, r);
          l.clear();
          for (uint32_t i = rng() % 4; i > 0; --i) l.push_back("0123456789"[rng() % 10] + std::string("ab"));
          break;
        }
        case TspValueKind::Stretch: Field<TspStretchType>(e, r) = TspStretchType(rng() % 3); break;
        case TspValueKind::Morph: Field<TMorphKind>(e, r) = TMorphKind(rng() % 7); break;
        case TspValueKind::Frames: Field<TFramesPlacement>(e, r) = TFramesPlacement(rng() % 2); break;
        case TspValueKind::Regulator: Field<TRegulatorKind>(e, r) = TRegulatorKind(rng() % 3); break;
        case TspValueKind::Gauge: Field<TGaugeKind>(e, r) = TGaugeKind(rng() % 2); break;
        case TspValueKind::Command: Field<TStdCommand>(e, r) = TStdCommand(rng() % 7); break;
      }
    }
}

// What loading changes on purpose: the expected value of a field after a
// save and reload, given the saved element; nullopt = unchanged.
bool ExpectedChange(TspSkinElement* e, const TspFieldRow& r, int32_t& expected) {
  std::string cls = e->ClassName(), f = r.Field;
  if (f == "Morphing" && (cls == "TspDataSkinAnimate" || cls == "TspDataSkinBitLabel" || cls == "TspDataSkinTrackBar")) {
    expected = 0;
    return true;
  }
  if (f == "FramesCount") {
    expected = std::max(1, Field<int32_t>(e, r));
    return true;
  }
  return false;
}

TEST(SkinElements, SaveAndLoadGiveBackEveryField) {
  std::mt19937 rng(12);
  for (int round = 0; round < 20; ++round)
    for (auto& e : AllClasses()) {
      Randomise(e.get(), rng);
      TIniData f;
      Save(e.get(), f);
      auto back = Fresh(e.get());
      TIniData reread(f.Format());
      Load(back.get(), reread);
      for (const TspFieldTable* t : e->IOTables())
        for (const TspFieldRow& r : *t) {
          SCOPED_TRACE(std::string(e->ClassName()) + "." + r.Field);
          int32_t want;
          bool changed = ExpectedChange(e.get(), r, want);
          switch (r.Kind) {
            case TspValueKind::Int:
            case TspValueKind::Color:
              EXPECT_EQ(Field<int32_t>(back.get(), r), changed ? want : Field<int32_t>(e.get(), r));
              break;
            case TspValueKind::Bool:
              EXPECT_EQ(Field<bool>(back.get(), r), changed ? want != 0 : Field<bool>(e.get(), r));
              break;
            case TspValueKind::Rect: EXPECT_EQ(Field<TspRect>(back.get(), r), Field<TspRect>(e.get(), r)); break;
            case TspValueKind::Point: EXPECT_EQ(Field<TspPoint>(back.get(), r), Field<TspPoint>(e.get(), r)); break;
            case TspValueKind::Str:
              EXPECT_EQ(Field<std::string>(back.get(), r), Field<std::string>(e.get(), r));
              break;
            case TspValueKind::Lines:
              EXPECT_EQ(Field<std::vector<std::string>>(back.get(), r), Field<std::vector<std::string>>(e.get(), r));
              break;
            case TspValueKind::Styles:
              EXPECT_EQ(Field<TFontStyles>(back.get(), r), Field<TFontStyles>(e.get(), r));
              break;
            default: EXPECT_EQ(Field<uint8_t>(back.get(), r), Field<uint8_t>(e.get(), r));
          }
        }
    }
}

TEST(SkinElements, LoadingRules) {
  TIniData f(
      "[ud]\nlefttoppoint=5,6\nclientrect=1,2,3,4\nupbuttonrect=1,1,2,2\n"
      "[mi]\ncheckimagerect=1,2,3,4\narrowimagerect=5,6,7,8\nactivearrowimagerect=9,9,9,20\n"
      "activeradioimagerect=1,1,5,5\n"
      "[sb]\nhint=Maximize\ncommand=cmmaximize\n[sb2]\nhint=maximize\ncommand=cmmaximize\n"
      "[sb3]\nhint=Roll Up\ncommand=cmrollup\nrestorehint=Unroll\n[sb4]\ncommand=typo\n"
      "[an]\nmorphing=1\nhint=Minimize\ncommand=cmminimize\n"
      "[fc]\nframescount=-4\nframesplacement=FPHORIZONTAL\n"
      "[uo]\nhint=x\nmorphing=1\nskinrect=1,2,3,4\nrollup=1\n"
      "[bt]\ndisableskinrect=1,2,3,4\n[lb]\nFONTNAME=Big\n");
  TspDataSkinUpDownControl ud("ud");
  ud.LoadFromFile(f);
  EXPECT_EQ(ud.LTPoint, TspPoint{});
  EXPECT_EQ(ud.ClRect, TspRect{});
  EXPECT_EQ(ud.UpButtonRect, spRect(1, 1, 2, 2));
  TIniData out;
  ud.LTPoint = spPoint(3, 3);
  ud.SaveToFile(out);
  EXPECT_EQ(out.ReadString("ud", "lefttoppoint", ""), "0,0");

  TspDataSkinMenuItem mi("mi");
  mi.LoadFromFile(f);
  EXPECT_EQ(mi.ActiveCheckImageRect, spRect(1, 2, 3, 4));
  EXPECT_EQ(mi.ActiveArrowImageRect, spRect(5, 6, 7, 8));   // zero width falls back too
  EXPECT_EQ(mi.ActiveRadioImageRect, spRect(1, 1, 5, 5));

  // Caption buttons: the command word and the hint that goes with it.
  struct StdButtonCase { const char* section; TStdCommand command; const char* restoreHint; } buttons[] = {
      {"sb", cmMaximize, "Restore"},
      {"sb2", cmMaximize, ""},            // the hint text is compared exactly
      {"sb3", cmRollUp, "Unroll"},        // a stored restore hint wins
      {"sb4", cmMinimizeToTray, ""},      // an unknown word
      {"none", cmDefault, ""},            // no section at all
  };
  for (const StdButtonCase& c : buttons) {
    TspDataSkinStdButton sb(c.section);
    sb.LoadFromFile(f);
    EXPECT_EQ(sb.Command, c.command) << c.section;
    EXPECT_EQ(sb.RestoreHint, c.restoreHint) << c.section;
  }

  TspDataSkinAnimate an("an");
  an.LoadFromFile(f);
  EXPECT_FALSE(an.Morphing);
  EXPECT_EQ(an.RestoreHint, "Restore");

  TspDataSkinFrameGauge fc("fc");
  fc.LoadFromFile(f);
  EXPECT_EQ(fc.FramesCount, 1);
  EXPECT_EQ(fc.FramesPlacement, fpVertical);

  TspDataUserObject uo("uo");
  uo.LoadFromFile(f);
  EXPECT_EQ(uo.Hint, "");
  EXPECT_FALSE(uo.Morphing);
  EXPECT_TRUE(uo.RollUp);
  EXPECT_EQ(uo.SkinRect, spRect(1, 2, 3, 4));
  TIniData uout;
  uo.SaveToFile(uout);
  EXPECT_FALSE(uout.ValueExists("uo", "hint"));
  EXPECT_TRUE(uout.ValueExists("uo", "cursorindex"));

  TspDataSkinButton bt("bt");
  bt.LoadFromFile(f);
  EXPECT_EQ(bt.DisableSkinRect, TspRect{});
  TspDataSkinLabel lb("lb");
  lb.LoadFromFile(f);
  EXPECT_EQ(lb.FontName, "Big");
}

TEST(SkinElements, BitLabelAppendsSymbols) {
  TIniData f("[bl]\nsymbolslinecount=2\nsymbolsline0=ABC\nsymbolsline1=DEF\n");
  TspDataSkinBitLabelControl bl("bl");
  bl.Symbols.push_back("old");
  bl.LoadFromFile(f);
  EXPECT_EQ(bl.Symbols, (std::vector<std::string>{"old", "ABC", "DEF"}));
}

TEST(SkinElements, KindWordsSelectClasses) {
  struct Case { bool control; const char* word; const char* className; } cases[] = {
      {true, "panel", "TspDataSkinPanelControl"},
      {true, "Panel", nullptr},   // kind words are exact
      {true, "", nullptr},
      {true, "button", "TspDataSkinButtonControl"},
      {false, "button", "TspDataSkinButton"},
      {false, "panel", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.control ? "control " : "object ") + c.word);
    std::unique_ptr<TspSkinElement> e;
    std::string id;
    if (c.control) {
      auto control = spCreateControl(c.word, "N");
      if (control) id = control->IDName;
      e = std::move(control);
    } else {
      auto object = spCreateObject(c.word, "N");
      if (object) id = object->IDName;
      e = std::move(object);
    }
    if (!c.className) {
      EXPECT_EQ(e, nullptr);
      continue;
    }
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->ClassName(), c.className);
    EXPECT_EQ(id, "N");
  }
  EXPECT_EQ(spControlKindWords().size(), 33u);
  EXPECT_EQ(spObjectKindWords().size(), 16u);
  for (const std::string& w : spControlKindWords()) EXPECT_EQ(spCreateControl(w, "x")->KindWord(), w);
  for (const std::string& w : spObjectKindWords()) EXPECT_EQ(spCreateObject(w, "x")->KindWord(), w);
}

}  // namespace
