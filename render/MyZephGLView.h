#pragma once
// The view the game creates: ZephGLView with the game's start-up tips.
#include <array>
#include <string_view>
#include <vector>

#include "render/ZephGLView.h"

namespace pellam::render {

class MyZephGLView : public ZephGLView {
public:
    using ZephGLView::ZephGLView;

    static constexpr int kTipCount = 12;
    static constexpr int32_t kTipTicks = 600;   // each tip stays 10 s
    static constexpr int32_t kFirstTipCall = 75;  // no tip before this feedback call
    // The lines of tip n (0..11); empty outside.
    static std::vector<std::string_view> tipLines(int n);

    // The current tip at across 0.22, from down 0.61, 0.031 a line, size 1.2, white.
    void drawStartUpTip() override;

private:
    bool tipStarted_ = false;  // the first tip is drawn at once, whatever the clock says
};

}  // namespace pellam::render
