#pragma once
// What is drawn flat over each 3-D frame: up to eight status texts (length-prefixed, in buffers
// the controller keeps) and at most one full-screen veil. The controller fills it; the view
// draws it in screen space.
#include <array>
#include <cstdint>

#include "render/ViewMath.h"

namespace pellam {

struct OverlayText {
    const uint8_t* text = nullptr;  // length byte first
    double across = 0, down = 0;    // fractions of the view
    float size = 1.0f;
};

struct Overlay {
    std::array<OverlayText, 8> texts{};
    int count = 0;
    bool veil = false;              // a quad over the whole view
    float red = 0, green = 0, blue = 0, alpha = 0;
    void add(const uint8_t* text, double across, double down, float size) {
        if (count < static_cast<int>(texts.size())) texts[count++] = {text, across, down, size};
    }
};

// Message line 5 as it is drawn: its players' kills (characters 1 to 80) at the foot of the view
// and the team kills and the rules that follow them on the line above; each without the blanks at
// its ends (a part all blanks is not laid), and made smaller where it would reach past the margin
// at the view's right. Fills `out` with the texts and their places; answers how many.
inline constexpr int kKillsEntriesChars = 80;  // "Kills:  " and eight players of 9 characters
struct KillsLineText {
    std::array<uint8_t, 256> text{};  // length byte first
    render::MessageLinePlace at{};
};
int layKillsLine(const uint8_t* line, const render::TypeMetrics& type, std::array<KillsLineText, 2>& out);

}  // namespace pellam
