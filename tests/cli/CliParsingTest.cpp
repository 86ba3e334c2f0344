#include <gtest/gtest.h>

#include "cli/ClosestNames.h"

using namespace tonedot::cli;

TEST(ClosestNames, PlaceholderUntilTestsLand) { EXPECT_EQ(NameDistance("Dot Size", "dot size"), 0u); }
