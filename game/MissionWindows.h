#pragma once
// The mission window, the dogfight window and the About panel: their controls as state, shown by
// InterfaceMissions.cpp and read by the controller's actions (MissionMenu.cpp).
#include <array>
#include <string>
#include <vector>

#include "game/Interface.h"
#include "missions/MissionMenu.h"

namespace pellam {

// Menu tags the menu rules know besides those of Interface.h.
enum MenuRuleTag : int {
    kMenuNetworkGame = 400,
    kMenuOpenBuilder = 524,
    kMenuCloseBuilder = 525,
    kMenuDeleteBuilderObject = 537,
    kMenuSave = 538,
    kMenuOpenInBuilder = 539,
    kMenuSaveAs = 540,
    kMenuOpenLastMission = 609,
};

// An aircraft pop-up: items by index, each item's tag the aircraft code written back.
struct AircraftPopUp {
    int selected = 0;
    static constexpr std::array<int, 5> kTags = {55, 64, 77, 0, 1001};  // index 3 is a separator
    static constexpr std::array<const char*, 5> kTitles = {"Sopwith Camel", "Fokker D.VII", "Fokker Dr.I", "",
                                                           "Random"};
    int selectedTag() const { return kTags[selected >= 0 && selected < 5 && selected != 3 ? selected : 0]; }
    // 64, 77 and 1001 select their items; any other code the Camel.
    void selectCode(int code) { selected = code == 64 ? 1 : code == 77 ? 2 : code == 1001 ? 4 : 0; }
};

struct MissionWindowControls {
    Window toSelectMission{"Select Mission"};
    missions::MissionMenu toMissionMenuPopUp;
    std::string toMissionDescription;
    std::array<AircraftPopUp, 8> MissionType;
    std::array<bool, 8> inMission{true, true, true, true, true, true, true, true};  // slots the mission flies
    CheckBox toIDMission{"Identification squares"};
    CheckBox toCloseUpIDMission{"Also close up"};
    // The picture file shown, the mission's own or the world map, read when first shown; empty: none yet.
    std::string toMissionMap;
    std::string toPrevailingWinds;
};

struct DogfightWindowControls {
    Window toDogfightOnlyWindow{"Quick Dogfight"};
    std::array<AircraftPopUp, 8> DOAircraftType;
    std::vector<RadioMatrix> DOTeam;        // 8, rows: teams 1..4
    std::vector<RadioMatrix> DOSkillLevel;  // 8, rows: skill 0..3
    std::array<CheckBox, 8> DOBombs;
    std::vector<RadioMatrix> DOOnOff;       // 8, columns: in play, out; slot 0's is never shown nor read
    CheckBox toIDDogfight{"Identification squares"};
    CheckBox toCloseUpIDDogfight{"Also close up"};
    int toDogfightKills = 5;
    RadioMatrix toAirGroundStart{2, 1, {"Air start", "Ground start"}};
    RadioMatrix toDogRestartType{3, 1, {"Restart in the air", "Restart on the ground", "Restart at a random place"}};
    RadioMatrix toDogCameraRule{3, 1, {"All views", "Fewer outside views", "Cockpit views only"}};
    RadioMatrix toDogIndTeamKills{1, 2, {"Individual kills", "Team kills"}};

    DogfightWindowControls();
};

struct AboutPanelControls {
    Window toCustomAboutBox{"About Pellam"};
    std::string toAboutVersion;
    std::string toAboutCredits;
    std::string toAboutIcon;  // the icon's picture file
};

}  // namespace pellam
