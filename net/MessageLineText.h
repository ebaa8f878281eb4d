#pragma once
// Small writers into the message lines shared by the rules, the engine and the typed messages.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "net/NetworkSockets.h"

namespace pellam::net {

// Line 4 on a host while no joiner is in the game.
inline constexpr std::string_view kWaitingForJoiners = "Waiting for Joiners to arrive.";

// Team letters of the lines: 1 red, 2 blue, 3 yellow, 4 black.
inline char teamLetter(int32_t team, char otherwise) {
    switch (team) {
        case 1: return 'R';
        case 2: return 'B';
        case 3: return 'Y';
        case 4: return 'b';
        default: return otherwise;
    }
}

// Writes `text` at 1-based character position `at` of a line (its byte index, after the length).
inline void putAt(MessageLine& line, size_t at, std::string_view text) {
    if (at < 1 || at > kMaxLineChars) return;
    std::memcpy(line.data() + at, text.data(), std::min(text.size(), kMaxLineChars + 1 - at));
}

// A count as two characters, tens (blank below 10) and units; counts are held to 0..99.
inline std::string twoDigits(int32_t value) {
    const int32_t v = std::clamp(value, 0, 99);
    return {v < 10 ? ' ' : static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}
inline void putTwoDigits(MessageLine& line, size_t at, int32_t value) { putAt(line, at, twoDigits(value)); }

}  // namespace pellam::net
