#include "platform/ui/UiLayer.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/FlatDrawing.h"
#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "platform/Print.h"
#include "platform/PngImage.h"
#include "platform/TickCount.h"

namespace pellam::platform {
namespace {

// The game's own typeface (fonts-dejavu-core).
constexpr const char* kWindowFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// DejaVu Sans at 16 px on a window of 768 lines, larger in proportion on taller ones, so that the
// windows read at arm's length; without the file, ImGui's own font and one line saying so.
void loadWindowFont(ImGuiIO& io, GLWindow& window) {
    int width = 0, height = 0;
    SDL_GetWindowSize(window.sdlWindow(), &width, &height);
    const float pixels = std::clamp(std::round(16.0f * float(height) / 768.0f), 16.0f, 26.0f);
    if (!io.Fonts->AddFontFromFileTTF(kWindowFont, pixels))
        logMessage(std::string("The windows' font ") + kWindowFont + " could not be read: they use a plainer one.");
}

// A window that appears is measured in its first frame, sized in the next and given its resize
// grip in the one after: the frames built again at once, and the time each takes (s).
constexpr int kAgain = 2;
constexpr float kAgainSeconds = 1e-6f;

// A window ImGui began this frame for the first time since it was opened, and left undrawn.
bool appearedUnseen() {
    for (const ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
        if (w->Active && w->Appearing && w->Hidden) return true;
    return false;
}

}  // namespace

bool UiLayer::start(GLWindow& window) {
    if (started_) return true;
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // window positions are not written into the working folder
    loadWindowFont(io, window);
    ImGui::StyleColorsClassic();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 2.0f;
    // Opaque: a window in front hides the one behind, whose text would otherwise show through it.
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0.16f, 0.15f, 0.12f, 1.0f);
    style.Colors[ImGuiCol_PopupBg].w = 1.0f;
    style.Colors[ImGuiCol_TitleBgActive] = ImVec4(0.36f, 0.30f, 0.18f, 1.0f);
    style.Colors[ImGuiCol_TitleBg] = ImVec4(0.24f, 0.21f, 0.14f, 1.0f);
    style.Colors[ImGuiCol_Button] = ImVec4(0.42f, 0.36f, 0.22f, 1.0f);
    style.Colors[ImGuiCol_ButtonHovered] = ImVec4(0.55f, 0.47f, 0.28f, 1.0f);
    style.Colors[ImGuiCol_FrameBg] = ImVec4(0.28f, 0.26f, 0.20f, 1.0f);
    style.Colors[ImGuiCol_CheckMark] = ImVec4(0.92f, 0.85f, 0.62f, 1.0f);
    style.Colors[ImGuiCol_SliderGrab] = ImVec4(0.80f, 0.70f, 0.45f, 1.0f);
    if (!ImGui_ImplSDL2_InitForOpenGL(window.sdlWindow(), SDL_GL_GetCurrentContext())) {
        ImGui::DestroyContext();
        return false;
    }
    ImGui_ImplOpenGL2_Init();
    started_ = true;
    return true;
}

void UiLayer::stop() {
    if (!started_) return;
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    started_ = false;
}

bool UiLayer::processEvent(const SDL_Event& event) {
    if (!started_) return false;
    ImGui_ImplSDL2_ProcessEvent(&event);
    const ImGuiIO& io = ImGui::GetIO();
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT: return io.WantCaptureKeyboard;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: return io.WantCaptureMouse;
    default: return false;
    }
}

void UiLayer::newFrame() { beginFrame(false); }

void UiLayer::beginFrame(bool again) {
    if (!started_) return;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // A frame built again takes the least time ImGui allows: no key repeats, no double click.
    if (again) ImGui::GetIO().DeltaTime = kAgainSeconds;
    else if (steadyClock_) ImGui::GetIO().DeltaTime = 1.0f / 60.0f;
    ImGui::NewFrame();
}

uint64_t UiLayer::build(const std::function<void()>& windows) {
    newFrame();
    if (windows) windows();
    uint64_t print = finish();
    if (!started_ || !appearedUnseen()) return print;
    for (int k = 0; k < kAgain; ++k) {
        beginFrame(true);
        if (windows) windows();
        print = finish();
    }
    return print;
}

