// Network games between whole controllers in one process: each player's game with its own
// network object over 127.0.0.1, on one clock the test moves by hand. After each frame the test
// waits until every datagram sent has been stored by its receiver, so the exchange runs in step
// whatever the machine's load.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "aircraft/FlyableAircraft.h"
#include "builder/BuilderSave.h"
#include "builder/MissionBuilder.h"
#include "game/GameNetwork.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "platform/TickCount.h"
#include "platform/UdpSocket.h"
#include "platform/UserDefaults.h"
#include "tests/TestFolder.h"
#include "tests/WaitFor.h"
#include "tests/flight/TestWorld.h"
#include "tests/game/frame_step.h"
#include "tools/missiongen/MissionText.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam::testing {
namespace {

constexpr uint32_t kLoopback = 0x7F000001;
constexpr long kOverAlbert = 12;    // "Network: Dogfight over Albert": red from the west, blue from the east
constexpr long kBalloonLines = 13;  // "Network: The Balloon Lines": two teams, won at eight team kills
std::atomic<int32_t> clockTicks{50000};

// The view, counting the views the drawing's warm-up draws unseen; slow, each takes longer than
// a frame's share of warm-up, so a share is one view and a warm-up spans frames. As the game's
// own view, it answers the cockpit it was last given and its near plane (8.25 ft by the
// tele factor, 4.275 ft high either side, in a 4:3 window), which keep the eye above the ground.
struct WarmUpView : StandInView {
    void drawUnseen(const QNion&, long, bool, bool) override {
        ++unseen;
        if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(26));
    }
    void setCameraInsideItem(long modelIndex) override { cockpit = modelIndex; }
    long getCameraInsideItem() override { return cockpit; }
    std::array<double, 3> getNearPlane() override { return {8.25 * 1.25, 4.275 * 4 / 3, 4.275}; }
    long unseen = 0;
    bool slow = false;
    long cockpit = -1;  // the aircraft the main view is drawn from inside, as the frame last set it
};

// One player's game: the patrol mission in slot 0 of its own folder, a signed-in pilot, and the
// game's network object.
struct Player {
    Player(const std::filesystem::path& folder, const std::string& pilot) {
        std::filesystem::create_directories(folder / "user");
        auto record = std::make_unique<missions::MissionData>();
        missions::MissionTexts texts;
        missiongen::buildPatrolMission(*record, texts);
        EXPECT_EQ(missions::writeMissionFile((folder / "pellamm1.pellam").string(), *record, texts), "");
        // The game's own team missions, in their places in the table.
        for (const long team : {kOverAlbert, kBalloonLines}) {
            auto mission = std::make_unique<missiongen::MissionDescription>();
            EXPECT_EQ(missiongen::readBuiltInDescription(team, *mission), "");
            EXPECT_EQ(missions::writeMissionFile((folder / missions::MissionTable::builtInFileName(team)).string(),
                                                 mission->record, mission->texts), "");
        }
        store = std::make_unique<platform::UserDefaults>((folder / "defaults.json").string());
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store.get(), &view, nullptr, nullptr, &network},
            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<FlatTerrain>(100.0); }, nullptr,
                                    folder.string() + "/", {}, (folder / "user").string() + "/"});
        network.attach(c.get());
        c->awakeFromNib();
        c->seedSimulation(static_cast<uint32_t>(pilot.size()));  // start-up seeds it from the system
        c->interface().pilotNameFields[0].stringValue = pilot;
        c->fromPlayerSignInOkay();
        c->skipMissionSelection();
        c->fromFlyMissionButton();
    }
    ~Player() { network.closeNetworkRoutines(); }
    net::BSDNetworkSockets& link() { return network.sockets(); }
    std::string line(int n) { return std::string(link().messageLine(n)); }
    FlyableAircraft& aircraft(long n) { return *c->aircraftAt(n + ModelArray::kFirstAircraft); }

    WarmUpView view;
    GameNetwork network;
    std::unique_ptr<platform::UserDefaults> store;
    std::unique_ptr<VADArizodazar2> c;
};

class NetworkPlay : public ::testing::Test {
protected:
    // Runs frames of `ticks` on every player until `done` holds, at most `frames` of them; after
    // each, waits until every datagram sent has reached its receiver's ring.
    template <class Done>
    bool until(Done&& done, int frames = 2000, int32_t ticks = 3) {
        for (int f = 0; f < frames; ++f) {
            if (done()) return true;
            clockTicks += ticks;
            for (Player* p : players) stepOneFrame(*p->c, ticks);
            betweenFrames();
            settle();
        }
        return done();
    }
    void run(int frames, int32_t ticks = 3) {
        until([] { return false; }, frames, ticks);
    }
    // The host hears every joiner, the joiners hear the host. Once a joiner has left, what the
    // host sends may go to it and be lost: then only the host's side is waited for.
    void settle() {
        auto heard = [](Player* p) { return p->link().ring().stored() + p->link().ring().dropped(); };
        auto behind = [&] {
            long toHost = 0, toJoiners = 0, joinersHeard = 0;
            for (Player* p : players) {
                if (p == hostPlayer) continue;
                toHost += p->link().packetsSent();
                joinersHeard += heard(p);
            }
            if (hostPlayer) toJoiners = hostPlayer->link().packetsSent() + strangerToJoiners;
            const bool hostBehind = hostPlayer && heard(hostPlayer) < toHost + strangerToHost;
            return hostBehind || (left.empty() && joinersHeard < toJoiners);
        };
        waitFor([&] { return !behind(); }, "every datagram of the frame to reach its receiver");
    }
    // The player leaves as the game's end dialog does.
    void leave(Player& p) {
        p.c->endNetworkGame();
        left.push_back(&p);
    }
    void host(Player& p) { host(p, p.c->missionState().CurrentMissionNumber); }
    void host(Player& p, long mission) {
        ASSERT_TRUE(p.c->hostNetworkGame(0, mission));
        hostPlayer = &p;
    }
    void join(Player& p, Player& to, int32_t team, int32_t type) {
        ASSERT_TRUE(p.c->joinNetworkGame(kLoopback, to.link().localPort(), team, type));
    }
    // A newcomer asks the host in, is taken, and flies the host's game: answers his slot.
    int comeIn(Player& p, Player& to, int32_t team, int32_t type) {
        players.push_back(&p);
        join(p, to, team, type);
        EXPECT_TRUE(until([&] { return to.link().getJoinerPending() != 0; }));
        to.link().acceptJoinerPublic();
        EXPECT_TRUE(until([&] { return p.link().accepted() && p.c->clock().GlobalMissionTime > 100; }));
        return p.link().getJoinerNumber();
    }
    // What a kills line tells, in the host's numbering (a joiner's slot 0 and its own swapped):
    // each slot's team letter ("x" out of play; with `teams` clear only whether it is in play)
    // and kills, then the teams' kills.
    static std::string killsAsTheHostNumbers(Player& p, bool teams = true) {
        const std::string line = p.line(5);
        const int j = p.link().networkAndJoiner() ? p.link().getJoinerNumber() : 0;
        std::string told;
        for (int n = 0; n < 8; ++n) {
            std::string entry = line.substr(size_t(10 + 9 * (n == 0 ? j : n == j ? 0 : n)), 4);
            if (!teams && entry[0] != 'x') entry[0] = '+';
            told += entry + '|';
        }
        return told + line.substr(80, 20);
    }
    // Frame `frame` of a game's start on the joiner: his kills line reads as the host's from the
    // frame the host's first word of the game has come (`told`; an answer to his first record, at
    // most 21 ticks on), and in every frame after, through the restarts of the start.
    static void killsAsOnTheHost(Player& joiner, Player& host, bool teams, int frame, int& told) {
        const bool agree = killsAsTheHostNumbers(joiner, teams) == killsAsTheHostNumbers(host, teams);
        if (told < 0 && agree) told = frame;
        EXPECT_TRUE(told < 0 || agree) << frame << "\n" << joiner.line(5) << "\n" << host.line(5);
    }
    // One cell of a radio matrix on, the rest off, as a click on it leaves them.
    static void choose(RadioMatrix& matrix, int row, int column) {
        matrix.clear();
        matrix.setState(true, row, column);
    }
    // `p`'s Quick Dogfight window opened, won at `kills`, each pilot for himself or (`byTeam`) by
    // team kills; the caller sets the slots and flies it (fromDoQuickDogfight).
    static DogfightWindowControls& quickDogfight(Player& p, int kills, bool byTeam) {
        p.c->fromFlyQuickDogfightButton();
        DogfightWindowControls& d = p.c->dogfightWindowControls();
        d.toDogfightKills = kills;
        choose(d.toDogIndTeamKills, 0, byTeam ? 1 : 0);
        return d;
    }
    // The aircraft `victim` of the host `p` shot down by slot `shooter`, a frame run for the kill
    // to count, then back in the air for the next.
    void shootDown(Player& p, long victim, long shooter) {
        Aircraft& a = p.aircraft(victim).ThisAircraft;
        a.TotalHits = a.TotalHitsBeforeDead + 1.0;
        a.WhoShotMe = static_cast<int32_t>(shooter);
        run(1);
        p.c->startThisAircraft(victim, true);
    }

