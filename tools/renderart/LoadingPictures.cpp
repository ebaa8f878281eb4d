// The two loading-screen pictures. Each is 1024 x 1024 with the regions the loading screen maps:
// the picture on the top 620 rows, two frames of the "LOADING" label at the lower left, and the
// marker that rides along the progress bar (a biplane) at the lower right. The top-left texel is
// magenta, the colour key, and so is everything outside the drawings.
//
// The screen stretches the picture about 1.1 times across, so shapes are drawn 0.91 as wide.
#include <algorithm>
#include <cmath>
#include <functional>

#include "Art.h"

namespace renderart {
namespace {

constexpr int kEdge = 1024;
constexpr int kPictureRows = 624;  // the region ends at row 620; a few more keep the edge clean
constexpr double kSqueeze = 0.91;
constexpr std::array<uint8_t, 3> kKey = {255, 0, 255};

struct Region {
    int x, y, w, h;
};
// From texture coordinates (t up) to picture rows (down).
Region regionOf(double s0, double t0, double s1, double t1) {
    const int x = int(std::ceil(s0 * kEdge)), y = int(std::ceil((1 - t1) * kEdge));
    return {x, y, int(std::floor(s1 * kEdge)) - x, int(std::floor((1 - t0) * kEdge)) - y};
}
const Region kLabelA = regionOf(0.005, 0.197, 0.495, 0.386);
const Region kLabelB = regionOf(0.005, 0.002, 0.495, 0.191);
const Region kMarker = regionOf(0.505, 0.199, 0.995, 0.38);

platform::RGBAImage keyedImage() {
    platform::RGBAImage image;
    image.width = image.height = kEdge;
    image.pixels.resize(size_t(kEdge) * kEdge * 4);
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i] = kKey[0];
        image.pixels[i + 1] = kKey[1];
        image.pixels[i + 2] = kKey[2];
        image.pixels[i + 3] = 255;
    }
    return image;
}

// Writes the canvas where the mask covers anything; the rest stays the key. The canvas was
// painted over black, so soft edges fade to the loading screen's black, not to magenta.
void placeKeyed(platform::RGBAImage& image, const Canvas& canvas, const Mask& mask, const Region& r) {
    for (int y = 0; y < r.h && y < canvas.h; ++y)
        for (int x = 0; x < r.w && x < canvas.w; ++x) {
            if (mask.get(x, y) < 0.04f) continue;
            Canvas one(1, 1, canvas.c[size_t(y) * canvas.w + x]);
            one.blit(image, r.x + x, r.y + y, kKey);
        }
}

void finishPicture(platform::RGBAImage& image, const Canvas& picture) {
    picture.blit(image, 0, 0, kKey);
    // The key: the picture's top-left texel, outside the region the screen shows.
    image.pixels[0] = kKey[0];
    image.pixels[1] = kKey[1];
    image.pixels[2] = kKey[2];
}

// "LOADING" in amber; frame B a little brighter, so the label flickers like a lamp.
void drawLabels(platform::RGBAImage& image, const Fonts& fonts) {
    for (int frame = 0; frame < 2; ++frame) {
        const Region& r = frame == 0 ? kLabelA : kLabelB;
        Mask text(r.w, r.h);
        const double em = 112, xScale = 0.46, tracking = 12;
        const std::string word = "LOADING";
        const double width = fonts.sansBold.width(word, em, xScale, tracking);
        fonts.sansBold.draw(text, word, (r.w - width) / 2, r.h * 0.62, em, xScale, tracking);
        Mask rule(r.w, r.h);
        const double ry = r.h * 0.80;
        rule.polygon({{r.w * 0.16, ry}, {r.w * 0.84, ry}, {r.w * 0.84, ry + 5}, {r.w * 0.16, ry + 5}});
        rule.ellipse(r.w * 0.12, ry + 2.5, 7, 7);
        rule.ellipse(r.w * 0.88, ry + 2.5, 7, 7);
        Mask all = text;
        all.add(rule);
        Mask glow = all;
        glow.dilate(3);
        glow.blur(4, 2);
        Canvas c(r.w, r.h, {0, 0, 0});
        const Colour amber = frame == 0 ? rgb8(214, 168, 92) : rgb8(246, 206, 128);
        c.paint(glow, mix(rgb8(0, 0, 0), amber, 0.35f), 0.8f);
        c.paint(all, amber);
        Mask covered = all;
        covered.add(glow);
        placeKeyed(image, c, covered, r);
    }
}

