#pragma once
// The controller's mission table: 206 slots of mission records with their texts. Slots 0..22 hold
// the built-in missions, read once at start-up; user missions take higher slots. A slot whose
// file could not be read keeps what it held (zeros at start-up) and is marked not loaded, so its
// menu item can be disabled and a start of it refused. A record (31 KB) is held only for a slot
// that was filled or asked for writing: most of the 206 are never used.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "missions/MissionFile.h"

namespace pellam::missions {

class MissionTable {
public:
    static constexpr int kSlots = 206;
    static constexpr int kBuiltIn = 23;
    static constexpr int kFirstUser = 51, kLastUser = 200;  // user missions, in load order

    MissionTable();

    // Null for a slot outside 0..205. The writable record of an empty slot is made on first use;
    // read only, an empty slot answers a shared record of zeros.
    MissionData* record(long slot);
    const MissionData* record(long slot) const;
    const MissionTexts* texts(long slot) const;
    bool loaded(long slot) const { return slot >= 0 && slot < kSlots && loaded_[slot]; }

    // Reads the file into the slot; a file that fails is logged and leaves the slot as it was.
    bool loadMyMission(const std::string& path, long slot);
    // A checked file's contents into the slot; false outside 0..205.
    bool store(long slot, MissionFileContents&& contents);
    // Empties a slot: no objects, no texts, not loaded.
    void clear(long slot);
    // The 23 built-in missions from `folder` (ending in '/'), in their reading order.
    void startUpMission(const std::string& folder);
    // The file name of a built-in slot, empty outside 0..22.
    static std::string builtInFileName(long slot);
    // The order in which start-up reads the built-in slots.
    static const std::array<int, kBuiltIn>& builtInReadingOrder();
    // How many slots hold a record of their own.
    int recordsHeld() const;

private:
    std::array<std::unique_ptr<MissionData>, kSlots> records_;
    std::vector<MissionTexts> texts_;
    std::vector<bool> loaded_;
};

}  // namespace pellam::missions
