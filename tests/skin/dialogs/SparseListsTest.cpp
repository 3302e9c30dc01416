// The sparse storage under the string grid: sections allocated on demand,
// the high bound, list insert/delete/move and the string list's items.
#include "support/gtest.h"

#include <string>
#include <vector>

#include "framework/Streams.h"
#include "skin/dialogs/SparseLists.h"

namespace {

void* P(intptr_t v) { return reinterpret_cast<void*>(v); }

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EStringListError& e) {
    return e.what();
  }
  return "";
}

TEST(SparsePointerArray, AllocatesOnlyTheSectionWritten) {
  TSparsePointerArray a(SPASmall);
  EXPECT_EQ(a.HighBound(), -1);
  EXPECT_EQ(a.GetAt(0), nullptr);
  EXPECT_EQ(a.GetAt(5000), nullptr);
  a.PutAt(1000, P(7));
  EXPECT_EQ(a.HighBound(), 1000);
  EXPECT_EQ(a.SectionsAllocated(), 1);
  EXPECT_TRUE(a.SectionAllocated(62));
  EXPECT_EQ(a.GetAt(1000), P(7));
  EXPECT_EQ(a.GetAt(999), nullptr);
  // Writing nil where nothing is stored allocates nothing.
  a.PutAt(3000, nullptr);
  EXPECT_EQ(a.SectionsAllocated(), 1);

  TSparsePointerArray large(SPALarge);
  large.PutAt(1000, P(1));
  EXPECT_TRUE(large.SectionAllocated(3));
  EXPECT_EQ(large.SectionSize(), 256);
}

TEST(SparsePointerArray, ClearingTheTopItemLowersTheBound) {
  TSparsePointerArray a(SPASmall);
  a.PutAt(3, P(1));
  a.PutAt(40, P(2));
  a.PutAt(700, P(3));
  a.PutAt(700, nullptr);
  EXPECT_EQ(a.HighBound(), 40);
  a.PutAt(3, nullptr);
  EXPECT_EQ(a.HighBound(), 40);
  a.PutAt(40, nullptr);
  EXPECT_EQ(a.HighBound(), -1);
}

TEST(SparsePointerArray, ForAllWalksInOrderAndStopsOnNonZero) {
  TSparsePointerArray a(SPASmall);
  for (int i : {500, 2, 17, 16, 90}) a.PutAt(i, P(i + 1));
  std::vector<int> seen;
  int r = a.ForAll([&](int index, void* item) {
    EXPECT_EQ(item, P(index + 1));
    seen.push_back(index);
    return index == 90 ? 42 : 0;
  });
  EXPECT_EQ(r, 42);
  EXPECT_EQ(seen, (std::vector<int>{2, 16, 17, 90}));
  EXPECT_EQ(a.ForAll([](int, void*) { return 0; }), 0);
}

TEST(SparsePointerArray, IndexesPastTheSectionRangeAreRefused) {
  // 16-bit section numbers: past them an index would wrap onto other items.
  TSparsePointerArray a(SPASmall);
  a.PutAt(0, P(1));
  EXPECT_EQ(a.MaxIndex(), 65535 * 16 - 1);
  EXPECT_EQ(ErrorOf([&] { a.PutAt(65535 * 16, P(2)); }), "SListIndexError");
  EXPECT_EQ(a.GetAt(0), P(1));
  a.PutAt(a.MaxIndex(), P(3));
  EXPECT_EQ(a.GetAt(a.MaxIndex()), P(3));
}

TEST(SparseList, CountInsertDeleteMove) {
  struct Case {
    const char* name;
    std::function<void(TSparseList&)> act;
    std::vector<intptr_t> want;  // items 0..count-1, 0 = absent
  };
  auto fill = [](TSparseList& l) {
    for (int i = 0; i < 4; ++i) l.PutItem(i, P(i + 1));
  };
  const std::vector<Case> cases = {
      {"put follows the highest item", [&](TSparseList& l) { l.PutItem(6, P(9)); }, {0, 0, 0, 0, 0, 0, 9}},
      {"clearing the last item shortens", [&](TSparseList& l) { fill(l); l.PutItem(3, nullptr); }, {1, 2, 3}},
      {"insert in the middle shifts", [&](TSparseList& l) { fill(l); l.Insert(1, P(8)); }, {1, 8, 2, 3, 4}},
      {"insert past the count extends", [&](TSparseList& l) { fill(l); l.Insert(7, P(8)); }, {1, 2, 3, 4, 0, 0, 0, 8}},
      {"delete shifts down", [&](TSparseList& l) { fill(l); l.Delete(1); }, {1, 3, 4}},
      {"delete outside does nothing", [&](TSparseList& l) { fill(l); l.Delete(4); l.Delete(-1); }, {1, 2, 3, 4}},
      {"move forward", [&](TSparseList& l) { fill(l); l.Move(0, 2); }, {2, 3, 1, 4}},
      {"move back", [&](TSparseList& l) { fill(l); l.Move(3, 0); }, {4, 1, 2, 3}},
      {"exchange", [&](TSparseList& l) { fill(l); l.Exchange(0, 3); }, {4, 2, 3, 1}},
      {"clear", [&](TSparseList& l) { fill(l); l.Clear(); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSparseList l(SPASmall);
    c.act(l);
    ASSERT_EQ(l.Count(), static_cast<int>(c.want.size()));
    for (int i = 0; i < l.Count(); ++i) EXPECT_EQ(l.GetItem(i), P(c.want[i])) << i;
  }
}

TEST(SparseList, NegativeIndexesRaiseListErrors) {
  TSparseList l(SPASmall);
  EXPECT_EQ(ErrorOf([&] { l.GetItem(-1); }), "ListIndexError");
  EXPECT_EQ(ErrorOf([&] { l.PutItem(-1, P(1)); }), "SListIndexError");
  EXPECT_EQ(ErrorOf([&] { l.Insert(-1, P(1)); }), "SListIndexError");
}

TEST(StringSparseList, TextsObjectsAndItems) {
  TStringSparseList s(SPASmall);
  int changes = 0;
  s.OnChange = [&](TObject*) { ++changes; };
  s.Put(3, "three");
  EXPECT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Get(0), "");
  EXPECT_EQ(s.Get(3), "three");
  // An empty text without an object removes the item.
  s.Put(3, "");
  EXPECT_EQ(s.Count(), 0);
  // With an object the item stays.
  TObject o;
  s.PutObject(2, &o);
  s.Put(2, "x");
  s.Put(2, "");
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Objects(2), &o);
  // Insert makes an item even for an empty text.
  s.Insert(0, "");
  EXPECT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Objects(3), &o);
  s.Delete(0);
  EXPECT_EQ(s.Objects(2), &o);
  EXPECT_GE(changes, 6);
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
}

TEST(StringSparseList, StreamsAndReadsBackTheSameItems) {
  TStringSparseList a(SPASmall);
  a.Put(1, "one");
  a.Put(40, "forty");
  TMemoryStream m;
  a.WriteData(&m);
  m.SetPosition(0);
  TStringSparseList b(SPASmall);
  b.ReadData(&m);
  EXPECT_EQ(b.Count(), 41);
  EXPECT_EQ(b.Get(1), "one");
  EXPECT_EQ(b.Get(40), "forty");
  EXPECT_EQ(b.Get(2), "");
}

}  // namespace
