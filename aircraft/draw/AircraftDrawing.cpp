// The flyable aircraft's drawing: creation of its drawn records from the class's shared shape,
// the per-frame record with the drawn pose and paint, the per-frame animation and sounds, and the
// hit flash.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "aircraft/FlyableAircraft.h"
#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/RemoteRecord.h"
#include "aircraft/draw/AircraftDrawing.h"
#include "aircraft/draw/AircraftModel.h"
#include "core/DrawHints.h"
#include "platform/Log.h"
#include "platform/Random.h"
#include "render/ObjectDrawing.h"

namespace pellam {
namespace {

constexpr int kFlashFirst = looks::Modeller::kHitFlashPoint;
constexpr int kFlashPoints = 4;
static_assert(kFlashPoints == std::tuple_size_v<decltype(FlyableAircraft::FlashLook::Corners)>);
constexpr int kTextureSlots = 300;
constexpr int kGunSound = 5, kWindSound = 28;

void poseMatrix(const QNion& pose, const double* offset, std::array<double, 16>& m) {
    ZephModel::quaternionToMatrix(pose.QAttitude.data(), m.data());
    m[3] = m[7] = m[11] = 0.0;
    for (int i = 0; i < 3; ++i) m[12 + i] = pose.Position[i] + (offset ? offset[i] : 0.0);
    m[15] = 1.0;
}

// Calls `each(first, last)` for every run of points in [first, last) that is inside one of the
// merged `runs`, the hit flash's points left out (they keep where displayAHit put them).
template <class Each>
void forRunsWithin(const std::vector<std::pair<int, int>>& runs, int first, int last, Each&& each) {
    for (const auto& [f, l] : runs) {
        const int from = std::max(first, f), to = std::min(last, l);
        if (std::min(to, kFlashFirst) > from) each(from, std::min(to, kFlashFirst));
        if (to > std::max(from, kFlashFirst + kFlashPoints)) each(std::max(from, kFlashFirst + kFlashPoints), to);
    }
}

// What turns and folds the moving parts this tick, read once from the aircraft.
struct PartInputs {
    const Aircraft& A;
    double Elevator, Rudder, Aileron;  // deg, damage allowed for
    bool GearDown;
    bool HeadHidden;    // the camera sits in this cockpit: the head folded to the neck
    bool BailedOut;     // the pilot is not in his seat
    bool Blur;          // the blades turn fast enough to blur into a disc
    bool BladesHidden;  // from the seat: the turning propeller is only its disc
    double PropAngle, WheelAngle;  // deg
    double Mph, Altitude;          // mph, ft
};

PartInputs partInputs(const Aircraft& a, const looks::AircraftDrawState& d, double mph, double altitude) {
    const uint32_t dm = a.Damage1;
    auto limit = [](double maxDeg, double fallback) {
        return maxDeg > 1.0 && maxDeg < 60.0 ? maxDeg : fallback;
    };
    // Our own head would fill the cockpit view; a pilot who has jumped is not in his seat. From the
    // seat, blades sampled at the frame rate stand nearly still as a plank across the view: there
    // the turning propeller is only its blurred disc.
    const bool headHidden = d.CameraOnMe && d.cameraDistance < 10.0;  // folded to the neck
    // Fast blades blur into a disc; slow or stopped ones show as they stand.
    const bool blur = a.CurrentRPM > 350.0 && !(dm & dmg::PropBroken);
    return {a,
            limit(a.ElevatorMax, 25.0) * a.PElevator,
            -limit(a.RudderMax, 25.0) * a.PRudder * ((dm & dmg::RudderHit) ? 0.2 : 1.0),
            limit(a.AileronMax, 20.0) * a.PAilerons,
            a.Gear == 1 && !(dm & (dmg::GearBroken | dmg::UndercarriageDamage)),
            headHidden,
            a.GuyBailedOut != 0,
            blur,
            headHidden && blur,
            d.propAngle,
            d.wheelAngle,
            mph,
            altitude};
}

// A group's pose this tick: its angle and whether it lies folded to its hinge.
FlyableAircraft::GroupPose poseOf(const looks::MovingGroup& g, const PartInputs& in) {
    const Aircraft& a = in.A;
    const uint32_t dm = a.Damage1;
    double deg = 0;
    switch (g.mover) {
    case looks::Mover::Elevator: deg = in.Elevator; break;
    case looks::Mover::Rudder: deg = in.Rudder; break;
    case looks::Mover::AileronLeft: deg = -in.Aileron * ((dm & dmg::LeftAileronHit) ? 0.05 : 1.0); break;
    case looks::Mover::AileronRight: deg = in.Aileron * ((dm & dmg::RightAileronHit) ? 0.05 : 1.0); break;
    case looks::Mover::Propeller: deg = in.PropAngle; break;
    case looks::Mover::Wheels: deg = in.WheelAngle; break;
    case looks::Mover::Gear: deg = in.GearDown ? 0.0 : 80.0; break;
    case looks::Mover::StickPitch: deg = -15.0 * a.PElevator; break;
    case looks::Mover::StickRoll: deg = -15.0 * a.PAilerons; break;
    case looks::Mover::RudderBar: deg = -15.0 * a.PRudder; break;
    case looks::Mover::Head: deg = g.axis == 0 ? a.PilotHeadPitch : a.PilotHeadHeading; break;
    case looks::Mover::NeedleSpeed: deg = g.scale * std::clamp(in.Mph, 0.0, 190.0); break;
    case looks::Mover::NeedleAltitude: deg = g.scale * std::clamp(in.Altitude, 0.0, 30000.0); break;
    case looks::Mover::NeedleRevs:
        deg = g.scale * (a.MaxRPM > 0 ? std::clamp(a.CurrentRPM / a.MaxRPM, 0.0, 1.2) : 0.0);
        break;
    case looks::Mover::NeedleFuel: deg = g.scale * std::clamp(a.FuelLoadInPounds / 180.0, 0.0, 1.0); break;
    case looks::Mover::Body: break;
    }
    const bool head = g.mover == looks::Mover::Head && g.axis == 0;
    const bool blades = in.BladesHidden && g.mover == looks::Mover::Propeller;
    const bool body = in.BailedOut && g.mover == looks::Mover::Body;
    const bool folded = (in.HeadHidden || in.BailedOut) && (head || blades || body);
    return {std::isfinite(deg) ? deg : 0.0, folded};
}

// The merged runs of the `n` points of groups whose pose differs from the one `shown` (all the
// groups' when none is shown yet): groups overlap, so their ranges are merged.
std::vector<std::pair<int, int>> changedRuns(const looks::AircraftModel& m,
                                             const std::vector<FlyableAircraft::GroupPose>& poses,
                                             const std::vector<FlyableAircraft::GroupPose>& shown, int n) {
    const bool all = shown.size() != poses.size();
    std::vector<std::pair<int, int>> runs;
    for (size_t k = 0; k < poses.size(); ++k) {
        if (!all && poses[k] == shown[k]) continue;
        const looks::MovingGroup& g = m.groups[k];
        const int first = std::clamp(g.first, 0, n), last = std::clamp(g.first + g.count, first, n);
        if (last > first) runs.emplace_back(first, last);
    }
    std::sort(runs.begin(), runs.end());
    size_t merged = 0;
    for (const auto& r : runs) {
        if (merged > 0 && r.first <= runs[merged - 1].second)
            runs[merged - 1].second = std::max(runs[merged - 1].second, r.second);
        else runs[merged++] = r;
    }
    runs.resize(merged);
    return runs;
}

// The points within `runs` back to the shape, then turned and folded by every group over them, in
// order, as a fresh copy would be.
void reposeRuns(const looks::AircraftModel& m, const std::vector<FlyableAircraft::GroupPose>& poses,
                const std::vector<std::pair<int, int>>& runs, std::vector<GLT2FN3FV3FFormat>& pts) {
    forRunsWithin(runs, 0, int(pts.size()), [&](int first, int last) {
        std::copy(m.points.begin() + first, m.points.begin() + last, pts.begin() + first);
    });
    if (runs.empty()) return;
    for (size_t k = 0; k < poses.size(); ++k) {
        const looks::MovingGroup& g = m.groups[k];
        const double deg = poses[k].deg;
        if (deg == 0.0) continue;
        forRunsWithin(runs, g.first, g.first + g.count, [&](int first, int last) {
            using View = render::ObjectDrawingView;
            GLT2FN3FV3FFormat* p = pts.data() + first;
            const long len = last - first;
            const looks::V3& h = g.hinge;
            if (g.tiltAxis == 2) View::rotateAboutAxisWBank(0, deg, p, len, p, -h.x, -h.y, -h.z, true, g.tilt);
            else if (g.tiltAxis == 1) View::rotateAboutAxisWHeading(0, deg, p, len, p, -h.x, -h.y, -h.z, true, g.tilt);
            else View::rotateAboutAxis(g.axis, deg, p, len, p, -h.x, -h.y, -h.z, true);
        });
    }
    for (size_t k = 0; k < poses.size(); ++k) {
        if (!poses[k].folded) continue;
        const looks::MovingGroup& g = m.groups[k];
        forRunsWithin(runs, g.first, g.first + g.count, [&](int first, int last) {
            for (int i = first; i < last; ++i) {
                pts[i].X = g.hinge.x;
                pts[i].Y = g.hinge.y;
                pts[i].Z = g.hinge.z;
            }
        });
    }
}

// The propeller's disc shown while the blades blur, faint from the seat.
void showPropellerDisc(const looks::AircraftModel& m, std::vector<OnePolygonVer2>& polys, const PartInputs& in) {
    // From the seat the disc is only a shimmer: at its outside strength, a disc seen whole from
    // a seat far behind a long nose (the D.VII's, 9 ft) reads as a grey plate across the sky.
    constexpr float kSeatDiscAlpha = 0.05f;
    for (int i = std::max(m.propDiscFirst, 0); i < m.propDiscFirst + m.propDiscCount && i < int(polys.size()); ++i) {
        if (i == looks::Modeller::kAltFlashPolygon) continue;  // the reserved flash stays hidden
        if (in.Blur) polys[i].DrawHints &= ~kSkip;
        else polys[i].DrawHints |= kSkip;
        if (i < int(m.polygons.size())) polys[i].PolyColor[3] = in.HeadHidden ? kSeatDiscAlpha : m.polygons[i].PolyColor[3];
    }
}

}  // namespace

const looks::AircraftModel& FlyableAircraft::drawingModel() const {
    if (dynamic_cast<const FokkerDr1*>(this)) return looks::fokkerDr1Model();
    if (dynamic_cast<const FokkerDVII*>(this)) return looks::fokkerDVIIModel();
    return looks::camelModel();
}

void FlyableAircraft::buildDrawing(ViewServices* view) {
    const looks::AircraftModel& m = drawingModel();
    looks::AircraftDrawState& d = Drawing;
    d.model = &m;
    d.view = view;
    d.TemplatePointsListCopy = m.points;
    ShownGroupPoses.clear();  // every group worked again on the next tick
    d.TemplatePolyListCopy = m.polygons;
    ObjectPointsPolysVer2& pp = d.pointsPolys;
    pp = ObjectPointsPolysVer2{};
    std::strncpy(pp.PointsPolysName.data(), m.name.c_str(), pp.PointsPolysName.size() - 1);
    pp.ThePoints = d.TemplatePointsListCopy.data();
    pp.ThePolygons = d.TemplatePolyListCopy.data();
    pp.RunItems = m.runs.data();
    pp.ObjectExtends = m.extents;
    pp.OverallSizeDistance = m.overallSizeDistance;
    pp.MaterialLightingData = m.materials;

    Object3DData& o = ThisModel.TheObject;
    o = Object3DData{};
    std::strncpy(o.ObjectName.data(), m.name.c_str(), o.ObjectName.size() - 1);
    o.ObjectFlags = o.StartingObjectFlags = 0x20;
    o.TooFar = 60000.0f;        // beyond the fog
    o.UseAlt = 1.0e9f;          // one level of detail
    o.Behind = -40.0f;          // a wing set can sweep past the eye
    o.DotDistance = 7000.0f;    // a few pixels across by then
    o.AnimateItems.fill(kItemEndOfList);
    o.AnimateItems[0] = 0;
    ThisModel.ThePointsPolysData = &pp;
    ThisModel.NumberOfPointsPolys = 1;

    if (view) {
        for (int k = 0; k < looks::kMapCount; ++k) pp.MapListOffset[k] = int16_t(ZephModel::loadNamedTexture(view, m.maps[k]));
        for (int t = 0; t < 2; ++t) d.teamPaintSlots[t] = ZephModel::loadNamedTexture(view, m.teamPaint[t]);
        for (int t = 0; t < 4; ++t) d.teamColourSlots[t] = ZephModel::loadNamedTexture(view, m.teamColour[t]);
        // Named without an extension and ending in B: the view reads its alpha from "AircraftSmokeB_".
        d.smokeSlot = ZephModel::loadNamedTexture(view, "AircraftSmokeB");
        d.charredSlot = ZephModel::loadNamedTexture(view, "AircraftCharred.png");
    }
    d.baseSlots = pp.MapListOffset;
}

OneCompleteObjectVer2* FlyableAircraft::drawnRecord(int32_t) {
    looks::AircraftDrawState& d = Drawing;
    if (!d.model) return nullptr;
    Aircraft& a = ThisAircraft;
    Object3DData& o = ThisModel.TheObject;
    if (live.attitude.Position[1] < -9000.0) o.ObjectFlags |= 0x1;  // a free or hidden slot
    else o.ObjectFlags &= ~0x1;

    // Drawn attitude: eased from the network's last shown attitude toward the live one.
    own.slerping = live.attitude;
    own.slerping.QAttitude = drawnAttitude(*this);
    // The network's position correction; a value that is not a number draws no offset.
    auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
    const double offset[3] = {finite(a.SliderX), finite(a.SliderY), finite(a.SliderZ)};
    poseMatrix(own.slerping, offset, ThisModel.ObjectMatrix);

    // Wing sets and moving part 4 fly on their own once they are gone.
    const uint32_t gone[3] = {dmg::LeftWingGone, dmg::RightWingGone, dmg::Part4Gone};
    for (int i = 0; i < kParts; ++i) ThisModel.OptionalObjectMatrix[i] = ThisModel.ObjectMatrix;
    for (int k = 0; k < 3; ++k)
        if (a.Damage1 & gone[k]) poseMatrix(own.parts[2 * k], nullptr, ThisModel.OptionalObjectMatrix[2 * k]);

    // Teams 1 to 4; any other team is drawn as team 2, as its identification square is.
    auto& slots = d.pointsPolys.MapListOffset;
    slots = d.baseSlots;
    const int team = a.Team >= 1 && a.Team <= 4 ? a.Team - 1 : 1;
    const int32_t colour = d.teamColourSlots[team];
    if (colour >= 0 && colour < kTextureSlots) slots[looks::kMapTeam] = int16_t(colour);
    // Paint: a custom paint job in place of the team's.
    int32_t paint = d.teamPaintSlots[team % 2];
    const int32_t custom = d.CameraOnMe ? BigCustomPaintJobNumber : SmallCustomPaintJobNumber;
    if (custom > 0 && custom < kTextureSlots) paint = custom;
    if (paint >= 0 && paint < kTextureSlots) slots[looks::kMapPaint] = int16_t(paint);
    // A wreck that blew up is burnt all over.
    if ((a.Damage1 & dmg::BlownUp) && d.charredSlot >= 0 && d.charredSlot < kTextureSlots)
        for (int k : {looks::kMapPaint, looks::kMapUnderside, looks::kMapWingTop, looks::kMapTeam, looks::kMapWood})
            slots[k] = int16_t(d.charredSlot);
    return &ThisModel;
}

void FlyableAircraft::moveDrawnParts(int32_t ticks, bool cameraOn, double cameraDistance, double nearestGunDistance) {
    Aircraft& a = ThisAircraft;
    looks::AircraftDrawState& d = Drawing;
    if (a.PlayThisSound >= 0) {
        if (theSounds) theSounds->PlayASingleSound(a.PlayThisSound, cameraOn ? 255 : 160);
        a.PlayThisSound = -1;
    }
    d.CameraOnMe = cameraOn;
    d.cameraDistance = cameraDistance;

    // Looping sounds follow the aircraft the camera rides with.
    if (theSounds) {
        const bool running = a.CurrentRPM > 1.0 && !(a.Damage1 & dmg::EngineStopped) && d.model;
        int32_t loop = -1;
        if (cameraOn && running && d.model) {
            if (cameraDistance < 10.0) loop = a.CurrentEngineSetting > 0.15 ? d.model->engineInside : d.model->engineIdle;
            else loop = d.model->engineOutside;
        }
        if (d.lastEngineSound >= 0 && d.lastEngineSound != loop) theSounds->SetContinousVolume(d.lastEngineSound, 0);
        if (loop >= 0) {
            const double revs = a.MaxRPM > 0 ? std::clamp(a.CurrentRPM / a.MaxRPM, 0.0, 1.3) : 1.0;
            const int volume = std::clamp(int(110 + 145 * std::clamp(a.CurrentEngineSetting, 0.0, 1.0)), 0, 255);
            theSounds->SetContinousVolume(loop, volume);
            theSounds->SetEngineAmpRate(loop, int32_t(65536.0 * (0.6 + 0.5 * revs)));
        }
        d.lastEngineSound = loop;

        int gun = 0;
        if (cameraOn) {
            if (a.GunsFiring) gun = cameraDistance < 10.0 ? 255 : 200;
            else if (nearestGunDistance > 0.0 && nearestGunDistance < 3000.0)
                gun = int(200.0 * (1.0 - nearestGunDistance / 3000.0));
        }
        if (gun > 0 || d.gunSoundOn) theSounds->SetContinousVolume(kGunSound, gun);
        d.gunSoundOn = gun > 0;
        if (cameraOn) {
            const int wind = std::clamp(int(mph() * 1.4), 0, 220);
            theSounds->SetContinousVolume(kWindSound, cameraDistance < 10.0 ? wind : wind / 3);
        }
    }

    // Propeller and wheels turn by the ticks that passed.
    if (ticks > 0) {
        const int n = std::min(ticks, 10);
        if (!(a.Damage1 & dmg::PropBroken)) {
            const double perTick = std::clamp(a.CurrentRPM / 10.0, 0.0, 170.0);  // deg per tick
            d.propAngle = std::fmod(d.propAngle + perTick * n, 360.0);
        }
        if (a.OnGround) {
            const double perTick = a.CurrentVelocity / (2.0 * 3.14159265 * 1.05) * 360.0;
            if (std::isfinite(perTick)) d.wheelAngle = std::fmod(d.wheelAngle + perTick * n, 360.0);
        }
    }
    animateParts();
    showHit();
}

void FlyableAircraft::animateParts() {
    looks::AircraftDrawState& d = Drawing;
    if (!d.model) return;
    const looks::AircraftModel& m = *d.model;
    std::vector<GLT2FN3FV3FFormat>& pts = d.TemplatePointsListCopy;
    if (pts.size() != m.points.size()) return;
    const PartInputs in = partInputs(ThisAircraft, d, mph(), live.attitude.Position[1]);
    std::vector<GroupPose> poses(m.groups.size());
    for (size_t k = 0; k < m.groups.size(); ++k) poses[k] = poseOf(m.groups[k], in);
    // Only the points of groups whose pose changed since the last tick are worked again
    // (buildDrawing copied the shape).
    reposeRuns(m, poses, changedRuns(m, poses, ShownGroupPoses, int(pts.size())), pts);
    ShownGroupPoses = std::move(poses);
    showPropellerDisc(m, d.TemplatePolyListCopy, in);
}

namespace {
// Whether the drawing holds the flash polygon and its corners.
bool hasFlash(const looks::AircraftDrawState& d) {
    return !d.TemplatePolyListCopy.empty() && d.TemplatePointsListCopy.size() >= size_t(kFlashFirst + kFlashPoints);
}
}  // namespace

void FlyableAircraft::showHit() {
    Aircraft& a = ThisAircraft;
    looks::AircraftDrawState& d = Drawing;
    const int32_t r = platform::presentationRandom().longFrom(-32768, 32767);  // the flash flickers
    if (!hasFlash(d)) {
        a.HitY = -15000.0;
        return;
    }
    if (a.HitY <= -10000.0 || d.HitFlashFlag != 0 || r <= 8000) {
        d.TemplatePolyListCopy[0].DrawHints |= kSkip;
        d.HitFlashFlag = std::max(0, d.HitFlashFlag - 1);
    } else {
        showFlashAt(a.HitX, a.HitY, a.HitZ);
        d.HitFlashFlag = 2;
    }
    a.HitY = -15000.0;
}

bool FlyableAircraft::showFlashAt(double x, double y, double z) {
    looks::AircraftDrawState& d = Drawing;
    if (!hasFlash(d)) return false;
    d.TemplatePolyListCopy[0].DrawHints &= ~kSkip;
    const double corner[4][2] = {{-5.5, 5.5}, {5.5, 5.5}, {5.5, -5.5}, {-5.5, -5.5}};
    for (int k = 0; k < kFlashPoints; ++k) {
        GLT2FN3FV3FFormat& p = d.TemplatePointsListCopy[kFlashFirst + k];
        p.X = float(x + corner[k][0]);
        p.Y = float(y + corner[k][1]);
        p.Z = float(z);
    }
    return true;
}

FlyableAircraft::FlashLook FlyableAircraft::flashLook() const {
    const looks::AircraftDrawState& d = Drawing;
    FlashLook look;
    if (!hasFlash(d)) return look;
    look.Hints = d.TemplatePolyListCopy[0].DrawHints;
    std::copy_n(d.TemplatePointsListCopy.begin() + kFlashFirst, kFlashPoints, look.Corners.begin());
    return look;
}

void FlyableAircraft::restoreFlash(const FlashLook& look) {
    looks::AircraftDrawState& d = Drawing;
    if (!hasFlash(d)) return;
    d.TemplatePolyListCopy[0].DrawHints = look.Hints;
    std::copy(look.Corners.begin(), look.Corners.end(), d.TemplatePointsListCopy.begin() + kFlashFirst);
}

namespace looks {

void useAircraftDrawing() {
    static const FlyableAircraft::DrawingHooks hooks{&FlyableAircraft::buildDrawing,   &FlyableAircraft::animateParts,
                                                     &FlyableAircraft::drawnRecord,    &FlyableAircraft::moveDrawnParts,
                                                     &FlyableAircraft::drawSmoke,      &FlyableAircraft::showHit};
    FlyableAircraft::setDrawingHooks(&hooks);
}

}  // namespace looks
}  // namespace pellam