// Plan-view aircraft seen from below, in a frame of its own: x across the span (-1..1), y from
// the nose (-0.6) to the tail (0.75).
struct Pose {
    double cx, cy, scale, angle, foreshorten = 1.0;
    Point map(double x, double y) const {
        const double px = x * scale, py = y * scale * foreshorten;
        const double c = std::cos(angle), s = std::sin(angle);
        return {cx + (px * c - py * s) * kSqueeze, cy + px * s + py * c};
    }
    std::vector<Point> poly(std::initializer_list<Point> pts) const {
        std::vector<Point> out;
        for (const Point& p : pts) out.push_back(map(p.x, p.y));
        return out;
    }
    std::vector<Point> wing(double span, double front, double back) const {
        std::vector<Point> out;
        for (int i = 0; i <= 10; ++i) {  // rounded tips
            const double a = M_PI / 2 - M_PI * i / 10;
            out.push_back(map(span - 0.06 + 0.06 * std::cos(a), (front + back) / 2 - (back - front) / 2 * std::sin(a)));
        }
        for (int i = 0; i <= 10; ++i) {
            const double a = -M_PI / 2 + M_PI * i / 10;
            out.push_back(map(-span + 0.06 - 0.06 * std::cos(a), (front + back) / 2 + (back - front) / 2 * std::sin(a)));
        }
        return out;
    }
    void disc(Mask& m, double x, double y, double r, float value = 1.0f) const {
        const Point p = map(x, y);
        m.ellipse(p.x, p.y, r * scale * kSqueeze, r * scale * foreshorten, angle, value);
    }
};

enum class Marking { Roundel, Cross };

void drawAircraft(Canvas& canvas, const Pose& pose, bool triplane, Marking marking, const Colour& body,
                  const Colour& light) {
    Mask far(canvas.w, canvas.h), near(canvas.w, canvas.h), prop(canvas.w, canvas.h);
    if (triplane) {
        far.polygon(pose.wing(0.78, -0.30, -0.08));
        far.polygon(pose.wing(0.70, -0.16, 0.06));
        near.polygon(pose.wing(0.62, -0.04, 0.18));
    } else {
        far.polygon(pose.wing(1.0, -0.24, -0.02));
        near.polygon(pose.wing(0.90, -0.10, 0.12));
    }
    near.polygon(pose.poly({{-0.09, -0.50}, {0.09, -0.50}, {0.1, -0.2}, {0.055, 0.66}, {-0.055, 0.66}, {-0.1, -0.2}}));
    near.polygon(pose.wing(0.30, 0.56, 0.72));
    near.polygon(pose.poly({{-0.02, 0.6}, {0.02, 0.6}, {0.02, 0.8}, {-0.02, 0.8}}));
    pose.disc(near, 0, -0.52, 0.11);
    prop.polygon(pose.poly({{-0.26, -0.61}, {0.26, -0.61}, {0.26, -0.585}, {-0.26, -0.585}}));
    canvas.paint(far, mix(body, light, 0.25f));
    canvas.paint(near, body);
    canvas.paint(prop, body, 0.35f);
    for (int side = -1; side <= 1; side += 2) {
        const double x = side * (triplane ? 0.45 : 0.64), y = triplane ? 0.07 : 0.01;
        if (marking == Marking::Roundel) {
            Mask a(canvas.w, canvas.h), b(canvas.w, canvas.h), c(canvas.w, canvas.h);
            pose.disc(a, x, y, 0.09);
            pose.disc(b, x, y, 0.06);
            pose.disc(c, x, y, 0.03);
            canvas.paint(a, rgb8(40, 52, 96));
            canvas.paint(b, rgb8(214, 208, 190));
            canvas.paint(c, rgb8(150, 40, 34));
        } else {
            Mask sq(canvas.w, canvas.h), cross(canvas.w, canvas.h);
            const double r = 0.085, t = 0.03;
            sq.polygon(pose.poly({{x - r, y - r}, {x + r, y - r}, {x + r, y + r}, {x - r, y + r}}));
            cross.polygon(pose.poly({{x - r + 0.012, y - t}, {x + r - 0.012, y - t}, {x + r - 0.012, y + t},
                                     {x - r + 0.012, y + t}}));
            cross.polygon(pose.poly({{x - t, y - r + 0.012}, {x + t, y - r + 0.012}, {x + t, y + r - 0.012},
                                     {x - t, y + r - 0.012}}));
            canvas.paint(sq, rgb8(200, 196, 184));
            canvas.paint(cross, rgb8(20, 20, 20));
        }
    }
}

