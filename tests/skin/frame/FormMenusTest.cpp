// The menus of a skinned form on real windows: the system menu per window
// state, Alt+Space, the menu bar's keyboard mode, popup menus opened from
// controls, caption buttons with menus, shortcut keys and the edit menus.
#include "support/gtest.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "FrameTestSkin.h"
#include "support/Dib.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/FormMenus.h"
#include "skin/frame/SkinHint.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/spTrayIcon.h"
#include "MenuNoticeRecorder.h"

namespace {

struct Fixture {
  TForm* form = new TForm(nullptr);
  TspDynamicSkinForm* sf;
  TspFormMenus* fm;
  std::vector<std::string> log;

  explicit Fixture(TspSkinData* skin = nullptr) {
    form->SetBounds(200, 150, 400, 300);
    sf = new TspDynamicSkinForm(form);
    if (skin) sf->SetSkinData(skin);
    fm = spFormMenus(sf);
    form->Show();
    Pump();
    SetCursorPos(0, 0);
  }
  ~Fixture() {
    if (fm && fm->SkinMenu->Visible()) fm->SkinMenu->Hide();
    Pump();
    delete form;
    Pump();
  }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  static void Pump() { Application->ProcessMessages(); }
  HWND h() { return form->Handle(); }

  TMenuItem* Add(TMenuItem* parent, const std::string& caption, std::string* ran = nullptr) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    if (ran) item->OnClick = [ran, caption](TObject*) { *ran += caption + ";"; };
    parent->Add(item);
    return item;
  }
  void Key(HWND target, WORD vk, bool alt = false) {
    const LPARAM lp = 1 | (alt ? (LPARAM(KF_ALTDOWN) << 16) : 0);
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
    Pump();
  }
  std::vector<std::string> Names(TMenuItem* root) {
    std::vector<std::string> n;
    for (int i = 0; i < root->Count(); ++i)
      n.push_back(root->Items(i)->IsLine() ? "-" : root->Items(i)->Name());
    return n;
  }
  TspSkinStdButtonObject* Button(TStdCommand c) {
    for (auto& o : sf->ObjectList)
      if (auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get()))
        if (b->Command == c) return b;
    return nullptr;
  }
  RECT FirstWindowRect() {
    RECT r{};
    if (TspSkinPopupWindow* w = fm->SkinMenu->FPopupList.empty() ? nullptr : fm->SkinMenu->FPopupList[0])
      GetWindowRect(w->Handle(), &r);
    return r;
  }
};

using Names = std::vector<std::string>;

TEST(FormMenus, TheFrameGetsTheSkinnedMenusAndTheHint) {
  Fixture f;
  ASSERT_NE(f.fm, nullptr);
  EXPECT_NE(f.sf->HintHandler, nullptr);
  // A popup menu of the form finds the form's chain through the component.
  EXPECT_EQ(FindSkinMenuHost(f.form), static_cast<TspSkinMenuHost*>(f.fm));
}

TEST(FormMenus, CaptionButtonHintsGoThroughTheFormsSkinnedHint) {
  frametest::FrameSkin skin;
  Fixture f(&skin.data);
  TspFormHints* hints = spFormHints(f.sf);
  ASSERT_NE(hints, nullptr);
  f.sf->ShowObjectHint = true;
  SendMessageW(f.h(), WM_ACTIVATE, WA_ACTIVE, 0);
  auto* hint = new TspSkinHint(f.form);
  hints->SetSkinHint(hint);
  TspSkinStdButtonObject* close = f.Button(cmClose);
  ASSERT_NE(close, nullptr);
  ASSERT_EQ(close->Hint, "Close");
  const TRect r = close->ObjectRect;
  f.sf->TestActive(r.Left + 2, r.Top + 2, true);
  EXPECT_EQ(hint->HintText, "Close");
  EXPECT_TRUE(hint->TimerPending());
  // Leaving the button cancels the pending hint.
  f.sf->TestActive(-1, -1, false);
  EXPECT_FALSE(hint->TimerPending());
  // The hint component going away leaves the form without one.
  delete hint;
  EXPECT_EQ(hints->SkinHint(), nullptr);
  f.sf->TestActive(r.Left + 2, r.Top + 2, true);
}

