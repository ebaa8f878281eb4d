#pragma once
// The sound object: loads every game sound once, owns the eight-channel table that the audio
// device's mixer plays, and answers the game's requests to play, loop, pitch and mute sounds.
// The game makes one at start-up (PellamSound, then init()), hands it to every object as their
// SoundServices, and destroys it at exit, which stops and closes the device.
//
// Sections: construction and start-up; loading (names, readers); playing; volumes and muting;
// the device; inspection for tests.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/Services.h"
#include "platform/audio/AudioOutput.h"
#include "sound/SoundMixer.h"

namespace pellam {

class SoundGuy : public SoundServices {
public:
    static constexpr int kSoundSlots = 50;  // numbers 18, 19, 23 and 44..49 are never filled
    static constexpr int kLastSound = 43;
    static constexpr int kBeepSound = 24;  // what the system beep plays

    using DeviceOpener = std::function<std::unique_ptr<platform::AudioOutput>()>;

    // The default opens the system's output device; tests hand in their own.
    SoundGuy();
    explicit SoundGuy(DeviceOpener openDevice);
    ~SoundGuy() override;  // ExitSoundRoutines
    SoundGuy(const SoundGuy&) = delete;
    SoundGuy& operator=(const SoundGuy&) = delete;

    // Reads and converts every sound (a user copy in "Necessary Data/Sounds/" wins when it is a
    // canonical WAV), opens the device, resets the channels, installs the mixer and starts it,
    // and makes the system beep play through this object. Runs once.
    void init();

    // ---- Loading ----
    // File name of a sound's user (true) or bundle copy for the few sounds named here; sets
    // soundformat: 1 the WAV reader, 2 the unsigned 8-bit reader.
    std::string getSoundNameFor(int32_t sound, bool user);
    // The file name of a sound's copy in "Necessary Data/Sounds/", or nullptr for a number without one.
    static const char* userFileName(int32_t sound);
    // format 2: convertSound22Snd, 1: convertUserWAV, any other: nothing.
    void convertThisSound(std::span<const uint8_t> data, int32_t sound, int32_t format);
    // Each replaces RawSounds[sound]; a sound number outside 0..49 is ignored.
    bool convertUserWAV(std::span<const uint8_t> data, int32_t sound);
    void convertSound22(std::span<const uint8_t> data, int32_t sound);
    void convertSound22Signed(std::span<const uint8_t> data, int32_t sound);
    void convertSound22Snd(std::span<const uint8_t> data, int32_t sound);
    void convertSound2216(std::span<const uint8_t> data, int32_t sound);
    void convertSound4416(std::span<const uint8_t> data, int32_t sound);
    void convertSound0508(std::span<const uint8_t> data, int32_t sound);

    // ---- Playing (main thread) ----
    // A one-shot, volume 0..255.
    void PlayASingleSound(int32_t number, int32_t volume) override { placeSingleSound(number, volume); }
    // The same, answering 1 when all eight channels were playing and nothing was placed, else 0.
    int32_t placeSingleSound(int32_t number, int32_t volume);
    // Starts, changes or stops the loop of a sound (0..43), volume 0..255.
    void SetContinousVolume(int32_t number, int32_t volume) override;
    // Pitch of the channel playing the sound; rate in 16.16 fixed point, 40,000..150,000.
    void SetEngineAmpRate(int32_t number, int32_t rate) override;
    void StartContinuiousSounds() {}

    // ---- Volumes and muting ----
    void toggleSoundSetting();            // 0 -> 1 -> 2 -> 0
    void setSoundToggle(int32_t toggle);  // 0 all, 1 engines muted, 2 all muted
    int32_t getSoundToggle() const { return SoundToggle; }
    void setAppGlobalVolume(double volume);  // each 0.0..1.0
    void setGunsVolume(double volume);
    void setEngineVolume(double volume);
    void setStallHornVolume(double volume);
    void setOtherItemsVolume(double volume);

    // ---- The device ----
    void startSounds();
    void stopSounds();
    void setCoreAudioOnOff(bool on);  // follows whether the application is active
    void ExitSoundRoutines();         // stops and detaches the mixer for good
    void initSoundDefs();

    // ---- Inspection ----
    bool isRunning() const { return CoreAudioOnOff != 0; }
    int32_t getBytesPerFrame() const { return mixer_.myBytesPerFrame; }
    // The converted samples of a sound; empty for a number outside the table.
    const std::vector<float>& rawSound(int32_t sound) const;
    bool isLoaded(int32_t sound) const;
    // The channel table as the mixer sees it. Whoever writes it while the device runs locks the
    // device first.
    SoundMixerState& mixerState() { return mixer_; }

private:
    static bool inTable(int32_t sound) { return sound >= 0 && sound < kSoundSlots; }
    static bool isEngineSound(int32_t sound);
    void loadSound(int32_t sound);
    void startChannel(PlaySoundDef& ch, int32_t sound, char playOnce, double volume, int32_t now);
    // Derives the mixer's shared values and CanDoSound from the device's format.
    void takeDeviceFormat(const platform::AudioStreamFormat& format);

    class DeviceLock;

    DeviceOpener openDevice_;
    std::unique_ptr<platform::AudioOutput> device_;
    bool initialised_ = false;
    bool detached_ = false;  // ExitSoundRoutines ran: the device never starts again

    std::array<std::vector<uint8_t>, kSoundSlots> ActualSounds;  // file bytes while they are converted
    std::array<std::vector<float>, kSoundSlots> RawSounds;       // mono floats at 44,100/s
    int32_t soundformat = 1;

    platform::AudioStreamFormat deviceFormat;
    SoundMixerState mixer_;
    char CanDoSound = 0;
    char CoreAudioOnOff = 0;

    int32_t SoundToggle = 0;
    double GlobalAppVolume = 0.0;
    double GunsVolume = 0.0;
    double EngineVolume = 0.0;
    double StallHornVolume = 0.0;
    double OtherItemsVolume = 0.0;
    std::array<int32_t, 4> PreviousSingleSoundTicks{};  // [0]: when the last hit sound was placed, ticks
};

}  // namespace pellam
