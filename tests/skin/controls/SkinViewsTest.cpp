// The skinned tree and list views on a test form: colours from the skin,
// the external bars following the views, nodes and items with their
// events, the column header taken over and painted from the skin.
#include "support/gtest.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/Controls.h"
#include "framework/Forms.h"
#include "framework/Threads.h"
#include "skin/data/SPUtils.h"
#include "skin/controls/SkinViews.h"

namespace {

COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }
TColor TC(uint32_t rgb) { return static_cast<TColor>(C(rgb)); }

// Picture blocks (0xRRGGBB), 20 x 20 each.
enum { bFocus, bActive, bHeader, bHeaderDown, bCheck, bUncheck, bExpand, bNoExpand, kBlocks };
const uint32_t kBlock[kBlocks] = {0xC03020, 0x20C030, 0x3060A0, 0xA06030, 0x10E0E0, 0xE010E0, 0x405060, 0x605040};
const uint32_t kTreeBG = 0xF0E0D0, kTreeFont = 0x102030, kListBG = 0xE8F0D8, kListFont = 0x201008;
TspRect Block(int i, int w = 20, int h = 20) { return TspRect{i * 20, 0, i * 20 + w, h}; }

struct ViewSkin {
  std::unique_ptr<TspSkinData> owned = std::make_unique<TspSkinData>(nullptr);
  TspSkinData& data = *owned;
  ViewSkin(bool withListBox = true) {
    TspPicture p = SolidPicture(20 * kBlocks, 20, 0);
    for (int b = 0; b < kBlocks; ++b)
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) p.Pixels[size_t(y) * p.Width + b * 20 + x] = kBlock[b];
    // The small marks are drawn transparently (their bottom-left colour):
    // a white left column and bottom row around the colour.
    for (int b : {bCheck, bUncheck, bExpand, bNoExpand}) {
      int side = b == bCheck || b == bUncheck ? 12 : 13;
      for (int i = 0; i < side; ++i) {
        p.Pixels[size_t(i) * p.Width + b * 20] = 0xFFFFFF;
        p.Pixels[size_t(side - 1) * p.Width + b * 20 + i] = 0xFFFFFF;
      }
    }
    data.FActivePictures = {std::move(p)};

    auto tree = std::make_unique<TspDataSkinTreeView>("treeview");
    tree->PictureIndex = 0;
    tree->BGColor = TC(kTreeBG);
    tree->FontColor = TC(kTreeFont);
    tree->FontName = "Arial";
    tree->FontHeight = 14;
    tree->ExpandImageRect = Block(bExpand, 13, 13);
    tree->NoExpandImageRect = Block(bNoExpand, 13, 13);
    data.CtrlList.push_back(std::move(tree));

    auto list = std::make_unique<TspDataSkinListView>("listview");
    list->BGColor = TC(kListBG);
    list->FontColor = TC(kListFont);
    data.CtrlList.push_back(std::move(list));

    if (withListBox) {
      auto lb = std::make_unique<TspDataSkinListBox>("listbox");
      lb->PictureIndex = 0;
      lb->SkinRect = Block(bActive);
      lb->FocusItemRect = Block(bFocus);
      lb->ActiveItemRect = Block(bActive);
      lb->ItemTextRect = TspRect{2, 2, 18, 18};
      lb->FocusFontColor = TC(0xFFFFFF);
      lb->ActiveFontColor = TC(0x000000);
      data.CtrlList.push_back(std::move(lb));
    }

    auto header = std::make_unique<TspDataSkinButtonControl>("resizetoolbutton");
    header->PictureIndex = 0;
    header->SkinRect = Block(bHeader);
    header->DownSkinRect = Block(bHeaderDown);
    NinePart(header, 3, 3, 17, 17);
    data.CtrlList.push_back(std::move(header));

    auto check = std::make_unique<TspDataSkinCheckRadioControl>("checkbox");
    check->PictureIndex = 0;
    check->CheckImageRect = Block(bCheck, 12, 12);
    check->UnCheckImageRect = Block(bUncheck, 12, 12);
    data.CtrlList.push_back(std::move(check));
    data.Empty = false;
  }
};

