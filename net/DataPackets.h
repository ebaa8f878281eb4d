#pragma once
// The two packets that carry a game while it is played, as pure functions on byte spans.
//   2 joiner data: 59 bytes, or 61 + n with a text of n characters
//     3 slot, 4-5 stamp, 6-7 echo, 8-11 eight 4-bit acks, 12-46 own aircraft, 47-54 hits,
//     55-58 dead objects, 59 message number | channel << 5, 60 text (length byte, characters)
//   3 host data: 266 bytes, or 269 + n
//     3-4 stamp, 5-6 echo, 7 ack, 8-252 seven aircraft (byte 33 of each: that slot's kills),
//     253-256 dead objects, 257-264 hits, 265 the joiner's kills, 266 number | channel << 5,
//     267 the sender's slot, 268 text
// Slots are host numbering: 0 the host, 1-7 the joiners.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "wire/AircraftStateBlock.h"
#include "net/SetupPackets.h"

namespace pellam::net {

inline constexpr size_t kMaxTextChars = 200;  // a text on the wire; keeps every packet within 500 bytes

struct MessageText {
    bool present = false;
    uint8_t number = 0;    // 0..15
    uint8_t channel = 0;   // 0 all players, 1-4 a team (3 bits on the wire)
    uint8_t fromSlot = 0;  // host data only: who wrote it, 0..7
    std::string text;      // at most 200 characters
};

struct JoinerData {
    uint8_t slot = 1;                  // 1..7
    uint16_t stamp = 0, echo = 0;      // ticks, low 16 bits
    std::array<uint8_t, 8> acks{};     // per host slot, 0..15
    wire::StateBlockBytes aircraft{};
    std::array<uint8_t, 8> hits{};     // per host slot
    uint32_t deadObjects = 0;
    MessageText message;
};

struct HostData {
    uint16_t stamp = 0, echo = 0;
    uint8_t ack = 0;                   // last message number heard from this joiner
    std::array<wire::StateBlockBytes, 7> aircraft{};  // host slots 0..7 without the addressed joiner
    uint32_t deadObjects = 0;
    std::array<uint8_t, 8> hits{};
    uint8_t joinerKills = 0;
    MessageText message;
};

// Both write all 16 bits of the length and cut a text to 200 characters.
size_t buildJoinerData(const JoinerData& data, SendSlot slot);
size_t buildHostData(const HostData& data, SendSlot slot);
// Nothing for a short packet, a joiner slot outside 1..7 or a sender slot above 7.
std::optional<JoinerData> parseJoinerData(std::span<const uint8_t> packet);
std::optional<HostData> parseHostData(std::span<const uint8_t> packet);

// A hit count as one byte: whole hits, 255 at most (a count never wraps to a small one).
uint8_t hitByte(double hits);

// The network delay in ticks from this machine's tick and the echo of its own stamp: half the
// round trip, the difference taken modulo 65,536 and cut to 60 so that a stale or garbled echo
// cannot ask for thousands of catch-up steps.
int32_t networkDelay(int32_t tick, uint16_t echo);

// The dead-object word: a window of 28 model indexes from 10 on, rotating by one window per
// packet. Bits 28-31 the window number (0..15), bits 0-27 the dead models of the window.
// Indexes past the sixteenth window (above 457) are never reported.
class DeadObjectWindow {
public:
    static constexpr int kFirst = 10, kWidth = 28, kWindows = 16;
    template <class IsDead>
    uint32_t nextWord(int modelCount, IsDead&& isDead) {
        if (start_ < kFirst || start_ >= modelCount || (start_ - kFirst) / kWidth >= kWindows) start_ = kFirst;
        uint32_t mask = 0;
        if (modelCount > 11) {
            for (int b = 0; b < kWidth; ++b) {
                if (start_ + b < modelCount && isDead(start_ + b)) mask |= 1u << b;
            }
        }
        const uint32_t word = (static_cast<uint32_t>((start_ - kFirst) / kWidth) << 28) | mask;
        start_ += kWidth;
        return word;
    }
    int start() const { return start_; }

private:
    int start_ = kFirst;
};

// Calls mark(index) for each model the word names that lies below modelCount.
template <class Mark>
void forEachDeadObject(uint32_t word, int modelCount, Mark&& mark) {
    const int start = static_cast<int>(word >> 28) * DeadObjectWindow::kWidth + DeadObjectWindow::kFirst;
    for (int b = 0; b < DeadObjectWindow::kWidth; ++b) {
        if ((word >> b & 1u) && start + b < modelCount) mark(start + b);
    }
}

}  // namespace pellam::net
