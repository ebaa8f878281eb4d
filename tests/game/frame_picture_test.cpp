// The game's own frame in its benchmark scenes, drawn with the shortcuts that may move a pixel a
// little, against the same moment drawn by the plain rules: at most 1 % of the pixels more than 16
// levels apart in a colour, none of those in the middle third of the screen, where the pilot
// aims, and the sky's and the ground's local contrast kept; and the shortcuts that cannot move a
// pixel (the world cut to the cockpit cover's open rows, far ground triangles lying between the
// pixel centres left out) move none; and the sun's glare and the windows over a flight are drawn
// whatever its passes left set. Runs the real controller and view under Xvfb.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>
#include <vector>

#include "bench/render/FrameRead.h"
#include "aircraft/draw/Modeller.h"
#include "bench/render/GameScene.h"
#include "game/DrawingWarmUp.h"
#include "game/InterfaceDrawing.h"
#include "objects/Debris.h"
#include "objects/EffectModel.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "objects/draw/EffectDrawing.h"
#include "objects/draw/SpriteCuts.h"
#include "platform/Paths.h"
#include "platform/ui/UiLayer.h"
#include "tests/PictureRule.h"
#include "tests/TestFolder.h"
#include "world/FirstCloud.h"
#include "world/draw/WorldDraw.h"

namespace pellam {
namespace {

// The next frame as the game draws it: through the controller's own call, which first gives the
// view the moment's time, sun and fog, so that every effect shows as the player sees it; with the
// same flicker and drift each time.
platform::RGBAImage gameFrame(GameScene& scene, std::vector<uint8_t>* sky = nullptr) {
    platform::presentationRandom().seed(21);
    return readNextFrame(*scene.view, [&] { scene.game->PrepareAndCallDrawing(); }, sky);
}

// The benchmark's scenes, drawn by the game's own view in a settings folder of their own.
class GameFrame : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);
        scene_ = std::make_unique<GameScene>(folder_.file("defaults.json"), [](platform::UserDefaults& defaults) {
            auto view = std::make_unique<render::MyZephGLView>(defaults);
            return view->initWithFrame({0, 0, 1024, 768}) ? std::move(view) : nullptr;
        });
        ASSERT_TRUE(scene_->view);
        ASSERT_TRUE(scene_->game->modelAt(ModelArray::kFirstAircraft));
    }

    testing::TestFolder folder_{"pellam frame picture"};
    std::unique_ptr<GameScene> scene_;
};

