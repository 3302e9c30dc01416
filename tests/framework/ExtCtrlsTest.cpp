#include "support/gtest.h"

#include <windows.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

namespace {

// Dispatches messages until done() or about ten seconds have passed.
template <class F>
bool PumpUntil(F done) {
  for (int i = 0; i < 1000 && !done(); ++i) {
    Application->ProcessMessages();
    Sleep(10);
  }
  return done();
}

TEST(TTimer, FiresOnTheGuiThreadUntilDisabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  DWORD thread = 0;
  timer.SetInterval(5);
  timer.OnTimer = [&](TObject* sender) {
    thread = GetCurrentThreadId();
    if (++ticks == 3) static_cast<TTimer*>(sender)->SetEnabled(false);
  };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(thread, GetCurrentThreadId());
  for (int i = 0; i < 5; ++i) {
    Sleep(10);
    Application->ProcessMessages();
  }
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(true);  // re-armed
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 4; }));
  timer.SetInterval(0);
}

TEST(TTimer, MayBeFreedInsideItsOwnHandler) {
  int live = TTimer::LiveCount();
  TComponent owner(nullptr);
  TTimer* timer = new TTimer(&owner);
  timer->SetInterval(5);
  bool fired = false;
  timer->OnTimer = [&](TObject* sender) {
    fired = true;
    delete sender;
  };
  EXPECT_TRUE(PumpUntil([&] { return fired; }));
  EXPECT_EQ(TTimer::LiveCount(), live);
  EXPECT_EQ(owner.ComponentCount(), 0);
  for (int i = 0; i < 3; ++i) {
    Sleep(10);
    Application->ProcessMessages();  // stray WM_TIMERs find no timer
  }
}

TEST(TTimer, OwnerFreesItsTimers) {
  int live = TTimer::LiveCount();
  {
    TComponent owner(nullptr);
    new TTimer(&owner);
    EXPECT_EQ(TTimer::LiveCount(), live + 1);
  }
  EXPECT_EQ(TTimer::LiveCount(), live);
}

}  // namespace
