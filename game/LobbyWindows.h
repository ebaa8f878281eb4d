#pragma once
// The network lobby's windows as state: the host/join window, the join window with its table of
// public games, and the end dialog. LobbyDrawing.cpp shows them; Lobby.cpp and PublicGames.cpp
// (the controller's actions) read and fill them.
#include <array>
#include <string>

#include "game/Interface.h"

namespace pellam {

struct LobbyControls {
    Window toHostJoinWindow2{"Network Game"};
    TextField toPortNumber2;
    CheckBox toAutoHost{"Host unattended"};
    CheckBox toAutoHostAutoPilot{"My own aircraft flies on autopilot"};
    std::string toHostMessage;  // the message listed with a public game; may hold line breaks
    std::string portProblem;    // why the port was refused; empty when it was not

    Window toEndNetworkGameDialog{"End Network Game"};

    Window toNewJoinerWindow{"Join a Network Game"};
    TextField toNewIPAddress;  // the host's IPv4 address, with ":port" when it is not the port field's
    std::string addressProblem;  // why the address was refused; empty when it was not
    RadioMatrix toNewJoinTeamRequest{2, 2, {"Red", "Blue", "Yellow", "Black"}};
    // The aircraft pop-up: item tags are the flyable aircraft's codes.
    static constexpr std::array<int, 3> kAircraftTags = {55, 64, 77};
    static constexpr std::array<const char*, 3> kAircraftTitles = {"Sopwith Camel", "Fokker D.VII", "Fokker Dr.I"};
    int toNewJoinerAircraftType = 0;  // the selected item
    CheckBox toDontCheckGames{"Don't look for public games"};
    bool toJoinRefreshEnabled = true;
};

}  // namespace pellam
