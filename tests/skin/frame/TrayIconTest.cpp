// The notification-area icon: the shell calls, the click timing of the
// simulated shell callbacks, the popup menu link, re-adding after a shell
// restart, and the limits of the tip and balloon texts.
#include "support/gtest.h"

#include <cstring>
#include <memory>
#include <string>

#include "framework/Forms.h"
#include "skin/controls/FakeTimers.h"
#include "skin/frame/spTrayIcon.h"

namespace {

struct FakeMenu : TspTrayPopupMenu {
  TComponent component{nullptr};
  bool autoPopup = true;
  int popups = 0, defaults = 0;
  TComponent* popupComponent = nullptr;
  TComponent* MenuComponent() override { return &component; }
  bool AutoPopup() const override { return autoPopup; }
  void SetPopupComponent(TComponent* c) override { popupComponent = c; }
  void Popup(int, int) override { ++popups; }
  bool ClickDefaultItem() override {
    ++defaults;
    return true;
  }
};

std::string Text(const WCHAR* w) {
  std::u16string s(reinterpret_cast<const char16_t*>(w));
  return UTF16ToUTF8(s);
}

class TrayIconTest : public ::testing::Test {
protected:
  void SetUp() override {
    tray = std::make_unique<TspTrayIcon>(nullptr);
    tray->OnClick = [this](TObject*) { ++clicks; };
    tray->OnDblClick = [this](TObject*) { ++dblClicks; };
    tray->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  }
  void Shell(UINT mouse) { SendMessageW(tray->Handle(), WM_SPTRAYICONNOTIFY, 1, mouse); }

