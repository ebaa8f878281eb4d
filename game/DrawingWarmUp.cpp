#include "game/DrawingWarmUp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <span>
#include <tuple>
#include <typeinfo>
#include <utility>

#include "aircraft/FlyableAircraft.h"
#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "game/CameraPlacement.h"
#include "game/GameController.h"
#include "objects/Debris.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "platform/FreedMemory.h"
#include "platform/Random.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

constexpr double kLow = 60.0;         // ft over the ground: the trees, the ground's nearest squares
constexpr double kHigh = 1500.0;      // ft over the ground: the fight's height
constexpr double kAboveDeck = 400.0;  // ft over the highest deck's top
constexpr double kApart = 250.0;      // ft: heights closer than this show the same
constexpr double kNotInMission = -3000.0;  // ft: unused aircraft are parked below this
constexpr double kSubjectRise = 8.0;  // deg above a subject the camera looks down from
constexpr double kSmokeAhead = 80.0;  // ft ahead of the level camera looking north

// A camera at `at` looking along `heading` and `pitch` (deg): the orbit camera of a point ahead
// of it, turned back to look at that point.
QNion looking(const Vector3& at, double heading, double pitch) {
    constexpr double kReach = 1000.0;
    const double h = heading / kDeg, p = pitch / kDeg;
    ZephModel ahead;
    ahead.live.attitude.Position = {at[0] + kReach * std::sin(h) * std::cos(p), at[1] + kReach * std::sin(p),
                                    at[2] + kReach * std::cos(h) * std::cos(p)};
    QNion pose;
    camera::createCameraPosition(ahead, 1, &pose, kReach, heading + 180.0, -pitch, 0.0);
    pose.Position = at;  // exactly, not as the orbit's sines leave it
    return pose;
}

// What the warm-up's views borrow from the mission, kept to be given back once a share is drawn.
struct WarmUpLoan {
    platform::RandomStream::Place Scenery;
    GroundClutter* Clutter = nullptr;
    Debris* Wreckage = nullptr;
    decltype(GroundClutter::GCTrees) Trees{};
    int32_t Planting = 0;  // the clutter's last planting, ticks
    decltype(Debris::TheFlakes) Flakes{};
    std::vector<std::pair<FlyableAircraft*, FlyableAircraft::FlashLook>> Flashes;
};

// Nothing a player sees later may differ for the warm-up: the scenery's random draws are given
// back, and so is what is lent for the draws (a puff of smoke and a tracer in two free places of
// the player's smoke ring; trees and wreckage north of the camera). No tree is planted or forgotten
// meanwhile: trees are planted only once time has moved on past the last planting.
WarmUpLoan lendToWarmUp(const GameController& game, long cockpit, int32_t now) {
    WarmUpLoan loan;
    loan.Scenery = platform::presentationRandom().place();
    loan.Clutter = dynamic_cast<GroundClutter*>(game.modelAt(ModelArray::kGroundClutter));
    loan.Wreckage = dynamic_cast<Debris*>(game.modelAt(ModelArray::kDebris));
    if (loan.Clutter) loan.Trees = loan.Clutter->GCTrees;
    if (loan.Clutter) loan.Planting = loan.Clutter->lastnewGC;
    if (loan.Wreckage) loan.Flakes = loan.Wreckage->TheFlakes;
    if (loan.Clutter) loan.Clutter->lastnewGC = now;
    // Each aircraft shows its hit flash (unlit, unfogged and blended, as a hit shows it), about
    // its middle; what it showed is given back after. Not the one the eye sits in: its cockpit's
    // hidden triangles would be worked out again, once its points were seen to move.
    for (int k = 0; k < ModelArray::kAircraftSlots; ++k) {
        FlyableAircraft* aircraft = game.aircraftAt(ModelArray::kFirstAircraft + k);
        if (!aircraft || ModelArray::kFirstAircraft + k == cockpit) continue;
        const FlyableAircraft::FlashLook kept = aircraft->flashLook();
        if (aircraft->showFlashAt(0, 0, 0)) loan.Flashes.emplace_back(aircraft, kept);
    }
    return loan;
}

void giveBack(const WarmUpLoan& loan) {
    for (const auto& [aircraft, kept] : loan.Flashes) aircraft->restoreFlash(kept);
    if (loan.Clutter) loan.Clutter->lastnewGC = loan.Planting;
    platform::presentationRandom().returnTo(loan.Scenery);
}

