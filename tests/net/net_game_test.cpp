// Whole network games between machines in one process over 127.0.0.1, on a hand-moved clock:
// a host and two joiners through a game's life, and eight players through a lossy relay.
#include "tests/net/engine_rig.h"

namespace pellam::net::rig {
namespace {

double distance(const Plane& a, const Plane& b) {
    return std::hypot(a.position[0] - b.position[0], a.position[1] - b.position[1], a.position[2] - b.position[2]);
}

TEST(NetworkGame, HostAndTwoJoinersFromJoinToSilence) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "Richthofen", 1), ball(1, "Ball", 2), voss(2, "Voss", 1);
    ball.world.planes[0].type = 64;
    host.host();
    ball.join(host.link.localPort());
    voss.join(host.link.localPort());
    std::vector<Machine*> all{&host, &ball, &voss};

    // Both ask; the host player accepts each request as its prompt comes up.
    for (int joined = 0; joined < 2; ++joined) {
        for (int f = 0; f < 150 && host.link.getJoinerPending() != 2; ++f) run(all, 1);
        ASSERT_EQ(host.link.getJoinerPending(), 2);
        EXPECT_NE(host.line(0).find(" wants to play, press control a"), std::string::npos);
        host.link.acceptJoinerPublic();
        run(all, 30);
    }
    run(all, 90);
    ASSERT_TRUE(ball.link.accepted() && voss.link.accepted());
    Machine& first = ball.link.getJoinerNumber() == 1 ? ball : voss;
    Machine& second = &first == &ball ? voss : ball;
    EXPECT_EQ(host.link.numberOfJoiners(), 2);

    // Names, the host's mission started, bombs for joiner 2 alone, and each joiner's team and
    // aircraft type as its join asked, known to everybody.
    EXPECT_EQ(first.link.getThisPlayerNamesPtr(first.link.getJoinerNumber()), "Richthofen");
    EXPECT_EQ(first.link.getThisPlayerNamesPtr(second.link.getJoinerNumber()), second.link.getThisPlayerNamesPtr(0));
    EXPECT_GT(ball.world.missionStarts, 0);
    EXPECT_TRUE(second.world.bombs && !first.world.bombs);
    for (Machine* m : all)
        for (Machine* j : {&ball, &voss}) {
            if (m == j) continue;
            const Plane& seen = m->world.planes[j->link.getJoinerNumber()];
            EXPECT_EQ(seen.team, j->world.planes[0].team) << j->line(0);
            EXPECT_EQ(seen.type, j->world.planes[0].type) << j->line(0);
        }

    // Each joiner's data answered with the seven others; poses follow their owners.
    run(all, 140);  // 420 ticks
    for (int n = 1; n < 8; ++n) EXPECT_GT(ball.world.planes[n].lastApplied, clockTicks - 60) << "slot " << n;
    const int b = ball.link.getJoinerNumber();
    EXPECT_LT(distance(ball.world.planes[b], host.world.planes[0]), 150.0);
    EXPECT_LT(distance(host.world.planes[b], ball.world.planes[0]), 150.0);
    EXPECT_LT(distance(voss.world.planes[b], ball.world.planes[0]), 250.0) << "relayed through the host";

    // The first joiner hits the second: the host sums the counts, shoots it down, credits it.
    const int victimAtHost = second.link.getJoinerNumber();
    first.world.planes[victimAtHost].totalHits = 30;
    run(all, 40);
    EXPECT_TRUE(host.world.planes[victimAtHost].down);
    EXPECT_EQ(host.world.results[first.link.getJoinerNumber()][0], 1);
    EXPECT_TRUE(second.world.planes[0].down) << "told by the host's hit counts";
    EXPECT_EQ(first.world.results[0][0], 1) << "its own kills as the host counts them";

    // A new game restarts the joiners' mission with a notice.
    const int starts = ball.world.missionStarts;
    GameRules rules;
    rules.killsToWin = 7;
    host.link.setResetTime(rules, 0, 0);
    run(all, 80);
    EXPECT_GT(ball.world.missionStarts, starts);
    EXPECT_EQ(ball.line(1), "Host started a new game");

    // A quit frees the slot and the others are told.
    // (While one machine is deaf, settle() cannot count what the host sends the others.)
    second.quit();
    const auto told = [](Machine& m) { return m.line(1).find("has quit the game") != std::string::npos; };
    EXPECT_TRUE(runUntil({&host, &first}, 4000, [&] { return told(host) && told(first); }))
        << host.line(1) << " / " << first.line(1);
    EXPECT_EQ(host.link.numberOfJoiners(), 1);

    // The other leaves too. The first to leave comes back into the other's slot, a newcomer takes
    // his, and the other comes back into the next: nobody is told of a quit whose player is in
    // the game again, nor of one whose slot another has since taken.
    first.quit();
    ASSERT_TRUE(runUntil({&host}, 400, [&] { return host.link.numberOfJoiners() == 0; }));
    countLossesSoFar();
    Machine udet(3, "Udet", 2);
    all = {&host};
    for (const auto& [m, slot] : {std::pair{&second, 1}, {&udet, 2}, {&first, 3}}) {
        m->join(host.link.localPort());
        all.push_back(m);
        ASSERT_TRUE(runUntil(all, 150, [&] { return host.link.getJoinerPending() == 2; }));
        host.link.acceptJoinerPublic();
        // In, and every message the host keeps for him has reached him.
        ASSERT_TRUE(runUntil(all, 400, [&] { return m->link.accepted() && relaySlot(slot, host.link.exchange()) < 0; }));
        EXPECT_EQ(m->link.getJoinerNumber(), slot);
    }
    for (Machine* m : {&second, &udet, &first})
        for (int n = 1; n < 5; ++n) EXPECT_EQ(m->line(n).find("has quit"), std::string::npos) << m->line(n);

