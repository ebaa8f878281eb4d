#include "sound/SoundReaders.h"

#include <algorithm>

namespace pellam::soundfile {
namespace {

uint32_t readLE32(Bytes b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

bool tagAt(Bytes b, size_t at, const char (&tag)[5]) {
    return at + 4 <= b.size() && std::equal(tag, tag + 4, b.begin() + at,
                                            [](char c, uint8_t v) { return static_cast<uint8_t>(c) == v; });
}

// Bytes after the header, empty when the file is no longer than it.
Bytes body(Bytes file, size_t header) { return file.size() > header ? file.subspan(header) : Bytes{}; }

std::vector<float> readBigEndian16(Bytes file, int copies) {
    const Bytes data = body(file, 80);
    const size_t count = data.size() / 2;
    std::vector<float> out(count * copies);
    for (size_t k = 0; k < count; ++k) {
        const auto v = static_cast<int16_t>(uint16_t(data[2 * k]) << 8 | data[2 * k + 1]);
        const float s = static_cast<float>(v) / 32768.0f;
        for (int c = 0; c < copies; ++c) out[k * copies + c] = s;
    }
    return out;
}

}  // namespace

std::optional<std::vector<float>> readCanonicalWav(Bytes file) {
    if (file.size() < kWavMinimumBytes) return std::nullopt;
    if (!tagAt(file, 0, "RIFF") || !tagAt(file, 8, "WAVE")) return std::nullopt;
    if (file[22] != 1 || file[23] != 0) return std::nullopt;                                        // mono
    if (file[24] != 0x44 || file[25] != 0xAC || file[26] != 0 || file[27] != 0) return std::nullopt;  // 44,100 Hz
    if (file[34] != 16) return std::nullopt;                                                        // bits
    for (size_t p = 0; p < kDataTagSearchEnd; ++p) {
        if (!tagAt(file, p, "data")) continue;
        const uint32_t size = readLE32(file, p + 4);
        if (size < 1 || size > kWavMaximumDataBytes) continue;
        const size_t present = std::min<size_t>(size, file.size() - (p + 8));
        const Bytes data = file.subspan(p + 8, present);
        std::vector<float> out(present / 2);
        for (size_t k = 0; k < out.size(); ++k) {
            const auto v = static_cast<int16_t>(uint16_t(data[2 * k]) | uint16_t(data[2 * k + 1]) << 8);
            out[k] = static_cast<float>(v) / 32768.0f;
        }
        return out;
    }
    return std::nullopt;
}

std::vector<float> readHigh8Of16At22k(Bytes file, size_t header) {
    const Bytes data = body(file, header);
    std::vector<float> out(data.size());  // two floats per 16-bit sample; an odd last byte leaves a 0.0
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const float s = static_cast<float>(static_cast<int8_t>(data[i + 1])) / 128.0f;
        out[i] = s;
        out[i + 1] = s;
    }
    return out;
}

std::vector<float> readUnsigned8At22k(Bytes file) {
    const Bytes data = body(file, 42);
    std::vector<float> out(data.size() * 2);
    for (size_t i = 0; i < data.size(); ++i) {
        const float s = (static_cast<float>(data[i]) / 255.0f) * 2.0f - 1.0f;
        out[2 * i] = s;
        out[2 * i + 1] = s;
    }
    return out;
}

std::vector<float> readBigEndian16At22k(Bytes file) { return readBigEndian16(file, 2); }

std::vector<float> readBigEndian16At44k(Bytes file) { return readBigEndian16(file, 1); }

std::vector<float> readUnsigned8At5k(Bytes file) {
    const Bytes data = body(file, 44);
    std::vector<float> out(data.size() * 8);
    for (size_t i = 0; i < data.size(); ++i) {
        const float s = (static_cast<float>(data[i]) - 128.0f) / 128.0f;
        std::fill_n(out.begin() + static_cast<ptrdiff_t>(8 * i), 8, s);
    }
    return out;
}

}  // namespace pellam::soundfile
