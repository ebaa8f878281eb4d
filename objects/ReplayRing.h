#pragma once
// A replay ring: fixed-size records of 32-bit words (machine byte order) in one buffer made when
// the object is built. A record is kept every 20 ticks, on the ticks t with (t - 2) a multiple of
// 20; its first word is t, the key a replay looks it up by.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pellam {

class ReplayRing {
public:
    static constexpr int32_t kEvery = 20;  // ticks between records

    ReplayRing(int recordBytes, int places)
        : recordBytes_(recordBytes < 4 ? 4 : recordBytes), places_(places < 1 ? 1 : places),
          bytes_(static_cast<size_t>(recordBytes_) * places_, 0) {}

    static bool isRecordTick(int32_t t) { return t > 0 && (t - 2) % kEvery == 0; }

    // Every place zeroed, the writer back at the first: nothing is found until written again.
    void clear() {
        std::fill(bytes_.begin(), bytes_.end(), uint8_t{0});
        next_ = 0;
    }

    // The record to fill for tick t, its key already written. A tick that already has a record
    // gets that record back, so no two records ever share a time.
    uint8_t* recordFor(int32_t t) {
        if (uint8_t* kept = place(t)) {
            std::memset(kept + 4, 0, recordBytes_ - 4);
            return kept;
        }
        uint8_t* r = &bytes_[static_cast<size_t>(next_) * recordBytes_];
        next_ = next_ + 1 >= places_ ? 0 : next_ + 1;
        std::memset(r, 0, recordBytes_);
        put32(r, 0, t);
        return r;
    }

    // The record kept for tick t, null when there is none. Tick 0 is never a key.
    const uint8_t* find(int32_t t) const { return const_cast<ReplayRing*>(this)->place(t); }

    int recordBytes() const { return recordBytes_; }
    int places() const { return places_; }
    int nextPlace() const { return next_; }

    // The writer's step at tick t: its countdown `saveTime` falls by one and, on a record tick,
    // rises by 20 with the record answered (null on other ticks and at tick 0).
    uint8_t* saving(int32_t t, int32_t& saveTime) {
        if (t == 0) return nullptr;
        --saveTime;
        if (!isRecordTick(t)) return nullptr;
        saveTime += kEvery;
        return recordFor(t);
    }
    // The record to read back at tick t, null when t keeps none.
    const uint8_t* reading(int32_t t) const { return isRecordTick(t) ? find(t) : nullptr; }

    // Words 1..7 of a moving object's record: its position in whole feet, its attitude in
    // hundred-thousandths.
    static void putPose(uint8_t* record, const std::array<double, 3>& p, const std::array<double, 4>& q) {
        for (int k = 0; k < 3; ++k) put32(record, 4 * (1 + k), word(p[k]));
        for (int k = 0; k < 4; ++k) put32(record, 4 * (4 + k), word(q[k] * 100000.0));
    }
    // A value cut toward zero into a word: past its ends it stops there, a NaN is 0.
    static int32_t word(double v) {
        if (!(v == v)) return 0;
        return static_cast<int32_t>(v < -2147483648.0 ? -2147483648.0 : v > 2147483647.0 ? 2147483647.0 : v);
    }
    static void getPose(const uint8_t* record, std::array<double, 3>& p, std::array<double, 4>& q) {
        for (int k = 0; k < 3; ++k) p[k] = get32(record, 4 * (1 + k));
        for (int k = 0; k < 4; ++k) q[k] = get32(record, 4 * (4 + k)) / 100000.0;
    }

    static void put32(uint8_t* record, int offset, int32_t value) { std::memcpy(record + offset, &value, 4); }
    static int32_t get32(const uint8_t* record, int offset) {
        int32_t v;
        std::memcpy(&v, record + offset, 4);
        return v;
    }

private:
    uint8_t* place(int32_t t) {
        if (t == 0) return nullptr;
        for (int k = 0; k < places_; ++k) {
            uint8_t* r = &bytes_[static_cast<size_t>(k) * recordBytes_];
            if (get32(r, 0) == t) return r;
        }
        return nullptr;
    }

    int recordBytes_;
    int places_;
    std::vector<uint8_t> bytes_;
    int next_ = 0;
};

}  // namespace pellam
