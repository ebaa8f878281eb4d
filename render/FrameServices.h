#pragma once
// What the frame asks of the game controller. The defaults are a controller that asks for
// nothing: no cloud override, no screen shot, normal identification squares, no overlay.
#include <cstdint>

namespace pellam::render {

class MyZephGLView;

class FrameServices {
public:
    virtual ~FrameServices() = default;
    // Where the eye is against the cloud layers: 4 inside (grey fog for the frame). Below 0 the
    // view asks the terrain (model index 1) itself.
    virtual int32_t getCloudLayerState() { return -1; }
    // True once per requested screen shot.
    virtual bool getAndClearScreenShotPending() { return false; }
    // The two identification rules: normal (aircraft beyond 1000 ft) and close-in (600 to 2400 ft).
    virtual bool useIDSquares() { return true; }
    virtual bool useCloseUpIDSquares() { return false; }
    // A full-window overlay after each pass's squares; nothing by default.
    virtual void drawGray(MyZephGLView& view) {}
    // The controller's 2-D overlay, drawn over the frame before it is shown.
    virtual void debugchance(MyZephGLView& view) {}
    // A print of what the frame lays flat over the 3-D picture besides the message lines (the
    // overlay above, the toolkit's windows): equal prints, equal pixels. Asked once a frame while
    // the picture is kept, before anything is drawn.
    virtual uint64_t flatPrint() { return 0; }
};

}  // namespace pellam::render