    // Lothar flies a Quick Dogfight (five kills, each for himself), then hosts the balloon lines
    // chosen in Select Mission; Roy joins on blue, and the mission is restarted twice: the rule
    // (eight team kills) and Roy's team hold throughout, on both machines.
    void hostTeamMissionAfterADogfight(Player& lothar, Player& roy) {
        quickDogfight(lothar, 5, false);
        lothar.c->fromDoQuickDogfight();
        ASSERT_TRUE(lothar.c->missionState().isDogfightOnly);
        run(20);
        lothar.c->fromMenus(kMenuSelectMission);
        lothar.c->fromMissionMenu(lothar.c->missionWindowControls().toMissionMenuPopUp.positionOfTag(kBalloonLines));
        lothar.c->missionWindowControls().toSelectMission.close();
        // The joiner's slot is switched off in the mission: flown by a player, it is in play all the
        // same.
        for (Player* p : players) p->c->missionTable().record(kBalloonLines)->AircraftStarts[1].OnOff = 0;
        host(lothar, kBalloonLines);
        lothar.c->setRunning(true);
        EXPECT_FALSE(lothar.c->missionState().isDogfightOnly);
        join(roy, lothar, 2, 64);
        ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
        lothar.link().acceptJoinerPublic();
        stepOneFrame(*lothar.c, 3);  // in the host's kills line before the joiner has sent a word
        EXPECT_EQ(lothar.line(5).substr(17, 3), "#2B");
        ASSERT_TRUE(until([&] {
            return roy.link().accepted() && roy.c->missionState().CurrentMissionNumber == kBalloonLines &&
                   roy.c->clock().GlobalMissionTime > 100;
        }));
        auto teamsHold = [&] {
            EXPECT_GT(roy.aircraft(0).live.attitude.Position[1], 0.0);
            EXPECT_EQ(lothar.aircraft(1).ThisAircraft.Team, 2);
            EXPECT_EQ(roy.aircraft(0).ThisAircraft.Team, 2);
            EXPECT_EQ(lothar.line(5).substr(17, 3), "#2B");
            EXPECT_NE(roy.line(0).find(":B/"), std::string::npos) << roy.line(0);
            // The rule both sides show: team kills ("T"), eight to win.
            for (Player* p : players)
                EXPECT_EQ(p->line(5).substr(106, 1) + p->line(5).substr(113, 4), "TK  8");
        };
        teamsHold();
        for (int restart = 0; restart < 2; ++restart) {  // Select Mission, then Fly Mission of the same
            run(100);
            lothar.c->fromMenus(kMenuSelectMission);
            lothar.c->fromFlyMissionButton();
            ASSERT_TRUE(until([&] { return roy.c->clock().GlobalMissionTime < 100; }));
            run(100);
            teamsHold();
        }
    }

    platform::ScopedTickSource clock{[] { return clockTicks.load(); }};
    testing::TestFolder dir{"pellam network play"};
    // What runs after each frame's players, before its datagrams are waited for; and how many
    // datagrams a stranger has sent the host and the joiners, which their receivers hear too.
    std::function<void()> betweenFrames = [] {};
    long strangerToHost = 0, strangerToJoiners = 0;
    std::vector<Player*> players;
    std::vector<Player*> left;
    Player* hostPlayer = nullptr;
};

// A host and a joiner through a mission: the joiner is taken in, and the host's game over
// reaches it with the host's result, whatever the host's pilot did.
TEST_F(NetworkPlay, AJoinerFliesTheHostsMissionAndHearsItsResult) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    host(lothar);
    join(roy, lothar, 1, 64);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    ASSERT_TRUE(until([&] { return roy.c->aircraftAt(ModelArray::kFirstAircraft + 1)->live.attitude.Position[1] > 0 &&
                                   roy.link().accepted() && lothar.aircraft(1).ThisAircraft.RemoteLocal == 1; }));
    run(100);

    // The host's pilot has bailed out, and the host has lost: the joiner, on its side, has lost.
    lothar.aircraft(0).ThisAircraft.GuyBailedOut = 1;
    lothar.network.setHostSendGameOver(true, 0);
    ASSERT_TRUE(until([&] { return !roy.c->interface().toYouWonOrLost.empty(); }));
    EXPECT_EQ(roy.link().getHostResult(), 0);
    EXPECT_EQ(roy.c->interface().toYouWonOrLost, "Mission Failure");
}

// A stranger floods the host with joiner data naming both joiners' slots, and a joiner with host
// data, each at 1,000 a second (50 a frame of 3 ticks, more than the ring's 38), all well made.
// For over a minute every player's aircraft goes on moving on every machine, within 300 ft of
// where its own pilot has it (a copy no longer told drifts off by more), and nobody is dropped.
TEST_F(NetworkPlay, AStrangersFloodStopsNobody) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "roy", "Roy"), voss(dir.path() / "voss", "Voss");
    players = {&lothar};
    // A Quick Dogfight of the three alone, all red and in the air: nobody is shot down or wins.
    DogfightWindowControls& d = quickDogfight(lothar, 20, true);
    choose(d.toAirGroundStart, 0, 0);
    for (int n = 0; n < 8; ++n) n < 3 ? choose(d.DOTeam[size_t(n)], 0, 0) : choose(d.DOOnOff[size_t(n)], 0, 1);
    lothar.c->fromDoQuickDogfight();
    host(lothar);
    lothar.c->setRunning(true);
    ASSERT_EQ(comeIn(roy, lothar, 1, 55), 1);
    ASSERT_EQ(comeIn(voss, lothar, 2, 77), 2);
    for (Player* p : players) {  // flown level
        p->c->sendCommand(input::CommandNumber::AutoPilotOnOffToggle, kKeyDown);
        p->c->sendCommand(input::CommandNumber::AutoPilotOnOffToggle, kKeyUp);
    }
    platform::UdpSocket stranger;
    std::string error;
    ASSERT_TRUE(stranger.open(0, &error)) << error;
    std::array<std::array<uint8_t, net::kSendSlotBytes>, 3> made{};  // joiner 1's, joiner 2's, the host's
    std::array<size_t, 3> length{};
    for (uint8_t j = 1; j <= 2; ++j) {
        net::JoinerData data;
        data.slot = j;
        length[j - 1] = net::buildJoinerData(data, net::SendSlot(made[j - 1]));
    }
    length[2] = net::buildHostData(net::HostData{}, net::SendSlot(made[2]));
    betweenFrames = [&] {
        for (int i = 0; i < 50; ++i) {
            strangerToHost += stranger.sendTo({kLoopback, lothar.link().localPort()}, {made[i % 2].data(), length[i % 2]});
            strangerToJoiners += stranger.sendTo({kLoopback, roy.link().localPort()}, {made[2].data(), length[2]});
        }
    };
    // Where `whose` aircraft is on `on`'s machine: the host's is slot 0 on the host and a joiner's
    // own number on that joiner.
    auto seen = [&](Player& on, Player& whose) {
        const long slot = &whose == &lothar ? 0 : whose.link().getJoinerNumber();
        const long local = &on == &whose ? 0 : &on == &lothar ? slot : slot == 0 ? on.link().getJoinerNumber() : slot;
        return on.aircraft(local).live.attitude.Position;
    };
    auto apart = [](const Vector3& a, const Vector3& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    for (int check = 0; check < 13 && !HasFailure(); ++check) {  // 3,900 ticks
        std::array<std::array<Vector3, 3>, 3> before;
        for (size_t on = 0; on < 3; ++on)
            for (size_t whose = 0; whose < 3; ++whose) before[on][whose] = seen(*players[on], *players[whose]);
        run(100);
        for (size_t on = 0; on < 3; ++on)
            for (size_t whose = 0; whose < 3; ++whose) {
                if (on == whose) continue;
                const Vector3 copy = seen(*players[on], *players[whose]);
                EXPECT_GT(apart(copy, before[on][whose]), 100.0) << whose << " stands still on " << on;
                EXPECT_LT(apart(copy, seen(*players[whose], *players[whose])), 300.0) << whose << " on " << on;
            }
    }
    EXPECT_EQ(lothar.link().numberOfJoiners(), 2);
    for (Player* joiner : {&roy, &voss})
        EXPECT_TRUE(joiner->link().accepted() && joiner->link().getNetworkMode() == 1) << joiner->line(1);
}

