// What comes in from the network and how it is read: the packets, the receive ring and the
// games-list page.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "net/DataPackets.h"
#include "net/PublicGames.h"
#include "net/ReceiveRing.h"
#include "net/SetupPackets.h"

namespace pellam::net {
namespace {

// Packets through their builders and parsers, and parsers that refuse what a peer could send to
// crash or confuse the game: short packets, lying lengths, slots out of range.
struct Slot {
    std::array<uint8_t, kSendSlotBytes> bytes;
    Slot() { bytes.fill(0xEE); }  // what an earlier packet left behind
    SendSlot span() { return SendSlot(bytes); }
    std::vector<uint8_t> first(size_t n) const { return {bytes.begin(), bytes.begin() + n}; }
};

const GameRules kUserMission{.hostTeam = 2, .missionNumber = 53, .idHelp = 3, .cameraRule = 1, .killsToWin = 25,
                             .dogfightOnly = 1, .dogfightStart = 4, .dogfightRestart = 5, .dogKillType = 1,
                             .missionHash = 0x01020304, .missionSeconds = 2.0};

TEST(Packets, RoundTripAndBounds) {
    Slot s;
    GameRules builtIn = kUserMission;
    builtIn.missionNumber = 7;
    ASSERT_EQ(buildAccept({3, builtIn, false}, s.span()), 50u);
    for (size_t i = 13; i < 50; ++i) EXPECT_EQ(s.bytes[i], 0) << "a built-in mission sends no hash, byte " << i;

    buildAccept({7, kUserMission, true}, s.span());
    auto accept = parseAccept(s.first(50));
    ASSERT_TRUE(accept);
    EXPECT_EQ(accept->rules, kUserMission);
    for (uint8_t outside : {0, 8}) {  // joiner numbers that index past the tables
        s.bytes[3] = outside;
        EXPECT_FALSE(parseAccept(s.first(50))) << int{outside};
    }

    const std::string longName = makePlayerString("Abcdefghijklmnopqrstuvwxyz");
    buildJoinRequest({4, "", 7, 13, 2, 77}, longName, s.span());
    EXPECT_EQ(parseJoinRequest(s.first(120))->name, "Abcdefghijklmnop") << "a name is cut to 16";
    buildQuit(9, longName, s.span());
    EXPECT_FALSE(parseQuit(s.first(60))) << "joiner 9 does not exist";

    PlayerNames names;
    buildPlayerNames(names, s.span());
    s.bytes[3] = 255;  // a length byte claiming 255 characters gives at most 20
    std::fill(s.bytes.begin() + 4, s.bytes.begin() + 27, 'x');
    EXPECT_EQ(parsePlayerNames(s.first(220))->names[0], std::string(20, 'x'));
    // The departed players' kills come back only from a packet that holds them and marks them as
    // sent; a 211-byte packet, or one whose bytes 211-219 are a slot's leftovers, has none.
    names.leftTeamKills = {4, 0, 9, 1};
    buildPlayerNames(names, s.span());
    EXPECT_EQ(parsePlayerNames(s.first(220))->leftTeamKills, names.leftTeamKills);
    s.bytes[1] = 211;
    EXPECT_EQ(parsePlayerNames(s.first(211))->leftTeamKills, (std::array<uint8_t, 4>{}));
    s.bytes[1] = 220;
    s.bytes[203] ^= 1;  // a type changed after the print was taken, as leftovers never match
    EXPECT_EQ(parsePlayerNames(s.first(220))->leftTeamKills, (std::array<uint8_t, 4>{}));

    // Shorter than what the reader looks at, or shorter than its own header says: refused.
    buildDecline(2, s.span());
    EXPECT_FALSE(parseDecline(s.first(3)));
    buildNewGame({}, s.span());
    EXPECT_FALSE(parseNewGame(s.first(25)));
    EXPECT_FALSE(parseJoinRequest(s.first(120))) << "a new-game packet is no join request";

    // A text longer than any line is cut to 200.
    JoinerData jd;
    jd.slot = 3;
    jd.message = {true, 9, 2, 0, std::string(300, 'm')};
    ASSERT_EQ(buildJoinerData(jd, s.span()), 261u);
    EXPECT_EQ(parseJoinerData(s.first(261))->message.text, std::string(200, 'm'));
    s.bytes[60] = 201;  // the text's length byte must end inside the packet
    EXPECT_FALSE(parseJoinerData(s.first(261)));
    s.bytes[60] = 200;
    s.bytes[3] = 8;  // the slot must index the tables
    EXPECT_FALSE(parseJoinerData(s.first(261)));

    HostData hd;
    hd.message = {true, 15, 4, 6, "Archie over the wood"};
    const size_t n = buildHostData(hd, s.span());
    EXPECT_EQ(parseHostData(s.first(n))->message.fromSlot, 6);
    s.bytes[267] = 8;  // a sender slot past the tables
    EXPECT_FALSE(parseHostData(s.first(n)));
    EXPECT_FALSE(parseHostData(s.first(265)));
}

TEST(Packets, CountsDelayAndDeadObjects) {
    EXPECT_EQ(hitByte(256.0), 255) << "a 256th hit must not read as none";
    EXPECT_EQ(hitByte(-3.0), 0);

    EXPECT_EQ(networkDelay(1000, 980), 10);
    EXPECT_EQ(networkDelay(0x10005, 0xFFFB), 5) << "the tick's low 16 bits wrapped past the echo";
    EXPECT_EQ(networkDelay(1000, 1010), 60) << "a garbled echo asks for no more than a second";
    EXPECT_EQ(networkDelay(40000, 0), 60) << "a stale echo is at most one second";

    // A model array of 50 objects: windows 10-37 and 38-65 alternate; what lies past the
    // array is never marked, and a receiver marks exactly what the sender found dead.
    DeadObjectWindow window;
    std::vector<int> marked, expected;
    for (int packet = 0; packet < 2; ++packet) {
        const uint32_t word = window.nextWord(50, [](int i) { return i % 3 == 0; });
        forEachDeadObject(word, 50, [&](int i) { marked.push_back(i); });
    }
    for (int i = 12; i < 50; i += 3) expected.push_back(i);
    EXPECT_EQ(marked, expected);

    // Eleven or fewer models: window 0 and no bits. A huge array wraps after window 15, so the
    // four-bit window number never names the wrong objects.
    EXPECT_EQ(DeadObjectWindow{}.nextWord(11, [](int) { return true; }), 0u);
    DeadObjectWindow big;
    uint32_t last = 0;
    for (int packet = 0; packet < 17; ++packet) last = big.nextWord(1000, [](int) { return false; });
    EXPECT_EQ(last >> 28, 0u) << "the seventeenth window starts again at 10";
    forEachDeadObject(0xFFFFFFFF, 440, [](int i) { EXPECT_LT(i, 440); });
}

// The receive ring: what a sender sent before he became a peer is his, the newest of each type,
// until 38 later datagrams have overwritten it; and datagrams no reader could use whole refused.
// A decline whose reason byte tells them apart.
std::vector<uint8_t> decline(uint8_t tag) { return {0, 8, kDeclinePacket, tag, 0, 0, 0, 0}; }

ReceiveRing::Peers onlyPeer(int k, platform::UdpEndpoint who) {
    ReceiveRing::Peers peers{};
    peers[k] = who;
    return peers;
}

TEST(ReceiveRing, NewestUnreadFirstAndOverwrite) {
    ReceiveRing ring;
    ReceivedPacket p;
    const platform::UdpEndpoint first{0x7F000001, 1}, second{0x7F000001, 2};
    ring.store(decline(200), 0, first);
    for (int i = 0; i < ReceiveRing::kSlots; ++i) ring.store(decline(static_cast<uint8_t>(i)), i, second);
    ReceiveRing::Peers peers = onlyPeer(1, first);
    peers[2] = second;
    ring.setPeers(peers);
    EXPECT_FALSE(ring.takeNewestFrom(1, kDeclinePacket, &p)) << "the first datagram was overwritten";
    ASSERT_TRUE(ring.takeNewestFrom(2, kDeclinePacket, &p));
    EXPECT_EQ(p.bytes[3], ReceiveRing::kSlots - 1);
    EXPECT_FALSE(ring.takeNewestFrom(2, kDeclinePacket, &p)) << "handed out once";
}

TEST(ReceiveRing, RefusesWhatNoReaderCouldUse) {
    ReceiveRing ring;
    const platform::UdpEndpoint peer{0x7F000001, 1};
    std::vector<uint8_t> joiner(59, 0), text(70, 0);
    joiner[1] = 58, joiner[2] = kJoinerDataPacket;
    text[1] = 70, text[2] = kJoinerDataPacket, text[60] = 30;
    const std::pair<const char*, std::vector<uint8_t>> refused[] = {
        {"no header", {0, 8}},
        {"header longer than the datagram", {0, 8, kDeclinePacket, 1}},
        {"zero length", {0, 0, kDeclinePacket, 1, 0, 0, 0, 0}},
        {"an unused type", {0, 8, 7, 1, 0, 0, 0, 0}},
        {"shorter than the joiner data a reader takes", joiner},
        {"a text running past the packet", text},
    };
    for (const auto& [what, datagram] : refused) EXPECT_FALSE(ring.store(datagram, 0, peer)) << what;
    EXPECT_EQ(ring.dropped(), 6);

    // A short datagram in a slot that once held a long one reads as itself, not the old bytes.
    std::vector<uint8_t> host(300, 0x77);
    host[0] = 1, host[1] = 10, host[2] = kHostDataPacket;
    for (int i = 0; i < ReceiveRing::kSlots; ++i) ASSERT_TRUE(ring.store(host, 0, peer));
    ASSERT_TRUE(ring.store(decline(9), 0, peer));
    ReceivedPacket p;
    ring.setPeers(onlyPeer(0, peer));
    ASSERT_TRUE(ring.takeNewestFrom(0, kDeclinePacket, &p));
    EXPECT_EQ(p.length, 8);
    EXPECT_EQ(p.bytes[8], 0);
    EXPECT_EQ(p.bytes[299], 0);
}

// A peer's newest packet of a type outlives a stranger's flood of that type, however long; it is
// his though it came before he was a peer, and forgotten when his slot goes to another sender.
// A newcomer's join request outlives any flood too, and is served before a flooding sender's next.
TEST(ReceiveRing, APeersNewestAndANewcomersRequestOutliveAStrangersFlood) {
    ReceiveRing ring;
    const platform::UdpEndpoint joiner{0x7F000001, 101}, stranger{0x7F000001, 102}, newcomer{0x0A000001, 101};
    const auto ask = [](uint8_t tag) {
        std::vector<uint8_t> request(40, 0);
        request[1] = 40, request[2] = kJoinRequestPacket, request[3] = tag;
        return request;
    };
    ReceivedPacket p;
    ring.store(decline(1), 5, joiner);
    ReceiveRing::Peers peers{};
    peers[3] = joiner;
    ring.setPeers(peers);
    ring.store(decline(2), 6, joiner);
    for (int i = 0; i < 3 * ReceiveRing::kSlots; ++i) ring.store(decline(100), 7, stranger);
    ASSERT_TRUE(ring.takeNewestFrom(3, kDeclinePacket, &p));
    EXPECT_EQ(p.bytes[3], 2);
    EXPECT_EQ(p.arrival, 6);
    EXPECT_FALSE(ring.takeNewestFrom(3, kDeclinePacket, &p)) << "handed out once; the older one superseded";

    ring.store(ask(100), 7, stranger);
    ASSERT_TRUE(ring.takeNewcomersRequest(&p));
    ring.store(ask(77), 8, newcomer);
    for (int i = 0; i < 3 * ReceiveRing::kSlots; ++i) ring.store(ask(100), 9, stranger), ring.store(decline(100), 9, stranger);
    ASSERT_TRUE(ring.takeNewcomersRequest(&p));
    EXPECT_EQ(p.bytes[3], 77) << "the newcomer before the flooder's next";
    ASSERT_TRUE(ring.takeNewcomersRequest(&p));
    EXPECT_EQ(p.from.port, stranger.port);
    EXPECT_FALSE(ring.takeNewcomersRequest(&p)) << "the newest of each sender only";

    // However many senders a flood rotates through, each asking once, one who asks again is
    // kept and served before them all, though his first request found no room among theirs.
    const platform::UdpEndpoint rare{0x0A000002, 101};
    for (uint32_t round = 0; round < 2; ++round) {
        const int32_t tick = 20 + 301 * static_cast<int32_t>(round);  // asking as the game does
        for (uint32_t i = 0; i < 2 * ReceiveRing::kRequests; ++i) {
            if (i == ReceiveRing::kRequests) ring.store(ask(static_cast<uint8_t>(78 + round)), tick, rare);
            ring.store(ask(100), tick, {0x0B000000u + 1000 * round + i, 7});
        }
    }
    ASSERT_TRUE(ring.takeNewcomersRequest(&p));
    EXPECT_EQ(p.bytes[3], 79);

    ring.store(decline(4), 10, joiner);
    peers[3] = newcomer;
    ring.setPeers(peers);
    EXPECT_FALSE(ring.takeNewestFrom(3, kDeclinePacket, &p)) << "the last holder's packet";
    // No peer's any more, kept in the ring, and his once he is a peer again; but not his quit: it
    // was of a game he has left.
    ring.store(decline(5), 11, joiner);
    std::array<uint8_t, kSendSlotBytes> quit{};
    ring.store({quit.data(), buildQuit(3, makePlayerString("Ball"), SendSlot(quit))}, 11, joiner);
    peers[5] = joiner;
    ring.setPeers(peers);
    ASSERT_TRUE(ring.takeNewestFrom(5, kDeclinePacket, &p));
    EXPECT_EQ(p.bytes[3], 5);
    EXPECT_FALSE(ring.takeNewestFrom(5, kQuitPacket, &p));
}

// A receiver thread stores as fast as it can while the game takes packets: every packet handed
// out is one that was stored whole (the two tag bytes agree), never a half-refilled slot.
TEST(ReceiveRing, WholePacketsUnderARunningReceiver) {
    ReceiveRing ring;
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        std::vector<uint8_t> d(266, 0);
        d[0] = 1, d[1] = 10, d[2] = kHostDataPacket;
        for (uint32_t i = 0; !stop; ++i) {
            std::fill(d.begin() + 3, d.end(), static_cast<uint8_t>(i));
            ring.store(d, static_cast<int32_t>(i), {0x7F000001, 1});
        }
    });
    // Each packet taken was stored after the one before it was taken: the reads and the writes
    // interleave however the threads are scheduled.
    ReceivedPacket p;
    ring.setPeers(onlyPeer(0, {0x7F000001, 1}));
    for (int taken = 0; taken < 2000;) {
        if (!ring.takeNewestFrom(0, kHostDataPacket, &p)) {
            std::this_thread::yield();
            continue;
        }
        ++taken;
        ASSERT_EQ(p.bytes[3], p.bytes[265]);
        ASSERT_EQ(p.bytes[3], static_cast<uint8_t>(p.arrival));
    }
    stop = true;
    receiver.join();
}

