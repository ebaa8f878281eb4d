#pragma once
// A controller that runs missions without a window: mission 0 (the built-in patrol) and a second
// mission in slot 1 are read from a folder of their own, over flat ground at 100 ft. Draws come
// from `draws` while it holds any, then 0.
#include "aircraft/FlyableAircraft.h"
#include "platform/Beep.h"
#include "tests/game/worldstep_rig.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam::testing {

struct SkyView : StandInView {
    double sun = -1.0;
    std::array<double, 3> light{0.6, 0.8, 0.0};  // the sun's direction, from east of the zenith
    std::array<double, 3> nearPlane{};  // ahead, half width, half height (ft); none by default
    double nearLimit = 0;                // ft the main view's near plane was last pulled in to; 0 none
    void setSunVectorFromTime(double hours) override { sun = hours; }
    const double* getSunUnitVector() override { return light.data(); }
    std::array<double, 3> getNearPlane() override { return nearPlane; }
    void setWorldNearLimit(double ft) override { nearLimit = ft; }
    std::array<double, 3> nearPlane2{};  // the second window's
    double nearLimit2 = 0;
    std::array<double, 3> getSecondNearPlane() override { return nearPlane2; }
    void setSecondNearLimit(double ft) override { nearLimit2 = ft; }
    long inside = -1;  // the aircraft whose cockpit the main view draws
    void setCameraInsideItem(long item) override { inside = item; }
};

class MissionRig : public ::testing::Test {
protected:
    void SetUp() override {
        auto record = std::make_unique<missions::MissionData>();
        missions::MissionTexts texts;
        missiongen::buildPatrolMission(*record, texts);
        write("pellamm1.pellam", *record, texts);
        // Slot 1: the same patrol later in the day, with two more clouds.
        texts.title = "Evening Patrol";
        record->TimeOfDay = 19;
        for (int k = 0; k < 2; ++k) {
            record->ObjectList[record->TotalObjects] = record->ObjectList[record->TotalObjects - 1];
            record->ObjectList[record->TotalObjects++].Location[0] += 3000.0 * (k + 1);
        }
        write("pellamm2.pellam", *record, texts);
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store_.get(), &view, nullptr, nullptr, &network},
            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<FlatTerrain>(100.0); }, nullptr,
                                    folder_.string() + "/", [this] { return nextDraw(); }});
        c->awakeFromNib();
        c->seedSimulation(11);  // start-up seeds it from the system; each run is the same fight
        c->fromPlayerSignInOkay();
        c->skipMissionSelection();
        c->fromFlyMissionButton();
    }

    void write(const std::string& name, missions::MissionData& record, const missions::MissionTexts& texts) {
        ASSERT_EQ(missions::writeMissionFile((folder_ / name).string(), record, texts), "");
    }
    int32_t nextDraw() {
        if (draws.empty()) return 0;
        const int32_t d = draws.front();
        draws.pop_front();
        return d;
    }
    void frame(int32_t ticks = 1) { stepOneFrame(*c, ticks); }
    missions::MissionData& mission(long slot = 0) { return *c->missionTable().record(slot); }
    FlyableAircraft& aircraft(long n) { return *c->aircraftAt(n + ModelArray::kFirstAircraft); }
    std::vector<ZephModel*> objects() {
        std::vector<ZephModel*> all;
        for (long i = 0; i < c->getModelArray()->size(); ++i) all.push_back(c->modelAt(i));
        return all;
    }

    TestFolder dir_{"pellam missions"};
    std::filesystem::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    SkyView view;
    FakeNetwork network;
    std::deque<int32_t> draws;
    std::unique_ptr<VADArizodazar2> c;
};

}  // namespace pellam::testing
