#include "sound/SoundGuy.h"

#include <atomic>
#include <filesystem>
#include <optional>

#include "core/ZephModel.h"
#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/Random.h"
#include "platform/RegularFile.h"
#include "platform/TickCount.h"
#include "sound/SoundReaders.h"

namespace pellam {
namespace {

enum class Reader { Wav, Snd8, Signed22, High22, BigEndian22, BigEndian44 };

struct SoundFile {
    int32_t number;
    const char* user;    // in "Necessary Data/Sounds/", always a canonical WAV
    const char* bundle;  // in the resources' Sounds/
    Reader reader;       // for the bundle copy
};

// In loading order. Sound 15 has no file: it is converted again from sound 0's data.
constexpr SoundFile kSoundFiles[] = {
    {0, "initsound.wav", "initsound", Reader::Snd8},
    {6, "Hit1.wav", "Hit1", Reader::Wav},  // the bundle copy is a canonical WAV too
    {16, "Hit2.wav", "Hit2", Reader::BigEndian44},
    {10, "CloseToBreak.wav", "CloseToBreak", Reader::Snd8},
    {4, "FlapsMove.wav", "FlapsMove", Reader::Snd8},
    {9, "FrameBreaks.wav", "FrameBreaks", Reader::Snd8},
    {3, "GearDown.wav", "GearDown", Reader::Snd8},
    {2, "GearUp.wav", "GearUp", Reader::Snd8},
    {13, "TearOff.wav", "TearOff", Reader::Snd8},
    {7, "LoudTireSmoke.wav", "LoudTireSmoke", Reader::Snd8},
    {8, "QuietTireSmoke.wav", "QuietTireSmoke", Reader::Snd8},
    {11, "AirExplosion.wav", "AirExplosion", Reader::Snd8},
    {12, "HitGroundExplosion.wav", "HitGroundExplosion", Reader::Snd8},
    {14, "BombRelease.wav", "BombRelease", Reader::Snd8},
    {26, "ChuteOpens.wav", "ChuteOpens", Reader::Snd8},
    {20, "ExitCanopy.wav", "ExitCanopy", Reader::Snd8},
    {21, "WaterSplash.wav", "WaterSplash", Reader::Snd8},
    {1, "StallHorn.wav", "StallHorn.wav", Reader::Signed22},
    {5, "MachineGun.wav", "MachineGun", Reader::Snd8},
    {17, "SCEngineloop.wav", "SCEngineloop.wav", Reader::Wav},
    {38, "FK7InlineEngine.wav", "FK7InlineEngine.wav", Reader::Wav},
    {22, "blitidle.wav", "blitidle.wav", Reader::Wav},
    {37, "FK7InlineIdle.wav", "FK7InlineIdle.wav", Reader::Wav},
    {25, "SCEngineOutsideloop.wav", "SCEngineOutsideloop.wav", Reader::Wav},
    {39, "FK7InlineOutsideEngine.wav", "FK7InlineOutsideEngine.wav", Reader::Wav},
    {24, "PlayRequest.wav", "PlayRequest", Reader::BigEndian22},
    {27, "flybysound1.wav", "flybysound1.wav", Reader::Wav},
    {29, "guyhitsground.wav", "guyhitsground", Reader::Snd8},
    {28, "windsound.wav", "windsound.wav", Reader::High22},
    {30, "ess.wav", "ess.wav", Reader::High22},
    {31, "SCEngineStartUp.wav", "SCEngineStartUp.wav", Reader::Wav},
    {32, "SCEngineShutDown.wav", "SCEngineShutDown.wav", Reader::Wav},
    {40, "FK7EngineStartUp.wav", "FK7EngineStartUp.wav", Reader::Wav},
    {33, "Hit3.wav", "Hit3.wav", Reader::Wav},
    {34, "Hit4.wav", "Hit4.wav", Reader::Wav},
    {35, "Flak1.wav", "Flak1.wav", Reader::Wav},
    {36, "Flak2.wav", "Flak2.wav", Reader::Wav},
    {41, "gunjam2.wav", "gunjam2.wav", Reader::Wav},
    {42, "fixgun.wav", "fixgun.wav", Reader::Wav},
    {43, "tapshorn.wav", "tapshorn.wav", Reader::Wav},
};

constexpr uintmax_t kLargestSoundFile = 32 << 20;  // bytes; nothing the game uses comes near

// The whole file, or false when it cannot be read (missing, not a regular file, absurdly large).
bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& why) {
    std::optional<std::vector<uint8_t>> bytes = platform::readRegularFile(path, why, kLargestSoundFile);
    if (!bytes) return false;
    out = std::move(*bytes);
    return true;
}

double clampVolume(double v) { return v > 0.0 ? (v < 1.0 ? v : 1.0) : 0.0; }  // NaN becomes 0

std::atomic<bool> toldUnmixable{false};

const std::vector<float> kNoSamples;

}  // namespace

