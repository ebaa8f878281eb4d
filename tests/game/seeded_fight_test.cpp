// One seeded fight of eight computer-flown Camels through the controller's world step, with the
// real hit tests: the same seed gives byte-identical aircraft records whether the frame comes
// every tick, every second or every third, whether the aircraft's sounds play or not, and whether
// the player paused half way to watch a replay. The system's tick count moves with the frames,
// as on a real machine, so nothing in the simulation may read it. Network play and replays rely
// on it.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "flight/AIPilotProfiles.h"
#include "game/FlightEffects.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

// Sounds that vary as the sound object's do, from the stream outside the simulation.
struct VaryingSounds : SoundServices {
    void PlayASingleSound(int32_t, int32_t) override { platform::presentationRandom().longFrom(0, 100); }
    void SetContinousVolume(int32_t, int32_t) override { platform::presentationRandom().next(); }
};

// Made in zeroed memory, so the record's padding compares equal from run to run.
struct ZeroedCamel : ObjectTestFile {
    static void* operator new(std::size_t n) {
        void* p = ::operator new(n);
        std::memset(p, 0, n);
        return p;
    }
    static void operator delete(void* p) { ::operator delete(p); }
};

class FightRun : public WorldRig {
public:
    void TestBody() override {}

    // Runs `ticks` ticks of the fight in frames of `perFrame`, drawing every aircraft after each
    // frame, with or without sound and a replay half way; answers each aircraft's record with its
    // pointers cleared, and its replay ring.
    std::vector<std::vector<uint8_t>> fight(int32_t ticks, int32_t perFrame, bool sound, bool replay) {
        platform::ScopedTickSource clock([this] { return uint32_t(100000 + frames); });
        SetUp();
        definePilotProfiles(profiles);
        ModelArray& models = *c->getModelArray();
        for (int k = 0; k < 8; ++k) {
            auto camel = std::make_unique<ZeroedCamel>();
            camel->setaController(c.get());
            camel->setTerrain(terrain);
            camel->setSoundGuy(sound ? &sounds : nullptr);
            camel->initWithGLView(nullptr);
            // Two lines of four, 5,000 ft apart, nose to nose.
            const bool north = k < 4;
            camel->SetUpAircraft(400.0 * (k % 4), 3000.0 + 150.0 * (k % 4), north ? 0.0 : 5000.0,
                                 north ? 0.0 : 180.0, 0.0, 100.0, 1.0);
            camel->copyCurrentQNionToStart();
            camel->setPilotsPtr(profiles.data());
            Aircraft& a = camel->ThisAircraft;
            a.Team = north ? 1 : 2;
            a.AIType = 1;
            a.aiPilotNumber = k % 3;
            a.aiVariables[0] = -1.0;
            a.AutoPilotData[2] = -1.0;
            planes[k] = static_cast<FlyableAircraft*>(models.put(ModelArray::kFirstAircraft + k, std::move(camel)));
        }
        c->seedSimulation(1918);
        platform::seedRandom(sound ? 5 : 6);  // the other stream may be anywhere
        const int32_t start = c->clock().GlobalMissionTime;
        auto run = [&](int32_t until) {
            while (c->clock().GlobalMissionTime - start < until) {
                frame(perFrame);
                ++frames;
                for (FlyableAircraft* p : planes) {
                    p->getDrawingData(c->clock().GlobalMissionTime);
                    p->drawMySmokeItems();
                }
            }
        };
        run(replay ? ticks / 2 : ticks);
        if (replay) watchAReplay();
        run(ticks);
        std::vector<std::vector<uint8_t>> out;
        for (FlyableAircraft* p : planes) {
            const Aircraft& a = p->ThisAircraft;
            hits += a.TotalHits > 0;
            wingsLost += (a.Damage1 & (dmg::LeftWingGone | dmg::RightWingGone)) != 0;
            std::vector<uint8_t> bytes(sizeof a);
            std::memcpy(bytes.data(), &a, sizeof a);
            // The pointers: the surfaces and profiles cleared, the aircraft as model indexes.
            for (std::size_t at : {offsetof(Aircraft, Shape), offsetof(Aircraft, aiPilotsPtr)})
                std::memset(bytes.data() + at, 0, sizeof(void*));
            const std::pair<std::size_t, ZephModel*> named[] = {{offsetof(Aircraft, ClosestEnemy), a.ClosestEnemy},
                                                                 {offsetof(Aircraft, ClosestAircraft), a.ClosestAircraft}};
            for (const auto& [at, model] : named) {
                const int64_t index = model ? models.indexOf(model) : -1;
                std::memcpy(bytes.data() + at, &index, sizeof index);
            }
            out.push_back(bytes);
            out.push_back(p->ReplayBufferAddress);
        }
        TearDown();
        return out;
    }

    // Pause, replay past the newest moment and round again, stop and fly on: the replay stays
    // within its recorded stretch and the clock comes back to where the pause left it.
    void watchAReplay() {
        send(Cmd::PauseFlyGameToggle, kKeyDown);
        const int32_t clock = c->clock().GlobalMissionTime;
        for (int i = 0; i < 30; ++i) frame(3);
        send(Cmd::BeginEndReplayOfAction, kKeyUp);
        send(Cmd::PauseFlyGameToggle, kKeyDown);
        int32_t lowest = c->clock().GlobalMissionTime, highest = lowest;
        for (int i = 0; i < 500; ++i) {
            frame(3);
            lowest = std::min(lowest, c->clock().GlobalMissionTime);
            highest = std::max(highest, c->clock().GlobalMissionTime);
        }
        EXPECT_LT(highest, clock);
        EXPECT_GE(lowest, clock - c->replay().ReplayRollOver);
        send(Cmd::PauseFlyGameToggle, kKeyDown);
        send(Cmd::BeginEndReplayOfAction, kKeyUp);
        EXPECT_EQ(c->clock().GlobalMissionTime, clock);
        send(Cmd::PauseFlyGameToggle, kKeyDown);
    }

    AIPilotTable profiles{};
    VaryingSounds sounds;
    std::array<FlyableAircraft*, 8> planes{};
    FlightEffects realHits;
    int hits = 0, wingsLost = 0;
    int32_t frames = 0;  // the system's tick count, one a frame

protected:
    ControllerEffects* effectsLink() override { return &realHits; }
};

TEST(SeededFight, SameRecordsWhateverTheFrameRateTheSoundAndAReplayBetween) {
    constexpr int32_t kTicks = 15 * 60;  // long enough for hits, wings lost and the AI's random choices
    FightRun everyTick, everySecond, everyThird;
    const auto first = everyTick.fight(kTicks, 1, true, false);
    EXPECT_GT(everyTick.hits, 0);  // a fight, not a fly-past
    EXPECT_GT(everyTick.wingsLost, 0);
    const auto runs = {everySecond.fight(kTicks, 2, true, false), everyThird.fight(kTicks, 3, false, true)};
    int perFrame = 2;
    for (const auto& other : runs) {
        ASSERT_EQ(first.size(), other.size());
        for (std::size_t i = 0; i < first.size(); ++i)
            EXPECT_TRUE(first[i] == other[i])
                << (i % 2 ? "replay ring" : "record") << " of aircraft " << i / 2 << " at " << perFrame << " ticks a frame";
        ++perFrame;
    }
}

}  // namespace
}  // namespace pellam::testing
