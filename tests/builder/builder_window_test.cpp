// The mission builder as a new player meets it, on the real game window under Xvfb: the game
// starts, the pilot signs in, and the builder is driven with the mouse and its menus.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "aircraft/FlyableAircraft.h"
#include "builder/draw/BuilderLayout.h"
#include "builder/draw/BuilderScene.h"
#include "builder/draw/BuilderWindow.h"
#include "game/InterfaceDrawing.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/TickCount.h"
#include "platform/ui/UiLayer.h"
#include "render/MyZephGLView.h"
#include "render/ViewMath.h"
#include "sound/PellamSound.h"
#include "tests/TestFolder.h"
#include "tests/render/ViewFixture.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

// The game's view as the executable fits it, as far as the builder needs.
struct TestView : StandInView {
    explicit TestView(render::MyZephGLView& v) : view(v) {}
    void setModelArray(ModelArray* models) override { view.setModelArray(models); }
    void setGlobalCameraPosition(const QNion* pose) override { view.setGlobalCameraPosition(pose); }
    void drawRect(int32_t) override { view.drawRect({1, 0, 0, 0}); }
    void drawBuilder(builder::MissionBuilder& b) override { builderdraw::drawBuilderScene(view, b); }
    void sceneChanged() override { view.sceneChanged(); }
    // The game's sun each frame, as the builder's view sets its own while it is drawn.
    void setSunVectorFromTime(double hours) override { view.setSunVectorFromTime(hours); }
    const double* getSunUnitVector() override { return view.getSunUnitVector(); }
    // As the game fits it: once started, loading no longer draws the loading screen mid-frame.
    void setDoFeedback(bool on) override { view.setDoFeedback(on ? 1 : 0); }
    render::MyZephGLView& view;
};

class BuilderWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);
        folder_ = std::make_unique<testing::TestFolder>("pellam builder");
        store_ = std::make_unique<platform::UserDefaults>(folder_->file("defaults.json"));
        view_ = std::make_unique<render::MyZephGLView>(*store_);
        ASSERT_TRUE(view_->initWithFrame({0, 0, 1024, 768})) << view_->creationError();
        ASSERT_TRUE(ui_.start(*view_->getGLWindow()));
        ui_.setSteadyClock(true);  // a slow frame must not repeat a key or pair two clicks
        link_ = std::make_unique<TestView>(*view_);
        VADArizodazar2::Content content;
        content.makeTerrain = [this]() -> std::unique_ptr<ZephModel> {
            auto terrain = std::make_unique<RIDUdidav>();
            if (terrain->initWithGLView(view_.get())) return terrain;
            return nullptr;
        };
        content.objectView = view_.get();
        content.userMissionsFolder = folder_->file("Missions") + "/";
        c_ = std::make_unique<VADArizodazar2>(GameController::Links{store_.get(), link_.get()}, std::move(content));
        view_->setFrameObserver([this] {
            ui_.newFrame();
            drawInterface(*c_);
            ui_.finish();
            ui_.draw();
            if (keepPicture_) picture_ = rendertest::readBack(*view_);
        });
        c_->awakeFromNib();
        c_->seedSimulation(5);  // start-up seeds it from the system; each run is the same flight
        ASSERT_TRUE(c_->missionState().worldProblem.empty()) << c_->missionState().worldProblem;
    }
    void TearDown() override {
        if (view_) view_->setFrameObserver({});
        c_.reset();
        ui_.stop();
        view_.reset();
    }

    // One pass of the game's loop: events to the windows, then to the builder's view; the frame.
    void frames(int n = 1) {
        for (int i = 0; i < n; ++i) {
            SDL_Event event;
            while (SDL_PollEvent(&event))
                if (!ui_.processEvent(event)) builderdraw::builderTakesEvent(c_->missionBuilder(), event, false);
            c_->timerLooper();
        }
    }
    void push(Uint32 type, int x, int y) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.windowID = view_->getGLWindow()->windowID();
            e.motion.x = x;
            e.motion.y = y;
        } else {
            e.button.windowID = view_->getGLWindow()->windowID();
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = x;
            e.button.y = y;
        }
        SDL_PushEvent(&e);
    }
    void clickAt(float x, float y) {
        SDL_WarpMouseInWindow(view_->getGLWindow()->sdlWindow(), int(x), int(y));
        frames(3);
        push(SDL_MOUSEBUTTONDOWN, int(x), int(y));
        frames(3);
        push(SDL_MOUSEBUTTONUP, int(x), int(y));
        frames(3);
    }
    void press(const std::string& window, const std::string& label) {
        frames(2);
        const ButtonPlace* p = placeOfButton(window, label);
        ASSERT_NE(p, nullptr) << window << "/" << label;
        clickAt((p->x0 + p->x1) / 2, (p->y0 + p->y1) / 2);
    }
    // A click that comes with the pointer: moved onto the place, pressed and let go between two
    // frames, as a quick hand does while the paused game draws 20 frames a second.
    void quickClick(const std::string& label) {
        frames(2);
        const builderdraw::ItemPlace* p = builderdraw::placeOfBuilderItem(label);
        ASSERT_NE(p, nullptr) << label;
        const int x = int((p->x0 + p->x1) / 2), y = int((p->y0 + p->y1) / 2);
        SDL_WarpMouseInWindow(view_->getGLWindow()->sdlWindow(), x, y);
        push(SDL_MOUSEBUTTONDOWN, x, y);
        push(SDL_MOUSEBUTTONUP, x, y);
        frames(3);
    }
    void pressBuilder(const std::string& label) {
        frames(2);
        const builderdraw::ItemPlace* p = builderdraw::placeOfBuilderItem(label);
        ASSERT_NE(p, nullptr) << label;
        clickAt((p->x0 + p->x1) / 2, (p->y0 + p->y1) / 2);
    }
    // A key pressed and let go.
    void key(SDL_Keycode code) {
        SDL_Event e{};
        e.key.windowID = view_->getGLWindow()->windowID();
        e.key.keysym.sym = code;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(code);
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            e.type = type;
            SDL_PushEvent(&e);
            frames(3);
        }
    }
    void type(const char* text) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = view_->getGLWindow()->windowID();
        std::strncpy(e.text.text, text, sizeof e.text.text - 1);
        SDL_PushEvent(&e);
        frames(3);
    }
    // Clicks a field (its text selected), types over it, presses Return.
    void typeInto(const std::string& label, const char* text) {
        frames(2);
        const builderdraw::ItemPlace* at = builderdraw::placeOfBuilderItem(label);
        ASSERT_TRUE(at && at->y1 < 768) << label << " is out of sight";
        pressBuilder(label);
        type(text);
        key(SDLK_RETURN);
    }
    void choose(const std::string& popUp, const std::string& item) {
        pressBuilder(popUp);
        pressBuilder(popUp + "/" + item);
    }
    // The pilot signs in, opens the builder on a new mission and adds the Western Front.
    void signInAndBuildOnTheWesternFront() {
        press("Pilot Sign-In", "Sign In");
        press("Menu", "Mission Builder");
        press("Mission Builder", "New Mission");
        choose("World", "The Western Front");
        pressBuilder("Add World");
    }
    // A drag in the builder's view from its centre, `steps` moves of (dx, dy) pixels (y down).
    void dragInView(int dx, int dy, int steps, bool shift) {
        const int x = viewCentreX(), y = viewCentreY();
        SDL_WarpMouseInWindow(view_->getGLWindow()->sdlWindow(), x, y);
        frames(2);
        push(SDL_MOUSEBUTTONDOWN, x, y);
        frames(1);
        SDL_SetModState(shift ? KMOD_LSHIFT : KMOD_NONE);
        for (int i = 1; i <= steps; ++i) {
            push(SDL_MOUSEMOTION, x + dx * i, y + dy * i);
            frames(1);
        }
        SDL_SetModState(KMOD_NONE);
        push(SDL_MOUSEBUTTONUP, x + dx * steps, y + dy * steps);
        frames(2);
    }
    // The middle of the world's part of the view, in window pixels (y down).
    int viewCentreX() const { return builderdraw::kViewMargin + int(0.33 * c_->missionBuilder().viewFrame().width); }
    int viewCentreY() const {
        int w = 0, h = 0;
        view_->getGLWindow()->drawableSize(w, h);
        const builderdraw::ViewRect r = builderdraw::builderViewRect(w, h);
        return h - r.y - r.height / 2;
    }
    // The game's window made another size, and frames until the builder's view has followed.
    void resizeWindow(int width, int height) {
        SDL_SetWindowSize(view_->getGLWindow()->sdlWindow(), width, height);
        const builderdraw::ViewRect want = builderdraw::builderViewRect(width, height);
        for (int i = 0; i < 300 && c_->missionBuilder().viewFrame().width != want.width; ++i) frames(1);
        ASSERT_EQ(c_->missionBuilder().viewFrame().width, want.width);
        ASSERT_EQ(c_->missionBuilder().viewFrame().height, want.height);
    }
    // What a line of pixels shows, in shares of its length: the window's ground (the clear colour
    // around the view), the close-up's empty sky.
    struct Line {
        double ground = 0, paneSky = 0;
    };
    static Line line(const platform::RGBAImage& image, int x0, int y0, int dx, int dy, int n) {
        Line l;
        auto near = [](const uint8_t* p, int r, int g, int b) {
            return std::abs(p[0] - r) < 4 && std::abs(p[1] - g) < 4 && std::abs(p[2] - b) < 4;
        };
        for (int i = 0; i < n; ++i) {
            const uint8_t* p = &image.pixels[(size_t(y0 + i * dy) * image.width + x0 + i * dx) * 4];
            l.ground += near(p, 158, 153, 140) / double(n);
            l.paneSky += near(p, 133, 158, 194) / double(n);
        }
        return l;
    }
    // The view's edges in a picture: just inside each the world (no ground, no empty pane), just
    // outside the window's ground.
    void expectWorldFillsView(const platform::RGBAImage& image) {
        const builderdraw::ViewRect r = builderdraw::builderViewRect(image.width, image.height);
        const int left = r.x, right = r.x + r.width - 1, top = image.height - r.y - r.height, bottom = image.height - r.y - 1;
        const struct {
            const char* edge;
            int x, y, dx, dy, n, out;  // a line along the edge, and how far out the margin lies
        } edges[] = {{"left", left, top, 0, 1, r.height, -3},    {"right", right, top, 0, 1, r.height, 3},
                     {"top", left, top, 1, 0, r.width, -3},      {"bottom", left, bottom, 1, 0, r.width, 3}};
        for (const auto& e : edges) {
            const int ox = e.dx ? 0 : e.out, oy = e.dy ? 0 : e.out;
            const Line inside = line(image, e.x - ox / 3, e.y - oy / 3, e.dx, e.dy, e.n);
            const Line outside = line(image, e.x + ox, e.y + oy, e.dx, e.dy, e.n);
            // A sky's shade may match a colour here and there; a band or a bare strip is the whole line.
            EXPECT_LT(inside.ground + inside.paneSky, 0.2) << e.edge << " edge at " << image.width << " x " << image.height;
            EXPECT_GT(outside.ground, 0.98) << e.edge << " margin at " << image.width << " x " << image.height;
        }
    }
    // The picture of the next frame, kept as a PNG beside the test's output for a look.
    platform::RGBAImage picture(const std::string& name) {
        keepPicture_ = true;
        view_->sceneChanged();  // a resting game draws anew, so there is a frame to read
        frames(1);
        keepPicture_ = false;
        if (const char* out = std::getenv("PELLAM_BUILDER_PICTURES")) platform::writePng(std::string(out) + "/" + name, picture_);
        return picture_;
    }
    // The share of near-white pixels (cloud) in a part of a picture.
    static double whiteShare(const platform::RGBAImage& image, int x0, int x1, int y0, int y1) {
        int white = 0, n = 0;
        for (int y = y0; y < y1; y += 2)
            for (int x = x0; x < x1; x += 2, ++n) {
                const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 4];
                white += p[0] > 200 && p[1] > 200 && p[2] > 200;
            }
        return double(white) / n;
    }

    std::unique_ptr<testing::TestFolder> folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<render::MyZephGLView> view_;
    platform::UiLayer ui_;
    std::unique_ptr<TestView> link_;
    std::unique_ptr<VADArizodazar2> c_;
    bool keepPicture_ = false;
    platform::RGBAImage picture_;
};

