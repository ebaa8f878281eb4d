// The sound file readers on synthetic files: what the WAV reader accepts and refuses, and the
// counts and values each fixed-header reader produces.
#include <gtest/gtest.h>

#include "sound/SoundReaders.h"
#include "tests/sound/SoundTestSupport.h"

namespace pellam {
namespace {

using soundtest::Bytes;
using soundtest::makeWav;
using soundtest::WavShape;

std::vector<int16_t> pattern(size_t n) {
    std::vector<int16_t> v(n);
    for (size_t k = 0; k < n; ++k) v[k] = static_cast<int16_t>(k * 37 - 16000);
    return v;
}

TEST(SoundReaders, CanonicalWavIsReadSampleBySample) {
    const auto samples = pattern(1000);
    const auto out = soundfile::readCanonicalWav(makeWav(samples));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 1000u);
    for (size_t k = 0; k < samples.size(); ++k) ASSERT_EQ((*out)[k], samples[k] / 32768.0f);

    const auto extremes = soundfile::readCanonicalWav(makeWav({-32768, 32767, 0, 1, -1, 0, 0, 0}, {}));
    EXPECT_FALSE(extremes) << "shorter than 1,500 bytes";
    std::vector<int16_t> big(800, 0);
    big[0] = -32768;
    big[1] = 32767;
    const auto edge = soundfile::readCanonicalWav(makeWav(big));
    ASSERT_TRUE(edge);
    EXPECT_EQ((*edge)[0], -1.0f);
    EXPECT_EQ((*edge)[1], 32767.0f / 32768.0f);
}

TEST(SoundReaders, WavOfAnyOtherFormIsRefused) {
    const auto samples = pattern(1000);
    WavShape stereo;
    stereo.channels = 2;
    WavShape eightBit;
    eightBit.bits = 8;
    WavShape slow;
    slow.rate = 22050;
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(samples, stereo)));
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(samples, eightBit)));
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(samples, slow)));
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(pattern(700))));  // 1,444 bytes
    EXPECT_TRUE(soundfile::readCanonicalWav(makeWav(pattern(728))));   // 1,500 bytes

    Bytes notRiff = makeWav(samples);
    notRiff[0] = 'X';
    EXPECT_FALSE(soundfile::readCanonicalWav(notRiff));
    Bytes notWave = makeWav(samples);
    notWave[10] = 'X';
    EXPECT_FALSE(soundfile::readCanonicalWav(notWave));

    WavShape empty;
    empty.declaredDataBytes = 0;
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(samples, empty)));
    WavShape huge;
    huge.declaredDataBytes = 2000001;
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(samples, huge)));
}

TEST(SoundReaders, DataTagIsLookedForInTheFirst1024Bytes) {
    const auto samples = pattern(1000);
    WavShape listed;
    listed.extraChunk = true;
    const auto withList = soundfile::readCanonicalWav(makeWav(samples, listed));
    ASSERT_TRUE(withList);
    EXPECT_EQ(withList->size(), 1000u);
    EXPECT_EQ((*withList)[0], samples[0] / 32768.0f);

    // Move the data chunk to start at byte 1,024: no longer found.
    Bytes late = makeWav(samples);
    late.insert(late.begin() + 36, 1024 - 36, 0x20);
    EXPECT_FALSE(soundfile::readCanonicalWav(late));
    Bytes justInTime = makeWav(samples);
    justInTime.insert(justInTime.begin() + 36, 1023 - 36, 0x20);
    EXPECT_TRUE(soundfile::readCanonicalWav(justInTime));
}

TEST(SoundReaders, WavDataSizePastTheEndTakesOnlyTheBytesPresent) {
    WavShape overlong;
    overlong.declaredDataBytes = 1000000;
    auto file = makeWav(pattern(1001), overlong);
    file.push_back(0x7F);  // an odd byte at the end is not half a sample
    const auto out = soundfile::readCanonicalWav(file);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), 1001u);
    EXPECT_EQ(out->back(), pattern(1001).back() / 32768.0f);
}

TEST(SoundReaders, Unsigned8BitReaderDoublesEverySample) {
    Bytes file(42, 0xEE);
    for (int k = 0; k < 1000; ++k) file.push_back(static_cast<uint8_t>(k % 256));
    const auto out = soundfile::readUnsigned8At22k(file);
    ASSERT_EQ(out.size(), 2000u);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], -1.0f);
    EXPECT_EQ(out[2 * 255], 1.0f);
    EXPECT_EQ(out[2 * 128 + 1], (128 / 255.0f) * 2.0f - 1.0f);
    EXPECT_TRUE(soundfile::readUnsigned8At22k(Bytes(42, 1)).empty());
    EXPECT_TRUE(soundfile::readUnsigned8At22k(Bytes(10, 1)).empty());
}

TEST(SoundReaders, HighByteReadersTakeTheTopOfEach16BitSample) {
    for (size_t header : {size_t{42}, size_t{44}}) {
        Bytes file(header, 0xEE);
        for (uint8_t hi : {0x80, 0x7F, 0x00, 0xC0}) {
            file.push_back(0x55);  // low byte, ignored
            file.push_back(hi);
        }
        file.push_back(0x40);  // odd byte: its pair runs past the file
        const auto out = soundfile::readHigh8Of16At22k(file, header);
        ASSERT_EQ(out.size(), 9u);
        const float expect[] = {-1.0f, -1.0f, 127 / 128.0f, 127 / 128.0f, 0.0f, 0.0f, -0.5f, -0.5f, 0.0f};
        for (int k = 0; k < 9; ++k) EXPECT_EQ(out[k], expect[k]) << header << " " << k;
    }
}

TEST(SoundReaders, BigEndianReadersAt22And44Khz) {
    Bytes file(80, 0xEE);
    for (uint16_t v : {0x8000, 0x7FFF, 0x0001, 0xFFFF}) {
        file.push_back(static_cast<uint8_t>(v >> 8));
        file.push_back(static_cast<uint8_t>(v));
    }
    file.push_back(0x12);  // half a sample: dropped
    const auto at44 = soundfile::readBigEndian16At44k(file);
    ASSERT_EQ(at44.size(), 4u);
    EXPECT_EQ(at44[0], -1.0f);
    EXPECT_EQ(at44[1], 32767 / 32768.0f);
    EXPECT_EQ(at44[2], 1 / 32768.0f);
    EXPECT_EQ(at44[3], -1 / 32768.0f);
    const auto at22 = soundfile::readBigEndian16At22k(file);
    ASSERT_EQ(at22.size(), 8u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(at22[2 * k], at44[k]);
        EXPECT_EQ(at22[2 * k + 1], at44[k]);
    }
    EXPECT_TRUE(soundfile::readBigEndian16At44k(Bytes(80, 0)).empty());
}

TEST(SoundReaders, Unsigned8BitAt5KhzWritesEachSampleEightTimes) {
    Bytes file(44, 0);
    file.push_back(0);
    file.push_back(192);
    const auto out = soundfile::readUnsigned8At5k(file);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[7], -1.0f);
    EXPECT_EQ(out[8], 0.5f);
    EXPECT_EQ(out[15], 0.5f);
}

}  // namespace
}  // namespace pellam
