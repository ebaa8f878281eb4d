// The sky, terrain and clouds drawn under Xvfb from the generated world, read back from the
// frame: a cloud in view shows; the dome follows the sun and keeps its picture's faint shapes, the
// rule against the plain drawing telling a flat sky apart, with no star of spokes where they meet
// at the zenith; and the ground's passes folded together leaving the picture as it was: the sky drawn
// behind the ground against the sky drawn first, road squares cut to their road shape against
// whole squares, the shortcuts (far road squares left out, shared vertices) against the plain
// drawing, the ground wholly behind an opaque cover left out, work that cannot show skipped (far
// ground triangles between the pixel centres, fog nearer than its start, the depth test of a deck
// the ground cannot hide), flat far squares cut along their other diagonal, blocks of squares well
// inside the GL's clipping taken whole, and the sky read without the mip levels the GL would not
// choose; the sky, the ground and the decks drawn alike whatever the pass before left set; a
// triangle said to light no pixel centre lights none; a cloud deck fogged by its distance; the
// ground takes the daylight; a widened view draws as the window's own; far squares drawn in their
// picture's mean colour within its bound and reading no finer level than reckoned, drawn whole in
// blocks without opening a pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "tests/PictureRule.h"
#include "tests/world/WorldFrame.h"

namespace pellam {
namespace {

using test::Camera;
constexpr int kWidth = test::WorldFrame::kWidth, kHeight = test::WorldFrame::kHeight;
const double kMeanBound = worlddraw::TerrainDrawer{}.MeanBound;  // the drawer's own

// The most any channel of a pixel lies apart.
int farthest(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int most = 0;
    for (size_t k = 0; k < a.size(); ++k)
        if (k % 4 != 3) most = std::max(most, std::abs(a[k] - b[k]));
    return most;
}

// Pixels more than 16 levels apart, and those of them in the middle third: the picture rule.
std::pair<long, long> apartByTheRule(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    long apart = 0, middle = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const size_t k = (size_t(y) * kWidth + x) * 4;
            if (std::max({std::abs(a[k] - b[k]), std::abs(a[k + 1] - b[k + 1]), std::abs(a[k + 2] - b[k + 2])}) <= 16)
                continue;
            ++apart;
            middle += 3 * x >= kWidth && 3 * x < 2 * kWidth && 3 * y >= kHeight && 3 * y < 2 * kHeight;
        }
    return {apart, middle};
}

// Pixels with a channel more than `levels` apart.
long differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int levels) {
    long n = 0;
    for (size_t k = 0; k < a.size(); k += 4)
        n += std::abs(a[k] - b[k]) > levels || std::abs(a[k + 1] - b[k + 1]) > levels ||
             std::abs(a[k + 2] - b[k + 2]) > levels;
    return n;
}

// A frame's pixels as a picture for the picture rule.
platform::RGBAImage picture(const std::vector<uint8_t>& pixels) { return {kWidth, kHeight, pixels}; }

// A scissor box, pixels from the bottom left.
struct Box {
    int X, Y, Width, Height;
};

// How many colour channels of the pixels within `box` differ between a and b.
long channelsApartIn(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, const Box& box) {
    long apart = 0;
    for (int y = box.Y; y < box.Y + box.Height; ++y)
        for (int x = box.X; x < box.X + box.Width; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t k = (size_t(y) * kWidth + x) * 4 + c;
                apart += a[k] != b[k];
            }
    return apart;
}

class WorldDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world = std::make_unique<test::WorldFrame>();
        std::string error;
        ASSERT_TRUE(world->open(std::getenv("PELLAM_BUILD_DIR"), error)) << error;
    }
    static void TearDownTestSuite() { world.reset(); }
    void SetUp() override {
        world->sky.setTimeOfDay(11.0);
        world->terrain.setFogDistance(0.0);  // the farthest
        world->terrain.setDrawDetail(1);
        world->drawer.MergesFarBlocks = true;
    }
    // The same view in the plain drawing of the ground and the sky, the sky behind the ground; the
    // drawer's counters are then the plain drawing's.
    // Where it shows the sky, in exactSky.
    std::vector<uint8_t> exactFrame(const worlddraw::Eye& eye, const Camera& cam) {
        world->drawer.Exact = true;
        world->PlainSky = true;
        auto exact = frame(eye, cam, false, true);
        exactSky = test::WorldFrame::skyPixels();
        world->drawer.Exact = false;
        world->PlainSky = false;
        return exact;
    }
    // `drawn` within the picture rule of `exact`, the last exactFrame: at most 1 % of the pixels
    // more than 16 levels apart, none of them in the middle third, and no structure lost.
    void expectWithinTheRule(const std::vector<uint8_t>& exact, const std::vector<uint8_t>& drawn,
                             const std::string& where) const {
        const auto [apart, middle] = apartByTheRule(exact, drawn);
        EXPECT_LE(apart, long(kWidth) * kHeight / 100) << where;
        EXPECT_EQ(middle, 0) << where << ", in the middle third";
        EXPECT_EQ(testing::structureLost(picture(exact), picture(drawn), exactSky), "") << where;
    }
    // The ground alone over a frame cleared to magenta and cleared depths: a pixel it leaves open
    // shows the clear.
    std::vector<uint8_t> groundAlone(const worlddraw::Eye& at, const Camera& cam) {
        const std::array<float, 3> light = world->sky.getSkyColours().Light;
        const auto name = [&](int32_t slot) { return world->view.glName(slot); };
        return world->draw(at, cam, false, false, nullptr, [&] {
            glClearColor(1, 0, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            world->drawer.draw(world->terrain, at, name, light);
        });
    }
    std::vector<uint8_t> frame(const worlddraw::Eye& eye, const Camera& cam, bool withCloud, bool skyBehind = false) {
        auto pixels = world->draw(eye, cam, withCloud, skyBehind);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return pixels;
    }

    static inline std::unique_ptr<test::WorldFrame> world;
    std::vector<uint8_t> exactSky;
};

TEST_F(WorldDrawTest, ACloudInViewShows) {
    // A cumulus a mile and a third ahead, level with the eye, whitens a good part of the frame.
    world->cloud.makeACulmulus(7);
    const double h = test::kAlongTheFront.Heading * M_PI / 180;
    world->cloud.setModelPositionX(test::kOverAlbert.X + std::sin(h) * 7000, 2500.0, test::kOverAlbert.Z + std::cos(h) * 7000);
    const Camera level{test::kAlongTheFront.Heading, 0.0};
    const auto without = frame(test::kOverAlbert, level, false), with = frame(test::kOverAlbert, level, true);
    long whiter = 0;
    for (size_t k = 0; k < with.size(); k += 4) whiter += with[k] > without[k] + 20;
    EXPECT_GT(whiter, 2000);
}

// Clouds drawn together under one setting of the state, their picture bound again only where it
// changes, light the pixels they light drawn one by one: a second cloud nearer in the same picture,
// then in another (the ground's first); and they leave the state as those do, which a quad drawn
// after them in whatever they leave bound shows.
TEST_F(WorldDrawTest, CloudsDrawnTogetherLookAsDrawnOneByOne) {
    world->cloud.makeACulmulus(7);
    const double h = test::kAlongTheFront.Heading * M_PI / 180;
    world->cloud.setModelPositionX(test::kOverAlbert.X + std::sin(h) * 7000, 2500.0, test::kOverAlbert.Z + std::cos(h) * 7000);
    FirstCloud nearer;
    nearer.initWithGLView(&world->view);
    nearer.makeACulmulus(3);
    nearer.setModelPositionX(test::kOverAlbert.X + std::sin(h + 0.1) * 4000, 2800.0,
                             test::kOverAlbert.Z + std::cos(h + 0.1) * 4000);
    const Camera level{test::kAlongTheFront.Heading, 0.0};
    const SkyColours c = world->sky.getSkyColours();
    const auto name = [this](int32_t slot) { return world->view.glName(slot); };
    const FirstCloud* both[2] = {&world->cloud, &nearer};
    for (const int32_t slot : {world->cloud.TextureSlot, world->terrain.GroundTextureSlots[0]}) {
        SCOPED_TRACE(slot == world->cloud.TextureSlot ? "one picture" : "two pictures");
        nearer.TextureSlot = slot;
        const auto drawnAfter = [&](bool together) {
            return world->draw(test::kOverAlbert, level, false, true, nullptr, [&] {
                if (together) {
                    worlddraw::drawClouds(both, 2, test::kOverAlbert, name, c.Light);
                } else {
                    for (const FirstCloud* cloud : both) worlddraw::drawCloud(*cloud, test::kOverAlbert, name, c.Light);
                }
                // Ahead, across the line of sight, below the clouds.
                const float ax = float(std::sin(h) * 6000), az = float(std::cos(h) * 6000);
                const float sx = float(std::cos(h) * 1500), sz = float(-std::sin(h) * 1500);
                glBegin(GL_QUADS);
                glTexCoord2f(0, 0), glVertex3f(ax - sx, -900, az - sz);
                glTexCoord2f(1, 0), glVertex3f(ax + sx, -900, az + sz);
                glTexCoord2f(1, 1), glVertex3f(ax + sx, -300, az + sz);
                glTexCoord2f(0, 1), glVertex3f(ax - sx, -300, az - sz);
                glEnd();
            });
        };
        const auto apart = drawnAfter(false), together = drawnAfter(true);
        EXPECT_EQ(differing(apart, together, 0), 0);
        EXPECT_GT(differing(apart, frame(test::kOverAlbert, level, false), 20), 2000) << "the clouds show";
    }
}

