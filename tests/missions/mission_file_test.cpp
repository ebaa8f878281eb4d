#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "missions/MissionBounds.h"
#include "missions/MissionFile.h"
#include "missions/MissionTable.h"
#include "platform/RegularFile.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam::missions {
namespace {
namespace fs = std::filesystem;

struct Patrol {
    std::unique_ptr<MissionData> record = std::make_unique<MissionData>();
    MissionTexts texts;
    Patrol() { missiongen::buildPatrolMission(*record, texts); }
};

class MissionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pellam missions " + std::to_string(getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    fs::path folder_;
};

TEST_F(MissionFiles, WrittenFileReadsBackFieldForFieldWithItsByteSum) {
    Patrol p;
    const std::string path = (folder_ / "pellamm1.pellam").string();
    ASSERT_EQ(writeMissionFile(path, *p.record, p.texts), "");
    auto read = std::make_unique<MissionFileContents>();
    ASSERT_EQ(readMissionFile(path, *read), "");
    EXPECT_EQ(encodeMissionRecord(read->record), encodeMissionRecord(*p.record));
    EXPECT_EQ(read->texts.title, p.texts.title);
    EXPECT_EQ(read->texts.lost, p.texts.lost);
    EXPECT_EQ(read->byteSum, read->record.Hash1);

    // The sum leaves out Hash1 and the four text slots, and counts every other byte.
    std::vector<uint8_t> block = encodeMissionRecord(*p.record);
    const uint32_t sum = missionHash(block.data());
    for (size_t i : {8u, 11u, 32u, 35u, 48u, 59u}) block[i] ^= 0x5A;
    EXPECT_EQ(missionHash(block.data()), sum);
    block[12] += 1;
    block[31359] += 2;
    EXPECT_EQ(missionHash(block.data()), sum + 3);

    // The field list covers every byte once but the text slots and the padding of the victory
    // record (3 bytes) and of the sixteen start records (2 each).
    std::vector<int> owners(kMissionBytes, 0);
    for (const RecordField& f : missionRecordFields())
        for (uint32_t k = 0; k < f.width; ++k) ++owners.at(f.offset + k);
    EXPECT_EQ(std::count(owners.begin(), owners.end(), 1), int(kMissionBytes) - 16 - 3 - 32);
    EXPECT_EQ(std::count(owners.begin(), owners.end(), 0), 16 + 3 + 32);
}

TEST_F(MissionFiles, RecordsOfTheOtherByteOrderAreConvertedOnce) {
    Patrol p;
    p.record->AircraftStarts[3].OnOff = 5;
    const std::vector<uint8_t> big = encodeMissionRecord(*p.record);
    // The big-endian block laid into memory as it stands is, on this host, the foreign order.
    auto foreign = std::make_unique<MissionData>();
    std::memcpy(foreign.get(), big.data(), kMissionBytes);
    std::memset(reinterpret_cast<uint8_t*>(foreign.get()) + 32, 0xAB, 4);  // a text slot
    const bool littleHost = std::endian::native == std::endian::little;
    if (!littleHost) GTEST_SKIP() << "the foreign order of a big-endian host is little-endian";
    EXPECT_EQ(foreign->AppVersionNumber, 33554432);
    checkMissionForSwap(*foreign);
    EXPECT_EQ(foreign->AppVersionNumber, 2);
    EXPECT_EQ(foreign->AircraftStarts[3].OnOff, 1);  // flags normalised in a converted record
    EXPECT_EQ(reinterpret_cast<uint8_t*>(foreign.get())[32], 0xAB);
    p.record->AircraftStarts[3].OnOff = 1;
    EXPECT_EQ(encodeMissionRecord(*foreign), encodeMissionRecord(*p.record));
    // Converting again changes nothing, and a record in host order keeps a flag of 5.
    const std::vector<uint8_t> once = encodeMissionRecord(*foreign);
    checkMissionForSwap(*foreign);
    EXPECT_EQ(encodeMissionRecord(*foreign), once);
    p.record->AircraftStarts[3].OnOff = 5;
    checkMissionForSwap(*p.record);
    EXPECT_EQ(p.record->AircraftStarts[3].OnOff, 5);

    // A file whose record block is in the other order reads as the same mission.
    std::vector<uint8_t> file = encodeMissionFile(p.texts, *p.record);
    std::memcpy(file.data() + file.size() - kMissionBytes, p.record.get(), kMissionBytes);
    auto read = std::make_unique<MissionFileContents>();
    ASSERT_EQ(parseMissionFile(file, *read), "");
    p.record->AircraftStarts[3].OnOff = 1;
    EXPECT_EQ(encodeMissionRecord(read->record), encodeMissionRecord(*p.record));
}

