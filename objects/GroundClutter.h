#pragma once
// GroundClutter (model index 20): up to 200 trees planted one a frame at random spots ahead of
// the eye on wooded, sloping ground, and forgotten once far behind or too far ahead. Each tree is
// two crossed upright planes carrying one of the mission's family of four tree pictures.
#include <array>

#include "objects/EffectModel.h"

namespace pellam {

class GroundClutter : public TableModel {
public:
    static constexpr int kTrees = 200;
    static constexpr int kFamilies = 3, kTypesPerFamily = 4, kPictures = kFamilies * kTypesPerFamily;
    static constexpr double kHalfWidth = 22.0, kHeight = 44.0;  // ft at size 1
    static constexpr int32_t kTreeGround = 2;  // the terrain texture trees grow on

    struct OneGCTree1 {
        std::array<double, 3> XYZPosition{};  // world ft, Y the ground
        double Size = 0;                      // 0.9..1.4; 0 a free slot
        double Heading = 0;
        int32_t TreeType = 0;                 // 0..11: family x 4 + picture
        bool operator==(const OneGCTree1&) const = default;
    };

    void doInitialization() override { resetModel(); }
    void resetModel() override;
    void setTerrain(ZephModel* terrain) override { Terrain = terrain; }
    void setTreeFamily(int32_t family) override;
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    bool isTower() override { return ThisModel.TheObject.ObjectFlags & 0x800; }
    const double* getTowerPosition() override { return TowerPosition.data(); }

    // The trees' update for a frame at time t, eye position `eye` and eye rotation `rotation`
    // (16 doubles each way as the view gives them); drawing is separate.
    void updateTrees(int32_t t, const double* eye, const double* rotation);
    // The frame's update as the drawing sees it: only while the game runs and time has moved on
    // past the last planting.
    void seenFrom(int32_t t, const double* eye, const double* rotation);
    int liveTrees() const;

    std::array<OneGCTree1, kTrees> GCTrees{};
    int32_t lastnewGC = 0;
    int32_t TreeFamily = 0;
    ZephModel* Terrain = nullptr;  // not owned
    std::array<double, 3> TowerPosition{0, 35, 0};

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;

private:
    bool plant(OneGCTree1& tree, int32_t t, const double* eye, const double* rotation);
};

}  // namespace pellam