// The marker: a side-view biplane flying right, cream and khaki with a spinning propeller.
void drawMarker(platform::RGBAImage& image) {
    const Region& r = kMarker;
    Mask hull(r.w, r.h), wings(r.w, r.h), detail(r.w, r.h), prop(r.w, r.h), roundel(r.w, r.h), white(r.w, r.h),
        red(r.w, r.h);
    const double u = r.w / 10.0, v = r.h / 4.0;  // 10 x 4 units
    auto P = [&](double x, double y) { return Point{x * u, y * v}; };
    hull.polygon({P(1.0, 1.55), P(2.2, 1.25), P(6.6, 1.2), P(8.2, 1.5), P(8.6, 1.9), P(8.2, 2.35), P(6.6, 2.55),
                  P(2.2, 2.1), P(1.0, 1.85)});
    hull.polygon({P(0.6, 0.55), P(1.4, 0.5), P(2.3, 1.3), P(1.0, 1.6)});  // fin and rudder
    hull.polygon({P(0.5, 1.55), P(2.6, 1.6), P(2.6, 1.78), P(0.5, 1.78)});  // tailplane
    wings.polygon({P(3.6, 0.55), P(6.9, 0.5), P(7.0, 0.75), P(3.6, 0.8)});   // upper wing, edge on
    wings.polygon({P(3.9, 2.35), P(6.8, 2.3), P(6.9, 2.55), P(3.9, 2.6)});   // lower wing
    for (double x : {4.2, 6.3}) wings.stroke(P(x, 0.75), P(x + 0.25, 2.35), v * 0.12);
    wings.stroke(P(6.4, 0.75), P(6.9, 1.3), v * 0.1);  // cabane
    detail.stroke(P(6.2, 2.5), P(5.9, 3.25), v * 0.1);
    detail.stroke(P(6.9, 2.5), P(6.1, 3.25), v * 0.1);
    detail.ellipse(6.0 * u, 3.3 * v, 0.36 * u, 0.36 * u);  // wheel
    detail.ellipse(5.7 * u, 1.15 * v, 0.45 * u, 0.28 * v);  // pilot's head
    prop.ellipse(8.75 * u, 1.9 * v, 0.16 * u, 1.45 * v);
    roundel.ellipse(4.6 * u, 1.88 * v, 0.42 * u, 0.42 * u);
    white.ellipse(4.6 * u, 1.88 * v, 0.28 * u, 0.28 * u);
    red.ellipse(4.6 * u, 1.88 * v, 0.14 * u, 0.14 * u);

    Canvas c(r.w, r.h, {0, 0, 0});
    c.paint(prop, rgb8(170, 160, 140), 0.45f);
    c.paint(wings, rgb8(196, 180, 130));
    c.paint(hull, rgb8(164, 150, 102));
    c.paint(detail, rgb8(62, 56, 44));
    c.paint(roundel, rgb8(46, 62, 120));
    c.paint(white, rgb8(230, 226, 214));
    c.paint(red, rgb8(176, 44, 36));
    Mask all = hull;
    for (const Mask* m : {&wings, &detail, &prop}) all.add(*m);
    placeKeyed(image, c, all, r);
}

