// The mission's map. Index: the canvas · the area a mission covers · the ground · the marks.
#include "tools/missiongen/MissionPicture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/ByteOrder.h"
#include "tools/missiongen/WorldMap.h"
#include "world/WorldGrid.h"

namespace pellam::missiongen {
namespace {

using namespace world;
using Colour = std::array<double, 3>;

constexpr Colour kRed = {178, 34, 30}, kBlue = {36, 64, 150}, kInkBlack = {30, 26, 22}, kWhite = {245, 240, 225};
constexpr Colour kRoad = {236, 226, 200}, kRoadEdge = {120, 96, 70}, kRiver = {96, 132, 170};
constexpr Colour kGreen = {40, 120, 48}, kBuilding = {92, 58, 40};

// ---- The canvas: world feet to pixels, and a few pens.
struct Canvas {
    int width, height;
    double x0, z1, feetPerPixel;  // the west edge, the north edge
    std::vector<Colour> pixels;

    double px(double x) const { return (x - x0) / feetPerPixel; }
    double py(double z) const { return (z1 - z) / feetPerPixel; }
    double wx(double p) const { return x0 + p * feetPerPixel; }
    double wz(double p) const { return z1 - p * feetPerPixel; }

    void blend(int x, int y, const Colour& c, double a) {
        if (x < 0 || y < 0 || x >= width || y >= height || a <= 0.0) return;
        Colour& p = pixels[size_t(y) * width + x];
        a = std::min(a, 1.0);
        for (int k = 0; k < 3; ++k) p[k] += (c[k] - p[k]) * a;
    }
    // A disc of radius r pixels, its edge smoothed over one pixel.
    void disc(double cx, double cy, double r, const Colour& c, double a = 1.0) {
        for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
            for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x)
                blend(x, y, c, a * std::clamp(r + 0.5 - std::hypot(x + 0.5 - cx, y + 0.5 - cy), 0.0, 1.0));
    }
    void ring(double cx, double cy, double r, double w, const Colour& c, double a = 1.0) {
        for (int y = int(cy - r - w - 1); y <= int(cy + r + w + 1); ++y)
            for (int x = int(cx - r - w - 1); x <= int(cx + r + w + 1); ++x) {
                const double d = std::fabs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r);
                blend(x, y, c, a * std::clamp(w / 2 + 0.5 - d, 0.0, 1.0));
            }
    }
    // A line w pixels wide; dashes of `dash` pixels when dash > 0.
    void line(double ax, double ay, double bx, double by, double w, const Colour& c, double dash = 0.0, double a = 1.0) {
        const double length = std::hypot(bx - ax, by - ay);
        const int steps = std::max(1, int(length * 2));
        for (int s = 0; s <= steps; ++s) {
            const double t = double(s) / steps;
            if (dash > 0.0 && std::fmod(t * length, 2 * dash) > dash) continue;
            disc(ax + (bx - ax) * t, ay + (by - ay) * t, w / 2, c, a * 0.35);
        }
    }
    // A rectangle of half sizes (hx, hz) pixels turned by `heading` degrees (0 north, 90 east).
    void box(double cx, double cy, double hx, double hz, double heading, const Colour& c) {
        const double s = std::sin(heading / 57.29577951), k = std::cos(heading / 57.29577951);
        const double r = std::hypot(hx, hz) + 1;
        for (int y = int(cy - r); y <= int(cy + r); ++y)
            for (int x = int(cx - r); x <= int(cx + r); ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                const double across = dx * k + dy * s, along = dx * s - dy * k;  // east, north in the box
                const double inside = std::min(hx + 0.5 - std::fabs(across), hz + 0.5 - std::fabs(along));
                blend(x, y, c, std::clamp(inside, 0.0, 1.0));
            }
    }
    void triangle(double cx, double cy, double r, const Colour& c) {
        for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
            for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                const double inside = std::min({dy + r * 0.5, r - dy - 2 * std::fabs(dx) * 0.9});
                blend(x, y, c, std::clamp(inside, 0.0, 1.0));
            }
    }
    // An aircraft seen from above, pointing along `heading`.
    void aircraft(double cx, double cy, double heading, double size, const Colour& c) {
        const double s = std::sin(heading / 57.29577951), k = std::cos(heading / 57.29577951);
        auto at = [&](double along, double across, double& x, double& y) {
            x = cx + along * s + across * k;
            y = cy - along * k + across * s;
        };
        double ax, ay, bx, by;
        at(size, 0, ax, ay);
        at(-size, 0, bx, by);
        line(ax, ay, bx, by, size * 0.45, c);  // fuselage
        at(size * 0.35, -size, ax, ay);
        at(size * 0.35, size, bx, by);
        line(ax, ay, bx, by, size * 0.5, c);  // wings
        at(-size * 0.85, -size * 0.45, ax, ay);
        at(-size * 0.85, size * 0.45, bx, by);
        line(ax, ay, bx, by, size * 0.3, c);  // tail
    }
};

