#pragma once
// The sound file readers: each turns a file's bytes into mono float samples at 44,100 per
// second in -1..+1. None reads outside the bytes it is given.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pellam::soundfile {

using Bytes = std::span<const uint8_t>;

// A canonical RIFF WAVE file: mono, 16-bit, 44,100 Hz, at least 1,500 bytes, with its "data"
// tag within the first 1,024 bytes and a size of 1..2,000,000 bytes. A size that runs past the
// end of the file is cut to the bytes present. Nothing when the file is not in that form.
std::optional<std::vector<float>> readCanonicalWav(Bytes file);

// Fixed-header readers; the header is skipped unread. 22 kHz sources write each sample twice.
std::vector<float> readHigh8Of16At22k(Bytes file, size_t header);  // 16-bit LE, high byte as signed 8-bit
std::vector<float> readUnsigned8At22k(Bytes file);                 // 42-byte header, unsigned 8-bit
std::vector<float> readBigEndian16At22k(Bytes file);               // 80-byte header, signed 16-bit BE
std::vector<float> readBigEndian16At44k(Bytes file);               // 80-byte header, signed 16-bit BE
std::vector<float> readUnsigned8At5k(Bytes file);                  // 44-byte header, unsigned 8-bit x 8

inline constexpr size_t kWavMinimumBytes = 1500;
inline constexpr size_t kDataTagSearchEnd = 1024;  // the tag must start below this byte
inline constexpr uint32_t kWavMaximumDataBytes = 2000000;

}  // namespace pellam::soundfile
