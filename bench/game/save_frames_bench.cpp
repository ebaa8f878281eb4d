// Frame times of the headless game flying the patrol mission while the player scores a kill every
// 20 frames, each kill saving the pilot records. The same fight three ways: with no record saves
// (the records unread, so never written: the baseline), as the game saves (the writer thread takes
// the write), and inside the frame as a synchronous save with fsync would. Counters, in ms: the
// median and longest of the kill frames and of the other frames (the fight's own events make
// some frames long whatever the saving). The settings file lives in the working folder, so the
// fsync reaches the disk the game's files live on (run it from the build folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "aircraft/FlyableAircraft.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "missions/MissionFile.h"
#include "tests/flight/TestWorld.h"
#include "tests/game/frame_step.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

constexpr int kFrames = 1200;
constexpr int kFramesPerKill = 20;

struct Figures {
    std::vector<double> kills, plain;  // ms per frame
    int saves = 0;
};

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double longest(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); }

// The game whose pilot records can be set aside, so that a kill saves nothing: the figure without saves.
struct BenchGame : VADArizodazar2 {
    using VADArizodazar2::VADArizodazar2;
    void forgetPilotRecords() { pilots_.PilotStatsLoaded = false; }
};

enum class Saving { kNone, kWriterThread, kInFrame };

Figures flyWithKills(Saving saving) {
    const fs::path folder = fs::current_path() / ("pellam save frames " + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    Figures figures;
    {
        auto record = std::make_unique<missions::MissionData>();
        missions::MissionTexts texts;
        missiongen::buildPatrolMission(*record, texts);
        missions::writeMissionFile((folder / "pellamm1.pellam").string(), *record, texts);
        platform::UserDefaults store((folder / "defaults.json").string());
        StandInView view;
        StandInNetwork network;
        BenchGame game(GameController::Links{&store, &view, nullptr, nullptr, &network},
                            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<testing::FlatTerrain>(100.0); },
                                                    nullptr, folder.string() + "/", {}, folder.string() + "/"});
        game.awakeFromNib();
        game.fromPlayerSignInOkay();
        game.skipMissionSelection();
        game.fromFlyMissionButton();
        store.flush();
        if (saving == Saving::kNone) game.forgetPilotRecords();  // savePilots then writes nothing
        for (int frame = 0; frame < kFrames; ++frame) {
            const bool kill = frame % kFramesPerKill == kFramesPerKill - 1;
            FlyableAircraft* ours = game.aircraftAt(ModelArray::kFirstAircraft);
            FlyableAircraft* victim = game.aircraftAt(ModelArray::kFirstAircraft + 1 + frame / kFramesPerKill % 7);
            if (kill && ours && victim) {
                ours->ThisAircraft.Team = 1;
                victim->ThisAircraft.Team = 2;
                victim->ThisAircraft.TotalHitsBeforeDead = 100;
                victim->ThisAircraft.TotalHits = 150;
                victim->ThisAircraft.WhoShotMe = 0;
            }
            const uint64_t queued = store.writer().counters().queued;
            const auto start = std::chrono::steady_clock::now();
            for (const std::string& report : store.takeReports()) game.tellPlayer(report);
            testing::stepOneFrame(game, 1);
            const bool saved = store.writer().counters().queued != queued;
            if (saved && saving == Saving::kInFrame) store.synchronize();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            (kill ? figures.kills : figures.plain).push_back(ms);
            figures.saves += saved;
            if (victim && victim->ThisAircraft.WhoShotMe == -2) {  // credited: ready for the next kill
                victim->ThisAircraft.TotalHits = 0;
                victim->ThisAircraft.WhoShotMe = -1;
            }
        }
        store.flush();
    }
    fs::remove_all(folder);
    return figures;
}

void BM_FightWithKills(benchmark::State& state) {
    const auto saving = static_cast<Saving>(state.range(0));
    Figures figures;
    for (auto _ : state) figures = flyWithKills(saving);
    state.counters["saves"] = figures.saves;
    state.counters["kill_median_ms"] = median(figures.kills);
    state.counters["kill_longest_ms"] = longest(figures.kills);
    state.counters["other_median_ms"] = median(figures.plain);
    state.counters["other_longest_ms"] = longest(figures.plain);
    state.SetLabel(saving == Saving::kNone           ? "no record saves"
                   : saving == Saving::kWriterThread ? "saved by the writer thread"
                                                     : "saved inside the frame");
}
BENCHMARK(BM_FightWithKills)->DenseRange(0, 2)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellam
