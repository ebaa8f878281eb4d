#include "world/TexturedSkyDome.h"

#include <algorithm>
#include <cmath>

#include "core/Constants.h"

namespace pellam {

namespace {

constexpr double kRad = kPi / 180.0;

std::array<float, 3> mix(const std::array<float, 3>& a, const std::array<float, 3>& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {float(a[0] + (b[0] - a[0]) * t), float(a[1] + (b[1] - a[1]) * t), float(a[2] + (b[2] - a[2]) * t)};
}

}  // namespace

TexturedSkyDome::TexturedSkyDome() { setTimeOfDay(12.0); }

bool TexturedSkyDome::initWithGLView(ViewServices* view) {
    View = view;
    if (!view) return true;
    SkyTextureSlot = loadNamedTexture(view, "SkyDome");
    SunTextureSlot = loadNamedTexture(view, "SkySun");
    return true;
}

void TexturedSkyDome::setTimeOfDay(double hours) {
    if (!std::isfinite(hours)) hours = 12.0;
    Hours = std::fmod(std::fmod(hours, 24.0) + 24.0, 24.0);
}

void TexturedSkyDome::positionSun(const double* v) {
    if (!v) return;
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(len > 1e-9) || !std::isfinite(len)) return;
    SunVector = {v[0] / len, v[1] / len, v[2] / len};
}

SkyColours TexturedSkyDome::getSkyColours() const {
    const std::array<float, 3> dayZenith{0.27f, 0.45f, 0.76f}, dayHorizon{0.70f, 0.77f, 0.85f};
    const std::array<float, 3> duskZenith{0.22f, 0.28f, 0.50f}, duskHorizon{0.93f, 0.58f, 0.36f};
    const std::array<float, 3> nightZenith{0.01f, 0.02f, 0.06f}, nightHorizon{0.05f, 0.06f, 0.11f};
    const std::array<float, 3> grey{0.52f, 0.54f, 0.57f}, overcastDark{0.10f, 0.10f, 0.12f};
    const double elevation = std::asin(std::clamp(SunVector[1], -1.0, 1.0)) / kRad;  // deg

    SkyColours c;
    if (elevation >= 0.0) {  // dusk colours fade out as the sun climbs to 12 deg
        c.Zenith = mix(duskZenith, dayZenith, elevation / 12.0);
        c.Horizon = mix(duskHorizon, dayHorizon, elevation / 12.0);
        c.Sun = mix(std::array<float, 3>{1.0f, 0.55f, 0.25f}, std::array<float, 3>{1.0f, 0.97f, 0.85f}, elevation / 20.0);
    } else {  // to night by 8 deg below the horizon
        c.Zenith = mix(duskZenith, nightZenith, -elevation / 8.0);
        c.Horizon = mix(duskHorizon, nightHorizon, -elevation / 8.0);
        c.Sun = mix(std::array<float, 3>{0.8f, 0.35f, 0.15f}, std::array<float, 3>{0, 0, 0}, -elevation / 3.0);
    }
    // Full daylight from 15 deg up, warm and falling at sunset, moonlight at night.
    c.Light = mix(mix(std::array<float, 3>{0.16f, 0.18f, 0.26f}, std::array<float, 3>{0.86f, 0.68f, 0.55f}, (elevation + 8.0) / 8.0),
                  std::array<float, 3>{1.0f, 1.0f, 1.0f}, elevation / 15.0);
    if (BelowCeiling) {
        for (float& l : c.Light) l *= 0.72f;
        const double light = std::clamp((elevation + 8.0) / 20.0, 0.0, 1.0);
        c.Zenith = c.Horizon = mix(overcastDark, grey, light);
        c.Sun = {0.0f, 0.0f, 0.0f};
    }
    return c;
}

}  // namespace pellam
