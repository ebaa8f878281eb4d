// The real pellam started as a player starts it: on the test's X server it flies for a second and
// its last frame shows something. Where nobody can see it, SDL would fall back to a driver that
// draws nowhere and the game would run on unseen: it must say why it cannot start and end with a
// failure status, unless the run asks for no display on purpose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "platform/PngImage.h"
#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"

namespace pellam::testing {
namespace {

TEST(StartProcesses, TheGameStartsAndDrawsAFrame) {
    const TestFolder folder{"pellam-smoke"};
    const std::string frame = folder.file("frame.png");
    const std::string command =
        gameCommand(folder.path(), "PELLAM_AUTOFLY=1 PELLAM_AUTOQUIT_SECONDS=1 PELLAM_FRAME_DUMP='" + frame + "'");
    ASSERT_EQ(std::system(command.c_str()), 0);

    platform::RGBAImage image;
    ASSERT_TRUE(platform::readPng(frame, image));
    long lit = 0;
    std::set<uint32_t> colours;
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        const uint8_t r = image.pixels[i], g = image.pixels[i + 1], b = image.pixels[i + 2];
        if (r + g + b > 30) ++lit;
        colours.insert(uint32_t(r) << 16 | uint32_t(g) << 8 | b);
    }
    const long total = static_cast<long>(image.pixels.size() / 4);
    EXPECT_GT(lit, total * 9 / 10) << "the frame is mostly black";
    EXPECT_GT(colours.size(), 8u) << "the frame is a flat fill";
}

TEST(StartProcesses, WithoutADisplayTheGameSaysSoAndFailsUnlessAskedToRunUnseen) {
    // What it exits with and what it said, with DISPLAY and WAYLAND_DISPLAY taken away.
    auto runUnseen = [](const std::string& environment) {
        const TestFolder folder{"pellam-nodisplay"};
        const std::string err = folder.file("stderr.txt");
        const std::string unseen = "-u DISPLAY -u WAYLAND_DISPLAY PELLAM_AUTOQUIT_SECONDS=1 ";
        const std::string command = gameCommand(folder.path(), unseen + environment) + " 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        std::stringstream said;
        said << std::ifstream(err).rdbuf();
        return std::pair{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, said.str()};
    };
    for (const char* driver : {"", "SDL_VIDEODRIVER=offscreen", "SDL_VIDEODRIVER=dummy"}) {
        const auto [status, said] = runUnseen(driver);
        EXPECT_NE(status, 0) << driver;
        EXPECT_NE(said.find("needs a display"), std::string::npos) << driver << ": " << said;
    }
    const auto [status, said] = runUnseen("SDL_VIDEODRIVER=offscreen PELLAM_ALLOW_NO_DISPLAY=1 PELLAM_AUTOFLY=1");
    EXPECT_EQ(status, 0) << said;
    EXPECT_EQ(said.find("needs a display"), std::string::npos) << said;
}

// The network switches refuse a port or an address out of range by name, where they once wrapped
// it round into another port (70000 hosted on 4464, 127.0.0.1:99999 joined port 34463).
TEST(StartProcesses, NetworkSwitchesRefuseWhatIsNoPortOrAddress) {
    const TestFolder folder{"pellam-badnetwork"};
    const std::string err = folder.file("stderr.txt");
    const std::string command =
        gameCommand(folder.path(),
                    "PELLAM_AUTOQUIT_SECONDS=0 PELLAM_NETWORK_HOST=70000 PELLAM_NETWORK_JOIN=127.0.0.1:99999") +
        " 2>'" + err + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::stringstream said;
    said << std::ifstream(err).rdbuf();
    EXPECT_NE(said.str().find("Cannot host: \"70000\" is not a port"), std::string::npos) << said.str();
    EXPECT_NE(said.str().find("Cannot join 127.0.0.1:99999: not an address"), std::string::npos) << said.str();
    EXPECT_EQ(said.str().find("Hosting on port"), std::string::npos) << said.str();
}

// Ctrl-Q ends the game while the pilot's name is being typed: the game is gone within a few
// frames of the key, long before the script's wait would have run out.
TEST(StartProcesses, ControlQQuitsWhileTheSignInNameIsBeingTyped) {
    const TestFolder folder{"pellam-ctrlq"};
    const std::string times = folder.file("frames.txt");
    const std::string command = gameCommand(folder.path(), "PELLAM_FRAME_TIMES='" + times + "'",
                                            "click Pilot Sign-In|Name 1\ntype ab\ntap Ctrl+q\nframes 900\n");
    std::system(command.c_str());
    std::ifstream in(times);
    int frames = 0;
    // The bench script reads each frame's line by the columns the file's first line names.
    const auto words = [](const std::string& line) {
        std::istringstream in(line);
        return std::distance(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
    };
    std::string names;
    std::getline(in, names);
    ASSERT_EQ(names.rfind("# ms ", 0), 0u) << names;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') {
            ++frames;
            EXPECT_EQ(words(line), words(names) - 1) << line;
        }
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 600) << "Ctrl-Q was typed into the name";
}

// After sign-in Select Mission is open: the pause key starts no flight under it; its Fly Mission
// button does, and takes the window away.
TEST(StartProcesses, ThePauseKeyStartsNoFlightUnderSelectMission) {
    const TestFolder folder{"pellam-choosing"};
    EXPECT_EQ(std::system(gameCommand(folder.path(), "", R"(frames 30
click Pilot Sign-In|Sign In
frames 10
key p
frames 10
expect paused
click Select Mission|Fly Mission
frames 10
expect flying
quit
)").c_str()),
              0);
}

}  // namespace
}  // namespace pellam::testing