Colour teamColour(int32_t team) { return team == 2 || team == 4 ? kBlue : team == 1 || team == 3 ? kRed : kInkBlack; }

// ---- The area a mission covers: its objects (not clouds), start places, paths and objectives.
struct Area {
    double minX = 1e12, maxX = -1e12, minZ = 1e12, maxZ = -1e12;
    void add(double x, double z) {
        if (!std::isfinite(x) || !std::isfinite(z) || x < kWorldMinX || x > kWorldMaxX || z < kWorldMinZ ||
            z > kWorldMaxZ)
            return;
        minX = std::min(minX, x), maxX = std::max(maxX, x), minZ = std::min(minZ, z), maxZ = std::max(maxZ, z);
    }
    bool empty() const { return minX > maxX; }
};

Area missionArea(const missions::MissionData& m) {
    Area a;
    const int total = std::clamp<int>(m.TotalObjects, 0, missions::kMaxObjects);
    for (int i = missions::kHeadObjects; i < total; ++i)
        if (m.ObjectList[i].ObjectCode != 5) a.add(m.ObjectList[i].Location[0], m.ObjectList[i].Location[2]);
    for (int n = 0; n < 8; ++n) {
        const missions::AircraftInit& s = m.AircraftStarts[n];
        if (!s.OnOff || s.LocationOffset < 0 || s.LocationOffset > 7) continue;
        a.add(m.MissionStartLocations[s.LocationOffset][0], m.MissionStartLocations[s.LocationOffset][2]);
    }
    const missions::VictoryConditions& v = m.TheVictory;
    const int32_t kinds[3] = {v.Location1Flags, v.Location2Flags, v.Location3Flags};
    const double* points[3] = {v.Location1, v.Location2, v.Location3};
    for (int k = 0; k < 3; ++k)
        if (kinds[k] == 2) a.add(points[k][0], points[k][2]);
    if (a.empty()) a.add(m.CameraLocation[0], m.CameraLocation[2]);
    if (a.empty()) a.add((kWorldMinX + kWorldMaxX) / 2, (kWorldMinZ + kWorldMaxZ) / 2);
    return a;
}

// ---- The ground: colours blended between square centres, hill shading, water and roads.
struct Ground {
    const std::vector<uint8_t>& elevation;
    const std::vector<uint8_t>& surface;
    uint8_t square(int i, int j) const {
        i = std::clamp(i, 0, kGridSize - 2), j = std::clamp(j, 0, kGridSize - 2);
        return surface[size_t(j) * kGridSize + i];
    }
    double post(int i, int j) const {
        i = std::clamp(i, 0, kGridSize - 1), j = std::clamp(j, 0, kGridSize - 1);
        return platform::readBEShort(&elevation[(size_t(j) * kGridSize + i) * 2]) * kFeetPerMetre;
    }
    double height(double x, double z) const {
        const double u = x / kSquareFeet, v = z / kSquareFeet;
        const int i = int(std::floor(u)), j = int(std::floor(v));
        const double fu = u - i, fv = v - j;
        return post(i, j) * (1 - fu) * (1 - fv) + post(i + 1, j) * fu * (1 - fv) + post(i, j + 1) * (1 - fu) * fv +
               post(i + 1, j + 1) * fu * fv;
    }
    Colour colour(double x, double z) const {
        const double u = x / kSquareFeet - 0.5, v = z / kSquareFeet - 0.5;
        const int i = int(std::floor(u)), j = int(std::floor(v));
        const double fu = u - i, fv = v - j;
        Colour c = {0, 0, 0};
        const double w[4] = {(1 - fu) * (1 - fv), fu * (1 - fv), (1 - fu) * fv, fu * fv};
        const int di[4] = {0, 1, 0, 1}, dj[4] = {0, 0, 1, 1};
        for (int k = 0; k < 4; ++k) {
            const auto& ink = groundInk(square(i + di[k], j + dj[k]) & 15);
            for (int q = 0; q < 3; ++q) c[q] += ink[q] * w[k];
        }
        return c;
    }
};

