// vehiclesart: writes the lorries' and tanks' pictures into <data folder>/Necessary Data/Textures/.
// Picture rows run from V = 1 at the top to V = 0 at the foot.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "tools/renderart/Paint.h"

namespace {

using renderart::Canvas;
using renderart::Colour;
using renderart::Mask;
using renderart::Noise;
using renderart::rgb8;
using renderart::mix;

constexpr int kEdge = 256;

// Pixel rectangle of a texture-coordinate rectangle (u0, v0, u1, v1).
struct Box {
    int x0, y0, x1, y1;
};
Box region(double u0, double v0, double u1, double v1, int edge = kEdge) {
    return {int(u0 * edge), int((1 - v1) * edge), int(u1 * edge), int((1 - v0) * edge)};
}

void fill(Canvas& c, Box b, const std::function<Colour(int x, int y)>& f) {
    for (int y = std::max(0, b.y0); y < std::min(c.h, b.y1); ++y)
        for (int x = std::max(0, b.x0); x < std::min(c.w, b.x1); ++x) c.at(x, y) = f(x, y);
}

// Painted steel or wood weathered with mud splashes low down and rivet rows on plate seams.
Colour weathered(Colour paint, const Noise& n, int x, int y, double mudFrom) {
    const double grime = n.fbm(x * 0.05, y * 0.05, 4);
    Colour c = mix(paint, rgb8(60, 52, 40), float(grime * 0.35));
    const double mud = n.fbm(x * 0.11 + 40, y * 0.11, 3);
    if (y > mudFrom) c = mix(c, rgb8(88, 72, 50), float(std::clamp((y - mudFrom) / 40.0 * mud * 1.6, 0.0, 0.8)));
    return c;
}

void rivets(Canvas& c, Box b, int every, Colour dark) {
    for (int y = b.y0 + 3; y < b.y1; y += every)
        for (int x = b.x0; x < b.x1; ++x) {
            if (x % 6 == 0) c.at(x, y) = mix(c.at(x, y), dark, 0.6f);
            c.at(x, y - 1) = mix(c.at(x, y - 1), dark, 0.25f);
        }
}

// A lorry: body paint, canvas tilt with its marking, radiator, cab front.
Canvas lorry(Colour paint, Colour canvas, int marking, uint32_t seed) {
    Canvas c(kEdge, kEdge);
    Noise n(seed);
    const Box body = region(0, 0, 0.5, 0.5), tilt = region(0.5, 0, 1, 0.5), grille = region(0, 0.5, 0.5, 1),
              front = region(0.5, 0.5, 1, 1);
    fill(c, body, [&](int x, int y) {
        Colour k = weathered(paint, n, x, y, 220);
        if ((x - body.x0) % 32 == 0) k = mix(k, rgb8(30, 28, 22), 0.5f);  // panel seams
        return k;
    });
    fill(c, tilt, [&](int x, int y) {
        // Canvas weave, sagging darker between the hoops, sun-faded at the top of the tilt (foot rows).
        const double weave = ((x + y) % 3 == 0 ? 0.04 : 0.0) + n.fbm(x * 0.08, y * 0.3, 3) * 0.18;
        Colour k = mix(canvas, rgb8(40, 38, 30), float(weave));
        const int hoop = (x - tilt.x0) % 32;
        if (hoop < 2) k = mix(k, rgb8(50, 46, 36), 0.35f);
        if (y > tilt.y1 - 10) k = mix(k, rgb8(70, 60, 44), 0.5f);  // the lashing at the bed
        return k;
    });
    const double cx = (tilt.x0 + tilt.x1) / 2.0, cy = (tilt.y0 + tilt.y1) / 2.0;
    Mask m(kEdge, kEdge);
    if (marking == 1) {  // the ambulance: a red cross on a white disc
        Mask disc(kEdge, kEdge);
        disc.ellipse(cx, cy, 38, 38);
        c.paint(disc, rgb8(226, 222, 208));
        m.polygon({{cx - 9, cy - 30}, {cx + 9, cy - 30}, {cx + 9, cy + 30}, {cx - 9, cy + 30}});
        m.polygon({{cx - 30, cy - 9}, {cx + 30, cy - 9}, {cx + 30, cy + 9}, {cx - 30, cy + 9}});
        m.polygon({{cx - 9, cy - 9}, {cx + 9, cy - 9}, {cx + 9, cy + 9}, {cx - 9, cy + 9}});
        c.paint(m, rgb8(168, 30, 28));
    } else if (marking == 2) {  // German: a black cross with its white border
        Mask border(kEdge, kEdge);
        for (Mask* k : {&border, &m}) {
            const double w = k == &border ? 12 : 7, l = k == &border ? 26 : 22;
            k->polygon({{cx - w, cy - l}, {cx + w, cy - l}, {cx + w, cy + l}, {cx - w, cy + l}});
            k->polygon({{cx - l, cy - w}, {cx + l, cy - w}, {cx + l, cy + w}, {cx - l, cy + w}});
        }
        c.paint(border, rgb8(214, 210, 196));
        c.paint(m, rgb8(22, 22, 20));
    } else {  // Allied: a unit's square sign, red over blue
        m.polygon({{cx - 14, cy - 14}, {cx + 14, cy - 14}, {cx + 14, cy}, {cx - 14, cy}});
        c.paint(m, rgb8(150, 36, 30));
        Mask low(kEdge, kEdge);
        low.polygon({{cx - 14, cy}, {cx + 14, cy}, {cx + 14, cy + 14}, {cx - 14, cy + 14}});
        c.paint(low, rgb8(40, 52, 110));
    }
    fill(c, grille, [&](int x, int y) {  // brass-edged radiator with its honeycomb
        const int gx = x - grille.x0, gy = y - grille.y0;
        if (gx < 8 || gx > 119 || gy < 8 || gy > 119) return mix(rgb8(150, 118, 60), rgb8(70, 56, 30), float(n.value(x * 0.3, y * 0.3)));
        return (gx % 4 == 0 || gy % 4 == 0) ? rgb8(30, 30, 28) : rgb8(64, 62, 56);
    });
    fill(c, front, [&](int x, int y) {  // cab front: open windscreen over the dash
        const int gy = y - front.y0;
        if (gy < 70 && (x - front.x0) > 10 && (x - front.x1) < -10) return mix(rgb8(34, 36, 40), rgb8(70, 78, 84), float(gy / 90.0));
        return weathered(paint, n, x, y, 1000);
    });
    return c;
}

// The wheel: a spoked wooden wheel in its solid rubber tyre (left half), the tread (right half).
Canvas tyre() {
    Canvas c(kEdge, kEdge, rgb8(0, 0, 0));
    Noise n(7);
    const double cx = 64, cy = 128;  // the face spans u 0.01..0.49, v 0.02..0.98
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < 128; ++x) {
            const double dx = (x + 0.5 - cx) / 61.0, dy = (y + 0.5 - cy) / 122.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > 1.0) continue;
            const double a = std::atan2(dy, dx);
            Colour k = rgb8(24, 24, 22);                                      // rubber
            if (d < 0.8) k = rgb8(72, 66, 52);                                // steel felloe
            if (d < 0.74) {
                const double spoke = std::fabs(std::remainder(a, 2 * M_PI / 12)) * d;
                k = spoke < 0.07 ? mix(rgb8(150, 112, 66), rgb8(96, 70, 40), float(n.value(d * 20, a * 3)))
                                 : rgb8(14, 14, 12);  // dark between the spokes
            }
            if (d < 0.22) k = rgb8(84, 80, 70);  // hub
            if (d < 0.1) k = rgb8(48, 46, 40);
            c.at(x, y) = mix(k, rgb8(90, 74, 52), float(n.fbm(x * 0.1, y * 0.05, 3) * 0.3));
        }
    fill(c, {128, 0, 256, 256}, [&](int x, int y) {
        const double wear = n.fbm(x * 0.06, y * 0.2, 3);
        return mix(rgb8(30, 30, 28), rgb8(86, 72, 52), float(wear * 0.5 + ((y % 16) < 2 ? 0.1 : 0.0)));
    });
    return c;
}