// A new player's first mission on the Western Front, step by step.
class WesternFrontSteps : public BuilderWindowTest {
protected:
    // Signed in, Mission Builder > New Mission, the Western Front added.
    void openANewMission() {
        builder::MissionBuilder& b = c_->missionBuilder();
        press("Pilot Sign-In", "Sign In");
        frames(3);
        ASSERT_TRUE(c_->missionWindowControls().toSelectMission.open);

        // Mission Builder > New Mission: the builder opens on its world tab, the game paused.
        press("Menu", "Mission Builder");
        press("Mission Builder", "New Mission");
        ASSERT_TRUE(c_->builderWindowOpen());
        EXPECT_FALSE(c_->missionWindowControls().toSelectMission.open);
        EXPECT_EQ(c_->getModelArray()->at(ModelArray::kTerrain), nullptr);  // lent to the builder
        EXPECT_EQ(b.MBMission.TotalObjects, 22);
        pressBuilder("Tab/Objects");  // refused until a world is added
        EXPECT_EQ(b.controls().mainTab, builder::kTabWorld);

        pressBuilder("World");
        EXPECT_NE(builderdraw::placeOfBuilderItem("World/World 3"), nullptr);
        EXPECT_EQ(builderdraw::placeOfBuilderItem("World/World 4"), nullptr) << "a world without terrain is offered";
        pressBuilder("World/The Western Front");
        EXPECT_EQ(b.controls().worldDescription, "The Western front, Europe, 1918.");
        pressBuilder("Add World");
        ASSERT_TRUE(b.MBTerrainLoadedFlag);
        EXPECT_EQ(b.MBArray.size(), 22);
    }

    // A place from the menu: the world fills the view at two sizes of the window.
    void goToYpres() {
        builder::MissionBuilder& b = c_->missionBuilder();
        pressBuilder("Go to");
        pressBuilder("Go to/Ypres");
        EXPECT_EQ(b.MBCameraPosition.Position, (Vector3{2085600, 3000, 2278960}));
        // Drawn once for the move, then shown again while nothing changes.
        const long draws = builderdraw::builderSceneDraws();
        frames(5);
        EXPECT_EQ(builderdraw::builderSceneDraws(), draws);
        // With nothing to show close up, the world fills the view to its every edge, at two sizes
        // of the window; the window's ground shows only in the margin around it.
        int width = 0, height = 0;
        SDL_GetWindowSize(view_->getGLWindow()->sdlWindow(), &width, &height);
        expectWorldFillsView(picture("builder-ypres.png"));
        resizeWindow(1240, 1000);
        expectWorldFillsView(picture("builder-ypres-large.png"));
        resizeWindow(width, height);
    }

    void pickAndTurnABalloonLookingDown() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // A balloon on the ground under the camera; looking straight down picks it at the cross.
        const double ground = b.groundAt(2085600, 2278960);
        b.fillInObjectForMissionTypeMB(66, 2085600, -1.0, 2278960, 0, 0, 1, -1, b.MBMission.TotalObjects);
        b.loadRow(b.MBMission.TotalObjects++);
        dragInView(0, -30, 4, true);  // upwards: the camera tilts down to -90
        EXPECT_EQ(b.MBViewingPitch, -90);
        pressBuilder("Tab/Objects");
        ASSERT_EQ(b.controls().mainTab, builder::kTabObjects);
        const auto unchosen = picture("builder-looking-down.png");
        dragInView(1, 0, 4, false);  // picks the balloon and moves it about 44 ft east
        ASSERT_EQ(b.MBCurrentObject, 22);
        EXPECT_EQ(b.controls().objectID, "Unique ID: 22");
        // Chosen, it is shown close up over the view's right 34 %: the world still fills the view, and
        // the balloon, 100 ft from the close-up's eye, stands in the middle of that part.
        const auto shown = picture("builder-close-up.png");
        expectWorldFillsView(shown);
        const builderdraw::ViewRect r = builderdraw::builderViewRect(shown.width, shown.height);
        const int paneLeft = r.x + int(0.66 * r.width), paneWidth = r.width - int(0.66 * r.width);
        const int middleY = shown.height - r.y - r.height / 2;
        int changed = 0, n = 0;
        for (int y = middleY - paneWidth / 2; y < middleY + paneWidth / 2; ++y)
            for (int x = paneLeft + paneWidth / 4; x < paneLeft + 3 * paneWidth / 4; ++x, ++n) {
                const size_t at = (size_t(y) * shown.width + x) * 4;
                changed += std::abs(shown.pixels[at] - unchosen.pixels[at]) +
                               std::abs(shown.pixels[at + 1] - unchosen.pixels[at + 1]) >
                           40;
            }
        EXPECT_GT(changed, n / 50) << "no close-up in the view's right part";
        QNion pose;
        b.MBArray.at(22)->getModelPositionQNion(&pose);
        EXPECT_NE(pose.Position[0], 2085600);
        const double rowX = b.MBMission.ObjectList[22].Location[0];
        EXPECT_EQ(rowX, pose.Position[0]);
        EXPECT_GE(pose.Position[1], ground - 1);
        dragInView(6, 0, 5, true);  // picks it again where it stands now, and turns it
        const double heading = b.MBMission.ObjectList[22].Heading;
        EXPECT_EQ(heading, -30);
        EXPECT_FALSE(c_->builderSaved());
    }

    void markAPathPoint() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // A path point under the camera shows as a red marker through the ground.
        b.MBMission.FlyToPoints[0].PointXYZ = {2085600, 1500, 2278960};
        b.updateMBOpenGLView();
        const auto marked = picture("builder-path.png");
        int red = 0;
        for (int y = viewCentreY() - 4; y <= viewCentreY() + 4; ++y)
            for (int x = viewCentreX() - 4; x <= viewCentreX() + 4; ++x) {
                const uint8_t* p = &marked.pixels[(size_t(y) * marked.width + x) * 4];
                red += p[0] > 200 && p[1] < 60 && p[2] < 60;
            }
        EXPECT_GT(red, 10);
    }

    void coverTheGroundWithTheDeck() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // The cloud deck: from above the ceiling the ground disappears under it.
        b.controls().altSlider = 40;  // 20,000 ft
        b.fromMBMenu(builder::kTagAltSlider);
        const auto clear = picture("builder-no-ceiling.png");
        pressBuilder("Tab/Weather");
        pressBuilder("Cloud ceiling on");
        EXPECT_LT(b.MBMission.SkyFlags, 0);  // bit 31
        terrain_ = dynamic_cast<RIDUdidav*>(b.MBArray.at(ModelArray::kTerrain));
        ASSERT_NE(terrain_, nullptr);
        EXPECT_EQ(terrain_->getCloudLayer(0).LayerBottom, 10000);
        const auto deck = picture("builder-ceiling.png");
        const int x0 = builderdraw::kViewMargin + 10, x1 = viewCentreX() * 2 - x0;
        const int quarter = int(b.viewFrame().height / 4);  // the middle half of the world's part
        const int y0 = viewCentreY() - quarter, y1 = viewCentreY() + quarter;
        EXPECT_LT(whiteShare(clear, x0, x1, y0, y1), 0.01);
        EXPECT_GT(whiteShare(deck, x0, x1, y0, y1), 0.1) << "the deck lies between the camera and the fields";
    }

    void closeAskingFirst() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // Close with unsaved changes: the sheet; cancel keeps the builder, discard leaves it.
        pressBuilder("Close");
        ASSERT_TRUE(b.controls().cancelSheetShown);
        EXPECT_TRUE(c_->builderWindowOpen());
        pressBuilder("Cancel");
        EXPECT_TRUE(c_->builderWindowOpen());
        pressBuilder("Close");
        pressBuilder("Discard Changes");
        EXPECT_FALSE(c_->builderWindowOpen());
        EXPECT_EQ(c_->getModelArray()->at(ModelArray::kTerrain), c_->keptScene().TheRIDUdidavWorld);
        const auto& layers = c_->currentMission()->Layers;
        EXPECT_EQ(terrain_->getCloudLayer(0).TextureNumber == 0, layers[0].TextureNumber == 0);
        frames(2);
    }

    RIDUdidav* terrain_ = nullptr;  // the world's terrain while the builder holds it
};

