// The skinned popup menus on a shown form: where the windows land, how
// they scroll, the keyboard, the mouse, the order of the notices, and the
// popup-menu component finding its form's menu chain.
#include "support/gtest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "skin/controls/FakeTimers.h"
#include "support/Dib.h"
#include "support/SkinParts.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "skin/frame/SkinMenus.h"
#include "MenuNoticeRecorder.h"

namespace {

// The skinned form component as far as the menus need one.
class TestHost : public TComponent, public TspSkinMenuHost {
public:
  TestHost(TCustomForm* form) : TComponent(form), Menu(new TspSkinMenu(this, form)) {}
  TspSkinMenu* GetSkinMenu() override { return Menu; }
  TspSkinData* GetSkinData() override { return Skin; }
  TspSkinData* GetMenusSkinData() override { return nullptr; }
  void SkinMenuOpen() override { ++Opens; }
  void SkinMenuClose() override {
    ++Closes;
    Menu->Hide();
  }
  TspSkinMenu* Menu;
  TspSkinData* Skin = nullptr;
  int Opens = 0, Closes = 0;
};

struct Fixture {
  TForm form{nullptr};
  TestHost* host;
  TspSkinMenu* menu;
  TPopupMenu popup{nullptr};
  std::vector<std::string> log;
  MenuNoticeRecorder* ctrl;

  Fixture() {
    form.SetBounds(100, 100, 300, 200);
    host = new TestHost(&form);
    menu = host->Menu;
    ctrl = new MenuNoticeRecorder(&form, &log);
    ctrl->SetParent(&form);
    ctrl->SetBounds(10, 10, 80, 24);
    form.Show();
    Application->ProcessMessages();
    // The pointer stays out of the way of every menu of these tests.
    SetCursorPos(0, 0);
  }
  ~Fixture() {
    menu->Hide();
    Application->ProcessMessages();
  }

  TMenuItem* Add(TMenuItem* parent, const std::string& caption, bool enabled = true) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    item->Enabled = enabled;
    parent->Add(item);
    return item;
  }
  void Fill(int count) {
    for (int i = 0; i < count; ++i) Add(popup.Items(), "Item " + std::to_string(i));
  }
  void Open(const TRect& r, bool up = false, TControl* opener = nullptr) {
    menu->Popup(opener, nullptr, 0, r, popup.Items(), up);
  }
  TspSkinPopupWindow* Window(int i) const { return menu->FPopupList.at(static_cast<size_t>(i)); }
  RECT WindowRect(int i) const {
    RECT r;
    GetWindowRect(Window(i)->Handle(), &r);
    return r;
  }
  void Key(int key) { menu->LastWindow()->PopupKeyDown(key); }
  int Active() const { return menu->LastWindow()->ActiveItem; }
  std::string ActiveCaption() const {
    auto* w = menu->LastWindow();
    return w->ActiveItem < 0 ? "" : w->ItemList[static_cast<size_t>(w->ActiveItem)]->MenuItem->Caption();
  }
};

TRect PointRect(int x, int y) { return TRect{x, y, x, y}; }

// Default look: 20-pixel items, a 3-pixel frame on each side.
constexpr int kItem = 20;
constexpr int kFrame = 6;

TEST(TspSkinMenu, WindowsLandWhereThePositionRulesSay) {
  Fixture f;
  f.Fill(20);
  f.Open(PointRect(0, 0));
  const TRect wa = f.menu->WorkArea;
  const int W = f.Window(0)->Width(), H = f.Window(0)->Height();
  ASSERT_EQ(20 * kItem + kFrame, H);
  ASSERT_GT(wa.Height(), 2 * H) << "the work area must hold two menus";
  const int middle = wa.Top + wa.Height() / 2;
  struct Case {
    const char* what;
    TRect anchor;
    bool up;
    int x, y;
  };
  const Case cases[] = {
      {"room below: at the point", PointRect(wa.Left + 10, wa.Top + 10), false, wa.Left + 10, wa.Top + 10},
      {"near the right edge: pulled in", PointRect(wa.Right - 5, wa.Top + 10), false, wa.Right - W, wa.Top + 10},
      {"left of the work area: pushed in", PointRect(wa.Left - 20, wa.Top + 10), false, wa.Left, wa.Top + 10},
      {"near the bottom, lower half: opens upwards", PointRect(wa.Left + 10, wa.Bottom - 5), false, wa.Left + 10,
       wa.Bottom - 5 - H},
      {"bottom-right corner: up and pulled in", PointRect(wa.Right - 5, wa.Bottom - 5), false, wa.Right - W,
       wa.Bottom - 5 - H},
      {"drop-down asked upwards with room above", TRect{wa.Left + 50, wa.Bottom - 40, wa.Left + 150, wa.Bottom - 20},
       true, wa.Left + 50, wa.Bottom - 40 - H},
      {"upwards from the top, upper half: below the anchor", TRect{wa.Left + 50, wa.Top + 5, wa.Left + 150, wa.Top + 25},
       true, wa.Left + 50, wa.Top + 25},
  };
  for (const Case& c : cases) {
    f.Open(c.anchor, c.up);
    ASSERT_EQ(1u, f.menu->FPopupList.size()) << c.what;
    RECT r = f.WindowRect(0);
    EXPECT_EQ(c.x, r.left) << c.what;
    EXPECT_EQ(c.y, r.top) << c.what;
    EXPECT_EQ(H, r.bottom - r.top) << c.what;
  }
  // An anchor in the upper half whose menu fits neither below nor above:
  // bottom-aligned to the work area and beside the anchor.
  f.popup.Items()->Clear();
  int tall = (wa.Height() * 3 / 4) / kItem;
  f.Fill(tall);
  int y = middle - 10;
  f.Open(TRect{wa.Left + 40, y, wa.Left + 90, y + 20});
  int H2 = tall * kItem + kFrame;
  RECT r = f.WindowRect(0);
  EXPECT_EQ(wa.Bottom - H2, r.top);
  EXPECT_EQ(wa.Left + 91, r.left);
}

