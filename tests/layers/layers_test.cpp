// The layers of docs/architecture.md hold in the tree and the build: every library links and
// includes only what its row of the layer table lets it reach. And the check itself: on a small tree
// of its own it finds a wrong include and a wrong link, and nothing else.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/TestFolder.h"
#include "tests/layers/LayerCheck.h"

namespace pellam::layers {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

TEST(Layers, TheTreeKeepsTheTable) {
    const char* source = std::getenv("PELLAM_SOURCE_DIR");
    const char* build = std::getenv("PELLAM_BUILD_DIR");
    ASSERT_TRUE(source && build);
    const Rules rules = readRules(readAll(fs::path(source) / "docs/architecture.md"));
    ASSERT_EQ(rules.layers.size(), 4u) << joined(rules.errors);
    std::ifstream list(fs::path(build) / "tests/layers/targets.txt");
    ASSERT_TRUE(list) << "no targets.txt in the build";
    const std::vector<Target> targets = readTargets(list);
    EXPECT_EQ(joined(checkLayers(source, rules, targets)), "");

    // The simulation stays clear of the network's socket thread and libcurl: what aircraft/ needs
    // of the wire sits beneath both.
    const auto aircraft = std::find_if(targets.begin(), targets.end(), [](const Target& t) {
        return t.name == "pellam_aircraft";
    });
    ASSERT_NE(aircraft, targets.end());
    EXPECT_EQ(std::count(aircraft->links.begin(), aircraft->links.end(), "pellam_net"), 0);
}

// A tree of three folders: app/ on top, sim/ → base/ beneath it, net/ beside sim/ in the middle
// layer, and a window door in the platform layer.
class FakeTree : public ::testing::Test {
protected:
    void SetUp() override {
        write("docs/architecture.md",
              "# Architecture\n\n## Folders\n| folder | library | owns |\n|---|---|---|\n"
              "| app/ | pellam_app | the program |\n| sim/ | pellam_sim | the simulation |\n"
              "| net/ | pellam_net | the wire |\n| base/ | pellam_base, pellam_video | the doors |\n\n"
              "## Layers\n| layer | libraries | may reach |\n|---|---|---|\n"
              "| the game | the `pellam_app` program | everything below |\n"
              "| the simulation | pellam_sim; pellam_net → pellam_sim | pellam_base only: no SDL, GL or ImGui |\n"
              "| the platform | pellam_base (no SDL); pellam_video (SDL, GL, ImGui) | the operating system |\n");
        write("app/main.cpp", "#include \"sim/Step.h\"\n#include \"net/Link.h\"\n#include <SDL2/SDL.h>\n");
        write("sim/Step.h", "#pragma once\n#include \"base/Clock.h\"\n#include <vector>\n");
        write("sim/Step.cpp", "#include \"sim/Step.h\"\n#include \"Local.h\"\n");
        write("sim/Local.h", "#pragma once\n");
        write("net/Link.h", "#pragma once\n#include \"sim/Step.h\"\n");
        write("net/Link.cpp", "#include \"net/Link.h\"\n");
        write("base/Clock.h", "#pragma once\n");
        write("base/Clock.cpp", "#include \"base/Clock.h\"\n");
        write("base/Window.cpp", "#include \"base/Clock.h\"\n#include <SDL2/SDL.h>\n");
        const std::string r = folder_.path().string();
        targets_ = "pellam_app\tEXECUTABLE\t" + r + "/app\tmain.cpp\tpellam_net;pellam_video\n"
                   "pellam_sim\tSTATIC_LIBRARY\t" + r + "/sim\tStep.cpp\tpellam_base\n"
                   "pellam_net\tSTATIC_LIBRARY\t" + r + "/net\tLink.cpp\t$<LINK_ONLY:pellam_sim>;Threads::Threads\n"
                   "pellam_base\tSTATIC_LIBRARY\t" + r + "/base\tClock.cpp\t\n"
                   "pellam_video\tSTATIC_LIBRARY\t" + r + "/base\tWindow.cpp\tpellam_base;SDL2::SDL2\n";
    }

    void write(const std::string& name, const std::string& text) {
        fs::create_directories((folder_.path() / name).parent_path());
        std::ofstream(folder_.path() / name) << text;
    }

    std::vector<std::string> problems() {
        std::istringstream list(targets_);
        return checkLayers(folder_.path(), readRules(readAll(folder_.path() / "docs/architecture.md")),
                           readTargets(list));
    }

    testing::TestFolder folder_{"layers"};
    std::string targets_;
};

TEST_F(FakeTree, FindsAPlantedIncludeAndLinkAndNothingElse) {
    EXPECT_EQ(joined(problems()), "") << "a tree that keeps its table";

    // The simulation reaching up to its neighbour and into the window system, by include and by link.
    write("sim/Step.cpp", "#include \"sim/Step.h\"\n#include \"net/Link.h\"\n#include <GL/gl.h>\n");
    const size_t at = targets_.find("Step.cpp\tpellam_base");
    targets_.replace(at, std::string("Step.cpp\tpellam_base").size(), "Step.cpp\tpellam_base;pellam_net;GL");
    const std::vector<std::string> found = problems();
    const std::string all = joined(found);
    EXPECT_EQ(found.size(), 5u) << all;
    EXPECT_NE(all.find("sim/Step.cpp:2 includes net/Link.h of pellam_net, which pellam_sim may not reach"),
              std::string::npos) << all;
    EXPECT_NE(all.find("sim/Step.cpp:3 includes GL/gl.h"), std::string::npos) << all;
    EXPECT_NE(all.find("pellam_sim links pellam_net,"), std::string::npos) << all;
    EXPECT_NE(all.find("pellam_sim links GL:"), std::string::npos) << all;
    EXPECT_NE(all.find("pellam_net reaches GL through pellam_sim"), std::string::npos) << all;
}

TEST_F(FakeTree, ALibraryOutsideTheTablesIsFound) {
    // A second library in sim/ that neither table names, and a platform library reaching a door.
    targets_ += "pellam_extra\tSTATIC_LIBRARY\t" + folder_.path().string() + "/sim\tExtra.cpp\tpellam_base\n";
    const size_t at = targets_.find("Clock.cpp\t");
    targets_.replace(at, std::string("Clock.cpp\t").size(), "Clock.cpp\tpellam_video");
    const std::string all = joined(problems());
    EXPECT_NE(all.find("pellam_extra (sim/) is in no row of the layer table"), std::string::npos) << all;
    EXPECT_NE(all.find("pellam_extra is not in the folder table's row for sim/"), std::string::npos) << all;
    // The platform row lets its libraries link each other, but the one without SDL must not gain it.
    EXPECT_NE(all.find("pellam_base reaches SDL2::SDL2 through pellam_video"), std::string::npos) << all;
}

}  // namespace
}  // namespace pellam::layers
