// One top-level item of the form's main menu drawn in the skinned frame
// (the skin's "MAINMENUITEM" description): it sizes itself to its caption,
// hides while it does not fit, and drops its sub-menu down.
#pragma once

#include <string>

#include "skin/frame/SkinFrameObjects.h"

class TspSkinMainMenuItem : public TspActiveSkinObject {
public:
  TspSkinMainMenuItem(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);

  TRect TempObjectRect;
  bool FDown = false;
  bool OldEnabled = true;
  bool ItemVisible = true;
  // Not owned; empties itself when the menu item goes.
  TComponentRef<TMenuItem> MenuItem;
  std::string FontName;
  int FontHeight = 14;
  TFontStyles FontStyle = 0;
  TColor UnEnabledFontColor = 0, FontColor = 0, ActiveFontColor = 0, DownFontColor = 0;
  TRect TextRct, DownRect;
  int LO = 0, RO = 0;

  void SetDown(bool Value);
  void PopupSubMenu();
  // Makes the item the owner hovers leave; true when one did.
  bool LeaveActiveItem();
  // Releases another pressed item; true when one was pressed.
  bool ReleaseDownItem();
  // Places the item after the previous one in the menu area; false when it
  // does not fit (it is then hidden and disabled).
  bool CalcGeometry(bool UpDate);

  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

private:
  void MakeImage(TBitmap* B, const TRect& S, bool AActive);
  int CaptionWidth();
};
