#pragma once
// A window with its own OpenGL compatibility context (fixed-function GL 1.x with the fog-coordinate
// extension), made through SDL. Only the renderer and the game shell include this.
#include <memory>
#include <string>

struct SDL_Window;

namespace pellam::platform {

struct WindowSpec {
    std::string title = "Pellam";
    int width = 1024;
    int height = 768;
    bool fullScreen = false;
    bool multisample = false;
    bool hidden = false;
    // Share textures and display lists with the context current at creation (the second window).
    bool shareWithCurrent = false;
};

class GLWindow {
public:
    // Nullptr, with the reason in `error`, when no window or no context could be made.
    static std::unique_ptr<GLWindow> create(const WindowSpec& spec, std::string& error);
    ~GLWindow();
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    void makeCurrent();
    void swapBuffers();
    // The drawable size in pixels.
    void drawableSize(int& width, int& height) const;
    bool setFullScreen(bool on);
    SDL_Window* sdlWindow() const { return window_; }
    uint32_t windowID() const;
    // True when the context lists the extension (GL_EXT_fog_coord and the like).
    static bool extensionSupported(const char* name);

private:
    GLWindow(SDL_Window* window, void* context) : window_(window), context_(context) {}
    SDL_Window* window_;
    void* context_;
};

// SDL's video subsystem, started once. False (with the reason) when there is no display.
bool startVideo(std::string& error);
void stopVideo();

}  // namespace pellam::platform
