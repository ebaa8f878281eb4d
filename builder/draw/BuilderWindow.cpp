#include "builder/draw/BuilderWindow.h"

#include <GL/gl.h>
#include <imgui.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "builder/MissionBuilder.h"
#include "builder/draw/BuilderLayout.h"
#include "builder/draw/EditingTabs.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"

namespace pellam::builderdraw {
namespace {

using builder::BuilderControls;
using builder::MissionBuilder;

std::map<std::string, ItemPlace> places;
long drawings = 0;

void remember(const std::string& label) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    places[label] = {a.x, a.y, b.x, b.y, drawings};
}

// The room inside the current window, as `label`.
void rememberRoom(const std::string& label) {
    const ImVec2 at = ImGui::GetWindowPos();
    const ImVec2 a = ImGui::GetWindowContentRegionMin(), b = ImGui::GetWindowContentRegionMax();
    places[label] = {at.x + a.x, at.y + a.y, at.x + b.x, at.y + b.y, drawings};
}

bool button(const char* label) {
    const bool pressed = ImGui::Button(label);
    remember(label);
    return pressed;
}

// Carriage returns separate the lines of the builder's texts.
void lines(const std::string& text) {
    std::string shown = text;
    std::replace(shown.begin(), shown.end(), '\r', '\n');
    ImGui::TextUnformatted(shown.c_str());
}

// A number field whose edit is the control's action (Return or leaving the field); typing into
// it, as into any of the builder's fields, leaves the mission unsaved.
bool numberField(const char* label, double& value, int tag, MissionBuilder& b) {
    fitNextItem(120, label);
    if (ImGui::InputDouble(label, &value, 0, 0, "%.1f")) b.notsaved();
    remember(label);
    if (!ImGui::IsItemDeactivatedAfterEdit()) return false;
    b.fromMBMenu(tag);
    return true;
}

// The picture of the Western Front from the game's data, as a GL texture made on first use; 0
// when it cannot be read.
GLuint worldMap() {
    static GLuint texture = 0;
    static bool tried = false;
    if (tried) return texture;
    tried = true;
    platform::RGBAImage map;
    if (!platform::readPng(platform::resourcesFolder() + "WWIWorldMap.png", map, platform::kLargestShownPicture) ||
        map.width <= 0)
        return 0;
    platform::shrinkToFit(map, 200, 200);  // px: as the world tab shows it
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, map.width, map.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, map.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// A slider whose every move is the control's action.
void slider(const char* label, double& value, float low, float high, const char* format, int tag, MissionBuilder& b) {
    float shown = float(value);
    fitNextItem(220, label);
    if (ImGui::SliderFloat(label, &shown, low, high, format)) {
        value = shown;
        b.fromMBMenu(tag);
    }
    remember(label);
}

void worldTab(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    const auto worlds = MissionBuilder::worldMenuTitles();
    c.worldMenu = std::clamp(c.worldMenu, 0, int(worlds.size()) - 1);
    fitNextItem(220, "World");
    if (ImGui::BeginCombo("World", worlds[c.worldMenu].c_str())) {
        for (int i = 0; i < int(worlds.size()); ++i) {
            const bool chosen = ImGui::Selectable(worlds[i].c_str(), i == c.worldMenu);
            remember("World/" + worlds[i]);
            if (chosen) {
                c.worldMenu = i;
                b.fromMBMenu(builder::kTagWorldMenu);
            }
        }
        ImGui::EndCombo();
    }
    remember("World");
    ImGui::TextWrapped("%s", c.worldDescription.c_str());
    if (c.showsWorldMap)
        if (const GLuint map = worldMap()) ImGui::Image(reinterpret_cast<ImTextureID>(uintptr_t(map)), ImVec2(200, 200));
    if (button("Add World")) b.fromMBMenu(builder::kTagAddWorld);
    ImGui::Separator();
    slider("Camera height", c.altSlider, 0, 100, "%.0f", builder::kTagAltSlider, b);
    if (!c.worldShortcuts.empty()) {
        c.worldShortcut = std::clamp(c.worldShortcut, 0, int(c.worldShortcuts.size()) - 1);
        fitNextItem(220, "Go to");
        if (ImGui::BeginCombo("Go to", c.worldShortcuts[c.worldShortcut].c_str())) {
            for (int i = 0; i < int(c.worldShortcuts.size()); ++i) {
                const bool chosen = ImGui::Selectable(c.worldShortcuts[i].c_str(), i == c.worldShortcut);
                remember("Go to/" + c.worldShortcuts[i]);
                if (chosen) {
                    c.worldShortcut = i;
                    b.fromMBMenu(builder::kTagPlaces);
                }
            }
            ImGui::EndCombo();
        }
        remember("Go to");
    }
    lines(c.viewingPosition);
    if (b.MBTerrainLoadedFlag) {
        ImGui::Separator();
        quickDogfightFields(b);
    }
}

// A tab bar whose choice the builder may refuse; `current` is the tab shown, every frame. A click
// counts in the frame it comes, however the pointer got there: ImGui's own tab press is lost when the
// pointer was over another item in the frame before, as it is when a quick hand moves and clicks
// between two of the paused game's frames. It takes effect a frame later, so that a field being
// typed into sees the click outside it and keeps what was typed.
void tabBar(const char* id, const std::vector<std::string>& titles, int& current, int& clicked,
            const std::function<bool(int)>& mayChoose) {
    if (clicked >= 0 && clicked != current && mayChoose(clicked)) current = clicked;
    clicked = -1;
    if (!ImGui::BeginTabBar(id)) return;
    for (int i = 0; i < int(titles.size()); ++i) {
        if (ImGui::BeginTabItem(titles[i].c_str(), nullptr, i == current ? ImGuiTabItemFlags_SetSelected : 0))
            ImGui::EndTabItem();
        if (ImGui::IsMouseClicked(ImGuiMouseButton_Left) &&
            ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem))
            clicked = i;
        remember(std::string(id) + "/" + titles[i]);
    }
    ImGui::EndTabBar();
}

// Aircraft 1 to 8: their numbers as the tabs' titles after the one word they share, each tab wide
// enough to hit, so that all eight read whole in the narrowest panel.
void aircraftTab(MissionBuilder& b) {
    static const std::vector<std::string> kTitles = {"1", "2", "3", "4", "5", "6", "7", "8"};
    static int clicked = -1;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Aircraft");
    ImGui::SameLine();
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                        ImVec2(0.6f * ImGui::GetFontSize(), ImGui::GetStyle().FramePadding.y));
    tabBar("Aircraft", kTitles, b.controls().aircraftTab, clicked,
           [&](int tab) { return b.tabViewShouldSelect(true, tab); });
    ImGui::PopStyleVar();
}

