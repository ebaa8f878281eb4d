// Admission on the host and the engine against packets it must not trust: each decline and when
// it is remembered, a lost accept answered again in a full game, bad slot bytes, strangers
// posing as players or as the host, bad teams, types and names, a host that never answers;
// typed messages and what is shown of another player's.
#include "net/SetupPackets.h"
#include "net/DataPackets.h"
#include "platform/Utf8.h"
#include "tests/net/engine_rig.h"

namespace pellam::net::rig {
namespace {

JoinRequest request(uint8_t team = 2, uint8_t type = 64, uint16_t version = 13, uint8_t appId = 2) {
    return {team, "Fonck", 0, version, appId, type};
}

void ask(Machine& host, Stranger& s, const JoinRequest& r) {
    s.deliver(host, [&](SendSlot slot) { return buildJoinRequest(r, makePlayerString(r.name), slot); });
}

std::pair<uint8_t, uint8_t> decline(uint8_t reason) { return {kDeclinePacket, reason}; }

TEST(Admission, DeclinesPendingRequestsAndALostAccept) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "Host", 1);
    host.host();
    Stranger a, b;

    const std::tuple<const char*, JoinRequest, uint8_t> refused[] = {
        {"another game", request(2, 64, 13, 3), 5}, {"another version", request(2, 64, 12), 4},
        {"no team 9", request(9, 64), 5}, {"no aircraft 99", request(2, 99), 5}};
    for (const auto& [what, r, reason] : refused) {
        ask(host, a, r);
        EXPECT_EQ(a.answer(), decline(reason)) << what;
    }

    // A full game declines; one already holding a slot (its accept was lost) is accepted again,
    // full or not; a slot freed later takes a requester refused as "full", since only the host
    // player's refusals are remembered.
    for (int n = 1; n <= 7; ++n) host.link.setJoiner(n, 0x0A000000 + n, 4000);
    ask(host, a, request());
    EXPECT_EQ(a.answer(), decline(1));
    host.link.setJoiner(5, kLoopback, b.port());
    ask(host, b, request());
    EXPECT_EQ(b.answer(), std::make_pair(uint8_t{kAcceptPacket}, uint8_t{5}));
    host.link.setJoiner(3, 0, 0);
    ask(host, a, request());
    EXPECT_EQ(host.link.getJoinerPending(), 2);

    // While one request waits another gets no answer at all. The host player declines: asking
    // again within the hour is declined at once, after it the request waits again.
    ask(host, b, request());
    EXPECT_TRUE(b.unanswered());
    host.link.declineJoiner();
    EXPECT_EQ(a.answer(), decline(2));
    ask(host, a, request());
    EXPECT_EQ(a.answer(), decline(2));
    run({&host}, 61, 60);
    ask(host, a, request());
    EXPECT_EQ(host.link.getJoinerPending(), 2) << "after the hour";
    host.link.acceptJoinerPublic();  // slot 3; joiner 5 has been let go for his silence

    // 64 senders of another version ask 50 times a frame of 3 ticks (1,000 a second), each
    // declined; a newcomer asking as the game does, every 301 ticks, is let in on his first
    // request, though the flood's come between it and the host's next frame.
    std::vector<platform::UdpSocket> flood(64);
    std::string error;
    for (platform::UdpSocket& s : flood) ASSERT_TRUE(s.open(0, &error)) << error;
    std::array<uint8_t, kSendSlotBytes> asked{};
    const size_t length = buildJoinRequest(request(2, 64, 12), makePlayerString("Flood"), SendSlot(asked));
    Machine newcomer(3, "Nungesser", 2);
    newcomer.join(host.link.localPort());
    long flooded = 0;
    const long heardBefore = host.heard();
    const auto floodAFrame = [&] {
        for (int k = 0; k < 50; ++k, ++flooded)
            flood[size_t(flooded) % flood.size()].sendTo({kLoopback, host.link.localPort()}, {asked.data(), length});
        testing::waitFor([&] { return host.heard() == heardBefore + flooded + newcomer.link.packetsSent(); },
                         "the frame's requests to reach the host");
        if (host.link.getJoinerPending() == 2) host.link.acceptJoinerPublic();
    };
    for (int f = 0; f < 100 && !newcomer.link.accepted(); ++f) run({&host, &newcomer}, 1, 3, floodAFrame);
    EXPECT_TRUE(newcomer.link.accepted()) << newcomer.line(0);
    EXPECT_EQ(newcomer.link.getJoinerNumber(), 5);
}