TEST(FormMenus, SystemMenuHoldsTheCommandsOfTheWindowState) {
  Fixture f;
  const std::string kMin = "DSF_MINITEM", kMax = "DSF_MAXITEM", kRes = "DSF_RESTORE", kRoll = "DSF_ROLLUP",
                    kTray = "DSF_MINTOTRAY", kClose = "DSF_CLOSE";
  struct Case {
    const char* what;
    TspBorderIcons icons;
    TWindowState state;
    bool rolled;
    Names expected;
  } cases[] = {
      {"normal", biSystemMenu | biMinimize | biMaximize | biRollUp, wsNormal, false,
       {kMin, kMax, kRoll, "-", kClose}},
      {"maximized", biSystemMenu | biMinimize | biMaximize | biRollUp, wsMaximized, false,
       {kMin, kRes, kRoll, "-", kClose}},
      {"minimized", biSystemMenu | biMinimize | biMaximize | biRollUp | biMinimizeToTray, wsMinimized, false,
       {kMax, kRes, kTray, "-", kClose}},
      {"rolled up", biSystemMenu | biMinimize | biMaximize | biRollUp, wsNormal, true, {kMin, kMax, kRes, "-", kClose}},
      {"no icons", 0, wsNormal, false, {kClose}},
  };
  for (const Case& c : cases) {
    f.sf->SetBorderIcons(c.icons);
    f.sf->SetWindowState(c.state);
    f.sf->SetRollUpState(c.rolled);
    Fixture::Pump();
    EXPECT_EQ(f.Names(f.fm->GetSystemMenuItems()), c.expected) << c.what;
    f.sf->SetRollUpState(false);
    f.sf->SetWindowState(wsNormal);
    Fixture::Pump();
  }
  // Close shows the window's key and closes the form.
  TMenuItem* close = f.fm->GetSystemMenuItems()->Items(f.fm->GetSystemMenuItems()->Count() - 1);
  EXPECT_EQ(ShortCutToText(close->ShortCut()), "Alt+F4");
  EXPECT_EQ(close->Caption(), "&Close");
}

TEST(FormMenus, ApplicationSystemMenuKeepsOneCopyOfEachCommand) {
  Fixture f;
  TPopupMenu own(nullptr);
  f.Add(own.Items(), "About");
  own.Items()->Items(0)->SetName("about");
  f.fm->SetSystemMenu(&own);
  f.fm->GetSystemMenuItems();
  f.fm->GetSystemMenuItems();
  EXPECT_EQ(f.Names(own.Items()), (Names{"DSF_MINITEM", "DSF_MAXITEM", "DSF_ROLLUP", "about", "DSF_CLOSE"}));
  f.sf->SetWindowState(wsMaximized);
  Fixture::Pump();
  EXPECT_EQ(f.Names(f.fm->GetSystemMenuItems()),
            (Names{"DSF_MINITEM", "DSF_RESTORE", "DSF_ROLLUP", "about", "DSF_CLOSE"}));
  f.sf->SetWindowState(wsNormal);
  // Without the standard commands the menu stays as the program made it.
  f.sf->UseDefaultSysMenu = false;
  TPopupMenu plain(nullptr);
  f.Add(plain.Items(), "Only");
  f.fm->SetSystemMenu(&plain);
  EXPECT_EQ(f.fm->GetSystemMenuItems()->Count(), 1);
  f.fm->SetSystemMenu(nullptr);
}

TEST(FormMenus, SystemMenuCommandsChangeTheWindow) {
  Fixture f;
  f.fm->SysMenuMaximizeClick();
  EXPECT_EQ(f.sf->WindowState(), wsMaximized);
  f.fm->SysMenuRestoreClick();
  EXPECT_EQ(f.sf->WindowState(), wsNormal);
  f.fm->SysMenuRollUpClick();
  EXPECT_TRUE(f.sf->RollUpState());
  f.fm->SysMenuRestoreClick();
  EXPECT_FALSE(f.sf->RollUpState());
  // Without an icon, minimizing to the tray does nothing at all.
  int trays = 0, restores = 0;
  f.sf->OnMinimizeToTray = [&](TObject*) { ++trays; };
  f.fm->OnRestoreFromTray = [&](TObject*) { ++restores; };
  f.sf->AlwaysMinimizeToTray = true;
  f.fm->SysMenuMinimizeClick();
  f.fm->RestoreFromTray();
  EXPECT_EQ(trays, 0);
  EXPECT_EQ(restores, 0);
  EXPECT_EQ(f.sf->WindowState(), wsNormal);
  // With one, the form goes to the icon and comes back; the icon gets the
  // form's tray menu and hides again afterwards.
  {
    TspTrayIcon icon(nullptr);
    f.fm->SetTrayIcon(&icon);
    EXPECT_EQ(icon.PopupMenu(), static_cast<TspTrayPopupMenu*>(f.fm->FSysTrayMenu));
    f.fm->SysMenuMinimizeClick();
    EXPECT_EQ(trays, 1);
    EXPECT_TRUE(icon.MinimizeToTray);
    EXPECT_TRUE(Application->Minimized());
    f.fm->RestoreFromTray();
    EXPECT_EQ(restores, 1);
    EXPECT_FALSE(icon.MinimizeToTray);
    EXPECT_FALSE(Application->Minimized());
    EXPECT_FALSE(icon.IconVisible());
  }
  // The icon went: the form forgot it.
  EXPECT_EQ(f.fm->TrayIcon(), nullptr);
  f.fm->SysMenuMinimizeToTrayClick();
  EXPECT_EQ(trays, 1);
  // The tray menu: Restore, a line, Close.
  TMenuItem* tray = f.fm->FSysTrayMenu->Items();
  ASSERT_EQ(tray->Count(), 3);
  EXPECT_EQ(tray->Items(0)->Name(), "TRAY_DSF_RESTORE");
  EXPECT_TRUE(tray->Items(1)->IsLine());
  EXPECT_EQ(tray->Items(2)->Name(), "TRAY_DSF_CLOSE");
}

