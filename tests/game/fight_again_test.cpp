// The same seeded Quick Dogfight started again in one run of the game flies as it did before,
// whatever came before it: the game's start-up, or a fight of another length at another frame
// rate. Starting the same mission again keeps its aircraft objects, so anything a fight leaves in
// them that the new set-up does not clear shows here as a different fight. The frame benchmark
// and its picture test set their scenes one after another this way.
#include <gtest/gtest.h>

#include <vector>

#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

class FightAgain : public MissionRig {
protected:
    // Quick Dogfight on mission 0, seeded, the player's aircraft on the computer pilot, run
    // `ticks` ticks in frames of `perFrame`; answers every aircraft's pose, damage, hits and
    // propeller angle, and the tallies.
    std::vector<double> fight(int32_t ticks, int32_t perFrame) {
        c->fromMissionMenu(c->missionWindowControls().toMissionMenuPopUp.positionOfTag(0));
        c->fromFlyQuickDogfightButton();
        c->seedSimulation(44);
        c->fromDoQuickDogfight();
        EXPECT_TRUE(c->isRunning());
        for (int32_t t = 0; t < ticks; t += perFrame) {
            Aircraft& own = aircraft(0).ThisAircraft;
            if (own.AIType <= 0) own.AIType = 1;
            c->stepWorld(perFrame);
        }
        std::vector<double> state{double(c->clock().GlobalMissionTime)};
        for (long n = 0; n < ModelArray::kAircraftSlots; ++n) {
            const FlyableAircraft& a = aircraft(n);
            state.insert(state.end(), a.live.attitude.Position.begin(), a.live.attitude.Position.end());
            state.insert(state.end(), a.live.attitude.QAttitude.begin(), a.live.attitude.QAttitude.end());
            state.push_back(a.ThisAircraft.Damage1);
            state.push_back(a.ThisAircraft.TotalHits);
            state.push_back(a.Drawing.propAngle);
        }
        for (const auto& slot : *c->getAircraftResultsPtr()) state.insert(state.end(), slot.begin(), slot.end());
        return state;
    }
};

TEST_F(FightAgain, SameSeedSameFightWhateverRanBefore) {
    constexpr int32_t kTicks = 600;
    const std::vector<double> first = fight(kTicks, 3);
    // Not the start pattern still: the aircraft flew.
    const std::vector<double> unflown = fight(0, 3);
    EXPECT_NE(first, unflown);
    fight(kTicks + 450, 2);
    EXPECT_EQ(fight(kTicks, 3), first) << "after a longer fight at another frame rate";
    EXPECT_EQ(fight(kTicks, 3), first) << "straight after itself";
}

}  // namespace
}  // namespace pellam::testing