TEST_F(MissionFiles, EveryBadFileIsSkippedAndTheSlotKeepsItsMission) {
    Patrol p;
    MissionTable table;
    const std::string good = (folder_ / "good.pellam").string();
    ASSERT_EQ(writeMissionFile(good, *p.record, p.texts), "");
    ASSERT_TRUE(table.loadMyMission(good, 4));
    EXPECT_FALSE(table.loadMyMission(good, 206));  // no such slot

    const std::vector<uint8_t> bytes = encodeMissionFile(p.texts, *p.record);
    auto with = [&](auto change) {
        auto copy = std::make_unique<MissionData>(*p.record);
        change(*copy);
        return encodeMissionFile(p.texts, *copy);
    };
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({bytes.begin(), bytes.begin() + 6});                              // cut in the magic
    bad.push_back({bytes.begin(), bytes.end() - 1});                                // record one byte short
    bad.push_back(bytes);
    bad.back().push_back(0);                                                        // a byte after it
    bad.push_back(bytes);
    bad.back()[15] = 3;                                                             // three texts
    bad.push_back(bytes);
    bad.back()[16] = 0xFF;                                                          // a text longer than the file
    MissionTexts notUtf8 = p.texts;
    // Not UTF-8 by RFC 3629: a cut character, a surrogate, an overlong '/', past U+10FFFF.
    for (const char* title : {"\xC3(", "Ypres \xED\xA0\x80", "\xE0\x80\xAF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80"}) {
        notUtf8.title = title;
        bad.push_back(encodeMissionFile(notUtf8, *p.record));
    }
    bad.push_back(with([](MissionData& m) { m.NewObjectsNumber = 14; }));
    bad.push_back(with([](MissionData& m) { m.TotalObjects = 20; }));
    bad.push_back(with([](MissionData& m) { m.TotalObjects = 261; }));
    bad.push_back(with([](MissionData& m) { m.ObjectList[1].ObjectCode = 1; }));
    bad.push_back(with([](MissionData& m) { m.AppVersionNumber = 0x01000100; }));  // no version either way round
    for (size_t k = 0; k < bad.size(); ++k) {
        EXPECT_FALSE(table.loadMyMission(write("bad" + std::to_string(k) + ".pellam", bad[k]), 4)) << k;
        EXPECT_EQ(table.texts(4)->title, p.texts.title) << k;
        EXPECT_EQ(table.record(4)->TotalObjects, p.record->TotalObjects) << k;
    }
    EXPECT_TRUE(table.loadMyMission(write("thirteen.pellam", with([](MissionData& m) { m.NewObjectsNumber = 13; })), 5));

    EXPECT_TRUE(confirmFileIsMission(good));
    fs::copy_file(good, folder_ / "upper.PELLAM");
    EXPECT_FALSE(confirmFileIsMission((folder_ / "upper.PELLAM").string()));
    EXPECT_FALSE(confirmFileIsMission((folder_ / "missing.pellam").string()));
}