// Sprite clouds take the frame's fog whatever the drawing before them left: a near explosion's
// sprite, drawn unfogged last in the transparent queue, once left the fog off, and the far clouds
// flashed clear of their haze while it burned.
TEST_F(WorldDrawTest, CloudsTakeTheFogWhateverWasDrawnBefore) {
    world->cloud.makeACulmulus(7);
    const double h = test::kAlongTheFront.Heading * M_PI / 180;
    world->cloud.setModelPositionX(test::kOverAlbert.X + std::sin(h) * 7000, 2500.0, test::kOverAlbert.Z + std::cos(h) * 7000);
    const Camera level{test::kAlongTheFront.Heading, 0.0};
    const SkyColours c = world->sky.getSkyColours();
    const auto name = [this](int32_t slot) { return world->view.glName(slot); };
    const auto drawn = [&](bool fogBefore) {
        return world->draw(test::kOverAlbert, level, false, false, nullptr, [&] {
            glFogi(GL_FOG_MODE, GL_LINEAR);
            glFogf(GL_FOG_START, 0);
            glFogf(GL_FOG_END, 12000);
            fogBefore ? glEnable(GL_FOG) : glDisable(GL_FOG);
            worlddraw::drawCloud(world->cloud, test::kOverAlbert, name, c.Light);
            glDisable(GL_FOG);
        });
    };
    const auto fogged = drawn(true);
    EXPECT_EQ(differing(fogged, drawn(false), 0), 0);
    EXPECT_GT(differing(fogged, frame(test::kOverAlbert, level, false), 20), 2000) << "the cloud shows";
    // Wholly short of the fog's start, where it cannot move a colour, the cloud may be drawn
    // without it: the same pixels.
    const auto shortOfTheStart = [&](bool unfogged) {
        int asked = 0;
        const std::function<bool(double)> faint = [&](double reach) { return ++asked, reach < 20000; };
        const FirstCloud* one = &world->cloud;
        auto pixels = world->draw(test::kOverAlbert, level, false, false, nullptr, [&] {
            glFogi(GL_FOG_MODE, GL_LINEAR);
            glFogf(GL_FOG_START, 20000);
            glFogf(GL_FOG_END, 40000);
            worlddraw::drawClouds(&one, 1, test::kOverAlbert, name, c.Light, unfogged ? faint : nullptr);
            glDisable(GL_FOG);
        });
        EXPECT_EQ(asked, unfogged ? 1 : 0);
        return pixels;
    };
    EXPECT_EQ(differing(shortOfTheStart(false), shortOfTheStart(true), 0), 0);
}

// A grey sky picture of 64 x 64 texels, `level` throughout, in a slot of its own, with mip levels,
// made the dome's. Returns the dome's own slot.
int32_t skyPictureInstead(test::WorldFrame& w, uint8_t level) {
    const std::vector<uint8_t> texels(64 * 64 * 3, level);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    w.view.Names.push_back(name);
    const int32_t kept = w.sky.SkyTextureSlot;
    w.sky.SkyTextureSlot = int32_t(w.view.Names.size() - 1);
    return kept;
}

// What the objects' pass leaves set, and more a pass may: their alpha test (keeping only alpha
// above 0.9), blending off, the depth function GL_LESS, the picture replacing the colour, flat
// shading, lighting, culling and exponential fog. Off: the GL's own defaults, as the frame starts.
void leaveAPassesStateSet(bool on) {
    on ? glEnable(GL_ALPHA_TEST) : glDisable(GL_ALPHA_TEST);
    glAlphaFunc(on ? GL_GREATER : GL_ALWAYS, on ? 0.9f : 0.0f);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, on ? GL_ONE : GL_ZERO);
    glDepthFunc(GL_LESS);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, on ? GL_REPLACE : GL_MODULATE);
    glShadeModel(on ? GL_FLAT : GL_SMOOTH);
    on ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
    on ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
    glFogi(GL_FOG_MODE, on ? GL_EXP2 : GL_EXP);
}

// The sky, the ground and the cloud decks each set every state their drawing depends on: drawn
// after a pass that leaves its own set, they draw the pixels they draw after none. The dome with an
// RGB picture or one with an alpha of a half, whatever alpha test was left on, and the test on
// again after it; a scattered deck with its soft edge (the objects' alpha test kept only its
// middles, and a hard edge round them) and a thin deck, drawn at 0.55 of the colour, which that
// test turned away whole: it whitens the sky.
TEST_F(WorldDrawTest, TheSkyTheGroundAndTheDecksDrawAlikeWhateverThePassBeforeLeftSet) {
    const Camera down{test::kAlongTheFront.Heading, -30.0};
    // The sky's picture as the game keeps it (RGB, with mip levels), and one with an alpha of a half.
    const auto picture = [](GLenum format, int channels) {
        std::vector<uint8_t> texels(size_t(64 * 64 * channels));
        for (size_t k = 0; k < texels.size(); ++k) texels[k] = channels == 4 && k % 4 == 3 ? 128 : uint8_t(40 + (k * 7919) % 200);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), 64, 64, 0, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        return name;
    };
    const GLuint rgb = picture(GL_RGB8, 3), half = picture(GL_RGBA8, 4);
    const auto domeOver = [&](GLuint texture, GLenum func, float ref) {
        return world->draw(test::kOverAlbert, down, false, false, nullptr, [&] {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(func, ref);
            worlddraw::drawSkyDome(world->sky, [texture](int32_t) { return texture; }, false, worlddraw::kWholeDome, false);
            EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
            glAlphaFunc(GL_ALWAYS, 0.0f);
            glDisable(GL_ALPHA_TEST);
        });
    };
    for (const GLuint texture : {rgb, half}) {
        const auto always = domeOver(texture, GL_ALWAYS, 0.0f);
        for (const auto& [func, ref] : {std::pair{GL_GREATER, 0.9f}, {GL_LESS, 0.5f}, {GL_GREATER, 1.0f}})
            EXPECT_EQ(differing(always, domeOver(texture, func, ref), 0), 0) << (texture == rgb ? "RGB" : "half alpha");
    }
    glDeleteTextures(1, &rgb);
    glDeleteTextures(1, &half);

    // Under a deck 1,000 ft up and over it, looking up and down: a scattered deck, a thin one.
    const Camera up{test::kAlongTheFront.Heading, 25.0};
    const worlddraw::Eye over{test::kOverAlbert.X, test::kOverAlbert.Y + 2000.0, test::kOverAlbert.Z};
    const auto drawn = [&](const worlddraw::Eye& eye, const Camera& cam, bool left) {
        leaveAPassesStateSet(left);
        auto pixels = frame(eye, cam, false);
        leaveAPassesStateSet(false);
        return pixels;
    };
    const double bottom = test::kOverAlbert.Y + 1000.0;
    for (const auto& [eye, cam] : {std::pair{test::kOverAlbert, up}, {over, down}}) {
        const std::string where = cam.Pitch > 0 ? "from below" : "from above";
        const auto clear = drawn(eye, cam, false);
        world->terrain.SetDetailsForLayer(0, 3, bottom, bottom + 600.0);
        const auto scattered = drawn(eye, cam, true);
        EXPECT_EQ(differing(scattered, drawn(eye, cam, false), 0), 0) << "a scattered deck " << where;
        // A soft edge is many pixels the deck moves part of the way from the clear sky or ground.
        const testing::LayerShown deck = testing::softEdge(testing::movedBy(clear, scattered));
        EXPECT_GT(deck.shown, long(kWidth) * kHeight / 4) << "the scattered deck shows " << where;
        EXPECT_GT(deck.soft, deck.shown / 10) << "the scattered deck's soft edge " << where;
        world->terrain.SetDetailsForLayer(0, 3, bottom, bottom + 30.0);  // thin: 0.55 of its colour
        const auto thin = drawn(eye, cam, true);
        EXPECT_EQ(differing(thin, drawn(eye, cam, false), 0), 0) << "a thin deck " << where;
        EXPECT_GT(differing(clear, thin, 8), long(kWidth) * kHeight / 4) << "the thin deck shows " << where;
        world->terrain.SetDetailsForLayer(0, 0, 0, 0);
    }
}

TEST_F(WorldDrawTest, FoldedGroundPassesLeaveThePictureAsItWas) {
    // Low over Albert, looking level and down the road south-east out of the town.
    const worlddraw::Eye eye{2020000.0, 1200.0, 2047000.0};
    const Camera level{106.0, 2.0}, down{106.0, -20.0};
    // The sky behind the ground, which also leaves out what lies below the ground's far edge,
    // against the sky drawn first: low and high, level and looking down.
    for (const double height : {1200.0, 14000.0})
        for (const Camera& cam : {level, down}) {
            const worlddraw::Eye at{eye.X, height, eye.Z};
            const auto behind = frame(at, cam, false, true);
            EXPECT_GT(world->drawer.lowestOpenElevation(), -0.3) << "the ground reaches all round";
            EXPECT_EQ(differing(frame(at, cam, false), behind, 2), 0) << height << " ft, pitch " << cam.Pitch;
        }
    const auto behind = frame(eye, level, false, true);
    const uint8_t* top = &behind[(size_t(kHeight - 1) * kWidth + kWidth / 2) * 4];
    EXPECT_GT(top[2], top[0] + 10) << "the sky behind the ground reaches the top, not the black cleared";

    // Whole road squares against squares cut to their road shape: a pixel on a road's edge may
    // fall the other way where a cut runs through it.
    world->drawer.RoadShapeDistance = 0.0;
    const auto whole = frame(eye, down, false, true);
    world->drawer.RoadShapeDistance = 1.0e6;
    const auto cut = frame(eye, down, false, true);
    EXPECT_LT(world->drawer.trianglesDrawn(), 3 * 20000);
    EXPECT_LT(differing(whole, cut, 3), 40);

    world->terrain.setDrawDetail(0);
    EXPECT_GT(differing(cut, frame(eye, down, false, true), 3), long(kWidth) * kHeight / 10) << "the detail map shows";
}

// The sky's picture read without its mip levels where its first level is magnified on every pixel,
// against read with them: level and towards the zenith, where its columns close up, in the whole
// frame and in one so small that its pixels are wider than the picture's texels.
TEST_F(WorldDrawTest, TheSkyReadWithoutItsMipLevelsLooksTheSame) {
    for (const int width : {kWidth, 48})
        for (const Camera& cam : {Camera{106.0, 5.0}, Camera{106.0, 80.0}}) {
            world->ViewportWidth = width;
            world->ViewportHeight = width * kHeight / kWidth;
            world->PlainSky = true;
            const auto plain = frame(test::kOverAlbert, cam, false, true);
            world->PlainSky = false;
            EXPECT_EQ(differing(plain, frame(test::kOverAlbert, cam, false, true), 1), 0)
                << width << " pixels across, pitch " << cam.Pitch;
        }
    world->ViewportWidth = kWidth;
    world->ViewportHeight = kHeight;
    // The dome's vertices are kept from draw to draw: they follow the sky's colours as the sun
    // sinks, and come back to the same picture.
    const Camera up{106.0, 80.0};
    const Vector3 high = world->sky.getSunVector(), low{1.0, 0.02, 0.0};
    const auto noon = frame(test::kOverAlbert, up, false);
    world->sky.positionSun(low.data());
    const auto dusk = frame(test::kOverAlbert, up, false);
    world->sky.positionSun(high.data());
    EXPECT_EQ(differing(noon, frame(test::kOverAlbert, up, false), 0), 0) << "noon after dusk";
    EXPECT_GT(differing(noon, dusk, 16), long(kWidth) * kHeight / 2) << "the dome at dusk in noon's colours";
}

