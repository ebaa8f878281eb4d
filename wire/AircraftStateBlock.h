#pragma once
// The 35-byte aircraft state block: one flyable aircraft's visible state as the network sends it
// and the replay ring stores it. Big-endian, fields packed across byte boundaries:
//   0-2 X, 3-4 height, 5-7 Z (half feet, feet + 2000, half feet); 8-15 attitude w, x, y, z;
//   16-20 velocity and the restart bit; 21-24 rotation rates and two damage bits; 25-29 controls
//   and the trigger; 30 hits; 31 engine; 32 flags; 33 the host's result; 34 bombs and damage bits.
// Decoding checks every value against its field's range, since a block may come from a peer.
#include <array>
#include <cstddef>
#include <cstdint>

namespace pellam::wire {

inline constexpr size_t kStateBlockSize = 35;
using StateBlockBytes = std::array<uint8_t, kStateBlockSize>;

// Byte 32.
namespace stateflag {
inline constexpr uint8_t GearDown = 0x80;
inline constexpr uint8_t FlapsDown = 0x40;
inline constexpr uint8_t BailedOut = 0x20;   // with GameOver: the host won
inline constexpr uint8_t Cannons = 0x10;
inline constexpr uint8_t GameOver = 0x08;
inline constexpr uint8_t OnGround = 0x04;
inline constexpr uint8_t Down = 0x02;        // Damage1 0x20
inline constexpr uint8_t Fatal = 0x01;       // Damage1 0x2000
}  // namespace stateflag

// Byte 34, above the bomb count.
namespace statedamage {
inline constexpr uint8_t LeftAileron = 0x10;   // Damage1 0x100
inline constexpr uint8_t RightAileron = 0x20;  // Damage1 0x200
inline constexpr uint8_t Cockpit = 0x40;       // Damage1 0x4000
inline constexpr uint8_t Part4Gone = 0x80;     // Damage1 0x400000
}  // namespace statedamage

// The block's contents as numbers. Encoding clamps each value into its field; decoding gives
// values within these ranges.
struct AircraftState {
    std::array<double, 3> position{};            // ft; X, Z within +-4,194,303.5; Y -2000..63,535
    std::array<double, 4> attitude{1, 0, 0, 0};  // w, x, y, z; unit length once decoded
    std::array<double, 3> velocity{};            // ft/tick, -20.475..20.48
    std::array<double, 3> rates{};               // deg/tick, -0.2..0.2
    bool restart = false;                        // set up again less than 180 ticks ago
    bool blownUp = false;                        // Damage1 0x4
    bool engineDamaged = false;                  // Damage1 0x10000
    double elevator = 0, ailerons = 0, rudder = 0;  // -1..1
    bool firing = false;
    uint8_t hits = 0;                            // whole hits taken, low 8 bits
    uint8_t engine = 0;                          // throttle x 255 / war emergency power
    uint8_t flags = 0;                           // stateflag:: bits
    uint8_t result = 0;                          // filled by the data packets
    uint8_t bombs = 0;                           // 0..8
    uint8_t damage = 0;                          // statedamage:: bits
};

// Writes all 35 bytes (byte 33 from `result`).
void encodeAircraftState(const AircraftState& state, uint8_t* out);
// False, leaving `state` alone, when fewer than 35 bytes are given.
bool decodeAircraftState(const uint8_t* data, size_t length, AircraftState* state);

// A height below this on the wire means an aircraft out of the world.
inline constexpr double kHiddenHeight = -10000.0;

}  // namespace pellam::wire
