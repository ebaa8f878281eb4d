#include "builder/draw/WrappedText.h"

#include <imgui.h>
#include <imgui_stdlib.h>

#include <map>

namespace pellam::builderdraw {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

WrappedText wrapText(const std::string& text, const LineBreaker& breaker) {
    WrappedText w;
    w.shown.reserve(text.size() + text.size() / 16);
    for (size_t begin = 0;;) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        for (size_t at = begin; at < end;) {
            size_t cut = breaker(text, at, end);
            if (cut <= at) {  // never an empty piece: one whole character at least
                cut = at + 1;
                while (cut < end && continuation(text[cut])) ++cut;
            }
            while (cut < end && blank(text[cut])) ++cut;
            w.shown.append(text, at, std::min(cut, end) - at);
            if (cut < end) {
                w.wraps.push_back(w.shown.size());
                w.shown += '\n';
            }
            at = cut;
        }
        if (end == text.size()) return w;
        w.shown += '\n';
        begin = end + 1;
    }
}

std::string unwrapped(const WrappedText& wrapped) {
    std::string text;
    text.reserve(wrapped.shown.size());
    size_t next = 0;
    for (size_t i = 0; i < wrapped.shown.size(); ++i) {
        if (next < wrapped.wraps.size() && wrapped.wraps[next] == i) {
            ++next;
            continue;
        }
        text += wrapped.shown[i];
    }
    return text;
}

WrappedText afterEdit(const WrappedText& before, const std::string& after) {
    const std::string& was = before.shown;
    size_t prefix = 0;
    while (prefix < was.size() && prefix < after.size() && was[prefix] == after[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < was.size() - prefix && suffix < after.size() - prefix &&
           was[was.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    WrappedText w{after, {}};
    for (size_t q : before.wraps) {
        if (q < prefix) w.wraps.push_back(q);
        else if (q >= was.size() - suffix) w.wraps.push_back(q - was.size() + after.size());
    }
    return w;
}

size_t toText(const WrappedText& wrapped, size_t shownAt) {
    size_t before = 0;
    while (before < wrapped.wraps.size() && wrapped.wraps[before] < shownAt) ++before;
    return shownAt - before;
}

size_t toShown(const WrappedText& wrapped, size_t textAt) {
    size_t at = textAt;
    for (size_t q : wrapped.wraps) {
        if (q > at) break;
        ++at;
    }
    return at;
}

std::string editedText(const WrappedText& before, const WrappedText& edited, size_t& cursor, bool forward) {
    std::string text = unwrapped(edited);
    size_t at = toText(edited, cursor);
    if (edited.shown.size() < before.shown.size() && text == unwrapped(before)) {
        if (forward && at < text.size()) {
            size_t end = at + 1;
            while (end < text.size() && continuation(text[end])) ++end;
            text.erase(at, end - at);
        } else if (!forward && at > 0) {
            size_t start = at - 1;
            while (start > 0 && continuation(text[start])) --start;
            text.erase(start, at - start);
            at = start;
        }
    }
    cursor = at;
    return text;
}

namespace {

// One box's state between frames.
struct Field {
    WrappedText wrapped;     // as the box shows it now
    WrappedText atStart;     // as it was when the box was clicked: what Escape goes back to
    std::string buffer;      // ImGui's copy of wrapped.shown, which only ImGui writes while editing
    std::string text;        // the caller's text that `wrapped` shows
    float width = -1;        // px: where its lines wrap
    bool editing = false;
};
std::map<ImGuiID, Field> fields;

LineBreaker breakerFor(float width) {
    return [width](const std::string& text, size_t begin, size_t end) {
        ImFont* font = ImGui::GetFont();
        const char* s = text.data();
        const float scale = ImGui::GetFontSize() / font->FontSize;
        return size_t(font->CalcWordWrapPositionA(scale, s + begin, s + end, width) - s);
    };
}

// After each edit: the text without its wraps, wrapped again, the cursor where it was in the text.
int onEdit(ImGuiInputTextCallbackData* data) {
    Field& f = *static_cast<Field*>(data->UserData);
    const WrappedText edited = afterEdit(f.wrapped, std::string(data->Buf, size_t(data->BufTextLen)));
    size_t cursor = size_t(data->CursorPos);
    f.text = editedText(f.wrapped, edited, cursor, ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Delete)));
    f.wrapped = wrapText(f.text, breakerFor(f.width));
    data->DeleteChars(0, data->BufTextLen);
    data->InsertChars(0, f.wrapped.shown.data(), f.wrapped.shown.data() + f.wrapped.shown.size());
    data->CursorPos = data->SelectionStart = data->SelectionEnd = int(toShown(f.wrapped, cursor));
    return 0;
}

}  // namespace

bool wrappedTextField(const char* id, std::string& text, float height) {
    ImGui::PushID(id);
    Field& f = fields[ImGui::GetID("##box")];
    const ImGuiStyle& style = ImGui::GetStyle();
    const float boxWidth = ImGui::GetContentRegionAvail().x;
    // The lines keep clear of the frame and of a scroll bar, with a blank's room for the cursor
    // after the blanks that end a wrapped line.
    const float width = boxWidth - 2 * style.FramePadding.x - style.ScrollbarSize - ImGui::CalcTextSize("  ").x;
    if (!f.editing && (text != f.text || width != f.width)) {
        f.text = text;
        f.width = width;
        f.wrapped = wrapText(text, breakerFor(width));
        f.buffer = f.wrapped.shown;
    }
    const ImGuiInputTextFlags flags =
        ImGuiInputTextFlags_CallbackEdit | ImGuiInputTextFlags_NoHorizontalScroll | ImGuiInputTextFlags_NoUndoRedo;
    bool changed = ImGui::InputTextMultiline("##box", &f.buffer, ImVec2(boxWidth, height), flags, onEdit, &f);
    if (ImGui::IsItemActivated()) f.atStart = f.wrapped;
    f.editing = ImGui::IsItemActive();
    ImGui::PopID();
    // An edit left the box as each edit makes it; Escape takes it back to where it started.
    if (f.buffer != f.wrapped.shown) {
        f.wrapped = f.buffer == f.atStart.shown ? f.atStart : afterEdit(f.wrapped, f.buffer);
        f.text = unwrapped(f.wrapped);
        changed = true;
    }
    if (!changed || text == f.text) return false;
    text = f.text;
    return true;
}

}  // namespace pellam::builderdraw
