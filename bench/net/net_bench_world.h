#pragma once
// What the network benchmarks share: a world that flies nothing, a machine (its world and network
// link), and a machine's frames at 60 a second on the real clock, a host accepting as the
// automatic host does.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "net/EngineServices.h"
#include "net/NetworkSockets.h"
#include "net/SetupPackets.h"
#include "platform/TickCount.h"

namespace pellam::bench {

using Clock = std::chrono::steady_clock;
inline constexpr uint32_t kLoopback = 0x7F000001;

// A world that flies nothing: it hands out level aircraft and counts the state blocks applied to
// each of its slots.
struct World final : net::EngineServices {
    std::array<std::atomic<long>, 8> applied{};
    std::array<bool, 8> remote{};
    std::array<std::array<int32_t, 2>, 8> results{};
    std::array<int32_t, 4> teams{}, left{};

    SlotAircraft aircraftInSlot(int s) override { return {!remote[size_t(s)], 3000.0, 1, 55}; }
    bool doIhaveBombs(int) override { return false; }
    uint32_t getMissionHash() override { return 0; }
    double getMissionSeconds() override { return 0; }
    void startJoinerAircraft(int j, int32_t, int32_t) override { remote[size_t(j)] = true; }
    wire::StateBlockBytes stateBlock(int s) override {
        wire::AircraftState a;
        a.position = {1000.0 * s, 3000.0, 0.0};
        wire::StateBlockBytes b{};
        wire::encodeAircraftState(a, b.data());
        return b;
    }
    double totalHits(int) override { return 0; }
    void reportNetworkHits(int, double) override {}
    bool resetRecently(int) override { return false; }
    void clearHits(int) override {}
    uint8_t kills(int) override { return 0; }
    int modelCount() override { return 30; }
    bool isDead(int) override { return false; }
    Facts aircraftFacts(int) override { return {true, 1, 55, 3000.0, -1}; }
    int32_t resetTick(int, int32_t) override { return 0; }
    Applied applyStateBlock(int s, const wire::StateBlockBytes&, int32_t) override {
        ++applied[size_t(s)];
        return {};
    }
    void setRemoteLocal(int s, bool r) override { remote[size_t(s)] = r; }
    void setWhoShotMe(int, int32_t) override {}
    void objectDeadFromNetwork(int, int, int32_t, bool) override {}
    std::array<std::array<int32_t, 2>, 8>& aircraftResults() override { return results; }
    std::array<int32_t, 4>& teamResults() override { return teams; }
    std::array<int32_t, 4>& leftTeamKills() override { return left; }
    void setIDHelp(bool, bool) override {}
    void setCameraRule(int32_t) override {}
    void setDogfightOnly(bool, bool, int32_t) override {}
    void setMissionHash(uint32_t, double) override {}
    void setMyJoinerBombs(bool, int) override {}
    void setNetworkDogfightOnlyTeam(int32_t, int) override {}
    void setNetworkAircraftTypeForAircraft(int, int32_t) override {}
    void startThisAircraft(int, bool) override {}
    void setMissionNumber(int32_t) override {}
    void StartMission() override {}
    void joinerGotEndOfGame() override {}
    int32_t getJoinerAircraftType() override { return 55; }
    std::string autoMessage(int) override { return {}; }
    void playSound(int32_t, int32_t) override {}
    int32_t tryForCustomPaintJobBig(const std::string&) override { return -1; }
    int32_t tryForCustomPaintJobSmall(const std::string&) override { return -1; }
    void deleteTexture(int32_t) override {}
    void setCustomPaintJob(int, int32_t, int32_t) override {}
};

struct Machine {
    World world;
    net::BSDNetworkSockets link;
    bool host = false;
    std::vector<int> stepMicros;  // the host's network step of each counted frame
    std::atomic<bool> counting{false};
    std::atomic<bool> accepted{false};  // a joiner's link accepted, as its last frame left it
    Machine() {
        link.setEngineServices(&world);
        stepMicros.reserve(300 * 60 + 600);
    }
    // Host data applied: seven aircraft each.
    long hostData() const {
        long blocks = 0;
        for (const std::atomic<long>& n : world.applied) blocks += n;
        return blocks / 7;
    }
};

// The machine hosts a dogfight to 20 kills on a free port; false when it cannot open one.
inline bool hostDogfight(Machine& host) {
    host.host = true;
    if (host.link.startNetworkRoutines(0, net::BSDNetworkSockets::kHost, 1) != 0) return false;
    net::GameRules rules;
    rules.killsToWin = 20;
    rules.dogfightOnly = 1;
    host.link.setResetTime(rules, 0, 0);
    return true;
}

// One frame a tick, as the game's at 60 a second; a late frame takes the ticks it missed.
inline void frames(Machine& m, const std::atomic<bool>& stop) {
    int32_t tick = platform::TickCount();
    while (!stop) {
        const int32_t next = std::max(tick + 1, platform::TickCount());
        platform::sleepUntilTick(next);
        tick = next;
        const Clock::time_point start = Clock::now();
        m.link.NetworkComm(tick);
        if (m.host && m.link.getJoinerPending()) m.link.acceptJoinerPublic();
        m.accepted = m.link.accepted();
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        if (m.counting && m.stepMicros.size() < m.stepMicros.capacity()) m.stepMicros.push_back(int(took));
    }
}

}  // namespace pellam::bench