// The weather is saved with the mission: a slider or the ceiling's box moved marks it unsaved, so
// leaving the builder asks before the change is lost.
void weatherTab(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    const double visibility = c.visibility, ceiling = c.ceiling;
    slider("Visibility", c.visibility, 1, 100, "%.1f", builder::kTagVisibility, b);
    numberField("Visibility (typed)", c.visibilityFB, builder::kTagVisibilityFB, b);
    slider("Cloud ceiling (ft)", c.ceiling, 1, 50000, "%.0f", builder::kTagCeiling, b);
    if (c.visibility != visibility || c.ceiling != ceiling) b.notsaved();
    numberField("Ceiling (typed, ft)", c.ceilingFB, builder::kTagCeilingFB, b);
    fitNextItem(120, "Deck thickness (ft)");
    if (ImGui::InputDouble("Deck thickness (ft)", &c.thickness, 0, 0, "%.0f")) b.notsaved();
    groundClutterPopUp(b);
    bool on = c.ceilingCheck == 1;
    if (ImGui::Checkbox("Cloud ceiling on", &on)) {
        c.ceilingCheck = on ? 1 : 0;
        b.fromMBMenu(builder::kTagCeilingOnOff);
        b.notsaved();
    }
    remember("Cloud ceiling on");
    fitNextItem(120, "Wind (mph)");
    if (ImGui::InputDouble("Wind (mph)", &c.windSpeed, 0, 0, "%.0f")) b.notsaved();
    fitNextItem(120, "Wind from (deg)");
    if (ImGui::InputDouble("Wind from (deg)", &c.windDirection, 0, 0, "%.0f")) b.notsaved();
}

// The main tabs; a refused choice (no world yet) leaves the tab shown before.
void tabs(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    static const std::vector<std::string> kTitles = {"World", "Objects", "Aircraft", "Weather", "Victory", "Paths"};
    static int clicked = -1;
    tabBar("Tab", kTitles, c.mainTab, clicked, [&](int tab) { return b.tabViewShouldSelect(false, tab); });
    // Only the page scrolls, each with its own place: the buttons and tabs above it stay put, so
    // a scrolled page never moves a tab from under the pointer.
    ImGui::BeginChild(("Page " + kTitles[std::clamp(c.mainTab, 0, int(kTitles.size()) - 1)]).c_str());
    rememberRoom("Page");
    switch (c.mainTab) {
    case builder::kTabWorld: worldTab(b); break;
    case builder::kTabObjects: objectsTab(b); break;
    case builder::kTabAircraft:
        aircraftTab(b);
        aircraftPages(b);
        break;
    case builder::kTabWeather: weatherTab(b); break;
    case builder::kTabVictory: victoryTab(b); break;
    case builder::kTabPaths: pathTable(b); break;
    default: break;
    }
    ImGui::EndChild();
}

