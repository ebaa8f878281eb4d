#pragma once
// MissionBuilder: the mission builder's state and actions. The user composes a mission record
// (MBMission) over a 3-D view of a world from a free camera; the live objects of the view
// (MBArray) stand one per row of the record's object list, at the same index. The window
// (builder/draw) shows the controls (BuilderControls) and the view, and sends every control's tag
// to fromMBMenu(); the game controller owns one builder and routes the builder's menu tags here.
//
// Index: state (this header); the window, tabs, object rows and delete (MissionBuilder.cpp); the
// action dispatch and a new mission (BuilderActions.cpp); worlds, camera shortcuts, weather and
// leaving (BuilderWorld.cpp); the view's camera, item panel, paths and aircraft placement
// (BuilderView.cpp); mouse picking and dragging (BuilderMouse.cpp); the objects tab and the path
// buttons (ObjectEditing.cpp); the aircraft tabs (AircraftStarts.cpp); saving, opening and the
// tab fill-ins (BuilderFiles.cpp).
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "builder/BuilderControls.h"
#include "builder/BuilderHost.h"
#include "core/QNion.h"
#include "core/Services.h"
#include "missions/MissionFile.h"
#include "missions/MissionRecord.h"
#include "missions/ObjectFactory.h"

namespace pellam {
class RIDUdidav;
}

namespace pellam::builder {

struct BuilderCameraState;
struct ShownMission;

// Tags of the builder's controls that this file's actions handle.
enum BuilderTag : int {
    kTagNewMission = 524, kTagClose = 525, kTagDiscardAndLeave = 526, kTagCancelSheet = 527,
    kTagWorldMenu = 528, kTagAddWorld = 529, kTagAltSlider = 530, kTagPlaces = 555,
    kTagVisibility = 590, kTagVisibilityFB = 591, kTagCeiling = 592, kTagCeilingFB = 593, kTagCeilingOnOff = 594,
};

// The builder's fixed numbers.
inline constexpr int kHeadRows = 22;           // rows 0..21 of a new mission's object list
inline constexpr int kFirstPickable = 22;      // objects below are never picked by the mouse
inline constexpr int kPreviewRow = 255;        // ObjectList row of the unplaced item
inline constexpr int kMaxBuilderObjects = 240; // TotalObjects the builder allows
inline constexpr int kShortcuts = 40;
inline constexpr double kDegreesPerRadian = 57.29577951;
inline constexpr double kCameraClearance = 10;  // ft: the camera never stays nearer the terrain

// The 3-D view's size in pixels, as the mouse and the viewports use it.
struct ViewFrame {
    double width = 800, height = 600;
};

// One link of the fly-to paths as drawn: a marker at `from`, a line to the point it leads to.
struct PathLink {
    int from = 0, to = 0;  // point indexes 0..199; to == from ends a chain
};

class MissionBuilder {
    // The window-open and unsaved flags when the game does not hand in its own.
    bool ownWindowOpen_ = false, ownSavedFlag_ = true;

public:
    // `windowOpen` and `savedFlag`, when given, are the game's flags of the same meaning: the
    // builder keeps its state in them, so the game's menus and text fields follow it.
    MissionBuilder(missions::ObjectFactory& factory, BuilderHost* host = nullptr, bool* windowOpen = nullptr,
                   bool* savedFlag = nullptr);
    ~MissionBuilder();
    MissionBuilder(const MissionBuilder&) = delete;
    MissionBuilder& operator=(const MissionBuilder&) = delete;

    // ---- The action of every control (the sender's tag); the sender's value is in controls().
    void fromMBMenu(int tag);

