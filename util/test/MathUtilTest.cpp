#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "FailedCheck.h"
#include "GeomUtil.h"
#include "MathUtil.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

struct Summary
{
    std::vector<double> data;
    double mean, min, q1, median, q3, max;
};

const Summary SUMMARIES[] = {
    {{}, 0, 0, 0, 0, 0, 0},
    {{5}, 5, 5, 0, 5, 0, 5},  // one element: quartiles of empty halves
    {{3, 1, 2}, 2, 1, 1, 2, 3, 3},
    {{2, 1}, 1.5, 1, 1, 1.5, 2, 2},
    {{7, 1, 6, 2, 5, 3, 4}, 4, 1, 2, 4, 6, 7},  // odd: the middle is in neither half
    {{6, 5, 4, 3, 2, 1}, 3.5, 1, 2, 3.5, 5, 6},
    {{4, 4, -1, 4, 10, -1, 0, 8}, 3.5, -1, -0.5, 4, 6, 10},
};

}  // namespace

TEST(MathUtilTest, StatisticsAndFiveNumberSummarySortInPlace)
{
    for (const Summary& s : SUMMARIES)
    {
        SCOPED_TRACE(testing::Message() << "count " << s.data.size() << ", mean " << s.mean);
        std::vector<double> sorted = s.data;
        std::sort(sorted.begin(), sorted.end());

        std::vector<double> data = s.data;
        EXPECT_EQ(s.mean, MathUtil::mean(data));
        EXPECT_EQ(s.data, data);  // mean leaves the order alone

        EXPECT_EQ(s.median, MathUtil::median(data));
        EXPECT_EQ(sorted, data);

        data = s.data;
        double v[5] = {-9, -9, -9, -9, -9};
        MathUtil::calculateFiveNumberSummary(v[0], v[1], v[2], v[3], v[4], data);
        EXPECT_EQ(s.min, v[0]);
        EXPECT_EQ(s.q1, v[1]);
        EXPECT_EQ(s.median, v[2]);
        EXPECT_EQ(s.q3, v[3]);
        EXPECT_EQ(s.max, v[4]);
        EXPECT_EQ(sorted, data);
    }
}

TEST(MathUtilTest, ValuesThatAreNotNumbersSortLast)
{
    std::vector<double> data = {3, NaN, 1, 2};
    EXPECT_EQ(2.5, MathUtil::median(data));  // 1 2 | 3 NaN
    EXPECT_TRUE(std::isnan(data.back()));

    // Many NaNs among many values: the sort must stay well defined (this runs
    // under AddressSanitizer) and order every number before every NaN.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    data.clear();
    for (int i = 0; i < 5000; ++i)
        data.push_back(i % 3 == 0 ? NaN : value(random));
    double v[5];
    MathUtil::calculateFiveNumberSummary(v[0], v[1], v[2], v[3], v[4], data);
    const auto firstNaN = std::find_if(data.begin(), data.end(), [](double d) { return std::isnan(d); });
    EXPECT_EQ(3333, firstNaN - data.begin());
    EXPECT_TRUE(std::is_sorted(data.begin(), firstNaN));
    EXPECT_TRUE(std::all_of(firstNaN, data.end(), [](double d) { return std::isnan(d); }));
    EXPECT_EQ(data.front(), v[0]);
}

TEST(MathUtilTest, RoundingRulesAndTheirRangeAreThirtyTwoBit)
{
    const long MAX32 = 2147483647L;
    const long MIN32 = -2147483647L - 1;
    struct Case
    {
        double x;
        long safe;
        long r0;
    };
    const Case cases[] = {
        {0.0, 0, 0},
        {-0.0, 0, 0},
        {2.5, 3, 3},
        {-2.5, -3, -3},
        {2.4999, 2, 2},
        {-0.5, -1, -1},
        {0.5, 1, 1},
        {0.49999999999999994, 0, 1},  // the remainder decides, not x + 0.5
        {-0.49999999999999994, 0, -1},
        {1e-300, 0, 0},
        {123456.5, 123457, 123457},
        {2147483646.5, MAX32, MAX32},
        {2147483647.4, MAX32, MAX32},
        {2147483650.0, MAX32, MAX32},  // beyond the range: saturates
        {4294967301.0, MAX32, MAX32},  // would wrap to 5 if only low bits were kept
        {-2147483648.4, MIN32, MIN32},
        {-3e18, MIN32, MIN32},
        {INF, MAX32, MAX32},
        {-INF, MIN32, MIN32},
        {NaN, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message().operator<<(c.x));
        EXPECT_EQ(c.safe, MathUtil::safeRound(c.x));
        EXPECT_EQ(c.r0, MathUtil::round0(c.x));
    }
}

