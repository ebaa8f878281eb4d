// What the overlay puts over a frame: the replay position, and the veils of sun glare, black-out
// and red-out.
#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

class OverlayRig : public MissionRig {
protected:
    Overlay draw() {
        Overlay out;
        c->debugchance(out);
        return out;
    }
    Aircraft& ours() { return aircraft(0).ThisAircraft; }
};

TEST_F(OverlayRig, AReplaySpeedOutOfRangeIsPutBack) {
    c->ReplayFlag = true;
    c->isKey = true;
    c->ReplaySpeed = 7;
    c->SavedGlobalMissionTime = 1000;
    c->GlobalMissionTime = 1040;  // past the recorded stretch
    const Overlay out = draw();
    EXPECT_EQ(c->ReplaySpeed, 1);
    ASSERT_EQ(out.count, 1);
    const OverlayText& t = out.texts[0];
    EXPECT_EQ(std::string(t.text + 1, t.text + 1 + t.text[0]), "Replay: 1 -00.0");
}

TEST_F(OverlayRig, GlareByDayVeilsInTheCockpitNoneAfterBailingOut) {
    c->gamePause = true;
    c->CloudLayerState = 0;
    c->CameraAircraft = ModelArray::kFirstAircraft;
    c->CameraPosition = 0;
    mission().TimeOfDay = 112;  // hour 12
    // The camera looks along its own z axis; put the sun there.
    double m[16] = {};
    ZephModel::quaternionToMatrix(c->ViewingQNion.QAttitude.data(), m);
    view.setSunVectorFromTime(12);
    double* sun = const_cast<double*>(view.getSunUnitVector());
    sun[0] = m[2], sun[1] = m[6], sun[2] = m[10];
    ours().BlackRedOutLevel = 100;
    EXPECT_TRUE(draw().veil);
    mission().TimeOfDay = 19;
    EXPECT_FALSE(draw().veil);  // evening: no glare, and no pilot's veil either
    ours().BlackRedOutLevel = -50;
    EXPECT_TRUE(draw().veil);
    ours().GuyBailedOut = 1;
    EXPECT_FALSE(draw().veil);
}

}  // namespace
}  // namespace pellam::testing
