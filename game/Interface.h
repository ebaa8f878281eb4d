#pragma once
// The game's windows and their controls, as the controller addresses them: by outlet and by tag.
// The controls hold state only; InterfaceDrawing shows them (with Dear ImGui) and turns clicks into
// the controller's actions, so the controller's logic runs and is tested without a screen.
#include <array>
#include <deque>
#include <string>
#include <vector>

namespace pellam {

struct Window {
    std::string title;
    bool open = false;
    bool key = false;       // the window that has the keyboard focus
    bool modalPanel = false;  // brought forward at the modal-panel level, above the game view
    void makeKeyAndOrderFront() {
        open = true;
        key = true;
        modalPanel = true;
    }
    void close() {
        open = false;
        key = false;
    }
};

struct CheckBox {
    std::string title;
    bool state = false;
};

struct Slider {
    std::string title;
    int minimum = 1, maximum = 101;
    int intValue = 101;
};

struct RadioMatrix {
    int rows = 1, columns = 1;
    std::vector<std::string> titles;  // row-major
    std::vector<bool> cells;          // row-major
    RadioMatrix(int r, int c, std::vector<std::string> t) : rows(r), columns(c), titles(std::move(t)), cells(r * c) {}
    bool cellAt(int row, int column) const { return cells[row * columns + column]; }
    void setState(bool on, int row, int column) { cells[row * columns + column] = on; }
    void clear() { cells.assign(cells.size(), false); }
};

struct TextField {
    std::string title;
    std::string stringValue;
    bool editing = false;        // has the keyboard (its current editor exists)
    bool selectRequested = false;  // select its whole text and take the focus next frame
    bool belongsToBuilder = false;  // an edit marks the mission builder's mission unsaved
    int tag = 0;
};

// Button tags of the dialog buttons and menu tags of the menu items.
enum InterfaceTag : int {
    kTagPrefsOK = 506,
    kTagAutoMessagesOK = 511,
    kTagCancel = 513,
    kTagMouseFlyingOK = 520,
    kMenuAutoMessages = 3002,
    kMenuPreferences = 3003,
    kMenuSelectMission = 3004,
    kMenu3005 = 3005,
};

// Every window and control the controller reaches through an outlet.
struct GameInterface {
    GameInterface();

    Window toPrefsWindow{"Preferences"};
    CheckBox toMousePosFeedback{"Keep the mouse-flying cursor visible while flying"};
    CheckBox toStallLimiter{"Stall limiter"};
    CheckBox toUseSmallWindow{"Play in a small window (from the next start)"};
    CheckBox toAntiAlias{"Smooth edges (from the next start)"};
    CheckBox toPrefsAlwaysReloadUM{"Reload user missions when the mission builder closes"};
    CheckBox toTerrainDetailPref{"Detailed terrain"};
    CheckBox toVBlankPref{"Synchronise with the display"};
    CheckBox toPrefsDontCheckGames{"Don't look for public network games"};
    TextField toGamesListServer;  // the games-list server's base address; empty: none
    RadioMatrix toInitialSound{1, 3, {"All sounds", "No continuous sounds", "Silent"}};
    Slider toOverallVolume{"Overall volume"};
    CheckBox toOpeningSoundPref{"No opening sound"};
    RadioMatrix toScreenSaveType{2, 1, {"JPEG", "TIFF"}};
    Slider toGunsVolume{"Guns"};
    Slider toEngineVolume{"Engine", 1, 101, 51};
    Slider toStallHornVolume{"Stall warning"};
    Slider toOtherItemsVolume{"Everything else", 1, 101, 51};
    double toNetworkTextSize = 0.8;  // the network message lines' text size

    Window toAutoMessagesWindow{"Automatic Messages"};
    std::array<TextField, 8> toAuto;    // toAuto1 .. toAuto8
    std::array<CheckBox, 8> toAutopp;   // toAuto1pp .. toAuto8pp: own team only

    Window toMouseFlying{"Flying with the Mouse"};
    CheckBox toDontShowMF{"Don't show this again"};

    Window toPilotSignInWindow{"Pilot Sign-In"};
    RadioMatrix pilotRadio{5, 1, {"", "", "", "", ""}};  // tag 10
    std::array<TextField, 5> pilotFields;                // tags 1..5: while edited, that pilot is chosen
    std::array<TextField, 5> pilotNameFields;            // tags 21..25: the pilots' names
    // Each pilot's row: hours/days/score, lives, kills and deaths with their ratio, and the same
    // in network games.
    std::array<std::string, 5> PScore, toPilotLives, KD, KDR, OKD, OKDR;

    // The selected pilot's statistics, and the sheet that clears them.
    Window toPSWindow{"Pilot Statistics"};
    std::string toPSNameScore, toPSFTRank, toPSItemsLeft, toPSItemsRight, toPSComMis;
    Window toClearPStats{"Clear Pilot Statistics"};

    // The end of a game: won or lost, the message, OK and Restart.
    Window toGameOverWindow{"Game Over"};
    std::string toYouWonOrLost, toYouWonOrLostMessage;
    float restartButtonX = 110;  // px: the restart button's left edge; below 0 it is out of sight
    Window toPilotDied{"Pilot Killed"};

    Window toNotEnoughVRAMWindow{"Not Enough Video Memory"};
    std::string toVRAMInWindow;
    Window toBadOSXVersion{"Unsupported System"};
    Window toDummyKeyWindow{"Pellam"};  // holds the keyboard during play
    CheckBox toListGamePublicly{"List this game publicly"};

    // What the player must be told (a settings file kept aside, a save that failed), oldest
    // first; the first is shown until its OK.
    std::deque<std::string> notices;
    // The notice about pilot records that could not be read; shown, it offers "Start fresh records".
    std::string freshRecordsNotice;

    // The window whose button this is (the windows of the dialog buttons and of Cancel).
    Window* windowOfButton(int tag, Window* cancelFrom = nullptr);
};

}  // namespace pellam
