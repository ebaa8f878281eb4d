#pragma once
// The player's preferences as the game reads them: read from the settings store at start-up and
// set again by the preference, mission and lobby windows, which write the store themselves.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/UserDefaults.h"

namespace pellam {

// One preset chat message: byte 0 the length (0..79), the characters, a zero byte.
using AutoMessage = std::array<uint8_t, 160>;
// A preset message as stored in the table: at most 79 characters, each the low byte of one UTF-16 unit.
AutoMessage makeAutoMessage(const std::string& utf8);

struct Preferences {
    bool MousePosFeedback = false;   // the cursor shows while flying with the mouse
    bool StallLimiter = false;
    bool ReloadUserMissions = false; // the user's missions are read again when the builder closes
    bool DoDetailPass = true;        // the terrain's detail texture
    int64_t DoCheckForGames = 0;     // 1: the public games list is not asked
    bool DontShowMF = false;         // the mouse-flying notice is not shown
    std::optional<std::string> LastOpenedMission;
    std::array<AutoMessage, 8> AutoMessages{};
    std::array<bool, 8> PubPri{};    // message k goes to the team alone
    bool FirstTime = false;          // the mouse-flying notice was shown this run
    bool useIDSquares = true, useCloseUpIDSquares = false;  // identification squares, far and near

    // The store's keys for the preset messages and their team-only flags.
    static const char* autoMessageKey(int k);
    static const char* autoMessagePPKey(int k);

    // Reads the preferences from `store`, first writing the defaults of those it lacks.
    void readFrom(platform::UserDefaults& store);
    // Takes the mouse and stall settings as the preference window stored them.
    void readFlags(const platform::UserDefaults& store);
    // Puts the last opened mission in `store`, or removes it when there is none.
    void writeLastMission(platform::UserDefaults& store) const;
};

}  // namespace pellam