// A tank: the tread links, riveted armour, the track frame with its rollers, gun and mantlet.
Canvas tank(Colour base, Colour blotch, Colour stripe, bool stripes, uint32_t seed) {
    Canvas c(kEdge, kEdge, rgb8(20, 20, 18));
    Noise n(seed);
    const Box links = region(0, 0.3, 0.07, 0.7), armour = region(0.1, 0, 0.6, 0.8), frame = region(0.62, 0, 1, 0.8),
              gun = region(0.65, 0.84, 0.87, 1.0), shield = region(0.1, 0.83, 0.6, 0.99);
    fill(c, {0, 0, 26, kEdge}, [&](int x, int y) {
        const int link = y % 7;
        return mix(link < 2 ? rgb8(28, 26, 22) : rgb8(74, 66, 54), rgb8(96, 80, 56), float(n.fbm(x * 0.2, y * 0.1, 3) * 0.7));
    });
    static_cast<void>(links);
    fill(c, armour, [&](int x, int y) {
        Colour k = base;
        const double camo = n.fbm(x * 0.025, y * 0.025, 3);
        if (camo > 0.56) k = blotch;
        if (stripes && y > armour.y1 - 26 && ((x - armour.x0) / 14) % 3 == 1) k = stripe;  // recognition stripes
        else if (stripes && y > armour.y1 - 26) k = rgb8(212, 208, 196);
        return weathered(k, n, x, y, armour.y1 - 70);
    });
    rivets(c, armour, 24, rgb8(30, 28, 24));
    fill(c, frame, [&](int x, int y) {
        Colour k = weathered(mix(base, rgb8(60, 52, 40), 0.3f), n, x, y, frame.y0 + 60);
        const int fx = x - frame.x0, fy = y - frame.y0;
        const int roller = fx % 24;
        if (fy > frame.y1 - frame.y0 - 60 && fy < frame.y1 - frame.y0 - 30 && roller > 4 && roller < 20)
            k = mix(k, rgb8(34, 32, 28), 0.6f);  // road rollers behind the frame's holes
        return k;
    });
    fill(c, gun, [&](int x, int y) { return mix(rgb8(44, 46, 42), rgb8(78, 80, 74), float(n.value(x * 0.2, y * 0.5))); });
    fill(c, shield, [&](int x, int y) { return weathered(mix(base, rgb8(40, 40, 36), 0.4f), n, x, y, 1000); });
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vehiclesart <data folder>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Necessary Data" / "Textures";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool ok = true;
    const auto save = [&](const std::string& name, const Canvas& c, bool keyed) {
        pellam::platform::RGBAImage image;
        image.width = c.w;
        image.height = c.h;
        image.pixels.assign(size_t(c.w) * c.h * 4, 255);
        // A keyed picture keeps pure black for its holes and nudges every other pixel off it.
        c.blit(image, 0, 0, keyed ? std::array<uint8_t, 3>{1, 1, 1} : std::array<uint8_t, 3>{0, 0, 0});
        if (keyed)
            for (int k = 0; k < c.w * c.h; ++k) {
                const Colour& p = c.c[size_t(k)];
                if (p.r == 0 && p.g == 0 && p.b == 0) image.pixels[size_t(k) * 4] = image.pixels[size_t(k) * 4 + 1] = image.pixels[size_t(k) * 4 + 2] = 0;
            }
        if (!pellam::platform::writePng((folder / (name + ".png")).string(), image)) {
            std::fprintf(stderr, "vehiclesart: cannot write %s\n", name.c_str());
            ok = false;
        }
    };
    save("AlliedTruckL", lorry(rgb8(92, 88, 58), rgb8(150, 136, 100), 0, 11), false);
    save("GermanTruckL", lorry(rgb8(88, 92, 80), rgb8(118, 118, 102), 2, 12), false);
    save("MedicTruckL", lorry(rgb8(92, 88, 58), rgb8(176, 170, 150), 1, 13), false);
    save("TruckTireM", tyre(), true);
    save("Tank1L", tank(rgb8(96, 98, 84), rgb8(120, 104, 70), {}, false, 21), false);
    save("Tank2L", tank(rgb8(104, 86, 60), rgb8(80, 72, 52), rgb8(160, 34, 30), true, 22), false);
    save("GermanTankL", tank(rgb8(90, 92, 82), rgb8(70, 82, 60), {}, false, 23), false);
    return ok ? 0 : 1;
}
