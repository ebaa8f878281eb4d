#include "game/PilotType.h"

#include <cstring>

#include "platform/ByteOrder.h"

namespace pellam {
namespace {

// Visits the record's 32-bit fields in stored order, after the 32-byte name.
template <typename Record, typename Visit>
void eachField(Record& p, Visit visit) {
    for (auto* f : {&p.UniquePilotNumber, &p.PilotScore, &p.PilotFlightTime, &p.StartDate, &p.PilotStatus,
                    &p.DeadDate, &p.Rank, &p.TotalKills, &p.TotalDeaths, &p.OnlineKills, &p.OnlineDeaths})
        visit(*f);
    for (auto& f : p.ObjectKillCounts) visit(f);
    visit(p.CurrentPilotKills);
    visit(p.PilotLives);
    for (auto& f : p.Unused) visit(f);
}

// One record into its stored order at `stored` (332 bytes): the name as it stands, then every
// 32-bit field big-endian.
void swapPilotType(const PilotType& pilot, unsigned char* stored) {
    std::memcpy(stored, pilot.PilotName.data(), 32);
    stored += 32;
    eachField(pilot, [&](const int32_t& value) {
        platform::writeBELong(stored, value);
        stored += 4;
    });
}

// One record back from its stored order.
void swapPilotType(const unsigned char* stored, PilotType& pilot) {
    std::memcpy(pilot.PilotName.data(), stored, 32);
    stored += 32;
    eachField(pilot, [&](int32_t& value) {
        value = platform::readBELong(stored);
        stored += 4;
    });
}

}  // namespace

std::vector<uint8_t> encodePilotStats(const PilotTable& pilots) {
    std::vector<uint8_t> block(kPilotBlockBytes);
    for (int k = 0; k < kPilotCount; ++k) swapPilotType(pilots[k], block.data() + k * kPilotRecordBytes);
    return block;
}

bool decodePilotStats(const std::vector<uint8_t>& block, PilotTable& pilots) {
    if (block.size() != kPilotBlockBytes) return false;
    PilotTable read;
    for (int k = 0; k < kPilotCount; ++k) swapPilotType(block.data() + k * kPilotRecordBytes, read[k]);
    pilots = read;
    return true;
}

}  // namespace pellam
