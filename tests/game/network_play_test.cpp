// Two controllers without windows play one network game over 127.0.0.1 on a hand-moved clock:
// the lobby's host and join entries, the host player's accept key, the host's aircraft flying on
// the joiner's screen, a message typed with the message command and raw keys, and the end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "game/GameNetwork.h"
#include "game/VADArizodazar2.h"
#include "platform/TickCount.h"
#include "tests/flight/TestWorld.h"
#include "tests/game/frame_step.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam::testing {
namespace {

std::atomic<int32_t> ticks{5000};

struct Player {
    std::filesystem::path folder;
    std::unique_ptr<platform::UserDefaults> store;
    ControllerView view;
    GameNetwork network;
    std::unique_ptr<VADArizodazar2> c;

    explicit Player(const std::string& name) {
        folder = std::filesystem::temp_directory_path() / ("pellam net " + name + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        auto record = std::make_unique<missions::MissionData>();
        missions::MissionTexts texts;
        missiongen::buildPatrolMission(*record, texts);
        EXPECT_EQ(missions::writeMissionFile((folder / "pellamm1.pellam").string(), *record, texts), "");
        store = std::make_unique<platform::UserDefaults>((folder / "defaults.json").string());
        store->setString("Pilot1NameKey", name);
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store.get(), &view, nullptr, nullptr, &network},
            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<FlatTerrain>(100.0); }, nullptr,
                                    folder.string() + "/", {}});
        network.attach(c.get());
        c->awakeFromNib();
        c->fromPlayerSignInOkay();
        c->doSelectMission = false;
        c->fromFlyMissionButton();
    }
    ~Player() {
        c.reset();
        std::filesystem::remove_all(folder);
    }
    void command(int32_t number, int32_t action, int32_t raw = 0) {
        c->Command = {ticks, raw, number, action};
        c->someTypicalKeyPresses(number, false);
    }
    std::string line(int n) {
        const uint8_t* l = network.getMessageLines()[n];
        return std::string(reinterpret_cast<const char*>(l + 1), l[0]);
    }
};

void frames(std::initializer_list<Player*> players, int count) {
    for (int f = 0; f < count; ++f) {
        ticks += 2;
        for (Player* p : players) stepOneFrame(*p->c, 2);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

TEST(NetworkPlay, HostAndJoinerControllersPlayOneGame) {
    platform::ScopedTickSource clock([] { return ticks.load(); });
    Player host("Bishop"), joiner("Udet");
    ASSERT_TRUE(host.c->hostNetworkGame(0, 0));
    EXPECT_EQ(host.line(4), "Waiting for Joiners to arrive.");
    ASSERT_TRUE(joiner.c->joinNetworkGame(0x7F000001, host.network.localPort(), 2, 64));
    EXPECT_EQ(joiner.line(4), "Waiting for Host to Accept you");

    for (int f = 0; f < 100 && !host.network.getJoinerPending(); ++f) frames({&host, &joiner}, 1);
    ASSERT_TRUE(host.network.getJoinerPending());
    EXPECT_EQ(host.line(0).substr(0, 17), "Udet wants to pla");
    host.command(3, kKeyDown);  // any other command only beeps while a joiner waits
    EXPECT_TRUE(host.network.getJoinerPending());
    host.command(80, kKeyDown);
    EXPECT_FALSE(host.network.getJoinerPending());
    frames({&host, &joiner}, 300);

    ASSERT_EQ(joiner.network.getJoinerNumber(), 1);
    const FlyableAircraft& joinerAtHost = *host.c->aircraftAt(3);
    EXPECT_EQ(joinerAtHost.ThisAircraft.AircraftType, 64);
    EXPECT_EQ(joinerAtHost.ThisAircraft.RemoteLocal, 1);
    EXPECT_EQ(joiner.c->aircraftAt(2)->ThisAircraft.AircraftType, 64);
    EXPECT_EQ(joiner.network.getThisPlayerName(1), "Bishop");
    // Each sees the other's aircraft where its owner flies it.
    auto apart = [](const FlyableAircraft& a, const FlyableAircraft& b) {
        const auto& p = a.ModelAttitude.Position;
        const auto& q = b.ModelAttitude.Position;
        return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
    };
    EXPECT_LT(apart(*joiner.c->aircraftAt(3), *host.c->aircraftAt(2)), 300.0);
    EXPECT_LT(apart(joinerAtHost, *joiner.c->aircraftAt(2)), 300.0);

    // The message command, then raw keys while typing, then Return.
    joiner.command(70, kKeyUp);
    ASSERT_TRUE(joiner.network.getInTextMode());
    for (char key : std::string("Hals- und Beinbruch")) joiner.command(0, kKeyDown, key);
    joiner.command(0, kKeyDown, 13);
    frames({&host, &joiner}, 60);
    EXPECT_NE(host.line(1).find("Hals- und Beinbruch"), std::string::npos);

    joiner.c->endNetworkGame();
    frames({&host}, 10);
    EXPECT_EQ(host.network.numberOfJoiners(), 0);
    EXPECT_NE(host.line(1).find("Udet has quit the game"), std::string::npos);
    EXPECT_EQ(joiner.network.getNetworkMode(), 0);
    EXPECT_EQ(joinerAtHost.ThisAircraft.RemoteLocal, 0) << "the freed slot flies on this machine again";
}

}  // namespace
}  // namespace pellam::testing
