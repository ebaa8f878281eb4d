#include "world/RIDUdidav.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/Beep.h"
#include "platform/ByteOrder.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

namespace pellam {

using namespace world;

RIDUdidav::RIDUdidav() { GroundTextureSlots.fill(0); }

bool RIDUdidav::initWithGLView(ViewServices* view) {
    if (!loadWorldFiles(getPathToResources())) {
        platform::logMessage(LastError);
        platform::SystemBeep();
        return false;
    }
    setGL(view);
    return true;
}

bool RIDUdidav::readFile(const std::string& path, const char* name, size_t expected, std::vector<uint8_t>& out) {
    std::string why;
    std::optional<std::vector<uint8_t>> bytes = platform::readRegularFile(path, why, expected);
    std::error_code ec;
    if (!bytes && !std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        LastError = std::string("The terrain file \"") + name + "\" is missing (looked for " + path + ").";
        return false;
    }
    if (!bytes) {
        LastError = std::string("The terrain file \"") + name + "\" could not be read: " + why + " (" + path + ").";
        return false;
    }
    if (bytes->size() != expected) {
        LastError = std::string("The terrain file \"") + name + "\" is damaged: " + std::to_string(bytes->size()) +
                    " bytes where " + std::to_string(expected) + " were expected (" + path + ").";
        return false;
    }
    out = std::move(*bytes);
    return true;
}

bool RIDUdidav::loadWorldFiles(const std::string& folder) {
    std::vector<uint8_t> elevation, surface;
    if (!readFile(folder + kElevationFile, kElevationFile, kElevationBytes, elevation)) return false;
    if (!readFile(folder + kSurfaceFile, kSurfaceFile, kSurfaceBytes, surface)) return false;
    return setWorldData(elevation, surface, LastError);
}

bool RIDUdidav::setWorldData(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                             std::string& error) {
    if (elevation.size() != kElevationBytes || surface.size() != kSurfaceBytes) {
        error = "The terrain grid has the wrong size.";
        return false;
    }
    PostFeet.resize(size_t(kGridSize) * kGridSize);
    for (size_t k = 0; k < PostFeet.size(); ++k)
        PostFeet[k] = static_cast<float>(platform::readBEShort(&elevation[2 * k]) * kFeetPerMetre);
    Surface = surface;
    // Codes beyond the texture table would index past it in the drawing.
    for (uint8_t& s : Surface)
        if ((s & 15) >= kGroundCodes) s = static_cast<uint8_t>((s & 0xF0) | kPasture);
    return true;
}

double RIDUdidav::getAltitudeAtX(double x, double z) {
    if (TerrainObjectCount > 0 && !AskingObjects && aController) {
        if (ModelArray* models = aController->getModelArray()) {
            AskingObjects = true;
            double answer = -9000.0;
            for (int k = 0; k < TerrainObjectCount && answer <= -9000.0; ++k) {
                ZephModel* object = models->at(TerrainObjects[k]);
                if (!object || object == this) continue;
                const double h = object->getAltitudeAtX(x, z);
                if (h > -9000.0) {
                    answer = h;
                    const double* plane = object->lastTerrainPlaneEq();
                    LastPlane = {plane[0], plane[1], plane[2], plane[3]};
                }
            }
            AskingObjects = false;
            if (answer > -9000.0) {
                const double fi = x / kSquareFeet, fj = z / kSquareFeet;
                if (hasGrid() && fi >= 0.0 && fj >= 0.0 && fi < kGridSize - 1 && fj < kGridSize - 1)
                    LastTexture = groundCodeAt(int(fi), int(fj));
                return answer;
            }
        }
    }

    const double fi = x / kSquareFeet, fj = z / kSquareFeet;
    // Written so that NaN lands off the grid too.
    if (!hasGrid() || !(fi >= 0.0 && fj >= 0.0 && fi < kGridSize - 1 && fj < kGridSize - 1)) {
        LastPlane = {0.0, 1.0, 0.0, 0.0};
        LastTexture = kWater;
        return 0.0;
    }
    const int i = static_cast<int>(fi), j = static_cast<int>(fj);
    const double u = fi - i, w = fj - j;
    const double h00 = postFeet(i, j), h10 = postFeet(i + 1, j);
    const double h01 = postFeet(i, j + 1), h11 = postFeet(i + 1, j + 1);
    // Each square is cut along its diagonal from (i, j) to (i + 1, j + 1).
    double sx, sz;  // rise per post along X and Z
    if (u >= w) {
        sx = h10 - h00;
        sz = h11 - h10;
    } else {
        sx = h11 - h01;
        sz = h01 - h00;
    }
    const double h = h00 + u * sx + w * sz;
    const double nx = -sx / kSquareFeet, nz = -sz / kSquareFeet;
    const double len = std::sqrt(nx * nx + 1.0 + nz * nz);
    LastPlane = {nx / len, 1.0 / len, nz / len, 0.0};
    LastPlane[3] = -(LastPlane[0] * x + LastPlane[1] * h + LastPlane[2] * z);
    LastTexture = groundCodeAt(i, j);
    return h;
}

int32_t RIDUdidav::roadCodeAtWorld(double x, double z) const {
    const double fi = std::floor(x / kSquareFeet), fj = std::floor(z / kSquareFeet);
    if (!hasGrid() || !(fi >= 0.0 && fj >= 0.0 && fi < kGridSize - 1 && fj < kGridSize - 1)) return kNoRoad;
    return roadCodeForEdges(roadEdgesAt(int(fi), int(fj)));
}

int32_t RIDUdidav::roadMapHereX(float x, float z) {
    // The square is found by its centre: single-precision corners a little off the grid line
    // still name the square they were made for.
    const double sx = double(x) + ViewingPosition[0], sz = double(z) + ViewingPosition[2];
    return roadCodeAtWorld(sx + kSquareFeet / 2, sz - kSquareFeet / 2);
}

void RIDUdidav::setTerrainObject(long modelIndex) {
    if (TerrainObjectCount >= kMaxTerrainObjects) return;
    TerrainObjects[TerrainObjectCount++] = modelIndex;
}

void RIDUdidav::setFogDistance(double v) {
    if (!(v > 0.0)) {  // no haze, or a value that cannot be divided by
        FogDistance = kGreatestFogDistance;
        return;
    }
    const double d = v * 200000.0 < 11.0 ? 2.0 : (1.0 - v * 2000.0) * (1.0 - v * 2000.0) + 1.0;
    const double distance = d / v;
    FogDistance = std::isfinite(distance) && distance < kGreatestFogDistance ? distance : kGreatestFogDistance;
}

void RIDUdidav::SetDetailsForLayer(int32_t layer, int32_t texture, double bottom, double top) {
    if (layer < 0 || layer >= kCloudLayers) {
        platform::SystemBeep();
        return;
    }
    if (!std::isfinite(bottom) || !std::isfinite(top)) bottom = top = 0.0;
    if (top < bottom) std::swap(top, bottom);
    // A code from a mission file: held to the 16 bits any code in use fits, so the thin-layer
    // step below cannot overflow.
    texture = std::clamp<int32_t>(texture, 0, 0x7FFF);
    if (texture != 0 && top - bottom < 50.0) texture += 1;
    Layers[layer] = {texture, bottom, top};
}

int32_t RIDUdidav::returnAbsoluteCloudLayerState() const {
    const CloudLayer& layer = Layers[0];
    if (layer.TextureNumber == 0) return 1;
    const double y = EyePosition[1];
    if (y > layer.LayerTop) return layer.TextureNumber <= 2 ? 2 : 3;
    if (y >= layer.LayerBottom) return 4;
    return 5;
}

void RIDUdidav::setGL(ViewServices* view) {
    View = view;
    for (int k = 0; k < kGroundCodes; ++k) GroundTextureSlots[k] = loadNamedTexture(View, kGroundTextureNames[k]);
    RoadStraightSlot = loadNamedTexture(View, kRoadStraightTexture);
    RoadBendSlot = loadNamedTexture(View, kRoadBendTexture);
    DetailSlot = loadNamedTexture(View, kDetailTexture);
    CloudDeckSlot = loadNamedTexture(View, "CloudDeckB");
    CloudScatterSlot = loadNamedTexture(View, "CloudScatterB");
}

}  // namespace pellam
