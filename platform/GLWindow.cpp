#include "platform/GLWindow.h"

#include <SDL.h>

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
    SDL_Window* window = SDL_CreateWindow(spec.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          spec.width, spec.height, flags);
    if (!window && spec.multisample) {
        // No multisampled visual: fall back to a plain one rather than to no window at all.
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
        window = SDL_CreateWindow(spec.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, spec.width,
                                  spec.height, flags);
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
    SDL_GL_SetSwapInterval(1);  // no vsync under Xvfb; harmless
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

}  // namespace pellam::platform
