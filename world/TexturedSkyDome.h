#pragma once
// TexturedSkyDome: the sky around the eye and the sun on it. The sun is where the view's light comes
// from (positionSun, each frame), and its height colours the sky; the drawing is in world/draw.
#include <array>
#include <cstdint>

#include "core/ZephModel.h"

namespace pellam {

struct SkyColours {
    std::array<float, 3> Zenith{};   // 0..1 RGB
    std::array<float, 3> Horizon{};  // also the colour the fog should take
    std::array<float, 3> Sun{};      // the sun's glow; black when it is down or hidden
    std::array<float, 3> Light{};    // daylight on the ground and the clouds, 0..1
};

class TexturedSkyDome : public ZephModel {
public:
    TexturedSkyDome();
    bool initWithGLView(ViewServices* view) override;
    // Hours 0..24, local solar time; kept for the mission. The sun itself is placed by positionSun.
    void setTimeOfDay(double hours) override;
    // A unit vector towards the sun (+X east, +Y up, +Z north); a zero vector is ignored.
    void positionSun(const double* sunVector);
    void setCeilingPoly(double feet) {}  // the dome does not change with the ceiling
    void setBelowCeiling(int32_t below) { BelowCeiling = below; }
    // Non-zero while the sky is drawn grey under a cloud ceiling.
    int32_t getBelowCeiling() const { return BelowCeiling; }
    int32_t getObjectType() override { return 1; }

    const Vector3& getSunVector() const { return SunVector; }
    double getTimeOfDay() const { return Hours; }
    // The colours for this frame, grey under a ceiling.
    SkyColours getSkyColours() const;

    int32_t SkyTextureSlot = 0, SunTextureSlot = 0;
    ViewServices* View = nullptr;  // not owned

private:
    double Hours = 12.0;
    Vector3 SunVector{0.0, 1.0, 0.0};
    int32_t BelowCeiling = 0;
};

}  // namespace pellam