TEST(FormMenus, MenuSettingsKeepTheirLastGoodValueAndAMenuItGivenGoesWithIt) {
  Fixture f;
  f.fm->SetMaxMenuItemsInWindow(5);
  f.fm->SetMaxMenuItemsInWindow(-1);
  EXPECT_EQ(f.fm->MaxMenuItemsInWindow(), 5);
  f.fm->SetDefMenuItemHeight(24);
  f.fm->SetDefMenuItemHeight(0);
  EXPECT_EQ(f.fm->DefMenuItemHeight(), 24);
  auto* own = new TPopupMenu(nullptr);
  f.fm->SetSystemMenu(own);
  delete own;
  EXPECT_EQ(f.fm->SystemMenu(), nullptr);
  EXPECT_EQ(f.fm->GetSystemMenuItems()->Items(0)->Name(), "DSF_MINITEM");
  // A caption button linked to a menu opens it on the press.
  TPopupMenu menu(nullptr);
  f.Add(menu.Items(), "Linked");
  f.fm->LinkMenu("no such button", &menu, false);
  f.sf->ObjectList.push_back(std::make_unique<TspSkinButtonObject>(f.sf, nullptr));
  auto* b = static_cast<TspSkinButtonObject*>(f.sf->ObjectList.back().get());
  b->IDName = "menubutton";
  b->ObjectRect = TRect{40, 4, 56, 20};
  f.fm->LinkMenu("menubutton", &menu, false);
  EXPECT_EQ(b->MenuItem, menu.Items());
  b->MouseDown(1, 1, mbLeft);
  EXPECT_TRUE(f.fm->SkinMenu->Visible());
  f.fm->SkinMenu->Hide();
  Fixture::Pump();
  b->MenuItem = nullptr;
}

TEST(FormMenus, AltSpaceOpensTheSystemMenuUnderItsButton) {
  Fixture f;
  TspSkinStdButtonObject* sys = f.Button(cmSysMenu);
  ASSERT_NE(sys, nullptr);
  ASSERT_TRUE(sys->Enabled);
  f.Key(f.h(), VK_SPACE, true);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_TRUE(f.sf->InMenu);
  RECT w = f.FirstWindowRect();
  const TRect fb = f.sf->FormBounds();
  EXPECT_EQ(w.left, fb.Left + sys->ObjectRect.Left);
  EXPECT_EQ(w.top, fb.Top + sys->ObjectRect.Bottom);
  // Esc closes it and gives the keyboard back.
  f.Key(f.h(), VK_ESCAPE);
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_FALSE(f.sf->InMenu);
  EXPECT_FALSE(f.fm->AppHooked());
  // With the system menu disabled nothing opens.
  f.sf->DisableSystemMenu = true;
  f.Key(f.h(), VK_SPACE, true);
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
}

TEST(FormMenus, SystemMenuItemRunsItsCommandFromTheKeyboard) {
  Fixture f;
  f.fm->PopupSystemMenuAt(250, 200);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  // The menu opens on Minimize; the next item is Maximize.
  f.Key(f.h(), VK_DOWN);
  f.Key(f.h(), VK_RETURN);
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_FALSE(f.sf->InMenu);
  EXPECT_EQ(f.sf->WindowState(), wsMaximized);
}