// The sky keeps its picture's faint shapes by day, with the sun low and orange, just set, at
// night and under a grey ceiling; looking at the sun, level away from it, up and down; drawn first
// and behind the ground: the picture rule holds against the plain drawing, structure and all. A
// sky whose picture is one colour, all but its pixels within 16 levels of the plain drawing's,
// breaks the rule: its shapes are lost.
TEST_F(WorldDrawTest, TheSkyKeepsItsPicturesFaintShapes) {
    const Vector3 noon = world->sky.getSunVector();
    const std::array<Vector3, 4> suns{{{0.3, 0.9, 0.3}, {1.0, 0.05, 0.2}, {1.0, -0.03, 0.2}, {0.0, -0.5, 1.0}}};
    const double towards = std::atan2(1.0, 0.2) * 180 / M_PI;
    const auto both = [&](const Camera& cam, bool behind) {
        world->PlainSky = true;
        auto plain = picture(frame(test::kOverAlbert, cam, false, behind));
        const auto sky = test::WorldFrame::skyPixels();
        world->PlainSky = false;
        return std::tuple(std::move(plain), sky, picture(frame(test::kOverAlbert, cam, false, behind)));
    };
    for (int time = 0; time < 5; ++time) {
        world->sky.positionSun(suns[size_t(std::min(time, 3))].data());
        world->sky.setBelowCeiling(time == 4);
        for (const Camera& cam : {Camera{towards, 2.0}, Camera{towards + 150, 10.0, 20.0}, Camera{towards, 70.0},
                                  Camera{towards - 60, -25.0}})
            for (const bool behind : {false, true}) {
                const std::string where = "time " + std::to_string(time) + ", heading " +
                                          std::to_string(int(cam.Heading)) + ", pitch " +
                                          std::to_string(int(cam.Pitch)) + (behind ? ", behind" : "");
                const auto [plain, sky, drawn] = both(cam, behind);
                const testing::PixelsApart apart = testing::pixelsApart(plain, drawn);
                EXPECT_LE(apart.count, kWidth * kHeight / 100) << where;
                EXPECT_EQ(apart.middle, 0) << where;
                EXPECT_EQ(testing::structureLost(plain, drawn, sky), "") << where;
            }
    }
    world->sky.setBelowCeiling(0);
    world->sky.positionSun(noon.data());

    const Camera up{towards, 10.0};
    const auto [plain, sky, drawn] = both(up, true);
    const int32_t kept = skyPictureInstead(*world, 247);
    const platform::RGBAImage flat = picture(frame(test::kOverAlbert, up, false, true));
    GLuint made = world->view.glName(world->sky.SkyTextureSlot);
    glDeleteTextures(1, &made);
    world->sky.SkyTextureSlot = kept;
    EXPECT_LE(testing::farthestApart(plain, drawn), 1) << "the shortcuts leave the sky as it is";
    const testing::PixelsApart apart = testing::pixelsApart(plain, flat);
    EXPECT_LE(apart.count, kWidth * kHeight / 100);
    EXPECT_EQ(apart.middle, 0);
    EXPECT_NE(testing::structureLost(plain, flat, sky).find("of the sky's"), std::string::npos);

    // Looking straight up, the shapes do not close in on the zenith as a star of spokes: on a
    // small circle round it the sky changes no more than on one round anywhere else in view, in
    // the plain drawing and with the shortcuts, and its shapes still show.
    const auto spread = [](const std::vector<uint8_t>& frame, double cx, double cy) {
        int low = 255 * 3, high = 0;
        for (int k = 0; k < 64; ++k) {
            const double a = 2 * M_PI * k / 64;
            const size_t i = (size_t(std::lround(cy + 8 * std::sin(a))) * kWidth + size_t(std::lround(cx + 8 * std::cos(a)))) * 4;
            const int v = frame[i] + frame[i + 1] + frame[i + 2];
            low = std::min(low, v), high = std::max(high, v);
        }
        return high - low;
    };
    const Vector3 afternoon{0.6, 0.5, 0.6};  // well clear of the zenith
    world->sky.positionSun(afternoon.data());
    for (const bool plainSky : {true, false}) {
        world->PlainSky = plainSky;
        const auto zenith = frame(test::kOverAlbert, Camera{towards, 90.0}, false);
        world->PlainSky = false;
        std::vector<int> spreads;  // round points across the view, all but the most apart
        for (int y = 40; y < kHeight - 40; y += 20)
            for (int x = 40; x < kWidth - 40; x += 20) spreads.push_back(spread(zenith, x, y));
        std::sort(spreads.begin(), spreads.end());
        const int most = spreads[spreads.size() * 9 / 10];
        EXPECT_LE(spread(zenith, kWidth / 2.0 - 0.5, kHeight / 2.0 - 0.5), std::max(most, 3)) << (plainSky ? "plain" : "");
        EXPECT_GT(most, 4) << "the shapes show";
    }
    world->sky.positionSun(noon.data());
}

// Under a scissor box the sky, and a cloud that sends only the sprites that can reach it (none
// when the cloud as a whole lies beyond a side), hold the same
// pixels as the whole frame, at the view's corners and edges, in a thin column and in the middle,
// in a column a little aside from the cloud's middle, which its outer sprites reach, looking level
// at a cloud, up towards the zenith and down.
TEST_F(WorldDrawTest, TheSkyAndACloudUnderAScissorBoxAreTheWholeFramesPart) {
    world->cloud.makeACulmulus(7);
    const double h = test::kAlongTheFront.Heading * M_PI / 180;
    world->cloud.setModelPositionX(test::kOverAlbert.X + std::sin(h) * 7000, 2500.0, test::kOverAlbert.Z + std::cos(h) * 7000);
    for (const Camera& cam : {Camera{106.0, 0.0}, Camera{20.0, 80.0}, Camera{250.0, -20.0}}) {
        const auto whole = frame(test::kOverAlbert, cam, true, true);
        for (const Box& b : {Box{0, 0, 48, 64}, Box{kWidth - 32, kHeight - 200, 32, 200}, Box{300, 0, 16, kHeight},
                             Box{200, 150, 240, 100}, Box{0, kHeight - 24, kWidth, 24}, Box{370, 100, 12, 200}}) {
            glEnable(GL_SCISSOR_TEST), glScissor(b.X, b.Y, b.Width, b.Height);
            const auto part = frame(test::kOverAlbert, cam, true, true);
            glDisable(GL_SCISSOR_TEST);
            EXPECT_EQ(channelsApartIn(whole, part, b), 0) << "pitch " << cam.Pitch << ", box " << b.Width << " x " << b.Height << " at " << b.X
                                << ", " << b.Y;
        }
    }
}

// The ground drawn under a scissor box, as the game draws it under the decks' bounds, merges the
// same far blocks as the whole view, whose count decides whether any are drawn merged: the box
// holds the same pixels as the whole view's ground, along the horizon, in a thin column, at a
// corner and in the middle; and a narrow box still spares the triangles that light nothing within it.
// A wide spread merges many blocks, the whole view's choice then lying far from a boxed part's.
TEST_F(WorldDrawTest, TheGroundUnderAScissorBoxMergesTheWholeViewsBlocks) {
    const double spread = world->drawer.MergedSpread;
    world->drawer.MergedSpread = 40.0;
    long merged = 0, spared = 0, boxes = 0;
    for (const double height : {3000.0, 9000.0})
        for (const Camera& cam : {test::kAlongTheFront, Camera{200.0, -2.0}, Camera{300.0, -4.0, 20.0}}) {
            const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
            const auto whole = groundAlone(at, cam);
            const long blocks = world->drawer.blocksMerged(), triangles = world->drawer.trianglesDrawn();
            merged += blocks;
            for (const Box& b : {Box{0, kHeight / 2 - 12, kWidth, 24}, Box{370, 0, 12, kHeight}, Box{0, 0, 64, 48},
                                 Box{kWidth / 3, kHeight / 3, kWidth / 3, kHeight / 3}}) {
                const std::string where = std::to_string(int(height)) + " ft, heading " +
                                          std::to_string(int(cam.Heading)) + ", box " + std::to_string(b.Width) +
                                          " x " + std::to_string(b.Height) + " at " + std::to_string(b.X) + ", " +
                                          std::to_string(b.Y);
                glEnable(GL_SCISSOR_TEST), glScissor(b.X, b.Y, b.Width, b.Height);
                const auto part = groundAlone(at, cam);
                glDisable(GL_SCISSOR_TEST);
                EXPECT_EQ(world->drawer.blocksMerged(), blocks) << where;
                EXPECT_EQ(channelsApartIn(whole, part, b), 0) << where;
                // A narrow box leaves out most of the far ground's thin squares.
                if (b.Width * 8 < kWidth) {
                    spared += world->drawer.trianglesDrawn() < triangles;
                    ++boxes;
                }
            }
        }
    world->drawer.MergedSpread = spread;
    EXPECT_GT(merged, 100) << "blocks drawn whole";
    EXPECT_EQ(spared, boxes) << "boxes sparing triangles";
}