TEST(Admission, HostDropsBadSlotsAndStrangersAndShowsMessages) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "Host", 1);
    host.host();
    Stranger player, other, stranger;
    host.link.setJoiner(1, kLoopback, player.port());
    host.link.setJoiner(2, kLoopback, other.port());
    run({&host}, 120);  // past the first 300 ticks of the game

    auto data = [&](Stranger& from, uint8_t slot) {
        from.send(host.link.localPort(), [&](SendSlot s) {
            JoinerData d;
            d.slot = 1;
            d.hits = {30, 0, 0, 0, 0, 0, 0, 0};
            const size_t n = buildJoinerData(d, s);
            s[3] = slot;
            return n;
        });
    };
    // A bad slot byte drops that packet alone: the request in the same frame is still answered.
    data(player, 0);
    data(player, 9);
    ask(host, stranger, request());
    EXPECT_EQ(host.link.getJoinerPending(), 2);
    host.link.declineJoiner();
    // A stranger posing as joiner 1 is neither applied nor answered; joiner 1 itself is, though
    // the stranger's packets after his overrun the ring.
    data(stranger, 1);
    ask(host, stranger, request());  // runs the frames
    EXPECT_EQ(host.world.planes[1].lastApplied, 0);
    EXPECT_EQ(host.world.planes[0].whoShotMe, -1);
    const long heard = host.heard() + 1 + 2 * ReceiveRing::kSlots;
    data(player, 1);
    for (int i = 0; i < 2 * ReceiveRing::kSlots; ++i) data(stranger, 1);
    testing::waitFor([&] { return host.heard() == heard; }, "the flood to reach the host");
    ask(host, stranger, request());
    EXPECT_GT(host.world.planes[1].lastApplied, 0);
    EXPECT_EQ(player.answer().first, kHostDataPacket);

    // Typed messages on the host player's own line: erasing stops at the own line, a line holds
    // 115 characters, and the canned messages' number wraps after 15.
    BSDNetworkSockets& link = host.link;
    const std::string own = "#1:Host:R/ 0:";
    auto keys = [&](std::initializer_list<int32_t> codes) {
        for (int32_t c : codes) link.handleTypingAMessage(c);
    };
    link.setMessageChannel(1);
    keys({1070});
    EXPECT_EQ(host.line(0), own + "*TEAM*");
    keys({'a', 'b', 8, 8, 8, 8, 8, 8, 8, 127});
    EXPECT_EQ(host.line(0), own + "_");
    for (int i = 0; i < 200; ++i) keys({'x'});
    EXPECT_EQ(host.line(0).size(), 115u);
    keys({27});
    EXPECT_EQ(host.line(0), own);
    link.exchange().messageNumber = 15;
    keys({73});
    EXPECT_EQ(link.exchange().messageNumber, 0);
    EXPECT_EQ(link.exchange().tempForSend, own + "Canned 3");

    // From joiner 1: a team message of another side kept for passing on but not shown; one for
    // ours shown and marked.
    auto say = [&](uint8_t number, uint8_t channel, const std::string& text) {
        player.deliver(host, [&](SendSlot s) {
            JoinerData d;
            d.slot = 1;
            d.message = {true, number, channel, 0, text};
            return buildJoinerData(d, s);
        });
    };
    const std::string before = host.line(1);
    say(1, 2, "#1:Ball:B/ 0:blue only");
    EXPECT_EQ(host.line(1), before);
    EXPECT_EQ(link.exchange().lastMessageFrom[1].text, "#1:Ball:B/ 0:blue only");
    say(2, 1, "#1:Ball:R/ 0:red");
    EXPECT_EQ(host.line(1), "#2:Ball:R/ 0:\x1d\x1e\x1fred");

    // Quits: the host's slot 0 and another's slot cannot be freed by a stranger; two real quits
    // close together both free their slots.
    auto quit = [&](Stranger& from, uint8_t slot) {
        from.deliver(host, [&](SendSlot s) { return buildQuit(slot, makePlayerString("Q"), s); });
    };
    quit(stranger, 0);
    quit(stranger, 2);
    EXPECT_EQ(host.link.numberOfJoiners(), 2);
    quit(player, 1);
    quit(other, 2);
    EXPECT_EQ(host.link.numberOfJoiners(), 0);

    // Kill counts of 100 and more keep to two digits.
    host.world.results[1][0] = 150;
    run({&host}, 1);
    EXPECT_EQ(host.line(5).substr(21, 2), "99");
}