void paintGround(Canvas& canvas, const Ground& ground) {
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const double wx = canvas.wx(x + 0.5), wz = canvas.wz(y + 0.5);
            // Four samples a third of a square apart soften the squares' corners.
            Colour c = {0, 0, 0};
            static constexpr double o = kSquareFeet / 3, kOffsets[4][2] = {{-o, -o}, {o, -o}, {-o, o}, {o, o}};
            for (const auto& d : kOffsets) {
                const Colour s = ground.colour(wx + d[0], wz + d[1]);
                for (int k = 0; k < 3; ++k) c[k] += s[k] / 4;
            }
            // Light from the north-west over the slope across 300 ft.
            const double east = ground.height(wx + 150, wz) - ground.height(wx - 150, wz);
            const double north = ground.height(wx, wz + 150) - ground.height(wx, wz - 150);
            const double shade = std::clamp(1.0 + (north - east) * 0.004, 0.7, 1.2);
            for (double& v : c) v *= shade;
            canvas.pixels[size_t(y) * canvas.width + x] = c;
        }
    // Water squares again as a ribbon joining each to its water neighbours, and the roads as chords
    // between the midpoints of each square's road edges, so a road of bends reads as a diagonal.
    const int i0 = int(canvas.x0 / kSquareFeet) - 1, i1 = int(canvas.wx(canvas.width) / kSquareFeet) + 1;
    const int j0 = int(canvas.wz(canvas.height) / kSquareFeet) - 1, j1 = int(canvas.z1 / kSquareFeet) + 1;
    const double half = kSquareFeet / 2, squarePixels = kSquareFeet / canvas.feetPerPixel;
    auto isWater = [&](int i, int j) { return (ground.square(i, j) & 15) == kWater; };
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            if (!isWater(i, j)) continue;
            const double cx = canvas.px(i * kSquareFeet + half), cy = canvas.py(j * kSquareFeet + half);
            canvas.disc(cx, cy, squarePixels * 0.22, kRiver, 0.9);
            static const int kNext[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
            for (const auto& d : kNext) {
                if (!isWater(i + d[0], j + d[1])) continue;
                // A diagonal only where the river turns, not beside a straight run.
                if (d[0] && d[1] && (isWater(i + d[0], j) || isWater(i, j + d[1]))) continue;
                canvas.line(cx, cy, canvas.px((i + d[0]) * kSquareFeet + half), canvas.py((j + d[1]) * kSquareFeet + half),
                            squarePixels * 0.44, kRiver, 0.0, 0.9);
            }
        }
    static const double kEdge[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};  // low Z, high X, high Z, low X
    for (int pass = 0; pass < 2; ++pass)
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                const uint8_t edges = ground.square(i, j) >> 4;
                if (!edges) continue;
                double ex[4], ey[4];
                int count = 0;
                for (int e = 0; e < 4; ++e) {
                    if (!(edges & (1 << e))) continue;
                    ex[count] = canvas.px(i * kSquareFeet + half + kEdge[e][0] * half);
                    ey[count++] = canvas.py(j * kSquareFeet + half + kEdge[e][1] * half);
                }
                const double width = pass == 0 ? 3.6 : 1.7;
                const Colour& ink = pass == 0 ? kRoadEdge : kRoad;
                if (count == 1) {
                    canvas.line(canvas.px(i * kSquareFeet + half), canvas.py(j * kSquareFeet + half), ex[0], ey[0], width, ink);
                    continue;
                }
                for (int a = 0; a < count; ++a)
                    for (int b = a + 1; b < count; ++b) canvas.line(ex[a], ey[a], ex[b], ey[b], width, ink);
            }
}