TEST(TspSkinMenu, SubMenuOpensLevelWithItsParentItem) {
  Fixture f;
  f.Fill(3);
  TMenuItem* sub = f.Add(f.popup.Items(), "Sub");
  for (int i = 0; i < 4; ++i) f.Add(sub, "Child " + std::to_string(i));
  f.Open(PointRect(f.menu->WorkArea.Left + 20, f.menu->WorkArea.Top + 20));
  f.Window(0)->ItemList[3]->MouseDown(0, 0);
  ASSERT_EQ(2u, f.menu->FPopupList.size());
  TspSkinPopupWindow* w0 = f.Window(0);
  TRect item = w0->ItemList[3]->ObjectRect;
  RECT r = f.WindowRect(1);
  EXPECT_EQ(w0->Top() + item.Top - f.Window(1)->NewItemsRect.Top, r.top) << "first child level with the parent item";
  EXPECT_EQ(w0->Left() + item.Right + 1, r.left);
  EXPECT_TRUE(w0->ItemList[3]->Down);
}

TEST(TspSkinMenu, MenuTallerThanTheWorkAreaScrolls) {
  FakeTimers timers;
  Fixture f;
  f.Open(PointRect(0, 0));  // takes the work area
  const TRect wa = f.menu->WorkArea;
  int count = wa.Height() / kItem + 5;
  f.Fill(count);
  int x = wa.Left + 30;
  f.Open(PointRect(x, wa.Top + 200));
  TspSkinPopupWindow* w = f.Window(0);
  EXPECT_TRUE(w->Scroll);
  EXPECT_FALSE(w->Scroll2);
  RECT r = f.WindowRect(0);
  EXPECT_EQ(wa.Height(), r.bottom - r.top);
  EXPECT_EQ(wa.Top, r.top);
  EXPECT_EQ(x + 1, r.left) << "beside the anchor";
  EXPECT_LT(w->VisibleCount, count);
  EXPECT_EQ(w->NewItemsRect.Top + 10, w->ItemList[0]->ObjectRect.Top) << "room for the upper scroll area";

  // Down past the last shown item scrolls by one.
  int lastShown = w->VisibleCount - 1;
  for (int i = 0; i < lastShown; ++i) f.Key(VK_DOWN);
  EXPECT_EQ(lastShown, w->ActiveItem);
  EXPECT_EQ(0, w->VisibleStartIndex);
  f.Key(VK_DOWN);
  EXPECT_EQ(lastShown + 1, w->ActiveItem);
  EXPECT_EQ(1, w->VisibleStartIndex);
  EXPECT_TRUE(w->ItemList[static_cast<size_t>(lastShown + 1)]->FVisible);

  // Up from the first item wraps to the last page, with the last item shown.
  f.Open(PointRect(x, wa.Top + 200));
  w = f.Window(0);
  f.Key(VK_UP);
  EXPECT_EQ(count - 1, w->ActiveItem);
  EXPECT_TRUE(w->ItemList.back()->FVisible);
  EXPECT_GT(w->VisibleStartIndex, 0);

  // Hovering the lower scroll area scrolls one item per tick.
  f.Open(PointRect(x, wa.Top + 200));
  w = f.Window(0);
  // The menu follows the pointer by its mouse timer.
  POINT lower = w->ClientToScreen(POINT{w->Width() / 2, w->NewItemsRect.Bottom - 5});
  SetCursorPos(lower.x, lower.y);
  timers.Advance(50);
  EXPECT_EQ(2, w->ScrollCode);
  timers.Advance(100);
  EXPECT_EQ(1, w->VisibleStartIndex);
  timers.Advance(200);
  EXPECT_EQ(3, w->VisibleStartIndex);
  POINT middle = w->ClientToScreen(POINT{w->Width() / 2, w->Height() / 2});
  SetCursorPos(middle.x, middle.y);
  timers.Advance(50);
  EXPECT_EQ(0, w->ScrollCode);
  timers.Advance(300);
  EXPECT_EQ(3, w->VisibleStartIndex);
  SetCursorPos(0, 0);
}

