// Starts the real pellam executable on the test's X server, lets it fly for a second and
// checks that its last frame shows something.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "platform/PngImage.h"

namespace {

TEST(Smoke, GameStartsAndDrawsAFrame) {
    const std::string frame =
        (std::filesystem::temp_directory_path() / ("pellam-smoke-" + std::to_string(getpid()) + ".png")).string();
    const std::string config = std::filesystem::temp_directory_path() / ("pellam-smoke-config-" + std::to_string(getpid()));
    const std::string command = "XDG_CONFIG_HOME='" + config + "' PELLAM_AUTOFLY=1 PELLAM_AUTOQUIT_SECONDS=1 PELLAM_FRAME_DUMP='" + frame + "' '" +
                                PELLAM_EXECUTABLE + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);

    pellam::platform::RGBAImage image;
    ASSERT_TRUE(pellam::platform::readPng(frame, image));
    std::filesystem::remove(frame);
    std::filesystem::remove_all(config);
    ASSERT_GT(image.width, 0);
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

}  // namespace
