#include "support/gtest.h"

#include <vector>

#include "framework/Classes.h"

namespace {

struct Probe : TComponent {
  std::vector<std::string>* log;
  TComponent* watched = nullptr;
  Probe(TComponent* owner, const std::string& name, std::vector<std::string>* l) : TComponent(owner), log(l) {
    SetName(name);
  }
  ~Probe() override { log->push_back("free " + Name()); }
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove && c == watched) {
      log->push_back(Name() + " saw " + c->Name() + " go");
      watched = nullptr;
    }
    TComponent::Notification(c, op);
  }
};

TEST(TComponent, OwnerFreesOwnedComponentsNewestFirst) {
  std::vector<std::string> log;
  auto* owner = new Probe(nullptr, "owner", &log);
  new Probe(owner, "a", &log);
  new Probe(owner, "b", &log);
  ASSERT_EQ(2, owner->ComponentCount());
  EXPECT_EQ("a", owner->Components(0)->Name());
  EXPECT_EQ(1, owner->Components(1)->ComponentIndex());
  delete owner;
  EXPECT_EQ((std::vector<std::string>{"free owner", "free b", "free a"}), log);
}

TEST(TComponent, FreeNotificationClearsReferencesAcrossOwners) {
  std::vector<std::string> log;
  Probe formA(nullptr, "formA", &log), formB(nullptr, "formB", &log);
  auto* skin = new Probe(&formA, "skin", &log);
  auto* user = new Probe(&formB, "user", &log);
  user->watched = skin;
  user->FreeNotification(skin);
  delete skin;
  EXPECT_EQ(nullptr, user->watched);
  EXPECT_EQ("user saw skin go", log.at(1));
  // A removed notification stays silent.
  auto* skin2 = new Probe(&formA, "skin2", &log);
  user->watched = skin2;
  user->FreeNotification(skin2);
  user->RemoveFreeNotification(skin2);
  log.clear();
  delete skin2;
  EXPECT_EQ(skin2, user->watched);
  EXPECT_EQ((std::vector<std::string>{"free skin2"}), log);
}

TEST(TComponent, SiblingsHearOfEachOthersRemoval) {
  std::vector<std::string> log;
  Probe form(nullptr, "form", &log);
  auto* list = new Probe(&form, "list", &log);
  auto* menu = new Probe(&form, "menu", &log);
  list->watched = menu;
  delete menu;
  EXPECT_EQ(nullptr, list->watched);
}

struct RefHolder : TComponent {
  TComponentRef<TComponent> first{this}, second{this};
  TComponent* seenInNotification = nullptr;
  explicit RefHolder(TComponent* owner) : TComponent(owner) {}
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    // The reference is still set while the holder hears of the removal.
    if (op == opRemove && c == first) seenInNotification = first;
  }
};

TEST(TComponentRef, EmptiesItselfWhenTheComponentGoesAndNotBefore) {
  std::vector<std::string> log;
  Probe formA(nullptr, "formA", &log), formB(nullptr, "formB", &log);
  auto* holder = new RefHolder(&formB);
  auto* skin = new Probe(&formA, "skin", &log);
  EXPECT_TRUE(holder->first.Set(skin));
  EXPECT_FALSE(holder->first.Set(skin));
  holder->second.Set(skin);
  // Letting go of one reference keeps the other one told.
  holder->second.Set(nullptr);
  holder->second.Set(skin);
  holder->first.Set(nullptr);
  holder->first.Set(skin);
  delete skin;
  EXPECT_EQ(nullptr, holder->first.Get());
  EXPECT_EQ(nullptr, holder->second.Get());
  EXPECT_EQ(skin, holder->seenInNotification);
  // A holder freed first leaves nothing behind in the component it held.
  auto* other = new Probe(&formA, "other", &log);
  holder->first.Set(other);
  delete holder;
  log.clear();
  delete other;
  EXPECT_EQ((std::vector<std::string>{"free other"}), log);
}

TEST(TComponentRef, TwoComponentsReferringToEachOtherStayToldWhenOneLetsGo) {
  RefHolder a(nullptr), b(nullptr);
  auto* c = new RefHolder(nullptr);
  a.first.Set(c);
  c->first.Set(&a);
  a.first.Set(nullptr);
  b.first.Set(c);
  c->first.Set(&b);
  c->first.Set(nullptr);
  delete c;
  EXPECT_EQ(nullptr, a.first.Get());
  EXPECT_EQ(nullptr, b.first.Get());
  // And the other way round: c goes while a still refers to it.
  auto* d = new RefHolder(nullptr);
  a.first.Set(d);
  d->first.Set(&a);
  d->first.Set(nullptr);
  delete d;
  EXPECT_EQ(nullptr, a.first.Get());
}

TEST(TComponent, NamesAreUniquePerOwnerAndFoundIgnoringCase) {
  std::vector<std::string> log;
  Probe form(nullptr, "form", &log);
  auto* button = new Probe(&form, "StartButton", &log);
  EXPECT_EQ(button, form.FindComponent("startbutton"));
  EXPECT_EQ(nullptr, form.FindComponent(""));
  EXPECT_THROW(new Probe(&form, "STARTBUTTON", &log), Exception);
  EXPECT_THROW(form.Components(5), Exception);
}

TEST(TComponent, InsertComponentMovesOwnership) {
  std::vector<std::string> log;
  Probe a(nullptr, "a", &log), b(nullptr, "b", &log);
  auto* c = new Probe(&a, "c", &log);
  b.InsertComponent(c);
  EXPECT_EQ(0, a.ComponentCount());
  EXPECT_EQ(&b, c->Owner());
}

TEST(TPersistent, AssignOfUnrelatedClassesRefuses) {
  TPersistent a, b;
  EXPECT_THROW(a.Assign(&b), Exception);
}

}  // namespace