TEST_F(MissionFiles, WhatIsNotAMissionFileIsRefusedUnreadWithoutWaitingOrThrowing) {
    Patrol p;
    const std::vector<uint8_t> bytes = encodeMissionFile(p.texts, *p.record);
    // A folder named like a mission once threw out of the reader and stopped every start; a FIFO
    // held it for ever; a file of 1 GiB was read whole, and /dev/zero until memory ran out.
    fs::create_directories(folder_ / "My Campaign.pellam");
    ASSERT_EQ(mkfifo((folder_ / "pipe.pellam").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", folder_ / "zero.pellam");
    const std::string huge = write("huge.pellam", bytes);
    fs::resize_file(huge, uintmax_t(1) << 30);  // sparse: no disk is spent
    // Four texts of the largest length a file may give each still read; one byte more is refused.
    MissionTexts longest = p.texts;
    for (std::string* text : {&longest.title, &longest.description, &longest.victory, &longest.lost})
        text->assign(size_t(1) << 20, 'a');
    const std::string largest = write("largest.pellam", encodeMissionFile(longest, *p.record));
    std::vector<uint8_t> over = encodeMissionFile(longest, *p.record);
    over.push_back(0);
    const std::string tooLarge = write("too large.pellam", over);

    auto read = std::make_unique<MissionFileContents>();
    for (const char* name : {"My Campaign.pellam", "pipe.pellam", "zero.pellam", "huge.pellam", "too large.pellam"}) {
        const std::string path = (folder_ / name).string();
        const std::string why = readMissionFile(path, *read);
        EXPECT_EQ(why.rfind(path + ": cannot be read (", 0), 0u) << why;
    }
    EXPECT_NE(readMissionFile(huge, *read).find("1,073,741,824 bytes"), std::string::npos);
    EXPECT_EQ(readMissionFile(largest, *read), "");
    EXPECT_EQ(read->texts.lost.size(), size_t(1) << 20);
    for (const char* name : {"My Campaign.pellam", "pipe.pellam", "zero.pellam"})
        EXPECT_FALSE(confirmFileIsMission((folder_ / name).string())) << name;
    MissionTable table;
    EXPECT_FALSE(table.loadMyMission((folder_ / "My Campaign.pellam").string(), 4));
}

// Saves and screen shots killed before their rename leave "<file>.tmp-PID"; the next start removes
// those of processes that are gone, and only those: a running game's, and anything not named as
// ours, stay.
TEST_F(MissionFiles, KilledSavesLeaveNoTemporaryFileAfterTheNextStart) {
    int pidMax = 0;
    std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
    ASSERT_GT(pidMax, 0);
    const std::string gone = ".tmp-" + std::to_string(pidMax), live = ".tmp-" + std::to_string(getppid());
    fs::create_directories(folder_ / "Verdun");
    fs::create_directories(folder_ / ("folder.pellam" + gone));
    for (const std::string& name :
         {"a.pellam" + gone, "Verdun/b.pellam" + gone, "Screen Shot 1.jpg" + gone, "c.pellam" + live,
          "notes.txt" + gone, std::string("d.pellam.tmp-12ab"), "Screen Shot 2.jpg" + live})
        std::ofstream(folder_ / name) << "half";
    removeStaleSaves(folder_.string());
    platform::removeStaleTemporaryFiles(folder_.string(), {".jpg", ".tif"});
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder_))
        left.push_back(fs::relative(entry.path(), folder_).string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Screen Shot 2.jpg" + live, "Verdun", "c.pellam" + live,
                                              "d.pellam.tmp-12ab", "folder.pellam" + gone, "notes.txt" + gone}));
}

TEST_F(MissionFiles, BuiltInSlotsComeFromTheirOwnFiles) {
    Patrol p;
    ASSERT_EQ(writeMissionFile((folder_ / "pellamm8.pellam").string(), *p.record, p.texts), "");
    p.texts.title = "first";
    ASSERT_EQ(writeMissionFile((folder_ / "pellamm1.pellam").string(), *p.record, p.texts), "");
    MissionTable table;
    table.startUpMission(folder_.string() + "/");
    EXPECT_TRUE(table.loaded(0));
    EXPECT_TRUE(table.loaded(2));  // "pellamm8" fills slot 2
    EXPECT_EQ(table.texts(0)->title, "first");
    for (long slot : {1L, 3L, 12L, 22L}) EXPECT_FALSE(table.loaded(slot));
    // Memory goes only to the slots filled; an empty one still reads as zeros.
    const MissionTable& reading = table;
    for (long slot = 0; slot < MissionTable::kSlots; ++slot) ASSERT_NE(reading.record(slot), nullptr);
    EXPECT_EQ(reading.record(1)->TotalObjects, 0);
    EXPECT_EQ(table.recordsHeld(), 2);
    EXPECT_EQ(table.record(1)->TotalObjects, 0);
    EXPECT_EQ(table.record(-1), nullptr);
}

// Whatever bytes a record holds, one bounding brings it into range for good: a second finds
// nothing to change. A built-in mission needs none.
TEST(MissionBounds, AnyRecordIsBoundedOnceAndForAll) {
    std::mt19937 bytes(42);
    auto record = std::make_unique<MissionData>();
    for (int run = 0; run < 20; ++run) {
        auto* raw = reinterpret_cast<unsigned char*>(record.get());
        for (size_t i = 0; i < sizeof(MissionData); ++i) raw[i] = static_cast<unsigned char>(bytes());
        const BoundsReport first = boundMissionRecord(*record);
        EXPECT_GT(first.changed, 0);
        EXPECT_EQ(boundMissionRecord(*record).changed, 0) << first.first;
    }
    Patrol p;
    EXPECT_EQ(boundMissionRecord(*p.record).changed, 0);
    p.record->TheVictory.MustWinInXTicks = -5;
    const BoundsReport late = boundMissionRecord(*p.record);
    EXPECT_EQ(late.changed, 1);
    EXPECT_EQ(late.first, "TheVictory.MustWinInXTicks -5 -> 0");
}

}  // namespace
}  // namespace pellam::missions
