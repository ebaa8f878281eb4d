#pragma once
// Turning runs of points inside a point table: how the aircraft move their control surfaces,
// propeller, wheels, gauges and pilot's head between frames. The centre of rotation is
// (-xOffset, -yOffset, -zOffset); input and output may be the same array. U and V are never
// written; normals turn with the points only when andLighting is set.
#include "core/GeometryRecords.h"

namespace pellam::looks {

// Axis 0, 1 or 2 (X, Y, Z); any other axis writes nothing.
void rotateAboutAxis(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                     GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset, bool andLighting);
// About an X axis tilted by `bank` degrees about Z (axis 0 only).
void rotateAboutAxisWBank(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                          GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset, bool andLighting,
                          double bank);
// About an X axis turned by `heading` degrees about Y (axis 0 only).
void rotateAboutAxisWHeading(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                             GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset,
                             bool andLighting, double heading);

}  // namespace pellam::looks
