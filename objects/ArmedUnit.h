#pragma once
// What the armed ground units share as mission objects: the header accessors the mission and
// the scoring ask, life and death by GlobalDeadTime, the tower viewpoint, and the object matrix
// that bullets and bombs are tested against.
#include <array>

#include "core/TableModel.h"

namespace pellam {

class ArmedUnit : public TableModel {
public:
    bool isTower() override { return ThisModel.TheObject.ObjectFlags & 0x800; }
    // TowerPosition turned by the attitude, plus the position.
    const double* getTowerPosition() override;
    OneCompleteObjectVer2* getCompleteObjectPtr() override { return &ThisModel; }
    ObjectPointsPolysVer2* getModelPointsPolysPtr() override { return &ModelPointsPolys(); }
    void setTeam(int32_t team) override { ThisModel.TheObject.Team = team; }
    double getObjectHeading() override { return ThisModel.TheObject.Heading; }
    void setObjectSpeedMPH(double mph) override;
    void setObjectPoints(int32_t points) override;  // -1 keeps the class's own
    int32_t getObjectPoints() override { return ThisModel.TheObject.PointsAwarded; }
    int32_t getObjectCategory() override { return ThisModel.TheObject.Category; }
    bool areYouDead() override;       // from the tick of death on
    bool areYouDestroyed() override;  // killed by someone
    void setTimeOfDay(double hours) override { TimeOfDay = hours; }

    double TimeOfDay = 0;
    std::array<double, 3> TowerPosition{};
    std::array<double, 3> GlobalTowerPosition{};

protected:
    // The class's header values: hit box, damage that kills, blast reach, score and category,
    // one animation item, frame time 3; and the shared materials.
    void unitValues(const std::array<double, 6>& hitSquare, float hitsWhenDead, float blastDistance,
                    int16_t points, int16_t category);
    ZephModel* terrain() const;
    // ObjectMatrix from the pose: kept by the tick too, so hits land without a view.
    void placeMatrix();
    // Copies `live` aside at a replay's start and back at its end.
    template <typename T>
    static void carry(bool toReplay, T& live, T& kept) {
        if (toReplay) kept = live;
        else live = kept;
    }
};

}  // namespace pellam