TEST_F(WesternFrontSteps, ANewPlayerBuildsOnTheWesternFrontAndIsAskedBeforeLosingChanges) {
    ASSERT_NO_FATAL_FAILURE(openANewMission());
    ASSERT_NO_FATAL_FAILURE(goToYpres());
    ASSERT_NO_FATAL_FAILURE(pickAndTurnABalloonLookingDown());
    ASSERT_NO_FATAL_FAILURE(markAPathPoint());
    ASSERT_NO_FATAL_FAILURE(coverTheGroundWithTheDeck());
    closeAskingFirst();
}

// A flight paused, the builder opened, a world added, the mission saved and the builder closed:
// the paused flight's frame is drawn again exactly as before, its sprites, propeller disc and
// "Paused" lettering blended as they were.
TEST_F(BuilderWindowTest, TheBuilderLeavesTheFlightsPictureAsItFoundIt) {
    // A clock read a fixed number of times a frame: the same ticks pass in every run.
    uint32_t now = 0;
    platform::ScopedTickSource clock([&] { return int32_t(++now); });
    press("Pilot Sign-In", "Sign In");
    press("Select Mission", "Fly Mission");
    ASSERT_TRUE(c_->clock().gamePause);
    frames(30);
    press("Flying with the Mouse", "OK");
    c_->setRunning(false);  // paused: the flight stands still
    // A line of lettering over the view, blended as the paused notice and the messages are.
    unsigned char lines[5][256] = {};
    render::stringToPascal(" Paused ", lines[0]);
    view_->setMessageLines(lines);
    // The cockpit view at rest: the pilot's head settled, the idle circling camera not yet begun.
    auto settled = [&] {
        // A trigger let go: the player is there, the idle camera waits.
        c_->sendCommand(input::CommandNumber::FireGuns, kKeyUp);
        QNion last = c_->cameras().ViewingQNion;
        for (int n = 0; n < 600; ++n) {
            frames(1);
            if (c_->cameras().ViewingQNion.Position == last.Position &&
                c_->cameras().ViewingQNion.QAttitude == last.QAttitude)
                return true;
            last = c_->cameras().ViewingQNion;
        }
        return false;
    };
    ASSERT_TRUE(settled());
    const auto before = picture("flight-before-builder.png");

    press("Menu", "Mission Builder");
    press("Mission Builder", "New Mission");
    ASSERT_TRUE(c_->builderWindowOpen());
    pressBuilder("World");
    pressBuilder("World/The Western Front");
    pressBuilder("Add World");
    pressBuilder("Go to");
    pressBuilder("Go to/Lille");
    pressBuilder("Save As");
    type("Round trip");
    pressBuilder("Save Mission/Save");
    ASSERT_TRUE(c_->builderSaved());
    pressBuilder("Close");
    ASSERT_FALSE(c_->builderWindowOpen());
    ASSERT_TRUE(settled());
    const auto after = picture("flight-after-builder.png");
    ASSERT_EQ(after.pixels.size(), before.pixels.size());
    size_t differ = 0, first = 0;
    for (size_t i = 0; i < before.pixels.size(); i += 4)
        if (std::memcmp(&before.pixels[i], &after.pixels[i], 3) != 0 && !differ++) first = i / 4;
    EXPECT_EQ(differ, 0u) << "pixels changed by the builder's round trip, the first at (" << first % before.width
                          << ", " << first / before.width << ")";
    view_->setMessageLines(nullptr);
}

