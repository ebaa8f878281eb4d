// The flight overlay of the real pellam on the test's X server, flown by a player's script: what
// the game reports it laid over the frames it showed, and the files it wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/FileSizeLimit.h"
#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"

namespace pellam::testing {
namespace {
namespace fs = std::filesystem;

// A flight of the player's script, with a desktop of its own for the shots.
class OverlayProcesses : public ::testing::Test {
protected:
    std::string flight(const std::string& script) const {
        fs::create_directories(desktop);
        return gameCommand(folder.path(), "PELLAM_AUTOFLY=1 XDG_DESKTOP_DIR='" + desktop.string() + "'", script);
    }
    const TestFolder folder{"pellam-overlay"};
    const fs::path desktop = folder.path() / "desktop";
};

// One F2 in flight takes one screen shot, without the pause caption; the caption and the replay
// line are drawn again afterwards. The shot's flag was once never cleared, which hid them both
// for the rest of the run.
TEST_F(OverlayProcesses, AScreenShotIsTakenOnceAndThePauseCaptionAndReplayLineComeBack) {
    const std::string script = R"(until mission-time 120
key F2
key p
expect paused
expect drawn Paused
key Alt+r
expect drawn Replay:
quit
)";
    ASSERT_EQ(std::system(flight(script).c_str()), 0);
    std::vector<std::string> shots;
    for (const fs::directory_entry& entry : fs::directory_iterator(desktop)) shots.push_back(entry.path().filename());
    EXPECT_EQ(shots, std::vector<std::string>{"Pellam Screen Shot 1.jpg"});
}

// The game as a player's shell starts it under `ulimit -f`: no file it writes may pass `bytes`,
// and SIGXFSZ is left as the shell leaves it, ending a program that does not see to it itself.
// The exit status; -1 when a signal ended the game.
int runWithFileSizeLimit(const std::string& command, rlim_t bytes) {
    const pid_t pid = fork();
    if (pid == 0) {
        limitFileSizeAsAShellDoes(bytes);
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return finishProcess(pid);
}

// A screen shot past the limit (a full disk, a quota) fails and is told, the flight going on; it
// once ended the game (SIGXFSZ), leaving the shot's temporary file on the desktop. The settings
// are small enough to be saved at the quit. The second view, opened and closed, stops nothing: on
// this X server, with no window manager, it takes the keyboard as it opens, and the flight once
// stopped under it without a word. Closed by its close box it goes as by its key (its close once
// ended the game); the game's own window closed ends the game, the save at quit made.
TEST_F(OverlayProcesses, AScreenShotPastTheFileSizeLimitIsToldAndTheFlightGoesOn) {
    const std::string script = R"(until mission-time 120
key F2
until notice Pellam Screen Shot 1.jpg could not be written (File too large)
expect flying
key Alt+w
frames 10
expect flying
until mission-time 300
key Alt+w
frames 10
expect flying
key Alt+w
close second
until view-keyboard
expect flying
until mission-time 420
key Alt+w
close second
until view-keyboard
close view
)";
    EXPECT_EQ(runWithFileSizeLimit(flight(script), 20000), 0);
    EXPECT_TRUE(fs::is_empty(desktop)) << "neither the shot nor a part of it";
    EXPECT_TRUE(fs::exists(folder.path() / "config" / "pellam" / "defaults.json"));
}

// A Quick Dogfight flown alone, straight after sign-in, shows how it is won over the players'
// kills: a dogfight ("DO"), each pilot for himself ("I"), every view ("CA"), and the kills to win;
// flown again for team kills, the teams' tallies that decide it. The mouse-flying hint over the
// flight goes at the first click on its OK, which was once lost.
TEST_F(OverlayProcesses, AQuickDogfightFlownAloneShowsItsRules) {
    EXPECT_EQ(std::system(gameCommand(folder.path(), "", R"(frames 30
click Pilot Sign-In|Sign In
frames 10
click Select Mission|Quick Dogfight
frames 10
click Quick Dogfight|Fly Dogfight
until mission-time 60
expect drawn Kills:  #1R: 0
expect drawn DO  I  CA  K
click Flying with the Mouse|OK
expect shut Flying with the Mouse
expect flying
key p
click Menu|Game
click Game|Select Mission...
until window Select Mission
click Select Mission|Quick Dogfight
until window Quick Dogfight
click Quick Dogfight|Team kills
click Quick Dogfight|Fly Dogfight
until mission-time 60
expect drawn R: 0 B: 0
expect drawn DO  T  CA  K
quit
)").c_str()),
              0);
}

}  // namespace
}  // namespace pellam::testing