TEST_F(GameFrame, ItsShortcutsChangeNothingAPlayerCanTellInAnyScene) {
    GameScene& scene = *scene_;
    long unlitTriangles = 0, inMean = 0;
    for (const auto& [shot, name] : kShots) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(scene.set(shot));
        scene.firstFrame();  // the frame before, as in flight
        scene.view->waitForCockpitSearches();  // what it asked of the cockpit has landed
        const long hiddenBefore = scene.view->cockpitTrianglesHidden();
        platform::RGBAImage drawn[2];
        // Where the sky shows: the plain drawing clears the depths for the cockpit, the other
        // leaves the world's.
        std::vector<uint8_t> sky;
        for (const bool exact : {true, false}) {
            scene.view->setExactDrawing(exact);
            drawn[exact] = gameFrame(scene, exact ? nullptr : &sky);
        }
        const platform::RGBAImage& reference = drawn[1];
        inMean += scene.view->terrainDrawer().trianglesInMean();
        const bool cockpit = shot == Shot::CockpitCamel || shot == Shot::CockpitDVII;
        ASSERT_GE(reference.width, 640);
        ASSERT_EQ(drawn[0].pixels.size(), reference.pixels.size());
        // A scene worth comparing: the world is in it, not one colour.
        std::set<uint32_t> colours;
        for (size_t i = 0; i < reference.pixels.size() && colours.size() < 500; i += 4 * 97)
            colours.insert(uint32_t(reference.pixels[i]) << 16 | reference.pixels[i + 1] << 8 | reference.pixels[i + 2]);
        EXPECT_GE(colours.size(), 500u);
        const testing::PixelsApart apart = testing::pixelsApart(drawn[0], reference);
        EXPECT_LE(apart.count, reference.width * reference.height / 100);
        EXPECT_EQ(apart.middle, 0);
        EXPECT_EQ(testing::structureLost(reference, drawn[0], sky), "");
        // The world left out behind the cockpit's cover changes no pixel at all.
        const platform::RGBAImage boxed = gameFrame(scene);
        scene.view->setScissorsWorld(false);
        const platform::RGBAImage whole = gameFrame(scene);
        scene.view->setScissorsWorld(true);
        EXPECT_TRUE(whole.pixels == boxed.pixels);
        // Nor does the cockpit's cover drawn in colour before the world instead of after it.
        scene.view->setCoverFirst(false);
        const platform::RGBAImage after = gameFrame(scene);
        scene.view->setCoverFirst(true);
        EXPECT_TRUE(after.pixels == drawn[0].pixels);
        // Nor do the far ground's triangles that fall between the pixel centres; but for a level of
        // rounding where a far square drawn in its picture's mean colour, both its triangles sent,
        // is cut along its other diagonal, and its colour interpolated from other corners.
        // (Without far blocks drawn whole, which are made of the squares sent.)
        auto& ground = scene.view->terrainDrawer();
        unlitTriangles += ground.trianglesUnlit();
        ground.MergesFarBlocks = false;
        const platform::RGBAImage unmerged = gameFrame(scene);
        ground.LeavesUnlitOut = false;
        const platform::RGBAImage allSent = gameFrame(scene);
        ground.LeavesUnlitOut = true;
        ground.MergesFarBlocks = true;
        ASSERT_EQ(allSent.pixels.size(), unmerged.pixels.size());
        EXPECT_LE(testing::farthestApart(allSent, unmerged), 1);
        // Nor do the decks drawn without the depth test where it could turn nothing away.
        ground.DecksUntestedOverGround = false;
        const platform::RGBAImage decksTested = gameFrame(scene);
        ground.DecksUntestedOverGround = true;
        EXPECT_TRUE(decksTested.pixels == drawn[0].pixels);
        // The objects' triangles of one colour at every point filled flat move a colour by at most
        // the one level that interpolating the same colour with perspective rounds it by.
        scene.view->setFlatShading(false);
        const platform::RGBAImage smooth = gameFrame(scene);
        scene.view->setFlatShading(true);
        ASSERT_EQ(smooth.pixels.size(), drawn[0].pixels.size());
        EXPECT_LE(testing::farthestApart(smooth, drawn[0]), 1);
        // Nor do the cockpit, the objects and the transparent passes drawn through the widened
        // view, where the GL clips only what reaches far past the window: what reads the view
        // between the draws (the cover's cells, the cuts of unseen triangles, the sprites' reach)
        // reads the window's own.
        scene.view->setWidensView(false);
        const platform::RGBAImage narrow = gameFrame(scene);
        scene.view->setWidensView(true);
        EXPECT_TRUE(narrow.pixels == drawn[0].pixels);
        // Nor do the cockpit's transparent runs read at level 0 where magnified.
        scene.view->setQueueLevelZero(false);
        const platform::RGBAImage mipmapped = gameFrame(scene);
        scene.view->setQueueLevelZero(true);
        EXPECT_TRUE(mipmapped.pixels == drawn[0].pixels);
        // Nor do the cockpit's triangles its own nearer parts hide from the seat, left out.
        const long ownHidden = scene.view->cockpitTrianglesHidden();
        scene.view->setHidesCockpitTriangles(false);
        const platform::RGBAImage allOwn = gameFrame(scene);
        scene.view->setHidesCockpitTriangles(true);
        EXPECT_TRUE(allOwn.pixels == drawn[0].pixels);
        if (cockpit) {
            EXPECT_GT(ownHidden - hiddenBefore, 100) << "the cockpit's own, behind its panel and sides";
        }
        // The cockpit's pictures read from the one mip level nearest each pixel's scale, not a
        // blend of two, move a colour by a few levels; and the reading is the cockpit's alone, put
        // back for whatever is drawn next.
        // The frame with one of the cockpit's shortcuts switched off.
        const auto without = [&](void (render::MyZephGLView::*set)(bool)) {
            ((*scene.view).*set)(false);
            platform::presentationRandom().seed(21);
            platform::RGBAImage frame = readNextFrame(*scene.view);
            ((*scene.view).*set)(true);
            return frame;
        };
        const platform::RGBAImage blended = without(&render::MyZephGLView::setNearestLevelInCockpit);
        ASSERT_EQ(blended.pixels.size(), drawn[0].pixels.size());
        EXPECT_LE(testing::farthestApart(blended, drawn[0]), 16);
        EXPECT_EQ(testing::structureLost(blended, drawn[0], sky), "");
        GLint sampler = -1;
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        EXPECT_EQ(sampler, 0);
    }
    EXPECT_GT(unlitTriangles, 1000) << "far ground between the pixel centres";
    EXPECT_GT(inMean, 1000) << "far ground in its pictures' mean colours";
}