// The games-list page: which rows are read, and the server's escaped text shown as it was typed.
// Announcing and fetching through the real server are the lobby's tests.
std::string row(int i, const std::string& players = "<!--NP--> 2<br>", const std::string& port = "12301<br>") {
    return "<!-- " + std::to_string(i) + " -->\n<UL><!--HN--> Pilot" + std::to_string(i) +
           "<br>\n<!--HM-->Hello</UL>\n" + players + "\n<!--IP--> 10.0.0." + std::to_string(i % 250) +
           ":<!--PO-->" + port + "\n";
}

TEST(GamesPageTest, ReadsNumberedRowsUntilOneIsMissingOrIncompleteAndShowsTextAsTyped) {
    std::string many;
    for (int i = 0; i < 120; ++i) many += row(i);
    // A row missing a terminator does not borrow the next row's: the list ends before it. So do
    // three team counts, and ports that cannot be joined.
    const std::pair<std::string, int> pages[] = {
        {row(0) + row(1) + row(3), 2},
        {many, 100},
        {row(0) + "No games currently", 0},
        {row(0, "<!--TD--> Red:1 Blue:2 Yellow:0 Black:0<br>", "5000abc<br>") + row(1), 2},
        {row(0) + row(1, "<!--NP--> 2<br>", "12301") + row(2), 1},
        {row(0) + row(1, "<!--TD--> Red:1 Blue:2 Yellow:0<br>") + row(2), 1},
        {row(0, "<!--NP--> 2<br>", "0<br>"), 0},
        {row(0, "<!--NP--> 2<br>", "70000<br>"), 0},
        {row(0).substr(0, 40), 0},
    };
    PublicGamesList rows;
    for (size_t i = 0; i < std::size(pages); ++i) EXPECT_EQ(parseGamesPage(pages[i].first, rows), pages[i].second) << i;
    parseGamesPage(pages[3].first, rows);
    EXPECT_EQ(rows[0].Port, 5000u) << "a port with letters after its digits";
    EXPECT_EQ(pageTextForDisplay("Meet at 8&amp;9<br>&lt;b&gt;tea&lt;/b&gt; &quot;&#39;No&#32;games"),
              "Meet at 8&9\n<b>tea</b> \"'No games");
    EXPECT_EQ(pageTextForDisplay("Ypres \xED\xA0\x80&amp;"), "Ypres \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD&");  // shown as UTF-8
}

}  // namespace
}  // namespace pellam::net
