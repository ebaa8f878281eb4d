#include "missions/MissionFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "missions/MissionBounds.h"
#include "platform/ByteOrder.h"
#include "platform/RegularFile.h"
#include "platform/Utf8.h"

namespace pellam::missions {
namespace {

constexpr char kMagic[8] = {'P', 'E', 'L', 'L', 'A', 'M', 'M', 'F'};
constexpr int kTexts = 4;
constexpr uint32_t kMaxTextBytes = 1u << 20;
// The largest file a mission can be: magic, version, text count, four text lengths with at most
// kMaxTextBytes each, the record's length and the record. Anything larger is refused unread.
constexpr uintmax_t kLargestMissionFile =
    sizeof kMagic + 4 + 4 + kTexts * (4 + uintmax_t(kMaxTextBytes)) + 4 + kMissionBytes;  // bytes

// Where each numeric field of the record lies, in field order, and where the byte flags are.
struct Layout {
    struct Field {
        uint32_t offset;
        uint8_t width;  // 4 or 8
    };
    std::vector<Field> numbers;
    std::vector<uint32_t> flags;
};

// Walks the record's fields by their offsets (never through references: doubles in the record
// may lie at 4-byte boundaries).
struct Walker {
    Layout& out;
    uint32_t base = 0;
    void at(size_t offset, uint8_t width, size_t count = 1) {
        for (size_t k = 0; k < count; ++k) out.numbers.push_back({static_cast<uint32_t>(base + offset + k * width), width});
    }
    void l(size_t offset, size_t count = 1) { at(offset, 4, count); }
    void d(size_t offset, size_t count = 1) { at(offset, 8, count); }
    void flag(size_t offset) { out.flags.push_back(static_cast<uint32_t>(base + offset)); }
    template <class F> void within(size_t offset, F&& fields) {
        const uint32_t saved = base;
        base += static_cast<uint32_t>(offset);
        fields();
        base = saved;
    }

