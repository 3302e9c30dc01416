#include "support/gtest.h"

#include <windows.h>

#include "app/editing/clip.h"
#include "app/editing/crop.h"

TEST(TrimEditBuild, Links) { SUCCEED(); }
