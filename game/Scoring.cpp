#include "game/Scoring.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Utf8.h"

namespace pellam::scoring {

std::string missionTime(int32_t ticks) {
    const int32_t minutes = ticks / 3600, seconds = (ticks % 3600) / 60;
    return std::to_string(minutes) + (seconds < 10 ? ":0" : ":") + std::to_string(seconds);
}

std::string completedEntry(const std::string& title, int32_t ticks) {
    return title + std::string(kTimeSeparator) + missionTime(ticks);
}

CompletedEntry readCompletedEntry(const std::string& entry) {
    const size_t at = entry.find(kTimeSeparator);
    if (at == std::string::npos) return {entry};
    const std::string time = entry.substr(at + kTimeSeparator.size());
    const size_t colon = time.find(':');
    // An entry with the separator but no ":" reads as whole minutes.
    const long minutes = std::atol(time.c_str());
    const long seconds = colon == std::string::npos ? 0 : std::atol(time.c_str() + colon + 1);
    return {entry.substr(0, at), static_cast<int32_t>(std::clamp(minutes * 60 + seconds, 0L, 10'000'000L))};
}

CompletedUpdate addCompleted(const std::vector<std::string>& list, const std::string& title, int32_t ticks) {
    const int32_t t = ticks / 3600 * 60 + (ticks % 3600) / 60;
    CompletedUpdate update;
    update.firstTime = true;
    size_t replaced = list.size();
    for (size_t k = 0; k < list.size(); ++k) {
        const CompletedEntry old = readCompletedEntry(list[k]);
        if (old.title != title) continue;
        update.firstTime = false;
        if (t >= old.seconds) {
            update.list = list;
            return update;  // the old record stands
        }
        replaced = k;
        break;
    }
    for (size_t k = 0; k < list.size(); ++k)
        if (k != replaced) update.list.push_back(list[k]);
    update.list.push_back(completedEntry(title, ticks));
    update.changed = true;
    return update;
}

const char* teamWord(int32_t index) {
    static const char* const words[] = {"not used", "Red", "Blue", "Yellow", "Black"};
    return words[std::clamp(index, 0, 4)];
}

int32_t teamIndex(int32_t team, bool inGame) { return inGame ? std::clamp(team, 1, 4) : 0; }

std::string killTableRow(int row, const std::string& name, int32_t kills, int32_t deaths, const char* team) {
    std::string field = name.empty() ? std::string("A.I. Aircraft   ") : platform::cutToBytes(name, 16);
    field.resize(16, ' ');
    return std::string("#") + std::to_string(row) + ": " + field + "      " + std::to_string(kills) + "\t\t" +
           std::to_string(deaths) + "\t\t" + team + "\r";
}

int32_t rankFor(int32_t score, int32_t flightSeconds, int32_t kills, int32_t missionsWon) {
    const int32_t hours = flightSeconds / 3600;
    int32_t rank = 0;
    if (score > 1000) rank = 1;
    if (hours > 10) rank = 2;
    if (hours > 25) rank = 3;
    if (hours > 40 && kills > 4) {
        if (missionsWon > 9) rank = 4;
        if (missionsWon > 13) rank = 5;
        if (missionsWon > 17) rank = 6;
        if (missionsWon > 21) rank = 7;
        if (missionsWon > 24) rank = 8;
        if (missionsWon > 27) rank = 9;
    }
    return rank;
}

const char* rankText(int32_t rank) {
    static const char* const texts[] = {"Rank: Volunteer",     "Rank: Second Lieutenant", "Rank: First Lieutenant",
                                        "Rank: Captain",       "Rank: Major",             "Rank: Colonel",
                                        "Rank: Brigadier General", "Rank: Major General", "Rank: Lieutenant General",
                                        "Rank: General"};
    return texts[std::clamp(rank, 0, 9)];
}

const char* objectCategoryName(int32_t category) {
    switch (category) {
    case 2: return "Buildings and bridges";  // wood buildings, houses, bridges, the wind sock and pylon
    case 5: return "Hangars";                // and the crater
    case 8: return "Gun posts";              // flak guns and machine-gun posts
    case 9: return "Trucks";
    case 10: return "Tanks";
    case 16: return "Bombers";
    case 17: return "Balloons";
    default: return nullptr;
    }
}

std::string groupDigits(const std::string& text, std::string_view separators) {
    auto isSeparator = [&](char ch) { return separators.find(ch) != std::string_view::npos; };
    std::string result;
    int counter = 0;
    for (size_t k = text.size(); k-- > 0;) {
        result.insert(result.begin(), text[k]);
        ++counter;
        if (isSeparator(text[k]) || k == 0 || isSeparator(text[k - 1])) counter = 0;
        if (counter == 3) {
            result.insert(result.begin(), ',');
            counter = 0;
        }
    }
    return result;
}

std::array<uint8_t, 48> playerNameString(const std::string& name) {
    std::array<uint8_t, 48> out{};
    const std::string cut = platform::cutToBytes(name, 16);
    const size_t n = cut.size();
    out[1] = '#';
    out[2] = '1';
    out[3] = ':';
    std::copy(cut.begin(), cut.end(), out.begin() + 4);
    const char tail[] = ":R/ 0:";
    std::copy(tail, tail + 6, out.begin() + 4 + n);
    out[0] = static_cast<uint8_t>(n + 10);  // the network reads the name's length as this minus 10
    return out;
}

std::array<uint8_t, 10> frameRateText(double frameSeconds) {
    std::array<uint8_t, 10> t{9, '0', '0', '-', ' ', ' ', '0', ' ', 'm', 's'};
    const double ms = frameSeconds * 1000.0;
    // No interval measured yet (or a clock that stood): no rate to show.
    const long fps = ms > 0.0 && 1000.0 / ms < 100.0 ? static_cast<long>(1000.0 / ms) : 100;
    if (fps > 99) {
        t[1] = t[2] = 'x';
    } else {
        t[1] = fps / 10 == 0 ? ' ' : static_cast<uint8_t>('0' + fps / 10);
        t[2] = static_cast<uint8_t>('0' + fps % 10);
    }
    long whole = ms > 0.0 ? static_cast<long>(std::min(ms, 1e6)) : 0;
    if (whole > 999) whole = 0;
    t[4] = static_cast<uint8_t>('0' + whole / 100);
    t[5] = static_cast<uint8_t>('0' + whole / 10 % 10);
    t[6] = static_cast<uint8_t>('0' + whole % 10);
    return t;
}

std::array<uint8_t, 16> replayText(int32_t speed, int32_t savedClock, int32_t clock) {
    std::array<uint8_t, 16> t{15, 'R', 'e', 'p', 'l', 'a', 'y', ':', ' ', '0', ' ', '-', '0', '0', '.', '0'};
    t[8] = speed < 0 ? '-' : ' ';
    t[9] = static_cast<uint8_t>('0' + std::min(std::abs(speed), 9));
    // Past the end of the recorded stretch the clock reads the end.
    const int32_t n = std::max(0, (savedClock - clock) / 20);
    const int32_t seconds = n / 3 % 100;
    t[12] = static_cast<uint8_t>('0' + seconds / 10);
    t[13] = static_cast<uint8_t>('0' + seconds % 10);
    t[15] = static_cast<uint8_t>('0' + n % 3 * 3);
    return t;
}

}  // namespace pellam::scoring
