#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Double.h"
#include "FailedCheck.h"

using qvxtest::failedCheck;

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();
const double TOL = 2.220446049250313e-7;  // 2.220446e-7f widened
double v(const Double& d) { return d; }
}  // namespace

// Flags: the answers of == != < <= > >=, for a Double and for a double operand.
TEST(DoubleTest, ComparisonsAreTolerant)
{
    const struct { double a, b; const char* flags; } cases[] = {
        {1.0, 1.0000002, "100101"},  {1.0, 1.0000001, "100101"},  {1.0, 1.000001, "011100"},
        {1.000001, 1.0, "010011"},   {-1.000001, -1.0, "011100"}, {1e300, 1.0000002e300, "100101"},
        {1.0, 1.0 - TOL, "100101"},  {1.0, 1.0 - TOL * 1.0001, "010011"},
        {0.0, 1e-300, "011100"},     {0.0, -0.0, "100101"},       {NaN, NaN, "010000"},
        {NaN, 1.0, "010000"},        {0.0, NaN, "010000"},
        {INF, 1.0, "100101"},        {INF, INF, "010000"},  // the rule as written
    };
    for (const auto& c : cases)
    {
        const Double a(c.a), b(c.b);
        const bool got[] = {a == b,   a != b,   a < b,   a <= b,   a > b,   a >= b,
                            a == c.b, a != c.b, a < c.b, a <= c.b, a > c.b, a >= c.b};
        std::string flags;
        for (bool g : got)
            flags += g ? '1' : '0';
        EXPECT_EQ(std::string(c.flags) + c.flags, flags) << c.a << " vs " << c.b;
    }
}

TEST(DoubleTest, OperatorsReturnTheRightValues)
{
    Double d(6.0);
    EXPECT_EQ(3.5, v(d - Double(2.5)));
    EXPECT_EQ(6.0, v(d++));  // postfix gives the value before
    EXPECT_EQ(8.0, v(++d));
    EXPECT_EQ(8.0, v(d--));
    EXPECT_EQ(6.0, v(--d));
    d = d;
    (d /= 4.0) *= Double(2.0);
    EXPECT_EQ(3.0, v(d));
}

TEST(DoubleTest, ResultChecksNameTheHeaderAndKeepTheComputedValue)
{
    EXPECT_EQ("!rhs.operator==(Double(0.0)) @ util/src/Double.h",
              qvxtest::failedCheckWhere([] { Double(1.0) /= Double(0.0); }));
    EXPECT_EQ("!rhs.operator==(Double(0.0))", failedCheck([] { Double(1.0) / -0.0; }));
    EXPECT_EQ("", failedCheck([] { Double(1e-300) / 1e-300; }));  // only an exact zero
    EXPECT_EQ("_finite(_d) @ util/src/Double.h",
              qvxtest::failedCheckWhere([] { Double(1e300) * 1e300; }));
    EXPECT_EQ("_finite(_d)", failedCheck([] { Double(-1e308) -= 1e308; }));
    EXPECT_EQ("_finite(_d)", failedCheck([] { Double(INF) - INF; }));  // NaN fails it first

    qvxtest::NopMode nop;
    EXPECT_EQ(INF, v(Double(1e300) * 1e300));
    EXPECT_EQ(-INF, v(Double(-1.0) / 0.0));
    EXPECT_TRUE(std::isnan(v(Double(INF) - INF)));
}