TEST(FormMenus, WheelIsSwallowedWhileAMenuIsOpen) {
  Fixture f;
  f.fm->PopupSystemMenuAt(250, 200);
  MSG m{f.h(), WM_MOUSEWHEEL, 0, 0};
  bool handled = false;
  f.fm->AppMessageHook(m, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(m.message, UINT(WM_NULL));
  MSG other{f.h(), WM_MOUSEMOVE, 0, 0};
  handled = false;
  f.fm->AppMessageHook(other, handled);
  EXPECT_FALSE(handled);
}

TEST(FormMenus, OpeningTwiceRaisesOneOpenAndOneClose) {
  Fixture f;
  int opens = 0, closes = 0;
  f.fm->OnSkinMenuOpen = [&](TObject*) { ++opens; };
  f.fm->OnSkinMenuClose = [&](TObject*) { ++closes; };
  f.fm->PopupSystemMenuAt(250, 200);
  f.fm->SkinMenuOpen();
  EXPECT_EQ(opens, 1);
  // A click on the form closes the menu.
  SendMessageW(f.h(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  Fixture::Pump();
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(f.fm->AppHooked());
}

struct BarFixture : Fixture {
  TspSkinMainMenu* menu = new TspSkinMainMenu(form);
  TspSkinMainMenuBar* bar = new TspSkinMainMenuBar(form);
  std::string ran;
  TMenuItem *file, *edit, *help;
  BarFixture() {
    file = Add(menu->Items(), "&File");
    Add(file, "&Open", &ran);
    Add(file, "E&xit", &ran);
    edit = Add(menu->Items(), "&Edit");
    Add(edit, "&Copy", &ran);
    help = Add(menu->Items(), "&Help");
    Add(help, "&About", &ran);
    bar->SetParent(form);
    bar->SetDynamicSkinForm(sf);
    bar->SetMainMenu(menu);
    Pump();
    bar->Repaint();
  }
  int ActiveIndex() {
    for (int i = 0; i < bar->ItemCount(); ++i)
      if (bar->Item(i)->Active || bar->Item(i)->FDown) return i;
    return -1;
  }
};

TEST(FormMenus, MenuBarKeyboardModeWrapsOpensAndLeaves) {
  BarFixture f;
  ASSERT_EQ(f.bar->ItemCount(), 3);
  EXPECT_EQ(f.fm->MainMenuBar, f.bar);
  // The system key enters the menu mode on the first item.
  SendMessageW(f.h(), WM_SYSCOMMAND, SC_KEYMENU, 0);
  EXPECT_TRUE(f.sf->InMainMenu);
  EXPECT_EQ(f.ActiveIndex(), 0);
  f.Key(f.h(), VK_RIGHT);
  EXPECT_EQ(f.ActiveIndex(), 1);
  f.Key(f.h(), VK_RIGHT);
  f.Key(f.h(), VK_RIGHT);
  EXPECT_EQ(f.ActiveIndex(), 0);  // wrapped
  f.Key(f.h(), VK_LEFT);
  EXPECT_EQ(f.ActiveIndex(), 2);  // and back
  // Enter drops the item's menu down under it.
  f.Key(f.h(), VK_RETURN);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_TRUE(f.bar->Item(2)->FDown);
  RECT w = f.FirstWindowRect();
  POINT below = f.bar->ClientToScreen(POINT{f.bar->Item(2)->ObjectRect.Left, f.bar->Item(2)->ObjectRect.Bottom});
  EXPECT_EQ(w.left, below.x);
  EXPECT_EQ(w.top, below.y);
  // Right on a leaf moves the open drop-down to the next item (wrapping).
  f.Key(f.h(), VK_RIGHT);
  EXPECT_TRUE(f.bar->Item(0)->FDown);
  EXPECT_FALSE(f.bar->Item(2)->FDown);
  EXPECT_TRUE(f.fm->SkinMenu->Visible());
  // Esc closes the drop-down but keeps the mode; a second Esc leaves it.
  f.Key(f.h(), VK_ESCAPE);
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_TRUE(f.sf->InMainMenu);
  EXPECT_EQ(f.ActiveIndex(), 0);
  f.Key(f.h(), VK_ESCAPE);
  EXPECT_FALSE(f.sf->InMainMenu);
  EXPECT_EQ(f.ActiveIndex(), -1);
  EXPECT_FALSE(f.fm->AppHooked());
}

TEST(FormMenus, AltKeyEntersMenuModeAndAnItemRunsFromTheKeyboard) {
  BarFixture f;
  // Alt pressed and released alone: the system turns it into the menu key.
  PostMessageW(f.h(), WM_SYSKEYDOWN, VK_MENU, 1 | (LPARAM(KF_ALTDOWN) << 16));
  PostMessageW(f.h(), WM_SYSKEYUP, VK_MENU, 1 | (LPARAM(KF_UP | KF_REPEAT) << 16));
  Fixture::Pump();
  ASSERT_TRUE(f.sf->InMainMenu);
  // The accelerator opens File on its first item; Down, Enter runs Exit.
  f.Key(f.h(), 'F');
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  f.Key(f.h(), VK_DOWN);
  f.Key(f.h(), VK_RETURN);
  EXPECT_EQ(f.ran, "E&xit;");
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_FALSE(f.sf->InMainMenu);
  EXPECT_FALSE(f.sf->InMenu);
  // F10 enters the mode too; the system key again leaves it.
  PostMessageW(f.h(), WM_SYSKEYDOWN, VK_F10, 1);
  PostMessageW(f.h(), WM_SYSKEYUP, VK_F10, 1 | (LPARAM(KF_UP | KF_REPEAT) << 16));
  Fixture::Pump();
  EXPECT_TRUE(f.sf->InMainMenu);
  SendMessageW(f.h(), WM_SYSCOMMAND, SC_KEYMENU, 0);
  EXPECT_FALSE(f.sf->InMainMenu);
  EXPECT_FALSE(f.fm->AppHooked());
}

TEST(FormMenus, MenuBarClickOpensAndALeafItemRunsAtOnce) {
  BarFixture f;
  TspSkinMainMenuBarItem* fileItem = f.bar->Item(0);
  const TRect r = fileItem->ObjectRect;
  ASSERT_GT(r.Width(), 0);
  f.bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.Left + 3, r.Top + 3));
  f.bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(r.Left + 3, r.Top + 3));
  EXPECT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_TRUE(fileItem->FDown);
  f.fm->SkinMenu->Hide();
  Fixture::Pump();
  EXPECT_FALSE(f.sf->InMainMenu);
  EXPECT_FALSE(fileItem->FDown);
  // A top-level item without sub-items runs its command on the click.
  std::string ran;
  TMenuItem* direct = f.Add(f.menu->Items(), "Go", &ran);
  (void)direct;
  f.bar->UpDateItems();
  f.bar->Repaint();
  TspSkinMainMenuBarItem* go = f.bar->Item(3);
  ASSERT_NE(go, nullptr);
  f.bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(go->ObjectRect.Left + 2, go->ObjectRect.Top + 2));
  f.bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(go->ObjectRect.Left + 2, go->ObjectRect.Top + 2));
  EXPECT_EQ(ran, "Go;");
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
}