// A Quick Dogfight flown (five kills, each pilot for himself), then a team mission chosen in
// Select Mission and hosted: the network game is that mission, ended by its eight team kills and
// not by the dogfight's five; the joiner flies for the team he chose through two restarts; each
// side reads the end as its own team fared. A red player who leaves in play leaves his kills to
// red, and one who leaves after the end changes nothing of it, on every screen.
TEST_F(NetworkPlay, AHostedTeamMissionKeepsItsRuleAndTheJoinersTeam) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    hostTeamMissionAfterADogfight(lothar, roy);
    if (HasFatalFailure()) return;

    // A red player comes in (slot 2) and downs two of blue, then leaves: his kills stay red's and
    // his slot, the mission's red aircraft again, starts from none, on the host and the joiner.
    Player voss(dir.path() / "voss", "Voss");
    const int32_t missionType = lothar.aircraft(2).ThisAircraft.AircraftType;
    ASSERT_EQ(comeIn(voss, lothar, 1, missionType == 77 ? 64 : 77), 2);
    for (int k = 0; k < 2; ++k) shootDown(lothar, 5, 2);
    // The joiner (blue) downs five of red: the dogfight's rule would end it here, the mission's not.
    for (int k = 0; k < 5; ++k) shootDown(lothar, 3, 1);
    EXPECT_EQ(lothar.c->pilotScoring().AircraftResults[1][0], 5);
    auto lineReads = [](Player& p, int slot, const std::string& entry, const std::string& teams) {
        return p.line(5).substr(size_t(8 + 9 * slot), 6) == entry && p.line(5).substr(80, 9) == teams;
    };
    ASSERT_TRUE(until([&] {
        return lineReads(lothar, 2, "#3R: 2", "R: 2 B: 5") && lineReads(roy, 2, "#3R: 2", "R: 2 B: 5") &&
               lineReads(voss, 0, "#1R: 2", "R: 2 B: 5");
    }));
    leave(voss);
    std::erase(players, &voss);
    ASSERT_TRUE(until([&] {
        return lothar.link().numberOfJoiners() == 1 && roy.link().getThisPlayerNamesPtr(2).empty();
    }));
    run(20);
    for (Player* p : players) EXPECT_TRUE(lineReads(*p, 2, "#3R: 0", "R: 2 B: 5")) << p->line(5);
    EXPECT_EQ(lothar.aircraft(2).ThisAircraft.RemoteLocal, 0);
    EXPECT_EQ(lothar.aircraft(2).ThisAircraft.AircraftType, missionType);
    // A newcomer takes the slot: red keeps its two, and he too reads them, and every kill and
    // slot as the host does, from the frame his game starts.
    Player udet(dir.path() / "udet", "Udet");
    players.push_back(&udet);
    run(40);  // his own flight's clock well past the start's
    join(udet, lothar, 1, 77);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    ASSERT_TRUE(until([&] { return udet.link().accepted() && udet.c->clock().GlobalMissionTime < 10; }));
    int told = -1;
    for (int frame = 0; frame < 80 && !HasFailure(); ++frame, run(1)) killsAsOnTheHost(udet, lothar, true, frame, told);
    EXPECT_TRUE(told >= 0 && told < 12) << "told in frame " << told;
    ASSERT_EQ(udet.link().getJoinerNumber(), 2);
    ASSERT_TRUE(until([&] {
        return lineReads(lothar, 2, "#3R: 0", "R: 2 B: 5") && lineReads(roy, 2, "#3R: 0", "R: 2 B: 5") &&
               lineReads(udet, 0, "#1R: 0", "R: 2 B: 5");
    }));
    run(250);  // past the ten seconds a decided game waits for its window
    EXPECT_EQ(lothar.c->interface().toYouWonOrLost, "");
    EXPECT_EQ(roy.c->interface().toYouWonOrLost, "");
    // A blue computer pilot brings blue to eight: blue has won, red (the host's team) has lost.
    for (int k = 0; k < 3; ++k) shootDown(lothar, 3, 4);
    // Decided, its window not up yet: the host's pilot pauses, and forfeits no kill to blue.
    ASSERT_NE(lothar.c->missionState().GameOverTime, 0);
    for (int press = 0; press < 2; ++press) lothar.c->sendCommand(input::CommandNumber::PauseFlyGameToggle, kKeyDown);
    ASSERT_TRUE(until([&] {
        return !roy.c->interface().toYouWonOrLost.empty() && !udet.c->interface().toYouWonOrLost.empty();
    }));
    EXPECT_EQ(lothar.c->interface().toYouWonOrLost, "Mission Failure");
    EXPECT_EQ(udet.c->interface().toYouWonOrLost, "Mission Failure");
    EXPECT_EQ(roy.c->interface().toYouWonOrLost, "Mission Successful");
    EXPECT_NE(roy.c->interface().toYouWonOrLostMessage.find("Your team has won"), std::string::npos);
    const Aircraft& ours = lothar.aircraft(0).ThisAircraft;
    EXPECT_LE(ours.TotalHits, ours.TotalHitsBeforeDead);
    EXPECT_EQ(lothar.c->pilotScoring().TeamResults[1], 8);
    for (Player* p : players) EXPECT_EQ(p->line(5).substr(80, 9), "R: 2 B: 8") << "the teams' kills on each side";

    // The host's pilot flies on from his window while the joiner's is up ("Waiting for others"):
    // the game is over, and what is shot down now scores nothing, on either side.
    lothar.c->fromMissionEndOkayButton();
    ASSERT_TRUE(lothar.c->isRunning());
    ASSERT_TRUE(until([&] { return lothar.link().getOthersInGameOver() == 1; }));
    const auto results = lothar.c->pilotScoring().AircraftResults;
    const int32_t onlineKills = lothar.c->pilotScoring().current().OnlineKills;
    const std::string hostKills = lothar.line(5).substr(0, 100), joinerKills = roy.line(5).substr(0, 100),
                      newcomerKills = udet.line(5).substr(0, 100);
    shootDown(lothar, 3, 4);  // blue's computer pilot downs red
    shootDown(lothar, 5, 0);  // the host's pilot downs blue
    shootDown(lothar, 3, 1);  // the joiner downs red
    run(30);
    EXPECT_EQ(lothar.c->pilotScoring().AircraftResults, results);
    EXPECT_EQ(lothar.c->pilotScoring().current().OnlineKills, onlineKills);
    EXPECT_EQ(lothar.line(5).substr(0, 100), hostKills);
    EXPECT_EQ(roy.line(5).substr(0, 100), joinerKills);
    // The blue joiner leaves with his five: his entry and the teams' kills stand, on the host and
    // on the screen of the red one still in.
    leave(roy);
    std::erase(players, &roy);
    ASSERT_TRUE(until([&] {
        return lothar.link().numberOfJoiners() == 1 && udet.link().getThisPlayerNamesPtr(1).empty();
    }));
    run(30);
    EXPECT_EQ(lothar.c->pilotScoring().AircraftResults, results);
    EXPECT_EQ(lothar.line(5).substr(0, 100), hostKills);
    EXPECT_EQ(udet.line(5).substr(0, 100), newcomerKills);
    EXPECT_EQ(hostKills.substr(17, 6), "#2B: 5");
}

