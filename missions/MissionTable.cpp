#include "missions/MissionTable.h"

#include "platform/Log.h"

namespace pellam::missions {
namespace {

const char* const kBuiltInFiles[MissionTable::kBuiltIn] = {
    "pellamm1.pellam",  "pellamm2.pellam",  "pellamm8.pellam",  "pellamm3.pellam",      "pellamm4.pellam",
    "pellamm5.pellam",  "pellamm6.pellam",  "pellamm7.pellam",  "pellamm9.pellam",      "pellamm10.pellam",
    "pellamm11.pellam", "pellamm12.pellam", "pellamonline1.pellam", "pellamonline2.pellam", "pellamm13.pellam",
    "pellamm14.pellam", "pellamm19.pellam", "pellamm15.pellam", "pellamm16.pellam",     "pellamm17.pellam",
    "pellamm18.pellam", "pellamm20.pellam", "pellamm21.pellam"};

}  // namespace

MissionTable::MissionTable() : texts_(kSlots), loaded_(kSlots, false) {}

MissionData* MissionTable::record(long slot) {
    if (slot < 0 || slot >= kSlots) return nullptr;
    if (!records_[slot]) records_[slot] = std::make_unique<MissionData>();
    return records_[slot].get();
}

const MissionData* MissionTable::record(long slot) const {
    static const MissionData kEmpty{};
    if (slot < 0 || slot >= kSlots) return nullptr;
    return records_[slot] ? records_[slot].get() : &kEmpty;
}

int MissionTable::recordsHeld() const {
    int held = 0;
    for (const auto& r : records_) held += r != nullptr;
    return held;
}

const MissionTexts* MissionTable::texts(long slot) const {
    return slot >= 0 && slot < kSlots ? &texts_[slot] : nullptr;
}

bool MissionTable::loadMyMission(const std::string& path, long slot) {
    if (slot < 0 || slot >= kSlots) return false;
    auto read = std::make_unique<MissionFileContents>();
    if (std::string why = readMissionFile(path, *read); !why.empty()) {
        platform::logMessage("Mission slot " + std::to_string(slot) + " skipped: " + why);
        return false;
    }
    return store(slot, std::move(*read));
}

bool MissionTable::store(long slot, MissionFileContents&& contents) {
    if (slot < 0 || slot >= kSlots) return false;
    *record(slot) = contents.record;
    texts_[slot] = std::move(contents.texts);
    loaded_[slot] = true;
    return true;
}

void MissionTable::clear(long slot) {
    if (slot < 0 || slot >= kSlots) return;
    if (records_[slot]) records_[slot]->TotalObjects = 0;
    texts_[slot] = {};
    loaded_[slot] = false;
}

const std::array<int, MissionTable::kBuiltIn>& MissionTable::builtInReadingOrder() {
    // "pellamm8" (slot 2) was added after the first seven and is read eighth.
    static const std::array<int, kBuiltIn> order = {0, 1, 3, 4, 5, 6, 7, 2, 8, 9, 10, 11,
                                                    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
    return order;
}

void MissionTable::startUpMission(const std::string& folder) {
    for (int slot : builtInReadingOrder()) loadMyMission(folder + kBuiltInFiles[slot], slot);
}

std::string MissionTable::builtInFileName(long slot) {
    return slot >= 0 && slot < kBuiltIn ? kBuiltInFiles[slot] : std::string();
}

}  // namespace pellam::missions
