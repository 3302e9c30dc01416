// The skinned memo: the framework memo drawn from the skin element "memo"
// (or a plain look), with the system scroll bars hidden and the edit
// window's scroll state mirrored into external skinned scroll bars.
#pragma once

#include <string>

#include "framework/StdCtrls.h"
#include "skin/controls/SkinEditLook.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinScrollBar.h"

class TspSkinMemo : public TspSkinEditLook<TMemo> {
public:
  explicit TspSkinMemo(TComponent* owner);

  void ChangeSkinData() override;

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool BitMapBG() const { return FBitMapBG; }
  void SetBitMapBG(bool value);
  bool Transparent() const { return FAlphaBlend; }
  void SetTransparent(bool value);
  int AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(int value);
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
  void Change() override;
  void GetSkinData() override;
  void AdjustTextArea();
  void PaintClient(HDC dc) override;
  // The memo colour follows the state too.
  void SetStateFontColor() override;
  void LinkBar(TspSkinScrollBar* bar, bool vertical);

  bool FReadOnly = false, FBitMapBG = true, FDown = false;
  bool FAlphaBlend = false;
  int FAlphaBlendValue = 200;
  RECT FTextArea{};
  TComponentRef<TspSkinScrollBar> FVScrollBar{this};
  TComponentRef<TspSkinScrollBar> FHScrollBar{this};
  COLORREF FMemoColor = 0;

  // Copied from the element besides its edit part.
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  COLORREF BGColor = 0, ActiveBGColor = 0;
};