TEST(TspSkinMenu, MaxMenuItemsInWindowLimitsTheHeight) {
  Fixture f;
  f.Fill(8);
  f.menu->MaxMenuItemsInWindow = 5;
  const int x = 200, y = 150;
  f.Open(PointRect(x, y));
  TspSkinPopupWindow* w = f.Window(0);
  EXPECT_TRUE(w->Scroll);
  EXPECT_TRUE(w->Scroll2);
  RECT r = f.WindowRect(0);
  EXPECT_EQ(5 * kItem + kFrame + 20, r.bottom - r.top);
  EXPECT_EQ(y, r.top) << "placed by the ordinary rules";
  EXPECT_EQ(x, r.left);
  EXPECT_EQ(5, w->VisibleCount);
  f.menu->MaxMenuItemsInWindow = 10;
  f.Open(PointRect(x, y));
  EXPECT_FALSE(f.Window(0)->Scroll);
}

TEST(TspSkinMenu, KeyboardSkipsDividersAndDisabledItemsAndWraps) {
  Fixture f;
  int opened = 0, saved = 0, disabledRuns = 0;
  TMenuItem* open = f.Add(f.popup.Items(), "&Open");
  open->OnClick = [&](TObject*) { ++opened; };
  f.Add(f.popup.Items(), "-");
  f.Add(f.popup.Items(), "&Disabled", false)->OnClick = [&](TObject*) { ++disabledRuns; };
  f.Add(f.popup.Items(), "&Save")->OnClick = [&](TObject*) { ++saved; };
  TMenuItem* sub = f.Add(f.popup.Items(), "Su&b");
  f.Add(sub, "Alpha");
  f.Add(sub, "Beta");
  f.Add(f.popup.Items(), "Last");
  TMenuItem* hidden = f.Add(f.popup.Items(), "Hidden");
  hidden->Visible = false;
  f.Open(PointRect(200, 150));
  ASSERT_EQ(6u, f.Window(0)->ItemList.size()) << "an invisible item gets no place";

  struct Step {
    int key;
    const char* active;
    size_t windows;
  };
  const Step steps[] = {
      {0, "&Open", 1},      {VK_DOWN, "&Save", 1}, {VK_DOWN, "Su&b", 1},   {VK_DOWN, "Last", 1},
      {VK_DOWN, "&Open", 1}, {VK_UP, "Last", 1},    {VK_UP, "Su&b", 1},     {VK_RIGHT, "Alpha", 2},
      {VK_DOWN, "Beta", 2},  {VK_DOWN, "Alpha", 2}, {VK_ESCAPE, "Su&b", 1}, {VK_RIGHT, "Alpha", 2},
      {VK_LEFT, "Su&b", 1},  {VK_LEFT, "Su&b", 1},
  };
  for (const Step& s : steps) {
    if (s.key) f.Key(s.key);
    ASSERT_EQ(s.windows, f.menu->FPopupList.size()) << "after key " << s.key;
    EXPECT_EQ(s.active, f.ActiveCaption()) << "after key " << s.key;
  }
  EXPECT_FALSE(f.Window(0)->ItemList[3]->Down) << "Esc and Left lift the parent item";

  // The accelerator of a disabled item only highlights it.
  f.Key('D');
  EXPECT_EQ("&Disabled", f.ActiveCaption());
  EXPECT_TRUE(f.menu->Visible());
  EXPECT_EQ(0, disabledRuns);
  // An accelerator runs its item and closes the menu.
  f.Key('S');
  EXPECT_EQ(1, saved);
  EXPECT_FALSE(f.menu->Visible());
  EXPECT_TRUE(f.menu->FPopupList.empty());

  // Esc on the only window closes the menu.
  f.Open(PointRect(200, 150));
  f.Key(VK_ESCAPE);
  EXPECT_FALSE(f.menu->Visible());
  EXPECT_EQ(0, opened);
}

TEST(TspSkinMenu, DownStaysOnTheLastUsableItemBeforeDisabledOnes) {
  Fixture f;
  f.Add(f.popup.Items(), "A");
  f.Add(f.popup.Items(), "B");
  f.Add(f.popup.Items(), "C", false);
  f.Add(f.popup.Items(), "-");
  f.Open(PointRect(200, 150));
  f.Key(VK_DOWN);
  EXPECT_EQ("B", f.ActiveCaption());
  f.Key(VK_DOWN);
  EXPECT_EQ("B", f.ActiveCaption());
}

