#include <gtest/gtest.h>

#include <vector>

#include "skin/data/SPLayerFade.h"

namespace {

std::vector<int> FadeSequence(int target, int maxTicks = 1000) {
  TspLayerFade f;
  f.Start(target);
  std::vector<int> seq;
  while (f.Running() && int(seq.size()) < maxTicks) seq.push_back(f.Tick());
  return seq;
}

TEST(LayerFade, SequencesReachTheTargetAndStop) {
  EXPECT_EQ(FadeSequence(255), (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255}));
  EXPECT_EQ(FadeSequence(0), (std::vector<int>{0}));
  EXPECT_EQ(FadeSequence(5), (std::vector<int>{1, 2, 3, 4, 5}));  // a small target still arrives
  EXPECT_EQ(FadeSequence(300).back(), 255);
  EXPECT_EQ(FadeSequence(-4), (std::vector<int>{0}));
  EXPECT_EQ(FadeSequence(100).size(), 10u);
}

}  // namespace
