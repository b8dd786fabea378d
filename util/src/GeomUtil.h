#ifndef QVX_GEOM_UTIL_H
#define QVX_GEOM_UTIL_H

#include "QvxExport.h"

// Rotation of a point about the origin by an angle in degrees, counter-clockwise
// for a positive angle when y points up. An angle of exactly 0.0 leaves the point
// untouched. The angle is converted with the ten-digit pi of MathUtil, so a
// quarter turn of (1, 0) gives about (-2.05e-10, 1).
//
// The integer form computes in double precision and stores each coordinate
// truncated toward zero as a 32-bit value, even where long is wider. Out of that
// range (a choice of this library) a coordinate saturates at the nearer end of
// it, and one that is not a number (a NaN or infinite angle) becomes 0.
class QVXUTIL_API GeomUtil
{
public:
    static void rotateCoordinate(double& x, double& y, double degrees);
    static void rotateCoordinate(long& x, long& y, double degrees);

    // Holds nothing; assignment does nothing.
    GeomUtil& operator=(const GeomUtil&);
};

#endif