// ---- A cloud behind the Camel's upper wing, at a few heights over the line of sight: drawn only
// within the cells the cover leaves open in front of it, no pixel changes, and where the wing hides
// much of it, it shades far fewer fragments.
TEST_F(GameFrame, ACloudBehindTheWingIsShadedOnlyWhereItShows) {
    GameScene& scene = *scene_;
    ASSERT_TRUE(scene.set(Shot::CockpitCamel));
    readNextFrame(*scene.view);  // places the eye
    FirstCloud* cloud = nullptr;
    for (long i = 0; i < scene.game->getModelArray()->size() && !cloud; ++i)
        cloud = dynamic_cast<FirstCloud*>(scene.game->modelAt(i));
    ASSERT_TRUE(cloud);
    // The eye's rotation, column by column: its rows are the view's right, up and ahead.
    const double* m = scene.view->getEyeRM();
    const auto eye = scene.view->getMyEye();
    const auto drawn = [&](bool cut, GLuint64& fragments) {
        scene.view->setCloudsInOpenCells(cut);
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, query);
        const platform::RGBAImage frame = readNextFrame(*scene.view);
        glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &fragments);
        glDeleteQueries(1, &query);
        return frame;
    };
    int cut = 0;
    for (const double degrees : {5.0, 12.0, 20.0}) {
        SCOPED_TRACE(degrees);
        const double up = std::sin(degrees * M_PI / 180) * 6000, ahead = std::cos(degrees * M_PI / 180) * 6000;
        cloud->setModelPositionX(eye[0] + m[2] * ahead + m[1] * up, eye[1] + m[6] * ahead + m[5] * up,
                                 eye[2] + m[10] * ahead + m[9] * up);
        GLuint64 all = 0, kept = 0;
        const platform::RGBAImage whole = drawn(false, all);
        EXPECT_TRUE(drawn(true, kept).pixels == whole.pixels);
        cut += kept + 100000 < all;
    }
    EXPECT_GE(cut, 1) << "a cloud mostly behind the wing";
}

// ---- Objects behind the cockpit's cover.
// What the cockpit's cover hides of the other aircraft and objects (whole aircraft, and single
// triangles, marks raised by the polygon offset among them) is not sent, and no pixel changes.
TEST_F(GameFrame, ObjectsLeftOutBehindTheCockpitCoverChangeNoPixel) {
    GameScene& scene = *scene_;
    for (const auto& [shot, name] : kShots) {
        if (shot != Shot::CockpitCamel && shot != Shot::CockpitDVII) continue;
        SCOPED_TRACE(name);
        ASSERT_TRUE(scene.set(shot));
        readNextFrame(*scene.view);  // the frame before, as in flight: its text lines kept after
        platform::RGBAImage drawn[2];
        long triangles = 0, objects = 0;
        for (const bool culls : {false, true}) {
            scene.view->setCullsHidden(culls);
            triangles = scene.view->trianglesHidden(), objects = scene.view->objectsHidden();
            platform::presentationRandom().seed(21);
            drawn[culls] = readNextFrame(*scene.view);
        }
        EXPECT_TRUE(drawn[0].pixels == drawn[1].pixels);
        // Both scenes have aircraft behind the cockpit: the Camel's a D.VII behind its cowling, the
        // D.VII's a Camel below its nose and a Dr.I behind its upper wing.
        EXPECT_GT(scene.view->trianglesHidden() - triangles, 100);
        if (shot == Shot::CockpitDVII) {
            EXPECT_GE(scene.view->objectsHidden() - objects, 1);
        }
    }
}

