#pragma once
// What the frame asks of the game controller. What only the controller knows (a shot asked for,
// the player's squares, what it lays flat) every implementer answers: a default would answer
// unseen for one that forgot, and a flag left set would hide the pause caption for good. What has
// a whole answer without a controller (the clouds from the terrain, no gray or 2-D overlay, whose
// absence shows) keeps it as a default.
#include <cstdint>

namespace pellam::render {

class MyZephGLView;

class FrameServices {
public:
    virtual ~FrameServices() = default;
    // Where the eye is against the cloud layers: 4 inside (grey fog for the frame). Below 0 the
    // view asks the terrain (model index 1) itself, for the frame's own eye.
    virtual int32_t getCloudLayerState() { return -1; }
    // True once per requested screen shot; the answer clears the request, which also hides the
    // pause and replay texts from the shot.
    virtual bool getAndClearScreenShotPending() = 0;
    // The two identification rules the player chose: normal (aircraft beyond 1000 ft) and
    // close-in (600 to 2400 ft).
    virtual bool useIDSquares() = 0;
    virtual bool useCloseUpIDSquares() = 0;
    // A full-window overlay after each pass's squares; nothing by default.
    virtual void drawGray(MyZephGLView& view) {}
    // The controller's 2-D overlay, drawn over the frame before it is shown; nothing by default.
    virtual void debugchance(MyZephGLView& view) {}
    // A print of what the frame lays flat over the 3-D picture besides the message lines (the
    // overlay above, the toolkit's windows): equal prints, equal pixels. Asked once a frame while
    // the picture is kept, before anything is drawn; a kept picture is shown again while it holds.
    virtual uint64_t flatPrint() = 0;
};

// The frame of a view with no controller (the builder's, a test's): no screen shot asked for, the
// squares as a new player has them, nothing laid flat.
class NoFrameServices : public FrameServices {
public:
    bool getAndClearScreenShotPending() override { return false; }
    bool useIDSquares() override { return true; }
    bool useCloseUpIDSquares() override { return false; }
    uint64_t flatPrint() override { return 0; }
};

}  // namespace pellam::render
