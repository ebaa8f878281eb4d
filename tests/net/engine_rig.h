#pragma once
// Machines of a network game in one process: the protocol engine over real sockets on
// 127.0.0.1, each with a small world of eight aircraft flying straight lines, all on one tick
// clock the test moves by hand; a relay that loses, repeats and reorders datagrams; a stranger
// that sends hand-made packets; and a wait for a packet, for the tests of bare links.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <deque>
#include <memory>
#include <random>

#include "net/EngineServices.h"
#include "net/NetworkSockets.h"
#include "platform/TickCount.h"
#include "platform/UdpSocket.h"
#include "tests/WaitFor.h"

namespace pellam::net {

constexpr uint32_t kLoopback = 0x7F000001;

// The packet of `type` from `from` once the link's receiver has stored it, taken as the engine
// takes a peer's: `from` is made the link's only peer (for links whose engine does not run).
inline bool arrive(BSDNetworkSockets& link, platform::UdpEndpoint from, uint8_t type, ReceivedPacket* out) {
    ReceiveRing::Peers peers{};
    peers[0] = from;
    link.ring().setPeers(peers);
    return testing::waitFor([&] { return link.ring().takeNewestFrom(0, type, out); },
                            "a packet of type " + std::to_string(type));
}

}  // namespace pellam::net

namespace pellam::net::rig {
inline std::atomic<int32_t> clockTicks{100000};

struct Plane {
    std::array<double, 3> position{}, velocity{};
    int32_t team = 1, type = 55, timeOfReset = 0, whoShotMe = -1, lastApplied = 0, paint = 0;
    double totalHits = 0;
    bool remote = false, down = false;
};

// A world of eight aircraft; slot 0 is this machine's own. A host shoots an aircraft down when
// the network's hits pass 20 and credits whoever shot it last.
struct World : EngineServices {
    std::array<Plane, 8> planes;
    std::array<std::array<int32_t, 2>, 8> results{};
    std::array<int32_t, 4> teams{}, left{};
    bool host = false, bombs = false;
    int missionStarts = 0, paintLookups = 0;
    int32_t paintTexture = -1;  // what a paint-job lookup finds

