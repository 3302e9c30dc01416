#include "support/gtest.h"
#include "skin/frame/SkinHint.h"
TEST(Dummy, Builds) {}