// ---- The marks.
void markObject(Canvas& c, const missions::ObjectForMission& o) {
    const double x = c.px(o.Location[0]), y = c.py(o.Location[2]);
    const Colour side = teamColour(o.Team);
    switch (o.ObjectCode) {
    case 56: case 57: c.box(x, y, 5, 3.5, o.Heading, kBuilding); break;
    case 58: case 59: c.box(x, y, 2.5, 2, o.Heading, kBuilding); break;
    case 71: case 72: c.box(x, y, 2.2, 1.8, o.Heading, {150, 70, 50}); break;
    case 60: c.line(x, y, x, y - 6, 1.2, kInkBlack), c.triangle(x + 2, y - 6, 2, {230, 120, 40}); break;
    case 61: case 62: case 66: case 67: c.disc(x, y, 4.5, kWhite), c.disc(x, y, 3.5, side); break;
    case 65: c.triangle(x, y, 4.5, side), c.ring(x, y + 0.5, 5.5, 1, kInkBlack); break;
    case 74: c.box(x, y, 2.5, 2.5, 45, side); break;
    case 14: case 16: case 63: c.box(x, y, 1.8, 3, o.Heading, side), c.ring(x, y, 4, 1, kWhite, 0.6); break;
    case 75: case 76: c.box(x, y, 3, 4, o.Heading, side), c.box(x, y, 1.5, 2.5, o.Heading, kInkBlack); break;
    case 68: c.ring(x, y, 3.5, 1.6, {220, 40, 30}), c.disc(x, y, 1.5, kWhite); break;
    case 69: case 70: {
        const double span = (o.ObjectCode == 70 ? 3520.0 : 400.0) / c.feetPerPixel / 2;
        c.box(x, y, 2.5, std::max(span, 5.0), o.Heading, kInkBlack);
        c.box(x, y, 1.2, std::max(span, 5.0) - 1, o.Heading, {170, 160, 140});
        break;
    }
    case 73: c.ring(x, y, 3, 1.4, {70, 50, 36}); break;
    case 78: case 79: c.aircraft(x, y, o.Heading, 8, side); break;
    default: break;
    }
}

void markPath(Canvas& c, const missions::MissionData& m, int first, const Colour& colour) {
    bool seen[missions::kFlyToPoints] = {};
    for (int p = first; p >= 0 && p < missions::kFlyToPoints && !seen[p];) {
        seen[p] = true;
        const int next = m.FlyToPoints[p].NextPoint;
        if (next < 0 || next >= missions::kFlyToPoints) break;
        const auto& a = m.FlyToPoints[p].PointXYZ;
        const auto& b = m.FlyToPoints[next].PointXYZ;
        c.line(c.px(a[0]), c.py(a[2]), c.px(b[0]), c.py(b[2]), 1.6, colour, 5.0, 0.8);
        p = next;
    }
}

void markMission(Canvas& c, const missions::MissionData& m) {
    const int total = std::clamp<int>(m.TotalObjects, 0, missions::kMaxObjects);
    // Paths under everything: the aircraft's, then the objects' (vehicles, bombers).
    for (int n = 0; n < 8; ++n)
        if (m.AircraftStarts[n].OnOff) markPath(c, m, m.AircraftStarts[n].FirstFlyPoint, teamColour(m.AircraftStarts[n].Team));
    for (int i = missions::kHeadObjects; i < total; ++i) {
        const int first = ((m.ObjectList[i].Seed >> 24) & 0xFF) - 1;
        if (m.ObjectList[i].ObjectCode != 5 && first >= 0) markPath(c, m, first, teamColour(m.ObjectList[i].Team));
    }
    // Objectives: where to fly, what to destroy, what to keep.
    const missions::VictoryConditions& v = m.TheVictory;
    const int32_t kinds[3] = {v.Location1Flags, v.Location2Flags, v.Location3Flags};
    const double* points[3] = {v.Location1, v.Location2, v.Location3};
    const double near[3] = {v.Location1NearDistance, v.Location2NearDistance, v.Location3NearDistance};
    for (int k = 0; k < 3; ++k)
        if (kinds[k] == 2)
            c.ring(c.px(points[k][0]), c.py(points[k][2]), std::max(near[k] / c.feetPerPixel, 6.0), 2.0, kInkBlack, 0.8);
    for (int i = missions::kHeadObjects; i < total; ++i) markObject(c, m.ObjectList[i]);
    auto circle = [&](const std::array<int32_t, 20>& list, int32_t required, const Colour& colour) {
        if (required < 1) return;
        for (int32_t index : list)
            if (index >= missions::kHeadObjects && index < total)
                c.ring(c.px(m.ObjectList[index].Location[0]), c.py(m.ObjectList[index].Location[2]), 10, 2.2, colour);
    };
    circle(v.ParticularDeadObjects, v.RequiredNumberOfDeadObjects, {210, 30, 20});
    circle(v.ParticularAliveObjects, v.RequiredNumberOfAliveObjects, kGreen);
    // The aircraft at their start places, the player's ringed.
    for (int n = 7; n >= 0; --n) {
        const missions::AircraftInit& s = m.AircraftStarts[n];
        if (!s.OnOff || s.LocationOffset < 0 || s.LocationOffset > 7) continue;
        const double* p = m.MissionStartLocations[s.LocationOffset];
        const double x = c.px(p[0]), y = c.py(p[2]);
        if (n == 0) c.disc(x, y, 11, kWhite, 0.7);
        c.aircraft(x, y, p[3], 7, teamColour(s.Team));
    }
}

