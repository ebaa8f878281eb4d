// pellam: opens the game window and runs until it is closed.
//
// Two environment variables serve the headless smoke test: PELLAM_AUTOQUIT_SECONDS ends the run
// after that many seconds, and PELLAM_FRAME_DUMP names a PNG file that receives the last frame.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <string>

#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "platform/PngImage.h"
#include "platform/Random.h"
#include "platform/TickCount.h"

namespace {

using namespace pellam;

// A summer sky over the Front: haze toward the horizon, the brown-green of the fields below.
void drawHorizon() {
    glClearColor(0.50f, 0.64f, 0.80f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
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

void dumpFrame(const std::string& path, int width, int height) {
    platform::RGBAImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    // GL rows run bottom to top.
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(image.pixels.begin() + y * row, image.pixels.begin() + (y + 1) * row,
                         image.pixels.begin() + (height - 1 - y) * row);
    if (!platform::writePng(path, image)) platform::logMessage("Could not write the frame to " + path);
}

}  // namespace

int main(int, char**) {
    platform::seedRandomFromSystem();
    std::string error;
    platform::WindowSpec spec;
    spec.title = "Pellam";
    auto window = platform::GLWindow::create(spec, error);
    if (!window) {
        platform::logMessage("Cannot open the game window: " + error);
        return 1;
    }

    const char* quitAfter = std::getenv("PELLAM_AUTOQUIT_SECONDS");
    const char* dumpPath = std::getenv("PELLAM_FRAME_DUMP");
    const int32_t quitTick = quitAfter ? platform::TickCount() + static_cast<int32_t>(std::atof(quitAfter) * 60) : -1;

    for (bool running = true; running;) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) running = false;
        if (quitTick >= 0 && platform::TickCount() >= quitTick) running = false;

        int width = 0, height = 0;
        window->drawableSize(width, height);
        glViewport(0, 0, width, height);
        drawHorizon();
        if (!running && dumpPath) dumpFrame(dumpPath, width, height);
        window->swapBuffers();
        SDL_Delay(1);
    }
    window.reset();
    platform::stopVideo();
    SDL_Quit();
    return 0;
}