TEST(FormMenus, PlainBarLaysOutItemsAndIgnoresRightAndDisabledClicks) {
  BarFixture f;
  f.bar->SetDefaultHeight(26);
  EXPECT_EQ(f.bar->Height(), 26);
  f.bar->Repaint();
  // Items from the left of the items area, each its caption plus 12 wide.
  TBitmap probe;
  probe.SetSize(1, 1);
  probe.Canvas()->Font()->Assign(f.bar->DefItemFont());
  RECT tr{0, 0, 0, 0};
  DrawTextW(probe.Canvas()->Handle(), u"&Edit", -1, &tr, DT_CALCRECT | DT_CENTER);
  TspSkinMainMenuBarItem* edit = f.bar->Item(1);
  EXPECT_EQ(f.bar->Item(0)->ObjectRect.Left, 2);
  EXPECT_EQ(edit->ObjectRect.Left, f.bar->Item(0)->ObjectRect.Right);
  EXPECT_EQ(edit->ObjectRect.Width(), (tr.right - tr.left) + 12);
  EXPECT_EQ(edit->ObjectRect.Bottom, 26 - 2);
  const TRect r = edit->ObjectRect;
  f.bar->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(r.Left + 2, r.Top + 2));
  f.bar->Perform(WM_RBUTTONUP, 0, MAKELPARAM(r.Left + 2, r.Top + 2));
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  f.edit->Enabled = false;
  f.bar->UpDateEnabledItems();
  f.bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.Left + 2, r.Top + 2));
  f.bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(r.Left + 2, r.Top + 2));
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  // The menu mode passes over the disabled item.
  SendMessageW(f.h(), WM_SYSCOMMAND, SC_KEYMENU, 0);
  f.Key(f.h(), VK_RIGHT);
  EXPECT_EQ(f.ActiveIndex(), 2);
  f.Key(f.h(), VK_ESCAPE);
  EXPECT_FALSE(f.sf->InMainMenu);
}