    explicit World(int seed) {
        for (int n = 0; n < 8; ++n) planes[n].position = {1000.0 * seed + 50.0 * n, 3000.0, 0.0};
        planes[0].velocity = {1.0 + seed, 0.0, 2.0};
    }
    void fly(int32_t ticks) {
        for (Plane& p : planes)  // remote ones too: straight on between their owner's reports
            for (int j = 0; j < 3; ++j) p.position[j] += p.velocity[j] * ticks;
    }
    SlotAircraft aircraftInSlot(int s) override { return {!planes[s].remote, planes[s].position[1], planes[s].team, planes[s].type}; }
    bool doIhaveBombs(int joiner) override { return joiner == 2; }
    uint32_t getMissionHash() override { return 0x1234; }
    double getMissionSeconds() override { return 7.0; }
    void startJoinerAircraft(int j, int32_t team, int32_t type) override {
        planes[j] = Plane{planes[j].position, {}, team, type, platform::TickCount()};
        planes[j].remote = true;
    }
    wire::StateBlockBytes stateBlock(int s) override {
        wire::AircraftState a;
        a.position = planes[s].position;
        a.velocity = planes[s].velocity;
        wire::StateBlockBytes b{};
        wire::encodeAircraftState(a, b.data());
        return b;
    }
    double totalHits(int s) override { return planes[s].totalHits; }
    void reportNetworkHits(int s, double hits) override {
        if (host && hits > 20 && !planes[s].down && planes[s].whoShotMe >= 0) ++results[planes[s].whoShotMe][0];
        planes[s].down = planes[s].down || hits > 20;
    }
    bool resetRecently(int s) override { return platform::TickCount() - planes[s].timeOfReset < 300; }
    void clearHits(int) override {}
    uint8_t kills(int s) override { return static_cast<uint8_t>(results[s][0]); }
    int modelCount() override { return 30; }
    bool isDead(int) override { return false; }
    Facts aircraftFacts(int s) override {
        const Plane& p = planes[s];
        return {true, p.team, p.type, p.position[1], p.whoShotMe};
    }
    int32_t resetTick(int s, int32_t) override { return planes[s].timeOfReset; }
    Applied applyStateBlock(int s, const wire::StateBlockBytes& block, int32_t delay) override {
        wire::AircraftState a;
        wire::decodeAircraftState(block.data(), block.size(), &a);
        for (int j = 0; j < 3; ++j) planes[s].position[j] = a.position[j] + a.velocity[j] * delay;
        planes[s].velocity = a.velocity;
        planes[s].remote = true;
        planes[s].lastApplied = platform::TickCount();
        return {};
    }
    void setRemoteLocal(int s, bool remote) override { planes[s].remote = remote; }
    void setWhoShotMe(int s, int32_t who) override { planes[s].whoShotMe = who; }
    void objectDeadFromNetwork(int, int, int32_t, bool) override {}
    std::array<std::array<int32_t, 2>, 8>& aircraftResults() override { return results; }
    std::array<int32_t, 4>& teamResults() override { return teams; }
    std::array<int32_t, 4>& leftTeamKills() override { return left; }
    void setIDHelp(bool, bool) override {}
    void setCameraRule(int32_t) override {}
    void setDogfightOnly(bool, bool, int32_t) override {}
    void setMissionHash(uint32_t, double) override {}
    void setMyJoinerBombs(bool carried, int) override { bombs = carried; }
    void setNetworkDogfightOnlyTeam(int32_t team, int s) override { planes[s].team = team; }
    void setNetworkAircraftTypeForAircraft(int s, int32_t type) override { planes[s].type = type; }
    void startThisAircraft(int, bool) override {}
    void parkAircraft(int s) override { planes[s].position = {0.0, -10000.0, 0.0}; }
    void setMissionNumber(int32_t) override {}
    void StartMission() override { ++missionStarts; }
    void joinerGotEndOfGame() override {}
    int32_t getJoinerAircraftType() override { return planes[0].type; }
    std::string autoMessage(int k) override { return "Canned " + std::to_string(k + 1); }
    void playSound(int32_t, int32_t) override {}
    int32_t tryForCustomPaintJobBig(const std::string&) override { return ++paintLookups, paintTexture; }
    int32_t tryForCustomPaintJobSmall(const std::string&) override { return -1; }
    void deleteTexture(int32_t) override {}
    void setCustomPaintJob(int s, int32_t big, int32_t) override { planes[s].paint = big; }
};

struct Machine;
// Every machine of the running test, and whether a stranger or a lost datagram makes the
// joiners' side of the count unknowable (then only what reaches the host is waited for).
inline std::vector<Machine*> machines;
inline bool uncounted = false;
// What a relay has passed on to the host and to the joiners; -1 while no relay stands between.
inline long relayedToHost = -1, relayedToJoiners = -1;
// What the host sent to joiners that had left (countLossesSoFar): never to be heard.
inline long lostToJoiners = 0;

struct Machine {
    World world;
    BSDNetworkSockets link;
    bool deaf = false;  // its socket closed: what is sent to it is lost
    long sentBefore = 0, heardBefore = 0;  // datagrams of its games before the one it is in
    Machine(int seed, const std::string& name, int32_t team) : world(seed) {
        world.planes[0].team = team;
        link.setEngineServices(&world);
        link.setJoinerParticularsName(makePlayerString(name), kLoopback, team, 0);
        machines.push_back(this);
    }
    ~Machine() {
        link.closeNetworkRoutines();
        std::erase(machines, this);
        if (machines.empty()) {
            uncounted = false;
            relayedToHost = relayedToJoiners = -1;
            lostToJoiners = 0;
        }
    }
    long heard() { return link.ring().stored() + link.ring().dropped(); }
    // Leaves the game as the player's quit does, or falls silent with its socket shut.
    void quit() {
        link.closeNetworkRoutines();
        deaf = true;
    }
    void silence() {
        link.closeSocket();
        deaf = true;
    }
    void host() {
        world.host = true;
        ASSERT_EQ(link.startNetworkRoutines(0, BSDNetworkSockets::kHost, world.planes[0].team), 0);
        GameRules rules;
        rules.killsToWin = 5;
        rules.dogfightOnly = 1;
        link.setResetTime(rules, 0, 0);
    }
    void join(uint16_t hostPort) {
        sentBefore += link.packetsSent();  // the start counts its traffic from none
        heardBefore += heard();
        ASSERT_EQ(link.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, world.planes[0].team), 0);
        link.setCurrentPort(hostPort);
    }
    std::string line(int n) const { return std::string(link.messageLine(n)); }
    void type(const std::string& text) {
        link.setMessageChannel(0);
        link.handleTypingAMessage(1070);
        for (char c : text) link.handleTypingAMessage(c);
        link.handleTypingAMessage(13);
    }
};