TEST(TspSkinMenu, ClickingALeafClosesTheChainBeforeTheCommandThenTellsTheOpener) {
  Fixture f;
  size_t windowsAtClick = 99;
  bool visibleAtClick = true;
  int closes = 0;
  TMenuItem* sub = f.Add(f.popup.Items(), "Sub");
  TMenuItem* leaf = f.Add(sub, "Leaf");
  leaf->OnClick = [&](TObject*) {
    windowsAtClick = f.menu->FPopupList.size();
    visibleAtClick = f.menu->Visible();
    f.log.push_back("click");
  };
  f.Open(PointRect(200, 150), false, f.ctrl);
  f.menu->OnMenuClose = [&](TObject*) { ++closes; };
  f.Window(0)->ItemList[0]->MouseDown(0, 0);
  ASSERT_EQ(2u, f.menu->FPopupList.size());
  // A real click on the leaf: button up over the item.
  TspSkinPopupWindow* w = f.Window(1);
  TRect r = w->ItemList[0]->ObjectRect;
  SendMessageW(w->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(r.Left + 5, r.Top + 5));
  EXPECT_EQ(0u, windowsAtClick);
  EXPECT_FALSE(visibleAtClick);
  EXPECT_EQ((std::vector<std::string>{"closed", "click", "command"}), f.log);
  EXPECT_EQ(1, closes);
  // The windows go once the current messages are done.
  Application->ProcessMessages();
  EXPECT_EQ(0, f.menu->ComponentCount());
}

TEST(TspSkinMenu, ACommandThatReopensTheMenuAndANewPopupWhileOpen) {
  Fixture f;
  int firstCloses = 0, secondCloses = 0;
  TMenuItem* again = f.Add(f.popup.Items(), "Again");
  f.Add(f.popup.Items(), "Other");
  again->OnClick = [&](TObject*) { f.Open(PointRect(300, 200)); };
  f.Open(PointRect(200, 150), false, f.ctrl);
  f.Key(VK_RETURN);
  ASSERT_TRUE(f.menu->Visible()) << "the handler's menu is open";
  EXPECT_EQ((std::vector<std::string>{"closed", "command"}), f.log);
  Application->ProcessMessages();

  // A second popup while one is open ends the first with its notices.
  f.log.clear();
  f.Open(PointRect(200, 150), false, f.ctrl);
  f.menu->OnMenuClose = [&](TObject*) {
    ++firstCloses;
    // A handler may open the next menu with a close handler of its own.
  };
  MenuNoticeRecorder other(&f.form, &f.log);
  other.SetParent(&f.form);
  f.menu->Popup(&other, nullptr, 0, PointRect(250, 150), f.popup.Items(), false);
  f.menu->OnMenuClose = [&](TObject*) { ++secondCloses; };
  EXPECT_EQ(1, firstCloses);
  EXPECT_EQ((std::vector<std::string>{"closed"}), f.log) << "the first opener was told";
  EXPECT_EQ(&other, f.menu->PopupCtrl());
  f.menu->Hide();
  EXPECT_EQ(1, secondCloses);
  EXPECT_EQ((std::vector<std::string>{"closed", "closed"}), f.log);
}

