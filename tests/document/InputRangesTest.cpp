// The ranges the program takes a user's values in.

#include "vornel/document/InputRanges.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CurveConditions, BoundsAreInclusiveAndNaNIsRefused) {
    EXPECT_NO_THROW(CheckCurveConditions(kMaxCurveTemp, kMaxCurveRate));
    EXPECT_NO_THROW(CheckCurveConditions(kMinCurveTemp, kMinCurveRate));
    EXPECT_THROW(CheckCurveConditions(std::nan(""), 1), CInputError);
    EXPECT_THROW(CheckCurveConditions(900, 10000.5), CInputError);
    EXPECT_NO_THROW(CheckTemp3d(0));
    EXPECT_NO_THROW(CheckTemp3d(1600));
    EXPECT_THROW(CheckTemp3d(-0.5), CInputError);
}
