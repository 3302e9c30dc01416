#include "skin/data/spSkinModel.h"

#include <algorithm>
#include <map>

#include "framework/readers/TextDecoding.h"

std::string spDecodeSkinText(const uint8_t* data, size_t size) { return DecodeText(data, size); }

bool spLoadIniFile(const std::string& nativePath, TIniData& ini) {
  std::vector<uint8_t> bytes;
  if (!spReadFileBytes(nativePath, bytes)) return false;
  ini.Parse(spDecodeSkinText(bytes.data(), bytes.size()));
  return true;
}

// ---------------------------------------------------------------- colours

void TspSkinColors::SetColorsToDefault() {
  cBtnFace = spSysColor(15);
  cBtnText = spSysColor(18);
  cWindow = spSysColor(5);
  cWindowText = spSysColor(8);
  cHighLight = spSysColor(13);
  cHighLightText = spSysColor(14);
  cBtnHighLight = spSysColor(20);
  cBtnShadow = spSysColor(16);
  c3DLight = spSysColor(22);
  c3DDkShadow = spSysColor(21);
}

#define SP_COLOR_KEYS(X)                                                                          \
  X(cBtnFace, "cbtnface") X(cBtnText, "cbtntext") X(cWindow, "cwindow") X(cWindowText, "cwindowtext") \
  X(cHighLight, "chighlight") X(cHighLightText, "chighlighttext") X(cBtnHighLight, "cbtnhighlight")  \
  X(cBtnShadow, "cbtnshadow") X(c3DLight, "c3dlight") X(c3DDkShadow, "c3ddkshadow")

void TspSkinColors::LoadFromFile(const TIniData& f) {
#define SP_READ(F, K) F = f.ReadInteger("SKINCOLORS", K, 0);
  SP_COLOR_KEYS(SP_READ)
#undef SP_READ
}

void TspSkinColors::SaveToFile(TIniData& f) const {
#define SP_WRITE(F, K) f.WriteInteger("SKINCOLORS", K, F);
  SP_COLOR_KEYS(SP_WRITE)
#undef SP_WRITE
}

bool TspSkinColors::operator==(const TspSkinColors& o) const {
#define SP_EQ(F, K) &&F == o.F
  return true SP_COLOR_KEYS(SP_EQ);
#undef SP_EQ
}

std::string spGetResStr(const std::vector<std::string>& lines, const std::string& name) {
  std::string folded = AsciiLower(name);
  for (const std::string& l : lines) {
    size_t eq = l.find('=');
    if (eq == std::string::npos) continue;
    if (AsciiLower(l.substr(0, eq)) == folded) return l.substr(eq + 1);
  }
  return "";
}

// ---------------------------------------------------------------- model

TspSkinModel::TspSkinModel() = default;

template <class L>
static int32_t IndexOf(const L& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i]->IDName == name) return int32_t(i);
  return -1;
}

int32_t TspSkinModel::GetControlIndex(const std::string& AIDName) const { return IndexOf(CtrlList, AIDName); }
int32_t TspSkinModel::GetIndex(const std::string& AIDName) const { return IndexOf(ObjectList, AIDName); }
int32_t TspSkinModel::GetAreaIndex(const std::string& AIDName) const { return IndexOf(AreaList, AIDName); }

void TspSkinModel::ClearObjects() {
  AreaList.clear();
  ObjectList.clear();
  CtrlList.clear();
  FActivePictures.clear();
  PopupWindow->WindowPictureIndex = -1;
  HintWindow->WindowPictureIndex = -1;
  LayerFrame->PictureIndex = -1;
  FCursorsNames.clear();
  FActivePicturesNames.clear();
  SkinColors.SetColorsToDefault();
}

void TspSkinModel::ClearAll() {
  ClearObjects();
  for (TspPicture* p : {&FPicture, &FInActivePicture, &FMask, &FRollUpPicture, &FRollUpMask}) *p = TspPicture();
  FPictureName.clear();
  FInActivePictureName.clear();
  FMaskName.clear();
  FRollUpPictureName.clear();
  FRollUpMaskName.clear();
  Empty = true;
}

