// Mouse forwarding from the builder's top view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/ViewMouse.h"

namespace pellam::input {
namespace {

struct Builder : ViewMouseTarget {
    std::vector<std::string> calls;
    void MBMouseDown(float x, float y) override { calls.push_back("down " + std::to_string(int(x)) + "," + std::to_string(int(y))); }
    void MBMouseUp(float x, float y) override { calls.push_back("up " + std::to_string(int(x)) + "," + std::to_string(int(y))); }
    void mouseDragAmountX(int32_t dx, int32_t dz) override { calls.push_back("drag " + std::to_string(dx) + "," + std::to_string(dz)); }
    void mouseDragWithShiftAmountX(int32_t dx, int32_t dz) override {
        calls.push_back("turn " + std::to_string(dx) + "," + std::to_string(dz));
    }
};

TEST(ViewMouse, DragsForwardWholePixelsAndDropTheFractions) {
    Builder builder;
    ViewMouseForwarder view;
    view.setController(&builder);
    view.mouseDown(10, 10);  // not loaded from a window description: ignored
    EXPECT_TRUE(builder.calls.empty());
    view.setAwoken(true);
    view.mouseDown(10, 20);
    view.mouseDragged(13.7f, 18.0f, false);
    view.mouseDragged(14.4f, 23.5f, true);  // 0.7 from the new point: no x movement
    view.mouseDragged(16.0f, 23.5f, false);  // shift let go mid-drag
    view.mouseUp(16, 23);
    EXPECT_EQ(builder.calls, (std::vector<std::string>{"down 10,20", "drag 3,-2", "turn 0,5", "drag 1,0", "up 16,23"}));
}

}  // namespace
}  // namespace pellam::input
