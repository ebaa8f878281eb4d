#include "input/ViewMouse.h"

#include <cmath>
#include <limits>

namespace pellam::input {

namespace {

int32_t truncated(float d) {
    if (!std::isfinite(d)) return 0;
    const double t = std::trunc(static_cast<double>(d));
    if (t > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (t < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

}  // namespace

void ViewMouseForwarder::mouseDown(float x, float y) {
    if (!awoken_ || !controller_) return;
    downX_ = x;
    downY_ = y;
    controller_->MBMouseDown(x, y);
}

void ViewMouseForwarder::mouseUp(float x, float y) {
    if (!awoken_ || !controller_) return;
    controller_->MBMouseUp(x, y);
}

void ViewMouseForwarder::mouseDragged(float x, float y, bool shiftHeld) {
    if (!awoken_ || !controller_) return;
    const int32_t dx = truncated(x - downX_), dz = truncated(y - downY_);
    // The full point is kept: fractions dropped from this delta are not carried into the next.
    downX_ = x;
    downY_ = y;
    if (shiftHeld)
        controller_->mouseDragWithShiftAmountX(dx, dz);
    else
        controller_->mouseDragAmountX(dx, dz);
}

void ViewMouseForwarder::getCurrentMouseLocation(float x, float y, float width, float height, float& outX,
                                                 float& outY) {
    outX = width > 0 ? x / (width / 2) - 1 : 0;
    outY = height > 0 ? y / (height / 2) - 1 : 0;
}

}  // namespace pellam::input
