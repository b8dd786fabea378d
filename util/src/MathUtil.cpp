#include "MathUtil.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "kbrAssert.h"

const double MathUtil::pi = 3.141592654;
const double MathUtil::DEGREES_PER_RADIAN = 180.0 / MathUtil::pi;
const int MathUtil::SECONDS_PER_MINUTE = 60;
const int MathUtil::MILLISECONDS_PER_SECOND = 1000;
const int MathUtil::_NANOMETERS_PER_MIL = 25400;

namespace {

const double RADIANS_PER_DEGREE = MathUtil::pi / 180.0;

// Ascending, with values that are not numbers after all others: a strict weak
// ordering for every double, so sorting never depends on how NaN compares.
void sortAscending(std::vector<double>& data)
{
    std::sort(data.begin(), data.end(), [](double a, double b) {
        return a < b || (!std::isnan(a) && std::isnan(b));
    });
}

// Median of the sorted range [first, first + count).
double sortedMedian(const double* first, std::size_t count)
{
    if (count == 0)
        return 0.0;
    if (count % 2 == 1)
        return first[count / 2];
    return (first[count / 2 - 1] + first[count / 2]) / 2.0;
}

// x truncated toward zero as a 32-bit integer, saturating out of range; NaN
// gives 0. Every comparison is made before any conversion, so none is undefined.
std::int32_t truncateToInt32(double x)
{
    if (std::isnan(x))
        return 0;
    if (x <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    if (x >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<std::int32_t>(x);
}

}  // namespace

MathUtil& MathUtil::operator=(const MathUtil&)
{
    return *this;
}

double MathUtil::mean(std::vector<double>& data)
{
    if (data.empty())
        return 0.0;
    double sum = 0.0;
    for (double value : data)
        sum += value;
    return sum / static_cast<double>(data.size());
}

double MathUtil::median(std::vector<double>& data)
{
    sortAscending(data);
    return sortedMedian(data.data(), data.size());
}

void MathUtil::calculateFiveNumberSummary(double& smallest, double& lowerQuartile, double& median,
                                          double& upperQuartile, double& largest,
                                          std::vector<double>& data)
{
    smallest = lowerQuartile = median = upperQuartile = largest = 0.0;
    if (data.empty())
        return;
    sortAscending(data);
    const std::size_t count = data.size();
    const std::size_t half = count / 2;
    smallest = data.front();
    largest = data.back();
    median = sortedMedian(data.data(), count);
    lowerQuartile = sortedMedian(data.data(), half);
    upperQuartile = sortedMedian(data.data() + (count - half), half);
}

double MathUtil::degreesToRadians(double degrees)
{
    return degrees * RADIANS_PER_DEGREE;
}

double MathUtil::radiansToDegrees(double radians)
{
    return radians * DEGREES_PER_RADIAN;
}

long MathUtil::safeRound(double x)
{
    if (std::isnan(x))
        return 0;
    // Clamping first keeps t + 1 and t - 1 inside the 32-bit range: at either
    // end the remainder is 0.
    x = std::min(std::max(x, static_cast<double>(INT32_MIN)), static_cast<double>(INT32_MAX));
    const std::int32_t t = static_cast<std::int32_t>(x);
    const double f = x - t;
    if (std::fabs(f) < 0.5)
        return t;
    return f >= 0 ? t + 1 : t - 1;
}

long MathUtil::round0(double x)
{
    return truncateToInt32(x > 0 ? x + 0.5 : x - 0.5);
}

int MathUtil::milsToNanometersInteger(double mils)
{
    return static_cast<int>(safeRound(mils * static_cast<double>(_NANOMETERS_PER_MIL)));
}

double MathUtil::milsToNanometersDouble(double mils)
{
    return mils * static_cast<double>(_NANOMETERS_PER_MIL);
}

double MathUtil::nanometersToMils(int nanometers)
{
    return nanometersToMils(static_cast<double>(nanometers));
}

double MathUtil::nanometersToMils(double nanometers)
{
    static const double MILS_PER_NANOMETER = 1.0 / _NANOMETERS_PER_MIL;
    return nanometers * MILS_PER_NANOMETER;
}

short MathUtil::float2short(float f)
{
    KBR_ASSERT(f <= SHRT_MAX);
    const long rounded = safeRound(f);  // NaN gives 0
    if (rounded > SHRT_MAX)
        return SHRT_MAX;
    if (rounded < SHRT_MIN)
        return SHRT_MIN;
    return static_cast<short>(rounded);
}

namespace {
// Equal to `digits` significant decimal digits, in T's own precision: the
// tolerance is 10^(mantissa digits - digits + 1) epsilons, relative to the
// larger magnitude.
template <typename T>
bool equalToDigits(T a, T b, unsigned int digits)
{
    static const T DIGITS =
        std::log10(std::pow(T(2), T(std::numeric_limits<T>::digits - 1)));
    const T n = std::min(static_cast<T>(digits), DIGITS);
    const T e = std::max(DIGITS - n + T(1), T(1));
    const T scale = std::pow(T(10), e) * std::numeric_limits<T>::epsilon();
    return std::fabs(a - b) < scale * std::max(std::fabs(a), std::fabs(b));
}
}  // namespace

bool MathUtil::equal(double a, double b, unsigned int digits)
{
    return equalToDigits(a, b, digits);
}

bool MathUtil::equal(float a, float b, unsigned int digits)
{
    return equalToDigits(a, b, digits);
}