uint64_t UiLayer::finish() {
    if (!started_) return 0;
    ImGui::Render();
    const ImDrawData* d = ImGui::GetDrawData();
    uint64_t h = kPrintStart;
    if (!d || !d->Valid) return h;
    h = foldPrint(h, &d->DisplaySize, sizeof d->DisplaySize);
    h = foldPrint(h, &d->FramebufferScale, sizeof d->FramebufferScale);
    for (int l = 0; l < d->CmdListsCount; ++l) {
        const ImDrawList* list = d->CmdLists[l];
        h = foldPrint(h, list->VtxBuffer.Data, size_t(list->VtxBuffer.Size) * sizeof(ImDrawVert));
        h = foldPrint(h, list->IdxBuffer.Data, size_t(list->IdxBuffer.Size) * sizeof(ImDrawIdx));
        for (const ImDrawCmd& c : list->CmdBuffer) {
            h = foldPrint(h, &c.ClipRect, sizeof c.ClipRect);
            h = foldPrint(h, &c.TextureId, sizeof c.TextureId);
            h = foldPrint(h, &c.VtxOffset, sizeof c.VtxOffset);
            h = foldPrint(h, &c.IdxOffset, sizeof c.IdxOffset);
            h = foldPrint(h, &c.ElemCount, sizeof c.ElemCount);
        }
    }
    return h;
}

void UiLayer::draw() {
    ImDrawData* d = started_ ? ImGui::GetDrawData() : nullptr;
    if (!d || d->TotalVtxCount == 0) return;  // a flight without windows: the GL untouched
    const FlatDrawing flat;
    ImGui_ImplOpenGL2_RenderDrawData(d);
}

bool UiLayer::wantsKeyboard() const { return started_ && ImGui::GetIO().WantCaptureKeyboard; }

SdlDesktop::~SdlDesktop() {
    for (void* cursor : cursors_)
        if (cursor) SDL_FreeCursor(static_cast<SDL_Cursor*>(cursor));
}

SdlDesktop::SdlDesktop(GLWindow& window) : window_(window) {
    // The game's window closed is the game's quit: a quit is not made up of the second view's
    // close whenever that is the last window SDL knows of. SDL_QUIT then comes from a signal.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
}

bool SdlDesktop::pumpEvents(const std::function<void(const SDL_Event&)>& handler) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) quit_ = true;
        // Another window's close box (the second view's) is the handler's to follow.
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
            event.window.windowID == window_.windowID())
            quit_ = true;
        if (handler) handler(event);
    }
    return !quit_;
}

bool SdlDesktop::isApplicationActive() const {
    // Any of the game's windows: the second view takes the keyboard as it opens on an X server
    // without a window manager, and the flight goes on under it.
    return SDL_GetKeyboardFocus() != nullptr;
}

void SdlDesktop::setCursor(int32_t type, const std::string& ballImagePath) {
    if (type < 0 || type > 2) return;
    if (!cursors_[type]) {
        SDL_Cursor* cursor = nullptr;
        if (type == 1) {
            RGBAImage image;
            if (readPng(ballImagePath, image)) {
                SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
                    image.pixels.data(), image.width, image.height, 32, image.width * 4, SDL_PIXELFORMAT_RGBA32);
                if (surface) {
                    cursor = SDL_CreateColorCursor(surface, 7, 7);
                    SDL_FreeSurface(surface);
                }
            }
        }
        if (!cursor)
            cursor = SDL_CreateSystemCursor(type == 0 ? SDL_SYSTEM_CURSOR_ARROW : SDL_SYSTEM_CURSOR_CROSSHAIR);
        cursors_[type] = cursor;
    }
    if (cursors_[type]) SDL_SetCursor(static_cast<SDL_Cursor*>(cursors_[type]));
}

void SdlDesktop::showCursor(bool shown) { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }

void SdlDesktop::centrePointer() {
    int width = 0, height = 0;
    SDL_GetWindowSize(window_.sdlWindow(), &width, &height);
    SDL_WarpMouseInWindow(window_.sdlWindow(), width / 2, height / 2);
}

void SdlDesktop::sleepUntilTick(uint32_t tick) { platform::sleepUntilTick(static_cast<int32_t>(tick)); }

}  // namespace pellam::platform
