// The real pellam started as a player starts it: on the test's X server it flies for a second and
// its last frame shows something. Where nobody can see it, SDL would fall back to a driver that
// draws nowhere and the game would run on unseen: it must say why it cannot start and end with a
// failure status, unless the run asks for no display on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "missions/MissionFile.h"
#include "platform/PngImage.h"
#include "platform/UserDefaults.h"
#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam::testing {
namespace {

bool isColour(const platform::RGBAImage& image, int x, int y, const uint8_t (&colour)[3]) {
    const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 4];
    return p[0] == colour[0] && p[1] == colour[1] && p[2] == colour[2];
}

// The longest run along a row of the picture in a windows' title bar colour (platform/ui/UiLayer.cpp:
// the key window's, the others'): a window's title bar is hundreds of pixels long.
struct TitleBar {
    int row = -1, left = 0, length = 0;
};
TitleBar longestTitleBar(const platform::RGBAImage& image) {
    constexpr uint8_t kTitles[2][3] = {{92, 77, 46}, {61, 54, 36}};
    TitleBar longest;
    for (int y = 0; y < image.height; ++y)
        for (const auto& title : kTitles)
            for (int x = 0, run = 0; x < image.width; ++x) {
                run = isColour(image, x, y, title) ? run + 1 : 0;
                if (run > longest.length) longest = {y, x + 1 - run, run};
            }
    return longest;
}

// The rows under a window's title bar, within its width, that a button crosses: the buttons'
// colour (platform/ui/UiLayer.cpp) for 100 pixels on end, which nothing behind the window's
// nearly opaque ground can make.
std::vector<int> buttonRows(const platform::RGBAImage& image, const TitleBar& title) {
    constexpr uint8_t kButton[3] = {107, 92, 56};
    std::vector<int> rows;
    for (int y = title.row + 1; y < image.height; ++y) {
        int longest = 0;
        for (int x = title.left, run = 0; x < title.left + title.length; ++x)
            longest = std::max(longest, run = isColour(image, x, y, kButton) ? run + 1 : 0);
        if (longest >= 100) rows.push_back(y);
    }
    return rows;
}

// Pixels along the loading screen's bar, 0.915 of the height down from a fifth of the width to
// four fifths, that are dark: none where the bar is drawn.
int darkAlongTheBar(const platform::RGBAImage& image) {
    int dark = 0;
    const int y = int(0.915 * image.height);
    for (int x = image.width / 5; x < image.width * 4 / 5; ++x) {
        const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 4];
        dark += p[0] + p[1] + p[2] < 60;
    }
    return dark;
}

// The share of the picture's pixels that are not black: nearly all of the world's, about half of
// the loading screen's.
double litShare(const platform::RGBAImage& image) {
    long lit = 0;
    for (size_t i = 0; i < image.pixels.size(); i += 4) lit += image.pixels[i] + image.pixels[i + 1] + image.pixels[i + 2] > 30;
    return double(lit) / double(image.pixels.size() / 4);
}

TEST(StartProcesses, TheGameStartsAndDrawsAFrame) {
    const TestFolder folder{"pellam-smoke"};
    const std::string frame = folder.file("frame.png");
    const std::string command =
        gameCommand(folder.path(), "PELLAM_AUTOFLY=1 PELLAM_AUTOQUIT_SECONDS=1 PELLAM_FRAME_DUMP='" + frame + "'");
    ASSERT_EQ(std::system(command.c_str()), 0);

    platform::RGBAImage image;
    ASSERT_TRUE(platform::readPng(frame, image));
    std::set<uint32_t> colours;
    for (size_t i = 0; i < image.pixels.size(); i += 4)
        colours.insert(uint32_t(image.pixels[i]) << 16 | uint32_t(image.pixels[i + 1]) << 8 | image.pixels[i + 2]);
    EXPECT_GT(litShare(image), 0.9) << "the frame is mostly black";
    EXPECT_GT(colours.size(), 8u) << "the frame is a flat fill";
}

// The first picture after launch holds the sign-in window whole: its title bar and its row of
// buttons lie where they lie in the pictures after it. It is the loading screen's last picture
// under the window, not the world's first frame, whose shading takes the rasteriser most of a
// second to build.
TEST(StartProcesses, TheFirstPictureHoldsTheSignInWindow) {
    const TestFolder folder{"pellam-first"};
    const std::string first = folder.file("first.png"), later = folder.file("later.png");
    ASSERT_EQ(std::system(gameCommand(folder.path(),
                                      "PELLAM_FIRST_FRAME_DUMP='" + first + "' PELLAM_FRAME_DUMP='" + later + "'",
                                      "frames 3\nquit\n")
                              .c_str()),
              0);
    platform::RGBAImage shown, settled;
    ASSERT_TRUE(platform::readPng(first, shown));
    ASSERT_TRUE(platform::readPng(later, settled));
    const TitleBar window = longestTitleBar(settled);
    ASSERT_GT(window.length, 300) << "no window in the later picture";
    const TitleBar firstWindow = longestTitleBar(shown);
    EXPECT_EQ(firstWindow.row, window.row);
    EXPECT_EQ(firstWindow.left, window.left);
    EXPECT_EQ(firstWindow.length, window.length) << "the window's width in the first picture";
    const std::vector<int> buttons = buttonRows(settled, window);
    EXPECT_GT(buttons.size(), 10u) << "no buttons in the later picture";
    EXPECT_EQ(buttonRows(shown, window), buttons) << "the window's buttons in the first picture";
    EXPECT_EQ(darkAlongTheBar(shown), 0) << "the first picture is not the loading screen's";
}

