// The single-line edits of the skinned interface: the mask edit base with
// its own read-only mode and edit menu (TspCustomEdit), the numeric inner
// edit of composite controls (TspSkinNumEdit) and the skinned edit with its
// frame, background and optional button (TspSkinCustomEdit, TspSkinEdit).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/ImgList.h"
#include "framework/Mask.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinEditLook.h"
#include "skin/controls/SkinMessages.h"
#include "skin/controls/SkinTimer.h"

// The skin library's private messages that the edits answer.
constexpr UINT SP_AFTERDISPATCH = 1229;     // a menu command ran: free the edit menu
constexpr UINT SP_PAINTFRAME = 48203;       // paint the frame into the DC in WParam
constexpr LPARAM SP_PAINTFRAME_TAG = 16802;

// Hit codes of the button edit's image areas.
constexpr LRESULT HT_LEFTIMAGE = 104;
constexpr LRESULT HT_RIGHTIMAGE = 105;

// One entry of an edit's context menu ("-" is a separator).
struct TspEditMenuItem {
  std::string Key;
  std::string Caption;
  bool Enabled = true;
  std::function<void()> Action;
};
using TspEditMenuItems = std::vector<TspEditMenuItem>;
// Shows an edit menu at a screen point and runs the chosen entry. The
// default shows a system popup menu; the skinned menus replace it.
using TspEditMenuPopup = std::function<void(TWinControl* control, TspEditMenuItems& items, POINT screen)>;
TspEditMenuPopup& EditMenuPopupHandler();
// The caption of an edit-menu entry: the skin's resource string when the
// skin has one, otherwise the library's English text.
std::string EditMenuCaption(TspSkinData* skin, const std::string& key);
// The six entries (and separators) of an edit menu with their states.
TspEditMenuItems BuildEditMenuItems(TspSkinData* skin, bool canUndo, bool hasSelection, bool readOnly,
                                    bool clipboardHasText, bool allSelected, std::function<void()> undo,
                                    std::function<void()> cut, std::function<void()> copy,
                                    std::function<void()> paste, std::function<void()> clear,
                                    std::function<void()> selectAll);
bool ClipboardHasText();

class TspCustomEdit : public TCustomMaskEdit {
public:
  explicit TspCustomEdit(TComponent* owner);
  ~TspCustomEdit() override;

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool EditTransparent() const { return FEditTransparent; }
  void SetEditTransparent(bool value);
  // After the framework's cancel mode, with the control that cancels.
  std::function<void(TControl* c)> OnEditCancelMode;

  // The edit menu as it would show now (built without showing it).
  TspEditMenuItems CreateSysPopupMenuItems();
  // Whether an edit menu is open or waiting to be freed.
  bool HasSysPopupMenu() const { return FSysPopupMenu; }

  void SetText(const std::string& value) override;
  void Invalidate() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  // The skin whose resource strings caption the menu.
  virtual TspSkinData* MenuSkin() const { return nullptr; }
  // The text colour while transparent.
  virtual COLORREF TextColor() const { return ColorToRGBValue(FFont.Color()); }
  // The single-line edit is a multi-line window (for EM_SETRECTNP): line
  // breaks never get into its text.
  virtual bool SingleLine() const { return true; }
  void ShowSysPopupMenu(POINT screen);
  void SetMargins();

  bool FDown = false;
  bool FReadOnly = false;
  bool FEditTransparent = false;
  bool FSysPopupMenu = false;
};

class TspSkinNumEdit : public TspCustomEdit {
public:
  explicit TspSkinNumEdit(TComponent* owner);

  TNotifyEvent OnUpClick, OnDownClick;
  bool EditorEnabled = true;
  bool Float = false;
  // Whether `ch` may be typed with the present text.
  bool IsValidChar(char16_t ch) const;

protected:
  void KeyPress(char16_t& key) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
};

