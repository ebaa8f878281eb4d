#pragma once
// For the world drawing tests: a window with the generated terrain and sky loaded through a
// stand-in view, and a camera (a rotation-only view of the given heading and pitch, with a
// 60-degree frustum reaching past the farthest fog).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "tests/world/GLTextureView.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam::test {

struct Camera {
    double Heading, Pitch;  // deg; heading 0 along +Z (north), 90 along +X (east)
};

// Rotation-only view: right, up and back as rows. X east and Z north with Y up is a mirror of
// GL's axes, hence the determinant of -1.
inline void loadView(const Camera& c, int width, int height) {
    const double h = c.Heading * M_PI / 180, p = c.Pitch * M_PI / 180;
    const double f[3] = {std::sin(h) * std::cos(p), std::sin(p), std::cos(h) * std::cos(p)};
    const double r[3] = {std::cos(h), 0.0, -std::sin(h)};
    const double u[3] = {-std::sin(h) * std::sin(p), std::cos(p), -std::cos(h) * std::sin(p)};
    const float m[16] = {float(r[0]), float(u[0]), float(-f[0]), 0, float(r[1]), float(u[1]), float(-f[1]), 0,
                         float(r[2]), float(u[2]), float(-f[2]), 0, 0, 0, 0, 1};
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double nearPlane = 20.0, halfWidth = nearPlane * std::tan(30.0 * M_PI / 180);
    glFrustum(-halfWidth, halfWidth, -halfWidth * height / width, halfWidth * height / width, nearPlane, 200000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m);
}

// What a suite opens once: the window (its context current), the view, the terrain and the sky.
struct WorldGL {
    platform::GLWindow* window = nullptr;
    GLTextureView* view = nullptr;
    RIDUdidav* terrain = nullptr;
    TexturedSkyDome* sky = nullptr;

    void open(int width, int height, const char* title) {
        const char* build = std::getenv("PELLAM_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        platform::setApplicationFolder(build);
        std::string error;
        ASSERT_TRUE(platform::startVideo(error)) << error;
        platform::WindowSpec spec;
        spec.width = width;
        spec.height = height;
        spec.title = title;
        window = platform::GLWindow::create(spec, error).release();
        ASSERT_NE(window, nullptr) << error;
        window->makeCurrent();
        view = new GLTextureView;
        terrain = new RIDUdidav;
        ASSERT_TRUE(terrain->initWithGLView(view)) << terrain->lastError();
        sky = new TexturedSkyDome;
        sky->initWithGLView(view);
    }
    void close() {
        delete sky;
        delete terrain;
        delete view;
        delete window;
        platform::stopVideo();
    }
};

}  // namespace pellam::test