// A mission made as a new user would (a balloon, a flak gun, a lorry convoy on a path, two aircraft,
// a victory condition), saved, found in the game's mission menu, flown and won.
// The world tab's page scrolled with the wheel: the page moves, the tabs above it stay where they
// were, and a click on one chooses it.
TEST_F(BuilderWindowTest, AScrolledPageLeavesTheTabsInPlace) {
    builder::MissionBuilder& b = c_->missionBuilder();
    signInAndBuildOnTheWesternFront();
    frames(2);
    const float tab = builderdraw::placeOfBuilderItem("Tab/Weather")->y0;
    const float button = builderdraw::placeOfBuilderItem("Add World")->y0;
    SDL_WarpMouseInWindow(view_->getGLWindow()->sdlWindow(), 700, 600);  // over the page
    for (int i = 0; i < 4; ++i) {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = view_->getGLWindow()->windowID();
        e.wheel.y = -3;
        SDL_PushEvent(&e);
        view_->showNextFrame();  // as the game's loop does for any event
        frames(2);
    }
    frames(2);
    EXPECT_LT(builderdraw::placeOfBuilderItem("Add World")->y0, button - 50);
    EXPECT_EQ(builderdraw::placeOfBuilderItem("Tab/Weather")->y0, tab);
    pressBuilder("Tab/Weather");
    EXPECT_EQ(b.controls().mainTab, builder::kTabWeather);
}

// Each tab opens on the click that comes with the pointer, from one tab to the next and in the
// aircraft tabs; a field typed into and left for a tab keeps what was typed.
TEST_F(BuilderWindowTest, ATabOpensOnOneClick) {
    builder::MissionBuilder& b = c_->missionBuilder();
    press("Pilot Sign-In", "Sign In");
    press("Menu", "Mission Builder");
    press("Mission Builder", "New Mission");
    const long beeps = platform::beepCount();
    quickClick("Tab/Weather");  // refused until a world is added
    EXPECT_EQ(b.controls().mainTab, builder::kTabWorld);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    choose("World", "The Western Front");
    pressBuilder("Add World");
    const std::pair<const char*, int> tabs[] = {{"Tab/Objects", builder::kTabObjects}, {"Tab/Aircraft", builder::kTabAircraft},
                                                {"Tab/Victory", builder::kTabVictory}, {"Tab/Paths", builder::kTabPaths},
                                                {"Tab/Weather", builder::kTabWeather}};
    for (const auto& [label, tab] : tabs) {
        quickClick(label);
        EXPECT_EQ(b.controls().mainTab, tab) << label;
    }
    pressBuilder("Visibility (typed)");
    type("42");
    quickClick("Tab/Aircraft");
    EXPECT_EQ(b.controls().mainTab, builder::kTabAircraft);
    EXPECT_EQ(b.MBMission.SkyFlags & 0xFF, 84);  // twice the visibility
    for (int n : {3, 8, 1}) {
        quickClick("Aircraft/" + std::to_string(n));
        EXPECT_EQ(b.controls().aircraftTab, n - 1);
        EXPECT_EQ(b.MBCurrentObject, n + 1);
    }
}