// A compass arrow in the north-east corner and a mile bar in the south-west.
void markScale(Canvas& c) {
    const double x = c.width - 18.0, y = 28.0;
    c.disc(x, y, 13, kWhite, 0.7);
    c.line(x, y + 9, x, y - 9, 2.2, kInkBlack);
    c.triangle(x, y - 8, 4, kInkBlack);
    double mile = 5280.0 / c.feetPerPixel;
    int miles = 1;
    while (mile * miles < 40) ++miles;
    const double bx = 14, by = c.height - 14;
    c.box(bx + mile * miles / 2, by, mile * miles / 2 + 3, 5, 0, kWhite);
    for (int k = 0; k < miles; ++k)
        c.line(bx + mile * k, by, bx + mile * (k + 1), by, 3, k % 2 ? kWhite : kInkBlack);
    c.line(bx, by, bx + mile * miles, by, 1, kInkBlack, 0.0, 0.6);
}

}  // namespace

platform::RGBAImage paintMissionPicture(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                                        const missions::MissionData& mission, int width, int height) {
    platform::RGBAImage picture;
    if (elevation.size() != kElevationBytes || surface.size() != kSurfaceBytes || width < 16 || height < 16)
        return picture;
    // The mission's area with a margin, at least seven miles across, in the picture's shape.
    const Area a = missionArea(mission);
    const double cx = (a.minX + a.maxX) / 2, cz = (a.minZ + a.maxZ) / 2;
    const double spanX = std::max((a.maxX - a.minX) * 1.2 + 6000.0, 36000.0);
    const double spanZ = std::max((a.maxZ - a.minZ) * 1.2 + 6000.0, 36000.0 * height / width);
    const double feetPerPixel = std::max(spanX / width, spanZ / height);
    Canvas canvas{width, height, cx - feetPerPixel * width / 2, cz + feetPerPixel * height / 2, feetPerPixel,
                  std::vector<Colour>(size_t(width) * height)};
    paintGround(canvas, Ground{elevation, surface});
    markMission(canvas, mission);
    markScale(canvas);
    // A thin dark frame, as a map glued into a logbook.
    for (int x = 0; x < width; ++x) canvas.blend(x, 0, kInkBlack, 1), canvas.blend(x, height - 1, kInkBlack, 1);
    for (int y = 0; y < height; ++y) canvas.blend(0, y, kInkBlack, 1), canvas.blend(width - 1, y, kInkBlack, 1);

    picture.width = width;
    picture.height = height;
    picture.pixels.resize(size_t(width) * height * 4);
    for (size_t k = 0; k < canvas.pixels.size(); ++k) {
        for (int q = 0; q < 3; ++q) picture.pixels[k * 4 + q] = uint8_t(std::clamp(canvas.pixels[k][q], 0.0, 255.0));
        picture.pixels[k * 4 + 3] = 255;
    }
    return picture;
}

}  // namespace pellam::missiongen
