// The aircraft's smoke ring drawn through the view.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/DrawHints.h"
#include "render/ObjectDrawing.h"

namespace pellam {
namespace {

constexpr int kPieces = looks::AircraftDrawState::kSmokePieces;
// A tracer burns far brighter than its size: it is drawn no narrower than this share of its
// distance from the eye (rad, about three pixels across at 768 lines), with a glow at its head
// twice as wide, so that one flying straight away still shows as a spark.
constexpr double kTracerLeastAngle = 0.0025;
constexpr double kTracerGlow = 2.0;
// Puffs laid closer than their size make a column as thick as this many laid over each other.
constexpr double kLayers = 4.0;
constexpr double kLeastShare = 0.005;  // of a puff's strength, however closely they are laid
// A puff's quad moved toward the eye stands this far beyond the near plane (of its distance), and
// is sized as if its middle lay at least this share of its half side ahead of the eye.
constexpr double kBeyondNear = 1.01;
constexpr double kLeastAhead = 0.1;

// A column laid from one spot, a wreck's, is puffs all alike drifting along one line: from above,
// the ruler-straight envelope of equal discs. Its puffs wander across and along the wind, by up to
// this share of their half side once they are kWanderAge old, and swell or shrink by up to
// kSwell of their size, smoothly from one puff to the next (turbulence keyed on when each was laid
// and its kind, so that every view and every run draws the same column, and the simulation's
// stream is left alone). Puffs laid a quarter of their size apart or more, as a flying aircraft
// lays them, go as they were left.
constexpr double kWander = 0.9;
constexpr double kWanderAge = 120.0;  // ticks
constexpr double kSwell = 0.25;

struct Look {
    float r, g, b, a;
};
Look lookOf(int16_t kind) {
    switch (kind) {
    case OneSmokePiece::kGroundStrike: return {0.55f, 0.47f, 0.36f, 0.7f};  // chalky Flanders dust
    case OneSmokePiece::kDamageSmoke: return {0.75f, 0.75f, 0.75f, 0.55f};
    case OneSmokePiece::kEngineSmoke: return {0.18f, 0.17f, 0.16f, 0.7f};   // burnt castor oil
    case OneSmokePiece::kFire: return {0.1f, 0.08f, 0.07f, 0.85f};
    default: return {1.0f, 0.84f, 0.38f, 1.0f};                            // tracer: burning phosphorus
    }
}


// Turns a facing square's corners (unit offsets round the head) into a band `half` ft wide from
// the head back to the tail, across the path as seen from the eye.
void streak(XYZInput* four, const double* tail, const double* head, double half) {
    const double up[3] = {(four[0].MyX + four[1].MyX) * 0.5, (four[0].MyY + four[1].MyY) * 0.5,
                          (four[0].MyZ + four[1].MyZ) * 0.5};
    const double right[3] = {(four[1].MyX - four[0].MyX) * 0.5, (four[1].MyY - four[0].MyY) * 0.5,
                             (four[1].MyZ - four[0].MyZ) * 0.5};
    double d[3] = {head[0] - tail[0], head[1] - tail[1], head[2] - tail[2]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len > 1e-9)
        for (double& v : d) v /= len;
    // Whichever of the eye's up and right lies more across the path, with the along part taken out.
    const double du = up[0] * d[0] + up[1] * d[1] + up[2] * d[2], dr = right[0] * d[0] + right[1] * d[1] + right[2] * d[2];
    const double* a = std::fabs(du) < std::fabs(dr) ? up : right;
    const double da = std::fabs(du) < std::fabs(dr) ? du : dr;
    double across[3] = {a[0] - d[0] * da, a[1] - d[1] * da, a[2] - d[2] * da};
    const double al = std::sqrt(across[0] * across[0] + across[1] * across[1] + across[2] * across[2]);
    for (double& v : across) v = al > 1e-9 ? v / al * half : 0.0;
    const double back[3] = {tail[0] - head[0], tail[1] - head[1], tail[2] - head[2]};
    const double sides[4] = {1, -1, -1, 1};
    for (int k = 0; k < 4; ++k) {
        four[k].MyX = across[0] * sides[k] + (k >= 2 ? back[0] : 0.0);
        four[k].MyY = across[1] * sides[k] + (k >= 2 ? back[1] : 0.0);
        four[k].MyZ = across[2] * sides[k] + (k >= 2 ? back[2] : 0.0);
    }
}

// Where a puff's quad is drawn. Facing the eye, it is one plane through the puff's middle, and the
// ground or the wreck within the puff cut it along the straight line where they cross that plane:
// from close by, across much of the view. So it is moved toward the eye, growing as it comes, to
// the front of the puff's ball (never nearer than the near plane), where it covers the same
// pixels; what lies within the ball shows through it. An eye within the ball sees only the part
// of it ahead: Share of the puff's strength, none once it lies wholly behind.
struct PuffPlace {
    std::array<double, 3> Centre{};
    double Half = 0, Share = 1;
};

// `ahead`: the eye's forward axis, a unit vector; `nearPlane` in ft ahead of the eye.
PuffPlace placePuff(const std::array<double, 3>& at, double half, const double* eye, const double* ahead,
                    double nearPlane) {
    PuffPlace out{at, half, 1.0};
    if (!eye || !(half > 0)) return out;
    const double from[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
    const double depth = from[0] * ahead[0] + from[1] * ahead[1] + from[2] * ahead[2];
    out.Share = std::clamp((depth + half) / (2 * half), 0.0, 1.0);
    if (out.Share <= 0) return out;
    const double front = std::max(depth - half, nearPlane * kBeyondNear);
    const double grow = front / std::max(depth, kLeastAhead * half);
    for (int i = 0; i < 3; ++i) out.Centre[size_t(i)] = eye[i] + (from[i] - ahead[i] * depth) * grow + ahead[i] * front;
    out.Half = half * grow;
    return out;
}

using Smokes = std::array<OneSmokePiece, kPieces>;
using Centres = std::array<std::array<double, 3>, kPieces>;

// A value in [-1, 1] drifting smoothly with the time `t` (ticks) over about `period` ticks: a
// hashed value at each whole period, eased between them.
double driftingValue(int32_t t, int32_t period, uint32_t key) {
    auto value = [key](int32_t k) {
        uint32_t h = uint32_t(k) * 0x9E3779B1u ^ key * 0x85EBCA77u;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        h *= 0x297A2D39u;
        h ^= h >> 15;
        return double(h) / 4294967295.0 * 2.0 - 1.0;
    };
    const int32_t k = t >= 0 ? t / period : -((period - 1 - t) / period);
    const double u = double(t - k * period) / period, eased = u * u * (3.0 - 2.0 * u);
    return value(k) + (value(k + 1) - value(k)) * eased;
}

// Slow billows with quicker eddies over them.
double turbulence(int32_t t, uint32_t key) {
    return 0.7 * driftingValue(t, 40, key) + 0.3 * driftingValue(t, 12, key + 1);
}

// How fully a puff wanders: wholly when laid where the puff laid before it was (or, that one gone,
// the one after), not at all a quarter of its size away or more, or with no such neighbour.
double wanderShare(const Smokes& smokes, int slot) {
    const OneSmokePiece& p = smokes[size_t(slot)];
    for (const int step : {kPieces - 1, 1}) {
        const OneSmokePiece& q = smokes[size_t((slot + step) % kPieces)];
        if (q.Kind != p.Kind || q.TimeStarted <= -1000 || std::abs(q.TimeStarted - p.TimeStarted) > 60) continue;
        const double apart = std::hypot(p.Position[0] - q.Position[0], p.Position[1] - q.Position[1],
                                        p.Position[2] - q.Position[2]);
        return std::clamp(1.0 - kLayers * apart / std::max(p.Size, 0.1f), 0.0, 1.0);
    }
    return 0.0;
}

// Where a piece stands now: a tracer at its head, a puff drifted from where it was left.
std::array<double, 3> pieceCentre(const OneSmokePiece& p, int32_t now) {
    const int32_t age = now - p.TimeStarted;
    std::array<double, 3> c{};
    for (size_t i = 0; i < 3; ++i)
        c[i] = p.Kind == OneSmokePiece::kTracer ? p.Movement[i] : p.Position[i] + p.Movement[i] * age;
    return c;
}

// Where a puff is drawn, and its half side (ft), once wandered and swollen; a tracer as it is.
struct Drawn {
    std::array<double, 3> Centre{};
    double Half = 0;
};
Drawn drawnPiece(const Smokes& smokes, int slot, int32_t now) {
    const OneSmokePiece& p = smokes[size_t(slot)];
    const int32_t age = now - p.TimeStarted;
    Drawn out{pieceCentre(p, now), 0.5 * (p.Size + p.Grow * age)};
    if (p.Kind == OneSmokePiece::kTracer) return out;
    const double share = wanderShare(smokes, slot);
    if (share <= 0) return out;
    const uint32_t key = uint32_t(p.Kind) * 4;
    const double wander = share * kWander * out.Half * std::min(1.0, age / kWanderAge);
    out.Centre[0] += wander * turbulence(p.TimeStarted, key);
    out.Centre[2] += wander * turbulence(p.TimeStarted, key + 2);
    out.Half *= 1.0 + share * kSwell * turbulence(p.TimeStarted, key + 3);
    return out;
}
using Drawns = std::array<Drawn, kPieces>;

// Farthest first, so that each quad is drawn over the ones behind it: the depth along the eye's
// forward axis, which is the facing squares' right crossed with their up. Answers that axis.
std::array<double, 3> sortFarthestFirst(render::ObjectDrawingView& view, const Drawns& drawn,
                                        std::array<int16_t, kPieces>& order, int live) {
    XYZInput axes[4];
    std::array<double, 3> c = drawn[size_t(order[0])].Centre;
    view.glMakeFacingSquare(c.data(), axes);
    const double right[3] = {axes[1].MyX - axes[0].MyX, axes[1].MyY - axes[0].MyY, axes[1].MyZ - axes[0].MyZ};
    const double up[3] = {axes[0].MyX + axes[1].MyX, axes[0].MyY + axes[1].MyY, axes[0].MyZ + axes[1].MyZ};
    std::array<double, 3> ahead = {right[1] * up[2] - right[2] * up[1], right[2] * up[0] - right[0] * up[2],
                                   right[0] * up[1] - right[1] * up[0]};
    const double length = std::hypot(ahead[0], ahead[1], ahead[2]);
    for (double& a : ahead) a = length > 0 ? a / length : 0.0;
    auto depth = [&](int16_t i) {
        const std::array<double, 3>& at = drawn[size_t(i)].Centre;
        return at[0] * ahead[0] + at[1] * ahead[1] + at[2] * ahead[2];
    };
    std::sort(order.begin(), order.begin() + live, [&](int16_t a, int16_t b) { return depth(a) > depth(b); });
    return ahead;
}

// Puffs laid much closer than their size (a wreck's column, a source that hardly moves) are
// thinned by how closely: else a ray through the column meets dozens, and it is one opaque slab
// with the straight edges of their envelope. Laid a quarter of their size apart or more, as a
// flying aircraft lays them, each keeps its strength. `before` is the piece laid just before.
float thinnedAlpha(float alpha, const OneSmokePiece& p, const std::array<double, 3>& at, const OneSmokePiece& before,
                   int32_t now) {
    if (before.Kind != p.Kind || before.TimeStarted >= p.TimeStarted || now - before.TimeStarted > before.Life)
        return alpha;
    const std::array<double, 3> b = pieceCentre(before, now);
    const double apart = std::hypot(at[0] - b[0], at[1] - b[1], at[2] - b[2]);
    const double share = std::clamp(kLayers * apart / std::max(p.Size, 0.1f), kLeastShare, 1.0);
    return float(1.0 - std::pow(1.0 - alpha, share));
}

}  // namespace

void FlyableAircraft::drawSmoke() {
    // The view that runs also draws objects' own quads; any other view draws no smoke.
    auto* view = dynamic_cast<render::ObjectDrawingView*>(Drawing.view);
    if (!view) return;
    const int32_t now = aController ? aController->getGlobalMissionTime() : live.globalTime;

    // The live pieces; the old ones are freed.
    auto& order = Drawing.smokeOrder;
    int live = 0;
    for (int i = 0; i < kPieces; ++i) {
        OneSmokePiece& p = own.smokes[i];
        if (p.TimeStarted <= -1000) continue;
        const int32_t age = now - p.TimeStarted;
        if (age > p.Life) p.TimeStarted = -1000;
        // A replay may have gone back before it; the view draws the smoke in bands about the decks.
        else if (age >= 0 && view->drawsSmokeAt(pieceCentre(p, now)[1])) order[live++] = int16_t(i);
    }
    if (live == 0) return;

    Drawns drawn;
    for (int n = 0; n < live; ++n) drawn[size_t(order[n])] = drawnPiece(own.smokes, order[n], now);
    const std::array<double, 3> ahead = sortFarthestFirst(*view, drawn, order, live);

    static const PointUV kCorners[5] = {{0, 0.0f, 0.0f}, {1, 1.0f, 0.0f}, {2, 1.0f, 1.0f}, {3, 0.0f, 1.0f}, {-1, 0, 0}};
    // A streak takes the puff's bright middle all along its length.
    static const PointUV kStreak[5] = {{0, 0.35f, 0.5f}, {1, 0.65f, 0.5f}, {2, 0.65f, 0.5f}, {3, 0.35f, 0.5f}, {-1, 0, 0}};
    OnePolygon quad;
    quad.MapNumber = 0;
    quad.DefaultDrawType = 9;
    // Coloured per point, seen from both sides, and drawn over a puff at the same depth.
    quad.DrawHints = kUnlit | kNoCull | kLEqual;
    quad.PointListStart = 0;
    const MaterialLightData light{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1};
    view->glSetCurrentTexture(Drawing.smokeSlot, 12);
    render::ObjectDrawingView::EyeWindow window;
    const double nearPlane = view->eyeWindow(window) ? window.Near : 0.0;
    for (int n = 0; n < live; ++n) {
        const OneSmokePiece& p = own.smokes[order[n]];
        const int32_t age = now - p.TimeStarted;
        const Look look = lookOf(p.Kind);
        const bool tracer = p.Kind == OneSmokePiece::kTracer;
        const std::array<double, 3>& at = drawn[size_t(order[n])].Centre;
        const double f = tracer ? 0.0 : double(age) / std::max<int16_t>(p.Life, 1);
        double half = drawn[size_t(order[n])].Half;
        if (const double* eye = tracer ? view->eyePosition() : nullptr) {
            const double d = std::sqrt((at[0] - eye[0]) * (at[0] - eye[0]) + (at[1] - eye[1]) * (at[1] - eye[1]) +
                                       (at[2] - eye[2]) * (at[2] - eye[2]));
            half = std::max(half, d * kTracerLeastAngle);
        }
        const PuffPlace place =
            tracer ? PuffPlace{at, half, 1.0} : placePuff(at, half, view->eyePosition(), ahead.data(), nearPlane);
        if (place.Share <= 0) continue;
        std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (int i = 0; i < 3; ++i) m[12 + i] = place.Centre[size_t(i)];
        view->setupDrawingMatrixForModel(m.data());
        XYZInput four[4];
        view->glMakeFacingSquare(place.Centre.data(), four);
        float colour[4] = {look.r, look.g, look.b, float(look.a * (1.0 - f))};
        if (!tracer) {
            const OneSmokePiece& before = own.smokes[size_t((order[n] + kPieces - 1) % kPieces)];
            colour[3] = thinnedAlpha(colour[3], p, pieceCentre(p, now), before, now);
            colour[3] = float(1.0 - std::pow(1.0 - colour[3], place.Share));
        }
        if (p.Kind == OneSmokePiece::kFire && age < 20) {
            // Fresh fire glows before it turns to smoke.
            colour[0] = 1.0f;
            colour[1] = 0.55f;
            colour[2] = 0.15f;
        }
        XYZInput glow[4];
        std::copy(four, four + 4, glow);
        auto paint = [&](XYZInput* corners, double scale) {
            for (int k = 0; k < 4; ++k) {
                XYZInput& q = corners[k];
                q.MyX *= scale;
                q.MyY *= scale;
                q.MyZ *= scale;
                q.Myr = colour[0];
                q.Myg = colour[1];
                q.Myb = colour[2];
                q.Mya = colour[3];
            }
        };
        if (tracer) {
            streak(four, p.Position.data(), p.Movement.data(), half);
            paint(four, 1.0);
            view->glDrawTransparentTexture(&quad, four, kStreak, &light);
            paint(glow, half * kTracerGlow);
            view->glDrawTransparentTexture(&quad, glow, kCorners, &light);
        } else {
            paint(four, place.Half);
            view->glDrawTransparentTexture(&quad, four, kCorners, &light);
        }
    }
}

}  // namespace pellam