double smooth(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Sepia grade, vignette and grain: the look of a photograph from the period.
void grade(Canvas& c, uint32_t seed, double sepia, double vignette) {
    Noise grain(seed);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            Colour& p = c.at(x, y);
            const float l = 0.3f * p.r + 0.59f * p.g + 0.11f * p.b;
            const Colour tone{l * 1.08f, l * 0.96f, l * 0.78f};
            p = mix(p, tone, float(sepia));
            const double dx = (x - c.w / 2.0) / (c.w / 2.0), dy = (y - c.h / 2.0) / (c.h / 2.0);
            const float v = float(1 - vignette * std::pow(std::min(1.0, (dx * dx + dy * dy) / 2), 1.3));
            const float g = float((grain.value(x * 0.9, y * 0.9) - 0.5) * 0.05);
            p = {p.r * v + g, p.g * v + g, p.b * v + g};
        }
}

void drawTitle(Canvas& c, const Fonts& fonts, double baseline, double em) {
    Mask title(c.w, c.h);
    const double tracking = em * 0.08;
    const double width = fonts.serifBold.width("PELLAM", em, kSqueeze, tracking);
    fonts.serifBold.draw(title, "PELLAM", (c.w - width) / 2, baseline, em, kSqueeze, tracking);
    Mask shadow = title;
    shadow.dilate(3);
    shadow.blur(6);
    c.paint(shadow, rgb8(12, 10, 8), 0.75f, 4, 6);
    c.paint(title, rgb8(241, 228, 192));
    Mask sub(c.w, c.h);
    const std::string line = "The Western front, Europe, 1918.";
    const double subEm = em * 0.24;
    const double sw = fonts.serif.width(line, subEm, kSqueeze, 1.5);
    fonts.serif.draw(sub, line, (c.w - sw) / 2, baseline + subEm * 1.6, subEm, kSqueeze, 1.5);
    Mask subShadow = sub;
    subShadow.dilate(2);
    subShadow.blur(3);
    c.paint(subShadow, rgb8(12, 10, 8), 0.7f, 2, 3);
    c.paint(sub, rgb8(232, 214, 172));
}

// The front at dawn, the loading picture: its horizon (row) and the sun low on the left (px).
constexpr int kHorizon = 392;
constexpr double kSunX = 300, kSunY = 380;

// Dawn sky: slate above, amber at the horizon, the sun's glow low on the left.
void paintDawnSky(Canvas& c) {
    const Colour top = rgb8(46, 58, 84), middle = rgb8(128, 122, 130), low = rgb8(236, 180, 118);
    for (int y = 0; y < kHorizon + 40; ++y)
        for (int x = 0; x < c.w; ++x) {
            const double t = double(y) / kHorizon;
            Colour s = t < 0.55 ? mix(top, middle, float(t / 0.55)) : mix(middle, low, float((t - 0.55) / 0.45));
            const double d = std::hypot((x - kSunX) * kSqueeze, (y - kSunY) * 1.6);
            s = mix(s, rgb8(255, 224, 170), float(0.85 * std::exp(-d / 90) + 0.25 * std::exp(-d / 320)));
            c.at(x, std::min(y, c.h - 1)) = s;
        }
}

// Clouds: banks of noise, lit warm from below where they face the sun.
void paintClouds(Canvas& c, const Noise& noise) {
    for (int y = 0; y < kHorizon; ++y)
        for (int x = 0; x < c.w; ++x) {
            const double band = smooth(20, 120, y) * (1 - smooth(250, 360, y));
            const double n = noise.fbm(x * kSqueeze / 210.0, y / 55.0, 5);
            const double d = smooth(0.50, 0.72, n) * band;
            if (d <= 0) continue;
            const double above = noise.fbm(x * kSqueeze / 210.0, (y - 8) / 55.0, 5);
            const double lit = std::clamp((n - above) * 6 + 0.5, 0.0, 1.0);
            const double sunNear = std::exp(-std::hypot((x - kSunX) * kSqueeze, y - kSunY) / 380);
            const Colour shade = mix(rgb8(78, 74, 88), rgb8(128, 112, 110), float(y / double(kHorizon)));
            const Colour edge = mix(rgb8(214, 178, 150), rgb8(255, 206, 150), float(sunNear));
            c.at(x, y) = mix(c.at(x, y), mix(shade, edge, float(lit * 0.8)), float(d * 0.9));
        }
}

