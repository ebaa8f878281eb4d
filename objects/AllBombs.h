#pragma once
// AllBombs (model index 19): every bomb of the game in one pool of 64 slots: the bombs hanging on
// the racks (posted from their aircraft every frame), the bombs falling with wind, gravity and
// drag, and a ring of 16 marks that landed bombs leave on the ground. A landing asks the
// controller for an explosion, its sound and the blast test. Answers the bomb camera and the
// aircraft's crater test, and keeps its own replay ring.
#include <array>

#include "objects/EffectModel.h"
#include "objects/ReplayRing.h"

namespace pellam {

class AllBombs : public TableModel {
public:
    static constexpr int kSlots = 64, kMarks = 16;
    static constexpr int kBombPoints = 79;
    static constexpr int32_t kFree = 0, kHanging = -1;
    // 179 records of 4000 bytes: the writer wraps once its offset passes 712,000.
    static constexpr int kRecordBytes = 4000, kRecordPlaces = 179;

    struct BombOrRocket {
        int32_t TimeStarted = kFree;  // 0 free, -1 hanging this frame, else the drop tick (>= 1)
        int32_t IsBomb = 0;
        std::array<double, 3> Pos{};             // world ft
        std::array<double, 3> XYZSpeed{};        // ft/tick
        std::array<double, 3> PositionOffset{};  // the rack station, aircraft axes, ft
        int32_t ObjectNumber = 0;                // model index of the carrying aircraft
        int32_t WhoDropped = 0;                  // 2..9, 25 the bomber
        int32_t DeadOriginalTimeStarted = 0;     // drop tick of the last bomb of this slot to land
        bool operator==(const BombOrRocket&) const = default;
    };
    struct GroundSmudge {
        std::array<double, 3> Pos{0, -10000.0, 0};  // Y <= -9000: no mark
        double Pitch = 0, Bank = 0;                 // rad, the ground's tilt
        int32_t MapNumber = 0;
        bool operator==(const GroundSmudge&) const = default;
    };

    AllBombs();

    void doInitialization() override { resetModel(); }
    void setTerrain(ZephModel* terrain) override { Terrain = terrain; }
    void resetModel() override;

    void positionBombsOnAircraft(ZephModel* aircraft, int32_t bombType, long objectNumber) override;
    void startADroppedBomb(const double* velocity, const double* position, int32_t missionTime,
                           int32_t aircraftNumber) override;
    // The slot for a hanging or falling bomb: a never-landed free slot first, else the free slot
    // whose bomb landed longest ago; -1 when none is free.
    long findEmptyBombSpot() const;
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    void clearSingleDrawBombs() override;
    const double* findNewestBombFrom(long index, ZephModel* aircraft) override;
    bool inBombCraterX(double x, double z) override;
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    bool isTower() override { return ThisModel.TheObject.ObjectFlags & 0x800; }
    const double* getTowerPosition() override;

    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;
    void saveCurrentReplayData(int32_t missionTime) override;
    void readCurrentReplayData(int32_t missionTime) override;

    // The bomb's shape, nose along +Z: 79 points, ft.
    static const std::array<GLT2FN3FV3FFormat, kBombPoints>& bombShape();
    static constexpr int kMarkPolygon = 5;  // the ground mark's quad; the bomb is polygons 0..4

    ZephModel* Terrain = nullptr;  // not owned
    std::array<double, 3> TowerPosition{0, 35, 0};
    std::array<double, 6> GlobalTowerPosition{};
    // The live pool and marks: a replay puts them aside whole and gives them back.
    struct Live {
        std::array<BombOrRocket, kSlots> bombs{};
        std::array<GroundSmudge, kMarks> marks{};
        long nextMark = 0;
    };
    Live own;
    Live ReplayLive;  // own, while a replay plays
    ReplayRing Ring{kRecordBytes, kRecordPlaces};

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

private:
    void land(BombOrRocket& b, double ground);
};

}  // namespace pellam
