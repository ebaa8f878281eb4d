#pragma once
// Mission files ("*.pellam"): a magic, a format version, the four texts of a mission as
// length-prefixed UTF-8, then the 31,360-byte mission record field by field. This writer stores
// the record big-endian; a record block in the other byte order (from another writer) is
// recognised by its first field and converted, as checkMissionForSwap does for any record.
// docs/mission-files.md describes the layout.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "missions/MissionRecord.h"

namespace pellam::missions {

struct MissionTexts {
    std::string title, description, victory, lost;
};

struct MissionFileContents {
    MissionTexts texts;
    MissionData record;
    uint32_t byteSum = 0;  // missionHash of the record block as read, for comparing with Hash1
};

inline constexpr char kMissionExtension[] = "pellam";
inline constexpr uint32_t kMissionFileVersion = 1;

// A new record as the mission builder starts one: versions, object kinds and creation time set.
void newMissionRecord(MissionData& record, double secondsSince2001);

// The record big-endian, field by field; text slots and padding zero.
std::vector<uint8_t> encodeMissionRecord(const MissionData& record);
// Reads a big-endian record block (kMissionBytes) field by field into host order. No conversion.
void decodeMissionRecord(const uint8_t* block, MissionData& record);
// Brings a record into host byte order: when AppVersionNumber does not read 0..99, every numeric
// field is reversed by its own width and the byte flags become 0 or 1. A record already in host
// order is left exactly as it is, so applying it twice changes nothing more.
void checkMissionForSwap(MissionData& record);
// Byte sum of a stored record block, wrapping, without Hash1 and the four text slots.
uint32_t missionHash(const uint8_t* block);

// One field of the record: where it lies and its width in bytes (1 a byte flag, 4 or 8).
struct RecordField {
    uint32_t offset;
    uint8_t width;
};
// Every field of the record in field order; the text slots and the padding are in none.
const std::vector<RecordField>& missionRecordFields();

// The whole file in memory, and back. parseMissionFile answers an empty string, or why the bytes
// are not a mission (naming the field); `out` is then unchanged.
std::vector<uint8_t> encodeMissionFile(const MissionTexts& texts, const MissionData& record);
std::string parseMissionFile(const std::vector<uint8_t>& bytes, MissionFileContents& out);

// Reads and checks a file: a regular file no larger than a mission can be (four texts of 1 MiB
// and the record), the container, texts of strict UTF-8, NewObjectsNumber at most 13,
// TotalObjects 21..260 and row 1 the terrain; then every number is held to its range
// (MissionBounds.h). Empty on success, else a message naming the file and the reason; nothing it
// meets is thrown.
std::string readMissionFile(const std::string& path, MissionFileContents& out);
// Stores the byte sum into record.Hash1 and writes the file atomically. Empty on success.
std::string writeMissionFile(const std::string& path, MissionData& record, const MissionTexts& texts);
// Removes the temporary files of mission saves killed before their rename ("<name>.pellam.tmp-PID"
// of a process that is gone) from the missions folder `folder` and its campaign folders. At
// start, before this process saves a mission.
void removeStaleSaves(const std::string& folder);
// The path is a regular file (a folder, FIFO or device is not) and its extension is exactly
// "pellam"; the contents are not looked at.
bool confirmFileIsMission(const std::string& path);

}  // namespace pellam::missions