// The shortcuts against the plain drawing: far road squares left out where no road texel can pass
// the alpha test, against every road square drawn; and the ground, the sky and a cloud deck drawn
// through a widened viewport, against clipped at the window's edges: low over the front and
// higher, level and looking a little down, and in a small viewport and under a scissor box,
// neither of which the widened drawing may pass. At most 1 % of the pixels more than 16 levels
// apart, none of those in the middle third, where the pilot aims. A deck's magnified part read
// without mip levels looks as read with them.
TEST_F(WorldDrawTest, ShortcutsLookLikeThePlainDrawing) {
    world->terrain.setDrawDetail(1);
    // `box` (x0, y0, x1, y1, pixels): where the drawing may reach; outside it not a pixel may change.
    const auto compare = [&](const worlddraw::Eye& at, const Camera& cam, const std::string& where,
                             std::array<int, 4> box = {0, 0, kWidth, kHeight}) {
        world->drawer.Exact = true;
        world->PlainSky = true;
        const auto exact = frame(at, cam, false, true);
        const auto sky = test::WorldFrame::skyPixels();
        world->drawer.Exact = false;
        world->drawer.WidensView = false;
        world->drawer.DrawsInMean = false;
        const auto clipped = frame(at, cam, false, true);
        world->drawer.DrawsInMean = true;
        world->drawer.WidensView = true;
        world->PlainSky = false;
        const auto drawn = frame(at, cam, false, true);
        long apart = 0, middle = 0, any = 0, outside = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const size_t k = (size_t(y) * kWidth + x) * 4;
                int most = 0, mostClipped = 0;
                for (int c = 0; c < 3; ++c) {
                    most = std::max(most, std::abs(exact[k + c] - drawn[k + c]));
                    mostClipped = std::max(mostClipped, std::abs(exact[k + c] - clipped[k + c]));
                }
                any += mostClipped > 2;
                outside += most > 0 && (x < box[0] || y < box[1] || x >= box[2] || y >= box[3]);
                if (most <= 16) continue;
                ++apart;
                middle += x >= kWidth / 3 && x < 2 * kWidth / 3 && y >= kHeight / 3 && y < 2 * kHeight / 3;
            }
        EXPECT_LE(apart, long(kWidth) * kHeight / 100) << where;
        EXPECT_EQ(middle, 0) << where;
        EXPECT_EQ(testing::structureLost(picture(exact), picture(drawn), sky), "") << where;
        EXPECT_EQ(outside, 0) << where;
        // Where no texel can pass, leaving the square out changes nothing: hardly a pixel may
        // change at all.
        EXPECT_LE(any, long(kWidth) * kHeight / 1000) << where << ": pixels more than 2 levels apart";
    };
    for (const double height : {500.0, 3000.0, 9000.0})
        for (const Camera& cam : {test::kAlongTheFront, Camera{200.0, -2.0}})
            compare({test::kOverAlbert.X, height, test::kOverAlbert.Z}, cam,
                    std::to_string(int(height)) + " ft, heading " + std::to_string(int(cam.Heading)));
    world->ViewportWidth = 96;
    world->ViewportHeight = 60;
    compare(test::kOverAlbert, test::kAlongTheFront, "a small viewport", {0, 0, 96, 60});
    world->ViewportWidth = kWidth;
    world->ViewportHeight = kHeight;
    glEnable(GL_SCISSOR_TEST);
    glScissor(kWidth / 5, kHeight / 7, kWidth / 2, kHeight / 3);
    compare(test::kOverAlbert, test::kAlongTheFront, "a scissor box",
            {kWidth / 5, kHeight / 7, kWidth / 5 + kWidth / 2, kHeight / 7 + kHeight / 3});
    glDisable(GL_SCISSOR_TEST);
    // Under a deck, seen level and from below, and in the small viewport: its near part drawn whole,
    // so that only the widening sets the two drawings apart.
    world->drawer.UnfoggedDeckPieces = false;
    world->terrain.SetDetailsForLayer(0, 1, test::kOverAlbert.Y + 2000, test::kOverAlbert.Y + 2600);
    for (const Camera& cam : {test::kAlongTheFront, Camera{test::kAlongTheFront.Heading, 25.0}})
        compare(test::kOverAlbert, cam, "under a deck, pitch " + std::to_string(int(cam.Pitch)));
    world->ViewportWidth = 96;
    world->ViewportHeight = 60;
    compare(test::kOverAlbert, Camera{test::kAlongTheFront.Heading, 25.0}, "under a deck, a small viewport",
            {0, 0, 96, 60});
    world->ViewportWidth = kWidth;
    world->ViewportHeight = kHeight;
    // The deck's part near enough overhead to be magnified on every pixel, read without its mip
    // levels, against the whole deck read with them: the same texels, so hardly a pixel more than two
    // levels apart, seen level and looking up, the deck near and far overhead.
    for (const double above : {600.0, 2000.0})
        for (const double pitch : {5.0, 35.0}) {
            world->terrain.SetDetailsForLayer(0, 3, test::kOverAlbert.Y + above, test::kOverAlbert.Y + above + 100);
            const Camera cam{test::kAlongTheFront.Heading, pitch};
            world->drawer.MagnifiedDecksUnmipped = false;
            const auto mipped = frame(test::kOverAlbert, cam, false, true);
            world->drawer.MagnifiedDecksUnmipped = true;
            const auto drawn = frame(test::kOverAlbert, cam, false, true);
            const std::string what = "a deck " + std::to_string(int(above)) + " ft up, pitch " + std::to_string(int(pitch));
            EXPECT_EQ(world->drawer.decksMagnified(), 2) << what;
            EXPECT_LE(differing(mipped, drawn, 2), long(kWidth) * kHeight / 10000) << what;
        }
    world->terrain.SetDetailsForLayer(0, 0, 0, 0);
    world->drawer.UnfoggedDeckPieces = true;
}

// A deck's colour sent with its points and held flat draws the pixels the colour left current
// draws: near and far overhead, seen level, looking up and banked, fogged and not (the part nearer
// than the fog's start goes unfogged), each frame to the bit.
TEST_F(WorldDrawTest, ADeckWithItsColourInItsPointsDrawsTheSamePixels) {
    for (const Camera& cam : {Camera{test::kAlongTheFront.Heading, 5.0}, Camera{106.0, 35.0, 20.0}}) {
        world->terrain.SetDetailsForLayer(0, 0, 0, 0);
        const auto bare = frame(test::kOverAlbert, cam, false, true);
        for (const double above : {300.0, 2000.0, 9000.0}) {
            world->terrain.SetDetailsForLayer(0, 1, test::kOverAlbert.Y + above, test::kOverAlbert.Y + above + 600);
            world->drawer.DeckFogInVertices = false;  // the colour alone: its own test covers the fog
            world->drawer.DeckColourInVertices = false;
            const auto left = frame(test::kOverAlbert, cam, false, true);
            world->drawer.DeckColourInVertices = true;
            const auto sent = frame(test::kOverAlbert, cam, false, true);
            world->drawer.DeckFogInVertices = true;
            const std::string what = "a deck " + std::to_string(int(above)) + " ft up, pitch " + std::to_string(int(cam.Pitch));
            EXPECT_GT(differing(bare, sent, 2), long(kWidth) * kHeight / 20) << what << ": the deck does not show";
            EXPECT_EQ(differing(left, sent, 0), 0) << what;
        }
    }
    world->terrain.SetDetailsForLayer(0, 0, 0, 0);
}

// A deck's fog worked out at its corners, its pieces cut where the fog starts and ends, lights
// the pixels the GL's fog lights, but where the rasteriser rounds a level or two apart (or a pixel
// on a cut, a few): near and far overhead, seen level, looking up and banked, drawn whole and cut to
// scissor boxes, with every cut paid for and as the cost decides.
TEST_F(WorldDrawTest, ADeckFoggedAtItsCornersLooksAsFoggedByTheGL) {
    world->terrain.setFogDistance(1.5e-4);
    const double start = world->terrain.getFogDistance() / 4;
    const worlddraw::Eye at = test::kOverAlbert;
    const std::vector<std::array<int, 4>> boxes = {{0, 0, kWidth / 3, kHeight / 2},
                                                   {kWidth / 3 + 5, 7, 101, 61},
                                                   {kWidth / 2 - 13, kHeight / 2 + 1, kWidth / 2 + 13, kHeight / 2 - 4}};
    long fogged = 0;
    for (const double above : {0.2 * start, 2.0 * start})
        for (const Camera& cam : {Camera{106.0, 2.0}, Camera{106.0, 35.0}, Camera{200.0, 10.0, 25.0}})
            for (const bool boxed : {false, true})
                for (const double cutCost : {0.0, 500.0}) {
                    world->terrain.SetDetailsForLayer(0, 1, at.Y + above, at.Y + above + 300);
                    world->DeckBoxes = boxed ? boxes : std::vector<std::array<int, 4>>{};
                    world->drawer.DeckFogCutCost = cutCost;
                    world->drawer.DeckFogInVertices = false;
                    const auto byGL = frame(at, cam, false, true);
                    world->drawer.DeckFogInVertices = true;
                    const auto atCorners = frame(at, cam, false, true);
                    const std::string what = "a deck " + std::to_string(int(above)) + " ft up, pitch " +
                                             std::to_string(int(cam.Pitch)) + (boxed ? ", boxed" : "") +
                                             ", cut cost " + std::to_string(int(cutCost));
                    EXPECT_LE(differing(byGL, atCorners, 2), 8) << what;
                    if (cutCost == 0) {
                        EXPECT_GT(world->drawer.decksFoggedInVertices(), 0) << what;
                    }
                    fogged += world->drawer.decksFoggedInVertices();
                }
    EXPECT_GT(fogged, 0);
    world->DeckBoxes.clear();
    world->drawer.DeckFogCutCost = 500.0;
    world->terrain.SetDetailsForLayer(0, 0, 0, 0);
}

// Cells wholly below the dome's lowest facet, as DomeReach tells them corner by corner, are left
// out of the scissor boxes the sky and a deck overhead are drawn under: banked, level and looking
// down, low over the ground and high, the frame is the one drawn without boxes to the bit. A cell
// told wrongly below the dome would lose the sky that the ground leaves open there.
TEST_F(WorldDrawTest, TheSkyLeavesOutOnlyCellsWhollyBelowItsLowestFacet) {
    constexpr int cell = worlddraw::ScreenCover::kCell;
    const int across = (kWidth + cell - 1) / cell, down = (kHeight + cell - 1) / cell;
    long below = 0, open = 0;
    for (const double height : {400.0, 3000.0, 12000.0})
        for (const Camera& cam : {Camera{106.0, -4.0, 35.0}, Camera{200.0, 6.0, -70.0}, Camera{30.0, -25.0, 15.0}}) {
            const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
            world->terrain.SetDetailsForLayer(0, 1, height + 1500, height + 2100);
            world->SkyBoxes.clear(), world->DeckBoxes.clear();
            const auto whole = frame(at, cam, false, true);
            // The view's matrices and viewport are still loaded.
            const worlddraw::DomeReach reach(world->drawer.lowestOpenElevation());
            const auto corner = [&](int i, int j) {
                return reach.below(std::min(i * cell, kWidth), std::min(j * cell, kHeight));
            };
            // Each row's runs of cells the dome may reach, a box each.
            std::vector<std::array<int, 4>> boxes;
            for (int j = 0; j < down; ++j)
                for (int i = 0; i < across;) {
                    const auto under = [&](int c) {
                        return corner(c, j) && corner(c + 1, j) && corner(c, j + 1) && corner(c + 1, j + 1);
                    };
                    if (under(i)) {
                        ++below, ++i;
                        continue;
                    }
                    int end = i + 1;
                    while (end < across && !under(end)) ++end;
                    open += end - i;
                    boxes.push_back({i * cell, j * cell, std::min(end * cell, kWidth) - i * cell,
                                     std::min((j + 1) * cell, kHeight) - j * cell});
                    i = end;
                }
            world->SkyBoxes = boxes;
            // The deck, which takes fewer boxes, under one box round each pair of rows' runs.
            world->DeckBoxes.clear();
            for (const auto& b : boxes) {
                const int band = b[1] / (2 * cell);
                if (world->DeckBoxes.empty() || world->DeckBoxes.back()[1] != band * 2 * cell) {
                    world->DeckBoxes.push_back({b[0], band * 2 * cell, b[2], 0});
                } else {
                    auto& d = world->DeckBoxes.back();
                    const int x1 = std::max(d[0] + d[2], b[0] + b[2]);
                    d[0] = std::min(d[0], b[0]), d[2] = x1 - d[0];
                }
                world->DeckBoxes.back()[3] = b[1] + b[3] - band * 2 * cell;
            }
            ASSERT_LE(world->DeckBoxes.size(), 16u);
            const auto boxed = frame(at, cam, false, true);
            EXPECT_EQ(differing(whole, boxed, 0), 0) << height << " ft, heading " << cam.Heading;
        }
    world->SkyBoxes.clear(), world->DeckBoxes.clear();
    world->terrain.SetDetailsForLayer(0, 0, 0, 0);
    EXPECT_GT(below, open / 4) << "the ground fills the cells below the dome";
    EXPECT_GT(open, 0);
}

