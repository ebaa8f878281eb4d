// A mission file from the user's folder or a friend. Any bytes are either refused with a reason or
// read into a record that writes back to a file reading as the same record and texts; a file the
// reader takes then starts as a mission and flies a few ticks with every object somewhere, and the
// builder opens it and saves a file whose numbers need no bounding when read again.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fuzz/FuzzFile.h"
#include "game/VADArizodazar2.h"
#include "missions/MissionBounds.h"
#include "missions/MissionFile.h"
#include "platform/UserDefaults.h"
#include "tests/game/frame_step.h"
#include "world/RIDUdidav.h"

namespace {

using namespace pellam;
using namespace pellam::missions;

constexpr long kSlot = 1;
constexpr int kFrames = 10;  // of two ticks each

void roundTrip(const std::vector<uint8_t>& bytes, MissionFileContents& once) {
    MissionFileContents twice;
    if (!parseMissionFile(encodeMissionFile(once.texts, once.record), twice).empty()) std::abort();
    if (encodeMissionRecord(once.record) != encodeMissionRecord(twice.record)) std::abort();
    if (once.texts.title != twice.texts.title || once.texts.description != twice.texts.description) std::abort();
}

// One game for the whole run, over the real terrain object without its height data (flat, sea).
struct Game {
    std::unique_ptr<platform::UserDefaults> store;
    std::unique_ptr<VADArizodazar2> c;
    uint32_t draws = 1;

    Game() {
        const std::string folder = fuzz::fuzzFolder() + "/";
        store = std::make_unique<platform::UserDefaults>(folder + "defaults.json");
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store.get()},
            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<RIDUdidav>(); }, nullptr, folder,
                                    [this] { return nextDraw(); }, folder + "Missions/"});
        c->awakeFromNib();
        c->fromPlayerSignInOkay();
        c->skipMissionSelection();
    }
    // Draws repeat for each input, so a finding replays.
    int32_t nextDraw() {
        draws = draws * 1103515245u + 12345u;
        return static_cast<int32_t>((draws >> 16) & 0xFFFF) - 32768;
    }
};

Game& game() {
    static Game g;
    return g;
}

void flyMission(Game& g, MissionFileContents&& contents) {
    VADArizodazar2& c = *g.c;
    g.draws = 1;
    c.seedSimulation(1);
    c.missionTable().store(kSlot, std::move(contents));
    c.chooseMission(kSlot);
    c.rebuildWorldOnNextGame();
    c.newDocument();
    for (int f = 0; f < kFrames; ++f) testing::stepOneFrame(c, 2);
    ModelArray& models = *c.getModelArray();
    for (long i = 0; i < models.size(); ++i)
        for (double at : models.at(i)->live.attitude.Position)
            if (!std::isfinite(at)) std::abort();
}

// The builder refuses a file whose byte sum is not its Hash1, so the record goes to it rewritten
// with its own sum: the numbers it holds reach the builder as the file had them.
void openAndSave(Game& g, const MissionFileContents& once) {
    const std::string path = fuzz::fuzzFolder() + "/builder.pellam";
    auto record = std::make_unique<MissionData>(once.record);
    if (!writeMissionFile(path, *record, once.texts).empty()) return;
    builder::MissionBuilder& b = g.c->missionBuilder();
    if (b.openMission(path)) {
        b.fromMBMenu(builder::kTagSave);
        auto saved = std::make_unique<MissionFileContents>();
        if (!readMissionFile(path, *saved).empty()) std::abort();
        if (boundMissionRecord(saved->record).changed != 0) std::abort();
    }
    b.leaveBuilder();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    auto once = std::make_unique<MissionFileContents>();
    if (!parseMissionFile(bytes, *once).empty()) return 0;
    roundTrip(bytes, *once);

    Game& g = game();
    auto read = std::make_unique<MissionFileContents>();
    if (!readMissionFile(fuzz::writeFuzzFile("fuzz.pellam", data, size), *read).empty()) return 0;
    flyMission(g, std::move(*read));
    openAndSave(g, *once);
    return 0;
}
