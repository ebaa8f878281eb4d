// pellam: the game. Makes the view, the sound and the input objects, hands them to the
// controller, and runs one frame per loop until the player quits.
//
// For the headless smoke test: PELLAM_AUTOQUIT_SECONDS ends the run after that many seconds,
// PELLAM_AUTOFLY signs the first pilot in and starts flying at once, and PELLAM_FRAME_DUMP names
// a PNG file that receives the last frame. For the frame-rate script in bench/: PELLAM_FRAME_TIMES
// names a text file that receives, at quit, the milliseconds between frames, one a line, and a
// last line with the process's processor seconds and the run's wall seconds. For the player tests:
// PELLAM_VIRTUAL_JOYSTICK attaches a virtual stick (4 axes, 12 buttons, a hat) and
// PELLAM_PLAYER_SCRIPT plays a player's actions. For the network test, after PELLAM_AUTOFLY:
// PELLAM_NETWORK_HOST=PORT hosts the mission (any free port for 0, logged) and takes every joiner
// in; PELLAM_NETWORK_JOIN=A.B.C.D:PORT asks that host to take this pilot in (blue, in a D.VII).
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "game/InputLink.h"
#include "game/GameNetwork.h"
#include "game/app/GameAdapters.h"
#include "game/app/PlayerScript.h"
#include "game/InputWindowsDrawing.h"
#include "builder/draw/BuilderWindow.h"
#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "input/PellamJoySub.h"
#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/TickCount.h"
#include "platform/UserDefaults.h"
#include "platform/hid/SdlInput.h"
#include "platform/hid/SdlJoysticks.h"
#include "platform/ui/UiLayer.h"
#include "render/MyZephGLView.h"
#include "sound/PellamSound.h"
#include "world/RIDUdidav.h"

namespace {

using namespace pellam;

void dumpFrame(const std::string& path, int width, int height) {
    platform::RGBAImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    const size_t row = static_cast<size_t>(width) * 4;  // GL rows run bottom to top
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(image.pixels.begin() + y * row, image.pixels.begin() + (y + 1) * row,
                         image.pixels.begin() + (height - 1 - y) * row);
    if (!platform::writePng(path, image)) platform::logMessage("Could not write the frame to " + path);
}

}  // namespace