// Ground squares wholly behind an opaque cover drawn over the world last (a cockpit's wing,
// cowling and guns) are left out without changing a pixel. The cover here, in the eye's own frame:
// bands across the bottom and the middle of the screen facing the eye, one aslant; a triangle wound the way the GL culls, so
// drawn nowhere; and quads reaching in front of the near plane, which the GL fills only beyond it.
TEST_F(WorldDrawTest, GroundWhollyBehindTheCoverIsLeftOutUnseen) {
    struct Polygon {
        std::vector<std::array<float, 3>> Points;  // ft, eye frame: x right, y up, -z ahead
        GLenum Primitive;
    };
    const std::vector<Polygon> cover = {
        {{{-40, -20, -30}, {40, -20, -30}, {40, -6, -30}, {-40, -6, -30}}, GL_QUADS},
        {{{-40, -3.5f, -30}, {40, -1.5f, -30}, {40, 1, -30}, {-40, -1, -30}}, GL_QUADS},
        {{{-16, -4, -30}, {-2, 8, -30}, {-2, -4, -30}}, GL_TRIANGLES},
        {{{4, -4, -10}, {16, -4, -30}, {16, 8, -30}, {4, 8, -10}}, GL_QUADS},
        {{{-40, 10, -60}, {40, 10, -60}, {40, 10, 5}, {-40, 10, 5}}, GL_QUADS}};
    const auto drawCover = [&] {
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glDisable(GL_FOG), glDisable(GL_BLEND);
        glEnable(GL_CULL_FACE);
        glColor3f(1, 0, 1);
        for (const Polygon& p : cover) {
            glBegin(p.Primitive);
            for (const auto& v : p.Points) glVertex3fv(v.data());
            glEnd();
        }
        glPopAttrib();
    };
    const test::Camera down{test::kAlongTheFront.Heading, -20.0};
    frame(test::kOverAlbert, down, false, true);  // the projection and viewport the cover is taken under
    worlddraw::ScreenCover screen;
    const auto take = [&](std::initializer_list<size_t> which) {
        screen.begin();
        const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (const size_t k : which) {
            const Polygon& p = cover[k];
            std::vector<uint16_t> items(p.Points.size());
            for (size_t i = 0; i < items.size(); ++i) items[i] = uint16_t(i);
            screen.addPolygon(identity, reinterpret_cast<const uint8_t*>(p.Points.data()), sizeof(p.Points[0]),
                              items.data(), int(items.size()), int(p.Primitive), true);
        }
        screen.finish();
        long hidden = 0;
        for (int y = worlddraw::ScreenCover::kCell / 2; y < kHeight; y += worlddraw::ScreenCover::kCell)
            for (int x = worlddraw::ScreenCover::kCell / 2; x < kWidth; x += worlddraw::ScreenCover::kCell)
                hidden += !screen.openAt(x, y);
        return hidden;
    };
    // The part of a quad overhead reaching behind the eye beyond the near plane hides what lies behind it.
    EXPECT_GT(take({4}), 4) << "the quad cut at the near plane";
    take({0, 1, 2, 3, 4});
    // How far off each hidden cell's parts reach bounds the depth the GL writes for the cover at
    // every pixel of it, cell by cell: the band 30 ft ahead reaches no farther than that, though
    // the quad overhead reaches 60 ft.
    {
        double p[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_TEXTURE_2D), glDisable(GL_FOG), glDisable(GL_BLEND);
        glEnable(GL_CULL_FACE), glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glClear(GL_DEPTH_BUFFER_BIT);
        for (const Polygon& c : cover) {
            glBegin(c.Primitive);
            for (const auto& v : c.Points) glVertex3fv(v.data());
            glEnd();
        }
        glPopAttrib();
        std::vector<float> depth(size_t(kWidth) * kHeight);
        glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        long beyond = 0;
        double nearest = 1e9, farthest = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const int i = x / worlddraw::ScreenCover::kCell, j = y / worlddraw::ScreenCover::kCell;
                if (!screen.hidesCell(i, j)) continue;
                const double reach = screen.cellReach(i, j);
                const double ndc = 2.0 * depth[size_t(y) * kWidth + x] - 1;
                beyond += p[14] / (p[10] + ndc) > reach * 1.001;  // ft ahead of the eye
                nearest = std::min(nearest, reach), farthest = std::max(farthest, reach);
            }
        EXPECT_EQ(beyond, 0) << "pixels of hidden cells farther off than the cells' reach";
        EXPECT_NEAR(nearest, 30, 0.01);
        EXPECT_NEAR(farthest, 60, 0.01);
    }
    long covered = 0;
    for (const double height : {1200.0, 6000.0})
        for (const test::Camera& cam : {down, test::kAlongTheFront}) {
            const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
            const auto all = world->draw(at, cam, false, true, nullptr, drawCover);
            const auto behind = world->draw(at, cam, false, true, &screen, drawCover);
            covered += world->drawer.squaresCovered();
            EXPECT_EQ(differing(all, behind, 0), 0) << height << " ft, pitch " << cam.Pitch;
        }
    EXPECT_GT(covered, 20) << "the band hides ground";
}

// Panels of a cover meeting at a shared edge leave no pixel between them open, so the cells along
// their seam are hidden; panels a hair apart leave pixel centres open along an aslant gap, so those
// cells are not. Whatever the cover, every pixel of a hidden cell is one the GL fills.
TEST_F(WorldDrawTest, PanelsSharingAnEdgeHideTheirSeam) {
    frame(test::kOverAlbert, test::kAlongTheFront, false);  // the projection and viewport
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const auto window = [&](double x, double y, double z) {  // eye frame, ft -> px
        double c[4];
        for (int r = 0; r < 4; ++r) c[r] = projection[r] * x + projection[4 + r] * y + projection[8 + r] * z + projection[12 + r];
        return std::array<double, 2>{(c[0] / c[3] + 1) * kWidth / 2, (c[1] / c[3] + 1) * kHeight / 2};
    };
    for (const float gap : {0.0f, 0.01f}) {
        // Two quads facing the eye, 30 ft ahead, their seam aslant from (1, -5) to (3, 5) ft.
        const std::array<float, 3> panels[8] = {{-12, -5, -30}, {1, -5, -30},       {3, 5, -30},        {-12, 5, -30},
                                                {1 + gap, -5, -30}, {12, -5, -30}, {12, 5, -30}, {3 + gap, 5, -30}};
        worlddraw::ScreenCover screen;
        screen.begin();
        const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        const uint16_t items[4] = {0, 1, 2, 3};
        for (int k = 0; k < 2; ++k)
            screen.addPolygon(identity, reinterpret_cast<const uint8_t*>(&panels[4 * k]), sizeof(panels[0]), items, 4,
                              GL_QUADS, true);
        screen.finish();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glDisable(GL_FOG), glDisable(GL_BLEND);
        glEnable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glBegin(GL_QUADS);
        for (const auto& v : panels) glVertex3fv(v.data());
        glEnd();
        glPopAttrib();
        const auto filled = test::WorldFrame::pixels();
        long hidden = 0, open = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (!screen.openAt(x + 0.5, y + 0.5)) {
                    ++hidden;
                    open += filled[(size_t(y) * kWidth + x) * 4] != 255;
                }
        EXPECT_EQ(open, 0) << "gap " << gap << " ft: pixels of hidden cells the GL leaves open";
        EXPECT_GT(hidden, 0);
        for (const double along : {0.25, 0.5, 0.75}) {
            const auto seam = window(1 + 2 * along + gap / 2, -5 + 10 * along, -30);
            EXPECT_EQ(screen.openAt(seam[0], seam[1]), gap > 0) << "gap " << gap << " ft, " << along << " along the seam";
        }
    }
}

