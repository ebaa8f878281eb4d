#pragma once
// The generated world in a window of its own, for the drawing tests and the world view benchmark:
// one frame of sky, terrain, cloud decks and a sprite cloud, from a rotation-only camera.
#include <GL/gl.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Services.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "world/draw/WorldDraw.h"

namespace pellam::test {

// Loads a picture (the path itself, else the path with ".png"), rows turned so the picture's
// bottom row comes first, as the game's loader does.
class GLTextureView : public ViewServices {
public:
    int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t, int32_t, int32_t, int32_t) override {
        platform::RGBAImage image;
        if (!platform::readPng(path, image) && !platform::readPng(path + ".png", image)) return -5;
        std::vector<uint8_t> flipped(image.pixels.size());
        const size_t row = size_t(image.width) * 4;
        for (int y = 0; y < image.height; ++y)
            std::copy_n(&image.pixels[size_t(image.height - 1 - y) * row], row, &flipped[size_t(y) * row]);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, flipped.data());
        Names.push_back(name);
        return int32_t(Names.size() - 1);
    }
    uint32_t glName(int32_t slot) const { return slot >= 0 && size_t(slot) < Names.size() ? Names[slot] : 0; }

    std::vector<GLuint> Names;
};

struct Camera {
    double Heading, Pitch;  // deg; heading 0 along +Z (north), 90 along +X (east)
    double Roll = 0;        // deg, the right wing down
};

// Above Albert at 3,000 ft, looking down the front towards St. Quentin.
inline const worlddraw::Eye kOverAlbert{2020000.0, 3000.0, 2047000.0};
inline const Camera kAlongTheFront{106.0, -9.0};

class WorldFrame {
public:
    static constexpr int kWidth = 640, kHeight = 400;

    // Opens the window and builds the world from `appFolder`/data; false with `error` set if not.
    bool open(const std::string& appFolder, std::string& error) {
        platform::setApplicationFolder(appFolder);
        if (!platform::startVideo(error)) return false;
        window = platform::GLWindow::create({.title = "world view", .width = kWidth, .height = kHeight}, error);
        if (!window) return false;
        window->makeCurrent();
        if (!terrain.initWithGLView(&view)) {
            error = terrain.lastError();
            return false;
        }
        sky.initWithGLView(&view);
        cloud.initWithGLView(&view);
        return true;
    }
    ~WorldFrame() {
        if (window) {
            window.reset();
            platform::stopVideo();
        }
    }

    // One frame: the sky first over a frame cleared to the horizon's colour, or behind the ground
    // over one cleared to black, so that a sky that fails to reach shows; then the terrain, its
    // cloud decks, and the cloud if asked; the ground and decks leave out what lies behind `cover`, and
    // `drawnLast` draws over it all. The pixels, bottom row first.
    std::vector<uint8_t> draw(const worlddraw::Eye& eye, const Camera& cam, bool withCloud,
                              bool skyBehindGround = false, const worlddraw::ScreenCover* cover = nullptr,
                              const std::function<void()>& drawnLast = nullptr) {
        const SkyColours c = sky.getSkyColours();
        const auto name = [this](int32_t slot) { return view.glName(slot); };
        const std::array<float, 3> f = FogColour.value_or(c.Horizon);
        const float fog[4] = {f[0], f[1], f[2], 1};
        glViewport(0, 0, ViewportWidth, ViewportHeight);
        glClearColor(fog[0] * !skyBehindGround, fog[1] * !skyBehindGround, fog[2] * !skyBehindGround, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadView(cam);
        glFogfv(GL_FOG_COLOR, fog);
        terrain.setEyePosition(eye.X, eye.Y, eye.Z);
        if (!skyBehindGround)
            worlddraw::drawSkyDome(sky, name, false, worlddraw::kWholeDome, PlainSky);
        drawer.draw(terrain, eye, name, c.Light, cover);
        // As the game draws it: the rings above the ground's top untested where the decks over it are.
        const auto groundTop = [&] { return worlddraw::groundTopElevation(terrain, eye); };
        SkyRingsUntested = 0;
        if (skyBehindGround)
            SkyRingsUntested = worlddraw::drawSkyDome(sky, name, true, drawer.lowestOpenElevation(), PlainSky,
                                                      drawer.DecksUntestedOverGround ? std::function<double()>(groundTop) : nullptr,
                                                      SkyBoxes);
        drawer.drawCloudLayers(terrain, eye, name, c.Light, cover, DeckBoxes);
        if (withCloud) worlddraw::drawCloud(cloud, eye, name, c.Light);
        if (drawnLast) drawnLast();
        return pixels();
    }
    static std::vector<uint8_t> pixels() {
        glFinish();
        std::vector<uint8_t> out(size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    }

    // Of the last frame, one byte a pixel in the order of pixels(): 1 where the sky shows, which
    // writes no depth, and nothing else drawn did.
    static std::vector<uint8_t> skyPixels() {
        std::vector<float> depths(size_t(kWidth) * kHeight);
        glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
        std::vector<uint8_t> sky(depths.size());
        for (size_t i = 0; i < depths.size(); ++i) sky[i] = depths[i] >= 1.0f;
        return sky;
    }

    std::optional<std::array<float, 3>> FogColour;  // else the horizon's
    int SkyRingsUntested = 0;                        // at the last draw
    // Scissor boxes the sky behind the ground and the decks are drawn under (none: the whole view).
    std::vector<std::array<int, 4>> SkyBoxes, DeckBoxes;
    int ViewportWidth = kWidth, ViewportHeight = kHeight;  // pixels, from the bottom left
    bool PlainSky = false;                                 // the sky's picture read with its mip levels
    GLTextureView view;
    RIDUdidav terrain;
    TexturedSkyDome sky;
    FirstCloud cloud;
    worlddraw::TerrainDrawer drawer;

private:
    // Rotation-only view: right, up and back as rows. X east and Z north with Y up is a mirror of
    // GL's axes, hence the determinant of -1.
    static void loadView(const Camera& c) {
        const double h = c.Heading * M_PI / 180, p = c.Pitch * M_PI / 180, b = c.Roll * M_PI / 180;
        const double f[3] = {std::sin(h) * std::cos(p), std::sin(p), std::cos(h) * std::cos(p)};
        const double level[3] = {std::cos(h), 0.0, -std::sin(h)};
        const double lift[3] = {-std::sin(h) * std::sin(p), std::cos(p), -std::cos(h) * std::sin(p)};
        double r[3], u[3];
        for (int k = 0; k < 3; ++k)
            r[k] = level[k] * std::cos(b) - lift[k] * std::sin(b), u[k] = lift[k] * std::cos(b) + level[k] * std::sin(b);
        const float m[16] = {float(r[0]), float(u[0]), float(-f[0]), 0, float(r[1]), float(u[1]), float(-f[1]), 0,
                             float(r[2]), float(u[2]), float(-f[2]), 0, 0, 0, 0, 1};
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const double nearPlane = 20.0, halfWidth = nearPlane * std::tan(30.0 * M_PI / 180);
        glFrustum(-halfWidth, halfWidth, -halfWidth * kHeight / kWidth, halfWidth * kHeight / kWidth, nearPlane, 200000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(m);
    }

    std::unique_ptr<platform::GLWindow> window;
};

}  // namespace pellam::test
