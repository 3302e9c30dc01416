// Skinned tree view and list view: the system controls coloured from the
// skin, without a frame or scroll bars of their own; two external skinned
// scroll bars follow their scroll state. With DrawSkin they draw their
// nodes and items themselves from the skin's pictures.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/ComCtrls.h"
#include "skin/controls/SkinDataHolder.h"
#include "skin/controls/SkinMessages.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/data/SkinData.h"

// From outside the program: paint the list's column header into wParam's DC.
constexpr UINT SP_PAINTHEADER = 45512;

// ---------------------------------------------------------------- shared

// What the skinned tree view and list view add alike to their system
// control: the skin data and the look used without it, no frame or system
// scroll bars, and two external skinned scroll bars that follow the view.
template <class TView>
class TspSkinViewControl : public TspSkinDataHolder<TView> {
  using Holder = TspSkinDataHolder<TView>;

public:
  const std::string& ItemSkinDataName() const { return FItemSkinDataName; }
  void SetItemSkinDataName(const std::string& value) { FItemSkinDataName = value; }

  TFont* DefaultFont() { return &FDefaultFont; }
  void SetDefaultFont(const TFont* value);
  TColor DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(TColor value);
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool value) { FUseSkinFont = value; }

  TspSkinScrollBar* VScrollBar() const { return FVScrollBar; }
  void SetVScrollBar(TspSkinScrollBar* value);
  TspSkinScrollBar* HScrollBar() const { return FHScrollBar; }
  void SetHScrollBar(TspSkinScrollBar* value);

  virtual void UpDateScrollBars() = 0;

  void WndProc(TMessage& message) override;

protected:
  using Holder::FIndex;
  using Holder::FSD;
  using Holder::FSkinDataName;

  TspSkinViewControl(TComponent* owner, const char* skinDataName);
  void CreateParams(TCreateParams& params) override;
  virtual void OnVScrollBarChange(TObject*) = 0;
  virtual void OnHScrollBarChange(TObject*) = 0;
  // Looks the view's element (of type E) up and applies its font and
  // colours, or the default font and colour without it; the element or null.
  template <class E>
  E* ApplyViewElement();
  // After a skin change: the scroll bars take their place again.
  void RealignScrollBars();
  // Shows or hides a linked bar; `changed` is set when it did either.
  void SetBarVisible(TspSkinScrollBar* bar, bool visible, bool& changed);
  // After the bars were set: the horizontal bar leaves the corner to a
  // visible vertical one, and an aligned view's parent lays out again when
  // a bar came or went (`changed`).
  void FinishScrollBars(bool changed);

  bool FInCheckScrollBars = false;
  std::string FItemSkinDataName = "listbox";
  TFont FDefaultFont;
  bool FUseSkinFont = true;
  TColor FDefaultColor = clWindow;
  TComponentRef<TspSkinScrollBar> FVScrollBar{this};
  TComponentRef<TspSkinScrollBar> FHScrollBar{this};

private:
  void SetScrollBar(TComponentRef<TspSkinScrollBar>& ref, TspSkinScrollBar* value, bool vertical);
};

// ---------------------------------------------------------------- tree view

class TspSkinCustomTreeView : public TspSkinViewControl<TCustomTreeView> {
public:
  explicit TspSkinCustomTreeView(TComponent* owner);
  ~TspSkinCustomTreeView() override;

  bool DrawSkin() const { return FDrawSkin; }
  virtual void SetDrawSkin(bool value);
  void ChangeSkinData() override;
  void UpDateScrollBars() override;

  TCustomImageList* ButtonImageList() const { return FButtonImageList; }
  void SetButtonImageList(TCustomImageList* value) { FButtonImageList.Set(value); }
  int ButtonExpandImageIndex = 1;
  int ButtonNoExpandImageIndex = 0;

  // What the skin gave (for painting and tests).
  TColor LineColor() const { return FLineColor; }
  TColor ButtonColor() const { return FButtonColor; }
  int ButtonSize() const { return FButtonSize; }
  TBitmap* ExpandImage() { return &FExpandImage; }
  TBitmap* NoExpandImage() { return &FNoExpandImage; }

  void Loaded() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void Change(TTreeNode* node) override;

  void SkinAdvancedCustomDrawItem(TCustomTreeView* sender, TTreeNode* node, TCustomDrawState state,
                                  TCustomDrawStage stage, bool& paintImages, bool& defaultDraw);
  void DrawNodeLines(TRect r, TTreeNode* node);
  void DrawNodeImage(TRect r, int imageIndex);

private:
  void OnVScrollBarChange(TObject*) override;
  void OnHScrollBarChange(TObject*) override;
  void ScrollTo(TspSkinScrollBar* bar, int which, UINT message);
  void DrawFadingLine(HDC dc, int x, int y, int length);