// ---- The wreck's smoke column: the explosion's sprites drawn only in the cells of the window
// where they can change a pixel, and unfogged where the fog is too faint to tint them.
TEST_F(GameFrame, TheWrecksColumnDrawnOnlyWhereItShowsLooksTheSame) {
    GameScene& scene = *scene_;
    ASSERT_TRUE(scene.set(Shot::WreckSmoke));
    scene.view->setExactDrawing(false);
    // The frame's records made as the game makes them before it draws.
    scene.firstFrame();
    platform::presentationRandom().seed(21);
    std::vector<uint8_t> sky;
    const platform::RGBAImage cut = readNextFrame(*scene.view, {}, &sky);
    // The column is near enough that its sprites were drawn in pieces.
    int pieces = 0;
    for (int k = 0; k < 8; ++k)
        if (auto* boom = dynamic_cast<GroundExplosion*>(scene.game->modelAt(ModelArray::kFirstExplosion + k));
            boom && boom->isBusy()) {
            const OnePolygonVer2* polygons = boom->ModelPointsPolys().ThePolygons;
            for (int p = GroundExplosion::kSprites; p < GroundExplosion::kSprites + GroundExplosion::kPieces; ++p)
                pieces += !(polygons[p].DrawHints & kSkip);
        }
    EXPECT_GT(pieces, 50);
    effects::setCutHiddenSprites(false);
    platform::presentationRandom().seed(21);
    const platform::RGBAImage whole = readNextFrame(*scene.view);
    effects::setCutHiddenSprites(true);
    ASSERT_EQ(whole.pixels.size(), cut.pixels.size());
    // What is left out behind smoke that lets less than kHiddenBelow through moves a colour by at
    // most that share of 255 levels; texture coordinates interpolated over the smaller quads may
    // round a texel's weight the other way, by one more.
    EXPECT_LE(testing::farthestApart(cut, whole), int(effects::kHiddenBelow * 255.0 + 0.5) + 1);
    // With the fog left off the sprites it could not tint, within the rule of the exact drawing.
    scene.view->setExactDrawing(true);
    platform::presentationRandom().seed(21);
    const platform::RGBAImage exact = readNextFrame(*scene.view);
    scene.view->setExactDrawing(false);
    const testing::PixelsApart apart = testing::pixelsApart(cut, exact);
    EXPECT_LE(apart.count, exact.width * exact.height / 100);
    EXPECT_EQ(apart.middle, 0);
    EXPECT_EQ(testing::structureLost(exact, cut, sky), "");
}

// ---- The sun's glare in a mission, whose overlay draws no text before it: the Camel's nose, and
// the chase camera behind it, 15 deg below the sun by day; a veil of alpha (cos 15 deg - 0.94) x 20,
// about a half, laid over the frame the evening's overlay leaves bare, from the cockpit and from
// outside it, where no pass turns off the alpha test the others leave on at 0.9.
TEST_F(GameFrame, TheSunsGlareIsLaidOverTheWholeViewFromAnyCamera) {
    GameScene& scene = *scene_;
    scene.game->fromMissionMenu(scene.game->missionWindowControls().toMissionMenuPopUp.positionOfTag(1));
    scene.game->fromFlyMissionButton();
    scene.firstFrame();  // the sun of this moment
    // The cockpit camera's slide down from above and in to the pilot's head, the world standing.
    const Cameras& cameras = scene.game->cameras();
    for (int k = 0; k < 200 && (cameras.CameraDistance > 5.0 || std::fabs(cameras.AbsoluteCameraOffset[1]) > 8.0); ++k)
        scene.game->doEachTick(1);
    const double* sun = scene.view->getSunUnitVector();
    const double heading = std::atan2(sun[0], sun[2]), pitch = std::asin(sun[1]) - 15.0 * M_PI / 180;
    FlyableAircraft* camel = scene.game->aircraftAt(ModelArray::kFirstAircraft);
    const auto* world = dynamic_cast<RIDUdidav*>(scene.game->modelAt(ModelArray::kTerrain));
    QNion pose, tilt, turn;
    camel->getModelPositionQNion(&pose);
    pose.Position[1] = std::max(pose.Position[1], world->getCloudLayer(0).LayerTop) + 1000.0;  // clear of cloud
    tilt.QAttitude = {std::cos(pitch / 2), std::sin(pitch / 2), 0, 0};
    turn.QAttitude = {std::cos(-heading / 2), 0, std::sin(-heading / 2), 0};
    ZephModel::multQnions(&tilt, &turn, &pose);
    camel->setModelPositionQNion(&pose);
    const double chase[3] = {pose.Position[0] - 60.0 * std::cos(pitch) * std::sin(heading),
                             pose.Position[1] - 60.0 * std::sin(pitch),
                             pose.Position[2] - 60.0 * std::cos(pitch) * std::cos(heading)};
    for (const auto camera : {input::CommandNumber::CameraInsidePilotHead, input::CommandNumber::ChaseCamera}) {
        SCOPED_TRACE(int(camera));
        scene.game->sendCommand(camera, kKeyDown);
        scene.outsideCameraRules();
        camel->setOutsideCameraPosition(chase);
        scene.place();
        scene.game->PrepareAndCallDrawing();  // the eye's place against the clouds, read from the frame before
        const platform::RGBAImage glare = gameFrame(scene);
        const Overlay veil = scene.frameLink->drawn();
        ASSERT_TRUE(veil.veil);
        EXPECT_NEAR(veil.alpha, 0.5, 0.1);
        missions::MissionData* mission = scene.game->currentMission();
        const int32_t day = mission->TimeOfDay;
        mission->TimeOfDay = 19;  // the overlay's hour only: the sun stays
        const platform::RGBAImage bare = gameFrame(scene);
        mission->TimeOfDay = day;
        ASSERT_FALSE(scene.frameLink->drawn().veil);
        ASSERT_EQ(glare.pixels.size(), bare.pixels.size());
        int apart = 0;
        for (size_t i = 0; i < bare.pixels.size(); ++i) {
            if (i % 4 == 3) continue;
            const float colour = 255.0f * (i % 4 == 0 ? veil.red : i % 4 == 1 ? veil.green : veil.blue);
            const float blended = bare.pixels[i] * (1.0f - veil.alpha) + colour * veil.alpha;
            apart = std::max(apart, int(std::lround(std::fabs(glare.pixels[i] - blended))));
        }
        EXPECT_LE(apart, 2) << "levels from the bare frame under the veil";
    }
}

