// The stored pilot block: any bytes either are refused or decode to records that encode back to
// exactly those bytes. An even first byte pads or cuts the rest to the block's size, so most
// runs reach the records rather than the size check.
#include <cstdlib>

#include "game/PilotType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellam;
    if (size < 1) return 0;
    std::vector<uint8_t> block(data + 1, data + size);
    if (data[0] % 2 == 0) block.resize(kPilotBlockBytes);
    size = block.size();
    PilotTable pilots{};
    if (!decodePilotStats(block, pilots)) {
        if (size == kPilotBlockBytes) std::abort();
        return 0;
    }
    if (encodePilotStats(pilots) != block) std::abort();
    for (PilotType& p : pilots) {
        addToCounter(p.PilotFlightTime, 1);
        addToCounter(p.PilotScore, data[0] & 1 ? INT32_MAX : INT32_MIN);
    }
    return 0;
}