// A hosted Quick Dogfight: team kills, twenty to win, Camels 3 and 4 out, four novice Fokkers, a
// joiner on red, the autopilot on for both. The host and the joiner shot down by Fokker #7 come
// back on the ground at their field whole on both machines, and stay so with nobody shooting at
// them, whatever the joiner counted on the host's wreck; once his autopilot is on again the host
// takes off. A Fokker the host shot down comes back and flies as well.
TEST_F(NetworkPlay, AHostedDogfightsRestartsComeBackWhole) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    DogfightWindowControls& d = quickDogfight(lothar, 20, true);
    for (const int n : {2, 3}) choose(d.DOOnOff[n], 0, 1);
    for (int n = 4; n < 8; ++n) choose(d.DOSkillLevel[n], 0, 0);
    lothar.c->fromDoQuickDogfight();
    host(lothar);
    lothar.c->setRunning(true);
    join(roy, lothar, 1, 55);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    ASSERT_TRUE(until([&] { return roy.link().accepted() && roy.c->clock().GlobalMissionTime > 200; }));
    auto autopilot = [](Player& p) {
        p.c->sendCommand(input::CommandNumber::AutoPilotOnOffToggle, kKeyDown);
        p.c->sendCommand(input::CommandNumber::AutoPilotOnOffToggle, kKeyUp);
    };
    for (Player* p : players) autopilot(*p);
    run(2);

    // Fokker #7 shoots the host and the joiner down, the host a Fokker. Each wreck lies until its
    // own machine restarts it, and each machine sets its copy up afresh.
    auto copies = [&](long n) {  // host slot n on the host and on the joiner, whose own is 0
        return std::array<FlyableAircraft*, 2>{&lothar.aircraft(n), &roy.aircraft(n > 1 ? n : 1 - n)};
    };
    std::array<std::array<int32_t, 2>, 5> setUp{};
    for (const auto& [victim, shooter] : {std::pair{0L, 6}, {1L, 6}, {4L, 0}}) {
        for (int k = 0; k < 2; ++k) setUp[size_t(victim)][size_t(k)] = copies(victim)[size_t(k)]->ThisAircraft.TimeOfReset;
        Aircraft& a = copies(victim)[victim == 1 ? 1 : 0]->ThisAircraft;  // on its own machine
        a.TotalHits = a.TotalHitsBeforeDead + 1.0;
        a.WhoShotMe = shooter;
    }
    auto restarted = [&](long n) {
        return copies(n)[0]->ThisAircraft.TimeOfReset != setUp[size_t(n)][0] &&
               copies(n)[1]->ThisAircraft.TimeOfReset != setUp[size_t(n)][1];
    };
    // Whole on both machines, dead once, and on the ground or higher than 200 ft.
    auto whole = [&](long n) {
        for (FlyableAircraft* copy : copies(n))
            if ((copy->ThisAircraft.Damage1 & dmg::Down) || copy->ThisAircraft.TotalHits > copy->ThisAircraft.TotalHitsBeforeDead)
                return false;
        return lothar.c->pilotScoring().AircraftResults[size_t(n)][1] == 1;
    };
    auto height = [&](long n) { return copies(n)[0]->live.attitude.Position[1] - copies(n)[0]->ThisAircraft.GroundAltitude; };
    ASSERT_TRUE(until([&] { return restarted(0) && restarted(1); }, 2000));
    // Past the 300 ticks in which nothing is counted on a fresh aircraft, and past the reports of
    // the wrecks: both on their wheels, unharmed, their autopilots off as after every restart.
    for (int frame = 0; frame < 300 && !HasFailure(); ++frame) {
        run(1);
        for (const long n : {0L, 1L}) EXPECT_TRUE(whole(n) && height(n) < 20.0) << n << " " << frame;
    }
    autopilot(lothar);
    ASSERT_TRUE(until([&] { return !whole(0) || height(0) > 200.0; }));
    EXPECT_TRUE(whole(0));
    ASSERT_TRUE(until([&] { return restarted(4) && (!whole(4) || height(4) > 200.0); }, 3000));
    EXPECT_TRUE(whole(4));
    EXPECT_EQ(lothar.c->pilotScoring().AircraftResults[0][0], 1);
}

// Over Albert red starts in the west, blue in the east. Two joiners take slots whose rows are red
// but fly for blue: each starts among blue, beside its formation and apart from the other, never
// inside red's; the host places each where the joiner places himself, at the start and at a
// restart.
TEST_F(NetworkPlay, AJoinerOfTheOtherSideStartsAmongHisOwn) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "roy", "Roy"), voss(dir.path() / "voss", "Voss");
    players = {&lothar, &roy, &voss};
    host(lothar, kOverAlbert);
    for (Player* joiner : {&roy, &voss}) {
        join(*joiner, lothar, 2, 64);
        ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
        lothar.link().acceptJoinerPublic();
        // Told who plays, it starts the host's mission (its clock from the start), and flies it.
        ASSERT_TRUE(until([&] {
            return joiner->link().accepted() && !joiner->link().getThisPlayerNamesPtr(joiner->link().getJoinerNumber()).empty();
        }));
        ASSERT_EQ(joiner->c->missionState().CurrentMissionNumber, kOverAlbert);
        ASSERT_TRUE(until([&] { return joiner->c->clock().GlobalMissionTime > 200; }));
    }
    const missions::MissionData& mission = *lothar.c->missionTable().record(kOverAlbert);
    ASSERT_EQ(mission.AircraftStarts[1].Team, 1);
    ASSERT_EQ(mission.AircraftStarts[2].Team, 1);
    auto at = [](FlyableAircraft& a) { return a.live.attitude.Position; };
    auto apart = [](const Vector3& a, const Vector3& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    // The nearest start place of blue's rows is nearer than any of red's, and none is within 100 ft.
    auto amongBlue = [&](const Vector3& p, bool fromStart) {
        const auto& rows = fromStart ? mission.AircraftStarts : mission.ResetAircraftStarts;
        double blue = 1e12, red = 1e12;
        for (const missions::AircraftInit& row : rows) {
            const auto& place = mission.MissionStartLocations[row.LocationOffset + (fromStart ? 0 : 8)];
            const double d = apart(p, {place[0], place[1], place[2]});
            EXPECT_GT(d, 100.0) << "in the place of another row";
            (row.Team == 2 ? blue : red) = std::min(row.Team == 2 ? blue : red, d);
        }
        return blue < red;
    };
    EXPECT_TRUE(amongBlue(at(roy.aircraft(0)), true)) << "where he began flying";
    EXPECT_TRUE(amongBlue(at(voss.aircraft(0)), true));
    for (const bool fromStart : {true, false}) {
        std::array<Vector3, 2> places;
        for (int k = 0; k < 2; ++k) {
            Player& joiner = k == 0 ? roy : voss;
            const long slot = joiner.link().getJoinerNumber();
            joiner.c->startThisAircraft(0, fromStart);
            lothar.c->startThisAircraft(slot, fromStart);
            places[k] = at(joiner.aircraft(0));
            EXPECT_TRUE(amongBlue(places[k], fromStart)) << slot;
            EXPECT_LT(apart(places[k], at(lothar.aircraft(slot))), 0.01) << "the host places him alike";
        }
        EXPECT_GT(apart(places[0], places[1]), 100.0) << "the two apart";
    }
}