// ---- A cloud deck over the chase camera in the game's own frame, drawn after the objects' pass
// set-up that leaves their alpha test on at 0.9: a scattered deck shows with its soft edge, many
// pixels only part of the way from the sky to its thickest; a thin one, at 0.55 of its colour,
// shows at all.
TEST_F(GameFrame, ADeckOverTheEyeShowsSoftAndThinInTheGamesFrame) {
    GameScene& scene = *scene_;
    ASSERT_TRUE(scene.set(Shot::Chase));
    scene.firstFrame();
    auto* world = dynamic_cast<RIDUdidav*>(scene.game->modelAt(ModelArray::kTerrain));
    ASSERT_TRUE(world);
    const double eye = scene.view->getMyEye()[1];
    for (int k = 0; k < RIDUdidav::kCloudLayers; ++k) world->SetDetailsForLayer(k, 0, 0, 0);
    const platform::RGBAImage clear = gameFrame(scene);
    const long pixels = long(clear.width) * clear.height;
    world->SetDetailsForLayer(0, 3, eye + 800.0, eye + 1400.0);
    const testing::LayerShown scattered = testing::softEdge(testing::movedBy(clear.pixels, gameFrame(scene).pixels));
    EXPECT_GT(scattered.shown, pixels / 5) << "the scattered deck shows";
    EXPECT_GT(scattered.soft, scattered.shown / 10) << "its soft edge";
    world->SetDetailsForLayer(0, 3, eye + 800.0, eye + 830.0);
    const std::vector<int> thin = testing::movedBy(clear.pixels, gameFrame(scene).pixels);
    EXPECT_GT(std::count_if(thin.begin(), thin.end(), [](int m) { return m > 8; }), pixels / 10) << "the thin deck shows";
}

