// The skin model: everything a loaded skin holds, pictures as pixel buffers,
// with the skin.ini reader and writer. Platform-neutral; the skin data
// component (SkinData.h) adds the messages, cursors and window handles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/data/spPicture.h"
#include "skin/data/spSkinElements.h"

// System colour values as the platform spells them: 0xFF000000 + index.
constexpr int32_t spSysColor(int index) { return int32_t(0xFF000000u | uint32_t(index)); }

class TspSkinColors {
public:
  int32_t cBtnFace = 0, cBtnText = 0, cWindow = 0, cWindowText = 0, cHighLight = 0, cHighLightText = 0,
          cBtnHighLight = 0, cBtnShadow = 0, c3DLight = 0, c3DDkShadow = 0;
  void SetColorsToDefault();
  void LoadFromFile(const TIniData& f);
  void SaveToFile(TIniData& f) const;
  bool operator==(const TspSkinColors& o) const;
};

// The 131 default NAME=value lines of the skin library's texts.
const std::vector<std::string>& spDefaultResourceStrings();
// Value of the first line whose name (text before the first "=") equals
// name without regard to ASCII case; empty when there is none.
std::string spGetResStr(const std::vector<std::string>& lines, const std::string& name);

// Reads a picture of the skin by its file name (relative to the skin folder).
using TspPictureReader = std::function<TspPicture(const std::string& name)>;

// One of the model's window-part descriptions. It lives as long as its
// model: windows keep pointers to it across skin changes, so assigning a
// model copies the values into the existing object instead of replacing it.
template <class T>
class TspLastingPart {
public:
  TspLastingPart() : FPart(new T()) {}
  TspLastingPart(TspLastingPart&& o) noexcept : FPart(std::move(o.FPart)) {}
  TspLastingPart& operator=(TspLastingPart&& o) {
    if (this != &o) {
      if (!FPart) FPart.reset(new T());
      *FPart = o.FPart ? *o.FPart : T();
    }
    return *this;
  }
  T* get() const { return FPart.get(); }
  T* operator->() const { return FPart.get(); }
  T& operator*() const { return *FPart; }
  explicit operator bool() const { return FPart != nullptr; }

private:
  std::unique_ptr<T> FPart;
};

class TspSkinModel {
public:
  TspSkinModel();
  virtual ~TspSkinModel() = default;
  TspSkinModel(TspSkinModel&&) = default;
  TspSkinModel& operator=(TspSkinModel&&) = default;

  // ---- [FORMINFO] and the other fields the skinned windows read
  TspRect SizeGripArea;
  std::string StatusBarName;
  TspRect ButtonsRect, CaptionRect;
  int32_t ButtonsOffset = 0;
  bool CapButtonsInLeft = false;
  bool AutoRenderingInActiveImage = false;
  TspInActiveEffect InActiveEffect = ieBrightness;
  int32_t StartCursorIndex = 1;
  int32_t CursorIndex = -1;
  TspLastingPart<TspDataSkinPopupWindow> PopupWindow;
  TspLastingPart<TspDataSkinLayerFrame> LayerFrame;
  TspLastingPart<TspDataSkinHintWindow> HintWindow;
  bool Empty = true;
  TspPicture FPicture, FInActivePicture, FMask, FRollUpPicture, FRollUpMask;
  std::vector<TspPicture> FActivePictures;
  std::string FPictureName, FInActivePictureName, FMaskName, FRollUpPictureName, FRollUpMaskName;
  std::vector<std::string> FActivePicturesNames;
  std::vector<std::string> FCursorsNames;
  std::vector<std::unique_ptr<TspDataSkinObject>> ObjectList;
  std::vector<std::unique_ptr<TspDataSkinArea>> AreaList;
  std::vector<std::unique_ptr<TspDataSkinControl>> CtrlList;
  TspPoint LTPoint, RTPoint, LBPoint, RBPoint;
  int32_t BGPictureIndex = -1, MDIBGPictureIndex = -1;
  TspRect MainMenuRect, IconRect;
  bool MainMenuPopupUp = false;
  TspRect MaskRectArea;
  TspPoint HitTestLTPoint, HitTestRTPoint, HitTestLBPoint, HitTestRBPoint;
  TspRect ClRect;
  int32_t BorderW = 0, FormMinWidth = 0, FormMinHeight = 0;
  bool MDITabsTransparent = false, MainMenuBarTransparent = false;
  bool TopStretch = false, LeftStretch = false, RightStretch = false, BottomStretch = false, StretchEffect = false;
  TspStretchType StretchType = spstFull;
  bool MDIBGStretchEffect = false;
  TspStretchType MDIBGStretchType = spstFull;
  TspPoint RollUpLeftPoint, RollUpRightPoint;
  std::string SkinName, SkinAuthor, AuthorURL, AuthorEmail, SkinComments;
  TspSkinColors SkinColors;

  // Lookups by exact, case-sensitive name; -1 when no element has it.
  int32_t GetControlIndex(const std::string& AIDName) const;
  int32_t GetIndex(const std::string& AIDName) const;
  int32_t GetAreaIndex(const std::string& AIDName) const;

  void ClearObjects();
  // ClearObjects plus the window pictures and their names; Empty becomes true.
  void ClearAll();
  void AddSkinArea(const std::string& AName, const TspRect& ARect, bool AUseAnchors, bool AAnchorLeft,
                   bool AAnchorTop, bool AAnchorRight, bool AAnchorBottom);
  void GlobalChangeFont(const std::string& ANewFontName, int32_t AFontHeightCorrection);

  // Reads a whole skin description into this (fresh) model; pictures come
  // from readPicture (an empty name gives an empty picture, so picture
  // indexes stay aligned with the names). Raises on bad values or pictures.
  void ReadSkin(const TIniData& f, const TspPictureReader& readPicture);
  // Everything of ReadSkin that lives in the ini text alone but the cursors
  // (used by the compressed skins, whose pictures travel beside the text and
  // which carry no cursor files).
  void ReadDescription(const TIniData& f, bool readPictureNames);
  void SaveToCustomIniFile(TIniData& f) const;

  // Exposed for tests and the fuzzers.
  static void SplitNameAndKind(const std::string& entry, std::string& name, std::string& kind);
  static void ParseAreaEntry(const std::string& entry, std::string& name, TspRect& rect, bool flags[5]);

private:
  void ReadFormInfo(const TIniData& f);
  void WriteFormInfo(TIniData& f) const;
  void ReadDescription(const TIniData& f, bool readPictureNames, TspEntryBudget& budget);
  void ReadSkinAreas(const TIniData& f, TspEntryBudget& budget);
  void ReadSkinObjects(const TIniData& f, TspEntryBudget& budget);
  void ReadSkinControls(const TIniData& f, TspEntryBudget& budget);
};

// Reads a skin description file into ini. A byte-order mark picks the
// encoding, else UTF-8 or the 8-bit code page (Windows-1252 here; the skin
// data component reads files through the framework's ini file, which knows
// the process code page). False when the file cannot be read; text with a
// NUL byte raises EReadError.
bool spLoadIniFile(const std::string& nativePath, TIniData& ini);
// The text of a skin description from its bytes, decoded as above.
std::string spDecodeSkinText(const uint8_t* data, size_t size);

// A picture name that may be joined to a folder: no separators, drive
// colons or parent references (names from packed skins are untrusted).
bool spIsPlainFileName(const std::string& name);
