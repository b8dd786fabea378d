#include "GeomUtil.h"

#include <cmath>
#include <cstdint>

#include "MathUtil.h"

namespace {

// Truncation toward zero into the 32-bit range; saturates, NaN gives 0.
long truncateToInt32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    if (v >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<std::int32_t>(v);
}

}  // namespace

GeomUtil& GeomUtil::operator=(const GeomUtil&)
{
    return *this;
}

void GeomUtil::rotateCoordinate(double& x, double& y, double degrees)
{
    if (degrees == 0.0)
        return;
    const double r = MathUtil::degreesToRadians(degrees);
    const double c = std::cos(r);
    const double s = std::sin(r);
    const double oldX = x;
    const double oldY = y;
    x = c * oldX - s * oldY;
    y = s * oldX + c * oldY;
}

void GeomUtil::rotateCoordinate(long& x, long& y, double degrees)
{
    if (degrees == 0.0)
        return;
    double dx = static_cast<double>(x);
    double dy = static_cast<double>(y);
    rotateCoordinate(dx, dy, degrees);
    x = truncateToInt32(dx);
    y = truncateToInt32(dy);
}
