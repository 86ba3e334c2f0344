// Shared helpers for tests that drive the effect through the stand-in host.
#pragma once
#include <string>

#include <gtest/gtest.h>

#include "AEUtil/EntryPoint.h"
#include "host/Host.h"

namespace tonedot::test {

// A stand-in host around the effect linked into the test program.
class LinkedHostTest : public ::testing::Test {
protected:
    LinkedHostTest() : host(&EntryPointFunc) {}

    // Every test ends with nothing left behind.
    void TearDown() override { EXPECT_EQ(host.LeakReport(), ""); }

    Host host;
};

}  // namespace tonedot::test