// A mission's first frame is drawn after the world, its objects, trees, wreckage and smoke have been
// drawn unseen from many places, so that the rasteriser has built their shading before the flight:
// nothing of that is shown, and the flight after it is what it would have been. A mission started
// again draws only what was not drawn yet (a new cockpit sees the world anew).
TEST_F(GameFrame, TheDrawingWarmedUpAtAMissionStartLeavesNoTrace) {
    GameScene& scene = *scene_;
    ASSERT_TRUE(scene.set(Shot::CockpitCamel));
    auto* trees = dynamic_cast<GroundClutter*>(scene.game->modelAt(ModelArray::kGroundClutter));
    auto* debris = dynamic_cast<Debris*>(scene.game->modelAt(ModelArray::kDebris));
    FlyableAircraft* camel = scene.game->aircraftAt(ModelArray::kFirstAircraft);
    ASSERT_TRUE(trees && debris && camel);
    const auto keptTrees = trees->GCTrees;
    const auto keptFlakes = debris->TheFlakes;
    const auto keptSmoke = camel->own.smokes;
    const int32_t keptPlanting = trees->lastnewGC;
    // The explosions and the hit flashes lent to the warm-up: each explosion's state and place, and
    // each aircraft's flash polygon and corners.
    std::vector<std::tuple<GroundExplosion*, std::vector<GroundExplosion::ExplosionType>, int32_t, bool, Vector3>> booms;
    for (long row = ModelArray::kFirstExplosion; row < ModelArray::kBombs; ++row)
        if (auto* boom = dynamic_cast<GroundExplosion*>(scene.game->modelAt(row)))
            booms.emplace_back(boom, std::vector(boom->own.sprites.begin(), boom->own.sprites.end()), boom->own.startTime,
                               boom->isBusy(), boom->live.attitude.Position);
    ASSERT_GE(booms.size(), 3u);
    const auto flashOf = [](FlyableAircraft& a) {
        const auto& points = a.Drawing.TemplatePointsListCopy;
        std::vector<float> flash{float(a.Drawing.TemplatePolyListCopy.at(0).DrawHints)};
        for (size_t k = looks::Modeller::kHitFlashPoint; k < points.size() && k < looks::Modeller::kHitFlashPoint + 4u; ++k)
            flash.insert(flash.end(), {points[k].X, points[k].Y, points[k].Z});
        return flash;
    };
    FlyableAircraft* foe = scene.game->aircraftAt(ModelArray::kFirstAircraft + 1);
    ASSERT_TRUE(foe);
    const std::vector<float> keptFlash = flashOf(*foe);
    ASSERT_EQ(keptFlash.size(), 13u);
    const QNion keptCamera = *scene.view->getCameraPosition();
    const long keptCockpit = scene.view->getCameraInsideItem();
    platform::RandomStream& scenery = platform::presentationRandom();
    const platform::RandomStream::Place place = scenery.place();

    // The warm-up the mission's first frame begins with, on its own: before any frame of the game,
    // so the view has drawn no object yet.
    EXPECT_EQ(scene.view->getSceneDraws(), 0);
    long unseen = scene.view->unseenDraws();
    const long objects = scene.view->objectsDrawn();
    int shown = 0;
    scene.view->setFrameObserver([&] { ++shown; });
    scene.game->warmUpDrawing();
    scene.view->setFrameObserver(nullptr);
    const long first = scene.view->unseenDraws() - unseen;
    EXPECT_GE(first, 20) << "the world and each kind of aircraft and object";
    // Each camera near a subject draws it and its neighbours, flat and smooth.
    EXPECT_GE(scene.view->objectsDrawn() - objects, 2 * first) << "the objects drawn, not the world alone";
    EXPECT_EQ(shown, 0) << "nothing shown";
    EXPECT_TRUE(trees->GCTrees == keptTrees && trees->lastnewGC == keptPlanting);
    EXPECT_TRUE(debris->TheFlakes == keptFlakes);
    for (const auto& [boom, sprites, start, busy, at] : booms) {
        EXPECT_TRUE(std::equal(sprites.begin(), sprites.end(), boom->own.sprites.begin()));
        EXPECT_EQ(boom->own.startTime, start);
        EXPECT_EQ(boom->isBusy(), busy);
        EXPECT_EQ(boom->live.attitude.Position, at);
    }
    EXPECT_EQ(flashOf(*foe), keptFlash);
    // The smoke still burning is as it was (drawing frees what burnt out, as any frame does).
    const int32_t now = scene.game->getGlobalMissionTime();
    const auto burning = [now](const OneSmokePiece& p) { return p.TimeStarted > -1000 && now - p.TimeStarted <= p.Life; };
    EXPECT_TRUE(std::equal(keptSmoke.begin(), keptSmoke.end(), camel->own.smokes.begin(), [&](const auto& a, const auto& b) {
        return burning(a) == burning(b) &&
               (!burning(a) || (a.TimeStarted == b.TimeStarted && a.Kind == b.Kind && a.Position == b.Position));
    }));
    EXPECT_EQ(scene.view->getCameraPosition()->Position, keptCamera.Position);
    EXPECT_EQ(scene.view->getCameraInsideItem(), keptCockpit);
    const int32_t next = scenery.next();
    scenery.returnTo(place);
    EXPECT_EQ(scenery.next(), next) << "the scenery's random draws given back";

    // The frame after it, which has nothing left to warm up, and the same moment drawn again after
    // a plain frame: as a player sees them, the same.
    scene.view->waitForCockpitSearches();
    unseen = scene.view->unseenDraws();
    const platform::RGBAImage warmed = gameFrame(scene);
    const platform::RGBAImage plain = gameFrame(scene);
    EXPECT_EQ(scene.view->unseenDraws(), unseen);
    ASSERT_EQ(warmed.pixels.size(), plain.pixels.size());
    EXPECT_LE(testing::farthestApart(warmed, plain), 4);

    // Quick Dogfight in the D.VII: the world again, from its cockpit, over the frames before its
    // flight's first; its aircraft and objects were all drawn. Then the same fight started again,
    // as a network game restarts it for each joiner: nothing.
    ASSERT_TRUE(scene.set(Shot::CockpitDVII));
    scene.firstFrame();
    const long fromTheDVII = scene.view->unseenDraws() - unseen;
    EXPECT_GT(fromTheDVII, 0);
    EXPECT_LT(fromTheDVII, first);
    unseen = scene.view->unseenDraws();
    ASSERT_TRUE(scene.set(Shot::CockpitDVII));
    scene.game->PrepareAndCallDrawing();
    EXPECT_EQ(scene.view->unseenDraws(), unseen);
}

