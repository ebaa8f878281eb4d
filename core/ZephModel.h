#pragma once
// ZephModel: the base of every 3-D object in the world, and the class library of pose math,
// random numbers, paths and geometry preparation that the whole program shares.
//
// Every object answers every operation: callers send any operation to any entry of the model
// array without asking its class. The defaults below do nothing or answer 0, null, false or 0.0;
// each object class overrides what concerns it. A default that must never be reached beeps.
//
// Index of this header:
//   class operations   pose math, random numbers, paths and strings, geometry preparation
//                      (the flight model, weapons and AI pilot are in flight/)
//   instance state     pose, motion, inertia, air density, bail-out, replay copies, wind
//   operations         pose and motion; step, life and damage; drawing; aircraft controls;
//                      weapons; replay; mission set-up and services; terrain queries; model hooks
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/GeometryRecords.h"
#include "core/QNion.h"
#include "core/Services.h"
#include "platform/Random.h"

namespace pellam {

struct Aircraft;
struct AirSurface;
struct AirFoilDef;
struct AIPilotProfile;
struct BulletsList;
struct ObjectFireData;

class ZephModel {
public:
    ZephModel();  // at the origin, level, nose along +Z, Mass 50, density table filled
    virtual ~ZephModel() = default;
    ZephModel(const ZephModel&) = delete;
    ZephModel& operator=(const ZephModel&) = delete;

    // ---- Class operations: pose math. Every one reads all its inputs before writing, so a
    // result may share storage with an input.
    static void multQnionsAnswer(const QNion* a, QNion* b);                 // b.att = a.att x b.att
    static void multQnions(const QNion* a, const QNion* by, QNion* answer);  // answer.att = a.att x by.att
    static void quaternionToMatrix(const double* q, double* m);             // 12..14 left as they were
    static void RotateVector(const double* v, double* out, const double* m);         // body to world
    static void InverseRotateVector(const double* v, double* out, const double* m);  // world to body
    // answer.att = pos.att x (the attitude change of rotation vector v). A zero vector leaves the
    // attitude as pos has it.
    static void convertPBHToQNion(const double* v, const QNion* pos, QNion* answer);
    static void slerpFirstQNion(const double* f, const double* g, double t, double* answer);

    // ---- Class operations: random numbers, all from the simulation's stream: the one the game
    // controller owns and hands over with useSimulationRandom, else a stream of the class's own
    // (seeded 1). Nothing outside the simulation draws from it, so a seeded fight runs the same
    // whatever the frame rate, the sound or the drawing.
    static platform::RandomStream& simulationRandom();
    static void useSimulationRandom(platform::RandomStream* stream);  // null: the class's own again
    static double GetDoubleRandom0to1();                        // next / 2147483647.0
    static int32_t GetLongRandomFrom(int32_t from, int32_t to);  // [min, max], truncated toward 0
    static double GetDoubleRandomFrom(double from, double to);   // [min, max]
    static double getDoubleRandomFrom(double from, double to);   // from + t (to - from), t in 65,536 steps of [0, 1)

    // ---- Class operations: paths and strings.
    static std::string getPathToFolder();     // the folder holding the application, no trailing slash
    static std::string getPathToResources();  // the application resources, with a trailing slash
    // The slot of a texture of "Necessary Data/Textures", the user's folder first, then the
    // resources. One that cannot be loaded is logged and gets the view's visible fallback, never
    // another picture's slot.
    static int32_t loadNamedTexture(ViewServices* view, const std::string& name);
    // True when `chars` starts with the N characters of the length-prefixed `name`.
    static bool compareStringSp(const unsigned char* name, std::string_view chars);
    // Low bytes of the string's characters into `destination`, then two zero bytes: at most
    // maxLength characters, and never more than `capacity` bytes written in all.
    static void myGetAsciiCString(std::string_view utf8, char* destination, int32_t maxLength, size_t capacity);

    // ---- Class operations: geometry preparation and texture coordinates.
    static void FillInObjectPolyData2(ObjectPointsPolysVer2* pp);
    static void MakePlaneEquation(const XYZInput* p1, const XYZInput* p2, const XYZInput* p3, double* answer);
    static double GetTriangleDirection(const XYZInput* p1, const XYZInput* p2, const XYZInput* p3);
    static void TextureThesePolygonsNew(ObjectPointsPolysVer2* pp, const UVFormula* hints);
    static void setCurrentAnimateItem(OneCompleteObjectVer2* object, int32_t time);

