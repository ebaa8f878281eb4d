// Heights and surface of the Western Front.
//
// Index: geography (projection, coast, hills, rivers, front, towns) · heights · sea · rivers ·
// the bridge gorge · surface codes · settlements and roads · encoding.
#include <algorithm>
#include <cmath>

#include "platform/ByteOrder.h"
#include "tools/worldgen/WorldGen.h"
#include "world/WorldGrid.h"

namespace pellam::worldgen {

using namespace world;

namespace {

constexpr int N = kGridSize;
constexpr double S = kSquareFeet;

// ---- Geography. Places are given by longitude and latitude and put on the game's map by the
// affine fit through the eight towns the mission builder names.
struct Town {
    const char* Name;
    double Lat, Lon;  // deg
    double X, Z;      // ft on the game's map
    double Radius;    // ft of built-up ground
};
constexpr Town kTowns[] = {
    {"Hazebrouck", 50.72, 2.54, 2013460.416, 2240285.056, 2400},
    {"Ypres", 50.85, 2.885, 2085600, 2278960, 2600},
    {"Lille", 50.63, 3.06, 2122560, 2210320, 5200},
    {"Douai", 50.37, 3.08, 2128694.304, 2141764.48, 3000},
    {"Albert", 50.00, 2.65, 2026655.136, 2045003.2, 2200},
    {"St. Quentin", 49.85, 3.29, 2171797.056, 2001020.8, 3400},
    {"Laon", 49.56, 3.62, 2244807.84, 1924491.424, 2600},
    {"Reims", 49.26, 4.03, 2333760, 1835440, 4600},
};
// Other towns of the region, placed by the fit.
struct Place {
    double Lon, Lat, Radius;
};
constexpr Place kOtherTowns[] = {
    {2.78, 50.29, 3600},  {2.30, 49.89, 4400}, {3.23, 50.17, 3000}, {2.83, 50.43, 2600}, {2.88, 50.69, 2000},
    {2.85, 50.10, 1800},  {2.93, 49.93, 1800}, {3.32, 49.38, 2600}, {2.64, 50.53, 2200}, {2.25, 50.75, 2400},
    {2.38, 51.03, 3200},  {1.85, 50.95, 3000}, {1.61, 50.72, 2800}, {1.83, 50.10, 2200}, {3.00, 49.58, 1600},
    {2.83, 49.42, 2400},  {3.95, 49.04, 2200}, {3.52, 50.36, 3000}, {3.95, 50.45, 3000}, {3.39, 50.60, 2400},
    {3.26, 50.83, 2600},  {3.73, 51.05, 4000}, {4.35, 50.85, 6000}, {2.35, 48.86, 9000}, {2.57, 49.65, 1600},
    {3.40, 49.05, 1800},  {4.37, 48.96, 2400}, {5.38, 49.16, 2400}, {2.48, 49.27, 1600}, {3.10, 49.18, 1400},
};

struct Point {
    double A, B;  // longitude and latitude, or game X and Z when A is above 1000
    double Value; // river level (m); unused for the front
};

// Rivers, with the water level along them, m. The Vesle turns west under the long bridge.
const std::vector<std::vector<Point>>& rivers() {
    static const std::vector<std::vector<Point>> r = {
        // Lys
        {{2.25, 50.62, 40}, {2.40, 50.64, 25}, {2.55, 50.66, 18}, {2.72, 50.68, 15}, {2.88, 50.69, 14},
         {3.05, 50.76, 12}, {3.15, 50.80, 11}, {3.27, 50.83, 10}, {3.50, 50.95, 8}, {3.72, 51.05, 5}},
        // Scarpe
        {{2.55, 50.30, 75}, {2.78, 50.29, 60}, {2.95, 50.33, 35}, {3.08, 50.37, 25}, {3.25, 50.40, 19},
         {3.43, 50.45, 16}, {3.53, 50.50, 14}},
        // Scheldt
        {{3.28, 49.98, 85}, {3.23, 50.17, 45}, {3.40, 50.33, 25}, {3.52, 50.36, 20}, {3.60, 50.52, 15},
         {3.39, 50.60, 12}, {3.40, 50.78, 9}, {3.73, 51.05, 5}, {4.10, 51.15, 2}, {4.40, 51.30, 0}},
        // Somme
        {{3.40, 49.90, 85}, {3.29, 49.84, 70}, {3.07, 49.75, 58}, {2.93, 49.93, 48}, {2.72, 49.94, 40},
         {2.51, 49.91, 30}, {2.30, 49.89, 20}, {2.05, 50.00, 10}, {1.83, 50.10, 4}, {1.62, 50.20, 0}},
        // Oise
        {{4.05, 49.95, 120}, {3.62, 49.80, 70}, {3.37, 49.66, 50}, {3.00, 49.58, 40}, {2.83, 49.42, 33},
         {2.48, 49.27, 28}, {2.20, 49.05, 22}},
        // Aisne
        {{4.70, 49.40, 90}, {4.40, 49.45, 70}, {3.90, 49.40, 52}, {3.60, 49.38, 48}, {3.32, 49.38, 42},
         {3.05, 49.40, 36}, {2.83, 49.42, 33}},
        // Vesle, past the west side of Reims
        {{4.30, 49.08, 110}, {4.15, 49.19, 90}, {2331000, 1832800, 82}, {2310000, 1838500, 78},
         {2288000, 1843800, 75}, {3.68, 49.31, 62}, {3.53, 49.34, 52}, {3.47, 49.37, 48}},
        // The stream in the gorge under the long bridge, down to the Vesle
        {{2366000, 1846240, 90}, {2329360, 1846240, 86}, {2300000, 1846240, 80}, {2288000, 1843800, 75}},
        // Marne
        {{4.37, 48.96, 85}, {4.15, 49.03, 75}, {3.95, 49.04, 68}, {3.62, 49.07, 62}, {3.40, 49.05, 58},
         {3.10, 48.95, 52}, {2.80, 48.95, 45}, {2.45, 48.82, 35}},
        // Yser
        {{2.45, 50.85, 15}, {2.70, 50.92, 6}, {2.86, 51.03, 3}, {2.75, 51.14, 0}},
    };
    return r;
}

// The line of the front through the summer of 1918, from the sea at Nieuport to Verdun.
const std::vector<Point>& frontLine() {
    static const std::vector<Point> f = {
        {2.73, 51.16, 0}, {2.85, 51.03, 0}, {2.93, 50.87, 0}, {2.80, 50.77, 0}, {2.70, 50.70, 0},
        {2.63, 50.62, 0}, {2.72, 50.52, 0}, {2.78, 50.42, 0}, {2.81, 50.30, 0}, {2.74, 50.15, 0},
        {2.65, 50.00, 0}, {2.93, 49.92, 0}, {3.22, 49.85, 0}, {3.37, 49.66, 0}, {3.55, 49.46, 0},
        {3.90, 49.40, 0}, {4.03, 49.38, 0}, {4.16, 49.25, 0}, {4.50, 49.18, 0}, {4.95, 49.21, 0},
        {5.40, 49.22, 0}};
    return f;
}

// Hills and lowlands: centre, radii (deg) and height, m.
struct Bump {
    double Lon, Lat, RLon, RLat, Height;
};
constexpr Bump kBumps[] = {
    {2.70, 51.00, 0.90, 0.35, -75}, {4.00, 51.20, 1.50, 0.40, -45}, {5.50, 52.50, 1.50, 1.00, -60},
    {2.20, 50.50, 0.60, 0.16, 75},  {2.75, 50.37, 0.12, 0.05, 55},  {2.81, 50.78, 0.045, 0.028, 120},
    {2.49, 50.80, 0.045, 0.028, 135}, {2.66, 50.78, 0.20, 0.03, 35}, {2.60, 49.80, 1.00, 0.40, 45},
    {3.60, 49.45, 0.60, 0.20, 80},  {3.62, 49.565, 0.05, 0.03, 75}, {3.60, 49.44, 0.35, 0.04, 45},
    {4.00, 49.13, 0.25, 0.06, 150}, {5.30, 49.90, 1.00, 0.50, 330}, {4.95, 49.20, 0.10, 0.30, 110},
    {6.80, 48.40, 1.00, 0.80, 420}, {3.00, 45.50, 2.50, 1.50, 700}, {4.20, 49.25, 0.08, 0.04, 110},
};

// The sea, and England inside it, as (longitude, latitude) polygons.
constexpr double kSea[][2] = {
    {-8, 43.4},   {-1.8, 43.4},  {-1.3, 44.5},  {-1.1, 46.0},  {-2.2, 47.1}, {-3.0, 47.5},  {-4.4, 47.8},
    {-4.8, 48.3}, {-4.6, 48.6},  {-3.5, 48.85}, {-2.6, 48.55}, {-1.6, 48.65}, {-1.9, 49.6}, {-1.3, 49.7},
    {-1.1, 49.35}, {0.1, 49.45}, {0.15, 49.7},  {1.0, 49.95},  {1.55, 50.2}, {1.6, 50.75},  {1.85, 50.96},
    {2.4, 51.05}, {3.3, 51.37},  {3.7, 51.45},  {4.05, 51.95}, {4.6, 52.5},  {4.75, 53.0},  {5.5, 53.45},
    {7.0, 53.65}, {8.2, 53.55},  {8.7, 53.9},   {8.6, 56},     {-8, 56}};
constexpr double kEngland[][2] = {
    {-7, 50.0},  {-5.0, 49.95}, {-3.5, 50.3}, {-2.0, 50.55}, {-1.0, 50.75}, {0.3, 50.75}, {1.0, 50.95},
    {1.42, 51.2}, {1.4, 51.4},  {0.7, 51.5},  {1.7, 52.3},   {1.75, 52.7},  {1.3, 52.95}, {0.3, 53.05},
    {0.1, 53.5}, {-0.2, 54.2},  {-0.5, 56},   {-7, 56}};

struct Projection {
    double Xa = 0, Xb = 0, Xc = 0, Za = 0, Zb = 0, Zc = 0;  // X = Xa lon + Xb lat + Xc
    void toGame(double lon, double lat, double& x, double& z) const {
        x = Xa * lon + Xb * lat + Xc;
        z = Za * lon + Zb * lat + Zc;
    }
    void toLonLat(double x, double z, double& lon, double& lat) const {
        const double det = Xa * Zb - Xb * Za;
        lon = (Zb * (x - Xc) - Xb * (z - Zc)) / det;
        lat = (Xa * (z - Zc) - Za * (x - Xc)) / det;
    }
    void place(const Point& p, double& x, double& z) const {
        if (p.A > 1000.0) {
            x = p.A;
            z = p.B;
        } else {
            toGame(p.A, p.B, x, z);
        }
    }
};

// Least squares through the eight towns.
Projection fitProjection() {
    double m[3][3] = {}, bx[3] = {}, bz[3] = {};
    for (const Town& t : kTowns) {
        const double row[3] = {t.Lon, t.Lat, 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
            bx[i] += row[i] * t.X;
            bz[i] += row[i] * t.Z;
        }
    }
    auto solve = [&](const double* b, double* out) {
        double a[3][4];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) a[i][j] = m[i][j];
            a[i][3] = b[i];
        }
        for (int c = 0; c < 3; ++c) {
            int p = c;
            for (int r = c + 1; r < 3; ++r)
                if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
            for (int k = 0; k < 4; ++k) std::swap(a[c][k], a[p][k]);
            for (int r = 0; r < 3; ++r) {
                if (r == c) continue;
                const double f = a[r][c] / a[c][c];
                for (int k = 0; k < 4; ++k) a[r][k] -= f * a[c][k];
            }
        }
        for (int i = 0; i < 3; ++i) out[i] = a[i][3] / a[i][i];
    };
    double x[3], z[3];
    solve(bx, x);
    solve(bz, z);
    return {x[0], x[1], x[2], z[0], z[1], z[2]};
}