// Waits until every datagram the joiners sent has been stored by the host's receiver and, while
// every machine listens and no stranger talks, every datagram the host sent by its joiners', so
// the next frame reads what a quiet network would have delivered by then.
inline void settle() {
    Machine* host = nullptr;
    for (Machine* m : machines)
        if (m->world.host) host = m;
    if (!host) return;
    const auto behind = [&] {
        long toHost = 0, joinersHeard = 0;
        bool deaf = host->deaf;
        for (Machine* m : machines) {
            if (m == host) continue;
            toHost += m->sentBefore + m->link.packetsSent();
            joinersHeard += m->heardBefore + m->heard();
            deaf |= m->deaf;
        }
        const long toJoiners = host->link.packetsSent() - lostToJoiners;
        if (relayedToHost >= 0) return host->heard() < relayedToHost || joinersHeard < relayedToJoiners;
        return (!host->deaf && host->heard() < toHost) || (!deaf && !uncounted && joinersHeard < toJoiners);
    };
    testing::waitFor([&] { return !behind(); }, "every datagram of the frame to reach its receiver");
}

// Once every joiner has left and the host has let them go, what it sent them that they did not
// hear is lost: counted as such, the joiners are waited for again as they come back.
inline void countLossesSoFar() {
    long heard = 0;
    Machine* host = nullptr;
    for (Machine* m : machines) {
        if (m->world.host) {
            host = m;
        } else {
            heard += m->heardBefore + m->heard();
            m->deaf = false;  // nothing more is sent to it until it joins again
        }
    }
    if (host) lostToJoiners = host->link.packetsSent() - heard;
}

// Runs `frames` frames of `ticks` each on every machine: each flies, then runs the engine; then
// the datagrams of the frame are let arrive.
template <class Between>
void run(std::vector<Machine*> running, int frames, int32_t ticks, Between&& between) {
    for (int f = 0; f < frames; ++f) {
        clockTicks += ticks;
        for (Machine* m : running) {
            m->world.fly(ticks);
            m->link.NetworkComm(clockTicks);
        }
        between();
        settle();
    }
}
inline void run(std::vector<Machine*> running, int frames, int32_t ticks = 3) {
    run(std::move(running), frames, ticks, [] {});
}
// Runs frames as run() does until `happened` holds, at most `frames` of them: for what a machine
// learns from a datagram settle() cannot count (one sent while another machine is deaf).
template <class Event>
bool runUntil(const std::vector<Machine*>& running, int frames, Event&& happened) {
    for (int f = 0; f < frames && !happened(); ++f) run(running, 1);
    return happened();
}

