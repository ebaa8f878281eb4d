#pragma once
// The queue of transparent polygons of one drawing pass: filled while the pass's objects are
// drawn, drawn farthest first (by the depth of each polygon's nearest vertex) at the end of the
// pass. No GL here, so the order can be tested headless.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/GeometryRecords.h"

namespace pellam::render {

struct TransparentPolyVer2 {
    const OneCompleteObjectVer2* TheCompleteObject = nullptr;
    const OnePolygonVer2* ThisPolygon = nullptr;
    const ObjectPointsPolysVer2* Geometry = nullptr;   // the frame the polygon came from
    const MaterialLightData* Materials = nullptr;      // the object's first frame's table
    int32_t StartPointNumber = -1;
    int32_t ObjectFlags = 0;                           // at queue time (0x20000: coloured vertexes)
    std::array<float, 16> TheFinalDrawMatrix{};        // modelview of the object or its part
    double ZDepth = 0;                                 // ft ahead of the eye of the nearest vertex
    double Height = 0;                                 // ft, world: the object's own origin
    int16_t TheMap = 0;                                // texture slot at queue time
};

class TransparentQueue {
public:
    static constexpr int kCapacity = 1300;
    static constexpr double kNever = -1000000.0;   // entries at or below are never drawn

    void clear() { Count = 0; }
    int count() const { return Count; }
    bool full() const { return Count >= kCapacity; }
    // The next free entry, or null when the queue is full (the polygon is then dropped: what is
    // already queued is kept).
    TransparentPolyVer2* next() { return Count < kCapacity ? &Entries[Count] : nullptr; }
    void commit() {
        if (Count < kCapacity) ++Count;
    }
    TransparentPolyVer2& operator[](int i) { return Entries[i]; }

    // The entries to draw in the order they are drawn, into `order`: farthest first (by ZDepth,
    // among equal depths the lowest index first); those at or below kNever, or not a number, or
    // that `taken` turns away, not at all.
    template <typename Taken>
    void farthestFirst(std::vector<int>& order, const Taken& taken) const {
        order.clear();
        for (int i = 0; i < Count; ++i)
            if (Entries[size_t(i)].ZDepth > kNever && taken(Entries[size_t(i)])) order.push_back(i);
        std::sort(order.begin(), order.end(), [this](int a, int b) {
            const double da = Entries[size_t(a)].ZDepth, db = Entries[size_t(b)].ZDepth;
            return da > db || (da == db && a < b);
        });
    }

    void farthestFirst(std::vector<int>& order) const {
        farthestFirst(order, [](const TransparentPolyVer2&) { return true; });
    }

private:
    std::array<TransparentPolyVer2, kCapacity> Entries{};
    int Count = 0;
};

}  // namespace pellam::render