// The drawing's warm-up never holds a network game's world. Flying alone, a flight begun before
// it ends waits for the rest; hosting, a joiner in a kind of aircraft the host has not drawn yet
// is warmed up unseen a share a frame while the host's world steps on, and so is, on the joiner,
// a kind the host's game brings him.
TEST_F(NetworkPlay, TheDrawingsWarmUpNeverHoldsANetworkGame) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    // Before either has drawn a frame: the host's mission flies no D.VII, the joiner's no Dr.I.
    auto without = [](Player& p, int32_t type, int32_t instead) {
        missions::MissionData& m = *p.c->missionTable().record(p.c->missionState().CurrentMissionNumber);
        for (auto* rows : {&m.AircraftStarts, &m.ResetAircraftStarts})
            for (missions::AircraftInit& row : *rows)
                if (row.AircraftType == type) row.AircraftType = instead;
        p.c->newDocument();
    };
    without(lothar, 64, 77);
    without(roy, 77, 64);
    ASSERT_TRUE(lothar.c->isRunning());
    lothar.view.slow = true;
    stepOneFrame(*lothar.c, 3);
    ASSERT_TRUE(lothar.c->flightWaitsForWarmUp());
    const int32_t alone = lothar.c->clock().GlobalMissionTime;
    stepOneFrame(*lothar.c, 3);
    EXPECT_EQ(lothar.c->clock().GlobalMissionTime, alone) << "alone, the flight waits for its warm-up";
    lothar.view.slow = false;
    ASSERT_TRUE(until([&] { return !lothar.c->flightWaitsForWarmUp() && !roy.c->flightWaitsForWarmUp(); }));

    host(lothar);
    ASSERT_TRUE(lothar.c->isRunning());
    join(roy, lothar, 2, 64);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    for (Player* p : players) p->view.slow = true;
    const long hostDrawn = lothar.view.unseen, joinerDrawn = roy.view.unseen;
    lothar.link().acceptJoinerPublic();
    // Frame by frame until the joiner flies and neither draws any more unseen.
    bool quiet = false;
    for (int frame = 0; frame < 2000 && !quiet; ++frame) {
        const long drawn = lothar.view.unseen + roy.view.unseen;
        const int32_t hostClock = lothar.c->clock().GlobalMissionTime;
        run(1);
        EXPECT_FALSE(lothar.c->flightWaitsForWarmUp());
        EXPECT_FALSE(roy.c->flightWaitsForWarmUp());
        ASSERT_EQ(lothar.c->clock().GlobalMissionTime, hostClock + 3) << "the host's world steps on";
        quiet = lothar.view.unseen + roy.view.unseen == drawn && roy.c->clock().GlobalMissionTime > 200;
    }
    ASSERT_TRUE(quiet);
    EXPECT_GE(lothar.view.unseen - hostDrawn, 8) << "the joiner's D.VII, near to far, on the host";
    EXPECT_GE(roy.view.unseen - joinerDrawn, 8) << "the host's Dr.Is, near to far, on the joiner";
}

// A Quick Dogfight flown alone shows how it is won: five kills, each pilot for himself, or five
// team kills with the teams' tallies, which follow the kills. Then "Network: The Balloon Lines"
// hosted, eight aircraft with two-figure kills and the team kills that decide it: the players'
// kills and, above them, the team kills and rules lie within the view at 800 x 600 and
// 1024 x 768, at every message text size, clear of the messages' column. Flown alone again, each
// dogfight shows its own rules as before, none of the network game's.
TEST_F(NetworkPlay, TheKillsAndRulesLinesFitTheViewAndGoWithTheNetworkGame) {
    Player lothar(dir.path() / "host", "Lothar");
    players = {&lothar};
    auto shown = [&] {
        Overlay out;
        lothar.c->debugchance(out);
        std::vector<std::string> texts;
        for (int k = 0; k < out.count; ++k) {
            const OverlayText& t = out.texts[size_t(k)];
            texts.emplace_back(t.text + 1, t.text + 1 + t.text[0]);
        }
        return std::pair{out, texts};
    };
    auto dogfight = [&](bool byTeam) {  // the player red, aircraft 2 blue
        DogfightWindowControls& d = quickDogfight(lothar, 5, byTeam);
        for (int n = 0; n < 2; ++n) choose(d.DOTeam[size_t(n)], n, 0);
        lothar.c->fromDoQuickDogfight();
        lothar.c->setRunning(true);
        run(2);
        return shown().second;
    };
    const std::vector<std::string> alone = dogfight(false);
    ASSERT_EQ(alone.size(), 2u);
    EXPECT_EQ(alone[0].substr(0, 6), "Kills:");
    EXPECT_EQ(alone[1], "DO  I  CA  K  5");
    // The status texts are laid after the kills lines, over them where they meet.
    lothar.c->sendCommand(input::CommandNumber::NormalFastTimeToggle, kKeyUp);
    lothar.c->setRunning(false);
    EXPECT_EQ(shown().second, (std::vector<std::string>{alone[0], alone[1], " *Fast* ", " Paused "}));
    lothar.c->sendCommand(input::CommandNumber::NormalFastTimeToggle, kKeyUp);
    lothar.c->setRunning(true);
    const std::vector<std::string> aloneByTeam = dogfight(true);
    ASSERT_EQ(aloneByTeam.size(), 2u);
    EXPECT_EQ(aloneByTeam[1], "R: 0 B: 0 Y: 0 b: 0   DO  T  CA  K  5");
    shootDown(lothar, 1, 0);
    run(1);
    EXPECT_EQ(shown().second[1].substr(0, 10), "R: 1 B: 0 ");

    lothar.c->fromMenus(kMenuSelectMission);
    lothar.c->fromMissionMenu(lothar.c->missionWindowControls().toMissionMenuPopUp.positionOfTag(kBalloonLines));
    lothar.c->missionWindowControls().toSelectMission.close();
    ASSERT_TRUE(lothar.c->hostNetworkGame(0, kBalloonLines));
    lothar.c->setRunning(true);
    run(2);
    for (int n = 0; n < 8; ++n) (*lothar.c->getAircraftResultsPtr())[size_t(n)][0] = 10 + n;
    *lothar.c->getAircraftTeamResultsPtr() = {12, 41, 0, 0};
    run(1);
    for (const double textSize : {0.5, 0.8, 1.1, 1.5}) {
        SCOPED_TRACE(textSize);
        lothar.view.setNetworkTypeSize(textSize);
        const auto [out, texts] = shown();
        ASSERT_EQ(out.count, 2);
        EXPECT_NE(texts[0].find("#8"), std::string::npos) << texts[0];
        EXPECT_NE(texts[1].find("R:12 B:41"), std::string::npos) << texts[1];
        EXPECT_NE(texts[1].find("   T  CA  K  8"), std::string::npos) << texts[1];
        const render::MessageLinePlace chat = render::messageLinePlace(4, render::typeMetricsFor(textSize));
        for (const int height : {600, 768}) {
            for (int k = 0; k < out.count; ++k) {
                const OverlayText& t = out.texts[size_t(k)];
                const render::GlyphQuad first = render::glyphQuad(t.across, t.down, 0, 'A', t.size, 1.0 / height);
                const render::GlyphQuad last =
                    render::glyphQuad(t.across, t.down, t.text[0] - 1, 'A', t.size, 1.0 / height);
                EXPECT_GE(first.x0, -1.0) << texts[size_t(k)];
                EXPECT_LE(last.x1, 1.0) << texts[size_t(k)] << " runs past the right edge";
                EXPECT_GE(last.y1, -1.0) << texts[size_t(k)] << " runs past the foot";
            }
            // The messages' lowest line ends (GL units, up) at most a pixel below where the rules begin.
            const render::GlyphQuad message = render::glyphQuad(chat.across, chat.down, 0, 'A', chat.size, 1.0 / height);
            const render::GlyphQuad rules = render::glyphQuad(out.texts[1].across, out.texts[1].down, 0, 'A',
                                                              out.texts[1].size, 1.0 / height);
            EXPECT_GE(message.y1, rules.y0 - 2.0 / height) << height;
        }
    }

    lothar.c->endNetworkGame();
    EXPECT_EQ(dogfight(false), alone);
    EXPECT_EQ(dogfight(true), aloneByTeam);
}

