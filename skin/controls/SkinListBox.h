// The skinned list box: a frame with an optional caption band (glyph and
// up/down/check buttons) around an owner-drawn list that paints its rows
// itself, plus skin scroll bars made only while they are needed.
#pragma once

#include <functional>
#include <memory>

#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/ListBoxes.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinMessages.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/controls/SkinTimer.h"

// The skin library's request to paint a control's client area into the DC
// in WParam (LParam carries kSkinPaintClientCode; the answer repeats it).
constexpr UINT SP_PAINTCLIENT = 48202;
constexpr LPARAM kSkinPaintClientCode = 16802;

// Draws item Index into Cnvs, a bitmap of ItemWidth x ItemHeight whose text
// area is TxtRect; the handler draws everything.
using TspDrawSkinItemEvent = std::function<void(TCanvas* Cnvs, int Index, int ItemWidth, int ItemHeight,
                                                RECT TxtRect, TOwnerDrawState State)>;
using TspKeyPressEvent = std::function<void(TObject* sender, char16_t& key)>;

// The text character set of a skinned control: the skin's resource-string
// charset when it has such data, else the default font's (DEFAULT_CHARSET).
int SkinTextCharset(TspSkinData* skin);

class TspSkinCustomListBox;

// What the list and combo-box elements both tell of their items: the item
// pictures (normal, hot, focused) with their fixed ends, where the text
// goes, the fonts, and whether the focus shows.
struct TspItemLook {
  RECT SItemRect{}, ActiveItemRect{}, FocusItemRect{}, ItemTextRect{};
  int ItemLeftOffset = 0, ItemRightOffset = 0;
  TspFontDesc SkinFont;
  COLORREF FontColor = 0, ActiveFontColor = 0, FocusFontColor = 0;
  bool ShowFocus = false;

  // The copy of element `e`; without a focused picture the normal one
  // stands in.
  template <class TElement>
  void CopyItemLook(const TElement& e) {
    auto color = [](int32_t c) { return static_cast<COLORREF>(c) & 0xFFFFFF; };
    SItemRect = ToRECT(e.SItemRect);
    ActiveItemRect = ToRECT(e.ActiveItemRect);
    FocusItemRect = IsEmptyRECT(ToRECT(e.FocusItemRect)) ? SItemRect : ToRECT(e.FocusItemRect);
    ItemLeftOffset = e.ItemLeftOffset;
    ItemRightOffset = e.ItemRightOffset;
    ItemTextRect = ToRECT(e.ItemTextRect);
    SkinFont = SkinFontDesc(e.FontName, e.FontHeight, e.FontStyle, e.FontColor);
    FontColor = color(e.FontColor);
    ActiveFontColor = color(e.ActiveFontColor);
    FocusFontColor = color(e.FocusFontColor);
    ShowFocus = e.ShowFocus;
  }
};

// The inner list: paints its rows through the frame, never shows the
// system's scroll bars or border.
class TspListBox : public TListBox {
public:
  explicit TspListBox(TComponent* owner);
  TspSkinCustomListBox* SkinListBox = nullptr;
  // Pixels the item contents are shifted left by the horizontal skin bar.
  int FHorizontalExtentValue = 0;

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void PaintWindow(HDC dc) override;
  void DrawItem(int index, const RECT& rect, TOwnerDrawState state) override;
  void ItemsChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void KeyPress(char16_t& key) override;
  void Click() override;

public:
  // The state a row is painted with.
  TOwnerDrawState RowState(int index) const;
};

class TspSkinCustomListBox : public TspSkinCustomControl, protected TspItemLook {
  using Base = TspSkinCustomControl;

public:
  explicit TspSkinCustomListBox(TComponent* owner);
  ~TspSkinCustomListBox() override;

  TComponentRef<TspListBox> ListBox{this};
  TComponentRef<TspSkinScrollBar> ScrollBar{this};   // the main bar
  TComponentRef<TspSkinScrollBar> HScrollBar{this};  // the horizontal-extent bar
  TspCBButtonX Buttons[3];                 // up, down, check
  RECT ListRect{}, NewCaptionRect{};

  // Items and selection, forwarded to the inner list.
  TStrings* Items() { return ListBox->Items(); }
  void SetItems(const TStrings* value);
  int ItemIndex() const { return ListBox->ItemIndex(); }
  void SetItemIndex(int value) { ListBox->SetItemIndex(value); }
  int TopIndex() const { return ListBox->TopIndex(); }
  void SetTopIndex(int value);
  bool Sorted() const { return ListBox->Sorted(); }
  void SetSorted(bool value);
  bool MultiSelect() const { return ListBox->MultiSelect(); }
  void SetMultiSelect(bool value) { ListBox->SetMultiSelect(value); }
  int Columns() const { return ListBox->Columns(); }
  void SetColumns(int value);
  int SelCount() const { return ListBox->SelCount(); }
  bool Selected(int index) const { return ListBox->Selected(index); }
  void SetSelected(int index, bool value) { ListBox->SetSelected(index, value); }
  int ItemAtPos(POINT p, bool existing) const { return ListBox->ItemAtPos(p, existing); }
  RECT ItemRect(int index) const { return ListBox->ItemRect(index); }
  TCanvas* ListBoxCanvas() { return ListBox->Canvas(); }
  void Clear();

