#include "builder/PathTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "builder/TextValues.h"

namespace pellam::builder {
namespace {

// Indexes below this name the model array's fixed head, never a target.
constexpr int32_t kFirstTarget = 21;

std::string number(int32_t v) { return std::to_string(v); }

std::string lettersText(int32_t flags) {
    static constexpr struct {
        int32_t bit;
        const char* letter;
    } kOrder[] = {{kPathLetterS, "S"}, {kPathLetterD, "D"}, {kPathLetterW, "W"}, {kPathLetterK, "K"}, {kPathLetterR, "R"}};
    std::string text;
    // R is shown beside the other letters too: typing the shown text back must keep every bit.
    for (const auto& l : kOrder) {
        if (!(flags & l.bit)) continue;
        if (!text.empty()) text += ", ";
        text += l.letter;
    }
    return text.empty() ? "-" : text;
}

bool equalsIgnoringCase(const std::string& text, const char* word) {
    size_t i = 0;
    for (; word[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return i == text.size();
}

double packTargets(int32_t high, int32_t low) { return static_cast<double>(high) * 65536.0 + low; }

}  // namespace

PathTargets pathTargets(double psTargets) {
    const double v = std::isnan(psTargets) ? 0.0 : std::clamp(std::trunc(psTargets), 0.0, 4294967295.0);
    const auto whole = static_cast<uint32_t>(v);
    return {static_cast<int32_t>(whole >> 16), static_cast<int32_t>(whole & 0xFFFF)};
}

std::string pathCellText(const missions::MissionData& mission, int row, int column) {
    if (row < 0 || row >= kPathTableRows) return "";
    const pellam::aiFlyToPoint& p = mission.FlyToPoints[row];
    switch (column) {
        case 1: return number(row + 1);
        case 2: {
            char text[96];
            const double h = p.PointXYZ[1];
            if (std::isfinite(h) && h == std::trunc(h) && std::fabs(h) < 2147483648.0)
                std::snprintf(text, sizeof text, "%d, %d, %d", cutToInt(p.PointXYZ[0]), cutToInt(h), cutToInt(p.PointXYZ[2]));
            else
                std::snprintf(text, sizeof text, "%d, %.3f, %d", cutToInt(p.PointXYZ[0]), h, cutToInt(p.PointXYZ[2]));
            return text;
        }
        case 3: {
            char text[64];
            std::snprintf(text, sizeof text, "%.2f", p.ThrottlePosition);
            return text;
        }
        case 4: return number(cutToInt(p.TargetClimbDiveSpeed));
        case 5: return (p.Flags & 1) ? "Up" : "Down";
        case 6: {
            int percent = 0;
            for (int bit = 4; bit >= 1 && percent == 0; --bit)
                if (p.Flags & (1 << bit)) percent = bit * 10;
            return number(percent) + "%";
        }
        case 7: return (p.Flags & 0x20) ? "On" : "off";
        case 8: {
            const int32_t high = pathTargets(p.PSTargets).high;
            return high ? number(high) : "-";
        }
        case 9: {
            const int32_t low = pathTargets(p.PSTargets).low;
            return low ? number(low) : "-";
        }
        case 10: return lettersText(p.Flags);
        case 11: return number(p.NextPoint + 1);
        default: return "nothing";
    }
}

bool setPathCell(missions::MissionData& mission, int row, int column, const std::string& text,
                 double& lastEnteredWayPointAlt) {
    if (row < 0 || row >= kPathTableRows) return false;
    pellam::aiFlyToPoint& p = mission.FlyToPoints[row];
    switch (column) {
        case 2: {
            const std::vector<std::string> parts = splitAtCommas(text);
            double height = 10000.0;
            if (parts.size() > 1) {
                height = textDouble(parts[1]);
                lastEnteredWayPointAlt = height;
            }
            p.PointXYZ[0] = textInt(parts[0]);
            p.PointXYZ[1] = height;
            p.PointXYZ[2] = parts.size() > 2 ? textInt(parts[2]) : 0;
            return true;
        }
        case 3: p.ThrottlePosition = std::clamp(textFloat(text), 0.0, 500.0); return false;
        case 4: p.TargetClimbDiveSpeed = std::clamp(textFloat(text), -10000.0, 10000.0); return false;
        case 5:
            p.Flags = (p.Flags & ~1) | (equalsIgnoringCase(text, "up") ? 1 : 0);
            return false;
        case 6: {
            const int k = std::clamp(textInt(text) / 10, 0, 4);
            p.Flags &= ~0x1E;
            if (k > 0) p.Flags |= 1 << k;
            return false;
        }
        case 7:
            p.Flags = (p.Flags & ~0x20) | (equalsIgnoringCase(text, "on") ? 0x20 : 0);
            return false;
        case 8: {
            int32_t v = textInt(text);
            if (v < kFirstTarget) v = 0;
            p.PSTargets = packTargets(std::min(v, 65535), pathTargets(p.PSTargets).low);
            return false;
        }
        case 9: {
            const int32_t high = pathTargets(p.PSTargets).high;
            int32_t v = textInt(text);
            if (v < kFirstTarget && high != 0) v = 0;
            p.PSTargets = packTargets(high, std::clamp(v, 0, 65535));
            return false;
        }
        case 10: {
            int32_t bits = 0;
            for (size_t i = 0; i < text.size() && i < 200; ++i) {
                switch (std::toupper(static_cast<unsigned char>(text[i]))) {
                    case 'D': bits |= kPathLetterD; break;
                    case 'S': bits |= kPathLetterS; break;
                    case 'W': bits |= kPathLetterW; break;
                    case 'K': bits |= kPathLetterK; break;
                    case 'R': bits |= kPathLetterR; break;
                    default: break;
                }
            }
            p.Flags = (p.Flags & ~kPathLetters) | bits;
            return false;
        }
        case 11:
            p.NextPoint = static_cast<int32_t>(std::clamp<int64_t>(int64_t{textInt(text)} - 1, 0, kPathTableRows - 1));
            return true;
        default: return false;
    }
}

}  // namespace pellam::builder
