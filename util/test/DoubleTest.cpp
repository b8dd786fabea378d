#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Double.h"
#include "FailedCheck.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

// The six comparisons of a with b, in the order == != < <= > >=.
struct Comparison
{
    double a;
    double b;
    bool eq, ne, lt, le, gt, ge;
};

const Comparison COMPARISONS[] = {
    {1.0, 1.0, true, false, false, true, false, true},
    {1.0, 1.0000002, true, false, false, true, false, true},    // within 2.2e-7
    {1.0, 1.0000001, true, false, false, true, false, true},    // < is false: equal
    {1.0, 1.000001, false, true, true, true, false, false},     // outside
    {1.000001, 1.0, false, true, false, false, true, true},
    {-1.0, -1.0000002, true, false, false, true, false, true},
    {-1.000001, -1.0, false, true, true, true, false, false},
    {1e300, 1.0000002e300, true, false, false, true, false, true},  // relative, not absolute
    {1e-300, 1.0000002e-300, true, false, false, true, false, true},
    {0.0, 1e-300, false, true, true, true, false, false},       // zero equals only zero
    {0.0, -0.0, true, false, false, true, false, true},
    {-1e-300, 0.0, false, true, true, true, false, false},
    {NaN, NaN, false, true, false, false, false, false},
    {NaN, 1.0, false, true, false, false, false, false},
    {0.0, NaN, false, true, false, false, false, false},
    // Infinities follow the rule as written: the tolerance grows with them.
    {INF, 1.0, true, false, false, true, false, true},
    {INF, INF, false, true, false, false, false, false},
};

}  // namespace

TEST(DoubleTest, ComparisonsAreTolerantAndAgreeForDoubleAndDoubleOperands)
{
    for (const Comparison& c : COMPARISONS)
    {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        const Double a(c.a);
        const Double b(c.b);
        EXPECT_EQ(c.eq, a == b);
        EXPECT_EQ(c.ne, a != b);
        EXPECT_EQ(c.lt, a < b);
        EXPECT_EQ(c.le, a <= b);
        EXPECT_EQ(c.gt, a > b);
        EXPECT_EQ(c.ge, a >= b);
        EXPECT_EQ(c.eq, a == c.b);
        EXPECT_EQ(c.ne, a != c.b);
        EXPECT_EQ(c.lt, a < c.b);
        EXPECT_EQ(c.le, a <= c.b);
        EXPECT_EQ(c.gt, a > c.b);
        EXPECT_EQ(c.ge, a >= c.b);
    }
}

TEST(DoubleTest, ToleranceIsTheWidenedSinglePrecisionConstant)
{
    // 2.220446e-7f widened is 2.220446049250313e-7: a difference of exactly that
    // much relative to 1.0 still counts as equal, a few ulps more does not.
    const double tol = 2.220446049250313e-7;
    EXPECT_TRUE(Double(1.0) == Double(1.0 - tol));
    EXPECT_FALSE(Double(1.0) == Double(1.0 - tol * 1.0001));
    EXPECT_TRUE(Double(-4.0) == Double(-4.0 + 4 * tol));
    EXPECT_FALSE(Double(-4.0) == Double(-4.0 + 4 * tol * 1.0001));
}

TEST(DoubleTest, ArithmeticAndIncrementsReturnTheRightValues)
{
    Double d(6.0);
    EXPECT_EQ(8.5, static_cast<double>(d + 2.5));
    EXPECT_EQ(3.5, static_cast<double>(d - Double(2.5)));
    EXPECT_EQ(15.0, static_cast<double>(d * 2.5));
    EXPECT_EQ(2.4, static_cast<double>(d / Double(2.5)));
    EXPECT_EQ(6.0, static_cast<double>(d));  // the binary forms leave the operand alone

    EXPECT_EQ(6.0, static_cast<double>(d++));
    EXPECT_EQ(7.0, static_cast<double>(d));
    EXPECT_EQ(8.0, static_cast<double>(++d));
    EXPECT_EQ(8.0, static_cast<double>(d--));
    EXPECT_EQ(6.0, static_cast<double>(--d));

    Double& self = d;
    d = self;
    EXPECT_EQ(6.0, static_cast<double>(d));
    d = 0.25;
    d /= 0.5;
    d -= 1.0;
    d *= 3.0;
    d += 2.0;
    EXPECT_EQ(0.5, static_cast<double>(d));
    EXPECT_EQ(0.0, static_cast<double>(Double()));
}

TEST(DoubleTest, ResultChecksNameTheHeaderAndKeepTheComputedValue)
{
    EXPECT_EQ("!rhs.operator==(Double(0.0)) @ util/src/Double.h",
              failedCheckWhere([] { Double(1.0) /= Double(0.0); }));
    EXPECT_EQ("!rhs.operator==(Double(0.0))", failedCheck([] { Double(1.0) / -0.0; }));
    // Only an exact zero divisor fails; a tiny one is not tolerantly zero.
    EXPECT_EQ("", failedCheck([] { Double(1e-300) / 1e-300; }));

    EXPECT_EQ("_finite(_d) @ util/src/Double.h",
              failedCheckWhere([] { Double(1e300) * 1e300; }));
    EXPECT_EQ("_finite(_d)", failedCheck([] { Double(-1e308) - 1e308; }));
    EXPECT_EQ("_finite(_d)", failedCheck([] { Double(1e308) += Double(1e308); }));
    // A result that is not a number fails the finiteness check first.
    EXPECT_EQ("_finite(_d)", failedCheck([] { Double(INF) -= Double(INF); }));
    EXPECT_EQ("_finite(_d)", failedCheck([] {
        Double d(std::numeric_limits<double>::max());
        ++d;
        d *= 2.0;
    }));

    qvxtest::NopMode nop;
    Double product(1e300);
    product *= 1e300;
    EXPECT_EQ(INF, static_cast<double>(product));
    Double quotient(-1.0);
    quotient /= 0.0;
    EXPECT_EQ(-INF, static_cast<double>(quotient));
    Double difference(INF);
    difference -= Double(INF);
    EXPECT_TRUE(std::isnan(static_cast<double>(difference)));
}