  std::unique_ptr<TspTrayIcon> tray;
  int clicks = 0, dblClicks = 0, downs = 0;
};

TEST_F(TrayIconTest, IconIsAddedAndDeletedInTheNotificationArea) {
  ASSERT_TRUE(tray->ShowIcon());
  EXPECT_TRUE(tray->IconVisible());
  EXPECT_EQ(tray->IconData().uID, 1u);
  EXPECT_EQ(tray->IconData().uCallbackMessage, 0x800u);
  EXPECT_EQ(tray->IconData().uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_NE(tray->IconData().hIcon, nullptr) << "the program's icon by default";
  EXPECT_TRUE(tray->Refresh()) << "the icon is there to modify";
  ASSERT_TRUE(tray->HideIcon());
  EXPECT_FALSE(tray->IconVisible());
  EXPECT_FALSE(tray->Refresh()) << "nothing left to modify";
}

TEST_F(TrayIconTest, ClickComesOnlyAfterTheDoubleClickTimeAndADoubleClickAlone) {
  FakeTimers timers;
  const unsigned dbl = GetDoubleClickTime();
  Shell(WM_LBUTTONDOWN);
  Shell(WM_LBUTTONUP);
  EXPECT_EQ(clicks, 0);
  timers.Advance(dbl - 1);
  EXPECT_EQ(clicks, 0);
  timers.Advance(1);
  EXPECT_EQ(clicks, 1);

  // A double click: one OnDblClick and no OnClick.
  Shell(WM_LBUTTONDOWN);
  Shell(WM_LBUTTONUP);
  Shell(WM_LBUTTONDBLCLK);
  Shell(WM_LBUTTONUP);
  timers.Advance(dbl);
  EXPECT_EQ(dblClicks, 1);
  EXPECT_EQ(clicks, 1);

  // Two clicks further apart than the double-click time: two clicks.
  for (int i = 0; i < 2; ++i) {
    Shell(WM_LBUTTONDOWN);
    Shell(WM_LBUTTONUP);
    timers.Advance(dbl + 10);
  }
  EXPECT_EQ(clicks, 3);

  // Held longer than the double-click time: the click comes on release.
  Shell(WM_LBUTTONDOWN);
  timers.Advance(dbl + 10);
  EXPECT_EQ(clicks, 3);
  Shell(WM_LBUTTONUP);
  EXPECT_EQ(clicks, 4);
}

TEST_F(TrayIconTest, DisabledIconIgnoresEveryCallback) {
  FakeTimers timers;
  FakeMenu menu;
  tray->SetPopupMenu(&menu);
  int balloons = 0;
  tray->OnBalloonHintClick = [&](TObject*) { ++balloons; };
  tray->Enabled = false;
  for (UINT m : {UINT(WM_LBUTTONDOWN), UINT(WM_LBUTTONUP), UINT(WM_LBUTTONDBLCLK), UINT(WM_RBUTTONDOWN),
                 UINT(WM_RBUTTONUP), UINT(NIN_SPBALLOONUSERCLICK)})
    Shell(m);
  timers.Advance(2000);
  EXPECT_EQ(clicks + dblClicks + downs + balloons + menu.popups + menu.defaults, 0);
  tray->Enabled = true;
  Shell(NIN_SPBALLOONUSERCLICK);
  EXPECT_EQ(balloons, 1);
  tray->SetPopupMenu(nullptr);
}

TEST_F(TrayIconTest, PopupMenuOpensOnTheRightButtonOrTheLeftOneWhenAsked) {
  FakeTimers timers;
  FakeMenu menu;
  tray->SetPopupMenu(&menu);
  Shell(WM_RBUTTONDOWN);
  EXPECT_EQ(menu.popups, 1);
  EXPECT_EQ(menu.popupComponent, tray.get());
  Shell(WM_LBUTTONDOWN);
  EXPECT_EQ(menu.popups, 1);
  Shell(WM_LBUTTONDBLCLK);
  EXPECT_EQ(menu.defaults, 1) << "a double click runs the default item";

  tray->PopupByLeftButton = true;
  Shell(WM_LBUTTONDOWN);
  EXPECT_EQ(menu.popups, 2);
  Shell(WM_LBUTTONDBLCLK);
  EXPECT_EQ(menu.defaults, 1) << "not with the menu on the left button";

  menu.autoPopup = false;
  Shell(WM_RBUTTONDOWN);
  EXPECT_EQ(menu.popups, 2);
  timers.Advance(1000);
  tray->SetPopupMenu(nullptr);
}

TEST_F(TrayIconTest, FreedMenuIsForgotten) {
  auto* menu = new FakeMenu;
  tray->SetPopupMenu(menu);
  delete menu;
  EXPECT_EQ(tray->PopupMenu(), nullptr);
  Shell(WM_RBUTTONDOWN);
  EXPECT_EQ(downs, 1);
}

TEST_F(TrayIconTest, ShellRestartAddsAVisibleIconAgain) {
  ASSERT_TRUE(tray->ShowIcon());
  // The shell forgets every icon when it restarts.
  NOTIFYICONDATAW gone = tray->IconData();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
  ASSERT_FALSE(tray->Refresh());
  SendMessageW(Application->Handle(), TspTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(tray->Refresh()) << "added again";

  tray->HideIcon();
  SendMessageW(Application->Handle(), TspTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_FALSE(tray->Refresh()) << "a hidden icon stays away";
}

TEST_F(TrayIconTest, TipAndBalloonTextsAreCutToTheShellsLimits) {
  tray->ShowIcon();
  tray->SetHint(std::string(200, 'h'));
  EXPECT_EQ(Text(tray->IconData().szTip), std::string(127, 'h'));
  tray->SetShowHint(false);
  EXPECT_EQ(Text(tray->IconData().szTip), "");
  tray->SetShowHint(true);

  EXPECT_TRUE(tray->ShowBalloonHint(std::string(100, 't'), std::string(300, 'b'), spbitWarning));
  EXPECT_EQ(Text(tray->IconData().szInfo), std::string(255, 'b'));
  EXPECT_EQ(Text(tray->IconData().szInfoTitle), std::string(63, 't'));
  EXPECT_EQ(tray->IconData().dwInfoFlags, DWORD(NIIF_WARNING));
  EXPECT_EQ(tray->IconData().uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP)) << "flags back after the balloon";
  EXPECT_TRUE(tray->HideBalloonHint());
  EXPECT_EQ(Text(tray->IconData().szInfo), "");
  tray->HideIcon();
}

TEST_F(TrayIconTest, IconIndexStaysInsideTheListAndCyclingWraps) {
  FakeTimers timers;
  TImageList list(nullptr, 16, 16);
  TBitmap strip(64, 16);
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(TRect{0, 0, 64, 16});
  list.AddMasked(&strip, clFuchsia);
  ASSERT_EQ(list.Count(), 4);
  tray->SetIconList(&list);
  tray->SetIconIndex(99);
  EXPECT_EQ(tray->IconIndex(), 3);
  tray->SetIconIndex(-5);
  EXPECT_EQ(tray->IconIndex(), 0);

  std::vector<int> next;
  tray->OnCycle = [&](TObject*, int n) { next.push_back(n); };
  tray->SetAnimateTimerInterval(100);
  tray->SetCycleIcons(true);
  timers.Advance(400);
  EXPECT_EQ(next, (std::vector<int>{1, 2, 3, 0}));
  EXPECT_EQ(tray->IconIndex(), 0);
  tray->SetCycleIcons(false);
  timers.Advance(400);
  EXPECT_EQ(next.size(), 4u);

  TImageList empty(nullptr, 16, 16);
  HICON before = tray->Icon()->Handle();
  tray->SetIconList(&empty);
  tray->SetIconIndex(2);
  EXPECT_EQ(tray->IconIndex(), 0);
  EXPECT_EQ(tray->Icon()->Handle(), before) << "an empty list keeps the icon";
  tray->SetIconList(nullptr);
}

TEST_F(TrayIconTest, MinimizingTheApplicationHidesTheMainFormIntoTheTray) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  auto* icon = new TspTrayIcon(main);
  icon->MinimizeToTray = true;
  main->Show();
  ASSERT_TRUE(IsWindowVisible(main->Handle()));
  SendMessageW(Application->Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(IsWindowVisible(main->Handle()));
  EXPECT_TRUE(icon->IconVisible());
  icon->ShowMainForm();
  EXPECT_TRUE(IsWindowVisible(main->Handle()));
  EXPECT_EQ(main->Tag, -10000);
  delete main;
}

}  // namespace

#include "skin/frame/SkinMenus.h"

TEST(TrayIconSkinMenu, TheSkinnedMenuServesTheIconAndItsDefaultItemRunsOnADoubleClick) {
  TspSkinPopupMenu menu(nullptr);
  int opened = 0, plain = 0;
  auto* item = new TMenuItem(&menu);
  item->SetCaption("Show");
  item->OnClick = [&](TObject*) { ++plain; };
  auto* def = new TMenuItem(&menu);
  def->SetCaption("Open");
  def->Default = true;
  def->OnClick = [&](TObject*) { ++opened; };
  menu.Items()->Add(item);
  menu.Items()->Add(def);

  TspTrayPopupMenu& link = menu;
  EXPECT_EQ(&menu, link.MenuComponent());
  EXPECT_TRUE(link.AutoPopup());
  EXPECT_TRUE(link.ClickDefaultItem());
  EXPECT_EQ(1, opened);
  EXPECT_EQ(0, plain);
  // A disabled default item is not run; without one nothing is.
  def->Enabled = false;
  EXPECT_FALSE(link.ClickDefaultItem());
  def->Default = false;
  def->Enabled = true;
  EXPECT_FALSE(link.ClickDefaultItem());
  EXPECT_EQ(1, opened);

  TspTrayIcon tray(nullptr);
  tray.SetPopupMenu(&menu);
  def->Default = true;
  SendMessageW(tray.Handle(), WM_SPTRAYICONNOTIFY, 1, WM_LBUTTONDBLCLK);
  EXPECT_EQ(2, opened);
}
