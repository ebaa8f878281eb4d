#include "sound/SoundMixer.h"

#include <cmath>
#include <cstring>

namespace pellam {

void freeSoundChannel(PlaySoundDef& channel) {
    channel.PlaySoundPtr = nullptr;
    channel.SoundData = nullptr;
    channel.SoundID = -1;
    channel.CurrentIndexIntoSample = 0.0;
}

namespace {

// One channel's sample for this frame, and its step. Keeps 0 <= position < Samples, whatever
// the pitch, so the sample read is always inside the sound.
float mixOneChannel(PlaySoundDef& ch, double rateMod) {
    if (ch.Samples <= 0) {
        freeSoundChannel(ch);
        return 0.0f;
    }
    const double samples = ch.Samples;
    if (!(ch.CurrentIndexIntoSample >= 0.0 && ch.CurrentIndexIntoSample < samples)) ch.CurrentIndexIntoSample = 0.0;
    const double position = ch.CurrentIndexIntoSample;

    if (ch.PanEffect == 1 || ch.PanEffect == 2) {
        double p = position / samples;
        if (ch.PanEffect == 2) p = 1.0 - p;
        if (p < 0.5) {
            ch.LeftVolume = ch.PanPosition;
            ch.RightVolume = ch.PanPosition * 2.0 * p;
        } else {
            ch.LeftVolume = ch.PanPosition * 2.0 * (1.0 - p);
            ch.RightVolume = ch.PanPosition;
        }
    }
    const float s = ch.PlaySoundPtr[static_cast<int32_t>(position)];

    double next = position + ch.Pitch * rateMod;
    if (next >= samples) {
        if (ch.PlayOnce != 0) {
            freeSoundChannel(ch);
            return s;
        }
        next = std::fmod(next, samples);  // the fraction carries over, and a long step cannot overshoot
    }
    ch.CurrentIndexIntoSample = next >= 0.0 ? next : 0.0;
    return s;
}

}  // namespace

int32_t flightSimSoundMixer(void* data, uint32_t bytes, double sampleTime, void* clientData) {
    if (data == nullptr) return 0;
    // Silence first: a buffer the guards below turn away must not replay what it held.
    std::memset(data, 0, bytes);
    if (sampleTime == 0.0 || clientData == nullptr) return 0;
    auto* state = static_cast<SoundMixerState*>(clientData);
    PlaySoundDef* channels = state->PlaySounds.data();
    if (channels[0].Valid1 != kMixerValid1 || channels[0].Valid2 != kMixerValid2) return 0;
    const int32_t bytesPerFrame = state->myBytesPerFrame;
    if (bytesPerFrame < 8) return 0;  // no room for the pair of floats

    const double rateMod = state->SampleRateMod;
    const uint32_t frames = bytes / static_cast<uint32_t>(bytesPerFrame);
    auto* out = static_cast<unsigned char*>(data);
    for (uint32_t f = 0; f < frames; ++f) {
        float left = 0.0f, right = 0.0f;
        for (int c = 0; c < kSoundChannels; ++c) {
            PlaySoundDef& ch = channels[c];
            if (ch.PlaySoundPtr == nullptr) continue;
            const double leftGain = ch.LeftVolume, rightGain = ch.RightVolume;
            const bool sweeps = ch.PanEffect == 1 || ch.PanEffect == 2;
            const float s = mixOneChannel(ch, rateMod);
            // A sweep's gains are the ones just computed for this frame.
            left = static_cast<float>(static_cast<double>(left) + s * (sweeps ? ch.LeftVolume : leftGain));
            right = static_cast<float>(static_cast<double>(right) + s * (sweeps ? ch.RightVolume : rightGain));
        }
        const float pair[2] = {left, right};
        std::memcpy(out + static_cast<size_t>(f) * bytesPerFrame, pair, sizeof pair);  // further channels stay 0
    }
    return 0;
}

}  // namespace pellam
