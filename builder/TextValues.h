#pragma once
// How the builder reads the numbers typed into its fields: leading blanks skipped, an optional
// sign, then as many digits as there are; text that is not a number reads 0. Values out of the
// 32-bit range stop at its ends, and a double that is not finite reads 0, so nothing typed can
// reach the record as an overflow or a NaN.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellam::builder {

int32_t textInt(std::string_view text);
double textDouble(std::string_view text);
// The number as a float holds it (single precision), for the fields read that way.
double textFloat(std::string_view text);

// The text split at every comma; "" gives one empty part.
std::vector<std::string> splitAtCommas(std::string_view text);

// A double cut toward zero into the 32-bit range (NaN reads 0), for the "%d" of a shown value.
int32_t cutToInt(double value);

// "x, y, z" with each value cut to an integer, as the builder shows a place.
std::string placeText(const double xyz[3]);
// A text of exactly three integers separated by commas into `xyz`; false (and `xyz` untouched)
// for any other number of parts.
bool readThreeNumbers(std::string_view text, double xyz[3]);
// A double as a field shows it: no trailing zeros (0.8, 5000).
std::string shownNumber(double value);

}  // namespace pellam::builder