// The builder in the small window (640 x 480) and the larger ones, each of its tabs in turn: every
// control lies inside the window (a page's below its end scrolls into sight), no tab's title is cut
// short, and the view fills what the panel leaves. A long line of the description wraps in its box.
TEST_F(BuilderWindowTest, TheBuilderFitsTheSmallWindow) {
    builder::MissionBuilder& b = c_->missionBuilder();
    signInAndBuildOnTheWesternFront();
    const char* const kTabs[] = {"World", "Objects", "Aircraft", "Weather", "Victory", "Paths"};
    // What the last frame drew lies inside the window and, on the page, inside the page's room.
    auto expectFits = [&](const std::string& shown, int width, int height) {
        const auto& places = builderdraw::builderItemPlaces();
        const long last = builderdraw::builderWindowDrawings();
        const builderdraw::ItemPlace panel = places.at("Panel"), page = places.at("Page");
        ASSERT_EQ(panel.drawing, last) << shown;
        EXPECT_LE(panel.x1, width);
        EXPECT_EQ(page.drawing, last);
        const float padding = ImGui::GetStyle().FramePadding.x;
        for (const auto& [label, p] : places) {
            // The path table's cells scroll sideways.
            if (p.drawing != last || (label.rfind("Path/", 0) == 0 && std::isdigit(label[5]))) continue;
            EXPECT_GE(p.x0, panel.x0 - 0.5f) << shown << ": " << label;
            EXPECT_LE(p.x1, (p.y0 >= page.y0 ? page.x1 : panel.x1) + 0.5f) << shown << ": " << label;
            EXPECT_GE(p.y0, panel.y0 - 0.5f) << shown << ": " << label;
            if (p.y0 < page.y0) {
                EXPECT_LE(p.y1, height) << shown << ": " << label;
            }
            // A tab as wide as its title and its frame: nothing cut off with an ellipsis.
            const bool tab =
                label.rfind("Tab/", 0) == 0 || (label.rfind("Aircraft/", 0) == 0 && std::isdigit(label[9]));
            const std::string title = label.substr(label.find('/') + 1);
            if (tab) {
                EXPECT_GE(p.x1 - p.x0, ImGui::CalcTextSize(title.c_str()).x + 2 * padding) << shown << ": " << label;
            }
        }
    };
    for (const auto& [width, height] : {std::pair{1024, 768}, std::pair{800, 600}, std::pair{640, 480}}) {
        resizeWindow(width, height);
        for (const char* tab : kTabs) {
            pressBuilder(std::string("Tab/") + tab);
            const std::string shown = std::to_string(width) + " x " + std::to_string(height) + ", " + tab;
            expectFits(shown, width, height);
            if (std::string(tab) == "Aircraft") {
                pressBuilder("Aircraft/8");
                EXPECT_EQ(b.controls().aircraftTab, 7);
                pressBuilder("Aircraft/Restart");
                expectFits(shown + " 8, restart", width, height);
            }
        }
    }
    // In the small window the view keeps a third of the width, the world to its every edge.
    const builderdraw::ViewRect r = builderdraw::builderViewRect(640, 480);
    EXPECT_GE(r.x + r.width + builderdraw::kViewMargin, 640 / 3);
    expectWorldFillsView(picture("small-world.png"));
    pressBuilder("Tab/Aircraft");
    picture("small-aircraft.png");

    // A long line typed into the description goes on in the box's second line, and the mission's
    // text is the line as typed.
    pressBuilder("Tab/Victory");
    pressBuilder("Mission Description");
    const std::string line = "Cross the lines at dawn, find the balloon over the wood by the river, and burn it.";
    for (size_t at = 0; at < line.size(); at += 20) type(line.substr(at, 20).c_str());
    EXPECT_EQ(b.controls().missionDescription, line);
    key(SDLK_BACKSPACE);
    type("!");
    EXPECT_EQ(b.controls().missionDescription, line.substr(0, line.size() - 1) + "!");
    const auto wrapped = picture("small-description.png");
    const builderdraw::ItemPlace box = *builderdraw::placeOfBuilderItem("Mission Description");
    const int lineHeight = int(ImGui::GetTextLineHeight());
    int lit = 0;
    for (int y = int(box.y0) + lineHeight + 4; y < int(box.y0) + 2 * lineHeight + 2; ++y)
        for (int x = int(box.x0) + 4; x < int(box.x1) - 4; ++x) {
            const uint8_t* p = &wrapped.pixels[(size_t(y) * wrapped.width + x) * 4];
            lit += p[0] > 150 && p[1] > 150 && p[2] > 150;
        }
    EXPECT_GT(lit, 40) << "the description's second line is empty";
    pressBuilder("Mission Title");
    EXPECT_EQ(b.controls().missionDescription, line.substr(0, line.size() - 1) + "!");

    // The sheets over the small window: unsaved changes, saving, and opening from a long list.
    pressBuilder("Close");
    ASSERT_TRUE(b.controls().cancelSheetShown);
    for (const char* label : {"Discard Changes", "Cancel"}) {
        const builderdraw::ItemPlace* p = builderdraw::placeOfBuilderItem(label);
        EXPECT_TRUE(p->x0 >= 0 && p->x1 <= 640 && p->y1 <= 480) << label;
    }
    pressBuilder("Cancel");
    pressBuilder("Save As");
    type("Small");
    EXPECT_LE(builderdraw::placeOfBuilderItem("Save Mission/Save")->y1, 480);
    pressBuilder("Save Mission/Save");
    ASSERT_TRUE(std::filesystem::exists(folder_->file("Missions/Small.pellam")));
    for (int i = 1; i <= 40; ++i)
        std::filesystem::copy_file(folder_->file("Missions/Small.pellam"),
                                   folder_->file("Missions/Small " + std::to_string(i) + ".pellam"));
    pressBuilder("Open");
    for (const char* label : {"Open Mission/Open", "Open Mission/Cancel"}) {
        const builderdraw::ItemPlace* p = builderdraw::placeOfBuilderItem(label);
        ASSERT_NE(p, nullptr) << label;
        EXPECT_LE(p->y1, 480) << label;
    }
    pressBuilder("Open Mission/Cancel");
    EXPECT_FALSE(b.controls().files.openShown);
}

// Damaged mission files, one after another, through the Open panel: each is refused with a beep on
// the audio device's thread and a notice naming it, clicks on the view while the notice stands change
// nothing, and the mission shown stays whole; then a good one opens and saves, and the folder's scan
// on the writer thread when the builder closes counts the six.
TEST_F(BuilderWindowTest, DamagedFilesAreRefusedInTurnAndTheMissionShownStaysWhole) {
    builder::MissionBuilder& b = c_->missionBuilder();
    PellamSound sound;  // the beep plays: SDL's dummy driver runs the device's thread
    sound.init();
    c_->fromMenus(kMenuPreferences);
    c_->interface().toPrefsAlwaysReloadUM.state = true;
    c_->fromDialogButtons(kTagPrefsOK);
    signInAndBuildOnTheWesternFront();
    pressBuilder("Tab/Objects");
    choose("Object", "Observation balloon (German)");
    pressBuilder("Add Object");
    pressBuilder("Save As");
    type("Good");
    pressBuilder("Save Mission/Save");
    const std::string good = folder_->file("Missions/Good.pellam");
    std::ifstream in(good, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), missions::kMissionBytes);
    auto changed = [&](size_t at, std::initializer_list<uint8_t> put) {
        std::vector<uint8_t> v = bytes;
        std::copy(put.begin(), put.end(), v.begin() + at);
        return v;
    };
    std::vector<uint8_t> flipped = bytes;
    for (size_t i = bytes.size() - 900; i < bytes.size() - 860; ++i) flipped[i] ^= 0xFF;
    const std::pair<std::string, std::vector<uint8_t>> damaged[] = {
        {"Cut short", {bytes.begin(), bytes.begin() + bytes.size() / 2}},
        {"All ff", std::vector<uint8_t>(bytes.size(), 0xFF)},
        {"Huge counts", changed(16, {0xFF, 0xFF, 0xFF, 0xF0})},  // the title's length
        {"Flipped", flipped},
        {"Other version", changed(8, {0, 0, 0, 2})},
        {"Empty", {}}};
    for (const auto& [name, content] : damaged)
        std::ofstream(folder_->file("Missions/" + name + ".pellam"), std::ios::binary)
            .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
    const auto shown = std::make_unique<missions::MissionData>(b.MBMission);
    for (const auto& [name, content] : damaged) {
        const long beeps = platform::beepCount();
        pressBuilder("Open");
        pressBuilder("Open Mission/" + name + ".pellam");
        pressBuilder("Open Mission/Open");
        EXPECT_EQ(platform::beepCount(), beeps + 1) << name;
        ASSERT_EQ(c_->interface().notices.size(), 1u) << name;
        EXPECT_NE(c_->interface().notices.front().find(name + ".pellam"), std::string::npos);
        // Clicks on the view beside the notice, and a drag that turns nothing.
        const ButtonPlace* notice = placeOfWindow("Notice");
        ASSERT_NE(notice, nullptr);
        const int x = std::min(viewCentreX(), int(notice->x0) - 20);
        clickAt(float(x), float(viewCentreY()));
        clickAt(float(x), float(viewCentreY() + 40));
        EXPECT_EQ(std::memcmp(&b.MBMission, shown.get(), sizeof *shown), 0) << name;
        EXPECT_EQ(b.MBArray.size(), b.MBMission.TotalObjects) << name;
        EXPECT_EQ(b.MBFileName, good) << name;
        EXPECT_EQ(b.controls().windowTitle, "Mission Builder: Good.pellam");
        press("Notice", "OK");
        EXPECT_TRUE(c_->interface().notices.empty()) << name;
    }
    pressBuilder("Open");
    pressBuilder("Open Mission/Good.pellam");
    pressBuilder("Open Mission/Open");
    EXPECT_TRUE(c_->interface().notices.empty());
    ASSERT_EQ(b.MBArray.size(), 23);
    pressBuilder("Tab/Weather");
    typeInto("Visibility (typed)", "42");
    pressBuilder("Save");
    ASSERT_TRUE(c_->builderSaved());
    missions::MissionFileContents saved;
    ASSERT_EQ(missions::readMissionFile(good, saved), "");
    EXPECT_EQ(saved.record.SkyFlags & 0xFF, 84);  // twice the visibility
    pressBuilder("Close");
    ASSERT_FALSE(c_->builderWindowOpen());
    c_->flushUserMissions();
    frames(2);
    ASSERT_EQ(c_->interface().notices.size(), 1u);
    EXPECT_EQ(c_->interface().notices.front().rfind("6 mission files", 0), 0u) << c_->interface().notices.front();
    press("Notice", "OK");
}