// A joiner the host player turns away reads why; flying alone afterwards, the line is gone.
TEST_F(NetworkPlay, ADeclinedJoinerReadsWhyAndFliesAloneWithoutIt) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    host(lothar);
    join(roy, lothar, 2, 64);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().declineJoiner();
    ASSERT_TRUE(until([&] { return roy.link().getNetworkMode() == 0; }));
    EXPECT_EQ(roy.line(0), "You were declined by the host, sorry");
    roy.c->newDocument();
    EXPECT_EQ(roy.line(0), "");
}

// The host flies on in his own cockpit, whatever a joiner does: asks in, is taken in with the
// accept key and brings an aircraft of another class than his slot's, and leaves. In
// every frame the camera stays as the host had it, the view drawn from his seat.
TEST_F(NetworkPlay, TheHostsCameraStaysPutAsAJoinerAsksJoinsAndLeaves) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    host(lothar);
    ASSERT_TRUE(lothar.c->isRunning());
    run(40);  // the first view's slide down to the cockpit over
    const Cameras& camera = lothar.c->cameras();
    ASSERT_EQ(camera.CameraPosition, 0);
    std::string phase = "asking";
    betweenFrames = [&] {
        EXPECT_EQ(camera.CameraPosition, 0) << phase;
        EXPECT_EQ(camera.CameraAircraft, ModelArray::kFirstAircraft) << phase;
        EXPECT_EQ(camera.SpecialCameraPosition, 0) << phase;
        EXPECT_EQ(lothar.view.cockpit, ModelArray::kFirstAircraft) << phase;
        const double* eye = lothar.view.getCameraPosition();
        const auto& seat = lothar.aircraft(0).live.attitude.Position;
        EXPECT_LT(std::hypot(eye[0] - seat[0], eye[1] - seat[1], eye[2] - seat[2]), 10.0) << phase;
    };
    const int32_t type = lothar.aircraft(1).ThisAircraft.AircraftType == 64 ? 77 : 64;  // another class
    join(roy, lothar, 2, type);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    run(20);
    phase = "joining";
    lothar.c->sendCommand(input::CommandNumber::HostAcceptsJoiner, kKeyDown);
    ASSERT_TRUE(until([&] { return roy.link().accepted() && roy.c->clock().GlobalMissionTime > 200; }));
    EXPECT_EQ(lothar.aircraft(1).ThisAircraft.AircraftType, type);
    phase = "leaving";
    leave(roy);
    ASSERT_TRUE(until([&] { return lothar.link().numberOfJoiners() == 0; }));
    run(100);
}

// The host's lines and slots follow who is in the game: the waiting line goes when a joiner is
// in and comes back when the last has gone; a joiner who leaves in game over is not waited
// for. The game decided, his kills and aircraft stay as they ended it; the next game has the
// mission's own aircraft in his slot, with none of his kills. He joins again at once and keeps
// his slot while his last game's quits still come in; the host ends his game and at once hosts
// again on his port, and the joiner, told, joins the new one.
TEST_F(NetworkPlay, TheHostsLinesAndSlotsFollowWhoIsIn) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    host(lothar);
    EXPECT_EQ(lothar.line(4), "Waiting for Joiners to arrive.");
    const int32_t missionType = lothar.aircraft(1).ThisAircraft.AircraftType;
    ASSERT_NE(missionType, 64);
    join(roy, lothar, 2, 64);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    ASSERT_TRUE(until([&] { return roy.link().accepted() && roy.c->clock().GlobalMissionTime > 100; }));
    EXPECT_EQ(lothar.line(4), "");
    EXPECT_EQ(lothar.aircraft(1).ThisAircraft.AircraftType, 64);
    // Blue was asked for, and the joiner flies for blue though the mission's row for its slot is
    // red: its own line says so, as the host's kills line does.
    EXPECT_EQ(roy.aircraft(0).ThisAircraft.Team, 2);
    EXPECT_EQ(roy.line(0), "#1:Roy:B/ 0:");
    EXPECT_EQ(lothar.line(5).substr(17, 3), "#2B");

    // The joiner has shot two down and is in game over when it leaves.
    (*lothar.c->getAircraftResultsPtr())[1] = {2, 1};
    roy.network.setImInGameOver(true);
    ASSERT_TRUE(until([&] { return lothar.link().getOthersInGameOver() == 1; }));
    ASSERT_TRUE(lothar.c->missionState().decided());
    leave(roy);
    ASSERT_TRUE(until([&] { return lothar.link().numberOfJoiners() == 0; }));
    EXPECT_EQ(lothar.link().getOthersInGameOver(), 0) << "nobody left to wait for";
    EXPECT_EQ(lothar.line(4), "Waiting for Joiners to arrive.");
    EXPECT_EQ(lothar.c->pilotScoring().AircraftResults[1], (std::array<int32_t, 2>{2, 1}));
    EXPECT_EQ(lothar.line(5).substr(17, 6), "#2B: 2");
    EXPECT_EQ(lothar.aircraft(1).ThisAircraft.AircraftType, 64);
    EXPECT_EQ(lothar.aircraft(1).ThisAircraft.RemoteLocal, 0);
    lothar.c->newDocument();
    EXPECT_EQ(lothar.c->pilotScoring().AircraftResults[1], (std::array<int32_t, 2>{0, 0}));
    EXPECT_EQ(lothar.aircraft(1).ThisAircraft.AircraftType, missionType) << "in the next game";

    const auto comeBack = [&] {
        join(roy, lothar, 2, 64);
        ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
        lothar.link().acceptJoinerPublic();
        ASSERT_TRUE(until([&] { return roy.link().accepted(); }));
        EXPECT_EQ(roy.link().getJoinerNumber(), 1);
        run(80);  // 240 ticks: past the last game's ten quits
        EXPECT_TRUE(roy.link().accepted());
        EXPECT_EQ(lothar.link().numberOfJoiners(), 1);
    };
    comeBack();  // his quits, naming slot 1, come from the port he has left
    const uint16_t port = lothar.link().localPort();
    leave(lothar);
    ASSERT_TRUE(lothar.c->hostNetworkGame(port, lothar.c->missionState().CurrentMissionNumber));
    EXPECT_EQ(lothar.link().localPort(), port);
    // The host's new game counts nothing of the old one: the joiner alone runs until told.
    players = {&roy};
    hostPlayer = nullptr;
    ASSERT_TRUE(until([&] { return roy.link().getNetworkMode() == 0; }));
    EXPECT_EQ(roy.line(1), "Host has ended the game");
    players = {&lothar, &roy};
    hostPlayer = &lothar;
    comeBack();
}