    // The flight model, the weapons and the AI pilot are operations of the flight library
    // (flight/FlightModel.h, flight/AiPilot.h). Two answers they ask of world objects:
    // The bombs pool answers true within 15 ft of a crater; nothing else has craters.
    virtual bool inBombCraterX(double x, double z) { return false; }
    // The debris pool (model index 10) answers: one piece from six doubles, position (ft) then
    // speed (ft/tick).
    virtual void startOneDebrisXYZAndMove(const double* positionAndSpeed, int32_t time) {}

    // ---- Effect pools (objects/): debris at model index 10, explosions 11..18, bombs 19, trees 20.
    virtual void startOneDebrisFromAircraftHit(ZephModel* aircraft, int32_t time) {}
    virtual void startExplosionDebris(const double* position, int32_t time) {}
    virtual void GroundExplosion1Start(int32_t time) {}
    // Hangs the aircraft's loaded bombs on its racks for this frame's drawing.
    virtual void positionBombsOnAircraft(ZephModel* aircraft, int32_t bombType, long objectNumber) {}
    virtual void clearSingleDrawBombs() {}
    // Six doubles: the newest bomb of the aircraft at model index `index` (position ft, velocity
    // ft/tick), else its next bomb on the rack with 10000 as the first velocity; null when neither.
    virtual const double* findNewestBombFrom(long index, ZephModel* aircraft) { return nullptr; }
    virtual void setTreeFamily(int32_t family) {}

    // ---- Air density.
    void InitAirDensitySlugs();
    double FigureAirDensity(double heightFeet) const;  // slugs/ft^3

    // ---- Pose and motion.
    void setPilotAttitude(const QNion* pose) { PilotAttitude = *pose; }
    QNion* getPilotAttitudePtr() { return &PilotAttitude; }
    void copyCurrentQNionToStart() { ModelStartPosition = live.attitude; }
    virtual double getHeadingRotationRadian() { return 0.0; }
    virtual double* getObjectMovement() { return nullptr; }
    virtual double yourSpeedMPH() { return 0.0; }
    virtual double getTargetSpeedMPH() { return 0.0; }
    void setRandomStartDistance(int32_t feet) { RandomStartDistance = feet; }
    virtual void setHeadingRotationRadian(double radians) {}
    virtual void turnPilotHeadToHeading(double degrees) { PilotTargetHeading = degrees; }
    // Back to the start pose, moved by the random start offset outside network games.
    virtual void resetModel();
    // Stands the object on the ground under it, tilted to the slope, nose along `heading` (deg).
    // False, changing nothing, when the object is more than 1 ft above the ground.
    bool setObjectFlatOnGround(ZephModel* terrain, double heading);
    void setHeading(double degrees);
    void rotateBankByDegrees(double degrees);     // about the body Z axis; +d raises the right wing
    void rotatePitchByDegrees(double degrees);    // about the body X axis; +d lowers the nose
    void rotateHeadingByDegrees(double degrees);  // about the body Y axis; from level, +d turns right
    void setStartingModelQNionX(double x, double y, double z, const QNion* attitude);
    void setPreviousModelQNion(const double* q);
    void setModelQNion(const double* q);
    void setPreviousModelPosition(const double* p);
    void setModelPosition(const double* p);
    double* getPBHAcc() { return live.rotation.data(); }
    double* getXYZVelocities() { return live.velocity.data(); }
    void setModelPositionX(double x, double y, double z) { live.attitude.Position = {x, y, z}; }
    void setModelPositionQNion(const QNion* pose) { live.attitude = *pose; }
    void getModelPositionQNion(QNion* pose) const { *pose = live.attitude; }

    // ---- Per-tick step, life and damage.
    virtual double* getSliderValues() { return nullptr; }
    virtual void getSlerpingQN(QNion* pose) {}
    virtual bool shouldRelease() { return true; }  // the terrain survives mission changes
    virtual bool pilotDied() { return false; }
    virtual bool areYouDestroyed() { return false; }
    virtual bool areYouDead() { return false; }
    virtual void doSplodes() {}
    virtual void StopForwardProgress() {}
    virtual void callEveryTick(bool running, int32_t missionTime, bool inReplay) {}
    virtual void displayAHit() {}
    virtual void orDamage1(uint32_t damageBits) {}
    virtual void setMissionTimeOfReset(int32_t time) {}
    virtual void setResetTime() {}
    virtual void removeSliders() {}
    virtual void addInSliders() {}
    virtual void setRemoteLocal(int32_t remoteLocal) {}
    virtual void driveModel(int32_t steps, int32_t globalTime, bool last, bool replayFlag) {}

