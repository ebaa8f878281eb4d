#include "platform/Utf8.h"

namespace pellam::platform {
namespace {

// Bytes of the well-formed character at `at`, or 0 when there is none there; `taken` is then the
// number of bytes that form the longest valid beginning of one (at least 1), to be replaced as one.
size_t characterAt(std::string_view s, size_t at, size_t& taken) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    taken = 1;
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range (RFC 3629, section 4)
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead == 0xE0) length = 3, low = 0xA0;
    else if (lead >= 0xE1 && lead <= 0xEC) length = 3;
    else if (lead == 0xED) length = 3, high = 0x9F;  // no surrogates
    else if (lead >= 0xEE && lead <= 0xEF) length = 3;
    else if (lead == 0xF0) length = 4, low = 0x90;
    else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
    else if (lead == 0xF4) length = 4, high = 0x8F;  // nothing past U+10FFFF
    else return 0;
    for (size_t k = 1; k < length; ++k) {
        if (at + k >= s.size()) return 0;
        const unsigned char c = byte(at + k);
        const unsigned char lo = k == 1 ? low : 0x80, hi = k == 1 ? high : 0xBF;
        if (c < lo || c > hi) return 0;
        taken = k + 1;
    }
    return length;
}

}  // namespace

bool validUtf8(std::string_view text) {
    for (size_t i = 0, taken = 0; i < text.size();) {
        const size_t n = characterAt(text, i, taken);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string repairedUtf8(std::string_view text) {
    if (validUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0, taken = 0; i < text.size();) {
        if (const size_t n = characterAt(text, i, taken)) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            i += taken;
        }
    }
    return out;
}

namespace {
// Bytes of the character at `at`; 1 for a byte that starts no well-formed one.
size_t characterLength(std::string_view text, size_t at) {
    size_t taken = 0;
    const size_t n = characterAt(text, at, taken);
    return n ? n : 1;
}
}  // namespace

namespace {
// The code point of the well-formed character of `n` bytes at `at`.
char32_t codePoint(std::string_view text, size_t at, size_t n) {
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = static_cast<unsigned char>(text[at]) & kLeadBits[n];
    for (size_t k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    return c;
}

// Calls `each(at, n, hidden)` for every character of `text` (a malformed byte: one, never hidden).
template <typename Each>
void forEachCharacter(std::string_view text, Each&& each) {
    for (size_t at = 0, taken = 0; at < text.size();) {
        const size_t n = characterAt(text, at, taken);
        each(at, n ? n : 1, n != 0 && isHiddenControl(codePoint(text, at, n)));
        at += n ? n : 1;
    }
}
}  // namespace

bool isHiddenControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL, C1
           c == 0x061C ||                             // Arabic letter mark
           (c >= 0x200B && c <= 0x200F) ||            // zero-width space, non-joiner, joiner; LRM, RLM
           (c >= 0x2028 && c <= 0x202E) ||            // line and paragraph separators; embeddings, overrides
           (c >= 0x2060 && c <= 0x2064) ||            // word joiner, invisible operators
           (c >= 0x2066 && c <= 0x2069) ||            // isolates
           c == 0xFEFF;                               // zero-width no-break space
}

bool hasHiddenControls(std::string_view text) {
    bool found = false;
    forEachCharacter(text, [&](size_t, size_t, bool hidden) { found = found || hidden; });
    return found;
}

std::string withoutHiddenControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forEachCharacter(text, [&](size_t at, size_t n, bool hidden) {
        if (!hidden) out.append(text.substr(at, n));
    });
    return out;
}

std::string cutToCharacters(const std::string& text, size_t maxChars) {
    size_t at = 0;
    for (size_t chars = 0; at < text.size() && chars < maxChars; ++chars) at += characterLength(text, at);
    return text.substr(0, at);
}

std::string cutToBytes(const std::string& text, size_t maxBytes) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t n = characterLength(text, at);
        if (at + n > maxBytes) break;
        at += n;
    }
    return text.substr(0, at);
}

}  // namespace pellam::platform
