#pragma once
// The static ground objects' family: things a mission stands on the terrain (hangars, huts, the
// wind sock, the race pylon, bridges, the crater, stone houses). Each is built from its class's
// tables, lies flat on the ground from the mission start's reset, draws itself once per frame
// with a shadow swept away from the sun, shows its destroyed look from the tick of its death on
// (so a replay shows it whole until then), and offers a tower viewpoint. BaseObject is the
// family's template with a placeholder model; no mission creates it.
//
// Index: the family's operations; the hooks a member fills; the shared steps (box shadow,
// refuelling, sun, wind).
#include <array>
#include <vector>

#include "objects/ArmedUnit.h"
#include "objects/StaticModels.h"

namespace pellam {

class BaseObject : public ArmedUnit {
public:
    static constexpr double kShadowReach = 125.0;   // ft: the most a shadow reaches on each axis
    static constexpr double kRefuelSquare = 40000;  // ft^2: under 200 ft horizontally

    // ---- The family's operations.
    void setOPPHeading(double degrees) override;
    // Back to the start pose, intact, and laid on the ground when within 1 ft of it.
    void resetModel() override;
    void doInitialization() override { resetModel(); }
    // Matrix, shadow, time, the destroyed-model switch, the member's own posing, then drawn.
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    // The mission time of the step, as every unit keeps it, so death is known without a drawing.
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    const TableName* getUsedTextureNames() override { return tables().Main.Maps; }

    // The sun (unit vector, world axes) turned into the object's axes by this frame's matrix.
    std::array<double, 3> sunInObject() const;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;

    // ---- Hooks a member fills.
    // The first polygon of the destroyed model and its texture; polygon -1: the look never changes.
    struct DeadSwitch {
        int polygon = -1;
        int16_t map = 0;
        bool showsDead = true;  // false: the standing look stays after death
    };
    virtual DeadSwitch deadSwitch() const { return {}; }
    // What a member poses in its points after the switch and before drawing (sock, banner, smoke).
    virtual void poseParts(int32_t gameTime) {}
    // False for an object that keeps its mission height and attitude at the reset.
    virtual bool laysOnGround() const { return true; }
    // Values of a member's construction: its header values and its collision boxes.
    struct ClassValues {
        std::array<double, 6> hitSquare;
        float hitsWhenDead, blastDistance;
        int16_t points, category;
        std::array<double, 3> tower;
        std::vector<std::array<float, 6>> boxes;  // min X, Y, Z, max X, Y, Z
    };
    void familyValues(const ClassValues& v);

    // ---- Shared steps.
    // The box shadow of a box of height `h` over a footprint of half-widths a (X) and b (Z): the
    // footprint (quad A) joined to the parallelograms swept from its two far edges by the sun's
    // offset, clamped to 125 ft on each axis. At night the offset is 0: the footprint alone.
    struct BoxShadow {
        double h, a, b;
        statics::ShadowPoints points;
        bool quadAFollows = false;  // quad A's near end moves with the offset (the big hangar)
    };
    void boxShadow(const BoxShadow& s);
    // Refuels and re-arms `aircraft` when it is of this object's team and under 200 ft away
    // horizontally, while the object has not been killed.
    void refuelNear(ZephModel* aircraft);
    // The wind's heading in the object's own axes (rad), for a cloth turned by it: 0 in a calm.
    // Turning the world heading into the object's frame keeps a sock true when the object
    // stands turned or on a slope.
    double windHeadingInObject() const;
    // Flutter of a cloth in the wind (rad): none to 1 mph, +-0.025 to 12 mph, +-0.1 above.
    double flutter() const;
    // Turns the table's points [first, first + count) about the vertical by `angle` into the copy.
    void turnFromTable(int first, int count, double angle);

    // Texture coordinates of an earth patch's four corners, so that its picture covers it once.
    static void patchUV(ObjectPointsPolysVer2* pp, int first);
    // A member's model tables: its header, geometry name, texture names, item list and mesh.
    static ModelTables memberTables(const ObjectHeaderTable* header, const char* name, const TableName* maps,
                                    const TableName* items, const Mesh& mesh);

    OnePolygonVer2* PolyListCopy = nullptr;  // the first polygon of the object's own copy
};

}  // namespace pellam