    // ---- Drawing.
    virtual void setDebrisSizeMin(double minimum, double maximum) {}
    virtual void setDrawDetail(int detail) {}
    virtual float* getPointerToRelativeEyeX() { return nullptr; }
    // 32-byte names, the table ended by an entry whose first byte is 1; null when none.
    virtual const char (*getUsedTextureNames())[32] { return nullptr; }
    virtual void setTimeOfDay(double hours) {}
    virtual void setCustomPaintJobNumberBig(int32_t big, int32_t small) {}
    virtual void drawMySmokeItems() {}
    virtual void updateMovingThings(int32_t ticks, bool cameraOn, double cameraDistance, double nearestGunDistance) {}
    virtual OneCompleteObjectVer2* getCompleteObjectPtr() { return nullptr; }
    virtual ObjectPointsPolysVer2* getModelPointsPolysPtr() { return nullptr; }
    // This frame's drawable record, or null when there is nothing to draw.
    virtual OneCompleteObjectVer2* getDrawingData(int32_t gameTime) { return nullptr; }
    // Never reached in a working program: beeps.
    virtual void drawYourSelfAtTime(int32_t time);

    // ---- Aircraft controls. The flyable aircraft override them; elsewhere they change nothing.
    virtual void setTeamNumber(int32_t team) {}
    virtual int32_t getTeamNumber() { return 0; }
    // The flyable aircraft's record. Beeps and answers null for any other object: callers that can
    // reach a non-aircraft must test the answer.
    virtual Aircraft* getAircraftStruct();
    virtual ZephModel* getTerrainObject() { return nullptr; }
    virtual void ElevatorInput(double value) {}
    virtual void AileronInput(double value) {}
    virtual void setPilotPitch(double pitch, double heading) {}
    virtual void RudderInputAbsolute(double value) {}
    virtual void RudderInput(double value) {}
    virtual void AileronInputAbsolute(double value) {}
    virtual void ElevatorInputAbsolute(double value) {}
    virtual void setPilotsPtr(AIPilotProfile* profiles) {}
    virtual void toggleAutoPilot() {}
    virtual void refuelReArm() {}
    virtual void setFuelLoad(double load) {}
    virtual void RudderTrimLeftRight(int32_t direction) {}
    virtual void AileronTrimLeftRight(int32_t direction) {}
    virtual void ElevatorTrimUpDown(int32_t direction) {}
    virtual void turnBrakesOn() {}
    virtual void lookIncRightSmall() {}
    virtual void lookIncLeftSmall() {}
    virtual void lookDownToggle() {}
    virtual void look4590Up() {}
    virtual void bailOut() {}
    virtual void launchRocket() {}
    virtual void setFlaps(double flaps) {}
    virtual void moveFlaps(int32_t direction) {}
    virtual void gearUpDown(int32_t down) {}
    virtual void setGear(double gear) {}
    virtual void toggleBrakes() {}
    virtual void throttleDown(double amount) {}
    virtual void throttleUp(double amount) {}
    virtual void setThrottle(double throttle) {}
    virtual void setSteeringWheel(double value) {}
    virtual void setCyclic(double value) {}
    virtual void centerCyclic() {}
    virtual void downCyclic() {}
    virtual void upCyclic() {}

    // ---- Weapons.
    virtual void startADroppedBomb(const double* velocity, const double* position, int32_t missionTime,
                                   int32_t aircraftNumber) {}
    virtual void startAGunAndCannon() {}
    virtual void startACannon() {}
    virtual void startABullet() {}
    virtual int32_t getMaxNumberOfBombs() { return 0; }
    virtual const double* dropBomb() { return nullptr; }  // the release point; null when none is left
    virtual const double* getBombPosition(int32_t bomb) { return nullptr; }
    virtual int32_t getNumberOfBombs() { return 0; }
    virtual void setNumberOfBombs(int32_t bombs) {}
    virtual void gunsAndCannonOnOff(int32_t on) {}
    virtual void cannonOnOff(int32_t on) {}
    virtual void gunsOnOff(int32_t on) {}
    virtual void unJamGuns() {}

    // ---- Replay. The base keeps the live pose and motion aside and brings them back; overriding
    // classes call these and add their own state.
    virtual void readCurrentReplayData(int32_t missionTime) {}
    virtual void saveCurrentReplayData(int32_t missionTime) {}
    virtual void prepareForReplayStart(int32_t missionTime);
    virtual void recoverFromReplay(int32_t missionTime);

