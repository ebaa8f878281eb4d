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

}  // namespace

std::vector<uint8_t> encodePilotStats(const PilotTable& pilots) {
    std::vector<uint8_t> block(kPilotBlockBytes);
    for (int k = 0; k < kPilotCount; ++k) {
        unsigned char* at = block.data() + k * kPilotRecordBytes;
        std::memcpy(at, pilots[k].PilotName.data(), 32);
        at += 32;
        eachField(pilots[k], [&](const int32_t& value) {
            platform::writeBELong(at, value);
            at += 4;
        });
    }
    return block;
}

bool decodePilotStats(const std::vector<uint8_t>& block, PilotTable& pilots) {
    if (block.size() != kPilotBlockBytes) return false;
    PilotTable read;
    for (int k = 0; k < kPilotCount; ++k) {
        const unsigned char* at = block.data() + k * kPilotRecordBytes;
        std::memcpy(read[k].PilotName.data(), at, 32);
        at += 32;
        eachField(read[k], [&](int32_t& value) {
            value = platform::readBELong(at);
            at += 4;
        });
    }
    pilots = read;
    return true;
}

}  // namespace pellam
