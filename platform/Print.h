#pragma once
// A 64-bit print of bytes (FNV-1a): equal bytes give equal prints, and any change changes the
// print but for a chance of one in 2^64. Used to tell whether a frame would show anything new.
#include <cstddef>
#include <cstdint>

namespace pellam::platform {

constexpr uint64_t kPrintStart = 14695981039346656037ull;

inline uint64_t foldPrint(uint64_t print, const void* data, size_t size) {
    const auto* b = static_cast<const unsigned char*>(data);
    for (size_t k = 0; k < size; ++k) print = (print ^ b[k]) * 1099511628211ull;
    return print;
}

}  // namespace pellam::platform