TEST(FormMenus, NarrowBarHidesItemsThatDoNotFitAndListsThemFromTheMarker) {
  BarFixture f;
  // An invisible item before the ones that do not fit must not shift the list.
  f.edit->Visible = false;
  f.bar->UpDateItems();
  f.bar->SetAlign(alNone);
  f.bar->SetWidth(60);
  f.bar->Repaint();
  ASSERT_TRUE(f.bar->Scroll);
  int hidden = -1;
  for (int i = 0; i < f.bar->ItemCount(); ++i)
    if (!f.bar->Item(i)->Visible) {
      hidden = i;
      break;
    }
  ASSERT_GE(hidden, 0);
  EXPECT_FALSE(f.bar->Item(hidden)->Enabled);
  TRect m = f.bar->MarkerRect();
  f.bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(m.Left + 1, m.Top + 1));
  f.bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(m.Left + 1, m.Top + 1));
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  TspSkinPopupWindow* w = f.fm->SkinMenu->FPopupList[0];
  ASSERT_FALSE(w->ItemList.empty());
  EXPECT_EQ(w->ItemList[0]->MenuItem, f.bar->Item(hidden)->MenuItem);
  f.fm->SkinMenu->Hide();
  // Wide again: every item is back.
  f.bar->SetWidth(380);
  f.bar->Repaint();
  for (int i = 0; i < f.bar->ItemCount(); ++i) EXPECT_TRUE(f.bar->Item(i)->Enabled) << i;
}

TEST(FormMenus, MenuBarInToolBarModeTakesThePanelAndToolButtonLooks) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  BarFixture f;
  f.bar->ToolBarMode = true;
  f.bar->UseSkinSize = false;
  f.bar->SetSkinData(&skin);
  f.bar->SetHeight(30);
  auto look = [&](const char* name, bool active, int x, int y) {
    auto* e = dynamic_cast<TspDataSkinButtonControl*>(skin.CtrlList[size_t(skin.GetControlIndex(name))].get());
    const TspRect& r = active ? e->ActiveSkinRect : e->SkinRect;
    return COLORREF(skin.ActivePicture(e->PictureIndex)->Canvas()->Pixel(r.Left + x, r.Top + y));
  };
  auto* panel = dynamic_cast<TspDataSkinCustomControl*>(skin.CtrlList[size_t(skin.GetControlIndex("panel"))].get());
  ASSERT_NE(panel, nullptr);
  const TspRect& pr = panel->SkinRect;
  const COLORREF face = skin.ActivePicture(panel->PictureIndex)->Canvas()->Pixel((pr.Left + pr.Right) / 2,
                                                                               (pr.Top + pr.Bottom) / 2);
  TspSkinMainMenuBarItem* file = f.bar->Item(0);
  file->MouseEnter();
  Dib dib(f.bar->Width(), f.bar->Height());
  f.bar->PaintTo(dib.dc, 0, 0);
  // The bar stretches the panel picture (the skin has no tool panel of its own).
  EXPECT_EQ(dib.At(f.bar->Width() - 10, 15), face);
  // The hot item is the tool button's hot picture, nine-part: its corner as is.
  const TRect o = file->ObjectRect;
  EXPECT_EQ(dib.At(o.Left + 1, o.Top + 1), look("resizetoolbutton", true, 1, 1));
  EXPECT_EQ(o.Height(), f.bar->NewItemsRect.Height());
}

