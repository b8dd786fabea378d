#ifndef QVX_MATH_UTIL_H
#define QVX_MATH_UTIL_H

#include <vector>

#include "QvxExport.h"

// Statistics of a sample, rounding, angle and length conversions, and
// comparisons of floating-point numbers to a number of decimal digits.
//
// pi is the ten-digit 3.141592654, and every angle conversion uses it: a right
// angle is 1.570796327 radians.
//
// Integer results are 32-bit values even where the declared type is long
// (which has 64 bits on some hosts): safeRound and round0 return a value from
// -2147483648 to 2147483647 on every host. Out of that range (a choice of this
// library; the computation itself does not check it) the result saturates at the
// nearer end, and a value that is not a number gives 0. float2short saturates
// likewise at -32768 and 32767.
//
// The sorting functions (median, calculateFiveNumberSummary) sort the caller's
// vector ascending in place. Values that are not numbers, which have no place in
// that order, are put after all others, so the sort is always well defined.
class QVXUTIL_API MathUtil
{
public:
    static const double pi;
    static const double DEGREES_PER_RADIAN;  // 180 / pi
    static const int SECONDS_PER_MINUTE;
    static const int MILLISECONDS_PER_SECOND;

    // Sum in order divided by the count; 0.0 for an empty vector.
    static double mean(std::vector<double>& data);
    // Sorts data; the middle element, or the mean of the two middle ones; 0.0
    // for an empty vector.
    static double median(std::vector<double>& data);
    // Sorts data and writes smallest, lower quartile, median, upper quartile and
    // largest. The quartiles are the medians of the lower and upper halves of
    // count / 2 elements each (the middle element of an odd count belongs to
    // neither); all five are 0.0 for an empty vector, the quartiles 0.0 for one
    // element.
    static void calculateFiveNumberSummary(double& smallest, double& lowerQuartile,
                                           double& median, double& upperQuartile,
                                           double& largest, std::vector<double>& data);

    static double degreesToRadians(double degrees);
    static double radiansToDegrees(double radians);

    // Nearest integer, halves away from zero; the remainder after truncation
    // decides, so 0.49999999999999994 gives 0.
    static long safeRound(double x);
    // x + 0.5 (x > 0) or x - 0.5 (otherwise) truncated toward zero, so
    // 0.49999999999999994 gives 1.
    static long round0(double x);

    static int milsToNanometersInteger(double mils);
    static double milsToNanometersDouble(double mils);
    static double nanometersToMils(int nanometers);
    static double nanometersToMils(double nanometers);

    // Checks "f <= SHRT_MAX" (a value that is not a number fails it), then
    // rounds with safeRound; the result saturates at -32768 and 32767.
    static short float2short(float f);

    // True when |a - b| < 10^(1 - digits) * max(|a|, |b|), the digit count
    // limited to the type's precision. Strict: two zeros are not equal, and
    // nothing is equal to a value that is not a number.
    static bool equal(double a, double b, unsigned int digits);
    static bool equal(float a, float b, unsigned int digits);

    // Holds nothing; assignment does nothing.
    MathUtil& operator=(const MathUtil&);

private:
    static const int _NANOMETERS_PER_MIL;
};

#endif