// Flak bursts and the smoke they leave.
void paintFlak(Canvas& c, const Noise& noise) {
    for (auto [bx, by, r] : {std::tuple{760.0, 150.0, 11.0}, {808.0, 128.0, 8.0}, {702.0, 186.0, 9.0},
                             {846.0, 176.0, 6.0}}) {
        Mask puff(c.w, c.h);
        for (int k = 0; k < 6; ++k)
            puff.ellipse(bx + (noise.value(k, bx) - 0.5) * r * 1.6, by + (noise.value(by, k) - 0.5) * r * 1.2,
                         r * 0.8, r * 0.7);
        puff.blur(2);
        c.paint(puff, rgb8(34, 30, 30), 0.85f);
    }
}

// Two ridges, the far one lost in haze.
void paintRidges(Canvas& c, const Noise& noise) {
    for (int x = 0; x < c.w; ++x) {
        const double far = kHorizon - 14 - 26 * noise.fbm(x / 160.0, 3.5, 4);
        const double near = kHorizon + 6 - 20 * noise.fbm(x / 110.0, 9.5, 4);
        for (int y = int(far); y < c.h; ++y) {
            const float cover = float(std::clamp(y + 1 - far, 0.0, 1.0));
            c.at(x, y) = mix(c.at(x, y), rgb8(126, 112, 110), cover * 0.9f);
        }
        for (int y = int(near); y < c.h; ++y) {
            const float cover = float(std::clamp(y + 1 - near, 0.0, 1.0));
            // Mud and grass, darker and browner towards us.
            const double depth = std::clamp((y - kHorizon) / double(c.h - kHorizon), 0.0, 1.0);
            const double patch = noise.fbm(x / 60.0, y / 14.0, 4);
            Colour ground = mix(rgb8(104, 94, 76), rgb8(58, 46, 32), float(depth));
            ground = mix(ground, rgb8(86, 88, 58), float(smooth(0.55, 0.7, patch) * 0.6));
            ground = mix(ground, rgb8(40, 32, 24), float(smooth(0.35, 0.2, patch) * 0.5));
            c.at(x, y) = mix(c.at(x, y), ground, cover);
        }
    }
}

// Shell holes, larger as they come nearer: ragged bowls, dark inside, their far lip catching
// the low sun; a few hold water that shows the sky.
void paintShellHoles(Canvas& c, const Noise& noise) {
    for (int i = 0; i < 54; ++i) {
        const double y = kHorizon + 16 + (c.h - kHorizon) * std::pow(noise.value(i * 3.1, 0.5), 1.3);
        const double x = noise.value(0.5, i * 2.7) * c.w;
        const double depth = (y - kHorizon) / double(c.h - kHorizon);
        const double rx = (7 + 50 * depth) * (0.6 + 0.7 * noise.value(i, i));
        const double ry = rx * (0.2 + 0.12 * depth);
        auto ragged = [&](double scale, double dy) {
            std::vector<Point> pts;
            for (int k = 0; k < 28; ++k) {
                const double a = 2 * M_PI * k / 28;
                const double wobble = 0.82 + 0.36 * noise.value(i * 7.0 + std::cos(a) * 1.5, std::sin(a) * 1.5);
                pts.push_back({x + std::cos(a) * rx * scale * wobble * kSqueeze, y + dy + std::sin(a) * ry * scale * wobble});
            }
            return pts;
        };
        Mask spoil(c.w, c.h), lip(c.w, c.h), hole(c.w, c.h), water(c.w, c.h);
        spoil.polygon(ragged(1.5, 0));
        spoil.blur(2);
        lip.polygon(ragged(1.12, -ry * 0.22));
        hole.polygon(ragged(1.0, ry * 0.08));
        lip.subtract(hole);
        if (noise.value(i * 1.7, 4.2) > 0.7) water.polygon(ragged(0.62, ry * 0.3));
        c.paint(spoil, rgb8(70, 58, 42), 0.45f);
        c.paint(hole, rgb8(30, 24, 18), 0.92f);
        c.paint(lip, rgb8(138, 116, 84), 0.5f);
        c.paint(water, rgb8(150, 124, 98), 0.75f);
    }
}

