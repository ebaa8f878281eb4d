// pellam: the game. Makes the view, the sound and the input objects, hands them to the
// controller, and runs one frame per loop until the player quits. The switches with which tests
// and bench scripts drive a run are read and carried out in ScriptedRun.h.
#include <SDL.h>
#include <SDL_opengl.h>

#include <memory>
#include <string>

#include "builder/draw/BuilderWindow.h"
#include "game/GameNetwork.h"
#include "game/InputLink.h"
#include "game/InputWindowsDrawing.h"
#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "game/app/GameAdapters.h"
#include "game/app/ScriptedRun.h"
#include "input/PellamJoySub.h"
#include "missions/MissionFile.h"
#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"
#include "platform/hid/SdlInput.h"
#include "platform/hid/SdlJoysticks.h"
#include "platform/ui/UiLayer.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"

namespace {

using namespace pellam;

// False, with the reason logged, where nobody could see the window.
bool displayReady() {
    std::string why;
    if (platform::hasDisplay(why)) return true;
    platform::logMessage(why);
    return false;
}

bool openWindow(render::MyZephGLView& view, platform::UserDefaults& store) {
    if (!view.initWithFrame(render::ZephGLView::preferredFrame(store))) {
        platform::logMessage("Cannot open the game window: " + view.creationError());
        return false;
    }
    view.getGLWindow()->makeCurrent();
    return true;
}

std::unique_ptr<ControllerSound> makeSound(render::MyZephGLView& view) {
    auto sound = std::make_unique<SoundAdapter>();
    view.setTheSounds(&sound->sound);
    return sound;
}

// The terrain of the Western Front, read once for the whole run. Where it cannot be read it has
// logged why; the player is told and cannot fly.
std::unique_ptr<ZephModel> readTerrain(render::MyZephGLView& view, VADArizodazar2& controller) {
    auto terrain = std::make_unique<RIDUdidav>();
    if (terrain->initWithGLView(&view)) return terrain;
    controller.reportWorldProblem(terrain->lastError());
    return nullptr;
}

// The loop: each pass plays the script's share, takes the events, decides whether to go on
// (a quit whose save failed is turned back once), runs the controller's frame, draws the input
// windows alone where the game does not draw, and follows what the windows asked. The menus and
// windows go onto every frame the view finishes, just before it is shown; a resting frame asks
// for their print before anything is drawn, so they are built at most once a pass.
class GameLoop {
public:
    GameLoop(platform::GLWindow& window, render::MyZephGLView& view, ViewAdapter& viewLink, platform::UiLayer& ui,
             platform::SdlDesktop& desktop, platform::hid::SdlJoysticks& joysticks, input::PellamJoySub& input,
             VADArizodazar2& controller, GameNetwork& network, ScriptedRun& run)
        : window_(window), view_(view), viewLink_(viewLink), ui_(ui), desktop_(desktop), joysticks_(joysticks),
          input_(input), controller_(controller), network_(network), run_(run) {}

    // Before the controller wakes: the windows' print and drawing hang on the view's frames,
    // idle until start().
    void attach(FrameLink& frameLink) {
        frameLink_ = &frameLink;
        frameLink.setToolkitPrint([this] { return ready_ ? buildWindows() : 0; });
        view_.setFrameObserver([this] { drawOverFrame(); });
    }
    void start() { ready_ = true; }
    void run() {
        for (bool running = true; running;) running = pass();
    }
    void detach() { view_.setFrameObserver({}); }

private:
    bool pass() {
        int windowWidth = 0, windowHeight = 0;
        SDL_GetWindowSize(window_.sdlWindow(), &windowWidth, &windowHeight);
        platform::GLWindow* second = view_.getSecondWindow();
        if (!run_.playerStep(window_.sdlWindow(), window_.windowID(), second ? second->sdlWindow() : nullptr,
                             controller_, input_, frameLink_->drawn()))
            desktop_.requestQuit();
        built_ = false;
        takeEvents(windowHeight);
        const bool running = goOn();
        run_.setLastFrame(!running);
        if (!running) view_.showNextFrame();

        controller_.timerLooper();
        run_.takeJoiners(network_);
        drawInputWindowsAlone();
        run_.frameEnded(controller_);
        followRequests();
        return running;
    }

