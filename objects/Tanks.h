#pragma once
// The two tanks: TankWWI (mission code 75), a box-hulled tank with one gun forward, and Tank2WWI
// (76), a long rhomboid with a gun forward and one in each side sponson. They drive like the
// trucks (GroundVehicle), never fire, and nothing on them moves but the whole body.
#include <array>
#include <vector>

#include "objects/GroundVehicle.h"

namespace pellam {

// Where a tank's geometry keeps the parts whose texture coordinates are laid out at build time.
struct TankParts {
    int leftTrack[2], rightTrack[2];  // first vertex of the two 17-vertex edges of each tread strip
    int raisedFirst, raisedLast;      // vertices whose V is raised
    float raiseBy;
    int flatFirst, flatLast;          // vertices set to U = V = 1
    std::vector<std::array<int, 2>> barrels;  // first vertices of each barrel's two 9-vertex edges
};

class Tank : public GroundVehicle {
public:
    // Both tanks have one skin, whatever the code.
    void setModelType(int32_t code) override;

protected:
    virtual const TankParts& parts() const = 0;
    void setTankValues();
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;
};

class TankWWI : public Tank {
public:
    static constexpr int kVertices = 280, kPolygons = 24, kPatchPolygon = 23;
    auto getUsedTextureNames() -> const char (*)[32] override;

protected:
    const ModelTables& tables() const override;
    const Layout& layout() const override;
    const TankParts& parts() const override;
    void setClassValues() override;
};

class Tank2WWI : public Tank {
public:
    static constexpr int kVertices = 386, kPolygons = 30, kPatchPolygon = 29;
    auto getUsedTextureNames() -> const char (*)[32] override;

protected:
    const ModelTables& tables() const override;
    const Layout& layout() const override;
    const TankParts& parts() const override;
    void setClassValues() override;
};

}  // namespace pellam