// Two trench lines across the middle distance, in traverses of uneven length, the sandbagged
// parapet catching the light above the dark cut.
void paintTrenches(Canvas& c, const Noise& noise) {
    for (auto [baseY, width, seed] : {std::tuple{424.0, 4.0, 3}, {454.0, 8.0, 11}}) {
        Mask trench(c.w, c.h), bags(c.w, c.h);
        std::vector<Point> line;
        double x = -30;
        for (int k = 0; x < c.w + 30; ++k) {
            const double step = 18 + 34 * noise.value(k * 1.3, seed);
            const double offset = (k % 2 ? 1 : -1) * (1.5 + width * 0.35) + 5 * std::sin(x / 150.0 + seed);
            line.push_back({x, baseY + offset});
            x += step;
        }
        for (size_t k = 0; k + 1 < line.size(); ++k) {
            trench.stroke(line[k], line[k + 1], width);
            bags.stroke({line[k].x, line[k].y - width * 0.7}, {line[k + 1].x, line[k + 1].y - width * 0.7},
                        width * 0.45);
        }
        c.paint(bags, rgb8(146, 128, 96), 0.7f);
        c.paint(trench, rgb8(24, 20, 15));
    }
}

// Wire: crossed pickets with sagging strands.
void paintWire(Canvas& c, const Noise& noise) {
    Mask wire(c.w, c.h);
    std::vector<Point> posts;
    for (double x = 12; x < c.w; x += 58 + 14 * noise.value(x, 2)) posts.push_back({x, 530 + 8 * std::sin(x / 90)});
    for (size_t i = 0; i < posts.size(); ++i) {
        const Point p = posts[i];
        wire.stroke({p.x - 7, p.y + 6}, {p.x + 5, p.y - 26}, 2.6);
        wire.stroke({p.x + 7, p.y + 6}, {p.x - 5, p.y - 26}, 2.6);
        if (i + 1 < posts.size()) {
            const Point q = posts[i + 1];
            for (double h : {-22.0, -12.0}) {
                Point prev{p.x, p.y + h};
                for (int k = 1; k <= 8; ++k) {
                    const double t = k / 8.0;
                    const Point cur{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t + h + 6 * std::sin(t * M_PI)};
                    wire.stroke(prev, cur, 1.1);
                    prev = cur;
                }
            }
        }
    }
    c.paint(wire, rgb8(30, 24, 20), 0.9f);
}

// Shattered trees: bare trunks with torn tops and a few broken limbs.
void paintTrees(Canvas& c) {
    for (auto [tx, base, height, lean] :
         {std::tuple{84.0, 470.0, 190.0, -0.05}, {150.0, 440.0, 88.0, 0.08}, {612.0, 430.0, 70.0, -0.1},
          {898.0, 500.0, 260.0, 0.04}, {958.0, 452.0, 120.0, -0.12}, {520.0, 420.0, 40.0, 0.0}}) {
        Mask tree(c.w, c.h);
        const double w = height * 0.055 + 2;
        const double topX = tx + lean * height;
        tree.polygon({{tx - w, base}, {tx + w, base}, {topX + w * 0.45, base - height},
                      {topX + w * 0.1, base - height - w * 1.6}, {topX - w * 0.3, base - height + w * 0.6},
                      {topX - w * 0.5, base - height}});
        for (int k = 0; k < 3; ++k) {
            const double at = 0.45 + 0.15 * k, side = k % 2 ? 1 : -1;
            const Point from{tx + lean * height * at, base - height * at};
            tree.stroke(from, {from.x + side * height * 0.16, from.y - height * 0.12}, w * 0.45);
        }
        c.paint(tree, rgb8(30, 25, 22));
    }
}

// Smoke from the far side of the line.
void paintSmoke(Canvas& c, const Noise& noise) {
    for (auto [sx, sy] : {std::pair{380.0, 404.0}, {680.0, 398.0}}) {
        Mask smoke(c.w, c.h);
        for (int y = 120; y < int(sy); ++y) {
            const double rise = (sy - y) / (sy - 120);
            const double centre = sx + rise * rise * 160 + 20 * (noise.value(y / 20.0, sx) - 0.5);
            const double half = 8 + rise * 60;
            for (int x = int(centre - half); x <= int(centre + half); ++x) {
                if (x < 0 || x >= c.w) continue;
                const double edge = 1 - std::abs(x - centre) / half;
                const double n = noise.fbm(x / 30.0, y / 24.0 + sx, 4);
                smoke.at(x, y) = float(std::clamp(edge * 1.6, 0.0, 1.0) * (1 - rise * 0.8) * smooth(0.3, 0.6, n));
            }
        }
        smoke.blur(2);
        c.paint(smoke, rgb8(84, 78, 76), 0.75f);
    }
}

