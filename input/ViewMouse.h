#pragma once
// Mouse presses and drags in the mission builder's top view, forwarded to its controller as window
// points and whole-pixel deltas. Keys that reach a view are consumed there without effect: the
// game's keys come from the input object.
#include <cstdint>

namespace pellam::input {

class ViewMouseTarget {
public:
    virtual ~ViewMouseTarget() = default;
    virtual void MBMouseDown(float x, float y) = 0;
    virtual void MBMouseUp(float x, float y) = 0;
    virtual void mouseDragAmountX(int32_t dx, int32_t dz) = 0;
    virtual void mouseDragWithShiftAmountX(int32_t dx, int32_t dz) = 0;
};

class ViewMouseForwarder {
public:
    // Forwarding runs only for a view made from a window description (`awoken`) with a controller.
    void setController(ViewMouseTarget* controller) { controller_ = controller; }
    void setAwoken(bool awoken) { awoken_ = awoken; }

    // Points in window units, y growing upward.
    void mouseDown(float x, float y);
    void mouseUp(float x, float y);
    void mouseDragged(float x, float y, bool shiftHeld);

    // The pointer scaled to -1..1 across a width x height screen; 0 for an empty screen.
    static void getCurrentMouseLocation(float x, float y, float width, float height, float& outX, float& outY);

private:
    ViewMouseTarget* controller_ = nullptr;
    bool awoken_ = false;
    float downX_ = 0, downY_ = 0;  // the last mouse-down or drag point
};

}  // namespace pellam::input