int main(int, char**) {
    // A settings file that could not be read is logged by the store and told in the game.
    platform::UserDefaults& store = platform::UserDefaults::standard();

    if (std::string why; !platform::hasDisplay(why)) {
        platform::logMessage(why);
        return 2;
    }
    render::MyZephGLView view(store);
    if (!view.initWithFrame(render::ZephGLView::preferredFrame(store))) {
        platform::logMessage("Cannot open the game window: " + view.creationError());
        return 1;
    }
    platform::GLWindow& window = *view.getGLWindow();
    window.makeCurrent();
    platform::UiLayer ui;
    if (!ui.start(window)) platform::logMessage("The menus and windows could not be started.");
    platform::SdlDesktop sdlDesktop(window);
    DesktopAdapter desktop(sdlDesktop);

    int virtualStick = -1;
    if (std::getenv("PELLAM_VIRTUAL_JOYSTICK")) {
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0)
            virtualStick = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1);
        if (virtualStick < 0) platform::logMessage(std::string("No virtual joystick: ") + SDL_GetError());
    }
    platform::hid::SdlJoysticks joysticks;
    input::PellamJoySub input(&joysticks, store);
    input.awakeFromNib();
    InputLink inputLink(input);
    SDL_Joystick* scriptStick =
        virtualStick >= 0 ? SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(virtualStick)) : nullptr;
    std::unique_ptr<PlayerScript> script;
    if (const char* path = std::getenv("PELLAM_PLAYER_SCRIPT")) {
        script = std::make_unique<PlayerScript>();
        std::string error;
        if (!script->load(path, error)) {
            platform::logMessage(error);
            return 1;
        }
    }

    ViewAdapter viewLink(view);
    GameNetwork network;
    VADArizodazar2 controller(
        {&store, &viewLink, &inputLink, &desktop, &network},
        {[&]() -> std::unique_ptr<ControllerSound> {
             auto sound = std::make_unique<SoundAdapter>();
             view.setTheSounds(&sound->sound);
             return sound;
         },
         {},
         // The terrain of the Western Front, read once for the whole run.
         [&]() -> std::unique_ptr<ZephModel> {
             auto terrain = std::make_unique<RIDUdidav>();
             if (terrain->initWithGLView(&view)) return terrain;
             // The terrain has logged why; the player is told and cannot fly.
             controller.reportWorldProblem(terrain->lastError());
             return nullptr;
         },
         &view});
    network.attach(&controller);
    FrameLink frameLink(controller);
    view.setFrameServices(&frameLink);

    // The menus and windows go onto every frame the view finishes, just before it is shown.
    bool uiReady = false;
    InterfaceRequests requests;
    const char* dumpPath = std::getenv("PELLAM_FRAME_DUMP");
    bool dumpNow = false;
    // A resting frame asks for the windows' print before anything is drawn; they are built once a frame.
    bool uiBuilt = false;
    uint64_t uiPrint = 0;
    const auto buildUi = [&] {
        if (!uiBuilt) {
            ui.newFrame();
            requests = drawInterface(controller);
            drawInputWindows(input, !controller.gamePause);
            uiPrint = ui.finish();
            uiBuilt = true;
        }
        return uiPrint;
    };
    frameLink.setToolkitPrint([&] { return uiReady ? buildUi() : 0; });
    view.setFrameObserver([&] {
        if (uiReady) {
            buildUi();
            ui.draw();
            uiBuilt = false;
        }
        if (dumpNow && dumpPath) {
            int width = 0, height = 0;
            window.drawableSize(width, height);
            dumpFrame(dumpPath, width, height);
        }
    });

    controller.awakeFromNib();
    uiReady = true;
    if (std::getenv("PELLAM_AUTOFLY")) {
        controller.fromPlayerSignInOkay();
        controller.doSelectMission = false;
        controller.fromFlyMissionButton();
    }
    const bool autoAccept = std::getenv("PELLAM_NETWORK_HOST") != nullptr;
    if (autoAccept) {
        // Port 0 takes any free port; the log names the one taken, for whoever is to join.
        if (controller.hostNetworkGame(static_cast<uint16_t>(std::atoi(std::getenv("PELLAM_NETWORK_HOST"))),
                                       controller.missionState().CurrentMissionNumber))
            platform::logMessage("Hosting on port " + std::to_string(network.localPort()));
        else
            platform::logMessage("Cannot host: " + network.startError());
    }
    if (const char* join = std::getenv("PELLAM_NETWORK_JOIN")) {
        unsigned a = 0, b = 0, c = 0, d = 0, port = 0;
        if (std::sscanf(join, "%u.%u.%u.%u:%u", &a, &b, &c, &d, &port) != 5 ||
            !controller.joinNetworkGame(a << 24 | b << 16 | c << 8 | d, static_cast<uint16_t>(port), 2, 64))
            platform::logMessage(std::string("Cannot join ") + join + ": " + network.startError());
    }

    const char* quitAfter = std::getenv("PELLAM_AUTOQUIT_SECONDS");
    const int32_t quitTick = quitAfter ? platform::TickCount() + static_cast<int32_t>(std::atof(quitAfter) * 60) : -1;
    auto toggleFullScreen = [&] {
        window.setFullScreen(!(SDL_GetWindowFlags(window.sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP));
    };

    bool quitUnsaved = false;  // a quit whose save failed was turned back once
    const char* frameTimesPath = std::getenv("PELLAM_FRAME_TIMES");
    std::vector<float> frameTimes;
    if (frameTimesPath) frameTimes.reserve(1 << 17);  // no allocation per frame
    using Clock = std::chrono::steady_clock;
    const Clock::time_point runStart = Clock::now();
    const std::clock_t runCpuStart = std::clock();  // loading left out
    Clock::time_point lastFrame = runStart;

    for (bool running = true; running;) {
        int windowWidth = 0, windowHeight = 0;
        SDL_GetWindowSize(window.sdlWindow(), &windowWidth, &windowHeight);
        if (script && !script->step(window.sdlWindow(), window.windowID(), controller, input, scriptStick))
            sdlDesktop.requestQuit();
        uiBuilt = false;
        sdlDesktop.pumpEvents([&](const SDL_Event& event) {
            // Anything but a stick's axis (which may tremble) shows the next frame in full.
            if (event.type != SDL_JOYAXISMOTION && event.type != SDL_CONTROLLERAXISMOTION) view.showNextFrame();
            // Ctrl-Q quits whatever has the keyboard, a text field included.
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_q && (event.key.keysym.mod & KMOD_CTRL))
                return sdlDesktop.requestQuit();
            if (inputWindowsTakeEvent(ui, input, event)) return;
            if (builderdraw::builderTakesEvent(controller.missionBuilder(), event, false)) return;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11) return toggleFullScreen();
            platform::hid::dispatchSdlEvent(event, input, &joysticks, windowHeight);
        });
        if (quitTick >= 0 && platform::TickCount() >= quitTick) sdlDesktop.requestQuit();
        running = !sdlDesktop.quitRequested();
        if (!running && !quitUnsaved && !controller.saveForQuit()) {
            // The notice says where and why; a second quit leaves without the save.
            quitUnsaved = true;
            sdlDesktop.cancelQuit();
            running = true;
        }
        dumpNow = !running;
        if (dumpNow) view.showNextFrame();

        controller.timerLooper();
        if (autoAccept && network.getJoinerPending()) network.acceptJoinerPublic();
        // The game does not draw its view while an input settings window is open. Paused, the view
        // shows the picture it keeps under the windows; otherwise the windows stand on a plain fill.
        if (input.isWindowOpen() && uiReady && !controller.gamePause) {
            viewLink.drawRect(controller.GlobalMissionTime);
        } else if (input.isWindowOpen() && uiReady) {
            int width = 0, height = 0;
            window.drawableSize(width, height);
            glViewport(0, 0, width, height);
            glClearColor(0.16f, 0.15f, 0.12f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            ui.newFrame();
            requests = drawInterface(controller);
            drawInputWindows(input, !controller.gamePause);
            ui.render();
            if (dumpNow && dumpPath) dumpFrame(dumpPath, width, height);
            window.swapBuffers();
        }
        if (frameTimesPath && frameTimes.size() < frameTimes.capacity()) {
            const Clock::time_point now = Clock::now();
            frameTimes.push_back(std::chrono::duration<float, std::milli>(now - lastFrame).count());
            lastFrame = now;
        }

        if (requests.quit) sdlDesktop.requestQuit();
        if (requests.toggleFullScreen) toggleFullScreen();
        requests = {};
    }
    if (frameTimesPath) {
        std::ofstream out(frameTimesPath);
        for (float ms : frameTimes) out << ms << '\n';
        out << "# cpu " << double(std::clock() - runCpuStart) / CLOCKS_PER_SEC << " wall "
            << std::chrono::duration<double>(Clock::now() - runStart).count() << '\n';
        out << "# rested " << view.getFramesRested() << '\n';  // frames the window kept from the last
        if (!out) platform::logMessage(std::string("Cannot write the frame times to ") + frameTimesPath);
    }
    controller.applicationWillTerminate();
    view.setFrameObserver({});
    ui.stop();
    return script && (script->failed() || !script->finished()) ? 1 : 0;
}
