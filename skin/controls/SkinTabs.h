// The skinned page control: the system tab control keeps the layout (tab
// rows, hit testing, selection, tab scrolling); this control reports
// adjusted rectangles, draws the frame, the tab strip and the tabs from the
// skin element "tab" (or a plain look), draws optional close buttons and
// replaces the system's tab scroller by a skinned up-down. Its pages paint
// a wallpaper, the skin's background picture or the tab skin's client part.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/PageControl.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinDataHolder.h"
#include "skin/controls/SkinSpin.h"
#include "skin/data/SPGlyphLayout.h"

class TspSkinPageControl;

class TspSkinCustomTabSheet : public TTabSheet {
public:
  explicit TspSkinCustomTabSheet(TComponent* owner);
  ~TspSkinCustomTabSheet() override;

  TBitmap* WallPaper() { return &FWallPaper; }
  void SetWallPaper(const TBitmap* value);

  // The close button's place in the tab picture and its state.
  RECT ButtonRect{};
  bool ButtonMouseIn = false;
  bool ButtonMouseDown = false;

  // The sheet's background into a DC of the sheet's size.
  void PaintSheetBackground(HDC dc);
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;

  TBitmap FWallPaper;
};

class TspSkinTabSheet : public TspSkinCustomTabSheet {
public:
  using TspSkinCustomTabSheet::TspSkinCustomTabSheet;
};

using TspDrawSkinTabEvent = std::function<void(int tabIndex, const RECT& rct, bool active, bool mouseIn, HDC dc)>;
using TspCloseEvent = std::function<void(TObject* sender, bool& canClose)>;

class TspSkinPageControl : public TspSkinDataHolder<TPageControl> {
public:
  explicit TspSkinPageControl(TComponent* owner);
  ~TspSkinPageControl() override;

  void ChangeSkinData() override;
  std::string ButtonTabSkinDataName = "resizetoolbutton";

  bool MouseWheelSupport = false;
  bool TabExtededDraw() const { return FTabExtendedDraw; }
  void SetTabExtededDraw(bool value);
  int TabMargin() const { return FTabMargin; }
  void SetTabMargin(int value);
  int TabSpacing() const { return FTabSpacing; }
  void SetTabSpacing(int value);
  TspButtonLayout TabLayout() const { return FTabLayout; }
  void SetTabLayout(TspButtonLayout value);
  bool TextInHorizontal() const { return FTextInHorizontal; }
  void SetTextInHorizontal(bool value);
  bool TabsInCenter() const { return FTabsInCenter; }
  void SetTabsInCenter(bool value);
  int TabsOffset() const { return FTabsOffset; }
  void SetTabsOffset(int value);
  bool FreeOnClose = false;
  bool ShowCloseButtons() const { return FShowCloseButtons; }
  void SetShowCloseButtons(bool value);
  bool TabsBGTransparent() const { return FTabsBGTransparent; }
  void SetTabsBGTransparent(bool value);
  const TspFontDesc& DefaultFont() const { return FDefaultFont; }
  void SetDefaultFont(const TspFontDesc& value) { FDefaultFont = value; }
  bool UseSkinFont = true;
  int DefaultItemHeight() const { return FDefaultItemHeight; }
  void SetDefaultItemHeight(int value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  int CloseSize() const { return FCloseSize; }
  // Width of the room the system control keeps for images in each tab.
  int TempImagesWidth() const { return FTempImagesWidth; }

  TspCloseEvent OnClose;
  TNotifyEvent OnAfterClose;
  TspDrawSkinTabEvent OnDrawSkinTab;

  void HideTabs();
  void ShowTabs();
  void HideBorderAndTabs();
  void ShowBorderAndTabs();
  void UpDateTabs();
  bool TabsHidden() const { return FOldTabHeight != -1; }
  bool BorderHidden() const { return FHideBorder; }

  // The skinned tab scroller (null while every tab fits).
  TspSkinUpDown* SkinUpDown() const { return FSkinUpDown; }
  void UpdateTabScroller();
  // The offset of centred or shifted tabs.
  int CalcTabsOffset();
  // The selected tab's rectangle grown toward the page area.
  RECT GetActiveTabRect();
  // The page of the tab under the mouse (-1 none).
  int HotTab() const { return FActiveTab; }
  void TrackTab(POINT p);
  // The page of visible tab `tabIndex`, or null.
  TTabSheet* PageOfTab(int tabIndex) const;
  // Paints the whole control into `dc` (what WM_PAINT shows).
  void PaintControlTo(HDC dc);

  void Loaded() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void PaintWindow(HDC dc) override;
  void Change() override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  int TabImage(const TTabSheet*) const override { return 0; }
  void GetSkinData();
  TspDataSkinTabControl* TabElement() const;
  void SetTempImagesWidth(int width);
  void RebuildScroller();
  void FreeScroller();
  void DrawSkinFrame(TspPaintBuffer& b);
  void DrawTabs(TspPaintBuffer& b);
  void DrawTab(int pageIndex, const RECT& r, HDC dc, bool hot, bool active);
  void DrawCloseButton(TspPaintBuffer& b, TspSkinCustomTabSheet* sheet, RECT rc, bool hot);
  void PaintClientBackground(TspPaintBuffer& b);
  void CloseActivePage();
  int ScrolledOffCount();
  bool CloseButtonHit(POINT p, TspSkinCustomTabSheet*& sheet);

  bool FTabExtendedDraw = false, FTextInHorizontal = false, FHideTabs = false, FHideBorder = false;
  int FTabMargin = -1, FTabSpacing = 1;
  TspButtonLayout FTabLayout = blGlyphLeft;
  TTabPosition FOldTabPosition = tpTop;
  bool FOldMultiLine = false;
  int FOldTabHeight = -1;
  int FCloseSize = 14;
  bool FShowCloseButtons = false, FTabsBGTransparent = false, FTabsInCenter = false;
  int FTabsOffset = 0;
  int FActiveTab = -1, FOldActiveTab = -1;
  TComponentRef<TCustomImageList> FImages{this};
  HIMAGELIST FTempImages = nullptr;
  int FTempImagesWidth = 1, FTempImagesHeight = 1;
  TspSkinUpDown* FSkinUpDown = nullptr;
  TspFontDesc FDefaultFont;
  int FDefaultItemHeight = 20;
  bool FInScroller = false;

  // Copied from the element.
  const TspPicture* Picture = nullptr;
  RECT CloseButtonRect{}, ClosebuttonActiveRect{}, CloseButtonDownRect{};
  bool ButtonTransparent = false;
  COLORREF ButtonTransparentColor = 0;
  RECT SkinRect{}, ClRect{}, SkinTabRect{}, ActiveTabRect{}, FocusTabRect{}, MouseInTabRect{}, TabsBGRect{};
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  int TabLeftOffset = 0, TabRightOffset = 0;
  TspFontDesc SkinFont;
  COLORREF FontColor = 0, ActiveFontColor = 0, FocusFontColor = 0, MouseInFontColor = 0;
  std::string UpDown;
  int BGPictureIndex = -1;
  bool TabStretchEffect = false, ShowFocus = false;
  int FocusOffsetX = 0, FocusOffsetY = 0;
  bool StretchEffect = false;
  TspStretchType StretchType = spstFull;
  RECT TabLeftBottomActiveRect{}, TabLeftBottomFocusRect{};

  friend class TspSkinCustomTabSheet;
};
