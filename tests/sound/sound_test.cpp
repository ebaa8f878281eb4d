// The sound object: its readers, which copy of a sound start-up loads, the sounds our generator
// ships, the mixer and the playing operations, the output stage's limiter, and SDL's drivers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "platform/Beep.h"
#include "platform/Paths.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "platform/audio/PeakLimiter.h"
#include "sound/PellamSound.h"
#include "sound/SoundReaders.h"
#include "tests/TestFolder.h"

namespace pellam {
namespace {

using Bytes = std::vector<uint8_t>;

void putLE(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A canonical RIFF WAVE file holding `samples`: mono, 16-bit, 44,100 Hz. The fields a reader
// checks sit at fixed offsets: channels at byte 22, rate 24, bits 34, data size 40.
Bytes makeWav(const std::vector<int16_t>& samples) {
    const auto data = static_cast<uint32_t>(2 * samples.size());
    Bytes b{'R', 'I', 'F', 'F'};
    putLE(b, 36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    for (auto [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {44100u, 4}, {88200u, 4}, {2u, 2}, {16u, 2}})
        putLE(b, value, bytes);  // chunk size, PCM, one channel, rate, bytes a second, a frame, bits
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLE(b, data, 4);
    for (int16_t s : samples) putLE(b, static_cast<uint16_t>(s), 2);
    return b;
}

// The file with the `n`-byte field at `offset` set to `value`.
Bytes patched(Bytes b, size_t offset, uint32_t value, int n) {
    for (int i = 0; i < n; ++i) b[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    return b;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh application folder, the program's own for the test's life, where every sound has a
// user WAV of `frames` samples holding the value 100 x (k + 1) for sound k.
class ScopedAppFolder {
public:
    explicit ScopedAppFolder(size_t frames = 0) {
        platform::setApplicationFolder(folder_.path().string());
        for (int k = 0; frames && k <= SoundGuy::kLastSound; ++k)
            if (const char* name = SoundGuy::userFileName(k))
                writeFile(userSounds() / name, makeWav(std::vector<int16_t>(frames, int16_t(100 * (k + 1)))));
    }
    ~ScopedAppFolder() { platform::setApplicationFolder(""); }
    std::filesystem::path userSounds() const { return folder_.path() / "Necessary Data" / "Sounds"; }
    std::filesystem::path bundleSounds() const { return folder_.path() / "data" / "Sounds"; }

private:
    testing::TestFolder folder_{"pellam_sound"};
};

float userValue(int sound) { return static_cast<float>(100 * (sound + 1)) / 32768.0f; }

void setAllVolumes(SoundGuy& s, double v) {
    for (auto set : {&SoundGuy::setAppGlobalVolume, &SoundGuy::setGunsVolume, &SoundGuy::setEngineVolume,
                     &SoundGuy::setStallHornVolume, &SoundGuy::setOtherItemsVolume})
        (s.*set)(v);
}

TEST(SoundReaders, WavReaderRefusesWhatIsNotCanonicalAndFixedHeaderReadersStopAtTheEnd) {
    const Bytes good = makeWav(std::vector<int16_t>(1000, 1));
    Bytes tagLate = good, tagInTime = good;  // the data tag is looked for below byte 1,024
    tagLate.insert(tagLate.begin() + 36, 1024 - 36, 0x20);
    tagInTime.insert(tagInTime.begin() + 36, 1023 - 36, 0x20);
    Bytes cut = patched(good, 40, 1000000, 4);  // a size past the end is cut to the samples present
    cut.push_back(0x7F);                        // and an odd byte at the end is not half a sample
    const struct {
        const char* what;
        Bytes file;
        size_t samples;  // 0: refused
    } files[] = {{"stereo", patched(good, 22, 2, 2), 0},
                 {"22,050 Hz", patched(good, 24, 22050, 4), 0},
                 {"8-bit", patched(good, 34, 8, 2), 0},
                 {"no data", patched(good, 40, 0, 4), 0},
                 {"over 2,000,000 bytes of data", patched(good, 40, 2000001, 4), 0},
                 {"not RIFF", patched(good, 0, 'X', 1), 0},
                 {"not WAVE", patched(good, 8, 'X', 1), 0},
                 {"1,444 bytes", makeWav(std::vector<int16_t>(700, 1)), 0},
                 {"1,500 bytes", makeWav(std::vector<int16_t>(728, 1)), 728},
                 {"data tag at byte 1,024", tagLate, 0},
                 {"data tag at byte 1,023", tagInTime, 1000},
                 {"size past the end", cut, 1000}};
    for (const auto& f : files)
        EXPECT_EQ(soundfile::readCanonicalWav(f.file).value_or(std::vector<float>{}).size(), f.samples) << f.what;

    // The fixed-header readers on a sample and a half, and on less than a header.
    const auto file = [](size_t header, std::initializer_list<uint8_t> body) {
        Bytes b(header, 0xEE);
        b.insert(b.end(), body);
        return b;
    };
    EXPECT_EQ(soundfile::readHigh8Of16At22k(file(44, {0x55, 0xC0, 0x40}), 44), (std::vector<float>{-0.5f, -0.5f, 0}));
    EXPECT_EQ(soundfile::readBigEndian16At44k(file(80, {0x80, 0x00, 0x12})), (std::vector<float>{-1}));
    EXPECT_TRUE(soundfile::readUnsigned8At5k(file(10, {})).empty());
}

TEST(SoundLoading, UserCopyWinsOnlyWhenCanonicalAndSoundFifteenRepeatsSoundZero) {
    ScopedAppFolder app;
    const std::pair<const char*, Bytes> copies[] = {{"Hit3.wav", patched(makeWav(std::vector<int16_t>(1000, 2000)), 22, 2, 2)},
                                                    {"gunjam2.wav", makeWav(std::vector<int16_t>(900, 2000))}};
    for (const auto& [name, user] : copies) {
        writeFile(app.bundleSounds() / name, makeWav(std::vector<int16_t>(1000, 1000)));
        writeFile(app.userSounds() / name, user);
    }
    writeFile(app.bundleSounds() / "initsound", Bytes(342, 0x80));
    // A FIFO in a user sound's place once held the loading for ever; a folder is no sound either.
    writeFile(app.bundleSounds() / "Flak1.wav", makeWav(std::vector<int16_t>(1000, 1000)));
    ASSERT_EQ(mkfifo((app.userSounds() / "Flak1.wav").c_str(), 0600), 0);
    std::filesystem::create_directories(app.userSounds() / "Flak2.wav");
    SoundGuy sounds{SoundGuy::DeviceOpener{}};
    ::testing::internal::CaptureStderr();
    sounds.init();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(sounds.rawSound(35), std::vector<float>(1000, 1000 / 32768.0f));
    // Each user copy that is not used is named in the log, with the reason.
    for (const char* name : {"Hit3.wav", "Flak1.wav", "Flak2.wav"}) {
        const std::string line = "The user sound " + (app.userSounds() / name).string() + " is not used";
        EXPECT_NE(log.find(line), std::string::npos) << name << "\n" << log;
    }
    EXPECT_NE(log.find("not a mono 16-bit"), std::string::npos);
    EXPECT_EQ(log.find("gunjam2.wav is not used"), std::string::npos);
    EXPECT_EQ(sounds.rawSound(33), std::vector<float>(1000, 1000 / 32768.0f)) << "a stereo copy is refused";
    EXPECT_EQ(sounds.rawSound(41), std::vector<float>(900, 2000 / 32768.0f));
    EXPECT_EQ(sounds.rawSound(15), sounds.rawSound(0));
    EXPECT_FALSE(sounds.isLoaded(5)) << "no file anywhere";
    for (int outside : {-1, 18, 50}) EXPECT_TRUE(sounds.rawSound(outside).empty()) << outside;
}

// The files our generator writes into the build's data folder, read as the game reads them.
TEST(SoundLoading, GeneratedSoundsLoadAudible) {
    platform::setApplicationFolder(std::getenv("PELLAM_BUILD_DIR"));
    SoundGuy sounds{SoundGuy::DeviceOpener{}};
    sounds.init();
    platform::setApplicationFolder("");
    for (int k = 0; k <= SoundGuy::kLastSound; ++k) {
        if (k == 18 || k == 19 || k == 23) continue;  // numbers no sound has
        const auto& s = sounds.rawSound(k);
        ASSERT_GT(s.size(), 4410u) << "sound " << k << " is missing or shorter than 0.1 s";
        EXPECT_GT(*std::max_element(s.begin(), s.end()), 0.3f) << "sound " << k << " is nearly silent";
    }
}

// Without a device; sound 14 is a ramp (sample k = (k - 1000) / 32768), so that the value mixed
// names the position read.
class SoundPlaying : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int16_t> ramp(2000);
        for (int k = 0; k < 2000; ++k) ramp[k] = int16_t(k - 1000);
        writeFile(app_.userSounds() / SoundGuy::userFileName(14), makeWav(ramp));
        sounds_.init();
        sounds_.mixerState().myBytesPerFrame = 8;  // as a stereo float device would have it
        setAllVolumes(sounds_, 1.0);
    }
    PlaySoundDef& channel(int k) { return sounds_.mixerState().PlaySounds[k]; }
    int channelOf(int sound) {
        for (int k = 0; k < kSoundChannels; ++k)
            if (channel(k).SoundID == sound) return k;
        return -1;
    }
    // `frames` stereo frames, pre-filled with 99 so that anything left unwritten shows.
    std::vector<float> mix(uint32_t frames, double sampleTime = 1.0, SoundMixerState* table = nullptr) {
        std::vector<float> out(2 * frames, 99.0f);
        flightSimSoundMixer(out.data(), 8 * frames, sampleTime, table ? table : &sounds_.mixerState());
        return out;
    }

    int32_t ticks_ = 1000;
    platform::ScopedTickSource clock_{[this] { return ticks_; }};
    ScopedAppFolder app_{2000};
    SoundGuy sounds_{SoundGuy::DeviceOpener{}};
};

TEST_F(SoundPlaying, OneShotPlaysEverySampleOnceALoopWrapsAndChannelsSum) {
    sounds_.placeSingleSound(14, 255);
    sounds_.SetContinousVolume(38, 255);
    channel(7).CurrentIndexIntoSample = 1999.0;
    sounds_.SetEngineAmpRate(38, 98304);  // 1.5 samples a frame
    const auto out = mix(2001);
    for (int f = 0; f < 2000; ++f) ASSERT_EQ(out[2 * f + 1], (f - 1000) / 32768.0f + userValue(38)) << f;
    EXPECT_EQ(out[4000], userValue(38)) << "the one-shot is over, the loop plays on";
    EXPECT_EQ(channel(0).SoundID, -1) << "the one-shot's channel is freed";
    EXPECT_DOUBLE_EQ(channel(7).CurrentIndexIntoSample, 1000.5) << "the fraction carries over each wrap";

    sounds_.mixerState().myBytesPerFrame = 32;
    EXPECT_EQ(mix(4)[4], 0.0f) << "an eight-channel device gets zeros after the pair";
}

// Whatever the device or a lost channel hands it, the mixer writes silence where it cannot mix
// and never reads outside a sound.
TEST_F(SoundPlaying, MixerGuardsWriteSilenceAndLostChannelsRecover) {
    SoundMixerState& state = sounds_.mixerState();
    sounds_.SetContinousVolume(17, 255);
    SoundMixerState damaged = state, narrow = state;
    damaged.PlaySounds[0].Valid2 = 7;
    narrow.myBytesPerFrame = 4;  // no room for the pair
    std::vector<float> noTable(8, 99.0f);
    flightSimSoundMixer(noTable.data(), 32, 1.0, nullptr);
    for (const auto& out : {mix(4, 0.0), mix(4, 1.0, &damaged), mix(4, 1.0, &narrow), noTable})
        EXPECT_EQ(out, std::vector<float>(8, 0.0f));
    EXPECT_EQ(flightSimSoundMixer(nullptr, 64, 1.0, &state), 0) << "no buffer";

    // An empty channel is freed; one lost far past its end starts over.
    sounds_.SetContinousVolume(30, 255);
    channel(7).Samples = 0;
    channel(6).CurrentIndexIntoSample = 1e12;
    EXPECT_EQ(mix(1)[0], userValue(30));
    EXPECT_EQ(channel(7).PlaySoundPtr, nullptr);
    EXPECT_EQ(channel(6).CurrentIndexIntoSample, 1.0);
}

TEST_F(SoundPlaying, OneShotsAndLoopsShareTheEightChannels) {
    platform::SystemBeep();
    EXPECT_EQ(channelOf(SoundGuy::kBeepSound), 0) << "the system beep plays through the sound object";
    freeSoundChannel(channel(0));
    for (int bad : {-5, -1, 18, 44, 50, 1000000}) {
        EXPECT_EQ(sounds_.placeSingleSound(bad, 200), 0) << bad;
        sounds_.SetContinousVolume(bad, 200);
        sounds_.SetEngineAmpRate(bad, 100000);
    }
    EXPECT_EQ(channelOf(-1), 0) << "nothing was placed";

    // Loops take the last free channels, one-shots the lowest; a full table answers 1 and
    // leaves every channel be, and a new loop takes the oldest one-shot's channel.
    for (int s : {1, 5, 25, 30, 31, 32}) sounds_.SetContinousVolume(s, 200);
    ticks_ = 900;
    sounds_.placeSingleSound(14, 255);
    ticks_ = 800;
    sounds_.placeSingleSound(9, 255);
    EXPECT_EQ(sounds_.placeSingleSound(9, 255), 1);
    EXPECT_EQ(channel(1).StartTime, 800);
    sounds_.SetContinousVolume(42, 200);
    EXPECT_EQ(channelOf(42), 1);

    // A loop changes in place and keeps its position; stopped, it starts again from the top.
    channel(1).CurrentIndexIntoSample = 500.0;
    sounds_.SetContinousVolume(42, 140);
    EXPECT_EQ(channel(1).CurrentIndexIntoSample, 500.0);
    sounds_.SetContinousVolume(42, 0);
    sounds_.SetContinousVolume(42, 140);
    EXPECT_EQ(channel(1).CurrentIndexIntoSample, 0.0);
    sounds_.setAppGlobalVolume(std::nan(""));
    sounds_.SetContinousVolume(42, 140);
    EXPECT_EQ(channelOf(42), -1) << "a volume that is not a number is silence";
}

TEST(SoundLimiter, NotANumberIsSilenceAndQuietSoundPassesUnchangedOnceTheGainIsHome) {
    platform::PeakLimiter limiter(44100.0);
    std::vector<float> burst(2 * 4410, 6.5f), quiet(2 * 88200, 0.0f), music(2 * 1000);
    burst[7] = std::nanf("");
    limiter.process(burst.data(), burst.size() / 2, 2);
    EXPECT_EQ(burst[7], 0.0f);
    limiter.process(quiet.data(), quiet.size() / 2, 2);  // two seconds
    for (size_t i = 0; i < music.size(); ++i) music[i] = 0.9f * std::sin(0.01f * float(i));
    const std::vector<float> mixed = music;
    limiter.process(music.data(), music.size() / 2, 2);
    EXPECT_EQ(music, mixed);
}

// Without a driver the game runs silent and says so once, while its sounds still fill channels.
// Then the main thread starts, retunes and stops channels 20,000 times as fast as it can while
// the disk driver's thread mixes them flat out: any read outside a sound's samples fails the
// sanitised build. The sounds are of one to three samples near full scale, played at the highest
// pitch, and every channel's sum still reaches the device within full scale.
TEST(SoundDevice, SilentWithoutADriverAndSafeAndWithinFullScaleWhileChannelsChangeHands) {
    ScopedAppFolder app;
    for (int k = 0; k <= SoundGuy::kLastSound; ++k) {
        const auto wav = makeWav(std::vector<int16_t>(800, int16_t(k % 2 ? 32000 - k : k - 32000)));
        if (const char* name = SoundGuy::userFileName(k))
            writeFile(app.userSounds() / name, patched(wav, 40, 2 + 2 * (k % 3), 4));
    }
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ::testing::internal::CaptureStderr();
    for (int k = 0; k < 2; ++k) {
        PellamSound sounds;
        sounds.init();
        setAllVolumes(sounds, 1.0);
        sounds.setCoreAudioOnOff(true);
        EXPECT_FALSE(sounds.isRunning());
        EXPECT_EQ(sounds.placeSingleSound(14, 255), 0);
        EXPECT_EQ(sounds.mixerState().PlaySounds[0].SoundID, 14);
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    const size_t at = said.find("the game runs silent");
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_EQ(said.find("the game runs silent", at + 1), std::string::npos) << said;

    const auto file = app.userSounds() / "device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    {
        PellamSound sounds;
        sounds.init();
        ASSERT_TRUE(sounds.isRunning());
        setAllVolumes(sounds, 1.0);
        platform::seedRandom(3);
        for (int operation = 0; operation < 20000; ++operation) {
            const int32_t r = platform::nextRandom();
            const int sound = r % 44;
            switch ((r >> 8) % 4) {
                case 0: sounds.placeSingleSound(sound, r >> 16 & 255); break;
                case 1: sounds.SetContinousVolume(sound, r >> 16 & 255); break;
                case 2: sounds.SetEngineAmpRate(sound, 150000); break;
                default: sounds.setCoreAudioOnOff((r >> 12 & 7) != 0); break;
            }
        }
        sounds.ExitSoundRoutines();
        sounds.startSounds();
        EXPECT_FALSE(sounds.isRunning()) << "after exit the device stays off";
    }
    platform::SystemBeep();  // the sound object is gone: only counted
    std::vector<float> floats(std::filesystem::file_size(file) / 4);
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(floats.data()), std::streamsize(floats.size() * 4));
    ASSERT_GT(floats.size(), 10000u);
    float peak = 0.0f;
    for (float f : floats) peak = std::isfinite(f) ? std::max(peak, std::fabs(f)) : 2.0f;
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.95f) << "loud sounds should still be as loud as the device can play";
}

}  // namespace
}  // namespace pellam
