#include "platform/GLWindow.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace pellam::platform {

bool startVideo(std::string& error) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        error = SDL_GetError();
        return false;
    }
    return true;
}

bool hasDisplay(std::string& error) {
    if (!startVideo(error)) return false;
    // SDL falls back to these when there is no display server: they draw where nobody looks.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool unseen = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (!unseen || std::getenv("PELLAM_ALLOW_NO_DISPLAY")) return true;
    error = std::string("Pellam needs a display to show its window, and there is none (SDL's \"") + driver +
            "\" video driver draws nowhere). Start it on a desktop, where DISPLAY or WAYLAND_DISPLAY is set.";
    return false;
}

void stopVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
}

std::unique_ptr<GLWindow> GLWindow::create(const WindowSpec& spec, std::string& error) {
    if (!startVideo(error)) return nullptr;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, spec.multisample ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, spec.multisample ? 4 : 0);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, spec.shareWithCurrent ? 1 : 0);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (spec.fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (spec.hidden) flags |= SDL_WINDOW_HIDDEN;
    if (spec.borderless) flags |= SDL_WINDOW_BORDERLESS;
    if (spec.secondary) flags |= SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, spec.secondary ? "1" : "0");
    const int x = spec.positioned ? spec.x : SDL_WINDOWPOS_CENTERED;
    const int y = spec.positioned ? spec.y : SDL_WINDOWPOS_CENTERED;
    SDL_Window* window = SDL_CreateWindow(spec.title.c_str(), x, y, spec.width, spec.height, flags);
    if (!window && spec.multisample) {
        // No multisampled visual: fall back to a plain one rather than to no window at all.
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
        window = SDL_CreateWindow(spec.title.c_str(), x, y, spec.width, spec.height, flags);
    }
    if (!window) {
        error = SDL_GetError();
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        error = SDL_GetError();
        SDL_DestroyWindow(window);
        return nullptr;
    }
    // The game paces its frames on the 60 Hz tick; a swap that also waited for the display's refresh
    // would wait a second time, up to a whole tick (16.7 ms). The frame-sync preference turns it on.
    SDL_GL_SetSwapInterval(0);
    return std::unique_ptr<GLWindow>(new GLWindow(window, context));
}

GLWindow::~GLWindow() {
    SDL_GL_DeleteContext(context_);
    SDL_DestroyWindow(window_);
}

void GLWindow::makeCurrent() { SDL_GL_MakeCurrent(window_, context_); }

void GLWindow::swapBuffers() { SDL_GL_SwapWindow(window_); }

void GLWindow::drawableSize(int& width, int& height) const { SDL_GL_GetDrawableSize(window_, &width, &height); }

bool GLWindow::setFullScreen(bool on) {
    return SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
}

uint32_t GLWindow::windowID() const { return SDL_GetWindowID(window_); }

bool GLWindow::extensionSupported(const char* name) { return SDL_GL_ExtensionSupported(name) == SDL_TRUE; }

void* GLWindow::getProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

bool GLWindow::setSwapInterval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

bool GLWindow::hasKeyboard() const { return SDL_GetKeyboardFocus() == window_; }

void GLWindow::takeKeyboard() { SDL_SetWindowInputFocus(window_); }

void GLWindow::setAlwaysOnTop(bool onTop) {
    SDL_SetWindowAlwaysOnTop(window_, onTop ? SDL_TRUE : SDL_FALSE);
    if (onTop) SDL_RaiseWindow(window_);
}

bool mainDisplayInfo(DisplayInfo& info, std::string& error) {
    if (!startVideo(error)) return false;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) != 0) {
        error = SDL_GetError();
        return false;
    }
    info.x = bounds.x;
    info.y = bounds.y;
    info.width = bounds.w;
    info.height = bounds.h;
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && SDL_BITSPERPIXEL(mode.format) > 0) {
        // SDL reports 24 for a 32-bit XRGB visual; the frame buffer still holds 4 bytes a pixel.
        const int bits = SDL_BITSPERPIXEL(mode.format);
        info.bitsPerPixel = bits == 24 ? 32 : bits;
    }
    return true;
}

}  // namespace pellam::platform