TEST(TspSkinMenu, HoverOpensASubMenuAfterTheWaitUnlessALeafIsEnteredFirst) {
  FakeTimers timers;
  Fixture f;
  f.Add(f.popup.Items(), "Leaf");
  TMenuItem* sub = f.Add(f.popup.Items(), "Sub");
  f.Add(sub, "Child");
  f.Open(PointRect(200, 150));
  TspSkinPopupWindow* w = f.Window(0);
  auto centre = [&](int i) {
    TRect r = w->ItemList[static_cast<size_t>(i)]->ObjectRect;
    return POINT{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  };
  POINT s = centre(1), l = centre(0);
  w->TrackMouse(s.x, s.y);
  timers.Advance(400);
  EXPECT_EQ(1u, f.menu->FPopupList.size());
  timers.Advance(100);
  EXPECT_EQ(2u, f.menu->FPopupList.size());

  f.Open(PointRect(200, 150));
  w = f.Window(0);
  w->TrackMouse(s.x, s.y);
  timers.Advance(300);
  w->TrackMouse(l.x, l.y);
  timers.Advance(1000);
  EXPECT_EQ(1u, f.menu->FPopupList.size());
  EXPECT_EQ(nullptr, f.menu->WItem);
}

TEST(TspSkinMenu, OpeningHighlightsTheFirstUsableItemWithoutOpeningItsSubMenu) {
  FakeTimers timers;
  Fixture f;
  f.Add(f.popup.Items(), "Off", false);
  f.Add(f.popup.Items(), "-");
  TMenuItem* sub = f.Add(f.popup.Items(), "Sub");
  f.Add(sub, "Child");
  f.Open(PointRect(200, 150));
  TspSkinPopupWindow* w = f.Window(0);
  EXPECT_EQ(2, w->ActiveItem);
  EXPECT_TRUE(w->ItemList[2]->WaitCommand);
  timers.Advance(1000);
  EXPECT_EQ(1u, f.menu->FPopupList.size());
  // The mouse onto that same item starts the wait.
  TRect r = w->ItemList[2]->ObjectRect;
  w->TrackMouse(r.Left + 5, r.Top + 5);
  EXPECT_FALSE(w->ItemList[2]->WaitCommand);
  timers.Advance(500);
  EXPECT_EQ(2u, f.menu->FPopupList.size());
}

TEST(TspSkinMenu, NothingToShowOpensNothingAndTheOpenerIsNotLeftWaiting) {
  Fixture f;
  f.Open(PointRect(200, 150), false, f.ctrl);
  EXPECT_FALSE(f.menu->Visible());
  EXPECT_EQ((std::vector<std::string>{"closed"}), f.log);
  f.Fill(2);
  f.log.clear();
  f.menu->Popup(f.ctrl, nullptr, 2, PointRect(200, 150), f.popup.Items(), false);
  EXPECT_FALSE(f.menu->Visible()) << "start index past the items";
  EXPECT_EQ((std::vector<std::string>{"closed"}), f.log);
}

TEST(TspSkinMenu, AnOpenerFreedWhileItsMenuIsOpenIsForgotten) {
  Fixture f;
  f.Fill(2);
  auto* gone = new MenuNoticeRecorder(&f.form, &f.log);
  gone->SetParent(&f.form);
  f.Open(PointRect(200, 150), false, gone);
  EXPECT_EQ(gone, f.menu->PopupCtrl());
  delete gone;
  EXPECT_EQ(nullptr, f.menu->PopupCtrl());
  f.Key(VK_RETURN);
  EXPECT_FALSE(f.menu->Visible());
  EXPECT_TRUE(f.log.empty());
}

TEST(TspSkinMenu, MenuCloseMessages) {
  const UINT closing[] = {WM_MOVE, WM_SIZE, WM_ACTIVATE, WM_KILLFOCUS, WM_CANCELMODE, WM_MOUSEACTIVATE,
                          WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                          WM_MBUTTONDOWN, WM_PARENTNOTIFY};
  for (UINT m : closing) EXPECT_TRUE(IsMenuCloseMessage(m)) << m;
  for (UINT m : {WM_LBUTTONUP, WM_MOUSEMOVE, WM_PAINT, WM_KEYDOWN, WM_TIMER}) EXPECT_FALSE(IsMenuCloseMessage(m)) << m;
}

TEST(TspSkinPopupMenu, FindsItsFormsMenuChainAndFiresItsCloseHandlerOnce) {
  Fixture f;
  // Owned by a frame whose owner is the form.
  TComponent frame(&f.form);
  auto* pm = new TspSkinPopupMenu(&frame);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("One");
  pm->Items()->Add(item);
  int popups = 0, closes = 0;
  pm->OnPopup = [&](TObject*) { ++popups; };
  pm->OnMenuClose = [&](TObject*) { ++closes; };
  pm->Popup(220, 160);
  EXPECT_EQ(1, popups);
  EXPECT_EQ(1, f.host->Opens);
  ASSERT_TRUE(f.menu->Visible());
  EXPECT_EQ(220, pm->PopupPoint().X);
  RECT r = f.WindowRect(0);
  EXPECT_EQ(220, r.left);
  EXPECT_EQ(160, r.top);
  // Opening again while open closes the open one through the form component first.
  pm->Popup(230, 170);
  EXPECT_EQ(1, f.host->Closes);
  EXPECT_EQ(1, closes);
  f.menu->Hide();
  EXPECT_EQ(2, closes);
  f.menu->Hide();
  EXPECT_EQ(2, closes) << "once per opening";

  // From a control's rectangle: below it, and the control hears of the close.
  RECT cr{300, 200, 380, 224};
  pm->PopupFromRect2(f.ctrl, cr, false);
  r = f.WindowRect(0);
  EXPECT_EQ(300, r.left);
  EXPECT_EQ(224, r.top);
  f.menu->Hide();
  EXPECT_EQ((std::vector<std::string>{"closed"}), f.log);

  // Popup2 needs skin data; without it nothing opens and the control is told.
  f.log.clear();
  pm->Popup2(f.ctrl, 10, 10);
  EXPECT_FALSE(f.menu->Visible());
  EXPECT_EQ((std::vector<std::string>{"closed"}), f.log);
}

BOOL CALLBACK AddWindow(HWND h, LPARAM l) {
  reinterpret_cast<std::vector<std::pair<HWND, bool>>*>(l)->emplace_back(h, IsWindowVisible(h) != FALSE);
  return TRUE;
}

TEST(TspSkinPopupMenu, WithoutAFormComponentNothingOpens) {
  TForm form(nullptr);
  auto* pm = new TspSkinPopupMenu(&form);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("One");
  pm->Items()->Add(item);
  int popups = 0;
  pm->OnPopup = [&](TObject*) { ++popups; };
  // Every window of this thread, its children too, and whether it shows.
  auto windows = [] {
    std::vector<std::pair<HWND, bool>> all;
    EnumThreadWindows(GetCurrentThreadId(), AddWindow, reinterpret_cast<LPARAM>(&all));
    for (size_t i = 0, n = all.size(); i < n; ++i)
      EnumChildWindows(all[i].first, AddWindow, reinterpret_cast<LPARAM>(&all));
    return all;
  };
  Application->ProcessMessages();
  const auto before = windows();
  pm->Popup(10, 10);
  Application->ProcessMessages();
  EXPECT_EQ(1, popups);
  EXPECT_EQ(before, windows()) << "a window was made or shown";
  EXPECT_EQ(nullptr, GetCapture());
}

TEST(TspSkinMenuButton, OpensItsSkinnedMenuUnderItselfAndTracksIt) {
  Fixture f;
  auto* pm = new TspSkinPopupMenu(&f.form);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("One");
  int clicks = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  pm->Items()->Add(item);
  auto* button = new TspSkinMenuButton(&f.form);
  button->SetParent(&f.form);
  button->SetBounds(20, 60, 90, 25);
  button->SetSkinPopupMenu(pm);
  Application->ProcessMessages();
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ASSERT_TRUE(f.menu->Visible());
  EXPECT_TRUE(button->MenuTracked());
  EXPECT_TRUE(button->Down());
  POINT p = button->ClientToScreen(POINT{0, 0});
  RECT r = f.WindowRect(0);
  EXPECT_EQ(p.x, r.left);
  EXPECT_EQ(p.y + 25, r.top);
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(button->Down()) << "the release is ignored while the menu is open";
  f.Key(VK_RETURN);
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(button->MenuTracked());
  EXPECT_FALSE(button->Down());
}

TEST(TspSkinPopupWindow, DefaultLookPaintsTheGlyphStripFrameAndHighlight) {
  Fixture f;
  f.Fill(3);
  f.Open(PointRect(200, 150));
  TspSkinPopupWindow* w = f.Window(0);
  Dib d(w->Width(), w->Height());
  w->PaintMenu(d.dc);
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  EXPECT_TRUE(Dib::Near(d.At(0, 0), shadow));
  EXPECT_TRUE(Dib::Near(d.At(w->Width() - 1, w->Height() / 2), shadow));
  // The first item is highlighted at opening: navy frame, light fill.
  TRect a = w->ItemList[0]->ObjectRect;
  EXPECT_TRUE(Dib::Near(d.At(a.Left, a.Top), RGB(0, 0, 128)));
  EXPECT_TRUE(Dib::Near(d.At(a.Right - 3, a.Top + 2), RGB(182, 189, 210)));
  // The others: glyph column in the face colour, the rest in the window colour.
  TRect b = w->ItemList[1]->ObjectRect;
  EXPECT_TRUE(Dib::Near(d.At(b.Left + 2, b.Top + 1), GetSysColor(COLOR_BTNFACE)));
  EXPECT_TRUE(Dib::Near(d.At(b.Right - 3, b.Top + 1), GetSysColor(COLOR_WINDOW)));
}

// A small skin: a 40 x 40 window picture with a 4-pixel border, item
// pictures of one colour each, and a header element.
constexpr uint32_t kBorder = 0x112233, kInside = 0x445566, kNormal = 0x00C000, kActiveItem = 0xC00000,
                   kDivider = 0x0000C0, kHeader = 0xC0C000;

struct MenuSkin {
  TspSkinData data{nullptr};
  TspDataSkinMenuItem* item;
  MenuSkin() {
    TspPicture window = SolidPicture(40, 40, kBorder);
    FillPicture(window, 4, 4, 36, 36, kInside);
    TspPicture items = SolidPicture(60, 54, 0);
    FillPicture(items, 0, 0, 60, 24, kNormal);
    FillPicture(items, 0, 24, 60, 48, kActiveItem);
    FillPicture(items, 0, 48, 60, 54, kDivider);
    TspPicture header = SolidPicture(60, 20, kHeader);
    data.FActivePictures = {std::move(window), std::move(items), std::move(header)};
    PlainPopupWindow(data, 4, 4, 36, 36);
    auto mi = std::make_unique<TspDataSkinMenuItem>("menuitem");
    mi->ActivePictureIndex = 1;
    mi->SkinRect = TspRect{0, 0, 60, 24};
    mi->ActiveSkinRect = TspRect{0, 24, 60, 48};
    mi->DividerRect = TspRect{0, 48, 60, 54};
    mi->TextRct = TspRect{20, 2, 50, 22};
    mi->ItemLO = mi->ItemRO = 2;
    mi->FontName = "Arial";
    mi->FontHeight = 14;
    item = mi.get();
    data.ObjectList.push_back(std::move(mi));
    auto h = std::make_unique<TspDataSkinLabelControl>("menuheader");
    h->PictureIndex = 2;
    h->SkinRect = TspRect{0, 0, 60, 20};
    AcrossEnds(h, 5, 55);
    h->ClRect = TspRect{5, 0, 55, 20};
    data.CtrlList.push_back(std::move(h));
    data.Empty = false;
  }
};

COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

TEST(TspSkinPopupWindow, SkinnedWindowTakesItsSizeAndLookFromTheSkin) {
  Fixture f;
  MenuSkin skin;
  f.Add(f.popup.Items(), "Alpha");
  f.Add(f.popup.Items(), "-");
  f.Add(f.popup.Items(), "Beta");
  f.Add(f.popup.Items(), "-Title-", false);
  f.menu->Popup(nullptr, &skin.data, 0, PointRect(200, 150), f.popup.Items(), false);
  TspSkinPopupWindow* w = f.Window(0);
  ASSERT_TRUE(w->PW != nullptr);
  ASSERT_EQ(skin.item, w->DSMI);
  // Items 24 high, the divider 6, the window's frame 4 + 4.
  EXPECT_EQ(24 + 6 + 24 + 24 + 8, w->Height());
  EXPECT_EQ((TRect{4, 4, w->Width() - 4, w->Height() - 4}), w->NewItemsRect);
  EXPECT_EQ((TRect{4, 4, w->Width() - 4, 28}), w->ItemList[0]->ObjectRect);
  // Width: the text and glyph column, the item's text insets and the window's.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, w->MenuFont.Handle());
  int widest = 0;
  for (const char16_t* t : {u"Alpha", u"-", u"Beta", u"-Title-"}) {
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(t), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    widest = std::max(widest, int(r.right) + 2);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(widest + 16 + 16 + 20 + 10 + 8, w->Width());
  EXPECT_TRUE(w->ItemList[3]->IsHeader());

  Dib d(w->Width(), w->Height());
  w->PaintMenu(d.dc);
  EXPECT_EQ(C(kBorder), d.At(1, 1));
  EXPECT_EQ(C(kBorder), d.At(w->Width() - 2, w->Height() - 2));
  TRect a = w->ItemList[0]->ObjectRect, div = w->ItemList[1]->ObjectRect, b = w->ItemList[2]->ObjectRect,
        h = w->ItemList[3]->ObjectRect;
  EXPECT_EQ(C(kActiveItem), d.At(a.Left + 1, a.Top + 1)) << "opened with its first item highlighted";
  EXPECT_EQ(C(kDivider), d.At(div.Left + 1, div.Top + 1));
  EXPECT_EQ(C(kNormal), d.At(b.Left + 1, b.Top + 1));
  EXPECT_EQ(C(kHeader), d.At(h.Left + 1, h.Top + h.Height() / 2)) << "a disabled -word- item is a header";

  // The pointer onto the second item moves the highlight.
  w->TrackMouse(b.Left + 3, b.Top + 3);
  w->PaintMenu(d.dc);
  EXPECT_EQ(C(kNormal), d.At(a.Left + 1, a.Top + 1));
  EXPECT_EQ(C(kActiveItem), d.At(b.Left + 1, b.Top + 1));

  // Without skin sizes the items take the default height and stretch their pictures.
  f.menu->UseSkinSize = false;
  f.menu->Popup(nullptr, &skin.data, 0, PointRect(200, 150), f.popup.Items(), false);
  w = f.Window(0);
  EXPECT_EQ(20, w->ItemList[0]->ObjectRect.Height());
  Dib d2(w->Width(), w->Height());
  w->PaintMenu(d2.dc);
  TRect a2 = w->ItemList[0]->ObjectRect;
  EXPECT_EQ(C(kActiveItem), d2.At(a2.Left + 1, a2.Top + 1));
}

TEST(TspSkinPopupWindow, MissingItemPictureGivesNoPictureAndLeavesTheSkinAsItWas) {
  Fixture f;
  MenuSkin skin;
  skin.item->ActivePictureIndex = 9;
  f.Fill(2);
  f.menu->Popup(nullptr, &skin.data, 0, PointRect(200, 150), f.popup.Items(), false);
  TspSkinPopupWindow* w = f.Window(0);
  Dib d(w->Width(), w->Height());
  w->PaintMenu(d.dc);
  EXPECT_EQ((TspRect{0, 0, 60, 24}), skin.item->SkinRect) << "the shared record is not changed";
  EXPECT_EQ((TspRect{0, 24, 60, 48}), skin.item->ActiveSkinRect);
  TRect b = w->ItemList[1]->ObjectRect;
  EXPECT_NE(C(kNormal), d.At(b.Left + 1, b.Top + 1));
  // In the default look a "-word-" item is an ordinary one.
  f.popup.Items()->Clear();
  f.Add(f.popup.Items(), "-Title-", false);
  f.Open(PointRect(200, 150));
  EXPECT_FALSE(f.Window(0)->ItemList[0]->IsHeader());
}

TEST(TspSkinMenuItem, CheckedGlyphGetsAFrameInsteadOfACheckMark) {
  Fixture f;
  TImageList images(nullptr, 16, 16);
  TBitmap red(16, 16, pf24bit);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 16, 16});
  images.Add(&red, nullptr);
  f.popup.SetImages(&images);
  f.Add(f.popup.Items(), "First");
  TMenuItem* withGlyph = f.Add(f.popup.Items(), "Glyph");
  withGlyph->ImageIndex = 0;
  withGlyph->SetChecked(true);
  TMenuItem* plain = f.Add(f.popup.Items(), "Plain");
  plain->SetChecked(true);
  f.Open(PointRect(200, 150));
  TspSkinPopupWindow* w = f.Window(0);
  EXPECT_EQ(16 + 5, w->GlyphWidth);
  Dib d(w->Width(), w->Height());
  w->PaintMenu(d.dc);
  TRect g = w->ItemList[1]->ObjectRect;
  int gy = g.Top + (2 + (g.Height() - 4) / 2) - 8;
  EXPECT_EQ(RGB(255, 0, 0), d.At(g.Left + 4 + 8, gy + 8)) << "the glyph";
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), d.At(g.Left + 3, gy + 8)) << "the frame one pixel outside it";
  // The plain checked item draws the check mark in the text colour.
  TRect p = w->ItemList[2]->ObjectRect;
  int mid = p.Top + 2 + (p.Height() - 4) / 2;
  bool mark = false;
  for (int y = mid - 4; y < mid + 4; ++y)
    for (int x = p.Left + 5; x < p.Left + 13; ++x) mark = mark || d.At(x, y) == GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_TRUE(mark);
  f.popup.SetImages(nullptr);
}

