#pragma once
// What is drawn flat over each 3-D frame: up to six status texts (length-prefixed, in buffers
// the controller keeps) and at most one full-screen veil. The controller fills it; the view
// draws it in screen space.
#include <array>
#include <cstdint>

namespace pellam {

struct OverlayText {
    const uint8_t* text = nullptr;  // length byte first
    double across = 0, down = 0;    // fractions of the view
    float size = 1.0f;
};

struct Overlay {
    std::array<OverlayText, 6> texts{};
    int count = 0;
    bool veil = false;              // a quad over the whole view
    float red = 0, green = 0, blue = 0, alpha = 0;
    void add(const uint8_t* text, double across, double down, float size) {
        if (count < static_cast<int>(texts.size())) texts[count++] = {text, across, down, size};
    }
};

}  // namespace pellam
