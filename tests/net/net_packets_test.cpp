// Packets through their builders and parsers, and parsers that refuse what a peer could send to
// crash or confuse the game: short packets, lying lengths, slots out of range.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "net/DataPackets.h"
#include "net/SetupPackets.h"

namespace pellam::net {
namespace {

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
    EXPECT_TRUE(accept->bombs);
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

    // Shorter than what the reader looks at, or shorter than its own header says: refused.
    buildDecline(2, s.span());
    EXPECT_FALSE(parseDecline(s.first(3)));
    buildNewGame({}, s.span());
    EXPECT_FALSE(parseNewGame(s.first(25)));
    EXPECT_FALSE(parseJoinRequest(s.first(120))) << "a new-game packet is no join request";

    // A text longer than any line: cut to 200, the length written in both bytes.
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
    for (int packet = 0; packet < 4; ++packet) {
        const uint32_t word = window.nextWord(50, [](int i) { return i % 3 == 0; });
        EXPECT_EQ(word >> 28, static_cast<uint32_t>(packet % 2));
        forEachDeadObject(word, 50, [&](int i) { marked.push_back(i); });
    }
    for (int round = 0; round < 2; ++round)
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

}  // namespace
}  // namespace pellam::net
