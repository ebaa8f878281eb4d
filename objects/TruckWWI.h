#pragma once
// An unarmed three-ton lorry with a canvas tilt, in three liveries by mission object code: 14
// Allied, 63 German, 16 an ambulance. Drives the mission's path points (GroundVehicle).
#include "objects/GroundVehicle.h"

namespace pellam {

class TruckWWI : public GroundVehicle {
public:
    static constexpr int kVertices = 372, kPolygons = 16;
    static constexpr int kPatchPolygon = 15, kFirstShadowVertex = 360, kFirstPatchVertex = 356;
    static constexpr int kMirroredQuad = 244;  // the tilt's right side, its picture mirrored

    void setModelType(int32_t code) override;
    auto getUsedTextureNames() -> const char (*)[32] override;

protected:
    const ModelTables& tables() const override;
    const Layout& layout() const override;
    void setClassValues() override;
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;
};

}  // namespace pellam
