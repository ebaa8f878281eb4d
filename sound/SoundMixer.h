#pragma once
// The eight-channel table shared by the playing operations (main thread) and the mixer (the
// audio device's thread), and the mixer itself. Every write to the table from the main thread
// happens with the device locked, so the mixer always sees a channel whole.
#include <array>
#include <cstdint>
#include <vector>

namespace pellam {

// One channel. Free: PlaySoundPtr null and SoundID -1.
struct PlaySoundDef {
    int32_t Valid1 = 0;                           // entry 0 only: kMixerValid1
    int32_t Valid2 = 0;                           // entry 0 only: kMixerValid2
    const float* PlaySoundPtr = nullptr;          // first sample; null = not playing (the mixer's test)
    const std::vector<float>* SoundData = nullptr;  // owner of the samples (the sound object's table); not owned
    int32_t SoundID = -1;                         // sound number; -1 = free (the playing operations' test)
    int32_t StartTime = 0;                        // ticks (1/60 s) when started
    double CurrentIndexIntoSample = 0.0;          // samples, with a fraction
    char PlayOnce = 1;                            // 1 one-shot (freed at its end), 0 loop
    double LeftVolume = 0.0;                      // gain
    double RightVolume = 0.0;                     // gain
    double Pitch = 1.0;                           // samples per output frame before SampleRateMod
    int32_t Samples = 0;                          // floats in the sound
    int32_t PanEffect = 0;                        // 0 fixed; 1 sweep left to right; 2 right to left
    double PanPosition = 0.0;                     // peak gain of a sweep
};

inline constexpr int32_t kMixerValid1 = 0x76543210;
inline constexpr int32_t kMixerValid2 = 0x01234567;
inline constexpr int kSoundChannels = 8;

// What the mixer is handed as its client data: the channel table and the two values derived
// from the device's format.
struct SoundMixerState {
    std::array<PlaySoundDef, kSoundChannels> PlaySounds{};
    double SampleRateMod = 1.0;  // 44,100 / device rate: scales every channel's step
    int32_t myBytesPerFrame = 8;  // 8 for two float channels, 32 for eight
};

// Frees a channel: the pointer the mixer tests goes first.
void freeSoundChannel(PlaySoundDef& channel);

// The device's render function: mixes the playing channels into `bytes` bytes of frames of
// 32-bit floats (L, R, then zeros for further channels), advances them and frees one-shots that
// have ended. Writes silence when it cannot mix (no time stamp, no table, a damaged table).
// Allocates nothing, takes no lock. Always answers 0.
int32_t flightSimSoundMixer(void* data, uint32_t bytes, double sampleTime, void* clientData);

}  // namespace pellam
