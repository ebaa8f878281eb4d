// Linked into the tests that look at the effect objects as drawn: the drawing is installed before any test runs.
#include "objects/draw/EffectDrawing.h"

namespace {
const bool installed = (pellam::effects::useEffectDrawing(), true);
}