void TspSkinModel::AddSkinArea(const std::string& AName, const TspRect& ARect, bool AUseAnchors,
                               bool AAnchorLeft, bool AAnchorTop, bool AAnchorRight, bool AAnchorBottom) {
  AreaList.push_back(std::make_unique<TspDataSkinArea>(AName, ARect, AUseAnchors, AAnchorLeft, AAnchorTop,
                                                       AAnchorRight, AAnchorBottom));
}

static int32_t CheckedAdd(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) throw EspSkinError("Integer overflow");
  return r;
}

void TspSkinModel::GlobalChangeFont(const std::string& ANewFontName, int32_t AFontHeightCorrection) {
  // Every sum is checked before any font changes, so an overflow leaves the
  // skin as it was instead of half changed.
  std::vector<TspFontFields> all;
  all.push_back(spFontFieldsOf(HintWindow.get()));
  for (auto& o : ObjectList) all.push_back(spFontFieldsOf(o.get()));
  for (auto& c : CtrlList) all.push_back(spFontFieldsOf(c.get()));
  for (const TspFontFields& f : all) {
    if (f.Height) CheckedAdd(*f.Height, AFontHeightCorrection);
    if (f.Height2) CheckedAdd(*f.Height2, AFontHeightCorrection);
  }
  for (const TspFontFields& f : all) {
    if (f.Name) *f.Name = ANewFontName;
    if (f.Name2) *f.Name2 = ANewFontName;
    if (f.Height) *f.Height += AFontHeightCorrection;
    if (f.Height2) *f.Height2 += AFontHeightCorrection;
  }
}

void TspSkinModel::SplitNameAndKind(const std::string& entry, std::string& name, std::string& kind) {
  size_t colon = entry.find(':');
  if (colon == std::string::npos) {
    name.clear();
    kind.clear();
    return;
  }
  name = entry.substr(0, colon);
  kind = entry.substr(colon + 1);
}

void TspSkinModel::ParseAreaEntry(const std::string& entry, std::string& name, TspRect& rect, bool flags[5]) {
  size_t colon = entry.rfind(':');
  size_t semi = entry.rfind(';');
  size_t rectEnd = semi == std::string::npos ? entry.size() : semi;
  name.clear();
  rect = TspRect{};
  if (colon != std::string::npos) {
    name = entry.substr(0, colon);
    rect = ParseRectText(colon + 1 <= rectEnd ? entry.substr(colon + 1, rectEnd - colon - 1) : std::string());
  }
  for (int i = 0; i < 5; ++i) flags[i] = false;
  if (semi != std::string::npos && entry.size() - semi - 1 == 9)
    for (int i = 0; i < 5; ++i) flags[i] = entry[semi + 1 + 2 * i] == '1';
}

bool spIsPlainFileName(const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
      name.find(':') != std::string::npos)
    return false;
  return name != "." && name != "..";
}