void cancelSheet(MissionBuilder& b) {
    if (!b.controls().cancelSheetShown) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f, viewport->WorkPos.y + 120),
                            ImGuiCond_Always, ImVec2(0.5f, 0));
    ImGui::SetNextWindowFocus();
    if (ImGui::Begin("Unsaved Changes", nullptr,
                     ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoMove)) {
        ImGui::TextUnformatted("This mission has changes that are not saved.");
        if (button("Discard Changes")) b.fromMBMenu(builder::kTagDiscardAndLeave);
        ImGui::SameLine();
        if (button("Cancel")) b.fromMBMenu(builder::kTagCancelSheet);
    }
    ImGui::End();
}

}  // namespace

void rememberBuilderItem(const std::string& label) { remember(label); }

PanelFont windowsFont() {
    PanelFont font;
    if (!ImGui::GetCurrentContext() || ImGui::GetIO().Fonts->Fonts.empty()) return font;
    font.pixels = ImGui::GetIO().Fonts->Fonts[0]->FontSize;
    font.menuBar = font.pixels + 2 * ImGui::GetStyle().FramePadding.y;
    return font;
}

const std::map<std::string, ItemPlace>& builderItemPlaces() { return places; }
long builderWindowDrawings() { return drawings; }

const ItemPlace* placeOfBuilderItem(const std::string& label) {
    auto at = places.find(label);
    return at == places.end() ? nullptr : &at->second;
}

void drawBuilderWindow(MissionBuilder& b) {
    ++drawings;
    BuilderControls& c = b.controls();
    if (!c.windowOpen) {
        fileSheets(b);  // "Open Mission..." from the menu comes before the window
        return;
    }
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const PanelFont font = windowsFont();
    const float width = float(panelWidth(int(display.x), font.pixels));
    ImGui::SetNextWindowPos(ImVec2(display.x - width, font.menuBar), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(width, display.y - font.menuBar), ImGuiCond_Always);
    bool open = true;
    const std::string title = c.windowTitle + kBuilderWindowId;
    if (ImGui::Begin(title.c_str(), &open, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoMove |
                                               ImGuiWindowFlags_NoResize)) {
        rememberRoom("Panel");
        // The file buttons and Close first, in sight above tabs of any length.
        fileButtons(b);
        ImGui::SameLine();
        if (button("Close")) b.fromMBMenu(builder::kTagClose);
        ImGui::Separator();
        tabs(b);
    }
    ImGui::End();
    if (!open) b.windowShouldClose();
    cancelSheet(b);
    fileSheets(b);
}

bool builderTakesEvent(MissionBuilder& b, const SDL_Event& event, bool imguiWantsMouse) {
    static bool pressed = false;
    static int lastX = 0, lastY = 0;
    const bool mouse = event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP || event.type == SDL_MOUSEMOTION;
    if (!mouse || !b.MBWindowOpen || b.controls().cancelSheetShown) return false;
    int windowWidth = 0, windowHeight = 0;
    if (SDL_Window* window = SDL_GetWindowFromID(event.button.windowID)) SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    const ViewRect r = builderViewRect(windowWidth, windowHeight);
    // Window points as the builder takes them: y up, the view's lower-left corner at the margin.
    auto up = [&](int y) { return windowHeight - y - (r.y - kViewMargin); };
    auto inView = [&](int x, int y) {
        return x >= r.x && x < r.x + r.width && up(y) >= kViewMargin && up(y) < kViewMargin + r.height;
    };
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button != SDL_BUTTON_LEFT || imguiWantsMouse || !inView(event.button.x, event.button.y))
            return false;
        pressed = true;
        lastX = event.button.x;
        lastY = event.button.y;
        b.MBMouseDown(lastX, up(lastY));
        return true;
    case SDL_MOUSEMOTION: {
        if (!pressed) return false;
        const int dx = event.motion.x - lastX, dy = event.motion.y - lastY;
        if (dx == 0 && dy == 0) return true;
        lastX = event.motion.x;
        lastY = event.motion.y;
        if (SDL_GetModState() & KMOD_SHIFT) b.mouseDragWithShiftAmountX(dx, -dy);
        else b.mouseDragAmountX(dx, -dy);
        return true;
    }
    case SDL_MOUSEBUTTONUP:
        if (!pressed || event.button.button != SDL_BUTTON_LEFT) return false;
        pressed = false;
        b.MBMouseUp(event.button.x, up(event.button.y));
        return true;
    default:
        return false;
    }
}

}  // namespace pellam::builderdraw
