#include "support/gtest.h"

#include "PlayerTestSupport.h"

namespace {

using Posted = std::vector<std::pair<int, int64_t>>;

// ---------------------------------------------------------------------------
// The event ring

TEST(PlayEventRing, CoalescesAndDropsAsDescribed) {
  {
    TPlayEvent ring;
    for (int i = 0; i < 10; ++i) ring.Post(PlayEventPosition, i * 1000);
    ASSERT_EQ(1, ring.Count());
    const TPlayEventEntry e = ring.Take();
    EXPECT_EQ(PlayEventPosition, e.Kind);
    EXPECT_EQ(9000, e.Value);
    EXPECT_EQ(PlayEventNone, ring.Take().Kind);
    EXPECT_EQ(wrTimeout, ring.Event.WaitFor(0));
  }
  {
    TPlayEvent ring;
    for (int i = 0; i < 10; ++i) ring.Post(i % 2 ? PlayEventState : PlayEventPosition, i);
    ASSERT_EQ(9, ring.Count());
    for (int i = 1; i < 10; ++i) EXPECT_EQ(i, ring.Take().Value);
  }
  {
    TPlayEvent ring;
    ring.Post(PlayEventPosition, 1);
    ring.Post(PlayEventState, psEnd);
    ring.Post(PlayEventPosition, 2);
    ring.Post(PlayEventPosition, 3);
    ASSERT_EQ(3, ring.Count());
    EXPECT_EQ(1, ring.Take().Value);
    EXPECT_EQ(psEnd, ring.Take().Value);
    EXPECT_EQ(3, ring.Take().Value);
  }
}

// ---------------------------------------------------------------------------
// Which positions are reported, and what the end and the repeat rules do

TEST(PositionRule, ReportsMovesOfMoreThanTenMillisecondsAndTheEndOnce) {
  TPositionRun run;
  run.duration = 3000000;
  RunPositionRule(run, {1.0, 1.01, 1.010001, 2.995, 3.02, 3.05});
  const std::vector<Posted> expected = {
      {{PlayEventPosition, 1000000}},
      {},  // exactly 10 ms: not worth a report
      {{PlayEventPosition, 1010001}},
      {{PlayEventPosition, 2995000}},
      {{PlayEventPosition, 3000000}},  // the clock passed the end: the duration
      {},                              // and only once
  };
  EXPECT_EQ(expected, run.posted);
}

TEST(PositionRule, AudioAtItsEndReportsTheEndStateAgainAndAgain) {
  TPositionRun run;
  run.duration = 3000000;
  run.reachedEnd = true;
  RunPositionRule(run, {3.0, 3.0, 3.0});
  const std::vector<Posted> expected = {
      {{PlayEventPosition, 3000000}, {PlayEventState, psEnd}},
      {{PlayEventState, psEnd}},
      {{PlayEventState, psEnd}},
  };
  EXPECT_EQ(expected, run.posted);
}

TEST(PositionRule, LoopReturnsToTheStartTimeAtTheEndOfThePlayTime) {
  struct Case {
    const char* what;
    int repeat;
    double clock;
    bool seeks;
  } cases[] = {
      {"before the limit", rtLoop, 14.9, false},
      {"at the limit", rtLoop, 15.0, true},
      {"beyond the limit", rtLoop, 16.0, true},
      {"no repeat", rtNone, 16.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TPositionRun run;
    run.duration = 60000000;
    run.playTime = 5000000;
    run.startTime = 10000000;
    run.repeatType = c.repeat;
    RunPositionRule(run, {c.clock});
    EXPECT_EQ(c.seeks, run.seekRequested);
    if (c.seeks) {
      EXPECT_EQ(10000000, run.seekTarget);
    }
  }
}

}  // namespace