void TspSkinModel::ReadFormInfo(const TIniData& f) {
  const char* s = "FORMINFO";
  LTPoint = ReadPointValue(f, s, "lefttoppoint");
  RTPoint = ReadPointValue(f, s, "righttoppoint");
  LBPoint = ReadPointValue(f, s, "leftbottompoint");
  RBPoint = ReadPointValue(f, s, "rightbottompoint");
  ClRect = ReadRectValue(f, s, "clientrect");
  BGPictureIndex = f.ReadInteger(s, "bgpictureindex", -1);
  MDIBGPictureIndex = f.ReadInteger(s, "mdibgpictureindex", -1);
  LeftStretch = ReadBoolValue(f, s, "leftstretch");
  RightStretch = ReadBoolValue(f, s, "rightstretch");
  TopStretch = ReadBoolValue(f, s, "topstretch");
  BottomStretch = ReadBoolValue(f, s, "bottomstretch");
  StretchEffect = ReadBoolValue(f, s, "stretcheffect");
  StretchType = ReadStretchTypeValue(f, s, "stretchtype");
  MDIBGStretchEffect = ReadBoolValue(f, s, "mdibgstretcheffect");
  MDIBGStretchType = ReadStretchTypeValue(f, s, "mdibgstretchtype");
  ButtonsRect = ReadRectValue(f, s, "buttonsrect");
  CaptionRect = ReadRectValue(f, s, "captionrect");
  ButtonsOffset = f.ReadInteger(s, "buttonsoffset", 0);
  CapButtonsInLeft = ReadBoolValue(f, s, "buttonsinleft");
  MaskRectArea = ReadRectValue(f, s, "maskrectarea");
  HitTestLTPoint = ReadPointValue(f, s, "hittestlefttoppoint");
  HitTestRTPoint = ReadPointValue(f, s, "hittestrighttoppoint");
  HitTestLBPoint = ReadPointValue(f, s, "hittestleftbottompoint");
  HitTestRBPoint = ReadPointValue(f, s, "hittestrightbottompoint");
  RollUpLeftPoint = ReadPointValue(f, s, "rollupleftpoint");
  RollUpRightPoint = ReadPointValue(f, s, "rolluprightpoint");
  if (!FMaskName.empty()) {
    if (spRectEmpty(MaskRectArea)) {
      MaskRectArea = ClRect;
    } else {
      MaskRectArea.Left = std::min(MaskRectArea.Left, ClRect.Left);
      MaskRectArea.Top = std::min(MaskRectArea.Top, ClRect.Top);
      MaskRectArea.Right = std::max(MaskRectArea.Right, ClRect.Right);
      MaskRectArea.Bottom = std::max(MaskRectArea.Bottom, ClRect.Bottom);
    }
    auto pull = [](TspPoint& hit, const TspPoint& corner) {
      if (hit.X == 0 || hit.Y == 0) hit = corner;
    };
    pull(HitTestLTPoint, LTPoint);
    pull(HitTestRTPoint, RTPoint);
    pull(HitTestLBPoint, LBPoint);
    pull(HitTestRBPoint, RBPoint);
  }
  MainMenuRect = ReadRectValue(f, s, "mainmenurect");
  IconRect = ReadRectValue(f, s, "iconrect");
  MainMenuPopupUp = ReadBoolValue(f, s, "mainmenupopupup");
  BorderW = f.ReadInteger(s, "borderwidth", 0);
  FormMinWidth = f.ReadInteger(s, "formminwidth", 0);
  FormMinHeight = f.ReadInteger(s, "formminheight", 0);
  MDITabsTransparent = ReadBoolValue(f, s, "mditabstransparent");
  MainMenuBarTransparent = ReadBoolValue(f, s, "mainmenubartransparent");
  CursorIndex = f.ReadInteger(s, "cursorindex", -1);
  AutoRenderingInActiveImage = ReadBoolValue(f, s, "autorenderinginactiveimage");
  InActiveEffect = ReadInActiveEffectValue(f, s, "inactiveeffect");
  if (RBPoint.X != LTPoint.X && RBPoint.Y != LTPoint.Y) {
    LTPoint.X = std::max(LTPoint.X, ClRect.Left);
    LTPoint.Y = std::max(LTPoint.Y, ClRect.Top);
    RTPoint.X = std::min(RTPoint.X, ClRect.Right);
    RTPoint.Y = std::max(RTPoint.Y, ClRect.Top);
    LBPoint.X = std::max(LBPoint.X, ClRect.Left);
    LBPoint.Y = std::min(LBPoint.Y, ClRect.Bottom);
    RBPoint.X = std::min(RBPoint.X, ClRect.Right);
    RBPoint.Y = std::min(RBPoint.Y, ClRect.Bottom);
  }
  SizeGripArea = ReadRectValue(f, s, "sizegriparea");
  StatusBarName = f.ReadString(s, "statusbarname", "");
}

