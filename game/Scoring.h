#pragma once
// The texts and rules of scoring that need no world: mission times, the completed-mission list's
// entries, team words, the rank rule, grouped digits, name cuts that keep UTF-8 whole, and the
// overlay's patched templates.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellam::scoring {

// "2:05" from 7,500 ticks (60 a second): minutes unpadded, seconds two digits.
std::string missionTime(int32_t ticks);

// A completed-mission entry: the title, fifteen blanks and "Mission Time: m:ss".
inline constexpr std::string_view kTimeSeparator = "               Mission Time: ";
std::string completedEntry(const std::string& title, int32_t ticks);
struct CompletedEntry {
    std::string title;       // the part before the separator, or the whole bare entry
    int32_t seconds = 10'000'000;  // minutes x 60 + seconds; a bare entry has no time
};
CompletedEntry readCompletedEntry(const std::string& entry);

// The completed list after a win of `title` in `ticks`: the faster time replaces the old entry,
// which leaves its place and goes to the end; a slower or equal one leaves the list as it was.
struct CompletedUpdate {
    bool changed = false;      // the list must be stored again
    bool firstTime = false;    // no entry held this title before
    std::vector<std::string> list;
};
CompletedUpdate addCompleted(const std::vector<std::string>& list, const std::string& title, int32_t ticks);

// 1 "Red", 2 "Blue", 3 "Yellow", 4 "Black"; other teams are clamped; 0 "not used".
const char* teamWord(int32_t index);
int32_t teamIndex(int32_t team, bool inGame);

// One 37-character row of the dogfight kill table: "#n: ", the name field, six blanks, then the
// tallies. `name` is the player's name; empty for an A.I. aircraft.
std::string killTableRow(int row, const std::string& name, int32_t kills, int32_t deaths, const char* team);

// Rank 0..9 from the score, seconds flown, kills of this career and missions won.
int32_t rankFor(int32_t score, int32_t flightSeconds, int32_t kills, int32_t missionsWon);
const char* rankText(int32_t rank);

// What a pilot's count of destroyed objects in `category` counts ("Balloons"); null for a category
// that no placed object scores in.
const char* objectCategoryName(int32_t category);

// A comma before every third digit of each run between separators, counted from the right.
std::string groupDigits(const std::string& text, std::string_view separators);

// The player name sent in network games: length byte n + 10, "#1:", at most 16 name bytes,
// ":R/ 0:".
std::array<uint8_t, 48> playerNameString(const std::string& name);

// Whole days since 1 January 2001 UTC from seconds since then.
inline int32_t daysSince2001(double seconds) { return static_cast<int32_t>(seconds / 86400.0); }

// The overlay's two patched templates, length byte first.
std::array<uint8_t, 10> frameRateText(double frameSeconds);
std::array<uint8_t, 16> replayText(int32_t speed, int32_t savedClock, int32_t clock);

}  // namespace pellam::scoring
