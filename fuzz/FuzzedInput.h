#pragma once
// The fuzzer's bytes read as values, laid out as libFuzzer's FuzzedDataProvider lays them out
// (integers taken from the end, strings from the front), so the seeds and corpora made with it
// keep their meaning. Ours because that header ships with clang only, and the suite builds every
// target with g++ too.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <type_traits>

namespace pellam::fuzz {

class FuzzedInput {
public:
    FuzzedInput(const uint8_t* data, size_t size) : data_(data), left_(size) {}

    size_t remaining_bytes() const { return left_; }

    // min..max from as few bytes off the end as the range needs; min once they run out.
    template <typename T>
    T ConsumeIntegralInRange(T min, T max) {
        static_assert(std::is_integral_v<T> && sizeof(T) <= sizeof(uint64_t));
        if (min > max) std::abort();
        const uint64_t range = static_cast<uint64_t>(max) - static_cast<uint64_t>(min);
        uint64_t result = 0;
        for (size_t bits = 0; bits < sizeof(T) * CHAR_BIT && (range >> bits) > 0 && left_ != 0; bits += CHAR_BIT)
            result = result << CHAR_BIT | data_[--left_];
        if (range != std::numeric_limits<uint64_t>::max()) result %= range + 1;
        return static_cast<T>(static_cast<uint64_t>(min) + result);
    }
    template <typename T>
    T ConsumeIntegral() {
        return ConsumeIntegralInRange(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    }
    bool ConsumeBool() { return (ConsumeIntegral<uint8_t>() & 1) != 0; }

    template <typename T, size_t N>
    T PickValueInArray(const T (&values)[N]) {
        static_assert(N > 0);
        return values[ConsumeIntegralInRange<size_t>(0, N - 1)];
    }

    // Up to `most` bytes from the front: "\\" stands for one backslash, and a backslash before
    // anything else ends the string (both bytes used), so a mutation can lengthen it in place.
    std::string ConsumeRandomLengthString(size_t most) {
        std::string text;
        for (size_t n = 0; n < most && left_ != 0; ++n) {
            char next = static_cast<char>(take());
            if (next == '\\' && left_ != 0) {
                next = static_cast<char>(take());
                if (next != '\\') break;
            }
            text += next;
        }
        return text;
    }

private:
    uint8_t take() {
        --left_;
        return *data_++;
    }

    const uint8_t* data_;
    size_t left_;
};

}  // namespace pellam::fuzz