void TspSkinModel::WriteFormInfo(TIniData& f) const {
  const char* s = "FORMINFO";
  f.EraseSection(s);
  WritePointValue(f, s, "lefttoppoint", LTPoint);
  WritePointValue(f, s, "righttoppoint", RTPoint);
  WritePointValue(f, s, "leftbottompoint", LBPoint);
  WritePointValue(f, s, "rightbottompoint", RBPoint);
  WriteRectValue(f, s, "clientrect", ClRect);
  f.WriteInteger(s, "bgpictureindex", BGPictureIndex);
  f.WriteInteger(s, "mdibgpictureindex", MDIBGPictureIndex);
  WriteBoolValue(f, s, "leftstretch", LeftStretch);
  WriteBoolValue(f, s, "rightstretch", RightStretch);
  WriteBoolValue(f, s, "topstretch", TopStretch);
  WriteBoolValue(f, s, "bottomstretch", BottomStretch);
  WriteBoolValue(f, s, "stretcheffect", StretchEffect);
  WriteStretchTypeValue(f, s, "stretchtype", StretchType);
  WriteBoolValue(f, s, "mdibgstretcheffect", MDIBGStretchEffect);
  WriteStretchTypeValue(f, s, "mdibgstretchtype", MDIBGStretchType);
  WriteRectValue(f, s, "buttonsrect", ButtonsRect);
  WriteRectValue(f, s, "captionrect", CaptionRect);
  f.WriteInteger(s, "buttonsoffset", ButtonsOffset);
  WriteBoolValue(f, s, "buttonsinleft", CapButtonsInLeft);
  WriteRectValue(f, s, "maskrectarea", MaskRectArea);
  WritePointValue(f, s, "hittestlefttoppoint", HitTestLTPoint);
  WritePointValue(f, s, "hittestrighttoppoint", HitTestRTPoint);
  WritePointValue(f, s, "hittestleftbottompoint", HitTestLBPoint);
  WritePointValue(f, s, "hittestrightbottompoint", HitTestRBPoint);
  WritePointValue(f, s, "rollupleftpoint", RollUpLeftPoint);
  WritePointValue(f, s, "rolluprightpoint", RollUpRightPoint);
  WriteRectValue(f, s, "mainmenurect", MainMenuRect);
  WriteRectValue(f, s, "iconrect", IconRect);
  WriteBoolValue(f, s, "mainmenupopupup", MainMenuPopupUp);
  f.WriteInteger(s, "borderwidth", BorderW);
  f.WriteInteger(s, "formminwidth", FormMinWidth);
  f.WriteInteger(s, "formminheight", FormMinHeight);
  WriteBoolValue(f, s, "mditabstransparent", MDITabsTransparent);
  WriteBoolValue(f, s, "mainmenubartransparent", MainMenuBarTransparent);
  f.WriteInteger(s, "cursorindex", CursorIndex);
  WriteBoolValue(f, s, "autorenderinginactiveimage", AutoRenderingInActiveImage);
  WriteInActiveEffectValue(f, s, "inactiveeffect", InActiveEffect);
  WriteRectValue(f, s, "sizegriparea", SizeGripArea);
  f.WriteString(s, "statusbarname", StatusBarName);
}

void TspSkinModel::ReadSkinAreas(const TIniData& f, TspEntryBudget& budget) {
  // An area's position is its place in the list: gaps read as empty areas.
  int32_t n = spListLength(f, "SKINAREAS", "", spListCount(f, "SKINAREAS", "count"));
  budget.Take(n);
  for (int32_t i = 0; i < n; ++i) {
    std::string name;
    TspRect r;
    bool fl[5];
    ParseAreaEntry(f.ReadString("SKINAREAS", std::to_string(i), ""), name, r, fl);
    AddSkinArea(name, r, fl[0], fl[1], fl[2], fl[3], fl[4]);
  }
}

