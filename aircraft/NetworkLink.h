#pragma once
// What a flyable aircraft asks of the network link. The networking subsystem implements it; an
// aircraft without a link plays alone.
#include <cstdint>

namespace pellam {

class NetworkLink {
public:
    virtual ~NetworkLink() = default;
    virtual bool amIHost() { return false; }
    virtual int32_t getNetworkMode() { return 0; }    // 0 none, 1 joiner, 2 host
    virtual int32_t getJoinerNumber() { return 0; }   // 1..7 on a joiner
};

}  // namespace pellam
