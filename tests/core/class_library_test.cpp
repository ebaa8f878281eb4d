#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/ZephModel.h"
#include "platform/ByteOrder.h"
#include "platform/Random.h"

namespace pellam {
namespace {

TEST(Random, RangesAndEqualEnds) {
    ZephModel::simulationRandom().seed(1918);
    int lowSeen = 0, highSeen = 0;
    for (int i = 0; i < 20000; ++i) {
        const int32_t r = ZephModel::GetLongRandomFrom(10, 0);  // ends in either order
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 10);
        lowSeen += r == 0;
        highSeen += r == 9;
        const double d = ZephModel::GetDoubleRandomFrom(-3.0, 5.0);
        ASSERT_GE(d, -3.0);
        ASSERT_LE(d, 5.0);
        const double g = ZephModel::getDoubleRandomFrom(10.0, 0.0);  // keeps its ends' order
        ASSERT_GT(g, 0.0);
        ASSERT_LE(g, 10.0);
        const double u = ZephModel::GetDoubleRandom0to1();
        ASSERT_GE(u, 0.0);
        ASSERT_LE(u, 1.0);
    }
    EXPECT_GT(lowSeen, 0);
    EXPECT_GT(highSeen, 0);
    EXPECT_EQ(ZephModel::GetLongRandomFrom(5, 5), 5);
    EXPECT_EQ(ZephModel::GetLongRandomFrom(-7, -7), -7);
    EXPECT_EQ(ZephModel::GetDoubleRandomFrom(2.0, 2.0), 2.0);
}

TEST(Random, SeedReplaysTheSequenceAndEqualEndsStillDraw) {
    ZephModel::simulationRandom().seed(42);
    const int32_t a = ZephModel::GetLongRandomFrom(-32768, 32767);
    ZephModel::GetLongRandomFrom(3, 3);  // draws, so the next answer moves on
    const int32_t b = ZephModel::GetLongRandomFrom(-32768, 32767);
    ZephModel::simulationRandom().seed(42);
    EXPECT_EQ(ZephModel::GetLongRandomFrom(-32768, 32767), a);
    ZephModel::GetDoubleRandom0to1();
    EXPECT_EQ(ZephModel::GetLongRandomFrom(-32768, 32767), b);
}

TEST(Strings, LengthPrefixedPrefixTest) {
    const unsigned char tank[] = "\x04Tank";
    EXPECT_TRUE(ZephModel::compareStringSp(tank, "Tank2WWI"));
    EXPECT_FALSE(ZephModel::compareStringSp(tank, std::string_view("Tan\0", 4)));
    EXPECT_FALSE(ZephModel::compareStringSp(tank, "Tan"));  // never reads past the characters given
    const unsigned char empty[] = "\x00";
    EXPECT_TRUE(ZephModel::compareStringSp(empty, "anything"));
}

TEST(Strings, AsciiCopyIsBoundedByTheDestination) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    ZephModel::myGetAsciiCString("abcdefghij", buffer, 4, sizeof buffer);
    EXPECT_EQ(std::string(buffer), "abcd");
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(buffer[6], 'x');

    // maxLength larger than the buffer: the buffer's size wins.
    char small[5];
    std::memset(small, 'x', sizeof small);
    ZephModel::myGetAsciiCString("abcdefghij", small, 100, sizeof small);
    EXPECT_EQ(std::string(small), "abc");
    EXPECT_EQ(small[4], 0);

    char latin[6] = {};
    ZephModel::myGetAsciiCString("\xC3\xA9t\xC3\xA9", latin, 10, sizeof latin);  // "été": low bytes
    EXPECT_EQ(static_cast<unsigned char>(latin[0]), 0xE9);
    EXPECT_EQ(latin[1], 't');
    EXPECT_EQ(static_cast<unsigned char>(latin[2]), 0xE9);
    EXPECT_EQ(latin[3], 0);
}

TEST(ByteOrder, SwapsAgainstBigEndianBytes) {
    EXPECT_TRUE(platform::isIntelChip());
    const unsigned char be[8] = {0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18};  // pi
    double d;
    std::memcpy(&d, be, 8);
    platform::swapDoubleHere(&d);
    EXPECT_DOUBLE_EQ(d, 3.141592653589793);
    EXPECT_DOUBLE_EQ(platform::readBEDouble(be), 3.141592653589793);
    platform::swapDoubleHere(&d);
    platform::swapDoubleHere(&d);
    EXPECT_DOUBLE_EQ(d, 3.141592653589793);

    unsigned char buffer[4];
    platform::writeBELong(buffer, -2);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[3], 0xFE);
    int32_t l;
    std::memcpy(&l, buffer, 4);
    platform::swapLongHere(&l);
    EXPECT_EQ(l, -2);
    int16_t s = 0x1234;
    platform::swapShortHere(&s);
    EXPECT_EQ(s, 0x3412);
    const unsigned char f[4] = {0x3F, 0xC0, 0x00, 0x00};
    EXPECT_FLOAT_EQ(platform::readBEFloat(f), 1.5f);
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
    EXPECT_EQ(models.size(), 4);
    EXPECT_EQ(models.at(0), nullptr);
    EXPECT_NE(models.at(3), nullptr);
    EXPECT_EQ(models.at(4), nullptr);
    EXPECT_EQ(models.at(-1), nullptr);
    EXPECT_EQ(models.at(1L << 40), nullptr);
    EXPECT_EQ(models.indexOf(models.at(3)), 3);
}

}  // namespace
}  // namespace pellam
