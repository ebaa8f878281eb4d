// Windows kept whole in the view: the room each may take (the view below the menu bar, or the
// part of it clear of another window), where it opens in that room, and a body that scrolls when
// the room is shorter than what the window holds.
#include <algorithm>

#include <imgui.h>
#include <imgui_internal.h>

#include "game/InterfaceDrawing.h"
#include "game/Interface.h"

namespace pellam::widgets {
namespace {

constexpr float kViewMargin = 4;  // px kept between a window and the edges of the view

// The window being drawn is kept in this room; its body scrolls when the room is short.
ImRect currentRoom;

ImGuiID bodyId = 0;         // of the body being drawn, in its window's storage
bool bodyMeasured = false;  // drawn in the open, to be measured, in its window's unseen first frame

// The part of the view a window is kept in: the view below the menu bar, less a margin.
ImRect viewRoom() {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImRect room(viewport->WorkPos, ImVec2(viewport->WorkPos.x + viewport->WorkSize.x,
                                          viewport->WorkPos.y + viewport->WorkSize.y));
    room.Expand(-kViewMargin);
    return room;
}

// The view's room, or, while `clearOf` is shown, the larger of its bands above and below that
// window: so a dialog never opens over a hint at the same place.
ImRect roomClearOf(const Window* clearOf) {
    ImRect room = viewRoom();
    const ImGuiWindow* other = clearOf && clearOf->open ? ImGui::FindWindowByName(clearOf->title.c_str()) : nullptr;
    if (!other || !(other->Active || other->WasActive)) return room;
    const float above = other->Pos.y - kViewMargin - room.Min.y;
    const float below = room.Max.y - (other->Pos.y + other->Size.y + kViewMargin);
    if (std::max(above, below) < ImGui::GetFrameHeightWithSpacing() * 4) return room;  // no band worth the name
    if (above >= below) room.Max.y = room.Min.y + above;
    else room.Min.y = room.Max.y - below;
    return room;
}

}  // namespace

void fitNextWindow(float width, float height, Placing placing) {
    const ImRect room = roomClearOf(placing.clearOf);
    currentRoom = room;
    if (placing.atFoot)
        ImGui::SetNextWindowPos(ImVec2(room.GetCenter().x, room.Max.y), ImGuiCond_Appearing, ImVec2(0.5f, 1.0f));
    else
        ImGui::SetNextWindowPos(room.GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(std::min(width, room.GetWidth()), std::min(height, room.GetHeight())),
                             ImGuiCond_Appearing);
    ImGui::SetNextWindowSizeConstraints(ImVec2(0, 0), room.GetSize());
}

void keepInView() {
    // A window's first frame is measured unseen; it is placed by its pivot once its size is known.
    const ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->Hidden) return;
    const ImVec2 at = w->Pos, size = w->Size;
    const ImVec2 to(std::max(currentRoom.Min.x, std::min(at.x, currentRoom.Max.x - size.x)),
                    std::max(currentRoom.Min.y, std::min(at.y, currentRoom.Max.y - size.y)));
    if (to.x != at.x || to.y != at.y) ImGui::SetWindowPos(to);
    pellam::rememberPlace(w->Name, "", {to.x, to.y, to.x + size.x, to.y + size.y});
}

float roomLeft(float footer) {
    // The window is as tall as its room at most, wherever it stands in it.
    const ImGuiWindow* w = ImGui::GetCurrentWindow();
    const float drawn = ImGui::GetCursorScreenPos().y - w->Pos.y;
    return currentRoom.GetHeight() - drawn - footer - w->WindowPadding.y;
}

float widestContent() { return currentRoom.GetWidth() - 2 * ImGui::GetStyle().WindowPadding.x; }

float buttonRowHeight() {
    // The spacing after the body, the separator's line and its spacing, the buttons.
    return ImGui::GetStyle().ItemSpacing.y * 2 + 1 + ImGui::GetFrameHeight();
}

// The body's height is what it held in the last frame (kept in the window's storage), until the
// room is shorter. In the window's unseen first frame it is drawn in the open and measured, so
// the window opens at its size and centred by it. When what it holds grows or shrinks later, the
// window is fitted to it again (ImGui fits a window's height only as it opens).
void beginBody(const char* id, float footer) {
    bodyId = ImGui::GetID(id);
    bodyMeasured = ImGui::GetCurrentWindow()->Hidden;
    if (bodyMeasured) {
        ImGui::BeginGroup();
        return;
    }
    const float room = std::max(roomLeft(footer), ImGui::GetFrameHeightWithSpacing() * 2);
    const float held = ImGui::GetStateStorage()->GetFloat(bodyId, room);
    const float itemWidth = ImGui::CalcItemWidth();  // the window's, not the narrower body's
    ImGui::BeginChild(id, ImVec2(0, std::min(held, room)));
    ImGui::PushItemWidth(itemWidth);
}

void endBody() {
    float held = 0;
    if (bodyMeasured) {
        ImGui::EndGroup();
        held = ImGui::GetItemRectSize().y;
    } else {
        const ImGuiWindow* body = ImGui::GetCurrentWindow();
        held = body->DC.CursorMaxPos.y - body->DC.CursorStartPos.y;
        ImGui::PopItemWidth();
        ImGui::EndChild();
    }
    held = std::max(held, 1.0f);
    ImGuiStorage* storage = ImGui::GetStateStorage();
    const float before = storage->GetFloat(bodyId, -1.0f);
    storage->SetFloat(bodyId, held);
    if (!bodyMeasured && before != held) ImGui::SetWindowSize(ImVec2(ImGui::GetCurrentWindow()->SizeFull.x, 0));
}

}  // namespace pellam::widgets
