#include "debugger/app/AppRules.h"

#include <gtest/gtest.h>

using namespace quorvex;

TEST(AppRules, Placeholder) {
    EXPECT_TRUE(IsValidNumberText("-1.5"));
}