    // ---- Mission set-up, scoring and services.
    void setWindSpeed(double mph, double directionDegrees);
    ControllerServices* getaController() const { return aController; }
    void setaController(ControllerServices* controller) { aController = controller; }
    void setSoundGuy(SoundServices* sounds) { theSounds = sounds; }
    void setObjectGroundAltitude(double feet) { ObjectGroundAltitude = feet; }
    void setOutsideCameraPosition(const double* position);
    virtual void setPathStart(int32_t firstPoint, const aiFlyToPoint* paths) {}
    virtual int32_t getObjectType() { return 0; }
    virtual int32_t getObjectCategory() { return 0; }
    virtual int32_t getObjectPoints() { return 0; }
    virtual void setObjectPoints(int32_t points) {}
    virtual void setObjectSpeedMPH(double mph) {}
    virtual double getObjectHeading() { return 0.0; }
    virtual void setOPPHeading(double degrees) {}
    virtual void canRefuelThisAircraft(ZephModel* aircraft) {}
    virtual void setTeam(int32_t team) {}
    virtual const double* getTowerPosition() { return nullptr; }
    virtual bool isTower() { return false; }

    // ---- Terrain queries: the terrain (model index 1) answers them; the base is a flat, empty world.
    virtual const double* lastTerrainPlaneEq();  // (a, b, c, d) of the ground at the last query
    virtual int32_t roadMapHereX(float x, float z) { return 16; }
    virtual int32_t getLastTerrainTexture() { return 0; }
    virtual double getAltitudeAtX(double x, double z) { return 0.0; }

    // ---- Hooks each model class supplies for itself.
    // Builds the object for `view` from its tables; false when it cannot be made.
    virtual bool initWithGLView(ViewServices* view) { return true; }
    virtual void beforeLightTexture3DPointChangesFor(ObjectPointsPolysVer2* pp) {}
    virtual void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {}
    virtual void doInitialization() {}
    virtual void doShadow(int32_t detail) {}
    virtual void aircraftSmoke() {}
    virtual void setTerrain(ZephModel* terrain) {}

    // ---- Instance state.
    int32_t LastKnownGameTime = 0;        // last game time seen; 0 after resetModel
    QNion PilotAttitude;                  // the pilot's head relative to the object
    QNion ModelStartPosition;             // where resetModel returns to
    std::array<double, 16> iTensor{};     // inverse inertia in the upper-left 3 x 3, row-major
    double ModelWeight = 0;
    double Mass = 0;                      // slugs
    bool CanBeTower = false;
    Vector3 TowerOffset{};
    bool CanRefuel = false;
    double RefuelDistance = 0;
    std::array<double, 4> RefuelSquare{};
    std::array<double, 104> SlugFeet{};   // air density by height: entry k at (k - 2) x 500 ft
    double CircleCameraDegrees = 0, TargetCameraDegrees = 0;  // camera state of the cameras
    double NominalCameraHeight = 0, TargetNominalCH = 0;
    double PilotTargetHeading = 0, PilotTargetPitch = 0, PilotTargetBank = 0;  // deg
    Vector3 OutSideCameraPosition{};
    ControllerServices* aController = nullptr;  // not owned
    SoundServices* theSounds = nullptr;         // not owned
    double ObjectGroundAltitude = 0;      // ft

    // The live pose, motion, bail-out and step time: the step changes them, and a replay puts them
    // aside whole and gives them back.
    struct Live {
        QNion attitude;                      // the current pose
        QNion previousAttitude;              // the pose of the previous step
        Vector3 velocity{};                  // ft/tick, world axes
        Vector3 previousVelocity{};
        Vector3 acceleration{};              // force sum, then linear acceleration, of a step
        Vector3 previousAcceleration{};
        std::array<double, 4> rotation{};    // rotational velocity, world axes, in the first three
        std::array<double, 4> previousRotation{};
        QNion bailOutPosition;
        int32_t bailOutTime = 0;
        bool openSound = false, guyHitsGroundSound = false, engineSeizesSound = false;  // done
        Vector3 bailSpeeds{}, bailRotations{};
        bool chuteOpened = false;
        int32_t globalTime = 0;              // mission time of the current step
    };
    Live live;
    Live ReplayBaseLive;  // live, while a replay plays

    int32_t RandomStartDistance = 0;      // ft; 0 none
    int32_t ReplayUpdatesBetweenFrames = 0;
    int32_t ReplaySaveTime = 0;
    std::array<double, 4> DumLastTerrainEq{};
    Vector3 WindVector{};                 // ft/tick, world axes
    double WindSpeed = 0;                 // mph
    double WindDirection = 0;             // deg
};

}  // namespace pellam
