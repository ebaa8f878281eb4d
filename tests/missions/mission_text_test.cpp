// Mission descriptions: a small one read into the record the game starts from, and faults that
// name their line instead of writing a bad mission.
#include <gtest/gtest.h>

#include "tools/missiongen/MissionText.h"

namespace pellam::missiongen {
namespace {

const std::string kSmall = R"(# two Camels against a balloon
title Test
brief One.
brief
brief Two.
victory Won.
lost Lost.
hours 7.25
dogfight 1000000 5000 1000000
place 0 1000000 ground 1000000 90
aircraft 0 camel mph=0
aircraft 1 dvii team=2 role=patrol path=4 comeback=0
place 1 1010000 5000 1000000 270
place 8 1000000 ground 1000000 90
point 4 1005000 5000 1000000 next=5 targets=guns,balloon
point 5 1006000 0 1000000 pause=30
object balloon balloon 1007000 ground 1000000 team=2 points=150
object - lorry 1008000 ground 1000000 team=2 path=5
object guns flak 1007500 ground 1000000 team=2
win destroy 1 balloon
win location 2 east 1010000 faster=90
win alive
)";

TEST(MissionText, ASmallMissionBecomesItsRecord) {
    MissionDescription d;
    ASSERT_EQ(readMissionDescription(kSmall, "small", d), "");
    const missions::MissionData& m = d.record;
    EXPECT_EQ(d.texts.description, "One.\n\nTwo.");
    EXPECT_EQ(m.TimeOfDay, 25 << 16 | 7);
    ASSERT_EQ(m.TotalObjects, 24);  // the world's head, then the mission's three
    EXPECT_EQ(m.ObjectList[1].ObjectCode, 54);
    EXPECT_EQ(m.ObjectList[3].ObjectCode, 64);  // aircraft 1's class in the head
    EXPECT_EQ(d.objects.at("balloon"), 21);
    EXPECT_EQ(m.ObjectList[22].Seed >> 24, 6);  // objects count path points from 1
    EXPECT_EQ(m.FlyToPoints[4].PSTargets, 23 * 65536.0 + 21);
    EXPECT_EQ(m.FlyToPoints[5].PSTargets, 30.0);
    EXPECT_EQ(m.MissionStartLocations[0][1], -1.0);  // on the ground, not at height 0
    EXPECT_EQ(m.AircraftStarts[1].FirstFlyPoint, 4);
    EXPECT_EQ(m.AircraftStarts[2].OnOff, 0);  // not named: out of the mission
    EXPECT_EQ(m.TheVictory.ParticularDeadObjects[0], 21);
    EXPECT_EQ(m.TheVictory.Location2Flags, 6);
    EXPECT_EQ(m.TheVictory.Speed2Flags, 2);
    EXPECT_EQ(m.TheVictory.MustBeAlive, 1);
}

TEST(MissionText, FaultsNameTheirLineAndWriteNothing) {
    const std::pair<std::string, std::string> faults[] = {
        {"aircraft 8 camel", "small:11: 8 is outside 0 to 7"},
        {"place 3 nan 0 0 0", "small:11: 'nan' is not a number"},
        {"object x balloon 1e400 ground 0", "small:11: '1e400' is not a number"},
        {"win destroy 1 nothing", "small:11: no object is named 'nothing'"},
        {"point 9 0 0 0 next=10", "small: point 9 goes on to point 10, which is not given"},
        {"aircraft 3 camel place=7", "small: aircraft 3 starts at place 7, which is not given"},
        {"bogus 1", "small:11: unknown keyword 'bogus'"},
        {"object balloon flak 0 ground 0", "small:18: object name 'balloon' is given twice"},
        {"aircraft 2 camel spin=3", "small:11: unknown option 'spin'"},
        {"aircraft 2 camel place=1 comeback=0 patrol=7200", "small: out of range: AircraftStarts[2].PatrolForSeconds 7200 -> 3600"},
    };
    for (const auto& [line, why] : faults) {
        std::string text = kSmall;
        text.insert(text.find("aircraft 0"), line + "\n");  // as line 11
        MissionDescription d;
        d.texts.title = "untouched";
        EXPECT_EQ(readMissionDescription(text, "small", d), why) << line;
        EXPECT_EQ(d.texts.title, "untouched");
    }
}

}  // namespace
}  // namespace pellam::missiongen