// One grid taken frame after frame over covers of panels meeting at shared edges, with loose
// triangles over them, each frame somewhere else on the screen, some across the window's left or
// right side with panels wholly beyond it: it answers as a fresh grid would, every pixel of a hidden
// cell is one the GL fills, and few cells the GL fills whole are left open, at the sides too.
TEST_F(WorldDrawTest, ACoverGridTakenFrameAfterFrameAnswersAsAFreshOne) {
    frame(test::kOverAlbert, test::kAlongTheFront, false);  // the projection and viewport
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double side = 30 / projection[0];  // ft: the window's right side 30 ft ahead
    std::mt19937 random(44);
    const auto between = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
    worlddraw::ScreenCover reused;
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    long hidden = 0, filledWhole = 0;
    for (int k = 0; k < 16; ++k) {
        // ft, eye frame, 30 ft ahead: a mesh of quads with its inner corners moved, big and small by
        // turns; the last frames' across a side of the window, a panel or two beyond it.
        std::vector<std::array<float, 3>> quads, loose;
        const bool atSide = k >= 12;
        const double size = atSide ? between(6, 10) : k % 2 ? between(1, 4) : between(8, 16);
        const double x0 = !atSide ? between(-12, 12 - size) : k % 2 ? side - size * 0.6 : -side - size * 0.4;
        const double y0 = between(-9, 9 - size);
        const int across = atSide ? 8 : 2 + k % 5, down = atSide ? 3 : 1 + k % 3;
        std::vector<std::array<float, 3>> corner(size_t((across + 1) * (down + 1)));
        for (int j = 0; j <= down; ++j)
            for (int i = 0; i <= across; ++i) {
                const bool inner = i > 0 && j > 0 && i < across && j < down;
                const double jiggle = inner ? size / across / 4 : 0;
                corner[size_t(j * (across + 1) + i)] = {float(x0 + size * i / across + between(-jiggle, jiggle)),
                                                        float(y0 + size * j / down + between(-jiggle, jiggle)), -30.0f};
            }
        for (int j = 0; j < down; ++j)
            for (int i = 0; i < across; ++i)
                for (const auto& [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}})
                    quads.push_back(corner[size_t((j + dj) * (across + 1) + i + di)]);
        for (int t = 0; t < 3 * 4; ++t) loose.push_back({float(between(-14, 14)), float(between(-10, 10)), -30.0f});
        const auto take = [&](worlddraw::ScreenCover& screen) {
            screen.begin();
            for (const auto* points : {&quads, &loose}) {
                std::vector<uint16_t> items(points->size());
                for (size_t i = 0; i < items.size(); ++i) items[i] = uint16_t(i);
                screen.addPolygon(identity, reinterpret_cast<const uint8_t*>(points->data()), sizeof((*points)[0]),
                                  items.data(), int(items.size()), points == &quads ? GL_QUADS : GL_TRIANGLES, false);
            }
            screen.finish();
        };
        worlddraw::ScreenCover fresh;
        take(reused);
        take(fresh);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glDisable(GL_FOG), glDisable(GL_BLEND), glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        for (const auto* points : {&quads, &loose}) {
            glBegin(points == &quads ? GL_QUADS : GL_TRIANGLES);
            for (const auto& v : *points) glVertex3fv(v.data());
            glEnd();
        }
        glPopAttrib();
        const auto filled = test::WorldFrame::pixels();
        constexpr int cell = worlddraw::ScreenCover::kCell;
        long open = 0, differ = 0, hiddenNow = 0, wholeNow = 0;
        for (int j = 0; j < kHeight / cell; ++j)
            for (int i = 0; i < kWidth / cell; ++i) {
                differ += reused.hidesCell(i, j) != fresh.hidesCell(i, j) || reused.cellReach(i, j) != fresh.cellReach(i, j);
                long lit = 0;
                for (int y = j * cell; y < (j + 1) * cell; ++y)
                    for (int x = i * cell; x < (i + 1) * cell; ++x) lit += filled[(size_t(y) * kWidth + x) * 4] == 255;
                if (reused.hidesCell(i, j)) open += cell * cell - lit, ++hiddenNow;
                wholeNow += lit == cell * cell;
            }
        EXPECT_EQ(differ, 0) << "frame " << k << ": cells the reused grid answers otherwise than a fresh one";
        EXPECT_EQ(open, 0) << "frame " << k << ": pixels of hidden cells the GL leaves open";
        if (atSide) {
            EXPECT_GE(hiddenNow, wholeNow * 49 / 50) << "frame " << k << ": cells filled whole left open";
        }
        hidden += hiddenNow, filledWhole += wholeNow;
    }
    EXPECT_GE(hidden, filledWhole * 49 / 50) << "cells the GL fills whole that are left open";
}

// The drawer's switches for work that cannot show: unlit triangles, fog nearer than its start,
// the depth test over decks the ground cannot reach, and daylight's modulation by white.
void skipUnseenWork(worlddraw::TerrainDrawer& d, bool on) {
    d.LeavesUnlitOut = d.UnfogsNearGround = d.DecksUntestedOverGround = d.DaylightAsIs = on;
}

// Work that cannot change a pixel is skipped without changing one: far ground triangles that fall
// between the pixel centres are left out, and their roads with them, ground nearer than the fog's
// start is drawn without fog, and the pictures in daylight are taken as they are. Low over the
// front and higher, along the front and across it, in the whole frame, under a scissor box and in
// a viewport so small that most squares are slivers; in the farthest haze at noon, and then in
// haze so close that the near ground is fogged and in middling haze under a low sun, whose light
// the ground takes.
TEST_F(WorldDrawTest, WorkThatCannotShowIsSkippedUnseen) {
    // Far blocks drawn whole are made of the squares sent, which the skipping changes.
    world->drawer.MergesFarBlocks = false;
    const Vector3 noon = world->sky.getSunVector();
    long unlit = 0;
    for (const double haze : {0.0, 1.5e-4, 4e-5})
        for (const int width : {kWidth, 96})
            for (const double height : {500.0, 3000.0})
                for (const Camera& cam : {test::kAlongTheFront, Camera{200.0, -2.0}})
                    for (const bool scissor : {false, true}) {
                        if (haze > 0 && (width != kWidth || scissor)) continue;
                        world->terrain.setFogDistance(haze);
                        const Vector3 lowSun{1.0, 0.02, 0.0};
                        world->sky.positionSun((haze == 4e-5 ? lowSun : noon).data());
                        world->ViewportWidth = width;
                        world->ViewportHeight = width * kHeight / kWidth;
                        if (scissor) glEnable(GL_SCISSOR_TEST), glScissor(width / 5, width / 7, width / 2, width / 3);
                        const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
                        skipUnseenWork(world->drawer, false);
                        const auto all = frame(at, cam, false, true);
                        skipUnseenWork(world->drawer, true);
                        const auto drawn = frame(at, cam, false, true);
                        unlit += world->drawer.trianglesUnlit();
                        glDisable(GL_SCISSOR_TEST);
                        EXPECT_EQ(differing(all, drawn, 0), 0) << "haze " << haze << ", " << width << " px, " << height
                                                               << " ft, heading " << cam.Heading << (scissor ? ", scissored" : "");
                    }
    world->sky.positionSun(noon.data());
    world->ViewportWidth = kWidth;
    world->ViewportHeight = kHeight;
    EXPECT_GT(unlit, 5000) << "far squares fall between the centres";

    // A deck side the ground cannot hide is drawn without the depth test: overhead, seen level and
    // looking up, and under the eye over lower ground; a deck just over the ground, which hills
    // rise through, and one just over an eye near the ground, keep it where the ground may show
    // in front of them. So are the sky's rings above the ground's top, fewer for the eye near the
    // ground. The same pixels either way.
    world->terrain.setFogDistance(0.0);
    const worlddraw::Eye at = test::kOverAlbert;
    const double ground = world->terrain.getAltitudeAtX(at.X, at.Z);
    const worlddraw::Eye low{at.X, ground + 40.0, at.Z};
    struct Deck {
        worlddraw::Eye Eye;
        double Bottom, Top;
        Camera Cam;
        long Untested;  // -1: either way
    };
    for (const Deck& d : {Deck{at, at.Y + 1500, at.Y + 2100, test::kAlongTheFront, 2},
                          Deck{at, at.Y + 1500, at.Y + 2100, Camera{106.0, 40.0}, 2},
                          Deck{at, ground + 600, ground + 900, Camera{106.0, -40.0}, 2},
                          Deck{at, ground + 5, ground + 60, Camera{106.0, -40.0}, 0},
                          Deck{low, low.Y + 20, low.Y + 80, Camera{106.0, 0.0}, -1},
                          Deck{low, low.Y + 20, low.Y + 80, Camera{16.0, 0.0}, -1}}) {
        world->terrain.SetDetailsForLayer(0, 3, d.Bottom, d.Top);
        skipUnseenWork(world->drawer, false);
        const auto tested = frame(d.Eye, d.Cam, false, true);
        EXPECT_EQ(world->drawer.decksUntested(), 0);
        skipUnseenWork(world->drawer, true);
        const auto drawn = frame(d.Eye, d.Cam, false, true);
        const std::string what = "a deck " + std::to_string(int(d.Bottom - d.Eye.Y)) + " ft off the eye, heading " +
                                 std::to_string(int(d.Cam.Heading)) + ", pitch " + std::to_string(int(d.Cam.Pitch));
        if (d.Untested >= 0) {
            EXPECT_EQ(world->drawer.decksUntested(), d.Untested) << what;
        }
        EXPECT_EQ(differing(tested, drawn, 0), 0) << what;
        EXPECT_GT(world->SkyRingsUntested, 0) << what;
    }
    // No post of the ground within the fog's reach stands above the elevation the sky is told of.
    for (const worlddraw::Eye& e : {at, low}) {
        const double top = worlddraw::groundTopElevation(world->terrain, e);
        double steepest = -M_PI / 2;
        const double reach = std::min(world->terrain.getFogDistance(), RIDUdidav::kGreatestFogDistance);
        for (double dz = -reach; dz <= reach; dz += world::kSquareFeet)
            for (double dx = -reach; dx <= reach; dx += world::kSquareFeet) {
                const double run = std::hypot(dx, dz);
                if (run > reach || run < world::kSquareFeet) continue;
                const int i = int(std::lround((e.X + dx) / world::kSquareFeet)), j = int(std::lround((e.Z + dz) / world::kSquareFeet));
                const double ax = i * world::kSquareFeet - e.X, az = j * world::kSquareFeet - e.Z;
                steepest = std::max(steepest, std::atan2(world->terrain.postFeet(i, j) - e.Y, std::hypot(ax, az)));
            }
        EXPECT_LE(steepest, top) << "eye at " << e.Y << " ft";
        if (e.Y == low.Y) {
            EXPECT_GT(top, 0.0) << "hills rise over an eye near the ground";
        }
    }
    world->terrain.SetDetailsForLayer(0, 0, 0, 0);
}

// Flat far squares cut along their other diagonal, where it lies nearer the line of sight, draw
// the picture they drew: the same plane and picture coordinates, rounding apart, never a level of
// the picture apart, which a bent square cut anew would read. Seen along the front and across it,
// and aslant the grid both ways, from the heights where the far ground fills the frame; the roads'
// whole squares cut with the ground under them.
TEST_F(WorldDrawTest, FlatFarSquaresCutAlongTheSightLookTheSame) {
    long cut = 0;
    for (const double height : {3000.0, 9000.0})
        for (const Camera& cam : {test::kAlongTheFront, Camera{200.0, -4.0}, Camera{45.0, -6.0}, Camera{135.0, -6.0}}) {
            const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
            world->drawer.CutsAlongTheSight = false;
            const auto plain = frame(at, cam, false, true);
            world->drawer.CutsAlongTheSight = true;
            const auto drawn = frame(at, cam, false, true);
            cut += world->drawer.squaresCutAnew();
            const std::string where = std::to_string(int(height)) + " ft, heading " + std::to_string(int(cam.Heading));
            EXPECT_EQ(differing(plain, drawn, 16), 0) << where;
            EXPECT_LE(differing(plain, drawn, 2), long(kWidth) * kHeight / 2000) << where;
        }
    EXPECT_GT(cut, 1000) << "flat far squares seen aslant";
}

