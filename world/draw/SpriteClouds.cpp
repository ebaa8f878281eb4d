// The clouds of sprites: camera-facing squares, far first, blended with the alpha test for the
// cut-outs. A cloud wholly outside one side of the window drawn, and each sprite all of whose
// corners are, sends nothing: they would light no pixel. The clouds share one setting of the state,
// set and put back once, their picture bound again only where it changes (each binding makes the
// software rasteriser take its fragment state anew), and the fog switched off for a cloud within
// which the caller says it is too faint to change a pixel, and on again only where it must be.
// The fog left off where it is too faint, here and for the cockpit (render/FrameDraw.cpp), saves,
// in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 7.8, 3.5, 0, 7.8, 0 M.
#include "world/draw/SkyParts.h"

namespace pellam::worlddraw {

using namespace sky;

namespace {

// A sprite's corner as sent: picture coordinates, colour, place.
struct CloudCorner {
    float U, V, R, G, B, A, X, Y, Z;
};
using CloudQuads = std::array<CloudCorner, FirstCloud::kMaxSprites * 4>;

// The radius (ft) of a ball round the cloud's place that holds every corner of its sprites,
// whichever way they face, with room for their float rounding.
double ballRadius(const FirstCloud& cloud) {
    double radius = 0;
    for (int k = 0; k < cloud.spriteCount(); ++k) {
        const CloudSprite& sp = cloud.sprite(k);
        radius = std::max(radius, std::sqrt(double(sp.X) * sp.X + double(sp.Y) * sp.Y + double(sp.Z) * sp.Z) +
                                      M_SQRT2 * std::abs(double(sp.Size)));
    }
    return radius * 1.001 + 1.0;
}

// The cloud's sprites as camera-facing quads, far first, into `quads`: how many are sent (those
// whose corners all lie outside one side of the drawn window, or behind the near plane, light no
// pixel and are not), `nearest`, the sprite drawn last, and `reach`, the farthest any corner may
// lie from the eye (ft); -1 when the whole cloud lies outside.
int cloudQuads(const FirstCloud& cloud, const Eye& eye, const std::array<float, 3>& light, CloudQuads& quads,
               int& nearest, double& reach) {
    const int n = cloud.spriteCount();
    if (n == 0) return -1;
    const QNion& pose = cloud.live.attitude;
    const double ox = pose.Position[0] - eye.X, oy = pose.Position[1] - eye.Y, oz = pose.Position[2] - eye.Z;
    // A cloud wholly outside one side of the drawn window sends no sprite.
    const DrawnWindow window;
    const double centre[3] = {ox, oy, oz}, ball = ballRadius(cloud);
    if (window.outside(centre, ball)) return -1;
    reach = std::sqrt(ox * ox + oy * oy + oz * oz) + ball;

    // Far sprites first, so that near ones are blended over them.
    std::array<std::pair<float, int>, FirstCloud::kMaxSprites> order;
    for (int k = 0; k < n; ++k) {
        const CloudSprite& sp = cloud.sprite(k);
        const double x = ox + sp.X, y = oy + sp.Y, z = oz + sp.Z;
        order[k] = {float(x * x + y * y + z * z), k};
    }
    std::sort(order.begin(), order.begin() + n, [](const auto& a, const auto& b) { return a.first > b.first; });

    float right[3], up[3];
    cameraAxes(right, up);
    int sent = 0;
    for (int k = 0; k < n; ++k) {
        const CloudSprite& sp = cloud.sprite(order[k].second);
        const float x = float(ox + sp.X), y = float(oy + sp.Y), z = float(oz + sp.Z), s = sp.Size;
        CloudCorner* q = &quads[size_t(sent) * 4];
        int outside = ~0;
        for (int c = 0; c < 4; ++c) {
            const float* at = kFacingCorners[c];
            const std::array<float, 3> p = facingCorner(right, up, x, y, z, s, at);
            q[c] = {(at[0] + 1) / 2, (at[1] + 1) / 2, light[0] * sp.Shade, light[1] * sp.Shade, light[2] * sp.Shade, 0.9f,
                    p[0], p[1], p[2]};
            outside &= window.outside(&q[c].X);
        }
        sent += outside == 0;
    }
    nearest = order[n - 1].second;
    return sent;
}

// The state every cloud is drawn in, pushed to be put back once after the last.
void beginClouds() {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.02f);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// The sprites' quads as arrays.
void sendQuads(const CloudQuads& quads, int sent) {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    useArrays(true, false);
    glTexCoordPointer(2, GL_FLOAT, sizeof(CloudCorner), &quads[0].U);
    glColorPointer(4, GL_FLOAT, sizeof(CloudCorner), &quads[0].R);
    glVertexPointer(3, GL_FLOAT, sizeof(CloudCorner), &quads[0].X);
    glDrawArrays(GL_QUADS, 0, sent * 4);
    glPopClientAttrib();
}

}  // namespace

double nearestCloudDepth(const FirstCloud* const* clouds, size_t count, const Eye& eye) {
    // Depth ahead of the eye is minus the modelview's z; across a ball it falls below its centre's
    // by at most the radius times that row's length (one, unless the modelview scales).
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const double stretch = std::sqrt(m[2] * m[2] + m[6] * m[6] + m[10] * m[10]);
    const DrawnWindow window;
    double nearest = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < count; ++i) {
        const FirstCloud& cloud = *clouds[i];
        if (cloud.spriteCount() == 0) continue;
        const auto& at = cloud.live.attitude.Position;
        const double centre[3] = {at[0] - eye.X, at[1] - eye.Y, at[2] - eye.Z}, ball = ballRadius(cloud);
        if (window.outside(centre, ball)) continue;  // sends nothing
        const double depth = -(m[2] * centre[0] + m[6] * centre[1] + m[10] * centre[2] + m[14]);
        nearest = std::min(nearest, depth - ball * stretch);
    }
    return nearest;
}