// The form stays hidden: the views paint into memory contexts, and the
// system list and tree are far slower to fill on a window on the screen.
struct Host {
  TForm form{nullptr};
  Host() { form.SetBounds(0, 0, 700, 500); }
  template <class T>
  T* Add(int x, int y, int w, int h) {
    return AddControl<T>(&form, &form, x, y, w, h);
  }
  TspSkinScrollBar* Bar(TScrollBarKind kind, int x, int y, int w, int h) {
    auto* b = Add<TspSkinScrollBar>(x, y, w, h);
    b->SetKind(kind);
    if (kind == sbVertical) b->SetSkinDataName("vscrollbar");
    return b;
  }
};

void Pump() { PumpMessages(); }

Dib PaintInto(TWinControl* c) {
  Dib d(c->Width(), c->Height());
  SendMessageW(c->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  return d;
}

bool Contains(const Dib& d, const TRect& r, COLORREF want) {
  for (int y = std::max(0, r.Top); y < std::min(d.h, r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(d.w, r.Right); ++x)
      if (d.At(x, y) == want) return true;
  return false;
}

// ---------------------------------------------------------------- tree view

TEST(TspSkinTreeView, NoFrameNoSystemBarsAndTheSkinColours) {
  ViewSkin skin;
  Host host;
  auto* tree = host.Add<TspSkinTreeView>(10, 10, 200, 150);
  for (int i = 0; i < 100; ++i) tree->Items()->AddChild(nullptr, "Node " + std::to_string(i));
  tree->SetSkinData(&skin.data);
  Pump();
  RECT client{};
  GetClientRect(tree->Handle(), &client);
  EXPECT_EQ(200, client.right);  // no border, no system bar even with a long list
  EXPECT_EQ(150, client.bottom);
  EXPECT_EQ(SP_PAINTCOPY_RESULT, SendMessageW(tree->Handle(), SP_PAINTCOPY, 0, 0));
  EXPECT_EQ(HTCLIENT, SendMessageW(tree->Handle(), WM_NCHITTEST, 0, MAKELPARAM(15, 15)));

  EXPECT_EQ(0, tree->SkinIndex());
  EXPECT_EQ(TC(kTreeBG), tree->Color());
  EXPECT_EQ(TC(kTreeFont), tree->Font()->Color());
  EXPECT_EQ(14, tree->Font()->Height());
  // A quarter of the font colour in the background; half for the buttons.
  EXPECT_EQ(AverageColor(AverageColor(TC(kTreeFont), TC(kTreeBG)), TC(kTreeBG)), tree->LineColor());
  EXPECT_EQ(AverageColor(TC(kTreeFont), TC(kTreeBG)), tree->ButtonColor());
  EXPECT_EQ(13, tree->ExpandImage()->Width());
  EXPECT_EQ(13, tree->ExpandImage()->Height());
  Dib d = PaintInto(tree);
  EXPECT_EQ(C(kTreeBG), d.At(195, 145));

  // Without the element the default look comes back.
  tree->SetSkinDataName("nosuchelement");
  tree->ChangeSkinData();
  EXPECT_EQ(-1, tree->SkinIndex());
  EXPECT_EQ(clWindow, tree->Color());
  EXPECT_EQ("Arial", tree->Font()->Name());
}

TEST(TspSkinTreeView, BarsFollowTheTreeAndMoveIt) {
  Host host;
  auto* tree = host.Add<TspSkinTreeView>(10, 10, 200, 150);
  auto* vbar = host.Bar(sbVertical, 212, 10, 19, 150);
  auto* hbar = host.Bar(sbHorizontal, 10, 162, 200, 19);
  tree->SetVScrollBar(vbar);
  tree->SetHScrollBar(hbar);
  EXPECT_FALSE(vbar->Visible());
  std::vector<TTreeNode*> nodes;
  for (int i = 0; i < 3; ++i) nodes.push_back(tree->Items()->AddChild(nullptr, "Node " + std::to_string(i)));
  tree->UpDateScrollBars();
  EXPECT_FALSE(vbar->Visible()) << "three nodes fit";
  for (int i = 3; i < 200; ++i) nodes.push_back(tree->Items()->AddChild(nullptr, "Node " + std::to_string(i)));
  Pump();
  tree->UpDateScrollBars();
  ASSERT_TRUE(vbar->Visible());
  int visibleCount = static_cast<int>(SendMessageW(tree->Handle(), TVM_GETVISIBLECOUNT, 0, 0));
  EXPECT_EQ(visibleCount, vbar->PageSize());
  EXPECT_EQ(199, vbar->Max());
  EXPECT_FALSE(hbar->Visible());
  EXPECT_TRUE(hbar->Both()) << "the horizontal bar follows the vertical one's visibility";

  // The bar moves the tree...
  vbar->SetPosition(20);
  EXPECT_EQ(nodes[20], tree->TopItem());
  // ...and a key in the tree moves the bar.
  nodes[0]->SetSelected(true);
  SendMessageW(tree->Handle(), WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(nodes[199], tree->Selected());
  EXPECT_EQ(200 - visibleCount, vbar->Position());

  // A long node makes the horizontal bar show, which switches to its both-bars look.
  nodes[199]->SetText(std::string(120, 'W'));
  Pump();
  tree->UpDateScrollBars();
  EXPECT_TRUE(hbar->Visible());
  EXPECT_TRUE(hbar->Both());

  // Hiding the tree hides both bars.
  tree->SetVisible(false);
  EXPECT_FALSE(vbar->Visible());
  EXPECT_FALSE(hbar->Visible());
  tree->SetVisible(true);
  EXPECT_TRUE(vbar->Visible());

  // Fewer nodes again: the vertical bar goes and the horizontal one loses its corner.
  tree->Items()->Clear();
  tree->Items()->AddChild(nullptr, std::string(120, 'W'));
  Pump();
  tree->UpDateScrollBars();
  EXPECT_FALSE(vbar->Visible());
  EXPECT_FALSE(hbar->Both());
}

TEST(TspSkinTreeView, NodesAddSelectAndExpandWithEvents) {
  Host host;
  auto* tree = host.Add<TspSkinTreeView>(10, 10, 200, 150);
  TTreeNode* a = tree->Items()->AddChild(nullptr, "A");
  TTreeNode* a1 = tree->Items()->AddChild(a, "A1");
  TTreeNode* a2 = tree->Items()->AddChild(a, "A2");
  TTreeNode* b = tree->Items()->Add(a, "B");
  EXPECT_EQ(4, tree->Items()->Count());
  EXPECT_EQ(1, a1->Level());
  EXPECT_EQ(a, a2->Parent());
  EXPECT_EQ(b, a->NextSibling());
  EXPECT_EQ(2, a->Count());
  EXPECT_EQ(3, b->AbsoluteIndex());
  EXPECT_TRUE(a->HasChildren());

  std::vector<std::string> events;
  tree->OnChange = [&](TObject*, TTreeNode* n) { events.push_back("change " + n->Text()); };
  tree->OnExpanding = [&](TObject*, TTreeNode* n, bool& allow) {
    events.push_back("expanding " + n->Text());
    allow = n != b;
  };
  tree->OnExpanded = [&](TObject*, TTreeNode* n) { events.push_back("expanded " + n->Text()); };
  tree->OnCollapsed = [&](TObject*, TTreeNode* n) { events.push_back("collapsed " + n->Text()); };

  a->SetSelected(true);
  SendMessageW(tree->Handle(), WM_KEYDOWN, VK_RIGHT, 0);  // the user opens A
  EXPECT_TRUE(a->Expanded());
  SendMessageW(tree->Handle(), WM_KEYDOWN, VK_LEFT, 0);   // and closes it
  EXPECT_FALSE(a->Expanded());
  a2->MakeVisible();
  EXPECT_TRUE(a->Expanded());
  a2->SetSelected(true);
  EXPECT_EQ(a2, tree->Selected());
  EXPECT_EQ((std::vector<std::string>{"change A", "expanding A", "expanded A", "collapsed A", "expanding A",
                                      "expanded A", "change A2"}),
            events);

  // A vetoed expansion leaves the node closed.
  tree->Items()->AddChild(b, "B1");
  b->SetSelected(true);
  events.clear();
  SendMessageW(tree->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_FALSE(b->Expanded());
  EXPECT_EQ(std::vector<std::string>{"expanding B"}, events);

  // Deleting a parent takes its children and their objects with it.
  a->Delete();
  EXPECT_EQ(2, tree->Items()->Count());
  EXPECT_EQ(b, tree->Items()->GetFirstNode());
}

TEST(TspSkinTreeView, DrawSkinPaintsTheSelectionFromTheListBoxPictures) {
  for (bool withListBox : {true, false}) {
    ViewSkin skin(withListBox);
    Host host;
    auto* tree = host.Add<TspSkinTreeView>(10, 10, 200, 150);
    tree->SetSkinData(&skin.data);
    tree->SetDrawSkin(true);
    TTreeNode* a = tree->Items()->AddChild(nullptr, "Alpha");
    TTreeNode* b = tree->Items()->AddChild(a, "Beta");
    tree->Items()->AddChild(nullptr, "Gamma");
    a->Expand();
    b->SetSelected(true);
    SetFocus(nullptr);
    Pump();
    TRect tr = b->DisplayRect(true);
    ASSERT_FALSE(tr.IsEmpty());
    Dib d = PaintInto(tree);
    bool skinned = Contains(d, tr, C(kBlock[bActive])) || Contains(d, tr, C(kBlock[bFocus]));
    EXPECT_EQ(withListBox, skinned) << "listbox element present: " << withListBox;
    if (withListBox) {
      // The other nodes are written straight on the skin background.
      TRect ar = a->DisplayRect(true);
      EXPECT_EQ(C(kTreeBG), d.At(ar.Right - 1, ar.Bottom - 1));
      EXPECT_TRUE(Contains(d, ar, C(kTreeFont)) || Contains(d, ar, RGB(0x10, 0x20, 0x30)));
      // Alpha has children: its expand button is the skin's picture.
      EXPECT_TRUE(Contains(d, TRect{0, ar.Top, ar.Left, ar.Bottom}, C(kBlock[bExpand])));
    }
  }
}

TEST(TspSkinTreeView, SmallIndentsDrawWithoutFault) {
  ViewSkin skin;
  Host host;
  auto* tree = host.Add<TspSkinTreeView>(10, 10, 200, 150);
  tree->SetSkinData(&skin.data);
  tree->SetDrawSkin(true);
  TTreeNode* a = tree->Items()->AddChild(nullptr, "Alpha");
  tree->Items()->AddChild(a, "Beta");
  a->Expand();
  for (int indent : {0, 2, 5, 8, 9, 10, 19}) {
    tree->SetIndent(indent);
    Dib d = PaintInto(tree);
    EXPECT_EQ(C(kTreeBG), d.At(199, 149)) << indent;
  }
}

// ---------------------------------------------------------------- list view

struct ReportList {
  Host host;
  TspSkinListView* list;
  TspSkinScrollBar* vbar;
  TspSkinScrollBar* hbar;
  explicit ReportList(int rows, TspSkinData* skin = nullptr) {
    list = host.Add<TspSkinListView>(10, 10, 300, 200);
    list->SetViewStyle(vsReport);
    for (const char* name : {"Name", "Size", "Type", "Date"}) {
      TListColumn* c = list->Columns()->Add();
      c->SetCaption(name);
      c->SetWidth(100);
    }
    for (int i = 0; i < rows; ++i) {
      TListItem* it = list->Items()->Add();
      it->SetCaption("Row " + std::to_string(i));
      it->AddSubItem(std::to_string(i * 10));
      it->AddSubItem("kind");
      it->AddSubItem("today");
    }
    list->HandleNeeded();  // the rows go into the window as it is made
    vbar = host.Bar(sbVertical, 312, 10, 19, 200);
    hbar = host.Bar(sbHorizontal, 10, 212, 300, 19);
    list->SetVScrollBar(vbar);
    list->SetHScrollBar(hbar);
    if (skin) list->SetSkinData(skin);
    Pump();
    list->UpDateScrollBars();
  }
};

TEST(TspSkinListView, HeaderIsTakenOverAndKeeps25PixelsMore) {
  ReportList r(5);
  HWND header = r.list->HeaderHandle();
  ASSERT_NE(nullptr, header);
  EXPECT_EQ(header, r.list->SubclassedHeader());
  RECT hr{};
  GetWindowRect(header, &hr);
  EXPECT_EQ(300 + 25, hr.right - hr.left);
  r.list->SetBounds(10, 10, 260, 200);
  GetWindowRect(header, &hr);
  EXPECT_EQ(260 + 25, hr.right - hr.left);

  // Headers shown again: the new one is taken over, the old one let go.
  r.list->SetShowColumnHeaders(false);
  EXPECT_EQ(nullptr, r.list->SubclassedHeader());
  r.list->SetShowColumnHeaders(true);
  EXPECT_NE(nullptr, r.list->SubclassedHeader());
  EXPECT_EQ(r.list->HeaderHandle(), r.list->SubclassedHeader());
  EXPECT_EQ(5, static_cast<int>(SendMessageW(r.list->Handle(), LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(4, static_cast<int>(SendMessageW(r.list->HeaderHandle(), HDM_GETITEMCOUNT, 0, 0)));
  // Freeing the list gives a live header its own procedure back.
  delete r.list;
}

TEST(TspSkinListView, HeaderSectionsPaintFromTheSkinAndShowThePress) {
  ViewSkin skin;
  ReportList r(5, &skin.data);
  HWND header = r.list->SubclassedHeader();
  ASSERT_NE(nullptr, header);
  RECT hr{};
  GetClientRect(header, &hr);
  RECT s0{};
  SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&s0));
  int cx = (s0.left + s0.right) / 2, cy = (s0.top + s0.bottom) / 2;

  auto paintHeader = [&] {
    auto d = std::make_unique<Dib>(hr.right, hr.bottom);
    SendMessageW(r.list->Handle(), SP_PAINTHEADER, reinterpret_cast<WPARAM>(d->dc), 0);
    return d;
  };
  auto normal = paintHeader();
  EXPECT_EQ(C(kBlock[bHeader]), normal->At(s0.left + 1, cy));
  // The area right of the last section is painted from the picture too.
  EXPECT_EQ(C(kBlock[bHeader]), normal->At(hr.right - 2, cy));
  // The DC handed in stays usable: it was not released behind the caller's back.
  EXPECT_NE(CLR_INVALID, SetPixel(normal->dc, 0, 0, RGB(1, 2, 3)));

  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  EXPECT_EQ(0, r.list->ActiveSection());
  EXPECT_TRUE(r.list->HeaderDown());
  EXPECT_FALSE(r.list->DividerDown());
  EXPECT_EQ(C(kBlock[bHeaderDown]), paintHeader()->At(s0.left + 1, cy));
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
  EXPECT_FALSE(r.list->HeaderDown());
  EXPECT_EQ(-1, r.list->ActiveSection());
  EXPECT_EQ(C(kBlock[bHeader]), paintHeader()->At(s0.left + 1, cy));

  // A press on a divider is a drag, not a pressed section.
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(s0.right, cy));
  EXPECT_TRUE(r.list->DividerDown());
  EXPECT_FALSE(r.list->HeaderDown());
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(s0.right, cy));
  ReleaseCapture();

  // Without the element the sections take the default face.
  r.list->SetHeaderSkinDataName("nosuchelement");
  auto plain = paintHeader();
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), plain->At(s0.left + 3, cy));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), plain->At(s0.left, cy));
}

