// A form with a main menu and no menu bar: the frame draws the top-level
// items in its caption, and the real keyboard walks them: Alt enters the
// menu mode, the arrows move between the items (wrapping), Enter opens the
// highlighted item, Escape backs out, and Alt with an item's accelerator
// opens that item or runs it.
#include "support/gtest.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "FrameTestSkin.h"
#include "support/Dib.h"
#include "support/RealInput.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/FormMenus.h"
#include "skin/frame/SkinMainMenuItem.h"
#include "skin/frame/SkinMenus.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// Pumps until `done` holds or two seconds passed; returns `done`.
bool PumpUntil(const std::function<bool()>& done) { return real_input::PumpUntil(done, 2000); }

// Real key strokes: each key of `keys` pressed in order, then released in
// reverse order (so {VK_MENU, 'E'} is Alt+E).
HWND gKeyTarget = nullptr;

void Keys(std::vector<WORD> keys) {
  // Other programs of the session may have taken the foreground meanwhile.
  if (gKeyTarget && GetForegroundWindow() != gKeyTarget) {
    SetForegroundWindow(gKeyTarget);
    PumpUntil([] { return GetForegroundWindow() == gKeyTarget; });
  }
  std::vector<INPUT> in;
  for (WORD k : keys) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k;
    in.push_back(i);
  }
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = *it;
    i.ki.dwFlags = KEYEVENTF_KEYUP;
    in.push_back(i);
  }
  SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
  Pump();
}

struct MenuForm {
  frametest::FrameSkin skin;
  TForm* form = new TForm(nullptr);
  TspDynamicSkinForm* sf = nullptr;
  TspFormMenus* fm = nullptr;
  TMainMenu* menu = new TMainMenu(form);
  std::string ran;

  MenuForm() {
    // The caption object gives way to the menu in the caption band.
    auto& objs = skin.data.ObjectList;
    for (size_t i = 0; i < objs.size(); ++i)
      if (objs[i]->IDName == "caption") {
        objs.erase(objs.begin() + long(i));
        break;
      }
    for (auto& o : objs)
      if (auto* mi = dynamic_cast<TspDataSkinMainMenuItem*>(o.get())) {
        mi->SkinRectInAPicture = true;
        mi->ActivePictureIndex = 0;
        mi->SkinRect = TspRect{0, 0, 45, 15};
        mi->ActiveSkinRect = TspRect{45, 0, 90, 15};
        mi->DownRect = TspRect{90, 0, 135, 15};
        mi->TextRct = TspRect{4, 0, 41, 15};
        mi->FontHeight = 12;
      }
    skin.data.MainMenuRect = TspRect{8, 8, 70, 23};
    Add(menu->Items(), "&File", {"Open", "Close"});
    Add(menu->Items(), "&Edit", {"Copy"});
    TMenuItem* help = Add(menu->Items(), "&Help", {});
    help->OnClick = [this](TObject*) { ran += "help;"; };
    form->SetBounds(340, 540, 420, 240);
    sf = new TspDynamicSkinForm(form);
    sf->SetSkinData(&skin.data);
    fm = spFormMenus(sf);
    fm->SetMainMenu(menu);
    form->Show();
    SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(form->Handle());
    PumpUntil([&] { return GetForegroundWindow() == form->Handle(); });
    gKeyTarget = form->Handle();
  }
  ~MenuForm() {
    gKeyTarget = nullptr;
    if (fm->SkinMenu->Visible()) fm->SkinMenu->Hide();
    Pump();
    delete form;
    Pump();
  }
  MenuForm(const MenuForm&) = delete;
  MenuForm& operator=(const MenuForm&) = delete;

  TMenuItem* Add(TMenuItem* parent, const std::string& caption, std::vector<std::string> subs) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    std::string name = caption.substr(1) + "Item";
    item->SetName(name);
    parent->Add(item);
    for (const std::string& s : subs) {
      auto* sub = new TMenuItem(nullptr);
      sub->SetCaption(s);
      item->Add(sub);
    }
    return item;
  }
  std::vector<TspSkinMainMenuItem*> Items() {
    std::vector<TspSkinMainMenuItem*> v;
    for (auto& o : sf->ObjectList)
      if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get())) v.push_back(m);
    return v;
  }
  // The highlighted item's name, or "" when none.
  std::string Hot() {
    for (TspSkinMainMenuItem* m : Items())
      if (m->Active || m->FDown) return m->IDName;
    return "";
  }
};

