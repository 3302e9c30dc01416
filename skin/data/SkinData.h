// The skin data component: one loaded skin that every skinned window and
// control of the program reads, and the messages that tell them it changed.
//
// The model and its readers are platform-neutral (spSkinModel.h); this layer
// adds what needs Win32: window messages to the forms, the cursor table, and
// the component's place among the program's components.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/IniFiles.h"
#include "skin/data/spSkinModel.h"
#include "skin/data/spzlibcompress.h"

// Sent to every form (wParam = the skin data, lParam = 1000).
constexpr UINT WM_BEFORECHANGESKINDATA = 1225;
constexpr UINT WM_CHANGESKINDATA = 1226;
constexpr UINT WM_AFTERCHANGESKINDATA = 1227;
constexpr UINT WM_CHANGERESSTRDATA = 1274;
constexpr UINT WM_SKINNABLEFORMCHANGED = 1294;
constexpr UINT WM_LAYEREDBORDERSCHANGED = 1427;
constexpr UINT WM_AEROBLURCHANGED = 1428;

// The replaceable texts of the skin library (NAME=value lines).
class TspResourceStrData : public TComponent {
public:
  explicit TspResourceStrData(TComponent* AOwner);
  std::vector<std::string> ResStrings;
  uint8_t CharSet = 1;
  std::string GetResStr(const std::string& ResName) const { return spGetResStr(ResStrings, ResName); }
};

class TspSkinData : public TComponent, public TspSkinModel {
public:
  explicit TspSkinData(TComponent* AOwner);
  ~TspSkinData() override;

  TNotifyEvent OnLoadData;
  bool BuildMode = false;
  bool ChangeSkinDataProcess = false;
  bool EnableSkinEffects = true;
  bool ShowButtonGlowFrames = true;
  bool ShowCaptionButtonGlowFrames = true;
  bool AnimationForAllWindows = false;
  bool DlgTreeViewDrawSkin = true;
  std::string DlgTreeViewItemSkinDataName = "listbox";
  bool DlgListViewDrawSkin = true;
  std::string DlgListViewItemSkinDataName = "listbox";

  bool SkinnableForm() const { return FSkinnableForm; }
  void SetSkinnableForm(bool v);
  bool ShowLayeredBorders() const { return FShowLayeredBorders; }
  void SetShowLayeredBorders(bool v);
  bool AeroBlurEnabled() const { return FAeroBlurEnabled; }
  void SetAeroBlurEnabled(bool v);
  TspResourceStrData* ResourceStrData() const { return FResourceStrData; }
  void SetResourceStrData(TspResourceStrData* v);
  TspCompressedStoredSkin* CompressedStoredSkin() const { return FCompressedStoredSkin; }
  void SetCompressedStoredSkin(TspCompressedStoredSkin* v);
  // Which skin of a skin list is loaded: setting either loads skin number
  // SkinIndex of SkinList when there is one; an index outside the list is
  // refused (SkinIndex stays).
  TspCompressedSkinList* SkinList() const { return FCompressedSkinList; }
  void SetSkinList(TspCompressedSkinList* v);
  int32_t SkinIndex() const { return FCompressedSkinIndex; }
  void SetSkinIndex(int32_t v);

  // Loads the skin folder whose description is FileName (a Windows path).
  // The new skin is read completely before anything changes: a file that
  // is no skin description changes nothing and sends nothing; a skin that
  // fails to read raises and leaves the previous skin, and every window,
  // as they were.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  using TspSkinModel::SaveToCustomIniFile;
  // Into any ini file object; a write-through file is written at once.
  void SaveToCustomIniFile(TCustomIniFile* F) const;
  void StoreToDisk(const std::string& AFileName);
  // Same transaction for a compressed skin; a version above 3 changes nothing.
  void LoadCompressedStoredSkin(const TspCompressedStoredSkin* AStoredSkin);
  void LoadFromCompressedFile(const std::string& FileName);
  void SaveToCompressedFile(const std::string& FileName);

  // The skin's pictures as framework bitmaps (DIB sections) for drawing; the
  // model's pixel buffers stay beside them. Empty pictures give empty bitmaps;
  // ActivePicture gives nullptr outside the list.
  // Each is made on first use and lives until the skin changes.
  TBitmap* Picture() const { return WindowBitmap(0); }
  TBitmap* InActivePicture() const { return WindowBitmap(1); }
  TBitmap* Mask() const { return WindowBitmap(2); }
  TBitmap* RollUpPicture() const { return WindowBitmap(3); }
  TBitmap* RollUpMask() const { return WindowBitmap(4); }
  TBitmap* ActivePicture(int32_t index) const;

  void ClearAll();
  void ClearSkin();
  void AddBitMap(const std::string& FileName);
  void DeleteBitMap(int32_t Index);
  void SendSkinDataMessage(UINT M);

private:
  void Install(TspSkinModel&& skin);
  void InstallCursors(const std::string& folder, const TspSkinModel& skin);
  void DropBitmaps();
  TBitmap* WindowBitmap(int which) const;

  mutable std::unique_ptr<TBitmap> FBitmaps[5];
  mutable std::vector<std::unique_ptr<TBitmap>> FActiveBitmaps;

  bool FSkinnableForm = true;
  bool FShowLayeredBorders = true;
  bool FAeroBlurEnabled = true;
  TComponentRef<TspResourceStrData> FResourceStrData{this};
  TComponentRef<TspCompressedStoredSkin> FCompressedStoredSkin{this};
  TComponentRef<TspCompressedSkinList> FCompressedSkinList{this};
  int32_t FCompressedSkinIndex = 0;
};
