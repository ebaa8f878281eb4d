#pragma once
// A text box whose long lines wrap at its right edge, which ImGui's own multi-line field (1.86)
// does not do: the field holds the text with a line feed added at each wrap, and every edit takes
// those out and puts them back where the edited text wraps. Only the text without them is the
// caller's.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace pellam::builderdraw {

// The text as the field holds it.
struct WrappedText {
    std::string shown;          // line feeds: the text's own and the wraps
    std::vector<size_t> wraps;  // offsets in `shown` of the line feeds that are wraps, ascending
};

// Where a line must end: given the text and a line [begin, end) of it without line feeds, the
// offset at which the first piece that fits ends (end when all of it fits; more than begin).
using LineBreaker = std::function<size_t(const std::string& text, size_t begin, size_t end)>;

// `text` (lines ending with line feeds) with a wrap after each piece `breaker` cuts off; the blanks
// at a wrap stay at the end of the line before it.
WrappedText wrapText(const std::string& text, const LineBreaker& breaker);
// The text without its wraps.
std::string unwrapped(const WrappedText& wrapped);
// The field after an edit turned `before.shown` into `after`: the wraps in the text before and after
// the part that changed are kept, at their new offsets; any in that part are gone.
WrappedText afterEdit(const WrappedText& before, const std::string& after);
// A place in the shown text as a place in the unwrapped text, and back (after a wrap at that place).
size_t toText(const WrappedText& wrapped, size_t shownAt);
size_t toShown(const WrappedText& wrapped, size_t textAt);
// The text after an edit that left it `edited`, with the cursor at `cursor` (of the shown text):
// the unwrapped text, with the cursor moved to its place in it. A wrap deleted on its own (Backspace
// at the start of a wrapped line, Delete at the end of one) deletes the character beyond it: the
// wrap is no character of the text, and the key would otherwise do nothing.
std::string editedText(const WrappedText& before, const WrappedText& edited, size_t& cursor, bool forward);

// The box, `height` px high across the room left on the line; `text` has its lines ending with line
// feeds. True when an edit changed the text.
bool wrappedTextField(const char* id, std::string& text, float height);

}  // namespace pellam::builderdraw
