// The flight overlay of the real pellam on the test's X server, flown by a player's script: what
// the game reports it laid over the frames it showed, and the files it wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"

namespace pellam::testing {
namespace {
namespace fs = std::filesystem;

// One F2 in flight takes one screen shot, without the pause caption; the caption and the replay
// line are drawn again afterwards. The shot's flag was once never cleared, which hid them both
// for the rest of the run.
TEST(OverlayProcesses, AScreenShotIsTakenOnceAndThePauseCaptionAndReplayLineComeBack) {
    const TestFolder folder{"pellam-overlay"};
    const fs::path desktop = folder.path() / "desktop";
    fs::create_directories(desktop);
    const std::string script = R"(until mission-time 120
key F2
key p
expect paused
expect drawn Paused
key Alt+r
expect drawn Replay:
quit
)";
    const std::string environment = "PELLAM_AUTOFLY=1 XDG_DESKTOP_DIR='" + desktop.string() + "'";
    ASSERT_EQ(std::system(gameCommand(folder.path(), environment, script).c_str()), 0);
    std::vector<std::string> shots;
    for (const fs::directory_entry& entry : fs::directory_iterator(desktop)) shots.push_back(entry.path().filename());
    EXPECT_EQ(shots, std::vector<std::string>{"Pellam Screen Shot 1.jpg"});
}

// A Quick Dogfight flown alone, straight after sign-in, shows how it is won over the players'
// kills: a dogfight ("DO"), each pilot for himself ("I"), every view ("CA"), and the kills to win.
TEST(OverlayProcesses, AQuickDogfightFlownAloneShowsItsRules) {
    const TestFolder folder{"pellam-dogfight-rules"};
    EXPECT_EQ(std::system(gameCommand(folder.path(), "", R"(frames 30
click Pilot Sign-In|Sign In
frames 10
click Select Mission|Quick Dogfight
frames 10
click Quick Dogfight|Fly Dogfight
until mission-time 60
expect drawn Kills:  #1R: 0
expect drawn DO  I  CA  K
quit
)").c_str()),
              0);
}

}  // namespace
}  // namespace pellam::testing
