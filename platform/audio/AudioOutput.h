#pragma once
// The audio output device: one stream of interleaved 32-bit float frames, filled on the device's
// own thread by a render function. No SDL type crosses this header.
#include <cstdint>
#include <memory>

namespace pellam::platform {

// The stream the device plays, as it reports it.
struct AudioStreamFormat {
    double mSampleRate = 0.0;       // frames/s
    uint32_t mBytesPerFrame = 0;    // bytes of one frame, all channels
    uint32_t mChannelsPerFrame = 0;
    uint32_t mBitsPerChannel = 0;
};

// Fills `bytes` bytes at `data` on the device's thread. `sampleTime` is the device clock at the
// first frame of the buffer in frames; 0.0 means the device gave no time stamp.
using AudioRenderProc = int32_t (*)(void* data, uint32_t bytes, double sampleTime, void* clientData);

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // False when there is no device: nothing is ever called back then.
    virtual bool isOpen() const = 0;
    virtual AudioStreamFormat format() const = 0;

    // Installs or removes the render function; with none installed the device plays silence.
    virtual void addRenderProc(AudioRenderProc proc, void* clientData) = 0;
    virtual void removeRenderProc() = 0;

    // The device starts stopped. After stop() returns the render function is not running and
    // will not be called until the next start().
    virtual void start() = 0;
    virtual void stop() = 0;

    // While locked the render function does not run: whatever it reads can be written safely.
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

// The system's default output through SDL, asked for 32-bit float stereo at 44,100 frames/s
// (the device may choose another rate). Without a usable device the answer is an output that
// is not open, and one line says once that the game runs silent.
std::unique_ptr<AudioOutput> openDefaultAudioOutput();

}  // namespace pellam::platform