TEST(MathUtilTest, ConstantsAndConversionsUseTheTenDigitPi)
{
    EXPECT_EQ(3.141592654, MathUtil::pi);
    EXPECT_EQ(57.29577950560105, MathUtil::DEGREES_PER_RADIAN);
    EXPECT_EQ(60, MathUtil::SECONDS_PER_MINUTE);
    EXPECT_EQ(1000, MathUtil::MILLISECONDS_PER_SECOND);
    EXPECT_EQ(0.017453292522222223, MathUtil::degreesToRadians(1.0));
    EXPECT_EQ(90 * 0.017453292522222223, MathUtil::degreesToRadians(90.0));
    EXPECT_NEAR(1.570796327, MathUtil::degreesToRadians(90.0), 1e-15);
    EXPECT_EQ(2 * 57.29577950560105, MathUtil::radiansToDegrees(2.0));

    EXPECT_EQ(25400, MathUtil::milsToNanometersInteger(1.0));
    EXPECT_EQ(-38100, MathUtil::milsToNanometersInteger(-1.5));
    EXPECT_EQ(3, MathUtil::milsToNanometersInteger(0.0001));  // 2.54 rounds to 3
    EXPECT_EQ(2147483647, MathUtil::milsToNanometersInteger(1e6));  // 2.54e10 saturates
    EXPECT_EQ(63500.0, MathUtil::milsToNanometersDouble(2.5));
    EXPECT_DOUBLE_EQ(1.0, MathUtil::nanometersToMils(25400));
    EXPECT_EQ(3.937007874015748e-5, MathUtil::nanometersToMils(1));
    EXPECT_EQ(0.5 * 3.937007874015748e-5, MathUtil::nanometersToMils(0.5));
}

TEST(MathUtilTest, Float2ShortChecksTheUpperLimitAndSaturates)
{
    EXPECT_EQ("f <= SHRT_MAX @ util/src/MathUtil.cpp",
              failedCheckWhere([] { MathUtil::float2short(40000.0f); }));
    EXPECT_EQ("f <= SHRT_MAX", failedCheck([] { MathUtil::float2short(32767.5f); }));
    EXPECT_EQ("f <= SHRT_MAX",
              failedCheck([] { MathUtil::float2short(std::numeric_limits<float>::quiet_NaN()); }));

    EXPECT_EQ(32767, MathUtil::float2short(32767.0f));
    EXPECT_EQ(2, MathUtil::float2short(1.5f));
    EXPECT_EQ(-2, MathUtil::float2short(-1.5f));
    EXPECT_EQ(-32768, MathUtil::float2short(-32768.4f));
    EXPECT_EQ(-32768, MathUtil::float2short(-40000.0f));
    EXPECT_EQ(-32768, MathUtil::float2short(-std::numeric_limits<float>::infinity()));

    qvxtest::NopMode nop;
    EXPECT_EQ(32767, MathUtil::float2short(40000.0f));
    EXPECT_EQ(32767, MathUtil::float2short(std::numeric_limits<float>::infinity()));
    EXPECT_EQ(0, MathUtil::float2short(std::numeric_limits<float>::quiet_NaN()));
}

