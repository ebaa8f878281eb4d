// The drawing decisions that need no GL: transparent order and overflow, point transforms and
// vertex rotation, and frame time.
#include <gtest/gtest.h>

#include <cmath>

#include "render/FrameMath.h"
#include "render/ObjectDrawing.h"
#include "render/TransparentQueue.h"

namespace pellam::render {
namespace {

TEST(RenderObjectsQueue, FarthestFirstWithTiesToTheFirstQueued) {
    TransparentQueue q;
    for (double z : {200.0, 100.0, 300.0, 200.0, -1000000.0}) {
        q.next()->ZDepth = z;
        q.commit();
    }
    std::vector<int> order;
    for (int i = q.takeFarthest(); i >= 0; i = q.takeFarthest()) order.push_back(i);
    EXPECT_EQ(order, (std::vector<int>{2, 0, 3, 1}));  // the entry at -1,000,000 is never drawn
}

TEST(RenderObjectsQueue, AFullQueueKeepsWhatItHasAndRefusesTheRest) {
    TransparentQueue q;
    for (int i = 0; i < TransparentQueue::kCapacity; ++i) {
        TransparentPolyVer2* e = q.next();
        ASSERT_NE(e, nullptr);
        e->ZDepth = i;
        q.commit();
    }
    EXPECT_TRUE(q.full());
    EXPECT_EQ(q.next(), nullptr);
    q.commit();
    EXPECT_EQ(q.count(), TransparentQueue::kCapacity);
    EXPECT_EQ(q.takeFarthest(), TransparentQueue::kCapacity - 1);
    q.clear();
    EXPECT_EQ(q.takeFarthest(), -1);
}

TEST(RenderFrameMath, FrameTimeIsZeroToTwoSeconds) {
    EXPECT_EQ(frameTicks(100000, 1000), 120);
    EXPECT_EQ(frameTicks(3, -2), 5);
    EXPECT_EQ(frameTicks(1000, 1005), 0);
}

// Only the points of the range move, the fourth value rides along, and in place works.
TEST(RenderObjectsMath, RotatePointsTransformsOnlyTheRange) {
    XYZInput in[3], out[3];
    for (int i = 0; i < 3; ++i) in[i].MyX = in[i].MyY = in[i].MyZ = i + 1;
    out[1].Myr = 0.25f;
    const double m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};  // 90 degrees about z, moved
    ObjectDrawingView::RotatePoints(1, 1, in, m, out);
    EXPECT_DOUBLE_EQ(out[1].MyX, 10 - 2);
    EXPECT_EQ(out[1].Myr, 0.25f);
    EXPECT_EQ(out[0].MyX + out[2].MyX, 0);
    ObjectDrawingView::RotatePoints(2, 1, in, m, out);  // start past end: nothing
    EXPECT_EQ(out[2].MyX, 0);
    ObjectDrawingView::RotatePoints(0, 2, in, m, in);
    EXPECT_DOUBLE_EQ(in[2].MyX, 10 - 3);
}

GLT2FN3FV3FFormat vertex(float x, float y, float z, float nx, float ny, float nz) {
    return {0.5f, 0.25f, nx, ny, nz, x, y, z};
}

TEST(RenderObjectsMath, VertexRotationAboutEachAxisThroughTheOffsetCentre) {
    // About z through (-1, 0, 0): the point (0, 0, 0) is one foot from the centre and turns to (-1, 1, 0).
    GLT2FN3FV3FFormat p[1] = {vertex(0, 0, 0, 1, 0, 0)}, out[1] = {};
    ObjectDrawingView::rotateAboutAxis(2, 90, p, 1, out, 1, 0, 0, true);
    EXPECT_NEAR(out[0].X, -1, 1e-6);
    EXPECT_NEAR(out[0].Y, 1, 1e-6);
    EXPECT_NEAR(out[0].NY, 1, 1e-6);  // the normal turns without the offset
    EXPECT_EQ(out[0].U, 0.0f);        // texture coordinates are never written

    // About x: y goes to z. About y: z goes to x.
    GLT2FN3FV3FFormat q[1] = {vertex(0, 1, 0, 0, 1, 0)};
    ObjectDrawingView::rotateAboutAxis(0, 90, q, 1, q, 0, 0, 0, false);
    EXPECT_NEAR(q[0].Z, 1, 1e-6);
    EXPECT_NEAR(q[0].Y, 0, 1e-6);
    EXPECT_EQ(q[0].NY, 1.0f);  // no lighting: the normal keeps its old value
    GLT2FN3FV3FFormat r[1] = {vertex(0, 0, 1, 0, 0, 1)};
    ObjectDrawingView::rotateAboutAxis(1, 90, r, 1, r, 0, 0, 0, true);
    EXPECT_NEAR(r[0].X, 1, 1e-6);
    EXPECT_NEAR(r[0].NX, 1, 1e-6);

    // Any other axis writes nothing.
    GLT2FN3FV3FFormat untouched[1] = {vertex(7, 7, 7, 0, 0, 0)};
    ObjectDrawingView::rotateAboutAxis(3, 90, p, 1, untouched, 0, 0, 0, true);
    EXPECT_EQ(untouched[0].X, 7.0f);
}

TEST(RenderObjectsMath, TiltedAxesMatchThePlainTurnWhenUntiltedAndTiltTheHingeOtherwise) {
    GLT2FN3FV3FFormat p[2] = {vertex(0, 1, 2, 0, 1, 0), vertex(3, -1, 0.5f, 0, 0, 1)}, plain[2], banked[2], headed[2];
    ObjectDrawingView::rotateAboutAxis(0, 30, p, 2, plain, 0.5, 1, 2, true);
    ObjectDrawingView::rotateAboutAxisWBank(0, 30, p, 2, banked, 0.5, 1, 2, true, 0);
    ObjectDrawingView::rotateAboutAxisWHeading(0, 30, p, 2, headed, 0.5, 1, 2, true, 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(banked[i].Y, plain[i].Y, 1e-5);
        EXPECT_NEAR(banked[i].Z, plain[i].Z, 1e-5);
        EXPECT_NEAR(headed[i].Z, plain[i].Z, 1e-5);
    }
    // A hinge banked 90 degrees is the z-tilted x axis: turning about it moves a point off the
    // y axis sideways, as a turn about y would.
    GLT2FN3FV3FFormat a[1] = {vertex(0, 0, 1, 0, 0, 1)}, b[1];
    ObjectDrawingView::rotateAboutAxisWBank(0, 90, a, 1, b, 0, 0, 0, true, 90);
    EXPECT_NEAR(std::fabs(b[0].X), 1, 1e-5);
    EXPECT_NEAR(b[0].Z, 0, 1e-5);
    EXPECT_NEAR(std::hypot(b[0].NX, b[0].NY, b[0].NZ), 1, 1e-5);
    // Only axis 0 is understood.
    GLT2FN3FV3FFormat keep[1] = {vertex(9, 9, 9, 0, 0, 0)};
    ObjectDrawingView::rotateAboutAxisWHeading(1, 90, a, 1, keep, 0, 0, 0, true, 45);
    EXPECT_EQ(keep[0].X, 9.0f);
}

}  // namespace
}  // namespace pellam::render