    // ---- Object rows and the live objects (MissionBuilder.cpp).
    // Writes row `offset` of MBMission.ObjectList (Seed and SubType 0); rows outside 0..259 are refused.
    void fillInObjectForMissionTypeMB(int32_t type, double posX, double posY, double posZ, double speed,
                                      double heading, int32_t team, int32_t points, int32_t offset);
    // Frees the live objects; the world's terrain goes back to the builder's hold, never freed.
    void releaseObjectsFromMBArray();
    // Removes the selected object and its row; beeps and changes nothing for the fixed head.
    void MBdeleteSelectedItem();
    // Any text typed into the builder's fields.
    void notsaved() { MBSavedFlag = false; }
    // The window's close box: false always (the window is only ordered out).
    bool windowShouldClose();
    void windowDidResize(const ViewFrame& frame);
    // Whether `tab` of the main tab view (aircraftTabs false) or of the aircraft tabs may be chosen.
    bool tabViewShouldSelect(bool aircraftTabs, int tab);
    // Makes the live object of row `row` and appends it to MBArray. Only the next row (the size of
    // MBArray) is made; any other answers null, so object i always stands at index i.
    ZephModel* loadRow(int row);
    // Makes the preview item from row 255 into MBOneItem, in place of the one before.
    ZephModel* loadPreview();
    // Takes the game's terrain into the builder's hold (once), for row 1 of the next rebuild.
    void borrowTerrain();

    // ---- The view (BuilderView.cpp).
    void updateMBOpenGLView();
    // Raises the camera to kCameraClearance above the terrain under it (ground 0 ft high before a
    // world is added); true when it moved.
    bool liftCamera();
    // Rises with every view update: the view is drawn again only when it has moved on.
    uint64_t viewRevision() const { return viewRevision_; }
    // The eye rotation the view uses for the camera's attitude (16 doubles).
    std::array<double, 16> eyeRotation() const;
    // The links drawPaths draws: every point exactly once, chains followed, a bad link ends a chain.
    std::vector<PathLink> pathLinks() const;
    void moveMBCameraToX(double x, double y, double z, int32_t aircraftNum, double heading, double gear);

    // ---- The mouse (BuilderMouse.cpp); points are window points, y up, the view at (20, 20).
    void MBMouseDown(double px, double py);
    void mouseDragAmountX(int ax, int az);
    void mouseDragWithShiftAmountX(int ax, int az);
    void MBMouseUp(double px, double py);

    // ---- Worlds (BuilderWorld.cpp). The world pop-up's titles, item 0 meaning no world.
    static std::vector<std::string> worldMenuTitles();
    // The world's terrain, in MBArray or held by the builder; null when the game lent none.
    RIDUdidav* worldTerrain() const;
    // Leaving: the game's world, fog and cloud layers back.
    void leaveBuilder();
    // The live objects freed and the terrain handed back to the game, whatever the window shows.
    void returnTerrain();

    // ---- Filling the victory and aircraft tabs from the record (BuilderFiles.cpp).
    void fillInVictoryLocationInfo();
    void fillInAircraftTabInfo();

    // ---- Saving and opening (BuilderFiles.cpp). The sheets' choices are in controls().files.
    // The save sheet ended: with `confirmed`, the mission is written to the typed name in the
    // missions folder. A write that fails beeps and leaves the mission unsaved under its old name.
    void savePanelMBDidEnd(bool confirmed);
    // The open panel ended: with `confirmed`, the chosen mission file is opened.
    void openPanelDidEnd(bool confirmed);
    // Opens a mission file into the builder; a refused file beeps, tells the player why and
    // changes nothing.
    bool openMission(const std::string& path);
    std::optional<std::string>& LastOpenedMission() { return host_->lastOpenedMission(); }

    BuilderControls& controls() { return controls_; }
    const BuilderControls& controls() const { return controls_; }
    void setViewFrame(const ViewFrame& frame) { frame_ = frame; }
    const ViewFrame& viewFrame() const { return frame_; }
    BuilderHost& host() { return *host_; }
    missions::ObjectFactory& factory() { return factory_; }
    // The terrain object in MBArray (index 1), null before a world is added.
    ZephModel* terrain() const;
    double groundAt(double x, double z) const;
    // The item the close-up beside the world shows: the selected one, else the unplaced one from
    // the object menu; null when there is none with a shape to draw.
    ZephModel* closeUpItem() const;
    // The view's width in which a click picks in the world, px: its left 66 % beside a close-up,
    // else all of it.
    double worldWidth() const;
    int32_t totalObjects() const;   // MBMission.TotalObjects, bounded to 0..260

