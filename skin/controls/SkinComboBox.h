// The skinned combo box: an own-drawn box and button with a skinned list
// that drops down as a popup, in fixed style (the box shows the selected
// item) or edit style (an inner edit takes the text).
#pragma once

#include "framework/StdCtrls.h"
#include "skin/controls/SkinBoxDraw.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinListBox.h"

enum TspSkinCustomComboBoxStyle { spcbEditStyle, spcbFixedStyle };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

struct TspCBItem {
  RECT R{};
  TOwnerDrawState State = 0;
};

// The drop-down list: a top-level popup tool window that is never activated.
class TspPopupListBox : public TspSkinListBox {
public:
  explicit TspPopupListBox(TComponent* owner);
  // Shows the list with its top-left corner at the screen point.
  void Show(POINT p);
  void Hide();
  bool FOldAlphaBlend = false;
  uint8_t FOldAlphaBlendValue = 0;
  // The owning combo's translucency settings (null owner: none).
  class TspSkinCustomComboBox* Combo = nullptr;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
};

// The inner edit of the edit style: the skinned edit (its menu, Enter and
// Escape for the form's default and cancel buttons, transparent over the
// combo's skin element); a number combo's edit takes what a number edit
// takes.
class TspComboEdit : public TspSkinNumEdit {
public:
  explicit TspComboEdit(TComponent* owner) : TspSkinNumEdit(owner) {}
  bool NumOnly = false;
  TEditCharCase CharCase = ecNormal;
  void SetSel(int start, int length);
  std::function<void()> OnCreated;
  // The colour the text is drawn in while transparent.
  COLORREF TransparentTextColour = 0;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void KeyPress(char16_t& key) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  COLORREF TextColor() const override { return TransparentTextColour; }
};

class TspSkinCustomComboBox : public TspSkinCustomControl, public TspItemLook {
  using Base = TspSkinCustomControl;

public:
  explicit TspSkinCustomComboBox(TComponent* owner);
  ~TspSkinCustomComboBox() override;

  // Items, selection and the list's settings.
  TStrings* Items() { return FListBox->Items(); }
  void SetItems(const TStrings* value) { FListBox->SetItems(value); }
  int ItemIndex() const { return FListBox->ItemIndex(); }
  // Every assignment fires OnClick and Change, also an unchanged one.
  void SetItemIndex(int value);
  bool Sorted() const { return FListBox->Sorted(); }
  void SetSorted(bool value) { FListBox->SetSorted(value); }
  TStrings* TabWidths() { return FListBox->TabWidths(); }
  void SetTabWidths(const TStrings* value) { FListBox->SetTabWidths(value); }
  TCustomImageList* Images() const { return FListBox->Images(); }
  void SetImages(TCustomImageList* value);
  int ImageIndex() const { return FListBox->ImageIndex(); }
  void SetImageIndex(int value);
  bool HorizontalExtent() const { return FListBox->HorizontalExtent(); }
  void SetHorizontalExtent(bool value) { FListBox->SetHorizontalExtent(value); }
  void SetListBoxCaption(const std::string& value) { FListBox->SetCaption(value); }
  void SetListBoxCaptionMode(bool value) { FListBox->SetCaptionMode(value); }
  void SetListBoxDefaultItemHeight(int value) { FListBox->SetDefaultItemHeight(value); }
  void SetListBoxUseSkinItemHeight(bool value) { FListBox->SetUseSkinItemHeight(value); }
  void SetListBoxDefaultFont(const TspFontDesc& f) { FListBox->SetDefaultFont(f); }

  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);

  TspSkinCustomComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TspSkinCustomComboBoxStyle value);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value) {
    if (value > 0) FDropDownCount = value;
  }
  bool ToolButtonStyle() const { return FToolButtonStyle; }
  void SetToolButtonStyle(bool value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  COLORREF DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(COLORREF value);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool value);
  bool HideSelection = true;
  bool AutoComplete = true;
  bool ListBoxAlphaBlend = false;
  bool ListBoxAlphaBlendAnimation = false;
  uint8_t ListBoxAlphaBlendValue = 200;
  int ListBoxWidth = 0;

  int SelStart() const { return FEdit ? FEdit->SelStart() : 0; }
  void SetSelStart(int value);
  int SelLength() const { return FEdit ? FEdit->SelLength() : 0; }
  void SetSelLength(int value);

  void DropDown();
  void CloseUp(bool accept);
  bool IsPopupVisible() const { return FListBox->Visible(); }
  bool CanCancelDropDown() const;

  TNotifyEvent OnChange, OnCloseUp, OnDropDown;
  // OnClick is the control's own.
  TspDrawSkinItemEvent OnComboBoxDrawItem;
  void SetOnListBoxDrawItem(TspDrawSkinItemEvent handler) { FListBox->OnDrawItem = std::move(handler); }

  // The parts, for look and tests.
  TspPopupListBox* ListBox() const { return FListBox; }
  TspComboEdit* Edit() const { return FEdit; }
  TspCBItem CBItem;
  TspCBButtonX Button;
  bool DroppedDown() const { return FDropDown; }
  int OldItemIndex() const { return FOldItemIndex; }
  int TimerMode() const { return FTimerMode; }

  void ChangeSkinData() override;
  void Invalidate() override;
  void WndProc(TMessage& message) override;

  // Layout of the box, the button and the inner edit.
  void CalcRects();

  // The element copy.
  RECT ActiveSkinRect{};
  RECT ButtonRect{}, ActiveButtonRect{}, DownButtonRect{}, UnEnabledButtonRect{};
  std::string ListBoxName;
  bool ItemStretchEffect = false, FocusItemStretchEffect = false;
  bool HasElement() const { return FIndex != -1 && FElement; }

