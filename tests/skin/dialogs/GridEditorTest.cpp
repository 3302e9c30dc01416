#include "support/gtest.h"
