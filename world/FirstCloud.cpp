#include "world/FirstCloud.h"

#include <algorithm>
#include <cmath>

namespace pellam {

bool FirstCloud::initWithGLView(ViewServices* view) {
    if (!view) return true;
    TextureSlot = loadNamedTexture(view, "CloudPuffB");
    return true;
}

void FirstCloud::fillBoxes(CloudRandom& random, const Box* boxes, int count) {
    SpriteCount = 0;
    double top = -1e9, bottom = 1e9;
    for (int b = 0; b < count; ++b) {
        top = std::max(top, boxes[b].Y + boxes[b].HalfY);
        bottom = std::min(bottom, boxes[b].Y - boxes[b].HalfY);
    }
    Radius = 0;
    for (int b = 0; b < count; ++b) {
        const Box& box = boxes[b];
        for (int s = 0; s < box.Sprites && SpriteCount < kMaxSprites; ++s) {
            CloudSprite& sp = Sprites[SpriteCount++];
            // Sprites crowd the middle of a box: the mean of two draws.
            sp.X = float(box.X + (random.from(-1, 1) + random.from(-1, 1)) * 0.5 * box.HalfX);
            sp.Y = float(box.Y + random.from(-1, 1) * box.HalfY);
            sp.Z = float(box.Z + (random.from(-1, 1) + random.from(-1, 1)) * 0.5 * box.HalfZ);
            sp.Size = float(random.from(box.MinSize, box.MaxSize));
            const double height = (sp.Y - bottom) / std::max(1.0, top - bottom);
            sp.Shade = float(std::clamp(0.62 + 0.38 * height + random.from(-0.04, 0.04), 0.0, 1.0));
            const double reach = std::sqrt(double(sp.X) * sp.X + double(sp.Y) * sp.Y + double(sp.Z) * sp.Z) + sp.Size;
            Radius = std::max(Radius, float(reach));
        }
    }
}

void FirstCloud::makeACulmulus(int32_t seed) {
    CloudRandom random(static_cast<uint32_t>(seed));
    const double scale = random.from(0.7, 1.3);
    const double w = 1500.0 * scale, d = 1200.0 * scale, h = 450.0 * scale;
    // A flat-bottomed base and three towers heaped on it, leaning as the draws say.
    Box boxes[4];
    boxes[0] = {0.0, h * 0.5, 0.0, w * 0.5, h * 0.5, d * 0.5, 30, 260 * scale, 420 * scale};
    for (int k = 1; k < 4; ++k) {
        const double tw = w * random.from(0.22, 0.38), td = d * random.from(0.25, 0.4);
        const double th = h * random.from(0.6, 1.2) * (k == 1 ? 1.4 : 1.0);
        boxes[k] = {random.from(-w * 0.3, w * 0.3), h + th * 0.5 * random.from(0.6, 1.0) + (k == 1 ? h * 0.4 : 0.0),
                    random.from(-d * 0.25, d * 0.25), tw, th * 0.5, td, 20, 200 * scale, 360 * scale};
    }
    fillBoxes(random, boxes, 4);
}

void FirstCloud::makeAFlatishCloud(int32_t seed) {
    CloudRandom random(static_cast<uint32_t>(seed));
    const double scale = random.from(0.7, 1.4);
    const Box box{0.0, 120.0 * scale, 0.0, 1600.0 * scale, 120.0 * scale, 1100.0 * scale, 44, 330 * scale, 620 * scale};
    fillBoxes(random, &box, 1);
}

void FirstCloud::callEveryTick(bool running, int32_t missionTime, bool inReplay) {
    live.globalTime = missionTime;
    if (!running) return;
    for (int k = 0; k < 3; ++k) live.attitude.Position[k] += WindVector[k];
    if (inReplay)
        readCurrentReplayData(missionTime);
    else
        saveCurrentReplayData(missionTime);
}

void FirstCloud::saveCurrentReplayData(int32_t missionTime) {
    if (missionTime < 0 || missionTime % kReplayEvery != 0) return;
    ReplayRecord& r = Ring[(missionTime / kReplayEvery) % kReplaySlots];
    r.Time = missionTime;
    r.Position = live.attitude.Position;
}

void FirstCloud::readCurrentReplayData(int32_t missionTime) {
    if (missionTime < 0) return;
    const ReplayRecord& r = Ring[(missionTime / kReplayEvery) % kReplaySlots];
    if (r.Time != missionTime) return;  // overwritten or never written: drift on from here
    live.attitude.Position = r.Position;
    live.previousAttitude.Position = r.Position;
}

}  // namespace pellam
