// The picture-grid menu: layout, size and position, the key table, mouse
// choice and closing, and the order of its events.
#include "support/gtest.h"

#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/frame/SkinHint.h"
#include "skin/frame/SkinImagesMenu.h"
#include "support/Dib.h"
#include "support/SkinParts.h"

namespace {

class ImagesMenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    images = std::make_unique<TImageList>(nullptr, 16, 16);
    TBitmap pic(48, 16);
    pic.Canvas()->Brush()->SetColor(clLime);
    pic.Canvas()->FillRect(TRect{0, 0, 48, 16});
    images->AddMasked(&pic, clFuchsia);
    menu = std::make_unique<TspSkinImagesMenu>(nullptr);
    menu->SetImages(images.get());
    menu->SetColumnsCount(3);
    // A header, seven cells and a button row.
    TspImagesMenuItem* header = menu->ImagesItems()->Add();
    header->Header = true;
    header->SetCaption("Colours");
    for (int i = 0; i < 7; ++i) {
      TspImagesMenuItem* it = menu->ImagesItems()->Add();
      it->SetImageIndex(i % 3);
      it->OnClick = [this, i](TObject*) { log.push_back("item" + std::to_string(i + 1)); };
    }
    TspImagesMenuItem* button = menu->ImagesItems()->Add();
    button->Button = true;
    button->SetCaption("Automatic");
    menu->OnMenuPopup = [this](TObject*) { log.push_back("popup"); };
    menu->OnMenuClose = [this](TObject*) { log.push_back("close"); };
    menu->OnItemClick = [this](TObject*) { log.push_back("itemclick"); };
    menu->OnChange = [this](TObject*) { log.push_back("change"); };
  }
  void TearDown() override {
    menu.reset();
    images.reset();
  }
  TspSkinImagesMenuPopupWindow* Open(RECT at = RECT{300, 200, 340, 220}) {
    menu->PopupFromRect(at);
    log.clear();
    return menu->PopupWindow();
  }
  RECT Cell(int i) { return menu->ImagesItems()->Items(i)->ItemRect; }

  std::unique_ptr<TImageList> images;
  std::unique_ptr<TspSkinImagesMenu> menu;
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(ImagesMenuTest, GridOfThreeColumnsLaysOutRowsHeaderAndButton) {
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  // Cells 26 x 26 from (5, 5), rows 27 apart; full rows 78 wide.
  const RECT want[] = {
      {5, 5, 83, 31},                                             // header
      {5, 32, 31, 58},  {31, 32, 57, 58}, {57, 32, 83, 58},       // row of 3
      {5, 59, 31, 85},  {31, 59, 57, 85}, {57, 59, 83, 85},       // row of 3
      {5, 86, 31, 112},                                           // row of 1
      {5, 113, 83, 139},                                          // the button starts a new row
  };
  for (int i = 0; i < 9; ++i) {
    RECT r = Cell(i);
    EXPECT_TRUE(EqualRect(&r, &want[i])) << "item " << i << ": " << r.left << "," << r.top << "," << r.right << ","
                                         << r.bottom;
  }
  RECT b;
  GetWindowRect(w->Handle(), &b);
  EXPECT_EQ(b.right - b.left, 78 + 10);
  EXPECT_EQ(b.bottom - b.top, 139 - 5 + 10);
  EXPECT_EQ(b.left, 300);
  EXPECT_EQ(b.top, 220) << "under the anchor";
  EXPECT_EQ(GetCapture(), w->Handle());

  // The cells are drawn: a picture at (5, 5) inside its cell.
  Dib dib(b.right - b.left, b.bottom - b.top);
  SendMessageW(w->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
  EXPECT_EQ(dib.At(5 + 5 + 3, 32 + 5 + 3), RGB(0, 255, 0));
  menu->Hide();
}

TEST_F(ImagesMenuTest, SkinElementsSetTheGridOriginWindowSizeAndHeaderHeight) {
  TspSkinData skin(nullptr);
  TspPicture window = SolidPicture(40, 40, 0x00FF0000);
  TspPicture label = SolidPicture(30, 20, 0x0000FF00);
  skin.FActivePictures = {std::move(window), std::move(label)};
  PlainPopupWindow(skin, 6, 6, 34, 34);
  auto l = std::make_unique<TspDataSkinLabelControl>("label");
  l->PictureIndex = 1;
  l->SkinRect = TspRect{0, 0, 30, 20};
  AcrossEnds(l, 5, 25);
  l->ClRect = TspRect{5, 0, 25, 20};
  skin.CtrlList.push_back(std::move(l));
  skin.Empty = false;
  menu->SetSkinData(&skin);
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->FSkinSupport);
  RECT header = Cell(0), first = Cell(1), button = Cell(8);
  EXPECT_EQ(header.left, 6);
  EXPECT_EQ(header.top, 6);
  EXPECT_EQ(header.bottom, 26) << "as high as the label element";
  EXPECT_EQ(first.top, 27);
  EXPECT_EQ(button.bottom, 27 + 3 * 27 + 26);
  RECT b;
  GetWindowRect(w->Handle(), &b);
  EXPECT_EQ(b.right - b.left, 40 - 28 + 78);
  EXPECT_EQ(b.bottom - b.top, 40 - 28 + (button.bottom - 6));
  // The header strip and the window picture are drawn.
  Dib dib(b.right - b.left, b.bottom - b.top);
  SendMessageW(w->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
  EXPECT_EQ(dib.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dib.At(8, 8), RGB(0, 255, 0));
  menu->Hide();
  menu->SetSkinData(nullptr);
}

TEST_F(ImagesMenuTest, HoveredCellAsksTheSkinHintForItsHint) {
  auto* hint = new TspSkinHint(nullptr);
  menu->SetSkinHint(hint);
  menu->ImagesItems()->Items(2)->Hint = "Olive";
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  RECT c = Cell(2), d = Cell(3);
  SendMessageW(w->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(c.left + 3, c.top + 3));
  EXPECT_EQ(w->MouseInItem, 2);
  EXPECT_TRUE(hint->TimerPending());
  EXPECT_EQ(hint->HintText, "Olive");
  SendMessageW(w->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(d.left + 3, d.top + 3));
  EXPECT_EQ(w->MouseInItem, 3);
  EXPECT_FALSE(hint->TimerPending()) << "a cell without a hint hides it";
  menu->Hide();
  delete hint;
  EXPECT_EQ(menu->SkinHint(), nullptr);
}

TEST_F(ImagesMenuTest, ColumnsCountAcceptsOneToFifty) {
  for (int bad : {0, 51, -3}) {
    menu->SetColumnsCount(bad);
    EXPECT_EQ(menu->ColumnsCount(), 3);
  }
  menu->SetColumnsCount(50);
  EXPECT_EQ(menu->ColumnsCount(), 50);
  menu->SetColumnsCount(1);
  EXPECT_EQ(menu->ColumnsCount(), 1);
}

TEST_F(ImagesMenuTest, KeyNavigationTable) {
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  struct Case {
    int from;
    WORD key;
    int to;
  };
  const Case cases[] = {
      {-1, VK_RIGHT, 1}, {-1, VK_DOWN, 1}, {-1, VK_LEFT, 8}, {-1, VK_UP, 8},  // item 0 is a header
      {1, VK_LEFT, 8},   {8, VK_RIGHT, 1}, {3, VK_RIGHT, 4}, {5, VK_LEFT, 4},
      {4, VK_UP, 1},     {1, VK_DOWN, 4},  {7, VK_DOWN, 8},  {8, VK_UP, 7},
      {5, VK_DOWN, 8},  // no cell below in its column: the button row
      {2, VK_UP, 2},    // nothing above the first row
  };
  for (const Case& c : cases) {
    w->MouseInItem = c.from;
    w->ProcessKey(c.key);
    EXPECT_EQ(w->MouseInItem, c.to) << "from " << c.from << " key " << c.key;
  }
  menu->Hide();
}

TEST_F(ImagesMenuTest, KeysGoThroughTheMessageHookAndEnterChooses) {
  menu->ItemIndex = 2;
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  // Enter without a current item keeps the choice: item events, no change.
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  Application->ProcessMessages();
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(log, (Log{"close", "item2", "itemclick"}));

  w = Open();
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  Application->ProcessMessages();
  EXPECT_EQ(menu->ItemIndex, 2 + 0) << "right twice from none: items 1 then 2";
  EXPECT_EQ(log, (Log{"close", "item2", "itemclick"}));

  w = Open();
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  Application->ProcessMessages();
  EXPECT_EQ(menu->ItemIndex, 4);
  EXPECT_EQ(log, (Log{"close", "item4", "itemclick", "change"}));

  w = Open();
  PostMessageW(w->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  Application->ProcessMessages();
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(log, (Log{"close"}));
}

TEST_F(ImagesMenuTest, ClickOnACellChoosesItAndClickOutsideClosesWithoutChoice) {
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  RECT b;
  GetWindowRect(w->Handle(), &b);
  RECT c = Cell(5);
  int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
  SetCursorPos(b.left + cx, b.top + cy);
  SendMessageW(w->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  EXPECT_EQ(menu->PopupWindow(), w) << "still open while the button is down";
  SendMessageW(w->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(menu->ItemIndex, 5);
  EXPECT_EQ(log, (Log{"close", "item5", "itemclick", "change"}));

  // The same item again: its events, but no change.
  w = Open();
  GetWindowRect(w->Handle(), &b);
  SetCursorPos(b.left + cx, b.top + cy);
  SendMessageW(w->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  SendMessageW(w->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
  EXPECT_EQ(log, (Log{"close", "item5", "itemclick"}));

  // A press outside the grid (the window holds the mouse, so it lands there).
  w = Open();
  GetWindowRect(w->Handle(), &b);
  SetCursorPos(b.left - 100, b.top - 100);
  SendMessageW(w->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-100, -100));
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(log, (Log{"close"}));
  EXPECT_EQ(menu->ItemIndex, 5);
  EXPECT_NE(GetCapture(), w->Handle());
}

TEST_F(ImagesMenuTest, RightClickAltAndReopeningCloseWithoutChoice) {
  for (UINT msg : {UINT(WM_RBUTTONDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_NCLBUTTONDOWN)}) {
    auto* w = Open();
    ASSERT_NE(w, nullptr);
    PostMessageW(Application->Handle(), msg, msg == WM_SYSKEYDOWN ? VK_MENU : 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(menu->PopupWindow(), nullptr) << msg;
    EXPECT_EQ(log, (Log{"close"})) << msg;
  }
  Open();
  menu->Popup(100, 100);
  EXPECT_EQ(log, (Log{"close", "popup"})) << "the open grid closes first";
  menu->Hide();
}

TEST_F(ImagesMenuTest, GridOpensAboveTheAnchorNearTheBottomAndNeverWithoutItems) {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  auto* w = Open(RECT{area.right - 20, area.bottom - 40, area.right, area.bottom - 20});
  ASSERT_NE(w, nullptr);
  RECT b;
  GetWindowRect(w->Handle(), &b);
  EXPECT_EQ(b.bottom, area.bottom - 40) << "above the anchor";
  EXPECT_EQ(b.right, area.right) << "moved left onto the area";
  menu->Hide();

  menu->ImagesItems()->Clear();
  log.clear();
  menu->Popup(10, 10);
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(log, (Log{"popup"}));
  TImageList empty(nullptr, 16, 16);
  menu->ImagesItems()->Add();
  menu->SetImages(&empty);
  log.clear();
  menu->Popup(10, 10);
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(log, (Log{"popup"}));
  menu->SetImages(nullptr);
}

TEST_F(ImagesMenuTest, ItemAssignCopiesPictureCaptionButtonAndHint) {
  TspImagesMenuItem* a = menu->ImagesItems()->Items(1);
  a->SetImageIndex(2);
  a->SetCaption("Red");
  a->Hint = "Red colour";
  a->Button = true;
  a->Color = clRed;
  TspImagesMenuItem* b = menu->ImagesItems()->Items(0);
  b->Assign(a);
  EXPECT_EQ(b->ImageIndex(), 2);
  EXPECT_EQ(b->Caption(), "Red");
  EXPECT_EQ(b->Hint, "Red colour");
  EXPECT_TRUE(b->Button);
  EXPECT_TRUE(b->Header) << "not copied";
  EXPECT_NE(b->Color, clRed) << "not copied";
  menu->ItemIndex = 1;
  EXPECT_EQ(menu->SelectedItem(), a);
  menu->ItemIndex = 42;
  EXPECT_EQ(menu->SelectedItem(), nullptr);
}

// The four button kinds with a picture menu: each shows the chosen item's
// picture, the menu buttons open the grid and come back up when it closes.
TEST(ImagesMenuButtons, ButtonsShowTheChosenPictureAndMenuButtonsOpenTheGrid) {
  TImageList images(nullptr, 16, 16);
  TBitmap pic(48, 16);
  const TColor colours[3] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    pic.Canvas()->Brush()->SetColor(colours[i]);
    pic.Canvas()->FillRect(TRect{i * 16, 0, i * 16 + 16, 16});
  }
  images.AddMasked(&pic, clFuchsia);
  auto* menu = new TspSkinImagesMenu(nullptr);
  menu->SetImages(&images);
  for (const char* caption : {"Red", "Green", "Blue"}) {
    TspImagesMenuItem* it = menu->ImagesItems()->Add();
    it->SetImageIndex(menu->ImagesItems()->Count() - 1);
    it->SetCaption(caption);
  }
  TForm form(nullptr);
  form.SetBounds(40, 40, 400, 200);
  form.Show();
  auto* push = new TspSkinButton(&form);
  auto* speed = new TspSkinSpeedButton(&form);
  auto* menuButton = new TspSkinMenuButton(&form);
  auto* menuSpeed = new TspSkinMenuSpeedButton(&form);
  TControl* all[4] = {push, speed, menuButton, menuSpeed};
  for (int i = 0; i < 4; ++i) {
    all[i]->SetParent(&form);
    all[i]->SetBounds(10 + i * 90, 10, 80, 30);
  }
  push->SetSkinImagesMenu(menu);
  speed->SetSkinImagesMenu(menu);
  menuButton->SetSkinImagesMenu(menu);
  menuSpeed->SetSkinImagesMenu(menu);
  push->UseImagesMenuImage = menuButton->UseImagesMenuImage = true;
  speed->UseImagesMenuImage = menuSpeed->UseImagesMenuImage = true;
  auto pixels = [&](TControl* c, TColor colour) {
    Dib whole(400, 200);
    form.PaintTo(whole.dc, 0, 0);
    int n = 0;
    for (int y = c->Top(); y < c->Top() + c->Height(); ++y)
      for (int x = c->Left(); x < c->Left() + c->Width(); ++x) n += whole.At(x, y) == ColorToRGB(colour);
    return n;
  };
  menu->ItemIndex = 1;
  for (TControl* c : all) EXPECT_GE(pixels(c, clLime), 200) << "the chosen item's picture";

  // The menu button opens the grid; a choice there closes it, the button
  // comes back up and shows the new picture.
  HWND h = menuButton->Handle();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
  TspSkinImagesMenuPopupWindow* w = menu->PopupWindow();
  ASSERT_NE(nullptr, w);
  EXPECT_TRUE(menuButton->Down());
  RECT b, c = menu->ImagesItems()->Items(2)->ItemRect;
  GetWindowRect(w->Handle(), &b);
  int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
  SetCursorPos(b.left + cx, b.top + cy);
  SendMessageW(w->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  SendMessageW(w->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
  EXPECT_EQ(nullptr, menu->PopupWindow());
  EXPECT_EQ(2, menu->ItemIndex);
  EXPECT_FALSE(menuButton->Down());
  EXPECT_FALSE(menuButton->MenuTracked());
  EXPECT_GE(pixels(menuButton, clBlue), 200);
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(20, 15));

  // The windowless one the same way, through its parent.
  SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(menuSpeed->Left() + 20, 25));
  w = menu->PopupWindow();
  ASSERT_NE(nullptr, w);
  EXPECT_TRUE(menuSpeed->Down());
  menu->Hide();
  EXPECT_FALSE(menuSpeed->Down());
  EXPECT_FALSE(menuSpeed->MenuTracked());
  SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(menuSpeed->Left() + 20, 25));

  // With the caption: the item's own.
  push->UseImagesMenuCaption = true;
  EXPECT_GE(pixels(push, clBlue), 200);

  // A button that goes leaves the other buttons' events alone: the grid the
  // windowless one opened still releases it when it closes.
  SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(menuSpeed->Left() + 20, 25));
  ASSERT_NE(nullptr, menu->PopupWindow());
  EXPECT_TRUE(menuSpeed->Down());
  delete menuButton;
  menu->Hide();
  EXPECT_FALSE(menuSpeed->Down());
  EXPECT_FALSE(menuSpeed->MenuTracked());
  SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(menuSpeed->Left() + 20, 25));

  // A destroyed menu is forgotten.
  delete menu;
  EXPECT_EQ(nullptr, push->SkinImagesMenu());
  EXPECT_EQ(nullptr, menuSpeed->SkinImagesMenu());
  EXPECT_EQ(0, pixels(push, clBlue));
}

}  // namespace