protected:
  // Called after the selection or the text changed (subclasses override).
  virtual void Change() {}
  virtual void EditWindowProcHook(TMessage& message);
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void DefaultFontChanged() override;
  void CalcSkinSize(int& width, int& height) override;
  void UpdateSkinRegion() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char16_t& key) override;

  bool FNumEdit = false;

  // Drawing of the shown item (default and skin looks).
  void DrawItemContent(TspPaintBuffer& item, int index, RECT tr, bool skinLook, bool focused);
  int ShownIndex() const;
  bool ComboFocused() const;

private:
  void CreateEditControl();
  void FreeEditControl();
  void ListBoxWindowProcHook(TMessage& m);
  void ListBoxHotTrack(int x, int y);
  void ProcessListBox();
  void StartTimer();
  void StopTimer();
  void TimerTick();
  // Enter closes an open list taking its choice, Escape closes it without;
  // true for either key.
  bool CloseUpKey(WPARAM key);
  void ComboPageUp();
  void ComboPageDown();
  void ComboUp();
  void ComboDown();
  void EditUp(bool change);
  void EditDown(bool change);
  void EditChange();
  void AutoCompleteEdit();
  void FindListItem(char16_t c);
  void TextChanged();
  void ApplyEditFont();
  void ApplyEditColour();
  COLORREF GetDisabledFontColor();
  void CancelFrom(TControl* control);
  void DrawButton(TspPaintBuffer& b);
  void DrawDefaultItem(TspPaintBuffer& b);
  void DrawSkinItem(TspPaintBuffer& b);
  void DrawResizeSkinItem(TspPaintBuffer& b);
  // The skinned item's text room at item width `width`, and its font.
  RECT SkinItemTextRect(int width) const;
  TspFontDesc SkinItemFont(bool focused) const;
  // The shown item's content drawn over the item's picture in `font`.
  void DrawShownItem(TspPaintBuffer& item, const TspFontDesc& font, const RECT& r, bool skinLook, bool focused);
  void DrawToolButton(TspPaintBuffer& b, bool skin);
  void DrawResizeButton(TspPaintBuffer& b);
  TspDataSkinButtonControl* ButtonElement(std::initializer_list<const char*> names) const;

  bool FToolButtonStyle = false;
  bool FDropDown = false;
  TEditCharCase FCharCase = ecNormal;
  COLORREF FDefaultColor;
  bool FUseSkinSize = true;
  bool WasInLB = false;
  int FTimerMode = 0;
  uint32_t FLastTime = 0;
  std::string FFilter;
  TspSkinCustomComboBoxStyle FStyle = spcbFixedStyle;
  bool FMouseIn = false;
  int FOldItemIndex = -1;
  int FDropDownCount = 8;
  bool FLBDown = false;
  TWndMethod FListBoxWindowProc, FEditWindowProc;
  TComponentRef<TspPopupListBox> FListBox{this};
  TspComboEdit* FEdit = nullptr;
  bool FromEdit = false;
  std::string FText;
  bool FElement = false;
  TspTimer FTimer;
  HFONT FEditFont = nullptr;
  HBRUSH FEditBrush = nullptr;
  COLORREF FEditBrushColour = 0;
};

class TspSkinComboBox : public TspSkinCustomComboBox {
public:
  using TspSkinCustomComboBox::TspSkinCustomComboBox;
};