// Stands between the host and joiners: joiner k talks to relay port k, which passes its
// datagrams to the host and the host's answers back, losing `loss` of them, sending some twice
// and holding some back behind later ones.
class Relay {
public:
    Relay(uint16_t hostPort, int joiners, double loss, uint32_t seed) : hostPort_(hostPort), loss_(loss), random_(seed) {
        relayedToHost = relayedToJoiners = 0;
        for (int k = 0; k < joiners; ++k) {
            auto& s = legs_.emplace_back(std::make_unique<Leg>());
            std::string error;
            EXPECT_TRUE(s->socket.open(0, &error)) << error;
        }
    }
    uint16_t port(int k) const { return legs_[k]->socket.localPort(); }
    void pump() {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        for (auto& leg : legs_) {
            std::array<uint8_t, 600> buffer;
            platform::UdpEndpoint from;
            for (long n; (n = leg->socket.receive(buffer, &from)) >= 0;) {
                const bool fromHost = from.port == hostPort_;
                if (!fromHost) leg->joinerPort = from.port;
                const uint16_t to = fromHost ? leg->joinerPort : hostPort_;
                if (to == 0 || chance(random_) < loss_) continue;
                Held h{to, std::vector<uint8_t>(buffer.begin(), buffer.begin() + n)};
                if (chance(random_) < 0.1) leg->held.push_back(h);  // overtaken by the next
                else send(*leg, h);
                if (chance(random_) < 0.05) send(*leg, h);
            }
            if (leg->held.size() > 1 || (leg->held.size() == 1 && chance(random_) < 0.5)) {
                send(*leg, leg->held.front());
                leg->held.pop_front();
            }
        }
    }

private:
    struct Held {
        uint16_t to;
        std::vector<uint8_t> bytes;
    };
    struct Leg {
        platform::UdpSocket socket;
        uint16_t joinerPort = 0;
        std::deque<Held> held;
    };
    void send(Leg& leg, const Held& h) {
        leg.socket.sendTo({kLoopback, h.to}, h.bytes);
        ++(h.to == hostPort_ ? relayedToHost : relayedToJoiners);
    }
    uint16_t hostPort_;
    double loss_;
    std::mt19937 random_;
    std::vector<std::unique_ptr<Leg>> legs_;
};

// A machine outside the game that sends hand-made packets and reads what comes back.
struct Stranger {
    platform::UdpSocket socket;
    Stranger() {
        uncounted = true;
        std::string error;
        EXPECT_TRUE(socket.open(0, &error)) << error;
    }
    uint16_t port() const { return socket.localPort(); }
    // The next answer waiting in the socket, {0, 0} when none is.
    std::pair<uint8_t, uint8_t> nextAnswer() {
        std::array<uint8_t, 600> buffer;
        platform::UdpEndpoint from;
        for (long n; (n = socket.receive(buffer, &from)) >= 0;)
            if (n >= 4 && buffer[2] != kNewGamePacket && buffer[2] != kPlayerNamesPacket) return {buffer[2], buffer[3]};
        return {0, 0};
    }
    template <class Build>
    void send(uint16_t to, Build&& build) {
        std::array<uint8_t, kSendSlotBytes> bytes{};
        const size_t n = build(SendSlot(bytes));
        socket.sendTo({kLoopback, to}, std::span<const uint8_t>(bytes.data(), n));
    }
    // Sends a hand-made packet to `m` and runs two of its frames once its receiver has it.
    template <class Build>
    void deliver(Machine& m, Build&& build) {
        const long before = m.heard();
        send(m.link.localPort(), build);
        testing::waitFor([&] { return m.heard() != before; }, "the hand-made packet to reach its machine");
        run({&m}, 2);
    }
    // The type and byte 3 of the next answer once it has come (the host's new-game and names
    // packets to every joiner let pass), {0, 0} after a failure when none comes.
    std::pair<uint8_t, uint8_t> answer() {
        std::pair<uint8_t, uint8_t> got{0, 0};
        testing::waitFor([&] { return (got = nextAnswer()).first != 0; }, "an answer to the stranger");
        return got;
    }
    // Whether nothing but those packets has come. A machine's frame sends before it returns, and
    // loopback hands a datagram over within the send, so what its frames answered is here already.
    bool unanswered() { return nextAnswer().first == 0; }
};

}  // namespace pellam::net::rig