TEST(FormMenus, MenuBarTakesItsLookFromTheProgramSkin) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  BarFixture f;
  f.bar->SetSkinData(&skin);
  f.sf->SetMenusSkinData(&skin);
  f.bar->Repaint();
  ASSERT_TRUE(f.bar->FSkinSupport);
  // The bar is as high as its picture; the items are laid out from the
  // items area, each as wide as its picture minus its text area plus the
  // caption.
  EXPECT_EQ(f.bar->Height(), 24);
  TspSkinMainMenuBarItem* file = f.bar->Item(0);
  ASSERT_TRUE(file->FSkinSupport);
  EXPECT_EQ(file->ObjectRect.Left, 2);
  EXPECT_EQ(file->ObjectRect.Height(), 24);
  EXPECT_EQ(f.bar->Item(1)->ObjectRect.Left, file->ObjectRect.Right);
  TBitmap probe;
  probe.SetSize(1, 1);
  probe.Canvas()->Font()->SetName(file->FontName);
  probe.Canvas()->Font()->SetHeight(file->FontHeight);
  probe.Canvas()->Font()->SetStyle(file->FontStyle);
  RECT tr{0, 0, 0, 0};
  DrawTextW(probe.Canvas()->Handle(), u"&File", -1, &tr, DT_CALCRECT | DT_CENTER);
  EXPECT_EQ(file->ObjectRect.Width(), (40 - 28) + (tr.right - tr.left) + 2);
  // The hot look differs from the resting one on screen.
  HDC dc = GetDC(f.bar->Handle());
  const COLORREF rest = GetPixel(dc, file->ObjectRect.Left + 1, 12);
  ReleaseDC(f.bar->Handle(), dc);
  file->MouseEnter();
  dc = GetDC(f.bar->Handle());
  const COLORREF hot = GetPixel(dc, file->ObjectRect.Left + 1, 12);
  ReleaseDC(f.bar->Handle(), dc);
  EXPECT_NE(rest, hot);
  file->MouseLeave();
  EXPECT_FALSE(f.bar->MorphTimer->Enabled());
  // With the hover fade, the look goes from resting to hot in five steps of
  // the fade timer, and the timer stops once there.
  file->Morphing = true;
  file->MouseEnter();
  EXPECT_TRUE(f.bar->MorphTimer->Enabled());
  f.bar->MorphTimer->Timer();
  f.bar->MorphTimer->Timer();
  EXPECT_NEAR(file->MorphKf(), 0.4, 1e-9);
  dc = GetDC(f.bar->Handle());
  const COLORREF mid = GetPixel(dc, file->ObjectRect.Left + 1, 12);
  ReleaseDC(f.bar->Handle(), dc);
  EXPECT_NE(mid, rest);
  EXPECT_NE(mid, hot);
  for (int i = 0; i < 4; ++i) f.bar->MorphTimer->Timer();
  EXPECT_EQ(file->MorphKf(), 1.0);
  EXPECT_FALSE(f.bar->MorphTimer->Enabled());
  file->MouseLeave();
  for (int i = 0; i < 6; ++i) f.bar->MorphTimer->Timer();
  EXPECT_EQ(file->MorphKf(), 0.0);
  file->Morphing = false;
  // A hover animation of one frame: shown on the first tick, then the hot
  // look; leaving the item drops back to the resting look at once.
  file->AnimateSkinRect = file->ActiveSkinRect;
  file->FrameCount = 1;
  file->MouseEnter();
  EXPECT_TRUE(f.bar->AnimateTimer->Enabled());
  f.bar->AnimateTimer->Timer();
  EXPECT_EQ(file->CurrentFrame, 1);
  f.bar->AnimateTimer->Timer();
  f.bar->AnimateTimer->Timer();
  EXPECT_EQ(file->CurrentFrame, 2);
  EXPECT_FALSE(f.bar->AnimateTimer->Enabled());
  file->MouseLeave();
  EXPECT_EQ(file->CurrentFrame, 0);
  file->FrameCount = 0;
  // Its drop-down uses the skin's menu look.
  SendMessageW(f.h(), WM_SYSCOMMAND, SC_KEYMENU, 0);
  f.Key(f.h(), VK_RETURN);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_EQ(f.fm->SkinMenu->SkinData, &skin);
  f.Key(f.h(), VK_ESCAPE);
  f.Key(f.h(), VK_ESCAPE);
  EXPECT_FALSE(f.sf->InMainMenu);
  f.bar->SetSkinData(nullptr);
  f.sf->SetMenusSkinData(nullptr);
}

TEST(FormMenus, PopupMenuFromAControlOpensAndClosesItsChain) {
  Fixture f;
  auto* ctrl = new MenuNoticeRecorder(f.form, &f.log);
  ctrl->SetParent(f.form);
  ctrl->SetBounds(10, 10, 80, 24);
  auto* popup = new TspSkinPopupMenu(f.form);
  std::string ran;
  f.Add(popup->Items(), "One", &ran);
  f.Add(popup->Items(), "Two", &ran);
  Fixture::Pump();
  popup->PopupFromRect2(ctrl, RECT{300, 200, 380, 224}, false);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_TRUE(f.sf->InMenu);
  EXPECT_TRUE(f.fm->AppHooked());
  f.Key(ctrl->Handle(), VK_DOWN);
  f.Key(ctrl->Handle(), VK_RETURN);
  EXPECT_EQ(ran, "Two;");
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_FALSE(f.sf->InMenu);
  EXPECT_FALSE(f.fm->AppHooked());
  EXPECT_EQ(f.log, (std::vector<std::string>{"closed", "command"}));
}