  int RowCount() const { return FRowCount; }
  void SetRowCount(int value);
  int DefaultItemHeight() const { return FDefaultItemHeight; }
  void SetDefaultItemHeight(int value);
  int DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  void SetDefaultCaptionHeight(int value);
  bool UseSkinItemHeight() const { return FUseSkinItemHeight; }
  void SetUseSkinItemHeight(bool value);
  bool CaptionMode() const { return FCaptionMode; }
  void SetCaptionMode(bool value);
  bool ShowCaptionButtons() const { return FShowCaptionButtons; }
  void SetShowCaptionButtons(bool value);
  bool HorizontalExtent() const { return FHorizontalExtent; }
  void SetHorizontalExtent(bool value);
  TStrings* TabWidths() { return &FTabWidths; }
  void SetTabWidths(const TStrings* value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TBitmap* Glyph() { return &FGlyph; }
  int NumGlyphs = 1;
  int Spacing = 2;
  int Alignment = 0;  // 0 left, 1 right, 2 centre
  TspFontDesc DefaultCaptionFont;
  bool AutoComplete = true;

  // The control height that shows `itemsCount` rows.
  int CalcHeight(int itemsCount);
  // Creates the bars that are needed, frees the ones that are not.
  void UpDateScrollBar();
  // The inner list's row height.
  int ItemHeight() const { return ListBox->ItemHeight(); }

  TNotifyEvent OnUpButtonClick, OnDownButtonClick, OnCheckButtonClick;
  TNotifyEvent OnListBoxClick, OnListBoxDblClick;
  TMouseEvent OnListBoxMouseDown, OnListBoxMouseUp;
  TMouseMoveEvent OnListBoxMouseMove;
  TKeyEvent OnListBoxKeyDown, OnListBoxKeyUp;
  TspKeyPressEvent OnListBoxKeyPress;
  TspDrawSkinItemEvent OnDrawItem;

  // Caption-button auto-repeat: 0 idle, 1 up, 2 down.
  int TimerMode() const { return FTimerMode; }
  bool WaitMode() const { return FWaitMode; }
  int ActiveButton() const { return FActiveButton; }

  void ChangeSkinData() override;
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

  // Slots of the inner list; subclasses override some.
  virtual int GetItemTextWidth(int index, TCanvas* canvas);
  virtual void ListBoxMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void ListBoxMouseMove(TShiftState shift, int x, int y);
  virtual void ListBoxMouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void ListBoxClick();
  virtual void ListBoxDblClick();
  virtual void ListBoxKeyDown(WORD& key, TShiftState shift);
  virtual void ListBoxKeyUp(WORD& key, TShiftState shift);
  virtual void ListBoxKeyPress(char16_t& key);
  virtual void ListBoxEnter() {}
  virtual void ListBoxExit() {}
  // False swallows the message before the inner list sees it.
  virtual bool ListBoxWProc(TMessage& message) { return true; }
  virtual void ListBoxCreateWnd() {}

  // Draws row `index` of the inner list at `r` of `dc`.
  void DrawListItem(HDC dc, int index, const RECT& r, TOwnerDrawState state);
  // The list's background into `dc` over `r`.
  void DrawListBackground(HDC dc, const RECT& r);
  // Whether the copy of the "listbox" element is in use.
  bool HasElement() const { return FIndex != -1 && FElement; }

  // The element copy.
  RECT CaptionRect{};
  TspFontDesc CaptionFont;
  RECT UpButtonRect{}, ActiveUpButtonRect{}, DownUpButtonRect{};
  RECT DownButtonRect{}, ActiveDownButtonRect{}, DownDownButtonRect{};
  RECT CheckButtonRect{}, ActiveCheckButtonRect{}, DownCheckButtonRect{};
  std::string VScrollBarName, HScrollBarName, BothScrollBarName;
  RECT ButtonsArea{}, DisabledButtonsRect{};

protected:
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void DefaultFontChanged() override;
  void CreateParams(TCreateParams& params) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  void CalcListRect();

private:
  friend class TspListBox;
  void CreateVScrollBar();
  void CreateHScrollBar();
  void HideVScrollBar();
  void HideHScrollBar();
  void VScrollBarChange();
  void HScrollBarChange();
  void DrawCaptionButton(TspPaintBuffer& b, int i);
  void DrawCaption(TspPaintBuffer& b, const RECT& r, int y, const TspFontDesc& font, int leftPad);
  void TestActiveButton(int x, int y);
  void ButtonDown(int i);
  void ButtonUp(int i);
  void ButtonEnter(int i);
  void ButtonLeave(int i);
  void StartRepeat(unsigned ms);
  void StopRepeat();
  void RepeatTick();
  void StepUp();
  void StepDown();
  void ApplyItemHeight();

  bool FShowCaptionButtons = true;
  TStringList FTabWidths;
  bool FUseSkinItemHeight = true;
  bool FHorizontalExtent = false;
  bool FStopUpDateHScrollBar = false;
  int FRowCount = 0;
  TBitmap FGlyph;
  TComponentRef<TCustomImageList> FImages{this};
  int FImageIndex = -1;
  int FDefaultItemHeight = 20;
  int FDefaultCaptionHeight = 20;
  bool FCaptionMode = false;
  int FOldActiveButton = -1, FActiveButton = -1, FCaptureButton = -1;
  int FTimerMode = 0;
  bool FWaitMode = false;
  TspTimer FTimer;
  bool FElement = false;
  bool FInLayout = false;
};

class TspSkinListBox : public TspSkinCustomListBox {
public:
  using TspSkinCustomListBox::TspSkinCustomListBox;
};
