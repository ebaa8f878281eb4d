#pragma once
// FirstCloud: a cloud drawn as a heap of camera-facing sprites. Its shape comes from a seed alone,
// through a random sequence of its own, so every machine of a network game that is given the
// same seed builds the same cloud. It drifts with the wind and keeps its place in a replay ring.
#include <array>
#include <cstdint>

#include "core/ZephModel.h"

namespace pellam {

struct CloudSprite {
    float X = 0, Y = 0, Z = 0;  // ft from the cloud's position
    float Size = 0;             // ft, half the quad's edge
    float Shade = 1;            // 0..1, lit tops bright, undersides grey
};

// A 32-bit generator with a fixed definition, unlike the C library's random().
class CloudRandom {
public:
    explicit CloudRandom(uint32_t seed) : State(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next() {
        State = State * 1664525u + 1013904223u;
        uint32_t x = State;
        x ^= x >> 16;
        x *= 0x7FEB352Du;
        x ^= x >> 15;
        return x;
    }
    double from(double a, double b) { return a + (b - a) * (next() / 4294967296.0); }

private:
    uint32_t State;
};

class FirstCloud : public ZephModel {
public:
    static constexpr int kMaxSprites = 96;
    static constexpr int kReplaySlots = 180;  // one every 20 ticks: a minute
    static constexpr int kReplayEvery = 20;   // ticks

    bool initWithGLView(ViewServices* view) override;
    // A heaped cumulus of four boxes of sprites, or a flat cloud of one box, from the seed.
    void makeACulmulus(int32_t seed);
    void makeAFlatishCloud(int32_t seed);

    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    void saveCurrentReplayData(int32_t missionTime) override;
    void readCurrentReplayData(int32_t missionTime) override;
    int32_t getObjectType() override { return 5; }

    int spriteCount() const { return SpriteCount; }
    const CloudSprite& sprite(int k) const { return Sprites[k]; }
    float radius() const { return Radius; }  // ft, the sprites' reach from the position
    int32_t TextureSlot = 0;

private:
    struct Box {
        double X, Y, Z;        // centre, ft from the cloud's position
        double HalfX, HalfY, HalfZ;
        int Sprites;
        double MinSize, MaxSize;
    };
    void fillBoxes(CloudRandom& random, const Box* boxes, int count);

    std::array<CloudSprite, kMaxSprites> Sprites{};
    int SpriteCount = 0;
    float Radius = 0;
    struct ReplayRecord {
        int32_t Time = -1;  // mission tick; -1 empty
        Vector3 Position{};
    };
    std::array<ReplayRecord, kReplaySlots> Ring{};
};

}  // namespace pellam
