#ifndef QVX_DOUBLE_H
#define QVX_DOUBLE_H

#include <cmath>

#include "QvxExport.h"
#include "kbrAssert.h"

// A double whose equality and ordering tolerate a relative difference of about
// two parts in ten million, and whose arithmetic checks that no result is
// infinite or not a number.
//
// Tolerant equality of a (this value) and b: |a - b| <= 2.220446049250313e-7 *
// max(|a|, |b|). Zero equals only zero (of either sign); a value that is not a
// number equals nothing. The orderings build on it: a < b holds when a < b
// exactly and the two are not tolerantly equal, a <= b when a < b exactly or
// they are equal; likewise > and >=. Every comparison is false when either side
// is not a number, except !=, which is then true.
//
// The rule is applied as written even to infinities, which arithmetic never
// produces without a failed check but the constructor and assignment accept:
// an infinite value equals every finite one (the difference is infinite, and so
// is the tolerance) and does not equal itself (inf - inf is not a number).
//
// Compound operators store the result first and then check it: "_finite(_d)",
// then "_isnan(_d) == false" (a result that is not a number fails both). When a
// failed check returns (nop mode) the value stays as computed. Division checks
// "!rhs.operator==(Double(0.0))" before dividing, which fails only for an exact
// zero divisor.
//
// The comparisons and operators are members, so they apply when the Double is
// on the left: in 1.0 == d the Double converts to double and the comparison is
// the exact built-in one.
//
// Everything is inline, so failed checks name this header as their source file.
class QVXUTIL_API Double
{
public:
    Double() : _d(0.0) {}
    Double(double d) : _d(d) {}
    Double(const Double& rhs) : _d(rhs._d) {}

    Double& operator=(double d)
    {
        _d = d;
        return *this;
    }
    Double& operator=(const Double& rhs)
    {
        if (this != &rhs)
            _d = rhs._d;
        return *this;
    }

    operator double() const { return _d; }

    Double& operator+=(const Double& rhs)
    {
        _d = _d + rhs._d;
        checkResult();
        return *this;
    }
    Double& operator-=(const Double& rhs)
    {
        _d = _d - rhs._d;
        checkResult();
        return *this;
    }
    Double& operator*=(const Double& rhs)
    {
        _d = _d * rhs._d;
        checkResult();
        return *this;
    }
    Double& operator/=(const Double& rhs)
    {
        KBR_ASSERT(!rhs.operator==(Double(0.0)));
        _d = _d / rhs._d;
        checkResult();
        return *this;
    }

    const Double operator+(const Double& rhs) const { return Double(*this) += rhs; }
    const Double operator-(const Double& rhs) const { return Double(*this) -= rhs; }
    const Double operator*(const Double& rhs) const { return Double(*this) *= rhs; }
    const Double operator/(const Double& rhs) const { return Double(*this) /= rhs; }
    const Double operator+(double rhs) const { return Double(*this) += Double(rhs); }
    const Double operator-(double rhs) const { return Double(*this) -= Double(rhs); }
    const Double operator*(double rhs) const { return Double(*this) *= Double(rhs); }
    const Double operator/(double rhs) const { return Double(*this) /= Double(rhs); }

    Double& operator++() { return *this += Double(1.0); }
    Double& operator--() { return *this -= Double(1.0); }
    const Double operator++(int)
    {
        const Double before(*this);
        ++*this;
        return before;
    }
    const Double operator--(int)
    {
        const Double before(*this);
        --*this;
        return before;
    }

    bool operator==(const Double& rhs) const { return tolerantlyEqual(_d, rhs._d); }
    bool operator!=(const Double& rhs) const { return !tolerantlyEqual(_d, rhs._d); }
    bool operator<(const Double& rhs) const { return _d < rhs._d && !tolerantlyEqual(_d, rhs._d); }
    bool operator<=(const Double& rhs) const { return _d < rhs._d || tolerantlyEqual(_d, rhs._d); }
    bool operator>(const Double& rhs) const { return _d > rhs._d && !tolerantlyEqual(_d, rhs._d); }
    bool operator>=(const Double& rhs) const { return _d > rhs._d || tolerantlyEqual(_d, rhs._d); }
    bool operator==(double rhs) const { return operator==(Double(rhs)); }
    bool operator!=(double rhs) const { return operator!=(Double(rhs)); }
    bool operator<(double rhs) const { return operator<(Double(rhs)); }
    bool operator<=(double rhs) const { return operator<=(Double(rhs)); }
    bool operator>(double rhs) const { return operator>(Double(rhs)); }
    bool operator>=(double rhs) const { return operator>=(Double(rhs)); }

private:
    // 2.220446e-7 as a float, widened to double.
    static constexpr double TOLERANCE = static_cast<double>(2.220446e-7f);

    static bool tolerantlyEqual(double a, double b)
    {
        const double difference = std::fabs(a - b);
        const double magnitude = std::fmax(std::fabs(a), std::fabs(b));
        return difference <= TOLERANCE * magnitude;
    }

    // The reported texts are fixed literals; the standard classification
    // functions make the tests they describe.
    void checkResult() const
    {
        if (!std::isfinite(_d))
            showKbrAssert("_finite(_d)", __FILE__, __LINE__);
        if (std::isnan(_d))
            showKbrAssert("_isnan(_d) == false", __FILE__, __LINE__);
    }

    double _d;
};

#endif