TEST(FormMenus, CaptionButtonsOpenTheirMenus) {
  Fixture f;
  // The system-menu button drops the system menu on the press.
  TspSkinStdButtonObject* sys = f.Button(cmSysMenu);
  ASSERT_NE(sys, nullptr);
  sys->MouseDown(1, 1, mbLeft);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_EQ(f.FirstWindowRect().top, f.sf->FormBounds().Top + sys->ObjectRect.Bottom);
  f.fm->SkinMenu->Hide();
  Fixture::Pump();
  EXPECT_FALSE(sys->FDown);
  // A button given a menu opens it and comes up when the menu closes.
  TPopupMenu menu(nullptr);
  f.Add(menu.Items(), "A");
  f.sf->ObjectList.push_back(std::make_unique<TspSkinButtonObject>(f.sf, nullptr));
  TspSkinButtonObject* b = static_cast<TspSkinButtonObject*>(f.sf->ObjectList.back().get());
  b->ObjectRect = TRect{40, 4, 56, 20};
  b->MenuItem = menu.Items();
  b->MouseDown(1, 1, mbLeft);
  EXPECT_TRUE(b->FDown);
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  f.Key(f.h(), VK_ESCAPE);
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_FALSE(b->FDown);
  EXPECT_EQ(f.FirstWindowRect().left, 0);  // the window is gone
  b->MenuItem = nullptr;
}

TEST(FormMenus, ShortcutsOfTheFormsMenuRunTheirItems) {
  BarFixture f;
  TMenuItem* open = f.file->Items(0);
  open->SetShortCut(ShortCut(VK_F5, 0));
  TMenuItem* copy = f.edit->Items(0);
  copy->SetShortCut(ShortCut('C', ssCtrl));
  f.Key(f.h(), VK_F5);
  EXPECT_EQ(f.ran, "&Open;");
  EXPECT_TRUE(f.fm->FormShortCut('C', ssCtrl));
  EXPECT_EQ(f.ran, "&Open;&Copy;");
  // A disabled item's key is not taken.
  copy->Enabled = false;
  EXPECT_FALSE(f.fm->FormShortCut('C', ssCtrl));
  // Alt with a letter opens the bar item; Alt+F4 is never an accelerator.
  f.Key(f.h(), 'H', true);
  EXPECT_TRUE(f.fm->SkinMenu->Visible());
  EXPECT_TRUE(f.bar->Item(2)->FDown);
  f.fm->SkinMenu->Hide();
  Fixture::Pump();
  f.help->SetCaption("F&4");
  EXPECT_FALSE(f.fm->FormShortCut(VK_F4, ssAlt));
  // The program's own handler comes first.
  f.fm->OnShortCut = [](WORD key, TShiftState, bool& handled) { handled = key == VK_F5; };
  f.Key(f.h(), VK_F5);
  EXPECT_EQ(f.ran, "&Open;&Copy;");
}

TEST(FormMenus, EditMenuOpensAsASkinnedMenu) {
  Fixture f;  // the first skinned form put the skinned edit menus in place
  auto* edit = new TspSkinEdit(f.form);
  edit->SetParent(f.form);
  edit->SetBounds(20, 40, 120, 22);
  edit->SetText("hello");
  Fixture::Pump();
  SendMessageW(edit->Handle(), WM_CONTEXTMENU, WPARAM(edit->Handle()), MAKELPARAM(260, 220));
  Fixture::Pump();
  ASSERT_TRUE(f.fm->SkinMenu->Visible());
  TspSkinPopupWindow* w = f.fm->SkinMenu->FPopupList[0];
  bool selectAll = false;
  for (auto* i : w->ItemList) selectAll |= i->MenuItem->Caption() == "Select All";
  EXPECT_TRUE(selectAll);
  // Choosing Select All from the keyboard runs it on the edit.
  edit->SetSelStart(0);
  edit->SetSelLength(0);
  for (int i = 0; i < 10; ++i) {
    if (w->ActiveItem >= 0 && w->ItemList[size_t(w->ActiveItem)]->MenuItem->Caption() == "Select All") break;
    f.Key(edit->Handle(), VK_DOWN);
  }
  f.Key(edit->Handle(), VK_RETURN);
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
  EXPECT_EQ(edit->SelLength(), 5);
}

}  // namespace
