// pellam: the game. Opens the window, builds the controller and runs one frame per loop until
// the player quits.
//
// For the headless smoke test: PELLAM_AUTOQUIT_SECONDS ends the run after that many seconds,
// PELLAM_AUTOFLY signs the first pilot in and starts flying at once, and PELLAM_FRAME_DUMP names
// a PNG file that receives the last frame.
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/TickCount.h"
#include "platform/UserDefaults.h"
#include "platform/ui/UiLayer.h"

namespace {

using namespace pellam;

// The view until the renderer draws the world: a summer sky over the Front, haze toward the
// horizon, the brown-green of the fields below.
class SkyView : public ControllerView {
public:
    explicit SkyView(platform::GLWindow& window) : window_(window) {}
    void drawRect(int32_t) override {
        int width = 0, height = 0;
        window_.drawableSize(width, height);
        glViewport(0, 0, width, height);
        glClearColor(0.50f, 0.64f, 0.80f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glShadeModel(GL_SMOOTH);
        glBegin(GL_QUADS);
        glColor3f(0.36f, 0.52f, 0.74f);
        glVertex2f(-1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glColor3f(0.80f, 0.84f, 0.86f);
        glVertex2f(1.0f, -0.1f);
        glVertex2f(-1.0f, -0.1f);
        glColor3f(0.56f, 0.58f, 0.50f);
        glVertex2f(-1.0f, -0.1f);
        glVertex2f(1.0f, -0.1f);
        glColor3f(0.33f, 0.38f, 0.22f);
        glVertex2f(1.0f, -1.0f);
        glVertex2f(-1.0f, -1.0f);
        glEnd();
    }

private:
    platform::GLWindow& window_;
};

class Desktop : public ControllerDesktop {
public:
    explicit Desktop(platform::SdlDesktop& desktop) : desktop_(desktop) {}
    bool isApplicationActive() override { return desktop_.isApplicationActive(); }
    void setCursor(int32_t type) override {
        desktop_.setCursor(type, platform::resourcesFolder() + "mposfeedback.png");
    }
    void showCursor(bool shown) override { desktop_.showCursor(shown); }
    void sleepUntilTick(uint32_t tick) override { desktop_.sleepUntilTick(tick); }
    void terminate() override { desktop_.requestQuit(); }

private:
    platform::SdlDesktop& desktop_;
};

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
    platform::UserDefaults& store = platform::UserDefaults::standard();
    std::string error;
    platform::WindowSpec spec;
    spec.title = "Pellam";
    if (store.boolForKey("UseSmallWindowKey").value_or(false)) {
        spec.width = 640;
        spec.height = 480;
    }
    spec.multisample = store.boolForKey("UseAntiAliasingKey").value_or(false);
    auto window = platform::GLWindow::create(spec, error);
    if (!window) {
        platform::logMessage("Cannot open the game window: " + error);
        return 1;
    }
    window->makeCurrent();
    platform::UiLayer ui;
    if (!ui.start(*window)) platform::logMessage("The menus and windows could not be started.");
    platform::SdlDesktop sdlDesktop(*window);
    Desktop desktop(sdlDesktop);
    SkyView view(*window);

    VADArizodazar2 controller({&store, &view, nullptr, &desktop, nullptr}, {});
    controller.awakeFromNib();
    if (std::getenv("PELLAM_AUTOFLY")) {
        controller.fromPilotSignInOK();
        controller.doSelectMission = false;
        controller.fromFlyMissionButton();
    }

    const char* quitAfter = std::getenv("PELLAM_AUTOQUIT_SECONDS");
    const char* dumpPath = std::getenv("PELLAM_FRAME_DUMP");
    const int32_t quitTick = quitAfter ? platform::TickCount() + static_cast<int32_t>(std::atof(quitAfter) * 60) : -1;

    for (bool running = true; running;) {
        running = sdlDesktop.pumpEvents([&](const SDL_Event& event) {
            if (ui.processEvent(event)) return;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11)
                window->setFullScreen(!(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP));
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_q && (event.key.keysym.mod & KMOD_CTRL))
                sdlDesktop.requestQuit();
        });
        if (quitTick >= 0 && platform::TickCount() >= quitTick) running = false;

        controller.timerLooper();
        ui.newFrame();
        const InterfaceRequests requests = drawInterface(controller);
        ui.render();
        if (requests.quit) sdlDesktop.requestQuit();
        if (requests.toggleFullScreen)
            window->setFullScreen(!(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP));
        running = running && !sdlDesktop.quitRequested();
        if (!running && dumpPath) {
            int width = 0, height = 0;
            window->drawableSize(width, height);
            dumpFrame(dumpPath, width, height);
        }
        window->swapBuffers();
    }
    controller.applicationWillTerminate();
    ui.stop();
    window.reset();
    platform::stopVideo();
    SDL_Quit();
    return 0;
}