    // ---- State.
    // The edited mission and its texts: every edit lands here at once.
    alignas(8) missions::MissionData MBMission{};  // the record lies on an 8-byte boundary
    missions::MissionTexts MBTexts{};
    ModelArray MBArray;                    // live objects, index = ObjectList row
    ModelArray MBOneItem;                  // at most one: the item chosen in the object menu, unplaced
    std::optional<std::string> MBFileName; // last saved or opened file; none for a new mission
    bool& MBSavedFlag;                     // no unsaved change
    int32_t MBWorld = 0;                   // world chosen in the world menu (1 the Western Front)
    bool MBTerrainLoadedFlag = false;      // a world is in MBArray
    bool& MBWindowOpen;
    bool AllTabs = false;                  // every tab may be chosen, with no side effect

    // Camera (ft, deg): pitch -90 (down) .. 10, heading -180 .. 180.
    QNion MBCameraPosition;
    double MBViewingPitch = 0, MBViewingHeading = 0;
    // min x, max x, min z, max z (ft); the Western Front's until a world sets its own.
    std::array<double, 4> MinMaxXZ{52800, 3696000, 52800, 3168000};
    std::array<std::array<double, 3>, kShortcuts> MBShortCutsPositions{};

    // Selection and editing.
    int32_t MBCurrentObject = 0;           // 0 nothing; 2..9 an aircraft start; 22.. an object
    bool MBDraggingObject = false;
    int32_t MBCurrentPath = 0;             // 0..199
    bool MBDraggingPath = false;
    bool objectMBUpdate = false;           // the item panel is filled at the next view update
    int32_t LastEnteredObjectTeam = 1;     // 1..4
    double LastEnteredWayPointAlt = -1.0;  // ft

private:
    // Parts of the actions, in the files named in the index.
    bool worldAction(int tag);
    bool weatherAction(int tag);
    bool leavingAction(int tag);
    void newMission();
    void newMissionRecord();
    void newMissionControls();
    void addWorld();
    void placeStartObjects();
    void showQuickDogfight();
    void sendLayersToTerrain(const std::array<missions::CloudLayer, 3>& layers);
    void fillItemPanel(ZephModel& item, int row, bool withLocation);
    void drawPreview();
    // The editing tags (objects, aircraft, paths, victory, files); true when one was handled.
    bool editingAction(int tag);
    // The objects tab's steps (ObjectEditing.cpp).
    ZephModel* editableObject();  // the selected placed object, or null
    // Selects the object menu's item for `code`; the menu keeps its choice when it has none.
    void selectObjectMenuItem(int32_t code);
    void addObjectAhead();
    void previewMenuObject();
    void stepThroughObjects();
    void setObjectTeam();
    void deleteObject();
    void editObjectField(int tag);
    void moveObject(ZephModel& object, missions::ObjectForMission& row);
    void turnObject(ZephModel& object, missions::ObjectForMission& row);
    std::array<double, 3>* selectedPathPoint();  // the path table's selected row, or null
    void pathPointFromCamera();
    void cameraToPathPoint();
    bool fileAction(int tag);
    bool aircraftTabAction(int tag);
    void saveMission(int tag);
    bool writeMission(std::string path);
    void setWorldTables(int world);
    void rebuildOpenedObjects();
    BuilderCameraState cameraState() const;
    BuilderControls* shownControls();  // shown_'s controls; null for a new mission
    struct Probe {
        Vector3 eye{}, far{};
        bool level = true;  // the ray drops less than 1 ft over 100 ft: it meets no plane
        // Where the ray meets the plane y = height, against (x, z).
        std::array<double, 2> offsetAt(double height, double x, double z) const;
    };
    Probe probe(double px, double py) const;

    missions::ObjectFactory& factory_;
    BuilderHost defaultHost_;
    BuilderHost* host_;
    BuilderControls controls_;
    ViewFrame frame_;
    std::unique_ptr<ZephModel> heldTerrain_;  // the lent terrain while it is not in MBArray
    uint64_t viewRevision_ = 0;
    // The controls and camera as the record was opened or last saved, and a field an action has
    // written into the record since as the field shows the record's value; none for a new mission,
    // whose every field is taken from what the window shows.
    std::unique_ptr<ShownMission> shown_;
};

}  // namespace pellam::builder