void drawClouds(const FirstCloud* const* clouds, size_t count, const Eye& eye, const GLNameOfSlot& glName,
                const std::array<float, 3>& light, const std::function<bool(double)>& fogFaint,
                std::span<const std::array<int, 4>> boxes) {
    // The clouds share one setting of the state: set and put back once, and their picture bound
    // again only where it changes, since each new binding makes the software rasteriser take its
    // fragment state anew.
    bool begun = false, foggedNow = true;
    uint32_t bound = 0;
    CloudQuads quads;
    for (size_t i = 0; i < count; ++i) {
        const FirstCloud& cloud = *clouds[i];
        int nearest = 0;
        double reach = 0;
        const int sent = cloudQuads(cloud, eye, light, quads, nearest, reach);
        if (sent < 0) continue;
        // The clouds come far first (by their middles), so the fog is mostly switched off once,
        // for the nearest.
        const bool fogged = !fogFaint || !fogFaint(reach);
        const uint32_t texture = glName(cloud.TextureSlot);
        if (!begun) beginClouds();
        if (!begun || texture != bound) bindSoftPicture(texture);
        // Fogged by the frame's fog whatever was drawn before (a near sprite drawn unfogged).
        if (!begun || fogged != foggedNow) fogged ? glEnable(GL_FOG) : glDisable(GL_FOG);
        foggedNow = fogged;
        begun = true;
        bound = texture;
        if (sent > 0) forEachScissorBox(boxes, [&](size_t) { sendQuads(quads, sent); });
        // What the nearest sprite's last corner leaves current, as when every sprite was sent point by point.
        const CloudSprite& last = cloud.sprite(nearest);
        glColor4f(light[0] * last.Shade, light[1] * last.Shade, light[2] * last.Shade, 0.9f);
        glTexCoord2f(0, 1);
    }
    if (begun) glPopAttrib();
}

void drawCloud(const FirstCloud& cloud, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light) {
    const FirstCloud* one = &cloud;
    drawClouds(&one, 1, eye, glName, light);
}

}  // namespace pellam::worlddraw
