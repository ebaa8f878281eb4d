#pragma once
// The triangles of a model seen from inside it (the cockpit) that its other fixed, opaque
// triangles hide from the eye whichever way the head turns: which ones depends only on where the
// eye sits in the model, so they are worked out once for an eye place and kept. Nothing here
// calls GL: the drawer says what each polygon is (opaque, drawn, moving) and leaves out what a
// kept answer names. The working-out runs on a thread of its own, on a copy of what it needs:
// the frame never waits for it, and draws everything until an answer for where the eye is lands.
// The picture stays the same: a hidden triangle fails the depth test wherever it would be drawn.
// Saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 3.3, 1.8, 0, 2.8, 0 M.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "core/GeometryRecords.h"

namespace pellam::render {

// Calls each(a, b, c) for the triangles GL makes of a primitive of `type` over the `n` point
// numbers `v`, in GL's order and winding; a quad is cut along the diagonal from its second corner
// to its fourth. Points and lines make none.
template <class Each>
[[gnu::always_inline]] inline void eachTriangle(int type, const uint16_t* v, int n, Each&& each) {
    switch (type) {
    case 0x0004:  // triangles
        for (int i = 0; i + 2 < n; i += 3) each(v[i], v[i + 1], v[i + 2]);
        break;
    case 0x0007:  // quads
        for (int i = 0; i + 3 < n; i += 4) {
            each(v[i], v[i + 1], v[i + 3]);
            each(v[i + 1], v[i + 2], v[i + 3]);
        }
        break;
    case 0x0005:  // a strip
        for (int i = 0; i + 2 < n; ++i) i % 2 ? each(v[i + 1], v[i], v[i + 2]) : each(v[i], v[i + 1], v[i + 2]);
        break;
    default:  // a fan or a convex polygon
        for (int i = 1; i + 1 < n; ++i) each(v[0], v[i], v[i + 1]);
        break;
    }
}

// As eachTriangle, the same triangles in the same order, but the two of a quad, and neighbouring
// two of a fan or a convex polygon, go together to pair(a0, b0, c0, a1, b1, c1); the others (of
// triangles, a strip, a fan's odd last) to each(a, b, c) alone.
template <class Pair, class Each>
[[gnu::always_inline]] inline void eachTrianglePair(int type, const uint16_t* v, int n, Pair&& pair, Each&& each) {
    switch (type) {
    case 0x0007:  // quads
        for (int i = 0; i + 3 < n; i += 4) pair(v[i], v[i + 1], v[i + 3], v[i + 1], v[i + 2], v[i + 3]);
        break;
    case 0x0006:    // a fan
    case 0x0009: {  // a convex polygon
        int i = 1;
        for (; i + 2 < n; i += 2) pair(v[0], v[i], v[i + 1], v[0], v[i + 1], v[i + 2]);
        if (i + 1 < n) each(v[0], v[i], v[i + 1]);
        break;
    }
    default:
        eachTriangle(type, v, n, each);
        break;
    }
}

// One triangle as the search for hidden ones sees it.
struct HidingTriangle {
    uint16_t A = 0, B = 0, C = 0;
    bool Hides = false;     // fixed, opaque, written to the depths: it may hide others where drawn
    bool TwoSided = false;  // drawn whichever way it faces the eye
    bool Asked = false;     // fixed: it may be found hidden
};

struct HidingEye {
    double X = 0, Y = 0, Z = 0;  // in the points' frame
    // A triangle is culled where Sign * (n . (eye - a)) is positive, n = (b - a) x (c - a).
    double Sign = 1;
    // ft: what lies nearer the eye than this may be cut by the near plane in some view, and hides nothing.
    double NearReach = 0;
    // The finest step looked at across the view, as a tangent: well under a pixel.
    double Cell = 1.0 / 2048;
};

// One flag for each triangle: 1 where it is asked and every ray from the eye to it meets, clearly
// nearer, a triangle that hides; sampled no coarser than eye.Cell (coarser for large triangles),
// with the triangle's outline widened and the hiding triangles' narrowed by a sample, and depths
// compared with a margin far wider than the depth buffer's steps. `points` is the first point's x
// (three floats), `stride` the bytes from one point to the next; every point number must name one.
// Answers empty, having given up, once `stop` (where given) reads true.
std::vector<uint8_t> findHiddenTriangles(const unsigned char* points, int stride, std::span<const HidingTriangle> triangles,
                                         const HidingEye& eye, const std::atomic<bool>* stop = nullptr);

// The hidden triangles of the models drawn from inside, kept by eye place. A model is known by
// its points, polygons and runs; each frame the drawer hands what it knows of every polygon, and
// the points are compared with those last seen: a point that has moved, or a polygon whose look
// has changed, is never taken to hide nor to be hidden again, and what was kept is dropped.
// An answer is worked out on the search thread (started by the first search, ended with the
// object) and taken up by a later look-up only where the model, its moved parts and looks, and the
// eye's place are still those it was worked out for; otherwise it is thrown away.
class CockpitHidden {
public:
    CockpitHidden() = default;
    // Stops a search under way (it gives up within a triangle's look) and ends the thread.
    ~CockpitHidden();
    CockpitHidden(const CockpitHidden&) = delete;
    CockpitHidden& operator=(const CockpitHidden&) = delete;