TEST(Admission, JoinerTrustsOnlyItsHost) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Stranger hostSocket, stranger;
    Machine joiner(1, "Guynemer", 3);
    joiner.join(hostSocket.port());
    run({&joiner}, 2);
    EXPECT_EQ(hostSocket.answer().first, kJoinRequestPacket);

    stranger.deliver(joiner, [](SendSlot s) { return buildDecline(2, s); });
    EXPECT_EQ(joiner.link.getNetworkMode(), 1) << "a stranger's decline";
    hostSocket.deliver(joiner, [](SendSlot s) {
        const size_t n = buildAccept(Accept{}, s);
        s[3] = 9;
        return n;
    });
    EXPECT_FALSE(joiner.link.accepted()) << "no slot 9";
    hostSocket.deliver(joiner, [](SendSlot s) {  // a game won by team kills
        return buildAccept(Accept{3, GameRules{.dogKillType = 1}, false}, s);
    });
    ASSERT_TRUE(joiner.link.accepted());
    hostSocket.deliver(joiner, [](SendSlot s) { return buildDecline(1, s); });
    EXPECT_EQ(joiner.link.getNetworkMode(), 1) << "a decline after the accept";
    stranger.deliver(joiner, [](SendSlot s) { return buildQuit(0, makePlayerString("X"), s); });
    EXPECT_TRUE(joiner.link.accepted()) << "a stranger's quit";

    // Names: bad teams and types are not applied; a name that is no plain file name gets no
    // paint job looked up.
    PlayerNames names;
    names.names = {"Host", "../../etc", "Nungesser", "Guynemer"};
    names.teams = {1, 9, 2, 3};
    names.aircraftTypes = {55, 99, 64, 77};
    hostSocket.deliver(joiner, [&](SendSlot s) { return buildPlayerNames(names, s); });
    EXPECT_EQ(joiner.link.getJoinerTeam(1), 0);
    EXPECT_EQ(joiner.link.getJoinerTypeForJoiner(1), 0);
    EXPECT_EQ(joiner.link.getJoinerTeam(2), 2);
    EXPECT_EQ(joiner.world.paintLookups, 2) << "the host (now slot 3) and Nungesser, not ../../etc";
    EXPECT_EQ(joiner.world.planes[2].type, 64);
    EXPECT_EQ(joiner.world.missionStarts, 4) << "the first names open the start window: two starts in each frame";
    // A host of another build leaves bytes 211-219 as its send slot held them: no departed
    // players' kills are read from them, so the teams' tallies stay the players' own.
    names.leftTeamKills = {0, 3, 0, 0};
    hostSocket.deliver(joiner, [&](SendSlot s) { return buildPlayerNames(names, s); });
    EXPECT_EQ(joiner.world.left[1], 3);
    EXPECT_EQ(joiner.world.teams[1], 3) << "a game won by team kills counts them for blue";
    hostSocket.deliver(joiner, [&](SendSlot s) {
        const size_t n = buildPlayerNames(names, s);
        std::fill(s.begin() + 211, s.begin() + 220, uint8_t{0xC8});
        return n;
    });
    EXPECT_EQ(joiner.world.left, (std::array<int32_t, 4>{}));
    EXPECT_EQ(joiner.world.teams, (std::array<int32_t, 4>{})) << "nobody has scored";
    names.leftTeamKills = {};
    // Names that are no UTF-8, or cut inside a character on the wire, are held as strict UTF-8
    // within the name's 20 bytes: this player's own (slot 3 at the host) too.
    names.names = {"Host", "Fonck \xED\xA0\x80", "Navarre de Cal \xC3\xA9\xC3\xA9\xC3\xA9", "Guynemer \xFF"};
    hostSocket.deliver(joiner, [&](SendSlot s) { return buildPlayerNames(names, s); });
    for (int slot = 0; slot < 8; ++slot) {
        const std::string name = joiner.link.getThisPlayerNamesPtr(slot);
        EXPECT_TRUE(platform::validUtf8(name) && name.size() <= kMaxNameChars) << slot;
    }
    // A player who has gone from the list takes the paint job along.
    joiner.world.paintTexture = 7;
    names.names[2] = "Nungesser";
    hostSocket.deliver(joiner, [&](SendSlot s) { return buildPlayerNames(names, s); });
    EXPECT_EQ(joiner.world.planes[2].paint, 7);
    names.names[2].clear();
    hostSocket.deliver(joiner, [&](SendSlot s) { return buildPlayerNames(names, s); });
    EXPECT_LE(joiner.world.planes[2].paint, 0);
    EXPECT_LE(joiner.link.paintJob(2, 0), 0);

    // Host data that the receiver stamped a tick after this frame read the clock: the host has
    // just spoken, not been silent for 2^32 - 1 ticks. A stranger's host data after it, more
    // than the ring holds, takes nothing from it.
    std::array<uint8_t, kSendSlotBytes> data{};
    const size_t length = buildHostData(HostData{}, SendSlot(data));
    joiner.link.ring().store({data.data(), length}, clockTicks + 1, {kLoopback, hostSocket.port()});
    for (int i = 0; i < 2 * ReceiveRing::kSlots; ++i)
        joiner.link.ring().store({data.data(), length}, clockTicks + 1, {kLoopback, stranger.port()});
    joiner.link.NetworkComm(0);
    EXPECT_EQ(joiner.link.getNetworkMode(), 1) << joiner.line(1);
    EXPECT_EQ(joiner.world.planes[1].lastApplied, clockTicks) << "the host's data applied";

    // A host that sends nothing more is given up a minute later.
    run({&joiner}, 62, 60);
    EXPECT_EQ(joiner.line(1), "Host appears to have ended the game, no response");
}

}  // namespace
}  // namespace pellam::net::rig