TEST(FrameMainMenu, TheItemsAreDrawnInTheCaption) {
  MenuForm f;
  std::vector<TspSkinMainMenuItem*> items = f.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0]->IDName, "FileItem");
  SendMessageW(f.form->Handle(), WM_NCPAINT, 0, 0);
  // Side by side from the menu area's left edge, inside the caption band.
  EXPECT_EQ(items[0]->ObjectRect.Left, 8);
  EXPECT_EQ(items[1]->ObjectRect.Left, items[0]->ObjectRect.Right);
  for (auto* m : items) {
    EXPECT_GE(m->ObjectRect.Top, 0);
    EXPECT_LE(m->ObjectRect.Bottom, f.sf->NewClRect.Top);
  }
  // The frame painted off screen shows the first item's normal look at its
  // left edge.
  Dib dib(420, 260);
  ASSERT_EQ(SendMessageW(f.form->Handle(), SP_PAINTFRAMETODC, WPARAM(dib.dc), SP_PAINTFRAMEKEY), SP_PAINTFRAMEKEY);
  EXPECT_EQ(dib.At(items[0]->ObjectRect.Left + 1, items[0]->ObjectRect.Top + 1), frametest::C(frametest::kCloseNormal));
  // A menu going away takes its items with it.
  f.fm->SetMainMenu(nullptr);
  f.fm->UpdateMainMenu(true);
  EXPECT_TRUE(f.Items().empty());
}

TEST(FrameMainMenu, AltAndTheArrowsWalkTheItemsAndEnterOpensOne) {
  MenuForm f;
  Keys({VK_MENU});
  ASSERT_TRUE(PumpUntil([&] { return f.sf->InMainMenu; }));
  EXPECT_EQ(f.Hot(), "FileItem");
  Keys({VK_RIGHT});
  EXPECT_TRUE(PumpUntil([&] { return f.Hot() == "EditItem"; }));
  Keys({VK_LEFT});
  EXPECT_TRUE(PumpUntil([&] { return f.Hot() == "FileItem"; }));
  Keys({VK_LEFT});
  EXPECT_TRUE(PumpUntil([&] { return f.Hot() == "HelpItem"; })) << "wraps to the last";
  Keys({VK_RIGHT});
  EXPECT_TRUE(PumpUntil([&] { return f.Hot() == "FileItem"; })) << "wraps to the first";
  // Enter drops the File menu down.
  Keys({VK_RETURN});
  ASSERT_TRUE(PumpUntil([&] { return f.fm->SkinMenu->Visible(); }));
  EXPECT_TRUE(f.Items()[0]->FDown);
  // Right with a leaf highlighted moves to the next item's menu.
  Keys({VK_RIGHT});
  EXPECT_TRUE(PumpUntil([&] { return f.Items()[1]->FDown; }));
  // Escape closes the drop-down but keeps the mode; Escape again leaves it.
  Keys({VK_ESCAPE});
  EXPECT_TRUE(PumpUntil([&] { return !f.fm->SkinMenu->Visible(); }));
  EXPECT_TRUE(f.sf->InMainMenu);
  EXPECT_EQ(f.Hot(), "EditItem");
  Keys({VK_ESCAPE});
  EXPECT_TRUE(PumpUntil([&] { return !f.sf->InMainMenu; }));
  EXPECT_EQ(f.Hot(), "");
  EXPECT_EQ(f.ran, "");
}

TEST(FrameMainMenu, AnAcceleratorOpensItsItemOrRunsIt) {
  MenuForm f;
  Keys({VK_MENU, 'E'});
  ASSERT_TRUE(PumpUntil([&] { return f.fm->SkinMenu->Visible(); }));
  EXPECT_TRUE(f.Items()[1]->FDown);
  EXPECT_TRUE(f.sf->InMainMenu);
  Keys({VK_ESCAPE});
  Keys({VK_ESCAPE});
  ASSERT_TRUE(PumpUntil([&] { return !f.sf->InMainMenu; }));
  // An item without sub-items runs at once.
  Keys({VK_MENU, 'H'});
  EXPECT_TRUE(PumpUntil([&] { return f.ran == "help;"; }));
  EXPECT_FALSE(f.fm->SkinMenu->Visible());
}

// A top-level item the program deletes is forgotten by the frame's item that
// drew it; the other items keep working from the keyboard.
TEST(FrameMainMenu, ADeletedTopLevelItemIsForgottenByTheFrame) {
  MenuForm f;
  TspSkinMainMenuItem* edit = nullptr;
  for (TspSkinMainMenuItem* m : f.Items())
    if (m->IDName == "EditItem") edit = m;
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(static_cast<TMenuItem*>(edit->MenuItem), nullptr);
  delete f.menu->Items()->Items(1);
  for (TspSkinMainMenuItem* m : f.Items())
    if (m->IDName == "EditItem") EXPECT_EQ(static_cast<TMenuItem*>(m->MenuItem), nullptr);
  Keys({VK_MENU, 'H'});
  EXPECT_EQ(f.ran, "help;");
}

}  // namespace