// The fight: a Camel banking across the front, a triplane turning after it, two more far off.
void paintFight(Canvas& c) {
    drawAircraft(c, {640, 262, 132, -0.5, 0.92}, false, Marking::Roundel, rgb8(64, 58, 40), rgb8(150, 130, 96));
    drawAircraft(c, {862, 318, 70, -1.0, 0.85}, true, Marking::Cross, rgb8(52, 56, 36), rgb8(130, 120, 90));
    drawAircraft(c, {206, 206, 24, 0.6}, false, Marking::Roundel, rgb8(58, 54, 48), rgb8(110, 100, 90));
    drawAircraft(c, {246, 226, 20, 0.5}, false, Marking::Roundel, rgb8(58, 54, 48), rgb8(110, 100, 90));
}

Canvas paintFront(const Fonts& fonts) {
    Canvas c(kEdge, kPictureRows);
    Noise noise(1918);
    paintDawnSky(c);
    paintClouds(c, noise);
    paintFlak(c, noise);
    paintRidges(c, noise);
    paintShellHoles(c, noise);
    paintTrenches(c, noise);
    paintWire(c, noise);
    paintTrees(c);
    paintSmoke(c, noise);
    paintFight(c);
    grade(c, 77, 0.18, 0.55);
    drawTitle(c, fonts, 136, 148);
    return c;
}

// The maker's mark: a brass winged badge on dark olive cloth.
Canvas paintBadge(const Fonts& fonts) {
    Canvas c(kEdge, kPictureRows);
    Noise noise(1916);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const double d = std::hypot((x - 512) * kSqueeze, y - 300) / 600;
            const double weave = noise.fbm(x / 3.0, y / 3.0, 2) * 0.06 + noise.fbm(x / 80.0, y / 80.0, 4) * 0.1;
            const Colour cloth = mix(rgb8(62, 64, 44), rgb8(18, 19, 14), float(std::min(1.0, d)));
            c.at(x, y) = {float(cloth.r * (0.92 + weave)), float(cloth.g * (0.92 + weave)),
                          float(cloth.b * (0.92 + weave))};
        }
    const double cx = 512, cy = 250;
    // Wings: a smooth leading edge sweeping up to the tip, and a trailing edge of rounded feather
    // ends; the grooves between feathers are cut in afterwards.
    Mask wings(c.w, c.h), grooves(c.w, c.h);
    for (int side = -1; side <= 1; side += 2) {
        auto at = [&](double along, double up) { return Point{cx + side * along * kSqueeze, cy - up}; };
        std::vector<Point> outline;
        for (int k = 0; k <= 24; ++k) {  // leading edge, root to tip
            const double t = k / 24.0;
            outline.push_back(at(90 + 330 * t, 22 + 58 * std::sin(t * M_PI / 2) - 12 * t * t));
        }
        const int feathers = 9;
        for (int f = 0; f < feathers; ++f) {  // trailing edge, tip back to root
            const double t0 = 1 - double(f) / feathers, t1 = 1 - double(f + 1) / feathers;
            for (int k = 0; k <= 8; ++k) {
                const double u = k / 8.0, t = t0 + (t1 - t0) * u;
                const double bump = 16 * std::sin(u * M_PI) * (0.6 + 0.4 * t);
                outline.push_back(at(90 + 330 * t - 10 * std::sin(u * M_PI), 52 * t - 40 - bump + 18 * t * t));
            }
            if (f > 0) {
                const double t = t0;
                grooves.stroke(at(90 + 330 * t, 52 * t - 40 + 18 * t * t), at(70 + 300 * t, 40 * t + 4), 2.2);
            }
        }
        wings.polygon(outline);
    }
    Mask ring(c.w, c.h), hole(c.w, c.h), blade(c.w, c.h);
    ring.ellipse(cx, cy, 112 * kSqueeze, 112);
    hole.ellipse(cx, cy, 92 * kSqueeze, 92);
    blade.polygon({{cx - 10, cy - 88}, {cx + 10, cy - 88}, {cx + 16, cy}, {cx + 10, cy + 88}, {cx - 10, cy + 88},
                   {cx - 16, cy}});
    blade.ellipse(cx, cy, 18 * kSqueeze, 18);
    Mask shadow = wings;
    shadow.add(ring);
    shadow.blur(8);
    c.paint(shadow, rgb8(5, 5, 3), 0.8f, 6, 10);
    const Colour brass = rgb8(196, 160, 84), brassLight = rgb8(240, 212, 140), brassDark = rgb8(120, 90, 40);
    // Brass lit from above: lighter at the top of each shape.
    Canvas metal(c.w, c.h);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const double t = std::clamp((y - 120) / 260.0, 0.0, 1.0);
            const double sheen = 0.5 + 0.5 * std::sin((x + y) / 38.0);
            metal.at(x, y) = mix(mix(brassLight, brass, float(t)), brassDark, float(t * 0.6 + sheen * 0.12));
        }
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const float m = std::max(wings.get(x, y), ring.get(x, y) - hole.get(x, y));
            if (m > 0) c.at(x, y) = mix(c.at(x, y), metal.at(x, y), m);
        }
    c.paint(grooves, brassDark, 0.8f);
    Mask inner = hole;
    c.paint(inner, rgb8(40, 44, 70));
    Mask white(c.w, c.h), red(c.w, c.h);
    white.ellipse(cx, cy, 64 * kSqueeze, 64);
    red.ellipse(cx, cy, 34 * kSqueeze, 34);
    c.paint(white, rgb8(222, 216, 200));
    c.paint(red, rgb8(160, 42, 36));
    c.paint(blade, rgb8(92, 66, 38), 0.9f);

    Mask title(c.w, c.h);
    const double em = 96, tracking = 22;
    const double w = fonts.serifBold.width("PELLAM", em, kSqueeze, tracking);
    fonts.serifBold.draw(title, "PELLAM", (c.w - w) / 2, 500, em, kSqueeze, tracking);
    Mask titleShadow = title;
    titleShadow.blur(4);
    c.paint(titleShadow, rgb8(5, 5, 3), 0.8f, 3, 5);
    c.paint(title, brassLight);
    Mask rule(c.w, c.h);
    rule.polygon({{cx - 260, 530}, {cx + 260, 530}, {cx + 260, 534}, {cx - 260, 534}});
    c.paint(rule, brass, 0.9f);
    grade(c, 41, 0.1, 0.4);
    return c;
}

}  // namespace