// Everybody hears of a newcomer as it is taken in, before it has said a word: he is listed as
// his own line lists him ("#2:Roy:R/ 0:"). Every line headed by a player, his arrival or what he
// said, shows his team and kills as the kills line does, on the host and the joiners alike, as
// the kills come.
TEST_F(NetworkPlay, ANewcomerIsListedAndEachPlayersLinesKeepUpWithHisKills) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "roy", "Roy"), voss(dir.path() / "voss", "Voss");
    players = {&lothar, &roy, &voss};
    host(lothar);
    join(roy, lothar, 1, 55);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    EXPECT_EQ(lothar.line(1), "#2:Roy:R/ 0: has joined the game");
    ASSERT_TRUE(until([&] { return roy.link().getThisPlayerNamesPtr(roy.link().getJoinerNumber()) == "Lothar"; }));
    join(voss, lothar, 2, 77);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    EXPECT_EQ(lothar.line(1), "#3:Voss:B/ 0: has joined the game");
    ASSERT_TRUE(until([&] { return roy.line(1) == "#3:Voss:B/ 0: has joined the game"; }));
    for (int n = 1; n < 5; ++n) EXPECT_EQ(voss.line(n).find("has joined"), std::string::npos) << n;

    // Each says something, and each hears the others.
    auto say = [](Player& p, const std::string& text) {
        p.link().setMessageChannel(0);
        p.link().handleTypingAMessage(1070);
        for (const char c : text) p.link().handleTypingAMessage(c);
        p.link().handleTypingAMessage(13);
    };
    say(roy, "roy here");
    say(voss, "voss here");
    say(lothar, "lothar here");
    auto heard = [&](Player& p, const std::string& text) {
        for (int n = 1; n < 5; ++n)
            if (p.line(n).find(text) != std::string::npos) return true;
        return false;
    };
    ASSERT_TRUE(until([&] {
        return heard(lothar, "Roy:R/ 0:roy here") && heard(lothar, "Voss:B/ 0:voss here") && heard(roy, "voss here") &&
               heard(roy, "lothar here") && heard(voss, "roy here") && heard(voss, "lothar here");
    }));

    // Every line a player heads: his team letter and kills as the kills line has them.
    auto headingsFollowKillsLine = [&](Player& p) {
        const std::string kills = p.line(5);
        int headed = 0;
        for (int n = 1; n < 5; ++n) {
            const std::string line = p.line(n);
            const size_t slash = line.find('/');
            if (line.empty() || line[0] != '#' || slash == std::string::npos) continue;
            const size_t slot = size_t(line[1] - '1');
            EXPECT_EQ(line.substr(slash - 1, 1) + line.substr(slash + 1, 2), kills.substr(10 + 9 * slot, 1) + kills.substr(12 + 9 * slot, 2))
                << line << " | " << kills;
            ++headed;
        }
        return headed;
    };
    // Roy (red) downs two of blue, Voss (blue) one of red: the computer's aircraft of the host.
    for (const auto& [victim, shooter] : {std::pair{5, 1}, {6, 1}, {3, 2}}) {
        shootDown(lothar, victim, shooter);
        for (Player* p : players) EXPECT_GT(headingsFollowKillsLine(*p), 0);
    }
    ASSERT_TRUE(until([&] { return heard(roy, "Voss:B/ 1:voss here") && heard(voss, "Roy:R/ 2:roy here"); }));
    for (Player* p : players) EXPECT_GE(headingsFollowKillsLine(*p), 2);  // two messages, and arrivals
    EXPECT_TRUE(heard(lothar, "#2:Roy:R/ 2:roy here") && heard(lothar, "#3:Voss:B/ 1:voss here"));
    EXPECT_EQ(roy.line(0).substr(0, 12), "#1:Roy:R/ 2:") << "his own line";

    // The host's pilot signs in anew under a shorter name while typing, then a longer one.
    lothar.link().handleTypingAMessage(1070);
    lothar.link().handleTypingAMessage('o');
    for (const std::string name : {"Al", "Manfred"}) {
        lothar.c->interface().pilotNameFields[0].stringValue = name;
        lothar.c->fromPlayerSignInOkay();
        run(1);
        EXPECT_EQ(lothar.line(0), "#1:" + name + ":R/ 0:o_");
    }
}

// A mission made in the builder, flown alone and lost, then hosted from the menu with its game
// over window still up: the new game starts with no game over, and the joiner flies it.
TEST_F(NetworkPlay, AGameOverFlownAloneIsNotCarriedIntoTheHostedGame) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar, &roy};
    builder::MissionBuilder& b = lothar.c->missionBuilder();
    b.fromMBMenu(builder::kTagNewMission);
    b.controls().worldMenu = 1;
    b.fromMBMenu(builder::kTagAddWorld);
    std::string path = (dir.path() / "host" / "user" / "Built.pellam").string();
    ASSERT_EQ(builder::writeBuilderMission(path, b.MBMission, b.MBTexts), "");
    std::filesystem::copy_file(path, dir.path() / "joiner" / "user" / "Built.pellam");
    b.fromMBMenu(builder::kTagClose);
    for (Player* p : players) p->c->reloadUserMissions();
    const long built = missions::MissionTable::kFirstUser;
    ASSERT_TRUE(lothar.c->missionTable().loaded(built) && roy.c->missionTable().loaded(built));

    lothar.c->chooseMission(built);
    lothar.c->newDocument();
    lothar.aircraft(0).ThisAircraft.Damage1 |= dmg::Down;  // the maker's test flight ends in a crash
    ASSERT_TRUE(until([&] {
        lothar.c->checkVictoryConditions(false);
        if (!lothar.c->missionState().HaveDoneGameOver) lothar.c->setRunning(true);  // flying on until the window
        return lothar.c->interface().toYouWonOrLost == "Mission Failure";
    }, 2000, 6));
    host(lothar);
    join(roy, lothar, 2, 64);
    ASSERT_TRUE(until([&] { return lothar.link().getJoinerPending() != 0; }));
    lothar.link().acceptJoinerPublic();
    ASSERT_TRUE(until([&] { return roy.link().accepted() && roy.c->missionState().CurrentMissionNumber == built; }));
    run(200);
    EXPECT_EQ(roy.link().getOthersInGameOver(), 0);
    EXPECT_EQ(roy.c->interface().toYouWonOrLost, "");
}