// Thin triangles the GL draws one at a time, a pixel to a unit: none said to light no pixel centre
// lights one. Among them slivers that just hold or just miss a row or column of centres, and
// slivers aslant between the centres, which the window extent alone would keep.
TEST_F(WorldDrawTest, ATriangleSaidToLightNoPixelCentreLightsNone) {
    using worlddraw::WindowPoint;
    const auto unlit = [&](WindowPoint a, WindowPoint b, WindowPoint c, worlddraw::PixelRect rect = {0, 0, kWidth, kHeight}) {
        return worlddraw::lightsNoPixelCentre(a, b, c, rect, 1.0 / 16);
    };
    EXPECT_TRUE(unlit({10.1, 10.6}, {30.2, 10.7}, {20, 11.4})) << "between two rows";
    EXPECT_FALSE(unlit({10.1, 10.6}, {30.2, 10.7}, {20, 10.47})) << "just reaching a row";
    EXPECT_TRUE(unlit({10.2, 10.0}, {13.2, 13.0}, {13.8, 13.0})) << "aslant between the centres";
    EXPECT_FALSE(unlit({10.7, 10.0}, {13.7, 13.0}, {14.3, 13.0})) << "aslant over them";
    EXPECT_TRUE(unlit({100, 20}, {140, 20}, {120, 60}, {0, 0, 120, 10})) << "above the scissor box";

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, 0, kHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, kWidth, kHeight);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glDisable(GL_FOG), glDisable(GL_BLEND), glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    glColor3f(1, 1, 1);
    std::mt19937 random(44);
    const auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * (random() / 4294967296.0); };
    constexpr int kArea = 32;
    int saidUnlit = 0;
    for (int n = 0; n < 1500; ++n) {
        // A sliver 1 to 8 pixels long and up to two thirds of a pixel across, any way round.
        const double angle = uniform(0, 2 * M_PI), length = uniform(1, 8), across = uniform(0.01, 0.67);
        const double dx = std::cos(angle), dy = std::sin(angle), x = uniform(6, 26), y = uniform(6, 26);
        const double along = uniform(0, 1) * length;
        const WindowPoint a{x, y}, b{x + dx * length, y + dy * length},
            c{x + dx * along - dy * across, y + dy * along + dx * across};
        const bool none = unlit(a, b, c);
        saidUnlit += none;
        if (!none) continue;
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_TRIANGLES);
        for (const WindowPoint& p : {a, b, c}) glVertex2d(p.X, p.Y);
        glEnd();
        std::vector<uint8_t> pixels(size_t(kArea * 2) * kArea * 2 * 4);
        glReadPixels(0, 0, kArea * 2, kArea * 2, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        long lit = 0;
        for (size_t k = 0; k < pixels.size(); k += 4) lit += pixels[k] != 0;
        EXPECT_EQ(lit, 0) << "(" << a.X << ", " << a.Y << ") (" << b.X << ", " << b.Y << ") (" << c.X << ", " << c.Y << ")";
    }
    glPopAttrib();
    EXPECT_GT(saidUnlit, 250) << "slivers fall between the centres";
}

// A widened view lands every vertex where the window's view does: a shaded triangle reaching past
// the window's corner lights the same pixels either way, in colours a level apart at most where
// the GL no longer interpolates them from the corners it cut. While it is in force,
// whatever places things on the window is given the window's own projection and viewport, and no
// second one widens it again; given back, the view is as it was, to the bit, scissor box and all.
TEST_F(WorldDrawTest, AWidenedViewDrawsAsTheWindowsOwnAndIsGivenBackToTheBit) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.31, 0.29, -0.2, 0.21, 0.55, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, kWidth, kHeight);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glDisable(GL_FOG), glDisable(GL_BLEND), glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    glEnable(GL_SCISSOR_TEST);
    glScissor(-20, 30, kWidth, kHeight);  // reaching past the window's left and top edges
    const auto view = [] {
        std::array<double, 16> projection{};
        std::array<int, 4> viewport{}, box{};
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        glGetIntegerv(GL_SCISSOR_BOX, box.data());
        return std::tuple(projection, viewport, box, bool(glIsEnabled(GL_SCISSOR_TEST)));
    };
    const auto draw = [] {
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_TRIANGLES);
        glColor3f(1, 0, 0), glVertex3d(-3.1, -0.4, -2.0);
        glColor3f(0, 1, 0), glVertex3d(0.9, 1.7, -2.5);
        glColor3f(0, 0, 1), glVertex3d(0.2, -0.1, -1.0);
        glEnd();
        std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    const auto before = view();
    const std::vector<uint8_t> plain = draw();
    {
        worlddraw::WidenedView wide;
        ASSERT_TRUE(wide.widen());
        const auto widened = view();
        std::array<double, 16> projection{};
        std::array<int, 4> viewport{};
        worlddraw::WidenedView::loaded(projection, viewport);
        EXPECT_EQ(projection, std::get<0>(before));
        EXPECT_EQ(viewport, std::get<1>(before));
        worlddraw::WidenedView again;
        EXPECT_FALSE(again.widen());
        again.restore();
        EXPECT_TRUE(view() == widened);
        const std::vector<uint8_t> through = draw();
        long lit = 0, litApart = 0;
        for (size_t k = 0; k < plain.size(); k += 4) {
            const bool was = plain[k] + plain[k + 1] + plain[k + 2] > 0, is = through[k] + through[k + 1] + through[k + 2] > 0;
            lit += was, litApart += was != is;
        }
        EXPECT_GT(lit, kWidth * kHeight / 8);
        EXPECT_EQ(litApart, 0);
        EXPECT_EQ(differing(through, plain, 1), 0);
    }
    EXPECT_TRUE(view() == before);
    glPopAttrib();
}

// A cloud deck is fogged by its distance from the eye, whether its part within the fog's start is
// drawn apart or not: seen steeply from just below, all of it nearer than the fog's start, it looks
// the same whatever the fog's colour; seen level, its far part takes the fog's colour.
TEST_F(WorldDrawTest, ACloudDeckIsFoggedByItsDistance) {
    world->terrain.setFogDistance(1.5e-4);
    const double start = world->terrain.getFogDistance() / 4;
    const worlddraw::Eye eye = test::kOverAlbert;
    world->terrain.SetDetailsForLayer(0, 3, eye.Y + 0.15 * start, eye.Y + 0.25 * start);
    const auto fogApart = [&](const Camera& cam) {
        world->FogColour = std::array<float, 3>{1, 0, 0};
        const auto red = frame(eye, cam, false, true);
        world->FogColour = std::array<float, 3>{0, 0, 1};
        const auto blue = frame(eye, cam, false, true);
        world->FogColour.reset();
        const size_t upperHalf = size_t(kWidth) * (kHeight / 2) * 4;  // rows from the bottom
        return differing({red.begin() + upperHalf, red.end()}, {blue.begin() + upperHalf, blue.end()}, 2);
    };
    for (const bool apart : {true, false}) {
        world->drawer.UnfoggedDeckPieces = apart;
        EXPECT_EQ(fogApart({test::kAlongTheFront.Heading, 50.0}), 0) << "the deck near the eye takes the fog";
        EXPECT_GT(fogApart({test::kAlongTheFront.Heading, 0.0}), long(kWidth) * kHeight / 20)
            << "the far deck takes no fog";
    }
    world->drawer.UnfoggedDeckPieces = true;
    // The near part goes apart by what of it shows round a cockpit's cover, whatever the scissor
    // box: overhead it fills the view, drawn whole or in a corner, but not behind a cover that hides
    // the view.
    const Camera overhead{test::kAlongTheFront.Heading, 50.0};
    frame(eye, overhead, false, true);
    EXPECT_EQ(world->drawer.decksApart(), 2) << "two sides in view";
    glEnable(GL_SCISSOR_TEST), glScissor(0, 0, kWidth / 8, kHeight / 8);
    frame(eye, overhead, false, true);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(world->drawer.decksApart(), 2) << "under a scissor box in a corner";
    worlddraw::ScreenCover cover;
    cover.begin();
    const float shade[4][3] = {{-100, -100, -30}, {100, -100, -30}, {100, 100, -30}, {-100, 100, -30}};
    const uint16_t items[4] = {0, 1, 2, 3};
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    cover.addPolygon(identity, reinterpret_cast<const uint8_t*>(shade), sizeof(shade[0]), items, 4, GL_QUADS, false);
    cover.finish();
    world->draw(eye, overhead, false, true, &cover);
    EXPECT_EQ(world->drawer.decksApart(), 0) << "behind a cover";
    world->drawer.Exact = true;
    frame(eye, overhead, false, true);
    world->drawer.Exact = false;
    EXPECT_EQ(world->drawer.decksApart(), 0) << "in the plain drawing";
    world->terrain.SetDetailsForLayer(0, 0, 0, 0);
}

