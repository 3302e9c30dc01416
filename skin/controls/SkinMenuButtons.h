// Buttons that drop a menu down below themselves: the push-button kind
// (windowed, takes the focus) and the speed-button kind (windowless). The
// whole button opens the menu, or in track-button mode only a 15-pixel track
// part at its right (or bottom) edge while the rest clicks as usual.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Menus.h"
#include "skin/controls/SkinButtons.h"

// Sent by a skinned menu to the control that opened it: the menu closed,
// and (after that) the chosen item's command ran. wParam and lParam are 0.
constexpr UINT SP_MENUCLOSED = 1228;
constexpr UINT SP_MENUCOMMAND = 1229;

// A menu that opens at a screen rectangle for a control and sends the
// control SP_MENUCLOSED when it closes. The skinned popup menu of the
// frame library is one; the buttons here know no more of it than this.
class TspMenuSource {
public:
  virtual ~TspMenuSource() = default;
  virtual void PopupFromRect2(TControl* ACtrl, const RECT& R, bool APopupUp) = 0;
};

// Opens `menu` for `ctrl` below the screen rectangle `r`: a menu source
// through its own way; any other popup menu as the system's popup menu,
// after which `ctrl` is told the menu closed.
void OpenControlMenu(TPopupMenu* menu, TControl* ctrl, const RECT& r);
// The control gets `msg` (wParam and lParam 0): sent to a windowed control,
// performed on a windowless one.
void NotifyMenuControl(TControl* ctrl, UINT msg);

enum TspTrackPosition { sptpRight, sptpBottom };

// Width of the track part and of the marker column.
constexpr int kMenuTrackSize = 15;

// What the two menu buttons share on top of their button kind: the menu,
// the track part, opening the menus and the skin pictures of the variants
// that draw themselves ("toolbutton", "bigtoolbutton", the resize kinds).
template <class TButton>
class TspMenuButtonCore : public TButton {
public:
  TPopupMenu* SkinPopupMenu() const { return FSkinPopupMenu; }
  void SetSkinPopupMenu(TPopupMenu* value) { FSkinPopupMenu.Set(value); }
  bool TrackButtonMode() const { return FTrackButtonMode; }
  void SetTrackButtonMode(bool value);
  // A menu opened by this button is open.
  bool MenuTracked() const { return FMenuTracked; }
  TNotifyEvent OnShowTrackMenu;
  TNotifyEvent OnHideTrackMenu;

  // The part that opens the menu, in client coordinates.
  RECT TrackRect();
  bool IsTrackPoint(int X, int Y);
  void DropDownMenu();

  void WndProc(TMessage& message) override;

protected:
  explicit TspMenuButtonCore(TComponent* owner);
  void GetSkinData() override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // The track part without a skin element that places it.
  virtual RECT DefaultTrackRect();
  virtual void MenuClosed() = 0;
  virtual void ImagesMenuClosed() { MenuClosed(); }
  // The skin's active picture with the track part down while the menu is
  // open in track-button mode; false when that is not the case.
  bool PaintTrackedPart(TspPaintBuffer& b);
  // A variant that draws itself: the faces (when `faces`), the focus
  // frame (when `focusFrame`), the content and the menu marker.
  void PaintOwnVariant(TspPaintBuffer& b, bool faces, bool focusFrame);

  RECT FTrackButtonRect{};
  bool FTrackButtonMode = false;
  bool FMenuTracked = false;
  TComponentRef<TPopupMenu> FSkinPopupMenu{this};
};

class TspSkinMenuButton : public TspMenuButtonCore<TspSkinButton> {
public:
  explicit TspSkinMenuButton(TComponent* owner);
  ~TspSkinMenuButton() override;

  void WndProc(TMessage& message) override;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;

private:
  void MenuClosed() override;
  void ImagesMenuClosed() override;
};

class TspSkinMenuSpeedButton : public TspMenuButtonCore<TspSkinSpeedButton> {
public:
  explicit TspSkinMenuSpeedButton(TComponent* owner);
  ~TspSkinMenuSpeedButton() override;

  // Draws from the skin's shared "resizetoolbutton" element; setting it
  // switches the element name to it (clearing it leaves the name).
  bool NewStyle() const { return FNewStyle; }
  void SetNewStyle(bool value);
  TspTrackPosition TrackPosition() const { return FTrackPosition; }
  void SetTrackPosition(TspTrackPosition value);
  // Carry no behaviour here; for buttons derived from this one.
  bool FDrawStandardArrow = false;
  int FArrowType = 0;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Paint() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  RECT DefaultTrackRect() override;

private:
  void MenuClosed() override;
  void DrawNewStyle(TspPaintBuffer& b);
  RECT MainRect();
  bool FNewStyle = false;
  TspTrackPosition FTrackPosition = sptpRight;
};
