#pragma once
// The stored key-binding block: 200 records of 20 bytes. The three key fields are big-endian; the
// command is in the writing machine's own order; the title slot is written as 0 and ignored.
#include <cstdint>
#include <span>
#include <vector>

#include "input/Commands.h"

namespace pellam::input {

constexpr int kKeyRecordSize = 20;
constexpr int kKeyRecordCount = 200;
constexpr int kKeyRecordBlock = kKeyRecordSize * kKeyRecordCount;
static_assert(kKeyRecordBlock == 4000);
// Field offsets within a record.
constexpr int kRecPrimary = 0, kRecSecondary = 4, kRecModifiers = 8, kRecCommand = 12, kRecTitle = 16;

// The 200 stored records: 0..rowsInUse-1 from `rows` in stored byte order (the three key fields
// big-endian, the command in the host's), the rest zero.
std::vector<uint8_t> swapCommandsAndKeys200(std::span<const KeyboardCommandList> rows, int rowsInUse,
                                            bool littleEndianHost);

// Copies stored records over `rows` (at most rows.size()), into the host's byte order. A record
// whose command is not a game command (1..94) in either byte order leaves its row as it was; one
// in the other machine's order is taken in that order. A trailing partial record is ignored.
// Titles are not touched.
void swapCommandsAndKeys(const std::vector<uint8_t>& data, std::span<KeyboardCommandList> rows, bool littleEndianHost);

}  // namespace pellam::input
