#include <gtest/gtest.h>

#include "core/base/Clock.h"

namespace vendra {

TEST(Clock, TickAdvancesWithSleep) {
    uint32_t start = TickMs();
    SleepMs(20);
    uint32_t elapsed = TickMs() - start;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 1000u);
}

}  // namespace vendra