// Standing in the windows (paused), as at launch behind the sign-in window: the frame that plans
// the warm-up is shown before any of it is drawn, the frames after draw it a share each, and it
// ends before the flight. A mission started before it ended draws what the plan given up had not
// before its flight's first frame, a share a frame behind the loading screen, the mission clock
// standing till the flight begins.
TEST_F(GameFrame, TheWarmUpBehindTheWindowsIsDrawnAShareAFrame) {
    GameScene& scene = *scene_;
    const auto pausedStart = [&] {
        EXPECT_TRUE(scene.set(Shot::CockpitCamel));
        scene.game->sendCommand(input::CommandNumber::PauseFlyGameToggle, kKeyDown);
        EXPECT_FALSE(scene.game->isRunning());
    };
    const auto frame = [&] {
        const long before = scene.view->unseenDraws();
        scene.game->PrepareAndCallDrawing();
        return scene.view->unseenDraws() - before;
    };
    pausedStart();
    EXPECT_EQ(frame(), 0) << "the planning frame draws none";
    const long share = frame();
    EXPECT_GE(share, 1);
    ASSERT_TRUE(scene.set(Shot::CockpitCamel));  // a mission started again, running
    const auto flightFrame = [&] {
        const long before = scene.view->unseenDraws();
        scene.game->stepFrame(3);
        return scene.view->unseenDraws() - before;
    };
    const int32_t loading = scene.view->getRedrawCount();
    long again = flightFrame();  // its world stepped before the warm-up was planned
    const int32_t clock = scene.game->getGlobalMissionTime();
    for (long drawn = again; drawn > 0; again += drawn) {
        drawn = flightFrame();
        if (drawn > 0) {
            EXPECT_EQ(scene.game->getGlobalMissionTime(), clock) << "the flight waits for the warm-up";
        }
    }
    EXPECT_GT(again, share) << "the given-up plan's skies and kinds drawn before the flight's first frame";
    EXPECT_GE(scene.view->getRedrawCount() - loading, 2) << "the loading screen over the frames it took";
    EXPECT_EQ(scene.game->getGlobalMissionTime(), clock + 3) << "then the flight";
    EXPECT_EQ(frame(), 0);

    pausedStart();  // all drawn: nothing new to plan
    long frames = 0;
    for (int k = 0; k < 3; ++k) frames += frame();
    EXPECT_EQ(frames, 0);
}

