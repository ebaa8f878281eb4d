#pragma once
// The one UTF-8 rule of the game's texts (RFC 3629): no overlong forms, no UTF-16 surrogates
// (U+D800..U+DFFF), nothing above U+10FFFF, so no lead byte C0, C1 or F5..FF. Mission texts, the
// settings store and texts from other machines all answer to it, so a title read from one of
// them compares equal after a trip through any other.
#include <string>
#include <string_view>

namespace pellam::platform {

bool validUtf8(std::string_view text);

// `text` with every ill-formed sequence (each maximal part of one, as Unicode recommends) replaced
// by U+FFFD; valid text comes back as it was.
std::string repairedUtf8(std::string_view text);

// Characters a name or title shown to other players must not hold, as they could hide, reorder or
// break the text around them: the C0 and C1 controls and DEL, the line and paragraph separators,
// the bidirectional marks, embeddings, overrides and isolates, and the zero-width characters.
bool isHiddenControl(char32_t c);
// Whether `text` holds one (a malformed sequence is none: repair the text first).
bool hasHiddenControls(std::string_view text);
// `text` without them.
std::string withoutHiddenControls(std::string_view text);

// The first `maxChars` characters of UTF-8 `text`; a malformed byte counts as one character.
std::string cutToCharacters(const std::string& text, size_t maxChars);
// At most `maxBytes` bytes of UTF-8 `text`, never ending inside a character.
std::string cutToBytes(const std::string& text, size_t maxBytes);

}  // namespace pellam::platform
