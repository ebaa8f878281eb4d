#pragma once
// The small rules a mission start and the aircraft starts share: random draws, the aircraft type
// drawn for a random slot, the skill rule, and the sky fields of the record decoded.
#include <cstdint>
#include <functional>

namespace pellam::missions {

// One draw: a whole number from -32768 to 32767. The game draws from the shared sequence; tests
// hand in their own.
using Draw = std::function<int32_t()>;
Draw sharedDraw();

// 55, 64 or 77, each about one time in three.
int32_t selectAircraftTypeRandomly(const Draw& draw);
// The AI pilot profile for a skill: the skill itself, a skill of 3 drawn as 0, 1 or 2, and a
// skill outside 0..9 taken as 0 (it names one of the ten profiles).
int32_t pilotNumberForSkill(int32_t skill, const Draw& draw);
// An aircraft type a start record may name: 0 reads 55 (the Camel), 1001 stays random, and
// anything else outside 55, 64 and 77 is taken as the Camel rather than removing the aircraft.
int32_t startRecordType(int32_t type);
// True for a code that makes a flyable aircraft in the object list: 3, 55, 64, 77 or above 1000.
bool isAircraftCode(int32_t code);

// A whole number from a double of the record (a team, a distance in ft): truncated, limited to
// the 32-bit range, and 0 for a value that is not a number.
int32_t wholeNumber(double value);

inline constexpr int32_t kDefaultSkyFlags = 0x271004;  // haze 4, ceiling 10,000 ft
// Fog density from a haze level 1..10: (h >> 1) / 200000.
inline double missionHaze(int32_t hazeLevel) { return (hazeLevel >> 1) / 200000.0; }
inline double ceilingFeet(int32_t skyFlags) { return static_cast<double>((skyFlags & 0x7FFFFF00) >> 8); }
// Hours from the record's TimeOfDay: high 16 bits hundredths, low 16 whole hours.
inline double timeOfDayHours(int32_t timeOfDay) { return (timeOfDay >> 16) / 100.0 + (timeOfDay & 0xFFFF); }

}  // namespace pellam::missions
