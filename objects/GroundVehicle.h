#pragma once
// A truck or tank: drives the mission's chain of path points at up to 1 ft/tick, on the roads
// where a point asks for it, follows the ground, pauses at points, and once destroyed skids and
// rolls over or tips to one side, leaving a scorched patch. Also its drawing (bridge deck,
// shadow, patch) and its replay ring. The classes differ only in their tables and constants.
//
// Index: setup and queries; the per-tick step; drawing; replay; fields.
#include <array>
#include <cstdint>
#include <functional>

#include "core/TableModel.h"
#include "flight/AIRecords.h"
#include "objects/ReplayRing.h"

namespace pellam {

class GroundVehicle : public TableModel {
public:
    static constexpr int kPathPoints = 200;       // records in a mission's path table
    static constexpr double kFullSpeed = 1.0;     // ft/tick, whatever the mission asks
    static constexpr double kSpeedStep = 0.01;    // ft/tick gained or lost per tick
    static constexpr double kDegree = 0.0174532;  // rad: the most a vehicle turns in a tick
    static constexpr double kArrival = 4.0;       // ft
    static constexpr int32_t kFollowRoads = 0x400;
    static constexpr int kRecordBytes = 64, kRecordPlaces = 179;

    // Which vertices and polygons of the class's geometry the behaviour poses.
    struct Layout {
        std::array<int, 4> patch;  // scorched-patch corners
        int patchPolygon;          // the last polygon before the end row
        int shadowFirst;           // eight shadow vertices: under the body, then pushed from the sun
        std::array<double, 4> shadowBox;  // x low, x high, z low, z high (ft)
    };

    // ---- Setup and queries.
    void setPathStart(int32_t firstPoint, const aiFlyToPoint* paths) override;
    void setTeam(int32_t team) override { ThisModel.TheObject.Team = team; }
    void setOPPHeading(double degrees) override { ThisModel.TheObject.Heading = ThisModel.TheObject.InitialHeading = degrees; }
    void setObjectSpeedMPH(double mph) override { ThisModel.TheObject.Speed = ThisModel.TheObject.InitialSpeed = mph; }
    void setObjectPoints(int32_t points) override;
    void setTimeOfDay(double hours) override { TimeOfDay = hours; }
    double getObjectHeading() override { return ThisModel.TheObject.Heading; }
    int32_t getObjectPoints() override { return ThisModel.TheObject.PointsAwarded; }
    int32_t getObjectCategory() override { return ThisModel.TheObject.Category; }
    OneCompleteObjectVer2* getCompleteObjectPtr() override { return &ThisModel; }
    ObjectPointsPolysVer2* getModelPointsPolysPtr() override { return ThisModel.ThePointsPolysData; }
    bool isTower() override { return ThisModel.TheObject.ObjectFlags & 0x800; }
    const double* getTowerPosition() override;
    bool areYouDead() override;
    bool areYouDestroyed() override;
    // The livery or skin for mission object code `code`.
    virtual void setModelType(int32_t code) = 0;

    void doInitialization() override { resetModel(); }
    void resetModel() override;

    // ---- The per-tick step.
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    // The heading (rad, atan2(dx, dz)) the attitude points the vehicle along.
    double currentHeading() const;

    // ---- Drawing.
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    void doShadow(int32_t gameTime) override;
    // A live vehicle on the bridge is held on its deck, in one lane or the other by its heading.
    void holdOnBridge();

    // ---- Replay.
    void saveCurrentReplayData(int32_t missionTime) override;
    void readCurrentReplayData(int32_t missionTime) override;
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;
    const ReplayRing& replayRing() const { return Ring; }

    // ---- Fields (ft, ft/tick, rad unless said).
    int32_t ModelType = 0;                 // mission object code
    std::array<double, 3> TowerPosition{0.0, 16.0, 16.0};
    std::array<double, 3> GlobalTowerPosition{};
    double TimeOfDay = 0;                  // kept only
    const aiFlyToPoint* DrivePathsPtr = nullptr;  // the mission's 200 points; not owned
    int32_t DeadTexture = 2;               // map of the scorched patch: 2, 6 or 7
    bool DidDeadThing = false;             // the wreck's one roll or tip is done
    double DeadHeading = 0;                // the skidding wreck's turn per tick; 0 not drawn yet

    // The live driving: the tick changes it, and a replay puts it aside whole and gives it back
    // (with the heading and the save time, which the replayed driving also changes), so that the
    // replay's end finds the game as it was.
    struct Live {
        int32_t drivePathStart = 0;        // one-based first point; 0 none
        int32_t currentDrivePath = 0;      // one-based point driven to; 0 standing
        int32_t arrivedAtPointTime = 0;    // mission tick of the last arrival
        double currentSpeed = 0, fallSpeed = 0;
        double randomDelayValue = 0;       // s; 0 not drawn yet
        double driveHeading = 0;
        int32_t roadtype = 0;              // terrain road code of the square last asked; 0 after reset
    };
    Live own;
    struct Aside {
        Live live;
        double heading = 0;
        int32_t saveTime = 0;
    } ReplayLive;  // while a replay plays

protected:
    virtual const Layout& layout() const = 0;
    // Shared creation values: template header flags, the item list, materials.
    void setVehicleValues(float hitsWhenDead, float blastDistance, int16_t points, int16_t category);
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

private:
    const aiFlyToPoint* pathPoint(int32_t oneBased) const;
    ZephModel* terrain() const;
    void drive(int32_t missionTime, bool inReplay);
    void wreck();
    void record(bool running, int32_t missionTime, bool inReplay);
    void setPatch(const double corners[4][3]);
    void askRoad(ZephModel* ground);

    ReplayRing Ring{kRecordBytes, kRecordPlaces};
    std::array<GLT2FN3FV3FFormat, 4> BuiltPatch{};
};

namespace vehicles {
// Where the sun is (unit vector, world axes, Y up); the game installs its own, else a fixed
// afternoon sun is used.
void setSunSource(std::function<const double*()> sun);
const double* sunVector();
// How vehicles are drawn, installed by the drawing library; without it they draw nothing.
void setVehicleDrawer(void (*draw)(TableModel& vehicle));
}  // namespace vehicles

}  // namespace pellam
