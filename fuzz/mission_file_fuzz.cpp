// A mission file from the user's folder or a friend: any bytes are either refused with a reason or
// read into a record that writes back to a file reading as the same record and texts.
#include <cstdlib>
#include <vector>

#include "missions/MissionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellam::missions;
    const std::vector<uint8_t> bytes(data, data + size);
    MissionFileContents once;
    const std::string why = parseMissionFile(bytes, once);
    if (!why.empty()) return 0;
    MissionFileContents twice;
    if (!parseMissionFile(encodeMissionFile(once.texts, once.record), twice).empty()) std::abort();
    if (encodeMissionRecord(once.record) != encodeMissionRecord(twice.record)) std::abort();
    if (once.texts.title != twice.texts.title || once.texts.description != twice.texts.description) std::abort();
    return 0;
}
