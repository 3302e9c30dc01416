// The skinned memo: the framework memo drawn from the skin element "memo"
// (or a plain look), with the system scroll bars hidden and the edit
// window's scroll state mirrored into external skinned scroll bars.
#pragma once

#include <string>

#include "framework/StdCtrls.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinScrollBar.h"

class TspSkinMemo : public TMemo {
public:
  explicit TspSkinMemo(TComponent* owner);

  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value);
  const std::string& SkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const std::string& value) { FSkinDataName = value; }
  int SkinIndex() const { return FIndex; }
  void ChangeSkinData();

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool BitMapBG() const { return FBitMapBG; }
  void SetBitMapBG(bool value);
  bool Transparent() const { return FAlphaBlend; }
  void SetTransparent(bool value);
  int AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(int value);
  const TspFontDesc& DefaultFont() const { return FDefaultFont; }
  void SetDefaultFont(const TspFontDesc& value);
  bool UseSkinFont = true;
  bool UseSkinFontColor = true;

  TspSkinScrollBar* VScrollBar() const { return FVScrollBar; }
  void SetVScrollBar(TspSkinScrollBar* value);
  TspSkinScrollBar* HScrollBar() const { return FHScrollBar; }
  void SetHScrollBar(TspSkinScrollBar* value);
  // The linked bars take the edit window's scroll state.
  void UpDateScrollRange();

  RECT TextArea() const { return FTextArea; }
  TspEditMenuItems CreateSysPopupMenuItems();
  // The whole look into a DC of the control's size (message 45513 too).
  void DrawBackground(HDC dc);

  void Invalidate() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Change() override;
  void GetSkinData();
  void AdjustTextArea();
  void PaintClient(HDC dc);
  void SetFontColorByState();
  void LinkBar(TspSkinScrollBar* bar, bool vertical);

  TspSkinDataRef FSD{this};
  std::string FSkinDataName = "memo";
  int FIndex = -1;
  bool FReadOnly = false, FBitMapBG = true, FMouseIn = false, FDown = false;
  bool FAlphaBlend = false;
  int FAlphaBlendValue = 200;
  RECT FTextArea{};
  TspFontDesc FDefaultFont;
  TComponentRef<TspSkinScrollBar> FVScrollBar{this};
  TComponentRef<TspSkinScrollBar> FHScrollBar{this};
  COLORREF FTextColor = 0;
  COLORREF FMemoColor = 0;

  const TspPicture* Picture = nullptr;
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  RECT ClRect{}, SkinRect{}, ActiveSkinRect{};
  TspFontDesc SkinFont;
  COLORREF FontColor = 0, ActiveFontColor = 0, BGColor = 0, ActiveBGColor = 0;
  bool StretchEffect = false;

  int SkinWidth() const { return SkinRect.right - SkinRect.left; }
  int SkinHeight() const { return SkinRect.bottom - SkinRect.top; }
};
