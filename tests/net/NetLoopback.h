#pragma once
// Network links on this machine's loopback for the tests: the address and a wait for a packet.
#include <chrono>
#include <cstdint>
#include <thread>

#include "net/NetworkSockets.h"

namespace pellam::net {

constexpr uint32_t kLoopback = 0x7F000001;

// The packet of `type` once it has arrived, waiting at most two seconds.
inline bool arrive(BSDNetworkSockets& link, uint8_t type, ReceivedPacket* out) {
    for (int i = 0; i < 400; ++i) {
        if (link.getMostRecentPacket(type, out)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace pellam::net