    // What the drawer knows of a polygon this frame: its draw hints, and whether it is drawn opaque
    // (alpha one, no blending that could show what is behind) and written to the depths where it is drawn.
    struct PolygonLook {
        int32_t Hints = 0;
        bool Opaque = false;
        bool operator==(const PolygonLook&) const = default;
    };
    // The triangles left out: Of(polygon number) points at the first of the polygon's flags, one a
    // triangle in eachTriangle's order; null where none of its triangles is hidden.
    struct Answer {
        const std::vector<int32_t>* First = nullptr;
        const std::vector<uint8_t>* Hidden = nullptr;
        const uint8_t* of(size_t polygon) const {
            if (polygon >= First->size() || (*First)[polygon] < 0) return nullptr;
            return Hidden->data() + (*First)[polygon];
        }
    };

    // The kept answer for the model seen from `eye`; answered false when there is none. Where none
    // is kept for the place, the eye has stayed there since an earlier pass (or nothing is kept for
    // the model) and no part has started to move for kSettlingPasses, one is searched for, to be
    // taken up by a look-up after it lands. `looks` holds one entry for each polygon before the one
    // whose MapNumber is negative; `pass` counts the drawer's passes.
    bool lookUp(const ObjectPointsPolysVer2& g, const OnePolygonVer2* polygons, std::span<const PolygonLook> looks,
                int stride, const HidingEye& eye, long pass, Answer& answer);

    // Answers taken up so far, and those thrown away as no longer fitting when they landed.
    long built() const { return built_; }
    long thrownAway() const { return thrownAway_; }
    // Returns once no search is waiting or under way: what was asked has landed, for the next
    // look-up to take up or throw away (tests and benchmarks: they wait for an event, not a time).
    void waitForSearches();
    // Passes after a part first moves before what the model hides is worked out again.
    static constexpr long kSettlingPasses = 8;
    // Whether a primitive of `type` over `n` points is made of triangles the drawer may batch:
    // only those polygons have flags.
    static bool madeOfTriangles(int type, int n);

private:
    struct Place {
        double X = 0, Y = 0, Z = 0, NearReach = 0, Sign = 1;
        long Used = 0;
        std::vector<uint8_t> Hidden;
    };
    struct Model {
        const void* Points = nullptr;
        const OnePolygonVer2* Polygons = nullptr;
        const uint16_t* Runs = nullptr;
        size_t PointCount = 0;
        std::vector<unsigned char> Last;   // the points as last seen
        std::vector<uint8_t> Moved;        // points that have moved since first seen
        std::vector<PolygonLook> Looks;    // each polygon's look as last seen
        std::vector<uint8_t> Changed;      // polygons whose look has changed
        std::vector<int32_t> First;        // each polygon's first triangle, -1 for none
        size_t Triangles = 0;
        std::vector<Place> Places;
        double EyeX = 0, EyeY = 0, EyeZ = 0;
        long EyePass = -1;                 // the pass that last looked up, from EyeX, EyeY, EyeZ
        long LearntPass = -1;              // the pass that last compared the points and looks
        long MovedPass = -1;               // the last pass in which a point or look changed first
        long Used = 0;
        uint64_t Id = 0;                   // never reused: a search's answer names its model by it
        uint64_t Generation = 0;           // counts the passes in which a point or look changed first
        uint64_t Asked = 0;                // the search last asked for, 0 when none is out
        HidingEye AskedEye;
        uint64_t AskedGeneration = 0;
    };
    // A search's inputs, copied, and its answer.
    struct Search {
        uint64_t Serial = 0, Model = 0, Generation = 0;
        HidingEye Eye;
        std::vector<float> Points;  // x, y, z of each point
        std::vector<HidingTriangle> Triangles;
        std::vector<uint8_t> Hidden;
    };
    // Notes the points that have moved and the polygons whose look has changed since last seen
    // (`points` the first point); answers whether any did for the first time.
    bool learn(Model& m, const unsigned char* points, int stride, std::span<const PolygonLook> looks);
    // Asks the search thread for the hidden triangles from `eye`, unless that is asked already; a
    // search waiting or under way for the model is dropped, its answer no longer wanted.
    void ask(Model& m, const ObjectPointsPolysVer2& g, std::span<const PolygonLook> looks, int stride,
             const HidingEye& eye);
    // Keeps as places of `m` the answers landed for it that still fit the model and `eye`, and
    // throws away the others and those of models no longer kept.
    void takeLanded(Model& m, const HidingEye& eye);
    void run();

    std::vector<Model> models_;
    long clock_ = 0;
    long built_ = 0;
    long thrownAway_ = 0;
    uint64_t modelsMade_ = 0, asked_ = 0;

    // Shared with the search thread, under mutex_ (but cancel_, which the search reads as it goes).
    std::mutex mutex_;
    std::condition_variable wake_;  // a search asked for, or the thread asked to end
    std::condition_variable idle_;  // a search ended
    std::deque<Search> waiting_;
    std::vector<Search> landed_;
    bool busy_ = false;
    bool stopping_ = false;
    uint64_t runningModel_ = 0;
    std::atomic<bool> cancel_{false};
    std::thread thread_;
};

}  // namespace pellam::render