class TspSkinCustomEdit : public TspSkinEditLook<TspCustomEdit> {
public:
  explicit TspSkinCustomEdit(TComponent* owner);
  ~TspSkinCustomEdit() override;

  void ChangeSkinData() override;

  TColorValue DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(TColorValue value);
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool value) { FUseSkinFont = value; }
  int DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int value);
  int DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int value);
  bool ButtonMode() const { return FButtonMode; }
  void SetButtonMode(bool value);
  int Alignment() const { return FAlignment; }  // TAlignment order: left, right, centre
  void SetAlignment(int value);
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool value);
  int AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(int value);

  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  int ButtonImageIndex() const { return FButtonImageIndex; }
  void SetButtonImageIndex(int value);
  int LeftImageIndex() const { return FLeftImageIndex; }
  void SetLeftImageIndex(int value);
  int RightImageIndex() const { return FRightImageIndex; }
  void SetRightImageIndex(int value);
  int LeftImageHotIndex = -1, LeftImageDownIndex = -1, RightImageHotIndex = -1, RightImageDownIndex = -1;

  TNotifyEvent OnButtonClick, OnLeftButtonClick, OnRightButtonClick;
  TNotifyEvent OnMouseEnter, OnMouseLeave;

  // Layout for the present size: text area and button in window coordinates.
  void CalcEditRect();
  RECT EditRect() const { return FEditRect; }
  RECT ButtonRect() const { return FButtonRect; }
  int CalcHeight();
  void AdjustHeight();
  bool ButtonDown() const { return FButtonDown; }
  bool ButtonActive() const { return FButtonActive; }
  bool MouseIn() const { return FMouseIn; }
  const TspCBButtonX& LeftButton() const { return FLeftButton; }
  const TspCBButtonX& RightButton() const { return FRightButton; }

  // The whole look (frame, background, text) into a buffer of the control's size.
  void PaintFrameTo(TspPaintBuffer& b);
  void RepaintFrame();

  void SetBounds(int left, int top, int width, int height) override;
  void Invalidate() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  TspSkinData* MenuSkin() const override { return FSD; }
  COLORREF TextColor() const override { return FTextColor; }
  void GetSkinData() override;
  void SetStateFontColor() override;
  void AdjustTextRect(bool apply);
  void DrawEditBackground(TspPaintBuffer& b, const RECT& r);
  void DrawEditImages(HDC dc, POINT origin);
  void DrawFrame(TspPaintBuffer& b);
  void DrawSkinButton(TspPaintBuffer& b);
  void DrawButtonImage(TspPaintBuffer& b);
  void PaintClient(HDC dc) override;
  void DoMouseEnter();
  void DoMouseLeave();
  bool NeedsHotTrack() const;
  LRESULT HitTest(POINT screen);

  TColorValue FDefaultColor = kSysColorFlag | COLOR_WINDOW;
  bool FUseSkinFont = true;
  int FDefaultWidth = 0, FDefaultHeight = 0;
  bool FButtonMode = false, FButtonDown = false, FButtonActive = false;
  RECT FButtonRect{}, FEditRect{};
  bool FAlphaBlend = false;
  int FAlphaBlendValue = 200;
  int FAlignment = 0;
  TComponentRef<TCustomImageList> FImages{this};
  int FButtonImageIndex = -1, FLeftImageIndex = -1, FRightImageIndex = -1;
  TspCBButtonX FLeftButton, FRightButton;
  TspTimer FLeaveTimer;

  // Copied from the element besides its edit part.
  int LOffset = 0, ROffset = 0;
  RECT SkinButtonRect{}, ActiveButtonRect{}, DownButtonRect{}, UnEnabledButtonRect{};
};

class TspSkinEdit : public TspSkinCustomEdit {
public:
  using TspSkinCustomEdit::TspSkinCustomEdit;
};

class TspSkinMaskEdit : public TspSkinCustomEdit {
public:
  using TspSkinCustomEdit::TspSkinCustomEdit;
};