// A hosted Quick Dogfight of one kill, won by a computer pilot when the host's pilot pauses in
// play and forfeits his aircraft: over its game over the host chooses "The Balloon Lines" in
// Select Mission and flies it. Then blue's computer pilot downs the joiner, and the host flies the
// same mission anew while a record of the joiner's wreck is still on its way; then a dogfight of
// individual kills, and one of team kills. Each new game starts clean on both screens: no kill, no
// end and no window of the game before, and the kills lines of the game it is.
TEST_F(NetworkPlay, ANewGameStartsCleanOnBothScreens) {
    Player lothar(dir.path() / "host", "Lothar"), roy(dir.path() / "joiner", "Roy");
    players = {&lothar};
    DogfightWindowControls& d = quickDogfight(lothar, 1, false);
    for (int n = 0; n < 8; ++n) choose(d.DOTeam[size_t(n)], n < 2 ? 0 : 1, 0);  // the players red
    lothar.c->fromDoQuickDogfight();
    host(lothar);
    lothar.c->setRunning(true);
    ASSERT_EQ(comeIn(roy, lothar, 1, 55), 1);
    lothar.c->sendCommand(input::CommandNumber::PauseFlyGameToggle, kKeyDown);
    ASSERT_TRUE(until([&] {
        return lothar.c->interface().toGameOverWindow.open && roy.c->interface().toGameOverWindow.open;
    }));
    EXPECT_EQ(lothar.c->interface().toYouWonOrLost, "You Lost");

    // The joiner's machine sends its aircraft, and the host starts the next game: after answering
    // it, so the new game comes before the host's next word, or before reading it.
    auto balloonLines = [&] {
        lothar.c->fromMenus(kMenuSelectMission);
        lothar.c->fromMissionMenu(lothar.c->missionWindowControls().toMissionMenuPopUp.positionOfTag(kBalloonLines));
    };
    auto fly = [&](bool recordOnItsWay, const std::function<void()>& pick, const std::function<void()>& start,
                   bool byTeam) {
        pick();
        roy.link().exchange().lastSquawkTime = clockTicks - 21;
        for (Player* p : recordOnItsWay ? std::vector{&roy} : std::vector{&roy, &lothar}) {
            stepOneFrame(*p->c, 0);
            settle();
        }
        const int32_t joinerClock = roy.c->clock().GlobalMissionTime;
        start();
        EXPECT_EQ(lothar.link().getOthersInGameOver(), 0) << "the joiner's last game over";
        // In every frame of the new game's first 7 s (on the joiner from the frame it hears of it,
        // its clock starting again) nothing of the game before shows: no tally, the team part only
        // in a game of team kills, and each slot in play or out ("x") as on the host's screen.
        const std::string teams = byTeam ? "R: 0 B: 0 Y: 0 b: 0 " : std::string(20, ' ');
        int told = -1;  // the frame from which the joiner's kills line reads as the host's
        for (int frame = 0; frame < 140 && !HasFailure(); ++frame) {
            run(1);
            for (Player* p : players) {
                if (p == &roy && roy.c->clock().GlobalMissionTime >= joinerClock) continue;
                EXPECT_FALSE(p->c->interface().toGameOverWindow.open || p->c->missionState().decided()) << frame;
                EXPECT_EQ(p->line(5).substr(80, 20), teams) << frame;
                EXPECT_EQ(p->line(5)[106], byTeam ? 'T' : 'I') << frame;
                for (int n = 0; n < 8; ++n) EXPECT_EQ(p->line(5).substr(size_t(12 + 9 * n), 2), " 0") << frame;
            }
            if (roy.c->clock().GlobalMissionTime >= joinerClock) continue;
            killsAsOnTheHost(roy, lothar, false, frame, told);  // the teams are the host's once his names come
        }
        EXPECT_TRUE(told >= 0 && told < 12) << "told in frame " << told;
        EXPECT_EQ(lothar.c->pilotScoring().AircraftResults, (std::array<std::array<int32_t, 2>, 8>{}));
        EXPECT_TRUE(lothar.c->isRunning() && roy.c->isRunning());
        EXPECT_EQ(roy.c->missionState().CurrentMissionNumber, lothar.c->missionState().CurrentMissionNumber);
        EXPECT_EQ(roy.c->missionState().isDogfightOnly, lothar.c->missionState().isDogfightOnly);
    };
    auto flyMission = [&] { lothar.c->fromFlyMissionButton(); };
    fly(false, balloonLines, flyMission, true);
    if (HasFailure()) return;

    run(60);  // past the 300 ticks in which nothing counts on a fresh aircraft
    Aircraft& joiner = lothar.aircraft(1).ThisAircraft;  // downed by slot 4; a wreck on his machine
    joiner.TotalHits = joiner.TotalHitsBeforeDead + 1.0;
    joiner.WhoShotMe = 4;
    roy.aircraft(0).ThisAircraft.Damage1 |= dmg::Down;
    ASSERT_TRUE(until([&] { return roy.line(5).substr(80, 9) == "R: 0 B: 1"; }));
    fly(true, balloonLines, flyMission, true);
    if (HasFailure()) return;

    // Then a Quick Dogfight of individual kills with the last three slots out, in which the
    // joiner downs one; then one of team kills with all in.
    auto dogfight = [&](bool byTeam, int out) {
        return [&, byTeam, out] {
            DogfightWindowControls& next = quickDogfight(lothar, 20, byTeam);
            for (int n = 1; n < 8; ++n) choose(next.DOOnOff[size_t(n)], 0, n >= 8 - out ? 1 : 0);
        };
    };
    auto flyDogfight = [&] { lothar.c->fromDoQuickDogfight(); };
    fly(false, dogfight(false, 3), flyDogfight, false);
    if (HasFailure()) return;
    shootDown(lothar, 4, 1);  // blue's
    ASSERT_TRUE(until([&] { return roy.line(5).substr(12, 2) == " 1"; }));
    fly(false, dogfight(true, 0), flyDogfight, true);
}

// A quit packet as a listener hears it: which listener, the test's tick, the slot it names and
// the port it came from.
struct HeardQuit {
    size_t listener = 0;
    int32_t tick = 0;
    uint8_t slot = 0;
    uint16_t from = 0;
};

// Hears `total` quits, `gap` ticks apart and the first at once: the test's clock moves a tick
// only once every quit due by then has come, so one sent early is heard with an earlier one.
std::vector<HeardQuit> hearQuits(const std::vector<platform::UdpSocket*>& listeners, size_t total, int32_t gap) {
    std::vector<HeardQuit> heard;
    const auto listen = [&] {
        for (size_t k = 0; k < listeners.size(); ++k) {
            std::array<uint8_t, 600> bytes;
            platform::UdpEndpoint from;
            for (long n; (n = listeners[k]->receive(bytes, &from)) >= 0;)
                if (n >= 4 && bytes[2] == net::kQuitPacket) heard.push_back({k, clockTicks.load(), bytes[3], from.port});
        }
    };
    for (const int32_t start = clockTicks; heard.size() < total; ++clockTicks) {
        const size_t due = std::min<size_t>(total, size_t((clockTicks - start) / gap) + 1);
        if (!waitFor([&] { return listen(), heard.size() >= due; }, "quit " + std::to_string(due))) break;
        EXPECT_EQ(heard.size(), due) << "at tick " << clockTicks - start;
    }
    return heard;
}

// Ending a network game returns at once, on a clock that stands still meanwhile; the ten quits
// then go out as the clock moves: a host's round its joiners, 3 ticks apart, a joiner's to its
// host, 20 ticks apart, so that a moment's loss cannot take them all. A game ended as the program
// closes has what is left of its quits sent before its network object is gone.
TEST(NetworkEnd, TheHostsQuitsAreSpreadOverTicks) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    std::array<platform::UdpSocket, 2> joiners;
    std::string error;
    for (platform::UdpSocket& j : joiners) ASSERT_TRUE(j.open(0, &error)) << error;
    auto network = std::make_unique<GameNetwork>();
    ASSERT_EQ(network->startNetworkRoutines(0, ControllerNetwork::kHostRole), 0);
    for (int k = 0; k < 2; ++k) network->sockets().setJoiner(k + 1, kLoopback, joiners[size_t(k)].localPort());
    network->closeNetworkRoutines();
    EXPECT_EQ(network->getNetworkMode(), 0);
    std::vector<HeardQuit> heard = hearQuits({&joiners[0], &joiners[1]}, 20, 3);
    ASSERT_EQ(heard.size(), 20u);
    for (size_t i = 1; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].listener, i % 2) << "round the joiners";
        EXPECT_EQ(heard[i].tick - heard[i - 1].tick, 3) << i;
    }

    // An accepted joiner (slot 3) leaves: his quits go to his host from the port it knows him by.
    std::array<uint8_t, 48> name{13, '#', '1', ':', 'R', 'o', 'y', ':', 'R', '/', ' ', '0', ':', '0'};
    network->setJoinerParticularsName(name, kLoopback, 1, 0, 1);
    ASSERT_EQ(network->startNetworkRoutines(joiners[0].localPort(), ControllerNetwork::kJoinerRole), 0);
    const uint16_t joinerPort = network->localPort();
    network->sockets().setAccepted(true);
    network->sockets().setJoinerNumber(3);
    network->closeNetworkRoutines();
    heard = hearQuits({&joiners[0]}, 10, 20);
    ASSERT_EQ(heard.size(), 10u);
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].slot, 3);
        EXPECT_EQ(heard[i].from, joinerPort);
    }
    for (size_t i = 1; i < heard.size(); ++i) EXPECT_EQ(heard[i].tick - heard[i - 1].tick, 20) << i;

    // The program closes with a hosted game's quits still due, on a clock nobody moves any more.
    ASSERT_EQ(network->startNetworkRoutines(0, ControllerNetwork::kHostRole), 0);
    network->sockets().setJoiner(1, kLoopback, joiners[1].localPort());
    network->closeNetworkRoutines();
    network.reset();
    std::array<uint8_t, 600> bytes;
    platform::UdpEndpoint from;
    int quits = 0;
    EXPECT_TRUE(waitFor([&] {
        for (long n; (n = joiners[1].receive(bytes, &from)) >= 0;) quits += n >= 3 && bytes[2] == net::kQuitPacket;
        return quits == 10;
    }, "the ten quit packets"));
}

}  // namespace
}  // namespace pellam::testing
