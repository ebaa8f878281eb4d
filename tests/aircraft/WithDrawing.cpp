// Linked into the tests that look at the aircraft as drawn: the drawing is installed before any test runs.
#include "aircraft/draw/AircraftDrawing.h"

namespace {
const bool installed = (pellam::looks::useAircraftDrawing(), true);
}