double smoothstep(double e0, double e1, double v) {
    const double t = std::clamp((v - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

size_t at(int i, int j) { return size_t(j) * N + i; }

// Fills a polygon given in (lon, lat) into the post mask, row by row.
void fillPolygon(const Projection& pr, const double (*poly)[2], int count, std::vector<uint8_t>& mask, uint8_t value) {
    std::vector<double> xs(count), zs(count), cross;
    for (int k = 0; k < count; ++k) pr.toGame(poly[k][0], poly[k][1], xs[k], zs[k]);
    for (int j = 0; j < N; ++j) {
        const double z = j * S;
        cross.clear();
        for (int k = 0; k < count; ++k) {
            const int n = (k + 1) % count;
            if ((zs[k] <= z) != (zs[n] <= z)) cross.push_back(xs[k] + (z - zs[k]) / (zs[n] - zs[k]) * (xs[n] - xs[k]));
        }
        std::sort(cross.begin(), cross.end());
        for (size_t c = 0; c + 1 < cross.size(); c += 2) {
            const int i0 = std::max(0, int(std::ceil(cross[c] / S))), i1 = std::min(N - 1, int(std::floor(cross[c + 1] / S)));
            for (int i = i0; i <= i1; ++i) mask[at(i, j)] = value;
        }
    }
}

// Nearest distance (ft) from each post to a polyline within `reach`, with the value there.
void stampPolyline(const Projection& pr, const std::vector<Point>& line, double reach, std::vector<float>& dist,
                   std::vector<float>* value) {
    for (size_t k = 0; k + 1 < line.size(); ++k) {
        double ax, az, bx, bz;
        pr.place(line[k], ax, az);
        pr.place(line[k + 1], bx, bz);
        const int i0 = std::max(0, int((std::min(ax, bx) - reach) / S)), i1 = std::min(N - 1, int((std::max(ax, bx) + reach) / S) + 1);
        const int j0 = std::max(0, int((std::min(az, bz) - reach) / S)), j1 = std::min(N - 1, int((std::max(az, bz) + reach) / S) + 1);
        const double dx = bx - ax, dz = bz - az, len2 = std::max(1.0, dx * dx + dz * dz);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                const double px = i * S - ax, pz = j * S - az;
                const double t = std::clamp((px * dx + pz * dz) / len2, 0.0, 1.0);
                const double ex = px - t * dx, ez = pz - t * dz;
                const double d = std::sqrt(ex * ex + ez * ez);
                if (d < reach && d < dist[at(i, j)]) {
                    dist[at(i, j)] = float(d);
                    if (value) (*value)[at(i, j)] = float(line[k].Value + t * (line[k + 1].Value - line[k].Value));
                }
            }
    }
}

// ---- Roads and rivers as chains of squares joined edge to edge.
struct Chain {
    std::vector<uint8_t>& Edges;  // per square
    void join(int i, int j, int ni, int nj) {
        if (i < 0 || j < 0 || ni < 0 || nj < 0 || i >= N - 1 || j >= N - 1 || ni >= N - 1 || nj >= N - 1) return;
        if (ni == i + 1) { Edges[at(i, j)] |= kEdgeHighX; Edges[at(ni, nj)] |= kEdgeLowX; }
        if (ni == i - 1) { Edges[at(i, j)] |= kEdgeLowX; Edges[at(ni, nj)] |= kEdgeHighX; }
        if (nj == j + 1) { Edges[at(i, j)] |= kEdgeHighZ; Edges[at(ni, nj)] |= kEdgeLowZ; }
        if (nj == j - 1) { Edges[at(i, j)] |= kEdgeLowZ; Edges[at(ni, nj)] |= kEdgeHighZ; }
    }
    // Appends the squares from (i0, j0) to (i1, j1) to `path`, step by step along the straight line.
    static void steps(int i0, int j0, int i1, int j1, std::vector<std::pair<int, int>>& path) {
        int i = i0, j = j0;
        const double dx = i1 - i0, dz = j1 - j0;
        while (i != i1 || j != j1) {
            const int si = i1 > i ? 1 : -1, sj = j1 > j ? 1 : -1;
            if (i == i1) j += sj;
            else if (j == j1) i += si;
            else {
                const double ex = std::fabs((i + si - i0) * dz - (j - j0) * dx);
                const double ez = std::fabs((i - i0) * dz - (j + sj - j0) * dx);
                if (ex <= ez) i += si; else j += sj;
            }
            path.push_back({i, j});
        }
    }
    // Joins each square of the path to the next.
    void follow(const std::vector<std::pair<int, int>>& path) {
        for (size_t k = 0; k + 1 < path.size(); ++k) join(path[k].first, path[k].second, path[k + 1].first, path[k + 1].second);
    }
    void walk(int i0, int j0, int i1, int j1) {
        std::vector<std::pair<int, int>> path{{i0, j0}};
        steps(i0, j0, i1, j1, path);
        follow(path);
    }
};

// ---- The land as it is made: each step reads what the steps before it left.
struct Land {
    explicit Land(uint32_t seed) : Seed(seed), Pr(fitProjection()) {}
    uint32_t Seed;
    Projection Pr;
    std::vector<float> Height = std::vector<float>(size_t(N) * N);  // m, per post
    std::vector<uint8_t> Sea = std::vector<uint8_t>(size_t(N) * N, 0);
    // ft to the nearest river within 9,000 ft, and its water level there, m
    std::vector<float> RiverDist = std::vector<float>(size_t(N) * N, 1e9f);
    std::vector<float> RiverLevel = std::vector<float>(size_t(N) * N, 0.0f);
    // ft to the front within 16,000 ft: with a ragged edge, and to the line itself
    std::vector<float> FrontDist = std::vector<float>(size_t(N) * N, 1e9f), FrontLineDist;
    // Per square: the surface code, its road edges and its river edges.
    std::vector<uint8_t> Code = std::vector<uint8_t>(size_t(N) * N, kPasture);
    std::vector<uint8_t> Edges = std::vector<uint8_t>(size_t(N) * N, 0), River = std::vector<uint8_t>(size_t(N) * N, 0);
};

struct Settlement {
    int I, J;
    bool Town;
};
struct Settlements {
    std::vector<Settlement> Towns, Villages;
    // Villages on a jittered lattice over all the land: the village at each point, or -1.
    std::vector<int> Lattice;
    int Lw = 0, Lh = 0;
};

// ---- Heights, m: a base that rises inland, the region's hills and lowlands, and rolling noise
// that is faint on the Flanders plain and stronger on the downs.
void raiseHeights(Land& land) {
    for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) {
            double lon, lat;
            land.Pr.toLonLat(i * S, j * S, lon, lat);
            double h = 95.0;
            for (const Bump& b : kBumps) {
                const double u = (lon - b.Lon) / b.RLon, v = (lat - b.Lat) / b.RLat, r2 = u * u + v * v;
                if (r2 < 9.0) h += b.Height * std::exp(-r2);
            }
            const double x = i * S / 90000.0, z = j * S / 90000.0;  // ~27 km features
            const double roll = std::clamp((h - 15.0) / 70.0, 0.12, 1.0);
            h += roll * (fbm(x, z, land.Seed, 5) - 0.5) * 110.0;
            h += roll * (valueNoise(x * 9.0, z * 9.0, land.Seed + 5) - 0.5) * 14.0;
            land.Height[at(i, j)] = float(std::max(h, 1.0));
        }
}

// ---- The sea.
void floodSea(Land& land) {
    fillPolygon(land.Pr, kSea, int(std::size(kSea)), land.Sea, 1);
    fillPolygon(land.Pr, kEngland, int(std::size(kEngland)), land.Sea, 0);
    for (size_t k = 0; k < land.Sea.size(); ++k)
        if (land.Sea[k]) land.Height[k] = 0.0f;
}

// ---- River valleys: flat floors widening into gentle slopes.
void cutRiverValleys(Land& land) {
    for (const auto& river : rivers()) stampPolyline(land.Pr, river, 9000.0, land.RiverDist, &land.RiverLevel);
    for (size_t k = 0; k < land.Height.size(); ++k) {
        if (land.RiverDist[k] > 9000.0f || land.Sea[k]) continue;
        const double level = land.RiverLevel[k];
        const double s = smoothstep(500.0, 9000.0, land.RiverDist[k]);
        if (land.Height[k] > level) land.Height[k] = float(level + (land.Height[k] - level) * s);
    }
}

// ---- The gorge under the long bridge: a plateau north of Reims whose edges carry the deck's
// ends, cut by the stream 550 ft below it. The plateau ends short of Reims to the south.
void cutBridgeGorge(Land& land) {
    const int jMid = int(std::lround((kBridgeMinZ + kBridgeMaxZ) / 2 / S));  // post row under mid-span
    const double iMid = (kBridgeMinX + kBridgeMaxX) / 2 / S;
    for (int r = -5; r <= 12; ++r)
        for (int i = int(iMid) - 17; i <= int(iMid) + 18; ++i) {
            const double across = 1.0 - smoothstep(8.0, 16.0, std::fabs(i - iMid));
            const double along = r < 0 ? 1.0 - smoothstep(1.5, 4.5, -r) : 1.0 - smoothstep(6.0, 12.0, r);
            const double w = across * along;
            const double target = r == 0 ? 86.0 : 255.0 + 3.0 * std::min(std::abs(r) - 1, 2);
            float& h = land.Height[at(i, jMid + r)];
            h = float(h + (target - h) * (r == 0 ? across : w));
        }
}

// ---- The front: distance to the line, and with a ragged edge; the ground near it churned.
void markFront(Land& land) {
    stampPolyline(land.Pr, frontLine(), 16000.0, land.FrontDist, nullptr);
    land.FrontLineDist = land.FrontDist;
    for (size_t k = 0; k < land.FrontDist.size(); ++k) {
        if (land.FrontDist[k] > 15000.0f) continue;
        const int i = int(k % N), j = int(k / N);
        land.FrontDist[k] += float((valueNoise(i / 3.0, j / 3.0, land.Seed + 77) - 0.5) * 5000.0);
        if (land.FrontDist[k] < 9000.0f && !land.Sea[k])  // churned ground
            land.Height[k] += float((valueNoise(i * 1.0, j * 1.0, land.Seed + 78) - 0.5) * 5.0);
    }
}

// ---- Surface codes per square.
void traceRivers(Land& land) {
    Chain riverChain{land.River};
    for (const auto& r : rivers()) {
        for (size_t k = 0; k + 1 < r.size(); ++k) {
            double ax, az, bx, bz;
            land.Pr.place(r[k], ax, az);
            land.Pr.place(r[k + 1], bx, bz);
            riverChain.walk(int(ax / S), int(az / S), int(bx / S), int(bz / S));
        }
    }
}

// What a dry square away from the war grows: woods, water meadows, polders, downs or fields.
uint8_t farmSurface(const Land& land, int i, int j, double lon, double lat, double h) {
    const uint32_t seed = land.Seed;
    const bool flanders = lat > 50.55 && lon < 3.9;
    // Woods and copses of a few squares among the fields.
    const double woods = fbm(i / 3.2, j / 3.2, seed + 11, 3) + (valueNoise(i / 14.0, j / 14.0, seed + 12) - 0.5) * 0.16;
    double forest = 0.0;  // the great woods: Nieppe, Mormal, Compiegne, St-Gobain, Montagne de Reims, Argonne
    const double forests[][3] = {{2.60, 50.69, 0.06}, {3.75, 50.18, 0.08}, {2.88, 49.37, 0.12},
                                 {3.40, 49.58, 0.08}, {4.05, 49.14, 0.12}, {4.95, 49.20, 0.12},
                                 {5.30, 49.90, 0.60}};
    for (const auto& f : forests) {
        const double u = (lon - f[0]) / f[2], v = (lat - f[1]) / (f[2] * 0.6);
        forest = std::max(forest, std::exp(-(u * u + v * v)));
    }
    const double pick = hash32(uint32_t(i), uint32_t(j), seed + 3) / 4294967295.0;
    const double bias = valueNoise(i / 6.0, j / 6.0, seed + 21);
    if (woods + forest * 0.35 > (flanders ? 0.70 : 0.64)) return kWoodland;
    // Water meadows of the Somme and the Flanders rivers.
    if (land.RiverDist[at(i, j)] < 2600.0f && h < 40.0 && pick < 0.45) return kMarsh;
    if (flanders && h < 4.0 && pick < 0.5) return kMarsh;  // polders behind the coast
    if (!flanders && h > 120.0 && bias > 0.55 && pick < 0.6) return kChalkDown;
    const double p = pick * 0.6 + bias * 0.4;
    if (flanders) return p < 0.42 ? kPasture : p < 0.58 ? kBeetField : p < 0.80 ? kWheatField : kPloughed;
    return p < 0.22 ? kPasture : p < 0.36 ? kBeetField : p < 0.72 ? kWheatField : kPloughed;
}

// Trench lines and no man's land along the whole line without a break (every square the line
// crosses lies within 1,244 ft of it), the shelled belt either side, then ground that the shelling
// reached here and there. The battlefields of earlier years, east of Albert and before Ypres, lie
// waste further back. `c`: the square's surface before the war.
uint8_t warSurface(const Land& land, int i, int j, double lon, double lat, uint8_t c) {
    const uint32_t seed = land.Seed;
    const size_t k = at(i, j);
    double waste = 0.0;
    const double oldFields[][4] = {{2.80, 50.03, 0.10, 0.035}, {2.98, 50.88, 0.07, 0.03}};
    for (const auto& o : oldFields) {
        const double u = (lon - o[0]) / o[2], v = (lat - o[1]) / o[3];
        if (u * u + v * v < 9.0) waste = std::max(waste, std::exp(-(u * u + v * v)));
    }
    const double line = land.FrontLineDist[k];
    if (line < 16000.0 || waste > 0.0) {
        const double jag = valueNoise(i / 2.5, j / 2.5, seed + 79) - 0.5;
        const double f = std::min({line + jag * 3000.0, double(land.FrontDist[k]), 5200.0 + (1.0 - waste) * 9000.0 + jag * 2000.0});
        const double torn = hash32(uint32_t(i), uint32_t(j), seed + 61) / 4294967295.0;
        if (line + jag * 1200.0 < 1900.0) c = kTrenches;
        else if (f < 5000.0) c = torn < 0.88 ? kShellMud : kPloughed;
        else if (f < 12000.0 && torn < 0.6 * (1.0 - (f - 5000.0) / 7000.0)) c = c == kWoodland ? kShellMud : (torn < 0.3 ? kShellMud : kPloughed);
    }
    return c;
}

void chooseSurfaces(Land& land) {
    const std::vector<float>& height = land.Height;
    const std::vector<uint8_t>& sea = land.Sea;
    for (int j = 0; j < N - 1; ++j)
        for (int i = 0; i < N - 1; ++i) {
            const size_t k = at(i, j);
            double lon, lat;
            land.Pr.toLonLat((i + 0.5) * S, (j + 0.5) * S, lon, lat);
            const double h = (height[k] + height[at(i + 1, j)] + height[at(i, j + 1)] + height[at(i + 1, j + 1)]) / 4;
            const int seaCorners = sea[k] + sea[at(i + 1, j)] + sea[at(i, j + 1)] + sea[at(i + 1, j + 1)];
            uint8_t c;
            const double steep = std::max({height[k], height[at(i + 1, j)], height[at(i, j + 1)], height[at(i + 1, j + 1)]}) -
                                 std::min({height[k], height[at(i + 1, j)], height[at(i, j + 1)], height[at(i + 1, j + 1)]});
            if (seaCorners >= 2 || (land.River[k] && steep < 40.0)) {
                c = kWater;
            } else if (land.River[k]) {
                c = kMarsh;  // a stream down a steep square: wet ground, not a sheet of water
            } else {
                c = farmSurface(land, i, j, lon, lat, h);
            }
            if (c != kWater) c = warSurface(land, i, j, lon, lat, c);
            land.Code[k] = c;
        }
}

// ---- Towns and villages, and the roads between them.
void paintTown(Land& land, Settlements& places, double x, double z, double radius) {
    const int ci = int(x / S), cj = int(z / S), r = int(radius / S) + 1;
    for (int j = cj - r; j <= cj + r; ++j)
        for (int i = ci - r; i <= ci + r; ++i) {
            if (i < 0 || j < 0 || i >= N - 1 || j >= N - 1) continue;
            const double d = std::hypot((i + 0.5) * S - x, (j + 0.5) * S - z);
            uint8_t& c = land.Code[at(i, j)];
            if (c == kWater || c == kTrenches) continue;
            if (d < radius) c = kTown;
            else if (d < radius + S * 0.9 && c != kShellMud) c = kVillage;
        }
    places.Towns.push_back({ci, cj, true});
}

void placeTowns(Land& land, Settlements& places) {
    for (const Town& t : kTowns) paintTown(land, places, t.X, t.Z, t.Radius);
    for (const Place& p : kOtherTowns) {
        double x, z;
        land.Pr.toGame(p.Lon, p.Lat, x, z);
        paintTown(land, places, x, z, p.Radius);
    }
}

void placeVillages(Land& land, Settlements& places) {
    std::vector<uint8_t>& code = land.Code;
    constexpr int kLattice = 8;  // squares, about 2.7 miles
    const int li0 = 0, li1 = (N - 2) / kLattice, lj0 = 0, lj1 = (N - 2) / kLattice;
    const int lw = li1 - li0 + 1, lh = lj1 - lj0 + 1;
    places.Lw = lw, places.Lh = lh;
    places.Lattice.assign(size_t(lw) * lh, -1);
    for (int lj = lj0; lj <= lj1; ++lj)
        for (int li = li0; li <= li1; ++li) {
            const uint32_t hsh = hash32(uint32_t(li), uint32_t(lj), land.Seed + 31);
            const int i = li * kLattice + 1 + int(hsh % (kLattice - 2)), j = lj * kLattice + 1 + int((hsh >> 8) % (kLattice - 2));
            if (i < 1 || j < 1 || i >= N - 2 || j >= N - 2) continue;
            const uint8_t c = code[at(i, j)];
            if (c == kWater || c == kTrenches || c == kTown || land.Sea[at(i, j)]) continue;
            if ((hsh >> 20) % 10 == 0) continue;  // a gap in the lattice
            places.Lattice[size_t(lj - lj0) * lw + (li - li0)] = int(places.Villages.size());
            places.Villages.push_back({i, j, false});
            if (c != kShellMud) code[at(i, j)] = kVillage;
            if ((hsh >> 24) % 3 == 0 && code[at(i + 1, j)] != kWater && code[at(i + 1, j)] != kShellMud &&
                code[at(i + 1, j)] != kTrenches)
                code[at(i + 1, j)] = kVillage;
        }
}

// A country road wanders: two bends put off the straight line.
std::vector<std::pair<int, int>> wanderingPath(uint32_t seed, int i0, int j0, int i1, int j1, uint32_t salt) {
    const double dx = i1 - i0, dz = j1 - j0, len = std::hypot(dx, dz);
    std::vector<std::pair<int, int>> path{{i0, j0}};
    int pi = i0, pj = j0;
    for (int s = 1; s <= 3; ++s) {
        int ni = i1, nj = j1;
        if (s < 3) {
            const double off = (hash32(uint32_t(i0 + s), uint32_t(j1), seed + salt) / 4294967295.0 - 0.5) * 0.35 * len;
            ni = std::clamp(int(std::lround(i0 + dx * s / 3.0 - dz / len * off)), 0, N - 2);  // on the map
            nj = std::clamp(int(std::lround(j0 + dz * s / 3.0 + dx / len * off)), 0, N - 2);
        }
        Chain::steps(pi, pj, ni, nj, path);
        pi = ni;
        pj = nj;
    }
    return path;
}

// Where a bend point turns the road back on itself (up, across one square, down again) it takes
// the square across instead: a hairpin in two squares is no country road.
void dropDoublings(std::vector<std::pair<int, int>>& path) {
    auto move = [&](size_t k) { return std::pair{path[k + 1].first - path[k].first, path[k + 1].second - path[k].second}; };
    for (size_t k = 0; k + 2 < path.size();) {
        const auto a = move(k), b = move(k + 1);
        if (a.first == -b.first && a.second == -b.second) {  // straight back
            path.erase(path.begin() + long(k) + 1, path.begin() + long(k) + 3);
        } else if (k + 3 < path.size() && move(k + 2) == std::pair{-a.first, -a.second}) {
            path.erase(path.begin() + long(k) + 1, path.begin() + long(k) + 3);
        } else {
            ++k;
            continue;
        }
        k = k > 2 ? k - 2 : 0;
    }
}

void layRoad(Land& land, int i0, int j0, int i1, int j1, uint32_t salt) {
    if (std::hypot(double(i1 - i0), double(j1 - j0)) < 1.0) return;
    std::vector<std::pair<int, int>> path = wanderingPath(land.Seed, i0, j0, i1, j1, salt);
    dropDoublings(path);
    // A road that meets one already made joins it there, rather than running on beside it.
    const std::vector<uint8_t>& edges = land.Edges;
    size_t end = 0;
    while (end < path.size() && edges[at(path[end].first, path[end].second)]) ++end;
    while (end < path.size() && !edges[at(path[end].first, path[end].second)]) ++end;
    path.resize(std::min(end + 1, path.size()));
    Chain{land.Edges}.follow(path);
}

// Each village to its lattice neighbours across and up, most of them.
void linkVillages(Land& land, const Settlements& places) {
    const int lw = places.Lw, lh = places.Lh;
    const std::vector<int>& lattice = places.Lattice;
    const std::vector<Settlement>& villages = places.Villages;
    for (int lj = 0; lj < lh; ++lj)
        for (int li = 0; li < lw; ++li) {
            const int v = lattice[size_t(lj) * lw + li];
            if (v < 0) continue;
            const uint32_t hsh = hash32(uint32_t(li), uint32_t(lj), land.Seed + 41);
            if (li + 1 < lw && lattice[size_t(lj) * lw + li + 1] >= 0 && hsh % 10 < 7) {
                const Settlement& b = villages[lattice[size_t(lj) * lw + li + 1]];
                layRoad(land, villages[v].I, villages[v].J, b.I, b.J, 51);
            }
            if (lj + 1 < lh && lattice[size_t(lj + 1) * lw + li] >= 0 && (hsh >> 8) % 10 < 6) {
                const Settlement& b = villages[lattice[size_t(lj + 1) * lw + li]];
                layRoad(land, villages[v].I, villages[v].J, b.I, b.J, 52);
            }
        }
}

// Every town to its nearest villages and to its two nearest towns.
void linkTowns(Land& land, const Settlements& places) {
    const std::vector<Settlement>& towns = places.Towns;
    const std::vector<Settlement>& villages = places.Villages;
    for (size_t t = 0; t < towns.size(); ++t) {
        std::vector<std::pair<double, size_t>> near;
        for (size_t v = 0; v < villages.size(); ++v)
            near.push_back({std::hypot(villages[v].I - towns[t].I, villages[v].J - towns[t].J), v});
        std::partial_sort(near.begin(), near.begin() + std::min<size_t>(4, near.size()), near.end());
        for (size_t k = 0; k < std::min<size_t>(4, near.size()); ++k)
            if (near[k].first < 20) layRoad(land, towns[t].I, towns[t].J, villages[near[k].second].I, villages[near[k].second].J, 53);
        std::vector<std::pair<double, size_t>> nearTowns;
        for (size_t u = 0; u < towns.size(); ++u)
            if (u != t) nearTowns.push_back({std::hypot(towns[u].I - towns[t].I, towns[u].J - towns[t].J), u});
        std::partial_sort(nearTowns.begin(), nearTowns.begin() + std::min<size_t>(2, nearTowns.size()), nearTowns.end());
        for (size_t k = 0; k < std::min<size_t>(2, nearTowns.size()); ++k)
            if (nearTowns[k].first < 120) layRoad(land, towns[t].I, towns[t].J, towns[nearTowns[k].second].I, towns[nearTowns[k].second].J, 54);
    }
}

// A road may cross a river on a bridge, but not the trench lines or open water.
bool roadAllowed(const Land& land, int i, int j) {
    const uint8_t c = land.Code[at(i, j)];
    return c != kTrenches && (c != kWater || land.River[at(i, j)]);
}

void clearBlockedRoads(Land& land) {
    std::vector<uint8_t>& edges = land.Edges;
    for (int j = 0; j < N - 1; ++j)
        for (int i = 0; i < N - 1; ++i) {
            if (roadAllowed(land, i, j)) continue;
            edges[at(i, j)] = 0;
            if (i > 0) edges[at(i - 1, j)] &= ~kEdgeHighX;
            if (i < N - 2) edges[at(i + 1, j)] &= ~kEdgeLowX;
            if (j > 0) edges[at(i, j - 1)] &= ~kEdgeHighZ;
            if (j < N - 2) edges[at(i, j + 1)] &= ~kEdgeLowZ;
        }
}

// Hairpins: where a road turns into a square and straight back out beside where it came in,
// through one square or two in a row (each joined only along the row and to the same side), it
// keeps to the squares on that side instead. Repeated until none is left: every change takes
// more edges away than it adds.
void straightenHairpins(Land& land) {
    std::vector<uint8_t>& edges = land.Edges;
    for (bool changed = true; changed;) {
        changed = false;
        for (int j = 1; j < N - 4; ++j)
            for (int i = 1; i < N - 4; ++i)
                for (int across = 0; across < 2 && edges[at(i, j)]; ++across) {
                    // A run from (i, j) towards high X or high Z; `side` is one of the other two edges.
                    const int di = across ? 0 : 1, dj = across ? 1 : 0;
                    const uint8_t ahead = across ? kEdgeHighZ : kEdgeHighX, behind = across ? kEdgeLowZ : kEdgeLowX;
                    const uint8_t sides[2] = {uint8_t(across ? kEdgeLowX : kEdgeLowZ), uint8_t(across ? kEdgeHighX : kEdgeHighZ)};
                    for (const uint8_t side : sides) {
                        if (edges[at(i, j)] != (ahead | side)) continue;
                        int len = 1;
                        while (len < 3 && edges[at(i + di * len, j + dj * len)] == (ahead | behind)) ++len;
                        if (len > 2 || edges[at(i + di * len, j + dj * len)] != (behind | side)) continue;
                        const int si = side == kEdgeLowX ? -1 : side == kEdgeHighX ? 1 : 0;
                        const int sj = side == kEdgeLowZ ? -1 : side == kEdgeHighZ ? 1 : 0;
                        const uint8_t back = side == kEdgeLowX ? kEdgeHighX : side == kEdgeHighX ? kEdgeLowX
                                           : side == kEdgeLowZ ? kEdgeHighZ : kEdgeLowZ;
                        bool open = true;
                        for (int k = 1; k < len; ++k) open = open && roadAllowed(land, i + di * k + si, j + dj * k + sj);
                        if (!open) continue;
                        for (int k = 0; k <= len; ++k) {
                            edges[at(i + di * k, j + dj * k)] = 0;
                            uint8_t& e = edges[at(i + di * k + si, j + dj * k + sj)];
                            if (k == 0 || k == len) e &= uint8_t(~back);
                            e |= uint8_t((k < len ? ahead : 0) | (k > 0 ? behind : 0));
                        }
                        changed = true;
                    }
                }
    }
}

// ---- Encoding.
void encode(const Land& land, WorldFiles& out) {
    out.Elevation.assign(kElevationBytes, 0);
    for (size_t k = 0; k < land.Height.size(); ++k) {
        const long m = std::lround(std::clamp<double>(land.Height[k], -500.0, 9000.0));
        platform::writeBEShort(&out.Elevation[2 * k], static_cast<int16_t>(m));
    }
    out.Surface.assign(kSurfaceBytes, kPasture);
    for (size_t k = 0; k < land.Code.size(); ++k)
        out.Surface[k] = static_cast<uint8_t>((land.Edges[k] << 4) | land.Code[k]);
}

}  // namespace

void generateTerrain(uint32_t seed, WorldFiles& out) {
    Land land(seed);
    raiseHeights(land);
    floodSea(land);
    cutRiverValleys(land);
    cutBridgeGorge(land);
    markFront(land);
    traceRivers(land);
    chooseSurfaces(land);
    Settlements places;
    placeTowns(land, places);
    placeVillages(land, places);
    linkVillages(land, places);
    linkTowns(land, places);
    clearBlockedRoads(land);
    straightenHairpins(land);
    encode(land, out);
}

}  // namespace pellam::worldgen
