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
    bool borderless = false;
    // A secondary window: shown without taking the keyboard focus, above the others, off the taskbar.
    bool secondary = false;
    // Top-left corner in screen pixels when `positioned`, else centred.
    bool positioned = false;
    int x = 0;
    int y = 0;
};

// The main display: bounds in screen pixels and bits per pixel of its current mode.
struct DisplayInfo {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;
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
    // Never null for a made-up name (GLVND stub): check extensionSupported first.
    static void* getProcAddress(const char* name);
    // 0 or 1; false when the driver refuses (no vsync under Xvfb).
    static bool setSwapInterval(int interval);
    // Whether the keyboard's events come to this window; asks the desktop to send them here.
    bool hasKeyboard() const;
    void takeKeyboard();
    // Keeps the window above every normal window (while flying), or lets it sink (for dialogs).
    void setAlwaysOnTop(bool onTop);

private:
    GLWindow(SDL_Window* window, void* context) : window_(window), context_(context) {}
    SDL_Window* window_;
    void* context_;
};

// SDL's video subsystem, started once. False (with the reason) when there is no display.
bool startVideo(std::string& error);
void stopVideo();
// Starts video when needed. False (with the reason) when there is no display a person could see:
// none at all, or only SDL's offscreen or dummy driver. PELLAM_ALLOW_NO_DISPLAY in the
// environment accepts those two, for runs where nobody needs to look.
bool hasDisplay(std::string& error);
// Starts video when needed. False (with the reason) when there is no display.
bool mainDisplayInfo(DisplayInfo& info, std::string& error);

}  // namespace pellam::platform
