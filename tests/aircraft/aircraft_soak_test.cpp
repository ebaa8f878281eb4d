// Ten minutes of each aircraft in every state it can come to: flying, standing on the ground,
// crashed, a wreck lying nose down, a wing lost, burning, the pilot dead. However long a state
// lasts, nothing in the record may run away to infinity or turn into NaN.
#include <gtest/gtest.h>

#include <functional>

#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;    // ft
constexpr int kTenMinutes = 36000;  // ticks

template <typename Type>
struct Soak : ::testing::Test {
    BasicCamelWorld<Type> w{std::make_unique<FlatTerrain>(kField)};

    // Puts the aircraft into a state by `enter`, then lets ten minutes pass with the controls as
    // they are, looking at the whole record once a second.
    void soak(const char* state, const std::function<void()>& enter) {
        ZephModel::simulationRandom().seed(1918);
        w.camel->SetUpAircraft(0.0, kField + 3000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        enter();
        for (int t = 0; t < kTenMinutes; ++t) {
            w.tick();
            if (t % 60 == 0 || t == kTenMinutes - 1) {
                ASSERT_TRUE(w.finite()) << state << ", after " << t / 60 << " s";
            }
        }
    }

    // Into the ground nose first; done once the aircraft is down.
    void crash(double pitch) {
        w.camel->SetUpAircraft(0.0, kField + 600.0, 0.0, 0.0, pitch, 120.0, 1.0);
        w.run(900, [&] {
            w.camel->ElevatorInputAbsolute(-1.0);
            return !(w.a().Damage1 & dmg::Down);
        });
        ASSERT_TRUE(w.a().Damage1 & dmg::Down);
    }
};

TYPED_TEST_SUITE(Soak, AllThreeAircraft);

TYPED_TEST(Soak, EveryStateStaysFiniteForTenMinutes) {
    auto& w = this->w;
    this->soak("flying", [] {});
    this->soak("on the ground", [&] { w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 0.1); });
    this->soak("crashed", [&] { this->crash(-60.0); });
    this->soak("nose-down wreck", [&] {
        this->crash(-85.0);
        // However it came to rest, it now stands on its nose.
        w.camel->ModelAttitude.QAttitude = {1.0, 0.0, 0.0, 0.0};
        w.camel->rotatePitchByDegrees(80.0);
        w.camel->PreviousModelAttitude = w.camel->ModelAttitude;
    });
    this->soak("wing lost", [&] { w.camel->wingComesOff(0); });
    this->soak("burning", [&] {
        w.a().EngineSmokingTime = 1;
        w.camel->orDamage1(dmg::EngineDamaged | dmg::FuelTankHoled);
        w.a().TotalHits = w.a().TotalHitsBeforeDead * 0.9;
    });
    this->soak("pilot dead", [&] { w.a().TotalHits = w.a().TotalHitsBeforeDead + 10.0; });
}

}  // namespace
}  // namespace pellam::testing
