// The picture-grid menu: a drop-down grid of image-list pictures (colour
// swatches, symbols) from which the user picks one cell with the mouse or
// the keys; full-width button rows and group headers may sit between them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinTimer.h"
#include "skin/data/SkinData.h"

class TspSkinImagesMenu;
class TspImagesMenuItems;
class TspSkinHint;
class TspPaintBuffer;

class TspImagesMenuItem : public TPersistent {
public:
  explicit TspImagesMenuItem(TspImagesMenuItems* collection) : FCollection(collection) {}

  int ImageIndex() const { return FImageIndex; }
  virtual void SetImageIndex(int value) { FImageIndex = value; }
  const std::string& Caption() const { return FCaption; }
  virtual void SetCaption(const std::string& value) { FCaption = value; }
  bool Button = false;  // a full-width row with picture and caption
  bool Header = false;  // a full-width group header; never chosen
  std::string Hint;
  TNotifyEvent OnClick;
  // The cell in the popup window, set by the layout.
  RECT ItemRect{};
  // A value the menu's users keep per item (a swatch colour); unused here.
  TColor Color = 0;

  int Index() const;
  // Copies picture, caption, button kind and hint from another item.
  void Assign(const TPersistent* source) override;

private:
  TspImagesMenuItems* FCollection;
  int FImageIndex = -1;
  std::string FCaption;
};

class TspImagesMenuItems {
public:
  explicit TspImagesMenuItems(TspSkinImagesMenu* imagesMenu) : ImagesMenu(imagesMenu) {}
  TspSkinImagesMenu* Owner() const { return ImagesMenu; }
  TspImagesMenuItem* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TspImagesMenuItem* Items(int index) const { return FItems.at(index).get(); }
  int IndexOf(const TspImagesMenuItem* item) const;
  void Delete(int index);
  void Clear() { FItems.clear(); }

  TspSkinImagesMenu* ImagesMenu;

private:
  std::vector<std::unique_ptr<TspImagesMenuItem>> FItems;
};

class TspSkinImagesMenuPopupWindow : public TCustomControl {
public:
  explicit TspSkinImagesMenuPopupWindow(TspSkinImagesMenu* owner);
  ~TspSkinImagesMenuPopupWindow() override;

  void Show(const RECT& popupRect);
  void Hide(bool processEvents);
  // The application's message hook while open; true when the message is
  // to be dropped.
  void AppMessage(MSG& msg, bool& handled);
  void ProcessKey(WORD key);
  // Lays the items out (public for the owner's size checks).
  void CalcItemRects();
  void CalcWindowSize(int& width, int& height);

  int MouseInItem = -1;
  int OldMouseInItem = -1;
  bool FSkinSupport = false;
  RECT NewItemsRect{};
  POINT NewLTPoint{}, NewRTPoint{}, NewLBPoint{}, NewRBPoint{};

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  int ItemAt(int x, int y) const;
  void TestMouseItem(int x, int y);
  void HideItemHint();
  bool SkinUsable() const;
  const TspPicture* SkinPicture(int index) const;
  void DrawItems(TspPaintBuffer& b, int activeIndex, int selectedIndex);
  void DrawItemFrame(TspPaintBuffer& b, const RECT& r, bool pressed);
  void DrawItemCaption(TspPaintBuffer& b, const std::string& text, RECT r, bool down, bool active);
  void DrawGroupHeader(TspPaintBuffer& b, const std::string& text, const RECT& r);
  void ReleaseMenuHook();

  TspSkinImagesMenu* ImagesMenu;
  HRGN FRgn = nullptr;
  const TspPicture* WindowPicture = nullptr;
  const TspPicture* MaskPicture = nullptr;
  bool FDown = false;
  bool FItemDown = false;
  int FHookId = 0;
};

class TspSkinImagesMenu : public TComponent, public TspImagesMenuSource {
public:
  explicit TspSkinImagesMenu(TComponent* owner);
  ~TspSkinImagesMenu() override;

  TCustomImageList* Images() const override { return FImages; }
  void SetImages(TCustomImageList* value) { FImages.Set(value); }
  TspImagesMenuItems* ImagesItems() { return &FImagesItems; }
  int ItemIndex = -1;
  int ColumnsCount() const { return FColumnsCount; }
  // 1 to 50; other values are ignored.
  void SetColumnsCount(int value);
  TspSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TspSkinData* value) { FSkinData.Set(value); }
  TspSkinHint* SkinHint() const;
  void SetSkinHint(TspSkinHint* value);
  bool ShowHints = true;
  bool ShowSelectedItem = true;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  uint8_t AlphaBlendValue = 200;
  TFont* DefaultFont() { return &FDefaultFont; }
  bool UseSkinFont = true;

  TNotifyEvent OnItemClick, OnChange, OnMenuPopup, OnMenuClose;
  // Set by the buttons that drop the menu down: redraw after a new choice,
  // release the pressed look when it closes.
  TNotifyEvent OnInternalChange, OnInternalMenuClose;

  void Popup(int x, int y);
  void PopupFromRect(const RECT& r) override;
  // Closes an open grid without a choice.
  void Hide();
  TspImagesMenuItem* SelectedItem() const;

  // What the buttons that show and open the grid ask of it.
  TComponent* MenuComponent() override { return this; }
  bool SelectedItemContent(int& imageIndex, std::string& caption) const override;
  void SetInternalChangeEvent(TComponent* client, TNotifyEvent event) override {
    SetInternalEvent(FInternalChangeClient, OnInternalChange, client, std::move(event));
  }
  void SetInternalMenuCloseEvent(TComponent* client, TNotifyEvent event) override {
    SetInternalEvent(FInternalCloseClient, OnInternalMenuClose, client, std::move(event));
  }
  TspSkinImagesMenuPopupWindow* PopupWindow() const { return FPopupWindow; }

  // Closes the window and fires the close and choice events.
  void ProcessEvents(bool processEvents);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void FreeRetired();
  void SetInternalEvent(TComponentRef<TComponent>& owner, TNotifyEvent& slot, TComponent* client,
                        TNotifyEvent event);

  // The controls the internal events belong to.
  TComponentRef<TComponent> FInternalChangeClient{this}, FInternalCloseClient{this};

  TComponentRef<TCustomImageList> FImages{this};
  TspImagesMenuItems FImagesItems{this};
  int FColumnsCount = 1;
  TComponentRef<TspSkinData> FSkinData{this};
  TspSkinImagesMenuPopupWindow* FPopupWindow = nullptr;
  // A closed window waits here until its own handlers have returned.
  std::unique_ptr<TspSkinImagesMenuPopupWindow> FRetired;
  TspTimer FReleaseTimer;
  int FOldItemIndex = -1;
  TFont FDefaultFont;
  TComponentRef<TspSkinHint> FSkinHint{this};

  friend class TspSkinImagesMenuPopupWindow;
};