    void start(size_t offset) {
        using A = AircraftInit;
        within(offset, [&] {
            l(offsetof(A, AircraftType), 3);  // type, location, start type
            d(offsetof(A, RandomDistance));
            l(offsetof(A, Team));
            d(offsetof(A, MPH), 5);           // MPH, heading, throttle, gear, flaps
            l(offsetof(A, NumberOfBombs), 5); // bombs, skill, AI type, first point, patrol
            d(offsetof(A, ReturnToPatrolDistance), 2);
            l(offsetof(A, LeadAircraftForWingman));
            flag(offsetof(A, OnOff));
            flag(offsetof(A, WillComeBackToLife));
        });
    }
    void victory(size_t offset) {
        using V = VictoryConditions;
        within(offset, [&] {
            l(offsetof(V, TotalLandings));
            flag(offsetof(V, MustBeAlive));
            for (size_t loc : {offsetof(V, Location1Flags), offsetof(V, Location2Flags), offsetof(V, Location3Flags)}) {
                l(loc);
                d(loc + 4, 4);  // location x, y, z and its speed
                l(loc + 36);
            }
            l(offsetof(V, Kills), 3 + 20 + 20 + 4 + 15);  // kills to the long reserve
            d(offsetof(V, Location1NearDistance), 3 + 13);
        });
    }
    void record() {
        using M = MissionData;
        l(offsetof(M, AppVersionNumber), 6);  // versions, hash, object kinds, permissions, invoice
        d(offsetof(M, SecondsSince2001));
        l(offsetof(M, PointsForCompletedMission), 3);
        l(offsetof(M, GameFlags));
        d(offsetof(M, DogfightAirStartCenterSpot), 3 + 1 + 20 + 8 + 80);  // to the start places
        l(offsetof(M, DogfightOnlyBombLoad), 32);
        d(offsetof(M, MaxRandomDistance), 2);
        for (size_t k = 0; k < 8; ++k) start(offsetof(M, AircraftStarts) + k * sizeof(AircraftInit));
        for (size_t k = 0; k < 8; ++k) start(offsetof(M, ResetAircraftStarts) + k * sizeof(AircraftInit));
        for (size_t k = 0; k < kFlyToPoints; ++k)
            within(offsetof(M, FlyToPoints) + k * sizeof(aiFlyToPoint), [&] {
                d(0, 6);
                l(offsetof(aiFlyToPoint, Flags), 2);
            });
        l(offsetof(M, OceanGC), 6);
        d(offsetof(M, GCZones), 40);
        for (size_t k = 0; k < kMaxObjects; ++k)
            within(offsetof(M, ObjectList) + k * sizeof(ObjectForMission), [&] {
                l(0);
                d(offsetof(ObjectForMission, Location), 5);  // location, speed, heading
                l(offsetof(ObjectForMission, Team), 4);
            });
        l(offsetof(M, TotalObjects));
        victory(offsetof(M, TheVictory));
        d(offsetof(M, CameraLocation), 5);
        l(offsetof(M, WorldMenuOffsetNumber), 2 + 16 + 8);
        for (size_t k = 0; k < 3; ++k)
            within(offsetof(M, Layers) + k * sizeof(CloudLayer), [&] {
                l(0);
                d(offsetof(CloudLayer, LayerBottom), 2);
            });
        l(offsetof(M, MoreLongItems), 40);
        d(offsetof(M, WindSpeed), 3 + 61);
    }
};

const Layout& layout() {
    static const Layout table = [] {
        Layout t;
        Walker{t}.record();
        return t;
    }();
    return table;
}

// Bytes of the stored block left out of the byte sum: Hash1 and the four text slots.
bool outsideSum(size_t i) { return (i >= 8 && i < 12) || (i >= 32 && i < 36) || (i >= 48 && i < 60); }

void putLength(std::vector<uint8_t>& out, uint32_t n) {
    const size_t at = out.size();
    out.resize(at + 4);
    platform::writeBE32(out.data() + at, n);
}

}  // namespace

void newMissionRecord(MissionData& record, double secondsSince2001) {
    record = MissionData{};
    record.AppVersionNumber = 2;
    record.MissionStructVersion = 1;
    record.NewObjectsNumber = kNewestObjectKinds;
    record.SecondsSince2001 = secondsSince2001;
}

std::vector<uint8_t> encodeMissionRecord(const MissionData& record) {
    std::vector<uint8_t> block(kMissionBytes, 0);
    const auto* mem = reinterpret_cast<const unsigned char*>(&record);
    for (const Layout::Field& f : layout().numbers) {
        if (f.width == 4) {
            uint32_t v;
            std::memcpy(&v, mem + f.offset, 4);
            platform::writeBE32(block.data() + f.offset, v);
        } else {
            uint64_t v;
            std::memcpy(&v, mem + f.offset, 8);
            platform::writeBE64(block.data() + f.offset, v);
        }
    }
    for (uint32_t at : layout().flags) block[at] = mem[at];
    return block;
}

void decodeMissionRecord(const uint8_t* block, MissionData& record) {
    record = MissionData{};
    auto* mem = reinterpret_cast<unsigned char*>(&record);
    for (const Layout::Field& f : layout().numbers) {
        if (f.width == 4) {
            const uint32_t v = platform::readBE32(block + f.offset);
            std::memcpy(mem + f.offset, &v, 4);
        } else {
            const uint64_t v = platform::readBE64(block + f.offset);
            std::memcpy(mem + f.offset, &v, 8);
        }
    }
    for (uint32_t at : layout().flags) mem[at] = block[at];
}

void checkMissionForSwap(MissionData& record) {
    if (record.AppVersionNumber >= 0 && record.AppVersionNumber <= 99) return;
    auto* mem = reinterpret_cast<unsigned char*>(&record);
    for (const Layout::Field& f : layout().numbers) {
        if (f.width == 4) platform::swapLongHere(mem + f.offset);
        else platform::swapDoubleHere(mem + f.offset);
    }
    for (uint32_t at : layout().flags) mem[at] = mem[at] ? 1 : 0;
}

const std::vector<RecordField>& missionRecordFields() {
    static const std::vector<RecordField> fields = [] {
        std::vector<RecordField> all;
        for (const Layout::Field& f : layout().numbers) all.push_back({f.offset, f.width});
        for (uint32_t at : layout().flags) all.push_back({at, 1});
        std::sort(all.begin(), all.end(), [](const RecordField& a, const RecordField& b) { return a.offset < b.offset; });
        return all;
    }();
    return fields;
}

uint32_t missionHash(const uint8_t* block) {
    uint32_t sum = 0;
    for (size_t i = 0; i < kMissionBytes; ++i)
        if (!outsideSum(i)) sum += block[i];
    return sum;
}

std::vector<uint8_t> encodeMissionFile(const MissionTexts& texts, const MissionData& record) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    putLength(out, kMissionFileVersion);
    putLength(out, kTexts);
    for (const std::string* text : {&texts.title, &texts.description, &texts.victory, &texts.lost}) {
        putLength(out, static_cast<uint32_t>(text->size()));
        out.insert(out.end(), text->begin(), text->end());
    }
    putLength(out, static_cast<uint32_t>(kMissionBytes));
    const std::vector<uint8_t> block = encodeMissionRecord(record);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

std::string parseMissionFile(const std::vector<uint8_t>& bytes, MissionFileContents& out) {
    size_t at = 0;
    auto take = [&](size_t n) { return bytes.size() - at >= n; };
    auto length = [&](uint32_t& n) {
        if (!take(4)) return false;
        n = platform::readBE32(bytes.data() + at);
        at += 4;
        return true;
    };
    if (!take(sizeof kMagic) || !std::equal(kMagic, kMagic + sizeof kMagic, bytes.begin())) return "not a mission file";
    at += sizeof kMagic;
    uint32_t version = 0, texts = 0;
    if (!length(version)) return "cut short in the header";
    if (version != kMissionFileVersion) return "format version " + std::to_string(version) + ", not 1";
    if (!length(texts)) return "cut short in the header";
    if (texts != kTexts) return std::to_string(texts) + " texts, not 4";
    MissionTexts read;
    for (std::string* text : {&read.title, &read.description, &read.victory, &read.lost}) {
        uint32_t n = 0;
        if (!length(n) || n > kMaxTextBytes || !take(n)) return "a text runs past the end of the file";
        text->assign(bytes.begin() + at, bytes.begin() + at + n);
        at += n;
        if (!platform::validUtf8(*text)) return "a text is not UTF-8";
    }
    uint32_t recordBytes = 0;
    if (!length(recordBytes)) return "no mission record";
    if (recordBytes != kMissionBytes) return "a mission record of " + std::to_string(recordBytes) + " bytes, not 31,360";
    if (bytes.size() - at != kMissionBytes) return "the file ends " + std::to_string(bytes.size() - at) +
                                                   " bytes after the record's length, not 31,360";
    auto record = std::make_unique<MissionData>();
    decodeMissionRecord(bytes.data() + at, *record);
    // A block written in the other byte order reads reversed field by field; the swap brings it back.
    checkMissionForSwap(*record);
    // A version number out of range in both byte orders: the block is not a mission of ours, and
    // reading it either way would make a different record each time it is written back.
    if (record->AppVersionNumber < 0 || record->AppVersionNumber > 99)
        return "version " + std::to_string(record->AppVersionNumber) + " in neither byte order";
    out.byteSum = missionHash(bytes.data() + at);
    out.record = *record;
    out.texts = std::move(read);
    return {};
}

namespace {

std::string readCheckedMissionFile(const std::string& path, MissionFileContents& out) {
    std::string unread;
    const std::optional<std::vector<uint8_t>> bytes = platform::readRegularFile(path, unread, kLargestMissionFile);
    if (!bytes) return path + ": cannot be read (" + unread + ")";
    auto read = std::make_unique<MissionFileContents>();
    if (std::string why = parseMissionFile(*bytes, *read); !why.empty()) return path + ": " + why;
    const MissionData& m = read->record;
    if (m.NewObjectsNumber > kNewestObjectKinds)
        return path + ": written for " + std::to_string(m.NewObjectsNumber) + " kinds of object, this game knows 13";
    if (m.TotalObjects < kHeadObjects || m.TotalObjects > kMaxObjects)
        return path + ": " + std::to_string(m.TotalObjects) + " objects, not 21 to 260";
    if (m.ObjectList[1].ObjectCode != 54) return path + ": object 1 is not the terrain (code 54)";
    boundMissionRecord(read->record, path);
    out = std::move(*read);
    return {};
}

}  // namespace

std::string readMissionFile(const std::string& path, MissionFileContents& out) {
    // The one place a mission file is read: nothing a file (or what stands in its place) can do
    // escapes as an exception to stop the game.
    try {
        return readCheckedMissionFile(path, out);
    } catch (const std::exception& e) {
        return path + ": cannot be read (" + e.what() + ")";
    }
}

std::string writeMissionFile(const std::string& path, MissionData& record, const MissionTexts& texts) {
    record.Hash1 = missionHash(encodeMissionRecord(record).data());
    const std::vector<uint8_t> bytes = encodeMissionFile(texts, record);
    const std::string why = platform::writeFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return why.empty() ? why : path + ": cannot be written (" + why + ")";
}

void removeStaleSaves(const std::string& folder) {
    const std::vector<std::string> endings = {std::string(".") + kMissionExtension};
    platform::removeStaleTemporaryFiles(folder, endings);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind)) platform::removeStaleTemporaryFiles(it->path().string(), endings);
    }
}

bool confirmFileIsMission(const std::string& path) {
    const std::filesystem::path p(path);
    return p.extension() == std::string(".") + kMissionExtension && platform::isRegularFile(path);
}

}  // namespace pellam::missions