// A puff of smoke and a tracer at `at`, in the first free places of the smoker's ring, and what
// those places held.
using LentSmoke = std::vector<std::pair<OneSmokePiece*, OneSmokePiece>>;
LentSmoke lendSmoke(FlyableAircraft* smoker, const Vector3& at, int32_t now) {
    LentSmoke lent;
    for (OneSmokePiece& piece : smoker ? std::span(smoker->own.smokes) : std::span<OneSmokePiece>()) {
        if (piece.TimeStarted != -1000) continue;
        lent.emplace_back(&piece, piece);
        const bool tracer = lent.size() == 2;
        piece.TimeStarted = now;
        piece.Kind = tracer ? OneSmokePiece::kTracer : OneSmokePiece::kEngineSmoke;
        piece.Life = 60;
        piece.Position = at;
        piece.Movement = tracer ? Vector3{at[0] + 5.0, at[1] + 1.0, at[2] + 30.0} : Vector3{};  // a tracer's head
        piece.Size = 8.0f;
        piece.Grow = 0.0f;
        if (tracer) break;
    }
    return lent;
}

// Each of the mission's tree pictures and a piece of debris at each distance north of the camera;
// the loan keeps what they replace.
void plantForView(const UnseenCamera& unseen, const WarmUpLoan& loan, ZephModel& ground, int32_t now) {
    GroundClutter* clutter = loan.Clutter;
    Debris* debris = loan.Wreckage;
    const auto& p = unseen.Pose.Position;
    size_t tree = 0, flake = 0;
    for (const double distance : {150.0, 600.0, 2000.0, 6000.0}) {
        for (int picture = 0; clutter && picture < GroundClutter::kTypesPerFamily; ++picture) {
            GroundClutter::OneGCTree1& t = clutter->GCTrees[tree++];
            const double x = p[0] + (picture - 1.5) * distance * 0.2, z = p[2] + distance;
            t = {{x, ground.getAltitudeAtX(x, z), z}, 1.0, 0.0, clutter->TreeFamily * GroundClutter::kTypesPerFamily + picture};
        }
        if (!debris || !unseen.Wreckage) continue;
        Debris::FlakeType& f = debris->TheFlakes[flake++];
        f = {};
        f.TimeStarted = now;
        f.GlobalX = p[0];
        f.GlobalY = p[1];
        f.GlobalZ = p[2] + distance * 0.1;
        f.FlakeSize = 4.0;
    }
}

// Explosions beside the smoke at `at`: one burning close by, its sprites magnified and too near
// for the fog to move a colour; one burning a fight's width away, in the fog. Answers what they were.
using LentBooms = std::vector<std::pair<GroundExplosion*, std::pair<GroundExplosion::Live, QNion>>>;
LentBooms lendExplosions(const GameController& game, const Vector3& at, int32_t now) {
    constexpr struct {
        double Ahead;  // ft beyond the smoke
        int32_t Age;   // ticks since the start
    } kBooms[] = {{0.0, 100}, {1500.0, 100}};
    LentBooms lentBooms;
    long row = ModelArray::kFirstExplosion;
    for (const auto& b : kBooms) {
        auto* boom = dynamic_cast<GroundExplosion*>(game.modelAt(row++));
        if (!boom) break;
        lentBooms.push_back({boom, {boom->own, boom->live.attitude}});
        GroundExplosion::Live& live = boom->own;
        live.busy = true;
        live.stage = 1;
        live.startTime = now - b.Age;
        for (size_t k = 0; k < live.sprites.size(); ++k) {
            GroundExplosion::ExplosionType& sprite = live.sprites[k];
            sprite = {};  // hidden
            if (k >= 6) continue;
            sprite.Pos = {double(k % 3) * 6.0 - 6.0, double(k / 3) * 8.0, 0.0};
            sprite.SpriteSize = k < 3 ? 6.0 : 25.0;
            sprite.Map = int32_t(k % GroundExplosion::kPictures);
        }
        boom->live.attitude = QNion{};
        boom->live.attitude.Position = at;
        boom->live.attitude.Position[2] += b.Ahead;
    }
    return lentBooms;
}

}  // namespace

