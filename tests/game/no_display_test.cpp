// The real pellam started where nobody can see it: with no display server, SDL would fall back to
// a driver that draws nowhere and the game would run on unseen. It must say why it cannot start
// and end with a failure status, unless the run asks for no display on purpose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string said;
};

// Runs pellam with `environment` added and DISPLAY and WAYLAND_DISPLAY taken away.
Outcome runWithoutDisplay(const std::string& environment) {
    const fs::path scratch = fs::temp_directory_path() / ("pellam-nodisplay-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const fs::path err = scratch / "stderr.txt";
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + (scratch / "config").string() +
                                "' PELLAM_AUTOQUIT_SECONDS=1 " + environment + " '" + PELLAM_EXECUTABLE + "' 2>'" +
                                err.string() + "'";
    Outcome run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(err);
    std::stringstream text;
    text << in.rdbuf();
    run.said = text.str();
    fs::remove_all(scratch);
    return run;
}

TEST(NoDisplay, TheGameSaysItNeedsADisplayAndFails) {
    for (const char* driver : {"", "SDL_VIDEODRIVER=offscreen", "SDL_VIDEODRIVER=dummy"}) {
        const Outcome run = runWithoutDisplay(driver);
        EXPECT_NE(run.status, 0) << driver;
        EXPECT_NE(run.said.find("needs a display"), std::string::npos) << driver << ": " << run.said;
    }
}

TEST(NoDisplay, ARunThatAsksForNoDisplayStillStarts) {
    const Outcome run = runWithoutDisplay("SDL_VIDEODRIVER=offscreen PELLAM_ALLOW_NO_DISPLAY=1 PELLAM_AUTOFLY=1");
    EXPECT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(run.said.find("needs a display"), std::string::npos) << run.said;
}

}  // namespace
