#include <SDL.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/Log.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/PeakLimiter.h"

namespace pellam::platform {
namespace {

constexpr int kAskedRate = 44100;      // frames/s
constexpr Uint16 kBufferFrames = 512;  // 11.6 ms at 44.1 kHz

std::atomic<bool> toldSilent{false};

void sayOnceSilent(const std::string& why) {
    if (!toldSilent.exchange(true)) logMessage("No audio output (" + why + "): the game runs silent.");
}

class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput() {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            sayOnceSilent(SDL_GetError());
            return;
        }
        SDL_AudioSpec want{};
        want.freq = kAskedRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kBufferFrames;
        want.callback = &SdlAudioOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device_ == 0) {
            sayOnceSilent(SDL_GetError());
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return;
        }
        format_.mSampleRate = have.freq;
        format_.mChannelsPerFrame = have.channels;
        format_.mBitsPerChannel = SDL_AUDIO_BITSIZE(have.format);
        format_.mBytesPerFrame = format_.mChannelsPerFrame * format_.mBitsPerChannel / 8;
        limiter_ = PeakLimiter(have.freq, have.channels);
    }

    ~SdlAudioOutput() override {
        if (device_ == 0) return;
        SDL_CloseAudioDevice(device_);  // waits for the device thread to end
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool isOpen() const override { return device_ != 0; }
    AudioStreamFormat format() const override { return format_; }

    void addRenderProc(AudioRenderProc proc, void* clientData) override {
        lock();
        proc_ = proc;
        clientData_ = clientData;
        unlock();
    }

    void removeRenderProc() override { addRenderProc(nullptr, nullptr); }

    void start() override {
        if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
    }

    // SDL sets the paused flag under the device lock, and the device thread reads it under the
    // same lock before each callback: once this returns no callback is running or will run.
    void stop() override {
        if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
    }

    void lock() override {
        if (device_ != 0) SDL_LockAudioDevice(device_);
    }
    void unlock() override {
        if (device_ != 0) SDL_UnlockAudioDevice(device_);
    }

private:
    static void callback(void* user, Uint8* stream, int len) {
        auto* self = static_cast<SdlAudioOutput*>(user);
        const uint32_t bytes = len > 0 ? static_cast<uint32_t>(len) : 0;
        if (self->proc_) {
            self->proc_(stream, bytes, self->sampleTime_, self->clientData_);
            // The device was opened for floats only, so the stream is floats.
            const uint32_t channels = self->format_.mChannelsPerFrame;
            if (channels > 0)
                self->limiter_.process(reinterpret_cast<float*>(stream), bytes / (4 * channels), channels);
        } else {
            std::memset(stream, 0, bytes);
        }
        if (self->format_.mBytesPerFrame > 0) self->sampleTime_ += bytes / self->format_.mBytesPerFrame;
    }

    SDL_AudioDeviceID device_ = 0;
    AudioStreamFormat format_;
    AudioRenderProc proc_ = nullptr;  // both written under the device lock
    void* clientData_ = nullptr;
    PeakLimiter limiter_;             // the device thread's own
    double sampleTime_ = 1.0;  // frames; counted from 1 so that 0.0 keeps meaning "no time stamp"
};

}  // namespace

std::unique_ptr<AudioOutput> openDefaultAudioOutput() { return std::make_unique<SdlAudioOutput>(); }

}  // namespace pellam::platform