// A balloon mission built, saved, found in the mission menu and flown, step by step.
class BalloonMissionSteps : public BuilderWindowTest {
protected:
    void setUpAndBuild() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // The player's preference: missions read again when the builder closes.
        c_->fromMenus(kMenuPreferences);
        c_->interface().toPrefsAlwaysReloadUM.state = true;
        c_->fromDialogButtons(kTagPrefsOK);
        ASSERT_TRUE(c_->prefs().ReloadUserMissions);
        signInAndBuildOnTheWesternFront();
        ASSERT_TRUE(b.MBTerrainLoadedFlag);
    }

    void placeTheTargets() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // Each object chosen, its team typed, added, then typed onto the ground where it should stand
        // (a height below it).
        pressBuilder("Tab/Objects");
        auto place = [&](const std::string& object, const char* team, const char* where) {
            choose("Object", object);
            typeInto("Object Team", team);
            pressBuilder("Add Object");
            typeInto("Object Location", where);
            return b.MBCurrentObject;
        };
        balloon_ = place("Observation balloon (German)", "blue", "2013460, 0, 2243000");
        const int flak = place("Flak gun", "red", "2013700, 0, 2243200");
        place("Lorry (German)", "blue", "2012000, 0, 2244000");
        typeInto("Object Path", "0");
        const int second = place("Lorry (German)", "yellow", "2011950, 0, 2243900");
        typeInto("Object Random Start", "200");
        EXPECT_EQ(balloon_, 22);
        EXPECT_EQ(b.MBMission.ObjectList[flak].ObjectCode, 65);
        const int32_t teams[] = {2, 1, 2, 3};
        for (int k = 0; k < 4; ++k) EXPECT_EQ(b.MBMission.ObjectList[balloon_ + k].Team, teams[k]) << balloon_ + k;
        EXPECT_EQ(double(b.MBMission.ObjectList[balloon_].Location[1]), -1.0);
        EXPECT_EQ(b.MBMission.ObjectList[second].Seed, 200);
    }

    void layTheConvoysRoad() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // The convoy's road: two points leading to each other.
        pressBuilder("Tab/Paths");
        typeInto("Path/1/2", "2012000, 100, 2246000");
        typeInto("Path/1/11", "2");
        typeInto("Path/2/2", "2012000, 100, 2250000");
        typeInto("Path/2/11", "1");
        picture("builder-paths.png");
        EXPECT_EQ(b.MBMission.FlyToPoints[1].NextPoint, 0);
        EXPECT_EQ(b.MBMission.FlyToPoints[1].PointXYZ[2], 2250000);
    }

    void placeTheAircraft() {
        // Aircraft 1, the player, south of the balloon; aircraft 2 an enemy far off; the rest stay home.
        pressBuilder("Tab/Aircraft");
        typeInto("Aircraft/Position", "2013460, 1500, 2230000");
        pressBuilder("Aircraft/2");
        typeInto("Aircraft/Team", "blue");
        typeInto("Aircraft/Position", "2060000, 3000, 2300000");
        for (int n = 3; n <= 8; ++n) {
            pressBuilder("Aircraft/" + std::to_string(n));
            pressBuilder("Aircraft/On/off");
        }
        picture("builder-aircraft.png");
    }

    void writeTheVictory() {
        // Won by destroying the balloon; no aircraft need be shot down.
        pressBuilder("Tab/Victory");
        typeInto("Mission Title", "Balloon busting");
        // The placeholder is replaced by what is typed, its lines ending as the game's texts do.
        pressBuilder("Mission Description");
        type("Burn the balloon.");
        key(SDLK_RETURN);
        type("Then home.");
        pressBuilder("Mission Lost Message");
        type("The balloon still watches.");
        typeInto("Victory/Kills", "0");
        typeInto("Victory/Destroy", "22");
        typeInto("Victory/Number Destroyed", "1");
        picture("builder-victory.png");
    }

    void moveTheRedStartAndSave() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // The red team's quick-dogfight start moved and turned, its fuel typed past full; pine trees.
        pressBuilder("Tab/World");
        typeInto("QD/Red Start", "2013000, 0, 2231000");
        typeInto("QD/Red Heading", "45");
        typeInto("QD/Red Fuel", "1.5");
        pressBuilder("Tab/Weather");
        choose("Ground Clutter", "Pines");
        pressBuilder("Save As");
        type("Balloon busting");
        pressBuilder("Save Mission/Save");
        ASSERT_TRUE(std::filesystem::exists(folder_->file("Missions/Balloon busting.pellam")));  // where the game looks
        EXPECT_TRUE(c_->builderSaved());
        const missions::MissionData& m = b.MBMission;
        EXPECT_EQ(m.AircraftStarts[1].Team, 2);
        for (int n = 2; n < 8; ++n) EXPECT_EQ(m.AircraftStarts[n].OnOff, 0) << n;
        EXPECT_EQ(m.TheVictory.ParticularDeadObjects[0], 22);
        EXPECT_EQ(m.TheVictory.RequiredNumberOfDeadObjects, 1);
        EXPECT_EQ(m.TheVictory.Kills, 0);
        EXPECT_EQ(b.MBTexts.description, "Burn the balloon.\rThen home.");
        EXPECT_EQ(b.MBTexts.victory, "No Message Yet");
        EXPECT_EQ(b.MBTexts.lost, "The balloon still watches.");
        const double redStart[5] = {2013000, -1.0, 2231000, 45, 1.0};
        EXPECT_TRUE(std::equal(redStart, redStart + 5, m.DogfightGroundStartLocations[0]));
        EXPECT_EQ(m.GC1, 2);
        pressBuilder("Close");
        ASSERT_FALSE(c_->builderWindowOpen());
    }

    void openItAgain() {
        builder::MissionBuilder& b = c_->missionBuilder();
        // Opened again from the menu, the window shows the start and the trees as saved.
        c_->fromMenus(kMenuOpenInBuilder);
        pressBuilder("Open Mission/Balloon busting.pellam");
        pressBuilder("Open Mission/Open");
        ASSERT_TRUE(c_->builderWindowOpen());
        EXPECT_EQ(b.controls().qdGroundStart[0], "2013000, -1, 2231000");
        EXPECT_EQ(b.controls().qdHeading[0], 45);
        EXPECT_EQ(b.controls().qdFuel[0], "1.000");
        EXPECT_EQ(b.controls().groundClutterType, 2);
        // The ceiling's box is saved with the mission: ticked, it is asked about before it is lost.
        EXPECT_TRUE(c_->builderSaved());
        pressBuilder("Tab/Weather");
        pressBuilder("Cloud ceiling on");
        EXPECT_FALSE(c_->builderSaved());
        pressBuilder("Close");
        pressBuilder("Discard Changes");
        ASSERT_FALSE(c_->builderWindowOpen());
    }

    void flyItAndWin() {
        // The mission menu offers it once the folder's rescan after the save has finished on its
        // thread (the next frame takes it in); the pilot flies it.
        c_->flushUserMissions();
        c_->fromMenus(kMenuSelectMission);
        press("Select Mission", "Mission");
        press("Select Mission", "     User Mission #1: Balloon busting");
        press("Select Mission", "Fly Mission");
        ASSERT_EQ(c_->missionState().CurrentMissionNumber, 51);
        ASSERT_TRUE(c_->clock().gamePause);  // running
        frames(60);
        ZephModel* target = c_->getModelArray()->at(balloon_);
        ASSERT_NE(target, nullptr);
        ASSERT_FALSE(target->areYouDestroyed());
        ASSERT_FALSE(c_->interface().toGameOverWindow.open);  // not won while the balloon stands
        // The pilot's bomb on the balloon's winch.
        QNion winch;
        target->getModelPositionQNion(&winch);
        const double still[3] = {0, 0, 0};
        const double above[3] = {winch.Position[0], winch.Position[1] + 40, winch.Position[2]};
        ZephModel* bombs = c_->getModelArray()->at(ModelArray::kBombs);
        bombs->startADroppedBomb(still, above, c_->clock().GlobalMissionTime, ModelArray::kFirstAircraft);
        for (int i = 0; i < 900 && !c_->interface().toGameOverWindow.open; ++i) frames(1);
        EXPECT_TRUE(target->areYouDestroyed());
        ASSERT_TRUE(c_->interface().toGameOverWindow.open);
        EXPECT_EQ(c_->interface().toYouWonOrLost, "Mission Successful");
    }

    void flyItAsAQuickDogfight() {
        // The same mission as a quick dogfight from the ground: the red player stands at the start
        // the builder moved, facing as it was turned.
        c_->fromMenus(kMenuSelectMission);
        press("Select Mission", "Quick Dogfight");
        DogfightWindowControls& d = c_->dogfightWindowControls();
        ASSERT_TRUE(d.toDogfightOnlyWindow.open);
        d.toAirGroundStart.clear();
        d.toAirGroundStart.setState(true, 0, 1);
        press("Quick Dogfight", "Fly Dogfight");
        ASSERT_TRUE(c_->missionState().isDogfightOnly);
        ASSERT_EQ(c_->missionState().CurrentMissionNumber, 51);
        QNion red;
        c_->aircraftAt(ModelArray::kFirstAircraft)->getModelPositionQNion(&red);
        EXPECT_NEAR(red.Position[0], 2013000, 400);
        EXPECT_NEAR(red.Position[2], 2231000, 400);
        EXPECT_NEAR(red.Position[1], c_->keptScene().TheRIDUdidavWorld->getAltitudeAtX(red.Position[0], red.Position[2]), 20);
    }

    int balloon_ = 0;  // the balloon's row
};

TEST_F(BalloonMissionSteps, ABalloonMissionIsBuiltSavedFoundFlownAndWon) {
    ASSERT_NO_FATAL_FAILURE(setUpAndBuild());
    ASSERT_NO_FATAL_FAILURE(placeTheTargets());
    ASSERT_NO_FATAL_FAILURE(layTheConvoysRoad());
    ASSERT_NO_FATAL_FAILURE(placeTheAircraft());
    ASSERT_NO_FATAL_FAILURE(writeTheVictory());
    ASSERT_NO_FATAL_FAILURE(moveTheRedStartAndSave());
    ASSERT_NO_FATAL_FAILURE(openItAgain());
    ASSERT_NO_FATAL_FAILURE(flyItAndWin());
    flyItAsAQuickDogfight();
}

}  // namespace
}  // namespace pellam