  TBitmap FExpandImage, FNoExpandImage;
  HIMAGELIST FThirdImages = nullptr;
  int FThirdImageWidth = 0, FThirdImageHeight = 0, FThirdImagesCount = 0;
  TComponentRef<TCustomImageList> FButtonImageList{this};
  TColor FLineColor = 0x808080;
  TColor FButtonColor = 0x808080;
  int FButtonSize = 5;
  bool FDrawSkin = false;
};

class TspSkinTreeView : public TspSkinCustomTreeView {
public:
  using TspSkinCustomTreeView::TspSkinCustomTreeView;
};

// ---------------------------------------------------------------- list view

class TspSkinCustomListView;
using TspDrawSkinSubItemEvent = std::function<void(TCustomListView* sender, TListItem* item, int subItemIndex,
                                                   TCustomDrawState state, TCanvas* canvas, TRect drawRect)>;
using TspDrawHeaderSectionEvent =
    std::function<void(TCanvas* canvas, TListColumn* column, bool pressed, TRect r)>;

class TspSkinCustomListView : public TspSkinViewControl<TCustomListView> {
public:
  explicit TspSkinCustomListView(TComponent* owner);
  ~TspSkinCustomListView() override;

  bool DrawSkin() const { return FDrawSkin; }
  virtual void SetDrawSkin(bool value);
  bool DrawSkinLines() const { return FDrawSkinLines; }
  void SetDrawSkinLines(bool value);
  void ChangeSkinData() override;
  void UpDateScrollBars() override;

  const std::string& CheckSkinDataName() const { return FCheckSkinDataName; }
  void SetCheckSkinDataName(const std::string& value) { FCheckSkinDataName = value; }
  const std::string& HeaderSkinDataName() const { return FHeaderSkinDataName; }
  void SetHeaderSkinDataName(const std::string& value) { FHeaderSkinDataName = value; }

  TspDrawSkinSubItemEvent OnDrawSkinSubItem;
  TspDrawHeaderSectionEvent OnDrawHeaderSection;

  // The column header taken over (null when none).
  HWND SubclassedHeader() const { return FHeaderHandle; }
  int ActiveSection() const { return FActiveSection; }
  bool HeaderDown() const { return FHeaderDown; }
  bool DividerDown() const { return FDevDown; }
  TColor LineColor() const { return FLineColor; }
  // Paints the column header into `dc` (the header's own paint when null).
  void HeaderPaint(HDC dc);

  void Loaded() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Change(TListItem* item, TItemChange change) override;

  void SkinCustomDrawItem(TCustomListView* sender, TListItem* item, TCustomDrawState state, bool& defaultDraw);

private:
  static LRESULT CALLBACK HeaderWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HeaderSubclassProc(UINT msg, WPARAM wParam, LPARAM lParam);
  void SubclassHeader(HWND header);
  void ReleaseHeader();
  void GetHeaderSkinData();
  RECT GetSectionRect(int index);
  void DrawHeaderSection(TCanvas* canvas, TListColumn* column, const RECT& r, bool pressed);
  void DrawSubItems(TCanvas* canvas, TListItem* item, TCustomDrawState state, const TRect& bounds, int dx, int dy);
  void OnVScrollBarChange(TObject*) override;
  void OnHScrollBarChange(TObject*) override;
  // The list follows a moved bar by the difference to `oldPos`.
  void FollowScrollBar(TspSkinScrollBar* bar, int& oldPos, bool vertical);

  HIMAGELIST FThirdImages = nullptr;
  int FThirdImageWidth = 0, FThirdImageHeight = 0, FThirdImagesCount = 0;
  TColor FLineColor = 0xC0C0C0;
  std::string FCheckSkinDataName = "checkbox";
  bool FDrawSkin = false;
  bool FDrawSkinLines = false;
  bool FDevDown = false;
  std::string FHeaderSkinDataName = "resizetoolbutton";
  bool FromSB = false;
  int FOldVScrollBarPos = 0, FOldHScrollBarPos = 0;
  HWND FHeaderHandle = nullptr;
  WNDPROC FDefHeaderProc = nullptr;
  int FActiveSection = 0;
  bool FHeaderDown = false;
  int FHIndex = -1;
  // The header element, copied at each paint.
  POINT HLTPt{}, HRTPt{}, HLBPt{}, HRBPt{};
  RECT HSkinRect{}, HClRect{};
  TBitmap* HPicture = nullptr;
  TColor HFontColor = 0, HActiveFontColor = 0, HDownFontColor = 0;
  RECT HActiveSkinRect{}, HDownSkinRect{};
  bool HStretchEffect = false, HLeftStretch = false, HTopStretch = false, HRightStretch = false,
       HBottomStretch = false;
  TspStretchType HStretchType = spstFull;
};

class TspSkinListView : public TspSkinCustomListView {
public:
  using TspSkinCustomListView::TspSkinCustomListView;
};
