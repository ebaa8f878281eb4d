#pragma once
// The drawing warmed up at a mission's start. The software rasteriser builds the code that shades
// each new mix of drawing state (a picture's format and filtering, blending, the alpha test, fog,
// the shade model) the first time a draw meets it, on the thread that draws: a frame that meets a
// few of them in flight waits tens of milliseconds, and the pacer then holds the lower rate for
// seconds. So before a mission's first frame the view draws, unseen, what the flight will show:
// the world round the eye from the heights and pitches that reach each kind of ground, sky and
// cloud deck, smoke, tracer and explosion, each aircraft's hit flash, and each kind of aircraft
// and object from near to far: each kind once a run, the world once for each sky, haze and
// cockpit (a mission started again, as a network game does for each joiner, draws nothing). What is built stays with the rasteriser for the run,
// and in its cache on disk for the next. It saves no instructions in a steady frame (the frame
// benchmark's come after it): what it spares is the flight's first seconds.
// The warm-up is planned at a mission's start and drawn a few views a frame while the game stands
// in its windows (the sign-in window at launch hides it). A flight begun before it ends waits
// behind the loading screen, its bar showing the share of the plan drawn, and its world does not
// step until the rest is drawn, a share a frame as well; each share is finished before the next,
// so the rasteriser's queued frames do not pile up. A network game's world never waits: there the
// rest is drawn a share before each frame, and a kind of aircraft a player brings in mid-game is
// planned and drawn so as it comes.
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "core/QNion.h"

namespace pellam {

class ZephModel;

struct UnseenCamera {
    QNion Pose;
    long InsideItem = -1;  // the cockpit drawn from, or -1
    std::optional<Vector3> SmokeAt;  // ft: a puff of smoke, a tracer and explosions drawn there
    // Drawn with trees, and wreckage, north of it from near to far. Aircraft drawn farther than a
    // few dozen pixels are held back and sent with the next object drawn: the wreckage, the trees
    // or neither, each in a state of its own.
    bool Trees = false;
    bool Wreckage = false;
    bool World = true;  // the sky, ground and decks drawn too; else the objects alone
    bool InsideCloud = false;  // as from inside a deck: the grey fog, no sky or ground
};

struct WarmUpWorld {
    Vector3 Eye{};             // ft, the first frame's camera
    long Cockpit = -1;         // the cockpit that camera sits in, or -1
    double Ground = 0;         // ft, the ground under the eye
    double HighestDeck = -1;   // ft, the top of the highest cloud deck; below 0 none
};

// What a run has warmed up, and whether a mission waits for it.
struct DrawingWarmUp {
    // Subjects are seen from this far (ft): filling the view, near, across a fight, and a speck.
    static constexpr double kSubjectDistances[] = {25.0, 200.0, 1500.0, 6000.0};
    // Pitches (deg) the world is seen at from each height: up at the decks, the horizon, down
    // across the ground and steeply down on it. Level from the eye, a puff of smoke and a tracer
    // are drawn ahead; looking across the ground, the trees and wreckage.
    static constexpr double kLevel = 0.0, kAcrossGround = -20.0;
    static constexpr double kPitches[] = {25.0, kLevel, kAcrossGround, -65.0};

    // ms of unseen drawing a frame: the windows answer the player meanwhile, and the loading
    // screen's bar moves.
    static constexpr double kShareMs = 25.0;
    // Views drawn at once (as a test draws the whole plan) before the rasteriser is let to finish
    // them: each queues a whole frame's work, and unfinished frames hold their memory.
    static constexpr size_t kQueuedAtMost = 4;

    // A view planned and not drawn yet, and what it is counted towards: a view left undrawn when
    // the next mission starts gives its sky or kind back, to be drawn for that mission.
    enum class Towards { Sky, Kind, KindInCloud };
    struct PlannedView {
        UnseenCamera Camera;
        Towards Counted = Towards::Sky;
        std::vector<int64_t> Key;  // the sky, or the kind alone
    };

    bool Due = false;                  // a mission started: plan its warm-up
    std::vector<PlannedView> Pending;  // in the order they are drawn
    size_t Planned = 0;                // views in the last plan
    // This frame showed the loading screen: the flight waits, and the next frame's world does not
    // step. Each frame's drawing sets it afresh, so a frame that draws no share (an input window
    // open in flight) lets the flight go on.
    bool HoldsFlight = false;
    std::set<int64_t> KindsDrawn;    // the kinds of subject drawn near to far this run
    std::set<int64_t> KindsInCloud;  // and drawn so from inside a deck
    std::set<std::vector<int64_t>> SkiesDrawn;  // the skies (and cockpits) the world was drawn under

    // The world round the eye: at the eye's height with its cockpit at each pitch and level round
    // the compass, and without it at each pitch low over the ground, well above it and above the
    // highest deck (a height within 250 ft of one already taken is left out); with a deck, from
    // inside one, with the cockpit and without.
    static std::vector<UnseenCamera> worldCameras(const WarmUpWorld& world);
    // `subject` looked at from the side of `eye`, slightly above it, from each subject distance.
    static std::vector<QNion> subjectCameras(ZephModel& subject, const Vector3& eye);
    // The kind a row of the model array is warmed up as: an aircraft in the mission by its type, a
    // mission object by its class and object type; -1 for the rest (the head's effects, unused
    // aircraft).
    static int64_t kindOf(ZephModel& model, long row);
    // The share of the last plan drawn, 0..1.
    double done() const { return Planned == 0 ? 1.0 : 1.0 - double(Pending.size()) / double(Planned); }
};

}  // namespace pellam