// Objects and controls: an entry that is not there is skipped, so only the
// entries present are read. A section that several entries of one kind
// name is read once; the later entries copy what it said.
template <class E, class Create, class Copy>
static void ReadElements(const TIniData& f, const char* section, TspEntryBudget& budget,
                         std::vector<std::unique_ptr<E>>& list, Create create, Copy copy) {
  std::map<std::pair<std::string, std::string>, size_t> read;  // folded section, kind -> list index
  for (int32_t i : spListPositions(f, section, "", spListCount(f, section, "count"))) {
    std::string name, kind;
    TspSkinModel::SplitNameAndKind(f.ReadString(section, std::to_string(i), ""), name, kind);
    auto key = std::make_pair(AsciiLower(name), kind);
    auto seen = read.find(key);
    std::unique_ptr<E> e = seen != read.end() ? copy(*list[seen->second], name) : create(kind, name);
    if (!e) continue;
    if (seen == read.end()) e->LoadFromFile(f);
    budget.Take(1 + int64_t(spListLinesOf(e.get())));
    if (seen == read.end()) read.emplace(std::move(key), list.size());
    list.push_back(std::move(e));
  }
}

void TspSkinModel::ReadSkinObjects(const TIniData& f, TspEntryBudget& budget) {
  ReadElements(f, "SKINOBJECTS", budget, ObjectList, spCreateObject, spCopyObject);
}

void TspSkinModel::ReadSkinControls(const TIniData& f, TspEntryBudget& budget) {
  ReadElements(f, "SKINCONTROLS", budget, CtrlList, spCreateControl, spCopyControl);
}

void TspSkinModel::ReadDescription(const TIniData& f, bool readPictureNames) {
  TspEntryBudget budget;
  ReadDescription(f, readPictureNames, budget);
}

void TspSkinModel::ReadDescription(const TIniData& f, bool readPictureNames, TspEntryBudget& budget) {
  SkinName = f.ReadString("VERSION", "skinname", "");
  SkinAuthor = f.ReadString("VERSION", "skinauthor", "");
  AuthorEmail = f.ReadString("VERSION", "authoremail", "");
  AuthorURL = f.ReadString("VERSION", "authorurl", "");
  SkinComments = f.ReadString("VERSION", "skincomments", "");
  if (readPictureNames) {
    FPictureName = f.ReadString("PICTURES", "picture", "");
    FInActivePictureName = f.ReadString("PICTURES", "inactivepicture", "");
    FMaskName = f.ReadString("PICTURES", "mask", "");
    FRollUpPictureName = f.ReadString("PICTURES", "rolluppicture", "");
    FRollUpMaskName = f.ReadString("PICTURES", "rollupmask", "");
    FActivePicturesNames.clear();
    ReadIndexedListValue(f, "PICTURES", "activepictures", FActivePicturesNames);
    budget.Take(int64_t(FActivePicturesNames.size()));
  }
  ReadFormInfo(f);
  PopupWindow->LoadFromFile(f);
  LayerFrame->LoadFromFile(f);
  HintWindow->LoadFromFile(f);
  budget.Take(int64_t(spListLinesOf(PopupWindow.get()) + spListLinesOf(LayerFrame.get()) +
                      spListLinesOf(HintWindow.get())));
  SkinColors.LoadFromFile(f);
  ReadSkinAreas(f, budget);
  ReadSkinObjects(f, budget);
  ReadSkinControls(f, budget);
}