    void takeEvents(int windowHeight) {
        desktop_.pumpEvents([&](const SDL_Event& event) {
            // Anything but a stick's axis (which may tremble) shows the next frame in full.
            if (event.type != SDL_JOYAXISMOTION && event.type != SDL_CONTROLLERAXISMOTION) view_.showNextFrame();
            // The second view's close box (or the window manager's close key while it has the
            // keyboard) closes that view alone; the main window's close is the desktop's quit.
            if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
                const platform::GLWindow* second = view_.getSecondWindow();
                if (second && event.window.windowID == second->windowID()) return controller_.closeSecondView();
            }
            // Ctrl-Q quits whatever has the keyboard, a text field included.
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_q && (event.key.keysym.mod & KMOD_CTRL))
                return desktop_.requestQuit();
            if (inputWindowsTakeEvent(ui_, input_, event)) return;
            if (builderdraw::builderTakesEvent(controller_.missionBuilder(), event, false)) return;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11) return toggleFullScreen();
            platform::hid::dispatchSdlEvent(event, input_, &joysticks_, windowHeight);
        });
    }

    // False once a quit was asked for and the save at quit went through (or failed once before:
    // the notice says where and why, and a second quit leaves without the save).
    bool goOn() {
        // Not behind the warm-up's loading screen: the last frame shown is the flight's.
        if (run_.quitDue() && !controller_.flightWaitsForWarmUp()) desktop_.requestQuit();
        if (!desktop_.quitRequested()) return true;
        if (quitUnsaved_ || controller_.saveForQuit()) return false;
        quitUnsaved_ = true;
        desktop_.cancelQuit();
        return true;
    }

    // The game does not draw its view while an input settings window is open. Paused, the view
    // shows the picture it keeps under the windows; otherwise the windows stand on a plain fill.
    void drawInputWindowsAlone() {
        if (!input_.isWindowOpen() || !ready_) return;
        if (!controller_.isRunning()) {
            viewLink_.drawRect(controller_.clock().GlobalMissionTime);
            return;
        }
        int width = 0, height = 0;
        window_.drawableSize(width, height);
        glViewport(0, 0, width, height);
        glClearColor(0.16f, 0.15f, 0.12f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawWindows();
        ui_.draw();
        run_.dumpFrame(window_, false);
        window_.swapBuffers();
    }

    void followRequests() {
        if (requests_.quit) desktop_.requestQuit();
        if (requests_.toggleFullScreen) toggleFullScreen();
        requests_ = {};
    }

    // What the windows ask of the program is kept till the pass follows it, however often they are built.
    uint64_t drawWindows() {
        return ui_.build([this] {
            const InterfaceRequests asked = drawInterface(controller_);
            requests_.quit |= asked.quit;
            requests_.toggleFullScreen |= asked.toggleFullScreen;
            drawInputWindows(input_, !controller_.isRunning());
        });
    }
    uint64_t buildWindows() {
        if (!built_) {
            print_ = drawWindows();
            built_ = true;
        }
        return print_;
    }
    // The loading screen a flight waits behind stands alone: the windows (the mouse-flying hint
    // opened with the flight) come with the flight's first frame.
    void drawOverFrame() {
        run_.frameSubmitted();
        const bool loading = view_.showsLoadingScreen();
        if (ready_ && !loading) {
            buildWindows();
            ui_.draw();
            built_ = false;
        }
        run_.windowsDrawn();
        run_.dumpFrame(window_, loading);
    }

    void toggleFullScreen() {
        window_.setFullScreen(!(SDL_GetWindowFlags(window_.sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP));
    }

    platform::GLWindow& window_;
    render::MyZephGLView& view_;
    ViewAdapter& viewLink_;
    platform::UiLayer& ui_;
    platform::SdlDesktop& desktop_;
    platform::hid::SdlJoysticks& joysticks_;
    input::PellamJoySub& input_;
    VADArizodazar2& controller_;
    GameNetwork& network_;
    ScriptedRun& run_;
    const FrameLink* frameLink_ = nullptr;  // set by attach(), before the first pass
    bool ready_ = false;        // the controller is awake: the windows may be built
    bool built_ = false;        // this pass's windows are built
    uint64_t print_ = 0;        // their print
    bool quitUnsaved_ = false;  // a quit whose save failed was turned back once
    InterfaceRequests requests_;
};

}  // namespace

int main(int, char**) {
    // Before any thread or file: a screen shot, a save or a log line past `ulimit -f` fails and is
    // told like a full disk, the flight going on.
    platform::failWritesPastTheFileSizeLimit();
    // A settings file that could not be read is logged by the store and told in the game.
    platform::UserDefaults& store = platform::UserDefaults::standard();
    ScriptedRun run;
    if (!displayReady()) return 2;
    render::MyZephGLView view(store);
    if (!openWindow(view, store)) return 1;
    platform::GLWindow& window = *view.getGLWindow();
    platform::UiLayer ui;
    if (!ui.start(window)) platform::logMessage("The menus and windows could not be started.");
    platform::SdlDesktop sdlDesktop(window);
    DesktopAdapter desktop(sdlDesktop);

    run.attachVirtualJoystick();
    platform::hid::SdlJoysticks joysticks;
    input::PellamJoySub input(&joysticks, store);
    input.awakeFromNib();
    InputLink inputLink(input);
    if (!run.startPlayerScript()) return 1;
    ui.setSteadyClock(run.scripted());

    ViewAdapter viewLink(view);
    GameNetwork network;
    VADArizodazar2 controller({&store, &viewLink, &inputLink, &desktop, &network},
                              {.makeSound = [&] { return makeSound(view); },
                               .populateWorld = {},
                               .makeTerrain = [&] { return readTerrain(view, controller); },
                               .objectView = &view,
                               .missionsFolder = {},
                               .draw = {},
                               .userMissionsFolder = run.userMissionsFolder()});
    network.attach(&controller);
    // Temporary files that saves killed before their rename left where the game writes; the
    // settings store removes its own as it opens.
    missions::removeStaleSaves(controller.userMissionsFolder());
    platform::removeStaleTemporaryFiles(platform::desktopFolder(), {".jpg", ".tif"});
    FrameLink frameLink(controller);
    view.setFrameServices(&frameLink);
    GameLoop loop(window, view, viewLink, ui, sdlDesktop, joysticks, input, controller, network, run);
    loop.attach(frameLink);

    controller.awakeFromNib();
    view.setDeferredShow(true);  // from the first frame on; the loading screens before it show at once
    loop.start();
    run.begin(controller, network);
    loop.run();

    run.end(view.getFramesRested());
    controller.applicationWillTerminate();
    // The game is gone from the screen at once; the process stays only while the quits of a
    // network game still go out (up to 3.5 s), which the network finishes as it is destroyed.
    network.closeNetworkRoutines();
    SDL_HideWindow(window.sdlWindow());  // unmapped before it returns
    loop.detach();
    ui.stop();
    return run.exitStatus();
}
