#include "builder/TextValues.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace pellam::builder {

int32_t textInt(std::string_view text) {
    const std::string s(text);
    size_t at = s.find_first_not_of(" \t\n\r");
    if (at == std::string::npos) return 0;
    const char* start = s.c_str() + at;
    if (*start != '+' && *start != '-' && (*start < '0' || *start > '9')) return 0;
    const long long v = std::strtoll(start, nullptr, 10);
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

double textDouble(std::string_view text) {
    const std::string s(text);
    size_t at = s.find_first_not_of(" \t\n\r");
    if (at == std::string::npos) return 0.0;
    const char* start = s.c_str() + at;
    const char c = *start;
    if (c != '+' && c != '-' && c != '.' && (c < '0' || c > '9')) return 0.0;  // no "inf", no "nan"
    const double v = std::strtod(start, nullptr);
    return std::isfinite(v) ? v : 0.0;
}

double textFloat(std::string_view text) {
    const double v = std::clamp(textDouble(text), -double(std::numeric_limits<float>::max()),
                                double(std::numeric_limits<float>::max()));
    return static_cast<float>(v);
}

std::vector<std::string> splitAtCommas(std::string_view text) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

int32_t cutToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::string placeText(const double xyz[3]) {
    char text[48];
    std::snprintf(text, sizeof text, "%d, %d, %d", cutToInt(xyz[0]), cutToInt(xyz[1]), cutToInt(xyz[2]));
    return text;
}

bool readThreeNumbers(std::string_view text, double xyz[3]) {
    const std::vector<std::string> parts = splitAtCommas(text);
    if (parts.size() != 3) return false;
    for (int k = 0; k < 3; ++k) xyz[k] = textInt(parts[k]);
    return true;
}

std::string shownNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", std::isfinite(value) ? value : 0.0);
    return text;
}

}  // namespace pellam::builder
