#pragma once
// RIDUdidav: the terrain of the Western Front. A grid of heights read from "RIDUdidavData" with a
// ground texture and road edges per 1760-ft square; it answers altitude, plane, texture and road
// questions for the simulation, keeps the fog distance and the three cloud layers, and holds the
// texture slots the terrain drawing (world/draw) binds. Nothing here touches GL.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ZephModel.h"
#include "world/WorldGrid.h"

namespace pellam {

// One cloud layer of the terrain's sky. Cleared (texture 0, no layer) at creation.
struct CloudLayer {
    int32_t TextureNumber = 0;  // 0 none, 1 ceiling deck, 2 thin ceiling, 3.. scattered (even = thin)
    double LayerBottom = 0;     // ft
    double LayerTop = 0;        // ft
};

class RIDUdidav : public ZephModel {
public:
    static constexpr int kMaxTerrainObjects = 63;
    static constexpr int kCloudLayers = 3;
    static constexpr double kGreatestFogDistance = 93000.0;  // ft

    RIDUdidav();

    // Reads the grid from the application resources and loads the textures into `view`. False
    // when a file is missing or has the wrong size; lastError() names the file and the reason.
    bool initWithGLView(ViewServices* view) override;
    // The same reading from any folder (ending in '/'), for tools and tests.
    bool loadWorldFiles(const std::string& folder);
    // Takes a grid already in memory, in the files' layouts. False, keeping nothing, on a size mismatch.
    bool setWorldData(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                      std::string& error);
    const std::string& lastError() const { return LastError; }
    bool hasGrid() const { return !PostFeet.empty(); }

    // ---- Queries of the simulation.
    // Ground height in feet under world (x, z); registered terrain objects answer first. Off the
    // grid: 0.0 on a level plane.
    double getAltitudeAtX(double x, double z) override;
    const double* lastTerrainPlaneEq() override { return LastPlane.data(); }  // a, b, c, d; b up
    int32_t getLastTerrainTexture() override { return LastTexture; }
    // The road code of the square spanning [x, x + 1760] in X and [z - 1760, z] in Z of the sums
    // (x + ViewingPosition X, z + ViewingPosition Z). -1 off the grid or where no road crosses.
    // With ViewingPosition zero the arguments are world feet.
    int32_t roadMapHereX(float x, float z) override;
    // The road code of the square holding world (x, z).
    int32_t roadCodeAtWorld(double x, double z) const;
    bool shouldRelease() override { return false; }
    int32_t getObjectType() override { return 54; }

    // ---- Terrain objects that answer the altitude query before the grid (bridges, decks).
    void initTerrainObjects() { TerrainObjectCount = 0; }
    // Appends a model index; ignored once 63 are held.
    void setTerrainObject(long modelIndex);
    int terrainObjectCount() const { return TerrainObjectCount; }

    // ---- Drawing state.
    void setGL(ViewServices* view);  // draw in `view` from now on; loads the textures into it
    void setDrawDetail(int detail) override { DrawDetail = detail != 0; }
    bool getDrawDetail() const { return DrawDetail; }
    // Fog distance from a haze value v: 93,000 ft for v <= 0, else d / v, at most 93,000 ft, with
    // d = 2 when v x 200000 < 11 and (1 - 2000 v)^2 + 1 otherwise.
    void setFogDistance(double v);
    double getFogDistance() const { return FogDistance; }
    void setViewingPosition(double x, double y, double z) { ViewingPosition = {x, y, z}; }
    // The ground vehicles ask for their square made eye-relative through the renderer's eye
    // translation matrix (elements 12 and 14), shifted one square west and north; this offset
    // gives the terrain's answer for that same square. Set it whenever the eye matrix changes.
    void setViewingPositionFromEyeTM(const double* eyeTM) {
        ViewingPosition = {eyeTM[12] + world::kSquareFeet, eyeTM[13], eyeTM[14] - world::kSquareFeet};
    }
    const Vector3& getViewingPosition() const { return ViewingPosition; }
    // The eye in world feet, for the cloud layer state.
    void setEyePosition(double x, double y, double z) { EyePosition = {x, y, z}; }

    // ---- Cloud layers. Layer 0..2; a layer thinner than 50 ft takes the next (thin) texture code.
    void SetDetailsForLayer(int32_t layer, int32_t texture, double bottom, double top);
    // Where the eye (EyePosition) is against layer 0: 1 no layer, 2 above a ceiling deck,
    // 3 above a scattered deck, 4 inside, 5 below.
    int32_t returnAbsoluteCloudLayerState() const;
    const CloudLayer& getCloudLayer(int layer) const { return Layers[layer < 0 ? 0 : layer > 2 ? 2 : layer]; }

    // ---- The grid, read by the drawing.
    float postFeet(int i, int j) const { return PostFeet[size_t(j) * world::kGridSize + i]; }
    uint8_t surfaceAt(int i, int j) const { return Surface[size_t(j) * world::kGridSize + i]; }
    uint8_t groundCodeAt(int i, int j) const { return surfaceAt(i, j) & 15; }
    uint8_t roadEdgesAt(int i, int j) const { return surfaceAt(i, j) >> 4; }
    ViewServices* getView() const { return View; }

    // Texture slots in the view (0 where a texture could not be loaded).
    std::array<int32_t, world::kGroundCodes> GroundTextureSlots{};
    int32_t RoadStraightSlot = 0, RoadBendSlot = 0, DetailSlot = 0;
    int32_t CloudDeckSlot = 0, CloudScatterSlot = 0;

private:
    bool readFile(const std::string& path, const char* name, size_t expected, std::vector<uint8_t>& out);

    std::vector<float> PostFeet;    // kGridSize^2 heights, ft
    std::vector<uint8_t> Surface;   // kGridSize^2 squares (the last row and column unused)
    std::string LastError;
    std::array<double, 4> LastPlane{0.0, 1.0, 0.0, 0.0};
    int32_t LastTexture = world::kWater;
    std::array<long, kMaxTerrainObjects> TerrainObjects{};
    int TerrainObjectCount = 0;
    bool AskingObjects = false;     // an object asking the terrain back gets the grid alone
    bool DrawDetail = true;
    double FogDistance = kGreatestFogDistance;
    Vector3 ViewingPosition{};      // ft added to the road question's arguments
    Vector3 EyePosition{};          // ft, world
    std::array<CloudLayer, kCloudLayers> Layers{};
    ViewServices* View = nullptr;   // not owned
};

}  // namespace pellam