// Far squares drawn in their picture's mean colour, against the same squares read from their
// picture: whatever the bound, no pixel moves by more than it and the colour's rounding, in full
// daylight and under a low sun's tint, in the farthest haze and a close one, from the heights where
// the far ground fills the frame, along the front, across it and aslant; the fog's share counted
// in, the more squares drawn in their mean; were the bound loose, the far fields would lose their
// pattern where the pilot aims, which the rule against the plain drawing would catch.
TEST_F(WorldDrawTest, FarSquaresDrawnInTheirMeanStayWithinTheBound) {
    // Each square in its own mean: blocks drawn whole may give a pixel on a square's edge its
    // neighbour's (their own test).
    world->drawer.MergesFarBlocks = false;
    const Vector3 kept = world->sky.getSunVector();
    std::array<long, 2> inMean{};  // without the fog's share, with it
    for (const Vector3& sun : {kept, Vector3{1.0, 0.05, 0.2}}) {
        world->sky.positionSun(sun.data());
        for (const double haze : {0.0, 1.5e-4})
            for (const double bound : {6.0, 14.0, 30.0})
                for (const double height : {500.0, 3000.0, 9000.0})
                    for (const Camera& cam : {test::kAlongTheFront, Camera{200.0, -2.0}, Camera{45.0, -6.0}}) {
                        world->terrain.setFogDistance(haze);
                        const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
                        world->drawer.MeanBound = bound;
                        world->drawer.DrawsInMean = false;
                        const auto read = frame(at, cam, false, true);
                        world->drawer.DrawsInMean = true;
                        for (const bool fog : {false, true}) {
                            world->drawer.MeanCountsTheFog = fog;
                            const auto drawn = frame(at, cam, false, true);
                            inMean[fog] += world->drawer.trianglesInMean();
                            EXPECT_LE(farthest(read, drawn), int(bound) + 1)
                                << "bound " << bound << ", haze " << haze << ", " << height << " ft, heading "
                                << cam.Heading << ", sun " << sun[1] << (fog ? ", the fog counted" : "");
                        }
                    }
    }
    world->sky.positionSun(kept.data());
    world->terrain.setFogDistance(0.0);
    world->drawer.MeanBound = kMeanBound;
    EXPECT_GT(inMean[0], 10000) << "far squares drawn in their mean";
    EXPECT_GT(inMean[1], inMean[0] * 11 / 10) << "the more with the fog's share";

    const worlddraw::Eye at{test::kOverAlbert.X, 3000.0, test::kOverAlbert.Z};
    const auto exact = exactFrame(at, test::kAlongTheFront);
    world->drawer.MeanBound = 255.0;
    const auto loose = apartByTheRule(exact, frame(at, test::kAlongTheFront, false, true));
    world->drawer.MeanBound = kMeanBound;
    EXPECT_TRUE(loose.first > long(kWidth) * kHeight / 100 || loose.second > 0)
        << loose.first << " pixels apart, " << loose.second << " in the middle";
}

// The far-ground tests' views over the front: along it, across, aslant and banked; and how a
// failure names one of them.
const std::array<Camera, 4> kFarGroundViews{test::kAlongTheFront, Camera{200.0, -2.0}, Camera{45.0, -6.0},
                                            Camera{300.0, -4.0, 20.0}};
std::string farGroundView(double haze, double height, const Camera& cam) {
    return "haze " + std::to_string(haze) + ", " + std::to_string(int(height)) + " ft, heading " +
           std::to_string(int(cam.Heading));
}

// Far squares drawn whole in blocks, against the same squares drawn one by one: seen low over the
// front and higher, along it, across and aslant, in the farthest haze and a close one, no pixel more
// than 16 levels apart and hardly any more than 2; with the ground alone drawn over a cleared frame,
// no pixel inside the ground (covered above and below) left open that the squares cover, as a
// T-junction along a block's side could; and the rule kept against the plain drawing.
TEST_F(WorldDrawTest, FarBlocksDrawnWholeOpenNoPixelAndLookTheSame) {
    long merged = 0;
    for (const double haze : {0.0, 1.5e-4})
        for (const double height : {1500.0, 3000.0, 9000.0})
            for (const Camera& cam : kFarGroundViews) {
                world->terrain.setFogDistance(haze);
                const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
                const std::string where = farGroundView(haze, height, cam);
                world->drawer.MergesFarBlocks = false;
                const auto squares = frame(at, cam, false, true), squaresAlone = groundAlone(at, cam);
                world->drawer.MergesFarBlocks = true;
                const auto blocks = frame(at, cam, false, true), blocksAlone = groundAlone(at, cam);
                merged += world->drawer.blocksMerged();

                EXPECT_EQ(differing(squares, blocks, 16), 0) << where;
                EXPECT_LE(differing(squares, blocks, 2), long(kWidth) * kHeight / 2000) << where;
                const auto open = [&](const std::vector<uint8_t>& p, int x, int y) {
                    const size_t k = (size_t(y) * kWidth + x) * 4;
                    return p[k] == 255 && p[k + 1] == 0 && p[k + 2] == 255;
                };
                long opened = 0;
                for (int y = 1; y + 1 < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x)
                        opened += open(blocksAlone, x, y) && !open(squaresAlone, x, y) &&
                                  !open(blocksAlone, x, y - 1) && !open(blocksAlone, x, y + 1);
                EXPECT_EQ(opened, 0) << where;
                const auto exact = exactFrame(at, cam);
                EXPECT_EQ(world->drawer.blocksMerged(), 0) << "in the plain drawing";
                expectWithinTheRule(exact, blocks, where);
            }
    world->terrain.setFogDistance(0.0);
    EXPECT_GT(merged, 200) << "blocks drawn whole";
}

// A picture whose levels from `flat` on are one colour, and whose finer levels are a checkerboard
// `spread` levels either side of it: a far square that reads a level finer than the drawer reckons
// shows the checks.
GLuint checkedPicture(int flat, int spread = 80) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    for (int level = 0, edge = 256; edge >= 1; ++level, edge /= 2) {
        std::vector<uint8_t> texels(size_t(edge) * edge * 3);
        for (size_t k = 0; k < texels.size(); ++k) {
            const size_t x = k / 3 % size_t(edge), y = k / 3 / size_t(edge);
            texels[k] = uint8_t(level >= flat ? 120 : (x + y) % 2 ? 120 + spread : 120 - spread);
        }
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGB8, edge, edge, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

// Far squares said to read only levels of one colour read no other: every ground picture made
// one colour from a level on and checked finer, the squares drawn in that colour are the squares
// read from it to the colour's rounding, however far the flat levels begin, from the heights where
// the far ground fills the frame, along the front, across it and aslant; the fog's share left out.
// Counted in, it lets a picture checked at every level be drawn in its colour only where the fog
// leaves no check beyond the bound and the rounding, in the farthest haze and a close one, in
// daylight and at dusk. The checks lie just within the bound at a factor of 1/8, at which the bound
// is strict: a square given more credit than its fog allows, by a band or by the fog's factor taken
// at a farther corner than its nearest, shows them beyond it.
TEST_F(WorldDrawTest, AFarSquareDrawnInItsMeanReadsNoLevelFinerThanReckoned) {
    const std::array<float, 3> daylight = world->sky.getSkyColours().Light;
    // The triangles drawn in their mean, with every ground picture `checked`, seen in `light`, no
    // pixel more than `most` levels from the same squares read from it.
    const auto compare = [&](GLuint checked, const std::array<float, 3>& light, int most, const std::string& what) {
        const auto& slots = world->terrain.GroundTextureSlots;
        const auto name = [&](int32_t slot) {
            return std::find(slots.begin(), slots.end(), slot) != slots.end() ? checked : world->view.glName(slot);
        };
        long inMean = 0;
        for (const double height : {500.0, 3000.0, 9000.0})
            for (const Camera& cam : {test::kAlongTheFront, Camera{200.0, -2.0}, Camera{45.0, -6.0}}) {
                const worlddraw::Eye at{test::kOverAlbert.X, height, test::kOverAlbert.Z};
                const auto ground = [&](bool inMean) {
                    world->drawer.DrawsInMean = inMean;
                    return world->draw(at, cam, false, false, nullptr, [&] {
                        glClear(GL_DEPTH_BUFFER_BIT);
                        world->drawer.draw(world->terrain, at, name, light);
                    });
                };
                const auto read = ground(false), drawn = ground(true);
                inMean += world->drawer.trianglesInMean();
                EXPECT_LE(farthest(read, drawn), most) << what << ", " << height << " ft, heading " << cam.Heading;
            }
        return inMean;
    };
    world->drawer.MeanCountsTheFog = false;
    long inMean = 0;
    for (const int flat : {5, 6, 7, 8}) {
        const GLuint checked = checkedPicture(flat);
        inMean += compare(checked, daylight, 2, "flat from level " + std::to_string(flat));
        glDeleteTextures(1, &checked);
    }
    world->drawer.MeanCountsTheFog = true;
    EXPECT_GT(inMean, 10000);

    world->drawer.MeanBound = 14.0;
    const GLuint checked = checkedPicture(9, 111);  // 111 / 8 < 14 < 111 / 8 * 2^(1/4)
    long fogged = 0;
    for (const double haze : {0.0, 1.5e-4})
        for (const std::array<float, 3>& light : {daylight, std::array<float, 3>{0.55f, 0.45f, 0.4f}}) {
            world->terrain.setFogDistance(haze);
            fogged += compare(checked, light, 15, "haze " + std::to_string(haze) + ", light " + std::to_string(light[0]));
        }
    glDeleteTextures(1, &checked);
    world->drawer.MeanBound = kMeanBound;
    EXPECT_GT(fogged, 2000) << "squares drawn in their mean by the fog's share alone";
}

// The ground takes the sky's daylight: with the sun low it is drawn darker than with the sun
// high, seen from the same place; the sky's own colours change too, so only the near ground at
// the bottom of the frame, hardly fogged, is measured.
TEST_F(WorldDrawTest, TheGroundTakesTheDaylight) {
    const Vector3 kept = world->sky.getSunVector();
    const Camera down{test::kAlongTheFront.Heading, -35.0};
    const auto nearGround = [&](const Vector3& sun) {
        world->sky.positionSun(sun.data());
        const auto pixels = frame(test::kOverAlbert, down, false, true);
        double sum = 0;
        for (size_t k = 0; k < size_t(kWidth) * (kHeight / 4) * 4; k += 4) sum += pixels[k] + pixels[k + 1] + pixels[k + 2];
        return sum / (double(kWidth) * (kHeight / 4));
    };
    const double high = nearGround({0.0, 1.0, 0.3}), low = nearGround({1.0, 0.02, 0.0});
    world->sky.positionSun(kept.data());
    EXPECT_GT(high, 60.0) << "the ground shows";
    EXPECT_LT(low, high * 0.95) << "the low sun's light darkens the ground";

    // In full daylight the pictures are drawn as they are, roads cut out by their own alpha: the
    // same as modulated by a light a level short of white, ground, roads and fog alike.
    const auto groundIn = [&](float light) {
        return world->draw(test::kOverAlbert, down, false, false, nullptr, [&] {
            world->drawer.draw(world->terrain, test::kOverAlbert, [&](int32_t s) { return world->view.glName(s); },
                               {light, light, light});
        });
    };
    const auto white = groundIn(1.0f), nearlyWhite = groundIn(1.0f - 1.0f / 256);
    EXPECT_EQ(differing(white, nearlyWhite, 1), 0);
}

// A road picture the drawer cannot shape leaves its squares whole.
TEST(RoadShape, WithoutAUsablePictureTheWholeSquareIsKept) {
    worlddraw::RoadShape shape;
    shape.build({});
    EXPECT_FALSE(shape.ready());
    shape.build({std::vector<uint8_t>(10, 255)});  // not a square level
    EXPECT_FALSE(shape.ready());
}

}  // namespace
}  // namespace pellam
