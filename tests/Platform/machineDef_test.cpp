#include "Platform/machineDef.h"

#include <gtest/gtest.h>

#include <string>

static int softCheck(int value) {
    if (!VE_SOFT_ASSERT(value > 3)) return -1;
    return value;
}

TEST(Assertions, SoftAssertionPrintsTheFixedLineAndContinues) {
    testing::internal::CaptureStderr();
    int result = softCheck(1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(err.rfind("SOFT ASSERTION FAILED:<tests/Platform/machineDef_test.cpp><", 0), 0u) << err;
    EXPECT_NE(err.find(">: value > 3\n"), std::string::npos) << err;

    testing::internal::CaptureStderr();
    EXPECT_EQ(softCheck(7), 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(AssertionsDeathTest, HardAssertionPrintsAndStops) {
    int* nothing = nullptr;
    EXPECT_DEATH(VE_ASSERT_NOT_NULL(nothing), "^ASSERTION FAILED:<tests/Platform/machineDef_test.cpp><[0-9]+>: NOT NULL: nothing\n");
    EXPECT_DEATH(VE_ASSERT(1 + 1 == 3), "^ASSERTION FAILED:<.*><[0-9]+>: 1 \\+ 1 == 3\n");
    EXPECT_DEATH(VE_INVALID_CASE(), ">: Invalid case reached.\n");
}