TEST(TspSkinListView, BarsFollowTheListAndScrollIt) {
  ReportList r(500);
  TspSkinListView* list = r.list;
  int perPage = list->VisibleRowCount();
  ASSERT_GT(perPage, 0);
  ASSERT_TRUE(r.vbar->Visible());
  EXPECT_EQ(perPage, r.vbar->PageSize());
  EXPECT_EQ(perPage, r.vbar->LargeChange());
  EXPECT_EQ(499, r.vbar->Max());
  EXPECT_EQ(list->Items()->Item(0), list->TopItem());
  // One step of the bar scrolls by one row.
  r.vbar->SetPosition(1);
  EXPECT_EQ(list->Items()->Item(1), list->TopItem());
  r.vbar->SetPosition(40);
  EXPECT_EQ(list->Items()->Item(40), list->TopItem());
  // A key in the list moves the bar.
  list->SetSelected(list->Items()->Item(40));
  SendMessageW(list->Handle(), WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(500 - perPage, r.vbar->Position());
  // Four 100-pixel columns in 300 pixels: the horizontal bar shows too.
  EXPECT_TRUE(r.hbar->Visible());
  EXPECT_TRUE(r.hbar->Both());

  // In the icon views a step of the bar is one pixel.
  list->SetViewStyle(vsIcon);
  Pump();
  list->UpDateScrollBars();
  ASSERT_TRUE(r.vbar->Visible());
  EXPECT_GT(r.vbar->Max(), list->Height());
  int before = GetScrollPos(list->Handle(), SB_VERT);
  r.vbar->SetPosition(r.vbar->Position() + 1);
  EXPECT_EQ(before + 1, GetScrollPos(list->Handle(), SB_VERT));

  // In the list style the vertical bar never shows.
  list->SetViewStyle(vsList);
  Pump();
  list->UpDateScrollBars();
  EXPECT_FALSE(r.vbar->Visible());
  EXPECT_TRUE(r.hbar->Visible());
  EXPECT_FALSE(r.hbar->Both());
}

TEST(TspSkinListView, TinyListsNeverUpdateTheirBars) {
  Host host;
  auto* list = host.Add<TspSkinListView>(10, 10, 5, 200);
  list->SetViewStyle(vsReport);
  list->Columns()->Add()->SetCaption("Name");
  for (int i = 0; i < 100; ++i) list->Items()->Add()->SetCaption("Row");
  list->HandleNeeded();
  auto* vbar = host.Bar(sbVertical, 312, 10, 19, 200);
  list->SetVScrollBar(vbar);
  Pump();
  list->UpDateScrollBars();
  EXPECT_FALSE(vbar->Visible());
  list->SetBounds(10, 10, 200, 200);
  Pump();
  list->UpDateScrollBars();
  EXPECT_TRUE(vbar->Visible());
}

TEST(TspSkinListView, ItemsSelectWithEventsAndDrawFromTheSkin) {
  ViewSkin skin;
  ReportList r(20, &skin.data);
  TspSkinListView* list = r.list;
  EXPECT_EQ(TC(kListBG), list->Color());
  EXPECT_EQ(TC(kListFont), list->Font()->Color());
  // An eighth of the font colour in the background.
  EXPECT_EQ(AverageColor(AverageColor(AverageColor(TC(kListFont), TC(kListBG)), TC(kListBG)), TC(kListBG)),
            list->LineColor());

  std::vector<std::string> events;
  list->OnSelectItem = [&](TObject*, TListItem* it, bool sel) {
    events.push_back((sel ? "select " : "unselect ") + it->Caption());
  };
  list->SetRowSelect(true);
  list->SetDrawSkin(true);
  list->SetDrawSkinLines(true);
  list->SetSelected(list->Items()->Item(2));
  list->SetSelected(list->Items()->Item(3));
  EXPECT_EQ(list->Items()->Item(3), list->Selected());
  EXPECT_EQ((std::vector<std::string>{"select Row 2", "unselect Row 2", "select Row 3"}), events);
  EXPECT_EQ("30", list->Items()->Item(3)->SubItem(0));

  SetFocus(nullptr);
  Pump();
  Dib d = PaintInto(list);
  TRect sel = list->Items()->Item(3)->DisplayRect(drBounds);
  TRect other = list->Items()->Item(5)->DisplayRect(drBounds);
  // The whole selected row (RowSelect) comes from the list-box picture.
  EXPECT_TRUE(Contains(d, TRect{sel.Left + 80, sel.Top, sel.Left + 140, sel.Bottom}, C(kBlock[bActive])));
  EXPECT_FALSE(Contains(d, other, C(kBlock[bActive])));
  EXPECT_EQ(C(kListBG), d.At(other.Left + 60, other.Top + 1));
  // Grid lines at the column edges in the skin's line colour.
  EXPECT_EQ(static_cast<COLORREF>(ColorToRGB(list->LineColor())), d.At(other.Left + 99, other.Top + 2));

  // Check boxes from the skin's check element.
  list->SetCheckboxes(true);
  list->Items()->Item(5)->SetChecked(true);
  EXPECT_TRUE(list->Items()->Item(5)->Checked());
  Dib c = PaintInto(list);
  TRect row5 = list->Items()->Item(5)->DisplayRect(drBounds);
  TRect row6 = list->Items()->Item(6)->DisplayRect(drBounds);
  EXPECT_TRUE(Contains(c, row5, C(kBlock[bCheck])));
  EXPECT_TRUE(Contains(c, row6, C(kBlock[bUncheck])));
}

}  // namespace