// Inside a deck the grey fog shades everything the flight shows, so a mission with a deck warms the
// objects, smoke and cockpit up inside one as well; a clear sky never puts the eye in one.
TEST(WarmUpCameras, TakeTheEyeIntoADeckOnlyWhereTheMissionHasOne) {
    WarmUpWorld world;
    world.Eye = {1000.0, 1800.0, -500.0};
    world.Cockpit = ModelArray::kFirstAircraft;
    world.Ground = 300.0;
    const auto inCloud = [](const std::vector<UnseenCamera>& cameras) {
        return std::count_if(cameras.begin(), cameras.end(), [](const UnseenCamera& c) { return c.InsideCloud; });
    };
    EXPECT_EQ(inCloud(DrawingWarmUp::worldCameras(world)), 0);
    world.HighestDeck = 4000.0;
    const std::vector<UnseenCamera> cameras = DrawingWarmUp::worldCameras(world);
    ASSERT_EQ(inCloud(cameras), 2);
    for (const UnseenCamera& c : cameras) {
        if (!c.InsideCloud) continue;
        EXPECT_FALSE(c.World) << "inside a deck neither sky nor ground is drawn";
        EXPECT_TRUE(c.Trees && c.SmokeAt);
    }
    EXPECT_TRUE(std::any_of(cameras.begin(), cameras.end(),
                            [&](const UnseenCamera& c) { return c.InsideCloud && c.InsideItem == world.Cockpit; }));
    world.Cockpit = -1;  // an outside camera: inside a deck once
    EXPECT_EQ(inCloud(DrawingWarmUp::worldCameras(world)), 1);
}

// ---- The windows over a flight: the mouse-flying hint that opens with First Flight reads the same,
// pixel for pixel, before the Camel dives into the ground and after, when the wreck has put the eye
// out of the cockpit. Then no cockpit pass came last, and the alpha test the passes leave on ate
// the soft edges of every letter.
TEST_F(GameFrame, AWindowKeepsItsLettersWhenTheAircraftCrashes) {
    GameScene& scene = *scene_;
    platform::UiLayer ui;
    ASSERT_TRUE(ui.start(*scene.view->getGLWindow()));
    // Over each frame, the GL as its passes left it: a plain fill, the windows, the hint read back.
    std::vector<uint8_t> hint;
    scene.view->setFrameObserver([&] {
        glPushAttrib(GL_SCISSOR_BIT | GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.5f, 0.6f, 0.8f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glPopAttrib();
        ui.build([&] { drawInterface(*scene.game); });
        ui.draw();
        const ImGuiWindow* window = ImGui::FindWindowByName("Flying with the Mouse");
        if (!window) return;
        int height = 0, width = 0;
        scene.view->getGLWindow()->drawableSize(width, height);
        const int w = int(window->Size.x), h = int(window->Size.y);
        hint.assign(size_t(w) * h * 4, 0);
        glReadPixels(int(window->Pos.x), height - int(window->Pos.y) - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, hint.data());
    });
    scene.game->fromMissionMenu(scene.game->missionWindowControls().toMissionMenuPopUp.positionOfTag(1));
    scene.game->fromFlyMissionButton();
    ASSERT_TRUE(scene.game->interface().toMouseFlying.open);
    scene.firstFrame();
    scene.game->stepFrame(1);
    const std::vector<uint8_t> before = hint;
    ASSERT_FALSE(before.empty());

    // Nose down at 45 deg, 40 ft over the field, till it blows up; then the wreck burns.
    scene.game->seedSimulation(1918);
    FlyableAircraft* camel = scene.game->aircraftAt(ModelArray::kFirstAircraft);
    const double x = camel->live.attitude.Position[0], z = camel->live.attitude.Position[2];
    camel->SetUpAircraft(x, scene.game->modelAt(ModelArray::kTerrain)->getAltitudeAtX(x, z) + 40.0, z, 0.0, -45.0,
                         120.0, 1.0);
    for (int k = 0; k < 600 && !(camel->ThisAircraft.Damage1 & dmg::BlownUp); ++k) scene.game->stepFrame(1);
    ASSERT_TRUE(camel->ThisAircraft.Damage1 & dmg::BlownUp);
    for (int k = 0; k < 60; ++k) scene.game->stepFrame(1);
    EXPECT_EQ(scene.view->getCameraInsideItem(), -1) << "the eye is still in the cockpit";
    EXPECT_TRUE(hint == before) << "the hint's letters changed";
    scene.view->setFrameObserver({});
    ui.stop();
}

}  // namespace
}  // namespace pellam
