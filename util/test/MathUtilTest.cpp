#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "FailedCheck.h"
#include "GeomUtil.h"
#include "MathUtil.h"

using qvxtest::failedCheck;

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();
const long MAX32 = 2147483647L;
const long MIN32 = -MAX32 - 1;
}  // namespace

TEST(MathUtilTest, StatisticsAndFiveNumberSummarySortInPlace)
{
    const struct { std::vector<double> data; double mean, min, q1, median, q3, max; } cases[] = {
        {{}, 0, 0, 0, 0, 0, 0},  {{5}, 5, 5, 0, 5, 0, 5},  {{3, 1, 2}, 2, 1, 1, 2, 3, 3},
        {{7, 1, 6, 2, 5, 3, 4}, 4, 1, 2, 4, 6, 7},  // the middle is in neither half
        {{6, 5, 4, 3, 2, 1}, 3.5, 1, 2, 3.5, 5, 6},
        {{4, 4, -1, 4, 10, -1, 0, 8}, 3.5, -1, -0.5, 4, 6, 10},
    };
    for (const auto& c : cases)
    {
        std::vector<double> sorted = c.data, data = c.data;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(c.mean, MathUtil::mean(data));
        EXPECT_EQ(c.median, MathUtil::median(data));
        EXPECT_EQ(sorted, data);
        data = {c.data.rbegin(), c.data.rend()};
        std::vector<double> five(5, -9.0);
        MathUtil::calculateFiveNumberSummary(five[0], five[1], five[2], five[3], five[4], data);
        EXPECT_EQ(std::vector<double>({c.min, c.q1, c.median, c.q3, c.max}), five);
    }
}

TEST(MathUtilTest, ValuesThatAreNotNumbersSortLast)
{
    std::vector<double> data = {3, NaN, 1, 2};
    EXPECT_EQ(2.5, MathUtil::median(data));  // 1 2 | 3 NaN
    std::mt19937 random(7);  // many NaNs among many values, under AddressSanitizer too
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    data.resize(5000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = i % 3 == 0 ? NaN : value(random);
    MathUtil::median(data);
    const auto nan = std::find_if(data.begin(), data.end(), [](double d) { return std::isnan(d); });
    EXPECT_EQ(3333, nan - data.begin());
    EXPECT_TRUE(std::is_sorted(data.begin(), nan));
    EXPECT_TRUE(std::all_of(nan, data.end(), [](double d) { return std::isnan(d); }));
}

TEST(MathUtilTest, RoundingRulesStayInThirtyTwoBits)
{
    const struct { double x; long safe, r0; } cases[] = {
        {0.0, 0, 0},       {2.5, 3, 3},         {-2.5, -3, -3},   {2.4999, 2, 2},
        {-0.5, -1, -1},    {0.5, 1, 1},         {123456.5, 123457, 123457},
        {0.49999999999999994, 0, 1},  {-0.49999999999999994, 0, -1},  // the remainder decides
        {2147483646.5, MAX32, MAX32}, {2147483650.0, MAX32, MAX32},
        {4294967301.0, MAX32, MAX32},  // keeping low bits would give 5
        {-2147483648.4, MIN32, MIN32}, {-3e18, MIN32, MIN32},
        {INF, MAX32, MAX32}, {-INF, MIN32, MIN32}, {NaN, 0, 0},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.safe, MathUtil::safeRound(c.x)) << c.x;
        EXPECT_EQ(c.r0, MathUtil::round0(c.x)) << c.x;
    }
}

TEST(MathUtilTest, ConversionsUseTheTenDigitPiAndMils)
{
    EXPECT_EQ(57.29577950560105 * 2, MathUtil::radiansToDegrees(2.0));
    EXPECT_EQ(0.017453292522222223 * 90, MathUtil::degreesToRadians(90.0));
    EXPECT_EQ(-38100, MathUtil::milsToNanometersInteger(-1.5));
    EXPECT_EQ(MAX32, MathUtil::milsToNanometersInteger(1e6));
    EXPECT_EQ(3.937007874015748e-5, MathUtil::nanometersToMils(1));
}

TEST(MathUtilTest, Float2ShortChecksTheUpperLimitAndSaturates)
{
    EXPECT_EQ("f <= SHRT_MAX @ util/src/MathUtil.cpp",
              qvxtest::failedCheckWhere([] { MathUtil::float2short(40000.0f); }));
    EXPECT_EQ("f <= SHRT_MAX", failedCheck([] { MathUtil::float2short(std::nanf("")); }));
    EXPECT_TRUE(MathUtil::float2short(32767.0f) == 32767 && MathUtil::float2short(-40000.0f) == -32768);
    qvxtest::NopMode nop;
    EXPECT_TRUE(MathUtil::float2short(40000.0f) == 32767 && MathUtil::float2short(std::nanf("")) == 0);
}

TEST(MathUtilTest, EqualComparesToAGivenNumberOfDigits)
{
    const struct { double a, b; unsigned int digits; bool expected; } cases[] = {
        {1.0, 1.05, 2, true},          {1.0, 1.2, 2, false},         {1.0, 5.0, 1, true},
        {0.0, 0.0, 3, false},          {NaN, NaN, 3, false},         {1.0, 1 + 9e-15, 15, true},
        {1.0, 1 + 2e-14, 15, false},   {1.0, 1 + 2e-15, 400, true},  {1.0, 1 + 3e-15, 400, false},
        {1e200, 1.0000001e200, 7, true}, {1e200, 1.00001e200, 7, false},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.expected, MathUtil::equal(c.a, c.b, c.digits)) << c.a << " " << c.b;
        EXPECT_EQ(c.expected, MathUtil::equal(c.b, c.a, c.digits)) << c.b << " " << c.a;
    }
    EXPECT_TRUE(MathUtil::equal(1.0f, 1.05f, 2u) && !MathUtil::equal(0.0f, 0.0f, 3u));
    // Digit counts of 7 and more reach the single-precision limit, about 1.19e-6.
    EXPECT_TRUE(MathUtil::equal(1.0f, 1.000001f, 50u) && !MathUtil::equal(1.0f, 1.000002f, 7u));
}

TEST(GeomUtilTest, RotatesCounterClockwiseWithTheTenDigitPi)
{
    double x = 1.0, y = 0.0;
    GeomUtil::rotateCoordinate(x, y, 90.0);
    EXPECT_NEAR(-2.0510e-10, x, 1e-14);  // the residue of the ten-digit pi
    EXPECT_EQ(1.0, y);

    // Rows beyond 32 bits apply where long has them.
    const struct { long long x, y; double degrees; long long ex, ey; } cases[] = {
        {10, 0, 60.0, 4, 8},      // about (4.9999999988, 8.66)
        {-10, 5, 60.0, -9, -6},   // about (-9.33, -6.16), both from the old x and y
        {5000000000L, -5, 0.0, 5000000000L, -5},  // zero angle: untouched
        {2000000000, 0, 60.0, 999999999, 1732050807}, {12, 34, NaN, 0, 0},
        {3000000000L, 0, 180.0, MIN32, -1},  // saturates; y about -1.23
    };
    for (const auto& c : cases)
    {
        if (c.x != static_cast<long>(c.x) || c.ex != static_cast<long>(c.ex))
            continue;
        long lx = static_cast<long>(c.x), ly = static_cast<long>(c.y);
        GeomUtil::rotateCoordinate(lx, ly, c.degrees);
        EXPECT_EQ(c.ex, lx) << c.x << "," << c.y << " by " << c.degrees;
        EXPECT_EQ(c.ey, ly) << c.x << "," << c.y << " by " << c.degrees;
    }
}