// Signed in from that first picture, the player meets the mission window over the world: its
// frames come behind the windows from the next frame on, not the loading screen's picture.
TEST(StartProcesses, SignedInFromTheFirstPictureTheWorldIsBehindTheMissionWindow) {
    const TestFolder folder{"pellam-signed-in"};
    const std::string frame = folder.file("frame.png");
    ASSERT_EQ(std::system(gameCommand(folder.path(), "PELLAM_FRAME_DUMP='" + frame + "'",
                                      "frames 1\nclick Pilot Sign-In|Sign In\nframes 5\nexpect paused\nquit\n")
                              .c_str()),
              0);
    platform::RGBAImage image;
    ASSERT_TRUE(platform::readPng(frame, image));
    EXPECT_GT(longestTitleBar(image).length, 300) << "no mission window";
    EXPECT_GT(litShare(image), 0.9) << "the loading screen's picture behind the windows";
}

// A flight waits behind the loading screen while its drawing warms up. Every picture of it shows
// the progress bar along its whole length, whatever state the warm-up's drawing left, and no
// window over it: the mouse-flying hint comes with the flight. In First Flight and in a mission of
// the player's own.
TEST(StartProcesses, TheLoadingScreenBeforeAFlightShowsItsBarAndNoWindow) {
    const TestFolder folder{"pellam-loading"};
    auto record = std::make_unique<missions::MissionData>();
    missions::MissionTexts texts;
    ASSERT_EQ(missiongen::buildPatrolMission(*record, texts), "");
    texts.title = "Our Own Patrol";
    record->SkyFlags = (record->SkyFlags & ~0xFF) | 7;  // a haze of its own: the world is warmed up anew
    std::filesystem::create_directories(folder.file("missions"));
    ASSERT_EQ(missions::writeMissionFile(folder.file("missions/ours.pellam"), *record, texts), "");
    int flight = 0;
    for (const std::string item : {"     First Flight at Bertangles", "     User Mission #1: Our Own Patrol"}) {
        SCOPED_TRACE(item);
        const std::string pictures = folder.file("loading" + std::to_string(++flight) + "-");
        const std::string script = "frames 5\nclick Pilot Sign-In|Sign In\nframes 5\nclick Select Mission|Mission\n"
                                   "click Select Mission|" + item + "\nclick Select Mission|Fly Mission\n"
                                   "until mission-time 10\nquit\n";
        ASSERT_EQ(std::system(gameCommand(folder.path(),
                                          "PELLAM_USER_MISSIONS='" + folder.file("missions/") +
                                              "' PELLAM_LOADING_DUMP='" + pictures + "'", script).c_str()),
                  0);
        int shown = 0;
        platform::RGBAImage image;
        for (; platform::readPng(pictures + std::to_string(shown + 1) + ".png", image); ++shown) {
            EXPECT_EQ(darkAlongTheBar(image), 0) << "picture " << shown + 1 << ": the bar is missing";
            EXPECT_LT(longestTitleBar(image).length, 20) << "picture " << shown + 1 << ": a window over the loading screen";
        }
        EXPECT_GT(shown, 0) << "no loading screen before the flight";
    }
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

// In the small window of the preferences (640 x 480) every window the player meets lies whole in
// view and answers: a quick dogfight is set up and flown; then a mission, won at once, ends while
// the mouse-flying hint from the first flight is still open, and its Game Over opens clear of it.
TEST(StartProcesses, InTheSmallWindowADogfightIsFlownAndTheEndOfAMissionOpensClearOfTheHint) {
    const TestFolder folder{"pellam-small"};
    {
        // Chosen in an earlier run; on a screen of 1,024 x 768 the small window is 640 x 480.
        platform::UserDefaults store(folder.file("config/pellam/defaults.json"));
        store.setString("AutoMessage1Key", "Check your six!");
        store.setBool("UseSmallWindowKey", true);
        ASSERT_TRUE(store.synchronize());
    }
    auto record = std::make_unique<missions::MissionData>();
    missions::MissionTexts texts;
    ASSERT_EQ(missiongen::buildPatrolMission(*record, texts), "");
    texts.title = "Won at Once";
    record->TheVictory = {};
    record->TheVictory.Location1Flags = record->TheVictory.Location2Flags = record->TheVictory.Location3Flags = 1;
    record->TheVictory.MustWinInXTicks = 100000;  // a timed mission ends as soon as it is won
    std::filesystem::create_directories(folder.file("missions"));
    ASSERT_EQ(missions::writeMissionFile(folder.file("missions/won.pellam"), *record, texts), "");
    const std::string frame = folder.file("frame.png");
    const std::string screen = "'" PELLAM_UNDER_XVFB "' '" PELLAM_XVFB "' '-screen 0 1024x768x24 -noreset' ";
    EXPECT_EQ(std::system((screen + gameCommand(folder.path(),
                                      "PELLAM_USER_MISSIONS='" + folder.file("missions/") + "' PELLAM_FRAME_DUMP='" +
                                          frame + "'",
                                      R"(frames 5
expect whole Pilot Sign-In
click Pilot Sign-In|Sign In
until window Select Mission
expect whole Select Mission
click Select Mission|Quick Dogfight
until window Quick Dogfight
expect whole Quick Dogfight
click Quick Dogfight|Fly Dogfight
until window Flying with the Mouse
expect flying
expect whole Flying with the Mouse
key p
click Menu|Game
click Game|Select Mission...
until window Select Mission
click Select Mission|Mission
wheel -40
click Select Mission|     User Mission #1: Won at Once
click Select Mission|Fly Mission
until window Game Over
expect whole Game Over
expect apart Game Over|Flying with the Mouse
click Game Over|OK
click Flying with the Mouse|OK
frames 3
expect paused
quit
)")).c_str()),
              0);
    platform::RGBAImage image;
    ASSERT_TRUE(platform::readPng(frame, image));
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
}

}  // namespace
}  // namespace pellam::testing