platform::RGBAImage makeLoadingPicture(const Fonts& fonts) {
    platform::RGBAImage image = keyedImage();
    finishPicture(image, paintFront(fonts));
    drawLabels(image, fonts);
    drawMarker(image);
    return image;
}

platform::RGBAImage makeStartUpLogo(const Fonts& fonts) {
    platform::RGBAImage image = keyedImage();
    finishPicture(image, paintBadge(fonts));
    drawLabels(image, fonts);
    drawMarker(image);
    return image;
}

platform::RGBAImage makeBallCursor() {
    platform::RGBAImage image;
    image.width = image.height = 16;
    image.pixels.assign(16 * 16 * 4, 0);
    // A ring with a dark rim and a dot at the hot spot (7, 7): visible on sky and on ground.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            double ring = 0, rim = 0, dot = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double d = std::hypot(x + (sx + 0.5) / 4 - 7.5, y + (sy + 0.5) / 4 - 7.5);
                    ring += (d >= 4.2 && d <= 5.8) / 16.0;
                    rim += ((d >= 3.2 && d < 4.2) || (d > 5.8 && d <= 6.9)) / 16.0;
                    dot += (d <= 1.3) / 16.0;
                }
            uint8_t* p = &image.pixels[size_t(y * 16 + x) * 4];
            const double white = ring + dot, alpha = std::min(1.0, white + rim);
            if (alpha <= 0) continue;
            const double level = white / alpha;
            p[0] = uint8_t(20 + 235 * level);
            p[1] = uint8_t(20 + 232 * level);
            p[2] = uint8_t(18 + 214 * level);
            p[3] = uint8_t(alpha * 255 + 0.5);
        }
    return image;
}

}  // namespace renderart