std::vector<UnseenCamera> DrawingWarmUp::worldCameras(const WarmUpWorld& world) {
    std::vector<UnseenCamera> cameras;
    const Vector3& eye = world.Eye;
    for (const double pitch : kPitches) {
        UnseenCamera& camera = cameras.emplace_back(UnseenCamera{looking(eye, 0.0, pitch), world.Cockpit, {}});
        if (pitch == kLevel) camera.SmokeAt = Vector3{eye[0], eye[1], eye[2] + kSmokeAhead};
        camera.Trees = camera.Wreckage = pitch == kAcrossGround;
    }
    for (const double heading : {90.0, 180.0, 270.0}) cameras.push_back({looking(eye, heading, 0.0), world.Cockpit, {}});

    std::vector<double> heights{eye[1]};
    const auto take = [&](double y) {
        if (std::none_of(heights.begin(), heights.end(), [&](double h) { return std::fabs(h - y) < kApart; }))
            heights.push_back(y);
    };
    const double low = world.Ground + kLow;
    take(low);
    take(world.Ground + kHigh);
    if (world.HighestDeck >= 0) take(world.HighestDeck + kAboveDeck);
    // Low over the ground, the trees and wreckage are lent too.
    for (size_t k = 1; k < heights.size(); ++k)
        for (const double pitch : kPitches)
            cameras.push_back({looking({eye[0], heights[k], eye[2]}, 0.0, pitch), -1, {}, heights[k] == low, heights[k] == low});
    // Inside a deck the grey fog shades everything drawn: the smoke, a tracer, the trees and the
    // wreckage ahead, and the cockpit where the eye sits in one.
    if (world.HighestDeck >= 0) {
        std::vector<long> seats{-1};
        if (world.Cockpit >= 0) seats.push_back(world.Cockpit);
        for (const long seat : seats) {
            UnseenCamera& camera = cameras.emplace_back(UnseenCamera{looking(eye, 0.0, kAcrossGround), seat, {}});
            camera.SmokeAt = Vector3{eye[0], eye[1], eye[2] + kSmokeAhead};
            camera.Trees = camera.Wreckage = camera.InsideCloud = true;
            camera.World = false;
        }
    }
    return cameras;
}

std::vector<QNion> DrawingWarmUp::subjectCameras(ZephModel& subject, const Vector3& eye) {
    const auto& at = subject.live.attitude.Position;
    const double heading = std::atan2(eye[0] - at[0], eye[2] - at[2]) * kDeg;
    std::vector<QNion> cameras;
    for (const double distance : kSubjectDistances) {
        QNion pose;
        camera::createCameraPosition(subject, 1, &pose, distance, heading, kSubjectRise, 0.0);
        cameras.push_back(pose);
    }
    return cameras;
}

int64_t DrawingWarmUp::kindOf(ZephModel& model, long row) {
    if (row >= ModelArray::kFirstAircraft && row < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots) {
        auto* aircraft = dynamic_cast<FlyableAircraft*>(&model);
        if (!aircraft || !(model.live.attitude.Position[1] > kNotInMission)) return -1;
        return (int64_t(1) << 32) | uint32_t(aircraft->ThisAircraft.AircraftType);
    }
    if (row < ModelArray::kFirstMissionObject) return -1;
    return int64_t(typeid(model).hash_code() & 0x7fffffff) << 16 ^ uint16_t(model.getObjectType());
}

// ---- The controller's warm-up ------------------------------------------------------------------

bool GameController::continueWarmUp() {
    const bool planned = warmUp_.Due;
    if (planned) planWarmUp();
    // In the windows, the frame that plans is shown before any share is drawn: at launch the
    // sign-in window comes first.
    if (warmUp_.Pending.empty() || (planned && !isRunning())) return false;
    const FramePacer::Aside warmUp(pacer_);
    drawWarmUp(false);
    // In flight, what is left is not flown through: the flight waits behind the loading screen.
    // Not in a network game, whose world is not this machine's to hold: the other players fly on,
    // and so do its own world and its exchange, the rest drawn unseen a share a frame before each.
    warmUp_.HoldsFlight = isRunning() && !warmUp_.Pending.empty() && network_->getNetworkMode() == 0;
    if (warmUp_.HoldsFlight) toMyZephGLView->showLoadingProgress(warmUp_.done());
    return warmUp_.HoldsFlight;
}

void GameController::warmUpDrawing() {
    planWarmUp();
    drawWarmUp(true);
}

