#pragma once
// Helpers for the sound tests: a scripted audio output, WAV and raw file builders, and a folder
// of user sounds to load from.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

#include "platform/Paths.h"
#include "platform/audio/AudioOutput.h"
#include "sound/PellamSound.h"

namespace pellam::soundtest {

// An output device driven by hand: render() asks the installed render function for one buffer.
class FakeAudioOutput : public platform::AudioOutput {
public:
    explicit FakeAudioOutput(platform::AudioStreamFormat format, bool open = true) : format_(format), open_(open) {}
    bool isOpen() const override { return open_; }
    platform::AudioStreamFormat format() const override { return format_; }
    void addRenderProc(platform::AudioRenderProc proc, void* clientData) override { proc_ = proc, client_ = clientData; }
    void removeRenderProc() override { proc_ = nullptr, client_ = nullptr; }
    void start() override { ++starts; }
    void stop() override { ++stops; }
    void lock() override { ++locks; }
    void unlock() override {}

    // One buffer of `frames` frames, pre-filled with a marker so that unwritten floats show.
    std::vector<float> render(uint32_t frames) {
        std::vector<float> out(frames * format_.mBytesPerFrame / 4, 99.0f);
        if (proc_) proc_(out.data(), static_cast<uint32_t>(out.size() * 4), 1.0, client_);
        return out;
    }

    int starts = 0, stops = 0, locks = 0;

private:
    platform::AudioStreamFormat format_;
    bool open_;
    platform::AudioRenderProc proc_ = nullptr;
    void* client_ = nullptr;
};

inline platform::AudioStreamFormat floatFormat(double rate, uint32_t channels, uint32_t bits = 32) {
    return {rate, channels * bits / 8, channels, bits};
}

using Bytes = std::vector<uint8_t>;

inline void putLE(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void putTag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

struct WavShape {
    uint16_t channels = 1;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    bool extraChunk = false;                    // a "LIST" chunk between "fmt " and "data"
    uint32_t declaredDataBytes = 0xFFFFFFFFu;  // the size written in the data chunk; default the true size
};

// A RIFF WAVE file holding `samples` (16-bit values written whatever `bits` claims).
inline Bytes makeWav(const std::vector<int16_t>& samples, WavShape shape = {}) {
    Bytes b;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    putTag(b, "RIFF"), putLE(b, 0, 4), putTag(b, "WAVE"), putTag(b, "fmt "), putLE(b, 16, 4), putLE(b, 1, 2);
    putLE(b, shape.channels, 2), putLE(b, shape.rate, 4), putLE(b, shape.rate * shape.channels * shape.bits / 8, 4);
    putLE(b, shape.channels * shape.bits / 8, 2), putLE(b, shape.bits, 2);
    if (shape.extraChunk) putTag(b, "LIST"), putLE(b, 200, 4), b.resize(b.size() + 200, 0x20);
    putTag(b, "data");
    putLE(b, shape.declaredDataBytes == 0xFFFFFFFFu ? dataBytes : shape.declaredDataBytes, 4);
    for (int16_t s : samples) putLE(b, static_cast<uint16_t>(s), 2);
    const uint32_t riff = static_cast<uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);  // little-endian host
    return b;
}

inline std::vector<int16_t> constantSamples(size_t count, int16_t value) { return std::vector<int16_t>(count, value); }

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh application folder under the test's temporary directory, made the program's own for
// the test's life.
class ScopedAppFolder {
public:
    explicit ScopedAppFolder(const std::string& name)
        : root_(std::filesystem::temp_directory_path() / ("pellam_sound_" + name + "_" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root_), std::filesystem::create_directories(root_);
        platform::setApplicationFolder(root_.string());
    }
    ~ScopedAppFolder() {
        platform::setApplicationFolder("");
        std::error_code ec;  // the folder may be gone
        std::filesystem::remove_all(root_, ec);
    }
    std::filesystem::path userSounds() const { return root_ / "Necessary Data" / "Sounds"; }
    std::filesystem::path bundleSounds() const { return root_ / "data" / "Sounds"; }

    // Every sound as a user WAV of `frames` samples; sound k holds the value 100 x (k + 1), so
    // that each is told apart by its samples.
    void writeAllUserSounds(size_t frames) const {
        for (int k = 0; k < 44; ++k)
            if (const char* name = SoundGuy::userFileName(k))
                writeFile(userSounds() / name, makeWav(constantSamples(frames, static_cast<int16_t>(100 * (k + 1)))));
    }

private:
    std::filesystem::path root_;
};

inline float userValue(int sound) { return static_cast<float>(100 * (sound + 1)) / 32768.0f; }

// A started sound object on a scripted device of `format`; `device` is told which device it got.
inline std::unique_ptr<SoundGuy> makeSounds(platform::AudioStreamFormat format, FakeAudioOutput** device = nullptr,
                                            bool open = true) {
    auto sounds = std::make_unique<PellamSound>([=]() {
        auto d = std::make_unique<FakeAudioOutput>(format, open);
        if (device) *device = d.get();
        return d;
    });
    sounds->init();
    return sounds;
}

inline void setAllVolumes(SoundGuy& s, double v) {
    s.setAppGlobalVolume(v), s.setGunsVolume(v), s.setEngineVolume(v), s.setStallHornVolume(v), s.setOtherItemsVolume(v);
}

// What the sound object sends to SDL's disk driver, as floats: `place` sets the sounds going while
// the device is stopped, so that all start in one buffer; the run ends once no channel satisfies
// `playing`, as the device's own thread mixes them out. `delayMs` paces the driver per buffer.
inline std::vector<float> recordOnDiskDevice(const std::string& name, const char* delayMs,
                                            const std::function<void(PellamSound&)>& place,
                                            const std::function<bool(const PlaySoundDef&)>& playing) {
    const auto file = std::filesystem::temp_directory_path() / ("pellam_" + name + "_" + std::to_string(::getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", delayMs, 1);
    {
        PellamSound sounds;
        sounds.init();
        if (!sounds.isRunning()) return {};
        sounds.setCoreAudioOnOff(false);
        place(sounds);
        sounds.setCoreAudioOnOff(true);
        for (int wait = 0; wait < 400; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            bool any = false;
            sounds.device()->lock();
            for (const PlaySoundDef& ch : sounds.mixerState().PlaySounds) any |= playing(ch);
            sounds.device()->unlock();
            if (!any) break;
        }
        sounds.ExitSoundRoutines();
    }
    std::vector<float> floats(std::filesystem::file_size(file) / 4);
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(floats.data()), std::streamsize(floats.size() * 4));
    std::filesystem::remove(file);
    return floats;
}

}  // namespace pellam::soundtest
