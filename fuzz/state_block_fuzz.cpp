// The 35-byte state block from a peer: any bytes decode inside every field's range, and the
// decoded numbers survive encode and decode unchanged (a relayed block does not drift).
#include <cmath>
#include <cstdlib>

#include "wire/AircraftStateBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellam::wire;
    AircraftState once;
    if (!decodeAircraftState(data, size, &once)) {
        if (size >= kStateBlockSize) std::abort();
        return 0;
    }
    for (double r : once.rates)
        if (!(std::fabs(r) <= 0.2)) std::abort();
    for (double v : {once.elevator, once.ailerons, once.rudder})
        if (!(std::fabs(v) <= 1.0)) std::abort();
    if (once.bombs > 8) std::abort();
    StateBlockBytes bytes{};
    encodeAircraftState(once, bytes.data());
    AircraftState twice;
    if (!decodeAircraftState(bytes.data(), bytes.size(), &twice)) std::abort();
    if (twice.position != once.position || twice.velocity != once.velocity || twice.rates != once.rates ||
        twice.elevator != once.elevator || twice.ailerons != once.ailerons || twice.rudder != once.rudder)
        std::abort();
    return 0;
}
