// Typed messages on the player's own line, and messages from another player shown, marked for a
// team, or kept unshown for passing on.
#include "net/DataPackets.h"
#include "tests/net/engine_rig.h"

namespace pellam::net::rig {
namespace {

TEST(Messages, TypingAndShowing) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "Host", 1);
    host.host();
    BSDNetworkSockets& link = host.link;
    const std::string own = "#1:Host:R/ 0:";
    auto keys = [&](std::initializer_list<int32_t> codes) {
        for (int32_t c : codes) link.handleTypingAMessage(c);
    };

    keys({1070, 13});
    EXPECT_EQ(link.exchange().tempForSend, own) << "Return at once sends the own line alone";
    link.setMessageChannel(1);
    keys({1070});
    EXPECT_EQ(host.line(0), own + "*TEAM*");
    keys({13});
    EXPECT_EQ(link.exchange().tempForSend, own + "*TEAM");
    keys({1070, 'a', 'b', 8, 8, 8, 127});
    EXPECT_EQ(host.line(0), own + "_") << "erasing stops at the own line";
    for (int i = 0; i < 200; ++i) keys({'x'});
    EXPECT_EQ(host.line(0).size(), 115u);
    keys({27});
    EXPECT_EQ(host.line(0), own);
    EXPECT_FALSE(link.getInTextMode());
    link.exchange().messageNumber = 15;
    keys({73});
    EXPECT_EQ(link.exchange().messageNumber, 0) << "after 15 comes 0";
    EXPECT_EQ(link.exchange().tempForSend, own + "Canned 3");

    // From joiner 1: new numbers shown with the writer's number; a repeated number not again; a
    // team message of another side kept for passing on but not shown; one for ours marked.
    Stranger ball;
    link.setJoiner(1, kLoopback, ball.port());
    auto say = [&](uint8_t number, uint8_t channel, const std::string& text) {
        ball.deliver(host, [&](SendSlot s) {
            JoinerData d;
            d.message = {true, number, channel, 0, text};
            return buildJoinerData(d, s);
        });
    };
    say(1, 0, "#1:Ball:B/ 0:hi");
    EXPECT_EQ(host.line(1), "#2:Ball:B/ 0:hi");
    say(1, 0, "#1:Ball:B/ 0:again");
    EXPECT_EQ(host.line(2), "") << "not shown twice";
    say(2, 2, "#1:Ball:B/ 0:blue only");
    EXPECT_EQ(host.line(1), "#2:Ball:B/ 0:hi");
    EXPECT_EQ(link.exchange().lastMessageFrom[1].text, "#1:Ball:B/ 0:blue only");
    EXPECT_EQ(link.exchange().lastMessageInNumber[1], 2);
    say(3, 1, "#1:Ball:R/ 0:red");
    EXPECT_EQ(host.line(1), "#2:Ball:R/ 0:\x1d\x1e\x1fred");
    EXPECT_EQ(host.line(2), "#2:Ball:B/ 0:hi");
}

}  // namespace
}  // namespace pellam::net::rig
