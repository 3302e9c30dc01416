#include <gtest/gtest.h>

#include "skin/data/spSkinModel.h"

namespace {

TspPictureReader FolderReader(const std::string& folder) {
  return [folder](const std::string& name) { return spLoadPictureFile(folder + "/" + name, name); };
}

TspPictureReader FakeReader() {
  return [](const std::string&) {
    TspPicture p;
    p.SetSize(1, 1, 0xFF112233);
    return p;
  };
}

TspSkinModel LoadText(const std::string& text) {
  TspSkinModel m;
  m.ReadSkin(TIniData(text), FakeReader());
  return m;
}

const char* kSections = "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\n";

TEST(SkinModel, FlatTestSkinLoadsWithItsPictures) {
  TIniData ini;
  ASSERT_TRUE(spLoadIniFile(TESS_TEST_SKIN_DIR "/skin.ini", ini));
  TspSkinModel m;
  m.ReadSkin(ini, FolderReader(TESS_TEST_SKIN_DIR));
  ASSERT_EQ(m.FActivePictures.size(), 4u);
  EXPECT_EQ(m.FActivePicturesNames[3], "grey.jpg");
  EXPECT_EQ(m.FActivePictures[0].Pixel(3, 2), 0xFFFF0000u);
  EXPECT_EQ(m.FActivePictures[2].Pixel(0, 0), 0xFF0000FFu);
  uint32_t grey = m.FActivePictures[3].Pixel(4, 4);
  EXPECT_NEAR(int(grey & 0xFF), 128, 3);
  EXPECT_EQ(m.FPicture.Width, 16);
  EXPECT_EQ(m.GetControlIndex("panel"), 1);
  EXPECT_EQ(m.GetIndex("caption"), 1);
  EXPECT_EQ(m.GetAreaIndex("area"), 0);
  EXPECT_EQ(m.SkinColors.cBtnFace, 255);
  EXPECT_EQ(m.SkinColors.cBtnText, 0);   // no key: black, not the system colour
  EXPECT_FALSE(m.Empty);
}

TEST(SkinModel, GeneratedSkinHasEveryLookedUpElement) {
  TIniData ini;
  ASSERT_TRUE(spLoadIniFile(TESS_FULL_SKIN_DIR "/skin.ini", ini));
  TspSkinModel m;
  m.ReadSkin(ini, FolderReader(TESS_FULL_SKIN_DIR));
  for (const char* c : {"button", "toolbutton", "bigtoolbutton", "resizebutton", "resizetoolbutton",
                        "menuitembutton", "officequickbutton", "toolmenubutton", "menubutton", "checkbox",
                        "radiobox", "panel", "groupbox", "toolpanel", "statusbar", "expanel", "stdlabel", "label",
                        "menuheader", "bevel", "vsplitter", "hsplitter", "gauge", "vgauge", "htrackbar", "trackbar",
                        "hscrollbar", "vscrollbar", "bothhscrollbar", "edit", "buttonedit", "editbutton", "memo",
                        "spinedit", "hupdown", "vupdown", "combobox", "combobutton", "listbox", "tab", "grid",
                        "treeview", "listview", "mainmenubar"})
    EXPECT_NE(m.GetControlIndex(c), -1) << c;
  for (const char* o : {"caption", "closebutton", "maxbutton", "minbutton", "sysmenubutton", "menuitem",
                        "MAINMENUITEM", "mainmenubaritem"})
    EXPECT_NE(m.GetIndex(o), -1) << o;
  // Every picture index an element uses names a loaded picture.
  int32_t count = int32_t(m.FActivePictures.size());
  ASSERT_EQ(m.FActivePicturesNames.size(), m.FActivePictures.size());
  for (const TspPicture& p : m.FActivePictures) EXPECT_FALSE(p.Empty());
  for (auto& c : m.CtrlList) EXPECT_LT(c->PictureIndex, count) << c->IDName;
  for (auto& o : m.ObjectList) EXPECT_LT(o->ActivePictureIndex, count) << o->IDName;
  EXPECT_LT(m.PopupWindow->WindowPictureIndex, count);
  EXPECT_LT(m.HintWindow->WindowPictureIndex, count);
  EXPECT_LT(m.BGPictureIndex, count);
  EXPECT_FALSE(m.FPicture.Empty());
  auto* maxb = dynamic_cast<TspDataSkinStdButton*>(m.ObjectList[m.GetIndex("maxbutton")].get());
  ASSERT_NE(maxb, nullptr);
  EXPECT_EQ(maxb->Command, cmMaximize);
  EXPECT_EQ(maxb->RestoreHint, "Restore");
  // The caption buttons sit in the right-top corner part of the window picture.
  EXPECT_GE(maxb->SkinRect.Left, m.RTPoint.X);
  EXPECT_LT(maxb->SkinRect.Top, m.RTPoint.Y);
  EXPECT_GT(m.ButtonsRect.Left, m.FPicture.Width / 2);
}

TEST(SkinModel, WindowPartsOutliveASkinChange) {
  // Windows keep pointers to the three window-part descriptions while a new
  // skin replaces the old one: the objects stay, their values change.
  TspSkinModel m = LoadText(std::string(kSections) +
                            "[LAYERFRAME]\npictureindex=2\n"
                            "[POPUPWINDOW]\nwindowpictureindex=3\n[HINTWINDOW]\nfontname=Old\n");
  const TspDataSkinLayerFrame* layer = m.LayerFrame.get();
  const TspDataSkinPopupWindow* popup = m.PopupWindow.get();
  const TspDataSkinHintWindow* hint = m.HintWindow.get();
  ASSERT_EQ(layer->PictureIndex, 2);
  for (int round = 0; round < 2; ++round) {
    m = LoadText(std::string(kSections) + "[LAYERFRAME]\npictureindex=5\n[HINTWINDOW]\nfontname=New\n");
    EXPECT_EQ(m.LayerFrame.get(), layer);
    EXPECT_EQ(m.PopupWindow.get(), popup);
    EXPECT_EQ(m.HintWindow.get(), hint);
    // Read through the kept pointers: freed memory would trip the sanitizer.
    EXPECT_EQ(layer->PictureIndex, 5);
    EXPECT_EQ(popup->WindowPictureIndex, -1);
    EXPECT_EQ(hint->FontName, "New");
  }
  m.ClearAll();
  EXPECT_EQ(m.LayerFrame.get(), layer);
  EXPECT_EQ(layer->PictureIndex, -1);
}

TEST(SkinModel, SaveAndReloadGiveTheSameSkin) {
  TIniData ini;
  ASSERT_TRUE(spLoadIniFile(TESS_FULL_SKIN_DIR "/skin.ini", ini));
  TspSkinModel a;
  a.ReadSkin(ini, FakeReader());
  TIniData out;
  out.WriteString("stale", "kept", "1");
  a.SaveToCustomIniFile(out);
  EXPECT_TRUE(out.SectionExists("stale"));   // the writer erases only what it writes
  TspSkinModel b;
  b.ReadSkin(TIniData(out.Format()), FakeReader());
  TIniData first, again;
  a.SaveToCustomIniFile(first);
  b.SaveToCustomIniFile(again);
  EXPECT_EQ(first.Format(), again.Format());
  EXPECT_EQ(a.FActivePicturesNames, b.FActivePicturesNames);
  ASSERT_EQ(a.CtrlList.size(), b.CtrlList.size());
  for (size_t i = 0; i < a.CtrlList.size(); ++i) {
    EXPECT_EQ(a.CtrlList[i]->IDName, b.CtrlList[i]->IDName);
    EXPECT_STREQ(a.CtrlList[i]->KindWord(), b.CtrlList[i]->KindWord());
  }
  EXPECT_EQ(a.LTPoint, b.LTPoint);
  EXPECT_EQ(a.ClRect, b.ClRect);
  EXPECT_TRUE(a.SkinColors == b.SkinColors);
}

TEST(SkinModel, ListEntriesAndKindWords) {
  TspSkinModel m = LoadText(std::string(kSections) +
                            "[SKINCONTROLS]\ncount=7\n0=p:panel\n1=q:PANEL\n2=nocolon\n3=r:zzz\n4=a:b:c\n"
                            "5=button:button\n6=button:button\n"
                            "[SKINOBJECTS]\ncount=65536\n0=c:caption\n");
  ASSERT_EQ(m.CtrlList.size(), 3u);
  EXPECT_EQ(m.CtrlList[0]->IDName, "p");
  EXPECT_EQ(m.GetControlIndex("button"), 1);
  EXPECT_EQ(m.GetControlIndex("Button"), -1);
  EXPECT_EQ(m.GetControlIndex(""), -1);
  EXPECT_EQ(m.ObjectList.size(), 1u);
  std::string name, kind;
  TspSkinModel::SplitNameAndKind("a:b:c", name, kind);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(kind, "b:c");
  m.ClearAll();
  EXPECT_EQ(m.GetControlIndex("p"), -1);
  EXPECT_EQ(m.SkinColors.cBtnFace, spSysColor(15));
  EXPECT_EQ(spSysColor(15), -16777201);
  EXPECT_TRUE(m.Empty);
}

TEST(SkinModel, AreaEntries) {
  struct Case { const char* entry; const char* name; TspRect r; bool flags[5]; } cases[] = {
      {"a:1,2,3,4", "a", {1, 2, 3, 4}, {false, false, false, false, false}},
      {"a:1,2,3,4;1,0,1,0,1", "a", {1, 2, 3, 4}, {true, false, true, false, true}},
      {"a:b:1,2,3,4;1,1,1,1,1", "a:b", {1, 2, 3, 4}, {true, true, true, true, true}},
      {"a:1,2,3,4;1,0,1,0", "a", {1, 2, 3, 4}, {false, false, false, false, false}},
      {"a:1,2,3,4;1,0,1,0,1,1", "a", {1, 2, 3, 4}, {false, false, false, false, false}},
      {"noarea", "", {}, {false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    std::string name;
    TspRect r;
    bool fl[5];
    TspSkinModel::ParseAreaEntry(c.entry, name, r, fl);
    EXPECT_EQ(name, c.name) << c.entry;
    EXPECT_EQ(r, c.r) << c.entry;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(fl[i], c.flags[i]) << c.entry << " flag " << i;
  }
}

TEST(SkinModel, FormInfoAdjustments) {
  std::string base = std::string(kSections) +
                     "[FORMINFO]\nlefttoppoint=1,1\nrighttoppoint=99,1\nleftbottompoint=1,99\n"
                     "rightbottompoint=99,99\nclientrect=5,6,90,91\nhittestlefttoppoint=0,5\n"
                     "hittestrighttoppoint=7,7\n";
  TspSkinModel noMask = LoadText(base);
  EXPECT_EQ(noMask.MaskRectArea, TspRect{});
  EXPECT_EQ(noMask.HitTestLTPoint, spPoint(0, 5));
  EXPECT_EQ(noMask.LTPoint, spPoint(5, 6));     // pulled onto the client rectangle
  EXPECT_EQ(noMask.RBPoint, spPoint(90, 91));
  TspSkinModel mask = LoadText(base + "[PICTURES]\nmask=m.bmp\n");
  EXPECT_EQ(mask.MaskRectArea, spRect(5, 6, 90, 91));
  EXPECT_EQ(mask.HitTestLTPoint, spPoint(1, 1));   // the corner as read, before the pull
  EXPECT_EQ(mask.HitTestRTPoint, spPoint(7, 7));
  TspSkinModel cursors = LoadText(std::string(kSections) + "[CURSORS]\nstartcursorindex=0\n");
  EXPECT_EQ(cursors.StartCursorIndex, 1);
}

TEST(SkinModel, EmptyPictureNamesKeepIndexesAligned) {
  TspSkinModel m = LoadText(std::string(kSections) + "[PICTURES]\nactivepicturescount=3\n0=a.bmp\n2=c.bmp\n");
  ASSERT_EQ(m.FActivePictures.size(), 3u);
  EXPECT_TRUE(m.FActivePictures[1].Empty());
  EXPECT_FALSE(m.FActivePictures[2].Empty());
}

TEST(SkinModel, BadValueOrPictureRaises) {
  EXPECT_THROW(LoadText(std::string(kSections) + "[FORMINFO]\nclientrect=1,2\n"), EspConvertError);
  TspSkinModel m;
  EXPECT_THROW(m.ReadSkin(TIniData(std::string(kSections) + "[PICTURES]\npicture=missing.bmp\n"),
                          FolderReader(TESS_TEST_SKIN_DIR)),
               EspInvalidGraphic);
}

TEST(SkinModel, GlobalChangeFont) {
  TspSkinModel m = LoadText(std::string(kSections) +
                            "[SKINCONTROLS]\ncount=3\n0=g:grid\n1=l:checklistbox\n2=s:slider\n"
                            "[SKINOBJECTS]\ncount=2\n0=mi:mainmenuitem\n1=mb:mainmenubaritem\n");
  m.GlobalChangeFont("Tahoma", -2);
  auto* g = dynamic_cast<TspDataSkinGridControl*>(m.CtrlList[0].get());
  auto* l = dynamic_cast<TspDataSkinListBox*>(m.CtrlList[1].get());
  EXPECT_EQ(g->FixedFontName, "Tahoma");
  EXPECT_EQ(g->FixedFontHeight, 12);
  EXPECT_EQ(l->CaptionFontHeight, 12);
  EXPECT_EQ(m.HintWindow->FontHeight, 12);
  EXPECT_EQ(dynamic_cast<TspDataSkinMainMenuItem*>(m.ObjectList[0].get())->FontName, "Arial");
  EXPECT_EQ(dynamic_cast<TspDataSkinMainMenuItem*>(m.ObjectList[1].get())->FontName, "Tahoma");
  EXPECT_THROW(m.GlobalChangeFont("X", INT32_MAX), EspSkinError);
  EXPECT_EQ(g->FontName, "Tahoma");   // nothing changed by the refused call
}

TEST(SkinModel, ResourceStrings) {
  const auto& d = spDefaultResourceStrings();
  EXPECT_EQ(d.size(), 131u);
  const std::vector<std::string> own{"A=b=c", "A=second", "novalue"};
  struct Case { const std::vector<std::string>* lines; const char* name; const char* value; } cases[] = {
      {&d, "mi_mincaption", "Mi&nimize"},
      {&d, "MI_MINCAPTION ", ""},       // the name is compared whole
      {&d, "FLV_LOOKIN", "Look in: "},  // letter case does not matter; the value is kept as is
      {&own, "a", "b=c"},               // the first line wins; the value runs to the line end
      {&own, "novalue", ""},            // a line without "=" names nothing
  };
  for (const Case& c : cases) EXPECT_EQ(spGetResStr(*c.lines, c.name), c.value) << c.name;
}

// Picture names may come from a packed skin: only plain names may be
// joined to a folder when the skin is written out.
TEST(SkinModel, PlainFileNames) {
  struct Case { const char* name; bool plain; } cases[] = {
      {"button.bmp", true}, {"grey.jpg", true}, {"..bmp", true}, {"", true},
      {"..", false}, {".", false}, {"../x.bmp", false}, {"..\\x.bmp", false}, {"sub/x.bmp", false},
      {"C:x.bmp", false}, {"\\\\server\\x.bmp", false},
  };
  for (const Case& c : cases) EXPECT_EQ(spIsPlainFileName(c.name), c.plain) << c.name;
}

}  // namespace