    // The host falls silent: after a minute the joiner gives up.
    host.silence();
    run({&first}, 62, 60);
    EXPECT_EQ(first.link.getNetworkMode(), 0);
    EXPECT_EQ(first.line(1), "Host appears to have ended the game, no response");
}

// An aircraft set up in the very step that reads a count of hits on it, its set-up stamped a
// tick before, on, or a tick after the step's own clock: neither the host's count from before
// (on the joiner) nor a joiner's (on the host) may touch it.
TEST(NetworkGame, AFreshAircraftIgnoresCountsFromBeforeItsSetUp) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "Immelmann", 1), joiner(1, "Hawker", 2);
    host.host();
    joiner.join(host.link.localPort());
    std::vector<Machine*> all{&host, &joiner};
    ASSERT_TRUE(runUntil(all, 150, [&] { return host.link.getJoinerPending() == 2; }));
    host.link.acceptJoinerPublic();
    run(all, 150);  // past the settling of a new game's counts
    ASSERT_TRUE(joiner.link.accepted());
    const int j = joiner.link.getJoinerNumber();
    for (int32_t stamp : {-1, 0, 1}) {
        SCOPED_TRACE(stamp);
        // The host still counts 30 hits on the joiner's aircraft, which has just been set up.
        host.world.planes[j].totalHits = 30.0;
        joiner.world.planes[0].down = false;
        clockTicks += 3;
        host.link.setCurrentPort(joiner.link.localPort());
        host.link.SendHostData(kLoopback, j);
        settle();
        clockTicks += 3;
        joiner.world.planes[0].timeOfReset = clockTicks + stamp;
        joiner.link.NetworkComm(clockTicks);
        EXPECT_FALSE(joiner.world.planes[0].down) << "downed by the host's count from before";

        // The joiner counts 30 on the host's aircraft 3, set up in the host's step.
        joiner.world.planes[3].totalHits = 30.0;
        host.link.exchange().hostHitTally[j][3] = 0.0;
        clockTicks += 3;
        joiner.link.exchange().lastSquawkTime = clockTicks - 21;
        joiner.link.SendJoinerData();
        settle();
        clockTicks += 3;
        host.world.planes[3].timeOfReset = clockTicks + stamp;
        host.world.planes[3].whoShotMe = -1;
        host.link.NetworkComm(clockTicks);
        EXPECT_EQ(host.link.exchange().hostHitTally[j][3], 0.0);
        EXPECT_EQ(host.world.planes[3].whoShotMe, -1);
        joiner.world.planes[3].totalHits = 0.0;
        host.world.planes[j].totalHits = 0.0;
        settle();
    }
}

TEST(NetworkGame, EightPlayersForTwoMinutesThroughALossyRelay) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "Host", 1);
    host.host();
    Relay relay(host.link.localPort(), 7, 0.2, 1918);
    std::vector<std::unique_ptr<Machine>> joiners;
    std::vector<Machine*> all{&host};
    for (int k = 0; k < 7; ++k) {
        joiners.push_back(std::make_unique<Machine>(k + 1, "Pilot" + std::to_string(k + 1), 1 + k % 4));
        joiners.back()->join(relay.port(k));
        all.push_back(joiners.back().get());
    }
    const auto between = [&] {
        relay.pump();
        if (host.link.getJoinerPending()) host.link.acceptJoinerPublic();  // the automatic host
    };
    run(all, 1600, 3, between);
    // A line typed once must reach every other machine exactly once, with the writer's number,
    // however many of its datagrams were lost, sent twice or overtaken.
    joiners[3]->type("Over Cambrai");
    run(all, 800, 3, between);  // 7,200 ticks in all

    EXPECT_EQ(host.link.numberOfJoiners(), 7);
    for (Machine* m : all) {
        if (m != &host) {
            EXPECT_TRUE(m->link.accepted() && m->link.getNetworkMode() == 1);
        }
        std::string writer = "#";
        writer += std::to_string(joiners[3]->link.getJoinerNumber() + 1) + ":Pilot4:";
        int shown = 0;
        for (int line = 1; line < 5; ++line)
            shown += m->line(line).rfind(writer, 0) == 0 && m->line(line).find("Over Cambrai") != std::string::npos;
        EXPECT_EQ(shown, m == joiners[3].get() ? 0 : 1) << m->line(0);
        for (int n = 1; n < 8; ++n) {
            const Plane& seen = m->world.planes[n];
            EXPECT_GT(seen.lastApplied, clockTicks - 600) << "machine " << m->line(0) << " slot " << n;
            // Whose aircraft this is, in that machine's numbering, and where its owner has it.
            const int hostSlot = m == &host ? n : (n == m->link.getJoinerNumber() ? 0 : n);
            Machine* owner = hostSlot == 0 ? &host : nullptr;
            for (Machine* o : all)
                if (o != &host && o->link.getJoinerNumber() == hostSlot) owner = o;
            ASSERT_NE(owner, nullptr);
            EXPECT_LT(distance(seen, owner->world.planes[0]), 600.0);
        }
    }
}

}  // namespace
}  // namespace pellam::net::rig