TEST(TspSkinPopupWindow, MaskShapesTheWindowAndItemsFadeOnTheMorphTimer) {
  FakeTimers timers;
  Fixture f;
  MenuSkin skin;
  // A mask whose top-left 4 x 4 corner is cut off.
  TspPicture mask = SolidPicture(40, 40, 0x000000);
  FillPicture(mask, 0, 0, 4, 4, 0xFFFFFF);
  skin.data.FActivePictures.push_back(std::move(mask));
  skin.data.PopupWindow->MaskPictureIndex = 3;
  skin.item->Morphing = true;
  f.Fill(3);
  f.menu->Popup(nullptr, &skin.data, 0, PointRect(200, 150), f.popup.Items(), false);
  TspSkinPopupWindow* w = f.Window(0);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(w->Handle(), rgn));
  EXPECT_FALSE(PtInRegion(rgn, 1, 1));
  EXPECT_TRUE(PtInRegion(rgn, 5, 5));
  EXPECT_TRUE(PtInRegion(rgn, w->Width() - 2, w->Height() - 2)) << "the mask stretched with the window";
  DeleteObject(rgn);

  TspSkinMenuItem* first = w->ItemList[0];
  TspSkinMenuItem* second = w->ItemList[1];
  EXPECT_EQ(0.0, first->MorphKf());
  timers.Advance(60);
  EXPECT_NEAR(0.6, first->MorphKf(), 1e-9);
  timers.Advance(100);
  EXPECT_EQ(1.0, first->MorphKf());
  w->TrackMouse(second->ObjectRect.Left + 3, second->ObjectRect.Top + 3);
  timers.Advance(200);
  EXPECT_EQ(0.0, first->MorphKf());
  EXPECT_EQ(1.0, second->MorphKf());
  EXPECT_FALSE(w->MorphTimer.Active()) << "stops once nothing changes";
}

TEST(TspSkinPopupWindow, TranslucentMenusAreLayeredAndFadeInOnlyWhenFirst) {
  Fixture f;
  f.Fill(3);
  f.menu->AlphaBlend = true;
  f.menu->AlphaBlendValue = 180;
  f.menu->AlphaBlendAnimation = true;
  f.Open(PointRect(200, 150));
  HWND h = f.Window(0)->Handle();
  EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(h, nullptr, &alpha, &flags));
  EXPECT_EQ(180, alpha) << "the fade ends at the menu's value";
  EXPECT_FALSE(f.menu->First());
  f.menu->AlphaBlend = false;
  f.Open(PointRect(200, 150));
  EXPECT_FALSE(GetWindowLongW(f.Window(0)->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

}  // namespace
