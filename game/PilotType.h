#pragma once
// A pilot's career record, and the stored block of the five pilots: 1,660 bytes, record k at
// byte 332 k, every 32-bit field big-endian whatever the host, the name area carried unchanged.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellam {

struct PilotType {
    std::array<char, 32> PilotName{};  // carried and stored unchanged; names live under their own keys
    int32_t UniquePilotNumber = 0;
    int32_t PilotScore = 0;             // points
    int32_t PilotFlightTime = 0;        // s
    int32_t StartDate = 0;              // whole days since 2001-01-01 UTC; 0 not begun
    int32_t PilotStatus = 0;
    int32_t DeadDate = 0;
    int32_t Rank = 0;                   // 0..9
    int32_t TotalKills = 0, TotalDeaths = 0;
    int32_t OnlineKills = 0, OnlineDeaths = 0;
    std::array<int32_t, 32> ObjectKillCounts{};  // per object category; entry 4 counts landings
    int32_t CurrentPilotKills = 0;
    int32_t PilotLives = 0;
    std::array<int32_t, 30> Unused{};
};

constexpr int kPilotCount = 5;
constexpr size_t kPilotRecordBytes = 332;
constexpr size_t kPilotBlockBytes = kPilotCount * kPilotRecordBytes;  // "PilotStatsKey"

using PilotTable = std::array<PilotType, kPilotCount>;

// Adds to a stored counter (flight time, kills, score), holding it at the 32-bit limits rather
// than wrapping: a career does not turn negative.
inline void addToCounter(int32_t& counter, int32_t amount) {
    counter = static_cast<int32_t>(std::clamp<int64_t>(int64_t{counter} + amount, INT32_MIN, INT32_MAX));
}

// The stored form, written into a buffer of its own: the live records are never swapped.
std::vector<uint8_t> encodePilotStats(const PilotTable& pilots);
// False, leaving `pilots` as it was, when the block is not exactly 1,660 bytes.
bool decodePilotStats(const std::vector<uint8_t>& block, PilotTable& pilots);

}  // namespace pellam
