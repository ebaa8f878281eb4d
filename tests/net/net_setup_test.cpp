// The setup senders on a host with two joiners on loopback ports, driven tick by tick: the
// repeat schedules of the join request, new game, names and quit packets, what each joiner
// receives, the accept's slot search and the decline list.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/NetworkSockets.h"
#include "tests/net/engine_rig.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

struct FakeGame : SetupServices {
    SlotAircraft aircraftInSlot(int slot) override {
        SlotAircraft a;
        a.local = slot == 0 || slot == 5;  // the host and one computer pilot
        a.height = 1000.0;
        a.team = slot == 0 ? 2 : 3;
        a.aircraftType = slot == 0 ? 64 : 77;
        return a;
    }
    bool doIhaveBombs(int joiner) override { return joiner == 2; }
    uint32_t getMissionHash() override { return 0x11223344; }
    double getMissionSeconds() override { return 1.5; }
    void startJoinerAircraft(int joiner, int32_t team, int32_t type) override { started.push_back(joiner); }
    std::vector<int> started;
};

std::atomic<int32_t> now{1000};
int waited = 0;
void countWait(int32_t ticks) { waited += ticks; }

TEST(SetupSenders, SchedulesAndWhatJoinersReceive) {
    platform::ScopedTickSource clock([] { return now.load(); });
    FakeGame game;
    BSDNetworkSockets host, one, two;
    host.setServices(&game);
    host.setJoinerParticulars(makePlayerString("McCudden"), 0, 2, 60);
    ASSERT_EQ(host.startNetworkRoutines(0, BSDNetworkSockets::kHost, 2), 0);
    one.setJoinerParticulars(makePlayerString("Mannock"), kLoopback, 1, 60);
    ASSERT_EQ(one.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 1), 0);
    ASSERT_EQ(two.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 1), 0);
    one.setCurrentPort(host.localPort());

    // A joiner asking every frame sends once per 301 ticks.
    for (int t = 0; t < 700; ++t, ++now) one.SendIwantToPlay(kLoopback);
    EXPECT_EQ(one.packetsSent(), 3);
    ReceivedPacket p;
    ASSERT_TRUE(arrive(host, kJoinRequestPacket, &p));
    EXPECT_EQ(parseJoinRequest(p.packet())->name, "Mannock");

    host.setJoiner(1, kLoopback, one.localPort());
    host.setJoinerRequest(1, 55);
    host.setCurrentPort(one.localPort());  // the accept goes where the request came from
    ASSERT_TRUE(host.AcceptJoiner(kLoopback, 1));
    host.setJoiner(2, kLoopback, two.localPort());
    EXPECT_EQ(game.started, std::vector<int>{1});
    EXPECT_EQ(host.lastJoinerInTime(1), now.load());

    GameRules rules;
    rules.missionNumber = 60;
    rules.dogfightOnly = 1;
    host.setResetTime(rules, 0, 0);
    host.setHostTeam(2);  // as every mission start does
    const long before = host.packetsSent();
    for (int t = 0; t < 800; ++t, ++now) {
        host.DoANew();
        host.sendPlayersNames();
    }
    // New game: ticks 0, 15, ..., 180 of the game; names: 0, 60, ..., 600; both to two joiners.
    EXPECT_EQ(host.packetsSent() - before, 2 * (13 + 11));

    ASSERT_TRUE(arrive(two, kNewGamePacket, &p));
    auto newGame = parseNewGame(p.packet());
    EXPECT_TRUE(newGame->bombs) << "joiner 2 carries bombs";
    EXPECT_EQ(newGame->rules.missionHash, 0x11223344u);
    EXPECT_EQ(newGame->rules.hostTeam, 2);
    ASSERT_TRUE(arrive(one, kNewGamePacket, &p));
    EXPECT_FALSE(parseNewGame(p.packet())->bombs);
    ASSERT_TRUE(arrive(one, kPlayerNamesPacket, &p));
    auto names = parsePlayerNames(p.packet());
    EXPECT_EQ(names->names[0], "McCudden");
    EXPECT_EQ(names->teams[0], 2);
    EXPECT_EQ(names->teams[1], 1) << "a joiner keeps the team of its request";
    EXPECT_EQ(names->aircraftTypes[1], 55);
    EXPECT_EQ(names->aircraftTypes[5], 77);
    ASSERT_TRUE(arrive(one, kAcceptPacket, &p));
    EXPECT_EQ(parseAccept(p.packet())->joinerNumber, 1);

    // Quit: ten rounds to each joiner, 3 ticks apart; a joiner not accepted sends none.
    waited = 0;
    const long sent = host.packetsSent();
    host.HostQuit(countWait);
    EXPECT_EQ(host.packetsSent() - sent, 20);
    EXPECT_EQ(waited, 60);
    waited = 0;
    two.JoinerQuit(countWait);
    EXPECT_EQ(waited, 0);
    ASSERT_TRUE(arrive(one, kQuitPacket, &p));
    EXPECT_EQ(parseQuit(p.packet())->name, "McCudden");
}

TEST(SetupSenders, AcceptSlotsAndDeclineList) {
    platform::ScopedTickSource clock([] { return now.load(); });
    BSDNetworkSockets host;
    for (int n = 1; n <= 7; ++n) {
        EXPECT_TRUE(host.AcceptJoiner(0, n));
        host.setJoiner(n, 0x0A000000u + n, 1);
    }
    const long beeps = platform::beepCount();
    EXPECT_FALSE(host.AcceptJoiner(0, 1)) << "every slot taken";
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_FALSE(BSDNetworkSockets{}.AcceptJoiner(0, 9)) << "no joiner 9";

    // The same address twice takes one entry; an eighth distinct address replaces the oldest.
    BSDNetworkSockets link;
    link.DeclineJoiner(100, 1);
    ++now;
    link.DeclineJoiner(100, 1);
    for (uint32_t a = 101; a <= 106; ++a, ++now) link.DeclineJoiner(a, 2);
    for (uint32_t a = 100; a <= 106; ++a) EXPECT_TRUE(link.wasDeclined(a));
    link.DeclineJoiner(107, 2);
    EXPECT_FALSE(link.wasDeclined(100));
    EXPECT_TRUE(link.wasDeclined(107));
    now += 3601;
    link.DeclineJoiner(108, 2);
    EXPECT_FALSE(link.wasDeclined(101)) << "forgotten after an hour";
}

}  // namespace
}  // namespace pellam::net
