#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/ZephModel.h"
#include "platform/ByteOrder.h"
#include "platform/Random.h"

namespace pellam {
namespace {

// Every draw stays within its ends, reaches both, and equal ends still take a draw so a seeded
// sequence does not shift when a range collapses.
TEST(Random, RangesEqualEndsAndTheSeededSequence) {
    ZephModel::simulationRandom().seed(1918);
    int lowSeen = 0, highSeen = 0;
    for (int i = 0; i < 20000; ++i) {
        const int32_t r = ZephModel::GetLongRandomFrom(10, 0);  // ends in either order
        ASSERT_TRUE(r >= 0 && r <= 10) << r;
        lowSeen += r == 0;
        highSeen += r == 9;
        const double d = ZephModel::GetDoubleRandomFrom(-3.0, 5.0);
        ASSERT_TRUE(d >= -3.0 && d <= 5.0) << d;
        const double g = ZephModel::getDoubleRandomFrom(10.0, 0.0);  // keeps its ends' order
        ASSERT_TRUE(g > 0.0 && g <= 10.0) << g;
        const double u = ZephModel::GetDoubleRandom0to1();
        ASSERT_TRUE(u >= 0.0 && u <= 1.0) << u;
    }
    EXPECT_GT(lowSeen, 0);
    EXPECT_GT(highSeen, 0);

    ZephModel::simulationRandom().seed(42);
    const int32_t a = ZephModel::GetLongRandomFrom(-32768, 32767);
    EXPECT_EQ(ZephModel::GetLongRandomFrom(-7, -7), -7);
    const int32_t b = ZephModel::GetLongRandomFrom(-32768, 32767);
    ZephModel::simulationRandom().seed(42);
    EXPECT_EQ(ZephModel::GetLongRandomFrom(-32768, 32767), a);
    ZephModel::GetDoubleRandom0to1();
    EXPECT_EQ(ZephModel::GetLongRandomFrom(-32768, 32767), b);
}

TEST(Strings, PrefixTestAndAsciiCopyReadAndWriteOnlyWhatTheyAreGiven) {
    const unsigned char tank[] = "\x04Tank";
    EXPECT_TRUE(ZephModel::compareStringSp(tank, "Tank2WWI"));
    EXPECT_FALSE(ZephModel::compareStringSp(tank, std::string_view("Tan\0", 4)));
    EXPECT_FALSE(ZephModel::compareStringSp(tank, "Tan"));  // never reads past the characters given
    const unsigned char empty[] = "\x00";
    EXPECT_TRUE(ZephModel::compareStringSp(empty, "anything"));

    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    ZephModel::myGetAsciiCString("abcdefghij", buffer, 4, sizeof buffer);
    EXPECT_EQ(std::string(buffer), "abcd");
    EXPECT_EQ(buffer[6], 'x');
    char small[5];
    ZephModel::myGetAsciiCString("abcdefghij", small, 100, sizeof small);  // the buffer's size wins
    EXPECT_EQ(std::string(small), "abc");
    char latin[6] = {};
    ZephModel::myGetAsciiCString("\xC3\xA9t\xC3\xA9", latin, 10, sizeof latin);  // "été": low bytes
    EXPECT_EQ(std::string(latin), "\xE9t\xE9");
}

TEST(ByteOrder, BigEndianBytes) {
    const unsigned char pi[8] = {0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18};
    EXPECT_DOUBLE_EQ(platform::readBEDouble(pi), 3.141592653589793);
    const unsigned char f[4] = {0x3F, 0xC0, 0x00, 0x00};
    EXPECT_FLOAT_EQ(platform::readBEFloat(f), 1.5f);
    unsigned char buffer[4];
    platform::writeBELong(buffer, -2);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[3], 0xFE);
}

TEST(AirDensity, ThinsWithHeightAndHoldsItsEnds) {
    ZephModel model;
    double last = model.FigureAirDensity(-9000);
    EXPECT_EQ(last, model.FigureAirDensity(-1000));
    for (double ft = -500; ft <= 50000; ft += 250) {
        const double d = model.FigureAirDensity(ft);
        EXPECT_LE(d, last) << ft;
        last = d;
    }
    EXPECT_EQ(model.FigureAirDensity(1e9), model.FigureAirDensity(50000));
    EXPECT_EQ(model.FigureAirDensity(std::nan("")), model.FigureAirDensity(0));
}

TEST(ModelArrayTest, IndexesOutsideTheArrayAnswerNull) {
    ModelArray models;
    models.put(3, std::make_unique<ZephModel>());
    EXPECT_EQ(models.at(0), nullptr);
    EXPECT_EQ(models.indexOf(models.at(3)), 3);
    for (long outside : {4L, -1L, 1L << 40}) EXPECT_EQ(models.at(outside), nullptr) << outside;
}

}  // namespace
}  // namespace pellam