void TspSkinModel::ReadSkin(const TIniData& f, const TspPictureReader& readPicture) {
  ClearAll();
  TspEntryBudget budget;
  FPictureName = f.ReadString("PICTURES", "picture", "");
  FInActivePictureName = f.ReadString("PICTURES", "inactivepicture", "");
  FMaskName = f.ReadString("PICTURES", "mask", "");
  FRollUpPictureName = f.ReadString("PICTURES", "rolluppicture", "");
  FRollUpMaskName = f.ReadString("PICTURES", "rollupmask", "");
  auto load = [&](const std::string& name) { return name.empty() ? TspPicture() : readPicture(name); };
  ReadIndexedListValue(f, "PICTURES", "activepictures", FActivePicturesNames);
  budget.Take(int64_t(FActivePicturesNames.size()));
  // Cursors come only with a skin folder, beside its description file.
  StartCursorIndex = std::max<int32_t>(1, f.ReadInteger("CURSORS", "startcursorindex", 1));
  FCursorsNames.clear();
  ReadIndexedListValue(f, "CURSORS", "cursors", FCursorsNames);
  budget.Take(int64_t(FCursorsNames.size()));
  FPicture = load(FPictureName);
  FInActivePicture = load(FInActivePictureName);
  FMask = load(FMaskName);
  FRollUpPicture = load(FRollUpPictureName);
  FRollUpMask = load(FRollUpMaskName);
  for (const std::string& name : FActivePicturesNames) FActivePictures.push_back(load(name));
  ReadDescription(f, false, budget);
  Empty = false;
}

void TspSkinModel::SaveToCustomIniFile(TIniData& f) const {
  f.EraseSection("VERSION");
  f.WriteInteger("VERSION", "ver", 2);
  f.WriteString("VERSION", "skinname", SkinName);
  f.WriteString("VERSION", "skinauthor", SkinAuthor);
  f.WriteString("VERSION", "authoremail", AuthorEmail);
  f.WriteString("VERSION", "authorurl", AuthorURL);
  f.WriteString("VERSION", "skincomments", SkinComments);
  f.EraseSection("PICTURES");
  f.WriteString("PICTURES", "picture", FPictureName);
  f.WriteString("PICTURES", "inactivepicture", FInActivePictureName);
  f.WriteString("PICTURES", "mask", FMaskName);
  f.WriteString("PICTURES", "rolluppicture", FRollUpPictureName);
  f.WriteString("PICTURES", "rollupmask", FRollUpMaskName);
  WriteIndexedListValue(f, "PICTURES", "activepictures", FActivePicturesNames);
  f.EraseSection("CURSORS");
  f.WriteInteger("CURSORS", "startcursorindex", StartCursorIndex);
  WriteIndexedListValue(f, "CURSORS", "cursors", FCursorsNames);
  WriteFormInfo(f);
  PopupWindow->SaveToFile(f);
  LayerFrame->SaveToFile(f);
  HintWindow->SaveToFile(f);
  f.EraseSection("SKINAREAS");
  f.WriteInteger("SKINAREAS", "count", int32_t(AreaList.size()));
  for (size_t i = 0; i < AreaList.size(); ++i) {
    const TspDataSkinArea& a = *AreaList[i];
    auto b = [](bool v) { return v ? "1" : "0"; };
    f.WriteString("SKINAREAS", std::to_string(i),
                  a.IDName + ":" + RectToText(a.AreaRect) + ";" + b(a.UseAnchors) + "," + b(a.AnchorLeft) + "," +
                      b(a.AnchorTop) + "," + b(a.AnchorRight) + "," + b(a.AnchorBottom));
  }
  f.EraseSection("SKINCOLORS");
  SkinColors.SaveToFile(f);
  f.EraseSection("SKINOBJECTS");
  f.WriteInteger("SKINOBJECTS", "count", int32_t(ObjectList.size()));
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    f.WriteString("SKINOBJECTS", std::to_string(i), ObjectList[i]->IDName + ":" + ObjectList[i]->KindWord());
    ObjectList[i]->SaveToFile(f);
  }
  f.EraseSection("SKINCONTROLS");
  f.WriteInteger("SKINCONTROLS", "count", int32_t(CtrlList.size()));
  for (size_t i = 0; i < CtrlList.size(); ++i) {
    f.WriteString("SKINCONTROLS", std::to_string(i), CtrlList[i]->IDName + ":" + CtrlList[i]->KindWord());
    CtrlList[i]->SaveToFile(f);
  }
}
