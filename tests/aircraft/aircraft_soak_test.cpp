// Ten minutes of each aircraft in every state it can come to: flying, standing on the ground,
// crashed, a wreck lying nose down, a wing lost, burning, the pilot dead. However long a state
// lasts, nothing in the record may run away to infinity or turn into NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;    // ft
constexpr int kTenMinutes = 36000;  // ticks

// Byte offset of the first 8-byte slot of `bytes` that holds an infinity or a NaN, or -1. A slot
// whose upper half reads as a small negative integer is a pair of whole-number fields (a -1
// marker, say) and is passed over: the NaN and infinity that arithmetic makes never look so.
long firstNonFinite(const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t at = 0; at + 8 <= size; at += 8) {
        double d;
        std::memcpy(&d, p + at, 8);
        if (std::isfinite(d)) continue;
        int32_t upper;
        std::memcpy(&upper, p + at + 4, 4);
        if (upper < 0 && upper >= -65536) continue;
        return static_cast<long>(at);
    }
    return -1;
}

template <typename Type>
struct Soak : ::testing::Test {
    BasicCamelWorld<Type> w{std::make_unique<FlatTerrain>(kField)};

    // Where the record or the aircraft's own motion first stopped being finite, or "".
    std::string whatIsNotFinite() {
        const Type& c = *w.camel;
        if (long at = firstNonFinite(&c.ThisAircraft, sizeof c.ThisAircraft); at >= 0)
            return "record byte " + std::to_string(at);
        if (long at = firstNonFinite(c.Surfaces.data(), sizeof c.Surfaces); at >= 0)
            return "surface byte " + std::to_string(at);
        if (!w.finite()) return "pose or motion";
        return "";
    }

    // Puts the aircraft into a state by `enter`, then lets ten minutes pass with the controls as
    // they are, looking at the whole record once a second.
    void soak(const char* state, const std::function<void()>& enter) {
        ZephModel::simulationRandom().seed(1918);
        w.camel->SetUpAircraft(0.0, kField + 3000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        enter();
        for (int t = 0; t < kTenMinutes; ++t) {
            w.tick();
            if (t % 60 != 0) continue;
            const std::string bad = whatIsNotFinite();
            ASSERT_EQ(bad, "") << state << ", after " << t / 60 << " s";
        }
        ASSERT_EQ(whatIsNotFinite(), "") << state;
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

using Aircraft3 = ::testing::Types<ObjectTestFile, FokkerDr1, FokkerDVII>;
TYPED_TEST_SUITE(Soak, Aircraft3);

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
