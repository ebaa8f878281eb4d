// The picture reader on the fuzz seeds (one file of every kind it takes) and on crafted files of
// the kinds that once brought a decoder down: each is read whole or refused with a reason.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "render/ImageFiles.h"
#include "tests/TestFolder.h"

using namespace pellam;
using render::PictureRead;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path seeds() { return fs::path(std::getenv("PELLAM_SOURCE_DIR")) / "fuzz" / "picture_seeds"; }

Bytes bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Reads `bytes` as the file `name`: a picture whole, or a refusal with its reason.
PictureRead readAs(const pellam::testing::TestFolder& folder, const std::string& name, const Bytes& bytes, std::string& why) {
    const std::string path = folder.file(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    platform::RGBAImage image;
    why.clear();
    const PictureRead read = render::readPicture(path, image, 1024, why);
    if (read == PictureRead::kRead)
        EXPECT_EQ(image.pixels.size(), size_t(image.width) * image.height * 4) << name;
    else
        EXPECT_TRUE(image.pixels.empty() && !why.empty()) << name;
    return read;
}

// The JPEG's segments from SOI up to its scan data, each marker with its length and body.
std::vector<Bytes> jpegSegments(const Bytes& b, Bytes& scan) {
    std::vector<Bytes> segments;
    size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        const size_t length = size_t(b[at + 2]) << 8 | b[at + 3];
        segments.emplace_back(b.begin() + long(at), b.begin() + long(at + 2 + length));
        at += 2 + length;
        if (segments.back()[1] == 0xDA) break;
    }
    scan.assign(b.begin() + long(at), b.end());
    return segments;
}

}  // namespace

// Every seed decodes, oriented and in channel order: each was drawn with its first channel (red,
// grey, cyan or the palette index) rising from left to right.
TEST(PictureFilesTest, EverySeedIsReadTheRightWayRound) {
    std::set<std::string> kinds;
    for (const auto& entry : fs::directory_iterator(seeds())) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        platform::RGBAImage image;
        std::string why;
        ASSERT_EQ(render::readPicture(entry.path().string(), image, 1024, why), PictureRead::kRead) << why;
        const uint8_t left = image.pixels[0], right = image.pixels[size_t(image.width - 1) * 4];
        EXPECT_LT(left, 64);
        EXPECT_GT(right, 100);
        kinds.insert(entry.path().extension().string());
    }
    EXPECT_EQ(kinds, (std::set<std::string>{".jpg", ".png", ".tif"}));
}

TEST(PictureFilesTest, CraftedFilesAreReadWholeOrRefusedWithAReason) {
    const pellam::testing::TestFolder folder("pellam pictures");
    std::string why;

    // A scan that asks for a Huffman table no segment filled.
    Bytes scan;
    const std::vector<Bytes> segments = jpegSegments(bytesOf(seeds() / "baseline.jpg"), scan);
    Bytes unfilled = {0xFF, 0xD8}, emptyTables = unfilled, noTables = unfilled;
    for (Bytes s : segments) {
        if (s[1] == 0xC4) {  // a Huffman table: its codes counted in the 16 bytes after its class
            Bytes empty(s.begin(), s.begin() + 5);
            empty.resize(21, 0);
            empty[2] = 0, empty[3] = 19;
            emptyTables.insert(emptyTables.end(), empty.begin(), empty.end());
            continue;
        }
        noTables.insert(noTables.end(), s.begin(), s.end());
        if (s[1] == 0xDA)
            for (size_t c = 0; c < s[4]; ++c) s[6 + 2 * c] = 0x23;  // DC table 2, AC table 3
        else
            emptyTables.insert(emptyTables.end(), s.begin(), s.end());
        unfilled.insert(unfilled.end(), s.begin(), s.end());
    }
    for (Bytes* b : {&unfilled, &emptyTables, &noTables}) b->insert(b->end(), scan.begin(), scan.end());
    EXPECT_EQ(readAs(folder, "AircraftPlain.png.jpg", unfilled, why), PictureRead::kNotAPicture);
    EXPECT_NE(why.find("Huffman table 0x02"), std::string::npos) << why;
    readAs(folder, "empty.jpg", emptyTables, why);
    readAs(folder, "none.jpg", noTables, why);  // the tables every JPEG is assumed to have
    // Every prefix of a JPEG, as a copy cut short leaves it.
    const Bytes progressive = bytesOf(seeds() / "progressive.jpg");
    for (size_t n = 0; n < progressive.size(); n += 7)
        readAs(folder, "short.jpg", Bytes(progressive.begin(), progressive.begin() + long(n)), why);

    // A PNG whose image data is empty.
    Bytes png = bytesOf(seeds() / "rgb8.png");
    ASSERT_EQ(std::string(png.begin() + 37, png.begin() + 41), "IDAT");
    const size_t length = size_t(png[33]) << 24 | size_t(png[34]) << 16 | size_t(png[35]) << 8 | png[36];
    png.erase(png.begin() + 41, png.begin() + 41 + long(length));
    std::fill_n(&png[33], 4, 0);
    const uint32_t crc = uint32_t(crc32(0, &png[37], 4));
    for (int k = 0; k < 4; ++k) png[41 + k] = uint8_t(crc >> (24 - 8 * k));
    EXPECT_EQ(readAs(folder, "empty.png", png, why), PictureRead::kNotAPicture);

    // A TIFF of a compression screen shots and textures are never written with.
    Bytes tiff = bytesOf(seeds() / "rgb_none.tif");
    ASSERT_EQ(tiff[0], 'I');
    auto little = [&](size_t at) { return size_t(tiff[at]) | size_t(tiff[at + 1]) << 8; };
    const size_t directory = little(4) | little(6) << 16;
    for (size_t e = directory + 2; e < directory + 2 + 12 * little(directory); e += 12)
        if (little(e) == 259) tiff[e + 8] = 0x29, tiff[e + 9] = 0x80;  // 32809
    EXPECT_EQ(readAs(folder, "thunder.tif", tiff, why), PictureRead::kNotAPicture);
    EXPECT_NE(why.find("32809"), std::string::npos) << why;
}