TEST(MathUtilTest, EqualComparesToAGivenNumberOfDigits)
{
    struct Case
    {
        double a, b;
        unsigned int digits;
        bool expected;
    };
    const Case cases[] = {
        {1.0, 1.05, 2, true},
        {1.0, 1.2, 2, false},
        {-1.0, -1.05, 2, true},
        {1.0, 5.0, 1, true},  // one digit: within the larger magnitude
        {1.0, -0.5, 1, false},
        {0.0, 0.0, 3, false},  // strict: zeros are never equal
        {NaN, NaN, 3, false},
        {1.0, 1.0 + 9e-15, 15, true},
        {1.0, 1.0 + 2e-14, 15, false},
        {1.0, 1.0 + 2e-15, 16, true},  // 16 and more digits: scale about 2.2e-15
        {1.0, 1.0 + 2e-15, 400, true},
        {1.0, 1.0 + 3e-15, 400, false},
        {1e200, 1.0000001e200, 7, true},
        {1e200, 1.00001e200, 7, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b << " to " << c.digits);
        EXPECT_EQ(c.expected, MathUtil::equal(c.a, c.b, c.digits));
        EXPECT_EQ(c.expected, MathUtil::equal(c.b, c.a, c.digits));
    }

    EXPECT_TRUE(MathUtil::equal(1.0f, 1.05f, 2u));
    EXPECT_FALSE(MathUtil::equal(1.0f, 1.2f, 2u));
    EXPECT_FALSE(MathUtil::equal(0.0f, 0.0f, 3u));
    // Seven and more digits reach the single-precision limit, about 1.19e-6.
    EXPECT_TRUE(MathUtil::equal(1.0f, 1.000001f, 7u));
    EXPECT_FALSE(MathUtil::equal(1.0f, 1.000002f, 7u));
    EXPECT_TRUE(MathUtil::equal(1.0f, 1.000001f, 50u));
}

TEST(GeomUtilTest, RotatesCounterClockwiseWithTheTenDigitPi)
{
    double x = 1.0, y = 0.0;
    GeomUtil::rotateCoordinate(x, y, 90.0);
    EXPECT_NEAR(-2.0510e-10, x, 1e-14);  // the residue of the ten-digit pi
    EXPECT_EQ(1.0, y);

    x = 2.0;
    y = 1.0;
    GeomUtil::rotateCoordinate(x, y, -90.0);  // both results come from the old x and y
    EXPECT_NEAR(1.0, x, 1e-9);
    EXPECT_NEAR(-2.0, y, 1e-9);

    x = 3.0;
    y = 4.0;
    GeomUtil::rotateCoordinate(x, y, 30.0);
    EXPECT_NEAR(5.0, std::hypot(x, y), 1e-12);
    GeomUtil::rotateCoordinate(x, y, -30.0);
    EXPECT_NEAR(3.0, x, 1e-12);
    EXPECT_NEAR(4.0, y, 1e-12);

    x = NaN;
    y = 1e308;
    GeomUtil::rotateCoordinate(x, y, 0.0);  // exactly zero: untouched
    EXPECT_TRUE(std::isnan(x));
    EXPECT_EQ(1e308, y);
}

TEST(GeomUtilTest, IntegerRotationTruncatesIntoThirtyTwoBits)
{
    struct Case
    {
        long x, y;
        double degrees;
        long ex, ey;
    };
    const Case cases[] = {
        {10, 0, 60.0, 4, 8},  // about (4.9999999988, 8.66)
        {-10, 0, 60.0, -4, -8},
        {0, 10, 90.0, -10, 0},  // x about -9.9999999999, y about 2.05e-9
        {7, -3, 0.0, 7, -3},
        {5000000000L, -5000000000L, 0.0, 5000000000L, -5000000000L},  // zero angle: untouched
        {2000000000, 0, 60.0, 999999999, 1732050807},
        {3000000000L, 0, 180.0, -2147483647L - 1, -1},  // saturates; y about -1.23
        {-2000000000, -2000000000, 45.0, 0, -2147483647L - 1},
        {12, 34, NaN, 0, 0},
        {12, 34, INF, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " by " << c.degrees);
        long x = c.x, y = c.y;
        GeomUtil::rotateCoordinate(x, y, c.degrees);
        EXPECT_EQ(c.ex, x);
        EXPECT_EQ(c.ey, y);
    }
}