class SoundGuy::DeviceLock {
public:
    explicit DeviceLock(SoundGuy& guy) : device_(guy.device_.get()) {
        if (device_) device_->lock();
    }
    ~DeviceLock() {
        if (device_) device_->unlock();
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    platform::AudioOutput* device_;
};

SoundGuy::SoundGuy() : SoundGuy(&platform::openDefaultAudioOutput) {}

SoundGuy::SoundGuy(DeviceOpener openDevice) : openDevice_(std::move(openDevice)) {}

SoundGuy::~SoundGuy() {
    ExitSoundRoutines();
    platform::setBeepPlayer({});
}

// ---- Start-up and loading ----

void SoundGuy::init() {
    if (initialised_) return;
    initialised_ = true;
    for (const SoundFile& file : kSoundFiles) loadSound(file.number);

    if (openDevice_ && !device_ && !detached_) device_ = openDevice_();
    takeDeviceFormat(device_ && device_->isOpen() ? device_->format() : platform::AudioStreamFormat{});
    initSoundDefs();
    if (device_) device_->addRenderProc(&flightSimSoundMixer, &mixer_);
    startSounds();
    platform::setBeepPlayer([this] { PlayASingleSound(kBeepSound, 255); });
}

void SoundGuy::takeDeviceFormat(const platform::AudioStreamFormat& format) {
    deviceFormat = format;
    mixer_.SampleRateMod = 1.0;
    if (format.mSampleRate > 0.0 && format.mSampleRate != 44100.0) mixer_.SampleRateMod = 44100.0 / format.mSampleRate;
    mixer_.myBytesPerFrame = static_cast<int32_t>(format.mBytesPerFrame);
    CanDoSound = format.mBitsPerChannel == 32 && (format.mChannelsPerFrame == 2 || format.mChannelsPerFrame == 8);
    if (device_ && device_->isOpen() && !CanDoSound && !toldUnmixable.exchange(true)) {
        platform::logMessage("The audio output's format (" + std::to_string(format.mChannelsPerFrame) + " channels of " +
                             std::to_string(format.mBitsPerChannel) + " bits) cannot be mixed: the game runs silent.");
    }
}

const char* SoundGuy::userFileName(int32_t sound) {
    for (const SoundFile& f : kSoundFiles)
        if (f.number == sound) return f.user;
    return nullptr;
}

void SoundGuy::loadSound(int32_t sound) {
    const SoundFile* file = nullptr;
    for (const SoundFile& f : kSoundFiles)
        if (f.number == sound) file = &f;
    if (!file) return;

    const std::string userFolder = ZephModel::getPathToFolder() + "/Necessary Data/Sounds/";
    const std::string bundleFolder = ZephModel::getPathToResources() + "Sounds/";
    bool done = false;
    std::string why;
    const std::string userFile = userFolder + file->user;
    std::error_code unseen;
    if (std::filesystem::exists(std::filesystem::symlink_status(userFile, unseen))) {
        // The player put something in the sound's place: what is wrong with it goes to the log.
        if (!readWholeFile(userFile, ActualSounds[sound], why)) {
            platform::logMessage("The user sound " + userFile + " is not used (" + why + "): the game's own plays.");
        } else {
            done = convertUserWAV(ActualSounds[sound], sound);
            if (!done)
                platform::logMessage("The user sound " + userFile + " is not used: it is not a mono 16-bit "
                                     "44,100 Hz WAV of 1,500 bytes or more. The game's own plays.");
            if (done && sound == 0) {
                ActualSounds[15] = ActualSounds[0];
                convertUserWAV(ActualSounds[15], 15);
            }
        }
    }
    // The samples are what plays: the file's bytes are let go once converted (megabytes).
    const auto release = [&] {
        std::vector<uint8_t>().swap(ActualSounds[sound]);
        if (sound == 0) std::vector<uint8_t>().swap(ActualSounds[15]);
    };
    if (done) return release();

    if (!readWholeFile(bundleFolder + file->bundle, ActualSounds[sound], why)) {
        ActualSounds[sound].clear();
        RawSounds[sound].clear();
        platform::logMessage("Sound " + std::to_string(sound) + " (\"" + file->bundle + "\") could not be read from " +
                             bundleFolder + " (" + why + "): it stays silent.");
        return;
    }
    const auto convert = [&](int32_t number) {
        const std::span<const uint8_t> data = ActualSounds[number];
        switch (file->reader) {
            case Reader::Wav:
                if (!convertUserWAV(data, number)) {
                    platform::logMessage(std::string("Sound \"") + file->bundle + "\" is not a mono 16-bit 44,100 Hz WAV.");
                }
                break;
            case Reader::Snd8: convertSound22Snd(data, number); break;
            case Reader::Signed22: convertSound22Signed(data, number); break;
            case Reader::High22: convertSound22(data, number); break;
            case Reader::BigEndian22: convertSound2216(data, number); break;
            case Reader::BigEndian44: convertSound4416(data, number); break;
        }
    };
    convert(sound);
    if (sound == 0) {
        ActualSounds[15] = ActualSounds[0];
        convert(15);
    }
    release();
}

std::string SoundGuy::getSoundNameFor(int32_t sound, bool user) {
    soundformat = 1;
    switch (sound) {
        case 0:
            if (user) return "initsound.wav";
            soundformat = 2;
            return "initsound";
        case 6:
            if (user) return "Hit1.wav";
            soundformat = 2;
            return "Hit1";
        case 17: return "SCEngineloop.wav";
        case 22: return "blitidle.wav";
        case 25: return "SCEngineOutsideloop.wav";
        case 37: return "FK7InlineIdle.wav";
        case 38: return "FK7InlineEngine.wav";
        case 39: return "FK7InlineOutsideEngine.wav";
        case 40: return "FK7EngineStartUp.wav";
        default: return "initsound.wav";
    }
}

void SoundGuy::convertThisSound(std::span<const uint8_t> data, int32_t sound, int32_t format) {
    if (format == 2) convertSound22Snd(data, sound);
    if (format == 1) convertUserWAV(data, sound);
}

bool SoundGuy::convertUserWAV(std::span<const uint8_t> data, int32_t sound) {
    if (!inTable(sound)) return false;
    auto samples = soundfile::readCanonicalWav(data);
    if (!samples) return false;
    RawSounds[sound] = std::move(*samples);
    return true;
}

void SoundGuy::convertSound22(std::span<const uint8_t> data, int32_t sound) {
    if (inTable(sound)) RawSounds[sound] = soundfile::readHigh8Of16At22k(data, 44);
}
void SoundGuy::convertSound22Signed(std::span<const uint8_t> data, int32_t sound) {
    if (inTable(sound)) RawSounds[sound] = soundfile::readHigh8Of16At22k(data, 42);
}
void SoundGuy::convertSound22Snd(std::span<const uint8_t> data, int32_t sound) {
    if (inTable(sound)) RawSounds[sound] = soundfile::readUnsigned8At22k(data);
}
void SoundGuy::convertSound2216(std::span<const uint8_t> data, int32_t sound) {
    if (inTable(sound)) RawSounds[sound] = soundfile::readBigEndian16At22k(data);
}
void SoundGuy::convertSound4416(std::span<const uint8_t> data, int32_t sound) {
    if (inTable(sound)) RawSounds[sound] = soundfile::readBigEndian16At44k(data);
}
void SoundGuy::convertSound0508(std::span<const uint8_t> data, int32_t sound) {
    if (inTable(sound)) RawSounds[sound] = soundfile::readUnsigned8At5k(data);
}

const std::vector<float>& SoundGuy::rawSound(int32_t sound) const {
    return inTable(sound) ? RawSounds[sound] : kNoSamples;
}

bool SoundGuy::isLoaded(int32_t sound) const {
    return inTable(sound) && !RawSounds[sound].empty();
}

bool SoundGuy::isEngineSound(int32_t sound) {
    return sound == 17 || sound == 22 || sound == 25 || sound == 28 || sound == 37 || sound == 38 || sound == 39;
}

// ---- Playing ----

void SoundGuy::startChannel(PlaySoundDef& ch, int32_t sound, char playOnce, double volume, int32_t now) {
    ch.PlaySoundPtr = nullptr;
    ch.SoundData = nullptr;
    ch.SoundID = sound;
    ch.CurrentIndexIntoSample = 0.0;
    ch.PlayOnce = playOnce;
    ch.LeftVolume = volume;
    ch.RightVolume = volume;
    ch.Pitch = 1.0;
    ch.Samples = static_cast<int32_t>(RawSounds[sound].size());
    ch.PanEffect = 0;
    ch.PanPosition = 0.0;
    ch.StartTime = now;
    ch.SoundData = &RawSounds[sound];
    ch.PlaySoundPtr = RawSounds[sound].data();
}

int32_t SoundGuy::placeSingleSound(int32_t number, int32_t volume) {
    if (SoundToggle == 2) return 0;
    if (number < 0 || number > kLastSound) return 0;
    const double g = clampVolume(volume / 255.0 * 2.8 * OtherItemsVolume * GlobalAppVolume);

    int32_t sound = number;
    const int32_t now = platform::TickCount();
    if (number == 6) {
        const int32_t r = platform::presentationRandom().longFrom(0, 100);
        if (r >= 86) sound = 34;
        else if (r >= 71) sound = 33;
        else if (r >= 46) sound = 16;
        // Hits come in bursts: at most one every half second.
        if (static_cast<uint32_t>(now) - static_cast<uint32_t>(PreviousSingleSoundTicks[0]) <= 29u) return 0;
    }
    if (number == 35 && platform::presentationRandom().longFrom(0, 100) > 54) sound = 36;
    if (!isLoaded(sound)) return 0;

    DeviceLock lock(*this);
    PlaySoundDef* free = nullptr;
    for (PlaySoundDef& ch : mixer_.PlaySounds) {
        if (ch.PlaySoundPtr == nullptr) {
            free = &ch;
            break;
        }
    }
    if (!free) return 1;
    if (number == 6) PreviousSingleSoundTicks[0] = now;

    startChannel(*free, sound, 1, g, now);
    switch (sound) {
        case 2: case 4: case 20:
            free->PanEffect = 1;
            free->PanPosition = g;
            break;
        case 3:
            free->PanEffect = 2;
            free->PanPosition = g;
            break;
        case 27:
            free->PanEffect = platform::presentationRandom().longFrom(-32768, 32767) > 0 ? 1 : 2;
            free->PanPosition = g;
            break;
        case 6: case 16: case 33: case 34: {
            const double q = platform::presentationRandom().longFrom(-32768, 32767) / 32768.0;
            free->PanPosition = g;
            if (q >= 0.0) {
                free->LeftVolume = g * q;
                free->RightVolume = g;
            } else {
                free->LeftVolume = g;
                free->RightVolume = -q * g;
            }
            break;
        }
        default: break;
    }
    return 0;
}

void SoundGuy::SetContinousVolume(int32_t number, int32_t volume) {
    if (number < 0 || number > kLastSound) return;
    if (SoundToggle == 2 || (SoundToggle == 1 && isEngineSound(number))) volume = 0;
    double v = volume / 255.0;
    if (number == 5) v *= GunsVolume;
    if (isEngineSound(number)) v *= EngineVolume;
    if (number == 1) v *= StallHornVolume;
    v *= GlobalAppVolume;
    if (v > 1.0) v = 1.0;
    if (!(v >= 0.01)) v = 0.0;

    DeviceLock lock(*this);
    auto& channels = mixer_.PlaySounds;
    // One engine at a time: starting an engine sound silences the others and the wind.
    const bool exclusive = number == 17 || number == 22 || number == 25 || number == 37 || number == 38 || number == 39;
    if (exclusive && v > 0.0) {
        for (PlaySoundDef& ch : channels) {
            if (ch.PlayOnce != 1 && ch.SoundID != number && ch.SoundID != 5 && ch.SoundID != 1) freeSoundChannel(ch);
        }
    }
    if (v == 0.0) {
        for (PlaySoundDef& ch : channels) {
            if (ch.SoundID == number) {
                freeSoundChannel(ch);
                break;
            }
        }
        return;
    }

    PlaySoundDef* lastFree = nullptr;
    for (PlaySoundDef& ch : channels) {
        if (ch.SoundID == number) {
            ch.LeftVolume = v;
            ch.RightVolume = v;
            ch.SoundData = &RawSounds[number];
            ch.PlaySoundPtr = RawSounds[number].data();
            return;
        }
        if (ch.PlaySoundPtr == nullptr) lastFree = &ch;
    }
    if (RawSounds[number].empty()) return;

    PlaySoundDef* chosen = lastFree;
    if (!chosen) {
        PlaySoundDef* oldestOneShot = nullptr;
        for (PlaySoundDef& ch : channels) {
            if (ch.LeftVolume < 0.1 && ch.RightVolume < 0.1) {
                chosen = &ch;
                break;
            }
            if (ch.PlayOnce == 1 && (!oldestOneShot || ch.StartTime < oldestOneShot->StartTime)) oldestOneShot = &ch;
        }
        if (!chosen) chosen = oldestOneShot;
    }
    if (!chosen) return;  // every channel holds a loop that can be heard
    startChannel(*chosen, number, 0, v, platform::TickCount());
}

void SoundGuy::SetEngineAmpRate(int32_t number, int32_t rate) {
    if (number < 0 || number > kLastSound) return;
    if (rate > 150000) rate = 150000;
    if (rate < 40000) rate = 40000;
    DeviceLock lock(*this);
    for (PlaySoundDef& ch : mixer_.PlaySounds) {
        if (ch.SoundID == number) {
            ch.Pitch = rate / 65536.0;
            return;
        }
    }
}

// ---- Volumes and muting ----

void SoundGuy::toggleSoundSetting() { SoundToggle = SoundToggle >= 2 ? 0 : SoundToggle + 1; }
void SoundGuy::setSoundToggle(int32_t toggle) { SoundToggle = toggle < 0 ? 0 : (toggle > 2 ? 2 : toggle); }
void SoundGuy::setAppGlobalVolume(double volume) { GlobalAppVolume = clampVolume(volume); }
void SoundGuy::setGunsVolume(double volume) { GunsVolume = clampVolume(volume); }
void SoundGuy::setEngineVolume(double volume) { EngineVolume = clampVolume(volume); }
void SoundGuy::setStallHornVolume(double volume) { StallHornVolume = clampVolume(volume); }
void SoundGuy::setOtherItemsVolume(double volume) { OtherItemsVolume = clampVolume(volume); }

// ---- The device ----

void SoundGuy::initSoundDefs() {
    DeviceLock lock(*this);
    mixer_.PlaySounds[0].Valid1 = kMixerValid1;
    mixer_.PlaySounds[0].Valid2 = kMixerValid2;
    for (PlaySoundDef& ch : mixer_.PlaySounds) {
        freeSoundChannel(ch);
        ch.PlayOnce = 1;
        ch.LeftVolume = 0.8;
        ch.RightVolume = 0.2;
        ch.Pitch = 1.0;
        ch.Samples = 0;
        ch.PanEffect = 0;
        ch.PanPosition = 0.0;
    }
}

void SoundGuy::startSounds() {
    if (CanDoSound && device_ && !detached_) {
        if (!CoreAudioOnOff) device_->start();
        CoreAudioOnOff = 1;
    } else {
        CoreAudioOnOff = 0;
    }
}

void SoundGuy::stopSounds() {
    if (CoreAudioOnOff && device_) device_->stop();
    CoreAudioOnOff = 0;
}

void SoundGuy::setCoreAudioOnOff(bool on) {
    if (on == (CoreAudioOnOff != 0)) return;
    if (on) startSounds();
    else stopSounds();
}

void SoundGuy::ExitSoundRoutines() {
    stopSounds();
    if (device_) device_->removeRenderProc();
    device_.reset();
    detached_ = true;
}

}  // namespace pellam