void GameController::planWarmUp() {
    warmUp_.Due = false;
    // The last plan's views not drawn yet are given up: their skies and kinds count as not drawn.
    for (const DrawingWarmUp::PlannedView& view : warmUp_.Pending) {
        if (view.Counted == DrawingWarmUp::Towards::Sky) warmUp_.SkiesDrawn.erase(view.Key);
        auto& kinds = view.Counted == DrawingWarmUp::Towards::Kind ? warmUp_.KindsDrawn : warmUp_.KindsInCloud;
        if (view.Counted != DrawingWarmUp::Towards::Sky) kinds.erase(view.Key.front());
    }
    warmUp_.Pending.clear();
    warmUp_.Planned = 0;

    ModelArray* models = getModelArray();
    ZephModel* ground = modelAt(ModelArray::kTerrain);
    if (!models || !ground) return;

    WarmUpWorld world;
    world.Eye = cameras_.ViewingQNion.Position;
    world.Cockpit = toMyZephGLView->getCameraInsideItem();  // as this frame's camera rules left it
    world.Ground = ground->getAltitudeAtX(world.Eye[0], world.Eye[2]);
    // The world is drawn again only under a sky not drawn yet: its haze, its decks' pictures and
    // heights, the ground's detail, and the cockpit it is seen from.
    const auto* seat = world.Cockpit >= 0 ? aircraftAt(world.Cockpit) : nullptr;
    std::vector<int64_t> sky{prefs_.DoDetailPass, std::llround(mission_.MissionHaze * 1e7),
                             seat ? seat->ThisAircraft.AircraftType : -1};
    if (auto* terrain = dynamic_cast<RIDUdidav*>(ground))
        for (int k = 0; k < RIDUdidav::kCloudLayers; ++k) {
            const CloudLayer& layer = terrain->getCloudLayer(k);
            if (layer.TextureNumber <= 0) continue;
            world.HighestDeck = std::max({world.HighestDeck, layer.LayerBottom, layer.LayerTop});
            sky.insert(sky.end(), {layer.TextureNumber, std::llround(layer.LayerBottom / kApart),
                                   std::llround(layer.LayerTop / kApart)});
        }
    using Towards = DrawingWarmUp::Towards;
    std::vector<DrawingWarmUp::PlannedView>& views = warmUp_.Pending;
    if (warmUp_.SkiesDrawn.insert(sky).second)
        for (UnseenCamera& camera : DrawingWarmUp::worldCameras(world)) views.push_back({camera, Towards::Sky, sky});
    for (long row = ModelArray::kFirstAircraft; row < models->size(); ++row) {
        ZephModel* model = models->at(row);
        const int64_t kind = model ? DrawingWarmUp::kindOf(*model, row) : -1;
        if (kind < 0) continue;
        const bool seen = !warmUp_.KindsDrawn.insert(kind).second;
        // With a deck, the flight may take any of them into the grey fog (objects alone: inside a
        // deck neither sky nor ground is drawn).
        const bool inCloud = world.HighestDeck >= 0 && warmUp_.KindsInCloud.insert(kind).second;
        if (seen && !inCloud) continue;
        const std::vector<QNion> near = DrawingWarmUp::subjectCameras(*model, world.Eye);
        for (size_t k = 0; k < near.size(); ++k) {
            if (!seen) {
                views.push_back({{near[k], -1, {}, false, false, false}, Towards::Kind, {kind}});
                views.push_back({{near[k], -1, {}, true, k % 2 == 1, true}, Towards::Kind, {kind}});
            }
            if (inCloud)
                views.push_back({{near[k], -1, {}, true, k % 2 == 1, false, true}, Towards::KindInCloud, {kind}});
        }
    }
    warmUp_.Planned = views.size();
}

void GameController::drawWarmUp(bool whole) {
    std::vector<DrawingWarmUp::PlannedView>& cameras = warmUp_.Pending;
    if (cameras.empty()) return;
    ZephModel* ground = modelAt(ModelArray::kTerrain);
    if (!getModelArray() || !ground) return cameras.clear();
    const WarmUpLoan loan = lendToWarmUp(*this, toMyZephGLView->getCameraInsideItem(), clock_.GlobalMissionTime);
    const auto began = std::chrono::steady_clock::now();
    size_t drawn = 0;
    while (drawn < cameras.size()) {
        if (!whole && drawn > 0 &&
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count() >=
                DrawingWarmUp::kShareMs)
            break;
        UnseenCamera& unseen = cameras[drawn++].Camera;
        keepCameraAboveGround(unseen.Pose, toMyZephGLView->getNearPlane());
        const int32_t now = clock_.GlobalMissionTime;
        const LentSmoke lent =
            unseen.SmokeAt ? lendSmoke(aircraftAt(ModelArray::kFirstAircraft), *unseen.SmokeAt, now) : LentSmoke{};
        if (unseen.Trees) plantForView(unseen, loan, *ground, now);
        const LentBooms lentBooms = unseen.SmokeAt ? lendExplosions(*this, *unseen.SmokeAt, now) : LentBooms{};
        toMyZephGLView->drawUnseen(unseen.Pose, unseen.InsideItem, unseen.World, unseen.InsideCloud);
        for (auto& [boom, kept] : lentBooms) std::tie(boom->own, boom->live.attitude) = kept;
        for (auto& [piece, kept] : lent) *piece = kept;
        if (unseen.Trees) {  // drawing reads the trees and the debris, and changes neither
            if (loan.Clutter) loan.Clutter->GCTrees = loan.Trees;
            if (loan.Wreckage) loan.Wreckage->TheFlakes = loan.Flakes;
        }
        // Finished before the next: a share's time holds the rasteriser's work, and at most a few
        // views' queued frames hold memory.
        if (!whole || drawn % DrawingWarmUp::kQueuedAtMost == 0) toMyZephGLView->finishDrawing();
    }
    giveBack(loan);
    toMyZephGLView->sceneChanged();
    cameras.erase(cameras.begin(), cameras.begin() + long(drawn));
    if (!cameras.empty()) return;
    // Done: what the rasteriser's queued frames borrowed goes back to the system.
    toMyZephGLView->finishDrawing();
    platform::returnFreedMemory();
}

}  // namespace pellam
